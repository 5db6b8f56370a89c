// The row detail panel: a click on a row's expand box opens the panel window
// under that row, the row grows by the panel's height, a veto keeps it as it
// is, moving to another record closes it, and the open panel is kept as a PNG.
// The panel's window has a border and a bevel, follows its row when the rows
// scroll and the grid is sized, comes into view when opened near the bottom,
// and is reached by the keys; the cell editor keeps clear of its band.

#include <filesystem>

#include "platform/ui/StdCtrls.h"
#include "tests/grid/DBGridPaintSupport.h"
#include "tests/grid/GridInputTestSupport.h"

namespace {

class RowDetail : public GridInput {
protected:
  TRowDetailPanelEh* Panel() { return Grid->GetRowDetailPanel(); }
  TRowDetailPanelControlEh* Window() { return Grid->GetRowDetailPanelControl(); }
  void ShowWithPanel() {
    ShowResources();
    Panel()->SetActive(true);
    Panel()->SetHeight(60);
    Table.First();
    Display.ProcessMessages();
  }
  void ClickBox(Integer DataRow) {
    const TRect Cell = Grid->CellRect(Grid->DataToRawColumn(0), DataRow + Grid->GetTitleRowCount());
    Display.AdvanceClock(GetDoubleClickTime() + 1);
    Display.Click(Grid->GetHandle(), Cell.Left + 9, Cell.Top + 5);
    Display.ProcessMessages();
  }
};

}  // namespace

TEST_F(RowDetail, AClickOnARowsBoxOpensThePanelUnderThatRowAndASecondClickClosesIt) {
  ShowWithPanel();
  ClickBox(1);
  ASSERT_TRUE(Panel()->GetVisible());
  EXPECT_EQ(IdOf(Table), 11);
  EXPECT_TRUE(Window()->GetVisible());
  const TRect Row = Grid->CellRect(Grid->DataToRawColumn(0), Grid->GetRow());
  EXPECT_EQ(Row.Height(), Grid->GetDataRowHeightValue() + 60);
  EXPECT_EQ(Window()->GetTop(), Row.Top + Grid->GetDataRowHeightValue());
  EXPECT_EQ(Window()->GetLeft(), Row.Left + 18);
  EXPECT_EQ(Window()->GetHeight(), 60);
  ClickBox(1);
  EXPECT_FALSE(Panel()->GetVisible());
  EXPECT_FALSE(Window()->GetVisible());
  EXPECT_EQ(Grid->CellRect(Grid->DataToRawColumn(0), Grid->GetRow()).Height(), Grid->GetDataRowHeightValue());
}

TEST_F(RowDetail, OpeningOverAnEmptyTableDoesNothing) {
  MakeGrid();
  Table.Open();
  Grid->SetDataSource(&Source);
  Panel()->SetActive(true);
  Panel()->SetVisible(true);
  EXPECT_FALSE(Panel()->GetVisible());
}

TEST_F(RowDetail, AVetoOnHidingKeepsThePanelOpenAndTheRecordWhereItIs) {
  ShowWithPanel();
  ClickBox(1);
  ASSERT_TRUE(Panel()->GetVisible());
  bool Veto = true;
  Grid->OnRowDetailPanelHide = [&](TCustomDBGridEh*, bool& CanHide) { CanHide = !Veto; };
  Key(VK_UP);
  EXPECT_TRUE(Panel()->GetVisible());
  EXPECT_EQ(IdOf(Table), 11);
  Veto = false;
  Key(VK_UP);
  EXPECT_FALSE(Panel()->GetVisible());
  EXPECT_EQ(IdOf(Table), 10);
}

TEST_F(RowDetail, HeightZeroReachesTheBottomAndATooWideWidthIsCutToTheClient) {
  ShowWithPanel();
  Panel()->SetHeight(0);
  Panel()->SetWidth(5000);
  ClickBox(0);
  ASSERT_TRUE(Panel()->GetVisible());
  EXPECT_EQ(Window()->GetTop() + Window()->GetHeight(), Grid->GetClientHeight());
  EXPECT_EQ(Window()->GetLeft() + Window()->GetWidth(), Grid->GetClientWidth());
}

TEST_F(RowDetail, SettingTheColourClearsParentColourAndWithParentColourThePanelTakesTheGrids) {
  ShowWithPanel();
  Panel()->SetParentColor(true);
  EXPECT_EQ(Panel()->GetColor(), Grid->GetColor());
  EXPECT_FALSE(Panel()->IsColorStored());
  Panel()->SetColor(TColor(0xF0D0C0));
  EXPECT_FALSE(Panel()->GetParentColor());
  EXPECT_EQ(Panel()->GetColor(), TColor(0xF0D0C0));
  EXPECT_TRUE(Panel()->IsColorStored());
}

TEST_F(RowDetail, TheOpenPanelIsPaintedInItsColourUnderItsRowAndKeptAsAPng) {
  ShowWithPanel();
  Panel()->SetColor(TColor(0xF0D0C0));
  ClickBox(2);
  Grid->Invalidate();
  Display.ProcessMessages();
  const std::filesystem::path Dir = std::filesystem::path(BORROW_BINARY_DIR) / "test-artifacts";
  std::filesystem::create_directories(Dir);
  ASSERT_TRUE(Display.SnapshotPNG(Form->GetHandle(), (Dir / "grid-row-detail-panel.png").string()));
  const TRect Row = Grid->CellRect(Grid->DataToRawColumn(0), Grid->GetRow());
  const TPoint InPanel(Window()->GetLeft() + 20, Window()->GetTop() + 20);
  EXPECT_EQ(Display.PixelAt(Form->GetHandle(), InPanel.X, InPanel.Y), ColorToRGB(TColor(0xF0D0C0)));
  // Left of the panel, in the band under the row's data part, the grid's colour.
  EXPECT_EQ(Display.PixelAt(Grid->GetHandle(), Row.Left + 5, Row.Bottom - 5), ColorToRGB(Grid->GetColor()));
}

TEST_F(RowDetail, ThePanelWindowHasASingleSunkenBorderAndTheBevelItIsGiven) {
  ShowWithPanel();
  EXPECT_EQ(Panel()->GetBevelEdges(), (TBevelEdges{beLeft, beTop, beRight, beBottom}));
  EXPECT_EQ(Panel()->GetBevelInner(), bvRaised);
  EXPECT_EQ(Panel()->GetBevelOuter(), bvLowered);
  EXPECT_EQ(Panel()->GetBevelKind(), bkNone);
  EXPECT_EQ(Panel()->GetBevelWidth(), 1);
  EXPECT_EQ(Panel()->GetBorderStyle(), bsSingle);
  ClickBox(0);
  ASSERT_TRUE(Window()->GetVisible());
  EXPECT_NE(GetWindowLong(Window()->GetHandle(), GWL_EXSTYLE) & WS_EX_CLIENTEDGE, 0);
  EXPECT_EQ(Window()->GetClientWidth(), Window()->GetWidth() - 4);
  EXPECT_EQ(Window()->GetClientHeight(), Window()->GetHeight() - 4);
  // Without the border the client fills the window; a bevel on the top edge takes
  // its two cuts of two pixels there, the outer cut sunken.
  Panel()->SetBorderStyle(bsNone);
  EXPECT_EQ(GetWindowLong(Window()->GetHandle(), GWL_EXSTYLE) & WS_EX_CLIENTEDGE, 0);
  EXPECT_EQ(Window()->GetClientWidth(), Window()->GetWidth());
  Panel()->SetBevelWidth(2);
  Panel()->SetBevelEdges(TBevelEdges{beTop});
  Panel()->SetBevelKind(bkTile);
  EXPECT_EQ(Window()->GetClientWidth(), Window()->GetWidth());
  EXPECT_EQ(Window()->GetClientHeight(), Window()->GetHeight() - 4);
  Panel()->SetColor(TColor(0xF0D0C0));
  Grid->Invalidate();
  Display.ProcessMessages();
  const TPoint Origin = Window()->ClientToScreen(TPoint(0, 0));
  const TPoint Form0 = Form->ClientToScreen(TPoint(0, 0));
  const Integer X = Origin.X - Form0.X + 10, Top = Origin.Y - Form0.Y - 4;
  EXPECT_EQ(Display.PixelAt(Form->GetHandle(), X, Top), ColorToRGB(clBtnShadow));
  EXPECT_EQ(Display.PixelAt(Form->GetHandle(), X, Top + 4), ColorToRGB(TColor(0xF0D0C0)));
}

TEST_F(RowDetail, DownEntersThePanelCtrlDownOpensItCtrlUpComesBackAndTheNumpadKeysToggleIt) {
  ShowWithPanel();
  auto* Edit = new TEdit(Form);
  Edit->SetParent(Window());
  Edit->SetBounds(4, 4, 80, 20);
  Grid->SetFocus();
  Display.ProcessMessages();
  Key(VK_DOWN, THeadlessShift::Ctrl);
  ASSERT_TRUE(Panel()->GetVisible());
  EXPECT_EQ(IdOf(Table), 10);
  EXPECT_EQ(GetFocus(), Edit->GetHandle());
  Key(VK_UP, THeadlessShift::Ctrl);
  EXPECT_EQ(GetFocus(), Grid->GetHandle());
  EXPECT_TRUE(Panel()->GetVisible());
  Key(VK_DOWN);
  EXPECT_EQ(GetFocus(), Edit->GetHandle());
  EXPECT_EQ(IdOf(Table), 10);
  Key(VK_UP, THeadlessShift::Ctrl);
  // The panel's ActiveControl is the one Down focuses.
  auto* Second = new TEdit(Form);
  Second->SetParent(Window());
  Second->SetBounds(4, 30, 80, 20);
  Panel()->SetActiveControl(Second);
  Key(VK_DOWN);
  EXPECT_EQ(GetFocus(), Second->GetHandle());
  Key(VK_UP, THeadlessShift::Ctrl);
  Key(VK_SUBTRACT);
  EXPECT_FALSE(Panel()->GetVisible());
  Key(VK_ADD);
  EXPECT_TRUE(Panel()->GetVisible());
  Key(VK_MULTIPLY);
  EXPECT_FALSE(Panel()->GetVisible());
  Key(VK_MULTIPLY);
  EXPECT_TRUE(Panel()->GetVisible());
  Key(VK_SUBTRACT);
  // A record without a panel: Ctrl+Down and the numpad keys leave everything as it is.
  Grid->OnCheckRowHaveDetailPanel = [](TCustomDBGridEh*, bool& Has) { Has = false; };
  Key(VK_DOWN, THeadlessShift::Ctrl);
  Key(VK_ADD);
  EXPECT_FALSE(Panel()->GetVisible());
  EXPECT_EQ(IdOf(Table), 10);
  EXPECT_EQ(GetFocus(), Grid->GetHandle());
}

TEST_F(RowDetail, TheTreeLinesGoOnDownTheBandAndTheDetailBoxFollowsTheTreeArea) {
  ShowWithPanel();
  ShowAsExpandedTree(Table);
  Display.ProcessMessages();
  Table.First();
  Table.Next();  // Первая: a second-level node with a sibling after it
  Panel()->SetVisible(true);
  Display.ProcessMessages();
  ASSERT_TRUE(Panel()->GetVisible());
  const TRect Cell = Grid->CellRect(Grid->DataToRawColumn(0), Grid->GetRow());
  const TRect Data(Cell.Left, Cell.Top, Cell.Right, Cell.Top + Grid->GetDataRowHeightValue());
  const TRect Band(Cell.Left, Data.Bottom, Cell.Right, Cell.Bottom);
  PaintGrid Paint(Grid);
  std::vector<Integer> InData, InBand;
  for (const TGdiOp* Op : Paint.NotesIn(u"tree element", Data))
    if (Op->Rect.Top < Data.Bottom - 1) InData.push_back(Op->Value);
  for (const TGdiOp* Op : Paint.NotesIn(u"tree element", Band))
    if (Op->Rect.Top >= Band.Top) InBand.push_back(Op->Value);
  EXPECT_EQ(InData, (std::vector<Integer>{11, 8}));
  // Under the row only the lines to following siblings go on.
  EXPECT_EQ(InBand, (std::vector<Integer>{11, 11}));
  // The tree area comes first, the detail box after it.
  const auto First = Paint.NotesIn(u"tree element", Data);
  ASSERT_FALSE(First.empty());
  EXPECT_EQ(First.front()->Rect.Left, Cell.Left);
}

namespace {

// Forty records, rows 18 pixels apart, the panel 60 high.
class RowDetailScroll : public GridInput {
protected:
  TRowDetailPanelEh* Panel() { return Grid->GetRowDetailPanel(); }
  TRowDetailPanelControlEh* Window() { return Grid->GetRowDetailPanelControl(); }
  void Show(bool RowMode = true) {
    ShowRecords(40, RowMode);
    Panel()->SetActive(true);
    Panel()->SetHeight(60);
    Display.ProcessMessages();
  }
  void ClickBox(Integer Row) {
    const TRect Cell = Grid->CellRect(1, Row);
    Pause();
    Display.Click(Grid->GetHandle(), Cell.Left + 9, Cell.Top + 5);
  }
  // The panel stands under the current row's data part, right of the detail box.
  void ExpectUnderCurrentRow() {
    const TRect Row = Grid->CellRect(0, Grid->GetRow());
    ASSERT_TRUE(Window()->GetVisible());
    EXPECT_EQ(Window()->GetTop(), Row.Top + Grid->GetDataRowHeightValue());
    EXPECT_EQ(Window()->GetLeft(), Grid->GetIndicatorWidth() + 1 + 18);
    EXPECT_LE(Window()->GetLeft() + Window()->GetWidth(), Grid->GetClientWidth());
  }
};

}  // namespace

TEST_F(RowDetailScroll, ThePanelFollowsItsRowThroughTheScrollBarTheWheelAndASizedGrid) {
  Show();
  ClickBox(3);
  ASSERT_TRUE(Panel()->GetVisible());
  ExpectUnderCurrentRow();
  SendMessage(Grid->GetHandle(), WM_VSCROLL, SB_LINEDOWN, 0);
  Display.ProcessMessages();
  ASSERT_EQ(Grid->GetTopRow(), 2);
  ASSERT_TRUE(Panel()->GetVisible());
  ExpectUnderCurrentRow();
  const TRect Cell = Grid->CellRect(2, 10);
  Display.Wheel(Grid->GetHandle(), Cell.Left + 5, Cell.Top + 5, -WHEEL_DELTA);
  ASSERT_EQ(Grid->GetTopRow(), 3);
  ExpectUnderCurrentRow();
  Grid->SetWidth(250);
  Display.ProcessMessages();
  ExpectUnderCurrentRow();
  EXPECT_EQ(Window()->GetLeft() + Window()->GetWidth(), Grid->GetClientWidth() - 1);
  // Scrolled out of the window the panel hides, and comes back with its row.
  SendMessage(Grid->GetHandle(), WM_VSCROLL, SB_LINEDOWN, 0);
  Display.ProcessMessages();
  EXPECT_FALSE(Window()->GetVisible());
  SendMessage(Grid->GetHandle(), WM_VSCROLL, SB_LINEUP, 0);
  Display.ProcessMessages();
  ExpectUnderCurrentRow();
}

TEST_F(RowDetailScroll, OpeningThePanelNearTheBottomScrollsItsRowIntoView) {
  Show();
  const Integer LastRow = Grid->GetTopRow() + Grid->GetVisibleRowCount() - 1;
  ClickBox(LastRow);
  ASSERT_TRUE(Panel()->GetVisible());
  const TRect Row = Grid->CellRect(1, Grid->GetRow());
  EXPECT_EQ(Row.Height(), Grid->GetDataRowHeightValue() + 60);
  EXPECT_LE(Row.Bottom, Grid->GetClientHeight());
  EXPECT_GT(Row.Bottom, Grid->GetClientHeight() - 18);
  EXPECT_GT(Grid->GetTopRow(), 1);
  ExpectUnderCurrentRow();
}

TEST_F(RowDetailScroll, TheEditorOfTheFirstColumnStandsRightOfTheBoxOverTheDataPartOnly) {
  Show(false);
  ClickBox(2);
  ASSERT_TRUE(Panel()->GetVisible());
  Key(VK_F2);
  TInplaceEdit* Editor = Grid->GetInplaceEditor();
  ASSERT_NE(Editor, nullptr);
  ASSERT_TRUE(Editor->GetVisible());
  const TRect Cell = Grid->CellRect(1, Grid->GetRow());
  EXPECT_EQ(Editor->GetLeft(), Cell.Left + 18);
  EXPECT_EQ(Editor->GetTop(), Cell.Top);
  EXPECT_EQ(Editor->GetHeight(), Grid->GetDataRowHeightValue());
  // The other columns' editors keep their cells' left edge.
  Key(VK_TAB);
  Key(VK_F2);
  EXPECT_EQ(Grid->GetInplaceEditor()->GetLeft(), Grid->CellRect(2, Grid->GetRow()).Left);
}

namespace {

class RowPanelLayout : public GridFixture {
protected:
  TColumnEh* Add(const char16_t* Field, Integer Width, Integer LinePos, Integer LineHeight) {
    TColumnEh* Column = Grid->GetColumns()->Add();
    Column->SetFieldName(Field);
    Column->SetWidth(Width);
    Column->SetInRowLinePos(LinePos);
    Column->SetInRowLineHeight(LineHeight);
    return Column;
  }
};

}  // namespace

TEST_F(RowPanelLayout, ColumnsStandRightOfTheFullestOfTheirLinesAndThePanelTakesTheirExtent) {
  MakeGrid();
  TColumnEh* Name = Add(u"NAME_THIS", 120, 0, 2);  // two lines high at the left
  TColumnEh* Id = Add(u"ID_THIS", 50, 0, 1);       // first line, right of the name
  TColumnEh* Npp = Add(u"NPP", 40, 1, 1);          // second line, right of the name
  TColumnEh* Type = Add(u"ID_TYPE", 30, 1, 1);     // second line, right of NPP
  ShowResources();
  Grid->RowPanelLayout();
  const Integer Line = Grid->GetDataRowHeightValue() + Grid->GetGridLineWidth();
  const Integer W = Grid->GetGridLineWidth();
  EXPECT_EQ(Name->GetRowPanelRect(), TRect(0, 0, 120, 2 * Line - 1));
  EXPECT_EQ(Id->GetRowPanelRect(), TRect(120 + W, 0, 170 + W, Line - 1));
  EXPECT_EQ(Npp->GetRowPanelRect(), TRect(120 + W, Line, 160 + W, 2 * Line - 1));
  EXPECT_EQ(Type->GetRowPanelRect(), TRect(160 + 2 * W, Line, 190 + 2 * W, 2 * Line - 1));
  EXPECT_EQ(Grid->GetRowPanelWidth(), 190 + 2 * W);
  EXPECT_EQ(Grid->GetRowPanelHeight(), 2 * Line - 1);
  // A hidden column takes no room: the one after it starts where it would have.
  Npp->SetVisible(false);
  Grid->RowPanelLayout();
  EXPECT_EQ(Type->GetRowPanelRect().Left, 120 + W);
}

TEST_F(RowPanelLayout, AProportionalResizeScalesEveryColumnToTheNewPanelWidth) {
  MakeGrid();
  TColumnEh* A = Add(u"NAME_THIS", 99, 0, 1);
  TColumnEh* B = Add(u"ID_THIS", 99, 0, 1);
  ShowResources();
  Grid->RowPanelLayout();
  const Integer W = Grid->GetGridLineWidth();
  ASSERT_EQ(Grid->GetRowPanelWidth(), 198 + W);
  Grid->ResizeRowPanel(2 * (198 + W));
  EXPECT_EQ(A->GetWidth(), 2 * (99 + W) - W);
  EXPECT_EQ(Grid->GetRowPanelWidth(), B->GetRowPanelRect().Left + B->GetWidth());
  EXPECT_NEAR(Grid->GetRowPanelWidth(), 2 * (198 + W), 2);
}
