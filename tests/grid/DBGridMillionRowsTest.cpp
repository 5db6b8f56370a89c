// A grid over an in-memory table of 1,000,000 records shown as an expanded tree
// (10,000 groups of 99 records): its row count, geometry and scroll position
// follow inserts, deletes, filters, sorts, expanding and collapsing, and moving
// to the last record reads only the rows the window shows.

#include "tests/grid/MillionRowsTestSupport.h"

TEST_F(MillionRows, AMillionRecordsGiveAMillionRowsAndMovingToTheLastReadsOnlyTheRowsOnScreen) {
  ASSERT_TRUE(Grid->GetMemTableIntf()->IsTreeList());
  EXPECT_EQ(DataRows(), kRecords);
  // The title row and the data rows are one or two runs of heights for a million rows.
  EXPECT_LE(Grid->GetRowHeightsStore().RunCount(), 2);
  EXPECT_EQ(Grid->GetRowsExtent(1, kRecords + 1), Int64(kRecords) * 18);
  const Integer Page = Grid->GetVisibleRowCount();
  EXPECT_EQ(Grid->GetVertScrollBarParams(), (TGridScrollBarParamsEh{1, kRecords, Page, 1}));

  Table.ResetCounts();
  Table.Last();
  Display.ProcessMessages();  // the grid paints the rows it shows
  EXPECT_EQ(Grid->GetRow(), kRecords);
  EXPECT_EQ(Grid->GetTopRow(), Grid->LastTopRow());
  EXPECT_EQ(Grid->GetTopRow(), kRecords - Page + 1);
  EXPECT_EQ(Grid->GetVertScrollBarParams().Pos, kRecords - Page + 1);
  ExpectOnlyRowsOnScreenRead();

  // Two pages up: the old current row is repainted before the window moves, then
  // the new window's rows; the table walks its cursor over the records between.
  Table.ResetCounts();
  Table.MoveBy(-2 * Page);
  Display.ProcessMessages();
  EXPECT_EQ(Grid->GetRow(), kRecords - 2 * Page);
  EXPECT_LE(Integer(Table.RowsRead.size()), RowsOnScreen() + 1);
  EXPECT_GE(*Table.RowsRead.begin() + 1, Grid->GetTopRow());
  ExpectWindowFullAndBarAtTop();
}

TEST_F(MillionRows, RowsFollowInsertsDeletesFiltersSortsAndNodesOpeningAndClosing) {
  Table.Last();
  // A record posted under the last group adds a row at its place in the tree.
  Table.Append();
  Table.FieldByName(u"ID_THIS")->SetAsInteger(kRecords + 1);
  Table.FieldByName(u"ID_PARENT")->SetAsInteger(kGroups);
  Table.Post();
  EXPECT_EQ(DataRows(), kRecords + 1);
  EXPECT_EQ(Grid->GetRow() - 1, Grid->GetMemTableIntf()->GetCurrentRowIndex());
  ExpectWindowFullAndBarAtTop();

  Table.Delete();
  EXPECT_EQ(DataRows(), kRecords);
  ExpectWindowFullAndBarAtTop();

  // Closing the last group takes its 99 records off the rows; the window stays full.
  Table.Locate(u"ID_THIS", Variant(kGroups), {});
  const Integer GroupRow = Grid->GetMemTableIntf()->GetCurrentRowIndex();
  Table.Last();
  Grid->GetMemTableIntf()->SetTreeNodeExpanded(GroupRow, false);
  EXPECT_EQ(DataRows(), kRecords - kPerGroup);
  ExpectWindowFullAndBarAtTop();
  EXPECT_EQ(Grid->GetTopRow(), Grid->LastTopRow());
  Grid->GetMemTableIntf()->SetTreeNodeExpanded(GroupRow, true);
  EXPECT_EQ(DataRows(), kRecords);
  ExpectWindowFullAndBarAtTop();

  // A filter keeps the groups and their first records.
  Table.SetFilterText(u"NPP < 20 OR ID_PARENT IS NULL");
  Table.SetFiltered(true);
  EXPECT_EQ(DataRows(), Table.GetRecordCount());
  EXPECT_LT(DataRows(), kRecords / 4);
  ExpectWindowFullAndBarAtTop();
  Table.SetFiltered(false);
  EXPECT_EQ(DataRows(), kRecords);

  // Sorting keeps every row, and the current row shows the table's current record.
  Table.First();
  Table.MoveBy(500);
  Table.SetSortOrder(u"NPP DESC");
  EXPECT_EQ(DataRows(), kRecords);
  EXPECT_EQ(Grid->GetRow() - 1, Grid->GetMemTableIntf()->GetCurrentRowIndex());
  ExpectWindowFullAndBarAtTop();
  EXPECT_LE(Grid->GetRowHeightsStore().RunCount(), 2);
}
