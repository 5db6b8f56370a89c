#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "client/SettingsFile.h"
#include "client/__files.h"
#include "platform/core/Exceptions.h"
#include "platform/core/Files.h"
#include "platform/core/IniFiles.h"
#include "platform/core/StringList.h"
#include "tests/client/TempFolder.h"

namespace {

bool AlwaysWritable(const String&) { return true; }
bool NeverWritable(const String&) { return false; }

String IniValue(const String& File, const String& Section, const String& Key) {
  return TIniFile(File).ReadString(Section, Key, u"<absent>");
}

}  // namespace

// ---- Folders and the probe -------------------------------------------------------

TEST(Folders, ForceFolderCreatesEveryMissingParent) {
  TTempFolder t;
  const String deep = t.Path() + u"a/b/Папка";
  EXPECT_FALSE(FolderExists(deep));
  EXPECT_TRUE(ForceFolder(u"  " + deep + u"  "));
  EXPECT_TRUE(FolderExists(deep + u"/"));
  EXPECT_FALSE(FolderExists(u""));
  EXPECT_FALSE(ForceFolder(u"   "));
}

TEST(Folders, EnsureFolderCreatesOnlyWhereTheProbePasses) {
  TTempFolder t;
  EXPECT_FALSE(EnsureFolder(t.Path() + u"refused/x", NeverWritable));
  EXPECT_FALSE(FolderExists(t.Path() + u"refused"));
  EXPECT_TRUE(EnsureFolder(t.Path() + u"made/x"));
  EXPECT_TRUE(FolderExists(t.Path() + u"made/x"));
  EXPECT_FALSE(EnsureFolder(u""));
  // A relative folder is probed, and made, in the current folder.
  const std::filesystem::path cwd = std::filesystem::current_path();
  std::filesystem::current_path(t.Utf8());
  EXPECT_TRUE(EnsureFolder(u"rel/inner"));
  std::filesystem::current_path(cwd);
  EXPECT_TRUE(FolderExists(t.Path() + u"rel/inner"));
}

TEST(Folders, UniqueFileNameNumbersTakenNamesBeforeTheExtension) {
  TTempFolder t;
  const String name = t.Path() + u"~!789.~~~";
  EXPECT_EQ(UniqueFileName(u" " + name + u" "), name);
  WriteBytes(name, "");
  EXPECT_EQ(UniqueFileName(name), t.Path() + u"~!789-1.~~~");
  WriteBytes(t.Path() + u"~!789-1.~~~", "");
  EXPECT_EQ(UniqueFileName(name), t.Path() + u"~!789-2.~~~");
  WriteBytes(t.Path() + u"plain", "");
  EXPECT_EQ(UniqueFileName(t.Path() + u"plain"), t.Path() + u"plain-1");
  EXPECT_EQ(UniqueFileName(u"  "), u"");
}

TEST(Folders, ProbeLeavesNothingBehindAndSparesAnExistingProbeFile) {
  TTempFolder t;
  EXPECT_TRUE(IsFolderWritable(t.Path()));
  EXPECT_TRUE(t.Entries().empty());

  WriteBytes(t.Path() + u"~!789.~~~", "keep");
  EXPECT_TRUE(IsFolderWritable(t.Path()));
  EXPECT_EQ(t.Entries(), std::vector<std::string>{"~!789.~~~"});
  EXPECT_EQ(ReadFileBytes(t.Path() + u"~!789.~~~"), "keep");
}

TEST(Folders, ProbeOfAFilePathTestsItsFolder) {
  TTempFolder t;
  EXPECT_TRUE(IsFolderWritable(t.Path() + u"Borrowline.ini"));
  EXPECT_TRUE(IsFolderWritable(t.Path() + u"Settings-not-yet"));  // a file name in t
  EXPECT_FALSE(IsFolderWritable(t.Path() + u"missing/Borrowline.ini"));
  EXPECT_FALSE(IsFolderWritable(t.Path() + u"missing/"));
  EXPECT_FALSE(IsFolderWritable(u""));
  EXPECT_TRUE(t.Entries().empty());
}

TEST(Folders, ProbeFailsInAFolderThatRefusesFiles) {
  // /proc refuses new files even to root.
  if (!std::filesystem::is_directory("/proc/self")) GTEST_SKIP() << "no /proc";
  EXPECT_FALSE(IsFolderWritable(u"/proc/"));
}

// ---- INI access ------------------------------------------------------------------

TEST(IniAccess, ReadsGiveDefaultsForMissingNamesKeysAndNumbers) {
  TTempFolder t;
  const String ini = t.Path() + u"x.ini";
  WriteTextFileAtomic(ini, u"[S]\r\nn=abc\r\ns=  Текст  \r\nb=2\r\nneg=-4\r\n");
  EXPECT_EQ(IniReadInteger(ini, u"S", u"n", 7), 7);
  EXPECT_EQ(IniReadInteger(ini, u"S", u"neg", 7), -4);
  EXPECT_EQ(IniReadInteger(ini, u"S", u"none", 7), 7);
  EXPECT_EQ(IniReadInteger(ini, u"", u"neg", 7), 7);
  EXPECT_EQ(IniReadString(ini, u"S", u"s", u"d", true), u"Текст");
  EXPECT_EQ(IniReadString(ini, u"S", u"none", u" d ", true), u"d");
  EXPECT_EQ(IniReadString(ini, u"S", u"none", u" d ", false), u" d ");
  EXPECT_TRUE(IniReadBool(ini, u"S", u"b", false));
  EXPECT_FALSE(IniReadBool(ini, u"S", u"n", false));
  EXPECT_TRUE(IniReadBool(t.Path() + u"missing.ini", u"S", u"b", true));
}

TEST(IniAccess, WritesTrimStringsAndStoreBooleansAsDigits) {
  TTempFolder t;
  const String ini = t.Path() + u"x.ini";
  IniWriteString(ini, u"S", u"s", u"  Значение  ");
  IniWriteBool(ini, u"S", u"b", true);
  IniWriteBool(ini, u"S", u"c", false);
  IniWriteInteger(ini, u"S", u"i", -12);
  IniWriteString(ini, u"S", u"", u"ignored");
  EXPECT_EQ(IniValue(ini, u"S", u"s"), u"Значение");
  EXPECT_EQ(IniValue(ini, u"S", u"b"), u"1");
  EXPECT_EQ(IniValue(ini, u"S", u"c"), u"0");
  EXPECT_EQ(IniValue(ini, u"S", u"i"), u"-12");
}

TEST(IniAccess, NothingIsWrittenWhenTheProbeFails) {
  TTempFolder t;
  const String ini = t.Path() + u"x.ini";
  String probed;
  IniWriteString(ini, u"S", u"s", u"v", [&](const String& p) {
    probed = p;
    return false;
  });
  EXPECT_EQ(probed, ini);
  EXPECT_FALSE(FileExists(ini));
}

// ---- The settings file -----------------------------------------------------------

TEST(SettingsFile, AbsentFileGivesEveryDefault) {
  TTempFolder t;
  EXPECT_EQ(ReadSchemeIndex(SettingsFileName(t.Path())), 0);
  const TSettingsValues v = ReadSearchSettings(SettingsFileName(t.Path()), u"/opt/app/");
  EXPECT_EQ(v.DirSave, u"/opt/app/Import/");
  EXPECT_EQ(v.SaveMode, 0);
  EXPECT_EQ(v.FindMode, 0);
  EXPECT_EQ(v.RecCountFromDB, u"10");
  EXPECT_TRUE(v.Title_Check);
  EXPECT_FALSE(v.Author_Check);
  EXPECT_FALSE(v.Keyword_Check);
  EXPECT_EQ(v.Title_Text + v.Author_Text + v.Keyword_Text, u"");
}

TEST(SettingsFile, FreshFolderGetsAllElevenKeysAtSave) {
  TTempFolder t;
  const String file = SettingsFileName(t.Path());
  EXPECT_EQ(file, t.Path() + u"Borrowline.ini");
  WriteSettingsFile(file, ReadSearchSettings(file, u"/opt/app/"));

  TIniFile ini(file);
  TStringList sections;
  ini.ReadSections(&sections);
  EXPECT_EQ(sections.GetCount(), 4);
  Integer keys = 0;
  for (Integer i = 0; i < sections.GetCount(); ++i) {
    TStringList names;
    ini.ReadSection(sections[i], &names);
    keys += names.GetCount();
  }
  EXPECT_EQ(keys, 11);
  EXPECT_EQ(IniValue(file, u"SchemeColor", u"Index"), u"0");
  EXPECT_EQ(IniValue(file, u"BR", u"DirSave"), u"/opt/app/Import/");
  EXPECT_EQ(IniValue(file, u"BR", u"SaveMode"), u"0");
  EXPECT_EQ(IniValue(file, u"FIND", u"Mode"), u"0");
  EXPECT_EQ(IniValue(file, u"FIND", u"RecCountFromDB"), u"10");
  EXPECT_EQ(IniValue(file, u"FIND_SIMPLE", u"Title_Check"), u"1");
  EXPECT_EQ(IniValue(file, u"FIND_SIMPLE", u"Title_Text"), u"");
  EXPECT_EQ(IniValue(file, u"FIND_SIMPLE", u"Author_Check"), u"0");
  EXPECT_EQ(IniValue(file, u"FIND_SIMPLE", u"Author_Text"), u"");
  EXPECT_EQ(IniValue(file, u"FIND_SIMPLE", u"Keyword_Check"), u"0");
  EXPECT_EQ(IniValue(file, u"FIND_SIMPLE", u"Keyword_Text"), u"");
  // The file is in the ANSI code page with CR LF line ends.
  const std::string bytes = ReadFileBytes(file);
  EXPECT_NE(bytes.find("[FIND_SIMPLE]\r\n"), std::string::npos);
}

TEST(SettingsFile, ValuesRoundTripThroughTheFile) {
  TTempFolder t;
  const String file = SettingsFileName(t.Path());
  TSettingsValues v;
  v.SchemeIndex = 1;
  v.DirSave = u"/data/Записи/";
  v.SaveMode = 1;
  v.RecCountFromDB = u"25";
  v.Title_Check = false;
  v.Author_Check = true;
  v.Author_Text = u"Пушкин";
  v.Keyword_Text = u"поэзия";
  WriteSettingsFile(file, v);
  EXPECT_EQ(ReadSchemeIndex(file), 1);
  const TSettingsValues r = ReadSearchSettings(file, u"/opt/app/");
  EXPECT_EQ(r.DirSave, u"/data/Записи/");
  EXPECT_EQ(r.SaveMode, 1);
  EXPECT_EQ(r.RecCountFromDB, u"25");
  EXPECT_FALSE(r.Title_Check);
  EXPECT_TRUE(r.Author_Check);
  EXPECT_EQ(r.Author_Text, u"Пушкин");
  EXPECT_EQ(r.Keyword_Text, u"поэзия");
}

TEST(SettingsFile, OutOfRangeChoicesFallBackToTheFirst) {
  TTempFolder t;
  const String file = SettingsFileName(t.Path());
  WriteBytes(file,
             "[SchemeColor]\r\nIndex=7\r\n[BR]\r\nSaveMode=5\r\n[FIND]\r\nMode=-1\r\n"
             "RecCountFromDB= 25 \r\n");
  EXPECT_EQ(ReadSchemeIndex(file), 0);
  TSettingsValues v = ReadSearchSettings(file, u"/a/");
  EXPECT_EQ(v.SaveMode, 0);
  EXPECT_EQ(v.FindMode, 0);
  EXPECT_EQ(v.RecCountFromDB, u"25");

  WriteBytes(file,
             "[SchemeColor]\r\nIndex=x\r\n[BR]\r\nSaveMode=1\r\n[FIND]\r\nMode=1\r\n"
             "RecCountFromDB=abc\r\n");
  EXPECT_EQ(ReadSchemeIndex(file), 0);
  v = ReadSearchSettings(file, u"/a/");
  EXPECT_EQ(v.SaveMode, 1);
  EXPECT_EQ(v.FindMode, 0);             // the search mode has one choice
  EXPECT_EQ(v.RecCountFromDB, u"abc");  // checked by the start of a search, not here
}

TEST(SettingsFile, NothingIsWrittenWhenTheProbeFails) {
  TTempFolder t;
  const String file = SettingsFileName(t.Path());
  WriteSettingsFile(file, TSettingsValues{}, NeverWritable);
  EXPECT_TRUE(t.Entries().empty());

  WriteBytes(file, "[BR]\r\nSaveMode=1\r\n");
  TSettingsValues v;
  v.SchemeIndex = 1;
  WriteSettingsFile(file, v, NeverWritable);
  EXPECT_EQ(ReadFileBytes(file), "[BR]\r\nSaveMode=1\r\n");
}

TEST(SettingsFile, AFolderThatTakesNoFileLosesOnlyWhatTheFileDoesNotGive) {
  TTempFolder t;
  const String file = SettingsFileName(t.Path());
  const String app = t.Path();
  TSettingsValues kept;  // what an absent file gives
  kept.DirSave = app + u"Import/";
  auto save = [&](const TSettingsValues& V) { return SaveSettingsFile(file, app, V, NeverWritable); };
  EXPECT_TRUE(save(kept));
  // As the controls hold them: blanks the file would not keep are no change.
  TSettingsValues padded = kept;
  padded.RecCountFromDB = u" 10 ";
  padded.DirSave = u" " + kept.DirSave;
  EXPECT_TRUE(save(padded));
  // Each key changed alone is one change too many.
  const std::vector<std::function<void(TSettingsValues&)>> changes = {
      [](TSettingsValues& v) { v.SchemeIndex = 1; },      [](TSettingsValues& v) { v.DirSave = u"/elsewhere/"; },
      [](TSettingsValues& v) { v.SaveMode = 1; },         [](TSettingsValues& v) { v.RecCountFromDB = u"25"; },
      [](TSettingsValues& v) { v.Title_Check = false; },  [](TSettingsValues& v) { v.Title_Text = u"Война"; },
      [](TSettingsValues& v) { v.Author_Check = true; },  [](TSettingsValues& v) { v.Author_Text = u"Толстой"; },
      [](TSettingsValues& v) { v.Keyword_Check = true; }, [](TSettingsValues& v) { v.Keyword_Text = u"мир"; }};
  for (size_t i = 0; i < changes.size(); ++i) {
    TSettingsValues v = kept;
    changes[i](v);
    EXPECT_FALSE(save(v)) << i;
    EXPECT_FALSE(FileExists(file)) << i;
    // A folder that takes the file keeps them.
    EXPECT_TRUE(SaveSettingsFile(file, app, v, AlwaysWritable)) << i;
    EXPECT_TRUE(DeleteFile(file)) << i;
  }
  // Against a file that holds the changes, nothing is lost.
  TSettingsValues stored = kept;
  stored.RecCountFromDB = u"25";
  WriteSettingsFile(file, stored, AlwaysWritable);
  EXPECT_TRUE(save(stored));
  EXPECT_FALSE(save(kept));
}

TEST(SettingsFile, SettingsFolderWritableNeedsANameAFolderAndTheProbe) {
  TTempFolder t;
  EXPECT_TRUE(IsSettingsFolderWritable(t.Path()));
  EXPECT_FALSE(IsSettingsFolderWritable(t.Path(), NeverWritable));
  EXPECT_FALSE(IsSettingsFolderWritable(t.Path() + u"missing/", AlwaysWritable));
  EXPECT_FALSE(IsSettingsFolderWritable(u"  ", AlwaysWritable));
}

// ---- The program's folders -------------------------------------------------------

TEST(ProgramFolders, WritableProgramFolderGetsItsThreeSubfolders) {
  TTempFolder t;
  const TProgramFolders f = PrepareProgramFolders(t.Path());
  EXPECT_EQ(t.Entries(), (std::vector<std::string>{"Import", "MyWork", "Settings"}));
  EXPECT_EQ(f.SettingsFolder, t.Path() + u"Settings/");
  EXPECT_EQ(f.DirSave, t.Path() + u"Import/");
  EXPECT_EQ(f.SaveDialogFolder, t.Path() + u"MyWork/");
  EXPECT_EQ(f.OpenDialogFolder, t.Path() + u"MyWork/");
}

TEST(ProgramFolders, ReadOnlyProgramFolderKeepsWhatExists) {
  TTempFolder t;
  ForceFolder(t.Path() + u"Settings");
  const TProgramFolders f = PrepareProgramFolders(t.Path(), NeverWritable);
  EXPECT_EQ(t.Entries(), std::vector<std::string>{"Settings"});
  EXPECT_EQ(f.SettingsFolder, t.Path() + u"Settings/");
  EXPECT_EQ(f.DirSave, u"");
  EXPECT_EQ(f.SaveDialogFolder, t.Path());
  EXPECT_EQ(f.OpenDialogFolder, t.Path());
}

TEST(ProgramFolders, ImportAloneSetsTheSaveFolderAndTheSaveDialog) {
  TTempFolder t;
  ForceFolder(t.Path() + u"Import");
  const TProgramFolders f = PrepareProgramFolders(t.Path(), NeverWritable);
  EXPECT_EQ(f.SettingsFolder, u"");
  EXPECT_EQ(f.DirSave, t.Path() + u"Import/");
  EXPECT_EQ(f.SaveDialogFolder, t.Path() + u"Import/");
  EXPECT_EQ(f.OpenDialogFolder, t.Path());
}
