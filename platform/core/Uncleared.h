#pragma once
// Vectors of plain values for large work tables that are written before they
// are read: growing one leaves the new elements as they come instead of
// clearing them first, which for tables of millions of entries is a pass of
// its own over memory the caller fills anyway. Elements with constructors of
// their own are still constructed.
//
//   TUnclearedVector<Integer> place(Count);  // every place[i] set below

#include <memory>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

// What makes an allocator leave the elements it constructs without a value
// as they come: a value given is still set.
struct TUnclearedConstruct {
  template <class U>
  void construct(U* P) noexcept(std::is_nothrow_default_constructible_v<U>) {
    ::new (static_cast<void*>(P)) U;
  }
  template <class U, class... TArgs>
  void construct(U* P, TArgs&&... Args) {
    ::new (static_cast<void*>(P)) U(std::forward<TArgs>(Args)...);
  }
};

template <class T>
struct TUnclearedAllocator : std::allocator<T>, TUnclearedConstruct {
  // Named here: where std::allocator still declares construct (C++17), the
  // two bases' would be ambiguous, and the vector would construct, and clear,
  // the elements itself.
  using TUnclearedConstruct::construct;
  template <class U>
  struct rebind {
    using other = TUnclearedAllocator<U>;
  };
  TUnclearedAllocator() = default;
  template <class U>
  TUnclearedAllocator(const TUnclearedAllocator<U>&) noexcept {}
};

template <class T>
using TUnclearedVector = std::vector<T, TUnclearedAllocator<T>>;

// Gives a work table's memory back before the work goes on.
template <class TVector>
void ReleaseTable(TVector& Table) {
  TVector().swap(Table);
}
