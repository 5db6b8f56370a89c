#pragma once
// The harness every benchmark program runs under. A reporter prints the usual
// table and keeps each benchmark's time per iteration, for programs that set
// benchmarks beside each other afterwards; figures recorded with Figure() are
// printed after the run beside their baselines and targets (bench/Targets.h).
// A check that fails in any repetition of a benchmark (CheckFailed), or a
// benchmark that reports an error, makes the program exit non-zero with the
// check's message, so `make bench` fails, and none of the figures recorded
// while it ran is said to hold. Figures over their targets name the benchmarks
// that measured them, for `make bench` to measure them again alone.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "bench/Targets.h"

inline double MedianOf(std::vector<double> Values) {
  if (Values.empty()) return 0;
  std::sort(Values.begin(), Values.end());
  const size_t n = Values.size();
  return n % 2 ? Values[n / 2] : (Values[n / 2 - 1] + Values[n / 2]) / 2;
}

// "1.234 ms", or microseconds below a tenth of a millisecond.
inline std::string FormatMs(double Ms) {
  char text[32];
  if (Ms < 0.1) std::snprintf(text, sizeof text, "%.3f us", Ms * 1e3);
  else if (Ms < 10) std::snprintf(text, sizeof text, "%.3f ms", Ms);
  else std::snprintf(text, sizeof text, "%.1f ms", Ms);
  return text;
}

// A time taken on the wall clock and, for work spread over threads, the CPU
// time the whole process spent meanwhile (negative when not taken).
struct TTimes {
  double Ms = 0;
  double CpuMs = -1;
};

// A failed check travels with its repetition as a counter named after it: the
// benchmark library keeps counters in each repetition's results and in the
// averages over them, where it leaves out a repetition that reported an error
// (and cannot average at all when the first one did).
inline constexpr char kCheckFailed[] = "check failed: ";

// Records that a check of the running repetition failed, Message saying what
// differs. The benchmark runs on; the program fails at the end and none of the
// benchmark's figures holds. Benchmarks report their checks this way rather
// than with SkipWithError, for the reason above.
inline void CheckFailed(benchmark::State& State, const std::string& Message) {
  const std::string Name = kCheckFailed + Message;
  if (State.counters.count(Name)) return;
  State.counters[Name] = 1;
  // At once as well: whatever happens later in the run cannot lose it.
  std::fprintf(stderr, "%s\n", Name.c_str());
}

// A benchmark that cannot do its work (its setup failed): the check fails and
// the loop the library expects runs idle.
inline void FailBeforeRunning(benchmark::State& State, const std::string& Message) {
  CheckFailed(State, Message);
  for (auto _ : State) {
  }
}

struct TFigureRecord {
  std::string What, Baseline;
  TTarget Target;
  std::vector<double> Measured, Base, MeasuredCpu;
  bool Failed = false;
  // The benchmarks reported while samples of it waited: its own, and with
  // interleaved repetitions perhaps others too.
  std::vector<std::string> Benchmarks;
};

inline std::vector<TFigureRecord>& Figures() {
  static std::vector<TFigureRecord> figures;
  return figures;
}
// The figures recorded since the reporter last heard of a benchmark: those of
// the benchmark now running.
inline std::vector<size_t>& FiguresOfRunningBenchmark() {
  static std::vector<size_t> running;
  return running;
}

// Keeps one sample of a figure beside one of its baseline for the summary
// (take the two in turns: the summary prints the medians and the median of
// the pairs' ratios), and shows the ratio among the counters, as "ratio" or,
// for a figure set against more than one baseline or several figures of one
// benchmark, as "<Key>_ratio".
inline void Figure(benchmark::State& state, const std::string& What, TTimes Measured, const std::string& Baseline,
                   double BaselineMs, TTarget Target, const std::string& Key = "baseline") {
  if (Key == "baseline") {
    state.counters["measured_ms"] = Measured.Ms;
    state.counters["baseline_ms"] = BaselineMs;
    state.counters["ratio"] = Measured.Ms / BaselineMs;
  } else {
    state.counters[Key + "_ratio"] = Measured.Ms / BaselineMs;
  }
  std::vector<TFigureRecord>& all = Figures();
  auto it = std::find_if(all.begin(), all.end(),
                         [&](const TFigureRecord& f) { return f.What == What && f.Baseline == Baseline; });
  if (it == all.end()) it = all.insert(all.end(), TFigureRecord{What, Baseline, Target, {}, {}, {}, false, {}});
  it->Measured.push_back(Measured.Ms);
  it->Base.push_back(BaselineMs);
  if (Measured.CpuMs >= 0) it->MeasuredCpu.push_back(Measured.CpuMs);
  FiguresOfRunningBenchmark().push_back(static_cast<size_t>(it - all.begin()));
}
inline void Figure(benchmark::State& state, const std::string& What, double MeasuredMs, const std::string& Baseline,
                   double BaselineMs, TTarget Target, const std::string& Key = "baseline") {
  Figure(state, What, TTimes{MeasuredMs, -1}, Baseline, BaselineMs, Target, Key);
}

// Name as a pattern of --benchmark_filter (an extended regular expression)
// that matches it alone.
inline std::string WholeNamePattern(const std::string& Name) {
  std::string pattern = "^";
  for (char c : Name) {
    if (std::string_view(".[]()*+?{}|^$\\").find(c) != std::string_view::npos) pattern += '\\';
    pattern += c;
  }
  return pattern + "$";
}

// The figures beside their baselines and verdicts; then, when some are over
// their targets, how many and the filter that runs their benchmarks alone
// (bench/run.sh measures them again with it when it accounts for every figure
// the program found over).
inline void PrintFigures() {
  if (Figures().empty()) return;
  std::printf("\nFigures beside their baselines and targets (bench/README.md):\n");
  size_t over = 0;
  std::vector<std::string> overBenchmarks;
  for (const TFigureRecord& f : Figures()) {
    const double measured = MedianOf(f.Measured), base = MedianOf(f.Base);
    std::vector<double> ratios;
    for (size_t i = 0; i < f.Measured.size(); ++i) ratios.push_back(f.Measured[i] / f.Base[i]);
    const double ratio = MedianOf(ratios);
    const double value = f.Target.Kind == TTarget::Under ? measured : ratio;
    const std::string cpu = f.MeasuredCpu.empty() ? "" : " (CPU " + FormatMs(MedianOf(f.MeasuredCpu)) + ")";
    std::printf("  %s: %s%s | %s: %s | ratio %.2f | %s%s\n", f.What.c_str(), FormatMs(measured).c_str(), cpu.c_str(),
                f.Baseline.c_str(), FormatMs(base).c_str(), ratio, TargetVerdict(f.Target, value, f.Failed).c_str(),
                f.Measured.size() > 1 ? (" (medians of " + std::to_string(f.Measured.size()) + ")").c_str() : "");
    if (f.Failed || !OverTarget(f.Target, value)) continue;
    ++over;
    for (const std::string& b : f.Benchmarks)
      if (std::find(overBenchmarks.begin(), overBenchmarks.end(), b) == overBenchmarks.end())
        overBenchmarks.push_back(b);
  }
  if (over == 0 || overBenchmarks.empty()) return;
  std::string filter;
  for (const std::string& b : overBenchmarks) filter += (filter.empty() ? "" : "|") + WholeNamePattern(b);
  std::printf("%zu figure%s over the target; the benchmarks alone: --benchmark_filter=%s\n", over, over == 1 ? "" : "s",
              filter.c_str());
}

class TRatioReporter : public benchmark::ConsoleReporter {
public:
  enum TClock { CpuTime, WallTime };
  explicit TRatioReporter(TClock Clock = CpuTime) : FClock(Clock) {}

  std::map<std::string, double> Seconds;
  std::vector<std::string> Failed;

  void ReportRuns(const std::vector<Run>& runs) override {
    bool failed = false;
    auto fail = [&](const Run& r, const std::string& Message) {
      const std::string line = r.run_name.str() + ": " + Message;
      if (std::find(Failed.begin(), Failed.end(), line) == Failed.end()) Failed.push_back(line);
      FailedNames.push_back(r.run_name.function_name);
      failed = true;
    };
    for (const Run& r : runs) {
      if (r.error_occurred) fail(r, r.error_message);
      // A failed check shows in its repetition's results and in the
      // averages over the repetitions.
      for (const auto& [name, counter] : r.counters)
        if (name.rfind(kCheckFailed, 0) == 0 && counter.value > 0) fail(r, name);
      // A benchmark run several times is represented by its median.
      if (r.run_type == Run::RT_Aggregate && r.aggregate_name != "median") continue;
      if (r.iterations <= 0) continue;
      const double total = FClock == CpuTime ? r.cpu_accumulated_time : r.real_accumulated_time;
      Seconds[r.run_name.function_name] = total / static_cast<double>(r.iterations);
    }
    for (size_t f : FiguresOfRunningBenchmark()) {
      TFigureRecord& figure = Figures()[f];
      if (failed) figure.Failed = true;
      if (!runs.empty()) {
        const std::string name = runs.front().run_name.str();
        if (std::find(figure.Benchmarks.begin(), figure.Benchmarks.end(), name) == figure.Benchmarks.end())
          figure.Benchmarks.push_back(name);
      }
    }
    FiguresOfRunningBenchmark().clear();
    ConsoleReporter::ReportRuns(runs);
  }
  // Seconds per iteration of a benchmark that ran, else 0.
  double Of(const std::string& Name) const {
    const auto it = Seconds.find(Name);
    return it == Seconds.end() ? 0 : it->second;
  }
  // Whether a benchmark of this name reported an error.
  bool FailedRun(const std::string& Name) const {
    return std::find(FailedNames.begin(), FailedNames.end(), Name) != FailedNames.end();
  }

private:
  TClock FClock;
  std::vector<std::string> FailedNames;
};

// Runs the benchmarks with a ratio reporter, hands it to Report, and prints
// the figures recorded; non-zero when a benchmark reported an error.
template <class TReport>
int RunWithRatios(int argc, char** argv, TRatioReporter::TClock Clock, TReport Report) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  TRatioReporter reporter(Clock);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  Report(reporter);
  PrintFigures();
  benchmark::Shutdown();
  for (const std::string& f : reporter.Failed) std::fprintf(stderr, "benchmark failed: %s\n", f.c_str());
  return reporter.Failed.empty() ? 0 : 1;
}

// The command line with the repetitions of all benchmarks interleaved at
// random (unless the command line says otherwise: a later flag wins), so that
// a busy moment weighs on a figure and its baseline alike. The strings live as
// long as the program.
inline std::vector<char*> Interleaved(int argc, char** argv) {
  static char flag[] = "--benchmark_enable_random_interleaving=true";
  std::vector<char*> args(argv, argv + argc);
  args.insert(args.begin() + 1, flag);
  args.push_back(nullptr);
  return args;
}

// A benchmark program's main that prints no ratios of its own.
inline int RunBenchmarksWithFigures(int argc, char** argv) {
  return RunWithRatios(argc, argv, TRatioReporter::CpuTime, [](const TRatioReporter&) {});
}
