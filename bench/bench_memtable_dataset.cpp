// The in-memory table as a dataset on 1,000,000 records, each figure beside its
// baseline, sampled in turns with it in the same run, their ratio and the
// target of bench/Targets.h (printed together after the run); every figure's
// result is checked against its baseline's, off the clock:
//   - appending through the dataset, against appending the same records to a
//     std::vector of value rows;
//   - sorting by two fields (an integer and a Russian text), by SortOrder and
//     by SortByFields, against std::sort of indices by the same keys over
//     precomputed ICU sort keys, with SQLite's sort in memory beside it;
//   - a filter expression, against a hand-written loop over the same condition
//     and SQLite's full scan in memory;
//   - Locate through an index, against binary search in a sorted key array,
//     and Locate by a scan, against a linear scan of the same keys;
//   - the first Locate through an index just made by a table's open, against
//     the first binary search over the same keys just sorted;
//   - opening in tree mode (the tree and the indexes built by the open),
//     against the sort baseline: the walk of a model tree, siblings in the
//     baseline's order;
//   - opening in tree mode with every node expanded, against opening the same
//     table with its nodes collapsed (arguments: the record count);
//   - Locate in a tree-mode table, of a group record on show, of a record
//     inside a collapsed group and of a record in the tree fully expanded,
//     against Locate through an index in the flat table.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <numeric>
#include <random>
#include <unordered_map>

#include "bench/MemTableBench.h"
#include "bench/SqliteBench.h"
#include "memtable/MemTableEh.h"
#include "platform/core/Locale.h"
#include "platform/core/Strings.h"

namespace {

constexpr Integer kRecords = 1000000;
constexpr unsigned kRandomStart = 4421;
// Samples of each figure, each followed by one of its baseline.
constexpr int kTurns = 3;

void AddColumn(TMemTableDataEh* Store, TComponentClass Class, TFieldType Type, const String& Name) {
  TMTDataFieldEh* f = Store->GetDataStruct()->CreateField(Class);
  f->SetDataType(Type);
  f->SetFieldName(Name);
  if (Type == ftWideString) f->SetSize(40);
}

struct Row {
  Integer Id, Parent, Type, Npp;
  String Name;
};

// The rows of the resource-tree shape: groups of 100 records under 10,000
// groups, shuffled identifiers, NPP 0..99, a Russian name.
const std::vector<Row>& Rows() {
  static const std::vector<Row> rows = [] {
    std::vector<Row> r(static_cast<size_t>(kRecords));
    std::vector<Integer> ids(static_cast<size_t>(kRecords));
    std::iota(ids.begin(), ids.end(), 1);
    std::mt19937 rng(kRandomStart);
    std::shuffle(ids.begin(), ids.end(), rng);
    const Integer groups = kRecords / 100;
    for (Integer i = 0; i < kRecords; ++i) {
      Row& x = r[static_cast<size_t>(i)];
      x.Id = i + 1;
      x.Parent = i < groups ? 0 : 1 + (i % groups);
      x.Type = i < groups ? 0 : static_cast<Integer>(rng() % 3);
      x.Npp = static_cast<Integer>(rng() % 100);
      x.Name = u"Ресурс " + IntToStr(ids[static_cast<size_t>(i)]);
    }
    return r;
  }();
  return rows;
}

// A table filled straight into its store (as the client's loader does), with
// the first Count rows; NullTopParents gives the groups a Null parent key
// instead of 0.
std::unique_ptr<TMemTableEh> MakeTable(Integer Count = kRecords, bool NullTopParents = false) {
  auto t = std::make_unique<TMemTableEh>(nullptr);
  TMemTableDataEh* store = t->GetMemTableData();
  AddColumn(store, TMTNumericDataFieldEh::StaticComponentClass(), ftInteger, u"ID_THIS");
  AddColumn(store, TMTNumericDataFieldEh::StaticComponentClass(), ftInteger, u"ID_PARENT");
  AddColumn(store, TMTNumericDataFieldEh::StaticComponentClass(), ftInteger, u"ID_TYPE");
  AddColumn(store, TMTNumericDataFieldEh::StaticComponentClass(), ftInteger, u"NPP");
  AddColumn(store, TMTStringDataFieldEh::StaticComponentClass(), ftWideString, u"NAME_THIS");
  TRecordsListEh* list = store->GetRecordsList();
  list->BeginUpdate();
  for (Integer i = 0; i < Count; ++i) {
    const Row& x = Rows()[static_cast<size_t>(i)];
    TMemoryRecordEh* r = list->NewRecord();
    r->SetValue(0, rvvValueEh, Variant(x.Id));
    r->SetValue(1, rvvValueEh, NullTopParents && x.Parent == 0 ? Null() : Variant(x.Parent));
    r->SetValue(2, rvvValueEh, Variant(x.Type));
    r->SetValue(3, rvvValueEh, Variant(x.Npp));
    r->SetValue(4, rvvValueEh, Variant(x.Name));
    list->LoadRecord(r);
  }
  list->EndUpdate();
  return t;
}

TMemTableEh& SharedTable() {
  static std::unique_ptr<TMemTableEh> t = [] {
    auto table = MakeTable();
    table->Open();
    return table;
  }();
  return *t;
}

// Each row's collation key of its name, made once.
const std::vector<std::string>& NameKeys() {
  static const std::vector<std::string> keys = [] {
    std::vector<std::string> k(Rows().size());
    for (size_t i = 0; i < k.size(); ++i) k[i] = CollationSortKey(Rows()[i].Name, false);
    return k;
  }();
  return keys;
}

// std::sort of row numbers by NPP and then the name, over the sort keys made
// before the clock starts; Sorted gets the rows in order.
double SortBaselineMs(std::vector<Integer>& Sorted) {
  const std::vector<Row>& rows = Rows();
  const std::vector<std::string>& keys = NameKeys();
  Sorted.resize(rows.size());
  std::iota(Sorted.begin(), Sorted.end(), 0);
  return Millis([&] {
    std::sort(Sorted.begin(), Sorted.end(), [&](Integer a, Integer b) {
      const Row& x = rows[static_cast<size_t>(a)];
      const Row& y = rows[static_cast<size_t>(b)];
      if (x.Npp != y.Npp) return x.Npp < y.Npp;
      return keys[static_cast<size_t>(a)] < keys[static_cast<size_t>(b)];
    });
  });
}

// Whether Rows are in the order of Baseline, save among rows of equal NPP and name.
bool SameSortOrder(const std::vector<Integer>& Result, const std::vector<Integer>& Baseline) {
  return SameOrderUpToTies(Result, Baseline, [](Integer a, Integer b) {
    return Rows()[static_cast<size_t>(a)].Npp == Rows()[static_cast<size_t>(b)].Npp &&
           NameKeys()[static_cast<size_t>(a)] == NameKeys()[static_cast<size_t>(b)];
  });
}

// Rows as places in Rows(): a table made by MakeTable holds them in that
// order. The places are learnt from T's store at the first call for T, or
// again when Anew (a table made since may lie where a gone one lay).
std::vector<Integer> RowNumbers(TMemTableEh& T, const std::vector<TMemoryRecordEh*>& Records, bool Anew = false) {
  static std::unordered_map<TMemoryRecordEh*, Integer> rowOf;
  static TMemTableEh* of = nullptr;
  if (of != &T || Anew) {
    rowOf.clear();
    const auto& stored = T.GetRecordsData()->GetRecordsList()->GetActiveList();
    for (size_t i = 0; i < stored.size(); ++i) rowOf[stored[i]] = static_cast<Integer>(i);
    of = &T;
  }
  std::vector<Integer> rows;
  rows.reserve(Records.size());
  for (TMemoryRecordEh* r : Records) rows.push_back(rowOf.at(r));
  return rows;
}
// The records the table shows, in order.
std::vector<TMemoryRecordEh*> Shown(TMemTableEh& T) {
  TRecordsViewEh* view = T.GetRecordsView();
  std::vector<TMemoryRecordEh*> recs;
  recs.reserve(static_cast<size_t>(view->ViewCount()));
  for (Integer i = 0; i < view->ViewCount(); ++i) recs.push_back(view->ViewRecord(i));
  return recs;
}

// The rows in SQLite in memory, without indexes.
TSqliteBaseline& SqlRows() {
  static TSqliteBaseline db(
      "CREATE TABLE t (ID_THIS INTEGER, ID_PARENT INTEGER, ID_TYPE INTEGER, NPP INTEGER, NAME_THIS TEXT)");
  static const bool filled = [] {
    const std::vector<Row>& rows = Rows();
    db.Insert("INSERT INTO t VALUES (?, ?, ?, ?, ?)", rows.size(), [&](sqlite3_stmt* st, size_t i) {
      const Row& x = rows[i];
      sqlite3_bind_int(st, 1, x.Id);
      sqlite3_bind_int(st, 2, x.Parent);
      sqlite3_bind_int(st, 3, x.Type);
      sqlite3_bind_int(st, 4, x.Npp);
      TSqliteBaseline::BindText(st, 5, x.Name);
    });
    return true;
  }();
  benchmark::DoNotOptimize(filled);
  return db;
}

void BM_AppendThroughDataset(benchmark::State& state) {
  for (auto _ : state) {
    auto t = std::make_unique<TMemTableEh>(nullptr);
    TMemTableDataEh* store = t->GetMemTableData();
    AddColumn(store, TMTNumericDataFieldEh::StaticComponentClass(), ftInteger, u"ID_THIS");
    AddColumn(store, TMTNumericDataFieldEh::StaticComponentClass(), ftInteger, u"NPP");
    t->Open();
    TField* id = t->FieldByName(u"ID_THIS");
    TField* npp = t->FieldByName(u"NPP");
    double measured = Millis([&] {
      for (Integer i = 0; i < kRecords; ++i) {
        t->Append();
        id->SetAsInteger(i);
        npp->SetAsInteger(i % 100);
        t->Post();
      }
    });
    std::vector<std::vector<Variant>> rows;
    double baseline = Millis([&] {
      rows.reserve(static_cast<size_t>(kRecords));
      for (Integer i = 0; i < kRecords; ++i) rows.push_back({Variant(i), Variant(i % 100)});
    });
    benchmark::DoNotOptimize(rows.data());
    if (t->RecordCount() != kRecords || rows.size() != static_cast<size_t>(kRecords))
      CheckFailed(state, "the dataset does not hold every record appended");
    Figure(state, "appending 1,000,000 records through the dataset", measured,
           "appending them to a std::vector of value rows", baseline, NoTarget());
  }
}

void BM_SortByTwoFields(benchmark::State& state) {
  TMemTableEh& t = SharedTable();
  RowNumbers(t, {});
  const char* what = "table sorted by NPP and a Russian name";
  bool same = true;
  for (auto _ : state) {
    for (int turn = 0; turn < kTurns; ++turn) {
      const TTimes measured = WallAndCpu([&] { t.SetSortOrder(u"NPP,NAME_THIS"); });
      const std::vector<Integer> shown = RowNumbers(t, Shown(t));
      t.SetSortOrder(String());
      std::vector<Integer> sorted;
      const double baseMs = SortBaselineMs(sorted);
      std::vector<long long> ids;
      const double sqlMs = SqlRows().Time("SELECT rowid FROM t ORDER BY NPP, NAME_THIS COLLATE RU", &ids);
      std::vector<Integer> sqlRows;
      for (long long id : ids) sqlRows.push_back(static_cast<Integer>(id - 1));
      same = same && SameSortOrder(shown, sorted) && SameSortOrder(sqlRows, sorted);
      Figure(state, what, measured, "std::sort over precomputed ICU sort keys", baseMs, Targets::SortByText);
      Figure(state, what, measured, "SQLite sort through the collator", sqlMs, NoTarget(), "sqlite");
    }
  }
  if (!same) CheckFailed(state, "the table's order, the baseline's and SQLite's differ");
}

// SortByFields reorders the store itself; sorting back by the key (the stored
// order) afterwards leaves the shared table as it was.
void BM_SortByFields(benchmark::State& state) {
  TMemTableEh& t = SharedTable();
  RowNumbers(t, {});
  bool same = true;
  for (auto _ : state) {
    for (int turn = 0; turn < kTurns; ++turn) {
      const TTimes measured = WallAndCpu([&] { t.SortByFields(u"NPP,NAME_THIS"); });
      const std::vector<Integer> stored = RowNumbers(t, t.GetRecordsData()->GetRecordsList()->GetActiveList());
      t.SortByFields(u"ID_THIS");
      std::vector<Integer> sorted;
      const double baseMs = SortBaselineMs(sorted);
      same = same && SameSortOrder(stored, sorted);
      Figure(state, "table's SortByFields by NPP and a Russian name", measured,
             "std::sort over precomputed ICU sort keys", baseMs, Targets::SortByText);
    }
  }
  if (!same) CheckFailed(state, "the store's order and the baseline's differ");
}

void BM_Filter(benchmark::State& state) {
  TMemTableEh& t = SharedTable();
  RowNumbers(t, {});
  const std::vector<TMemoryRecordEh*>& recs = t.GetRecordsData()->GetRecordsList()->GetActiveList();
  std::vector<TMemoryRecordEh*> passed;
  auto loop = [&] {
    passed.clear();
    passed.reserve(recs.size());
    for (TMemoryRecordEh* r : recs) {
      const TRecValueEh& v = r->GetData()[2];
      if (!v.IsNull() && v.AsInteger() > 0) passed.push_back(r);
    }
  };
  const char* what = "table filtered by ID_TYPE>0";
  bool same = true;
  for (auto _ : state) {
    AlternatedRounds(6, [&](bool Counted, bool FilterFirst) {
      double measured = 0, baseline = 0;
      std::vector<Integer> shown;
      BothInOrder(
          FilterFirst,
          [&] {
            t.SetFiltered(false);
            t.SetFilter(u"ID_TYPE>0");
            measured = Millis([&] { t.SetFiltered(true); });
            shown = RowNumbers(t, Shown(t));
            t.SetFiltered(false);
          },
          [&] { baseline = Millis(loop); });
      std::vector<long long> ids;
      const double sqlMs = SqlRows().Time("SELECT rowid FROM t WHERE ID_TYPE>0 ORDER BY rowid", &ids);
      std::vector<Integer> sqlRows;
      for (long long id : ids) sqlRows.push_back(static_cast<Integer>(id - 1));
      same = same && shown == RowNumbers(t, passed) && shown == sqlRows;
      if (!Counted) return;
      Figure(state, what, measured, "hand-written loop", baseline, Targets::FilterAgainstLoop);
      Figure(state, what, measured, "SQLite full scan", sqlMs, Targets::FilterAgainstSqlite, "sqlite");
    });
  }
  if (!same) CheckFailed(state, "the filter, the loop and SQLite keep different records or another order");
}

// The flat table with a unique index on the key.
TMemTableEh& FlatIndexedTable() {
  static std::unique_ptr<TMemTableEh> t = [] {
    auto table = MakeTable();
    table->GetIndexDefs()->Add(u"PK", u"ID_THIS", {ixUnique});
    table->Open();
    return table;
  }();
  return *t;
}

// Random keys from First to Last, the same for every figure.
std::vector<Integer> RandomKeys(Integer First, Integer Last, int Count) {
  std::mt19937 rng(kRandomStart);
  std::vector<Integer> keys(static_cast<size_t>(Count));
  for (Integer& k : keys) k = First + static_cast<Integer>(rng() % static_cast<unsigned>(Last - First + 1));
  return keys;
}

void BM_LocateWithIndex(benchmark::State& state) {
  TMemTableEh& t = FlatIndexedTable();
  std::vector<Integer> sorted(static_cast<size_t>(kRecords));
  std::iota(sorted.begin(), sorted.end(), 1);
  const int n = 20000;
  const std::vector<Integer> keys = RandomKeys(1, kRecords, n);
  bool same = true;
  for (auto _ : state) {
    for (int turn = 0; turn < 5; ++turn) {
      bool found = true;
      const double measured = Millis([&] {
                                for (Integer k : keys) found &= t.Locate(u"ID_THIS", Variant(k), {});
                              }) /
                              n;
      // Each finds the key it is given, the table's current record or the
      // array's element; the sums compare off the clock.
      Int64 locatedSum = 0, searchedSum = 0;
      TField* id = t.FieldByName(u"ID_THIS");
      for (Integer k : keys) {
        t.Locate(u"ID_THIS", Variant(k), {});
        locatedSum += id->GetAsInteger();
      }
      std::vector<Integer>::iterator at;
      const double baseline = Millis([&] {
                                for (Integer k : keys)
                                  benchmark::DoNotOptimize(at = std::lower_bound(sorted.begin(), sorted.end(), k));
                              }) /
                              n;
      for (Integer k : keys) {
        at = std::lower_bound(sorted.begin(), sorted.end(), k);
        searchedSum += at != sorted.end() && *at == k ? *at : -1;
      }
      same = same && found && locatedSum == searchedSum;
      Figure(state, "Locate through an index", measured, "binary search in a sorted key array", baseline,
             Targets::LocateThroughIndex);
    }
  }
  if (!same) CheckFailed(state, "Locate and the binary search found different records");
}

// Fresh tables of the first figure a user waits for after a load.
constexpr int kFreshLoads = 5;

// The first Locate through an index just made by the open of a table of
// 1,000,000 records, the one a user waits for after a load, against the first
// binary search over the same keys just read from the records and sorted:
// each side searches memory written moments before.
void BM_FirstLocateAfterLoad(benchmark::State& state) {
  const std::vector<Integer> keys = RandomKeys(1, kRecords, kFreshLoads);
  bool same = true;
  for (auto _ : state) {
    for (int turn = 0; turn < kFreshLoads; ++turn) {
      const Integer key = keys[static_cast<size_t>(turn)];
      auto t = MakeTable();
      t->GetIndexDefs()->Add(u"PK", u"ID_THIS", {ixUnique});
      t->Open();
      bool found = false;
      const double measured = Millis([&] { found = t->Locate(u"ID_THIS", Variant(key), {}); });
      found = found && t->FieldByName(u"ID_THIS")->GetAsInteger() == key;
      std::vector<Integer> sorted;
      sorted.reserve(static_cast<size_t>(kRecords));
      for (TMemoryRecordEh* r : t->GetRecordsData()->GetRecordsList()->GetActiveList())
        sorted.push_back(r->GetData()[0].AsInteger());
      std::sort(sorted.begin(), sorted.end());
      std::vector<Integer>::iterator at;
      const double baseline =
          Millis([&] { benchmark::DoNotOptimize(at = std::lower_bound(sorted.begin(), sorted.end(), key)); });
      same = same && found && at != sorted.end() && *at == key;
      Figure(state, "the first Locate through an index after a 1,000,000-record load", measured,
             "the first binary search over the same keys, just sorted", baseline, Targets::FirstLocateAfterLoad);
    }
  }
  if (!same) CheckFailed(state, "Locate and the binary search found different records");
}

void BM_LocateByScan(benchmark::State& state) {
  TMemTableEh& t = SharedTable();
  std::vector<Integer> ids;
  for (const Row& x : Rows()) ids.push_back(x.Id);
  bool same = true;
  for (auto _ : state) {
    for (int turn = 0; turn < kTurns; ++turn) {
      const Integer key = kRecords - 7;
      bool found = false;
      std::vector<Integer>::iterator at;
      const double measured = Millis([&] { found = t.Locate(u"ID_THIS", Variant(key), {}); });
      const double baseline = Millis([&] { benchmark::DoNotOptimize(at = std::find(ids.begin(), ids.end(), key)); });
      same = same && found && at != ids.end() && t.FieldByName(u"ID_THIS")->GetAsInteger() == *at;
      Figure(state, "Locate without an index, near the end", measured, "linear scan of the same keys", baseline,
             NoTarget());
    }
  }
  if (!same) CheckFailed(state, "Locate and the scan found different records");
}

// Key and parent-key index definitions and the tree settings, as the search
// client gives its resource table; nothing is built until the table opens.
void SetTreeDefs(TMemTableEh& T, bool Expanded) {
  T.GetIndexDefs()->Add(u"KEY", u"ID_THIS", {ixUnique});
  T.GetIndexDefs()->Add(u"PARENT", u"ID_PARENT", {});
  T.GetTreeList()->SetKeyFieldName(u"ID_THIS");
  T.GetTreeList()->SetRefParentFieldName(u"ID_PARENT");
  T.GetTreeList()->SetDefaultNodeExpanded(Expanded);
}

// Whether the table shows the walk of a model tree of Rows(), every record
// under its group, siblings in the order of Sorted (by NPP and name).
bool IsSortedTree(TMemTableEh& T, const std::vector<Integer>& Sorted) {
  return IsModelTreeWalk(
      RowNumbers(T, Shown(T), true), Sorted, [](Integer row) { return Rows()[static_cast<size_t>(row)].Parent - 1; },
      [](Integer a, Integer b) {
        return Rows()[static_cast<size_t>(a)].Npp == Rows()[static_cast<size_t>(b)].Npp &&
               NameKeys()[static_cast<size_t>(a)] == NameKeys()[static_cast<size_t>(b)];
      });
}

void BM_OpenInTreeMode(benchmark::State& state) {
  bool checked = true;
  for (auto _ : state) {
    for (int turn = 0; turn < kTurns; ++turn) {
      auto t = MakeTable();
      SetTreeDefs(*t, true);
      t->SetSortOrder(u"NPP,NAME_THIS");
      // What the program calls: tree mode on, then open; the open builds the indexes.
      const TTimes measured = WallAndCpu([&] {
        t->GetTreeList()->SetActive(true);
        t->Open();
      });
      std::vector<Integer> sorted;
      const double baseMs = SortBaselineMs(sorted);
      checked = checked && IsSortedTree(*t, sorted);
      Figure(state, "opened in tree mode sorted by NPP and a Russian name", measured,
             "std::sort over precomputed ICU sort keys", baseMs, Targets::TreeModeOpen);
    }
  }
  if (!checked) CheckFailed(state, "the tree's order is wrong");
}

// A tree-mode table of the first Count rows (the groups come first, without
// a parent key, so each takes its place in the tree as it arrives).
std::unique_ptr<TMemTableEh> MakeTreeTable(Integer Count, bool Expanded) {
  auto t = MakeTable(Count, true);
  SetTreeDefs(*t, Expanded);
  return t;
}

// Builds the tree and opens the table.
void OpenTree(TMemTableEh& T) {
  T.GetTreeList()->SetActive(true);
  T.Open();
}

void BM_OpenInTreeModeExpanded(benchmark::State& state) {
  const Integer count = static_cast<Integer>(state.range(0));
  for (auto _ : state) {
    auto expanded = MakeTreeTable(count, true);
    auto collapsed = MakeTreeTable(count, false);
    double measured = Millis([&] { OpenTree(*expanded); });
    double baseline = Millis([&] { OpenTree(*collapsed); });
    // Every record shows when expanded, the groups (the first rows) when collapsed.
    if (expanded->RecordCount() != count || collapsed->RecordCount() != std::min(count, kRecords / 100))
      CheckFailed(state, "unexpected row count");
    Figure(state, "opened in tree mode expanded, " + std::to_string(count) + " records", measured,
           "the same opened collapsed", baseline, NoTarget());
  }
}

// Mean milliseconds of one Locate of each key, each call on the clock alone so
// that After(key), run between the calls, stays off it. False in Found when a
// key was not found.
template <class TAfter>
double TimedLocates(TMemTableEh& T, const std::vector<Integer>& Keys, bool& Found, TAfter&& After) {
  std::chrono::steady_clock::duration total{};
  for (Integer k : Keys) {
    const auto t0 = std::chrono::steady_clock::now();
    const bool hit = T.Locate(u"ID_THIS", Variant(k), {});
    total += std::chrono::steady_clock::now() - t0;
    Found &= hit && T.FieldByName(u"ID_THIS")->GetAsInteger() == k;
    After(k);
  }
  return std::chrono::duration<double, std::milli>(total).count() / static_cast<double>(Keys.size());
}

void BM_LocateInTree(benchmark::State& state) {
  // Sorted as the search client sorts its resource tree, so that no row is
  // where the record's place in the store would put it.
  static std::unique_ptr<TMemTableEh> tree = [] {
    auto table = MakeTreeTable(kRecords, false);
    table->SetSortOrder(u"NPP,NAME_THIS");
    OpenTree(*table);
    return table;
  }();
  TMemTableEh& flat = FlatIndexedTable();
  const Integer groups = kRecords / 100;
  const int n = 2000;
  TMemoryTreeListEh* nodes = tree->GetRecordsView()->GetTreeList();
  // Each record inside a group is looked for with its group collapsed: the
  // group is collapsed again after each call.
  auto collapseGroup = [&](Integer) {
    TBaseTreeNodeEh* group = nodes->NodeOfRecord(tree->GetCurrentRecord())->GetParent();
    if (group && group != nodes->GetRoot()) group->SetExpanded(false);
  };
  auto nothing = [](Integer) {};
  bool found = true;
  for (auto _ : state) {
    for (int turn = 0; turn < kTurns; ++turn) {
      const std::vector<Integer> anyKeys = RandomKeys(1, kRecords, n);
      const double flatMs = TimedLocates(flat, anyKeys, found, nothing);
      const double groupMs = TimedLocates(*tree, RandomKeys(1, groups, n), found, nothing);
      const double insideMs = TimedLocates(*tree, RandomKeys(groups + 1, kRecords, n), found, collapseGroup);
      tree->GetTreeList()->FullExpand();
      const double expandedMs = TimedLocates(*tree, anyKeys, found, nothing);
      tree->GetTreeList()->FullCollapse();
      const char* flatWhat = "Locate through an index in the flat table";
      Figure(state, "Locate in a tree-mode table, a group record on show", groupMs, flatWhat, flatMs,
             Targets::LocateInTree);
      Figure(state, "Locate in a tree-mode table, a record inside a collapsed group", insideMs, flatWhat, flatMs,
             Targets::LocateInTree, "inside");
      Figure(state, "Locate in a tree-mode table, a record in the tree fully expanded", expandedMs, flatWhat, flatMs,
             Targets::LocateInTree, "expanded");
    }
  }
  if (!found) CheckFailed(state, "a record was not found");
}

}  // namespace

BENCHMARK(BM_AppendThroughDataset)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SortByTwoFields)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_SortByFields)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_Filter)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_LocateWithIndex)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_FirstLocateAfterLoad)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_LocateByScan)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_OpenInTreeMode)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_OpenInTreeModeExpanded)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Arg(20000)
    ->Arg(100000)
    ->Arg(kRecords);
BENCHMARK(BM_LocateInTree)->Unit(benchmark::kMillisecond)->Iterations(1);

int main(int argc, char** argv) { return RunBenchmarksWithFigures(argc, argv); }
