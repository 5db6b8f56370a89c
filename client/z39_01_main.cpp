#include "client/z39_01_main.h"

#include <utility>
#include <vector>

#include "client/ButtonGlyphs.h"
#include "client/SettingsFile.h"
#include "client/_DirSel_SkyBlue.h"
#include "client/__files.h"
#include "client/__forms.h"
#include "client/__str.h"
#include "client/__sys.h"
#include "client/z39_00_func.h"
#include "client/z39_02_ListDB.h"
#include "client/z39_04_MyShowMessage.h"
#include "client/z39_05_Settings.h"
#include "client/z39_07_About.h"
#include "client/z39_08_Wait.h"
#include "platform/core/DateTime.h"
#include "platform/core/Exceptions.h"
#include "platform/core/Files.h"
#include "platform/core/ScopeGuard.h"
#include "platform/core/Strings.h"
#include "platform/ui/Buttons.h"
#include "platform/ui/CheckLst.h"
#include "platform/ui/ComCtrls.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/StdCtrls.h"

TForm_Main::TForm_Main(TComponent* AOwner) : TForm(AOwner) {
  CreateControls();
  DoCreate();
}

TForm_Main::~TForm_Main() {
  if (Form_Main == this) Form_Main = nullptr;
}

// ---- Layout -----------------------------------------------------------------------------------

namespace {

TLabel* NewLabel(TForm* Owner, TWinControl* Parent, const Char* Name, const String& Caption, Integer Left,
                 Integer Top) {
  auto* l = NewControl<TLabel>(Owner, Parent, Name);
  l->SetLeft(Left);
  l->SetTop(Top);
  l->SetCaption(Caption);
  return l;
}

TEdit* NewEdit(TForm* Owner, TWinControl* Parent, const Char* Name, TRect Bounds, bool White) {
  auto* e = NewControl<TEdit>(Owner, Parent, Name, Bounds);
  if (White) e->SetColor(clWhite);
  return e;
}

TCheckBox* NewCheckBox(TForm* Owner, TWinControl* Parent, const Char* Name, const String& Caption, TRect Bounds) {
  auto* c = NewControl<TCheckBox>(Owner, Parent, Name, Bounds);
  c->SetCaption(Caption);
  return c;
}

TRect R(Integer Left, Integer Top, Integer Width, Integer Height) { return Bounds(Left, Top, Width, Height); }

}  // namespace

void TForm_Main::CreateControls() {
  SetName(u"Form_Main");
  SetCaption(u"Borrowline");
  SetPosition(poScreenCenter);
  SetClientWidth(704);
  SetClientHeight(490);
  SetSkyBlueColors(this);
  GetFont()->SetName(u"Tahoma");

  CreateMenuRow();
  CreateSearchList();
  CreateConditionArea();
  CreateLogArea();
  CreateBottomRow();

  OnCreate = [this](TObject* Sender) { FormCreate(Sender); };
  OnCloseQuery = [this](TObject* Sender, bool& CanClose) { FormCloseQuery(Sender, CanClose); };
}

void TForm_Main::CreateMenuRow() {
  SB_Menu_Res = NewSpeedButton(this, this, u"SB_Menu_Res", u"Ресурсы",
                               u"Открыть окно для редактирования списка ресурсов Z39.50", R(4, 4, 90, 26));
  SB_Menu_Set = NewSpeedButton(this, this, u"SB_Menu_Set", u"Настройка", u"Открыть диалог настройки", R(96, 4, 90, 26));
  SpeedButton3 = NewSpeedButton(this, this, u"SpeedButton3", String(), u"О программе...", R(188, 4, 26, 26));
  SB_Menu_Close = NewSpeedButton(this, this, u"SB_Menu_Close", u"Выход", u"Закрыть программу...", R(610, 4, 90, 26));
  for (TSpeedButton* b : {SB_Menu_Res, SB_Menu_Set, SB_Menu_Close}) b->SetFlat(true);
  SpeedButton3->SetFlat(true);
  SetButtonGlyph(SpeedButton3, TButtonGlyph::About);

  SB_Menu_Res->OnClick = [this](TObject* Sender) { SB_Menu_ResClick(Sender); };
  SB_Menu_Set->OnClick = [this](TObject* Sender) { SB_Menu_SetClick(Sender); };
  SpeedButton3->OnClick = [this](TObject* Sender) { SpeedButton3Click(Sender); };
  SB_Menu_Close->OnClick = [this](TObject* Sender) { SB_Menu_CloseClick(Sender); };
}

void TForm_Main::CreateSearchList() {
  gb_ListDB = NewControl<TGroupBox>(this, this, u"gb_ListDB", R(4, 34, 282, 418));
  gb_ListDB->SetCaption(u"Z39.50-ресурсы для поиска : ");

  SB_N_Add =
      NewSpeedButton(this, gb_ListDB, u"SB_N_Add", String(), u"Добавить Z39.50-ресурс для поиска", R(8, 18, 26, 24));
  SB_N_Del = NewSpeedButton(this, gb_ListDB, u"SB_N_Del", String(), u"Удалить строку", R(36, 18, 26, 24));
  SB_N_Clear = NewSpeedButton(this, gb_ListDB, u"SB_N_Clear", String(), u"Очистить ВЕСЬ список", R(64, 18, 26, 24));
  SB_Check = NewSpeedButton(this, gb_ListDB, u"SB_Check", String(), u"Пометить все строки", R(110, 18, 26, 24));
  SB_UnCheck =
      NewSpeedButton(this, gb_ListDB, u"SB_UnCheck", String(), u"Снять отметку со всех строк", R(138, 18, 26, 24));
  SB_Invers =
      NewSpeedButton(this, gb_ListDB, u"SB_Invers", String(), u"Инвертировать отметки строк", R(166, 18, 26, 24));
  SB_N_First = NewSpeedButton(this, gb_ListDB, u"SB_N_First", String(), u"В начало", R(194, 18, 20, 24));
  SB_N_Prior = NewSpeedButton(this, gb_ListDB, u"SB_N_Prior", String(), u"Предыдущий", R(214, 18, 20, 24));
  SB_N_Next = NewSpeedButton(this, gb_ListDB, u"SB_N_Next", String(), u"Следующий", R(234, 18, 20, 24));
  SB_N_Last = NewSpeedButton(this, gb_ListDB, u"SB_N_Last", String(), u"В конец", R(254, 18, 20, 24));
  for (TSpeedButton* b : {SB_N_First, SB_N_Prior, SB_N_Next, SB_N_Last}) b->SetVisible(false);
  const std::pair<TSpeedButton*, TButtonGlyph> glyphs[] = {
      {SB_N_Add, TButtonGlyph::Add},      {SB_N_Del, TButtonGlyph::Delete},       {SB_N_Clear, TButtonGlyph::Clear},
      {SB_Check, TButtonGlyph::CheckAll}, {SB_UnCheck, TButtonGlyph::UncheckAll}, {SB_Invers, TButtonGlyph::Invert},
      {SB_N_First, TButtonGlyph::First},  {SB_N_Prior, TButtonGlyph::Prior},      {SB_N_Next, TButtonGlyph::Next},
      {SB_N_Last, TButtonGlyph::Last}};
  for (const auto& [button, glyph] : glyphs) SetButtonGlyph(button, glyph);

  clb_ListDB_Names = NewControl<TCheckListBox>(this, gb_ListDB, u"clb_ListDB_Names", R(8, 46, 266, 334));
  clb_ListDB_Names->SetColor(clWhite);
  // Its own text colour: a white list keeps both its colours under every scheme.
  clb_ListDB_Names->SetParentFont(false);
  clb_ListDB_Names->GetFont()->SetColor(clNavy);
  clb_ListDB_Names->SetHint(u"Список Z39.50-ресурсов, которые будут использованы для заимствования записей");
  clb_ListDB_Names->SetShowHint(true);

  lb_ListDB_ID = NewControl<TListBox>(this, gb_ListDB, u"lb_ListDB_ID", R(8, 46, 60, 60));
  lb_ListDB_ID->SetVisible(false);

  sb_ListDB_Load =
      NewSpeedButton(this, gb_ListDB, u"sb_ListDB_Load", u"Открыть список",
                     u"Загрузить из файла список Z39.50-ресурсов для заимствования записей", R(8, 386, 130, 26));
  sb_ListDB_Save = NewSpeedButton(this, gb_ListDB, u"sb_ListDB_Save", u"Сохранить список",
                                  u"Сохранить в файл текущий список Z39.50-ресурсов для дальнейшего использования",
                                  R(144, 386, 130, 26));

  clb_ListDB_Names->OnClick = [this](TObject* Sender) { clb_ListDB_NamesClick(Sender); };
  SB_N_Add->OnClick = [this](TObject* Sender) { SB_N_AddClick(Sender); };
  SB_N_First->OnClick = [this](TObject* Sender) { SB_N_FirstClick(Sender); };
  SB_N_Prior->OnClick = [this](TObject* Sender) { SB_N_PriorClick(Sender); };
  SB_N_Next->OnClick = [this](TObject* Sender) { SB_N_NextClick(Sender); };
  SB_N_Last->OnClick = [this](TObject* Sender) { SB_N_LastClick(Sender); };
  SB_N_Del->OnClick = [this](TObject* Sender) { SB_N_DelClick(Sender); };
  SB_N_Clear->OnClick = [this](TObject* Sender) { SB_N_ClearClick(Sender); };
  SB_Check->OnClick = [this](TObject* Sender) { SB_CheckClick(Sender); };
  SB_UnCheck->OnClick = [this](TObject* Sender) { SB_UnCheckClick(Sender); };
  SB_Invers->OnClick = [this](TObject* Sender) { SB_InversClick(Sender); };
  sb_ListDB_Load->OnClick = [this](TObject* Sender) { sb_ListDB_LoadClick(Sender); };
  sb_ListDB_Save->OnClick = [this](TObject* Sender) { sb_ListDB_SaveClick(Sender); };

  for (TSpeedButton* b : {SB_Menu_Res, SB_Menu_Set, SB_Menu_Close, sb_ListDB_Load, sb_ListDB_Save}) {
    b->OnMouseEnter = [this](TObject* Sender) { SB_Menu_MouseEnter(Sender); };
    b->OnMouseLeave = [this](TObject* Sender) { SB_Menu_MouseLeave(Sender); };
  }
}

void TForm_Main::CreateConditionArea() {
  cb_FindMode = NewControl<TComboBox>(this, this, u"cb_FindMode", R(294, 38, 150, 21));
  cb_FindMode->SetStyle(csDropDownList);
  cb_FindMode->GetItems()->Add(u"Простой");
  cb_FindMode->SetEnabled(false);
  cb_FindMode->OnChange = [this](TObject* Sender) { cb_FindModeChange(Sender); };
  cb_FindMode->OnClick = [this](TObject* Sender) { cb_FindModeChange(Sender); };

  Panel_ST_Simple = NewControl<TPanel>(this, this, u"Panel_ST_Simple", R(294, 62, 406, 84));
  Panel_ST_Simple->SetBevelOuter(bvLowered);
  Panel_ST_Simple->SetCaption(String());

  cb_Simple_Title = NewCheckBox(this, Panel_ST_Simple, u"cb_Simple_Title", u"Заголовок:     ", R(6, 6, 118, 20));
  cb_Simple_Title->SetChecked(true);
  Edit_Simple_Title = NewEdit(this, Panel_ST_Simple, u"Edit_Simple_Title", R(126, 5, 274, 21), true);
  cb_Simple_Author = NewCheckBox(this, Panel_ST_Simple, u"cb_Simple_Author", u"Автор:", R(6, 32, 118, 20));
  Edit_Simple_Author = NewEdit(this, Panel_ST_Simple, u"Edit_Simple_Author", R(126, 31, 274, 21), true);
  cb_Simple_Keyword = NewCheckBox(this, Panel_ST_Simple, u"cb_Simple_Keyword", u"Ключевое слово:", R(6, 58, 118, 20));
  Edit_Simple_Keyword = NewEdit(this, Panel_ST_Simple, u"Edit_Simple_Keyword", R(126, 57, 274, 21), true);
  cb_Simple_Title->OnClick = [this](TObject* Sender) { cb_Simple_TitleClick(Sender); };
  cb_Simple_Author->OnClick = [this](TObject* Sender) { cb_Simple_AuthorClick(Sender); };
  cb_Simple_Keyword->OnClick = [this](TObject* Sender) { cb_Simple_KeywordClick(Sender); };

  Label_RecCount_1 = NewLabel(this, this, u"Label_RecCount_1", u" Из каждой базы данных читать: ", 294, 156);
  Edit_RecCount_FromDB = NewEdit(this, this, u"Edit_RecCount_FromDB", R(496, 152, 50, 21), true);
  Edit_RecCount_FromDB->SetText(u"10");
  Label_RecCount_2 = NewLabel(this, this, u"Label_RecCount_2", u"  записей...", 548, 156);

  SpeedButton2 = NewSpeedButton(this, this, u"SpeedButton2", u"Сохранять в ...", String(), R(294, 180, 120, 26));
  SpeedButton2->OnClick = [this](TObject* Sender) { SpeedButton2Click(Sender); };
  CB_Search_First = NewCheckBox(this, this, u"CB_Search_First", u"с начала списка", R(424, 184, 130, 20));
  CB_Search_First->SetChecked(true);
  sb_Start = NewSpeedButton(this, this, u"sb_Start", u"Искать !", u"Начать поиск записей", R(590, 176, 110, 32));
  sb_Start->GetFont()->SetStyle({fsBold});
  SetButtonGlyph(sb_Start, TButtonGlyph::Search);
  sb_Start->OnMouseEnter = [this](TObject* Sender) { sb_StartMouseEnter(Sender); };
  sb_Start->OnMouseLeave = [this](TObject* Sender) { sb_StartMouseLeave(Sender); };
  sb_Start->OnClick = [this](TObject* Sender) { sb_StartClick(Sender); };

  Label_Find = NewLabel(this, this, u"Label_Find", u"Записей: Найдено=", 294, 218);
  Edit_BibRec_Find = NewEdit(this, this, u"Edit_BibRec_Find", R(412, 214, 64, 21), false);
  Edit_BibRec_Find->SetReadOnly(true);
  Edit_BibRec_Find->SetColor(clBtnFace);
  Edit_BibRec_Find->SetText(u"0");
  Label_Load = NewLabel(this, this, u"Label_Load", u"  Получено=", 480, 218);
  Edit_BibRec_Load = NewEdit(this, this, u"Edit_BibRec_Load", R(560, 214, 64, 21), false);
  Edit_BibRec_Load->SetReadOnly(true);
  Edit_BibRec_Load->SetColor(clBtnFace);
  Edit_BibRec_Load->SetText(u"0");
}

void TForm_Main::CreateLogArea() {
  const TRect area = R(294, 240, 406, 212);

  // The per-format buffer, when shown, sits above the log with a splitter
  // between them; the record buffer stays hidden.
  Panel_Log = NewControl<TPanel>(this, this, u"Panel_Log", area);
  Panel_Log->SetBevelOuter(bvNone);
  Panel_Log->SetCaption(String());

  gb_BR_Buf_2 = NewControl<TGroupBox>(this, Panel_Log, u"gb_BR_Buf_2");
  gb_BR_Buf_2->SetAlign(alTop);
  gb_BR_Buf_2->SetHeight(84);
  gb_BR_Buf_2->SetCaption(u"Буфер записей (по форматам) : ");
  gb_BR_Buf_2->SetVisible(false);
  ListBox_BR_Syntax = NewControl<TListBox>(this, gb_BR_Buf_2, u"ListBox_BR_Syntax");
  ListBox_BR_Syntax->SetAlign(alClient);
  ListBox_BR_Syntax->SetColor(clWhite);
  Splitter_BR_Buf_2 = NewControl<TSplitter>(this, Panel_Log, u"Splitter_BR_Buf_2");
  Splitter_BR_Buf_2->SetAlign(alTop);
  Splitter_BR_Buf_2->SetTop(84);
  Splitter_BR_Buf_2->SetVisible(false);

  gb_BR_Buf_1 = NewControl<TGroupBox>(this, Panel_Log, u"gb_BR_Buf_1");
  gb_BR_Buf_1->SetAlign(alClient);
  gb_BR_Buf_1->SetCaption(u"Буфер записей : ");
  gb_BR_Buf_1->SetVisible(false);
  RE_Find_Result = NewControl<TRichEdit>(this, gb_BR_Buf_1, u"RE_Find_Result");
  RE_Find_Result->SetAlign(alClient);
  RE_Find_Result->SetColor(clWhite);
  RE_Find_Result->SetReadOnly(true);
  RE_Find_Result->SetPlainText(true);
  RE_Find_Result->SetScrollBars(ssBoth);

  GroupBox1 = NewControl<TGroupBox>(this, Panel_Log, u"GroupBox1");
  GroupBox1->SetAlign(alClient);
  GroupBox1->SetCaption(u"Протокол заимствования : ");
  RE_LOG = NewControl<TRichEdit>(this, GroupBox1, u"RE_LOG");
  RE_LOG->SetAlign(alClient);
  RE_LOG->SetColor(clWhite);
  RE_LOG->SetReadOnly(true);
  RE_LOG->SetPlainText(true);
  RE_LOG->SetScrollBars(ssBoth);
  RE_LOG->SetHint(u"Протокол сохраняется в файл LOG*.txt на диске в той же папке, куда сохраняются записи");
  RE_LOG->SetShowHint(true);
}

void TForm_Main::CreateBottomRow() {
  Label_DT = NewLabel(this, this, u"Label_DT", String(), 8, 464);
  Label_DT->GetFont()->SetStyle({fsBold});
  sb_Stop = NewSpeedButton(this, this, u"sb_Stop", u"Стоп!", u"Остановить процесс заимстования записей...",
                           R(610, 458, 90, 28));
  sb_Stop->SetEnabled(false);
  sb_Stop->OnClick = [this](TObject* Sender) { sb_StopClick(Sender); };

  Timer_Main = new TTimer(this);
  Timer_Main->SetName(u"Timer_Main");
  Timer_Main->SetEnabled(false);
  Timer_Main->SetInterval(100);
  Timer_Main->OnTimer = [this](TObject* Sender) { Timer_MainTimer(Sender); };

  Timer_ScanDB = new TTimer(this);
  Timer_ScanDB->SetName(u"Timer_ScanDB");
  Timer_ScanDB->SetEnabled(false);
  Timer_ScanDB->SetInterval(ScanInterval);
  Timer_ScanDB->OnTimer = [this](TObject* Sender) { Timer_ScanDBTimer(Sender); };

  OD1 = new TOpenDialog(this);
  OD1->SetName(u"OD1");
  OD1->SetDefaultExt(u"vvv");
  OD1->SetFilter(u"Файлы вариантов|*.vvv|Все файлы|*.*");
  OD1->SetOptions({ofFileMustExist, ofPathMustExist});

  SD1 = new TSaveDialog(this);
  SD1->SetName(u"SD1");
  SD1->SetDefaultExt(u"vvv");
  SD1->SetFilter(u"Файлы вариантов|*.vvv|Все файлы|*.*");
  SD1->SetOptions({ofOverwritePrompt});
}

// ---- Start-up and shut-down ------------------------------------------------------------------

void TForm_Main::FormCreate(TObject*) {
  FirstTick = true;
  const String folder = ExtractFilePath(ParamStr0());
  Label_DT->SetCaption(String());
  FoundServerWindow = nullptr;
  ServerObject = Variant();

  AppFolder = folder;
  SettingsFolder.clear();
  DirSave.clear();
  const TProgramFolders folders = PrepareProgramFolders(AppFolder);
  SettingsFolder = folders.SettingsFolder;
  DirSave = folders.DirSave;
  SD1->SetInitialDir(folders.SaveDialogFolder);
  OD1->SetInitialDir(folders.OpenDialogFolder);

  cb_FindMode->SetItemIndex(0);
  // Until the first tick has read the resource list, the settings and the
  // search list, the window takes no input: a click would act on empty lists,
  // or end the program before it has read what the close saves.
  SetEnabled(false);
  Timer_Main->SetEnabled(true);
}

void TForm_Main::Timer_MainTimer(TObject*) {
  Timer_Main->SetEnabled(false);
  Label_DT->SetCaption(SearchLogDateTime(Now()));
  if (FirstTick) {
    FirstTick = false;
    Timer_Main->SetInterval(1000);
    GetSearchRun().FormatBuffers().ClearFormatBuffers();
    LoadSettings();
  }
  Timer_Main->SetEnabled(true);
}

void TForm_Main::FormCloseQuery(TObject*, bool& CanClose) {
  CanClose = true;
  // The window closes whatever happens: the stop and the save say themselves
  // what they could not keep, and anything else that fails is reported, never
  // keeping the user from leaving the program. A run going ends first, as the
  // stop button ends it, so that its log tells what it saved, and no tick of
  // it runs under the boxes of the save; a search waiting for its server gives
  // up once this returns, touching nothing the close frees.
  try {
    if (FSearchRun) FSearchRun->StopForClose();
  } catch (...) {
    Application->HandleException(this);
  }
  try {
    SaveSettings();
  } catch (...) {
    Application->HandleException(this);
  }
  ListBox_BR_Syntax->Clear();
  GetSearchRun().FormatBuffers().FreeFormatBuffers();
}

void TForm_Main::RemoveLeftoverTempFilesOfSettings() {
  // This copy holds the single-instance lock: no write of these files is
  // under way but its own, so a temporary file beside them is a leftover of
  // a copy killed while it saved.
  for (const String& f :
       {SettingsFileName(SettingsFolder), ResourceListFileName(SettingsFolder), SearchListFileName(SettingsFolder)})
    RemoveLeftoverTempFiles(f);
}

void TForm_Main::TakeInputAfterStartUp() {
  // What the user did meanwhile reaches the disabled window and goes.
  TakeDeliveredInput();
  SetEnabled(true);
  // The keyboard comes back to the window, as when it first showed.
  if (!GetActiveWindow() && GetVisible()) SetActiveWindow(GetHandle());
}

bool TForm_Main::LoadSettings() {
  // However start-up ends, the window takes input afterwards.
  const TScopeExit startedUp([this] { TakeInputAfterStartUp(); });
  RemoveLeftoverTempFilesOfSettings();
  const String file = SettingsFileName(SettingsFolder);
  // A folder, pipe or device in place of a file is read as a missing file, and said.
  for (const String& f : {file, ResourceListFileName(SettingsFolder), SearchListFileName(SettingsFolder)})
    if (IsNotARegularFile(f)) ShowMessageOk(u"Чтение файла", u"Ошибка", NotARegularFileText(f));
  // A settings file there but unreadable gives the defaults, which the close
  // must not write over the user's keys.
  const int unreadSettings = SettingsFileReadError(file);
  FSettingsUnread = unreadSettings != 0;
  if (FSettingsUnread && !IsNotARegularFile(file))
    ShowMessageOk(u"Чтение файла", u"Ошибка", UnreadSettingsFileText(file, unreadSettings));
  TComboBox* scheme = Dlg_Settings->cb_ShemeColor;
  const Integer index = ReadSchemeIndex(file);
  scheme->SetItemIndex(index < scheme->GetItems()->GetCount() ? index : 0);
  SchemeIndex = scheme->GetItemIndex();
  ApplySchemeToAllForms();

  try {
    Dlg_ListDB->RunLoadOrSave([] { Dlg_ListDB->LoadResourceList(); });
  } catch (...) {
    // Whatever stopped the load, the settings and the search list are still read.
    Application->HandleException(this);
  }

  // Read after the resource list, as the program always has: the load may take
  // a while and the keys are read as they are then.
  const TSettingsValues v = ReadSearchSettings(file, AppFolder);
  FSettingsUnread = FSettingsUnread || SettingsFileReadError(file) != 0;
  Dlg_Settings->Edit_DirForBR->SetText(v.DirSave);
  DirSave = Trim(Dlg_Settings->Edit_DirForBR->GetText());
  Dlg_Settings->rg_BR_SaveMode->SetItemIndex(v.SaveMode);
  cb_FindMode->SetItemIndex(v.FindMode);
  Edit_RecCount_FromDB->SetText(v.RecCountFromDB);
  cb_Simple_Title->SetChecked(v.Title_Check);
  Edit_Simple_Title->SetText(v.Title_Text);
  cb_Simple_Author->SetChecked(v.Author_Check);
  Edit_Simple_Author->SetText(v.Author_Text);
  cb_Simple_Keyword->SetChecked(v.Keyword_Check);
  Edit_Simple_Keyword->SetText(v.Keyword_Text);
  FSettingsRead = v;
  FSettingsRead.SchemeIndex = SchemeIndex;
  FSettingsLoaded = true;

  ReadSearchListFile();
  FSearchListLoaded = true;
  FSearchListUnresolved = Dlg_ListDB->GetResourceTable().IsFileUnread();
  return true;
}

void TForm_Main::ReadSearchListAgainOnceResourcesRead(bool Chosen) {
  if (!FSearchListUnresolved || Dlg_ListDB->GetResourceTable().IsFileUnread()) return;
  FSearchListUnresolved = false;
  if (!Chosen) ReadSearchListFile();
}

void TForm_Main::ReadSearchListFile() {
  const String file = SearchListFileName(SettingsFolder);
  // Something there that cannot be read leaves the list empty, which the
  // close must not write over the user's list.
  FSearchListUnread = IsNotARegularFile(file);
  try {
    LoadSearchList(file);
  } catch (const EStreamError& E) {
    FSearchListUnread = true;
    ShowMessageOk(u"Чтение файла", u"Ошибка", UnreadSettingsFileText(file, E.ErrorCode()));
  }
  FSearchListRead = lb_ListDB_ID->GetItems()->GetText();
}

bool TForm_Main::SaveSettings() {
  TSettingsValues v;
  v.SchemeIndex = Dlg_Settings->cb_ShemeColor->GetItemIndex();
  v.DirSave = Trim(Dlg_Settings->Edit_DirForBR->GetText());
  v.SaveMode = Dlg_Settings->rg_BR_SaveMode->GetItemIndex();
  v.FindMode = cb_FindMode->GetItemIndex();
  v.RecCountFromDB = Edit_RecCount_FromDB->GetText();
  v.Title_Check = cb_Simple_Title->GetChecked();
  v.Title_Text = Edit_Simple_Title->GetText();
  v.Author_Check = cb_Simple_Author->GetChecked();
  v.Author_Text = Edit_Simple_Author->GetText();
  v.Keyword_Check = cb_Simple_Keyword->GetChecked();
  v.Keyword_Text = Edit_Simple_Keyword->GetText();
  // A file start-up has not read yet is left alone: the controls would write
  // their defaults, and an empty list, over what the user keeps there.
  std::vector<TLostSettingsFile> lost;
  if (FSettingsLoaded || FSearchListLoaded) RemoveLeftoverTempFilesOfSettings();
  // Nor is a file start-up could not read: it is kept as it is, and said.
  const String settingsFile = SettingsFileName(SettingsFolder);
  const bool settingsChanged = AsStored(v) != FSettingsRead;
  if (FSettingsLoaded && FSettingsUnread) {
    lost.push_back({settingsFile, u"настройки", settingsChanged, true});
  } else if (FSettingsLoaded && !SaveSettingsFile(settingsFile, AppFolder, v)) {
    lost.push_back({settingsFile, u"настройки", settingsChanged});
  }
  const String listFile = SearchListFileName(SettingsFolder);
  const String list = u"список Z39.50-ресурсов для поиска";
  const bool listChanged = lb_ListDB_ID->GetItems()->GetText() != FSearchListRead;
  if (FSearchListLoaded && FSearchListUnread) {
    lost.push_back({listFile, list, listChanged, true});
  } else if (FSearchListLoaded && !FSearchListUnresolved && !SaveSearchList(listFile)) {
    lost.push_back({listFile, list, listChanged});
  }
  // Said while the window is still there, and waited for: the program ends
  // only once the user has read what it could not keep.
  if (!lost.empty())
    ShowMessageOk(u"Сохранение настроек", u"Ошибка", LostSettingsText(SettingsFolder, AppFolder, lost));
  return true;
}

// ---- The search list --------------------------------------------------------------------------

TSearchList& TForm_Main::GetSearchList() {
  EnsureSearch();
  return *FSearchList;
}

TSearchRun& TForm_Main::GetSearchRun() {
  EnsureSearch();
  return *FSearchRun;
}

void TForm_Main::EnsureSearch() {
  TResourceTable* table = Dlg_ListDB ? &Dlg_ListDB->GetResourceTable() : nullptr;
  if (FSearchList && FSearchTable == table) return;
  FSearchTable = table;
  FSearchList = std::make_unique<TSearchList>(clb_ListDB_Names, lb_ListDB_ID, table);
  TSearchRunControls c;
  c.SearchList = FSearchList.get();
  c.Edit_RecCount_FromDB = Edit_RecCount_FromDB;
  c.Edit_BibRec_Find = Edit_BibRec_Find;
  c.Edit_BibRec_Load = Edit_BibRec_Load;
  c.cb_FindMode = cb_FindMode;
  c.cb_Simple_Title = cb_Simple_Title;
  c.cb_Simple_Author = cb_Simple_Author;
  c.cb_Simple_Keyword = cb_Simple_Keyword;
  c.Edit_Simple_Title = Edit_Simple_Title;
  c.Edit_Simple_Author = Edit_Simple_Author;
  c.Edit_Simple_Keyword = Edit_Simple_Keyword;
  c.CB_Search_First = CB_Search_First;
  c.ListBox_BR_Syntax = ListBox_BR_Syntax;
  c.gb_BR_Buf_2 = gb_BR_Buf_2;
  c.Splitter_BR_Buf_2 = Splitter_BR_Buf_2;
  c.RE_Find_Result = RE_Find_Result;
  c.RE_LOG = RE_LOG;
  c.Timer_ScanDB = Timer_ScanDB;
  c.sb_Stop = sb_Stop;
  if (Dlg_Settings) {
    c.Edit_DirForBR = Dlg_Settings->Edit_DirForBR;
    c.rg_BR_SaveMode = Dlg_Settings->rg_BR_SaveMode;
  }
  FSearchRun = std::make_unique<TSearchRun>(
      c, table, &DirSave,
      [](const String& Caption, const String& Head, const String& Text) { ShowMessageOk(Caption, Head, Text); });
  FSearchRun->SetOnServerWait([this](bool Waiting) { ServerWaitChanged(Waiting); });
}

void TForm_Main::ServerWaitChanged(bool Waiting) {
  for (TSpeedButton* b :
       {SB_Menu_Res, SB_Menu_Set, SpeedButton3, SB_N_Add, SB_N_Del, sb_ListDB_Load, sb_ListDB_Save, SpeedButton2})
    b->SetEnabled(!Waiting);
  if (Dlg_ListDB) Dlg_ListDB->ServerWaitChanged(Waiting);
}

void TForm_Main::BuildSearchList() { GetSearchList().BuildSearchList(); }

Integer TForm_Main::LoadSearchList(const String& FileName) { return GetSearchList().LoadSearchList(FileName); }

bool TForm_Main::SaveSearchList(const String& FileName) {
  return GetSearchList().SaveSearchList(FileName, SettingsFolder);
}

void TForm_Main::RefreshSearchList() { GetSearchList().RefreshSearchList(); }

void TForm_Main::SyncIdSelection() { lb_ListDB_ID->SetItemIndex(clb_ListDB_Names->GetItemIndex()); }

void TForm_Main::clb_ListDB_NamesClick(TObject*) { SyncIdSelection(); }
void TForm_Main::SB_N_FirstClick(TObject*) { GetSearchList().SelectFirst(); }
void TForm_Main::SB_N_LastClick(TObject*) { GetSearchList().SelectLast(); }
void TForm_Main::SB_N_NextClick(TObject*) { GetSearchList().SelectNext(); }
void TForm_Main::SB_N_PriorClick(TObject*) { GetSearchList().SelectPrior(); }
void TForm_Main::SB_N_DelClick(TObject*) { GetSearchList().DeleteSelected(); }

void TForm_Main::SB_N_ClearClick(TObject*) {
  if (!ShowMessageOkCancel(u"Текущий список Z39.50-ресурсов", u"Очистка всего списка",
                           u"Вы желаете очистить весь список ?"))
    return;
  GetSearchList().Clear();
}

void TForm_Main::SB_CheckClick(TObject*) { GetSearchList().CheckAll(); }
void TForm_Main::SB_UnCheckClick(TObject*) { GetSearchList().UncheckAll(); }
void TForm_Main::SB_InversClick(TObject*) { GetSearchList().InvertChecks(); }

void TForm_Main::sb_ListDB_LoadClick(TObject*) {
  if (OD1->Execute()) LoadSearchList(OD1->GetFileName());
}

void TForm_Main::sb_ListDB_SaveClick(TObject*) {
  if (lb_ListDB_ID->GetCount() == 0 || !SD1->Execute()) return;
  // A file that cannot be written raises: the standard error box reports it.
  GetSearchList().WriteSearchListFile(SD1->GetFileName());
}

// ---- The search run ------------------------------------------------------------------------------

void TForm_Main::sb_StartClick(TObject* Sender) { GetSearchRun().sb_StartClick(Sender); }
void TForm_Main::sb_StopClick(TObject* Sender) { GetSearchRun().sb_StopClick(Sender); }
void TForm_Main::Timer_ScanDBTimer(TObject* Sender) { GetSearchRun().Timer_ScanDBTimer(Sender); }

bool TForm_Main::SearchOneResource(TStrings* ConnectionParams, Integer Index, bool TestMode) {
  return GetSearchRun().SearchOneResource(ConnectionParams, Index, TestMode);
}

// ---- The other windows -----------------------------------------------------------------------

void TForm_Main::SB_Menu_ResClick(TObject*) {
  Application->ProcessMessages();
  Dlg_ListDB->EditResourceList();
  ReadSearchListAgainOnceResourcesRead(false);
}

void TForm_Main::SB_N_AddClick(TObject*) {
  Application->ProcessMessages();
  const bool chosen = Dlg_ListDB->ChooseResources(lb_ListDB_ID->GetItems());
  if (chosen) BuildSearchList();
  ReadSearchListAgainOnceResourcesRead(chosen);
}

void TForm_Main::SB_Menu_SetClick(TObject*) {
  ShowSettings(Dlg_Settings);
  DirSave = Trim(Dlg_Settings->Edit_DirForBR->GetText());
  ApplySchemeToAllForms();
}

void TForm_Main::SpeedButton3Click(TObject*) { ShowAbout(AboutBox); }

void TForm_Main::SpeedButton2Click(TObject*) {
  String folder;
  SelectFolder(String(), String(), DirSave, SchemeFontColor(SchemeIndex), SchemeBackColor(SchemeIndex), folder);
  if (!folder.empty()) DirSave = folder;
}

void TForm_Main::SB_Menu_CloseClick(TObject*) {
  // The close first: a box it shows runs its own message loop, which a quit
  // message already waiting would end before the user could read it.
  Close();
  PostQuitMessage(0);
}

// ---- The search condition ----------------------------------------------------------------------

void TForm_Main::cb_FindModeChange(TObject*) {
  Panel_ST_Simple->SetVisible(false);
  if (cb_FindMode->GetItemIndex() <= 0) Panel_ST_Simple->SetVisible(true);
}

void TForm_Main::SimpleConditionClicked(TCheckBox* Box) {
  // Only a tick the user gives: the settings file ticks boxes in code, and
  // may leave several ticked.
  if (!Box->Focused() || !Box->GetChecked()) return;
  for (TCheckBox* other : {cb_Simple_Title, cb_Simple_Author, cb_Simple_Keyword})
    if (other != Box) other->SetChecked(false);
}

void TForm_Main::cb_Simple_TitleClick(TObject*) { SimpleConditionClicked(cb_Simple_Title); }
void TForm_Main::cb_Simple_AuthorClick(TObject*) { SimpleConditionClicked(cb_Simple_Author); }
void TForm_Main::cb_Simple_KeywordClick(TObject*) { SimpleConditionClicked(cb_Simple_Keyword); }

// ---- Hover effects -------------------------------------------------------------------------------

void TForm_Main::SB_Menu_MouseEnter(TObject* Sender) {
  if (auto* b = dynamic_cast<TSpeedButton*>(Sender))
    b->GetFont()->SetStyle(b->GetFont()->GetStyle() + TFontStyles{fsBold});
}

void TForm_Main::SB_Menu_MouseLeave(TObject* Sender) {
  if (auto* b = dynamic_cast<TSpeedButton*>(Sender))
    b->GetFont()->SetStyle(b->GetFont()->GetStyle() - TFontStyles{fsBold});
}

void TForm_Main::sb_StartMouseEnter(TObject*) {
  sb_Start->SetMargin(10);
  sb_Start->SetLayout(blGlyphRight);
  sb_Start->SetCaption(u"Искать ?");
}

void TForm_Main::sb_StartMouseLeave(TObject*) {
  sb_Start->SetMargin(-1);
  sb_Start->SetLayout(blGlyphLeft);
  sb_Start->SetCaption(u"Искать !");
}
