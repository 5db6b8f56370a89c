#include <gtest/gtest.h>

#include "MemTestUtil.h"
#include "platform/core/Exceptions.h"

namespace {

class MemoryRecord : public ::testing::Test {
protected:
  MemoryRecord() : store(nullptr) { BuildTestColumns(store); }
  TRecordsListEh* List() { return store.GetRecordsList(); }
  TMemTableDataEh store;
};

}  // namespace

TEST_F(MemoryRecord, NewRecordHoldsOneNullPerColumnAndIsOutsideTheList) {
  TMemoryRecordEh* r = List()->NewRecord();
  EXPECT_EQ(r->GetEditState(), resNewEh);
  EXPECT_EQ(r->GetIndex(), -1);
  ASSERT_EQ(r->GetData().size(), static_cast<size_t>(TestColumns::COUNT));
  for (const TRecValueEh& v : r->GetData()) EXPECT_TRUE(v.IsNull());
  EXPECT_EQ(List()->GetCount(), 0);
  TMemoryRecordEh* r2 = List()->NewRecord();
  EXPECT_GT(r2->GetID(), r->GetID());
  r->Cancel();  // frees it
  r2->Cancel();
  EXPECT_EQ(List()->GetCount(), 0);
}

TEST_F(MemoryRecord, PostAppendsANewRecord) {
  TMemoryRecordEh* r = AppendRecord(store, 7, u"Иванов");
  EXPECT_EQ(r->GetEditState(), resBrowseEh);
  EXPECT_EQ(r->GetIndex(), 0);
  EXPECT_EQ(List()->GetRecord(0), r);
  EXPECT_EQ(r->GetUpdateStatus(), rusUnmodifiedEh);
  EXPECT_EQ(r->GetValue(TestColumns::NAME, rvvValueEh).AsString(), u"Иванов");
}

TEST_F(MemoryRecord, PostOutsideAnEditRaisesTheDatasetError) {
  TMemoryRecordEh* r = AppendRecord(store, 1, u"a");
  EXPECT_EQ(MessageOf<EDatabaseError>([&] { r->Post(); }), u"Dataset not in edit or insert mode");
  EXPECT_EQ(MessageOf<EDatabaseError>([&] { r->Cancel(); }), u"Dataset not in edit or insert mode");
}

TEST_F(MemoryRecord, EditThenCancelRestoresTheValues) {
  TMemoryRecordEh* r = AppendRecord(store, 1, u"до");
  r->Edit();
  EXPECT_EQ(r->GetEditState(), resEditEh);
  r->SetValue(TestColumns::NAME, rvvEditValueEh, Variant(u"после"));
  EXPECT_EQ(r->GetValue(TestColumns::NAME, rvvEditStartValueEh).AsString(), u"до");
  EXPECT_EQ(r->GetValue(TestColumns::NAME, rvvValueEh).AsString(), u"после");
  r->Edit();  // a second Edit keeps the first pre-edit copy
  EXPECT_EQ(r->GetValue(TestColumns::NAME, rvvEditStartValueEh).AsString(), u"до");
  r->Cancel();
  EXPECT_EQ(r->GetEditState(), resBrowseEh);
  EXPECT_EQ(r->GetValue(TestColumns::NAME, rvvValueEh).AsString(), u"до");
  EXPECT_FALSE(r->HasEditValues());
}

TEST_F(MemoryRecord, ValueVersionsReadTheirArrays) {
  List()->SetCachedUpdates(true);
  TMemoryRecordEh* r = AppendRecord(store, 1, u"first");
  List()->MergeChangeLog();
  EXPECT_EQ(MessageOf<Exception>([&] { r->GetValue(TestColumns::NAME, rvvOldValueEh); }),
            u"TMemoryRecordEh.GetDataValues: Old values is not accessible.");
  EXPECT_EQ(MessageOf<Exception>([&] { r->GetValue(TestColumns::NAME, rvvEditValueEh); }),
            u"TMemoryRecordEh.GetDataValues: Edit values is not accessible.");
  EXPECT_EQ(r->GetValue(TestColumns::NAME, rvvOldestValueEh).AsString(), u"first");
  EXPECT_EQ(r->GetValue(TestColumns::NAME, rvvOldOrValueEh).AsString(), u"first");

  r->Edit();
  r->SetValue(TestColumns::NAME, rvvValueEh, Variant(u"second"));
  r->Post();
  r->Edit();
  r->SetValue(TestColumns::NAME, rvvValueEh, Variant(u"third"));
  // old: first; pre-edit: second; current: third
  EXPECT_EQ(r->GetValue(TestColumns::NAME, rvvOldValueEh).AsString(), u"first");
  EXPECT_EQ(r->GetValue(TestColumns::NAME, rvvEditStartValueEh).AsString(), u"second");
  EXPECT_EQ(r->GetValue(TestColumns::NAME, rvvEditValueEh).AsString(), u"third");
  EXPECT_EQ(r->GetValue(TestColumns::NAME, rvvValueEh).AsString(), u"third");
  EXPECT_EQ(r->GetValue(TestColumns::NAME, rvvOldestValueEh).AsString(), u"first");
  EXPECT_EQ(r->GetValue(TestColumns::NAME, rvvOldOrValueEh).AsString(), u"first");
  EXPECT_TRUE(r->GetValue(TestColumns::NAME, static_cast<TRecValueVersionEh>(9)).IsEmpty());
  r->Cancel();
}

TEST_F(MemoryRecord, BadColumnRaisesTheListIndexError) {
  TMemoryRecordEh* r = AppendRecord(store, 1, u"a");
  EXPECT_EQ(MessageOf<EListError>([&] { r->GetValue(TestColumns::COUNT, rvvValueEh); }),
            u"List index out of bounds (7)");
  EXPECT_EQ(MessageOf<EListError>([&] { r->SetValue(-1, rvvValueEh, Variant(1)); }), u"List index out of bounds (-1)");
}

TEST_F(MemoryRecord, ValuesAreCastToTheColumnType) {
  TMemoryRecordEh* r = AppendRecord(store, 1, u"a");
  r->SetValue(TestColumns::ID, rvvValueEh, Variant(u"42"));
  EXPECT_EQ(VarType(r->GetValue(TestColumns::ID, rvvValueEh)), varInteger);
  EXPECT_EQ(r->GetValue(TestColumns::ID, rvvValueEh).AsInteger(), 42);
  r->SetValue(TestColumns::NAME, rvvValueEh, Variant(12));
  EXPECT_EQ(VarType(r->GetValue(TestColumns::NAME, rvvValueEh)), varOleStr);
  r->SetValue(TestColumns::NOTE, rvvValueEh, Variant(u"текст"));
  EXPECT_EQ(VarType(r->GetValue(TestColumns::NOTE, rvvValueEh)), varString);
  r->SetValue(TestColumns::PRICE, rvvValueEh, Variant(2.5));
  EXPECT_EQ(VarType(r->GetValue(TestColumns::PRICE, rvvValueEh)), varCurrency);
  EXPECT_EQ(r->GetValue(TestColumns::PRICE, rvvValueEh).AsCurrency().Raw, 25000);
}

TEST_F(MemoryRecord, AFailedCastLeavesTheValue) {
  TMemoryRecordEh* r = AppendRecord(store, 5, u"a");
  EXPECT_THROW(r->SetValue(TestColumns::ID, rvvValueEh, Variant(u"not a number")), EVariantError);
  EXPECT_EQ(r->GetValue(TestColumns::ID, rvvValueEh).AsInteger(), 5);
}

TEST_F(MemoryRecord, UnassignedIsStoredAsNull) {
  TMemoryRecordEh* r = AppendRecord(store, 5, u"a");
  r->SetValue(TestColumns::NAME, rvvValueEh, Unassigned());
  EXPECT_TRUE(r->GetValue(TestColumns::NAME, rvvValueEh).IsNull());
  r->SetValue(TestColumns::ID, rvvValueEh, Null());
  EXPECT_TRUE(r->GetValue(TestColumns::ID, rvvValueEh).IsNull());
}

TEST_F(MemoryRecord, DataValuesByNameAndByList) {
  TMemoryRecordEh* r = AppendRecord(store, 3, u"Пётр");
  EXPECT_EQ(r->GetDataValues(u"name", rvvValueEh).AsString(), u"Пётр");
  Variant both = r->GetDataValues(u"ID;NAME", rvvValueEh);
  ASSERT_TRUE(both.IsArray());
  EXPECT_EQ(VarArrayLowBound(both), 0);
  EXPECT_EQ(VarArrayHighBound(both), 1);
  EXPECT_EQ(VarArrayGet(both, 0).AsInteger(), 3);
  EXPECT_EQ(VarArrayGet(both, 1).AsString(), u"Пётр");
  EXPECT_EQ(MessageOf<EListError>([&] { r->GetDataValues(u"unknown", rvvValueEh); }), u"List index out of bounds (-1)");
  EXPECT_THROW(r->GetDataValues(u"ID;unknown", rvvValueEh), EDatabaseError);

  r->SetDataValues(u"ID;FLAG", rvvValueEh, VarArrayOf({Variant(9), Variant(true)}));
  EXPECT_EQ(r->GetValue(TestColumns::ID, rvvValueEh).AsInteger(), 9);
  EXPECT_TRUE(r->GetValue(TestColumns::FLAG, rvvValueEh).AsBoolean());
  r->SetDataValues(u"Note", rvvValueEh, Variant(u"n"));
  EXPECT_EQ(r->GetValue(TestColumns::NOTE, rvvValueEh).AsString(), u"n");

  Variant byIdx = r->GetValuesByIndexes({TestColumns::FLAG, TestColumns::ID}, rvvValueEh);
  EXPECT_TRUE(VarArrayGet(byIdx, 0).AsBoolean());
  EXPECT_EQ(VarArrayGet(byIdx, 1).AsInteger(), 9);
  EXPECT_EQ(r->GetValuesByIndexes({TestColumns::ID}, rvvValueEh).AsInteger(), 9);
}

TEST_F(MemoryRecord, SettingSeveralValuesIsAllOrNothing) {
  TMemoryRecordEh* r = AppendRecord(store, 3, u"a");
  EXPECT_THROW(r->SetDataValues(u"NAME;ID", rvvValueEh, VarArrayOf({Variant(u"b"), Variant(u"x")})), EVariantError);
  EXPECT_EQ(r->GetValue(TestColumns::NAME, rvvValueEh).AsString(), u"a");
  EXPECT_EQ(r->GetValue(TestColumns::ID, rvvValueEh).AsInteger(), 3);
  EXPECT_THROW(r->SetDataValues(u"NAME;ID", rvvValueEh, Variant(1)), EVariantError);
  EXPECT_EQ(r->GetValue(TestColumns::NAME, rvvValueEh).AsString(), u"a");
}

TEST_F(MemoryRecord, ReferenceColumnsKeepTheValueAsGiven) {
  TMemTableDataEh s(nullptr);
  AddColumn(s, TMTRefObjectFieldEh::StaticComponentClass(), ftUnknown, u"OBJ");
  TMemoryRecordEh* r = s.GetRecordsList()->NewRecord();
  int target = 0;
  Variant ref(static_cast<Int64>(reinterpret_cast<std::intptr_t>(&target)));
  r->SetValue(0, rvvOldValueEh, ref);  // any version writes the current values
  r->Post();
  EXPECT_EQ(r->GetValue(0, rvvValueEh).AsInt64(), reinterpret_cast<std::intptr_t>(&target));
}
