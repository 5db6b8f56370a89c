// The grid follows its table through the data link: opening builds the columns,
// closing drops them, scrolls move the current row, inserts and deletes change
// the row count, field changes re-lay the grid out, and tree mode shows the nodes.

#include "DBGridTestSupport.h"

namespace {

class DataLinkFollows : public GridFixture {};

}  // namespace

TEST_F(DataLinkFollows, OpeningTheTableBuildsOneColumnPerFieldAndOneRowPerRecord) {
  MakeGrid();
  Grid->SetDataSource(&Source);
  EXPECT_EQ(Grid->GetColumns()->GetCount(), 1);  // an empty grid still has a column
  AddResourceTree(Table);
  Table.Open();
  EXPECT_EQ(FieldNamesOf(Grid), (std::vector<String>{u"ID_THIS", u"ID_PARENT", u"ID_TYPE", u"NPP", u"NAME_THIS"}));
  EXPECT_EQ(Grid->GetColumns()->GetState(), csDefault);
  EXPECT_EQ(Grid->GetColCount(), 6);
  EXPECT_EQ(Grid->GetFixedCols(), 1);
  EXPECT_EQ(Grid->GetRowCount(), 7);  // the title row and six records
  EXPECT_EQ(Grid->GetFixedRows(), 1);
  EXPECT_EQ(Grid->GetRow(), 1);
  EXPECT_NE(Grid->GetMemTableIntf(), nullptr);
}

TEST_F(DataLinkFollows, ClosingTheTableDropsTheDefaultColumns) {
  ShowResources();
  Table.Close();
  EXPECT_EQ(Grid->GetMemTableIntf(), nullptr);
  EXPECT_EQ(Grid->GetColumns()->GetCount(), 1);
  EXPECT_EQ(Grid->GetColumns()->Items(0)->GetFieldName(), u"");
  EXPECT_EQ(Grid->GetRowCount(), 2);
}

TEST_F(DataLinkFollows, ScrollingTheTableMovesTheCurrentRow) {
  ShowResources();
  Table.Next();
  Table.Next();
  EXPECT_EQ(Grid->GetRow(), 3);
  Table.Last();
  EXPECT_EQ(Grid->GetRow(), 6);
  Table.First();
  EXPECT_EQ(Grid->GetRow(), 1);
}

TEST_F(DataLinkFollows, InsertingAndDeletingRecordsChangesTheRowCount) {
  ShowResources();
  Table.Append();
  Table.FieldByName(u"ID_THIS")->SetAsInteger(30);
  Table.Post();
  EXPECT_EQ(Grid->GetRowCount(), 8);
  EXPECT_EQ(Grid->GetRow(), 7);
  Table.First();
  Table.Delete();
  Table.Delete();
  EXPECT_EQ(Grid->GetRowCount(), 6);
  EXPECT_EQ(Grid->GetRow(), 1);
}

namespace {

// A grid that notes the calls its data link makes.
class TRecordingGrid : public TDBGridEh {
public:
  using TDBGridEh::TDBGridEh;
  std::vector<TField*> EditTextNotices;
  std::vector<Integer> Scrolls;
  Integer DataChanges = 0;
  Integer UpdateDataCalls = 0;
  std::function<void()> DuringUpdateData;
  void EditTextChanged(TField* Field) override {
    EditTextNotices.push_back(Field);
    TDBGridEh::EditTextChanged(Field);
  }
  void DataScrolled(Integer Distance) override {
    Scrolls.push_back(Distance);
    TDBGridEh::DataScrolled(Distance);
  }
  void DataChanged() override {
    ++DataChanges;
    TDBGridEh::DataChanged();
  }
  void UpdateData() override {
    ++UpdateDataCalls;
    if (DuringUpdateData) DuringUpdateData();
  }
};

class DataLinkNotices : public GridFixture {
protected:
  TRecordingGrid* Recording = nullptr;
  void SetUp() override {
    GridFixture::SetUp();
    AddResourceTree(Table);
    Table.Open();
    MakeGrid();
    Recording = new TRecordingGrid(Form);
    Recording->SetParent(Form);
    Recording->SetBounds(0, 0, 300, 200);
    Recording->SetDataSource(&Source);
    Display.ProcessMessages();
  }
};

}  // namespace

TEST_F(DataLinkNotices, AChangedFieldValueReachesTheGridAsThatField) {
  TField* Name = Table.FieldByName(u"NAME_THIS");
  Table.Edit();
  Name->SetAsString(u"Новое");
  ASSERT_FALSE(Recording->EditTextNotices.empty());
  EXPECT_EQ(Recording->EditTextNotices.back(), Name);
  Table.Post();
  EXPECT_EQ(Recording->GetColumns()->Items(4)->GetDisplayText(), u"Новое");
}

TEST_F(DataLinkNotices, ChangingAFieldsLabelRetitlesItsDefaultColumn) {
  Table.FieldByName(u"NPP")->SetDisplayLabel(u"Порядок");
  EXPECT_EQ(Recording->GetColumns()->Items(3)->GetTitle()->GetCaption(), u"Порядок");
  // A default column's caption is the field's label: setting it changes the label.
  Recording->GetColumns()->Items(3)->GetTitle()->SetCaption(u"№");
  EXPECT_EQ(Table.FieldByName(u"NPP")->GetDisplayLabel(), u"№");
  EXPECT_FALSE(Recording->GetColumns()->Items(3)->GetTitle()->IsCaptionStored());
}

TEST_F(DataLinkNotices, ScrollsKeepAPendingEditButOtherNoticesDropIt) {
  TGridDataLinkEh* Link = Recording->GetDataLink();
  Link->Modified();
  Table.Next();
  EXPECT_FALSE(Recording->Scrolls.empty());
  EXPECT_TRUE(Link->GetModified());
  Table.Refresh();
  EXPECT_GT(Recording->DataChanges, 0);
  EXPECT_FALSE(Link->GetModified());
  Link->Modified();
  Table.Edit();
  Table.FieldByName(u"NPP")->SetAsInteger(9);
  EXPECT_FALSE(Link->GetModified());
  Table.Cancel();
}

TEST_F(DataLinkNotices, WritingBackRunsOnlyForAModifiedCellAndNeverWithinItself) {
  TGridDataLinkEh* Link = Recording->GetDataLink();
  Link->UpdateData();
  EXPECT_EQ(Recording->UpdateDataCalls, 0);
  Link->Modified();
  Recording->DuringUpdateData = [Link] {
    Link->Modified();
    Link->UpdateData();  // the write-back asking for itself again does nothing
  };
  Link->UpdateData();
  EXPECT_EQ(Recording->UpdateDataCalls, 1);
  EXPECT_FALSE(Link->GetModified());
}

TEST_F(DataLinkNotices, AFocusRequestForAFieldMakesItsColumnCurrent) {
  TField* Npp = Table.FieldByName(u"NPP");
  Npp->FocusControl();
  EXPECT_EQ(Recording->GetSelectedField(), Npp);
}

TEST_F(DataLinkNotices, TheFieldMapGrowsByDoublingAndAnswersNilOutsideIt) {
  TGridDataLinkEh* Link = Recording->GetDataLink();
  Link->ClearMapping();
  EXPECT_EQ(Link->GetFieldMapSize(), 0);
  Link->AddMapping(u"ID_THIS");
  EXPECT_EQ(Link->GetFieldMapSize(), 8);
  for (Integer I = 0; I < 8; ++I) Link->AddMapping(u"NPP");
  EXPECT_EQ(Link->GetFieldCount(), 9);
  EXPECT_EQ(Link->GetFieldMapSize(), 16);
  EXPECT_EQ(Link->GetFields(0), Table.FieldByName(u"ID_THIS"));
  EXPECT_EQ(Link->GetFields(-1), nullptr);
  EXPECT_EQ(Link->GetFields(9), nullptr);
  Link->SetSparseMap(true);
  Link->AddMapping(u"NO_SUCH_FIELD");
  EXPECT_EQ(Link->GetFields(9), nullptr);
  EXPECT_FALSE(Link->DefaultFields());
  Link->SetSparseMap(false);
  EXPECT_THROW(Link->AddMapping(u"NO_SUCH_FIELD"), EDatabaseError);
}

TEST_F(DataLinkFollows, SwitchingTheTableToATreeShowsTheDisplayedNodes) {
  ShowResources();
  Table.GetTreeList()->SetKeyFieldName(u"ID_THIS");
  Table.GetTreeList()->SetRefParentFieldName(u"ID_PARENT");
  Table.GetTreeList()->SetActive(true);
  ASSERT_TRUE(Grid->GetMemTableIntf()->IsTreeList());
  EXPECT_EQ(Grid->GetRowCount(), 3);  // the two groups, collapsed
  EXPECT_EQ(IdOf(Table), 10);
  Grid->GetMemTableIntf()->SetTreeNodeExpanded(0, true);
  EXPECT_EQ(Grid->GetRowCount(), 5);
  Table.Next();
  EXPECT_EQ(Grid->GetRow(), 2);
  Table.GetTreeList()->SetActive(false);
  EXPECT_EQ(Grid->GetRowCount(), 7);
}

TEST_F(DataLinkFollows, ATableWithoutRecordsStillHasOneDataRow) {
  Table.Open();
  MakeGrid();
  Grid->SetDataSource(&Source);
  EXPECT_EQ(Grid->GetRowCount(), 2);
  EXPECT_EQ(Grid->GetColumns()->GetCount(), 5);
}

TEST_F(DataLinkFollows, HiddenFieldsGetNoDefaultColumn) {
  Table.GetMemTableData()->GetDataStruct()->FindField(u"ID_PARENT")->SetVisible(false);
  ShowResources();
  EXPECT_EQ(FieldNamesOf(Grid), (std::vector<String>{u"ID_THIS", u"ID_TYPE", u"NPP", u"NAME_THIS"}));
}
