// The resource tree editor's list buttons: reload and save the resource list
// file with the wait window, and the message when nothing could be saved.

#include <gtest/gtest.h>

#include "client/z39_02_ListDB.h"
#include "client/z39_08_Wait.h"
#include "platform/core/Files.h"
#include "tests/client/ProgramDriver.h"

namespace {

const std::string kList =
    "* header\r\n* ruler\r\n"
    "1\t0\t0\t1\t+\t+\tGroup\t \t \t0\t \t \t \t \t \t\r\n"
    "2\t1\t1\t1\t+\t+\tCatalogue\tBooks\thost\t210\tRUSMARC\t???\t \t \t \t\r\n";

}  // namespace

TEST(ResourceEditor, SaveButtonWritesTheTableAndLoadButtonReadsItBack) {
  TProgramDriver drv;
  ASSERT_TRUE(drv.StartWithResourceList(kList));
  EXPECT_EQ(Dlg_ListDB->MemTableEh_Tree->RecordCount(), 2);
  Dlg_ListDB->Label_YesModify->SetVisible(true);
  Dlg_ListDB->SB_SaveClick(Dlg_ListDB->SB_Save);
  EXPECT_FALSE(Dlg_ListDB->Label_YesModify->GetVisible());
  EXPECT_FALSE(Form_Wait_Load->GetVisible());
  EXPECT_EQ(Form_Wait_Load->Label_MSG_2->GetCaption(), u"Готово");
  const std::string saved = ReadFileBytes(drv.Folder() + u"Settings/ListDB.txt");
  EXPECT_EQ(saved.substr(saved.find("1\t0\t0")),
            "1\t0\t0\t1\t+\t+\tGroup\t \t \t0\t \t \t \t \t \t\r\n"
            "2\t1\t1\t1\t+\t+\tCatalogue\tBooks\thost\t210\tRUSMARC\t???\t \t \t \t\r\n");
  EXPECT_EQ(saved.substr(0, 10), "* ID_THIS\t");
  EXPECT_TRUE(drv.Boxes().empty());

  WriteFileAtomic(drv.Folder() + u"Settings/ListDB.txt", "* header\r\n");
  Dlg_ListDB->SB_LoadClick(Dlg_ListDB->SB_Load);
  EXPECT_EQ(Dlg_ListDB->MemTableEh_Tree->RecordCount(), 1);  // the root group alone
  EXPECT_FALSE(Form_Wait_Load->GetVisible());
}

TEST(ResourceEditor, ASaveThatFailsReportsItAndTakesTheWaitWindowAway) {
  TProgramDriver drv;
  ASSERT_TRUE(drv.Start());
  drv.AdvanceClock(100);
  // A folder squats on the list file's name: the write itself fails.
  ASSERT_TRUE(ForceDirectories(drv.Folder() + u"Settings/ListDB.txt"));
  try {
    Dlg_ListDB->SB_SaveClick(Dlg_ListDB->SB_Save);  // the application's error box reports it
    ADD_FAILURE() << "the failed save raised nothing";
  } catch (const Exception& e) {
    EXPECT_NE(e.Message().find(u"ListDB.txt"), String::npos) << ToUtf8(e.Message());
  }
  EXPECT_FALSE(Form_Wait_Load->GetVisible());
}

TEST(ResourceEditor, SaveWithoutASettingsFolderSaysNothingWasSaved) {
  TProgramDriver drv;
  ASSERT_TRUE(drv.Start());
  drv.AdvanceClock(100);
  SettingsFolder.clear();
  drv.AnswerBox(true);
  Dlg_ListDB->SB_SaveClick(Dlg_ListDB->SB_Save);
  ASSERT_EQ(drv.Boxes().size(), 1u);
  EXPECT_EQ(drv.Boxes()[0].Caption, u"Сохранение списка Z39.50-ресурсов");
  EXPECT_EQ(drv.Boxes()[0].Head, u"Ошибка");
  EXPECT_EQ(drv.Boxes()[0].Text, u"Данные не сохранены...");
  EXPECT_FALSE(FileExists(u"ListDB.txt"));
}

namespace {

const std::string kThree =
    "* header\r\n* ruler\r\n"
    "1\t0\t0\t1\t+\t+\tGroup\t \t \t0\t \t \t \t \t \t\r\n"
    "2\t1\t1\t1\t+\t+\tFirst\tBooks\thost\t210\tRUSMARC\t???\t \t \t \t\r\n"
    "3\t1\t1\t2\t+\t+\tSecond\tBooks\thost\t210\tUSMARC\t???\t \t \t \t\r\n";

void StartWith(TProgramDriver& Drv, const std::string& List, const std::string& Search) {
  ASSERT_TRUE(ForceDirectories(Drv.Folder() + u"Settings/"));
  WriteFileAtomic(Drv.Folder() + u"Settings/ListDB.txt", List);
  WriteFileAtomic(Drv.Folder() + u"Settings/ListDB_for_Search.txt", Search);
  ASSERT_TRUE(Drv.Start());
  Drv.AdvanceClock(100);
}

std::vector<String> Lines(TStrings* S) {
  std::vector<String> v;
  for (Integer i = 0; i < S->GetCount(); ++i) v.push_back(S->Get(i));
  return v;
}

}  // namespace

TEST(ResourceChooser, ChosenResourcesReplaceTheSearchListOnOk) {
  TProgramDriver drv;
  StartWith(drv, kThree, "3\r\n");
  std::vector<String> prefilled;
  bool groupRefused = false;
  drv.WhenModal<TDlg_ListDB>([&](TDlg_ListDB* d) {
    EXPECT_EQ(d->GetMode(), 1);
    EXPECT_TRUE(d->gb_ListDB_Sel->GetVisible());
    EXPECT_FALSE(d->SB_Save->GetEnabled());
    prefilled = Lines(d->clb_ListDB_Names->GetItems());
    // The group is no resource.
    d->SB_N_LastClick(nullptr);
    d->SB_N_FirstClick(nullptr);
    ASSERT_EQ(d->MemTableEh_Tree->FieldByName(u"ID_THIS")->GetAsInteger(), 1);
    d->ChooseCurrentResource();
    groupRefused = true;
    // The first resource joins; choosing it again only selects it.
    d->SB_N_NextClick(nullptr);
    d->ChooseCurrentResource();
    d->ChooseCurrentResource();
    d->SB_OKClick(d->SB_OK);
  });
  drv.AnswerBox(true);
  drv.Press(Form_Main, u"SB_N_Add");
  EXPECT_TRUE(groupRefused);
  EXPECT_EQ(prefilled, (std::vector<String>{u"Second (USMARC)"}));
  ASSERT_EQ(drv.Boxes().size(), 1u);
  EXPECT_EQ(drv.Boxes()[0].Text, u"Это НЕ ресурс!");
  EXPECT_EQ(Lines(Form_Main->lb_ListDB_ID->GetItems()), (std::vector<String>{u"3", u"2"}));
  EXPECT_EQ(Lines(Form_Main->clb_ListDB_Names->GetItems()),
            (std::vector<String>{u"Second (USMARC)", u"First (RUSMARC)"}));
  EXPECT_FALSE(Dlg_ListDB->MemTableEh_Tree->GetFiltered());
}

TEST(ResourceChooser, UntickedEntriesLeaveAndCancelChangesNothing) {
  TProgramDriver drv;
  StartWith(drv, kThree, "2\r\n3\r\n");
  drv.WhenModal<TDlg_ListDB>([](TDlg_ListDB* d) { d->SB_CancelClick(d->SB_Cancel); });
  drv.Press(Form_Main, u"SB_N_Add");
  EXPECT_EQ(Lines(Form_Main->lb_ListDB_ID->GetItems()), (std::vector<String>{u"2", u"3"}));
  drv.WhenModal<TDlg_ListDB>([](TDlg_ListDB* d) {
    d->clb_ListDB_Names->SetChecked(0, false);
    d->SB_OKClick(d->SB_OK);
  });
  drv.Press(Form_Main, u"SB_N_Add");
  EXPECT_EQ(Lines(Form_Main->lb_ListDB_ID->GetItems()), (std::vector<String>{u"3"}));
}

TEST(ResourceEditor, EditorModeSavesAChangeOnOk) {
  TProgramDriver drv;
  StartWith(drv, kThree, "");
  drv.WhenModal<TDlg_ListDB>([](TDlg_ListDB* d) {
    EXPECT_EQ(d->GetMode(), 0);
    EXPECT_FALSE(d->gb_ListDB_Sel->GetVisible());
    EXPECT_TRUE(d->MemTableEh_Tree->GetFiltered());
    // As an edit would leave them.
    d->GetResourceTable().MarkChanged();
    d->Label_YesModify->SetVisible(true);
    d->SB_OKClick(d->SB_OK);
  });
  drv.Press(Form_Main, u"SB_Menu_Res");
  const std::string saved = ReadFileBytes(drv.Folder() + u"Settings/ListDB.txt");
  EXPECT_EQ(saved.substr(0, 10), "* ID_THIS\t");  // written by the program, not the file it read
  EXPECT_FALSE(Dlg_ListDB->Label_YesModify->GetVisible());
  EXPECT_FALSE(Dlg_ListDB->MemTableEh_Tree->GetFiltered());
}
