// The program loses its display: the X server it shows its windows on ends
// while it runs. The program says so and ends by itself, and the files in its
// folders stay whole.

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tests/e2e/ProgramProcess.h"
#include "tests/platform/backend/XvfbServer.h"

// Last: its macros would rename what the headers above declare.
#include <X11/Xlib.h>

#include "tests/platform/backend/XWindowsMayVanish.h"

namespace fs = std::filesystem;

namespace {

// Whether the server shows a top-level window whose title begins with Title.
bool ShowsWindow(const std::string& DisplayName, const std::string& Title) {
  ::Display* d = XOpenDisplay(DisplayName.c_str());
  if (!d) return false;
  bool found = false;
  {
    // A window the program destroys meanwhile is not shown.
    const TXWindowsMayVanish mayVanish(d);
    Window root = 0, parent = 0, *children = nullptr;
    unsigned n = 0;
    if (XQueryTree(d, DefaultRootWindow(d), &root, &parent, &children, &n)) {
      for (unsigned i = 0; i < n && !found; ++i) {
        XWindowAttributes a;
        char* name = nullptr;
        if (XGetWindowAttributes(d, children[i], &a) && a.map_state == IsViewable &&
            XFetchName(d, children[i], &name) && name)
          found = std::strncmp(name, Title.c_str(), Title.size()) == 0;
        if (name) XFree(name);
      }
      if (children) XFree(children);
    }
  }
  XCloseDisplay(d);
  return found;
}

}  // namespace

TEST(DisplayLoss, AProgramWhoseXServerEndsSaysSoAndEndsItselfWithItsFilesWhole) {
  TXvfbServer server;
  if (!server.Start()) GTEST_SKIP() << "Xvfb cannot be started here";
  TProgram program("display-loss", ReadFile(fs::path(BORROW_SOURCE_DIR) / "resources" / "ListDB.txt"));
  ASSERT_TRUE(program.Start(server.Display()));
  ASSERT_TRUE(WaitFor([&] { return !program.Running() || ShowsWindow(server.Display(), "Borrowline"); }))
      << program.Stderr();
  ASSERT_TRUE(program.Running()) << program.Stderr();
  const auto before = FilesUnder(program.Folder() / "Settings");

  server.Stop();
  ASSERT_TRUE(WaitFor([&] { return !program.Running(); })) << "the program goes on without its display";

  const std::string err = program.Stderr();
  ASSERT_TRUE(WIFEXITED(program.ExitStatus())) << "ended by signal " << WTERMSIG(program.ExitStatus()) << "\n" << err;
  EXPECT_EQ(WEXITSTATUS(program.ExitStatus()), 1);
  EXPECT_NE(err.find("borrowline: the connection to the display " + server.Display() + " is lost; the program ends."),
            std::string::npos)
      << err;
  EXPECT_EQ(err.find("AddressSanitizer"), std::string::npos) << err;
  EXPECT_EQ(err.find("runtime error"), std::string::npos) << err;
  EXPECT_EQ(FilesUnder(program.Folder() / "Settings"), before);
}
