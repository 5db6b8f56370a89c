#pragma once
// DBGridEhFindDlgs: the find dialog of the data grid.
//
// TDBGridEhFindDlg collects a search text and its settings (the column or
// "<All>", how a cell must match, the direction, letter case, the display
// format and, for a dataset shown as a tree, the branches to search) and asks
// its grid to find the next match through IDataGridEh::LocateText. One dialog
// serves the whole process: ExecuteDBGridEhFindDialog creates it on first use,
// owned by the application, and points it at a grid. The unit's start installs
// ExecuteDBGridEhFindDialog as DbUtilsEh's ExecuteFindDialogProc. An Esc
// pressed while a long search runs stops it.
//
// The text, column, matching, direction and tree-range boxes are the
// platform's combo boxes and the two switches its check boxes.

#include "grid/DbUtilsEh.h"
#include "platform/ui/Forms.h"

class TButton;
class TCheckBox;
class TComboBox;
class TLabel;

class TDBGridEhFindDlg final : public TForm {
public:
  BORROW_COMPONENT(TDBGridEhFindDlg, TForm)
  explicit TDBGridEhFindDlg(TComponent* AOwner);
  ~TDBGridEhFindDlg() override;

  TComboBox* cbText = nullptr;  // the search text, with the texts searched before
  TButton* bFind = nullptr;
  TButton* bCancel = nullptr;
  TLabel* Label1 = nullptr;
  TComboBox* cbFindIn = nullptr;  // a column, or "<All>"
  TLabel* Label2 = nullptr;
  TComboBox* cbMatchinType = nullptr;
  TLabel* cbMatchType = nullptr;
  TComboBox* cbFindDirection = nullptr;
  TLabel* Label3 = nullptr;
  TCheckBox* cbCharCase = nullptr;
  TCheckBox* cbUseFormat = nullptr;
  TLabel* Label4 = nullptr;
  TComboBox* dbcTreeFindRange = nullptr;

  // Points the dialog at Grid with the search text and the columns to offer
  // (all visible columns when none are given), and shows it.
  void Execute(IDataGridEh* Grid, const String& Text, const TColumnFieldsArrEh& ColumnFields, bool Modal);

  void bFindClick(TObject* Sender);
  void bCancelClick(TObject* Sender);
  void FormKeyDown(TObject* Sender, Word& Key, TShiftState Shift);

  IDataGridEh* GetGrid() const { return FGrid; }
  // Whether the next search is the first since the dialog opened or its text,
  // direction or tree range changed: the direction "all" starts from the top
  // only then.
  bool GetFirstSearch() const { return FFirstSearch; }
  const TColumnFieldsArrEh& GetColumnFields() const { return FColumnFields; }

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  void CreateControls();
  void SetGrid(IDataGridEh* Grid);
  void FillColumns(const TColumnFieldsArrEh& ColumnFields);
  void ShowTreeRange(bool Visible);
  bool FocusedControlWantsKey(Word Key);
  void SearchSettingChanged(TObject* Sender);
  void DropStoppingEscape();

  IDataGridEh* FGrid = nullptr;
  TComponent* FGridComponent = nullptr;  // the grid as a component, for its free notice
  bool FFirstSearch = true;
  Integer FDesignHeight = 0;
  TColumnFieldsArrEh FColumnFields;  // parallel to cbFindIn's items; "<All>" has no column
};

// The process's find dialog; null until first used.
extern TDBGridEhFindDlg* DBGridEhFindDlg;

// Opens the find dialog for Grid (creating it on first use).
void ExecuteDBGridEhFindDialog(IDataGridEh* Grid, const String& Text, const TColumnFieldsArrEh& ColumnFields,
                               bool Modal);
