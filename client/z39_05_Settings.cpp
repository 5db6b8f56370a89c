#include "client/z39_05_Settings.h"

#include "client/_DirSel_SkyBlue.h"
#include "client/z39_00_func.h"
#include "platform/ui/Buttons.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/StdCtrls.h"

TDlg_Settings::TDlg_Settings(TComponent* AOwner) : TForm(AOwner) {
  CreateControls();
  DoCreate();
}

TDlg_Settings::~TDlg_Settings() {
  if (Dlg_Settings == this) Dlg_Settings = nullptr;
}

void TDlg_Settings::CreateControls() {
  SetName(u"Dlg_Settings");
  SetCaption(u"Настройки программы");
  SetBorderStyle(bsDialog);
  SetPosition(poScreenCenter);
  SetClientWidth(452);
  SetClientHeight(252);
  SetColor(SkyBlueBackColor);
  GetFont()->SetName(u"Tahoma");
  GetFont()->SetColor(SkyBlueFontColor);
  SetKeyPreview(true);

  GroupBox1 = new TGroupBox(this);
  GroupBox1->SetName(u"GroupBox1");
  GroupBox1->SetParent(this);
  GroupBox1->SetBounds(6, 4, 440, 150);
  GroupBox1->SetCaption(u"Сохранение библиографических записей: ");

  Label1 = new TLabel(this);
  Label1->SetName(u"Label1");
  Label1->SetParent(GroupBox1);
  Label1->SetBounds(8, 18, 300, 14);
  Label1->SetCaption(u" Папка, куда сохранять записи: ");

  Edit_DirForBR = new TEdit(this);
  Edit_DirForBR->SetName(u"Edit_DirForBR");
  Edit_DirForBR->SetParent(GroupBox1);
  Edit_DirForBR->SetBounds(8, 34, 396, 21);
  Edit_DirForBR->SetReadOnly(true);
  Edit_DirForBR->SetColor(clWhite);

  SpeedButton1 = new TSpeedButton(this);
  SpeedButton1->SetName(u"SpeedButton1");
  SpeedButton1->SetParent(GroupBox1);
  SpeedButton1->SetBounds(408, 34, 24, 21);
  SpeedButton1->SetCaption(u"...");
  SpeedButton1->SetHint(u"Выбрать папку (каталог)");
  SpeedButton1->SetShowHint(true);
  SpeedButton1->OnClick = [this](TObject* Sender) { SpeedButton1Click(Sender); };

  rg_BR_SaveMode = new TRadioGroup(this);
  rg_BR_SaveMode->SetName(u"rg_BR_SaveMode");
  rg_BR_SaveMode->SetParent(GroupBox1);
  rg_BR_SaveMode->SetBounds(8, 62, 424, 80);
  rg_BR_SaveMode->SetCaption(u"Вариант сохранения записей: ");
  rg_BR_SaveMode->GetItems()->Add(u"Для каждого Z39.50-ресурса - отдельный файл");
  rg_BR_SaveMode->GetItems()->Add(u"Для каждого формата - отдельный файл");
  rg_BR_SaveMode->SetItemIndex(0);

  GroupBox2 = new TGroupBox(this);
  GroupBox2->SetName(u"GroupBox2");
  GroupBox2->SetParent(this);
  GroupBox2->SetBounds(6, 160, 440, 52);
  GroupBox2->SetCaption(u"Цветовая гамма : ");

  Label2 = new TLabel(this);
  Label2->SetName(u"Label2");
  Label2->SetParent(GroupBox2);
  Label2->SetBounds(8, 24, 70, 14);
  Label2->SetCaption(u" Вариант:   ");

  cb_ShemeColor = new TComboBox(this);
  cb_ShemeColor->SetName(u"cb_ShemeColor");
  cb_ShemeColor->SetParent(GroupBox2);
  cb_ShemeColor->SetBounds(80, 20, 200, 21);
  cb_ShemeColor->SetStyle(csDropDownList);
  cb_ShemeColor->SetColor(clWhite);
  cb_ShemeColor->GetItems()->Add(u"Небесно-голубая");
  cb_ShemeColor->GetItems()->Add(u"Пустыня");
  cb_ShemeColor->SetItemIndex(0);
  cb_ShemeColor->OnChange = [this](TObject* Sender) { cb_ShemeColorChange(Sender); };

  SpeedButton2 = new TSpeedButton(this);
  SpeedButton2->SetName(u"SpeedButton2");
  SpeedButton2->SetParent(this);
  SpeedButton2->SetBounds(6, 222, 120, 24);
  SpeedButton2->SetCaption(u"По умолчанию");
  SpeedButton2->SetHint(u"Установить настройки по умолчанию...");
  SpeedButton2->SetShowHint(true);
  SpeedButton2->OnClick = [this](TObject* Sender) { SpeedButton2Click(Sender); };

  SB_OK = new TSpeedButton(this);
  SB_OK->SetName(u"SB_OK");
  SB_OK->SetParent(this);
  SB_OK->SetBounds(370, 222, 76, 24);
  SB_OK->SetCaption(u"OK");
  SB_OK->GetFont()->SetStyle({fsBold});
  SB_OK->OnClick = [this](TObject* Sender) { SB_OKClick(Sender); };

  SB_Cancel = new TSpeedButton(this);
  SB_Cancel->SetName(u"SB_Cancel");
  SB_Cancel->SetParent(this);
  SB_Cancel->SetBounds(288, 222, 76, 24);
  SB_Cancel->SetCaption(u"Cancel");
  SB_Cancel->SetVisible(false);
  SB_Cancel->OnClick = [this](TObject* Sender) { SB_CancelClick(Sender); };

  OnKeyDown = [this](TObject* Sender, Word& Key, TShiftState Shift) { FormKeyDown(Sender, Key, Shift); };
}

void TDlg_Settings::cb_ShemeColorChange(TObject*) {
  SchemeIndex = cb_ShemeColor->GetItemIndex();
  ApplySchemeToForm(this);
}

void TDlg_Settings::SpeedButton1Click(TObject*) {
  String folder;
  SelectFolder(String(), String(), Edit_DirForBR->GetText(), SchemeFontColor(SchemeIndex),
               SchemeBackColor(SchemeIndex), folder);
  if (!folder.empty()) Edit_DirForBR->SetText(folder);
}

void TDlg_Settings::SpeedButton2Click(TObject*) {
  Edit_DirForBR->SetText(AppFolder + u"Import/");
  rg_BR_SaveMode->SetItemIndex(0);
  cb_ShemeColor->SetItemIndex(0);
  SchemeIndex = cb_ShemeColor->GetItemIndex();
  ApplySchemeToForm(this);
}

void TDlg_Settings::SB_OKClick(TObject*) { SetModalResult(mrOk); }
void TDlg_Settings::SB_CancelClick(TObject*) { SetModalResult(mrCancel); }

void TDlg_Settings::FormKeyDown(TObject*, Word& Key, TShiftState) {
  if (Key == VK_RETURN) {
    Key = 0;
    SB_OKClick(SB_OK);
  } else if (Key == VK_ESCAPE) {
    Key = 0;
    SB_CancelClick(SB_Cancel);
  }
}

bool ShowSettings(TDlg_Settings* Dialog) { return Dialog->ShowModal() == mrOk; }
