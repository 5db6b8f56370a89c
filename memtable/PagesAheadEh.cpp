#include "memtable/PagesAheadEh.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <system_error>
#include <vector>

#include <sys/mman.h>
#include <unistd.h>

// Known to kernels from 5.14 on; older C library headers may not name it, and
// an older kernel refuses it.
#ifndef MADV_POPULATE_WRITE
#define MADV_POPULATE_WRITE 23
#endif
// Known to kernels from 6.1 on.
#ifndef MADV_COLLAPSE
#define MADV_COLLAPSE 25
#endif

void TPagesAheadEh::Launch(std::initializer_list<TRange> Ranges, bool Huge) {
  Wait();
  FStop = false;
  FGo = !Huge;
  // Whole pages inside each range: the partial pages at its ends may belong
  // to other memory, and come with the caller's first write.
  const auto page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
  std::vector<TRange> pages;
  size_t bytes = 0;
  for (const TRange& r : Ranges) {
    if (!r.Data) continue;
    const auto from = (reinterpret_cast<uintptr_t>(r.Data) + page - 1) / page * page;
    const auto to = (reinterpret_cast<uintptr_t>(r.Data) + r.Bytes) / page * page;
    if (from >= to) continue;
    pages.push_back({reinterpret_cast<const void*>(from), to - from});
    bytes += to - from;
  }
  if (bytes < kWorthIt) return;
  try {
    FHelper = std::thread([pages = std::move(pages), Huge, &go = FGo, &stop = FStop] {
      go.wait(false);
      // A megabyte at a time, a huge page when making them: the kernel holds
      // the process's map of memory while it works, and the caller mapping a
      // table meanwhile would wait until the whole range was done. The steps
      // end on multiples of their size, so each holds whole huge pages.
      const uintptr_t step = uintptr_t{Huge ? 2u : 1u} << 20;
      // MADV_POPULATE_WRITE faults the pages in as a write would, and writes
      // nothing; MADV_COLLAPSE copies plain pages into a huge one. A kernel
      // without them refuses the first step, and one short of huge pages
      // another: none follow.
      const int advice = Huge ? MADV_COLLAPSE : MADV_POPULATE_WRITE;
      for (const TRange& r : pages)
        for (auto at = reinterpret_cast<uintptr_t>(r.Data), end = at + r.Bytes; at < end && !stop;) {
          const uintptr_t to = std::min(end, (at / step + 1) * step);
          if (madvise(reinterpret_cast<void*>(at), to - at, advice) != 0) return;
          at = to;
        }
    });
  } catch (const std::system_error&) {
    // No thread: the pages come as the caller writes them.
  }
}

bool TPagesAheadEh::CanMakeHuge() {
  // An advice the kernel does not know is refused even for no bytes at all.
  static const bool known = madvise(nullptr, 0, MADV_COLLAPSE) == 0;
  return known;
}

void TPagesAheadEh::Wait() {
  if (!FGo) {
    FStop = true;
    Go();
  }
  if (FHelper.joinable()) FHelper.join();
}

void TPagesAheadEh::Stop() {
  FStop = true;
  Wait();
}
