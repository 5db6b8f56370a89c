// The main window's search list: its file, its captions and its buttons.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "client/ResourceList.h"
#include "client/z39_02_ListDB.h"
#include "platform/core/Files.h"
#include "platform/ui/Buttons.h"
#include "platform/ui/Dialogs.h"
#include "tests/client/ProgramDriver.h"
#include "tests/support/ExpectedBytes.h"

namespace {

TResourceRecord Resource(Integer Id, const String& Name, const String& Syntax) {
  TResourceRecord r;
  r.ID_THIS = Id;
  r.ID_PARENT = 1;
  r.ID_TYPE = 1;
  r.NPP = Id;
  r.NAME_THIS = Name;
  r.Database = u"Default";
  r.URL = u"localhost";
  r.PORT = 210;
  r.Syntax = Syntax;
  r.Encoding = u"UTF-8";
  return r;
}

// A program folder whose settings hold a resource list with a group and the
// resources 3, 5 and 8, and the given search list.
void PrepareLists(TProgramDriver& Drv, const std::string& SearchList) {
  const String settings = Drv.Folder() + u"Settings/";
  ASSERT_TRUE(ForceDirectories(settings));
  TResourceRecord group;
  group.ID_THIS = 1;
  group.NAME_THIS = u"Библиотеки";
  WriteResourceListFile(settings + u"ListDB.txt", BuildResourceListLines({group, Resource(3, u"Каталог А", u"RUSMARC"),
                                                                          Resource(5, u"Каталог Б", u"USMARC"),
                                                                          Resource(8, u"Каталог В", u"UNIMARC")}));
  WriteFileAtomic(settings + u"ListDB_for_Search.txt", SearchList);
}

void StartWithLists(TProgramDriver& Drv, const std::string& SearchList) {
  PrepareLists(Drv, SearchList);
  ASSERT_TRUE(Drv.Start());
  Drv.AdvanceClock(100);
}

std::vector<String> Lines(TStrings* S) {
  std::vector<String> v;
  for (Integer i = 0; i < S->GetCount(); ++i) v.push_back(S->Get(i));
  return v;
}

}  // namespace

TEST(SearchList, FileLinesThatNameNoResourceAreDroppedAndTheRestTicked) {
  TProgramDriver drv;
  StartWithLists(drv, "3\r\n\r\n0\r\n5\r\nabc\r\n1\r\n42\r\n");
  EXPECT_EQ(Lines(Form_Main->clb_ListDB_Names->GetItems()),
            (std::vector<String>{u"Каталог А (RUSMARC)", u"Каталог Б (USMARC)", u"Библиотеки ()"}));
  EXPECT_EQ(Lines(Form_Main->lb_ListDB_ID->GetItems()), (std::vector<String>{u"3", u"5", u"1"}));
  for (Integer i = 0; i < 3; ++i) EXPECT_TRUE(Form_Main->clb_ListDB_Names->GetChecked(i));
}

TEST(SearchList, IdentifiersAreSavedAtTheCloseOneALine) {
  TProgramDriver drv;
  StartWithLists(drv, " 8 \n5\n");
  drv.CloseMainWindow();
  // Each identifier as the list box holds it, CR LF after each.
  EXPECT_TRUE(MatchesExpectedFile(ReadFileBytes(drv.Folder() + u"Settings/ListDB_for_Search.txt"),
                                  "tests/client/expected/ListDB_for_Search.txt"));
}

TEST(SearchList, DeletingTheFirstOfThreeSelectsTheNewFirst) {
  TProgramDriver drv;
  StartWithLists(drv, "3\r\n5\r\n8\r\n");
  Form_Main->clb_ListDB_Names->SetItemIndex(0);
  drv.Press(Form_Main, u"SB_N_Del");
  EXPECT_EQ(Lines(Form_Main->lb_ListDB_ID->GetItems()), (std::vector<String>{u"5", u"8"}));
  EXPECT_EQ(Form_Main->clb_ListDB_Names->GetItemIndex(), 0);
  EXPECT_EQ(Form_Main->lb_ListDB_ID->GetItemIndex(), 0);
  Form_Main->clb_ListDB_Names->SetItemIndex(1);
  drv.Press(Form_Main, u"SB_N_Del");
  EXPECT_EQ(Lines(Form_Main->clb_ListDB_Names->GetItems()), (std::vector<String>{u"Каталог Б (USMARC)"}));
  EXPECT_EQ(Form_Main->clb_ListDB_Names->GetItemIndex(), 0);
}

TEST(SearchList, DeletingTheOnlyEntryLeavesBothListsEmpty) {
  TProgramDriver drv;
  StartWithLists(drv, "5\r\n");
  Form_Main->clb_ListDB_Names->SetItemIndex(0);
  drv.Press(Form_Main, u"SB_N_Del");
  EXPECT_EQ(Form_Main->clb_ListDB_Names->GetCount(), 0);
  EXPECT_EQ(Form_Main->lb_ListDB_ID->GetCount(), 0);
  EXPECT_EQ(Form_Main->clb_ListDB_Names->GetItemIndex(), -1);
  // Nothing selected: the button does nothing.
  drv.Press(Form_Main, u"SB_N_Del");
  EXPECT_EQ(Form_Main->clb_ListDB_Names->GetCount(), 0);
}

TEST(SearchList, ClearingAsksFirstAndCancelKeepsTheList) {
  TProgramDriver drv;
  StartWithLists(drv, "3\r\n5\r\n");
  drv.AnswerBox(false);
  drv.Press(Form_Main, u"SB_N_Clear");
  EXPECT_EQ(Form_Main->clb_ListDB_Names->GetCount(), 2);
  drv.AnswerBox(true);
  drv.Press(Form_Main, u"SB_N_Clear");
  EXPECT_EQ(Form_Main->clb_ListDB_Names->GetCount(), 0);
  EXPECT_EQ(Form_Main->lb_ListDB_ID->GetCount(), 0);
  ASSERT_EQ(drv.Boxes().size(), 2u);
  for (const TShownBox& b : drv.Boxes()) {
    EXPECT_EQ(b.Caption, u"Текущий список Z39.50-ресурсов");
    EXPECT_EQ(b.Head, u"Очистка всего списка");
    EXPECT_EQ(b.Text, u"Вы желаете очистить весь список ?");
    EXPECT_TRUE(b.WithCancel);
  }
}

TEST(SearchList, TickButtonsTickUntickAndInvertEveryEntry) {
  TProgramDriver drv;
  StartWithLists(drv, "3\r\n5\r\n8\r\n");
  TCheckListBox* list = Form_Main->clb_ListDB_Names;
  drv.TickItem(Form_Main, u"clb_ListDB_Names", 1);
  EXPECT_FALSE(list->GetChecked(1));
  drv.Press(Form_Main, u"SB_Invers");
  EXPECT_FALSE(list->GetChecked(0));
  EXPECT_TRUE(list->GetChecked(1));
  EXPECT_FALSE(list->GetChecked(2));
  drv.Press(Form_Main, u"SB_Check");
  for (Integer i = 0; i < 3; ++i) EXPECT_TRUE(list->GetChecked(i));
  drv.Press(Form_Main, u"SB_UnCheck");
  for (Integer i = 0; i < 3; ++i) EXPECT_FALSE(list->GetChecked(i));
}

TEST(SearchList, ClickingAnEntrySelectsItsIdentifierToo) {
  TProgramDriver drv;
  StartWithLists(drv, "3\r\n5\r\n8\r\n");
  TCheckListBox* list = Form_Main->clb_ListDB_Names;
  const TRect r = list->ItemRect(2);
  drv.Display().Click(list->GetHandle(), r.Right - 10, (r.Top + r.Bottom) / 2);
  EXPECT_EQ(list->GetItemIndex(), 2);
  EXPECT_EQ(Form_Main->lb_ListDB_ID->GetItemIndex(), 2);
}

TEST(SearchList, NavigationButtonsMoveBothSelections) {
  TProgramDriver drv;
  StartWithLists(drv, "3\r\n5\r\n8\r\n");
  Form_Main->SB_N_LastClick(nullptr);
  EXPECT_EQ(Form_Main->lb_ListDB_ID->GetItemIndex(), 2);
  Form_Main->SB_N_NextClick(nullptr);
  EXPECT_EQ(Form_Main->clb_ListDB_Names->GetItemIndex(), 2);
  Form_Main->SB_N_PriorClick(nullptr);
  EXPECT_EQ(Form_Main->lb_ListDB_ID->GetItemIndex(), 1);
  Form_Main->SB_N_FirstClick(nullptr);
  Form_Main->SB_N_PriorClick(nullptr);
  EXPECT_EQ(Form_Main->clb_ListDB_Names->GetItemIndex(), 0);
  EXPECT_EQ(Form_Main->lb_ListDB_ID->GetItemIndex(), 0);
}

// ---- The simple search condition -------------------------------------------------------------

TEST(SearchCondition, TickingABoxWithTheMouseUnticksTheOtherTwo) {
  TProgramDriver drv;
  StartWithLists(drv, "");
  EXPECT_TRUE(Form_Main->cb_Simple_Title->GetChecked());
  Form_Main->cb_Simple_Keyword->SetChecked(true);  // as the settings file may leave it
  EXPECT_TRUE(Form_Main->cb_Simple_Title->GetChecked()) << "a box set in code unticks nothing";
  drv.Press(Form_Main, u"cb_Simple_Author");
  EXPECT_TRUE(Form_Main->cb_Simple_Author->GetChecked());
  EXPECT_FALSE(Form_Main->cb_Simple_Title->GetChecked());
  EXPECT_FALSE(Form_Main->cb_Simple_Keyword->GetChecked());
  // Unticking with the mouse unticks only that box.
  drv.Press(Form_Main, u"cb_Simple_Author");
  EXPECT_FALSE(Form_Main->cb_Simple_Author->GetChecked());
}

TEST(MainWindow, MenuButtonsTurnBoldUnderTheMouseAndStartChangesItsCaption) {
  TProgramDriver drv;
  StartWithLists(drv, "");
  TSpeedButton* res = Form_Main->SB_Menu_Res;
  const TPoint p = res->ClientToParent(TPoint(5, 5));
  drv.Display().MouseMove(res->GetParent()->GetHandle(), p.X, p.Y);
  EXPECT_TRUE(res->GetFont()->GetStyle().Contains(fsBold));
  const TPoint s = Form_Main->sb_Start->ClientToParent(TPoint(5, 5));
  drv.Display().MouseMove(Form_Main->GetHandle(), s.X, s.Y);
  EXPECT_FALSE(res->GetFont()->GetStyle().Contains(fsBold));
  EXPECT_EQ(Form_Main->sb_Start->GetCaption(), u"Искать ?");
  EXPECT_EQ(Form_Main->sb_Start->GetMargin(), 10);
  drv.Display().MouseMove(Form_Main->GetHandle(), 350, 470);
  EXPECT_EQ(Form_Main->sb_Start->GetCaption(), u"Искать !");
  EXPECT_EQ(Form_Main->sb_Start->GetMargin(), -1);
}

namespace {

// How many of the glyph's opaque pixels the window does not show with the
// glyph's top-left corner at At in the button; Opaque counts them all.
Integer GlyphMisses(TProgramDriver& Drv, TSpeedButton* B, TPoint At, Integer& Opaque) {
  TBitmap* glyph = B->GetGlyph();
  TCanvas* g = glyph->GetCanvas();
  const TColor mask = g->GetPixel(0, glyph->GetHeight() - 1);
  Integer misses = 0;
  Opaque = 0;
  for (Integer y = 0; y < glyph->GetHeight(); ++y)
    for (Integer x = 0; x < glyph->GetWidth(); ++x) {
      if (g->GetPixel(x, y) == mask) continue;
      ++Opaque;
      const TPoint p = B->ClientToParent(TPoint(At.X + x, At.Y + y));
      if (Drv.Display().PixelAt(B->GetParent()->GetHandle(), p.X, p.Y) != g->GetPixel(x, y)) ++misses;
    }
  return misses;
}

// A speed button's face: inside its 2-pixel frame.
TRect Face(TSpeedButton* B) {
  TRect r = B->GetClientRect();
  InflateRect(r, -2, -2);
  return r;
}

}  // namespace

TEST(MainWindow, TheToolButtonsShowGlyphsOfTheirOwnAndStartsGlyphMovesUnderTheMouse) {
  TProgramDriver drv;
  StartWithLists(drv, "");
  TForm_Main* f = Form_Main;
  // The moves are hidden in the layout: shown here to be looked at.
  for (TSpeedButton* b : {f->SB_N_First, f->SB_N_Prior, f->SB_N_Next, f->SB_N_Last}) b->SetVisible(true);
  std::vector<std::vector<TColor>> pictures;
  for (TSpeedButton* b : {f->SpeedButton3, f->SB_N_Add, f->SB_N_Del, f->SB_N_Clear, f->SB_Check, f->SB_UnCheck,
                          f->SB_Invers, f->SB_N_First, f->SB_N_Prior, f->SB_N_Next, f->SB_N_Last, f->sb_Start}) {
    const std::string name = ToUtf8(b->GetName());
    if (b != f->sb_Start) {
      EXPECT_EQ(b->GetCaption(), String()) << name << ": a picture, no text symbol";
    }
    ASSERT_GT(b->GetGlyph()->GetWidth(), 0) << name;
    TPoint at;
    TRect text;
    b->CalcLayout(Face(b), at, text);
    Integer opaque = 0;
    EXPECT_EQ(GlyphMisses(drv, b, at, opaque), 0) << name;
    EXPECT_GT(opaque, 20) << name;
    std::vector<TColor> picture;
    for (Integer y = 0; y < b->GetGlyph()->GetHeight(); ++y)
      for (Integer x = 0; x < b->GetGlyph()->GetWidth(); ++x)
        picture.push_back(b->GetGlyph()->GetCanvas()->GetPixel(x, y));
    EXPECT_EQ(std::count(pictures.begin(), pictures.end(), picture), 0) << name << ": a picture of its own";
    pictures.push_back(picture);
  }

  // Under the mouse the start button's glyph goes right of the caption, 10
  // pixels from the face's edge; it comes back when the mouse leaves.
  TSpeedButton* start = f->sb_Start;
  TPoint left;
  TRect text;
  start->CalcLayout(Face(start), left, text);
  const TPoint right(Face(start).Right - 10 - start->GetGlyph()->GetWidth(), left.Y);
  Integer opaque = 0;
  EXPECT_GT(GlyphMisses(drv, start, right, opaque), opaque / 2);
  const TPoint s = start->ClientToParent(TPoint(5, 5));
  drv.Display().MouseMove(start->GetParent()->GetHandle(), s.X, s.Y);
  EXPECT_EQ(GlyphMisses(drv, start, right, opaque), 0);
  EXPECT_GT(GlyphMisses(drv, start, left, opaque), opaque / 2);
  drv.Display().MouseMove(Form_Main->GetHandle(), 350, 470);
  EXPECT_EQ(GlyphMisses(drv, start, left, opaque), 0);
}

TEST(MainWindow, ScreenshotOfTheMainWindowAfterTheFirstTick) {
  TProgramDriver drv;
  StartWithLists(drv, "3\r\n5\r\n8\r\n");
  const std::string artifacts = BORROW_BINARY_DIR "/test-artifacts";
  std::filesystem::create_directories(artifacts);
  ASSERT_TRUE(drv.Display().SnapshotPNG(Form_Main->GetHandle(), artifacts + "/client-main-window.png"));
  // The form's own background shows between the controls.
  EXPECT_EQ(drv.Display().PixelAt(Form_Main->GetHandle(), 290, 470), SkyBlueBackColor);
}

// ---- Variant files ------------------------------------------------------------------------------

TEST(SearchListVariants, SavedVariantLoadsBackWithTheDefaultExtension) {
  TProgramDriver drv;
  StartWithLists(drv, "5\r\n3\r\n");
  drv.WhenModal<TFileDialogForm>([&](TFileDialogForm* d) {
    EXPECT_EQ(d->DirList->GetDirectory(), drv.Folder() + u"MyWork") << "the dialogs start in MyWork";
    d->Edit_Name->SetText(drv.Folder() + u"MyWork/вариант");
    drv.Click(d->Button_OK);
  });
  drv.Press(Form_Main, u"sb_ListDB_Save");
  EXPECT_EQ(ReadFileBytes(drv.Folder() + u"MyWork/вариант.vvv"), "5\r\n3\r\n");

  drv.AnswerBox(true);
  drv.Press(Form_Main, u"SB_N_Clear");
  ASSERT_EQ(Form_Main->clb_ListDB_Names->GetCount(), 0);
  drv.WhenModal<TFileDialogForm>([&](TFileDialogForm* d) {
    d->Edit_Name->SetText(drv.Folder() + u"MyWork/вариант.vvv");
    drv.Click(d->Button_OK);
  });
  drv.Press(Form_Main, u"sb_ListDB_Load");
  EXPECT_EQ(Lines(Form_Main->clb_ListDB_Names->GetItems()),
            (std::vector<String>{u"Каталог Б (USMARC)", u"Каталог А (RUSMARC)"}));
}

TEST(SearchListVariants, EmptyListIsNotOfferedForSaving) {
  TProgramDriver drv;
  StartWithLists(drv, "");
  drv.Press(Form_Main, u"sb_ListDB_Save");  // no dialog: a waiting dialog would stall the test
  EXPECT_EQ(Screen->GetFormCount(), 6);
}
