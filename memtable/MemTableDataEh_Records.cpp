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

TMemoryRecordEh::TMemoryRecordEh(TRecordsListEh* ARecordsList) : FRecordsList(ARecordsList) {}

TMemoryRecordEh::~TMemoryRecordEh() = default;

void TMemoryRecordEh::Edit() {
  if (FEditState != resBrowseEh) return;
  FEditData = std::make_unique<TRecDataValues>(FData);
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
    if (FUpdateStatus == rusModifiedEh && !FOldData) FOldData = std::move(FEditData);
  } else {
    // A failing apply hook leaves the record in its edit, unchanged.
    list->ApplyRecordUpdate(this, usModified);
  }
  FEditData.reset();
  FEditState = resBrowseEh;
  list->Notify(this, FIndex, rlnRecChangedEh);
}

void TMemoryRecordEh::Cancel() {
  if (FEditState != resEditEh && FEditState != resNewEh) throw EDatabaseError(SNotEditing);
  if (FEditState == resNewEh) {
    delete this;
    return;
  }
  FData = std::move(*FEditData);
  FEditData.reset();
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
  FOldData.reset();
  FUpdateStatus = rusUnmodifiedEh;
  list->DropFromPending(this);
  FUpdateError.reset();
}

void TMemoryRecordEh::CheckColumn(Integer Index) const {
  if (Index < 0 || Index >= FRecordsList->FieldCount()) TList::Error(u"List index out of bounds (%d)", Index);
}

const TRecDataValues* TMemoryRecordEh::ValuesOf(TRecValueVersionEh ValueVersion) const {
  switch (ValueVersion) {
    case rvvOldValueEh:
      if (!FOldData) throw Exception(SOldValuesNotAccessible);
      return FOldData.get();
    case rvvEditStartValueEh:
      return FEditData ? FEditData.get() : &FData;
    case rvvEditValueEh:
      if (FEditState != resEditEh) throw Exception(SEditValuesNotAccessible);
      return &FData;
    case rvvValueEh:
      return &FData;
    case rvvOldestValueEh:
      if (FOldData) return FOldData.get();
      return FEditData ? FEditData.get() : &FData;
    case rvvOldOrValueEh:
      return FOldData ? FOldData.get() : &FData;
  }
  return nullptr;
}

TRecDataValues* TMemoryRecordEh::ValuesOf(TRecValueVersionEh ValueVersion) {
  return const_cast<TRecDataValues*>(static_cast<const TMemoryRecordEh*>(this)->ValuesOf(ValueVersion));
}

Variant TMemoryRecordEh::GetValue(Integer Index, TRecValueVersionEh ValueVersion) const {
  CheckColumn(Index);
  const TRecDataValues* values = ValuesOf(ValueVersion);
  if (!values) return Unassigned();
  // A column added after the record was made has never been given a value.
  if (static_cast<size_t>(Index) >= values->size()) return Null();
  return (*values)[static_cast<size_t>(Index)];
}

namespace {

// The form a value takes in a column: Null for Null and Unassigned, as it is for a
// Variant or reference column, else cast to the column's Variant type (raising
// the cast error before anything is stored).
// Taken by value: a value passed as a temporary moves through to the record.
Variant ColumnValue(TMTDataFieldEh* Field, Variant Value) {
  if (Value.IsNull() || Value.IsEmpty()) return Null();
  TVarType vt = Field->GetVarType();
  if (vt == varVariant || VarType(Value) == vt) return Value;
  return VarAsType(Value, vt);
}

bool IsRefObjectColumn(TMTDataFieldEh* Field) { return Field->IsRefObjectColumn(); }

}  // namespace

void TMemoryRecordEh::StoreValue(Integer Index, TRecDataValues& Target, Variant Value) {
  if (static_cast<size_t>(Index) >= Target.size()) Target.resize(static_cast<size_t>(Index) + 1, Null());
  Target[static_cast<size_t>(Index)] = std::move(Value);
}

void TMemoryRecordEh::SetValue(Integer Index, TRecValueVersionEh ValueVersion, Variant Value) {
  CheckColumn(Index);
  TMTDataFieldEh* Field = FRecordsList->DataStruct()->GetItem(Index);
  if (IsRefObjectColumn(Field)) {
    // References are kept as given; Unassigned still reads back as Null.
    StoreValue(Index, FData, Value.IsEmpty() ? Null() : std::move(Value));
    return;
  }
  TRecDataValues* target = ValuesOf(ValueVersion);
  if (!target) return;
  StoreValue(Index, *target, ColumnValue(Field, std::move(Value)));
}

Variant TMemoryRecordEh::GetDataValues(const String& FieldNames, TRecValueVersionEh ValueVersion) const {
  if (ValueVersion == rvvOldValueEh && !FOldData) throw Exception(SOldValuesNotAccessible);
  TMTDataStructEh* ds = FRecordsList->DataStruct();
  if (!HasSemicolon(FieldNames)) return GetValue(ds->FieldIndex(FieldNames), ValueVersion);
  std::vector<TMTDataFieldEh*> fields;
  ds->GetFieldList(&fields, FieldNames);
  Variant Result = VarArrayCreate(0, static_cast<Integer>(fields.size()) - 1, varVariant);
  for (size_t i = 0; i < fields.size(); ++i)
    VarArrayPut(Result, GetValue(fields[i]->GetIndex(), ValueVersion), static_cast<Integer>(i));
  return Result;
}

void TMemoryRecordEh::SetDataValues(const String& FieldNames, TRecValueVersionEh ValueVersion,
                                    const Variant& Value) {
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
  std::vector<Variant> prepared;
  prepared.reserve(fields.size());
  for (size_t i = 0; i < fields.size(); ++i) {
    Variant v = VarArrayGet(Value, low + static_cast<Integer>(i));
    prepared.push_back(IsRefObjectColumn(fields[i]) ? (v.IsEmpty() ? Null() : v) : ColumnValue(fields[i], v));
  }
  TRecDataValues* target = ValuesOf(ValueVersion);
  for (size_t i = 0; i < fields.size(); ++i) {
    Integer col = fields[i]->GetIndex();
    if (IsRefObjectColumn(fields[i])) StoreValue(col, FData, prepared[i]);
    else if (target) StoreValue(col, *target, prepared[i]);
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

TMTDataStructEh* TRecordsListEh::DataStruct() const {
  return FMemTableData ? FMemTableData->GetDataStruct() : nullptr;
}

TMemoryRecordEh* TRecordsListEh::NewRecord() {
  auto* Rec = new TMemoryRecordEh(this);
  Rec->FID = FNextID++;
  Rec->FData.assign(static_cast<size_t>(FieldCount()), Null());
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
  TRecDataValues saved;
  if (apply) saved = Rec->FData;
  if (!IsLoading) FMemTableData->SetAutoIncValues(Rec);
  if (apply) {
    try {
      ApplyRecordUpdate(Rec, usInserted);
    } catch (...) {
      Rec->FData = std::move(saved);
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
  Rec->FEditData.reset();
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
    case rusDeletedEh:
      throw Exception(u"Can not MarkDel Deleted record");
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
        if (Rec->FOldData) {
          Rec->FData = std::move(*Rec->FOldData);
          Rec->FOldData.reset();
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
      case rusUnmodifiedEh:
        kept.push_back(Rec);
        break;
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
  switch (UpdateKind) {
    case usModified:
      shadowRec->FData = *Rec->ValuesOf(rvvOldestValueEh);
      list->LoadRecord(shadowRec);
      shadowRec->Edit();
      shadowRec->FData = Rec->FData;
      shadowRec->Post();
      break;
    case usInserted:
      shadowRec->FData = Rec->FData;
      shadowRec->Post();
      break;
    case usDeleted:
      shadowRec->FData = *Rec->ValuesOf(rvvOldestValueEh);
      list->LoadRecord(shadowRec);
      list->DeleteRecord(shadowRec->FIndex);
      break;
    default:
      delete shadowRec;
      return;
  }
  shadowRec->FData.resize(static_cast<size_t>(n), Null());
  FMemTableData->ApplyUpdates(shadow.get());
  if (UpdateKind == usModified || UpdateKind == usInserted) {
    // Values the hook set (a key from the server, say) arrive in the record.
    for (Integer i = 0; i < n && static_cast<size_t>(i) < shadowRec->FData.size(); ++i)
      Rec->FData[static_cast<size_t>(i)] = shadowRec->FData[static_cast<size_t>(i)];
  }
}
