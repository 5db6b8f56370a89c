#include "platform/core/Locale.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <thread>
#include <vector>

#include "platform/core/Strings.h"

TEST(RussianCollation, YoSortsAfterYe) {
  EXPECT_EQ(CompareStringLocale(u"елка", u"ёлка", false), -1);
  EXPECT_EQ(CompareStringLocale(u"ёлка", u"елка", false), 1);
  EXPECT_EQ(CompareStringLocale(u"ёлка", u"елка", true), 1);
  // ё is a letter between е and ж, not after я.
  EXPECT_EQ(CompareStringLocale(u"ёж", u"жук", false), -1);
}

TEST(RussianCollation, CaseMattersOnlyWithoutIgnoreCase) {
  EXPECT_EQ(CompareStringLocale(u"Поиск", u"поиск", true), 0);
  const int ab = CompareStringLocale(u"Поиск", u"поиск", false);
  const int ba = CompareStringLocale(u"поиск", u"Поиск", false);
  EXPECT_NE(ab, 0);
  EXPECT_EQ(ab, -ba);
  EXPECT_EQ(AnsiCompareText(u"ЁЛКА", u"ёлка"), 0);
  EXPECT_TRUE(AnsiSameText(u"Группа", u"гРУППА"));
  EXPECT_FALSE(AnsiSameStr(u"Группа", u"гРУППА"));
}

TEST(RussianCollation, AlphabeticalNotCodeOrder) {
  // Code order puts every Cyrillic letter after every Latin one and capitals
  // before small letters; the collator orders alphabetically.
  EXPECT_EQ(CompareStringLocale(u"б", u"В", false), -1);
  EXPECT_EQ(CompareStringLocale(u"b", u"C", false), -1);
  EXPECT_EQ(CompareStringLocale(u"", u"а", false), -1);
  EXPECT_EQ(CompareStringLocale(u"", u"", true), 0);
  EXPECT_EQ(CompareStringLocale(u"abc", u"abcd", true), -1);
}

namespace {
std::vector<String> RandomWords(size_t count, unsigned start) {
  static const String letters = u"абвгдеёжзийклмнопрстуфхцчшщъыьэюяАБВЕЁЖЯabcxyzABCXYZ0129 -";
  std::mt19937 rng(start);
  std::uniform_int_distribution<size_t> len(0, 8), pick(0, letters.size() - 1);
  std::vector<String> words;
  for (size_t i = 0; i < count; ++i) {
    String w;
    for (size_t n = len(rng); n; --n) w += letters[pick(rng)];
    words.push_back(w);
  }
  // A few near-duplicates that differ only in case or in е/ё.
  words.push_back(u"Ёлка");
  words.push_back(u"ёлка");
  words.push_back(u"елка");
  words.push_back(u"ЕЛКА");
  return words;
}

void ExpectKeysOrderLikeCompare(bool ignoreCase) {
  const std::vector<String> words = RandomWords(400, 20261207);
  std::vector<std::string> keys;
  for (const String& w : words) keys.push_back(CollationSortKey(w, ignoreCase));
  for (size_t i = 0; i < words.size(); ++i) {
    for (size_t j = i; j < words.size(); j += 7) {
      const int byCompare = CompareStringLocale(words[i], words[j], ignoreCase);
      const int byKey = keys[i] < keys[j] ? -1 : (keys[j] < keys[i] ? 1 : 0);
      ASSERT_EQ(byKey, byCompare) << ToUtf8(words[i]) << " vs " << ToUtf8(words[j]);
    }
  }
  // A sort by keys is a sort by the compare function.
  std::vector<size_t> idx(words.size());
  std::iota(idx.begin(), idx.end(), 0);
  std::sort(idx.begin(), idx.end(), [&](size_t a, size_t b) { return keys[a] < keys[b]; });
  for (size_t k = 1; k < idx.size(); ++k)
    ASSERT_LE(CompareStringLocale(words[idx[k - 1]], words[idx[k]], ignoreCase), 0);
}
}  // namespace

TEST(CollationSortKeys, OrderLikeTheCompareFunction) { ExpectKeysOrderLikeCompare(false); }

TEST(CollationSortKeys, OrderLikeTheCompareFunctionIgnoringCase) { ExpectKeysOrderLikeCompare(true); }

TEST(CollationSortKeys, IgnoringCaseGivesEqualKeys) {
  EXPECT_EQ(CollationSortKey(u"Поиск", true), CollationSortKey(u"поиск", true));
  EXPECT_NE(CollationSortKey(u"Поиск", false), CollationSortKey(u"поиск", false));
  EXPECT_EQ(CollationSortKey(u"", false), CollationSortKey(String(), false));
}

TEST(CollationThreads, ThreadsCompareAtTheSameTime) {
  std::vector<std::thread> threads;
  std::vector<int> failures(4, 0);
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&failures, t] {
      for (int i = 0; i < 2000; ++i) {
        if (CompareStringLocale(u"елка", u"ёлка", false) != -1) ++failures[t];
        if (CompareStringLocale(u"Поиск", u"поиск", true) != 0) ++failures[t];
      }
    });
  }
  for (auto& th : threads) th.join();
  for (int f : failures) EXPECT_EQ(f, 0);
}
