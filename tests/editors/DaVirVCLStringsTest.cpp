#include <gtest/gtest.h>

#include <vector>

#include "editors/DaVirVCL.h"

TEST(CharInSet, CodesOf256AndAboveAreNeverMembers) {
  TSysCharSet full = TSysCharSet().IncludeRange(0, 255);
  EXPECT_TRUE(CharInSetEh(u'A', full));
  EXPECT_TRUE(CharInSetEh(Char(255), full));
  EXPECT_FALSE(CharInSetEh(Char(256), full));
  EXPECT_FALSE(CharInSetEh(u'Я', full));
}

TEST(CharInSet, TestsTheBitOfTheCode) {
  TSysCharSet digits = TSysCharSet().IncludeRange(u'0', u'9');
  EXPECT_TRUE(CharInSetEh(u'7', digits));
  EXPECT_FALSE(CharInSetEh(u'a', digits));
  EXPECT_FALSE(CharInSetEh(Char(0), digits));
  // "Ё" (U+0401) is not folded onto code 0x01.
  TSysCharSet mixed{u'a', u'Ё'};
  EXPECT_FALSE(CharInSetEh(Char(0x01), mixed));
  EXPECT_FALSE(CharInSetEh(u'Ё', mixed));
}

TEST(LocaleCompare, IgnoringCaseMakesCapitalsEqual) {
  EXPECT_EQ(CompareTextUserLocaleEh(u"группа", u"ГРУППА"), 0);
  EXPECT_NE(CompareStrUserLocaleEh(u"группа", u"ГРУППА"), 0);
  EXPECT_EQ(CompareTextUserLocaleEh(u"name", u"NAME"), 0);
  EXPECT_EQ(CompareStrUserLocaleEh(u"name", u"name"), 0);
}

TEST(LocaleCompare, ResultsAreMinusOneZeroOne) {
  EXPECT_EQ(CompareStrUserLocaleEh(u"абв", u"абг"), -1);
  EXPECT_EQ(CompareStrUserLocaleEh(u"абг", u"абв"), 1);
  EXPECT_EQ(CompareStrUserLocaleEh(u"", u""), 0);
  EXPECT_EQ(CompareStrUserLocaleEh(u"", u"a"), -1);
}

TEST(LocaleCompare, RussianAlphabeticalOrderNotCodeOrder) {
  // "ё" lies far above "я" in code order but sorts next to "е".
  EXPECT_EQ(CompareStrUserLocaleEh(u"ёж", u"як"), -1);
  // "ё" is a variant of "е": the following letter decides, not the code of "ё".
  EXPECT_EQ(CompareStrUserLocaleEh(u"ёж", u"ель"), -1);
}

TEST(LocaleCompare, LengthLimitComparesPrefixes) {
  EXPECT_EQ(CompareUStrEh(u"abcX", u"abcY", 3, false), 0);
  EXPECT_EQ(CompareUStrEh(u"abcX", u"abcY", 0, false), -1);
  EXPECT_EQ(CompareWideStrEh(u"ПоиСК", u"поиск по", 5, true), 0);
  EXPECT_EQ(CompareWideStrEh(u"ПоиСК", u"поиск по", 5, false), 1);
  // A limit beyond the text takes the text whole.
  EXPECT_EQ(CompareUStrEh(u"ab", u"abc", 10, false), -1);
}

TEST(WideStrCopy, CopiesThroughTheTerminator) {
  const Char src[] = u"Фонд";
  std::vector<Char> dst(8, u'#');
  Char* r = WideStrCopyEh(dst.data(), src);
  EXPECT_EQ(r, dst.data());
  EXPECT_EQ(String(dst.data()), u"Фонд");
  EXPECT_EQ(dst[4], u'\0');
  EXPECT_EQ(dst[5], u'#');
}

TEST(CaseMapping, CoversCyrillicAndLatin) {
  EXPECT_EQ(WideUpperCaseEh(u"ёлка Tree"), u"ЁЛКА TREE");
  EXPECT_EQ(WideLowerCaseEh(u"ЁЛКА Tree"), u"ёлка tree");
  EXPECT_EQ(WideUpperCaseEh(u""), u"");
  // One character for one: positions found in the mapped text hold in the original.
  EXPECT_EQ(WideUpperCaseEh(u"straße").size(), 6u);
}
