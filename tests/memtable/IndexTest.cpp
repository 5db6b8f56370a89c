// Indexes over a records list: lookups, upkeep through every kind of change,
// unique keys, and aggregates of a view.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <limits>
#include <random>

#include "editors/ToolCtrlsEh.h"
#include "tests/memtable/ExprTestUtil.h"

namespace {

constexpr unsigned kRandomStart = 20261207;

struct IndexFixture : ::testing::Test {
  TMemTableDataEh Store{nullptr};
  TMTIndexEh* Index = nullptr;

  void SetUp() override {
    BuildTestColumns(Store);
    Index = List()->GetIndexes()->Add();
    Index->SetFields(u"ID");
    Index->SetActive(true);
  }
  TRecordsListEh* List() { return Store.GetRecordsList(); }
  Integer IdOf(TMemoryRecordEh* r) { return r->GetValue(TestColumns::ID, rvvValueEh).AsInteger(); }

  // Every entry's key is its record's key, each record has one entry, and keys ascend.
  void ExpectConsistent(TMTIndexEh* I) {
    std::vector<int> seen(static_cast<size_t>(List()->GetCount()), 0);
    for (Integer k = 0; k < I->Count(); ++k) {
      const TIndexItemEh& e = I->GetItem(k);
      ASSERT_GE(e.RecIndex(), 0);
      ASSERT_LT(e.RecIndex(), List()->GetCount());
      ++seen[static_cast<size_t>(e.RecIndex())];
      EXPECT_TRUE(VarEqualsEh(e.Key(), List()->GetRecord(e.RecIndex())->GetDataValues(I->GetFields(), rvvValueEh)));
      if (k > 0) {
        EXPECT_NE(VarCompareEh(I->GetKey(k - 1), e.Key()), 2);
      }
    }
    for (size_t r = 0; r < seen.size(); ++r)
      if (List()->GetRecord(static_cast<Integer>(r))->GetUpdateStatus() != rusDeletedEh) {
        EXPECT_EQ(seen[r], 1);
      }
  }
};

TEST_F(IndexFixture, FindsRecordsByKey) {
  for (int id : {30, 10, 20}) AppendRecord(Store, id, u"x");
  Integer rec;
  ASSERT_TRUE(Index->FindKeyValue(Variant(20), rec));
  EXPECT_EQ(rec, 2);
  Integer pos;
  EXPECT_FALSE(Index->FindKeyValueIndex(Variant(99), pos));
  EXPECT_EQ(pos, 3);  // beyond all entries: the count
  EXPECT_FALSE(Index->FindKeyValueIndex(Variant(15), pos));
  EXPECT_EQ(pos, 1);
  ExpectConsistent(Index);
}

TEST_F(IndexFixture, AnEmptyIndexAnswersPositionZero) {
  Integer pos = 7;
  EXPECT_FALSE(Index->FindKeyValueIndex(Variant(1), pos));
  EXPECT_EQ(pos, 0);
}

TEST_F(IndexFixture, IncomparableKeysRaise) {
  AppendRecord(Store, 1, u"x");
  Integer pos;
  try {
    Index->FindKeyValueIndex(Variant(u"abc"), pos);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), u"TMTIndexEh.FindKeyValueIndex: values is not comparable.");
  }
}

TEST_F(IndexFixture, InsertingAtTheFrontShiftsEveryPosition) {
  for (int id : {1, 2, 3}) AppendRecord(Store, id, u"x");
  TMemoryRecordEh* r = List()->NewRecord();
  r->SetValue(TestColumns::ID, rvvValueEh, Variant(0));
  List()->InsertRecordAt(0, r);
  Integer rec;
  for (int id : {0, 1, 2, 3}) {
    ASSERT_TRUE(Index->FindKeyValue(Variant(id), rec));
    EXPECT_EQ(rec, id);
  }
}

TEST_F(IndexFixture, MovingARecordRenumbersTheEntriesBetween) {
  for (int id = 0; id < 7; ++id) AppendRecord(Store, id, u"x");
  List()->MoveRecord(5, 2);
  Integer rec;
  Index->FindKeyValue(Variant(5), rec);
  EXPECT_EQ(rec, 2);
  for (int id : {2, 3, 4}) {
    Index->FindKeyValue(Variant(id), rec);
    EXPECT_EQ(rec, id + 1);
  }
  List()->MoveRecord(1, 6);
  ExpectConsistent(Index);
}

TEST_F(IndexFixture, RecordsByKeyListsEveryEqualEntry) {
  for (int id : {5, 7, 5, 5, 9}) AppendRecord(Store, id, u"x");
  std::vector<TMemoryRecordEh*> found;
  Index->GetRecordsByKey(Variant(5), found);
  std::vector<Integer> positions;
  for (auto* r : found) positions.push_back(r->GetIndex());
  std::sort(positions.begin(), positions.end());
  EXPECT_EQ(positions, (std::vector<Integer>{0, 2, 3}));
}

TEST_F(IndexFixture, FindIndexByFieldsIgnoresCase) {
  TMTIndexEh* second = List()->GetIndexes()->Add();
  second->SetFields(u"id_this");
  EXPECT_EQ(List()->GetIndexes()->FindIndexByFields(u"ID_THIS"), second);
  EXPECT_EQ(List()->GetIndexes()->FindIndexByFields(u"Id"), Index);
  EXPECT_EQ(List()->GetIndexes()->FindIndexByFields(u"NAME"), nullptr);
}

TEST_F(IndexFixture, KeysOfSeveralFieldsAreArrays) {
  Index->SetFields(u"NAME;ID");
  AppendRecord(Store, 2, u"б");
  AppendRecord(Store, 1, u"б");
  AppendRecord(Store, 3, u"а");
  EXPECT_EQ(VarCompareEh(Index->GetKey(0), VarArrayOf({Variant(u"а"), Variant(3)})), 0);
  EXPECT_EQ(VarCompareEh(Index->GetKey(2), VarArrayOf({Variant(u"б"), Variant(2)})), 0);
  Integer rec;
  ASSERT_TRUE(Index->FindKeyValue(VarArrayOf({Variant(u"б"), Variant(1)}), rec));
  EXPECT_EQ(rec, 1);
}

// An index made over records already in the list orders them as comparing the
// records does: Null first, then by key, equal keys by the record made first,
// whatever order the list holds them in and however far apart the keys lie.
TEST(IndexLoad, AnIndexMadeOverManyRecordsOrdersThemAsTheirKeysCompare) {
  TMemTableDataEh store{nullptr};
  AddColumn(store, TMTNumericDataFieldEh::StaticComponentClass(), ftInteger, u"ID");
  AddColumn(store, TMTNumericDataFieldEh::StaticComponentClass(), ftLargeint, u"BIG");
  TRecordsListEh* list = store.GetRecordsList();
  std::mt19937 rng(kRandomStart);
  const Int64 extremes[] = {std::numeric_limits<Int64>::min(), std::numeric_limits<Int64>::max(), -1, 0, 1};
  for (int i = 0; i < 3000; ++i) {
    TMemoryRecordEh* r = list->NewRecord();
    const unsigned pick = rng() % 8;
    r->SetValue(0, rvvValueEh, pick == 0 ? Null() : Variant(static_cast<Integer>(rng() % 2001) - 1000));
    r->SetValue(1, rvvValueEh,
                pick < 5    ? Variant(extremes[pick])
                : pick == 5 ? Null()
                            : Variant(static_cast<Int64>(rng())));
    list->AddRecord(r);
  }
  for (int i = 0; i < 500; ++i)
    list->MoveRecord(static_cast<Integer>(rng() % 3000), static_cast<Integer>(rng() % 3000));
  for (const char16_t* field : {u"ID", u"BIG"}) {
    const Integer column = store.GetDataStruct()->FieldIndex(field);
    TMTIndexEh* index = list->GetIndexes()->Add();
    index->SetFields(field);
    index->SetActive(true);
    // So few records are read whole, in one part.
    EXPECT_EQ(index->GetLoadKeyParts(), 1);
    std::vector<TMemoryRecordEh*> expected = list->GetActiveList();
    std::sort(expected.begin(), expected.end(), [&](TMemoryRecordEh* a, TMemoryRecordEh* b) {
      const Variant x = a->GetValue(column, rvvValueEh), y = b->GetValue(column, rvvValueEh);
      if (x.IsNull() != y.IsNull()) return x.IsNull();
      if (!x.IsNull() && x.AsInt64() != y.AsInt64()) return x.AsInt64() < y.AsInt64();
      return a->GetID() < b->GetID();
    });
    ASSERT_EQ(index->Count(), 3000);
    for (Integer k = 0; k < index->Count(); ++k) {
      const TIndexItemEh& e = index->GetItem(k);
      ASSERT_EQ(e.Rec, expected[static_cast<size_t>(k)]) << ToUtf8(field) << " entry " << k;
      const Variant value = e.Rec->GetValue(column, rvvValueEh);
      ASSERT_EQ(e.Key().VarType(), value.VarType());
      ASSERT_TRUE(VarSameValue(e.Key(), value));
    }
    // Repeated keys refuse a unique index, which stays as it was.
    EXPECT_EQ(MessageOf<Exception>([&] { index->SetUnique(true); }).substr(0, 20), u"Unical key violation");
    EXPECT_FALSE(index->GetUnique());
    EXPECT_EQ(index->Count(), 3000);
  }
}

// A list of several hundred thousand records, some of them marked deleted (as
// cached updates leave them) among the first, keyed by whole numbers and Null;
// the record at FractionAt, when there is one, by a fraction instead.
void FillLargeList(TRecordsListEh* List, int Count, int FractionAt = -1) {
  List->SetCachedUpdates(true);
  std::mt19937 rng(kRandomStart);
  List->BeginUpdate();
  for (int i = 0; i < Count; ++i) {
    TMemoryRecordEh* r = List->NewRecord();
    r->SetValue(0, rvvValueEh,
                i == FractionAt   ? Variant(2500.5)
                : rng() % 10 == 0 ? Null()
                                  : Variant(static_cast<Integer>(rng() % 5000)));
    List->AddRecord(r);
  }
  List->EndUpdate();
  List->MergeChangeLog();
  for (Integer i = 0; i < 2000; ++i) List->DeleteRecord(i * 37);
}

// The index holds every record not marked deleted, in key order: Null first,
// whole numbers and fractions by value, equal keys in the order their records
// were made.
void ExpectOrderedByKey(TMTIndexEh* Index, TRecordsListEh* List) {
  std::vector<TMemoryRecordEh*> expected;
  for (TMemoryRecordEh* r : List->GetActiveList())
    if (r->GetUpdateStatus() != rusDeletedEh) expected.push_back(r);
  ASSERT_LT(expected.size(), List->GetActiveList().size());
  std::sort(expected.begin(), expected.end(), [](TMemoryRecordEh* a, TMemoryRecordEh* b) {
    const Variant x = a->GetValue(0, rvvValueEh), y = b->GetValue(0, rvvValueEh);
    if (x.IsNull() != y.IsNull()) return x.IsNull();
    if (!x.IsNull() && x.AsDouble() != y.AsDouble()) return x.AsDouble() < y.AsDouble();
    return a->GetID() < b->GetID();
  });
  ASSERT_EQ(Index->Count(), static_cast<Integer>(expected.size()));
  for (Integer k = 0; k < Index->Count(); ++k)
    ASSERT_EQ(Index->GetItem(k).Rec, expected[static_cast<size_t>(k)]) << "entry " << k;
}

// A large list's whole-number keys are read in two halves at once, the
// second on a helper thread, and ordered as any list's are, the records marked
// deleted left out. Read by the caller alone, or the slower way, the entries
// would be the same: only the index's account of the load tells.
TEST(IndexLoad, AnIndexMadeOverALargeListReadsItsKeysInTwoHalvesAtOnceAndOrdersThem) {
  TMemTableDataEh store{nullptr};
  AddColumn(store, TMTNumericDataFieldEh::StaticComponentClass(), ftInteger, u"ID");
  TRecordsListEh* list = store.GetRecordsList();
  FillLargeList(list, 300000);
  TMTIndexEh* index = list->GetIndexes()->Add();
  index->SetFields(u"ID");
  index->SetActive(true);
  EXPECT_EQ(index->GetLoadKeyParts(), 2);
  ExpectOrderedByKey(index, list);
}

// A fraction among a large list's keys (a column of values of any kind), in
// its second half, sends the whole load the general way, whose order is the same.
TEST(IndexLoad, AFractionAmongALargeListsKeysLoadsTheIndexTheGeneralWayInTheSameOrder) {
  TMemTableDataEh store{nullptr};
  AddColumn(store, TMTVariantDataFieldEh::StaticComponentClass(), ftVariant, u"ANY");
  TRecordsListEh* list = store.GetRecordsList();
  constexpr int kCount = 300000;
  FillLargeList(list, kCount, kCount * 3 / 4);
  TMTIndexEh* index = list->GetIndexes()->Add();
  index->SetFields(u"ANY");
  index->SetActive(true);
  EXPECT_EQ(index->GetLoadKeyParts(), 0);
  ExpectOrderedByKey(index, list);
}

// ---- unique keys -----------------------------------------------------------------------

struct UniqueFixture : IndexFixture {
  void SetUp() override {
    IndexFixture::SetUp();
    Index->SetUnique(true);
    for (int id : {1, 2, 3}) AppendRecord(Store, id, u"x");
  }
};

TEST_F(UniqueFixture, ASecondRecordWithTheKeyIsRefusedAndNothingChanges) {
  TMemoryRecordEh* r = List()->NewRecord();
  r->SetValue(TestColumns::ID, rvvValueEh, Variant(2));
  try {
    r->Post();
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), u"Unical key violation 2");
  }
  EXPECT_EQ(List()->GetCount(), 3);
  EXPECT_EQ(Index->Count(), 3);
  ExpectConsistent(Index);
  r->Cancel();  // still the caller's: freed by Cancel
}

TEST_F(UniqueFixture, ChangingAKeyToATakenOneIsRefused) {
  TMemoryRecordEh* r = List()->GetRecord(0);
  r->Edit();
  r->SetValue(TestColumns::ID, rvvValueEh, Variant(3));
  EXPECT_THROW(r->Post(), Exception);
  r->Cancel();
  EXPECT_EQ(IdOf(r), 1);
  ExpectConsistent(Index);
  Integer rec;
  ASSERT_TRUE(Index->FindKeyValue(Variant(3), rec));
  EXPECT_EQ(rec, 2);
}

TEST_F(UniqueFixture, PostingAnUnchangedKeyIsAccepted) {
  TMemoryRecordEh* r = List()->GetRecord(1);
  r->Edit();
  r->SetValue(TestColumns::NAME, rvvValueEh, Variant(u"new"));
  r->Post();
  r->Edit();
  r->SetValue(TestColumns::ID, rvvValueEh, Variant(20));
  r->Post();
  Integer rec;
  EXPECT_TRUE(Index->FindKeyValue(Variant(20), rec));
  EXPECT_FALSE(Index->FindKeyValue(Variant(2), rec));
  ExpectConsistent(Index);
}

TEST_F(UniqueFixture, MakingAnIndexUniqueOverDuplicatesFailsAndKeepsItAsItWas) {
  TMTIndexEh* byName = List()->GetIndexes()->Add();
  byName->SetFields(u"NAME");
  byName->SetActive(true);
  EXPECT_THROW(byName->SetUnique(true), Exception);
  EXPECT_FALSE(byName->GetUnique());
  EXPECT_EQ(byName->Count(), 3);
  EXPECT_THROW(byName->SetFields(u"NOPE"), Exception);
  EXPECT_EQ(byName->GetFields(), u"NAME");
  EXPECT_EQ(byName->Count(), 3);
}

TEST_F(UniqueFixture, CachedDeletionRemovesOnlyTheRecordsOwnEntry) {
  List()->SetCachedUpdates(true);
  Index->SetUnique(false);
  AppendRecord(Store, 2, u"twin");  // two records with key 2
  List()->MergeChangeLog();
  List()->DeleteRecord(1);  // mark the first "2" deleted
  EXPECT_EQ(Index->Count(), 3);
  List()->MergeChangeLog();  // it leaves the list: its entry is gone already
  ASSERT_EQ(List()->GetCount(), 3);
  EXPECT_EQ(Index->Count(), 3);
  std::vector<TMemoryRecordEh*> twins;
  Index->GetRecordsByKey(Variant(2), twins);
  ASSERT_EQ(twins.size(), 1u);
  EXPECT_EQ(twins[0]->GetValue(TestColumns::NAME, rvvValueEh).AsString(), u"twin");
  ExpectConsistent(Index);
}

// ---- a property test: random changes against a brute-force scan --------------------------

TEST_F(IndexFixture, LookupsAgreeWithAScanAfterRandomChanges) {
  std::mt19937 rng(kRandomStart);
  auto randomKey = [&] { return static_cast<Integer>(rng() % 50); };
  TMTIndexEh* unique = List()->GetIndexes()->Add();
  unique->SetFields(u"NAME");
  unique->SetUnique(true);
  unique->SetActive(true);
  int nameCounter = 0;
  for (int step = 0; step < 1500; ++step) {
    const int op = static_cast<int>(rng() % 10);
    const Integer n = List()->GetCount();
    if (op < 4 || n == 0) {
      TMemoryRecordEh* r = List()->NewRecord();
      r->SetValue(TestColumns::ID, rvvValueEh, Variant(randomKey()));
      r->SetValue(TestColumns::NAME, rvvValueEh, Variant(AsciiToString("n" + std::to_string(nameCounter++))));
      if (n > 0 && op % 2) List()->InsertRecordAt(static_cast<Integer>(rng() % static_cast<unsigned>(n)), r);
      else List()->AddRecord(r);
    } else if (op < 6) {
      TMemoryRecordEh* r = List()->GetRecord(static_cast<Integer>(rng() % static_cast<unsigned>(n)));
      r->Edit();
      r->SetValue(TestColumns::ID, rvvValueEh, Variant(randomKey()));
      r->Post();
    } else if (op < 7) {
      // A duplicate name is refused and changes nothing.
      TMemoryRecordEh* r = List()->GetRecord(static_cast<Integer>(rng() % static_cast<unsigned>(n)));
      TMemoryRecordEh* other = List()->GetRecord(static_cast<Integer>(rng() % static_cast<unsigned>(n)));
      if (r == other) continue;
      r->Edit();
      r->SetValue(TestColumns::NAME, rvvValueEh, other->GetValue(TestColumns::NAME, rvvValueEh));
      EXPECT_THROW(r->Post(), Exception);
      r->Cancel();
    } else if (op < 9) {
      List()->DeleteRecord(static_cast<Integer>(rng() % static_cast<unsigned>(n)));
    } else {
      List()->MoveRecord(static_cast<Integer>(rng() % static_cast<unsigned>(n)),
                         static_cast<Integer>(rng() % static_cast<unsigned>(n)));
    }
    if (step % 100 == 0) {
      ExpectConsistent(Index);
      ExpectConsistent(unique);
    }
  }
  ExpectConsistent(Index);
  ExpectConsistent(unique);
  for (Integer key = -1; key <= 50; ++key) {
    std::vector<TMemoryRecordEh*> viaIndex, viaScan;
    Index->GetRecordsByKey(Variant(key), viaIndex);
    for (TMemoryRecordEh* r : List()->GetActiveList())
      if (IdOf(r) == key) viaScan.push_back(r);
    std::sort(viaIndex.begin(), viaIndex.end());
    std::sort(viaScan.begin(), viaScan.end());
    EXPECT_EQ(viaIndex, viaScan) << "key " << key;
    Integer rec;
    EXPECT_EQ(Index->FindKeyValue(Variant(key), rec), !viaScan.empty());
  }
}

// Entries in order of (key, record made first), each position and range answered as
// a scan of the records would: the index's answer may not depend on the path of changes.
TEST_F(IndexFixture, PositionsAgreeWithAScanThroughCachedChangesAndMoves) {
  std::mt19937 rng(kRandomStart + 1);
  List()->SetCachedUpdates(true);
  auto pick = [&] { return static_cast<Integer>(rng() % static_cast<unsigned>(List()->GetCount())); };
  for (int step = 0; step < 3000; ++step) {
    const int op = static_cast<int>(rng() % 12);
    if (op < 5 || List()->GetCount() < 2) {
      TMemoryRecordEh* r = List()->NewRecord();
      r->SetValue(TestColumns::ID, rvvValueEh, Variant(static_cast<Integer>(rng() % 40)));
      if (op % 2 && List()->GetCount() > 0) List()->InsertRecordAt(pick(), r);
      else List()->AddRecord(r);
    } else if (op < 7) {
      TMemoryRecordEh* r = List()->GetRecord(pick());
      if (r->GetUpdateStatus() == rusDeletedEh) continue;
      r->Edit();
      r->SetValue(TestColumns::ID, rvvValueEh, Variant(static_cast<Integer>(rng() % 40)));
      r->Post();
    } else if (op < 9) {
      TMemoryRecordEh* r = List()->GetRecord(pick());
      if (r->GetUpdateStatus() != rusDeletedEh) List()->DeleteRecord(r->GetIndex());
    } else if (op < 10) {
      List()->MoveRecord(pick(), pick());
    } else if (op < 11) {
      if (rng() % 8 == 0) List()->MergeChangeLog();
    } else if (rng() % 16 == 0) {
      List()->CancelUpdates();
    }
  }
  ExpectConsistent(Index);
  std::vector<TMemoryRecordEh*> live;
  for (TMemoryRecordEh* r : List()->GetActiveList())
    if (r->GetUpdateStatus() != rusDeletedEh) live.push_back(r);
  std::sort(live.begin(), live.end(), [&](TMemoryRecordEh* a, TMemoryRecordEh* b) {
    return IdOf(a) != IdOf(b) ? IdOf(a) < IdOf(b) : a->GetID() < b->GetID();
  });
  ASSERT_EQ(Index->Count(), static_cast<Integer>(live.size()));
  for (Integer k = 0; k < Index->Count(); ++k) ASSERT_EQ(Index->GetItem(k).Rec, live[static_cast<size_t>(k)]) << k;
  for (Integer key = -1; key <= 41; ++key) {
    const auto first = std::find_if(live.begin(), live.end(), [&](TMemoryRecordEh* r) { return IdOf(r) >= key; });
    Integer pos = -1;
    const bool found = Index->FindKeyValueIndex(Variant(key), pos);
    EXPECT_EQ(pos, first - live.begin()) << "key " << key;
    EXPECT_EQ(found, first != live.end() && IdOf(*first) == key) << "key " << key;
  }
}

// ---- aggregates ------------------------------------------------------------------------------

class TAggregateView : public TComponent, public TRowList {
public:
  using TComponent::TComponent;
};

struct AggregatesFixture : ::testing::Test, ExprFixtureBase {
  TAggregateView* View = new TAggregateView(&DS);  // owned by the dataset, as a view is
  TMTAggregatesEh Aggregates{View};
  void SetUp() override {
    Add(Variant(3), Variant(u"a"));
    Add(Variant(4), Variant(u"b"));
    View->Rows = List()->GetActiveList();
  }
};

TEST_F(AggregatesFixture, AnAggregateWithoutExpressionIsNull) {
  Aggregates.SetActive(true);
  TMTAggregateEh* a = Aggregates.Add();
  a->SetActive(true);
  EXPECT_FALSE(a->GetPrepared());
  EXPECT_TRUE(a->GetValue().IsNull());
}

TEST_F(AggregatesFixture, ValuesFollowResets) {
  Aggregates.SetActive(true);
  TMTAggregateEh* a = Aggregates.Add();
  a->SetActive(true);
  a->SetExpression(u"SUM(ID)");
  EXPECT_TRUE(a->GetPrepared());
  EXPECT_EQ(a->GetDataType(), ftFloat);
  EXPECT_EQ(a->GetValue().AsInteger(), 7);
  EXPECT_EQ(a->GetDisplayName(), u"SUM(ID)");
  Add(Variant(10), Variant(u"c"));
  View->Rows = List()->GetActiveList();
  Aggregates.Reset();
  EXPECT_EQ(a->GetValue().AsInteger(), 17);
}

TEST_F(AggregatesFixture, AnInactiveCollectionPreparesNothing) {
  TMTAggregateEh* a = Aggregates.Add();
  a->SetActive(true);
  a->SetExpression(u"COUNT(*)");
  EXPECT_FALSE(a->GetPrepared());
  EXPECT_TRUE(a->GetValue().IsNull());
}

}  // namespace
