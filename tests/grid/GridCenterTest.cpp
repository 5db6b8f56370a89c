// The grid center: the filter drop-down's commands and values, the
// indicator-title menu every grid shares, the indicator-title press, record
// moving, and what the unit's start sets.

#include "DBGridTestSupport.h"
#include "gridbase/DaVirConsts.h"
#include "platform/ui/Clipbrd.h"

namespace {

class GridCenter : public GridFixture {
protected:
  TDBGridEhCenter* Center() { return Grid->GetCenter(); }
  TColumnEh* Column(const String& FieldName) { return Grid->FindColumnByFieldName(FieldName); }
  static std::vector<String> TextsOf(const TStrings& Items) {
    std::vector<String> Texts;
    for (Integer I = 0; I < Items.GetCount(); ++I) Texts.push_back(Items.Get(I));
    return Texts;
  }
  static std::vector<String> CaptionsOf(TPopupMenu* Menu) {
    std::vector<String> Captions;
    for (Integer I = 0; I < Menu->GetItems()->GetCount(); ++I)
      Captions.push_back(Menu->GetItems()->GetItem(I)->GetCaption());
    return Captions;
  }
  TPopupMenu* BuildMenu() {
    TPopupMenu* Menu = nullptr;
    Center()->DoBuildIndicatorTitleMenu(Grid, Menu);
    return Menu;
  }
};

}  // namespace

TEST(GridCenterUnit, TheUnitsStartSetsItsKeyBindingsAndIncrementalSearchSettings) {
  GridUnits Units;
  EXPECT_EQ(IncSearchShortCut, ShortCut('F', TShiftState{ssCtrl}));
  EXPECT_EQ(FindDialogShortCut, ShortCut('F', TShiftState{ssCtrl}));
  EXPECT_EQ(IncSearchNextShortCut, ShortCut(VK_RETURN, TShiftState{ssCtrl}));
  EXPECT_EQ(IncSearchPriorShortCut, ShortCut(VK_RETURN, TShiftState{ssCtrl, ssShift}));
  EXPECT_EQ(CopyFromPriorRowShortCut, ShortCut(222, TShiftState{ssCtrl}));
  EXPECT_EQ(FilterListShortCut, ShortCut('T', TShiftState{ssCtrl}));
  EXPECT_EQ(IncSearchTimeOut, 1500);
  EXPECT_EQ(IncSearchColor, clYellow);
  EXPECT_EQ(IncSearchTextColor, TColor(0));
  ASSERT_NE(GetDBGridEhCenter(), nullptr);
  EXPECT_FALSE(GetDBGridEhCenter()->GetFilterEditCloseUpApplyFilter());
  EXPECT_EQ(GetDBGridEhCenter()->GetIndicatorTitleMenuItems(), 63);
  EXPECT_EQ(PopupListboxItemEhSort(smDownEh)->GetSortMarker(), smDownEh);
  EXPECT_EQ(PopupListboxItemEhSort(smUpEh)->GetSortMarker(), smUpEh);
  for (Integer Kind = 0; Kind <= 5; ++Kind)
    EXPECT_EQ(PopupListboxItemEhSpec(TPopupListboxItemEhSpecType(Kind))->GetKind(), Kind);
}

TEST(GridCenterUnit, TheSharedFilterItemsLiveFromTheUnitsStartToItsEnd) {
  EXPECT_EQ(PopupListboxItemEhData(), nullptr);
  {
    GridUnits Units;
    EXPECT_NE(PopupListboxItemEhData(), nullptr);
    EXPECT_NE(PopupListboxItemEhLine(), nullptr);
  }
  EXPECT_EQ(PopupListboxItemEhLine(), nullptr);
}

// ---- Filter drop-down lists ------------------------------------------------------------------------------

TEST_F(GridCenter, TheDropDownsCommandsOfferSortingOnlyForASortableTitleButton) {
  ShowResources();
  TStringList Items;
  Center()->FillSTFilterListSpecialItems(Grid, Column(u"NAME_THIS"), &Items);
  EXPECT_EQ(TextsOf(Items), (std::vector<String>{u"(Очистить фильтр)", u"(Применить фильтр)", u"(Условие...)", u"(Все)",
                                                 u"(Не пустые)", u"(Пустые)"}));
  Grid->SetOptionsEh(Grid->GetOptionsEh() + dghAutoSortMarking);
  Column(u"NAME_THIS")->GetTitle()->SetTitleButton(true);
  Items.Clear();
  Center()->FillSTFilterListSpecialItems(Grid, Column(u"NAME_THIS"), &Items);
  ASSERT_EQ(Items.GetCount(), 9);
  EXPECT_EQ(Items.Get(0), u"(Сортировка по возрастанию)");
  EXPECT_EQ(Items.GetObject(0), PopupListboxItemEhSort(smDownEh));
  EXPECT_EQ(Items.Get(1), u"(Сортировка по убыванию)");
  EXPECT_EQ(Items.GetObject(1), PopupListboxItemEhSort(smUpEh));
  EXPECT_EQ(Items.Get(2), u"-");
  EXPECT_EQ(Items.GetObject(2), PopupListboxItemEhLine());
  EXPECT_EQ(Items.GetObject(3), PopupListboxItemEhSpec(ptFilterSpecItemClearFilter));
  EXPECT_EQ(Items.GetObject(4), PopupListboxItemEhSpec(ptFilterSpecItemApplyFilter));
  EXPECT_EQ(Items.GetObject(5), PopupListboxItemEhSpec(ptFilterSpecItemDialog));
  EXPECT_EQ(Items.GetObject(6), PopupListboxItemEhSpec(ptFilterSpecItemSelectAll));
  EXPECT_EQ(Items.GetObject(7), PopupListboxItemEhSpec(ptFilterSpecItemNotEmpties));
  EXPECT_EQ(Items.GetObject(8), PopupListboxItemEhSpec(ptFilterSpecItemEmpties));
}

TEST_F(GridCenter, ApplyingIsOfferedOnlyWhenTheFilterRowDoesNotApplyInstantly) {
  ShowResources();
  Grid->GetSTFilter()->SetInstantApply(true);
  TStringList Items;
  Center()->FillSTFilterListSpecialItems(Grid, Column(u"NAME_THIS"), &Items);
  EXPECT_EQ(Items.IndexOf(u"(Применить фильтр)"), -1);
  EXPECT_EQ(Items.GetCount(), 5);
}

TEST_F(GridCenter, AColumnsValuesAreThoseTheOtherColumnsFiltersLetThrough) {
  ShowResources();
  Column(u"ID_TYPE")->GetSTFilter()->SetExpressionStr(u"=1");
  Column(u"NAME_THIS")->GetSTFilter()->SetExpressionStr(u"=Архив");
  TStringList Items;
  Center()->FillSTFilterListValues(Grid, Column(u"NAME_THIS"), &Items);
  EXPECT_EQ(TextsOf(Items), (std::vector<String>{u"Вторая", u"Первая", u"Фонд"}));
  for (Integer I = 0; I < Items.GetCount(); ++I) EXPECT_EQ(Items.GetObject(I), PopupListboxItemEhData());
  EXPECT_EQ(Column(u"NAME_THIS")->GetSTFilter()->GetExpression().Operator1, foEqualEh);
  Items.Clear();
  Center()->FillSTFilterListValues(Grid, Column(u"ID_TYPE"), &Items);
  EXPECT_EQ(TextsOf(Items), (std::vector<String>{u"0"}));
}

TEST_F(GridCenter, KeyListValuesAreOfferedAsTheirPickListTexts) {
  ShowResources();
  Column(u"ID_TYPE")->GetKeyList()->SetText(u"0\n1");
  Column(u"ID_TYPE")->GetPickList()->SetText(u"Группа\nРесурс");
  TStringList Items;
  Center()->FillSTFilterListValuesDefault(Grid, Column(u"ID_TYPE"), &Items);
  EXPECT_EQ(TextsOf(Items), (std::vector<String>{u"Группа", u"Ресурс"}));
}

TEST_F(GridCenter, AListSourceOffersAllItsValuesWhateverTheOtherFilters) {
  TMemTableEh Names(nullptr);
  AddTableColumn(Names.GetMemTableData(), TMTStringDataFieldEh::StaticComponentClass(), ftWideString, u"NAME_THIS")
      ->SetSize(20);
  for (const char16_t* Name : {u"Фонд", u"Архив", u"Фонд"}) {
    TMemoryRecordEh* R = Names.GetRecordsData()->GetRecordsList()->NewRecord();
    R->SetDataValues(u"NAME_THIS", rvvValueEh, Variant(Name));
    R->Post();
  }
  Names.Open();
  TDataSource NamesSource(nullptr);
  NamesSource.SetDataSet(&Names);
  ShowResources();
  Column(u"NAME_THIS")->GetSTFilter()->SetListSource(&NamesSource);
  Column(u"ID_TYPE")->GetSTFilter()->SetExpressionStr(u"=0");
  TStringList Items;
  Center()->FillSTFilterListValues(Grid, Column(u"NAME_THIS"), &Items);
  EXPECT_EQ(TextsOf(Items), (std::vector<String>{u"Архив", u"Фонд"}));
  Column(u"NAME_THIS")->GetSTFilter()->SetListSource(nullptr);
}

// ---- The indicator-title menu ----------------------------------------------------------------------------

TEST_F(GridCenter, TheIndicatorMenuOffersVisibleColumnsAndTheEditActions) {
  ShowResources();
  TPopupMenu* Menu = BuildMenu();
  ASSERT_NE(Menu, nullptr);
  EXPECT_EQ(Menu->GetName(), u"DBGridEhIndicatorTitlePopupMenu");
  EXPECT_EQ(CaptionsOf(Menu), (std::vector<String>{u"Видимые столбцы", u"Вырезать", u"Копировать", u"Вставить",
                                                   u"Удалить", u"Выбрать все"}));
  TMenuItem* Visible = Menu->GetItems()->GetItem(0);
  ASSERT_EQ(Visible->GetCount(), 5);
  EXPECT_EQ(Visible->GetItem(4)->GetCaption(), u"NAME_THIS");
  EXPECT_TRUE(Visible->GetItem(4)->GetChecked());
  Center()->SetIndicatorTitleMenuItems(1 << 5);
  EXPECT_EQ(CaptionsOf(BuildMenu()), (std::vector<String>{u"Выбрать все"}));
}

TEST_F(GridCenter, TheVisibleColumnsItemsHideAndShowColumnsButKeepTheLastOne) {
  ShowResources();
  BuildMenu()->GetItems()->GetItem(0)->GetItem(0)->Click();
  EXPECT_FALSE(Column(u"ID_THIS")->GetVisible());
  EXPECT_FALSE(BuildMenu()->GetItems()->GetItem(0)->GetItem(0)->GetChecked());
  for (const char16_t* Name : {u"ID_PARENT", u"ID_TYPE", u"NPP"}) Column(Name)->SetVisible(false);
  BuildMenu()->GetItems()->GetItem(0)->GetItem(4)->Click();
  EXPECT_TRUE(Column(u"NAME_THIS")->GetVisible());
  BuildMenu()->GetItems()->GetItem(0)->GetItem(0)->Click();
  EXPECT_TRUE(Column(u"ID_THIS")->GetVisible());
}

TEST_F(GridCenter, SelectAllIsEnabledByTheGridsEditActionsAndSelectsEveryRecord) {
  ShowResources();
  TMenuItem* SelectAll = BuildMenu()->GetItems()->GetItem(5);
  EXPECT_FALSE(SelectAll->GetEnabled());
  Grid->SetEditActions(TDBGridEhEditActions{geaSelectAllEh});
  SelectAll = BuildMenu()->GetItems()->GetItem(5);
  ASSERT_TRUE(SelectAll->GetEnabled());
  SelectAll->Click();
  EXPECT_EQ(Grid->GetSelection()->GetSelectionType(), gstAll);
  Grid->SetAllowedSelections(TDBGridEhAllowedSelections{gstRecordBookmarks});
  EXPECT_FALSE(BuildMenu()->GetItems()->GetItem(5)->GetEnabled());
}

TEST_F(GridCenter, TheMenusEditActionsWorkOnTheGridsSelectionThroughTheClipboard) {
  ShowResources();
  Clipboard()->Clear();
  Grid->SetEditActions(TDBGridEhEditActions{geaCutEh, geaCopyEh, geaPasteEh, geaDeleteEh, geaSelectAllEh});
  auto Item = [&](Integer Index) { return BuildMenu()->GetItems()->GetItem(Index); };
  EXPECT_TRUE(Item(2)->GetEnabled());   // copy
  EXPECT_FALSE(Item(1)->GetEnabled());  // cut: nothing selected to delete
  EXPECT_FALSE(Item(3)->GetEnabled());  // paste: nothing on the clipboard
  EXPECT_FALSE(Item(4)->GetEnabled());  // delete: nothing selected
  Item(5)->Click();
  ASSERT_EQ(Grid->GetSelection()->GetSelectionType(), gstAll);
  Item(2)->Click();
  EXPECT_NE(Pos(u"Фонд", Clipboard()->GetAsText()), 0);
  ASSERT_TRUE(Item(4)->GetEnabled());
  Item(4)->Click();
  EXPECT_TRUE(Table.IsEmpty());
  EXPECT_TRUE(Item(3)->GetEnabled());
  Grid->SetReadOnly(true);
  EXPECT_FALSE(Item(3)->GetEnabled());
}

TEST_F(GridCenter, AGridsOwnMenuItemsAreCopiedAfterASeparator) {
  ShowResources();
  TPopupMenu Own(nullptr);
  Integer Clicks = 0;
  for (const char16_t* Caption : {u"Первый", u"Второй"}) {
    auto* Item = new TMenuItem(nullptr);
    Item->SetCaption(Caption);
    Item->SetShortCut(ShortCut('N', TShiftState{ssCtrl}));
    Item->OnClick = [&](TObject*) { ++Clicks; };
    Own.GetItems()->Add(Item);
  }
  Own.GetItems()->GetItem(1)->SetEnabled(false);
  Grid->GetIndicatorTitle()->SetDropdownMenu(&Own);
  Center()->SetIndicatorTitleMenuItems(1 << 2);
  TPopupMenu* Menu = BuildMenu();
  EXPECT_EQ(CaptionsOf(Menu), (std::vector<String>{u"Копировать", u"-", u"Первый", u"Второй"}));
  EXPECT_NE(Menu->GetItems()->GetItem(2), Own.GetItems()->GetItem(0));
  EXPECT_EQ(Menu->GetItems()->GetItem(2)->GetShortCut(), ShortCut('N', TShiftState{ssCtrl}));
  EXPECT_FALSE(Menu->GetItems()->GetItem(3)->GetEnabled());
  Menu->GetItems()->GetItem(2)->Click();
  EXPECT_EQ(Clicks, 1);
  Grid->GetIndicatorTitle()->SetUseGlobalMenu(false);
  EXPECT_EQ(CaptionsOf(BuildMenu()), (std::vector<String>{u"Первый", u"Второй"}));
  Grid->GetIndicatorTitle()->SetDropdownMenu(nullptr);
  EXPECT_EQ(CaptionsOf(BuildMenu()), (std::vector<String>{}));
}

TEST_F(GridCenter, TheCentersMenuEventReplacesTheSharedMenu) {
  ShowResources();
  TPopupMenu Custom(nullptr);
  Center()->OnBuildIndicatorTitleMenu = [&](TDBGridEhCenter*, TCustomDBGridEh* G, TPopupMenu*& Menu) {
    EXPECT_EQ(G, Grid);
    Menu = &Custom;
  };
  EXPECT_EQ(BuildMenu(), &Custom);
}

TEST_F(GridCenter, APressOnTheIndicatorTitleWithItsSignShowsTheMenuPressed) {
  ShowResources();
  Grid->GetIndicatorTitle()->SetShowDropDownSign(true);
  bool PressedWhileShown = false;
  HWND MenuWindow = nullptr;
  Display.WhenIdle([&] {
    PressedWhileShown = Grid->GetIndicatorTitlePressed();
    TPopupMenu* Menu = nullptr;
    Center()->BuildIndicatorTitleMenu(Grid, Menu);
    MenuWindow = Menu->GetMenuWindow();
    Display.Key(VK_ESCAPE);
  });
  Center()->DoIndicatorTitleMouseDown(Grid, mbLeft, TShiftState(), 2, 2);
  EXPECT_TRUE(PressedWhileShown);
  EXPECT_FALSE(Grid->GetIndicatorTitlePressed());
}

TEST_F(GridCenter, APressOnTheIndicatorTitleWithoutItsSignSelectsAllOrClears) {
  ShowResources();
  Center()->DoIndicatorTitleMouseDown(Grid, mbLeft, TShiftState(), 2, 2);
  EXPECT_EQ(Grid->GetSelection()->GetSelectionType(), gstNon);
  Grid->SetOptions(Grid->GetOptions() + dgMultiSelect);
  Center()->DoIndicatorTitleMouseDown(Grid, mbLeft, TShiftState(), 2, 2);
  EXPECT_EQ(Grid->GetSelection()->GetSelectionType(), gstAll);
  Center()->DoIndicatorTitleMouseDown(Grid, mbLeft, TShiftState(), 2, 2);
  EXPECT_EQ(Grid->GetSelection()->GetSelectionType(), gstNon);
}

TEST_F(GridCenter, TheGridsAndTheCentersPressEventsComeFirst) {
  ShowResources();
  Grid->SetOptions(Grid->GetOptions() + dgMultiSelect);
  Integer GridCalls = 0, CenterCalls = 0;
  Grid->OnIndicatorTitleMouseDown = [&](TObject*, TMouseButton, TShiftState, Integer X, Integer) {
    EXPECT_EQ(X, 3);
    ++GridCalls;
  };
  Center()->DoIndicatorTitleMouseDown(Grid, mbLeft, TShiftState(), 3, 4);
  EXPECT_EQ(GridCalls, 1);
  Center()->OnIndicatorTitleMouseDown = [&](TDBGridEhCenter*, TCustomDBGridEh*, TMouseButton, TShiftState, Integer,
                                            Integer) { ++CenterCalls; };
  Center()->DoIndicatorTitleMouseDown(Grid, mbLeft, TShiftState(), 3, 4);
  EXPECT_EQ(GridCalls, 1);
  EXPECT_EQ(CenterCalls, 1);
  EXPECT_EQ(Grid->GetSelection()->GetSelectionType(), gstNon);
}

// ---- Record moving -----------------------------------------------------------------------------------------

TEST_F(GridCenter, RecordMovingAsksTheFeaturesAndIsRefusedWithoutADataset) {
  ShowResources();
  EXPECT_TRUE(Center()->DoMoveRecords(Grid, Grid->GetSelectedRows(), 1, true));
  Table.SetReadOnly(true);
  EXPECT_FALSE(Center()->DoMoveRecords(Grid, Grid->GetSelectedRows(), 1, true));
  Grid->SetDataSource(nullptr);
  EXPECT_FALSE(Center()->DoMoveRecords(Grid, nullptr, 1, true));
}
