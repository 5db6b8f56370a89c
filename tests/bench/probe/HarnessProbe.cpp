// A benchmark program under the harness, for its tests: figures that hold by
// far, each with its check; BENCH_PROBE_FAIL=NAME in the environment makes the
// check of the benchmark NAME fail, the way a figure whose result differs from
// its baseline's fails, and NAME@N only in its repetition N (from 0).
// BENCH_PROBE_OVER=NAME puts the figure of the benchmark NAME over its target
// (NAME,NAME... those of several), or with NAME "own" the figure the program
// prints itself from two benchmarks; with BENCH_PROBE_OVER_ONCE=PATH only in a
// run that finds no file at PATH, which the run then makes. In a run that finds
// it, BENCH_PROBE_FIRST_ONLY=NAME leaves the figure of NAME unrecorded, as a
// figure goes unmeasured when a filter misses its benchmark.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/MemTableBench.h"

namespace {

std::string Failing, Over, FirstOnly;
bool Later = false;

bool IsOver(const std::string& Name) { return ("," + Over + ",").find("," + Name + ",") != std::string::npos; }

void Probe(benchmark::State& state, const char* Name, int Repetition = -1) {
  double ms = 0;
  for (auto _ : state) ms = Millis([] {});
  if (Failing == Name || Failing == std::string(Name) + "@" + std::to_string(Repetition))
    CheckFailed(state, "the result differs from the baseline's");
  if (Later && FirstOnly == Name) return;
  Figure(state, std::string("probe ") + Name, ms + (IsOver(Name) ? 1000 : 0), "a baseline", ms + 100, Targets::Export);
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
  if (const char* over = std::getenv("BENCH_PROBE_OVER")) Over = over;
  if (const char* firstOnly = std::getenv("BENCH_PROBE_FIRST_ONLY")) FirstOnly = firstOnly;
  if (const char* once = std::getenv("BENCH_PROBE_OVER_ONCE")) {
    if (FILE* made = std::fopen(once, "r")) {
      std::fclose(made);
      Over.clear();
      Later = true;
    } else if (FILE* make = std::fopen(once, "w")) {
      std::fclose(make);
    }
  }
  return RunWithRatios(argc, argv, TRatioReporter::CpuTime, [](const TRatioReporter& reporter) {
    if (reporter.Of("BM_First") > 0 && reporter.Of("BM_Second") > 0)
      std::printf("probe BM_First beside BM_Second: %s\n",
                  TargetVerdict(Targets::Export, IsOver("own") ? 10 : 1, !reporter.Failed.empty()).c_str());
  });
}
