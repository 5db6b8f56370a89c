// The base grid's painting, read back from the window's pixels: line colours by
// area, frozen separators, cell backgrounds and draw states, contra lines, the
// batching of lines per colour, and incremental repaints after scrolling that
// must equal a full repaint.

#include <filesystem>

#include "GridTestSupport.h"

namespace {

using Painting = GridFixture;

constexpr TColor Dark = 0x808080;
constexpr TColor Bright = 0xC0C0C0;

// A colour per cell, so that a cell painted in the wrong place shows.
TColor CellTint(Integer Col, Integer Row) {
  return RGB(Byte(40 + (Col * 37) % 200), Byte(30 + (Row * 53) % 200), Byte(90 + ((Col + Row) * 17) % 150));
}

size_t CountDifferences(const std::vector<TColor>& A, const std::vector<TColor>& B) {
  size_t N = 0;
  for (size_t I = 0; I < A.size() && I < B.size(); ++I) N += A[I] != B[I];
  return N + (A.size() > B.size() ? A.size() - B.size() : B.size() - A.size());
}

}  // namespace

TEST_F(Painting, LinesTakeTheDarkColourInTheFixedAreaAndTheBrightOneAmongData) {
  MakeGrid(400, 200);
  Show();
  EXPECT_EQ(Pixel(64, 40), Dark);     // right line of the fixed column
  EXPECT_EQ(Pixel(100, 24), Dark);    // bottom line of the title row
  EXPECT_EQ(Pixel(129, 10), Dark);    // a column line inside the title row
  EXPECT_EQ(Pixel(194, 60), Bright);  // a data column line
  EXPECT_EQ(Pixel(160, 49), Bright);  // a data row line
  EXPECT_EQ(Pixel(150, 60), ColorToRGB(clWindow));
  EXPECT_EQ(Pixel(30, 60), ColorToRGB(clBtnFace));
  // Right of and below the cells: the grid's colour.
  EXPECT_EQ(Pixel(390, 60), ColorToRGB(clWindow));
  EXPECT_EQ(Pixel(100, 190), ColorToRGB(clWindow));
}

TEST_F(Painting, ASilverGridGetsDarkerDataLines) {
  MakeGrid(400, 200);
  Grid->SetColor(clSilver);
  Show();
  EXPECT_EQ(Grid->GetGridLineColors()->GetBrightColor(), Dark);
  EXPECT_EQ(Pixel(194, 60), Dark);
}

TEST_F(Painting, LinesSwitchedOffKeepTheirPlaceInTheBackgroundColour) {
  MakeGrid(400, 200);
  Grid->SetOptions(Grid->GetOptions() - goVertLine);
  Show();
  EXPECT_EQ(Grid->CellRect(2, 1).Left, 130);
  // The cell is widened over the line it does not draw.
  EXPECT_EQ(Pixel(194, 60), ColorToRGB(clWindow));
  EXPECT_EQ(Pixel(160, 49), Bright);
}

TEST_F(Painting, WithoutGridLinesCellsTouch) {
  MakeGrid(400, 200);
  Grid->SetGridLineWidth(0);
  Show();
  EXPECT_EQ(Grid->CellRect(1, 0), TRect(64, 0, 128, 24));
  EXPECT_EQ(Pixel(128, 60), ColorToRGB(clWindow));
  EXPECT_EQ(Grid->PolyPolylineCalls, 0);
}

TEST_F(Painting, EveryVisibleCellIsPaintedOnceWithItsArea) {
  MakeGrid(300, 130);
  Grid->SetColCount(8);
  Grid->SetRowCount(8);
  Grid->SetFixedCols(2);
  Grid->SetFrozenColCount(1);
  Show();
  Grid->Drawn.clear();
  Grid->Invalidate();
  Display.ProcessMessages();
  const auto Counts = Grid->DrawCounts();
  for (const auto& [Cell, N] : Counts) EXPECT_EQ(N, 1) << Cell.first << "," << Cell.second;
  // Columns 0..4 (the fifth cut at the edge) and rows 0..5.
  EXPECT_EQ(Counts.size(), 5u * 6u);
  for (const TDrawnCell& C : Grid->Drawn) {
    const bool TitleCell = C.Col == 0 || C.Row == 0;
    EXPECT_EQ(C.State.Contains(gdFixed), TitleCell) << C.Col << "," << C.Row;
    if (C.Col < 4 && C.Row < 5) {
      EXPECT_EQ(C.Rect, Grid->CellRect(C.Col, C.Row));
    }
  }
}

TEST_F(Painting, TheFocusedCurrentCellIsNotHighlightedUnlessFocusSelectedIsOn) {
  MakeGrid(400, 200);
  Show();
  Form->SetActiveControl(Grid);
  ASSERT_TRUE(Grid->IsActiveControl());
  Grid->Drawn.clear();
  Grid->Invalidate();
  const TRect R = Grid->CellRect(1, 1);
  EXPECT_EQ(Pixel(R.Left + 10, R.Top + 10), ColorToRGB(clWindow));
  bool Seen = false;
  for (const TDrawnCell& C : Grid->Drawn) {
    if (C.Col == 1 && C.Row == 1) {
      Seen = true;
      EXPECT_TRUE(C.State.Contains(gdSelected));
      EXPECT_TRUE(C.State.Contains(gdCurrent));
      EXPECT_TRUE(C.State.Contains(gdFocused));
    } else {
      EXPECT_FALSE(C.State.Contains(gdCurrent));
    }
  }
  EXPECT_TRUE(Seen);
  Grid->SetOptions(Grid->GetOptions() + goDrawFocusSelected);
  EXPECT_EQ(Pixel(R.Left + 10, R.Top + 10), ColorToRGB(clHighlight));
  // A range: every cell in it is selected, the others are not.
  Grid->SetOptions(Grid->GetOptions() - goDrawFocusSelected);
  Grid->MoveAnchor({3, 2});
  const TRect Other = Grid->CellRect(3, 2);
  EXPECT_EQ(Pixel(Other.Left + 10, Other.Top + 10), ColorToRGB(clHighlight));
  const TRect Outside = Grid->CellRect(3, 3);
  EXPECT_EQ(Pixel(Outside.Left + 10, Outside.Top + 10), ColorToRGB(clWindow));
}

TEST_F(Painting, AFrozenColumnIsPaintedAsDataAndEndsWithASeparator) {
  MakeGrid(400, 200);
  Grid->SetFixedCols(2);
  Grid->SetFrozenColCount(1);
  Show();
  EXPECT_EQ(Pixel(30, 60), ColorToRGB(clBtnFace));  // column 0: a title column
  EXPECT_EQ(Pixel(100, 60), ColorToRGB(clWindow));  // column 1: frozen, painted as data
  for (const TDrawnCell& C : Grid->Drawn) {
    if (C.Row == 0) continue;
    EXPECT_EQ(C.State.Contains(gdFixed), C.Col == 0);
  }
  // The separator after column 1 takes its own colour.
  EXPECT_EQ(Pixel(129, 60), Dark);
  Grid->GetGridLineColors()->SetColorValue(16, clRed);
  Grid->Invalidate();
  EXPECT_EQ(Pixel(129, 60), clRed);
  EXPECT_EQ(Pixel(129, 150), ColorToRGB(clWindow));  // below the last row
  EXPECT_EQ(Pixel(194, 60), Bright);
}

TEST_F(Painting, AFrozenRowEndsWithASeparatorInTheDarkColour) {
  MakeGrid(400, 200);
  Grid->SetFixedRows(2);
  Grid->SetFrozenRowCount(1);
  Show();
  EXPECT_EQ(Pixel(160, 60), ColorToRGB(clWindow));  // row 2 area
  EXPECT_EQ(Pixel(160, 30), ColorToRGB(clWindow));  // row 1: frozen, data colour
  EXPECT_EQ(Pixel(160, 49), Dark);                  // its separator
  EXPECT_EQ(Pixel(160, 74), Bright);
}

TEST_F(Painting, AContraRowSitsAtTheBottomBelowABandOfTheGridColour) {
  MakeGrid(400, 300);
  Grid->SetContraRowCount(1);
  Grid->GetGridLineColors()->SetContraRowLinesColor(clGreen);
  Show();
  const TRect R = Grid->CellRect(2, 5);
  EXPECT_EQ(R.Bottom, 299);
  EXPECT_EQ(Pixel(160, 200), ColorToRGB(clWindow));  // the empty band
  EXPECT_EQ(Pixel(R.Left + 5, R.Top + 5), ColorToRGB(clWindow));
  EXPECT_EQ(Pixel(R.Right, R.Top + 5), clGreen);  // a line between contra cells
  bool Painted = false;
  for (const TDrawnCell& C : Grid->Drawn) Painted |= C.Col == 2 && C.Row == 5;
  EXPECT_TRUE(Painted);
}

TEST_F(Painting, OutOfGridAreasAreFilledWithTheFixedColour) {
  MakeGrid(400, 200);
  Grid->GetOutBoundaryData()->SetTopIndent(20);
  Show();
  EXPECT_EQ(Pixel(200, 10), ColorToRGB(clBtnFace));
  EXPECT_EQ(Grid->CellRect(1, 1).Top, 45);
}

TEST_F(Painting, TheLineCacheDrawsOneBatchPerColour) {
  MakeGrid(400, 200);
  Show();
  TGridLinesCacheEh Cache;
  for (Integer I = 0; I < 30; ++I) {
    const TColor C = I % 3 == 0 ? clRed : I % 3 == 1 ? clGreen : clBlue;
    Cache.AddLine(C, TPoint(I, 0), TPoint(I, 10));
  }
  EXPECT_EQ(Cache.Count(), 3);
  EXPECT_EQ(Cache.Items(0)->Color, clRed);
  EXPECT_EQ(Cache.Items(1)->Points.size(), 20u);
  TBitmap Bitmap;
  Bitmap.SetSize(40, 20);
  Grid->PolyPolylineCalls = 0;
  // The grid draws on its own canvas only while painting; give it the bitmap's.
  Grid->GetCanvas()->SetHandle(Bitmap.GetCanvas()->GetHandle());
  Cache.Flush(Grid, Grid->GetCanvas());
  Grid->GetCanvas()->SetHandle(nullptr);
  EXPECT_EQ(Grid->PolyPolylineCalls, 3);
  EXPECT_EQ(Bitmap.GetCanvas()->GetPixel(0, 5), clRed);
  EXPECT_EQ(Bitmap.GetCanvas()->GetPixel(1, 5), clGreen);
  EXPECT_EQ(Bitmap.GetCanvas()->GetPixel(29, 5), clBlue);
  EXPECT_EQ(Bitmap.GetCanvas()->GetPixel(0, 10), clWhite);  // the end point is not drawn
}

TEST_F(Painting, AFullPaintIssuesOnePolyPolylinePerAreaColourNotOnePerLine) {
  MakeGrid(640, 400);
  Grid->SetColCount(30);
  Grid->SetRowCount(40);
  Show();
  Grid->PolyPolylineCalls = 0;
  Grid->Invalidate();
  Display.ProcessMessages();
  // Four areas (title over title, title rows, title columns, data), one colour each.
  EXPECT_LE(Grid->PolyPolylineCalls, 8);
  EXPECT_GE(Grid->PolyPolylineCalls, 4);
}

TEST_F(Painting, IncrementalRepaintsAfterScrollingEqualAFullRepaint) {
  MakeGrid(420, 260);
  Grid->SetColCount(30);
  Grid->SetRowCount(60);
  Grid->SetFixedCols(2);
  Grid->SetFrozenColCount(1);
  Grid->SetColWidths(5, 20);
  Grid->SetColWidths(7, 0);
  Grid->SetRowHeights(9, 40);
  Grid->CellColor = CellTint;
  Show();
  auto Check = [&](const char* Step) {
    const std::vector<TColor> Incremental = Pixels();
    const std::vector<TColor> Full = FullRepaintPixels();
    EXPECT_EQ(CountDifferences(Incremental, Full), 0u) << Step;
  };
  Grid->SetLeftCol(4);
  Check("one step right");
  Grid->SetTopRow(3);
  Check("three rows down");
  Grid->MoveTopLeft(6, 5);
  Check("both axes");
  Grid->MoveTopLeft(3, 2);
  Check("both axes back");
  Grid->SetLeftCol(25);
  Check("a jump wider than the view");
}

TEST_F(Painting, IncrementalRepaintsWithContraLinesEqualAFullRepaint) {
  MakeGrid(420, 260);
  Grid->SetColCount(25);
  Grid->SetRowCount(40);
  Grid->SetContraColCount(1);
  Grid->SetContraRowCount(2);
  Grid->CellColor = CellTint;
  Show();
  auto Check = [&](const char* Step) { EXPECT_EQ(CountDifferences(Pixels(), FullRepaintPixels()), 0u) << Step; };
  Grid->SetLeftCol(3);
  Check("columns");
  Grid->SetTopRow(4);
  Check("rows");
  Grid->MoveTopLeft(5, 6);
  Check("both");
}

TEST_F(Painting, PixelScrollingNeverPaintsThePartlyHiddenColumnOverTheFixedOnes) {
  MakeGrid(420, 200);
  Grid->SetColCount(20);
  Grid->SetFixedCols(2);
  Grid->SetFrozenColCount(1);
  Grid->SetOptions(Grid->GetOptions() + goRowSelect);  // scrolls by pixels
  Grid->CellColor = CellTint;
  Show();
  const std::vector<TColor> Before = Pixels();
  Grid->ScrollByPixels(10, 0);
  EXPECT_EQ(Grid->GetTopLeftOffset().X, 10);
  EXPECT_EQ(Grid->GetLeftCol(), 2);
  const std::vector<TColor> After = Pixels();
  const Integer W = Grid->GetClientWidth();
  for (Integer Y = 0; Y < 150; ++Y)
    for (Integer X = 0; X < 130; ++X) EXPECT_EQ(After[Y * W + X], Before[Y * W + X]) << X << "," << Y;
  EXPECT_EQ(CountDifferences(After, FullRepaintPixels()), 0u);
  Grid->ScrollByPixels(100, 0);
  EXPECT_EQ(Grid->GetLeftCol(), 3);
  EXPECT_EQ(Grid->GetTopLeftOffset().X, 45);
  EXPECT_EQ(CountDifferences(Pixels(), FullRepaintPixels()), 0u);
}

TEST_F(Painting, ALargeGridWithFixedAndFrozenLinesIsKeptAsAPicture) {
  MakeGrid(1280, 800);
  Grid->SetColCount(50);
  Grid->SetRowCount(1000);
  Grid->SetFixedCols(2);
  Grid->SetFrozenColCount(1);
  Grid->SetFixedRows(2);
  Grid->SetFrozenRowCount(1);
  Grid->SetDefaultColWidth(60);
  Grid->SetDefaultRowHeight(18);
  Grid->CellColor = [](Integer Col, Integer Row) { return Col == 0 || Row == 0 ? clNone : CellTint(Col, Row); };
  Show();
  Grid->MoveTopLeft(10, 500);
  Display.ProcessMessages();
  const std::filesystem::path Dir = std::filesystem::path(BORROW_BINARY_DIR) / "artifacts";
  std::filesystem::create_directories(Dir);
  const std::filesystem::path File = Dir / "grid_1000x50.png";
  ASSERT_TRUE(Display.SnapshotPNG(Grid->GetHandle(), File.string()));
  EXPECT_GT(std::filesystem::file_size(File), 1000u);
  EXPECT_EQ(CountDifferences(Pixels(), FullRepaintPixels()), 0u);
}

TEST_F(Painting, ExtendedVerticalLinesFadeFromTheLineColourBelowTheLastRow) {
  MakeGrid(400, 300);
  Grid->SetOptions(Grid->GetOptions() + goExtendVertLinesEh);
  Show();
  const TGridDrawInfoEh D = Grid->DrawInfo();
  const Integer Top = D.Vert.GridBoundary;  // 125: below the five rows
  ASSERT_EQ(Top, 125);
  // Column 2's line at x 194 continues in the bright colour, fading to the grid colour.
  EXPECT_EQ(Pixel(194, Top), Bright);
  EXPECT_EQ(Pixel(194, 299), ColorToRGB(clWindow));
  const TColor Middle = Pixel(194, (Top + 299) / 2);
  EXPECT_NE(Middle, Bright);
  EXPECT_NE(Middle, ColorToRGB(clWindow));
  // The fixed column's line is dark; between the lines the grid colour.
  EXPECT_EQ(Pixel(64, Top), Dark);
  EXPECT_EQ(Pixel(160, Top + 10), ColorToRGB(clWindow));
  // Without the option the space stays plain.
  Grid->SetOptions(Grid->GetOptions() - goExtendVertLinesEh);
  EXPECT_EQ(Pixel(194, Top + 1), ColorToRGB(clWindow));
}
