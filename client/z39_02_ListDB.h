#pragma once
// The resource tree editor window. It owns the resource table the rest of the
// program reads (the search list's captions, a search's connection data),
// shows it in a data grid as a tree of groups and resources or as a flat list
// of resources sorted by name, with a filter row under the titles; adds,
// edits and deletes records through the resource editor dialog (a deleted
// group takes its whole subtree along), tests one resource against its
// server, and loads and saves the resource list file with the wait window.
// In chooser mode a side panel collects resources for the search list.

#include <exception>
#include <functional>
#include <memory>

#include "client/ResourceTable.h"
#include "client/SearchList.h"
#include "platform/ui/Forms.h"

class TLabel;
class TPanel;
class TGroupBox;
class TSpeedButton;
class TCheckListBox;
class TListBox;
class TSplitter;
class TDataSource;
class TDBGridEh;
class TColumnEh;
class TFont;

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
  TSplitter* Splitter_ListDB_Sel = nullptr;
  TCheckListBox* clb_ListDB_Names = nullptr;
  TListBox* lb_ListDB_ID = nullptr;
  TSpeedButton* SpeedButton1 = nullptr;
  TSpeedButton* SB_N_Clear = nullptr;
  TDataSource* DataSource_Tree = nullptr;
  TDBGridEh* DBGridEh_TreeDB = nullptr;

  // The table and its second cursor (owned by the window).
  TMemTableEh* MemTableEh_Tree = nullptr;
  TMemTableEh* MemTableEh_Buf = nullptr;
  TResourceTable& GetResourceTable() { return *FTable; }

  // 0 editor mode, 1 chooser mode.
  Integer GetMode() const { return FMode; }

  // Shown modally in editor mode; a change the table holds and its file does
  // not (whether Label_YesModify shows it or not) is saved on OK. True when
  // closed with OK.
  bool EditResourceList();
  // Shown modally in chooser mode, the side panel prefilled from Ids (lines of
  // ID_THIS); on OK Ids gets the identifiers of the ticked entries, in order.
  // False at once without a list.
  bool ChooseResources(TStrings* Ids);
  // Chooser mode: the current record joins the side panel, ticked and
  // selected, when it is a resource; a group is refused with a message.
  void ChooseCurrentResource();

  void SB_OKClick(TObject* Sender);
  void SB_CancelClick(TObject* Sender);
  void SB_N_FirstClick(TObject* Sender);
  void SB_N_PriorClick(TObject* Sender);
  void SB_N_NextClick(TObject* Sender);
  void SB_N_LastClick(TObject* Sender);
  // Editor mode: the current record in the resource editor, written back on
  // OK. Chooser mode: the current resource joins the side panel. Also the
  // grid's double click.
  void SB_N_EditClick(TObject* Sender);
  // A new record under the current one (refused while the root group, or
  // nothing, is current), or at the top level; through the resource editor.
  void SB_N_AddClick(TObject* Sender);
  void SB_N_Add_0Click(TObject* Sender);
  // After a confirmation, the current record and every record below it go.
  void SB_N_DelClick(TObject* Sender);
  // Tree <-> a flat list of resources ("ID_TYPE>0"), sorted by name.
  void SB_TreeOrListClick(TObject* Sender);
  // A title click: the shown records in the order the title markers give.
  void DBGridEh_TreeDBSortMarkingChanged(TObject* Sender);
  // Chooser mode: the side panel follows the record the grid moves to.
  void MemTableEh_TreeAfterScroll(TDataSet* DataSet);
  // Unused resources greyed, used resources' names bold, a group's
  // connection cells left blank: the font a cell of the row being painted is
  // written in. The focused cell keeps the grid's own.
  void DBGridEh_TreeDBDrawColumnCell(TObject* Sender, TColumnEh* Column, TFont* AFont, TColor Background, bool Focused);
  // Side panel: select the same identifier (and the record, when the list
  // has the focus); remove the selected entry; clear after a question.
  void clb_ListDB_NamesClick(TObject* Sender);
  void clb_ListDB_NamesDblClick(TObject* Sender);
  void SB_N_ClearClick(TObject* Sender);
  // Reload, save (a message box when nothing was saved, saying why when the
  // file was unread) and test.
  void SB_LoadClick(TObject* Sender);
  void SB_SaveClick(TObject* Sender);
  void SB_TestClick(TObject* Sender);
  // While a search (a test here, or the main window's run) waits for its
  // server: the test, editing, loading and saving are off.
  void ServerWaitChanged(bool Waiting);
  // Alt+Enter presses OK (Enter belongs to the table), Esc presses Cancel.
  void FormKeyDown(TObject* Sender, Word& Key, TShiftState Shift);

  // Runs Work, a load or a save of the list, as one: its wait window lets
  // messages run, so meanwhile every other window is kept from input, as under
  // a modal window, and enabled again afterwards as it was, also when Work
  // throws. Messages run first; afterwards the wait window is hidden, and input
  // made while it showed is dropped before the windows are enabled. False,
  // Work not run, while another load or save runs.
  bool RunLoadOrSave(const std::function<void()>& Work);
  bool IsLoadingOrSaving() const { return FLoadingOrSaving; }

  // Reloads every record from SettingsFolder + "ListDB.txt" with the wait
  // window (width 220 or what its title needs, "Загрузка ресурсов Z39.50",
  // "Идет подготовка к работе"), inside RunLoadOrSave where the windows are
  // up; a missing or empty file gives the root group. A file that cannot be
  // read is said in a message box (the wait window hidden first) and leaves
  // the table closed and the file unread (TResourceTable::IsFileUnread).
  // RunLoadOrSave hides the wait window. Answers the record count (0 unread).
  Integer LoadResourceList();
  // Writes the table to SettingsFolder + "ListDB.txt" with the wait window
  // (width 340 or what its title needs), inside RunLoadOrSave as a load is;
  // False, and nothing written, unless the file was read, the settings folder
  // is writable and the table open. RunLoadOrSave hides the wait window.
  bool SaveResourceList();

  // ---- Look-ups for the search
  bool ResourceToConnectionParams(Integer Id, TStrings* Params, bool ClearFirst) {
    return FTable->ResourceToConnectionParams(Id, Params, ClearFirst);
  }
  Integer MaxResourceId() { return FTable->MaxResourceId(); }
  Integer MaxNpp(Integer ParentId) { return FTable->MaxNpp(ParentId); }

private:
  void CreateControls();
  void CreateGrid();
  // ID_THIS of the displayed record; 0 when the table is closed or empty.
  Integer CurrentId();
  void AddRecord(Integer ParentId);
  TResourceListWait WaitWindowNotes() const;
  // No title marked: for when the table takes an order of its own.
  void ClearSortMarkers();
  // The buttons that change the table: off in chooser mode.
  void EnableEditing(bool Value);
  // Before the tree view comes back: the flat list's own filter gives way to
  // the one the tree had.
  void LeaveListFilter();
  // What is typed in the filter row's open cell is taken, as Return takes it.
  // A text the grid refuses leaves the cell, which reads its condition in
  // force again; the refusal is answered for the caller to report.
  std::exception_ptr TakeOpenFilterCell();
  // Whether a cell of the grid's filter row holds a condition.
  bool FilterRowHoldsCondition() const;
  std::unique_ptr<TResourceTable> FTable;
  std::unique_ptr<TSearchList> FChosen;  // the side panel's two lists
  Integer FMode = 0;
  // The table's filter text when the flat list took over from the tree.
  String FTreeFilter;
  bool FLoadingOrSaving = false;
};
