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

void TPagesAheadEh::Start(std::initializer_list<TRange> Ranges) {
  Wait();
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
    FHelper = std::thread([pages = std::move(pages)] {
      // A megabyte at a time: the kernel holds the process's map of memory
      // shared while it gives pages, and the caller mapping a table
      // meanwhile would wait until the whole range was done.
      constexpr size_t kStep = size_t{1} << 20;
      for (const TRange& r : pages)
        for (size_t at = 0; at < r.Bytes; at += kStep)
          // MADV_POPULATE_WRITE faults the pages in as a write would, and
          // writes nothing. A kernel without it refuses the first step: none follow.
          if (madvise(static_cast<std::byte*>(const_cast<void*>(r.Data)) + at, std::min(kStep, r.Bytes - at),
                      MADV_POPULATE_WRITE) != 0)
            return;
    });
  } catch (const std::system_error&) {
    // No thread: the pages come as the caller writes them.
  }
}

void TPagesAheadEh::Wait() {
  if (FHelper.joinable()) FHelper.join();
}
