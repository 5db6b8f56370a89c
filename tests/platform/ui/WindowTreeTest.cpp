// The window tree and the non-client frame: z-order, relations, re-parenting,
// visibility through parents, hit tests, borders, cursors and thread timers.

#include <gtest/gtest.h>

#include "platform/ui/ScrollBars.h"
#include "tests/platform/ui/WindowTestSupport.h"

namespace {

class WindowTree : public ::testing::Test {
protected:
  TMessageLog Log;
  THeadlessDisplay Display;
  HWND Top = nullptr;
  void SetUp() override { MakeTopLevel(Log, &Top, Bounds(50, 60, 300, 200), WS_POPUP | WS_VISIBLE); }
};

TEST_F(WindowTree, NewChildrenGoOnTopAndBringToFrontReorders) {
  HWND a = nullptr, b = nullptr, c = nullptr;
  MakeChild(Log, &a, Top, Bounds(0, 0, 100, 100));
  MakeChild(Log, &b, Top, Bounds(0, 0, 100, 100));
  MakeChild(Log, &c, Top, Bounds(0, 0, 100, 100));
  EXPECT_EQ(GetChildWindows(Top), (std::vector<HWND>{c, b, a}));
  EXPECT_EQ(GetWindow(c, GW_HWNDNEXT), b);
  EXPECT_EQ(GetWindow(a, GW_HWNDPREV), b);
  EXPECT_EQ(GetWindow(Top, GW_CHILD), c);
  TPoint p(10, 10);
  ClientToScreen(Top, p);
  EXPECT_EQ(WindowFromPoint(p), c);
  BringWindowToTop(a);
  EXPECT_EQ(WindowFromPoint(p), a);
  SetWindowPos(a, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  EXPECT_EQ(WindowFromPoint(p), c);
  // Hidden and disabled windows: hidden ones are skipped, disabled ones swallow the point.
  ShowWindow(c, SW_HIDE);
  EXPECT_EQ(WindowFromPoint(p), b);
  EnableWindow(b, false);
  EXPECT_EQ(WindowFromPoint(p), b);
}

TEST_F(WindowTree, VisibilityNeedsEveryAncestor) {
  HWND mid = nullptr, leaf = nullptr;
  MakeChild(Log, &mid, Top, Bounds(10, 10, 100, 100));
  MakeChild(Log, &leaf, mid, Bounds(10, 10, 20, 20));
  EXPECT_TRUE(IsWindowVisible(leaf));
  ShowWindow(mid, SW_HIDE);
  EXPECT_FALSE(IsWindowVisible(leaf));
  EXPECT_TRUE(GetWindowStyle(leaf) & WS_VISIBLE);
  ShowWindow(mid, SW_SHOW);
  EXPECT_TRUE(IsWindowVisible(leaf));
  EXPECT_TRUE(IsChild(Top, leaf));
  int count = 0;
  EnumChildWindows(Top, [&](HWND) {
    ++count;
    return true;
  });
  EXPECT_EQ(count, 2);
}

TEST_F(WindowTree, ReparentingMovesAWindowBetweenTrees) {
  HWND other = nullptr, child = nullptr;
  MakeTopLevel(Log, &other, Bounds(400, 400, 100, 100), WS_POPUP | WS_VISIBLE);
  MakeChild(Log, &child, Top, Bounds(5, 5, 20, 20));
  EXPECT_EQ(SetParent(child, other), Top);
  EXPECT_TRUE(IsChild(other, child));
  EXPECT_FALSE(IsChild(Top, child));
  EXPECT_EQ(GetWindowRect(child), Bounds(405, 405, 20, 20));
  // A window cannot be put inside its own child.
  HWND grand = nullptr;
  MakeChild(Log, &grand, child, Bounds(0, 0, 5, 5));
  EXPECT_EQ(SetParent(child, grand), nullptr);
  EXPECT_EQ(GetParent(child), other);
  // Destroying the old parent leaves the moved window alone.
  DestroyWindow(Top);
  EXPECT_TRUE(IsWindow(child));
}

TEST_F(WindowTree, HitTestsNameTheFrameTheBarsAndTheClient) {
  HWND w = nullptr;
  MakeChild(Log, &w, Top, Bounds(10, 10, 100, 80), WS_VISIBLE | WS_BORDER | WS_VSCROLL);
  TRect wr = GetWindowRect(w);
  auto hit = [&](Integer x, Integer y) { return SendMessage(w, WM_NCHITTEST, 0, MakeLParam(wr.Left + x, wr.Top + y)); };
  EXPECT_EQ(hit(0, 0), HTBORDER);
  EXPECT_EQ(hit(5, 5), HTCLIENT);
  EXPECT_EQ(hit(100 - 1 - 5, 40), HTVSCROLL);
  EXPECT_EQ(hit(200, 40), HTNOWHERE);
}

TEST_F(WindowTree, ABorderIsPaintedInTheFrameColour) {
  HWND w = nullptr;
  MakeChild(Log, &w, Top, Bounds(10, 10, 40, 30), WS_VISIBLE | WS_BORDER);
  // Client (0,0) sits one pixel inside; the pixel left of it is the frame.
  EXPECT_EQ(Display.PixelAt(w, -1, 5), ColorToRGB(clWindowFrame));
  EXPECT_EQ(Display.PixelAt(w, 0, 5), ColorToRGB(clWindow));
  EXPECT_EQ(Display.PixelAt(w, 37, 27), ColorToRGB(clWindow));
  EXPECT_EQ(Display.PixelAt(w, 38, 27), ColorToRGB(clWindowFrame));
}

TEST_F(WindowTree, TheClassCursorIsShownOverTheClientArea) {
  TCreateParams p;
  p.Style = WS_CHILD | WS_VISIBLE | WS_BORDER;
  p.X = 10, p.Y = 10, p.Width = 50, p.Height = 50;
  p.WndParent = Top;
  p.WindowClass.Cursor = IDC_IBEAM;
  HWND w = CreateWindowFromParams(p, [](HWND h, TMessage& m) { DefaultWindowProc(h, m); });
  Display.MouseMove(w, 10, 10);
  EXPECT_EQ(GetCursor(), IDC_IBEAM);
  Display.MouseMove(w, -1, 10);  // on the border
  EXPECT_EQ(GetCursor(), IDC_ARROW);
}

TEST_F(WindowTree, ThreadTimersCallTheirProcedure) {
  static int calls = 0;
  calls = 0;
  std::uintptr_t id = SetTimer(nullptr, 0, 50, [](HWND, UINT msg, std::uintptr_t, DWORD) {
    if (msg == WM_TIMER) ++calls;
  });
  ASSERT_NE(id, 0u);
  Display.AdvanceClock(120);
  EXPECT_EQ(calls, 2);
  EXPECT_TRUE(KillTimer(nullptr, id));
  EXPECT_FALSE(KillTimer(nullptr, id));
  Display.AdvanceClock(120);
  EXPECT_EQ(calls, 2);
}

TEST_F(WindowTree, MessagesRememberWhenAndWhereTheyWereQueued) {
  HWND w = nullptr;
  DWORD downTime = 0;
  TPoint downPos;
  MakeChild(Log, &w, Top, Bounds(0, 0, 50, 50), WS_VISIBLE, 0, [&](TMessage& m) {
    if (m.Msg == WM_LBUTTONDOWN) downTime = GetMessageTime(), downPos = GetMessagePos();
    return false;
  });
  Display.AdvanceClock(1234);
  DWORD now = GetTickCount();
  Display.Click(w, 7, 9);
  EXPECT_EQ(downTime, now);
  EXPECT_EQ(downPos, TPoint(50 + 7, 60 + 9));
}

TEST_F(WindowTree, AWheelGoesToTheFocusAndClimbsUntilHandled) {
  HWND outer = nullptr, inner = nullptr;
  Integer delta = 0;
  MakeChild(Log, &outer, Top, Bounds(0, 0, 100, 100), WS_VISIBLE, 0, [&](TMessage& m) {
    if (m.Msg == WM_MOUSEWHEEL) delta = Integer(std::int16_t(HiWord(m.WParam)));
    return false;
  });
  MakeChild(Log, &inner, outer, Bounds(0, 0, 50, 50));
  SetFocus(inner);
  Display.Wheel(inner, 5, 5, -WHEEL_DELTA);
  EXPECT_EQ(delta, -WHEEL_DELTA);
}

TEST_F(WindowTree, ScrollingPartOfTheClientLeavesTheRestAndMovesPendingUpdates) {
  HWND w = nullptr;
  MakeChild(Log, &w, Top, Bounds(0, 0, 100, 100));
  Display.ProcessMessages();
  TRect pending(10, 60, 20, 70);
  InvalidateRect(w, &pending, false);
  TRect band(0, 50, 100, 100), upd;
  ScrollWindowEx(w, 0, -10, &band, &band, nullptr, &upd, SW_INVALIDATE);
  EXPECT_EQ(upd, TRect(0, 90, 100, 100));
  TRect now;
  ASSERT_TRUE(GetUpdateRect(w, &now, false));
  // The pending rectangle moved up with its pixels and joined the uncovered strip.
  EXPECT_EQ(now, TRect(0, 50, 100, 100));
}

TEST_F(WindowTree, HidingTheActiveWindowActivatesItsOwner) {
  HWND owned = nullptr;
  MakeTopLevel(Log, &owned, Bounds(0, 0, 50, 50), WS_POPUP, 0, Top);
  ShowWindow(owned, SW_SHOW);
  EXPECT_EQ(GetActiveWindow(), owned);
  ShowWindow(owned, SW_HIDE);
  EXPECT_EQ(GetActiveWindow(), Top);
}

TEST_F(WindowTree, LayeredAttributesNeedTheLayeredStyle) {
  HWND w = nullptr;
  MakeTopLevel(Log, &w, Bounds(0, 0, 50, 50), WS_POPUP | WS_VISIBLE, WS_EX_TOOLWINDOW);
  EXPECT_FALSE(SetLayeredWindowAttributes(w, 0, 200, LWA_ALPHA));
  SetWindowLong(w, GWL_EXSTYLE, Integer(GetWindowExStyle(w) | WS_EX_LAYERED));
  EXPECT_TRUE(SetLayeredWindowAttributes(w, 0xFFFFFF, 200, LWA_ALPHA | LWA_COLORKEY));
  Byte alpha = 0;
  COLORREF key = 0;
  DWORD flags = 0;
  ASSERT_TRUE(GetLayeredWindowAttributes(w, &key, &alpha, &flags));
  EXPECT_EQ(alpha, 200);
  EXPECT_EQ(key, 0xFFFFFFu);
  EXPECT_EQ(flags, LWA_ALPHA | LWA_COLORKEY);
}

}  // namespace
