// The row notices of an in-memory table shown flat, with rows fitted to their
// records (dghAutoFitRowHeight): a tall row keeps its height as records are
// inserted, removed, changed and moved around it, and a sort measures the rows again.

#include "tests/grid/DBGridTestSupport.h"
#include "tests/grid/GridMetricsTestSupport.h"

namespace {

// "Wg" is 13 high; a row of one line is 13 + 3 + the row line.
constexpr Integer kRow = 17;

class RowNotices : public GridFixture {
protected:
  ScopedGridTextEngine Metrics;

  // Six records; the third has a name that wraps over several lines of a narrow column.
  void ShowRecordsWithOneTall() {
    for (Integer I = 1; I <= 6; ++I) AddResource(Table, I, 0, 0, I, I == 3 ? u"Длинное название ресурса" : u"Аб");
    Table.Open();
    MakeGrid();
    Grid->SetOptionsEh(Grid->GetOptionsEh() + dghAutoFitRowHeight);
    for (const char16_t* Name : {u"ID_THIS", u"NAME_THIS"}) {
      TColumnEh* Column = Grid->GetColumns()->Add();
      Column->SetFieldName(Name);
      Column->SetWidth(50);
      Column->SetWordWrap(true);
    }
    Grid->SetDataSource(&Source);
  }
  // The grid row of each data row whose height is not one line.
  std::vector<Integer> TallRows() const {
    std::vector<Integer> Rows;
    for (Integer Row = 1; Row < Grid->GetRowCount(); ++Row)
      if (Grid->GetRowHeights(Row) != kRow) Rows.push_back(Row);
    return Rows;
  }
  void GoTo(Integer Id) { ASSERT_TRUE(Table.Locate(u"ID_THIS", Variant(Id), {})); }
};

}  // namespace

TEST_F(RowNotices, ARowFittedToItsRecordIsAsHighAsItsWrappedText) {
  ShowRecordsWithOneTall();
  // 46 pixels of text room hold no two of the name's three words: three lines.
  EXPECT_EQ(TallRows(), std::vector<Integer>{3});
  EXPECT_EQ(Grid->GetRowHeights(3), 3 * 13 + 3 + 1);
  EXPECT_EQ(Grid->GetRowsExtent(1, 7), 5 * (kRow + 1) + (43 + 1));
}

TEST_F(RowNotices, InsertedAndRemovedRecordsMoveTheRowsAfterThemWithTheirHeights) {
  ShowRecordsWithOneTall();
  GoTo(2);
  Table.Insert();  // before the second record
  Table.FieldByName(u"ID_THIS")->SetAsInteger(7);
  Table.Post();
  EXPECT_EQ(Grid->GetRowCount(), 8);
  EXPECT_EQ(TallRows(), std::vector<Integer>{4});
  Table.First();
  Table.Delete();
  Table.Delete();
  EXPECT_EQ(Grid->GetRowCount(), 6);
  EXPECT_EQ(TallRows(), std::vector<Integer>{2});
}

TEST_F(RowNotices, AChangedRecordMeasuresItsRowAgain) {
  ShowRecordsWithOneTall();
  GoTo(3);
  Table.Edit();
  Table.FieldByName(u"NAME_THIS")->SetAsString(u"Коротко");
  Table.Post();
  EXPECT_TRUE(TallRows().empty());
  GoTo(5);
  Table.Edit();
  Table.FieldByName(u"NAME_THIS")->SetAsString(u"Снова очень длинное имя");
  Table.Post();
  EXPECT_EQ(TallRows(), std::vector<Integer>{5});
}

TEST_F(RowNotices, ARecordMovedByTheSortOrderTakesItsHeightToItsNewRow) {
  ShowRecordsWithOneTall();
  Table.SetSortOrder(u"NPP");
  GoTo(3);
  Table.Edit();
  Table.FieldByName(u"NPP")->SetAsInteger(50);  // now the last by NPP
  Table.Post();
  EXPECT_EQ(Ids(Table), (std::vector<Integer>{1, 2, 4, 5, 6, 3}));
  EXPECT_EQ(TallRows(), std::vector<Integer>{6});
}

TEST_F(RowNotices, ASortMeasuresEveryRowInItsNewOrder) {
  ShowRecordsWithOneTall();
  Table.SetSortOrder(u"ID_THIS DESC");
  EXPECT_EQ(TallRows(), std::vector<Integer>{4});
  Table.SetFilterText(u"ID_THIS > 2");
  Table.SetFiltered(true);
  EXPECT_EQ(Grid->GetRowCount(), 5);
  EXPECT_EQ(TallRows(), std::vector<Integer>{4});
}

TEST_F(RowNotices, WithoutFittingEveryRowIsOneLineHighAndTheHeightsAreOneRun) {
  ShowRecordsWithOneTall();
  Grid->SetOptionsEh(Grid->GetOptionsEh() - dghAutoFitRowHeight);
  EXPECT_TRUE(TallRows().empty());
  EXPECT_EQ(Grid->GetRowHeightsStore().RunCount(), 1);
  Grid->OnGetRowHeight = [](TCustomDBGridEh*, Integer& Height) { Height = 30; };
  Grid->DataRowHeightsChanged();
  EXPECT_EQ(TallRows().size(), 6u);
  EXPECT_EQ(Grid->GetRowHeights(6), 30);
}

TEST_F(RowNotices, ATreeIgnoresRowNoticesAndKeepsOneHeight) {
  ShowRecordsWithOneTall();
  ShowAsExpandedTree(Table);
  EXPECT_EQ(Grid->GetRowCount(), 7);
  EXPECT_TRUE(TallRows().empty());
  Grid->DataRowChanged(0, mtdcInsertedEh, -1);
  EXPECT_EQ(Grid->GetRowCount(), 7);
}
