// The SDL2 display under a window manager that frames its windows: a dialog
// hidden and shown again, as a dialog is each time it is opened, comes back
// where it was and at its size, however often it opens, and maximised when it
// was closed maximised, however late the window manager lets it go; then
// un-maximised, it gets its own size and place back, and keeps it through
// the next closing; closed, it keeps its place. A dialog takes the keyboard once it can, however late the window
// manager shows its frame, and a window manager that never lets a hidden
// window go holds back one showing at most.

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

// Waits, reading nothing the display sends, until Done holds; false when it
// does not within a bound that only a broken run reaches.
template <class F>
bool WaitWithoutPumping(F Done) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!Done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

struct SdlDisplayFramed : ::testing::Test {
  void SetUp() override {
    if (!Server.Start()) GTEST_SKIP() << "Xvfb cannot be started here";
    setenv("DISPLAY", Server.Display().c_str(), 1);
    // First, as a desktop's: SDL learns at its start that a window manager
    // is there, and leaves the keyboard focus to the program.
    ASSERT_TRUE(Wm.Start(Server.Display()));
    String error;
    Display = TSdlDisplay::Open(error);
    ASSERT_TRUE(Display) << ToUtf8(error);
  }
  void TearDown() override {
    for (HWND h : {Dialog, Main})
      if (IsWindow(h)) DestroyWindow(h);
    ClearMessageQueue();
    Display.reset();
  }

  // A main window and a dialog over it, shown and framed.
  void ShowDialog(DWORD Style) {
    Main = CreateWindowEx(0, u"UiCtlTest", u"Главное", WS_OVERLAPPEDWINDOW, 40, 40, 600, 450, nullptr);
    ShowWindow(Main, SW_SHOW);
    Dialog = CreateWindowEx(0, u"UiCtlTest", u"Ресурсы", Style, 200, 150, 300, 200, Main);
    ShowWindow(Dialog, SW_SHOW);
    ASSERT_TRUE(ShownAs(false));
    Window = XWindowOf(Display->SdlWindowOf(Dialog));
  }
  // The dialog, shown, maximised by the window manager as its button would.
  void MaximiseADialog() {
    ASSERT_NO_FATAL_FAILURE(ShowDialog(WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME));
    Wm.Maximize(Window);
    ASSERT_TRUE(ShownAs(true)) << "the window manager did not maximise the dialog";
  }
  // The window manager maximises the dialog, which is closed, let go, and
  // opened again maximised.
  void MaximiseCloseAndOpenAgain() {
    Wm.Maximize(Window);
    ASSERT_TRUE(ShownAs(true)) << "the window manager did not maximise the dialog";
    ShowWindow(Dialog, SW_HIDE);
    ASSERT_TRUE(PumpUntil([&] { return PlaceOf(Server.Display(), Window).LetGo; }));
    ShowWindow(Dialog, SW_SHOW);
    ASSERT_TRUE(ShownAs(true)) << "opened again, the dialog is not maximised";
  }
  // Whether the dialog comes to be framed, filling the screen or not as
  // Maximized says, and the window layer has heard where and at what size.
  bool ShownAs(bool Maximized) {
    return PumpUntil([&] {
      const TXPlace now = PlaceOf(Server.Display(), XWindowOf(Display->SdlWindowOf(Dialog)));
      return now.Framed && now.Maximized == Maximized && now.FillsScreen == Maximized && LayerHas(now);
    });
  }
  // Whether the window layer has the dialog where the X server shows it, at its size.
  bool LayerHas(const TXPlace& Now) const {
    TPoint client(0, 0);
    ClientToScreen(Dialog, client);
    const TRect area = GetClientRect(Dialog);
    return client == TPoint(Now.X, Now.Y) && area.Width() == Now.Width && area.Height() == Now.Height;
  }
  // Whether the dialog comes to have the keyboard focus, and to be the active window.
  bool HasTheKeyboard() {
    return PumpUntil([&] { return InputFocusOf(Server.Display()) == Window && GetActiveWindow() == Dialog; });
  }
  static void ExpectSamePlace(const TXPlace& Now, const TXPlace& Before) {
    EXPECT_EQ(Now.X, Before.X);
    EXPECT_EQ(Now.Y, Before.Y);
    EXPECT_EQ(Now.Width, Before.Width);
    EXPECT_EQ(Now.Height, Before.Height);
  }

  TXvfbServer Server;
  std::unique_ptr<TSdlDisplay> Display;
  TXFramingWindowManager Wm;
  HWND Main = nullptr, Dialog = nullptr;
  unsigned long Window = 0;  // the dialog's X window
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
  ASSERT_NO_FATAL_FAILURE(MaximiseADialog());
  const TXPlace maximised = PlaceOf(Server.Display(), Window);

  ShowWindow(Dialog, SW_HIDE);
  ASSERT_TRUE(PumpUntil([&] { return PlaceOf(Server.Display(), Window).LetGo; }));
  ShowWindow(Dialog, SW_SHOW);
  EXPECT_TRUE(ShownAs(true)) << "opened again, the dialog is not maximised";
  ExpectSamePlace(PlaceOf(Server.Display(), Window), maximised);
}

// As above when one handler closes the dialog and opens it again at once,
// nothing the display sent read in between, and the window manager lets the
// dialog go only after that: the program waits for it, going on meanwhile.
TEST_F(SdlDisplayFramed, ADialogClosedMaximisedAndOpenedAgainAtOnceOpensMaximised) {
  ASSERT_NO_FATAL_FAILURE(MaximiseADialog());
  const TXPlace maximised = PlaceOf(Server.Display(), Window);

  Wm.HoldLettingGo();
  ShowWindow(Dialog, SW_HIDE);
  ShowWindow(Dialog, SW_SHOW);
  Wm.LetGoHeld();
  EXPECT_TRUE(ShownAs(true)) << "opened again, the dialog is not maximised";
  ExpectSamePlace(PlaceOf(Server.Display(), Window), maximised);
}

// As above when the dialog is closed and opened again at once just after the
// window manager maximised it, before anything the display sent of that is read.
TEST_F(SdlDisplayFramed, ADialogClosedAndOpenedAgainAtOnceJustAfterItWasMaximisedOpensMaximised) {
  ASSERT_NO_FATAL_FAILURE(ShowDialog(WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME));
  Wm.Maximize(Window);
  ASSERT_TRUE(WaitWithoutPumping([&] {
    const TXPlace now = PlaceOf(Server.Display(), Window);
    return now.Maximized && now.FillsScreen;
  }));
  const TXPlace maximised = PlaceOf(Server.Display(), Window);

  Wm.HoldLettingGo();
  ShowWindow(Dialog, SW_HIDE);
  ShowWindow(Dialog, SW_SHOW);
  Wm.LetGoHeld();
  EXPECT_TRUE(ShownAs(true)) << "opened again, the dialog is not maximised";
  ExpectSamePlace(PlaceOf(Server.Display(), Window), maximised);
}

// Maximised, closed, opened again maximised and un-maximised, a dialog gets
// back its own size and place, under a window manager that gives a window it
// lets go the size it had before it was maximised, and under one that leaves
// it at its maximised size and so un-maximises it to that size, and that
// moves a window it maximises before it says so.
TEST_F(SdlDisplayFramed, ADialogOpenedAgainMaximisedGetsItsOwnSizeAndPlaceBackWhenUnMaximised) {
  ASSERT_NO_FATAL_FAILURE(ShowDialog(WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME));
  const TXPlace normal = PlaceOf(Server.Display(), Window);
  for (const bool givesSizeBack : {true, false}) {
    SCOPED_TRACE(givesSizeBack ? "a window manager that gives the size back"
                               : "a window manager that does not give the size back");
    Wm.GiveSizeBack(givesSizeBack);
    // The display has taken the dialog's place and size as its own.
    ASSERT_TRUE(PumpUntil([&] { return Display->OwnRectOf(Dialog) == GetWindowRect(Dialog); }));
    ASSERT_NO_FATAL_FAILURE(MaximiseCloseAndOpenAgain());

    Wm.Restore(Window);
    TXPlace now;
    EXPECT_TRUE(PumpUntil([&] {
      now = PlaceOf(Server.Display(), Window);
      return now.Framed && !now.Maximized && LayerHas(now) && now.X == normal.X && now.Y == normal.Y &&
             now.Width == normal.Width && now.Height == normal.Height;
    })) << "un-maximised, the dialog is "
        << now.Width << "x" << now.Height << " at " << now.X << "," << now.Y << (now.Maximized ? ", maximised" : "")
        << "; it was " << normal.Width << "x" << normal.Height << " at " << normal.X << "," << normal.Y;
  }
}

// Given back its own place by its own corner after it opened again maximised,
// a dialog closed and opened once more comes back at that place, under a
// window manager that lets such a window go at its own corner instead of its
// frame's.
TEST_F(SdlDisplayFramed, ADialogGivenItsOwnPlaceBackOpensThereOnceMore) {
  ASSERT_NO_FATAL_FAILURE(ShowDialog(WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME));
  const TXPlace normal = PlaceOf(Server.Display(), Window);
  Wm.GiveSizeBack(false);
  Wm.KeepRequestGravity(true);
  ASSERT_TRUE(PumpUntil([&] { return Display->OwnRectOf(Dialog) == GetWindowRect(Dialog); }));
  ASSERT_NO_FATAL_FAILURE(MaximiseCloseAndOpenAgain());
  Wm.Restore(Window);
  ASSERT_TRUE(PumpUntil([&] {
    const TXPlace now = PlaceOf(Server.Display(), Window);
    return now.Framed && !now.Maximized && LayerHas(now) && now.X == normal.X && now.Y == normal.Y;
  })) << "un-maximised, the dialog is not back at its own place";

  ShowWindow(Dialog, SW_HIDE);
  ASSERT_TRUE(PumpUntil([&] { return PlaceOf(Server.Display(), Window).LetGo; }));
  ShowWindow(Dialog, SW_SHOW);
  ASSERT_TRUE(ShownAs(false)) << "opened once more, the dialog is not shown";
  const TXPlace now = PlaceOf(Server.Display(), Window);
  EXPECT_EQ(now.X, normal.X) << "opened once more at " << now.X << "," << now.Y;
  EXPECT_EQ(now.Y, normal.Y) << "opened once more at " << now.X << "," << now.Y;
  EXPECT_EQ(now.Width, normal.Width);
  EXPECT_EQ(now.Height, normal.Height);
}

// Under a window manager that maps a window in its frame before it shows the
// frame, an opening dialog takes the keyboard once it can: asked for sooner,
// X refuses it with an error.
TEST_F(SdlDisplayFramed, ADialogWhoseFrameIsShownLateTakesTheKeyboardWithoutAnXError) {
  Main = CreateWindowEx(0, u"UiCtlTest", u"Главное", WS_OVERLAPPEDWINDOW, 40, 40, 600, 450, nullptr);
  ShowWindow(Main, SW_SHOW);
  ASSERT_TRUE(PumpUntil([&] { return PlaceOf(Server.Display(), XWindowOf(Display->SdlWindowOf(Main))).Framed; }));
  Wm.HoldFrames();

  ::testing::internal::CaptureStderr();
  Dialog = CreateWindowEx(0, u"UiCtlTest", u"Ресурсы", WS_POPUP | WS_CAPTION | WS_SYSMENU, 200, 150, 300, 200, Main);
  ShowWindow(Dialog, SW_SHOW);
  Window = XWindowOf(Display->SdlWindowOf(Dialog));
  const bool mapped = PumpUntil([&] { return PlaceOf(Server.Display(), Window).InHiddenFrame; });
  // Whatever the program asked of the server so far has been answered.
  Display->Sync();
  PumpUntil([] { return true; });
  Wm.ShowHeldFrames();
  const bool shown = ShownAs(false);
  const bool focused = shown && HasTheKeyboard();
  Display->Sync();
  PumpUntil([] { return true; });
  const std::string said = ::testing::internal::GetCapturedStderr();

  ASSERT_TRUE(mapped) << "the window manager did not map the dialog";
  ASSERT_TRUE(shown) << "the dialog is not shown";
  EXPECT_TRUE(focused) << "the dialog does not have the keyboard";
  EXPECT_EQ(said.find("X error"), std::string::npos) << said;
}

// Under a window manager that never says it lets a hidden window go, a dialog
// closed and opened again at once, over and over, is shown each time and
// takes the keyboard; the program waits out its bound for the window manager
// once at most, so three openings together take well under two such waits.
TEST_F(SdlDisplayFramed, AWindowManagerThatNeverLetsWindowsGoHoldsBackOneShowingAtMost) {
  ASSERT_NO_FATAL_FAILURE(ShowDialog(WS_POPUP | WS_CAPTION | WS_SYSMENU));
  Wm.NeverLetGo();
  const auto start = std::chrono::steady_clock::now();
  for (int open = 2; open <= 4; ++open) {
    ShowWindow(Dialog, SW_HIDE);
    ShowWindow(Dialog, SW_SHOW);
    ASSERT_TRUE(ShownAs(false)) << "opening " << open << ": the dialog is not shown";
    EXPECT_TRUE(HasTheKeyboard()) << "opening " << open << ": the dialog does not have the keyboard";
  }
  const auto took =
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
  EXPECT_LT(took, 2 * long(TSdlDisplay::WithdrawalBoundMs)) << "three openings took " << took << " ms";
}

// Closed, a dialog keeps the place it had on the screen, however the window
// manager moves the window it lets go.
TEST_F(SdlDisplayFramed, AClosedDialogKeepsItsPlace) {
  ASSERT_NO_FATAL_FAILURE(ShowDialog(WS_POPUP | WS_CAPTION | WS_SYSMENU));
  const TRect open = GetWindowRect(Dialog);

  ShowWindow(Dialog, SW_HIDE);
  ASSERT_TRUE(PumpUntil([&] { return PlaceOf(Server.Display(), Window).LetGo; }));
  // Everything the display sent about the letting go has been read.
  Display->Sync();
  ASSERT_TRUE(PumpUntil([] { return true; }));
  EXPECT_EQ(GetWindowRect(Dialog), open);
}
