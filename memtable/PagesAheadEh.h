#pragma once
// Pages for large work memory, given on a helper thread while the caller goes
// on. The first write to each fresh page costs a fault, in which the kernel
// clears the page (and on a virtual machine the host often backs it first);
// for the tables of a load of a million records that is tens of milliseconds,
// the more so for huge pages. The helper asks the kernel for the pages
// without writing to them, so the caller may read and write the memory all
// the while: a page the caller reaches first is simply not faulted twice.
//
// The same helper makes written pages huge, once it is told to go
// (MakeHugeOnGo): the kernel copies them into fresh huge pages, milliseconds
// for each, while the memory is read, and whatever tells it does not wait for
// a thread to start.
//
//   TPagesAheadEh pages;
//   pages.Start({{keys.data(), keys.capacity() * sizeof(keys[0])}});
//   ... fill keys ...
//   // the memory may be freed once pages.Wait() returned (the destructor waits)

#include <atomic>
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
  void Start(std::initializer_list<TRange> Ranges) { Launch(Ranges, false); }
  // The same, but the huge pages lying whole in the ranges are made of their
  // plain ones, what they hold kept, once Go is called. Without a thread, or
  // on a kernel that cannot or is short of huge pages, the pages stay plain.
  void MakeHugeOnGo(std::initializer_list<TRange> Ranges) { Launch(Ranges, true); }
  // Whether the kernel can make written pages huge as MakeHugeOnGo asks.
  static bool CanMakeHuge();
  // Lets a helper waiting for it work, and returns at once; several threads
  // may call it at once.
  void Go() {
    if (!FGo.load(std::memory_order_relaxed) && !FGo.exchange(true)) FGo.notify_one();
  }
  // Returns once the helper is done (one still waiting for Go ends without
  // working); the memory may go only after.
  void Wait();
  // The same, the helper leaving off after the step it is in (a huge page at most).
  void Stop();

  static constexpr size_t kWorthIt = size_t{1} << 20;

private:
  void Launch(std::initializer_list<TRange> Ranges, bool Huge);

  std::thread FHelper;
  std::atomic<bool> FGo = true;
  std::atomic<bool> FStop = false;
};

// From this many records on, an index's load and a tree's build read the
// records' keys in two halves at once (ReadInHalves).
constexpr size_t kKeysReadInHalvesFrom = size_t{1} << 18;
