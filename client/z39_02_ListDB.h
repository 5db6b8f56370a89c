#pragma once
// The resource tree editor window. It owns the resource table the rest of the
// program reads (the search list's captions, a search's connection data),
// loads it from and saves it to the resource list file with the wait window,
// and tests one resource. Its grid over the table, and the editing and
// choosing behind its other buttons, come with the data grid.

#include <memory>

#include "client/ResourceTable.h"
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

  // The table and its second cursor (owned by the window).
  TMemTableEh* MemTableEh_Tree = nullptr;
  TMemTableEh* MemTableEh_Buf = nullptr;
  TResourceTable& GetResourceTable() { return *FTable; }

  void SB_OKClick(TObject* Sender);
  void SB_CancelClick(TObject* Sender);
  // Reload, save (the message box when nothing was saved) and test.
  void SB_LoadClick(TObject* Sender);
  void SB_SaveClick(TObject* Sender);
  void SB_TestClick(TObject* Sender);
  // Alt+Enter presses OK (Enter belongs to the table), Esc presses Cancel.
  void FormKeyDown(TObject* Sender, Word& Key, TShiftState Shift);

  // Reloads every record from SettingsFolder + "ListDB.txt" with the wait
  // window (width 220, "Загрузка ресурсов Z39.50", "Идет подготовка к работе");
  // a missing or empty file gives the root group. The caller hides the wait
  // window. Answers the record count.
  Integer LoadResourceList();
  // Writes the table to SettingsFolder + "ListDB.txt" with the wait window
  // (width 340); False, and nothing written, unless the settings folder is
  // writable and the table open. The caller hides the wait window.
  bool SaveResourceList();

  // ---- Look-ups for the search
  bool ResourceToConnectionParams(Integer Id, TStrings* Params, bool ClearFirst) {
    return FTable->ResourceToConnectionParams(Id, Params, ClearFirst);
  }
  Integer MaxResourceId() { return FTable->MaxResourceId(); }
  Integer MaxNpp(Integer ParentId) { return FTable->MaxNpp(ParentId); }

private:
  void CreateControls();
  TResourceListWait WaitWindowNotes() const;
  std::unique_ptr<TResourceTable> FTable;
};
