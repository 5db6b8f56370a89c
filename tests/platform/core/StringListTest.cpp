#include "platform/core/StringList.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <vector>

#include "platform/core/Streams.h"
#include "platform/core/Strings.h"

namespace {

TEST(StringListNameValue, LookupIgnoresCaseIncludingCyrillic) {
  TStringList list;
  list.Add(u"Host=z3950.example.org");
  list.Add(u"Группа=Каталоги");
  list.Add(u"NoSeparator");
  EXPECT_EQ(list.Values(u"HOST"), u"z3950.example.org");
  EXPECT_EQ(list.Values(u"гРУППА"), u"Каталоги");
  EXPECT_EQ(list.IndexOfName(u"группа"), 1);
  EXPECT_EQ(list.IndexOfName(u"NoSeparator"), -1);
  EXPECT_EQ(list.Names(1), u"Группа");
  EXPECT_EQ(list.GetValueFromIndex(0), u"z3950.example.org");
  EXPECT_EQ(list.Values(u"missing"), u"");
}

TEST(StringListNameValue, SetValueAddsReplacesAndDeletes) {
  TStringList list;
  list.SetValue(u"Port", u"210");
  list.SetValue(u"PORT", u"7090");
  ASSERT_EQ(list.GetCount(), 1);
  EXPECT_EQ(list.Get(0), u"PORT=7090");
  list.SetValue(u"port", u"");
  EXPECT_EQ(list.GetCount(), 0);
  list.SetNameValueSeparator(u':');
  list.Add(u"a:b=c");
  EXPECT_EQ(list.Values(u"A"), u"b=c");
}

TEST(StringListSorted, KeepsOrderAndFindsWithoutCase) {
  TStringList list;
  list.SetSorted(true);
  for (const char16_t* s : {u"яблоко", u"Арбуз", u"банан", u"Banana", u"apple"}) list.Add(s);
  ASSERT_EQ(list.GetCount(), 5);
  for (Integer i = 0; i + 1 < list.GetCount(); ++i) EXPECT_LT(list.CompareStrings(list[i], list[i + 1]), 0);
  EXPECT_LT(list.IndexOf(u"Арбуз"), list.IndexOf(u"банан"));
  EXPECT_LT(list.IndexOf(u"банан"), list.IndexOf(u"яблоко"));
  EXPECT_LT(list.IndexOf(u"apple"), list.IndexOf(u"Banana"));
  Integer at = -1;
  EXPECT_TRUE(list.Find(u"АРБУЗ", at));
  EXPECT_EQ(list.Get(at), u"Арбуз");
  EXPECT_FALSE(list.Find(u"вишня", at));
  EXPECT_EQ(at, list.IndexOf(u"банан") + 1) << "the place it would go";
  EXPECT_THROW(list.Insert(0, u"x"), EStringListError);
}

TEST(StringListSorted, DuplicateModes) {
  TStringList ignore;
  ignore.SetSorted(true);
  EXPECT_EQ(ignore.Add(u"Дом"), 0);
  EXPECT_EQ(ignore.Add(u"дом"), 0);
  EXPECT_EQ(ignore.GetCount(), 1);

  TStringList accept;
  accept.SetSorted(true);
  accept.SetDuplicates(dupAccept);
  accept.Add(u"b");
  accept.Add(u"a");
  accept.Add(u"B");
  EXPECT_EQ(accept.GetCount(), 3);
  EXPECT_EQ(accept.Get(0), u"a");

  TStringList error;
  error.SetSorted(true);
  error.SetDuplicates(dupError);
  error.Add(u"key");
  try {
    error.Add(u"KEY");
    FAIL();
  } catch (const EStringListError& e) {
    EXPECT_EQ(e.Message(), u"String list does not allow duplicates");
  }
  EXPECT_EQ(error.GetCount(), 1);
}

TEST(StringListSorted, CaseSensitiveListKeepsBothCases) {
  TStringList list;
  list.SetCaseSensitive(true);
  list.SetSorted(true);
  list.Add(u"Дом");
  list.Add(u"дом");
  EXPECT_EQ(list.GetCount(), 2);
  EXPECT_EQ(list.IndexOf(u"ДОМ"), -1);
  EXPECT_GE(list.IndexOf(u"дом"), 0);
}

TEST(StringListSorting, CustomSortByIndexes) {
  TStringList list;
  list.SetCommaText(u"3,10,2,1");
  list.CustomSort(
      [](TStringList* l, Integer a, Integer b) { return std::stoi(ToUtf8(l->Get(a))) - std::stoi(ToUtf8(l->Get(b))); });
  EXPECT_EQ(list.GetCommaText(), u"1,2,3,10");
}

TEST(StringListSorting, TwoAscendingRunsSortInNLogNComparisons) {
  // Two lists numbered from 1, one after the other, peeled two strings a pass
  // by a middle pivot: 50,000^2 / 4 comparisons instead of n log n.
  constexpr Integer kCount = 50000;
  TStringList list;
  for (Integer i = 0; i < kCount; ++i) list.Add(IntToStr(i % (kCount / 2)));
  // Past 2 n log2 n comparisons the sort is stopped.
  long long comparisons = 0;
  EXPECT_NO_THROW(list.CustomSort([&](TStringList* l, Integer a, Integer b) {
    if (++comparisons > 2LL * kCount * 16) throw std::runtime_error("the sort degrades");
    return StrToInt(l->Get(a)) - StrToInt(l->Get(b));
  }));
  for (Integer i = 1; i < kCount; ++i) ASSERT_LE(StrToInt(list.Get(i - 1)), StrToInt(list.Get(i))) << i;
}

TEST(StringListSorting, ACompareThatIsNoOrderNeverReadsOutsideTheList) {
  TStringList list;
  for (Integer i = 0; i < 1000; ++i) list.Add(IntToStr(i));
  for (int answer : {-1, 1}) {
    // A place outside the list stops the sort at once.
    EXPECT_NO_THROW(list.CustomSort([&](TStringList* l, Integer a, Integer b) {
      if (a < 0 || b < 0 || a >= l->GetCount() || b >= l->GetCount()) throw std::out_of_range("outside the list");
      return answer;
    })) << answer;
    std::vector<Integer> kept;
    for (Integer i = 0; i < list.GetCount(); ++i) kept.push_back(StrToInt(list.Get(i)));
    std::sort(kept.begin(), kept.end());
    for (Integer i = 0; i < 1000; ++i) ASSERT_EQ(kept[static_cast<size_t>(i)], i) << answer;
  }
}

TEST(StringListText, ReadsEveryLineEndWritesCrLf) {
  TStringList list;
  list.SetText(u"one\ntwo\r\nthree\rfour\r\n\r\nsix");
  ASSERT_EQ(list.GetCount(), 6);
  EXPECT_EQ(list.Get(3), u"four");
  EXPECT_EQ(list.Get(4), u"");
  EXPECT_EQ(list.GetText(), u"one\r\ntwo\r\nthree\r\nfour\r\n\r\nsix\r\n");
}

TEST(StringListText, CommaTextQuotesWhatNeedsIt) {
  TStringList list;
  list.Add(u"plain");
  list.Add(u"two words");
  list.Add(u"say \"hi\"");
  list.Add(u"a,b");
  const String text = list.GetCommaText();
  EXPECT_EQ(text, u"plain,\"two words\",\"say \"\"hi\"\"\",\"a,b\"");
  TStringList back;
  back.SetCommaText(text);
  EXPECT_TRUE(back.Equals(&list));
}

TEST(StringListEvents, ChangeEventsRespectUpdates) {
  TStringList list;
  int changes = 0, changing = 0;
  list.OnChange = [&](TObject* sender) {
    EXPECT_EQ(sender, &list);
    ++changes;
  };
  list.OnChanging = [&](TObject*) { ++changing; };
  list.Add(u"a");
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(changing, 1);
  list.BeginUpdate();
  list.Add(u"b");
  list.Delete(0);
  EXPECT_EQ(changes, 1);
  list.EndUpdate();
  EXPECT_EQ(changes, 2);
}

TEST(StringListObjects, ObjectsTravelWithTheirStrings) {
  TStringList list;
  TObject a, b;
  list.AddObject(u"b", &b);
  list.AddObject(u"a", &a);
  list.Sort();
  EXPECT_EQ(list.GetObjects(0), &a);
  EXPECT_EQ(list.IndexOfObject(&b), 1);
  TStringList copy;
  copy.Assign(&list);
  EXPECT_EQ(copy.GetObjects(1), &b);
  EXPECT_THROW(list.Get(2), EStringListError);
}

struct Unrelated : TPersistent {
  BORROW_CLASS(Unrelated, TPersistent)
};

TEST(StringListAssign, FromAnUnrelatedClassRaises) {
  TStringList list;
  Unrelated other;
  try {
    list.Assign(&other);
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), u"Cannot assign a Unrelated to a TStringList");
  }
  try {
    list.Assign(nullptr);
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), u"Cannot assign a nil to a TStringList");
  }
}

TEST(StringListStreams, SavesWindows1251AndReadsBoms) {
  TStringList list;
  list.Add(u"Каталог");
  list.Add(u"€ ok");
  TStringStream out;
  list.SaveToStream(&out);
  EXPECT_EQ(out.GetDataString(), "\xCA\xE0\xF2\xE0\xEB\xEE\xE3\r\n\x88 ok\r\n");

  TStringList back;
  TStringStream ansi(out.GetDataString());
  back.LoadFromStream(&ansi);
  EXPECT_TRUE(back.Equals(&list));

  TStringStream utf8("\xEF\xBB\xBF\xD0\x94\xD0\xB0\n");
  back.LoadFromStream(&utf8);
  EXPECT_EQ(back.GetText(), u"Да\r\n");

  TStringStream utf16(std::string("\xFF\xFE\x14\x04\x30\x04", 6));
  back.LoadFromStream(&utf16);
  EXPECT_EQ(back.Get(0), u"Да");
}

TEST(StringListStreams, CharacterOutsideTheCodePageBecomesQuestionMark) {
  TStringList list;
  list.Add(u"日");
  TStringStream out;
  list.SaveToStream(&out);
  EXPECT_EQ(out.GetDataString(), "?\r\n");
}

TEST(StringListFiles, RoundTripAndMissingFile) {
  const String path = FromUtf8(BORROW_BINARY_DIR "/stringlist_test.txt");
  TStringList list;
  list.Add(u"Первая=1");
  list.SaveToFile(path);
  TStringList back;
  back.LoadFromFile(path);
  EXPECT_EQ(back.Values(u"первая"), u"1");
  EXPECT_THROW(back.LoadFromFile(path + u".missing"), EFOpenError);
}

}  // namespace
