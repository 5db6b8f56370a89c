#include "client/z39_03_EditDB.h"

#include "client/z39_00_func.h"
#include "platform/ui/Buttons.h"
#include "platform/ui/StdCtrls.h"
#include "platform/ui/ValEdit.h"

TDlg_EditDB::TDlg_EditDB(TComponent* AOwner) : TForm(AOwner) {
  CreateControls();
  DoCreate();
}

TDlg_EditDB::~TDlg_EditDB() {
  if (Dlg_EditDB == this) Dlg_EditDB = nullptr;
}

void TDlg_EditDB::CreateControls() {
  SetName(u"Dlg_EditDB");
  SetCaption(u"Редактировать информацию");
  SetBorderStyle(bsDialog);
  SetPosition(poScreenCenter);
  SetClientWidth(420);
  SetClientHeight(330);
  SetColor(SkyBlueBackColor);
  GetFont()->SetName(u"Tahoma");
  GetFont()->SetColor(SkyBlueFontColor);
  SetKeyPreview(true);

  Label_Type = new TLabel(this);
  Label_Type->SetName(u"Label_Type");
  Label_Type->SetParent(this);
  Label_Type->SetBounds(8, 10, 40, 14);
  Label_Type->SetCaption(u"Тип : ");

  CB_Type = new TComboBox(this);
  CB_Type->SetName(u"CB_Type");
  CB_Type->SetParent(this);
  CB_Type->SetBounds(48, 6, 130, 21);
  CB_Type->SetStyle(csDropDownList);
  CB_Type->SetColor(clWhite);
  CB_Type->GetItems()->Add(u"Группа");
  CB_Type->GetItems()->Add(u"Z39.50-ресурс ");

  Label_ID = new TLabel(this);
  Label_ID->SetName(u"Label_ID");
  Label_ID->SetParent(this);
  Label_ID->SetBounds(190, 10, 30, 14);
  Label_ID->SetCaption(u"ID=  ");

  Edit_ID = new TEdit(this);
  Edit_ID->SetName(u"Edit_ID");
  Edit_ID->SetParent(this);
  Edit_ID->SetBounds(220, 6, 60, 21);
  Edit_ID->SetReadOnly(true);

  Label_Parents = new TLabel(this);
  Label_Parents->SetName(u"Label_Parents");
  Label_Parents->SetParent(this);
  Label_Parents->SetBounds(290, 10, 56, 14);
  Label_Parents->SetCaption(u"Группа:  ");

  Edit_Parents = new TEdit(this);
  Edit_Parents->SetName(u"Edit_Parents");
  Edit_Parents->SetParent(this);
  Edit_Parents->SetBounds(346, 6, 66, 21);
  Edit_Parents->SetReadOnly(true);

  ValueListEditor1 = new TValueListEditor(this);
  ValueListEditor1->SetName(u"ValueListEditor1");
  ValueListEditor1->SetParent(this);
  ValueListEditor1->SetBounds(8, 34, 404, 256);
  ValueListEditor1->GetTitleCaptions()->Add(u"Параметр");
  ValueListEditor1->GetTitleCaptions()->Add(u"Значение");
  ValueListEditor1->SetColWidths(0, 86);
  ValueListEditor1->SetColWidths(1, 317);

  ListBox1 = new TListBox(this);
  ListBox1->SetName(u"ListBox1");
  ListBox1->SetParent(this);
  ListBox1->SetBounds(8, 34, 40, 40);
  ListBox1->SetVisible(false);

  SB_OK = new TSpeedButton(this);
  SB_OK->SetName(u"SB_OK");
  SB_OK->SetParent(this);
  SB_OK->SetBounds(254, 298, 76, 24);
  SB_OK->SetCaption(u"OK");
  SB_OK->GetFont()->SetStyle({fsBold});
  SB_OK->OnClick = [this](TObject* Sender) { SB_OKClick(Sender); };

  SB_Cancel = new TSpeedButton(this);
  SB_Cancel->SetName(u"SB_Cancel");
  SB_Cancel->SetParent(this);
  SB_Cancel->SetBounds(336, 298, 76, 24);
  SB_Cancel->SetCaption(u"Cancel");
  SB_Cancel->OnClick = [this](TObject* Sender) { SB_CancelClick(Sender); };
}

void TDlg_EditDB::SB_OKClick(TObject*) { SetModalResult(mrOk); }
void TDlg_EditDB::SB_CancelClick(TObject*) { SetModalResult(mrCancel); }
