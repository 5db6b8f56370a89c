// Text: metrics, DrawText layout (breaks, ellipsis, prefixes, alignment), text
// output and its clipping. Exact geometry uses the fixed-pitch engine; the
// default pango engine is checked for stable metrics and real rendering.

#include <gtest/gtest.h>

#include <iterator>
#include <vector>

#include "platform/ui/Windows.h"
#include "tests/platform/ui/CanvasTestSupport.h"

namespace {

TTextMetric MetricsAt(const char16_t* Name, Integer Points) {
  TestImage img(4, 4);
  img.Canvas()->GetFont()->SetName(Name);
  img.Canvas()->GetFont()->SetSize(Points);
  TTextMetric tm;
  EXPECT_TRUE(GetTextMetrics(img.DC(), tm));
  return tm;
}

TEST(CanvasTextMetrics, ClassicUiFontAt8To10PointsIsStable) {
  struct Expected {
    Integer Points, Height, Ascent, Ave;
  };
  for (Expected e : {Expected{8, 13, 10, 5}, Expected{9, 14, 11, 5}, Expected{10, 15, 12, 6}}) {
    const TTextMetric a = MetricsAt(u"MS Sans Serif", e.Points);
    EXPECT_EQ(a.tmHeight, e.Height) << e.Points;
    EXPECT_EQ(a.tmAscent, e.Ascent) << e.Points;
    EXPECT_EQ(a.tmDescent, a.tmHeight - a.tmAscent);
    EXPECT_EQ(a.tmAveCharWidth, e.Ave) << e.Points;
    EXPECT_EQ(a.tmExternalLeading, 0);
    EXPECT_GE(a.tmInternalLeading, 0);
    // Tahoma maps to the same face, and asking again gives the same numbers.
    const TTextMetric b = MetricsAt(u"Tahoma", e.Points);
    EXPECT_EQ(b.tmHeight, a.tmHeight);
    EXPECT_EQ(b.tmAveCharWidth, a.tmAveCharWidth);
  }
  TestImage img(4, 4);
  img.Canvas()->GetFont()->SetSize(8);
  const Integer w1 = img.Canvas()->TextWidth(u"Wg"), w2 = img.Canvas()->TextWidth(u"Wg");
  EXPECT_EQ(w1, w2);
  EXPECT_EQ(img.Canvas()->TextHeight(u"Wg"), 13);
}

// The dialog base unit of a face at 8 points: the average width of the 52
// Latin letters, rounded as dialogs round it.
Integer DialogBaseUnit(const char16_t* Name) {
  TestImage img(4, 4);
  img.Canvas()->GetFont()->SetName(Name);
  img.Canvas()->GetFont()->SetSize(8);
  const Integer w = img.Canvas()->TextWidth(u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
  return (w / 26 + 1) / 2;
}

TEST(CanvasTextMetrics, TheClassicUiFacesMeasureLikeTheClassic8PointFont) {
  // The classic 8-point UI font: a 13-pixel text cell and a base unit of 6 pixels.
  for (const char16_t* name : {u"MS Sans Serif", u"Tahoma", u"MS Shell Dlg 2", u"Arial"}) {
    EXPECT_EQ(MetricsAt(name, 8).tmHeight, 13) << ToUtf8(name);
    EXPECT_EQ(DialogBaseUnit(name), 6) << ToUtf8(name);
  }
  // A wide face is left to the names that ask for one.
  EXPECT_EQ(DialogBaseUnit(u"Verdana"), 7);
}

TEST(CanvasTextMetrics, TheScreensDeviceContextMeasuresWithTheSystemFont) {
  HDC dc = GetDC(nullptr);
  ASSERT_NE(dc, nullptr);
  TTextMetric tm;
  ASSERT_TRUE(GetTextMetrics(dc, tm));
  EXPECT_EQ(tm.tmHeight, 16);
  EXPECT_EQ(tm.tmWeight, 700);
  EXPECT_EQ(ReleaseDC(nullptr, dc), 1);
}

TEST(CanvasTextMetrics, PositiveHeightIsTheCellHeight) {
  HDC dc = CreateCompatibleDC(nullptr);
  TTextMetric tm;
  GetTextMetrics(dc, tm);  // the default font: cell height 16
  EXPECT_EQ(tm.tmHeight, 16);
  TLogFont lf;
  lf.lfHeight = 20;
  lf.lfFaceName = u"Courier New";
  HFONT f = CreateFontIndirect(lf);
  SelectObject(dc, f);
  GetTextMetrics(dc, tm);
  EXPECT_EQ(tm.tmHeight, 20);
  TSize a, b;
  GetTextExtentPoint32(dc, u"iii", 3, a);
  GetTextExtentPoint32(dc, u"WWW", 3, b);
  EXPECT_EQ(a.cx, b.cx);  // monospaced
  SelectObject(dc, GetStockObject(SYSTEM_FONT));
  DeleteObject(f);
  DeleteDC(dc);
}

TEST(CanvasTextMetrics, TextsMeasuredByTurnsInManyFontsKeepEachFontsWidth) {
  // More fonts than the text engine keeps at hand, asked for in changing orders.
  TestImage img(4, 4);
  TFont* Font = img.Canvas()->GetFont();
  const Integer Sizes[] = {8, 9, 10, 12, 14, 18};
  std::vector<Integer> Widths;
  for (Integer Size : Sizes) {
    Font->SetSize(Size);
    Widths.push_back(img.Canvas()->TextWidth(u"Широта 123"));
  }
  for (size_t I = 1; I < Widths.size(); ++I) EXPECT_LT(Widths[I - 1], Widths[I]) << Sizes[I];
  for (Integer Round = 0; Round < 3; ++Round)
    for (size_t K = 0; K < std::size(Sizes); ++K) {
      const size_t I = Round == 1 ? std::size(Sizes) - 1 - K : (K * 5 + size_t(Round)) % std::size(Sizes);
      Font->SetSize(Sizes[I]);
      EXPECT_EQ(img.Canvas()->TextWidth(u"Широта 123"), Widths[I]) << Sizes[I];
    }
}

TEST(CanvasDrawText, ASingleLineDropsItsBreaksAndCountsTheWholeText) {
  TFixedPitchTextEngine fixed(6, 10, 8);
  ScopedTextEngine use(&fixed);
  TestImage img(100, 40);
  HDC dc = img.DC();
  TRect plain(0, 0, 100, 0), broken(0, 0, 100, 0);
  DrawText(dc, u"abcd", -1, plain, DT_CALCRECT | DT_SINGLELINE);
  DrawText(dc, u"ab\r\ncd", -1, broken, DT_CALCRECT | DT_SINGLELINE);
  EXPECT_EQ(plain.Right, 24);
  EXPECT_EQ(broken.Right, plain.Right);
  EXPECT_EQ(broken.Bottom, 10);
  // The margins stay around the measured line, and the whole text counts as drawn.
  TDrawTextParams Params;
  Params.iLeftMargin = 3;
  Params.iRightMargin = 5;
  TRect margins(0, 0, 100, 0);
  DrawTextEx(dc, u"abcd", -1, margins, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX, &Params);
  EXPECT_EQ(margins.Right, 3 + 24 + 5);
  TRect shown(0, 0, 100, 20);
  SetBkMode(dc, TRANSPARENT);
  DrawTextEx(dc, u"ab\ncd", -1, shown, DT_SINGLELINE | DT_NOPREFIX, &Params);
  EXPECT_EQ(Params.uiLengthDrawn, 5u);
  EXPECT_EQ(img.At(3 + 2, 4), clBlack);
  EXPECT_EQ(img.CountNot(Rect(3 + 24, 0, 100, 40), clWhite), 0);
}

TEST(CanvasDrawText, CalcRectWithWordBreak) {
  TFixedPitchTextEngine fixed(6, 10, 8);
  ScopedTextEngine use(&fixed);
  TestImage img(100, 100);
  HDC dc = img.DC();
  TRect r(5, 5, 65, 5);  // 10 characters wide
  const Integer h = DrawText(dc, u"one two three four", -1, r, DT_CALCRECT | DT_WORDBREAK);
  // "one two" / "three four"
  EXPECT_EQ(h, 20);
  EXPECT_EQ(r, Rect(5, 5, 5 + 60, 25));
  TRect n(0, 0, 30, 0);  // a word wider than the line stays whole
  EXPECT_EQ(DrawText(dc, u"abcdefghij xy", -1, n, DT_CALCRECT | DT_WORDBREAK), 20);
  EXPECT_EQ(n.Right, 60);
  TRect s(0, 0, 10, 0);
  EXPECT_EQ(DrawText(dc, u"one two three", -1, s, DT_CALCRECT | DT_SINGLELINE), 10);
  EXPECT_EQ(s.Right, 78);
  TRect lines(0, 0, 100, 0);
  EXPECT_EQ(DrawText(dc, u"a\r\nbb\nccc", -1, lines, DT_CALCRECT), 30);
  EXPECT_EQ(lines.Right, 18);
  TRect empty(0, 0, 100, 0);
  EXPECT_EQ(DrawText(dc, u"", -1, empty, DT_CALCRECT), 0);
  EXPECT_EQ(empty, Rect(0, 0, 0, 0));
  TRect counted(0, 0, 100, 0);
  DrawText(dc, u"abcdef", 2, counted, DT_CALCRECT | DT_SINGLELINE);
  EXPECT_EQ(counted.Right, 12);
}

TEST(CanvasDrawText, CalcRectWithWordBreakInTheUiFont) {
  TestImage img(10, 10);
  img.Canvas()->GetFont()->SetSize(8);
  HDC dc = img.DC();
  const Integer line = img.Canvas()->TextHeight(u"Wg");
  const String text = u"Поиск по всем ресурсам каталога";
  TRect one(0, 0, 1000, 0);
  DrawText(dc, text, -1, one, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
  TRect wrapped(0, 0, one.Width() / 2, 0);
  const Integer h = DrawText(dc, text, -1, wrapped, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
  EXPECT_GE(h, 2 * line);
  EXPECT_EQ(h % line, 0);
  EXPECT_LE(wrapped.Width(), one.Width() / 2);
}

TEST(CanvasDrawText, EndEllipsisShortensTheText) {
  TFixedPitchTextEngine fixed(6, 10, 8);
  ScopedTextEngine use(&fixed);
  TestImage img(100, 30);
  HDC dc = img.DC();
  SetBkMode(dc, TRANSPARENT);
  TRect r(0, 0, 40, 10);
  DrawText(dc, u"abcdefghij", -1, r, DT_SINGLELINE | DT_END_ELLIPSIS);
  // "abc..." is 36 px: glyph boxes 0..5, nothing in the 7th cell.
  EXPECT_EQ(img.At(5 * 6 + 2, 4), clBlack);
  EXPECT_EQ(img.At(6 * 6 + 2, 4), clWhite);
  TRect plain(0, 15, 40, 25);
  DrawText(dc, u"abcdefghij", -1, plain, DT_SINGLELINE);
  EXPECT_EQ(img.At(6 * 6 + 2, 19), clBlack);  // cut by the clip only
  EXPECT_EQ(img.At(41, 19), clWhite);
  // Text that fits is left alone.
  TRect fits(50, 0, 100, 10);
  DrawText(dc, u"abc", -1, fits, DT_SINGLELINE | DT_END_ELLIPSIS);
  EXPECT_EQ(img.At(50 + 3 * 6 + 2, 4), clWhite);
}

TEST(CanvasDrawText, EndEllipsisInDejaVuStaysInside) {
  TestImage a(200, 20), b(200, 20);
  for (TestImage* img : {&a, &b}) img->Canvas()->GetFont()->SetSize(8);
  TRect r(0, 0, 60, 20);
  const String text = u"Очень длинное название ресурса";
  TRect ra = r, rb = r;
  DrawText(a.DC(), text, -1, ra, DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
  DrawText(b.DC(), text, -1, rb, DT_SINGLELINE | DT_NOPREFIX);
  EXPECT_NE(a.Raw(), b.Raw());
  EXPECT_EQ(a.CountNot(Rect(60, 0, 200, 20), clWhite), 0);
  EXPECT_GT(a.CountNot(Rect(0, 0, 60, 20), clWhite), 0);
}

TEST(CanvasDrawText, PrefixesAreHiddenAndUnderlined) {
  TFixedPitchTextEngine fixed(6, 10, 8);
  ScopedTextEngine use(&fixed);
  TestImage img(100, 40);
  HDC dc = img.DC();
  TRect r(0, 0, 100, 0);
  DrawText(dc, u"&File", -1, r, DT_CALCRECT | DT_SINGLELINE);
  EXPECT_EQ(r.Right, 24);
  r = Rect(0, 0, 100, 0);
  DrawText(dc, u"&File", -1, r, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
  EXPECT_EQ(r.Right, 30);
  r = Rect(0, 0, 100, 0);
  DrawText(dc, u"A&&B", -1, r, DT_CALCRECT | DT_SINGLELINE);
  EXPECT_EQ(r.Right, 18);
  SetBkMode(dc, TRANSPARENT);
  TRect d(0, 20, 100, 30);
  DrawText(dc, u"&File", -1, d, DT_SINGLELINE);
  // Underline under the F at ascent + 1, one glyph wide.
  EXPECT_EQ(img.CountNot(Rect(0, 29, 6, 30), clBlack), 0);
  EXPECT_EQ(img.At(7, 29), clWhite);
}

TEST(CanvasDrawText, AlignmentAndVerticalCentre) {
  TFixedPitchTextEngine fixed(6, 10, 8);
  ScopedTextEngine use(&fixed);
  TestImage img(60, 60);
  HDC dc = img.DC();
  SetBkMode(dc, TRANSPARENT);
  TRect right(0, 0, 50, 10);
  DrawText(dc, u"ab", -1, right, DT_SINGLELINE | DT_RIGHT);
  EXPECT_EQ(img.At(38 + 2, 4), clBlack);
  EXPECT_EQ(img.At(36, 4), clWhite);
  TRect centre(0, 10, 50, 40);
  const Integer off = DrawText(dc, u"ab", -1, centre, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
  EXPECT_EQ(off, 20);  // top of text at 10 + 10, bottom 10 further
  EXPECT_EQ(img.At(19 + 2, 20 + 4), clBlack);
  EXPECT_EQ(img.CountNot(Rect(0, 10, 60, 20), clWhite), 0);
  TRect tabs(0, 0, 100, 0);
  DrawText(dc, u"a\tb", -1, tabs, DT_CALCRECT | DT_SINGLELINE | DT_EXPANDTABS);
  EXPECT_EQ(tabs.Right, 48 + 6);
}

TEST(CanvasDrawText, OpaqueBackgroundAndClipping) {
  TFixedPitchTextEngine fixed(6, 10, 8);
  ScopedTextEngine use(&fixed);
  TestImage img(60, 30);
  TCanvas* c = img.Canvas();
  c->GetBrush()->SetColor(clYellow);  // solid brush: opaque background
  c->TextOut(2, 2, u"abc");
  EXPECT_EQ(img.At(2, 2), clYellow);
  EXPECT_EQ(img.At(2 + 18, 2), clWhite);
  EXPECT_EQ(c->GetPenPos(), Point(20, 2));
  // TextRect clips to its rectangle and fills it.
  c->GetBrush()->SetColor(clAqua);
  c->TextRect(Rect(0, 15, 10, 25), 0, 15, u"abcdef");
  EXPECT_EQ(img.At(9, 24), clAqua);
  EXPECT_EQ(img.CountNot(Rect(10, 15, 60, 30), clWhite), 0);
  // A clear brush leaves the background alone.
  c->GetBrush()->SetStyle(bsClear);
  c->TextOut(30, 2, u"abc");
  EXPECT_EQ(img.At(30, 2), clWhite);
  EXPECT_EQ(img.At(32, 5), clBlack);
}

TEST(CanvasExtTextOut, OpaqueAndClippedRectangle) {
  TestImage img(60, 30);
  HDC dc = img.DC();
  SetBkColor(dc, 0x00FF00);
  SetTextColor(dc, 0x0000FF);
  TRect r(5, 5, 25, 20);
  ExtTextOut(dc, 5, 5, ETO_OPAQUE | ETO_CLIPPED, &r, u"Длинная строка текста", -1);
  EXPECT_EQ(img.At(24, 19), clLime);
  EXPECT_EQ(img.CountNot(Rect(25, 0, 60, 30), clWhite), 0);
  Integer red = 0;
  for (Integer y = 5; y < 20; ++y)
    for (Integer x = 5; x < 25; ++x) red += img.At(x, y) == clRed;
  EXPECT_GT(red, 0);
}

TEST(CanvasExtTextOut, AnOpaqueRectangleNarrowerThanTheTextLeavesTheRestOfTheTextsBackgroundToTheBkMode) {
  TFixedPitchTextEngine fixed(6, 10, 8);
  ScopedTextEngine use(&fixed);
  TestImage img(60, 30);
  HDC dc = img.DC();
  SetBkColor(dc, 0x00FF00);
  TRect r(2, 2, 10, 12);
  // Unclipped, the text's box reaches from 2 to 38: the part past the rectangle
  // is filled by the opaque background mode, not by the rectangle.
  SetBkMode(dc, OPAQUE);
  ExtTextOut(dc, 2, 2, ETO_OPAQUE, &r, u"abcdef", -1);
  EXPECT_EQ(img.At(9, 2), clLime);
  EXPECT_EQ(img.At(2 + 6 * 5 + 5, 2), clLime);
  EXPECT_EQ(img.At(38, 2), clWhite);
  SetBkMode(dc, TRANSPARENT);
  ExtTextOut(dc, 2, 15, ETO_OPAQUE, &r, u"abcdef", -1);
  EXPECT_EQ(img.At(2 + 6 * 5 + 5, 15), clWhite);
}

TEST(CanvasExtTextOut, TextIsAntialiasedAndReusedExactly) {
  TestImage img(200, 60);
  TCanvas* c = img.Canvas();
  c->GetFont()->SetSize(12);
  c->GetBrush()->SetStyle(bsClear);
  c->TextOut(0, 0, u"Жёлтый");
  c->TextOut(100, 30, u"Жёлтый");
  Integer grey = 0;
  for (Integer y = 0; y < 30; ++y)
    for (Integer x = 0; x < 100; ++x) {
      const TColor p = img.At(x, y);
      if (p != clWhite && p != clBlack) ++grey;
      ASSERT_EQ(p, img.At(x + 100, y + 30));  // same text, same pixels
    }
  EXPECT_GT(grey, 0);
  EXPECT_GT(img.CountNot(Rect(0, 0, 100, 30), clWhite), 0);
}

TEST(CanvasExtTextOut, AlignmentFlagsMoveTheReferencePoint) {
  TFixedPitchTextEngine fixed(6, 10, 8);
  ScopedTextEngine use(&fixed);
  TestImage img(60, 40);
  HDC dc = img.DC();
  SetBkMode(dc, TRANSPARENT);
  SetTextAlign(dc, TA_RIGHT | TA_BASELINE);
  TextOut(dc, 30, 20, u"ab", 2);
  // Right edge at 30, baseline at 20: boxes from x 18, rows 13..19.
  EXPECT_EQ(img.At(18, 15), clBlack);
  EXPECT_EQ(img.At(31, 15), clWhite);
  EXPECT_EQ(img.At(18, 21), clWhite);
}

TEST(CanvasExtTextOut, VerticalFontRunsUpwards) {
  TFixedPitchTextEngine fixed(6, 10, 8);
  ScopedTextEngine use(&fixed);
  TestImage img(60, 60);
  TCanvas* c = img.Canvas();
  c->GetBrush()->SetStyle(bsClear);
  c->GetFont()->SetOrientation(900);
  c->TextOut(20, 50, u"abc");
  EXPECT_EQ(img.At(23, 48), clBlack);
  EXPECT_EQ(img.At(23, 35), clBlack);
  EXPECT_EQ(img.At(23, 52), clWhite);
  EXPECT_EQ(img.CountNot(Rect(0, 51, 60, 60), clWhite), 0);
}

}  // namespace

namespace {

TEST(CanvasTextMetrics, OutlineMetricsGiveTheItalicSlope) {
  TestImage img(4, 4);
  TOutlineTextMetric otm;
  EXPECT_EQ(GetOutlineTextMetrics(img.DC(), sizeof(otm), &otm), sizeof(otm));
  EXPECT_EQ(otm.otmsCharSlopeRun, 0);
  EXPECT_EQ(otm.otmTextMetrics.tmHeight, 13);
  img.Canvas()->GetFont()->SetStyle({fsItalic});
  GetOutlineTextMetrics(img.DC(), sizeof(otm), &otm);
  EXPECT_GT(otm.otmsCharSlopeRun, 0);
  EXPECT_GT(otm.otmsCharSlopeRise, otm.otmsCharSlopeRun);
}

}  // namespace
