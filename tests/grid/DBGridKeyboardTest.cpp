// The grid's keys through real key messages: moving by rows, pages, columns and
// Tab; Shift-selection sequences over rows and over cells; appending past the
// last record and cancelling an untouched new one; Esc; deleting with its
// question; the editor opened by F2 and Enter over a read-only table; the
// incremental search and its time-out.

#include "platform/ui/Clipbrd.h"
#include "tests/grid/GridInputTestSupport.h"

namespace {

class GridKeys : public GridInput {};

// A table whose records cannot be changed.
class TReadOnlyTable : public TMemTableEh {
public:
  using TMemTableEh::TMemTableEh;
  bool CanModify() const override { return false; }
};

}  // namespace

// ---- Moving ------------------------------------------------------------------------------------------------

TEST_F(GridKeys, ArrowsPagesAndHomeEndMoveTheCurrentRecordAndColumn) {
  ShowRecords(100);
  Key(VK_DOWN);
  Key(VK_DOWN);
  EXPECT_EQ(CurrentId(), 3);
  Key(VK_NEXT);
  EXPECT_EQ(CurrentId(), 3 + Grid->VisibleDataRows());
  Key(VK_PRIOR);
  EXPECT_EQ(CurrentId(), 3);
  Key(VK_END, THeadlessShift::Ctrl);
  EXPECT_EQ(CurrentId(), 100);
  EXPECT_EQ(Grid->GetRow(), 100);
  Key(VK_HOME, THeadlessShift::Ctrl);
  EXPECT_EQ(CurrentId(), 1);
  Key(VK_RIGHT);
  EXPECT_EQ(Grid->GetSelectedIndex(), 1);
  Key(VK_END);
  EXPECT_EQ(Grid->GetSelectedIndex(), 2);
  Key(VK_HOME);
  EXPECT_EQ(Grid->GetSelectedIndex(), 0);
  Key(VK_RIGHT, THeadlessShift::Ctrl);
  EXPECT_EQ(Grid->GetSelectedIndex(), 2);
  EXPECT_EQ(CurrentId(), 1);
}

TEST_F(GridKeys, CtrlUpAndDownGoToTheFirstAndLastRowsInTheWindow) {
  ShowRecords(100);
  Keys(VK_DOWN, 5);
  Key(VK_DOWN, THeadlessShift::Ctrl);
  EXPECT_EQ(Grid->GetRow(), Grid->GetTopRow() + Grid->VisibleDataRows() - 1);
  Key(VK_UP, THeadlessShift::Ctrl);
  EXPECT_EQ(Grid->GetRow(), Grid->GetTopRow());
}

TEST_F(GridKeys, HiddenColumnsAreSteppedOver) {
  ShowRecords(5);
  Column(1)->SetVisible(false);
  Display.ProcessMessages();
  Key(VK_RIGHT);
  EXPECT_EQ(Grid->GetSelectedIndex(), 2);
  Key(VK_LEFT);
  EXPECT_EQ(Grid->GetSelectedIndex(), 0);
}

TEST_F(GridKeys, TabMovesThroughTheColumnsAndWrapsToTheNextRow) {
  ShowRecords(5);
  Keys(VK_TAB, 3);
  EXPECT_EQ(Grid->GetSelectedIndex(), 0);
  EXPECT_EQ(CurrentId(), 2);
  Key(VK_TAB, THeadlessShift::Shift);
  EXPECT_EQ(Grid->GetSelectedIndex(), 2);
  EXPECT_EQ(CurrentId(), 1);
}

TEST_F(GridKeys, EnterAsTabOnTheLastColumnGoesToTheFirstColumnOfTheNextRow) {
  ShowRecords(5);
  Grid->SetOptionsEh(Grid->GetOptionsEh() + dghEnterAsTab);
  Key(VK_END);
  Key(VK_RETURN);
  EXPECT_EQ(Grid->GetSelectedIndex(), 0);
  EXPECT_EQ(CurrentId(), 2);
  EXPECT_FALSE(Grid->GetEditorMode());
}

TEST_F(GridKeys, MovesWorkTheSameInTheOrdinaryMode) {
  ShowRecords(100, false);
  ASSERT_FALSE(Grid->RowScrollMode());
  Keys(VK_DOWN, 25);
  EXPECT_EQ(CurrentId(), 26);
  Key(VK_END, THeadlessShift::Ctrl);
  EXPECT_EQ(CurrentId(), 100);
  Key(VK_UP, THeadlessShift::Ctrl);
  EXPECT_EQ(Grid->GetRow(), Grid->GetTitleRowCount());
  EXPECT_EQ(CurrentId(), 100 - Grid->GetDataLink()->GetBufferCount() + 1);
}

// ---- Shift-selection ----------------------------------------------------------------------------------------

TEST_F(GridKeys, ShiftDownTwiceSelectsThreeRowsAndShiftUpLeavesTwo) {
  ShowRecords(10);
  Grid->SetOptions(Grid->GetOptions() + dgRowSelect + dgMultiSelect);
  Key(VK_DOWN);  // from record 2, not selected
  Key(VK_DOWN, THeadlessShift::Shift);
  Key(VK_DOWN, THeadlessShift::Shift);
  EXPECT_EQ(SelectedIds(), (std::vector<Integer>{2, 3, 4}));
  EXPECT_EQ(Grid->GetSelection()->GetSelectionType(), gstRecordBookmarks);
  Key(VK_UP, THeadlessShift::Shift);
  EXPECT_EQ(SelectedIds(), (std::vector<Integer>{2, 3}));
  EXPECT_EQ(CurrentId(), 3);
  // A plain move ends the run and clears the rows.
  Key(VK_DOWN);
  EXPECT_TRUE(SelectedIds().empty());
  EXPECT_EQ(Grid->GetSelection()->GetSelectionType(), gstNon);
}

TEST_F(GridKeys, CtrlShiftDownFromASelectedRowUnselectsTheRowsPassed) {
  ShowRecords(40);
  Grid->SetOptions(Grid->GetOptions() + dgRowSelect + dgMultiSelect);
  Keys(VK_DOWN, 3, THeadlessShift::Shift);
  ASSERT_EQ(SelectedIds(), (std::vector<Integer>{1, 2, 3, 4}));
  // With Ctrl the rows passed take the opposite of the start row's state: the
  // start row was selected, so they are all unselected, the start row too.
  Key(VK_UP, THeadlessShift::Shift);
  Key(VK_UP, THeadlessShift::Shift);
  ASSERT_EQ(SelectedIds(), (std::vector<Integer>{1, 2}));
  ClickCell(1, 2);  // a plain click: record 2 alone is selected
  ASSERT_EQ(SelectedIds(), (std::vector<Integer>{2}));
  Key(VK_DOWN, THeadlessShift::Shift | THeadlessShift::Ctrl);
  EXPECT_EQ(Grid->GetRow(), Grid->GetTopRow() + Grid->VisibleDataRows() - 1);
  EXPECT_TRUE(SelectedIds().empty());
}

TEST_F(GridKeys, WithoutRowSelectShiftDownExtendsACellRectangle) {
  ShowRecords(10);
  Grid->SetOptions(Grid->GetOptions() + dgMultiSelect);
  Key(VK_RIGHT);
  Key(VK_DOWN, THeadlessShift::Shift);
  Key(VK_DOWN, THeadlessShift::Shift);
  Key(VK_RIGHT, THeadlessShift::Shift);
  TDBGridEhSelection* Selection = Grid->GetSelection();
  ASSERT_EQ(Selection->GetSelectionType(), gstRectangle);
  TDBGridEhSelectionRect* Rect = Selection->GetRect();
  EXPECT_EQ(Rect->GetLeftCol(), 1);
  EXPECT_EQ(Rect->GetRightCol(), 2);
  EXPECT_EQ(Table.InstantReadIndexOfBookmark(Rect->GetTopRow()), 0);
  EXPECT_EQ(Table.InstantReadIndexOfBookmark(Rect->GetBottomRow()), 2);
  EXPECT_TRUE(SelectedIds().empty());
  // The rectangle's cells in grid coordinates: two columns, the first three data rows.
  EXPECT_EQ(Selection->GetSelectionRect(), (TGridRect{2, 1, 3, 3}));
  Key(VK_LEFT);
  EXPECT_EQ(Selection->GetSelectionType(), gstNon);
}

TEST_F(GridKeys, ShiftSelectionNeedsMultiSelect) {
  ShowRecords(10);
  Key(VK_DOWN, THeadlessShift::Shift);
  EXPECT_EQ(CurrentId(), 2);
  EXPECT_EQ(Grid->GetSelection()->GetSelectionType(), gstNon);
}

TEST_F(GridKeys, WithoutTheRectangleAllowedShiftPageDownSelectsRows) {
  ShowRecords(50);
  Grid->SetOptions(Grid->GetOptions() + dgMultiSelect);
  Grid->SetAllowedSelections({gstRecordBookmarks, gstColumns, gstAll});
  Key(VK_NEXT, THeadlessShift::Shift);
  EXPECT_EQ(Integer(SelectedIds().size()), Grid->VisibleDataRows() + 1);
}

// ---- Records ---------------------------------------------------------------------------------------------

TEST_F(GridKeys, DownOnTheLastRecordAppendsOneAndUpOnItUntouchedCancelsIt) {
  ShowRecords(3);
  Keys(VK_DOWN, 2);
  EXPECT_EQ(Table.GetState(), dsBrowse);
  Key(VK_DOWN);
  EXPECT_EQ(Table.GetState(), dsInsert);
  Key(VK_DOWN);  // stays on the new record
  EXPECT_EQ(Table.GetState(), dsInsert);
  Key(VK_UP);
  EXPECT_EQ(Table.GetState(), dsBrowse);
  EXPECT_EQ(Table.GetRecordCount(), 3);
  EXPECT_EQ(CurrentId(), 3);
  // Without the append operation Down stays on the last record.
  Grid->SetAllowedOperations({alopInsertEh, alopUpdateEh, alopDeleteEh});
  Key(VK_DOWN);
  EXPECT_EQ(Table.GetState(), dsBrowse);
}

TEST_F(GridKeys, InsertStartsANewRecordAndEscDropsIt) {
  ShowRecords(3);
  Key(VK_DOWN);
  Key(VK_INSERT);
  EXPECT_EQ(Table.GetState(), dsInsert);
  Key(VK_ESCAPE);
  EXPECT_EQ(Table.GetState(), dsBrowse);
  EXPECT_EQ(Table.GetRecordCount(), 3);
}

TEST_F(GridKeys, CtrlDeleteAsksForOneRecordAndForSeveral) {
  ShowRecords(5);
  Grid->SetOptions(Grid->GetOptions() + dgRowSelect + dgMultiSelect);
  Display.AnswerMessageBoxes({IDCANCEL, IDOK});
  Key(VK_DELETE, THeadlessShift::Ctrl);
  ASSERT_EQ(Display.MessageBoxes().size(), 1u);
  EXPECT_EQ(Display.MessageBoxes()[0].Text, u"Delete record?");
  EXPECT_EQ(Table.GetRecordCount(), 5);
  Key(VK_DOWN, THeadlessShift::Shift);
  Key(VK_DELETE, THeadlessShift::Ctrl);
  ASSERT_EQ(Display.MessageBoxes().size(), 2u);
  EXPECT_EQ(Display.MessageBoxes()[1].Text, u"Delete all selected records?");
  EXPECT_EQ(Ids(Table), (std::vector<Integer>{3, 4, 5}));
  // Without dgConfirmDelete nothing is asked.
  Grid->SetOptions(Grid->GetOptions() - dgConfirmDelete);
  Key(VK_DELETE, THeadlessShift::Ctrl);
  EXPECT_EQ(Display.MessageBoxes().size(), 2u);
  EXPECT_EQ(Table.GetRecordCount(), 2);
}

TEST_F(GridKeys, ADeleteThatIsNotAllowedAsksNothing) {
  ShowRecords(5);
  Grid->SetAllowedOperations({alopInsertEh, alopUpdateEh, alopAppendEh});
  Key(VK_DELETE, THeadlessShift::Ctrl);
  Grid->SetAllowedOperations(AllAllowedOperationsEh);
  Grid->SetReadOnly(true);
  Key(VK_DELETE, THeadlessShift::Ctrl);
  EXPECT_TRUE(Display.MessageBoxes().empty());
  EXPECT_EQ(Table.GetRecordCount(), 5);
}

TEST_F(GridKeys, CtrlASelectsAllWhenTheActionIsOn) {
  ShowRecords(5);
  Grid->SetOptions(Grid->GetOptions() + dgMultiSelect);
  Key('A', THeadlessShift::Ctrl);
  EXPECT_EQ(Grid->GetSelection()->GetSelectionType(), gstNon);
  Grid->SetEditActions({geaSelectAllEh});
  Key('A', THeadlessShift::Ctrl);
  EXPECT_EQ(Grid->GetSelection()->GetSelectionType(), gstAll);
  Key(VK_ESCAPE);
  EXPECT_EQ(Grid->GetSelection()->GetSelectionType(), gstNon);
}

TEST_F(GridKeys, ClipboardKeysActOnlyWithTheirEditActions) {
  ShowRecords(5);
  Grid->SetOptions(Grid->GetOptions() + dgMultiSelect);
  Clipboard()->Clear();
  Key(VK_RIGHT);
  Key(VK_RIGHT);
  Key(VK_DOWN, THeadlessShift::Shift);
  Key('C', THeadlessShift::Ctrl);
  EXPECT_FALSE(Clipboard()->HasFormat(CF_UNICODETEXT));
  Grid->SetEditActions({geaCopyEh, geaDeleteEh});
  Key(VK_INSERT, THeadlessShift::Ctrl);
  ASSERT_TRUE(Clipboard()->HasFormat(CF_UNICODETEXT));
  EXPECT_NE(Clipboard()->GetAsText().find(u"Запись 2"), String::npos);
  // Ctrl+Delete over a rectangle empties its cells after the question.
  Display.AnswerMessageBoxes({IDOK});
  Key(VK_DELETE, THeadlessShift::Ctrl);
  ASSERT_EQ(Display.MessageBoxes().size(), 1u);
  EXPECT_EQ(Display.MessageBoxes()[0].Text, u"Очистить выделенные ячейки?");
  Table.First();
  EXPECT_TRUE(Table.FieldByName(u"NAME_THIS")->GetIsNull());
  EXPECT_EQ(Table.GetRecordCount(), 5);
  Clipboard()->Clear();
}

// ---- The editor ----------------------------------------------------------------------------------------------

TEST_F(GridKeys, F2AndEnterOpenAReadOnlyEditorOverAReadOnlyTable) {
  TReadOnlyTable ReadOnly(nullptr);
  BuildResourceColumns(ReadOnly.GetMemTableData());
  TMTDataStructEh* Struct = ReadOnly.GetMemTableData()->GetDataStruct();
  for (Integer I = 0; I < Struct->GetCount(); ++I) Struct->GetItem(I)->SetVisible(true);
  AddResource(ReadOnly, 1, 0, 0, 1, u"Библиотека");
  ReadOnly.Open();
  Source.SetDataSet(&ReadOnly);
  ShowRecords(0);
  Key(VK_END);
  Key(VK_F2);
  TInplaceEdit* Editor = Grid->GetInplaceEditor();
  ASSERT_TRUE(Editor);
  EXPECT_TRUE(Editor->GetVisible());
  EXPECT_EQ(Editor->GetText(), u"Библиотека");
  EXPECT_TRUE(Editor->GetReadOnly());
  Display.TypeText(u"x");
  EXPECT_EQ(Editor->GetText(), u"Библиотека");
  EXPECT_EQ(ReadOnly.GetState(), dsBrowse);
  Key(VK_ESCAPE);
  EXPECT_FALSE(Editor->GetVisible());
  Key(VK_RETURN);
  EXPECT_TRUE(Editor->GetVisible());
  Key(VK_RETURN);
  EXPECT_FALSE(Editor->GetVisible());
}

TEST_F(GridKeys, ASecondClickOnTheCurrentCellOpensTheEditor) {
  ShowRecords(5);
  ClickCell(3, 2);
  ASSERT_TRUE(!Grid->GetInplaceEditor() || !Grid->GetInplaceEditor()->GetVisible());
  ClickCell(3, 2);
  ASSERT_TRUE(Grid->GetInplaceEditor());
  EXPECT_TRUE(Grid->GetInplaceEditor()->GetVisible());
  EXPECT_EQ(Grid->GetInplaceEditor()->GetText(), u"Запись 2");
  EXPECT_FALSE(Grid->GetInplaceEditor()->GetReadOnly());
}

// ---- The incremental search --------------------------------------------------------------------------------

TEST_F(GridKeys, TypingSearchesTheColumnAndStartsOverAfterTheTimeOut) {
  ShowRecords(30);
  Grid->SetOptionsEh(Grid->GetOptionsEh() + dghIncSearch + dghPreferIncSearch);
  Key(VK_END);  // NAME_THIS: "Запись 1" .. "Запись 30"
  Display.TypeText(u"запись 2");
  EXPECT_TRUE(Grid->GetIncSearchActive());
  EXPECT_EQ(Grid->GetIncSearchText(), u"запись 2");
  EXPECT_EQ(CurrentId(), 2);
  Display.AdvanceClock(1000);
  Display.TypeText(u"5");
  EXPECT_EQ(Grid->GetIncSearchText(), u"запись 25");
  EXPECT_EQ(CurrentId(), 25);
  Display.AdvanceClock(1600);
  EXPECT_FALSE(Grid->GetIncSearchActive());
  EXPECT_TRUE(Grid->GetIncSearchText().empty());
  // After the time-out typing starts a new search from the first record.
  Display.TypeText(u"запись 3");
  EXPECT_EQ(CurrentId(), 3);
}

TEST_F(GridKeys, ATextThatMatchesNothingKeepsTheRecordAndTheSearchText) {
  ShowRecords(10);
  Grid->SetOptionsEh(Grid->GetOptionsEh() + dghIncSearch + dghPreferIncSearch);
  Key(VK_END);
  Display.TypeText(u"запись 4");
  Display.TypeText(u"9");
  EXPECT_EQ(Grid->GetIncSearchText(), u"запись 4");
  EXPECT_EQ(CurrentId(), 4);
  Key(VK_BACK);
  EXPECT_EQ(Grid->GetIncSearchText(), u"запись ");
  Key(VK_ESCAPE);
  EXPECT_FALSE(Grid->GetIncSearchActive());
}

TEST_F(GridKeys, EnterEndsASearchWithoutOpeningTheEditor) {
  ShowRecords(10);
  Grid->SetOptionsEh(Grid->GetOptionsEh() + dghIncSearch + dghPreferIncSearch);
  Key(VK_END);
  Display.TypeText(u"запись 7");
  ASSERT_EQ(CurrentId(), 7);
  Key(VK_RETURN);
  EXPECT_FALSE(Grid->GetIncSearchActive());
  EXPECT_FALSE(Grid->GetEditorMode());
  // The next Enter opens it.
  Key(VK_RETURN);
  EXPECT_TRUE(Grid->GetEditorMode());
}

TEST_F(GridKeys, CtrlFStartsASearchAndCtrlEnterFindsTheNextMatch) {
  ShowRecords(30);
  Grid->SetOptionsEh(Grid->GetOptionsEh() + dghIncSearch - dghDialogFind);
  Key(VK_END);
  Key('F', THeadlessShift::Ctrl);
  EXPECT_TRUE(Grid->GetIncSearchActive());
  Display.TypeText(u"запись 1");
  EXPECT_EQ(CurrentId(), 1);
  Key(VK_RETURN, THeadlessShift::Ctrl);
  EXPECT_EQ(CurrentId(), 10);
  Key(VK_RETURN, THeadlessShift::Ctrl);
  EXPECT_EQ(CurrentId(), 11);
  Key(VK_RETURN, THeadlessShift::Ctrl | THeadlessShift::Shift);
  EXPECT_EQ(CurrentId(), 10);
}
