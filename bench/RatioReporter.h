#pragma once
// A benchmark program prints each figure beside its baseline, measured in the
// same run: this reporter prints the usual table and keeps every benchmark's
// time per iteration so that main can print the ratios afterwards. It also
// keeps the benchmarks that reported an error, and the program then fails, so
// `make bench` does not pass over a figure that was never measured.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

class TRatioReporter : public benchmark::ConsoleReporter {
public:
  enum TClock { CpuTime, WallTime };
  explicit TRatioReporter(TClock Clock = CpuTime) : FClock(Clock) {}

  std::map<std::string, double> Seconds;
  std::vector<std::string> Failed;

  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs) {
      if (r.error_occurred) Failed.push_back(r.benchmark_name() + ": " + r.error_message);
      // A benchmark run several times is represented by its median.
      if (r.run_type == Run::RT_Aggregate && r.aggregate_name != "median") continue;
      if (r.iterations <= 0) continue;
      const double total = FClock == CpuTime ? r.cpu_accumulated_time : r.real_accumulated_time;
      Seconds[r.run_name.function_name] = total / static_cast<double>(r.iterations);
    }
    ConsoleReporter::ReportRuns(runs);
  }
  // Seconds per iteration of a benchmark that ran, else 0.
  double Of(const std::string& Name) const {
    const auto it = Seconds.find(Name);
    return it == Seconds.end() ? 0 : it->second;
  }

private:
  TClock FClock;
};

// Runs the benchmarks with a ratio reporter, then hands it to Report.
template <class TReport>
int RunWithRatios(int argc, char** argv, TRatioReporter::TClock Clock, TReport Report) {
  benchmark::Initialize(&argc, argv);
  TRatioReporter reporter(Clock);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  Report(reporter);
  benchmark::Shutdown();
  for (const std::string& f : reporter.Failed) std::fprintf(stderr, "benchmark failed: %s\n", f.c_str());
  return reporter.Failed.empty() ? 0 : 1;
}
