// The painted grid as pixels: a grid over a resource tree kept as a PNG for people
// to look at and probed at known places; a repaint after scrolling that must equal
// a full repaint; painting through the memory bitmap, only what waits to be
// painted, and directly.

#include <filesystem>
#include <set>

#include "editors/ToolCtrlsEh.h"
#include "tests/grid/DBGridPaintSupport.h"
#include "tests/grid/DBGridTestSupport.h"

namespace {

class GridPixels : public GridFixture {
protected:
  // The resource tree as the tree editor shows it: names in a tree, then the
  // identifier and the order number; sorted by name.
  void MakeResourceTreeGrid(Integer W, Integer H) {
    MakeResourceTreeColumns(W, H);
    AddResourceTree(Table);
    for (Integer I = 0; I < 30; ++I) AddResource(Table, 100 + I, 22, 1, I, u"Каталог " + IntToStr(I));
    ShowAsExpandedTree(Table);
    Table.Open();
    Grid->SetDataSource(&Source);
    Grid->GetColumns()->Items(0)->GetTitle()->SetSortMarker(smDownEh);
    Display.ProcessMessages();
  }
  void MakeResourceTreeColumns(Integer W, Integer H) {
    MakeGrid(W, H);
    for (const char16_t* Name : {u"NAME_THIS", u"ID_THIS", u"NPP"}) {
      TColumnEh* Column = Grid->GetColumns()->Add();
      Column->SetFieldName(Name);
    }
    Grid->GetColumns()->Items(0)->SetWidth(220);
    Grid->GetColumns()->Items(0)->GetTitle()->SetCaption(u"Ресурс");
    Grid->GetColumns()->Items(1)->GetTitle()->SetCaption(u"Код");
    Grid->GetColumns()->Items(2)->GetTitle()->SetCaption(u"№");
    Grid->SetOptionsEh(Grid->GetOptionsEh() + dghShowRecNo);
  }
  void Repaint() {
    Grid->Invalidate();
    Display.ProcessMessages();
  }
  // Moves the current record back and forth; each time the window, scrolled in
  // place, must show what a full repaint shows.
  void CheckScrollingRepaints();
};

}  // namespace

TEST_F(GridPixels, AResourceTreeIsKeptAsAPngWithItsTitlesTreeAndCurrentRow) {
  MakeResourceTreeGrid(420, 300);
  Grid->SetFocus();
  Table.First();
  Table.Next();
  Display.ProcessMessages();
  Repaint();
  const std::filesystem::path Dir = std::filesystem::path(BORROW_BINARY_DIR) / "test-artifacts";
  std::filesystem::create_directories(Dir);
  const std::string Path = (Dir / "grid-resource-tree.png").string();
  ASSERT_TRUE(Display.SnapshotPNG(Grid->GetHandle(), Path));
  EXPECT_TRUE(std::filesystem::exists(Path));
}

TEST_F(GridPixels, ProbesFindTheTitleFaceTheHighlightedCellAndTheTreeLines) {
  MakeResourceTreeGrid(420, 300);
  Grid->SetFocus();
  Table.First();
  Table.Next();
  Display.ProcessMessages();
  Repaint();
  const HWND Wnd = Grid->GetHandle();
  // The title row: the button face inside its raised frame, a light top edge.
  const TRect Title = Grid->CellRect(1, 0);
  EXPECT_EQ(Display.PixelAt(Wnd, Title.Left + 40, Title.Top + 2), ColorToRGB(clBtnFace));
  EXPECT_EQ(Display.PixelAt(Wnd, Title.Left + 40, Title.Top), ColorToRGB(clBtnHighlight));
  // The current cell of the focused grid: the selection colour right of its text.
  const TRect Current = Grid->CellRect(1, Grid->GetRow());
  EXPECT_EQ(Display.PixelAt(Wnd, Current.Right - 5, Current.Top + 3), ColorToRGB(clHighlight));
  // Another data cell: the window colour.
  const TRect Other = Grid->CellRect(2, Grid->GetRow() + 2);
  EXPECT_EQ(Display.PixelAt(Wnd, Other.Left + 3, Other.Top + 3), ColorToRGB(clWindow));
  // The dotted line down the first level from the first group to the second
  // passes the row between them: some of its pixels are the shadow colour.
  const TRect Between = Grid->CellRect(1, 3);
  Integer Shadow = 0;
  for (Integer Y = Between.Top; Y < Between.Bottom; ++Y)
    Shadow += Display.PixelAt(Wnd, Between.Left + 9, Y) == ColorToRGB(clBtnShadow);
  EXPECT_GT(Shadow, 2);
  // The indicator's arrow on the current row, black on the button face.
  const TRect Indicator = Grid->CellRect(0, Grid->GetRow());
  Integer Black = 0;
  for (Integer Y = Indicator.Top; Y < Indicator.Bottom; ++Y)
    for (Integer X = Indicator.Right - 9; X < Indicator.Right; ++X) Black += Display.PixelAt(Wnd, X, Y) == clBlack;
  EXPECT_GE(Black, 15);
}

TEST_F(GridPixels, ARepaintAfterScrollingEqualsAFullRepaint) {
  MakeResourceTreeGrid(420, 300);
  Grid->SetFocus();
  Table.First();
  Display.ProcessMessages();
  Repaint();
  CheckScrollingRepaints();
}

TEST_F(GridPixels, ARepaintAfterScrollingRowsOfAnOddPitchEqualsAFullRepaint) {
  MakeResourceTreeGrid(420, 300);
  Grid->SetRowHeight(18);
  Grid->SetFocus();
  Table.First();
  Display.ProcessMessages();
  const Integer Pitch = Grid->CellRect(1, 2).Top - Grid->CellRect(1, 1).Top;
  ASSERT_EQ(Pitch % 2, 1);
  Repaint();
  CheckScrollingRepaints();
}

void GridPixels::CheckScrollingRepaints() {
  for (Integer Step : {3, 11, -5, 1, -7}) {
    Table.MoveBy(Step);
    Display.ProcessMessages();
    const std::vector<TColor> Scrolled = WindowPixels(Grid, Display);
    Repaint();
    const std::vector<TColor> Full = WindowPixels(Grid, Display);
    ASSERT_EQ(Scrolled.size(), Full.size());
    size_t Differences = 0;
    for (size_t I = 0; I < Full.size(); ++I) Differences += Scrolled[I] != Full[I];
    EXPECT_EQ(Differences, 0u) << "after moving by " << Step << " to row " << Grid->GetRow();
  }
}

// A buffered paint draws into the memory bitmap what waits to be painted, not
// its bounds: when two rows apart change their look, the rows between them,
// which the window already shows, are not drawn again. Which rows a paint drew
// is heard through the cell drawing event; the window itself cannot tell, as
// its copy from the memory bitmap shows only what waited to be painted.
TEST_F(GridPixels, ABufferedPaintDrawsTheRowsThatChangedAndNotThoseBetweenThem) {
  MakeResourceTreeGrid(420, 300);
  Grid->SetFocus();
  Table.First();
  Display.ProcessMessages();
  Repaint();
  ASSERT_TRUE(Grid->GetPaintBuffered());
  std::set<Integer> Drawn;
  Grid->OnDrawColumnCell = [&](TObject*, const TRect& R, Integer, TColumnEh*, TGridDrawState) {
    Drawn.insert(Grid->MouseCoord(R.Left + 1, R.Top + 1).Y);
  };
  auto ExpectDrawnWithNothingBetween = [&](Integer Above, Integer Below) {
    EXPECT_EQ(Drawn.count(Above), 1u) << "row " << Above;
    EXPECT_EQ(Drawn.count(Below), 1u) << "row " << Below;
    for (Integer Row = Above + 1; Row < Below; ++Row) EXPECT_EQ(Drawn.count(Row), 0u) << "row " << Row;
  };
  // The current row moves five rows down the page: its old row and its new one.
  const Integer First = Grid->GetRow();
  Table.MoveBy(5);
  Display.ProcessMessages();
  ASSERT_EQ(Grid->GetRow(), First + 5);
  ExpectDrawnWithNothingBetween(First, First + 5);
  EXPECT_EQ(Drawn, (std::set<Integer>{First, First + 5}));
  // From the page's second row to the row below its last whole one: the rows
  // scroll up by one, uncovering the row the current row moves to; the old
  // current row, now at the top, changes its look, the rows between only move.
  Table.MoveBy(Grid->GetTopRow() + 1 - Grid->GetRow());
  Display.ProcessMessages();
  const Integer Top = Grid->GetTopRow(), Old = Grid->GetRow();
  ASSERT_EQ(Old, Top + 1);
  Drawn.clear();
  Table.MoveBy(Grid->GetVisibleRowCount() - 1);
  Display.ProcessMessages();
  ASSERT_EQ(Grid->GetTopRow(), Top + 1);
  ExpectDrawnWithNothingBetween(Old, Grid->GetRow());
  Grid->OnDrawColumnCell = nullptr;
  // What was not painted again is still right: the window shows what a full repaint shows.
  const std::vector<TColor> Scrolled = WindowPixels(Grid, Display);
  Repaint();
  EXPECT_TRUE(WindowPixels(Grid, Display) == Scrolled);
}

TEST_F(GridPixels, ATreeWithRowLinesPaintsThroughTheMemoryBitmapFromThenOn) {
  MakeGrid(300, 200);
  AddResourceTree(Table);
  Table.Open();
  Grid->SetDataSource(&Source);
  Display.ProcessMessages();
  EXPECT_FALSE(Grid->GetPaintBuffered());
  // A paint message that brings its own context is painted straight into it.
  ShowAsExpandedTree(Table);
  PaintGrid Direct(Grid);
  // (Tree elements are copied from their images; the window is not.)
  for (const TGdiOp* Op : Direct.Recorder.OfKind(gopBlit)) EXPECT_LE(Op->Rect.Width(), 4 * GridTreeIndentEh);
  EXPECT_FALSE(Direct.Recorder.OfKind(gopFillRect).empty());
  Repaint();
  EXPECT_TRUE(Grid->GetPaintBuffered());
  // The tree gone, buffering stays.
  Table.GetTreeList()->SetActive(false);
  Repaint();
  EXPECT_TRUE(Grid->GetPaintBuffered());
  // Buffered or not, the window shows the same.
  const std::vector<TColor> Buffered = WindowPixels(Grid, Display);
  SetDBGridEhBufferedPaintForbidden(true);
  delete Form;
  MakeGrid(300, 200);
  Grid->SetDataSource(&Source);
  Display.ProcessMessages();
  Repaint();
  SetDBGridEhBufferedPaintForbidden(false);
  EXPECT_FALSE(Grid->GetPaintBuffered());
  EXPECT_EQ(WindowPixels(Grid, Display), Buffered);
}

TEST_F(GridPixels, AGridThatGrewAndScrolledShowsWhatANeverBufferedGridShows) {
  // The memory bitmap outlives each paint: painted at one size, grown, scrolled
  // and painted again, nothing of the earlier pictures may show through.
  MakeResourceTreeGrid(300, 160);
  Grid->SetFocus();
  Table.First();
  Repaint();
  ASSERT_TRUE(Grid->GetPaintBuffered());
  Form->SetBounds(10, 10, 420, 300);
  Grid->SetBounds(0, 0, 420, 300);
  Display.ProcessMessages();
  Table.MoveBy(25);
  Display.ProcessMessages();
  Repaint();
  const std::vector<TColor> Buffered = WindowPixels(Grid, Display);
  Grid->SetDataSource(nullptr);
  delete Form;
  SetDBGridEhBufferedPaintForbidden(true);
  MakeResourceTreeColumns(420, 300);
  Grid->SetFocus();
  Grid->SetDataSource(&Source);
  Grid->GetColumns()->Items(0)->GetTitle()->SetSortMarker(smDownEh);
  Table.First();
  Table.MoveBy(25);
  Display.ProcessMessages();
  Repaint();
  SetDBGridEhBufferedPaintForbidden(false);
  ASSERT_FALSE(Grid->GetPaintBuffered());
  const std::vector<TColor> Direct = WindowPixels(Grid, Display);
  ASSERT_EQ(Buffered.size(), Direct.size());
  size_t Differences = 0;
  for (size_t I = 0; I < Direct.size(); ++I) Differences += Buffered[I] != Direct[I];
  EXPECT_EQ(Differences, 0u);
}

TEST_F(GridPixels, TreeElementsShowAsTheyAreDrawnInPlaceAndTakeAColourChangedAfterAPaint) {
  MakeResourceTreeGrid(420, 300);
  Table.First();
  Display.ProcessMessages();
  Repaint();
  const HWND Wnd = Grid->GetHandle();
  // Each element the grid notes, drawn again in place on a bitmap of the grid's
  // background, must match the window pixel for pixel (the rows are not scrolled:
  // the dots keep their first phase) down to the row line, which the grid paints after.
  auto CheckElements = [&](TColor Background) {
    PaintGrid Paint(Grid);
    const TRect Client(0, 0, Grid->GetClientWidth(), Grid->GetClientHeight());
    const auto Elements = Paint.NotesIn(u"tree element", Client);
    ASSERT_GE(Elements.size(), 6u);
    TBitmap Expected;
    Expected.SetSize(Grid->GetClientWidth(), Grid->GetClientHeight());
    TCanvas* C = Expected.GetCanvas();
    size_t Differences = 0;
    for (const TGdiOp* Element : Elements) {
      C->GetBrush()->SetStyle(bsSolid);
      C->GetBrush()->SetColor(Background);
      C->FillRect(Element->Rect);
      DrawTreeElementEh(C, Element->Rect, Element->Value, false, 1.0, 1.0, false);
      for (Integer Y = Element->Rect.Top; Y + 1 < std::min(Element->Rect.Bottom, Client.Bottom); ++Y)
        for (Integer X = Element->Rect.Left; X < std::min(Element->Rect.Right, Client.Right); ++X)
          Differences += Display.PixelAt(Wnd, X, Y) != ColorToRGB(C->GetPixel(X, Y));
    }
    EXPECT_EQ(Differences, 0u);
  };
  CheckElements(clWindow);
  Grid->SetColor(clYellow);
  Repaint();
  const TRect Nested = Grid->CellRect(1, 3);
  EXPECT_EQ(Display.PixelAt(Wnd, Nested.Left + 2, Nested.Top + 2), ColorToRGB(clYellow));
  CheckElements(clYellow);
}

TEST_F(GridPixels, AChangedTitleImageShowsInItsTitleAtOnce) {
  MakeResourceTreeGrid(420, 300);
  Grid->GetColumns()->Items(1)->GetTitle()->SetImageIndex(0);
  auto Picture = [](TColor Color) {
    auto Image = std::make_unique<TBitmap>();
    Image->SetSize(10, 10);
    Image->GetCanvas()->GetBrush()->SetColor(Color);
    Image->GetCanvas()->FillRect(TRect(0, 0, 10, 10));
    return Image;
  };
  auto Pixels = [&](TColor Color) {
    const TRect Title = Grid->CellRect(2, 0);
    Integer Count = 0;
    for (Integer Y = Title.Top; Y < Title.Bottom; ++Y)
      for (Integer X = Title.Left; X < Title.Right; ++X)
        Count += Display.PixelAt(Grid->GetHandle(), X, Y) == ColorToRGB(Color);
    return Count;
  };
  TImageList Images(nullptr);
  Images.SetWidth(10);
  Images.SetHeight(10);
  Images.AddMasked(Picture(clRed).get(), clWhite);
  Grid->SetTitleImages(&Images);
  Display.ProcessMessages();
  EXPECT_EQ(Pixels(clRed), 100);

  Images.Clear();
  Images.AddMasked(Picture(clLime).get(), clWhite);
  Display.ProcessMessages();
  EXPECT_EQ(Pixels(clRed), 0);
  EXPECT_EQ(Pixels(clLime), 100);
}

TEST_F(GridPixels, FaintEditButtonsLookTheSameAfterEveryRepaint) {
  MakeResourceTreeGrid(420, 300);
  TColumnEh* Id = Grid->GetColumns()->Items(1);
  Id->SetButtonStyle(cbsEllipsis);
  Id->SetAlwaysShowEditButton(true);
  Repaint();
  const std::vector<TColor> First = WindowPixels(Grid, Display);
  Repaint();
  Repaint();
  EXPECT_TRUE(WindowPixels(Grid, Display) == First);
}
