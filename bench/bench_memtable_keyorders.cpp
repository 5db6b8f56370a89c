// The in-memory table sorted by keys in orders that defeat a quicksort taking
// the middle element as its pivot, on 1,000,000 records, each figure beside
// the same sort of the same keys in random order, sampled in turns with it in
// the same run, their ratio and the target of bench/Targets.h (printed together
// after the run):
//   - two ascending runs (two lists numbered from 1, one after the other: a
//     list merged from two);
//   - rising then falling;
//   - already sorted;
//   - all equal (beside distinct keys in random order: the same keys shuffled
//     would be the figure itself);
// each by SortByFields, by SortOrder, and opening in tree mode (the indexes on
// the key and parent key built on the clock; ten groups of 99,999 records,
// each group's records every tenth of the list, so each family holds the
// order too). Every result is checked off the clock: every record once, keys
// in order; the tree the walk of its model tree (every record under its
// group, siblings in key order).

#include <benchmark/benchmark.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

#include "bench/MemTableBench.h"
#include "memtable/MemTableEh.h"

namespace {

constexpr Integer kRecords = 1000000;
constexpr Integer kGroups = 10;
constexpr unsigned kRandomStart = 3307;
// Counted rounds of each figure and its baseline (AlternatedRounds).
constexpr int kTurns = 4;

enum TKeyOrder { kTwoAscendingRuns, kRisingThenFalling, kAlreadySorted, kAllEqual, kOrderCount };

struct TOrderInfo {
  const char* Name;  // in the figures
  const char* Slug;  // in the benchmark's name
  // The column of the keys in this order, and of its baseline's keys.
  const char16_t* Column;
  const char16_t* RandomColumn;
};
constexpr TOrderInfo kOrders[kOrderCount] = {
    {"two ascending runs", "two_ascending_runs", u"RUNS", u"RUNS_RANDOM"},
    {"rising then falling", "rising_then_falling", u"RISE_FALL", u"RISE_FALL_RANDOM"},
    {"already sorted", "already_sorted", u"SORTED", u"SORTED_RANDOM"},
    {"all equal", "all_equal", u"EQUAL", u"SORTED_RANDOM"},
};

// ID_THIS 1 .. n in stored order, ID_PARENT: Null for the first kGroups rows
// (the groups), else the group of the row's place modulo kGroups; then a column
// for each key order, each but EQUAL followed by the same keys shuffled (EQUAL's
// baseline is SORTED's shuffle).
const char16_t* const kColumns[] = {u"ID_THIS",          u"ID_PARENT", u"RUNS",          u"RUNS_RANDOM", u"RISE_FALL",
                                    u"RISE_FALL_RANDOM", u"SORTED",    u"SORTED_RANDOM", u"EQUAL"};
constexpr size_t kColumnCount = sizeof(kColumns) / sizeof(kColumns[0]);

struct TKeyStore {
  TMemTableEh Table{nullptr};
  TMemTableDataEh& Store = *Table.GetMemTableData();
  // Each column's values by stored row (Null parents as -1).
  std::vector<std::vector<Integer>> Values;
  // Each record's place in the stored order as made.
  std::unordered_map<TMemoryRecordEh*, Integer> RowOf;

  TKeyStore() : Values(kColumnCount) {
    const Integer half = kRecords / 2;
    std::mt19937 rng(kRandomStart);
    for (size_t c = 0; c < kColumnCount; ++c) Values[c].resize(static_cast<size_t>(kRecords));
    for (Integer i = 0; i < kRecords; ++i) {
      const size_t r = static_cast<size_t>(i);
      Values[0][r] = i + 1;
      Values[1][r] = i < kGroups ? -1 : 1 + i % kGroups;
      Values[2][r] = Values[3][r] = i < half ? i + 1 : i - half + 1;
      Values[4][r] = Values[5][r] = i < half ? i : kRecords - i;
      Values[6][r] = Values[7][r] = i;
      Values[8][r] = 7;
    }
    for (size_t c : {3, 5, 7}) std::shuffle(Values[c].begin(), Values[c].end(), rng);
    for (size_t c = 0; c < kColumnCount; ++c) {
      TMTDataFieldEh* f = Store.GetDataStruct()->CreateField(TMTNumericDataFieldEh::StaticComponentClass());
      f->SetDataType(ftInteger);
      f->SetFieldName(kColumns[c]);
    }
    TRecordsListEh* list = Store.GetRecordsList();
    list->BeginUpdate();
    for (Integer i = 0; i < kRecords; ++i) {
      TMemoryRecordEh* rec = list->NewRecord();
      for (size_t c = 0; c < kColumnCount; ++c) {
        const Integer v = Values[c][static_cast<size_t>(i)];
        rec->SetValue(static_cast<Integer>(c), rvvValueEh, c == 1 && v < 0 ? Null() : Variant(v));
      }
      list->LoadRecord(rec);
    }
    list->EndUpdate();
    Table.Open();
    const std::vector<TMemoryRecordEh*>& rows = list->GetActiveList();
    RowOf.reserve(rows.size());
    for (size_t i = 0; i < rows.size(); ++i) RowOf[rows[i]] = static_cast<Integer>(i);
  }

  const std::vector<Integer>& Keys(const char16_t* Column) const {
    for (size_t c = 0; c < kColumnCount; ++c)
      if (String(kColumns[c]) == Column) return Values[c];
    return Values[0];
  }
  // Records as rows of the stored order as made.
  std::vector<Integer> RowsOf(const std::vector<TMemoryRecordEh*>& Records) const {
    std::vector<Integer> rows;
    rows.reserve(Records.size());
    for (TMemoryRecordEh* r : Records) {
      const auto it = RowOf.find(r);
      rows.push_back(it == RowOf.end() ? -1 : it->second);
    }
    return rows;
  }
  std::vector<Integer> Stored() { return RowsOf(Store.GetRecordsList()->GetActiveList()); }

  static TKeyStore& Get() {
    static TKeyStore store;
    return store;
  }
};

std::vector<Integer> ShownRows(TKeyStore& S, TRecordsViewEh& View) {
  std::vector<TMemoryRecordEh*> recs;
  recs.reserve(static_cast<size_t>(View.ViewCount()));
  for (Integer i = 0; i < View.ViewCount(); ++i) recs.push_back(View.ViewRecord(i));
  return S.RowsOf(recs);
}

// Every row once, their keys in order.
bool SortedByKeys(const std::vector<Integer>& Rows, const std::vector<Integer>& Keys) {
  if (Rows.size() != Keys.size()) return false;
  std::vector<char> seen(Keys.size(), 0);
  for (size_t i = 0; i < Rows.size(); ++i) {
    const Integer row = Rows[i];
    if (row < 0 || static_cast<size_t>(row) >= Keys.size() || seen[static_cast<size_t>(row)]++) return false;
    if (i > 0 && Keys[static_cast<size_t>(Rows[i - 1])] > Keys[static_cast<size_t>(row)]) return false;
  }
  return true;
}

// Every row once, as a walk of the model tree (each row right under its
// Parent's subtree path, -1 the top) with siblings in key order.
bool SortedTreeWalk(const std::vector<Integer>& Rows, const std::vector<Integer>& Keys,
                    const std::vector<Integer>& ParentIds) {
  if (Rows.size() != Keys.size()) return false;
  std::vector<char> seen(Keys.size(), 0);
  // The rows of the path from the top to the row last seen, and under each the
  // last child seen so far (-1 for none).
  std::vector<Integer> path{-1}, lastChild{-1};
  for (Integer row : Rows) {
    if (row < 0 || static_cast<size_t>(row) >= Keys.size() || seen[static_cast<size_t>(row)]++) return false;
    // ID_THIS is the row + 1.
    const Integer parentId = ParentIds[static_cast<size_t>(row)];
    const Integer parent = parentId < 0 ? -1 : parentId - 1;
    while (path.size() > 1 && path.back() != parent) {
      path.pop_back();
      lastChild.pop_back();
    }
    if (path.back() != parent) return false;
    const Integer before = lastChild.back();
    if (before >= 0 && Keys[static_cast<size_t>(before)] > Keys[static_cast<size_t>(row)]) return false;
    lastChild.back() = row;
    path.push_back(row);
    lastChild.push_back(-1);
  }
  return true;
}

// ---- the three sorts, each timed alone and checked off the clock -------------------

// SortByFields reorders the store; sorting back by ID_THIS (off the clock)
// leaves it as made.
TTimes SortByFields(TKeyStore& S, const char16_t* Column, bool& Ok) {
  const TTimes t = WallAndCpu([&] { S.Table.SortByFields(Column); });
  Ok = SortedByKeys(S.Stored(), S.Keys(Column));
  S.Table.SortByFields(u"ID_THIS");
  const std::vector<Integer> stored = S.Stored();
  for (size_t i = 0; i < stored.size() && Ok; ++i) Ok = stored[i] == static_cast<Integer>(i);
  return t;
}

// The table's SortOrder, from the stored order, cleared again afterwards.
TTimes SortOrder(TKeyStore& S, const char16_t* Column, bool& Ok) {
  S.Table.SetSortOrder(u"");
  S.Table.GetRecordsView()->RebuildView();
  const TTimes t = WallAndCpu([&] { S.Table.SetSortOrder(Column); });
  Ok = SortedByKeys(ShownRows(S, *S.Table.GetRecordsView()), S.Keys(Column));
  S.Table.SetSortOrder(u"");
  return t;
}

// Opening in tree mode sorted by Column, as a program does it: the indexes on
// the key and parent key made and the tree built, on the clock. The indexes
// go again afterwards.
TTimes TreeModeOpen(TKeyStore& S, const char16_t* Column, bool& Ok) {
  TRecordsListEh* list = S.Store.GetRecordsList();
  TRecordsViewEh view(nullptr);
  view.SetMemTableData(&S.Store);
  view.SetKeyFieldName(u"ID_THIS");
  view.SetRefParentFieldName(u"ID_PARENT");
  view.GetTreeList()->SetFullBuildCheck(true);
  view.GetTreeList()->SetDefaultNodeExpanded(true);
  view.SetSortOrder(Column);
  const TTimes t = WallAndCpu([&] {
    for (const char16_t* fields : {u"ID_THIS", u"ID_PARENT"}) {
      TMTIndexEh* index = list->GetIndexes()->Add();
      index->SetFields(fields);
      index->SetActive(true);
    }
    view.SetTreeMode(true);
    benchmark::DoNotOptimize(view.ViewCount());
  });
  Ok = SortedTreeWalk(ShownRows(S, view), S.Keys(Column), S.Keys(u"ID_PARENT"));
  list->GetIndexes()->Clear();
  return t;
}

using TSort = TTimes (*)(TKeyStore&, const char16_t*, bool&);

// kTurns rounds of Sort by the keys in Order and by its baseline's keys.
void KeyOrderFigure(benchmark::State& state, const char* Way, TSort Sort, TTarget Target, TKeyOrder Order) {
  TKeyStore& s = TKeyStore::Get();
  const TOrderInfo& o = kOrders[Order];
  const std::string what = std::string(Way) + ", keys " + o.Name;
  const std::string baseline =
      std::string(Way) + (Order == kAllEqual ? ", distinct keys in random order" : ", the same keys in random order");
  bool ok = true;
  for (auto _ : state) {
    AlternatedRounds(kTurns, [&](bool Counted, bool OrderFirst) {
      bool sorted = false, baseSorted = false;
      TTimes measured, base;
      BothInOrder(
          OrderFirst, [&] { measured = Sort(s, o.Column, sorted); },
          [&] { base = Sort(s, o.RandomColumn, baseSorted); });
      ok = ok && sorted && baseSorted;
      if (Counted) Figure(state, what, measured, baseline, base.Ms, Target);
    });
  }
  if (!ok) CheckFailed(state, "a sort left records out of key order, or lost or repeated one");
}

// KeyOrder/<way>/<order>: each sort by each key order, against its way's target.
const bool kRegistered = [] {
  const struct {
    const char* Name;
    const char* Way;
    TSort Sort;
    TTarget Target;
  } ways[] = {{"SortByFields", "SortByFields", SortByFields, Targets::KeyOrderSortAgainstRandom},
              {"SortOrder", "SortOrder", SortOrder, Targets::KeyOrderSortAgainstRandom},
              {"TreeModeOpen", "opened in tree mode", TreeModeOpen, Targets::KeyOrderTreeOpenAgainstRandom}};
  for (const auto& w : ways)
    for (int o = 0; o < kOrderCount; ++o) {
      const std::string name = std::string("KeyOrder/") + w.Name + "/" + kOrders[o].Slug;
      const char* way = w.Way;
      const TSort sort = w.Sort;
      const TTarget target = w.Target;
      const TKeyOrder order = static_cast<TKeyOrder>(o);
      benchmark::RegisterBenchmark(name.c_str(),
                                   [=](benchmark::State& state) { KeyOrderFigure(state, way, sort, target, order); })
          ->Unit(benchmark::kMillisecond)
          ->Iterations(1);
    }
  return true;
}();

}  // namespace
