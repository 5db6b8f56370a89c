// The program under a window manager that frames its windows, and that lets
// the wait window go after the program hides it, as the start-up load ends:
// it destroys the frame between two questions the program may still ask the
// server about that window. The program goes on, and the close that follows
// ends it with status 0 and nothing on stderr.

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "tests/client/ResourceListText.h"
#include "tests/e2e/ProgramProcess.h"
#include "tests/e2e/XRelay.h"
#include "tests/platform/backend/XvfbServer.h"

// Last: its macros would rename what the headers above declare.
#include "tests/e2e/FramingWindowManager.h"

namespace {

std::string ResourceList(int Resources) {
  std::string list = kResourceListHead;
  for (int id = 1; id <= Resources; ++id)
    list += ResourceListLine(id, "Catalogue " + std::to_string(id), "Default", "127.0.0.1", 210, "USMARC");
  return list;
}

}  // namespace

TEST(FramedWaitWindow, TheWaitWindowsFrameGoingAfterTheLoadLeavesNothingOnStderrAndTheCloseEndsWithStatus0) {
  TXvfbServer server;
  if (!server.Start()) GTEST_SKIP() << "Xvfb cannot be started here";
  TXRelay relay;
  ASSERT_TRUE(relay.Start(server.Display()));
  TFramingWindowManager wm;
  ASSERT_TRUE(wm.Start(server.Display(), &relay));
  TProgram program("framed-wait-window", ResourceList(2000));
  ASSERT_TRUE(program.Start(relay.Display()));

  Window main = 0, wait = 0;
  ASSERT_TRUE(WaitFor([&] {
    main = wm.Client("Borrowline");
    wait = main ? wm.ClientOtherThan(main) : 0;
    return !program.Running() || wait;
  })) << "no wait window came";
  ASSERT_TRUE(WaitFor([&] { return !program.Running() || wm.LetGo(wait); })) << "the wait window stays";
  ASSERT_TRUE(program.Running()) << program.Stderr();

  // Alt+F4 on the main window, as often as the user would press it until the
  // program has finished starting up and takes it.
  ASSERT_TRUE(WaitFor([&, last = std::chrono::steady_clock::time_point()]() mutable {
    if (!program.Running()) return true;
    if (std::chrono::steady_clock::now() - last > std::chrono::milliseconds(500)) {
      wm.Close(main);
      last = std::chrono::steady_clock::now();
    }
    return false;
  })) << "the program does not end";
  const std::string err = program.Stderr();
  ASSERT_TRUE(WIFEXITED(program.ExitStatus())) << "ended by signal " << WTERMSIG(program.ExitStatus()) << "\n" << err;
  EXPECT_EQ(WEXITSTATUS(program.ExitStatus()), 0) << err;
  EXPECT_EQ(err, "");
}
