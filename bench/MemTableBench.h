#pragma once
// What the benchmarks of the in-memory dataset and its users share: wall-clock
// and CPU timers, and the figures of the harness (bench/RatioReporter.h).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <vector>

#include "bench/RatioReporter.h"

// The mean time of one call of f, in milliseconds, over repeats calls.
template <class F>
double Millis(F&& f, int repeats = 1) {
  auto t0 = std::chrono::steady_clock::now();
  for (int k = 0; k < repeats; ++k) f();
  auto t1 = std::chrono::steady_clock::now();
  return std::chrono::duration<double, std::milli>(t1 - t0).count() / repeats;
}

// The process's CPU time so far, in milliseconds: every thread's.
inline double ProcessCpuMs() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// One call of f on the wall clock, with the CPU time of all threads beside it.
template <class F>
TTimes WallAndCpu(F&& f) {
  const double cpu0 = ProcessCpuMs();
  const double ms = Millis(f);
  return TTimes{ms, ProcessCpuMs() - cpu0};
}

// Turns rounds of a figure and its baseline, each round measuring both, after
// a round left out. The first run of a piece of work in a process pays for
// memory that later runs reuse (fresh pages, an index's node blocks, whose
// first pages the kernel may have to compact memory for), and a side run right
// after the other finds the caches as the other left them; either would weigh
// on whichever side runs first. So both sides run once before anything counts,
// and the side that runs first alternates from round to round.
// Round(Counted, FigureFirst) runs a round; it records the figure when Counted.
template <class TRound>
void AlternatedRounds(int Turns, TRound&& Round) {
  for (int turn = -1; turn < Turns; ++turn) Round(turn >= 0, turn % 2 == 0);
}

// MeasureFigure() then MeasureBaseline(), or the other way round.
template <class TFigure, class TBaseline>
void BothInOrder(bool FigureFirst, TFigure&& MeasureFigure, TBaseline&& MeasureBaseline) {
  if (FigureFirst) {
    MeasureFigure();
    MeasureBaseline();
  } else {
    MeasureBaseline();
    MeasureFigure();
  }
}

// A figure and its baseline among the counters only (for figures the summary
// does not list).
inline void Report(benchmark::State& state, double measuredMs, double baselineMs) {
  state.counters["measured_ms"] = measuredMs;
  state.counters["baseline_ms"] = baselineMs;
  state.counters["ratio"] = measuredMs / baselineMs;
}

// True when Result holds Baseline's items in Baseline's order, save that items
// of equal keys (SameKey) may come in another order among themselves: the same
// records in the same order, for sorts that keep ties as they please.
template <class T, class TSameKey>
bool SameOrderUpToTies(const std::vector<T>& Result, const std::vector<T>& Baseline, TSameKey&& SameKey) {
  if (Result.size() != Baseline.size()) return false;
  for (size_t i = 0; i < Result.size(); ++i)
    if (!SameKey(Result[i], Baseline[i])) return false;
  std::vector<T> a = Result, b = Baseline;
  std::sort(a.begin(), a.end());
  std::sort(b.begin(), b.end());
  return a == b;
}

// True when Shown (rows 0 .. n-1 as a tree-mode view shows them, every node
// expanded) is the walk of a plain model tree: each row under the row
// Parent(row) names (negative for a root), the children of each in the order
// Baseline holds them, each child followed by its own subtree. Siblings of
// equal keys (SameKey) may come in either order among themselves, each with its
// subtree, for sorts that keep ties as they please.
template <class TRow, class TParent, class TSameKey>
bool IsModelTreeWalk(const std::vector<TRow>& Shown, const std::vector<TRow>& Baseline, TParent&& Parent,
                     TSameKey&& SameKey) {
  const size_t n = Baseline.size(), root = n;
  if (Shown.size() != n) return false;
  std::vector<std::vector<TRow>> children(n + 1);
  for (TRow row : Baseline) {
    const auto parent = Parent(row);
    if (row < 0 || static_cast<size_t>(row) >= n || (parent >= 0 && static_cast<size_t>(parent) >= n)) return false;
    children[parent < 0 ? root : static_cast<size_t>(parent)].push_back(row);
  }
  std::vector<size_t> next(n + 1, 0);
  std::vector<size_t> path{root};
  for (TRow row : Shown) {
    while (!path.empty() && next[path.back()] == children[path.back()].size()) path.pop_back();
    if (path.empty()) return false;
    std::vector<TRow>& siblings = children[path.back()];
    const size_t at = next[path.back()]++;
    size_t j = at;
    while (j < siblings.size() && siblings[j] != row && SameKey(siblings[at], siblings[j])) ++j;
    if (j == siblings.size() || siblings[j] != row || !SameKey(siblings[at], siblings[j])) return false;
    std::swap(siblings[at], siblings[j]);
    path.push_back(static_cast<size_t>(row));
  }
  return true;
}
