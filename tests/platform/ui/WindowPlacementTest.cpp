// Window services the drop-downs and the form-storage interceptor need: the
// normal rectangle of a maximised window and its placement, system settings, a
// scroll bar control of its own, and presses that ask a form's active control to
// leave its mode.

#include <gtest/gtest.h>

#include "platform/backend/Headless.h"
#include "platform/ui/Forms.h"
#include "platform/ui/ScrollBarCtrl.h"
#include "platform/ui/StdCtrls.h"

namespace {

class WindowPlacement : public ::testing::Test {
protected:
  THeadlessDisplay Display;
  TForm* Form = nullptr;
  void SetUp() override {
    Form = new TForm(Application);
    Form->SetBounds(120, 80, 400, 300);
    Form->Show();
  }
};

TEST_F(WindowPlacement, AMaximisedWindowKeepsItsNormalRectangleAndGoesBackToIt) {
  HWND h = Form->GetHandle();
  ShowWindow(h, SW_SHOWMAXIMIZED);
  EXPECT_EQ(GetWindowRect(h), TRect(0, 0, 1280, 984));
  TWindowPlacement p;
  ASSERT_TRUE(GetWindowPlacement(h, p));
  EXPECT_EQ(p.showCmd, UINT(SW_SHOWMAXIMIZED));
  EXPECT_EQ(p.rcNormalPosition, Bounds(120, 80, 400, 300));
  ShowWindow(h, SW_RESTORE);
  EXPECT_EQ(GetWindowRect(h), Bounds(120, 80, 400, 300));
  EXPECT_EQ(Form->GetBoundsRect(), Bounds(120, 80, 400, 300));
  ASSERT_TRUE(GetWindowPlacement(h, p));
  EXPECT_EQ(p.showCmd, UINT(SW_SHOWNORMAL));
}

TEST_F(WindowPlacement, SettingThePlacementOfAMaximisedWindowChangesOnlyWhereItWillGoBack) {
  HWND h = Form->GetHandle();
  ShowWindow(h, SW_SHOWMAXIMIZED);
  TWindowPlacement p;
  GetWindowPlacement(h, p);
  p.rcNormalPosition = Bounds(10, 20, 300, 200);
  ASSERT_TRUE(SetWindowPlacement(h, p));
  EXPECT_TRUE(IsZoomed(h));
  EXPECT_EQ(GetWindowRect(h), TRect(0, 0, 1280, 984));
  ShowWindow(h, SW_RESTORE);
  EXPECT_EQ(GetWindowRect(h), Bounds(10, 20, 300, 200));
}

TEST_F(WindowPlacement, SettingThePlacementOfANormalWindowMovesItAndMayMaximiseIt) {
  HWND h = Form->GetHandle();
  TWindowPlacement p;
  p.rcNormalPosition = Bounds(30, 40, 250, 150);
  ASSERT_TRUE(SetWindowPlacement(h, p));
  EXPECT_EQ(GetWindowRect(h), Bounds(30, 40, 250, 150));
  p.showCmd = SW_SHOWMAXIMIZED;
  SetWindowPlacement(h, p);
  EXPECT_TRUE(IsZoomed(h));
  GetWindowPlacement(h, p);
  EXPECT_EQ(p.rcNormalPosition, Bounds(30, 40, 250, 150));
  EXPECT_FALSE(GetWindowPlacement(nullptr, p));
}

TEST_F(WindowPlacement, SystemSettingsGiveTheWorkAreaOfThePrimaryMonitor) {
  Display.SetMonitors({{TRect(0, 0, 1024, 768), TRect(0, 30, 1024, 768)}});
  TRect work;
  ASSERT_TRUE(SystemParametersInfo(SPI_GETWORKAREA, 0, &work, 0));
  EXPECT_EQ(work, TRect(0, 30, 1024, 768));
  bool full = false;
  EXPECT_TRUE(SystemParametersInfo(SPI_GETDRAGFULLWINDOWS, 0, &full, 0));
  EXPECT_TRUE(full);
}

TEST_F(WindowPlacement, APressOnAFormAsksItsActiveControlToLeaveItsMode) {
  auto* edit = new TEdit(Form);
  edit->SetParent(Form);
  auto* other = new TButton(Form);
  other->SetParent(Form);
  other->SetBounds(10, 100, 80, 25);
  Form->SetActiveControl(edit);
  std::vector<LPARAM> senders;
  auto old = edit->GetWindowProc();
  edit->SetWindowProc([&, old](TMessage& m) {
    if (m.Msg == CM_CANCELMODE) senders.push_back(m.LParam);
    old(m);
  });
  Display.Click(Form->GetHandle(), 300, 200);
  Display.Click(other->GetHandle(), 5, 5);
  ASSERT_EQ(senders.size(), 2u);
  EXPECT_EQ(senders[0], reinterpret_cast<LPARAM>(static_cast<TControl*>(Form)));
  EXPECT_EQ(senders[1], reinterpret_cast<LPARAM>(static_cast<TControl*>(other)));
  // A right press does not.
  Display.Click(Form->GetHandle(), 300, 200, mbRight);
  EXPECT_EQ(senders.size(), 2u);
}

// ---- The scroll bar control ---------------------------------------------------------------------------

class ScrollBarControl : public WindowPlacement {
protected:
  TScrollBar* Bar = nullptr;
  void SetUp() override {
    WindowPlacement::SetUp();
    Bar = new TScrollBar(Form);
    Bar->SetKind(sbVertical);
    Bar->SetParent(Form);
    Bar->SetBounds(10, 10, 17, 150);
  }
};

TEST_F(ScrollBarControl, IsOneBarFillingItsWindow) {
  HWND h = Bar->GetHandle();
  EXPECT_TRUE(GetWindowStyle(h) & WS_VSCROLL);
  EXPECT_EQ(GetScrollBarRect(h, SB_VERT), TRect(0, 0, 17, 150));
  EXPECT_EQ(Bar->GetClientRect().Width(), 0);
}

TEST_F(ScrollBarControl, KeepsItsPositionWithinTheRangeLessThePage) {
  Integer changes = 0;
  Bar->OnChange = [&](TObject*) { ++changes; };
  Bar->SetParams(5, 0, 19);
  Bar->SetPageSize(5);
  EXPECT_EQ(Bar->GetPosition(), 5);
  Bar->SetPosition(30);
  EXPECT_EQ(Bar->GetPosition(), 15);
  Bar->SetPosition(-4);
  EXPECT_EQ(Bar->GetPosition(), 0);
  EXPECT_EQ(changes, 3);
  Bar->SetPosition(0);
  EXPECT_EQ(changes, 3);
  TScrollInfo si;
  si.fMask = SIF_ALL;
  GetScrollInfo(Bar->GetHandle(), SB_VERT, si);
  EXPECT_EQ(si.nMax, 19);
  EXPECT_EQ(si.nPage, 5u);
}

TEST_F(ScrollBarControl, ItsArrowsScrollAndTheScrollEventMayChangeThePosition) {
  Bar->SetParams(0, 0, 19);
  Bar->SetPageSize(5);
  std::vector<TScrollCode> codes;  // without the end-of-scroll notices
  Bar->OnScroll = [&](TObject*, TScrollCode Code, Integer& Pos) {
    if (Code != scEndScroll) codes.push_back(Code);
    if (Code == scLineDown && Pos == 2) Pos = 10;
  };
  Display.Click(Bar->GetHandle(), 8, 145);
  EXPECT_EQ(Bar->GetPosition(), 1);
  Display.Click(Bar->GetHandle(), 8, 145);
  EXPECT_EQ(Bar->GetPosition(), 10);
  Display.Click(Bar->GetHandle(), 8, 4);
  EXPECT_EQ(Bar->GetPosition(), 9);
  EXPECT_EQ(codes, (std::vector<TScrollCode>{scLineDown, scLineDown, scLineUp}));
}

TEST_F(ScrollBarControl, TurningItKeepsItsThickness) {
  auto* bar = new TScrollBar(Form);
  bar->SetParent(Form);
  EXPECT_EQ(bar->GetHeight(), 17);
  bar->SetKind(sbVertical);
  EXPECT_EQ(bar->GetWidth(), 17);
  EXPECT_TRUE(GetWindowStyle(bar->GetHandle()) & WS_VSCROLL);
}

}  // namespace
