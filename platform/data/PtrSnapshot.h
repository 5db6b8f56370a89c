#pragma once
// A copy of a list of pointers taken before notifying them, so a listener may
// leave the list while it is being walked. Short lists (the usual case) are
// copied onto the stack: notifying on every cursor step allocates nothing.

#include <algorithm>
#include <cstddef>
#include <vector>

template <class T>
class TPtrSnapshot {
public:
  explicit TPtrSnapshot(const std::vector<T*>& list) : FSize(list.size()) {
    if (FSize <= InlineSize) {
      std::copy(list.begin(), list.end(), FInline);
      FData = FInline;
    } else {
      FHeap = list;
      FData = FHeap.data();
    }
  }
  TPtrSnapshot(const TPtrSnapshot&) = delete;
  TPtrSnapshot& operator=(const TPtrSnapshot&) = delete;
  T* const* begin() const { return FData; }
  T* const* end() const { return FData + FSize; }
  size_t size() const { return FSize; }

private:
  static constexpr size_t InlineSize = 16;
  T* FInline[InlineSize];
  std::vector<T*> FHeap;
  T* const* FData;
  size_t FSize;
};

// Whether p is still in the list (it may have left while others were told).
template <class T>
bool StillListed(const std::vector<T*>& list, const T* p) {
  return std::find(list.begin(), list.end(), p) != list.end();
}
