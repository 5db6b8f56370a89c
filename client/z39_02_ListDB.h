#pragma once
// The resource tree editor window. It holds the resource records the rest of
// the program reads (the search list's captions, a search's connection data)
// and loads them from the resource list file with the wait window. Its grid
// over the records, and the editing and choosing behind its buttons, come
// with the data grid.

#include <vector>

#include "client/ResourceList.h"
#include "platform/ui/Forms.h"

class TLabel;
class TPanel;
class TGroupBox;
class TSpeedButton;
class TCheckListBox;
class TListBox;

class TDlg_ListDB final : public TForm {
public:
  BORROW_COMPONENT(TDlg_ListDB, TForm)
  explicit TDlg_ListDB(TComponent* AOwner);
  ~TDlg_ListDB() override;

  TPanel* Panel_Top = nullptr;
  TSpeedButton* SB_N_First = nullptr;
  TSpeedButton* SB_N_Prior = nullptr;
  TSpeedButton* SB_N_Next = nullptr;
  TSpeedButton* SB_N_Last = nullptr;
  TSpeedButton* SB_N_Edit = nullptr;
  TSpeedButton* SB_N_Add = nullptr;
  TSpeedButton* SB_N_Add_0 = nullptr;
  TSpeedButton* SB_N_Del = nullptr;
  TSpeedButton* SB_TreeOrList = nullptr;
  TSpeedButton* SB_Test = nullptr;
  TSpeedButton* SB_Load = nullptr;
  TSpeedButton* SB_Save = nullptr;
  TLabel* Label_YesModify = nullptr;
  TPanel* Panel_Bottom = nullptr;
  TSpeedButton* SB_OK = nullptr;
  TSpeedButton* SB_Cancel = nullptr;
  TGroupBox* gb_ListDB_Sel = nullptr;
  TCheckListBox* clb_ListDB_Names = nullptr;
  TListBox* lb_ListDB_ID = nullptr;
  TSpeedButton* SpeedButton1 = nullptr;
  TSpeedButton* SB_N_Clear = nullptr;

  void SB_OKClick(TObject* Sender);
  void SB_CancelClick(TObject* Sender);
  // Alt+Enter presses OK (Enter belongs to the table), Esc presses Cancel.
  void FormKeyDown(TObject* Sender, Word& Key, TShiftState Shift);

  // Reloads every record from SettingsFolder + "ListDB.txt" with the wait
  // window (width 220, "Загрузка ресурсов Z39.50", "Идет подготовка к работе");
  // a missing or empty file gives the root group. Answers the record count.
  Integer LoadResourceList();

  // The record with identifier Id, wherever it sits in the tree.
  const TResourceRecord* FindResource(Integer Id) const;
  const std::vector<TResourceRecord>& GetRecords() const { return FRecords; }

private:
  void CreateControls();
  std::vector<TResourceRecord> FRecords;
};
