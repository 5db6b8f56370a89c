// The grid's selection: one of a set of records (the selected-rows list), a
// rectangle of cells between two records and two columns, a set of columns, or
// everything; and the tests that say which edit actions the selection allows.
//
// Index of this file:
//   TDBGridEhSelectionRect    anchor and shift cell, bounds, the repaint of a change
//   TDBGridEhSelectionCols    adding, flipping and sweeping columns
//   TDBGridEhSelection        the kind, clearing, select all, bounds
//   the grid's selection rules (CanSelectType, IsCellSelected) and edit-action tests
//
// Rectangle column indexes count the visible columns; bookmarks order the
// records (CompareBookmarks), so a rectangle needs no record positions until it
// is painted. Everything here is O(1) in the number of records except the
// scan of the buffered records of the ordinary mode, which is one window.

#include <algorithm>

#include "grid/DBGridEh.h"
#include "grid/ScopeGuardEh.h"
#include "platform/ui/Clipbrd.h"

namespace {

constexpr TGridRect NoCells{-1, -1, -1, -1};

bool IsNoCells(const TGridRect& R) { return R.Left < 0 || R.Top < 0; }

// The parts of A outside B, as at most four rectangles.
std::vector<TGridRect> SubtractCells(const TGridRect& A, const TGridRect& B) {
  if (IsNoCells(A)) return {};
  const bool Apart = IsNoCells(B) || B.Left > A.Right || B.Right < A.Left || B.Top > A.Bottom || B.Bottom < A.Top;
  if (Apart) return {A};
  std::vector<TGridRect> Result;
  if (A.Top < B.Top) Result.push_back({A.Left, A.Top, A.Right, B.Top - 1});
  if (A.Bottom > B.Bottom) Result.push_back({A.Left, B.Bottom + 1, A.Right, A.Bottom});
  const Integer Top = std::max(A.Top, B.Top), Bottom = std::min(A.Bottom, B.Bottom);
  if (A.Left < B.Left) Result.push_back({A.Left, Top, B.Left - 1, Bottom});
  if (A.Right > B.Right) Result.push_back({B.Right + 1, Top, A.Right, Bottom});
  return Result;
}

}  // namespace

// ---- TDBGridEhSelectionRect --------------------------------------------------------------------------

void TDBGridEhSelectionRect::Clear() {
  FAnchorColIndex = FShiftColIndex = -1;
  FAnchorBookmark = FShiftBookmark = TBookmark();
  FGrid->Invalidate();
  FGrid->GetSelection()->SelectionChanged();
}

// The rectangle's records are read through the dataset: an inactive link (or,
// for its ends, no rectangle at all) is the caller's error.
void TDBGridEhSelectionRect::CheckActive(const char16_t* Message, bool Empty) const {
  TGridDataLinkEh* Link = FGrid->GetDataLink();
  if (!Link->GetActive() || !Link->GetDataSet() || Empty) RaiseInvalidGridOperationEh(Message);
}

TBookmark TDBGridEhSelectionRect::GetTopRow() const {
  CheckActive(u"Error in TDBGridEhSelectionRect.GetTopRow", IsEmpty());
  const TDataSet* DataSet = FGrid->GetDataLink()->GetDataSet();
  return DataSet->CompareBookmarks(FAnchorBookmark, FShiftBookmark) <= 0 ? FAnchorBookmark : FShiftBookmark;
}

TBookmark TDBGridEhSelectionRect::GetBottomRow() const {
  CheckActive(u"Error in TDBGridEhSelectionRect.GetBottomRow", IsEmpty());
  const TDataSet* DataSet = FGrid->GetDataLink()->GetDataSet();
  return DataSet->CompareBookmarks(FAnchorBookmark, FShiftBookmark) <= 0 ? FShiftBookmark : FAnchorBookmark;
}

Integer TDBGridEhSelectionRect::GetLeftCol() const {
  CheckActive(u"Error in TDBGridEhSelectionRect.GetLeftCol", IsEmpty());
  return std::min(FAnchorColIndex, FShiftColIndex);
}

Integer TDBGridEhSelectionRect::GetRightCol() const {
  CheckActive(u"Error in TDBGridEhSelectionRect.GetRightCol", IsEmpty());
  return std::max(FAnchorColIndex, FShiftColIndex);
}

bool TDBGridEhSelectionRect::CellSelected(Integer ColumnIndex, const TBookmark& Bookmark) const {
  CheckActive(u"Error in function TDBGridEhSelectionRect.CellSelected", false);
  if (IsEmpty()) return false;
  const TDataSet* DataSet = FGrid->GetDataLink()->GetDataSet();
  return DataSet->CompareBookmarks(Bookmark, GetTopRow()) >= 0 &&
         DataSet->CompareBookmarks(Bookmark, GetBottomRow()) <= 0 && ColumnIndex >= GetLeftCol() &&
         ColumnIndex <= GetRightCol();
}

TGridRect TDBGridEhSelectionRect::GetBounds() const {
  if (IsEmpty()) return NoCells;
  return BoundsOf(FAnchorColIndex, FAnchorBookmark, FShiftColIndex, FShiftBookmark);
}

// The grid cells of the records between Row1 and Row2 and the columns between Col1 and Col2.
TGridRect TDBGridEhSelectionRect::BoundsOf(Integer Col1, const TBookmark& Row1, Integer Col2,
                                           const TBookmark& Row2) const {
  TGridDataLinkEh* Link = FGrid->GetDataLink();
  TDataSet* DataSet = Link->GetDataSet();
  if (!Link->GetActive() || !DataSet || Col1 < 0) return NoCells;
  const bool InOrder = DataSet->CompareBookmarks(Row1, Row2) <= 0;
  const TBookmark& Top = InOrder ? Row1 : Row2;
  const TBookmark& Bottom = InOrder ? Row2 : Row1;
  Integer TopRow = -1, BottomRow = -1;
  if (IMemTableEh* Table = FGrid->GetMemTableIntf()) {
    TopRow = Table->InstantReadIndexOfBookmark(Top);
    BottomRow = Table->InstantReadIndexOfBookmark(Bottom);
  } else {
    const Integer Saved = Link->GetActiveRecord();
    TScopeExitEh Restore([&] { Link->SetActiveRecord(Saved); });
    for (Integer I = 0; I < Link->GetRecordCount(); ++I) {
      Link->SetActiveRecord(I);
      const TBookmark Here = DataSet->GetBookmark();
      if (TopRow < 0 && DataSet->CompareBookmarks(Here, Top) >= 0) TopRow = I;
      if (DataSet->CompareBookmarks(Here, Bottom) <= 0) BottomRow = I;
    }
  }
  if (TopRow < 0 || BottomRow < 0 || BottomRow < TopRow) return NoCells;
  const Integer Titles = FGrid->GetTitleRowCount();
  return {FGrid->VisibleColumnToRaw(std::min(Col1, Col2)), TopRow + Titles,
          FGrid->VisibleColumnToRaw(std::max(Col1, Col2)), BottomRow + Titles};
}

void TDBGridEhSelectionRect::Select(Integer ColumnIndex, const TBookmark& Bookmark, bool Extend) {
  TDBGridEhSelection* Selection = FGrid->GetSelection();
  if (Selection->GetSelectionType() != gstRectangle) Selection->Clear();
  const bool OldOneCell = FAnchorColIndex == FShiftColIndex && FGrid->GetDataLink()->GetActive() &&
                          FGrid->GetDataLink()->GetDataSet()->CompareBookmarks(FAnchorBookmark, FShiftBookmark) == 0;
  const TGridRect OldRect = FGrid->HandleAllocated() ? GetBounds() : NoCells;
  if (FAnchorColIndex < 0 || !Extend) {
    FAnchorColIndex = ColumnIndex;
    FAnchorBookmark = Bookmark;
  }
  FShiftColIndex = ColumnIndex;
  FShiftBookmark = Bookmark;
  const bool OneCell = FAnchorColIndex == FShiftColIndex &&
                       FGrid->GetDataLink()->GetDataSet()->CompareBookmarks(FAnchorBookmark, FShiftBookmark) == 0;
  Selection->SetSelectionType(OneCell ? gstNon : gstRectangle);
  if (FGrid->HandleAllocated()) InvalidateChange(OldRect, OldOneCell);
  Selection->SelectionChanged();
}

// Repaints what the change added or took away; a single cell stood for its whole row.
void TDBGridEhSelectionRect::InvalidateChange(const TGridRect& OldRect, bool OldOneCell) {
  auto Widen = [&](TGridRect R, bool OneCell) {
    if (OneCell && !IsNoCells(R)) {
      R.Left = 0;
      R.Right = FGrid->GetColCount() - 1;
    }
    return R;
  };
  const bool NewOneCell = FGrid->GetSelection()->GetSelectionType() == gstNon;
  const TGridRect Old = Widen(OldRect, OldOneCell), New = Widen(GetBounds(), NewOneCell);
  for (const TGridRect& R : SubtractCells(Old, New)) FGrid->InvalidateRect(R);
  for (const TGridRect& R : SubtractCells(New, Old)) FGrid->InvalidateRect(R);
}

// ---- TDBGridEhSelectionCols ---------------------------------------------------------------------------

void TDBGridEhSelectionCols::Clear() {
  for (Integer I = 0; I < Count(); ++I)
    if (GetColumn(I)) FGrid->InvalidateCol(FGrid->DataToRawColumn(GetColumn(I)->GetIndex()));
  TColumnsEhList::Clear();
  FAnchor = FShiftCol = nullptr;
  FShiftSelectedCols.clear();
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

void TDBGridEhSelectionCols::InsertOrdered(TColumnEh* Column) {
  if (IndexOf(Column) >= 0) return;
  Integer At = 0;
  while (At < Count() && GetColumn(At)->GetIndex() < Column->GetIndex()) ++At;
  Insert(At, Column);
}

void TDBGridEhSelectionCols::Add(TColumnEh* Column, bool Keep) {
  TDBGridEhSelection* Selection = FGrid->GetSelection();
  if (Selection->GetSelectionType() != gstColumns) Selection->Clear();
  if (!Keep) Clear();
  InsertOrdered(Column);
  FAnchor = FShiftCol = Column;
  Selection->SetSelectionType(gstColumns);
  FShiftSelectedCols.clear();
  FGrid->InvalidateCol(FGrid->DataToRawColumn(Column->GetIndex()));
  Selection->SelectionChanged();
}

void TDBGridEhSelectionCols::InvertSelect(TColumnEh* Column) {
  TDBGridEhSelection* Selection = FGrid->GetSelection();
  if (Selection->GetSelectionType() != gstColumns) Selection->Clear();
  if (IndexOf(Column) >= 0) Remove(Column);
  else InsertOrdered(Column);
  FAnchor = FShiftCol = Column;
  Selection->SetSelectionType(Count() > 0 ? gstColumns : gstNon);
  FShiftSelectedCols.clear();
  FGrid->InvalidateCol(FGrid->DataToRawColumn(Column->GetIndex()));
  Selection->SelectionChanged();
}

void TDBGridEhSelectionCols::SetSweptState(TColumnEh* Column, bool Selected) {
  if (Selected && Column->GetVisible()) InsertOrdered(Column);
  else if (!Selected) Remove(Column);
  FGrid->InvalidateCol(FGrid->DataToRawColumn(Column->GetIndex()));
  FGrid->GetSelection()->SelectionChanged();
}

// A column the sweep leaves again gets back the state it had before the sweep.
void TDBGridEhSelectionCols::ResetSweep(TColumnEh* Column) {
  auto It = std::find_if(FShiftSelectedCols.begin(), FShiftSelectedCols.end(),
                         [&](const auto& Entry) { return Entry.first == Column; });
  if (It == FShiftSelectedCols.end()) return;
  const bool Before = It->second;
  FShiftSelectedCols.erase(It);
  SetSweptState(Column, Before);
}

void TDBGridEhSelectionCols::SelectShift(TColumnEh* Column) {
  TDBGridEhSelection* Selection = FGrid->GetSelection();
  if (Selection->GetSelectionType() != gstColumns) Selection->Clear();
  if (!FAnchor) return Add(Column, true);
  const bool AnchorSelected = IndexOf(FAnchor) >= 0;
  const Integer Low = std::min(FAnchor->GetIndex(), Column->GetIndex());
  const Integer High = std::max(FAnchor->GetIndex(), Column->GetIndex());
  // First the columns the range no longer covers, then the ones it now takes.
  for (auto Entries = FShiftSelectedCols; const auto& Entry : Entries)
    if (Entry.first->GetIndex() < Low || Entry.first->GetIndex() > High) ResetSweep(Entry.first);
  TDBGridColumnsEh* Columns = FGrid->GetColumns();
  for (Integer I = Low; I <= High; ++I) {
    TColumnEh* C = Columns->Items(I);
    const bool Swept = std::any_of(FShiftSelectedCols.begin(), FShiftSelectedCols.end(),
                                   [&](const auto& Entry) { return Entry.first == C; });
    if (C == FAnchor || Swept) continue;
    FShiftSelectedCols.emplace_back(C, IndexOf(C) >= 0);
    SetSweptState(C, AnchorSelected);
  }
  FShiftCol = Column;
  Selection->SetSelectionType(Count() > 0 ? gstColumns : gstNon);
}

TGridRect TDBGridEhSelectionCols::GetBounds() const {
  if (Count() == 0) return NoCells;
  Integer Low = GetColumn(0)->GetIndex(), High = Low;
  for (Integer I = 1; I < Count(); ++I) {
    Low = std::min(Low, GetColumn(I)->GetIndex());
    High = std::max(High, GetColumn(I)->GetIndex());
  }
  return {FGrid->DataToRawColumn(Low), 0, FGrid->DataToRawColumn(High), FGrid->GetRowCount() - 1};
}

// ---- TDBGridEhSelection -----------------------------------------------------------------------------

TDBGridEhSelection::TDBGridEhSelection(TCustomDBGridEh* Grid)
    : FColumns(std::make_unique<TDBGridEhSelectionCols>(Grid)),
      FGrid(Grid),
      FRect(std::make_unique<TDBGridEhSelectionRect>(Grid)) {}

TDBGridEhSelection::~TDBGridEhSelection() = default;

TBookmarkListEh* TDBGridEhSelection::GetRows() const { return FGrid->GetSelectedRows(); }

void TDBGridEhSelection::SelectionChanged() {
  if (FGrid->OnSelectionChanged && !FGrid->GetComponentState().Contains(csDestroying)) FGrid->OnSelectionChanged(FGrid);
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

TGridRect TDBGridEhSelection::GetSelectionRect() const {
  switch (FSelectionType) {
    case gstRecordBookmarks: return GetRows()->GetSelectedRowsRect();
    case gstRectangle: return FRect->GetBounds();
    case gstColumns: return FColumns->GetBounds();
    case gstAll: return {0, 0, FGrid->GetColCount() - 1, FGrid->GetRowCount() - 1};
    case gstNon: break;
  }
  return NoCells;
}

// ---- The grid's selection rules ----------------------------------------------------------------------

Integer TCustomDBGridEh::VisibleColumnToRaw(Integer VisibleIndex) const {
  if (VisibleIndex < 0 || VisibleIndex >= FVisibleColumns->Count()) return -1;
  return DataToRawColumn(FVisibleColumns->Items(VisibleIndex)->GetIndex());
}

bool TCustomDBGridEh::CanSelectType(TDBGridEhSelectionType Type) const {
  if (Type == gstNon) return true;
  if (!FOptions.Contains(dgMultiSelect) || !FAllowedSelections.Contains(Type)) return false;
  return !(FOptions.Contains(dgRowSelect) && (Type == gstRectangle || Type == gstColumns));
}

// The current cell, as a rectangle selection names it.
Integer TCustomDBGridEh::CurrentVisibleColumn() const { return FVisibleColumns->IndexOf(GetCurrentColumn()); }

// ---- Edit-action tests ---------------------------------------------------------------------------------

bool TCustomDBGridEh::CanCopy() { return FDataLink->GetActive(); }

bool TCustomDBGridEh::CanPaste() {
  TDataSet* DataSet = FDataLink->GetDataSet();
  if (!FDataLink->GetActive() || FReadOnly || !DataSet || !DataSet->CanModify()) return false;
  // Unicode text on the clipboard always reads as plain text too.
  const bool HasData =
      IsClipboardFormatAvailable(RegisterClipboardFormat(u"VCLDBIF")) || IsClipboardFormatAvailable(CF_TEXT);
  if (!HasData) return false;
  return DataSet->GetState() == dsInsert || FAllowedOperations.Contains(alopUpdateEh);
}

bool TCustomDBGridEh::CanCut() { return CanCopy() && CanDelete(); }

bool TCustomDBGridEh::CanSelectAll() {
  TDataSet* DataSet = FDataLink->GetDataSet();
  return FDataLink->GetActive() && DataSet && !DataSet->IsEmpty() && FAllowedSelections.Contains(gstAll);
}

bool TCustomDBGridEh::CanDelete() {
  TDataSet* DataSet = FDataLink->GetDataSet();
  if (!FDataLink->GetActive() || FReadOnly || !DataSet || DataSet->IsEmpty() || !DataSet->CanModify()) return false;
  switch (FSelection->GetSelectionType()) {
    case gstRectangle:
    case gstColumns: return FAllowedOperations.Contains(alopUpdateEh);
    case gstRecordBookmarks:
    case gstAll: return FAllowedOperations.Contains(alopDeleteEh);
    case gstNon: break;
  }
  return false;
}
