#pragma once
// Drives the program's windows headless, as a user would: presses named
// controls, sets texts, ticks list items, moves the clock, and answers every
// message box, the program's own and the platform's plain one, keeping what
// each said.
//
//   TProgramDriver drv;                         // a fresh program folder, a headless display
//   ASSERT_TRUE(drv.Start());                   // guard, title, the six windows
//   drv.AdvanceClock(100);                      // the first clock tick loads everything
//   drv.AnswerBox(true);                        // the next box of ours gets OK
//   drv.Press(Form_Main, u"SB_N_Clear");
//   EXPECT_EQ(drv.Boxes().back().Text, u"Вы желаете очистить весь список ?");

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "client/Borrowline.h"
#include "client/__sys.h"
#include "client/z39_00_func.h"
#include "client/z39_01_main.h"
#include "client/z39_04_MyShowMessage.h"
#include "platform/backend/Headless.h"
#include "platform/core/Files.h"
#include "platform/ui/Buttons.h"
#include "platform/ui/CheckLst.h"
#include "platform/ui/ComCtrls.h"
#include "platform/ui/Forms.h"
#include "platform/ui/StdCtrls.h"
#include "tests/client/TempFolder.h"

// One box as the user saw it. Plain boxes have no head line.
struct TShownBox {
  String Caption;
  String Head;
  String Text;
  bool WithCancel = false;
  bool Plain = false;
};

class TProgramDriver {
public:
  // The program file is a name of its own in a fresh folder, so the guard and
  // the folders belong to this driver alone.
  TProgramDriver() {
    static std::atomic<int> serial{0};
    FProgramPath =
        FProgramFolder.Path() + FromUtf8("borrowline-" + std::to_string(::getpid()) + "-" + std::to_string(serial++));
    SetParamStr0(FProgramPath);
    SchemeIndex = 0;  // as a process starts: another test may have left another
    FDisplay.OnMessageBox([this](const TMessageBoxRequest& R) {
      FBoxes.push_back({R.Caption, String(), R.Text, (R.Flags & MB_TYPEMASK) == MB_OKCANCEL, true});
      return IDOK;
    });
  }
  ~TProgramDriver() { SetParamStr0(String()); }
  TProgramDriver(const TProgramDriver&) = delete;
  TProgramDriver& operator=(const TProgramDriver&) = delete;

  THeadlessDisplay& Display() { return FDisplay; }
  const String& ProgramPath() const { return FProgramPath; }
  // The program's folder, ending in "/".
  String Folder() const { return FProgramFolder.Path(); }
  String ProgramFileName() const { return FProgramPath.substr(FProgramFolder.Path().size()); }

  // Start-up as the program does it; the main window is shown, as the message
  // loop would show it.
  bool Start() {
    if (!ProgramStart()) return false;
    Form_Main->Show();
    FDisplay.ProcessMessages();
    return true;
  }
  // Start-up over a resource list of its own in "Settings/ListDB.txt", with the
  // timer's first tick, which loads it, run.
  bool StartWithResourceList(const std::string& List) {
    if (!ForceDirectories(Folder() + u"Settings/")) return false;
    WriteFileAtomic(Folder() + u"Settings/ListDB.txt", List);
    if (!Start()) return false;
    AdvanceClock(100);
    return true;
  }
  // A click on the main window's close box in its title bar, as the user would.
  void CloseMainWindow() { FDisplay.ClickCloseBox(Form_Main->GetHandle()); }

  void AdvanceClock(UInt64 Ms) { FDisplay.AdvanceClock(Ms); }

  // ---- Controls by name
  template <class T = TControl>
  T* Find(TComponent* Form, const String& Name) {
    T* c = dynamic_cast<T*>(Form ? Form->FindComponent(Name) : nullptr);
    EXPECT_NE(c, nullptr) << "no control " << ToUtf8(Name);
    return c;
  }
  // A click in the middle of the control, through the display's input.
  void Press(TComponent* Form, const String& Name) {
    if (TControl* c = Find(Form, Name)) Click(c);
  }
  void Click(TControl* C) {
    if (auto* w = dynamic_cast<TWinControl*>(C)) {
      FDisplay.Click(w->GetHandle(), w->GetWidth() / 2, w->GetHeight() / 2);
      return;
    }
    const TPoint p = C->ClientToParent(TPoint(C->GetWidth() / 2, C->GetHeight() / 2));
    FDisplay.Click(C->GetParent()->GetHandle(), p.X, p.Y);
  }
  void SetText(TComponent* Form, const String& Name, const String& Text) {
    if (TControl* c = Find(Form, Name)) c->SetText(Text);
    FDisplay.ProcessMessages();
  }
  // A click on the tick box of item Index of a check list box.
  void TickItem(TComponent* Form, const String& Name, Integer Index) {
    auto* list = Find<TCheckListBox>(Form, Name);
    if (!list) return;
    const TRect r = list->ItemRect(Index);
    FDisplay.Click(list->GetHandle(), r.Left + 6, (r.Top + r.Bottom) / 2);
  }

  // ---- Modal windows
  // The topmost modal form of class T, or null.
  template <class T>
  static T* OpenModal() {
    for (Integer i = Screen->GetFormCount() - 1; i >= 0; --i) {
      TCustomForm* f = Screen->GetForms(i);
      if (f->GetFormState().Contains(fsModal))
        if (auto* t = dynamic_cast<T*>(f)) return t;
    }
    return nullptr;
  }
  // When a loop next waits for input, Action runs on the modal form of class T
  // that is open then; a missing one fails the test.
  template <class T>
  void WhenModal(std::function<void(T*)> Action) {
    FDisplay.WhenIdle([this, Action] {
      T* form = OpenModal<T>();
      if (!form) {
        ADD_FAILURE() << "no modal " << ToUtf8(String(T::StaticClass()->Name)) << " is open";
        CloseEveryModal();
        return;
      }
      Action(form);
    });
  }
  // The next box of ours is answered with OK (True) or Cancel, and recorded.
  void AnswerBox(bool Ok) {
    WhenModal<TDlg_MyShowMessage>([this, Ok](TDlg_MyShowMessage* Box) {
      FBoxes.push_back({Box->GetCaption(), Box->Label_Head->GetCaption(), Box->RE_Msg->GetText(),
                        Box->SB_Cancel->GetVisible(), false});
      Click(Ok ? static_cast<TControl*>(Box->SB_OK) : Box->SB_Cancel);
    });
  }
  const std::vector<TShownBox>& Boxes() const { return FBoxes; }

private:
  void CloseEveryModal() {
    for (Integer i = 0; i < Screen->GetFormCount(); ++i)
      if (Screen->GetForms(i)->GetFormState().Contains(fsModal)) Screen->GetForms(i)->SetModalResult(mrCancel);
  }

  TTempFolder FProgramFolder;
  String FProgramPath;
  THeadlessDisplay FDisplay;
  std::vector<TShownBox> FBoxes;
};
