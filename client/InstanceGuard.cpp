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

// The user's home folder as the user database records it; empty when it
// names none.
std::string UserHomeFolder() {
  std::vector<char> buf(16384);
  passwd entry{};
  passwd* found = nullptr;
  if (::getpwuid_r(::getuid(), &entry, buf.data(), buf.size(), &found) != 0 || !found || !found->pw_dir ||
      *found->pw_dir != '/')
    return std::string();
  std::string home = found->pw_dir;
  while (home.size() > 1 && home.back() == '/') home.pop_back();
  return home;
}

}  // namespace

String TInstanceGuard::LockFolder() {
  // Never from the environment (HOME, XDG_RUNTIME_DIR, XDG_STATE_HOME): two
  // copies started from different environments would take different locks.
  // Never a folder others share, such as the temporary one: there another
  // user could make the folder first and keep the program from starting.
  const std::string home = UserHomeFolder();
  if (home.empty()) return String();
  return IncludeTrailingPathDelimiter(FromUtf8(home)) + u".local/state/borrowline/";
}

String TInstanceGuard::LockFileName(const String& ProgramFileName, const String& Folder) {
  return (Folder.empty() ? LockFolder() : IncludeTrailingPathDelimiter(Folder)) + ProgramFileName + u".lock";
}

TInstanceGuardResult TInstanceGuard::Acquire(const String& ProgramFileName, const String& Folder) {
  Release();
  const String folder = Folder.empty() ? LockFolder() : IncludeTrailingPathDelimiter(Folder);
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
                         const std::function<void(const String& Text)>& ShowMessage, const String& LockFolder) {
  // The guards taken here are held for the life of the process.
  static std::mutex lock;
  static std::vector<std::unique_ptr<TInstanceGuard>> held;

  String path = Trim(Name);
  if (path.empty()) path = ParamStr0();
  const String fileName = ExtractFileName(path);

  auto guard = std::make_unique<TInstanceGuard>();
  const TInstanceGuardResult r = guard->Acquire(fileName, LockFolder);
  if (r == TInstanceGuardResult::igAcquired) {
    const std::lock_guard<std::mutex> g(lock);
    held.push_back(std::move(guard));
    return true;
  }
  if (ShowMessages && ShowMessage) {
    ShowMessage(r == TInstanceGuardResult::igAlreadyRunning
                    ? InstanceAlreadyRunningText(fileName)
                    : InstanceLockFailedText(TInstanceGuard::LockFileName(fileName, LockFolder)));
  }
  return false;
}
