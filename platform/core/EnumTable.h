#pragma once
// Tables indexed by an enumeration: one row per value, each row naming its own
// value first. CoversEveryValue is the compile-time check such a table keeps
// beside it,
//
//   static_assert(CoversEveryValue(FieldTypeInfos, FieldTypeCount));
//
// so that a value added to the enumeration without its row, or rows put out of
// order, stop the build instead of reading the wrong row.

#include <cstddef>

template <class Row, std::size_t N>
constexpr bool CoversEveryValue(const Row (&Table)[N], int Count) {
  if (static_cast<int>(N) != Count) return false;
  for (std::size_t i = 0; i < N; ++i)
    if (static_cast<int>(Table[i].Value) != static_cast<int>(i)) return false;
  return true;
}
