// Variant comparison, the bookmark list, field lists and distinct field values.

#include <gtest/gtest.h>

#include "editors/ToolCtrlsEh.h"
#include "platform/data/DBConsts.h"
#include "tests/platform/data/TestDataSet.h"

namespace {

// ---- Variant comparison ---------------------------------------------------------

TEST(VarCompareEh, NullSortsBeforeEveryValue) {
  EXPECT_EQ(VarCompareEh(Null(), Variant(5)), 1);
  EXPECT_EQ(VarCompareEh(Variant(5), Null()), 2);
  EXPECT_EQ(VarCompareEh(Null(), Null()), 0);
  EXPECT_EQ(VarCompareEh(Null(), Variant(u"")), 1);
}

TEST(VarCompareEh, OrdersNumbersStringsAndDates) {
  EXPECT_EQ(VarCompareEh(Variant(1), Variant(2)), 1);
  EXPECT_EQ(VarCompareEh(Variant(2.5), Variant(2)), 2);
  EXPECT_EQ(VarCompareEh(Variant(Int64(7)), Variant(7)), 0);
  EXPECT_EQ(VarCompareEh(Variant(u"ёж"), Variant(u"жук")), 1);  // the Russian alphabet: е, ё before ж
  EXPECT_EQ(VarCompareEh(VarFromDateTime(45000), VarFromDateTime(44000)), 2);
}

TEST(VarCompareEh, IncomparableValuesGiveThreeWithoutRaising) {
  EXPECT_EQ(VarCompareEh(Variant(u"abc"), Variant(5)), 3);
  EXPECT_EQ(VarCompareEh(Unassigned(), Variant(5)), 3);
  EXPECT_EQ(VarCompareEh(Unassigned(), Unassigned()), 0);
  EXPECT_EQ(VarCompareEh(VarArrayOf({Variant(1)}), Variant(1)), 3);
  EXPECT_EQ(VarCompareEh(Variant(1), VarArrayOf({Variant(1)})), 3);
}

TEST(VarCompareEh, ArraysCompareElementByElement) {
  EXPECT_EQ(VarCompareEh(VarArrayOf({Variant(1)}), VarArrayOf({Variant(2)})), 1);
  EXPECT_EQ(VarCompareEh(VarArrayOf({Variant(1), Variant(u"b")}), VarArrayOf({Variant(1), Variant(u"a")})), 2);
  EXPECT_EQ(VarCompareEh(VarArrayOf({Null(), Variant(9)}), VarArrayOf({Variant(0), Variant(0)})), 1);
  EXPECT_EQ(VarCompareEh(VarArrayOf({Variant(1), Variant(2)}), VarArrayOf({Variant(1), Variant(2)})), 0);
  Variant emptyA = VarArrayCreate(0, -1, varVariant), emptyB = VarArrayCreate(0, -1, varVariant);
  EXPECT_EQ(VarCompareEh(emptyA, emptyB), 3);
}

TEST(VarEqualsEh, EmptyIsOnlyEqualToEmpty) {
  EXPECT_FALSE(VarEqualsEh(Unassigned(), Null()));
  EXPECT_TRUE(VarEqualsEh(Unassigned(), Unassigned()));
  EXPECT_TRUE(VarEqualsEh(Null(), Null()));
  EXPECT_FALSE(VarEqualsEh(Null(), Variant(0)));
  EXPECT_TRUE(VarEqualsEh(Variant(3), Variant(3.0)));
  EXPECT_FALSE(VarEqualsEh(Variant(u"x"), Variant(3)));
}

TEST(VarEqualsEh, ArraysOfOneShapeCompareElements) {
  EXPECT_TRUE(VarEqualsEh(VarArrayOf({Variant(1), Variant(u"a")}), VarArrayOf({Variant(1), Variant(u"a")})));
  EXPECT_FALSE(VarEqualsEh(VarArrayOf({Variant(1), Variant(u"a")}), VarArrayOf({Variant(1), Variant(u"b")})));
  EXPECT_FALSE(VarEqualsEh(VarArrayOf({Variant(1)}), Variant(1)));
  EXPECT_FALSE(VarEqualsEh(VarArrayCreate(0, -1, varVariant), VarArrayCreate(0, -1, varVariant)));
}

// ---- Bookmark list ---------------------------------------------------------------

class TDataSetBMList : public TBMListEh {
public:
  explicit TDataSetBMList(TDataSet* ADataSet) : FDataSet(ADataSet) {}
  TDataSet* GetDataSet() const override { return FDataSet; }
  void Changed() override { ++ChangedCount; }
  void Invalidate() override { ++InvalidateCount; }
  int ChangedCount = 0;
  int InvalidateCount = 0;

private:
  TDataSet* FDataSet;
};

struct BMListFixture : ::testing::Test {
  TTestDataSet DS;
  std::unique_ptr<TDataSetBMList> List;
  void SetUp() override {
    DS.GetFieldDefs()->Add(u"ID", ftInteger);
    for (int i = 1; i <= 6; ++i) DS.AddRow({Variant(i)});
    DS.Open();
    List = std::make_unique<TDataSetBMList>(&DS);
    List->SetLinkActive(true);
  }
  void GoTo(int Id) {
    DS.First();
    while (DS.FieldByName(u"ID")->GetAsInteger() != Id) DS.Next();
  }
  void Select(int Id) {
    GoTo(Id);
    List->SetCurrentRowSelected(true);
  }
};

TEST_F(BMListFixture, FindOnEmptyListGivesFalseAndZero) {
  Integer index = -5;
  DS.First();
  EXPECT_FALSE(List->Find(DS.GetBookmark(), index));
  EXPECT_EQ(index, 0);
}

TEST_F(BMListFixture, SelectingKeepsDatasetOrderAndOneEntryPerRecord) {
  Select(5);
  Select(2);
  Select(4);
  Select(2);
  ASSERT_EQ(List->Count(), 3);
  const int expected[] = {2, 4, 5};
  for (int i = 0; i < 3; ++i) {
    DS.GotoBookmark(List->GetItem(i));
    EXPECT_EQ(DS.FieldByName(u"ID")->GetAsInteger(), expected[i]);
  }
  GoTo(4);
  EXPECT_TRUE(List->GetCurrentRowSelected());
  List->SetCurrentRowSelected(false);
  EXPECT_EQ(List->Count(), 2);
  GoTo(3);
  List->SetCurrentRowSelected(false);  // was not selected: nothing changes
  EXPECT_EQ(List->Count(), 2);
}

TEST_F(BMListFixture, RepeatedFindAnswersFromTheCacheUntilTheListChanges) {
  Select(3);
  GoTo(3);
  TBookmark b = DS.GetBookmark();
  Integer index;
  EXPECT_TRUE(List->Find(b, index));
  EXPECT_EQ(index, 0);
  Select(1);  // an insert before it forgets the cache
  EXPECT_TRUE(List->Find(b, index));
  EXPECT_EQ(index, 1);
  List->Clear();  // an emptied list cannot answer from a stale index
  EXPECT_FALSE(List->Find(b, index));
  EXPECT_EQ(index, 0);
}

TEST_F(BMListFixture, BadIndexesRaiseAndLeaveTheListUnchanged) {
  Select(2);
  DS.First();
  TBookmark b = DS.GetBookmark();
  try {
    List->Insert(3, b);
    FAIL();
  } catch (const EListError& e) {
    EXPECT_EQ(e.Message(), u"List index out of bounds (3)");
  }
  EXPECT_THROW(List->Delete(1), EListError);
  EXPECT_THROW(List->GetItem(1), EListError);
  EXPECT_THROW(List->GetItem(-1), EListError);
  EXPECT_EQ(List->Count(), 1);
}

TEST_F(BMListFixture, CurrentBookmarkNeedsAnActiveLink) {
  List->SetLinkActive(false);
  try {
    List->GetCurrentBookmark();
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), SDataSetClosed);
  }
}

TEST_F(BMListFixture, DeleteRecordsRemovesEverySelectedRecord) {
  Select(2);
  Select(5);
  const int before = List->ChangedCount;
  List->DeleteRecords();
  EXPECT_EQ(List->Count(), 0);
  EXPECT_EQ(DS.RowCount(), 4);
  EXPECT_FALSE(DS.ControlsDisabled());
  EXPECT_GT(List->ChangedCount, before);
  for (int r = 0; r < DS.RowCount(); ++r) EXPECT_NE(DS.Cell(r, 0).AsInteger(), 2);
}

TEST_F(BMListFixture, DeleteRecordsOnAnEmptyListStillReportsAChange) {
  const int before = List->ChangedCount;
  List->DeleteRecords();
  EXPECT_EQ(List->ChangedCount, before + 1);
  EXPECT_FALSE(DS.ControlsDisabled());
}

TEST_F(BMListFixture, ClearReportsOnlyWhenSomethingWasThere) {
  const int changed = List->ChangedCount, invalidated = List->InvalidateCount;
  List->Clear();
  EXPECT_EQ(List->ChangedCount, changed);
  Select(1);
  List->Clear();
  EXPECT_EQ(List->ChangedCount, changed + 1);
  EXPECT_EQ(List->InvalidateCount, invalidated + 1);
}

TEST_F(BMListFixture, CustomSortOrdersByTheCallersComparison) {
  for (int id : {1, 2, 3, 4, 5, 6}) Select(id);
  // Descending by ID: the compare sees indexes into the list.
  List->CustomSort(nullptr, [this](TBMListEh* L, void*, Integer A, Integer B) {
    DS.GotoBookmark(L->GetItem(A));
    const int a = DS.FieldByName(u"ID")->GetAsInteger();
    DS.GotoBookmark(L->GetItem(B));
    const int b = DS.FieldByName(u"ID")->GetAsInteger();
    return b - a;
  });
  std::vector<int> ids;
  for (int i = 0; i < List->Count(); ++i) {
    DS.GotoBookmark(List->GetItem(i));
    ids.push_back(DS.FieldByName(u"ID")->GetAsInteger());
  }
  EXPECT_EQ(ids, (std::vector<int>{6, 5, 4, 3, 2, 1}));
}

// ---- Field lists and value lists -----------------------------------------------------

struct FieldToolsFixture : ::testing::Test {
  TTestDataSet DS;
  void SetUp() override {
    DS.SetName(u"Books");
    DS.GetFieldDefs()->Add(u"ID", ftInteger);
    DS.GetFieldDefs()->Add(u"TITLE", ftWideString, 40);
    DS.AddRow({Variant(1), Variant(u"Война и мир")});
    DS.AddRow({Variant(2), Variant(u"Анна Каренина")});
    DS.AddRow({Variant(3), Variant(u"Война и мир")});
    DS.Open();
  }
};

TEST_F(FieldToolsFixture, FieldListsResolveInNameOrder) {
  TFieldsArrEh fields;
  GetFieldsArrEh(&DS, nullptr, u"TITLE; ID", fields);
  ASSERT_EQ(fields.size(), 2u);
  EXPECT_EQ(fields[0]->GetFieldName(), u"TITLE");
  EXPECT_EQ(fields[1]->GetFieldName(), u"ID");
  GetFieldListEh(nullptr, &DS, nullptr, u"ID");  // check only
}

TEST_F(FieldToolsFixture, AnUnknownFieldNamesTheComponent) {
  try {
    GetFieldListEh(nullptr, &DS, &DS, u"ID;AUTHOR");
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), u"Books: Field 'AUTHOR' not found");
  }
}

TEST_F(FieldToolsFixture, AssignFieldsValuesClearsOnNullAndSetsArrays) {
  DS.First();
  DS.Edit();
  AssignFieldsValuesEh(&DS, u"ID;TITLE", VarArrayOf({Variant(9), Variant(u"Обломов")}));
  EXPECT_EQ(DS.FieldByName(u"ID")->GetAsInteger(), 9);
  EXPECT_EQ(DS.FieldByName(u"TITLE")->GetAsString(), u"Обломов");
  AssignFieldsValuesEh(&DS, u"ID;TITLE", Null());
  EXPECT_TRUE(DS.FieldByName(u"ID")->GetValue().IsNull());
  EXPECT_TRUE(DS.FieldByName(u"TITLE")->GetValue().IsNull());
  DS.Cancel();
}

TEST_F(FieldToolsFixture, DistinctValuesAreSortedOnceEachAndFollowChanges) {
  TDatasetFieldValueListEh values;
  values.SetDataSet(&DS);
  values.SetFieldName(u"TITLE");
  TStringList* list = values.GetValues();
  ASSERT_EQ(list->GetCount(), 2);
  EXPECT_EQ(list->GetStrings(0), u"Анна Каренина");
  EXPECT_EQ(list->GetStrings(1), u"Война и мир");
  DS.Append();
  DS.FieldByName(u"ID")->SetAsInteger(4);
  DS.FieldByName(u"TITLE")->SetAsString(u"Бесы");
  DS.Post();
  DS.First();  // a whole-dataset change marks the list
  EXPECT_EQ(values.GetValues()->GetCount(), 3);
  values.SetFieldName(u"NOPE");
  EXPECT_EQ(values.GetValues()->GetCount(), 0);
}

TEST(IsNumberFieldTypeEh, CountsTheNumericTypesOnly) {
  for (TFieldType t : {ftSmallint, ftInteger, ftWord, ftFloat, ftCurrency, ftBCD, ftFMTBcd})
    EXPECT_TRUE(IsNumberFieldTypeEh(t));
  for (TFieldType t : {ftLargeint, ftAutoInc, ftString, ftDate, ftBoolean}) EXPECT_FALSE(IsNumberFieldTypeEh(t));
  EXPECT_FALSE(IsNumberFieldTypeEh(static_cast<TFieldType>(56)));
}

}  // namespace
