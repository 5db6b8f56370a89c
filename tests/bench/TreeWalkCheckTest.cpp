// The check a tree opened by a benchmark is held to: its rows must be the walk
// of a plain model tree, siblings in the baseline's order (ties in any order,
// each with its subtree), not merely each parent before its children.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <numeric>
#include <random>
#include <vector>

#include "bench/MemTableBench.h"

namespace {

struct TForest {
  std::vector<int> Parent;  // -1 for a root; a parent always has a smaller number
  std::vector<int> Key;     // what siblings are sorted by
};

TForest RandomForest(std::mt19937& Rng, int Count, int Keys) {
  TForest f;
  for (int i = 0; i < Count; ++i) {
    f.Parent.push_back(i == 0 || Rng() % 5 == 0 ? -1 : static_cast<int>(Rng() % static_cast<unsigned>(i)));
    f.Key.push_back(static_cast<int>(Rng() % static_cast<unsigned>(Keys)));
  }
  return f;
}

// Depth first, children in Order's order.
std::vector<int> Walk(const TForest& F, const std::vector<int>& Order) {
  std::vector<std::vector<int>> children(F.Parent.size() + 1);
  for (int row : Order) {
    const int parent = F.Parent[size_t(row)];
    children[parent < 0 ? F.Parent.size() : size_t(parent)].push_back(row);
  }
  std::vector<int> rows;
  std::function<void(size_t)> visit = [&](size_t node) {
    for (int child : children[node]) {
      rows.push_back(child);
      visit(size_t(child));
    }
  };
  visit(F.Parent.size());
  return rows;
}

TEST(TreeWalkCheck, OnlyTheModelWalkPassesUpToTiedSiblings) {
  std::mt19937 rng(77);
  for (int round = 0; round < 200; ++round) {
    const TForest f = RandomForest(rng, 2 + round % 60, 1 + round % 4);
    auto parent = [&](int row) { return f.Parent[size_t(row)]; };
    auto sameKey = [&](int a, int b) { return f.Key[size_t(a)] == f.Key[size_t(b)]; };
    // The baseline: rows sorted by key, ties in one order.
    std::vector<int> baseline(f.Parent.size());
    std::iota(baseline.begin(), baseline.end(), 0);
    std::shuffle(baseline.begin(), baseline.end(), rng);
    auto byKey = [&](int a, int b) { return f.Key[size_t(a)] < f.Key[size_t(b)]; };
    std::stable_sort(baseline.begin(), baseline.end(), byKey);
    const std::vector<int> walk = Walk(f, baseline);
    EXPECT_TRUE(IsModelTreeWalk(walk, baseline, parent, sameKey));

    // The tree of a sort that keeps its ties in another order.
    std::vector<int> reordered = baseline;
    std::shuffle(reordered.begin(), reordered.end(), rng);
    std::stable_sort(reordered.begin(), reordered.end(), byKey);
    EXPECT_TRUE(IsModelTreeWalk(Walk(f, reordered), baseline, parent, sameKey));

    // Every parent before its children, but not the walk (siblings of
    // different keys all): the rows in number order.
    std::vector<int> flat(f.Parent.size());
    std::iota(flat.begin(), flat.end(), 0);
    if (flat != walk) {
      EXPECT_FALSE(IsModelTreeWalk(flat, baseline, parent, [](int a, int b) { return a == b; }));
    }
    // Two rows swapped, one left out, one shown twice.
    for (size_t i = 0; i + 1 < walk.size(); ++i) {
      std::vector<int> swapped = walk;
      std::swap(swapped[i], swapped[i + 1]);
      const bool tiedSiblings = parent(walk[i]) == parent(walk[i + 1]) && sameKey(walk[i], walk[i + 1]);
      if (!tiedSiblings) {
        EXPECT_FALSE(IsModelTreeWalk(swapped, baseline, parent, sameKey)) << i;
      }
    }
    std::vector<int> shorter(walk.begin(), walk.end() - 1);
    EXPECT_FALSE(IsModelTreeWalk(shorter, baseline, parent, sameKey));
    std::vector<int> twice = walk;
    twice.back() = walk.front();
    EXPECT_FALSE(IsModelTreeWalk(twice, baseline, parent, sameKey));
  }
}

}  // namespace
