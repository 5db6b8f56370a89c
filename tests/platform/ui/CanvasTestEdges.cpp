// Edges, frame controls, focus rectangles, inversion and blits.

#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/platform/ui/CanvasTestSupport.h"

namespace {

const TColor kFace = ColorToRGB(clBtnFace);
const TColor kShadow = ColorToRGB(clBtnShadow);
const TColor kDark = ColorToRGB(cl3DDkShadow);
const TColor kLight = ColorToRGB(cl3DLight);
const TColor kHigh = ColorToRGB(clBtnHighlight);

TEST(CanvasEdges, RaisedEdgeHasTheClassicColours) {
  TestImage img(20, 20, clRed);
  TRect r(0, 0, 10, 10);
  ASSERT_TRUE(DrawEdge(img.DC(), r, EDGE_RAISED, BF_RECT | BF_MIDDLE | BF_ADJUST));
  EXPECT_EQ(img.At(0, 0), kLight);
  EXPECT_EQ(img.At(8, 0), kLight);
  EXPECT_EQ(img.At(9, 0), kDark);  // the bottom-right colour owns the corner
  EXPECT_EQ(img.At(0, 9), kDark);
  EXPECT_EQ(img.At(9, 9), kDark);
  EXPECT_EQ(img.At(1, 1), kHigh);
  EXPECT_EQ(img.At(8, 1), kShadow);
  EXPECT_EQ(img.At(1, 8), kShadow);
  EXPECT_EQ(img.CountNot(Rect(2, 2, 8, 8), kFace), 0);
  EXPECT_EQ(img.At(10, 10), clRed);
  EXPECT_EQ(r, Rect(2, 2, 8, 8));
}

TEST(CanvasEdges, SunkenAndSingleBorders) {
  TestImage img(30, 30, clRed);
  TRect r(0, 0, 10, 10);
  DrawEdge(img.DC(), r, EDGE_SUNKEN, BF_RECT);
  EXPECT_EQ(img.At(0, 0), kShadow);
  EXPECT_EQ(img.At(9, 5), kHigh);
  EXPECT_EQ(img.At(1, 1), kDark);
  EXPECT_EQ(img.At(8, 5), kLight);
  EXPECT_EQ(img.At(5, 5), clRed);  // no middle asked for
  EXPECT_EQ(r, Rect(0, 0, 10, 10));
  // Only the top and left: the top runs the full width.
  TRect t(15, 0, 25, 10);
  DrawEdge(img.DC(), t, BDR_RAISEDINNER, BF_LEFT | BF_TOP);
  EXPECT_EQ(img.At(24, 0), kHigh);
  EXPECT_EQ(img.At(15, 9), kHigh);
  EXPECT_EQ(img.At(24, 9), clRed);
  // Only the bottom.
  TRect b(15, 15, 25, 25);
  DrawEdge(img.DC(), b, BDR_RAISEDOUTER, BF_BOTTOM | BF_ADJUST);
  EXPECT_EQ(img.CountNot(Rect(15, 24, 25, 25), kDark), 0);
  EXPECT_EQ(img.At(15, 15), clRed);
  EXPECT_EQ(b, Rect(15, 15, 25, 24));
}

TEST(CanvasFrameControls, CheckBoxStates) {
  TestImage img(60, 20, clRed);
  HDC dc = img.DC();
  TRect checked(0, 0, 13, 13);
  DrawFrameControl(dc, checked, DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_CHECKED);
  EXPECT_EQ(img.At(0, 0), kShadow);
  EXPECT_EQ(img.At(1, 1), kDark);
  EXPECT_EQ(img.At(3, 3), clWhite);
  EXPECT_EQ(img.At(3, 5), clBlack);  // the mark
  EXPECT_EQ(img.At(9, 3), clBlack);
  EXPECT_EQ(img.At(5, 9), clBlack);
  TRect plain(15, 0, 28, 13);
  DrawFrameControl(dc, plain, DFC_BUTTON, DFCS_BUTTONCHECK);
  EXPECT_EQ(img.CountNot(Rect(17, 2, 26, 11), clWhite), 0);
  TRect dim(30, 0, 43, 13);
  DrawFrameControl(dc, dim, DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_CHECKED | DFCS_INACTIVE);
  EXPECT_EQ(img.At(33, 3), kFace);
  EXPECT_EQ(img.At(33, 5), kShadow);
  TRect flat(45, 0, 58, 13);
  DrawFrameControl(dc, flat, DFC_BUTTON, DFCS_BUTTON3STATE | DFCS_CHECKED | DFCS_FLAT);
  EXPECT_EQ(img.At(45, 0), kShadow);
  EXPECT_EQ(img.At(46, 1), kFace);
  EXPECT_EQ(img.At(48, 5), kShadow);
}

TEST(CanvasFrameControls, ComboButtonArrow) {
  TestImage img(40, 20, clRed);
  HDC dc = img.DC();
  TRect r(0, 0, 17, 20);
  DrawFrameControl(dc, r, DFC_SCROLL, DFCS_SCROLLCOMBOBOX);
  EXPECT_EQ(img.At(0, 0), kHigh);
  EXPECT_EQ(img.At(16, 19), kDark);
  // A 7x4 triangle pointing down in the middle of the face.
  EXPECT_EQ(img.CountNot(Rect(5, 8, 12, 9), clBlack), 0);
  EXPECT_EQ(img.At(8, 11), clBlack);
  EXPECT_EQ(img.At(7, 11), kFace);
  EXPECT_EQ(img.At(12, 8), kFace);
  // Pushed: sunken, and the arrow moves one pixel down and right.
  TRect p(20, 0, 37, 20);
  DrawFrameControl(dc, p, DFC_SCROLL, DFCS_SCROLLCOMBOBOX | DFCS_PUSHED);
  EXPECT_EQ(img.At(20, 0), kShadow);
  EXPECT_EQ(img.CountNot(Rect(26, 9, 33, 10), clBlack), 0);
  EXPECT_EQ(img.At(25, 8), kFace);
}

TEST(CanvasFrameControls, InactiveArrowIsEmbossed) {
  TestImage img(17, 20, clRed);
  TRect r(0, 0, 17, 20);
  DrawFrameControl(img.DC(), r, DFC_SCROLL, DFCS_SCROLLUP | DFCS_INACTIVE);
  Integer shadow = 0, high = 0, black = 0;
  for (Integer y = 2; y < 18; ++y)
    for (Integer x = 2; x < 15; ++x) {
      shadow += img.At(x, y) == kShadow;
      high += img.At(x, y) == kHigh;
      black += img.At(x, y) == clBlack;
    }
  EXPECT_EQ(shadow, 16);  // 7 + 5 + 3 + 1
  EXPECT_GT(high, 0);
  EXPECT_EQ(black, 0);
}

TEST(CanvasFrameControls, PushButtonAndRadio) {
  TestImage img(60, 30, clRed);
  HDC dc = img.DC();
  TRect b(0, 0, 30, 20);
  DrawFrameControl(dc, b, DFC_BUTTON, DFCS_BUTTONPUSH | DFCS_ADJUSTRECT);
  EXPECT_EQ(img.At(15, 10), kFace);
  EXPECT_EQ(img.At(29, 19), kDark);
  EXPECT_EQ(b, Rect(2, 2, 28, 18));
  TRect radio(35, 0, 48, 13);
  DrawFrameControl(dc, radio, DFC_BUTTON, DFCS_BUTTONRADIO | DFCS_CHECKED);
  EXPECT_EQ(img.At(41, 6), clBlack);  // the dot
  EXPECT_EQ(img.At(35, 0), clRed);    // corners stay outside the circle
  Integer white = 0;
  for (Integer y = 0; y < 13; ++y)
    for (Integer x = 35; x < 48; ++x) white += img.At(x, y) == clWhite;
  EXPECT_GT(white, 10);
}

TEST(CanvasFocus, FocusRectangleTwiceLeavesTheImageUnchanged) {
  TestImage img(40, 30);
  TCanvas* c = img.Canvas();
  c->GetBrush()->SetColor(clHighlight);
  c->FillRect(Rect(5, 5, 25, 20));
  c->GetFont()->SetColor(clHighlightText);
  c->TextOut(6, 6, u"Ячейка");
  const auto before = img.Raw();
  c->DrawFocusRect(Rect(4, 4, 26, 21));
  const auto once = img.Raw();
  EXPECT_NE(once, before);
  EXPECT_EQ(img.At(4, 4), clBlack);  // white inverted
  EXPECT_EQ(img.At(5, 4), clWhite);  // every other pixel
  c->DrawFocusRect(Rect(4, 4, 26, 21));
  EXPECT_EQ(img.Raw(), before);
  // Degenerate rectangles too.
  for (TRect r : {Rect(1, 1, 2, 2), Rect(1, 1, 10, 2), Rect(1, 1, 2, 10), Rect(30, 5, 32, 7)}) {
    c->DrawFocusRect(r);
    c->DrawFocusRect(r);
    EXPECT_EQ(img.Raw(), before);
  }
}

TEST(CanvasFocus, InvertAndPatternInversionUndoThemselves) {
  TestImage img(20, 20);
  img.Canvas()->GetBrush()->SetColor(clMaroon);
  img.Canvas()->FillRect(Rect(0, 0, 10, 20));
  const auto before = img.Raw();
  HDC dc = img.DC();
  InvertRect(dc, Rect(5, 5, 15, 15));
  EXPECT_EQ(img.At(6, 6), static_cast<TColor>(ColorToRGB(clMaroon) ^ 0xFFFFFF));
  EXPECT_EQ(img.At(12, 12), clBlack);
  InvertRect(dc, Rect(5, 5, 15, 15));
  EXPECT_EQ(img.Raw(), before);
  PatBlt(dc, 2, 2, 10, 10, PATINVERT);
  EXPECT_NE(img.Raw(), before);
  PatBlt(dc, 2, 2, 10, 10, PATINVERT);
  EXPECT_EQ(img.Raw(), before);
  PatBlt(dc, 0, 0, 3, 3, DSTINVERT);
  PatBlt(dc, 0, 0, 3, 3, DSTINVERT);
  EXPECT_EQ(img.Raw(), before);
  PatBlt(dc, 0, 0, 3, 3, BLACKNESS);
  EXPECT_EQ(img.At(2, 2), clBlack);
}

TEST(CanvasBlit, CopyInvertAndStretch) {
  TestImage src(4, 4, clRed);
  src.Canvas()->GetBrush()->SetColor(clBlue);
  src.Canvas()->FillRect(Rect(2, 0, 4, 4));
  TestImage dst(20, 20);
  ASSERT_TRUE(BitBlt(dst.DC(), 1, 1, 4, 4, src.DC(), 0, 0, SRCCOPY));
  EXPECT_EQ(dst.At(1, 1), clRed);
  EXPECT_EQ(dst.At(4, 4), clBlue);
  EXPECT_EQ(dst.At(5, 5), clWhite);
  const auto before = dst.Raw();
  BitBlt(dst.DC(), 10, 10, 4, 4, src.DC(), 0, 0, SRCINVERT);
  BitBlt(dst.DC(), 10, 10, 4, 4, src.DC(), 0, 0, SRCINVERT);
  EXPECT_EQ(dst.Raw(), before);
  StretchBlt(dst.DC(), 10, 10, 8, 8, src.DC(), 0, 0, 4, 4, SRCCOPY);
  EXPECT_EQ(dst.At(13, 17), clRed);
  EXPECT_EQ(dst.At(14, 10), clBlue);
  EXPECT_EQ(dst.At(18, 18), clWhite);
  // Overlapping copy within one image keeps the source intact while copying.
  BitBlt(dst.DC(), 2, 1, 4, 4, dst.DC(), 1, 1, SRCCOPY);
  EXPECT_EQ(dst.At(2, 1), clRed);
  EXPECT_EQ(dst.At(3, 1), clRed);
  EXPECT_EQ(dst.At(4, 1), clBlue);
  EXPECT_FALSE(BitBlt(dst.DC(), 0, 0, 1, 1, src.DC(), 0, 0, 0x12345678));
}

TEST(CanvasBlit, ACopyWithinOneImageThroughAClipOfTwoPartsReadsTheWholeSourceFirst) {
  // Stripes one pixel wide, copied two pixels right: the clip's left part
  // overwrites pixels that its right part still has to read.
  TestImage img(12, 6), original(12, 6);
  for (TestImage* t : {&img, &original})
    for (Integer x = 0; x < 12; ++x) {
      t->Canvas()->GetBrush()->SetColor(TColor(0x101010 * (x + 1)));
      t->Canvas()->FillRect(Rect(x, 0, x + 1, 6));
    }
  HRGN a = CreateRectRgn(2, 0, 5, 6);
  HRGN b = CreateRectRgn(6, 1, 9, 5);
  CombineRgn(a, a, b, RGN_OR);
  SelectClipRgn(img.DC(), a);
  ASSERT_TRUE(BitBlt(img.DC(), 2, 0, 8, 6, img.DC(), 0, 0, SRCCOPY));
  for (Integer y = 0; y < 6; ++y)
    for (Integer x = 0; x < 12; ++x) {
      const bool inClip = (x >= 2 && x < 5) || (x >= 6 && x < 9 && y >= 1 && y < 5);
      ASSERT_EQ(img.At(x, y), inClip ? original.At(x - 2, y) : original.At(x, y)) << x << "," << y;
    }
  DeleteObject(b);
  DeleteObject(a);
}

TEST(CanvasBlit, MemoryContextAndBuffer) {
  // Paint into memory, then copy to the target in one blit.
  TestImage screen(30, 30);
  HDC mem = CreateCompatibleDC(screen.DC());
  HBITMAP bmp = CreateCompatibleBitmap(screen.DC(), 30, 30);
  HGDIOBJ old = SelectObject(mem, bmp);
  HBRUSH green = CreateSolidBrush(0x00FF00);
  FillRect(mem, Rect(0, 0, 30, 30), green);
  BitBlt(screen.DC(), 0, 0, 30, 30, mem, 0, 0, SRCCOPY);
  EXPECT_EQ(screen.CountNot(Rect(0, 0, 30, 30), clLime), 0);
  SelectObject(mem, old);
  DeleteObject(bmp);
  DeleteObject(green);
  DeleteDC(mem);
}

TEST(CanvasBlit, ConstantAlphaBlend) {
  TestImage src(10, 10, clBlue);
  TestImage dst(10, 10, clWhite);
  TBlendFunction bf;
  bf.SourceConstantAlpha = 51;  // 80 % see-through
  ASSERT_TRUE(AlphaBlend(dst.DC(), 0, 0, 5, 10, src.DC(), 0, 0, 10, 10, bf));
  const TColor c = dst.At(2, 2);
  EXPECT_NEAR(GetRValue(static_cast<COLORREF>(c)), 204, 1);
  EXPECT_NEAR(GetGValue(static_cast<COLORREF>(c)), 204, 1);
  EXPECT_EQ(GetBValue(static_cast<COLORREF>(c)), 255);
  EXPECT_EQ(dst.At(7, 2), clWhite);
  bf.SourceConstantAlpha = 255;
  AlphaBlend(dst.DC(), 5, 0, 5, 10, src.DC(), 0, 0, 10, 10, bf);
  EXPECT_EQ(dst.At(7, 2), clBlue);
}

TEST(CanvasBlit, GradientRunsFromColourToColour) {
  TestImage img(11, 5);
  TTriVertex v[2];
  v[0].x = 0;
  v[0].y = 0;
  v[0].Red = 0xFF00;
  v[1].x = 11;
  v[1].y = 5;
  v[1].Blue = 0xFF00;
  TGradientRect gr;
  ASSERT_TRUE(GradientFill(img.DC(), v, 2, &gr, 1, GRADIENT_FILL_RECT_H));
  EXPECT_EQ(img.At(0, 2), clRed);
  EXPECT_GT(GetBValue(static_cast<COLORREF>(img.At(10, 2))), 220);
  EXPECT_EQ(img.At(5, 0), img.At(5, 4));  // one colour per column
  EXPECT_FALSE(GradientFill(img.DC(), v, 1, &gr, 1, GRADIENT_FILL_RECT_H));
}

}  // namespace

namespace {

TEST(CanvasFills, SystemColourIndexesServeAsBrushes) {
  TestImage img(10, 10);
  HDC dc = img.DC();
  EXPECT_EQ(FillRect(dc, Rect(0, 0, 5, 5), reinterpret_cast<HBRUSH>(static_cast<std::uintptr_t>(COLOR_BTNFACE + 1))),
            1);
  EXPECT_EQ(img.At(2, 2), ColorToRGB(clBtnFace));
  FillRect(dc, Rect(5, 5, 10, 10), GetSysColorBrush(COLOR_HIGHLIGHT));
  EXPECT_EQ(img.At(7, 7), ColorToRGB(clHighlight));
  EXPECT_TRUE(DeleteObject(GetSysColorBrush(COLOR_HIGHLIGHT)));  // shared: stays usable
  FillRect(dc, Rect(0, 5, 5, 10), GetSysColorBrush(COLOR_HIGHLIGHT));
  EXPECT_EQ(img.At(2, 7), ColorToRGB(clHighlight));
  EXPECT_EQ(FillRect(dc, Rect(0, 0, 1, 1), nullptr), 0);
  // A hatched brush paints its lines and, opaque, the gaps in the background colour.
  img.Canvas()->GetBrush()->SetColor(clRed);
  img.Canvas()->GetBrush()->SetStyle(bsHorizontal);
  img.Canvas()->FillRect(Rect(0, 0, 10, 10));
  EXPECT_EQ(img.At(3, 0), clRed);
  EXPECT_EQ(img.At(3, 8), clRed);
  EXPECT_NE(img.At(3, 3), clRed);
}

}  // namespace
