// The base grid in right-to-left mode, as a user meets it. Each test runs one
// script on a left-to-right grid and, with every x mirrored, on a right-to-left
// twin, and compares what the two show and do: the twin paints the first one
// mirrored (its text and raised frames unmirrored), its sizing line and move
// marker stand at the mirrored lines, and clicks, drags and drags held past an
// edge act on the same cells.

#include <cairo.h>

#include <map>

#include "GridTestSupport.h"
#include "platform/ui/GDI.h"

namespace {

// Marks each cell with a colour of its own and a bar at its leading edge, so a
// cell painted the wrong way round shows; Text, when set, is drawn after the bar.
class TMarkGrid : public TTestGrid {
public:
  using TTestGrid::TTestGrid;
  String Text;
  void DrawCell(Integer ACol, Integer ARow, const TRect& ARect, TGridDrawState AState) override {
    TCanvas* C = GetCanvas();
    if (!AState.Contains(gdSelected)) {
      C->GetBrush()->SetColor(TColor(0x304050 + ACol * 0x1C0B05 + ARow * 0x050E17));
      C->FillRect(TRect(ARect.Left + 1, ARect.Top + 1, ARect.Right - 1, ARect.Bottom - 1));
    }
    C->GetBrush()->SetColor(clBlack);
    C->FillRect(TRect(ARect.Left + 2, ARect.Top + 3, ARect.Left + 5, ARect.Bottom - 3));
    if (!Text.empty()) {
      C->GetBrush()->SetStyle(bsClear);
      C->GetFont()->SetColor(clBlack);
      C->TextOut(ARect.Left + 7, ARect.Top + 2, Text);
      C->GetBrush()->SetStyle(bsSolid);
    }
  }
};

using TSetup = std::function<void(TMarkGrid*)>;

// What a script saw at one of its checkpoints.
struct TShot {
  std::vector<TColor> Pixels;
  TGridCoord Current, Anchor;
  Integer LeftCol = 0;
  TPoint Offset;
  std::vector<Integer> Widths, Heights;
  TGridState State = gsNormal;
  TRect Marker;  // the move marker, grid client coordinates, when shown
  std::vector<TColor> MarkerPixels;
};

class RightToLeft : public ::testing::Test {
protected:
  THeadlessDisplay Display;
  TMarkGrid* Ltr = nullptr;
  TMarkGrid* Rtl = nullptr;
  // Odd, so the device-wide dot pattern of focus rectangles and sizing lines
  // falls alike on both sides of the mirror.
  static constexpr Integer W = 401, H = 221;

  void Make(const TSetup& Setup) {
    Ltr = MakeOne(40, Setup, false);
    Rtl = MakeOne(40 + W + 20, Setup, true);
  }

  TMarkGrid* MakeOne(Integer Left, const TSetup& Setup, bool Mirrored) {
    auto* Form = new TForm(Application);
    Form->SetBorderStyle(bsNone);
    Form->SetBounds(Left, 60, W, H);
    auto* Grid = new TMarkGrid(Form);
    Grid->SetBorderStyle(bsNone);
    Grid->SetScrollBars(ssNone);
    Grid->SetParent(Form);
    Grid->SetBounds(0, 0, W, H);
    // Set on the form; the grid follows its parent's mode.
    if (Mirrored) Form->SetBiDiMode(bdRightToLeft);
    Setup(Grid);
    Form->Show();
    Display.ProcessMessages();
    return Grid;
  }

  // The mirror of a client x of the left-to-right grid.
  static Integer M(Integer X) { return W - 1 - X; }

  std::vector<TColor> Pixels(TMarkGrid* Grid) {
    Display.ProcessMessages();
    return ClientPixels(Grid, W, H);
  }

  TShot Shoot(TMarkGrid* G) {
    TShot S;
    S.Pixels = Pixels(G);
    S.Current = TGridCoord{G->GetCol(), G->GetRow()};
    S.Anchor = G->GetAnchor();
    S.LeftCol = G->GetLeftCol();
    S.Offset = G->GetTopLeftOffset();
    for (Integer C = 0; C < G->GetColCount(); ++C) S.Widths.push_back(G->GetColWidths(C));
    for (Integer R = 0; R < G->GetRowCount(); ++R) S.Heights.push_back(G->GetRowHeights(R));
    S.State = G->GetGridState();
    TGridMoveLineEh* Marker = GridMoveLineEh();
    if (Marker->GetVisible()) {
      S.Marker = GetWindowRect(Marker->GetHandle());
      const TPoint O = G->ClientToScreen(TPoint(0, 0));
      OffsetRect(S.Marker, -O.X, -O.Y);
      const TRect MR = GetClientRect(Marker->GetHandle());
      for (Integer Y = 0; Y < MR.Bottom; ++Y)
        for (Integer X = 0; X < MR.Right; ++X) S.MarkerPixels.push_back(Display.PixelAt(Marker->GetHandle(), X, Y));
    }
    return S;
  }

  // Runs Script on both grids, the right-to-left one with every x mirrored;
  // Shot records a checkpoint. Gives the two lists of checkpoints.
  using TScript =
      std::function<void(TMarkGrid* G, const std::function<Integer(Integer)>& X, const std::function<void()>& Shot)>;
  std::pair<std::vector<TShot>, std::vector<TShot>> Run(const TScript& Script) {
    std::vector<TShot> A, B;
    Script(
        Ltr, [](Integer X) { return X; }, [&] { A.push_back(Shoot(Ltr)); });
    Display.AdvanceClock(1000);
    Script(
        Rtl, [](Integer X) { return M(X); }, [&] { B.push_back(Shoot(Rtl)); });
    Display.AdvanceClock(1000);
    return {A, B};
  }

  // The twin's checkpoint is the first one mirrored: the same cells, lines and
  // scrolling, every pixel at its mirror, except where Unmirrored (in the first
  // grid's terms) says the pixel shows moved to TwinX instead (or, given -1,
  // shows neither way).
  void ExpectMirrored(const TShot& A, const TShot& B,
                      const std::function<bool(Integer X, Integer Y, Integer& TwinX)>& Unmirrored = nullptr) {
    EXPECT_EQ(B.Current, A.Current);
    EXPECT_EQ(B.Anchor, A.Anchor);
    EXPECT_EQ(B.LeftCol, A.LeftCol);
    EXPECT_EQ(B.Offset, A.Offset);
    EXPECT_EQ(B.Widths, A.Widths);
    EXPECT_EQ(B.Heights, A.Heights);
    EXPECT_EQ(B.State, A.State);
    EXPECT_EQ(B.Marker, A.Marker.IsEmpty()
                            ? TRect()
                            : TRect(M(A.Marker.Right - 1), A.Marker.Top, M(A.Marker.Left) + 1, A.Marker.Bottom));
    EXPECT_EQ(B.MarkerPixels, A.MarkerPixels);  // the marker is its own mirror
    Integer Wrong = 0;
    for (Integer Y = 0; Y < H; ++Y)
      for (Integer X = 0; X < W; ++X) {
        Integer TwinX = M(X);
        if (Unmirrored) Unmirrored(X, Y, TwinX);
        if (TwinX < 0) continue;  // shows neither way
        const TColor Want = A.Pixels[size_t(Y * W + X)], Got = B.Pixels[size_t(Y * W + TwinX)];
        if (Want != Got && ++Wrong <= 5)
          ADD_FAILURE() << "pixel " << X << "," << Y << " of the left-to-right grid shows at " << TwinX << " as "
                        << std::hex << Got << " instead of " << Want;
      }
    EXPECT_EQ(Wrong, 0);
  }
  void ExpectAllMirrored(const std::pair<std::vector<TShot>, std::vector<TShot>>& Shots) {
    ASSERT_EQ(Shots.first.size(), Shots.second.size());
    for (size_t I = 0; I < Shots.first.size(); ++I) {
      SCOPED_TRACE("checkpoint " + std::to_string(I));
      ExpectMirrored(Shots.first[I], Shots.second[I]);
    }
  }
};

// Fixed, frozen, scrolling and contra lines, uneven widths, lines on every
// kind of band, no 3D frames (those keep their light from the top left).
void Bands(TMarkGrid* G) {
  G->SetCtl3D(false);
  G->SetColCount(12);
  G->SetRowCount(14);
  G->SetFixedCols(2);
  G->SetFrozenColCount(1);
  G->SetContraColCount(1);
  G->SetContraRowCount(1);
  G->SetDefaultRowHeight(19);
  for (Integer C = 0; C < 13; ++C) G->SetColWidths(C, 31 + C * 7 % 23);
}

}  // namespace

TEST_F(RightToLeft, AGridPaintsAsTheLeftToRightOneMirroredWhereverItIsScrolledAndWhateverIsSelected) {
  Make([](TMarkGrid* G) {
    Bands(G);
    G->SetOptions(G->GetOptions() + goRangeSelect + goExtendVertLinesEh);
  });
  const auto Shots = Run([&](TMarkGrid* G, auto, auto Shot) {
    Shot();
    // Focused, a range selected, scrolled a few columns on.
    G->SetFocus();
    G->SetLeftCol(4);
    G->FocusCell(5, 3, true);
    G->FocusCell(7, 6, false);
    Shot();
    // Rows selected whole, scrolled by pixels (the first column cut), fewer
    // rows than the window holds (the vertical lines go on below them).
    G->SetOptions(G->GetOptions() + goRowSelect);
    G->SetRowCount(6);
    G->SetLeftCol(2);
    G->ScrollByPixels(23, 0);
    Shot();
  });
  ASSERT_EQ(Shots.first.size(), 3u);
  EXPECT_GT(Shots.first[2].Offset.X, 0);
  ExpectAllMirrored(Shots);
}

TEST_F(RightToLeft, TextAndRaisedFramesKeepTheirDirectionInTheMirroredCells) {
  Make([](TMarkGrid* G) {
    Bands(G);
    G->SetCtl3D(true);
    G->SetContraColCount(0);
    G->SetContraRowCount(0);
    G->Text = u"Ab";
  });
  HDC DC = CreateCompatibleDC(nullptr);
  SelectObject(DC, Ltr->GetFont()->GetHandle());
  TSize Ext;
  GetTextExtentPoint32(DC, Ltr->Text, Integer(Ltr->Text.size()), Ext);
  DeleteDC(DC);
  const auto Shots = Run([&](TMarkGrid*, auto, auto Shot) { Shot(); });
  // The text of a cell is read from its leading edge in both grids: the
  // twin's glyphs are the first grid's, moved, not turned round; the raised
  // edge around a title cell keeps its light on the top and left.
  std::vector<Integer> ColAt(W), RowAt(H);
  for (Integer X = 0; X < W; ++X) ColAt[size_t(X)] = Ltr->MouseCoord(X, 30).X;
  for (Integer Y = 0; Y < H; ++Y) RowAt[size_t(Y)] = Ltr->MouseCoord(40, Y).Y;
  std::map<std::pair<Integer, Integer>, TRect> Rects;
  ExpectMirrored(Shots.first[0], Shots.second[0], [&](Integer X, Integer Y, Integer& TwinX) {
    const TGridCoord Cell{ColAt[size_t(X)], RowAt[size_t(Y)]};
    if (Cell.X < 0 || Cell.Y < 0) return false;
    auto Found = Rects.find({Cell.X, Cell.Y});
    if (Found == Rects.end())
      Found = Rects.emplace(std::make_pair(Cell.X, Cell.Y), Ltr->CellRect(Cell.X, Cell.Y)).first;
    const TRect R = Found->second;
    if (!PtInRect(R, TPoint(X, Y))) return false;
    if (R.Width() != Ltr->GetColWidths(Cell.X)) {
      // A cell cut by the window's edge shows the other part of its frame.
      TwinX = -1;
      return true;
    }
    const TRect T(R.Left + 7, R.Top + 2, std::min(R.Right, R.Left + 7 + Ext.cx + 1), R.Top + 2 + Ext.cy);
    const bool Fixed = Cell.X < 1 || Cell.Y < 1;
    const bool Frame = Fixed && (X == R.Left || X == R.Right - 1 || Y == R.Top || Y == R.Bottom - 1);
    if (Frame) {
      TwinX = M(R.Right - 1) + (X - R.Left);
      return true;
    }
    if (PtInRect(T, TPoint(X, Y))) {
      // The text block keeps its order, standing at the mirror of its box.
      TwinX = M(R.Left + 7 + Ext.cx - 1) + (X - T.Left);
      return true;
    }
    return false;
  });
}

TEST_F(RightToLeft, ClicksDragsAndSizingLandOnTheMirroredCellsAndLines) {
  Make([](TMarkGrid* G) {
    Bands(G);
    G->SetOptions(G->GetOptions() + goRangeSelect + goColSizing + goRowSizing);
  });
  const TRect C3 = Ltr->CellRect(3, 2), C4 = Ltr->CellRect(4, 4);
  ASSERT_EQ(Rtl->CellRect(3, 2), TRect(M(C3.Right - 1), C3.Top, M(C3.Left) + 1, C3.Bottom));
  const auto Shots = Run([&](TMarkGrid* G, auto X, auto Shot) {
    // A cell's rectangle in the first grid's terms.
    auto Cell = [&](Integer Col, Integer Row) {
      const TRect R = G->CellRect(Col, Row);
      return G == Rtl ? TRect(M(R.Right - 1), R.Top, M(R.Left) + 1, R.Bottom) : R;
    };
    const HWND Wnd = G->GetHandle();
    G->SetFocus();
    // A click on a cell; a shifted one on the last pixel of another; one on the first.
    Display.Click(Wnd, X((C3.Left + C3.Right) / 2), C3.Top + 5);
    EXPECT_EQ(G->GetCol(), 3);
    Display.AdvanceClock(1000);
    Display.Click(Wnd, X(C4.Right - 1), C4.Top + 2, mbLeft, THeadlessShift::Shift);
    EXPECT_EQ(G->GetAnchor(), (TGridCoord{4, 4}));
    Shot();
    Display.AdvanceClock(1000);
    Display.Click(Wnd, X(C4.Left), C4.Top + 2);
    EXPECT_EQ(G->GetCol(), 4);
    Shot();
    // A range dragged past the far edge grows on the timer.
    Display.AdvanceClock(1000);
    Display.MouseDown(Wnd, X(C3.Left + 4), C3.Top + 4);
    Display.MouseMove(Wnd, X(W + 30), C3.Top + 4);
    Display.AdvanceClock(600);
    Display.MouseUp(Wnd, X(W + 30), C3.Top + 4);
    EXPECT_GT(G->GetAnchor().X, 10);
    EXPECT_GT(G->GetLeftCol(), 2);
    Shot();
    // A column edge dragged outwards by 13 pixels: the sizing line follows the
    // mouse, and the column grows.
    G->SetLeftCol(2);
    const Integer Edge = Cell(3, 0).Right;
    Display.AdvanceClock(1000);
    Display.MouseDown(Wnd, X(Edge), 6);
    Display.MouseMove(Wnd, X(Edge + 13), 8);
    EXPECT_EQ(G->GetGridState(), gsColSizing);
    Shot();
    Display.MouseUp(Wnd, X(Edge + 13), 8);
    EXPECT_EQ(G->GetColWidths(3), 31 + 3 * 7 % 23 + 13);
    // A row edge in the title column, with its horizontal sizing line.
    const Integer RowEdge = Cell(0, 3).Bottom;
    Display.AdvanceClock(1000);
    Display.MouseDown(Wnd, X(12), RowEdge);
    Display.MouseMove(Wnd, X(14), RowEdge + 9);
    EXPECT_EQ(G->GetGridState(), gsRowSizing);
    Shot();
    Display.MouseUp(Wnd, X(14), RowEdge + 9);
    EXPECT_EQ(G->GetRowHeights(3), 28);
    Shot();
  });
  ExpectAllMirrored(Shots);
}

TEST_F(RightToLeft, AMovedColumnShowsTheMarkerAtTheMirroredLineAndDraggedPastTheEdgeScrollsOnTheTimer) {
  Make([](TMarkGrid* G) {
    Bands(G);
    G->SetContraColCount(0);
    G->SetColCount(30);
    G->SetOptions(G->GetOptions() + goColMoving);
  });
  const TRect Title = Ltr->CellRect(3, 0), Target = Ltr->CellRect(5, 0), Next = Ltr->CellRect(4, 0);
  const auto Shots = Run([&](TMarkGrid* G, auto X, auto Shot) {
    const HWND Wnd = G->GetHandle();
    Display.MouseDown(Wnd, X(Title.Left + 6), 5);
    ASSERT_EQ(G->GetGridState(), gsColMoving);
    Display.MouseMove(Wnd, X(Target.Left + 10), 5);
    Display.MouseMove(Wnd, X(Target.Left + 12), 5);
    EXPECT_TRUE(GridMoveLineEh()->GetVisible());
    EXPECT_EQ(G->GetMovePos(), 5);
    Shot();
    Display.MouseUp(Wnd, X(Target.Left + 12), 5);
    Shot();  // the same column moved to the same place
    // Held past the far edge, the drag scrolls on the timer.
    Display.AdvanceClock(1000);
    Display.MouseDown(Wnd, X(Next.Left + 6), 5);
    Display.MouseMove(Wnd, X(W + 40), 5);
    Display.AdvanceClock(2000);
    EXPECT_GT(G->GetLeftCol(), 2);
    Shot();
    Display.MouseUp(Wnd, X(W + 40), 5);
    Shot();
  });
  ASSERT_FALSE(Shots.first[0].Marker.IsEmpty());
  ExpectAllMirrored(Shots);
}

TEST_F(RightToLeft, TheHorizontalScrollBarRunsFromTheRightAndItsRequestsGoTheMirroredWay) {
  Make([](TMarkGrid* G) {
    Bands(G);
    G->SetContraColCount(0);
    G->SetColCount(30);
    G->SetScrollBars(ssHorizontal);
  });
  ASSERT_TRUE(Rtl->UseRightToLeftAlignment());  // from its form
  const HWND A = Ltr->GetHandle(), B = Rtl->GetHandle();
  auto Pos = [](HWND Wnd) { return GetScrollPos(Wnd, SB_HORZ); };
  EXPECT_EQ(Pos(A), 0);
  EXPECT_EQ(Pos(B), 127);  // the first columns: the thumb at the right end
  // Towards the later columns: the right arrow of the first bar, the left one of the twin's.
  SendMessage(A, WM_HSCROLL, SB_LINEDOWN, 0);
  SendMessage(B, WM_HSCROLL, SB_LINEUP, 0);
  EXPECT_EQ(Ltr->GetLeftCol(), 3);
  EXPECT_EQ(Rtl->GetLeftCol(), 3);
  SendMessage(A, WM_HSCROLL, SB_PAGEDOWN, 0);
  SendMessage(B, WM_HSCROLL, SB_PAGEUP, 0);
  EXPECT_EQ(Rtl->GetLeftCol(), Ltr->GetLeftCol());
  EXPECT_EQ(Pos(B), 127 - Pos(A));
  // The far end of the bar: the last columns.
  SendMessage(A, WM_HSCROLL, SB_RIGHT, 0);
  SendMessage(B, WM_HSCROLL, SB_LEFT, 0);
  EXPECT_GT(Ltr->GetLeftCol(), 20);
  EXPECT_EQ(Rtl->GetLeftCol(), Ltr->GetLeftCol());
  EXPECT_EQ(Pos(A), 127);
  EXPECT_EQ(Pos(B), 0);
  // Rows selected whole scroll by pixels: the twin's bar is the mirror there too.
  for (TMarkGrid* G : {Ltr, Rtl}) {
    G->SetOptions(G->GetOptions() + goRowSelect);
    G->SetLeftCol(2);
    G->ScrollByPixels(40, 0);
  }
  TScrollInfo IA, IB;
  IA.fMask = IB.fMask = SIF_ALL;
  GetScrollInfo(A, SB_HORZ, IA);
  GetScrollInfo(B, SB_HORZ, IB);
  EXPECT_EQ(IA.nPos, 40);
  EXPECT_EQ(IB.nMax, IA.nMax);
  EXPECT_EQ(IB.nPos, IA.nMax + 1 - Integer(IA.nPage) - IA.nPos);
  SendMessage(A, WM_HSCROLL, SB_LINEDOWN, 0);
  SendMessage(B, WM_HSCROLL, SB_LINEUP, 0);
  EXPECT_EQ(Rtl->GetHorzPixelPos(), Ltr->GetHorzPixelPos());
  EXPECT_GT(Ltr->GetHorzPixelPos(), 40);
}
