// The edit-mask engine: what positions accept, and the conversions between the
// edit text and the text the program reads.

#include <gtest/gtest.h>

#include "platform/core/FormatSettings.h"
#include "platform/ui/MaskUtils.h"

TEST(EditMaskParsing, FieldsSetSaveLiteralsAndBlank) {
  TEditMask m(u"!99/99/9999;1; ");
  EXPECT_TRUE(m.Reverse());
  EXPECT_TRUE(m.SaveLiterals());
  EXPECT_EQ(m.BlankChar(), u' ');
  EXPECT_EQ(m.Length(), 10);
  EXPECT_TRUE(m.IsLiteral(2));
  EXPECT_FALSE(m.IsLiteral(3));

  TEditMask n(u"000-00;0;*");
  EXPECT_FALSE(n.SaveLiterals());
  EXPECT_EQ(n.BlankChar(), u'*');
  EXPECT_EQ(n.EmptyEditText(), u"***-**");
}

TEST(EditMaskParsing, DateSeparatorFollowsTheLocale) {
  const Char saved = FormatSettings.DateSeparator;
  FormatSettings.DateSeparator = u'.';
  EXPECT_EQ(TEditMask(u"99/99").EmptyEditText(), u"__.__");
  FormatSettings.DateSeparator = saved;
}

TEST(EditMaskParsing, BackslashMakesALiteral) {
  TEditMask m(u"\\A\\99");
  EXPECT_EQ(m.Length(), 3);
  EXPECT_EQ(m.EmptyEditText(), u"A9_");
  EXPECT_TRUE(m.IsLiteral(0));
  EXPECT_TRUE(m.IsLiteral(1));
  EXPECT_FALSE(m.IsLiteral(2));
}

TEST(EditMaskAccept, DigitsLettersAndCase) {
  TEditMask m(u">LL<ll0#");
  EXPECT_EQ(m.Accept(0, u'ж'), u'Ж');
  EXPECT_EQ(m.Accept(1, u'7'), 0);
  EXPECT_EQ(m.Accept(2, u'Q'), u'q');
  EXPECT_EQ(m.Accept(4, u'x'), 0);
  EXPECT_EQ(m.Accept(4, u'5'), u'5');
  EXPECT_EQ(m.Accept(5, u'-'), u'-');
  EXPECT_EQ(m.Accept(5, u'a'), 0);
  EXPECT_EQ(m.Accept(6, u'1'), 0);  // past the mask
}

TEST(EditMaskAccept, LiteralRefusesEverything) {
  TEditMask m(u"9-9");
  EXPECT_EQ(m.Accept(1, u'-'), 0);
  EXPECT_EQ(m.NextInput(1), 2);
  EXPECT_EQ(m.PrevInput(2), 0);
  EXPECT_EQ(m.PrevInput(0), -1);
}

TEST(EditMaskText, SavedLiteralsRoundTrip) {
  TEditMask m(u"!99.99.9999;1; ");
  const String edit = m.FormatText(u"07.12.2026");
  EXPECT_EQ(edit, u"07.12.2026");
  EXPECT_EQ(m.ExtractText(edit), u"07.12.2026");
  EXPECT_EQ(m.ExtractText(m.FormatText(u"07.  .2026")), u"07.  .2026");
}

TEST(EditMaskText, ATextWithoutTheSavedLiteralsGetsThemBack) {
  TEditMask m(u"!99-99;1;_");
  EXPECT_EQ(m.FormatText(u"1234"), u"12-34");
  EXPECT_EQ(m.FormatText(u"12-34"), u"12-34");
  EXPECT_EQ(m.FormatText(u"12/34"), u"12-34");  // another separator stands at the literal's place
  EXPECT_EQ(m.FormatText(u"123"), u"12-3_");
}

TEST(EditMaskText, LiteralsLeftOutOfText) {
  TEditMask m(u"000-000;0;_");
  EXPECT_EQ(m.FormatText(u"123456"), u"123-456");
  EXPECT_EQ(m.ExtractText(u"123-4__"), u"1234  ");
}

TEST(EditMaskText, RefusedCharactersStayBlank) {
  TEditMask m(u"0000;1;_");
  EXPECT_EQ(m.FormatText(u"1x3y"), u"1_3_");
}

TEST(EditMaskText, ReverseFillsFromTheEnd) {
  TEditMask m(u"!9999;0;_");
  EXPECT_EQ(m.FormatText(u"12"), u"__12");
}

TEST(EditMaskValidation, FirstMissingRequiredPosition) {
  TEditMask m(u"00-99;1;_");
  EXPECT_EQ(m.FirstMissing(u"1_-__"), 1);
  EXPECT_EQ(m.FirstMissing(u"12-__"), -1);
  EXPECT_EQ(m.FirstMissing(u""), 0);
}

TEST(EditMaskText, EmptyMaskIsPlainCopy) {
  EXPECT_EQ(FormatMaskText(String(), u"abc"), u"abc");
  EXPECT_TRUE(TEditMask(u"").IsEmpty());
}
