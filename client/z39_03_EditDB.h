#pragma once
// The resource editor dialog: one resource record as a table of captions and
// values. Created once at start-up; the resource tree editor opens it for a
// new record and for the current one.

#include "platform/ui/Forms.h"

class TLabel;
class TEdit;
class TComboBox;
class TListBox;
class TSpeedButton;
class TValueListEditor;

class TDlg_EditDB final : public TForm {
public:
  BORROW_COMPONENT(TDlg_EditDB, TForm)
  explicit TDlg_EditDB(TComponent* AOwner);
  ~TDlg_EditDB() override;

  TLabel* Label_Type = nullptr;
  TComboBox* CB_Type = nullptr;
  TLabel* Label_ID = nullptr;
  TEdit* Edit_ID = nullptr;
  TLabel* Label_Parents = nullptr;
  TEdit* Edit_Parents = nullptr;
  TValueListEditor* ValueListEditor1 = nullptr;
  TListBox* ListBox1 = nullptr;
  TSpeedButton* SB_OK = nullptr;
  TSpeedButton* SB_Cancel = nullptr;

  void SB_OKClick(TObject* Sender);
  void SB_CancelClick(TObject* Sender);
  // Alt+Enter presses OK, Esc Cancel; Enter alone stays with the value list.
  void FormKeyDown(TObject* Sender, Word& Key, TShiftState Shift);

private:
  void CreateControls();
};
