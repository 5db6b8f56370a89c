#pragma once
// What the benchmarks of the in-memory dataset and its users share: a wall-clock
// timer, the counters that set each figure beside its baseline, and the figures'
// summary printed after the run: each figure beside its baseline, their ratio and
// the target DESIGN.md section 7 sets for it (the medians where a benchmark runs
// several times).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

// The mean time of one call of f, in milliseconds, over repeats calls.
template <class F>
double Millis(F&& f, int repeats = 1) {
  auto t0 = std::chrono::steady_clock::now();
  for (int k = 0; k < repeats; ++k) f();
  auto t1 = std::chrono::steady_clock::now();
  return std::chrono::duration<double, std::milli>(t1 - t0).count() / repeats;
}

inline void Report(benchmark::State& state, double measuredMs, double baselineMs) {
  state.counters["measured_ms"] = measuredMs;
  state.counters["baseline_ms"] = baselineMs;
  state.counters["ratio"] = measuredMs / baselineMs;
}

// A target of DESIGN.md section 7: the figure within a ratio of its baseline, or
// under a time; or none, for a figure the design sets no target for.
struct TTarget {
  enum TKind { None, Ratio, Under } Kind = None;
  double Value = 0;  // the ratio, or milliseconds
};
inline TTarget NoTarget() { return {}; }
inline TTarget WithinRatio(double Ratio) { return {TTarget::Ratio, Ratio}; }
inline TTarget UnderMs(double Ms) { return {TTarget::Under, Ms}; }

struct TFigureRecord {
  std::string What, Baseline;
  TTarget Target;
  std::vector<double> Measured, Base;
};

inline std::vector<TFigureRecord>& Figures() {
  static std::vector<TFigureRecord> figures;
  return figures;
}

// Keeps one run of a figure for the summary and shows its ratio among the
// counters, as "ratio" or, for a figure set against more than one baseline or
// several figures of one benchmark, as "<Key>_ratio".
inline void Figure(benchmark::State& state, const std::string& What, double MeasuredMs,
                   const std::string& Baseline, double BaselineMs, TTarget Target,
                   const std::string& Key = "baseline") {
  if (Key == "baseline") {
    state.counters["measured_ms"] = MeasuredMs;
    state.counters["baseline_ms"] = BaselineMs;
    state.counters["ratio"] = MeasuredMs / BaselineMs;
  } else {
    state.counters[Key + "_ratio"] = MeasuredMs / BaselineMs;
  }
  std::vector<TFigureRecord>& all = Figures();
  auto it = std::find_if(all.begin(), all.end(),
                         [&](const TFigureRecord& f) { return f.What == What && f.Baseline == Baseline; });
  if (it == all.end()) it = all.insert(all.end(), TFigureRecord{What, Baseline, Target, {}, {}});
  it->Measured.push_back(MeasuredMs);
  it->Base.push_back(BaselineMs);
}

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

inline void PrintFigures() {
  if (Figures().empty()) return;
  std::printf("\nFigures beside their baselines and DESIGN.md targets:\n");
  for (const TFigureRecord& f : Figures()) {
    const double measured = MedianOf(f.Measured), base = MedianOf(f.Base);
    std::vector<double> ratios;
    for (size_t i = 0; i < f.Measured.size(); ++i) ratios.push_back(f.Measured[i] / f.Base[i]);
    const double ratio = MedianOf(ratios);
    std::string target = "no target";
    if (f.Target.Kind == TTarget::Ratio) {
      char text[64];
      std::snprintf(text, sizeof text, "target %.2g or less: %s", f.Target.Value,
                    ratio <= f.Target.Value ? "holds" : "over");
      target = text;
    } else if (f.Target.Kind == TTarget::Under) {
      target = "target under " + FormatMs(f.Target.Value) + ": " + (measured < f.Target.Value ? "holds" : "over");
    }
    std::printf("  %s: %s | %s: %s | ratio %.2f | %s%s\n", f.What.c_str(), FormatMs(measured).c_str(),
                f.Baseline.c_str(), FormatMs(base).c_str(), ratio, target.c_str(),
                f.Measured.size() > 1 ? " (medians)" : "");
  }
}

// A benchmark program's main: runs the benchmarks, then prints the figures.
inline int RunBenchmarksWithFigures(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  PrintFigures();
  benchmark::Shutdown();
  return 0;
}
