// The SDL2 display under a window manager that frames its windows: a dialog
// hidden and shown again, as a dialog is each time it is opened, comes back
// where it was and at its size, however often it opens.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>

#include "XRequests.h"
#include "XvfbServer.h"
#include "platform/backend/SdlDisplay.h"
#include "platform/ui/MessageQueue.h"
#include "platform/ui/Windows.h"

namespace {

// Dispatches what arrives until Done holds; false when it does not within a
// bound that only a broken run reaches.
template <class F>
bool PumpUntil(F Done) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (std::chrono::steady_clock::now() < end) {
    TMsg m;
    while (PeekMessage(m, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(m);
      DispatchMessage(m);
    }
    if (Done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

struct SdlDisplayFramed : ::testing::Test {
  void SetUp() override {
    if (!Server.Start()) GTEST_SKIP() << "Xvfb cannot be started here";
    setenv("DISPLAY", Server.Display().c_str(), 1);
    String error;
    Display = TSdlDisplay::Open(error);
    ASSERT_TRUE(Display) << ToUtf8(error);
    ASSERT_TRUE(Wm.Start(Server.Display()));
  }
  void TearDown() override {
    for (HWND h : {Dialog, Main})
      if (IsWindow(h)) DestroyWindow(h);
    ClearMessageQueue();
    Display.reset();
  }

  TXvfbServer Server;
  std::unique_ptr<TSdlDisplay> Display;
  TXFramingWindowManager Wm;
  HWND Main = nullptr, Dialog = nullptr;
};

}  // namespace

TEST_F(SdlDisplayFramed, ADialogOpenedAgainAndAgainComesBackWhereItWasAtItsSize) {
  Main = CreateWindowEx(0, u"UiCtlTest", u"Главное", WS_OVERLAPPEDWINDOW, 40, 40, 600, 450, nullptr);
  ShowWindow(Main, SW_SHOW);
  Dialog = CreateWindowEx(0, u"UiCtlTest", u"Настройка", WS_POPUP | WS_CAPTION | WS_SYSMENU, 200, 150, 300, 200, Main);
  TXPlace first;
  for (int open = 1; open <= 4; ++open) {
    ShowWindow(Dialog, SW_SHOW);
    TXPlace now;
    // Framed, and the window layer has heard where.
    ASSERT_TRUE(PumpUntil([&] {
      now = PlaceOf(Server.Display(), XWindowOf(Display->SdlWindowOf(Dialog)));
      TPoint client(0, 0);
      ClientToScreen(Dialog, client);
      return now.Framed && client == TPoint(now.X, now.Y);
    })) << "opening "
        << open << ": the dialog is not shown where the window layer has it";
    if (open == 1) first = now;
    EXPECT_EQ(now.X, first.X) << "opening " << open;
    EXPECT_EQ(now.Y, first.Y) << "opening " << open;
    EXPECT_EQ(now.Width, first.Width) << "opening " << open;
    EXPECT_EQ(now.Height, first.Height) << "opening " << open;

    const unsigned long shown = XWindowOf(Display->SdlWindowOf(Dialog));
    ShowWindow(Dialog, SW_HIDE);
    // The window manager has let it go before it opens again.
    ASSERT_TRUE(PumpUntil([&] { return !Display->SdlWindowOf(Dialog) || PlaceOf(Server.Display(), shown).LetGo; }))
        << "opening " << open << ": the window manager keeps the hidden dialog";
  }
}

// Maximised by the window manager when it was closed, a dialog opens again
// maximised: the window manager forgets the state of a window it lets go.
TEST_F(SdlDisplayFramed, ADialogMaximisedWhenClosedOpensAgainMaximised) {
  Main = CreateWindowEx(0, u"UiCtlTest", u"Главное", WS_OVERLAPPEDWINDOW, 40, 40, 600, 450, nullptr);
  ShowWindow(Main, SW_SHOW);
  Dialog = CreateWindowEx(0, u"UiCtlTest", u"Ресурсы", WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME, 200, 150,
                          300, 200, Main);
  auto shownAs = [&](bool Maximized) {
    return PumpUntil([&] {
      const TXPlace now = PlaceOf(Server.Display(), XWindowOf(Display->SdlWindowOf(Dialog)));
      TPoint client(0, 0);
      ClientToScreen(Dialog, client);
      return now.Framed && now.Maximized == Maximized && client == TPoint(now.X, now.Y);
    });
  };
  ShowWindow(Dialog, SW_SHOW);
  ASSERT_TRUE(shownAs(false));
  const unsigned long window = XWindowOf(Display->SdlWindowOf(Dialog));
  Wm.Maximize(window);
  ASSERT_TRUE(shownAs(true)) << "the window manager did not maximise the dialog";
  const TXPlace maximised = PlaceOf(Server.Display(), window);

  ShowWindow(Dialog, SW_HIDE);
  ASSERT_TRUE(PumpUntil([&] { return PlaceOf(Server.Display(), window).LetGo; }));
  ShowWindow(Dialog, SW_SHOW);
  EXPECT_TRUE(shownAs(true)) << "opened again, the dialog is not maximised";
  const TXPlace again = PlaceOf(Server.Display(), XWindowOf(Display->SdlWindowOf(Dialog)));
  EXPECT_EQ(again.X, maximised.X);
  EXPECT_EQ(again.Y, maximised.Y);
  EXPECT_EQ(again.Width, maximised.Width);
  EXPECT_EQ(again.Height, maximised.Height);
}
