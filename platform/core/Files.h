#pragma once
// Files and folders. Names are UTF-16 here and UTF-8 on disk; the delimiter is
// '/'. Text files are read honouring a byte-order mark (UTF-8, UTF-16 LE or BE)
// and otherwise as the ANSI code page. Whole-file writes are atomic: the data
// goes to a temporary file in the same folder, which then replaces the target,
// so a failed or interrupted write never leaves a half-written file behind.

#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/core/Types.h"

inline constexpr Char PathDelim = u'/';

bool FileExists(StringView FileName);  // an existing file that is not a folder
// True for a regular file (a symbolic link to one included): not a folder, pipe or device.
bool RegularFileExists(StringView FileName);
bool DirectoryExists(StringView Directory);
bool CreateDir(StringView Dir);         // one level; False when it fails or exists
bool ForceDirectories(StringView Dir);  // with every missing parent; True when it exists afterwards
bool RemoveDir(StringView Dir);         // an empty folder
bool DeleteFile(StringView FileName);
bool RenameFile(StringView OldName, StringView NewName);  // False when NewName exists

String ExtractFilePath(StringView FileName);  // the folder part with its trailing delimiter
String ExtractFileDir(StringView FileName);   // the folder part without it ("/" stays)
String ExtractFileName(StringView FileName);
String ExtractFileExt(StringView FileName);  // with the dot; empty when there is none
String ChangeFileExt(StringView FileName, StringView Extension);
String IncludeTrailingPathDelimiter(StringView S);
String ExcludeTrailingPathDelimiter(StringView S);

String GetProgramFolder();  // the executable's folder, with a trailing delimiter
String GetTempFolder();     // $TMPDIR or /tmp, with a trailing delimiter

// Whole-file reads; EFOpenError naming the file when it cannot be read.
std::string ReadFileBytes(StringView FileName);
String ReadTextFile(StringView FileName);
// What ReadTextFile does with the bytes: a byte-order mark picks UTF-8 or
// UTF-16 LE/BE (the mark itself is dropped); without one, the ANSI code page.
String DecodeText(std::string_view Bytes);

// Replaces the file's content atomically. EFCreateError when the file cannot be
// created or replaced, EWriteError when writing fails; either way the previous
// file, if any, is left exactly as it was and no temporary file remains.
// FlushToDisk waits for the bytes to reach the disk before the rename, so a
// crash right after cannot leave the new name empty; files written by the
// hundred in a row (record files) skip that wait.
void WriteFileAtomic(StringView FileName, std::string_view Bytes, bool FlushToDisk = true);
// The same with the content given as pieces written one after another, for a
// writer whose bytes lie in another order than the file's: no copy gathers them.
void WriteFilePiecesAtomic(StringView FileName, const std::vector<std::string_view>& Pieces, bool FlushToDisk = true);
// The text in the ANSI code page, without a byte-order mark.
void WriteTextFileAtomic(StringView FileName, StringView Text);

// The temporary files of FileName's atomic writes that were never finished
// (the process was killed mid-write) are removed: only names these writes
// make (a dot, the file's name, a dot, six letters, ".borrow-tmp"), only plain
// files of this user's. For a caller that knows no write of the file is under
// way, such as a program holding its single-instance lock.
void RemoveLeftoverTempFiles(StringView FileName);
// The same for every file of Folder whose name (without folder) Of accepts:
// for a folder whose files have names made as they are written.
void RemoveLeftoverTempFilesIn(StringView Folder, const std::function<bool(StringView Name)>& Of);

// Raises as WriteFileAtomic would when FileName can hold no file: an empty
// name, one ending in the delimiter, or a folder in its place.
void CheckFileReplaceable(StringView FileName);

// WriteFileAtomic in two steps, for a writer that must know at once whether
// the bytes could be written but can leave the renaming for later (to another
// thread): the bytes lie whole in a temporary file beside the target, which
// Commit renames over the target. A prepared file that is never committed is
// removed, and the target stays as it was.
class TPreparedFile {
public:
  TPreparedFile() = default;
  // Takes over Temp (an OS path), a file whole and ready to become Target.
  TPreparedFile(String FileName, std::string Target, std::string Temp)
      : FFileName(std::move(FileName)), FTarget(std::move(Target)), FTemp(std::move(Temp)) {}
  TPreparedFile(TPreparedFile&& Other) noexcept;
  TPreparedFile& operator=(TPreparedFile&& Other) noexcept;
  ~TPreparedFile();

  // The temporary file takes the target's name; EFCreateError when it cannot,
  // the temporary file then removed. Does nothing when nothing is pending.
  void Commit();
  // The temporary file goes; the target stays as it was.
  void Discard() noexcept;
  bool Pending() const { return !FTemp.empty(); }
  const String& FileName() const { return FFileName; }

private:
  String FFileName;
  std::string FTarget;
  std::string FTemp;
};

// WriteFileAtomic up to the rename, raising as it does. Mode, when not -1, is
// the permission bits the file gets whatever the old file's or the umask.
TPreparedFile PrepareFileAtomic(StringView FileName, std::string_view Bytes, bool FlushToDisk = true, int Mode = -1);
