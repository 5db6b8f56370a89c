// The application's hint manager: the pause, CM_HINTSHOW, the window class a
// control chooses, and what hides a hint.

#include <gtest/gtest.h>

#include "platform/backend/Headless.h"
#include "platform/ui/Forms.h"
#include "platform/ui/HintWnd.h"

namespace {

// A hint window that only records what it was asked to do.
class TRecordingHint : public TComponent, public IHintWindow {
public:
  BORROW_COMPONENT(TRecordingHint, TComponent)
  explicit TRecordingHint(TComponent* AOwner) : TComponent(AOwner) {}
  TRect CalcHintRect(Integer MaxWidth, const String& AHint, void*) override {
    LastMaxWidth = MaxWidth;
    return TRect(0, 0, Integer(AHint.size()) * 6, 16);
  }
  void ActivateHintData(const TRect& Rect, const String& AHint, void* Data) override {
    Shown.push_back(AHint);
    LastRect = Rect;
    LastData = Data;
    Visible = true;
  }
  void ReleaseHandle() override { Visible = false; }
  static inline std::vector<String> Shown;
  static inline TRect LastRect;
  static inline void* LastData = nullptr;
  static inline Integer LastMaxWidth = 0;
  static inline bool Visible = false;
};

class TTipped : public TCustomControl {
public:
  explicit TTipped(TComponent* AOwner) : TCustomControl(AOwner) { SetBounds(10, 10, 100, 40); }
  std::function<LRESULT(THintInfo&)> OnHintShow;
  int Presses = 0;
  void Dispatch(TMessage& m) override {
    if (m.Msg == WM_LBUTTONDOWN) ++Presses;
    if (m.Msg == CM_HINTSHOW && OnHintShow) {
      m.Result = OnHintShow(*reinterpret_cast<THintInfo*>(m.LParam));
      return;
    }
    TCustomControl::Dispatch(m);
  }
};

class Hints : public ::testing::Test {
protected:
  THeadlessDisplay Display;
  TForm* Form = nullptr;
  TTipped* Tip = nullptr;
  TComponentClass SavedClass = HintWindowClass;
  void SetUp() override {
    TRecordingHint::Shown.clear();
    TRecordingHint::Visible = false;
    HintWindowClass = TRecordingHint::StaticComponentClass();
    Form = new TForm(Application);
    Form->SetBorderStyle(bsNone);
    Form->SetBounds(100, 100, 300, 200);
    Tip = new TTipped(Form);
    Tip->SetParent(Form);
    Tip->SetHint(u"Найти|Найти запись по тексту");
    Tip->SetShowHint(true);
    Form->Show();
  }
  void TearDown() override { HintWindowClass = SavedClass; }
};

TEST_F(Hints, TheShortHintAppearsAfterThePauseBelowTheCursor) {
  Display.MouseMove(Tip->GetHandle(), 5, 5);
  Display.AdvanceClock(Application->GetHintPause() - 1);
  EXPECT_TRUE(TRecordingHint::Shown.empty());
  Display.AdvanceClock(1);
  ASSERT_EQ(TRecordingHint::Shown.size(), 1u);
  EXPECT_EQ(TRecordingHint::Shown[0], u"Найти");
  TPoint cursor = Tip->ClientToScreen(TPoint(5, 5));
  EXPECT_EQ(TRecordingHint::LastRect, Bounds(cursor.X, cursor.Y + 20, 5 * 6, 16));
  EXPECT_TRUE(Application->GetHintShowing());
  // It goes after the hide pause.
  Display.AdvanceClock(Application->GetHintHidePause());
  EXPECT_FALSE(TRecordingHint::Visible);
}

TEST_F(Hints, TheControlCanChangeTheTextTheCursorRectAndTheData) {
  int data = 7;
  std::vector<TPoint> asked;
  Tip->OnHintShow = [&](THintInfo& info) {
    EXPECT_EQ(info.HintControl, Tip);
    asked.push_back(info.CursorPos);
    info.HintStr = u"cell 1";
    info.CursorRect = TRect(0, 0, 20, 20);
    info.HintData = &data;
    return LRESULT(0);
  };
  Display.MouseMove(Tip->GetHandle(), 5, 5);
  Display.AdvanceClock(Application->GetHintPause());
  ASSERT_EQ(TRecordingHint::Shown.size(), 1u);
  EXPECT_EQ(TRecordingHint::Shown[0], u"cell 1");
  EXPECT_EQ(TRecordingHint::LastData, &data);
  // Still inside the cursor rect: stays. Outside it: hidden, and shown again soon.
  Display.MouseMove(Tip->GetHandle(), 15, 15);
  EXPECT_TRUE(TRecordingHint::Visible);
  Display.MouseMove(Tip->GetHandle(), 50, 15);
  EXPECT_FALSE(TRecordingHint::Visible);
  Display.AdvanceClock(Application->GetHintShortPause());
  EXPECT_EQ(TRecordingHint::Shown.size(), 2u);
  EXPECT_EQ(asked, (std::vector<TPoint>{TPoint(5, 5), TPoint(50, 15)}));
}

TEST_F(Hints, ARefusingControlOrAPressShowsNothing) {
  Tip->OnHintShow = [](THintInfo&) { return LRESULT(1); };
  Display.MouseMove(Tip->GetHandle(), 5, 5);
  Display.AdvanceClock(Application->GetHintPause());
  EXPECT_TRUE(TRecordingHint::Shown.empty());
  Tip->OnHintShow = nullptr;
  Display.MouseMove(Tip->GetHandle(), 6, 6);
  Display.MouseMove(Form->GetHandle(), 250, 150);
  Display.MouseMove(Tip->GetHandle(), 6, 6);
  Display.MouseDown(Tip->GetHandle(), 6, 6);
  Display.AdvanceClock(Application->GetHintPause());
  EXPECT_TRUE(TRecordingHint::Shown.empty());
}

TEST_F(Hints, NoHintWithoutShowHint) {
  Tip->SetShowHint(false);
  Display.MouseMove(Tip->GetHandle(), 5, 5);
  Display.AdvanceClock(Application->GetHintPause() * 2);
  EXPECT_TRUE(TRecordingHint::Shown.empty());
  EXPECT_EQ(GetShortHint(u"a|b"), u"a");
  EXPECT_EQ(GetLongHint(u"a|b"), u"b");
  EXPECT_EQ(GetLongHint(u"ab"), u"ab");
}

// A window the window manager moves under the pointer at rest has the
// pointer reported at the same place: no hint comes up for the control it
// brought there until the pointer moves; and a hint shown goes with its window.
TEST_F(Hints, AWindowMovedUnderTheRestingPointerCallsUpNoHintAndAHintGoesWithItsWindow) {
  TForm* dialog = new TForm(Application);
  dialog->SetBorderStyle(bsNone);
  dialog->SetBounds(500, 100, 200, 100);
  TTipped* folder = new TTipped(dialog);
  folder->SetParent(dialog);
  folder->SetHint(u"Выбрать папку");
  folder->SetShowHint(true);
  dialog->Show();
  // The pointer rests on the form, beside its own hinted control.
  Display.MouseMove(Form->GetHandle(), 250, 150);
  Display.AdvanceClock(Application->GetHintPause() * 2);
  ASSERT_TRUE(TRecordingHint::Shown.empty());

  const TPoint resting = Form->ClientToScreen(TPoint(250, 150));
  dialog->SetBounds(resting.X - 30, resting.Y - 20, 200, 100);
  const TPoint onFolder = folder->ScreenToClient(resting);
  ASSERT_TRUE(folder->GetClientRect().Contains(onFolder));
  Display.MouseMove(folder->GetHandle(), onFolder.X, onFolder.Y);
  Display.AdvanceClock(Application->GetHintPause() * 2);
  EXPECT_TRUE(TRecordingHint::Shown.empty()) << "a hint came up for a window's move";

  // The pointer's own move calls the hint up; the window closing takes it along.
  Display.MouseMove(folder->GetHandle(), onFolder.X + 2, onFolder.Y);
  Display.AdvanceClock(Application->GetHintPause());
  ASSERT_EQ(TRecordingHint::Shown, std::vector<String>{u"Выбрать папку"});
  dialog->Hide();
  EXPECT_FALSE(TRecordingHint::Visible) << "the hint stayed after its window closed";
  EXPECT_FALSE(Application->GetHintShowing());
}

// A hint lying under the pointer lets a press through to the control under it.
TEST_F(Hints, AHintUnderThePointerLetsAPressThroughToTheControlUnderIt) {
  InstallHintWindow();
  HintWindowClass = THintWindow::StaticComponentClass();
  // The control puts its hint right under the pointer.
  Tip->OnHintShow = [](THintInfo& info) {
    info.HintPos = info.HintControl->ClientToScreen(info.CursorPos) - TPoint(3, 3);
    return LRESULT(0);
  };
  Display.MouseMove(Tip->GetHandle(), 5, 5);
  Display.AdvanceClock(Application->GetHintPause());
  auto* hint = dynamic_cast<THintWindow*>(Application->GetHintWindow());
  ASSERT_TRUE(hint && hint->IsShowing());
  ASSERT_TRUE(hint->GetBoundsRect().Contains(Tip->ClientToScreen(TPoint(5, 5))));

  Display.MouseDown(Tip->GetHandle(), 5, 5);
  Display.MouseUp(Tip->GetHandle(), 5, 5);
  EXPECT_EQ(Tip->Presses, 1) << "the hint took the press";
  EXPECT_FALSE(hint->IsShowing());
}

}  // namespace
