// Mouse interaction of the base grid: selecting a range with timed scrolling,
// sizing lines, moving lines with the move marker and timed auto-scroll, cell
// clicks, hot tracking, and cancel mode. Timer 1 runs every 60 ms exactly while
// the grid is selecting or moving.

#include <algorithm>
#include <cmath>

#include "gridbase/GridsEh.h"
#include "platform/core/ScopeGuard.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Timers.h"

namespace {

constexpr std::uintptr_t GridTimerId = 1;
constexpr UINT GridTimerInterval = 60;

// The interval while a column is dragged past an edge: the farther out, the faster.
UINT EdgeInterval(Integer Room, Integer Distance) {
  const Integer D = std::max(1, std::min(200, Room));
  const Integer d = std::min(std::max(0, Distance), D);
  const Integer dd = d <= 10 ? 1 : d - 10;
  return UINT(std::trunc(double(D) / double(dd) * 1.5)) + 60;
}

}  // namespace

bool TCustomGridEh::CanCellMouseClick(const TMessage& Message) {
  return FGridState == gsNormal && GetXLParam(Message.LParam) >= 0 && GetYLParam(Message.LParam) >= 0;
}

void TCustomGridEh::CellMouseClick(const TGridCoord& Cell, TMouseButton Button, TShiftState Shift, Integer X,
                                   Integer Y) {
  if (OnCellMouseClick) OnCellMouseClick(this, Cell, Button, Shift, X, Y);
  else DefaultCellMouseClick(Cell, Button, Shift, X, Y);
}

bool TCustomGridEh::EndColumnDrag(Integer& Origin, Integer& Destination, const TPoint&) {
  if (Destination > Origin && !FMoveRight) --Destination;
  return true;
}

void TCustomGridEh::MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  HideEdit();
  if (!GetComponentState().Contains(csDesigning) && (CanFocus() || GetParentForm(this) == nullptr)) {
    SetFocus();
    if (!IsActiveControl()) {
      ReleaseCapture();
      return;
    }
  }
  bool MarkerShown = false;
  try {
    if (Button == mbLeft && Shift.Contains(ssDouble)) DblClick();
    if (Button == mbLeft && !Shift.Contains(ssDouble)) {
      TGridDrawInfoEh DrawInfo;
      CalcDrawInfo(DrawInfo);
      TGridState State = gsNormal;
      Integer Index = -1, Pos = 0, Ofs = 0;
      CalcSizingState(X, Y, State, Index, Pos, Ofs, DrawInfo);
      if (State != gsNormal) {
        FGridState = State;
        FSizingIndex = Index;
        FSizingPos = Pos;
        FSizingOfs = Ofs;
        if (State == gsColSizing && UseRightToLeftAlignment()) {
          // The sizing line is drawn and moved in client pixels: the mirror.
          FSizingPos = MirroredX(Pos);
          FSizingOfs = -Ofs;
        }
        DrawSizingLine(DrawInfo);
      } else {
        const TGridCoord Cell = CalcCoordFromPoint(X, Y, DrawInfo);
        const bool DataCell = Cell.X >= FFixedCols - FFrozenColCount && Cell.Y >= FFixedRows - FFrozenRowCount &&
                              Cell.X >= 0 && Cell.Y >= 0 && Cell.X < FColCount && Cell.Y < FRowCount;
        if (DataCell) {
          if (FOptions.Contains(goEditing)) {
            if (Cell.X == FCurrent.X && Cell.Y == FCurrent.Y) {
              ShowEditor();
            } else {
              MoveCurrent(Cell.X, Cell.Y, true, true, true);
              UpdateEdit();
            }
            Click();
          } else {
            FGridState = gsSelecting;
            SetTimer(GetHandle(), GridTimerId, GridTimerInterval);
            if (Shift.Contains(ssShift)) MoveAnchor(Cell);
            else MoveCurrent(Cell.X, Cell.Y, true, true, true);
          }
        } else if (FOptions.Contains(goRowMoving) && Cell.X >= 0 && Cell.X < FFixedCols && Cell.Y >= FFixedRows &&
                   Cell.Y < FRowCount) {
          FMoveIndex = Cell.Y;
          FMovePos = Cell.Y;
          if (BeginRowDrag(FMoveIndex, FMovePos, TPoint(X, Y))) {
            FGridState = gsRowMoving;
            Update();
            DrawMove(DrawInfo);
            MarkerShown = true;
            SetTimer(GetHandle(), GridTimerId, GridTimerInterval);
          }
        } else if (FOptions.Contains(goColMoving) && Cell.Y >= 0 && Cell.Y < FFixedRows && Cell.X >= FFixedCols &&
                   Cell.X < FColCount) {
          FMoveIndex = Cell.X;
          FMovePos = Cell.X;
          FMoveRight = false;
          if (BeginColumnDrag(FMoveIndex, FMovePos, TPoint(X, Y))) {
            FGridState = gsColMoving;
            Update();
            DrawMove(DrawInfo);
            MarkerShown = true;
            SetTimer(GetHandle(), GridTimerId, GridTimerInterval);
          }
        }
      }
    }
    TCustomControl::MouseDown(Button, Shift, X, Y);
  } catch (...) {
    if (MarkerShown) {
      if (FGridState == gsRowMoving) {
        TGridDrawInfoEh DrawInfo;
        CalcDrawInfo(DrawInfo);
        DrawMove(DrawInfo);
      }
      HideMoveLine();
    }
    throw;
  }
}

void TCustomGridEh::MouseMove(TShiftState Shift, Integer X, Integer Y) {
  // The display may hit-test the top-level window only; the mouse's own place
  // serves the cursor choice as well.
  FLastHitTestPoint = TPoint(X, Y);
  TGridDrawInfoEh DrawInfo;
  CalcDrawInfo(DrawInfo);
  switch (FGridState) {
    case gsRowSizing:
    case gsColSizing:
      DrawSizingLine(DrawInfo);
      FSizingPos = (FGridState == gsRowSizing ? Y : X) + FSizingOfs;
      DrawSizingLine(DrawInfo);
      break;
    case gsSelecting:
    case gsRowMoving:
    case gsColMoving: {
      TGridCoord Cell = CalcCoordFromPoint(X, Y, DrawInfo);
      const bool Designing = GetComponentState().Contains(csDesigning);
      const bool ColOk = Cell.X >= FFixedCols - FFrozenColCount &&
                         Cell.X <= std::min(DrawInfo.Horz.LastFullVisibleCell + 1, FColCount - 1);
      const bool RowOk = Cell.Y >= FFixedRows - FFrozenRowCount &&
                         Cell.Y <= std::min(DrawInfo.Vert.LastFullVisibleCell + 1, FRowCount - 1);
      if (FGridState == gsSelecting) {
        if ((Designing || (ColOk && RowOk)) && !(Cell == FAnchor)) MoveAnchor(Cell);
      } else if (FGridState == gsRowMoving) {
        MoveAndScroll(Y, RowOk || Designing ? Cell.Y : -1, DrawInfo, false, TPoint(X, Y));
      } else {
        MoveAndScroll(X, ColOk || Designing ? Cell.X : -1, DrawInfo, true, TPoint(X, Y));
      }
      break;
    }
    default: UpdateHotTrack(X, Y); break;
  }
  TCustomControl::MouseMove(Shift, X, Y);
}

void TCustomGridEh::MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  const TGridState State = FGridState;
  // Whatever happens below, the interaction is over.
  FGridState = gsNormal;
  {
    TScopeExit Normal([&] { FGridState = gsNormal; });
    TGridDrawInfoEh DrawInfo;
    CalcDrawInfo(DrawInfo);
    switch (State) {
      case gsSelecting:
        FGridState = gsSelecting;
        MouseMove(Shift, X, Y);
        FGridState = gsNormal;
        KillTimer(GetHandle(), GridTimerId);
        UpdateEdit();
        Click();
        break;
      case gsRowSizing:
      case gsColSizing: {
        FGridState = State;
        DrawSizingLine(DrawInfo);
        FGridState = gsNormal;
        const bool Cols = State == gsColSizing;
        // A mirrored sizing position is turned back into the lines' terms.
        if (Cols && UseRightToLeftAlignment()) FSizingPos = MirroredX(FSizingPos);
        const TGridAxisDrawInfoEh& A = Cols ? DrawInfo.Horz : DrawInfo.Vert;
        Integer NewExtent;
        if (FSizingIndex >= A.GridCellCount) {
          // A contra line is sized from its leading edge: its far edge stays.
          const Integer Start = A.LinePos(FSizingIndex);
          NewExtent = Start + A.GetExtent(FSizingIndex) - FSizingPos;
        } else if (FSizingIndex < A.FixedCellCount) {
          Integer Start = A.FrozenBoundary;
          for (Integer I = A.FixedCellCount - A.FrozenCount; I < FSizingIndex; ++I)
            Start += A.GetExtent(I) + A.EffectiveLineWidth;
          NewExtent = FSizingPos - Start;
        } else {
          Integer Start = A.FixedBoundary - A.FirstCellOffset;
          for (Integer I = A.FirstGridCell; I < FSizingIndex; ++I) Start += A.GetExtent(I) + A.EffectiveLineWidth;
          NewExtent = FSizingPos - Start;
        }
        if (NewExtent > 1) {
          if (Cols) SetColWidths(FSizingIndex, NewExtent);
          else SetRowHeights(FSizingIndex, NewExtent);
          UpdateDesigner();
        }
        break;
      }
      case gsRowMoving:
        FGridState = gsRowMoving;
        DrawMove(DrawInfo);  // the XOR line goes again
        FGridState = gsNormal;
        KillTimer(GetHandle(), GridTimerId);
        if (EndRowDrag(FMoveIndex, FMovePos, TPoint(X, Y)) && FMovePos != FMoveIndex) {
          MoveRow(FMoveIndex, FMovePos);
          UpdateDesigner();
        }
        UpdateEdit();
        break;
      case gsColMoving:
        HideMoveLine();
        KillTimer(GetHandle(), GridTimerId);
        if (EndColumnDrag(FMoveIndex, FMovePos, TPoint(X, Y)) && FMovePos != FMoveIndex) {
          MoveColumn(FMoveIndex, FMovePos);
          UpdateDesigner();
        }
        UpdateEdit();
        break;
      default: UpdateEdit(); break;
    }
  }
  TCustomControl::MouseUp(Button, Shift, X, Y);
}

void TCustomGridEh::MoveAndScroll(Integer Mouse, Integer CellHit, TGridDrawInfoEh& DrawInfo, bool Horizontal,
                                  const TPoint& MousePt) {
  TGridAxisDrawInfoEh* A = Horizontal ? &DrawInfo.Horz : &DrawInfo.Vert;
  const Integer FirstScroll = A->FixedCellCount;
  const Integer LastLine = A->GridCellCount - 1;
  // Right-to-left, the mouse is taken at its mirror, where the lines are.
  const bool Mirror = Horizontal && UseRightToLeftAlignment();
  if (Mirror) Mouse = MirroredX(Mouse);
  bool Candidate = FMovePos > FMoveIndex;
  if (Horizontal && CellHit >= 0) {
    // Before the middle of the first visible column after a hidden moved column.
    if (GetColWidths(FMoveIndex) <= 0) {
      Integer FirstVisible = FMoveIndex + 1;
      while (FirstVisible < FColCount && GetColWidths(FirstVisible) <= 0) ++FirstVisible;
      if (CellHit == FirstVisible) {
        const TRect R = Mirror ? MirroredRect(CellRect(CellHit, 0)) : CellRect(CellHit, 0);
        if (Mouse < (R.Left + R.Right) / 2) Candidate = false;
      }
    }
  }
  if (FMovePos == CellHit && FMoveRight == Candidate) return;
  if (A->FirstCellOffset == 0 && FMovePos == FirstScroll && Mouse < A->FixedBoundary) return;
  if (FMovePos == LastLine && Mouse > A->GridBoundary) return;
  const bool RowMove = FGridState == gsRowMoving;
  if (RowMove) DrawMove(DrawInfo);  // erase the XOR line
  else HideMoveLine();
  if (Mouse < A->FixedBoundary) {
    if (FMovePos > FirstScroll || A->FirstCellOffset != 0) {
      ModifyScrollBar(Horizontal ? SB_HORZ : SB_VERT, SB_LINEUP, 0, false);
      Update();
      CalcDrawInfo(DrawInfo);
    }
    CellHit = A->FirstGridCell;
  } else if (Mouse < A->FullVisBoundary) {
    if (CellHit < 0) CellHit = FMovePos;
  } else {
    if (FMovePos == A->LastFullVisibleCell && FMovePos < LastLine) {
      ModifyScrollBar(Horizontal ? SB_HORZ : SB_VERT, SB_LINEDOWN, 0, false);
      Update();
      CalcDrawInfo(DrawInfo);
    }
    CellHit = A->LastFullVisibleCell;
  }
  Integer Origin = FMoveIndex, Destination = CellHit;
  const bool Ok =
      Horizontal ? CheckColumnDrag(Origin, Destination, MousePt) : CheckRowDrag(Origin, Destination, MousePt);
  if (Ok) {
    FMovePos = Destination;
    FMoveRight = Candidate || FMovePos > FMoveIndex;
  }
  DrawMove(DrawInfo);
}

void TCustomGridEh::UpdateColumnMoveTarget(Integer ColumnIndex, Integer X, Integer Y) {
  TGridDrawInfoEh DrawInfo;
  CalcDrawInfo(DrawInfo);
  FMoveIndex = ColumnIndex;
  FMovePos = std::max(CalcCoordFromPoint(X, Y, DrawInfo).X, DrawInfo.Horz.FirstGridCell);
  FMoveRight = FMovePos > FMoveIndex;
  if (BeginColumnDrag(FMoveIndex, FMovePos, TPoint(X, Y))) {
    FGridState = gsColMoving;
    Update();
    DrawMove(DrawInfo);
    SetTimer(GetHandle(), GridTimerId, GridTimerInterval);
  }
}

void TCustomGridEh::WMTimer() {
  if (FGridState != gsSelecting && FGridState != gsRowMoving && FGridState != gsColMoving) return;
  const TPoint P = ScreenToClient(GetCursorPos());
  TGridDrawInfoEh DrawInfo;
  CalcDrawInfo(DrawInfo);
  const TGridAxisDrawInfoEh& H = DrawInfo.Horz;
  const TGridAxisDrawInfoEh& V = DrawInfo.Vert;
  // Right-to-left, the lines lie at the mirror of the mouse.
  const bool Mirror = UseRightToLeftAlignment();
  const Integer LineX = Mirror ? MirroredX(P.X) : P.X;
  switch (FGridState) {
    case gsSelecting: {
      Integer Direction = 0;
      if (LineX < H.FixedBoundary) Direction |= sdLeft;
      else if (LineX > H.GridBoundary) Direction |= sdRight;
      if (P.Y < V.FixedBoundary) Direction |= sdUp;
      else if (P.Y > V.GridBoundary) Direction |= sdDown;
      if (Direction != 0) TimedScroll(Direction);
      break;
    }
    case gsRowMoving: {
      const TGridCoord Cell = CalcCoordFromPoint(P.X, P.Y, DrawInfo);
      MoveAndScroll(P.Y, Cell.Y, DrawInfo, false, P);
      break;
    }
    case gsColMoving: {
      const Integer OldLeft = FTopLeft.X, OldPixel = FPixelPos[0];
      const TGridCoord Cell = CalcCoordFromPoint(P.X, P.Y, DrawInfo);
      MoveAndScroll(P.X, Cell.X, DrawInfo, true, P);
      CalcDrawInfo(DrawInfo);
      UINT Interval = GridTimerInterval;
      if (FMovePos >= DrawInfo.Horz.FixedCellCount) {
        const TPoint Origin = ClientToScreen(TPoint(0, 0));
        // The room between an edge of the grid and the screen's edge beyond it.
        auto RoomBefore = [&](Integer Edge) {
          const Integer X = Origin.X + (Mirror ? MirroredX(Edge) : Edge);
          return Mirror ? GetSystemMetrics(SM_CXSCREEN) - X : X;
        };
        if (LineX < DrawInfo.Horz.FixedBoundary) {
          Interval = EdgeInterval(RoomBefore(DrawInfo.Horz.FixedBoundary), DrawInfo.Horz.FixedBoundary - LineX);
        } else if (LineX > DrawInfo.Horz.GridExtent) {
          const Integer Beyond = GetSystemMetrics(SM_CXSCREEN) - RoomBefore(DrawInfo.Horz.GridExtent);
          Interval = EdgeInterval(Beyond, LineX - DrawInfo.Horz.GridExtent);
        } else if (FTopLeft.X > OldLeft || FPixelPos[0] > OldPixel) {
          Interval = 360;
        }
      }
      SetTimer(GetHandle(), GridTimerId, Interval);
      break;
    }
    default: break;
  }
}

void TCustomGridEh::TimedScroll(Integer Direction) {
  TGridCoord NewAnchor = FAnchor;
  if ((Direction & sdLeft) && NewAnchor.X > FFixedCols) --NewAnchor.X;
  if ((Direction & sdRight) && NewAnchor.X < FColCount - 1) ++NewAnchor.X;
  if ((Direction & sdUp) && NewAnchor.Y > FFixedRows) --NewAnchor.Y;
  if ((Direction & sdDown) && NewAnchor.Y < FRowCount - 1) ++NewAnchor.Y;
  if (!(NewAnchor == FAnchor)) MoveAnchor(NewAnchor);
}

void TCustomGridEh::UpdateHotTrack(Integer X, Integer Y) {
  if (GetComponentState().Contains(csDesigning)) return;
  const TGridCoord Cell = MouseCoord(X, Y);
  const bool Valid = FHotTrackCell.X >= 0 && FHotTrackCell.Y >= 0;
  if (Cell.X >= 0 && CanCellHotTrack(Cell.X, Cell.Y)) {
    if (!(Cell == FHotTrackCell)) {
      if (Valid) InvalidateCell(FHotTrackCell.X, FHotTrackCell.Y);
      InvalidateCell(Cell.X, Cell.Y);
      FHotTrackCell = Cell;
    }
  } else if (Valid) {
    InvalidateCell(FHotTrackCell.X, FHotTrackCell.Y);
    FHotTrackCell = {-1, -1};
  }
  if (FHotTrackCell.X >= 0 && FHotTrackCell.Y >= 0) {
    const TRect R = CellRect(FHotTrackCell.X, FHotTrackCell.Y);
    FHotTrackOffset = TPoint(X - R.Left, Y - R.Top);
  } else {
    FHotTrackOffset = TPoint(-1, -1);
  }
}

void TCustomGridEh::CancelMode() {
  TScopeExit Normal([&] { FGridState = gsNormal; });
  TGridDrawInfoEh DrawInfo;
  CalcDrawInfo(DrawInfo);
  switch (FGridState) {
    case gsSelecting: KillTimer(GetHandle(), GridTimerId); break;
    case gsRowSizing:
    case gsColSizing: DrawSizingLine(DrawInfo); break;
    case gsRowMoving:
      DrawMove(DrawInfo);
      HideMoveLine();
      KillTimer(GetHandle(), GridTimerId);
      break;
    case gsColMoving:
      HideMoveLine();
      KillTimer(GetHandle(), GridTimerId);
      break;
    default: break;
  }
}
