#include <gtest/gtest.h>

#include <sys/stat.h>

#include <random>

#include "client/ResourceList.h"
#include "client/ResourceTable.h"
#include "client/z39_02_ListDB.h"
#include "platform/core/CodePage.h"
#include "platform/core/Files.h"
#include "platform/core/StringList.h"
#include "platform/core/Strings.h"
#include "tests/client/ProgramDriver.h"
#include "tests/client/TempFolder.h"
#include "tests/support/ExpectedBytes.h"

namespace {

const std::string kHeader =
    "* ID_THIS\tID_PARENT\tID_TYPE\tNPP\tItsActual\tItsUse\tNAME_THIS\tDatabase\tURL\tPORT\t"
    "Syntax\tEncoding\tUsername\tPSW\tNote\t\r\n";
const std::string kRuler = "* " + std::string(173, '=') + "\r\n";

// A saved list in tree order, kept on disk: the root, a group with two
// resources (NPP decides), an empty group, and a resource at the top level.
// Names are in Windows-1251.
const char* const kCanonicalFile = "tests/client/expected/ListDB.txt";
std::string Canonical() { return ReadFileBytes(FromUtf8(std::string(BORROW_SOURCE_DIR "/") + kCanonicalFile)); }

std::vector<Integer> Ids(const std::vector<TResourceRecord>& r) {
  std::vector<Integer> ids;
  for (const auto& x : r) ids.push_back(x.ID_THIS);
  return ids;
}

TResourceRecord Rec(Integer Id, Integer Parent, Integer Type, Integer Npp, const String& Name) {
  TResourceRecord r;
  r.ID_THIS = Id;
  r.ID_PARENT = Parent;
  r.ID_TYPE = Type;
  r.NPP = Npp;
  r.NAME_THIS = Name;
  return r;
}

bool Never(const String&) { return false; }
bool Always(const String&) { return true; }

// Saves the way the program does: a list file read into the resource table,
// then the table saved into Folder.
bool SaveThroughTable(const String& From, const String& Folder, const TResourceListWait& Wait = {},
                      const TFolderProbe& Probe = Always) {
  TResourceTable table;
  table.LoadResourceList(From);
  return table.SaveResourceList(Folder, Wait, Probe);
}

// Records as a list file in the order given (not tree order), for the table to read.
void WriteRecords(const String& Folder, const std::vector<TResourceRecord>& Records) {
  WriteResourceListFile(ResourceListFileName(Folder), BuildResourceListLines(Records));
}

// Text in UTF-16 after its byte-order mark, little- or big-endian.
std::string Utf16WithMark(const String& Text, bool BigEndian) {
  std::string bytes = BigEndian ? "\xFE\xFF" : "\xFF\xFE";
  for (Char c : Text) {
    const char lo = static_cast<char>(c & 0xFF), hi = static_cast<char>(c >> 8);
    bytes += BigEndian ? hi : lo;
    bytes += BigEndian ? lo : hi;
  }
  return bytes;
}

// A saved list of a few resources with Cyrillic texts, as one text.
String ListText(Integer Resources) {
  std::vector<TResourceRecord> records{Rec(0, -1, 0, 0, u"Ресурсы Z39.50")};
  for (Integer id = 1; id <= Resources; ++id) {
    records.push_back(Rec(id, 0, 1, id, u"Каталог №" + IntToStr(id)));
    records.back().Note = u"прим. " + IntToStr(id * 37);
  }
  String text;
  for (const String& line : BuildResourceListLines(records)) text += line + u"\r\n";
  return text;
}

String CutShortText(const String& FileName) {
  return u"Список ресурсов повреждён: текст в UTF-16 обрывается на половине символа. Список прочитан без "
         u"неполного последнего символа. Файл: " +
         FileName;
}

}  // namespace

// ---- Round trips -----------------------------------------------------------------

TEST(ResourceListFile, SavedFileLoadsAndSavesBackByteIdentical) {
  TTempFolder t;
  const String file = ResourceListFileName(t.Path());
  WriteBytes(file, Canonical());
  const std::vector<TResourceRecord> records = LoadResourceListFile(file);
  ASSERT_EQ(Ids(records), (std::vector<Integer>{0, 1, 11, 10, 2, 3}));
  EXPECT_EQ(records[0].NAME_THIS, u"Ресурсы Z39.50");
  EXPECT_EQ(records[2].Note, u"прим");
  EXPECT_EQ(records[3].Username, u" ");  // the table keeps the blank placeholder
  EXPECT_EQ(records[4].Database, u"");   // a group has no connection texts
  EXPECT_EQ(records[5].URL, u"???");

  TTempFolder out;
  ASSERT_TRUE(SaveThroughTable(t.Path(), out.Path()));
  EXPECT_TRUE(MatchesExpectedFile(ReadFileBytes(ResourceListFileName(out.Path())), kCanonicalFile));
}

TEST(ResourceListFile, SaveWritesTheTreeOrderWhateverTheFileOrder) {
  TTempFolder t;
  const String file = ResourceListFileName(t.Path());
  WriteBytes(file, Canonical());
  std::vector<TResourceRecord> records = LoadResourceListFile(file);
  std::reverse(records.begin(), records.end());
  WriteRecords(t.Path(), records);
  ASSERT_TRUE(SaveThroughTable(t.Path(), t.Path()));
  EXPECT_EQ(ReadFileBytes(file), Canonical());
}

TEST(ResourceListFile, MissingFileGivesTheRootGroupExactly) {
  TTempFolder t;
  bool made = false;
  const std::vector<TResourceRecord> records = LoadResourceListFile(ResourceListFileName(t.Path()), nullptr, &made);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_TRUE(made);
  EXPECT_EQ(records[0], RootGroupRecord());
  ASSERT_TRUE(SaveThroughTable(t.Path(), t.Path()));
  EXPECT_EQ(ReadFileBytes(ResourceListFileName(t.Path())),
            kHeader + kRuler + "0\t-1\t0\t0\t+\t+\t\xD0\xE5\xF1\xF3\xF0\xF1\xFB Z39.50\t \t \t0\t \t \t \t \t \t\r\n");
}

TEST(ResourceListFile, FileWithoutUsableLinesGivesTheRootGroup) {
  bool made = false;
  const auto records =
      ReadResourceListText(u"0\t-1\t0\t0\t+\t+\tLost\t\r\n* comment\r\n\r\n-1\t0\t\r\n", nullptr, &made);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_TRUE(made);
  EXPECT_EQ(records[0].NAME_THIS, u"Ресурсы Z39.50");
  // A root group that the file holds is the file's, not one made up for it.
  ReadResourceListText(u"h\r\n0\t-1\t0\t0\t+\t+\tРесурсы Z39.50\t\r\n", nullptr, &made);
  EXPECT_FALSE(made);
}

// ---- Placeholders ----------------------------------------------------------------

TEST(ResourceLines, PlaceholdersDependOnTheKindOfRecord) {
  TResourceRecord resource = Rec(5, 1, 1, 0, u"");
  EXPECT_EQ(ResourceRecordToLine(resource), u"5\t1\t1\t0\t \t \t???\t???\t???\t0\t???\t???\t \t \t \t");
  TResourceRecord group = Rec(6, 1, 0, 0, u"  Группа ");
  group.Database = u"  ";
  EXPECT_EQ(ResourceRecordToLine(group), u"6\t1\t0\t0\t \t \tГруппа\t \t \t0\t \t \t \t \t \t");
}

TEST(ResourceLines, BlankPlaceholderReadsBackEmptyAndTheTableShowsItAgain) {
  TResourceRecord parsed;
  ASSERT_TRUE(LineToResourceRecord(u"9\t0\t1\t0\t+\t \tN\tD\tH\t210\tS\tE\t \t \t \t", parsed));
  EXPECT_EQ(parsed.Username, u"");
  EXPECT_EQ(parsed.PSW, u"");
  EXPECT_EQ(parsed.Note, u"");
  EXPECT_EQ(parsed.ItsUse, u"");
  const TResourceRecord table = ResourceRecordForTable(parsed);
  EXPECT_EQ(table.Username, u" ");
  EXPECT_EQ(table.ItsUse, u" ");
  EXPECT_EQ(table.Database, u"D");
  EXPECT_EQ(ResourceRecordToLine(table), u"9\t0\t1\t0\t+\t \tN\tD\tH\t210\tS\tE\t \t \t \t");
}

TEST(ResourceLines, QuestionMarksStayAndMissingNumbersAreZero) {
  TResourceRecord r;
  ASSERT_TRUE(LineToResourceRecord(u"  x\ty\t1\tz\t+\t+\t???\t", r));
  EXPECT_EQ(r.ID_THIS, 0);
  EXPECT_EQ(r.ID_PARENT, 0);
  EXPECT_EQ(r.NPP, 0);
  EXPECT_EQ(r.NAME_THIS, u"???");
  EXPECT_EQ(r.Note, u"");
  EXPECT_FALSE(LineToResourceRecord(u" \t \r\n", r));
  EXPECT_EQ(ResourceLineId(u" 42 \tx"), 42);
  EXPECT_EQ(ResourceLineId(u"abc\t1"), 0);
}

TEST(ResourceLines, EmptyFieldShiftsTheLaterFieldsLeft) {
  TResourceRecord r;
  // The parent is missing: the type takes its place, and so on down the line.
  ASSERT_TRUE(LineToResourceRecord(u"7\t\t1\t4\t+\t+\tName\tD\tH\t210\tS\tE\tU\tP\tN\t", r));
  EXPECT_EQ(r.ID_THIS, 7);
  EXPECT_EQ(r.ID_PARENT, 1);
  EXPECT_EQ(r.ID_TYPE, 4);
  EXPECT_EQ(r.NPP, 0);
  EXPECT_EQ(r.ItsActual, u"+");
  EXPECT_EQ(r.ItsUse, u"Name");
  EXPECT_EQ(r.NAME_THIS, u"D");
  EXPECT_EQ(r.PORT, 0);
  EXPECT_EQ(r.PSW, u"N");
  EXPECT_EQ(r.Note, u"");
}

TEST(ResourceLines, NameValueListsCarryAllFifteenNames) {
  TStringList list;
  list.Add(u"stale=1");
  ASSERT_TRUE(LineToResourceRecord(u"4\t0\t1\t2\t+\t \tИмя\tD\tH\t210\tS\tE\t \t \t \t", &list));
  ASSERT_EQ(list.GetCount(), 15);
  EXPECT_EQ(list.GetValue(u"id_this"), u"4");
  EXPECT_EQ(list.GetValue(u"NAME_THIS"), u"Имя");
  EXPECT_EQ(list.IndexOfName(u"Username") >= 0, true);
  EXPECT_EQ(list.GetValue(u"Username"), u"");
  EXPECT_EQ(ResourceRecordToLine(&list), u"4\t0\t1\t2\t+\t \tИмя\tD\tH\t210\tS\tE\t \t \t \t");

  TStringList loose;
  loose.Add(u"ID_THIS= 8 ");
  loose.Add(u"PORT=abc");
  loose.Add(u"ID_TYPE=1");
  EXPECT_EQ(ResourceRecordToLine(&loose), u"8\t0\t1\t0\t \t \t???\t???\t???\t0\t???\t???\t \t \t \t");
  TStringList empty;
  EXPECT_EQ(ResourceRecordToLine(&empty), u"");
  EXPECT_EQ(ResourceRecordToLine(static_cast<const TStrings*>(nullptr)), u"");
}

TEST(ResourceLines, TabsAndLineBreaksInsideAValueCannotSplitTheLine) {
  TResourceRecord r = Rec(1, 0, 1, 0, u"a\tb");
  r.Note = u"line1\r\nline2";
  const String line = ResourceRecordToLine(r);
  TResourceRecord back;
  ASSERT_TRUE(LineToResourceRecord(line, back));
  EXPECT_EQ(back.NAME_THIS, u"a b");
  EXPECT_EQ(back.Note, u"line1  line2");
  EXPECT_EQ(back.Database, u"???");
}

// ---- Reading rules ---------------------------------------------------------------

TEST(ResourceListFile, MessyFileLoadsByTheRules) {
  TTempFolder t;
  const String file = ResourceListFileName(t.Path());
  // UTF-8 with a byte-order mark and CR-only line ends; the first line is a
  // record and is lost; 5 comes twice (the first wins); "x" reads as 0 and
  // goes in since no 0 came before it; a second non-number is a second 0.
  WriteBytes(file,
             "\xEF\xBB\xBF"
             "9\t0\t1\t0\t+\t+\tLost\t\r"
             "5\t0\t1\t1\t+\t+\tПервый\tD\tH\t210\tS\tE\t\r"
             "* comment\r"
             "\r"
             "5\t0\t1\t2\t+\t+\tВторой\tD\tH\t210\tS\tE\t\r"
             "x\t-1\t0\t0\t+\t+\tRoot\t\r"
             "y\t-1\t0\t0\t+\t+\tAnother root\t\r"
             "-3\t0\t1\t0\t+\t+\tNegative\t\r"
             "6\t99\t0\t0\t \t \tOrphan\t\r");
  const auto records = LoadResourceListFile(file);
  ASSERT_EQ(Ids(records), (std::vector<Integer>{5, 0, 6}));
  EXPECT_EQ(records[0].NAME_THIS, u"Первый");
  EXPECT_EQ(records[1].NAME_THIS, u"Root");
  EXPECT_EQ(records[2].ID_PARENT, 99);
  EXPECT_EQ(records[2].ItsUse, u" ");
}

TEST(ResourceListFile, LineEndsOfEveryKindAndUtf16AreRead) {
  const String text = u"h\n* x\r\n1\t0\t0\t0\t+\t+\tA\t\n2\t0\t0\t0\t+\t+\tB\t\r3\t0\t0\t0\t+\t+\tC\t";
  EXPECT_EQ(Ids(ReadResourceListText(text)), (std::vector<Integer>{1, 2, 3}));

  TTempFolder t;
  std::string utf16 = "\xFF\xFE";
  for (Char c : String(u"h\r\n1\t0\t0\t0\t+\t+\tЯ\t\r\n")) {
    utf16 += static_cast<char>(c & 0xFF);
    utf16 += static_cast<char>(c >> 8);
  }
  WriteBytes(t.Path() + u"ListDB.txt", utf16);
  const auto records = LoadResourceListFile(t.Path() + u"ListDB.txt");
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].NAME_THIS, u"Я");
}

TEST(ResourceListFile, AUtf16ListCutInsideACharacterReadsAsItsWholeCharactersAndIsSaidToBeCut) {
  TTempFolder t;
  const String file = ResourceListFileName(t.Path());
  // What a load of Bytes gives, and what the user is told before it.
  auto load = [&](const std::string& Bytes) {
    WriteBytes(file, Bytes);
    return std::make_pair(LoadResourceListFile(file), ResourceListCutShortText(file));
  };
  // Characters outside the first plane too, each written as a surrogate pair.
  String text;
  std::vector<size_t> pairs;  // where each pair begins, in code units
  for (Char c : ListText(6)) {
    if (c == u'№') {
      pairs.push_back(text.size());
      text += u"\U0001D11E";
    }
    text += c;
  }
  std::mt19937 random(29);
  for (Integer trial = 0; trial < 60; ++trial) {
    const std::string whole = Utf16WithMark(text, trial % 2 == 1);
    // Cut between two characters, anywhere after the mark, then one byte more;
    // or, before a pair, one to three of its four bytes.
    size_t at = random() % (text.size() + 1);
    if (text[at] >= 0xDC00 && text[at] <= 0xDFFF) --at;  // inside a pair
    if (trial % 3 == 2) at = pairs[random() % pairs.size()];
    const std::string even = whole.substr(0, 2 + 2 * at);
    const bool pair = text[at] >= 0xD800 && text[at] <= 0xDBFF;
    const std::string extra =
        pair ? whole.substr(even.size(), 1 + random() % 3) : std::string(1, static_cast<char>(random() % 256));
    SCOPED_TRACE(testing::Message() << "trial " << trial << ", " << even.size() << " bytes and "
                                    << testing::PrintToString(extra));
    const auto [model, modelSaid] = load(even);
    EXPECT_EQ(modelSaid, u"");
    const auto [records, said] = load(even + extra);
    EXPECT_EQ(records, model);
    EXPECT_EQ(said, CutShortText(file));
  }
  // Without a mark the list is ANSI, where every byte is a character: no
  // length is a cut, and the last byte is read.
  const std::string ansi = StringToAnsi(text);
  for (Integer trial = 0; trial < 10; ++trial) {
    const std::string odd = ansi.substr(0, 1 + 2 * (random() % (ansi.size() / 2)));
    SCOPED_TRACE(testing::Message() << "ANSI, " << odd.size() << " bytes");
    const auto [records, said] = load(odd);
    EXPECT_EQ(said, u"");
    EXPECT_EQ(records, ReadResourceListText(AnsiToString(odd)));
  }
}

TEST(ResourceListFile, ACutUtf16ListIsSaidAtStartUpLoadedWholeAndLeftOnDiskAsItWas) {
  TProgramDriver drv;
  const String list = drv.Folder() + u"Settings/ListDB.txt";
  const std::string bytes = Utf16WithMark(ListText(3), false) + "\x0D";
  ASSERT_TRUE(ForceDirectories(drv.Folder() + u"Settings/"));
  WriteBytes(list, bytes);
  ASSERT_TRUE(drv.Start());
  drv.AnswerBox(true);
  drv.AdvanceClock(100);
  ASSERT_EQ(drv.Boxes().size(), 1u);
  EXPECT_EQ(drv.Boxes()[0].Caption, u"Чтение файла");
  EXPECT_EQ(drv.Boxes()[0].Head, u"Ошибка");
  EXPECT_EQ(drv.Boxes()[0].Text, CutShortText(list));
  EXPECT_EQ(Ids(Dlg_ListDB->GetResourceTable().AllRecords()), (std::vector<Integer>{0, 1, 2, 3}));
  drv.CloseMainWindow();
  EXPECT_TRUE(Application->GetTerminated());
  EXPECT_EQ(ReadFileBytes(list), bytes);
}

TEST(ResourceListFile, RecordsReachTheSinkOneByOneAsTheyAreRead) {
  // Identifiers far apart, the largest repeated: the first of each still wins.
  const String text =
      u"h\r\n2000000000\t0\t1\t0\t+\t+\tДалёкий\t\r\n7\t0\t0\t0\t+\t+\tГруппа\t\r\n"
      u"2000000000\t0\t1\t0\t+\t+\tПовтор\t\r\n7\t0\t0\t0\t+\t+\tПовтор\t\r\n";
  std::vector<String> names;
  std::vector<Integer> progressAtTake;
  Integer progress = 0;
  const size_t taken = ReadResourceListText(
      text,
      [&](TResourceRecord& Record, bool RootGroup) {
        EXPECT_FALSE(RootGroup);
        names.push_back(Record.NAME_THIS + u"/" + Record.Database);
        progressAtTake.push_back(progress);
      },
      [&](Integer Percent) { progress = Percent; });
  EXPECT_EQ(taken, 2u);
  EXPECT_EQ(names, (std::vector<String>{u"Далёкий/???", u"Группа/"}));
  // Each record is handed over while its line is read, not after the file.
  EXPECT_EQ(progressAtTake, (std::vector<Integer>{0, 20}));

  bool root = false;
  EXPECT_EQ(ReadResourceListText(u"h\r\n* only a comment\r\n",
                                 [&](TResourceRecord& Record, bool RootGroup) {
                                   root = RootGroup;
                                   EXPECT_EQ(Record.NAME_THIS, u"Ресурсы Z39.50");
                                 }),
            0u);
  EXPECT_TRUE(root);
}

TEST(ResourceListFile, ProgressCountsTheLinesAfterTheFirst) {
  std::vector<Integer> seen;
  ReadResourceListText(u"h\r\nr\r\n1\t0\t0\t0\t+\t+\tA\t\r\n", [&](Integer p) { seen.push_back(p); });
  EXPECT_EQ(seen, (std::vector<Integer>{33, 66, 100}));

  std::vector<Integer> saved;
  TTempFolder t;
  WriteRecords(t.Path(), {Rec(0, -1, 0, 0, u"R"), Rec(1, 0, 0, 0, u"a"), Rec(2, 0, 0, 1, u"b"), Rec(3, 0, 0, 2, u"c")});
  TResourceListWait wait;
  wait.SetProgress = [&](Integer p) { saved.push_back(p); };
  ASSERT_TRUE(SaveThroughTable(t.Path(), t.Path(), wait));
  EXPECT_EQ(saved, (std::vector<Integer>{25, 50, 75, 100, 100}));
}

// ---- Tree order ------------------------------------------------------------------

TEST(ResourceTree, SubtreesFollowTheirGroupsAndSiblingsSortByNumberThenName) {
  const std::vector<TResourceRecord> records{
      Rec(3, 1, 1, 2, u"x"), Rec(1, 0, 0, 5, u"G1"), Rec(0, -1, 0, 0, u"Root"), Rec(4, 1, 1, 1, u"b"),
      Rec(5, 1, 1, 1, u"a"), Rec(2, 0, 0, 5, u"G0"), Rec(6, 2, 1, 0, u"in G0"), Rec(7, 42, 1, 9, u"orphan")};
  EXPECT_EQ(Ids(ResourceTreeOrder(records)), (std::vector<Integer>{0, 2, 6, 1, 5, 4, 3, 7}));
}

TEST(ResourceTree, RecordsInAParentLoopAreStillWrittenOnce) {
  const std::vector<TResourceRecord> records{Rec(0, -1, 0, 0, u"Root"), Rec(1, 2, 0, 0, u"a"), Rec(2, 1, 0, 0, u"b"),
                                             Rec(3, 3, 0, 0, u"self")};
  const auto ordered = ResourceTreeOrder(records);
  // The self-parented record has no other parent, so it stands at the top.
  EXPECT_EQ(Ids(ordered), (std::vector<Integer>{0, 3, 1, 2}));
}

// ---- Saving ----------------------------------------------------------------------

TEST(ResourceListFile, SaveReplacesTheFileAtomically) {
  TTempFolder t, empty;
  const String file = ResourceListFileName(t.Path());
  WriteBytes(file, Canonical());
  // A second name for the old file: writing in place would change it too.
  ASSERT_EQ(::link(ToUtf8(file).c_str(), (t.Utf8() + "old-link").c_str()), 0);
  ASSERT_TRUE(SaveThroughTable(empty.Path(), t.Path()));
  EXPECT_EQ(ReadFileBytes(t.Path() + u"old-link"), Canonical());
  EXPECT_NE(ReadFileBytes(file), Canonical());
  EXPECT_EQ(t.Entries(), (std::vector<std::string>{"ListDB.txt", "old-link"}));
}

TEST(ResourceListFile, FailedSaveLeavesTheOldFileWhole) {
  TTempFolder t, empty;
  const String file = ResourceListFileName(t.Path());
  ForceDirectories(file);  // a folder squats on the name: the replacement must fail
  EXPECT_ANY_THROW(SaveThroughTable(empty.Path(), t.Path()));
  EXPECT_EQ(t.Entries(), std::vector<std::string>{"ListDB.txt"});
  EXPECT_TRUE(DirectoryExists(file));
}

TEST(ResourceListFile, SaveIsRefusedWithoutAWritableSettingsFolder) {
  TTempFolder t, empty;
  EXPECT_FALSE(SaveThroughTable(empty.Path(), t.Path(), {}, Never));
  EXPECT_FALSE(SaveThroughTable(empty.Path(), u"", {}, nullptr));
  EXPECT_FALSE(SaveThroughTable(empty.Path(), t.Path() + u"missing/", {}, nullptr));
  EXPECT_TRUE(t.Entries().empty());
}

TEST(ResourceListFile, CharactersOutsideTheCodePageBecomeQuestionMarks) {
  TTempFolder t;
  WriteRecords(t.Path(), {Rec(0, -1, 0, 0, u"Каталог \u4E2D")});
  const auto back = LoadResourceListFile(ResourceListFileName(t.Path()));
  EXPECT_EQ(back[0].NAME_THIS, u"Каталог ?");
}
