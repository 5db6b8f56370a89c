// Searches run from the main window, as the user starts them: the program's
// folder holds a resource list of yaz-ztest resources, a search list and
// settings; the start button, the scan timer, the stop button and the
// message boxes go through the window driver.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>

#include "client/SettingsFile.h"
#include "client/z39_02_ListDB.h"
#include "client/z39_05_Settings.h"
#include "client/z39_08_Wait.h"
#include "grid/DBGridEh.h"
#include "lendsrv/LendServer.h"
#include "platform/automation/Automation.h"
#include "platform/core/CodePage.h"
#include "platform/core/Files.h"
#include "platform/core/FormatSettings.h"
#include "platform/ui/Input.h"
#include "tests/client/ActingServer.h"
#include "tests/client/ProgramDriver.h"
#include "tests/client/ResourceListText.h"
#include "tests/support/DirectZoom.h"
#include "tests/support/FaultServer.h"
#include "tests/support/ZTestServer.h"

namespace {

struct TZResource {
  Integer Id;
  std::string Name;
  std::string Syntax = "usmarc";
  std::string Database = "Default";
  int Port = 0;  // 0: the suite's server
};

class MainWindowRun : public ::testing::Test {
protected:
  static void SetUpTestSuite() { Z = new ZTestServer(); }
  static void TearDownTestSuite() {
    delete Z;
    Z = nullptr;
  }
  void TearDown() override {
    RegisterOleClass(LendServerProgID, [] { return std::make_shared<TLendServer>(); });
  }
  // The program's folder with its lists and settings, then start-up and the
  // first clock tick. With a Group, the resources lie in a group of that
  // identifier under the root.
  void Start(const std::vector<TZResource>& Resources, const TSettingsValues& Settings, Integer Group = 0) {
    const String settings = Drv.Folder() + u"Settings/";
    ASSERT_TRUE(ForceDirectories(settings));
    std::string list = kResourceListHead;
    std::string ids;
    if (Group > 0) list += std::to_string(Group) + "\t0\t0\t1\t+\t+\tGroup\t \t \t0\t \t \t \t \t \t\r\n";
    for (const auto& r : Resources) {
      std::string line = ResourceListLine(r.Id, r.Name, r.Database, "127.0.0.1", r.Port ? r.Port : Z->Port(), r.Syntax);
      if (Group > 0) line.replace(line.find("\t0\t"), 3, "\t" + std::to_string(Group) + "\t");
      list += line;
      ids += std::to_string(r.Id) + "\r\n";
    }
    WriteFileAtomic(settings + u"ListDB.txt", list);
    WriteFileAtomic(settings + u"ListDB_for_Search.txt", ids);
    TSettingsValues v = Settings;
    if (v.DirSave.empty()) v.DirSave = Drv.Folder() + u"Import/";
    WriteSettingsFile(SettingsFileName(settings), v, [](const String&) { return true; });
    ASSERT_TRUE(Drv.Start());
    Drv.AdvanceClock(100);
    Import = Drv.Folder() + u"Import/";
  }
  static TSettingsValues Title(const String& Term, const String& Limit = u"10") {
    TSettingsValues v;
    v.Title_Text = Term;
    v.RecCountFromDB = Limit;
    return v;
  }

  // Presses the start button and lets the scan timer run out; the end box gets OK.
  void RunToEnd() {
    Drv.AnswerBox(true);
    Drv.Press(Form_Main, u"sb_Start");
    RunOut();
  }
  // Lets the scan timer run out.
  void RunOut() {
    for (int i = 0; i < 200 && Form_Main->Timer_ScanDB->GetEnabled(); ++i) Drv.AdvanceClock(55);
  }

  std::string IsoName(Integer Id, const std::string& Syntax = "usmarc") {
    char id[8];
    std::snprintf(id, sizeof id, "%05d", Id);
    return std::string(id) + "-127_0_0_1-Default-" + std::to_string(Z->Port()) + "-" + Syntax + ".iso";
  }
  std::string Bytes(const std::string& Name) { return ReadFileBytes(Import + FromUtf8(Name)); }
  std::vector<std::string> Entries() {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(ToUtf8(Import)))
      names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  std::vector<std::string> LogLines(const std::string& Name) {
    std::vector<std::string> out;
    const std::string all = Bytes(Name);
    for (size_t at = 0; at < all.size();) {
      const size_t end = all.find("\r\n", at);
      out.push_back(ToUtf8(AnsiToString(all.substr(at, end - at))));
      at = end + 2;
    }
    return out;
  }
  std::vector<std::string> Texts() {
    std::vector<std::string> out;
    for (const auto& b : Drv.Boxes()) out.push_back(ToUtf8(b.Text));
    return out;
  }
  std::vector<std::string> Captions() {
    std::vector<std::string> out;
    TStrings* items = Form_Main->clb_ListDB_Names->GetItems();
    for (Integer i = 0; i < items->GetCount(); ++i) out.push_back(ToUtf8(items->Get(i)));
    return out;
  }

  static inline ZTestServer* Z = nullptr;
  TRussianFormats Formats;
  TProgramDriver Drv;
  String Import;
};

std::string Escaped(const std::string& S) {
  return std::regex_replace(S, std::regex(R"([.^$|()\[\]{}*+?\\])"), R"(\$&)");
}

void ExpectLines(const std::vector<std::string>& Lines, const std::vector<std::string>& Patterns) {
  ASSERT_EQ(Lines.size(), Patterns.size()) << ::testing::PrintToString(Lines);
  for (size_t i = 0; i < Lines.size(); ++i)
    EXPECT_TRUE(std::regex_match(Lines[i], std::regex(Patterns[i]))) << Lines[i] << " !~ " << Patterns[i];
}

const std::string kDate = R"(\d\d\.\d\d\.\d{4})";
const std::string kMoment = kDate + R"(( \d{1,2}:\d\d:\d\d)?)";

}  // namespace

TEST_F(MainWindowRun, TwoResourcesPerResourceWriteTwoFilesAndTheLog) {
  Start({{1, "Alpha"}, {2, "Beta"}}, Title(u"3", u"2"));
  RunToEnd();
  const std::string server = DirectZoomFetch("127.0.0.1", Z->Port(), "Default", "@attr 1=4 \"3\"", 2).Joined();
  EXPECT_EQ(Entries(), (std::vector<std::string>{"!_LOG.txt", IsoName(1), IsoName(2)}));
  EXPECT_EQ(Bytes(IsoName(1)), server);
  EXPECT_EQ(MarcDumpCount(Bytes(IsoName(2))), 2);
  ExpectLines(LogLines("!_LOG.txt"),
              {kDate, "Протокол заимствования библиографических записей",
               Escaped("Папка, куда будут сохранены записи: " + ToUtf8(Import)), "Start: " + kMoment,
               std::string(49, '='), Escaped("(2) Alpha (usmarc) => " + IsoName(1)),
               Escaped("(2) Beta (usmarc) => " + IsoName(2)), std::string(49, '='), "Finish: " + kMoment});
  EXPECT_EQ(Form_Main->Edit_BibRec_Find->GetText(), u"6");
  EXPECT_EQ(Form_Main->Edit_BibRec_Load->GetText(), u"4");
  EXPECT_EQ(Form_Main->RE_LOG->GetLines()->GetCount(), 9);
  ASSERT_EQ(Texts(), (std::vector<std::string>{"Процесс поиска и выборки закончен!"}));
  EXPECT_EQ(Drv.Boxes()[0].Caption, u"Поиск информации");
  EXPECT_FALSE(Form_Main->sb_Stop->GetEnabled());
}

TEST_F(MainWindowRun, PerSyntaxRunWritesOneFileForEachSyntaxReadInFull) {
  TSettingsValues v = Title(u"2", u"5");
  v.SaveMode = 1;
  Start({{1, "Alpha", "usmarc"}, {2, "Beta", "unimarc"}, {3, "Gamma", "USMARC"}}, v);
  RunToEnd();
  EXPECT_TRUE(Form_Main->gb_BR_Buf_2->GetVisible());
  // The format list above, a thin bar, and the log below it, all to be seen.
  const TRect list = Form_Main->gb_BR_Buf_2->GetBoundsRect();
  const TRect bar = Form_Main->Splitter_BR_Buf_2->GetBoundsRect();
  const TRect log = Form_Main->GroupBox1->GetBoundsRect();
  EXPECT_EQ(bar.Height(), 3);
  EXPECT_EQ(bar.Top, list.Bottom);
  EXPECT_EQ(log.Top, bar.Bottom);
  EXPECT_GT(log.Height(), 100);
  EXPECT_EQ(Form_Main->Splitter_BR_Buf_2->GetCursor(), crVSplit);
  EXPECT_EQ(Form_Main->ListBox_BR_Syntax->GetItems()->GetText(), u"USMARC=4\r\nUNIMARC=2\r\n");
  EXPECT_EQ(Entries(), (std::vector<std::string>{"!_LOG2.txt", "001-USMARC.iso", "002-UNIMARC.iso"}));
  EXPECT_EQ(MarcDumpCount(Bytes("001-USMARC.iso")), 4);
  EXPECT_EQ(MarcDumpCount(Bytes("002-UNIMARC.iso")), 2);
  const auto lines = LogLines("!_LOG2.txt");
  ASSERT_EQ(lines.size(), 9u);
  EXPECT_EQ(lines[5], "USMARC => 001-USMARC.iso");
  EXPECT_EQ(lines[6], "UNIMARC => 002-UNIMARC.iso");
}

TEST_F(MainWindowRun, UntickedEntryIsPassedOverAndMarked) {
  Start({{1, "Alpha"}, {2, "Beta"}, {3, "Gamma"}}, Title(u"1"));
  Drv.TickItem(Form_Main, u"clb_ListDB_Names", 1);
  ASSERT_FALSE(Form_Main->clb_ListDB_Names->GetChecked(1));
  RunToEnd();
  EXPECT_EQ(Captions(), (std::vector<std::string>{"(1) Alpha (usmarc)", "(-) Beta (usmarc)", "(1) Gamma (usmarc)"}));
  EXPECT_EQ(Entries(), (std::vector<std::string>{"!_LOG.txt", IsoName(1), IsoName(3)}));
}

TEST_F(MainWindowRun, StopAfterTheFirstResourceLeavesTheStopLinesAndMessage) {
  Start({{1, "Alpha"}, {2, "Beta"}}, Title(u"1"));
  Drv.Press(Form_Main, u"sb_Start");
  Drv.AdvanceClock(55);
  Drv.AnswerBox(true);
  Drv.Press(Form_Main, u"sb_Stop");
  Drv.AdvanceClock(500);
  EXPECT_EQ(Entries(), (std::vector<std::string>{"!_LOG.txt", IsoName(1)}));
  const auto lines = LogLines("!_LOG.txt");
  ASSERT_EQ(lines.size(), 9u);
  EXPECT_EQ(lines[6], std::string(49, '-'));
  EXPECT_TRUE(std::regex_match(lines[7], std::regex("STOP: " + kMoment)));
  EXPECT_EQ(lines[8], "Поиск информации остановлен по требованию Пользователя!");
  ASSERT_EQ(Drv.Boxes().size(), 1u);
  EXPECT_EQ(Drv.Boxes()[0].Head, u"СТОП!");
  EXPECT_EQ(Drv.Boxes()[0].Text, u"Остановлено по Вашему требованию!");
}

TEST_F(MainWindowRun, StartChecksShowTheirMessagesAndWriteNothing) {
  Start({{1, "Alpha"}}, Title(u"1", u"abc"));
  Drv.AnswerBox(true);
  Drv.Press(Form_Main, u"sb_Start");
  EXPECT_EQ(Form_Main->Edit_RecCount_FromDB->GetColor(), static_cast<TColor>(0x00FFFF));
  Drv.SetText(Form_Main, u"Edit_RecCount_FromDB", u"0");
  Drv.AnswerBox(true);
  Drv.Press(Form_Main, u"sb_Start");
  Drv.SetText(Form_Main, u"Edit_RecCount_FromDB", u"5");
  Drv.SetText(Form_Main, u"Edit_Simple_Title", u"");
  Drv.AnswerBox(true);
  Drv.Press(Form_Main, u"sb_Start");
  Drv.SetText(Form_Main, u"Edit_Simple_Title", u"1");
  DirSave = Drv.Folder() + u"missing/";
  Drv.AnswerBox(true);
  Drv.Press(Form_Main, u"sb_Start");
  EXPECT_EQ(Texts(), (std::vector<std::string>{
                         "Укажите корректное кол-во записей, которые нужно прочитать",
                         "Укажите корректное кол-во записей, которые нужно прочитать", "Не указано условие поиска",
                         "Папка для сохранения записей НЕ существует. Откройте настройки и исправьте!"}));
  EXPECT_TRUE(Entries().empty());
  EXPECT_FALSE(Form_Main->Timer_ScanDB->GetEnabled());
}

TEST_F(MainWindowRun, DeadServerInTheMiddleDoesNotStopTheRun) {
  Start({{1, "Alpha"}, {2, "Dead", "usmarc", "Default", ZTestServer::FreePort()}, {3, "Omega"}}, Title(u"1"));
  RunToEnd();
  EXPECT_EQ(Captions(), (std::vector<std::string>{"(1) Alpha (usmarc)", "Dead (usmarc)", "(1) Omega (usmarc)"}));
  EXPECT_EQ(Entries(), (std::vector<std::string>{"!_LOG.txt", IsoName(1), IsoName(3)}));
  EXPECT_EQ(Texts(), (std::vector<std::string>{"Процесс поиска и выборки закончен!"}));
}

TEST_F(MainWindowRun, TheEditorsNavigationButtonsReachAResourceForItsTestButton) {
  Start({{1, "Alpha"}}, Title(u"1"));
  const std::string before = Z->Log();
  Drv.WhenModal<TDlg_ListDB>([&](TDlg_ListDB* w) {
    Drv.Press(w, u"SB_N_Last");
    Drv.AnswerBox(true);
    Drv.Press(w, u"SB_Test");
    Drv.Display().Key(VK_ESCAPE);
  });
  Drv.Press(Form_Main, u"SB_Menu_Res");
  EXPECT_NE(Z->Log().substr(before.size()).find("@attr 1=4 Zembrin"), std::string::npos);
  EXPECT_EQ(Texts(), (std::vector<std::string>{"Тест закончен"}));
}

TEST_F(MainWindowRun, AResourceTestAgainstARefusingServerSaysWhyInsteadOfFinished) {
  Start({{1, "Dead", "usmarc", "Default", ZTestServer::FreePort()}}, Title(u"1"));
  ASSERT_TRUE(Dlg_ListDB->MemTableEh_Tree->Locate(u"ID_THIS", Variant(Integer(1)), {}));
  Drv.AnswerBox(true);
  Dlg_ListDB->SB_TestClick(Dlg_ListDB->SB_Test);
  ASSERT_EQ(Drv.Boxes().size(), 1u);
  EXPECT_EQ(Drv.Boxes()[0].Caption, u"Z39.50 тест");
  EXPECT_EQ(Drv.Boxes()[0].Head, u"Ошибка");
  EXPECT_NE(Drv.Boxes()[0].Text.find(u"Connect failed"), String::npos) << ToUtf8(Drv.Boxes()[0].Text);
}

TEST_F(MainWindowRun, ResourceTestSearchesOnceAndSavesNothing) {
  Start({{1, "Alpha"}}, Title(u"1"));
  const std::string before = Z->Log();
  ASSERT_TRUE(Dlg_ListDB->MemTableEh_Tree->Locate(u"ID_THIS", Variant(Integer(1)), {}));
  Drv.AnswerBox(true);
  Dlg_ListDB->SB_TestClick(Dlg_ListDB->SB_Test);
  EXPECT_NE(Z->Log().substr(before.size()).find("@attr 1=4 Zembrin"), std::string::npos);
  EXPECT_EQ(Texts(), (std::vector<std::string>{"Тест закончен"}));
  EXPECT_EQ(Form_Main->Edit_BibRec_Find->GetText(), u"0");
  EXPECT_EQ(Captions(), (std::vector<std::string>{"Alpha (usmarc)"}));
  EXPECT_TRUE(Entries().empty());
  // The root group is no resource: nothing is tested, nothing shown.
  ASSERT_TRUE(Dlg_ListDB->MemTableEh_Tree->Locate(u"ID_THIS", Variant(Integer(0)), {}));
  Dlg_ListDB->SB_TestClick(Dlg_ListDB->SB_Test);
  EXPECT_EQ(Drv.Boxes().size(), 1u);
}

TEST_F(MainWindowRun, AClickInTheListWhileASearchWaitsNeitherSkipsNorRepeatsAResource) {
  Start({{1, "Slow", "usmarc", "Slow1"}, {2, "Local"}, {3, "Test"}}, Title(u"5"));
  // While the slow server is waited for, the user clicks the last entry's caption.
  std::function<void()> action = [&] {
    TCheckListBox* list = Form_Main->clb_ListDB_Names;
    const TRect r = list->ItemRect(2);
    Drv.Display().Click(list->GetHandle(), r.Left + 60, (r.Top + r.Bottom) / 2);
  };
  RegisterOleClass(LendServerProgID, [&] { return std::make_shared<TActingServer>(&action); });
  RunToEnd();
  EXPECT_FALSE(action);  // the click was made during the search
  EXPECT_EQ(Captions(), (std::vector<std::string>{"(5) Slow (usmarc)", "(5) Local (usmarc)", "(5) Test (usmarc)"}));
  for (Integer i = 0; i < 3; ++i) EXPECT_FALSE(Form_Main->clb_ListDB_Names->GetChecked(i)) << i;
  EXPECT_EQ(Form_Main->Edit_BibRec_Load->GetText(), u"15");
  EXPECT_EQ(Entries().size(), 4u);
  const auto lines = LogLines("!_LOG.txt");
  ASSERT_EQ(lines.size(), 10u);
  EXPECT_EQ(lines[5].rfind("(5) Slow (usmarc) => ", 0), 0u) << lines[5];
  EXPECT_EQ(lines[6], "(5) Local (usmarc) => " + IsoName(2));
  EXPECT_EQ(lines[7], "(5) Test (usmarc) => " + IsoName(3));
  EXPECT_EQ(Texts(), (std::vector<std::string>{"Процесс поиска и выборки закончен!"}));
}

TEST_F(MainWindowRun, StartPressedAgainAfterTheFirstResourceSearchesEveryTickedResourceOnce) {
  TSettingsValues v = Title(u"2", u"5");
  v.SaveMode = 1;
  // Alpha answers after a second: the second press below comes while it is waited for.
  Start({{1, "Alpha", "usmarc", "Slow1"}, {2, "Beta", "usmarc"}, {3, "Gamma", "unimarc"}}, v);
  Drv.Press(Form_Main, u"sb_Start");
  Drv.AdvanceClock(55);
  ASSERT_EQ(Form_Main->Edit_BibRec_Load->GetText(), u"2");  // Alpha is searched
  RunToEnd();                                               // the second press
  EXPECT_EQ(Captions(), (std::vector<std::string>{"(2) Alpha (usmarc)", "(2) Beta (usmarc)", "(2) Gamma (unimarc)"}));
  EXPECT_EQ(Form_Main->Edit_BibRec_Load->GetText(), u"6");
  EXPECT_EQ(Form_Main->ListBox_BR_Syntax->GetItems()->GetText(), u"USMARC=4\r\nUNIMARC=2\r\n");
  EXPECT_EQ(MarcDumpCount(Bytes("001-USMARC.iso")), 4);
  EXPECT_EQ(MarcDumpCount(Bytes("002-UNIMARC.iso")), 2);
  EXPECT_EQ(Texts(), (std::vector<std::string>{"Процесс поиска и выборки закончен!"}));

  // The same when the second press comes while the first resource is waited for.
  for (Integer i = 0; i < 3; ++i) Form_Main->clb_ListDB_Names->SetChecked(i, true);
  std::function<void()> action = [&] { Drv.Press(Form_Main, u"sb_Start"); };
  RegisterOleClass(LendServerProgID, [&] { return std::make_shared<TActingServer>(&action); });
  Drv.Press(Form_Main, u"sb_Start");
  Drv.AnswerBox(true);
  RunOut();
  EXPECT_FALSE(action);
  EXPECT_EQ(Captions(), (std::vector<std::string>{"(2) Alpha (usmarc)", "(2) Beta (usmarc)", "(2) Gamma (unimarc)"}));
  EXPECT_EQ(Form_Main->Edit_BibRec_Load->GetText(), u"6");
  EXPECT_EQ(MarcDumpCount(Bytes("001-USMARC.iso")), 4);
  EXPECT_EQ(Texts().size(), 2u);
}

TEST_F(MainWindowRun, ARunOverResourcesDeletedInTheEditorSaysSoAtOnceAndKeepsTheSearchList) {
  Start({{1, "Alpha"}, {2, "Beta"}}, Title(u"1"), 10);
  // Every group deleted, then "Cancel".
  Drv.WhenModal<TDlg_ListDB>([&](TDlg_ListDB* w) {
    ASSERT_TRUE(w->MemTableEh_Tree->Locate(u"ID_THIS", Variant(Integer(10)), {}));
    Drv.AnswerBox(true);
    Drv.Press(w, u"SB_N_Del");
    Drv.Press(w, u"SB_Cancel");
  });
  Drv.Press(Form_Main, u"SB_Menu_Res");
  ASSERT_EQ(Drv.Boxes().size(), 1u);  // the question before the deletion
  Drv.AnswerBox(true);
  Drv.Press(Form_Main, u"sb_Start");
  Drv.AdvanceClock(55 * 4);
  ASSERT_EQ(Drv.Boxes().size(), 2u);
  EXPECT_EQ(Drv.Boxes()[1].Caption, u"Поиск информации");
  EXPECT_EQ(Drv.Boxes()[1].Text, u"Ни одного ресурса из списка для поиска нет в списке ресурсов: искать негде!");
  EXPECT_FALSE(Form_Main->sb_Stop->GetEnabled());
  EXPECT_FALSE(Form_Main->Timer_ScanDB->GetEnabled());
  EXPECT_EQ(Captions(), (std::vector<std::string>{"Alpha (usmarc)", "Beta (usmarc)"}));
  EXPECT_TRUE(Entries().empty());
  Drv.CloseMainWindow();
  EXPECT_EQ(ReadFileBytes(Drv.Folder() + u"Settings/ListDB_for_Search.txt"), "1\r\n2\r\n");
}

TEST_F(MainWindowRun, ARunEndedByALogThatCannotBeWrittenLeavesNoStopToPress) {
  Start({{1, "Alpha"}, {2, "Beta"}, {3, "Gamma"}}, Title(u"1"));
  Drv.Press(Form_Main, u"sb_Start");
  Drv.AdvanceClock(55);
  ASSERT_EQ(Form_Main->Edit_BibRec_Load->GetText(), u"1");
  ASSERT_TRUE(Form_Main->sb_Stop->GetEnabled());
  // The log's place is taken while the run goes on, once the log is written.
  for (int i = 0; i < 200 && !FileExists(Import + u"!_LOG.txt"); ++i) ::usleep(10000);
  ASSERT_TRUE(DeleteFile(Import + u"!_LOG.txt"));
  ASSERT_TRUE(ForceDirectories(Import + u"!_LOG.txt"));
  for (int i = 0; i < 20 && Form_Main->Timer_ScanDB->GetEnabled(); ++i) Drv.AdvanceClock(55);
  EXPECT_FALSE(Form_Main->Timer_ScanDB->GetEnabled());
  ASSERT_EQ(Drv.Boxes().size(), 1u);
  EXPECT_TRUE(Drv.Boxes()[0].Plain);
  EXPECT_EQ(Drv.Boxes()[0].Text.substr(0, 19), u"Cannot create file ");
  EXPECT_FALSE(Form_Main->sb_Stop->GetEnabled());
  EXPECT_EQ(Form_Main->Edit_BibRec_Load->GetText(), u"2");
}

TEST_F(MainWindowRun, AListClearedDuringARunEndsItAtTheNextTickAndSaysSo) {
  Start({{1, "Alpha"}, {2, "Beta"}, {3, "Gamma"}}, Title(u"1"));
  Drv.Press(Form_Main, u"sb_Start");
  Drv.AdvanceClock(55);
  ASSERT_EQ(Form_Main->Edit_BibRec_Load->GetText(), u"1");
  Drv.AnswerBox(true);
  Drv.Press(Form_Main, u"SB_N_Clear");
  ASSERT_EQ(Form_Main->clb_ListDB_Names->GetCount(), 0);
  Drv.AnswerBox(true);
  Drv.AdvanceClock(55);
  EXPECT_FALSE(Form_Main->Timer_ScanDB->GetEnabled());
  EXPECT_FALSE(Form_Main->sb_Stop->GetEnabled());
  EXPECT_EQ(Texts(),
            (std::vector<std::string>{"Вы желаете очистить весь список ?", "Процесс поиска и выборки закончен!"}));
  EXPECT_EQ(LogLines("!_LOG.txt").back().rfind("Finish: ", 0), 0u);
}

TEST_F(MainWindowRun, ClicksOnTheMainWindowUnderAModalWindowChangeNothing) {
  Start({{1, "Alpha"}, {2, "Beta"}}, Title(u"1"));
  TCheckListBox* names = Form_Main->clb_ListDB_Names;
  Drv.TickItem(Form_Main, u"clb_ListDB_Names", 1);
  ASSERT_FALSE(names->GetChecked(1));
  // "Пометить все строки" while the settings dialog is open.
  Drv.WhenModal<TDlg_Settings>([&](TDlg_Settings* Dlg) {
    Drv.Press(Form_Main, u"SB_Check");
    Drv.Click(Dlg->SB_Cancel);
  });
  Drv.Press(Form_Main, u"SB_Menu_Set");
  EXPECT_FALSE(names->GetChecked(1));
  // "Удалить строку" under the box that asks whether to clear the list.
  Drv.WhenModal<TDlg_MyShowMessage>([&](TDlg_MyShowMessage* Box) {
    Drv.Press(Form_Main, u"SB_N_Del");
    Drv.Click(Box->SB_Cancel);
  });
  Drv.Press(Form_Main, u"SB_N_Clear");
  EXPECT_EQ(names->GetCount(), 2);
  // With the modal windows gone the same clicks arrive.
  Drv.Press(Form_Main, u"SB_Check");
  EXPECT_TRUE(names->GetChecked(1));
}

// ---- While a server is waited for ------------------------------------------------------------

namespace {

// How often the server was asked for the resource test's term since Before.
size_t TestSearches(const std::string& Log, size_t Before) {
  size_t n = 0;
  for (size_t at = Log.find("@attr 1=4 Zembrin", Before); at != std::string::npos;
       at = Log.find("@attr 1=4 Zembrin", at + 1))
    ++n;
  return n;
}

// The tree editor's buttons that test, edit, load or save.
std::vector<TSpeedButton*> EditorWorkButtons(TDlg_ListDB* W) {
  return {W->SB_Test, W->SB_N_Edit, W->SB_N_Add, W->SB_N_Add_0, W->SB_N_Del, W->SB_Load, W->SB_Save};
}

}  // namespace

TEST_F(MainWindowRun, TestPressedAgainOrTheEditorClosedWhileATestWaitsLeaveOneTestAndItsBox) {
  Start({{1, "Slow", "usmarc", "Slow1"}}, Title(u"1"));
  const size_t before = Z->Log().size();
  // During the test's wait: the work buttons are off and the cursor says
  // the program is busy; "Тест" and a double click on the table are pressed
  // again, and Esc closes the editor.
  std::function<void()> action = [&] {
    TDlg_ListDB* w = Dlg_ListDB;
    for (TSpeedButton* b : EditorWorkButtons(w)) EXPECT_FALSE(b->GetEnabled()) << ToUtf8(b->GetName());
    EXPECT_EQ(GetCursor(), Screen->GetCursors(crHourGlass));
    EXPECT_TRUE(Form_Wait_Load->GetVisible());
    EXPECT_EQ(Form_Wait_Load->Label_MSG_2->GetCaption(), u"Тест: ждем ответа сервера");
    Drv.Press(w, u"SB_Test");
    Drv.Display().DoubleClick(w->DBGridEh_TreeDB->GetHandle(), 100, 40);
    // The start button lies under the modal editor, out of the mouse's reach;
    // called as its click would, it neither gives the test up nor starts a run.
    Form_Main->sb_StartClick(Form_Main->sb_Start);
    Drv.Display().Key(VK_ESCAPE);
  };
  RegisterOleClass(LendServerProgID, [&] { return std::make_shared<TActingServer>(&action); });
  Drv.WhenModal<TDlg_ListDB>([&](TDlg_ListDB* w) {
    Drv.Press(w, u"SB_N_Last");
    Drv.AnswerBox(true);
    Drv.Press(w, u"SB_Test");
  });
  Drv.Press(Form_Main, u"SB_Menu_Res");
  EXPECT_FALSE(action);
  EXPECT_FALSE(Dlg_ListDB->GetVisible());
  EXPECT_EQ(TestSearches(Z->Log(), before), 1u);
  EXPECT_EQ(Texts(), (std::vector<std::string>{"Тест закончен"}));
  EXPECT_FALSE(Form_Main->Timer_ScanDB->GetEnabled());
  EXPECT_FALSE(Form_Wait_Load->GetVisible());
  for (TSpeedButton* b : EditorWorkButtons(Dlg_ListDB)) EXPECT_TRUE(b->GetEnabled()) << ToUtf8(b->GetName());
  EXPECT_FALSE(IsServerAssigned(ServerObject));
}

TEST_F(MainWindowRun, ARunAndAResourceTestNeverShareTheServerAndTheRunLosesNoResource) {
  Start({{1, "Slow", "usmarc", "Slow1"}, {2, "Local"}}, Title(u"5"));
  const size_t before = Z->Log().size();
  Drv.Press(Form_Main, u"sb_Start");
  // The run's first search waits while the editor is open: "Тест" is off,
  // and a click on it does nothing.
  std::function<void()> action = [&] {
    for (TSpeedButton* b : EditorWorkButtons(Dlg_ListDB)) EXPECT_FALSE(b->GetEnabled()) << ToUtf8(b->GetName());
    Drv.Press(Dlg_ListDB, u"SB_Test");
  };
  RegisterOleClass(LendServerProgID, [&] { return std::make_shared<TActingServer>(&action); });
  Drv.WhenModal<TDlg_ListDB>([&](TDlg_ListDB* w) {
    ASSERT_TRUE(w->MemTableEh_Tree->Locate(u"ID_THIS", Variant(Integer(1)), {}));
    Drv.AdvanceClock(55);
    ASSERT_FALSE(action);
    EXPECT_EQ(Form_Main->Edit_BibRec_Load->GetText(), u"5");
    // Between two entries a test runs; the run's ticks that come while it
    // waits let it be.
    action = [&] { Drv.AdvanceClock(55 * 3); };
    Drv.AnswerBox(true);
    Drv.Press(w, u"SB_Test");
    EXPECT_FALSE(action);
    EXPECT_EQ(Form_Main->Edit_BibRec_Load->GetText(), u"5");
    Drv.Display().Key(VK_ESCAPE);
  });
  Drv.Press(Form_Main, u"SB_Menu_Res");
  Drv.AnswerBox(true);
  RunOut();
  EXPECT_EQ(TestSearches(Z->Log(), before), 1u);
  EXPECT_EQ(Captions(), (std::vector<std::string>{"(5) Slow (usmarc)", "(5) Local (usmarc)"}));
  for (Integer i = 0; i < 2; ++i) EXPECT_FALSE(Form_Main->clb_ListDB_Names->GetChecked(i)) << i;
  EXPECT_EQ(Form_Main->Edit_BibRec_Load->GetText(), u"10");
  const auto lines = LogLines("!_LOG.txt");
  ASSERT_EQ(lines.size(), 9u);
  EXPECT_EQ(lines[5], "(5) Slow (usmarc) => 00001-127_0_0_1-Slow1-" + std::to_string(Z->Port()) + "-usmarc.iso");
  EXPECT_EQ(lines[6], "(5) Local (usmarc) => " + IsoName(2));
  EXPECT_EQ(Texts(), (std::vector<std::string>{"Тест закончен", "Процесс поиска и выборки закончен!"}));
}

TEST_F(MainWindowRun, WhileARunWaitsTheButtonsThatWouldOpenAWindowOrChangeTheListAreOff) {
  Start({{1, "Slow", "usmarc", "Slow1"}, {2, "Local"}}, Title(u"5"));
  const std::vector<const Char*> off = {u"SB_Menu_Res", u"SB_Menu_Set",    u"SpeedButton3",   u"SB_N_Add",
                                        u"SB_N_Del",    u"sb_ListDB_Load", u"sb_ListDB_Save", u"SpeedButton2"};
  std::function<void()> action = [&] {
    for (const Char* name : off) {
      EXPECT_FALSE(Drv.Find(Form_Main, name)->GetEnabled()) << ToUtf8(name);
      Drv.Press(Form_Main, name);
    }
    EXPECT_EQ(Form_Main->clb_ListDB_Names->GetCount(), 2);
    // What stays: the ticks.
    Drv.Press(Form_Main, u"SB_Check");
  };
  RegisterOleClass(LendServerProgID, [&] { return std::make_shared<TActingServer>(&action); });
  RunToEnd();
  EXPECT_FALSE(action);
  for (const Char* name : off) EXPECT_TRUE(Drv.Find(Form_Main, name)->GetEnabled()) << ToUtf8(name);
  EXPECT_EQ(Captions(), (std::vector<std::string>{"(5) Slow (usmarc)", "(5) Local (usmarc)"}));
  // Ticked again during its search: the next run searches it again.
  EXPECT_TRUE(Form_Main->clb_ListDB_Names->GetChecked(0));
  EXPECT_FALSE(Form_Main->clb_ListDB_Names->GetChecked(1));
  EXPECT_EQ(Entries().size(), 3u);
  EXPECT_EQ(Texts(), (std::vector<std::string>{"Процесс поиска и выборки закончен!"}));
}

TEST_F(MainWindowRun, AListClearedWhileAServerIsWaitedForKeepsTheResourcesNameInTheLog) {
  auto silent = TZFaultServer::Trickle(std::chrono::milliseconds(100));
  Start({{1, "Silent", "usmarc", "Default", silent->Port()}, {2, "Local"}}, Title(u"1"));
  std::function<void()> action = [&] {
    Drv.AnswerBox(true);
    Drv.Press(Form_Main, u"SB_N_Clear");
    EXPECT_EQ(Form_Main->clb_ListDB_Names->GetCount(), 0);
  };
  RegisterOleClass(LendServerProgID, [&] { return std::make_shared<TActingServer>(&action, 1); });
  RunToEnd();
  EXPECT_FALSE(action);
  ExpectLines(LogLines("!_LOG.txt"),
              {kDate, ".*", ".*", "Start: .*", std::string(49, '='),
               Escaped("Error: Silent (usmarc) => Timeout (10007)"), std::string(49, '='), "Finish: .*"});
  EXPECT_EQ(Texts(),
            (std::vector<std::string>{"Вы желаете очистить весь список ?", "Процесс поиска и выборки закончен!"}));
}

TEST_F(MainWindowRun, TheProgramClosedWhileARunWaitsEndsTheRunWithItAndSavesTheSettings) {
  Start({{1, "Slow", "usmarc", "Slow1"}, {2, "Local"}}, Title(u"1"));
  std::function<void()> action = [&] {
    Drv.SetText(Form_Main, u"Edit_RecCount_FromDB", u"7");
    Drv.CloseMainWindow();
  };
  RegisterOleClass(LendServerProgID, [&] { return std::make_shared<TActingServer>(&action); });
  Drv.Press(Form_Main, u"sb_Start");
  RunOut();
  EXPECT_FALSE(action);
  EXPECT_TRUE(Application->GetTerminated());
  EXPECT_TRUE(Texts().empty()) << ::testing::PrintToString(Texts());
  EXPECT_EQ(Captions(), (std::vector<std::string>{"Slow (usmarc)", "Local (usmarc)"}));
  EXPECT_EQ(Form_Main->Edit_BibRec_Load->GetText(), u"0");
  EXPECT_EQ(ReadSearchSettings(SettingsFileName(Drv.Folder() + u"Settings/"), Drv.Folder()).RecCountFromDB, u"7");
  for (const std::string& name : Entries()) EXPECT_EQ(name.find(".iso"), std::string::npos) << name;
}

TEST_F(MainWindowRun, TheRunLooksResourcesUpWithoutMovingTheRowChosenInTheOpenEditor) {
  Start({{1, "Alpha"}, {2, "Beta"}, {3, "Gamma"}}, Title(u"1"));
  Drv.Press(Form_Main, u"sb_Start");
  Drv.AdvanceClock(55);  // Alpha
  Drv.WhenModal<TDlg_ListDB>([&](TDlg_ListDB* w) {
    Drv.Press(w, u"SB_N_Last");
    ASSERT_EQ(w->MemTableEh_Tree->FieldByName(u"ID_THIS")->GetAsInteger(), 3);
    Drv.AdvanceClock(55);  // the run searches Beta meanwhile
    EXPECT_EQ(Form_Main->Edit_BibRec_Load->GetText(), u"2");
    EXPECT_EQ(w->MemTableEh_Tree->FieldByName(u"ID_THIS")->GetAsInteger(), 3);
    Drv.Display().Key(VK_ESCAPE);
  });
  Drv.Press(Form_Main, u"SB_Menu_Res");
  Drv.AnswerBox(true);
  RunOut();
  EXPECT_EQ(Captions(), (std::vector<std::string>{"(1) Alpha (usmarc)", "(1) Beta (usmarc)", "(1) Gamma (usmarc)"}));
}

TEST_F(MainWindowRun, TheTestButtonsHandlerReachedWhileARunWaitsDoesNothing) {
  Start({{1, "Slow", "usmarc", "Slow1"}, {2, "Local"}}, Title(u"1"));
  // The button is off while the run waits; its handler, reached as a click
  // would reach it, neither tests nor says it is testing.
  std::function<void()> action = [&] {
    ASSERT_TRUE(Dlg_ListDB->MemTableEh_Tree->Locate(u"ID_THIS", Variant(Integer(2)), {}));
    Form_Wait_Load->Label_MSG_2->SetCaption(u"");
    Dlg_ListDB->SB_TestClick(Dlg_ListDB->SB_Test);
    EXPECT_EQ(Form_Wait_Load->Label_MSG_2->GetCaption(), u"");
    EXPECT_TRUE(Form_Main->IsServerWaitedFor());
  };
  RegisterOleClass(LendServerProgID, [&] { return std::make_shared<TActingServer>(&action, 0, u"Slow1"); });
  RunToEnd();
  EXPECT_FALSE(action);
  EXPECT_EQ(Captions(), (std::vector<std::string>{"(1) Slow (usmarc)", "(1) Local (usmarc)"}));
  EXPECT_EQ(Texts(), (std::vector<std::string>{"Процесс поиска и выборки закончен!"}));
}
