// The standard controls driven through real input on the headless display:
// typing and editing, focus moving with Tab, buttons and check boxes, dialog keys
// of a modal form, list boxes and combo boxes picked by keyboard and mouse.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "platform/backend/Headless.h"
#include "platform/core/Strings.h"
#include "platform/ui/CheckLst.h"
#include "platform/ui/Clipbrd.h"
#include "platform/ui/MsgBox.h"
#include "platform/ui/ScrollBars.h"
#include "platform/ui/StdCtrls.h"
#include "tests/platform/ui/FormTestSupport.h"

namespace {

class StdControls : public FormFixture {
protected:
  void SetUp() override {
    MakeForm(400, 300);
    Form->SetCaption(u"Проверка");
  }

  void ShowAndFocus(TWinControl* c) {
    Form->Show();
    c->SetFocus();
    Display.ProcessMessages();
  }
};

TColor Rgb(TColor c) { return ColorToRGB(c) & 0xFFFFFF; }

}  // namespace

// ---- Edit ----------------------------------------------------------------------------------------

TEST_F(StdControls, TypingCyrillicIntoAnEditRunsOnChangePerCharacter) {
  auto* e = Make<TEdit>(10, 10, 200, 21);
  int changes = 0;
  e->OnChange = [&](TObject* s) {
    EXPECT_EQ(s, e);
    ++changes;
  };
  ShowAndFocus(e);
  Display.TypeText(u"Заголовок 1");
  EXPECT_EQ(e->GetText(), u"Заголовок 1");
  EXPECT_EQ(changes, 11);
  EXPECT_TRUE(e->GetModified());
  EXPECT_EQ(e->GetSelStart(), 11);
}

TEST_F(StdControls, AnyPasteTheEditCanHoldGoesInWholeAndALongerOneIsCutWithABeep) {
  auto* e = Make<TEdit>(10, 10, 200, 21);
  ShowAndFocus(e);
  String big;
  while (big.size() < 1024 * 1024) big += u"Пушкин Pushkin ";
  Clipboard()->SetAsText(big + u"\r\nвторая строка");
  const Integer beeps = GetMessageBeepCount();
  Display.Key('V', THeadlessShift::Ctrl);
  EXPECT_TRUE(e->GetText() == big) << e->GetText().size();  // a one-line field takes the first line
  EXPECT_EQ(GetMessageBeepCount(), beeps);
  e->SetText(u"ab");
  e->SetSelStart(1);
  e->SetMaxLength(10);
  Display.Key('V', THeadlessShift::Ctrl);
  EXPECT_EQ(e->GetText(), u"aПушкин Pb");
  EXPECT_EQ(GetMessageBeepCount(), beeps + 1) << "the user hears the paste did not fit";
}

TEST_F(StdControls, EditKeysMoveSelectAndDelete) {
  auto* e = Make<TEdit>(10, 10, 200, 21);
  ShowAndFocus(e);
  e->SetText(u"абвгд");
  e->SetSelStart(5);
  Display.Key(VK_LEFT, THeadlessShift::Shift);
  Display.Key(VK_LEFT, THeadlessShift::Shift);
  EXPECT_EQ(e->GetSelText(), u"гд");
  Display.Key(VK_DELETE);
  EXPECT_EQ(e->GetText(), u"абв");
  Display.Key(VK_HOME);
  Display.Key(VK_BACK);  // nothing before the caret
  Display.Key(VK_DELETE);
  EXPECT_EQ(e->GetText(), u"бв");
  Display.Key('Z', THeadlessShift::Ctrl);  // undo the last deletion
  EXPECT_EQ(e->GetText(), u"абв");
}

TEST_F(StdControls, EditRespectsMaxLengthReadOnlyAndCase) {
  auto* e = Make<TEdit>(10, 10, 200, 21);
  e->SetMaxLength(3);
  e->SetCharCase(ecUpperCase);
  ShowAndFocus(e);
  Display.TypeText(u"жук!");
  EXPECT_EQ(e->GetText(), u"ЖУК");
  const Integer beeps = GetMessageBeepCount();
  e->SetReadOnly(true);
  Display.Key(VK_BACK);
  Display.TypeText(u"x");
  EXPECT_EQ(e->GetText(), u"ЖУК");
  EXPECT_GT(GetMessageBeepCount(), beeps);
}

TEST_F(StdControls, EditCutAndPasteGoThroughTheClipboard) {
  auto* a = Make<TEdit>(10, 10, 200, 21);
  auto* b = Make<TEdit>(10, 40, 200, 21);
  ShowAndFocus(a);
  a->SetText(u"Автор: Пушкин");
  SendMessage(a->GetHandle(), EM_SETSEL, 7, 13);
  Display.Key('X', THeadlessShift::Ctrl);
  EXPECT_EQ(a->GetText(), u"Автор: ");
  EXPECT_EQ(Clipboard()->GetAsText(), u"Пушкин");
  b->SetFocus();
  Display.Key('V', THeadlessShift::Ctrl);
  EXPECT_EQ(b->GetText(), u"Пушкин");
  DWORD s = 0, en = 0;
  SendMessage(b->GetHandle(), EM_GETSEL, WPARAM(&s), LPARAM(&en));
  EXPECT_EQ(s, 6u);
  EXPECT_EQ(en, 6u);
}

TEST_F(StdControls, PasswordEditCopiesNothing) {
  auto* e = Make<TEdit>(10, 10, 200, 21);
  e->SetPasswordChar(u'*');
  ShowAndFocus(e);
  Clipboard()->SetAsText(u"before");
  Display.TypeText(u"secret");
  e->SelectAll();
  e->CopyToClipboard();
  EXPECT_EQ(Clipboard()->GetAsText(), u"before");
}

TEST_F(StdControls, FocusingAnEditByTabSelectsAllButAClickPlacesTheCaret) {
  auto* a = Make<TEdit>(10, 10, 200, 21);
  auto* b = Make<TEdit>(10, 40, 200, 21);
  b->SetText(u"десять");
  ShowAndFocus(a);
  Display.Key(VK_TAB);
  EXPECT_TRUE(b->Focused());
  EXPECT_EQ(b->GetSelLength(), 6);
  a->SetFocus();
  Display.Click(b->GetHandle(), 1, 5);
  EXPECT_TRUE(b->Focused());
  EXPECT_EQ(b->GetSelLength(), 0);
  EXPECT_EQ(b->GetSelStart(), 0);
}

TEST_F(StdControls, EditPaintsSelectionInHighlightColours) {
  auto* e = Make<TEdit>(10, 10, 200, 21);
  ShowAndFocus(e);
  e->SetText(u"ММММ");
  e->SelectAll();
  RenderWindow(Form->GetHandle());
  const TPoint sel = e->PosFromChar(1);
  EXPECT_EQ(Display.PixelAt(e->GetHandle(), sel.X, sel.Y + 1), Rgb(clHighlight));
  EXPECT_EQ(Display.PixelAt(e->GetHandle(), 190, 8), Rgb(clWindow));
  std::filesystem::create_directories(std::string(BORROW_BINARY_DIR) + "/test-artifacts");
  EXPECT_TRUE(Display.SnapshotPNG(Form->GetHandle(), std::string(BORROW_BINARY_DIR) + "/test-artifacts/edit.png"));
}

TEST_F(StdControls, MemoKeepsLinesAndMovesByLine) {
  auto* m = Make<TMemo>(10, 10, 200, 100);
  ShowAndFocus(m);
  m->GetLines()->Add(u"первая");
  m->GetLines()->Add(u"вторая");
  EXPECT_EQ(m->GetText(), u"первая\r\nвторая");
  m->SetSelStart(2);
  Display.Key(VK_DOWN);
  EXPECT_EQ(m->GetCaretPos().Y, 1);
  Display.Key(VK_END);
  Display.Key(VK_RETURN);
  Display.TypeText(u"третья");
  ASSERT_EQ(m->GetLines()->GetCount(), 3);
  EXPECT_EQ(m->GetLines()->Get(2), u"третья");
  EXPECT_EQ(SendMessage(m->GetHandle(), EM_GETLINECOUNT), 3);
  EXPECT_EQ(SendMessage(m->GetHandle(), EM_LINEINDEX, 1), 8);
}

// ---- Buttons -------------------------------------------------------------------------------------

TEST_F(StdControls, CheckBoxTogglesByMouseAndSpaceAndProgrammaticChangesClickToo) {
  auto* cb = Make<TCheckBox>(10, 10, 150, 17);
  cb->SetCaption(u"Заголовок:");
  int clicks = 0;
  cb->OnClick = [&](TObject*) { ++clicks; };
  ShowAndFocus(cb);
  Display.Click(cb->GetHandle(), 5, 8);
  EXPECT_TRUE(cb->GetChecked());
  Display.Key(VK_SPACE);
  EXPECT_FALSE(cb->GetChecked());
  cb->SetChecked(true);
  EXPECT_EQ(clicks, 3);
  cb->SetChecked(true);  // no change, no click
  EXPECT_EQ(clicks, 3);
  // A press that is released outside does nothing.
  Display.MouseDown(cb->GetHandle(), 5, 8);
  Display.MouseUp(cb->GetHandle(), 300, 8);
  EXPECT_TRUE(cb->GetChecked());
}

TEST_F(StdControls, RadioButtonsOfOneParentExcludeEachOther) {
  auto* a = Make<TRadioButton>(10, 10, 150, 17);
  auto* b = Make<TRadioButton>(10, 30, 150, 17);
  a->SetChecked(true);
  ShowAndFocus(a);
  Display.Click(b->GetHandle(), 5, 8);
  EXPECT_TRUE(b->GetChecked());
  EXPECT_FALSE(a->GetChecked());
  Display.Key(VK_UP);
  EXPECT_TRUE(a->GetChecked());
  EXPECT_TRUE(a->Focused());
}

TEST_F(StdControls, ModalFormClosesWithDefaultAndCancelButtons) {
  Form->SetBorderStyle(bsDialog);
  auto* e = Make<TEdit>(10, 10, 200, 21);
  auto* ok = Make<TButton>(10, 50, 75, 25);
  ok->SetCaption(u"OK");
  ok->SetDefault(true);
  ok->SetModalResult(mrOk);
  auto* cancel = Make<TButton>(100, 50, 75, 25);
  cancel->SetCaption(u"Cancel");
  cancel->SetCancel(true);
  cancel->SetModalResult(mrCancel);
  Form->SetActiveControl(e);
  Display.WhenIdle([&] { Display.TypeText(u"5"); });
  Display.WhenIdle([&] { Display.Key(VK_RETURN); });
  EXPECT_EQ(Form->ShowModal(), mrOk);
  EXPECT_EQ(e->GetText(), u"5");
  Display.WhenIdle([&] { Display.Key(VK_ESCAPE); });
  EXPECT_EQ(Form->ShowModal(), mrCancel);
}

TEST_F(StdControls, KeyPreviewLetsTheFormTakeEnterAndEscapeFirst) {
  Form->SetBorderStyle(bsDialog);
  Form->SetKeyPreview(true);
  auto* list = Make<TListBox>(10, 10, 150, 80);
  list->GetItems()->Add(u"один");
  auto* m = Make<TMemo>(170, 10, 150, 80);  // wants Enter itself
  Form->OnKeyDown = [&](TObject*, Word& Key, TShiftState Shift) {
    if (Key == VK_RETURN && Shift.Contains(ssAlt)) {
      Form->SetModalResult(mrOk);
      Key = 0;
    }
    if (Key == VK_ESCAPE) {
      Form->SetModalResult(mrCancel);
      Key = 0;
    }
  };
  Form->SetActiveControl(m);
  Display.WhenIdle([&] { Display.Key(VK_RETURN); });                       // stays with the memo
  Display.WhenIdle([&] { Display.Key(VK_RETURN, THeadlessShift::Alt); });  // Alt+Enter: OK
  EXPECT_EQ(Form->ShowModal(), mrOk);
  EXPECT_EQ(m->GetText(), u"\r\n");
  Form->SetActiveControl(list);
  Display.WhenIdle([&] { Display.Key(VK_ESCAPE); });
  EXPECT_EQ(Form->ShowModal(), mrCancel);
}

TEST_F(StdControls, TabWalksTheTabOrderAndSkipsWhatCannotFocus) {
  auto* a = Make<TEdit>(10, 10, 100, 21);
  auto* hidden = Make<TEdit>(10, 40, 100, 21);
  hidden->SetVisible(false);
  auto* cb = Make<TCheckBox>(10, 70, 100, 17);
  auto* combo = Make<TComboBox>(10, 100, 100, 21);
  auto* b = Make<TButton>(10, 130, 75, 25);
  ShowAndFocus(a);
  Display.Key(VK_TAB);
  EXPECT_TRUE(cb->Focused());
  Display.Key(VK_TAB);
  EXPECT_TRUE(combo->Focused());
  Display.Key(VK_TAB);
  EXPECT_TRUE(b->Focused());
  Display.Key(VK_TAB);
  EXPECT_TRUE(a->Focused());
  Display.Key(VK_TAB, THeadlessShift::Shift);
  EXPECT_TRUE(b->Focused());
}

TEST_F(StdControls, AButtonHandlerShowsAMessageBoxTheTestCanRead) {
  auto* b = Make<TButton>(10, 10, 75, 25);
  b->OnClick = [&](TObject*) {
    Application->MessageBox(u"Вы желаете очистить весь список ?", u"Очистка", MB_OKCANCEL);
  };
  Display.AnswerMessageBoxes({IDCANCEL});
  ShowAndFocus(b);
  Display.Key(VK_SPACE);
  ASSERT_EQ(Display.MessageBoxes().size(), 1u);
  EXPECT_EQ(Display.MessageBoxes()[0].Text, u"Вы желаете очистить весь список ?");
  EXPECT_EQ(Display.MessageBoxes()[0].Caption, u"Очистка");
}

TEST_F(StdControls, LabelSizesToItsCaptionAndHearsTheMouse) {
  auto* l = Make<TLabel>(10, 10, 10, 10);
  l->SetCaption(u"Записей: Найдено=");
  EXPECT_GT(l->GetWidth(), 60);
  EXPECT_GT(l->GetHeight(), 8);
  int enter = 0, leave = 0;
  l->OnMouseEnter = [&](TObject*) { ++enter; };
  l->OnMouseLeave = [&](TObject*) { ++leave; };
  Form->Show();
  Display.MouseMove(Form->GetHandle(), 15, 15);
  Display.MouseMove(Form->GetHandle(), 300, 200);
  EXPECT_EQ(enter, 1);
  EXPECT_EQ(leave, 1);
}

// ---- Lists ---------------------------------------------------------------------------------------

TEST_F(StdControls, ListBoxSelectsByClickKeysAndTyping) {
  auto* l = Make<TListBox>(10, 10, 150, 100);
  for (auto* s : {u"Авангард", u"Бета", u"Библиотека", u"Вега"}) l->GetItems()->Add(s);
  int clicks = 0;
  l->OnClick = [&](TObject*) { ++clicks; };
  ShowAndFocus(l);
  const Integer h = l->GetItemHeight();
  Display.Click(l->GetHandle(), 10, h + h / 2);
  EXPECT_EQ(l->GetItemIndex(), 1);
  Display.Key(VK_DOWN);
  EXPECT_EQ(l->GetItemIndex(), 2);
  Display.Key(VK_END);
  EXPECT_EQ(l->GetItemIndex(), 3);
  Display.TypeText(u"би");
  EXPECT_EQ(l->GetItemIndex(), 2);
  EXPECT_EQ(clicks, 5);
  l->SetItemIndex(0);  // no click from code
  EXPECT_EQ(clicks, 5);
  String prefix = u"ВЕ";
  EXPECT_EQ(SendMessage(l->GetHandle(), LB_SELECTSTRING, 65535, LPARAM(&prefix)), 3);
  EXPECT_EQ(l->GetItemIndex(), 3);
}

TEST_F(StdControls, ListBoxScrollsToKeepTheSelectionVisible) {
  auto* l = Make<TListBox>(10, 10, 150, 60);
  for (int i = 0; i < 30; ++i) l->GetItems()->Add(u"строка " + IntToStr(i));
  ShowAndFocus(l);
  l->SetItemIndex(20);
  EXPECT_LE(l->GetTopIndex(), 20);
  EXPECT_GT(l->GetTopIndex() + l->VisibleRows(), 20);
  EXPECT_TRUE(IsScrollBarVisible(l->GetHandle(), SB_VERT));
}

TEST_F(StdControls, ListBoxFollowsScrollRequestsAndShowsItsViewOnTheBar) {
  auto* l = Make<TListBox>(10, 10, 150, 60);
  for (int i = 0; i < 30; ++i) l->GetItems()->Add(u"строка " + IntToStr(i));
  ShowAndFocus(l);
  HWND h = l->GetHandle();
  const Integer rows = l->VisibleRows();
  ASSERT_GT(rows, 1);
  SendMessage(h, WM_VSCROLL, SB_LINEDOWN, 0);
  EXPECT_EQ(l->GetTopIndex(), 1);
  SendMessage(h, WM_VSCROLL, SB_PAGEDOWN, 0);
  EXPECT_EQ(l->GetTopIndex(), 1 + rows);
  SendMessage(h, WM_VSCROLL, SB_BOTTOM, 0);
  EXPECT_EQ(l->GetTopIndex(), 30 - rows);  // the last page stays full
  TScrollInfo si;
  si.fMask = SIF_ALL;
  ASSERT_TRUE(GetScrollInfo(h, SB_VERT, si));
  EXPECT_EQ(si.nMin, 0);
  EXPECT_EQ(si.nMax, 29);
  EXPECT_EQ(si.nPage, UINT(rows));
  EXPECT_EQ(si.nPos, 30 - rows);
  SendMessage(h, WM_VSCROLL, SB_PAGEUP, 0);
  EXPECT_EQ(l->GetTopIndex(), 30 - 2 * rows);
  SendMessage(h, WM_VSCROLL, SB_TOP, 0);
  EXPECT_EQ(l->GetTopIndex(), 0);
  SendMessage(h, WM_VSCROLL, SB_LINEUP, 0);  // nothing above the first item
  EXPECT_EQ(l->GetTopIndex(), 0);
  EXPECT_EQ(GetScrollPos(h, SB_VERT), 0);
}

TEST_F(StdControls, OwnerDrawListBoxDrawsEachVisibleItemThroughTheEvent) {
  auto* l = Make<TListBox>(10, 10, 150, 100);
  l->SetStyle(lbOwnerDrawFixed);
  l->SetItemHeight(20);
  for (auto* s : {u"a", u"b", u"c"}) l->GetItems()->Add(s);
  l->SetItemIndex(1);
  std::vector<std::pair<Integer, bool>> drawn;
  l->OnDrawItem = [&](TWinControl*, Integer i, TRect r, TOwnerDrawState st) {
    drawn.push_back({i, st.Contains(odSelected)});
    l->GetCanvas()->FillRect(r);
  };
  Form->Show();
  RenderWindow(Form->GetHandle());
  ASSERT_EQ(drawn.size(), 3u);
  EXPECT_EQ(drawn[1], std::make_pair(1, true));
  EXPECT_EQ(Display.PixelAt(l->GetHandle(), 50, 30), Rgb(clHighlight));
}

namespace {

// The pixels of one item's row of a painted list, left to right then down.
std::vector<TColor> ItemPixels(THeadlessDisplay& Display, TCustomListBox* List, Integer Index) {
  const TRect r = List->ItemRect(Index);
  std::vector<TColor> out;
  for (Integer y = r.Top; y < r.Bottom; ++y)
    for (Integer x = r.Left; x < r.Right; ++x) out.push_back(Display.PixelAt(List->GetHandle(), x, y));
  return out;
}

}  // namespace

TEST_F(StdControls, EveryItemOfAListIsDrawnInTheListsOwnFont) {
  auto* l = Make<TListBox>(10, 10, 150, 100);
  auto* c = Make<TCheckListBox>(170, 10, 150, 100);
  for (TCustomListBox* list : {static_cast<TCustomListBox*>(l), static_cast<TCustomListBox*>(c)}) {
    list->GetFont()->SetColor(clNavy);
    for (int i = 0; i < 3; ++i) list->GetItems()->Add(u"Тест (usmarc)");
  }
  Form->Show();
  RenderWindow(Form->GetHandle());
  for (TCustomListBox* list : {static_cast<TCustomListBox*>(l), static_cast<TCustomListBox*>(c)}) {
    const std::vector<TColor> first = ItemPixels(Display, list, 0);
    EXPECT_EQ(ItemPixels(Display, list, 1), first) << "the second item looks like the first";
    EXPECT_EQ(ItemPixels(Display, list, 2), first) << "the third item looks like the first";
    bool black = false;
    for (TColor p : ItemPixels(Display, list, 2)) black = black || p == clBlack;
    EXPECT_FALSE(black) << "no item is drawn in black";
  }
}

TEST_F(StdControls, ComboBoxPicksByKeyboard) {
  auto* c = Make<TComboBox>(10, 10, 150, 21);
  c->SetStyle(csDropDownList);
  for (auto* s : {u"Группа", u"Z39.50-ресурс "}) c->GetItems()->Add(s);
  c->SetItemIndex(0);
  int changes = 0;
  c->OnChange = [&](TObject*) { ++changes; };
  ShowAndFocus(c);
  Display.Key(VK_DOWN);
  EXPECT_EQ(c->GetItemIndex(), 1);
  EXPECT_EQ(c->GetText(), u"Z39.50-ресурс ");
  EXPECT_EQ(changes, 1);
  Display.Key(VK_DOWN, THeadlessShift::Alt);
  EXPECT_TRUE(c->GetDroppedDown());
  EXPECT_TRUE(c->Focused());  // the list never takes the focus
  Display.Key(VK_UP);
  Display.Key(VK_RETURN);
  EXPECT_FALSE(c->GetDroppedDown());
  EXPECT_EQ(c->GetItemIndex(), 0);
  Display.TypeText(u"z");
  EXPECT_EQ(c->GetItemIndex(), 1);
}

TEST_F(StdControls, ComboBoxPicksByMouseAndEscapeKeepsTheChoice) {
  auto* c = Make<TComboBox>(10, 10, 150, 21);
  c->SetStyle(csDropDownList);
  for (auto* s : {u"Небесно-голубая", u"Пустыня"}) c->GetItems()->Add(s);
  c->SetItemIndex(0);
  int selects = 0;
  c->OnSelect = [&](TObject*) { ++selects; };
  ShowAndFocus(c);
  const TRect cr = GetClientRect(c->GetHandle());
  Display.Click(c->GetHandle(), cr.Right - 5, 5);
  ASSERT_TRUE(c->GetDroppedDown());
  HWND list = c->GetListControl()->GetHandle();
  EXPECT_NE(GetWindowStyle(list) & WS_POPUP, 0u);
  EXPECT_EQ(GetFocus(), c->GetHandle());
  const Integer h = c->GetItemHeight();
  Display.MouseMove(list, 10, h + 2);
  Display.Click(list, 10, h + 2);
  EXPECT_FALSE(c->GetDroppedDown());
  EXPECT_EQ(c->GetItemIndex(), 1);
  EXPECT_EQ(selects, 1);
  // Opened again and closed with Esc: the choice stays.
  Display.Key(VK_F4);
  EXPECT_TRUE(c->GetDroppedDown());
  Display.Key(VK_UP);
  Display.Key(VK_ESCAPE);
  EXPECT_FALSE(c->GetDroppedDown());
}

TEST_F(StdControls, ComboBoxWithEditTypesAndClosesWhenFocusLeaves) {
  auto* c = Make<TComboBox>(10, 10, 150, 21);
  auto* e = Make<TEdit>(10, 60, 100, 21);
  for (auto* s : {u"rusmarc", u"unimarc", u"usmarc"}) c->GetItems()->Add(s);
  int changes = 0;
  c->OnChange = [&](TObject*) { ++changes; };
  ShowAndFocus(c);
  ASSERT_NE(c->GetEditControl(), nullptr);
  EXPECT_TRUE(c->GetEditControl()->Focused());
  Display.TypeText(u"xml");
  EXPECT_EQ(c->GetText(), u"xml");
  EXPECT_EQ(changes, 3);
  EXPECT_EQ(c->GetItemIndex(), -1);
  Display.Key(VK_DOWN);
  EXPECT_EQ(c->GetText(), u"rusmarc");
  c->SetDroppedDown(true);
  e->SetFocus();
  Display.ProcessMessages();
  EXPECT_FALSE(c->GetDroppedDown());
}

// ---- The message box dialog -------------------------------------------------------------------------

TEST_F(StdControls, MessageDialogAnswersWithTheButtonPressed) {
  TMessageBoxRequest r{nullptr, u"Удалить запись?", u"Подтверждение", MB_YESNOCANCEL | MB_DEFBUTTON2};
  Display.WhenIdle([&] { Display.Key(VK_RETURN); });  // the default button: No
  EXPECT_EQ(ShowMessageForm(r), IDNO);
  Display.WhenIdle([&] { Display.Key(VK_ESCAPE); });
  EXPECT_EQ(ShowMessageForm(r), IDCANCEL);
  Display.WhenIdle([&] {
    auto* f = dynamic_cast<TMessageForm*>(Screen->GetActiveForm());
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->GetCaption(), u"Подтверждение");
    EXPECT_EQ(f->Label_Text->GetCaption(), u"Удалить запись?");
    ASSERT_EQ(f->Buttons.size(), 3u);
    EXPECT_EQ(f->Buttons[0]->GetCaption(), u"Да");
    Display.Click(f->Buttons[0]->GetHandle(), 5, 5);
  });
  EXPECT_EQ(ShowMessageForm(r), IDYES);
  TMessageBoxRequest ok{nullptr, u"Тест закончен", u"Z39.50 тест", MB_OK};
  Display.WhenIdle([&] { Display.Key(VK_ESCAPE); });  // an OK-only box closes with Esc too
  EXPECT_EQ(ShowMessageForm(ok), IDOK);
}

TEST_F(StdControls, AMessageDialogWithALongCaptionIsWideEnoughForItsTitleBar) {
  const TMessageBoxRequest r{nullptr, u"Данные не сохранены...", u"Сохранение списка Z39.50-ресурсов", MB_OK};
  Display.WhenIdle([&] {
    auto* f = dynamic_cast<TMessageForm*>(Screen->GetActiveForm());
    ASSERT_NE(f, nullptr);
    EXPECT_GE(f->GetClientWidth(), TitleBarClientWidth(r.Caption));
    // The text and the button stay where a wider box puts them: from the left, and in the middle.
    EXPECT_EQ(f->Label_Text->GetLeft(), 16);
    ASSERT_EQ(f->Buttons.size(), 1u);
    EXPECT_LE(std::abs(f->Buttons[0]->GetLeft() * 2 + f->Buttons[0]->GetWidth() - f->GetClientWidth()), 1);
    Display.Key(VK_RETURN);
  });
  EXPECT_EQ(ShowMessageForm(r), IDOK);
}

TEST_F(StdControls, SingleLineEditKeepsTextSetFromCodeButPastesOneLine) {
  auto* e = Make<TEdit>(10, 10, 200, 21);
  e->SetText(u"раз\r\nдва");
  EXPECT_EQ(e->GetText(), u"раз\r\nдва");
  ShowAndFocus(e);
  e->Clear();
  Clipboard()->SetAsText(u"первая\r\nвторая");
  e->PasteFromClipboard();
  EXPECT_EQ(e->GetText(), u"первая");
}

TEST_F(StdControls, SimpleComboShowsItsListBelowTheEdit) {
  auto* c = Make<TComboBox>(10, 10, 150, 21);
  c->SetStyle(csSimple);
  c->SetHeight(120);
  for (auto* s : {u"Простой", u"Расширенный"}) c->GetItems()->Add(s);
  EXPECT_EQ(c->GetHeight(), 120);
  int changes = 0;
  c->OnChange = [&](TObject*) { ++changes; };
  ShowAndFocus(c);
  TCustomListBox* list = c->GetListControl();
  EXPECT_EQ(list->GetParent(), c);
  EXPECT_EQ(GetWindowStyle(list->GetHandle()) & WS_POPUP, 0u);
  const Integer h = list->GetItemHeight();
  Display.Click(list->GetHandle(), 10, h + h / 2);
  EXPECT_EQ(c->GetItemIndex(), 1);
  EXPECT_EQ(c->GetText(), u"Расширенный");
  EXPECT_EQ(changes, 1);
  EXPECT_FALSE(c->GetDroppedDown());
}

TEST_F(StdControls, EditHeightFollowsItsFont) {
  auto* e = Make<TEdit>(10, 10, 100, 50);
  Form->Show();
  const Integer normal = e->GetHeight();
  EXPECT_LT(normal, 50);
  e->GetFont()->SetSize(20);
  EXPECT_GT(e->GetHeight(), normal);
  e->SetAutoSize(false);
  e->SetHeight(40);
  e->GetFont()->SetSize(8);
  EXPECT_EQ(e->GetHeight(), 40);
}

TEST_F(StdControls, EditAnswersTheEditMessagesTheEditorsSend) {
  auto* e = Make<TEdit>(10, 10, 200, 21);
  ShowAndFocus(e);
  HWND h = e->GetHandle();
  EXPECT_EQ(SendMessage(h, WM_GETDLGCODE) & (DLGC_WANTCHARS | DLGC_WANTARROWS | DLGC_HASSETSEL),
            DLGC_WANTCHARS | DLGC_WANTARROWS | DLGC_HASSETSEL);
  String s = u"Автор";
  SendMessage(h, EM_REPLACESEL, 1, LPARAM(&s));
  EXPECT_EQ(e->GetText(), u"Автор");
  EXPECT_EQ(SendMessage(h, EM_CANUNDO), 1);
  SendMessage(h, EM_SETSEL, 0x7FFFFFFF, -1);  // caret to the end, nothing selected
  EXPECT_EQ(e->GetSelStart(), 5);
  EXPECT_EQ(e->GetSelLength(), 0);
  SendMessage(h, EM_LIMITTEXT, 6);
  Display.TypeText(u"ыы");
  EXPECT_EQ(e->GetText(), u"Авторы");
  // A formatting rectangle moves the text; positions and hit tests follow it.
  TRect r(2, 2, 150, 19);
  SendMessage(h, EM_SETRECTNP, 0, LPARAM(&r));
  TRect back;
  SendMessage(h, EM_GETRECT, 0, LPARAM(&back));
  EXPECT_EQ(back, r);
  const LRESULT p0 = SendMessage(h, EM_POSFROMCHAR, 0);
  EXPECT_EQ(GetXLParam(p0), 2);
  const LRESULT p3 = SendMessage(h, EM_POSFROMCHAR, 3);
  EXPECT_GT(GetXLParam(p3), 2);
  EXPECT_EQ(LoWord(std::uintptr_t(SendMessage(h, EM_CHARFROMPOS, 0, MakeLParam(GetXLParam(p3) + 1, 5)))), 3);
  SendMessage(h, EM_SETREADONLY, 1);
  EXPECT_TRUE(e->GetReadOnly());
  SendMessage(h, EM_SETMARGINS, 3, MakeLParam(4, 5));
  EXPECT_EQ(SendMessage(h, EM_GETMARGINS), MakeLParam(4, 5));
  EXPECT_EQ(SendMessage(h, EM_GETMODIFY), 1);
  SendMessage(h, EM_SETMODIFY, 0);
  EXPECT_FALSE(e->GetModified());
}

TEST_F(StdControls, LabelWrapsAndAlignsItsCaption) {
  auto* l = Make<TLabel>(10, 10, 120, 10);
  l->SetWordWrap(true);
  l->SetCaption(u"Список Z39.50-ресурсов, которые будут использованы для заимствования записей");
  EXPECT_LE(l->GetWidth(), 120);
  EXPECT_GT(l->GetHeight(), 30);
  auto* r = Make<TLabel>(10, 100, 200, 20);
  r->SetAutoSize(false);
  r->SetAlignment(taRightJustify);
  r->SetCaption(u"Ш");
  r->SetColor(clWhite);
  r->GetFont()->SetColor(clBlack);
  Form->Show();
  RenderWindow(Form->GetHandle());
  bool darkRight = false, darkLeft = false;
  for (Integer y = 100; y < 120; ++y) {
    for (Integer x = 10; x < 30; ++x) darkLeft = darkLeft || (Display.PixelAt(Form->GetHandle(), x, y) & 0xFF) < 0x80;
    for (Integer x = 190; x < 210; ++x)
      darkRight = darkRight || (Display.PixelAt(Form->GetHandle(), x, y) & 0xFF) < 0x80;
  }
  EXPECT_TRUE(darkRight);
  EXPECT_FALSE(darkLeft);
}

TEST_F(StdControls, VirtualListBoxAsksForItsItems) {
  auto* l = Make<TListBox>(10, 10, 150, 100);
  l->SetStyle(lbVirtual);
  int asked = 0;
  l->OnData = [&](TWinControl*, Integer Index, String& Data) {
    ++asked;
    Data = u"строка " + IntToStr(Index);
  };
  EXPECT_THROW(TListBox(Form).SetCount(3), EInvalidOperation);  // only a virtual list is told its count
  l->SetCount(1000);
  EXPECT_EQ(l->GetCount(), 1000);
  EXPECT_EQ(l->GetItems()->GetCount(), 0);
  ShowAndFocus(l);
  RenderWindow(Form->GetHandle());
  EXPECT_GT(asked, 0);
  EXPECT_LT(asked, 50);  // only what is shown
  String prefix = u"строка 99";
  EXPECT_EQ(SendMessage(l->GetHandle(), LB_SELECTSTRING, 65535, LPARAM(&prefix)), 99);
  Display.Key(VK_END);
  EXPECT_EQ(l->GetItemIndex(), 999);
  String text;
  SendMessage(l->GetHandle(), LB_GETTEXT, 999, LPARAM(&text));
  EXPECT_EQ(text, u"строка 999");
}
