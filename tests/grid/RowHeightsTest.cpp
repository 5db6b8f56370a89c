// The run tree of row heights against a plain vector of the same heights, and
// the promise that rows of one height stay one run.

#include <gtest/gtest.h>

#include <numeric>
#include <random>
#include <vector>

#include "grid/RowHeightsEh.h"

namespace {

Int64 VectorSum(const std::vector<Integer>& V, Integer From, Integer To) {
  if (To <= From) return 0;
  return std::accumulate(V.begin() + From, V.begin() + To, Int64(0));
}

void ExpectSame(const TRowHeightsEh& Tree, const std::vector<Integer>& V) {
  ASSERT_EQ(Tree.Count(), Integer(V.size()));
  for (Integer I = 0; I < Tree.Count(); ++I) ASSERT_EQ(Tree.Get(I), V[size_t(I)]) << "row " << I;
  for (Integer I = 0; I <= Tree.Count(); I += 3) ASSERT_EQ(Tree.Sum(0, I), VectorSum(V, 0, I));
}

}  // namespace

TEST(RowHeights, AMillionRowsOfOneHeightAreOneRunWhateverIsInsertedRemovedOrMoved) {
  TRowHeightsEh Heights;
  Heights.Assign(1000000, 18);
  EXPECT_EQ(Heights.RunCount(), 1);
  Heights.Insert(500000, 1, 18);
  Heights.Erase(10, 3);
  Heights.Move(999000, 3);
  Heights.Resize(1000005, 18);
  EXPECT_EQ(Heights.RunCount(), 1);
  EXPECT_EQ(Heights.Count(), 1000005);
  EXPECT_EQ(Heights.Sum(0, Heights.Count()), Int64(1000005) * 18);
  EXPECT_EQ(Heights.Sum(250000, 250010), 180);
}

TEST(RowHeights, ARowOfAnotherHeightSplitsItsRunAndSettingItBackJoinsTheRunsAgain) {
  TRowHeightsEh Heights;
  Heights.Assign(100, 20);
  Heights.Set(0, 30);  // a title row
  Heights.Set(50, 40);
  EXPECT_EQ(Heights.RunCount(), 4);
  EXPECT_EQ(Heights.Get(0), 30);
  EXPECT_EQ(Heights.Get(49), 20);
  EXPECT_EQ(Heights.Get(50), 40);
  EXPECT_EQ(Heights.Sum(0, 100), 30 + 40 + 98 * 20);
  Heights.Set(50, 20);
  EXPECT_EQ(Heights.RunCount(), 2);
  EXPECT_EQ(Heights.FindNotEqual(1, 20), 100);
  EXPECT_EQ(Heights.FindNotEqual(0, 20), 0);
}

TEST(RowHeights, RemovingTheRowBetweenTwoRunsOfOneHeightJoinsThem) {
  TRowHeightsEh Heights;
  Heights.Assign(10, 20);
  Heights.Set(4, 33);
  ASSERT_EQ(Heights.RunCount(), 3);
  Heights.Erase(4, 1);
  EXPECT_EQ(Heights.RunCount(), 1);
  EXPECT_EQ(Heights.Count(), 9);
}

TEST(RowHeights, MovingARowShiftsTheRowsBetweenOnePlaceTowardsTheGap) {
  TRowHeightsEh Heights;
  Heights.Assign(5, 10);
  for (Integer I = 0; I < 5; ++I) Heights.Set(I, 10 + I);
  Heights.Move(4, 1);
  std::vector<Integer> Expected{10, 14, 11, 12, 13};
  ExpectSame(Heights, Expected);
  Heights.Move(1, 4);
  ExpectSame(Heights, {10, 11, 12, 13, 14});
}

TEST(RowHeights, RandomEditsAgreeWithAPlainVector) {
  std::mt19937 Random(17);
  TRowHeightsEh Heights;
  std::vector<Integer> V(200, 18);
  Heights.Assign(200, 18);
  auto Pick = [&](Integer N) { return Integer(Random() % std::uint32_t(N)); };
  for (Integer Step = 0; Step < 3000; ++Step) {
    const Integer Count = Integer(V.size());
    const Integer Value = 15 + Pick(4);
    switch (Pick(6)) {
      case 0: {
        const Integer I = Pick(Count + 1), N = 1 + Pick(4);
        Heights.Insert(I, N, Value);
        V.insert(V.begin() + I, size_t(N), Value);
        break;
      }
      case 1:
        if (Count > 0) {
          const Integer I = Pick(Count), N = 1 + Pick(std::min(Count - I, 4));
          Heights.Erase(I, N);
          V.erase(V.begin() + I, V.begin() + I + N);
        }
        break;
      case 2:
        if (Count > 0) {
          const Integer I = Pick(Count);
          Heights.Set(I, Value);
          V[size_t(I)] = Value;
        }
        break;
      case 3:
        if (Count > 1) {
          const Integer From = Pick(Count), To = Pick(Count);
          Heights.Move(From, To);
          const Integer Moved = V[size_t(From)];
          V.erase(V.begin() + From);
          V.insert(V.begin() + To, Moved);
        }
        break;
      case 4: {
        const Integer From = Pick(Count + 1), To = From + Pick(Count - From + 1);
        Heights.Fill(From, To, Value);
        std::fill(V.begin() + From, V.begin() + To, Value);
        break;
      }
      default: {
        const Integer N = 150 + Pick(100);
        Heights.Resize(N, Value);
        V.resize(size_t(N), Value);
        break;
      }
    }
    ASSERT_EQ(Heights.Count(), Integer(V.size()));
    const Integer A = Pick(Integer(V.size()) + 1), B = Pick(Integer(V.size()) + 1);
    ASSERT_EQ(Heights.Sum(std::min(A, B), std::max(A, B)), VectorSum(V, std::min(A, B), std::max(A, B)));
  }
  ExpectSame(Heights, V);
  // Equal neighbours are always joined: no two adjacent runs share a height.
  Integer Runs = V.empty() ? 0 : 1;
  for (size_t I = 1; I < V.size(); ++I) Runs += V[I] != V[I - 1];
  EXPECT_EQ(Heights.RunCount(), Runs);
}
