// The lookup grid's model: columns, the data and list sides, the key, choosing,
// the size and the special row.
//
// Index of this file:
//   TLookupGridDataLinkEh, TGridColumnSpecCellEh, TDBLookupGridColumnEh
//   construction and destruction
//   the list side (ListLinkActiveChanged) and the data side (DataLinkActiveChanged)
//   the key: SetKeyValue, KeyValueChanged, LocateKey, choosing (SelectKeyValue)
//   size: the record rows and the height that fits them exactly
//   painting: the key row's highlight and the special row
//
// Typical call flow: the data side's record changes -> DataLinkRecordChanged ->
// SetKeyValue -> KeyValueChanged locates the key in the list (the list's cursor
// moves, the grid's current row follows) and takes the display text. A choice by
// the user -> SelectKeyValue writes the key into the data side, whose change
// comes back the same way; without a data side the key is set directly.

#include "grid/DBLookupGridsEh.h"

#include <algorithm>

#include "grid/ScopeGuardEh.h"
#include "platform/data/DB.h"

namespace {

bool Contains(const std::vector<TField*>& Fields, const TField* Field) {
  return std::find(Fields.begin(), Fields.end(), Field) != Fields.end();
}

String JoinNames(const std::vector<String>& Names) {
  String Result;
  for (size_t I = 0; I < Names.size(); ++I) {
    if (I > 0) Result += u';';
    Result += Names[I];
  }
  return Result;
}

// One cell text of a special row's CellsText: quoted when it holds the separator or a quote.
String QuoteCellText(const String& Text) {
  if (Text.find_first_of(u";\"") == String::npos) return Text;
  String Result = u"\"";
  for (Char Ch : Text) {
    if (Ch == u'"') Result += u'"';
    Result += Ch;
  }
  return Result + u'"';
}

}  // namespace

// ---- The data side's link -----------------------------------------------------------------------

void TLookupGridDataLinkEh::ActiveChanged() {
  if (FDBLookupGrid) FDBLookupGrid->DataLinkActiveChanged();
}

void TLookupGridDataLinkEh::LayoutChanged() {
  if (FDBLookupGrid) FDBLookupGrid->DataLinkActiveChanged();
}

void TLookupGridDataLinkEh::RecordChanged(TField* Field) {
  if (FDBLookupGrid) FDBLookupGrid->DataLinkRecordChanged(Field);
}

void TLookupGridDataLinkEh::FocusControl(TField** Field) {
  if (!FDBLookupGrid || !Field || !*Field || FDBLookupGrid->FDataFields.empty()) return;
  if (*Field != FDBLookupGrid->FDataFields.front()) return;
  if (FDBLookupGrid->CanFocus()) {
    *Field = nullptr;
    FDBLookupGrid->SetFocus();
  }
}

// ---- The special row's cell of a column ------------------------------------------------------------

TGridColumnSpecCellEh::TGridColumnSpecCellEh(TColumnEh* Column) : FColumn(Column), FFont(std::make_unique<TFont>()) {
  FFont->OnChange = [this](TObject* Sender) { FontChanged(Sender); };
}

TGridColumnSpecCellEh::~TGridColumnSpecCellEh() { FFont->OnChange = nullptr; }

TPersistent* TGridColumnSpecCellEh::GetOwner() const { return FColumn; }

TSpecRowEh* TGridColumnSpecCellEh::GridSpecRow() const {
  auto* Column = dynamic_cast<TDBLookupGridColumnEh*>(FColumn);
  TDBLookupGridEh* Grid = Column ? Column->GetLookupGrid() : nullptr;
  return Grid ? Grid->GetSpecRow() : nullptr;
}

TColor TGridColumnSpecCellEh::GetColor() const {
  if (!FColorAssigned)
    if (TSpecRowEh* Row = GridSpecRow()) return Row->GetColor();
  return FColor;
}

void TGridColumnSpecCellEh::SetColor(TColor Value) {
  FColor = Value;
  FColorAssigned = true;
}

TFont* TGridColumnSpecCellEh::GetFont() {
  if (!FFontAssigned)
    if (TSpecRowEh* Row = GridSpecRow(); Row && Row->GetFont()->GetHandle() != FFont->GetHandle()) {
      TTemporaryChangeEh<bool> Copying(FFontCopying, true);
      FFont->Assign(Row->GetFont());
    }
  return FFont.get();
}

void TGridColumnSpecCellEh::SetFont(const TFont* Value) { FFont->Assign(Value); }

void TGridColumnSpecCellEh::FontChanged(TObject*) {
  if (!FFontCopying) FFontAssigned = true;
}

String TGridColumnSpecCellEh::GetText() const {
  if (!FTextAssigned)
    if (TSpecRowEh* Row = GridSpecRow()) return Row->CellText(FColumn->GetIndex());
  return FText;
}

void TGridColumnSpecCellEh::SetText(const String& Value) {
  FText = Value;
  FTextAssigned = true;
}

void TGridColumnSpecCellEh::Assign(TPersistent* Source) {
  auto* Src = dynamic_cast<TGridColumnSpecCellEh*>(Source);
  if (!Src) return TPersistent::Assign(Source);
  SetText(Src->GetText());
  SetColor(Src->GetColor());
  if (Src->FFontAssigned) SetFont(Src->GetFont());
}

// ---- The lookup grid's column -----------------------------------------------------------------------------

TDBLookupGridColumnEh::TDBLookupGridColumnEh(TCollection* Collection)
    : TColumnEh(Collection), FSpecCell(std::make_unique<TGridColumnSpecCellEh>(this)) {}

TDBLookupGridColumnEh::~TDBLookupGridColumnEh() = default;

TDBLookupGridEh* TDBLookupGridColumnEh::GetLookupGrid() const { return dynamic_cast<TDBLookupGridEh*>(GetGrid()); }

void TDBLookupGridColumnEh::Assign(TPersistent* Source) {
  TColumnEh::Assign(Source);
  if (auto* Src = dynamic_cast<TDBLookupGridColumnEh*>(Source)) FSpecCell->Assign(Src->GetSpecCell());
}

void TDBLookupGridColumnEh::SetIndex(Integer Value) {
  TDBLookupGridEh* Grid = GetLookupGrid();
  const Integer Old = GetIndex();
  TCollection* Owner = GetCollection();
  if (!Grid || !Grid->GetDataLink()->GetActive() || !Owner || Value == Old || Value < 0 || Value >= Owner->GetCount())
    return TColumnEh::SetIndex(Value);

  Grid->BeginLayout();
  TScopeExitEh EndLayout([Grid] { Grid->EndLayout(); });
  // The special row's cell texts move with the column.
  TSpecRowEh* Special = Grid->GetSpecRow();
  std::vector<String> Parts;
  for (Integer I = 0; I < Owner->GetCount(); ++I) Parts.push_back(Special->CellText(I));
  const String Moved = Parts[size_t(Old)];
  Parts.erase(Parts.begin() + Old);
  Parts.insert(Parts.begin() + Value, Moved);
  std::vector<String> Quoted;
  for (const String& Part : Parts) Quoted.push_back(QuoteCellText(Part));
  while (!Quoted.empty() && Quoted.back().empty()) Quoted.pop_back();
  Special->SetCellsText(JoinNames(Quoted));

  if (Grid->FColumnMoveByGrid) return TColumnEh::SetIndex(Value);
  Integer Index = Grid->FListFieldIndex;
  if (Index == Old) Index = Value;
  else if (Old < Index && Value >= Index) --Index;
  else if (Old > Index && Value <= Index) ++Index;
  Grid->FListFieldIndex = Index;
  TColumnEh::SetIndex(Value);
  std::vector<String> Names;
  for (Integer I = 0; I < Owner->GetCount(); ++I)
    Names.push_back(dynamic_cast<TColumnEh*>(Owner->GetItem(I))->GetFieldName());
  Grid->FListField = JoinNames(Names);
  Grid->ListLinkActiveChanged();
}

// ---- Construction ---------------------------------------------------------------------------------------

TDBLookupGridEh::TDBLookupGridEh(TComponent* AOwner) : TCustomDBGridEh(AOwner) {
  RecreateColumnObjects();
  FControlStyle.Include(csReplicatable);
  // The grid raises its click and double-click events itself, when a row is chosen.
  FControlStyle.Exclude(csClickEvents);
  SetParentColor(false);
  FInternalSource = std::make_unique<TDataSource>(nullptr);
  FDataLinkEh = std::make_unique<TLookupGridDataLinkEh>(this);
  FSpecRow = std::make_unique<TSpecRowEh>(this);
  FSpecRow->OnChanged = [this](TObject* Sender) { SpecRowChanged(Sender); };
  FKeyValue = Null();
  SetOptions(TDBGridOptions{dgColLines, dgRowSelect});
  TDBGridEhOptions OptionsEh = GetOptionsEh();
  OptionsEh.Include(dghTraceColSizing);
  SetOptionsEh(OptionsEh);
  FLookupGridOptions = TDBLookupGridEhOptions{dlgColLinesEh};
  GetHorzScrollBar()->SetTracking(true);
  GetVertScrollBar()->SetTracking(true);
  SetFlat(true);
  SetDrawMemoText(true);
  SetTabStop(false);
  SetVTitleMargin(5);
}

TDBLookupGridEh::~TDBLookupGridEh() {
  StopTracking();
  FSpecRow->OnChanged = nullptr;
  FDataLinkEh->ClearDBLookupGrid();
  FDataLinkEh->SetDataSource(nullptr);
  // The grid's link may hold the internal source: let go of it while both live.
  SetDataSource(nullptr);
}

std::unique_ptr<TDBGridEhColumnDefValuesEh> TDBLookupGridEh::CreateColumnDefValues() {
  return std::make_unique<TDBLookupGridColumnDefValuesEh>(this);
}

std::unique_ptr<TDBGridColumnsEh> TDBLookupGridEh::CreateColumns() {
  return std::make_unique<TDBGridColumnsEh>(this, TDBLookupGridColumnEh::StaticItemClass());
}

void TDBLookupGridEh::Notification(TComponent* AComponent, TOperation Operation) {
  TCustomDBGridEh::Notification(AComponent, Operation);
  if (Operation == opRemove && FDataLinkEh && AComponent == FDataLinkEh->GetDataSource()) SetKeyDataSource(nullptr);
}

void TDBLookupGridEh::CreateWnd() {
  TCustomDBGridEh::CreateWnd();
  ApplyRowCount();
}

// ---- The list side ---------------------------------------------------------------------------------------

TDataSet* TDBLookupGridEh::GetListDataSet() const {
  TDataSource* Source = GetDataSource();
  return Source ? Source->GetDataSet() : nullptr;
}

String TDBLookupGridEh::GetKeyField() const { return FLookupMode ? String() : FKeyField; }

void TDBLookupGridEh::CheckNotLookup() {
  if (FLookupMode) throw EDatabaseError(u"Property already defined by lookup field");
  if (FDataLinkEh->GetDataSourceFixed()) throw EDatabaseError(u"Operation not allowed in a DBCtrlGrid");
}

void TDBLookupGridEh::CheckNotCircular() {
  TDataSet* List = GetListDataSet();
  TDataSource* DataSide = FDataLinkEh->GetDataSource();
  if (GetDataLink()->GetActive() && List && DataSide && List->IsLinkedTo(DataSide))
    throw EDatabaseError(u"Circular datalinks are not allowed");
}

void TDBLookupGridEh::SetListSource(TDataSource* Value) {
  CheckNotLookup();
  SetDataSource(Value);
}

void TDBLookupGridEh::SetKeyField(const String& Value) {
  CheckNotLookup();
  if (Value == FKeyField) return;
  if (!Value.empty()) CheckNotCircular();
  FKeyField = Value;
  ListLinkActiveChanged();
  UpdateColumnsWidths(GetAutoFitColWidths());
}

void TDBLookupGridEh::SetListField(const String& Value) {
  if (Value == FListField) return;
  FListField = Value;
  ListLinkActiveChanged();
  UpdateColumnsWidths(GetAutoFitColWidths());
}

void TDBLookupGridEh::SetListFieldIndex(Integer Value) {
  if (Value == FListFieldIndex) return;
  FListFieldIndex = Value;
  ListLinkActiveChanged();
}

void TDBLookupGridEh::ListLinkActiveChanged() {
  FListActive = false;
  FListFieldObj = nullptr;
  FListFields.clear();
  TDataSet* List = GetListDataSet();
  if (GetDataLink()->GetActive() && !FKeyField.empty() && List) {
    CheckNotCircular();
    std::vector<TField*> Keys;
    List->GetFieldList(Keys, FKeyField);
    try {
      List->GetFieldList(FListFields, FListField);
    } catch (const EDatabaseError&) {
      FListFields.clear();
      throw EDatabaseError(u"Field '" + FListField + u"' not found");
    }
    if (FLookupMode) {
      TField* Result = List->FindField(FDataFields.front()->GetLookupResultField());
      if (Result && !Contains(FListFields, Result)) FListFields.insert(FListFields.begin(), Result);
      FListFieldObj = Result;
    } else if (FListFields.empty()) {
      FListFields = Keys;
    }
    if (!FListFieldObj && !FListFields.empty())
      FListFieldObj = FListFieldIndex >= 0 && FListFieldIndex < Integer(FListFields.size())
                          ? FListFields[size_t(FListFieldIndex)]
                          : FListFields.front();
    FListActive = true;
    KeyValueChanged();
  }
  // Default columns show the list fields.
  if (!FInListLinkChange) LayoutChanged();
}

void TDBLookupGridEh::GetDatasetFieldList(std::vector<TField*>& FieldList) {
  if (FListActive && !FListFields.empty()) {
    FieldList.insert(FieldList.end(), FListFields.begin(), FListFields.end());
    return;
  }
  TCustomDBGridEh::GetDatasetFieldList(FieldList);
}

void TDBLookupGridEh::DataLinkActiveChanged(bool Active) {
  {
    TTemporaryChangeEh<bool> Inside(FInListLinkChange, true);
    ListLinkActiveChanged();
  }
  TCustomDBGridEh::DataLinkActiveChanged(Active);
  UpdateColumnsWidths(GetAutoFitColWidths());
  // The grid's rows exist now: the key's row is shown again.
  if (FListActive) {
    SyncActiveRow();
    UpdateListPosition();
  }
}

// ---- The data side ----------------------------------------------------------------------------------------

void TDBLookupGridEh::SetKeyDataSource(TDataSource* Value) {
  if (Value == FDataLinkEh->GetDataSource()) return;
  if (FDataLinkEh->GetDataSourceFixed()) {
    // The owner fixes the source while loading: only keep track of its end.
    if (Value) Value->FreeNotification(this);
    return;
  }
  FDataLinkEh->SetDataSource(Value);
  if (Value) Value->FreeNotification(this);
  DataLinkActiveChanged();
}

void TDBLookupGridEh::SetDataField(const String& Value) {
  if (Value == FDataFieldName) return;
  FDataFieldName = Value;
  DataLinkActiveChanged();
}

void TDBLookupGridEh::DataLinkActiveChanged() {
  FKeyFieldNames.clear();
  FDataFields.clear();
  FKeyFields.clear();
  if (FDataLinkEh->GetActive() && !FDataFieldName.empty()) {
    CheckNotCircular();
    TDataSet* DataSet = FDataLinkEh->GetDataSet();
    DataSet->GetFieldList(FDataFields, FDataFieldName);
    if (FDataFields.size() == 1 && FDataFields.front()->GetFieldKind() == fkLookup)
      DataSet->GetFieldList(FKeyFields, FDataFields.front()->GetKeyFields());
    else FKeyFields = FDataFields;
    std::vector<String> Names;
    for (TField* Field : FKeyFields) Names.push_back(Field->GetFieldName());
    FKeyFieldNames = JoinNames(Names);
  }
  SetLookupModeEh(FDataFields.size() == 1 && FDataFields.front()->GetFieldKind() == fkLookup);
  DataLinkRecordChanged(nullptr);
}

void TDBLookupGridEh::SetLookupModeEh(bool Value) {
  if (Value) {
    TField* Field = FDataFields.front();
    FInternalSource->SetDataSet(Field->GetLookupDataSet());
    FKeyField = Field->GetLookupKeyFields();
    FLookupMode = true;
    if (GetDataSource() != FInternalSource.get()) SetDataSource(FInternalSource.get());
    else ListLinkActiveChanged();
  } else if (FLookupMode) {
    FLookupMode = false;
    SetDataSource(nullptr);
    FKeyField.clear();
    FInternalSource->SetDataSet(nullptr);
    FKeyFields = FDataFields;
  }
}

void TDBLookupGridEh::DataLinkRecordChanged(TField* Field) {
  if (Field && !Contains(FKeyFields, Field)) return;
  Variant Value = Null();
  if (!FKeyFields.empty() && FDataLinkEh->GetActive())
    Value = FDataLinkEh->GetDataSet()->GetFieldValues(FKeyFieldNames);
  SetKeyValue(Value);
}

// ---- The key ----------------------------------------------------------------------------------------------

void TDBLookupGridEh::SetKeyValue(const Variant& Value) {
  if (VarEqualsEh(Value, FKeyValue)) return;
  FKeyValue = Value;
  KeyValueChanged();
}

Variant TDBLookupGridEh::ListKeyValue() const {
  TDataSet* List = GetListDataSet();
  if (!List || !List->GetActive() || FKeyField.empty()) return Null();
  return List->GetFieldValues(FKeyField);
}

bool TDBLookupGridEh::ListAtFirst() const {
  TDataSet* List = GetListDataSet();
  if (!List || !List->GetActive()) return true;
  if (IMemTableEh* Table = GetMemTableIntf()) return Table->GetCurrentRowIndex() <= 0;
  return List->Bof();
}

void TDBLookupGridEh::KeyValueChanged() {
  const bool SpecVisible = FSpecRow->GetVisible();
  if (SpecVisible) {
    FSpecRowSelected = VarEqualsEh(FKeyValue, FSpecRow->GetValue());
    if (!FInSelect && !FSpecRowSelected && FSpecRow->GetShowIfNotInKeyList()) {
      if (LocateKey()) UpdateListPosition();
      else FSpecRowSelected = true;
    }
  } else {
    FSpecRowSelected = false;
  }
  if (FListActive && !FInSelect) {
    if (!LocateKey() && !FSpecRowSelected) GetListDataSet()->First();
    UpdateListPosition();
  }
  if (SpecVisible && FSpecRowSelected) FDisplayText = FSpecRow->CellText(FListFieldIndex);
  else FDisplayText = FListFieldObj ? FListFieldObj->GetDisplayText() : String();
  Invalidate();
}

bool TDBLookupGridEh::LocateKey() {
  TDataSet* List = GetListDataSet();
  if (FKeyValue.IsNull() || !List || !List->GetActive() || FKeyField.empty() || !LocateKeyAllowed()) return false;
  if (!List->Locate(FKeyField, FKeyValue, TLocateOptions{})) return false;
  if (InInstantReadMode() && HandleAllocated() && GetRowCount() > GetFixedRows()) {
    // The found row stands in the middle of the window.
    SyncActiveRow();
    const Integer Top = GetRow() - VisibleDataRows() / 2;
    SetTopRow(std::clamp(Top, GetFixedRows(), LastTopRow()));
  }
  return true;
}

void TDBLookupGridEh::UpdateListPosition() {
  UpdateScrollBar();
  Invalidate();
}

void TDBLookupGridEh::SelectKeyValue(const Variant& Value) {
  if (!FDataLinkEh->GetActive() || FKeyFields.empty()) {
    SetKeyValue(Value);
  } else if (FDataLinkEh->Edit()) {
    FDataLinkEh->GetDataSet()->SetFieldValues(FKeyFieldNames, Value);
  }
  SyncActiveRow();
  Invalidate();
  Click();
}

void TDBLookupGridEh::SelectCurrent() {
  TTemporaryChangeEh<bool> Selecting(FInSelect, true);
  const Variant Value = ListKeyValue();
  if (!VarEqualsEh(Value, FKeyValue)) SelectKeyValue(Value);
}

void TDBLookupGridEh::SelectSpecRow() {
  {
    TTemporaryChangeEh<bool> Selecting(FInSelect, true);
    if (!VarEqualsEh(FSpecRow->GetValue(), FKeyValue)) SelectKeyValue(FSpecRow->GetValue());
  }
  if (!FSpecRowSelected) {
    FSpecRowSelected = true;
    FDisplayText = FSpecRow->CellText(FListFieldIndex);
  }
  Invalidate();
}

bool TDBLookupGridEh::CanModifyKey() {
  if (!FListActive || FDataLinkEh->GetReadOnly()) return false;
  if (!FDataLinkEh->GetDataSource()) return true;
  if (FKeyFields.empty()) return false;
  return std::all_of(FKeyFields.begin(), FKeyFields.end(), [](TField* Field) { return Field->GetCanModify(); });
}

void TDBLookupGridEh::SpecRowChanged(TObject*) {
  if (GetComponentState().Contains(csLoading)) return;
  LayoutChanged();
  ApplyRowCount();
  Invalidate();
}

void TDBLookupGridEh::UpdateColumnsWidths(bool AutoFit) {
  if (AutoFit) LayoutChanged();
}

Integer TDBLookupGridEh::SpecRowGridRow() const {
  return FSpecRow && FSpecRow->GetVisible() ? GetTitleRowCount() - 1 : -1;
}

Integer TDBLookupGridEh::GetSubTitleRowCount() const {
  return TCustomDBGridEh::GetSubTitleRowCount() + (FSpecRow && FSpecRow->GetVisible() ? 1 : 0);
}

// ---- Size -------------------------------------------------------------------------------------------------

Integer TDBLookupGridEh::NonClientHeight() { return HandleAllocated() ? GetHeight() - GetClientHeight() : 0; }

Integer TDBLookupGridEh::DataRowHeight() {
  return GetDataRowHeightValue() + (GetOptions().Contains(dgRowLines) ? GetGridLineWidth() : 0);
}

Integer TDBLookupGridEh::SpecRowHeight() { return DataRowHeight(); }

Integer TDBLookupGridEh::HeightForRows(Integer Rows) {
  const TDBGridOptions Options = GetOptions();
  return (Options.Contains(dgTitles) ? GetTitleRowHeight() : 0) +
         (Options.Contains(dgRowLines) ? GetGridLineWidth() : 0) + Rows * DataRowHeight() + NonClientHeight() +
         (FSpecRow->GetVisible() ? SpecRowHeight() : 0);
}

void TDBLookupGridEh::SetListRowCount(Integer Value) {
  FRowCount = std::clamp<Integer>(Value, 1, 100);
  ApplyRowCount();
}

void TDBLookupGridEh::ApplyRowCount() {
  if (!FSpecRow) return;
  const Integer Rows = FRowCount;
  SetBounds(GetLeft(), GetTop(), GetWidth(), HeightForRows(Rows));
  FRowCount = Rows;
}

void TDBLookupGridEh::SetBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight) {
  if (FSpecRow && !FSettingBounds) {
    TTemporaryChangeEh<bool> Setting(FSettingBounds, true);
    const Integer Rest = AHeight - NonClientHeight() - (GetOptions().Contains(dgTitles) ? GetTitleRowHeight() : 0) -
                         (FSpecRow->GetVisible() ? SpecRowHeight() : 0);
    FRowCount = std::clamp<Integer>(Rest / std::max(1, DataRowHeight()), 1, 100);
    AHeight = HeightForRows(FRowCount);
    TCustomDBGridEh::SetBounds(ALeft, ATop, AWidth, AHeight);
    return;
  }
  TCustomDBGridEh::SetBounds(ALeft, ATop, AWidth, AHeight);
}

void TDBLookupGridEh::SetShowTitles(bool Value) {
  if (Value == GetShowTitles()) return;
  TDBGridOptions Options = GetOptions();
  if (Value) Options.Include(dgTitles);
  else Options.Exclude(dgTitles);
  const Integer Rows = FRowCount;
  SetOptions(Options);
  FRowCount = Rows;
  ApplyRowCount();
}

void TDBLookupGridEh::SetLookupUseMultiTitle(bool Value) {
  SetUseMultiTitle(Value);
  ApplyRowCount();
}

void TDBLookupGridEh::SetLookupGridOptions(TDBLookupGridEhOptions Value) {
  FLookupGridOptions = Value;
  TDBGridOptions Options = GetOptions();
  TDBGridEhOptions OptionsEh = GetOptionsEh();
  const auto Switch = [](auto& Set, auto Member, bool On) {
    if (On) Set.Include(Member);
    else Set.Exclude(Member);
  };
  Switch(Options, dgColumnResize, Value.Contains(dlgColumnResizeEh));
  Switch(Options, dgColLines, Value.Contains(dlgColLinesEh));
  Switch(Options, dgRowLines, Value.Contains(dlgRowLinesEh));
  Switch(OptionsEh, dghAutoSortMarking, Value.Contains(dlgAutoSortMarkingEh));
  Switch(OptionsEh, dghMultiSortMarking, Value.Contains(dlgMultiSortMarkingEh));
  const Integer Rows = FRowCount;
  SetOptions(Options);
  SetOptionsEh(OptionsEh);
  FRowCount = Rows;
  ApplyRowCount();
}

Integer TDBLookupGridEh::GetColumnsWidthToFit() {
  const Integer Line = GetOptions().Contains(dgColLines) ? GetGridLineWidth() : 0;
  Integer Width = 0;
  for (Integer I = 0; I < GetVisibleColumns()->Count(); ++I) {
    TColumnEh* Column = GetVisibleColumns()->GetColumn(I);
    Width += (GetAutoFitColWidths() && Column->GetInitWidth() > 0 ? Column->GetInitWidth() : Column->GetWidth()) + Line;
  }
  return Width;
}

TRect TDBLookupGridEh::DataRect() {
  const Integer FirstDataRow = GetTitleRowCount();
  Integer Top = 0;
  if (FirstDataRow > 0 && FirstDataRow < GetRowCount()) Top = CellRect(GetLeftCol(), GetTopRow()).Top;
  return TRect(0, Top, GetClientWidth(), GetClientHeight());
}

// ---- Painting ----------------------------------------------------------------------------------------------

bool TDBLookupGridEh::GetHighlightColors(Integer, Integer, Integer, Integer, TGridDrawState, bool, TFont* AFont,
                                         TColor& Background) {
  if (FKeyValue.IsNull() || !FListActive || GetLayoutLock() != 0) return false;
  if (!VarEqualsEh(ListKeyValue(), FKeyValue)) return false;
  Background = clHighlight;
  AFont->SetColor(clHighlightText);
  return true;
}

bool TDBLookupGridEh::CanCellHotTrack(Integer ACol, Integer ARow) {
  if (ARow == SpecRowGridRow()) return false;
  return TCustomDBGridEh::CanCellHotTrack(ACol, ARow);
}

void TDBLookupGridEh::DrawSubTitleCell(Integer ACol, Integer ARow, Integer DataCol, Integer DataRow, const TRect& ARect,
                                       TGridDrawState State, TCellTypeEh CellType) {
  if (ARow != SpecRowGridRow())
    return TCustomDBGridEh::DrawSubTitleCell(ACol, ARow, DataCol, DataRow, ARect, State, CellType);
  TCanvas* Canvas = GetCanvas();
  if (ACol < GetIndicatorOffset() || DataCol >= GetColumns()->GetCount()) {
    Canvas->GetBrush()->SetColor(GetFixedColor());
    Canvas->FillRect(ARect);
    return;
  }
  TColumnEh* Column = GetColumns()->Items(DataCol);
  auto* LookupColumn = dynamic_cast<TDBLookupGridColumnEh*>(Column);
  Canvas->GetFont()->Assign(LookupColumn ? LookupColumn->GetSpecCell()->GetFont() : FSpecRow->GetFont());
  TColor Background = LookupColumn ? LookupColumn->GetSpecCell()->GetColor() : FSpecRow->GetColor();
  const String Text = LookupColumn ? LookupColumn->GetSpecCell()->GetText() : FSpecRow->CellText(Column->GetIndex());
  if (FSpecRowSelected) {
    Background = clHighlight;
    Canvas->GetFont()->SetColor(clHighlightText);
  }
  Canvas->GetBrush()->SetColor(Background);
  const TAlignment Alignment = Column->GetAlignment();
  WriteCellTextEh(this, Column, Canvas, ARect, true, 2, 2, Text, Alignment, tlTop, false, Column->GetEndEllipsis(), 0,
                  2);
}

void TDBLookupGridEh::Paint() {
  TCustomDBGridEh::Paint();
  const Integer Row = SpecRowGridRow();
  if (Row < 0 || !FSpecRowSelected || GetVisibleColumns()->Count() == 0) return;
  // A focus rectangle across the whole special row.
  const TRect First = CellRect(GetIndicatorOffset(), Row);
  const TRect Last = CellRect(GetColCount() - 1, Row);
  TRect R(First.Left, First.Top, std::max(First.Right, Last.Right), First.Bottom);
  if (R.Width() <= 0 || R.Height() <= 0) return;
  TCanvas* Canvas = GetCanvas();
  Canvas->GetFont()->SetColor(clWindowText);
  Canvas->GetBrush()->SetColor(clWindow);
  Canvas->DrawFocusRect(R);
}
