// The in-memory table's dataset features under a data grid: the grid's sort
// markers order the table, its filter row filters it, locally or on the side
// of the table's data driver.

#include "DBGridTestSupport.h"
#include "grid/DBGridEhGrouping.h"
#include "memtable/DataDriverEh.h"

namespace {

class MTEFeatures : public GridFixture {
protected:
  TColumnEh* Column(const String& FieldName) { return Grid->FindColumnByFieldName(FieldName); }
  void Mark(const String& FieldName, TSortMarkerEh Marker) { Column(FieldName)->GetTitle()->SetSortMarker(Marker); }
  void ShowSortable() {
    ShowResources();
    Grid->SetOptionsEh(Grid->GetOptionsEh() + TDBGridEhOptions{dghAutoSortMarking, dghMultiSortMarking});
  }
  void Filter(const String& FieldName, const String& Text) { Column(FieldName)->GetSTFilter()->SetExpressionStr(Text); }
};

// A driver whose select command is an SQL text kept in the driver.
class TTextDataDriver : public TDataDriverEh {
public:
  TTextDataDriver() : TDataDriverEh(nullptr) {}
  String SelectText;
  bool HasDriverSelectCommand() const override { return true; }
  String GetDriverSelectText() const override { return SelectText; }
  void SetDriverSelectText(const String& Value) override { SelectText = Value; }
};

}  // namespace

TEST(MTEFeaturesUnit, TheUnitsStartRegistersTheFeaturesForEveryInMemoryTable) {
  GridUnits Units;
  TMemTableEh Table(nullptr);
  EXPECT_NE(dynamic_cast<TMTEDatasetFeaturesEh*>(GetDatasetFeaturesForDataSet(&Table)), nullptr);
  TMTEDatasetFeaturesEh Features;
  EXPECT_TRUE(Features.GetSupportsLocalLike());
}

TEST(MTEFeaturesUnit, FieldNamesWithBlanksCommasOrSemicolonsAreBracketed) {
  EXPECT_EQ(BracketFieldNameEh(u"NAME_THIS"), u"NAME_THIS");
  EXPECT_EQ(BracketFieldNameEh(u"Имя ресурса"), u"[Имя ресурса]");
  EXPECT_EQ(BracketFieldNameEh(u"A,B"), u"[A,B]");
  EXPECT_EQ(BracketFieldNameEh(u"A;B"), u"[A;B]");
}

// ---- Sorting ------------------------------------------------------------------------------------------

TEST_F(MTEFeatures, TheOrderTextListsMarkedColumnsInMarkingOrderWithDescForUp) {
  ShowSortable();
  EXPECT_EQ(BuildMTEOrderTextEh(Grid), u"");
  Mark(u"NAME_THIS", smUpEh);
  Mark(u"ID_TYPE", smDownEh);
  EXPECT_EQ(BuildMTEOrderTextEh(Grid), u"NAME_THIS  DESC,ID_TYPE ");
}

TEST_F(MTEFeatures, AMarkedColumnOrdersTheTableAndTheTablesSortOrderStays) {
  ShowSortable();
  Mark(u"NAME_THIS", smDownEh);
  Grid->SortMarkingChanged();
  EXPECT_EQ(Ids(Table), (std::vector<Integer>{21, 20, 10, 12, 11, 22}));
  Mark(u"NAME_THIS", smUpEh);
  Grid->SortMarkingChanged();
  EXPECT_EQ(Ids(Table), (std::vector<Integer>{22, 11, 12, 10, 20, 21}));
  EXPECT_EQ(Table.GetSortOrder(), u"");
}

TEST_F(MTEFeatures, TwoMarkedColumnsSortByTheFirstMarkedThenTheSecond) {
  ShowSortable();
  Mark(u"ID_TYPE", smDownEh);
  Mark(u"NAME_THIS", smUpEh);
  Grid->SortMarkingChanged();
  EXPECT_EQ(Ids(Table), (std::vector<Integer>{10, 20, 21, 22, 11, 12}));
}

TEST_F(MTEFeatures, GroupingLevelsSortBeforeTheMarkedColumns) {
  ShowSortable();
  TDBGridEhDataGroupsEh* Groups = Grid->GetDataGrouping();
  TGridDataGroupLevelEh* Level = Groups->GetGroupLevels()->Add();
  Level->SetColumn(Column(u"ID_TYPE"));
  Level->SetSortOrder(soDescEh);
  Groups->SetActive(true);
  ASSERT_TRUE(Groups->IsGroupingWorks());
  Mark(u"NAME_THIS", smDownEh);
  EXPECT_EQ(BuildMTEOrderTextEh(Grid), u"ID_TYPE  DESC,NAME_THIS ");
  Grid->SortMarkingChanged();
  EXPECT_EQ(Ids(Table), (std::vector<Integer>{12, 11, 22, 21, 20, 10}));
  Groups->SetActive(false);
  EXPECT_EQ(BuildMTEOrderTextEh(Grid), u"NAME_THIS ");
}

TEST_F(MTEFeatures, ATableWithoutDataDriverSortsItselfWhenTheGridSortsOnTheServerSide) {
  ShowSortable();
  ASSERT_FALSE(Grid->GetSortLocal());
  Mark(u"NAME_THIS", smDownEh);
  EXPECT_NO_THROW(Grid->SortMarkingChanged());
  EXPECT_EQ(Ids(Table), (std::vector<Integer>{21, 20, 10, 12, 11, 22}));
}

TEST_F(MTEFeatures, NoMarkedColumnLeavesTheRecordsInTheirOrder) {
  ShowSortable();
  Mark(u"NAME_THIS", smDownEh);
  Grid->SortMarkingChanged();
  Mark(u"NAME_THIS", smNoneEh);
  Grid->SortMarkingChanged();
  EXPECT_EQ(Ids(Table), (std::vector<Integer>{21, 20, 10, 12, 11, 22}));
}

TEST_F(MTEFeatures, ATreeIsSortedWithinEachParent) {
  ShowAsExpandedTree(Table);
  ShowSortable();
  Mark(u"NAME_THIS", smDownEh);
  Grid->SortMarkingChanged();
  EXPECT_EQ(Ids(Table), (std::vector<Integer>{20, 21, 22, 10, 12, 11}));
}

TEST_F(MTEFeatures, SortingWithoutAutoSortMarkingAsksNothingOfTheTable) {
  ShowResources();
  Mark(u"NAME_THIS", smDownEh);
  Grid->SortMarkingChanged();
  EXPECT_EQ(Ids(Table), (std::vector<Integer>{10, 11, 12, 20, 21, 22}));
}

TEST_F(MTEFeatures, TheCentersSortingEventReplacesTheTablesSorting) {
  ShowSortable();
  Integer Calls = 0;
  Grid->GetCenter()->OnApplySorting = [&](TDBGridEhCenter*, TCustomDBGridEh* G, bool IsReopen) {
    EXPECT_EQ(G, Grid);
    EXPECT_TRUE(IsReopen);
    ++Calls;
  };
  Mark(u"NAME_THIS", smDownEh);
  Grid->SortMarkingChanged();
  EXPECT_EQ(Calls, 1);
  EXPECT_EQ(Ids(Table), (std::vector<Integer>{10, 11, 12, 20, 21, 22}));
}

// ---- Server-side sorting and filtering through a data driver ------------------------------------------

namespace {

// A provider of its own class, whose features record the filters asked of them
// and filter it as they are told.
class TProviderTable : public TMemTableEh {
public:
  BORROW_COMPONENT(TProviderTable, TMemTableEh)
  explicit TProviderTable(TComponent* AOwner) : TMemTableEh(AOwner) {}
};

class TProviderFeatures : public TDatasetFeaturesEh {
public:
  BORROW_CLASS(TProviderFeatures, TDatasetFeaturesEh)
  std::vector<std::pair<TComponent*, TDataSet*>> Filtered;
  bool LastIsReopen = true;
  void ApplyFilter(TComponent* Grid, TDataSet* DataSet, bool IsReopen) override {
    Filtered.emplace_back(Grid, DataSet);
    LastIsReopen = IsReopen;
    String Text;
    BuildGridFilterText(dynamic_cast<IDataGridEh*>(Grid), &BuildDataSetFilterCondition, nullptr, Text, true, false);
    DataSet->SetFilter(Text);
    DataSet->SetFiltered(true);
  }
};

class MTEFeaturesWithDriver : public MTEFeatures {
protected:
  TProviderTable Provider{nullptr};
  TDataDriverEh Driver{nullptr};
  TMemTableEh DriverTable{nullptr};
  TDataSource DriverSource{nullptr};

  void ShowDriverTable() {
    BuildResourceColumns(Provider.GetMemTableData());
    AddResourceTree(Provider);
    Provider.Open();
    Driver.SetProviderDataSet(&Provider);
    DriverTable.SetDataDriver(&Driver);
    DriverTable.SetFetchAllOnOpen(true);
    DriverTable.Open();
    for (Integer I = 0; I < DriverTable.GetFieldCount(); ++I) DriverTable.GetFields()->GetField(I)->SetVisible(true);
    DriverSource.SetDataSet(&DriverTable);
    MakeGrid();
    Grid->SetOptionsEh(Grid->GetOptionsEh() + dghAutoSortMarking);
    Grid->SetDataSource(&DriverSource);
    Display.ProcessMessages();
  }
};

}  // namespace

TEST_F(MTEFeaturesWithDriver, ServerSideSortingSortsTheProviderAndReadsTheTableAgain) {
  ShowDriverTable();
  Mark(u"NAME_THIS", smUpEh);
  Grid->SortMarkingChanged();
  EXPECT_EQ(Ids(Provider), (std::vector<Integer>{22, 11, 12, 10, 20, 21}));
  EXPECT_TRUE(DriverTable.GetActive());
  EXPECT_EQ(Ids(DriverTable), (std::vector<Integer>{22, 11, 12, 10, 20, 21}));
}

TEST_F(MTEFeaturesWithDriver, ServerSideFilteringIsHandedToTheProvidersFeaturesAndTheTableIsReadAgain) {
  RegisterDatasetFeaturesEh(TProviderFeatures::StaticClass(), TProviderTable::StaticClass());
  auto* Features = dynamic_cast<TProviderFeatures*>(GetDatasetFeaturesForDataSet(&Provider));
  ASSERT_NE(Features, nullptr);
  ShowDriverTable();
  Filter(u"ID_TYPE", u"=1");
  Grid->ApplyFilterRow();
  ASSERT_EQ(Features->Filtered.size(), 1u);
  EXPECT_EQ(Features->Filtered[0].first, Grid);
  EXPECT_EQ(Features->Filtered[0].second, &Provider);
  EXPECT_FALSE(Features->LastIsReopen);
  EXPECT_FALSE(DriverTable.GetFiltered());
  EXPECT_EQ(Ids(DriverTable), (std::vector<Integer>{11, 12, 22}));
}

TEST_F(MTEFeaturesWithDriver, ALocalFilterRowFiltersTheTableItselfEvenWithADriver) {
  ShowDriverTable();
  Grid->GetSTFilter()->SetLocal(true);
  Filter(u"ID_TYPE", u"=1");
  Grid->ApplyFilterRow();
  EXPECT_FALSE(Provider.GetFiltered());
  EXPECT_EQ(Ids(DriverTable), (std::vector<Integer>{11, 12, 22}));
}

TEST_F(MTEFeatures, ServerSideFilteringOfATableWithoutDriverIsRefused) {
  ShowResources();
  Filter(u"ID_TYPE", u"=1");
  try {
    Grid->ApplyFilterRow();
    FAIL() << "no error";
  } catch (const Exception& E) {
    EXPECT_EQ(E.Message(), u"MemTableEh.DataDriver is empty");
  }
  EXPECT_FALSE(Table.GetFiltered());
  EXPECT_EQ(Ids(Table).size(), 6u);
}

TEST_F(MTEFeatures, TheDriversSelectTextGetsTheOrderByLineReplacedNotAdded) {
  TTextDataDriver Driver;
  Driver.SelectText = u"SELECT * FROM RES\r\nWHERE\r\n/*FILTER*/\r\norder by 1\r\n";
  MakeGrid();
  for (const char16_t* Name : {u"NAME_THIS", u"NPP"}) Grid->GetColumns()->Add()->SetFieldName(Name);
  Grid->SetOptionsEh(Grid->GetOptionsEh() + TDBGridEhOptions{dghAutoSortMarking, dghMultiSortMarking});
  Grid->SetDataSource(&Source);
  Table.SetDataDriver(&Driver);
  Mark(u"NAME_THIS", smUpEh);
  Mark(u"NPP", smDownEh);
  Grid->SortMarkingChanged();
  EXPECT_EQ(Driver.SelectText, u"SELECT * FROM RES\r\nWHERE\r\n/*FILTER*/\r\nORDER BY NAME_THIS DESC, NPP\r\n");
  Mark(u"NAME_THIS", smNoneEh);
  Mark(u"NPP", smNoneEh);
  Grid->SortMarkingChanged();
  EXPECT_EQ(Driver.SelectText, u"SELECT * FROM RES\r\nWHERE\r\n/*FILTER*/\r\n\r\n");
  Table.Close();
  Table.SetDataDriver(nullptr);
}

TEST_F(MTEFeatures, TheDriversSelectTextGetsTheFilterInItsMarkerLineOnly) {
  TTextDataDriver Driver;
  Driver.SelectText = u"SELECT * FROM RES\r\nWHERE\r\n/*filter*/ old\r\n";
  ShowResources();
  Filter(u"ID_TYPE", u"=1");
  Filter(u"NAME_THIS", u"Ар");
  Table.SetDataDriver(&Driver);
  Grid->ApplyFilterRow();
  EXPECT_EQ(Driver.SelectText,
            u"SELECT * FROM RES\r\nWHERE\r\n/*FILTER*/ ( ID_TYPE = 1 AND  NAME_THIS LIKE 'Ар' )\r\n");
  Driver.SelectText = u"SELECT * FROM RES\r\n";
  Grid->ApplyFilterRow();
  EXPECT_EQ(Driver.SelectText, u"SELECT * FROM RES\r\n");
  Filter(u"ID_TYPE", String());
  Filter(u"NAME_THIS", String());
  Driver.SelectText = u"/*FILTER*/";
  Grid->ApplyFilterRow();
  EXPECT_EQ(Driver.SelectText, u"/*FILTER*/ (1=1)\r\n");
  Table.Close();
  Table.SetDataDriver(nullptr);
}

// ---- Filtering ------------------------------------------------------------------------------------------

TEST_F(MTEFeatures, AFilterRowConditionAppliedSetsTheTablesFilterAndTheRowsShown) {
  ShowResources();
  Grid->GetSTFilter()->SetLocal(true);
  Filter(u"NAME_THIS", u"~ 'Ар%'");
  Grid->ApplyFilterRow();
  EXPECT_EQ(Table.GetFilter(), u" [NAME_THIS] Like 'Ар%' ");
  EXPECT_TRUE(Table.GetFiltered());
  EXPECT_EQ(Ids(Table), (std::vector<Integer>{20, 21}));
  EXPECT_EQ(Grid->GetRowCount() - Grid->GetTitleRowCount(), 2);
}

TEST_F(MTEFeatures, FiltersOfSeveralColumnsCombine) {
  ShowResources();
  Grid->GetSTFilter()->SetLocal(true);
  Filter(u"ID_TYPE", u"=0");
  Filter(u"NPP", u">=2 OR <1");
  Grid->ApplyFilterRow();
  EXPECT_EQ(Ids(Table), (std::vector<Integer>{20}));
  Filter(u"NPP", String());
  Grid->ApplyFilterRow();
  EXPECT_EQ(Ids(Table), (std::vector<Integer>{10, 20, 21}));
}

TEST_F(MTEFeatures, AFilteredTreeStaysATreeWithTheParentsOfMatchingRecords) {
  ShowAsExpandedTree(Table);
  ShowResources();
  Grid->GetSTFilter()->SetLocal(true);
  Filter(u"NAME_THIS", u"Фонд");
  Grid->ApplyFilterRow();
  EXPECT_EQ(Ids(Table), (std::vector<Integer>{20, 21, 22}));
  Table.First();
  EXPECT_EQ(Table.GetTreeNodeLevel(), 1);
  Table.Last();
  EXPECT_EQ(Table.GetTreeNodeLevel(), 3);
  EXPECT_TRUE(Table.IsTreeList());
}

TEST_F(MTEFeatures, ApplyingTheFilterRowKeepsTheLeftColumnAndRepaintsEvenWhenItFails) {
  ShowResources();
  Grid->GetSTFilter()->SetLocal(true);
  Grid->OnApplyFilter = [](TObject*) { throw Exception(u"refused"); };
  EXPECT_THROW(Grid->ApplyFilterRow(), Exception);
  Integer Applied = 0;
  Grid->OnApplyFilter = [&](TObject* Sender) {
    EXPECT_EQ(Sender, Grid);
    ++Applied;
  };
  Filter(u"ID_TYPE", u"=1");
  Grid->ApplyFilterRow();
  EXPECT_EQ(Applied, 1);
  EXPECT_FALSE(Table.GetFiltered());
}
