#include "platform/core/Strings.h"

#include <gtest/gtest.h>

#include <limits>

#include "platform/core/Exceptions.h"

TEST(StringPositions, CopyClampsAtTheEdges) {
  const String s = u"abcdef";
  EXPECT_EQ(Copy(s, 2, 3), u"bcd");
  EXPECT_EQ(Copy(s, 0, 3), u"abc");  // below 1 counts from the start
  EXPECT_EQ(Copy(s, -5, 2), u"ab");
  EXPECT_EQ(Copy(s, 5, 100), u"ef");  // past the end is cut
  EXPECT_EQ(Copy(s, 6, 1), u"f");
  EXPECT_EQ(Copy(s, 7, 1), u"");
  EXPECT_EQ(Copy(s, 1000, 1), u"");
  EXPECT_EQ(Copy(s, 2, 0), u"");
  EXPECT_EQ(Copy(s, 2, -1), u"");
  EXPECT_EQ(Copy(s, 3), u"cdef");
  EXPECT_EQ(Copy(s, std::numeric_limits<Integer>::max(), std::numeric_limits<Integer>::max()), u"");
  EXPECT_EQ(Copy(u"", 1, 1), u"");
}

TEST(StringPositions, PosIsOneBasedAndZeroWhenAbsent) {
  EXPECT_EQ(Pos(u"cd", u"abcdcd"), 3);
  EXPECT_EQ(Pos(u"x", u"abc"), 0);
  EXPECT_EQ(Pos(u"", u"abc"), 0);
  EXPECT_EQ(Pos(u"abcd", u"abc"), 0);
  EXPECT_EQ(Pos(u"ё", u"елка ёлка"), 6);
  EXPECT_EQ(PosEx(u"cd", u"abcdcd", 4), 5);
  EXPECT_EQ(PosEx(u"cd", u"abcdcd", 0), 0);
  EXPECT_EQ(PosEx(u"cd", u"abcdcd", -3), 0);
  EXPECT_EQ(PosEx(u"d", u"abcdcd", 6), 6);
  EXPECT_EQ(PosEx(u"d", u"abcdcd", 7), 0);
}

TEST(StringPositions, DeleteClampsAndIgnoresOutOfRange) {
  String s = u"abcdef";
  Delete(s, 2, 2);
  EXPECT_EQ(s, u"adef");
  Delete(s, 0, 2);
  EXPECT_EQ(s, u"adef");
  Delete(s, -1, 2);
  EXPECT_EQ(s, u"adef");
  Delete(s, 5, 1);
  EXPECT_EQ(s, u"adef");
  Delete(s, 3, -1);
  EXPECT_EQ(s, u"adef");
  Delete(s, 3, 1000);
  EXPECT_EQ(s, u"ad");
  Delete(s, 1, std::numeric_limits<Integer>::max());
  EXPECT_EQ(s, u"");
}

TEST(StringPositions, InsertClampsToTheEnds) {
  String s = u"ac";
  Insert(u"b", s, 2);
  EXPECT_EQ(s, u"abc");
  Insert(u"<", s, 0);
  EXPECT_EQ(s, u"<abc");
  Insert(u">", s, 99);
  EXPECT_EQ(s, u"<abc>");
  Insert(u"!", s, 6);
  EXPECT_EQ(s, u"<abc>!");
}

TEST(StringTrim, BlanksAndControlCharactersGoFromTheEnds) {
  EXPECT_EQ(Trim(u" \t\r\n a b \x01"), u"a b");
  EXPECT_EQ(TrimLeft(u"  a "), u"a ");
  EXPECT_EQ(TrimRight(u"  a \r\n"), u"  a");
  EXPECT_EQ(Trim(u"   "), u"");
  EXPECT_EQ(Trim(u"\u00A0a\u00A0"), u"\u00A0a\u00A0");  // no-break space is text
}

TEST(StringCase, PlainCaseMapsAsciiOnly) {
  EXPECT_EQ(UpperCase(u"abc-xyzЖж"), u"ABC-XYZЖж");
  EXPECT_EQ(LowerCase(u"ABCЖж"), u"abcЖж");
}

TEST(StringCase, AnsiCaseMapsCyrillicAndYo) {
  EXPECT_EQ(AnsiUpperCase(u"ёлка, Ель и жёлудь abc"), u"ЁЛКА, ЕЛЬ И ЖЁЛУДЬ ABC");
  EXPECT_EQ(AnsiLowerCase(u"ЁЛКА ÄÖ ABC"), u"ёлка äö abc");
}

TEST(StringCase, AnsiCaseKeepsTheLength) {
  // Full case mapping would make two letters of the sharp s.
  EXPECT_EQ(AnsiUpperCase(u"straße").size(), 6u);
  // Outside the BMP: a surrogate pair maps as one letter (Deseret).
  EXPECT_EQ(AnsiUpperCase(u"\U00010428"), u"\U00010400");
  EXPECT_EQ(AnsiLowerCase(u"\U00010400"), u"\U00010428");
  const String lone(1, Char(0xDC00));
  EXPECT_EQ(AnsiUpperCase(lone), lone);
}

TEST(StringCompare, OrdinalComparisons) {
  EXPECT_EQ(CompareStr(u"a", u"b"), -1);
  EXPECT_EQ(CompareStr(u"b", u"a"), 1);
  EXPECT_EQ(CompareStr(u"B", u"a"), -1);  // code order
  EXPECT_EQ(CompareStr(u"ab", u"ab"), 0);
  EXPECT_EQ(CompareStr(u"ab", u"abc"), -1);
  EXPECT_EQ(CompareText(u"ABC", u"abc"), 0);
  EXPECT_EQ(CompareText(u"abc", u"ABD"), -1);
  EXPECT_EQ(CompareText(u"abcd", u"ABC"), 1);
  EXPECT_NE(CompareText(u"Ж", u"ж"), 0);  // ASCII folding only
  EXPECT_TRUE(SameText(u"Id_This", u"ID_THIS"));
  EXPECT_FALSE(SameText(u"ID_THIS", u"ID_THAT"));
}

TEST(StringReplace, FirstAllAndIgnoringCase) {
  EXPECT_EQ(StringReplace(u"a.b.c", u".", u"_", {}), u"a_b.c");
  EXPECT_EQ(StringReplace(u"a.b.c", u".", u"_", {rfReplaceAll}), u"a_b_c");
  EXPECT_EQ(StringReplace(u"Ёлка ёЛКА", u"ёлка", u"ель", {rfReplaceAll, rfIgnoreCase}), u"ель ель");
  EXPECT_EQ(StringReplace(u"Ёлка", u"ёлка", u"ель", {rfReplaceAll}), u"Ёлка");
  EXPECT_EQ(StringReplace(u"aaa", u"aa", u"a", {rfReplaceAll}), u"aa");  // no rescan
  EXPECT_EQ(StringReplace(u"abc", u"", u"x", {rfReplaceAll}), u"abc");
  EXPECT_EQ(StringReplace(u"abc", u"b", u"", {rfReplaceAll}), u"ac");
}

TEST(StringQuotes, QuotingAndDequoting) {
  EXPECT_EQ(QuotedStr(u"it's"), u"'it''s'");
  EXPECT_EQ(QuotedStr(u""), u"''");
  EXPECT_EQ(AnsiQuotedStr(u"a\"b", u'"'), u"\"a\"\"b\"");
  EXPECT_EQ(AnsiDequotedStr(u"'it''s'", u'\''), u"it's");
  EXPECT_EQ(AnsiDequotedStr(u"''", u'\''), u"");
  EXPECT_EQ(AnsiDequotedStr(u"plain", u'\''), u"plain");
  EXPECT_EQ(AnsiDequotedStr(u"'open", u'\''), u"'open");
  EXPECT_EQ(AnsiDequotedStr(u"'a' tail", u'\''), u"a");
  EXPECT_EQ(StringOfChar(u'=', 3), u"===");
  EXPECT_EQ(StringOfChar(u'=', -1), u"");
}

TEST(StringNumbers, IntToStrAndHex) {
  EXPECT_EQ(IntToStr(0), u"0");
  EXPECT_EQ(IntToStr(-42), u"-42");
  EXPECT_EQ(IntToStr(std::numeric_limits<Int64>::min()), u"-9223372036854775808");
  EXPECT_EQ(IntToStr(std::numeric_limits<Int64>::max()), u"9223372036854775807");
  EXPECT_EQ(IntToHex(255, 4), u"00FF");
  EXPECT_EQ(IntToHex(0x1F, 0), u"1F");
  EXPECT_EQ(IntToHex(Integer(-1), 2), u"FFFFFFFF");
  EXPECT_EQ(IntToHex(Int64(-1), 2), u"FFFFFFFFFFFFFFFF");
}

TEST(StringNumbers, StrToIntDefEdges) {
  EXPECT_EQ(StrToIntDef(u" 12 ", -1), -1);  // leading blanks only
  EXPECT_EQ(StrToIntDef(u"  12", -1), 12);
  EXPECT_EQ(StrToIntDef(u"abc", -1), -1);
  EXPECT_EQ(StrToIntDef(u"", -1), -1);
  EXPECT_EQ(StrToIntDef(u"-", -1), -1);
  EXPECT_EQ(StrToIntDef(u"$", -1), -1);
  EXPECT_EQ(StrToIntDef(u"12a", -1), -1);
  EXPECT_EQ(StrToIntDef(u"2147483647", -1), 2147483647);
  EXPECT_EQ(StrToIntDef(u"2147483648", -1), -1);
  EXPECT_EQ(StrToIntDef(u"-2147483648", -1), std::numeric_limits<Integer>::min());
  EXPECT_EQ(StrToIntDef(u"-2147483649", -1), -1);
  EXPECT_EQ(StrToIntDef(u"+7", -1), 7);
  EXPECT_EQ(StrToIntDef(u"99999999999999999999", -1), -1);
}

TEST(StringNumbers, DollarHexadecimal) {
  EXPECT_EQ(StrToIntDef(u"$1F", 0), 31);
  EXPECT_EQ(StrToIntDef(u"$1f", 0), 31);
  EXPECT_EQ(StrToIntDef(u"-$10", 0), -16);
  EXPECT_EQ(StrToIntDef(u"$FFFFFFFF", 0), -1);
  EXPECT_EQ(StrToIntDef(u"$100000000", 0), 0);
  EXPECT_EQ(StrToIntDef(u"$1G", 0), 0);
  EXPECT_EQ(StrToInt64Def(u"$100000000", 0), 0x100000000LL);
}

TEST(StringNumbers, Int64Range) {
  EXPECT_EQ(StrToInt64Def(u"2147483648", -1), 2147483648LL);
  EXPECT_EQ(StrToInt64Def(u"-9223372036854775808", 0), std::numeric_limits<Int64>::min());
  EXPECT_EQ(StrToInt64Def(u"9223372036854775808", 0), 0);
  Int64 v = 5;
  EXPECT_FALSE(TryStrToInt64(u"x", v));
  EXPECT_EQ(v, 5);  // untouched on failure
  EXPECT_TRUE(TryStrToInt64(u"123456789012", v));
  EXPECT_EQ(v, 123456789012LL);
}

TEST(StringNumbers, StrToIntRaisesConvertError) {
  EXPECT_EQ(StrToInt(u"-15"), -15);
  try {
    StrToInt(u"12a");
    FAIL() << "no exception";
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), u"'12a' is not a valid integer value");
  }
  EXPECT_THROW(StrToInt64(u""), EConvertError);
  Integer v = 0;
  EXPECT_TRUE(TryStrToInt(u"-0", v));
  EXPECT_EQ(v, 0);
}

TEST(CharSets, MembershipBelow256Only) {
  constexpr TSysCharSet digits = TSysCharSet().IncludeRange(u'0', u'9');
  EXPECT_TRUE(CharInSet(u'0', digits));
  EXPECT_TRUE(CharInSet(u'9', digits));
  EXPECT_FALSE(CharInSet(u'a', digits));
  TSysCharSet s{u'+', u'-', Char(0xFF)};
  EXPECT_TRUE(CharInSet(Char(0xFF), s));
  EXPECT_FALSE(CharInSet(Char(0x1FF), s));  // same low byte, but not a member
  s.Include(Char(0x100));
  EXPECT_FALSE(CharInSet(Char(0x100), s));
  s.Exclude(u'+');
  EXPECT_FALSE(CharInSet(u'+', s));
  EXPECT_TRUE(CharInSet(u'-', s));
  EXPECT_EQ(TSysCharSet().IncludeRange(u'a', u'c'), (TSysCharSet{u'a', u'b', u'c'}));
}
