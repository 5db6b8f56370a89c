// Records dragged by their indicator: the move line follows the mouse, the drop
// reorders an in-memory table, a read-only table takes no move, and a handler
// of OnMoveRecords decides where a drop is allowed.

#include "tests/grid/GridInputTestSupport.h"

namespace {

class IndicatorDrag : public GridInput {
protected:
  void ShowForMoving() {
    ShowResources();
    Grid->SetOptionsEh(Grid->GetOptionsEh() + dghRecordMoving);
    Table.First();
    Display.ProcessMessages();
  }
  TPoint IndicatorOf(Integer DataRow) {
    const TRect R = Grid->CellRect(0, DataRow + Grid->GetTitleRowCount());
    return TPoint((R.Left + R.Right) / 2, (R.Top + R.Bottom) / 2);
  }
  void Drag(Integer FromRow, Integer ToRow) {
    const HWND Wnd = Grid->GetHandle();
    const TPoint From = IndicatorOf(FromRow), To = IndicatorOf(ToRow);
    Display.MouseDown(Wnd, From.X, From.Y);
    Display.MouseMove(Wnd, To.X, (From.Y + To.Y) / 2);
    Display.MouseMove(Wnd, To.X, To.Y);
    Display.MouseUp(Wnd, To.X, To.Y);
    Display.ProcessMessages();
  }
};

}  // namespace

TEST_F(IndicatorDrag, ARecordDraggedByItsIndicatorLandsAtTheTargetRowAndStaysCurrent) {
  ShowForMoving();
  ASSERT_EQ(Ids(Table), (std::vector<Integer>{10, 11, 12, 20, 21, 22}));
  Drag(0, 3);
  EXPECT_EQ(Ids(Table), (std::vector<Integer>{11, 12, 20, 10, 21, 22}));
  Drag(4, 1);
  EXPECT_EQ(Ids(Table), (std::vector<Integer>{11, 21, 12, 20, 10, 22}));
}

TEST_F(IndicatorDrag, TheMoveLineShowsWhileDraggingAndGoesOnRelease) {
  ShowForMoving();
  const HWND Wnd = Grid->GetHandle();
  const TPoint From = IndicatorOf(1), To = IndicatorOf(4);
  Display.MouseDown(Wnd, From.X, From.Y);
  Display.MouseMove(Wnd, To.X, To.Y);
  EXPECT_TRUE(Grid->GetMoveLineShown());
  EXPECT_EQ(Grid->GetMoveToRow(), 4 + Grid->GetTitleRowCount());
  Display.MouseUp(Wnd, To.X, To.Y);
  EXPECT_FALSE(Grid->GetMoveLineShown());
}

TEST_F(IndicatorDrag, ADropOnTheRowItCameFromMovesNothingAndCallsNoHandler) {
  ShowForMoving();
  Integer Calls = 0;
  Grid->OnMoveRecords = [&](TObject*, TBMListEh*, Integer, Integer, bool CheckOnly) {
    if (!CheckOnly) ++Calls;
    return true;
  };
  Drag(2, 2);
  EXPECT_EQ(Calls, 0);
  EXPECT_EQ(Ids(Table), (std::vector<Integer>{10, 11, 12, 20, 21, 22}));
}

TEST_F(IndicatorDrag, AReadOnlyTableRefusesTheMove) {
  ShowForMoving();
  Table.SetReadOnly(true);
  Drag(0, 4);
  EXPECT_EQ(Ids(Table), (std::vector<Integer>{10, 11, 12, 20, 21, 22}));
  EXPECT_FALSE(Grid->GetMoveLineShown());
}

TEST_F(IndicatorDrag, AHandlerThatRefusesInCheckModeKeepsTheLineWhereItWas) {
  ShowForMoving();
  Grid->OnMoveRecords = [](TObject*, TBMListEh*, Integer ToIndex, Integer, bool CheckOnly) {
    return !CheckOnly || ToIndex != 3;
  };
  const HWND Wnd = Grid->GetHandle();
  const TPoint From = IndicatorOf(0);
  Display.MouseDown(Wnd, From.X, From.Y);
  Display.MouseMove(Wnd, From.X, IndicatorOf(2).Y);
  EXPECT_EQ(Grid->GetMoveToRow(), 2 + Grid->GetTitleRowCount());
  Display.MouseMove(Wnd, From.X, IndicatorOf(3).Y);
  EXPECT_EQ(Grid->GetMoveToRow(), 2 + Grid->GetTitleRowCount());
  Display.Key(VK_ESCAPE);
  EXPECT_FALSE(Grid->GetMoveLineShown());
  EXPECT_EQ(Ids(Table), (std::vector<Integer>{10, 11, 12, 20, 21, 22}));
}

TEST_F(IndicatorDrag, WithRowsSelectedAllSelectedRowsMoveTogether) {
  ShowForMoving();
  Grid->SetOptions(Grid->GetOptions() + dgMultiSelect);
  Table.First();
  Grid->GetSelectedRows()->SetCurrentRowSelected(true);
  Table.Next();
  Grid->GetSelectedRows()->SetCurrentRowSelected(true);
  Display.ProcessMessages();
  Drag(1, 4);
  EXPECT_EQ(Ids(Table), (std::vector<Integer>{12, 20, 21, 10, 11, 22}));
}

TEST_F(IndicatorDrag, HeldBelowTheDataTheTimerGoesOnScrollingARowATickAndTheDropLandsThere) {
  ShowRecords(60, true, 400, 18 + 10 * 18);
  Grid->SetOptionsEh(Grid->GetOptionsEh() + dghRecordMoving);
  Table.First();
  Display.ProcessMessages();
  const HWND Wnd = Grid->GetHandle();
  const TPoint From = IndicatorOf(0);
  const Integer Below = Grid->GetGridHeight() + 5;
  Display.MouseDown(Wnd, From.X, From.Y);
  EXPECT_TRUE(Grid->GetTimerActive());
  // One move out of the data scrolls one row; the held mouse scrolls on with the clock.
  Display.MouseMove(Wnd, From.X, Below);
  const Integer TopAfterMove = Grid->GetTopRow();
  EXPECT_EQ(TopAfterMove, Grid->GetTitleRowCount() + 1);
  Display.AdvanceClock(10 * 60);
  EXPECT_GE(Grid->GetTopRow(), TopAfterMove + 8);
  EXPECT_LE(Grid->GetTopRow(), TopAfterMove + 10);
  // The target is always the last row in view.
  TGridDrawInfoEh DrawInfo;
  Grid->CalcDrawInfo(DrawInfo);
  EXPECT_EQ(Grid->GetMoveToRow(), DrawInfo.Vert.LastFullVisibleCell);
  const Integer Target = Grid->GetMoveToRow() - Grid->GetTitleRowCount();
  Display.MouseUp(Wnd, From.X, Below);
  Display.ProcessMessages();
  EXPECT_FALSE(Grid->GetTimerActive());
  EXPECT_EQ(Ids(Table).at(size_t(Target)), 1);
  // Nothing scrolls once the drag is over.
  const Integer Top = Grid->GetTopRow();
  Display.AdvanceClock(10 * 60);
  EXPECT_EQ(Grid->GetTopRow(), Top);
}

TEST_F(IndicatorDrag, EscEndsTheDragAndItsTimer) {
  ShowRecords(60, true, 400, 18 + 10 * 18);
  Grid->SetOptionsEh(Grid->GetOptionsEh() + dghRecordMoving);
  Table.First();
  Display.ProcessMessages();
  const HWND Wnd = Grid->GetHandle();
  const TPoint From = IndicatorOf(0);
  Display.MouseDown(Wnd, From.X, From.Y);
  Display.MouseMove(Wnd, From.X, Grid->GetGridHeight() + 5);
  Display.Key(VK_ESCAPE);
  EXPECT_FALSE(Grid->GetTimerActive());
  const Integer Top = Grid->GetTopRow();
  Display.AdvanceClock(10 * 60);
  EXPECT_EQ(Grid->GetTopRow(), Top);
  EXPECT_EQ(Ids(Table).front(), 1);
}
