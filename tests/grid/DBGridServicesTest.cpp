// The data grid as the grid services see it: the text search and the filter
// builders work on a real grid and its columns.

#include "DBGridTestSupport.h"

using GridServices = GridFixture;

TEST_F(GridServices, TheTextSearchMovesTheGridToTheMatchingRecord) {
  ShowResources();
  EXPECT_TRUE(Grid->LocateText(u"NAME_THIS", u"Архив", lttAllBranchesEh, ltmWholeEh, ltdAllEh, 0));
  EXPECT_EQ(IdOf(Table), 21);
  EXPECT_EQ(Grid->GetRow(), 5);
  EXPECT_FALSE(Grid->LocateText(u"NAME_THIS", u"Нет такого", lttAllBranchesEh, ltmAnyPartEh, ltdAllEh, 0));
  EXPECT_EQ(IdOf(Table), 21);
}

TEST_F(GridServices, AColumnsFilterConditionReachesTheGridFilterText) {
  ShowResources();
  TColumnEh* Name = Grid->FindColumnByFieldName(u"NAME_THIS");
  Name->GetSTFilter()->SetExpressionStr(u"=Архив");
  EXPECT_EQ(Name->GetSTFilter()->GetExpressionStr(), u"=Архив");
  EXPECT_EQ(Name->GetSTFilterExpression().Operator1, foEqualEh);
  String Text;
  BuildGridFilterText(Grid, BuildDataSetFilterCondition, nullptr, Text, true, false);
  EXPECT_NE(Text.find(u"[NAME_THIS]"), String::npos);
  EXPECT_NE(Text.find(u"Архив"), String::npos);
  Name->GetSTFilter()->SetExpressionStr(String());
  BuildGridFilterText(Grid, BuildDataSetFilterCondition, nullptr, Text, true, false);
  EXPECT_EQ(Text, u"");
}

TEST_F(GridServices, SortMarkedColumnsAreHandedOutInMarkingOrder) {
  ShowResources();
  Grid->SetOptionsEh(Grid->GetOptionsEh() + dghMultiSortMarking);
  Grid->GetColumns()->Items(4)->GetTitle()->SetSortMarker(smUpEh);
  Grid->GetColumns()->Items(3)->GetTitle()->SetSortMarker(smDownEh);
  const std::vector<IDataGridColumnEh*> Sorted = Grid->GetSortMarkedGridColumns();
  ASSERT_EQ(Sorted.size(), 2u);
  EXPECT_EQ(Sorted[0]->GetFieldName(), u"NAME_THIS");
  EXPECT_EQ(Sorted[0]->GetTitleSortMarker(), smUpEh);
  EXPECT_EQ(Sorted[1]->GetFieldName(), u"NPP");
}

TEST_F(GridServices, ABookmarkSavedIsTheRecordRestored) {
  ShowResources();
  Table.Next();
  Table.Next();
  Grid->SaveBookmark();
  Table.Last();
  Grid->RestoreBookmark();
  EXPECT_EQ(IdOf(Table), 12);
  EXPECT_EQ(Grid->GetRow(), 3);
}
