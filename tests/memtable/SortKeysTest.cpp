// Sorting a view by text fields through precomputed keys must give exactly the
// order of comparing the records themselves (what a connected comparison hook
// sees), whether the texts repeat a lot (ranked) or hardly at all, with Nulls,
// case and Cyrillic, ascending and descending, flat and in tree mode.

#include <gtest/gtest.h>

#include <limits>
#include <random>
#include <string>

#include "memtable/MemTableDataEh.h"
#include "platform/core/Strings.h"
#include "tests/memtable/MemTestUtil.h"

namespace {

constexpr unsigned kRandomStart = 1812;

enum { ID, PARENT, NAME, NOTE, BIG, WIDE, ANY };

struct SortKeys : ::testing::Test {
  TMemTableDataEh Store{nullptr};

  void SetUp() override {
    AddColumn(Store, TMTNumericDataFieldEh::StaticComponentClass(), ftInteger, u"ID");
    AddColumn(Store, TMTNumericDataFieldEh::StaticComponentClass(), ftInteger, u"PARENT");
    AddColumn(Store, TMTStringDataFieldEh::StaticComponentClass(), ftWideString, u"NAME")->SetSize(20);
    AddColumn(Store, TMTStringDataFieldEh::StaticComponentClass(), ftWideString, u"NOTE")->SetSize(20);
    AddColumn(Store, TMTNumericDataFieldEh::StaticComponentClass(), ftLargeint, u"BIG");
    AddColumn(Store, TMTNumericDataFieldEh::StaticComponentClass(), ftLargeint, u"WIDE");
    AddColumn(Store, TMTVariantDataFieldEh::StaticComponentClass(), ftVariant, u"ANY");
  }

  // One record a value of the Variant column, identifiers from 0.
  void FillAny(const std::vector<Variant>& Values) {
    TRecordsListEh* list = Store.GetRecordsList();
    list->Clear();
    Integer id = 0;
    for (const Variant& v : Values) {
      TMemoryRecordEh* r = list->NewRecord();
      r->SetValue(ID, rvvValueEh, Variant(id++));
      r->SetValue(ANY, rvvValueEh, v);
      list->LoadRecord(r);
    }
  }

  // Count records whose texts are drawn from Distinct choices (Null now and then).
  void Fill(Integer Count, Integer Distinct, std::mt19937& Rng) {
    static const char16_t* const kStems[] = {u"Запись", u"запись", u"ЁЖ", u"ежик", u"Apple", u"apple", u"", u"z"};
    TRecordsListEh* list = Store.GetRecordsList();
    list->BeginUpdate();
    for (Integer i = 0; i < Count; ++i) {
      TMemoryRecordEh* r = list->NewRecord();
      r->SetValue(ID, rvvValueEh, Variant(i));
      r->SetValue(PARENT, rvvValueEh, i < 5 ? Null() : Variant(static_cast<Integer>(Rng() % static_cast<unsigned>(i))));
      for (Integer col : {NAME, NOTE}) {
        const unsigned pick = Rng() % static_cast<unsigned>(Distinct);
        if (pick == 0) {
          r->SetValue(col, rvvValueEh, Null());
          continue;
        }
        String text = kStems[pick % 8];
        text += u" " + IntToStr(static_cast<Integer>(pick / 8));
        r->SetValue(col, rvvValueEh, Variant(text));
      }
      list->LoadRecord(r);
    }
    list->EndUpdate();
  }

  std::vector<Int64> Order(const String& SortOrder, bool ThroughHook, bool Tree) {
    TRecordsViewEh view(nullptr);
    view.SetMemTableData(&Store);
    if (ThroughHook)
      view.OnCompareRecords = [](TObject*, TMemoryRecordEh* A, TMemoryRecordEh* B, TOrderByList* Order) {
        return TRecordsViewEh::CompareRecordsByOrder(A, B, Order);
      };
    view.SetKeyFieldName(u"ID");
    view.SetRefParentFieldName(u"PARENT");
    view.GetTreeList()->SetDefaultNodeExpanded(true);
    view.SetSortOrder(SortOrder);
    if (Tree) view.SetTreeMode(true);
    else view.RebuildView();
    std::vector<Int64> ids;
    for (Integer i = 0; i < view.ViewCount(); ++i)
      ids.push_back(view.ViewRecord(i)->GetValue(ID, rvvValueEh).AsInt64());
    return ids;
  }
};

TEST_F(SortKeys, RepeatedAndDistinctTextsSortAsComparingTheRecords) {
  std::mt19937 rng(kRandomStart);
  // Few choices (ranked), many (keyed each), and nearly all distinct.
  for (Integer distinct : {6, 40, 4000}) {
    Store.GetRecordsList()->Clear();
    Fill(1200, distinct, rng);
    for (const char16_t* order : {u"NAME", u"NAME DESC", u"NAME, NOTE DESC", u"NOTE DESC, ID"})
      for (bool tree : {false, true}) {
        const std::vector<Int64> expected = Order(order, true, tree);
        ASSERT_EQ(Order(order, false, tree), expected)
            << "distinct " << distinct << ", order " << ToUtf8(order) << (tree ? ", tree" : "");
      }
  }
}

TEST_F(SortKeys, TextsThatHardlyRepeatAreKeyedOneByOne) {
  std::mt19937 rng(kRandomStart);
  Fill(5000, 1000000, rng);
  for (bool tree : {false, true}) {
    const std::vector<Int64> expected = Order(u"NAME DESC", true, tree);
    ASSERT_EQ(Order(u"NAME DESC", false, tree), expected) << (tree ? "tree" : "flat");
  }
}

TEST_F(SortKeys, ManyTextsKeyedInPartsSortAsComparingTheRecords) {
  // Enough distinct texts for their keys to be made in several parts at once.
  std::mt19937 rng(kRandomStart);
  Fill(40000, 1000000, rng);
  for (const char16_t* order : {u"NAME", u"NOTE DESC, ID"}) {
    const std::vector<Int64> expected = Order(order, true, false);
    ASSERT_EQ(Order(order, false, false), expected) << ToUtf8(order);
  }
}

TEST_F(SortKeys, NumbersPackedTogetherAndTextsWithACommonStartSortAsComparingTheRecords) {
  std::mt19937 rng(kRandomStart);
  // Numbers with Nulls in a narrow span, in the widest span (two such columns
  // do not fit one number), or Null throughout; names sharing a long start, in
  // either case, or Null.
  const Int64 big = std::numeric_limits<Int64>::max(), least = std::numeric_limits<Int64>::min();
  for (const Int64 span : {Int64(3), big, Int64(0)}) {
    Store.GetRecordsList()->Clear();
    TRecordsListEh* list = Store.GetRecordsList();
    list->BeginUpdate();
    for (Integer i = 0; i < 900; ++i) {
      TMemoryRecordEh* r = list->NewRecord();
      const unsigned pick = rng() % 9;
      Variant value = Null(), wide = Variant(static_cast<Int64>(i % 50));
      if (span == big) {
        value = Variant(pick == 0 ? least : pick == 1 ? big : static_cast<Int64>(rng()) - 2000000000);
        wide = Variant(static_cast<Int64>(rng() % 5) * (i % 2 ? -1 : 1) * 2000000000000000000);
      } else if (span != 0 && pick != 0) {
        value = Variant(static_cast<Int64>(rng() % 7) - span);
      }
      r->SetValue(ID, rvvValueEh, Variant(i));
      r->SetValue(PARENT, rvvValueEh, i < 5 ? Null() : Variant(static_cast<Integer>(rng() % static_cast<unsigned>(i))));
      r->SetValue(BIG, rvvValueEh, value);
      r->SetValue(WIDE, rvvValueEh, wide);
      const String start = pick % 2 ? u"Общий длинный заголовок " : u"общий длинный заголовок ";
      r->SetValue(NAME, rvvValueEh, pick == 4 ? Null() : Variant(start + IntToStr(static_cast<Integer>(rng() % 300))));
      r->SetValue(NOTE, rvvValueEh, pick == 5 ? Null() : Variant(String(u"Запись")));
      list->LoadRecord(r);
    }
    list->EndUpdate();
    for (const char16_t* order :
         {u"BIG", u"BIG DESC, WIDE", u"WIDE DESC, BIG DESC", u"BIG, NAME DESC", u"WIDE, BIG DESC, NAME", u"NAME DESC",
          u"NOTE, NAME", u"NAME, BIG DESC", u"NOTE DESC, WIDE DESC"})
      for (bool tree : {false, true}) {
        const std::vector<Int64> expected = Order(order, true, tree);
        ASSERT_EQ(Order(order, false, tree), expected)
            << "span " << span << ", order " << ToUtf8(order) << (tree ? ", tree" : "");
      }
  }
}

TEST_F(SortKeys, AVariantColumnOfMixedKindsSortsAsComparingTheRecords) {
  const Int64 top = (Int64{1} << 53) + 1;  // no double holds it
  FillAny({Variant(top), Variant(top - 1), Variant(0.5), Variant(-top), Null(), Variant(top - 2), Variant(2.0)});
  // Large integers beside a float keep their exact order.
  EXPECT_EQ(Order(u"ANY", false, false), (std::vector<Int64>{4, 3, 2, 6, 5, 1, 0}));
  EXPECT_EQ(Order(u"ANY DESC", false, false), Order(u"ANY DESC", true, false));
  // A Boolean is 0 or -1 beside numbers, 0 or 1 beside a Boolean.
  std::mt19937 rng(kRandomStart);
  for (int round = 0; round < 20; ++round) {
    std::vector<Variant> values;
    for (int i = 0; i < 12; ++i) {
      switch (rng() % 5) {
        case 0: values.push_back(Variant(rng() % 2 == 0)); break;
        case 1: values.push_back(Variant(static_cast<Integer>(rng() % 3) - 1)); break;
        case 2: values.push_back(Variant(static_cast<double>(rng() % 5) / 2 - 1)); break;
        case 3: values.push_back(Null()); break;
        default: values.push_back(Variant(static_cast<Int64>(rng() % 3) - 1)); break;
      }
    }
    FillAny(values);
    for (const char16_t* order : {u"ANY", u"ANY DESC", u"ANY, ID DESC"})
      for (bool tree : {false, true})
        ASSERT_EQ(Order(order, false, tree), Order(order, true, tree))
            << "round " << round << ", order " << ToUtf8(order) << (tree ? ", tree" : "");
  }
}

TEST_F(SortKeys, ManyDistinctTextsOfEqualKeysSortAsComparingTheRecords) {
  // Enough distinct texts for their keys to be sorted on several threads, many
  // of them differing only by characters the collation ignores (so their keys
  // tie) or by case: ties must end where comparing the records leaves them.
  std::mt19937 rng(kRandomStart);
  TRecordsListEh* list = Store.GetRecordsList();
  list->BeginUpdate();
  for (Integer i = 0; i < 60000; ++i) {
    TMemoryRecordEh* r = list->NewRecord();
    r->SetValue(ID, rvvValueEh, Variant(i));
    r->SetValue(PARENT, rvvValueEh, i < 5 ? Null() : Variant(static_cast<Integer>(rng() % static_cast<unsigned>(i))));
    String text = (rng() % 2 ? u"Иванов " : u"иванов ") + IntToStr(static_cast<Integer>(rng() % 30000));
    if (rng() % 3 == 0) text.insert(text.begin() + 3, u'\u0001');
    r->SetValue(NAME, rvvValueEh, Variant(text));
    r->SetValue(NOTE, rvvValueEh, rng() % 50 == 0 ? Null() : Variant(IntToStr(static_cast<Integer>(rng() % 7))));
    list->LoadRecord(r);
  }
  list->EndUpdate();
  for (const char16_t* order : {u"NAME", u"NAME DESC", u"NOTE, NAME DESC"})
    for (bool tree : {false, true}) {
      const std::vector<Int64> expected = Order(order, true, tree);
      ASSERT_EQ(Order(order, false, tree), expected) << ToUtf8(order) << (tree ? ", tree" : "");
    }
}

TEST_F(SortKeys, CollationOrderPutsCaseAndCyrillicWhereTheLocaleDoes) {
  std::mt19937 rng(kRandomStart);
  Fill(0, 2, rng);
  TRecordsListEh* list = Store.GetRecordsList();
  const char16_t* const names[] = {u"ёж", u"Яблоко", u"ель", u"Ель", u"apple", u"ёж", u"Ель"};
  Integer id = 0;
  for (const char16_t* name : names) {
    TMemoryRecordEh* r = list->NewRecord();
    r->SetValue(ID, rvvValueEh, Variant(id++));
    r->SetValue(NAME, rvvValueEh, Variant(name));
    list->LoadRecord(r);
  }
  // Russian order: Cyrillic before Latin, ё and е equal but for accents (so
  // "ёж" before "ель"), lower case before upper, equal texts together.
  const std::vector<Int64> order = Order(u"NAME", false, false);
  std::vector<String> texts;
  for (Int64 i : order) texts.push_back(names[i]);
  EXPECT_EQ(texts, (std::vector<String>{u"ёж", u"ёж", u"ель", u"Ель", u"Ель", u"Яблоко", u"apple"}));
}

}  // namespace
