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
  ASSERT_TRUE(ForceDirectories(drv.Folder() + u"Settings/"));
  WriteFileAtomic(drv.Folder() + u"Settings/ListDB.txt", kList);
  ASSERT_TRUE(drv.Start());
  drv.AdvanceClock(100);
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
