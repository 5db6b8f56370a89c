// The editors' field link and the edit image.
//
// A link is bound (a data source or a field name set) or data-independent
// (neither): a data-independent link keeps the editor's value in DataValue and
// tells the editor of it as a bound one tells of the field's changes.

#include <algorithm>

#include "editors/DBCtrlsEh.h"
#include "editors/DBCtrlsEh_Internal.h"
#include "platform/ui/Controls.h"

// ---- TFieldDataLinkEh -----------------------------------------------------------------------------

TFieldDataLinkEh::TFieldDataLinkEh() { SetVisualControl(true); }

bool TFieldDataLinkEh::HasField(TField* Field) const {
  return std::find(FFields.begin(), FFields.end(), Field) != FFields.end();
}

bool TFieldDataLinkEh::Edit() {
  if (FDataIndependent) {
    if (!FEditing && !GetReadOnly()) {
      FEditing = true;
      FModified = false;
      if (OnEditingChange) OnEditingChange(this);
    }
  } else if (CanModify()) {
    TDataLink::Edit();
  }
  return FEditing;
}

bool TFieldDataLinkEh::LinkActive() const { return FDataIndependent || (GetActive() && GetField()); }

bool TFieldDataLinkEh::CanModify() const { return FDataIndependent || (GetField() && GetField()->GetCanModify()); }

void TFieldDataLinkEh::Reset() { RecordChanged(nullptr); }

void TFieldDataLinkEh::SetText(const String& Text) {
  if (FDataIndependent) {
    FDataValue = Variant(Text);
    Reset();
    return;
  }
  TField* field = GetField();
  if (!field) return;
  if (dbctrlseh_detail::IsMemoField(field)) field->SetAsString(Text);
  else field->SetText(Text);
}

void TFieldDataLinkEh::SetValue(const Variant& Value) {
  if (FDataIndependent) {
    FDataValue = Value;
    Reset();
    return;
  }
  if (FFields.size() >= 2) {
    if (Value.IsNull()) {
      for (TField* f : FFields) f->Clear();
      return;
    }
    const Integer low = VarArrayLowBound(Value);
    for (size_t i = 0; i < FFields.size(); ++i) FFields[i]->SetValue(VarArrayGet(Value, low + Integer(i)));
    return;
  }
  if (TField* field = GetField()) field->SetValue(Value);
}

void TFieldDataLinkEh::SetFieldName(const String& Value) {
  if (FFieldName == Value) return;
  FFieldName = Value;
  UpdateField();
  UpdateDataIndependent();
}

void TFieldDataLinkEh::SetDataSource(TDataSource* Value) {
  if (GetDataSource() != Value) TDataLink::SetDataSource(Value);
  UpdateField();
  UpdateDataIndependent();
}

void TFieldDataLinkEh::SetMultiFields(bool Value) {
  if (FMultiFields == Value) return;
  FMultiFields = Value;
  UpdateField();
}

void TFieldDataLinkEh::UpdateField() {
  FFields.clear();
  if (GetActive() && !FFieldName.empty()) {
    TFieldsArrEh fields;
    TDataSet* ds = GetDataSet();
    if (!FMultiFields) {
      fields.push_back(FControl ? GetFieldProperty(ds, FControl, FFieldName) : ds->FieldByName(FFieldName));
    } else if (FControl) {
      GetFieldListEh(&fields, ds, FControl, FFieldName);
    } else {
      ds->GetFieldList(fields, FFieldName);
    }
    FFields = std::move(fields);
  }
  EditingChanged();
  RecordChanged(nullptr);
  // Right to left, a field whose alignment is not mirrored takes a window without
  // the right-aligned style, and the other way round.
  if (auto* control = dynamic_cast<TWinControl*>(FControl); control && control->HandleAllocated()) {
    const bool right = GetWindowLong(control->GetHandle(), GWL_EXSTYLE) & WS_EX_RIGHT;
    if (right != DBUseRightToLeftAlignment(control, GetField())) control->Perform(CM_RECREATEWND);
  }
}

void TFieldDataLinkEh::UpdateDataIndependent() {
  const bool independent = !GetDataSource() && FFieldName.empty();
  if (independent == FDataIndependent) return;
  FDataIndependent = independent;
  FDataValue = Null();
  FEditing = false;
  UpdateField();
  if (independent) RecordChanged(nullptr);
}

void TFieldDataLinkEh::DataEvent(TDataEvent Event, TDataEventInfo Info) {
  if (Event == deDisabledStateChange) {
    // Controls enabled again find their fields again; disabled, they hold none.
    if (Info) UpdateField();
    else FFields.clear();
    return;
  }
  TDataLink::DataEvent(Event, Info);
}

void TFieldDataLinkEh::ActiveChanged() {
  UpdateField();
  if (OnActiveChange) OnActiveChange(this);
}

void TFieldDataLinkEh::LayoutChanged() { UpdateField(); }

void TFieldDataLinkEh::EditingChanged() {
  if (FDataIndependent) return;
  const bool editing = TDataLink::GetEditing() && CanModify();
  if (editing == FEditing) return;
  FEditing = editing;
  if (OnEditingChange) OnEditingChange(this);
}

void TFieldDataLinkEh::RecordChanged(TField* Field) {
  if (!Field || HasField(Field)) {
    if (OnDataChange) OnDataChange(this);
    FModified = false;
  }
}

void TFieldDataLinkEh::FocusControl(TField** Field) {
  if (!Field || !*Field || !HasField(*Field)) return;
  auto* control = dynamic_cast<TWinControl*>(FControl);
  if (!control || !control->CanFocus()) return;
  *Field = nullptr;
  control->SetFocus();
}

void TFieldDataLinkEh::UpdateData() {
  if (!FModified) return;
  // A change the program made while the dataset browses cannot be written: the
  // dataset is not editing, and writing would raise instead of leaving the editor.
  TDataSet* ds = GetDataSet();
  const bool writable = FDataIndependent || (ds && dsEditModes.Contains(ds->GetState()));
  if (writable && (FDataIndependent || GetField())) {
    if (OnUpdateData) OnUpdateData(this);
  }
  FModified = false;
  if (FDataIndependent && FEditing) {
    FEditing = false;
    if (OnEditingChange) OnEditingChange(this);
  }
}

// ---- TEditImageEh ---------------------------------------------------------------------------------------

TEditImageEh::TEditImageEh(TWinControl* EditControl) : FEditControl(EditControl) {}

void TEditImageEh::Assign(TPersistent* Source) {
  auto* src = dynamic_cast<TEditImageEh*>(Source);
  if (!src) {
    TPersistent::Assign(Source);
    return;
  }
  SetImages(src->FImages);
  SetImageIndex(src->FImageIndex);
  SetVisible(src->FVisible);
  SetWidth(src->FWidth);
}

void TEditImageEh::LayoutChanged() {
  if (FEditControl) FEditControl->Perform(WM_EDITIMAGECHANGED);
}

void TEditImageEh::SetImageIndex(Integer Value) {
  if (FImageIndex == Value) return;
  FImageIndex = Value;
  if (FEditControl) FEditControl->Invalidate();
}

void TEditImageEh::SetImages(TCustomImageList* Value) {
  if (FImages == Value) return;
  FImages = Value;
  if (FImages && FEditControl) FImages->FreeNotification(FEditControl);
  LayoutChanged();
}

void TEditImageEh::SetUseImageHeight(bool Value) {
  if (FUseImageHeight == Value) return;
  FUseImageHeight = Value;
  LayoutChanged();
}

void TEditImageEh::SetVisible(bool Value) {
  if (FVisible == Value) return;
  FVisible = Value;
  LayoutChanged();
}

void TEditImageEh::SetWidth(Integer Value) {
  if (FWidth == Value) return;
  FWidth = Value;
  LayoutChanged();
}
