// The cell rules the painters, the mouse code and the in-place editor ask of
// the grid: whether a cell may be edited and what keys it takes, when the
// editor shows, which cells are highlighted and in which colours (the grid's
// own rules when no style object decides), cell lines, hot tracking, and the
// rows' record numbers.

#include "tests/grid/DBGridTestSupport.h"

namespace {

class CellRules : public GridFixture {
protected:
  TColumnEh* Column(const String& Name) { return Grid->ColumnByFieldName(Name); }
  void MakeCurrent(const String& Name) { Grid->SetSelectedIndex(Column(Name)->GetIndex()); }
};

// A grid of a program that started the table unit alone: no style object decides its colours.
class OwnHighlight : public ::testing::Test {
protected:
  THeadlessDisplay Display;
  TMemTableEh Table{nullptr};
  TDataSource Source{nullptr};
  TForm* Form = nullptr;
  TDBGridEh* Grid = nullptr;
  TFont Font;
  TColor Background = clWindow;

  void SetUp() override {
    InitMemTableEhUnit();
    BuildResourceColumns(Table.GetMemTableData());
    AddResourceTree(Table);
    Table.Open();
    Source.SetDataSet(&Table);
    Form = new TForm(Application);
    Form->SetBounds(0, 0, 400, 300);
    Grid = new TDBGridEh(Form);
    Grid->SetParent(Form);
    Grid->SetBounds(0, 0, 400, 300);
    Form->Show();
    Grid->SetDataSource(&Source);
    Display.ProcessMessages();
  }
  void TearDown() override {
    delete Form;
    FinalMemTableEhUnit();
  }
  bool Ask(Integer Col, Integer Row, TGridDrawState State = {}, bool Selected = false) {
    Background = clWindow;
    Font.SetColor(clWindowText);
    return Grid->GetHighlightColors(Col, Row, Col - 1, Row - 1, State, Selected, &Font, Background);
  }
  void Focus(bool On) {
    if (On) Grid->SetFocus();
    else ::SetFocus(nullptr);
    Display.ProcessMessages();
    ASSERT_EQ(Grid->GridFocused(), On);
  }
};

}  // namespace

// ---- Editing -----------------------------------------------------------------------------------------------

TEST_F(CellRules, AWritableCellPutsTheTableIntoEditStateWhenAskedWhetherItMayBeChanged) {
  ShowResources();
  MakeCurrent(u"NAME_THIS");
  EXPECT_TRUE(Grid->CanEditModify());
  EXPECT_EQ(Table.GetState(), dsEdit);
  Table.Cancel();
  Grid->SetReadOnly(true);
  EXPECT_FALSE(Grid->CanEditModify());
  Grid->SetReadOnly(false);
  Table.SetReadOnly(true);
  EXPECT_FALSE(Grid->CanEditModify());
  EXPECT_EQ(Table.GetState(), dsBrowse);
}

TEST_F(CellRules, CheckBoxesAndAnIncrementalSearchTakeNoTypedText) {
  ShowResources();
  MakeCurrent(u"NAME_THIS");
  Column(u"NAME_THIS")->SetCheckboxes(true);
  EXPECT_FALSE(Grid->CanEditModify());
  Column(u"NAME_THIS")->SetCheckboxes(false);
  Grid->SetIncSearchActive(true);
  EXPECT_FALSE(Grid->CanEditModify());
  Grid->SetIncSearchActive(false);
  EXPECT_TRUE(Grid->CanEditModify());
  Table.Cancel();
}

TEST_F(CellRules, AKeyIsAcceptedWhenTheFieldTakesIt) {
  ShowResources();
  MakeCurrent(u"ID_THIS");
  EXPECT_TRUE(Grid->CanEditAcceptKey(u'5'));
  EXPECT_FALSE(Grid->CanEditAcceptKey(u'ж'));
  MakeCurrent(u"NAME_THIS");
  EXPECT_TRUE(Grid->CanEditAcceptKey(u'ж'));
  Grid->SetDataSource(nullptr);
  EXPECT_FALSE(Grid->CanEditAcceptKey(u'ж'));
}

TEST_F(CellRules, TheEditorShowsForTextCellsOnlyAndNeverInsideALayoutOrAFilterEdit) {
  ShowResources();
  Grid->SetFocus();
  Display.ProcessMessages();
  MakeCurrent(u"NAME_THIS");
  Grid->ShowEditor();
  EXPECT_TRUE(Grid->GetEditorMode());
  EXPECT_TRUE(Grid->CanEditShow());
  Grid->BeginLayout();
  EXPECT_FALSE(Grid->CanEditShow());
  Grid->CancelLayout();
  Column(u"NAME_THIS")->SetCheckboxes(true);
  Grid->ShowEditor();
  EXPECT_FALSE(Grid->GetEditorMode());  // a check box is changed in its cell
  EXPECT_TRUE(Grid->CanEditorMode());
  Grid->SetFilterEditing(true);
  EXPECT_FALSE(Grid->CanEditorMode());
}

TEST_F(CellRules, ASelectionKeepsTheEditorAwayWhileRectanglesMayBeCleared) {
  ShowResources();
  Grid->SetFocus();
  Display.ProcessMessages();
  MakeCurrent(u"NAME_THIS");
  Grid->SetOptions(Grid->GetOptions() + dgMultiSelect);
  Grid->GetSelection()->SelectAll();
  Grid->ShowEditor();
  EXPECT_FALSE(Grid->GetEditorMode());
  Grid->SetOptionsEh(Grid->GetOptionsEh() - dghClearSelection);
  Grid->ShowEditor();
  EXPECT_TRUE(Grid->GetEditorMode());
}

// ---- Lines, hot tracking, rows ---------------------------------------------------------------------------

TEST_F(CellRules, MultiLevelTitlesDrawTheirOwnVerticalLines) {
  ShowResources();
  bool Draw = true, Extent = false;
  TColor Color = clBlack;
  Grid->GetCellLinesVisibility(1, 0, clkRight, Draw, Color, Extent);
  EXPECT_TRUE(Draw);
  Grid->SetUseMultiTitle(true);
  Grid->GetCellLinesVisibility(1, 0, clkRight, Draw, Color, Extent);
  EXPECT_FALSE(Draw);
  Grid->GetCellLinesVisibility(1, 0, clkBottom, Draw, Color, Extent);
  EXPECT_TRUE(Draw);
  Grid->GetCellLinesVisibility(1, 1, clkRight, Draw, Color, Extent);
  EXPECT_TRUE(Draw);
}

TEST_F(CellRules, HotTrackingFollowsEveryCellOnlyWithItsOption) {
  ShowResources();
  EXPECT_FALSE(Grid->CanCellHotTrack(1, 1));
  EXPECT_FALSE(Grid->CanCellHotTrack(1, 0));
  Grid->GetSTFilter()->SetVisible(true);
  Grid->GetSTFilter()->SetLocation(stflInTitleFilterEh);
  EXPECT_TRUE(Grid->CanCellHotTrack(1, 0));  // a filter row inside the titles
  EXPECT_FALSE(Grid->CanCellHotTrack(1, 1));
  Grid->SetOptionsEh(Grid->GetOptionsEh() + dghHotTrack);
  EXPECT_TRUE(Grid->CanCellHotTrack(1, 1));
  EXPECT_FALSE(Grid->CanCellHotTrack(-1, 1));
}

TEST_F(CellRules, ARowShowsItsRecordNumberAndWhetherItIsTheCurrentOne) {
  ShowResources();
  Table.MoveBy(2);
  EXPECT_EQ(Grid->GetRowRecNo(4), 5);
  EXPECT_TRUE(Grid->IsCurrentDataRow(2));
  EXPECT_FALSE(Grid->IsCurrentDataRow(0));
  // Over the window of buffered records the row's record is asked for its number.
  Grid->SetDataSource(nullptr);
  Grid->SetMemTableSupportIntf(false);
  Grid->SetDataSource(&Source);
  ASSERT_FALSE(Grid->RowScrollMode());
  Table.First();
  EXPECT_EQ(Grid->GetRowRecNo(3), 4);
  EXPECT_EQ(Grid->GetDataLink()->GetActiveRecord(), 0);
  EXPECT_TRUE(Grid->IsCurrentDataRow(0));
}

// ---- The grid's own highlight rules ---------------------------------------------------------------------

TEST_F(OwnHighlight, TheCurrentCellOfAFocusedGridIsHighlightedInTheHighlightColours) {
  ASSERT_EQ(Grid->GetStyle(), nullptr);
  Focus(true);
  EXPECT_TRUE(Ask(1, 1, {gdSelected}));
  EXPECT_EQ(Background, clHighlight);
  EXPECT_EQ(Font.GetColor(), clHighlightText);
  EXPECT_FALSE(Ask(2, 1));
  EXPECT_EQ(Background, clWindow);
  EXPECT_TRUE(Ask(2, 4, {}, true));  // a selected record
}

TEST_F(OwnHighlight, WithoutFocusOnlyAnAlwaysShownSelectionIsHighlighted) {
  Focus(false);
  EXPECT_FALSE(Ask(1, 1, {gdSelected}));
  Grid->SetOptions(Grid->GetOptions() + dgAlwaysShowSelection);
  EXPECT_TRUE(Ask(1, 1, {gdSelected}));
  EXPECT_EQ(Background, clBtnShadow);
  EXPECT_EQ(Font.GetColor(), clHighlightText);
  EXPECT_TRUE(Ask(2, 1, {gdSelected}));  // the current row outside the current column
  EXPECT_EQ(Background, clBtnFace);
}

TEST_F(OwnHighlight, RowHighlightMarksTheWholeCurrentRowOfAFocusedGrid) {
  Focus(true);
  EXPECT_FALSE(Ask(2, 1));
  Grid->SetOptionsEh(Grid->GetOptionsEh() + dghRowHighlight);
  EXPECT_TRUE(Ask(2, 1));
  EXPECT_FALSE(Ask(2, 2));
  Grid->BeginUpdate();  // nothing is highlighted while the grid is being updated
  EXPECT_FALSE(Ask(2, 1));
  Grid->EndUpdate();
}

TEST_F(OwnHighlight, HighlightedCellsOutsideTheDataAreDarkAndDataCellsFollowTheFocus) {
  Focus(true);
  TColor Back = clBtnFace;
  EXPECT_TRUE(Grid->GetCellParams(1, 0, cavTitleEh, {}, true, &Font, Back));
  EXPECT_EQ(Back, TColor(0x404040));
  EXPECT_EQ(Font.GetColor(), clWhite);
  Back = clWindow;
  EXPECT_TRUE(Grid->GetCellParams(1, 1, cavDataEh, {}, true, &Font, Back));
  EXPECT_EQ(Back, clHighlight);
  Focus(false);
  EXPECT_TRUE(Grid->GetCellParams(1, 1, cavDataEh, {}, true, &Font, Back));
  EXPECT_EQ(Back, clBtnFace);
  Back = clWindow;
  EXPECT_FALSE(Grid->GetCellParams(1, 1, cavDataEh, {}, false, &Font, Back));
  EXPECT_EQ(Back, clWindow);
}
