#pragma once
// Pages for large work memory, given on a helper thread while the caller goes
// on. The first write to each fresh page costs a fault, in which the kernel
// clears the page (and on a virtual machine the host often backs it first);
// for the tables of a load of a million records that is tens of milliseconds,
// the more so for huge pages. The helper asks the kernel for the pages
// without writing to them, so the caller may read and write the memory all
// the while: a page the caller reaches first is simply not faulted twice.
//
//   TPagesAheadEh pages;
//   pages.Start({{keys.data(), keys.capacity() * sizeof(keys[0])}});
//   ... fill keys ...
//   // the memory may be freed once pages.Wait() returned (the destructor waits)

#include <cstddef>
#include <initializer_list>
#include <thread>

class TPagesAheadEh {
public:
  struct TRange {
    const void* Data;
    size_t Bytes;
  };

  TPagesAheadEh() = default;
  ~TPagesAheadEh() { Wait(); }
  TPagesAheadEh(const TPagesAheadEh&) = delete;
  TPagesAheadEh& operator=(const TPagesAheadEh&) = delete;

  // Gives the ranges their pages one after another, in the order given (the
  // order the caller needs them); a null range is passed over. Nothing starts
  // for fewer than kWorthIt bytes in all: there the thread would cost more
  // than the faults. Waits for a start before. Without a thread, or on a
  // kernel that cannot give pages without a write, the pages come as the
  // caller writes them, as they would anyway.
  void Start(std::initializer_list<TRange> Ranges);
  // Returns once the helper is done; the memory may go only after.
  void Wait();

  static constexpr size_t kWorthIt = size_t{1} << 20;

private:
  std::thread FHelper;
};
