#pragma once
// The benchmarks' targets, one place for all of them: bench/README.md lists
// the same figures, each with its baseline, its target and how to run it. A
// benchmark prints its target from here and never a figure of its own.
#include <cstdio>
#include <string>

// A figure within a ratio of its baseline, or under a time; or no target (a
// figure printed for reference).
struct TTarget {
  enum TKind { None, Ratio, Under } Kind = None;
  double Value = 0;  // the ratio, or milliseconds
};
constexpr TTarget NoTarget() { return {}; }
constexpr TTarget WithinRatio(double Ratio) { return {TTarget::Ratio, Ratio}; }
constexpr TTarget UnderMs(double Ms) { return {TTarget::Under, Ms}; }

namespace Targets {
// The in-memory dataset, 1,000,000 records.
constexpr TTarget SortByIntegers = WithinRatio(1.5);     // std::sort of row numbers over the same keys
constexpr TTarget SortByText = WithinRatio(1.0);         // std::sort over precomputed ICU sort keys
constexpr TTarget FilterAgainstLoop = WithinRatio(2);    // a hand-written loop over the same condition
constexpr TTarget FilterAgainstSqlite = WithinRatio(1);  // SQLite's full scan in memory
constexpr TTarget LocateThroughIndex = WithinRatio(3);   // a binary search over the same keys
constexpr TTarget TreeModeOpen = WithinRatio(2);         // a sort (100,000 and 1,000,000 records)
constexpr TTarget TreeModeFirstOpen = WithinRatio(2);    // the first flat sort in a fresh process
constexpr TTarget LocateInTree = WithinRatio(3);         // Locate in the flat table
// The first Locate after a table of 1,000,000 records is loaded, against the
// first binary search over the same keys just sorted: shown for reference.
// The Locate runs the dataset's search code for the first time, reads index
// nodes and records no cache holds yet, and wakes the helper that makes the
// index's pages huge; the baseline reads an array its sort has just left in
// the cache.
constexpr TTarget FirstLocateAfterLoad = NoTarget();
// Sorted by keys in two ascending runs, rising then falling, already sorted,
// all equal: against the same keys in random order (all equal: distinct keys
// in random order). Ordered keys split evenly and sort faster than random ones;
// a degrading sort shows as a figure above these. A tree-mode open spends much
// of its time building the tree, whatever the order, so its figure lies nearer 1.
constexpr TTarget KeyOrderSortAgainstRandom = WithinRatio(0.8);      // SortByFields, SortOrder
constexpr TTarget KeyOrderTreeOpenAgainstRandom = WithinRatio(1.0);  // a tree-mode open
// The data grid over that dataset.
constexpr TTarget RepaintAgainstFloor = WithinRatio(2);  // the text-shaped-once floor
constexpr TTarget PageScrollAgainstRepaint = WithinRatio(2);
constexpr TTarget MillionAgainstThousand = WithinRatio(1.2);  // the same figure over 1,000 records
constexpr TTarget GridSortAndFilter = WithinRatio(1.2);       // the same order or filter set on the table
// Export of 100,000 records, against writing the same bytes directly.
constexpr TTarget Export = WithinRatio(3);
// The resource list file of 100,000 lines.
constexpr TTarget ResourceListLoad = WithinRatio(3);  // the bare parse
constexpr TTarget ResourceListSave = WithinRatio(3);  // the bare write
// A search's own cost per resource, against an asynchronous ZOOM search.
constexpr TTarget SearchPerResource = WithinRatio(2);
// A fetch of 50,000 records through the search process against the same fetch of 10,000.
constexpr TTarget FetchGrowth = WithinRatio(15);
// A fetch of 53,000 records through the search process against the same fetch
// in the benchmark's own process.
constexpr TTarget FetchThroughSearchProcess = WithinRatio(1.1);
// What a 200 ms round trip adds to a fetch of 53,000 records, against the same fetch near.
constexpr TTarget DistantFetch = UnderMs(8000);
// Memory peaks.
constexpr TTarget TableMemory = WithinRatio(2.5);         // a std::vector of structs
constexpr TTarget ResourceListMemory = WithinRatio(1.3);  // a plain parse into UTF-16 strings
constexpr TTarget SearchRunMemory = WithinRatio(4);       // the records' bytes held once
// The tree editor and the edit fields.
constexpr TTarget SubtreeDelete = UnderMs(1000);
// "The same cost whatever the text before it": a character after a long text
// within the 1.2x a figure is allowed over its small-table self.
constexpr TTarget TypingAfterLongText = WithinRatio(1.2);
}  // namespace Targets

// Whether a figure of Value (a ratio, or milliseconds for a time target) is
// over its target; a figure without one never is.
inline bool OverTarget(TTarget Target, double Value) {
  switch (Target.Kind) {
    case TTarget::Ratio: return Value > Target.Value;
    case TTarget::Under: return Value >= Target.Value;
    default: return false;
  }
}

// "target 2 or less: holds" for a figure of Value (a ratio, or milliseconds
// for a time target); a figure whose benchmark failed a check is never said to
// hold. bench/run.sh reads ": OVER" from these words.
inline std::string TargetVerdict(TTarget Target, double Value, bool Failed) {
  char text[96];
  const char* verdict = Failed ? "CHECK FAILED" : OverTarget(Target, Value) ? "OVER" : "holds";
  switch (Target.Kind) {
    case TTarget::Ratio: std::snprintf(text, sizeof text, "target %.2g or less: %s", Target.Value, verdict); break;
    case TTarget::Under: std::snprintf(text, sizeof text, "target under %.4g ms: %s", Target.Value, verdict); break;
    default: std::snprintf(text, sizeof text, "no target%s", Failed ? ": CHECK FAILED" : ""); break;
  }
  return text;
}
