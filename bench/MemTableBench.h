#pragma once
// What the in-memory dataset benchmarks share: a wall-clock timer and the
// reporter that sets each figure beside its baseline.
#include <benchmark/benchmark.h>

#include <chrono>

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
