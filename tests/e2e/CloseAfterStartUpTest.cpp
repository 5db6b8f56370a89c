// The program closed on a real display after closes it dropped while start-up
// loaded the resource list: the main window's close box and the wait window's
// own. The close that follows start-up ends the program with status 0 and
// nothing on stderr, its settings saved, however late the X server reads what
// the program sent it before its windows went. The program reaches the server
// through a relay that holds back all but its first connection once start-up
// has ended, while the program idles between window events and closes, so the
// server reads those only after the windows have gone, as it may on a busy
// machine.

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <optional>
#include <string>
#include <thread>

#include "tests/client/ResourceListText.h"
#include "tests/e2e/ProgramProcess.h"
#include "tests/e2e/XRelay.h"
#include "tests/platform/backend/XvfbServer.h"

// Last: its macros would rename what the headers above declare.
#include <X11/Xlib.h>

#include "tests/e2e/DeleteWindow.h"
#include "tests/platform/backend/XWindowsMayVanish.h"

namespace fs = std::filesystem;

namespace {

// Enough for the load to last a good while in a sanitized build.
constexpr int kResources = 40000;

std::string LargeResourceList() {
  std::string list = kResourceListHead;
  for (int id = 1; id <= kResources; ++id)
    list += ResourceListLine(id, "Catalogue " + std::to_string(id), "Default", "127.0.0.1", 210, "USMARC");
  return list;
}

// The test's own connection to the server. Without a window manager the
// program's windows are children of the root. A window the program destroys
// while it is asked about reads as gone.
class TScreen {
public:
  explicit TScreen(const std::string& DisplayName) : FDpy(XOpenDisplay(DisplayName.c_str())), FMayVanish(FDpy) {}
  ~TScreen() {
    FMayVanish.reset();
    if (FDpy) XCloseDisplay(FDpy);
  }
  TScreen(const TScreen&) = delete;
  TScreen& operator=(const TScreen&) = delete;
  bool IsOpen() const { return FDpy != nullptr; }

  // A shown top-level window other than Except whose title begins with Title
  // (any title when empty); 0 when there is none.
  Window Shown(const std::string& Title, Window Except = 0) {
    Window found = 0;
    ForEachTopLevel([&](Window w) {
      XWindowAttributes a;
      char* name = nullptr;
      if (!found && w != Except && XGetWindowAttributes(FDpy, w, &a) && a.map_state == IsViewable &&
          XFetchName(FDpy, w, &name) && name && std::strncmp(name, Title.c_str(), Title.size()) == 0)
        found = w;
      if (name) XFree(name);
    });
    return found;
  }
  bool IsShown(Window W) {
    XWindowAttributes a;
    return Exists(W) && XGetWindowAttributes(FDpy, W, &a) && a.map_state == IsViewable;
  }
  bool Exists(Window W) {
    bool found = false;
    ForEachTopLevel([&](Window w) { found = found || w == W; });
    return found;
  }
  // A corner of the window to be drawn again, as when a window over it moves away.
  void Uncover(Window W) {
    XClearArea(FDpy, W, 0, 0, 8, 8, True);
    XSync(FDpy, False);
  }
  // What the window manager sends for the close box and Alt+F4.
  void Close(Window W) {
    SendDeleteWindow(FDpy, W);
    XSync(FDpy, False);
  }

private:
  template <class F>
  void ForEachTopLevel(F Each) {
    Window root = 0, parent = 0, *children = nullptr;
    unsigned n = 0;
    if (!XQueryTree(FDpy, DefaultRootWindow(FDpy), &root, &parent, &children, &n)) return;
    for (unsigned i = 0; i < n; ++i) Each(children[i]);
    if (children) XFree(children);
  }

  ::Display* FDpy;
  std::optional<TXWindowsMayVanish> FMayVanish;
};

}  // namespace

TEST(CloseAfterStartUp, ClosesDroppedDuringTheLoadAreFollowedByACloseThatEndsWithStatus0AndNothingOnStderr) {
  TXvfbServer server;
  if (!server.Start()) GTEST_SKIP() << "Xvfb cannot be started here";
  TXRelay relay;
  ASSERT_TRUE(relay.Start(server.Display()));
  TScreen screen(server.Display());
  ASSERT_TRUE(screen.IsOpen());
  TProgram program("close-after-start-up", LargeResourceList());
  ASSERT_TRUE(program.Start(relay.Display()));

  Window main = 0, wait = 0;
  ASSERT_TRUE(WaitFor([&] {
    main = screen.Shown("Borrowline");
    wait = main ? screen.Shown("", main) : 0;
    return !program.Running() || wait;
  })) << "no wait window came";
  ASSERT_TRUE(program.Running()) << program.Stderr();
  screen.Close(main);
  screen.Close(wait);
  ASSERT_TRUE(WaitFor([&] { return !program.Running() || !screen.IsShown(wait); }));
  ASSERT_TRUE(program.Running()) << "a close made during the load ended the program\n" << program.Stderr();

  relay.Hold();
  // The program idles between the events of a second of moving windows.
  for (int i = 0; i < 10; ++i) {
    screen.Uncover(main);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  // The close box, as often as the user would click it until the program has
  // finished starting up and takes it.
  ASSERT_TRUE(WaitFor([&, last = std::chrono::steady_clock::time_point()]() mutable {
    if (!screen.Exists(main) && !screen.Exists(wait)) return true;
    if (screen.Exists(main) && std::chrono::steady_clock::now() - last > std::chrono::milliseconds(500)) {
      screen.Close(main);
      last = std::chrono::steady_clock::now();
    }
    return false;
  })) << "the windows stay";
  relay.Release();
  ASSERT_TRUE(WaitFor([&] { return !program.Running(); })) << "the program does not end";

  const std::string err = program.Stderr();
  ASSERT_TRUE(WIFEXITED(program.ExitStatus())) << "ended by signal " << WTERMSIG(program.ExitStatus()) << "\n" << err;
  EXPECT_EQ(WEXITSTATUS(program.ExitStatus()), 0) << err;
  EXPECT_EQ(err, "");
  EXPECT_TRUE(fs::exists(program.Folder() / "Settings" / "Borrowline.ini")) << "the settings were not saved";
}
