#include "platform/core/CodePage.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

TEST(CodePageRoundTrip, EveryByteComesBackUnchanged) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  const String text = AnsiToString(all);
  ASSERT_EQ(text.size(), 256u);
  EXPECT_EQ(StringToAnsi(text), all);
  // Total and one-to-one: 256 different characters, none of them a substitute.
  EXPECT_EQ(std::set<Char>(text.begin(), text.end()).size(), 256u);
  EXPECT_EQ(text.find(u'\uFFFD'), String::npos);
}

TEST(CodePageRoundTrip, UnassignedByteTravelsAsItsOwnControlCode) {
  EXPECT_EQ(AnsiToString("\x98"), String(1, u'\u0098'));
  EXPECT_EQ(StringToAnsi(String(1, u'\u0098')), "\x98");
}

TEST(CodePageRoundTrip, CyrillicTextRoundTrips) {
  const String text = u"Съешь же ещё этих мягких французских булок, ЁЖ! №5 — «ok»";
  const AnsiString bytes = StringToAnsi(text);
  EXPECT_EQ(bytes.size(), text.size());
  EXPECT_EQ(AnsiToString(bytes), text);
}

TEST(CodePageRoundTrip, KnownBytesOfThePage) {
  EXPECT_EQ(StringToAnsi(u"АЯаяЁё№€"), "\xC0\xDF\xE0\xFF\xA8\xB8\xB9\x88");
  EXPECT_EQ(AnsiToString("\xC0\xDF\xE0\xFF\xA8\xB8\xB9\x88"), u"АЯаяЁё№€");
}

TEST(CodePageMissing, CharactersOutsideThePageBecomeQuestionMarks) {
  EXPECT_EQ(StringToAnsi(u"a漢b"), "a?b");
  EXPECT_EQ(StringToAnsi(u"ÿ"), "?");  // Latin, not in the Cyrillic page
  // One character outside the BMP is one '?', not two.
  EXPECT_EQ(StringToAnsi(u"x\U0001F600y"), "x?y");
  // A lone surrogate is not a character of the page either.
  EXPECT_EQ(StringToAnsi(String(1, Char(0xD800)) + u"z"), "?z");
}

TEST(CodePageMissing, WritingInPlaceGivesTheSameBytesAsConverting) {
  const String text = u"ok Каталог €\t" + String(1, Char(0xD800)) + u"漢\U0001F600z";
  std::string out(text.size() + 4, '#');
  char* end = WriteAnsi(text, out.data() + 2);
  EXPECT_EQ(out.substr(2, static_cast<size_t>(end - out.data() - 2)), StringToAnsi(text));
  EXPECT_EQ(out.substr(0, 2), "##");  // nothing before the place given
  EXPECT_EQ(WriteAnsi(u"", out.data()), out.data());
}

TEST(CodePageMissing, EmptyTextIsEmpty) {
  EXPECT_EQ(StringToAnsi(u""), "");
  EXPECT_EQ(AnsiToString(""), u"");
}

TEST(CodePageAsciiRun, StopsAtTheFirstCharacterOutsideTheRunWhereverItFalls) {
  // Every length up to a few steps of eight, with the stopping character at
  // every place: the count and the bytes match a character-by-character copy.
  for (size_t length = 0; length <= 27; ++length) {
    for (size_t stop = 0; stop <= length; ++stop) {
      for (Char odd : {Char(u'\t'), Char(0x7F), Char(0x80), Char(u'Я'), Char(0xD800), Char(0xFFFF)}) {
        String text;
        for (size_t i = 0; i < length; ++i) text += static_cast<Char>(u'!' + (i * 7) % 94);
        if (stop < length) text[stop] = odd;
        std::string out(length + 2, '#');
        const Char low = u' ';
        const size_t n = CopyAsciiRun(text, out.data(), low);
        const bool keeps = odd >= low && odd < 0x80;
        EXPECT_EQ(n, stop < length && !keeps ? stop : length) << length << " " << stop << " " << int(odd);
        for (size_t i = 0; i < n; ++i) ASSERT_EQ(out[i], static_cast<char>(text[i]));
        EXPECT_EQ(out.substr(length), "##");  // nothing past the text
      }
    }
  }
}

TEST(CodePageAsciiRun, ControlCharactersBelongToTheRunOnlyWhenTheLowBoundLetsThemIn) {
  const String text = u"abc\tdefghijkl";
  std::string out(text.size(), '#');
  EXPECT_EQ(CopyAsciiRun(text, out.data()), text.size());
  EXPECT_EQ(out, "abc\tdefghijkl");
  EXPECT_EQ(CopyAsciiRun(text, out.data(), u' '), 3u);
  EXPECT_EQ(CopyAsciiRun(u"", out.data()), 0u);
}
