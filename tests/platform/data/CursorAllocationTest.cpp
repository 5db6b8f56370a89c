// Scrolling through a dataset must not allocate in the framework: the window
// only rotates buffer handles, and notifying sources and links copies their
// lists onto the stack. Allocations are counted by replacing operator new for
// this test program; the count is read only around the scrolling loop.

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "TestDataSet.h"

namespace {
std::atomic<long> Allocations{0};
}

#if defined(__GNUC__) && !defined(__clang__)
// g++ at -Os inlines these replacements and takes the free() below for a free
// of memory that came from new.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

void* operator new(std::size_t n) {
  Allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t n) {
  Allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace {

TEST(CursorAllocation, ScrollingAllocatesNothing) {
  TTestDataSet ds;
  ds.GetFieldDefs()->Add(u"N", ftInteger);
  ds.GetFieldDefs()->Add(u"M", ftInteger);
  for (int i = 0; i < 5000; ++i) ds.AddRow({Variant(i), Variant(-i)});
  TDataSource source(nullptr);
  source.SetDataSet(&ds);
  TDataLink grid, editor;  // a wide and a one-record link, as a grid and an editor
  grid.SetBufferCount(30);
  grid.SetDataSource(&source);
  editor.SetDataSource(&source);
  ds.Open();
  TField* n = ds.FieldByName(u"N");
  // One pass first: the test dataset sizes each buffer's own storage on its
  // first fill; the framework is measured on the pass after.
  while (!ds.Eof()) ds.Next();
  ds.First();
  long before = Allocations.load();
  Int64 sum = 0;
  while (!ds.Eof()) {
    sum += n->GetAsInteger();
    ds.Next();
  }
  ds.MoveBy(-100);
  ds.Last();
  ds.First();
  long during = Allocations.load() - before;
  EXPECT_EQ(sum, 4999LL * 5000 / 2);
  EXPECT_EQ(during, 0);
  grid.SetDataSource(nullptr);
  editor.SetDataSource(nullptr);
}

}  // namespace
