// Group rows of a data grid: grouping by two columns gives the right group rows
// and counts and follows inserts and deletes; the group panel takes dragged
// titles, reorders and removes levels; keys and clicks open and close groups;
// a grouped grid with footers is painted and kept as a PNG.

#include <filesystem>

#include "gridbase/DaVirConsts.h"
#include "tests/grid/DBGridPaintSupport.h"
#include "tests/grid/GridInputTestSupport.h"

namespace {

class GroupRows : public GridFixture {
protected:
  void SetUp() override {
    TMemTableDataEh* Store = Table.GetMemTableData();
    AddColumn(*Store, TMTStringDataFieldEh::StaticComponentClass(), ftWideString, u"CITY")->SetSize(40);
    AddColumn(*Store, TMTStringDataFieldEh::StaticComponentClass(), ftWideString, u"KIND")->SetSize(40);
    AddColumn(*Store, TMTStringDataFieldEh::StaticComponentClass(), ftWideString, u"NAME")->SetSize(40);
    AddColumn(*Store, TMTNumericDataFieldEh::StaticComponentClass(), ftInteger, u"N");
    TMTDataStructEh* Struct = Store->GetDataStruct();
    for (Integer I = 0; I < Struct->GetCount(); ++I) Struct->GetItem(I)->SetVisible(true);
    Source.SetDataSet(&Table);
  }
  void Add(const String& City, const String& Kind, const String& Name, Integer N) {
    if (!Table.GetActive()) Table.Open();
    Table.Append();
    Table.FieldByName(u"CITY")->SetAsString(City);
    Table.FieldByName(u"KIND")->SetAsString(Kind);
    Table.FieldByName(u"NAME")->SetAsString(Name);
    Table.FieldByName(u"N")->SetAsInteger(N);
    Table.Post();
  }
  void ShowLibraries() {
    Add(u"Киев", u"Публичная", u"Центральная", 12);
    Add(u"Москва", u"Научная", u"Академическая", 30);
    Add(u"Киев", u"Научная", u"Институтская", 7);
    Add(u"Москва", u"Публичная", u"Городская", 25);
    Add(u"Киев", u"Публичная", u"Районная", 5);
    MakeGrid(460, 320);
    for (const char16_t* Field : {u"CITY", u"KIND", u"NAME", u"N"}) Grid->GetColumns()->Add()->SetFieldName(Field);
    Column(0)->GetTitle()->SetCaption(u"Город");
    Column(1)->GetTitle()->SetCaption(u"Вид");
    Column(2)->GetTitle()->SetCaption(u"Название");
    Column(3)->GetTitle()->SetCaption(u"Фонд");
    Column(0)->SetWidth(110);
    Column(1)->SetWidth(100);
    Column(2)->SetWidth(120);
    Column(3)->SetWidth(60);
    Grid->SetDataSource(&Source);
    Display.ProcessMessages();
  }
  TColumnEh* Column(Integer I) { return Grid->GetColumns()->Items(I); }
  TDBGridEhDataGroupLevelEh* AddLevel(const String& FieldName) {
    auto* Level = dynamic_cast<TDBGridEhDataGroupLevelEh*>(Grid->GetDataGrouping()->GetGroupLevels()->Add());
    Level->SetColumnName(FieldName);
    return Level;
  }
  void GroupByCityAndKind() {
    AddLevel(u"CITY");
    AddLevel(u"KIND");
    Grid->GetDataGrouping()->GetGroupDataTree();
    Grid->GetDataGrouping()->SetDefaultStateExpanded(true);
    Grid->GetDataGrouping()->SetActive(true);
    Display.ProcessMessages();
  }
  // The rows as the grid shows them: group rows by their text, records as their NAME.
  std::vector<String> Rows() {
    std::vector<String> Out;
    const Integer Count = Grid->GetRowCount() - Grid->GetTitleRowCount();
    for (Integer Row = 0; Row < Count; ++Row) {
      TGroupDataTreeNodeEh* Node = Grid->GroupNodeOfRow(Row);
      if (!Node) break;
      if (Node->IsGroup()) {
        String Text;
        Node->GetDataGroupLevel()->GetGroupRowText(Node, Text);
        Out.push_back(String(size_t(Node->GetLevel() - 1), u' ') + Text);
      } else {
        IMemTableEh* MemTable = &Table;
        MemTable->InstantReadEnter(Node->GetRecIndex());
        Out.push_back(u"  - " + Table.FieldByName(u"NAME")->GetAsString());
        MemTable->InstantReadLeave();
      }
    }
    return Out;
  }
};

}  // namespace

TEST_F(GroupRows, GroupingByTwoColumnsShowsGroupRowsWithCaptionKeyAndCountAboveTheirRecords) {
  ShowLibraries();
  GroupByCityAndKind();
  ASSERT_TRUE(Grid->GroupedRows());
  EXPECT_EQ(Rows(),
            (std::vector<String>{u"Город: Киев (2)", u" Вид: Научная (1)", u"  - Институтская", u" Вид: Публичная (2)",
                                 u"  - Центральная", u"  - Районная", u"Город: Москва (2)", u" Вид: Научная (1)",
                                 u"  - Академическая", u" Вид: Публичная (1)", u"  - Городская"}));
  EXPECT_EQ(Grid->GetRowCount(), Grid->GetTitleRowCount() + 11);
}

TEST_F(GroupRows, InsertedAndDeletedRecordsJoinAndLeaveTheirGroupsAndEmptyGroupsGo) {
  ShowLibraries();
  GroupByCityAndKind();
  Add(u"Львов", u"Публичная", u"Областная", 3);
  Display.ProcessMessages();
  std::vector<String> R = Rows();
  ASSERT_EQ(R.size(), 14u);
  EXPECT_EQ(R[6], u"Город: Львов (1)");
  EXPECT_EQ(R[7], u" Вид: Публичная (1)");
  // Deleting the only Научная library of Москва takes its group row away.
  Table.Locate(u"NAME", Variant(String(u"Академическая")), {});
  Table.Delete();
  Display.ProcessMessages();
  R = Rows();
  EXPECT_EQ(R.size(), 12u);
  EXPECT_EQ(R[9], u"Город: Москва (1)");
  EXPECT_EQ(R[10], u" Вид: Публичная (1)");
  EXPECT_EQ(Grid->GetRowCount(), Grid->GetTitleRowCount() + 12);
}

TEST_F(GroupRows, TheGroupRowTextEventsOfTheGridTheColumnAndTheLevelHaveTheLastWord) {
  ShowLibraries();
  TDBGridEhDataGroupLevelEh* City = AddLevel(u"CITY");
  Column(0)->OnGroupGetKeyValueAsText = [](TCustomDBGridEh*, TGroupDataTreeNodeEh*, const Variant&, String& Text) {
    Text = u"г. " + Text;
  };
  City->OnGetGroupRowText = [](TCustomDBGridEh*, TGroupDataTreeNodeEh*, String& Text) { Text += u"!"; };
  Grid->GetDataGrouping()->SetActive(true);
  Display.ProcessMessages();
  EXPECT_EQ(Rows().front(), u"Город: г. Киев (3)!");
}

TEST_F(GroupRows, AnotherGridsGroupingAssignedGroupsByThisGridsColumnsOfTheSameFields) {
  ShowLibraries();
  {
    TDBGridEh Other(nullptr);
    for (const char16_t* Field : {u"N", u"KIND", u"CITY"}) Other.GetColumns()->Add()->SetFieldName(Field);
    TGridDataGroupsEh* Groups = Other.GetDataGrouping();
    for (const char16_t* Field : {u"CITY", u"KIND"})
      dynamic_cast<TDBGridEhDataGroupLevelEh*>(Groups->GetGroupLevels()->Add())->SetColumnName(Field);
    Groups->GetGroupLevels()->Items(1)->SetSortOrder(soDescEh);
    Groups->SetDefaultStateExpanded(true);
    Groups->SetGroupPanelVisible(true);
    Groups->SetActive(true);
    Grid->SetDataGrouping(Other.GetDataGrouping());
  }
  Display.ProcessMessages();
  TGridDataGroupsEh* Groups = Grid->GetDataGrouping();
  ASSERT_EQ(Groups->GetGroupLevels()->GetCount(), 2);
  EXPECT_EQ(Groups->GetGroupLevels()->Items(0)->GetColumn(), Column(0));
  EXPECT_EQ(Groups->GetGroupLevels()->Items(1)->GetColumn(), Column(1));
  EXPECT_TRUE(Groups->GetGroupPanelVisible());
  ASSERT_TRUE(Grid->GroupedRows());
  EXPECT_EQ(Rows(), (std::vector<String>{u"Город: Киев (2)", u" Вид: Публичная (2)", u"  - Центральная",
                                         u"  - Районная", u" Вид: Научная (1)", u"  - Институтская",
                                         u"Город: Москва (2)", u" Вид: Публичная (1)", u"  - Городская",
                                         u" Вид: Научная (1)", u"  - Академическая"}));
}

TEST_F(GroupRows, ALevelNamingNoColumnTakesNoPartAndGroupingStaysOff) {
  ShowLibraries();
  TDBGridEhDataGroupLevelEh* Level = AddLevel(u"NOSUCH");
  Grid->GetDataGrouping()->SetActive(true);
  Display.ProcessMessages();
  EXPECT_EQ(Level->GetColumn(), nullptr);
  EXPECT_FALSE(Grid->GroupedRows());
  EXPECT_EQ(Grid->GetRowCount(), Grid->GetTitleRowCount() + 5);
}

TEST_F(GroupRows, AGroupRowIsOneLineOfItsLevelsFontHighAndKeepsThatHeightAsGroupsOpenAndClose) {
  ShowLibraries();
  GroupByCityAndKind();
  TGridDataGroupLevelEh* City = Grid->GetDataGrouping()->GetActiveGroupLevel(0);
  City->GetFont()->SetSize(16);
  Display.ProcessMessages();
  const Integer First = Grid->GetTitleRowCount();
  const Integer Data = Grid->GetDataRowHeightValue();
  const Integer CityHeight = FontTextHeightEh(City->GetFont(), u"Wg") + 3 + Grid->GetGridLineWidth();
  EXPECT_GT(CityHeight, Data);
  EXPECT_EQ(Grid->GetRowHeights(First), CityHeight);      // Город: Киев
  EXPECT_EQ(Grid->GetRowHeights(First + 1), Data);        // Вид: Научная, in the grid's own font
  EXPECT_EQ(Grid->GetRowHeights(First + 2), Data);        // a record
  EXPECT_EQ(Grid->GetRowHeights(First + 6), CityHeight);  // Город: Москва
  EXPECT_EQ(Grid->CellRect(1, First).Height(), CityHeight);
  // Closing Киев brings Москва up to the second row, with its height.
  Grid->SetCurrentFlatIndex(0);
  Grid->GetCurrentGroupNode()->SetExpanded(false);
  Display.ProcessMessages();
  EXPECT_EQ(Grid->GetRowHeights(First), CityHeight);
  EXPECT_EQ(Grid->GetRowHeights(First + 1), CityHeight);
  EXPECT_EQ(Grid->GetRowHeights(First + 2), Data);
}

TEST_F(GroupRows, WithRowLinesSetAGroupRowIsThatManyLinesOfItsLevelsFontPlusTheRowHeight) {
  ShowLibraries();
  GroupByCityAndKind();
  TGridDataGroupLevelEh* City = Grid->GetDataGrouping()->GetActiveGroupLevel(0);
  City->GetFont()->SetSize(16);
  Grid->SetRowLines(2);
  Grid->SetRowHeight(4);
  Display.ProcessMessages();
  const Integer First = Grid->GetTitleRowCount();
  EXPECT_EQ(Grid->GetRowHeights(First), 2 * FontTextHeightEh(City->GetFont(), u"Wg") + 4);
  EXPECT_EQ(Grid->GetRowHeights(First + 1), 2 * FontTextHeightEh(Grid->GetFont(), u"Wg") + 4);
  Grid->SetRowLines(0);
  Grid->SetRowHeight(30);
  Display.ProcessMessages();
  EXPECT_EQ(Grid->GetRowHeights(First), 30);
  EXPECT_EQ(Grid->GetRowHeights(First + 1), 30);
}

namespace {

class GroupRowInput : public GroupRows {
protected:
  void Key(Word VirtKey) { Display.Key(VirtKey, THeadlessShift::None); }
};

}  // namespace

TEST_F(GroupRowInput, MoveKeysWalkGroupRowsAndRecordsAndPlusMinusStarOpenAndCloseTheCurrentGroup) {
  ShowLibraries();
  GroupByCityAndKind();
  Grid->SetFocus();
  Table.First();
  Grid->SetCurrentFlatIndex(0);
  Display.ProcessMessages();
  TGroupDataTreeNodeEh* Kiev = Grid->GetCurrentGroupNode();
  ASSERT_NE(Kiev, nullptr);
  EXPECT_EQ(Kiev->GetKeyValue().AsString(), u"Киев");
  Key(VK_SUBTRACT);
  EXPECT_FALSE(Kiev->GetExpanded());
  EXPECT_EQ(Rows().size(), 6u);
  Key(VK_SUBTRACT);  // already closed: nothing changes
  EXPECT_FALSE(Kiev->GetExpanded());
  Key(VK_MULTIPLY);
  EXPECT_TRUE(Kiev->GetExpanded());
  Key(VK_ADD);  // already open: nothing changes
  EXPECT_TRUE(Kiev->GetExpanded());
  // Down twice: the Научная group row, then its record, which becomes the table's current record.
  Key(VK_DOWN);
  Key(VK_DOWN);
  EXPECT_EQ(Grid->GetCurrentGroupNode(), nullptr);
  EXPECT_EQ(Table.FieldByName(u"NAME")->GetAsString(), u"Институтская");
  EXPECT_EQ(Grid->GetRow(), Grid->GetTitleRowCount() + 2);
  Key(VK_UP);
  ASSERT_NE(Grid->GetCurrentGroupNode(), nullptr);
  EXPECT_EQ(Grid->GetCurrentGroupNode()->GetKeyValue().AsString(), u"Научная");
  Key(VK_LEFT);
  EXPECT_FALSE(Grid->GetCurrentGroupNode()->GetExpanded());
}

TEST_F(GroupRowInput, SelectingTheWholeGridHighlightsItsGroupRowsTooFocusedOrNot) {
  ShowLibraries();
  GroupByCityAndKind();
  Grid->GetDataGrouping()->GetActiveGroupLevel(0)->SetColor(TColor(0xE0F0E0));
  Grid->GetDataGrouping()->GetActiveGroupLevel(1)->SetColor(TColor(0xF0E8D8));
  Grid->SetOptions(Grid->GetOptions() + dgMultiSelect);
  Grid->SetEditActions(Grid->GetEditActions() + geaSelectAllEh);
  Grid->SetFocus();
  Grid->SetCurrentFlatIndex(3);  // a record row
  Display.ProcessMessages();
  const HWND Wnd = Grid->GetHandle();
  // Right of its text: the colour the row is painted in.
  auto RowColor = [&](Integer DataRow) {
    const TRect Cell = Grid->CellRect(3, Grid->GetTitleRowCount() + DataRow);
    return Display.PixelAt(Wnd, Cell.Right - 4, Cell.Top + 3);
  };
  ASSERT_EQ(Grid->GroupNodeOfRow(0)->GetLevel(), 1);
  ASSERT_EQ(Grid->GroupNodeOfRow(1)->GetLevel(), 2);
  EXPECT_EQ(RowColor(0), ColorToRGB(TColor(0xE0F0E0)));
  EXPECT_EQ(RowColor(1), ColorToRGB(TColor(0xF0E8D8)));

  Display.Key('A', THeadlessShift::Ctrl);
  Display.ProcessMessages();
  ASSERT_EQ(Grid->GetSelection()->GetSelectionType(), gstAll);
  EXPECT_EQ(RowColor(0), ColorToRGB(clHighlight));
  EXPECT_EQ(RowColor(1), ColorToRGB(clHighlight));

  // Without the focus, with the selection always shown: the button face.
  Grid->SetOptions(Grid->GetOptions() + dgAlwaysShowSelection);
  ::SetFocus(nullptr);
  Display.ProcessMessages();
  ASSERT_FALSE(Grid->Focused());
  EXPECT_EQ(RowColor(0), ColorToRGB(clBtnFace));
}

TEST_F(GroupRowInput, InsertOnAGroupRowGivesTheNewRecordTheKeysOfThatGroupAndItsOuterGroups) {
  ShowLibraries();
  GroupByCityAndKind();
  Grid->SetFocus();
  Grid->SetCurrentFlatIndex(6);  // Город: Москва
  Display.ProcessMessages();
  ASSERT_NE(Grid->GetCurrentGroupNode(), nullptr);
  Key(VK_INSERT);
  ASSERT_EQ(Table.GetState(), dsInsert);
  Table.FieldByName(u"NAME")->SetAsString(u"Новая");
  Table.Post();
  Display.ProcessMessages();
  EXPECT_EQ(Table.FieldByName(u"CITY")->GetAsString(), u"Москва");
  EXPECT_TRUE(Table.FieldByName(u"KIND")->GetIsNull());
  const std::vector<String> R = Rows();
  ASSERT_EQ(R.size(), 13u);
  EXPECT_EQ(R[6], u"Город: Москва (3)");
  EXPECT_EQ(R[7], u" Вид:  (1)");
  EXPECT_EQ(R[8], u"  - Новая");
}

TEST_F(GroupRowInput, InsertOnARecordRowGivesTheNewRecordTheKeysOfEveryGroupHoldingThatRecord) {
  ShowLibraries();
  GroupByCityAndKind();
  Grid->SetFocus();
  Grid->SetCurrentFlatIndex(5);  // Районная, in Киев / Публичная
  Display.ProcessMessages();
  ASSERT_EQ(Table.FieldByName(u"NAME")->GetAsString(), u"Районная");
  Key(VK_INSERT);
  ASSERT_EQ(Table.GetState(), dsInsert);
  Table.FieldByName(u"NAME")->SetAsString(u"Сельская");
  Table.Post();
  Display.ProcessMessages();
  EXPECT_EQ(Table.FieldByName(u"CITY")->GetAsString(), u"Киев");
  EXPECT_EQ(Table.FieldByName(u"KIND")->GetAsString(), u"Публичная");
  const std::vector<String> R = Rows();
  ASSERT_EQ(R.size(), 12u);
  EXPECT_EQ(R[0], u"Город: Киев (2)");
  EXPECT_EQ(R[3], u" Вид: Публичная (3)");
  // Append is the table's own: nothing of the group is carried over.
  Grid->GetDataGrouping()->SetDefaultKeyValues(Variant());
  Table.Append();
  EXPECT_TRUE(Table.FieldByName(u"CITY")->GetIsNull());
  Table.Cancel();
}

TEST_F(GroupRowInput, AnEmptyGroupPanelIs30PixelsHighAndADroppedTitleHidesItsColumnAndAddsALevel) {
  ShowLibraries();
  Grid->GetDataGrouping()->SetGroupPanelVisible(true);
  Grid->GetDataGrouping()->SetActive(true);
  Display.ProcessMessages();
  EXPECT_EQ(Grid->GetGroupPanelHeight(), 30);
  EXPECT_EQ(Grid->GetOutBoundaryData()->GetTopIndent(), 30);
  // The title of KIND dragged up onto the panel.
  Column(1)->GetTitle()->SetTitleButton(true);
  const TRect Title = Grid->CellRect(2, 0);
  const HWND Wnd = Grid->GetHandle();
  Display.MouseDown(Wnd, Title.Left + 10, Title.Top + 5, mbLeft);
  Display.MouseMove(Wnd, Title.Left + 10, Title.Top - 8);
  Display.MouseMove(Wnd, 40, 10);
  Display.MouseUp(Wnd, 40, 10, mbLeft);
  Display.ProcessMessages();
  ASSERT_EQ(Grid->GetDataGrouping()->GetActiveGroupLevelsCount(), 1);
  EXPECT_EQ(Grid->GetDataGrouping()->GetActiveGroupLevel(0)->GetColumn(), Column(1));
  EXPECT_FALSE(Column(1)->GetVisible());
  EXPECT_TRUE(Grid->GroupedRows());
  EXPECT_EQ(Grid->GetGroupPanelHeight(), Grid->GetGroupLevelBoxRect(0).Bottom + 5);
}

TEST_F(GroupRowInput, ATitleDraggedOverThePanelShowsAnArrowAtTheGapItWouldTakeWhichGoesWithTheDrop) {
  ShowLibraries();
  AddLevel(u"CITY");
  Grid->GetDataGrouping()->SetGroupPanelVisible(true);
  Grid->GetDataGrouping()->SetActive(true);
  Column(2)->GetTitle()->SetTitleButton(true);
  Display.ProcessMessages();
  const HWND Wnd = Grid->GetHandle();
  const TRect Box = Grid->GetGroupLevelBoxRect(0);
  const TColor Background = Display.PixelAt(Wnd, Grid->GetClientWidth() - 5, 3);
  auto ArrowPixel = [&](Integer Index) {
    const TRect Mark = Grid->GroupPanelArrowRect(Index);
    return Display.PixelAt(Wnd, Mark.Left, (Mark.Top + Mark.Bottom) / 2);
  };
  EXPECT_EQ(Grid->GetGroupPanelArrowIndex(), -1);
  EXPECT_EQ(ArrowPixel(1), Background);
  // The title of NAME carried up right of the City box: the arrow stands after that box.
  const TRect Title = Grid->CellRect(3, 0);
  Display.MouseDown(Wnd, Title.Left + 10, Title.Top + 5, mbLeft);
  Display.MouseMove(Wnd, Title.Left + 10, Title.Top - 8);
  Display.MouseMove(Wnd, Box.Right + 20, Box.Top + 2);
  Display.ProcessMessages();
  EXPECT_EQ(Grid->GetGroupPanelArrowIndex(), 1);
  EXPECT_EQ(ArrowPixel(1), ColorToRGB(clWindowText));
  const std::filesystem::path Dir = std::filesystem::path(BORROW_BINARY_DIR) / "test-artifacts";
  std::filesystem::create_directories(Dir);
  ASSERT_TRUE(Display.SnapshotPNG(Wnd, (Dir / "grid-group-panel-arrow.png").string()));
  // Left of the box's middle the arrow moves in front of it.
  Display.MouseMove(Wnd, Box.Left + 2, Box.Top + 2);
  Display.ProcessMessages();
  EXPECT_EQ(Grid->GetGroupPanelArrowIndex(), 0);
  EXPECT_EQ(ArrowPixel(0), ColorToRGB(clWindowText));
  EXPECT_EQ(ArrowPixel(1), Background);
  // Off the panel there is no place to show.
  Display.MouseMove(Wnd, Box.Left + 2, Grid->GetGroupPanelHeight() + 40);
  Display.ProcessMessages();
  EXPECT_EQ(Grid->GetGroupPanelArrowIndex(), -1);
  EXPECT_EQ(ArrowPixel(0), Background);
  Display.MouseMove(Wnd, Box.Left + 2, Box.Top + 2);
  Display.MouseUp(Wnd, Box.Left + 2, Box.Top + 2, mbLeft);
  Display.ProcessMessages();
  EXPECT_EQ(Grid->GetGroupPanelArrowIndex(), -1);
  ASSERT_EQ(Grid->GetDataGrouping()->GetActiveGroupLevelsCount(), 2);
  EXPECT_EQ(Grid->GetDataGrouping()->GetActiveGroupLevel(0)->GetColumn(), Column(2));
  EXPECT_EQ(ArrowPixel(0), Background);
}

TEST_F(GroupRowInput, APressedLevelBoxShowsTheArrowOnlyOnceDraggedAndEscEndsTheDragWithoutAChange) {
  ShowLibraries();
  GroupByCityAndKind();
  Grid->GetDataGrouping()->SetGroupPanelVisible(true);
  Column(1)->GetTitle()->SetTitleButton(true);
  Display.ProcessMessages();
  const HWND Wnd = Grid->GetHandle();
  const TRect Second = Grid->GetGroupLevelBoxRect(1);
  Display.MouseDown(Wnd, Second.Left + 5, Second.Top + 3, mbLeft);
  Display.MouseMove(Wnd, Second.Left + 2, Second.Top + 3);  // 3 pixels: still a press
  EXPECT_EQ(Grid->GetGroupPanelArrowIndex(), -1);
  Display.MouseMove(Wnd, 2, Second.Top + 3);
  EXPECT_EQ(Grid->GetGroupPanelArrowIndex(), 0);
  Display.Key(VK_ESCAPE, THeadlessShift::None);
  Display.ProcessMessages();
  EXPECT_EQ(Grid->GetGroupPanelArrowIndex(), -1);
  EXPECT_EQ(Grid->GetMouseTrackState(), gmtsNoneEh);
  Display.MouseUp(Wnd, 2, Second.Top + 3, mbLeft);
  Display.ProcessMessages();
  EXPECT_EQ(Grid->GetDataGrouping()->GetActiveGroupLevel(0)->GetColumn(), Column(0));
  EXPECT_EQ(Grid->GetDataGrouping()->GetActiveGroupLevel(1)->GetColumn(), Column(1));
}

TEST_F(GroupRowInput, AColumnMovedAlongTheTitlesThatReachesThePanelIsDroppedOnItAsANewLevel) {
  ShowLibraries();
  Grid->GetDataGrouping()->SetGroupPanelVisible(true);
  Grid->GetDataGrouping()->SetActive(true);
  Display.ProcessMessages();
  const HWND Wnd = Grid->GetHandle();
  const TRect Title = Grid->CellRect(3, 0);
  Display.MouseDown(Wnd, Title.Left + 10, Title.Top + 5, mbLeft);
  Display.MouseMove(Wnd, Title.Left + 30, Title.Top + 5);
  Display.MouseMove(Wnd, Title.Left + 40, Title.Top + 5);
  ASSERT_EQ(Grid->GetGridState(), gsColMoving);
  Display.MouseMove(Wnd, 40, 10);
  EXPECT_NE(Grid->GetGridState(), gsColMoving);
  EXPECT_EQ(Grid->GetGroupPanelArrowIndex(), 0);
  Display.MouseUp(Wnd, 40, 10, mbLeft);
  Display.ProcessMessages();
  ASSERT_EQ(Grid->GetDataGrouping()->GetActiveGroupLevelsCount(), 1);
  EXPECT_EQ(Grid->GetDataGrouping()->GetActiveGroupLevel(0)->GetColumn(), Column(2));
  EXPECT_FALSE(Column(2)->GetVisible());
  // The columns kept their order.
  EXPECT_EQ(Column(2)->GetFieldName(), u"NAME");
}

TEST_F(GroupRowInput, ClickingALevelBoxTwiceTurnsItsOrderRoundAndBackAndDraggingItOutRemovesIt) {
  ShowLibraries();
  GroupByCityAndKind();
  Grid->GetDataGrouping()->SetGroupPanelVisible(true);
  Column(0)->GetTitle()->SetTitleButton(true);
  Column(1)->GetTitle()->SetTitleButton(true);
  Display.ProcessMessages();
  TGridDataGroupLevelEh* City = Grid->GetDataGrouping()->GetActiveGroupLevel(0);
  const HWND Wnd = Grid->GetHandle();
  auto ClickBox = [&](Integer Index) {
    const TRect Box = Grid->GetGroupLevelBoxRect(Index);
    Display.AdvanceClock(GetDoubleClickTime() + 1);
    Display.Click(Wnd, Box.Left + 5, Box.Top + 3, mbLeft);
    Display.ProcessMessages();
  };
  ClickBox(0);
  EXPECT_EQ(City->GetSortOrder(), soDescEh);
  EXPECT_EQ(Rows().front(), u"Город: Москва (2)");
  ClickBox(0);
  EXPECT_EQ(City->GetSortOrder(), soAscEh);
  EXPECT_EQ(Rows().front(), u"Город: Киев (2)");
  // The second box moved in front of the first swaps the levels.
  const TRect Second = Grid->GetGroupLevelBoxRect(1);
  Display.MouseDown(Wnd, Second.Left + 5, Second.Top + 3, mbLeft);
  Display.MouseMove(Wnd, 2, Second.Top + 3);
  Display.MouseUp(Wnd, 2, Second.Top + 3, mbLeft);
  Display.ProcessMessages();
  ASSERT_EQ(Grid->GetDataGrouping()->GetActiveGroupLevelsCount(), 2);
  EXPECT_EQ(Grid->GetDataGrouping()->GetActiveGroupLevel(0)->GetColumn(), Column(1));
  // Dragged down out of the panel, a level goes.
  const TRect First = Grid->GetGroupLevelBoxRect(0);
  Display.MouseDown(Wnd, First.Left + 5, First.Top + 3, mbLeft);
  Display.MouseMove(Wnd, First.Left + 5, 200);
  Display.MouseUp(Wnd, First.Left + 5, 200, mbLeft);
  Display.ProcessMessages();
  ASSERT_EQ(Grid->GetDataGrouping()->GetActiveGroupLevelsCount(), 1);
  EXPECT_EQ(Grid->GetDataGrouping()->GetActiveGroupLevel(0)->GetColumn(), Column(0));
}

TEST_F(GroupRows, AGroupedGridWithItsPanelAndFootersIsPaintedAndKeptAsAPng) {
  ShowLibraries();
  Grid->SetFooterRowCount(1);
  Column(2)->GetFooter()->SetValueType(fvtCount);
  Column(3)->GetFooter()->SetValueType(fvtSum);
  Grid->GetSumList()->SetActive(true);
  GroupByCityAndKind();
  Grid->GetDataGrouping()->SetGroupPanelVisible(true);
  Grid->GetDataGrouping()->GetActiveGroupLevel(0)->SetColor(TColor(0xE0F0E0));
  Grid->GetDataGrouping()->GetActiveGroupLevel(1)->SetColor(TColor(0xF0E8D8));
  Grid->SetFocus();
  Table.First();
  Display.ProcessMessages();
  Grid->Invalidate();
  Display.ProcessMessages();
  const std::filesystem::path Dir = std::filesystem::path(BORROW_BINARY_DIR) / "test-artifacts";
  std::filesystem::create_directories(Dir);
  ASSERT_TRUE(Display.SnapshotPNG(Grid->GetHandle(), (Dir / "grid-grouped-with-footers.png").string()));

  const HWND Wnd = Grid->GetHandle();
  // The panel's background lies between the fixed colour and the dark line colour.
  const TColor Panel = Display.PixelAt(Wnd, Grid->GetClientWidth() - 5, 3);
  EXPECT_NE(Panel, ColorToRGB(Grid->GetFixedColor()));
  // The first group row is painted in its level's colour right of its button.
  TRect Cell = Grid->CellRect(3, Grid->GetTitleRowCount());
  EXPECT_EQ(Display.PixelAt(Wnd, Cell.Right - 4, Cell.Top + 3), ColorToRGB(TColor(0xE0F0E0)));
  // The footer counts all five records and sums their holdings.
  String Text;
  Grid->GetFooterValue(0, Column(3), Text);
  EXPECT_EQ(Text, u"79");
}

TEST_F(GroupRowInput, WithTheFilterRowInTheTitlesTheEndOfALevelBoxDropsItsSortListWhichOrdersTheLevel) {
  ShowLibraries();
  GroupByCityAndKind();
  Grid->GetDataGrouping()->SetGroupPanelVisible(true);
  Grid->GetSTFilter()->SetVisible(true);
  Grid->GetSTFilter()->SetLocation(stflInTitleFilterEh);
  Column(0)->GetTitle()->SetTitleButton(true);
  Grid->SetFocus();
  Display.ProcessMessages();
  TGridDataGroupLevelEh* City = Grid->GetDataGrouping()->GetActiveGroupLevel(0);
  const HWND Wnd = Grid->GetHandle();
  const TRect Box = Grid->GetGroupLevelBoxRect(0);
  Display.Click(Wnd, Box.Right - 5, (Box.Top + Box.Bottom) / 2, mbLeft);
  Display.ProcessMessages();
  ASSERT_TRUE(Grid->GetTitleFilterListVisible());
  EXPECT_EQ(Grid->GetGroupSortDropDownLevel(), City);
  EXPECT_EQ(Grid->GetTitleFilterListColumn(), nullptr);
  TPopupListboxEh* List = Grid->GetTitleFilterList();
  ASSERT_EQ(List->GetItems()->GetCount(), 2);
  EXPECT_EQ(List->GetItems()->Get(0), LoadResStringEh(SSortAscendingEh));
  EXPECT_EQ(List->GetBoundsRect().Top, Grid->ClientToScreen(Box.BottomRight()).Y);
  // The level keeps its order until the descending item is chosen.
  EXPECT_EQ(City->GetSortOrder(), soAscEh);
  List->SetItemIndex(1);
  Display.Key(VK_RETURN, THeadlessShift::None);
  Display.ProcessMessages();
  EXPECT_FALSE(Grid->GetTitleFilterListVisible());
  EXPECT_EQ(Grid->GetGroupSortDropDownLevel(), nullptr);
  EXPECT_EQ(City->GetSortOrder(), soDescEh);
  EXPECT_EQ(Rows().front(), u"Город: Москва (2)");
  EXPECT_EQ(Column(0)->GetTitle()->GetSortMarker(), smNoneEh);
  // A press on the box's caption is still the ordinary click that turns the order round.
  Display.AdvanceClock(GetDoubleClickTime() + 1);
  Display.Click(Wnd, Box.Left + 5, (Box.Top + Box.Bottom) / 2, mbLeft);
  Display.ProcessMessages();
  EXPECT_FALSE(Grid->GetTitleFilterListVisible());
  EXPECT_EQ(City->GetSortOrder(), soAscEh);
}

TEST_F(GroupRowInput, WithoutTheFilterRowInTheTitlesTheEndOfALevelBoxIsPartOfItsClick) {
  ShowLibraries();
  GroupByCityAndKind();
  Grid->GetDataGrouping()->SetGroupPanelVisible(true);
  Column(0)->GetTitle()->SetTitleButton(true);
  Display.ProcessMessages();
  const TRect Box = Grid->GetGroupLevelBoxRect(0);
  Display.Click(Grid->GetHandle(), Box.Right - 5, (Box.Top + Box.Bottom) / 2, mbLeft);
  Display.ProcessMessages();
  EXPECT_FALSE(Grid->GetTitleFilterListVisible());
  EXPECT_EQ(Grid->GetDataGrouping()->GetActiveGroupLevel(0)->GetSortOrder(), soDescEh);
}

TEST_F(GroupRows, UnderAnOpenRowDetailPanelTheRecordsGroupBoxesGoOnDownTheBandBesideThePanel) {
  ShowLibraries();
  GroupByCityAndKind();
  Grid->GetDataGrouping()->GetActiveGroupLevel(0)->SetColor(TColor(0xE0F0E0));
  Grid->GetDataGrouping()->GetActiveGroupLevel(1)->SetColor(TColor(0xF0E8D8));
  Grid->SetCurrentFlatIndex(2);  // Институтская
  Grid->GetRowDetailPanel()->SetActive(true);
  Grid->GetRowDetailPanel()->SetVisible(true);
  Grid->SetFocus();
  Display.ProcessMessages();
  const Integer Row = Grid->GetTitleRowCount() + 2;
  const TRect Cell = Grid->CellRect(1, Row);
  ASSERT_GT(Cell.Height(), Grid->GetDataRowHeightValue() + 20);
  const Integer BandY = Cell.Top + Grid->GetDataRowHeightValue() + 10;
  const HWND Wnd = Grid->GetHandle();
  // The outer group's box, in its level's colour, closed by its line at the right.
  EXPECT_EQ(Display.PixelAt(Wnd, Cell.Left + 5, BandY), ColorToRGB(TColor(0xE0F0E0)));
  EXPECT_EQ(Display.PixelAt(Wnd, Cell.Left + 17, BandY), Display.PixelAt(Wnd, Cell.Left + 17, Cell.Top + 3));
  EXPECT_NE(Display.PixelAt(Wnd, Cell.Left + 17, BandY), ColorToRGB(TColor(0xE0F0E0)));
  // The inner group's box beside it; the panel window starts after both and the detail button.
  EXPECT_EQ(Display.PixelAt(Wnd, Cell.Left + 23, BandY), ColorToRGB(TColor(0xF0E8D8)));
  EXPECT_EQ(Grid->GetRowDetailPanelControl()->GetLeft(), Cell.Left + 2 * 18 + 18);
}

TEST_F(GroupRows, TheFirstColumnGrowsByItsGroupBoxesSoItsTextKeepsTheColumnsWidth) {
  ShowLibraries();
  ASSERT_EQ(Grid->GetColWidths(1), 110);
  GroupByCityAndKind();
  EXPECT_EQ(Column(0)->GetWidth(), 110);
  EXPECT_EQ(Grid->GetColWidths(1), 110 + 2 * 18);
  // A record's text has the column's whole width after the boxes.
  const TRect Cell = Grid->CellRect(1, Grid->GetTitleRowCount() + 2);
  PaintGrid Paint(Grid);
  const TGdiOp* Text = Paint.Text(Cell, u"Киев");
  ASSERT_NE(Text, nullptr);
  EXPECT_GE(Text->Rect.Left, Cell.Left + 2 * 18);
  EXPECT_GE(Text->Rect.Width(), 110 - 4);
  // The other columns keep their widths; without grouping the first one too.
  EXPECT_EQ(Grid->GetColWidths(2), 100);
  Grid->GetDataGrouping()->SetActive(false);
  Display.ProcessMessages();
  EXPECT_EQ(Grid->GetColWidths(1), 110);
}

TEST_F(GroupRows, AGroupRowIsOneBandWithoutColumnLinesClosedAtTheLastColumnsRightEnd) {
  ShowLibraries();
  GroupByCityAndKind();
  Grid->GetDataGrouping()->GetActiveGroupLevel(0)->SetColor(TColor(0xE0F0E0));
  Display.ProcessMessages();
  const HWND Wnd = Grid->GetHandle();
  const Integer GroupRow = Grid->GetTitleRowCount(), RecordRow = GroupRow + 2;
  // Between the second and the third column: the group row's colour, the record row's line.
  const TRect Kind = Grid->CellRect(2, GroupRow);
  const TRect RecordKind = Grid->CellRect(2, RecordRow);
  EXPECT_EQ(Display.PixelAt(Wnd, Kind.Right, Kind.Top + 4), ColorToRGB(TColor(0xE0F0E0)));
  const TColor Line = Display.PixelAt(Wnd, RecordKind.Right, RecordKind.Top + 4);
  EXPECT_NE(Line, ColorToRGB(Grid->GetColor()));
  // The last column's right end closes the band as it closes the records.
  const TRect Last = Grid->CellRect(4, GroupRow);
  EXPECT_EQ(Display.PixelAt(Wnd, Last.Right, Last.Top + 4), Line);
}
