#pragma once
// The resource editor dialog: one resource record as a table of captions and
// values. Created once at start-up; the resource tree editor opens it for a
// new record and for the current one, handing the record over and back as a
// Name=Value list.
//
// A group shows five rows (name, the two flags, note, order number), a
// resource twelve; the flags come back as "+" or a blank, and empty values as
// their placeholders ("???", "0", a blank). A value keeps to the size of its
// field; OK refuses a port or order number that is no number in range.

#include <functional>

#include "platform/ui/Forms.h"

class TLabel;
class TEdit;
class TComboBox;
class TListBox;
class TStrings;
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

  // Fills the rows from Values, shows the dialog modally and on OK rewrites
  // Values from the rows. True on OK; False without showing when Values is
  // null. Names are read without regard to case.
  bool EditResourceValues(TStrings* Values);

  // A change of type by the user rebuilds the rows, keeping the values of
  // the rows both types show.
  void CB_TypeChange(TObject* Sender);
  // A double click on a flag row toggles it between "+" and empty.
  void ValueListEditor1DblClick(TObject* Sender);
  void ValueListEditor1SelectCell(TObject* Sender, Integer ACol, Integer ARow, bool& CanSelect);
  void SB_OKClick(TObject* Sender);
  void SB_CancelClick(TObject* Sender);
  // Alt+Enter presses OK, Esc Cancel; Enter alone stays with the value list.
  void FormKeyDown(TObject* Sender, Word& Key, TShiftState Shift);

private:
  void CreateControls();
  // Appends the rows of the selected type, each value looked up by Value
  // (trimmed, the row's placeholder when empty).
  void AppendRows(const std::function<String(const String& Field, const String& Caption)>& Value);
  bool ResourceSelected() const;
  // A number row holding something else is refused with a message and
  // selected; False then.
  bool CheckNumbers();
  // The rows as the caller's Name=Value list.
  void CollectValues(TStrings* Values) const;

  bool FFilling = false;
  Integer FSelRow = 0;
  Integer FSelCol = 0;
  Integer FId = 0;
  Integer FType = 0;
  Integer FParentId = 0;
};
