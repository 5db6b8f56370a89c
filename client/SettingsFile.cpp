#include "client/SettingsFile.h"

#include <algorithm>
#include <cerrno>
#include <utility>

#include "platform/core/Exceptions.h"
#include "platform/core/Files.h"
#include "platform/core/IniFiles.h"
#include "platform/core/Strings.h"

namespace {

const TFolderProbe& ProbeOrDefault(const TFolderProbe& Probe) {
  static const TFolderProbe Default = IsFolderWritable;
  return Probe ? Probe : Default;
}

Integer InRangeOrZero(Integer Value, Integer Count) { return Value >= 0 && Value < Count ? Value : 0; }

// One key as the file stores it: the text IniWriteString would write.
struct TStoredKey {
  const Char* Section;
  const Char* Key;
  String Text;
};

// The eleven keys as Values are stored, in the order the main window saves them.
std::vector<TStoredKey> StoredKeys(const TSettingsValues& V) {
  auto flag = [](bool B) { return String(B ? u"1" : u"0"); };
  return {{u"SchemeColor", u"Index", IntToStr(V.SchemeIndex)},
          {u"BR", u"DirSave", Trim(V.DirSave)},
          {u"BR", u"SaveMode", IntToStr(V.SaveMode)},
          {u"FIND", u"Mode", IntToStr(V.FindMode)},
          {u"FIND", u"RecCountFromDB", Trim(V.RecCountFromDB)},
          {u"FIND_SIMPLE", u"Title_Check", flag(V.Title_Check)},
          {u"FIND_SIMPLE", u"Title_Text", Trim(V.Title_Text)},
          {u"FIND_SIMPLE", u"Author_Check", flag(V.Author_Check)},
          {u"FIND_SIMPLE", u"Author_Text", Trim(V.Author_Text)},
          {u"FIND_SIMPLE", u"Keyword_Check", flag(V.Keyword_Check)},
          {u"FIND_SIMPLE", u"Keyword_Text", Trim(V.Keyword_Text)}};
}

// True when the file has every key with the text a write would give it.
bool FileHolds(const String& FileName, const std::vector<TStoredKey>& Keys) {
  const String file = Trim(FileName);
  if (file.empty() || !RegularFileExists(file)) return false;
  TIniFile ini(file);
  for (const TStoredKey& k : Keys)
    if (!ini.ValueExists(k.Section, k.Key) || Trim(ini.ReadString(k.Section, k.Key, String())) != k.Text) return false;
  return true;
}

// What the next start would read from the file.
TSettingsValues FileGives(const String& FileName, const String& AppFolder) {
  TSettingsValues v = ReadSearchSettings(FileName, AppFolder);
  v.SchemeIndex = ReadSchemeIndex(FileName);
  return v;
}

// Why File, in the settings folder, could not be written, in the words the
// search run uses for its save folder. A write that fails in a folder that
// takes files fails for want of room.
String WhyNotWritten(const String& SettingsFolder, const TLostSettingsFile& File) {
  const String& FileName = File.FileName;
  if (SettingsFolder.empty()) return u"Папка настроек не существует.";
  if (File.Unread)
    return u"Файл " + ExtractFileName(Trim(FileName)) +
           u" не был прочитан при запуске программы, поэтому он оставлен как есть.";
  if (FolderExists(SettingsFolder) && IsNotARegularFile(FileName))
    return u"Файл " + ExtractFileName(Trim(FileName)) + u" в папке настроек не является обычным файлом.";
  return FolderRefusalText(u"Папка настроек", SettingsFolder, ENOSPC);
}

}  // namespace

String SettingsFolderFile(const String& SettingsFolder, const Char* Title) {
  return SettingsFolder.empty() ? String() : SettingsFolder + Title;
}

String SettingsFileName(const String& SettingsFolder) { return SettingsFolderFile(SettingsFolder, SettingsFileTitle); }

Integer ReadSchemeIndex(const String& FileName) {
  return InRangeOrZero(IniReadInteger(FileName, u"SchemeColor", u"Index", 0), SchemeCount);
}

TSettingsValues ReadSearchSettings(const String& FileName, const String& AppFolder) {
  TSettingsValues v;
  v.DirSave = IniReadString(FileName, u"BR", u"DirSave", AppFolder + u"Import/", true);
  v.SaveMode = InRangeOrZero(IniReadInteger(FileName, u"BR", u"SaveMode", 0), SaveModeCount);
  v.FindMode = InRangeOrZero(IniReadInteger(FileName, u"FIND", u"Mode", 0), FindModeCount);
  v.RecCountFromDB = IniReadString(FileName, u"FIND", u"RecCountFromDB", u"10", true);
  v.Title_Check = IniReadBool(FileName, u"FIND_SIMPLE", u"Title_Check", true);
  v.Title_Text = IniReadString(FileName, u"FIND_SIMPLE", u"Title_Text", u"", true);
  v.Author_Check = IniReadBool(FileName, u"FIND_SIMPLE", u"Author_Check", false);
  v.Author_Text = IniReadString(FileName, u"FIND_SIMPLE", u"Author_Text", u"", true);
  v.Keyword_Check = IniReadBool(FileName, u"FIND_SIMPLE", u"Keyword_Check", false);
  v.Keyword_Text = IniReadString(FileName, u"FIND_SIMPLE", u"Keyword_Text", u"", true);
  return v;
}

void WriteSettingsFile(const String& FileName, const TSettingsValues& Values, const TFolderProbe& Probe) {
  for (const TStoredKey& k : StoredKeys(Values)) IniWriteString(FileName, k.Section, k.Key, k.Text, Probe);
}

bool SaveSettingsFile(const String& FileName, const String& AppFolder, const TSettingsValues& Values,
                      const TFolderProbe& Probe) {
  if (FileHolds(FileName, StoredKeys(Values))) return true;
  if (!FileName.empty() && ProbeOrDefault(Probe)(FileName)) {
    try {
      WriteSettingsFile(FileName, Values, Probe);
      return true;
    } catch (const Exception&) {
      // A full disk: lost is what the file, as far as it was written, does not give.
    }
  }
  return FileGives(FileName, AppFolder) == AsStored(Values);
}

TSettingsValues AsStored(TSettingsValues V) {
  for (String* s : {&V.DirSave, &V.RecCountFromDB, &V.Title_Text, &V.Author_Text, &V.Keyword_Text}) *s = Trim(*s);
  return V;
}

String LostSettingsText(const String& SettingsFolder, const String& AppFolder,
                        const std::vector<TLostSettingsFile>& Lost) {
  // Files lost for one reason share a sentence; the causes come first, as the
  // box shows two lines without scrolling.
  std::vector<std::pair<String, String>> sentences;  // why, what
  for (const TLostSettingsFile& f : Lost) {
    const String why = WhyNotWritten(SettingsFolder, f);
    auto same = std::find_if(sentences.begin(), sentences.end(), [&](const auto& S) { return S.first == why; });
    if (same == sentences.end()) sentences.emplace_back(why, f.What);
    else same->second += u" и " + f.What;
  }
  String text;
  for (const auto& [why, what] : sentences) text += why + u" Не удалось сохранить " + what + u". ";
  const String folder = SettingsFolder.empty() ? AppFolder + u"Settings/" : SettingsFolder;
  // Changes are spoken of only where the user made some: a file lost with its
  // folder, though nothing was changed, is said lost above and no more.
  if (std::any_of(Lost.begin(), Lost.end(), [](const TLostSettingsFile& F) { return F.Changed; }))
    text += u"Сделанные изменения будут потеряны. ";
  return text + u"Папка: " + folder + u".";
}

int SettingsFileReadError(const String& FileName) {
  const String f = Trim(FileName);
  if (f.empty() || (!FileExists(f) && !DirectoryExists(f))) return 0;
  try {
    ReadFileBytes(f);
    return 0;
  } catch (const EStreamError& E) {
    // A pipe or a device is refused without an error number of its own; a
    // file gone meanwhile is missing.
    if (E.ErrorCode() == ENOENT) return 0;
    return E.ErrorCode() != 0 ? E.ErrorCode() : EINVAL;
  }
}

String ReadFailureCause(int ErrorCode) {
  switch (ErrorCode) {
    case EIO: return u"ошибка ввода-вывода";
    case EACCES:
    case EPERM: return u"нет права на чтение файла";
    default: return u"файл не читается до конца";
  }
}

String UnreadSettingsFileText(const String& FileName, int ErrorCode) {
  return u"\"" + Trim(FileName) + u"\" не прочитан: " + ReadFailureCause(ErrorCode) +
         u". Пока он не прочитан, файл не будет перезаписан.";
}

bool IsSettingsFolderWritable(const String& SettingsFolder, const TFolderProbe& Probe) {
  const String f = Trim(SettingsFolder);
  return !f.empty() && FolderExists(f) && ProbeOrDefault(Probe)(f);
}

TProgramFolders PrepareProgramFolders(const String& AppFolder, const TFolderProbe& Probe) {
  const TFolderProbe& probe = ProbeOrDefault(Probe);
  TProgramFolders r;
  r.SaveDialogFolder = AppFolder;
  r.OpenDialogFolder = AppFolder;
  auto prepare = [&](const String& Sub) {
    const String folder = AppFolder + Sub;
    if (!DirectoryExists(folder) && probe(AppFolder)) ForceFolder(folder);
    return DirectoryExists(folder);
  };
  if (prepare(u"Settings/")) r.SettingsFolder = AppFolder + u"Settings/";
  if (prepare(u"Import/")) {
    r.DirSave = AppFolder + u"Import/";
    r.SaveDialogFolder = r.DirSave;
  }
  if (prepare(u"MyWork/")) {
    r.SaveDialogFolder = AppFolder + u"MyWork/";
    r.OpenDialogFolder = r.SaveDialogFolder;
  }
  return r;
}
