// Search runs against a yaz-ztest on a loopback port: record files and their
// bytes, the log, counts and marks, the start checks, stopping, and servers
// that fail in the middle of a run.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <random>
#include <regex>
#include <tuple>

#include "client/SearchRun.h"
#include "client/SearchServer.h"
#include "lendsrv/LendServer.h"
#include "platform/backend/Headless.h"
#include "platform/core/CodePage.h"
#include "platform/core/Files.h"
#include "platform/core/FormatSettings.h"
#include "platform/core/Strings.h"
#include "platform/ui/ComCtrls.h"
#include "tests/client/ActingServer.h"
#include "tests/client/FolderFault.h"
#include "tests/client/MessageBoxText.h"
#include "tests/client/ResourceListText.h"
#include "tests/client/TempFolder.h"
#include "tests/support/DirectZoom.h"
#include "tests/support/BerBuild.h"
#include "tests/support/FaultServer.h"
#include "tests/support/FaultsEndBySignal.h"
#include "tests/support/ZTestServer.h"
#include "tests/support/FileSizeLimit.h"
#include "tests/support/LinkRelay.h"
#include "tests/support/Occurrences.h"

namespace {

struct TResourceLine {
  Integer Id;
  std::string Name, Database, Host;
  int Port;
  std::string Syntax;
};

std::string ListDbText(const std::vector<TResourceLine>& Resources) {
  std::string s = kResourceListHead;
  for (const auto& r : Resources) s += ResourceListLine(r.Id, r.Name, r.Database, r.Host, r.Port, r.Syntax);
  return s;
}

struct TShown {
  std::string Caption, Head, Text;
};

class SearchRunTest : public ::testing::Test {
protected:
  static void SetUpTestSuite() { Z = new ZTestServer(); }
  static void TearDownTestSuite() {
    delete Z;
    Z = nullptr;
  }

  void SetUp() override {
    ForceDirectories(Folder.Path() + u"Import/");
    DirSave = Folder.Path() + u"Import/";
    MakeForm();
  }
  void TearDown() override {
    delete Form;
    RegisterOleClass(LendServerProgID, [] { return std::make_shared<TLendServer>(); });
  }

  template <class T>
  T* Add() {
    auto* c = new T(Form);
    c->SetParent(Form);
    return c;
  }
  void MakeForm() {
    Form = new TForm(Application);
    Form->SetBounds(0, 0, 700, 500);
    Names = Add<TCheckListBox>();
    Ids = Add<TListBox>();
    List = std::make_unique<TSearchList>(Names, Ids, &Table);
    C.SearchList = List.get();
    C.Edit_RecCount_FromDB = Add<TEdit>();
    C.Edit_RecCount_FromDB->SetText(u"10");
    C.Edit_BibRec_Find = Add<TEdit>();
    C.Edit_BibRec_Load = Add<TEdit>();
    auto* mode = Add<TComboBox>();
    mode->GetItems()->Add(u"Простой");
    mode->SetItemIndex(0);
    C.cb_FindMode = mode;
    C.cb_Simple_Title = Add<TCheckBox>();
    C.cb_Simple_Author = Add<TCheckBox>();
    C.cb_Simple_Keyword = Add<TCheckBox>();
    C.Edit_Simple_Title = Add<TEdit>();
    C.Edit_Simple_Author = Add<TEdit>();
    C.Edit_Simple_Keyword = Add<TEdit>();
    C.CB_Search_First = Add<TCheckBox>();
    C.CB_Search_First->SetState(cbChecked);
    C.ListBox_BR_Syntax = Add<TListBox>();
    C.gb_BR_Buf_2 = Add<TGroupBox>();
    C.Splitter_BR_Buf_2 = Add<TSplitter>();
    C.RE_Find_Result = Add<TRichEdit>();
    C.RE_LOG = Add<TRichEdit>();
    C.Timer_ScanDB = new TTimer(Form);
    C.Timer_ScanDB->SetEnabled(false);
    C.sb_Stop = Add<TButton>();
    C.sb_Stop->SetEnabled(false);
    C.Edit_DirForBR = Add<TEdit>();
    auto* rg = Add<TRadioGroup>();
    rg->GetItems()->Add(u"per resource");
    rg->GetItems()->Add(u"per syntax");
    rg->SetItemIndex(0);
    C.rg_BR_SaveMode = rg;
    Run = std::make_unique<TSearchRun>(C, &Table, &DirSave,
                                       [this](const String& Cap, const String& Head, const String& Text) {
                                         Shown.push_back({ToUtf8(Cap), ToUtf8(Head), ToUtf8(Text)});
                                       });
    C.Timer_ScanDB->OnTimer = [this](TObject* S) { Run->Timer_ScanDBTimer(S); };
    Form->Show();
  }

  // The resource list, then a search list of the given identifiers, all ticked.
  void Resources(const std::vector<TResourceLine>& R, const std::vector<Integer>& Search) {
    ForceDirectories(Folder.Path() + u"Settings/");
    WriteBytes(Folder.Path() + u"Settings/ListDB.txt", ListDbText(R));
    Table.LoadResourceList(Folder.Path() + u"Settings/");
    std::string ids;
    for (Integer id : Search) ids += std::to_string(id) + "\r\n";
    WriteBytes(Folder.Path() + u"s.vvv", ids);
    List->LoadSearchList(Folder.Path() + u"s.vvv");
  }
  TResourceLine Ztest(Integer Id, const std::string& Name, const std::string& Syntax = "usmarc",
                      const std::string& Database = "Default") {
    return {Id, Name, Database, ZTestServer::Host(), Z->Port(), Syntax};
  }
  void Condition(TCheckBox* Box, TControl* Edit, const String& Term) {
    for (TCheckBox* b : {C.cb_Simple_Title, C.cb_Simple_Author, C.cb_Simple_Keyword}) b->SetState(cbUnchecked);
    Box->SetState(cbChecked);
    Edit->SetText(Term);
  }
  void Limit(const String& L) { C.Edit_RecCount_FromDB->SetText(L); }

  // Start, then let the scan timer run until it stops by itself.
  void RunToEnd() {
    Run->sb_StartClick(nullptr);
    for (int i = 0; i < 1000 && C.Timer_ScanDB->GetEnabled(); ++i) Display.AdvanceClock(ScanInterval);
  }

  std::string IsoName(Integer Id, const std::string& Syntax = "usmarc", const std::string& Database = "Default",
                      int Port = 0) {
    char id[8];
    std::snprintf(id, sizeof id, "%05d", Id);
    return std::string(id) + "-127_0_0_1-" + Database + "-" + std::to_string(Port > 0 ? Port : Z->Port()) + "-" +
           Syntax + ".iso";
  }
  std::string Bytes(const std::string& Name) { return ReadFileBytes(DirSave + FromUtf8(Name)); }
  std::string ServerRecords(const std::string& Pqf, size_t Count) {
    return DirectZoomFetch(ZTestServer::Host(), Z->Port(), "Default", Pqf.c_str(), Count).Joined();
  }
  std::vector<std::string> LogLines(const std::string& Name = "!_LOG.txt") {
    std::vector<std::string> out;
    const std::string all = Bytes(Name);
    size_t at = 0;
    while (at < all.size()) {
      const size_t end = all.find("\r\n", at);
      out.push_back(ToUtf8(AnsiToString(all.substr(at, end - at))));
      at = end + 2;
    }
    return out;
  }
  std::vector<std::string> Captions() {
    std::vector<std::string> out;
    for (Integer i = 0; i < Names->GetCount(); ++i) out.push_back(ToUtf8(Names->GetItems()->Get(i)));
    return out;
  }
  std::vector<std::string> Texts() {
    std::vector<std::string> out;
    for (const auto& s : Shown) out.push_back(s.Text);
    return out;
  }
  // Names in the save folder, sorted.
  std::vector<std::string> Entries() {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(ToUtf8(DirSave)))
      names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  static inline ZTestServer* Z = nullptr;
  THeadlessDisplay Display;
  TTempFolder Folder;
  TRussianFormats Formats;
  String DirSave;
  TResourceTable Table;
  TForm* Form = nullptr;
  TCheckListBox* Names = nullptr;
  TListBox* Ids = nullptr;
  std::unique_ptr<TSearchList> List;
  TSearchRunControls C;
  std::unique_ptr<TSearchRun> Run;
  std::vector<TShown> Shown;
};

const std::string kDate = R"(\d\d\.\d\d\.\d{4})";
const std::string kDateTime = kDate + R"(( \d{1,2}:\d\d:\d\d)?)";

void ExpectLines(const std::vector<std::string>& Lines, const std::vector<std::string>& Patterns) {
  ASSERT_EQ(Lines.size(), Patterns.size()) << ::testing::PrintToString(Lines);
  for (size_t i = 0; i < Lines.size(); ++i)
    EXPECT_TRUE(std::regex_match(Lines[i], std::regex(Patterns[i]))) << Lines[i] << " !~ " << Patterns[i];
}

std::string Quote(const std::string& S) {
  return std::regex_replace(S, std::regex(R"([.^$|()\[\]{}*+?\\])"), R"(\$&)");
}

}  // namespace

// ---- Per resource ----------------------------------------------------------------

TEST_F(SearchRunTest, TwoResourcesPerResourceGiveTwoFilesOfTheServersBytesAndTheLog) {
  Resources({Ztest(1, "Alpha"), Ztest(2, "Beta")}, {1, 2});
  Condition(C.cb_Simple_Title, C.Edit_Simple_Title, u"3");
  Limit(u" 2 ");
  RunToEnd();
  const std::string expected = ServerRecords("@attr 1=4 \"3\"", 2);
  ASSERT_FALSE(expected.empty());
  EXPECT_EQ(Bytes(IsoName(1)), expected);
  EXPECT_EQ(Bytes(IsoName(2)), expected);
  EXPECT_EQ(MarcDumpCount(Bytes(IsoName(1))), 2);
  EXPECT_EQ(Entries(), (std::vector<std::string>{"!_LOG.txt", IsoName(1), IsoName(2)}));
  ExpectLines(LogLines(), {kDate, "Протокол заимствования библиографических записей",
                           Quote("Папка, куда будут сохранены записи: " + ToUtf8(DirSave)), "Start: " + kDateTime,
                           std::string(49, '='), Quote("(2) Alpha (usmarc) => " + IsoName(1)),
                           Quote("(2) Beta (usmarc) => " + IsoName(2)), std::string(49, '='), "Finish: " + kDateTime});
  // True counts: 3 found and 2 received per resource.
  EXPECT_EQ(C.Edit_BibRec_Find->GetText(), u"6");
  EXPECT_EQ(C.Edit_BibRec_Load->GetText(), u"4");
  EXPECT_EQ(Captions(), (std::vector<std::string>{"(2) Alpha (usmarc)", "(2) Beta (usmarc)"}));
  EXPECT_FALSE(Names->GetChecked(0) || Names->GetChecked(1));
  EXPECT_EQ(Texts(), (std::vector<std::string>{"Процесс поиска и выборки закончен!"}));
  EXPECT_EQ(Shown[0].Caption, "Поиск информации");
  EXPECT_EQ(Shown[0].Head, "");
  EXPECT_FALSE(C.sb_Stop->GetEnabled());
}

TEST_F(SearchRunTest, EachConditionSendsItsUseAttribute) {
  Resources({Ztest(1, "Alpha")}, {1});
  const std::string before = Z->Log();
  Condition(C.cb_Simple_Title, C.Edit_Simple_Title, u"1");
  RunToEnd();
  Condition(C.cb_Simple_Author, C.Edit_Simple_Author, u"2");
  Names->SetChecked(0, true);
  RunToEnd();
  Condition(C.cb_Simple_Keyword, C.Edit_Simple_Keyword, u"3");
  Names->SetChecked(0, true);
  RunToEnd();
  const std::string log = Z->Log().substr(before.size());
  EXPECT_NE(log.find("@attr 1=4 1"), std::string::npos) << log;
  EXPECT_NE(log.find("@attr 1=1003 2"), std::string::npos) << log;
  EXPECT_NE(log.find("@attr 1=21 3"), std::string::npos) << log;
}

TEST_F(SearchRunTest, NumericTermWithALimitGivesTheSmallerNumberOfRecords) {
  Resources({Ztest(1, "Alpha")}, {1});
  Condition(C.cb_Simple_Title, C.Edit_Simple_Title, u"5");
  Limit(u"3");
  RunToEnd();
  EXPECT_EQ(MarcDumpCount(Bytes(IsoName(1))), 3);
  EXPECT_EQ(Bytes(IsoName(1)), ServerRecords("@attr 1=4 \"5\"", 3));
  EXPECT_EQ(C.Edit_BibRec_Find->GetText(), u"5");
  EXPECT_EQ(C.Edit_BibRec_Load->GetText(), u"3");
  Names->SetChecked(0, true);
  Condition(C.cb_Simple_Title, C.Edit_Simple_Title, u"2");
  Limit(u"10");
  RunToEnd();
  EXPECT_EQ(Bytes(IsoName(1)), ServerRecords("@attr 1=4 \"2\"", 2));
  EXPECT_EQ(C.Edit_BibRec_Load->GetText(), u"2");
}

TEST_F(SearchRunTest, UntickedEntriesArePassedOverAndMarked) {
  Resources({Ztest(1, "Alpha"), Ztest(2, "Beta"), Ztest(3, "Gamma"), Ztest(4, "Delta")}, {1, 2, 3, 4});
  Names->SetChecked(1, false);
  Names->SetChecked(2, false);
  Condition(C.cb_Simple_Title, C.Edit_Simple_Title, u"1");
  RunToEnd();
  EXPECT_EQ(Captions(), (std::vector<std::string>{"(1) Alpha (usmarc)", "(-) Beta (usmarc)", "(-) Gamma (usmarc)",
                                                  "(1) Delta (usmarc)"}));
  EXPECT_EQ(Entries(), (std::vector<std::string>{"!_LOG.txt", IsoName(1), IsoName(4)}));
  // A new start shows the plain captions again.
  Names->SetChecked(0, true);
  Run->sb_StartClick(nullptr);
  EXPECT_EQ(Captions()[0], "Alpha (usmarc)");
  Run->sb_StopClick(nullptr);
}

TEST_F(SearchRunTest, AllUntickedEndsAtTheFirstTickWithEveryEntryMarked) {
  Resources({Ztest(1, "Alpha"), Ztest(2, "Beta")}, {1, 2});
  List->UncheckAll();
  Condition(C.cb_Simple_Title, C.Edit_Simple_Title, u"1");
  Run->sb_StartClick(nullptr);
  Display.AdvanceClock(ScanInterval);
  EXPECT_FALSE(C.Timer_ScanDB->GetEnabled());
  EXPECT_EQ(Captions(), (std::vector<std::string>{"(-) Alpha (usmarc)", "(-) Beta (usmarc)"}));
  EXPECT_EQ(Texts(), (std::vector<std::string>{"Процесс поиска и выборки закончен!"}));
  EXPECT_EQ(LogLines().back().substr(0, 8), "Finish: ");
}

TEST_F(SearchRunTest, WithoutStartingFromTheTopEarlierEntriesAreNeitherSearchedNorMarked) {
  Resources({Ztest(1, "A"), Ztest(2, "B"), Ztest(3, "C"), Ztest(4, "D"), Ztest(5, "E")}, {1, 2, 3, 4, 5});
  C.CB_Search_First->SetState(cbUnchecked);
  List->Select(2);
  Condition(C.cb_Simple_Title, C.Edit_Simple_Title, u"1");
  RunToEnd();
  EXPECT_EQ(Captions(), (std::vector<std::string>{"A (usmarc)", "B (usmarc)", "(1) C (usmarc)", "(1) D (usmarc)",
                                                  "(1) E (usmarc)"}));
}

// ---- Per record syntax -------------------------------------------------------------

TEST_F(SearchRunTest, PerSyntaxRunWritesOneFileOfEverySyntaxThatReadsInFull) {
  Resources({Ztest(1, "Alpha", "usmarc"), Ztest(2, "Beta", "unimarc"), Ztest(3, "Gamma", "USMARC ")}, {1, 2, 3});
  C.rg_BR_SaveMode->SetItemIndex(1);
  Condition(C.cb_Simple_Title, C.Edit_Simple_Title, u"3");
  Limit(u"2");
  Run->sb_StartClick(nullptr);
  EXPECT_TRUE(C.gb_BR_Buf_2->GetVisible());
  EXPECT_EQ(C.ListBox_BR_Syntax->GetItems()->GetText(), u"USMARC=0\r\nUNIMARC=0\r\n");
  for (int i = 0; i < 100 && C.Timer_ScanDB->GetEnabled(); ++i) Display.AdvanceClock(ScanInterval);
  EXPECT_EQ(C.ListBox_BR_Syntax->GetItems()->GetText(), u"USMARC=4\r\nUNIMARC=2\r\n");
  EXPECT_EQ(Entries(), (std::vector<std::string>{"!_LOG2.txt", "001-USMARC.iso", "002-UNIMARC.iso"}));
  const std::string two = ServerRecords("@attr 1=4 \"3\"", 2);
  EXPECT_EQ(Bytes("001-USMARC.iso"), two + two);
  EXPECT_EQ(MarcDumpCount(Bytes("001-USMARC.iso")), 4);
  EXPECT_EQ(MarcDumpCount(Bytes("002-UNIMARC.iso")), 2);
  ExpectLines(LogLines("!_LOG2.txt"),
              {kDate, ".*", ".*", "Start: .*", std::string(49, '='), Quote("USMARC => 001-USMARC.iso"),
               Quote("UNIMARC => 002-UNIMARC.iso"), std::string(49, '='), "Finish: " + kDateTime});
}

TEST_F(SearchRunTest, PerSyntaxRunWithNothingFoundDeletesTheOldFileAndStillLogsTheLine) {
  Resources({Ztest(1, "Alpha", "usmarc", "Nowhere")}, {1});
  WriteBytes(DirSave + u"001-USMARC.iso", "old");
  C.rg_BR_SaveMode->SetItemIndex(1);
  Condition(C.cb_Simple_Title, C.Edit_Simple_Title, u"3");
  RunToEnd();
  EXPECT_EQ(Entries(), (std::vector<std::string>{"!_LOG2.txt"}));
  EXPECT_EQ(LogLines("!_LOG2.txt")[5], "Error: Alpha (usmarc) => Database unavailable (Bib-1 109): Nowhere");
  EXPECT_EQ(LogLines("!_LOG2.txt")[6], "USMARC => 001-USMARC.iso");
}

// ---- Stop ------------------------------------------------------------------------

TEST_F(SearchRunTest, StopAfterTheFirstResourceLeavesItsFileTheStopLinesAndTheMessage) {
  Resources({Ztest(1, "Alpha"), Ztest(2, "Beta")}, {1, 2});
  Condition(C.cb_Simple_Title, C.Edit_Simple_Title, u"1");
  Run->sb_StartClick(nullptr);
  EXPECT_TRUE(C.sb_Stop->GetEnabled());
  Display.AdvanceClock(ScanInterval);  // the start selected the first entry: searched now
  Run->sb_StopClick(nullptr);
  Display.AdvanceClock(10 * ScanInterval);
  EXPECT_EQ(Entries(), (std::vector<std::string>{"!_LOG.txt", IsoName(1)}));
  const auto lines = LogLines();
  ASSERT_EQ(lines.size(), 9u);
  EXPECT_EQ(lines[6], std::string(49, '-'));
  EXPECT_TRUE(std::regex_match(lines[7], std::regex("STOP: " + kDateTime)));
  EXPECT_EQ(lines[8], "Поиск информации остановлен по требованию Пользователя!");
  ASSERT_EQ(Shown.size(), 1u);
  EXPECT_EQ(Shown[0].Head, "СТОП!");
  EXPECT_EQ(Shown[0].Text, "Остановлено по Вашему требованию!");
  EXPECT_FALSE(C.sb_Stop->GetEnabled());
  EXPECT_TRUE(Names->GetChecked(1));
}

// ---- Start checks ------------------------------------------------------------------

TEST_F(SearchRunTest, StartChecksShowTheirMessagesAndWriteNothing) {
  Resources({Ztest(1, "Alpha")}, {1});
  Condition(C.cb_Simple_Title, C.Edit_Simple_Title, u"1");
  const String import = DirSave;
  DirSave.clear();
  Run->sb_StartClick(nullptr);
  DirSave = import + u"missing/";
  Run->sb_StartClick(nullptr);
  DirSave = import;
  Limit(u"0");
  Run->sb_StartClick(nullptr);
  EXPECT_EQ(C.Edit_RecCount_FromDB->GetColor(), static_cast<TColor>(0x00FFFF));
  EXPECT_TRUE(C.Edit_RecCount_FromDB->Focused());
  Limit(u"abc");
  Run->sb_StartClick(nullptr);
  Limit(u"");
  Run->sb_StartClick(nullptr);
  Limit(u" 7 ");
  C.Edit_Simple_Title->SetText(u"  ");
  Run->sb_StartClick(nullptr);
  EXPECT_EQ(C.Edit_RecCount_FromDB->GetColor(), static_cast<TColor>(0xFFFFFF));
  EXPECT_EQ(Texts(), (std::vector<std::string>{
                         "Не задана папка для сохранения записей. Откройте настройки и укажите!",
                         "Папка для сохранения записей НЕ существует. Откройте настройки и исправьте!",
                         "Укажите корректное кол-во записей, которые нужно прочитать",
                         "Укажите корректное кол-во записей, которые нужно прочитать",
                         "Укажите корректное кол-во записей, которые нужно прочитать", "Не указано условие поиска"}));
  for (const auto& s : Shown) EXPECT_EQ(s.Caption + "/" + s.Head, "Поиск информации/Ошибка");
  EXPECT_FALSE(C.Timer_ScanDB->GetEnabled());
  EXPECT_TRUE(Entries().empty());
}

TEST_F(SearchRunTest, EmptySaveFolderIsTakenFromTheSettingsDialog) {
  Resources({Ztest(1, "Alpha")}, {1});
  Condition(C.cb_Simple_Title, C.Edit_Simple_Title, u"1");
  const String import = DirSave;
  DirSave.clear();
  C.Edit_DirForBR->SetText(u" " + import + u" ");
  RunToEnd();
  EXPECT_EQ(DirSave, import);
  EXPECT_EQ(Entries(), (std::vector<std::string>{"!_LOG.txt", IsoName(1)}));
}

TEST_F(SearchRunTest, EmptySearchListStopsSilently) {
  Resources({Ztest(1, "Alpha")}, {});
  Condition(C.cb_Simple_Title, C.Edit_Simple_Title, u"1");
  Run->sb_StartClick(nullptr);
  EXPECT_TRUE(Shown.empty());
  EXPECT_FALSE(C.Timer_ScanDB->GetEnabled());
}

TEST_F(SearchRunTest, TermAndAttributeComeFromTheSameTickedBox) {
  Resources({Ztest(1, "Alpha")}, {1});
  C.cb_Simple_Title->SetState(cbChecked);
  C.Edit_Simple_Title->SetText(u"2");
  C.cb_Simple_Author->SetState(cbChecked);
  C.Edit_Simple_Author->SetText(u"");
  Run->sb_StartClick(nullptr);
  EXPECT_EQ(Run->GetSearchTerm(), u"2");
  EXPECT_EQ(Run->GetUseAttribute(), UseAttributeTitle);
  Run->sb_StopClick(nullptr);
}

// ---- Failing servers -------------------------------------------------------------

TEST_F(SearchRunTest, DeadServerUnknownDatabaseAndBadResourceInTheMiddleDoNotStopTheRun) {
  TResourceLine dead = Ztest(2, "Dead");
  dead.Port = ZTestServer::FreePort();
  TResourceLine noPort = Ztest(4, "NoPort");
  noPort.Port = 0;
  Resources({Ztest(1, "Alpha"), dead, Ztest(3, "Nowhere", "usmarc", "NoSuchDb"), noPort, Ztest(5, "Omega")},
            {1, 2, 3, 4, 5});
  Condition(C.cb_Simple_Title, C.Edit_Simple_Title, u"1");
  RunToEnd();
  EXPECT_EQ(Captions(), (std::vector<std::string>{"(1) Alpha (usmarc)", "Dead (usmarc)", "Nowhere (usmarc)",
                                                  "NoPort (usmarc)", "(1) Omega (usmarc)"}));
  EXPECT_EQ(Entries(), (std::vector<std::string>{"!_LOG.txt", IsoName(1), IsoName(5)}));
  EXPECT_EQ(Texts(), (std::vector<std::string>{"Некорректная информация для подключения. Проверьте!",
                                               "Процесс поиска и выборки закончен!"}));
  // Each failed search leaves its reason in the log, between the lines of the others.
  std::vector<std::string> resourceLines;
  for (const std::string& line : LogLines())
    if (line.find(" => ") != std::string::npos) resourceLines.push_back(line);
  ASSERT_EQ(resourceLines.size(), 4u) << ::testing::PrintToString(LogLines());
  EXPECT_EQ(resourceLines[0], "(1) Alpha (usmarc) => " + IsoName(1));
  EXPECT_TRUE(std::regex_match(resourceLines[1], std::regex(R"(Error: Dead \(usmarc\) => Connect failed.*)")))
      << resourceLines[1];
  EXPECT_TRUE(std::regex_match(resourceLines[2], std::regex(R"(Error: Nowhere \(usmarc\) => .*NoSuchDb.*)")))
      << resourceLines[2];
  EXPECT_EQ(resourceLines[3], "(1) Omega (usmarc) => " + IsoName(5));
}

TEST_F(SearchRunTest, SlowDatabasePastTheTimeoutGivesNothingAndTheNextIsSearched) {
  RegisterOleClass(LendServerProgID, [] {
    auto s = std::make_shared<TLendServer>();
    s->SetTimeoutSeconds(1);
    return s;
  });
  ZTestServer other;  // the slow answer keeps the first server busy
  TResourceLine next = Ztest(2, "Next");
  next.Port = other.Port();
  Resources({Ztest(1, "Slow", "usmarc", "Slow3"), next}, {1, 2});
  Condition(C.cb_Simple_Title, C.Edit_Simple_Title, u"1");
  RunToEnd();
  EXPECT_EQ(Captions(), (std::vector<std::string>{"Slow (usmarc)", "(1) Next (usmarc)"}));
  EXPECT_EQ(Entries().size(), 2u);
  const auto lines = LogLines();
  EXPECT_TRUE(std::regex_match(lines[5], std::regex(R"(Error: Slow \(usmarc\) => .*[Tt]imeout.*)"))) << lines[5];
}

TEST_F(SearchRunTest, ATricklingServerIsGivenUpAtItsTimeLimitAndTheNextIsSearched) {
  RegisterOleClass(LendServerProgID, [] {
    auto s = std::make_shared<TLendServer>();
    s->SetTimeoutSeconds(1);
    return s;
  });
  auto trickle = TZFaultServer::Trickle(std::chrono::milliseconds(100));  // each byte well within the limit
  Resources({{1, "Trickle", "Default", TZFaultServer::Host(), trickle->Port(), "usmarc"}, Ztest(2, "Next")}, {1, 2});
  Condition(C.cb_Simple_Title, C.Edit_Simple_Title, u"1");
  const auto start = std::chrono::steady_clock::now();
  RunToEnd();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  EXPECT_EQ(Captions(), (std::vector<std::string>{"Trickle (usmarc)", "(1) Next (usmarc)"}));
  const auto lines = LogLines();
  EXPECT_EQ(lines[5], "Error: Trickle (usmarc) => Timeout (10007)");
  EXPECT_EQ(lines[6], "(1) Next (usmarc) => " + IsoName(2));
}

// An Explain record whose target's name is an empty string in the
// constructed form, which the library's decoder cannot survive.
const std::string kExplainTheLibraryCannotSurvive =
    ber::RecordElement(ber::ValueExternal(ber::kExplain, ber::Hex("a0 02 a1 00")));

// A server that answers out of turn, and one whose record (in a syntax the
// search does not read, which the library decodes) the library cannot
// survive: each resource gets its log line, the records that came are saved,
// and the run goes on to the next.
TEST_F(SearchRunTest, AServerOutOfTurnAndOneThatEndsTheSearchProcessEachGetTheirLineAndTheRunGoesOn) {
  TFaultScript scanInstead;
  scanInstead.Answers = {ber::Hex("bf2406840100850100")};
  auto outOfTurn = TZFaultServer::Scripted(scanInstead);
  std::string list;
  for (int i = 1; i <= 10; ++i) list += ber::OctetsRecord(MarcRecord({{"001", std::to_string(i)}}));
  TFaultScript crashes;
  crashes.Answers = {ber::SearchAnswer(13, list, 10), ber::PresentAnswer(kExplainTheLibraryCannotSurvive, 1, 12)};
  auto crashing = TZFaultServer::Scripted(crashes);
  Resources({{1, "Turn", "Default", TZFaultServer::Host(), outOfTurn->Port(), "usmarc"},
             {2, "Crash", "Default", TZFaultServer::Host(), crashing->Port(), "usmarc"},
             Ztest(3, "Next")},
            {1, 2, 3});
  Condition(C.cb_Simple_Title, C.Edit_Simple_Title, u"1");
  Limit(u"20");
  RunToEnd();
  EXPECT_EQ(Captions(), (std::vector<std::string>{"Turn (usmarc)", "(10) Crash (usmarc)", "(1) Next (usmarc)"}));
  std::vector<std::string> resourceLines;
  for (const std::string& line : LogLines())
    if (line.find(" => ") != std::string::npos) resourceLines.push_back(line);
  ASSERT_EQ(resourceLines.size(), 4u) << ::testing::PrintToString(LogLines());
  EXPECT_EQ(resourceLines[0],
            "Error: Turn (usmarc) => The server answered out of turn: a scan answer where a search answer was due");
  EXPECT_TRUE(resourceLines[1].starts_with("(10) Crash (usmarc) => ")) << resourceLines[1];
  EXPECT_EQ(
      resourceLines[2],
      "Error: (10) Crash (usmarc) => Records 11-13 of 13 did not come: The search process ended by signal SIGSEGV "
      "(Segmentation fault)");
  EXPECT_EQ(resourceLines[3], "(1) Next (usmarc) => " + IsoName(3));
  EXPECT_EQ(Texts(), (std::vector<std::string>{"Процесс поиска и выборки закончен!"}));
}

TEST_F(SearchRunTest, StopDuringASearchGivesItUpAtOnceAndEndsTheRun) {
  auto trickle = TZFaultServer::Trickle(std::chrono::milliseconds(100));  // would keep a search for 30 s
  Resources({{1, "Trickle", "Default", TZFaultServer::Host(), trickle->Port(), "usmarc"}, Ztest(2, "Next")}, {1, 2});
  Condition(C.cb_Simple_Title, C.Edit_Simple_Title, u"1");
  static_cast<TButton*>(C.sb_Stop)->OnClick = [this](TObject* S) { Run->sb_StopClick(S); };
  Run->sb_StartClick(nullptr);
  // The click waits in the queue: only a search that lets messages run sees it.
  PostMessage(static_cast<TWinControl*>(C.sb_Stop)->GetHandle(), BM_CLICK);
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < 10 && C.Timer_ScanDB->GetEnabled(); ++i) Display.AdvanceClock(ScanInterval);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  EXPECT_FALSE(C.Timer_ScanDB->GetEnabled());
  EXPECT_EQ(Texts(), (std::vector<std::string>{"Остановлено по Вашему требованию!"}));
  EXPECT_EQ(Captions(), (std::vector<std::string>{"Trickle (usmarc)", "Next (usmarc)"}));
  EXPECT_EQ(Entries(), (std::vector<std::string>{"!_LOG.txt"}));
}

// The stop pressed while the last resource's records come, once its server has
// answered the search and records are coming piece by piece: the fetch is
// given up there, no piece asked for after the stop, and the run ends as a
// stop during a wait ends it, the log saying the records were coming; the
// resource before keeps its file.
TEST_F(SearchRunTest, StopWhileTheLastResourcesRecordsComeGivesItUpAndEndsTheRunAsAStop) {
  ZTestServer own;  // its log says when the second search's records are coming
  Resources({{1, "Alpha", "Default", ZTestServer::Host(), own.Port(), "usmarc"},
             {2, "Beta", "Default", ZTestServer::Host(), own.Port(), "usmarc"}},
            {1, 2});
  Condition(C.cb_Simple_Title, C.Edit_Simple_Title, u"3000");
  Limit(u"3000");
  static_cast<TButton*>(C.sb_Stop)->OnClick = [this](TObject* S) { Run->sb_StopClick(S); };
  size_t presentsAtStop = 0;
  std::function<void()> action = [&] {
    presentsAtStop = own.Requests("Present");
    PostMessage(static_cast<TWinControl*>(C.sb_Stop)->GetHandle(), BM_CLICK);
  };
  auto secondFetching = [&] {
    const std::string log = own.Log();
    const size_t present = log.rfind("[request] Present ");
    return Occurrences(log, "[request] Search ") == 2 && present != std::string::npos &&
           present > log.rfind("[request] Search ");
  };
  RegisterOleClass(LendServerProgID,
                   [&] { return std::make_shared<TActingServer>(&action, 0, String(), secondFetching); });
  Run->sb_StartClick(nullptr);
  for (int i = 0; i < 10 && C.Timer_ScanDB->GetEnabled(); ++i) Display.AdvanceClock(ScanInterval);
  EXPECT_FALSE(action);
  // Its 3000 records come in about ten pieces; none is asked for after the
  // stop. (One asked for just before it may be logged after it.)
  EXPECT_LE(own.Requests("Present"), presentsAtStop + 1) << own.Log();
  EXPECT_FALSE(C.Timer_ScanDB->GetEnabled());
  EXPECT_EQ(Texts(), (std::vector<std::string>{"Остановлено по Вашему требованию!"}));
  EXPECT_EQ(Captions(), (std::vector<std::string>{"(3000) Alpha (usmarc)", "Beta (usmarc)"}));
  EXPECT_FALSE(Names->GetChecked(0));
  EXPECT_TRUE(Names->GetChecked(1));
  const std::string alpha = IsoName(1, "usmarc", "Default", own.Port());
  EXPECT_EQ(Entries(), (std::vector<std::string>{"!_LOG.txt", alpha}));
  EXPECT_TRUE(Bytes(alpha) ==
              DirectZoomFetch(ZTestServer::Host(), own.Port(), "Default", "@attr 1=4 3000", 3000).Joined());
  ExpectLines(LogLines(),
              {kDate, ".*", ".*", "Start: .*", std::string(49, '='), Quote("(3000) Alpha (usmarc) => " + alpha),
               Quote("Error: Beta (usmarc) => Найдено=3000: " + ToUtf8(SearchLogStoppedWhileFetchingText)),
               std::string(49, '-'), "STOP: .*", "Поиск информации остановлен по требованию Пользователя!"});
}

// The stop pressed once the server has answered the search, while the first
// records are waited for: the counter shows the hits meanwhile, and the log
// names them and says the records were coming.
TEST_F(SearchRunTest, AStopWhileTheFirstRecordIsWaitedForIsLoggedAsAStopWhileRecordsCameWithTheHits) {
  auto mute =
      TZFaultServer::Records(std::vector<std::string>(50, MarcRecord({{"001", "1"}})), {.SilentOnPresent = true});
  Resources({{1, "Mute", "Default", TZFaultServer::Host(), mute->Port(), "usmarc"}}, {1});
  Condition(C.cb_Simple_Title, C.Edit_Simple_Title, u"any");
  String shownWhileWaiting;
  static_cast<TButton*>(C.sb_Stop)->OnClick = [&](TObject* S) {
    shownWhileWaiting = C.Edit_BibRec_Find->GetText();
    Run->sb_StopClick(S);
  };
  std::function<void()> action = [&] { PostMessage(static_cast<TWinControl*>(C.sb_Stop)->GetHandle(), BM_CLICK); };
  RegisterOleClass(LendServerProgID, [&] {
    return std::make_shared<TActingServer>(&action, 0, String(), [&] { return mute->Presents() > 0; });
  });
  Run->sb_StartClick(nullptr);
  for (int i = 0; i < 10 && C.Timer_ScanDB->GetEnabled(); ++i) Display.AdvanceClock(ScanInterval);
  EXPECT_FALSE(action);
  EXPECT_EQ(Texts(), (std::vector<std::string>{"Остановлено по Вашему требованию!"}));
  EXPECT_TRUE(Names->GetChecked(0));
  EXPECT_EQ(shownWhileWaiting, u"50");
  EXPECT_EQ(C.Edit_BibRec_Find->GetText(), u"50");
  ExpectLines(LogLines(),
              {kDate, ".*", ".*", "Start: .*", std::string(49, '='),
               Quote("Error: Mute (usmarc) => Найдено=50: " + ToUtf8(SearchLogStoppedWhileFetchingText)),
               std::string(49, '-'), "STOP: .*", "Поиск информации остановлен по требованию Пользователя!"});
}

// ---- What a stop leaves undone -----------------------------------------------------

// Random runs stopped while a resource waits for its server or between two
// resources, per resource and per syntax, against the plain rule: what the
// stop left unfinished (the search it gave up; records that sat only in a
// syntax's buffer) is ticked again without a count mark and named in the log,
// and what was saved keeps its mark; the next start searches exactly the
// ticked entries.
TEST_F(SearchRunTest, AStopGivesBackWhatItLeftUnfinishedAndTheNextStartSearchesIt) {
  static_cast<TButton*>(C.sb_Stop)->OnClick = [this](TObject* S) { Run->sb_StopClick(S); };
  auto pressStop = [this] { SendMessage(static_cast<TWinControl*>(C.sb_Stop)->GetHandle(), BM_CLICK); };
  std::function<void()> action;
  RegisterOleClass(LendServerProgID, [&] { return std::make_shared<TActingServer>(&action, 0, u"Slow1"); });
  std::mt19937 random(20261208);
  for (int round = 0; round < 8; ++round) {
    const Integer n = 2 + Integer(random() % 3);
    const Integer mode = round % 2;
    const bool during = round % 4 < 2;
    // The stop comes while entry At waits, or once it has been searched (not
    // at the last entry, whose tick ends the run).
    const Integer at = Integer(random() % unsigned(during ? n : n - 1));
    SCOPED_TRACE("round " + std::to_string(round) + ": " + std::to_string(n) + " entries, mode " +
                 std::to_string(mode) + (during ? ", during " : ", after ") + std::to_string(at));
    std::vector<TResourceLine> resources;
    std::vector<Integer> ids;
    std::vector<std::string> names, syntaxes;
    std::vector<bool> ticked;
    for (Integer i = 0; i < n; ++i) {
      const std::string syntax = random() % 2 ? "usmarc" : "unimarc";
      resources.push_back(Ztest(i + 1, "R" + std::to_string(i + 1), syntax, during && i == at ? "Slow1" : "Default"));
      ids.push_back(i + 1);
      names.push_back("R" + std::to_string(i + 1) + " (" + syntax + ")");
      syntaxes.push_back(syntax);
      ticked.push_back(i == at || random() % 3 != 0);
    }
    for (const std::string& name : Entries()) std::filesystem::remove(ToUtf8(DirSave) + name);
    Shown.clear();
    Resources(resources, ids);
    for (Integer i = 0; i < n; ++i) Names->SetChecked(i, ticked[size_t(i)]);
    C.rg_BR_SaveMode->SetItemIndex(mode);
    Condition(C.cb_Simple_Title, C.Edit_Simple_Title, u"1");

    action = during ? std::function<void()>(pressStop) : nullptr;
    Run->sb_StartClick(nullptr);
    for (int i = 0; i < 100 && C.Timer_ScanDB->GetEnabled(); ++i) {
      Display.AdvanceClock(ScanInterval);
      if (!during && Captions()[size_t(at)].starts_with("(1) ")) pressStop();
    }
    ASSERT_FALSE(action);

    // The plain rule.
    std::vector<std::string> captions, files = {mode == 0 ? "!_LOG.txt" : "!_LOG2.txt"}, lines;
    std::vector<bool> checks;
    for (Integer i = 0; i < n; ++i) {
      const std::string& name = names[size_t(i)];
      const bool visited = i < at || (i == at && !during);
      if (visited && !ticked[size_t(i)]) {
        captions.push_back("(-) " + name);
        checks.push_back(false);
      } else if (visited && mode == 0) {
        captions.push_back("(1) " + name);
        checks.push_back(false);
        const std::string file = IsoName(i + 1, syntaxes[size_t(i)]);
        files.push_back(file);
        lines.push_back(Quote("(1) " + name + " => " + file));
      } else if (visited) {
        captions.push_back(name);
        checks.push_back(true);
        lines.push_back(Quote("Error: (1) " + name + " => " + ToUtf8(SearchLogNotSavedText)));
      } else {
        captions.push_back(name);
        checks.push_back(ticked[size_t(i)]);
      }
    }
    if (during) lines.push_back(Quote("Error: " + names[size_t(at)] + " => " + ToUtf8(SearchLogNotAnsweredText)));
    std::sort(files.begin(), files.end());
    EXPECT_EQ(Captions(), captions);
    for (Integer i = 0; i < n; ++i) EXPECT_EQ(Names->GetChecked(i), checks[size_t(i)]) << i;
    EXPECT_EQ(Entries(), files);
    std::vector<std::string> expected = {kDate, ".*", ".*", "Start: .*", std::string(49, '=')};
    expected.insert(expected.end(), lines.begin(), lines.end());
    expected.insert(expected.end(),
                    {std::string(49, '-'), "STOP: .*", "Поиск информации остановлен по требованию Пользователя!"});
    ExpectLines(LogLines(files[0]), expected);
    EXPECT_EQ(Texts(), (std::vector<std::string>{"Остановлено по Вашему требованию!"}));

    // The next start searches every ticked entry, and each keeps its records.
    const auto toSearch = std::count(checks.begin(), checks.end(), true);
    Shown.clear();
    RunToEnd();
    EXPECT_EQ(C.Edit_BibRec_Load->GetText(), IntToStr(Integer(toSearch)));
    for (Integer i = 0; i < n; ++i) EXPECT_FALSE(Names->GetChecked(i)) << i;
    EXPECT_EQ(Texts(), (std::vector<std::string>{"Процесс поиска и выборки закончен!"}));
  }
}

TEST_F(SearchRunTest, AFileTheReplacedRunLostIsMarkedThoughTheNewStartIsRefused) {
  if (!std::filesystem::is_directory("/proc/self")) GTEST_SKIP() << "no /proc";
  Resources({Ztest(1, "Alpha"), Ztest(2, "Slow", "usmarc", "Slow1")}, {1, 2});
  Condition(C.cb_Simple_Title, C.Edit_Simple_Title, u"1");
  // Start is pressed again while Slow waits; its search is given up and the
  // new start finds the folder read-only. Alpha's file is written only then,
  // so its failure is known first to the new start, however fast it fails.
  std::function<void()> action = [this] {
    Run->FileCommits().SetHeld(false);
    Run->sb_StartClick(nullptr);
  };
  RegisterOleClass(LendServerProgID, [&] { return std::make_shared<TActingServer>(&action, 0, u"Slow1"); });
  Run->FileCommits().SetHeld(true);
  Run->sb_StartClick(nullptr);
  {
    // Alpha's file cannot be written: the folder turned read-only after the start.
    TSaveFolderFault broken(TFolderFault::ReadOnly, DirSave);
    for (int i = 0; i < 10 && C.Timer_ScanDB->GetEnabled() && Shown.empty(); ++i) Display.AdvanceClock(ScanInterval);
  }
  EXPECT_FALSE(action);
  EXPECT_FALSE(C.Timer_ScanDB->GetEnabled());
  EXPECT_EQ(Texts(), (std::vector<std::string>{
                         "Папка для сохранения записей - только для чтения. Откройте настройки и укажите другую!"}));
  // The refused start leaves the replaced run's log on the screen, true.
  EXPECT_EQ(ToUtf8(C.RE_LOG->GetLines()->Get(5)), "Error: (1) Alpha (usmarc) => " + IsoName(1));
  EXPECT_EQ(Captions(), (std::vector<std::string>{"Alpha (usmarc)", "Slow (usmarc)"}));
  EXPECT_TRUE(Names->GetChecked(0) && Names->GetChecked(1));
}

TEST_F(SearchRunTest, ASearchAskedForWhileTheRunWaitsIsRefusedAndTheRunsSearchGoesOn) {
  Resources({Ztest(1, "Slow", "usmarc", "Slow1"), Ztest(2, "Next")}, {1, 2});
  Condition(C.cb_Simple_Title, C.Edit_Simple_Title, u"1");
  bool refused = false;
  std::function<void()> action = [&] {
    TStringList params;
    ASSERT_TRUE(Table.ResourceToConnectionParams(2, &params, false));
    params.SetValue(TConnectionParams::WhatSearch, u"Zembrin");
    params.SetValue(TConnectionParams::RecLimit, u"1");
    params.SetValue(TConnectionParams::WhereSearch, u"4");
    refused = !Run->SearchOneResource(&params, -1, true);
    EXPECT_TRUE(Run->IsWaitingForServer());
  };
  RegisterOleClass(LendServerProgID, [&] { return std::make_shared<TActingServer>(&action, 0, u"Slow1"); });
  RunToEnd();
  EXPECT_FALSE(action);
  EXPECT_TRUE(refused);
  EXPECT_EQ(Captions(), (std::vector<std::string>{"(1) Slow (usmarc)", "(1) Next (usmarc)"}));
  EXPECT_EQ(Texts(), (std::vector<std::string>{"Процесс поиска и выборки закончен!"}));
  EXPECT_FALSE(IsServerAssigned(ServerObject));
}

namespace {

// The search server, but its search first presses a button (while Presses
// lasts), as a user does while the search waits for the network.
class TPressingServer : public TLateBoundObject {
public:
  TPressingServer(HWND Button, int* Presses) : FButton(Button), FPresses(Presses) { FInner->SetTimeoutSeconds(1); }
  Variant GetProperty(const String& Name) override { return FInner->GetProperty(Name); }
  void SetProperty(const String& Name, const Variant& Value) override { FInner->SetProperty(Name, Value); }
  Variant CallMethod(const String& Name, const std::vector<Variant>& Args) override {
    if (Name == u"SingleSearchIT") {
      if (*FPresses > 0) {
        --*FPresses;
        PostMessage(FButton, BM_CLICK);
      }
      FInner->SetCallWaitHandler([this] { return CallWaiting(); });
    }
    return FInner->CallMethod(Name, Args);
  }

private:
  HWND FButton;
  int* FPresses;
  std::shared_ptr<TLendServer> FInner = std::make_shared<TLendServer>();
};

}  // namespace

TEST_F(SearchRunTest, StartPressedDuringASearchGivesItUpAndBeginsTheRunAnew) {
  auto trickle = TZFaultServer::Trickle(std::chrono::milliseconds(100));  // a search not given up times out
  Resources({{1, "Trickle", "Default", TZFaultServer::Host(), trickle->Port(), "usmarc"}, Ztest(2, "Next")}, {1, 2});
  Condition(C.cb_Simple_Title, C.Edit_Simple_Title, u"1");
  auto* start = Add<TButton>();
  start->OnClick = [this](TObject* S) { Run->sb_StartClick(S); };
  int presses = 1;
  RegisterOleClass(LendServerProgID, [&] { return std::make_shared<TPressingServer>(start->GetHandle(), &presses); });
  SendMessage(start->GetHandle(), BM_CLICK);
  for (int i = 0; i < 10 && C.Timer_ScanDB->GetEnabled(); ++i) Display.AdvanceClock(ScanInterval);
  EXPECT_EQ(presses, 0);
  EXPECT_FALSE(C.Timer_ScanDB->GetEnabled());
  // The new run searches the entry whose search was given up once more (the
  // trickle then runs into its time limit), and the next.
  EXPECT_EQ(Captions(), (std::vector<std::string>{"Trickle (usmarc)", "(1) Next (usmarc)"}));
  EXPECT_FALSE(Names->GetChecked(0));
  EXPECT_EQ(C.Edit_BibRec_Load->GetText(), u"1");
  EXPECT_EQ(Texts(), (std::vector<std::string>{"Процесс поиска и выборки закончен!"}));
  EXPECT_FALSE(IsServerAssigned(ServerObject));
  ExpectLines(LogLines(), {kDate, ".*", ".*", "Start: .*", std::string(49, '='), "Error: Trickle \\(usmarc\\) => .*",
                           Quote("(1) Next (usmarc) => " + IsoName(2)), std::string(49, '='), "Finish: .*"});
}

// Catalogues at the end of a poor link, each fetch longer than the time limit
// in all: one slowed from its first byte, which keeps sending; one that falls
// silent part-way, where the link's timing decides how many records came; and
// one that answers the search and then sends nothing.
TEST_F(SearchRunTest, ARunOverSlowAndFailingLinksSavesWhatCameAndLogsWhatDidNot) {
  RegisterOleClass(LendServerProgID, [] {
    auto s = std::make_shared<TLendServer>();
    s->SetTimeoutSeconds(2);
    return s;
  });
  TLinkRelay slow(ZTestServer::Host(), Z->Port(), {.BytesPerSecond = 15'000});
  TLinkRelay silent(ZTestServer::Host(), Z->Port(), {.SilentAfter = 40'000});
  auto mute =
      TZFaultServer::Records(std::vector<std::string>(50, MarcRecord({{"001", "1"}})), {.SilentOnPresent = true});
  Resources({{1, "Slow", "Default", TLinkRelay::Host(), slow.Port(), "usmarc"},
             {2, "Silent", "Default", TLinkRelay::Host(), silent.Port(), "usmarc"},
             {3, "Mute", "Default", TZFaultServer::Host(), mute->Port(), "usmarc"}},
            {1, 2, 3});
  Condition(C.cb_Simple_Title, C.Edit_Simple_Title, u"200");
  Limit(u"200");
  RunToEnd();
  EXPECT_EQ(Texts(), (std::vector<std::string>{"Процесс поиска и выборки закончен!"}));
  const std::string all = ServerRecords("@attr 1=4 200", 200);
  const std::string slowFile = IsoName(1, "usmarc", "Default", slow.Port());
  EXPECT_TRUE(Bytes(slowFile) == all) << "the slowed fetch's file is not the server's records";
  // The records that came before the link fell silent: the server's first
  // ones, whole, counted and told.
  const std::string silentFile = IsoName(2, "usmarc", "Default", silent.Port());
  const std::string kept = Bytes(silentFile);
  const int k = MarcDumpCount(kept);
  ASSERT_GT(k, 0);
  EXPECT_TRUE(all.compare(0, kept.size(), kept) == 0) << "the records kept are not the server's first ones";
  const std::string mark = "(" + std::to_string(k) + ") ";
  EXPECT_EQ(Captions(), (std::vector<std::string>{"(200) Slow (usmarc)", mark + "Silent (usmarc)", "Mute (usmarc)"}));
  EXPECT_EQ(C.Edit_BibRec_Find->GetText(), u"450");
  EXPECT_EQ(ToUtf8(C.Edit_BibRec_Load->GetText()), std::to_string(200 + k));
  ExpectLines(LogLines(),
              {kDate, ".*", ".*", "Start: .*", std::string(49, '='), Quote("(200) Slow (usmarc) => " + slowFile),
               Quote(mark + "Silent (usmarc) => " + silentFile),
               Quote("Error: " + mark + "Silent (usmarc) => Records " + std::to_string(k + 1) +
                     "-200 of 200 did not come: Timeout (10007)"),
               Quote("Error: Mute (usmarc) => Найдено=50: Records 1-50 of 50 did not come: Timeout (10007)"),
               std::string(49, '='), "Finish: .*"});
}

TEST_F(SearchRunTest, DamagedRecordsReachTheFileAsSentAndAreReported) {
  // A record longer than its leader says, then one whose leader is scrambled.
  const std::string a =
      "00030nam a2200025   4500\x1E"
      "abc more than said\x1D";
  const std::string b =
      "x?!0 nam a2200025   4500\x1E"
      "scrambled\x1D";
  auto server = TZFaultServer::Records({a, b});
  Resources({{1, "Damaged", "Default", TZFaultServer::Host(), server->Port(), "usmarc"}}, {1});
  Condition(C.cb_Simple_Title, C.Edit_Simple_Title, u"1");
  RunToEnd();
  EXPECT_EQ(Captions(), (std::vector<std::string>{"(2) Damaged (usmarc)"}));
  const std::string file = "00001-127_0_0_1-Default-" + std::to_string(server->Port()) + "-usmarc.iso";
  EXPECT_EQ(Bytes(file), a + b);
  const auto lines = LogLines();
  EXPECT_EQ(lines[5], "(2) Damaged (usmarc) => " + file);
  EXPECT_EQ(lines[6],
            "Error: (2) Damaged (usmarc) => Record 1 of 2 is not ISO 2709 (kept as sent); "
            "Record 2 of 2 is not ISO 2709 (kept as sent)");
}

TEST_F(SearchRunTest, RecordsOfNulBytesAreCountedAndWhatCannotBeKeptIsReported) {
  auto server = TZFaultServer::Records({std::string(300, '\0')});
  Resources({{1, "Zeros", "Default", TZFaultServer::Host(), server->Port(), "usmarc"}}, {1});
  Condition(C.cb_Simple_Title, C.Edit_Simple_Title, u"1");
  RunToEnd();
  EXPECT_EQ(Captions(), (std::vector<std::string>{"(1) Zeros (usmarc)"}));
  EXPECT_EQ(C.Edit_BibRec_Load->GetText(), u"1");
  const auto lines = LogLines();
  EXPECT_EQ(lines[5], "Error: (1) Zeros (usmarc) => Record 1 of 1 is not ISO 2709 (kept as sent)");
  EXPECT_EQ(lines[6],
            "Error: (1) Zeros (usmarc) => Не удалось сохранить в файле записей байт повреждённых записей: 300");
}

TEST_F(SearchRunTest, RecordFileThatCannotBeWrittenGetsAnErrorLogLine) {
  Resources({Ztest(1, "Alpha"), Ztest(2, "Beta")}, {1, 2});
  ForceDirectories(DirSave + FromUtf8(IsoName(1)));  // a folder squats on the file's name
  Condition(C.cb_Simple_Title, C.Edit_Simple_Title, u"1");
  RunToEnd();
  const auto lines = LogLines();
  EXPECT_EQ(lines[5], "Error: (1) Alpha (usmarc) => " + IsoName(1));
  EXPECT_EQ(lines[6], "(1) Beta (usmarc) => " + IsoName(2));
  // Alpha's records went nowhere: its entry waits for the next start.
  EXPECT_EQ(Captions(), (std::vector<std::string>{"Alpha (usmarc)", "(1) Beta (usmarc)"}));
  EXPECT_TRUE(Names->GetChecked(0));
  ASSERT_EQ(Texts().size(), 2u);
  EXPECT_EQ(Texts()[0].rfind("Папка для сохранения записей: имя файла занято папкой. Не удалось сохранить записи", 0),
            0u)
      << Texts()[0];
  EXPECT_EQ(Texts()[1], "Процесс поиска и выборки закончен!");
}

TEST_F(SearchRunTest, RecordFileThatFailsWhileTheNextResourceIsSearchedIsMarkedInTheSavedLog) {
  Resources({Ztest(1, "Alpha"), Ztest(2, "Beta")}, {1, 2});
  Condition(C.cb_Simple_Title, C.Edit_Simple_Title, u"10");
  Limit(u"10");
  {
    TFileSizeLimit full;
    RunToEnd();
  }
  // Both wait for the next start, without the marks of records kept.
  EXPECT_EQ(Captions(), (std::vector<std::string>{"Alpha (usmarc)", "Beta (usmarc)"}));
  const auto lines = LogLines();
  ASSERT_GE(lines.size(), 7u);
  EXPECT_TRUE(std::regex_match(lines[5], std::regex(R"(Error: \(\d+\) Alpha \(usmarc\) => )" + Quote(IsoName(1)))))
      << lines[5];
  EXPECT_TRUE(std::regex_match(lines[6], std::regex(R"(Error: \(\d+\) Beta \(usmarc\) => )" + Quote(IsoName(2)))))
      << lines[6];
  EXPECT_EQ(ToUtf8(C.RE_LOG->GetLines()->Get(5)), lines[5]);
  EXPECT_EQ(Entries(), std::vector<std::string>{"!_LOG.txt"});
  ASSERT_EQ(Texts().size(), 2u);
  EXPECT_EQ(Texts()[1], "Процесс поиска и выборки закончен!");
}

TEST_F(SearchRunTest, ARecordFileThatFailedInAReplacedRunMarksNoLineOfTheNewRun) {
  Resources({Ztest(1, "Alpha"), Ztest(2, "Beta")}, {1, 2});
  Condition(C.cb_Simple_Title, C.Edit_Simple_Title, u"10");
  Limit(u"10");
  {
    TFileSizeLimit full;
    Run->sb_StartClick(nullptr);
    Display.AdvanceClock(ScanInterval);  // Alpha's file fails behind the run
    List->CheckAll();
    Run->sb_StartClick(nullptr);  // the run is replaced while the disk is full
  }
  RunToEnd();
  const auto captions = Captions();
  ASSERT_EQ(captions.size(), 2u);
  const auto lines = LogLines();
  ASSERT_GE(lines.size(), 7u);
  // The same text as the failed line of the replaced run, but this file was written.
  EXPECT_EQ(lines[5], captions[0] + " => " + IsoName(1));
  EXPECT_EQ(lines[6], captions[1] + " => " + IsoName(2));
  EXPECT_EQ(Entries(), (std::vector<std::string>{"!_LOG.txt", IsoName(1), IsoName(2)}));
}

TEST_F(SearchRunTest, ServerThatCannotBeCreatedShowsTheErrorBoxAndLeavesTheRunStopped) {
  Resources({Ztest(1, "Alpha"), Ztest(2, "Beta")}, {1, 2});
  RegisterOleClass(LendServerProgID,
                   []() -> std::shared_ptr<IVarDispatch> { throw EOleError(u"Server execution failed"); });
  Condition(C.cb_Simple_Title, C.Edit_Simple_Title, u"1");
  RunToEnd();
  ASSERT_EQ(Display.MessageBoxes().size(), 1u);
  EXPECT_EQ(Display.MessageBoxes()[0].Text, u"Server execution failed.");
  EXPECT_FALSE(C.Timer_ScanDB->GetEnabled());
  // The run is over: nothing is left to stop.
  EXPECT_FALSE(C.sb_Stop->GetEnabled());
  EXPECT_FALSE(IsServerAssigned(ServerObject));
  EXPECT_EQ(Screen->GetCursor(), crDefault);
  EXPECT_TRUE(Shown.empty());
  EXPECT_EQ(Entries(), std::vector<std::string>{});
}

TEST_F(SearchRunTest, LogThatCannotBeSavedShowsTheErrorBoxAndStopsTheRun) {
  Resources({Ztest(1, "Alpha"), Ztest(2, "Beta")}, {1, 2});
  ForceDirectories(DirSave + u"!_LOG.txt");  // a folder in the log's place
  Condition(C.cb_Simple_Title, C.Edit_Simple_Title, u"1");
  RunToEnd();
  ASSERT_EQ(Display.MessageBoxes().size(), 1u);
  EXPECT_EQ(Display.MessageBoxes()[0].Text.substr(0, 19), u"Cannot create file ");
  EXPECT_FALSE(C.Timer_ScanDB->GetEnabled());
  EXPECT_FALSE(C.sb_Stop->GetEnabled());
  // The first resource's records were written before its log line failed.
  EXPECT_EQ(Entries(), (std::vector<std::string>{"!_LOG.txt", IsoName(1)}));
  EXPECT_TRUE(Names->GetChecked(1));
}

TEST_F(SearchRunTest, FiftiethSyntaxGetsItsLineButNoBufferAndIsReportedUnwritten) {
  std::vector<TResourceLine> resources;
  std::vector<Integer> ids;
  for (Integer id = 1; id <= 50; ++id) {
    char syntax[8];
    std::snprintf(syntax, sizeof syntax, "s%02d", id);
    resources.push_back(Ztest(id, "R" + std::to_string(id), syntax));
    ids.push_back(id);
  }
  Resources(resources, ids);
  WriteBytes(DirSave + u"050-S50.iso", "old");
  C.rg_BR_SaveMode->SetItemIndex(1);
  Condition(C.cb_Simple_Title, C.Edit_Simple_Title, u"1");
  RunToEnd();
  EXPECT_EQ(C.ListBox_BR_Syntax->GetCount(), 50);
  EXPECT_FALSE(FileExists(DirSave + u"050-S50.iso"));
  const auto lines = LogLines("!_LOG2.txt");
  ASSERT_EQ(lines.size(), 5u + 50u + 2u);
  EXPECT_EQ(lines[5 + 48], "S49 => 049-S49.iso");
  EXPECT_EQ(lines[5 + 49], "Error: S50 => 050-S50.iso");
  ASSERT_EQ(Shown.size(), 2u);
  EXPECT_EQ(Shown[0].Caption + "/" + Shown[0].Head + "/" + Shown[0].Text,
            "Сохранение информации/Ошибка/Файл не записан: 050-S50.iso");
  EXPECT_EQ(Shown[1].Text, "Процесс поиска и выборки закончен!");
}

TEST_F(SearchRunTest, StartingAgainDuringARunBeginsANewRunFromTheTop) {
  Resources({Ztest(1, "Alpha"), Ztest(2, "Beta"), Ztest(3, "Gamma")}, {1, 2, 3});
  Condition(C.cb_Simple_Title, C.Edit_Simple_Title, u"1");
  Run->sb_StartClick(nullptr);
  Display.AdvanceClock(ScanInterval);
  EXPECT_EQ(C.Edit_BibRec_Load->GetText(), u"1");
  List->CheckAll();
  RunToEnd();
  EXPECT_EQ(C.Edit_BibRec_Load->GetText(), u"3");
  EXPECT_EQ(Captions(), (std::vector<std::string>{"(1) Alpha (usmarc)", "(1) Beta (usmarc)", "(1) Gamma (usmarc)"}));
  EXPECT_EQ(Texts(), (std::vector<std::string>{"Процесс поиска и выборки закончен!"}));
}

TEST_F(SearchRunTest, StartingAgainFromASelectedEntryBeginsWhereTheReplacedRunBegan) {
  Resources({Ztest(1, "A"), Ztest(2, "B"), Ztest(3, "C"), Ztest(4, "D")}, {1, 2, 3, 4});
  C.CB_Search_First->SetState(cbUnchecked);
  List->Select(1);
  Condition(C.cb_Simple_Title, C.Edit_Simple_Title, u"1");
  Run->sb_StartClick(nullptr);
  Display.AdvanceClock(ScanInterval);
  Display.AdvanceClock(ScanInterval);
  ASSERT_EQ(C.Edit_BibRec_Load->GetText(), u"2");  // B and C
  RunToEnd();
  EXPECT_EQ(C.Edit_BibRec_Load->GetText(), u"3");
  EXPECT_EQ(Captions(), (std::vector<std::string>{"A (usmarc)", "(1) B (usmarc)", "(1) C (usmarc)", "(1) D (usmarc)"}));
  EXPECT_TRUE(Names->GetChecked(0));
  for (Integer i = 1; i < 4; ++i) EXPECT_FALSE(Names->GetChecked(i)) << i;
  EXPECT_EQ(LogLines().size(), 5u + 3u + 2u);
}

// ---- A save folder that stops taking files during a run --------------------------

class SaveFolderFault : public SearchRunTest,
                        public ::testing::WithParamInterface<std::tuple<TFolderFault, Integer>> {};

TEST_P(SaveFolderFault, RecordsThatWentNowhereAreNamedGivenBackAndSaidAndTheRunEnds) {
  if (!std::filesystem::is_directory("/proc/self")) GTEST_SKIP() << "no /proc";
  const auto [fault, mode] = GetParam();
  Resources({Ztest(1, "Alpha"), Ztest(2, "Beta")}, {1, 2});
  C.rg_BR_SaveMode->SetItemIndex(mode);
  Condition(C.cb_Simple_Title, C.Edit_Simple_Title, u"10");
  const std::string file1 = mode == 0 ? IsoName(1) : "001-USMARC.iso";
  const std::string file2 = mode == 0 ? IsoName(2) : "001-USMARC.iso";
  WriteBytes(DirSave + FromUtf8(file1), "old records");
  Run->sb_StartClick(nullptr);
  {
    TSaveFolderFault broken(fault, DirSave);
    for (int i = 0; i < 100 && C.Timer_ScanDB->GetEnabled(); ++i) Display.AdvanceClock(ScanInterval);
  }
  EXPECT_EQ(Display.MessageBoxes().size(), 0u)
      << (Display.MessageBoxes().empty() ? std::string() : ToUtf8(Display.MessageBoxes()[0].Text));
  EXPECT_FALSE(C.sb_Stop->GetEnabled());

  // The log on the screen names both, as not written, and is closed.
  std::vector<std::string> screen;
  for (Integer i = 0; i < C.RE_LOG->GetLines()->GetCount(); ++i) screen.push_back(ToUtf8(C.RE_LOG->GetLines()->Get(i)));
  std::vector<std::string> expected = {kDate, ".*", ".*", "Start: .*", std::string(49, '=')};
  if (mode == 1) expected.push_back(Quote("Error: USMARC => 001-USMARC.iso"));
  expected.push_back(R"(Error: \(\d+\) Alpha \(usmarc\) => )" + Quote(file1));
  expected.push_back(R"(Error: \(\d+\) Beta \(usmarc\) => )" + Quote(file2));
  expected.push_back(std::string(49, '='));
  expected.push_back("Finish: " + kDateTime);
  ExpectLines(screen, expected);

  // Both entries wait to be searched again, with no mark of records kept.
  EXPECT_EQ(Captions(), (std::vector<std::string>{"Alpha (usmarc)", "Beta (usmarc)"}));
  EXPECT_TRUE(Names->GetChecked(0) && Names->GetChecked(1));
  // The folder holds what it held, and nothing beside it.
  EXPECT_EQ(Entries(), std::vector<std::string>{file1});
  EXPECT_EQ(Bytes(file1), "old records");

  // The cause reads without scrolling; the folder follows.
  const std::string why = fault == TFolderFault::Gone ? "Папка для сохранения записей больше не существует."
                          : fault == TFolderFault::ReadOnly ? "Папка для сохранения записей - только для чтения."
                                                            : "Диск заполнен: файлы не записаны.";
  ASSERT_EQ(Shown.size(), 2u) << ::testing::PrintToString(Texts());
  EXPECT_EQ(Shown[0].Caption + "/" + Shown[0].Head, "Поиск информации/Ошибка");
  const std::string visible =
      ToUtf8(VisibleMessageText(FromUtf8(Shown[0].Caption), FromUtf8(Shown[0].Head), FromUtf8(Shown[0].Text)));
  EXPECT_EQ(visible.rfind(why, 0), 0u) << visible;
  EXPECT_NE(Shown[0].Text.find(ToUtf8(DirSave)), std::string::npos) << Shown[0].Text;
  EXPECT_EQ(Shown[1].Text, "Процесс поиска и выборки закончен!");

  // The folder takes files again: the next start searches both once more.
  Shown.clear();
  RunToEnd();
  EXPECT_EQ(Texts(), (std::vector<std::string>{"Процесс поиска и выборки закончен!"}));
  EXPECT_FALSE(Names->GetChecked(0) || Names->GetChecked(1));
  const auto lines = LogLines(mode == 0 ? "!_LOG.txt" : "!_LOG2.txt");
  ASSERT_EQ(lines.size(), 5u + (mode == 0 ? 2u : 1u) + 2u) << ::testing::PrintToString(lines);
  for (const std::string& line : lines) EXPECT_EQ(line.find("Error"), std::string::npos) << line;
  EXPECT_GT(Bytes(file1).size(), 100u);
}

std::string SaveFolderFaultName(const ::testing::TestParamInfo<SaveFolderFault::ParamType>& P) {
  static const char* const kFaults[] = {"ReadOnly", "Full", "Gone"};
  return std::string(kFaults[static_cast<int>(std::get<0>(P.param))]) +
         (std::get<1>(P.param) == 0 ? "PerResource" : "PerSyntax");
}

INSTANTIATE_TEST_SUITE_P(ReadOnlyFullOrGone, SaveFolderFault,
                         ::testing::Combine(::testing::Values(TFolderFault::ReadOnly, TFolderFault::Full,
                                                              TFolderFault::Gone),
                                            ::testing::Values(Integer(0), Integer(1))),
                         SaveFolderFaultName);

TEST_F(SearchRunTest, ASyntaxFileTheDiskHasNoRoomForIsSaidAsAFullDiskThoughTheLogIsWritten) {
  Resources({Ztest(1, "Alpha"), Ztest(2, "Beta")}, {1, 2});
  C.rg_BR_SaveMode->SetItemIndex(1);
  Condition(C.cb_Simple_Title, C.Edit_Simple_Title, u"10");
  RunToEnd();
  const std::string records = Bytes("001-USMARC.iso");
  // Room for the log, with its error lines, and not for the records.
  const size_t room = Bytes("!_LOG2.txt").size() + 200;
  ASSERT_LT(room, records.size());
  Shown.clear();
  List->CheckAll();
  {
    TFileSizeLimit full(room);
    RunToEnd();
  }
  ExpectLines(LogLines("!_LOG2.txt"),
              {kDate, ".*", ".*", "Start: .*", std::string(49, '='), Quote("Error: USMARC => 001-USMARC.iso"),
               R"(Error: \(\d+\) Alpha \(usmarc\) => 001-USMARC\.iso)",
               R"(Error: \(\d+\) Beta \(usmarc\) => 001-USMARC\.iso)", std::string(49, '='), "Finish: .*"});
  EXPECT_EQ(Bytes("001-USMARC.iso"), records);
  EXPECT_TRUE(Names->GetChecked(0) && Names->GetChecked(1));
  // The box names the full disk, and only the records as lost.
  ASSERT_EQ(Shown.size(), 2u) << ::testing::PrintToString(Texts());
  const std::string visible =
      ToUtf8(VisibleMessageText(FromUtf8(Shown[0].Caption), FromUtf8(Shown[0].Head), FromUtf8(Shown[0].Text)));
  EXPECT_EQ(visible.rfind("Диск заполнен: файлы не записаны.", 0), 0u) << visible;
  EXPECT_EQ(Shown[0].Text.find("протокол поиска"), std::string::npos) << Shown[0].Text;
  EXPECT_EQ(Shown[1].Text, "Процесс поиска и выборки закончен!");
}

TEST_F(SearchRunTest, WhatARunKilledWhileWritingLeftGoesAtTheNextStart) {
  Resources({Ztest(1, "Alpha")}, {1});
  Condition(C.cb_Simple_Title, C.Edit_Simple_Title, u"1");
  const std::vector<std::string> leftovers = {"." + IsoName(1) + ".Ab3dE9.borrow-tmp",
                                              ".001-USMARC.iso.zzzzzz.borrow-tmp", ".!_LOG.txt.A1b2C3.borrow-tmp",
                                              ".!_LOG2.txt.000000.borrow-tmp"};
  // Look-alikes of other names and shapes, and another user's, stay.
  std::vector<std::string> others = {".notes.txt.Ab3dE9.borrow-tmp", ".x.iso.Ab3dE.borrow-tmp",
                                     ".x.iso.Ab3dE9.borrow-tmp.1", "x.iso.Ab3dE9.borrow-tmp",
                                     ".x.iso.Ab_dE9.borrow-tmp"};
  if (::geteuid() == 0) others.push_back(".theirs.iso.Ab3dE9.borrow-tmp");
  for (const auto& n : leftovers) WriteBytes(DirSave + FromUtf8(n), "left");
  for (const auto& n : others) WriteBytes(DirSave + FromUtf8(n), "not ours");
  if (::geteuid() == 0) {
    ASSERT_EQ(::chown(ToUtf8(DirSave + u".theirs.iso.Ab3dE9.borrow-tmp").c_str(), 4242, 4242), 0);
  }
  ASSERT_TRUE(ForceDirectories(DirSave + u".folder.iso.Ab3dE9.borrow-tmp"));
  others.push_back(".folder.iso.Ab3dE9.borrow-tmp");
  RunToEnd();
  others.push_back("!_LOG.txt");
  others.push_back(IsoName(1));
  std::sort(others.begin(), others.end());
  EXPECT_EQ(Entries(), others);
}
