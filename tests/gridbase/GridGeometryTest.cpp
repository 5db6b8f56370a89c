// The base grid's model: defaults, cell rectangles and hit tests over fixed,
// frozen, scrolling and contra lines, clamping into view, sizing hit zones,
// line counts and moves, and the streaming of cell extents.

#include <algorithm>
#include <string>

#include "GridTestSupport.h"
#include "platform/core/Filer.h"
#include "platform/core/Streams.h"

namespace {

using Geometry = GridFixture;

std::string ToUtf8Bytes(TMemoryStream& S) {
  return std::string(static_cast<const char*>(S.GetMemory()), size_t(S.GetSize()));
}

}  // namespace

TEST_F(Geometry, NewGridHasTheDocumentedDefaults) {
  MakeGrid(400, 200);
  EXPECT_EQ(Grid->GetColCount(), 5);
  EXPECT_EQ(Grid->GetRowCount(), 5);
  EXPECT_EQ(Grid->GetFixedCols(), 1);
  EXPECT_EQ(Grid->GetFixedRows(), 1);
  EXPECT_EQ(Grid->GetColWidths(3), 64);
  EXPECT_EQ(Grid->GetRowHeights(3), 24);
  EXPECT_EQ(Grid->GetGridLineWidth(), 1);
  EXPECT_EQ(Grid->GetFixedColor(), clBtnFace);
  EXPECT_EQ(Grid->GetColor(), clWindow);
  EXPECT_EQ(Grid->GetCol(), 1);
  EXPECT_EQ(Grid->GetRow(), 1);
  EXPECT_EQ(Grid->GetLeftCol(), 1);
  EXPECT_EQ(Grid->GetTopRow(), 1);
  EXPECT_EQ(Grid->GetAnchor(), std::make_pair(1, 1));
  EXPECT_EQ(Grid->GetHotTrackCell(), std::make_pair(-1, -1));
  EXPECT_EQ(Grid->GetMouseDownCell(), std::make_pair(-1, -1));
  auto* Fresh = new TTestGrid(Form);
  EXPECT_EQ(Fresh->GetScrollBars(), ssBoth);
  EXPECT_EQ(Fresh->GetBorderStyle(), bsSingle);
  EXPECT_EQ(Fresh->GetWidth(), 5 * 64);
  EXPECT_EQ(Fresh->GetHeight(), 5 * 24);
}

TEST_F(Geometry, RowSelectPutsTheAnchorOnTheLastColumnAndTheCurrentColumnAtLeftCol) {
  MakeGrid(400, 200);
  Show();
  Grid->SetOptions(Grid->GetOptions() + goRowSelect);
  EXPECT_EQ(Grid->GetAnchor().X, 4);
  Grid->FocusCell(3, 2, true);
  EXPECT_EQ(Grid->GetCol(), Grid->GetLeftCol());
  EXPECT_EQ(Grid->GetAnchor(), std::make_pair(4, 2));
}

TEST_F(Geometry, CellRectanglesLeaveOnePixelForEachGridLine) {
  MakeGrid(400, 200);
  Show();
  EXPECT_EQ(Grid->CellRect(0, 0), TRect(0, 0, 64, 24));
  EXPECT_EQ(Grid->CellRect(1, 0), TRect(65, 0, 129, 24));
  EXPECT_EQ(Grid->CellRect(2, 3), TRect(130, 75, 194, 99));
  EXPECT_EQ(Grid->BoxRect(1, 1, 2, 2), TRect(65, 25, 194, 74));
  Grid->SetColWidths(1, 30);
  Grid->SetRowHeights(2, 40);
  EXPECT_EQ(Grid->CellRect(2, 3), TRect(96, 91, 160, 115));
  EXPECT_EQ(Grid->GetColWidthsArray().size(), 6u);  // count then five entries
}

TEST_F(Geometry, HitTestsFindCellsAndAnswerMinusOneOutside) {
  MakeGrid(400, 200);
  Show();
  EXPECT_EQ(Grid->MouseCoord(0, 0), std::make_pair(0, 0));
  EXPECT_EQ(Grid->MouseCoord(64, 24), std::make_pair(0, 0));  // the grid line belongs to the cell before it
  EXPECT_EQ(Grid->MouseCoord(65, 25), std::make_pair(1, 1));
  EXPECT_EQ(Grid->MouseCoord(200, 80), std::make_pair(3, 3));
  // Below the last row, in the fixed column: no cell.
  EXPECT_EQ(Grid->MouseCoord(10, 190), std::make_pair(-1, -1));
  // Right of the last column.
  EXPECT_EQ(Grid->MouseCoord(390, 10), std::make_pair(-1, -1));
}

TEST_F(Geometry, AnOutOfGridAreaShiftsTheCellsAndIsNoCell) {
  MakeGrid(400, 200);
  Grid->GetOutBoundaryData()->SetLeftIndent(10);
  Grid->GetOutBoundaryData()->SetTopIndent(20);
  Show();
  EXPECT_EQ(Grid->CellRect(0, 0), TRect(10, 20, 74, 44));
  EXPECT_EQ(Grid->MouseCoord(5, 30), std::make_pair(-1, -1));
  EXPECT_EQ(Grid->MouseCoord(12, 22), std::make_pair(0, 0));
  TRect R;
  EXPECT_TRUE(Grid->GetOutBoundaryData()->GetAreaRect(0, R));
  EXPECT_EQ(R, TRect(0, 0, 400, 20));
  EXPECT_TRUE(Grid->GetOutBoundaryData()->GetAreaRect(1, R));
  EXPECT_EQ(R, TRect(0, 20, 10, 200));
  EXPECT_FALSE(Grid->GetOutBoundaryData()->GetAreaRect(2, R));
  Grid->GetOutBoundaryData()->TopStartsAfterLeft = true;
  EXPECT_TRUE(Grid->GetOutBoundaryData()->GetAreaRect(0, R));
  EXPECT_EQ(R, TRect(10, 0, 400, 20));
  EXPECT_TRUE(Grid->GetOutBoundaryData()->GetAreaRect(1, R));
  EXPECT_EQ(R, TRect(0, 0, 10, 200));
}

TEST_F(Geometry, FrozenColumnsLieAtTheEndOfTheFixedOnes) {
  MakeGrid(400, 200);
  Grid->SetColCount(8);
  Grid->SetFixedCols(2);
  Grid->SetFrozenColCount(1);
  Show();
  const TGridDrawInfoEh D = Grid->DrawInfo();
  EXPECT_EQ(D.Horz.FrozenBoundary, 65);
  EXPECT_EQ(D.Horz.FixedBoundary, 130);
  EXPECT_EQ(D.Horz.FirstGridCell, 2);
  // Frozen counts cannot exceed the fixed ones.
  Grid->SetFrozenColCount(5);
  EXPECT_EQ(Grid->GetFrozenColCount(), 2);
}

TEST_F(Geometry, ContraColumnsStayAtTheRightEdgeWhateverTheScrollPosition) {
  MakeGrid(400, 200);
  Grid->SetColCount(20);
  Grid->SetContraColCount(2);
  Show();
  const TGridDrawInfoEh D = Grid->DrawInfo();
  EXPECT_EQ(D.Horz.ContraBoundary, 400 - 2 * 65 - 1);
  EXPECT_EQ(Grid->CellRect(20, 1), TRect(270, 25, 334, 49));
  EXPECT_EQ(Grid->CellRect(21, 1), TRect(335, 25, 399, 49));
  EXPECT_EQ(Grid->MouseCoord(380, 30), std::make_pair(21, 1));
  Grid->SetLeftCol(10);
  EXPECT_EQ(Grid->CellRect(21, 1), TRect(335, 25, 399, 49));
  EXPECT_EQ(Grid->MouseCoord(380, 30), std::make_pair(21, 1));
  EXPECT_EQ(Grid->MouseCoord(70, 30), std::make_pair(10, 1));
  // The scrolling columns stop before the contra ones.
  EXPECT_LE(D.Horz.GridBoundary, D.Horz.ContraBoundary);
}

TEST_F(Geometry, ContraRowsSitAtTheBottomEdge) {
  MakeGrid(400, 300);
  Grid->SetContraRowCount(1);
  Show();
  EXPECT_EQ(Grid->CellRect(1, 5), TRect(65, 300 - 25, 129, 299));
  EXPECT_EQ(Grid->MouseCoord(70, 290), std::make_pair(1, 5));
  EXPECT_THROW(Grid->SetContraRowCount(-1), EInvalidGridOperationEh);
  try {
    Grid->SetContraColCount(-2);
  } catch (const EInvalidGridOperationEh& E) {
    EXPECT_EQ(E.Message(), u"FContraColCount can not be negative.");
  }
  EXPECT_EQ(Grid->GetContraColCount(), 0);
  EXPECT_EQ(Grid->GetContraRowCount(), 1);
}

TEST_F(Geometry, AWideGridScrollsItsColumnsAndClampsTheCurrentCellIntoView) {
  MakeGrid(300, 200);
  Grid->SetColCount(20);
  Show();
  Grid->SetLeftCol(5);
  EXPECT_EQ(Grid->CellRect(5, 0), TRect(65, 0, 129, 24));
  EXPECT_TRUE(Grid->CellRect(3, 0).IsEmpty());
  EXPECT_EQ(Grid->MouseCoord(70, 10), std::make_pair(5, 0));
  // The last column in view needs the smallest first column that still shows it whole.
  Grid->FocusCell(19, 1, true);
  EXPECT_EQ(Grid->GetLeftCol(), 17);
  EXPECT_EQ(Grid->GetVisibleColCount(), 3);
  Grid->FocusCell(2, 1, true);
  EXPECT_EQ(Grid->GetLeftCol(), 2);
}

TEST_F(Geometry, ATallGridScrollsItsRows) {
  MakeGrid(300, 200);
  Grid->SetRowCount(100);
  Show();
  Grid->FocusCell(1, 99, true);
  const TGridDrawInfoEh D = Grid->DrawInfo();
  EXPECT_EQ(D.Vert.LastFullVisibleCell, 99);
  EXPECT_EQ(Grid->GetTopRow(), 99 - (200 - 25) / 25 + 1);
  EXPECT_EQ(Grid->MouseCoord(70, 30), std::make_pair(1, Grid->GetTopRow()));
}

TEST_F(Geometry, MovingTheCurrentCellOutsideTheCountsRaises) {
  MakeGrid(300, 200);
  Show();
  try {
    Grid->FocusCell(-1, 0, true);
    FAIL();
  } catch (const EInvalidGridOperationEh& E) {
    EXPECT_EQ(E.Message(), u"Grid index out of range");
  }
  EXPECT_THROW(Grid->FocusCell(5, 0, true), EInvalidGridOperationEh);
  EXPECT_THROW(Grid->SetFixedCols(5), EInvalidGridOperationEh);
  EXPECT_THROW(Grid->SetFixedRows(-1), EInvalidGridOperationEh);
  try {
    Grid->SetFixedCols(5);
  } catch (const EInvalidGridOperationEh& E) {
    EXPECT_EQ(E.Message(), u"Fixed column count must be less than column count");
  }
  EXPECT_EQ(Grid->GetFixedCols(), 1);
  EXPECT_EQ(Grid->GetCol(), 1);
}

TEST_F(Geometry, ColumnSizingIsCaughtThreePixelsBeforeAndFourAfterTheLineInTheTitleRows) {
  MakeGrid(400, 200);
  Grid->SetOptions(Grid->GetOptions() + goColSizing);
  Show();
  // Column 1's line stands at x 129.
  EXPECT_FALSE(Grid->Sizing(125, 5));
  EXPECT_TRUE(Grid->Sizing(126, 5));
  EXPECT_TRUE(Grid->Sizing(133, 5));
  EXPECT_FALSE(Grid->Sizing(134, 5));
  EXPECT_FALSE(Grid->Sizing(129, 40));  // not in the data rows
  EXPECT_FALSE(Grid->Sizing(64, 5));    // a fixed, not frozen, column is never sized
  TGridState State = gsNormal;
  Integer Index = 0, Pos = 0, Ofs = 0;
  Grid->CalcSizingState(131, 5, State, Index, Pos, Ofs, Grid->DrawInfo());
  EXPECT_EQ(State, gsColSizing);
  EXPECT_EQ(Index, 1);
  EXPECT_EQ(Pos, 129);
  EXPECT_EQ(Ofs, -2);
}

TEST_F(Geometry, FrozenColumnsCanBeSizedAndWideLinesAreCaughtFromTheirEnd) {
  MakeGrid(400, 200);
  Grid->SetFixedCols(2);
  Grid->SetFrozenColCount(1);
  Grid->SetOptions(Grid->GetOptions() + goColSizing);
  Show();
  TGridState State = gsNormal;
  Integer Index = 0, Pos = 0, Ofs = 0;
  Grid->CalcSizingState(129, 5, State, Index, Pos, Ofs, Grid->DrawInfo());
  EXPECT_EQ(State, gsColSizing);
  EXPECT_EQ(Index, 1);
  Grid->SetGridLineWidth(9);
  const TGridDrawInfoEh D = Grid->DrawInfo();
  const Integer L = D.Horz.FrozenBoundary + 64;  // column 1's end
  Grid->CalcSizingState(L, 5, State, Index, Pos, Ofs, D);
  EXPECT_EQ(State, gsColSizing);
  Grid->CalcSizingState(L + 9, 5, State, Index, Pos, Ofs, D);
  EXPECT_EQ(State, gsColSizing);
  Grid->CalcSizingState(L - 1, 5, State, Index, Pos, Ofs, D);
  EXPECT_EQ(State, gsNormal);
  Grid->CalcSizingState(L + 10, 5, State, Index, Pos, Ofs, D);
  EXPECT_EQ(State, gsNormal);
}

TEST_F(Geometry, ExtentsArraysGrowShrinkAndRefuseBadCounts) {
  TIntegerArray E;
  ChangeExtentsEh(E, 0, 3, 10);
  EXPECT_EQ(E, (TIntegerArray{3, 10, 10, 10}));
  E[2] = 7;
  ChangeExtentsEh(E, 1, 2, 5);  // insert two at line 1
  EXPECT_EQ(E, (TIntegerArray{5, 10, 5, 5, 7, 10}));
  ChangeExtentsEh(E, 1, -2, 5);
  EXPECT_EQ(E, (TIntegerArray{3, 10, 7, 10}));
  MoveExtentEh(E, 1, 3);
  EXPECT_EQ(E, (TIntegerArray{3, 7, 10, 10}));
  ModifyExtentsEh(E, 0, 1);
  EXPECT_TRUE(E.empty());
  EXPECT_THROW(ChangeExtentsEh(E, 1, 1, 0), EInvalidGridOperationEh);
  try {
    ChangeExtentsEh(E, 0, -1, 0);
  } catch (const EInvalidGridOperationEh& Ex) {
    EXPECT_EQ(Ex.Message(), u"Too many rows or columns deleted");
  }
  try {
    ChangeExtentsEh(E, 0, 134217726, 0);
  } catch (const EInvalidGridOperationEh& Ex) {
    EXPECT_EQ(Ex.Message(), u"Grid too large for operation");
  }
  EXPECT_TRUE(CompareExtentsEh({}, {}));
  EXPECT_FALSE(CompareExtentsEh({}, {1, 5}));
}

TEST_F(Geometry, DeletingMoreLinesThanFollowTheIndexRaises) {
  MakeGrid(400, 200);
  Show();
  try {
    Grid->ChangeLineCount(3, -3, true);
    FAIL();
  } catch (const EInvalidGridOperationEh& E) {
    EXPECT_EQ(E.Message(), u"Too many rows or columns deleted");
  }
  EXPECT_EQ(Grid->GetRowCount(), 5);
}

TEST_F(Geometry, LinesInsertedBeforeContraRowsKeepTheirNeighboursHeights) {
  MakeGrid(400, 300);
  Grid->SetContraRowCount(1);
  Show();
  Grid->SetRowHeights(5, 40);  // the contra row
  Grid->SetRowHeights(2, 30);
  Grid->FocusCell(1, 3, true);
  Grid->SetRowCount(7);
  EXPECT_EQ(Grid->GetRowCount(), 7);
  EXPECT_EQ(Grid->GetRowHeights(2), 30);
  EXPECT_EQ(Grid->GetRowHeights(7), 40);
  EXPECT_EQ(Grid->GetRowHeights(5), 24);
  Grid->SetRowCount(3);
  EXPECT_EQ(Grid->GetRowHeights(3), 40);
  EXPECT_EQ(Grid->GetRow(), 2);  // the deleted current row puts it on the last one left
}

TEST_F(Geometry, MovingAColumnCarriesItsWidthAndTheCurrentCell) {
  MakeGrid(600, 200);
  Grid->SetColCount(6);
  Show();
  Grid->SetColWidths(2, 33);
  Grid->FocusCell(2, 1, true);
  Grid->MoveColumn(2, 4);
  EXPECT_EQ(Grid->GetColWidths(4), 33);
  EXPECT_EQ(Grid->GetColWidths(2), 64);
  EXPECT_EQ(Grid->GetCol(), 4);
  Grid->FocusCell(3, 1, true);
  Grid->MoveColumn(1, 4);  // the columns between shift one place left
  EXPECT_EQ(Grid->GetCol(), 2);
  EXPECT_EQ(Grid->GetColWidths(3), 33);
}

TEST_F(Geometry, ColWidthsStreamOnlyOnceSetAndOnlyForTheNormalColumns) {
  MakeGrid(400, 200);
  Grid->SetContraColCount(1);
  {
    TMemoryStream S;
    TWriter W(&S);
    W.WriteProperties(Grid);
    EXPECT_EQ(ToUtf8Bytes(S).find("ColWidths"), std::string::npos);
    EXPECT_EQ(ToUtf8Bytes(S).find("RowHeights"), std::string::npos);
  }
  Grid->SetColWidths(2, 77);
  Grid->SetColWidths(5, 11);  // the contra column is not streamed
  Grid->SetRowHeights(4, 50);
  TMemoryStream S;
  {
    TWriter W(&S);
    W.WriteProperties(Grid);
    W.WriteListEnd();
  }
  EXPECT_NE(ToUtf8Bytes(S).find("ColWidths"), std::string::npos);
  auto* Copy = new TTestGrid(Form);
  Copy->SetContraColCount(1);
  S.SetPosition(0);
  TReader R(&S);
  while (!R.EndOfList()) R.ReadProperty(Copy);
  EXPECT_EQ(Copy->GetColWidths(2), 77);
  EXPECT_EQ(Copy->GetColWidths(5), 64);
  EXPECT_EQ(Copy->GetRowHeights(4), 50);
  EXPECT_EQ(Copy->GetColWidthsArray()[0], 6);
}

TEST_F(Geometry, SavingCellExtentsCanBeSwitchedOff) {
  MakeGrid(400, 200);
  Grid->SetColWidths(1, 10);
  Grid->SetSaveCellExtents(false);
  TMemoryStream S;
  TWriter W(&S);
  W.WriteProperties(Grid);
  EXPECT_EQ(ToUtf8Bytes(S).find("ColWidths"), std::string::npos);
}
