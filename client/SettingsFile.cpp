#include "client/SettingsFile.h"

#include "platform/core/Exceptions.h"
#include "platform/core/Files.h"
#include "platform/core/Strings.h"

namespace {

const TFolderProbe& ProbeOrDefault(const TFolderProbe& Probe) {
  static const TFolderProbe Default = IsFolderWritable;
  return Probe ? Probe : Default;
}

Integer InRangeOrZero(Integer Value, Integer Count) { return Value >= 0 && Value < Count ? Value : 0; }

}  // namespace

String SettingsFileName(const String& SettingsFolder) { return SettingsFolder + SettingsFileTitle; }

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

void WriteSettingsFile(const String& FileName, const TSettingsValues& Values,
                       const TFolderProbe& Probe) {
  const TFolderProbe& p = ProbeOrDefault(Probe);
  IniWriteInteger(FileName, u"SchemeColor", u"Index", Values.SchemeIndex, p);
  IniWriteString(FileName, u"BR", u"DirSave", Values.DirSave, p);
  IniWriteInteger(FileName, u"BR", u"SaveMode", Values.SaveMode, p);
  IniWriteInteger(FileName, u"FIND", u"Mode", Values.FindMode, p);
  IniWriteString(FileName, u"FIND", u"RecCountFromDB", Values.RecCountFromDB, p);
  IniWriteBool(FileName, u"FIND_SIMPLE", u"Title_Check", Values.Title_Check, p);
  IniWriteString(FileName, u"FIND_SIMPLE", u"Title_Text", Values.Title_Text, p);
  IniWriteBool(FileName, u"FIND_SIMPLE", u"Author_Check", Values.Author_Check, p);
  IniWriteString(FileName, u"FIND_SIMPLE", u"Author_Text", Values.Author_Text, p);
  IniWriteBool(FileName, u"FIND_SIMPLE", u"Keyword_Check", Values.Keyword_Check, p);
  IniWriteString(FileName, u"FIND_SIMPLE", u"Keyword_Text", Values.Keyword_Text, p);
}

void CheckSettingsFileKeeps(const String& FileName, const String& AppFolder, const TSettingsValues& Values,
                            const TFolderProbe& Probe) {
  if (ProbeOrDefault(Probe)(FileName)) return;
  // As the file would hold them: strings trimmed.
  TSettingsValues stored = Values;
  for (String* s : {&stored.DirSave, &stored.RecCountFromDB, &stored.Title_Text, &stored.Author_Text,
                    &stored.Keyword_Text})
    *s = Trim(*s);
  TSettingsValues kept = ReadSearchSettings(FileName, AppFolder);
  kept.SchemeIndex = ReadSchemeIndex(FileName);
  if (stored == kept) return;
  RaiseFolderTakesNoFile(FileName);
}

void RaiseFolderTakesNoFile(const String& FileName) {
  throw EFCreateError(u"Cannot create file \"" + FileName + u"\". The folder does not accept new files");
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
