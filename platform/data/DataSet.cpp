// TDataSet: opening and closing, the window of record buffers, navigation,
// editing, states and data events. Searching and field access are in
// DataSetFields.cpp.

#include "platform/data/DataSet.h"

#include <algorithm>
#include <exception>

#include "platform/core/Format.h"
#include "platform/core/ScopeGuard.h"
#include "platform/data/DBConsts.h"
#include "platform/data/DataSource.h"
#include "platform/data/PtrSnapshot.h"

namespace {
constexpr Integer MaxBufferCount = 1024;
}

void DatabaseError(const String& Message, const TComponent* Component) {
  if (Component && !Component->GetName().empty()) throw EDatabaseError(Component->GetName() + u": " + Message);
  throw EDatabaseError(Message);
}

void DatabaseErrorFmt(const String& Message, std::initializer_list<String> Args, const TComponent* Component) {
  std::vector<TVarRec> args;
  for (const String& a : Args) args.emplace_back(a);
  DatabaseError(Format(Message, args), Component);
}

TDataSet::TDataSet(TComponent* AOwner)
    : TComponent(AOwner),
      FFields(std::make_unique<TFields>(this)),
      FAggFields(std::make_unique<TFields>(this)),
      FFieldDefs(std::make_unique<TFieldDefs>(this)) {}

TDataSet::~TDataSet() {
  Destroying();
  // A descendant closes itself in its own destructor: its buffers and cursor
  // are gone by now, so only the links are cut here.
  while (!FDataSources.empty()) FDataSources.back()->SetDataSet(nullptr);
  DestroyFields();
  for (TField* f : std::vector<TField*>(FAggFields->begin(), FAggFields->end())) f->FDataSet = nullptr;
  FAggFields->Clear();
  FBuffers.clear();
}

// ---- opening and closing -------------------------------------------------

bool TDataSet::GetActive() const { return FState != dsInactive && FState != dsOpening; }

void TDataSet::SetActive(bool Value) {
  if (GetComponentState().Contains(csReading) || GetComponentState().Contains(csLoading)) {
    FStreamedActive = Value;
    return;
  }
  if (GetActive() == Value) return;
  if (Value) {
    DoBeforeOpen();
    FInternalOpenComplete = false;
    TScopeExit Complete([&] { OpenCursorComplete(); });
    OpenCursor(false);
  } else {
    bool destroying = GetComponentState().Contains(csDestroying);
    if (!destroying) DoBeforeClose();
    SetState(dsInactive);
    CloseCursor();
    if (!destroying) DoAfterClose();
  }
}

void TDataSet::OpenCursor(bool InfoQuery) {
  if (InfoQuery) InternalInitFieldDefs();
  else if (FState != dsOpening) DoInternalOpen();
}

void TDataSet::DoInternalOpen() {
  FDefaultFields = FFields->Count() == 0;
  InternalOpen();
  FInternalOpenComplete = true;
  UpdateBufferCount();
  FBOF = true;
}

void TDataSet::OpenCursorComplete() {
  if (FInternalOpenComplete) {
    SetState(dsBrowse);
    DoAfterOpen();
    if (!IsEmpty()) DoAfterScroll();
  } else {
    SetState(dsInactive);
    try {
      CloseCursor();
    } catch (...) {
      // The open failed already; that error is the one to report.
    }
  }
}

void TDataSet::CloseCursor() {
  FInternalOpenComplete = false;
  ClearBuffers();
  SetBufListSize(0);
  if (IsCursorOpen()) InternalClose();
  FBufferCount = 0;
  FDefaultFields = false;
}

void TDataSet::CheckActive() const {
  if (!GetActive()) DatabaseError(SDataSetClosed, this);
}

void TDataSet::CheckInactive() const {
  if (GetActive()) DatabaseError(SDataSetOpen, this);
}

void TDataSet::Loaded() {
  TComponent::Loaded();
  if (FStreamedActive) {
    FStreamedActive = false;
    SetActive(true);
  }
}

void TDataSet::Refresh() {
  DoBeforeRefresh();
  CheckBrowseMode();
  UpdateCursorPos();
  {
    TScopeExit Again([&] { Resync({}); });
    InternalRefresh();
  }
  DoAfterRefresh();
}

void TDataSet::InternalHandleException() {
  // Without an application object here the error being handled goes on to
  // the caller; outside a handler there is nothing to pass on.
  if (std::exception_ptr e = std::current_exception()) std::rethrow_exception(e);
}

// ---- the window of buffers -----------------------------------------------

void TDataSet::SetBufListSize(Integer Value) {
  Integer old = static_cast<Integer>(FBuffers.size());
  if (Value == old) return;
  if (Value < old) {
    for (Integer i = old - 1; i >= Value; --i) FreeRecordBuffer(FBuffers[i]);
    FBuffers.resize(Value);
  } else {
    FBuffers.reserve(Value);
    for (Integer i = old; i < Value; ++i) FBuffers.push_back(AllocRecordBuffer());
  }
}

std::vector<TDataLink*> TDataSet::CollectLinks() const {
  std::vector<TDataLink*> links;
  for (TDataSource* ds : FDataSources)
    for (TDataLink* l : ds->FDataLinks) links.push_back(l);
  return links;
}

void TDataSet::SetBufferCount(Integer Value) {
  Value = std::clamp(Value, 1, MaxBufferCount);
  if (FBufferCount == Value) return;
  auto adjustFirstRecord = [this](Integer delta) {
    if (delta == 0) return;
    for (TDataLink* l : CollectLinks())
      if (l->FActive) l->FFirstRecord += delta;
  };
  if (FBufferCount > Value && FRecordCount > 0) {
    // Keep the active record inside the smaller window: drop from the front
    // what lies too far before it, then from the back.
    Integer drop = std::max(0, FActiveRecord - (Value - 1));
    if (drop > 0) {
      std::rotate(FBuffers.begin(), FBuffers.begin() + drop, FBuffers.begin() + FRecordCount);
      FActiveRecord -= drop;
      FRecordCount -= drop;
      FCurrentRecord = FCurrentRecord >= drop ? FCurrentRecord - drop : -1;
      adjustFirstRecord(-drop);
    }
    if (FRecordCount > Value) {
      FRecordCount = Value;
      if (FCurrentRecord >= FRecordCount) FCurrentRecord = -1;
    }
  }
  bool grow = Value > FBufferCount;
  SetBufListSize(Value + 1);
  FBufferCount = Value;
  if (grow && FRecordCount > 0) {
    GetNextRecords();
    adjustFirstRecord(GetPriorRecords());
  } else if (FRecordCount == 0 && IsCursorOpen()) {
    GetNextRecords();
  }
}

void TDataSet::UpdateBufferCount() {
  // While the dataset is being destroyed its cursor is no longer there to ask.
  if (GetComponentState().Contains(csDestroying) || !IsCursorOpen()) return;
  Integer count = 1;
  for (TDataLink* l : CollectLinks()) count = std::max(count, l->FBufferCount);
  SetBufferCount(count);
}

void TDataSet::ClearBuffers() {
  FRecordCount = 0;
  FActiveRecord = 0;
  FCurrentRecord = -1;
  FBOF = true;
  FEOF = true;
}

void TDataSet::ActivateBuffers() {
  FRecordCount = 1;
  FActiveRecord = 0;
  FBOF = false;
  FEOF = false;
}

void TDataSet::MoveBuffer(Integer CurIndex, Integer NewIndex) {
  if (CurIndex == NewIndex) return;
  TRecordBuffer b = FBuffers[CurIndex];
  if (CurIndex < NewIndex)
    std::copy(FBuffers.begin() + CurIndex + 1, FBuffers.begin() + NewIndex + 1, FBuffers.begin() + CurIndex);
  else std::copy_backward(FBuffers.begin() + NewIndex, FBuffers.begin() + CurIndex, FBuffers.begin() + CurIndex + 1);
  FBuffers[NewIndex] = b;
}

void TDataSet::SetCurrentRecord(Integer Index) {
  if (FCurrentRecord == Index) return;
  TRecordBuffer b = FBuffers[Index];
  switch (GetBookmarkFlag(b)) {
    case bfCurrent:
    case bfInserted: InternalSetToRecord(b); break;
    case bfBOF: InternalFirst(); break;
    case bfEOF: InternalLast(); break;
  }
  FCurrentRecord = Index;
}

void TDataSet::UpdateCursorPos() {
  if (FRecordCount > 0) SetCurrentRecord(FActiveRecord);
}

bool TDataSet::GetNextRecord() {
  TGetMode mode = gmNext;
  if (FRecordCount > 0) {
    SetCurrentRecord(FRecordCount - 1);
    if (FState == dsInsert && FCurrentRecord == FActiveRecord && GetBookmarkFlag(ActiveBuffer()) == bfCurrent)
      mode = gmCurrent;
  }
  bool ok = GetRecord(FBuffers[FRecordCount], mode, true) == grOK;
  if (ok) {
    if (FRecordCount == 0) ActivateBuffers();
    else if (FRecordCount < FBufferCount) ++FRecordCount;
    else MoveBuffer(0, FRecordCount);
    FCurrentRecord = FRecordCount - 1;
  } else {
    CursorPosChanged();
  }
  return ok;
}

bool TDataSet::GetPriorRecord() {
  if (FRecordCount > 0) SetCurrentRecord(0);
  bool ok = GetRecord(FBuffers[FRecordCount], gmPrior, true) == grOK;
  if (ok) {
    if (FRecordCount == 0) {
      ActivateBuffers();
    } else {
      MoveBuffer(FRecordCount, 0);
      if (FRecordCount < FBufferCount) {
        ++FRecordCount;
        ++FActiveRecord;
      }
    }
    FCurrentRecord = 0;
  } else {
    CursorPosChanged();
  }
  return ok;
}

Integer TDataSet::GetNextRecords() {
  Integer n = 0;
  while (FRecordCount < FBufferCount && GetNextRecord()) ++n;
  return n;
}

Integer TDataSet::GetPriorRecords() {
  Integer n = 0;
  while (FRecordCount < FBufferCount && GetPriorRecord()) ++n;
  return n;
}

void TDataSet::Resync(TResyncMode Mode) {
  if (FBuffers.empty()) return;
  if (Mode.Contains(rmExact)) {
    CursorPosChanged();
    if (GetRecord(FBuffers[FRecordCount], gmCurrent, true) != grOK) DatabaseError(SRecordNotFound, this);
  } else if (GetRecord(FBuffers[FRecordCount], gmCurrent, false) != grOK &&
             GetRecord(FBuffers[FRecordCount], gmNext, false) != grOK &&
             GetRecord(FBuffers[FRecordCount], gmPrior, false) != grOK) {
    ClearBuffers();
    DataEvent(deDataSetChange, 0);
    return;
  }
  Integer count = Mode.Contains(rmCenter) ? (FBufferCount - 1) / 2 : FActiveRecord;
  MoveBuffer(FRecordCount, 0);
  ActivateBuffers();
  FCurrentRecord = 0;
  RunOrCleanUp(
      [&] {
        while (count > 0 && GetPriorRecord()) --count;
        GetNextRecords();
        GetPriorRecords();
      },
      [&] { DataEvent(deDataSetChange, 0); });
  DataEvent(deDataSetChange, 0);
}

// ---- navigation ------------------------------------------------------------

void TDataSet::First() {
  CheckBrowseMode();
  DoBeforeScroll();
  ClearBuffers();
  {
    TScopeExit AtStart([&] {
      FBOF = true;
      DataEvent(deDataSetChange, 0);
    });
    InternalFirst();
    GetNextRecord();
    GetNextRecords();
  }
  DoAfterScroll();
}

void TDataSet::Last() {
  CheckBrowseMode();
  DoBeforeScroll();
  ClearBuffers();
  {
    TScopeExit AtEnd([&] {
      FEOF = true;
      DataEvent(deDataSetChange, 0);
    });
    InternalLast();
    GetPriorRecord();
    GetPriorRecords();
  }
  DoAfterScroll();
}

Integer TDataSet::MoveBy(Integer Distance) {
  CheckBrowseMode();
  Integer result = 0;
  DoBeforeScroll();
  if ((Distance > 0 && !FEOF) || (Distance < 0 && !FBOF)) {
    FBOF = false;
    FEOF = false;
    Integer scrollCount = 0;
    {
      TScopeExit Notify([&] { DataEvent(deDataSetScroll, scrollCount); });
      while (Distance > 0) {
        if (FActiveRecord < FRecordCount - 1) {
          ++FActiveRecord;
        } else {
          bool full = FRecordCount >= FBufferCount;
          if (!GetNextRecord()) {
            FEOF = true;
            break;
          }
          if (full) --scrollCount;
          else FActiveRecord = FRecordCount - 1;
        }
        --Distance;
        ++result;
      }
      while (Distance < 0) {
        if (FActiveRecord > 0) {
          --FActiveRecord;
        } else {
          bool full = FRecordCount >= FBufferCount;
          if (!GetPriorRecord()) {
            FBOF = true;
            break;
          }
          if (full) ++scrollCount;
          else FActiveRecord = 0;
        }
        ++Distance;
        --result;
      }
    }
    DoAfterScroll();
  }
  return result;
}

// ---- bookmarks ---------------------------------------------------------------

bool TDataSet::BookmarkAvailable() const {
  return (FState == dsBrowse || FState == dsEdit || FState == dsInsert) && !IsEmpty() &&
         GetBookmarkFlag(ActiveBuffer()) == bfCurrent;
}

TBookmark TDataSet::GetBookmark() const {
  TBookmark b;
  if (BookmarkAvailable()) {
    b.resize(FBookmarkSize);
    GetBookmarkData(ActiveBuffer(), b);
  }
  return b;
}

void TDataSet::GotoBookmark(const TBookmark& Bookmark) {
  if (Bookmark.IsNil()) return;
  CheckBrowseMode();
  DoBeforeScroll();
  InternalGotoBookmark(Bookmark);
  Resync({rmExact, rmCenter});
  DoAfterScroll();
}

bool TDataSet::BookmarkValid(const TBookmark&) const { return false; }

Integer TDataSet::CompareBookmarks(const TBookmark&, const TBookmark&) const { return 0; }

TBookmarkStr TDataSet::GetBookmarkStr() const {
  TBookmark b = GetBookmark();
  return TBookmarkStr(reinterpret_cast<const char*>(b.data()), static_cast<size_t>(b.size()));
}

void TDataSet::SetBookmarkStr(const TBookmarkStr& Value) {
  if (Value.size() > static_cast<size_t>(TBookmark::MaxSize)) DatabaseError(SRecordNotFound, this);
  GotoBookmark(TBookmark(Value.data(), static_cast<int>(Value.size())));
}

// ---- editing -----------------------------------------------------------------

void TDataSet::CheckCanModify() const {
  if (!CanModify()) DatabaseError(SDataSetReadOnly, this);
}

void TDataSet::CheckOperation(const std::function<void()>& Operation, const TDataSetErrorEvent& ErrorEvent) {
  for (;;) {
    try {
      UpdateCursorPos();
      Operation();
      return;
    } catch (EDatabaseError& e) {
      TDataAction action = daFail;
      if (ErrorEvent) ErrorEvent(this, e, action);
      if (action == daFail) throw;
      if (action == daAbort) throw EAbort(u"Operation aborted");
    }
  }
}

void TDataSet::InitRecord(TRecordBuffer Buffer) {
  InternalInitRecord(Buffer);
  ClearCalcFields(Buffer);
  SetBookmarkFlag(Buffer, bfInserted);
}

void TDataSet::Edit() {
  if (FState == dsEdit || FState == dsInsert) return;
  if (FRecordCount == 0) {
    Insert();
    return;
  }
  CheckBrowseMode();
  CheckCanModify();
  DoBeforeEdit();
  CheckOperation([this] { InternalEdit(); }, OnEditError);
  GetCalcFields(ActiveBuffer());
  SetState(dsEdit);
  DataEvent(deRecordChange, 0);
  DoAfterEdit();
}

void TDataSet::BeginInsertAppend() {
  CheckBrowseMode();
  CheckCanModify();
  DoBeforeInsert();
}

void TDataSet::EndInsertAppend() {
  SetState(dsInsert);
  try {
    DoOnNewRecord();
  } catch (...) {
    UpdateCursorPos();
    SetState(dsBrowse);
    Resync({});
    throw;
  }
  FModified = false;
  DataEvent(deDataSetChange, 0);
  DoAfterInsert();
}

void TDataSet::Insert() {
  BeginInsertAppend();
  TBookmark oldCurrent = GetBookmark();
  MoveBuffer(FRecordCount, FActiveRecord);
  TRecordBuffer b = ActiveBuffer();
  InitRecord(b);
  if (FRecordCount == 0) SetBookmarkFlag(b, bfBOF);
  else SetBookmarkData(b, oldCurrent);
  if (FRecordCount < FBufferCount) ++FRecordCount;
  if (FCurrentRecord >= FActiveRecord) CursorPosChanged();
  InternalInsert();
  EndInsertAppend();
}

void TDataSet::Append() {
  BeginInsertAppend();
  ClearBuffers();
  TRecordBuffer b = FBuffers[0];
  InitRecord(b);
  SetBookmarkFlag(b, bfEOF);
  FRecordCount = 1;
  FBOF = false;
  GetPriorRecords();
  InternalInsert();
  EndInsertAppend();
}

void TDataSet::DoOnNewRecord() {
  if (OnNewRecord) OnNewRecord(this);
}

void TDataSet::UpdateRecord() {
  if (!dsWriteModes.Contains(FState)) DatabaseError(SNotEditing, this);
  DataEvent(deUpdateRecord, 0);
}

void TDataSet::InternalPost() {
  for (TField* f : *FFields)
    if (f->GetRequired() && !f->GetReadOnly() && f->GetFieldKind() == fkData && f->GetIsNull()) {
      f->FocusControl();
      DatabaseErrorFmt(SFieldRequired, {f->GetDisplayName()});
    }
}

void TDataSet::Post() {
  UpdateRecord();
  if (FState == dsSetKey) {
    SetState(dsBrowse);
    return;
  }
  if (FState != dsEdit && FState != dsInsert) return;
  DataEvent(deCheckBrowseMode, 0);
  DoBeforePost();
  CheckOperation([this] { InternalPost(); }, OnPostError);
  SetState(dsBrowse);
  Resync({});
  DoAfterPost();
}

void TDataSet::Cancel() {
  if (FState == dsSetKey) {
    SetState(dsBrowse);
    return;
  }
  if (FState != dsEdit && FState != dsInsert) return;
  DataEvent(deCheckBrowseMode, 0);
  DoBeforeCancel();
  bool scrollEvents = FState == dsInsert;
  if (scrollEvents) DoBeforeScroll();
  UpdateCursorPos();
  InternalCancel();
  SetState(dsBrowse);
  Resync({});
  DoAfterCancel();
  if (scrollEvents) DoAfterScroll();
}

void TDataSet::Delete() {
  CheckActive();
  if (FState == dsInsert || FState == dsSetKey) {
    Cancel();
    return;
  }
  if (FRecordCount == 0) DatabaseError(SDataSetEmpty, this);
  CheckCanModify();
  DataEvent(deCheckBrowseMode, 0);
  DoBeforeDelete();
  DoBeforeScroll();
  CheckOperation([this] { InternalDelete(); }, OnDeleteError);
  SetState(dsBrowse);
  Resync({});
  DoAfterDelete();
  DoAfterScroll();
}

void TDataSet::CheckBrowseMode() {
  CheckActive();
  DataEvent(deCheckBrowseMode, 0);
  switch (FState) {
    case dsEdit:
    case dsInsert:
      UpdateRecord();
      if (FModified) Post();
      else Cancel();
      break;
    case dsSetKey: Post(); break;
    default: break;
  }
}

void TDataSet::SetFields(const std::vector<Variant>& Values) {
  Integer n = std::min(static_cast<Integer>(Values.size()), FFields->Count());
  for (Integer i = 0; i < n; ++i) {
    TField* f = FFields->GetField(i);
    if (!Values[i].IsEmpty() && f->GetCanModify()) f->SetValue(Values[i]);
  }
}

void TDataSet::InsertRecord(const std::vector<Variant>& Values) {
  Insert();
  SetFields(Values);
  Post();
}

void TDataSet::AppendRecord(const std::vector<Variant>& Values) {
  Append();
  SetFields(Values);
  Post();
}

void TDataSet::ClearFields() {
  if (!dsEditModes.Contains(FState)) DatabaseError(SNotEditing, this);
  for (TField* f : *FFields)
    if (f->GetFieldKind() == fkData && f->GetCanModify()) f->Clear();
}

// ---- states and data events ----------------------------------------------

void TDataSet::SetState(TDataSetState Value) {
  if (FState == Value) return;
  FState = Value;
  FModified = false;
  DataEvent(deUpdateState, 0);
}

TDataSetState TDataSet::SetTempState(TDataSetState Value) {
  TDataSetState old = FState;
  FState = Value;
  return old;
}

void TDataSet::RestoreState(TDataSetState Value) { FState = Value; }

void TDataSet::DisableControls() {
  if (FDisableCount == 0) {
    FDisableState = FState;
    FEnableEvent = deDataSetChange;
  }
  ++FDisableCount;
}

void TDataSet::EnableControls() {
  if (FDisableCount == 0) return;
  if (--FDisableCount == 0) {
    if (FDisableState != FState) DataEvent(deUpdateState, 0);
    if (FDisableState != dsInactive && FState != dsInactive) DataEvent(FEnableEvent, 0);
  }
}

void TDataSet::CheckNestedBrowseMode() {
  // Details follow their master into browse mode. This runs on every cursor
  // step, so the common case (no detail links) walks the lists without copying.
  TDataSet* details[8];
  size_t count = 0;
  bool more = false;
  for (TDataSource* ds : FDataSources)
    for (TDataLink* l : ds->FDataLinks)
      if (auto* d = dynamic_cast<TDetailDataLink*>(l))
        if (TDataSet* detail = d->GetDetailDataSet(); detail && detail != this && detail->GetActive()) {
          if (count < 8) details[count++] = detail;
          else more = true;
        }
  if (more) {
    for (TDataLink* l : CollectLinks())
      if (auto* d = dynamic_cast<TDetailDataLink*>(l))
        if (TDataSet* detail = d->GetDetailDataSet(); detail && detail != this && detail->GetActive())
          detail->CheckBrowseMode();
    return;
  }
  for (size_t i = 0; i < count; ++i) details[i]->CheckBrowseMode();
}

void TDataSet::UpdateCalcFields() {
  if (FState != dsSetKey && FHasCalcFields && FAutoCalcFields && !FBuffers.empty()) GetCalcFields(ActiveBuffer());
}

void TDataSet::DataEvent(TDataEvent Event, TDataEventInfo Info) {
  bool notify = !(ControlsDisabled() || FState == dsBlockRead);
  switch (Event) {
    case deFieldChange: {
      auto* field = reinterpret_cast<TField*>(Info);
      if (field && (field->GetFieldKind() == fkData || field->GetFieldKind() == fkInternalCalc)) FModified = true;
      UpdateCalcFields();
      if (field) field->Change();
      break;
    }
    case deCheckBrowseMode: CheckNestedBrowseMode(); break;
    case dePropertyChange: FFieldDefs->SetUpdated(false); break;
    case deLayoutChange:
      if (ControlsDisabled()) FEnableEvent = deLayoutChange;
      break;
    case deUpdateState:
      if (ControlsDisabled()) {
        Event = deDisabledStateChange;
        Info = FState != dsInactive;
        notify = true;
      }
      break;
    default: break;
  }
  if (!notify) return;
  // A handler may unlink a data source; walk a copy.
  TPtrSnapshot<TDataSource> sources(FDataSources);
  for (TDataSource* ds : sources)
    if (StillListed(FDataSources, ds)) ds->DataEvent(Event, Info);
}

// ---- data sources ----------------------------------------------------------

void TDataSet::AddDataSource(TDataSource* DataSource) {
  FDataSources.push_back(DataSource);
  UpdateBufferCount();
}

void TDataSet::RemoveDataSource(TDataSource* DataSource) {
  std::erase(FDataSources, DataSource);
  if (!GetComponentState().Contains(csDestroying)) UpdateBufferCount();
}

bool TDataSet::IsLinkedTo(TDataSource* DataSource) const {
  // Walks the master chain: a dataset linked to DataSource, directly or through masters.
  const TDataSource* ds = DataSource;
  for (int guard = 0; ds && guard < 1000; ++guard) {
    TDataSet* set = ds->GetDataSet();
    if (!set) return false;
    if (set == this) return true;
    ds = set->GetDataSource();
  }
  return false;
}

void TDataSet::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (auto* f = dynamic_cast<TField*>(AComponent); f && f->GetDataSet() == this) RemoveField(f);
}

void TDataSet::GetChildren(const TGetChildProc& Proc, TComponent* Root) {
  for (TField* f : *FFields)
    if (f->GetOwner() == Root) Proc(f);
  for (TField* f : *FAggFields)
    if (f->GetOwner() == Root) Proc(f);
}
