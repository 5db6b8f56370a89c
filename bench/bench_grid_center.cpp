// A data grid over an in-memory table of 1,000,000 records: sorting by its sort
// markers and filtering by its filter row, each beside the same order or filter
// text set on the table directly. Both sides run in turns in the same run and
// each figure is the median of its turns, in CPU time.
//
// Sort: two columns marked (TYPE ascending, then ID descending) and the grid's
// sort-marking change run, which goes through the grid's center to the table's
// dataset features; the baselines are the same order text given to the table's
// SortByFields and set as its SortOrder. Each turn first puts the records back
// in a scrambled order, outside the timing.
// Filter: two columns' filter-row conditions applied through the grid's filter
// row; the baseline sets the filter text they make on the table itself.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <ctime>
#include <vector>

#include "bench/MemTableBench.h"
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

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
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
    TMTDataStructEh* s = Table.GetMemTableData()->GetDataStruct();
    auto add = [&](TComponentClass Class, TFieldType Type, const String& Name) {
      TMTDataFieldEh* f = s->CreateField(Class);
      f->SetDataType(Type);
      f->SetFieldName(Name);
      f->SetVisible(true);
      return f;
    };
    add(TMTNumericDataFieldEh::StaticComponentClass(), ftInteger, u"ID");
    add(TMTStringDataFieldEh::StaticComponentClass(), ftWideString, u"NAME")->SetSize(40);
    add(TMTNumericDataFieldEh::StaticComponentClass(), ftInteger, u"TYPE");
    add(TMTNumericDataFieldEh::StaticComponentClass(), ftInteger, u"R");
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
    Form = new TForm(Application);
    Form->SetBorderStyle(bsNone);
    Form->SetBounds(0, 0, 1280, 800);
    Grid = new TDBGridEh(Form);
    Grid->SetParent(Form);
    Grid->SetBounds(0, 0, 1280, 800);
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

  static TGridOverBigTable& Get() {
    static TGridOverBigTable t;
    return t;
  }
};

void BM_TitleSortThroughGrid(benchmark::State& state) {
  TGridOverBigTable& g = TGridOverBigTable::Get();
  const String order = u"TYPE ,ID  DESC";
  auto viaGrid = [&] {
    g.Column(u"TYPE")->GetTitle()->SetSortMarker(smDownEh);
    g.Column(u"ID")->GetTitle()->SetSortMarker(smUpEh);
    g.Grid->SortMarkingChanged();
  };
  auto byFields = [&] { g.Table.SortByFields(order); };
  auto bySortOrder = [&] { g.Table.SetSortOrder(order); };
  std::vector<double> grid, fields, sortOrder;
  for (auto _ : state) {
    for (int turn = 0; turn < kTurns; ++turn) {
      g.Scramble();
      grid.push_back(OnceMs(viaGrid));
      g.Scramble();
      fields.push_back(OnceMs(byFields));
      g.Table.SetSortOrder(String());
      g.Scramble();
      sortOrder.push_back(OnceMs(bySortOrder));
      g.Table.SetSortOrder(String());
    }
  }
  if (BuildMTEOrderTextEh(g.Grid) != order) state.SkipWithError("the grid built another order text");
  Report(state, Median(grid), Median(fields));
  state.counters["sortorder_ms"] = Median(sortOrder);
  state.counters["ratio_to_sortorder"] = Median(grid) / Median(sortOrder);
}
BENCHMARK(BM_TitleSortThroughGrid)->Unit(benchmark::kMillisecond)->Iterations(1);

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
  Integer shown = 0;
  for (auto _ : state) {
    for (int turn = 0; turn < kTurns; ++turn) {
      unfilter();
      grid.push_back(OnceMs(viaGrid));
      shown = g.Table.RecordCount();
      unfilter();
      table.push_back(OnceMs(direct));
    }
  }
  if (g.Table.RecordCount() != shown || shown == 0) state.SkipWithError("the two filters show different records");
  unfilter();
  g.Column(u"TYPE")->GetSTFilter()->Clear();
  g.Column(u"NAME")->GetSTFilter()->Clear();
  Report(state, Median(grid), Median(table));
  state.counters["records_shown"] = shown;
}
BENCHMARK(BM_FilterRowThroughGrid)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
