// The lookup grid over an in-memory list of resources: it shows the list, marks
// and locates the key, and the mouse, the keys and typed text choose another key,
// kept in the grid or written into the key field of a data table.

#include <gtest/gtest.h>

#include "grid/DBLookupGridsEh.h"
#include "platform/data/DB.h"
#include "tests/grid/DBGridTestSupport.h"
#include "tests/grid/GridMetricsTestSupport.h"

namespace {

class LookupGrid : public ::testing::Test {
protected:
  THeadlessDisplay Display;
  GridUnits Units;
  ScopedGridTextEngine Metrics;
  TMemTableEh List{nullptr};
  TDataSource ListSource{nullptr};
  TForm* Form = nullptr;
  TDBLookupGridEh* Grid = nullptr;
  bool InstantReading = true;  // off: the grid shows the data link's window of records

  void SetUp() override {
    BuildResourceColumns(List.GetMemTableData());
    TMTDataStructEh* Struct = List.GetMemTableData()->GetDataStruct();
    for (Integer I = 0; I < Struct->GetCount(); ++I) Struct->GetItem(I)->SetVisible(true);
    ListSource.SetDataSet(&List);
  }
  void TearDown() override { delete Form; }

  // The list of Names (ids 1, 2, ...), shown by a lookup grid keyed by ID_THIS listing NAME_THIS.
  void ShowList(const std::vector<String>& Names) {
    for (size_t I = 0; I < Names.size(); ++I) AddResource(List, Integer(I) + 1, 0, 0, Integer(I) + 1, Names[I]);
    List.Open();
    Form = new TForm(Application);
    Form->SetBorderStyle(bsNone);
    Form->SetBounds(10, 10, 300, 400);
    Grid = new TDBLookupGridEh(Form);
    Grid->SetParent(Form);
    Grid->SetBounds(0, 0, 200, 150);
    Form->Show();
    Grid->SetMemTableSupportIntf(InstantReading);
    Grid->SetListSource(&ListSource);
    Grid->SetKeyField(u"ID_THIS");
    Grid->SetListField(u"NAME_THIS");
    Display.ProcessMessages();
  }
  void ShowNumbered(Integer Count) {
    std::vector<String> Names;
    for (Integer I = 1; I <= Count; ++I) Names.push_back(u"Запись " + IntToStr(I));
    ShowList(Names);
  }
  TPoint RowCenter(Integer Row) const {
    const TRect R = Grid->CellRect(0, Row);
    return TPoint((R.Left + R.Right) / 2, (R.Top + R.Bottom) / 2);
  }
  void ClickRow(Integer Row) {
    Display.AdvanceClock(GetDoubleClickTime() + 1);
    const TPoint P = RowCenter(Row);
    Display.Click(Grid->GetHandle(), P.X, P.Y);
  }
  Integer CurrentId() { return IdOf(List); }
  Integer FirstShownId() {
    if (!Grid->BeginReadRow(0)) return -1;
    const Integer Id = IdOf(List);
    Grid->EndReadRow();
    return Id;
  }
  void Wheel(Integer Delta) { Display.Wheel(Grid->GetHandle(), 20, 40, Delta); }
  void VScroll(Integer Code) { SendMessage(Grid->GetHandle(), WM_VSCROLL, MakeWParam(Code, 0), 0); }
  TScrollInfo Bar() {
    TScrollInfo Info;
    Info.fMask = SIF_ALL;
    GetScrollInfo(Grid->GetHandle(), SB_VERT, Info);
    return Info;
  }
};

TEST_F(LookupGrid, ShowsTheListFieldsAndLocatesTheKeyWithItsDisplayText) {
  ShowNumbered(20);
  EXPECT_EQ(FieldNamesOf(Grid), (std::vector<String>{u"NAME_THIS"}));
  EXPECT_TRUE(Grid->GetListActive());
  EXPECT_EQ(Grid->GetListFieldObject(), List.FieldByName(u"NAME_THIS"));
  EXPECT_TRUE(Grid->GetKeyValue().IsNull());

  Grid->SetKeyValue(Variant(15));
  EXPECT_EQ(CurrentId(), 15);
  EXPECT_EQ(Grid->GetDisplayText(), u"Запись 15");
  EXPECT_EQ(Grid->GetRow(), Grid->GetTitleRowCount() + 14);
  // The key's row is in the window.
  EXPECT_LE(Grid->GetTopRow(), Grid->GetRow());
  EXPECT_GT(Grid->GetTopRow() + Grid->VisibleDataRows(), Grid->GetRow());

  // A key the list lacks: no error, the list goes to its first record.
  Grid->SetKeyValue(Variant(99));
  EXPECT_EQ(CurrentId(), 1);
  EXPECT_EQ(Grid->GetKeyValue().AsInteger(), 99);
}

TEST_F(LookupGrid, OnlyTheKeysRowIsHighlighted) {
  ShowNumbered(5);
  Grid->SetKeyValue(Variant(3));
  TFont Font;
  for (Integer Row = 0; Row < 5; ++Row) {
    ASSERT_TRUE(Grid->BeginReadRow(Row));
    TColor Background = clWindow;
    const bool Highlighted =
        Grid->GetHighlightColors(0, Row + Grid->GetTitleRowCount(), 0, Row, TGridDrawState{}, false, &Font, Background);
    Grid->EndReadRow();
    EXPECT_EQ(Highlighted, Row == 2) << Row;
    if (Highlighted) {
      EXPECT_EQ(Background, clHighlight);
    }
  }
}

TEST_F(LookupGrid, AnUnknownListFieldIsADatabaseErrorNamingTheText) {
  ShowNumbered(3);
  try {
    Grid->SetListField(u"NAME_THIS;NOPE");
    FAIL() << "no error";
  } catch (const EDatabaseError& E) {
    EXPECT_EQ(E.Message(), u"Field 'NAME_THIS;NOPE' not found");
  }
  EXPECT_FALSE(Grid->GetListActive());
}

TEST_F(LookupGrid, AClickChoosesTheRowsKeyAndRaisesTheClickEvent) {
  ShowNumbered(10);
  Integer Clicks = 0;
  Grid->OnClick = [&](TObject*) { ++Clicks; };
  ClickRow(Grid->GetTitleRowCount() + 3);
  EXPECT_EQ(Grid->GetKeyValue().AsInteger(), 4);
  EXPECT_EQ(Grid->GetDisplayText(), u"Запись 4");
  EXPECT_EQ(Clicks, 1);
  EXPECT_EQ(GetFocus(), Grid->GetHandle());
}

TEST_F(LookupGrid, DraggingTheHeldMouseChoosesEachRowPassed) {
  ShowNumbered(10);
  std::vector<Integer> Keys;
  Grid->OnClick = [&](TObject*) { Keys.push_back(Grid->GetKeyValue().AsInteger()); };
  const Integer First = Grid->GetTitleRowCount();
  Display.Drag(Grid->GetHandle(), RowCenter(First), RowCenter(First + 3), 3);
  EXPECT_EQ(Keys, (std::vector<Integer>{1, 2, 3, 4}));
  EXPECT_FALSE(Grid->GetTracking());
}

TEST_F(LookupGrid, KeysMoveTheChoiceThroughTheList) {
  ShowNumbered(30);
  Grid->SetFocus();
  Grid->SetKeyValue(Variant(5));
  Display.Key(VK_DOWN);
  EXPECT_EQ(Grid->GetKeyValue().AsInteger(), 6);
  Display.Key(VK_UP);
  Display.Key(VK_UP);
  EXPECT_EQ(Grid->GetKeyValue().AsInteger(), 4);
  Display.Key(VK_NEXT);
  EXPECT_EQ(Grid->GetKeyValue().AsInteger(), 4 + Grid->VisibleDataRows());
  Display.Key(VK_END);
  EXPECT_EQ(Grid->GetKeyValue().AsInteger(), 30);
  Display.Key(VK_HOME);
  EXPECT_EQ(Grid->GetKeyValue().AsInteger(), 1);
  Display.Key(VK_UP);
  EXPECT_EQ(Grid->GetKeyValue().AsInteger(), 1);
}

TEST_F(LookupGrid, OverAWindowOfRecordsTheWheelScrollsWithoutChoosingAndTheNextKeyStartsFromTheKey) {
  InstantReading = false;
  ShowNumbered(30);
  ASSERT_FALSE(Grid->RowScrollMode());
  const Integer Rows = Grid->VisibleDataRows();
  Grid->SetFocus();
  Grid->SetKeyValue(Variant(1));
  ASSERT_EQ(FirstShownId(), 1);
  // A notch down shows the record after the window; the choice stays.
  Wheel(-120);
  EXPECT_EQ(FirstShownId(), 2);
  Wheel(-120);
  EXPECT_EQ(FirstShownId(), 3);
  EXPECT_EQ(Grid->GetKeyValue().AsInteger(), 1);
  // The key's record left the window: Down brings it back and moves nothing.
  Display.Key(VK_DOWN);
  EXPECT_EQ(Grid->GetKeyValue().AsInteger(), 1);
  EXPECT_EQ(FirstShownId(), 1);
  Display.Key(VK_DOWN);
  EXPECT_EQ(Grid->GetKeyValue().AsInteger(), 2);
  // Still on screen after a notch, the key's record is where Down starts.
  Wheel(120);
  EXPECT_EQ(FirstShownId(), 1);
  Wheel(-120);
  ASSERT_EQ(FirstShownId(), 2);
  Display.Key(VK_DOWN);
  EXPECT_EQ(Grid->GetKeyValue().AsInteger(), 3);
  EXPECT_EQ(CurrentId(), 3);
  EXPECT_LT(3, FirstShownId() + Rows);
}

TEST_F(LookupGrid, OverAWindowOfRecordsTheBarShowsAndMovesTheWindowAndEndsTheSearch) {
  InstantReading = false;
  ShowNumbered(30);
  const Integer Rows = Grid->VisibleDataRows();
  Grid->SetFocus();
  Grid->SetKeyValue(Variant(1));
  EXPECT_EQ(Bar().nMin, 0);
  EXPECT_EQ(Bar().nMax, 29);
  EXPECT_EQ(Bar().nPage, UINT(Rows));
  EXPECT_EQ(Bar().nPos, 0);
  VScroll(SB_LINEDOWN);
  EXPECT_EQ(FirstShownId(), 2);
  EXPECT_EQ(Bar().nPos, 1);
  VScroll(SB_LINEUP);
  EXPECT_EQ(FirstShownId(), 1);
  VScroll(SB_PAGEDOWN);
  EXPECT_EQ(FirstShownId(), Rows + 1);
  VScroll(SB_PAGEUP);
  EXPECT_EQ(FirstShownId(), 1);
  VScroll(SB_BOTTOM);
  EXPECT_EQ(FirstShownId(), 30 - Rows + 1);
  EXPECT_EQ(Bar().nPos, 30 - Rows);
  SetScrollPos(Grid->GetHandle(), SB_VERT, 9, false);
  VScroll(SB_THUMBPOSITION);
  EXPECT_EQ(CurrentId(), 10);
  VScroll(SB_TOP);
  EXPECT_EQ(FirstShownId(), 1);
  EXPECT_EQ(Grid->GetKeyValue().AsInteger(), 1);

  Display.TypeText(u"з");
  ASSERT_EQ(Grid->GetSearchText(), u"з");
  VScroll(SB_LINEDOWN);
  EXPECT_EQ(Grid->GetSearchText(), u"");
}

TEST_F(LookupGrid, OverATableReadRowByRowTheBarScrollsTheRowsAndEndsTheSearchToo) {
  ShowNumbered(30);
  ASSERT_TRUE(Grid->RowScrollMode());
  Grid->SetFocus();
  Display.TypeText(u"з");
  ASSERT_EQ(Grid->GetSearchText(), u"з");
  const Integer Top = Grid->GetTopRow();
  VScroll(SB_LINEDOWN);
  EXPECT_EQ(Grid->GetTopRow(), Top + 1);
  EXPECT_EQ(Grid->GetSearchText(), u"");
}

TEST_F(LookupGrid, TheSpecialRowStandsForItsValueAboveTheFirstRecord) {
  ShowNumbered(5);
  TSpecRowEh* Special = Grid->GetSpecRow();
  Special->SetCellsText(u"(нет)");
  Special->SetValue(Variant(0));
  Special->SetVisible(true);
  EXPECT_EQ(Grid->SpecRowGridRow(), 0);
  EXPECT_EQ(Grid->GetTitleRowCount(), 1);
  Grid->SetFocus();
  Grid->SetKeyValue(Variant(1));

  Display.Key(VK_UP);
  EXPECT_EQ(Grid->GetKeyValue().AsInteger(), 0);
  EXPECT_TRUE(Grid->GetSpecRowSelected());
  EXPECT_EQ(Grid->GetDisplayText(), u"(нет)");

  Display.Key(VK_DOWN);
  EXPECT_EQ(Grid->GetKeyValue().AsInteger(), 1);
  EXPECT_FALSE(Grid->GetSpecRowSelected());

  // A key equal to its value selects it; a key the list lacks does too.
  Grid->SetKeyValue(Variant(0));
  EXPECT_TRUE(Grid->GetSpecRowSelected());
  Grid->SetKeyValue(Variant(3));
  EXPECT_FALSE(Grid->GetSpecRowSelected());
  Grid->SetKeyValue(Variant(77));
  EXPECT_TRUE(Grid->GetSpecRowSelected());

  // A click on it chooses it.
  Grid->SetKeyValue(Variant(2));
  ClickRow(Grid->SpecRowGridRow());
  EXPECT_EQ(Grid->GetKeyValue().AsInteger(), 0);
}

TEST_F(LookupGrid, TypedLettersFindTheFirstMatchUntilAPauseOfTwoSeconds) {
  ShowList({u"Бета", u"Альфа", u"Абрикос", u"Бабочка"});
  Grid->SetFocus();
  Display.TypeText(u"а");
  EXPECT_EQ(Grid->GetKeyValue().AsInteger(), 2);
  Display.TypeText(u"Б");
  EXPECT_EQ(Grid->GetKeyValue().AsInteger(), 3);
  EXPECT_EQ(Grid->GetSearchText(), u"аБ");
  // A letter that matches nothing keeps the text and the choice.
  Display.TypeText(u"я");
  EXPECT_EQ(Grid->GetSearchText(), u"аБ");
  EXPECT_EQ(Grid->GetKeyValue().AsInteger(), 3);

  Display.AdvanceClock(2001);
  Display.TypeText(u"б");
  EXPECT_EQ(Grid->GetKeyValue().AsInteger(), 1);
  EXPECT_EQ(Grid->GetSearchText(), u"б");
  Display.Key(VK_BACK);
  EXPECT_EQ(Grid->GetSearchText(), u"");
}

TEST_F(LookupGrid, TheSearchTextStopsAtThirtyTwoCharacters) {
  const String Long(40, u'я');
  ShowList({u"Бета", Long});
  Grid->SetFocus();
  Display.TypeText(Long.substr(0, 33));
  EXPECT_EQ(Grid->GetSearchText(), Long.substr(0, 32));
  EXPECT_EQ(Grid->GetKeyValue().AsInteger(), 2);
}

TEST_F(LookupGrid, RowCountStaysWithinOneAndAHundredAndTheHeightFitsItsRows) {
  ShowNumbered(5);
  Grid->SetListRowCount(0);
  EXPECT_EQ(Grid->GetListRowCount(), 1);
  Grid->SetListRowCount(500);
  EXPECT_EQ(Grid->GetListRowCount(), 100);

  Grid->SetListRowCount(4);
  const Integer Height4 = Grid->GetHeight();
  Grid->SetListRowCount(5);
  const Integer Step = Grid->GetHeight() - Height4;
  EXPECT_EQ(Step, Grid->DataRowHeight());
  EXPECT_EQ(Grid->GetClientHeight() - Grid->GetTitleRowHeight() * Grid->GetShowTitles(), 5 * Step);

  // Any height snaps to whole rows.
  Grid->SetBounds(0, 0, 200, Height4 + Step / 2);
  EXPECT_EQ(Grid->GetListRowCount(), 4);
  EXPECT_EQ(Grid->GetHeight(), Height4);

  // Titles on or off keep the rows.
  Grid->SetShowTitles(true);
  EXPECT_EQ(Grid->GetListRowCount(), 4);
  EXPECT_EQ(Grid->GetHeight(), Height4 + Grid->GetTitleRowHeight());
}

class LookupGridDataSide : public LookupGrid {
protected:
  TMemTableEh Data{nullptr};
  TDataSource DataSource{nullptr};

  void SetUp() override {
    LookupGrid::SetUp();
    BuildResourceColumns(Data.GetMemTableData());
    AddResource(Data, 100, 2, 0, 1, u"Первая");
    AddResource(Data, 101, 4, 0, 2, u"Вторая");
    Data.Open();
    DataSource.SetDataSet(&Data);
  }
};

TEST_F(LookupGridDataSide, TheDataSidesKeyFieldIsShownAndReceivesTheChoice) {
  ShowNumbered(6);
  Grid->SetKeyDataSource(&DataSource);
  Grid->SetDataField(u"ID_PARENT");
  EXPECT_EQ(Grid->GetKeyValue().AsInteger(), 2);
  EXPECT_EQ(Grid->GetDisplayText(), u"Запись 2");

  Data.Next();
  EXPECT_EQ(Grid->GetKeyValue().AsInteger(), 4);
  EXPECT_EQ(CurrentId(), 4);

  ClickRow(Grid->GetTitleRowCount() + 5);
  EXPECT_EQ(Data.GetState(), dsEdit);
  EXPECT_EQ(Data.FieldByName(u"ID_PARENT")->GetAsInteger(), 6);
  EXPECT_EQ(Grid->GetKeyValue().AsInteger(), 6);
  Data.Post();

  // A read-only data side takes no choice.
  Grid->GetKeyDataLink()->SetReadOnly(true);
  EXPECT_FALSE(Grid->CanModifyKey());
  ClickRow(Grid->GetTitleRowCount());
  EXPECT_EQ(Data.FieldByName(u"ID_PARENT")->GetAsInteger(), 6);
}

TEST_F(LookupGridDataSide, AListLinkedToTheDataSideIsRefused) {
  ShowNumbered(3);
  Grid->SetListSource(nullptr);
  Grid->SetKeyField(u"");
  Grid->SetKeyDataSource(&DataSource);
  Grid->SetDataField(u"ID_PARENT");
  Grid->SetListSource(&DataSource);
  EXPECT_THROW(Grid->SetKeyField(u"ID_THIS"), EDatabaseError);
  EXPECT_FALSE(Grid->GetListActive());
  EXPECT_EQ(Grid->GetKeyField(), u"");
}

}  // namespace

namespace {

// Records whose parent's name is a lookup field into the list of resources.
class LookupGridLookupMode : public LookupGrid {
protected:
  TMemTableEh Data{nullptr};
  TDataSource DataSource{nullptr};
  TComponent Owner{nullptr};

  void SetUp() override {
    LookupGrid::SetUp();
    BuildResourceColumns(Data.GetMemTableData());
    for (const char16_t* Name : {u"ID_THIS", u"ID_PARENT"}) {
      auto* F = new TIntegerField(&Owner);
      F->SetFieldName(Name);
      F->SetDataSet(&Data);
    }
    auto* Parent = new TWideStringField(&Owner);
    Parent->SetFieldName(u"PARENT_NAME");
    Parent->SetFieldKind(fkLookup);
    Parent->SetKeyFields(u"ID_PARENT");
    Parent->SetLookupDataSet(&List);
    Parent->SetLookupKeyFields(u"ID_THIS");
    Parent->SetLookupResultField(u"NAME_THIS");
    Parent->SetDataSet(&Data);
    AddResource(Data, 100, 3, 0, 1, u"Первая");
    DataSource.SetDataSet(&Data);
  }
  void TearDown() override {
    LookupGrid::TearDown();
    Form = nullptr;
    Data.Close();
  }
};

TEST_F(LookupGridLookupMode, ALookupFieldBringsItsOwnListKeyAndDisplayText) {
  ShowNumbered(5);
  Grid->SetListSource(nullptr);
  Grid->SetKeyField(u"");
  Data.Open();
  Grid->SetKeyDataSource(&DataSource);
  Grid->SetDataField(u"PARENT_NAME");
  EXPECT_TRUE(Grid->GetLookupMode());
  EXPECT_TRUE(Grid->GetListActive());
  EXPECT_EQ(Grid->GetListDataSet(), &List);
  EXPECT_EQ(Grid->GetKeyField(), u"");
  EXPECT_EQ(Grid->GetListFieldObject(), List.FieldByName(u"NAME_THIS"));
  EXPECT_EQ(Grid->GetKeyValue().AsInteger(), 3);
  EXPECT_EQ(Grid->GetDisplayText(), u"Запись 3");
  EXPECT_THROW(Grid->SetListSource(&ListSource), EDatabaseError);
  EXPECT_THROW(Grid->SetKeyField(u"ID_THIS"), EDatabaseError);

  // A choice goes into the key field behind the lookup field.
  ClickRow(Grid->GetTitleRowCount() + 4);
  EXPECT_EQ(Data.FieldByName(u"ID_PARENT")->GetAsInteger(), 5);
  EXPECT_EQ(Data.FieldByName(u"PARENT_NAME")->GetAsString(), u"Запись 5");

  // Another data field leaves the mode and its list.
  Data.Cancel();
  Grid->SetDataField(u"ID_PARENT");
  EXPECT_FALSE(Grid->GetLookupMode());
  EXPECT_FALSE(Grid->GetListActive());
}

}  // namespace
