// The in-memory table as a dataset on 1,000,000 records, each figure beside its
// baseline measured in the same run, their ratio and the target of DESIGN.md
// section 7 (printed together after the run):
//   - appending through the dataset, against appending the same records to a
//     std::vector of value rows;
//   - sorting by two fields (an integer and a Russian text), by SortOrder and
//     by SortByFields, against std::sort of indices by the same keys over
//     precomputed ICU sort keys, with SQLite's sort in memory beside it;
//   - a filter expression, against a hand-written loop over the same condition
//     and SQLite's full scan in memory;
//   - Locate through an index, against binary search in a sorted key array,
//     and Locate by a scan, against a linear scan of the same keys;
//   - opening in tree mode (the tree and the indexes built by the open),
//     against the sort baseline;
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

#include "bench/MemTableBench.h"
#include "bench/SqliteBench.h"
#include "memtable/MemTableEh.h"
#include "platform/core/Locale.h"
#include "platform/core/Strings.h"

namespace {

constexpr Integer kRecords = 1000000;
constexpr unsigned kRandomStart = 4421;

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

// std::sort of row numbers by NPP and then the name, over sort keys made before
// the clock starts.
double SortBaselineMs() {
  static const double ms = [] {
    const std::vector<Row>& rows = Rows();
    std::vector<std::string> keys(rows.size());
    for (size_t i = 0; i < rows.size(); ++i) keys[i] = CollationSortKey(rows[i].Name, false);
    std::vector<Integer> idx(rows.size());
    std::iota(idx.begin(), idx.end(), 0);
    return Millis([&] {
      std::sort(idx.begin(), idx.end(), [&](Integer a, Integer b) {
        const Row& x = rows[static_cast<size_t>(a)];
        const Row& y = rows[static_cast<size_t>(b)];
        if (x.Npp != y.Npp) return x.Npp < y.Npp;
        return keys[static_cast<size_t>(a)] < keys[static_cast<size_t>(b)];
      });
    });
  }();
  return ms;
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
    Figure(state, "appending 1,000,000 records through the dataset", measured,
           "appending them to a std::vector of value rows", baseline, NoTarget());
  }
}

void BM_SortByTwoFields(benchmark::State& state) {
  TMemTableEh& t = SharedTable();
  for (auto _ : state) {
    double measured = Millis([&] { t.SetSortOrder(u"NPP,NAME_THIS"); });
    t.SetSortOrder(String());
    const char* what = "table sorted by NPP and a Russian name";
    Figure(state, what, measured, "std::sort over precomputed ICU sort keys", SortBaselineMs(), WithinRatio(1.0));
    Figure(state, what, measured, "SQLite sort through the collator",
           SqlRows().Time("SELECT rowid FROM t ORDER BY NPP, NAME_THIS COLLATE RU"), NoTarget(), "sqlite");
  }
}

// SortByFields reorders the store itself; sorting back by the key (the stored
// order) afterwards leaves the shared table as it was.
void BM_SortByFields(benchmark::State& state) {
  TMemTableEh& t = SharedTable();
  for (auto _ : state) {
    double measured = Millis([&] { t.SortByFields(u"NPP,NAME_THIS"); });
    t.SortByFields(u"ID_THIS");
    Figure(state, "table's SortByFields by NPP and a Russian name", measured,
           "std::sort over precomputed ICU sort keys", SortBaselineMs(), WithinRatio(1.0));
  }
}

void BM_Filter(benchmark::State& state) {
  TMemTableEh& t = SharedTable();
  for (auto _ : state) {
    t.SetFiltered(false);
    t.SetFilter(u"ID_TYPE>0");
    double measured = Millis([&] { t.SetFiltered(true); });
    Integer shown = t.RecordCount();
    t.SetFiltered(false);
    Integer counted = 0;
    const std::vector<TMemoryRecordEh*>& recs = t.GetRecordsData()->GetRecordsList()->GetActiveList();
    double baseline = Millis([&] {
      std::vector<TMemoryRecordEh*> passed;
      passed.reserve(recs.size());
      for (TMemoryRecordEh* r : recs) {
        const TRecValueEh& v = r->GetData()[2];
        if (!v.IsNull() && v.AsInteger() > 0) passed.push_back(r);
      }
      counted = static_cast<Integer>(passed.size());
    });
    long scanned = 0;
    const double sqlMs = SqlRows().Time("SELECT rowid FROM t WHERE ID_TYPE>0", &scanned);
    if (shown != counted || shown != scanned) state.SkipWithError("the filter, the loop and SQLite disagree");
    const char* what = "table filtered by ID_TYPE>0";
    Figure(state, what, measured, "hand-written loop", baseline, WithinRatio(2));
    Figure(state, what, measured, "SQLite full scan", sqlMs, WithinRatio(1), "sqlite");
  }
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
  for (auto _ : state) {
    bool found = true;
    double measured = Millis([&] {
      for (Integer k : keys) found &= t.Locate(u"ID_THIS", Variant(k), {});
    }) / n;
    double baseline = Millis([&] {
      for (Integer k : keys) benchmark::DoNotOptimize(std::lower_bound(sorted.begin(), sorted.end(), k));
    }) / n;
    if (!found) state.SkipWithError("a record was not found");
    Figure(state, "Locate through an index", measured, "binary search in a sorted key array", baseline,
           UnderMs(0.001));
  }
}

void BM_LocateByScan(benchmark::State& state) {
  TMemTableEh& t = SharedTable();
  std::vector<Integer> ids;
  for (const Row& x : Rows()) ids.push_back(x.Id);
  for (auto _ : state) {
    Integer key = kRecords - 7;
    double measured = Millis([&] { t.Locate(u"ID_THIS", Variant(key), {}); }, 3);
    double baseline = Millis([&] { benchmark::DoNotOptimize(std::find(ids.begin(), ids.end(), key)); }, 3);
    Figure(state, "Locate without an index, near the end", measured, "linear scan of the same keys", baseline,
           NoTarget());
  }
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

void BM_OpenInTreeMode(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    auto t = MakeTable();
    SetTreeDefs(*t, true);
    t->SetSortOrder(u"NPP,NAME_THIS");
    state.ResumeTiming();
    // What the program calls: tree mode on, then open; the open builds the indexes.
    double measured = Millis([&] {
      t->GetTreeList()->SetActive(true);
      t->Open();
    });
    state.PauseTiming();
    Figure(state, "opened in tree mode sorted by NPP and a Russian name", measured,
           "std::sort over precomputed ICU sort keys", SortBaselineMs(), WithinRatio(2));
    t.reset();
    state.ResumeTiming();
  }
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
    if (expanded->RecordCount() != count || collapsed->RecordCount() != std::min(count, kRecords / 100)) {
      state.SkipWithError("unexpected row count");
      break;
    }
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
  for (auto _ : state) {
    bool found = true;
    const std::vector<Integer> anyKeys = RandomKeys(1, kRecords, n);
    const double flatMs = TimedLocates(flat, anyKeys, found, nothing);
    const double groupMs = TimedLocates(*tree, RandomKeys(1, groups, n), found, nothing);
    const double insideMs = TimedLocates(*tree, RandomKeys(groups + 1, kRecords, n), found, collapseGroup);
    tree->GetTreeList()->FullExpand();
    const double expandedMs = TimedLocates(*tree, anyKeys, found, nothing);
    tree->GetTreeList()->FullCollapse();
    if (!found) {
      state.SkipWithError("a record was not found");
      break;
    }
    const char* flatWhat = "Locate through an index in the flat table";
    Figure(state, "Locate in a tree-mode table, a group record on show", groupMs, flatWhat, flatMs, WithinRatio(3));
    Figure(state, "Locate in a tree-mode table, a record inside a collapsed group", insideMs, flatWhat, flatMs,
           WithinRatio(3), "inside");
    Figure(state, "Locate in a tree-mode table, a record in the tree fully expanded", expandedMs, flatWhat, flatMs,
           WithinRatio(3), "expanded");
  }
}

}  // namespace

BENCHMARK(BM_AppendThroughDataset)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_SortByTwoFields)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_SortByFields)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_Filter)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_LocateWithIndex)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_LocateByScan)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_OpenInTreeMode)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_OpenInTreeModeExpanded)->Unit(benchmark::kMillisecond)->Iterations(1)->Arg(20000)->Arg(100000)->Arg(kRecords);
BENCHMARK(BM_LocateInTree)->Unit(benchmark::kMillisecond)->Iterations(1);

int main(int argc, char** argv) { return RunBenchmarksWithFigures(argc, argv); }
