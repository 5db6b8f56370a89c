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
#include <optional>

#include "editors/ToolCtrlsEh.h"
#include "memtable/MemTableDataEh.h"
#include "memtable/PagesAheadEh.h"
#include "platform/core/Parallel.h"
#include "platform/core/Lists.h"
#include "platform/core/Strings.h"
#include "platform/core/Uncleared.h"
#include "platform/core/WithUpdate.h"
#include "platform/data/DataSet.h"
#include "platform/data/Fields.h"

namespace {

const char16_t* const SNotComparable = u"TMTIndexEh.FindKeyValueIndex: values is not comparable.";

bool IsWholeNumber(const Variant& V) {
  switch (V.VarType()) {
    case varSmallint:
    case varInteger:
    case varShortInt:
    case varByte:
    case varWord:
    case varLongWord:
    case varInt64: return true;
    default: return false;
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

// CompareKeys of an entry's key and a probe, the key read in place.
Integer CompareEntryKey(const TIndexItemEh& Entry, const Variant& Probe) {
  if (const Variant* key = Entry.KeyVariant()) return CompareKeys(*key, Probe);
  return CompareKeys(Entry.Key(), Probe);
}

Integer CompareEntryKeys(const TIndexItemEh& A, const TIndexItemEh& B) {
  if (const Variant* key = B.KeyVariant()) return CompareEntryKey(A, *key);
  return CompareEntryKey(A, B.Key());
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

// While the indexes themselves go, the collection is no longer theirs: the
// block goes with the index then.
TMTIndexEh::~TMTIndexEh() { Clear(); }

TMTIndexesEh* TMTIndexEh::OwnerIndexes() const { return dynamic_cast<TMTIndexesEh*>(GetCollection()); }

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

void TMTIndexEh::Clear() {
  if (TMTIndexesEh* owner = OwnerIndexes()) owner->SpareBlocks().Keep(FItems.TakeBlock());
  else FItems.Clear();
}

Variant TMTIndexEh::RecordKey(TMemoryRecordEh* Rec, TRecValueVersionEh Version) const {
  return Rec->GetDataValues(FFields, Version);
}

void TMTIndexEh::Rebuild() {
  Clear();
  LoadEntries(false);
}

namespace {

// A record's whole-number key (or Null) as the index's build reads it.
struct TNumberKey {
  Int64 Key;
  TMemoryRecordEh* Rec;
  Integer Id;
  TVarType Type;
};

// Keys are always written before they are read: room for them is not cleared first.
using TNumberKeys = TUnclearedVector<TNumberKey>;

}  // namespace

// Kept by the collection: an index loaded again (a tree switched off and on)
// sorts in memory it has written before, where fresh room for a million keys
// is cleared by the kernel page by page first.
struct TMTIndexKeyRoomEh {
  TNumberKeys Keys;
  TNumberKeys Spare;
};

namespace {

// Sorts the keys by Rank(key), ties in the order they stand: in one counting
// pass when the ranks lie within twice as many values as there are keys (a
// numbered table's keys, and the parent keys that name them), else in passes
// of eleven bits from the lowest up to the highest bit any rank has. Either
// reads the keys a few times, where a comparison sort of a million reads them
// twenty times.
template <class TRank>
void RadixSortKeys(TNumberKeys& Keys, TNumberKeys& Spare, UInt64 HighestRank, TRank&& Rank) {
  if (HighestRank == 0) return;
  const bool dense = HighestRank < 2 * static_cast<UInt64>(Keys.size());
  const unsigned bits = dense ? 64 : 11;
  const size_t buckets = dense ? static_cast<size_t>(HighestRank) + 1 : size_t{1} << bits;
  const UInt64 mask = dense ? ~UInt64{0} : buckets - 1;
  // A records list holds fewer than 2^31 records: counts fit in 32 bits, and
  // the table of a counting pass takes half the memory.
  std::vector<uint32_t> count(buckets);
  Spare.resize(Keys.size());
  for (unsigned shift = 0; shift < 64 && (HighestRank >> shift) != 0; shift += bits) {
    if (shift > 0) std::fill(count.begin(), count.end(), 0);
    for (const TNumberKey& k : Keys) ++count[(Rank(k) >> shift) & mask];
    // A pass whose digit is the same for every key would leave them as they are.
    if (std::find(count.begin(), count.end(), Keys.size()) != count.end()) continue;
    uint32_t at = 0;
    for (uint32_t& c : count) at += std::exchange(c, at);
    for (const TNumberKey& k : Keys) Spare[count[(Rank(k) >> shift) & mask]++] = k;
    Keys.swap(Spare);
  }
}

// Null first, then by key, equal keys by record identifier.
void SortNumberKeys(TNumberKeys& Keys, TNumberKeys& Spare) {
  if (Keys.size() < 256) {
    std::sort(Keys.begin(), Keys.end(), [](const TNumberKey& x, const TNumberKey& y) {
      const bool xn = x.Type == varNull, yn = y.Type == varNull;
      if (xn != yn) return xn;
      if (x.Key != y.Key) return x.Key < y.Key;
      return x.Id < y.Id;
    });
    return;
  }
  bool nulls = false, numbers = false, idsInOrder = true;
  Int64 lowest = 0, highest = 0;
  Integer lowestId = Keys.front().Id, highestId = Keys.front().Id;
  for (size_t i = 0; i < Keys.size(); ++i) {
    const TNumberKey& k = Keys[i];
    if (i > 0 && k.Id < Keys[i - 1].Id) idsInOrder = false;
    lowestId = std::min(lowestId, k.Id);
    highestId = std::max(highestId, k.Id);
    if (k.Type == varNull) {
      nulls = true;
      continue;
    }
    lowest = numbers ? std::min(lowest, k.Key) : k.Key;
    highest = numbers ? std::max(highest, k.Key) : k.Key;
    numbers = true;
  }
  // Equal keys go by identifier: the keys are put in identifier order first
  // unless they stand in it already, as a table's records mostly do.
  if (!idsInOrder)
    RadixSortKeys(Keys, Spare, static_cast<UInt64>(static_cast<Int64>(highestId) - lowestId),
                  [lowestId](const TNumberKey& k) { return static_cast<UInt64>(static_cast<Int64>(k.Id) - lowestId); });
  const UInt64 span = static_cast<UInt64>(highest) - static_cast<UInt64>(lowest);
  // Null ranks 0 and the numbers from 1, unless that would not fit: Null
  // then keeps 0 and the lowest number shares it, told apart by a pass of its own.
  const UInt64 base = nulls && span != ~UInt64{0} ? 1 : 0;
  auto rank = [lowest, base](const TNumberKey& k) {
    return k.Type == varNull ? 0 : static_cast<UInt64>(k.Key) - static_cast<UInt64>(lowest) + base;
  };
  RadixSortKeys(Keys, Spare, numbers ? span + base : 0, rank);
  if (nulls && base == 0)
    std::stable_partition(Keys.begin(), Keys.end(), [](const TNumberKey& k) { return k.Type == varNull; });
}

// Reads the whole-number keys (or Nulls) of Records[From, To) into Out, in
// their order, passing over the records Indexed refuses; the count written,
// or nothing once a key is of another kind. The records lie scattered: each
// is asked for some records ahead, and its key's line once the record itself
// has come.
template <class TIndexed>
std::optional<size_t> ReadNumberKeys(const std::vector<TMemoryRecordEh*>& Records, size_t From, size_t To,
                                     Integer Column, TIndexed&& Indexed, TNumberKey* Out) {
  constexpr size_t kAhead = 16;
  TNumberKey* at = Out;
  for (size_t i = From; i < To; ++i) {
    if (i + 2 * kAhead < To) __builtin_prefetch(Records[i + 2 * kAhead]);
    if (i + kAhead < To) __builtin_prefetch(Records[i + kAhead]->StoredValue(Column));
    TMemoryRecordEh* rec = Records[i];
    if (!Indexed(rec)) continue;
    const TRecValueEh* v = rec->StoredValue(Column);
    if (!v || v->IsNull()) *at++ = {0, rec, rec->GetID(), varNull};
    else if (v->IsWholeNumber()) *at++ = {v->Whole(), rec, rec->GetID(), v->VarType()};
    else return std::nullopt;
  }
  return static_cast<size_t>(at - Out);
}

// The keys of every record Indexed takes, in records-list order, in Keys
// (whose room holds one per record), and the parts they were read in, in
// Parts; false once a key is of another kind.
template <class TIndexed>
bool ReadAllNumberKeys(const std::vector<TMemoryRecordEh*>& Records, Integer Column, TIndexed&& Indexed,
                       TNumberKeys& Keys, Integer& Parts) {
  const size_t n = Records.size();
  Keys.resize(n);
  const auto parts = ReadInHalves<std::optional<size_t>>(n, n >= kKeysReadInHalvesFrom, [&](size_t Begin, size_t End) {
    return ReadNumberKeys(Records, Begin, End, Column, Indexed, Keys.data() + static_cast<ptrdiff_t>(Begin));
  });
  // Each part's keys follow those before, wherever records passed over left a gap.
  size_t read = 0;
  Parts = static_cast<Integer>(parts.size());
  for (const TReadPart<std::optional<size_t>>& part : parts) {
    if (!part.Result) return false;
    const auto from = Keys.begin() + static_cast<ptrdiff_t>(part.Begin);
    if (part.Begin != read)
      std::copy(from, from + static_cast<ptrdiff_t>(*part.Result), Keys.begin() + static_cast<ptrdiff_t>(read));
    read += *part.Result;
  }
  Keys.resize(read);
  return true;
}

}  // namespace

void TMTIndexEh::LoadEntries(bool CheckUnique) {
  TRecordsListEh* list = GetRecordsList();
  // An inactive index holds nothing, so nothing of it can go stale.
  if (!FActive || FFields.empty() || !list) {
    Clear();
    FLoadKeyParts = 0;
    return;
  }
  // A key of one field is read by its column, found once for all the records.
  const Integer column =
      FFields.find(u';') == String::npos && list->DataStruct() ? list->DataStruct()->FieldIndex(FFields) : -1;
  // A record marked deleted has left the index (as it does when it is marked).
  auto indexed = [](const TMemoryRecordEh* Rec) { return Rec->GetUpdateStatus() != rusDeletedEh; };
  const std::vector<TMemoryRecordEh*>& records = list->GetActiveList();

  // Whole numbers and Nulls (first), the commonest keys, compared as VarCompareEh
  // does from a plain table, and made into entries straight in order.
  TMTIndexesEh* owner = OwnerIndexes();
  TIndexNodeBlocksEh* spares = owner ? &owner->SpareBlocks() : nullptr;
  TMTIndexKeyRoomEh ownRoom;
  TMTIndexKeyRoomEh& room = owner ? owner->KeyRoom() : ownRoom;
  TNumberKeys& numbers = room.Keys;
  numbers.clear();
  bool wholeNumbers = column >= 0;
  Integer keyParts = 0;
  // The memory the load writes, its pages given while the keys are read: in a
  // fresh process each page of it is new, and the nodes' pages are huge ones.
  std::unique_ptr<TIndexNodeBlockEh> block;
  TPagesAheadEh pages;
  if (wholeNumbers) {
    numbers.reserve(records.size());
    room.Spare.reserve(records.size());
    block = TIndexEntriesEh::BlockForLoad(static_cast<Integer>(records.size()), spares);
    pages.Start({{numbers.data(), numbers.capacity() * sizeof(TNumberKey)},
                 {room.Spare.data(), room.Spare.capacity() * sizeof(TNumberKey)},
                 {block ? block->Data() : nullptr, block ? block->Size() : 0}});
    wholeNumbers = ReadAllNumberKeys(records, column, indexed, numbers, keyParts);
  }
  if (wholeNumbers) {
    SortNumberKeys(numbers, room.Spare);
    if (CheckUnique)
      for (size_t i = 1; i < numbers.size(); ++i)
        if ((numbers[i - 1].Type == varNull) == (numbers[i].Type == varNull) && numbers[i - 1].Key == numbers[i].Key)
          KeyViolation(TIndexItemEh(numbers[i].Type, numbers[i].Key, nullptr, 0).Key());
    // The block goes to the entries, or among the spares, where a block may be let go.
    pages.Wait();
    FLoadKeyParts = keyParts;
    FItems.AssignMade(
        static_cast<Integer>(numbers.size()),
        [&](Integer i) {
          const TNumberKey& k = numbers[static_cast<size_t>(i)];
          return TIndexItemEh(k.Type, k.Key, k.Rec, k.Id);
        },
        spares, std::move(block));
    return;
  }
  pages.Wait();
  if (spares) spares->Keep(std::move(block));

  std::vector<TIndexItemEh> items;
  items.reserve(records.size());
  for (TMemoryRecordEh* rec : records)
    if (indexed(rec))
      items.emplace_back(column >= 0 ? rec->GetValue(column, rvvValueEh) : RecordKey(rec, rvvValueEh), rec);
  // A merge sort of positions, safe whatever the comparison answers; ties (and
  // keys that cannot be compared) go by the order the records were made in.
  std::vector<uint32_t> order(items.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = static_cast<uint32_t>(i);
  std::stable_sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
    switch (CompareEntryKeys(items[a], items[b])) {
      case 1: return true;
      case 2: return false;
      default: return items[a].RecId < items[b].RecId;
    }
  });
  if (CheckUnique)
    for (size_t i = 1; i < order.size(); ++i)
      if (CompareEntryKeys(items[order[i - 1]], items[order[i]]) == 0) KeyViolation(items[order[i]].Key());
  FLoadKeyParts = 0;
  FItems.AssignMade(
      static_cast<Integer>(order.size()), [&](Integer i) { return std::move(items[order[static_cast<size_t>(i)]]); },
      spares);
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
  auto slow = [&](const TIndexItemEh& e) { return before(CompareEntryKey(e, KeyValue)); };
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

void TMTIndexEh::VisitKeyRecords(const Variant& KeyValue,
                                 const std::function<bool(TMemoryRecordEh*, Integer, Integer)>& Visit,
                                 const std::function<void(Integer, Integer)>& Narrow) const {
  const bool unique = IsUnique();
  const TFastProbe probe(KeyValue);
  auto compare = [&](const TIndexItemEh& e) {
    const Integer c = probe.Compare(TIndexEntriesEh::FastKeyOf(e));
    return c != 3 ? c : CompareEntryKey(e, KeyValue);
  };
  FItems.VisitFrom(
      [&](const TFastKey& k) {
        const Integer c = probe.Compare(k);
        return c == 3 ? -1 : static_cast<int>(c == 1);
      },
      [&](const TIndexItemEh& e) {
        switch (CompareEntryKey(e, KeyValue)) {
          case 1: return true;
          case 2:
          case 0: return false;
          default: throw Exception(SNotComparable);
        }
      },
      // The entries with the key stand together; the first other one ends
      // them, and in a unique index the first is the only one.
      [&](const TIndexItemEh& e, Integer Pos) { return compare(e) == 0 && Visit(e.Rec, Pos, e.RecId) && !unique; },
      [&](Integer First, Integer Count) {
        if (Narrow && Count <= 2 * TIndexEntriesEh::LeafCapacity) Narrow(First, Count);
      });
}

void TMTIndexEh::GetRecordsByKey(const Variant& KeyValue, std::vector<TMemoryRecordEh*>& List) const {
  Integer pos;
  if (!FindKeyValueIndex(KeyValue, pos)) return;
  for (Integer i = pos; i < GetCount() && CompareEntryKey(FItems.At(i), KeyValue) == 0; ++i)
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
      [&](const TIndexItemEh& e) { return before(CompareEntryKey(e, Key), e.RecId, id); }, At);
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
    case rlnListChangedEh: Rebuild(); break;
    default: break;
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

TMTIndexKeyRoomEh& TMTIndexesEh::KeyRoom() {
  if (!FKeyRoom) FKeyRoom = std::make_unique<TMTIndexKeyRoomEh>();
  return *FKeyRoom;
}

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
    if (SameChars(fields, FieldNames) || SameText(fields, FieldNames)) return GetItem(i);
  }
  for (Integer i = 0; i < GetCount(); ++i)
    if (AnsiSameText(GetItem(i)->GetFields(), FieldNames)) return GetItem(i);
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
