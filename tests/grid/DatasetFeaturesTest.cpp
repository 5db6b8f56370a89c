// The dataset-features registry and the base and SQL features: which object a
// dataset gets, record moving, sorting and filtering through an SQL text, and
// the find dialog hook.

#include <gtest/gtest.h>

#include "GridServicesTestSupport.h"
#include "platform/core/Filer.h"
#include "platform/core/StringList.h"

namespace {

class TDerivedTableEh : public TMemTableEh {
public:
  BORROW_COMPONENT(TDerivedTableEh, TMemTableEh)
  explicit TDerivedTableEh(TComponent* AOwner) : TMemTableEh(AOwner) {}
};
class TFurtherTableEh : public TDerivedTableEh {
public:
  BORROW_COMPONENT(TFurtherTableEh, TDerivedTableEh)
  explicit TFurtherTableEh(TComponent* AOwner) : TDerivedTableEh(AOwner) {}
};
// A class whose name differs from TDerivedTableEh's only in letter case.
class TDERIVEDTABLEEH : public TMemTableEh {
public:
  BORROW_COMPONENT(TDERIVEDTABLEEH, TMemTableEh)
  explicit TDERIVEDTABLEEH(TComponent* AOwner) : TMemTableEh(AOwner) {}
};

class TFirstFeaturesEh : public TDatasetFeaturesEh {
public:
  BORROW_CLASS(TFirstFeaturesEh, TDatasetFeaturesEh)
};
class TSecondFeaturesEh : public TDatasetFeaturesEh {
public:
  BORROW_CLASS(TSecondFeaturesEh, TDatasetFeaturesEh)
  // A descendant's initialisation runs when the registry creates it.
  TSecondFeaturesEh() { SetSortUsingFieldName(true); }
};

// An SQL-based table: its query text in a published "SQL" property.
class TQueryTableEh : public TMemTableEh {
public:
  BORROW_COMPONENT(TQueryTableEh, TMemTableEh)
  explicit TQueryTableEh(TComponent* AOwner) : TMemTableEh(AOwner) {}
  String SQL;

protected:
  void GetPropInfos(std::vector<TPropInfo>& Props) override {
    TMemTableEh::GetPropInfos(Props);
    Props.push_back(
        {u"SQL", [this](TWriter* W) { W->WriteString(SQL); }, [this](TReader* R) { SQL = R->ReadString(); }, nullptr});
  }
};

class DatasetFeatures : public ::testing::Test {
protected:
  void TearDown() override { FreeDatasetFeaturesRegistry(); }
};

}  // namespace

TEST_F(DatasetFeatures, TheNearestRegisteredAncestorWins) {
  RegisterDatasetFeaturesEh(TFirstFeaturesEh::StaticClass(), TDataSet::StaticClass());
  RegisterDatasetFeaturesEh(TSecondFeaturesEh::StaticClass(), TDerivedTableEh::StaticClass());
  TDatasetFeaturesEh* further = GetDatasetFeaturesForDataSetClass(TFurtherTableEh::StaticClass());
  ASSERT_NE(further, nullptr);
  EXPECT_EQ(further->ClassType(), TSecondFeaturesEh::StaticClass());
  EXPECT_EQ(further->GetDataSetClass(), TDerivedTableEh::StaticClass());
  EXPECT_TRUE(further->GetSortUsingFieldName());
  TMemTableEh plain(nullptr);
  EXPECT_EQ(GetDatasetFeaturesForDataSet(&plain)->ClassType(), TFirstFeaturesEh::StaticClass());
  EXPECT_EQ(GetDatasetFeaturesForDataSetClass(TStringList::StaticClass()), nullptr);
  EXPECT_EQ(GetDatasetFeaturesForDataSet(nullptr), nullptr);
}

TEST_F(DatasetFeatures, RegisteringAgainReplacesTheObjectInItsPlace) {
  RegisterDatasetFeaturesEh(TFirstFeaturesEh::StaticClass(), TDerivedTableEh::StaticClass());
  RegisterDatasetFeaturesEh(TFirstFeaturesEh::StaticClass(), TDataSet::StaticClass());
  TDatasetFeaturesEh* before = GetDatasetFeaturesForDataSetClass(TDerivedTableEh::StaticClass());
  RegisterDatasetFeaturesEh(TSecondFeaturesEh::StaticClass(), TDerivedTableEh::StaticClass());
  TDatasetFeaturesEh* after = GetDatasetFeaturesForDataSetClass(TFurtherTableEh::StaticClass());
  EXPECT_NE(after, before);
  EXPECT_EQ(after->ClassType(), TSecondFeaturesEh::StaticClass());
  // Names match without regard to case: the other spelling takes over the entry.
  RegisterDatasetFeaturesEh(TFirstFeaturesEh::StaticClass(), TDERIVEDTABLEEH::StaticClass());
  EXPECT_EQ(GetDatasetFeaturesForDataSetClass(TDERIVEDTABLEEH::StaticClass())->GetDataSetClass(),
            TDERIVEDTABLEEH::StaticClass());
  // TDerivedTableEh's entry is gone, so it falls back on TDataSet's object.
  EXPECT_EQ(GetDatasetFeaturesForDataSetClass(TDerivedTableEh::StaticClass())->GetDataSetClass(),
            TDataSet::StaticClass());
}

TEST_F(DatasetFeatures, RegisteringForNoClassAddsNoEntryAndOnlyFeaturesClassesRegister) {
  RegisterDatasetFeaturesEh(TFirstFeaturesEh::StaticClass(), nullptr);
  EXPECT_EQ(GetDatasetFeaturesForDataSetClass(TMemTableEh::StaticClass()), nullptr);
  EXPECT_THROW(RegisterDatasetFeaturesEh(TStringList::StaticClass(), TDataSet::StaticClass()), Exception);
}

TEST_F(DatasetFeatures, AFreedRegistryAnswersNothing) {
  RegisterDatasetFeaturesEh(TFirstFeaturesEh::StaticClass(), TDataSet::StaticClass());
  FreeDatasetFeaturesRegistry();
  EXPECT_EQ(GetDatasetFeaturesForDataSetClass(TMemTableEh::StaticClass()), nullptr);
}

TEST_F(DatasetFeatures, ClassDistanceCountsParentStepsToANameInAnyCase) {
  EXPECT_EQ(ClassDistanceByName(TFurtherTableEh::StaticClass(), u"TFurtherTableEh"), 0);
  EXPECT_EQ(ClassDistanceByName(TFurtherTableEh::StaticClass(), u"tmemtableeh"), 2);
  EXPECT_EQ(ClassDistanceByName(TFurtherTableEh::StaticClass(), u"TDataSet"), 4);
  EXPECT_EQ(ClassDistanceByName(TFurtherTableEh::StaticClass(), u"TStringList"), 2147483647);
}

// ---------------------------------------------------------------------------
// Record moving

namespace {

class RecordMoving : public ::testing::Test {
protected:
  void SetUp() override {
    BuildGoodsColumns(Table);
    for (Integer id = 1; id <= 6; ++id) AddGoods(Table, id, u"n" + IntToStr(id), 1.0, Null(), true);
    Table.Open();
    Grid.Source->SetDataSet(&Table);
  }
  // The bookmarks of the records with these IDs, in row order.
  void Mark(TBMListEh& List, std::initializer_list<Integer> Ids) {
    for (Integer id : Ids) {
      Table.Locate(u"ID", Variant(id), {});
      List.SetCurrentRowSelected(true);
    }
  }

  TMemTableEh Table{nullptr};
  TTestDataGrid Grid{nullptr};
  TDatasetFeaturesEh Features;
};

}  // namespace

TEST_F(RecordMoving, OneRecordMovesDownBelowTheTargetRow) {
  TTestSelectedRows rows(Grid.Source);
  Mark(rows, {2});
  EXPECT_TRUE(Features.MoveRecords(&Grid, &rows, false, 5));
  EXPECT_EQ(RowIds(Table), (std::vector<Integer>{1, 3, 4, 5, 2, 6}));
}

TEST_F(RecordMoving, OneRecordMovesUpAboveTheTargetRow) {
  TTestSelectedRows rows(Grid.Source);
  Mark(rows, {5});
  EXPECT_TRUE(Features.MoveRecords(&Grid, &rows, false, 2));
  EXPECT_EQ(RowIds(Table), (std::vector<Integer>{1, 5, 2, 3, 4, 6}));
}

TEST_F(RecordMoving, SeveralRecordsKeepTheirOrderAndAppendPastTheEnd) {
  TTestSelectedRows rows(Grid.Source);
  Mark(rows, {2, 3});
  EXPECT_TRUE(Features.MoveRecords(&Grid, &rows, false, 6));
  EXPECT_EQ(RowIds(Table), (std::vector<Integer>{1, 4, 5, 6, 2, 3}));
}

TEST_F(RecordMoving, MovedRecordsKeepTheirSelectionMarks) {
  Mark(Grid.Selected, {2, 4});
  EXPECT_TRUE(Features.MoveRecords(&Grid, &Grid.Selected, false, 1));
  EXPECT_EQ(RowIds(Table), (std::vector<Integer>{2, 4, 1, 3, 5, 6}));
  EXPECT_EQ(Grid.Selected.GetCount(), 2);
  for (Integer id : {2, 4}) {
    Table.Locate(u"ID", Variant(id), {});
    EXPECT_TRUE(Grid.Selected.GetCurrentRowSelected()) << id;
  }
}

TEST_F(RecordMoving, CheckingOnlyAnswersWhetherTheDatasetCanBeModified) {
  TTestSelectedRows rows(Grid.Source);
  Mark(rows, {2});
  EXPECT_TRUE(Features.MoveRecords(&Grid, &rows, true, 5));
  EXPECT_EQ(RowIds(Table), (std::vector<Integer>{1, 2, 3, 4, 5, 6}));
  Table.SetReadOnly(true);
  EXPECT_FALSE(Features.MoveRecords(&Grid, &rows, false, 5));
  EXPECT_EQ(RowIds(Table), (std::vector<Integer>{1, 2, 3, 4, 5, 6}));
  EXPECT_FALSE(Features.MoveRecords(nullptr, &rows, true, 5));
}

// ---------------------------------------------------------------------------
// SQL features, the text search and the find dialog hook

namespace {

class SQLFeatures : public ::testing::Test {
protected:
  void SetUp() override {
    BuildGoodsColumns(Table);
    AddGoods(Table, 1, u"Mos", 1.0, Null(), true);
    AddGoods(Table, 2, u"Kaz", 2.0, Null(), true);
    Table.Open();
    Table.SetName(u"Goods");
    Grid.Source->SetDataSet(&Table);
    for (const char16_t* name : {u"ID", u"NAME"}) Grid.AddColumn(name);
  }
  TQueryTableEh Table{nullptr};
  TTestDataGrid Grid{nullptr};
  TSQLDatasetFeaturesEh Features;
};

}  // namespace

TEST_F(SQLFeatures, ALocalFilterRowBecomesTheDatasetsFilter) {
  Grid.STFilterLocal = true;
  Grid.Column(u"NAME")->SetFilterText(u"~M%");
  Features.ApplyFilter(&Grid, &Table, true);
  EXPECT_EQ(Table.GetFilter(), u" [NAME] = 'M%' ");  // this dataset's filter has no Like
  EXPECT_TRUE(Table.GetFiltered());
  Features.SetSupportsLocalLike(true);
  Features.ApplyFilter(&Grid, &Table, true);
  EXPECT_EQ(Table.GetFilter(), u" [NAME] Like 'M%' ");
  EXPECT_EQ(RowIds(Table), (std::vector<Integer>{1}));
}

TEST_F(SQLFeatures, AServerFilterGoesIntoTheSQLTextWithTheDateWriter) {
  Table.SQL = u"SELECT *\r\n/*FILTER*/\r\n";
  Grid.Column(u"ID")->SetFilterText(u"in (1,2)");
  Features.ApplyFilter(&Grid, &Table, false);
  EXPECT_EQ(Table.SQL, u"SELECT *\r\n/*FILTER*/ ( ID IN (1,2) )\r\n");
  EXPECT_FALSE(Table.GetFiltered());
}

TEST_F(SQLFeatures, SortingLocallyIsRefusedAndOtherwiseWritesOrderBy) {
  Grid.SortLocal = true;
  try {
    Features.ApplySorting(&Grid, &Table, false);
    ADD_FAILURE() << "no error";
  } catch (const Exception& E) {
    EXPECT_EQ(E.Message(), u"TSQLDatasetFeaturesEh can not sort data in dataset \"Goods\" in local mode");
  }
  Grid.SortLocal = false;
  Grid.SortMarked = {Grid.Column(u"NAME")};
  Grid.Column(u"NAME")->SortMarker = smUpEh;
  Table.SQL = u"SELECT *";
  Features.ApplySorting(&Grid, &Table, true);
  EXPECT_EQ(Table.SQL, u"SELECT *\r\nORDER BY 2 DESC\r\n");
  EXPECT_TRUE(Table.GetActive());
  EXPECT_EQ(Features.GetSQLPropName(), u"SQL");
}

TEST_F(SQLFeatures, TheBaseFeaturesLeaveSortingAndFilteringAlone) {
  TDatasetFeaturesEh base;
  Grid.STFilterLocal = true;
  Grid.Column(u"NAME")->SetFilterText(u"=Mos");
  base.ApplyFilter(&Grid, &Table, true);
  base.ApplySorting(&Grid, &Table, true);
  EXPECT_FALSE(Table.GetFiltered());
  EXPECT_EQ(Table.SQL, String());
}

TEST_F(SQLFeatures, TheBaseLocateTextRunsTheGridTextSearch) {
  TDatasetFeaturesEh base;
  Table.First();
  Grid.SelectedIndex = 1;
  EXPECT_TRUE(base.LocateText(&Grid, u"NAME", u"kaz", ltoIgnoreCaseEh, ltdDownEh, ltmWholeEh, lttAllBranchesEh));
  EXPECT_EQ(Table.FieldByName(u"ID")->GetAsInteger(), 2);
  EXPECT_FALSE(base.LocateText(nullptr, u"NAME", u"kaz", 0, ltdAllEh, ltmWholeEh, lttAllBranchesEh));
}

namespace {

struct TFindCall {
  IDataGridEh* Grid = nullptr;
  String Text;
  size_t Columns = 99;
  bool Modal = false;
  int Count = 0;
};
TFindCall LastFind;

void RecordFind(IDataGridEh* Grid, const String& Text, const TColumnFieldsArrEh& Columns, bool Modal) {
  LastFind.Grid = Grid;
  LastFind.Text = Text;
  LastFind.Columns = Columns.size();
  LastFind.Modal = Modal;
  ++LastFind.Count;
}

}  // namespace

TEST_F(SQLFeatures, TheFindDialogOpensOnlyForADataGrid) {
  const TExecuteFindDialogProcEh saved = ExecuteFindDialogProc;
  ExecuteFindDialogProc = &RecordFind;
  LastFind = TFindCall();
  TDatasetFeaturesEh base;
  base.ExecuteFindDialog(&Grid, u"abc", u"NAME", true);
  EXPECT_EQ(LastFind.Count, 1);
  EXPECT_EQ(LastFind.Grid, static_cast<IDataGridEh*>(&Grid));
  EXPECT_EQ(LastFind.Text, u"abc");
  EXPECT_EQ(LastFind.Columns, 0u);
  EXPECT_TRUE(LastFind.Modal);
  TMemTableEh notAGrid(nullptr);
  base.ExecuteFindDialog(&notAGrid, u"abc", u"", false);
  EXPECT_EQ(LastFind.Count, 1);
  ExecuteFindDialogProc = nullptr;
  base.ExecuteFindDialog(&Grid, u"abc", u"", false);  // no dialog unit: nothing happens
  ExecuteFindDialogProc = saved;
}
