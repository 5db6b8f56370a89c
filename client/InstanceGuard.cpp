#include "client/InstanceGuard.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <mutex>
#include <vector>

#include "client/__sys.h"
#include "platform/core/Files.h"
#include "platform/core/Strings.h"

namespace {

// A folder of this user's that nobody else may write into.
bool IsPrivateFolder(const std::string& Path) {
  struct stat st;
  return ::lstat(Path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid() &&
         (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

// Makes the lock folder, and the folders above it that are missing, only the
// user's; false when the lock folder is not private.
bool EnsurePrivateFolder(const std::string& Path) {
  for (size_t slash = Path.find('/', 1); slash != std::string::npos; slash = Path.find('/', slash + 1))
    if (::mkdir(Path.substr(0, slash).c_str(), 0700) != 0 && errno != EEXIST) return false;
  if (::mkdir(Path.c_str(), 0700) != 0 && errno != EEXIST) return false;
  return IsPrivateFolder(Path);
}

// An absolute folder named by the environment variable, else empty.
std::string AbsoluteFolderOf(const char* Variable) {
  const char* value = ::getenv(Variable);
  return value && *value == '/' ? std::string(value) : std::string();
}

// The user's own state folder: $XDG_STATE_HOME, else .local/state in the home
// folder; empty when there is no home to find.
std::string StateFolder() {
  if (std::string state = AbsoluteFolderOf("XDG_STATE_HOME"); !state.empty()) return state;
  std::string home = AbsoluteFolderOf("HOME");
  if (home.empty())
    if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir && *pw->pw_dir == '/') home = pw->pw_dir;
  while (home.size() > 1 && home.back() == '/') home.pop_back();
  return home.empty() ? std::string() : home + "/.local/state";
}

}  // namespace

String TInstanceGuard::LockFolder() {
  if (const std::string run = AbsoluteFolderOf("XDG_RUNTIME_DIR"); !run.empty() && IsPrivateFolder(run))
    return IncludeTrailingPathDelimiter(FromUtf8(run));
  // Never a folder others share, such as the temporary one: there another
  // user could make the folder first and keep the program from starting.
  const std::string state = StateFolder();
  if (state.empty()) return String();
  return IncludeTrailingPathDelimiter(FromUtf8(state)) + u"borrowline/";
}

String TInstanceGuard::LockFileName(const String& ProgramFileName) {
  return LockFolder() + ProgramFileName + u".lock";
}

TInstanceGuardResult TInstanceGuard::Acquire(const String& ProgramFileName) {
  Release();
  const String folder = LockFolder();
  if (folder.empty() || !EnsurePrivateFolder(ToUtf8(ExcludeTrailingPathDelimiter(folder))))
    return TInstanceGuardResult::igFailed;
  const std::string path = ToUtf8(folder + ProgramFileName + u".lock");
  // A holder that releases removes the file: the lock counts only while the
  // locked file is still the one under the name, else the open is tried again.
  for (int attempt = 0; attempt < 8; ++attempt) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return TInstanceGuardResult::igFailed;
    int rc;
    do {
      rc = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
      const int err = errno;
      ::close(fd);
      return err == EWOULDBLOCK ? TInstanceGuardResult::igAlreadyRunning : TInstanceGuardResult::igFailed;
    }
    struct stat held, named;
    if (::fstat(fd, &held) == 0 && ::stat(path.c_str(), &named) == 0 && held.st_dev == named.st_dev &&
        held.st_ino == named.st_ino) {
      FHandle = fd;
      FPath = path;
      return TInstanceGuardResult::igAcquired;
    }
    ::close(fd);
  }
  return TInstanceGuardResult::igFailed;
}

void TInstanceGuard::Release() {
  if (FHandle < 0) return;
  // Removed while still locked: whoever opened the old file finds it gone
  // from the name and opens again.
  ::unlink(FPath.c_str());
  ::flock(FHandle, LOCK_UN);
  ::close(FHandle);
  FHandle = -1;
  FPath.clear();
}

String ProgramFilePath() {
  char buf[4096];
  const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf);
  if (n <= 0 || static_cast<size_t>(n) >= sizeof buf) return String();
  return FromUtf8(std::string_view(buf, static_cast<size_t>(n)));
}

String InstanceLockFailedText(const String& LockFileName) {
  return u"Не удалось создать файл блокировки \"" + LockFileName + u"\"";
}

String InstanceAlreadyRunningText(const String& ProgramFileName) {
  return u"Одна копия приложения : \"" + ProgramFileName + u"\" - уже работает";
}

bool CheckSingleInstance(bool ShowMessages, const String& Name,
                         const std::function<void(const String& Text)>& ShowMessage) {
  // The guards taken here are held for the life of the process.
  static std::mutex lock;
  static std::vector<std::unique_ptr<TInstanceGuard>> held;

  String path = Trim(Name);
  if (path.empty()) path = ParamStr0();
  const String fileName = ExtractFileName(path);

  auto guard = std::make_unique<TInstanceGuard>();
  const TInstanceGuardResult r = guard->Acquire(fileName);
  if (r == TInstanceGuardResult::igAcquired) {
    const std::lock_guard<std::mutex> g(lock);
    held.push_back(std::move(guard));
    return true;
  }
  if (ShowMessages && ShowMessage) {
    ShowMessage(r == TInstanceGuardResult::igAlreadyRunning ? InstanceAlreadyRunningText(fileName)
                                                            : InstanceLockFailedText(TInstanceGuard::LockFileName(fileName)));
  }
  return false;
}
