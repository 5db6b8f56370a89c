// Input the display delivers in one batch, while the program was busy, is aimed
// as it is dispatched: keys typed right after a click land in the field the click
// chose. And modal windows: whose window they are, and what a click on a window
// they keep disabled does.

#include <gtest/gtest.h>

#include <random>

#include "platform/backend/Headless.h"
#include "platform/ui/Forms.h"
#include "platform/ui/MsgBox.h"
#include "platform/ui/StdCtrls.h"

namespace {

class InputOrder : public ::testing::Test {
protected:
  THeadlessDisplay Display;
  TForm* Form = nullptr;
  std::vector<TEdit*> Edits;

  void SetUp() override {
    Form = new TForm(Application);
    Form->SetBounds(100, 100, 400, 300);
    for (Integer i = 0; i < 3; ++i) {
      auto* e = new TEdit(Form);
      e->SetParent(Form);
      e->SetBounds(10, 10 + i * 40, 300, 24);
      Edits.push_back(e);
    }
    Form->Show();
    Edits[0]->SetFocus();
    Display.ProcessMessages();
  }

  // A click on an edit as the display reports it; nothing is dispatched yet.
  static void DeliverClick(TControl* C) {
    const TPoint p = C->ClientToScreen(TPoint(20, 10));
    InjectMouse(TMouseAction::Move, mbLeft, p);
    InjectMouse(TMouseAction::Down, mbLeft, p);
    InjectMouse(TMouseAction::Up, mbLeft, p);
  }
  static void DeliverText(const String& Text) {
    for (Char c : Text) InjectChar(c);
  }
};

}  // namespace

TEST_F(InputOrder, TypingRightAfterAClickInOneBatchLandsInTheClickedField) {
  Edits[0]->SetText(u"computer");
  Edits[0]->SetSelStart(8);
  DeliverClick(Edits[1]);
  DeliverText(u"Pushkin");
  DeliverClick(Edits[2]);
  DeliverText(u"Пушкин");
  Display.ProcessMessages();
  EXPECT_EQ(Edits[0]->GetText(), u"computer");
  EXPECT_EQ(Edits[1]->GetText(), u"Pushkin");
  EXPECT_EQ(Edits[2]->GetText(), u"Пушкин");
  EXPECT_EQ(GetFocus(), Edits[2]->GetHandle());
}

TEST_F(InputOrder, RandomClicksAndTypingInRandomBatchesMatchAPlainModel) {
  std::mt19937 rng(45);
  std::vector<String> model(Edits.size());
  size_t focus = 0;
  const String letters = u"abcxyzАБВЖЯё0 ";
  for (int round = 0; round < 200; ++round) {
    // A batch: what arrived while the program was busy.
    const int pieces = 1 + int(rng() % 6);
    for (int i = 0; i < pieces; ++i) {
      if (rng() % 3 == 0) {
        focus = rng() % Edits.size();
        DeliverClick(Edits[focus]);
        InjectKey(VK_END, true);  // typing goes on at the end of the field
        InjectKey(VK_END, false);
        Display.PassTime(600);  // no double clicks
      } else {
        const Char c = letters[rng() % letters.size()];
        InjectChar(c);
        model[focus] += c;
      }
    }
    Display.ProcessMessages();
  }
  for (size_t i = 0; i < Edits.size(); ++i) EXPECT_EQ(Edits[i]->GetText(), model[i]) << "edit " << i;
}

TEST_F(InputOrder, AWindowShownDisabledTakesNoTypingUntilItIsEnabled) {
  // Shown disabled, as a window that must not take input yet: it is active and
  // its field has the focus, yet what is typed goes nowhere.
  auto* form = new TForm(Application);
  form->SetBounds(150, 150, 300, 100);
  auto* edit = new TEdit(form);
  edit->SetParent(form);
  edit->SetBounds(10, 10, 200, 24);
  form->SetEnabled(false);
  form->Show();
  Display.ProcessMessages();
  ASSERT_EQ(GetFocus(), edit->GetHandle());
  DeliverText(u"lost");
  Display.ProcessMessages();
  EXPECT_EQ(edit->GetText(), u"");
  form->SetEnabled(true);
  DeliverText(u"kept");
  Display.ProcessMessages();
  EXPECT_EQ(edit->GetText(), u"kept");
  delete form;
}

TEST_F(InputOrder, KeysAreReadWithTheModifiersHeldWhenTheyCame) {
  Edits[1]->SetText(u"abc");
  // Shift+Home in the second field after a click on it, then Delete, all in one
  // batch: Shift is let go before anything is dispatched.
  DeliverClick(Edits[1]);
  InjectKey(VK_END, true);
  InjectKey(VK_END, false);
  InjectKey(VK_SHIFT, true);
  InjectKey(VK_HOME, true);
  InjectKey(VK_HOME, false);
  InjectKey(VK_SHIFT, false);
  InjectKey(VK_DELETE, true);
  InjectKey(VK_DELETE, false);
  Display.ProcessMessages();
  EXPECT_EQ(Edits[1]->GetText(), u"");
  EXPECT_EQ(GetKeyState(VK_SHIFT) < 0, false);
}

// ---- Modal windows ----------------------------------------------------------------------------

namespace {

class ModalWindows : public ::testing::Test {
protected:
  THeadlessDisplay Display;
  TForm* Main = nullptr;

  void SetUp() override {
    Main = new TForm(Application);
    Main->SetBounds(50, 50, 600, 400);
    Application->SetMainForm(Main);
    Main->Show();
    Display.ProcessMessages();
  }
  TForm* NewDialog(const char16_t* Caption, Integer Left) {
    auto* f = new TForm(Application);
    f->SetCaption(Caption);
    f->SetBorderStyle(bsDialog);
    f->SetBounds(Left, 120, 200, 120);
    return f;
  }
};

}  // namespace

TEST_F(ModalWindows, AModalWindowBelongsToTheWindowItInterruptsWhileItRuns) {
  TForm* editor = NewDialog(u"Редактор", 100);
  TForm* chooser = NewDialog(u"Выбор", 300);
  HWND editorOwner = nullptr, boxOwner = nullptr, boxWnd = nullptr, chooserOwner = nullptr;
  Display.WhenIdle([&] {
    editorOwner = GetWindowOwner(editor->GetHandle());
    // A box from inside the editor, as "Тест" shows one, and a dialog of its own.
    Display.WhenIdle([&] {
      boxWnd = GetActiveWindow();
      boxOwner = GetWindowOwner(boxWnd);
      Display.Key(VK_RETURN);
    });
    ShowMessageForm({nullptr, u"Тест закончен", u"Тест", MB_OK});
    Display.WhenIdle([&] {
      chooserOwner = GetWindowOwner(chooser->GetHandle());
      chooser->SetModalResult(mrOk);
    });
    chooser->ShowModal();
    editor->SetModalResult(mrOk);
  });
  editor->ShowModal();
  EXPECT_EQ(editorOwner, Main->GetHandle());
  ASSERT_NE(boxWnd, editor->GetHandle());
  EXPECT_EQ(boxOwner, editor->GetHandle()) << "the box belongs to the editor, not to the main window";
  EXPECT_EQ(chooserOwner, editor->GetHandle());
  // Done, the dialog is its own owner's again: it does not go with the editor.
  delete editor;
  EXPECT_TRUE(chooser->HandleAllocated()) << "its window went with the editor";
  Display.WhenIdle([&] { chooser->SetModalResult(mrCancel); });
  EXPECT_EQ(chooser->ShowModal(), mrCancel);
}

TEST_F(ModalWindows, AClickOnAWindowAModalOneDisablesBringsTheModalOneForward) {
  TForm* editor = NewDialog(u"Редактор", 100);
  std::vector<HWND> forward;
  HWND boxWnd = nullptr, activeAfter = nullptr;
  Display.WhenIdle([&] {
    Display.WhenIdle([&] {
      boxWnd = GetActiveWindow();
      const size_t before = Display.BroughtForward().size();
      Display.Click(editor->GetHandle(), 30, 30);  // the editor, under the box
      Display.Click(Main->GetHandle(), 300, 300);  // the main window, under both
      forward.assign(Display.BroughtForward().begin() + before, Display.BroughtForward().end());
      activeAfter = GetActiveWindow();
      Display.Key(VK_RETURN);  // the keyboard is still the box's
    });
    EXPECT_EQ(ShowMessageForm({nullptr, u"Тест закончен", u"Тест", MB_OK}), IDOK);
    editor->SetModalResult(mrOk);
  });
  EXPECT_EQ(editor->ShowModal(), mrOk);
  EXPECT_EQ(forward, (std::vector<HWND>{boxWnd, boxWnd}));
  EXPECT_EQ(activeAfter, boxWnd);
}
