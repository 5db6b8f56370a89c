// The drag box, the move marker and the grid's XOR lines: where the marker
// stands, that it is moved rather than made again, its layered attributes, and
// that the sizing and row-move lines vanish when drawn a second time.

#include "GridTestSupport.h"

namespace {

using DragWindows = GridFixture;

}  // namespace

TEST_F(DragWindows, TheMarkerOfAColumnDroppedAfterColumnThreeStandsAtItsRightEdge) {
  MakeGrid(500, 200);
  Grid->SetColCount(8);
  Grid->SetOptions(Grid->GetOptions() + goColMoving);
  Show();
  Grid->UpdateColumnMoveTarget(2, Grid->CellRect(3, 0).Left + 5, 5);
  ASSERT_EQ(Grid->GetGridState(), gsColMoving);
  EXPECT_EQ(Grid->GetMovePos(), 3);
  EXPECT_TRUE(Grid->GetMoveRight());
  TGridMoveLineEh* Marker = GridMoveLineEh();
  ASSERT_TRUE(Marker->GetVisible());
  EXPECT_TRUE(Marker->GetIsVertical());
  const TRect R = Grid->CellRect(3, 0);
  const TPoint Edge = Grid->ClientToScreen(TPoint(R.Right, 0));
  const TGridDrawInfoEh D = Grid->DrawInfo();
  const TRect W = GetWindowRect(Marker->GetHandle());
  EXPECT_EQ(W, TRect(Edge.X - 3, Edge.Y - 4, Edge.X + 4, Edge.Y + D.Vert.FullGridBoundary + 4));
  // The marker is opaque and keys out white; its red shapes show.
  COLORREF Key = 0;
  Byte Alpha = 0;
  DWORD Flags = 0;
  ASSERT_TRUE(GetLayeredWindowAttributes(Marker->GetHandle(), &Key, &Alpha, &Flags));
  EXPECT_EQ(Key, 0xFFFFFFu);
  EXPECT_EQ(Flags, LWA_COLORKEY);
  EXPECT_EQ(Display.PixelAt(Marker->GetHandle(), 3, 40), clRed);
  EXPECT_EQ(Display.PixelAt(Marker->GetHandle(), 0, 0), clRed);
  EXPECT_EQ(Display.PixelAt(Marker->GetHandle(), 0, 40), clWhite);
  // Cancel mode hides it and ends the move.
  Grid->CancelMode();
  EXPECT_EQ(Grid->GetGridState(), gsNormal);
  EXPECT_FALSE(Marker->GetVisible());
}

TEST_F(DragWindows, ShowingTheMarkerTwiceMovesTheSameWindow) {
  MakeGrid(500, 200);
  Grid->SetColCount(8);
  Show();
  TGridMoveLineEh* Marker = GridMoveLineEh();
  Marker->StartShowMoveLineFor(Grid, TPoint(100, 0), 50, true);
  const HWND First = Marker->GetHandle();
  const TRect Before = GetWindowRect(First);
  Marker->MoveToFor(Grid, TPoint(200, 0));
  EXPECT_EQ(Marker->GetHandle(), First);
  EXPECT_EQ(GridMoveLineEh(), Marker);
  const TRect After = GetWindowRect(First);
  EXPECT_EQ(After.Left - Before.Left, 100);
  EXPECT_EQ(After.Width(), 7);
  EXPECT_EQ(After.Height(), 58);
  // Horizontal: the bar runs across.
  Marker->StartShowMoveLineFor(Grid, TPoint(10, 50), 100, false);
  EXPECT_EQ(GetWindowRect(First).Width(), 108);
  EXPECT_EQ(GetWindowRect(First).Height(), 7);
  EXPECT_EQ(Display.PixelAt(First, 50, 3), clRed);
  EXPECT_EQ(Display.PixelAt(First, 50, 1), clWhite);
  Marker->Hide();
  EXPECT_FALSE(Marker->GetVisible());
}

TEST_F(DragWindows, TheDragBoxIsATranslucentDarkPopup) {
  MakeGrid(500, 200);
  Show();
  TGridDragBoxEh* Box = GridDragBoxEh();
  Box->StartShowFor(Grid, TPoint(10, 10), 64, 24);
  ASSERT_TRUE(Box->GetVisible());
  COLORREF Key = 0;
  Byte Alpha = 0;
  DWORD Flags = 0;
  ASSERT_TRUE(GetLayeredWindowAttributes(Box->GetHandle(), &Key, &Alpha, &Flags));
  EXPECT_EQ(Alpha, 200);
  EXPECT_EQ(Flags, LWA_ALPHA);
  EXPECT_NE(GetWindowStyle(Box->GetHandle()) & WS_POPUP, 0u);
  EXPECT_NE(GetWindowExStyle(Box->GetHandle()) & WS_EX_TOOLWINDOW, 0u);
  EXPECT_EQ(Display.PixelAt(Box->GetHandle(), 5, 5), ColorToRGB(cl3DDkShadow));
  // The grid keeps the focus while the box shows.
  Grid->SetFocus();
  Box->StartShowForHeight(Grid, TPoint(20, 10), 30);
  EXPECT_EQ(GetFocus(), Grid->GetHandle());
  EXPECT_EQ(GetWindowRect(Box->GetHandle()).Height(), 30);
  // Opaque without a key: the window is no longer layered.
  Box->SetAlphaBlendValue(255);
  EXPECT_EQ(GetWindowExStyle(Box->GetHandle()) & WS_EX_LAYERED, 0u);
  Box->Hide();
}

TEST_F(DragWindows, TheSizingLineIsADottedXorLineThatTheSecondDrawingErases) {
  MakeGrid(400, 200);
  Grid->SetOptions(Grid->GetOptions() + goColSizing);
  Show();
  const std::vector<TColor> Clean = Pixels();
  Display.MouseDown(Grid->GetHandle(), 130, 5);
  ASSERT_EQ(Grid->GetGridState(), gsColSizing);
  EXPECT_EQ(Grid->GetSizingPos(), 129);
  const std::vector<TColor> Drawn = Pixels();
  const Integer W = Grid->GetClientWidth();
  Integer Changed = 0, Unchanged = 0;
  for (Integer Y = 0; Y < 120; ++Y) (Drawn[Y * W + 129] != Clean[Y * W + 129] ? Changed : Unchanged)++;
  EXPECT_GT(Changed, 40);  // dotted: about every other pixel
  EXPECT_GT(Unchanged, 40);
  for (Integer Y = 0; Y < 120; ++Y) EXPECT_EQ(Drawn[Y * W + 140], Clean[Y * W + 140]);
  Grid->CancelMode();
  EXPECT_EQ(Pixels(), Clean);
}

TEST_F(DragWindows, TheRowMoveLineIsFivePixelsWideAndWhiteInXor) {
  MakeGrid(400, 200);
  Grid->SetOptions(Grid->GetOptions() + goRowMoving);
  Show();
  const std::vector<TColor> Clean = Pixels();
  Display.MouseDown(Grid->GetHandle(), 10, 60);  // the fixed column of row 2
  ASSERT_EQ(Grid->GetGridState(), gsRowMoving);
  EXPECT_EQ(Grid->GetMoveIndex(), 2);
  const std::vector<TColor> Drawn = Pixels();
  const Integer W = Grid->GetClientWidth();
  const Integer Y = Grid->CellRect(0, 2).Top;
  Integer Inverted = 0;
  for (Integer X = 0; X < 300; ++X)
    for (Integer DY = -2; DY <= 2; ++DY) {
      const size_t I = size_t((Y + DY) * W + X);
      if (Drawn[I] != Clean[I]) {
        ++Inverted;
        EXPECT_EQ(Drawn[I], Clean[I] ^ 0xFFFFFF);
      }
    }
  EXPECT_GT(Inverted, 300);
  for (Integer X = 0; X < 300; ++X) EXPECT_EQ(Drawn[(Y + 4) * W + X], Clean[(Y + 4) * W + X]);
  Grid->CancelMode();
  EXPECT_EQ(Pixels(), Clean);
}
