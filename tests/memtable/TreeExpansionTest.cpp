// Tree mode: the table's expansion events while a tree is built with its nodes
// expanded, and finding a record's node when Locate opens collapsed groups.

#include <gtest/gtest.h>

#include <string>

#include "MemTableTestUtil.h"

namespace {

// 10 Библиотеки (no parent key)
//   11 Первая (NPP 2)
//   12 Вторая (NPP 1)
// 20 Архивы (no parent key)
//   21 Архив
//     22 Фонд
// Top-level records without a parent key take their place at once while the
// tree is built, so the nodes below them have rows as they arrive.
class TreeExpansion : public ::testing::Test {
protected:
  void SetUp() override {
    BuildResourceColumns(Table.GetMemTableData());
    AddResourceTree(Table);
    for (Integer i = 0; i < 6; ++i) {
      TMemoryRecordEh* r = Table.GetRecordsData()->GetRecordsList()->GetRecord(i);
      if (r->GetDataValues(u"ID_PARENT", rvvValueEh).AsInteger() != 0) continue;
      r->Edit();
      r->SetDataValues(u"ID_PARENT", rvvValueEh, Null());
      r->Post();
    }
    Table.GetTreeList()->SetKeyFieldName(u"ID_THIS");
    Table.GetTreeList()->SetRefParentFieldName(u"ID_PARENT");
  }

  // Records each expansion event in turn: "E<RecNo>", and "H:<ID_THIS read in
  // the handler>". VetoRecNo is refused expansion; NoChildren is said to have
  // no children.
  void RecordEvents() {
    Table.OnTreeNodeExpanding = [this](TObject*, Integer RecNo, bool& Allow) {
      Log.push_back("E" + std::to_string(RecNo));
      if (RecNo == VetoRecNo) Allow = false;
    };
    Table.OnTreeNodeHasChildren = [this](TObject*, Integer, bool& HasChildren) {
      const Integer id = IdOf(Table);
      Log.push_back("H:" + std::to_string(id));
      // A node still being built has no children yet: the handler knows better.
      HasChildren = (id == 10 || id == 20 || id == 21) && id != NoChildren;
    };
  }

  std::vector<std::string> TakeLog() {
    std::vector<std::string> out;
    out.swap(Log);
    return out;
  }

  TMemTableEh Table{nullptr};
  std::vector<std::string> Log;
  Integer VetoRecNo = -1;
  Integer NoChildren = -1;
};

}  // namespace

TEST_F(TreeExpansion, BuildingAnExpandedTreeAsksForEveryNodeInBuildOrder) {
  Table.GetTreeList()->SetDefaultNodeExpanded(true);
  RecordEvents();
  Table.GetTreeList()->SetActive(true);  // built while the table is closed: no record to read
  // Each node's row is its place in the tree built so far.
  EXPECT_EQ(TakeLog(), (std::vector<std::string>{"E1", "E2", "E3", "E4", "E5", "E6"}));
  Table.Open();
  EXPECT_EQ(Ids(Table), (std::vector<Integer>{10, 11, 12, 20, 21, 22}));
}

TEST_F(TreeExpansion, NodesBelowARefusedExpansionAreAskedWithoutARow) {
  Table.GetTreeList()->SetDefaultNodeExpanded(true);
  VetoRecNo = 4;  // 20
  RecordEvents();
  Table.GetTreeList()->SetActive(true);
  EXPECT_EQ(TakeLog(), (std::vector<std::string>{"E1", "E2", "E3", "E4", "E0", "E0"}));
  Table.Open();
  EXPECT_EQ(Ids(Table), (std::vector<Integer>{10, 11, 12, 20}));
  Table.OnTreeNodeExpanding = nullptr;
  Table.GetTreeList()->FullExpand();
  EXPECT_EQ(Ids(Table), (std::vector<Integer>{10, 11, 12, 20, 21, 22}));
}

namespace {
std::vector<std::string> WithoutRows(std::vector<std::string> Log) {
  for (std::string& s : Log)
    if (s[0] == 'E') s = "E";
  return Log;
}
}  // namespace

TEST_F(TreeExpansion, ATreeBuiltWithNoEventSetStillReportsLaterExpansions) {
  Table.GetTreeList()->SetDefaultNodeExpanded(true);
  Table.GetTreeList()->SetActive(true);  // closed and without events: nobody to ask
  Table.Open();
  EXPECT_EQ(Ids(Table), (std::vector<Integer>{10, 11, 12, 20, 21, 22}));
  RecordEvents();
  Table.GetTreeList()->FullCollapse();
  EXPECT_EQ(Ids(Table), (std::vector<Integer>{10, 20}));
  Table.GetTreeList()->FullExpand();
  EXPECT_EQ(WithoutRows(TakeLog()), (std::vector<std::string>{"E", "H:10", "E", "H:20", "E", "H:21"}));
  EXPECT_EQ(Ids(Table), (std::vector<Integer>{10, 11, 12, 20, 21, 22}));
}

TEST_F(TreeExpansion, RebuildingAnOpenTableReadsEachNodesOwnRecord) {
  Table.GetTreeList()->SetActive(true);
  Table.Open();
  EXPECT_EQ(Table.RecordCount(), 2);
  Table.GetTreeList()->SetActive(false);
  Table.GetTreeList()->SetDefaultNodeExpanded(true);
  RecordEvents();
  Table.GetTreeList()->SetActive(true);
  // Each node is asked in turn, first whether it may expand, then, reading its
  // own record, whether it has children.
  EXPECT_EQ(WithoutRows(TakeLog()),
            (std::vector<std::string>{"E", "H:10", "E", "H:11", "E", "H:12", "E", "H:20", "E", "H:21", "E", "H:22"}));
  EXPECT_EQ(Ids(Table), (std::vector<Integer>{10, 11, 12, 20, 21, 22}));
}

TEST_F(TreeExpansion, AnOpenTablesNodeSaidToHaveNoChildrenStaysCollapsed) {
  Table.GetTreeList()->SetActive(true);
  Table.Open();
  Table.GetTreeList()->SetActive(false);
  Table.GetTreeList()->SetDefaultNodeExpanded(true);
  NoChildren = 20;
  RecordEvents();
  Table.GetTreeList()->SetActive(true);
  EXPECT_EQ(WithoutRows(TakeLog()),
            (std::vector<std::string>{"E", "H:10", "E", "H:11", "E", "H:12", "E", "H:20", "E", "H:21", "E", "H:22"}));
  EXPECT_EQ(Ids(Table), (std::vector<Integer>{10, 11, 12, 20}));
}

TEST_F(TreeExpansion, ExpandingAShownNodeAnswersItsRow) {
  Table.GetTreeList()->SetActive(true);
  Table.SetSortOrder(u"NPP,NAME_THIS");
  Table.Open();
  RecordEvents();
  EXPECT_EQ(Table.SetTreeNodeExpanded(1, true), -1);  // 20, the second row
  EXPECT_EQ(TakeLog(), (std::vector<std::string>{"E2", "H:20"}));
  EXPECT_EQ(Ids(Table), (std::vector<Integer>{10, 20, 21}));
}

TEST_F(TreeExpansion, LocateOpensTheGroupARecordWasMovedTo) {
  Table.GetIndexDefs()->Add(u"PK", u"ID_THIS", {ixPrimary});
  Table.GetTreeList()->SetActive(true);
  Table.Open();
  ASSERT_TRUE(Table.GetTreeList()->Locate(u"ID_THIS", Variant(11), {}));
  Table.Edit();
  Table.FieldByName(u"ID_PARENT")->SetAsInteger(21);
  Table.Post();
  Table.GetTreeList()->FullCollapse();
  EXPECT_EQ(Ids(Table), (std::vector<Integer>{10, 20}));
  // Through the index: the record's node now lies below 20 and 21, not 10.
  ASSERT_TRUE(Table.Locate(u"ID_THIS", Variant(11), {}));
  EXPECT_EQ(IdOf(Table), 11);
  EXPECT_EQ(Table.GetTreeNodeLevel(), 3);
  EXPECT_EQ(Ids(Table), (std::vector<Integer>{10, 20, 21, 11, 22}));
  Table.GetTreeList()->FullCollapse();
  // By comparing rows, with an option that keeps the index out.
  ASSERT_TRUE(Table.Locate(u"ID_THIS", Variant(11), {loCaseInsensitive}));
  EXPECT_EQ(IdOf(Table), 11);
  EXPECT_EQ(Ids(Table), (std::vector<Integer>{10, 20, 21, 11, 22}));
}

TEST_F(TreeExpansion, LocateFindsChildrenOfADeletedGroupAtTheTopLevel) {
  Table.GetIndexDefs()->Add(u"PK", u"ID_THIS", {ixPrimary});
  Table.GetTreeList()->SetActive(true);
  Table.Open();
  ASSERT_TRUE(Table.Locate(u"ID_THIS", Variant(21), {}));
  Table.Delete();
  Table.GetTreeList()->FullCollapse();
  EXPECT_EQ(Ids(Table), (std::vector<Integer>{10, 20, 22}));
  ASSERT_TRUE(Table.Locate(u"ID_THIS", Variant(22), {}));
  EXPECT_EQ(Table.GetTreeNodeLevel(), 1);
  EXPECT_EQ(Table.RecordCount(), 3);  // no group had to open
  EXPECT_FALSE(Table.Locate(u"ID_THIS", Variant(21), {}));
}

TEST_F(TreeExpansion, LocateDoesNotRevealARecordTheFilterHides) {
  Table.GetIndexDefs()->Add(u"PK", u"ID_THIS", {ixPrimary});
  Table.GetTreeList()->SetActive(true);
  Table.SetFilter(u"ID_THIS<>12");
  Table.SetFiltered(true);
  Table.Open();
  Table.GetTreeList()->FullCollapse();
  EXPECT_FALSE(Table.Locate(u"ID_THIS", Variant(12), {}));
  EXPECT_EQ(Table.RecordCount(), 2);
  ASSERT_TRUE(Table.Locate(u"ID_THIS", Variant(11), {}));
  EXPECT_EQ(Ids(Table), (std::vector<Integer>{10, 11, 20}));
}
