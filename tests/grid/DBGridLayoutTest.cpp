// The grid's geometry with exact font metrics (GridMetricsTestSupport.h): row
// and title heights, the indicator width, the cell buttons, frozen and contra
// columns, fitting columns to the client width, a user's column sizing, scaling
// and the line colours.

#include "tests/grid/DBGridTestSupport.h"
#include "tests/grid/GridMetricsTestSupport.h"

namespace {

class GridLayout : public GridFixture {
protected:
  ScopedGridTextEngine Metrics;

  // Three columns of the user's, NAME_THIS, ID_THIS, NPP, with the given widths.
  void AddColumns(Integer W1, Integer W2, Integer W3) {
    const String Names[] = {u"NAME_THIS", u"ID_THIS", u"NPP"};
    const Integer Widths[] = {W1, W2, W3};
    for (Integer I = 0; I < 3; ++I) {
      TColumnEh* Column = Grid->GetColumns()->Add();
      Column->SetFieldName(Names[I]);
      Column->SetWidth(Widths[I]);
    }
  }
  std::vector<Integer> Widths() const {
    std::vector<Integer> W;
    for (Integer I = 0; I < Grid->GetColumns()->GetCount(); ++I) W.push_back(Grid->GetColumns()->Items(I)->GetWidth());
    return W;
  }
};

}  // namespace

// ---- Row heights -----------------------------------------------------------------------------------------

TEST_F(GridLayout, ADataRowIsTheTextHeightOfWgPlusItsMarginAndTheRowLine) {
  MakeGrid();
  // "Wg" is 13 high; not flat the margin is 3, and the row line adds 1.
  EXPECT_EQ(Grid->GetDataRowHeightValue(), 17);
  EXPECT_EQ(Grid->GetDefaultRowHeight(), 17);
  Grid->SetFlat(true);
  EXPECT_EQ(Grid->GetDataRowHeightValue(), 15);
  Grid->SetOptions(Grid->GetOptions() - dgRowLines);
  EXPECT_EQ(Grid->GetDataRowHeightValue(), 14);
  EXPECT_FALSE(Grid->GetMultiLineRow());
}

TEST_F(GridLayout, RowLinesCountWholeLinesOfTheGridFontAndRowHeightAddsPixels) {
  MakeGrid();
  Grid->SetRowLines(2);
  EXPECT_EQ(Grid->GetDataRowHeightValue(), 28);  // 2 x (13 + 1)
  EXPECT_TRUE(Grid->GetMultiLineRow());
  Grid->SetRowHeight(5);
  EXPECT_EQ(Grid->GetDataRowHeightValue(), 33);
  Grid->SetRowLines(0);
  EXPECT_EQ(Grid->GetDataRowHeightValue(), 5);
  ShowResources();
  EXPECT_EQ(Grid->GetRowHeights(1), 5);
  EXPECT_EQ(Grid->GetRowHeights(6), 5);
}

TEST_F(GridLayout, FittingRowsToTextRoundsToWholeLinesAndKeepsTheHeightAsLines) {
  MakeGrid();
  // Margin 4 (3 + the line): 25 is 21 above it, more than half a line over one line.
  Grid->SetRowHeight(25);
  Grid->SetOptionsEh(Grid->GetOptionsEh() + dghFitRowHeightToText);
  EXPECT_EQ(Grid->GetDataRowHeightValue(), 2 * 13 + 4);
  EXPECT_EQ(Grid->GetRowLines(), 2);
  EXPECT_EQ(Grid->GetRowHeight(), 4);
  Grid->LayoutChanged();
  EXPECT_EQ(Grid->GetDataRowHeightValue(), 30);  // the held lines give the same height again
  // 20 is 16 above the margin: 3 over one line, not more than half of it.
  Grid->SetOptionsEh(Grid->GetOptionsEh() - dghFitRowHeightToText);
  Grid->SetRowLines(0);
  Grid->SetRowHeight(20);
  Grid->SetOptionsEh(Grid->GetOptionsEh() + dghFitRowHeightToText);
  EXPECT_EQ(Grid->GetDataRowHeightValue(), 13 + 4);
  EXPECT_EQ(Grid->GetRowLines(), 1);
}

TEST_F(GridLayout, TheTitleRowIsAsHighAsTheTallestTitleFont) {
  ShowResources();
  EXPECT_EQ(Grid->GetTitleRowHeight(), 17);  // "Wg" 13 + the text margin 4
  EXPECT_EQ(Grid->GetRowHeights(0), 17);
  TFont Big;
  Big.SetSize(12);  // 16 pixels: "Wg" is 18 high
  Grid->GetColumns()->Items(2)->GetTitle()->SetFont(&Big);
  EXPECT_EQ(Grid->GetTitleRowHeight(), 22);
  EXPECT_EQ(Grid->GetRowHeights(0), 22);
  EXPECT_EQ(Grid->GetRowHeights(1), 17);
}

TEST_F(GridLayout, TitleLinesAndTitleHeightReplaceTheMeasuredTitleHeight) {
  ShowResources();
  Grid->SetTitleLines(2);
  // 2 x 13 + external leading 1 + 2, plus 1 for the row lines.
  EXPECT_EQ(Grid->GetTitleRowHeight(), 30);
  Grid->SetTitleHeight(6);
  EXPECT_EQ(Grid->GetTitleRowHeight(), 36);
  Grid->SetOptions(Grid->GetOptions() - dgRowLines);
  EXPECT_EQ(Grid->GetTitleRowHeight(), 35);
  Grid->SetOptions(Grid->GetOptions() - dgTitles);
  EXPECT_EQ(Grid->GetFixedRows(), 0);
  EXPECT_EQ(Grid->GetRowCount(), 6);
}

// ---- Indicator, cell buttons, columns -------------------------------------------------------------------------

TEST_F(GridLayout, RecordNumbersWidenTheIndicatorToTheirDigitsInASmallerFont) {
  MakeGrid();
  EXPECT_EQ(Grid->GetIndicatorWidth(), 11);
  for (Integer I = 0; I < 12345; ++I) AddResource(Table, 100 + I, 0, 0, I, u"R");
  Table.Open();
  Grid->SetOptionsEh(Grid->GetOptionsEh() + dghShowRecNo);
  Grid->SetDataSource(&Source);
  // Five "0" in a 7-point font (9 pixels, 6 wide each), plus the 11 before and 2.
  TFont Smaller;
  Smaller.Assign(Grid->GetFont());
  Smaller.SetSize(Smaller.GetSize() - 1);
  EXPECT_EQ(Grid->GetIndicatorWidth(), FontTextWidthEh(&Smaller, u"00000") + 13);
  EXPECT_EQ(Grid->GetIndicatorWidth(), 43);
  EXPECT_EQ(Grid->GetColWidths(0), 43);
  Table.EmptyTable();
  EXPECT_EQ(Grid->GetIndicatorWidth(), 6 + 13);  // one digit
  Grid->SetOptions(Grid->GetOptions() - dgIndicator);
  EXPECT_EQ(Grid->GetIndicatorWidth(), 11);  // 6 + 2 + 2, never below 11
}

TEST_F(GridLayout, CellButtonsAreAScrollBarWideAndAtMostAsHighAsARow) {
  MakeGrid();
  const Integer W = GetSystemMetrics(SM_CXVSCROLL);
  EXPECT_EQ(Grid->GetCellButtonWidth(), W);
  EXPECT_EQ(Grid->GetCellButtonHeight(), std::min(17, W));
  Grid->SetRowLines(3);  // a row far higher than one and a half buttons
  EXPECT_EQ(Grid->GetCellButtonHeight(), W);
  Grid->SetFlat(true);
  EXPECT_EQ(Grid->GetCellButtonWidth(), ToolCtrlsMetricsEh().DefaultEditButtonWidth);
}

TEST_F(GridLayout, FrozenColumnsAreFixedAfterTheIndicatorAndNeverTheLastVisibleOne) {
  ShowResources();
  Grid->SetFrozenCols(2);
  EXPECT_EQ(Grid->GetFixedCols(), 3);
  EXPECT_EQ(Grid->GetFrozenColCount(), 2);
  Grid->SetFrozenCols(10);
  EXPECT_EQ(Grid->GetFixedCols(), 5);  // the indicator and four of the five columns
  Grid->SetFrozenCols(1);
  Grid->SetContraColCountEh(2);
  EXPECT_EQ(Grid->GetContraColCount(), 2);
  EXPECT_EQ(Grid->GetColCount(), 1 + 5 - 2);
  EXPECT_EQ(Grid->GetFullColCount(), 6);
  Grid->SetOptions(Grid->GetOptions() - dgIndicator);
  EXPECT_EQ(Grid->GetFixedCols(), 1);
  EXPECT_EQ(Grid->GetFrozenColCount(), 1);
}

TEST_F(GridLayout, HiddenColumnsTakeNoRoomAndAreNoTabStops) {
  ShowResources();
  Grid->GetColumns()->Items(1)->SetVisible(false);
  EXPECT_EQ(Grid->GetColWidths(2), -1);  // the width of the line alone
  EXPECT_FALSE(Grid->GetTabStops(2));
  Grid->SetOptions(Grid->GetOptions() - dgColLines);
  EXPECT_EQ(Grid->GetColWidths(2), 0);
  EXPECT_EQ(Grid->GetVisibleColumns()->Count(), 4);
}

// ---- Fitting columns to the width -----------------------------------------------------------------------------

TEST_F(GridLayout, FittedColumnsShareTheClientWidthByTheirBaseWidths) {
  MakeGrid(400, 300);
  AddColumns(100, 50, 50);
  ShowResources();
  Grid->SetAutoFitColWidths(true);
  EXPECT_EQ(Grid->GetScrollBars(), ssNone);
  // The indicator (11) and one line per column and one for the indicator come off first.
  const Integer Available = Grid->GetClientWidth() - 11 - 4;
  const std::vector<Integer> W = Widths();
  EXPECT_EQ(W[0], MulDiv(100, Available, 200));
  EXPECT_EQ(W[1], MulDiv(50, Available, 200));
  EXPECT_EQ(W[0] + W[1] + W[2], Available);
  Grid->SetAutoFitColWidths(false);
  EXPECT_EQ(Widths(), (std::vector<Integer>{100, 50, 50}));
  EXPECT_EQ(Grid->GetScrollBars(), ssHorizontal);
}

TEST_F(GridLayout, AClientNarrowerThanTheMinimumFitsTheMinimumAndShowsNoBar) {
  MakeGrid(200, 300);
  AddColumns(100, 50, 50);
  ShowResources();
  Grid->SetMinAutoFitWidth(615);
  Grid->SetAutoFitColWidths(true);
  const std::vector<Integer> W = Widths();
  EXPECT_EQ(W[0] + W[1] + W[2], 600);
  EXPECT_EQ(W[0], 300);
  EXPECT_EQ(Grid->GetScrollBars(), ssNone);
}

TEST_F(GridLayout, AColumnHeldByItsLimitsSettlesAndTheOthersShareTheRest) {
  MakeGrid(400, 300);
  AddColumns(100, 50, 50);
  Grid->GetColumns()->Items(0)->SetMaxWidth(120);
  ShowResources();
  Grid->SetAutoFitColWidths(true);
  const Integer Available = Grid->GetClientWidth() - 15;
  const std::vector<Integer> W = Widths();
  EXPECT_EQ(W[0], 120);
  EXPECT_EQ(W[1] + W[2], Available - 120);
  EXPECT_LE(std::abs(W[1] - W[2]), 1);
}

TEST_F(GridLayout, WideningAFittedColumnTakesTheWidthFromItsRightNeighbour) {
  MakeGrid(400, 300);
  AddColumns(100, 50, 50);
  ShowResources();
  Grid->SetAutoFitColWidths(true);
  const std::vector<Integer> Before = Widths();
  Grid->SetColWidths(1, Before[0] + 20);  // the user sizes the first column
  const std::vector<Integer> After = Widths();
  EXPECT_EQ(After[0] + After[1] + After[2], Before[0] + Before[1] + Before[2]);
  EXPECT_GT(After[0], Before[0]);
  EXPECT_LT(After[1], Before[1]);
  EXPECT_EQ(After[2], Before[2]);
}

TEST_F(GridLayout, WithTheWholeRightPartSizingAColumnNarrowsEveryColumnRightOfIt) {
  MakeGrid(400, 300);
  AddColumns(100, 50, 50);
  ShowResources();
  Grid->SetOptionsEh(Grid->GetOptionsEh() + dghResizeWholeRightPart);
  Grid->SetAutoFitColWidths(true);
  const std::vector<Integer> Before = Widths();
  Grid->SetColWidths(1, Before[0] + 40);
  const std::vector<Integer> After = Widths();
  EXPECT_EQ(After[0] + After[1] + After[2], Before[0] + Before[1] + Before[2]);
  EXPECT_LT(After[1], Before[1]);
  EXPECT_LT(After[2], Before[2]);
  EXPECT_LE(std::abs(After[1] - After[2]), 1);  // the right part keeps its proportions
}

TEST_F(GridLayout, ASizedColumnOfAnUnfittedGridKeepsItsNewWidthWithinItsLimits) {
  MakeGrid();
  AddColumns(100, 50, 50);
  ShowResources();
  Integer Notices = 0;
  Grid->OnColWidthsChanged = [&](TObject*) { ++Notices; };
  Grid->GetColumns()->Items(1)->SetMaxWidth(70);
  Grid->SetColWidths(2, 90);
  EXPECT_EQ(Grid->GetColumns()->Items(1)->GetWidth(), 70);
  EXPECT_EQ(Grid->GetColWidths(2), 70);
  EXPECT_EQ(Notices, 1);
}

// ---- Scaling -----------------------------------------------------------------------------------------------

TEST_F(GridLayout, ScalingAddsUpTheWidthsSoTheRoundingDoesNotAccumulate) {
  MakeGrid();
  AddColumns(33, 33, 33);
  ShowResources();
  Grid->ChangeScale(3, 2);
  EXPECT_EQ(Widths(), (std::vector<Integer>{50, 49, 50}));
}

TEST_F(GridLayout, ScalingTakesTheTitleFontToTheGridFontsNewSizeAndScalesTheFooterFont) {
  MakeGrid();
  Grid->GetFooterFont()->SetSize(10);
  Grid->SetParentFont(false);
  const Integer Size = Grid->GetFont()->GetSize();
  Grid->ChangeScale(2, 1);
  EXPECT_EQ(Grid->GetFont()->GetSize(), 2 * Size);
  EXPECT_EQ(Grid->GetTitleFont()->GetSize(), 2 * Size);
  EXPECT_EQ(Grid->GetFooterFont()->GetSize(), 20);
  // The title row follows the bigger font: 16 points are 21 pixels, "Wg" 23 high.
  EXPECT_EQ(Grid->GetTitleRowHeight(), 23 + 4);
}

// ---- Lines --------------------------------------------------------------------------------------------------

TEST_F(GridLayout, FixedLinesAreBlackOrGreyWhenFlatAndFooterLinesFollowTheFooterLook) {
  MakeGrid();
  TGridLineColorsEh* Lines = Grid->GetGridLineColors();
  EXPECT_EQ(Lines->GetDarkColor(), clBlack);
  EXPECT_EQ(Lines->GetColorValue(15), Lines->GetBrightColor());
  Grid->SetFlat(true);
  EXPECT_EQ(Lines->GetDarkColor(), TColor(0x808080));
  Grid->SetOptionsEh(Grid->GetOptionsEh() + dghFooter3D);
  EXPECT_EQ(Lines->GetColorValue(15), Lines->GetDarkColor());
}
