// What a grid and a provider-side master ask of the table: fetching through
// IMemTableEh, moving records in a flat list, vetoing a node's expansion, and
// reading each master value's records from the provider once.

#include <gtest/gtest.h>

#include "MemTableTestUtil.h"
#include "platform/data/DataSource.h"

namespace {

class ProviderTables : public ::testing::Test {
protected:
  void SetUp() override {
    BuildResourceColumns(Provider.GetMemTableData());
    for (Integer i = 1; i <= 6; ++i) AddResource(Provider, i, i <= 3 ? 10 : 20, 1, i, u"P" + IntToStr(i));
    Driver.SetProviderDataSet(&Provider);
    Driver.SetKeyFields(u"ID_THIS");
  }
  TMemTableEh Provider{nullptr};
  TDataDriverEh Driver{nullptr};
};

}  // namespace

TEST_F(ProviderTables, FetchRecordsThroughTheGridInterface) {
  TMemTableEh t(nullptr);
  t.SetDataDriver(&Driver);
  IMemTableEh* grid = &t;
  EXPECT_EQ(grid->FetchRecords(2), 0);  // closed
  t.Open();
  Integer before = t.RecordCount();
  EXPECT_EQ(grid->FetchRecords(2), 2);
  EXPECT_EQ(t.RecordCount(), before + 2);
  grid->FetchRecords(100);
  EXPECT_EQ(t.RecordCount(), 6);
  EXPECT_EQ(grid->FetchRecords(1), 0);
}

TEST_F(ProviderTables, EachMasterValueIsReadFromTheProviderOnce) {
  Provider.GetParams()->CreateParam(ftInteger, u"ID_THIS", ptInput);
  Integer opened = 0;
  Provider.AfterOpen = [&opened](TDataSet*) { ++opened; };
  Provider.SetOnFilterRecord([this](TDataSet* D, bool& Accept) {
    Accept =
        D->FieldByName(u"ID_PARENT")->GetAsInteger() == Provider.GetParams()->ParamByName(u"ID_THIS")->GetAsInteger();
  });
  Provider.SetFiltered(true);

  TMemTableEh master(nullptr);
  BuildResourceColumns(master.GetMemTableData());
  AddResource(master, 10, 0, 0, 1, u"G10");
  AddResource(master, 20, 0, 0, 2, u"G20");
  TDataSource source(nullptr);
  source.SetDataSet(&master);
  master.Open();

  TMemTableEh detail(nullptr);
  detail.SetDataDriver(&Driver);
  detail.SetMasterDetailSide(mdsOnSelfAfterProviderEh);
  detail.SetDetailFields(u"ID_PARENT");
  detail.SetMasterFields(u"ID_THIS");
  detail.SetMasterSource(&source);
  detail.Open();
  EXPECT_EQ(Ids(detail), (std::vector<Integer>{1, 2, 3}));
  master.Next();
  EXPECT_EQ(Ids(detail), (std::vector<Integer>{4, 5, 6}));
  master.Prior();
  EXPECT_EQ(Ids(detail), (std::vector<Integer>{1, 2, 3}));
  EXPECT_EQ(detail.GetRecordsData()->GetRecordsList()->GetCount(), 6);  // nothing read twice
  Integer openings = opened;
  master.Next();
  EXPECT_EQ(Ids(detail), (std::vector<Integer>{4, 5, 6}));
  EXPECT_EQ(opened, openings);
}

TEST(MemTableGridServices, MovingARecordInAFlatList) {
  TMemTableEh t(nullptr);
  BuildResourceColumns(t.GetMemTableData());
  for (Integer i = 1; i <= 4; ++i) AddResource(t, i, 0, 1, i, u"R");
  t.Open();
  t.SetRecNo(2);
  TBMListEh list;
  Integer row1 = 1;
  list.Append(TBookmark(&row1, sizeof(row1)));
  EXPECT_TRUE(t.MoveRecords(&list, 4, 0, true));
  EXPECT_EQ(Ids(t), (std::vector<Integer>{1, 2, 3, 4}));  // only checked
  t.SetRecNo(2);
  EXPECT_TRUE(t.MoveRecords(&list, 4, 0, false));
  EXPECT_EQ(IdOf(t), 2);  // the cursor followed its record
  EXPECT_EQ(Ids(t), (std::vector<Integer>{2, 3, 4, 1}));
  EXPECT_EQ(t.InstantReadIndexOfBookmark(list.GetItem(0)), 3);  // the bookmark follows the moved record
}

TEST(MemTableGridServices, AnExpandingHandlerMayVeto) {
  TMemTableEh t(nullptr);
  BuildResourceColumns(t.GetMemTableData());
  AddResource(t, 1, 0, 0, 1, u"G");
  AddResource(t, 2, 1, 1, 1, u"R");
  t.GetTreeList()->SetKeyFieldName(u"ID_THIS");
  t.GetTreeList()->SetRefParentFieldName(u"ID_PARENT");
  t.GetTreeList()->SetActive(true);
  t.Open();
  EXPECT_EQ(t.RecordCount(), 1);
  std::vector<Integer> asked;
  t.OnTreeNodeExpanding = [&asked](TObject*, Integer RecNo, bool& Allow) {
    asked.push_back(RecNo);
    Allow = false;
  };
  t.SetTreeNodeExpanded(0, true);
  EXPECT_EQ(t.RecordCount(), 1);
  EXPECT_EQ(asked, (std::vector<Integer>{1}));
  t.OnTreeNodeExpanding = nullptr;
  t.SetTreeNodeExpanded(0, true);
  EXPECT_EQ(t.RecordCount(), 2);
  EXPECT_TRUE(t.GetTreeNodeExpanded());
  EXPECT_TRUE(t.GetTreeNodeHasChildren());
}
