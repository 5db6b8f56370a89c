// Memory records and the records list: value versions, editing, the cached-updates
// change log, one-record change sets for the apply hook, and the notifications.
//
// Invariants kept here:
//   - every record of the active list has Index equal to its position;
//   - a record's PendingIndex, when not -1, is its position in the pending list;
//   - a record is freed only when it is in none of the three lists.

#include <algorithm>

#include "memtable/MemTableDataEh.h"
#include "platform/core/Lists.h"
#include "platform/core/ScopeGuard.h"
#include "platform/data/DBConsts.h"

namespace {

const char16_t* const SOldValuesNotAccessible = u"TMemoryRecordEh.GetDataValues: Old values is not accessible.";
const char16_t* const SEditValuesNotAccessible = u"TMemoryRecordEh.GetDataValues: Edit values is not accessible.";

bool HasSemicolon(const String& S) { return S.find(u';') != String::npos; }

}  // namespace

// ---------------------------------------------------------------------------
// TMemoryRecordEh

static_assert(sizeof(TMemoryRecordEh) % alignof(TRecValueEh) == 0, "values follow the record aligned");

void* TMemoryRecordEh::operator new(size_t Size, TCellRoom Room) {
  return ::operator new(Size + Room.Count * sizeof(TRecValueEh));
}

TMemoryRecordEh::TMemoryRecordEh(TRecordsListEh* ARecordsList, size_t Room)
    : FRecordsList(ARecordsList), FInline(static_cast<uint16_t>(Room)) {
  TRecValueEh* cells = InlineCells();
  for (size_t i = 0; i < Room; ++i) new (cells + i) TRecValueEh();
}

TMemoryRecordEh::~TMemoryRecordEh() {
  TRecValueEh* cells = InlineCells();
  for (size_t i = 0; i < FInline; ++i) cells[i].~TRecValueEh();
}

TMemoryRecordEh::TExtra& TMemoryRecordEh::Extra() {
  if (!FExtra) FExtra = std::make_unique<TExtra>();
  return *FExtra;
}

void TMemoryRecordEh::TrimExtra() {
  if (FExtra && !FExtra->Old && !FExtra->Edit && !FExtra->UpdateError && !FExtra->Widened) FExtra.reset();
}

void TMemoryRecordEh::SetUpdateError(std::unique_ptr<TUpdateErrorEh> Value) {
  if (!Value && !FExtra) return;
  Extra().UpdateError = std::move(Value);
  TrimExtra();
}

TRecValueEh* TMemoryRecordEh::CurrentCells() { return FExtra && FExtra->Widened ? FExtra->Wide.data() : InlineCells(); }

std::unique_ptr<TMemoryRecordEh::TValueArray> TMemoryRecordEh::CopyOfCurrent() const {
  const TRecDataValues current = GetData();
  return std::make_unique<TValueArray>(current.begin(), current.end());
}

void TMemoryRecordEh::AssignCurrent(TRecDataValues Values) {
  TValueArray copy(Values.begin(), Values.end());
  AssignCurrent(std::move(copy));
}

void TMemoryRecordEh::AssignCurrent(TValueArray&& Values) {
  if (Values.size() > FInline || (FExtra && FExtra->Widened)) {
    TExtra& extra = Extra();
    if (!extra.Widened) {
      // The record's own room is left Null.
      TRecValueEh* cells = InlineCells();
      for (size_t i = 0; i < FInline; ++i) cells[i] = TRecValueEh();
    }
    extra.Wide = std::move(Values);
    extra.Widened = true;
    return;
  }
  TRecValueEh* cells = InlineCells();
  for (size_t i = 0; i < FInline; ++i) cells[i] = i < Values.size() ? std::move(Values[i]) : TRecValueEh();
}

void TMemoryRecordEh::Edit() {
  if (FEditState != resBrowseEh) return;
  Extra().Edit = CopyOfCurrent();
  FEditState = resEditEh;
}

void TMemoryRecordEh::Post() {
  if (FEditState != resEditEh && FEditState != resNewEh) throw EDatabaseError(SNotEditing);
  if (FEditState == resNewEh) {
    FRecordsList->AddRecord(this);
    return;
  }
  TRecordsListEh* list = FRecordsList;
  list->Notify(this, FIndex, rlnRecChangingEh);
  if (list->FCachedUpdates) {
    if (FUpdateStatus == rusUnmodifiedEh) FUpdateStatus = rusModifiedEh;
    list->AddToPending(this);
    if (FUpdateStatus == rusModifiedEh && !HasOldValues() && FExtra) FExtra->Old = std::move(FExtra->Edit);
  } else {
    // A failing apply hook leaves the record in its edit, unchanged.
    list->ApplyRecordUpdate(this, usModified);
  }
  if (FExtra) FExtra->Edit.reset();
  TrimExtra();
  FEditState = resBrowseEh;
  list->Notify(this, FIndex, rlnRecChangedEh);
}

void TMemoryRecordEh::Cancel() {
  if (FEditState != resEditEh && FEditState != resNewEh) throw EDatabaseError(SNotEditing);
  if (FEditState == resNewEh) {
    delete this;
    return;
  }
  if (HasEditValues()) {
    std::unique_ptr<TValueArray> edit = std::move(FExtra->Edit);
    AssignCurrent(std::move(*edit));
  }
  TrimExtra();
  FEditState = resBrowseEh;
}

void TMemoryRecordEh::MergeChangeLog() {
  if (FUpdateStatus == rusUnmodifiedEh) return;
  TRecordsListEh* list = FRecordsList;
  if (FUpdateStatus == rusDeletedEh && list->InActiveList(this)) {
    Integer idx = FIndex;
    list->Notify(this, idx, rlnRecDeletingEh);
    list->ExtractRecord(idx);
    list->FDeletedList.push_back(this);
    list->Notify(this, idx, rlnRecDeletedEh);
  }
  if (FExtra) {
    FExtra->Old.reset();
    FExtra->UpdateError.reset();
  }
  TrimExtra();
  FUpdateStatus = rusUnmodifiedEh;
  list->DropFromPending(this);
}

void TMemoryRecordEh::CheckColumn(Integer Index) const {
  if (Index < 0 || Index >= FRecordsList->FieldCount()) TList::Error(u"List index out of bounds (%d)", Index);
}

TMemoryRecordEh::TSlot TMemoryRecordEh::SlotOf(TRecValueVersionEh ValueVersion) const {
  switch (ValueVersion) {
    case rvvOldValueEh:
      if (!HasOldValues()) throw Exception(SOldValuesNotAccessible);
      return slOld;
    case rvvEditStartValueEh: return HasEditValues() ? slEdit : slCurrent;
    case rvvEditValueEh:
      if (FEditState != resEditEh) throw Exception(SEditValuesNotAccessible);
      return slCurrent;
    case rvvValueEh: return slCurrent;
    case rvvOldestValueEh:
      if (HasOldValues()) return slOld;
      return HasEditValues() ? slEdit : slCurrent;
    case rvvOldOrValueEh: return HasOldValues() ? slOld : slCurrent;
  }
  return slNone;
}

TRecDataValues TMemoryRecordEh::ValuesIn(TSlot Slot) const {
  switch (Slot) {
    case slCurrent: return GetData();
    case slEdit: return TRecDataValues(FExtra->Edit->data(), FExtra->Edit->size());
    case slOld: return TRecDataValues(FExtra->Old->data(), FExtra->Old->size());
    default: return TRecDataValues();
  }
}

Variant TMemoryRecordEh::GetValue(Integer Index, TRecValueVersionEh ValueVersion) const {
  CheckColumn(Index);
  const TSlot slot = SlotOf(ValueVersion);
  if (slot == slNone) return Unassigned();
  // A column added after the record was made has never been given a value.
  const TRecValueEh* v = ValuesIn(slot).Find(Index);
  return v ? v->ToVariant() : Null();
}

namespace {

// The form a value takes in a column: Null for Null and Unassigned, as it is for a
// Variant or reference column, else cast to the column's Variant type (raising
// the cast error before anything is stored).
TRecValueEh ColumnValue(TMTDataFieldEh* Field, const Variant& Value) {
  if (Value.IsNull() || Value.IsEmpty()) return TRecValueEh();
  TVarType vt = Field->GetVarType();
  if (vt == varVariant || VarType(Value) == vt) return TRecValueEh(Value);
  return TRecValueEh(VarAsType(Value, vt));
}

// References are kept as given; Unassigned still reads back as Null.
TRecValueEh ReferenceValue(const Variant& Value) { return Value.IsEmpty() ? TRecValueEh() : TRecValueEh(Value); }

bool IsRefObjectColumn(TMTDataFieldEh* Field) { return Field->IsRefObjectColumn(); }

}  // namespace

void TMemoryRecordEh::StoreValue(TSlot Slot, Integer Index, TRecValueEh Value) {
  const size_t at = static_cast<size_t>(Index);
  if (Slot == slCurrent) {
    if (at >= GetData().size()) {
      TValueArray wider(GetData().begin(), GetData().end());
      wider.resize(at + 1);
      AssignCurrent(std::move(wider));
    }
    CurrentCells()[at] = std::move(Value);
    return;
  }
  TValueArray* target = Slot == slEdit ? FExtra->Edit.get() : Slot == slOld ? FExtra->Old.get() : nullptr;
  if (!target) return;
  if (at >= target->size()) target->resize(at + 1);
  (*target)[at] = std::move(Value);
}

void TMemoryRecordEh::SetValue(Integer Index, TRecValueVersionEh ValueVersion, Variant Value) {
  CheckColumn(Index);
  TMTDataFieldEh* Field = FRecordsList->DataStruct()->GetItem(Index);
  if (IsRefObjectColumn(Field)) {
    StoreValue(slCurrent, Index, ReferenceValue(Value));
    return;
  }
  const TSlot slot = SlotOf(ValueVersion);
  if (slot == slNone) return;
  StoreValue(slot, Index, ColumnValue(Field, Value));
}

Variant TMemoryRecordEh::GetDataValues(const String& FieldNames, TRecValueVersionEh ValueVersion) const {
  if (ValueVersion == rvvOldValueEh && !HasOldValues()) throw Exception(SOldValuesNotAccessible);
  TMTDataStructEh* ds = FRecordsList->DataStruct();
  if (!HasSemicolon(FieldNames)) return GetValue(ds->FieldIndex(FieldNames), ValueVersion);
  std::vector<TMTDataFieldEh*> fields;
  ds->GetFieldList(&fields, FieldNames);
  Variant Result = VarArrayCreate(0, static_cast<Integer>(fields.size()) - 1, varVariant);
  for (size_t i = 0; i < fields.size(); ++i)
    VarArrayPut(Result, GetValue(fields[i]->GetIndex(), ValueVersion), static_cast<Integer>(i));
  return Result;
}

void TMemoryRecordEh::SetDataValues(const String& FieldNames, TRecValueVersionEh ValueVersion, const Variant& Value) {
  TMTDataStructEh* ds = FRecordsList->DataStruct();
  if (!HasSemicolon(FieldNames)) {
    SetValue(ds->FieldIndex(FieldNames), ValueVersion, Value);
    return;
  }
  std::vector<TMTDataFieldEh*> fields;
  ds->GetFieldList(&fields, FieldNames);
  // Every element is checked and cast before the first one is stored.
  if (!Value.IsArray() || VarArrayHighBound(Value) - VarArrayLowBound(Value) + 1 < static_cast<Integer>(fields.size()))
    throw EVariantBadIndexError(u"TMemoryRecordEh.SetDataValues: the value array has fewer elements than fields.");
  Integer low = VarArrayLowBound(Value);
  std::vector<TRecValueEh> prepared;
  prepared.reserve(fields.size());
  for (size_t i = 0; i < fields.size(); ++i) {
    Variant v = VarArrayGet(Value, low + static_cast<Integer>(i));
    prepared.push_back(IsRefObjectColumn(fields[i]) ? ReferenceValue(v) : ColumnValue(fields[i], v));
  }
  const TSlot slot = SlotOf(ValueVersion);
  for (size_t i = 0; i < fields.size(); ++i) {
    Integer col = fields[i]->GetIndex();
    if (IsRefObjectColumn(fields[i])) StoreValue(slCurrent, col, std::move(prepared[i]));
    else if (slot != slNone) StoreValue(slot, col, std::move(prepared[i]));
  }
}

Variant TMemoryRecordEh::GetValuesByIndexes(const std::vector<Integer>& Indexes,
                                            TRecValueVersionEh ValueVersion) const {
  if (Indexes.size() == 1) return GetValue(Indexes[0], ValueVersion);
  Variant Result = VarArrayCreate(0, static_cast<Integer>(Indexes.size()) - 1, varVariant);
  for (size_t i = 0; i < Indexes.size(); ++i)
    VarArrayPut(Result, GetValue(Indexes[i], ValueVersion), static_cast<Integer>(i));
  return Result;
}

// ---------------------------------------------------------------------------
// TRecordsListEh

TRecordsListEh::TRecordsListEh(TMemTableDataEh* AMemTableData)
    : TComponent(nullptr), FIndexes(std::make_unique<TMTIndexesEh>(this)), FMemTableData(AMemTableData) {}

TRecordsListEh::~TRecordsListEh() {
  // Going away with the store: no one is left to notify.
  for (TMemoryRecordEh* r : FList) delete r;
  for (TMemoryRecordEh* r : FDeletedList) delete r;
  FList.clear();
  FDeletedList.clear();
  FPendingList.clear();
  FIndexes.reset();
}

void TRecordsListEh::Notify(TMemoryRecordEh* MemRec, Integer Index, TRecordsListNotificationEh Action) {
  if (FUpdateCount > 0) return;
  FIndexes->Notify(MemRec, Index, Action);
  if (FMemTableData) FMemTableData->Notify(MemRec, Index, Action);
}

void TRecordsListEh::RecordMoved(TMemoryRecordEh* Item, Integer OldIndex, Integer NewIndex) {
  FIndexes->RecordMoved(Item, OldIndex, NewIndex);
  if (FMemTableData) FMemTableData->RecordMoved(Item, OldIndex, NewIndex);
}

void TRecordsListEh::BeginUpdate() { ++FUpdateCount; }

void TRecordsListEh::EndUpdate() {
  if (FUpdateCount <= 0) return;
  if (--FUpdateCount == 0) Notify(nullptr, -1, rlnListChangedEh);
}

Integer TRecordsListEh::FieldCount() const {
  TMTDataStructEh* ds = DataStruct();
  return ds ? ds->GetCount() : 0;
}

TMTDataStructEh* TRecordsListEh::DataStruct() const { return FMemTableData ? FMemTableData->GetDataStruct() : nullptr; }

TMemoryRecordEh* TRecordsListEh::NewRecord() {
  const size_t columns = static_cast<size_t>(FieldCount());
  // Past what a record's own count can say, the values live apart from the start.
  const size_t room = columns <= UINT16_MAX ? columns : 0;
  auto* Rec = new (TMemoryRecordEh::TCellRoom{room}) TMemoryRecordEh(this, room);
  if (room < columns) Rec->AssignCurrent(TMemoryRecordEh::TValueArray(columns));
  Rec->FID = FNextID++;
  Rec->FEditState = resNewEh;
  return Rec;
}

Integer TRecordsListEh::InsertRecord(TMemoryRecordEh* Rec, Integer Index, bool IsLoading, bool Append) {
  if (Rec->FRecordsList != this) throw Exception(u"Record.RecordsList is not the same.");
  if (Rec->FIndex >= 0 && InActiveList(Rec)) throw Exception(u"The record already attached to RecordsList.");
  if (!Append && (Index < 0 || Index > GetCount())) TList::Error(u"List index out of bounds (%d)", Index);
  Integer pos = Append ? GetCount() : Index;
  Notify(Rec, pos, rlnRecAddingEh);
  const bool apply = !FCachedUpdates && !IsLoading && FMemTableData->HasApplyUpdatesHandlers();
  // An apply hook that refuses the insert leaves the record as it came.
  std::unique_ptr<TMemoryRecordEh::TValueArray> saved;
  if (apply) saved = Rec->CopyOfCurrent();
  if (!IsLoading) FMemTableData->SetAutoIncValues(Rec);
  if (apply) {
    try {
      ApplyRecordUpdate(Rec, usInserted);
    } catch (...) {
      Rec->AssignCurrent(std::move(*saved));
      throw;
    }
  }
  FList.insert(FList.begin() + pos, Rec);
  Renumber(pos, GetCount() - 1);
  if (FCachedUpdates) {
    Rec->FUpdateStatus = rusInsertedEh;
    AddToPending(Rec);
  } else {
    Rec->FUpdateStatus = rusUnmodifiedEh;
  }
  Rec->FEditState = resBrowseEh;
  if (Rec->FExtra) Rec->FExtra->Edit.reset();
  Rec->TrimExtra();
  Notify(Rec, pos, rlnRecAddedEh);
  return pos;
}

Integer TRecordsListEh::AddRecord(TMemoryRecordEh* Rec) { return InsertRecord(Rec, -1, false, true); }

void TRecordsListEh::InsertRecordAt(Integer Index, TMemoryRecordEh* Rec) { InsertRecord(Rec, Index, false, false); }

Integer TRecordsListEh::LoadRecord(TMemoryRecordEh* Rec) {
  TTemporaryChange<bool> Cached(FCachedUpdates, false);
  return InsertRecord(Rec, -1, true, true);
}

void TRecordsListEh::DeleteRecord(Integer Index) {
  TMemoryRecordEh* Rec = GetRecord(Index);
  if (!FCachedUpdates) {
    RemoveRecord(Index);
    return;
  }
  switch (Rec->FUpdateStatus) {
    case rusDeletedEh: throw Exception(u"Can not MarkDel Deleted record");
    case rusInsertedEh:
      DropFromPending(Rec);
      RemoveRecord(Index);
      return;
    case rusModifiedEh:
      // The old values stay: the change log must still know what the record was
      // before, to revert the deletion or to find the record at its source.
      Rec->FUpdateStatus = rusDeletedEh;
      AddToPending(Rec);
      break;
    case rusUnmodifiedEh:
      Rec->FUpdateStatus = rusDeletedEh;
      AddToPending(Rec);
      break;
  }
  Notify(Rec, Index, rlnRecMarkedForDelEh);
}

void TRecordsListEh::DeleteRecords(const std::vector<TMemoryRecordEh*>& Records) {
  for (TMemoryRecordEh* Rec : Records)
    if (FCachedUpdates && InActiveList(Rec) && Rec->FUpdateStatus == rusDeletedEh)
      throw Exception(u"Can not MarkDel Deleted record");
  BeginUpdate();
  TScopeExit endUpdate([this] { EndUpdate(); });
  std::vector<TMemoryRecordEh*> leaving;
  for (TMemoryRecordEh* Rec : Records) {
    if (!InActiveList(Rec)) continue;
    if (FCachedUpdates && Rec->FUpdateStatus != rusInsertedEh) {
      Rec->FUpdateStatus = rusDeletedEh;  // stays, for the change log
      AddToPending(Rec);
      continue;
    }
    if (FCachedUpdates) DropFromPending(Rec);
    else ApplyRecordUpdate(Rec, usDeleted);
    leaving.push_back(Rec);
    Rec->FIndex = -1;  // marks it for the one pass below; no longer in the list
  }
  if (leaving.empty()) return;
  std::erase_if(FList, [](const TMemoryRecordEh* Rec) { return Rec->FIndex < 0; });
  Renumber(0, GetCount() - 1);
  for (TMemoryRecordEh* Rec : leaving) FreeRecord(Rec);
}

void TRecordsListEh::RemoveRecord(Integer Index) {
  TMemoryRecordEh* Rec = GetRecord(Index);
  Notify(Rec, Index, rlnRecDeletingEh);
  if (!FCachedUpdates) ApplyRecordUpdate(Rec, usDeleted);
  ExtractRecord(Index);
  Notify(Rec, Index, rlnRecDeletedEh);
  FreeRecord(Rec);
}

void TRecordsListEh::MoveRecord(Integer CurIndex, Integer NewIndex) {
  if (CurIndex == NewIndex) return;
  TMemoryRecordEh* Rec = GetRecord(CurIndex);
  GetRecord(NewIndex);
  FList.erase(FList.begin() + CurIndex);
  FList.insert(FList.begin() + NewIndex, Rec);
  Renumber(std::min(CurIndex, NewIndex), std::max(CurIndex, NewIndex));
  RecordMoved(Rec, CurIndex, NewIndex);
}

TMemoryRecordEh* TRecordsListEh::ExtractRecord(Integer Index) {
  TMemoryRecordEh* Rec = GetRecord(Index);
  FList.erase(FList.begin() + Index);
  Renumber(Index, GetCount() - 1);
  return Rec;
}

TMemoryRecordEh* TRecordsListEh::GetRecord(Integer Index) const {
  if (Index < 0 || Index >= GetCount()) TList::Error(u"List index out of bounds (%d)", Index);
  return FList[static_cast<size_t>(Index)];
}

bool TRecordsListEh::HasCachedChanges() const {
  return std::any_of(FPendingList.begin(), FPendingList.end(), [](TMemoryRecordEh* r) { return r != nullptr; });
}

void TRecordsListEh::Renumber(Integer First, Integer Last) {
  if (First < 0) First = 0;
  if (Last < 0 || Last >= GetCount()) Last = GetCount() - 1;
  for (Integer i = First; i <= Last; ++i) FList[static_cast<size_t>(i)]->FIndex = i;
}

void TRecordsListEh::AddToPending(TMemoryRecordEh* Rec) {
  if (Rec->FPendingIndex >= 0 && static_cast<size_t>(Rec->FPendingIndex) < FPendingList.size() &&
      FPendingList[static_cast<size_t>(Rec->FPendingIndex)] == Rec)
    return;
  Rec->FPendingIndex = static_cast<Integer>(FPendingList.size());
  FPendingList.push_back(Rec);
}

void TRecordsListEh::DropFromPending(TMemoryRecordEh* Rec) {
  if (Rec->FPendingIndex >= 0 && static_cast<size_t>(Rec->FPendingIndex) < FPendingList.size() &&
      FPendingList[static_cast<size_t>(Rec->FPendingIndex)] == Rec)
    FPendingList[static_cast<size_t>(Rec->FPendingIndex)] = nullptr;
  Rec->FPendingIndex = -1;
}

bool TRecordsListEh::InActiveList(const TMemoryRecordEh* Rec) const {
  return Rec->FIndex >= 0 && Rec->FIndex < GetCount() && FList[static_cast<size_t>(Rec->FIndex)] == Rec;
}

void TRecordsListEh::CheckFreeRecord(const TMemoryRecordEh* Rec) const {
  if (Rec->FIndex < 0) return;
  if (std::find(FDeletedList.begin(), FDeletedList.end(), Rec) != FDeletedList.end())
    throw Exception(u"Can not delete Record if it present in DeletedList.");
  if (Rec->FPendingIndex >= 0 && static_cast<size_t>(Rec->FPendingIndex) < FPendingList.size() &&
      FPendingList[static_cast<size_t>(Rec->FPendingIndex)] == Rec)
    throw Exception(u"Can not delete Record if it present in CachedUpdate pending list.");
  if (InActiveList(Rec)) throw Exception(u"Can not delete Record if it present in active list.");
}

void TRecordsListEh::FreeRecord(TMemoryRecordEh* Rec) {
  CheckFreeRecord(Rec);
  delete Rec;
}

void TRecordsListEh::CancelUpdates() {
  std::vector<TMemoryRecordEh*> kept;
  std::vector<TMemoryRecordEh*> dropped;
  kept.reserve(FList.size());
  for (TMemoryRecordEh* Rec : FList) {
    switch (Rec->FUpdateStatus) {
      case rusModifiedEh:
      case rusDeletedEh:
        if (Rec->HasOldValues()) {
          std::unique_ptr<TMemoryRecordEh::TValueArray> old = std::move(Rec->FExtra->Old);
          Rec->AssignCurrent(std::move(*old));
          Rec->TrimExtra();
        }
        Rec->FUpdateStatus = rusUnmodifiedEh;
        Rec->FPendingIndex = -1;
        kept.push_back(Rec);
        break;
      case rusInsertedEh:
        Rec->FPendingIndex = -1;
        Rec->FIndex = -1;
        dropped.push_back(Rec);
        break;
      case rusUnmodifiedEh: kept.push_back(Rec); break;
    }
  }
  FList.swap(kept);
  FPendingList.clear();
  Renumber(0, GetCount() - 1);
  for (TMemoryRecordEh* Rec : dropped) delete Rec;
  Notify(nullptr, -1, rlnListChangedEh);
}

void TRecordsListEh::MergeChangeLog() {
  for (size_t i = 0; i < FPendingList.size(); ++i)
    if (FPendingList[i]) FPendingList[i]->MergeChangeLog();
  FreeDeletedRecords();
  FPendingList.clear();
}

void TRecordsListEh::CleanupChangeLog() {
  FreeDeletedRecords();
  std::vector<TMemoryRecordEh*> pending;
  for (TMemoryRecordEh* Rec : FPendingList)
    if (Rec) {
      Rec->FPendingIndex = static_cast<Integer>(pending.size());
      pending.push_back(Rec);
    }
  FPendingList.swap(pending);
}

void TRecordsListEh::FreeDeletedRecords() {
  std::vector<TMemoryRecordEh*> deleted;
  deleted.swap(FDeletedList);
  for (TMemoryRecordEh* Rec : deleted) {
    DropFromPending(Rec);
    FreeRecord(Rec);
  }
}

void TRecordsListEh::Clear() {
  // Records whose cached deletion was merged are freed too: nothing else holds them.
  std::vector<TMemoryRecordEh*> deleted;
  deleted.swap(FDeletedList);
  FPendingList.clear();
  FIndexes->ClearIndexesData();
  std::vector<TMemoryRecordEh*> active;
  active.swap(FList);
  for (TMemoryRecordEh* Rec : active) {
    Rec->FIndex = -1;
    Rec->FPendingIndex = -1;
    delete Rec;
  }
  for (TMemoryRecordEh* Rec : deleted) delete Rec;
  Notify(nullptr, -1, rlnListChangedEh);
}

void TRecordsListEh::SortData(const TCompareRecordsEh& CompareProg, TObject* ParamSort) {
  if (GetCount() > 1)
    QuickSortEh(FList, 0, GetCount() - 1,
                [&](TMemoryRecordEh* a, TMemoryRecordEh* b) { return CompareProg(a, b, ParamSort); });
  Renumber(0, GetCount() - 1);
  Notify(nullptr, -1, rlnListChangedEh);
}

void TRecordsListEh::SortByOrder(TOrderByList* OrderBy) {
  TRecordsViewEh::SortRecordsByOrder(FList, OrderBy);
  Renumber(0, GetCount() - 1);
  Notify(nullptr, -1, rlnListChangedEh);
}

void TRecordsListEh::ApplyRecordUpdate(TMemoryRecordEh* Rec, TUpdateStatus UpdateKind) {
  if (!FMemTableData->HasApplyUpdatesHandlers()) return;
  std::unique_ptr<TMemTableDataShadowEh> shadow(new TMemTableDataShadowEh(FMemTableData));
  TRecordsListEh* list = shadow->GetRecordsList();
  list->SetCachedUpdates(true);
  const Integer n = FieldCount();
  TMemoryRecordEh* shadowRec = list->NewRecord();
  const TRecDataValues oldest = Rec->ValuesIn(Rec->SlotOf(rvvOldestValueEh));
  switch (UpdateKind) {
    case usModified:
      shadowRec->AssignCurrent(oldest);
      list->LoadRecord(shadowRec);
      shadowRec->Edit();
      shadowRec->AssignCurrent(Rec->GetData());
      shadowRec->Post();
      break;
    case usInserted:
      shadowRec->AssignCurrent(Rec->GetData());
      shadowRec->Post();
      break;
    case usDeleted:
      shadowRec->AssignCurrent(oldest);
      list->LoadRecord(shadowRec);
      list->DeleteRecord(shadowRec->FIndex);
      break;
    default: delete shadowRec; return;
  }
  if (shadowRec->GetData().size() < static_cast<size_t>(n)) {
    TMemoryRecordEh::TValueArray wider(shadowRec->GetData().begin(), shadowRec->GetData().end());
    wider.resize(static_cast<size_t>(n));
    shadowRec->AssignCurrent(std::move(wider));
  }
  FMemTableData->ApplyUpdates(shadow.get());
  if (UpdateKind == usModified || UpdateKind == usInserted) {
    // Values the hook set (a key from the server, say) arrive in the record.
    const TRecDataValues set = shadowRec->GetData();
    for (Integer i = 0; i < n && static_cast<size_t>(i) < set.size(); ++i)
      Rec->StoreValue(TMemoryRecordEh::slCurrent, i, set[static_cast<size_t>(i)]);
  }
}
