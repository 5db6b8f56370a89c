#include "client/InstanceGuard.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <mutex>
#include <vector>

#include "client/__sys.h"
#include "platform/core/Files.h"
#include "platform/core/Strings.h"

String TInstanceGuard::LockFileName(const String& ProgramFileName) {
  return GetTempFolder() + ProgramFileName + u"." + IntToStr(static_cast<Int64>(::getuid())) +
         u".lock";
}

TInstanceGuardResult TInstanceGuard::Acquire(const String& ProgramFileName) {
  Release();
  const std::string path = ToUtf8(LockFileName(ProgramFileName));
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) return TInstanceGuardResult::igFailed;
  int rc;
  do {
    rc = ::flock(fd, LOCK_EX | LOCK_NB);
  } while (rc != 0 && errno == EINTR);
  if (rc != 0) {
    const int err = errno;
    ::close(fd);
    return err == EWOULDBLOCK ? TInstanceGuardResult::igAlreadyRunning
                              : TInstanceGuardResult::igFailed;
  }
  FHandle = fd;
  return TInstanceGuardResult::igAcquired;
}

void TInstanceGuard::Release() {
  if (FHandle < 0) return;
  // The lock file stays: removing it could let a third copy lock a fresh file
  // while a second still waits on the old one.
  ::flock(FHandle, LOCK_UN);
  ::close(FHandle);
  FHandle = -1;
}

String ProgramFilePath() {
  char buf[4096];
  const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf);
  if (n <= 0 || static_cast<size_t>(n) >= sizeof buf) return String();
  return FromUtf8(std::string_view(buf, static_cast<size_t>(n)));
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
                                                            : String(InstanceGuardFailedText));
  }
  return false;
}
