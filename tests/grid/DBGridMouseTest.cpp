// Presses, drags and releases on data cells through real mouse messages:
// rectangles and rows selected by dragging and Shift-clicking, columns selected
// from the upper edge of their titles, automatic scrolling while the mouse is
// held beyond the data, columns sized live, tree nodes opened by their buttons,
// and the wheel.

#include <random>
#include <set>
#include <string>

#include "tests/grid/GridInputTestSupport.h"

namespace {

class GridMouse : public GridInput {
protected:
  HWND Wnd() { return Grid->GetHandle(); }
  void Press(Integer Col, Integer Row, THeadlessShift Shift = THeadlessShift::None) {
    Pause();
    const TPoint P = CellCenter(Col, Row);
    Display.MouseDown(Wnd(), P.X, P.Y, mbLeft, Shift);
  }
  void MoveTo(Integer Col, Integer Row) {
    const TPoint P = CellCenter(Col, Row);
    Display.MouseMove(Wnd(), P.X, P.Y);
  }
  void Release(Integer Col, Integer Row) {
    const TPoint P = CellCenter(Col, Row);
    Display.MouseUp(Wnd(), P.X, P.Y);
  }
};

}  // namespace

// ---- Cells and rectangles ------------------------------------------------------------------------------------

TEST_F(GridMouse, AClickMakesTheCellCurrent) {
  ShowRecords(10);
  std::vector<TColumnEh*> Clicked;
  Grid->OnCellClick = [&](TObject*, TColumnEh* C) { Clicked.push_back(C); };
  ClickCell(2, 5);
  EXPECT_EQ(CurrentId(), 5);
  EXPECT_EQ(Grid->GetSelectedIndex(), 1);
  EXPECT_EQ(Clicked, (std::vector<TColumnEh*>{Column(1)}));
  EXPECT_EQ(Grid->GetMouseTrackState(), gmtsNoneEh);
}

TEST_F(GridMouse, DraggingOverCellsSelectsARectangle) {
  ShowRecords(10);
  Grid->SetOptions(Grid->GetOptions() + dgMultiSelect);
  Press(1, 2);
  EXPECT_EQ(Grid->GetMouseTrackState(), gmtsSelectingRectEh);
  MoveTo(2, 3);
  MoveTo(3, 5);
  Release(3, 5);
  EXPECT_EQ(Grid->GetMouseTrackState(), gmtsNoneEh);
  ASSERT_EQ(Grid->GetSelection()->GetSelectionType(), gstRectangle);
  EXPECT_EQ(Grid->GetSelection()->GetSelectionRect(), (TGridRect{1, 2, 3, 5}));
  EXPECT_EQ(CurrentId(), 5);
  EXPECT_EQ(Grid->GetSelectedIndex(), 2);
  // Shift-click stretches the rectangle from its anchor; a plain click clears it.
  ClickCell(2, 7, THeadlessShift::Shift);
  EXPECT_EQ(Grid->GetSelection()->GetSelectionRect(), (TGridRect{1, 2, 2, 7}));
  ClickCell(2, 7);
  EXPECT_EQ(Grid->GetSelection()->GetSelectionType(), gstNon);
}

TEST_F(GridMouse, WithoutMultiSelectTheCurrentCellFollowsTheHeldMouse) {
  ShowRecords(10);
  Press(1, 2);
  MoveTo(3, 6);
  Release(3, 6);
  EXPECT_EQ(CurrentId(), 6);
  EXPECT_EQ(Grid->GetSelectedIndex(), 2);
  EXPECT_EQ(Grid->GetSelection()->GetSelectionType(), gstNon);
}

// ---- Rows ----------------------------------------------------------------------------------------------------

TEST_F(GridMouse, ShiftClickThreeRowsBelowSelectsFourRowsAndMakesTheLastCurrent) {
  ShowRecords(10);
  Grid->SetOptions(Grid->GetOptions() + dgRowSelect + dgMultiSelect);
  Key(VK_DOWN);  // record 2, not selected
  ClickCell(1, 5, THeadlessShift::Shift);
  EXPECT_EQ(SelectedIds(), (std::vector<Integer>{2, 3, 4, 5}));
  EXPECT_EQ(CurrentId(), 5);
}

TEST_F(GridMouse, AClickSelectsOneRowAndCtrlClicksFlipRows) {
  ShowRecords(10);
  Grid->SetOptions(Grid->GetOptions() + dgRowSelect + dgMultiSelect);
  ClickCell(1, 3);
  EXPECT_EQ(SelectedIds(), (std::vector<Integer>{3}));
  ClickCell(1, 6, THeadlessShift::Ctrl);
  ClickCell(1, 8, THeadlessShift::Ctrl);
  EXPECT_EQ(SelectedIds(), (std::vector<Integer>{3, 6, 8}));
  ClickCell(1, 6, THeadlessShift::Ctrl);
  EXPECT_EQ(SelectedIds(), (std::vector<Integer>{3, 8}));
  ClickCell(1, 1);
  EXPECT_EQ(SelectedIds(), (std::vector<Integer>{1}));
}

TEST_F(GridMouse, DraggingDownOverRowsSelectsThemAndBackUnselects) {
  ShowRecords(10);
  Grid->SetOptions(Grid->GetOptions() + dgRowSelect + dgMultiSelect);
  Press(1, 2);
  EXPECT_EQ(Grid->GetMouseTrackState(), gmtsSelectingRowsEh);
  MoveTo(1, 3);
  MoveTo(1, 5);
  EXPECT_EQ(SelectedIds(), (std::vector<Integer>{2, 3, 4, 5}));
  MoveTo(1, 4);
  Release(1, 4);
  EXPECT_EQ(SelectedIds(), (std::vector<Integer>{2, 3, 4}));
}

// Random clicks with and without Shift and Ctrl against the plain rule: a click
// selects its row alone, Ctrl flips it, Shift (with or without Ctrl) adds the
// rows from the current one to the clicked one, and the clicked row becomes
// current. A Shift-click on the current row counts as a click without Shift.
TEST_F(GridMouse, RandomClicksSelectRowsAsThePlainRuleSays) {
  ShowRecords(10);
  Grid->SetOptions(Grid->GetOptions() + dgRowSelect + dgMultiSelect);
  std::mt19937 Random(2718);
  const THeadlessShift Kinds[] = {THeadlessShift::None, THeadlessShift::Ctrl, THeadlessShift::Shift,
                                  THeadlessShift::Shift | THeadlessShift::Ctrl};
  std::set<Integer> Model;
  Integer Current = CurrentId();
  for (Integer Step = 0; Step < 300; ++Step) {
    const THeadlessShift Kind = Kinds[std::uniform_int_distribution<int>(0, 3)(Random)];
    const Integer Row = std::uniform_int_distribution<Integer>(1, 10)(Random);
    const Integer Col = std::uniform_int_distribution<Integer>(1, 3)(Random);
    SCOPED_TRACE("step " + std::to_string(Step) + ", shift " + std::to_string(unsigned(Kind)) + ", row " +
                 std::to_string(Row) + ", from " + std::to_string(Current));
    ClickCell(Col, Row, Kind);
    if ((Kind & THeadlessShift::Shift) && Row != Current) {
      for (Integer R = std::min(Row, Current); R <= std::max(Row, Current); ++R) Model.insert(R);
    } else if (Kind & THeadlessShift::Ctrl) {
      if (!Model.erase(Row)) Model.insert(Row);
    } else {
      Model = {Row};
    }
    Current = Row;
    ASSERT_EQ(SelectedIds(), std::vector<Integer>(Model.begin(), Model.end()));
    ASSERT_EQ(CurrentId(), Current);
  }
}

// ---- Automatic scrolling --------------------------------------------------------------------------------

TEST_F(GridMouse, HoldingTheMouseBelowTheDataScrollsFasterTheFartherItIs) {
  ShowRecords(100, true, 400, 18 + 10 * 18 + 60);
  Grid->SetOptions(Grid->GetOptions() + dgRowSelect + dgMultiSelect);
  Press(1, 5);
  const Integer Bottom = Grid->GetGridHeight();
  Display.MouseMove(Wnd(), 50, Bottom + 5);
  EXPECT_TRUE(Grid->GetTimerActive());
  EXPECT_EQ(Grid->GetTimerInterval(), 200 - 15 * 6);
  const Integer Before = CurrentId();
  Display.AdvanceClock(500);
  EXPECT_GT(CurrentId(), Before + 3);
  EXPECT_GT(Grid->GetTopRow(), 1);
  // Farther out: more rows a tick, and the quickest interval.
  Display.MouseMove(Wnd(), 50, Bottom + 40);
  EXPECT_EQ(Grid->GetTimerInterval(), 0);
  // Back inside the timer stops; the rows passed are selected.
  MoveTo(1, Grid->GetTopRow() + 1);
  EXPECT_FALSE(Grid->GetTimerActive());
  Release(1, Grid->GetTopRow() + 1);
  EXPECT_EQ(Integer(SelectedIds().size()), CurrentId() - 5 + 1);
}

// ---- Columns ----------------------------------------------------------------------------------------------

TEST_F(GridMouse, TheUpperEdgeOfATitleSelectsColumns) {
  ShowRecords(5);
  Grid->SetOptions(Grid->GetOptions() + dgMultiSelect);
  const TRect Title = Grid->CellRect(1, 0);
  Pause();
  Display.MouseDown(Wnd(), Title.Left + 20, Title.Top + 1);
  EXPECT_EQ(Grid->GetMouseTrackState(), gmtsSelectingColumnsEh);
  Display.MouseMove(Wnd(), Grid->CellRect(2, 0).Left + 20, Title.Top + 1);
  Display.MouseUp(Wnd(), Grid->CellRect(2, 0).Left + 20, Title.Top + 1);
  TDBGridEhSelectionCols* Cols = Grid->GetSelection()->GetColumns();
  ASSERT_EQ(Grid->GetSelection()->GetSelectionType(), gstColumns);
  EXPECT_EQ(Cols->Count(), 2);
  Pause();
  Display.Click(Wnd(), Grid->CellRect(3, 0).Left + 20, Title.Top + 1, mbLeft, THeadlessShift::Ctrl);
  EXPECT_EQ(Cols->Count(), 3);
  // Lower in the title a press is a title press, not a selection.
  Pause();
  Display.Click(Wnd(), Title.Left + 20, Title.Bottom - 3);
  EXPECT_EQ(Cols->Count(), 3);
}

TEST_F(GridMouse, WithLiveSizingTheWidthFollowsTheMouse) {
  ShowRecords(5);
  Grid->SetOptionsEh(Grid->GetOptionsEh() + dghTraceColSizing);
  const TRect Title = Grid->CellRect(1, 0);
  Pause();
  Display.MouseDown(Wnd(), Title.Right, Title.Top + 5);
  Display.MouseMove(Wnd(), Title.Right + 30, Title.Top + 5);
  EXPECT_EQ(Column(0)->GetWidth(), 130);
  Display.MouseMove(Wnd(), Title.Right - 40, Title.Top + 5);
  EXPECT_EQ(Column(0)->GetWidth(), 60);
  Display.MouseUp(Wnd(), Title.Right - 40, Title.Top + 5);
  EXPECT_EQ(Grid->GetMouseTrackState(), gmtsNoneEh);
  EXPECT_EQ(Column(0)->GetWidth(), 60);
}

TEST_F(GridMouse, WithoutLiveSizingTheWidthChangesAtTheRelease) {
  ShowRecords(5);
  const TRect Title = Grid->CellRect(1, 0);
  Pause();
  Display.MouseDown(Wnd(), Title.Right, Title.Top + 5);
  Display.MouseMove(Wnd(), Title.Right + 30, Title.Top + 5);
  EXPECT_EQ(Column(0)->GetWidth(), 100);
  Display.MouseUp(Wnd(), Title.Right + 30, Title.Top + 5);
  EXPECT_EQ(Column(0)->GetWidth(), 130);
  // Sized to one pixel or less the column keeps its width.
  const TRect Now = Grid->CellRect(1, 0);
  Pause();
  Display.MouseDown(Wnd(), Now.Right, Now.Top + 5);
  Display.MouseUp(Wnd(), Now.Left, Now.Top + 5);
  EXPECT_EQ(Column(0)->GetWidth(), 130);
}

TEST_F(GridMouse, APressOnTheIndicatorTitleSelectsAllAndTheNextClearsIt) {
  ShowRecords(5);
  Grid->SetOptions(Grid->GetOptions() + dgMultiSelect);
  ClickCell(0, 0);
  EXPECT_EQ(Grid->GetSelection()->GetSelectionType(), gstAll);
  ClickCell(0, 0);
  EXPECT_EQ(Grid->GetSelection()->GetSelectionType(), gstNon);
}

// ---- Without data ---------------------------------------------------------------------------------------------

TEST_F(GridMouse, WithoutAnActiveLinkAPressOnlyRaisesTheEvent) {
  ShowRecords(5);
  Table.Close();
  Display.ProcessMessages();
  Integer Presses = 0;
  Grid->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, Integer, Integer) { ++Presses; };
  Pause();
  Display.Click(Wnd(), 50, 40);
  EXPECT_EQ(Presses, 1);
  EXPECT_EQ(Grid->GetMouseTrackState(), gmtsNoneEh);
}

// ---- The wheel --------------------------------------------------------------------------------------------

TEST_F(GridMouse, TheWheelScrollsATablesRowsAndShiftMovesTheRecord) {
  ShowRecords(100);
  Display.Wheel(Wnd(), 50, 50, -120);
  EXPECT_EQ(Grid->GetTopRow(), 2);
  EXPECT_EQ(CurrentId(), 1);
  Display.Wheel(Wnd(), 50, 50, 120);
  EXPECT_EQ(Grid->GetTopRow(), 1);
  SetKeyDown(VK_SHIFT, true);
  Display.Wheel(Wnd(), 50, 50, -120);
  SetKeyDown(VK_SHIFT, false);
  EXPECT_EQ(CurrentId(), 2);
  SetKeyDown(VK_CONTROL, true);
  Display.Wheel(Wnd(), 50, 50, -120);
  SetKeyDown(VK_CONTROL, false);
  EXPECT_EQ(Grid->GetTopRow(), 1 + Grid->VisibleDataRows());
  EXPECT_EQ(CurrentId(), 2);
}

TEST_F(GridMouse, TheWheelMovesTheRecordOfOtherDatasets) {
  ShowRecords(100, false);
  Display.Wheel(Wnd(), 50, 50, -120);
  Display.Wheel(Wnd(), 50, 50, -120);
  EXPECT_EQ(CurrentId(), 3);
  Display.Wheel(Wnd(), 50, 50, 120);
  EXPECT_EQ(CurrentId(), 2);
}

// ---- Tree buttons -------------------------------------------------------------------------------------------

TEST_F(GridMouse, ATreeButtonClosesAndOpensItsNodeWithoutMovingTheRecord) {
  ShowAsExpandedTree(Table);
  AddResourceTree(Table);
  Table.Open();
  MakeGrid();
  Grid->SetDataSource(&Source);
  Display.ProcessMessages();
  ASSERT_TRUE(Grid->GetMemTableIntf()->IsTreeList());
  const Integer Rows = Grid->GetRowCount();
  Key(VK_DOWN);  // the current record: Первая, inside Библиотеки
  ASSERT_EQ(CurrentId(), 11);
  // The first group's button: the first 18 pixels of the first data column.
  const TRect Cell = Grid->CellRect(1, 1);
  Pause();
  Display.Click(Grid->GetHandle(), Cell.Left + 9, (Cell.Top + Cell.Bottom) / 2);
  EXPECT_EQ(Grid->GetRowCount(), Rows - 2);
  EXPECT_EQ(CurrentId(), 10);  // the record went with its node: its group is current
  Pause();
  Display.Click(Grid->GetHandle(), Cell.Left + 9, (Cell.Top + Cell.Bottom) / 2);
  EXPECT_EQ(Grid->GetRowCount(), Rows);
  EXPECT_EQ(CurrentId(), 10);
  // A click right of the button is a plain click on the cell.
  Pause();
  Display.Click(Grid->GetHandle(), Cell.Left + 30, (Cell.Top + Cell.Bottom) / 2 + 18);
  EXPECT_EQ(Grid->GetRowCount(), Rows);
  EXPECT_EQ(CurrentId(), 11);
}

TEST_F(GridMouse, NumpadKeysOpenAndCloseTheCurrentNode) {
  ShowAsExpandedTree(Table);
  AddResourceTree(Table);
  Table.Open();
  MakeGrid();
  Grid->SetDataSource(&Source);
  Display.ProcessMessages();
  Grid->SetFocus();
  const Integer Rows = Grid->GetRowCount();
  Key(VK_SUBTRACT);
  EXPECT_EQ(Grid->GetRowCount(), Rows - 2);
  EXPECT_EQ(CurrentId(), 10);
  Key(VK_MULTIPLY);
  EXPECT_EQ(Grid->GetRowCount(), Rows);
  Key(VK_ADD);
  EXPECT_EQ(Grid->GetRowCount(), Rows);
}

// ---- Column popup menus ----------------------------------------------------------------------------------

TEST_F(GridMouse, ARightClickOnAColumnWithAPopupMenuShowsItForTheGridAndOthersShowNone) {
  ShowRecords(10);
  TPopupMenu Menu(nullptr);
  Menu.GetItems()->Add(new TMenuItem(&Menu));
  Column(1)->SetPopupMenu(&Menu);
  Integer Shown = 0;
  Menu.OnPopup = [&](TObject*) { ++Shown; };
  TComponent* PopupFor = nullptr;
  HWND MenuWindow = nullptr;
  Display.WhenIdle([&] {
    PopupFor = Menu.GetPopupComponent();
    MenuWindow = Menu.GetMenuWindow();
    Display.Key(VK_ESCAPE);
  });
  Pause();
  const TPoint P = CellCenter(2, 4);
  Display.Click(Wnd(), P.X, P.Y, mbRight);
  EXPECT_EQ(Shown, 1);
  EXPECT_EQ(PopupFor, Grid);
  EXPECT_NE(MenuWindow, nullptr);
  // Another column's cell, and the column's own menu switched off, show nothing.
  Pause();
  const TPoint Other = CellCenter(3, 4);
  Display.Click(Wnd(), Other.X, Other.Y, mbRight);
  Menu.SetAutoPopup(false);
  Pause();
  Display.Click(Wnd(), P.X, P.Y, mbRight);
  EXPECT_EQ(Shown, 1);
}

// ---- Edit buttons in cells --------------------------------------------------------------------------------

namespace {

// NAME_THIS shows its pick list's drop-down button and one extra button in every cell.
class CellButtons : public GridMouse {
protected:
  TEditButtonEh* Extra = nullptr;
  Integer ExtraClicks = 0;
  void ShowWithButtons() {
    ShowRecords(10);
    TColumnEh* Name = Column(2);
    Name->GetPickList()->Add(u"Запись 1");
    Name->GetPickList()->Add(u"Запись 2");
    Name->SetAlwaysShowEditButton(true);
    Extra = Name->GetEditButtons()->Add();
    Extra->SetVisible(true);
    Extra->OnClick = [this](TObject*, bool& Handled) {
      ++ExtraClicks;
      Handled = true;
    };
    Display.ProcessMessages();
  }
  // The middle of button Index (0 the drop-down, 1 the extra one) in the cell of data row Row.
  TPoint ButtonCentre(Integer Row, Integer Index) {
    const TRect Cell = Grid->CellRect(3, Row);
    const Integer Width = Grid->GetCellButtonWidth();
    const Integer Left = Cell.Right - 2 * Width + Index * Width;
    return TPoint(Left + Width / 2, Cell.Top + 5);
  }
  TDBGridInplaceEdit* Editor() { return dynamic_cast<TDBGridInplaceEdit*>(Grid->GetInplaceEditor()); }
};

}  // namespace

TEST_F(CellButtons, AClickOnACellsDropDownButtonOpensTheEditorAndItsListAtOnce) {
  ShowWithButtons();
  ASSERT_EQ(CurrentId(), 1);
  Pause();
  const TPoint P = ButtonCentre(4, 0);
  ASSERT_EQ(Grid->CellEditButtonAt(Grid->MouseCoord(P.X, P.Y), P.X, P.Y), 0);
  Display.Click(Wnd(), P.X, P.Y);
  EXPECT_EQ(CurrentId(), 4);
  ASSERT_NE(Editor(), nullptr);
  EXPECT_TRUE(Editor()->GetVisible());
  EXPECT_TRUE(Editor()->GetListVisible());
  EXPECT_EQ(Grid->GetMouseTrackState(), gmtsNoneEh);
  Key(VK_ESCAPE);
  EXPECT_FALSE(Editor()->GetListVisible());
}

TEST_F(CellButtons, AClickOnAnExtraButtonPressesThatButton) {
  ShowWithButtons();
  Pause();
  const TPoint P = ButtonCentre(6, 1);
  ASSERT_EQ(Grid->CellEditButtonAt(Grid->MouseCoord(P.X, P.Y), P.X, P.Y), 1);
  Display.Click(Wnd(), P.X, P.Y);
  EXPECT_EQ(CurrentId(), 6);
  EXPECT_EQ(ExtraClicks, 1);
  // A click on the text of a cell opens no editor and presses nothing.
  Pause();
  const TRect Cell = Grid->CellRect(3, 8);
  Display.Click(Wnd(), Cell.Left + 10, Cell.Top + 5);
  EXPECT_EQ(CurrentId(), 8);
  EXPECT_FALSE(Editor()->GetVisible());
  EXPECT_EQ(ExtraClicks, 1);
}

TEST_F(CellButtons, WithHotTrackingTheButtonUnderTheMouseIsHot) {
  ShowWithButtons();
  // Flat buttons show hot by their edge (raised ones look the same hot or not).
  Grid->SetFlat(true);
  Grid->SetOptionsEh(Grid->GetOptionsEh() + dghHotTrack);
  Display.ProcessMessages();
  const TPoint Drop = ButtonCentre(5, 0), More = ButtonCentre(5, 1);
  Display.MouseMove(Wnd(), Drop.X, Drop.Y);
  EXPECT_EQ(Grid->GetHotEditButton(), 0);
  Display.ProcessMessages();
  // The drop-down button's face and edges.
  auto Face = [&] {
    std::vector<TColor> P;
    const Integer Half = Grid->GetCellButtonWidth() / 2;
    for (Integer Y = Drop.Y - 5; Y <= Drop.Y + 5; ++Y)
      for (Integer X = Drop.X - Half; X <= Drop.X + Half; ++X) P.push_back(Display.PixelAt(Wnd(), X, Y));
    return P;
  };
  const std::vector<TColor> HotFace = Face();
  Display.MouseMove(Wnd(), More.X, More.Y);
  EXPECT_EQ(Grid->GetHotEditButton(), 1);
  Display.ProcessMessages();
  EXPECT_NE(Face(), HotFace);
  const TRect Cell = Grid->CellRect(3, 5);
  Display.MouseMove(Wnd(), Cell.Left + 10, Cell.Top + 5);
  EXPECT_EQ(Grid->GetHotEditButton(), -1);
}
