// The search client's resource tree, end to end: the tree table (cached
// updates, read-only, fetch-all, tree by ID_THIS/ID_PARENT, sort NPP,NAME_THIS)
// and a second cursor over the same records, used the way the client does.

#include <gtest/gtest.h>

#include "MemTableTestUtil.h"
#include "platform/core/Strings.h"

namespace {

class ResourceTables : public ::testing::Test {
protected:
  void SetUp() override {
    BuildResourceColumns(Tree.GetMemTableData());
    // The client's indexes.
    Tree.GetIndexDefs()->Add(u"BY_ID_THIS", u"ID_THIS", {});
    Tree.GetIndexDefs()->Add(u"BY_ID_PARENT", u"ID_PARENT", {});
    Tree.SetCachedUpdates(true);
    Tree.SetFetchAllOnOpen(true);
    Tree.SetSortOrder(u"NPP,NAME_THIS");
    ShowAsExpandedTree(Tree);
    Tree.SetFiltered(true);
    Buf.SetExternalMemData(&Tree);
    Buf.SetCachedUpdates(true);
    Tree.Open();
    Tree.SetReadOnly(true);
    // The loader switches ReadOnly off around its changes.
    Tree.SetReadOnly(false);
    AddResource(Tree, 0, -1, 0, 0, u"Корень");
    AddResource(Tree, 1, 0, 0, 1, u"Библиотеки");
    AddResource(Tree, 2, 1, 1, 2, u"Национальная");
    AddResource(Tree, 3, 1, 1, 1, u"Областная");
    AddResource(Tree, 4, 0, 0, 2, u"Университеты");
    AddResource(Tree, 5, 4, 1, 7, u"Технический");
    Tree.SetReadOnly(true);
    Tree.First();
  }

  // ResourceToConnectionParams step 2: the displayed table moves to the resource.
  bool LocateResource(Integer Id) { return Tree.Locate(u"ID_THIS", Variant(Id), {}); }

  // MaxNpp: every record counts, whatever the grid shows.
  Integer MaxNpp() {
    Buf.Close();
    Buf.SetFiltered(false);
    Buf.SetFilter(String());
    Buf.SetFiltered(true);
    Buf.SetSortOrder(u"NPP");
    Buf.Open();
    Buf.Last();
    Integer result = Buf.GetCurrentRecord()->GetDataValues(u"NPP", rvvValueEh).AsInteger();
    Buf.SetSortOrder(String());
    Buf.SetFiltered(false);
    Buf.SetFilter(String());
    return result;
  }

  Integer MaxResourceId() {
    Buf.Close();
    Buf.SetFiltered(false);
    Buf.SetFilter(String());
    Buf.SetSortOrder(u"ID_THIS");
    Buf.Open();
    Buf.Last();
    Integer result = Buf.GetCurrentRecord()->GetDataValues(u"ID_THIS", rvvValueEh).AsInteger();
    Buf.SetSortOrder(String());
    return result;
  }

  TMemTableEh Tree{nullptr};
  TMemTableEh Buf{nullptr};
};

}  // namespace

TEST_F(ResourceTables, TheTreeShowsGroupsAndResourcesInNppOrder) {
  EXPECT_EQ(Ids(Tree), (std::vector<Integer>{0, 1, 3, 2, 4, 5}));
  EXPECT_EQ(Tree.GetRecordsData()->GetRecordsList()->GetPendingList().size(), 6u);  // cached inserts
  EXPECT_FALSE(Tree.GetCanModify());
}

TEST_F(ResourceTables, LocatingAResourceInsideACollapsedGroupFindsIt) {
  Tree.GetTreeList()->FullCollapse();
  EXPECT_EQ(Tree.RecordCount(), 1);
  ASSERT_TRUE(LocateResource(5));
  EXPECT_EQ(Tree.FieldByName(u"NAME_THIS")->GetAsString(), u"Технический");
  ASSERT_TRUE(LocateResource(2));
  EXPECT_EQ(Tree.FieldByName(u"NAME_THIS")->GetAsString(), u"Национальная");
  EXPECT_FALSE(LocateResource(99));
  EXPECT_EQ(IdOf(Tree), 2);
}

TEST_F(ResourceTables, TheSecondCursorReadsWithoutMovingTheTree) {
  LocateResource(3);
  EXPECT_EQ(MaxResourceId(), 5);
  EXPECT_EQ(MaxNpp(), 7);
  EXPECT_EQ(IdOf(Tree), 3);
  EXPECT_TRUE(Tree.IsTreeList());
  EXPECT_FALSE(Buf.IsTreeList());
  EXPECT_EQ(Buf.RecordCount(), 6);
}

TEST_F(ResourceTables, ListModeFiltersOutGroupsAndSortsByName) {
  Tree.GetTreeList()->SetActive(false);
  Tree.SetSortOrder(u"NAME_THIS");
  Tree.SetFilter(u"ID_TYPE>0");
  EXPECT_EQ(Ids(Tree), (std::vector<Integer>{2, 3, 5}));
  Tree.SetFilter(String());
  Tree.SetSortOrder(u"NPP,NAME_THIS");
  Tree.GetTreeList()->SetActive(true);
  EXPECT_EQ(Tree.RecordCount(), 6);
}

TEST_F(ResourceTables, RecordsAddedAndDeletedWhileTheSecondCursorIsOpen) {
  Buf.Open();
  Buf.Locate(u"ID_THIS", Variant(4), {});
  // A new resource under group 1 gets its numbers the client's way.
  Integer id = MaxResourceId() + 1;
  Integer npp = MaxNpp() + 1;
  Buf.Open();
  Buf.Locate(u"ID_THIS", Variant(4), {});
  Tree.SetReadOnly(false);
  TMemoryRecordEh* rec = Tree.GetRecordsView()->NewRecord();
  rec->SetDataValues(u"ID_THIS;ID_PARENT;ID_TYPE;NPP;NAME_THIS", rvvValueEh,
                     VarArrayOf({Variant(id), Variant(1), Variant(1), Variant(npp), Variant(u"Новая")}));
  rec->Post();
  Tree.SetReadOnly(true);
  EXPECT_EQ(id, 6);
  EXPECT_EQ(npp, 8);
  EXPECT_EQ(IdOf(Buf), 4);
  EXPECT_EQ(Buf.RecordCount(), 7);
  EXPECT_EQ(Ids(Tree), (std::vector<Integer>{0, 1, 3, 2, 6, 4, 5}));
  // Deleting a group's record through the tree table.
  Tree.SetReadOnly(false);
  ASSERT_TRUE(LocateResource(3));
  Tree.Delete();
  Tree.SetReadOnly(true);
  Buf.Locate(u"ID_THIS", Variant(4), {});
  EXPECT_EQ(Buf.RecordCount(), 6);
  EXPECT_FALSE(Buf.Locate(u"ID_THIS", Variant(3), {}));
  EXPECT_EQ(Ids(Tree), (std::vector<Integer>{0, 1, 2, 6, 4, 5}));
}

TEST_F(ResourceTables, TheSecondCursorFindsEachRecordAfterTheLargestIdLeftItsRowsSorted) {
  auto bufRows = [this] {
    std::vector<Integer> ids;
    TRecordsViewEh* view = Buf.GetRecordsView();
    for (Integer i = 0; i < view->ViewCount(); ++i)
      ids.push_back(view->ViewRecord(i)->GetDataValues(u"ID_THIS", rvvValueEh).AsInteger());
    return ids;
  };
  auto findsEach = [&] {
    for (Integer id : bufRows()) {
      ASSERT_TRUE(Buf.Locate(u"ID_THIS", Variant(id), {}));
      EXPECT_EQ(IdOf(Buf), id);
    }
  };
  // Identifiers out of the store's order, as a list saved in tree order has them.
  Tree.SetReadOnly(false);
  AddResource(Tree, 9, 4, 1, 3, u"Медицинский");
  AddResource(Tree, 7, 1, 1, 3, u"Городская");
  Tree.SetReadOnly(true);
  EXPECT_EQ(MaxNpp(), 7);
  EXPECT_EQ(MaxResourceId(), 9);
  // The rows stay as the sort by identifier left them.
  ASSERT_EQ(bufRows(), (std::vector<Integer>{0, 1, 2, 3, 4, 5, 7, 9}));
  findsEach();
  // A record changed and one added through the tree table: each row still once.
  ASSERT_TRUE(LocateResource(9));
  TMemoryRecordEh* rec = Tree.GetCurrentRecord();
  rec->Edit();
  rec->SetDataValues(u"NAME_THIS", rvvValueEh, Variant(u"Медицинская"));
  rec->Post();
  Tree.SetReadOnly(false);
  AddResource(Tree, 10, 1, 1, 4, u"Новая");
  Tree.SetReadOnly(true);
  EXPECT_EQ(bufRows(), (std::vector<Integer>{0, 1, 2, 3, 4, 5, 7, 9, 10}));
  findsEach();
  ASSERT_TRUE(Buf.Locate(u"ID_THIS", Variant(9), {}));
  EXPECT_EQ(Buf.FieldByName(u"NAME_THIS")->GetAsString(), u"Медицинская");
}

TEST_F(ResourceTables, TheCurrentRecordCanBeEditedInPlace) {
  LocateResource(5);
  TMemoryRecordEh* rec = Tree.GetCurrentRecord();
  ASSERT_NE(rec, nullptr);
  rec->Edit();
  rec->SetDataValues(u"NAME_THIS", rvvValueEh, Variant(u"Политехнический"));
  rec->Post();
  EXPECT_EQ(Tree.FieldByName(u"NAME_THIS")->GetAsString(), u"Политехнический");
  EXPECT_EQ(rec->GetUpdateStatus(), rusInsertedEh);  // still the cached insert
}

TEST_F(ResourceTables, EmptyingTheTableLeavesBothCursorsEmpty) {
  Buf.Open();
  Tree.SetReadOnly(false);
  Tree.EmptyTable();
  EXPECT_EQ(Tree.RecordCount(), 0);
  EXPECT_EQ(Buf.RecordCount(), 0);
  EXPECT_TRUE(Buf.Eof());
}
