// The in-memory data store and its records view on 1,000,000 records, each
// figure beside its baseline, sampled in turns with it in the same run, their
// ratio and the target of bench/Targets.h (printed together after the run).
// Every figure's result is checked against its baseline's, off the clock.
//   - the table filtered by an expression (its Filter set and Filtered turned
//     on), against a hand-written loop over the same condition keeping the
//     records that pass, and SQLite's full scan in memory: the same records in
//     the same (stored) order;
//   - the table sorted (its SortOrder set) by one integer field, by two and by
//     a text field (repeated names sharing a prefix, and varied names), against
//     std::sort of row numbers over the same keys (the texts over precomputed
//     ICU sort keys), with SQLite's sort in memory beside each: the same order;
//   - appending 1,000,000 records to a table with two indexes (a unique key and
//     a parent key shared by eight records) against the same without indexes;
//   - a view opened in tree mode (100,000 and 1,000,000 records), the indexes on
//     the key and parent key built on the clock, against the sort by one
//     integer field, and opened sorted by a text field against the flat view's
//     sort by that field: the rows of a model tree's walk, siblings in stored
//     order under the parents the sort by the key finds, or in the order of
//     the sort by the text field (up to ties);
//   - the first open of the 1,000,000 records in tree mode in a fresh process,
//     the one a user waits for, against the first flat sort by the key in a
//     fresh process: each measured in processes of its own (this program run
//     again), the same checks off the clock.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <unordered_map>

#include "bench/MemTableBench.h"
#include "bench/SelfProcess.h"
#include "bench/SqliteBench.h"
#include "bench/VariedNames.h"
#include "memtable/MemTableEh.h"
#include "platform/core/Locale.h"
#include "platform/core/Strings.h"

namespace {

constexpr Integer kRecords = 1000000;
constexpr unsigned kRandomStart = 1207;
// Samples of each figure, each followed by one of its baseline.
constexpr int kTurns = 3;
// Rounds of the figures whose side going first alternates (AlternatedRounds):
// the quick ones, and the opens of 1,000,000 records in tree mode.
constexpr int kQuickTurns = 6;
constexpr int kTreeTurns = 4;
// Processes of each side of the first open in a fresh process.
constexpr int kFreshProcesses = 5;

// ID integer (a permutation of 0 .. n-1), ID_TYPE integer 0..3, NAME text
// ("Запись N", N under 100,000), ID_PARENT: (ID - 1) / 8, so the records form a
// tree eight wide, in shuffled order; PERSON a varied name.
struct BigStore {
  // The table the sorts and the filter go through, and its data store.
  TMemTableEh Table{nullptr};
  TMemTableDataEh& Store = *Table.GetMemTableData();
  // The same rows in SQLite in memory, without indexes; rowid is the row's
  // place in the records list, plus one.
  TSqliteBaseline Sql{"CREATE TABLE t (ID INTEGER, ID_TYPE INTEGER, NAME TEXT, ID_PARENT INTEGER, PERSON TEXT)"};
  // Each record's place in the records list.
  std::unordered_map<TMemoryRecordEh*, Integer> RowOf;

  // Baselines: with the SQLite rows and RowOf, else the records alone.
  explicit BigStore(bool Baselines = true) {
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
    add(TMTStringDataFieldEh::StaticComponentClass(), ftWideString, u"PERSON");
    std::vector<Integer> ids(kRecords);
    for (Integer i = 0; i < kRecords; ++i) ids[static_cast<size_t>(i)] = i;
    std::mt19937 rng(kRandomStart);
    std::shuffle(ids.begin(), ids.end(), rng);
    TVariedNames names(kRandomStart);
    TRecordsListEh* list = Store.GetRecordsList();
    list->BeginUpdate();
    for (Integer i = 0; i < kRecords; ++i) {
      TMemoryRecordEh* r = list->NewRecord();
      r->SetValue(0, rvvValueEh, Variant(ids[static_cast<size_t>(i)]));
      r->SetValue(1, rvvValueEh, Variant(static_cast<Integer>(rng() % 4)));
      r->SetValue(2, rvvValueEh, Variant(u"Запись " + IntToStr(rng() % 100000)));
      const Integer id = ids[static_cast<size_t>(i)];
      r->SetValue(3, rvvValueEh, id == 0 ? Null() : Variant((id - 1) / 8));
      r->SetValue(4, rvvValueEh, Variant(names.Next()));
      list->LoadRecord(r);
    }
    list->EndUpdate();
    Table.Open();
    if (!Baselines) return;
    const std::vector<TMemoryRecordEh*>& rows = list->GetActiveList();
    RowOf.reserve(rows.size());
    for (size_t i = 0; i < rows.size(); ++i) RowOf[rows[i]] = static_cast<Integer>(i);
    Sql.Insert("INSERT INTO t VALUES (?, ?, ?, ?, ?)", rows.size(), [&](sqlite3_stmt* st, size_t i) {
      const auto& v = rows[i]->GetData();
      sqlite3_bind_int(st, 1, v[0].AsInteger());
      sqlite3_bind_int(st, 2, v[1].AsInteger());
      TSqliteBaseline::BindText(st, 3, v[2].AsString());
      if (v[3].IsNull()) sqlite3_bind_null(st, 4);
      else sqlite3_bind_int(st, 4, v[3].AsInteger());
      TSqliteBaseline::BindText(st, 5, v[4].AsString());
    });
  }

  const std::vector<TMemoryRecordEh*>& Rows() { return Store.GetRecordsList()->GetActiveList(); }
  // The rows the table shows, as places in the records list.
  std::vector<Integer> ShownRows() {
    TRecordsViewEh* view = Table.GetRecordsView();
    std::vector<Integer> rows;
    rows.reserve(static_cast<size_t>(view->ViewCount()));
    for (Integer i = 0; i < view->ViewCount(); ++i) rows.push_back(RowOf.at(view->ViewRecord(i)));
    return rows;
  }
  // SQLite's rowids as places in the records list.
  static std::vector<Integer> RowsOfIds(const std::vector<long long>& Ids) {
    std::vector<Integer> rows;
    rows.reserve(Ids.size());
    for (long long id : Ids) rows.push_back(static_cast<Integer>(id - 1));
    return rows;
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
  const auto& rows = s.Rows();
  s.Table.SetFilter(u"ID_TYPE>0");
  std::vector<TMemoryRecordEh*> passed;
  auto viaLoop = [&] {
    passed.clear();
    passed.reserve(rows.size());
    for (TMemoryRecordEh* r : rows) {
      const TRecValueEh& v = r->GetData()[1];
      if (!v.IsNull() && v.AsInteger() > 0) passed.push_back(r);
    }
  };
  bool same = true;
  const char* what = "table filtered by ID_TYPE>0";
  for (auto _ : state) {
    AlternatedRounds(kQuickTurns, [&](bool Counted, bool FilterFirst) {
      double ms = 0, loopMs = 0;
      std::vector<Integer> shown;
      BothInOrder(
          FilterFirst,
          [&] {
            s.Table.SetFiltered(false);
            ms = Millis([&] { s.Table.SetFiltered(true); });
            shown = s.ShownRows();
            s.Table.SetFiltered(false);
          },
          [&] { loopMs = Millis(viaLoop); });
      std::vector<long long> ids;
      const double sqlMs = s.Sql.Time("SELECT rowid FROM t WHERE ID_TYPE>0 ORDER BY rowid", &ids);
      std::vector<Integer> looped;
      for (TMemoryRecordEh* r : passed) looped.push_back(s.RowOf.at(r));
      same = same && shown == looped && shown == BigStore::RowsOfIds(ids);
      if (!Counted) return;
      Figure(state, what, ms, "hand-written loop", loopMs, Targets::FilterAgainstLoop);
      Figure(state, what, ms, "SQLite full scan", sqlMs, Targets::FilterAgainstSqlite, "sqlite");
    });
  }
  if (!same) CheckFailed(state, "the filter, the loop and SQLite keep different records or another order");
}
BENCHMARK(BM_Filter)->Unit(benchmark::kMillisecond)->Iterations(1);

// ---- sorting -------------------------------------------------------------------------

// The view's sort alone: the list is back in records-list order before each run.
double TimeViewSort(TRecordsViewEh& View, const String& Order) {
  View.SetSortOrder(u"");
  View.RebuildView();
  return Millis([&] { View.SetSortOrder(Order); }, 1);
}

// The table's sort alone, as a program sets its SortOrder: the rows are back in
// stored order before each run, and the order is cleared after it so that no
// later figure sorts again. Rows gets the rows in the order the sort left.
TTimes TimeTableSort(BigStore& S, const String& Order, std::vector<Integer>& Rows) {
  S.Table.SetSortOrder(u"");
  S.Table.GetRecordsView()->RebuildView();
  const TTimes t = WallAndCpu([&] { S.Table.SetSortOrder(Order); });
  Rows = S.ShownRows();
  S.Table.SetSortOrder(u"");
  return t;
}

// std::sort of the row numbers 0 .. Count-1; Rows gets them sorted.
template <class Less>
double TimeStdSort(Integer Count, Less&& less, std::vector<Integer>& Rows) {
  Rows.resize(static_cast<size_t>(Count));
  for (Integer i = 0; i < Count; ++i) Rows[static_cast<size_t>(i)] = i;
  return Millis([&] { std::sort(Rows.begin(), Rows.end(), less); }, 1);
}

std::vector<Int64> ColumnKeys(const std::vector<TMemoryRecordEh*>& Rows, Integer Column) {
  std::vector<Int64> keys;
  keys.reserve(Rows.size());
  for (TMemoryRecordEh* r : Rows) keys.push_back(r->GetData()[static_cast<size_t>(Column)].AsInt64());
  return keys;
}

// kTurns turns of the table's sort by Order, its baseline (Baseline(rows)
// sorts the row numbers and answers its milliseconds) and SQLite's sort by
// SqlOrder; each must give the baseline's order, save among rows of equal keys
// (SameKey).
template <class TBaseline, class TSameKey>
void SortFigure(benchmark::State& state, const char* What, const String& Order, const char* BaselineName,
                TTarget Target, TBaseline&& Baseline, TSameKey&& SameKey, const char* SqlOrder, const char* SqlName) {
  BigStore& s = BigStore::Get();
  const std::string sql = std::string("SELECT rowid FROM t ORDER BY ") + SqlOrder;
  bool same = true;
  for (auto _ : state) {
    for (int turn = 0; turn < kTurns; ++turn) {
      std::vector<Integer> table, base;
      const TTimes ms = TimeTableSort(s, Order, table);
      const double baseMs = Baseline(base);
      std::vector<long long> ids;
      const double sqlMs = s.Sql.Time(sql.c_str(), &ids);
      same =
          same && SameOrderUpToTies(table, base, SameKey) && SameOrderUpToTies(BigStore::RowsOfIds(ids), base, SameKey);
      Figure(state, What, ms, BaselineName, baseMs, Target);
      Figure(state, What, ms, SqlName, sqlMs, NoTarget(), "sqlite");
    }
  }
  if (!same) CheckFailed(state, "the table's order, the baseline's and SQLite's differ");
}

void BM_SortByIntegerField(benchmark::State& state) {
  BigStore& s = BigStore::Get();
  const std::vector<Int64> keys = ColumnKeys(s.Rows(), 0);
  SortFigure(
      state, "table sorted by an integer field", u"ID", "std::sort over the same keys", Targets::SortByIntegers,
      [&](std::vector<Integer>& rows) {
        return TimeStdSort(
            kRecords, [&](Integer a, Integer b) { return keys[a] < keys[b]; }, rows);
      },
      [&](Integer a, Integer b) { return keys[a] == keys[b]; }, "ID", "SQLite sort");
}
BENCHMARK(BM_SortByIntegerField)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_SortByTwoFields(benchmark::State& state) {
  BigStore& s = BigStore::Get();
  const std::vector<Int64> k1 = ColumnKeys(s.Rows(), 1), k2 = ColumnKeys(s.Rows(), 0);
  SortFigure(
      state, "table sorted by two integer fields", u"ID_TYPE, ID DESC", "std::sort over the same keys",
      Targets::SortByIntegers,
      [&](std::vector<Integer>& rows) {
        return TimeStdSort(
            kRecords, [&](Integer a, Integer b) { return k1[a] != k1[b] ? k1[a] < k1[b] : k2[a] > k2[b]; }, rows);
      },
      [&](Integer a, Integer b) { return k1[a] == k1[b] && k2[a] == k2[b]; }, "ID_TYPE, ID DESC", "SQLite sort");
}
BENCHMARK(BM_SortByTwoFields)->Unit(benchmark::kMillisecond)->Iterations(1);

// The sort by a text column against std::sort over its precomputed ICU sort
// keys (made before the clock starts: the baseline is the sort alone).
void TextSortFigure(benchmark::State& state, const char* What, const String& Field, Integer Column) {
  BigStore& s = BigStore::Get();
  std::vector<std::string> keys;
  keys.reserve(s.Rows().size());
  for (TMemoryRecordEh* r : s.Rows())
    keys.push_back(CollationSortKey(r->GetData()[static_cast<size_t>(Column)].AsString(), false));
  const std::string field = ToUtf8(Field);
  SortFigure(
      state, What, Field, "std::sort over precomputed ICU sort keys", Targets::SortByText,
      [&](std::vector<Integer>& rows) {
        return TimeStdSort(
            kRecords, [&](Integer a, Integer b) { return keys[static_cast<size_t>(a)] < keys[static_cast<size_t>(b)]; },
            rows);
      },
      [&](Integer a, Integer b) { return keys[static_cast<size_t>(a)] == keys[static_cast<size_t>(b)]; },
      (field + " COLLATE RU").c_str(), "SQLite sort through the collator");
}

void BM_SortByTextField(benchmark::State& state) {
  TextSortFigure(state, "table sorted by a Russian text field, repeated names with one prefix", u"NAME", 2);
}
BENCHMARK(BM_SortByTextField)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_SortByTextFieldVariedNames(benchmark::State& state) {
  TextSortFigure(state, "table sorted by a Russian text field, varied names", u"PERSON", 4);
}
BENCHMARK(BM_SortByTextFieldVariedNames)->Unit(benchmark::kMillisecond)->Iterations(1);

// ---- index upkeep -----------------------------------------------------------------------

// Appends kRecords records in shuffled key order to a fresh table of the tree
// shape, with the key and parent-key indexes or without; milliseconds. Count
// gets the records the table holds after.
double TimeAppend(bool Indexed, Integer& Count) {
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
  const double ms = Millis([&] {
    for (Integer id : ids) {
      TMemoryRecordEh* r = list->NewRecord();
      r->SetValue(0, rvvValueEh, Variant(id));
      r->SetValue(1, rvvValueEh, id == 0 ? Null() : Variant((id - 1) / 8));
      list->AddRecord(r);
    }
  });
  Count = list->GetCount();
  return ms;
}

void BM_AppendIndexed1M(benchmark::State& state) {
  bool same = true;
  for (auto _ : state) {
    Integer indexed = 0, plain = 0;
    const double ms = TimeAppend(true, indexed);
    const double baseMs = TimeAppend(false, plain);
    same = same && indexed == kRecords && plain == kRecords;
    Figure(state, "appending 1,000,000 records with a key and a parent-key index", ms, "the same without indexes",
           baseMs, NoTarget());
  }
  if (!same) CheckFailed(state, "a table does not hold every record appended");
}
BENCHMARK(BM_AppendIndexed1M)->Unit(benchmark::kMillisecond)->Iterations(1);

// ---- tree mode ------------------------------------------------------------------------

// The view's rows as places in the store's records list.
std::vector<Integer> RowsOfView(TRecordsViewEh& View, TMemTableDataEh& Store) {
  const std::vector<TMemoryRecordEh*>& stored = Store.GetRecordsList()->GetActiveList();
  std::unordered_map<TMemoryRecordEh*, Integer> rowOf;
  rowOf.reserve(stored.size());
  for (size_t i = 0; i < stored.size(); ++i) rowOf[stored[i]] = static_cast<Integer>(i);
  std::vector<Integer> rows;
  rows.reserve(static_cast<size_t>(View.ViewCount()));
  for (Integer i = 0; i < View.ViewCount(); ++i) {
    const auto it = rowOf.find(View.ViewRecord(i));
    rows.push_back(it == rowOf.end() ? -1 : it->second);
  }
  return rows;
}

// Each row's parent key in a store of the tree shape (keys 0 .. n-1), -1 for
// the root (its parent key Null).
std::vector<Integer> ParentKeys(TMemTableDataEh& Store, Integer ParentColumn) {
  std::vector<Integer> keys;
  for (TMemoryRecordEh* r : Store.GetRecordsList()->GetActiveList()) {
    const TRecValueEh& p = r->GetData()[static_cast<size_t>(ParentColumn)];
    keys.push_back(p.IsNull() ? -1 : p.AsInteger());
  }
  return keys;
}

// The model tree an unsorted tree is walked against: each row under the row a
// baseline's sort by the key (ByKey, the row of key k at k) puts at its parent
// key, siblings in stored order. True when Shown is its walk.
bool IsStoredOrderTreeWalk(const std::vector<Integer>& Shown, const std::vector<Integer>& ByKey,
                           const std::vector<Integer>& ParentKeys) {
  std::vector<Integer> stored(ParentKeys.size());
  for (size_t i = 0; i < stored.size(); ++i) stored[i] = static_cast<Integer>(i);
  return ByKey.size() == ParentKeys.size() &&
         IsModelTreeWalk(
             Shown, stored,
             [&](Integer row) {
               const Integer key = ParentKeys[static_cast<size_t>(row)];
               return key < 0 || static_cast<size_t>(key) >= ByKey.size() ? -1 : ByKey[static_cast<size_t>(key)];
             },
             [](Integer a, Integer b) { return a == b; });
}

// Opening in tree mode as a program does it: the indexes on the key and
// parent-key fields are made and the tree built, on the clock; children are
// placed under parents that arrive after them (the records are shuffled). The
// indexes go again afterwards, so each run builds them anew. Shown gets the
// rows the tree shows, as places in the store's records list.
TTimes TimeTreeOpen(TMemTableDataEh& Store, const String& Key, const String& Parent, const String& Order,
                    std::vector<Integer>& Shown) {
  TRecordsListEh* list = Store.GetRecordsList();
  TRecordsViewEh view(nullptr);
  view.SetMemTableData(&Store);
  view.SetKeyFieldName(Key);
  view.SetRefParentFieldName(Parent);
  view.GetTreeList()->SetFullBuildCheck(true);
  view.GetTreeList()->SetDefaultNodeExpanded(true);
  view.SetSortOrder(Order);
  const TTimes t = WallAndCpu([&] {
    for (const String& fields : {Key, Parent}) {
      TMTIndexEh* index = list->GetIndexes()->Add();
      index->SetFields(fields);
      index->SetActive(true);
    }
    view.SetTreeMode(true);
    benchmark::DoNotOptimize(view.ViewCount());
  });
  Shown = RowsOfView(view, Store);
  list->GetIndexes()->Clear();
  return t;
}

void BM_TreeModeOpen100k(benchmark::State& state) {
  static TreeStore store(100000);
  std::vector<Int64> keys;
  for (TMemoryRecordEh* r : store.Store.GetRecordsList()->GetActiveList()) keys.push_back(r->GetData()[0].AsInt64());
  const std::vector<Integer> parentKeys = ParentKeys(store.Store, 1);
  bool checked = true;
  for (auto _ : state) {
    AlternatedRounds(kQuickTurns, [&](bool Counted, bool TreeFirst) {
      std::vector<Integer> shown, rows;
      TTimes ms;
      double baseMs = 0;
      BothInOrder(
          TreeFirst, [&] { ms = TimeTreeOpen(store.Store, u"ID_THIS", u"ID_PARENT", u"", shown); },
          [&] {
            baseMs = TimeStdSort(
                100000, [&](Integer a, Integer b) { return keys[a] < keys[b]; }, rows);
          });
      checked = checked && IsStoredOrderTreeWalk(shown, rows, parentKeys);
      if (Counted)
        Figure(state, "100,000 records opened in tree mode", ms, "std::sort over the key", baseMs,
               Targets::TreeModeOpen);
    });
  }
  if (!checked) CheckFailed(state, "the tree's order is wrong");
}
BENCHMARK(BM_TreeModeOpen100k)->Unit(benchmark::kMillisecond)->Iterations(1);

// The 1,000,000 records opened in tree mode with siblings in TreeOrder, against
// the flat view sorted by FlatOrder, in turns. Unsorted, the flat view sorts by
// the key and the tree is the walk of IsStoredOrderTreeWalk's model; sorted,
// the walk of a model tree whose siblings come in the flat view's order, save
// among siblings tied (SameKey).
template <class TSameKey>
void TreeOpenAgainstFlatSort(benchmark::State& state, const char* What, const String& TreeOrder,
                             const String& FlatOrder, TSameKey&& SameKey) {
  BigStore& s = BigStore::Get();
  const std::vector<Integer> parentKeys = ParentKeys(s.Store, 3);
  // Each row's parent row: keys are 0 .. n-1.
  std::vector<Integer> rowOfKey(parentKeys.size()), parents(parentKeys.size(), -1);
  for (size_t i = 0; i < rowOfKey.size(); ++i)
    rowOfKey[static_cast<size_t>(s.Rows()[i]->GetData()[0].AsInteger())] = static_cast<Integer>(i);
  for (size_t i = 0; i < parents.size(); ++i)
    if (parentKeys[i] >= 0) parents[i] = rowOfKey[static_cast<size_t>(parentKeys[i])];
  bool checked = true;
  for (auto _ : state) {
    AlternatedRounds(kTreeTurns, [&](bool Counted, bool TreeFirst) {
      std::vector<Integer> shown, flat;
      TTimes ms;
      double baseMs = 0;
      BothInOrder(
          TreeFirst, [&] { ms = TimeTreeOpen(s.Store, u"ID", u"ID_PARENT", TreeOrder, shown); },
          [&] {
            TRecordsViewEh view(nullptr);
            view.SetMemTableData(&s.Store);
            baseMs = TimeViewSort(view, FlatOrder);
            flat = RowsOfView(view, s.Store);
          });
      checked =
          checked && (TreeOrder.empty()
                          ? IsStoredOrderTreeWalk(shown, flat, parentKeys)
                          : IsModelTreeWalk(
                                shown, flat, [&](Integer row) { return parents[static_cast<size_t>(row)]; }, SameKey));
      if (Counted)
        Figure(state, What, ms, "the flat view's sort by " + ToUtf8(FlatOrder), baseMs, Targets::TreeModeOpen);
    });
  }
  if (!checked) CheckFailed(state, "the tree's order is wrong");
}

// 1,000,000 records in tree mode, unsorted, against the view's sort by an integer field.
void BM_TreeModeOpen1M(benchmark::State& state) {
  TreeOpenAgainstFlatSort(state, "1,000,000 records opened in tree mode", u"", u"ID",
                          [](Integer a, Integer b) { return a == b; });
}
BENCHMARK(BM_TreeModeOpen1M)->Unit(benchmark::kMillisecond)->Iterations(1);

// As the search client opens its resource tree: in tree mode with siblings sorted
// by a text field, against the flat view sorted by the same field.
void BM_TreeModeOpenSorted1M(benchmark::State& state) {
  BigStore& s = BigStore::Get();
  TreeOpenAgainstFlatSort(state, "1,000,000 records opened in tree mode sorted by a text field", u"NAME", u"NAME",
                          [&](Integer a, Integer b) {
                            return s.Rows()[static_cast<size_t>(a)]->GetData()[2].AsString() ==
                                   s.Rows()[static_cast<size_t>(b)]->GetData()[2].AsString();
                          });
}
BENCHMARK(BM_TreeModeOpenSorted1M)->Unit(benchmark::kMillisecond)->Iterations(1);

// ---- the first open in a fresh process -------------------------------------------------

// The side a process of its own measures (this program run with "--first-open
// tree|flat"): the records made as BigStore makes them, then the first tree-mode
// open, as TreeOpenAgainstFlatSort's, or the first flat sort by the key. Prints
// "<wall ms> <CPU ms> <1 when its result is right, else 0>".
int FirstOpenSide(const std::string& Side) {
  if (Side != "tree" && Side != "flat") return 2;
  BigStore s(false);
  std::vector<Integer> keys;  // keys are 0 .. n-1
  for (TMemoryRecordEh* r : s.Rows()) keys.push_back(r->GetData()[0].AsInteger());
  TTimes t;
  bool right = false;
  if (Side == "tree") {
    std::vector<Integer> shown;
    t = TimeTreeOpen(s.Store, u"ID", u"ID_PARENT", u"", shown);
    std::vector<Integer> byKey(keys.size());
    for (size_t i = 0; i < keys.size(); ++i) byKey[static_cast<size_t>(keys[i])] = static_cast<Integer>(i);
    right = IsStoredOrderTreeWalk(shown, byKey, ParentKeys(s.Store, 3));
  } else {
    TRecordsViewEh view(nullptr);
    view.SetMemTableData(&s.Store);
    view.SetSortOrder(u"");
    view.RebuildView();
    t = WallAndCpu([&] { view.SetSortOrder(u"ID"); });
    const std::vector<Integer> rows = RowsOfView(view, s.Store);
    right = rows.size() == keys.size();
    for (size_t i = 0; right && i < rows.size(); ++i)
      right = keys[static_cast<size_t>(rows[i])] == static_cast<Integer>(i);
  }
  std::printf("%.3f %.3f %d\n", t.Ms, t.CpuMs, right ? 1 : 0);
  return 0;
}

// One run of a side in a process of its own; false when it failed or its result was wrong.
bool FirstOpenInFreshProcess(const char* Side, TTimes& Times) {
  std::string text;
  int right = 0;
  return RunSelf({"bench_memtable", "--first-open", Side}, &text) &&
         std::sscanf(text.c_str(), "%lf %lf %d", &Times.Ms, &Times.CpuMs, &right) == 3 && right == 1;
}

// The open a user waits for: the first in the process, its memory all fresh,
// which the figures above leave out (their first round does not count).
void BM_TreeModeFirstOpen1M(benchmark::State& state) {
  bool checked = true;
  for (auto _ : state) {
    for (int turn = 0; turn < kFreshProcesses; ++turn) {
      TTimes tree, flat;
      bool treeRan = false, flatRan = false;
      BothInOrder(
          turn % 2 == 0, [&] { treeRan = FirstOpenInFreshProcess("tree", tree); },
          [&] { flatRan = FirstOpenInFreshProcess("flat", flat); });
      checked = checked && treeRan && flatRan;
      if (!treeRan || !flatRan) continue;
      Figure(state, "1,000,000 records opened in tree mode, the first open in a fresh process", tree,
             "the first flat sort by ID in a fresh process", flat.Ms, Targets::TreeModeFirstOpen);
    }
  }
  if (!checked) CheckFailed(state, "a process failed, or its tree's or sort's order is wrong");
}
BENCHMARK(BM_TreeModeFirstOpen1M)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--first-open") == 0) return FirstOpenSide(argv[2]);
  return RunBenchmarksWithFigures(argc, argv);
}
