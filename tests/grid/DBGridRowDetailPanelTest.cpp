// The row detail panel: a click on a row's expand box opens the panel window
// under that row, the row grows by the panel's height, a veto keeps it as it
// is, moving to another record closes it, and the open panel is kept as a PNG.

#include <filesystem>

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
  ClickBox(0);
  ASSERT_TRUE(Panel()->GetVisible());
  bool Veto = true;
  Grid->OnRowDetailPanelHide = [&](TCustomDBGridEh*, bool& CanHide) { CanHide = !Veto; };
  Key(VK_DOWN);
  EXPECT_TRUE(Panel()->GetVisible());
  EXPECT_EQ(IdOf(Table), 10);
  Veto = false;
  Key(VK_DOWN);
  EXPECT_FALSE(Panel()->GetVisible());
  EXPECT_EQ(IdOf(Table), 11);
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
