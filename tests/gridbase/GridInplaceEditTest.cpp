// The in-place editor through real keys and messages: opening with a typed
// character, writing the text back, Enter toggling the selection, keys routed to
// the grid, refused modifications, F2, Tab, and the click that becomes a double
// click.

#include "GridTestSupport.h"
#include "platform/ui/Clipbrd.h"
#include "platform/ui/Timers.h"

namespace {

class InplaceEditor : public GridFixture {
protected:
  std::vector<Word> GridKeys;

  void Open(bool AlwaysShow = false) {
    MakeGrid(400, 200);
    Grid->SetColCount(6);
    Grid->Texts[{1, 1}] = u"Абв";
    Grid->Texts[{2, 1}] = u"где";
    TGridOptions O = Grid->GetOptions() + goEditing;
    if (AlwaysShow) O = O + goAlwaysShowEditor;
    Grid->SetOptions(O);
    Grid->OnKeyDown = [this](TObject*, Word& Key, TShiftState) { GridKeys.push_back(Key); };
    Show();
    Grid->SetFocus();
    Display.ProcessMessages();
  }
  TInplaceEdit* Editor() const { return Grid->GetInplaceEditor(); }
};

}  // namespace

TEST_F(InplaceEditor, ATypedCharacterOpensTheEditorOverTheCellAndItsTextGoesBack) {
  Open();
  ASSERT_EQ(Editor(), nullptr);
  Display.TypeText(u"ж");
  ASSERT_NE(Editor(), nullptr);
  EXPECT_TRUE(Grid->GetEditorMode());
  EXPECT_TRUE(Editor()->GetVisible());
  EXPECT_EQ(Editor()->GetBoundsRect(), Grid->CellRect(1, 1));
  EXPECT_EQ(GetFocus(), Editor()->GetHandle());
  // The loaded text was all selected, so the character replaced it.
  EXPECT_EQ(Editor()->GetText(), u"ж");
  Display.Key(VK_RETURN);  // selects all
  Display.Key(VK_ESCAPE);  // goes to the grid, which keeps the editor
  Grid->HideEditor();
  ASSERT_FALSE(Grid->SetTexts.empty());
  EXPECT_EQ(Grid->SetTexts.back().first, std::make_pair(1, 1));
  EXPECT_EQ(Grid->SetTexts.back().second, u"ж");
  EXPECT_FALSE(Editor()->GetVisible());
  EXPECT_EQ(Grid->GetInplaceCol(), -1);
  EXPECT_EQ(GetFocus(), Grid->GetHandle());
}

TEST_F(InplaceEditor, EnterTogglesBetweenAllSelectedAndNothingSelected) {
  Open(true);
  Grid->SetEditorMode(true);
  ASSERT_NE(Editor(), nullptr);
  EXPECT_EQ(Editor()->GetSelLength(), 0);  // the editor mode drops the selection
  EXPECT_EQ(Editor()->GetSelStart(), 3);
  Display.Key(VK_RETURN);
  EXPECT_EQ(Editor()->GetSelStart(), 0);
  EXPECT_EQ(Editor()->GetSelLength(), 3);
  Display.Key(VK_RETURN);
  EXPECT_EQ(Editor()->GetSelLength(), 0);
  EXPECT_EQ(Editor()->GetSelStart(), 3);
  EXPECT_EQ(Editor()->GetText(), u"Абв");
}

TEST_F(InplaceEditor, LeftAndRightMoveTheCaretOnlyUntilTheEditorIsAlwaysShown) {
  Open();
  Grid->SetEditorMode(true);
  Display.Key(VK_HOME);
  Display.Key(VK_LEFT);
  EXPECT_EQ(Grid->GetCol(), 1);
  EXPECT_EQ(Editor()->GetSelStart(), 0);
  Grid->HideEditor();
  Grid->SetOptions(Grid->GetOptions() + goAlwaysShowEditor);
  Grid->SetFocus();
  Display.ProcessMessages();
  ASSERT_TRUE(Editor()->GetVisible());
  // All the text is selected with the caret at its end: Right goes to the grid.
  Display.Key(VK_RIGHT);
  EXPECT_EQ(Grid->GetCol(), 2);
  EXPECT_EQ(Editor()->GetText(), u"где");
  // Ctrl+Left goes to the grid wherever the caret is.
  SendMessage(Editor()->GetHandle(), EM_SETSEL, 1, 1);
  Display.Key(VK_LEFT, THeadlessShift::Ctrl);
  EXPECT_EQ(Grid->GetCol(), 1);
  // Left in the middle of the text stays in the editor.
  SendMessage(Editor()->GetHandle(), EM_SETSEL, 2, 2);
  Display.Key(VK_LEFT);
  EXPECT_EQ(Grid->GetCol(), 1);
  EXPECT_EQ(Editor()->GetSelStart(), 1);
}

TEST_F(InplaceEditor, VerticalKeysAndPlainInsertGoToTheGrid) {
  Open();
  Grid->SetEditorMode(true);
  GridKeys.clear();
  Display.Key(VK_DOWN);
  EXPECT_EQ(Grid->GetRow(), 2);
  Grid->SetEditorMode(true);
  Display.Key(VK_INSERT);
  ASSERT_FALSE(GridKeys.empty());
  EXPECT_EQ(GridKeys.back(), VK_INSERT);
}

TEST_F(InplaceEditor, RefusedModificationsAreDroppedSilentlyAndRefusedCharactersBeep) {
  class TReadOnlyGrid : public TTestGrid {
  public:
    using TTestGrid::TTestGrid;
    bool CanEditModify() override { return false; }
    bool CanEditAcceptKey(Char Key) override { return Key != u'x'; }
  };
  MakeGrid(400, 200);
  Grid->Texts[{1, 1}] = u"abc";
  delete Grid;
  Grid = new TReadOnlyGrid(Form);
  Grid->Texts[{1, 1}] = u"abc";
  Grid->SetBorderStyle(bsNone);
  Grid->SetScrollBars(ssNone);
  Grid->SetParent(Form);
  Grid->SetBounds(0, 0, 400, 200);
  Grid->SetOptions(Grid->GetOptions() + goEditing);
  Show();
  Grid->SetFocus();
  Grid->SetEditorMode(true);
  ASSERT_NE(Editor(), nullptr);
  Clipboard()->SetAsText(u"pasted");
  SendMessage(Editor()->GetHandle(), WM_PASTE, 0, 0);
  SendMessage(Editor()->GetHandle(), WM_CUT, 0, 0);
  Display.Key(VK_DELETE);
  Display.Key(VK_HOME);
  Display.Key(VK_DELETE);
  Display.TypeText(u"q");
  EXPECT_EQ(Editor()->GetText(), u"abc");
  const Integer Beeps = GetMessageBeepCount();
  Display.TypeText(u"x");
  EXPECT_EQ(GetMessageBeepCount(), Beeps + 1);
  EXPECT_EQ(Editor()->GetText(), u"abc");
}

TEST_F(InplaceEditor, EnterInTheEditorTogglesTheEditorWhenItIsNotAlwaysShown) {
  Open();
  Grid->SetEditorMode(true);
  ASSERT_TRUE(Editor()->GetVisible());
  Display.Key(VK_RETURN);
  EXPECT_FALSE(Grid->GetEditorMode());
  EXPECT_FALSE(Editor()->GetVisible());
  Display.Key(VK_RETURN);
  EXPECT_TRUE(Grid->GetEditorMode());
  EXPECT_TRUE(Editor()->GetVisible());
  EXPECT_EQ(Editor()->GetText(), u"Абв");
  // Loading the editor is no edit: the cell never got an emptied text.
  for (const auto& Set : Grid->SetTexts) EXPECT_EQ(Set.second, u"Абв");
}

TEST_F(InplaceEditor, F2LeavesTheCaretAtTheEndUnlessTheGridHandlerTookIt) {
  Open(true);
  Grid->SetEditorMode(true);
  Display.Key(VK_RETURN);  // all selected
  ASSERT_EQ(Editor()->GetSelLength(), 3);
  Display.Key(VK_F2);
  EXPECT_EQ(Editor()->GetSelLength(), 0);
  EXPECT_EQ(Editor()->GetSelStart(), 3);
  Grid->OnKeyDown = [](TObject*, Word& Key, TShiftState) {
    if (Key == VK_F2) Key = 0;
  };
  Display.Key(VK_RETURN);
  Display.Key(VK_F2);
  EXPECT_EQ(Editor()->GetSelLength(), 3);
}

TEST_F(InplaceEditor, TabWalksTheGridUnlessAltIsHeldAndIsWantedOnlyWithTabs) {
  Open();
  Grid->SetEditorMode(true);
  EXPECT_EQ(SendMessage(Editor()->GetHandle(), WM_GETDLGCODE, 0, 0) & DLGC_WANTTAB, 0);
  EXPECT_EQ(SendMessage(Grid->GetHandle(), WM_GETDLGCODE, 0, 0) & DLGC_WANTTAB, 0);
  Grid->SetOptions(Grid->GetOptions() + goTabs);
  Grid->SetEditorMode(true);
  EXPECT_NE(SendMessage(Editor()->GetHandle(), WM_GETDLGCODE, 0, 0) & DLGC_WANTTAB, 0);
  EXPECT_NE(SendMessage(Grid->GetHandle(), WM_GETDLGCODE, 0, 0) & DLGC_WANTCHARS, 0);
  SetFocus(Editor()->GetHandle());
  Display.Key(VK_TAB);
  EXPECT_EQ(Grid->GetCol(), 2);
  Grid->SetEditorMode(true);
  SetFocus(Editor()->GetHandle());
  Display.Key(VK_TAB, THeadlessShift::Alt);
  EXPECT_EQ(Grid->GetCol(), 2);
}

TEST_F(InplaceEditor, AQuickSecondClickAfterTheGridsClickArrivesAsADoubleClick) {
  Open();
  Grid->SetEditorMode(true);
  Integer DoubleClicks = 0;
  Editor()->OnDblClick = [&](TObject*) { ++DoubleClicks; };
  Editor()->SetClickTime(GetTickCount());
  Display.MouseDown(Editor()->GetHandle(), 5, 5);
  Display.MouseUp(Editor()->GetHandle(), 5, 5);
  EXPECT_EQ(DoubleClicks, 1);
  EXPECT_EQ(Editor()->GetClickTime(), 0u);
  Display.AdvanceClock(GetDoubleClickTime() + 50);
  Display.MouseDown(Editor()->GetHandle(), 6, 5);
  Display.MouseUp(Editor()->GetHandle(), 6, 5);
  EXPECT_EQ(DoubleClicks, 1);
}

TEST_F(InplaceEditor, TheEditorFollowsTheCellWhenTheGridScrolls) {
  MakeGrid(300, 200);
  Grid->SetColCount(20);
  Grid->SetOptions(Grid->GetOptions() + goEditing + goAlwaysShowEditor);
  Show();
  Grid->SetFocus();
  Grid->FocusCell(3, 1, true);
  Grid->SetEditorMode(true);
  ASSERT_NE(Editor(), nullptr);
  EXPECT_EQ(Editor()->GetBoundsRect(), Grid->CellRect(3, 1));
  Grid->FocusCell(18, 1, true);
  EXPECT_EQ(Editor()->GetBoundsRect(), Grid->CellRect(18, 1));
  EXPECT_EQ(Grid->GetInplaceCol(), 18);
}

TEST_F(InplaceEditor, TheCellsEditMaskFormatsTheTextAndRefusesWhatItForbids) {
  Open(true);
  Grid->EditMask = u"000;1;_";
  Grid->Texts[{1, 1}] = u"12";
  Grid->InvalidateEditor();
  Grid->SetEditorMode(true);
  ASSERT_NE(Editor(), nullptr);
  EXPECT_EQ(Editor()->GetEditMask(), u"000;1;_");
  EXPECT_EQ(Editor()->GetEditText(), u"12_");
  SendMessage(Editor()->GetHandle(), EM_SETSEL, 2, 2);
  Display.TypeText(u"x");
  EXPECT_EQ(Editor()->GetEditText(), u"12_");
  Display.TypeText(u"7");
  EXPECT_EQ(Editor()->GetEditText(), u"127");
  Grid->HideEditor();
  EXPECT_EQ((Grid->Texts[{1, 1}]), u"127");
}
