// Start-up, the single-instance guard, the clock and the close of the program,
// driven headless through its windows.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <dirent.h>

#include <filesystem>
#include <regex>
#include <set>

#include "client/InstanceGuard.h"
#include "client/ResourceList.h"
#include "client/z39_02_ListDB.h"
#include "client/z39_03_EditDB.h"
#include "client/z39_05_Settings.h"
#include "client/z39_07_About.h"
#include "client/z39_08_Wait.h"
#include "platform/core/Files.h"
#include "platform/core/IniFiles.h"
#include "platform/core/Strings.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/ExtCtrls.h"
#include "tests/client/ProgramDriver.h"
#include "tests/client/ResourceListText.h"

namespace {

String IniValue(const String& File, const String& Section, const String& Key) {
  return TIniFile(File).ReadString(Section, Key, u"<absent>");
}

Integer KeyCount(const String& File, const String& Section) {
  TStringList keys;
  TIniFile(File).ReadSection(Section, &keys);
  return keys.GetCount();
}

// Another copy of the program: a child process that takes the guard for
// ProgramPath and holds it until it is killed.
class TFirstCopy {
public:
  explicit TFirstCopy(const String& ProgramPath)
      : FLockFile(TInstanceGuard::LockFileName(ExtractFileName(ProgramPath))) {
    int ready[2];
    if (::pipe(ready) != 0) return;
    FPid = ::fork();
    if (FPid == 0) {
      ::close(ready[0]);
      const char got = CheckSingleInstance(false, ProgramPath, nullptr) ? '1' : '0';
      if (::write(ready[1], &got, 1) != 1) ::_exit(2);
      for (;;) ::pause();
    }
    ::close(ready[1]);
    char got = 0;
    FHolding = ::read(ready[0], &got, 1) == 1 && got == '1';
    ::close(ready[0]);
  }
  ~TFirstCopy() { Exit(); }
  bool Holding() const { return FHolding; }
  void Exit() {
    if (FPid <= 0) return;
    ::kill(FPid, SIGKILL);
    ::waitpid(FPid, nullptr, 0);
    FPid = -1;
    // A killed copy leaves its lock file (unlocked) behind: the test takes it away.
    ::unlink(ToUtf8(FLockFile).c_str());
  }

private:
  String FLockFile;
  pid_t FPid = -1;
  bool FHolding = false;
};

// The hidden names in Folder.
std::set<std::string> HiddenNames(const String& Folder) {
  std::set<std::string> names;
  if (DIR* d = ::opendir(ToUtf8(Folder).c_str())) {
    while (const dirent* e = ::readdir(d))
      if (e->d_name[0] == '.' && std::string(e->d_name) != "." && std::string(e->d_name) != "..")
        names.insert(e->d_name);
    ::closedir(d);
  }
  return names;
}

// A copy of the program killed while it saves the resource list FileName
// (Lines) again and again: the kill lands once its temporary file is seen.
// True when it left one behind.
bool KillWhileSavingResourceList(const String& FileName, const std::vector<String>& Lines) {
  const String folder = ExtractFilePath(FileName);
  const std::set<std::string> before = HiddenNames(folder);
  for (int attempt = 0; attempt < 20; ++attempt) {
    const pid_t pid = ::fork();
    if (pid == 0) {
      for (;;) WriteResourceListFile(FileName, Lines);
    }
    for (int i = 0; i < 20000 && HiddenNames(folder) == before; ++i) ::usleep(100);
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    if (HiddenNames(folder) != before) return true;
  }
  return false;
}

}  // namespace

TEST(ProgramStartUp, SixWindowsInTheirOrderUnderTheTitleZ3950) {
  TProgramDriver drv;
  ASSERT_TRUE(drv.Start());
  EXPECT_EQ(Application->GetTitle(), u"Z39.50");
  EXPECT_EQ(Application->GetMainForm(), Form_Main);
  EXPECT_EQ(Form_Main->GetCaption(), u"Borrowline");
  EXPECT_EQ(Form_Main->GetClientWidth(), 704);
  EXPECT_EQ(Form_Main->GetClientHeight(), 490);
  ASSERT_EQ(Application->GetComponentCount(), 6);
  EXPECT_EQ(Application->GetComponent(0), Form_Main);
  EXPECT_EQ(Application->GetComponent(1), Dlg_ListDB);
  EXPECT_EQ(Application->GetComponent(2), Dlg_EditDB);
  EXPECT_EQ(Application->GetComponent(3), AboutBox);
  EXPECT_EQ(Application->GetComponent(4), Form_Wait_Load);
  EXPECT_EQ(Application->GetComponent(5), Dlg_Settings);
  EXPECT_EQ(Dlg_ListDB->GetCaption(), u"Список ресурсов Z39.50");
  EXPECT_EQ(Dlg_EditDB->GetCaption(), u"Редактировать информацию");
  EXPECT_EQ(Dlg_Settings->GetCaption(), u"Настройки программы");
  EXPECT_EQ(AboutBox->GetCaption(), u"About");
}

TEST(ProgramStartUp, FreshProgramFolderGetsItsFoldersAndEveryDefaultKeyAtClose) {
  TProgramDriver drv;
  ASSERT_TRUE(drv.Start());
  const String app = drv.Folder();
  EXPECT_EQ(AppFolder, app);
  EXPECT_TRUE(DirectoryExists(app + u"Settings"));
  EXPECT_TRUE(DirectoryExists(app + u"Import"));
  EXPECT_TRUE(DirectoryExists(app + u"MyWork"));
  EXPECT_EQ(SettingsFolder, app + u"Settings/");
  EXPECT_EQ(DirSave, app + u"Import/");
  EXPECT_EQ(Form_Main->SD1->GetInitialDir(), app + u"MyWork/");
  EXPECT_EQ(Form_Main->OD1->GetInitialDir(), app + u"MyWork/");

  drv.AdvanceClock(100);
  const String ini = app + u"Settings/Borrowline.ini";
  EXPECT_FALSE(FileExists(ini)) << "the settings file is written at the close, not before";
  drv.CloseMainWindow();

  ASSERT_TRUE(FileExists(ini));
  EXPECT_EQ(
      KeyCount(ini, u"SchemeColor") + KeyCount(ini, u"BR") + KeyCount(ini, u"FIND") + KeyCount(ini, u"FIND_SIMPLE"),
      11);
  EXPECT_EQ(IniValue(ini, u"SchemeColor", u"Index"), u"0");
  EXPECT_EQ(IniValue(ini, u"BR", u"DirSave"), app + u"Import/");
  EXPECT_EQ(IniValue(ini, u"BR", u"SaveMode"), u"0");
  EXPECT_EQ(IniValue(ini, u"FIND", u"Mode"), u"0");
  EXPECT_EQ(IniValue(ini, u"FIND", u"RecCountFromDB"), u"10");
  EXPECT_EQ(IniValue(ini, u"FIND_SIMPLE", u"Title_Check"), u"1");
  EXPECT_EQ(IniValue(ini, u"FIND_SIMPLE", u"Title_Text"), u"");
  EXPECT_EQ(IniValue(ini, u"FIND_SIMPLE", u"Author_Check"), u"0");
  EXPECT_EQ(IniValue(ini, u"FIND_SIMPLE", u"Author_Text"), u"");
  EXPECT_EQ(IniValue(ini, u"FIND_SIMPLE", u"Keyword_Check"), u"0");
  EXPECT_EQ(IniValue(ini, u"FIND_SIMPLE", u"Keyword_Text"), u"");
  // The search list is saved beside it, empty.
  EXPECT_TRUE(FileExists(app + u"Settings/ListDB_for_Search.txt"));
  EXPECT_EQ(ReadFileBytes(app + u"Settings/ListDB_for_Search.txt"), "");
}

TEST(ProgramStartUp, ValuesOutOfRangeFallBackToTheirDefaults) {
  TProgramDriver drv;
  const String ini = drv.Folder() + u"Settings/Borrowline.ini";
  ASSERT_TRUE(ForceDirectories(drv.Folder() + u"Settings"));
  {
    TIniFile f(ini);
    f.WriteString(u"SchemeColor", u"Index", u"7");
    f.WriteString(u"BR", u"SaveMode", u"5");
    f.WriteString(u"BR", u"DirSave", u"   /somewhere/else/   ");
    f.WriteString(u"FIND", u"Mode", u"-1");
    f.WriteString(u"FIND", u"RecCountFromDB", u" 25 ");
    f.WriteString(u"FIND_SIMPLE", u"Title_Check", u"0");
    f.WriteString(u"FIND_SIMPLE", u"Author_Check", u"1");
    f.WriteString(u"FIND_SIMPLE", u"Keyword_Check", u"2");
    f.WriteString(u"FIND_SIMPLE", u"Keyword_Text", u"  история  ");
  }
  ASSERT_TRUE(drv.Start());
  drv.AdvanceClock(100);

  EXPECT_EQ(Dlg_Settings->cb_ShemeColor->GetItemIndex(), 0);
  EXPECT_EQ(SchemeIndex, 0);
  EXPECT_EQ(Dlg_Settings->rg_BR_SaveMode->GetItemIndex(), 0);
  EXPECT_EQ(Form_Main->cb_FindMode->GetItemIndex(), 0);
  EXPECT_EQ(Form_Main->Edit_RecCount_FromDB->GetText(), u"25");
  EXPECT_EQ(DirSave, u"/somewhere/else/");
  // Boxes ticked from the file are left as the file says, several at once.
  EXPECT_FALSE(Form_Main->cb_Simple_Title->GetChecked());
  EXPECT_TRUE(Form_Main->cb_Simple_Author->GetChecked());
  EXPECT_TRUE(Form_Main->cb_Simple_Keyword->GetChecked());
  EXPECT_EQ(Form_Main->Edit_Simple_Keyword->GetText(), u"история");
}

TEST(ProgramStartUp, ClockShowsTheMomentFirstAfter100MsThenEverySecond) {
  TProgramDriver drv;
  ASSERT_TRUE(drv.Start());
  EXPECT_TRUE(Form_Main->FirstTick);
  EXPECT_EQ(Form_Main->Label_DT->GetCaption(), u"");
  drv.AdvanceClock(99);
  EXPECT_EQ(Form_Main->Label_DT->GetCaption(), u"");
  drv.AdvanceClock(1);
  EXPECT_FALSE(Form_Main->FirstTick);
  EXPECT_TRUE(std::regex_search(ToUtf8(Form_Main->Label_DT->GetCaption()),
                                std::regex(R"(^\d\d\.\d\d\.\d{4}( \d{1,2}:\d\d:\d\d)?$)")))
      << ToUtf8(Form_Main->Label_DT->GetCaption());
  EXPECT_TRUE(Form_Main->Timer_Main->GetEnabled());
  EXPECT_EQ(Form_Main->Timer_Main->GetInterval(), 1000u);
}

TEST(ProgramStartUp, SecondStartOfTheSameProgramFileIsRefusedUntilTheFirstEnds) {
  TProgramDriver drv;
  TFirstCopy first(drv.ProgramPath());
  ASSERT_TRUE(first.Holding());

  EXPECT_FALSE(drv.Start());
  ASSERT_EQ(drv.Boxes().size(), 1u);
  EXPECT_TRUE(drv.Boxes()[0].Plain);
  EXPECT_EQ(drv.Boxes()[0].Text, u"Одна копия приложения : \"" + drv.ProgramFileName() + u"\" - уже работает");
  EXPECT_EQ(Form_Main, nullptr);
  EXPECT_EQ(Screen->GetFormCount(), 0);
  EXPECT_FALSE(DirectoryExists(drv.Folder() + u"Settings")) << "nothing of the program ran";

  first.Exit();
  ASSERT_TRUE(drv.Start());
  EXPECT_NE(Form_Main, nullptr);
  EXPECT_EQ(drv.Boxes().size(), 1u);
}

TEST(ProgramStartUp, CopyInAnotherFolderWithTheSameFileNameCountsAsRunning) {
  TProgramDriver drv;
  TFirstCopy first(u"/some/other/folder/" + drv.ProgramFileName());
  ASSERT_TRUE(first.Holding());
  EXPECT_FALSE(drv.Start());
  ASSERT_EQ(drv.Boxes().size(), 1u);
  EXPECT_NE(drv.Boxes()[0].Text.find(drv.ProgramFileName()), String::npos);
}

TEST(ProgramShutDown, ExitButtonSavesTheSettingsAsTheControlsHoldThem) {
  TProgramDriver drv;
  ASSERT_TRUE(drv.Start());
  drv.AdvanceClock(100);
  drv.SetText(Form_Main, u"Edit_Simple_Author", u"  Толстой  ");
  drv.SetText(Form_Main, u"Edit_RecCount_FromDB", u"abc");
  Form_Main->cb_Simple_Author->SetChecked(true);
  Dlg_Settings->rg_BR_SaveMode->SetItemIndex(1);
  drv.Press(Form_Main, u"SB_Menu_Close");

  const String ini = drv.Folder() + u"Settings/Borrowline.ini";
  EXPECT_EQ(IniValue(ini, u"FIND_SIMPLE", u"Author_Text"), u"Толстой");
  EXPECT_EQ(IniValue(ini, u"FIND_SIMPLE", u"Author_Check"), u"1");
  EXPECT_EQ(IniValue(ini, u"FIND", u"RecCountFromDB"), u"abc") << "the limit is checked by a search, not here";
  EXPECT_EQ(IniValue(ini, u"BR", u"SaveMode"), u"1");
  EXPECT_TRUE(Application->GetTerminated());
}

TEST(ProgramShutDown, SaveFolderChosenForTheSessionIsNotWrittenToTheFile) {
  TProgramDriver drv;
  ASSERT_TRUE(drv.Start());
  drv.AdvanceClock(100);
  DirSave = drv.Folder() + u"MyWork/";  // as "Сохранять в ..." leaves it
  drv.CloseMainWindow();
  EXPECT_EQ(IniValue(drv.Folder() + u"Settings/Borrowline.ini", u"BR", u"DirSave"), drv.Folder() + u"Import/");
}

TEST(ProgramShutDown, FailedSaveIsReportedAndTheWindowStillCloses) {
  TProgramDriver drv;
  const String list = drv.Folder() + u"Settings/ListDB_for_Search.txt";
  ASSERT_TRUE(ForceDirectories(drv.Folder() + u"Settings/"));
  WriteBytes(list, "5\r\n");
  ASSERT_TRUE(drv.StartWithResourceList(kResourceListHead + ResourceListLine(5, "A", "db", "h", 210, "rusmarc")));
  ASSERT_EQ(Form_Main->lb_ListDB_ID->GetCount(), 1);
  // A folder where the search list file should go: the list cannot be written.
  ASSERT_TRUE(DeleteFile(list));
  ASSERT_TRUE(ForceDirectories(list));
  drv.AnswerBox(true);
  drv.CloseMainWindow();
  EXPECT_TRUE(Application->GetTerminated());
  ASSERT_EQ(drv.Boxes().size(), 1u);
  // The user changed nothing: no change is said to be lost.
  EXPECT_EQ(drv.Boxes()[0].Text,
            u"Файл ListDB_for_Search.txt в папке настроек не является обычным файлом. Не удалось "
            u"сохранить список Z39.50-ресурсов для поиска. Папка: " +
                drv.Folder() + u"Settings/.");
  // The settings written before the failure are there.
  EXPECT_EQ(IniValue(drv.Folder() + u"Settings/Borrowline.ini", u"FIND", u"RecCountFromDB"), u"10");
}

TEST(ProgramShutDown, ASettingsFileThatCannotBeWrittenStillLetsTheSearchListBeSaved) {
  TProgramDriver drv;
  ASSERT_TRUE(drv.Start());
  drv.AdvanceClock(100);
  ASSERT_TRUE(ForceDirectories(drv.Folder() + u"Settings/Borrowline.ini"));
  drv.SetText(Form_Main, u"Edit_RecCount_FromDB", u"25");
  Form_Main->lb_ListDB_ID->GetItems()->Add(u"7");
  drv.AnswerBox(true);
  drv.CloseMainWindow();
  EXPECT_TRUE(Application->GetTerminated());
  ASSERT_EQ(drv.Boxes().size(), 1u);
  EXPECT_EQ(drv.Boxes()[0].Text,
            u"Файл Borrowline.ini в папке настроек не является обычным файлом. Не удалось "
            u"сохранить настройки. Сделанные изменения будут потеряны. Папка: " +
                drv.Folder() + u"Settings/.");
  EXPECT_EQ(ReadFileBytes(drv.Folder() + u"Settings/ListDB_for_Search.txt"), "7\r\n");
}

TEST(ProgramShutDown, ChangedSettingsASettingsFolderTurnedReadOnlyWouldLoseAreReported) {
  if (!std::filesystem::is_directory("/proc/self")) GTEST_SKIP() << "no /proc";
  TProgramDriver drv;
  ASSERT_TRUE(drv.Start());
  drv.AdvanceClock(100);
  drv.SetText(Form_Main, u"Edit_RecCount_FromDB", u"25");
  // Root writes anywhere: the folder's name is made to lead to /proc, where
  // no file can be made.
  const std::string settings = ToUtf8(drv.Folder()) + "Settings";
  ASSERT_EQ(::rename(settings.c_str(), (settings + ".kept").c_str()), 0);
  ASSERT_EQ(::symlink("/proc", settings.c_str()), 0);
  drv.AnswerBox(true);
  drv.CloseMainWindow();
  ::unlink(settings.c_str());
  ::rename((settings + ".kept").c_str(), settings.c_str());
  EXPECT_TRUE(Application->GetTerminated());
  ASSERT_EQ(drv.Boxes().size(), 1u);
  EXPECT_FALSE(drv.Boxes()[0].Plain);
  EXPECT_EQ(drv.Boxes()[0].Text,
            u"Папка настроек - только для чтения. Не удалось сохранить настройки. Сделанные "
            u"изменения будут потеряны. Папка: " +
                drv.Folder() + u"Settings/.");
}

TEST(ProgramShutDown, WholeRunEndsWhenTheMainWindowClosesAndFreesTheWindows) {
  TProgramDriver drv;
  drv.Display().WhenIdle([&] {
    EXPECT_TRUE(Form_Main->GetVisible()) << "the loop shows the main window";
    drv.AdvanceClock(100);
    EXPECT_FALSE(Form_Main->FirstTick);
    PostMessage(Form_Main->GetHandle(), WM_CLOSE);
  });
  EXPECT_EQ(ProgramRun(), 0);
  EXPECT_EQ(Form_Main, nullptr);
  EXPECT_EQ(Dlg_Settings, nullptr);
  EXPECT_EQ(AppFolder, u"");
  EXPECT_TRUE(FileExists(drv.Folder() + u"Settings/Borrowline.ini"));
}

TEST(ProgramShutDown, RefusedStartEndsTheRunAtOnce) {
  TProgramDriver drv;
  TFirstCopy first(drv.ProgramPath());
  ASSERT_TRUE(first.Holding());
  EXPECT_NE(ProgramRun(), 0);
  EXPECT_EQ(drv.Boxes().size(), 1u);
}

TEST(ProgramStartUp, APipeOrAFolderInPlaceOfAFileIsReadAsMissingAndSaid) {
  TProgramDriver drv;
  const String settings = drv.Folder() + u"Settings/";
  ASSERT_TRUE(ForceDirectories(settings));
  // Opening a pipe for reading waits for a writer that never comes.
  ASSERT_EQ(::mkfifo(ToUtf8(settings + u"ListDB.txt").c_str(), 0600), 0);
  ASSERT_EQ(::mkfifo(ToUtf8(settings + u"Borrowline.ini").c_str(), 0600), 0);
  ASSERT_TRUE(ForceDirectories(settings + u"ListDB_for_Search.txt"));
  ASSERT_TRUE(drv.Start());
  for (int i = 0; i < 3; ++i) drv.AnswerBox(true);
  drv.AdvanceClock(100);
  std::vector<String> texts;
  for (const TShownBox& b : drv.Boxes()) texts.push_back(b.Text);
  EXPECT_EQ(texts, (std::vector<String>{NotARegularFileText(settings + u"Borrowline.ini"),
                                        NotARegularFileText(settings + u"ListDB.txt"),
                                        NotARegularFileText(settings + u"ListDB_for_Search.txt")}));
  // As with missing files: the root group alone, an empty search list, the default settings.
  EXPECT_EQ(Dlg_ListDB->GetResourceTable().AllRecords().size(), 1u);
  EXPECT_EQ(Form_Main->lb_ListDB_ID->GetCount(), 0);
  EXPECT_EQ(Form_Main->Edit_RecCount_FromDB->GetText(), u"10");
}

TEST(ProgramShutDown, ClosingBeforeStartUpHasReadTheFilesLeavesThemAsTheyWere) {
  // Closed at once, before the first tick; and closed while the resource list
  // is being read, which lets the close run before the settings are read. The
  // user's close box is ignored until start-up ends: these are closes the
  // program is sent (a session that ends, say).
  for (const bool duringLoad : {false, true}) {
    SCOPED_TRACE(duringLoad ? "closed during the load" : "closed at once");
    TProgramDriver drv;
    const String settings = drv.Folder() + u"Settings/";
    ASSERT_TRUE(ForceDirectories(settings));
    const std::string ini = "[SchemeColor]\r\nIndex=1\r\n[FIND]\r\nRecCountFromDB=77\r\n";
    const std::string list = "5\r\n7\r\n";
    WriteBytes(settings + u"Borrowline.ini", ini);
    WriteBytes(settings + u"ListDB_for_Search.txt", list);
    WriteBytes(settings + u"ListDB.txt", std::string(kResourceListHead) +
                                             ResourceListLine(5, "A", "db", "h", 210, "rusmarc") +
                                             ResourceListLine(7, "B", "db", "h", 210, "rusmarc"));
    ASSERT_TRUE(drv.Start());
    if (duringLoad) {
      Form_Wait_Load->OnShow = [](TObject*) { PostMessage(Form_Main->GetHandle(), WM_CLOSE); };
      drv.AdvanceClock(100);
      EXPECT_EQ(Form_Main->lb_ListDB_ID->GetCount(), 2) << "the load went on to its end";
    } else {
      PostMessage(Form_Main->GetHandle(), WM_CLOSE);
      drv.Display().ProcessMessages();
    }
    EXPECT_TRUE(Application->GetTerminated());
    EXPECT_EQ(ReadFileBytes(settings + u"Borrowline.ini"), ini);
    EXPECT_EQ(ReadFileBytes(settings + u"ListDB_for_Search.txt"), list);
  }
}

TEST(ProgramStartUp, TemporaryFilesOfACopyKilledWhileSavingGoAtTheNextStartAndSave) {
  TProgramDriver drv;
  const String settings = drv.Folder() + u"Settings/";
  ASSERT_TRUE(ForceDirectories(settings));
  std::vector<String> lines = {ResourceListHeaderLine(), ResourceListRulerLine(),
                               u"0\t-1\t0\t0\t+\t+\tRoot\t \t \t0\t \t \t \t \t \t"};
  for (Integer id = 1; id <= 20000; ++id)
    lines.push_back(IntToStr(id) + u"\t0\t1\t" + IntToStr(id) + u"\t+\t+\tРесурс " + IntToStr(id) +
                    u"\tDefault\t127.0.0.1\t210\tusmarc\t???\t \t \t \t");
  const String list = settings + u"ListDB.txt";
  WriteResourceListFile(list, lines);
  const size_t whole = LoadResourceListFile(list).size();
  // Other programs' hidden files beside it, a look-alike among them, stay.
  const std::set<std::string> others = {".ListDB.txt.Ab3dE9", ".ListDB.txt.swp", ".ListDB.txt.Ab3dE9.borrow-tmp.x"};
  for (const std::string& n : others) WriteBytes(settings + FromUtf8(n), "not ours");
  ASSERT_TRUE(KillWhileSavingResourceList(list, lines));
  ASSERT_GT(HiddenNames(settings).size(), others.size());

  ASSERT_TRUE(drv.Start());
  drv.AdvanceClock(100);
  EXPECT_EQ(HiddenNames(settings), others);
  EXPECT_EQ(LoadResourceListFile(list).size(), whole);  // the list itself was always whole

  // A copy killed meanwhile by the same folder (another program file name,
  // say): the next save of the list clears its leftover.
  ASSERT_TRUE(KillWhileSavingResourceList(list, lines));
  ASSERT_GT(HiddenNames(settings).size(), others.size());
  EXPECT_TRUE(Dlg_ListDB->SaveResourceList());
  EXPECT_EQ(HiddenNames(settings), others);
  EXPECT_EQ(LoadResourceListFile(list).size(), whole);
}

TEST(ProgramStartUp, AResourceListThatCannotBeReadIsSaidAndKeptFromEverySaveUntilALoadReadsIt) {
  // A regular file whose reading fails, as one the user may not read does
  // (root reads every file whatever its mode).
  if (!std::filesystem::exists("/proc/self/mem")) GTEST_SKIP() << "no /proc";
  const std::string readable = std::string(kResourceListHead) + ResourceListLine(5, "A", "db", "h", 210, "rusmarc");
  for (const bool loadedAgain : {false, true}) {
    SCOPED_TRACE(loadedAgain ? "a list that reads is loaded again" : "left while unread");
    TProgramDriver drv;
    const String settings = drv.Folder() + u"Settings/";
    const String file = settings + u"ListDB.txt";
    const String ini = settings + u"Borrowline.ini";
    ASSERT_TRUE(ForceDirectories(settings));
    WriteBytes(ini, "[FIND]\r\nRecCountFromDB=25\r\n");
    WriteBytes(settings + u"ListDB_for_Search.txt", "5\r\n");
    std::filesystem::create_symlink("/proc/self/mem", ToUtf8(file));
    auto untouched = [&] {
      const std::string name = ToUtf8(file);
      return std::filesystem::is_symlink(name) && std::filesystem::read_symlink(name) == "/proc/self/mem";
    };

    ASSERT_TRUE(drv.Start());
    drv.AnswerBox(true);
    drv.AdvanceClock(100);
    ASSERT_EQ(drv.Boxes().size(), 1u);
    EXPECT_EQ(drv.Boxes()[0].Head, u"Ошибка");
    EXPECT_EQ(drv.Boxes()[0].Text,
              u"Список ресурсов не прочитан: ошибка ввода-вывода. Пока он не прочитан, файл не "
              u"будет перезаписан. Файл: " +
                  file);
    EXPECT_FALSE(Form_Wait_Load->GetVisible());
    EXPECT_EQ(Form_Main->Edit_RecCount_FromDB->GetText(), u"25") << "the settings are read all the same";
    EXPECT_EQ(Form_Main->lb_ListDB_ID->GetCount(), 0) << "no resource is known to show";

    // The editor opens on an empty table: "Сохранить", and OK after a change,
    // are refused and say why.
    const String why =
        u"Список ресурсов не сохранён: файл списка не был прочитан, и сохранение заменило бы его. "
        u"Сначала загрузите список кнопкой \"Загрузить\". Файл: " +
        file;
    drv.WhenModal<TDlg_ListDB>([&](TDlg_ListDB* w) {
      drv.AnswerBox(true);
      drv.Click(w->SB_Save);
      drv.WhenModal<TDlg_EditDB>([&](TDlg_EditDB* d) { drv.Click(d->SB_OK); });
      drv.Click(w->SB_N_Add_0);
      EXPECT_TRUE(w->Label_YesModify->GetVisible());
      drv.AnswerBox(true);
      drv.Click(w->SB_OK);
    });
    drv.Press(Form_Main, u"SB_Menu_Res");
    ASSERT_EQ(drv.Boxes().size(), 3u);
    EXPECT_EQ(drv.Boxes()[1].Text, why);
    EXPECT_EQ(drv.Boxes()[2].Text, why);
    EXPECT_TRUE(untouched());

    if (loadedAgain) {
      std::filesystem::remove(ToUtf8(file));
      WriteBytes(file, readable);
      drv.WhenModal<TDlg_ListDB>([&](TDlg_ListDB* w) {
        drv.Click(w->SB_Load);
        drv.WhenModal<TDlg_EditDB>([&](TDlg_EditDB* d) { drv.Click(d->SB_OK); });
        drv.Click(w->SB_N_Add_0);
        drv.Click(w->SB_OK);
      });
      drv.Press(Form_Main, u"SB_Menu_Res");
      EXPECT_EQ(drv.Boxes().size(), 3u);
      EXPECT_EQ(LoadResourceListFile(file).size(), 3u) << "the loaded list and the new group are saved";
      // The search list, read again, names its resource now.
      ASSERT_EQ(Form_Main->clb_ListDB_Names->GetCount(), 1);
      EXPECT_EQ(Form_Main->clb_ListDB_Names->GetItems()->Get(0), u"A (rusmarc)");
    }

    drv.Press(Form_Main, u"SB_Menu_Close");
    EXPECT_TRUE(Application->GetTerminated());
    if (!loadedAgain) {
      EXPECT_TRUE(untouched());
    }
    EXPECT_EQ(ReadFileBytes(settings + u"ListDB_for_Search.txt"), "5\r\n");
    EXPECT_EQ(IniValue(ini, u"FIND", u"RecCountFromDB"), u"25");
    EXPECT_EQ(IniValue(ini, u"FIND_SIMPLE", u"Title_Check"), u"1") << "the settings are saved on the way out";
  }
}
