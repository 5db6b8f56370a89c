// What a held mouse button does as the mouse moves, and the release that ends it:
// title presses turning into column moves, selections following the mouse,
// the grid's own live column sizing, title clicks that step the sort markers,
// cell clicks; automatic scrolling beyond the data area; the wheel; hot tracking.
//
// Index of this file:
//   MouseMove: title press, selection tracking, column selection, live sizing
//   MouseUp: sizing, the title click and its sort marking, tracking ends, cell clicks
//   CancelMode, the tracking timer's automatic scrolling
//   the wheel, hot tracking, leaving the grid
//
// Sort marking: a plain title click steps the title's marker (none -> down ->
// up -> down), clears the others and sorts at once (SortMarkingChanged); with Ctrl
// the others stay, up steps to none, and the sorting waits until Ctrl is released
// (KeyUp), so Ctrl-clicks on three titles sort once by three fields.

#include <algorithm>
#include <cstdlib>

#include "grid/DBGridEh.h"
#include "grid/ScopeGuardEh.h"
#include "platform/ui/Forms.h"

namespace {

// A held title press becomes a column move once the mouse is this far from the press.
constexpr Integer DragThresholdEh = 3;
// The slowest automatic scrolling; the farther the mouse is outside the data, the shorter the interval.
constexpr Integer AutoScrollSlowestEh = 200;

}  // namespace

// ---- MouseMove ----------------------------------------------------------------------------------------------

void TCustomDBGridEh::MouseMove(TShiftState Shift, Integer X, Integer Y) {
  FPriorMovePos = FLastMovePos;
  FLastMovePos = TPoint(X, Y);
  if (FMouseTrackState == gmtsMovingRecordsEh) return TrackRecordMoving(X, Y);
  if (FMouseTrackState == gmtsRowPanelMovingEh) return RowPanelTrackColumnMove(X, Y);
  if (FMouseTrackState == gmtsGroupPanelDragEh) GroupPanelDragOver(X, Y);
  if (FGroupPanelHeight > 0 && ColumnMoveOntoGroupPanel(X, Y)) return;
  if (FSelectionDragArmed) {
    FSelectionDragArmed = false;
    BeginDrag(false);
    return;
  }
  if (FTitleButtonDown && FPressedTitleColumn >= 0) TrackTitlePress(X, Y);
  if (FRowPanelMoveColumn >= 0 && FMouseTrackState == gmtsNoneEh && RowPanelPainted() && GetMouseCapture() &&
      FOptionsEh.Contains(dghColumnMove) &&
      (std::abs(X - FDownPos.X) > DragThresholdEh || std::abs(Y - FDownPos.Y) > DragThresholdEh))
    return RowPanelStartColumnMove(FRowPanelMoveColumn, X, Y);
  if (IsTrackingSelection()) {
    TrackSelection(Shift, X, Y);
  } else if (FMouseTrackState == gmtsSelectingColumnsEh) {
    TrackColumnSelection(X, Y);
  }
  if (FMouseTrackState == gmtsTitleSizingEh) TrackColumnSizing(X);
  TCustomGridEh::MouseMove(Shift, X, Y);
}

bool TCustomDBGridEh::IsTrackingSelection() const {
  return FSelectStartedByMouse || FCellTracking || FMouseTrackState == gmtsSelectingRectEh;
}

// The pressed title looks pressed only while the mouse is over it; dragged more
// than a few pixels with dghColumnMove, the press becomes the base grid's column move.
void TCustomDBGridEh::TrackTitlePress(Integer X, Integer Y) {
  // A title carried onto the group panel will group by its column.
  if (FGroupPanelHeight > 0 && Y >= 0 && Y < FGroupPanelHeight && FPressedTitleDataColumn >= 0 &&
      FDataGrouping->GetMemTable()) {
    FGroupPanelDragColumn = FPressedTitleDataColumn;
    FTitleButtonDown = false;
    FPressedTitleColumn = -1;
    FMouseTrackState = gmtsGroupPanelDragEh;
    Invalidate();
    GroupPanelDragOver(X, Y);
    return;
  }
  const TGridCoord Cell = MouseCoord(X, Y);
  const bool Inside = Cell.X == FPressedTitleColumn && Cell.Y == 0 &&
                      (!RowPanelPainted() || MouseDataColumn(Cell, X, Y) == FPressedTitleDataColumn);
  if (Inside != FPressedTitleInside) {
    FPressedTitleInside = Inside;
    InvalidateCell(FPressedTitleColumn, 0);
  }
  const bool Far = std::abs(X - FDownPos.X) > DragThresholdEh || std::abs(Y - FDownPos.Y) > DragThresholdEh;
  if (!Far || !FOptionsEh.Contains(dghColumnMove)) return;
  if (RowPanelPainted()) {
    if (GetMouseCapture() && FMouseTrackState == gmtsNoneEh && GetGridState() == gsNormal)
      RowPanelStartColumnMove(FPressedTitleDataColumn, X, Y);
    return;
  }
  InvalidateCell(FPressedTitleColumn, 0);
  FTitleButtonDown = false;
  FPressedTitleColumn = FPressedTitleDataColumn = -1;
  GetCanvas()->GetPen()->SetColor(TColor(0xC0C0C0));
  TCustomGridEh::MouseDown(mbLeft, FDownShift, FDownPos.X, FDownPos.Y);
}

// The current record follows the mouse over the rows, the current column over
// the columns; the rows or the rectangle passed are selected on the way.
void TCustomDBGridEh::TrackSelection(TShiftState Shift, Integer X, Integer Y) {
  TGridDrawInfoEh DrawInfo;
  CalcDrawInfo(DrawInfo);
  const TGridAxisDrawInfoEh& H = DrawInfo.Horz;
  const TGridAxisDrawInfoEh& V = DrawInfo.Vert;
  // Held to the columns (right-to-left, to their mirror).
  const Integer LX = std::clamp(LogicalX(X), 0, std::max(0, H.GridBoundary - 1));
  X = LogicalX(LX);
  Y = std::clamp(Y, 0, std::max(0, V.GridBoundary - 1));
  const TGridCoord Cell = CalcCoordFromPoint(X, Y, DrawInfo);
  const bool Rect = FMouseTrackState == gmtsSelectingRectEh;
  if (Y >= V.FixedBoundary && Cell.Y >= GetTitleRowCount() && Cell.Y < GetRowCount() && Cell.Y != GetRow()) {
    const bool Select = Shift.Contains(ssLeft) && !(FLastMovePos == FPriorMovePos);
    SelectMove(Select, Cell.Y - GetRow(), false, !Rect);
  }
  if ((FCellTracking || Rect) && LX >= H.FixedBoundary && Cell.X >= GetFixedCols() && Cell.X != GetCol()) {
    MoveToColumn(Cell.X, Cell.X > GetCol() ? 1 : -1, false);
    if (Rect && FDataLink->GetActive())
      FSelection->GetRect()->Select(CurrentVisibleColumn(), FDataLink->GetDataSet()->GetBookmark(), true);
  }
  FTrackShift = Shift;
  AutoScrollSelection();
}

void TCustomDBGridEh::TrackColumnSelection(Integer X, Integer Y) {
  TGridDrawInfoEh DrawInfo;
  CalcDrawInfo(DrawInfo);
  const TGridCoord Cell = CalcCoordFromPoint(X, Y, DrawInfo);
  const Integer DataCol = RawToDataColumn(Cell.X);
  const Integer LX = LogicalX(X);
  const bool OnColumn = LX >= DrawInfo.Horz.FixedBoundary && LX < DrawInfo.Horz.GridBoundary && Cell.X >= 0 &&
                        DataCol >= 0 && DataCol < FColumns->GetCount();
  if (!OnColumn) return AutoScrollSelection();
  StopTimer();
  TDBGridEhSelectionCols* Columns = FSelection->GetColumns();
  if (Columns->GetShiftCol() != FColumns->Items(DataCol)) Columns->SelectShift(FColumns->Items(DataCol));
}

Integer TCustomDBGridEh::ColumnLeftEdge(Integer ACol) const { return LogicalCellRect(ACol, 0).Left; }

// The column takes the width at once; fitted columns only while the others keep their room.
void TCustomDBGridEh::TrackColumnSizing(Integer X) {
  FSizingPosEh = FSizingOffsetEh + LogicalX(X);
  const Integer Width = FSizingPosEh - ColumnLeftEdge(FSizingIndexEh);
  if (Width <= 1 || FSizingIndexEh < 0 || FSizingIndexEh >= GetFullColCount()) return;
  if (FAutoFitColWidths && !GetComponentState().Contains(csDesigning)) {
    const Integer Line = FOptions.Contains(dgColLines) ? GetGridLineWidth() : 0;
    Integer Room = 0;
    for (Integer C = FSizingIndexEh + 1; C < GetColCount(); ++C) {
      const Integer DataCol = RawToDataColumn(C);
      if (DataCol < 0 || DataCol >= FColumns->GetCount() || !FColumns->Items(DataCol)->GetVisible()) continue;
      Room += std::max(1, FColumns->Items(DataCol)->GetMinWidth()) + Line;
    }
    if (FSizingPosEh >= GetClientWidth() - Room) return;
  }
  if (GetColWidths(FSizingIndexEh) != Width) SetColWidths(FSizingIndexEh, Width);
}

// ---- MouseUp ---------------------------------------------------------------------------------------------------

void TCustomDBGridEh::MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  if (GroupPanelMouseUp(X, Y)) return;
  if (FMouseTrackState == gmtsMovingRecordsEh) return EndRecordMoving(X, Y, true);
  if (FMouseTrackState == gmtsRowPanelMovingEh) return RowPanelEndColumnMove(true);
  FRowPanelMoveColumn = -1;
  if (RowPanelPainted() && (GetGridState() == gsColSizing || GetGridState() == gsRowSizing)) {
    // The base grid's line only tracked the mouse: the panel's columns take the size.
    const TGridState State = GetGridState();
    TCustomGridEh::CancelMode();
    EndMouseTracking();
    return RowPanelSizingRelease(State, Shift);
  }
  const TGridCoord Cell = MouseCoord(X, Y);
  if (FMouseTrackState == gmtsTitleSizingEh) {
    // Sized live: the width is in place already.
    FMouseTrackState = gmtsNoneEh;
    FSizingIndexEh = -1;
    return;
  }
  if (FSelectionDragArmed) {
    FSelectionDragArmed = false;
    if (Shift.Contains(ssCtrl) && FOptions.Contains(dgRowSelect))
      FBookmarks->SetCurrentRowSelected(!FBookmarks->GetCurrentRowSelected());
    else if (FOptionsEh.Contains(dghClearSelection)) ClearSelectionIfNeeded();
  }
  const bool WasTracking = FMouseTrackState != gmtsNoneEh;
  FMouseTrackState = gmtsNoneEh;
  FSelectionAnchorSet = false;
  ReleaseTitle(Shift, X, Y, Cell);
  if (FRightButtonColumnMove) {
    FRightButtonColumnMove = false;
    SetMouseCapture(false);
    Button = mbLeft;
  }
  EndMouseTracking();
  if (WasTracking) StopTimer();
  const TGridState BaseState = GetGridState();
  TCustomGridEh::MouseUp(Button, Shift, X, Y);
  if (BaseState == gsRowSizing || BaseState == gsColSizing) return;
  ReleaseClicks(Button, Shift, X, Y, Cell);
}

void TCustomDBGridEh::EndMouseTracking() {
  FTitleButtonDown = false;
  FCellTracking = false;
  FSelectStartedByMouse = false;
}

// The release of a pressed title over the same title is a title click: the
// title-button event, then the sort marker steps (dghAutoSortMarking).
void TCustomDBGridEh::ReleaseTitle(TShiftState Shift, Integer X, Integer Y, TGridCoord Cell) {
  if (!FTitleButtonDown || FPressedTitleColumn < 0) return;
  const Integer Col = FPressedTitleColumn, DataCol = FPressedTitleDataColumn;
  bool Counted = GetClientRect().Contains(TPoint(X, Y)) && Cell.Y == 0 && Cell.X == Col &&
                 (!RowPanelPainted() || MouseDataColumn(Cell, X, Y) == DataCol);
  // Over a multi-level title only the column's own part counts, not the shared part above.
  if (Counted && DataCol >= 0 && DataCol < FColumns->GetCount())
    Counted = InTitleLeafPart(FColumns->Items(DataCol), CellRect(Col, 0), Y);
  FTitleButtonDown = false;
  FPressedTitleColumn = FPressedTitleDataColumn = -1;
  InvalidateCell(Col, 0);
  if (!Counted || DataCol < 0 || DataCol >= FColumns->GetCount()) return;
  TColumnEh* Column = FColumns->Items(DataCol);
  TitleBtnClick(DataCol, Column);
  const bool Ctrl = Shift.Contains(ssCtrl);
  if (!FOptionsEh.Contains(dghAutoSortMarking)) return;
  Column->GetTitle()->SetNextSortMarkerValue(Ctrl);
  if (Ctrl) {
    FSortMarkingPending = true;
  } else {
    FSortMarkingPending = false;
    SortMarkingChanged();
  }
}

// A left release on a data column: a title click, or a cell click unless it
// hit a tree button; a value-stepping cell released where it was pressed steps.
void TCustomDBGridEh::ReleaseClicks(TMouseButton Button, TShiftState Shift, Integer X, Integer Y, TGridCoord Cell) {
  TInplaceEdit* Editor = GetInplaceEditor();
  if (Editor && Editor->GetVisible() && Editor->GetBoundsRect().Contains(TPoint(X, Y))) return;
  const Integer DataCol = MouseDataColumn(Cell, X, Y);
  if (Cell.X < FIndicatorOffset || Cell.Y < 0 || DataCol < 0 || DataCol >= FColumns->GetCount()) return;
  TColumnEh* Column = FColumns->Items(DataCol);
  Integer ColType = 0, RowType = 0;
  const TCellAreaVertEh Area = GetCellType(Cell.X, Cell.Y, ColType, RowType).Vert;
  if (Button == mbLeft && Area == cavTitleEh) {
    TitleClick(Column);
  } else if (Button == mbLeft && Area == cavDataEh) {
    if (TreeButtonPress(X, Y, Cell, true)) return;
    CellClick(Column);
  }
  const bool Stepping =
      !RowPanelPainted() && (Column->GetColumnKind() == ckCheckBox || Column->GetColumnKind() == ckImageList);
  if (Stepping && Area == cavDataEh && Cell == FDownCell && !Column->GetDblClickNextVal() &&
      !FDownShift.Contains(ssDouble) && Column->CanModify(true))
    StepCellValue(Column, Shift.Contains(ssShift));
}

// ---- Cancelling, automatic scrolling ---------------------------------------------------------------------

void TCustomDBGridEh::CancelMode() {
  TCustomGridEh::CancelMode();
  if (FMouseTrackState == gmtsRowPanelMovingEh) RowPanelEndColumnMove(false);
  FRowPanelMoveColumn = -1;
  if (FTitleButtonDown && FPressedTitleColumn >= 0) InvalidateCell(FPressedTitleColumn, 0);
  FPressedTitleColumn = FPressedTitleDataColumn = -1;
  EndMouseTracking();
  FSelectionDragArmed = false;
  FSizingIndexEh = -1;
  if (FMouseTrackState == gmtsGroupPanelDragEh) SetMouseCapture(false);
  EndGroupPanelDrag();
  if (FMouseTrackState != gmtsNoneEh) StopTimer();
  FMouseTrackState = gmtsNoneEh;
}

// Beyond an edge of the data area each tick scrolls towards the mouse and
// takes the selection along: rows by more the farther out the mouse is (at
// most 8 a tick, and faster ticks), columns one a tick. Inside, the timer stops.
void TCustomDBGridEh::AutoScrollSelection() {
  if (!HandleAllocated()) return;
  TPoint P = ScreenToClient(GetCursorPos());
  P.X = LogicalX(P.X);  // the edges of the data area are the mirrored ones right-to-left
  TGridDrawInfoEh DrawInfo;
  CalcDrawInfo(DrawInfo);
  const TGridAxisDrawInfoEh& H = DrawInfo.Horz;
  const TGridAxisDrawInfoEh& V = DrawInfo.Vert;
  const Integer DY = P.Y < V.FixedBoundary   ? P.Y - V.FixedBoundary
                     : P.Y >= V.GridBoundary ? P.Y - V.GridBoundary + 1
                                             : 0;
  const Integer DX = P.X < H.FixedBoundary   ? P.X - H.FixedBoundary
                     : P.X >= H.GridBoundary ? P.X - H.GridBoundary + 1
                                             : 0;
  const bool Columns = FMouseTrackState == gmtsSelectingColumnsEh;
  if ((DY == 0 || Columns) && DX == 0) return StopTimer();
  const bool Rect = FMouseTrackState == gmtsSelectingRectEh;
  if (DY != 0 && !Columns) {
    const Integer Rows = std::clamp(std::abs(DY) / 6, 1, 8);
    SelectMove(true, DY < 0 ? -Rows : Rows, false, !Rect);
    return StartTimer(std::max(0, AutoScrollSlowestEh - 15 * std::abs(DY)));
  }
  const Integer Step = DX < 0 ? -1 : 1;
  if (Columns) {
    TDBGridEhSelectionCols* Selected = FSelection->GetColumns();
    const Integer From = Selected->GetShiftCol() ? Selected->GetShiftCol()->GetIndex() : RawToDataColumn(GetCol());
    const Integer To = From + Step;
    if (To >= 0 && To < FColumns->GetCount()) {
      Selected->SelectShift(FColumns->Items(To));
      MoveColRow(std::clamp(DataToRawColumn(To), GetFixedCols(), GetColCount() - 1), GetRow(), false, true, false);
    }
  } else {
    MoveToColumn(GetCol() + Step, Step, Rect);
  }
  StartTimer(std::max(0, AutoScrollSlowestEh - 10 * std::abs(DX)));
}

// ---- The wheel ----------------------------------------------------------------------------------------------

bool TCustomDBGridEh::DoMouseWheelDown(TShiftState Shift, TPoint MousePos) { return WheelStep(1, Shift, MousePos); }

bool TCustomDBGridEh::DoMouseWheelUp(TShiftState Shift, TPoint MousePos) { return WheelStep(-1, Shift, MousePos); }

// Over a table's rows the wheel scrolls the window (the current record stays)
// unless Shift moves the record; over other datasets it moves the record.
bool TCustomDBGridEh::WheelStep(Integer Direction, TShiftState Shift, TPoint MousePos) {
  if (!FDataLink->GetActive()) return true;
  TDataSet* DataSet = FDataLink->GetDataSet();
  if (!FIntMemTable) {
    DataSet->MoveBy(Direction);
    return true;
  }
  const bool Handled =
      Direction > 0 ? TControl::DoMouseWheelDown(Shift, MousePos) : TControl::DoMouseWheelUp(Shift, MousePos);
  if (Handled) return true;
  const bool ShiftKey = Shift.Contains(ssShift), Ctrl = Shift.Contains(ssCtrl);
  if (ShiftKey && Ctrl) {
    DataSet->MoveBy(Direction * VisibleDataRows());
  } else if (ShiftKey) {
    Direction > 0 ? DataSet->Next() : DataSet->Prior();
  } else if (SmoothRowScrollMode() && !Ctrl) {
    ScrollByPixels(0, Direction * GetVertScrollStep());
  } else {
    const Integer Rows = Ctrl ? VisibleDataRows() : 1;
    if (Ctrl && Direction > 0) FetchRecordsOnDemand();
    const Integer Top = std::clamp(GetTopRow() + Direction * Rows, GetFixedRows(), LastTopRow());
    if (Top != GetTopRow()) MoveTopLeft(GetLeftCol(), Top);
  }
  return true;
}

// ---- Hot tracking ------------------------------------------------------------------------------------------

// The hot cell, the edit button under the mouse inside it and the title's
// filter button follow the mouse while no button is held.
void TCustomDBGridEh::UpdateHotTrack(Integer X, Integer Y) {
  const TGridCoord Old = GetHotTrackCell();
  TCustomGridEh::UpdateHotTrack(X, Y);
  const TGridCoord New = GetHotTrackCell();
  const bool Idle = GetGridState() == gsNormal && FMouseTrackState == gmtsNoneEh;
  const Integer Button = Idle && New.X >= 0 ? CellEditButtonAt(New, X, Y) : -1;
  if (Button != FHotEditButton) {
    FHotEditButton = Button;
    if (New.X >= 0 && New == Old) InvalidateCell(New.X, New.Y);
  }
  TColumnEh* FilterColumn = nullptr;
  SetTitleFilterButtonHot(Idle && IsTitleFilterButtonPoint(X, Y, FilterColumn));
  if (Old.Y == New.Y || !(FOptionsEh.Contains(dghRowHighlight) || FOptions.Contains(dgRowSelect))) return;
  if (Old.Y >= 0) InvalidateRow(Old.Y);
  if (New.Y >= 0) InvalidateRow(New.Y);
}
