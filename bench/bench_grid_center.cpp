// A data grid over an in-memory table of 1,000,000 records: sorting by its sort
// markers and filtering by its filter row, each beside the same order or filter
// text set on the table directly. Both sides run in turns in the same run and
// each figure is the median of its turns, in CPU time; each turn's result is
// checked against its baseline's (the same order; the same records in the same order), off the
// clock.
//
// Title click: a press and a release on the ID title through the window's mouse
// messages, as the user sorts: the title's sort marker steps (ascending, then
// descending at the next turn) and the grid sorts the table through its center
// and the table's dataset features; the clock stops when the window has
// repainted. The baselines set the order text the grid built on the table
// itself, as its SortOrder and through SortByFields, and let the window repaint
// too. Each turn first puts the records back in a scrambled order, outside the
// timing.
// Filter: two columns' filter-row conditions applied through the grid's filter
// row; the baseline sets the filter text they make on the table itself.
// Tree find: the grid's find through every branch of a collapsed tree, beside a
// plain loop over the stored names.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <ctime>
#include <memory>
#include <vector>

#include "bench/GridTreeBench.h"
#include "bench/MemTableBench.h"
#include "bench/RatioReporter.h"
#include "editors/DaVirVCL.h"
#include "grid/DBGridEh.h"
#include "grid/DaVirMTE.h"
#include "platform/backend/Headless.h"
#include "platform/core/Strings.h"
#include "platform/ui/Forms.h"

namespace {

constexpr Integer kRecords = 1000000;
constexpr int kTurns = 9;

// The CPU time of one call of f, in milliseconds: on a busy machine the time
// the thread waits for a processor is not the work's.
template <class F>
double OnceMs(F&& f) {
  auto now = [] {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
  };
  const double t0 = now();
  f();
  return now() - t0;
}

// ID a scrambled permutation of 1..1,000,000, NAME "Книга <id>", TYPE id mod 7,
// R another permutation.
struct TGridOverBigTable {
  THeadlessDisplay Display;
  TMemTableEh Table{nullptr};
  TDataSource Source{nullptr};
  TForm* Form = nullptr;
  TDBGridEh* Grid = nullptr;

  TGridOverBigTable() {
    InitMemTableEhUnit();
    InitDBGridEhUnit();
    InitDaVirMTEUnit();
    TMemTableDataEh* Store = Table.GetMemTableData();
    AddBenchColumn(Store, TMTNumericDataFieldEh::StaticComponentClass(), ftInteger, u"ID");
    AddBenchColumn(Store, TMTStringDataFieldEh::StaticComponentClass(), ftWideString, u"NAME");
    AddBenchColumn(Store, TMTNumericDataFieldEh::StaticComponentClass(), ftInteger, u"TYPE");
    AddBenchColumn(Store, TMTNumericDataFieldEh::StaticComponentClass(), ftInteger, u"R");
    TRecordsListEh* list = Table.GetRecordsData()->GetRecordsList();
    for (Integer i = 1; i <= kRecords; ++i) {
      const Integer id = Integer((Int64(i) * 7919) % kRecords) + 1;
      TMemoryRecordEh* r = list->NewRecord();
      r->SetDataValues(u"ID;NAME;TYPE;R", rvvValueEh,
                       VarArrayOf({Variant(id), Variant(u"Книга " + IntToStr(id)), Variant(id % 7),
                                   Variant(Integer((Int64(i) * 104729) % kRecords))}));
      r->Post();
    }
    Table.Open();
    Source.SetDataSet(&Table);
    Grid = NewBenchGridWindow(Form, 1280, 800);
    Grid->SetOptionsEh(Grid->GetOptionsEh() + TDBGridEhOptions{dghAutoSortMarking, dghMultiSortMarking});
    Grid->SetSortLocal(true);
    Grid->GetSTFilter()->SetLocal(true);
    Grid->GetSTFilter()->SetVisible(true);
    Grid->SetDataSource(&Source);
    Form->Show();
    Display.ProcessMessages();
  }
  ~TGridOverBigTable() {
    delete Form;
    FinalDaVirMTEUnit();
    FinalDBGridEhUnit();
    FinalMemTableEhUnit();
  }
  TColumnEh* Column(const String& FieldName) { return Grid->FindColumnByFieldName(FieldName); }
  // A scrambled stored order, by a key no turn sorts by.
  void Scramble() { Table.SortByFields(u"R"); }
  // The IDs of the records the table shows, in order.
  std::vector<Integer> ShownIds() {
    TRecordsViewEh* view = Table.GetRecordsView();
    std::vector<Integer> ids;
    ids.reserve(static_cast<size_t>(view->ViewCount()));
    for (Integer i = 0; i < view->ViewCount(); ++i) ids.push_back(view->ViewRecord(i)->GetData()[0].AsInteger());
    return ids;
  }

  // Built by the first benchmark that needs it and shared by the next; freed by
  // main, or before another fixture finalises the units it stands on, never by
  // the exit of the process, which would come after the units are gone.
  static std::unique_ptr<TGridOverBigTable>& Shared() {
    static std::unique_ptr<TGridOverBigTable> t;
    return t;
  }
  static TGridOverBigTable& Get() {
    if (!Shared()) Shared() = std::make_unique<TGridOverBigTable>();
    return *Shared();
  }
};

void BM_TitleClickSort(benchmark::State& state) {
  TGridOverBigTable& g = TGridOverBigTable::Get();
  TColumnEh* id = g.Column(u"ID");
  id->GetTitle()->SetTitleButton(true);
  for (Integer i = 0; i < g.Grid->GetColumns()->GetCount(); ++i)
    g.Grid->GetColumns()->Items(i)->GetTitle()->SetSortMarker(smNoneEh);
  const TRect title = g.Grid->CellRect(g.Grid->DataToRawColumn(id->GetIndex()), 0);
  const TPoint at((title.Left + title.Right) / 2, (title.Top + title.Bottom) / 2);
  auto click = [&] {
    g.Display.Click(g.Grid->GetHandle(), at.X, at.Y);
    g.Display.ProcessMessages();
  };
  String order;
  auto bySortOrder = [&] {
    g.Table.SetSortOrder(order);
    g.Display.ProcessMessages();
  };
  auto byFields = [&] {
    g.Table.SortByFields(order);
    g.Display.ProcessMessages();
  };
  std::vector<double> grid, sortOrder, fields;
  bool sorted = true;
  for (auto _ : state) {
    for (int turn = 0; turn < kTurns; ++turn) {
      // No double click: the last press is long past.
      g.Display.AdvanceClock(GetDoubleClickTime() + 1);
      g.Scramble();
      g.Display.ProcessMessages();
      grid.push_back(OnceMs(click));
      order = BuildMTEOrderTextEh(g.Grid);
      const std::vector<Integer> byClick = g.ShownIds();
      // Ascending, then descending at the next turn.
      sorted = sorted && byClick.size() == static_cast<size_t>(kRecords) &&
               (turn % 2 == 0 ? std::is_sorted(byClick.begin(), byClick.end())
                              : std::is_sorted(byClick.rbegin(), byClick.rend()));
      g.Scramble();
      g.Display.ProcessMessages();
      sortOrder.push_back(OnceMs(bySortOrder));
      sorted = sorted && g.ShownIds() == byClick;
      g.Table.SetSortOrder(String());
      g.Scramble();
      g.Display.ProcessMessages();
      fields.push_back(OnceMs(byFields));
      sorted = sorted && g.ShownIds() == byClick;
    }
  }
  if (!sorted) CheckFailed(state, "a title click, SortOrder and SortByFields gave different orders");
  for (size_t i = 0; i < grid.size(); ++i) {
    Figure(state, "title-click sort of 1,000,000 records", grid[i], "the same SortOrder set on the table", sortOrder[i],
           Targets::GridSortAndFilter);
    Figure(state, "title-click sort of 1,000,000 records", grid[i], "the same order through SortByFields", fields[i],
           Targets::GridSortAndFilter, "sortbyfields");
  }
}
BENCHMARK(BM_TitleClickSort)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_FilterRowThroughGrid(benchmark::State& state) {
  TGridOverBigTable& g = TGridOverBigTable::Get();
  g.Column(u"TYPE")->GetSTFilter()->SetExpressionStr(u">= 2 AND < 5");
  g.Column(u"NAME")->GetSTFilter()->SetExpressionStr(u"~ 'Книга 1%'");
  String text;
  BuildGridFilterText(g.Grid, &BuildDataSetFilterCondition, TDateValueToSQLStringEh(), text, true, false);
  auto viaGrid = [&] { g.Grid->ApplyFilterRow(); };
  auto direct = [&] {
    g.Table.SetFilter(text);
    g.Table.SetFiltered(true);
  };
  auto unfilter = [&] {
    g.Table.SetFiltered(false);
    g.Table.SetFilter(String());
  };
  std::vector<double> grid, table;
  bool same = true;
  size_t shown = 0;
  for (auto _ : state) {
    for (int turn = 0; turn < kTurns; ++turn) {
      unfilter();
      grid.push_back(OnceMs(viaGrid));
      const std::vector<Integer> byGrid = g.ShownIds();
      unfilter();
      table.push_back(OnceMs(direct));
      same = same && !byGrid.empty() && byGrid == g.ShownIds();
      shown = byGrid.size();
    }
  }
  if (!same) CheckFailed(state, "the two filters show different records or another order");
  unfilter();
  g.Column(u"TYPE")->GetSTFilter()->Clear();
  g.Column(u"NAME")->GetSTFilter()->Clear();
  for (size_t i = 0; i < grid.size(); ++i)
    Figure(state, "filter-row filter through the grid over 1,000,000 records", grid[i],
           "the same filter text set on the table", table[i], Targets::GridSortAndFilter);
  state.counters["records_shown"] = static_cast<double>(shown);
}
BENCHMARK(BM_FilterRowThroughGrid)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

namespace {

// A tree of 1,000 collapsed groups of 999 records each, under a grid; the find
// looks through every branch for the name only the last record has, beside a
// loop that reads the same names from the store and compares them the same way.
struct TGridOverBigTree {
  THeadlessDisplay Display;
  TMemTableEh Table{nullptr};
  TDataSource Source{nullptr};
  TForm* Form = nullptr;
  TDBGridEh* Grid = nullptr;

  TGridOverBigTree() {
    InitMemTableEhUnit();
    InitDBGridEhUnit();
    InitDaVirMTEUnit();
    TMemTableDataEh* Store = Table.GetMemTableData();
    AddBenchColumn(Store, TMTNumericDataFieldEh::StaticComponentClass(), ftInteger, u"ID");
    AddBenchColumn(Store, TMTNumericDataFieldEh::StaticComponentClass(), ftInteger, u"PARENT");
    AddBenchColumn(Store, TMTStringDataFieldEh::StaticComponentClass(), ftWideString, u"NAME");
    TRecordsListEh* list = Table.GetRecordsData()->GetRecordsList();
    for (Integer id = 1; id <= kRecords; ++id) {
      const Integer parent = id % 1000 == 1 ? 0 : (id - 1) / 1000 * 1000 + 1;
      TMemoryRecordEh* r = list->NewRecord();
      r->SetDataValues(u"ID;PARENT;NAME", rvvValueEh,
                       VarArrayOf({Variant(id), Variant(parent), Variant(u"Книга " + IntToStr(id))}));
      r->Post();
    }
    Table.GetTreeList()->SetKeyFieldName(u"ID");
    Table.GetTreeList()->SetRefParentFieldName(u"PARENT");
    Table.GetTreeList()->SetActive(true);
    Table.Open();
    Source.SetDataSet(&Table);
    Grid = NewBenchGridWindow(Form, 1280, 800);
    Grid->SetDataSource(&Source);
    Form->Show();
    Display.ProcessMessages();
  }
  ~TGridOverBigTree() {
    delete Form;
    FinalDaVirMTEUnit();
    FinalDBGridEhUnit();
    FinalMemTableEhUnit();
  }
};

void BM_TreeFindInCollapsedGroups(benchmark::State& state) {
  TGridOverBigTable::Shared().reset();  // this fixture starts and finalises the units itself
  TGridOverBigTree t;
  const String text = u"книга 1000000";
  bool found = false;
  auto find = [&] {
    t.Table.First();
    found = t.Grid->Find(u"NAME", text, ltoIgnoreCaseEh, ltdAllEh, ltmWholeEh, lttAllBranchesEh);
  };
  // The record each found, compared off the clock.
  auto current = [&] { return t.Table.FieldByName(u"ID")->GetAsInteger(); };
  Integer hit = -1;
  const String upper = WideUpperCaseEh(text);
  const auto& rows = t.Table.GetRecordsData()->GetRecordsList()->GetActiveList();
  auto loop = [&] {
    hit = -1;
    for (size_t i = 0; i < rows.size() && hit < 0; ++i)
      if (WideUpperCaseEh(rows[i]->GetData()[2].AsString()) == upper) hit = static_cast<Integer>(i);
    benchmark::DoNotOptimize(hit);
  };
  // A match in the first collapsed group: the search is short, and the find
  // costs what opening the group and going to the record cost, as the table's
  // own Locate of the same record does.
  bool early = false, located = false;
  auto findEarly = [&] {
    t.Table.First();
    early = t.Grid->Find(u"NAME", u"книга 2", ltoIgnoreCaseEh, ltdAllEh, ltmWholeEh, lttAllBranchesEh);
  };
  auto locate = [&] { located = t.Table.Locate(u"ID", Variant(2), {}); };
  bool same = true;
  for (auto _ : state) {
    for (int turn = 0; turn < 3; ++turn) {
      t.Table.GetTreeList()->FullCollapse();
      const double treeMs = OnceMs(find);
      same = same && found && current() == kRecords;
      const double plainMs = OnceMs(loop);
      same = same && hit >= 0 && rows[static_cast<size_t>(hit)]->GetData()[0].AsInteger() == kRecords;
      Figure(state, "tree find through 1,000 collapsed groups", treeMs, "a loop over the stored names", plainMs,
             NoTarget());
    }
    for (int turn = 0; turn < kTurns; ++turn) {
      t.Table.GetTreeList()->FullCollapse();
      t.Table.First();
      const double revealMs = OnceMs(findEarly);
      same = same && early && current() == 2;
      t.Table.GetTreeList()->FullCollapse();
      t.Table.First();
      const double locateMs = OnceMs(locate);
      same = same && located && current() == 2;
      Figure(state, "tree find revealing a record in the first collapsed group", revealMs,
             "Locate of the same record in the table", locateMs, NoTarget(), "reveal");
    }
  }
  if (!same) CheckFailed(state, "the find and its baseline found different records, or none");
}
BENCHMARK(BM_TreeFindInCollapsedGroups)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
  return RunWithRatios(argc, argv, TRatioReporter::CpuTime,
                       [](const TRatioReporter&) { TGridOverBigTable::Shared().reset(); });
}
