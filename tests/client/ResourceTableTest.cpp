// The resource table: "ListDB.txt" into the in-memory table and back, the
// connection parameters of a resource, the numbers of a new record.

#include <gtest/gtest.h>

#include <filesystem>

#include "client/ResourceTable.h"
#include "platform/core/Files.h"
#include "tests/client/TempFolder.h"

namespace {

const std::string kHeader =
    "* ID_THIS\tID_PARENT\tID_TYPE\tNPP\tItsActual\tItsUse\tNAME_THIS\tDatabase\tURL\tPORT\t"
    "Syntax\tEncoding\tUsername\tPSW\tNote\t\r\n";
const std::string kRuler = "* " + std::string(173, '=') + "\r\n";
const std::string kRootLine = "0\t-1\t0\t0\t+\t+\t\xD0\xE5\xF1\xF3\xF0\xF1\xFB Z39.50\t \t \t0\t \t \t \t \t \t\r\n";

// A saved list in tree order; NPP values 3 under one group and 7 under another.
const std::string kList = kHeader + kRuler + kRootLine +
                          "1\t0\t0\t1\t+\t+\t\xC1\xE8\xE1\xEB\xE8\xEE\xF2\xE5\xEA\xE8\t \t \t0\t \t \t \t \t \t\r\n"
                          "11\t1\t1\t3\t+\t+\tB\tBooks\tz.example.org\t210\tRUSMARC\twindows-1251\tuser\tpw\tnote\t\r\n"
                          "2\t0\t0\t2\t \t \tEmpty\t \t \t0\t \t \t \t \t \t\r\n"
                          "12\t2\t1\t7\t \t+\tA\t???\t127.0.0.1\t9999\tusmarc\t???\t \t \t \t\r\n"
                          "13\t2\t1\t8\t+\t+\tNoPort\tDefault\thost\t0\tusmarc\t???\t \t \t \t\r\n";

class ResourceTableFile : public ::testing::Test {
protected:
  String File() const { return Folder.Path() + u"ListDB.txt"; }
  void Write(const std::string& Bytes) { WriteBytes(File(), Bytes); }
  std::string Saved() const { return ReadFileBytes(File()); }
  bool Save() {
    return Table.SaveResourceList(Folder.Path(), {}, [](const String&) { return true; });
  }
  std::vector<Integer> ViewIds(TDataSet& D) {
    std::vector<Integer> ids;
    D.First();
    while (!D.Eof()) {
      ids.push_back(D.FieldByName(u"ID_THIS")->GetAsInteger());
      D.Next();
    }
    return ids;
  }

  TTempFolder Folder;
  TResourceTable Table;
};

}  // namespace

// ---- Loading and saving ------------------------------------------------------------

TEST_F(ResourceTableFile, ListLoadsIntoTheTreeAndSavesBackByteIdentical) {
  Write(kList);
  EXPECT_EQ(Table.LoadResourceList(Folder.Path()), 6);
  EXPECT_TRUE(Table.MemTableEh_Tree->IsTreeList());
  EXPECT_FALSE(Table.MemTableEh_Tree->GetCanModify());
  EXPECT_TRUE(Table.MemTableEh_Buf->GetActive());
  EXPECT_EQ(ViewIds(*Table.MemTableEh_Tree), (std::vector<Integer>{0, 1, 11, 2, 12, 13}));
  std::remove(ToUtf8(File()).c_str());
  ASSERT_TRUE(Save());
  EXPECT_EQ(Saved(), kList);
}

TEST_F(ResourceTableFile, MissingFileGivesTheRootGroupWithItsExactLine) {
  EXPECT_EQ(Table.LoadResourceList(Folder.Path()), 1);
  Table.MemTableEh_Tree->First();
  EXPECT_EQ(Table.MemTableEh_Tree->FieldByName(u"NAME_THIS")->GetAsString(), u"Ресурсы Z39.50");
  // Unset fields are Null, and go out as placeholders.
  EXPECT_TRUE(Table.MemTableEh_Tree->FieldByName(u"Note")->GetIsNull());
  ASSERT_TRUE(Save());
  EXPECT_EQ(Saved(), kHeader + kRuler + kRootLine);
}

TEST_F(ResourceTableFile, PlaceholdersReadIntoTheTableAsEmptyBlankOrQuestionMarksByKind) {
  Write(kList);
  Table.LoadResourceList(Folder.Path());
  TMemTableEh& t = *Table.MemTableEh_Tree;
  ASSERT_TRUE(t.Locate(u"ID_THIS", Variant(2), {}));
  EXPECT_EQ(t.FieldByName(u"Database")->GetAsString(), u"");   // a group's empty connection text
  EXPECT_EQ(t.FieldByName(u"Username")->GetAsString(), u" ");  // an optional text's blank
  EXPECT_EQ(t.FieldByName(u"ItsActual")->GetAsString(), u" ");
  ASSERT_TRUE(t.Locate(u"ID_THIS", Variant(12), {}));
  EXPECT_EQ(t.FieldByName(u"Database")->GetAsString(), u"???");
  EXPECT_EQ(t.FieldByName(u"Encoding")->GetAsString(), u"???");
}

TEST_F(ResourceTableFile, BomCrOnlyDuplicateAndNonNumericLinesLoadByTheRules) {
  Write(
      "\xEF\xBB\xBF* header\r* ruler\r"
      "5\t0\t1\t1\t+\t+\t\xD0\x9A\xD0\xBD\xD0\xB8\xD0\xB3\xD0\xB8\tDefault\th\t210\tusmarc\tutf-8\t \t \t \t\r"
      "5\t0\t1\t2\t+\t+\tsecond\tDefault\th\t210\tusmarc\tutf-8\t \t \t \t\r"
      "x\t0\t0\t3\t+\t+\tword\t \t \t0\t \t \t \t \t \t\r"
      "y\t0\t0\t4\t+\t+\tlater\t \t \t0\t \t \t \t \t \t\r"
      "-1\t0\t0\t5\t+\t+\tneg\t \t \t0\t \t \t \t \t \t\r");
  EXPECT_EQ(Table.LoadResourceList(Folder.Path()), 2);
  TMemTableEh& t = *Table.MemTableEh_Tree;
  ASSERT_TRUE(t.Locate(u"ID_THIS", Variant(5), {}));
  EXPECT_EQ(t.FieldByName(u"NAME_THIS")->GetAsString(), u"Книги");
  ASSERT_TRUE(t.Locate(u"ID_THIS", Variant(0), {}));
  EXPECT_EQ(t.FieldByName(u"NAME_THIS")->GetAsString(), u"word");
}

TEST_F(ResourceTableFile, WaitWindowFollowsLoadAndSave) {
  Write(kHeader + kRuler + kRootLine);
  std::vector<std::string> seen;
  TResourceListWait wait;
  wait.Show = [&](Integer W, const String& C, const String& M) {
    seen.push_back("show " + std::to_string(W) + " " + ToUtf8(C) + " / " + ToUtf8(M));
  };
  wait.SetMessage = [&](const String& M) { seen.push_back("msg " + ToUtf8(M)); };
  wait.SetProgress = [&](Integer P) { seen.push_back(std::to_string(P)); };
  wait.Normal = [&] { seen.push_back("normal"); };
  Table.LoadResourceList(Folder.Path(), wait);
  EXPECT_EQ(seen, (std::vector<std::string>{"show 220 Загрузка ресурсов Z39.50 / Идет подготовка к работе", "33", "66",
                                            "100", "normal"}));
  seen.clear();
  ASSERT_TRUE(Table.SaveResourceList(Folder.Path(), wait, [](const String&) { return true; }));
  EXPECT_EQ(seen, (std::vector<std::string>{"show 340 Выгрузка ресурсов Z39.50 / Идет подготовка для сохранения в файл",
                                            "100", "msg Идет сохранение в файл", "100", "msg Готово", "normal"}));
}

TEST_F(ResourceTableFile, SaveWritesRecordsOfCollapsedGroupsAndHiddenByAFilter) {
  Write(kList);
  Table.LoadResourceList(Folder.Path());
  Table.MemTableEh_Tree->GetTreeList()->FullCollapse();
  Table.MemTableEh_Tree->SetFilter(u"ID_TYPE>0");
  ASSERT_TRUE(Save());
  EXPECT_EQ(Saved(), kList);
  EXPECT_TRUE(Table.MemTableEh_Tree->GetFiltered());
}

TEST_F(ResourceTableFile, AListOutOfTreeOrderWithEditedTextsSavesInTreeOrderWithCleanedFields) {
  const std::string resource = "\tD\th\t210\tusmarc\tutf-8\t \t \t \t\r\n";
  const std::string group = "\t \t \t0\t \t \t \t \t \t\r\n";
  Write(kHeader + kRuler + "12\t2\t1\t7\t+\t+\tB" + resource + "2\t0\t0\t2\t+\t+\tG2" + group +
        "11\t1\t1\t3\t+\t+\t\xDF" + resource + "1\t0\t0\t1\t+\t+\tG1" + group + "13\t1\t1\t3\t+\t+\t\xC0" + resource +
        "0\t-1\t0\t0\t+\t+\tRoot" + group + "20\t99\t1\t5\t+\t+\tLost" + resource);
  Table.LoadResourceList(Folder.Path());
  TMemTableEh& t = *Table.MemTableEh_Tree;
  t.SetReadOnly(false);
  ASSERT_TRUE(t.Locate(u"ID_THIS", Variant(11), {}));
  t.Edit();
  t.FieldByName(u"URL")->SetAsString(u"x\U0001F600y");  // outside the code page
  t.FieldByName(u"Note")->SetAsString(
      u" a\tb\x01"
      u"c ");                                        // TAB and control inside, blanks around
  t.FieldByName(u"Username")->SetAsString(u"\x02");  // nothing left once trimmed
  t.FieldByName(u"Database")->SetAsString(u"");
  t.Post();
  ASSERT_TRUE(Save());
  // Top-level records (the root and the one whose group is missing) by number,
  // each followed by its subtree; equal numbers by name.
  EXPECT_EQ(Saved(), kHeader + kRuler + "0\t-1\t0\t0\t+\t+\tRoot" + group + "1\t0\t0\t1\t+\t+\tG1" + group +
                         "13\t1\t1\t3\t+\t+\t\xC0" + resource +
                         "11\t1\t1\t3\t+\t+\t\xDF\t???\tx?y\t210\tusmarc\tutf-8\t \t \ta b c\t\r\n" +
                         "2\t0\t0\t2\t+\t+\tG2" + group + "12\t2\t1\t7\t+\t+\tB" + resource +
                         "20\t99\t1\t5\t+\t+\tLost" + resource);
  // The same bytes as the records' own line writer gives.
  const String copy = Folder.Path() + u"copy.txt";
  WriteResourceListFile(copy, BuildResourceListLines(ResourceTreeOrder(Table.AllRecords())));
  EXPECT_EQ(ReadFileBytes(copy), Saved());
}

TEST_F(ResourceTableFile, ALargeListSavesTheSameBytesAsTheRecordsOwnLineWriter) {
  // Large enough to be read in parts; children ahead of their groups, and
  // siblings with equal numbers, so the tree order differs from the file's.
  const std::string groupTail = "\t \t \t0\t \t \t \t \t \t\r\n";
  std::string bytes = kHeader + kRuler;
  for (int id = 10000; id >= 1; --id) {
    const int group = id - (id - 1) % 100;
    const std::string npp = std::to_string((id * 7) % 13);
    if (id == group)
      bytes +=
          std::to_string(id) + "\t0\t0\t" + npp + "\t+\t+\t\xC3\xF0\xF3\xEF\xEF\xE0 " + std::to_string(id) + groupTail;
    else
      bytes += std::to_string(id) + "\t" + std::to_string(group) + "\t1\t" + npp + "\t+\t \t\xCA\xE0\xF2 " +
               std::to_string(id % 17) + "\tDefault\thost" + std::to_string(id % 5) +
               "\t210\tRUSMARC\tutf-8\t \t \t \t\r\n";
  }
  Write(bytes);
  ASSERT_EQ(Table.LoadResourceList(Folder.Path()), 10000);
  ASSERT_TRUE(Save());
  const String copy = Folder.Path() + u"copy.txt";
  WriteResourceListFile(copy, BuildResourceListLines(ResourceTreeOrder(Table.AllRecords())));
  EXPECT_EQ(ReadFileBytes(copy), Saved());
  EXPECT_EQ(Saved().size(), bytes.size());
}

TEST_F(ResourceTableFile, SaveInListModeLeavesTheTreeOn) {
  Write(kList);
  Table.LoadResourceList(Folder.Path());
  Table.MemTableEh_Tree->GetTreeList()->SetActive(false);
  ASSERT_TRUE(Save());
  EXPECT_TRUE(Table.MemTableEh_Tree->GetTreeList()->GetActive());
  EXPECT_EQ(Saved(), kList);
}

TEST_F(ResourceTableFile, SaveIsRefusedWithoutAWritableFolderOrAnOpenTable) {
  Write(kList);
  Table.LoadResourceList(Folder.Path());
  EXPECT_FALSE(Table.SaveResourceList(Folder.Path(), {}, [](const String&) { return false; }));
  EXPECT_FALSE(Table.SaveResourceList(String(), {}, [](const String&) { return true; }));
  Table.MemTableEh_Buf->Close();
  Table.MemTableEh_Tree->Close();
  EXPECT_FALSE(Save());
  EXPECT_EQ(Saved(), kList);
}

TEST_F(ResourceTableFile, AListThatCannotBeReadLeavesTheTableClosedSoNoSaveWritesOverIt) {
  // A regular file whose reading fails (as one the user may not read does).
  if (!std::filesystem::exists("/proc/self/mem")) GTEST_SKIP() << "no /proc";
  Write(kList);
  Table.LoadResourceList(Folder.Path());
  std::filesystem::remove(ToUtf8(File()));
  std::filesystem::create_symlink("/proc/self/mem", ToUtf8(File()));
  EXPECT_ANY_THROW(Table.LoadResourceList(Folder.Path()));
  EXPECT_FALSE(Table.MemTableEh_Tree->GetActive());
  EXPECT_FALSE(Save());
  EXPECT_TRUE(std::filesystem::is_symlink(ToUtf8(File())));
}

// ---- Connection parameters -----------------------------------------------------------

TEST_F(ResourceTableFile, ParametersOfAResourceAndOnlyThePresentOptionalNames) {
  Write(kList);
  Table.LoadResourceList(Folder.Path());
  TStringList p;
  const Integer shown = Table.MemTableEh_Tree->FieldByName(u"ID_THIS")->GetAsInteger();
  ASSERT_NE(shown, 11);
  ASSERT_TRUE(Table.ResourceToConnectionParams(11, &p, true));
  EXPECT_EQ(p.GetText(),
            u"ID_THIS=11\r\nzDatabase=Books\r\nzHost=z.example.org\r\nzPORT=210\r\nzSyntax=RUSMARC\r\n"
            u"zEncoding=windows-1251\r\nzUsername=user\r\nzPassword=pw\r\n");
  // The record the table shows stays where it was.
  EXPECT_EQ(Table.MemTableEh_Tree->FieldByName(u"ID_THIS")->GetAsInteger(), shown);
}

TEST_F(ResourceTableFile, PlaceholderDatabasePassesAndPortZeroFails) {
  Write(kList);
  Table.LoadResourceList(Folder.Path());
  TStringList p;
  EXPECT_TRUE(Table.ResourceToConnectionParams(12, &p, true));
  EXPECT_EQ(p.GetValue(u"zDatabase"), u"???");
  EXPECT_EQ(p.GetValue(u"zEncoding"), u"???");
  EXPECT_EQ(p.IndexOfName(u"zUsername"), -1);
  EXPECT_FALSE(Table.ResourceToConnectionParams(13, &p, true));
  // What was set before the failing step stays.
  EXPECT_EQ(p.GetText(), u"ID_THIS=13\r\nzDatabase=Default\r\nzHost=host\r\n");
}

TEST_F(ResourceTableFile, GroupsAndUnknownIdentifiersFail) {
  Write(kList);
  Table.LoadResourceList(Folder.Path());
  TStringList p;
  p.Add(u"keep=1");
  EXPECT_FALSE(Table.ResourceToConnectionParams(1, &p, false));
  EXPECT_FALSE(Table.ResourceToConnectionParams(99, &p, false));
  EXPECT_FALSE(Table.ResourceToConnectionParams(0, &p, false));
  EXPECT_EQ(p.GetText(), u"keep=1\r\n");
  EXPECT_FALSE(Table.ResourceToConnectionParams(99, &p, true));
  EXPECT_EQ(p.GetCount(), 0);
  EXPECT_FALSE(Table.ResourceToConnectionParams(11, nullptr, true));
}

TEST_F(ResourceTableFile, AResourceInsideACollapsedGroupIsFound) {
  Write(kList);
  Table.LoadResourceList(Folder.Path());
  Table.MemTableEh_Tree->GetTreeList()->FullCollapse();
  TStringList p;
  EXPECT_TRUE(Table.ResourceToConnectionParams(12, &p, true));
  EXPECT_EQ(p.GetValue(u"zHost"), u"127.0.0.1");
}

// ---- Numbers of a new record, the calculated type --------------------------------------

TEST_F(ResourceTableFile, MaximaCoverTheWholeTableAndLeaveTheDisplayedRecord) {
  Write(kList);
  Table.LoadResourceList(Folder.Path());
  ASSERT_TRUE(Table.MemTableEh_Tree->Locate(u"ID_THIS", Variant(11), {}));
  EXPECT_EQ(Table.MaxResourceId(), 13);
  EXPECT_EQ(Table.MaxNpp(1) + 1, 9);  // NPP 3 under group 1, 7 and 8 under group 2
  EXPECT_EQ(Table.MemTableEh_Tree->FieldByName(u"ID_THIS")->GetAsInteger(), 11);
}

TEST_F(ResourceTableFile, NameTypeTellsGroupsFromResources) {
  Write(kList);
  Table.LoadResourceList(Folder.Path());
  TMemTableEh& t = *Table.MemTableEh_Tree;
  ASSERT_TRUE(t.Locate(u"ID_THIS", Variant(1), {}));
  EXPECT_EQ(t.FieldByName(u"Name_Type")->GetAsString(), u"Группа");
  ASSERT_TRUE(t.Locate(u"ID_THIS", Variant(12), {}));
  EXPECT_EQ(t.FieldByName(u"Name_Type")->GetAsString(), u"Ресурс");
}
