#pragma once
// The search run: the main window's start button checks and sets up a run,
// its scan timer hands one entry of the search list per tick to the search
// server, and its stop button ends the run early. Records go to ".iso" files
// in the save folder, one per resource or one per record syntax, while the
// log box collects the search log.
//
// The run works on the main window's controls, which it is given; it owns
// none of them. Everything happens on the GUI thread, one tick at a time.

#include <functional>
#include <utility>
#include <vector>

#include "client/RecordFiles.h"
#include "client/SearchList.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/StdCtrls.h"

// The controls the run reads and writes: the main window's, and the settings
// dialog's folder edit and save-mode choice.
struct TSearchRunControls {
  TSearchList* SearchList = nullptr;  // clb_ListDB_Names and lb_ListDB_ID
  TWinControl* Edit_RecCount_FromDB = nullptr;
  TControl* Edit_BibRec_Find = nullptr;
  TControl* Edit_BibRec_Load = nullptr;
  TCustomComboBox* cb_FindMode = nullptr;
  TCheckBox* cb_Simple_Title = nullptr;
  TCheckBox* cb_Simple_Author = nullptr;
  TCheckBox* cb_Simple_Keyword = nullptr;
  TControl* Edit_Simple_Title = nullptr;
  TControl* Edit_Simple_Author = nullptr;
  TControl* Edit_Simple_Keyword = nullptr;
  TCheckBox* CB_Search_First = nullptr;
  TCustomListBox* ListBox_BR_Syntax = nullptr;
  TControl* gb_BR_Buf_2 = nullptr;
  TControl* Splitter_BR_Buf_2 = nullptr;
  TCustomMemo* RE_Find_Result = nullptr;
  TCustomMemo* RE_LOG = nullptr;
  TTimer* Timer_ScanDB = nullptr;
  TControl* sb_Stop = nullptr;
  TControl* Edit_DirForBR = nullptr;            // settings dialog
  TCustomRadioGroup* rg_BR_SaveMode = nullptr;  // settings dialog
};

// The program's message box with an OK button: window caption, head line, text.
using TShowMessageOk = std::function<void(const String& Caption, const String& Head, const String& Text)>;

inline constexpr Integer UseAttributeTitle = 4;
inline constexpr Integer UseAttributeAuthor = 1003;
inline constexpr Integer UseAttributeKeyword = 21;
inline constexpr Cardinal ScanInterval = 55;  // ms between two entries

class TSearchRun {
public:
  // DirSave is the program's save folder, which a start may fill in from the
  // settings dialog.
  TSearchRun(const TSearchRunControls& Controls, TResourceTable* Table, String* DirSave, TShowMessageOk ShowMessageOk);

  // ---- The three handlers
  void sb_StartClick(TObject* Sender);
  void Timer_ScanDBTimer(TObject* Sender);
  void sb_StopClick(TObject* Sender);
  // The program closes: a run going ends as the stop button ends it (its log
  // written, the files it queued waited for), without the box that says it
  // stopped, since the program ends next; a box naming what went nowhere still
  // comes. Nothing when no run goes.
  void StopForClose();

  // One search on one resource. Index is the search-list entry whose caption
  // gets the count mark (-1: none). In test mode nothing is counted, marked,
  // buffered or saved. The search takes at most the server's time limit; while
  // it waits the windows repaint and the stop button gives it up. A failure,
  // or records the server or the file could not keep whole, get an "Error: "
  // line in the log. True when the server answered the search, whether it
  // found records or not; otherwise GetSearchError() holds its reason.
  bool SearchOneResource(TStrings* ConnectionParams, Integer Index, bool TestMode);
  // The server object's text for the last search's failure; "" after a search
  // that answered.
  const String& GetSearchError() const { return FSearchError; }
  // A search (of the run or a resource test) is waiting for its server. Only
  // one search holds the server object at a time: another asked for meanwhile
  // is refused, and a tick of the run waits for the next round of its timer.
  bool IsWaitingForServer() const { return FSearching; }
  // Told when a search begins and ends waiting for its server, so that the
  // windows can turn off what must not run meanwhile.
  void SetOnServerWait(std::function<void(bool Waiting)> Handler) { FOnServerWait = std::move(Handler); }

  // ---- State
  const String& GetSearchTerm() const { return SearchTerm; }
  Integer GetUseAttribute() const { return UseAttribute; }
  bool GetRunPrepared() const { return RunPrepared; }
  // 0 per resource, 1 per record syntax (the settings dialog's choice).
  Integer SaveMode() const;
  TFormatBuffers& FormatBuffers() { return FFormatBuffers; }
  // The record buffer: in per-resource mode the records of the resource just
  // handled, as its record file receives them.
  const String& GetRecordBuffer() const { return FRecordBuffer; }
  // The queue that writes the record files and the log behind the run.
  TFileCommitQueue& FileCommits() { return FCommits; }

private:
  bool PerFormat() const { return SaveMode() >= 1; }
  // Runs while a search waits for its server: pending window messages, then
  // whether the search may go on (no stop or new start asked for, the program
  // not ending).
  bool WaitForServer();
  // One tick's work; Timer_ScanDBTimer ends the run when it raises.
  void ScanNextEntry();
  // Ticks the entries the replaced run took its ticks from, and selects the
  // entry it began at, so the new run searches each of them once more.
  void GiveBackEntries();
  void Fail(const String& Text);
  bool CheckSaveFolder();
  void TakeSimpleCondition();
  void PrepareFormatBuffers();
  void AddLogLines(const std::vector<String>& Lines);
  void AddLogLine(const String& Line);
  // "Error: " in front of the log lines of record files that could not be
  // written behind the run, and their entries given back (RecordsLost); a
  // log that could not be written is noted (FLogLost).
  void MarkUnwrittenFiles();
  // The log's bytes taken now and written behind the run.
  void SaveLog();
  // The run's last save of its log, waited for, with whatever failed before.
  void SaveLastLog();
  // The entry whose records went nowhere is ticked again, without the count
  // mark that told of them, so the next start searches it once more.
  struct TSavedRecords;
  void RecordsLost(const TSavedRecords& Records);
  // The taken entry Index / Id ticked again, and its count mark Mark taken off.
  void GiveBack(Integer Index, const String& Id, const String& Mark);
  // What a stop leaves undone, named in the log and given back: the resource
  // whose search it gave up (Found: the hits its server had told, once its
  // records were coming), and in per-syntax mode those whose records sit in
  // the buffers, which a stop does not write.
  void GiveBackUnfinished(bool SearchGivenUp, Integer Found);
  // Every resource of syntax line Syntax, whose file could not be written,
  // named in the log and given back.
  void FormatRecordsLost(Integer Syntax, const String& File);
  // The message naming the save folder when records or the log went nowhere.
  void ReportLostFiles();
  // Where a taken entry is now: where it was, else the first unticked entry
  // of its resource (the list may have been edited meanwhile); -1 when gone.
  Integer FindTakenEntry(Integer Index, const String& Id) const;
  void EndRun();
  // sb_StopClick's work, before its box.
  void StopRun();
  void SetCaptionMark(Integer Index, const String& Mark);
  void AddToCounter(TControl* Counter, Integer Value);
  // The found counter: what it held before this search, and this search's hits.
  void ShowFound(Integer Found);
  void SetRecordBuffer(String Text);

  TSearchRunControls C;
  TResourceTable* FTable;
  String* FDirSave;
  TShowMessageOk FShowMessageOk;
  TFormatBuffers FFormatBuffers;
  TSearchLogSaver FLogSaver;
  // Record files and the log are written behind the run; a run's end and a
  // stop wait for them.
  TFileCommitQueue FCommits;
  String FRecordBuffer;
  String FSearchError;

  String SearchTerm;
  Integer UseAttribute = 0;
  bool RunPrepared = false;
  bool FSearching = false;     // a server is being waited for
  bool FSearchIsTest = false;  // ... by a resource test
  std::function<void(bool Waiting)> FOnServerWait;
  bool FStopRequested = false;  // the stop button was pressed during the search
  // The start button was pressed during the search: the search is given up and
  // the run starts anew once it has let go of its server.
  bool FRestartRequested = false;
  // A run is going: started, and neither ended, stopped nor ended by a fault.
  bool FRunning = false;
  // The entry the run stands at, its own: a click in the list moves the
  // selection, never the run. -1 before the first entry.
  Integer FRunIndex = -1;
  Integer FRunStart = -1;    // the entry the run began at
  String FSearchedCaption;   // the caption of the entry whose search waits
  Integer FFoundBefore = 0;  // the found counter before that search
  // The entries the run took its ticks from, each with its identifier line.
  struct TTakenEntry {
    Integer Index;
    String Id;
  };
  std::vector<TTakenEntry> FTaken;
  // Records the run handed to a file: one queued record file (its tag is the
  // position here), or a resource's records in the buffer of syntax line
  // Syntax (per-syntax mode).
  struct TSavedRecords {
    Integer Index;
    String Id;
    String Mark;     // the count mark the entry got
    String Caption;  // the entry's caption with the mark
    String File;     // the record file's name (per resource)
    Integer Line;    // the log line naming the file (per resource), else -1
    Integer Syntax;  // per syntax, else -1
  };
  std::vector<TSavedRecords> FSaved;
  Integer FLostRecords = 0;  // resources of this run whose records went nowhere
  bool FLogLost = false;     // the log's last write failed
  int FLostErrorCode = 0;    // the system's error number of the last write that failed
};
