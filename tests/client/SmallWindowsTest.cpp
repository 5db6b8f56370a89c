// The program's message box, the wait window, the folder chooser, the
// settings dialog and the about box.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "client/_DirSel_SkyBlue.h"
#include "client/z39_02_ListDB.h"
#include "client/z39_05_Settings.h"
#include "client/z39_07_About.h"
#include "client/z39_08_Wait.h"
#include "platform/core/Files.h"
#include "platform/ui/Buttons.h"
#include "platform/ui/ComCtrls.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/FileCtrl.h"
#include "platform/ui/Gauges.h"
#include "platform/ui/MsgBox.h"
#include "tests/client/ProgramDriver.h"
#include "tests/client/ResourceListText.h"

// ---- Message box ----------------------------------------------------------------------------

TEST(MessageBox, OkBoxShowsTrimmedTextsWithoutCancelAndEnterAnswersOk) {
  TProgramDriver drv;
  bool seen = false;
  drv.WhenModal<TDlg_MyShowMessage>([&](TDlg_MyShowMessage* box) {
    EXPECT_EQ(box->GetCaption(), u"Поиск информации");
    EXPECT_EQ(box->Label_Head->GetCaption(), u"Ошибка");
    EXPECT_EQ(box->RE_Msg->GetText(), u"Не указано условие поиска");
    EXPECT_FALSE(box->SB_Cancel->GetVisible());
    EXPECT_TRUE(box->RE_Msg->GetReadOnly());
    seen = true;
    drv.Display().Key(VK_RETURN);
  });
  EXPECT_TRUE(ShowMessageOk(u"  Поиск информации ", u" Ошибка ", u"\r\n Не указано условие поиска \r\n"));
  EXPECT_TRUE(seen);
  EXPECT_EQ(Screen->GetFormCount(), 0) << "the box is freed after one showing";
}

TEST(MessageBox, ABoxWithALongCaptionIsWideEnoughForItsTitleBarAndKeepsItsLayoutAlongTheWidth) {
  TProgramDriver drv;
  for (const bool withCancel : {false, true}) {
    bool seen = false;
    drv.WhenModal<TDlg_MyShowMessage>([&](TDlg_MyShowMessage* box) {
      const Integer width = box->GetClientWidth();
      EXPECT_GE(width, TitleBarClientWidth(box->GetCaption()));
      EXPECT_EQ(box->Label_Head->GetWidth(), width - 12);
      EXPECT_EQ(box->RE_Msg->GetWidth(), width - 12);
      if (withCancel) {
        EXPECT_EQ(box->SB_Cancel->GetLeft() + box->SB_Cancel->GetWidth(), width - 6);
        EXPECT_EQ(box->SB_Cancel->GetLeft() - box->SB_OK->GetLeft(), 77);
      } else {
        EXPECT_LE(std::abs(box->SB_OK->GetLeft() * 2 + box->SB_OK->GetWidth() - width), 20) << "OK alone in the middle";
      }
      seen = true;
      drv.Click(box->SB_OK);
    });
    const String caption = u"Сохранение списка Z39.50-ресурсов", head = u"Ошибка", text = u"Данные не сохранены...";
    EXPECT_TRUE(withCancel ? ShowMessageOkCancel(caption, head, text) : ShowMessageOk(caption, head, text));
    EXPECT_TRUE(seen);
  }
}

TEST(MessageBox, EscInAnOkBoxAnswersFalse) {
  TProgramDriver drv;
  drv.WhenModal<TDlg_MyShowMessage>([&](TDlg_MyShowMessage*) { drv.Display().Key(VK_ESCAPE); });
  EXPECT_FALSE(ShowMessageOk(u"Поиск информации", u"", u"Процесс поиска и выборки закончен!"));
}

TEST(MessageBox, OkCancelBoxAnswersByTheButtonPressed) {
  TProgramDriver drv;
  drv.AnswerBox(false);
  EXPECT_FALSE(ShowMessageOkCancel(u"Текущий список Z39.50-ресурсов", u"Очистка всего списка",
                                   u"Вы желаете очистить весь список ?"));
  drv.AnswerBox(true);
  EXPECT_TRUE(ShowMessageOkCancel(u"c", u"h", u"t"));
  ASSERT_EQ(drv.Boxes().size(), 2u);
  EXPECT_TRUE(drv.Boxes()[0].WithCancel);
  EXPECT_EQ(drv.Boxes()[0].Head, u"Очистка всего списка");
}

TEST(MessageBox, EmptyHeadKeepsTheLabelInItsPlace) {
  TProgramDriver drv;
  drv.WhenModal<TDlg_MyShowMessage>([&](TDlg_MyShowMessage* box) {
    EXPECT_EQ(box->Label_Head->GetCaption(), u"");
    EXPECT_TRUE(box->Label_Head->GetVisible());
    EXPECT_LT(box->Label_Head->GetTop(), box->RE_Msg->GetTop());
    drv.Click(box->SB_OK);
  });
  EXPECT_TRUE(ShowMessageOk(u"Поиск информации", u"   ", u"Процесс поиска и выборки закончен!"));
}

TEST(MessageBox, BoxTakesTheSchemeInForce) {
  TProgramDriver drv;
  SchemeIndex = 1;
  drv.WhenModal<TDlg_MyShowMessage>([&](TDlg_MyShowMessage* box) {
    EXPECT_EQ(box->GetColor(), DesertBackColor);
    EXPECT_EQ(box->RE_Msg->GetColor(), clWhite);
    EXPECT_EQ(box->RE_Msg->GetFont()->GetColor(), DesertFontColor);
    drv.Click(box->SB_OK);
  });
  ShowMessageOk(u"c", u"h", u"t");
  SchemeIndex = 0;
}

// ---- Wait window ----------------------------------------------------------------------------

TEST(WaitWindow, TitleSpinsEvery55MsWhileShown) {
  THeadlessDisplay display;
  TForm_Wait_Load wait(nullptr);
  wait.SetCaption(u"Загрузка ресурсов Z39.50");
  EXPECT_TRUE(ShowWaitWindow(&wait));
  EXPECT_TRUE(wait.GetVisible());
  EXPECT_EQ(wait.GetFormStyle(), fsStayOnTop);
  EXPECT_EQ(wait.GetCaption(), u"...");
  EXPECT_EQ(wait.Gauge1->GetProgress(), 0);
  const Char* expected[] = {u"-", u"\\", u"|", u"/", u"-", u"\\"};
  for (const Char* title : expected) {
    display.AdvanceClock(55);
    EXPECT_EQ(wait.GetCaption(), String(title));
  }
  EXPECT_TRUE(HideWaitWindow(&wait));
  EXPECT_FALSE(wait.GetVisible());
  EXPECT_EQ(wait.GetFormStyle(), fsNormal);
  EXPECT_FALSE(wait.Timer1->GetEnabled());
  display.AdvanceClock(500);
  EXPECT_EQ(wait.GetCaption(), u"\\") << "a hidden window stops spinning";
  // Shown again, it starts over.
  ShowWaitWindow(&wait);
  display.AdvanceClock(55);
  EXPECT_EQ(wait.GetCaption(), u"-");
}

TEST(WaitWindow, ProgressIsClampedAndResetWhenHidden) {
  THeadlessDisplay display;
  TForm_Wait_Load wait(nullptr);
  ShowWaitWindow(&wait);
  EXPECT_TRUE(SetWaitProgress(&wait, 150));
  EXPECT_EQ(wait.Gauge1->GetProgress(), 100);
  SetWaitProgress(&wait, -5);
  EXPECT_EQ(wait.Gauge1->GetProgress(), 0);
  SetWaitProgress(&wait, 66);
  EXPECT_EQ(wait.Gauge1->GetProgress(), 66);
  HideWaitWindow(&wait);
  EXPECT_EQ(wait.Gauge1->GetProgress(), 0);
}

TEST(WaitWindow, ResourceListLoadShowsItsProgressAndHidesIt) {
  TProgramDriver drv;
  ASSERT_TRUE(drv.Start());
  drv.AdvanceClock(100);
  EXPECT_FALSE(Form_Wait_Load->GetVisible());
  EXPECT_FALSE(Form_Wait_Load->Timer1->GetEnabled());
  EXPECT_EQ(Form_Wait_Load->GetClientWidth(), TitleBarClientWidth(u"Загрузка ресурсов Z39.50"));
  EXPECT_EQ(Form_Wait_Load->Label_MSG_2->GetCaption(), u"Идет подготовка к работе");
  ASSERT_EQ(Dlg_ListDB->MemTableEh_Tree->RecordCount(), 1) << "a missing list gives the root group";
  Dlg_ListDB->MemTableEh_Tree->First();
  EXPECT_EQ(Dlg_ListDB->MemTableEh_Tree->FieldByName(u"NAME_THIS")->GetAsString(), u"Ресурсы Z39.50");
}

// ---- Folder chooser ---------------------------------------------------------------------------

TEST(FolderChooser, ChosenFolderEndsWithASlash) {
  TProgramDriver drv;
  const String start = drv.Folder() + u"Старт";
  ASSERT_TRUE(ForceDirectories(start));
  drv.WhenModal<TDlg_DirSelect>([&](TDlg_DirSelect* d) {
    EXPECT_EQ(d->GetCaption(), u"Выбор папки(каталога)");
    EXPECT_FALSE(d->Label_Head->GetVisible());
    EXPECT_EQ(IncludeTrailingPathDelimiter(d->DirectoryListBox1->GetDirectory()), start + u"/");
    drv.Click(d->SB_OK);
  });
  String folder = u"old";
  SelectFolder(String(), String(), u"  " + start + u"  ", -1, 0, folder);
  EXPECT_EQ(folder, start + u"/");
  EXPECT_EQ(Screen->GetFormCount(), 0);
}

TEST(FolderChooser, CancelGivesAnEmptyFolder) {
  TProgramDriver drv;
  drv.WhenModal<TDlg_DirSelect>([&](TDlg_DirSelect*) { drv.Display().Key(VK_ESCAPE); });
  String folder = u"old";
  SelectFolder(u"Куда?", u"Папка для записей", drv.Folder(), -1, 0, folder);
  EXPECT_EQ(folder, u"");
}

TEST(FolderChooser, MissingStartFolderStillReturnsWhatTheUserPicks) {
  TProgramDriver drv;
  const String picked = drv.Folder() + u"picked";
  ASSERT_TRUE(ForceDirectories(picked));
  drv.WhenModal<TDlg_DirSelect>([&](TDlg_DirSelect* d) {
    EXPECT_EQ(d->GetCaption(), u"Куда?");
    EXPECT_TRUE(d->Label_Head->GetVisible());
    EXPECT_EQ(d->Label_Head->GetCaption(), u"Папка для записей");
    d->DirectoryListBox1->SetDirectory(picked);
    drv.Display().Key(VK_RETURN);
  });
  String folder;
  SelectFolder(u" Куда? ", u" Папка для записей ", drv.Folder() + u"no such folder", -1, 0, folder);
  EXPECT_EQ(folder, picked + u"/");
}

TEST(FolderChooser, FolderGoneBeforeOkGivesNothing) {
  TProgramDriver drv;
  const String gone = drv.Folder() + u"gone";
  ASSERT_TRUE(ForceDirectories(gone));
  drv.WhenModal<TDlg_DirSelect>([&](TDlg_DirSelect* d) {
    std::filesystem::remove(ToUtf8(gone));
    drv.Click(d->SB_OK);
  });
  String folder = u"old";
  SelectFolder(String(), String(), gone, -1, 0, folder);
  EXPECT_EQ(folder, u"");
}

TEST(FolderChooser, DoubleClickOnTheFileListChoosesTheFolder) {
  TProgramDriver drv;
  drv.WhenModal<TDlg_DirSelect>(
      [&](TDlg_DirSelect* d) { drv.Display().DoubleClick(d->FileListBox1->GetHandle(), 20, 20); });
  String folder;
  SelectFolder(String(), String(), drv.Folder(), -1, 0, folder);
  EXPECT_EQ(folder, drv.Folder());
}

TEST(FolderChooser, ColoursComeFromTheCallerOrStayAlone) {
  TProgramDriver drv;
  drv.WhenModal<TDlg_DirSelect>([&](TDlg_DirSelect* d) {
    EXPECT_EQ(d->GetColor(), DesertBackColor);
    EXPECT_EQ(d->GroupBox1->GetColor(), DesertBackColor);
    EXPECT_EQ(d->FileListBox1->GetColor(), DesertBackColor);
    drv.Click(d->SB_Cancel);
  });
  String folder;
  SelectFolder(String(), String(), drv.Folder(), DesertFontColor, DesertBackColor, folder);
  drv.WhenModal<TDlg_DirSelect>([&](TDlg_DirSelect* d) {
    EXPECT_NE(d->GetColor(), DesertBackColor);
    EXPECT_NE(d->FileListBox1->GetColor(), DesertBackColor);
    drv.Click(d->SB_Cancel);
  });
  SelectFolder(String(), String(), drv.Folder(), -1, DesertBackColor, folder);
}

// ---- Settings dialog ---------------------------------------------------------------------------

TEST(SettingsDialog, DefaultsThenEscStillGiveTheDefaultSaveFolder) {
  TProgramDriver drv;
  ASSERT_TRUE(drv.Start());
  drv.AdvanceClock(100);
  Dlg_Settings->Edit_DirForBR->SetText(u"/elsewhere/");
  Dlg_Settings->rg_BR_SaveMode->SetItemIndex(1);
  drv.WhenModal<TDlg_Settings>([&](TDlg_Settings* d) {
    EXPECT_FALSE(d->SB_Cancel->GetVisible());
    drv.Click(d->SpeedButton2);
    drv.Display().Key(VK_ESCAPE);
  });
  drv.Press(Form_Main, u"SB_Menu_Set");
  EXPECT_EQ(DirSave, drv.Folder() + u"Import/");
  EXPECT_EQ(Dlg_Settings->rg_BR_SaveMode->GetItemIndex(), 0);
  EXPECT_EQ(Dlg_Settings->cb_ShemeColor->GetItemIndex(), 0);
}

TEST(SettingsDialog, FolderButtonOpensTheChooserInTheSchemeColoursAndKeepsACancelledChoice) {
  TProgramDriver drv;
  ASSERT_TRUE(drv.Start());
  drv.AdvanceClock(100);
  SchemeIndex = 1;
  const String before = Dlg_Settings->Edit_DirForBR->GetText();
  drv.WhenModal<TDlg_Settings>([&](TDlg_Settings* d) {
    drv.WhenModal<TDlg_DirSelect>([&](TDlg_DirSelect* chooser) {
      EXPECT_EQ(chooser->GetColor(), DesertBackColor);
      drv.Click(chooser->SB_Cancel);
    });
    drv.Click(d->SpeedButton1);
    EXPECT_EQ(d->Edit_DirForBR->GetText(), before);
    drv.WhenModal<TDlg_DirSelect>([&](TDlg_DirSelect* chooser) {
      chooser->DirectoryListBox1->SetDirectory(drv.Folder() + u"MyWork");
      drv.Click(chooser->SB_OK);
    });
    drv.Click(d->SpeedButton1);
    EXPECT_EQ(d->Edit_DirForBR->GetText(), drv.Folder() + u"MyWork/");
    drv.Display().Key(VK_RETURN);
  });
  drv.Press(Form_Main, u"SB_Menu_Set");
  EXPECT_EQ(DirSave, drv.Folder() + u"MyWork/");
}

TEST(MainWindow, SaveFolderButtonChangesTheSessionFolderOnly) {
  TProgramDriver drv;
  ASSERT_TRUE(drv.Start());
  drv.AdvanceClock(100);
  drv.WhenModal<TDlg_DirSelect>([&](TDlg_DirSelect* chooser) {
    EXPECT_EQ(chooser->GetColor(), SkyBlueBackColor);
    EXPECT_EQ(IncludeTrailingPathDelimiter(chooser->DirectoryListBox1->GetDirectory()), drv.Folder() + u"Import/");
    chooser->DirectoryListBox1->SetDirectory(drv.Folder() + u"MyWork");
    drv.Click(chooser->SB_OK);
  });
  drv.Press(Form_Main, u"SpeedButton2");
  EXPECT_EQ(DirSave, drv.Folder() + u"MyWork/");
  EXPECT_EQ(Dlg_Settings->Edit_DirForBR->GetText(), drv.Folder() + u"Import/");
}

// A click in the resource list's empty rows, below its last resource, selects
// nothing and leaves the window answering: keys move the focus, the menu
// buttons open their dialogs and a click on an edit box lets the user type there.
TEST(MainWindow, AClickBelowTheLastResourceLeavesTheWindowAnsweringClicksAndKeys) {
  TProgramDriver drv;
  ASSERT_TRUE(ForceDirectories(drv.Folder() + u"Settings/"));
  WriteFileAtomic(drv.Folder() + u"Settings/ListDB_for_Search.txt", "3\r\n5\r\n");
  ASSERT_TRUE(drv.StartWithResourceList(std::string(kResourceListHead) +
                                        ResourceListLine(3, "Three", "Default", "127.0.0.1", 210, "usmarc") +
                                        ResourceListLine(5, "Five", "Default", "127.0.0.1", 210, "usmarc")));
  auto* list = drv.Find<TCheckListBox>(Form_Main, u"clb_ListDB_Names");
  ASSERT_EQ(list->GetCount(), 2);
  const Integer below = list->ItemRect(1).Bottom + 20;
  ASSERT_LT(below, list->GetClientHeight());
  const auto clickBelowTheLast = [&] { drv.Display().Click(list->GetHandle(), list->GetClientWidth() / 2, below); };

  clickBelowTheLast();
  EXPECT_EQ(list->GetItemIndex(), -1);
  ASSERT_EQ(GetFocus(), list->GetHandle());
  drv.Display().Key(VK_TAB);
  EXPECT_NE(GetFocus(), list->GetHandle()) << "Tab left the focus in the list";

  clickBelowTheLast();
  bool settingsOpened = false;
  drv.WhenModal<TDlg_Settings>([&](TDlg_Settings*) {
    settingsOpened = true;
    drv.Display().Key(VK_ESCAPE);
  });
  drv.Press(Form_Main, u"SB_Menu_Set");
  EXPECT_TRUE(settingsOpened) << "the settings dialog did not open";
  EXPECT_EQ(drv.Display().PendingIdleSteps(), 0u);

  clickBelowTheLast();
  drv.SetText(Form_Main, u"Edit_Simple_Title", String());
  drv.Press(Form_Main, u"Edit_Simple_Title");
  drv.Display().TypeText(u"Война");
  EXPECT_EQ(Form_Main->Edit_Simple_Title->GetText(), u"Война");
}

// ---- About box --------------------------------------------------------------------------------

TEST(AboutBox, ShowsVersionOwnerAndPictureAndClosesWithEnter) {
  TProgramDriver drv;
  ASSERT_TRUE(drv.Start());
  drv.WhenModal<TAboutBox>([&](TAboutBox* box) {
    EXPECT_EQ(box->Version->GetCaption(), u"Версия  1.05  (19.01.2011)");
    EXPECT_FALSE(box->OwnerLine->GetCaption().empty());
    EXPECT_EQ(box->ProgramIcon->GetPicture()->GetWidth(), 112);
    EXPECT_EQ(box->ProgramIcon->GetPicture()->GetHeight(), 112);
    const std::string artifacts = BORROW_BINARY_DIR "/test-artifacts";
    std::filesystem::create_directories(artifacts);
    EXPECT_TRUE(drv.Display().SnapshotPNG(box->GetHandle(), artifacts + "/client-about-box.png"));
    drv.Display().Key(VK_RETURN);
  });
  drv.Press(Form_Main, u"SpeedButton3");
  EXPECT_FALSE(AboutBox->GetVisible());
}

TEST(AboutBox, PictureIsAJpeg) {
  const std::string_view bytes = AboutPictureJpeg();
  ASSERT_GT(bytes.size(), 4u);
  EXPECT_EQ(static_cast<unsigned char>(bytes[0]), 0xFF);
  EXPECT_EQ(static_cast<unsigned char>(bytes[1]), 0xD8);
  EXPECT_EQ(static_cast<unsigned char>(bytes[bytes.size() - 2]), 0xFF);
  EXPECT_EQ(static_cast<unsigned char>(bytes[bytes.size() - 1]), 0xD9);
}

// ---- Resource tree editor ---------------------------------------------------------------------

TEST(ResourceTreeEditor, OpensFromTheMenuAndClosesWithEscOrAltEnter) {
  TProgramDriver drv;
  ASSERT_TRUE(drv.Start());
  drv.AdvanceClock(100);
  drv.WhenModal<TDlg_ListDB>([&](TDlg_ListDB* d) {
    EXPECT_FALSE(d->Label_YesModify->GetVisible());
    drv.Display().Key(VK_RETURN);  // Enter alone belongs to the table
    EXPECT_TRUE(d->GetVisible());
    drv.Display().Key(VK_ESCAPE);
  });
  drv.Press(Form_Main, u"SB_Menu_Res");
  EXPECT_FALSE(Dlg_ListDB->GetVisible());
  EXPECT_EQ(Dlg_ListDB->GetModalResult(), mrCancel);
  drv.WhenModal<TDlg_ListDB>([&](TDlg_ListDB*) { drv.Display().Key(VK_RETURN, THeadlessShift::Alt); });
  drv.Press(Form_Main, u"SB_Menu_Res");
  EXPECT_EQ(Dlg_ListDB->GetModalResult(), mrOk);
}
