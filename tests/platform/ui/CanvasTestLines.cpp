// Lines, rectangles and pens: pixel-exact strokes, styled and XOR pens.

#include <gtest/gtest.h>

#include "tests/platform/ui/CanvasTestSupport.h"

namespace {

TEST(CanvasLines, AOnePixelGridIsCrisp) {
  TestImage img(121, 61);
  TCanvas* c = img.Canvas();
  c->GetPen()->SetColor(clSilver);
  for (Integer x = 0; x <= 120; x += 40) {
    c->MoveTo(x, 0);
    c->LineTo(x, 61);
  }
  for (Integer y = 0; y <= 60; y += 20) {
    c->MoveTo(0, y);
    c->LineTo(121, y);
  }
  for (Integer y = 0; y < 61; ++y)
    for (Integer x = 0; x < 121; ++x) {
      const bool onLine = x % 40 == 0 || y % 20 == 0;
      ASSERT_EQ(img.At(x, y), onLine ? clSilver : clWhite) << x << "," << y;
    }
}

TEST(CanvasLines, TheEndPointIsNotDrawn) {
  TestImage img(20, 20);
  TCanvas* c = img.Canvas();
  c->MoveTo(2, 5);
  c->LineTo(10, 5);
  EXPECT_EQ(img.At(2, 5), clBlack);
  EXPECT_EQ(img.At(9, 5), clBlack);
  EXPECT_EQ(img.At(10, 5), clWhite);
  EXPECT_EQ(c->GetPenPos(), Point(10, 5));
  // Backwards: from 10 down to 3, so 2 stays white.
  c->GetPen()->SetColor(clRed);
  c->MoveTo(10, 8);
  c->LineTo(2, 8);
  EXPECT_EQ(img.At(10, 8), clRed);
  EXPECT_EQ(img.At(3, 8), clRed);
  EXPECT_EQ(img.At(2, 8), clWhite);
  // A diagonal covers one pixel per step and stops short of its end.
  c->MoveTo(0, 10);
  c->LineTo(5, 15);
  for (Integer i = 0; i < 5; ++i) EXPECT_EQ(img.At(i, 10 + i), clRed);
  EXPECT_EQ(img.At(5, 15), clWhite);
  EXPECT_EQ(img.CountNot(Rect(0, 10, 20, 20), clWhite), 5);
}

TEST(CanvasLines, FarAwayEndPointsCostNothingAndKeepTheSlope) {
  TestImage img(20, 20);
  TCanvas* c = img.Canvas();
  c->MoveTo(0, 0);
  c->LineTo(1000000000, 1000000000);
  for (Integer i = 0; i < 20; ++i) EXPECT_EQ(img.At(i, i), clBlack);
  EXPECT_EQ(img.CountNot(Rect(0, 0, 20, 20), clWhite), 20);
  c->GetPen()->SetStyle(psDot);
  c->MoveTo(-1000000000, 10);
  c->LineTo(1000000000, 11);
  EXPECT_GT(img.CountNot(Rect(0, 10, 20, 12), clWhite), 0);
}

TEST(CanvasLines, PolyPolylineDrawsEachStrip) {
  TestImage img(30, 30);
  const TPoint pts[] = {{1, 1}, {11, 1}, {11, 11}, {20, 20}, {20, 25}};
  const DWORD counts[] = {3, 2};
  HDC dc = img.DC();
  ASSERT_TRUE(PolyPolyline(dc, pts, counts, 2));
  EXPECT_EQ(img.At(5, 1), clBlack);
  EXPECT_EQ(img.At(11, 1), clBlack);  // the corner belongs to the second segment
  EXPECT_EQ(img.At(11, 10), clBlack);
  EXPECT_EQ(img.At(11, 11), clWhite);  // last point of the strip
  EXPECT_EQ(img.At(20, 24), clBlack);
  EXPECT_EQ(img.At(15, 15), clWhite);  // no link between strips
  const DWORD bad[] = {1};
  EXPECT_FALSE(PolyPolyline(dc, pts, bad, 1));
}

TEST(CanvasLines, ManyTwoPointStripsPaintAsTheSameSegmentsDrawnOneByOne) {
  // Short strips as dotted and grid lines come: both directions, a single
  // pixel, an empty one, overlapping ones, under an XOR pen and a clip of two
  // parts, so order, overlap and clipping all show.
  const TPoint pts[] = {{2, 2}, {12, 2}, {12, 3}, {2, 3}, {5, 0}, {5, 20},  {5, 4},
                        {5, 5}, {8, 8},  {8, 8},  {3, 2}, {9, 2}, {18, 19}, {18, 1}};
  const DWORD counts[] = {2, 2, 2, 2, 2, 2, 2};
  auto Clip = [](HDC dc) {
    HRGN a = CreateRectRgn(0, 0, 7, 20);
    HRGN b = CreateRectRgn(10, 0, 20, 12);
    CombineRgn(a, a, b, RGN_OR);
    SelectClipRgn(dc, a);
    DeleteObject(b);
    DeleteObject(a);
  };
  TestImage batch(20, 20), single(20, 20);
  for (TestImage* img : {&batch, &single}) {
    img->Canvas()->GetPen()->SetColor(clRed);
    img->Canvas()->GetPen()->SetMode(pmXor);
    Clip(img->DC());
  }
  ASSERT_TRUE(PolyPolyline(batch.DC(), pts, counts, 7));
  for (size_t i = 0; i < 14; i += 2) {
    MoveToEx(single.DC(), pts[i].X, pts[i].Y, nullptr);
    LineTo(single.DC(), pts[i + 1].X, pts[i + 1].Y);
  }
  EXPECT_EQ(batch.Raw(), single.Raw());
  EXPECT_EQ(batch.At(2, 2), clAqua);   // white XOR red, once
  EXPECT_EQ(batch.At(4, 2), clWhite);  // crossed twice
  EXPECT_EQ(batch.At(11, 2), clAqua);
  EXPECT_EQ(batch.At(8, 3), clWhite);    // between the clip's parts
  EXPECT_EQ(batch.At(18, 15), clWhite);  // below the right part
  EXPECT_EQ(batch.At(18, 5), clAqua);
  // A slanted strip among them is drawn as a line all the same.
  const TPoint slant[] = {{0, 0}, {4, 0}, {0, 10}, {4, 14}};
  TestImage mixed(20, 20);
  ASSERT_TRUE(PolyPolyline(mixed.DC(), slant, counts, 2));
  EXPECT_EQ(mixed.At(3, 0), clBlack);
  EXPECT_EQ(mixed.At(2, 12), clBlack);
}

TEST(CanvasLines, DottedPenLeavesGapsAndFillsThemWhenOpaque) {
  TestImage img(40, 10);
  TCanvas* c = img.Canvas();
  c->GetPen()->SetStyle(psDot);
  c->GetPen()->SetColor(clRed);
  c->GetBrush()->SetStyle(bsClear);
  c->MoveTo(0, 2);
  c->LineTo(40, 2);
  Integer on = 0, off = 0;
  for (Integer x = 0; x < 40; ++x) (img.At(x, 2) == clRed ? on : off) += 1;
  EXPECT_GT(on, 10);
  EXPECT_GT(off, 10);
  EXPECT_EQ(img.CountNot(Rect(0, 2, 40, 3), clRed), off);
  // With a solid brush the gaps take the background colour.
  c->GetBrush()->SetColor(clBlue);
  c->MoveTo(0, 5);
  c->LineTo(40, 5);
  for (Integer x = 0; x < 40; ++x) EXPECT_TRUE(img.At(x, 5) == clRed || img.At(x, 5) == clBlue);
  EXPECT_EQ(img.CountNot(Rect(0, 5, 40, 6), clRed), off);
}

TEST(CanvasLines, XorPenTwiceRestoresTheImage) {
  TestImage img(50, 50);
  TCanvas* c = img.Canvas();
  c->GetBrush()->SetColor(clTeal);
  c->FillRect(Rect(10, 10, 40, 40));
  const auto before = img.Raw();
  c->GetPen()->SetMode(pmXor);
  c->GetPen()->SetColor(clWhite);
  c->GetPen()->SetStyle(psDot);
  for (int pass = 0; pass < 2; ++pass) {
    c->MoveTo(25, 0);
    c->LineTo(25, 50);
    c->MoveTo(0, 3);
    c->LineTo(47, 44);
  }
  EXPECT_EQ(img.Raw(), before);
  // One pass does change the pixels, bit for bit.
  c->MoveTo(25, 0);
  c->LineTo(25, 50);
  EXPECT_NE(img.Raw(), before);
  EXPECT_EQ(img.At(25, 0), clBlack);  // white ^ white
  EXPECT_EQ(img.At(25, 20), ColorToRGB(clTeal) ^ 0xFFFFFF);
}

TEST(CanvasLines, NotPenInvertsRegardlessOfColour) {
  TestImage img(10, 10, clRed);
  TCanvas* c = img.Canvas();
  c->GetPen()->SetMode(pmNot);
  c->MoveTo(0, 0);
  c->LineTo(10, 0);
  EXPECT_EQ(img.At(3, 0), 0xFFFF00);
}

TEST(CanvasLines, GeometricFlatPenCoversExactlyItsWidth) {
  TestImage img(40, 40);
  HDC dc = img.DC();
  TLogBrush lb;
  lb.lbColor = 0x0000FF;
  HPEN pen = ExtCreatePen(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_FLAT | PS_JOIN_MITER, 3, lb);
  HGDIOBJ old = SelectObject(dc, pen);
  MoveToEx(dc, 10, 20, nullptr);
  LineTo(dc, 30, 20);
  SelectObject(dc, old);
  DeleteObject(pen);
  // Rows 19..21 from x = 10 up to 30, nothing beyond the flat ends.
  EXPECT_EQ(img.CountNot(Rect(10, 19, 30, 22), clRed), 0);
  EXPECT_EQ(img.CountNot(Rect(0, 0, 10, 40), clWhite), 0);
  EXPECT_EQ(img.CountNot(Rect(31, 0, 40, 40), clWhite), 0);
  EXPECT_EQ(img.CountNot(Rect(0, 0, 40, 19), clWhite), 0);
  EXPECT_EQ(img.CountNot(Rect(0, 22, 40, 40), clWhite), 0);
}

TEST(CanvasLines, RectangleOutlinesWithThePenAndFillsWithTheBrush) {
  TestImage img(30, 30);
  TCanvas* c = img.Canvas();
  c->GetPen()->SetColor(clRed);
  c->GetBrush()->SetColor(clBlue);
  c->Rectangle(5, 5, 15, 12);
  EXPECT_EQ(img.At(5, 5), clRed);
  EXPECT_EQ(img.At(14, 11), clRed);
  EXPECT_EQ(img.At(14, 5), clRed);
  EXPECT_EQ(img.At(5, 11), clRed);
  EXPECT_EQ(img.At(15, 12), clWhite);
  EXPECT_EQ(img.CountNot(Rect(6, 6, 14, 11), clBlue), 0);
  EXPECT_EQ(img.CountNot(Rect(5, 5, 15, 12), clRed), 8 * 5);
  // Without a pen the fill stops a pixel short on the right and bottom.
  c->GetPen()->SetStyle(psClear);
  c->GetBrush()->SetColor(clLime);
  c->Rectangle(20, 20, 25, 25);
  EXPECT_EQ(img.CountNot(Rect(20, 20, 24, 24), clLime), 0);
  EXPECT_EQ(img.At(24, 20), clWhite);
  EXPECT_EQ(img.At(20, 24), clWhite);
}

TEST(CanvasLines, FrameRectAndPolygon) {
  TestImage img(40, 40);
  TCanvas* c = img.Canvas();
  c->GetBrush()->SetColor(clGreen);
  c->FrameRect(Rect(2, 2, 12, 8));
  EXPECT_EQ(img.CountNot(Rect(2, 2, 12, 8), clGreen), 8 * 4);
  EXPECT_EQ(img.At(11, 7), clGreen);
  c->GetPen()->SetColor(clBlack);
  c->GetBrush()->SetColor(clYellow);
  c->Polygon({{20, 20}, {36, 20}, {36, 36}});
  EXPECT_EQ(img.At(33, 25), clYellow);
  EXPECT_EQ(img.At(20, 20), clBlack);
  EXPECT_EQ(img.At(36, 36), clBlack);
  EXPECT_EQ(img.At(22, 34), clWhite);
}

TEST(CanvasLines, PixelsReadAndWrite) {
  TestImage img(5, 5);
  TCanvas* c = img.Canvas();
  c->SetPixel(2, 3, clBtnShadow);
  EXPECT_EQ(c->GetPixel(2, 3), clGray);
  EXPECT_EQ(c->GetPixel(7, 7), -1);
}

}  // namespace
