#pragma once
// Memory lent to a build's work tables by memory the build fills afterwards:
// a tree's build reads its keys into tables it drops before it makes its
// nodes, in the node block mapped for them, whose pages come meanwhile (see
// TTreeNodeArenaEh::ReadyMemory). The tables then take no fresh pages of
// their own, each of which the kernel clears first.
//
//   TLentRoomEh room(block, blockBytes);
//   TLentTableEh<Int64> keys(count, TLentAllocatorEh<Int64>(&room));
//   ... ReleaseTable(keys) ...  // every table gone before the block is used
//
// Room is taken from the front and never handed out again; a table the room
// cannot hold comes from the heap.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <type_traits>
#include <vector>

#include "platform/core/Uncleared.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#endif

// Under the address sanitizer the room no table holds is poisoned, so a table
// read past its end or after it was given back is caught; the room is whole
// again for its owner once it is handed back.
class TLentRoomEh {
public:
  TLentRoomEh(std::byte* Data, size_t Bytes) : FStart(Data), FNext(Data), FEnd(Data ? Data + Bytes : nullptr) {
    Poison(FStart, Bytes, true);
  }
  ~TLentRoomEh() { HandBack(); }
  TLentRoomEh(const TLentRoomEh&) = delete;
  TLentRoomEh& operator=(const TLentRoomEh&) = delete;

  // Null when the rest of the room is too small.
  void* Take(size_t Bytes, size_t Align) {
    if (!FNext) return nullptr;
    const auto at = (reinterpret_cast<uintptr_t>(FNext) + Align - 1) / Align * Align;
    if (at + Bytes > reinterpret_cast<uintptr_t>(FEnd)) return nullptr;
    FNext = reinterpret_cast<std::byte*>(at + Bytes);
    ++FLive;
    Poison(reinterpret_cast<void*>(at), Bytes, false);
    return reinterpret_cast<void*>(at);
  }
  // False for memory from elsewhere.
  bool Give(void* P, size_t Bytes) {
    const auto at = reinterpret_cast<uintptr_t>(P);
    if (!FStart || at < reinterpret_cast<uintptr_t>(FStart) || at >= reinterpret_cast<uintptr_t>(FEnd)) return false;
    --FLive;
    if (FNext) Poison(P, Bytes, true);
    return true;
  }
  // The tables that still hold room.
  size_t Live() const { return FLive; }
  // The room goes back to its owner, whole: nothing more is taken from it.
  // Every table in it must be gone by then.
  void HandBack() {
    if (!FNext) return;
    Poison(FStart, static_cast<size_t>(FEnd - FStart), false);
    FNext = nullptr;
  }

private:
  static void Poison([[maybe_unused]] void* P, [[maybe_unused]] size_t Bytes, [[maybe_unused]] bool Poisoned) {
#if defined(__SANITIZE_ADDRESS__)
    if (!P) return;
    if (Poisoned) ASAN_POISON_MEMORY_REGION(P, Bytes);
    else ASAN_UNPOISON_MEMORY_REGION(P, Bytes);
#endif
  }

  std::byte* FStart;
  std::byte* FNext;
  std::byte* FEnd;
  size_t FLive = 0;
};

// Room for a table from a lent room, or from the heap without one or beyond
// it. Elements are left as they come, as TUnclearedVector leaves them: give a
// value to have them set. The room goes with the table when it is moved or
// swapped, so ReleaseTable gives a table's room back.
template <class T>
struct TLentAllocatorEh : TUnclearedConstruct {
  using value_type = T;
  using propagate_on_container_copy_assignment = std::true_type;
  using propagate_on_container_move_assignment = std::true_type;
  using propagate_on_container_swap = std::true_type;
  using is_always_equal = std::false_type;

  TLentAllocatorEh() = default;
  explicit TLentAllocatorEh(TLentRoomEh* ARoom) : Room(ARoom) {}
  template <class U>
  TLentAllocatorEh(const TLentAllocatorEh<U>& Other) noexcept : Room(Other.Room) {}

  T* allocate(size_t Count) {
    if (Room)
      if (void* p = Room->Take(Count * sizeof(T), alignof(T))) return static_cast<T*>(p);
    return std::allocator<T>().allocate(Count);
  }
  void deallocate(T* P, size_t Count) {
    if (!Room || !Room->Give(P, Count * sizeof(T))) std::allocator<T>().deallocate(P, Count);
  }
  friend bool operator==(const TLentAllocatorEh& A, const TLentAllocatorEh& B) { return A.Room == B.Room; }

  TLentRoomEh* Room = nullptr;
};

template <class T>
using TLentTableEh = std::vector<T, TLentAllocatorEh<T>>;
