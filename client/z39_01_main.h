#pragma once
// The main window: the search list (captions with ticks, and the resource
// identifiers behind them), the search condition, the record limit, the
// counters, the log, the clock, and the menu row that opens the other
// windows. Its creation prepares the program's folders; the clock's first
// tick loads the settings, the resource list and the search list; its close
// ends a run going, as the stop button would, and saves the settings and the
// search list.

#include <memory>

#include "client/SearchList.h"
#include "client/SearchRun.h"
#include "client/SettingsFile.h"
#include "platform/ui/Forms.h"

class TLabel;
class TEdit;
class TCheckBox;
class TComboBox;
class TListBox;
class TCheckListBox;
class TGroupBox;
class TPanel;
class TRichEdit;
class TSpeedButton;
class TSplitter;
class TTimer;
class TOpenDialog;
class TSaveDialog;

class TForm_Main final : public TForm {
public:
  BORROW_COMPONENT(TForm_Main, TForm)
  explicit TForm_Main(TComponent* AOwner);
  ~TForm_Main() override;

  // ---- Menu row
  TSpeedButton* SB_Menu_Res = nullptr;
  TSpeedButton* SB_Menu_Set = nullptr;
  TSpeedButton* SpeedButton3 = nullptr;
  TSpeedButton* SB_Menu_Close = nullptr;
  // ---- Search list
  TGroupBox* gb_ListDB = nullptr;
  TSpeedButton* SB_N_Add = nullptr;
  TSpeedButton* SB_N_Del = nullptr;
  TSpeedButton* SB_N_Clear = nullptr;
  TSpeedButton* SB_Check = nullptr;
  TSpeedButton* SB_UnCheck = nullptr;
  TSpeedButton* SB_Invers = nullptr;
  TSpeedButton* SB_N_First = nullptr;
  TSpeedButton* SB_N_Prior = nullptr;
  TSpeedButton* SB_N_Next = nullptr;
  TSpeedButton* SB_N_Last = nullptr;
  TCheckListBox* clb_ListDB_Names = nullptr;
  TListBox* lb_ListDB_ID = nullptr;
  TSpeedButton* sb_ListDB_Load = nullptr;
  TSpeedButton* sb_ListDB_Save = nullptr;
  // ---- Search condition, limit, counters
  TComboBox* cb_FindMode = nullptr;
  TPanel* Panel_ST_Simple = nullptr;
  TCheckBox* cb_Simple_Title = nullptr;
  TEdit* Edit_Simple_Title = nullptr;
  TCheckBox* cb_Simple_Author = nullptr;
  TEdit* Edit_Simple_Author = nullptr;
  TCheckBox* cb_Simple_Keyword = nullptr;
  TEdit* Edit_Simple_Keyword = nullptr;
  TLabel* Label_RecCount_1 = nullptr;
  TEdit* Edit_RecCount_FromDB = nullptr;
  TLabel* Label_RecCount_2 = nullptr;
  TSpeedButton* SpeedButton2 = nullptr;
  TCheckBox* CB_Search_First = nullptr;
  TSpeedButton* sb_Start = nullptr;
  TLabel* Label_Find = nullptr;
  TEdit* Edit_BibRec_Find = nullptr;
  TLabel* Label_Load = nullptr;
  TEdit* Edit_BibRec_Load = nullptr;
  // ---- Buffers and log
  TPanel* Panel_Log = nullptr;  // holds the per-format buffer above the log
  TGroupBox* gb_BR_Buf_2 = nullptr;
  TListBox* ListBox_BR_Syntax = nullptr;
  TSplitter* Splitter_BR_Buf_2 = nullptr;
  TGroupBox* gb_BR_Buf_1 = nullptr;
  TRichEdit* RE_Find_Result = nullptr;
  TGroupBox* GroupBox1 = nullptr;
  TRichEdit* RE_LOG = nullptr;
  // ---- Bottom row, timers, dialogs
  TLabel* Label_DT = nullptr;
  TSpeedButton* sb_Stop = nullptr;
  TTimer* Timer_Main = nullptr;
  TTimer* Timer_ScanDB = nullptr;
  TOpenDialog* OD1 = nullptr;
  TSaveDialog* SD1 = nullptr;

  // ---- State
  bool FirstTick = false;
  // The search list over clb_ListDB_Names and lb_ListDB_ID, and the search
  // run (its condition, use attribute and format buffers).
  TSearchList& GetSearchList();
  TSearchRun& GetSearchRun();
  // A search (the run's or a resource test's) waits for its server now.
  bool IsServerWaitedFor() const { return FSearchRun && FSearchRun->IsWaitingForServer(); }

  // ---- Start-up and shut-down
  void FormCreate(TObject* Sender);
  void Timer_MainTimer(TObject* Sender);
  void FormCloseQuery(TObject* Sender, bool& CanClose);
  // Settings file into the controls (and the scheme, the resource list, the
  // search list, in their order); always True. The window, which takes no
  // input from its creation on, takes it again when this ends, however it
  // ends; what the user did meanwhile is dropped.
  bool LoadSettings();
  // Controls into the settings file, then the search list, each only once
  // start-up has read it (the search list also only once it names resources
  // of a list that was read), never over a file start-up could not read, and
  // only when the file does not hold it already;
  // what the settings folder could not keep of the user's changes is said in
  // a box the user closes. Always True.
  bool SaveSettings();
  // Temporary files left beside the settings file, the resource list and the
  // search list by a copy killed while saving them go.
  void RemoveLeftoverTempFilesOfSettings();

  // ---- The search list
  // Rebuilds the captions from the identifiers: lines that are not a positive
  // number or name no resource are dropped; every entry is ticked.
  void BuildSearchList();
  // Both lists cleared, the file's lines read as identifiers, then rebuilt.
  // Answers the number of entries.
  Integer LoadSearchList(const String& FileName);
  // Writes the identifiers, one a line, when the settings folder is writable
  // and the file does not hold them; False when a change is lost.
  bool SaveSearchList(const String& FileName);
  // Captions again from the table (ticks kept); vanished resources leave.
  void RefreshSearchList();

  // ---- The search run
  void sb_StartClick(TObject* Sender);
  void sb_StopClick(TObject* Sender);
  void Timer_ScanDBTimer(TObject* Sender);
  // One search on one resource; Index is the entry that gets the count mark
  // (-1: none); in test mode nothing is counted, marked or saved. True when
  // the server answered; otherwise the run's GetSearchError() says why.
  bool SearchOneResource(TStrings* ConnectionParams, Integer Index, bool TestMode);

  // ---- Handlers
  void clb_ListDB_NamesClick(TObject* Sender);
  void SB_N_FirstClick(TObject* Sender);
  void SB_N_LastClick(TObject* Sender);
  void SB_N_NextClick(TObject* Sender);
  void SB_N_PriorClick(TObject* Sender);
  void SB_N_DelClick(TObject* Sender);
  void SB_N_ClearClick(TObject* Sender);
  // The resource chooser; the chosen identifiers replace the list's.
  void SB_N_AddClick(TObject* Sender);
  void SB_CheckClick(TObject* Sender);
  void SB_UnCheckClick(TObject* Sender);
  void SB_InversClick(TObject* Sender);
  void sb_ListDB_LoadClick(TObject* Sender);
  void sb_ListDB_SaveClick(TObject* Sender);
  void SB_Menu_ResClick(TObject* Sender);
  void SB_Menu_SetClick(TObject* Sender);
  void SpeedButton3Click(TObject* Sender);
  void SpeedButton2Click(TObject* Sender);
  void SB_Menu_CloseClick(TObject* Sender);
  void cb_FindModeChange(TObject* Sender);
  void cb_Simple_TitleClick(TObject* Sender);
  void cb_Simple_AuthorClick(TObject* Sender);
  void cb_Simple_KeywordClick(TObject* Sender);
  // The menu buttons and the list file buttons turn bold under the mouse.
  void SB_Menu_MouseEnter(TObject* Sender);
  void SB_Menu_MouseLeave(TObject* Sender);
  void sb_StartMouseEnter(TObject* Sender);
  void sb_StartMouseLeave(TObject* Sender);

private:
  void CreateControls();
  void CreateMenuRow();
  void CreateSearchList();
  void CreateConditionArea();
  void CreateLogArea();
  void CreateBottomRow();
  // The same index in lb_ListDB_ID as in clb_ListDB_Names.
  void SyncIdSelection();
  // Ticks the simple condition box Box alone, when the user ticked it.
  void SimpleConditionClicked(TCheckBox* Box);
  // The end of start-up: input made meanwhile dropped, the window enabled.
  void TakeInputAfterStartUp();
  // The list and the run over this window's controls; made once the
  // resource tree editor and the settings dialog exist.
  void EnsureSearch();
  // While a search waits for its server, the buttons that would open a
  // window over the wait, or change the list or the save folder under the
  // search, are off (here and in the resource tree editor). Stop, start,
  // the ticks, clearing the list and closing the program stay.
  void ServerWaitChanged(bool Waiting);

  std::unique_ptr<TSearchList> FSearchList;
  std::unique_ptr<TSearchRun> FSearchRun;
  TResourceTable* FSearchTable = nullptr;  // the table they were made over
  // Set as start-up has read the settings (after the resource list) and the
  // search list: what the way out may write back.
  bool FSettingsLoaded = false;
  bool FSearchListLoaded = false;
  // Start-up found the file there but could not read it (a folder or a pipe
  // in its place, no right to read it, an I/O error): the controls hold the
  // defaults or an empty list, which the close does not write over it.
  bool FSettingsUnread = false;
  bool FSearchListUnread = false;
  // The search list was read while the resource list could not be: it names
  // no resource, and written it would empty the user's file. It is read again
  // once a resource list is loaded (ReadSearchListAgainOnceResourcesRead).
  bool FSearchListUnresolved = false;
  // After a resource window: a resource list loaded there resolves the search
  // list, which is read again unless the user has just Chosen its entries.
  void ReadSearchListAgainOnceResourcesRead(bool Chosen);
  // The search list from its file, remembered as read (FSearchListRead); a
  // file that cannot be read is said and marked (FSearchListUnread).
  void ReadSearchListFile();
  // What start-up read, to tell the user's changes from what a lost file held.
  TSettingsValues FSettingsRead;
  String FSearchListRead;
};
