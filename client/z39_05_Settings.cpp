#include "client/z39_05_Settings.h"

#include "client/_DirSel_SkyBlue.h"
#include "client/__forms.h"
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
  SetUpDialogFrame(this, u"Dlg_Settings", 452, 252);
  SetCaption(u"Настройки программы");
  SetSkyBlueColors(this);
  SetKeyPreview(true);

  GroupBox1 = NewControl<TGroupBox>(this, this, u"GroupBox1", Bounds(6, 4, 440, 150));
  GroupBox1->SetCaption(u"Сохранение библиографических записей: ");

  Label1 = NewControl<TLabel>(this, GroupBox1, u"Label1", Bounds(8, 18, 300, 14));
  Label1->SetCaption(u" Папка, куда сохранять записи: ");

  Edit_DirForBR = NewControl<TEdit>(this, GroupBox1, u"Edit_DirForBR", Bounds(8, 34, 396, 21));
  Edit_DirForBR->SetReadOnly(true);
  Edit_DirForBR->SetColor(clWhite);

  SpeedButton1 =
      NewSpeedButton(this, GroupBox1, u"SpeedButton1", u"...", u"Выбрать папку (каталог)", Bounds(408, 34, 24, 21));
  SpeedButton1->OnClick = [this](TObject* Sender) { SpeedButton1Click(Sender); };

  rg_BR_SaveMode = NewControl<TRadioGroup>(this, GroupBox1, u"rg_BR_SaveMode", Bounds(8, 62, 424, 80));
  rg_BR_SaveMode->SetCaption(u"Вариант сохранения записей: ");
  rg_BR_SaveMode->GetItems()->Add(u"Для каждого Z39.50-ресурса - отдельный файл");
  rg_BR_SaveMode->GetItems()->Add(u"Для каждого формата - отдельный файл");
  rg_BR_SaveMode->SetItemIndex(0);

  GroupBox2 = NewControl<TGroupBox>(this, this, u"GroupBox2", Bounds(6, 160, 440, 52));
  GroupBox2->SetCaption(u"Цветовая гамма : ");

  Label2 = NewControl<TLabel>(this, GroupBox2, u"Label2", Bounds(8, 24, 70, 14));
  Label2->SetCaption(u" Вариант:   ");

  cb_ShemeColor = NewControl<TComboBox>(this, GroupBox2, u"cb_ShemeColor", Bounds(80, 20, 200, 21));
  cb_ShemeColor->SetStyle(csDropDownList);
  cb_ShemeColor->SetColor(clWhite);
  cb_ShemeColor->GetItems()->Add(u"Небесно-голубая");
  cb_ShemeColor->GetItems()->Add(u"Пустыня");
  cb_ShemeColor->SetItemIndex(0);
  cb_ShemeColor->OnChange = [this](TObject* Sender) { cb_ShemeColorChange(Sender); };

  SpeedButton2 = NewSpeedButton(this, this, u"SpeedButton2", u"По умолчанию", u"Установить настройки по умолчанию...",
                                Bounds(6, 222, 120, 24));
  SpeedButton2->OnClick = [this](TObject* Sender) { SpeedButton2Click(Sender); };

  SB_OK = NewOkButton(this, this, Bounds(370, 222, 76, 24), [this](TObject* Sender) { SB_OKClick(Sender); });
  SB_Cancel =
      NewCancelButton(this, this, Bounds(288, 222, 76, 24), [this](TObject* Sender) { SB_CancelClick(Sender); });
  SB_Cancel->SetVisible(false);

  OnKeyDown = [this](TObject* Sender, Word& Key, TShiftState Shift) { FormKeyDown(Sender, Key, Shift); };
}

void TDlg_Settings::cb_ShemeColorChange(TObject*) {
  SchemeIndex = cb_ShemeColor->GetItemIndex();
  ApplySchemeToForm(this);
}

void TDlg_Settings::SpeedButton1Click(TObject*) {
  String folder;
  SelectFolder(String(), String(), Edit_DirForBR->GetText(), SchemeFontColor(SchemeIndex), SchemeBackColor(SchemeIndex),
               folder);
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
  DialogKeyDown(
      Key, [this] { SB_OKClick(SB_OK); }, [this] { SB_CancelClick(SB_Cancel); });
}

bool ShowSettings(TDlg_Settings* Dialog) { return Dialog->ShowModal() == mrOk; }
