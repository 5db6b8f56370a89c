#include <gtest/gtest.h>

#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

#include "client/InstanceGuard.h"
#include "platform/core/Files.h"
#include "platform/core/Strings.h"
#include "tests/client/TempFolder.h"

namespace {

// A program name no other test process uses.
String UniqueName(const char* Tag) { return FromUtf8("clientcore-guard-" + std::to_string(::getpid()) + "-" + Tag); }

// Runs Acquire for Name (in Folder) in a child process; its exit code is the result.
TInstanceGuardResult AcquireInChild(const String& Name, const String& Folder = String()) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    TInstanceGuard g;
    const TInstanceGuardResult r = g.Acquire(Name, Folder);
    g.Release();  // _exit runs no destructor
    ::_exit(static_cast<int>(r));
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  return static_cast<TInstanceGuardResult>(WEXITSTATUS(status));
}

// Sets an environment variable (unsets it for an empty value) for a scope.
class EnvOverride {
public:
  EnvOverride(const char* Name, const std::string& Value) : FName(Name) {
    if (const char* old = std::getenv(Name)) FOld = old, FHad = true;
    if (Value.empty()) ::unsetenv(Name);
    else ::setenv(Name, Value.c_str(), 1);
  }
  ~EnvOverride() {
    if (FHad) ::setenv(FName, FOld.c_str(), 1);
    else ::unsetenv(FName);
  }

private:
  const char* FName;
  std::string FOld;
  bool FHad = false;
};

// A lock folder of the test's own: "borrowline" in the temporary folder T.
String OwnLockFolder(const TTempFolder& T) { return T.Path() + u"borrowline/"; }

// The home folder of this user's entry in the user database.
std::string DatabaseHome() {
  const passwd* pw = ::getpwuid(::getuid());
  return pw && pw->pw_dir ? std::string(pw->pw_dir) : std::string();
}

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
  WriteBytes(t.Path() + u"file", "x");  // a file where a folder would have to go
  const String folder = t.Path() + u"file/state/borrowline/";
  std::vector<String> shown;
  EXPECT_FALSE(CheckSingleInstance(
      true, UniqueName("nofolder"), [&](const String& s) { shown.push_back(s); }, folder));
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0], u"Не удалось создать файл блокировки \"" + t.Path() + u"file/state/borrowline/" +
                          UniqueName("nofolder") + u".lock\"");
}

TEST(InstanceGuard, TheLockLivesUnderTheHomeOfTheUserDatabaseWhateverTheEnvironment) {
  const std::string home = DatabaseHome();
  ASSERT_FALSE(home.empty());
  const String expected = IncludeTrailingPathDelimiter(FromUtf8(home)) + u".local/state/borrowline/";
  EXPECT_EQ(TInstanceGuard::LockFolder(), expected);
  // Another local user's traps in the shared temporary folder: the folder a
  // lock there would be named after, open to all, and a file in its place.
  TTempFolder tmp, home2, run;
  const std::string uid = std::to_string(::getuid());
  ASSERT_EQ(::mkdir((tmp.Utf8() + "borrowline-" + uid).c_str(), 0777), 0);
  ASSERT_EQ(::chmod((tmp.Utf8() + "borrowline-" + uid).c_str(), 0777), 0);
  WriteBytes(tmp.Path() + u"borrowline", "x");
  ASSERT_EQ(::chmod(run.Utf8().c_str(), 0700), 0);  // a private runtime folder, as a desktop session sets
  const String name = UniqueName("env");
  TInstanceGuard g;
  {
    // Started from a desktop session: a runtime folder set.
    const EnvOverride tmpDir("TMPDIR", tmp.Utf8()), r("XDG_RUNTIME_DIR", run.Utf8()), state("XDG_STATE_HOME", ""),
        h("HOME", home2.Utf8());
    EXPECT_EQ(TInstanceGuard::LockFolder(), expected);
    ASSERT_EQ(g.Acquire(name), TInstanceGuardResult::igAcquired);
  }
  {
    // Started from a login shell or "su": no runtime folder, another home
    // and state folder in the environment.
    const EnvOverride r("XDG_RUNTIME_DIR", ""), state("XDG_STATE_HOME", tmp.Utf8()), h("HOME", tmp.Utf8());
    EXPECT_EQ(TInstanceGuard::LockFolder(), expected);
    EXPECT_EQ(AcquireInChild(name), TInstanceGuardResult::igAlreadyRunning);
  }
  EXPECT_EQ(::access((ToUtf8(expected) + ToUtf8(name) + ".lock").c_str(), F_OK), 0);
}

TEST(InstanceGuard, TheFoldersMadeOnTheWayAreTheUsersAlone) {
  TTempFolder home;
  const String folder = home.Path() + u".local/state/borrowline/";
  const String name = UniqueName("home");
  TInstanceGuard g;
  ASSERT_EQ(g.Acquire(name, folder), TInstanceGuardResult::igAcquired);
  EXPECT_EQ(AcquireInChild(name, folder), TInstanceGuardResult::igAlreadyRunning);
  for (const char* made : {".local", ".local/state", ".local/state/borrowline"}) {
    struct stat st;
    ASSERT_EQ(::lstat((home.Utf8() + made).c_str(), &st), 0) << made;
    EXPECT_EQ(st.st_mode & 0777, 0700u) << made;
  }
}

TEST(InstanceGuard, TheLockFileLivesInAFolderOnlyTheUserMayWrite) {
  TTempFolder t;
  const String folder = OwnLockFolder(t);
  TInstanceGuard g;
  ASSERT_EQ(g.Acquire(UniqueName("private"), folder), TInstanceGuardResult::igAcquired);
  EXPECT_EQ(TInstanceGuard::LockFileName(UniqueName("private"), folder), folder + UniqueName("private") + u".lock");
  struct stat st;
  ASSERT_EQ(::lstat(ToUtf8(folder).c_str(), &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  EXPECT_EQ(st.st_uid, ::getuid());
}

TEST(InstanceGuard, AFolderOthersMayWriteIsRefusedAsALockFault) {
  TTempFolder t;
  const String folder = OwnLockFolder(t);
  ASSERT_EQ(::mkdir(ToUtf8(folder).c_str(), 0700), 0);
  ASSERT_EQ(::chmod(ToUtf8(folder).c_str(), 0777), 0);
  TInstanceGuard g;
  EXPECT_EQ(g.Acquire(UniqueName("shared"), folder), TInstanceGuardResult::igFailed);
  std::vector<String> shown;
  EXPECT_FALSE(CheckSingleInstance(
      true, UniqueName("shared"), [&](const String& s) { shown.push_back(s); }, folder));
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].rfind(u"Не удалось создать файл блокировки", 0), 0u);
}

TEST(InstanceGuard, AReleasedGuardLeavesNoFileAndTheNextHolderIsAloneAgain) {
  TTempFolder t;
  const String folder = OwnLockFolder(t);
  const String name = UniqueName("cleanup");
  const std::string file = ToUtf8(TInstanceGuard::LockFileName(name, folder));
  {
    TInstanceGuard first;
    ASSERT_EQ(first.Acquire(name, folder), TInstanceGuardResult::igAcquired);
    EXPECT_EQ(::access(file.c_str(), F_OK), 0);
  }
  EXPECT_NE(::access(file.c_str(), F_OK), 0);
  TInstanceGuard second, third;
  ASSERT_EQ(second.Acquire(name, folder), TInstanceGuardResult::igAcquired);
  EXPECT_EQ(third.Acquire(name, folder), TInstanceGuardResult::igAlreadyRunning);
  EXPECT_EQ(AcquireInChild(name, folder), TInstanceGuardResult::igAlreadyRunning);
}

TEST(InstanceGuard, ProgramPathIsThisExecutable) { EXPECT_EQ(ExtractFileName(ProgramFilePath()), u"client_tests"); }
