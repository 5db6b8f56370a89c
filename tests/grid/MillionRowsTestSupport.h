#pragma once
// A grid over an in-memory table of 1,000,000 records shown as an expanded tree
// (10,000 groups of 99 records), 600 x 400 pixels with exact font metrics; the
// table notes every row it is asked to read, so a test can tell that a step
// read only the rows the window shows.

#include <set>

#include "tests/grid/DBGridTestSupport.h"
#include "tests/grid/GridMetricsTestSupport.h"

namespace {

constexpr Integer kGroups = 10000;
constexpr Integer kPerGroup = 99;
constexpr Integer kRecords = kGroups * (kPerGroup + 1);

// A table that notes the rows read from it: by instant read and into the cursor's buffers.
class TCountingTable : public TMemTableEh {
public:
  using TMemTableEh::TMemTableEh;
  std::set<Integer> RowsRead;
  Integer BufferReads = 0;
  void InstantReadEnter(Integer RowNum) override {
    RowsRead.insert(RowNum);
    TMemTableEh::InstantReadEnter(RowNum);
  }
  void ResetCounts() {
    RowsRead.clear();
    BufferReads = 0;
  }

protected:
  TGetResult GetRecord(TRecordBuffer Buffer, TGetMode GetMode, bool DoCheck) override {
    ++BufferReads;
    return TMemTableEh::GetRecord(Buffer, GetMode, DoCheck);
  }
};

class MillionRows : public ::testing::Test {
protected:
  THeadlessDisplay Display;
  GridUnits Units;
  ScopedGridTextEngine Metrics;
  TCountingTable Table{nullptr};
  TDataSource Source{nullptr};
  TForm* Form = nullptr;
  TDBGridEh* Grid = nullptr;

  void SetUp() override {
    TMemTableDataEh* Store = Table.GetMemTableData();
    BuildResourceColumns(Store);
    for (Integer I = 0; I < Store->GetDataStruct()->GetCount(); ++I)
      Store->GetDataStruct()->GetItem(I)->SetVisible(true);
    // Straight into the store, groups first: each record finds its parent as it comes.
    TRecordsListEh* List = Store->GetRecordsList();
    List->BeginUpdate();
    for (Integer I = 0; I < kRecords; ++I) {
      const bool Group = I < kGroups;
      TMemoryRecordEh* R = List->NewRecord();
      R->SetValue(0, rvvValueEh, Variant(I + 1));
      R->SetValue(1, rvvValueEh, Group ? Null() : Variant(1 + I % kGroups));
      R->SetValue(2, rvvValueEh, Variant(Group ? 0 : 1));
      R->SetValue(3, rvvValueEh, Variant(I % 100));
      R->SetValue(4, rvvValueEh, Variant(u"Р" + IntToStr(I + 1)));
      List->LoadRecord(R);
    }
    List->EndUpdate();
    Table.GetIndexDefs()->Add(u"KEY", u"ID_THIS", {ixUnique});
    Table.GetIndexDefs()->Add(u"PARENT", u"ID_PARENT", {});
    Table.GetTreeList()->SetKeyFieldName(u"ID_THIS");
    Table.GetTreeList()->SetRefParentFieldName(u"ID_PARENT");
    Table.GetTreeList()->SetDefaultNodeExpanded(true);
    Table.GetTreeList()->SetActive(true);
    Table.Open();
    Source.SetDataSet(&Table);

    Form = new TForm(Application);
    Form->SetBorderStyle(bsNone);
    Form->SetBounds(0, 0, 600, 400);
    Grid = new TDBGridEh(Form);
    Grid->SetParent(Form);
    Grid->SetBorderStyle(bsNone);
    Grid->SetBounds(0, 0, 600, 400);
    Form->Show();
    Grid->SetDataSource(&Source);
    Display.ProcessMessages();
  }
  void TearDown() override { delete Form; }

  Integer DataRows() const { return Grid->GetRowCount() - Grid->GetFixedRows(); }
  // The rows the window shows, the partly shown last one included.
  Integer RowsOnScreen() const { return Grid->GetVisibleRowCount() + 1; }
  // Every row read lies in the window (rows are counted from 0, grid rows from the title).
  void ExpectOnlyRowsOnScreenRead() {
    ASSERT_FALSE(Table.RowsRead.empty());
    EXPECT_LE(Integer(Table.RowsRead.size()), RowsOnScreen());
    EXPECT_GE(*Table.RowsRead.begin() + 1, Grid->GetTopRow());
    EXPECT_LT(*Table.RowsRead.rbegin() + 1, Grid->GetTopRow() + RowsOnScreen());
    EXPECT_LE(Table.BufferReads, 4);
  }
  void ExpectWindowFullAndBarAtTop() {
    EXPECT_LE(Grid->GetTopRow(), Grid->LastTopRow());
    const TGridScrollBarParamsEh Bar = Grid->GetVertScrollBarParams();
    EXPECT_EQ(Bar.Max, DataRows());
    EXPECT_EQ(Bar.Pos, Grid->GetTopRow());
    EXPECT_GE(Grid->GetRow(), Grid->GetTopRow());
    EXPECT_LT(Grid->GetRow(), Grid->GetTopRow() + RowsOnScreen());
  }
};

}  // namespace
