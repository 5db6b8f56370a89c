// Right-to-left reading order: a text drawn with ETO_RTLREADING, TA_RTLREADING or
// DT_RTLREADING reads as a right-to-left reader expects: its runs stand in
// right-to-left order, neutral characters at its ends join the right-to-left
// paragraph, and a lone bracket there turns. The model is the same text's runs drawn
// one after the other, left to right, by plain calls.

#include <gtest/gtest.h>

#include <vector>

#include "platform/ui/Windows.h"
#include "tests/platform/ui/CanvasTestSupport.h"

namespace {

constexpr Integer W = 240, H = 30, X = 10, Y = 5;

struct BidiCase {
  const char16_t* Text;
  // The runs as they stand on the screen from left to right.
  std::vector<const char16_t*> Shown;
};

const std::vector<BidiCase>& Cases() {
  static const std::vector<BidiCase> cases = {
      {u"abc!", {u"!", u"abc"}},
      {u"abc.", {u".", u"abc"}},
      // A bracket pair around a left-to-right text stays with it.
      {u"abc (def).", {u".", u"abc (def)"}},
      // A lone bracket at the end joins the paragraph and shows mirrored.
      {u"abc:)", {u"(:", u"abc"}},
      {u"abc שלום", {u"שלום", u" ", u"abc"}},
      {u"שלום abc", {u"abc", u" ", u"שלום"}},
  };
  return cases;
}

void Prepare(TestImage& Img) {
  Img.Canvas()->GetFont()->SetName(u"DejaVu Sans");
  Img.Canvas()->GetFont()->SetSize(12);
  SetBkMode(Img.DC(), TRANSPARENT);
}

// The model: each run drawn plainly where the one before it ended.
std::vector<std::uint32_t> RunsDrawnInTurn(const std::vector<const char16_t*>& Runs) {
  TestImage img(W, H);
  Prepare(img);
  Integer x = X;
  for (const char16_t* run : Runs) {
    const String s = run;
    TextOut(img.DC(), x, Y, s, Integer(s.size()));
    TSize size;
    GetTextExtentPoint32(img.DC(), s, Integer(s.size()), size);
    x += size.cx;
  }
  return img.Raw();
}

Integer WidthOf(const String& Text) {
  TestImage img(4, 4);
  Prepare(img);
  TSize size;
  GetTextExtentPoint32(img.DC(), Text, Integer(Text.size()), size);
  return size.cx;
}

}  // namespace

TEST(CanvasBidiText, EveryRightToLeftReadingFlagShowsTheRunsInRightToLeftOrder) {
  for (const BidiCase& c : Cases()) {
    const String text = c.Text;
    const auto expected = RunsDrawnInTurn(c.Shown);
    TestImage eto(W, H), align(W, H), drawn(W, H);
    for (TestImage* img : {&eto, &align, &drawn}) Prepare(*img);
    ExtTextOut(eto.DC(), X, Y, ETO_RTLREADING, nullptr, text, -1);
    SetTextAlign(align.DC(), TA_RTLREADING);
    TextOut(align.DC(), X, Y, text, Integer(text.size()));
    TRect r(X, Y, W, H);
    DrawText(drawn.DC(), text, -1, r, DT_SINGLELINE | DT_NOPREFIX | DT_RTLREADING);
    EXPECT_TRUE(eto.Raw() == expected) << ToUtf8(text);
    EXPECT_TRUE(align.Raw() == expected) << ToUtf8(text);
    EXPECT_TRUE(drawn.Raw() == expected) << ToUtf8(text);
    // The order changes, the measure does not.
    TRect calc(0, 0, 0, 0), calcRtl(0, 0, 0, 0);
    DrawText(drawn.DC(), text, -1, calc, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    DrawText(drawn.DC(), text, -1, calcRtl, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX | DT_RTLREADING);
    EXPECT_EQ(calcRtl, calc);
  }
}

TEST(CanvasBidiText, WithoutTheFlagsALineReadsLeftToRightAsBefore) {
  struct Plain {
    const char16_t* Text;
    std::vector<const char16_t*> Shown;
  };
  // A line led by a right-to-left letter keeps taking its direction from it.
  for (const Plain& c : {Plain{u"abc!", {u"abc", u"!"}}, Plain{u"abc:)", {u"abc", u":)"}},
                         Plain{u"abc שלום", {u"abc", u" ", u"שלום"}}, Plain{u"שלום abc", {u"abc", u" ", u"שלום"}}}) {
    const String text = c.Text;
    TestImage img(W, H);
    Prepare(img);
    TRect r(X, Y, W, H);
    DrawText(img.DC(), text, -1, r, DT_SINGLELINE | DT_NOPREFIX);
    EXPECT_TRUE(img.Raw() == RunsDrawnInTurn(c.Shown)) << ToUtf8(text);
  }
}

TEST(CanvasBidiText, ARightAlignedRightToLeftLineEndsAtTheRectanglesRight) {
  const String text = u"abc!";
  const Integer w = WidthOf(text);
  TestImage rtl(W, H), model(W, H);
  Prepare(rtl);
  Prepare(model);
  TRect r(X, Y, 200, H);
  DrawText(rtl.DC(), text, -1, r, DT_SINGLELINE | DT_NOPREFIX | DT_RIGHT | DT_RTLREADING);
  const Integer left = 200 - w;
  TextOut(model.DC(), left, Y, u"!", 1);
  TextOut(model.DC(), left + WidthOf(u"!"), Y, u"abc", 3);
  EXPECT_TRUE(rtl.Raw() == model.Raw());
  EXPECT_EQ(rtl.CountNot(TRect(0, 0, left - 1, H), clWhite), 0);
}

TEST(CanvasBidiText, TabbedRightToLeftLinesPutTheirFirstFieldAtTheRight) {
  // Tab stops count from the line's right end: "!ab" of the first field ends
  // there and the second field "cd" stands to its left.
  const String text = u"ab!\tcd";
  TestImage rtl(W, H), model(W, H);
  Prepare(rtl);
  Prepare(model);
  TRect r(X, Y, W, H);
  TRect calc = r;
  DrawText(rtl.DC(), text, -1, calc, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX | DT_EXPANDTABS);
  const Integer lineW = calc.Width();
  DrawText(rtl.DC(), text, -1, r, DT_SINGLELINE | DT_NOPREFIX | DT_EXPANDTABS | DT_RTLREADING);
  const Integer first = WidthOf(u"ab!");
  TextOut(model.DC(), X + lineW - first, Y, u"!", 1);
  TextOut(model.DC(), X + lineW - first + WidthOf(u"!"), Y, u"ab", 2);
  TextOut(model.DC(), X, Y, u"cd", 2);
  EXPECT_TRUE(rtl.Raw() == model.Raw());
}

TEST(CanvasBidiText, ALineLongerThanAMeasuringPieceIsOrderedWhole) {
  String words;
  for (Integer i = 0; i < 80; ++i) words += u"abc ";
  words += u"def";
  const String text = words + u"!";
  ASSERT_GT(text.size(), 300u);
  const Integer width = WidthOf(text) + 2 * X;
  TestImage rtl(width, H), model(width, H);
  Prepare(rtl);
  Prepare(model);
  ExtTextOut(rtl.DC(), X, Y, ETO_RTLREADING, nullptr, text, -1);
  TextOut(model.DC(), X, Y, u"!", 1);
  TextOut(model.DC(), X + WidthOf(u"!"), Y, words, Integer(words.size()));
  EXPECT_TRUE(rtl.Raw() == model.Raw());
}
