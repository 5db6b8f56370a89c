// The grid's row heights. The base grid asks every height through
// GetRowHeights and every sum of heights through GetRowsExtent; the data grid
// answers both from its own run store (RowHeightsEh.h), which follows the base
// grid's row count (SizeChanged) and row moves (RowMoved). The base grid's own
// array stays empty, so inserting, deleting and moving rows never copies it.
//
// Index of this file:
//   the base grid's heights (GetRowHeights, SetRowHeights, GetRowsExtent, SizeChanged, RowMoved)
//   resetting and storing heights; a user's row sizing (RowHeightsChanged)
//   per-row heights of a table's rows (GetDataRowHeight ... DataRowHeightsChanged)
//   the height a column needs (TColumnEh::CalcRowHeight)
//
// Rows of one height are one run: a table of a million records shown with the
// data row height costs a handful of runs. Heights differ per row only when rows
// fit their text (dghAutoFitRowHeight), an OnGetRowHeight handler decides them,
// or the row detail panel is open on a row; only then are rows measured one by one.

#include <algorithm>
#include <cmath>

#include "grid/DBGridEh.h"
#include "grid/ScopeGuardEh.h"
#include "gridbase/DaVirConsts.h"

// ---- The base grid's heights ----------------------------------------------------------------------------

Integer TCustomDBGridEh::GetRowHeights(Integer Index) const {
  if (Index >= 0 && Index < GetRowCount() && Index < FRowHeightsStore.Count()) return FRowHeightsStore.Get(Index);
  // Rows the store does not hold yet, and the footer rows, are as high as a data row.
  return GetDefaultRowHeight();
}

void TCustomDBGridEh::SetRowHeights(Integer Index, Integer Value) {
  if (Index < 0 || Index >= GetFullRowCount()) RaiseInvalidGridOperationEh(LoadResStringEh(SGridIndexOutOfRangeEh));
  if (!StoreRowHeight(Index, Value)) return;
  TTemporaryChangeEh<bool> ByUser(FUserRowSizing, true);
  RowHeightsChanged();
}

Int64 TCustomDBGridEh::GetRowsExtent(Integer From, Integer To) const {
  From = std::max(0, From);
  if (To <= From) return 0;
  const Int64 Line = GetGridLineWidth();
  const Integer Stored = std::min({To, GetRowCount(), FRowHeightsStore.Count()});
  Int64 Extent = 0;
  if (From < Stored) {
    Extent += FRowHeightsStore.Sum(From, Stored) + (Stored - From) * Line;
    From = Stored;
  }
  if (From < To) Extent += (To - From) * (GetDefaultRowHeight() + Line);
  return Extent;
}

void TCustomDBGridEh::SizeChanged(Integer OldColCount, Integer OldRowCount) {
  // The base grid adds and removes rows at the end of its normal rows.
  FRowHeightsStore.Resize(GetRowCount(), GetDefaultRowHeight());
  TCustomGridEh::SizeChanged(OldColCount, OldRowCount);
}

void TCustomDBGridEh::RowMoved(Integer FromIndex, Integer ToIndex) {
  if (FromIndex < FRowHeightsStore.Count() && ToIndex < FRowHeightsStore.Count())
    FRowHeightsStore.Move(FromIndex, ToIndex);
  TCustomGridEh::RowMoved(FromIndex, ToIndex);
}

// ---- Storing heights ------------------------------------------------------------------------------------

// Footer rows are always as high as a data row: only normal rows are stored.
bool TCustomDBGridEh::StoreRowHeight(Integer ARow, Integer Height) {
  if (ARow < 0 || ARow >= GetRowCount()) return false;
  if (FRowHeightsStore.Count() < GetRowCount()) FRowHeightsStore.Resize(GetRowCount(), GetDefaultRowHeight());
  if (FRowHeightsStore.Get(ARow) == Height) return false;
  FRowHeightsStore.Set(ARow, Height);
  CalcVertExtents();
  Invalidate();
  return true;
}

// A new data row height (fonts, RowHeight, RowLines) resets every row to it, as
// the base grid's default row height; rows keep their own heights otherwise.
void TCustomDBGridEh::ResetRowHeights(Integer Height) {
  if (GetDefaultRowHeight() == Height && FRowHeightsStore.Count() == GetRowCount()) return;
  FRowHeightsStore.Assign(GetRowCount(), Height);
  if (GetDefaultRowHeight() != Height) {
    SetDefaultRowHeight(Height);
  } else {
    CalcVertExtents();
    Invalidate();
  }
}

void TCustomDBGridEh::RowHeightsChanged() {
  // A row the user sized sets the height of every data row, unless rows fit
  // their records or a handler decides their heights.
  if (FUserRowSizing && !FOptionsEh.Contains(dghAutoFitRowHeight) && !OnGetRowHeight) {
    const Integer First = FRowHeightsStore.FindNotEqual(GetTitleRowCount(), FDataRowHeight);
    if (First < GetRowCount()) {
      const Integer Height = FRowHeightsStore.Get(First);
      TTemporaryChangeEh<bool> Internal(FUserRowSizing, false);
      SetRowLines(0);
      SetRowHeight(Height);
    }
    UpdateScrollBar();
  }
  TCustomGridEh::RowHeightsChanged();
}

// ---- Per-row heights of a table's rows ---------------------------------------------------------------------

Integer TCustomDBGridEh::GetDataRowHeight() { return FDataLink->GetActive() ? CalcDataRowHeight() : FDataRowHeight; }

Integer TCustomDBGridEh::CalcDataRowHeight() {
  Integer Height = FVisibleColumns->Count() > 0 ? 0 : FDataRowHeight;
  for (Integer I = 0; I < FVisibleColumns->Count(); ++I)
    if (TColumnEh* Column = FVisibleColumns->Items(I)) Height = std::max(Height, Column->CalcRowHeight());
  if (OnGetRowHeight) OnGetRowHeight(this, Height);
  return Height;
}

void TCustomDBGridEh::SetDataRowHeight(Integer ARow) {
  const Integer DataRow = ARow - GetTitleRowCount();
  if (DataRow < 0 || ARow >= GetRowCount()) return;
  Integer Height = FDataRowHeight;
  TGroupDataTreeNodeEh* Group = GroupNodeOfRow(DataRow);
  if (Group && Group->IsGroup()) {
    Height = Group->GetRowHeight();
  } else if (BeginReadRow(DataRow)) {
    TScopeExitEh Leave([this] { EndReadRow(); });
    Height = GetDataRowHeight();
  }
  if (FRowDetailPanel->GetVisible() && IsCurrentDataRow(DataRow)) Height += FRowDetailPanel->GetHeight();
  StoreRowHeight(ARow, Height);
}

bool TCustomDBGridEh::PerRowHeightsVary() { return FOptionsEh.Contains(dghAutoFitRowHeight) || bool(OnGetRowHeight); }

void TCustomDBGridEh::UpdateVisibleRowHeights() {
  const Integer First = GetTitleRowCount();
  if (First >= GetRowCount()) return;
  if (!FIntMemTable || !FDataLink->GetActive() || FIntMemTable->IsTreeList()) {
    StoreRowHeight(First, FDataRowHeight);
    return;
  }
  LockPaint();
  {
    TScopeExitEh Unlock([this] { UnlockPaint(); });
    if (PerRowHeightsVary()) {
      // Each record decides its row's height: every row is read once.
      for (Integer Row = First; Row < GetRowCount(); ++Row) SetDataRowHeight(Row);
    } else {
      // Every row would measure the data row height: one run says so at once.
      FRowHeightsStore.Fill(First, GetRowCount(), FDataRowHeight);
      if (GroupedRows()) StoreGroupRowHeights();
      if (FRowDetailPanel->GetVisible() && GetRow() >= First) SetDataRowHeight(GetRow());
      CalcVertExtents();
      Invalidate();
    }
  }
  TCustomGridEh::RowHeightsChanged();
}

// Only the group rows differ from the data row height, so only they are written.
void TCustomDBGridEh::StoreGroupRowHeights() {
  const Integer First = GetTitleRowCount();
  TGridGroupDataTreeEh* Tree = FDataGrouping->GetGroupDataTree();
  const Integer Count = std::min(Tree->GetFlatCount(), GetRowCount() - First);
  for (Integer I = 0; I < Count; ++I)
    if (TGroupDataTreeNodeEh* Node = Tree->GetFlatNode(I); Node->IsGroup())
      FRowHeightsStore.Set(First + I, Node->GetRowHeight());
}

void TCustomDBGridEh::DataRowHeightsChanged() {
  if (GetComponentState().Contains(csLoading)) return;
  if (GroupedRows()) FDataGrouping->GetGroupDataTree()->InvalidateRowHeights();
  UpdateVisibleRowHeights();
}

// ---- The height a column needs ------------------------------------------------------------------------------

namespace {

Integer MeasureTextHeight(TFont* Font, const String& Text, Integer Width, bool WordWrap) {
  HDC DC = CreateCompatibleDC(nullptr);
  HGDIOBJ Old = SelectObject(DC, Font->GetHandle());
  TRect Calc(0, 0, std::max(Width, 1), 0);
  DrawText(DC, Text, Integer(Text.size()), Calc, DT_CALCRECT | DT_NOPREFIX | (WordWrap ? DT_WORDBREAK : DT_SINGLELINE));
  SelectObject(DC, Old);
  DeleteDC(DC);
  return Calc.Height();
}

}  // namespace

Integer TColumnEh::CalcRowHeight() {
  TCustomDBGridEh* Grid = GetGrid();
  if (!Grid) return 0;
  const Integer RowHeight = Grid->GetDataRowHeightValue();
  IMemTableEh* Table = Grid->GetMemTableIntf();
  if (!Grid->GetOptionsEh().Contains(dghAutoFitRowHeight) || (Table && Table->IsTreeList())) return RowHeight;
  if (GetColumnKind() == ckGraphic) {
    // A picture wider than the column is shrunk to its width.
    TBitmap Picture;
    if (!LoadGraphicFieldEh(GetField(), Picture)) return RowHeight;
    const Integer Width = GetWidth();
    const Integer Height = Picture.GetWidth() > Width && Width > 0
                               ? Integer(std::lround(double(Picture.GetHeight()) * Width / Picture.GetWidth()))
                               : Picture.GetHeight();
    return std::max(RowHeight, Height);
  }
  Integer Width = GetWidth() - 4;
  if (GetAlwaysShowEditButton()) Width -= EditButtonsWidth();
  if (Grid->GetVisibleColumns()->IndexOf(this) == 0) Width -= Grid->FirstColumnIndent();
  if (GetShowImageAndText() && GetImageList()) Width -= GetImageList()->GetWidth() + 4;
  const Integer Measured = MeasureTextHeight(GetFont(), GetDisplayText(), Width, GetWordWrap());
  if (Measured <= RowHeight) return RowHeight;
  return Measured + (Grid->GetFlat() ? 1 : 3) +
         (Grid->GetOptions().Contains(dgRowLines) ? Grid->GetGridLineWidth() : 0);
}
