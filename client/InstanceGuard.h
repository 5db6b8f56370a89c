#pragma once
// One running copy per program file name: a lock held on a file in the
// temporary folder named after the program file and the user. The kernel
// drops the lock when the process ends, however it ends.

#include <functional>

#include "platform/core/Types.h"

enum class TInstanceGuardResult { igAcquired, igAlreadyRunning, igFailed };

class TInstanceGuard final {
public:
  TInstanceGuard() = default;
  ~TInstanceGuard() { Release(); }
  TInstanceGuard(const TInstanceGuard&) = delete;
  TInstanceGuard& operator=(const TInstanceGuard&) = delete;

  // Takes the guard for ProgramFileName (a file name without folder).
  // igAlreadyRunning when another holder has it, igFailed when the lock file
  // cannot be opened. A guard already held is released first.
  TInstanceGuardResult Acquire(const String& ProgramFileName);
  void Release();
  bool GetHeld() const { return FHandle >= 0; }

  // GetTempFolder() + name + "." + uid + ".lock".
  static String LockFileName(const String& ProgramFileName);

private:
  int FHandle = -1;
};

// The program's own full path (/proc/self/exe).
String ProgramFilePath();

// The texts the guard shows.
String InstanceAlreadyRunningText(const String& ProgramFileName);
inline constexpr Char InstanceGuardFailedText[] = u"Ошибка выделения памяти";

// The start-up check: Name trimmed, or the program's own path (ParamStr0) when empty,
// gives the file name the guard is taken for. On success the guard stays held
// until the process ends. Otherwise, when ShowMessages is set, ShowMessage
// receives "Одна копия приложения : "<name>" - уже работает" or "Ошибка
// выделения памяти" (the plain message box of the platform shows it), and
// the answer is False.
bool CheckSingleInstance(bool ShowMessages, const String& Name,
                         const std::function<void(const String& Text)>& ShowMessage);
