// A press of a mouse button on the grid: what it hits and what it starts.
//
// Index of this file:
//   MouseDown: the order in which a press is tested
//   the focus, the double click, sizing lines, the column-select edge, title buttons
//   tree buttons of a table shown as a tree
//   data cells: the record and column made current, rectangle and row selection,
//   the editor, value-stepping cells
//
// Typical call flow: a press on a data cell -> DataPress moves the record and the
// column -> a rectangle or a row selection starts (MouseTrackState 3 or 1) ->
// MouseMove extends it (DBGridEh_MouseTrack.cpp) -> MouseUp ends it. A press on a
// title with TitleButton marks the title pressed; the release (or a move of more
// than 3 pixels, which turns it into a column move) finishes it.

#include <algorithm>

#include "grid/DBGridEh.h"
#include "grid/ScopeGuardEh.h"
#include "platform/ui/Forms.h"

namespace {

// How far below a title's top edge the mouse selects the column instead of pressing the title.
constexpr Integer ColumnSelectEdgeEh = 4;
// The tracking timer's first interval once a column selection starts.
constexpr Integer TrackingIntervalEh = 60;

}  // namespace

void TCustomDBGridEh::MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  if (Button == mbRight) SetMouseCapture(true);
  FDownCell = {-1, -1};
  FPressedTitleDataColumn = -1;
  FDownShift = Shift;
  FDownPos = TPoint(X, Y);
  if (!TakeFocusOnPress()) return;
  if (Button == mbLeft && Shift.Contains(ssDouble)) return DoubleClickPress(Button, Shift, X, Y);
  if (SizingPress(Button, Shift, X, Y)) return;
  if (GroupPanelMouseDown(Button, X, Y)) return;
  if (IsColumnSelectPoint(X, Y)) return ColumnSelectPress(Shift, X, Y);
  const TGridCoord Cell = MouseCoord(X, Y);
  if (TitlePress(Button, Shift, X, Y, Cell)) return;
  const bool OutsideData = Cell.X < 0 || Cell.Y < GetTitleRowCount() || Cell.Y >= GetRowCount();
  if (OutsideData || !FDataLink->GetActive()) {
    TControl::MouseDown(Button, Shift, X, Y);
    return;
  }
  if (RecordMovingPress(Button, Shift, X, Y, Cell)) return;
  if (Button == mbLeft && RowDetailButtonPress(X, Cell)) return;
  if (GroupRowMouseDown(Button, Shift, X, Y)) return;
  if (TreeButtonPress(X, Y, Cell, false)) return;
  DataPress(Button, Shift, X, Y, Cell);
}

// The grid takes the focus on a press; a press that leaves the focus elsewhere does nothing.
bool TCustomDBGridEh::TakeFocusOnPress() {
  if (!FAcquireFocus || GetComponentState().Contains(csDesigning)) return true;
  if (!CanFocus() && GetParentForm(this)) return true;
  if (AcquireFocus()) return true;
  if (GetMouseCapture()) SetMouseCapture(false);
  return false;
}

// A double click on a title's edge sizes the column to its content instead of
// raising OnDblClick; on a check box or image cell it may step the value.
void TCustomDBGridEh::DoubleClickPress(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  TGridDrawInfoEh DrawInfo;
  CalcDrawInfo(DrawInfo);
  TGridState State = gsNormal;
  Integer Index = -1, Pos = 0, Ofs = 0;
  CalcSizingState(X, Y, State, Index, Pos, Ofs, DrawInfo);
  if (RowPanelPainted() && State == gsColSizing && Index >= 0 && Index < FColumns->GetCount()) {
    RowPanelWidenColumn(FColumns->Items(Index));
    return TControl::MouseDown(Button, Shift, X, Y);
  }
  const Integer SizedCol = RawToDataColumn(Index);
  const bool Optimize = State == gsColSizing && FOptionsEh.Contains(dghDblClickOptimizeColWidth) && SizedCol >= 0 &&
                        SizedCol < FColumns->GetCount();
  if (Optimize) {
    OptimizeSelectedColsWidth(FColumns->Items(SizedCol));
  } else {
    const TGridCoord Cell = MouseCoord(X, Y);
    Integer DataCol = 0, DataRow = 0;
    TColumnEh* Column = nullptr;
    if (Cell.X >= FIndicatorOffset && Cell.Y >= 0 && GetCellType(Cell.X, Cell.Y, DataCol, DataRow).Vert == cavDataEh)
      Column = DataCol < FColumns->GetCount() ? FColumns->Items(DataCol) : nullptr;
    const bool Stepping = Column && (Column->GetColumnKind() == ckCheckBox || Column->GetColumnKind() == ckImageList);
    if (Stepping && Column->GetDblClickNextVal()) StepCellValue(Column, Shift.Contains(ssShift));
    TCustomGridEh::DblClick();
  }
  TControl::MouseDown(Button, Shift, X, Y);
}

// A press on a sizing line: the grid sizes the column live itself with
// dghTraceColSizing, else the base grid moves a sizing line until the release.
bool TCustomDBGridEh::SizingPress(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  TGridDrawInfoEh DrawInfo;
  CalcDrawInfo(DrawInfo);
  TGridState State = gsNormal;
  Integer Index = -1, Pos = 0, Ofs = 0;
  CalcSizingState(X, Y, State, Index, Pos, Ofs, DrawInfo);
  if (State == gsNormal) return false;
  FDataLink->UpdateData();
  if (FOptionsEh.Contains(dghTraceColSizing) && Button == mbLeft && State == gsColSizing && !RowPanelPainted()) {
    FMouseTrackState = gmtsTitleSizingEh;
    FSizingIndexEh = Index;
    // In the lines' terms: mirrored right-to-left.
    FSizingPosEh = Pos;
    FSizingOffsetEh = Pos - LogicalX(X);
  } else {
    TCustomGridEh::MouseDown(Button, Shift, X, Y);
  }
  return true;
}

// The upper edge of a data column's title selects the column, when columns may be selected.
bool TCustomDBGridEh::IsColumnSelectPoint(Integer X, Integer Y) const {
  if (!TitlesVisible() || !CanSelectType(gstColumns) || !FDataLink->GetActive()) return false;
  const TGridCoord Cell = MouseCoord(X, Y);
  if (Cell.Y != 0 || Cell.X < FIndicatorOffset || RawToDataColumn(Cell.X) >= FColumns->GetCount()) return false;
  return Y - CellRect(Cell.X, 0).Top < ColumnSelectEdgeEh;
}

void TCustomDBGridEh::ColumnSelectPress(TShiftState Shift, Integer X, Integer Y) {
  TColumnEh* Column = FColumns->Items(RawToDataColumn(MouseCoord(X, Y).X));
  FMouseTrackState = gmtsSelectingColumnsEh;
  StartTimer(TrackingIntervalEh);
  TDBGridEhSelectionCols* Columns = FSelection->GetColumns();
  if (Shift.Contains(ssShift)) {
    Columns->SelectShift(Column);
  } else if (Shift.Contains(ssCtrl)) {
    Columns->InvertSelect(Column);
  } else {
    Invalidate();
    Columns->Add(Column, false);
  }
}

// Presses in the title rows. A data column's title with TitleButton is pressed
// (a right press too, with dghColumnMove, so that it can move the column); the
// indicator's title goes to the center (its menu, or selecting all); anything
// in the titles then goes to the base grid, which sizes and moves columns.
bool TCustomDBGridEh::TitlePress(TMouseButton& Button, TShiftState Shift, Integer X, Integer Y, TGridCoord Cell) {
  if (Cell.Y < 0 || Cell.Y >= GetTitleRowCount() || Cell.X < 0) return false;
  const Integer DataCol = MouseDataColumn(Cell, X, Y);
  const bool DataTitle = TitlesVisible() && Cell.Y == 0 && DataCol >= 0 && DataCol < FColumns->GetCount() &&
                         !GetComponentState().Contains(csDesigning);
  if (TColumnEh* FilterColumn = nullptr; DataTitle && IsTitleFilterButtonPoint(X, Y, FilterColumn)) {
    if (FTitleFilterListVisible && FTitleFilterListColumn == FilterColumn) CloseUpTitleFilterList(false);
    else TitleFilterListDropDown(FilterColumn);
    return true;
  }
  if (DataTitle && FOptionsEh.Contains(dghColumnMove) && Button == mbRight) {
    Button = mbLeft;
    FRightButtonColumnMove = true;
  }
  if (DataTitle && Button == mbLeft) {
    bool Enabled = FColumns->Items(DataCol)->GetTitle()->GetTitleButton();
    CheckTitleButton(DataCol, Enabled);
    if (Enabled && GetMouseCapture()) {
      FTitleButtonDown = true;
      FPressedTitleInside = true;
      FPressedTitleColumn = Cell.X;
      FPressedTitleDataColumn = DataCol;
      InvalidateCell(Cell.X, 0);
      return true;
    }
  }
  if (RowPanelPainted() && Cell.X >= FIndicatorOffset) {
    // The panel's titles are no columns of the base grid: a drag moves the cell
    // (MouseMove), a release is a title click.
    FDataLink->UpdateData();
    FRowPanelMoveColumn = DataTitle && Button == mbLeft ? DataCol : -1;
    TControl::MouseDown(Button, Shift, X, Y);
    return true;
  }
  if (Cell.X == 0 && Cell.Y == 0 && IndicatorVisible() && TitlesVisible() && FCenter) {
    const TRect R = CellRect(0, 0);
    FCenter->DoIndicatorTitleMouseDown(this, Button, Shift, X - R.Left, Y - R.Top);
    InvalidateEditor();
  }
  FDataLink->UpdateData();
  GetCanvas()->GetPen()->SetColor(TColor(0xC0C0C0));
  TCustomGridEh::MouseDown(Button, Shift, X, Y);
  return true;
}

// ---- Tree buttons ----------------------------------------------------------------------------------------

// The tree area of a table shown as a tree lies at the leading edge of the first
// visible column, 18 pixels per level; the node's own button is its last 18 pixels.
// CheckOnly answers whether the point lies in the area without acting;
// otherwise a press on the button of a node with children opens or closes it.
bool TCustomDBGridEh::TreeButtonPress(Integer X, Integer, TGridCoord Cell, bool CheckOnly) {
  if (!FIntMemTable || !FIntMemTable->IsTreeList() || FVisibleColumns->Count() == 0) return false;
  if (Cell.X != VisibleColumnToRaw(0) || Cell.Y < GetTitleRowCount() || Cell.Y >= GetRowCount()) return false;
  const Integer Row = Cell.Y - GetTitleRowCount();
  Integer Level = 0;
  bool Expanded = false, HasChildren = false;
  if (!BeginReadRow(Row)) return false;
  {
    TScopeExitEh Leave([this] { EndReadRow(); });
    Level = FIntMemTable->GetTreeNodeLevel();
    Expanded = FIntMemTable->GetTreeNodeExpanded();
    HasChildren = FIntMemTable->GetTreeNodeHasChildren();
  }
  X = LogicalX(X);
  const Integer Start = LogicalCellRect(Cell.X, Cell.Y).Left + FirstColumnIndent();
  const Integer End = Start + GridTreeIndentEh * std::max(0, Level);
  if (X < Start || X >= End) return false;
  if (CheckOnly) return true;
  // Only a node's own button takes the press; elsewhere the press selects the row.
  if (X < End - GridTreeIndentEh || !HasChildren) return false;
  const Integer Top = GetTopRow();
  SetTreeNodeExpandedKeepingRecord(Row, !Expanded);
  MoveTopLeft(GetLeftCol(), std::clamp(Top, GetFixedRows(), LastTopRow()));
  Invalidate();
  return true;
}

// ---- Data cells -------------------------------------------------------------------------------------------

void TCustomDBGridEh::DataPress(TMouseButton Button, TShiftState Shift, Integer X, Integer Y, TGridCoord Cell) {
  // An edit button shown in the cell, found while the cell still shows it.
  const bool ButtonHit = Button == mbLeft && CellEditButtonAt(Cell, X, Y) >= 0;
  TUpdateBracketEh Hold(this);
  FDataLink->UpdateData();
  HideEditor();
  const TGridCoord OldCell{GetCol(), GetRow()};
  const Integer OldColumn = GetSelectedIndex();
  // The panel cell under the point, found before the rows move under it.
  const Integer PanelColumn = RowPanelPainted() ? MouseDataColumn(Cell, X, Y) : -1;
  TDataSet* DataSet = FDataLink->GetDataSet();
  const TBookmark OldBookmark = DataSet->GetBookmark();
  const bool Extend = Shift.Contains(ssShift) && FOptions.Contains(dgMultiSelect) &&
                      (FOptions.Contains(dgRowSelect) || Cell.X < FIndicatorOffset);
  if (Cell.Y != OldCell.Y && !Extend) MoveByRows(Cell.Y - OldCell.Y);
  const bool DataColumn = Cell.X >= FIndicatorOffset;
  if (DataColumn && RowPanelPainted()) RowPanelMoveToColumn(PanelColumn);
  else if (DataColumn) MoveToColumn(Cell.X, 0, false);
  if (!GetMouseCapture()) return;
  const Integer PressedColumn = RowPanelPainted() ? GetSelectedIndex() : RawToDataColumn(Cell.X);
  const bool InSelection = DataColumn && IsCellSelected(PressedColumn, DataSet->GetBookmark());
  if (FAutoDragPress && !Shift.Contains(ssShift) && Button == mbLeft && InSelection) {
    FSelectionDragArmed = true;
    return;
  }
  if (!FOptions.Contains(dgMultiSelect) || !FOptions.Contains(dgRowSelect))
    StartRectSelection(Button, Shift, Cell, OldCell, OldBookmark, InSelection);
  const bool RectApplies = !FOptions.Contains(dgRowSelect) && DataColumn && CanSelectType(gstRectangle);
  if (CanSelectType(gstRecordBookmarks) && !RectApplies) StartRowSelection(Button, Shift, Cell.Y - OldCell.Y);
  const bool SameCell = OldCell.X == GetCol() && OldCell.Y == GetRow() && OldColumn == GetSelectedIndex() &&
                        (!RowPanelPainted() || PanelColumn >= 0) &&
                        DataSet->CompareBookmarks(OldBookmark, DataSet->GetBookmark()) == 0;
  if (Button == mbLeft && DataColumn && CanEditorMode() &&
      (SameCell || FOptions.Contains(dgAlwaysShowEditor) || ButtonHit))
    ShowEditor();
  if (ButtonHit) PressEditorButton(X, Y);
  TColumnEh* Column = DataColumn ? GetCurrentColumn() : nullptr;
  if (Button == mbLeft && Column && (Column->GetColumnKind() == ckCheckBox || Column->GetColumnKind() == ckImageList))
    FDownCell = Cell;
  if (Button != mbLeft) InvalidateEditor();
  TControl::MouseDown(Button, Shift, X, Y);
}

// The editor now over the cell takes the press on its button at once: the
// control under the point is pressed as the mouse pressed the grid.
void TCustomDBGridEh::PressEditorButton(Integer X, Integer Y) {
  TInplaceEdit* Editor = GetInplaceEditor();
  if (!Editor || !Editor->GetVisible() || !Editor->HandleAllocated()) return;
  const TPoint Screen = ClientToScreen(TPoint(X, Y));
  HWND Target = WindowFromPoint(Screen);
  if (!Target || Target == GetHandle() || (Target != Editor->GetHandle() && !IsChild(Editor->GetHandle(), Target)))
    return;
  TPoint At = Screen;
  ::ScreenToClient(Target, At);
  // The grid lets the mouse go: the pressed control takes it.
  EndMouseTracking();
  FMouseTrackState = gmtsNoneEh;
  StopTimer();
  SendMessage(Target, WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(At.X, At.Y));
}

// The current cell follows the held mouse; with rectangles allowed a rectangle
// is anchored at the pressed cell, or stretched to it with Shift.
void TCustomDBGridEh::StartRectSelection(TMouseButton Button, TShiftState Shift, TGridCoord Cell, TGridCoord OldCell,
                                         const TBookmark& OldBookmark, bool InSelection) {
  FTitleButtonDown = true;
  FCellTracking = true;
  const bool Plain = !Shift.Contains(ssCtrl) && !Shift.Contains(ssShift);
  if (Plain && FOptionsEh.Contains(dghClearSelection) && !(Button == mbRight && InSelection)) ClearSelectionIfNeeded();
  TDataSet* DataSet = FDataLink->GetDataSet();
  if (Cell.X < FIndicatorOffset || Button != mbLeft || !CanSelectType(gstRectangle) || DataSet->IsEmpty()) return;
  TDBGridEhSelectionRect* Rect = FSelection->GetRect();
  const Integer Here = CurrentVisibleColumn();
  if (!Shift.Contains(ssShift)) {
    Rect->Select(Here, DataSet->GetBookmark(), false);
  } else if (FSelection->GetSelectionType() == gstRectangle) {
    Rect->Select(Here, DataSet->GetBookmark(), true);
  } else {
    const Integer OldVisible =
        FVisibleColumns->IndexOf(OldCell.X >= FIndicatorOffset ? FColumns->Items(RawToDataColumn(OldCell.X)) : nullptr);
    Rect->Select(std::max(0, OldVisible), OldBookmark, false);
    Rect->Select(Here, DataSet->GetBookmark(), true);
  }
  FMouseTrackState = gmtsSelectingRectEh;
}

// Rows: Shift selects from the current row to the pressed one; otherwise a press
// flips the row (with Ctrl, or without dghClearSelection) or makes it the only
// one selected. The held mouse goes on selecting rows.
void TCustomDBGridEh::StartRowSelection(TMouseButton Button, TShiftState Shift, Integer RowDistance) {
  if (Shift.Contains(ssShift) && RowDistance != 0) {
    // The rows passed are selected, whatever the current row's state: toggling
    // would take the state from the current row, which the press before this
    // one has usually just selected, and so unselect the whole range.
    FToggleSelectOnMove = false;
    SelectMove(true, RowDistance, false, true);
  } else if (Button == mbLeft) {
    if (Shift.Contains(ssCtrl) || !FOptionsEh.Contains(dghClearSelection)) {
      FBookmarks->SetCurrentRowSelected(!FBookmarks->GetCurrentRowSelected());
    } else {
      ClearSelectionIfNeeded();
      FBookmarks->SetCurrentRowSelected(true);
    }
  }
  FSelectStartedByMouse = true;
  if (!GetMouseCapture()) return;
  FTitleButtonDown = true;
  FSelectionAnchorSet = true;
  FSelectionAnchorWasSelected = !FBookmarks->GetCurrentRowSelected();
  FSelectionAnchorBookmark = FDataLink->GetDataSet()->GetBookmark();
  FToggleSelectOnMove = Shift.Contains(ssCtrl) || !FOptionsEh.Contains(dghClearSelection);
  FMouseTrackState = gmtsSelectingRowsEh;
}

void TCustomDBGridEh::SetTreeNodeExpandedKeepingRecord(Integer Row, bool Expanded) {
  TDataSet* DataSet = FDataLink->GetDataSet();
  TMemoryRecordEh* Current = FIntMemTable->GetCurrentRecord();
  Integer Ancestor = -1;
  DataSet->DisableControls();
  {
    TScopeExitEh Enable([DataSet] { DataSet->EnableControls(); });
    Ancestor = FIntMemTable->SetTreeNodeExpanded(Row, Expanded);
  }
  if (Ancestor >= 1) DataSet->SetRecNo(Ancestor);
  else if (Current) FIntMemTable->GotoRecord(Current);
}
