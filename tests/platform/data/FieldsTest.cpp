// Fields: stored types, conversions and their errors, edit and display texts,
// Nulls; field and index definitions; parameters.

#include <gtest/gtest.h>

#include "TestDataSet.h"
#include "platform/core/DateTime.h"
#include "platform/core/FormatSettings.h"

namespace {

struct FieldsFixture : ::testing::Test {
  TFormatSettings Saved = FormatSettings;
  TTestDataSet DS;

  void SetUp() override {
    FormatSettings.DecimalSeparator = u',';
    FormatSettings.ThousandSeparator = u' ';
    FormatSettings.DateSeparator = u'.';
    FormatSettings.ShortDateFormat = u"dd.MM.yyyy";
    FormatSettings.LongTimeFormat = u"H:mm:ss";
    FormatSettings.TimeSeparator = u':';
    FormatSettings.CurrencyString = u"р.";
    FormatSettings.CurrencyFormat = 3;
    FormatSettings.CurrencyDecimals = 2;
    TFieldDefs* d = DS.GetFieldDefs();
    d->Add(u"ID", ftInteger);
    d->Add(u"SMALL", ftSmallint);
    d->Add(u"NAME", ftString, 5);
    d->Add(u"WNAME", ftWideString, 10);
    d->Add(u"AMOUNT", ftFloat);
    d->Add(u"PRICE", ftCurrency);
    d->Add(u"BCD", ftBCD);
    d->Add(u"FLAG", ftBoolean);
    d->Add(u"DAY", ftDate);
    d->Add(u"MOMENT", ftDateTime);
    d->Add(u"NOTE", ftMemo);
    d->Add(u"DATA", ftBlob);
    d->Add(u"RAW", ftBytes, 4);
    d->Add(u"BIG", ftLargeint);
    DS.Open();
    DS.Append();
  }
  void TearDown() override {
    DS.Close();
    FormatSettings = Saved;
  }
  TField* F(const char16_t* name) { return DS.FieldByName(name); }
  static String Msg(const std::function<void()>& f) {
    try {
      f();
    } catch (Exception& e) {
      return e.Message();
    }
    return u"(no error)";
  }
};

TEST_F(FieldsFixture, DefaultFieldsHaveTheClassOfTheirType) {
  EXPECT_TRUE(dynamic_cast<TIntegerField*>(F(u"ID")));
  EXPECT_TRUE(dynamic_cast<TSmallintField*>(F(u"SMALL")));
  EXPECT_TRUE(dynamic_cast<TWideStringField*>(F(u"WNAME")));
  EXPECT_TRUE(dynamic_cast<TCurrencyField*>(F(u"PRICE")));
  EXPECT_TRUE(dynamic_cast<TBCDField*>(F(u"BCD")));
  EXPECT_TRUE(dynamic_cast<TDateField*>(F(u"DAY")));
  EXPECT_TRUE(dynamic_cast<TMemoField*>(F(u"NOTE")));
  EXPECT_TRUE(dynamic_cast<TLargeintField*>(F(u"BIG")));
  EXPECT_EQ(F(u"PRICE")->GetDataType(), ftCurrency);
  EXPECT_EQ(F(u"ID")->GetAlignment(), taRightJustify);
  EXPECT_EQ(F(u"NAME")->GetAlignment(), taLeftJustify);
  EXPECT_EQ(F(u"BIG")->GetFieldNo(), 14);
}

TEST_F(FieldsFixture, UnassignedValuesAreNull) {
  for (TField* f : *DS.GetFields()) {
    EXPECT_TRUE(f->GetIsNull()) << ToUtf8(f->GetFieldName());
    EXPECT_TRUE(f->GetValue().IsNull());
    EXPECT_EQ(f->GetAsString(), u"");
  }
  EXPECT_EQ(F(u"ID")->GetAsInteger(), 0);
  F(u"ID")->SetAsInteger(0);
  EXPECT_FALSE(F(u"ID")->GetIsNull());  // 0 is a value, not Null
  F(u"ID")->Clear();
  EXPECT_TRUE(F(u"ID")->GetIsNull());
  F(u"NAME")->SetValue(Variant());
  EXPECT_TRUE(F(u"NAME")->GetIsNull());
}

TEST_F(FieldsFixture, ValuesAreStoredAsTheirTypesVariant) {
  F(u"SMALL")->SetValue(Variant(12.0));
  EXPECT_EQ(F(u"SMALL")->GetValue().VarType(), varSmallint);
  F(u"ID")->SetAsString(u" 42 ");
  EXPECT_EQ(F(u"ID")->GetValue().VarType(), varInteger);
  EXPECT_EQ(F(u"ID")->GetAsInteger(), 42);
  F(u"NAME")->SetAsString(u"abc");
  EXPECT_EQ(F(u"NAME")->GetValue().VarType(), varString);
  F(u"WNAME")->SetAsString(u"абв");
  EXPECT_EQ(F(u"WNAME")->GetValue().VarType(), varOleStr);
  F(u"PRICE")->SetAsFloat(2.5);
  EXPECT_EQ(F(u"PRICE")->GetValue().VarType(), varCurrency);
  F(u"DAY")->SetAsDateTime(EncodeDateTime(2020, 2, 1, 13, 0, 0, 0));
  EXPECT_EQ(F(u"DAY")->GetValue().VarType(), varDate);
  EXPECT_EQ(F(u"DAY")->GetAsDateTime(), EncodeDate(2020, 2, 1));  // a date keeps the day only
  F(u"BIG")->SetAsString(u"9000000000");
  EXPECT_EQ(F(u"BIG")->GetAsLargeInt(), 9000000000LL);
  EXPECT_EQ(F(u"BIG")->GetValue().VarType(), varInt64);
}

TEST_F(FieldsFixture, BadTextsAndRangesRaiseWithTheFieldName) {
  EXPECT_EQ(Msg([&] { F(u"ID")->SetAsString(u"abc"); }), u"'abc' is not a valid integer value for field 'ID'");
  EXPECT_EQ(Msg([&] { F(u"SMALL")->SetAsInteger(40000); }),
            u"40000 is not a valid value for field 'SMALL'. The allowed range is -32768 to 32767");
  EXPECT_EQ(Msg([&] { F(u"AMOUNT")->SetAsString(u"1.2.3"); }),
            u"'1.2.3' is not a valid floating point value for field 'AMOUNT'");
  EXPECT_EQ(Msg([&] { F(u"DAY")->SetAsString(u"31.02.2020"); }),
            u"'31.02.2020' is not a valid date and time value for field 'DAY'");
  EXPECT_EQ(Msg([&] { F(u"FLAG")->SetAsString(u"maybe"); }), u"'maybe' is not a valid boolean value for field 'FLAG'");
  auto* id = static_cast<TIntegerField*>(F(u"ID"));
  id->SetMinValue(1);
  id->SetMaxValue(10);
  EXPECT_EQ(Msg([&] { id->SetAsInteger(11); }),
            u"11 is not a valid value for field 'ID'. The allowed range is 1 to 10");
  id->SetAsInteger(10);
  EXPECT_EQ(id->GetAsInteger(), 10);
  // A failed conversion leaves the old value.
  EXPECT_THROW(id->SetAsString(u"x"), EDatabaseError);
  EXPECT_EQ(id->GetAsInteger(), 10);
}

TEST_F(FieldsFixture, StringsAreCutToTheFieldSize) {
  F(u"NAME")->SetAsString(u"abcdefgh");
  EXPECT_EQ(F(u"NAME")->GetAsString(), u"abcde");
  F(u"WNAME")->SetAsString(u"Достоевский Фёдор");
  EXPECT_EQ(F(u"WNAME")->GetAsString(), u"Достоевски");
}

TEST_F(FieldsFixture, NumbersShowTheirFormats) {
  auto* amount = static_cast<TFloatField*>(F(u"AMOUNT"));
  amount->SetAsString(u"1234,5");
  EXPECT_EQ(amount->GetAsFloat(), 1234.5);
  EXPECT_EQ(amount->GetDisplayText(), u"1234,5");
  amount->SetDisplayFormat(u"#,##0.00");
  EXPECT_EQ(amount->GetDisplayText(), u"1 234,50");
  EXPECT_EQ(amount->GetText(), u"1 234,50");  // without an edit format the display format edits too
  amount->SetEditFormat(u"0.0");
  EXPECT_EQ(amount->GetText(), u"1234,5");
  F(u"PRICE")->SetAsFloat(3);
  EXPECT_EQ(F(u"PRICE")->GetDisplayText(), u"3,00 р.");
  EXPECT_EQ(F(u"PRICE")->GetText(), u"3,00");
  auto* id = static_cast<TIntegerField*>(F(u"ID"));
  id->SetAsInteger(1234567);
  EXPECT_EQ(id->GetText(), u"1234567");
  id->SetDisplayFormat(u"#,##0");
  EXPECT_EQ(id->GetDisplayText(), u"1 234 567");
  F(u"BCD")->SetAsString(u"12,3456");
  EXPECT_EQ(F(u"BCD")->GetAsCurrency().Raw, 123456);
}

TEST_F(FieldsFixture, TextEventsReplaceTheTexts) {
  TField* id = F(u"ID");
  id->OnGetText = [](TField* f, String& text, bool display) {
    text = (display ? u"№" : u"") + AsciiToString(std::to_string(f->GetAsInteger()));
  };
  id->OnSetText = [](TField* f, const String& text) { f->SetAsInteger(static_cast<Integer>(text.size())); };
  id->SetText(u"abcd");
  EXPECT_EQ(id->GetAsInteger(), 4);
  EXPECT_EQ(id->GetDisplayText(), u"№4");
  EXPECT_EQ(id->GetText(), u"4");
}

TEST_F(FieldsFixture, BooleanTextsAndPrefixes) {
  auto* flag = static_cast<TBooleanField*>(F(u"FLAG"));
  flag->SetAsBoolean(true);
  EXPECT_EQ(flag->GetDisplayText(), u"True");
  flag->SetDisplayValues(u"Да;Нет");
  EXPECT_EQ(flag->GetDisplayText(), u"Да");
  flag->SetAsString(u"н");
  EXPECT_FALSE(flag->GetAsBoolean());
  EXPECT_EQ(flag->GetText(), u"Нет");
  flag->SetAsString(u"ДА");
  EXPECT_TRUE(flag->GetAsBoolean());
  flag->SetAsString(u"");
  EXPECT_TRUE(flag->GetIsNull());
  EXPECT_EQ(flag->GetDisplayWidth(), 3);
}

TEST_F(FieldsFixture, DatesInTheLocaleFormat) {
  F(u"DAY")->SetAsString(u"05.06.2021");
  EXPECT_EQ(F(u"DAY")->GetAsDateTime(), EncodeDate(2021, 6, 5));
  EXPECT_EQ(F(u"DAY")->GetText(), u"05.06.2021");
  static_cast<TDateTimeField*>(F(u"DAY"))->SetDisplayFormat(u"yyyy-mm-dd");
  EXPECT_EQ(F(u"DAY")->GetDisplayText(), u"2021-06-05");
  EXPECT_EQ(F(u"DAY")->GetText(), u"05.06.2021");
  F(u"MOMENT")->SetAsString(u"05.06.2021 7:08:09");
  EXPECT_EQ(F(u"MOMENT")->GetDisplayText(), u"05.06.2021 7:08:09");
  F(u"MOMENT")->SetAsDateTime(EncodeDate(2021, 6, 5));
  EXPECT_EQ(F(u"MOMENT")->GetDisplayText(), u"05.06.2021");
}

TEST_F(FieldsFixture, ValidCharactersByType) {
  EXPECT_TRUE(F(u"ID")->IsValidChar(u'7'));
  EXPECT_TRUE(F(u"ID")->IsValidChar(u'-'));
  EXPECT_FALSE(F(u"ID")->IsValidChar(u','));
  EXPECT_FALSE(F(u"ID")->IsValidChar(u'a'));
  EXPECT_TRUE(F(u"AMOUNT")->IsValidChar(u','));
  EXPECT_TRUE(F(u"AMOUNT")->IsValidChar(u'E'));
  EXPECT_FALSE(F(u"AMOUNT")->IsValidChar(u'x'));
  EXPECT_TRUE(F(u"NAME")->IsValidChar(u'ж'));
}

TEST_F(FieldsFixture, BlobsAndBytes) {
  auto* note = static_cast<TBlobField*>(F(u"NOTE"));
  EXPECT_EQ(note->GetDisplayText(), u"(memo)");
  note->SetAsString(u"Текст\r\nзаметки");
  EXPECT_EQ(note->GetDisplayText(), u"(MEMO)");
  EXPECT_EQ(note->GetBlobSize(), 14);
  TMemoryStream ms;
  note->SaveToStream(&ms);
  EXPECT_EQ(ms.GetSize(), 14);
  auto* data = static_cast<TBlobField*>(F(u"DATA"));
  ms.SetPosition(0);
  data->LoadFromStream(&ms);
  EXPECT_EQ(data->GetValue().VarType(), varArray | varByte);
  EXPECT_EQ(data->GetBlobSize(), 14);
  EXPECT_EQ(data->GetAsString(), u"Текст\r\nзаметки");
  F(u"RAW")->SetValue(VarArrayOf({Variant(Byte(1)), Variant(Byte(255))}));
  Variant raw = F(u"RAW")->GetValue();
  EXPECT_EQ(raw.VarType(), varArray | varByte);
  EXPECT_EQ(VarArrayGet(raw, 1).AsInteger(), 255);
  EXPECT_EQ(F(u"RAW")->GetDisplayText(), u"(Bytes)");
}

TEST_F(FieldsFixture, LabelsAndNames) {
  TField* id = F(u"ID");
  EXPECT_EQ(id->GetDisplayName(), u"ID");
  id->SetDisplayLabel(u"Номер");
  EXPECT_EQ(id->GetDisplayLabel(), u"Номер");
  EXPECT_EQ(id->GetDisplayName(), u"Номер");
  EXPECT_EQ(Msg([&] { id->SetAsString(u"x"); }), u"'x' is not a valid integer value for field 'Номер'");
  EXPECT_EQ(id->GetIndex(), 0);
  id->SetIndex(3);
  EXPECT_EQ(DS.GetFields()->GetField(3), id);
}

struct AggDataSet : TTestDataSet {
  Variant GetAggregateValue(TField*) override { return Variant(1234.5); }
};

TEST(AggregateField, ShowsTheDataSetsValue) {
  AggDataSet ds;
  ds.GetFieldDefs()->Add(u"N", ftInteger);
  auto* sum = new TAggregateField(&ds);
  sum->SetFieldName(u"TOTAL");
  sum->SetExpression(u"SUM(N)");
  sum->SetDisplayFormat(u"0.0");
  sum->SetDataSet(&ds);
  EXPECT_EQ(ds.GetAggFields()->Count(), 1);
  EXPECT_EQ(ds.GetFields()->Count(), 0);
  ds.Open();
  EXPECT_EQ(ds.FindField(u"TOTAL"), sum);
  EXPECT_EQ(sum->GetFieldKind(), fkAggregate);
  EXPECT_DOUBLE_EQ(sum->GetAsFloat(), 1234.5);
  EXPECT_EQ(sum->GetDisplayText(), u"1234,5");
}

TEST(FieldDefs, NamesAreUniqueAndNumbersFollowTheOrder) {
  TTestDataSet ds;
  ds.SetName(u"T");
  TFieldDefs* defs = ds.GetFieldDefs();
  defs->Add(u"A", ftString, 10, true);
  defs->Add(u"Б", ftInteger);
  EXPECT_EQ(defs->GetItem(0)->GetFieldNo(), 1);
  EXPECT_EQ(defs->GetItem(1)->GetFieldNo(), 2);
  EXPECT_TRUE(defs->GetItem(0)->GetRequired());
  EXPECT_EQ(defs->IndexOf(u"б"), 1);
  try {
    defs->Add(u"a", ftInteger);
    FAIL();
  } catch (EDatabaseError& e) {
    EXPECT_EQ(e.Message(), u"T: Duplicate field name 'a'");
  }
  EXPECT_EQ(defs->Count(), 2);
  EXPECT_THROW(defs->Find(u"C"), EDatabaseError);
  TField* f = defs->GetItem(0)->CreateField(&ds);
  EXPECT_EQ(f->GetDataSet(), &ds);
  EXPECT_TRUE(f->GetRequired());
  EXPECT_EQ(f->GetSize(), 10);
}

TEST(FieldDefs, StreamOutAndBack) {
  TFieldDefs defs(nullptr);
  defs.Add(u"Название", ftWideString, 40, true);
  defs.Add(u"PRICE", ftBCD)->SetPrecision(12);
  TIndexDefs indexes(nullptr);
  indexes.Add(u"pk", u"PRICE", {ixPrimary, ixUnique});
  TParams params;
  params.CreateParam(ftInteger, u"ID", ptInput)->SetAsInteger(5);
  TMemoryStream ms;
  {
    TWriter w(&ms);
    w.WriteCollection(&defs);
    w.WriteCollection(&indexes);
    w.WriteCollection(&params);
  }
  ms.SetPosition(0);
  TFieldDefs back(nullptr);
  TIndexDefs backIndexes(nullptr);
  TParams backParams;
  {
    TReader r(&ms);
    r.ReadCollection(&back);
    r.ReadCollection(&backIndexes);
    r.ReadCollection(&backParams);
  }
  ASSERT_EQ(back.Count(), 2);
  EXPECT_EQ(back[0]->GetName(), u"Название");
  EXPECT_EQ(back[0]->GetDataType(), ftWideString);
  EXPECT_EQ(back[0]->GetSize(), 40);
  EXPECT_TRUE(back[0]->GetRequired());
  EXPECT_EQ(back[1]->GetDataType(), ftBCD);
  EXPECT_EQ(back[1]->GetPrecision(), 12);
  EXPECT_EQ(back[1]->GetFieldNo(), 2);
  ASSERT_EQ(backIndexes.Count(), 1);
  EXPECT_EQ(backIndexes[0]->GetFields(), u"PRICE");
  EXPECT_TRUE(backIndexes[0]->GetOptions().Contains(ixPrimary));
  EXPECT_EQ(backParams.ParamByName(u"ID")->GetAsInteger(), 5);
  EXPECT_EQ(backParams.ParamByName(u"ID")->GetParamType(), ptInput);
}

TEST(IndexDefs, FindsAnIndexByItsLeadingFields) {
  TIndexDefs defs(nullptr);
  defs.Add(u"byName", u"NAME;ID", {});
  defs.Add(u"pk", u"ID", {ixPrimary, ixUnique});
  EXPECT_EQ(defs.GetIndexForFields(u"ID", false)->GetName(), u"pk");
  EXPECT_EQ(defs.GetIndexForFields(u"NAME", false)->GetName(), u"byName");
  EXPECT_EQ(defs.GetIndexForFields(u"NAM", false), nullptr);
  EXPECT_EQ(defs.GetIndexForFields(u"ID", true), nullptr);
  EXPECT_EQ(defs.Find(u"PK")->GetFields(), u"ID");
  EXPECT_THROW(defs.Find(u"none"), EDatabaseError);
}

TEST(Params, ValuesByName) {
  TParams params;
  params.CreateParam(ftInteger, u"ID", ptInput);
  params.CreateParam(ftUnknown, u"Name", ptInput);
  params.ParamByName(u"id")->SetAsInteger(5);
  params.ParamByName(u"NAME")->SetValue(Variant(u"Иван"));
  EXPECT_EQ(params.ParamByName(u"Name")->GetDataType(), ftWideString);
  EXPECT_TRUE(params.ParamByName(u"ID")->GetBound());
  Variant both = params.GetParamValues(u"ID;Name");
  EXPECT_EQ(VarArrayGet(both, 1).AsString(), u"Иван");
  params.SetParamValues(u"ID;Name", VarArrayOf({Variant(7), Variant::Null()}));
  EXPECT_EQ(params.ParamByName(u"ID")->GetAsInteger(), 7);
  EXPECT_TRUE(params.ParamByName(u"Name")->GetIsNull());
  try {
    params.ParamByName(u"X");
    FAIL();
  } catch (EDatabaseError& e) {
    EXPECT_EQ(e.Message(), u"Parameter 'X' not found");
  }
}

TEST(FieldNames, ExtractSplitsOnSemicolons) {
  String list = u" A ;Б;;C";
  Integer pos = 1;
  std::vector<String> names;
  while (pos <= static_cast<Integer>(list.size())) names.push_back(ExtractFieldName(list, pos));
  EXPECT_EQ(names, (std::vector<String>{u"A", u"Б", u"", u"C"}));
}

}  // namespace

namespace {

TEST(LooseField, WithoutADataSetRaisesInsteadOfCrashing) {
  TIntegerField f(nullptr);
  f.SetFieldName(u"N");
  EXPECT_THROW(f.GetAsInteger(), EDatabaseError);
  EXPECT_THROW(f.SetAsInteger(1), EDatabaseError);
  EXPECT_THROW(f.GetOldValue(), EDatabaseError);
  EXPECT_FALSE(f.GetCanModify());
}

}  // namespace

namespace {

TEST(FieldDefs, TypesWithoutAFieldClassShowNoField) {
  TTestDataSet ds;
  ds.GetFieldDefs()->Add(u"OBJ", ftADT);
  ds.GetFieldDefs()->Add(u"N", ftInteger);
  ds.Open();
  ASSERT_EQ(ds.GetFieldCount(), 1);
  EXPECT_EQ(ds.FieldByName(u"N")->GetFieldNo(), 2);  // its column keeps its number
  try {
    ds.GetFieldDefs()->Find(u"OBJ")->CreateField(nullptr);
    FAIL();
  } catch (EDatabaseError& e) {
    EXPECT_EQ(e.Message(), u"Field 'OBJ' is of an unknown type");
  }
}

}  // namespace
