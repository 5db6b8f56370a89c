// The grouping model behind a data grid: groups built from an in-memory table,
// kept up to date as records are added, changed and deleted, sorted, expanded,
// and the settings' colours and fonts.

#include <gtest/gtest.h>

#include "grid/DBGridEh.h"
#include "grid/DBGridEhGrouping.h"
#include "tests/grid/DBGridTestSupport.h"

namespace {

class GroupingFixture : public ::testing::Test {
protected:
  THeadlessDisplay Display;
  GridUnits Units;
  TMemTableEh Table{nullptr};
  TDataSource Source{nullptr};
  TForm* Form = nullptr;
  TDBGridEh* Grid = nullptr;

  void SetUp() override {
    TMemTableDataEh* Store = Table.GetMemTableData();
    AddTableColumn(Store, TMTStringDataFieldEh::StaticComponentClass(), ftWideString, u"CITY")->SetSize(40);
    AddTableColumn(Store, TMTStringDataFieldEh::StaticComponentClass(), ftWideString, u"NAME")->SetSize(40);
    AddTableColumn(Store, TMTNumericDataFieldEh::StaticComponentClass(), ftInteger, u"N");
    TMTDataStructEh* Struct = Store->GetDataStruct();
    for (Integer I = 0; I < Struct->GetCount(); ++I) Struct->GetItem(I)->SetVisible(true);
    Source.SetDataSet(&Table);
  }
  void TearDown() override { delete Form; }

  void Add(const String& City, const String& Name, Integer N) {
    if (!Table.GetActive()) Table.Open();
    Table.Append();
    Table.FieldByName(u"CITY")->SetAsString(City);
    Table.FieldByName(u"NAME")->SetAsString(Name);
    Table.FieldByName(u"N")->SetAsInteger(N);
    Table.Post();
  }
  // The table open with its records, shown by a grid on a form.
  void ShowGrid() {
    if (!Table.GetActive()) Table.Open();
    Form = new TForm(Application);
    Form->SetBounds(10, 10, 400, 300);
    Grid = new TDBGridEh(Form);
    Grid->SetParent(Form);
    Grid->SetBounds(0, 0, 400, 300);
    Form->Show();
    Grid->SetDataSource(&Source);
    Display.ProcessMessages();
  }
  TGridDataGroupsEh* Groups() { return Grid->GetDataGrouping(); }
  TGridGroupDataTreeEh* Tree() { return Groups()->GetGroupDataTree(); }
  TGridDataGroupLevelEh* AddLevel(const String& FieldName) {
    TGridDataGroupLevelEh* Level = Groups()->GetGroupLevels()->Add();
    Level->SetColumn(Grid->FindColumnByFieldName(FieldName));
    return Level;
  }
  // The flat list as text: a group as its key, a record as R and its index.
  String Flat() {
    String Out;
    for (Integer I = 0; I < Tree()->GetFlatCount(); ++I) {
      TGroupDataTreeNodeEh* Node = Tree()->GetFlatNode(I);
      if (!Out.empty()) Out += u" ";
      if (Node->IsGroup())
        Out += String(size_t(Node->GetLevel() - 1), u'.') +
               (VarIsNull(Node->GetKeyValue()) ? String(u"null") : Node->GetKeyValue().AsString());
      else Out += u"R" + IntToStr(Node->GetRecIndex());
    }
    return Out;
  }
  TGroupDataTreeNodeEh* GroupNode(const String& Key) {
    for (TBaseTreeNodeEh* N = Tree()->GetFirst(); N; N = Tree()->GetNext(N)) {
      auto* Node = static_cast<TGroupDataTreeNodeEh*>(N);
      if (Node->IsGroup() && Node->GetKeyValue().AsString() == Key) return Node;
    }
    return nullptr;
  }
};

TEST_F(GroupingFixture, RecordsGroupUnderSortedGroupRowsInRecordOrder) {
  Add(u"B", u"x", 1);
  Add(u"A", u"y", 2);
  Add(u"B", u"z", 3);
  ShowGrid();
  Groups()->SetDefaultStateExpanded(true);
  TGridDataGroupLevelEh* Level = AddLevel(u"CITY");
  Groups()->SetActive(true);
  ASSERT_TRUE(Groups()->IsGroupingWorks());
  EXPECT_EQ(Flat(), u"A R1 B R0 R2");

  Level->SetSortOrder(soDescEh);
  EXPECT_EQ(Flat(), u"B R0 R2 A R1");
  Level->SetSortOrder(soAscEh);
  EXPECT_EQ(Flat(), u"A R1 B R0 R2");
}

TEST_F(GroupingFixture, NewGroupsStartCollapsedAndExpandingOneShowsItsRecords) {
  Add(u"B", u"x", 1);
  Add(u"A", u"y", 2);
  Add(u"B", u"z", 3);
  ShowGrid();
  TGridDataGroupLevelEh* Level = AddLevel(u"CITY");
  Groups()->SetActive(true);
  EXPECT_EQ(Flat(), u"A B");
  GroupNode(u"B")->SetExpanded(true);
  EXPECT_EQ(Flat(), u"A B R0 R2");
  EXPECT_EQ(Tree()->IndexOfRecordInFlatList(2), 3);
  EXPECT_EQ(Tree()->IndexOfRecordInFlatList(1), -1);
  EXPECT_EQ(Tree()->IndexOfFlatNode(GroupNode(u"B")), 1);
  ASSERT_NE(Tree()->FindRecordNode(1), nullptr);
  EXPECT_EQ(Tree()->FindRecordNode(1)->GetParentNode(), GroupNode(u"A"));

  Level->ExpandNodes();
  EXPECT_EQ(Flat(), u"A R1 B R0 R2");
  Level->CollapseNodes();
  EXPECT_EQ(Flat(), u"A B");
}

TEST_F(GroupingFixture, GroupingWorksOnlyWhenActiveWithALevelOverAnOpenTable) {
  Add(u"A", u"y", 2);
  ShowGrid();
  Groups()->SetActive(true);
  EXPECT_FALSE(Groups()->IsGroupingWorks());
  EXPECT_EQ(Tree()->GetFlatCount(), 0);
  AddLevel(u"CITY");
  EXPECT_TRUE(Groups()->IsGroupingWorks());
  EXPECT_EQ(Groups()->GetActiveGroupLevelsCount(), 1);
  // A level without a column takes no part.
  Groups()->GetGroupLevels()->Add();
  EXPECT_EQ(Groups()->GetActiveGroupLevelsCount(), 1);
  Groups()->SetActive(false);
  EXPECT_FALSE(Groups()->IsGroupingWorks());
  EXPECT_EQ(Tree()->GetFlatCount(), 0);
}

TEST_F(GroupingFixture, WithoutActiveLevelsEveryRecordSitsUnderTheRootInRecordOrder) {
  Add(u"B", u"x", 1);
  Add(u"A", u"y", 2);
  Add(u"C", u"z", 3);
  ShowGrid();
  Tree()->RebuildDataTree(Grid->GetMemTableIntf());
  EXPECT_EQ(Flat(), u"R0 R1 R2");
  EXPECT_EQ(Tree()->GetRootNode()->Count(), 3);
}

TEST_F(GroupingFixture, ChangingTheSecondLevelsColumnRegroupsBelowTheFirstLevelWhichKeepsItsExpansion) {
  Add(u"B", u"x", 1);
  Add(u"A", u"y", 2);
  Add(u"B", u"z", 1);
  ShowGrid();
  AddLevel(u"CITY");
  TGridDataGroupLevelEh* Second = AddLevel(u"NAME");
  Groups()->SetActive(true);
  GroupNode(u"B")->SetExpanded(true);
  EXPECT_EQ(Flat(), u"A B .x .z");
  TGroupDataTreeNodeEh* B = GroupNode(u"B");

  Second->SetColumn(Grid->FindColumnByFieldName(u"N"));
  EXPECT_EQ(GroupNode(u"B"), B);
  EXPECT_TRUE(B->GetExpanded());
  EXPECT_EQ(Flat(), u"A B .1");
  EXPECT_EQ(GroupNode(u"x"), nullptr);
  GroupNode(u"1")->SetExpanded(true);
  EXPECT_EQ(Flat(), u"A B .1 R0 R2");
}

TEST_F(GroupingFixture, DeletingTheOnlyRecordOfAGroupRemovesItAndParentsLeftEmpty) {
  Add(u"B", u"x", 1);
  Add(u"A", u"y", 2);
  Add(u"B", u"z", 3);
  ShowGrid();
  Groups()->SetDefaultStateExpanded(true);
  AddLevel(u"CITY");
  AddLevel(u"NAME");
  Groups()->SetActive(true);
  EXPECT_EQ(Flat(), u"A .y R1 B .x R0 .z R2");

  Table.Locate(u"NAME", Variant(String(u"y")), {});
  Table.Delete();
  EXPECT_EQ(Flat(), u"B .x R0 .z R1");
  EXPECT_EQ(GroupNode(u"A"), nullptr);
  EXPECT_EQ(GroupNode(u"y"), nullptr);
}

TEST_F(GroupingFixture, ARecordWhoseKeyChangesMovesToItsNewGroup) {
  Add(u"B", u"x", 1);
  Add(u"A", u"y", 2);
  Add(u"B", u"z", 3);
  ShowGrid();
  Groups()->SetDefaultStateExpanded(true);
  AddLevel(u"CITY");
  Groups()->SetActive(true);

  Table.Locate(u"NAME", Variant(String(u"x")), {});
  Table.Edit();
  Table.FieldByName(u"CITY")->SetAsString(u"A");
  Table.Post();
  EXPECT_EQ(Flat(), u"A R0 R1 B R2");
  EXPECT_EQ(GroupNode(u"A")->Count(), 2);

  // A change that keeps the keys keeps the node where it is.
  TGroupDataTreeNodeEh* Node = Tree()->FindRecordNode(2);
  Table.Locate(u"NAME", Variant(String(u"z")), {});
  Table.Edit();
  Table.FieldByName(u"N")->SetAsInteger(30);
  Table.Post();
  EXPECT_EQ(Tree()->FindRecordNode(2), Node);
  EXPECT_EQ(Flat(), u"A R0 R1 B R2");
}

TEST_F(GroupingFixture, AnAppendedRecordJoinsItsGroupAndLaterRecordIndexesFollow) {
  Add(u"B", u"x", 1);
  Add(u"A", u"y", 2);
  ShowGrid();
  Groups()->SetDefaultStateExpanded(true);
  AddLevel(u"CITY");
  Groups()->SetActive(true);
  Add(u"C", u"w", 3);
  Add(u"A", u"v", 4);
  EXPECT_EQ(Flat(), u"A R1 R3 B R0 C R2");
  for (Integer I = 0; I < 4; ++I) {
    ASSERT_NE(Tree()->FindRecordNode(I), nullptr) << I;
    EXPECT_EQ(VarArrayGet(Tree()->FindRecordNode(I)->GetKeyValues(), 1).AsInteger(), I);
  }
}

TEST_F(GroupingFixture, ARecordInsertedInsideAGroupTakesThatGroupsKeysAndShowsIt) {
  Add(u"B", u"x", 1);
  Add(u"A", u"y", 2);
  ShowGrid();
  AddLevel(u"CITY");
  Groups()->SetActive(true);
  EXPECT_EQ(Flat(), u"A B");
  Groups()->SetDefaultKeyValues(VarArrayOf({Variant(String(u"A")), Variant(0)}));
  Table.First();
  Table.Insert();
  Table.FieldByName(u"NAME")->SetAsString(u"new");
  Table.Post();
  EXPECT_EQ(Flat(), u"A R0 R2 B");
  EXPECT_TRUE(VarIsEmpty(Groups()->GetDefaultKeyValues()));
  Table.Locate(u"NAME", Variant(String(u"new")), {});
  EXPECT_EQ(Table.FieldByName(u"CITY")->GetAsString(), u"A");
}

TEST_F(GroupingFixture, NullKeysFormTheirOwnGroupBeforeTheOthers) {
  Add(u"B", u"x", 1);
  Table.Append();
  Table.FieldByName(u"NAME")->SetAsString(u"nameless");
  Table.Post();
  ShowGrid();
  Groups()->SetDefaultStateExpanded(true);
  AddLevel(u"CITY");
  Groups()->SetActive(true);
  ASSERT_EQ(Tree()->GetFlatCount(), 4);
  EXPECT_TRUE(VarIsNull(Tree()->GetFlatNode(0)->GetKeyValue()));
  EXPECT_EQ(Tree()->GetFlatNode(1)->GetRecIndex(), 1);
}

TEST_F(GroupingFixture, AKeyHookGivesTheLevelsKeys) {
  Add(u"Bb", u"x", 1);
  Add(u"Ab", u"y", 2);
  Add(u"Ba", u"z", 3);
  ShowGrid();
  Groups()->SetDefaultStateExpanded(true);
  TGridDataGroupLevelEh* Level = AddLevel(u"CITY");
  // Group by the first letter only.
  Level->GetKeyValueHook = [this](TGridDataGroupLevelEh*, Variant& Key) {
    Key = Variant(Table.FieldByName(u"CITY")->GetAsString().substr(0, 1));
  };
  Groups()->SetActive(true);
  EXPECT_EQ(Flat(), u"A R1 B R0 R2");
}

TEST_F(GroupingFixture, AColumnLeavingTheGridTakesItsLevelOutOfGrouping) {
  Add(u"B", u"x", 1);
  Add(u"A", u"y", 2);
  ShowGrid();
  Groups()->SetDefaultStateExpanded(true);
  TGridDataGroupLevelEh* Level = AddLevel(u"CITY");
  Groups()->SetActive(true);
  EXPECT_EQ(Flat(), u"A R1 B R0");
  Grid->GetColumns()->Delete(Grid->FindColumnByFieldName(u"CITY")->GetIndex());
  EXPECT_EQ(Level->GetColumn(), nullptr);
  EXPECT_EQ(Groups()->GetActiveGroupLevelsCount(), 0);
  EXPECT_FALSE(Groups()->IsGroupingWorks());
}

TEST_F(GroupingFixture, RowHeightsComeFromTheGridAndAreCachedUntilInvalidated) {
  Add(u"B", u"x", 1);
  ShowGrid();
  Groups()->SetDefaultStateExpanded(true);
  AddLevel(u"CITY");
  Groups()->SetActive(true);
  TGroupDataTreeNodeEh* Group = Tree()->GetFlatNode(0);
  TGroupDataTreeNodeEh* Record = Tree()->GetFlatNode(1);
  EXPECT_EQ(Record->GetRowHeight(), Grid->CalcDataRowHeight());
  EXPECT_EQ(Group->GetRowHeight(), Grid->GetGroupDataRowHeight(Group));
  EXPECT_GT(Group->GetRowHeight(), 0);
  Record->SetRowHeight(77);
  EXPECT_EQ(Record->GetRowHeight(), 77);
  Record->InvalidateRowHeight();
  EXPECT_EQ(Record->GetRowHeight(), Grid->CalcDataRowHeight());
}

TEST_F(GroupingFixture, ColoursAndFontsFollowTheirParentsUntilSet) {
  ShowGrid();
  TGridDataGroupLevelEh* Level = AddLevel(u"CITY");
  Grid->SetColor(clYellow);
  EXPECT_EQ(Groups()->GetColor(), clYellow);
  EXPECT_EQ(Level->GetColor(), clYellow);
  Groups()->SetColor(clAqua);
  EXPECT_FALSE(Groups()->GetParentColor());
  EXPECT_EQ(Level->GetColor(), clAqua);
  Level->SetColor(clLime);
  EXPECT_FALSE(Level->GetParentColor());
  EXPECT_EQ(Level->GetColor(), clLime);

  Grid->GetFont()->SetSize(14);
  EXPECT_EQ(Groups()->GetFont()->GetSize(), 14);
  EXPECT_EQ(Level->GetFont()->GetSize(), 14);
  EXPECT_TRUE(Groups()->GetParentFont());
  Groups()->GetFont()->SetStyle({fsBold});
  EXPECT_FALSE(Groups()->GetParentFont());
  EXPECT_TRUE(Level->GetFont()->GetStyle().Contains(fsBold));
  Level->GetFont()->SetSize(20);
  EXPECT_FALSE(Level->GetParentFont());
  Groups()->GetFont()->SetSize(9);
  EXPECT_EQ(Level->GetFont()->GetSize(), 20);
}

TEST_F(GroupingFixture, AssignCopiesActiveTheLevelsAndThePanelSwitch) {
  Add(u"B", u"x", 1);
  ShowGrid();
  TGridDataGroupsEh Other(Grid);
  Other.GetGroupLevels()->Add()->SetColumn(Grid->FindColumnByFieldName(u"NAME"));
  Other.GetGroupLevels()->Items(0)->SetSortOrder(soDescEh);
  Other.SetGroupPanelVisible(true);
  Other.SetActive(true);
  Groups()->Assign(&Other);
  EXPECT_TRUE(Groups()->GetActive());
  EXPECT_TRUE(Groups()->GetGroupPanelVisible());
  ASSERT_EQ(Groups()->GetGroupLevels()->GetCount(), 1);
  EXPECT_EQ(Groups()->GetGroupLevels()->Items(0)->GetColumn(), Grid->FindColumnByFieldName(u"NAME"));
  EXPECT_EQ(Groups()->GetGroupLevels()->Items(0)->GetSortOrder(), soDescEh);
  EXPECT_TRUE(Groups()->IsGroupingWorks());
  EXPECT_EQ(Flat(), u"x");
}

}  // namespace
