// The grid follows its table through the data link: opening builds the columns,
// closing drops them, scrolls move the current row, inserts and deletes change
// the row count, field changes re-lay the grid out, and tree mode shows the nodes.

#include "DBGridTestSupport.h"

namespace {

class DataLinkFollows : public GridFixture {};

}  // namespace

TEST_F(DataLinkFollows, OpeningTheTableBuildsOneColumnPerFieldAndOneRowPerRecord) {
  MakeGrid();
  Grid->SetDataSource(&Source);
  EXPECT_EQ(Grid->GetColumns()->GetCount(), 1);  // an empty grid still has a column
  AddResourceTree(Table);
  Table.Open();
  EXPECT_EQ(FieldNamesOf(Grid), (std::vector<String>{u"ID_THIS", u"ID_PARENT", u"ID_TYPE", u"NPP", u"NAME_THIS"}));
  EXPECT_EQ(Grid->GetColumns()->GetState(), csDefault);
  EXPECT_EQ(Grid->GetColCount(), 6);
  EXPECT_EQ(Grid->GetFixedCols(), 1);
  EXPECT_EQ(Grid->GetRowCount(), 7);  // the title row and six records
  EXPECT_EQ(Grid->GetFixedRows(), 1);
  EXPECT_EQ(Grid->GetRow(), 1);
  EXPECT_NE(Grid->GetMemTableIntf(), nullptr);
}

TEST_F(DataLinkFollows, ClosingTheTableDropsTheDefaultColumns) {
  ShowResources();
  Table.Close();
  EXPECT_EQ(Grid->GetMemTableIntf(), nullptr);
  EXPECT_EQ(Grid->GetColumns()->GetCount(), 1);
  EXPECT_EQ(Grid->GetColumns()->Items(0)->GetFieldName(), u"");
  EXPECT_EQ(Grid->GetRowCount(), 2);
}

TEST_F(DataLinkFollows, ScrollingTheTableMovesTheCurrentRow) {
  ShowResources();
  Table.Next();
  Table.Next();
  EXPECT_EQ(Grid->GetRow(), 3);
  Table.Last();
  EXPECT_EQ(Grid->GetRow(), 6);
  Table.First();
  EXPECT_EQ(Grid->GetRow(), 1);
}

TEST_F(DataLinkFollows, InsertingAndDeletingRecordsChangesTheRowCount) {
  ShowResources();
  Table.Append();
  Table.FieldByName(u"ID_THIS")->SetAsInteger(30);
  Table.Post();
  EXPECT_EQ(Grid->GetRowCount(), 8);
  EXPECT_EQ(Grid->GetRow(), 7);
  Table.First();
  Table.Delete();
  Table.Delete();
  EXPECT_EQ(Grid->GetRowCount(), 6);
  EXPECT_EQ(Grid->GetRow(), 1);
}
