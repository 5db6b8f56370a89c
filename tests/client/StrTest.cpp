#include <gtest/gtest.h>

#include "client/__str.h"

TEST(TextHelpers, StripTrailingLineBreakTakesAtMostOnePair) {
  EXPECT_EQ(StripTrailingLineBreak(u"a\r\n\r\n"), u"a\r\n");
  EXPECT_EQ(StripTrailingLineBreak(u"a\n"), u"a");
  EXPECT_EQ(StripTrailingLineBreak(u"a\r"), u"a");
  EXPECT_EQ(StripTrailingLineBreak(u"a\n\n\n"), u"a\n");
  EXPECT_EQ(StripTrailingLineBreak(u"a \r\n"), u"a ");
  EXPECT_EQ(StripTrailingLineBreak(u""), u"");
  EXPECT_EQ(StripTrailingLineBreak(u"\n"), u"");
}

TEST(TextHelpers, ReplaceCharByStringReplacesEveryOccurrence) {
  EXPECT_EQ(ReplaceCharByString(u"a.b.c", u'.', u'_'), u"a_b_c");
  EXPECT_EQ(ReplaceCharByString(u"Группа", u'п', u'П'), u"ГруППа");
  EXPECT_EQ(ReplaceCharByString(u"abc", u'x', u'_'), u"abc");
}

TEST(TextHelpers, PadStringPadsOnTheChosenSideOnly) {
  EXPECT_EQ(PadString(u"7", 3, u'0', -1), u"007");
  EXPECT_EQ(PadString(u"7", 3, u'0', 0), u"007");
  EXPECT_EQ(PadString(u"7", 3, u'.', 1), u"7..");
  EXPECT_EQ(PadString(u"1234", 3, u'0', -1), u"1234");
  EXPECT_EQ(PadString(u"abc", 3, u'0', 1), u"abc");
}

TEST(TextHelpers, IntToStrPaddedKeepsLongNumbersWhole) {
  EXPECT_EQ(IntToStrPadded(7, 5, u'0'), u"00007");
  EXPECT_EQ(IntToStrPadded(123456, 5, u'0'), u"123456");
  EXPECT_EQ(IntToStrPadded(42, 0, u'0'), u"42");
  EXPECT_EQ(IntToStrPadded(-7, 4, u'0'), u"00-7");
}

TEST(TextHelpers, StrToIntDefTrimReadsTrimmedNumbersOrGivesTheDefault) {
  EXPECT_EQ(StrToIntDefTrim(u"  12  ", -1), 12);
  EXPECT_EQ(StrToIntDefTrim(u"\t12\r\n", -1), 12);
  EXPECT_EQ(StrToIntDefTrim(u"12a", -1), -1);
  EXPECT_EQ(StrToIntDefTrim(u"$1F", -1), 31);
  EXPECT_EQ(StrToIntDefTrim(u"-5", 0), -5);
  EXPECT_EQ(StrToIntDefTrim(u"", 210), 210);
  EXPECT_EQ(StrToIntDefTrim(u"1 2", 9), 9);
  EXPECT_EQ(StrToIntDefTrim(u"2147483647", 0), 2147483647);
  EXPECT_EQ(StrToIntDefTrim(u"2147483648", 0), 0);
}

TEST(TextHelpers, ExtractWordNCountsRunsOfNonDelimiters) {
  const TSysCharSet semi{u';'};
  EXPECT_EQ(ExtractWordN(u";;a;;b", 2, semi, false), u"b");
  EXPECT_EQ(ExtractWordN(u";;a;;b", 1, semi, false), u"a");
  EXPECT_EQ(ExtractWordN(u";;a;;b", 3, semi, false), u"");
  EXPECT_EQ(ExtractWordN(u";;a;;b", 0, semi, false), u"");
  EXPECT_EQ(ExtractWordN(u"", 1, semi, false), u"");
  EXPECT_EQ(ExtractWordN(u"a,b;c", 3, TSysCharSet{u';', u','}, false), u"c");
}

TEST(TextHelpers, ExtractWordNTrimsFirstOnlyWhenAsked) {
  const TSysCharSet tab{u'\t'};
  EXPECT_EQ(ExtractWordN(u"  x\ty  ", 1, tab, true), u"x");
  EXPECT_EQ(ExtractWordN(u"  x\ty  ", 1, tab, false), u"  x");
  EXPECT_EQ(ExtractWordN(u"  x\ty  ", 2, tab, true), u"y");
}

TEST(TextHelpers, SanitizeFileNameTrimsAndReplacesReservedCharacters) {
  EXPECT_EQ(SanitizeFileName(u"  a.b:c  ", u'_'), u"a_b_c");
  EXPECT_EQ(SanitizeFileName(u"a\\b/c?d*e", u'_'), u"a_b_c_d_e");
  EXPECT_EQ(SanitizeFileName(u"Книги-210", u'_'), u"Книги-210");
}
