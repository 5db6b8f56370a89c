// The smaller objects a grid and its columns own: a column's drop-down
// settings, the indicator title, data grouping and the two panels (the
// scroll-bar settings are in DBGridEh_ScrollBars.cpp, the selection in
// DBGridEh_Selection.cpp). Each keeps its settings and tells the grid when
// they change.

#include "grid/DBGridEh.h"
#include "grid/DBLookupGridsEh.h"

// ---- A column's drop-down settings -------------------------------------------------------------------

TColumnDropDownBoxEh::TColumnDropDownBoxEh(TColumnEh* Column)
    : FColumn(Column), FSpecRow(std::make_unique<TSpecRowEh>(nullptr)) {}

TColumnDropDownBoxEh::~TColumnDropDownBoxEh() = default;

IColumnDropDownHostEh* TColumnDropDownBoxEh::Host() const { return dynamic_cast<IColumnDropDownHostEh*>(FColumn); }

// The special row and UseMultiTitle stay; the grid-held settings are copied
// only from a box whose grid was made.
void TColumnDropDownBoxEh::Assign(TPersistent* Source) {
  auto* S = dynamic_cast<TColumnDropDownBoxEh*>(Source);
  if (!S) return TPersistent::Assign(Source);
  FAutoFitColWidths = S->FAutoFitColWidths;
  const bool SourceGrid = S->FColumn && S->FColumn->GetDropDownGridIfMade();
  if (SourceGrid && Host()) {
    GetColumnDefValues()->Assign(S->GetColumnDefValues());
    if (S->GetColumns()->GetState() == csCustomized) GetColumns()->Assign(S->GetColumns());
    else GetColumns()->Clear();
    SetOptions(S->GetOptions());
    SetSortLocal(S->GetSortLocal());
  }
  SetListSource(S->FListSource);
}

void TColumnDropDownBoxEh::SetListSource(TDataSource* Value) {
  if (FListSource == Value) return;
  FListSource = Value;
  if (Value)
    if (IColumnDropDownHostEh* H = Host()) H->DropDownFreeNotification(Value);
}

bool TColumnDropDownBoxEh::GetSortLocal() const {
  IColumnDropDownHostEh* H = Host();
  return H && H->GetDropDownGrid()->GetSortLocal();
}

void TColumnDropDownBoxEh::SetSortLocal(bool Value) {
  if (IColumnDropDownHostEh* H = Host()) H->GetDropDownGrid()->SetSortLocal(Value);
}

TDBLookupGridEhOptions TColumnDropDownBoxEh::GetOptions() const {
  IColumnDropDownHostEh* H = Host();
  return H ? H->GetDropDownOptions() : TDBLookupGridEhOptions();
}

void TColumnDropDownBoxEh::SetOptions(TDBLookupGridEhOptions Value) {
  if (IColumnDropDownHostEh* H = Host()) H->SetDropDownOptions(Value);
}

TDBGridColumnsEh* TColumnDropDownBoxEh::GetColumns() const {
  IColumnDropDownHostEh* H = Host();
  return H ? H->GetDropDownGrid()->GetColumns() : nullptr;
}

TColumnDefValuesEh* TColumnDropDownBoxEh::GetColumnDefValues() const {
  IColumnDropDownHostEh* H = Host();
  return H ? H->GetDropDownGrid()->GetColumnDefValues() : nullptr;
}

// ---- Indicator title --------------------------------------------------------------------------------

void TDBGridEhIndicatorTitle::Assign(TPersistent* Source) {
  auto* S = dynamic_cast<TDBGridEhIndicatorTitle*>(Source);
  if (!S) return TPersistent::Assign(Source);
  SetDropdownMenu(S->FDropdownMenu);
  SetShowDropDownSign(S->FShowDropDownSign);
  FTitleButton = S->FTitleButton;
  FUseGlobalMenu = S->FUseGlobalMenu;
}

void TDBGridEhIndicatorTitle::SetDropdownMenu(TPopupMenu* Value) {
  FDropdownMenu = Value;
  if (Value) Value->FreeNotification(FGrid);
}

void TDBGridEhIndicatorTitle::SetShowDropDownSign(bool Value) {
  if (FShowDropDownSign == Value) return;
  FShowDropDownSign = Value;
  FGrid->InvalidateCell(0, 0);
}

// ---- Grouping and panels ------------------------------------------------------------------------------

// A group row is measured in its level's font: the grid's RowHeight and RowLines
// when set, as for data rows, else one line of text and the cell margin.
Integer TCustomDBGridEh::GetGroupDataRowHeight(TGroupDataTreeNodeEh* Node) {
  TGridDataGroupLevelEh* Level = Node ? Node->GetDataGroupLevel() : nullptr;
  TFont* Font = Level ? Level->GetFont() : FDataGrouping->GetFont();
  const Integer TextHeight = FontTextHeightEh(Font, u"Wg");
  if (FRowHeight > 0 || FRowLines > 0) return FRowLines >= 1 ? FRowLines * TextHeight + FRowHeight : FRowHeight;
  Integer Height = TextHeight + (GetFlat() ? 1 : 3);
  if (FOptions.Contains(dgRowLines)) Height += GetGridLineWidth();
  return Height;
}

void TCustomDBGridEh::RefreshDataRow(Integer FlatIndex) {
  const Integer Row = FlatIndex + DataRowsOffset();
  if (Row >= 0 && Row < GetRowCount()) InvalidateRow(Row);
}

void TGridRowPanelEh::Assign(TPersistent* Source) {
  auto* S = dynamic_cast<TGridRowPanelEh*>(Source);
  if (!S) return TPersistent::Assign(Source);
  SetActive(S->FActive);
}

void TCustomDBGridEh::SetRowPanel(TGridRowPanelEh* Value) {
  if (Value) FRowPanel->Assign(Value);
  else if (GetComponentState().Contains(csLoading)) FRowPanel->SetActive(true);
}

void TGridRowPanelEh::SetActive(bool Value) {
  if (FActive == Value) return;
  FActive = Value;
  FGrid->FRowPanelLeftOffset = 0;
  FGrid->FRowPanelColIndex =
      Value && FGrid->GetVisibleColumns()->Count() > 0 ? FGrid->GetVisibleColumns()->Items(0)->GetIndex() : -1;
  FGrid->LayoutChanged();
}

void TRowDetailPanelEh::Assign(TPersistent* Source) {
  auto* S = dynamic_cast<TRowDetailPanelEh*>(Source);
  if (!S) return TPersistent::Assign(Source);
  SetActive(S->FActive);
}
