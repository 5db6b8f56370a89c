// Folder and file lists over a real temporary folder, and the open and save
// dialogs answered by the test.

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/backend/Headless.h"
#include "platform/ui/Dialogs.h"
#include "tests/platform/ui/FormTestSupport.h"

namespace fs = std::filesystem;

namespace {

class FileControls : public FormFixture {
protected:
  fs::path Root;
  String RootS;

  void SetUp() override {
    char tmpl[] = "/tmp/uictl-files-XXXXXX";
    Root = mkdtemp(tmpl);
    fs::create_directories(Root / "Import");
    fs::create_directories(Root / "Настройки");
    std::ofstream(Root / "b.vvv") << "1\r\n";
    std::ofstream(Root / "a.txt") << "x";
    std::ofstream(Root / ".hidden") << "x";
    std::ofstream(Root / "Список.vvv") << "2\r\n";
    RootS = FromUtf8(Root.string());
    MakeForm(500, 400);
  }
  void TearDown() override { fs::remove_all(Root); }
};

std::vector<String> Items(TCustomListBox* l) {
  std::vector<String> out;
  for (Integer i = 0; i < l->GetCount(); ++i) out.push_back(l->GetItems()->Get(i));
  return out;
}

}  // namespace

TEST(FileMasks, PatternsMatchWithoutRegardToCase) {
  EXPECT_TRUE(MatchesMask(u"list.VVV", u"*.vvv"));
  EXPECT_TRUE(MatchesMask(u"noext", u"*.*"));
  EXPECT_TRUE(MatchesMask(u"a.txt", u"*.vvv;*.txt"));
  EXPECT_FALSE(MatchesMask(u"a.txt", u"*.vvv"));
  EXPECT_TRUE(MatchesMask(u"log1.txt", u"log?.txt"));
}

TEST_F(FileControls, FolderListShowsThePathAndSubfoldersAndFeedsItsLinks) {
  auto* dirs = new TDirectoryListBox(Form);
  dirs->SetParent(Form);
  dirs->SetBounds(10, 10, 200, 200);
  auto* files = new TFileListBox(Form);
  files->SetParent(Form);
  files->SetBounds(220, 10, 200, 200);
  auto* label = new TLabel(Form);
  label->SetParent(Form);
  label->SetTop(250);
  dirs->SetFileList(files);
  dirs->SetDirLabel(label);
  dirs->SetDirectory(RootS + u"/");
  EXPECT_EQ(dirs->GetDirectory(), RootS);
  EXPECT_EQ(label->GetCaption(), RootS);
  const std::vector<String> d = Items(dirs);
  ASSERT_GE(d.size(), 3u);
  EXPECT_EQ(d[0], u"/");
  // In the Russian collation order: Cyrillic names first.
  EXPECT_EQ(d[d.size() - 2], u"Настройки");
  EXPECT_EQ(d.back(), u"Import");
  EXPECT_EQ(Items(files), (std::vector<String>{u"Список.vvv", u"a.txt", u"b.vvv"}));
  files->SetMask(u"*.vvv");
  EXPECT_EQ(Items(files), (std::vector<String>{u"Список.vvv", u"b.vvv"}));
  files->SetFileType(TFileType{ftNormal, ftHidden});
  EXPECT_EQ(files->GetCount(), 2);  // ".hidden" does not match *.vvv

  // Opening a subfolder by double click moves the whole chain.
  Form->Show();
  dirs->SetItemIndex(dirs->GetCount() - 2);
  const TRect r = dirs->ItemRect(dirs->GetItemIndex());
  Display.DoubleClick(dirs->GetHandle(), 20, (r.Top + r.Bottom) / 2);
  EXPECT_EQ(dirs->GetDirectory(), RootS + u"/Настройки");
  EXPECT_EQ(label->GetCaption(), RootS + u"/Настройки");
  EXPECT_EQ(files->GetCount(), 0);
  EXPECT_THROW(dirs->SetDirectory(RootS + u"/нет такой"), EInOutError);
  EXPECT_EQ(dirs->GetDirectory(), RootS + u"/Настройки");
}

TEST_F(FileControls, DriveBoxHasTheRootOnly) {
  auto* drives = new TDriveComboBox(Form);
  drives->SetParent(Form);
  drives->SetDrive(u'C');
  EXPECT_EQ(drives->GetDrive(), u'/');
  EXPECT_EQ(drives->GetItems()->GetCount(), 1);
  EXPECT_EQ(drives->GetText(), u"/");
}

TEST_F(FileControls, OpenDialogPicksAFileOfTheChosenType) {
  TOpenDialog od(Form);
  od.SetFilter(u"Файлы вариантов|*.vvv|Все файлы|*.*");
  od.SetDefaultExt(u"vvv");
  od.SetInitialDir(RootS);
  od.SetOptions(TOpenOptions{ofFileMustExist});
  Display.WhenIdle([&] {
    TFileDialogForm* f = od.GetForm();
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(Items(f->FileList), (std::vector<String>{u"Список.vvv", u"b.vvv"}));
    f->Edit_Name->SetFocus();
    Display.TypeText(u"Список");  // no extension: the default one is added
    Display.Key(VK_RETURN);
  });
  ASSERT_TRUE(od.Execute());
  EXPECT_EQ(od.GetFileName(), RootS + u"/Список.vvv");
  EXPECT_EQ(od.GetFilterIndex(), 1);
}

TEST_F(FileControls, OpenDialogRefusesAMissingFileAndCancelGivesFalse) {
  TOpenDialog od(Form);
  od.SetInitialDir(RootS);
  od.SetOptions(TOpenOptions{ofFileMustExist});
  Display.WhenIdle([&] {
    od.GetForm()->Edit_Name->SetText(u"nope.vvv");
    od.GetForm()->Button_OK->Click();
  });
  Display.WhenIdle([&] { Display.Key(VK_ESCAPE); });
  EXPECT_FALSE(od.Execute());
  ASSERT_EQ(Display.MessageBoxes().size(), 1u);
  EXPECT_NE(Display.MessageBoxes()[0].Text.find(u"Файл не найден"), String::npos);
}

TEST_F(FileControls, SaveDialogAsksBeforeReplacing) {
  TSaveDialog sd(Form);
  sd.SetDefaultExt(u"vvv");
  sd.SetInitialDir(RootS);
  sd.SetOptions(TOpenOptions{ofOverwritePrompt});
  Display.AnswerMessageBoxes({IDNO, IDYES});
  Display.WhenIdle([&] {
    sd.GetForm()->Edit_Name->SetText(u"b");
    sd.GetForm()->Button_OK->Click();  // No: stays open
    EXPECT_EQ(sd.GetForm()->GetModalResult(), mrNone);
    sd.GetForm()->Button_OK->Click();  // Yes
  });
  ASSERT_TRUE(sd.Execute());
  EXPECT_EQ(sd.GetFileName(), RootS + u"/b.vvv");
  EXPECT_EQ(Display.MessageBoxes().size(), 2u);
}
