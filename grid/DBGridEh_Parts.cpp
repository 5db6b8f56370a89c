// The smaller objects a grid and its columns own: a column's drop-down
// settings, the indicator title, the selection, data grouping and the two
// panels (the scroll-bar settings are in DBGridEh_ScrollBars.cpp). Each keeps
// its settings and tells the grid when they change.

#include <algorithm>

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

// ---- Selection --------------------------------------------------------------------------------------

void TDBGridEhSelectionRect::Clear() {
  FAnchorColIndex = FShiftColIndex = -1;
  FAnchorBookmark = FShiftBookmark = TBookmark();
  FGrid->Invalidate();
  FGrid->GetSelection()->SelectionChanged();
}

void TDBGridEhSelectionRect::Select(Integer ColumnIndex, const TBookmark& Bookmark, bool Extend) {
  TDBGridEhSelection* Selection = FGrid->GetSelection();
  if (Selection->GetSelectionType() != gstRectangle) Selection->Clear();
  if (FAnchorColIndex < 0 || !Extend) {
    FAnchorColIndex = ColumnIndex;
    FAnchorBookmark = Bookmark;
  }
  FShiftColIndex = ColumnIndex;
  FShiftBookmark = Bookmark;
  TDataSet* DataSet = FGrid->GetDataLink()->GetDataSet();
  const bool OneCell = FAnchorColIndex == FShiftColIndex && DataSet &&
                       DataSet->CompareBookmarks(FAnchorBookmark, FShiftBookmark) == 0;
  Selection->SetSelectionType(OneCell ? gstNon : gstRectangle);
  FGrid->Invalidate();
  Selection->SelectionChanged();
}

namespace {
TDataSet* RectDataSet(TCustomDBGridEh* Grid, bool Empty, const char16_t* Operation) {
  TGridDataLinkEh* Link = Grid->GetDataLink();
  if (!Link->GetActive() || !Link->GetDataSet() || Empty) RaiseInvalidGridOperationEh(Operation);
  return Link->GetDataSet();
}
}  // namespace

TBookmark TDBGridEhSelectionRect::GetTopRow() const {
  TDataSet* DataSet = RectDataSet(FGrid, IsEmpty(), u"Error in TDBGridEhSelectionRect.GetTopRow");
  return DataSet->CompareBookmarks(FAnchorBookmark, FShiftBookmark) <= 0 ? FAnchorBookmark : FShiftBookmark;
}

TBookmark TDBGridEhSelectionRect::GetBottomRow() const {
  TDataSet* DataSet = RectDataSet(FGrid, IsEmpty(), u"Error in TDBGridEhSelectionRect.GetBottomRow");
  return DataSet->CompareBookmarks(FAnchorBookmark, FShiftBookmark) <= 0 ? FShiftBookmark : FAnchorBookmark;
}

Integer TDBGridEhSelectionRect::GetLeftCol() const {
  RectDataSet(FGrid, IsEmpty(), u"Error in TDBGridEhSelectionRect.GetLeftCol");
  return std::min(FAnchorColIndex, FShiftColIndex);
}

Integer TDBGridEhSelectionRect::GetRightCol() const {
  RectDataSet(FGrid, IsEmpty(), u"Error in TDBGridEhSelectionRect.GetRightCol");
  return std::max(FAnchorColIndex, FShiftColIndex);
}

bool TDBGridEhSelectionRect::CellSelected(Integer ColumnIndex, const TBookmark& Bookmark) const {
  TDataSet* DataSet = RectDataSet(FGrid, false, u"Error in function TDBGridEhSelectionRect.CellSelected");
  if (IsEmpty()) return false;
  return DataSet->CompareBookmarks(Bookmark, GetTopRow()) >= 0 &&
         DataSet->CompareBookmarks(Bookmark, GetBottomRow()) <= 0 && ColumnIndex >= GetLeftCol() &&
         ColumnIndex <= GetRightCol();
}

void TDBGridEhSelectionCols::Add(TColumnEh* Column, bool Keep) {
  TDBGridEhSelection* Selection = FGrid->GetSelection();
  if (Selection->GetSelectionType() != gstColumns) Selection->Clear();
  if (!Keep) TColumnsEhList::Clear();
  if (IndexOf(Column) < 0) {
    Integer Pos = 0;
    while (Pos < Count() && GetColumn(Pos)->GetIndex() < Column->GetIndex()) ++Pos;
    Insert(Pos, Column);
  }
  FAnchor = FShiftCol = Column;
  Selection->SetSelectionType(gstColumns);
  FGrid->InvalidateCol(FGrid->DataToRawColumn(Column->GetIndex()));
  Selection->SelectionChanged();
}

void TDBGridEhSelectionCols::Clear() {
  for (Integer I = 0; I < Count(); ++I)
    if (GetColumn(I)) FGrid->InvalidateCol(FGrid->DataToRawColumn(GetColumn(I)->GetIndex()));
  TColumnsEhList::Clear();
  FAnchor = FShiftCol = nullptr;
  FGrid->GetSelection()->SelectionChanged();
}

void TDBGridEhSelectionCols::Refresh() {
  TDBGridColumnsEh* Columns = FGrid->GetColumns();
  for (Integer I = Count() - 1; I >= 0; --I) {
    bool Present = false;
    for (Integer J = 0; J < Columns->GetCount() && !Present; ++J) Present = Columns->Items(J) == GetColumn(I);
    if (!Present) Delete(I);
  }
  std::vector<TColumnEh*> Sorted;
  for (Integer I = 0; I < Count(); ++I) Sorted.push_back(GetColumn(I));
  std::stable_sort(Sorted.begin(), Sorted.end(),
                   [](TColumnEh* A, TColumnEh* B) { return A->GetIndex() < B->GetIndex(); });
  for (Integer I = 0; I < Count(); ++I) SetItem(I, Sorted[size_t(I)]);
}

TDBGridEhSelection::TDBGridEhSelection(TCustomDBGridEh* Grid)
    : FColumns(std::make_unique<TDBGridEhSelectionCols>(Grid)),
      FGrid(Grid),
      FRect(std::make_unique<TDBGridEhSelectionRect>(Grid)) {}

TDBGridEhSelection::~TDBGridEhSelection() = default;

TBookmarkListEh* TDBGridEhSelection::GetRows() const { return FGrid->GetSelectedRows(); }

void TDBGridEhSelection::SelectionChanged() {
  if (FGrid->OnSelectionChanged && !FGrid->GetComponentState().Contains(csDestroying))
    FGrid->OnSelectionChanged(FGrid);
}

void TDBGridEhSelection::SetSelectionType(TDBGridEhSelectionType Value) {
  if (FSelectionType == Value) return;
  FSelectionType = Value;
  FGrid->Invalidate();
}

void TDBGridEhSelection::Clear() {
  switch (FSelectionType) {
    case gstRecordBookmarks: GetRows()->Clear(); break;
    case gstRectangle: FRect->Clear(); break;
    case gstColumns: FColumns->Clear(); break;
    case gstAll: FGrid->Invalidate(); break;
    case gstNon: break;
  }
  FSelectionType = gstNon;
  if (FGrid->GetOptions().Contains(dgAlwaysShowEditor) && FGrid->CanEditorMode()) FGrid->ShowEditor();
}

void TDBGridEhSelection::SelectAll() {
  if (FSelectionType == gstAll) return;
  if (FSelectionType != gstNon) Clear();
  FSelectionType = gstAll;
  FGrid->Invalidate();
  SelectionChanged();
}

void TDBGridEhSelection::UpdateState() {
  if ((FSelectionType == gstRecordBookmarks && GetRows()->GetCount() == 0) ||
      (FSelectionType == gstColumns && FColumns->Count() == 0))
    SetSelectionType(gstNon);
}

void TDBGridEhSelection::LinkActiveChanged(bool Active) {
  GetRows()->SetLinkActive(Active);
  Clear();
}

// ---- Grouping and panels ------------------------------------------------------------------------------

bool TDBGridEhDataGroupsEh::IsGroupingWorks() const {
  return GetActive() && GetMemTable() && GetGrid()->GetDataLink()->GetActive() && GetActiveGroupLevelsCount() > 0;
}

void TDBGridEhDataGroupsEh::ActiveChanged() { RegroupData(); }

void TDBGridEhDataGroupsEh::RegroupData() {
  if (GridGone()) return;
  if (IsGroupingWorks()) GetGroupDataTree()->RebuildDataTree(GetMemTable());
  else GetGroupDataTree()->ClearFromLevel(1);
  GetGrid()->LayoutChanged();
}

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

void TRowDetailPanelEh::SetActive(bool Value) {
  if (FActive == Value) return;
  FActive = Value;
  if (!Value) FVisible = false;
  FGrid->LayoutChanged();
}

void TRowDetailPanelEh::SetVisible(bool Value) {
  if (FVisible == Value) return;
  // Opening needs an active link over a dataset with records.
  TDataSet* DataSet = FGrid->GetDataLink()->GetDataSet();
  if (Value && (!FGrid->GetDataLink()->GetActive() || !DataSet || DataSet->IsEmpty())) return;
  FVisible = Value;
}

TRowDetailPanelControlEh::TRowDetailPanelControlEh(TComponent* AOwner) : TCustomControl(AOwner) {
  SetBounds(0, 0, 185, 41);
}
