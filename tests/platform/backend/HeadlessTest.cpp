// The headless display: its manual clock, scripted waiting, input sequences that
// nested loops consume, message boxes and snapshots.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/backend/Headless.h"
#include "platform/ui/Input.h"
#include "platform/ui/MessageQueue.h"
#include "platform/ui/Timers.h"
#include "platform/ui/Windows.h"

namespace {

HWND MakeWindow(TWindowProcedure proc, TRect r = Bounds(10, 10, 100, 80)) {
  TCreateParams p;
  p.Style = WS_POPUP | WS_VISIBLE;
  p.X = r.Left, p.Y = r.Top, p.Width = r.Width(), p.Height = r.Height();
  p.WindowClass.Background = clWhite;
  p.WindowClass.style = CS_DBLCLKS;
  return CreateWindowFromParams(p, std::move(proc));
}

TEST(HeadlessClock, AdvancingTheClockFiresTimersAtTheirDueTimes) {
  THeadlessDisplay display;
  std::vector<DWORD> at;
  HWND w = MakeWindow([&](HWND h, TMessage& m) {
    if (m.Msg == WM_TIMER) at.push_back(GetMessageTime());
    DefaultWindowProc(h, m);
  });
  DWORD t0 = GetTickCount();
  SetTimer(w, 1, 400);
  display.AdvanceClock(1000);
  EXPECT_EQ(at, (std::vector<DWORD>{t0 + 400, t0 + 800}));
  EXPECT_EQ(GetTickCount(), t0 + 1000);
}

TEST(HeadlessClock, AWaitingLoopLetsTimeRunToTheNextTimer) {
  THeadlessDisplay display;
  HWND w = MakeWindow([](HWND h, TMessage& m) { DefaultWindowProc(h, m); });
  display.ProcessMessages();
  DWORD t0 = GetTickCount();
  SetTimer(w, 9, 250);
  TMsg m;
  ASSERT_TRUE(GetMessage(m, nullptr, 0, 0));
  EXPECT_EQ(m.message, UINT(WM_TIMER));
  EXPECT_EQ(GetTickCount(), t0 + 250);
}

TEST(HeadlessClock, WaitingForInputThatCannotComeRaises) {
  THeadlessDisplay display;
  MakeWindow([](HWND h, TMessage& m) { DefaultWindowProc(h, m); });
  display.ProcessMessages();
  TMsg m;
  EXPECT_THROW(GetMessage(m, nullptr, 0, 0), EHeadlessStall);
}

TEST(HeadlessInput, ANestedLoopStartedByAPressTakesTheRestOfTheGesture) {
  THeadlessDisplay display;
  std::vector<UINT> insideLoop;
  bool looping = false;
  HWND w = nullptr;
  w = MakeWindow([&](HWND h, TMessage& m) {
    if (m.Msg == WM_LBUTTONDOWN && !looping) {
      // A tracking loop of its own, as a splitter or a scroll bar runs.
      looping = true;
      SetCapture(h);
      TMsg q;
      while (GetCapture() == h) {
        if (!GetMessage(q, nullptr, 0, 0)) break;
        insideLoop.push_back(q.message);
        if (q.message == WM_LBUTTONUP) ReleaseCapture();
      }
      looping = false;
      return;
    }
    DefaultWindowProc(h, m);
  });
  display.Drag(w, TPoint(5, 5), TPoint(50, 40), 2);
  EXPECT_EQ(insideLoop, (std::vector<UINT>{WM_MOUSEMOVE, WM_MOUSEMOVE, WM_LBUTTONUP}));
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST(HeadlessInput, IdleStepsRunOnlyWhenALoopWaits) {
  THeadlessDisplay display;
  int ran = 0;
  display.WhenIdle([&] {
    ++ran;
    PostQuitMessage(0);
  });
  display.ProcessMessages();
  EXPECT_EQ(ran, 0);
  TMsg m;
  while (GetMessage(m, nullptr, 0, 0)) DispatchMessage(m);
  EXPECT_EQ(ran, 1);
  EXPECT_EQ(display.PendingIdleSteps(), 0u);
}

TEST(HeadlessBoxes, TheHookIsRemovedWithTheDisplay) {
  {
    THeadlessDisplay display;
    display.AnswerMessageBoxes({IDCANCEL});
    EXPECT_EQ(MessageBox(nullptr, u"Текст", u"C", MB_OKCANCEL), IDCANCEL);
    EXPECT_EQ(display.MessageBoxes().size(), 1u);
  }
  testing::internal::CaptureStderr();
  EXPECT_EQ(MessageBox(nullptr, u"after", u"C", MB_OKCANCEL | MB_DEFBUTTON2), IDCANCEL);
  EXPECT_NE(testing::internal::GetCapturedStderr().find("after"), std::string::npos);
}

TEST(HeadlessSnapshots, AnyWindowCanBeWrittenAsPng) {
  THeadlessDisplay display;
  HWND w = MakeWindow([](HWND h, TMessage& m) { DefaultWindowProc(h, m); }, Bounds(0, 0, 30, 20));
  std::string path = std::string(BORROW_BINARY_DIR) + "/test-artifacts/headless-window.png";
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  ASSERT_TRUE(display.SnapshotPNG(w, path));
  EXPECT_GT(std::filesystem::file_size(path), 0u);
  EXPECT_EQ(display.PixelAt(w, 29, 19), clWhite);
  EXPECT_EQ(display.PixelAt(w, 30, 19), clNone);
  EXPECT_GT(display.PresentCount(), 0);
  EXPECT_FALSE(display.SnapshotPNG(nullptr, path));
}

TEST(HeadlessSession, WindowsTimersAndQueueDoNotOutliveTheDisplay) {
  HWND w = nullptr;
  {
    THeadlessDisplay display;
    w = MakeWindow([](HWND h, TMessage& m) { DefaultWindowProc(h, m); });
    SetTimer(w, 1, 100);
    PostMessage(w, WM_USER);
    SetKeyDown(VK_SHIFT, true);
  }
  EXPECT_FALSE(IsWindow(w));
  EXPECT_EQ(ActiveTimerCount(), 0);
  EXPECT_EQ(GetQueuedMessageCount(), 0);
  EXPECT_GE(GetKeyState(VK_SHIFT), 0);
}

}  // namespace
