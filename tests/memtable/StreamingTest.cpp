#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "MemTestUtil.h"
#include "platform/core/DateTime.h"
#include "platform/core/Exceptions.h"
#include "platform/core/Streams.h"
#include "platform/core/Strings.h"
#include "platform/data/DBTypes.h"

namespace {

std::string Save(TMemTableDataEh& Store) {
  TMemoryStream ms;
  TWriter w(&ms);
  w.WriteRootComponent(&Store);
  std::string bytes(static_cast<size_t>(ms.GetSize()), '\0');
  ms.SetPosition(0);
  ms.ReadBuffer(bytes.data(), static_cast<Integer>(bytes.size()));
  return bytes;
}

void Load(TMemTableDataEh& Store, const std::string& Bytes) {
  TMemoryStream ms;
  if (!Bytes.empty()) ms.WriteBuffer(Bytes.data(), static_cast<Integer>(Bytes.size()));
  ms.SetPosition(0);
  TReader r(&ms);
  r.ReadRootComponent(&Store);
}

bool Contains(const std::string& Hay, const std::string& Needle) { return Hay.find(Needle) != std::string::npos; }

TDateTime Date(Word y, Word m, Word d) {
  TDateTime t = 0;
  EXPECT_TRUE(TryEncodeDate(y, m, d, t));
  return t;
}

// A store with every test column and three records: full, all Null, mixed.
void FillSample(TMemTableDataEh& Store) {
  BuildTestColumns(Store);
  TMTDataStructEh* ds = Store.GetDataStruct();
  ds->GetItem(TestColumns::NAME)->SetDisplayLabel(u"ФИО");
  ds->GetItem(TestColumns::NAME)->SetVisible(true);
  ds->GetItem(TestColumns::PRICE)->SetAlignment(taRightJustify);
  static_cast<TMTNumericDataFieldEh*>(ds->GetItem(TestColumns::PRICE))->SetDisplayFormat(u"#,##0.00");
  ds->GetItem(TestColumns::ID)->SetRequired(true);
  TRecordsListEh* rl = Store.GetRecordsList();
  TMemoryRecordEh* r = rl->NewRecord();
  r->SetValue(TestColumns::ID, rvvValueEh, Variant(1));
  r->SetValue(TestColumns::NAME, rvvValueEh, Variant(u"Достоевский Ф. М."));
  r->SetValue(TestColumns::PRICE, rvvValueEh, Variant(Currency::FromRaw(123456789)));
  r->SetValue(TestColumns::BORN, rvvValueEh, VarFromDateTime(Date(1821, 11, 11) + 0.25));
  r->SetValue(TestColumns::PHOTO, rvvValueEh, Bytes(std::string("\x00\x01\xFF\x1E\x1D", 5)));
  r->SetValue(TestColumns::FLAG, rvvValueEh, Variant(true));
  r->SetValue(TestColumns::NOTE, rvvValueEh, Variant(u"Ёлка"));
  r->Post();
  rl->NewRecord()->Post();
  r = rl->NewRecord();
  r->SetValue(TestColumns::ID, rvvValueEh, Variant(-7));
  r->SetValue(TestColumns::NAME, rvvValueEh, Variant(u""));
  r->SetValue(TestColumns::FLAG, rvvValueEh, Variant(false));
  r->Post();
}

void ExpectSameTables(TMemTableDataEh& A, TMemTableDataEh& B) {
  TMTDataStructEh* da = A.GetDataStruct();
  TMTDataStructEh* db = B.GetDataStruct();
  ASSERT_EQ(da->GetCount(), db->GetCount());
  for (Integer i = 0; i < da->GetCount(); ++i) {
    TMTDataFieldEh* fa = da->GetItem(i);
    TMTDataFieldEh* fb = db->GetItem(i);
    EXPECT_EQ(fa->ClassType(), fb->ClassType()) << i;
    EXPECT_EQ(fa->GetFieldName(), fb->GetFieldName()) << i;
    EXPECT_EQ(fa->GetDataType(), fb->GetDataType()) << i;
    EXPECT_EQ(fa->GetSize(), fb->GetSize()) << i;
    EXPECT_EQ(fa->GetDisplayLabel(), fb->GetDisplayLabel()) << i;
    EXPECT_EQ(fa->GetAlignment(), fb->GetAlignment()) << i;
    EXPECT_EQ(fa->GetRequired(), fb->GetRequired()) << i;
    EXPECT_EQ(fa->GetVisible(), fb->GetVisible()) << i;
    EXPECT_EQ(fb->GetDataStruct(), db);
  }
  TRecordsListEh* ra = A.GetRecordsList();
  TRecordsListEh* rb = B.GetRecordsList();
  ASSERT_EQ(ra->GetCount(), rb->GetCount());
  for (Integer r = 0; r < ra->GetCount(); ++r) {
    EXPECT_EQ(rb->GetRecord(r)->GetIndex(), r);
    EXPECT_EQ(rb->GetRecord(r)->GetUpdateStatus(), rusUnmodifiedEh);
    for (Integer c = 0; c < da->GetCount(); ++c) {
      const Variant va = ra->GetRecord(r)->GetValue(c, rvvValueEh);
      const Variant vb = rb->GetRecord(r)->GetValue(c, rvvValueEh);
      EXPECT_EQ(VarType(va), VarType(vb)) << r << "," << c;
      if (va.IsArray()) {
        ASSERT_EQ(VarArrayHighBound(va), VarArrayHighBound(vb));
        for (Integer k = 0; k <= VarArrayHighBound(va); ++k)
          EXPECT_EQ(VarArrayGet(va, k).AsInteger(), VarArrayGet(vb, k).AsInteger());
      } else {
        EXPECT_TRUE(VarSameValue(va, vb)) << r << "," << c;
      }
    }
  }
}

}  // namespace

TEST(Streaming, DataAndStructureRoundTrip) {
  TMemTableDataEh a(nullptr);
  FillSample(a);
  TMemTableDataEh b(nullptr);
  Load(b, Save(a));
  ExpectSameTables(a, b);
  EXPECT_EQ(static_cast<TMTNumericDataFieldEh*>(b.GetDataStruct()->GetItem(TestColumns::PRICE))->GetDisplayFormat(),
            u"#,##0.00");
  EXPECT_EQ(b.GetRecordsList()->GetRecord(0)->GetValue(TestColumns::NOTE, rvvValueEh).AsString(), u"Ёлка");
  EXPECT_EQ(b.GetRecordsList()->GetRecord(0)->GetValue(TestColumns::BORN, rvvValueEh).AsDateTime(),
            Date(1821, 11, 11) + 0.25);
  // A second save of the read table gives the same bytes.
  EXPECT_EQ(Save(b), Save(a));
}

TEST(Streaming, ARegisteredStoreIsCreatedFromTheStream) {
  TMemTableDataEh a(nullptr);
  FillSample(a);
  const std::string bytes = Save(a);
  TMemoryStream ms;
  ms.WriteBuffer(bytes.data(), static_cast<Integer>(bytes.size()));
  ms.SetPosition(0);
  TReader r(&ms);
  std::unique_ptr<TComponent> made(r.ReadRootComponent(nullptr));
  auto* b = dynamic_cast<TMemTableDataEh*>(made.get());
  ASSERT_NE(b, nullptr);
  ExpectSameTables(a, *b);
}

TEST(Streaming, EmptyListWritesNoData) {
  TMemTableDataEh a(nullptr);
  BuildTestColumns(a);
  EXPECT_FALSE(Contains(Save(a),
                        "\x04"
                        "Data"));
  AppendRecord(a, 1, u"x");
  EXPECT_TRUE(Contains(Save(a),
                       "\x04"
                       "Data"));
}

TEST(Streaming, AutoIncCurValueOnlyWhenTheGeneratorMoved) {
  TMemTableDataEh a(nullptr);
  AddColumn(a, TMTNumericDataFieldEh::StaticComponentClass(), ftAutoInc, u"ID");
  EXPECT_FALSE(Contains(Save(a), "AutoIncCurValue"));
  a.GetRecordsList()->NewRecord()->Post();
  a.GetRecordsList()->NewRecord()->Post();
  EXPECT_EQ(a.GetAutoIncrement()->GetCurValue(), -3);
  const std::string bytes = Save(a);
  EXPECT_TRUE(Contains(bytes, "AutoIncCurValue"));

  TMemTableDataEh b(nullptr);
  Load(b, bytes);
  EXPECT_EQ(b.GetAutoIncrement()->GetCurValue(), -3);
  // Records read from a stream keep their values: no new numbers are drawn.
  EXPECT_EQ(b.GetRecordsList()->GetRecord(0)->GetValue(0, rvvValueEh).AsInteger(), -1);
  EXPECT_EQ(b.GetRecordsList()->GetRecord(1)->GetValue(0, rvvValueEh).AsInteger(), -2);
  b.GetRecordsList()->NewRecord()->Post();
  EXPECT_EQ(b.GetRecordsList()->GetRecord(2)->GetValue(0, rvvValueEh).AsInteger(), -3);
}

TEST(Streaming, ReadingReplacesWhatTheStoreHeld) {
  TMemTableDataEh a(nullptr);
  FillSample(a);
  TMemTableDataEh b(nullptr);
  AddColumn(b, TMTStringDataFieldEh::StaticComponentClass(), ftString, u"OTHER");
  b.GetRecordsList()->NewRecord()->Post();
  NotificationLog log(b);
  Load(b, Save(a));
  ExpectSameTables(a, b);
  std::vector<std::string> events = log.Take();
  ASSERT_EQ(events.size(), 7u);  // the list changed, then three records added
  EXPECT_EQ(events[0], "7:-1");
  EXPECT_EQ(events[1], "0:0");
  EXPECT_EQ(events[6], "1:2");
}

TEST(Streaming, ColumnsWithComponentNamesCanBeReadAgain) {
  TMemTableDataEh a(nullptr);
  FillSample(a);
  TMTDataStructEh* ds = a.GetDataStruct();
  for (Integer i = 0; i < ds->GetCount(); ++i) ds->GetItem(i)->SetName(u"Column" + IntToStr(i));
  const std::string bytes = Save(a);
  TMemTableDataEh b(nullptr);
  Load(b, bytes);
  Load(b, bytes);
  ExpectSameTables(a, b);
  EXPECT_EQ(b.GetDataStruct()->GetItem(2)->GetName(), u"Column2");
  // The columns belong to the structure that holds them.
  EXPECT_EQ(b.GetDataStruct()->GetItem(2)->GetOwner(), b.GetDataStruct());
}

TEST(Streaming, RecordsMadeBeforeAColumnWasAddedReadItAsNull) {
  TMemTableDataEh a(nullptr);
  BuildTestColumns(a);
  AppendRecord(a, 1, u"a");
  AddColumn(a, TMTNumericDataFieldEh::StaticComponentClass(), ftInteger, u"LATE");
  EXPECT_TRUE(a.GetRecordsList()->GetRecord(0)->GetValue(TestColumns::COUNT, rvvValueEh).IsNull());
  TMemTableDataEh b(nullptr);
  Load(b, Save(a));
  ASSERT_EQ(b.GetRecordsList()->GetCount(), 1);
  EXPECT_TRUE(b.GetRecordsList()->GetRecord(0)->GetValue(TestColumns::COUNT, rvvValueEh).IsNull());
  EXPECT_EQ(b.GetRecordsList()->GetRecord(0)->GetValue(TestColumns::ID, rvvValueEh).AsInteger(), 1);
}

namespace {

// A table that must come through every failed read untouched.
struct Witness {
  TMemTableDataEh Store{nullptr};
  Witness() {
    AddColumn(Store, TMTStringDataFieldEh::StaticComponentClass(), ftWideString, u"KEEP");
    TMemoryRecordEh* r = Store.GetRecordsList()->NewRecord();
    r->SetValue(0, rvvValueEh, Variant(u"сохранить"));
    r->Post();
    Store.GetAutoIncrement()->NewValue();
  }
  void ExpectUntouched() {
    ASSERT_EQ(Store.GetDataStruct()->GetCount(), 1);
    EXPECT_EQ(Store.GetDataStruct()->GetItem(0)->GetFieldName(), u"KEEP");
    ASSERT_EQ(Store.GetRecordsList()->GetCount(), 1);
    EXPECT_EQ(Store.GetRecordsList()->GetRecord(0)->GetValue(0, rvvValueEh).AsString(), u"сохранить");
    EXPECT_EQ(Store.GetAutoIncrement()->GetCurValue(), -2);
  }
};

}  // namespace

TEST(StreamingBadInput, AStreamCutShortLeavesTheTableAsItWas) {
  TMemTableDataEh a(nullptr);
  FillSample(a);
  a.GetAutoIncrement()->NewValue();
  a.GetAutoIncrement()->NewValue();
  const std::string bytes = Save(a);
  Witness w;
  for (size_t cut = 0; cut < bytes.size(); ++cut) {
    EXPECT_THROW(Load(w.Store, bytes.substr(0, cut)), EStreamError) << cut;
    w.ExpectUntouched();
    if (::testing::Test::HasFailure()) break;
  }
}

TEST(StreamingBadInput, AnUnknownFieldClassIsReported) {
  TMemTableDataEh a(nullptr);
  FillSample(a);
  std::string bytes = Save(a);
  size_t at = bytes.find("TMTBooleanDataFieldEh");
  ASSERT_NE(at, std::string::npos);
  bytes.replace(at, 21, "TMTBooleanDataFieldXX");
  Witness w;
  try {
    Load(w.Store, bytes);
    ADD_FAILURE() << "no error";
  } catch (const EClassNotFound& e) {
    EXPECT_EQ(e.Message(), u"Class TMTBooleanDataFieldXX not found");
  }
  w.ExpectUntouched();
}

TEST(Streaming, EveryFieldClassAndTypeRoundTrips) {
  // One column of each field type the store can hold, so every data field
  // class is written and read back with a value of its kind.
  TMemTableDataEh a(nullptr);
  std::vector<TComponentClass> classes;
  std::vector<Variant> values;
  for (Integer t = 0; t < FieldTypeCount; ++t) {
    const TFieldType type = static_cast<TFieldType>(t);
    const TComponentClass cls = DataFieldClassForFieldTypeEh(type);
    if (!cls) continue;
    if (std::find(classes.begin(), classes.end(), cls) == classes.end()) classes.push_back(cls);
    AddColumn(a, cls, type, u"F" + IntToStr(t));
    switch (FieldTypeInfo(type).Family) {
      case ffInteger: values.push_back(Variant(7)); break;
      case ffFloat: values.push_back(Variant(2.5)); break;
      case ffDateTime: values.push_back(VarFromDateTime(Date(2024, 2, 29) + 0.5)); break;
      case ffText: values.push_back(Variant(String(u"текст"))); break;
      case ffBoolean: values.push_back(Variant(true)); break;
      case ffBinary: values.push_back(Bytes(std::string("\x00\xFF", 2))); break;
      default: values.push_back(Variant::Null()); break;
    }
  }
  EXPECT_EQ(classes.size(), 9u);
  TMemoryRecordEh* r = a.GetRecordsList()->NewRecord();
  for (size_t c = 0; c < values.size(); ++c) r->SetValue(static_cast<Integer>(c), rvvValueEh, values[c]);
  r->Post();
  TMemTableDataEh b(nullptr);
  Load(b, Save(a));
  ExpectSameTables(a, b);
  EXPECT_EQ(Save(b), Save(a));
}

namespace {

// Writes a store by hand: one integer column "ID" and records given as value lists.
std::string HandMadeStream(const std::function<void(TWriter&)>& WriteRecords) {
  TMemoryStream ms;
  ms.WriteBuffer("BRF1", 4);
  TWriter w(&ms);
  w.WriteStr(u"TMemTableDataEh");
  w.WriteStr(u"");
  w.WriteListEnd();  // no properties
  w.WriteStr(u"TMTDataStructEh");
  w.WriteStr(u"DataStruct");
  w.WriteListEnd();
  w.WriteStr(u"TMTNumericDataFieldEh");
  w.WriteStr(u"");
  w.WritePropName(u"FieldName");
  w.WriteString(u"ID");
  w.WritePropName(u"NumericDataType");
  w.WriteIdent(u"fdtIntegerEh");
  w.WriteListEnd();
  w.WriteListEnd();  // the field has no children
  w.WriteListEnd();  // end of the structure's fields
  w.WriteStr(u"TRecordsListEh");
  w.WriteStr(u"RecordsList");
  w.WritePropName(u"Data");
  w.WriteListBegin();
  WriteRecords(w);
  w.WriteListEnd();
  w.WriteListEnd();
  w.WriteListEnd();
  w.WriteListEnd();  // end of the store's children
  std::string bytes(static_cast<size_t>(ms.GetSize()), '\0');
  ms.SetPosition(0);
  ms.ReadBuffer(bytes.data(), static_cast<Integer>(bytes.size()));
  return bytes;
}

}  // namespace

TEST(StreamingBadInput, HandMadeStreamIsReadWhenSound) {
  TMemTableDataEh b(nullptr);
  Load(b, HandMadeStream([](TWriter& w) {
         w.WriteListBegin();
         w.WriteInteger(5);
         w.WriteListEnd();
         w.WriteListBegin();
         w.WriteValue(vaNil);
         w.WriteListEnd();
       }));
  ASSERT_EQ(b.GetRecordsList()->GetCount(), 2);
  EXPECT_EQ(b.GetRecordsList()->GetRecord(0)->GetValue(0, rvvValueEh).AsInteger(), 5);
  EXPECT_EQ(VarType(b.GetRecordsList()->GetRecord(0)->GetValue(0, rvvValueEh)), varInteger);
  EXPECT_TRUE(b.GetRecordsList()->GetRecord(1)->GetValue(0, rvvValueEh).IsNull());
}

TEST(StreamingBadInput, AValueOfTheWrongTypeIsReported) {
  Witness w;
  EXPECT_THROW(Load(w.Store, HandMadeStream([](TWriter& wr) {
                      wr.WriteListBegin();
                      wr.WriteInteger(1);
                      wr.WriteListEnd();
                      wr.WriteListBegin();
                      wr.WriteString(u"не число");
                      wr.WriteListEnd();
                    })),
               EVariantError);
  w.ExpectUntouched();
}

TEST(StreamingBadInput, ARecordWithTheWrongNumberOfValuesIsReported) {
  Witness w;
  EXPECT_THROW(Load(w.Store, HandMadeStream([](TWriter& wr) {
                      wr.WriteListBegin();
                      wr.WriteInteger(1);
                      wr.WriteInteger(2);
                      wr.WriteListEnd();
                    })),
               EReadError);
  w.ExpectUntouched();
  EXPECT_THROW(Load(w.Store, HandMadeStream([](TWriter& wr) {
                      wr.WriteListBegin();
                      wr.WriteListEnd();
                    })),
               EReadError);
  w.ExpectUntouched();
}

TEST(StreamingBadInput, ADuplicateColumnNameIsRefused) {
  TMemTableDataEh a(nullptr);
  FillSample(a);
  std::string bytes = Save(a);
  // Rename the column "NOTE" to "NAME", which another column already bears.
  const std::string note("N\0O\0T\0E\0", 8);  // names travel as UTF-16
  size_t at = bytes.find(note);
  ASSERT_NE(at, std::string::npos);
  bytes.replace(at, 8, std::string("N\0A\0M\0E\0", 8));
  Witness w;
  EXPECT_THROW(Load(w.Store, bytes), EDatabaseError);
  w.ExpectUntouched();
}

TEST(Registration, ClassesStayRegisteredUntilTheLastFinalisation) {
  EXPECT_NE(GetClass(u"TMTStringDataFieldEh"), nullptr);
  EXPECT_NE(GetClass(u"TRecordsListEh"), nullptr);
  EXPECT_NE(GetClass(u"TMTSQLTimeStampDataFieldEh"), nullptr);
  InitMemTableDataEhUnit();
  FinalMemTableDataEhUnit();
  EXPECT_NE(GetClass(u"TMemTableDataEh"), nullptr);
  FinalMemTableDataEhUnit();
  EXPECT_EQ(GetClass(u"TMemTableDataEh"), nullptr);
  InitMemTableDataEhUnit();
  EXPECT_EQ(GetClass(u"TMemTableDataEh"), TMemTableDataEh::StaticComponentClass());
}
