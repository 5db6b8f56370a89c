// The search run, by concern: Start (sb_StartClick and its checks), Tick
// (Timer_ScanDBTimer, EndRun), Stop (sb_StopClick), One resource
// (SearchOneResource, WaitForServer), and the helpers that mark, count and log.
//
// Typical call flow
//   sb_StartClick       the files that the run before lost are marked in its
//                       log and their entries given back; a run it replaces
//                       gives back the ticks it took (GiveBackEntries);
//                       CheckSaveFolder, a list naming
//                       some resource, the record limit and TakeSimpleCondition;
//                       any refusal ends here with a message. Clears the counters
//                       and buffers, PrepareFormatBuffers (per-syntax mode), writes
//                       the log's head lines and starts the scan timer.
//   Timer_ScanDBTimer   every ScanInterval ms, the timer off while it works:
//                       the run keeps its own place in the list (FRunIndex:
//                       a click moves the selection, never the run);
//                       a ticked entry is unticked and searched (connection
//                       parameters from the resource table, then
//                       SearchOneResource); unticked entries are passed over in
//                       the same tick, each marked "(-) "; the next entry is
//                       selected and the timer starts again, or after the last
//                       entry EndRun.
//   SearchOneResource   a fresh server object, its connection properties, one
//                       search (WaitForServer keeps the windows painting and lets
//                       the stop button give the search up, or the start button,
//                       whose run the tick then begins anew); then the counters,
//                       the "(n) " mark, and the records: per resource into the
//                       record buffer and its own file, per syntax appended to
//                       that syntax's buffer. Faults and lost bytes get log lines.
//                       The record file and the log are written by FCommits'
//                       thread while the next resource is searched; a record
//                       file that fails there gets its line marked by the next
//                       save of the log (MarkUnwrittenFiles), and its entry
//                       ticked again without its count mark (RecordsLost).
//   EndRun              the files waited for, per-syntax files written from
//                       their buffers, the log's closing lines, the log saved,
//                       a message naming the save folder when records or the
//                       log went nowhere, the closing message.
//   sb_StopClick        (and StopForClose, as the program closes during a run,
//                       without the closing box) the search under way is given
//                       up, the timer stopped;
//                       what the stop leaves undone (that search, before its
//                       answer or while its records came, as the server
//                       tells, and in per-syntax mode the records still in
//                       the buffers, which a stop does not write) is named in
//                       the log, with the hits the server had told, and its
//                       entries ticked again
//                       (GiveBackUnfinished); the stop lines logged, the files
//                       waited for, the log saved.

#include "client/SearchRun.h"

#include <algorithm>
#include <cerrno>
#include <utility>

#include "client/SearchServer.h"
#include "client/__files.h"
#include "client/__str.h"
#include "platform/automation/Automation.h"
#include "platform/core/DateTime.h"
#include "platform/core/Files.h"
#include "platform/core/ScopeGuard.h"
#include "platform/core/Strings.h"
#include "platform/ui/Forms.h"

namespace {

constexpr Char kRunCaption[] = u"Поиск информации";
constexpr Char kErrorHead[] = u"Ошибка";
constexpr TColor kWhite = static_cast<TColor>(0xFFFFFF);
constexpr TColor kYellow = static_cast<TColor>(0x00FFFF);
// The tag of the log's writes in the run's file queue; record files have numbers.
constexpr Char kLogTag[] = u"log";

// What the user is told when records or the log could not be written in Dir:
// the cause first, then what is lost, the folder and what to do.
String LostFilesText(const String& Dir, bool Records, bool Log, int ErrorCode) {
  const String log = u"протокол поиска (он остался на экране)";
  String what = Records ? String(u"записи ресурсов, отмеченных в протоколе словом \"Error\"") : log;
  if (Records && Log) what += u", и " + log;
  return FolderRefusalText(u"Папка для сохранения записей", Dir, ErrorCode) + u" Не удалось сохранить " + what +
         u". Папка: " + Dir + u". " +
         (Records ? u"Эти ресурсы снова отмечены в списке: укажите в настройках другую папку и повторите поиск!"
                  : u"Откройте настройки и укажите другую!");
}

// The program is closing: a search given up for it leaves nothing behind.
bool ProgramEnding() { return Application && Application->GetTerminated(); }

// Releases the server and restores the cursor however the search ends.
class TSearchScope {
public:
  TSearchScope() {
    if (Screen) Screen->SetCursor(crHourGlass);
  }
  ~TSearchScope() {
    ReleaseSearchServer(ServerObject);
    if (Screen) Screen->SetCursor(crDefault);
  }
  TSearchScope(const TSearchScope&) = delete;
  TSearchScope& operator=(const TSearchScope&) = delete;
};

}  // namespace

TSearchRun::TSearchRun(const TSearchRunControls& Controls, TResourceTable* Table, String* DirSave,
                       TShowMessageOk ShowMessageOk)
    : C(Controls), FTable(Table), FDirSave(DirSave), FShowMessageOk(std::move(ShowMessageOk)) {}

Integer TSearchRun::SaveMode() const { return C.rg_BR_SaveMode ? C.rg_BR_SaveMode->GetItemIndex() : 0; }

void TSearchRun::Fail(const String& Text) {
  if (FShowMessageOk) FShowMessageOk(kRunCaption, kErrorHead, Text);
}

// ---- Start ---------------------------------------------------------------------

bool TSearchRun::CheckSaveFolder() {
  const String& dir = *FDirSave;
  if (dir.empty()) {
    Fail(u"Не задана папка для сохранения записей. Откройте настройки и укажите!");
    return false;
  }
  if (!FolderExists(dir)) {
    Fail(u"Папка для сохранения записей НЕ существует. Откройте настройки и исправьте!");
    return false;
  }
  if (!IsFolderWritable(dir)) {
    Fail(u"Папка для сохранения записей - только для чтения. Откройте настройки и укажите другую!");
    return false;
  }
  return true;
}

void TSearchRun::TakeSimpleCondition() {
  // The term and its use attribute come from the same box: the last ticked
  // one whose text is not empty.
  const struct {
    TCheckBox* Box;
    TControl* Edit;
    Integer Use;
  } boxes[] = {{C.cb_Simple_Title, C.Edit_Simple_Title, UseAttributeTitle},
               {C.cb_Simple_Author, C.Edit_Simple_Author, UseAttributeAuthor},
               {C.cb_Simple_Keyword, C.Edit_Simple_Keyword, UseAttributeKeyword}};
  for (const auto& b : boxes) {
    if (!b.Box || !b.Edit || !b.Box->GetChecked()) continue;
    const String text = Trim(b.Edit->GetText());
    if (text.empty()) continue;
    SearchTerm = text;
    UseAttribute = b.Use;
  }
}

void TSearchRun::PrepareFormatBuffers() {
  if (C.gb_BR_Buf_2) C.gb_BR_Buf_2->SetVisible(true);
  if (C.Splitter_BR_Buf_2) {
    C.Splitter_BR_Buf_2->SetVisible(true);
    // Aligned to the bottom and back to the top, so it lands under the group box.
    C.Splitter_BR_Buf_2->SetAlign(alBottom);
    if (Application) Application->ProcessMessages();
    C.Splitter_BR_Buf_2->SetAlign(alTop);
  }
  TSearchList& list = *C.SearchList;
  TStrings* syntaxes = C.ListBox_BR_Syntax->GetItems();
  for (Integer i = 0; i < list.lb_ListDB_ID->GetCount(); ++i) {
    const Integer id = list.IdAt(i);
    if (id <= 0 || i >= list.Count() || !list.clb_ListDB_Names->GetChecked(i)) continue;
    if (!FTable || !FTable->LocateInBuf(id)) continue;
    const String syntax = AnsiUpperCase(Trim(FTable->BufText(u"Syntax")));
    if (syntax.empty() || syntaxes->IndexOfName(syntax) >= 0) continue;
    // A syntax past the 49th gets its line but no buffer.
    FFormatBuffers.NewFormatBuffer(syntaxes->Add(syntax + u"=0"));
  }
}

Integer TSearchRun::FindTakenEntry(Integer Index, const String& Id) const {
  const TSearchList& list = *C.SearchList;
  TCheckListBox* names = list.clb_ListDB_Names;
  TStrings* ids = list.lb_ListDB_ID->GetItems();
  auto idAt = [&](Integer i) { return i < ids->GetCount() ? ids->Get(i) : String(); };
  if (Index >= 0 && Index < list.Count() && idAt(Index) == Id) return Index;
  for (Integer i = 0; i < list.Count(); ++i)
    if (!names->GetChecked(i) && idAt(i) == Id) return i;
  return -1;
}

void TSearchRun::GiveBackEntries() {
  TSearchList& list = *C.SearchList;
  for (const TTakenEntry& e : FTaken) {
    const Integer at = FindTakenEntry(e.Index, e.Id);
    if (at >= 0) list.clb_ListDB_Names->SetChecked(at, true);
  }
  FTaken.clear();
  if (FRunStart < list.Count()) list.Select(FRunStart);
}

void TSearchRun::sb_StartClick(TObject*) {
  // A click that arrives while a server is waited for gives that search up;
  // the tick that runs it starts the run anew once the server is released.
  // A resource test's wait is not the run's: the press is refused.
  if (FSearching) {
    if (!FSearchIsTest) FRestartRequested = true;
    return;
  }
  // A run this start replaces gives back what it took: every ticked resource
  // is searched once by the run that follows, none lost to the one replaced.
  // The files of a run that was replaced or stopped by a failure are in place
  // before anything of this one; those that failed are marked in its log and
  // their entries given back now, whether or not this start passes its checks.
  FCommits.Wait();
  MarkUnwrittenFiles();
  if (std::exchange(FRunning, false)) GiveBackEntries();
  FTaken.clear();
  C.sb_Stop->SetEnabled(false);
  FSaved.clear();
  FLostRecords = 0;
  FLogLost = false;
  FLostErrorCode = 0;
  C.Timer_ScanDB->SetEnabled(false);
  C.Edit_RecCount_FromDB->SetColor(kWhite);
  SearchTerm.clear();
  UseAttribute = 0;
  C.ListBox_BR_Syntax->GetItems()->Clear();
  FFormatBuffers.FreeFormatBuffers();
  if (C.gb_BR_Buf_2) C.gb_BR_Buf_2->SetVisible(false);
  if (C.Splitter_BR_Buf_2) C.Splitter_BR_Buf_2->SetVisible(false);
  RunPrepared = false;

  if (FDirSave->empty() && C.Edit_DirForBR) *FDirSave = Trim(C.Edit_DirForBR->GetText());
  if (!CheckSaveFolder()) return;

  TSearchList& list = *C.SearchList;
  if (list.Count() == 0) return;
  // A list whose resources are all gone from the resource list (deleted in
  // the editor) is kept as it is: the run has nothing to search and says so.
  if (!list.NamesAnyResource()) {
    Fail(u"Ни одного ресурса из списка для поиска нет в списке ресурсов: искать негде!");
    return;
  }
  list.RefreshSearchList();
  if (C.CB_Search_First && C.CB_Search_First->GetChecked()) list.SelectFirst();

  if (StrToIntDefTrim(C.Edit_RecCount_FromDB->GetText(), 0) < 1) {
    C.Edit_RecCount_FromDB->SetColor(kYellow);
    if (C.Edit_RecCount_FromDB->CanFocus()) C.Edit_RecCount_FromDB->SetFocus();
    Fail(u"Укажите корректное кол-во записей, которые нужно прочитать");
    return;
  }
  if (!C.cb_FindMode || C.cb_FindMode->GetItemIndex() <= 0) TakeSimpleCondition();
  if (UseAttribute < 1) {
    Fail(u"Не указано условие поиска");
    return;
  }

  SetRecordBuffer(String());
  C.Edit_BibRec_Find->SetText(u"0");
  C.Edit_BibRec_Load->SetText(u"0");
  RunPrepared = true;
  // Read before PrepareFormatBuffers lets messages run, where a click may
  // move the selection.
  FRunIndex = list.clb_ListDB_Names->GetItemIndex();
  FRunStart = FRunIndex;
  if (PerFormat()) PrepareFormatBuffers();

  // Nothing of this program writes there now: what a killed run left goes.
  RemoveLeftoverRecordTempFiles(*FDirSave);
  C.RE_LOG->GetLines()->Clear();
  AddLogLines(SearchLogHeadLines(*FDirSave, Now()));
  FRunning = true;
  C.sb_Stop->SetEnabled(true);
  C.Timer_ScanDB->SetInterval(ScanInterval);
  C.Timer_ScanDB->SetEnabled(true);
}

// ---- Tick ----------------------------------------------------------------------

void TSearchRun::Timer_ScanDBTimer(TObject*) {
  // A tick that comes while a resource test waits for its server waits its
  // turn: the timer stays on, and the run goes on once the test is over.
  if (FSearching) return;
  C.Timer_ScanDB->SetEnabled(false);
  try {
    ScanNextEntry();
  } catch (...) {
    // A fault (the server object, a log that cannot be written) ends the run:
    // the buttons no longer offer to stop it.
    FRunning = false;
    C.sb_Stop->SetEnabled(false);
    throw;
  }
}

void TSearchRun::ScanNextEntry() {
  TSearchList& list = *C.SearchList;
  TCheckListBox* names = list.clb_ListDB_Names;
  // Entries removed during the run: where none is left to visit, it is over.
  if (list.Count() == 0 || FRunIndex >= list.Count()) {
    EndRun();
    return;
  }

  if (FRunIndex >= 0) {
    if (!PerFormat()) SetRecordBuffer(String());
    const Integer i = FRunIndex;
    if (names->GetChecked(i)) {
      names->SetChecked(i, false);
      FTaken.push_back({i, list.lb_ListDB_ID->GetItems()->Get(i)});
      list.Select(i);
      const Integer findMode = C.cb_FindMode ? C.cb_FindMode->GetItemIndex() : 0;
      if (findMode >= 0) {
        TStringList params;
        if (FTable && FTable->ResourceToConnectionParams(list.IdAt(i), &params, false)) {
          if (findMode <= 0) {
            params.SetValue(TConnectionParams::WhatSearch, Trim(SearchTerm));
            params.SetValue(TConnectionParams::RecLimit,
                            IntToStr(StrToIntDefTrim(C.Edit_RecCount_FromDB->GetText(), 0)));
            params.SetValue(TConnectionParams::WhereSearch, IntToStr(UseAttribute));
          }
          SearchOneResource(&params, i, false);
          // Started again during the search: a new run replaces this one.
          if (std::exchange(FRestartRequested, false)) {
            sb_StartClick(nullptr);
            return;
          }
          // Stopped during the search, or the program closed: the run ends
          // where it is.
          if (FStopRequested || ProgramEnding()) return;
        } else {
          Fail(u"Некорректная информация для подключения. Проверьте!");
        }
      }
    } else {
      // Unticked entries are passed over within this tick, each marked.
      for (;;) {
        const Integer cur = FRunIndex;
        if (!names->GetChecked(cur)) {
          SetCaptionMark(cur, u"(-) ");
          if (cur < list.Count() - 1) {
            ++FRunIndex;
            continue;
          }
          break;
        }
        // Back one, so the advance below brings the run to this entry.
        --FRunIndex;
        break;
      }
      list.Select(FRunIndex);
    }
  }

  if (FRunIndex >= list.Count() - 1) {
    EndRun();
    return;
  }
  // The list shows where the run stands.
  list.Select(++FRunIndex);
  C.Timer_ScanDB->SetEnabled(true);
}

void TSearchRun::EndRun() {
  FCommits.Wait();
  MarkUnwrittenFiles();
  if (RunPrepared && PerFormat()) {
    TStrings* syntaxes = C.ListBox_BR_Syntax->GetItems();
    for (Integer i = 0; i < syntaxes->GetCount(); ++i) {
      const String syntax = syntaxes->GetName(i);
      const String file = RecordFileNameByFormat(i + 1, syntax);
      bool written = false;
      int error = 0;
      const bool buffered = FFormatBuffers.WriteFormatBuffer(i, *FDirSave + file, true, false, written, &error);
      AddLogLine(SearchLogFormatLine(syntax, file, buffered && written));
      if (buffered && !written) {
        FLostErrorCode = error;
        FormatRecordsLost(i, file);
      }
      if (!buffered && FShowMessageOk)
        FShowMessageOk(u"Сохранение информации", kErrorHead, u"Файл не записан: " + file);
    }
  }
  AddLogLines(SearchLogFinishLines(Now()));
  if (RunPrepared) SaveLastLog();
  FRunning = false;
  C.sb_Stop->SetEnabled(false);
  ReportLostFiles();
  if (FShowMessageOk) FShowMessageOk(kRunCaption, String(), u"Процесс поиска и выборки закончен!");
  FFormatBuffers.FreeFormatBuffers();
}

// ---- Stop ----------------------------------------------------------------------

void TSearchRun::sb_StopClick(TObject*) {
  StopRun();
  if (FShowMessageOk) FShowMessageOk(kRunCaption, u"СТОП!", u"Остановлено по Вашему требованию!");
}

void TSearchRun::StopForClose() {
  if (FRunning) StopRun();
}

void TSearchRun::StopRun() {
  // A search under way is given up the next time its wait looks; a start
  // pressed before the stop is forgotten.
  const bool givenUp = FRunning && FSearching && !FSearchIsTest;
  // The server tells what it found once it has answered: its records may be
  // coming.
  const Integer found = givenUp ? ServerFound(ServerObject) : 0;
  if (givenUp) ShowFound(found);
  FStopRequested = true;
  FRestartRequested = false;
  FRunning = false;
  C.Timer_ScanDB->SetEnabled(false);
  C.sb_Stop->SetEnabled(false);
  GiveBackUnfinished(givenUp, found);
  AddLogLines(SearchLogStopLines(Now()));
  // The files of the resources already handled are written first, so that the
  // saved log tells which could not be.
  FCommits.Wait();
  MarkUnwrittenFiles();
  if (RunPrepared) SaveLastLog();
  ReportLostFiles();
}

// ---- One resource --------------------------------------------------------------

bool TSearchRun::SearchOneResource(TStrings* P, Integer Index, bool TestMode) {
  // One search at a time: one asked for while another waits for its server
  // (a resource test pressed meanwhile) would release the server object the
  // waiting search is still inside.
  if (FSearching) return false;
  FSearchError.clear();
  ReleaseSearchServer(ServerObject);
  if (!P || P->GetCount() == 0) return false;
  using N = TConnectionParams;
  const String term = Trim(P->GetValue(N::WhatSearch));
  const Integer limit = StrToIntDefTrim(P->GetValue(N::RecLimit), 0);
  const Integer use = StrToIntDefTrim(P->GetValue(N::WhereSearch), 0);
  if (term.empty() || limit <= 0 || use <= 0) return false;

  TSearchList& list = *C.SearchList;
  // The entry's caption as it is before the wait: the list may be cleared or
  // changed meanwhile, and the log still names the resource searched.
  const String searched = Index >= 0 && Index < list.Count() ? list.clb_ListDB_Names->GetItems()->Get(Index) : String();
  FSearchedCaption = searched;
  TSearchScope scope;
  CreateSearchServer(SearchServerProgID, ServerObject);
  if (!SetConnectionProperties(ServerObject, P)) return false;
  // While the server is waited for, the windows repaint and the stop and
  // start buttons answer.
  FStopRequested = false;
  FRestartRequested = false;
  // The counter shows the resource's hits as soon as its server tells them.
  if (!TestMode) FFoundBefore = StrToIntDefTrim(C.Edit_BibRec_Find->GetText(), 0);
  SetOleCallWaitHandler(ServerObject, [this] { return WaitForServer(); });
  Variant result;
  {
    TScopeExit waitOver([this] {
      if (FOnServerWait) FOnServerWait(false);
    });
    TTemporaryChange<bool> searching(FSearching, true);
    TTemporaryChange<bool> testing(FSearchIsTest, TestMode);
    if (FOnServerWait) FOnServerWait(true);
    RunSingleSearch(ServerObject, term, use, limit, result);
  }
  FSearchError = ServerLastError(ServerObject);
  // Stopped or started again meanwhile: the stop has written its lines, a new
  // run writes its own; the search leaves no other. Nor when the program
  // closed meanwhile: the run ends with it.
  if (FStopRequested || FRestartRequested || ProgramEnding()) return false;
  const String& error = FSearchError;
  if (TestMode) return error.empty();
  // The records' text is taken out of the result, not copied: a large fetch
  // is hundreds of megabytes, and every copy of it counts.
  String raw = VarToStr(std::move(result));
  String mark;  // the count mark, once the records are counted
  auto caption = [&] { return mark + searched; };
  // A failure, or records the server could not deliver whole, leave their
  // reason in the log (a search that found nothing leaves nothing).
  auto logFaults = [&](const String& Error, Integer Lost) {
    if (!Error.empty()) AddLogLine(SearchLogFailureLine(caption(), Error));
    if (Lost > 0) AddLogLine(SearchLogFailureLine(caption(), SearchLogBytesLostText(Lost)));
    if ((!Error.empty() || Lost > 0) && RunPrepared) SaveLog();
  };
  if (raw.empty()) {
    // A search answered whose records all failed to come: what it found is
    // counted, and its line says how many.
    const Integer found = error.empty() ? 0 : ServerCount(ServerObject, u"tReturned");
    ShowFound(found);
    logFaults(found > 0 ? SearchLogFoundFailureText(found, error) : error, 0);
    return error.empty();
  }

  const Integer found = ServerCount(ServerObject, u"tReturned");
  ShowFound(found);
  const Integer received = ServerCount(ServerObject, u"rCount");
  AddToCounter(C.Edit_BibRec_Load, received);
  mark = u"(" + IntToStr(received) + u") ";
  // Marked only where the entry still is.
  const bool listed =
      !searched.empty() && Index < list.Count() && list.clb_ListDB_Names->GetItems()->Get(Index) == searched;
  if (listed) SetCaptionMark(Index, mark);
  // What the run needs to give the entry back when its records go nowhere.
  auto saved = [&](const String& File, Integer Line, Integer Syntax) {
    TStrings* ids = list.lb_ListDB_ID->GetItems();
    return TSavedRecords{Index,
                         listed && Index < ids->GetCount() ? ids->Get(Index) : String(),
                         listed ? mark : String(),
                         caption(),
                         File,
                         Line,
                         Syntax};
  };

  // The records as the file gets them: the server's bytes, each record's
  // terminators kept. Only the blanks around a result that does not end with
  // a record terminator go; anything else that would go is reported.
  Integer lost = 0;
  String content = RecordFileContent(std::move(raw), &lost);

  if (PerFormat()) {
    if (!RunPrepared) return true;
    const String syntax = AnsiUpperCase(Trim(P->GetValue(N::zSyntax)));
    TStrings* syntaxes = C.ListBox_BR_Syntax->GetItems();
    const Integer line = syntaxes->IndexOfName(syntax);
    if (line < 0) return true;
    // Content is its own content: the buffer takes it as it is.
    FFormatBuffers.AppendToFormatBuffer(line, std::move(content));
    if (FFormatBuffers.HasFormatBuffer(line)) FSaved.push_back(saved(String(), -1, line));
    syntaxes->SetValueFromIndex(line, IntToStr(StrToIntDefTrim(syntaxes->GetValueFromIndex(line), 0) + received));
    logFaults(error, lost);
    return true;
  }

  // The record buffer holds them; the file is written from it.
  SetRecordBuffer(std::move(content));
  if (!RunPrepared) return true;
  const Integer id = StrToIntDefTrim(P->GetValue(N::ID_THIS), 0);
  if (id <= 0) return true;
  if (!FRecordBuffer.empty()) {
    const String file = RecordFileNameByResource(id, P->GetValue(N::zHost), P->GetValue(N::zDatabase),
                                                 P->GetValue(N::zPORT), P->GetValue(N::zSyntax));
    // Written behind the run while the next resource is searched. A folder in
    // the file's place marks the line at once; a write that fails there marks
    // it when the run next looks (MarkUnwrittenFiles), before the log is saved
    // again.
    FSaved.push_back(saved(file, C.RE_LOG->GetLines()->GetCount(), -1));
    const bool queued = QueueTextFile(FCommits, *FDirSave + file, FRecordBuffer, IntToStr(Integer(FSaved.size()) - 1));
    AddLogLine(SearchLogResourceLine(caption(), file, queued));
    if (!queued) {
      FLostErrorCode = EISDIR;  // a folder stands on the file's name
      RecordsLost(FSaved.back());
    }
  }
  logFaults(error, lost);
  SaveLog();
  return true;
}

bool TSearchRun::WaitForServer() {
  if (FSearching && !FSearchIsTest) ShowFound(ServerFound(ServerObject));
  if (Application) Application->ProcessMessages();
  return !FStopRequested && !FRestartRequested && !ProgramEnding();
}

// ---- Helpers -------------------------------------------------------------------

void TSearchRun::SetCaptionMark(Integer Index, const String& Mark) {
  TCheckListBox* names = C.SearchList->clb_ListDB_Names;
  if (Index < 0 || Index >= names->GetCount()) return;
  const bool checked = names->GetChecked(Index);
  names->GetItems()->Put(Index, Mark + names->GetItems()->Get(Index));
  names->SetChecked(Index, checked);
}

void TSearchRun::ShowFound(Integer Found) {
  const String text = IntToStr(FFoundBefore + Found);
  if (C.Edit_BibRec_Find->GetText() != text) C.Edit_BibRec_Find->SetText(text);
}

void TSearchRun::AddToCounter(TControl* Counter, Integer Value) {
  Counter->SetText(IntToStr(StrToIntDefTrim(Counter->GetText(), 0) + Value));
}

void TSearchRun::SetRecordBuffer(String Text) {
  FRecordBuffer = std::move(Text);
  // Laying out kilobytes of record bytes in an edit costs more than a search:
  // the control gets them only while it can be seen.
  if (C.RE_Find_Result && (C.RE_Find_Result->GetShowing() || !C.RE_Find_Result->GetText().empty()))
    C.RE_Find_Result->SetText(C.RE_Find_Result->GetShowing() ? FRecordBuffer : String());
}

void TSearchRun::AddLogLine(const String& Line) { C.RE_LOG->GetLines()->Add(Line); }

void TSearchRun::AddLogLines(const std::vector<String>& L) {
  for (const String& line : L) AddLogLine(line);
}

void TSearchRun::MarkUnwrittenFiles() {
  TStrings* lines = C.RE_LOG->GetLines();
  int error = 0;
  const std::vector<String> failed = FCommits.TakeFailed(&error);
  if (!failed.empty()) FLostErrorCode = error;
  for (const String& tag : failed) {
    if (tag == kLogTag) {
      FLogLost = true;
      continue;
    }
    const Integer at = StrToIntDefTrim(tag, -1);
    if (at < 0 || at >= Integer(FSaved.size())) continue;
    const TSavedRecords& r = FSaved[static_cast<size_t>(at)];
    // Lines are only added during a run: the file's line is where it was put.
    const String line = SearchLogResourceLine(r.Caption, r.File, true);
    if (r.Line < lines->GetCount() && lines->Get(r.Line) == line)
      lines->Put(r.Line, SearchLogResourceLine(r.Caption, r.File, false));
    RecordsLost(r);
  }
}

void TSearchRun::SaveLog() {
  MarkUnwrittenFiles();
  const String name = SearchLogFileName(*FDirSave, SaveMode());
  // A folder in the log's place stops the run at once; a write that fails
  // there is told at the run's next look, and the run goes on.
  try {
    CheckFileReplaceable(name);
  } catch (const std::exception&) {
    // The run stops here: the files it queued before are in place first.
    FCommits.Wait();
    MarkUnwrittenFiles();
    throw;
  }
  // Only the newest log counts: one still waiting to be written is dropped.
  FCommits.Replace(name, FLogSaver.Bytes(C.RE_LOG->GetTextRef()), SearchLogFileMode, kLogTag);
}

void TSearchRun::SaveLastLog() {
  MarkUnwrittenFiles();
  // Only this save tells whether the log on the disk is whole.
  FLogLost = false;
  SaveLog();
  FCommits.Wait();
  MarkUnwrittenFiles();
}

void TSearchRun::RecordsLost(const TSavedRecords& R) {
  ++FLostRecords;
  GiveBack(R.Index, R.Id, R.Mark);
}

void TSearchRun::GiveBack(Integer Index, const String& Id, const String& Mark) {
  const Integer at = FindTakenEntry(Index, Id);
  if (at < 0) return;
  TCheckListBox* names = C.SearchList->clb_ListDB_Names;
  const String caption = names->GetItems()->Get(at);
  if (!Mark.empty() && caption.starts_with(Mark)) names->GetItems()->Put(at, caption.substr(Mark.size()));
  names->SetChecked(at, true);
}

void TSearchRun::FormatRecordsLost(Integer Syntax, const String& File) {
  for (const TSavedRecords& r : FSaved) {
    if (r.Syntax != Syntax) continue;
    AddLogLine(SearchLogResourceLine(r.Caption, File, false));
    RecordsLost(r);
  }
}

void TSearchRun::GiveBackUnfinished(bool SearchGivenUp, Integer Found) {
  if (PerFormat()) {
    for (const TSavedRecords& r : FSaved) {
      if (r.Syntax < 0) continue;
      AddLogLine(SearchLogFailureLine(r.Caption, SearchLogNotSavedText));
      GiveBack(r.Index, r.Id, r.Mark);
    }
    // Given back once: the buffers stay until the next start, unwritten.
    std::erase_if(FSaved, [](const TSavedRecords& r) { return r.Syntax >= 0; });
  }
  if (SearchGivenUp && !FTaken.empty()) {
    const TTakenEntry& e = FTaken.back();
    AddLogLine(SearchLogFailureLine(FSearchedCaption,
                                    Found > 0 ? SearchLogFoundFailureText(Found, SearchLogStoppedWhileFetchingText)
                                              : String(SearchLogNotAnsweredText)));
    GiveBack(e.Index, e.Id, String());
  }
}

void TSearchRun::ReportLostFiles() {
  if (FLostRecords == 0 && !FLogLost) return;
  Fail(LostFilesText(*FDirSave, FLostRecords > 0, FLogLost, FLostErrorCode));
}
