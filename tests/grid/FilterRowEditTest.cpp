// The filter row under the titles, driven by real mouse and key messages: a
// press in a filter cell opens the editor there, typing and Enter filter the
// table, the keys move between the filter cells and down into the data, and
// the drop-down list's commands and values set the column's condition.
//
// Records 1..10: ID_THIS = N, NPP = 11 - N, NAME_THIS "Запись N"; the filter
// row is grid row 1, column I of the grid's columns is grid column I + 1.

#include <functional>

#include "GridInputTestSupport.h"
#include "grid/DBGridEhSimpleFilterDlg.h"
#include "editors/DBCtrlsEh.h"
#include "platform/ui/StdCtrls.h"
#include "platform/ui/Graphics.h"
#include "platform/ui/MsgBox.h"
#include "platform/core/ScopeGuard.h"

namespace {

class FilterRowEdit : public GridInput {
protected:
  void ShowFiltered(Integer Count = 10) {
    ShowRecords(Count);
    Grid->GetSTFilter()->SetLocal(true);
    Grid->GetSTFilter()->SetVisible(true);
    Display.ProcessMessages();
  }
  static constexpr Integer FilterRow = 1;
  void ClickFilterCell(Integer ColumnIndex) { ClickCell(ColumnIndex + 1, FilterRow); }
  TInplaceFilterEditEh* Editor() { return Grid->GetFilterEditor(); }
  bool EditorShown() { return Editor() && Editor()->GetVisible(); }
  String Condition(Integer ColumnIndex) { return Column(ColumnIndex)->GetSTFilter()->GetExpressionStr(); }
  void Type(const String& Text) { Display.TypeText(Text); }
  // The rows the grid shows below its titles.
  Integer DataRows() { return Grid->GetRowCount() - Grid->GetTitleRowCount(); }
  void DropDown() {
    Key(VK_DOWN, THeadlessShift::Alt);
    ASSERT_TRUE(Editor()->GetListVisible());
  }
  TPopupListboxEh* List() { return Editor()->GetPopupListbox(); }
  Integer ItemOf(const String& Text) { return Editor()->GetItems()->IndexOf(Text); }
  void ClickItem(Integer Index) {
    const TRect R = List()->ItemRect(Index);
    Display.Click(List()->GetHandle(), R.Left + 30, (R.Top + R.Bottom) / 2);
  }
};

}  // namespace

// ---- Opening the editor ---------------------------------------------------------------------------------

TEST_F(FilterRowEdit, APressInAFilterCellOpensTheEditorThereAndMakesItsColumnCurrent) {
  ShowFiltered();
  ClickFilterCell(2);
  ASSERT_TRUE(EditorShown());
  EXPECT_EQ(Grid->GetFilterRowColumn(), 2);
  EXPECT_TRUE(Grid->GetFilterEditing());
  EXPECT_EQ(Grid->GetSelectedIndex(), 2);
  EXPECT_EQ(GetFocus(), Editor()->GetHandle());
  // The editor lies over the cell, in blue on the filter row's colour.
  const TRect Cell = Grid->CellRect(3, FilterRow);
  EXPECT_EQ(Editor()->GetLeft(), Cell.Left);
  EXPECT_EQ(Editor()->GetTop(), Cell.Top);
  EXPECT_EQ(Editor()->GetFont()->GetColor(), clBlue);
  EXPECT_EQ(Editor()->GetColor(), BlendColorsEh(clWindow, Grid->GetFixedColor(), 8));
}

TEST_F(FilterRowEdit, TheFilterRowIsAsHighAsItsTextAndItsMargins) {
  ShowFiltered();
  // "Wg" is 13 pixels high: 4 more, and 1 for the raised look.
  EXPECT_EQ(Grid->GetRowHeights(FilterRow), 18);
  EXPECT_EQ(Grid->GetRowHeights(FilterRow + 1), Grid->GetDataRowHeightValue());
  Grid->SetFlat(true);
  Display.ProcessMessages();
  EXPECT_EQ(Grid->GetRowHeights(FilterRow), 17);
  // The rows the window holds are counted below the filter row as it is.
  Grid->SetMemTableSupportIntf(false);
  Display.ProcessMessages();
  EXPECT_EQ(Grid->GetRowHeights(FilterRow), 17);
  const Integer Below = Grid->GetClientHeight() - Grid->CellRect(1, FilterRow).Bottom - 1;
  EXPECT_EQ(Grid->GetRowCount() - Grid->GetTitleRowCount(), std::min(10, Below / (Grid->GetDataRowHeightValue() + 1)));
}

TEST_F(FilterRowEdit, TheEditorFollowsItsCellWhenTheColumnsScrollAndTheColumnIsSized) {
  ShowFiltered();
  Grid->SetWidth(220);
  Display.ProcessMessages();
  ClickFilterCell(1);
  ASSERT_TRUE(EditorShown());
  const Integer Before = Grid->CellRect(2, FilterRow).Left;
  SendMessage(Grid->GetHandle(), WM_HSCROLL, SB_PAGERIGHT, 0);
  Display.ProcessMessages();
  TRect Cell = Grid->CellRect(2, FilterRow);
  ASSERT_LT(Cell.Left, Before);
  EXPECT_EQ(Editor()->GetLeft(), Cell.Left);
  EXPECT_EQ(Editor()->GetWidth(), Cell.Width());
  Column(1)->SetWidth(160);
  Display.ProcessMessages();
  Cell = Grid->CellRect(2, FilterRow);
  EXPECT_EQ(Cell.Width(), 160);
  EXPECT_EQ(Editor()->GetLeft(), Cell.Left);
  EXPECT_EQ(Editor()->GetWidth(), Cell.Width());
  EXPECT_TRUE(EditorShown());
}

TEST_F(FilterRowEdit, ATitleDraggedWhileTypingMovesItsColumnAndTheEditorKeepsItsOwn) {
  ShowFiltered();
  std::vector<TColumnEh*> Clicked;
  Grid->OnTitleClick = [&](TObject*, TColumnEh* C) { Clicked.push_back(C); };
  ClickFilterCell(2);
  ASSERT_TRUE(EditorShown());
  Type(u"Запись");
  // A title click reaches the grid though the focus stays in the filter editor.
  ClickCell(1, 0);
  EXPECT_EQ(Clicked, std::vector<TColumnEh*>{Column(0)});
  EXPECT_EQ(GetFocus(), Editor()->GetHandle());
  // ID_THIS dragged behind NAME_THIS: the editor goes with NAME_THIS.
  TColumnEh* Name = Column(2);
  Pause();
  const TRect From = Grid->CellRect(1, 0), To = Grid->CellRect(3, 0);
  Display.Drag(Grid->GetHandle(), TPoint(From.Left + 30, From.Top + 8), TPoint(To.Right - 5, To.Top + 8), 8);
  Display.ProcessMessages();
  ASSERT_EQ(Name->GetIndex(), 1);
  ASSERT_TRUE(EditorShown());
  EXPECT_EQ(Grid->GetFilterRowColumn(), 1);
  EXPECT_EQ(Editor()->GetText(), u"Запись");
  EXPECT_EQ(Editor()->GetLeft(), Grid->CellRect(2, FilterRow).Left);
}

TEST_F(FilterRowEdit, UpOnTheFirstRecordOpensTheEditorOnTheCurrentColumn) {
  ShowFiltered();
  Key(VK_RIGHT);
  Key(VK_DOWN);
  Key(VK_DOWN);
  Key(VK_UP);
  EXPECT_FALSE(EditorShown());  // from the third record Up only moves
  Key(VK_UP);
  EXPECT_EQ(CurrentId(), 1);
  EXPECT_FALSE(EditorShown());
  Key(VK_UP);
  ASSERT_TRUE(EditorShown());
  EXPECT_EQ(Grid->GetFilterRowColumn(), 1);
}

TEST_F(FilterRowEdit, WithTheFilterInTheTitlesUpOpensNothing) {
  ShowFiltered();
  Grid->GetSTFilter()->SetLocation(stflInTitleFilterEh);
  Display.ProcessMessages();
  Key(VK_UP);
  EXPECT_FALSE(EditorShown());
  EXPECT_FALSE(Grid->GetFilterEditing());
}

TEST_F(FilterRowEdit, ALongUnsizedListOpensSeventeenRowsHigh) {
  ShowFiltered(30);
  ClickFilterCell(2);
  EXPECT_EQ(Editor()->GetDropDownBox()->GetRows(), 17);
  EXPECT_EQ(Editor()->GetDropDownBox()->GetWidth(), 100);
  DropDown();
  EXPECT_EQ(List()->GetRowCount(), 17);
  // The commands are not cut: the list is wider than the 100 pixels it started from.
  EXPECT_GT(List()->GetWidth(), 100);
}

// ---- Typing and applying --------------------------------------------------------------------------------

TEST_F(FilterRowEdit, TypingInAFilterCellThenEnterFiltersTheTableAndTheRowsShown) {
  ShowFiltered();
  ClickFilterCell(2);
  Type(u"=Запись 3");
  EXPECT_FALSE(Table.GetFiltered());
  Key(VK_RETURN);
  EXPECT_EQ(Condition(2), u"=Запись 3");
  EXPECT_TRUE(Table.GetFiltered());
  EXPECT_EQ(DataRows(), 1);
  EXPECT_EQ(Ids(Table), (std::vector<Integer>{3}));
  // The editor stays on its cell with the text typed.
  EXPECT_TRUE(EditorShown());
  EXPECT_EQ(Editor()->GetText(), u"=Запись 3");
}

TEST_F(FilterRowEdit, EnterAppliesTheRowEvenWhenItDoesNotApplyInstantly) {
  ShowFiltered();
  Grid->GetSTFilter()->SetInstantApply(false);
  ClickFilterCell(0);
  Type(u">8");
  Key(VK_RETURN);
  EXPECT_EQ(Ids(Table), (std::vector<Integer>{9, 10}));
}

TEST_F(FilterRowEdit, ConditionsOfSeveralColumnsCombine) {
  ShowFiltered();
  ClickFilterCell(0);
  Type(u">3");
  Key(VK_RIGHT);  // at the end of the text: the next filter cell
  ASSERT_EQ(Grid->GetFilterRowColumn(), 1);
  EXPECT_EQ(Condition(0), u">3");
  Type(u">4");
  Key(VK_RETURN);
  EXPECT_EQ(Ids(Table), (std::vector<Integer>{4, 5, 6}));
  EXPECT_EQ(DataRows(), 3);
}

TEST_F(FilterRowEdit, EmptyingACellAndEnterShowsEveryRecordAgain) {
  ShowFiltered();
  ClickFilterCell(0);
  Type(u"<3");
  Key(VK_RETURN);
  ASSERT_EQ(DataRows(), 2);
  Key(VK_BACK);
  Key(VK_BACK);
  Key(VK_RETURN);
  EXPECT_EQ(DataRows(), 10);
}

TEST_F(FilterRowEdit, AMalformedConditionIsRefusedAndTheTypedTextStays) {
  ShowFiltered();
  ClickFilterCell(0);
  Type(u"=(");
  EXPECT_THROW(Grid->ApplyFilterRow(), Exception);
  EXPECT_TRUE(EditorShown());
  EXPECT_EQ(Editor()->GetText(), u"=(");
  EXPECT_FALSE(Table.GetFiltered());
}

TEST_F(FilterRowEdit, AfterTheBoxReportingAMalformedConditionTheKeysMendItInItsCell) {
  ShowFiltered();
  // The boxes are real modal forms, each answered with Enter as a user would.
  std::vector<String> Boxes;
  TMessageBoxHook Saved = SetMessageBoxHook([&](const TMessageBoxRequest& Request) {
    Boxes.push_back(Request.Text);
    return ShowMessageForm(Request);
  });
  TScopeExit Restore([&] { SetMessageBoxHook(std::move(Saved)); });
  ClickFilterCell(0);
  Type(u"=(");
  // Enter, a press in another filter cell, a press in the data, Down: each
  // refuses the text with a box, and the keys after it still go into the cell.
  const std::function<void()> Leavings[] = {[&] { Key(VK_RETURN); }, [&] { ClickFilterCell(2); },
                                            [&] { ClickCell(2, 4); }, [&] { Key(VK_DOWN); }};
  for (const auto& Leave : Leavings) {
    Display.WhenIdle([&] { Display.Key(VK_RETURN); });
    Leave();
    ASSERT_EQ(Display.PendingIdleSteps(), 0u);  // the box was shown and closed
    EXPECT_TRUE(EditorShown());
    EXPECT_EQ(Grid->GetFilterRowColumn(), 0);
    EXPECT_EQ(GetFocus(), Editor()->GetHandle());
    EXPECT_FALSE(Grid->GetEditorMode());
    EXPECT_EQ(Editor()->GetText(), u"=(");
    EXPECT_EQ(Condition(0), u"");
    EXPECT_EQ(Column(0)->GetSTFilter()->GetExpression().Operator1, foNoneEh);  // nothing half-parsed kept
  }
  Key('A', THeadlessShift::Ctrl);
  Type(u">3");
  EXPECT_EQ(Editor()->GetText(), u">3");
  ClickFilterCell(2);
  EXPECT_EQ(Condition(0), u">3");
  ASSERT_EQ(GetFocus(), Editor()->GetHandle());
  Type(u"=Запись 5");
  Key(VK_RETURN);
  EXPECT_EQ(Ids(Table), (std::vector<Integer>{5}));
  EXPECT_EQ(Boxes.size(), 4u);
}

TEST_F(FilterRowEdit, ATreeStaysATreeWhileFilteredWithTheParentsOfMatchingRecords) {
  ShowAsExpandedTree(Table);
  AddResourceTree(Table);
  Table.Open();
  MakeGrid();
  Grid->GetColumns()->Add()->SetFieldName(u"NAME_THIS");
  Grid->SetDataSource(&Source);
  Grid->GetSTFilter()->SetLocal(true);
  Grid->GetSTFilter()->SetVisible(true);
  Display.ProcessMessages();
  Grid->SetFocus();
  ClickFilterCell(0);
  Type(u"=Фонд");
  Key(VK_RETURN);
  // Фонд (22) is shown under its parents Архивы (20) and Архив (21), at its depth.
  EXPECT_EQ(Ids(Table), (std::vector<Integer>{20, 21, 22}));
  Table.Last();
  EXPECT_EQ(Table.GetTreeNodeLevel(), 3);
  EXPECT_TRUE(Table.IsTreeList());
}

// ---- Moving between the cells ---------------------------------------------------------------------------

TEST_F(FilterRowEdit, RightAtTheEndOfTheLastCellWrapsToTheFirst) {
  ShowFiltered();
  ClickFilterCell(2);
  Key(VK_RIGHT);
  EXPECT_EQ(Grid->GetFilterRowColumn(), 0);
  Key(VK_LEFT);
  EXPECT_EQ(Grid->GetFilterRowColumn(), 2);
}

TEST_F(FilterRowEdit, ArrowsInsideTheTextMoveTheCaretNotTheCell) {
  ShowFiltered();
  ClickFilterCell(1);
  Type(u"12");
  Key(VK_LEFT);
  EXPECT_EQ(Grid->GetFilterRowColumn(), 1);
  Key(VK_RIGHT);
  EXPECT_EQ(Grid->GetFilterRowColumn(), 1);
  Key(VK_RIGHT);
  EXPECT_EQ(Grid->GetFilterRowColumn(), 2);
}

TEST_F(FilterRowEdit, WithTheWholeTextSelectedLeftAndHomeGoOnButRightStaysInTheText) {
  ShowFiltered();
  ClickFilterCell(1);
  Type(u"12");
  Key(VK_RIGHT);
  Key(VK_LEFT);
  // Back on the cell, its text is selected whole, as on every cell the editor opens on.
  ASSERT_EQ(Grid->GetFilterRowColumn(), 1);
  ASSERT_EQ(Editor()->GetText(), u"12");
  ASSERT_EQ(Editor()->GetSelLength(), 2);
  Key(VK_LEFT);
  EXPECT_EQ(Grid->GetFilterRowColumn(), 0);
  Key(VK_RIGHT);
  ASSERT_EQ(Grid->GetFilterRowColumn(), 1);
  Key(VK_HOME);
  EXPECT_EQ(Grid->GetFilterRowColumn(), 0);
  Key(VK_RIGHT);
  ASSERT_EQ(Editor()->GetSelLength(), 2);
  // Right first ends the selection at the end of the text.
  Key(VK_RIGHT);
  EXPECT_EQ(Grid->GetFilterRowColumn(), 1);
  EXPECT_EQ(Editor()->GetSelLength(), 0);
  Key(VK_RIGHT);
  EXPECT_EQ(Grid->GetFilterRowColumn(), 2);
}

TEST_F(FilterRowEdit, WithOneFilterableColumnRightStaysWhereItIs) {
  ShowFiltered();
  Column(0)->GetSTFilter()->SetVisible(false);
  Column(2)->SetVisible(false);
  ClickFilterCell(1);
  Key(VK_RIGHT);
  EXPECT_EQ(Grid->GetFilterRowColumn(), 1);
  EXPECT_TRUE(EditorShown());
}

TEST_F(FilterRowEdit, CtrlHomeAndCtrlEndReachTheFirstAndLastFilterableColumns) {
  ShowFiltered();
  ClickFilterCell(1);
  Key(VK_END, THeadlessShift::Ctrl);
  EXPECT_EQ(Grid->GetFilterRowColumn(), 2);
  Key(VK_HOME, THeadlessShift::Ctrl);
  EXPECT_EQ(Grid->GetFilterRowColumn(), 0);
  // Columns without a filter cell are passed over.
  Key(VK_END, THeadlessShift::Ctrl);
  Column(0)->GetSTFilter()->SetVisible(false);
  Key(VK_LEFT, THeadlessShift::Ctrl);
  EXPECT_EQ(Grid->GetFilterRowColumn(), 1);
  Key(VK_RIGHT, THeadlessShift::Ctrl);
  EXPECT_EQ(Grid->GetFilterRowColumn(), 2);
}

TEST_F(FilterRowEdit, TabMovesBetweenTheCellsOnlyWithTabsSwitchedOn) {
  ShowFiltered();
  Grid->SetOptions(Grid->GetOptions() - dgTabs);
  ClickFilterCell(0);
  Key(VK_TAB);
  EXPECT_EQ(Grid->GetFilterRowColumn(), 0);
  Grid->SetOptions(Grid->GetOptions() + dgTabs);
  Key(VK_TAB);
  EXPECT_EQ(Grid->GetFilterRowColumn(), 1);
  Key(VK_TAB, THeadlessShift::Shift);
  EXPECT_EQ(Grid->GetFilterRowColumn(), 0);
}

TEST_F(FilterRowEdit, DownLeavesForTheDataOfTheSameColumnKeepingTheTypedCondition) {
  ShowFiltered();
  ClickFilterCell(2);
  Type(u"=Запись 5");
  Key(VK_DOWN);
  EXPECT_FALSE(EditorShown());
  EXPECT_FALSE(Grid->GetFilterEditing());
  EXPECT_EQ(GetFocus(), Grid->GetHandle());
  EXPECT_EQ(Grid->GetSelectedIndex(), 2);
  EXPECT_EQ(Condition(2), u"=Запись 5");
  EXPECT_FALSE(Table.GetFiltered());  // stored, not applied
  Key(VK_DOWN);
  EXPECT_EQ(CurrentId(), 2);  // the keys are the grid's again
}

TEST_F(FilterRowEdit, LeavingACellNobodyTypedInKeepsTheConditionTheProgramSetMeanwhile) {
  ShowFiltered();
  ClickFilterCell(2);
  Type(u"=Запись 3");
  Key(VK_RETURN);
  ASSERT_EQ(Condition(2), u"=Запись 3");
  Column(2)->GetSTFilter()->SetExpressionStr(u"=Запись 5");
  Key(VK_DOWN);
  EXPECT_EQ(Condition(2), u"=Запись 5");

  // Typed over, the cell's text is the condition again, even when typed back as it was.
  ClickFilterCell(2);
  ASSERT_EQ(Editor()->GetText(), u"=Запись 5");
  Column(2)->GetSTFilter()->SetExpressionStr(u"=Запись 6");
  Key(VK_END);
  Key(VK_BACK);
  Type(u"5");
  ClickCell(1, Grid->GetTitleRowCount());
  EXPECT_FALSE(EditorShown());
  EXPECT_EQ(Condition(2), u"=Запись 5");
}

TEST_F(FilterRowEdit, APressInTheDataEndsTheFilterRowEditing) {
  ShowFiltered();
  ClickFilterCell(0);
  Type(u">2");
  ClickCell(2, 4);
  EXPECT_FALSE(EditorShown());
  EXPECT_FALSE(Grid->GetFilterEditing());
  EXPECT_EQ(Condition(0), u">2");
}

TEST_F(FilterRowEdit, HidingTheFilterRowHidesItsEditor) {
  ShowFiltered();
  ClickFilterCell(0);
  Type(u">2");
  Grid->GetSTFilter()->SetVisible(false);
  EXPECT_FALSE(EditorShown());
  EXPECT_EQ(Condition(0), u">2");
}

// ---- The drop-down list ---------------------------------------------------------------------------------

TEST_F(FilterRowEdit, TheListOffersTheCommandsThenTheColumnsValues) {
  ShowFiltered(3);
  Grid->SetOptionsEh(Grid->GetOptionsEh() + dghAutoSortMarking);
  Column(2)->GetTitle()->SetTitleButton(true);
  ClickFilterCell(2);
  DropDown();
  std::vector<String> Texts;
  for (Integer I = 0; I < Editor()->GetItems()->GetCount(); ++I) Texts.push_back(Editor()->GetItems()->Get(I));
  EXPECT_EQ(Texts, (std::vector<String>{u"(Сортировка по возрастанию)", u"(Сортировка по убыванию)", u"-",
                                        u"(Очистить фильтр)", u"(Условие...)", u"(Все)", u"(Не пустые)", u"(Пустые)",
                                        u"Запись 1", u"Запись 2", u"Запись 3"}));
  EXPECT_EQ(Editor()->GetItems()->GetObject(8), PopupListboxItemEhData());
  EXPECT_EQ(Column(2)->GetSTFilter()->GetItemCheckStates().size(), 11u);
}

TEST_F(FilterRowEdit, AValuePickedWithEnterAppliesAtOnceWhenTheProgramAsks) {
  ShowFiltered();
  Grid->GetSTFilter()->SetInstantApply(false);
  Grid->GetCenter()->SetFilterEditCloseUpApplyFilter(true);
  ClickFilterCell(2);
  DropDown();
  List()->SetItemIndex(ItemOf(u"Запись 4"));
  Key(VK_RETURN);
  EXPECT_FALSE(Editor()->GetListVisible());
  EXPECT_EQ(Condition(2), u"='Запись 4'");
  EXPECT_EQ(Editor()->GetText(), u"='Запись 4'");
  EXPECT_EQ(Ids(Table), (std::vector<Integer>{4}));
}

TEST_F(FilterRowEdit, WithoutTheProgramsSwitchAPickOnlySetsTheConditionUntilEnter) {
  ShowFiltered();
  Grid->GetSTFilter()->SetInstantApply(false);
  ClickFilterCell(2);
  DropDown();
  List()->SetItemIndex(ItemOf(u"Запись 4"));
  Key(VK_RETURN);
  EXPECT_EQ(Condition(2), u"='Запись 4'");
  EXPECT_FALSE(Table.GetFiltered());
  Key(VK_RETURN);
  EXPECT_EQ(Ids(Table), (std::vector<Integer>{4}));
}

TEST_F(FilterRowEdit, ClickingTwoValuesTicksBothAndFiltersByEitherWithTheListStillOpen) {
  ShowFiltered();
  ClickFilterCell(2);
  DropDown();
  ClickItem(ItemOf(u"Запись 2"));
  ClickItem(ItemOf(u"Запись 7"));
  EXPECT_TRUE(Editor()->GetListVisible());
  EXPECT_EQ(Condition(2), u"in ('Запись 2','Запись 7')");
  EXPECT_EQ(Ids(Table), (std::vector<Integer>{2, 7}));
  // Closing the list with Enter keeps the ticks as they are.
  Key(VK_RETURN);
  EXPECT_EQ(Condition(2), u"in ('Запись 2','Запись 7')");
  EXPECT_EQ(Ids(Table), (std::vector<Integer>{2, 7}));
}

TEST_F(FilterRowEdit, WithoutInstantApplyTickedValuesWaitForTheListToCloseThoughThePickSwitchIsOn) {
  ShowFiltered();
  Grid->GetSTFilter()->SetInstantApply(false);
  Grid->GetCenter()->SetFilterEditCloseUpApplyFilter(true);
  ClickFilterCell(2);
  DropDown();
  ClickItem(ItemOf(u"Запись 2"));
  ClickItem(ItemOf(u"Запись 7"));
  EXPECT_TRUE(Editor()->GetListVisible());
  EXPECT_EQ(Condition(2), u"in ('Запись 2','Запись 7')");
  EXPECT_FALSE(Table.GetFiltered());
  // The list closed with its ticks is the pick that applies.
  Key(VK_RETURN);
  EXPECT_FALSE(Editor()->GetListVisible());
  EXPECT_EQ(Ids(Table), (std::vector<Integer>{2, 7}));
}

TEST_F(FilterRowEdit, APressReleasedOverAnotherValueTicksNothing) {
  ShowFiltered();
  ClickFilterCell(2);
  DropDown();
  const TRect From = List()->ItemRect(ItemOf(u"Запись 2"));
  const TRect To = List()->ItemRect(ItemOf(u"Запись 5"));
  Display.Drag(List()->GetHandle(), TPoint(30, (From.Top + From.Bottom) / 2), TPoint(30, (To.Top + To.Bottom) / 2));
  EXPECT_EQ(Condition(2), u"");
  EXPECT_FALSE(Table.GetFiltered());
}

TEST_F(FilterRowEdit, ReopeningTheListTicksTheValuesOfTheCondition) {
  ShowFiltered();
  ClickFilterCell(2);
  Type(u"in ('Запись 3','Запись 6')");
  Key(VK_RETURN);
  DropDown();
  const std::vector<Byte>& States = Column(2)->GetSTFilter()->GetItemCheckStates();
  EXPECT_EQ(States[size_t(ItemOf(u"Запись 3"))], 1);
  EXPECT_EQ(States[size_t(ItemOf(u"Запись 6"))], 1);
  EXPECT_EQ(States[size_t(ItemOf(u"Запись 4"))], 0);
}

TEST_F(FilterRowEdit, EmptyAndNotEmptyStoreTheirNullConditions) {
  ShowFiltered();
  ClickFilterCell(2);
  DropDown();
  List()->SetItemIndex(ItemOf(u"(Пустые)"));
  Key(VK_RETURN);
  EXPECT_EQ(Condition(2), u"=Null");
  EXPECT_EQ(Editor()->GetText(), u"=Null");
  EXPECT_TRUE(Ids(Table).empty());
  DropDown();
  List()->SetItemIndex(ItemOf(u"(Не пустые)"));
  Key(VK_RETURN);
  EXPECT_EQ(Condition(2), u"<>Null");
  EXPECT_EQ(DataRows(), 10);
}

TEST_F(FilterRowEdit, AllChangesTheConditionButAppliesOnlyWhenTheRowOrTheProgramSaysSo) {
  ShowFiltered();
  Grid->GetSTFilter()->SetInstantApply(false);
  ClickFilterCell(0);
  Type(u">5");
  Key(VK_RETURN);
  ASSERT_EQ(DataRows(), 5);
  DropDown();
  List()->SetItemIndex(ItemOf(u"(Все)"));
  Key(VK_RETURN);
  EXPECT_EQ(Condition(0), u"");
  EXPECT_EQ(DataRows(), 5);
  // Clearing always applies.
  DropDown();
  List()->SetItemIndex(ItemOf(u"(Очистить фильтр)"));
  Key(VK_RETURN);
  EXPECT_EQ(DataRows(), 10);
}

TEST_F(FilterRowEdit, TheConditionItemOpensTheSimpleFilterDialogWhoseOKFiltersAtOnce) {
  ShowFiltered();
  ClickFilterCell(0);
  DropDown();
  List()->SetItemIndex(ItemOf(u"(Условие...)"));
  bool DialogShown = false;
  Display.WhenIdle([&] {
    TDBGridEhSimpleFilterDialog* Dialog = DBGridEhSimpleFilterDialog;
    ASSERT_TRUE(Dialog && Dialog->GetVisible());
    DialogShown = true;
    Dialog->ComboBox1->SetItemIndex(Dialog->ComboBox1->GetItems()->IndexOf(u"равно"));
    Dialog->DBComboBoxEh1->SetText(u"3");
    Display.Click(Dialog->bOk->GetHandle(), 5, 5);
  });
  Key(VK_RETURN);
  EXPECT_TRUE(DialogShown);
  EXPECT_EQ(Condition(0), u"=3");
  EXPECT_EQ(Ids(Table), (std::vector<Integer>{3}));
  delete DBGridEhSimpleFilterDialog;
}

TEST_F(FilterRowEdit, ClearingEmptiesTheConditionsOfEveryColumn) {
  ShowFiltered();
  Column(0)->GetSTFilter()->SetExpressionStr(u">2");
  ClickFilterCell(1);
  Type(u"<5");
  Key(VK_RETURN);
  ASSERT_EQ(Ids(Table), (std::vector<Integer>{7, 8, 9, 10}));
  DropDown();
  List()->SetItemIndex(ItemOf(u"(Очистить фильтр)"));
  Key(VK_RETURN);
  EXPECT_EQ(Condition(0), u"");
  EXPECT_EQ(Condition(1), u"");
  EXPECT_EQ(Editor()->GetText(), u"");
  EXPECT_EQ(DataRows(), 10);
}

TEST_F(FilterRowEdit, ASortItemSortsTheTableByTheColumn) {
  ShowFiltered(4);
  Grid->SetOptionsEh(Grid->GetOptionsEh() + dghAutoSortMarking);
  Column(0)->GetTitle()->SetTitleButton(true);
  ClickFilterCell(0);
  DropDown();
  List()->SetItemIndex(ItemOf(u"(Сортировка по убыванию)"));
  Key(VK_RETURN);
  EXPECT_EQ(Column(0)->GetTitle()->GetSortMarker(), smUpEh);
  EXPECT_EQ(Ids(Table), (std::vector<Integer>{4, 3, 2, 1}));
}

TEST_F(FilterRowEdit, TheListsSizeSetByTheUserIsKeptForTheColumn) {
  ShowFiltered(30);
  ClickFilterCell(2);
  DropDown();
  List()->SetBounds(List()->GetLeft(), List()->GetTop(), 260, List()->GetHeight() / 2);
  const Integer Rows = List()->GetRowCount();
  Key(VK_ESCAPE);
  EXPECT_EQ(Column(2)->GetSTFilter()->GetDropDownWidth(), 260);
  EXPECT_EQ(Column(2)->GetSTFilter()->GetDropDownRows(), Rows);
  Key(VK_LEFT, THeadlessShift::Ctrl);
  Key(VK_RIGHT, THeadlessShift::Ctrl);
  EXPECT_EQ(Editor()->GetDropDownBox()->GetRows(), Rows);
}

// ---- The filter list of a title ---------------------------------------------------------------------------

namespace {

class TitleFilterList : public FilterRowEdit {
protected:
  void ShowInTitles(Integer Count = 10) {
    ShowFiltered(Count);
    Grid->GetSTFilter()->SetLocation(stflInTitleFilterEh);
    Display.ProcessMessages();
  }
  void ClickFilterButton(Integer ColumnIndex) {
    Pause();
    const TRect R = Grid->CellRect(ColumnIndex + 1, 0);
    Display.Click(Grid->GetHandle(), R.Right - 4, (R.Top + R.Bottom) / 2);
  }
  TPopupListboxEh* TitleList() { return Grid->GetTitleFilterList(); }
  Integer TitleItem(const String& Text) { return TitleList()->GetItems()->IndexOf(Text); }
};

}  // namespace

TEST_F(TitleFilterList, TheFilterButtonOfATitleDropsItsListUnderTheTitleAndClosesIt) {
  ShowInTitles();
  ClickFilterButton(2);
  ASSERT_TRUE(Grid->GetTitleFilterListVisible());
  EXPECT_EQ(Grid->GetTitleFilterListColumn(), Column(2));
  const TRect Title = Grid->CellRect(3, 0);
  EXPECT_EQ(TitleList()->GetBoundsRect().Top - Grid->ClientToScreen(Title.BottomRight()).Y, 0);
  EXPECT_GE(TitleList()->GetWidth(), Column(2)->GetWidth());
  EXPECT_GE(TitleItem(u"Запись 10"), 0);
  ClickFilterButton(2);
  EXPECT_FALSE(Grid->GetTitleFilterListVisible());
  EXPECT_EQ(Grid->GetTitleFilterListColumn(), nullptr);
}

TEST_F(TitleFilterList, OnlyTheButtonTakesThePressNeitherTheTallTitlesRestNorTheCellsFrame) {
  ShowInTitles();
  Grid->SetTitleHeight(40);
  Display.ProcessMessages();
  const TRect R = Grid->CellRect(3, 0);
  ASSERT_GT(R.Height(), 2 * Grid->GetDataRowHeightValue());
  auto PressAt = [&](Integer X, Integer Y) {
    Pause();
    Display.Click(Grid->GetHandle(), X, Y);
    const bool Dropped = Grid->GetTitleFilterListVisible();
    if (Dropped) Key(VK_ESCAPE);
    return Dropped;
  };
  const Integer Middle = (R.Top + R.Bottom) / 2;
  EXPECT_FALSE(PressAt(R.Right - 4, R.Top + 3));
  EXPECT_FALSE(PressAt(R.Right - 4, R.Bottom - 3));
  EXPECT_TRUE(PressAt(R.Right - 4, Middle));
  // In a title one row high the button keeps inside the raised frame.
  Grid->SetTitleHeight(0);
  Display.ProcessMessages();
  const TRect Low = Grid->CellRect(3, 0);
  EXPECT_FALSE(PressAt(Low.Right - 4, Low.Top));
  EXPECT_TRUE(PressAt(Low.Right - 4, Low.Top + 1));
  Grid->SetOptionsEh(Grid->GetOptionsEh() - dghFixed3D);
  Display.ProcessMessages();
  EXPECT_TRUE(PressAt(Low.Right - 4, Low.Top));
}

TEST_F(TitleFilterList, TheButtonUnderTheMouseIsHotAndOpaque) {
  ShowInTitles();
  const TRect R = Grid->CellRect(3, 0);
  const Integer Middle = (R.Top + R.Bottom) / 2;
  Display.MouseMove(Grid->GetHandle(), R.Left + 10, Middle);
  EXPECT_FALSE(Grid->GetTitleFilterButtonHot());
  Display.ProcessMessages();
  // The button's arrow: grey while the button is faint, black once it is hot.
  auto Darkest = [&] {
    Integer Least = 3 * 255;
    for (Integer X = R.Right - 20; X < R.Right; ++X)
      for (Integer Y = R.Top; Y < R.Bottom; ++Y) {
        const TColor C = Display.PixelAt(Grid->GetHandle(), X, Y);
        Least = std::min<Integer>(Least, (C & 0xFF) + ((C >> 8) & 0xFF) + ((C >> 16) & 0xFF));
      }
    return Least;
  };
  const Integer Faint = Darkest();
  Display.MouseMove(Grid->GetHandle(), R.Right - 4, Middle);
  EXPECT_TRUE(Grid->GetTitleFilterButtonHot());
  Display.ProcessMessages();
  EXPECT_LT(Darkest(), Faint);
  Display.MouseMove(Grid->GetHandle(), R.Left + 10, Middle + 40);
  EXPECT_FALSE(Grid->GetTitleFilterButtonHot());
}

TEST_F(TitleFilterList, CtrlTDropsTheCurrentColumnsListAndEnterChoosesAValue) {
  ShowInTitles();
  Key(VK_RIGHT);
  Key(VK_RIGHT);
  Key('T', THeadlessShift::Ctrl);
  ASSERT_TRUE(Grid->GetTitleFilterListVisible());
  EXPECT_EQ(Grid->GetTitleFilterListColumn(), Column(2));
  TitleList()->SetItemIndex(TitleItem(u"Запись 6"));
  Key(VK_RETURN);
  EXPECT_FALSE(Grid->GetTitleFilterListVisible());
  EXPECT_EQ(Condition(2), u"='Запись 6'");
  EXPECT_EQ(Ids(Table), (std::vector<Integer>{6}));
}

TEST_F(TitleFilterList, EscClosesTheListChoosingNothing) {
  ShowInTitles();
  Key('T', THeadlessShift::Ctrl);
  TitleList()->SetItemIndex(TitleItem(u"Запись 6"));
  Key(VK_ESCAPE);
  EXPECT_FALSE(Grid->GetTitleFilterListVisible());
  EXPECT_EQ(Condition(0), u"");
  EXPECT_EQ(CurrentId(), 1);  // the Esc did not reach the grid's data either
}

TEST_F(TitleFilterList, SpaceTicksValuesOneByOneAndAPressInTheDataClosesTheList) {
  ShowInTitles();
  Key('T', THeadlessShift::Ctrl);
  TitleList()->SetItemIndex(TitleItem(u"3"));
  Type(u" ");
  TitleList()->SetItemIndex(TitleItem(u"5"));
  Type(u" ");
  EXPECT_TRUE(Grid->GetTitleFilterListVisible());
  EXPECT_EQ(Condition(0), u"in ('3','5')");
  EXPECT_EQ(Ids(Table), (std::vector<Integer>{3, 5}));
  ClickCell(2, 2);
  EXPECT_FALSE(Grid->GetTitleFilterListVisible());
  EXPECT_EQ(Ids(Table), (std::vector<Integer>{3, 5}));
}

TEST_F(FilterRowEdit, CtrlSpaceInTheOpenListAddsTicksWithoutClosingIt) {
  ShowFiltered();
  ClickFilterCell(2);
  DropDown();
  Display.KeyDown(VK_CONTROL);
  List()->SetItemIndex(ItemOf(u"Запись 1"));
  Type(u" ");
  List()->SetItemIndex(ItemOf(u"Запись 9"));
  Type(u" ");
  Display.KeyUp(VK_CONTROL);
  EXPECT_TRUE(Editor()->GetListVisible());
  EXPECT_EQ(Condition(2), u"in ('Запись 1','Запись 9')");
  EXPECT_EQ(Editor()->GetText(), u"in ('Запись 1','Запись 9')");
  EXPECT_EQ(Ids(Table), (std::vector<Integer>{1, 9}));
}

// ---- How the list's items look ---------------------------------------------------------------------------

namespace {

// The list painted into a bitmap with a recorder on it.
class PaintList {
public:
  explicit PaintList(TPopupListboxEh* List) {
    FBitmap.SetSize(std::max(1, List->GetClientWidth()), std::max(1, List->GetClientHeight()));
    HDC DC = FBitmap.GetCanvas()->GetHandle();
    SetGdiRecorder(DC, &Recorder);
    List->Perform(WM_PAINT, reinterpret_cast<WPARAM>(DC), 0);
    SetGdiRecorder(DC, nullptr);
  }
  TGdiRecorder Recorder;

private:
  TBitmap FBitmap;
};

}  // namespace

TEST_F(FilterRowEdit, ItemsDrawTheirArrowLineOrTickBoxBeforeTheTextIndentedAlike) {
  ShowFiltered(3);
  Grid->SetOptionsEh(Grid->GetOptionsEh() + dghAutoSortMarking);
  Column(2)->GetTitle()->SetTitleButton(true);
  Column(2)->GetSTFilter()->SetExpressionStr(u"='Запись 2'");
  ClickFilterCell(2);
  DropDown();
  PaintList Paint(List());
  const Integer Indent = DefaultEditButtonWidthEh() + 2;
  auto RowOf = [&](const String& Text) { return List()->ItemRect(ItemOf(Text)); };
  // Every text starts after the box, whatever its kind.
  for (const String& Text : {String(u"(Сортировка по убыванию)"), String(u"(Все)"), String(u"Запись 2")}) {
    const auto Texts = Paint.Recorder.Within(gopText, RowOf(Text));
    ASSERT_FALSE(Texts.empty());
    EXPECT_GE(Texts.front()->Origin.X, Indent);
  }
  // The sort items draw the grid's second pair of markers.
  const auto Ascending = Paint.Recorder.Within(gopImage, RowOf(u"(Сортировка по возрастанию)"));
  const auto Descending = Paint.Recorder.Within(gopImage, RowOf(u"(Сортировка по убыванию)"));
  ASSERT_EQ(Ascending.size(), 1u);
  ASSERT_EQ(Descending.size(), 1u);
  EXPECT_EQ(Ascending.front()->Value, 3);
  EXPECT_EQ(Descending.front()->Value, 4);
  // The separator is a silver line across the middle of its row.
  const TRect Line = RowOf(u"-");
  bool Silver = false;
  for (const TGdiOp* Op : Paint.Recorder.OfKind(gopLine))
    if (Op->Color == 0xC0C0C0 && !Op->Points.empty() && Op->Points.front().Y == (Line.Top + Line.Bottom) / 2)
      Silver = true;
  EXPECT_TRUE(Silver);
  // The value of the condition is ticked; the others are not.
  EXPECT_EQ(Column(2)->GetSTFilter()->GetItemCheckStates()[size_t(ItemOf(u"Запись 2"))], 1);
  EXPECT_EQ(Column(2)->GetSTFilter()->GetItemCheckStates()[size_t(ItemOf(u"Запись 1"))], 0);
}

TEST_F(FilterRowEdit, DeletingTheColumnBeingEditedClosesTheEditor) {
  ShowFiltered();
  ClickFilterCell(2);
  Type(u"=Запись 1");
  delete Column(2);
  Display.ProcessMessages();
  EXPECT_FALSE(EditorShown());
  EXPECT_FALSE(Grid->GetFilterEditing());
  EXPECT_EQ(Grid->GetFilterRowColumn(), -1);
  EXPECT_EQ(Editor()->GetColumn(), nullptr);
  Grid->ApplyFilterRow();
  EXPECT_EQ(DataRows(), 10);
  // The other cells still open the editor.
  ClickFilterCell(0);
  EXPECT_TRUE(EditorShown());
}
