// The grid's end of its data source: every notice of the dataset becomes a call
// on the grid; the link also keeps the map from the grid's columns to the
// dataset's fields and the "modified" flag of the cell being edited.

#include "grid/DBGridEh.h"
#include "grid/ScopeGuardEh.h"

TGridDataLinkEh::~TGridDataLinkEh() { ClearMapping(); }

// ---- The field map ----------------------------------------------------------------------------------

bool TGridDataLinkEh::AddMapping(const String& FieldName) {
  if (FFieldCount >= MaxMapSizeEh) RaiseGridError(STooManyColumnsEh);
  TDataSet* DataSet = GetDataSet();
  TField* Field = nullptr;
  if (DataSet) Field = FSparseMap ? DataSet->FindField(FieldName) : DataSet->FieldByName(FieldName);
  if (FFieldCount == FFieldMapSize) {
    Integer NewSize = FFieldMapSize == 0 ? 8 : FFieldMapSize * 2;
    if (NewSize < FFieldCount + 1) NewSize = FFieldCount + 1;
    if (NewSize > MaxMapSizeEh) NewSize = MaxMapSizeEh;
    FFieldMap.resize(size_t(NewSize), -1);
    FFieldMapSize = NewSize;
  }
  if (Field) {
    FFieldMap[size_t(FFieldCount)] = DataSet->GetFields()->IndexOf(Field);
    Field->FreeNotification(FGrid);
  } else {
    FFieldMap[size_t(FFieldCount)] = -1;
  }
  ++FFieldCount;
  return true;
}

void TGridDataLinkEh::ClearMapping() {
  FFieldMap.clear();
  FFieldMap.shrink_to_fit();
  FFieldCount = 0;
  FFieldMapSize = 0;
}

TField* TGridDataLinkEh::GetFields(Integer Index) const {
  if (Index < 0 || Index >= FFieldCount) return nullptr;
  const Integer FieldIndex = FFieldMap[size_t(Index)];
  TDataSet* DataSet = GetDataSet();
  if (FieldIndex < 0 || !DataSet || FieldIndex >= DataSet->GetFields()->GetCount()) return nullptr;
  return DataSet->GetFields()->GetField(FieldIndex);
}

bool TGridDataLinkEh::DefaultFields() const {
  TDataSet* DataSet = GetDataSet();
  bool Result = !DataSet || DataSet->GetDefaultFields();
  if (Result && FSparseMap)
    for (Integer I = 0; I < FFieldCount; ++I)
      if (FFieldMap[size_t(I)] < 0) return false;
  return Result;
}

void TGridDataLinkEh::Reset() {
  if (FModified) RecordChanged(nullptr);
  else if (TDataSet* DataSet = GetDataSet()) DataSet->Cancel();
}

void TGridDataLinkEh::KeepCurrentBookmark() {
  TDataSet* DataSet = GetDataSet();
  FCurrentBookmark = DataSet && DataSet->GetActive() && !DataSet->IsEmpty() ? DataSet->GetBookmark() : TBookmark();
}

// ---- Notices ------------------------------------------------------------------------------------------

void TGridDataLinkEh::ActiveChanged() {
  FGrid->DataLinkActiveChanged(GetActive());
  FModified = false;
  if (GetActive()) KeepCurrentBookmark();
}

void TGridDataLinkEh::DataEvent(TDataEvent Event, TDataEventInfo Info) {
  TDataLink::DataEvent(Event, Info);
  // Fields may be other objects after the dataset's controls come back.
  if (Event == deDisabledStateChange) FGrid->GetColumns()->ClearFieldBindings();
}

void TGridDataLinkEh::DataSetChanged() {
  FGrid->DataChanged();
  FModified = false;
  if (GetActive()) KeepCurrentBookmark();
}

void TGridDataLinkEh::DataSetScrolled(Integer Distance) {
  FGrid->DataScrolled(Distance);
  if (GetActive()) KeepCurrentBookmark();
}

void TGridDataLinkEh::EditingChanged() {
  if (FGrid->GetOptions().Contains(dgIndicator))
    FGrid->InvalidateCell(0, GetActiveRecord() + FGrid->GetTitleRowCount());
}

void TGridDataLinkEh::FocusControl(TField** Field) {
  if (!Field || !*Field) return;
  FGrid->SetSelectedField(*Field);
  if (FGrid->GetSelectedField() == *Field && FGrid->AcquireFocus()) {
    *Field = nullptr;
    FGrid->ShowEditor();
  }
}

void TGridDataLinkEh::LayoutChanged() {
  {
    TTemporaryChangeEh<bool> FromDataLink(FGrid->FLayoutFromDataLink, true);
    FGrid->LayoutChanged();
  }
  TDataLink::LayoutChanged();
}

void TGridDataLinkEh::RecordChanged(TField* Field) {
  FGrid->EditTextChanged(Field);
  FModified = false;
}

void TGridDataLinkEh::UpdateData() {
  if (FInUpdateData) return;
  TTemporaryChangeEh<bool> Guard(FInUpdateData, true);
  if (FModified) FGrid->UpdateData();
  FModified = false;
}
