#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

#include "client/InstanceGuard.h"
#include "platform/core/Files.h"
#include "tests/client/TempFolder.h"

namespace {

// A program name no other test process uses.
String UniqueName(const char* Tag) {
  return FromUtf8("clientcore-guard-" + std::to_string(::getpid()) + "-" + Tag);
}

// Runs Acquire for Name in a child process; its exit code is the result.
TInstanceGuardResult AcquireInChild(const String& Name) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    TInstanceGuard g;
    ::_exit(static_cast<int>(g.Acquire(Name)));
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  return static_cast<TInstanceGuardResult>(WEXITSTATUS(status));
}

class TmpDirOverride {
public:
  explicit TmpDirOverride(const std::string& Dir) {
    if (const char* old = std::getenv("TMPDIR")) FOld = old, FHad = true;
    ::setenv("TMPDIR", Dir.c_str(), 1);
  }
  ~TmpDirOverride() {
    if (FHad) ::setenv("TMPDIR", FOld.c_str(), 1);
    else ::unsetenv("TMPDIR");
  }

private:
  std::string FOld;
  bool FHad = false;
};

}  // namespace

TEST(InstanceGuard, SecondGuardFailsUntilTheFirstIsReleased) {
  const String name = UniqueName("same");
  TInstanceGuard first, second;
  ASSERT_EQ(first.Acquire(name), TInstanceGuardResult::igAcquired);
  EXPECT_EQ(second.Acquire(name), TInstanceGuardResult::igAlreadyRunning);
  EXPECT_FALSE(second.GetHeld());
  first.Release();
  EXPECT_EQ(second.Acquire(name), TInstanceGuardResult::igAcquired);
  EXPECT_EQ(first.Acquire(UniqueName("other")), TInstanceGuardResult::igAcquired);
}

TEST(InstanceGuard, ChildProcessIsRefusedWhileTheParentHoldsTheGuard) {
  const String name = UniqueName("child");
  {
    TInstanceGuard parent;
    ASSERT_EQ(parent.Acquire(name), TInstanceGuardResult::igAcquired);
    EXPECT_EQ(AcquireInChild(name), TInstanceGuardResult::igAlreadyRunning);
  }
  EXPECT_EQ(AcquireInChild(name), TInstanceGuardResult::igAcquired);
}

TEST(InstanceGuard, GuardOfADeadProcessIsFree) {
  const String name = UniqueName("dead");
  const pid_t pid = ::fork();
  if (pid == 0) {
    static TInstanceGuard g;  // never released: the process just ends
    g.Acquire(name);
    ::_exit(0);
  }
  ::waitpid(pid, nullptr, 0);
  TInstanceGuard g;
  EXPECT_EQ(g.Acquire(name), TInstanceGuardResult::igAcquired);
}

TEST(InstanceGuard, CheckSingleInstanceNamesTheProgramFileInItsMessage) {
  const String name = UniqueName("check");
  std::vector<String> shown;
  auto show = [&](const String& s) { shown.push_back(s); };
  EXPECT_TRUE(CheckSingleInstance(true, u"  /opt/one/" + name + u"  ", show));
  // Same file name in another folder: the same program as far as the guard goes.
  EXPECT_FALSE(CheckSingleInstance(true, u"/srv/two/" + name, show));
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0], u"Одна копия приложения : \"" + name + u"\" - уже работает");
  EXPECT_FALSE(CheckSingleInstance(false, name, show));
  EXPECT_EQ(shown.size(), 1u);
  EXPECT_EQ(AcquireInChild(name), TInstanceGuardResult::igAlreadyRunning);
}

TEST(InstanceGuard, GuardThatCannotBeCreatedSaysSo) {
  TTempFolder t;
  const TmpDirOverride tmp(t.Utf8() + "missing");
  std::vector<String> shown;
  EXPECT_FALSE(CheckSingleInstance(true, UniqueName("nofolder"),
                                   [&](const String& s) { shown.push_back(s); }));
  EXPECT_EQ(shown, std::vector<String>{u"Ошибка выделения памяти"});
}

TEST(InstanceGuard, ProgramPathIsThisExecutable) {
  EXPECT_EQ(ExtractFileName(ProgramFilePath()), u"client_tests");
}
