// Indexes of a records list and aggregates of a records view.
//
// An index keeps its entries sorted by key (VarCompareEh; several fields make a
// Variant array key). Every check for a change runs in the "-ing" notification,
// before the records list stores the change, and the entries change only in the
// "-ed" notification after it: a refused change leaves index and records as
// they were. Entries name their records, so records that come, go or move
// change no other entry; equal keys stand in the order the records were made,
// so the entry of a record is found by (key, record), never a neighbour's.

#include <algorithm>
#include <functional>

#include "editors/ToolCtrlsEh.h"
#include "memtable/MemTableDataEh.h"
#include "platform/core/Lists.h"
#include "platform/core/Strings.h"
#include "platform/core/WithUpdate.h"
#include "platform/data/DataSet.h"
#include "platform/data/Fields.h"

namespace {

const char16_t* const SNotComparable = u"TMTIndexEh.FindKeyValueIndex: values is not comparable.";

bool IsWholeNumber(const Variant& V) {
  switch (V.VarType()) {
    case varSmallint: case varInteger: case varShortInt: case varByte: case varWord: case varLongWord: case varInt64:
      return true;
    default:
      return false;
  }
}

// VarCompareEh, with whole numbers (the commonest keys) compared directly.
Integer CompareKeys(const Variant& A, const Variant& B) {
  if (IsWholeNumber(A) && IsWholeNumber(B)) {
    const Int64 a = A.AsInt64(), b = B.AsInt64();
    return a < b ? 1 : a > b ? 2 : 0;
  }
  return VarCompareEh(A, B);
}

String KeyText(const Variant& Key) {
  if (!Key.IsArray()) return VarToStr(Key);
  String s;
  for (Integer i = VarArrayLowBound(Key); i <= VarArrayHighBound(Key); ++i) {
    if (!s.empty()) s += u";";
    s += VarToStr(VarArrayGet(Key, i));
  }
  return s;
}

}  // namespace

// ---------------------------------------------------------------------------
// TMTIndexEh

TMTIndexEh::TMTIndexEh(TCollection* Collection) : TCollectionItem(Collection) {}

TMTIndexEh::TMTIndexEh(TCollection* Collection, TRecordsListEh* ARecordsList)
    : TCollectionItem(Collection), FRecordsList(ARecordsList) {}

TMTIndexEh::~TMTIndexEh() = default;

TRecordsListEh* TMTIndexEh::GetRecordsList() const {
  if (FRecordsList) return FRecordsList;
  auto* indexes = dynamic_cast<TMTIndexesEh*>(GetCollection());
  return indexes ? indexes->GetRecordsList() : nullptr;
}

void TMTIndexEh::SetActive(bool Value) {
  if (FActive == Value) return;
  if (Value) ChangeSettings([this] { FActive = true; });
  else {
    FActive = false;
    Clear();
  }
}

void TMTIndexEh::SetFields(const String& Value) {
  if (FFields != Value) ChangeSettings([this, &Value] { FFields = Value; });
}

void TMTIndexEh::SetUnique(bool Value) {
  if (FUnique != Value) ChangeSettings([this, Value] { FUnique = Value; });
}

void TMTIndexEh::SetPrimary(bool Value) {
  if (FPrimary != Value) ChangeSettings([this, Value] { FPrimary = Value; });
}

void TMTIndexEh::ChangeSettings(const std::function<void()>& Change) {
  const bool active = FActive, unique = FUnique, primary = FPrimary;
  const String fields = FFields;
  Change();
  try {
    LoadEntries(IsUnique());
  } catch (...) {
    // An unknown field or a duplicate key: the index stays as it was.
    FActive = active;
    FUnique = unique;
    FPrimary = primary;
    FFields = fields;
    throw;
  }
}

void TMTIndexEh::Clear() { FItems.Clear(); }

Variant TMTIndexEh::RecordKey(TMemoryRecordEh* Rec, TRecValueVersionEh Version) const {
  return Rec->GetDataValues(FFields, Version);
}

void TMTIndexEh::Rebuild() {
  Clear();
  LoadEntries(false);
}

namespace {

// A whole number back in the Variant type it was read from.
Variant WholeNumberOf(TVarType Type, Int64 Value) {
  switch (Type) {
    case varSmallint: return Variant(static_cast<int16_t>(Value));
    case varInteger: return Variant(static_cast<int32_t>(Value));
    case varShortInt: return Variant(static_cast<int8_t>(Value));
    case varByte: return Variant(static_cast<uint8_t>(Value));
    case varWord: return Variant(static_cast<uint16_t>(Value));
    case varLongWord: return Variant(static_cast<uint32_t>(Value));
    default: return Variant(Value);
  }
}

}  // namespace

void TMTIndexEh::LoadEntries(bool CheckUnique) {
  TRecordsListEh* list = GetRecordsList();
  // An inactive index holds nothing, so nothing of it can go stale.
  if (!FActive || FFields.empty() || !list) {
    FItems.Clear();
    return;
  }
  // A key of one field is read by its column, found once for all the records.
  const Integer column = FFields.find(u';') == String::npos && list->DataStruct()
                             ? list->DataStruct()->FieldIndex(FFields)
                             : -1;
  // A record marked deleted has left the index (as it does when it is marked).
  auto indexed = [](const TMemoryRecordEh* Rec) { return Rec->GetUpdateStatus() != rusDeletedEh; };
  const std::vector<TMemoryRecordEh*>& records = list->GetActiveList();

  // Whole numbers and Nulls (first), the commonest keys, compared as VarCompareEh
  // does from a plain table, and made into entries straight in order: no Variant
  // is copied but into its entry.
  struct TNumberKey {
    Int64 Key;
    Integer Id;
    TVarType Type;
    TMemoryRecordEh* Rec;
  };
  std::vector<TNumberKey> numbers;
  bool wholeNumbers = column >= 0;
  if (wholeNumbers) {
    numbers.reserve(records.size());
    for (TMemoryRecordEh* rec : records) {
      if (!indexed(rec)) continue;
      const TRecValueEh* v = rec->StoredValue(column);
      if (!v || v->IsNull()) {
        numbers.push_back({0, rec->GetID(), varNull, rec});
        continue;
      }
      if (!v->IsWholeNumber()) {
        wholeNumbers = false;
        break;
      }
      numbers.push_back({v->Whole(), rec->GetID(), v->VarType(), rec});
    }
  }
  if (wholeNumbers) {
    // Ties go by the order the records were made in.
    std::sort(numbers.begin(), numbers.end(), [](const TNumberKey& x, const TNumberKey& y) {
      const bool xn = x.Type == varNull, yn = y.Type == varNull;
      if (xn != yn) return xn;
      if (x.Key != y.Key) return x.Key < y.Key;
      return x.Id < y.Id;
    });
    auto keyOf = [](const TNumberKey& k) { return k.Type == varNull ? Null() : WholeNumberOf(k.Type, k.Key); };
    if (CheckUnique)
      for (size_t i = 1; i < numbers.size(); ++i)
        if ((numbers[i - 1].Type == varNull) == (numbers[i].Type == varNull) && numbers[i - 1].Key == numbers[i].Key)
          KeyViolation(keyOf(numbers[i]));
    FItems.AssignMade(static_cast<Integer>(numbers.size()), [&](Integer i) {
      const TNumberKey& k = numbers[static_cast<size_t>(i)];
      return TIndexItemEh(keyOf(k), k.Rec);
    });
    return;
  }

  std::vector<TIndexItemEh> items;
  items.reserve(records.size());
  for (TMemoryRecordEh* rec : records)
    if (indexed(rec)) items.emplace_back(column >= 0 ? rec->GetValue(column, rvvValueEh) : RecordKey(rec, rvvValueEh), rec);
  // A merge sort of positions, safe whatever the comparison answers; ties (and
  // keys that cannot be compared) go by the order the records were made in.
  std::vector<uint32_t> order(items.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = static_cast<uint32_t>(i);
  std::stable_sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
    switch (VarCompareEh(items[a].Key, items[b].Key)) {
      case 1: return true;
      case 2: return false;
      default: return items[a].RecId < items[b].RecId;
    }
  });
  if (CheckUnique)
    for (size_t i = 1; i < order.size(); ++i)
      if (VarCompareEh(items[order[i - 1]].Key, items[order[i]].Key) == 0) KeyViolation(items[order[i]].Key);
  FItems.AssignMade(static_cast<Integer>(order.size()),
                    [&](Integer i) { return std::move(items[order[static_cast<size_t>(i)]]); });
}

namespace {

using TFastKey = TIndexEntriesEh::TFastKey;

// A probe key as the entries' fast keys read: CompareKeys' answer (1 before,
// 2 after, 0 equal) for a fast key, or 3 when only the whole key can tell.
class TFastProbe {
public:
  explicit TFastProbe(const Variant& Key) {
    if (Key.IsNull()) FKind = TIndexEntriesEh::fkNull;
    else if (IsWholeNumber(Key)) {
      FKind = TIndexEntriesEh::fkWholeNumber;
      FNumber = Key.AsInt64();
    }
  }
  Integer Compare(const TFastKey& K) const {
    if (FKind == TIndexEntriesEh::fkOther || K.Kind == TIndexEntriesEh::fkOther) return 3;
    // Null lies before every other value and equals Null, as VarCompareEh has it.
    if (K.Kind == TIndexEntriesEh::fkNull || FKind == TIndexEntriesEh::fkNull)
      return K.Kind == FKind ? 0 : K.Kind == TIndexEntriesEh::fkNull ? 1 : 2;
    // Without branches: a search's keys fall either side at random.
    return static_cast<Integer>(K.Number < FNumber) + 2 * static_cast<Integer>(K.Number > FNumber);
  }

private:
  TIndexEntriesEh::TFastKind FKind = TIndexEntriesEh::fkOther;
  Int64 FNumber = 0;
};

}  // namespace

bool TMTIndexEh::FindKey(const Variant& KeyValue, Integer* Pos, const TIndexItemEh** At) const {
  bool found = false;
  const TFastProbe probe(KeyValue);
  auto before = [&found](Integer Comparison) {
    switch (Comparison) {
      case 1: return true;
      case 2: return false;
      case 0: found = true; return false;
      default: throw Exception(SNotComparable);
    }
  };
  auto fast = [&](const TFastKey& k) {
    const Integer c = probe.Compare(k);
    if (c == 3) return -1;
    found |= c == 0;
    return static_cast<int>(c == 1);
  };
  auto slow = [&](const TIndexItemEh& e) { return before(CompareKeys(e.Key, KeyValue)); };
  if (Pos) *Pos = FItems.LowerBound(fast, slow, At);
  else *At = FItems.FirstNotBefore(fast, slow);
  return found;
}

bool TMTIndexEh::FindKeyValueIndex(const Variant& KeyValue, Integer& Pos) const {
  return FindKey(KeyValue, &Pos, nullptr);
}

bool TMTIndexEh::FindKeyValue(const Variant& KeyValue, Integer& RecIndex) const {
  const TIndexItemEh* at = nullptr;
  if (!FindKey(KeyValue, nullptr, &at) || !at) return false;
  RecIndex = at->RecIndex();
  return true;
}

bool TMTIndexEh::FindKeyRecord(const Variant& KeyValue, TMemoryRecordEh*& Rec) const {
  const TIndexItemEh* at = nullptr;
  if (!FindKey(KeyValue, nullptr, &at) || !at) return false;
  Rec = at->Rec;
  return true;
}

void TMTIndexEh::GetRecordsByKey(const Variant& KeyValue, std::vector<TMemoryRecordEh*>& List) const {
  Integer pos;
  if (!FindKeyValueIndex(KeyValue, pos)) return;
  for (Integer i = pos; i < GetCount() && CompareKeys(FItems.At(i).Key, KeyValue) == 0; ++i)
    List.push_back(FItems.At(i).Rec);
}

void TMTIndexEh::SetKey(Integer Pos, const Variant& Value) { FItems.SetKey(Pos, Value); }

void TMTIndexEh::InsertItem(Integer Pos, std::unique_ptr<TIndexItemEh> Item) {
  FItems.Insert(std::clamp<Integer>(Pos, 0, GetCount()), std::move(*Item));
}

Integer TMTIndexEh::EntryPosition(const Variant& Key, const TMemoryRecordEh* Rec, const TIndexItemEh** At) const {
  const TFastProbe probe(Key);
  const Integer id = Rec->GetID();
  auto before = [](Integer Comparison, Integer EntryId, Integer Id) {
    switch (Comparison) {
      case 1: return true;
      case 2: return false;
      case 0: return EntryId < Id;
      default: throw Exception(SNotComparable);
    }
  };
  return FItems.LowerBound(
      [&](const TFastKey& k) {
        const Integer c = probe.Compare(k);
        return c == 3 ? -1 : before(c, k.RecId, id) ? 1 : 0;
      },
      [&](const TIndexItemEh& e) { return before(CompareKeys(e.Key, Key), e.RecId, id); }, At);
}

Integer TMTIndexEh::FindRecordEntry(const Variant& Key, const TMemoryRecordEh* Rec) const {
  try {
    const TIndexItemEh* at = nullptr;
    const Integer pos = EntryPosition(Key, Rec, &at);
    if (at && at->Rec == Rec) return pos;
  } catch (const Exception&) {
  }
  // Not where its key puts it (a key of another kind, or changed behind the
  // index's back): look at every entry.
  Integer found = -1, i = 0;
  FItems.ForEach([&](const TIndexItemEh& e) {
    if (found < 0 && e.Rec == Rec) found = i;
    ++i;
  });
  return found;
}

void TMTIndexEh::KeyViolation(const Variant& Key) const { throw Exception(u"Unical key violation " + KeyText(Key)); }

void TMTIndexEh::Notify(TMemoryRecordEh* MemRec, Integer, TRecordsListNotificationEh Action) {
  if (!FActive || FFields.empty()) return;
  switch (Action) {
    case rlnRecAddingEh: {
      if (!IsUnique()) break;
      Variant key = RecordKey(MemRec, rvvValueEh);
      Integer pos;
      if (FindKeyValueIndex(key, pos)) KeyViolation(key);
      break;
    }
    case rlnRecAddedEh: {
      Variant key = RecordKey(MemRec, rvvValueEh);
      const Integer pos = EntryPosition(key, MemRec);
      FItems.Insert(pos, TIndexItemEh(std::move(key), MemRec));
      break;
    }
    case rlnRecChangingEh: {
      Variant oldKey = RecordKey(MemRec, rvvEditStartValueEh);
      if (IsUnique()) {
        Variant key = RecordKey(MemRec, rvvValueEh);
        Integer pos;
        if (VarCompareEh(key, oldKey) != 0 && FindKeyValueIndex(key, pos)) KeyViolation(key);
      }
      FOldKey = std::move(oldKey);
      break;
    }
    case rlnRecChangedEh: {
      Variant key = RecordKey(MemRec, rvvValueEh);
      const Integer oldPos = FindRecordEntry(FOldKey, MemRec);
      FOldKey = Variant();
      const Integer newPos = EntryPosition(key, MemRec);  // may raise: nothing changed yet
      if (oldPos >= 0) FItems.Erase(oldPos);
      FItems.Insert(oldPos >= 0 && oldPos < newPos ? newPos - 1 : newPos, TIndexItemEh(std::move(key), MemRec));
      break;
    }
    case rlnRecDeletedEh:
    case rlnRecMarkedForDelEh: {
      const Integer pos = FindRecordEntry(RecordKey(MemRec, rvvValueEh), MemRec);
      // After a cached deletion mark the entry is already gone: nothing else is removed.
      if (pos >= 0) FItems.Erase(pos);
      break;
    }
    case rlnListChangedEh:
      Rebuild();
      break;
    default:
      break;
  }
}

// Entries name their records, and records know their own positions: a move
// changes no entry.
void TMTIndexEh::RecordMoved(TMemoryRecordEh*, Integer, Integer) {}

// ---------------------------------------------------------------------------
// TMTIndexesEh

TMTIndexesEh::TMTIndexesEh(TRecordsListEh* ARecordsList)
    : TCollection(TMTIndexEh::StaticItemClass()), FRecordsList(ARecordsList) {}

TMTIndexesEh::~TMTIndexesEh() = default;

TPersistent* TMTIndexesEh::GetOwner() const { return FRecordsList; }

void TMTIndexesEh::Notify(TMemoryRecordEh* MemRec, Integer Index, TRecordsListNotificationEh Action) {
  for (Integer i = 0; i < GetCount(); ++i) GetItem(i)->Notify(MemRec, Index, Action);
}

void TMTIndexesEh::RecordMoved(TMemoryRecordEh* Item, Integer OldIndex, Integer NewIndex) {
  for (Integer i = 0; i < GetCount(); ++i) GetItem(i)->RecordMoved(Item, OldIndex, NewIndex);
}

void TMTIndexesEh::ClearIndexesData() {
  for (Integer i = 0; i < GetCount(); ++i) GetItem(i)->Clear();
}

TMTIndexEh* TMTIndexesEh::FindIndexByFields(const String& FieldNames) const {
  // Names that differ only in the case of ASCII letters are the same in the
  // locale too: the plain comparison spares the locale's for the common match.
  for (Integer i = 0; i < GetCount(); ++i) {
    const String& fields = GetItem(i)->GetFields();
    if (SameText(fields, FieldNames) || AnsiSameText(fields, FieldNames)) return GetItem(i);
  }
  return nullptr;
}

// ---------------------------------------------------------------------------
// TMTAggregateEh

TMTAggregateEh::TMTAggregateEh(TCollection* Collection) : TCollectionItem(Collection) {}

TMTAggregateEh::~TMTAggregateEh() {
  // No dataset field may keep pointing at a freed aggregate.
  if (TDataSet* ds = GetDataSet()) {
    TFields* agg = ds->GetAggFields();
    for (Integer i = 0; agg && i < agg->Count(); ++i)
      if (auto* f = dynamic_cast<TAggregateField*>(agg->GetField(i)); f && f->GetHandle() == this)
        f->SetHandle(nullptr);
  }
}

TMTAggregatesEh* TMTAggregateEh::GetAggregates() const { return dynamic_cast<TMTAggregatesEh*>(GetCollection()); }

TDataSet* TMTAggregateEh::GetDataSet() const {
  TMTAggregatesEh* a = GetAggregates();
  return a ? a->GetDataSet() : nullptr;
}

void TMTAggregateEh::Assign(TPersistent* Source) {
  if (auto* a = dynamic_cast<TMTAggregateEh*>(Source)) {
    SetActive(a->GetActive());
    SetExpression(a->GetExpression());
  } else if (auto* f = dynamic_cast<TAggregateField*>(Source)) {
    SetActive(f->GetActive());
    SetExpression(f->GetExpression());
  } else {
    TCollectionItem::Assign(Source);
  }
}

String TMTAggregateEh::GetDisplayName() const {
  return FExpression.empty() ? TCollectionItem::GetDisplayName() : FExpression;
}

void TMTAggregateEh::Changed() {
  TMTAggregatesEh* a = GetAggregates();
  if (GetDataSet() && a && a->GetUpdateCount() == 0) Recalc();
}

void TMTAggregateEh::SetActive(bool Value) {
  if (FActive == Value) return;
  FActive = Value;
  Changed();
}

void TMTAggregateEh::SetExpression(const String& Value) {
  if (FExpression == Value) return;
  FExpression = Value;
  Prepare();
  Changed();
}

void TMTAggregateEh::Prepare() {
  FPrepared = false;
  TDataSet* ds = GetDataSet();
  TMTAggregatesEh* a = GetAggregates();
  if (ds && ds->GetActive() && FActive && !FExpression.empty() && a && a->GetActive()) {
    auto parser = std::make_unique<TDataSetExprParserEh>(ds, dsptAggregateEh);
    parser->ParseExpression(FExpression);
    FExprParser = std::move(parser);
    FDataType = ftFloat;
    FPrepared = true;
  } else {
    FValue = Null();
  }
}

void TMTAggregateEh::Recalc() {
  TMTAggregatesEh* a = GetAggregates();
  if (FPrepared && FExprParser && a) {
    Variant v = Null();
    if (FExprParser->CalcAggregate(a->GetRows(), v)) FValue = v;
    else FValue = Null();
  } else {
    FValue = Null();
  }
}

// ---------------------------------------------------------------------------
// TMTAggregatesEh

TMTAggregatesEh::TMTAggregatesEh(TComponent* ARecordsView)
    : TCollection(TMTAggregateEh::StaticItemClass()), FRecordsView(ARecordsView) {}

TMTAggregatesEh::~TMTAggregatesEh() { Clear(); }

IAggregateRowsEh* TMTAggregatesEh::GetRows() const { return dynamic_cast<IAggregateRowsEh*>(FRecordsView); }

TDataSet* TMTAggregatesEh::GetDataSet() const {
  return FRecordsView ? dynamic_cast<TDataSet*>(FRecordsView->GetOwner()) : nullptr;
}

void TMTAggregatesEh::SetActive(bool Value) {
  if (FActive == Value) return;
  FActive = Value;
  Rebuild();
}

void TMTAggregatesEh::Rebuild() {
  WithUpdate(*this, [&] {
    Clear();
    TDataSet* ds = GetDataSet();
    TFields* agg = ds ? ds->GetAggFields() : nullptr;
    for (Integer i = 0; agg && i < agg->Count(); ++i) {
      auto* f = dynamic_cast<TAggregateField*>(agg->GetField(i));
      if (!f) continue;
      TMTAggregateEh* item = Add();
      item->Assign(f);
      item->Prepare();
      f->SetHandle(item);
      f->SetResultType(item->GetDataType());
    }
  });
  Reset();
}

void TMTAggregatesEh::Reset() {
  TDataSet* ds = GetDataSet();
  const bool live = ds && ds->GetActive() && !ds->GetComponentState().Contains(csLoading) && GetUpdateCount() == 0;
  for (Integer i = 0; i < GetCount(); ++i) {
    if (live) GetItem(i)->Recalc();
    else GetItem(i)->FValue = Null();
  }
}
