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
