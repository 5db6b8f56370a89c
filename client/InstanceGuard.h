#pragma once
// One running copy per program file name: a lock held on a file named after
// the program file, in a 0700 folder of the program's own, "borrowline", in
// the user's state folder (".local/state") of the home folder. The home
// folder comes from the system's user database, never from the environment:
// copies started from a login shell, "su" or a desktop session, with or
// without a runtime folder set, all meet the same lock. Nobody else can block
// the program by placing a file or folder anywhere. The kernel drops the lock
// when the process ends, however it ends; a guard released in order removes
// its file.

#include <functional>
#include <string>

#include "platform/core/Types.h"

enum class TInstanceGuardResult { igAcquired, igAlreadyRunning, igFailed };

class TInstanceGuard final {
public:
  TInstanceGuard() = default;
  ~TInstanceGuard() { Release(); }
  TInstanceGuard(const TInstanceGuard&) = delete;
  TInstanceGuard& operator=(const TInstanceGuard&) = delete;

  // Takes the guard for ProgramFileName (a file name without folder), in
  // Folder (LockFolder() when empty). igAlreadyRunning when another holder
  // has it, igFailed when the lock file cannot be opened. A guard already held
  // is released first.
  TInstanceGuardResult Acquire(const String& ProgramFileName, const String& Folder = String());
  void Release();
  bool GetHeld() const { return FHandle >= 0; }

  // The folder (LockFolder() when empty) + name + ".lock".
  static String LockFileName(const String& ProgramFileName, const String& Folder = String());
  // The home folder of the user database's entry for this user +
  // ".local/state/borrowline/"; empty when the entry names no home. Nothing
  // is created.
  static String LockFolder();

private:
  int FHandle = -1;
  std::string FPath;
};

// The program's own full path (/proc/self/exe).
String ProgramFilePath();

// The texts the guard shows.
String InstanceAlreadyRunningText(const String& ProgramFileName);
String InstanceLockFailedText(const String& LockFileName);

// The start-up check: Name trimmed, or the program's own path (ParamStr0) when empty,
// gives the file name the guard is taken for, in LockFolder (the user's, TInstanceGuard::LockFolder(),
// when empty). On success the guard stays held
// until the process ends. Otherwise, when ShowMessages is set, ShowMessage
// receives "Одна копия приложения : "<name>" - уже работает" or, when the
// lock file cannot be made or opened, InstanceLockFailedText (the plain
// message box of the platform shows it), and the answer is False.
bool CheckSingleInstance(bool ShowMessages, const String& Name,
                         const std::function<void(const String& Text)>& ShowMessage,
                         const String& LockFolder = String());
