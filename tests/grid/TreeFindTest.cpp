// The text search in a table shown as a tree, through the grid's find hook:
// every branch, collapsed ones included, the current level and the current
// branch of the node the find dialog opened on; a match's branch is opened.
//
// The tree (collapsed, so only 10 and 20 are rows at first):
// 10 Библиотеки
//   11 Первая
//   12 Вторая
// 20 Архивы
//   21 Архив
//     22 Фонд

#include "DBGridTestSupport.h"

namespace {

IDataGridEh* OpenedFor = nullptr;
void RecordFindDialog(IDataGridEh* Grid, const String&, const TColumnFieldsArrEh&, bool) { OpenedFor = Grid; }

class TreeFind : public GridFixture {
protected:
  void SetUp() override {
    GridFixture::SetUp();
    Table.GetTreeList()->SetKeyFieldName(u"ID_THIS");
    Table.GetTreeList()->SetRefParentFieldName(u"ID_PARENT");
    Table.GetTreeList()->SetActive(true);
    ShowResources();
    SavedProc = ExecuteFindDialogProc;
    ExecuteFindDialogProc = &RecordFindDialog;
    OpenedFor = nullptr;
  }
  void TearDown() override {
    ExecuteFindDialogProc = SavedProc;
    GridFixture::TearDown();
  }
  bool Find(const String& Text, TLocateTextTreeFindRangeEh Range, TLocateTextDirectionEh Direction,
            TLocateTextMatchingEh Matching = ltmWholeEh, TLocateTextOptionsEh Options = 0,
            const String& FieldName = u"NAME_THIS") {
    return Grid->Find(FieldName, Text, Options, Direction, Matching, Range);
  }
  void GoTo(Integer Id) { ASSERT_TRUE(Table.Locate(u"ID_THIS", Variant(Id), {})); }
  // The find dialog opens on the current record, which it remembers.
  void OpenFindDialog() { Grid->GetCenter()->ExecuteFindDialog(Grid, String(), String(), false); }
  Integer ColumnIndex(const String& FieldName) { return Grid->FindColumnByFieldName(FieldName)->GetIndex(); }

  TExecuteFindDialogProcEh SavedProc = nullptr;
};

}  // namespace

TEST_F(TreeFind, EveryBranchIsSearchedAndTheMatchsCollapsedBranchOpens) {
  ASSERT_EQ(Ids(Table), (std::vector<Integer>{10, 20}));
  Table.First();
  EXPECT_TRUE(Find(u"Фонд", lttAllBranchesEh, ltdDownEh));
  EXPECT_EQ(IdOf(Table), 22);
  EXPECT_EQ(Ids(Table), (std::vector<Integer>{10, 20, 21, 22}));
}

TEST_F(TreeFind, ExpandedBranchesOnlyLeaveCollapsedGroupsUnsearched) {
  Table.First();
  EXPECT_FALSE(Find(u"Фонд", lttExpandedBranchesEh, ltdAllEh));
  EXPECT_EQ(IdOf(Table), 10);
  EXPECT_TRUE(Find(u"Архивы", lttExpandedBranchesEh, ltdDownEh));
  EXPECT_EQ(IdOf(Table), 20);
  EXPECT_EQ(Ids(Table), (std::vector<Integer>{10, 20}));
}

TEST_F(TreeFind, SearchingUpWalksBackThroughTheCollapsedBranchAbove) {
  GoTo(20);
  EXPECT_TRUE(Find(u"Вторая", lttAllBranchesEh, ltdUpEh));
  EXPECT_EQ(IdOf(Table), 12);
  GoTo(12);
  EXPECT_TRUE(Find(u"Библиотеки", lttAllBranchesEh, ltdUpEh));
  EXPECT_EQ(IdOf(Table), 10);
  EXPECT_FALSE(Find(u"Фонд", lttAllBranchesEh, ltdUpEh));
  EXPECT_EQ(IdOf(Table), 10);
}

TEST_F(TreeFind, SearchingDownStartsAfterTheCurrentRecordAndAllStartsAtTheFirst) {
  GoTo(20);
  EXPECT_FALSE(Find(u"Первая", lttAllBranchesEh, ltdDownEh));
  EXPECT_EQ(IdOf(Table), 20);
  EXPECT_TRUE(Find(u"Первая", lttAllBranchesEh, ltdAllEh));
  EXPECT_EQ(IdOf(Table), 11);
  EXPECT_FALSE(Find(u"Первая", lttAllBranchesEh, ltdDownEh));
  EXPECT_EQ(IdOf(Table), 11);
}

TEST_F(TreeFind, MatchingTakesAnyPartTheWholeOrTheBeginningOfTheCell) {
  Table.First();
  EXPECT_TRUE(Find(u"онд", lttAllBranchesEh, ltdAllEh, ltmAnyPartEh));
  EXPECT_EQ(IdOf(Table), 22);
  EXPECT_FALSE(Find(u"онд", lttAllBranchesEh, ltdAllEh, ltmBeginningEh));
  EXPECT_TRUE(Find(u"Архив", lttAllBranchesEh, ltdAllEh, ltmBeginningEh));
  EXPECT_EQ(IdOf(Table), 20);
  EXPECT_TRUE(Find(u"Архив", lttAllBranchesEh, ltdAllEh, ltmWholeEh));
  EXPECT_EQ(IdOf(Table), 21);
}

TEST_F(TreeFind, LetterCaseCountsUnlessIgnored) {
  Table.First();
  EXPECT_FALSE(Find(u"фонд", lttAllBranchesEh, ltdAllEh));
  EXPECT_TRUE(Find(u"фонд", lttAllBranchesEh, ltdAllEh, ltmWholeEh, ltoIgnoreCaseEh));
  EXPECT_EQ(IdOf(Table), 22);
}

TEST_F(TreeFind, AllColumnsAreSearchedAndTheMatchingColumnBecomesCurrent) {
  Table.First();
  Grid->SetSelectedIndex(ColumnIndex(u"ID_THIS"));
  EXPECT_TRUE(Find(u"Фонд", lttAllBranchesEh, ltdDownEh, ltmWholeEh, ltoAllColumnsEh, String()));
  EXPECT_EQ(IdOf(Table), 22);
  EXPECT_EQ(Grid->GetSelectedIndex(), ColumnIndex(u"NAME_THIS"));
  // Upwards the columns of a record are walked from right to left first.
  EXPECT_TRUE(Find(u"22", lttAllBranchesEh, ltdUpEh, ltmWholeEh, ltoAllColumnsEh, String()));
  EXPECT_EQ(IdOf(Table), 22);
  EXPECT_EQ(Grid->GetSelectedIndex(), ColumnIndex(u"ID_THIS"));
}

TEST_F(TreeFind, TheCurrentLevelIsTheLevelOfTheRecordTheFindDialogOpenedOn) {
  GoTo(20);
  OpenFindDialog();
  EXPECT_EQ(OpenedFor, Grid);
  Table.First();
  EXPECT_FALSE(Find(u"Фонд", lttCurrentLevelEh, ltdDownEh));
  EXPECT_EQ(IdOf(Table), 10);
  EXPECT_TRUE(Find(u"Архивы", lttCurrentLevelEh, ltdDownEh));
  EXPECT_EQ(IdOf(Table), 20);
  EXPECT_TRUE(Find(u"Библиотеки", lttCurrentLevelEh, ltdUpEh));
  EXPECT_EQ(IdOf(Table), 10);
}

TEST_F(TreeFind, TheCurrentBranchIsTheBranchOfTheRecordTheFindDialogOpenedOn) {
  GoTo(20);
  OpenFindDialog();
  Table.First();
  EXPECT_FALSE(Find(u"Первая", lttCurrentBranchEh, ltdAllEh));
  EXPECT_EQ(IdOf(Table), 10);
  // The current record lies outside the branch: the search starts at its top.
  EXPECT_TRUE(Find(u"Фонд", lttCurrentBranchEh, ltdDownEh));
  EXPECT_EQ(IdOf(Table), 22);
  EXPECT_TRUE(Find(u"Архивы", lttCurrentBranchEh, ltdUpEh));
  EXPECT_EQ(IdOf(Table), 20);
  EXPECT_FALSE(Find(u"Архивы", lttCurrentBranchEh, ltdUpEh));
}

TEST_F(TreeFind, WithoutTheFindDialogTheLevelAndBranchAreTheCurrentRecords) {
  GoTo(10);
  EXPECT_TRUE(Find(u"Вторая", lttCurrentBranchEh, ltdDownEh));
  EXPECT_EQ(IdOf(Table), 12);
  EXPECT_TRUE(Find(u"Первая", lttCurrentLevelEh, ltdUpEh));
  EXPECT_EQ(IdOf(Table), 11);
  EXPECT_FALSE(Find(u"Архив", lttCurrentLevelEh, ltdAllEh));
}

TEST_F(TreeFind, WithoutAMatchTheTableAndItsBranchesStayAsTheyWere) {
  GoTo(20);
  EXPECT_FALSE(Find(u"Нет такого", lttAllBranchesEh, ltdAllEh, ltmAnyPartEh));
  EXPECT_EQ(IdOf(Table), 20);
  EXPECT_EQ(Ids(Table), (std::vector<Integer>{10, 20}));
}

TEST_F(TreeFind, RecordsTheFilterHidesAreNotSearched) {
  Grid->GetSTFilter()->SetLocal(true);
  Grid->FindColumnByFieldName(u"NAME_THIS")->GetSTFilter()->SetExpressionStr(u"~ 'Ар%'");
  Grid->ApplyFilterRow();
  Table.First();
  EXPECT_FALSE(Find(u"Фонд", lttAllBranchesEh, ltdAllEh));
  EXPECT_TRUE(Find(u"Архив", lttAllBranchesEh, ltdAllEh));
  EXPECT_EQ(IdOf(Table), 21);
}

TEST_F(TreeFind, TheFindHookShowsTheWaitCursorWhileTheCenterSearches) {
  TCursor During = crDefault;
  Grid->GetCenter()->OnLocateText = [&](TDBGridEhCenter*, TCustomDBGridEh* G, const String& FieldName,
                                        const String& Text, TLocateTextOptionsEh, TLocateTextDirectionEh,
                                        TLocateTextMatchingEh, TLocateTextTreeFindRangeEh Range) {
    During = Screen->GetCursor();
    return G == Grid && FieldName == u"NAME_THIS" && Text == u"x" && Range == lttCurrentBranchEh;
  };
  EXPECT_TRUE(Find(u"x", lttCurrentBranchEh, ltdDownEh));
  EXPECT_EQ(During, crHourGlass);
  EXPECT_NE(Screen->GetCursor(), crHourGlass);
}
