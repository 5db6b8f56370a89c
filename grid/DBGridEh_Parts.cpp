// The smaller objects a grid and its columns own: a column's drop-down
// settings, the indicator title, data grouping and the two panels (the
// scroll-bar settings are in DBGridEh_ScrollBars.cpp, the selection in
// DBGridEh_Selection.cpp). Each keeps its settings and tells the grid when
// they change.

#include "grid/DBGridEh.h"

// ---- A column's drop-down settings -------------------------------------------------------------------

void TColumnDropDownBoxEh::Assign(TPersistent* Source) {
  auto* S = dynamic_cast<TColumnDropDownBoxEh*>(Source);
  if (!S) return TPersistent::Assign(Source);
  FAutoFitColWidths = S->FAutoFitColWidths;
  FOptions = S->FOptions;
  FSortLocal = S->FSortLocal;
  SetListSource(S->FListSource);
}

void TColumnDropDownBoxEh::SetListSource(TDataSource* Value) {
  if (FListSource == Value) return;
  FListSource = Value;
  if (Value)
    if (TCustomDBGridEh* Grid = FColumn->GetGrid()) Value->FreeNotification(Grid);
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

Integer TCustomDBGridEh::GetGroupDataRowHeight(TGroupDataTreeNodeEh* Node) {
  TGridDataGroupLevelEh* Level = Node ? Node->GetDataGroupLevel() : nullptr;
  TFont* Font = Level ? Level->GetFont() : FDataGrouping->GetFont();
  Integer Height = FontTextMetricsEh(Font).tmHeight + (GetFlat() ? 1 : 3);
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

void TGridRowPanelEh::SetActive(bool Value) {
  if (FActive == Value) return;
  FActive = Value;
  FGrid->LayoutChanged();
}

void TRowDetailPanelEh::Assign(TPersistent* Source) {
  auto* S = dynamic_cast<TRowDetailPanelEh*>(Source);
  if (!S) return TPersistent::Assign(Source);
  SetActive(S->FActive);
}



TRowDetailPanelControlEh::TRowDetailPanelControlEh(TComponent* AOwner) : TCustomControl(AOwner) {
  SetBounds(0, 0, 185, 41);
}
