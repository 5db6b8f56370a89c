// The keys and the wheel over a grid of a million records shown as a tree:
// every step reads no more rows than the window shows (and the cursor walks no
// more records than the step moves), wherever in the data it is taken.

#include "tests/grid/MillionRowsTestSupport.h"

namespace {

class MillionInput : public MillionRows {
protected:
  void SetUp() override {
    MillionRows::SetUp();
    Grid->SetFocus();
    Display.ProcessMessages();
  }
  // One step, then the repaint it causes: a window of rows read at most, and
  // the records a page move walks through the cursor.
  template <class F>
  void Step(const char* What, F&& Action) {
    SCOPED_TRACE(What);
    Table.ResetCounts();
    Action();
    Display.ProcessMessages();
    EXPECT_LE(Integer(Table.RowsRead.size()), 2 * RowsOnScreen() + 2);
    EXPECT_LE(Table.BufferReads, 2 * RowsOnScreen() + 8);
    // The window stays full and the bar shows its top row (the wheel may leave
    // the current row outside it).
    EXPECT_LE(Grid->GetTopRow(), Grid->LastTopRow());
    EXPECT_EQ(Grid->GetVertScrollBarParams().Pos, Grid->GetTopRow());
  }
  void Key(Word VirtKey, THeadlessShift Shift = THeadlessShift::None) { Display.Key(VirtKey, Shift); }
  void Wheel(Integer Delta) { Display.Wheel(Grid->GetHandle(), 100, 100, Delta); }
};

}  // namespace

TEST_F(MillionInput, KeysAndTheWheelReadOnlyTheWindowAtTheEndAtTheStartAndBetween) {
  const Integer Page = Grid->VisibleDataRows();
  Step("Ctrl+End", [&] { Key(VK_END, THeadlessShift::Ctrl); });
  EXPECT_EQ(Grid->GetRow(), kRecords);
  Step("Up", [&] { Key(VK_UP); });
  EXPECT_EQ(Grid->GetRow(), kRecords - 1);
  Step("Page Up", [&] { Key(VK_PRIOR); });
  EXPECT_EQ(Grid->GetRow(), kRecords - 1 - Page);
  Step("Ctrl+Up", [&] { Key(VK_UP, THeadlessShift::Ctrl); });
  EXPECT_EQ(Grid->GetRow(), Grid->GetTopRow());
  const Integer Top = Grid->GetTopRow();
  Step("Wheel up", [&] { Wheel(120); });
  Step("Wheel up", [&] { Wheel(120); });
  EXPECT_EQ(Grid->GetTopRow(), Top - 2);
  EXPECT_EQ(Grid->GetRow(), Top);  // the wheel scrolls the window, the record stays
  Step("Ctrl+Home", [&] { Key(VK_HOME, THeadlessShift::Ctrl); });
  EXPECT_EQ(Grid->GetRow(), 1);
  EXPECT_EQ(Grid->GetTopRow(), 1);

  // Half way down, by the scroll bar's thumb: the keys cost the same there.
  SetScrollPos(Grid->GetHandle(), SB_VERT, kRecords / 2, false);
  SendMessage(Grid->GetHandle(), WM_VSCROLL, MakeWParam(SB_THUMBPOSITION, 0), 0);
  Step("Wheel down", [&] { Wheel(-120); });
  EXPECT_EQ(Grid->GetTopRow(), kRecords / 2 + 1);
  Step("Ctrl+wheel down", [&] {
    SetKeyDown(VK_CONTROL, true);
    Wheel(-120);
    SetKeyDown(VK_CONTROL, false);
  });
  EXPECT_EQ(Grid->GetTopRow(), kRecords / 2 + 1 + Page);
  Step("Shift+wheel down", [&] {
    SetKeyDown(VK_SHIFT, true);
    Wheel(-120);
    SetKeyDown(VK_SHIFT, false);
  });
  EXPECT_EQ(Grid->GetRow(), 2);
  Step("Page Down", [&] { Key(VK_NEXT); });
  EXPECT_EQ(Grid->GetRow(), 2 + Page);
  Step("Down", [&] { Key(VK_DOWN); });
  Step("End", [&] { Key(VK_END); });
  Step("Home", [&] { Key(VK_HOME); });
  Step("Tab", [&] { Key(VK_TAB); });
  EXPECT_EQ(Grid->GetRow(), 3 + Page);
}

TEST_F(MillionInput, SelectingRowsWithShiftReadsOnlyTheRowsItSelects) {
  Grid->SetOptions(Grid->GetOptions() + dgRowSelect + dgMultiSelect);
  Key(VK_END, THeadlessShift::Ctrl);
  Display.ProcessMessages();
  Step("Shift+Up", [&] { Key(VK_UP, THeadlessShift::Shift); });
  Step("Shift+Page Up", [&] { Key(VK_PRIOR, THeadlessShift::Shift); });
  EXPECT_EQ(Grid->GetSelectedRows()->GetCount(), Grid->VisibleDataRows() + 2);
  Step("Down clears", [&] { Key(VK_DOWN); });
  EXPECT_EQ(Grid->GetSelectedRows()->GetCount(), 0);
}
