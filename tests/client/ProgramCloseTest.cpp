// The close over a settings folder that takes no new files, over files start-up
// could not read, and during a search run: what it says, when, and what it
// leaves on disk. Driven headless through the windows.

#include <gtest/gtest.h>
#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <sstream>

#include "client/RecordFiles.h"
#include "client/SettingsFile.h"
#include "client/z39_02_ListDB.h"
#include "lendsrv/LendServer.h"
#include "platform/automation/Automation.h"
#include "platform/core/CodePage.h"
#include "platform/core/IniFiles.h"
#include "platform/core/ScopeGuard.h"
#include "platform/core/StringList.h"
#include "platform/ui/Dialogs.h"
#include "tests/client/ActingServer.h"
#include "tests/client/MessageBoxText.h"
#include "tests/client/ProgramDriver.h"
#include "tests/client/ResourceListText.h"
#include "tests/support/DirectZoom.h"
#include "tests/support/ZTestServer.h"
#include "tests/support/FileSizeLimit.h"

namespace {

enum class TFault { None, ReadOnly, Full, Gone };

// Root passes every permission check; without CAP_DAC_OVERRIDE and
// CAP_DAC_READ_SEARCH it is held to a file's or folder's bits like anyone else.
void DacOverride(bool On) {
  __user_cap_header_struct head{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct data[2] = {};
  if (::syscall(SYS_capget, &head, data) != 0) return;
  const __u32 bit = (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH);
  data[0].effective = On ? data[0].effective | (data[0].permitted & bit) : data[0].effective & ~bit;
  ::syscall(SYS_capset, &head, data);
}

// Breaks the folder, and answers what mends it. ReadOnly: its files can be
// read, none made. Full: a file-size limit of nothing, so an empty file fits
// and no byte does, as on a disk without a free block. Gone: renamed away.
std::function<void()> Break(TFault Fault, const String& Folder) {
  const std::string dir = ToUtf8(ExcludeTrailingPathDelimiter(Folder));
  if (Fault == TFault::Gone) {
    ::rename(dir.c_str(), (dir + ".kept").c_str());
    return [dir] { ::rename((dir + ".kept").c_str(), dir.c_str()); };
  }
  if (Fault == TFault::ReadOnly) {
    ::chmod(dir.c_str(), 0555);
    DacOverride(false);
    return [dir] {
      DacOverride(true);
      ::chmod(dir.c_str(), 0755);
    };
  }
  if (Fault == TFault::None) return [] {};
  auto full = std::make_shared<std::optional<TFileSizeLimit>>(std::in_place, 0);
  return [full] { full->reset(); };
}

// Changes are claimed only when the user made some to what is lost.
String LostText(TFault Fault, const String& Settings, const String& What, bool Changed) {
  const String why = Fault == TFault::ReadOnly ? u"Папка настроек - только для чтения."
                     : Fault == TFault::Full   ? u"Диск заполнен: файлы не записаны."
                                               : u"Папка настроек больше не существует.";
  return why + u" Не удалось сохранить " + What + u". " + (Changed ? u"Сделанные изменения будут потеряны. " : u"") +
         u"Папка: " + Settings + u".";
}

// The next box of ours is read, then closed with OK; whether the program had
// already ended while it was up is kept with it.
void ReadThenOk(TProgramDriver& Drv, std::vector<std::pair<TShownBox, bool>>& Seen) {
  Drv.WhenModal<TDlg_MyShowMessage>([&Drv, &Seen](TDlg_MyShowMessage* Box) {
    Seen.push_back(
        {{Box->GetCaption(), Box->Label_Head->GetCaption(), Box->RE_Msg->GetText()}, Application->GetTerminated()});
    Drv.Click(Box->SB_OK);
  });
}

ino_t Inode(const String& File) {
  struct stat st = {};
  return ::stat(ToUtf8(File).c_str(), &st) == 0 ? st.st_ino : 0;
}

std::string Bytes(const String& File) { return FileExists(File) ? ReadFileBytes(File) : std::string(); }

// What loading a list file gives: its lines that, trimmed, name one of the
// resources 3, 5 and 8; raw, or trimmed for comparing.
std::vector<std::string> Given(const std::string& Bytes, bool Raw) {
  std::vector<std::string> kept;
  std::istringstream in(Bytes);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const size_t b = line.find_first_not_of(' ');
    const std::string t = b == std::string::npos ? "" : line.substr(b, line.find_last_not_of(' ') - b + 1);
    if (t == "3" || t == "5" || t == "8") kept.push_back(Raw ? line : t);
  }
  return kept;
}

std::string RandomListFile(std::mt19937& Rng) {
  static const char* const kLines[] = {"", " ", "3", "5", "8", " 5 ", "99", "0", "x", "-3"};
  const char* eol = Rng() % 4 ? "\r\n" : "\n";
  std::string bytes;
  for (unsigned n = Rng() % 6; n > 0; --n) bytes += std::string(kLines[Rng() % 10]) + eol;
  return bytes;
}

}  // namespace

// Random list files (blank lines, unknown and known identifiers, repeats),
// random changes of the user's or none, and a random way out, against the plain
// rule: a box, read before the program ends, exactly when the folder takes no
// file and the user's list (or record limit) is not what the file gives, which
// speaks of changes only when the user changed what is lost; a file that holds
// what would be written is not written.
TEST(ProgramClose, WhatTheUserWouldLoseIsSaidAndReadBeforeTheEndAndAFileThatHoldsItIsNotWritten) {
  std::mt19937 rng(20261208);
  for (int round = 0; round < 64; ++round) {
    const TFault fault = TFault(round % 4);
    const bool exitButton = rng() % 2;
    TProgramDriver drv;
    const String settings = drv.Folder() + u"Settings/", list = settings + u"ListDB_for_Search.txt",
                 ini = settings + u"Borrowline.ini";
    ASSERT_TRUE(ForceDirectories(settings));
    std::string resources = kResourceListHead;
    for (int id : {3, 5, 8}) resources += ResourceListLine(id, "R", "db", "h", 210, "usmarc");
    WriteBytes(settings + u"ListDB.txt", resources);
    const bool listThere = rng() % 6 != 0;
    const std::string listBefore = listThere ? RandomListFile(rng) : "";
    if (listThere) WriteBytes(list, listBefore);
    // No settings file, every key (limit 10 or 25), or the limit 25 alone.
    const unsigned iniKind = rng() % 4;
    const std::string fileLimit = iniKind <= 1 ? "10" : "25";
    TSettingsValues every;
    every.DirSave = drv.Folder() + u"Import/";
    every.RecCountFromDB = FromUtf8(fileLimit);
    if (iniKind == 1 || iniKind == 2) WriteSettingsFile(ini, every, [](const String&) { return true; });
    if (iniKind == 3) WriteBytes(ini, "[FIND]\r\nRecCountFromDB=25\r\n");
    const std::string iniBefore = Bytes(ini);
    std::ostringstream trace;
    trace << "fault " << int(fault) << (exitButton ? ", \"Выход\"" : ", close box") << ", list "
          << ::testing::PrintToString(listBefore) << ", ini " << iniKind;

    ASSERT_TRUE(drv.Start());
    drv.AdvanceClock(100);
    std::vector<std::string> user = Given(listBefore, true);
    std::string limit = fileLimit;
    static const char* const kActions[] = {"untick all", "delete", "clear", "load", "limit"};
    for (unsigned a = rng() % 4; a > 0; --a) {
      const unsigned what = rng() % 5;
      if (what == 0) drv.Press(Form_Main, u"SB_UnCheck");
      if (what == 1 && !user.empty()) {
        const Integer at = Integer(rng() % user.size());
        Form_Main->clb_ListDB_Names->SetItemIndex(at);
        drv.Press(Form_Main, u"SB_N_Del");
        user.erase(user.begin() + at);
      }
      if (what == 2) {
        drv.AnswerBox(true);
        drv.Press(Form_Main, u"SB_N_Clear");
        user.clear();
      }
      if (what == 3) {
        const std::string variant = RandomListFile(rng);
        WriteBytes(drv.Folder() + u"MyWork/v.vvv", variant);
        drv.WhenModal<TFileDialogForm>([&drv](TFileDialogForm* d) {
          d->Edit_Name->SetText(drv.Folder() + u"MyWork/v.vvv");
          drv.Click(d->Button_OK);
        });
        drv.Press(Form_Main, u"sb_ListDB_Load");
        user = Given(variant, true);
      }
      if (what == 4) drv.SetText(Form_Main, u"Edit_RecCount_FromDB", FromUtf8(limit = rng() % 2 ? "10" : " 25 "));
      trace << ", " << kActions[what];
    }
    SCOPED_TRACE(trace.str());
    std::vector<std::string> shown;
    for (Integer i = 0; i < Form_Main->lb_ListDB_ID->GetCount(); ++i)
      shown.push_back(ToUtf8(Form_Main->lb_ListDB_ID->GetItems()->Get(i)));
    ASSERT_EQ(shown, user) << "the model follows the program";

    std::string userBytes;
    for (const std::string& l : user) userBytes += l + "\r\n";
    // A folder gone gives no file; an empty list is an empty file, which a full disk still takes.
    const bool gone = fault == TFault::Gone;
    const bool listDiffers = Given(userBytes, false) != Given(gone ? "" : listBefore, false);
    const bool listLost = listDiffers && fault != TFault::None && !(fault == TFault::Full && user.empty());
    const std::string stored = limit == " 25 " ? "25" : limit;
    const bool limitLost = fault != TFault::None && stored != (gone ? "10" : fileLimit);
    const bool listHeld = listThere && listBefore == userBytes;
    const bool iniHeld = (iniKind == 1 || iniKind == 2) && stored == fileLimit;
    const bool changesLost = (listLost && user != Given(listBefore, true)) || (limitLost && stored != fileLimit);
    const size_t boxesBefore = drv.Boxes().size();
    const ino_t listNode = Inode(list), iniNode = Inode(ini);
    std::vector<std::pair<TShownBox, bool>> seen;
    if (listLost || limitLost) ReadThenOk(drv, seen);
    {
      TScopeExit mend(Break(fault, settings));
      if (exitButton) drv.Press(Form_Main, u"SB_Menu_Close");
      else drv.CloseMainWindow();
    }
    EXPECT_TRUE(Application->GetTerminated()) << "the program ends, after the box";
    ASSERT_EQ(seen.size(), listLost || limitLost ? 1u : 0u);
    if (!seen.empty()) {
      const String what = limitLost && listLost ? u"настройки и список Z39.50-ресурсов для поиска"
                          : limitLost ? u"настройки"
                                      : u"список Z39.50-ресурсов для поиска";
      EXPECT_EQ(seen[0].first.Caption + u"/" + seen[0].first.Head, u"Сохранение настроек/Ошибка");
      EXPECT_EQ(seen[0].first.Text, LostText(fault, settings, what, changesLost));
      const String& text = seen[0].first.Text;
      EXPECT_TRUE(VisibleMessageText(seen[0].first.Caption, seen[0].first.Head, text)
                      .starts_with(text.substr(0, text.find(u" Не удалось"))))
          << "the cause reads without scrolling";
      EXPECT_FALSE(seen[0].second) << "the box stays until OK";
    }
    EXPECT_EQ(drv.Boxes().size(), boxesBefore) << "no other box";

    // What the files give now; a file that held it already is untouched.
    if (fault == TFault::None || (fault == TFault::Full && user.empty())) {
      EXPECT_EQ(Given(Bytes(list), false), Given(userBytes, false));
    } else {
      EXPECT_EQ(Bytes(list), listBefore);
    }
    const String limitAfter = TIniFile(ini).ReadString(u"FIND", u"RecCountFromDB", u"10");
    EXPECT_EQ(ToUtf8(limitAfter), fault == TFault::None ? stored : fileLimit);
    EXPECT_TRUE(fault == TFault::None || Bytes(ini) == iniBefore);
    EXPECT_TRUE(!listHeld || Inode(list) == listNode) << "a list file that held it is not written";
    EXPECT_TRUE(!iniHeld || Inode(ini) == iniNode) << "a settings file that held it is not written";
  }
}

// A program folder that takes no new folder has no settings folder: start-up
// reads nothing from the current folder, whatever it holds, and the close
// writes nothing there, saying what it cannot keep.
TEST(ProgramClose, WithoutASettingsFolderNothingIsReadOrWrittenInTheCurrentFolderAndTheLossIsSaid) {
  TProgramDriver drv;
  TTempFolder work;
  const std::string resources = std::string(kResourceListHead) + ResourceListLine(3, "R", "db", "h", 210, "usmarc");
  const std::map<std::string, std::string> files = {{"Borrowline.ini", "[FIND]\r\nRecCountFromDB=25\r\n"},
                                                    {"ListDB.txt", resources},
                                                    {"ListDB_for_Search.txt", "3\r\n"}};
  for (const auto& [name, bytes] : files) WriteBytes(work.Path() + FromUtf8(name), bytes);
  const std::string here = std::filesystem::current_path().string();
  ASSERT_EQ(::chdir(work.Utf8().c_str()), 0);
  const std::string program = ToUtf8(ExcludeTrailingPathDelimiter(drv.Folder()));
  ::chmod(program.c_str(), 0555);
  DacOverride(false);
  TScopeExit mend([&] {
    DacOverride(true);
    ::chmod(program.c_str(), 0755);
    ::chdir(here.c_str());
  });

  ASSERT_TRUE(drv.Start());
  drv.AdvanceClock(100);
  ASSERT_EQ(SettingsFolder, u"");
  EXPECT_EQ(Form_Main->Edit_RecCount_FromDB->GetText(), u"10");
  EXPECT_EQ(Form_Main->lb_ListDB_ID->GetCount(), 0);
  EXPECT_EQ(Dlg_ListDB->GetResourceTable().AllRecords().size(), 1u) << "the root group alone";

  drv.SetText(Form_Main, u"Edit_RecCount_FromDB", u"7");
  std::vector<std::pair<TShownBox, bool>> seen;
  ReadThenOk(drv, seen);
  drv.CloseMainWindow();
  EXPECT_TRUE(Application->GetTerminated());
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].first.Caption + u"/" + seen[0].first.Head, u"Сохранение настроек/Ошибка");
  EXPECT_EQ(seen[0].first.Text,
            u"Папка настроек не существует. Не удалось сохранить настройки. Сделанные изменения "
            u"будут потеряны. Папка: " +
                drv.Folder() + u"Settings/.");
  EXPECT_FALSE(seen[0].second) << "the box stays until OK";
  std::vector<std::string> names;
  for (const auto& [name, bytes] : files) {
    names.push_back(name);
    EXPECT_EQ(Bytes(work.Path() + FromUtf8(name)), bytes) << name;
  }
  EXPECT_EQ(work.Entries(), names);
}

// The settings file or the search list, with a folder or a pipe in its place or
// a file the program may not read at start-up: the close leaves it as it is
// and says it could not keep what it holds, speaking of changes only where the
// user made some; the other file is saved as ever.
TEST(ProgramClose, AFileStartUpCouldNotReadIsLeftAsItIsAndTheCloseSaysSo) {
  enum class TKind { Folder, Pipe, Unreadable };
  for (const TKind kind : {TKind::Folder, TKind::Pipe, TKind::Unreadable}) {
    for (const bool settingsFile : {true, false}) {
      SCOPED_TRACE(std::to_string(int(kind)) + (settingsFile ? ", the settings" : ", the search list"));
      TProgramDriver drv;
      const String settings = drv.Folder() + u"Settings/", ini = settings + u"Borrowline.ini",
                   list = settings + u"ListDB_for_Search.txt", file = settingsFile ? ini : list;
      ASSERT_TRUE(ForceDirectories(settings));
      WriteBytes(settings + u"ListDB.txt", std::string(kResourceListHead) +
                                               ResourceListLine(3, "R", "db", "h", 210, "usmarc") +
                                               ResourceListLine(5, "S", "db", "h", 210, "usmarc"));
      const std::string bytes = settingsFile ? "[FIND]\r\nRecCountFromDB=25\r\n" : "3\r\n5\r\n";
      WriteBytes(ini, "[FIND]\r\nRecCountFromDB=25\r\n");
      WriteBytes(list, "3\r\n5\r\n");
      const std::string path = ToUtf8(file);
      if (kind == TKind::Unreadable) {
        ASSERT_EQ(::chmod(path.c_str(), 0), 0);
        DacOverride(false);
      } else {
        ASSERT_TRUE(DeleteFile(file));
        ASSERT_TRUE(kind == TKind::Folder ? ForceDirectories(file + u"/kept/") : ::mkfifo(path.c_str(), 0600) == 0);
      }
      TScopeExit mend([] { DacOverride(true); });

      ASSERT_TRUE(drv.Start());
      drv.AnswerBox(true);
      drv.AdvanceClock(100);
      ASSERT_EQ(drv.Boxes().size(), 1u);
      EXPECT_EQ(drv.Boxes()[0].Text, kind == TKind::Unreadable
                                         ? u"\"" + file +
                                               u"\" не прочитан: нет права на чтение файла. Пока он не "
                                               u"прочитан, файл не будет перезаписан."
                                         : NotARegularFileText(file));
      // The user changes the record limit and takes the first entry off the list.
      drv.SetText(Form_Main, u"Edit_RecCount_FromDB", u"7");
      Form_Main->clb_ListDB_Names->SetItemIndex(0);
      drv.Press(Form_Main, u"SB_N_Del");
      std::vector<std::pair<TShownBox, bool>> seen;
      ReadThenOk(drv, seen);
      drv.CloseMainWindow();
      DacOverride(true);
      EXPECT_TRUE(Application->GetTerminated());

      ASSERT_EQ(seen.size(), 1u);
      EXPECT_EQ(seen[0].first.Caption + u"/" + seen[0].first.Head, u"Сохранение настроек/Ошибка");
      EXPECT_EQ(seen[0].first.Text, u"Файл " + ExtractFileName(file) +
                                        u" не был прочитан при запуске программы, поэтому он оставлен как "
                                        u"есть. Не удалось сохранить " +
                                        (settingsFile ? u"настройки. Сделанные изменения будут потеряны. "
                                                      : u"список Z39.50-ресурсов для поиска. ") +
                                        u"Папка: " + settings + u".");
      EXPECT_FALSE(seen[0].second) << "the box stays until OK";
      struct stat st = {};
      ASSERT_EQ(::stat(path.c_str(), &st), 0);
      EXPECT_TRUE(kind != TKind::Folder || DirectoryExists(file + u"/kept/"));
      EXPECT_TRUE(kind != TKind::Pipe || S_ISFIFO(st.st_mode));
      if (kind == TKind::Unreadable) {
        EXPECT_EQ(st.st_mode & 07777, 0u);
        EXPECT_EQ(ReadFileBytes(file), bytes);
      }
      if (settingsFile) EXPECT_EQ(ReadFileBytes(list), "5\r\n");
      else EXPECT_EQ(TIniFile(ini).ReadString(u"FIND", u"RecCountFromDB", String()), u"7");
    }
  }
}

// A run over three resources, the main window closed once the first one's file
// is saved: between two ticks, while the second waits for its server, or
// while the second's records come, piece by piece, after its answer. The
// run ends as a stop ends it, without a box to answer: the log on disk names
// the file saved and the search given up (before its answer, or while its
// records came, no piece of them asked for after the close), the file is
// whole, and the settings are saved.
TEST(ProgramClose, ClosedDuringARunTheProgramEndsTheRunAsAStopDoesAndWritesItsLog) {
  TRussianFormats formats;
  TScopeExit plainServer([] { RegisterOleClass(LendServerProgID, [] { return std::make_shared<TLendServer>(); }); });
  enum TWhen { BetweenTicks, ServerWaitedFor, RecordsComing };
  for (const TWhen when : {BetweenTicks, ServerWaitedFor, RecordsComing}) {
    SCOPED_TRACE(when == BetweenTicks      ? "between two ticks"
                 : when == ServerWaitedFor ? "while a server is waited for"
                                           : "while the middle resource's records come");
    ZTestServer z;  // its log tells when records come piece by piece
    TProgramDriver drv;
    const String settings = drv.Folder() + u"Settings/", import = drv.Folder() + u"Import/";
    ASSERT_TRUE(ForceDirectories(settings));
    const bool fetching = when == RecordsComing;
    const std::string term = fetching ? "3000" : "2";
    std::string resources = kResourceListHead;
    resources += ResourceListLine(1, "Alpha", "Default", ZTestServer::Host(), z.Port(), "usmarc");
    resources += fetching ? ResourceListLine(2, "Large", "Default", ZTestServer::Host(), z.Port(), "usmarc")
                          : ResourceListLine(2, "Slow", "Slow1", ZTestServer::Host(), z.Port(), "usmarc");
    resources += ResourceListLine(3, "Gamma", "Default", ZTestServer::Host(), z.Port(), "usmarc");
    WriteBytes(settings + u"ListDB.txt", resources);
    WriteBytes(settings + u"ListDB_for_Search.txt", "1\r\n2\r\n3\r\n");
    TSettingsValues v;
    v.DirSave = import;
    v.Title_Text = FromUtf8(term);
    v.RecCountFromDB = FromUtf8(term);
    WriteSettingsFile(settings + u"Borrowline.ini", v, [](const String&) { return true; });
    size_t presentsAtClose = 0;
    std::function<void()> close = [&] {
      presentsAtClose = z.Requests("Present");
      drv.SetText(Form_Main, u"Edit_RecCount_FromDB", u"7");
      drv.CloseMainWindow();
    };
    // The second search answered, and a piece of its records asked for after it.
    auto secondsRecordsComing = [&] {
      const std::string log = z.Log();
      const size_t second = log.find("[request] Search ", log.find("[request] Search ") + 1);
      return second != std::string::npos && log.find("[request] Present ", second) != std::string::npos;
    };
    RegisterOleClass(LendServerProgID, [&] {
      return fetching ? std::make_shared<TActingServer>(&close, 0, String(), secondsRecordsComing)
                      : std::make_shared<TActingServer>(&close, 0, u"Slow1");
    });
    ASSERT_TRUE(drv.Start());
    drv.AdvanceClock(100);

    drv.Press(Form_Main, u"sb_Start");
    drv.AdvanceClock(55);  // Alpha
    ASSERT_EQ(Form_Main->clb_ListDB_Names->GetItems()->Get(0), FromUtf8("(" + term + ") Alpha (usmarc)"));
    if (when == BetweenTicks) std::exchange(close, nullptr)();
    for (int i = 0; i < 10 && !Application->GetTerminated(); ++i) drv.AdvanceClock(55);
    EXPECT_FALSE(close);
    // The 3000 records come in about ten pieces: none is asked for after the
    // close (one asked for just before it may be logged after it).
    if (fetching) {
      EXPECT_LE(z.Requests("Present"), presentsAtClose + 1) << z.Log();
    }
    EXPECT_TRUE(Application->GetTerminated());
    EXPECT_TRUE(drv.Boxes().empty()) << ToUtf8(drv.Boxes().front().Text);

    char iso[64];
    std::snprintf(iso, sizeof iso, "00001-127_0_0_1-Default-%d-usmarc.iso", z.Port());
    const std::string pqf = "@attr 1=4 \"" + term + "\"";
    const std::string expected =
        DirectZoomFetch(ZTestServer::Host(), z.Port(), "Default", pqf.c_str(), std::stoul(term)).Joined();
    ASSERT_FALSE(expected.empty());
    EXPECT_TRUE(ReadFileBytes(import + FromUtf8(iso)) == expected);
    std::vector<String> log;
    TStringList lines;
    lines.SetText(AnsiToString(ReadFileBytes(import + u"!_LOG.txt")));
    for (Integer i = 5; i < lines.GetCount(); ++i) log.push_back(lines.Get(i));
    std::vector<String> tail = {FromUtf8("(" + term + ") Alpha (usmarc) => ") + FromUtf8(iso)};
    if (when != BetweenTicks)
      tail.push_back(fetching ? u"Error: Large (usmarc) => " +
                                    SearchLogFoundFailureText(3000, SearchLogStoppedWhileFetchingText)
                              : String(u"Error: Slow (usmarc) => ") + SearchLogNotAnsweredText);
    tail.push_back(String(49, u'-'));
    ASSERT_EQ(log.size(), tail.size() + 2) << ToUtf8(lines.GetText());
    EXPECT_EQ(std::vector<String>(log.begin(), log.begin() + tail.size()), tail);
    EXPECT_TRUE(log[tail.size()].starts_with(u"STOP: "));
    EXPECT_EQ(log.back(), u"Поиск информации остановлен по требованию Пользователя!");
    EXPECT_EQ(ReadSearchSettings(settings + u"Borrowline.ini", drv.Folder()).RecCountFromDB, u"7");
  }
}
