// The grid's side of cell editing: showing, hiding and loading the cell editor
// (in row-panel mode too), the text it starts from, writing the edited text
// back into the field, the record-changed notice, stepping value cells, and
// copying a value from the row above.
//
// Typical call flow of one edit:
//   F2, Enter or a second click -> ShowEditor -> UpdateEdit -> the editor's
//   UpdateContents (GetEditText: the column's GetInplaceEditText)
//   typing -> the editor's text changes -> UpdateText -> SetEditText (pending text);
//   CanEditModify on the first key marks the data link modified
//   Enter, a move, leaving the grid -> the data link's UpdateData -> UpdateData
//   (a value the field refuses raises here, so the editor stays open)

#include "grid/DBGridEh.h"
#include "grid/ScopeGuardEh.h"

std::unique_ptr<TInplaceEdit> TCustomDBGridEh::CreateEditor() { return std::make_unique<TDBGridInplaceEdit>(nullptr); }

// ---- Showing and hiding --------------------------------------------------------------------------------

void TCustomDBGridEh::ShowEditor() {
  // The filter row's editor gives way to the cell editor.
  if (FFilterEditing) ExitFilterEditor();
  if (FRowPanel->GetActive()) FRowPanelColIndex = GetSelectedIndex();
  TCustomGridEh::ShowEditor();
}

void TCustomDBGridEh::HideEditor() {
  TCustomGridEh::HideEditor();
  if (FRowPanel->GetActive()) {
    InvalidateCell(GetCol(), GetRow());
    FRowPanelEditedCell = TGridCoord{-1, -1};
  }
}

void TCustomDBGridEh::UpdateEdit() {
  if (FRowPanel->GetActive() && CanEditShow()) {
    // The base grid's cell stays the same across a panel: the panel's own cell
    // decides when the editor writes its text back and loads the next one.
    const TGridCoord Cell{GetSelectedIndex(), GetRow()};
    if (!(Cell == FRowPanelEditedCell)) {
      HideEdit();  // writes the old cell's text back and makes the base grid load anew
      FRowPanelEditedCell = Cell;
    }
  }
  TCustomGridEh::UpdateEdit();
}

TRect TCustomDBGridEh::CellEditRect(Integer ACol, Integer ARow) {
  const bool Panel = FRowPanel->GetActive();
  TColumnEh* Column = nullptr;
  if (Panel) Column = GetCurrentColumn();
  else if (const Integer DataCol = RawToDataColumn(ACol); DataCol >= 0 && DataCol < FColumns->GetCount())
    Column = FColumns->Items(DataCol);
  if (Panel && !Column) return TCustomGridEh::CellEditRect(ACol, ARow);
  TRect R = Panel ? RowPanelCellRect(Column, CellRect(ACol, ARow), false) : TCustomGridEh::CellEditRect(ACol, ARow);
  // The first visible column leaves its group boxes and the detail box alone,
  // and the tree area before the box: the cell shows both beside the editor.
  if (Column && FVisibleColumns->Count() > 0 && FVisibleColumns->Items(0) == Column) {
    Integer Indent = (Panel ? 0 : FirstColumnIndent()) + (RowDetailPanelPainted() ? DetailBoxWidthEh : 0);
    if (TreeShown() && !EditorCoversTreeArea(Column)) Indent += TreeAreaWidth();
    if (Indent > 0 && R.Width() > Indent) {
      if (UseRightToLeftAlignment()) R.Right -= Indent;
      else R.Left += Indent;
    }
  }
  // Over a row grown by the open row detail panel the editor keeps to the data part.
  if (FRowDetailPanel->GetVisible() && ARow == GetRow() && !Panel)
    R.Bottom = std::min(R.Bottom, R.Top + GetDataRowHeightValue());
  return R;
}

void TCustomDBGridEh::InvalidateEditor() {
  TCustomGridEh::InvalidateEditor();
  if (FFilterEditing) UpdateFilterEditor(false);
}

void TCustomDBGridEh::UpdateText() {
  if (FRowPanel->GetActive() && FRowPanelEditedCell.X != -1) {
    if (TInplaceEdit* Editor = GetInplaceEditor())
      SetEditText(FRowPanelEditedCell.X, FRowPanelEditedCell.Y, Editor->GetText());
    return;
  }
  TCustomGridEh::UpdateText();
}

// ---- The edited text -----------------------------------------------------------------------------------

String TCustomDBGridEh::GetEditText(Integer, Integer) {
  if (!FDataLink->GetActive()) return String();
  TColumnEh* Column = GetCurrentColumn();
  if (!Column) return String();
  return Column->GetInplaceEditText();
}

void TCustomDBGridEh::SetEditText(Integer, Integer, const String& Value) { FEditText = Value; }

// The record changed under the editor: it is loaded again when its text no
// longer is the field's.
void TCustomDBGridEh::EditTextChanged(TField* Field) {
  TColumnEh* Column = GetCurrentColumn();
  if (!Column || (Field && Field != Column->GetField())) return;
  auto* Editor = dynamic_cast<TDBGridInplaceEdit*>(GetInplaceEditor());
  // An open list stays open while the record is loaded again.
  if (Editor) Editor->SetCloseUpSuppressed(true);
  TScopeExitEh Release([Editor] {
    if (Editor) Editor->SetCloseUpSuppressed(false);
  });
  if (FEditText != Column->GetEditFieldText()) InvalidateEditor();
}

// ---- Writing the edited text ---------------------------------------------------------------------------

void TCustomDBGridEh::UpdateData() {
  TColumnEh* Column = GetCurrentColumn();
  if (!Column) return;
  TField* Field = Column->GetField();
  const String Text = FEditText;
  if (!Field) return Column->UpdateDataValues(Text, Variant(Text), true);
  bool Recheck = false;
  switch (Column->GetColumnKind()) {
    case ckPickList:
      if (Column->GetPickList()->IndexOf(Text) < 0 && Column->OnNotInList) Column->OnNotInList(Column, Text, Recheck);
      return Column->UpdateDataValues(Text, Variant(Text), true);
    case ckKeyPickList: {
      Integer Index = Column->GetPickList()->IndexOf(Text);
      if (Index < 0 && !Text.empty() && Column->OnNotInList) {
        Column->OnNotInList(Column, Text, Recheck);
        Index = Column->GetPickList()->IndexOf(Text);
      }
      TStrings* Keys = Column->GetKeyList();
      const Variant Value = Index >= 0 && Index < Keys->GetCount() ? Variant(Keys->Get(Index)) : Null();
      return Column->UpdateDataValues(Text, Value, false);
    }
    case ckLookup: return UpdateLookupData(Column, Field, Text);
    default: break;
  }
  Column->UpdateDataValues(Text, Variant(Text), true);
}

// A lookup cell: the text is looked up in the lookup data and its keys go into
// the key fields; the special row's text stands for its value, an empty text for Null.
void TCustomDBGridEh::UpdateLookupData(TColumnEh* Column, TField* Field, const String& Text) {
  TDataSet* LookupData = Column->GetLookupListDataSet();
  TDataSet* DataSet = Field->GetDataSet();
  if (!DataSet || Field->GetKeyFields().empty()) return;
  std::vector<TField*> Keys;
  DataSet->GetFieldList(Keys, Field->GetKeyFields());
  TSpecRowEh* SpecRow = Column->GetDropDownSpecRow();
  Variant Value;
  bool Found = false;
  if (SpecRow->GetVisible() && Text == SpecRow->CellText(0)) {
    Value = SpecRow->GetValue();
    Found = true;
  } else if (Text.empty()) {
    Value = Null();
    Found = true;
  } else if (LookupData && LookupData->GetActive()) {
    const String ResultField = Field->GetLookupResultField();
    Found = LookupData->Locate(ResultField, Variant(Text), TLocateOptions{loCaseInsensitive});
    if (!Found && Column->OnNotInList) {
      bool Recheck = false;
      Column->OnNotInList(Column, Text, Recheck);
      Found = LookupData->Locate(ResultField, Variant(Text), TLocateOptions{loCaseInsensitive});
    }
    if (Found) Value = LookupData->GetFieldValues(Field->GetLookupKeyFields());
  }
  if (!Found || Keys.empty() || !AllFieldsCanModify(Keys)) return;
  DataSet->Edit();
  Column->UpdateDataValues(Text, Value, false);
}

// ---- Value cells and the row above ---------------------------------------------------------------------

void TCustomDBGridEh::StepCellValue(TColumnEh* Column, bool Backward) {
  if (Column) Column->SetNextFieldValue(Backward ? -1 : 1);
}

void TCustomDBGridEh::CopyValueFromRowAbove() {
  TColumnEh* Column = GetCurrentColumn();
  if (!FDataLink->GetActive() || !Column) return;
  const Integer DataRow = RowScrollMode() ? GetRow() - DataRowsOffset() : FDataLink->GetActiveRecord();
  if (DataRow < 1 || !Column->CanModify(false)) return;
  TField* Field = Column->GetField();
  if (!Field) return;
  const bool Lookup = Field->GetFieldKind() == fkLookup && !Field->GetKeyFields().empty();
  Variant Value;
  String Text;
  if (!BeginReadRow(DataRow - 1)) return;
  {
    TScopeExitEh Leave([this] { EndReadRow(); });
    Value = Lookup ? Field->GetDataSet()->GetFieldValues(Field->GetKeyFields()) : Field->GetValue();
    Text = Field->GetText();
  }
  ClearSelection();
  if (!Column->CanModify(true)) return;
  Column->UpdateDataValues(Text, Value, false);
  ShowEditor();
  if (TInplaceEdit* Editor = GetInplaceEditor()) Editor->SelectAll();
}
