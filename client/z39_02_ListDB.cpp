#include "client/z39_02_ListDB.h"

#include "client/z39_00_func.h"
#include "client/z39_08_Wait.h"
#include "platform/ui/Buttons.h"
#include "platform/ui/CheckLst.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/StdCtrls.h"

TDlg_ListDB::TDlg_ListDB(TComponent* AOwner) : TForm(AOwner) {
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
  SetColor(SkyBlueBackColor);
  GetFont()->SetName(u"Tahoma");
  GetFont()->SetColor(SkyBlueFontColor);
  SetKeyPreview(true);

  Panel_Top = new TPanel(this);
  Panel_Top->SetName(u"Panel_Top");
  Panel_Top->SetParent(this);
  Panel_Top->SetAlign(alTop);
  Panel_Top->SetHeight(32);
  Panel_Top->SetCaption(String());

  Integer left = 4;
  auto addButton = [this, &left](TSpeedButton*& Button, const Char* Name, const String& Caption,
                                 const String& Hint, Integer Width) {
    Button = new TSpeedButton(this);
    Button->SetName(Name);
    Button->SetParent(Panel_Top);
    Button->SetBounds(left, 4, Width, 24);
    Button->SetCaption(Caption);
    Button->SetHint(Hint);
    Button->SetShowHint(true);
    left += Width + 2;
  };
  addButton(SB_N_First, u"SB_N_First", u"|<", u"В начало", 26);
  addButton(SB_N_Prior, u"SB_N_Prior", u"<", u"Предыдущий", 26);
  addButton(SB_N_Next, u"SB_N_Next", u">", u"Следующий", 26);
  addButton(SB_N_Last, u"SB_N_Last", u">|", u"В конец", 26);
  left += 8;
  addButton(SB_N_Edit, u"SB_N_Edit", u"Изменить", u"Редактировать строку", 70);
  addButton(SB_N_Add, u"SB_N_Add", u"Добавить", u"Добавить строку", 70);
  addButton(SB_N_Add_0, u"SB_N_Add_0", u"Группа", u"Добавить группу верхнего уровня", 60);
  addButton(SB_N_Del, u"SB_N_Del", u"Удалить", u"Удалить строку", 64);
  left += 8;
  addButton(SB_TreeOrList, u"SB_TreeOrList", u"Дерево", u"Дерево или список", 60);
  addButton(SB_Test, u"SB_Test", u"Тест", u"Проверить подключение к Z39.50-ресурсу", 50);
  left += 8;
  addButton(SB_Load, u"SB_Load", u"Загрузить", u"Загрузить список ресурсов", 74);
  addButton(SB_Save, u"SB_Save", u"Сохранить", u"Сохранить список ресурсов", 74);

  Label_YesModify = new TLabel(this);
  Label_YesModify->SetName(u"Label_YesModify");
  Label_YesModify->SetParent(Panel_Top);
  Label_YesModify->SetBounds(left + 8, 8, 120, 16);
  Label_YesModify->SetCaption(u"  Данные изменены !  ");
  Label_YesModify->SetColor(clRed);
  Label_YesModify->GetFont()->SetColor(clYellow);
  Label_YesModify->GetFont()->SetStyle({fsBold});
  Label_YesModify->SetTransparent(false);
  Label_YesModify->SetVisible(false);

  Panel_Bottom = new TPanel(this);
  Panel_Bottom->SetName(u"Panel_Bottom");
  Panel_Bottom->SetParent(this);
  Panel_Bottom->SetAlign(alBottom);
  Panel_Bottom->SetHeight(34);
  Panel_Bottom->SetCaption(String());

  SB_OK = new TSpeedButton(this);
  SB_OK->SetName(u"SB_OK");
  SB_OK->SetParent(Panel_Bottom);
  SB_OK->SetBounds(636, 5, 76, 24);
  SB_OK->SetAnchors({akTop, akRight});
  SB_OK->SetCaption(u"OK");
  SB_OK->GetFont()->SetStyle({fsBold});
  SB_OK->OnClick = [this](TObject* Sender) { SB_OKClick(Sender); };

  SB_Cancel = new TSpeedButton(this);
  SB_Cancel->SetName(u"SB_Cancel");
  SB_Cancel->SetParent(Panel_Bottom);
  SB_Cancel->SetBounds(718, 5, 76, 24);
  SB_Cancel->SetAnchors({akTop, akRight});
  SB_Cancel->SetCaption(u"Cancel");
  SB_Cancel->OnClick = [this](TObject* Sender) { SB_CancelClick(Sender); };

  gb_ListDB_Sel = new TGroupBox(this);
  gb_ListDB_Sel->SetName(u"gb_ListDB_Sel");
  gb_ListDB_Sel->SetParent(this);
  gb_ListDB_Sel->SetAlign(alRight);
  gb_ListDB_Sel->SetWidth(240);
  gb_ListDB_Sel->SetCaption(u"Отобранные для поиска: ");
  gb_ListDB_Sel->SetVisible(false);

  clb_ListDB_Names = new TCheckListBox(this);
  clb_ListDB_Names->SetName(u"clb_ListDB_Names");
  clb_ListDB_Names->SetParent(gb_ListDB_Sel);
  clb_ListDB_Names->SetBounds(8, 18, 224, 390);
  clb_ListDB_Names->SetColor(clWhite);

  lb_ListDB_ID = new TListBox(this);
  lb_ListDB_ID->SetName(u"lb_ListDB_ID");
  lb_ListDB_ID->SetParent(gb_ListDB_Sel);
  lb_ListDB_ID->SetBounds(8, 18, 40, 40);
  lb_ListDB_ID->SetVisible(false);

  SpeedButton1 = new TSpeedButton(this);
  SpeedButton1->SetName(u"SpeedButton1");
  SpeedButton1->SetParent(gb_ListDB_Sel);
  SpeedButton1->SetBounds(8, 414, 108, 24);
  SpeedButton1->SetCaption(u"Удалить строку");

  SB_N_Clear = new TSpeedButton(this);
  SB_N_Clear->SetName(u"SB_N_Clear");
  SB_N_Clear->SetParent(gb_ListDB_Sel);
  SB_N_Clear->SetBounds(124, 414, 108, 24);
  SB_N_Clear->SetCaption(u"Очистить ВСЕ");

  OnKeyDown = [this](TObject* Sender, Word& Key, TShiftState Shift) { FormKeyDown(Sender, Key, Shift); };
}

void TDlg_ListDB::SB_OKClick(TObject*) { SetModalResult(mrOk); }
void TDlg_ListDB::SB_CancelClick(TObject*) { SetModalResult(mrCancel); }

void TDlg_ListDB::FormKeyDown(TObject*, Word& Key, TShiftState Shift) {
  if (Key == VK_RETURN && Shift.Contains(ssAlt)) {
    Key = 0;
    SB_OKClick(SB_OK);
  } else if (Key == VK_ESCAPE) {
    Key = 0;
    SB_CancelClick(SB_Cancel);
  }
}

Integer TDlg_ListDB::LoadResourceList() {
  const TCursor oldCursor = Screen->GetCursor();
  Screen->SetCursor(crHourGlass);
  TForm_Wait_Load* wait = Form_Wait_Load;
  if (wait) {
    ShowWaitWindow(wait);
    wait->SetWidth(220);
    wait->SetCaption(u"Загрузка ресурсов Z39.50");
    wait->Label_MSG_2->SetCaption(u"Идет подготовка к работе");
    SetWaitProgress(wait, 0);
  }
  try {
    FRecords = LoadResourceListFile(ResourceListFileName(SettingsFolder), [wait](Integer Percent) {
      if (wait) SetWaitProgress(wait, Percent);
    });
  } catch (...) {
    Screen->SetCursor(oldCursor);
    throw;
  }
  Label_YesModify->SetVisible(false);
  if (wait) HideWaitWindow(wait);
  Screen->SetCursor(oldCursor);
  return Integer(FRecords.size());
}

const TResourceRecord* TDlg_ListDB::FindResource(Integer Id) const {
  for (const TResourceRecord& r : FRecords)
    if (r.ID_THIS == Id) return &r;
  return nullptr;
}
