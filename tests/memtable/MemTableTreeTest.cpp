// Tree mode, shared data through ExternalMemData, linked-component
// notifications and record moving.

#include <gtest/gtest.h>

#include "MemTableTestUtil.h"

namespace {

// The resource tree of AddResourceTree, as a tree sorted by NPP and name.
class MemTableTree : public ::testing::Test {
protected:
  void SetUp() override {
    BuildResourceColumns(Table.GetMemTableData());
    AddResourceTree(Table);
    ShowAsExpandedTree(Table);
    Table.SetSortOrder(u"NPP,NAME_THIS");
  }
  TMemTableEh Table{nullptr};
};

}  // namespace

TEST_F(MemTableTree, RowsAreTheDisplayedNodesInSortedTreeOrder) {
  Table.Open();
  EXPECT_TRUE(Table.IsTreeList());
  EXPECT_EQ(Ids(Table), (std::vector<Integer>{10, 12, 11, 20, 21, 22}));
  Table.Locate(u"ID_THIS", Variant(22), {});
  EXPECT_EQ(Table.GetTreeNodeLevel(), 3);
  EXPECT_EQ(Table.GetPrevVisibleTreeNodeLevel(), 2);
  EXPECT_EQ(Table.GetNextVisibleTreeNodeLevel(), -1);
  Table.Locate(u"ID_THIS", Variant(12), {});
  EXPECT_TRUE(Table.ParentHasNextSibling(1));  // 10 is followed by 20
  EXPECT_TRUE(Table.ParentHasNextSibling(2));  // 12 is followed by 11
  Table.Locate(u"ID_THIS", Variant(11), {});
  EXPECT_FALSE(Table.ParentHasNextSibling(2));
}

TEST_F(MemTableTree, CollapsingTheCurrentRecordsAncestorAnswersItsRow) {
  Table.Open();
  Table.Locate(u"ID_THIS", Variant(22), {});
  EXPECT_EQ(Table.SetTreeNodeExpanded(3, false), 4);  // row of 20 is 3: 21, 22 hidden; 20 is RecNo 4
  EXPECT_EQ(Table.RecordCount(), 4);
  EXPECT_EQ(Table.SetTreeNodeExpanded(0, false), -1);  // 10 does not hold the current record
  EXPECT_EQ(Table.RecordCount(), 2);
}

TEST_F(MemTableTree, LocateFindsARecordInsideACollapsedGroup) {
  Table.Open();
  Table.GetTreeList()->FullCollapse();
  EXPECT_EQ(Table.RecordCount(), 2);
  ASSERT_TRUE(Table.Locate(u"ID_THIS", Variant(22), {}));
  EXPECT_EQ(IdOf(Table), 22);
  EXPECT_EQ(Table.FieldByName(u"NAME_THIS")->GetAsString(), u"Фонд");
  EXPECT_EQ(Table.RecordCount(), 4);  // its ancestors opened
  Table.GetTreeList()->FullCollapse();
  EXPECT_EQ(Table.Lookup(u"ID_THIS", Variant(12), u"NAME_THIS").AsString(), u"Вторая");
  EXPECT_EQ(Table.RecordCount(), 2);  // Lookup opens nothing
}

TEST_F(MemTableTree, LocateThroughAnIndexFindsCollapsedRecordsToo) {
  Table.GetIndexDefs()->Add(u"PK", u"ID_THIS", {ixPrimary});
  Table.Open();
  Table.GetTreeList()->FullCollapse();
  ASSERT_TRUE(Table.Locate(u"ID_THIS", Variant(11), {}));
  EXPECT_EQ(IdOf(Table), 11);
}

TEST_F(MemTableTree, TreeListLocateSearchesEveryNode) {
  Table.Open();
  Table.GetTreeList()->FullCollapse();
  ASSERT_TRUE(Table.GetTreeList()->Locate(u"NAME_THIS", Variant(u"фон"), {loPartialKey, loCaseInsensitive}));
  EXPECT_EQ(IdOf(Table), 22);
  EXPECT_FALSE(Table.GetTreeList()->Locate(u"ID_THIS", Variant(99), {}));
}

TEST_F(MemTableTree, FilterKeepsTheAncestorsOfMatchingRecords) {
  Table.SetFilter(u"ID_TYPE>0");
  Table.SetFiltered(true);
  Table.Open();
  EXPECT_EQ(Ids(Table), (std::vector<Integer>{10, 12, 11, 20, 21, 22}));
  Table.SetFilter(u"NPP=2");
  EXPECT_EQ(Ids(Table), (std::vector<Integer>{10, 11, 20}));
}

TEST_F(MemTableTree, SwitchingToAFlatListShowsEveryRecord) {
  Table.Open();
  Table.GetTreeList()->FullCollapse();
  Table.GetTreeList()->SetActive(false);
  Table.SetSortOrder(u"NAME_THIS");
  EXPECT_FALSE(Table.IsTreeList());
  EXPECT_EQ(Table.RecordCount(), 6);
  EXPECT_EQ(Table.GetTreeNodeLevel(), -1);
}

TEST_F(MemTableTree, CheckOnlyMoveRefusesPuttingANodeBelowItself) {
  Table.Open();
  TBMListEh list;
  Integer row20 = 4;  // RecNo of 20
  list.Append(TBookmark(&row20, sizeof(row20)));
  EXPECT_FALSE(Table.MoveRecords(&list, 6, 3, true));  // under its grandchild 22
  EXPECT_EQ(Ids(Table), (std::vector<Integer>{10, 12, 11, 20, 21, 22}));
}

TEST_F(MemTableTree, MovingARecordUnderAnotherGroupChangesItsParent) {
  Table.SetSortOrder(String());
  Table.Open();
  EXPECT_EQ(Ids(Table), (std::vector<Integer>{10, 11, 12, 20, 21, 22}));
  TBMListEh list;
  Integer row12 = 3;
  list.Append(TBookmark(&row12, sizeof(row12)));
  EXPECT_TRUE(Table.MoveRecords(&list, 5, 2, false));  // behind 21, on level 2
  TMemoryRecordEh* rec = Table.GetRecordsData()->GetRecordsList()->GetRecord(0);
  EXPECT_EQ(rec->GetDataValues(u"ID_THIS", rvvValueEh).AsInteger(), 10);
  EXPECT_TRUE(Table.Locate(u"ID_THIS", Variant(12), {}));
  EXPECT_EQ(Table.FieldByName(u"ID_PARENT")->GetAsInteger(), 20);
  EXPECT_EQ(Table.GetTreeNodeLevel(), 2);
}

// ---- shared data -------------------------------------------------------------------

TEST(MemTableShared, ExternalMemDataRefusesItselfAndADriverTable) {
  TMemTableEh a(nullptr);
  try {
    a.SetExternalMemData(&a);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), u"Circular datalinks are not allowed");
  }
  TMemTableEh b(nullptr);
  TDataDriverEh driver(nullptr);
  b.SetDataDriver(&driver);
  try {
    b.SetExternalMemData(&a);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), u"Assigning to ExternalMemData is not allowed if DataDriver is assigned");
  }
  b.SetDataDriver(nullptr);
  b.SetExternalMemData(&a);
  try {
    b.SetDataDriver(&driver);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), u"Assigning to DataDriver is not allowed if ExternalMemData is assigned");
  }
  EXPECT_EQ(b.GetDataDriver(), nullptr);
}

TEST(MemTableShared, SecondCursorKeepsItsOwnPositionFilterAndOrder) {
  TMemTableEh a(nullptr);
  BuildResourceColumns(a.GetMemTableData());
  for (Integer i = 1; i <= 5; ++i) AddResource(a, i, 0, i % 2, 6 - i, u"R" + IntToStr(i));
  TMemTableEh b(nullptr);
  b.SetExternalMemData(&a);
  a.Open();
  b.SetFilter(u"ID_TYPE>0");
  b.SetFiltered(true);
  b.SetSortOrder(u"NPP");
  b.Open();
  EXPECT_EQ(Ids(b), (std::vector<Integer>{5, 3, 1}));
  EXPECT_EQ(Ids(a), (std::vector<Integer>{1, 2, 3, 4, 5}));
  b.Locate(u"ID_THIS", Variant(3), {});
  a.Locate(u"ID_THIS", Variant(2), {});
  // Records added and deleted through the first table show in the second,
  // whose cursor stays on its record.
  a.Append();
  a.FieldByName(u"ID_THIS")->SetAsInteger(7);
  a.FieldByName(u"ID_TYPE")->SetAsInteger(1);
  a.FieldByName(u"NPP")->SetAsInteger(0);
  a.Post();
  EXPECT_EQ(IdOf(b), 3);
  EXPECT_EQ(b.RecordCount(), 4);
  a.Locate(u"ID_THIS", Variant(5), {});
  a.Delete();
  EXPECT_EQ(IdOf(b), 3);
  EXPECT_EQ(Ids(b), (std::vector<Integer>{7, 3, 1}));
  EXPECT_EQ(a.RecordCount(), 5);
}

TEST(MemTableShared, ClosingTheOwnerLeavesTheSecondTableUsable) {
  auto a = std::make_unique<TMemTableEh>(nullptr);
  BuildResourceColumns(a->GetMemTableData());
  AddResource(*a, 1, 0, 1, 1, u"A");
  TMemTableEh b(nullptr);
  b.SetExternalMemData(a.get());
  b.Open();
  EXPECT_EQ(b.RecordCount(), 1);
  a.reset();
  EXPECT_FALSE(b.GetActive());
  EXPECT_EQ(b.GetExternalMemData(), nullptr);
}

// ---- linked components ------------------------------------------------------------

TEST(MemTableLinked, ChangesAreReportedRowByRow) {
  TMemTableEh t(nullptr);
  BuildResourceColumns(t.GetMemTableData());
  AddResource(t, 1, 0, 1, 1, u"A");
  AddResource(t, 2, 0, 1, 2, u"B");
  ChangeRecorder grid;
  t.AddLinkedComponent(&grid);
  t.AddLinkedComponent(&grid);
  t.Open();
  EXPECT_EQ(grid.Take(), (std::vector<std::string>{"-1/4/-1"}));
  TMemoryRecordEh* r = AddResource(t, 3, 0, 1, 3, u"C");
  EXPECT_EQ(grid.Take(), (std::vector<std::string>{"2/0/-1"}));
  r->Edit();
  r->SetDataValues(u"NAME_THIS", rvvValueEh, Variant(u"CC"));
  r->Post();
  EXPECT_EQ(grid.Take(), (std::vector<std::string>{"2/1/-1"}));
  t.First();
  t.Delete();
  EXPECT_EQ(grid.Take(), (std::vector<std::string>{"0/2/-1"}));
}

TEST(MemTableLinked, InsertingIsAnnouncedAndWithdrawn) {
  TMemTableEh t(nullptr);
  BuildResourceColumns(t.GetMemTableData());
  AddResource(t, 1, 0, 1, 1, u"A");
  ChangeRecorder grid;
  t.Open();
  t.AddLinkedComponent(&grid);
  t.Insert();
  EXPECT_EQ(grid.Take(), (std::vector<std::string>{"0/0/-1"}));
  t.Cancel();
  EXPECT_EQ(grid.Take(), (std::vector<std::string>{"0/2/-1"}));
}

TEST(MemTableLinked, ChangesWhileControlsAreDisabledCoalesce) {
  TMemTableEh t(nullptr);
  BuildResourceColumns(t.GetMemTableData());
  ChangeRecorder grid;
  t.Open();
  t.AddLinkedComponent(&grid);
  t.DisableControls();
  AddResource(t, 1, 0, 1, 1, u"A");
  t.EnableControls();
  EXPECT_EQ(grid.Take(), (std::vector<std::string>{"0/0/-1"}));
  t.DisableControls();
  AddResource(t, 2, 0, 1, 1, u"B");
  AddResource(t, 3, 0, 1, 1, u"C");
  t.EnableControls();
  EXPECT_EQ(grid.Take(), (std::vector<std::string>{"-1/4/-1"}));
}

TEST(MemTableLinked, ADestroyedComponentIsForgotten) {
  TMemTableEh t(nullptr);
  BuildResourceColumns(t.GetMemTableData());
  t.Open();
  {
    ChangeRecorder grid;
    t.AddLinkedComponent(&grid);
  }
  AddResource(t, 1, 0, 1, 1, u"A");  // must not reach the dead component
  EXPECT_EQ(t.RecordCount(), 1);
}
