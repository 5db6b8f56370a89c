#pragma once
// Work cut into parts that several threads take one after another: the
// calling thread works too, and when the system gives fewer threads than
// asked, the parts go to those there are. Work must not throw: a part keeps
// its own failure for the caller to raise once every thread is done.
//
//   RunPartsOnThreads(parts.size(), 4, [&](size_t p) { MakePart(parts[p]); });

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/core/ScopeGuard.h"

// How many threads share Count items: one per PerThread items, no more than
// the machine runs at once or Max, and at least one.
inline size_t ThreadsFor(size_t Count, size_t PerThread, size_t Max) {
  size_t n = std::min<size_t>(std::thread::hardware_concurrency(), Count / PerThread);
  return std::clamp<size_t>(n, 1, Max);
}

// Count items cut into runs of about equal size, each a part with Begin and
// End: one run for one thread, else PartsPerThread runs a thread, so a slow
// run holds no thread up for long.
template <class TPart>
std::vector<TPart> CutIntoParts(size_t Count, size_t Threads, size_t PartsPerThread) {
  const size_t partCount = Threads == 1 ? 1 : Threads * PartsPerThread;
  std::vector<TPart> parts(partCount);
  for (size_t p = 0; p < partCount; ++p) {
    parts[p].Begin = Count * p / partCount;
    parts[p].End = Count * (p + 1) / partCount;
  }
  return parts;
}

template <class TWork>
void RunPartsOnThreads(size_t PartCount, size_t Threads, TWork Work) {
  std::atomic<size_t> next{0};
  auto takeParts = [&] {
    for (size_t p; (p = next.fetch_add(1)) < PartCount;) Work(p);
  };
  std::vector<std::thread> helpers;
  TScopeExit join([&] {
    for (std::thread& t : helpers) t.join();
  });
  try {
    for (size_t t = 1; t < Threads; ++t) helpers.emplace_back(takeParts);
  } catch (const std::system_error&) {
  }
  takeParts();
}

// One part of items read by ReadInHalves: its range and what reading it gave.
template <class TResult>
struct TReadPart {
  size_t Begin = 0, End = 0;
  TResult Result{};
};

// Count items read in two halves at once when Split, the caller and a helper
// thread each reading one, else in one part: reading scattered memory waits
// for it, and two cores draw on it faster than one. Read(Begin, End) reads a
// part; the parts come back in order.
template <class TResult, class TRead>
std::vector<TReadPart<TResult>> ReadInHalves(size_t Count, bool Split, TRead Read) {
  std::vector<TReadPart<TResult>> parts = CutIntoParts<TReadPart<TResult>>(Count, Split ? 2 : 1, 1);
  RunPartsOnThreads(parts.size(), parts.size(),
                    [&](size_t p) { parts[p].Result = Read(parts[p].Begin, parts[p].End); });
  return parts;
}
