#pragma once
// A folder that stops taking files while a test runs, as the user meets it:
// made read-only, filled, or renamed away. Tests run as root, which writes
// anywhere, so "read-only" leads the folder's name to /proc, where no file can
// be made, and "full" is a file-size limit (the write fails as on a full disk).

#include <unistd.h>

#include <cstdio>
#include <optional>
#include <string>

#include "platform/core/Files.h"
#include "platform/core/Types.h"
#include "tests/support/FileSizeLimit.h"

enum class TFolderFault { ReadOnly, Full, Gone };

// Full: a limit that not even a log's head lines fit. Undone when it goes.
class TSaveFolderFault {
public:
  TSaveFolderFault(TFolderFault Kind, const String& Folder)
      : FDir(ToUtf8(ExcludeTrailingPathDelimiter(Folder))), FKept(FDir + ".kept") {
    if (Kind == TFolderFault::Full) {
      FLimit.emplace(100);
      return;
    }
    FMoved = ::rename(FDir.c_str(), FKept.c_str()) == 0;
    if (Kind == TFolderFault::ReadOnly) FLinked = ::symlink("/proc", FDir.c_str()) == 0;
  }
  ~TSaveFolderFault() {
    if (FLinked) ::unlink(FDir.c_str());
    if (FMoved) ::rename(FKept.c_str(), FDir.c_str());
  }
  TSaveFolderFault(const TSaveFolderFault&) = delete;
  TSaveFolderFault& operator=(const TSaveFolderFault&) = delete;

private:
  std::string FDir, FKept;
  bool FMoved = false, FLinked = false;
  std::optional<TFileSizeLimit> FLimit;
};
