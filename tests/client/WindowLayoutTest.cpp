// Every control of every window of the program, walked as the user sees it:
// class, name, caption, hint, font, colours, visible and enabled state as the
// windows are meant to have them; client sizes; every control inside its
// parent, no two visible siblings on top of each other, and every fixed
// caption whole in the room its control gives it.

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>
#include <vector>

#include "client/_DirSel_SkyBlue.h"
#include "client/z39_02_ListDB.h"
#include "client/z39_03_EditDB.h"
#include "client/z39_05_Settings.h"
#include "client/z39_07_About.h"
#include "client/z39_08_Wait.h"
#include "platform/core/Files.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/FileCtrl.h"
#include "platform/ui/Gauges.h"
#include "platform/ui/MsgBox.h"
#include "platform/ui/ValEdit.h"
#include "tests/client/ProgramDriver.h"

namespace {

// What a window's control is meant to be. Null texts and -1 are "not checked".
struct TExpectedControl {
  const char16_t* Name;
  const char* Class;
  const char16_t* Caption = nullptr;
  const char16_t* Hint = nullptr;
  bool Visible = true;
  bool Enabled = true;
  int Bold = -1;
  TColor Color = clNone;
};

// The window as a whole.
struct TExpectedWindow {
  const char16_t* Caption;
  Integer ClientWidth = 0, ClientHeight = 0;  // 0: not checked
};

std::string N(const String& S) { return ToUtf8(S); }

Integer TextWidthIn(const TFont* Font, const String& Text, bool Bold = false) {
  TBitmap b;
  b.SetSize(1, 1);
  b.GetCanvas()->SetFont(Font);
  if (Bold) b.GetCanvas()->GetFont()->SetStyle({fsBold});
  return b.GetCanvas()->TextWidth(Text);
}

// The height the text takes broken into lines of Width.
Integer WrappedHeightIn(const TFont* Font, const String& Text, Integer Width) {
  TBitmap b;
  b.SetSize(1, 1);
  b.GetCanvas()->SetFont(Font);
  TRect r(0, 0, Width, 0);
  return DrawText(b.GetCanvas()->GetHandle(), Text, -1, r, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
}

void Collect(TControl* C, std::vector<TControl*>& Out) {
  Out.push_back(C);
  if (auto* w = dynamic_cast<TWinControl*>(C))
    for (Integer i = 0; i < w->GetControlCount(); ++i) Collect(w->GetControl(i), Out);
}

bool ShownOnScreen(TControl* C, TControl* Top) {
  for (TControl* c = C; c && c != Top; c = c->GetParent())
    if (!c->GetVisible()) return false;
  return true;
}

// A caption drawn by its control, and the room the control gives it; room -1:
// the control draws no fixed caption of its own.
Integer CaptionRoom(TControl* C) {
  if (dynamic_cast<TCheckBox*>(C) || dynamic_cast<TRadioButton*>(C)) return C->GetWidth() - 13 - 4;
  if (dynamic_cast<TSpeedButton*>(C)) return C->GetWidth() - 4;
  if (dynamic_cast<TCustomGroupBox*>(C)) return C->GetWidth() - 8 - 2 - 8;
  if (auto* l = dynamic_cast<TLabel*>(C)) return l->GetWordWrap() ? -1 : C->GetWidth();
  return -1;
}

// Checks the window against what is expected of it and the rules every window keeps.
// Dynamic names the controls whose text is the user's data, not a caption.
void Walk(TCustomForm* Form, const TExpectedWindow& Window, const std::vector<TExpectedControl>& Expected,
          const std::set<String>& Dynamic = {}) {
  SCOPED_TRACE(N(Form->GetName()));
  EXPECT_EQ(Form->GetCaption(), String(Window.Caption));
  if (Window.ClientWidth) {
    EXPECT_EQ(Form->GetClientWidth(), Window.ClientWidth);
    EXPECT_EQ(Form->GetClientHeight(), Window.ClientHeight);
  }
  EXPECT_EQ(Form->GetFont()->GetName(), u"Tahoma");

  std::map<String, const TExpectedControl*> byName;
  for (const TExpectedControl& s : Expected) byName[s.Name] = &s;
  std::vector<TControl*> all;
  Collect(Form, all);
  std::set<String> seen;
  for (TControl* c : all) {
    if (c == Form) continue;
    const String name = c->GetName();
    SCOPED_TRACE(N(name.empty() ? c->ClassName() : name));
    if (!name.empty()) {
      seen.insert(name);
      auto it = byName.find(name);
      if (it == byName.end()) {
        ADD_FAILURE() << "a control the window should not have";
        continue;
      }
      const TExpectedControl& s = *it->second;
      EXPECT_EQ(N(c->ClassName()), s.Class);
      if (s.Caption) {
        EXPECT_EQ(c->GetCaption(), String(s.Caption));
      }
      if (s.Hint) {
        EXPECT_EQ(c->GetHint(), String(s.Hint));
        EXPECT_TRUE(c->GetShowHint());
      }
      EXPECT_EQ(c->GetVisible(), s.Visible);
      EXPECT_EQ(c->GetEnabled(), s.Enabled);
      if (s.Bold >= 0) {
        EXPECT_EQ(c->GetFont()->GetStyle().Contains(fsBold), s.Bold == 1);
      }
      if (s.Color != clNone) {
        EXPECT_EQ(ColorToRGB(c->GetColor()), ColorToRGB(s.Color));
      }
    }
    if (!ShownOnScreen(c, Form)) continue;
    // Inside the parent's client area.
    const TRect parent = c->GetParent()->GetClientRect();
    const TRect b = c->GetBoundsRect();
    EXPECT_TRUE(b.Left >= 0 && b.Top >= 0 && b.Right <= parent.Width() && b.Bottom <= parent.Height())
        << "bounds " << b.Left << "," << b.Top << "," << b.Right << "," << b.Bottom << " in " << parent.Width() << "x"
        << parent.Height();
    // A fixed caption whole in its room.
    const Integer room = CaptionRoom(c);
    if (room >= 0 && !Dynamic.count(name)) {
      EXPECT_LE(TextWidthIn(c->GetFont(), c->GetCaption()), room) << N(c->GetCaption());
    }
    if (auto* l = dynamic_cast<TLabel*>(c); l && l->GetWordWrap()) {
      EXPECT_LE(WrappedHeightIn(c->GetFont(), c->GetCaption(), c->GetWidth()), c->GetHeight()) << N(c->GetCaption());
    }
    if (auto* combo = dynamic_cast<TComboBox*>(c)) {
      for (Integer i = 0; i < combo->GetItems()->GetCount(); ++i)
        EXPECT_LE(TextWidthIn(c->GetFont(), combo->GetItems()->Get(i)), c->GetWidth() - 17 - 6)
            << N(combo->GetItems()->Get(i));
    }
  }
  for (const TExpectedControl& s : Expected) EXPECT_TRUE(seen.count(s.Name)) << "missing " << N(s.Name);

  // No two visible siblings on top of each other.
  for (TControl* p : all) {
    auto* w = dynamic_cast<TWinControl*>(p);
    if (!w || !ShownOnScreen(w, Form)) continue;
    for (Integer i = 0; i < w->GetControlCount(); ++i)
      for (Integer j = i + 1; j < w->GetControlCount(); ++j) {
        TControl* a = w->GetControl(i);
        TControl* b = w->GetControl(j);
        if (!a->GetVisible() || !b->GetVisible()) continue;
        TRect x;
        EXPECT_FALSE(IntersectRect(x, a->GetBoundsRect(), b->GetBoundsRect()))
            << N(a->GetName()) << " covers " << N(b->GetName());
      }
  }
}

const TColor Sky = SkyBlueBackColor;

// A program whose first tick loaded the resource list it ships with and a
// search list naming its test server.
class WindowLayout : public ::testing::Test {
protected:
  void SetUp() override {
    const String settings = Drv.Folder() + u"Settings/";
    ASSERT_TRUE(ForceDirectories(settings));
    std::filesystem::copy_file(std::string(BORROW_SOURCE_DIR) + "/resources/ListDB.txt",
                               ToUtf8(settings) + "ListDB.txt");
    WriteFileAtomic(settings + u"ListDB_for_Search.txt", "3\r\n");
    ASSERT_TRUE(Drv.Start());
    Drv.AdvanceClock(100);
  }
  TProgramDriver Drv;
};

}  // namespace

TEST_F(WindowLayout, MainWindow) {
  ASSERT_EQ(Form_Main->clb_ListDB_Names->GetCount(), 1);
  Walk(Form_Main, {u"Borrowline", 704, 490},
       {
           {u"SB_Menu_Res", "TSpeedButton", u"Ресурсы", u"Открыть окно для редактирования списка ресурсов Z39.50"},
           {u"SB_Menu_Set", "TSpeedButton", u"Настройка", u"Открыть диалог настройки"},
           {u"SpeedButton3", "TSpeedButton", nullptr, u"О программе..."},
           {u"SB_Menu_Close", "TSpeedButton", u"Выход", u"Закрыть программу..."},
           {u"gb_ListDB", "TGroupBox"},
           {u"SB_N_Add", "TSpeedButton", nullptr, u"Добавить Z39.50-ресурс для поиска"},
           {u"SB_N_Del", "TSpeedButton", nullptr, u"Удалить строку"},
           {u"SB_N_Clear", "TSpeedButton", nullptr, u"Очистить ВЕСЬ список"},
           {u"SB_Check", "TSpeedButton", nullptr, u"Пометить все строки"},
           {u"SB_UnCheck", "TSpeedButton", nullptr, u"Снять отметку со всех строк"},
           {u"SB_Invers", "TSpeedButton", nullptr, u"Инвертировать отметки строк"},
           {u"SB_N_First", "TSpeedButton", nullptr, u"В начало", false},
           {u"SB_N_Prior", "TSpeedButton", nullptr, u"Предыдущий", false},
           {u"SB_N_Next", "TSpeedButton", nullptr, u"Следующий", false},
           {u"SB_N_Last", "TSpeedButton", nullptr, u"В конец", false},
           {u"clb_ListDB_Names", "TCheckListBox", nullptr,
            u"Список Z39.50-ресурсов, которые будут использованы для заимствования записей", true, true, -1, clWhite},
           {u"lb_ListDB_ID", "TListBox", nullptr, nullptr, false},
           {u"sb_ListDB_Load", "TSpeedButton", u"Открыть список",
            u"Загрузить из файла список Z39.50-ресурсов для заимствования записей"},
           {u"sb_ListDB_Save", "TSpeedButton", u"Сохранить список",
            u"Сохранить в файл текущий список Z39.50-ресурсов для дальнейшего использования"},
           {u"sb_Start", "TSpeedButton", u"Искать !", u"Начать поиск записей"},
           {u"CB_Search_First", "TCheckBox", u"с начала списка"},
           {u"cb_FindMode", "TComboBox", nullptr, nullptr, true, false},
           {u"Panel_ST_Simple", "TPanel"},
           {u"cb_Simple_Title", "TCheckBox", u"Заголовок:     "},
           {u"Edit_Simple_Title", "TEdit"},
           {u"cb_Simple_Author", "TCheckBox", u"Автор:"},
           {u"Edit_Simple_Author", "TEdit"},
           {u"cb_Simple_Keyword", "TCheckBox", u"Ключевое слово:"},
           {u"Edit_Simple_Keyword", "TEdit"},
           {u"Label_RecCount_1", "TLabel", u" Из каждой базы данных читать: "},
           {u"Edit_RecCount_FromDB", "TEdit", u"10"},
           {u"Label_RecCount_2", "TLabel", u"  записей..."},
           {u"SpeedButton2", "TSpeedButton", u"Сохранять в ..."},
           {u"Label_Find", "TLabel", u"Записей: Найдено="},
           {u"Edit_BibRec_Find", "TEdit", u"0"},
           {u"Label_Load", "TLabel", u"  Получено="},
           {u"Edit_BibRec_Load", "TEdit", u"0"},
           {u"Panel_Log", "TPanel"},
           {u"gb_BR_Buf_2", "TGroupBox", u"Буфер записей (по форматам) : ", nullptr, false},
           {u"ListBox_BR_Syntax", "TListBox"},
           {u"Splitter_BR_Buf_2", "TSplitter", nullptr, nullptr, false},
           {u"gb_BR_Buf_1", "TGroupBox", u"Буфер записей : ", nullptr, false},
           {u"RE_Find_Result", "TRichEdit"},
           {u"GroupBox1", "TGroupBox", u"Протокол заимствования : "},
           {u"RE_LOG", "TRichEdit", nullptr,
            u"Протокол сохраняется в файл LOG*.txt на диске в той же папке, куда сохраняются записи", true, true, -1,
            clWhite},
           {u"Label_DT", "TLabel"},
           {u"sb_Stop", "TSpeedButton", u"Стоп!", u"Остановить процесс заимстования записей...", true, false},
       },
       {u"Label_DT"});
  EXPECT_EQ(ColorToRGB(Form_Main->GetColor()), ColorToRGB(Sky));
  EXPECT_EQ(Form_Main->GetFont()->GetColor(), SkyBlueFontColor);
  EXPECT_TRUE(Form_Main->CB_Search_First->GetChecked());
  EXPECT_TRUE(Form_Main->cb_Simple_Title->GetChecked());
  EXPECT_EQ(Form_Main->cb_FindMode->GetItems()->GetText(), u"Простой\r\n");

  // The menu buttons and the list file buttons turn bold under the mouse: still whole.
  for (TSpeedButton* b : {Form_Main->SB_Menu_Res, Form_Main->SB_Menu_Set, Form_Main->SB_Menu_Close,
                          Form_Main->sb_ListDB_Load, Form_Main->sb_ListDB_Save})
    EXPECT_LE(TextWidthIn(b->GetFont(), b->GetCaption(), true), b->GetWidth() - 4) << N(b->GetName());
  // The shipped test server's caption is whole in the search list.
  TCheckListBox* list = Form_Main->clb_ListDB_Names;
  EXPECT_EQ(list->GetItems()->Get(0), u"Тестовый сервер (127.0.0.1:9999) (USMARC)");
  EXPECT_LE(15 + 2 + TextWidthIn(list->GetFont(), list->GetItems()->Get(0)), list->ItemRect(0).Width());
  // The search log's 49-character rules fit a line of the log.
  EXPECT_LE(TextWidthIn(Form_Main->RE_LOG->GetFont(), String(49, u'=')), Form_Main->RE_LOG->GetFormatRect().Width());
}

TEST_F(WindowLayout, ResourceTreeEditorInBothModes) {
  const std::vector<TExpectedControl> expected = {
      {u"Panel_Top", "TPanel"},
      {u"SB_N_First", "TSpeedButton", nullptr, u"В начало"},
      {u"SB_N_Prior", "TSpeedButton", nullptr, u"Предыдущий"},
      {u"SB_N_Next", "TSpeedButton", nullptr, u"Следующий"},
      {u"SB_N_Last", "TSpeedButton", nullptr, u"В конец"},
      {u"SB_N_Edit", "TSpeedButton", nullptr, u"Редактировать"},
      {u"SB_N_Add", "TSpeedButton", nullptr, u"Добавить"},
      {u"SB_N_Add_0", "TSpeedButton", nullptr, u"Добавить, как группу верхнего уровня"},
      {u"SB_N_Del", "TSpeedButton", nullptr, u"Удалить"},
      {u"SB_TreeOrList", "TSpeedButton", nullptr, u"Таблица <-> Дерево"},
      {u"SB_Test", "TSpeedButton", nullptr, u"Тест (запрос по протоколу Z39.50)"},
      {u"SB_Load", "TSpeedButton", nullptr, u"Загрузить список ресурсов"},
      {u"SB_Save", "TSpeedButton", nullptr, u"Сохранить список ресурсов"},
      {u"Label_YesModify", "TLabel", u"  Данные изменены !  ", nullptr, false},
      {u"Panel_Bottom", "TPanel"},
      {u"SB_OK", "TSpeedButton", u"OK"},
      {u"SB_Cancel", "TSpeedButton", u"Cancel"},
      {u"gb_ListDB_Sel", "TGroupBox", u"Отобранные для поиска: ", nullptr, false},
      {u"Splitter_ListDB_Sel", "TSplitter", nullptr, nullptr, false},
      {u"clb_ListDB_Names", "TCheckListBox"},
      {u"lb_ListDB_ID", "TListBox", nullptr, nullptr, false},
      {u"SpeedButton1", "TSpeedButton", nullptr, u"Удалить строку"},
      {u"SB_N_Clear", "TSpeedButton", nullptr, u"Очистить ВСЕ"},
      {u"DBGridEh_TreeDB", "TDBGridEh"},
      {u"RowDetailData", "TRowDetailPanelControlEh", nullptr, nullptr, false},
  };
  const TExpectedWindow window{u"Список ресурсов Z39.50"};
  bool editor = false, chooser = false;
  Drv.WhenModal<TDlg_ListDB>([&](TDlg_ListDB* w) {
    editor = true;
    Walk(w, window, expected);
    // A change shows the mark, whole and inside its row, beside the buttons.
    w->Label_YesModify->SetVisible(true);
    auto marked = expected;
    for (TExpectedControl& s : marked)
      if (String(s.Name) == u"Label_YesModify") s.Visible = true;
    Walk(w, window, marked);
    w->Label_YesModify->SetVisible(false);
    Drv.Display().Key(VK_ESCAPE);
  });
  Drv.Press(Form_Main, u"SB_Menu_Res");
  EXPECT_TRUE(editor);

  Drv.WhenModal<TDlg_ListDB>([&](TDlg_ListDB* w) {
    chooser = true;
    auto shown = expected;
    for (TExpectedControl& s : shown) {
      const String n = s.Name;
      if (n == u"gb_ListDB_Sel" || n == u"Splitter_ListDB_Sel") s.Visible = true;
      if (n == u"SB_N_Edit" || n == u"SB_N_Add" || n == u"SB_N_Add_0" || n == u"SB_N_Del" || n == u"SB_Save")
        s.Enabled = false;
    }
    Walk(w, window, shown);
    // The splitter sits against the side panel, between it and the resources.
    EXPECT_EQ(w->Splitter_ListDB_Sel->GetLeft() + w->Splitter_ListDB_Sel->GetWidth(), w->gb_ListDB_Sel->GetLeft());
    EXPECT_EQ(w->Splitter_ListDB_Sel->GetWidth(), 3);
    EXPECT_EQ(w->Splitter_ListDB_Sel->GetTop(), w->gb_ListDB_Sel->GetTop());
    EXPECT_EQ(w->Splitter_ListDB_Sel->GetHeight(), w->gb_ListDB_Sel->GetHeight());
    EXPECT_EQ(w->Splitter_ListDB_Sel->GetCursor(), crHSplit);
    Drv.Display().Key(VK_ESCAPE);
  });
  Drv.Press(Form_Main, u"SB_N_Add");
  EXPECT_TRUE(chooser);
}

TEST_F(WindowLayout, ResourceEditorAndItsKeys) {
  TDlg_EditDB* w = Dlg_EditDB;
  Walk(w, {u"Редактировать информацию"},
       {
           {u"Label_Type", "TLabel", u"Тип : "},
           {u"CB_Type", "TComboBox"},
           {u"Label_ID", "TLabel", u"ID=  "},
           {u"Edit_ID", "TEdit"},
           {u"Label_Parents", "TLabel", u"Группа:  "},
           {u"Edit_Parents", "TEdit"},
           {u"ValueListEditor1", "TValueListEditor"},
           {u"ListBox1", "TListBox", nullptr, nullptr, false},
           {u"SB_OK", "TSpeedButton", u"OK"},
           {u"SB_Cancel", "TSpeedButton", u"Cancel"},
       });
  EXPECT_EQ(w->CB_Type->GetItems()->GetText(), u"Группа\r\nZ39.50-ресурс \r\n");
  EXPECT_TRUE(w->Edit_ID->GetReadOnly());
  EXPECT_TRUE(w->Edit_Parents->GetReadOnly());
  TValueListEditor* values = w->ValueListEditor1;
  EXPECT_EQ(values->GetTitleCaptions()->GetText(), u"Параметр\r\nЗначение\r\n");
  EXPECT_EQ(values->GetCells(0, 0), u"Параметр");
  EXPECT_EQ(values->GetCells(1, 0), u"Значение");
  EXPECT_EQ(values->GetOptions(), (TGridOptions{goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine,
                                                goDrawFocusSelected, goColSizing, goEditing, goThumbTracking}));
  EXPECT_EQ(values->GetColWidths(0), 86);
  EXPECT_EQ(values->GetColWidths(1), 317);

  // The dialog previews keys: Enter stays with the value list, Alt+Enter is OK, Esc Cancel.
  EXPECT_TRUE(w->GetKeyPreview());
  values->GetStrings()->Add(u"Наименование=???");
  Drv.WhenModal<TDlg_EditDB>([&](TDlg_EditDB* d) {
    d->ValueListEditor1->SetFocus();
    Drv.Display().Key(VK_RETURN);
    EXPECT_TRUE(d->GetVisible()) << "Enter alone does not close the dialog";
    Drv.Display().Key(VK_RETURN, THeadlessShift::Alt);
  });
  EXPECT_EQ(w->ShowModal(), mrOk);
  Drv.WhenModal<TDlg_EditDB>([&](TDlg_EditDB*) { Drv.Display().Key(VK_ESCAPE); });
  EXPECT_EQ(w->ShowModal(), mrCancel);
  values->GetStrings()->Clear();
}

TEST_F(WindowLayout, MessageBoxShowsTheEndOfASearchOnOneLine) {
  bool shown = false;
  Drv.WhenModal<TDlg_MyShowMessage>([&](TDlg_MyShowMessage* box) {
    shown = true;
    Walk(box, {u"Поиск информации", 249, 76},
         {
             {u"Label_Head", "TLabel", u"", nullptr, true, true, 1},
             {u"RE_Msg", "TRichEdit", u"Процесс поиска и выборки закончен!", nullptr, true, true, 0, clWhite},
             {u"SB_OK", "TSpeedButton", u"OK", nullptr, true, true, 1},
             {u"SB_Cancel", "TSpeedButton", u"Cancel", nullptr, false},
         });
    EXPECT_EQ(ColorToRGB(box->GetColor()), ColorToRGB(Sky));
    EXPECT_EQ(box->Label_Head->GetFont()->GetColor(), SkyBlueFontColor);
    EXPECT_EQ(box->RE_Msg->GetFont()->GetName(), u"Tahoma");
    EXPECT_EQ(box->RE_Msg->GetFont()->GetHeight(), -12);
    EXPECT_EQ(box->RE_Msg->GetFont()->GetColor(), SkyBlueFontColor);
    EXPECT_TRUE(box->RE_Msg->GetReadOnly());
    EXPECT_FALSE(box->RE_Msg->GetTabStop());
    // The message takes one line: nothing to scroll to.
    EXPECT_LE(TextWidthIn(box->RE_Msg->GetFont(), box->RE_Msg->GetText()), box->RE_Msg->GetFormatRect().Width());
    // The OK button is whole inside the client area.
    EXPECT_LE(box->SB_OK->GetBoundsRect().Bottom, box->GetClientHeight());
    Drv.Display().Key(VK_RETURN);
  });
  ShowMessageOk(u"Поиск информации", u"", u"Процесс поиска и выборки закончен!");
  EXPECT_TRUE(shown);
}

TEST_F(WindowLayout, WaitWindow) {
  TForm_Wait_Load* w = Form_Wait_Load;
  EXPECT_FALSE(w->GetVisible());
  EXPECT_EQ(w->GetFormStyle(), fsNormal);
  EXPECT_EQ(w->GetBorderStyle(), bsDialog);
  // As the start-up load left it: wide enough for its title.
  Walk(w, {u"Загрузка ресурсов Z39.50", TitleBarClientWidth(u"Загрузка ресурсов Z39.50"), 51},
       {
           {u"Label_MSG_2", "TLabel", u"Идет подготовка к работе"},
           {u"Gauge1", "TGauge"},
           {u"Label1", "TLabel", u"Подождите...", nullptr, true, true, 1},
       });
  EXPECT_EQ(w->Label_MSG_2->GetAlignment(), taCenter);
  EXPECT_EQ(w->Gauge1->GetMinValue(), 0);
  EXPECT_EQ(w->Gauge1->GetMaxValue(), 100);
  EXPECT_FALSE(w->Timer1->GetEnabled());
  EXPECT_EQ(w->Timer1->GetInterval(), 55u);
  // As the resource list's save shows it: 340 wide, the bar across it, on top.
  ShowWaitWindow(w);
  SetWaitWindowTitle(w, 340, u"Выгрузка ресурсов Z39.50");
  EXPECT_EQ(w->GetClientWidth(), 334);
  EXPECT_EQ(w->Gauge1->GetLeft() + w->Gauge1->GetWidth(), 334 - 4);
  EXPECT_EQ(w->GetFormStyle(), fsStayOnTop);
  HideWaitWindow(w);
}

TEST_F(WindowLayout, SettingsDialog) {
  bool shown = false;
  Drv.WhenModal<TDlg_Settings>([&](TDlg_Settings* w) {
    shown = true;
    Walk(w, {u"Настройки программы"},
         {
             {u"GroupBox1", "TGroupBox", u"Сохранение библиографических записей: "},
             {u"Label1", "TLabel", u" Папка, куда сохранять записи: "},
             {u"Edit_DirForBR", "TEdit"},
             {u"SpeedButton1", "TSpeedButton", nullptr, u"Выбрать папку (каталог)"},
             {u"rg_BR_SaveMode", "TRadioGroup", u"Вариант сохранения записей: "},
             {u"GroupBox2", "TGroupBox", u"Цветовая гамма : "},
             {u"Label2", "TLabel", u" Вариант:   "},
             {u"cb_ShemeColor", "TComboBox"},
             {u"SpeedButton2", "TSpeedButton", u"По умолчанию", u"Установить настройки по умолчанию..."},
             {u"SB_OK", "TSpeedButton", u"OK", nullptr, true, true, 1},
             {u"SB_Cancel", "TSpeedButton", u"Cancel", nullptr, false},
         },
         {u"Edit_DirForBR"});
    EXPECT_TRUE(w->Edit_DirForBR->GetReadOnly());
    EXPECT_EQ(w->rg_BR_SaveMode->GetItems()->GetText(),
              u"Для каждого Z39.50-ресурса - отдельный файл\r\nДля каждого формата - отдельный файл\r\n");
    EXPECT_EQ(w->cb_ShemeColor->GetItems()->GetText(), u"Небесно-голубая\r\nПустыня\r\n");
    EXPECT_EQ(w->cb_ShemeColor->GetStyle(), csDropDownList);
    Drv.Display().Key(VK_RETURN);
  });
  Drv.Press(Form_Main, u"SB_Menu_Set");
  EXPECT_TRUE(shown);
}

TEST_F(WindowLayout, AboutBox) {
  bool shown = false;
  Drv.WhenModal<TAboutBox>([&](TAboutBox* w) {
    shown = true;
    Walk(w, {u"About"},
         {
             {u"Panel1", "TPanel"},
             {u"ProgramIcon", "TImage"},
             {u"ProductName", "TLabel", nullptr, nullptr, true, true, 1},
             {u"Version", "TLabel", u"Версия  1.05  (19.01.2011)"},
             {u"Copyright", "TLabel"},
             {u"Comments", "TLabel"},
             {u"OwnerLine", "TLabel"},
             {u"SB_OK", "TSpeedButton", u"OK"},
         });
    EXPECT_FALSE(w->OwnerLine->GetCaption().empty());
    Drv.Display().Key(VK_RETURN);
  });
  Drv.Press(Form_Main, u"SpeedButton3");
  EXPECT_TRUE(shown);
}

TEST_F(WindowLayout, FolderChooser) {
  bool shown = false;
  Drv.WhenModal<TDlg_DirSelect>([&](TDlg_DirSelect* w) {
    shown = true;
    const String hint = u"Двойной щелчок левой кнопкой мыши - выбрать папку (каталог)";
    Walk(w, {u"Выбор папки(каталога)"},
         {
             {u"Label_Head", "TLabel", u"", nullptr, false, true, 1},
             {u"GroupBox1", "TGroupBox", u"Папки : "},
             {u"DriveComboBox1", "TDriveComboBox"},
             {u"DirectoryListBox1", "TDirectoryListBox"},
             {u"GroupBox2", "TGroupBox", u"Файлы : "},
             {u"Label_Dir", "TLabel", nullptr, hint.c_str(), true, true, 1},
             {u"FileListBox1", "TFileListBox", nullptr, hint.c_str()},
             {u"SB_OK", "TSpeedButton", u"OK", nullptr, true, true, 1},
             {u"SB_Cancel", "TSpeedButton", u"Cancel"},
         },
         {u"Label_Dir"});
    EXPECT_EQ(w->FileListBox1->GetFont()->GetColor(), clTeal);
    Drv.Display().Key(VK_ESCAPE);
  });
  Drv.Press(Form_Main, u"SpeedButton2");
  EXPECT_TRUE(shown);
}
