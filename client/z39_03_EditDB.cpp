#include "client/z39_03_EditDB.h"

#include "client/__forms.h"
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
  SetUpDialogFrame(this, u"Dlg_EditDB", 420, 330);
  SetCaption(u"Редактировать информацию");
  SetSkyBlueColors(this);
  SetKeyPreview(true);

  Label_Type = NewControl<TLabel>(this, this, u"Label_Type", Bounds(8, 10, 40, 14));
  Label_Type->SetCaption(u"Тип : ");

  CB_Type = NewControl<TComboBox>(this, this, u"CB_Type", Bounds(48, 6, 130, 21));
  CB_Type->SetStyle(csDropDownList);
  CB_Type->SetColor(clWhite);
  CB_Type->GetItems()->Add(u"Группа");
  CB_Type->GetItems()->Add(u"Z39.50-ресурс ");

  Label_ID = NewControl<TLabel>(this, this, u"Label_ID", Bounds(190, 10, 30, 14));
  Label_ID->SetCaption(u"ID=  ");

  Edit_ID = NewControl<TEdit>(this, this, u"Edit_ID", Bounds(220, 6, 60, 21));
  Edit_ID->SetReadOnly(true);

  Label_Parents = NewControl<TLabel>(this, this, u"Label_Parents", Bounds(290, 10, 56, 14));
  Label_Parents->SetCaption(u"Группа:  ");

  Edit_Parents = NewControl<TEdit>(this, this, u"Edit_Parents", Bounds(346, 6, 66, 21));
  Edit_Parents->SetReadOnly(true);

  ValueListEditor1 = NewControl<TValueListEditor>(this, this, u"ValueListEditor1", Bounds(8, 34, 404, 256));
  ValueListEditor1->GetTitleCaptions()->Clear();
  ValueListEditor1->GetTitleCaptions()->Add(u"Параметр");
  ValueListEditor1->GetTitleCaptions()->Add(u"Значение");
  ValueListEditor1->SetOptions({goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine, goDrawFocusSelected,
                                goColSizing, goEditing, goThumbTracking});
  ValueListEditor1->SetColWidths(0, 86);
  ValueListEditor1->SetColWidths(1, 317);

  ListBox1 = NewControl<TListBox>(this, this, u"ListBox1", Bounds(8, 34, 40, 40));
  ListBox1->SetVisible(false);

  SB_OK = NewOkButton(this, this, Bounds(254, 298, 76, 24), [this](TObject* Sender) { SB_OKClick(Sender); });
  SB_Cancel =
      NewCancelButton(this, this, Bounds(336, 298, 76, 24), [this](TObject* Sender) { SB_CancelClick(Sender); });

  OnKeyDown = [this](TObject* Sender, Word& Key, TShiftState Shift) { FormKeyDown(Sender, Key, Shift); };
}

void TDlg_EditDB::SB_OKClick(TObject*) { SetModalResult(mrOk); }
void TDlg_EditDB::SB_CancelClick(TObject*) { SetModalResult(mrCancel); }

void TDlg_EditDB::FormKeyDown(TObject*, Word& Key, TShiftState Shift) {
  GridDialogKeyDown(Key, Shift, [this] { SB_OKClick(SB_OK); }, [this] { SB_CancelClick(SB_Cancel); });
}
