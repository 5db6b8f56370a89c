// Moving the current record of an in-memory table shown in a data grid, over
// 1,000,000 records beside the same moves over 1,000 records of the same shape
// (an expanded tree of groups of 100), measured in the same run:
//   - a page down and a page back up from the middle of the table;
//   - to the last record and back to the first.
// Each move includes the grid's answer (current row, scroll position, bar) and
// its repaint of a 1280x800 window. Medians of eleven runs of each, the runs
// of all four interleaved at random; the ratios of the
// million-record figures to the thousand-record ones are printed at the end
// (target in bench/Targets.h: the grid no slower per move on the larger table).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>

#include "bench/GridTreeBench.h"
#include "bench/RatioReporter.h"
#include "grid/DBGridEh.h"
#include "memtable/MemTableEh.h"
#include "platform/backend/Headless.h"
#include "platform/ui/Forms.h"

namespace {

constexpr Integer kWidth = 1280, kHeight = 800;

// A table of Count records as an expanded tree (a group record, then its 99
// records) and a grid showing it on a window of its own.
class TGridOverTree {
public:
  explicit TGridOverTree(Integer Count) {
    OpenExpandedTree(FTable, FSource, Count);

    FGrid = NewBenchGridWindow(FForm, kWidth, kHeight);
    FForm->Show();
    FGrid->SetDataSource(&FSource);
    BenchDisplay().ProcessMessages();
  }
  ~TGridOverTree() { delete FForm; }
  TGridOverTree(const TGridOverTree&) = delete;
  TGridOverTree& operator=(const TGridOverTree&) = delete;

  TMemTableEh& Table() { return FTable; }
  Integer Page() const { return FGrid->GetVisibleRowCount(); }
  bool OnRecord(Integer RecNo) const { return FGrid->GetRow() == RecNo; }

private:
  TMemTableEh FTable{nullptr};
  TDataSource FSource{nullptr};
  TForm* FForm = nullptr;
  TDBGridEh* FGrid = nullptr;
};

// Made on first use; freed before the display goes at the end of the run.
std::unique_ptr<TGridOverTree> Large, Small;

TGridOverTree& Grid(Integer Count) {
  std::unique_ptr<TGridOverTree>& Slot = Count > 1000 ? Large : Small;
  if (!Slot) Slot = std::make_unique<TGridOverTree>(Count);
  return *Slot;
}

void PageMoves(benchmark::State& State, Integer Count) {
  TGridOverTree& G = Grid(Count);
  G.Table().First();
  G.Table().MoveBy(Count / 2);
  BenchDisplay().ProcessMessages();
  const Integer Page = G.Page();
  for (auto _ : State) {
    G.Table().MoveBy(Page);
    BenchDisplay().ProcessMessages();
    G.Table().MoveBy(-Page);
    BenchDisplay().ProcessMessages();
  }
  if (!G.OnRecord(Count / 2 + 1)) CheckFailed(State, "the grid lost the current record");
}

void LastAndFirst(benchmark::State& State, Integer Count) {
  TGridOverTree& G = Grid(Count);
  for (auto _ : State) {
    G.Table().Last();
    BenchDisplay().ProcessMessages();
    if (!G.OnRecord(Count)) CheckFailed(State, "the grid is not on the last record");
    G.Table().First();
    BenchDisplay().ProcessMessages();
  }
}

void BM_PageMoves_1000000(benchmark::State& State) { PageMoves(State, 1000000); }
void BM_PageMoves_1000(benchmark::State& State) { PageMoves(State, 1000); }
void BM_LastAndFirst_1000000(benchmark::State& State) { LastAndFirst(State, 1000000); }
void BM_LastAndFirst_1000(benchmark::State& State) { LastAndFirst(State, 1000); }

// Repetitions of the four interleaved at random (see main).
BENCHMARK(BM_PageMoves_1000000)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(0.2)
    ->Repetitions(11)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_PageMoves_1000)->Unit(benchmark::kMillisecond)->MinTime(0.2)->Repetitions(11)->ReportAggregatesOnly(true);
BENCHMARK(BM_LastAndFirst_1000000)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(0.2)
    ->Repetitions(11)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_LastAndFirst_1000)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(0.2)
    ->Repetitions(11)
    ->ReportAggregatesOnly(true);

}  // namespace

int main(int argc, char** argv) {
  std::vector<char*> args = Interleaved(argc, argv);
  return RunWithRatios(
      static_cast<int>(args.size()) - 1, args.data(), TRatioReporter::CpuTime, [](const TRatioReporter& Reporter) {
        auto Line = [&](const char* What, const char* Large, const char* Small) {
          const double L = Reporter.Of(Large), S = Reporter.Of(Small);
          if (L > 0 && S > 0)
            std::printf("%s: 1,000,000 records %.3f ms CPU, 1,000 records %.3f ms CPU (medians); ratio %.2f; %s\n",
                        What, L * 1e3, S * 1e3, L / S,
                        TargetVerdict(Targets::MillionAgainstThousand, L / S, !Reporter.Failed.empty()).c_str());
        };
        Line("a page down and back up", "BM_PageMoves_1000000", "BM_PageMoves_1000");
        Line("to the last record and back to the first", "BM_LastAndFirst_1000000", "BM_LastAndFirst_1000");
        Large.reset();
        Small.reset();
      });
}
