// The base grid through real messages and the manual clock: keyboard walks over
// fixed, frozen and contra lines, Tab and tab stops, the mouse wheel, selecting
// with a drag past the edge on the 60 ms timer, sizing and moving columns, cell
// clicks, hot tracking, and scroll bars in cell and pixel modes.

#include "GridTestSupport.h"
#include "platform/ui/ScrollBars.h"
#include "platform/ui/Timers.h"

namespace {

class Interaction : public GridFixture {
protected:
  void Focus() {
    Grid->SetFocus();
    Display.ProcessMessages();
  }
};

}  // namespace

TEST_F(Interaction, ArrowsHomeAndEndWalkTheDataCellsButNeverTheFixedFrozenOrContraOnes) {
  MakeGrid(420, 260);
  Grid->SetColCount(8);
  Grid->SetRowCount(6);
  Grid->SetFixedCols(2);
  Grid->SetFrozenColCount(1);
  Grid->SetContraColCount(1);
  Grid->SetContraRowCount(1);
  Show();
  Focus();
  EXPECT_EQ(Grid->GetCol(), 2);
  Display.Key(VK_LEFT);
  EXPECT_EQ(Grid->GetCol(), 2);  // the frozen column is not a current-cell column
  Display.Key(VK_RIGHT);
  Display.Key(VK_RIGHT);
  EXPECT_EQ(Grid->GetCol(), 4);
  Display.Key(VK_END);
  EXPECT_EQ(Grid->GetCol(), 7);  // the last normal column, not the contra one
  Display.Key(VK_RIGHT);
  EXPECT_EQ(Grid->GetCol(), 7);
  Display.Key(VK_HOME);
  EXPECT_EQ(Grid->GetCol(), 2);
  Display.Key(VK_UP);
  EXPECT_EQ(Grid->GetRow(), 1);
  Display.Key(VK_END, THeadlessShift::Ctrl);
  EXPECT_EQ(Grid->GetCol(), 7);
  EXPECT_EQ(Grid->GetRow(), 5);
  Display.Key(VK_DOWN);
  EXPECT_EQ(Grid->GetRow(), 5);  // the contra row is never current
  Display.Key(VK_HOME, THeadlessShift::Ctrl);
  EXPECT_EQ(Grid->GetCol(), 2);
  EXPECT_EQ(Grid->GetRow(), 1);
}

TEST_F(Interaction, PageKeysMoveTheCurrentRowAndTheTopRowByAPage) {
  MakeGrid(300, 200);
  Grid->SetRowCount(50);
  Show();
  Focus();
  const Integer Page = Grid->GetVisibleRowCount() - 1;
  Display.Key(VK_NEXT);
  EXPECT_EQ(Grid->GetRow(), 1 + Page);
  EXPECT_EQ(Grid->GetTopRow(), 1 + Page);
  Display.Key(VK_PRIOR);
  EXPECT_EQ(Grid->GetRow(), 1);
  EXPECT_EQ(Grid->GetTopRow(), 1);
  Display.Key(VK_DOWN, THeadlessShift::Ctrl);  // scrolls without moving the cell
  EXPECT_EQ(Grid->GetTopRow(), 2);
  EXPECT_EQ(Grid->GetRow(), 1);
}

TEST_F(Interaction, ShiftWithArrowsExtendsTheSelection) {
  MakeGrid(400, 200);
  Show();
  Focus();
  Display.Key(VK_RIGHT, THeadlessShift::Shift);
  Display.Key(VK_DOWN, THeadlessShift::Shift);
  EXPECT_EQ(Grid->GetSelection(), (TGridRect{1, 1, 2, 2}));
  Display.Key(VK_RIGHT);
  EXPECT_EQ(Grid->GetSelection(), (TGridRect{3, 2, 3, 2}));
}

TEST_F(Interaction, TabSkipsColumnsThatAreNoTabStopsAndWrapsToTheNextRow) {
  MakeGrid(500, 200);
  Grid->SetOptions(Grid->GetOptions() + goTabs);
  Show();
  Focus();
  Grid->SetTabStops(2, false);
  Display.Key(VK_TAB);
  EXPECT_EQ(Grid->GetCol(), 3);
  Display.Key(VK_TAB);
  Display.Key(VK_TAB);
  EXPECT_EQ(Grid->GetCol(), 1);
  EXPECT_EQ(Grid->GetRow(), 2);
  Display.Key(VK_TAB, THeadlessShift::Shift);
  EXPECT_EQ(Grid->GetCol(), 4);
  EXPECT_EQ(Grid->GetRow(), 1);
  // Shift+Tab passes backwards over columns that are no tab stops.
  Display.Key(VK_TAB, THeadlessShift::Shift);
  EXPECT_EQ(Grid->GetCol(), 3);
  Display.Key(VK_TAB, THeadlessShift::Shift);
  EXPECT_EQ(Grid->GetCol(), 1);
  Display.Key(VK_END);
  // With the current column the only tab stop, Tab goes round to it in the next row.
  Grid->SetTabStops(1, false);
  Grid->SetTabStops(3, false);
  Display.Key(VK_TAB);
  EXPECT_EQ(Grid->GetCol(), 4);
  EXPECT_EQ(Grid->GetRow(), 2);
  // With no tab stop at all, the cell stays where it is.
  Grid->SetTabStops(4, false);
  Display.Key(VK_TAB);
  Display.Key(VK_TAB, THeadlessShift::Shift);
  EXPECT_EQ(Grid->GetCol(), 4);
  EXPECT_EQ(Grid->GetRow(), 2);
  EXPECT_THROW(Grid->SetTabStops(5, true), EInvalidGridOperationEh);
}

TEST_F(Interaction, TheWheelMovesTheCurrentRowAndStopsAtTheEnds) {
  MakeGrid(300, 200);
  Grid->SetRowCount(4);
  Show();
  Focus();
  Display.Wheel(Grid->GetHandle(), 50, 50, -120);
  EXPECT_EQ(Grid->GetRow(), 2);
  Display.Wheel(Grid->GetHandle(), 50, 50, -120);
  Display.Wheel(Grid->GetHandle(), 50, 50, -120);
  EXPECT_EQ(Grid->GetRow(), 3);
  Display.Wheel(Grid->GetHandle(), 50, 50, 120);
  Display.Wheel(Grid->GetHandle(), 50, 50, 120);
  Display.Wheel(Grid->GetHandle(), 50, 50, 120);
  EXPECT_EQ(Grid->GetRow(), 1);
}

TEST_F(Interaction, RowSelectScrollsSidewaysByATwentiethOfThePage) {
  MakeGrid(465, 200);
  Grid->SetColCount(30);
  Grid->SetOptions(Grid->GetOptions() + goRowSelect);
  Show();
  Focus();
  EXPECT_EQ(Grid->GetHorzPixelPage(), 400);
  EXPECT_EQ(Grid->GetHorzScrollStep(), 20);
  Display.Key(VK_RIGHT);
  EXPECT_EQ(Grid->GetHorzPixelPos(), 20);
  EXPECT_EQ(Grid->GetCol(), Grid->GetLeftCol());
  Display.Key(VK_RIGHT, THeadlessShift::Ctrl);  // nothing with row select
  EXPECT_EQ(Grid->GetHorzPixelPos(), 20);
  Display.Key(VK_LEFT);
  EXPECT_EQ(Grid->GetHorzPixelPos(), 0);
}

TEST_F(Interaction, ADragPastTheRightEdgeExtendsTheSelectionEvery60Milliseconds) {
  MakeGrid(500, 200);
  Grid->SetBounds(0, 0, 300, 200);
  Grid->SetColCount(20);
  Show();
  Focus();
  Display.MouseDown(Grid->GetHandle(), 100, 40);
  EXPECT_EQ(Grid->GetGridState(), gsSelecting);
  EXPECT_EQ(Grid->GetCol(), 1);
  Display.MouseMove(Grid->GetHandle(), 350, 40);
  const Integer Anchor = Grid->GetAnchor().X;
  Display.AdvanceClock(59);
  EXPECT_EQ(Grid->GetAnchor().X, Anchor);
  Display.AdvanceClock(1);
  EXPECT_EQ(Grid->GetAnchor().X, Anchor + 1);
  Display.AdvanceClock(120);
  EXPECT_EQ(Grid->GetAnchor().X, Anchor + 3);
  EXPECT_GT(Grid->GetLeftCol(), 1);  // the anchor is kept in view
  EXPECT_EQ(Grid->GetCol(), 1);
  Display.MouseUp(Grid->GetHandle(), 350, 40);
  EXPECT_EQ(Grid->GetGridState(), gsNormal);
  const Integer After = Grid->GetAnchor().X;
  Display.AdvanceClock(300);
  EXPECT_EQ(Grid->GetAnchor().X, After);  // the timer is gone
}

TEST_F(Interaction, SizingAColumnByItsEdge) {
  MakeGrid(400, 200);
  Grid->SetOptions(Grid->GetOptions() + goColSizing + goRowSizing);
  Show();
  Display.Drag(Grid->GetHandle(), TPoint(130, 5), TPoint(151, 5));
  EXPECT_EQ(Grid->GetColWidths(1), 85);
  EXPECT_EQ(Grid->GetGridState(), gsNormal);
  // A width of 1 or less is refused; 2 applies.
  const Integer Edge = Grid->CellRect(2, 0).Right;  // 215 + 64
  Display.AdvanceClock(1000);                       // no double click
  Display.Drag(Grid->GetHandle(), TPoint(Edge, 5), TPoint(Edge - 63, 5));
  EXPECT_EQ(Grid->GetColWidths(2), 64);
  Display.AdvanceClock(1000);
  Display.Drag(Grid->GetHandle(), TPoint(Edge, 5), TPoint(Edge - 62, 5));
  EXPECT_EQ(Grid->GetColWidths(2), 2);
  // Rows are sized in the fixed column.
  Display.AdvanceClock(1000);
  Display.Drag(Grid->GetHandle(), TPoint(10, 49), TPoint(10, 59));
  EXPECT_EQ(Grid->GetRowHeights(1), 34);
  // The sizing cursor shows over a sizing line.
  Display.MouseMove(Grid->GetHandle(), Grid->CellRect(1, 0).Right, 5);
  SendMessage(Grid->GetHandle(), WM_SETCURSOR, HwndToParam(Grid->GetHandle()), MakeLParam(HTCLIENT, WM_MOUSEMOVE));
  EXPECT_EQ(GetCursor(), CursorToHandle(crHSplit));
}

TEST_F(Interaction, MovingAColumnByItsTitle) {
  MakeGrid(500, 200);
  Grid->SetColCount(7);
  Grid->SetOptions(Grid->GetOptions() + goColMoving);
  Show();
  Grid->SetColWidths(2, 40);
  std::vector<std::pair<Integer, Integer>> Moves;
  const HWND H = Grid->GetHandle();
  const TRect Title2 = Grid->CellRect(2, 0);
  Display.MouseDown(H, Title2.Left + 5, 5);
  ASSERT_EQ(Grid->GetGridState(), gsColMoving);
  const TRect Title4 = Grid->CellRect(4, 0);
  Display.MouseMove(H, Grid->CellRect(3, 0).Left + 10, 5);
  Display.MouseMove(H, Title4.Left + 10, 5);
  Display.MouseMove(H, Title4.Left + 12, 5);
  EXPECT_EQ(Grid->GetMovePos(), 4);
  EXPECT_TRUE(Grid->GetMoveRight());
  EXPECT_TRUE(GridMoveLineEh()->GetVisible());
  Display.MouseUp(H, Title4.Left + 12, 5);
  EXPECT_EQ(Grid->GetGridState(), gsNormal);
  EXPECT_FALSE(GridMoveLineEh()->GetVisible());
  EXPECT_EQ(Grid->GetColWidths(4), 40);
  EXPECT_EQ(Grid->GetColWidths(2), 64);
  // A drop before the target (MoveRight off) lands one place earlier.
  Integer Origin = 2, Destination = 5;
  EXPECT_TRUE(Grid->EndColumnDrag(Origin, Destination, TPoint()));
  EXPECT_EQ(Destination, 5);  // MoveRight is still on from the move above
}

TEST_F(Interaction, AClickThatEndsOnItsCellIsACellClickAndADoubleClickCarriesDouble) {
  MakeGrid(400, 200);
  Show();
  std::vector<std::pair<TGridCoord, TShiftState>> Clicks;
  Grid->OnCellMouseClick = [&](TCustomGridEh*, TGridCoord Cell, TMouseButton, TShiftState Shift, Integer X, Integer Y) {
    Clicks.push_back({Cell, Shift});
    EXPECT_EQ(X, 5);
    EXPECT_EQ(Y, 6);
  };
  // A left press on a data cell starts selecting, which is no click.
  Display.Click(Grid->GetHandle(), 135, 31);
  EXPECT_TRUE(Clicks.empty());
  Display.AdvanceClock(1000);
  Display.Click(Grid->GetHandle(), 135, 31, mbRight);
  ASSERT_EQ(Clicks.size(), 1u);
  EXPECT_EQ(Clicks[0].first, std::make_pair(2, 1));
  EXPECT_FALSE(Clicks[0].second.Contains(ssDouble));
  Display.AdvanceClock(1000);
  Display.MouseDown(Grid->GetHandle(), 135, 31, mbRight);
  Display.MouseUp(Grid->GetHandle(), 205, 31, mbRight);  // ended on another cell
  EXPECT_EQ(Clicks.size(), 1u);
  Display.AdvanceClock(1000);
  Grid->SetOptions(Grid->GetOptions() + goEditing);  // left clicks select no range then
  Display.DoubleClick(Grid->GetHandle(), 200, 56);
  Integer Doubles = 0;
  for (const auto& [Cell, Shift] : Clicks) {
    if (Shift.Contains(ssDouble)) {
      ++Doubles;
      EXPECT_EQ(Cell, std::make_pair(3, 2));
    }
  }
  EXPECT_EQ(Doubles, 1);
}

TEST_F(Interaction, HotTrackingFollowsTheMouseOnlyWhereTheGridAllowsIt) {
  MakeGrid(400, 200);
  Show();
  Display.MouseMove(Grid->GetHandle(), 100, 40);
  EXPECT_EQ(Grid->GetHotTrackCell(), std::make_pair(-1, -1));
  Grid->HotTrackAll = true;
  Grid->Drawn.clear();
  Display.MouseMove(Grid->GetHandle(), 100, 40);
  Display.ProcessMessages();
  EXPECT_EQ(Grid->GetHotTrackCell(), std::make_pair(1, 1));
  EXPECT_EQ(Grid->GetHotTrackOffset(), TPoint(35, 15));
  bool Hot = false;
  for (const TDrawnCell& C : Grid->Drawn) Hot |= C.Col == 1 && C.Row == 1 && C.State.Contains(gdHotTrack);
  EXPECT_TRUE(Hot);
  Grid->HotTrackAll = false;
  Display.MouseMove(Grid->GetHandle(), 170, 40);
  EXPECT_EQ(Grid->GetHotTrackCell(), std::make_pair(-1, -1));
}

TEST_F(Interaction, ACellModeScrollBarSpans0To127AndTheThumbMovesOnRelease) {
  MakeGrid(300, 200, true);
  Grid->SetColCount(40);
  Show();
  TScrollInfo Info;
  Info.fMask = SIF_ALL;
  ASSERT_TRUE(GetScrollInfo(Grid->GetHandle(), SB_HORZ, Info));
  EXPECT_EQ(Info.nMin, 0);
  EXPECT_EQ(Info.nMax, 127);
  SendMessage(Grid->GetHandle(), WM_HSCROLL, MakeWParam(SB_LINEDOWN, 0), 0);
  EXPECT_EQ(Grid->GetLeftCol(), 2);
  EXPECT_GT(GetScrollPos(Grid->GetHandle(), SB_HORZ), 0);
  SendMessage(Grid->GetHandle(), WM_HSCROLL, MakeWParam(SB_THUMBTRACK, 64), 0);
  EXPECT_EQ(Grid->GetLeftCol(), 2);  // no thumb tracking
  SendMessage(Grid->GetHandle(), WM_HSCROLL, MakeWParam(SB_BOTTOM, 0), 0);
  const Integer Max = Grid->GetLeftCol();
  EXPECT_EQ(GetScrollPos(Grid->GetHandle(), SB_HORZ), 127);
  SendMessage(Grid->GetHandle(), WM_HSCROLL, MakeWParam(SB_LINEDOWN, 0), 0);
  EXPECT_EQ(Grid->GetLeftCol(), Max);
  SendMessage(Grid->GetHandle(), WM_HSCROLL, MakeWParam(SB_TOP, 0), 0);
  EXPECT_EQ(Grid->GetLeftCol(), 1);
  // Lines of zero width are passed over.
  Grid->SetColWidths(2, 0);
  SendMessage(Grid->GetHandle(), WM_HSCROLL, MakeWParam(SB_LINEDOWN, 0), 0);
  EXPECT_EQ(Grid->GetLeftCol(), 3);
  // All columns fit: the bar has nothing to scroll.
  Grid->SetColCount(3);
  ASSERT_TRUE(GetScrollInfo(Grid->GetHandle(), SB_HORZ, Info));
  EXPECT_EQ(Info.nMax, 0);
}

TEST_F(Interaction, ScrollBarsComeAndGoAsTheGridCrossesTheSizeOfItsContents) {
  // 5 columns of 64 and 9 rows of 24, each with its line: 325 x 225 pixels.
  MakeGrid(300, 200, true);
  Grid->SetRowCount(9);
  Show();
  HWND H = Grid->GetHandle();
  const Integer Bar = GetSystemMetrics(SM_CXVSCROLL);
  EXPECT_TRUE(IsScrollBarVisible(H, SB_HORZ));
  EXPECT_TRUE(IsScrollBarVisible(H, SB_VERT));
  // Grown until everything fits without bars: both go, though the bars
  // themselves took the room the contents need.
  Form->SetBounds(50, 50, 330, 230);
  Grid->SetBounds(0, 0, 330, 230);
  Display.ProcessMessages();
  EXPECT_FALSE(IsScrollBarVisible(H, SB_HORZ));
  EXPECT_FALSE(IsScrollBarVisible(H, SB_VERT));
  EXPECT_EQ(Grid->GetClientWidth(), 330);
  // Shrunk below the contents again: both come back.
  Grid->SetBounds(0, 0, 300, 200);
  Display.ProcessMessages();
  EXPECT_TRUE(IsScrollBarVisible(H, SB_HORZ));
  EXPECT_TRUE(IsScrollBarVisible(H, SB_VERT));
  // Wide enough for the columns but too low for the rows: the vertical bar
  // takes width the columns needed, so the horizontal bar comes too.
  Grid->SetBounds(0, 0, 325 + Bar / 2, 200);
  Display.ProcessMessages();
  EXPECT_TRUE(IsScrollBarVisible(H, SB_VERT));
  EXPECT_TRUE(IsScrollBarVisible(H, SB_HORZ));
  // Wide enough for the columns beside the vertical bar: only that bar.
  Grid->SetBounds(0, 0, 325 + Bar, 200);
  Display.ProcessMessages();
  EXPECT_TRUE(IsScrollBarVisible(H, SB_VERT));
  EXPECT_FALSE(IsScrollBarVisible(H, SB_HORZ));
  // High enough for the rows, and then for the rows without the horizontal bar.
  Grid->SetBounds(0, 0, 300, 225 + Bar);
  Display.ProcessMessages();
  EXPECT_TRUE(IsScrollBarVisible(H, SB_HORZ));
  EXPECT_FALSE(IsScrollBarVisible(H, SB_VERT));
}

TEST_F(Interaction, AOneColumnGridWiderThanTheWindowScrollsByPixelsAndKeepsItsEndInView) {
  MakeGrid(300, 200, true);
  Grid->SetFixedCols(0);
  Grid->SetColCount(1);
  Grid->SetRowCount(3);
  Grid->SetColWidths(0, 500);
  Show();
  HWND H = Grid->GetHandle();
  Integer Min = -1, Max = -1;
  ASSERT_TRUE(GetScrollRange(H, SB_HORZ, Min, Max));
  EXPECT_EQ(Min, 0);
  EXPECT_EQ(Max, 500 - Grid->GetClientWidth());
  SendMessage(H, WM_HSCROLL, MakeWParam(SB_BOTTOM, 0), 0);
  EXPECT_EQ(Grid->GetTopLeftOffset().X, 200);
  EXPECT_EQ(GetScrollPos(H, SB_HORZ), 200);
  // Wider: what is left of the column would leave room unused, so the grid
  // scrolls back until the column's end meets the right edge.
  Form->SetBounds(50, 50, 600, 200);
  Grid->SetBounds(0, 0, 400, 200);
  Display.ProcessMessages();
  EXPECT_EQ(Grid->GetTopLeftOffset().X, 100);
  EXPECT_EQ(GetScrollPos(H, SB_HORZ), 100);
  ASSERT_TRUE(GetScrollRange(H, SB_HORZ, Min, Max));
  EXPECT_EQ(Max, 100);
  // Wider than the column: nothing left to scroll.
  Grid->SetBounds(0, 0, 560, 200);
  Display.ProcessMessages();
  EXPECT_EQ(Grid->GetTopLeftOffset().X, 0);
  EXPECT_FALSE(IsScrollBarVisible(H, SB_HORZ));
}

TEST_F(Interaction, ThePixelScrollBarOfAGridWiderThan65535PixelsDoesNotWrap) {
  MakeGrid(600, 300, true);
  Grid->SetColCount(2000);
  Grid->SetOptions(Grid->GetOptions() + goRowSelect);
  Show();
  TScrollInfo Info;
  Info.fMask = SIF_ALL;
  ASSERT_TRUE(GetScrollInfo(Grid->GetHandle(), SB_HORZ, Info));
  EXPECT_EQ(Info.nMax, 1999 * 65 - 1);
  EXPECT_EQ(Integer(Info.nPage), Grid->GetHorzPixelPage());
  // The bar's thumb stands at 100,000 (as a drag leaves it); the message carries
  // only the low 16 bits of that, 34,464.
  Info.fMask = SIF_POS;
  Info.nPos = 100000;
  SetScrollInfo(Grid->GetHandle(), SB_HORZ, Info, false);
  SendMessage(Grid->GetHandle(), WM_HSCROLL, MakeWParam(SB_THUMBPOSITION, 100000 & 0xFFFF), 0);
  EXPECT_EQ(Grid->GetHorzPixelPos(), 100000);
  EXPECT_EQ(GetScrollPos(Grid->GetHandle(), SB_HORZ), 100000);
  EXPECT_EQ(Grid->GetLeftCol(), 1 + 100000 / 65);
  EXPECT_EQ(Grid->GetTopLeftOffset().X, 100000 % 65);
  // The same on the vertical bar of a tall grid that scrolls by rows.
  Grid->SetOptions(Grid->GetOptions() - goRowSelect);
  Grid->SetRowCount(5000);
  Info.fMask = SIF_ALL;
  ASSERT_TRUE(GetScrollInfo(Grid->GetHandle(), SB_VERT, Info));
  EXPECT_EQ(Info.nMax, 127);
  Grid->SetOptions(Grid->GetOptions() + goRowSelect);
  SendMessage(Grid->GetHandle(), WM_HSCROLL, MakeWParam(SB_TOP, 0), 0);
  EXPECT_EQ(Grid->GetHorzPixelPos(), 0);
  EXPECT_EQ(Grid->GetLeftCol(), 1);
  EXPECT_EQ(GetScrollPos(Grid->GetHandle(), SB_HORZ), 0);
}

TEST_F(Interaction, PropertySettersKeepTheGridConsistent) {
  MakeGrid(400, 200);
  Show();
  Grid->SetColCount(0);
  EXPECT_EQ(Grid->GetColCount(), 1);
  EXPECT_EQ(Grid->GetFixedCols(), 0);
  Grid->SetColCount(6);
  Grid->SetFixedCols(2);
  EXPECT_EQ(Grid->GetCol(), 2);
  EXPECT_EQ(Grid->GetLeftCol(), 2);
  Grid->SetRowHeights(2, 30);
  Grid->SetDefaultRowHeight(20);
  EXPECT_EQ(Grid->GetRowHeights(2), 20);
  EXPECT_THROW(Grid->SetColWidths(6, 10), EInvalidGridOperationEh);
  Grid->SetFlat(true);
  EXPECT_EQ(Grid->GetFlatLineColor(), 0x808080);
  Grid->SetFlat(false);
  EXPECT_EQ(Grid->GetFlatLineColor(), 0);
  Grid->FocusCell(4, 3, true);
  Grid->DeleteRow(3);
  EXPECT_EQ(Grid->GetRowCount(), 4);
  EXPECT_EQ(Grid->GetRow(), 2);
  Grid->SetColWidths(3, 17);
  Grid->DeleteColumn(3);
  EXPECT_EQ(Grid->GetColCount(), 5);
  for (Integer I = 0; I < 5; ++I) EXPECT_NE(Grid->GetColWidths(I), 17);
}

TEST_F(Interaction, DraggingAColumnPastTheRightEdgeScrollsOnTheTimer) {
  MakeGrid(600, 200);
  Grid->SetBounds(0, 0, 300, 200);
  Grid->SetColCount(30);
  Grid->SetOptions(Grid->GetOptions() + goColMoving);
  Show();
  const HWND H = Grid->GetHandle();
  Display.MouseDown(H, Grid->CellRect(2, 0).Left + 5, 5);
  ASSERT_EQ(Grid->GetGridState(), gsColMoving);
  Display.MouseMove(H, 350, 5);
  const Integer Left = Grid->GetLeftCol();
  Display.AdvanceClock(2000);
  EXPECT_GT(Grid->GetLeftCol(), Left);
  EXPECT_EQ(Grid->GetMovePos(), Grid->DrawInfo().Horz.LastFullVisibleCell);
  Display.MouseUp(H, 350, 5);
  EXPECT_EQ(Grid->GetGridState(), gsNormal);
  const Integer After = Grid->GetLeftCol();
  Display.AdvanceClock(1000);
  EXPECT_EQ(Grid->GetLeftCol(), After);
}

TEST_F(Interaction, TheColumnDragTimerQuickensWithTheDistancePastTheFixedBoundary) {
  MakeGrid(400, 200);
  Form->SetBounds(335, 50, 400, 200);  // the fixed boundary (x 65) stands at screen x 400
  Grid->SetColCount(60);
  Grid->SetOptions(Grid->GetOptions() + goColMoving);
  Show();
  Grid->SetLeftCol(30);
  const HWND H = Grid->GetHandle();
  Display.MouseDown(H, Grid->CellRect(32, 0).Left + 5, 5);
  ASSERT_EQ(Grid->GetGridState(), gsColMoving);
  Display.MouseMove(H, 60, 5);  // 5 pixels left of the boundary
  const Integer AfterMove = Grid->GetLeftCol();
  Display.AdvanceClock(60);
  EXPECT_EQ(Grid->GetLeftCol(), AfterMove - 1);
  Display.AdvanceClock(359);  // trunc(200 / 1 * 1.5) + 60 = 360 ms
  EXPECT_EQ(Grid->GetLeftCol(), AfterMove - 1);
  Display.AdvanceClock(1);
  EXPECT_EQ(Grid->GetLeftCol(), AfterMove - 2);
  Display.MouseMove(H, 65 - 300, 5);  // far out: trunc(200 / 190 * 1.5) + 60 = 61 ms
  const Integer Far = Grid->GetLeftCol();
  Display.AdvanceClock(360);
  const Integer Ticked = Grid->GetLeftCol();
  EXPECT_LT(Ticked, Far);
  Display.AdvanceClock(60);
  EXPECT_EQ(Grid->GetLeftCol(), Ticked);
  Display.AdvanceClock(1);
  EXPECT_EQ(Grid->GetLeftCol(), Ticked - 1);
  Display.MouseUp(H, 65 - 300, 5);
}
