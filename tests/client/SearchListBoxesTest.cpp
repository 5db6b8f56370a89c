// The search list over its two list boxes: the list file's lines, and
// captions rebuilt from the resource table at the start of a search.

#include <gtest/gtest.h>

#include "client/SearchList.h"
#include "platform/backend/Headless.h"
#include "platform/core/Exceptions.h"
#include "platform/core/Files.h"
#include "tests/client/TempFolder.h"

namespace {

const std::string kListDb =
    "* header\r\n* ruler\r\n"
    "0\t-1\t0\t0\t+\t+\tRoot\t \t \t0\t \t \t \t \t \t\r\n"
    "3\t0\t1\t1\t+\t+\tThree\tDefault\th\t210\tusmarc\t???\t \t \t \t\r\n"
    "5\t0\t1\t2\t+\t+\tFive\tDefault\th\t210\tRUSMARC\t???\t \t \t \t\r\n"
    "7\t0\t1\t3\t+\t+\tSeven\tDefault\th\t210\tunimarc\t???\t \t \t \t\r\n";

class SearchListBoxes : public ::testing::Test {
protected:
  void SetUp() override {
    WriteBytes(Folder.Path() + u"ListDB.txt", kListDb);
    Table.LoadResourceList(Folder.Path());
    Form = new TForm(Application);
    Names = new TCheckListBox(Form);
    Names->SetParent(Form);
    Ids = new TListBox(Form);
    Ids->SetParent(Form);
    List = std::make_unique<TSearchList>(Names, Ids, &Table);
  }
  void TearDown() override { delete Form; }

  void Load(const std::string& Bytes) {
    WriteBytes(Folder.Path() + u"v.vvv", Bytes);
    List->LoadSearchList(Folder.Path() + u"v.vvv");
  }
  std::vector<String> Captions() const {
    std::vector<String> out;
    for (Integer i = 0; i < Names->GetCount(); ++i)
      out.push_back(String(Names->GetChecked(i) ? u"[x] " : u"[ ] ") + Names->GetItems()->Get(i));
    return out;
  }
  std::vector<String> IdLines() const {
    std::vector<String> out;
    for (Integer i = 0; i < Ids->GetCount(); ++i) out.push_back(Ids->GetItems()->Get(i));
    return out;
  }

  THeadlessDisplay Display;
  TTempFolder Folder;
  TResourceTable Table;
  TForm* Form = nullptr;
  TCheckListBox* Names = nullptr;
  TListBox* Ids = nullptr;
  std::unique_ptr<TSearchList> List;
};

}  // namespace

TEST_F(SearchListBoxes, BlankZeroAndUnknownLinesDropOutAndEveryEntryIsTicked) {
  Load("3\r\n\r\n0\r\nword\r\n99\r\n5\r\n");
  EXPECT_EQ(Captions(), (std::vector<String>{u"[x] Three (usmarc)", u"[x] Five (RUSMARC)"}));
  EXPECT_EQ(IdLines(), (std::vector<String>{u"3", u"5"}));
}

TEST_F(SearchListBoxes, MissingFileGivesAnEmptyList) {
  Load("3\r\n");
  EXPECT_EQ(List->LoadSearchList(Folder.Path() + u"none.vvv"), 0);
  EXPECT_EQ(Names->GetCount(), 0);
  EXPECT_EQ(Ids->GetCount(), 0);
}

TEST_F(SearchListBoxes, FileIsOneIdentifierPerLineWithCrLf) {
  Load("3\n5\n7");
  List->WriteSearchListFile(Folder.Path() + u"out.vvv");
  EXPECT_EQ(ReadFileBytes(Folder.Path() + u"out.vvv"), "3\r\n5\r\n7\r\n");
  EXPECT_TRUE(List->SaveSearchList(Folder.Path() + u"own.txt", Folder.Path(), [](const String&) { return true; }));
  EXPECT_EQ(ReadFileBytes(Folder.Path() + u"own.txt"), "3\r\n5\r\n7\r\n");
  // A folder that takes no file: a list the file does not give is lost, and answered so.
  EXPECT_FALSE(List->SaveSearchList(Folder.Path() + u"no.txt", Folder.Path(), [](const String&) { return false; }));
  EXPECT_FALSE(FileExists(Folder.Path() + u"no.txt"));
  EXPECT_TRUE(List->SaveSearchList(Folder.Path() + u"own.txt", Folder.Path(), [](const String&) { return false; }));
}

TEST_F(SearchListBoxes, RefreshRestoresCaptionsKeepsTicksAndDropsVanishedResources) {
  Load("3\r\n5\r\n7\r\n");
  Names->GetItems()->Put(0, u"(2) Three (usmarc)");
  Names->SetChecked(0, false);
  Names->GetItems()->Put(1, u"(-) Five (RUSMARC)");
  // Resource 5 leaves the table.
  Table.MemTableEh_Tree->SetReadOnly(false);
  ASSERT_TRUE(Table.MemTableEh_Tree->Locate(u"ID_THIS", Variant(Integer(5)), {}));
  Table.MemTableEh_Tree->Delete();
  Table.MemTableEh_Tree->SetReadOnly(true);
  List->RefreshSearchList();
  EXPECT_EQ(Captions(), (std::vector<String>{u"[ ] Three (usmarc)", u"[x] Seven (unimarc)"}));
  EXPECT_EQ(IdLines(), (std::vector<String>{u"3", u"7"}));
}

TEST_F(SearchListBoxes, RefreshKeepsTheSelectedEntryWhenAnotherLeaves) {
  Load("3\r\n5\r\n7\r\n");
  Names->SetChecked(2, false);
  Names->SetItemIndex(2);
  Ids->SetItemIndex(2);
  Table.MemTableEh_Tree->SetReadOnly(false);
  ASSERT_TRUE(Table.MemTableEh_Tree->Locate(u"ID_THIS", Variant(Integer(3)), {}));
  Table.MemTableEh_Tree->Delete();
  Table.MemTableEh_Tree->SetReadOnly(true);
  List->RefreshSearchList();
  EXPECT_EQ(Captions(), (std::vector<String>{u"[x] Five (RUSMARC)", u"[ ] Seven (unimarc)"}));
  EXPECT_EQ(Names->GetItemIndex(), 1);
  EXPECT_EQ(Ids->GetItemIndex(), 1);
}
