#include <gtest/gtest.h>

#include "MemTestUtil.h"
#include "platform/core/Exceptions.h"

TEST(AutoIncrement, NewGeneratorCountsDownFromMinusOne) {
  TAutoIncrementEh a;
  EXPECT_EQ(a.NewValue(), -1);
  EXPECT_EQ(a.NewValue(), -2);
  EXPECT_EQ(a.NewValue(), -3);
  a.Reset();
  EXPECT_EQ(a.NewValue(), -1);
}

TEST(AutoIncrement, InitValueMovesTheCurrentValueOnlyBeforeUse) {
  TAutoIncrementEh fresh;
  fresh.SetInitValue(100);
  fresh.SetStep(1);
  EXPECT_EQ(fresh.NewValue(), 100);
  EXPECT_EQ(fresh.NewValue(), 101);

  TAutoIncrementEh used;
  used.NewValue();
  used.SetInitValue(100);
  EXPECT_EQ(used.NewValue(), -2);
}

TEST(AutoIncrement, AssignCopiesStepAndInitValue) {
  TAutoIncrementEh src;
  src.SetStep(5);
  src.SetInitValue(10);
  TAutoIncrementEh dst;
  dst.Assign(&src);
  EXPECT_EQ(dst.GetStep(), 5);
  EXPECT_EQ(dst.GetInitValue(), 10);
  EXPECT_EQ(dst.NewValue(), 10);
  EXPECT_EQ(dst.NewValue(), 15);
}

TEST(DataStruct, FieldsAreFoundWithoutRegardToCase) {
  TMemTableDataEh store(nullptr);
  BuildTestColumns(store);
  AddColumn(store, TMTStringDataFieldEh::StaticComponentClass(), ftWideString, u"Название");
  TMTDataStructEh* ds = store.GetDataStruct();
  EXPECT_EQ(ds->GetCount(), TestColumns::COUNT + 1);
  EXPECT_EQ(ds->FieldByName(u"name")->GetIndex(), TestColumns::NAME);
  EXPECT_EQ(ds->FieldIndex(u"НАЗВАНИЕ"), TestColumns::COUNT);
  EXPECT_EQ(ds->FieldIndex(u"missing"), -1);
  EXPECT_EQ(ds->FindField(u"missing"), nullptr);
  EXPECT_EQ(MessageOf<EDatabaseError>([&] { ds->FieldByName(u"missing"); }), u"DataStruct: Field 'missing' not found");
}

TEST(DataStruct, FieldIdentifiersAreUniqueAndGrow) {
  TMemTableDataEh store(nullptr);
  BuildTestColumns(store);
  TMTDataStructEh* ds = store.GetDataStruct();
  for (Integer i = 1; i < ds->GetCount(); ++i)
    EXPECT_GT(ds->GetItem(i)->GetFieldId(), ds->GetItem(i - 1)->GetFieldId());
}

TEST(DataStruct, DuplicateAndEmptyNamesAreRefusedAndNothingChanges) {
  TMemTableDataEh store(nullptr);
  BuildTestColumns(store);
  TMTDataStructEh* ds = store.GetDataStruct();
  TMTDataFieldEh* name = ds->GetItem(TestColumns::NAME);
  EXPECT_EQ(MessageOf<EDatabaseError>([&] { name->SetFieldName(u"id"); }), u"Duplicate field name 'id'");
  EXPECT_EQ(name->GetFieldName(), u"NAME");
  EXPECT_THROW(name->SetFieldName(u""), EDatabaseError);
  EXPECT_EQ(name->GetFieldName(), u"NAME");
  // A change of case only is not a rename, so it is not checked against itself.
  name->SetFieldName(u"Name");
  EXPECT_EQ(name->GetFieldName(), u"Name");
}

TEST(DataStruct, SizeBelongsToClassesThatHaveOne) {
  TMemTableDataEh store(nullptr);
  BuildTestColumns(store);
  TMTDataStructEh* ds = store.GetDataStruct();
  EXPECT_EQ(MessageOf<EDatabaseError>([&] { ds->GetItem(TestColumns::ID)->SetSize(10); }), u"Invalid field size");
  EXPECT_EQ(ds->GetItem(TestColumns::ID)->GetSize(), 0);
  ds->GetItem(TestColumns::NAME)->SetSize(40);
  EXPECT_EQ(ds->GetItem(TestColumns::NAME)->GetSize(), 40);
  auto* bytes = ds->CreateField<TMTVariantDataFieldEh>();
  EXPECT_THROW(bytes->SetSize(8), EDatabaseError);
  bytes->SetDataType(ftBytes);
  bytes->SetSize(8);
  EXPECT_EQ(bytes->GetSize(), 8);
}

TEST(DataStruct, EachClassHoldsOnlyItsOwnTypes) {
  TMemTableDataEh store(nullptr);
  TMTDataStructEh* ds = store.GetDataStruct();
  auto* s = ds->CreateField<TMTStringDataFieldEh>();
  EXPECT_EQ(MessageOf<Exception>([&] { s->SetDataType(ftBlob); }), u"Can not assign DataType from Field");
  EXPECT_EQ(s->GetDataType(), ftString);
  s->SetDataType(ftGuid);
  EXPECT_EQ(s->GetDataType(), ftGuid);

  auto* b = ds->CreateField<TMTBlobDataFieldEh>();
  b->SetDataType(ftMemo);
  b->SetDataType(ftInteger);  // ignored without error
  EXPECT_EQ(b->GetDataType(), ftMemo);

  auto* base = ds->CreateField<TMTDataFieldEh>();
  EXPECT_THROW(base->SetDataType(ftUnknown), Exception);
  auto* ref = ds->CreateField<TMTRefObjectFieldEh>();
  ref->SetDataType(ftUnknown);
  EXPECT_THROW(ref->SetDataType(ftInteger), Exception);
  auto* n = ds->CreateField<TMTNumericDataFieldEh>();
  n->SetDataType(ftExtended);
  EXPECT_EQ(n->GetDataType(), ftExtended);
  EXPECT_THROW(n->SetDataType(ftDate), Exception);
}

TEST(DataStruct, ColumnsHoldValuesInTheirVariantType) {
  struct Case {
    TFieldType Type;
    TVarType Var;
  } cases[] = {{ftString, varString},
               {ftWideString, varOleStr},
               {ftSmallint, varSmallint},
               {ftAutoInc, varInteger},
               {ftLargeint, varInt64},
               {ftBoolean, varBoolean},
               {ftExtended, varDouble},
               {ftBCD, varCurrency},
               {ftTime, varDate},
               {ftVarBytes, varArray | varByte},
               {ftGraphic, varArray | varByte},
               {ftVariant, varVariant},
               {ftMemo, varString},
               {ftWideMemo, varOleStr},
               {ftUnknown, varError}};
  TMemTableDataEh store(nullptr);
  for (const Case& c : cases) {
    TComponentClass cls = DataFieldClassForFieldTypeEh(c.Type);
    ASSERT_NE(cls, nullptr) << c.Type;
    TMTDataFieldEh* f = store.GetDataStruct()->CreateField(cls);
    f->SetDataType(c.Type);
    EXPECT_EQ(f->GetVarType(), c.Var) << c.Type;
  }
  EXPECT_EQ(DataFieldClassForFieldTypeEh(ftDataSet), nullptr);
  EXPECT_EQ(DataFieldClassForFieldTypeEh(ftCursor), nullptr);
}

TEST(DataStruct, FieldListsAndIndexes) {
  TMemTableDataEh store(nullptr);
  BuildTestColumns(store);
  TMTDataStructEh* ds = store.GetDataStruct();
  std::vector<TMTDataFieldEh*> list;
  ds->GetFieldList(&list, u"flag; Name ;ID");
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(list[0]->GetIndex(), TestColumns::FLAG);
  EXPECT_EQ(list[1]->GetIndex(), TestColumns::NAME);
  EXPECT_EQ(list[2]->GetIndex(), TestColumns::ID);
  EXPECT_THROW(ds->GetFieldList(nullptr, u"ID;nope"), EDatabaseError);

  std::vector<Integer> idx;
  ds->GetFieldIndexes(u"PRICE;BORN", idx);
  EXPECT_EQ(idx, (std::vector<Integer>{TestColumns::PRICE, TestColumns::BORN}));
  ds->GetFieldIndexes(u"note", idx);
  EXPECT_EQ(idx, (std::vector<Integer>{TestColumns::NOTE}));
  // An unknown single name leaves no stale positions behind.
  ds->GetFieldIndexes(u"nope", idx);
  EXPECT_TRUE(idx.empty());
}

TEST(DataStruct, RemovingAndFreeingFieldsKeepsTheListConsistent) {
  TMemTableDataEh store(nullptr);
  BuildTestColumns(store);
  TMTDataStructEh* ds = store.GetDataStruct();
  TMTDataFieldEh* price = ds->GetItem(TestColumns::PRICE);
  delete price;
  EXPECT_EQ(ds->GetCount(), TestColumns::COUNT - 1);
  EXPECT_EQ(ds->FieldIndex(u"PRICE"), -1);
  EXPECT_EQ(ds->FieldIndex(u"BORN"), TestColumns::PRICE);
  // A field of another structure is not removed by this one.
  TMemTableDataEh other(nullptr);
  auto* foreign = other.GetDataStruct()->CreateField<TMTBooleanDataFieldEh>();
  ds->RemoveField(foreign);
  EXPECT_EQ(foreign->GetDataStruct(), other.GetDataStruct());
  foreign->SetDataStruct(ds);
  EXPECT_EQ(other.GetDataStruct()->GetCount(), 0);
  EXPECT_EQ(foreign->GetIndex(), ds->GetCount() - 1);
}

TEST(DataStruct, AssignCopiesFieldsButNotOverRecords) {
  TMemTableDataEh src(nullptr);
  BuildTestColumns(src);
  src.GetDataStruct()->GetItem(TestColumns::NAME)->SetDisplayLabel(u"Имя");
  TMemTableDataEh dst(nullptr);
  dst.GetDataStruct()->Assign(src.GetDataStruct());
  TMTDataStructEh* ds = dst.GetDataStruct();
  ASSERT_EQ(ds->GetCount(), TestColumns::COUNT);
  EXPECT_EQ(ds->GetItem(TestColumns::NAME)->ClassType(), TMTStringDataFieldEh::StaticClass());
  EXPECT_EQ(ds->GetItem(TestColumns::NAME)->GetDisplayLabel(), u"Имя");
  EXPECT_EQ(ds->GetItem(TestColumns::NAME)->GetSize(), 100);
  EXPECT_EQ(ds->GetItem(TestColumns::PRICE)->GetDataType(), ftCurrency);

  AppendRecord(dst, 1, u"x");
  EXPECT_EQ(MessageOf<Exception>([&] { dst.GetDataStruct()->Assign(src.GetDataStruct()); }),
            u"Can not assign struct for not empty list of records");
  EXPECT_EQ(dst.GetDataStruct()->GetCount(), TestColumns::COUNT);
}

TEST(DataStore, RestructureModeIsEnteredOnce) {
  TMemTableDataEh store(nullptr);
  BuildTestColumns(store);
  TMTDataStructEh* copy = store.BeginRestruct();
  EXPECT_TRUE(store.GetRestructMode());
  EXPECT_EQ(copy->GetCount(), TestColumns::COUNT);
  EXPECT_NE(copy, store.GetDataStruct());
  EXPECT_EQ(MessageOf<Exception>([&] { store.BeginRestruct(); }), u"MemTableData already in RestructMode.");
  store.CancelRestruct();
  EXPECT_FALSE(store.GetRestructMode());
  EXPECT_EQ(copy->GetCount(), 0);
  EXPECT_EQ(store.GetDataStruct()->GetCount(), TestColumns::COUNT);

  AppendRecord(store, 1, u"a");
  EXPECT_THROW(store.BeginRestruct(), Exception);
  EXPECT_FALSE(store.GetRestructMode());
}

TEST(DataStore, AutoIncrementColumnsShareOneValuePerRecord) {
  TMemTableDataEh store(nullptr);
  AddColumn(store, TMTNumericDataFieldEh::StaticComponentClass(), ftAutoInc, u"A");
  AddColumn(store, TMTStringDataFieldEh::StaticComponentClass(), ftWideString, u"S");
  TMTDataFieldEh* b = AddColumn(store, TMTNumericDataFieldEh::StaticComponentClass(), ftLargeint, u"B");
  b->SetAutoIncrement(true);
  EXPECT_EQ(store.GetAutoIncList(), std::vector<Integer>{0});

  TRecordsListEh* rl = store.GetRecordsList();
  for (int i = 0; i < 2; ++i) {
    TMemoryRecordEh* r = rl->NewRecord();
    r->SetValue(1, rvvValueEh, Variant(u"x"));
    r->Post();
  }
  EXPECT_EQ(rl->GetRecord(0)->GetValue(0, rvvValueEh).AsInteger(), -1);
  EXPECT_EQ(rl->GetRecord(0)->GetValue(2, rvvValueEh).AsInt64(), -1);
  EXPECT_EQ(VarType(rl->GetRecord(0)->GetValue(2, rvvValueEh)), varInt64);
  EXPECT_EQ(rl->GetRecord(1)->GetValue(0, rvvValueEh).AsInteger(), -2);
  EXPECT_EQ(rl->GetRecord(1)->GetValue(2, rvvValueEh).AsInteger(), -2);
}

TEST(DataStore, ClearEmptiesRecordsAndStructure) {
  TMemTableDataEh store(nullptr);
  BuildTestColumns(store);
  AppendRecord(store, 1, u"a");
  NotificationLog log(store);
  store.Clear();
  EXPECT_EQ(store.GetRecordsList()->GetCount(), 0);
  EXPECT_EQ(store.GetDataStruct()->GetCount(), 0);
  EXPECT_EQ(log.Take(), std::vector<std::string>{"7:-1"});
}
