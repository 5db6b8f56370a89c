#include <gtest/gtest.h>

#include <memory>

#include "MemTestUtil.h"
#include "platform/data/FieldDefs.h"
#include "platform/data/Fields.h"

namespace {

// A field of a type that has no column class.
class TNestedDataSetField : public TField {
public:
  explicit TNestedDataSetField(TComponent* AOwner) : TField(AOwner) { SetDataType(ftDataSet); }
};

struct DataSetFields {
  TComponent Owner{nullptr};
  TFields Fields{nullptr};
  template <class F>
  F* Add(const String& Name, TFieldKind Kind = fkData) {
    auto* f = new F(&Owner);
    f->SetFieldName(Name);
    f->SetFieldKind(Kind);
    Fields.Add(f);
    return f;
  }
};

}  // namespace

TEST(BuildFromFields, MakesOneColumnPerStoredField) {
  DataSetFields ds;
  auto* id = ds.Add<TAutoIncField>(u"ID");
  id->SetAutoGenerateValue(arAutoInc);
  auto* name = ds.Add<TStringField>(u"1st");
  name->SetSize(30);
  name->SetFixedChar(true);
  name->SetDisplayLabel(u"Первый");
  auto* ab = ds.Add<TIntegerField>(u"a-b");
  ab->SetMaxValue(100);
  ab->SetRequired(true);
  ds.Add<TStringField>(u"ab");
  ds.Add<TFloatField>(u"CALC", fkCalculated);
  ds.Add<TIntegerField>(u"INTERNAL", fkInternalCalc);
  ds.Add<TStringField>(u"LOOK", fkLookup);
  ds.Add<TNestedDataSetField>(u"NESTED");
  auto* memo = ds.Add<TMemoField>(u"Заметка");

  TMemTableDataEh store(nullptr);
  AddColumn(store, TMTBooleanDataFieldEh::StaticComponentClass(), ftBoolean, u"OLD");
  store.GetRecordsList()->NewRecord()->Post();
  TMTDataStructEh* st = store.GetDataStruct();
  st->BuildFromFields(&ds.Fields);

  EXPECT_EQ(store.GetRecordsList()->GetCount(), 0);
  ASSERT_EQ(st->GetCount(), 6);
  const char16_t* names[] = {u"ID", u"1st", u"a-b", u"ab", u"INTERNAL", u"Заметка"};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(st->GetItem(i)->GetFieldName(), names[i]);
  // Component names: cleaned, prefixed when they would start with a digit, numbered when taken.
  EXPECT_EQ(st->GetItem(1)->GetName(), u"MTStringDataFieldEh1st");
  EXPECT_EQ(st->GetItem(2)->GetName(), u"ab");
  EXPECT_EQ(st->GetItem(3)->GetName(), u"ab2");
  EXPECT_EQ(st->GetItem(5)->GetName(), u"MTBlobDataFieldEh");

  EXPECT_EQ(st->GetItem(0)->GetDataType(), ftAutoInc);
  EXPECT_TRUE(st->GetItem(0)->GetAutoIncrement());
  auto* s = static_cast<TMTStringDataFieldEh*>(st->GetItem(1));
  EXPECT_EQ(s->GetSize(), 30);
  EXPECT_TRUE(s->GetFixedChar());
  EXPECT_EQ(s->GetDisplayLabel(), u"Первый");
  auto* n = static_cast<TMTNumericDataFieldEh*>(st->GetItem(2));
  EXPECT_EQ(n->GetMaxValue(), 100);
  EXPECT_TRUE(n->GetRequired());
  EXPECT_EQ(st->GetItem(5)->GetDataType(), ftMemo);
  (void)memo;
}

TEST(FillFieldDefs, DescribesEveryColumn) {
  TMemTableDataEh store(nullptr);
  BuildTestColumns(store);
  store.GetDataStruct()->GetItem(TestColumns::ID)->SetRequired(true);
  auto* bcd = static_cast<TMTNumericDataFieldEh*>(
      AddColumn(store, TMTNumericDataFieldEh::StaticComponentClass(), ftBCD, u"AMOUNT"));
  bcd->SetPrecision(12);
  TFieldDefs defs(nullptr);
  defs.Add(u"STALE", ftInteger);
  store.GetDataStruct()->FillFieldDefs(&defs);
  ASSERT_EQ(defs.Count(), TestColumns::COUNT + 1);
  EXPECT_EQ(defs[TestColumns::NAME]->GetName(), u"NAME");
  EXPECT_EQ(defs[TestColumns::NAME]->GetDataType(), ftWideString);
  EXPECT_EQ(defs[TestColumns::NAME]->GetSize(), 100);
  EXPECT_TRUE(defs[TestColumns::ID]->GetRequired());
  EXPECT_FALSE(defs[TestColumns::NAME]->GetRequired());
  EXPECT_EQ(defs[TestColumns::COUNT]->GetPrecision(), 12);
}
