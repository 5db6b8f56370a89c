// Colour schemes: every window takes the scheme in force, by control class.

#include <gtest/gtest.h>

#include "client/__forms.h"
#include "client/z39_02_ListDB.h"
#include "client/z39_03_EditDB.h"
#include "client/z39_05_Settings.h"
#include "client/z39_07_About.h"
#include "client/z39_08_Wait.h"
#include "platform/core/Files.h"
#include "platform/core/IniFiles.h"
#include "platform/ui/Buttons.h"
#include "platform/ui/ComCtrls.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/ValEdit.h"
#include "tests/client/ProgramDriver.h"

namespace {

std::vector<TCustomForm*> SixWindows() {
  return {Form_Main, Dlg_ListDB, Dlg_EditDB, AboutBox, Form_Wait_Load, Dlg_Settings};
}

void StartWithScheme(TProgramDriver& Drv, Integer Scheme) {
  ASSERT_TRUE(ForceDirectories(Drv.Folder() + u"Settings"));
  TIniFile(Drv.Folder() + u"Settings/Borrowline.ini").WriteInteger(u"SchemeColor", u"Index", Scheme);
  ASSERT_TRUE(Drv.Start());
  Drv.AdvanceClock(100);
}

}  // namespace

TEST(ColourSchemes, AnyNumberButOneIsTheSkyBlue) {
  EXPECT_EQ(SchemeBackColor(0), TColor(0xF0CAA6));
  EXPECT_EQ(SchemeFontColor(0), TColor(0x800000));
  EXPECT_EQ(SchemeBackColor(1), TColor(0xDDF2F5));
  EXPECT_EQ(SchemeFontColor(1), TColor(0x044359));
  EXPECT_EQ(SchemeBackColor(7), SchemeBackColor(0));
  EXPECT_EQ(SchemeFontColor(-3), SchemeFontColor(0));
}

TEST(ColourSchemes, StoredSchemeReachesEveryWindowAtTheFirstTick) {
  TProgramDriver drv;
  StartWithScheme(drv, 1);
  EXPECT_EQ(SchemeIndex, 1);
  EXPECT_EQ(Dlg_Settings->cb_ShemeColor->GetItemIndex(), 1);
  for (TCustomForm* f : SixWindows()) {
    EXPECT_EQ(f->GetColor(), DesertBackColor) << ToUtf8(f->GetName());
    EXPECT_EQ(f->GetFont()->GetColor(), DesertFontColor) << ToUtf8(f->GetName());
  }
  // By class: panels, group boxes, labels, check boxes take both colours.
  EXPECT_EQ(Form_Main->Panel_ST_Simple->GetColor(), DesertBackColor);
  EXPECT_EQ(Form_Main->GroupBox1->GetColor(), DesertBackColor);
  EXPECT_EQ(Form_Main->cb_Simple_Title->GetColor(), DesertBackColor);
  EXPECT_EQ(Form_Main->cb_Simple_Title->GetFont()->GetColor(), DesertFontColor);
  EXPECT_EQ(Dlg_Settings->rg_BR_SaveMode->GetColor(), DesertBackColor);
  EXPECT_EQ(Form_Wait_Load->Label1->GetColor(), DesertBackColor);
  // Speed buttons take the text colour only.
  EXPECT_EQ(Form_Main->sb_Start->GetFont()->GetColor(), DesertFontColor);
  // The value list of the resource editor gets its fixed cells coloured.
  EXPECT_EQ(Dlg_EditDB->ValueListEditor1->GetFixedColor(), DesertBackColor);
}

TEST(ColourSchemes, WhiteFieldsStayWhiteButTakeTheTextColour) {
  TProgramDriver drv;
  StartWithScheme(drv, 1);
  EXPECT_EQ(Form_Main->Edit_Simple_Title->GetColor(), clWhite);
  EXPECT_EQ(Form_Main->Edit_Simple_Title->GetFont()->GetColor(), DesertFontColor);
  EXPECT_EQ(Form_Main->RE_LOG->GetColor(), clWhite);
  EXPECT_EQ(Form_Main->RE_LOG->GetFont()->GetColor(), DesertFontColor);
  // A coloured field takes the background too.
  EXPECT_EQ(Form_Main->Edit_BibRec_Find->GetColor(), DesertBackColor);
}

TEST(ColourSchemes, WhiteListKeepsBothColoursAndAColouredOneTakesBoth) {
  TProgramDriver drv;
  ASSERT_TRUE(drv.Start());
  Form_Main->ListBox_BR_Syntax->SetColor(clYellow);
  const TColor listFont = Form_Main->clb_ListDB_Names->GetFont()->GetColor();
  EXPECT_EQ(listFont, clNavy);
  SchemeIndex = 1;
  ApplySchemeToForm(Form_Main);
  EXPECT_EQ(Form_Main->clb_ListDB_Names->GetColor(), clWhite);
  EXPECT_EQ(Form_Main->clb_ListDB_Names->GetFont()->GetColor(), listFont);
  EXPECT_EQ(Form_Main->ListBox_BR_Syntax->GetColor(), DesertBackColor);
  EXPECT_EQ(Form_Main->ListBox_BR_Syntax->GetFont()->GetColor(), DesertFontColor);
}

TEST(ColourSchemes, ModificationLabelKeepsItsWarningColours) {
  TProgramDriver drv;
  StartWithScheme(drv, 1);
  EXPECT_EQ(Dlg_ListDB->Label_YesModify->GetColor(), clRed);
  EXPECT_EQ(Dlg_ListDB->Label_YesModify->GetFont()->GetColor(), clYellow);
  EXPECT_EQ(Dlg_ListDB->SB_OK->GetFont()->GetColor(), DesertFontColor);
}

TEST(ColourSchemes, ExclusionListMatchesWholeNamesWithoutRegardToCase) {
  TProgramDriver drv;
  ASSERT_TRUE(drv.Start());
  Form_Main->Edit_Simple_Title->GetFont()->SetColor(clRed);
  Form_Main->Label_DT->SetColor(clYellow);
  Form_Main->Edit_Simple_Author->GetFont()->SetColor(clRed);
  ApplyColorsToControls(Form_Main, clGreen, clAqua, u"edit_simple_title;LABEL_DT;Edit_Simple_Autho;");
  EXPECT_EQ(Form_Main->Edit_Simple_Title->GetFont()->GetColor(), clRed);
  EXPECT_EQ(Form_Main->Label_DT->GetColor(), clYellow);
  // A name spares only its own control, whole.
  EXPECT_EQ(Form_Main->Edit_Simple_Author->GetFont()->GetColor(), clGreen);
  EXPECT_EQ(Form_Main->GetColor(), clAqua);
}

TEST(ColourSchemes, OnlyFormsAreColoured) {
  TProgramDriver drv;
  ASSERT_TRUE(drv.Start());
  EXPECT_FALSE(ApplyColorsToControls(Form_Main->Panel_ST_Simple, clGreen, clAqua, String()));
  EXPECT_FALSE(ApplySchemeToForm(Form_Main->Panel_ST_Simple));
  EXPECT_FALSE(ApplySchemeToForm(nullptr));
  EXPECT_NE(Form_Main->Panel_ST_Simple->GetColor(), clAqua);
}

TEST(ColourSchemes, SettingsDialogRecoloursAtOnceAndTheOthersWhenItCloses) {
  TProgramDriver drv;
  StartWithScheme(drv, 0);
  bool checked = false;
  drv.WhenModal<TDlg_Settings>([&](TDlg_Settings* d) {
    d->cb_ShemeColor->SetFocus();
    drv.Display().Key(VK_DOWN);  // the user picks "Пустыня"
    EXPECT_EQ(d->cb_ShemeColor->GetItemIndex(), 1);
    EXPECT_EQ(d->GetColor(), DesertBackColor);
    EXPECT_EQ(d->GroupBox1->GetColor(), DesertBackColor);
    EXPECT_EQ(Form_Main->GetColor(), SkyBlueBackColor);
    EXPECT_EQ(AboutBox->GetColor(), SkyBlueBackColor);
    checked = true;
    drv.Display().Key(VK_ESCAPE);
  });
  drv.Press(Form_Main, u"SB_Menu_Set");
  EXPECT_TRUE(checked);
  EXPECT_FALSE(Dlg_Settings->GetVisible());
  for (TCustomForm* f : SixWindows()) EXPECT_EQ(f->GetColor(), DesertBackColor) << ToUtf8(f->GetName());

  drv.CloseMainWindow();
  EXPECT_EQ(TIniFile(drv.Folder() + u"Settings/Borrowline.ini").ReadString(u"SchemeColor", u"Index", u""), u"1");
}
