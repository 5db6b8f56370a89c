// The entries behind an index, against a sorted vector doing the same changes:
// every position, every search and every walk must agree, whatever mix of
// inserts, erases, key changes and whole loads led there, from one entry to
// enough for several levels of nodes.

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <utility>
#include <vector>

#include "memtable/IndexEntriesEh.h"

namespace {

constexpr unsigned kRandomStart = 20261207;

struct TModelEntry {
  Int64 Key;
  Integer Id;
  friend bool operator<(const TModelEntry& A, const TModelEntry& B) {
    return A.Key != B.Key ? A.Key < B.Key : A.Id < B.Id;
  }
};

TIndexItemEh Entry(const TModelEntry& E) {
  TIndexItemEh item(Variant(static_cast<Integer>(E.Key)), nullptr);
  item.RecId = E.Id;
  return item;
}

struct IndexEntries : ::testing::Test {
  TIndexEntriesEh Tree;
  std::vector<TModelEntry> Model;
  std::mt19937 Rng{kRandomStart};
  Integer NextId = 1;

  Integer Random(Integer Below) { return static_cast<Integer>(Rng() % static_cast<unsigned>(Below)); }

  // Where (Key, Id) goes, as the index finds it.
  Integer PositionOf(const TModelEntry& E) const {
    return Tree.LowerBound([&](const TIndexItemEh& I) {
      const Int64 k = I.Key().AsInt64();
      return k != E.Key ? k < E.Key : I.RecId < E.Id;
    });
  }

  void InsertRandom(Integer KeyRange) {
    const TModelEntry e{Random(KeyRange), NextId++};
    const Integer pos = PositionOf(e);
    ASSERT_EQ(pos, std::lower_bound(Model.begin(), Model.end(), e) - Model.begin());
    Tree.Insert(pos, Entry(e));
    Model.insert(Model.begin() + pos, e);
  }

  void EraseRandom() {
    const Integer pos = Random(static_cast<Integer>(Model.size()));
    Tree.Erase(pos);
    Model.erase(Model.begin() + pos);
  }

  void ExpectSame(const std::string& When) {
    ASSERT_TRUE(Tree.CheckInvariants()) << When;
    ASSERT_EQ(Tree.Count(), static_cast<Integer>(Model.size())) << When;
    for (size_t i = 0; i < Model.size(); ++i) {
      const TIndexItemEh& item = Tree.At(static_cast<Integer>(i));
      ASSERT_EQ(item.Key().AsInt64(), Model[i].Key) << When << " at " << i;
      ASSERT_EQ(item.RecId, Model[i].Id) << When << " at " << i;
    }
    size_t walked = 0;
    Tree.ForEach([&](const TIndexItemEh& item) {
      if (walked < Model.size()) {
        EXPECT_EQ(item.RecId, Model[walked].Id) << When << " walk " << walked;
      }
      ++walked;
    });
    EXPECT_EQ(walked, Model.size()) << When;
    // Key-only searches, as a lookup by key makes them: the first entry of a key.
    for (Int64 key = -1; key <= 64; key += 1 + Random(5)) {
      const Integer pos = Tree.LowerBound([&](const TIndexItemEh& I) { return I.Key().AsInt64() < key; });
      const auto first = std::find_if(Model.begin(), Model.end(), [&](const TModelEntry& e) { return e.Key >= key; });
      ASSERT_EQ(pos, first - Model.begin()) << When << " key " << key;
      ExpectNarrowingHolds(key, pos, When);
    }
  }

  // A walk from a key's first entry is told on the way down where that entry
  // lies: every range told holds it, each lies inside the one before, and the
  // last is no wider than a leaf and the entry after it.
  void ExpectNarrowingHolds(Int64 Key, Integer Pos, const std::string& When) {
    std::vector<std::pair<Integer, Integer>> told;
    Integer visited = -1;
    Tree.VisitFrom([](const TIndexEntriesEh::TFastKey&) { return -1; },
                   [&](const TIndexItemEh& I) { return I.Key().AsInt64() < Key; },
                   [&](const TIndexItemEh& I, Integer At) {
                     visited = At;
                     EXPECT_GE(I.Key().AsInt64(), Key);
                     return false;
                   },
                   [&](Integer First, Integer Count) { told.emplace_back(First, Count); });
    EXPECT_EQ(visited, Pos < Tree.Count() ? Pos : -1) << When << " key " << Key;
    if (Tree.Count() > TIndexEntriesEh::LeafCapacity) {
      ASSERT_FALSE(told.empty()) << When;
    }
    for (size_t i = 0; i < told.size(); ++i) {
      const auto [first, count] = told[i];
      EXPECT_TRUE(first <= Pos && Pos < first + count) << When << " key " << Key << " level " << i;
      if (i > 0) {
        EXPECT_GE(first, told[i - 1].first) << When;
        EXPECT_LE(first + count, told[i - 1].first + told[i - 1].second) << When;
      }
    }
    if (!told.empty()) {
      EXPECT_LE(told.back().second, TIndexEntriesEh::LeafCapacity + 1) << When;
    }
  }
};

TEST_F(IndexEntries, AnEmptyTreeAnswersPositionZeroAndRefusesPositions) {
  EXPECT_EQ(Tree.Count(), 0);
  EXPECT_EQ(PositionOf({5, 1}), 0);
  EXPECT_THROW(Tree.At(0), EListError);
  EXPECT_THROW(Tree.Erase(0), EListError);
  EXPECT_TRUE(Tree.CheckInvariants());
}

TEST_F(IndexEntries, RandomInsertsAndErasesAgreeWithASortedVector) {
  for (int round = 0; round < 4; ++round) {
    // Grow past several levels of nodes, some rounds with few distinct keys (long
    // runs of equal keys split across leaves), then shrink to a handful, then to nothing.
    const Integer grow = round == 0 ? 16000 : 3000;
    for (Integer i = 0; i < grow; ++i) InsertRandom(round % 2 ? 6 : 60);
    ExpectSame("grown, round " + std::to_string(round));
    while (Model.size() > 40) {
      EraseRandom();
      if (Random(3) == 0) InsertRandom(60);
    }
    ExpectSame("shrunk, round " + std::to_string(round));
    while (!Model.empty()) EraseRandom();
    ExpectSame("emptied, round " + std::to_string(round));
    if (HasFailure()) return;
  }
}

TEST_F(IndexEntries, FrontAndBackChangesKeepTheFirstEntryCopiesCurrent) {
  // Every insert at the very front, then every erase there: each changes the
  // first entry of a leaf and of every node above it.
  for (Integer i = 0; i < 5000; ++i) {
    const TModelEntry e{-i, NextId++};
    Tree.Insert(0, Entry(e));
    Model.insert(Model.begin(), e);
  }
  ExpectSame("front inserts");
  for (Integer i = 0; i < 4000; ++i) {
    Tree.Erase(0);
    Model.erase(Model.begin());
  }
  ExpectSame("front erases");
  for (Integer i = 0; i < 900; ++i) {
    Tree.Erase(Tree.Count() - 1);
    Model.pop_back();
  }
  ExpectSame("back erases");
}

TEST_F(IndexEntries, ChangingAKeyInPlaceKeepsSearchesRight) {
  for (Integer i = 0; i < 3000; ++i) InsertRandom(1000);
  // The same numbers as another Variant type: the order stands, and the tree's
  // copies of first entries must follow (the invariant check compares types).
  for (Integer i = 0; i < 3000; i += 1 + Random(7)) {
    Tree.SetKey(i, Variant(static_cast<Int64>(Model[static_cast<size_t>(i)].Key)));
    ASSERT_EQ(Tree.At(i).Key().VarType(), varInt64);
  }
  ExpectSame("keys retyped");
}

TEST_F(IndexEntries, AWholeLoadGivesTheSameTreeAsInsertsAndTakesChangesAfterwards) {
  for (Integer size : {0, 1, 31, 32, 33, 785, 32 * 32 + 1, 784 * 28 + 3}) {
    Model.clear();
    for (Integer i = 0; i < size; ++i) Model.push_back({Random(100), NextId++});
    std::sort(Model.begin(), Model.end());
    std::vector<TIndexItemEh> items;
    for (const TModelEntry& e : Model) items.push_back(Entry(e));
    Tree.Assign(std::move(items));
    ExpectSame("loaded " + std::to_string(size));
    for (Integer i = 0; i < 300; ++i) {
      if (Model.empty() || Random(2)) InsertRandom(100);
      else EraseRandom();
    }
    ExpectSame("changed after loading " + std::to_string(size));
    if (HasFailure()) return;
  }
}

// A load of many entries lays its nodes out together; the tree then splits,
// joins and frees them as any other, moves with them, and lets them go whole.
TEST_F(IndexEntries, ALargeLoadTakesChangesMovesAndIsReplacedLikeAnyOther) {
  for (Integer i = 0; i < 70000; ++i) Model.push_back({Random(1000), NextId++});
  std::sort(Model.begin(), Model.end());
  Tree.AssignMade(static_cast<Integer>(Model.size()), [&](Integer i) { return Entry(Model[static_cast<size_t>(i)]); });
  ExpectSame("loaded");
  for (Integer i = 0; i < 3000; ++i) {
    if (Random(3) == 0) InsertRandom(1000);
    else EraseRandom();
  }
  ExpectSame("changed after loading");
  TIndexEntriesEh moved(std::move(Tree));
  Tree = std::move(moved);
  for (Integer i = 0; i < 3000; ++i) {
    if (Random(3) == 0) InsertRandom(1000);
    else EraseRandom();
  }
  ExpectSame("changed after moving");
  // Erased down to a few: the loaded leaves left are joined away one by one.
  while (Model.size() > 40) EraseRandom();
  ExpectSame("erased down");
  Model.resize(3);
  std::vector<TIndexItemEh> items;
  for (const TModelEntry& e : Model) items.push_back(Entry(e));
  Tree.Assign(std::move(items));
  ExpectSame("replaced by a small load");
}

// Node memory let go is loaded into again: a tree made over a block another
// load left behind holds its own entries only.
TEST_F(IndexEntries, ALoadOverAKeptBlockHoldsItsOwnEntries) {
  TIndexNodeBlocksEh spares;
  auto load = [&](Integer Size, Integer KeyRange) {
    Model.clear();
    for (Integer i = 0; i < Size; ++i) Model.push_back({Random(KeyRange), NextId++});
    std::sort(Model.begin(), Model.end());
    Tree.AssignMade(
        static_cast<Integer>(Model.size()), [&](Integer i) { return Entry(Model[static_cast<size_t>(i)]); }, &spares);
  };
  load(70000, 1000);
  EXPECT_EQ(spares.Count(), 0u);
  ExpectSame("first load");
  // The tree's own block is let go and taken again by the next load.
  load(60000, 50);
  EXPECT_EQ(spares.Count(), 0u);
  ExpectSame("loaded over its own block");
  for (Integer i = 0; i < 2000; ++i) InsertRandom(50);
  ExpectSame("changed after loading over a block");
  spares.Keep(Tree.TakeBlock());
  EXPECT_EQ(spares.Count(), 1u);
  EXPECT_EQ(Tree.Count(), 0);
  Model.clear();
  ExpectSame("block taken");
  // A small load keeps to the heap and leaves the block waiting.
  load(100, 30);
  EXPECT_EQ(spares.Count(), 1u);
  ExpectSame("small load");
  // At most two wait.
  spares.Keep(std::make_unique<TIndexNodeBlockEh>(size_t{4} << 20));
  spares.Keep(std::make_unique<TIndexNodeBlockEh>(size_t{6} << 20));
  EXPECT_EQ(spares.Count(), 2u);
  load(70000, 1000);
  EXPECT_EQ(spares.Count(), 1u);
  ExpectSame("loaded over a kept block");
}

// A block taken ahead for a load, while its entries are gathered, takes the
// load's nodes when it suits; else it waits among the spares.
TEST_F(IndexEntries, ALoadBuildsInTheBlockTakenAheadForIt) {
  TIndexNodeBlocksEh spares;
  auto load = [&](Integer Size, std::unique_ptr<TIndexNodeBlockEh> Block) {
    Model.clear();
    for (Integer i = 0; i < Size; ++i) Model.push_back({Random(1000), NextId++});
    std::sort(Model.begin(), Model.end());
    Tree.AssignMade(
        static_cast<Integer>(Model.size()), [&](Integer i) { return Entry(Model[static_cast<size_t>(i)]); }, &spares,
        std::move(Block));
  };
  // Taken ahead for somewhat more entries than come: it suits the load, and
  // is larger than the block the load would take for itself.
  std::unique_ptr<TIndexNodeBlockEh> block = TIndexEntriesEh::BlockForLoad(130000, &spares);
  ASSERT_NE(block, nullptr);
  const void* const taken = block->Data();
  const size_t takenSize = block->Size();
  ASSERT_GT(takenSize, TIndexEntriesEh::BlockForLoad(100000, nullptr)->Size());
  load(100000, std::move(block));
  EXPECT_EQ(spares.Count(), 0u);
  ExpectSame("loaded into the block taken ahead");
  for (Integer i = 0; i < 2000; ++i) InsertRandom(1000);
  ExpectSame("changed after loading");
  const std::unique_ptr<TIndexNodeBlockEh> built = Tree.TakeBlock();
  Model.clear();
  ASSERT_NE(built, nullptr);
  EXPECT_EQ(built->Data(), taken);
  EXPECT_EQ(built->Size(), takenSize);
  EXPECT_EQ(TIndexEntriesEh::BlockForLoad(100, &spares), nullptr) << "a small load keeps to the heap";
  // Taken ahead for more entries than came: the load keeps to the heap, the block waits.
  load(100, TIndexEntriesEh::BlockForLoad(70000, &spares));
  EXPECT_EQ(spares.Count(), 1u);
  ExpectSame("small load");
}

}  // namespace
