#include <gtest/gtest.h>

#include <malloc.h>

#include <limits>

#include "MemTestUtil.h"
#include "platform/core/Strings.h"

#if defined(__SANITIZE_ADDRESS__)
// The address sanitizer's own count (its allocator bypasses malloc's).
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace {

// Bytes the process holds allocated now.
size_t AllocatedBytes() {
#if defined(__SANITIZE_ADDRESS__)
  return __sanitizer_get_current_allocated_bytes();
#else
  return mallinfo2().uordblks;
#endif
}

void ExpectSame(const Variant& Expected, const Variant& Got, const std::string& What) {
  ASSERT_EQ(VarType(Got), VarType(Expected)) << What;
  if (Expected.IsArray()) {
    ASSERT_EQ(VarArrayHighBound(Got), VarArrayHighBound(Expected)) << What;
    for (Integer k = VarArrayLowBound(Expected); k <= VarArrayHighBound(Expected); ++k)
      ExpectSame(VarArrayGet(Expected, k), VarArrayGet(Got, k), What + "[" + std::to_string(k) + "]");
  } else if (VarIsNumeric(Expected) || VarIsStr(Expected) || VarType(Expected) == varDate) {
    EXPECT_TRUE(VarSameValue(Expected, Got)) << What;
  }
}

}  // namespace

TEST(RecordValues, AVariantColumnGivesBackEveryKindOfValueAsItWasStored) {
  TMemTableDataEh store(nullptr);
  AddColumn(store, TMTVariantDataFieldEh::StaticComponentClass(), ftVariant, u"ANY");
  AddColumn(store, TMTStringDataFieldEh::StaticComponentClass(), ftWideString, u"NAME")->SetSize(100);
  const std::vector<Variant> values = {
      Variant(static_cast<int8_t>(-7)),
      Variant(static_cast<int16_t>(-30000)),
      Variant(std::numeric_limits<Integer>::min()),
      Variant(static_cast<Byte>(255)),
      Variant(static_cast<Word>(65535)),
      Variant(std::numeric_limits<uint32_t>::max()),
      Variant(std::numeric_limits<Int64>::max()),
      Variant(std::numeric_limits<Int64>::min()),
      Variant(1.5f),
      Variant(-2.25e300),
      Variant::FromDate(45000.75),
      Variant(Currency::FromRaw(-123456789)),
      Variant(true),
      Variant(false),
      Variant(String()),
      Variant(u"семь ок"),   // as long as a text kept in place
      Variant(u"восемь!!"),  // one longer
      Variant(String(5000, u'ж')),
      Variant::FromAnsiStr(u"ansi"),
      Variant::FromAnsiStr(u"ansi text beyond seven"),
      Bytes("\x00\x01\xff"),
      VarArrayOf({Variant(1), Variant(u"два"), Null()}),
      Variant::FromError(42),
  };
  TRecordsListEh* list = store.GetRecordsList();
  for (const Variant& v : values) {
    TMemoryRecordEh* r = list->NewRecord();
    r->SetValue(0, rvvValueEh, v);
    r->Post();
  }
  ASSERT_EQ(list->GetCount(), static_cast<Integer>(values.size()));
  for (size_t i = 0; i < values.size(); ++i)
    ExpectSame(values[i], list->GetRecord(static_cast<Integer>(i))->GetValue(0, rvvValueEh),
               "value " + std::to_string(i));

  // Copies made by editing and by cached changes keep them too, and let go of them.
  list->SetCachedUpdates(true);
  for (size_t i = 0; i < values.size(); ++i) {
    TMemoryRecordEh* r = list->GetRecord(static_cast<Integer>(i));
    r->Edit();
    r->SetValue(0, rvvValueEh, values[values.size() - 1 - i]);
    r->Post();
    ExpectSame(values[i], r->GetValue(0, rvvOldValueEh), "old " + std::to_string(i));
    ExpectSame(values[values.size() - 1 - i], r->GetValue(0, rvvValueEh), "new " + std::to_string(i));
  }
  list->CancelUpdates();
  for (size_t i = 0; i < values.size(); ++i)
    ExpectSame(values[i], list->GetRecord(static_cast<Integer>(i))->GetValue(0, rvvValueEh),
               "reverted " + std::to_string(i));
}

TEST(RecordValues, LongTextsSurviveEditsCancelsAndCopiesBetweenRecords) {
  TMemTableDataEh store(nullptr);
  BuildTestColumns(store);
  const String first = u"Российская государственная библиотека";
  const String second = u"Библиотека Академии наук";
  TMemoryRecordEh* a = AppendRecord(store, 1, first);
  a->Edit();
  a->SetValue(TestColumns::NAME, rvvValueEh, Variant(second));
  EXPECT_EQ(a->GetValue(TestColumns::NAME, rvvEditStartValueEh).AsString(), first);
  a->Cancel();
  EXPECT_EQ(a->GetValue(TestColumns::NAME, rvvValueEh).AsString(), first);

  // A second record takes the first one's value; changing either leaves the other.
  TMemoryRecordEh* b = AppendRecord(store, 2, u"");
  b->Edit();
  b->SetValue(TestColumns::NAME, rvvValueEh, a->GetValue(TestColumns::NAME, rvvValueEh));
  b->Post();
  a->Edit();
  a->SetValue(TestColumns::NAME, rvvValueEh, Variant(second));
  a->Post();
  EXPECT_EQ(a->GetValue(TestColumns::NAME, rvvValueEh).AsString(), second);
  EXPECT_EQ(b->GetValue(TestColumns::NAME, rvvValueEh).AsString(), first);
  EXPECT_EQ(b->GetData()[TestColumns::NAME].Text(), first);
}

TEST(RecordValues, AColumnAddedAfterTheRecordsReadsNullUntilSetAndIsThenKept) {
  TMemTableDataEh store(nullptr);
  BuildTestColumns(store);
  TMemoryRecordEh* r = AppendRecord(store, 1, u"запись до новой колонки");
  AddColumn(store, TMTStringDataFieldEh::StaticComponentClass(), ftWideString, u"LATE")->SetSize(100);
  const Integer late = TestColumns::COUNT;
  EXPECT_TRUE(r->GetValue(late, rvvValueEh).IsNull());
  r->Edit();
  r->SetValue(late, rvvValueEh, Variant(u"значение новой колонки"));
  r->Post();
  EXPECT_EQ(r->GetValue(late, rvvValueEh).AsString(), u"значение новой колонки");
  EXPECT_EQ(r->GetValue(TestColumns::NAME, rvvValueEh).AsString(), u"запись до новой колонки");
  EXPECT_EQ(r->GetValue(TestColumns::ID, rvvValueEh).AsInteger(), 1);
  r->Edit();
  r->SetValue(late, rvvValueEh, Variant(u"другое"));
  r->Cancel();
  EXPECT_EQ(r->GetValue(late, rvvValueEh).AsString(), u"значение новой колонки");
}

// A table of a million records must stay within a small multiple of what the
// same values take as plain structs (four integers and a string of 13
// characters: about 96 bytes a row with the string's own block).
TEST(RecordValues, ARecordOfFiveFieldsTakesLittleMoreThanAPlainStruct) {
  TMemTableDataEh store(nullptr);
  for (const char16_t* name : {u"ID_THIS", u"ID_PARENT", u"ID_TYPE", u"NPP"})
    AddColumn(store, TMTNumericDataFieldEh::StaticComponentClass(), ftInteger, name);
  AddColumn(store, TMTStringDataFieldEh::StaticComponentClass(), ftWideString, u"NAME_THIS")->SetSize(40);
  constexpr Integer kRecords = 20000;
  TRecordsListEh* list = store.GetRecordsList();
  const size_t before = AllocatedBytes();
  list->BeginUpdate();
  for (Integer i = 0; i < kRecords; ++i) {
    TMemoryRecordEh* r = list->NewRecord();
    r->SetValue(0, rvvValueEh, Variant(i + 1));
    r->SetValue(1, rvvValueEh, Variant(i / 100));
    r->SetValue(2, rvvValueEh, Variant(i % 3));
    r->SetValue(3, rvvValueEh, Variant(i % 100));
    r->SetValue(4, rvvValueEh, Variant(u"Ресурс " + IntToStr(100000 + i)));
    list->LoadRecord(r);
  }
  list->EndUpdate();
  const size_t perRecord = (AllocatedBytes() - before) / kRecords;
  EXPECT_LE(perRecord, 200u);
  EXPECT_EQ(list->GetRecord(kRecords - 1)->GetValue(4, rvvValueEh).AsString(),
            u"Ресурс " + IntToStr(100000 + kRecords - 1));
}
