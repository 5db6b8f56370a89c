// The in-memory dataset on 1,000,000 records, each figure beside its baseline
// measured in the same run ("baseline_ms" counter) and the ratio of the two:
//   - key lookup through an index against a linear scan;
//   - a filter expression against a hand-written loop over the same condition
//     (the full-scan filter of an SQL engine takes about 61 ms here);
//   - a view sorted by one integer field, by two fields and by a text field,
//     against std::sort of row numbers over the same keys (the text baseline
//     compares through the same collator);
//   - appending 1,000,000 records to a table with two indexes (a unique key and
//     a parent key shared by eight records) against the same without indexes;
//   - a view opened in tree mode (100,000 and 1,000,000 records) against the
//     sort by one integer field, and opened sorted by a text field against the
//     flat view's sort by that field.

#include <benchmark/benchmark.h>

#include <memory>
#include <algorithm>
#include <random>

#include "bench/MemTableBench.h"
#include "memtable/MemTableDataEh.h"
#include "platform/core/Locale.h"
#include "platform/core/Strings.h"
#include "tests/platform/data/TestDataSet.h"

namespace {

constexpr Integer kRecords = 1000000;
constexpr unsigned kRandomStart = 1207;

// ID integer (a permutation of 0 .. n-1), ID_TYPE integer 0..3, NAME text,
// ID_PARENT: (ID - 1) / 8, so the records form a tree eight wide, in shuffled order.
struct BigStore {
  TMemTableDataEh Store{nullptr};
  TTestDataSet DS;
  TMTIndexEh* Index = nullptr;

  BigStore() {
    auto add = [&](TComponentClass cls, TFieldType type, const String& name) {
      TMTDataFieldEh* f = Store.GetDataStruct()->CreateField(cls);
      f->SetDataType(type);
      f->SetFieldName(name);
      if (type == ftWideString) f->SetSize(40);
      DS.GetFieldDefs()->Add(name, type, type == ftWideString ? 40 : 0);
    };
    add(TMTNumericDataFieldEh::StaticComponentClass(), ftInteger, u"ID");
    add(TMTNumericDataFieldEh::StaticComponentClass(), ftInteger, u"ID_TYPE");
    add(TMTStringDataFieldEh::StaticComponentClass(), ftWideString, u"NAME");
    add(TMTNumericDataFieldEh::StaticComponentClass(), ftInteger, u"ID_PARENT");
    DS.Open();
    std::vector<Integer> ids(kRecords);
    for (Integer i = 0; i < kRecords; ++i) ids[static_cast<size_t>(i)] = i;
    std::mt19937 rng(kRandomStart);
    std::shuffle(ids.begin(), ids.end(), rng);
    TRecordsListEh* list = Store.GetRecordsList();
    list->BeginUpdate();
    for (Integer i = 0; i < kRecords; ++i) {
      TMemoryRecordEh* r = list->NewRecord();
      r->SetValue(0, rvvValueEh, Variant(ids[static_cast<size_t>(i)]));
      r->SetValue(1, rvvValueEh, Variant(static_cast<Integer>(rng() % 4)));
      r->SetValue(2, rvvValueEh, Variant(u"Запись " + IntToStr(rng() % 100000)));
      const Integer id = ids[static_cast<size_t>(i)];
      r->SetValue(3, rvvValueEh, id == 0 ? Null() : Variant((id - 1) / 8));
      list->LoadRecord(r);
    }
    list->EndUpdate();
    Index = list->GetIndexes()->Add();
    Index->SetFields(u"ID");
    Index->SetActive(true);
  }

  static BigStore& Get() {
    static BigStore store;
    return store;
  }
};

// A smaller store of the same shape for the 100,000-node tree.
struct TreeStore {
  TMemTableDataEh Store{nullptr};
  explicit TreeStore(Integer Count) {
    for (const char16_t* name : {u"ID_THIS", u"ID_PARENT"}) {
      TMTDataFieldEh* f = Store.GetDataStruct()->CreateField(TMTNumericDataFieldEh::StaticComponentClass());
      f->SetDataType(ftInteger);
      f->SetFieldName(name);
    }
    std::vector<Integer> ids(static_cast<size_t>(Count));
    for (Integer i = 0; i < Count; ++i) ids[static_cast<size_t>(i)] = i;
    std::mt19937 rng(kRandomStart);
    std::shuffle(ids.begin(), ids.end(), rng);
    TRecordsListEh* list = Store.GetRecordsList();
    list->BeginUpdate();
    for (Integer id : ids) {
      TMemoryRecordEh* r = list->NewRecord();
      r->SetValue(0, rvvValueEh, Variant(id));
      r->SetValue(1, rvvValueEh, id == 0 ? Null() : Variant((id - 1) / 8));
      list->LoadRecord(r);
    }
    list->EndUpdate();
  }
};

// A linear scan for one key: the baseline of an index lookup.
Integer ScanFor(const std::vector<TMemoryRecordEh*>& rows, Integer key) {
  for (TMemoryRecordEh* r : rows)
    if (r->GetData()[0].AsInteger() == key) return r->GetIndex();
  return -1;
}

void BM_IndexLookup(benchmark::State& state) {
  BigStore& s = BigStore::Get();
  std::mt19937 rng(kRandomStart);
  Integer rec = 0;
  for (auto _ : state) {
    s.Index->FindKeyValue(Variant(static_cast<Integer>(rng() % kRecords)), rec);
    benchmark::DoNotOptimize(rec);
  }
  const auto& rows = s.Store.GetRecordsList()->GetActiveList();
  const double scanMs = Millis([&] { benchmark::DoNotOptimize(ScanFor(rows, static_cast<Integer>(rng() % kRecords))); }, 20);
  const double lookupMs = Millis([&] { s.Index->FindKeyValue(Variant(static_cast<Integer>(rng() % kRecords)), rec); }, 100000);
  Report(state, lookupMs, scanMs);
  state.counters["lookup_us"] = lookupMs * 1000;
}
BENCHMARK(BM_IndexLookup);

void BM_FilterExpression(benchmark::State& state) {
  BigStore& s = BigStore::Get();
  TDataSetExprParserEh filter(&s.DS, dsptFilterEh);
  filter.ParseExpression(u"ID_TYPE>0");
  const auto& rows = s.Store.GetRecordsList()->GetActiveList();
  Integer accepted = 0;
  auto viaFilter = [&] {
    accepted = 0;
    for (TMemoryRecordEh* r : rows)
      if (filter.IsRecordAccepted(r)) ++accepted;
  };
  auto viaLoop = [&] {
    Integer n = 0;
    for (TMemoryRecordEh* r : rows) {
      const Variant& v = r->GetData()[1];
      if (!v.IsNull() && v.AsInteger() > 0) ++n;
    }
    benchmark::DoNotOptimize(n);
  };
  for (auto _ : state) {
    viaFilter();
    benchmark::DoNotOptimize(accepted);
  }
  Report(state, Millis(viaFilter, 3), Millis(viaLoop, 3));
}
BENCHMARK(BM_FilterExpression)->Unit(benchmark::kMillisecond)->Iterations(3);

// ---- sorting -------------------------------------------------------------------------

// The view's sort alone: the list is back in records-list order before each run.
double TimeViewSort(TRecordsViewEh& View, const String& Order) {
  View.SetSortOrder(u"");
  View.RebuildView();
  return Millis([&] { View.SetSortOrder(Order); }, 1);
}

template <class Less>
double TimeStdSort(Integer Count, Less&& less) {
  std::vector<Integer> rows(static_cast<size_t>(Count));
  for (Integer i = 0; i < Count; ++i) rows[static_cast<size_t>(i)] = i;
  return Millis([&] { std::sort(rows.begin(), rows.end(), less); }, 1);
}

std::vector<Int64> ColumnKeys(const std::vector<TMemoryRecordEh*>& Rows, Integer Column) {
  std::vector<Int64> keys;
  keys.reserve(Rows.size());
  for (TMemoryRecordEh* r : Rows) keys.push_back(r->GetData()[static_cast<size_t>(Column)].AsInt64());
  return keys;
}

void BM_SortByIntegerField(benchmark::State& state) {
  BigStore& s = BigStore::Get();
  TRecordsViewEh view(nullptr);
  view.SetMemTableData(&s.Store);
  double ms = 0;
  for (auto _ : state) ms = TimeViewSort(view, u"ID");
  const std::vector<Int64> keys = ColumnKeys(s.Store.GetRecordsList()->GetActiveList(), 0);
  Report(state, ms, TimeStdSort(kRecords, [&](Integer a, Integer b) { return keys[a] < keys[b]; }));
}
BENCHMARK(BM_SortByIntegerField)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_SortByTwoFields(benchmark::State& state) {
  BigStore& s = BigStore::Get();
  TRecordsViewEh view(nullptr);
  view.SetMemTableData(&s.Store);
  double ms = 0;
  for (auto _ : state) ms = TimeViewSort(view, u"ID_TYPE, ID DESC");
  const auto& rows = s.Store.GetRecordsList()->GetActiveList();
  const std::vector<Int64> k1 = ColumnKeys(rows, 1), k2 = ColumnKeys(rows, 0);
  Report(state, ms, TimeStdSort(kRecords, [&](Integer a, Integer b) {
           return k1[a] != k1[b] ? k1[a] < k1[b] : k2[a] > k2[b];
         }));
}
BENCHMARK(BM_SortByTwoFields)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_SortByTextField(benchmark::State& state) {
  BigStore& s = BigStore::Get();
  TRecordsViewEh view(nullptr);
  view.SetMemTableData(&s.Store);
  double ms = 0;
  for (auto _ : state) ms = TimeViewSort(view, u"NAME");
  const auto& rows = s.Store.GetRecordsList()->GetActiveList();
  std::vector<String> texts;
  texts.reserve(rows.size());
  for (TMemoryRecordEh* r : rows) texts.push_back(r->GetData()[2].AsString());
  Report(state, ms, TimeStdSort(kRecords, [&](Integer a, Integer b) {
           return CompareStringLocale(texts[static_cast<size_t>(a)], texts[static_cast<size_t>(b)], false) < 0;
         }));
}
BENCHMARK(BM_SortByTextField)->Unit(benchmark::kMillisecond)->Iterations(1);

// ---- index upkeep -----------------------------------------------------------------------

// Appends kRecords records in shuffled key order to a fresh table of the tree
// shape, with the key and parent-key indexes or without; milliseconds.
double TimeAppend(bool Indexed) {
  TreeStore store(0);
  TRecordsListEh* list = store.Store.GetRecordsList();
  if (Indexed)
    for (const char16_t* fields : {u"ID_THIS", u"ID_PARENT"}) {
      TMTIndexEh* index = list->GetIndexes()->Add();
      index->SetFields(fields);
      index->SetActive(true);
    }
  std::vector<Integer> ids(kRecords);
  for (Integer i = 0; i < kRecords; ++i) ids[static_cast<size_t>(i)] = i;
  std::mt19937 rng(kRandomStart);
  std::shuffle(ids.begin(), ids.end(), rng);
  return Millis([&] {
    for (Integer id : ids) {
      TMemoryRecordEh* r = list->NewRecord();
      r->SetValue(0, rvvValueEh, Variant(id));
      r->SetValue(1, rvvValueEh, id == 0 ? Null() : Variant((id - 1) / 8));
      list->AddRecord(r);
    }
  });
}

void BM_AppendIndexed1M(benchmark::State& state) {
  double ms = 0;
  for (auto _ : state) ms = TimeAppend(true);
  Report(state, ms, TimeAppend(false));
}
BENCHMARK(BM_AppendIndexed1M)->Unit(benchmark::kMillisecond)->Iterations(1);

// ---- tree mode ------------------------------------------------------------------------

// Opening in tree mode with indexes on the key and parent-key fields, children
// placed under parents that arrive after them (the records are shuffled).
double TimeTreeOpen(TMemTableDataEh& Store, const String& Key, const String& Parent, const String& Order) {
  TRecordsListEh* list = Store.GetRecordsList();
  for (const String& fields : {Key, Parent}) {
    if (list->GetIndexes()->FindIndexByFields(fields)) continue;
    TMTIndexEh* index = list->GetIndexes()->Add();
    index->SetFields(fields);
    index->SetActive(true);
  }
  TRecordsViewEh view(nullptr);
  view.SetMemTableData(&Store);
  view.SetKeyFieldName(Key);
  view.SetRefParentFieldName(Parent);
  view.GetTreeList()->SetFullBuildCheck(true);
  view.GetTreeList()->SetDefaultNodeExpanded(true);
  view.SetSortOrder(Order);
  return Millis([&] {
    view.SetTreeMode(true);
    benchmark::DoNotOptimize(view.ViewCount());
  }, 1);
}

void BM_TreeModeOpen100k(benchmark::State& state) {
  static TreeStore store(100000);
  double ms = 0;
  for (auto _ : state) ms = TimeTreeOpen(store.Store, u"ID_THIS", u"ID_PARENT", u"");
  std::vector<Int64> keys;
  for (TMemoryRecordEh* r : store.Store.GetRecordsList()->GetActiveList()) keys.push_back(r->GetData()[0].AsInt64());
  Report(state, ms, TimeStdSort(100000, [&](Integer a, Integer b) { return keys[a] < keys[b]; }));
}
BENCHMARK(BM_TreeModeOpen100k)->Unit(benchmark::kMillisecond)->Iterations(3);

// The 1,000,000 records opened in tree mode with siblings in TreeOrder, against
// the flat view sorted by FlatOrder.
void TreeOpenAgainstFlatSort(benchmark::State& state, const String& TreeOrder, const String& FlatOrder) {
  BigStore& s = BigStore::Get();
  double ms = 0;
  for (auto _ : state) ms = TimeTreeOpen(s.Store, u"ID", u"ID_PARENT", TreeOrder);
  TRecordsViewEh view(nullptr);
  view.SetMemTableData(&s.Store);
  Report(state, ms, TimeViewSort(view, FlatOrder));
}

// 1,000,000 records in tree mode, unsorted, against the view's sort by an integer field.
void BM_TreeModeOpen1M(benchmark::State& state) { TreeOpenAgainstFlatSort(state, u"", u"ID"); }
BENCHMARK(BM_TreeModeOpen1M)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);

// As the search client opens its resource tree: in tree mode with siblings sorted
// by a text field, against the flat view sorted by the same field.
void BM_TreeModeOpenSorted1M(benchmark::State& state) { TreeOpenAgainstFlatSort(state, u"NAME", u"NAME"); }
BENCHMARK(BM_TreeModeOpenSorted1M)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
