// The memory large builds work in: pages given ahead on a helper thread, and
// room lent to work tables by memory the build fills afterwards.

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "memtable/LentRoomEh.h"
#include "memtable/PagesAheadEh.h"
#include "platform/core/Uncleared.h"

namespace {

// No byte of it is 0.
uint32_t Pattern(size_t I) { return static_cast<uint32_t>(I * 2654435761u) | 0x80808080u; }

// The helper gives pages without writing to them: what the memory held, and
// what the caller writes meanwhile, is what it holds after.
TEST(WorkMemory, PagesGivenAheadLeaveWhatTheMemoryHolds) {
  constexpr size_t kCount = size_t{8} << 20;  // 32 MB
  TUnclearedVector<uint32_t> table(kCount);
  for (size_t i = 0; i < kCount / 2; ++i) table[i] = Pattern(i);
  TPagesAheadEh pages;
  pages.Start({{table.data(), kCount * sizeof(uint32_t)}});
  for (size_t i = kCount / 2; i < kCount; ++i) table[i] = Pattern(i);
  pages.Wait();
  size_t wrong = 0;
  for (size_t i = 0; i < kCount; ++i) wrong += table[i] != Pattern(i);
  EXPECT_EQ(wrong, 0u);
}

// Tables take the room from the front while it holds them, and the heap
// after; each gives its room back when it goes, moved or not.
TEST(WorkMemory, ALentRoomHoldsTablesUntilFullAndHasThemAllBack) {
  constexpr size_t kBytes = size_t{1} << 20;
  auto memory = std::make_unique<std::byte[]>(kBytes);
  auto inRoom = [&](const void* P) { return P >= memory.get() && P < memory.get() + kBytes; };
  TLentRoomEh room(memory.get(), kBytes);
  const TLentAllocatorEh<std::byte> lent(&room);
  TLentTableEh<int32_t> a(100000, 7, lent), b(100000, lent);
  TLentTableEh<int64_t> c(100000, 9, lent);  // 800,000 bytes: beyond the room
  EXPECT_TRUE(inRoom(a.data()));
  EXPECT_TRUE(inRoom(b.data()));
  EXPECT_FALSE(inRoom(c.data()));
  EXPECT_EQ(room.Live(), 2u);
  for (size_t i = 0; i < b.size(); ++i) b[i] = static_cast<int32_t>(i);
  TLentTableEh<int32_t> moved = std::move(b);
  ReleaseTable(a);
  EXPECT_EQ(room.Live(), 1u);
  EXPECT_EQ(moved[99999], 99999);
  EXPECT_EQ(c[99999], 9);
  ReleaseTable(moved);
  EXPECT_EQ(room.Live(), 0u);
  room.HandBack();
  memory[kBytes - 1] = std::byte{1};  // the owner's again, whole
}

}  // namespace
