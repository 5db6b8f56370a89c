// A record appended to an in-memory table shown by a grid: the table announces
// the new row past the last one, where the record lands, whatever row was
// current, so the rows fitted to their records and the grouped rows stay with
// their records while the new one is edited, posted or given up.

#include "grid/DBGridEhGrouping.h"
#include "tests/grid/DBGridTestSupport.h"
#include "tests/grid/GridMetricsTestSupport.h"

namespace {

// "Wg" is 13 high; a row of one line is 13 + 3 + the row line.
constexpr Integer kRow = 17;

class AppendNotices : public GridFixture {
protected:
  ScopedGridTextEngine Metrics;
  ChangeRecorder Recorder;

  // Six records, the third with a name that wraps over three lines of a narrow
  // column; the rows fitted to their records.
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
    Display.ProcessMessages();
  }
  std::vector<Integer> TallRows() const {
    std::vector<Integer> Rows;
    for (Integer Row = 1; Row < Grid->GetRowCount(); ++Row)
      if (Grid->GetRowHeights(Row) != kRow) Rows.push_back(Row);
    return Rows;
  }
  void GoTo(Integer Id) { ASSERT_TRUE(Table.Locate(u"ID_THIS", Variant(Id), {})); }
};

}  // namespace

TEST_F(AppendNotices, AnAppendIsAnnouncedAtTheRowPastTheLastWhicheverRowWasCurrent) {
  ShowRecordsWithOneTall();
  Table.AddLinkedComponent(&Recorder);
  for (Integer Current : {1, 4, 6}) {
    GoTo(Current);
    Recorder.Take();
    Table.Append();
    EXPECT_EQ(Recorder.Take(), (std::vector<std::string>{"6/0/-1"})) << "from record " << Current;
    Table.Cancel();
    EXPECT_EQ(Recorder.Take(), (std::vector<std::string>{"6/2/-1"})) << "from record " << Current;
  }
  GoTo(2);
  Recorder.Take();
  Table.Append();
  Table.FieldByName(u"ID_THIS")->SetAsInteger(7);
  Table.Post();
  // The posted record joins past the announced row, which is then withdrawn.
  EXPECT_EQ(Recorder.Take(), (std::vector<std::string>{"6/0/-1", "7/0/-1", "6/2/-1"}));
  EXPECT_EQ(Ids(Table), (std::vector<Integer>{1, 2, 3, 4, 5, 6, 7}));
  Table.RemoveLinkedComponent(&Recorder);
}

TEST_F(AppendNotices, RowsFittedToTheirRecordsStayInPlaceWhileARecordIsAppended) {
  ShowRecordsWithOneTall();
  GoTo(2);
  Table.Append();
  EXPECT_EQ(Grid->GetRowCount(), 8);
  EXPECT_EQ(TallRows(), std::vector<Integer>{3});
  Table.FieldByName(u"ID_THIS")->SetAsInteger(7);
  Table.FieldByName(u"NAME_THIS")->SetAsString(u"Ещё одно длинное название");
  Table.Post();
  EXPECT_EQ(Grid->GetRowCount(), 8);
  EXPECT_EQ(TallRows(), (std::vector<Integer>{3, 7}));

  GoTo(1);
  Table.Append();
  Table.Cancel();
  EXPECT_EQ(Grid->GetRowCount(), 8);
  EXPECT_EQ(TallRows(), (std::vector<Integer>{3, 7}));
}

TEST_F(AppendNotices, AGroupedGridKeepsItsRecordsWhileARecordIsAppended) {
  for (Integer I = 1; I <= 4; ++I) AddResource(Table, I, 0, I % 2, I, u"Р" + IntToStr(I));
  Table.Open();
  MakeGrid();
  Grid->SetDataSource(&Source);
  TGridDataGroupsEh* Groups = Grid->GetDataGrouping();
  Groups->SetDefaultStateExpanded(true);
  Groups->GetGroupLevels()->Add()->SetColumn(Grid->FindColumnByFieldName(u"ID_TYPE"));
  Groups->SetActive(true);
  TGridGroupDataTreeEh* Tree = Groups->GetGroupDataTree();
  auto RecordsUnderGroups = [&] {
    std::vector<Integer> Indexes;
    for (Integer I = 0; I < Tree->GetFlatCount(); ++I)
      if (!Tree->GetFlatNode(I)->IsGroup()) Indexes.push_back(Tree->GetFlatNode(I)->GetRecIndex());
    return Indexes;
  };
  ASSERT_EQ(RecordsUnderGroups(), (std::vector<Integer>{1, 3, 0, 2}));

  GoTo(3);
  Table.Append();
  Table.FieldByName(u"ID_THIS")->SetAsInteger(5);
  Table.FieldByName(u"ID_TYPE")->SetAsInteger(1);
  Table.Post();
  EXPECT_EQ(RecordsUnderGroups(), (std::vector<Integer>{1, 3, 0, 2, 4}));
  for (Integer I = 0; I < 5; ++I) {
    ASSERT_NE(Tree->FindRecordNode(I), nullptr) << I;
    EXPECT_EQ(VarArrayGet(Tree->FindRecordNode(I)->GetKeyValues(), 0).AsInteger(), (I + 1) % 2) << I;
  }
}
