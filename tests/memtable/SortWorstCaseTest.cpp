// Key orders that defeat a quicksort taking the middle element as its pivot
// (two ascending runs, as a list merged from two; rising then falling; the
// answers of McIlroy's adversary) sort in n log n comparisons and a shallow
// stack: each sort runs on a thread with a small stack, and its comparisons
// are counted against a multiple of n log2 n; through QuickSortEh, the tree's
// SortData and the table's SortByFields, SortOrder and tree-mode open. The
// table's own sorts, on keys taken once, have no comparison to count: they
// must put the records, ties included, where the same sort comparing record by
// record (counted) puts them. A comparison that is no order at all leaves the
// items a permutation of what they were and touches nothing outside the range
// it was given. Sorts of fewer than 64 items leave equal keys where the classic
// middle-pivot pass always left them.

#include <gtest/gtest.h>
#include <pthread.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <numeric>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "memtable/MemTableEh.h"
#include "platform/core/StringList.h"
#include "platform/core/Strings.h"
#include "tests/memtable/MemTestUtil.h"

namespace {

constexpr Integer kCount = 100000;
// Well above what the sorts need, far below a recursion as deep as the count.
constexpr size_t kSmallStack = 256 * 1024;
constexpr unsigned kRandomStart = 2903;

// Runs Work on a thread of kSmallStack bytes of stack and rethrows what it threw.
void OnSmallStack(const std::function<void()>& Work) {
  struct TCall {
    const std::function<void()>* Work;
    std::exception_ptr Error;
  } call{&Work, nullptr};
  pthread_attr_t attr;
  ASSERT_EQ(pthread_attr_init(&attr), 0);
  ASSERT_EQ(pthread_attr_setstacksize(&attr, kSmallStack), 0);
  pthread_t thread;
  const int made = pthread_create(
      &thread, &attr,
      [](void* Arg) -> void* {
        auto* c = static_cast<TCall*>(Arg);
        try {
          (*c->Work)();
        } catch (...) {
          c->Error = std::current_exception();
        }
        return nullptr;
      },
      &call);
  pthread_attr_destroy(&attr);
  ASSERT_EQ(made, 0);
  pthread_join(thread, nullptr);
  if (call.Error) std::rethrow_exception(call.Error);
}

// Counts comparisons and stops the sort (throws) once there are more than
// Factor * n * log2(n) of them: a quadratic sort ends there instead of running on.
class TComparisons {
public:
  TComparisons(Integer N, double Factor)
      : FLimit(static_cast<long long>(Factor * N * std::log2(static_cast<double>(std::max(N, 2))))) {}
  void Count() {
    if (++FCount > FLimit)
      throw std::runtime_error("more than " + std::to_string(FLimit) + " comparisons: the sort degrades");
  }
  long long Made() const { return FCount; }

private:
  long long FLimit;
  long long FCount = 0;
};

// n log2 n times these: the structured orders (they take 1.0 to 1.4), and the
// adversary's (3.7: the passes the depth budget allows cost n each before a
// heap sort takes over).
constexpr double kOrderedFactor = 2;
constexpr double kAdversaryFactor = 5;

enum class TKeyOrder { TwoAscendingRuns, RisingThenFalling, Ascending, Descending, AllEqual, Random };

const char* NameOf(TKeyOrder Order) {
  switch (Order) {
    case TKeyOrder::TwoAscendingRuns: return "two ascending runs";
    case TKeyOrder::RisingThenFalling: return "rising then falling";
    case TKeyOrder::Ascending: return "ascending";
    case TKeyOrder::Descending: return "descending";
    case TKeyOrder::AllEqual: return "all equal";
    default: return "random";
  }
}

constexpr TKeyOrder kAllOrders[] = {TKeyOrder::TwoAscendingRuns, TKeyOrder::RisingThenFalling, TKeyOrder::Ascending,
                                    TKeyOrder::Descending,       TKeyOrder::AllEqual,          TKeyOrder::Random};
// The two the program met: a list merged from two, and keys rising then falling.
constexpr TKeyOrder kBadOrders[] = {TKeyOrder::TwoAscendingRuns, TKeyOrder::RisingThenFalling};

// N keys in Order: two lists numbered from 1, one after the other; 0 up to the
// middle and back down; and so on.
std::vector<Integer> Keys(TKeyOrder Order, Integer N) {
  std::vector<Integer> keys(static_cast<size_t>(N));
  std::mt19937 rng(kRandomStart);
  const Integer half = N / 2;
  for (Integer i = 0; i < N; ++i) {
    Integer& k = keys[static_cast<size_t>(i)];
    switch (Order) {
      case TKeyOrder::TwoAscendingRuns: k = i < half ? i + 1 : i - half + 1; break;
      case TKeyOrder::RisingThenFalling: k = i < half ? i : N - i; break;
      case TKeyOrder::Ascending: k = i; break;
      case TKeyOrder::Descending: k = N - i; break;
      case TKeyOrder::AllEqual: k = 7; break;
      default: k = static_cast<Integer>(rng() % static_cast<unsigned>(N)); break;
    }
  }
  return keys;
}

// McIlroy's adversary ("A Killer Adversary for Quicksort", 1998): the items
// are 0 .. n-1, all "gas" at first; each comparison of two gas items freezes
// one of them to the next smallest value, chosen so that the pivot a quicksort
// is scanning with freezes late. The answers are consistent (they are the
// order of the values finally given), and they drive any quicksort that
// trusts its pivot choice into its worst case.
class TAdversary {
public:
  explicit TAdversary(Integer N) : FValue(static_cast<size_t>(N), N), FGas(N) {}
  int operator()(Integer X, Integer Y) {
    if (Value(X) == FGas && Value(Y) == FGas) Freeze(X == FCandidate ? X : Y);
    if (Value(X) == FGas) FCandidate = X;
    else if (Value(Y) == FGas) FCandidate = Y;
    return Value(X) < Value(Y) ? -1 : Value(X) > Value(Y) ? 1 : 0;
  }
  Integer Value(Integer Item) const { return FValue[static_cast<size_t>(Item)]; }

private:
  void Freeze(Integer Item) { FValue[static_cast<size_t>(Item)] = FSolid++; }
  std::vector<Integer> FValue;
  Integer FGas, FSolid = 0, FCandidate = 0;
};

// ---- QuickSortEh --------------------------------------------------------------------

TEST(SortWorstCase, QuickSortEhSortsEveryKeyOrderInNLogNComparisonsOnASmallStack) {
  for (TKeyOrder order : kAllOrders) {
    std::vector<Integer> keys = Keys(order, kCount);
    TComparisons comparisons(kCount, kOrderedFactor);
    ASSERT_NO_THROW(OnSmallStack([&] {
      QuickSortEh(keys, 0, kCount - 1, [&](Integer a, Integer b) {
        comparisons.Count();
        return a < b ? -1 : a > b ? 1 : 0;
      });
    })) << NameOf(order);
    EXPECT_TRUE(std::is_sorted(keys.begin(), keys.end())) << NameOf(order);
  }
}

TEST(SortWorstCase, QuickSortEhHoldsAgainstMcIlroysAdversary) {
  TAdversary adversary(kCount);
  std::vector<Integer> items(static_cast<size_t>(kCount));
  std::iota(items.begin(), items.end(), 0);
  TComparisons comparisons(kCount, kAdversaryFactor);
  ASSERT_NO_THROW(OnSmallStack([&] {
    QuickSortEh(items, 0, kCount - 1, [&](Integer a, Integer b) {
      comparisons.Count();
      return adversary(a, b);
    });
  }));
  EXPECT_TRUE(std::is_sorted(items.begin(), items.end(),
                             [&](Integer a, Integer b) { return adversary.Value(a) < adversary.Value(b); }));
}

// The items from 1 to Count, between guards the sort must never touch.
struct TGuardedRange {
  static constexpr Integer kGuard = 64;
  std::vector<Integer> Items;
  explicit TGuardedRange(Integer Count) : Items(static_cast<size_t>(Count + 2 * kGuard), -1) {
    std::iota(Items.begin() + kGuard, Items.end() - kGuard, 1);
  }
  Integer L() const { return kGuard; }
  Integer R() const { return static_cast<Integer>(Items.size()) - kGuard - 1; }
  // The guards untouched and the range a permutation of 1 .. Count.
  bool Intact() const {
    if (std::any_of(Items.begin(), Items.begin() + kGuard, [](Integer v) { return v != -1; })) return false;
    if (std::any_of(Items.end() - kGuard, Items.end(), [](Integer v) { return v != -1; })) return false;
    std::vector<Integer> inside(Items.begin() + kGuard, Items.end() - kGuard);
    std::sort(inside.begin(), inside.end());
    for (size_t i = 0; i < inside.size(); ++i)
      if (inside[i] != static_cast<Integer>(i) + 1) return false;
    return true;
  }
};

TEST(SortWorstCase, AComparisonThatIsNoOrderKeepsEveryItemAndStaysInItsRange) {
  struct TAnswers {
    const char* Name;
    std::function<int(std::mt19937&)> Answer;
  };
  const TAnswers answers[] = {{"always less", [](std::mt19937&) { return -1; }},
                              {"always greater", [](std::mt19937&) { return 1; }},
                              {"always equal", [](std::mt19937&) { return 0; }},
                              {"random", [](std::mt19937& rng) { return static_cast<int>(rng() % 3) - 1; }}};
  for (const TAnswers& a : answers) {
    TGuardedRange range(kCount);
    std::mt19937 rng(kRandomStart);
    TComparisons comparisons(kCount, kAdversaryFactor);
    ASSERT_NO_THROW(OnSmallStack([&] {
      QuickSortEh(range.Items, range.L(), range.R(), [&](Integer x, Integer y) {
        comparisons.Count();
        // Only items of the range are ever compared.
        if (x <= 0 || y <= 0) throw std::logic_error("a guard was compared");
        return a.Answer(rng);
      });
    })) << a.Name;
    EXPECT_TRUE(range.Intact()) << a.Name;
  }
}

// ---- the tree's SortData ------------------------------------------------------------

// A tree whose root holds Count children, the Data of each its key.
std::unique_ptr<TTreeListEh> TreeOfKeys(const std::vector<Integer>& Keys) {
  auto tree = std::make_unique<TTreeListEh>(TBaseTreeNodeEh::StaticClass());
  for (Integer k : Keys) tree->AddChild(String(), nullptr, reinterpret_cast<void*>(static_cast<intptr_t>(k)));
  return tree;
}
Integer KeyOf(const TBaseTreeNodeEh* Node) { return static_cast<Integer>(reinterpret_cast<intptr_t>(Node->GetData())); }

// The root's children in order by their keys, each knowing its place.
void ExpectOrderedChildren(TTreeListEh& Tree, const char* What) {
  TBaseTreeNodeEh* root = Tree.GetRoot();
  ASSERT_EQ(root->Count(), kCount) << What;
  for (Integer i = 0; i < root->Count(); ++i) {
    ASSERT_EQ(root->GetItem(i)->GetIndex(), i) << What;
    if (i > 0) {
      ASSERT_LE(KeyOf(root->GetItem(i - 1)), KeyOf(root->GetItem(i))) << What << ", at " << i;
    }
  }
}

TEST(SortWorstCase, TreeSortDataSortsEveryKeyOrderInNLogNComparisonsOnASmallStack) {
  for (TKeyOrder order : kAllOrders) {
    auto tree = TreeOfKeys(Keys(order, kCount));
    TComparisons comparisons(kCount, kOrderedFactor);
    ASSERT_NO_THROW(OnSmallStack([&] {
      tree->SortData(
          [&](TBaseTreeNodeEh* a, TBaseTreeNodeEh* b, TObject*) {
            comparisons.Count();
            return KeyOf(a) < KeyOf(b) ? -1 : KeyOf(a) > KeyOf(b) ? 1 : 0;
          },
          nullptr, true);
    })) << NameOf(order);
    ExpectOrderedChildren(*tree, NameOf(order));
  }
}

// The classic pass every range took before: the middle item as the pivot,
// recursion on the left part, iteration on the right. Small sorts must still
// leave equal keys where it left them.
template <class T, class TCompare>
void ClassicQuickSort(std::vector<T>& List, Integer L, Integer R, TCompare Cmp) {
  Integer I, J;
  do {
    I = L;
    J = R;
    const T P = List[static_cast<size_t>((L + R) / 2)];
    do {
      while (I < R && Cmp(List[static_cast<size_t>(I)], P) < 0) ++I;
      while (J > L && Cmp(List[static_cast<size_t>(J)], P) > 0) --J;
      if (I <= J) {
        if (I != J) std::swap(List[static_cast<size_t>(I)], List[static_cast<size_t>(J)]);
        ++I;
        --J;
      }
    } while (I <= J);
    if (L < J) ClassicQuickSort(List, L, J, Cmp);
    L = I;
  } while (I < R);
}

// Sorts of fewer items than this keep the classic order of ties.
constexpr Integer kSmallSort = 64;

TEST(SortWorstCase, SmallSortsLeaveEqualKeysWhereTheyAlwaysDid) {
  std::mt19937 rng(kRandomStart);
  // Items are key * 1000 + identity; only the key is compared.
  auto byKey = [](Integer a, Integer b) { return a / 1000 - b / 1000; };
  for (int round = 0; round < 2000; ++round) {
    const Integer n = 2 + static_cast<Integer>(rng() % static_cast<unsigned>(kSmallSort - 2));
    const unsigned distinct = 1 + rng() % 6;
    std::vector<Integer> items(static_cast<size_t>(n));
    for (Integer i = 0; i < n; ++i) items[static_cast<size_t>(i)] = static_cast<Integer>(rng() % distinct) * 1000 + i;
    std::vector<Integer> classic = items;
    ClassicQuickSort(classic, 0, n - 1, byKey);
    QuickSortEh(items, 0, n - 1, byKey);
    ASSERT_EQ(items, classic) << "round " << round << ", " << n << " items";
    // The tree's children likewise.
    std::shuffle(classic.begin(), classic.end(), rng);
    auto tree = TreeOfKeys(classic);
    tree->SortData([&](TBaseTreeNodeEh* a, TBaseTreeNodeEh* b, TObject*) { return byKey(KeyOf(a), KeyOf(b)); }, nullptr,
                   false);
    ClassicQuickSort(classic, 0, n - 1, byKey);
    for (Integer i = 0; i < n; ++i) ASSERT_EQ(KeyOf(tree->GetRoot()->GetItem(i)), classic[static_cast<size_t>(i)]);
    // And the string list's, whose comparison reads the strings by their places.
    std::shuffle(classic.begin(), classic.end(), rng);
    TStringList strings;
    for (Integer v : classic) strings.Add(IntToStr(v));
    strings.CustomSort(
        [&](TStringList* List, Integer A, Integer B) { return byKey(StrToInt(List->Get(A)), StrToInt(List->Get(B))); });
    ClassicQuickSort(classic, 0, n - 1, byKey);
    for (Integer i = 0; i < n; ++i) ASSERT_EQ(StrToInt(strings.Get(i)), classic[static_cast<size_t>(i)]);
  }
}

// ---- the table ----------------------------------------------------------------------

enum { ID_THIS, ID_PARENT, NPP };

// ID_THIS 1 .. n, no parent (every record at the top of the tree), NPP the keys.
void Fill(TMemTableEh& Table, const std::vector<Integer>& Keys) {
  TMemTableDataEh& store = *Table.GetMemTableData();
  for (const char16_t* name : {u"ID_THIS", u"ID_PARENT", u"NPP"})
    AddColumn(store, TMTNumericDataFieldEh::StaticComponentClass(), ftInteger, name);
  TRecordsListEh* list = store.GetRecordsList();
  list->BeginUpdate();
  for (size_t i = 0; i < Keys.size(); ++i) {
    TMemoryRecordEh* r = list->NewRecord();
    r->SetValue(ID_THIS, rvvValueEh, Variant(static_cast<Integer>(i) + 1));
    r->SetValue(ID_PARENT, rvvValueEh, Null());
    r->SetValue(NPP, rvvValueEh, Variant(Keys[i]));
    list->LoadRecord(r);
  }
  list->EndUpdate();
}

void ShowAsTree(TMemTableEh& Table) {
  Table.GetTreeList()->SetKeyFieldName(u"ID_THIS");
  Table.GetTreeList()->SetRefParentFieldName(u"ID_PARENT");
  Table.GetTreeList()->SetDefaultNodeExpanded(true);
  Table.GetTreeList()->SetActive(true);
}

// Every one of Count records once, in order by NPP.
void ExpectSortedByNpp(const std::vector<TMemoryRecordEh*>& Records, Integer Count, const char* What) {
  ASSERT_EQ(Records.size(), static_cast<size_t>(Count)) << What;
  std::vector<Integer> ids;
  for (size_t i = 0; i < Records.size(); ++i) {
    ids.push_back(Records[i]->GetValue(ID_THIS, rvvValueEh).AsInteger());
    if (i > 0) {
      ASSERT_LE(Records[i - 1]->GetValue(NPP, rvvValueEh).AsInteger(),
                Records[i]->GetValue(NPP, rvvValueEh).AsInteger())
          << What << ", at " << i;
    }
  }
  std::sort(ids.begin(), ids.end());
  for (size_t i = 0; i < ids.size(); ++i) ASSERT_EQ(ids[i], static_cast<Integer>(i) + 1) << What;
}

std::vector<TMemoryRecordEh*> Shown(TMemTableEh& Table) {
  TRecordsViewEh* view = Table.GetRecordsView();
  std::vector<TMemoryRecordEh*> recs;
  for (Integer i = 0; i < view->ViewCount(); ++i) recs.push_back(view->ViewRecord(i));
  return recs;
}
const std::vector<TMemoryRecordEh*>& Stored(TMemTableEh& Table) {
  return Table.GetRecordsData()->GetRecordsList()->GetActiveList();
}

// A table that counts its record comparisons. As a descendant it sorts by
// fields comparing record by record through CompareRecords, where TMemTableEh
// itself sorts on keys taken once.
class TCountingTable : public TMemTableEh {
public:
  using TMemTableEh::TMemTableEh;
  TComparisons* Comparisons = nullptr;
  Integer CompareRecords(TMemoryRecordEh* Rec1, TMemoryRecordEh* Rec2, TOrderByList* OrderByList) override {
    if (Comparisons) Comparisons->Count();
    return TMemTableEh::CompareRecords(Rec1, Rec2, OrderByList);
  }
};

enum class TTableSort { SortByFields, SortOrder, TreeModeOpen };

// Sorts Table by NPP in Way (the table filled, closed) and gives the records in
// their sorted order.
std::vector<TMemoryRecordEh*> SortByNpp(TMemTableEh& Table, TTableSort Way) {
  switch (Way) {
    case TTableSort::SortByFields:
      Table.Open();
      Table.SortByFields(u"NPP");
      return Stored(Table);
    case TTableSort::SortOrder:
      Table.Open();
      Table.SetSortOrder(u"NPP");
      return Shown(Table);
    case TTableSort::TreeModeOpen:
      // As the program opens its resource tree: the order first, then tree mode and the open.
      Table.SetSortOrder(u"NPP");
      ShowAsTree(Table);
      Table.Open();
      return Shown(Table);
  }
  return {};
}

std::vector<Integer> IdsOf(const std::vector<TMemoryRecordEh*>& Records) {
  std::vector<Integer> ids;
  for (TMemoryRecordEh* r : Records) ids.push_back(r->GetValue(ID_THIS, rvvValueEh).AsInteger());
  return ids;
}

// Each bad key order sorted in Way twice, on the small stack. First comparing
// record by record, every comparison counted (the view's OnCompareRecords, or
// a descendant's CompareRecords for SortByFields); then as TMemTableEh sorts,
// on keys taken once, which answer every comparison as the records would: so
// the same quicksort makes the same moves, and leaves every record, ties
// included, where the counted sort left it.
void ExpectNLogNTableSort(TTableSort Way) {
  for (TKeyOrder order : kBadOrders) {
    const std::vector<Integer> keys = Keys(order, kCount);
    std::vector<Integer> counted;
    {
      TComparisons comparisons(kCount, kOrderedFactor);
      TCountingTable table(nullptr);
      Fill(table, keys);
      if (Way == TTableSort::SortByFields) table.Comparisons = &comparisons;
      else
        table.GetRecordsView()->OnCompareRecords = [&](TObject*, TMemoryRecordEh* A, TMemoryRecordEh* B,
                                                       TOrderByList* Order) {
          comparisons.Count();
          return TRecordsViewEh::CompareRecordsByOrder(A, B, Order);
        };
      std::vector<TMemoryRecordEh*> sorted;
      ASSERT_NO_THROW(OnSmallStack([&] { sorted = SortByNpp(table, Way); }))
          << NameOf(order) << ", compared record by record";
      ExpectSortedByNpp(sorted, kCount, NameOf(order));
      counted = IdsOf(sorted);
    }
    TMemTableEh table(nullptr);
    Fill(table, keys);
    std::vector<TMemoryRecordEh*> sorted;
    ASSERT_NO_THROW(OnSmallStack([&] { sorted = SortByNpp(table, Way); })) << NameOf(order) << ", on keys";
    EXPECT_EQ(IdsOf(sorted), counted) << NameOf(order);
  }
}

TEST(SortWorstCase, SortByFieldsStaysWithinNLogNComparisonsOnASmallStack) {
  ExpectNLogNTableSort(TTableSort::SortByFields);
}
TEST(SortWorstCase, SortOrderStaysWithinNLogNComparisonsOnASmallStack) { ExpectNLogNTableSort(TTableSort::SortOrder); }
TEST(SortWorstCase, TreeModeOpenStaysWithinNLogNComparisonsOnASmallStack) {
  ExpectNLogNTableSort(TTableSort::TreeModeOpen);
}

}  // namespace
