#include "client/__files.h"

#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

#include "client/__str.h"
#include "platform/core/IniFiles.h"
#include "platform/core/Files.h"
#include "platform/core/Strings.h"

namespace {

constexpr Char kProbeName[] = u"~!789.~~~";

const TFolderProbe& ProbeOrDefault(const TFolderProbe& Probe) {
  static const TFolderProbe Default = IsFolderWritable;
  return Probe ? Probe : Default;
}

// The folder a path stands for: itself when it is one, else the folder of
// the file it names ("" for a bare name: the current folder).
String FolderOfPath(const String& Path) {
  if (Path.back() == PathDelim || DirectoryExists(Path)) return IncludeTrailingPathDelimiter(Path);
  return ExtractFilePath(Path);
}

// The nearest folder on the way up from Folder that exists ("" when none);
// a relative path ends its walk in the current folder.
String NearestExistingFolder(const String& Folder) {
  String f = ExcludeTrailingPathDelimiter(Folder);
  while (!f.empty() && !DirectoryExists(f)) {
    const String parent = ExtractFileDir(f);
    if (parent == f) break;
    f = parent;
  }
  if (f.empty()) return Folder.front() == PathDelim ? String() : String(u".");
  return DirectoryExists(f) ? f : String();
}

// ---- The settings file ---------------------------------------------------------
// One settings-file object per access, as the program has always done: nothing
// is cached between two keys, so another writer's change is seen at once.

bool NamesGiven(const String& FileName, const String& Section, const String& Key) {
  return !FileName.empty() && !Section.empty() && !Key.empty();
}

void IniWrite(const String& FileName, const String& Section, const String& Key, const String& Value,
              const TFolderProbe& Probe) {
  const String file = Trim(FileName), section = Trim(Section), key = Trim(Key);
  if (!NamesGiven(file, section, key) || !ProbeOrDefault(Probe)(file)) return;
  TIniFile(file).WriteString(section, key, Trim(Value));
}

bool IniRead(const String& FileName, const String& Section, const String& Key, String& Value) {
  const String file = Trim(FileName), section = Trim(Section), key = Trim(Key);
  if (!NamesGiven(file, section, key) || !RegularFileExists(file)) return false;
  TIniFile ini(file);
  if (!ini.ValueExists(section, key)) return false;
  Value = ini.ReadString(section, key, String());
  return true;
}

}  // namespace

String FolderRefusalText(const String& Title, const String& Folder, int ErrorCode) {
  // A folder that cannot be probed is read-only to the user whatever the write said.
  if (!FolderExists(Folder)) return Title + u" больше не существует.";
  if (!IsFolderWritable(Folder) || ErrorCode == EROFS || ErrorCode == EACCES || ErrorCode == EPERM)
    return Title + u" - только для чтения.";
  if (ErrorCode == ENOSPC || ErrorCode == EDQUOT || ErrorCode == EFBIG) return u"Диск заполнен: файлы не записаны.";
  if (ErrorCode == EISDIR) return Title + u": имя файла занято папкой.";
  return Title + u" не принимает файлы.";
}

bool IsNotARegularFile(const String& FileName) {
  const String f = Trim(FileName);
  return !f.empty() && (FileExists(f) || DirectoryExists(f)) && !RegularFileExists(f);
}

String NotARegularFileText(const String& FileName) {
  return u"\"" + Trim(FileName) + u"\" не является обычным файлом и не будет прочитан.";
}

bool FolderExists(const String& Folder) {
  const String f = Trim(Folder);
  return !f.empty() && DirectoryExists(f);
}

bool ForceFolder(const String& Folder) {
  const String f = Trim(Folder);
  if (f.empty()) return false;
  const String dir = IncludeTrailingPathDelimiter(f);
  ForceDirectories(dir);
  return DirectoryExists(dir);
}

bool EnsureFolder(const String& Folder, const TFolderProbe& Probe) {
  const String f = Trim(Folder);
  if (f.empty()) return false;
  // The probe needs a folder that exists: a missing one is probed through the
  // nearest parent that does, where it would be created.
  const String where = NearestExistingFolder(f);
  if (where.empty() || !ProbeOrDefault(Probe)(IncludeTrailingPathDelimiter(where))) return false;
  return ForceFolder(f);
}

String UniqueFileName(const String& FileName) {
  const String name = Trim(FileName);
  if (name.empty() || !FileExists(name)) return name;
  const String folder = ExtractFilePath(name);
  const String file = ExtractFileName(name);
  const String ext = ExtractFileExt(file);
  const String base = file.substr(0, file.size() - ext.size());
  for (Integer n = 1; n <= 999998; ++n) {
    const String candidate = folder + base + u"-" + IntToStr(n) + ext;
    if (!FileExists(candidate)) return candidate;
  }
  return name;
}

bool IsFolderWritable(const String& Path) {
  const String p = Trim(Path);
  if (p.empty()) return false;
  const String folder = FolderOfPath(p);
  if (!folder.empty() && !DirectoryExists(folder)) return false;
  const String probe = UniqueFileName(folder + kProbeName);
  const int fd = ::open(ToUtf8(probe).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  ::close(fd);
  ::unlink(ToUtf8(probe).c_str());
  return true;
}

Integer IniReadInteger(const String& FileName, const String& Section, const String& Key, Integer Default) {
  String v;
  return IniRead(FileName, Section, Key, v) ? StrToIntDefTrim(v, Default) : Default;
}

String IniReadString(const String& FileName, const String& Section, const String& Key, const String& Default,
                     bool TrimResult) {
  String v;
  if (!IniRead(FileName, Section, Key, v)) v = Default;
  return TrimResult ? Trim(v) : v;
}

bool IniReadBool(const String& FileName, const String& Section, const String& Key, bool Default) {
  return IniReadInteger(FileName, Section, Key, Default ? 1 : 0) != 0;
}

void IniWriteInteger(const String& FileName, const String& Section, const String& Key, Integer Value,
                     const TFolderProbe& Probe) {
  IniWrite(FileName, Section, Key, IntToStr(Value), Probe);
}

void IniWriteString(const String& FileName, const String& Section, const String& Key, const String& Value,
                    const TFolderProbe& Probe) {
  IniWrite(FileName, Section, Key, Value, Probe);
}

void IniWriteBool(const String& FileName, const String& Section, const String& Key, bool Value,
                  const TFolderProbe& Probe) {
  IniWrite(FileName, Section, Key, Value ? u"1" : u"0", Probe);
}
