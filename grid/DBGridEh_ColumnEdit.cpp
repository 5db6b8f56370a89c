// A column's side of editing: the text the cell editor starts from, writing an
// edited text or value into the field (OnUpdateData first), the check state set
// from a cell, and stepping a cell to its next or previous value.

#include "editors/ToolCtrlsEh.h"
#include "grid/DBGridEh.h"
#include "grid/DBLookupGridsEh.h"

namespace {

// The first ';'-separated value of a key-list line, blanks around it dropped.
String FirstLineValue(const String& Line) {
  const size_t End = Line.find(u';');
  return Trim(Line.substr(0, End));
}

// The index Step reaches from Index in a list of Count entries: exactly 1 steps
// forward, anything else backward, wrapping at both ends (and from "none").
Integer SteppedIndex(Integer Index, Integer Count, Extended Step) {
  if (Step == 1) return Index == -1 || Index == Count - 1 ? 0 : Index + 1;
  return Index == -1 || Index == 0 ? Count - 1 : Index - 1;
}

}  // namespace

// ---- The drop-down grid --------------------------------------------------------------------------------

void TColumnEh::DropDownFreeNotification(TComponent* Component) {
  if (TCustomDBGridEh* Grid = GetGrid(); Grid && Component) Component->FreeNotification(Grid);
}

TPopupDataGridEh* TColumnEh::GetDropDownGrid() {
  if (!FDropDownGrid) {
    FDropDownGrid = std::make_unique<TPopupDataGridEh>(nullptr);
    FDropDownGrid->SetName(u"DataList");
    FDropDownGrid->SetVisible(false);
  }
  return FDropDownGrid.get();
}

TDBLookupGridEhOptions TColumnEh::GetDropDownOptions() { return GetDropDownGrid()->GetLookupGridOptions(); }

void TColumnEh::SetDropDownOptions(TDBLookupGridEhOptions Value) { GetDropDownGrid()->SetLookupGridOptions(Value); }

TCheckTitleEhBtnEvent TColumnEh::GetOnDropDownBoxCheckButton() { return GetDropDownGrid()->OnCheckButton; }
void TColumnEh::SetOnDropDownBoxCheckButton(TCheckTitleEhBtnEvent Value) {
  GetDropDownGrid()->OnCheckButton = std::move(Value);
}
TDrawColumnEhCellEvent TColumnEh::GetOnDropDownBoxDrawColumnCell() { return GetDropDownGrid()->OnDrawColumnCell; }
void TColumnEh::SetOnDropDownBoxDrawColumnCell(TDrawColumnEhCellEvent Value) {
  GetDropDownGrid()->OnDrawColumnCell = std::move(Value);
}
TGetCellEhParamsEvent TColumnEh::GetOnDropDownBoxGetCellParams() { return GetDropDownGrid()->OnGetCellParams; }
void TColumnEh::SetOnDropDownBoxGetCellParams(TGetCellEhParamsEvent Value) {
  GetDropDownGrid()->OnGetCellParams = std::move(Value);
}
TNotifyEvent TColumnEh::GetOnDropDownBoxSortMarkingChanged() { return GetDropDownGrid()->OnSortMarkingChanged; }
void TColumnEh::SetOnDropDownBoxSortMarkingChanged(TNotifyEvent Value) {
  GetDropDownGrid()->OnSortMarkingChanged = std::move(Value);
}
TTitleEhBtnClickEvent TColumnEh::GetOnDropDownBoxTitleBtnClick() { return GetDropDownGrid()->OnTitleBtnClick; }
void TColumnEh::SetOnDropDownBoxTitleBtnClick(TTitleEhBtnClickEvent Value) {
  GetDropDownGrid()->OnTitleBtnClick = std::move(Value);
}

// The drop-down grid shows the display fields and the special row the column has.
void TColumnEh::SetLookupDisplayFields(const String& Value) {
  SetComparing(FLookupDisplayFields, Value, DefaultLookupDisplayFields(), cvLookupDisplayFields, false);
  if (FDropDownGrid) FDropDownGrid->SetListField(GetLookupDisplayFields());
}

void TColumnEh::DropDownSpecRowChanged(TObject*) {
  Changed(false);
  if (FDropDownGrid) FDropDownGrid->SetSpecRow(FDropDownSpecRow.get());
}

void TColumnEh::OptimizeWidth() {
  TCustomDBGridEh* Grid = GetGrid();
  if (!Grid) return;
  TColumnsEhList Columns;
  Columns.Add(this);
  Grid->OptimizeColsWidth(&Columns);
}

// ---- The editor's text -----------------------------------------------------------------------------

// Whether the special row stands for the keys of a lookup cell being edited: its
// value is the keys, or it shows for keys the lookup data cannot find.
bool TColumnEh::SpecRowStandsForKeys(TField* Field, const Variant& Keys) const {
  if (!FDropDownSpecRow->GetVisible()) return false;
  if (VarEqualsEh(Keys, FDropDownSpecRow->GetValue())) return true;
  if (!FDropDownSpecRow->GetShowIfNotInKeyList()) return false;
  TDataSet* LookupData = Field->GetLookupDataSet();
  if (!LookupData || !LookupData->GetActive()) return true;
  return !LookupData->Locate(Field->GetLookupKeyFields(), Keys, TLocateOptions{loCaseInsensitive});
}

String TColumnEh::GetInplaceEditText() {
  TCustomDBGridEh* Grid = GetGrid();
  String Text = GetEditFieldText();
  TField* Field = GetField();
  if (Grid) {
    Variant Key = Null();
    TDataSet* DataSet = Field ? Field->GetDataSet() : nullptr;
    if (Field && DataSet && Field->GetFieldKind() == fkLookup && !Field->GetKeyFields().empty() && DataLinkActive()) {
      Key = DataSet->GetFieldValues(Field->GetKeyFields());
      if (SpecRowStandsForKeys(Field, Key)) {
        Key = FDropDownSpecRow->GetValue();
        Text = FDropDownSpecRow->CellText(0);
      }
    }
    Grid->SetEditKeyValue(Key);
    TColCellParamsEh* Params = Grid->GetCellParamsObject();
    Params->SetText(Text);
    Params->SetFont(Grid->GetCanvas()->GetFont());
    GetColCellParams(true, Params);
    Text = Params->GetText();
    Grid->SetPendingEditText(Text);
  }
  return Text;
}

// ---- Writing into the field ------------------------------------------------------------------------

void TColumnEh::UpdateDataValues(const String& Text, const Variant& Value, bool UseText) {
  TCustomDBGridEh* Grid = GetGrid();
  String NewText = Text;
  Variant NewValue = Value;
  bool ByText = UseText, Handled = false;
  if (Grid && OnUpdateData) OnUpdateData(this, NewText, NewValue, ByText, Handled);
  TField* Field = GetField();
  if (!Handled && Field) {
    if (ByText) {
      if (Grid && Grid->DrawsMemoTextOf(Field)) Field->SetAsString(NewText);
      else Field->SetText(NewText);
    } else if (Field->GetFieldKind() == fkLookup && !Field->GetKeyFields().empty() && Field->GetDataSet()) {
      Field->GetDataSet()->SetFieldValues(Field->GetKeyFields(), NewValue);
    } else {
      Field->SetValue(NewValue);
    }
  }
  TInplaceEdit* Editor = Grid ? Grid->GetInplaceEditor() : nullptr;
  if (FMRUList->GetActive() && FMRUList->GetAutoAdd() && Editor && Editor->GetVisible() && Editor->GetModified())
    FMRUList->Add(NewText);
}

void TColumnEh::SetCheckboxState(Integer State) {
  TField* Field = GetField();
  if (!Field) return;
  if (State == 2) return UpdateDataValues(String(), Null(), false);
  const bool Checked = State == 1;
  if (!HasKeyListItems() && Field->GetDataType() == ftBoolean)
    return UpdateDataValues(String(), Variant(Checked), false);
  if (!HasKeyListItems() && IsNumberFieldTypeEh(Field->GetDataType()) && Field->GetDataType() != ftWord)
    return UpdateDataValues(String(), Variant(Checked ? 1 : 0), false);
  const Integer Line = Checked ? 0 : 1;
  const String Text = FKeyList && Line < FKeyList->GetCount() ? FirstLineValue(FKeyList->Get(Line)) : String();
  UpdateDataValues(Text, Variant(Text), true);
}

// ---- Stepping a cell --------------------------------------------------------------------------------

// The conditions under which a cell may take its next value, the dataset put
// into edit state on the way.
bool TColumnEh::CanStepValue() {
  TCustomDBGridEh* Grid = GetGrid();
  TGridDataLinkEh* Link = Grid ? Grid->GetDataLink() : nullptr;
  if (!Grid || Grid->GetReadOnly() || !Link->GetActive() || Link->GetReadOnly() || GetReadOnly()) return false;
  TField* Tested = FieldToModify();
  if (!Tested || !Tested->GetCanModify() || (Tested->IsBlob() && !Tested->OnSetText)) return false;
  TDataSet* DataSet = Link->GetDataSet();
  const TDBGridEhAllowedOperations Allowed = Grid->GetAllowedOperations();
  if (!Allowed.Contains(alopUpdateEh) && DataSet->GetState() != dsInsert) return false;
  if (DataSet->IsEmpty() && !Allowed.Contains(alopInsertEh) && !Allowed.Contains(alopAppendEh)) return false;
  const bool Modifiable = CanModify(false);
  TColCellParamsEh* Params = Grid->GetCellParamsObject();
  Params->SetReadOnly(!Modifiable);
  GetColCellParams(true, Params);
  if (Params->GetReadOnly()) return false;
  Link->Edit();
  return Link->GetEditing();
}

void TColumnEh::SetNextFieldValue(Extended Increment) {
  if (!CanStepValue()) return;
  TField* Field = GetField();
  switch (GetColumnKind()) {
    case ckCheckBox: return SetCheckboxState(GetCheckboxState() == 1 ? 0 : 1);
    case ckKeyPickList:
    case ckImageList: {
      if (!HasKeyListItems()) break;
      const Integer Count = FKeyList->GetCount();
      const Integer Next = SteppedIndex(FKeyList->IndexOf(Field->GetText()), Count, Increment);
      const String Key = FKeyList->Get(Next);
      return UpdateDataValues(Key, Variant(Key), false);
    }
    case ckPickList: {
      const Integer Count = FPickList->GetCount();
      const Integer Index = FPickList->IndexOf(Field->GetText());
      const Integer Next = SteppedIndex(Index, Count, Increment);
      const String Item = FPickList->Get(Next);
      if (Index == -1 || (Increment == 1 && Index == Count - 1) || (Increment != 1 && Index == 0)) Field->SetText(Item);
      else UpdateDataValues(Item, Variant(Item), true);
      return;
    }
    case ckLookup: {
      TDataSet* LookupData = GetLookupListDataSet();
      if (!LookupData || !LookupData->GetActive() || LookupData->IsEmpty()) return;
      TDataSet* DataSet = Field->GetDataSet();
      const Variant Keys = DataSet->GetFieldValues(Field->GetKeyFields());
      if (Field->GetIsNull() || VarIsNullOrEmpty(Keys)) {
        LookupData->First();
      } else if (!LookupData->Locate(Field->GetLookupKeyFields(), Keys, TLocateOptions())) {
        LookupData->First();
      } else if (Increment == 1) {
        LookupData->Next();
        if (LookupData->GetEof()) LookupData->First();
      } else {
        LookupData->Prior();
        if (LookupData->GetBof()) LookupData->Last();
      }
      const Variant NewKeys = LookupData->GetFieldValues(Field->GetLookupKeyFields());
      TField* Result = LookupData->FindField(Field->GetLookupResultField());
      UpdateDataValues(Result ? Result->GetText() : String(), NewKeys, false);
      return;
    }
    default: break;
  }
  if (!IsNumberFieldTypeEh(Field->GetDataType())) return;
  const Extended Old = Field->GetIsNull() ? -Increment : Field->GetAsFloat();
  UpdateDataValues(String(), Variant(Old + Increment), false);
}
