#include "platform/core/Lists.h"

#include <gtest/gtest.h>

namespace {

struct Tracked : TObject {
  explicit Tracked(int* counter) : Counter(counter) {}
  ~Tracked() override { ++*Counter; }
  int* Counter;
};

int CompareInts(void* a, void* b) {
  const int x = *static_cast<int*>(a), y = *static_cast<int*>(b);
  return x < y ? -1 : x > y ? 1 : 0;
}

TEST(TListEditing, AddInsertDeleteKeepOrder) {
  int a = 1, b = 2, c = 3;
  TList list;
  EXPECT_EQ(list.Add(&a), 0);
  EXPECT_EQ(list.Add(&c), 1);
  list.Insert(1, &b);
  ASSERT_EQ(list.GetCount(), 3);
  EXPECT_EQ(list.GetItem(1), &b);
  EXPECT_EQ(list.IndexOf(&c), 2);
  EXPECT_EQ(list.Remove(&a), 0);
  EXPECT_EQ(list.First(), &b);
  EXPECT_EQ(list.Extract(&c), &c);
  EXPECT_EQ(list.GetCount(), 1);
  EXPECT_EQ(list.Remove(&a), -1);
}

TEST(TListEditing, ExchangeMoveAndSort) {
  int v[4] = {40, 10, 30, 20};
  TList list;
  for (int& x : v) list.Add(&x);
  list.Exchange(0, 3);
  EXPECT_EQ(list.GetItem(0), &v[3]);
  list.Move(0, 2);
  EXPECT_EQ(list.GetItem(2), &v[3]);
  list.Sort(CompareInts);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(*static_cast<int*>(list.GetItem(i)), (i + 1) * 10);
}

TEST(TListIndexFaults, RaiseListErrorWithTheIndex) {
  TList list;
  int a = 0;
  list.Add(&a);
  try {
    list.GetItem(5);
    FAIL();
  } catch (const EListError& e) {
    EXPECT_EQ(e.Message(), u"List index out of bounds (5)");
  }
  EXPECT_THROW(list.Delete(-1), EListError);
  EXPECT_THROW(list.Insert(3, &a), EListError);
  EXPECT_THROW(list.Exchange(0, 1), EListError);
  EXPECT_THROW(list.Move(0, 1), EListError);
  list.Clear();
  EXPECT_THROW(list.Last(), EListError) << "an empty list has no last item";
}

TEST(TObjectListOwnership, FreesOwnedObjectsButNotExtractedOnes) {
  int freed = 0;
  auto* kept = new Tracked(&freed);
  {
    TObjectList list;
    list.Add(new Tracked(&freed));
    list.Add(new Tracked(&freed));
    list.Add(kept);
    list.Delete(0);
    EXPECT_EQ(freed, 1);
    EXPECT_EQ(list.Extract(kept), kept);
    EXPECT_EQ(freed, 1);
  }
  EXPECT_EQ(freed, 2);
  delete kept;
  EXPECT_EQ(freed, 3);
}

TEST(TObjectListOwnership, NotOwningLeavesObjectsAlone) {
  int freed = 0;
  Tracked a(&freed);
  {
    TObjectList list(false);
    list.Add(&a);
    list.Clear();
  }
  EXPECT_EQ(freed, 0);
}

TEST(TObjectListOwnership, ReplacingAnItemFreesTheOldOne) {
  int freed = 0;
  TObjectList list;
  list.Add(new Tracked(&freed));
  list.SetItem(0, new Tracked(&freed));
  EXPECT_EQ(freed, 1);
}

}  // namespace
