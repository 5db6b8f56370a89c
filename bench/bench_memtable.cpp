// The in-memory data store and its records view on 1,000,000 records, each
// figure beside its baseline measured in the same run, their ratio and the
// target of DESIGN.md section 7 (printed together after the run):
//   - the table filtered by an expression (its Filter set and Filtered turned
//     on), against a hand-written loop over the same condition keeping the
//     records that pass, and SQLite's full scan in memory;
//   - the table sorted (its SortOrder set) by one integer field, by two and by
//     a text field, against std::sort of row numbers over the same keys (the
//     text over precomputed ICU sort keys), with SQLite's sort in memory beside
//     each;
//   - appending 1,000,000 records to a table with two indexes (a unique key and
//     a parent key shared by eight records) against the same without indexes;
//   - a view opened in tree mode (100,000 and 1,000,000 records), the indexes on
//     the key and parent key built on the clock, against the sort by one
//     integer field, and opened sorted by a text field against the flat view's
//     sort by that field.

#include <benchmark/benchmark.h>

#include <memory>
#include <algorithm>
#include <random>

#include "bench/MemTableBench.h"
#include "bench/SqliteBench.h"
#include "memtable/MemTableEh.h"
#include "platform/core/Locale.h"
#include "platform/core/Strings.h"

namespace {

constexpr Integer kRecords = 1000000;
constexpr unsigned kRandomStart = 1207;

// ID integer (a permutation of 0 .. n-1), ID_TYPE integer 0..3, NAME text,
// ID_PARENT: (ID - 1) / 8, so the records form a tree eight wide, in shuffled order.
struct BigStore {
  // The table the sorts and the filter go through, and its data store.
  TMemTableEh Table{nullptr};
  TMemTableDataEh& Store = *Table.GetMemTableData();
  // The same rows in SQLite in memory, without indexes.
  TSqliteBaseline Sql{"CREATE TABLE t (ID INTEGER, ID_TYPE INTEGER, NAME TEXT, ID_PARENT INTEGER)"};

  BigStore() {
    auto add = [&](TComponentClass cls, TFieldType type, const String& name) {
      TMTDataFieldEh* f = Store.GetDataStruct()->CreateField(cls);
      f->SetDataType(type);
      f->SetFieldName(name);
      if (type == ftWideString) f->SetSize(40);
    };
    add(TMTNumericDataFieldEh::StaticComponentClass(), ftInteger, u"ID");
    add(TMTNumericDataFieldEh::StaticComponentClass(), ftInteger, u"ID_TYPE");
    add(TMTStringDataFieldEh::StaticComponentClass(), ftWideString, u"NAME");
    add(TMTNumericDataFieldEh::StaticComponentClass(), ftInteger, u"ID_PARENT");
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
    Table.Open();
    const std::vector<TMemoryRecordEh*>& rows = list->GetActiveList();
    Sql.Insert("INSERT INTO t VALUES (?, ?, ?, ?)", rows.size(), [&](sqlite3_stmt* st, size_t i) {
      const auto& v = rows[i]->GetData();
      sqlite3_bind_int(st, 1, v[0].AsInteger());
      sqlite3_bind_int(st, 2, v[1].AsInteger());
      TSqliteBaseline::BindText(st, 3, v[2].AsString());
      if (v[3].IsNull()) sqlite3_bind_null(st, 4);
      else sqlite3_bind_int(st, 4, v[3].AsInteger());
    });
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

void BM_Filter(benchmark::State& state) {
  BigStore& s = BigStore::Get();
  const auto& rows = s.Store.GetRecordsList()->GetActiveList();
  s.Table.SetFilter(u"ID_TYPE>0");
  double ms = 0;
  Integer accepted = 0;
  for (auto _ : state) {
    s.Table.SetFiltered(false);
    ms = Millis([&] { s.Table.SetFiltered(true); });
    accepted = s.Table.RecordCount();
  }
  s.Table.SetFiltered(false);
  Integer looped = 0;
  auto viaLoop = [&] {
    std::vector<TMemoryRecordEh*> passed;
    passed.reserve(rows.size());
    for (TMemoryRecordEh* r : rows) {
      const TRecValueEh& v = r->GetData()[1];
      if (!v.IsNull() && v.AsInteger() > 0) passed.push_back(r);
    }
    looped = static_cast<Integer>(passed.size());
  };
  const double loopMs = Millis(viaLoop, 3);
  long scanned = 0;
  const double sqlMs = s.Sql.Time("SELECT rowid FROM t WHERE ID_TYPE>0", &scanned);
  if (accepted != looped || accepted != scanned) state.SkipWithError("the filter, the loop and SQLite disagree");
  const char* what = "table filtered by ID_TYPE>0";
  Figure(state, what, ms, "hand-written loop", loopMs, WithinRatio(2));
  Figure(state, what, ms, "SQLite full scan", sqlMs, WithinRatio(1), "sqlite");
}
BENCHMARK(BM_Filter)->Unit(benchmark::kMillisecond)->Iterations(3);

// ---- sorting -------------------------------------------------------------------------

// The view's sort alone: the list is back in records-list order before each run.
double TimeViewSort(TRecordsViewEh& View, const String& Order) {
  View.SetSortOrder(u"");
  View.RebuildView();
  return Millis([&] { View.SetSortOrder(Order); }, 1);
}

// The table's sort alone, as a program sets its SortOrder: the rows are back in
// stored order before each run, and the order is cleared after it so that no
// later figure sorts again.
double TimeTableSort(TMemTableEh& Table, const String& Order) {
  Table.SetSortOrder(u"");
  Table.GetRecordsView()->RebuildView();
  const double ms = Millis([&] { Table.SetSortOrder(Order); }, 1);
  Table.SetSortOrder(u"");
  return ms;
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

// The SQLite sort in memory of the same rows.
double SqliteSort(const char* OrderBy) {
  const std::string sql = std::string("SELECT rowid FROM t ORDER BY ") + OrderBy;
  return BigStore::Get().Sql.Time(sql.c_str());
}

void BM_SortByIntegerField(benchmark::State& state) {
  BigStore& s = BigStore::Get();
  double ms = 0;
  for (auto _ : state) ms = TimeTableSort(s.Table, u"ID");
  const std::vector<Int64> keys = ColumnKeys(s.Store.GetRecordsList()->GetActiveList(), 0);
  const char* what = "table sorted by an integer field";
  Figure(state, what, ms, "std::sort over the same keys",
         TimeStdSort(kRecords, [&](Integer a, Integer b) { return keys[a] < keys[b]; }), WithinRatio(1.5));
  Figure(state, what, ms, "SQLite sort", SqliteSort("ID"), NoTarget(), "sqlite");
}
BENCHMARK(BM_SortByIntegerField)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_SortByTwoFields(benchmark::State& state) {
  BigStore& s = BigStore::Get();
  double ms = 0;
  for (auto _ : state) ms = TimeTableSort(s.Table, u"ID_TYPE, ID DESC");
  const auto& rows = s.Store.GetRecordsList()->GetActiveList();
  const std::vector<Int64> k1 = ColumnKeys(rows, 1), k2 = ColumnKeys(rows, 0);
  const char* what = "table sorted by two integer fields";
  Figure(state, what, ms, "std::sort over the same keys", TimeStdSort(kRecords, [&](Integer a, Integer b) {
           return k1[a] != k1[b] ? k1[a] < k1[b] : k2[a] > k2[b];
         }), WithinRatio(1.5));
  Figure(state, what, ms, "SQLite sort", SqliteSort("ID_TYPE, ID DESC"), NoTarget(), "sqlite");
}
BENCHMARK(BM_SortByTwoFields)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_SortByTextField(benchmark::State& state) {
  BigStore& s = BigStore::Get();
  double ms = 0;
  for (auto _ : state) ms = TimeTableSort(s.Table, u"NAME");
  // The sort keys are made before the clock starts: the baseline is the sort alone.
  const auto& rows = s.Store.GetRecordsList()->GetActiveList();
  std::vector<std::string> keys;
  keys.reserve(rows.size());
  for (TMemoryRecordEh* r : rows) keys.push_back(CollationSortKey(r->GetData()[2].AsString(), false));
  const char* what = "table sorted by a Russian text field";
  Figure(state, what, ms, "std::sort over precomputed ICU sort keys", TimeStdSort(kRecords, [&](Integer a, Integer b) {
           return keys[static_cast<size_t>(a)] < keys[static_cast<size_t>(b)];
         }), WithinRatio(1.0));
  Figure(state, what, ms, "SQLite sort through the collator", SqliteSort("NAME COLLATE RU"), NoTarget(), "sqlite");
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
  Figure(state, "appending 1,000,000 records with a key and a parent-key index", ms, "the same without indexes",
         TimeAppend(false), NoTarget());
}
BENCHMARK(BM_AppendIndexed1M)->Unit(benchmark::kMillisecond)->Iterations(1);

// ---- tree mode ------------------------------------------------------------------------

// Opening in tree mode as a program does it: the indexes on the key and
// parent-key fields are made and the tree built, on the clock; children are
// placed under parents that arrive after them (the records are shuffled). The
// indexes go again afterwards, so each run builds them anew.
double TimeTreeOpen(TMemTableDataEh& Store, const String& Key, const String& Parent, const String& Order) {
  TRecordsListEh* list = Store.GetRecordsList();
  TRecordsViewEh view(nullptr);
  view.SetMemTableData(&Store);
  view.SetKeyFieldName(Key);
  view.SetRefParentFieldName(Parent);
  view.GetTreeList()->SetFullBuildCheck(true);
  view.GetTreeList()->SetDefaultNodeExpanded(true);
  view.SetSortOrder(Order);
  const double ms = Millis([&] {
    for (const String& fields : {Key, Parent}) {
      TMTIndexEh* index = list->GetIndexes()->Add();
      index->SetFields(fields);
      index->SetActive(true);
    }
    view.SetTreeMode(true);
    benchmark::DoNotOptimize(view.ViewCount());
  }, 1);
  list->GetIndexes()->Clear();
  return ms;
}

void BM_TreeModeOpen100k(benchmark::State& state) {
  static TreeStore store(100000);
  double ms = 0;
  for (auto _ : state) ms = TimeTreeOpen(store.Store, u"ID_THIS", u"ID_PARENT", u"");
  std::vector<Int64> keys;
  for (TMemoryRecordEh* r : store.Store.GetRecordsList()->GetActiveList()) keys.push_back(r->GetData()[0].AsInt64());
  Figure(state, "100,000 records opened in tree mode", ms, "std::sort over the key",
         TimeStdSort(100000, [&](Integer a, Integer b) { return keys[a] < keys[b]; }), WithinRatio(2));
}
BENCHMARK(BM_TreeModeOpen100k)->Unit(benchmark::kMillisecond)->Iterations(3);

// The 1,000,000 records opened in tree mode with siblings in TreeOrder, against
// the flat view sorted by FlatOrder.
void TreeOpenAgainstFlatSort(benchmark::State& state, const char* What, const String& TreeOrder,
                             const String& FlatOrder) {
  BigStore& s = BigStore::Get();
  double ms = 0;
  for (auto _ : state) ms = TimeTreeOpen(s.Store, u"ID", u"ID_PARENT", TreeOrder);
  TRecordsViewEh view(nullptr);
  view.SetMemTableData(&s.Store);
  Figure(state, What, ms, "the flat view's sort by " + ToUtf8(FlatOrder), TimeViewSort(view, FlatOrder),
         WithinRatio(2));
}

// 1,000,000 records in tree mode, unsorted, against the view's sort by an integer field.
void BM_TreeModeOpen1M(benchmark::State& state) {
  TreeOpenAgainstFlatSort(state, "1,000,000 records opened in tree mode", u"", u"ID");
}
BENCHMARK(BM_TreeModeOpen1M)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);

// As the search client opens its resource tree: in tree mode with siblings sorted
// by a text field, against the flat view sorted by the same field.
void BM_TreeModeOpenSorted1M(benchmark::State& state) {
  TreeOpenAgainstFlatSort(state, "1,000,000 records opened in tree mode sorted by a text field", u"NAME", u"NAME");
}
BENCHMARK(BM_TreeModeOpenSorted1M)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv) { return RunBenchmarksWithFigures(argc, argv); }
