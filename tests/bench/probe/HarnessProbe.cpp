// A benchmark program under the harness, for its tests: figures that hold by
// far, each with its check; BENCH_PROBE_FAIL=NAME in the environment makes the
// check of the benchmark NAME fail, the way a figure whose result differs from
// its baseline's fails, and NAME@N only in its repetition N (from 0).
#include <cstdlib>
#include <string>

#include "bench/MemTableBench.h"

namespace {

std::string Failing;

void Probe(benchmark::State& state, const char* Name, int Repetition = -1) {
  double ms = 0;
  for (auto _ : state) ms = Millis([] {});
  if (Failing == Name || Failing == std::string(Name) + "@" + std::to_string(Repetition))
    CheckFailed(state, "the result differs from the baseline's");
  Figure(state, std::string("probe ") + Name, ms, "a baseline far slower", ms + 1000, Targets::Export);
}
void BM_First(benchmark::State& state) { Probe(state, "BM_First"); }
void BM_Second(benchmark::State& state) { Probe(state, "BM_Second"); }
// Reported as averages only, as the paint and scroll benchmarks are.
void BM_Averaged(benchmark::State& state) {
  static int repetition = 0;
  Probe(state, "BM_Averaged", repetition++);
}
BENCHMARK(BM_First)->Iterations(1);
BENCHMARK(BM_Second)->Iterations(1)->Repetitions(2);
BENCHMARK(BM_Averaged)->Iterations(3)->Repetitions(5)->ReportAggregatesOnly(true);

}  // namespace

int main(int argc, char** argv) {
  if (const char* failing = std::getenv("BENCH_PROBE_FAIL")) Failing = failing;
  return RunBenchmarksWithFigures(argc, argv);
}
