// The grid text search over an in-memory table shown as a tree: directions,
// matching modes, letter case, all columns, the display text, and Esc.

#include <gtest/gtest.h>

#include "GridServicesTestSupport.h"
#include "platform/backend/Headless.h"
#include "platform/ui/Forms.h"
#include "platform/ui/MessageQueue.h"
#include "tests/memtable/MemTableTestUtil.h"

namespace {

// The resource tree, shown expanded and sorted: rows 10 Библиотеки, 12 Вторая,
// 11 Первая, 20 Архивы, 21 Архив, 22 Фонд; columns ID_THIS, NAME_THIS, NPP.
class GridTextSearch : public ::testing::Test {
protected:
  void SetUp() override {
    BuildResourceColumns(Table.GetMemTableData());
    AddResourceTree(Table);
    ShowAsExpandedTree(Table);
    Table.SetSortOrder(u"NPP,NAME_THIS");
    Table.Open();
    Form = new TForm(Application);
    Grid = new TTestDataGrid(Form);
    Grid->SetParent(Form);
    Grid->SetBounds(0, 0, 200, 100);
    Grid->Source->SetDataSet(&Table);
    for (const char16_t* name : {u"ID_THIS", u"NAME_THIS", u"NPP"}) Grid->AddColumn(name);
    Grid->SelectedIndex = 1;
  }
  void TearDown() override {
    Grid->Source->SetDataSet(nullptr);
    delete Form;
  }

  void GoTo(Integer Id) { ASSERT_TRUE(Table.Locate(u"ID_THIS", Variant(Id), {})); }
  Integer Current() { return IdOf(Table); }
  bool Find(const String& Text, TLocateTextMatchingEh Matching, TLocateTextDirectionEh Direction,
            TLocateTextOptionsEh Options = ltoIgnoreCaseEh, const String& FieldName = u"NAME_THIS") {
    return LocateGridText(Grid, FieldName, Text, Matching, Direction, Options);
  }

  THeadlessDisplay Display;
  TMemTableEh Table{nullptr};
  TForm* Form = nullptr;
  TTestDataGrid* Grid = nullptr;
};

}  // namespace

TEST_F(GridTextSearch, DownwardsTheSearchStartsAfterTheCurrentRecord) {
  GoTo(10);
  EXPECT_TRUE(Find(u"Арх", ltmBeginningEh, ltdDownEh));
  EXPECT_EQ(Current(), 20);
  EXPECT_TRUE(Find(u"Арх", ltmBeginningEh, ltdDownEh));
  EXPECT_EQ(Current(), 21);
  EXPECT_FALSE(Find(u"Арх", ltmBeginningEh, ltdDownEh));
  EXPECT_EQ(Current(), 21);  // no further match: back where it started
}

TEST_F(GridTextSearch, UpwardsTheSearchWalksTowardsTheFirstRecord) {
  GoTo(22);
  EXPECT_TRUE(Find(u"ар", ltmAnyPartEh, ltdUpEh));
  EXPECT_EQ(Current(), 21);
  EXPECT_TRUE(Find(u"ар", ltmAnyPartEh, ltdUpEh));
  EXPECT_EQ(Current(), 20);
  EXPECT_FALSE(Find(u"фонд", ltmWholeEh, ltdUpEh));
  EXPECT_EQ(Current(), 20);
}

TEST_F(GridTextSearch, AllStartsFromTheFirstRecordWhereverTheCursorIs) {
  GoTo(22);
  EXPECT_TRUE(Find(u"библиотеки", ltmWholeEh, ltdAllEh));
  EXPECT_EQ(Current(), 10);
  GoTo(21);
  EXPECT_TRUE(Find(u"Архив", ltmWholeEh, ltdAllEh));
  EXPECT_EQ(Current(), 21);
}

TEST_F(GridTextSearch, EachMatchingModeComparesItsPartOfTheCell) {
  GoTo(10);
  EXPECT_TRUE(Find(u"тор", ltmAnyPartEh, ltdDownEh));
  EXPECT_EQ(Current(), 12);
  GoTo(10);
  EXPECT_FALSE(Find(u"тор", ltmBeginningEh, ltdDownEh));
  EXPECT_FALSE(Find(u"тор", ltmWholeEh, ltdDownEh));
  EXPECT_TRUE(Find(u"Архив", ltmWholeEh, ltdDownEh));  // not "Архивы"
  EXPECT_EQ(Current(), 21);
  GoTo(10);
  EXPECT_TRUE(Find(u"Архив", ltmBeginningEh, ltdDownEh));
  EXPECT_EQ(Current(), 20);
}

TEST_F(GridTextSearch, LetterCaseCountsUnlessIgnored) {
  GoTo(10);
  EXPECT_FALSE(Find(u"архив", ltmWholeEh, ltdDownEh, 0));
  EXPECT_EQ(Current(), 10);
  EXPECT_EQ(Grid->RestoreCount, 1);
  EXPECT_TRUE(Find(u"архив", ltmWholeEh, ltdDownEh, ltoIgnoreCaseEh));
  EXPECT_EQ(Current(), 21);
}

TEST_F(GridTextSearch, AMatchMakesItsColumnTheSelectedOne) {
  GoTo(10);
  Grid->SelectedIndex = 0;
  EXPECT_TRUE(Find(u"Фонд", ltmWholeEh, ltdDownEh));
  EXPECT_EQ(Grid->SelectedIndex, 1);
  EXPECT_EQ(Current(), 22);
}

TEST_F(GridTextSearch, AllColumnsDownwardsGoesRightThroughARecordFirst) {
  GoTo(10);
  Grid->SelectedIndex = 1;  // NAME_THIS
  EXPECT_TRUE(Find(u"1", ltmWholeEh, ltdDownEh, ltoAllColumnsEh, String()));
  EXPECT_EQ(Current(), 10);  // its NPP, right of the name
  EXPECT_EQ(Grid->SelectedIndex, 2);
  EXPECT_TRUE(Find(u"1", ltmWholeEh, ltdDownEh, ltoAllColumnsEh, String()));
  EXPECT_EQ(Current(), 12);  // Вторая: NPP 1
  EXPECT_EQ(Grid->SelectedIndex, 2);
}

TEST_F(GridTextSearch, AllColumnsUpwardsGoesLeftThroughARecordBeforeThePreviousOne) {
  GoTo(12);
  Grid->SelectedIndex = 1;
  EXPECT_TRUE(Find(u"10", ltmWholeEh, ltdUpEh, ltoAllColumnsEh, String()));
  EXPECT_EQ(Current(), 10);
  EXPECT_EQ(Grid->SelectedIndex, 0);
  GoTo(20);
  Grid->SelectedIndex = 2;
  EXPECT_TRUE(Find(u"Архивы", ltmWholeEh, ltdUpEh, ltoAllColumnsEh, String()));
  EXPECT_EQ(Grid->SelectedIndex, 1);  // the same record, one column left
  EXPECT_EQ(Current(), 20);
}

TEST_F(GridTextSearch, AllColumnsFromTheTopSearchesTheFirstRecordsEveryColumn) {
  GoTo(22);
  Grid->SelectedIndex = 2;
  EXPECT_TRUE(Find(u"10", ltmWholeEh, ltdAllEh, ltoAllColumnsEh, String()));
  EXPECT_EQ(Current(), 10);
  EXPECT_EQ(Grid->SelectedIndex, 0);
}

TEST_F(GridTextSearch, HiddenColumnsAreNotSearchedAcrossColumns) {
  Grid->Column(u"NAME_THIS")->Visible = false;
  GoTo(10);
  Grid->SelectedIndex = 0;
  EXPECT_FALSE(Find(u"Фонд", ltmWholeEh, ltdDownEh, ltoAllColumnsEh, String()));
  EXPECT_EQ(Current(), 10);
}

TEST_F(GridTextSearch, TheDisplayTextIsSearchedOnlyWhenAsked) {
  Grid->Column(u"NPP")->DisplayText = [](TField* F) { return u"№ " + F->GetAsString(); };
  GoTo(10);
  EXPECT_FALSE(Find(u"№ 2", ltmWholeEh, ltdDownEh, 0, u"NPP"));
  EXPECT_TRUE(Find(u"№ 2", ltmWholeEh, ltdDownEh, ltoDisplayTextEh, u"NPP"));
  EXPECT_EQ(Current(), 11);
}

TEST_F(GridTextSearch, WithoutAFieldNameTheSelectedOrRowSelectColumnIsSearched) {
  GoTo(10);
  Grid->SelectedIndex = 2;
  EXPECT_TRUE(Find(u"2", ltmWholeEh, ltdDownEh, 0, String()));
  EXPECT_EQ(Current(), 11);
  Grid->RowSelect = true;
  Grid->CurrentColumnPosition = 1;
  GoTo(10);
  EXPECT_TRUE(Find(u"Фонд", ltmWholeEh, ltdDownEh, 0, String()));
  EXPECT_EQ(Current(), 22);
}

TEST_F(GridTextSearch, AnUnknownFieldNameIsAGridError) {
  GoTo(10);
  try {
    Find(u"x", ltmWholeEh, ltdDownEh, 0, u"NOPE");
    ADD_FAILURE() << "no error";
  } catch (const EInvalidGridOperationEh& E) {
    EXPECT_EQ(E.Message(), u"Имя поля 'NOPE' не найдено");
  }
}

TEST_F(GridTextSearch, NothingIsSearchedWithoutAnOpenDatasetOrVisibleColumns) {
  Table.Close();
  EXPECT_FALSE(Find(u"Фонд", ltmWholeEh, ltdAllEh));
  Table.Open();
  for (auto& c : Grid->Columns) c->Visible = false;
  EXPECT_FALSE(Find(u"Фонд", ltmWholeEh, ltdAllEh));
  EXPECT_FALSE(LocateGridText(nullptr, u"", u"x", ltmWholeEh, ltdAllEh, 0));
}

TEST_F(GridTextSearch, APendingEscStopsTheSearchWhenAskedAndStaysQueued) {
  GoTo(10);
  PostMessage(Grid->GetHandle(), WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_FALSE(Find(u"Фонд", ltmWholeEh, ltdDownEh, ltoIgnoreCaseEh | ltoEscapeStopsEh));
  EXPECT_EQ(Current(), 10);
  TMsg msg;
  EXPECT_TRUE(PeekMessage(msg, Grid->GetHandle(), WM_KEYDOWN, WM_KEYDOWN, PM_NOREMOVE));
  EXPECT_TRUE(Find(u"Фонд", ltmWholeEh, ltdDownEh, ltoIgnoreCaseEh));
  EXPECT_EQ(Current(), 22);
  Display.ProcessMessages();
}

TEST_F(GridTextSearch, TheSearchWalksTheRowsShownAndPassesOverACollapsedGroup) {
  GoTo(20);
  Table.SetTreeNodeExpanded(Table.RecNo() - 1, false);
  GoTo(10);
  EXPECT_FALSE(Find(u"Фонд", ltmWholeEh, ltdAllEh));
  EXPECT_EQ(Current(), 10);
}
