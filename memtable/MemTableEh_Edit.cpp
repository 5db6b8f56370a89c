// TCustomMemTableEh: editing (post, add, delete, cancel, new record), applying
// updates, emptying, and the key search behind Locate and Lookup.

#include <algorithm>
#include <array>
#include <exception>
#include <span>

#include "memtable/DataDriverEh.h"
#include "memtable/MemTableEh.h"
#include "platform/core/Locale.h"
#include "platform/core/ScopeGuard.h"
#include "platform/core/Strings.h"
#include "platform/data/DBConsts.h"

// ---- posting ------------------------------------------------------------------

void TCustomMemTableEh::InternalEdit() {
  TRecBuf* b = RecBuf(ActiveBuffer());
  if (b && b->BookmarkFlag == bfEOF) FActiveRecordPos = ViewCount();
}

// An appended record lands past the last row. The framework reaches the end
// only to fill the buffers before it (not at all with one buffer), and in
// browse state, so the active row is still where that reading left it.
void TCustomMemTableEh::InternalInsert() {
  TRecBuf* b = RecBuf(ActiveBuffer());
  if (b && b->BookmarkFlag == bfEOF) FActiveRecordPos = ViewCount();
}

void TCustomMemTableEh::InternalPost() {
  TDataSet::InternalPost();  // required fields
  const TResyncHold Hold(*this);
  if (GetState() == dsInsert) {
    TRecBuf* b = RecBuf(ActiveBuffer());
    InternalAddRecord(ActiveBuffer(), b->BookmarkFlag == bfEOF);
  } else {
    TMemoryRecordEh* rec = ViewRecord(FRecordPos);
    rec->Edit();
    try {
      CopyBufferToRecord(RecBuf(ActiveBuffer()), rec);
      rec->Post();
    } catch (...) {
      // A refused change (a duplicate key, a reference loop) leaves the record
      // as it was, not half-written.
      if (rec->GetEditState() == resEditEh) rec->Cancel();
      throw;
    }
    if (!GetCachedUpdates()) InternalApplyUpdates(GetRecordsData());
    Integer row = ViewIndexOfRecord(rec, FRecordPos);
    if (row >= 0) FRecordPos = row;
  }
}

void TCustomMemTableEh::InternalAddRecord(TRecordBuffer Buffer, bool Append) {
  TMemoryRecordEh* rec = FRecordsView->NewRecord();
  Integer hint;
  try {
    CopyBufferToRecord(RecBuf(Buffer), rec);
    if (Append) {
      FRecordsView->AddRecord(rec);
      hint = ViewCount() - 1;
    } else {
      hint = FRecordPos < 0 ? 0 : FRecordPos;
      FRecordsView->InsertRecordAt(hint, rec);
    }
  } catch (...) {
    if (rec->GetEditState() == resNewEh) rec->Cancel();
    throw;
  }
  if (!GetCachedUpdates()) {
    try {
      InternalApplyUpdates(GetRecordsData());
    } catch (...) {
      GetRecordsData()->GetRecordsList()->CancelUpdates();
      throw;
    }
  }
  Integer row = ViewIndexOfRecord(rec, hint);
  if (row >= 0) FRecordPos = row;
}

void TCustomMemTableEh::InternalDelete() {
  const TResyncHold Hold(*this);
  FRecordsView->DeleteRecord(FRecordPos);
  if (!GetCachedUpdates()) InternalApplyUpdates(GetRecordsData());
  if (FRecordPos >= ViewCount()) --FRecordPos;
}

void TCustomMemTableEh::InternalCancel() {
  const TResyncHold Hold(*this);
  if (GetState() == dsEdit && FRecordPos >= 0 && FRecordPos < ViewCount()) {
    TMemoryRecordEh* rec = ViewRecord(FRecordPos);
    if (rec->GetEditState() == resEditEh) rec->Cancel();
  }
  TRecordsListEh* list = GetRecordsData()->GetRecordsList();
  if (!GetCachedUpdates() && list->HasCachedChanges()) {
    list->CancelUpdates();
    Resync({});
  }
}

void TCustomMemTableEh::DoOnNewRecord() {
  for (TField* f : *GetFields())
    if (!f->GetDefaultExpression().empty() && f->GetCanModify()) f->SetAsString(f->GetDefaultExpression());
  if (FMasterDetailActive && !FDetailFieldList.empty()) {
    if (FDetailFieldList.size() == 1) {
      FDetailFieldList[0]->SetValue(VarIsArray(FMasterValue) ? VarArrayGet(FMasterValue, VarArrayLowBound(FMasterValue))
                                                             : FMasterValue);
    } else if (VarIsArray(FMasterValue)) {
      Integer low = VarArrayLowBound(FMasterValue);
      for (size_t i = 0; i < FDetailFieldList.size(); ++i)
        FDetailFieldList[i]->SetValue(VarArrayGet(FMasterValue, low + static_cast<Integer>(i)));
    }
  }
  TDataSet::DoOnNewRecord();
}

// ---- applying updates -------------------------------------------------------------

Integer TCustomMemTableEh::InternalApplyUpdates(TMemTableDataEh* MemTableData) {
  if (FDataDriver) return FDataDriver->ApplyUpdates(MemTableData);
  MemTableData->GetRecordsList()->MergeChangeLog();
  return 0;
}

void TCustomMemTableEh::ApplyAtOnce(TMemTableDataEh* ChangeSet) {
  InternalApplyUpdates(ChangeSet);
  // A change the driver could not write back is refused, so the records list
  // does not store it.
  for (TMemoryRecordEh* rec : ChangeSet->GetRecordsList()->GetPendingList())
    if (rec && rec->GetUpdateError()) std::rethrow_exception(rec->GetUpdateError()->GetException());
}

Integer TCustomMemTableEh::ApplyUpdates(Integer) {
  CheckActive();
  Integer n = InternalApplyUpdates(GetRecordsData());
  UpdateCursorPos();
  Resync({});
  return n;
}

void TCustomMemTableEh::CancelUpdates() {
  CheckActive();
  CheckBrowseMode();
  GetRecordsData()->GetRecordsList()->CancelUpdates();
}

void TCustomMemTableEh::MergeChangeLog() { GetRecordsData()->GetRecordsList()->MergeChangeLog(); }

void TCustomMemTableEh::EmptyTable() {
  if (!GetActive()) return;
  DisableControls();
  HoldResync();
  TScopeExit Enable([&] {
    FResyncPending = true;
    ReleaseResync(true);
    EnableControls();
  });
  CheckBrowseMode();
  GetRecordsData()->GetRecordsList()->Clear();
  GetRecordsData()->GetAutoIncrement()->Reset();
  FRecordPos = -1;
  FActiveRecordPos = -1;
  ClearBuffers();
}

// ---- the key search ---------------------------------------------------------------

namespace {

bool IsTextFieldType(TFieldType t) {
  return t == ftString || t == ftWideString || t == ftFixedChar || t == ftFixedWideChar;
}

bool ValueMatches(TField* Field, const Variant& Value, const Variant& Key, TLocateOptions Options) {
  if (IsTextFieldType(Field->GetDataType())) {
    if (VarIsNullOrEmpty(Key)) return VarIsNullOrEmpty(Value);
    if (VarIsNullOrEmpty(Value)) return false;
    String text = VarToStr(Value);
    String keyText = VarToStr(Key);
    if (Options.Contains(loPartialKey) && text.size() > keyText.size()) text.resize(keyText.size());
    return CompareStringLocale(text, keyText, Options.Contains(loCaseInsensitive)) == 0;
  }
  return VarEqualsEh(Value, Key);
}

// The same for a value read in place from a record (null: the record never held the column).
bool StoredValueMatches(TField* Field, const TRecValueEh* Value, const Variant& Key, TLocateOptions Options) {
  if (Value && Value->IsText() && IsTextFieldType(Field->GetDataType()) && !VarIsNullOrEmpty(Key)) {
    StringView text = Value->Text();
    const String keyText = VarToStr(Key);
    if (Options.Contains(loPartialKey) && text.size() > keyText.size()) text = text.substr(0, keyText.size());
    return CompareStringLocale(text, keyText, Options.Contains(loCaseInsensitive)) == 0;
  }
  return ValueMatches(Field, Value ? Value->ToVariant() : Variant::Null(), Key, Options);
}

Variant KeyElement(const Variant& KeyValues, size_t Index, size_t Count) {
  if (Count == 1 && !VarIsArray(KeyValues)) return KeyValues;
  if (!VarIsArray(KeyValues)) return Variant::Null();
  Integer i = VarArrayLowBound(KeyValues) + static_cast<Integer>(Index);
  if (i > VarArrayHighBound(KeyValues)) return Variant::Null();
  return VarArrayGet(KeyValues, i);
}

}  // namespace

bool TCustomMemTableEh::CanMatchDirectly(TKeyFieldsEh Fields) const {
  if (OnGetFieldValue) return false;
  for (TField* f : Fields)
    if (f->GetFieldNo() <= 0) return false;
  return true;
}

bool TCustomMemTableEh::RecordValuesMatch(TMemoryRecordEh* Rec, TKeyFieldsEh Fields, const Variant& KeyValues,
                                          TLocateOptions Options) const {
  const size_t n = Fields.size();
  const TRecDataValues data = Rec->GetData();
  for (size_t i = 0; i < n; ++i) {
    const TRecValueEh* value = data.Find(Fields[i]->GetFieldNo() - 1);
    if (!StoredValueMatches(Fields[i], value, KeyElement(KeyValues, i, n), Options)) return false;
  }
  return true;
}

bool TCustomMemTableEh::BufferMatches(TKeyFieldsEh Fields, const Variant& KeyValues, TLocateOptions Options) {
  const size_t n = Fields.size();
  for (size_t i = 0; i < n; ++i)
    if (!ValueMatches(Fields[i], Fields[i]->GetValue(), KeyElement(KeyValues, i, n), Options)) return false;
  return true;
}

bool TCustomMemTableEh::RowMatches(Integer Row, TKeyFieldsEh Fields, const Variant& KeyValues, TLocateOptions Options) {
  // Data fields are read straight from the record: what a filled buffer would show.
  if (CanMatchDirectly(Fields)) return RecordValuesMatch(ViewRecord(Row), Fields, KeyValues, Options);
  InstantReadEnter(Row);
  bool match = false;
  ReadAndLeave([&] { match = BufferMatches(Fields, KeyValues, Options); });
  return match;
}

bool TCustomMemTableEh::RecordMatches(TMemoryRecordEh* Rec, TKeyFieldsEh Fields, const Variant& KeyValues,
                                      TLocateOptions Options) {
  if (CanMatchDirectly(Fields)) return RecordValuesMatch(Rec, Fields, KeyValues, Options);
  InstantReadEnterRecord(Rec);
  bool match = false;
  ReadAndLeave([&] { match = BufferMatches(Fields, KeyValues, Options); });
  return match;
}

namespace {

// Asks for the view's slots of rows First .. First + Count - 1.
void PrefetchRows(const std::vector<TMemoryRecordEh*>& Rows, Integer First, Integer Count) {
  if (First < 0) return;
  const Integer last = std::min(First + Count, static_cast<Integer>(Rows.size()));
  for (Integer i = First; i < last; i += 8) __builtin_prefetch(&Rows[static_cast<size_t>(i)]);
  // The optimiser counts prefetches as doing nothing and would drop a call that
  // does nothing else: the empty statement keeps it.
  asm volatile("");
}

}  // namespace

Integer TCustomMemTableEh::IndexSearch(TKeyFieldsEh Fields, const Variant& KeyValues, TMemoryRecordEh*& Rec) {
  Rec = nullptr;
  String joined;
  for (TField* f : Fields) {
    if (f->GetFieldNo() <= 0) return -2;
    if (Fields.size() == 1) break;
    if (!joined.empty()) joined += u';';
    joined += f->GetFieldName();
  }
  const String& names = Fields.size() == 1 ? Fields[0]->GetFieldName() : joined;
  TRecordsListEh* list = GetRecordsData()->GetRecordsList();
  TMTIndexEh* index = list->GetIndexes()->FindIndexByFields(names);
  if (!index || !index->GetActive()) return -2;
  Variant key = Fields.size() == 1 && VarIsArray(KeyValues) ? KeyElement(KeyValues, 0, 2) : KeyValues;
  // Every record with the key is looked at, shown or not: a scan finds the
  // first shown row holding it, and so must the index.
  constexpr size_t kFewRecords = 16;
  // One place for what the visit gathers: a visit that refers to it alone is
  // held inside its std::function instead of on the heap.
  struct {
    std::array<TMemoryRecordEh*, kFewRecords> Few;
    size_t Count = 0;
    Integer FirstPos = -1;
    Integer FirstId = 0;
  } seen;
  auto& few = seen.Few;
  size_t& count = seen.Count;
  // A flat table kept in key order shows the record at its entry's position:
  // the rows where the entry may lie are asked for while the index's last
  // nodes are read, so the row check after the search need not wait for them.
  const std::vector<TMemoryRecordEh*>* rows = TreeMode() ? nullptr : &FRecordsView->GetViewList();
  try {
    index->VisitKeyRecords(
        key,
        [&seen](TMemoryRecordEh* R, Integer Pos, Integer Id) {
          if (seen.Count == kFewRecords) {
            ++seen.Count;
            return false;
          }
          if (seen.Count == 0) {
            seen.FirstPos = Pos;
            seen.FirstId = Id;
          }
          seen.Few[seen.Count++] = R;
          return true;
        },
        [&](Integer First, Integer Count) {
          if (rows) PrefetchRows(*rows, First, Count);
        });
  } catch (const Exception&) {
    return -2;  // a key of another kind than the index's: compare row by row
  }
  if (count == 1) {
    Rec = few[0];
    // A flat table kept in key order shows the record at its entry's position:
    // that row is tried first, before the record is read for its place. A tree
    // finds the record's node by the ID the entry holds, not reading the record.
    return rows ? ViewIndexOfRecord(Rec, seen.FirstPos) : FRecordsView->IndexOfRecord(Rec, seen.FirstId);
  }
  // Many records with the key: the rows are read once instead of sought one by one.
  if (count > kFewRecords) return -2;
  const std::span<TMemoryRecordEh* const> recs(few.data(), count);
  Integer best = -1;
  for (TMemoryRecordEh* r : recs) {
    const Integer row = ViewIndexOfRecord(r, -1);
    if (row >= 0 && (best < 0 || row < best)) {
      best = row;
      Rec = r;
    }
  }
  if (best >= 0 || recs.empty()) return best;
  // None shown: in tree mode one may lie below a collapsed node; of several,
  // the scan knows which comes first in the tree.
  if (!TreeMode()) return -1;
  for (TMemoryRecordEh* r : recs) {
    if (!IsRecordInTree(r)) continue;
    if (Rec) {
      Rec = nullptr;
      return -2;
    }
    Rec = r;
  }
  return -1;
}

Integer TCustomMemTableEh::SearchRow(const String& KeyFields, const Variant& KeyValues, TLocateOptions Options,
                                     TMemoryRecordEh*& Hidden) {
  Hidden = nullptr;
  // A search by one field, the common one, lists it without the heap.
  TField* one = nullptr;
  std::vector<TField*> many;
  TKeyFieldsEh fields;
  if (IsSingleFieldName(KeyFields)) {
    one = FieldByName(KeyFields);
    fields = TKeyFieldsEh(&one, 1);
  } else {
    GetFieldList(many, KeyFields);
    fields = many;
  }
  if (fields.empty()) return -1;
  Integer result = -2;
  if (Options.Empty()) {
    TMemoryRecordEh* rec = nullptr;
    result = IndexSearch(fields, KeyValues, rec);
    // In tree mode a record below a collapsed node has no row but is still found.
    if (result == -1 && rec && TreeMode() && IsRecordInTree(rec)) Hidden = rec;
  }
  if (result == -2) {
    result = -1;
    Integer count = ViewCount();
    for (Integer row = 0; row < count; ++row)
      if (RowMatches(row, fields, KeyValues, Options)) {
        result = row;
        break;
      }
    if (result < 0 && TreeMode()) Hidden = FindHiddenTreeRecord(fields, KeyValues, Options);
  }
  // Records not read yet may hold the key.
  while (result < 0 && !Hidden && FDataDriver && !FDataDriver->GetProviderEOF()) {
    Integer n;
    {
      const TResyncHold Hold(*this);
      n = FetchFromDriver(1);
    }
    if (n == 0) break;
    Integer last = ViewCount() - 1;
    if (last >= 0 && RowMatches(last, fields, KeyValues, Options)) result = last;
  }
  return result;
}

bool TCustomMemTableEh::Locate(const String& KeyFields, const Variant& KeyValues, TLocateOptions Options) {
  CheckBrowseMode();
  if (Bof() && Eof()) return false;
  // A miss or a failure lets the hold go with the resync the search made due
  // (records fetched, groups opened); a hit resyncs on the found record.
  HoldResync();
  const Integer row = RunOrCleanUp(
      [&] {
        TMemoryRecordEh* hidden = nullptr;
        Integer found = SearchRow(KeyFields, KeyValues, Options, hidden);
        if (found < 0 && hidden && RevealRecord(hidden)) found = ViewIndexOfRecord(hidden, -1);
        if (found >= 0) DoBeforeScroll();
        return found;
      },
      [&] { ReleaseResync(true); });
  if (row < 0) {
    ReleaseResync(true);
    return false;
  }
  ReleaseResync(false);
  FRecordPos = row;
  FActiveRecordPos = row;
  // The found record comes to the middle of the buffer window; this resync
  // stands for any the search made due.
  Resync({rmExact, rmCenter});
  DoAfterScroll();
  return true;
}

Variant TCustomMemTableEh::Lookup(const String& KeyFields, const Variant& KeyValues, const String& ResultFields) {
  Variant result = Variant::Null();
  if (!GetActive()) return result;
  Integer before = ViewCount();
  TMemoryRecordEh* hidden = nullptr;
  Integer row = SearchRow(KeyFields, KeyValues, {}, hidden);
  if (row >= 0 || hidden) {
    // A record below a collapsed node is read without opening its ancestors.
    if (row >= 0) InstantReadEnter(row);
    else InstantReadEnterRecord(hidden);
    ReadAndLeave([&] { result = GetFieldValues(ResultFields); });
  }
  if (ViewCount() != before) Resync({});
  return result;
}
