#include "client/z39_02_ListDB.h"

#include "client/SearchServer.h"
#include "client/SettingsFile.h"
#include "client/__forms.h"
#include "client/__str.h"
#include "client/z39_00_func.h"
#include "client/z39_01_main.h"
#include "client/z39_03_EditDB.h"
#include "client/z39_04_MyShowMessage.h"
#include "client/z39_08_Wait.h"
#include "grid/DBGridEh.h"
#include "grid/DaVirMTE.h"
#include "platform/core/Exceptions.h"
#include "platform/core/ScopeGuard.h"
#include "platform/core/Strings.h"
#include "platform/ui/Buttons.h"
#include "platform/ui/CheckLst.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/StdCtrls.h"

TDlg_ListDB::TDlg_ListDB(TComponent* AOwner) : TForm(AOwner), FTable(std::make_unique<TResourceTable>()) {
  MemTableEh_Tree = FTable->MemTableEh_Tree;
  MemTableEh_Buf = FTable->MemTableEh_Buf;
  CreateControls();
  DoCreate();
}

TDlg_ListDB::~TDlg_ListDB() {
  if (Dlg_ListDB == this) Dlg_ListDB = nullptr;
}

void TDlg_ListDB::CreateControls() {
  SetName(u"Dlg_ListDB");
  SetCaption(u"Список ресурсов Z39.50");
  SetPosition(poScreenCenter);
  SetClientWidth(800);
  SetClientHeight(520);
  SetSkyBlueColors(this);
  GetFont()->SetName(u"Tahoma");
  SetKeyPreview(true);

  Panel_Top = NewControl<TPanel>(this, this, u"Panel_Top");
  Panel_Top->SetAlign(alTop);
  Panel_Top->SetHeight(32);
  Panel_Top->SetCaption(String());

  Integer left = 4;
  auto addButton = [this, &left](TSpeedButton*& Button, const Char* Name, const String& Caption, const String& Hint,
                                 Integer Width) {
    Button = NewSpeedButton(this, Panel_Top, Name, Caption, Hint, Bounds(left, 4, Width, 24));
    left += Width + 2;
  };
  addButton(SB_N_First, u"SB_N_First", u"|<", u"В начало", 24);
  addButton(SB_N_Prior, u"SB_N_Prior", u"<", u"Предыдущий", 24);
  addButton(SB_N_Next, u"SB_N_Next", u">", u"Следующий", 24);
  addButton(SB_N_Last, u"SB_N_Last", u">|", u"В конец", 24);
  left += 8;
  addButton(SB_N_Edit, u"SB_N_Edit", u"Изменить", u"Редактировать", 64);
  addButton(SB_N_Add, u"SB_N_Add", u"Добавить", u"Добавить", 64);
  addButton(SB_N_Add_0, u"SB_N_Add_0", u"Группа", u"Добавить, как группу верхнего уровня", 56);
  addButton(SB_N_Del, u"SB_N_Del", u"Удалить", u"Удалить", 60);
  left += 8;
  addButton(SB_TreeOrList, u"SB_TreeOrList", u"Дерево", u"Таблица <-> Дерево", 56);
  addButton(SB_Test, u"SB_Test", u"Тест", u"Тест (запрос по протоколу Z39.50)", 44);
  left += 8;
  addButton(SB_Load, u"SB_Load", u"Загрузить", u"Загрузить список ресурсов", 68);
  addButton(SB_Save, u"SB_Save", u"Сохранить", u"Сохранить список ресурсов", 68);

  // Sized to its caption, in the room the buttons leave at the row's end.
  Label_YesModify = NewControl<TLabel>(this, Panel_Top, u"Label_YesModify", Bounds(left + 6, 8, 120, 16));
  Label_YesModify->SetCaption(u"  Данные изменены !  ");
  Label_YesModify->SetColor(clRed);
  Label_YesModify->GetFont()->SetColor(clYellow);
  Label_YesModify->GetFont()->SetStyle({fsBold});
  Label_YesModify->SetTransparent(false);
  Label_YesModify->SetVisible(false);

  Panel_Bottom = NewControl<TPanel>(this, this, u"Panel_Bottom");
  Panel_Bottom->SetAlign(alBottom);
  Panel_Bottom->SetHeight(34);
  Panel_Bottom->SetCaption(String());

  SB_OK = NewOkButton(this, Panel_Bottom, Bounds(636, 5, 76, 24), [this](TObject* Sender) { SB_OKClick(Sender); });
  SB_OK->SetAnchors({akTop, akRight});
  SB_Cancel =
      NewCancelButton(this, Panel_Bottom, Bounds(718, 5, 76, 24), [this](TObject* Sender) { SB_CancelClick(Sender); });
  SB_Cancel->SetAnchors({akTop, akRight});

  gb_ListDB_Sel = NewControl<TGroupBox>(this, this, u"gb_ListDB_Sel");
  gb_ListDB_Sel->SetAlign(alRight);
  gb_ListDB_Sel->SetWidth(240);
  gb_ListDB_Sel->SetCaption(u"Отобранные для поиска: ");
  gb_ListDB_Sel->SetVisible(false);

  // Between the resources and the side panel; shown with the panel.
  Splitter_ListDB_Sel = NewControl<TSplitter>(this, this, u"Splitter_ListDB_Sel");
  Splitter_ListDB_Sel->SetAlign(alRight);
  Splitter_ListDB_Sel->SetVisible(false);

  clb_ListDB_Names = NewControl<TCheckListBox>(this, gb_ListDB_Sel, u"clb_ListDB_Names", Bounds(8, 18, 224, 390));
  clb_ListDB_Names->SetColor(clWhite);

  lb_ListDB_ID = NewControl<TListBox>(this, gb_ListDB_Sel, u"lb_ListDB_ID", Bounds(8, 18, 40, 40));
  lb_ListDB_ID->SetVisible(false);

  SpeedButton1 = NewSpeedButton(this, gb_ListDB_Sel, u"SpeedButton1", u"Удалить строку", u"Удалить строку",
                                Bounds(8, 414, 108, 24));
  SB_N_Clear =
      NewSpeedButton(this, gb_ListDB_Sel, u"SB_N_Clear", u"Очистить ВСЕ", u"Очистить ВСЕ", Bounds(124, 414, 108, 24));

  CreateGrid();

  FChosen = std::make_unique<TSearchList>(clb_ListDB_Names, lb_ListDB_ID, FTable.get());
  SB_N_First->OnClick = [this](TObject* Sender) { SB_N_FirstClick(Sender); };
  SB_N_Prior->OnClick = [this](TObject* Sender) { SB_N_PriorClick(Sender); };
  SB_N_Next->OnClick = [this](TObject* Sender) { SB_N_NextClick(Sender); };
  SB_N_Last->OnClick = [this](TObject* Sender) { SB_N_LastClick(Sender); };
  SB_N_Edit->OnClick = [this](TObject* Sender) { SB_N_EditClick(Sender); };
  SB_N_Add->OnClick = [this](TObject* Sender) { SB_N_AddClick(Sender); };
  SB_N_Add_0->OnClick = [this](TObject* Sender) { SB_N_Add_0Click(Sender); };
  SB_N_Del->OnClick = [this](TObject* Sender) { SB_N_DelClick(Sender); };
  SB_TreeOrList->OnClick = [this](TObject* Sender) { SB_TreeOrListClick(Sender); };
  MemTableEh_Tree->AfterScroll = [this](TDataSet* DataSet) { MemTableEh_TreeAfterScroll(DataSet); };
  clb_ListDB_Names->OnClick = [this](TObject* Sender) { clb_ListDB_NamesClick(Sender); };
  clb_ListDB_Names->OnDblClick = [this](TObject* Sender) { clb_ListDB_NamesDblClick(Sender); };
  SpeedButton1->OnClick = [this](TObject* Sender) { clb_ListDB_NamesDblClick(Sender); };
  SB_N_Clear->OnClick = [this](TObject* Sender) { SB_N_ClearClick(Sender); };
  SB_Load->OnClick = [this](TObject* Sender) { SB_LoadClick(Sender); };
  SB_Save->OnClick = [this](TObject* Sender) { SB_SaveClick(Sender); };
  SB_Test->OnClick = [this](TObject* Sender) { SB_TestClick(Sender); };
  OnKeyDown = [this](TObject* Sender, Word& Key, TShiftState Shift) { FormKeyDown(Sender, Key, Shift); };
}

namespace {

struct TGridColumn {
  const Char* Field;
  const Char* Title;  // null: the field's name
  Integer Width;      // 0: the field's
  TAlignment Alignment;
  bool Visible;
  bool Filter;
};

constexpr TGridColumn kGridColumns[] = {
    {u"NAME_THIS", u"Наименование", 300, taLeftJustify, true, true},
    // One-character flags: wide enough for their titles.
    {u"ItsActual", u"Актуальность", 84, taCenter, true, true},
    {u"ItsUse", u"Использ.", 60, taCenter, true, true},
    {u"Database", u"База данных", 0, taLeftJustify, true, true},
    {u"URL", nullptr, 0, taLeftJustify, true, true},
    {u"PORT", u"Порт", 0, taRightJustify, true, true},
    {u"Syntax", u"Формат", 0, taLeftJustify, true, true},
    {u"Encoding", u"Кодировка", 0, taLeftJustify, true, true},
    {u"Note", u"Примечание", 0, taLeftJustify, true, true},
    {u"Username", u"Пользователь", 0, taLeftJustify, true, true},
    {u"PSW", u"Пароль", 0, taLeftJustify, true, true},
    {u"ID_TYPE", u"ID-типа", 0, taRightJustify, true, true},
    {u"Name_Type", u"Тип", 0, taLeftJustify, true, false},
    {u"NPP", u"Nп/п", 0, taRightJustify, false, true},
    {u"ID_THIS", u"ID", 0, taRightJustify, true, true},
    {u"ID_PARENT", u"ID-родителя", 0, taRightJustify, false, true},
};

// The platform's money green: what an unused resource is written in.
constexpr TColor UnusedResourceColor = TColor(0xC0DCC0);

}  // namespace

void TDlg_ListDB::CreateGrid() {
  DataSource_Tree = new TDataSource(this);
  DataSource_Tree->SetName(u"DataSource_Tree");
  DataSource_Tree->SetDataSet(MemTableEh_Tree);

  DBGridEh_TreeDB = NewControl<TDBGridEh>(this, this, u"DBGridEh_TreeDB");
  TDBGridEh* g = DBGridEh_TreeDB;
  g->SetAlign(alClient);
  g->SetColor(clWhite);
  g->SetFixedColor(SkyBlueBackColor);
  g->SetFooterColor(SkyBlueBackColor);
  g->GetFont()->SetName(u"Tahoma");
  g->GetFont()->SetHeight(-11);
  g->GetFont()->SetColor(clNavy);
  g->GetTitleFont()->SetName(u"Tahoma");
  g->GetTitleFont()->SetHeight(-11);
  g->GetTitleFont()->SetColor(clNavy);
  g->GetIndicatorTitle()->SetTitleButton(true);
  g->SetOptions({dgEditing, dgTitles, dgIndicator, dgColumnResize, dgColLines, dgRowLines, dgTabs,
                 dgAlwaysShowSelection, dgConfirmDelete, dgCancelOnExit});
  g->SetOptionsEh({dghFixed3D, dghHighlightFocus, dghClearSelection, dghAutoSortMarking, dghMultiSortMarking,
                   dghDblClickOptimizeColWidth, dghDialogFind, dghRecordMoving, dghColumnResize, dghColumnMove,
                   dghHotTrack, dghExtendVertLines});
  g->GetSTFilter()->SetVisible(true);
  g->GetSTFilter()->SetLocal(true);
  g->GetSTFilter()->SetInstantApply(true);
  // A title click sorts the table in memory: it has no server to ask.
  g->SetSortLocal(true);
  for (const TGridColumn& c : kGridColumns) {
    TColumnEh* col = g->GetColumns()->Add();
    col->SetFieldName(c.Field);
    col->GetTitle()->SetCaption(c.Title ? c.Title : c.Field);
    col->GetTitle()->SetTitleButton(true);
    if (c.Width > 0) col->SetWidth(c.Width);
    if (c.Alignment != taLeftJustify) col->SetAlignment(c.Alignment);
    col->SetCheckboxes(false);
    col->SetVisible(c.Visible);
    if (!c.Filter) col->GetSTFilter()->SetVisible(false);
  }
  g->SetFrozenCols(1);
  g->SetDataSource(DataSource_Tree);
  g->OnDblClick = [this](TObject* Sender) { SB_N_EditClick(Sender); };
  g->OnSortMarkingChanged = [this](TObject* Sender) { DBGridEh_TreeDBSortMarkingChanged(Sender); };
  // The cell's font is chosen before the grid writes the cell, so its text is
  // written once, after the tree lines of the first column.
  g->OnGetCellParams = [this](TObject* Sender, TColumnEh* Column, TFont* AFont, TColor& Background,
                              TGridDrawState State) {
    DBGridEh_TreeDBDrawColumnCell(Sender, Column, AFont, Background, State.Contains(gdFocused));
  };
}

void TDlg_ListDB::SB_OKClick(TObject*) { SetModalResult(mrOk); }
void TDlg_ListDB::SB_CancelClick(TObject*) { SetModalResult(mrCancel); }

void TDlg_ListDB::FormKeyDown(TObject*, Word& Key, TShiftState Shift) {
  GridDialogKeyDown(
      Key, Shift, [this] { SB_OKClick(SB_OK); }, [this] { SB_CancelClick(SB_Cancel); });
}

TResourceListWait TDlg_ListDB::WaitWindowNotes() const {
  TResourceListWait w;
  TForm_Wait_Load* wait = Form_Wait_Load;
  if (!wait) {
    w.Pump = [] { Application->ProcessMessages(); };
    return w;
  }
  w.Show = [wait](Integer Width, const String& Caption, const String& Message) {
    ShowWaitWindow(wait);
    SetWaitWindowTitle(wait, Width, Caption);
    wait->Label_MSG_2->SetCaption(Message);
    SetWaitProgress(wait, 0);
  };
  w.SetMessage = [wait](const String& Message) { wait->Label_MSG_2->SetCaption(Message); };
  // Setting the progress lets pending messages run.
  w.SetProgress = [wait](Integer Percent) { SetWaitProgress(wait, Percent); };
  w.Normal = [wait] { wait->SetFormStyle(fsNormal); };
  w.Pump = [] { Application->ProcessMessages(); };
  return w;
}

namespace {

String UnreadListText(const String& FileName, int ErrorCode) {
  return u"Список ресурсов не прочитан: " + ReadFailureCause(ErrorCode) +
         u". Пока он не прочитан, файл не будет перезаписан. Файл: " + FileName;
}

String SaveOverUnreadListText(const String& FileName) {
  return u"Список ресурсов не сохранён: файл списка не был прочитан, и сохранение заменило бы его. Сначала "
         u"загрузите список кнопкой \"Загрузить\". Файл: " +
         FileName;
}

}  // namespace

Integer TDlg_ListDB::LoadResourceList() {
  const String file = ResourceListFileName(SettingsFolder);
  // A list cut inside a character is read up to the cut, and the user told.
  if (const String cut = ResourceListCutShortText(file); !cut.empty()) ShowMessageOk(u"Чтение файла", u"Ошибка", cut);
  // The loaded list opens as a tree.
  if (!MemTableEh_Tree->GetTreeList()->GetActive()) LeaveListFilter();
  Integer count = 0;
  try {
    count = FTable->LoadResourceList(SettingsFolder, WaitWindowNotes());
  } catch (const EStreamError& E) {
    // The table stays closed and the file unread, kept from every save; the
    // wait window goes first, as it stays above every other window.
    if (Form_Wait_Load) HideWaitWindow(Form_Wait_Load);
    ShowMessageOk(u"Чтение файла", u"Ошибка", UnreadListText(file, E.ErrorCode()));
  }
  ClearSortMarkers();  // the table is in its own order again
  Label_YesModify->SetVisible(false);
  return count;
}

bool TDlg_ListDB::SaveResourceList() {
  if (!FTable->SaveResourceList(SettingsFolder, WaitWindowNotes())) return false;
  Label_YesModify->SetVisible(false);
  return true;
}

namespace {

// The wait window goes when the load or save ends, even by an exception.
struct TWaitWindowHider {
  TForm_Wait_Load* Window;
  ~TWaitWindowHider() {
    if (Window) HideWaitWindow(Window);
  }
};

}  // namespace

bool TDlg_ListDB::RunLoadOrSave(const std::function<void()>& Work) {
  // A second load started by a click the pump delivers would clear the table
  // under the first one, which then adds its records to the second one's.
  if (FLoadingOrSaving) return false;
  const TTemporaryChange busy(FLoadingOrSaving, true);
  // A click or key made while the wait window showed is dropped, however late
  // the program gets to it: the work does not let messages run in its last
  // steps, and the windows must not take such input once they are enabled.
  const TOtherWindowsDisabled others(Form_Wait_Load ? Form_Wait_Load->GetHandle() : nullptr, TInputMeanwhile::Dropped);
  // The wait window goes first, even by an exception.
  const TWaitWindowHider hider{Form_Wait_Load};
  // From the first pump on: a double click's second click arrives there.
  Application->ProcessMessages();
  Work();
  return true;
}

void TDlg_ListDB::SB_LoadClick(TObject*) {
  RunLoadOrSave([this] { LoadResourceList(); });
}

void TDlg_ListDB::SB_SaveClick(TObject*) {
  if (FTable->IsFileUnread()) {
    ShowMessageOk(u"Сохранение списка Z39.50-ресурсов", u"Ошибка",
                  SaveOverUnreadListText(ResourceListFileName(SettingsFolder)));
    return;
  }
  bool saved = true;
  RunLoadOrSave([&] { saved = SaveResourceList(); });
  if (!saved) ShowMessageOk(u"Сохранение списка Z39.50-ресурсов", u"Ошибка", u"Данные не сохранены...");
}

void TDlg_ListDB::ServerWaitChanged(bool Waiting) {
  SB_Test->SetEnabled(!Waiting);
  SB_Load->SetEnabled(!Waiting);
  EnableEditing(!Waiting && FMode == 0);
}

void TDlg_ListDB::SB_TestClick(TObject*) {
  // Not while a search waits: the server object is the waiting search's.
  if (!Form_Main || Form_Main->IsServerWaitedFor()) return;
  Application->ProcessMessages();
  if (!MemTableEh_Tree->GetActive() || MemTableEh_Tree->IsEmpty()) return;
  const Integer id = MemTableEh_Tree->FieldByName(u"ID_THIS")->GetAsInteger();
  if (id <= 0 || MemTableEh_Tree->FieldByName(u"ID_TYPE")->GetAsInteger() <= 0) return;
  TStringList params;
  if (!ResourceToConnectionParams(id, &params, false)) {
    ShowMessageOk(u"Z39.50 тест", u"Ошибка", u"Некорректная информация для подключения. Проверьте!");
    return;
  }
  params.SetValue(TConnectionParams::WhatSearch, u"Zembrin");
  params.SetValue(TConnectionParams::RecLimit, u"1");
  params.SetValue(TConnectionParams::WhereSearch, u"4");
  // A server that does not answer keeps the test up to its time limit: the
  // wait window says that work is going on.
  bool answered = false;
  {
    const TWaitWindowHider hider{Form_Wait_Load};
    if (Form_Wait_Load) {
      ShowWaitWindow(Form_Wait_Load);
      Form_Wait_Load->Label_MSG_2->SetCaption(u"Тест: ждем ответа сервера");
    }
    answered = Form_Main->SearchOneResource(&params, -1, true);
  }
  // Finished only when the server answered; a failure says the server's reason.
  if (answered) ShowMessageOk(u"Z39.50 тест", String(), u"Тест закончен");
  else if (const String& error = Form_Main->GetSearchRun().GetSearchError(); !error.empty())
    ShowMessageOk(u"Z39.50 тест", u"Ошибка", error);
}

// ---- Editor and chooser modes -----------------------------------------------------------------

void TDlg_ListDB::LeaveListFilter() {
  // Kept in the tree, the list's filter would hide every group with no
  // resource below it (groups whose parents make a cycle among themselves,
  // new and emptied groups), with nothing in the filter row to tell why. A
  // filter the filter row has set since stays.
  if (MemTableEh_Tree->GetFilter() == ListFilter) MemTableEh_Tree->SetFilter(FTreeFilter);
}

void TDlg_ListDB::EnableEditing(bool Value) {
  for (TSpeedButton* b : {SB_N_Edit, SB_N_Add, SB_N_Add_0, SB_N_Del, SB_Save}) b->SetEnabled(Value);
}

bool TDlg_ListDB::EditResourceList() {
  Screen->SetCursor(crHourGlass);
  FMode = 0;
  gb_ListDB_Sel->SetVisible(false);
  Splitter_ListDB_Sel->SetVisible(false);
  FChosen->Clear();
  EnableEditing(true);
  MemTableEh_Tree->Open();
  MemTableEh_Tree->SetFiltered(true);
  MemTableEh_Buf->Open();
  if (!MemTableEh_Tree->GetTreeList()->GetActive()) LeaveListFilter();
  FTable->SwitchTreeOn();
  Screen->SetCursor(crDefault);
  const bool ok = ShowModal() == mrOk;
  // The table's own state, not the label: the chooser hides the label, and a
  // change kept by Cancel is still in the table.
  if (ok && FTable->HasUnsavedChanges()) SB_SaveClick(SB_Save);
  MemTableEh_Tree->SetFiltered(false);
  Screen->SetCursor(crDefault);
  return ok;
}

bool TDlg_ListDB::ChooseResources(TStrings* Ids) {
  if (!Ids) return false;
  Screen->SetCursor(crHourGlass);
  Label_YesModify->SetVisible(false);
  FMode = 1;
  gb_ListDB_Sel->SetVisible(true);
  Splitter_ListDB_Sel->SetVisible(true);
  // Docked left and right again, it lands against the panel's left edge.
  Splitter_ListDB_Sel->SetAlign(alLeft);
  Application->ProcessMessages();
  Splitter_ListDB_Sel->SetAlign(alRight);
  FChosen->Clear();
  EnableEditing(false);
  MemTableEh_Tree->Close();
  MemTableEh_Tree->SetReadOnly(true);
  MemTableEh_Tree->Open();
  MemTableEh_Buf->Open();
  if (!MemTableEh_Tree->GetTreeList()->GetActive()) LeaveListFilter();
  FTable->SwitchTreeOn();
  MemTableEh_Tree->SetFiltered(true);
  lb_ListDB_ID->GetItems()->Assign(Ids);
  FChosen->BuildSearchList();
  Screen->SetCursor(crDefault);
  bool ok = false;
  struct TFilterOff {
    TDlg_ListDB* W;
    ~TFilterOff() {
      W->MemTableEh_Tree->SetFiltered(false);
      Screen->SetCursor(crDefault);
    }
  } filterOff{this};
  if (ShowModal() == mrOk) {
    Ids->Clear();
    for (Integer i = 0; i < clb_ListDB_Names->GetCount() && i < lb_ListDB_ID->GetCount(); ++i)
      if (clb_ListDB_Names->GetChecked(i)) Ids->Add(lb_ListDB_ID->GetItems()->Get(i));
    ok = true;
  }
  return ok;
}

void TDlg_ListDB::ChooseCurrentResource() {
  if (!MemTableEh_Tree->GetActive() || MemTableEh_Tree->IsEmpty()) return;
  const Integer id = MemTableEh_Tree->FieldByName(u"ID_THIS")->GetAsInteger();
  if (id <= 0) return;
  if (MemTableEh_Tree->FieldByName(u"ID_TYPE")->GetAsInteger() < 1) {
    ShowMessageOk(u"Выбор Z39.50-ресурса для поиска", u"Ошибка", u"Это НЕ ресурс!");
    return;
  }
  TStrings* ids = lb_ListDB_ID->GetItems();
  Integer at = ids->IndexOf(IntToStr(id));
  if (at < 0) {
    ids->Add(IntToStr(id));
    clb_ListDB_Names->GetItems()->Add(ResourceCaption(MemTableEh_Tree->FieldByName(u"NAME_THIS")->GetAsString(),
                                                      MemTableEh_Tree->FieldByName(u"Syntax")->GetAsString()));
    at = ids->GetCount() - 1;
  }
  FChosen->Select(at);
  clb_ListDB_Names->SetChecked(at, true);
}

void TDlg_ListDB::SB_N_FirstClick(TObject*) {
  if (MemTableEh_Tree->GetActive()) MemTableEh_Tree->First();
}
void TDlg_ListDB::SB_N_PriorClick(TObject*) {
  if (MemTableEh_Tree->GetActive()) MemTableEh_Tree->Prior();
}
void TDlg_ListDB::SB_N_NextClick(TObject*) {
  if (MemTableEh_Tree->GetActive()) MemTableEh_Tree->Next();
}
void TDlg_ListDB::SB_N_LastClick(TObject*) {
  if (MemTableEh_Tree->GetActive()) MemTableEh_Tree->Last();
}

Integer TDlg_ListDB::CurrentId() {
  if (!MemTableEh_Tree->GetActive() || MemTableEh_Tree->IsEmpty()) return 0;
  return MemTableEh_Tree->FieldByName(u"ID_THIS")->GetAsInteger();
}

namespace {

// A text for the memory record: an emptied value is stored as Null.
Variant TextValue(const String& Text) { return Text.empty() ? Null() : Variant(Text); }

// The value of Name in a Name=Value list, matched without regard to case;
// Found tells an absent name from an empty value.
String ReturnedValue(const TStrings& Values, const String& Name, bool* Found = nullptr) {
  const Integer i = Values.IndexOfName(Name);
  if (Found) *Found = i >= 0;
  return i >= 0 ? Values.GetValueFromIndex(i) : String();
}

}  // namespace

void TDlg_ListDB::SB_N_EditClick(TObject*) {
  if (FMode == 1) {
    ChooseCurrentResource();
    return;
  }
  // The grid's double click comes here too: no resource editor over a wait.
  if (Form_Main && Form_Main->IsServerWaitedFor()) return;
  const Integer id = CurrentId();
  if (id <= 0) return;
  TMemoryRecordEh* rec = MemTableEh_Tree->GetCurrentRecord();
  if (!rec) return;
  TStringList values;
  for (const Char* name : {u"ID_THIS", u"ID_PARENT", u"ID_TYPE", u"NPP", u"PORT"})
    values.Add(String(name) + u"=" + IntToStr(RecordInteger(rec, name)));
  for (const Char* name : {u"NAME_THIS", u"ItsActual", u"ItsUse", u"Database", u"URL", u"Syntax", u"Encoding",
                           u"Username", u"PSW", u"Note"})
    values.Add(String(name) + u"=" + Trim(RecordText(rec, name)));
  if (!Dlg_EditDB || !Dlg_EditDB->EditResourceValues(&values)) return;

  // The values go straight into the memory record; a name the dialog did not
  // return (a group has no connection rows) clears its field.
  rec->Edit();
  auto text = [&](const Char* Field, const Char* Returned) {
    rec->SetDataValues(Field, rvvValueEh, TextValue(ReturnedValue(values, Returned)));
  };
  auto number = [&](const Char* Field, const Char* Returned, Integer Default) {
    bool found = false;
    const String v = ReturnedValue(values, Returned, &found);
    rec->SetDataValues(Field, rvvValueEh, found ? Variant(StrToIntDefTrim(v, Default)) : Null());
  };
  for (const Char* f :
       {u"NAME_THIS", u"ItsActual", u"ItsUse", u"Database", u"URL", u"Syntax", u"Encoding", u"PSW", u"Note"})
    text(f, f);
  text(u"Username", u"UserName");
  number(u"ID_TYPE", u"ID_TYPE", 1);
  number(u"NPP", u"NPP", 1);
  number(u"PORT", u"Port", 0);
  rec->Post();
  MemTableEh_Tree->Resync({});
  DBGridEh_TreeDB->Invalidate();
  FTable->MarkChanged();
  Label_YesModify->SetVisible(true);
}

void TDlg_ListDB::SB_N_AddClick(TObject*) {
  if (!MemTableEh_Tree->GetActive()) return;
  const Integer parent = CurrentId();
  if (parent < 1) {
    ShowMessageOk(u"Новая строка", u"Ошибка", u"Не выбрана группа !");
    return;
  }
  AddRecord(parent);
}

void TDlg_ListDB::SB_N_Add_0Click(TObject*) {
  if (MemTableEh_Tree->GetActive()) AddRecord(0);
}

void TDlg_ListDB::AddRecord(Integer ParentId) {
  const Integer id = MaxResourceId() + 1;
  const Integer npp = MaxNpp(ParentId) + 1;
  TStringList values;
  values.Add(u"ID_THIS=" + IntToStr(id));
  values.Add(u"ID_PARENT=" + IntToStr(ParentId));
  values.Add(u"ID_TYPE=0");
  values.Add(u"NPP=" + IntToStr(npp));
  values.Add(u"NAME_THIS=???");
  values.Add(u"ItsActual=+");
  values.Add(u"ItsUse=+");
  values.Add(u"Database=???");
  values.Add(u"URL=???");
  values.Add(u"PORT=210");
  values.Add(u"Syntax=rusmarc");
  values.Add(u"Encoding=windows-1251");
  if (!Dlg_EditDB || !Dlg_EditDB->EditResourceValues(&values)) return;

  MemTableEh_Tree->SetReadOnly(false);
  struct TReadOnlyAgain {
    TMemTableEh* T;
    ~TReadOnlyAgain() { T->SetReadOnly(true); }
  } readOnlyAgain{MemTableEh_Tree};
  TMemoryRecordEh* rec = MemTableEh_Tree->GetRecordsView()->NewRecord();
  rec->Edit();
  auto set = [&](const Char* Field, Variant Value) { rec->SetDataValues(Field, rvvValueEh, Value); };
  auto text = [&](const Char* Field, const Char* Default) {
    set(Field, Variant(TrimOrDefault(ReturnedValue(values, Field), Default)));
  };
  set(u"ID_THIS", Variant(id));
  set(u"ID_PARENT", Variant(ParentId));
  text(u"NAME_THIS", u"???");
  set(u"ID_TYPE", Variant(StrToIntDefTrim(ReturnedValue(values, u"ID_TYPE"), 1)));
  set(u"NPP", Variant(StrToIntDefTrim(ReturnedValue(values, u"NPP"), 1)));
  text(u"ItsActual", u" ");
  text(u"ItsUse", u" ");
  text(u"Database", u"???");
  text(u"URL", u"???");
  set(u"PORT", Variant(StrToIntDefTrim(ReturnedValue(values, u"PORT"), 0)));
  text(u"Syntax", u"???");
  text(u"Encoding", u"???");
  text(u"Username", u" ");
  text(u"PSW", u" ");
  text(u"Note", u" ");
  rec->Post();
  FTable->MarkChanged();
  Label_YesModify->SetVisible(true);
  MemTableEh_Tree->Locate(u"ID_THIS", Variant(id), {});
}

void TDlg_ListDB::SB_N_DelClick(TObject*) {
  const Integer id = CurrentId();
  if (id <= 0) return;
  if (!ShowMessageOkCancel(u"База данных Z39.50-ресурсов", u"УДАЛЕНИЕ строки",
                           u"Желаете удалить эту строку и все, что с ней связано ?"))
    return;
  // The question promised everything connected with the row: what hangs below
  // it goes too, rather than stay in the list, unseen, under a parent that is gone.
  FTable->DeleteCurrentSubtree();
  Label_YesModify->SetVisible(true);
}

void TDlg_ListDB::SB_TreeOrListClick(TObject*) {
  Application->ProcessMessages();
  // A refusal is told once the other view shows what the filter cells read.
  const std::exception_ptr refused = TakeOpenFilterCell();
  Screen->SetCursor(crHourGlass);
  const Integer id = CurrentId();
  MemTableEh_Tree->SetFiltered(true);
  TMemTableTreeListEh* tree = MemTableEh_Tree->GetTreeList();
  if (tree->GetActive()) FTreeFilter = MemTableEh_Tree->GetFilter();
  else LeaveListFilter();
  tree->SetActive(!tree->GetActive());
  if (!tree->GetActive()) {
    MemTableEh_Tree->SetFilter(ListFilter);
    // A condition left in the filter row stays in force: the list shows what
    // its cells read, as it would had they been typed in the list.
    if (FilterRowHoldsCondition()) DBGridEh_TreeDB->ApplyFilterRow();
    MemTableEh_Tree->SetSortOrder(ListSortOrder);
  } else {
    MemTableEh_Tree->SetSortOrder(TreeSortOrder);
  }
  ClearSortMarkers();
  MemTableEh_Tree->Locate(u"ID_THIS", Variant(id), {});
  Screen->SetCursor(crDefault);
  if (refused) std::rethrow_exception(refused);
}

std::exception_ptr TDlg_ListDB::TakeOpenFilterCell() {
  TDBGridEh* g = DBGridEh_TreeDB;
  TInplaceFilterEditEh* editor = g->GetFilterEditor();
  const Integer col = g->GetFilterRowColumn();
  if (!editor || !editor->GetVisible() || col < 0 || col >= g->GetColumns()->GetCount()) return nullptr;
  TSTColumnFilterEh* filter = g->GetColumns()->Items(col)->GetSTFilter();
  if (editor->GetText() == filter->GetExpressionStr()) return nullptr;
  try {
    g->ApplyFilterRow();
  } catch (...) {
    // Left in the cell, the refused text would read as a condition no row obeys.
    filter->SetExpressionStrAndRefresh(filter->GetExpressionStr());
    return std::current_exception();
  }
  return nullptr;
}

bool TDlg_ListDB::FilterRowHoldsCondition() const {
  TDBGridColumnsEh* columns = DBGridEh_TreeDB->GetColumns();
  for (Integer i = 0; i < columns->GetCount(); ++i)
    if (!Trim(columns->Items(i)->GetSTFilter()->GetExpressionStr()).empty()) return true;
  return false;
}

void TDlg_ListDB::DBGridEh_TreeDBSortMarkingChanged(TObject*) {
  if (!MemTableEh_Tree->GetActive()) return;
  // The shown records take the marked order (the siblings of each group, in
  // the tree), or the view's own when no title is marked; the current record
  // stays current wherever it lands.
  TMemoryRecordEh* current = MemTableEh_Tree->GetCurrentRecord();
  String order = BuildMTEOrderTextEh(DBGridEh_TreeDB);
  if (order.empty()) order = MemTableEh_Tree->GetTreeList()->GetActive() ? TreeSortOrder : ListSortOrder;
  try {
    MemTableEh_Tree->SetSortOrder(order);
  } catch (...) {
    // The order stayed as it was: so do the markers.
    ClearSortMarkers();
    throw;
  }
  if (current) MemTableEh_Tree->GotoRecord(current);
}

void TDlg_ListDB::ClearSortMarkers() {
  TDBGridColumnsEh* columns = DBGridEh_TreeDB->GetColumns();
  for (Integer i = 0; i < columns->GetCount(); ++i) columns->Items(i)->GetTitle()->SetSortMarker(smNoneEh);
}

void TDlg_ListDB::MemTableEh_TreeAfterScroll(TDataSet*) {
  if (FMode != 1 || !DBGridEh_TreeDB->Focused()) return;
  const Integer id = CurrentId();
  if (id <= 0) return;
  const Integer at = lb_ListDB_ID->GetItems()->IndexOf(IntToStr(id));
  lb_ListDB_ID->SetItemIndex(at);
  clb_ListDB_Names->SetItemIndex(at);
}

void TDlg_ListDB::DBGridEh_TreeDBDrawColumnCell(TObject*, TColumnEh* Column, TFont* AFont, TColor Background,
                                                bool Focused) {
  if (!Column || !Column->GetField() || Focused || !AFont) return;
  const String field = AnsiUpperCase(Column->GetFieldName());
  const bool unused = Trim(MemTableEh_Tree->FieldByName(u"ItsUse")->GetAsString()).empty();
  const bool resource = MemTableEh_Tree->FieldByName(u"ID_TYPE")->GetAsInteger() > 0;
  if (resource) {
    if (unused) {
      AFont->SetColor(UnusedResourceColor);
    } else if (field == u"NAME_THIS") {
      TFontStyles style = AFont->GetStyle();
      AFont->SetStyle(style.Include(fsBold));
    }
    return;
  }
  if (field == u"NAME_THIS" || field == u"NOTE" || field == u"NPP" || field == u"ITSACTUAL" || field == u"ITSUSE") {
    if (unused) AFont->SetColor(UnusedResourceColor);
    return;
  }
  // A group has no connection: its cells in those columns read as empty.
  AFont->SetColor(Background);
}

void TDlg_ListDB::clb_ListDB_NamesClick(TObject*) {
  lb_ListDB_ID->SetItemIndex(clb_ListDB_Names->GetItemIndex());
  const Integer i = clb_ListDB_Names->GetItemIndex();
  if (clb_ListDB_Names->Focused() && i >= 0 && MemTableEh_Tree->GetActive())
    MemTableEh_Tree->Locate(u"ID_THIS", Variant(FChosen->IdAt(i)), {});
}

void TDlg_ListDB::clb_ListDB_NamesDblClick(TObject*) { FChosen->DeleteSelected(); }

void TDlg_ListDB::SB_N_ClearClick(TObject*) {
  if (ShowMessageOkCancel(u"Отбор Z39.50-ресурсов для заимствования записей", u"Очистка всего списка",
                          u"Вы желаете очистить весь список ?"))
    FChosen->Clear();
}
