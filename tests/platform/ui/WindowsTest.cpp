// The window model through real message dispatch: focus, capture, activation,
// popups, timers, the queue, double clicks, positions and painting.

#include <gtest/gtest.h>

#include "platform/ui/ScrollBars.h"
#include "tests/platform/ui/WindowTestSupport.h"

namespace {

class WindowModel : public ::testing::Test {
protected:
  TMessageLog Log;  // outlives the display, which destroys the windows that log into it
  THeadlessDisplay Display;
  HWND Top = nullptr;
  void SetUp() override { MakeTopLevel(Log, &Top, Bounds(100, 100, 400, 300), WS_OVERLAPPEDWINDOW | WS_VISIBLE); }
};

// ---- Focus -------------------------------------------------------------------------

TEST_F(WindowModel, FocusMovesWithKillAndSetPairsNamingTheOtherWindow) {
  HWND a = nullptr, b = nullptr;
  MakeChild(Log, &a, Top, Bounds(10, 10, 50, 20));
  MakeChild(Log, &b, Top, Bounds(10, 40, 50, 20));
  SetFocus(a);
  Log.WatchOnly({WM_SETFOCUS, WM_KILLFOCUS});
  SetFocus(b);
  ASSERT_EQ(Log.Log.size(), 2u);
  EXPECT_EQ(Log.Log[0].Wnd, a);
  EXPECT_EQ(Log.Log[0].Msg, UINT(WM_KILLFOCUS));
  EXPECT_EQ(HwndFromParam(Log.Log[0].WParam), b);
  EXPECT_EQ(Log.Log[1].Wnd, b);
  EXPECT_EQ(Log.Log[1].Msg, UINT(WM_SETFOCUS));
  EXPECT_EQ(HwndFromParam(Log.Log[1].WParam), a);
  EXPECT_EQ(GetFocus(), b);
}

TEST_F(WindowModel, AKillFocusHandlerThatMovesTheFocusElsewhereWins) {
  HWND a = nullptr, b = nullptr, c = nullptr;
  MakeChild(Log, &c, Top, Bounds(10, 70, 50, 20));
  MakeChild(Log, &a, Top, Bounds(10, 10, 50, 20), WS_VISIBLE, 0, [&](TMessage& m) {
    if (m.Msg == WM_KILLFOCUS && HwndFromParam(m.WParam) == b) SetFocus(c);
    return false;
  });
  MakeChild(Log, &b, Top, Bounds(10, 40, 50, 20));
  SetFocus(a);
  SetFocus(b);
  EXPECT_EQ(GetFocus(), c);
}

TEST_F(WindowModel, DestroyingTheFocusedWindowLeavesNoDanglingFocus) {
  HWND a = nullptr;
  MakeChild(Log, &a, Top, Bounds(10, 10, 50, 20));
  SetFocus(a);
  Log.WatchOnly({WM_KILLFOCUS, WM_DESTROY});
  DestroyWindow(a);
  EXPECT_EQ(GetFocus(), nullptr);
  ASSERT_FALSE(Log.Of(WM_KILLFOCUS).empty());
  EXPECT_FALSE(IsWindow(a));
}

TEST_F(WindowModel, HidingAWindowTakesTheFocusAway) {
  HWND a = nullptr;
  MakeChild(Log, &a, Top, Bounds(10, 10, 50, 20));
  SetFocus(a);
  ShowWindow(a, SW_HIDE);
  EXPECT_NE(GetFocus(), a);
}

TEST_F(WindowModel, DisabledWindowsRefuseTheFocus) {
  HWND a = nullptr;
  MakeChild(Log, &a, Top, Bounds(10, 10, 50, 20));
  EnableWindow(a, false);
  SetFocus(a);
  EXPECT_NE(GetFocus(), a);
}

// ---- Capture ----------------------------------------------------------------------------

TEST_F(WindowModel, CaptureSendsMouseToTheHolderAndChangesAreAnnounced) {
  HWND a = nullptr, b = nullptr;
  MakeChild(Log, &a, Top, Bounds(10, 10, 50, 20));
  MakeChild(Log, &b, Top, Bounds(200, 10, 50, 20));
  Log.WatchOnly({WM_MOUSEMOVE, WM_LBUTTONUP, WM_CAPTURECHANGED});
  SetCapture(a);
  EXPECT_EQ(GetCapture(), a);
  // A move over b still goes to a, in a's client coordinates.
  Display.MouseMove(b, 5, 5);
  auto moves = Log.Of(WM_MOUSEMOVE);
  ASSERT_EQ(moves.size(), 1u);
  EXPECT_EQ(moves[0].Wnd, a);
  EXPECT_EQ(GetXLParam(moves[0].LParam), 195);
  SetCapture(b);
  auto changed = Log.Of(WM_CAPTURECHANGED);
  ASSERT_EQ(changed.size(), 1u);
  EXPECT_EQ(changed[0].Wnd, a);
  EXPECT_EQ(HwndFromParam(std::uintptr_t(changed[0].LParam)), b);
  ReleaseCapture();
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(Log.Of(WM_CAPTURECHANGED).back().Wnd, b);
}

TEST_F(WindowModel, CancelModeReleasesTheCaptureOfItsHolder) {
  HWND a = nullptr;
  MakeChild(Log, &a, Top, Bounds(10, 10, 50, 20));
  SetCapture(a);
  SendMessage(a, WM_CANCELMODE);
  EXPECT_EQ(GetCapture(), nullptr);
}

// ---- Popups and activation --------------------------------------------------------------

TEST_F(WindowModel, APopupTakesClicksButNeverTheFocusOrActivation) {
  HWND edit = nullptr, popup = nullptr;
  MakeChild(Log, &edit, Top, Bounds(10, 10, 100, 20));
  SetFocus(edit);
  ASSERT_EQ(GetActiveWindow(), Top);
  MakeTopLevel(Log, &popup, Bounds(110, 140, 120, 80), WS_POPUP | WS_BORDER, WS_EX_TOOLWINDOW, Top, 0, [](TMessage& m) {
    if (m.Msg == WM_MOUSEACTIVATE) {
      m.Result = MA_NOACTIVATE;
      return true;
    }
    return false;
  });
  SetWindowPos(popup, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  EXPECT_TRUE(IsWindowVisible(popup));
  Log.WatchOnly({WM_LBUTTONDOWN, WM_KILLFOCUS, WM_ACTIVATE});
  Display.Click(popup, 20, 20);
  EXPECT_EQ(Log.Of(WM_LBUTTONDOWN).size(), 1u);
  EXPECT_EQ(Log.Of(WM_LBUTTONDOWN)[0].Wnd, popup);
  EXPECT_TRUE(Log.Of(WM_KILLFOCUS).empty());
  EXPECT_TRUE(Log.Of(WM_ACTIVATE).empty());
  EXPECT_EQ(GetFocus(), edit);
  EXPECT_EQ(GetActiveWindow(), Top);
  EXPECT_EQ(GetParent(popup), Top);
  EXPECT_FALSE(IsChild(Top, popup));
}

TEST_F(WindowModel, OwnedPopupsGoWithTheirOwner) {
  HWND popup = nullptr;
  MakeTopLevel(Log, &popup, Bounds(0, 0, 50, 50), WS_POPUP, WS_EX_TOOLWINDOW, Top);
  DestroyWindow(Top);
  EXPECT_FALSE(IsWindow(popup));
}

TEST_F(WindowModel, TopmostWindowsStayAboveOthersInTheHitTest) {
  HWND over = nullptr, normal = nullptr;
  MakeTopLevel(Log, &over, Bounds(150, 150, 50, 50), WS_POPUP | WS_VISIBLE, WS_EX_TOPMOST | WS_EX_NOACTIVATE);
  MakeTopLevel(Log, &normal, Bounds(140, 140, 100, 100), WS_POPUP | WS_VISIBLE);
  EXPECT_EQ(WindowFromPoint(TPoint(160, 160)), over);
  EXPECT_EQ(WindowFromPoint(TPoint(230, 230)), normal);
}

TEST_F(WindowModel, FindWindowEnumeratesTopLevelWindowsByTitle) {
  HWND w = nullptr;
  MakeTopLevel(Log, &w, Bounds(0, 0, 10, 10), WS_POPUP);
  SetWindowText(w, u"lendsrv");
  EXPECT_EQ(FindWindow(u"lendsrv"), w);
  EXPECT_EQ(FindWindow(u"nothing"), nullptr);
  int count = 0;
  EnumWindows([&](HWND) {
    ++count;
    return true;
  });
  EXPECT_EQ(count, 2);
}

// ---- Timers -----------------------------------------------------------------------------

TEST_F(WindowModel, TimersFireInDueOrderAsTheClockAdvances) {
  std::vector<std::pair<std::uintptr_t, DWORD>> fired;
  HWND w = nullptr;
  MakeChild(Log, &w, Top, Bounds(0, 0, 10, 10), WS_VISIBLE, 0, [&](TMessage& m) {
    if (m.Msg == WM_TIMER) fired.push_back({m.WParam, GetMessageTime()});
    return false;
  });
  DWORD start = GetTickCount();
  SetTimer(w, 1, 60);
  SetTimer(w, 2, 100);
  Display.AdvanceClock(59);
  EXPECT_TRUE(fired.empty());
  Display.AdvanceClock(191);  // to 250 ms
  std::vector<std::pair<std::uintptr_t, DWORD>> expected = {{1, start + 60},  {2, start + 100}, {1, start + 120},
                                                            {1, start + 180}, {2, start + 200}, {1, start + 240}};
  EXPECT_EQ(fired, expected);
  KillTimer(w, 1);
  fired.clear();
  Display.AdvanceClock(100);
  ASSERT_EQ(fired.size(), 1u);
  EXPECT_EQ(fired[0].first, 2u);
}

TEST_F(WindowModel, TimerIntervalsAreClampedSoZeroDoesNotSpin) {
  int count = 0;
  HWND w = nullptr;
  MakeChild(Log, &w, Top, Bounds(0, 0, 10, 10), WS_VISIBLE, 0, [&](TMessage& m) {
    if (m.Msg == WM_TIMER) ++count;
    return false;
  });
  SetTimer(w, 7, 0);
  Display.AdvanceClock(100);
  EXPECT_EQ(count, 10);
}

TEST_F(WindowModel, ResettingATimerRestartsItsInterval) {
  int count = 0;
  HWND w = nullptr;
  MakeChild(Log, &w, Top, Bounds(0, 0, 10, 10), WS_VISIBLE, 0, [&](TMessage& m) {
    if (m.Msg == WM_TIMER) ++count;
    return false;
  });
  SetTimer(w, 1, 100);
  Display.AdvanceClock(90);
  SetTimer(w, 1, 100);
  Display.AdvanceClock(90);
  EXPECT_EQ(count, 0);
  Display.AdvanceClock(10);
  EXPECT_EQ(count, 1);
}

TEST_F(WindowModel, DestroyingAWindowKillsItsTimers) {
  HWND w = nullptr;
  MakeChild(Log, &w, Top, Bounds(0, 0, 10, 10));
  SetTimer(w, 1, 50);
  DestroyWindow(w);
  EXPECT_EQ(ActiveTimerCount(), 0);
}

// ---- Queue -----------------------------------------------------------------------------

TEST_F(WindowModel, PeekWithoutRemovalLeavesTheMessageForTheNextPeek) {
  HWND a = nullptr, b = nullptr;
  MakeChild(Log, &a, Top, Bounds(0, 0, 10, 10));
  MakeChild(Log, &b, Top, Bounds(20, 0, 10, 10));
  Display.ProcessMessages();
  PostMessage(b, WM_USER + 5, 1, 2);
  PostMessage(a, WM_KEYDOWN, VK_ESCAPE, 0);
  PostMessage(a, WM_USER + 100, 3, 0);
  TMsg m;
  // By window and range: b's message is skipped, a's key is seen and stays.
  ASSERT_TRUE(PeekMessage(m, a, WM_KEYDOWN, WM_KEYDOWN, PM_NOREMOVE));
  EXPECT_EQ(m.wParam, WPARAM(VK_ESCAPE));
  ASSERT_TRUE(PeekMessage(m, a, WM_KEYDOWN, WM_KEYDOWN, PM_NOREMOVE));
  EXPECT_EQ(GetQueuedMessageCount(), 3);
  // Removal takes exactly that one.
  ASSERT_TRUE(PeekMessage(m, a, WM_KEYDOWN, WM_KEYDOWN, PM_REMOVE));
  EXPECT_FALSE(PeekMessage(m, a, WM_KEYDOWN, WM_KEYDOWN, PM_NOREMOVE));
  EXPECT_EQ(GetQueuedMessageCount(), 2);
  ASSERT_TRUE(PeekMessage(m, a, WM_USER, WM_USER + 200, PM_REMOVE));
  EXPECT_EQ(m.message, UINT(WM_USER + 100));
  EXPECT_FALSE(PeekMessage(m, a, WM_USER, WM_USER + 200, PM_REMOVE));
  ASSERT_TRUE(PeekMessage(m, nullptr, WM_USER, WM_USER + 200, PM_REMOVE));
  EXPECT_EQ(m.hwnd, b);
}

TEST_F(WindowModel, QuitIsAThreadMessageCarryingTheExitCode) {
  PostQuitMessage(3);
  TMsg m;
  EXPECT_FALSE(GetMessage(m, nullptr, 0, 0));
  EXPECT_EQ(m.wParam, 3u);
}

TEST_F(WindowModel, PostingToADestroyedWindowFails) {
  HWND a = nullptr;
  MakeChild(Log, &a, Top, Bounds(0, 0, 10, 10));
  PostMessage(a, WM_USER, 0, 0);
  DestroyWindow(a);
  EXPECT_FALSE(PostMessage(a, WM_USER, 0, 0));
  TMsg m;
  EXPECT_FALSE(PeekMessage(m, nullptr, WM_USER, WM_USER, PM_REMOVE));
}

TEST_F(WindowModel, TranslateMakesControlCharactersRightAfterTheirKey) {
  HWND a = nullptr;
  std::vector<std::pair<UINT, WPARAM>> seen;
  MakeChild(Log, &a, Top, Bounds(0, 0, 10, 10), WS_VISIBLE, 0, [&](TMessage& m) {
    if (m.Msg == WM_KEYDOWN || m.Msg == WM_CHAR || m.Msg == WM_KEYUP) seen.push_back({m.Msg, m.WParam});
    return false;
  });
  SetFocus(a);
  Display.Key(VK_RETURN);
  Display.TypeText(u"Яa");
  std::vector<std::pair<UINT, WPARAM>> expected = {{WM_KEYDOWN, VK_RETURN}, {WM_CHAR, 13},     {WM_KEYUP, VK_RETURN},
                                                   {WM_CHAR, u'Я'},         {WM_KEYDOWN, 'A'}, {WM_CHAR, 'a'},
                                                   {WM_KEYUP, 'A'}};
  EXPECT_EQ(seen, expected);
}

// ---- Double clicks ----------------------------------------------------------------------

class DoubleClicks : public WindowModel {
protected:
  HWND Target = nullptr;
  void SetUp() override {
    WindowModel::SetUp();
    MakeChild(Log, &Target, Top, Bounds(10, 10, 100, 100), WS_VISIBLE, CS_DBLCLKS);
    Log.WatchOnly({WM_LBUTTONDOWN, WM_LBUTTONDBLCLK});
  }
};

TEST_F(DoubleClicks, ASecondPressSoonAndCloseIsADoubleClick) {
  Display.Click(Target, 20, 20);
  Display.Click(Target, 21, 21);
  EXPECT_EQ(Log.Of(WM_LBUTTONDOWN).size(), 1u);
  EXPECT_EQ(Log.Of(WM_LBUTTONDBLCLK).size(), 1u);
  // A third press begins a new pair.
  Display.Click(Target, 21, 21);
  EXPECT_EQ(Log.Of(WM_LBUTTONDOWN).size(), 2u);
}

TEST_F(DoubleClicks, TooLateIsTwoSingleClicks) {
  Display.Click(Target, 20, 20);
  Display.AdvanceClock(GetDoubleClickTime() + 1);
  Display.Click(Target, 20, 20);
  EXPECT_EQ(Log.Of(WM_LBUTTONDOWN).size(), 2u);
  EXPECT_TRUE(Log.Of(WM_LBUTTONDBLCLK).empty());
}

TEST_F(DoubleClicks, TooFarIsTwoSingleClicks) {
  Integer half = GetSystemMetrics(SM_CXDOUBLECLK) / 2;
  Display.Click(Target, 20, 20);
  Display.Click(Target, 20 + half + 1, 20);
  EXPECT_EQ(Log.Of(WM_LBUTTONDOWN).size(), 2u);
  EXPECT_TRUE(Log.Of(WM_LBUTTONDBLCLK).empty());
}

TEST_F(DoubleClicks, WindowsWithoutTheClassStyleNeverGetThem) {
  HWND plain = nullptr;
  MakeChild(Log, &plain, Top, Bounds(200, 10, 50, 50));
  Display.Click(plain, 5, 5);
  Display.Click(plain, 5, 5);
  EXPECT_EQ(Log.Of(WM_LBUTTONDOWN).size(), 2u);
  EXPECT_TRUE(Log.Of(WM_LBUTTONDBLCLK).empty());
}

// ---- Positions ---------------------------------------------------------------------------

TEST_F(WindowModel, BordersAndScrollBarsShrinkTheClientArea) {
  HWND c = nullptr;
  MakeChild(Log, &c, Top, Bounds(10, 20, 100, 80), WS_VISIBLE | WS_BORDER);
  EXPECT_EQ(GetClientRect(c), TRect(0, 0, 98, 78));
  TPoint p(0, 0);
  ClientToScreen(c, p);
  EXPECT_EQ(p, TPoint(100 + 10 + 1, 100 + 20 + 1));
  TScrollInfo si;
  si.fMask = SIF_RANGE | SIF_PAGE;
  si.nMin = 0;
  si.nMax = 99;
  si.nPage = 10;
  SetScrollInfo(c, SB_VERT, si, true);
  EXPECT_TRUE(IsScrollBarVisible(c, SB_VERT));
  EXPECT_EQ(GetClientRect(c).Width(), 98 - GetSystemMetrics(SM_CXVSCROLL));
  TRect r(0, 0, 10, 10);
  AdjustWindowRectEx(r, WS_CHILD | WS_BORDER, false, WS_EX_CLIENTEDGE);
  EXPECT_EQ(r, TRect(-3, -3, 13, 13));
}

TEST_F(WindowModel, SetWindowPosSendsSizeAndMoveOnlyForWhatChanged) {
  HWND c = nullptr;
  MakeChild(Log, &c, Top, Bounds(10, 10, 50, 50));
  Log.WatchOnly({WM_SIZE, WM_MOVE, WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED});
  SetWindowPos(c, nullptr, 20, 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  EXPECT_EQ(Log.Of(WM_MOVE).size(), 1u);
  EXPECT_TRUE(Log.Of(WM_SIZE).empty());
  SetWindowPos(c, nullptr, 0, 0, 70, 30, SWP_NOMOVE | SWP_NOZORDER);
  ASSERT_EQ(Log.Of(WM_SIZE).size(), 1u);
  EXPECT_EQ(Log.Of(WM_SIZE)[0].LParam, MakeLParam(70, 30));
  EXPECT_EQ(GetWindowRect(c), Bounds(100 + 20, 100 + 20, 70, 30));
  // Hide to (0,0,0,0) without a z-order change, as an editor is hidden.
  SetWindowPos(c, nullptr, 0, 0, 0, 0, SWP_HIDEWINDOW | SWP_NOZORDER | SWP_NOREDRAW);
  EXPECT_FALSE(IsWindowVisible(c));
  EXPECT_EQ(Log.Of(WM_WINDOWPOSCHANGING).size(), 3u);
}

TEST_F(WindowModel, MapWindowPointsBetweenSiblings) {
  HWND a = nullptr, b = nullptr;
  MakeChild(Log, &a, Top, Bounds(10, 10, 50, 50));
  MakeChild(Log, &b, Top, Bounds(100, 40, 50, 50));
  TRect r(0, 0, 5, 5);
  MapWindowPoints(a, b, r);
  EXPECT_EQ(r, TRect(-90, -30, -85, -25));
  EXPECT_TRUE(IsChild(Top, a));
  EXPECT_EQ(GetParent(a), Top);
}

TEST_F(WindowModel, AWindowRegionLimitsTheMouse) {
  HWND grip = nullptr;
  MakeChild(Log, &grip, Top, Bounds(0, 0, 20, 20));
  // The lower-right triangle only.
  SetWindowPolygonRegion(grip, {TPoint(20, 0), TPoint(20, 20), TPoint(0, 20)}, true);
  TPoint inside(18, 18), outside(2, 2);
  ClientToScreen(grip, inside);
  ClientToScreen(grip, outside);
  EXPECT_EQ(WindowFromPoint(inside), grip);
  EXPECT_EQ(WindowFromPoint(outside), Top);
}

TEST_F(WindowModel, WorkAreaOfTheNearestMonitor) {
  Display.SetMonitors(
      {{TRect(0, 0, 1000, 800), TRect(0, 0, 1000, 760)}, {TRect(1000, 0, 2000, 800), TRect(1000, 30, 2000, 800)}});
  TMonitorInfo mi;
  ASSERT_TRUE(GetMonitorInfo(MonitorFromRect(Bounds(1500, 100, 10, 10), MONITOR_DEFAULTTONEAREST), mi));
  EXPECT_EQ(mi.rcWork, TRect(1000, 30, 2000, 800));
  ASSERT_TRUE(GetMonitorInfo(MonitorFromRect(Bounds(2500, 100, 10, 10), MONITOR_DEFAULTTONEAREST), mi));
  EXPECT_EQ(mi.rcMonitor.Left, 1000);
  EXPECT_EQ(MonitorFromRect(Bounds(2500, 100, 10, 10), MONITOR_DEFAULTTONULL), nullptr);
  EXPECT_EQ(GetSystemMetrics(SM_CMONITORS), 2);
}

// ---- Keyboard state ---------------------------------------------------------------------

TEST_F(WindowModel, KeyStateFollowsInputAndTogglesOnEachPress) {
  Display.KeyDown(VK_CONTROL);
  EXPECT_LT(GetKeyState(VK_CONTROL), 0);
  Display.KeyUp(VK_CONTROL);
  EXPECT_GE(GetKeyState(VK_CONTROL), 0);
  EXPECT_EQ(GetKeyState(VK_CONTROL) & 1, 1);
  SetKeyDown(VK_LSHIFT, true);
  EXPECT_LT(GetKeyState(VK_SHIFT), 0);
  SetKeyDown(VK_LSHIFT, false);
  EXPECT_GE(GetKeyState(VK_SHIFT), 0);
}

}  // namespace
