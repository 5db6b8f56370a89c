#pragma once
// QuickSortRange: the one quicksort of the string list, the bookmark list, the
// in-memory table and its tree (TStringList::QuickSort, TBMListEh::CustomSort,
// QuickSortEh, TBaseTreeNodeEh::SortData). It sorts the places L..R of a range
// it reaches only through an adapter, so that each caller keeps its own way of
// reading and exchanging items:
//
//   Compare(A, B)                   the item at A against the item at B: negative,
//                                   0 or positive
//   Exchange(A, B)                  swaps the items at A and B
//   Pivot(P)                        what a pass partitions around, taken from the
//                                   item now at P (the routine keeps it for the pass)
//   CompareToPivot(A, Pivot, P)     the item at A against that pivot
//   kPivotByPlace                   true when the pivot is read at its place P: the
//                                   routine then follows its item to P as it moves
//
// TSortByValue adapts items read by value (the pivot held as a copy for its
// pass), TSortByIndex a comparison that reads the items by their places (the
// pivot is a place, and follows its item).
//
// How a range is sorted:
//   - below kSmallSortRange items: the classic pass, the middle item as the
//     pivot, scans while less and while greater, an exchange when I <= J. Small
//     sorts keep the order of equal keys they always had.
//   - from kSmallSortRange on: the same pass around the median of three medians
//     of three items spread over the range, so that runs, rises and falls split
//     near their middle;
//   - every pass recurses into its smaller part and loops on the larger, so the
//     stack holds at most log2(n) frames;
//   - a range still large after 2 * log2(n) passes along its path (the depth
//     budget, which passes that split near the middle never use up) is finished
//     by a heap sort, which cannot degrade.
// So no key order costs more than O(n log n) comparisons.
// The comparison need not be an order: scans stop at the range's ends, every
// place the routine reads or writes lies inside L..R, and exchanges only ever
// permute the items.

#include <bit>
#include <type_traits>
#include <utility>

#include "platform/core/Types.h"

// Ranges below this many items take the middle item as their pivot.
inline constexpr Integer kSmallSortRange = 64;

namespace quicksort_detail {

// The place of the median of the items at A, B and C (one of the three, whatever
// the comparison answers).
template <class TItems>
Integer MedianOfThree(TItems& Items, Integer A, Integer B, Integer C) {
  if (Items.Compare(A, B) < 0) {
    if (Items.Compare(B, C) < 0) return B;
    return Items.Compare(A, C) < 0 ? C : A;
  }
  if (Items.Compare(A, C) < 0) return A;
  return Items.Compare(B, C) < 0 ? C : B;
}

// The pivot's place: the middle of a small range, else the median of three
// medians of three items spread over it.
template <class TItems>
Integer PivotPlace(TItems& Items, Integer L, Integer R) {
  const Integer M = static_cast<Integer>(static_cast<unsigned>(L + R) >> 1);
  if (R - L + 1 < kSmallSortRange) return M;
  const Integer S = (R - L) / 8;
  return MedianOfThree(Items, MedianOfThree(Items, L, L + S, L + 2 * S), MedianOfThree(Items, M - S, M, M + S),
                       MedianOfThree(Items, R - 2 * S, R - S, R));
}

template <class TItems>
void SiftDown(TItems& Items, Integer L, Integer Root, Integer Count) {
  for (;;) {
    Integer Child = 2 * Root + 1;
    if (Child >= Count) return;
    if (Child + 1 < Count && Items.Compare(L + Child, L + Child + 1) < 0) ++Child;
    if (Items.Compare(L + Root, L + Child) >= 0) return;
    Items.Exchange(L + Root, L + Child);
    Root = Child;
  }
}

template <class TItems>
void HeapSort(TItems& Items, Integer L, Integer R) {
  const Integer Count = R - L + 1;
  for (Integer Root = Count / 2 - 1; Root >= 0; --Root) SiftDown(Items, L, Root, Count);
  for (Integer Last = Count - 1; Last > 0; --Last) {
    Items.Exchange(L, L + Last);
    SiftDown(Items, L, 0, Last);
  }
}

// Sorts L..R with Budget passes over large ranges left before a heap sort takes over.
template <class TItems>
void SortPart(TItems& Items, Integer L, Integer R, Integer Budget) {
  while (L < R) {
    const bool Large = R - L + 1 >= kSmallSortRange;
    if (Large && Budget-- <= 0) {
      HeapSort(Items, L, R);
      return;
    }
    Integer P = PivotPlace(Items, L, R);
    // A local, so that the scans compare against a value the exchanges cannot reach.
    const auto Pivot = Items.Pivot(P);
    Integer I = L, J = R;
    do {
      while (I < R && Items.CompareToPivot(I, Pivot, P) < 0) ++I;
      while (J > L && Items.CompareToPivot(J, Pivot, P) > 0) --J;
      if (I <= J) {
        if (I != J) {
          Items.Exchange(I, J);
          if constexpr (std::remove_cvref_t<TItems>::kPivotByPlace) {
            if (P == I) P = J;
            else if (P == J) P = I;
          }
        }
        ++I;
        --J;
      }
    } while (I <= J);
    // L < I and J < R: both parts are smaller than L..R.
    if (J - L < R - I) {
      if (L < J) SortPart(Items, L, J, Budget);
      L = I;
    } else {
      if (I < R) SortPart(Items, I, R, Budget);
      R = J;
    }
  }
}

}  // namespace quicksort_detail

// Sorts the places L..R of Items (the adapter above); nothing outside L..R is read
// or written. Does nothing when R <= L.
template <class TItems>
void QuickSortRange(TItems&& Items, Integer L, Integer R) {
  if (L < 0 || R <= L) return;
  // Twice the depth of a pass that always halves the range.
  const auto Depth = static_cast<Integer>(std::bit_width(static_cast<unsigned>(R - L + 1))) - 1;
  quicksort_detail::SortPart(Items, L, R, 2 * Depth);
}

// Items read by value through At(Place); the pivot is a copy of its item, kept
// for its pass (so the comparison sees the same pivot whatever moves).
template <class TAt, class TCompare, class TExchange>
class TSortByValue {
public:
  static constexpr bool kPivotByPlace = false;
  TSortByValue(TAt At, TCompare Cmp, TExchange Exchange)
      : FAt(std::move(At)), FCmp(std::move(Cmp)), FExchange(std::move(Exchange)) {}
  auto Compare(Integer A, Integer B) { return FCmp(FAt(A), FAt(B)); }
  void Exchange(Integer A, Integer B) { FExchange(A, B); }
  auto Pivot(Integer P) { return std::remove_cvref_t<decltype(FAt(P))>(FAt(P)); }
  template <class TPivot>
  auto CompareToPivot(Integer A, const TPivot& Pivot, Integer) {
    return FCmp(FAt(A), Pivot);
  }

private:
  TAt FAt;
  TCompare FCmp;
  TExchange FExchange;
};

// A comparison that reads the items by their places: the pivot is the place of
// its item, which the routine follows as the item moves.
template <class TCompare, class TExchange>
class TSortByIndex {
public:
  static constexpr bool kPivotByPlace = true;
  TSortByIndex(TCompare Cmp, TExchange Exchange) : FCmp(std::move(Cmp)), FExchange(std::move(Exchange)) {}
  auto Compare(Integer A, Integer B) { return FCmp(A, B); }
  void Exchange(Integer A, Integer B) { FExchange(A, B); }
  struct TNoPivot {};
  TNoPivot Pivot(Integer) { return {}; }
  auto CompareToPivot(Integer A, TNoPivot, Integer P) { return FCmp(A, P); }

private:
  TCompare FCmp;
  TExchange FExchange;
};
