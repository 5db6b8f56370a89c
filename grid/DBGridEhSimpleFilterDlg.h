#pragma once
// DBGridEhSimpleFilterDlg: the simple filter dialog of the data grid.
//
// TDBGridEhSimpleFilterDialog lets the user build a column's filter-row
// condition without knowing the filter-row language: two conditions, each an
// operator picked from a list of words and a value, joined by AND or OR. It reads
// the column's current condition into its controls, and on OK writes the two
// conditions back as filter-row text into the column's filter (applying that
// filter to the dataset is the caller's). One dialog serves the whole process:
// ExecuteSimpleFilterDialog creates it on first use, owned by the application.
//
// An operator list item's object is its operator code (0 to 18, see
// TSimpleFilterOperatorEh); the list of a number, date-time or Boolean column
// leaves the text-matching codes 7 to 14 out.

#include "grid/DBGridEh.h"
#include "platform/ui/Forms.h"

class TBevel;
class TButton;
class TComboBox;
class TDBComboBoxEh;
class TDBDateTimeEditEh;
class TDBNumberEditEh;
class TEdit;
class TLabel;
class TRadioButton;

// The operators of the dialog's lists.
enum TSimpleFilterOperatorEh : Integer {
  sfoNoneEh = 0,
  sfoEqualEh = 1,
  sfoNotEqualEh = 2,
  sfoGreaterEh = 3,
  sfoGreaterOrEqualEh = 4,
  sfoLessEh = 5,
  sfoLessOrEqualEh = 6,
  sfoBeginsWithEh = 7,
  sfoNotBeginsWithEh = 8,
  sfoEndsWithEh = 9,
  sfoNotEndsWithEh = 10,
  sfoContainsEh = 11,
  sfoNotContainsEh = 12,
  sfoLikeEh = 13,
  sfoNotLikeEh = 14,
  sfoInListEh = 15,
  sfoNotInListEh = 16,
  sfoIsNullEh = 17,
  sfoIsNotNullEh = 18
};
inline constexpr Integer SimpleFilterOperatorCountEh = 19;

class TDBGridEhSimpleFilterDialog final : public TForm {
public:
  BORROW_COMPONENT(TDBGridEhSimpleFilterDialog, TForm)
  explicit TDBGridEhSimpleFilterDialog(TComponent* AOwner);
  ~TDBGridEhSimpleFilterDialog() override;

  TComboBox* ComboBox1 = nullptr;  // the operator of condition 1
  TComboBox* ComboBox2 = nullptr;  // and of condition 2
  TEdit* Edit1 = nullptr;          // where the value editor of condition 1 goes
  TEdit* Edit2 = nullptr;
  TLabel* Label1 = nullptr;
  TBevel* Bevel1 = nullptr;
  TRadioButton* rbAnd = nullptr;
  TRadioButton* rbOr = nullptr;
  TLabel* Label2 = nullptr;
  TLabel* Label3 = nullptr;
  TButton* bOk = nullptr;
  TButton* bCancel = nullptr;
  TDBComboBoxEh* DBComboBoxEh1 = nullptr;  // the values
  TDBComboBoxEh* DBComboBoxEh2 = nullptr;
  TDBDateTimeEditEh* DBDateTimeEditEh1 = nullptr;
  TDBDateTimeEditEh* DBDateTimeEditEh2 = nullptr;
  TDBNumberEditEh* DBNumberEditEh1 = nullptr;
  TDBNumberEditEh* DBNumberEditEh2 = nullptr;

  // Loads the column's condition into the controls.
  void Init(TColumnEh* Column);
  // The two conditions as filter-row text.
  String GetFilterText();
  TColumnEh* GetColumn() const { return FColumn; }
  // Null also lets go of the column's value list.
  void SetColumn(TColumnEh* Value) {
    FColumn = Value;
    if (!Value) FValueList.reset();
  }

  void FormCloseQuery(TObject* Sender, bool& CanClose);

private:
  void CreateControls();
  void FillOperators(TComboBox* Box);
  void ReadCondition(TSTFilterOperatorEh Operator, const Variant& Operand, TComboBox* Box, TDBComboBoxEh* Value);
  String ConditionText(TComboBox* Box, TDBComboBoxEh* Value);
  void PlaceValueEditor(TDBComboBoxEh* Editor, TEdit* Holder);
  // The kind of value the column's conditions compare.
  TSTFilterValueTypeEh ValueType() const;

  TColumnEh* FColumn = nullptr;  // while the dialog is shown
  std::shared_ptr<IMemTableDataFieldValueListEh> FValueList;
};

// The process's dialog; null until first used.
extern TDBGridEhSimpleFilterDialog* DBGridEhSimpleFilterDialog;

// Shows the dialog modally for Column; true when it closed with OK (the column's
// filter then holds the new condition).
bool ExecuteSimpleFilterDialog(TColumnEh* Column);
// The same under the grid's name for it.
inline bool ExecuteSimpleFilterDialogEh(TColumnEh* Column) { return ExecuteSimpleFilterDialog(Column); }
