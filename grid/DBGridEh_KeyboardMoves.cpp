// Moving the current cell, for the keys and the mouse alike: by rows (with the
// rows or the cell rectangle passed selected when asked), to the next or the
// previous row with the insert-record rules, by Tab, and to a column.
//
// Index of this file:
//   ClearSelectionIfNeeded, MoveByRows
//   SelectMove: a cell rectangle, or rows marked one step at a time
//   NextRow, PriorRow: appending past the last record, cancelling an untouched new one
//   TabMove, MoveToColumn
//
// Rows are moved through the dataset (MoveBy, First, Last): the grid follows the
// dataset's scroll notices. Only a selecting move walks record by record; any
// other move is one dataset call, so a move over a million rows costs what the
// dataset's own move costs.

#include <algorithm>

#include "grid/DBGridEh.h"
#include "grid/ScopeGuardEh.h"

// ---- Selections that a move ends ---------------------------------------------------------------------------

void TCustomDBGridEh::ClearSelectionIfNeeded() {
  if (FOptionsEh.Contains(dghClearSelection)) {
    if (FOptions.Contains(dgMultiSelect)) FBookmarks->Clear();
    if (FSelection->GetSelectionType() != gstNon) {
      FSelection->Clear();
      Invalidate();
    }
  }
  FSelectionAnchorSet = false;
}

// A row move closes an open row detail panel first; the dataset moves.
void TCustomDBGridEh::MoveByRows(Integer Distance) {
  if (FRowDetailPanel->GetVisible()) {
    FRowDetailPanel->SetVisible(false);
    if (FRowDetailPanel->GetVisible()) return;
  }
  if (Distance != 0 && FDataLink->GetActive()) FDataLink->GetDataSet()->MoveBy(Distance);
}

bool TCustomDBGridEh::MoveOneRow(Integer Direction) {
  TDataSet* DataSet = FDataLink->GetDataSet();
  const TBookmark Before = DataSet->GetBookmark();
  MoveByRows(Direction);
  return DataSet->CompareBookmarks(Before, DataSet->GetBookmark()) != 0;
}

// ---- SelectMove ----------------------------------------------------------------------------------------

void TCustomDBGridEh::SelectMove(bool Select, Integer Direction, bool MaxDirection, bool UseRowSelection) {
  if (!FDataLink->GetActive()) return;
  {
    TUpdateBracketEh Hold(this);
    if (!UseRowSelection && !FOptions.Contains(dgRowSelect)) {
      if (Select && CanSelectType(gstRectangle)) {
        SelectMoveRect(Direction, MaxDirection);
      } else if (MaxDirection) {
        Direction > 0 ? FDataLink->GetDataSet()->Last() : FDataLink->GetDataSet()->First();
      } else {
        MoveByRows(Direction);
      }
    } else {
      SelectMoveRows(Select, Direction, MaxDirection);
    }
  }
  UpdateScrollBar();
}

void TCustomDBGridEh::SelectMoveRect(Integer Direction, bool MaxDirection) {
  TDataSet* DataSet = FDataLink->GetDataSet();
  TDBGridEhSelectionRect* Rect = FSelection->GetRect();
  if (FSelection->GetSelectionType() != gstRectangle)
    Rect->Select(CurrentVisibleColumn(), DataSet->GetBookmark(), false);
  if (MaxDirection) Direction == 1 ? DataSet->Last() : DataSet->First();
  else MoveByRows(Direction);
  Rect->Select(CurrentVisibleColumn(), DataSet->GetBookmark(), true);
}

// Marks the current row as a Shift-selection run wants it: the row where the run
// starts (and every row it reaches) takes the opposite of the anchor's former
// state when toggling, else it is selected; a row the run leaves going back
// returns to the anchor's former state when toggling, else it is unselected.
void TCustomDBGridEh::MarkSelectedRow(bool Back) {
  if (Back) FBookmarks->SetCurrentRowSelected(FToggleSelectOnMove ? FSelectionAnchorWasSelected : false);
  else FBookmarks->SetCurrentRowSelected(FToggleSelectOnMove ? !FSelectionAnchorWasSelected : true);
}

void TCustomDBGridEh::SelectMoveRows(bool Select, Integer Direction, bool MaxDirection) {
  TDataSet* DataSet = FDataLink->GetDataSet();
  const bool Marking = FOptions.Contains(dgMultiSelect);
  if (!Select || !CanSelectType(gstRecordBookmarks)) {
    // Nothing is marked on the way: the move is one step however far it goes.
    if (Marking) ClearSelectionIfNeeded();
    if (MaxDirection) Direction > 0 ? DataSet->Last() : DataSet->First();
    else MoveByRows(Direction);
    return;
  }
  const Integer Step = Direction > 0 ? 1 : -1;
  while (Direction != 0) {
    bool MarkReached = Marking;
    if (Marking && FSelectionAnchorSet) {
      const Integer Side = DataSet->CompareBookmarks(DataSet->GetBookmark(), FSelectionAnchorBookmark);
      if ((Step > 0 && Side < 0) || (Step < 0 && Side > 0)) {
        MarkSelectedRow(true);
        MarkReached = false;
      }
    } else if (Marking) {
      FSelectionAnchorBookmark = DataSet->GetBookmark();
      FSelectionAnchorWasSelected = FBookmarks->GetCurrentRowSelected();
      FSelectionAnchorSet = true;
      MarkSelectedRow(false);
    }
    if (!MoveOneRow(Step)) break;
    if (MarkReached) MarkSelectedRow(false);
    if (!MaxDirection) Direction -= Step;
  }
}

// ---- NextRow, PriorRow ---------------------------------------------------------------------------------

// A new record nobody typed into goes when the user moves away from it; at the
// end (AtEndOnly) only, or wherever it stands.
bool TCustomDBGridEh::CancelUntouchedInsert(bool AtEndOnly) {
  TDataSet* DataSet = FDataLink->GetDataSet();
  if (DataSet->GetState() != dsInsert || DataSet->GetModified() || FDataLink->GetModified()) return false;
  const bool AtEnd = FIntMemTable
                         ? FIntMemTable->GetCurrentRowIndex() >= FIntMemTable->InstantReadRowCount() - 1
                         : DataSet->GetEof() || FDataLink->GetActiveRecord() >= FDataLink->GetRecordCount() - 1;
  if (AtEndOnly == AtEnd) DataSet->Cancel();
  return true;
}

void TCustomDBGridEh::AppendAtEnd() {
  TDataSet* DataSet = FDataLink->GetDataSet();
  if (DataSet->GetEof() && DataSet->CanModify() && !FReadOnly && FOptions.Contains(dgEditing) &&
      FAllowedOperations.Contains(alopAppendEh))
    DataSet->Append();
}

void TCustomDBGridEh::NextRow(bool Select) {
  if (!FDataLink->GetActive()) return;
  // At the end an untouched new record stays; elsewhere it goes.
  if (CancelUntouchedInsert(false)) return;
  const bool UseRows = !Select || !FAllowedSelections.Contains(gstRectangle);
  SelectMove(Select, 1, false, UseRows);
  AppendAtEnd();
}

void TCustomDBGridEh::PriorRow(bool Select) {
  if (!FDataLink->GetActive()) return;
  if (CancelUntouchedInsert(true)) return;
  const bool UseRows = !Select || !FAllowedSelections.Contains(gstRectangle);
  SelectMove(Select, -1, false, UseRows);
}

// ---- TabMove, MoveToColumn --------------------------------------------------------------------------------

void TCustomDBGridEh::TabMove(bool GoForward) {
  ClearSelectionIfNeeded();
  if (FRowPanel->GetActive()) return RowPanelTabMove(GoForward);
  const Integer Count = FVisibleColumns->Count();
  if (Count == 0) return;
  TUpdateBracketEh Hold(this);
  Integer Next = CurrentVisibleColumn() + (GoForward ? 1 : -1);
  if (Next >= Count) {
    NextRow(false);
    Next = 0;
  } else if (Next < 0) {
    PriorRow(false);
    Next = Count - 1;
  }
  MoveToColumn(VisibleColumnToRaw(Next), 0, false);
}

void TCustomDBGridEh::MoveToColumn(Integer Index, Integer Step, bool ExtendSelection) {
  const bool Rects =
      ExtendSelection && !FOptions.Contains(dgRowSelect) && CanSelectType(gstRectangle) && FDataLink->GetActive();
  TDataSet* DataSet = FDataLink->GetDataSet();
  if (Rects && FSelection->GetSelectionType() != gstRectangle)
    FSelection->GetRect()->Select(CurrentVisibleColumn(), DataSet->GetBookmark(), false);
  FDataLink->UpdateData();
  const Integer First = GetFixedCols(), Last = GetColCount() - 1;
  if (Last < First) return;
  Index = std::clamp(Index, First, Last);
  auto Hidden = [&](Integer Raw) {
    const Integer DataCol = RawToDataColumn(Raw);
    return DataCol >= 0 && DataCol < FColumns->GetCount() && !FColumns->Items(DataCol)->GetVisible();
  };
  while (Step != 0 && Hidden(Index)) {
    Index += Step;
    if (Index < First || Index > Last) return;
  }
  if (Index != GetCol()) {
    ColExit();
    if (!FOptions.Contains(dgAlwaysShowEditor)) HideEditor();
    MoveColRow(Index, GetRow(), true, true, false);
    TColumnEh* Column = GetCurrentColumn();
    if (FOptions.Contains(dgAlwaysShowEditor) && Column && Column->GetColumnKind() != ckCheckBox && !FFilterEditing)
      ShowEditor();
    ColEnter();
  }
  if (Rects) FSelection->GetRect()->Select(CurrentVisibleColumn(), DataSet->GetBookmark(), true);
}
