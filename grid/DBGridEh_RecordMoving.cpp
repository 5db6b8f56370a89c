// Records dragged by their indicator cell to another place in the dataset.
//
// Call flow: MouseDown on the indicator of a data row (RecordMovingPress) makes
// the row current, enters gmtsMovingRecordsEh and starts the tracking timer;
// every mouse move and every tick of that timer (RecordMovingTimer, at the
// cursor) runs TrackRecordMoving, which finds the target row and tree level,
// scrolls a row when the mouse is beyond the data area, asks MoveRecords in
// check mode whether a drop there is allowed, and only then moves the line;
// MouseUp drops (EndRecordMoving with Drop), Esc or a cancel ends without one.
// The drop goes to OnMoveRecords, else to the in-memory table, else to the
// grid center's record-moving service. A table that cannot be modified takes
// no move: the press does not start one.

#include <algorithm>

#include "grid/DBGridEh.h"
#include "grid/ScopeGuardEh.h"
#include "platform/ui/Timers.h"

namespace {

constexpr Integer TreeLevelIndent = 18;
// The tracking timer's interval while records are dragged.
constexpr Integer RecordMovingIntervalEh = 60;

}  // namespace

bool TCustomDBGridEh::RecordMovingPress(TMouseButton Button, TShiftState, Integer X, Integer Y, TGridCoord Cell) {
  if (Button != mbLeft || !FOptionsEh.Contains(dghRecordMoving) || !FDataLink->GetActive()) return false;
  if (Cell.X >= FIndicatorOffset || FIndicatorOffset == 0 || Cell.Y < GetTitleRowCount()) return false;
  TDataSet* DataSet = FDataLink->GetDataSet();
  if (!DataSet || DataSet->IsEmpty() || GroupedRows()) return false;
  const Integer DataRow = Cell.Y - GetTitleRowCount();
  if (DataRow >= VisibleDataRowCount()) return false;
  // The pressed row becomes current.
  if (FIntMemTable) {
    const Integer Delta = DataRow - FIntMemTable->GetCurrentRowIndex();
    if (Delta != 0) DataSet->MoveBy(Delta);
  } else {
    const Integer Delta = DataRow - FDataLink->GetActiveRecord();
    if (Delta != 0) DataSet->MoveBy(Delta);
  }
  FMoveFromRow = Cell.Y;
  FMoveFromBookmark = DataSet->GetBookmark();
  FMoveFromLevel = FIntMemTable && FIntMemTable->IsTreeList() ? FIntMemTable->GetTreeNodeLevel() : -1;
  FMoveSelectedRows = FBookmarks->GetCurrentRowSelected() && FSelection->GetSelectionType() == gstRecordBookmarks;
  FMoveToRow = FMoveFromRow;
  FMoveToLevel = FMoveFromLevel;
  // A read-only table takes no move.
  if (!DataSet->CanModify() || !CanStartRecordMoving()) return true;
  FMouseTrackState = gmtsMovingRecordsEh;
  SetMouseCapture(true);
  FMoveLinePixel = CalcMoveTargetLevel(Cell.Y, TPoint(X, Y), FMoveToLevel);
  StartTimer(RecordMovingIntervalEh);
  return true;
}

Integer TCustomDBGridEh::CalcMoveTargetLevel(Integer Row, TPoint Point, Integer& Level) {
  if (!FIntMemTable || !FIntMemTable->IsTreeList()) {
    Level = -1;
    return 0;
  }
  const Integer TitleRows = GetTitleRowCount();
  const Integer Target = std::clamp(Row, TitleRows, GetRowCount() - 1) - TitleRows;
  Integer Own = 1, Prev = 0, Next = 1;
  if (BeginReadRow(Target)) {
    Own = FIntMemTable->GetTreeNodeLevel();
    Prev = FIntMemTable->GetPrevVisibleTreeNodeLevel();
    Next = std::max(1, FIntMemTable->GetNextVisibleTreeNodeLevel());
    EndReadRow();
  }
  // Levels count from the leading edge of the first data column: the right
  // edge in a right-to-left grid, where the mouse point is measured mirrored.
  const Integer DataLeft = LogicalCellRect(FIndicatorOffset, std::max(Row, TitleRows)).Left;
  Point.X = LogicalX(Point.X);
  // Moving down the records land below the target, moving up above it. They
  // go at most one level deeper than the row just above that place, and no
  // shallower than the row just below it, which would else fall under them.
  const bool Down = Row > FMoveFromRow;
  const Integer MaxLevel = (Down ? Own : Prev) + 1;
  const Integer MinLevel = std::max(1, std::min(Down ? Next : Own, MaxLevel));
  Integer L = MinLevel;
  if (Point.X > DataLeft + L * TreeLevelIndent) L = std::min((Point.X - DataLeft) / TreeLevelIndent, MaxLevel);
  L = std::max(L, MinLevel);
  Level = L;
  return DataLeft + L * TreeLevelIndent;
}

bool TCustomDBGridEh::MoveRecords(Integer ToIndex, Integer TreeLevel, bool CheckOnly) {
  if (FMoveSelectedRows && FBookmarks->GetCount() > 0)
    return DoMoveRecords(FBookmarks.get(), ToIndex, TreeLevel, CheckOnly);
  TBMListEh Single;
  Single.Append(FMoveFromBookmark);
  return DoMoveRecords(&Single, ToIndex, TreeLevel, CheckOnly);
}

bool TCustomDBGridEh::DoMoveRecords(TBMListEh* Rows, Integer ToIndex, Integer TreeLevel, bool CheckOnly) {
  if (OnMoveRecords) return OnMoveRecords(this, Rows, ToIndex, TreeLevel, CheckOnly);
  return MoveRecordsDefault(Rows, ToIndex, TreeLevel, CheckOnly);
}

bool TCustomDBGridEh::MoveRecordsDefault(TBMListEh* Rows, Integer ToIndex, Integer TreeLevel, bool CheckOnly) {
  TDataSet* DataSet = FDataLink->GetDataSet();
  if (!DataSet || !DataSet->GetActive() || !DataSet->CanModify()) return false;
  // The table counts record numbers from 1.
  if (FIntMemTable) return FIntMemTable->MoveRecords(Rows, ToIndex + 1, TreeLevel, CheckOnly);
  if (!FCenter) return false;
  const TBookmark Saved = DataSet->GetBookmark();
  Integer TargetRecNo = 0;
  {
    const Integer Active = FDataLink->GetActiveRecord();
    FDataLink->SetActiveRecord(std::clamp(ToIndex, 0, std::max(0, FDataLink->GetRecordCount() - 1)));
    TargetRecNo = DataSet->GetRecNo();
    FDataLink->SetActiveRecord(Active);
  }
  const bool Result = FCenter->DoMoveRecords(this, Rows, TargetRecNo, CheckOnly);
  if (!CheckOnly && DataSet->BookmarkValid(Saved)) DataSet->GotoBookmark(Saved);
  return Result;
}

void TCustomDBGridEh::ShowRecordMoveLine() {
  const Integer TitleRows = GetTitleRowCount();
  if (FMoveToRow < TitleRows || FMoveToRow >= GetRowCount()) return;
  TRect Row = BoxRect(FIndicatorOffset, FMoveToRow, GetColCount() - 1, FMoveToRow);
  if (Row.IsEmpty()) return;
  // The level pixel is a leading-edge offset: the line is laid out left to
  // right and its span mirrored in a right-to-left grid.
  const bool Mirrored = UseRightToLeftAlignment();
  if (Mirrored) Row = MirroredRect(Row);
  // Moving down the records land below the target row, moving up above it.
  const bool Down = FMoveFromRow < FMoveToRow || (FMoveFromRow == FMoveToRow && FMoveToLevel > FMoveFromLevel);
  const Integer Left = FMoveLinePixel > 0 ? FMoveLinePixel : Row.Left;
  const Integer Width = std::max(1, Row.Right - Left);
  // The line's window reaches 3 pixels before the start and 5 past the size:
  // its mirror starts 2 pixels beyond the mirror of the line's last pixel.
  FMoveLinePos = TPoint(Mirrored ? MirroredX(Left + Width + 1) : Left, Down ? Row.Bottom : Row.Top);
  TGridMoveLineEh* Line = GridMoveLineEh();
  if (!FMoveLineShown || !Line->GetVisible()) Line->StartShowMoveLineFor(this, FMoveLinePos, Width, false);
  else Line->MoveToFor(this, FMoveLinePos);
  FMoveLineShown = true;
}

void TCustomDBGridEh::HideRecordMoveLine() {
  if (FMoveLineShown) HideMoveLine();
  FMoveLineShown = false;
}

void TCustomDBGridEh::TrackRecordMoving(Integer X, Integer Y) {
  if (FMouseTrackState != gmtsMovingRecordsEh) return;
  const Integer TitleRows = GetTitleRowCount();
  TGridDrawInfoEh DrawInfo;
  CalcDrawInfo(DrawInfo);
  Integer Row = MouseCoord(X, Y).Y;
  const Integer TopRow = GetTopRow();
  const Integer LastRow = std::min(GetRowCount() - 1, DrawInfo.Vert.LastFullVisibleCell);
  // Past the edges the grid scrolls one row per move and the edge row is the target.
  if (Y < DrawInfo.Vert.FixedBoundary || (Row >= 0 && Row < TitleRows)) {
    if (TopRow > TitleRows) {
      HideRecordMoveLine();
      MoveTopLeft(GetLeftCol(), TopRow - 1);
    }
    Row = GetTopRow();
  } else if (Row < 0 || Row > LastRow || Y >= DrawInfo.Vert.GridBoundary) {
    if (LastRow < GetRowCount() - 1) {
      HideRecordMoveLine();
      MoveTopLeft(GetLeftCol(), TopRow + 1);
      CalcDrawInfo(DrawInfo);
    }
    Row = std::min(GetRowCount() - 1, DrawInfo.Vert.LastFullVisibleCell);
  }
  Integer Level = -1;
  const Integer Pixel = CalcMoveTargetLevel(Row, TPoint(X, Y), Level);
  if (Row == FMoveToRow && Level == FMoveToLevel && FMoveLineShown) return;
  if (!MoveRecords(Row - TitleRows, Level, true)) return;
  HideRecordMoveLine();
  FMoveToRow = Row;
  FMoveToLevel = Level;
  FMoveLinePixel = Pixel;
  ShowRecordMoveLine();
}

// Each tick tracks the cursor as a mouse move would: held beyond the data
// area, the grid goes on scrolling a row a tick without the mouse moving.
void TCustomDBGridEh::RecordMovingTimer() {
  if (!HandleAllocated()) return;
  const TPoint P = ScreenToClient(GetCursorPos());
  TrackRecordMoving(P.X, P.Y);
}

void TCustomDBGridEh::EndRecordMoving(Integer X, Integer Y, bool Drop) {
  StopTimer();
  HideRecordMoveLine();
  FMouseTrackState = gmtsNoneEh;
  SetMouseCapture(false);
  if (!Drop) return;
  (void)X;
  (void)Y;
  const bool Changes = FMoveToRow != FMoveFromRow || FMoveToLevel != FMoveFromLevel;
  if (!Changes || FMoveToRow < GetTitleRowCount()) return;
  MoveRecords(FMoveToRow - GetTitleRowCount(), FMoveToLevel, false);
  Invalidate();
}
