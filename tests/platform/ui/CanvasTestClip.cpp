// Clipping, saved states, regions and coordinate mapping.

#include <gtest/gtest.h>

#include "tests/platform/ui/CanvasTestSupport.h"

namespace {

// Draws one of everything over the whole image.
void DrawEverything(HDC dc, TestImage& img) {
  HBRUSH red = CreateSolidBrush(0x0000FF);
  FillRect(dc, Rect(0, 0, img.Width(), img.Height()), red);
  DeleteObject(red);
  MoveToEx(dc, 0, 0, nullptr);
  LineTo(dc, img.Width(), img.Height());
  Rectangle(dc, 1, 1, img.Width() - 1, img.Height() - 1);
  TRect r = Rect(0, 0, img.Width(), img.Height());
  DrawEdge(dc, r, EDGE_RAISED, BF_RECT | BF_MIDDLE);
  DrawFocusRect(dc, Rect(3, 3, img.Width() - 3, img.Height() - 3));
  InvertRect(dc, Rect(0, 0, img.Width() / 2, img.Height()));
  ExtTextOut(dc, 0, 0, ETO_OPAQUE, &r, u"Текст text", -1);
  TRect t = r;
  DrawText(dc, u"Clipped text that is long", -1, t, DT_WORDBREAK);
}

TEST(CanvasClip, NothingOutsideTheClipRectangleChanges) {
  TestImage img(60, 40);
  HDC dc = img.DC();
  const auto before = img.Raw();
  IntersectClipRect(dc, 10, 5, 30, 25);
  DrawEverything(dc, img);
  const auto after = img.Raw();
  Integer changedInside = 0;
  for (Integer y = 0; y < 40; ++y)
    for (Integer x = 0; x < 60; ++x) {
      const size_t i = static_cast<size_t>(y * 60 + x);
      const bool inside = x >= 10 && x < 30 && y >= 5 && y < 25;
      if (!inside) ASSERT_EQ(after[i], before[i]) << x << "," << y;
      else if (after[i] != before[i]) ++changedInside;
    }
  EXPECT_GT(changedInside, 0);
}

TEST(CanvasClip, ExcludedAndRegionClipsHold) {
  TestImage img(40, 40);
  HDC dc = img.DC();
  ExcludeClipRect(dc, 10, 10, 20, 20);
  HBRUSH b = CreateSolidBrush(0);
  FillRect(dc, Rect(0, 0, 40, 40), b);
  EXPECT_EQ(img.CountNot(Rect(10, 10, 20, 20), clWhite), 0);
  EXPECT_EQ(img.At(9, 9), clBlack);
  // A triangle region: only pixels whose centres are inside get painted.
  const TPoint tri[] = {{0, 0}, {40, 0}, {0, 40}};
  HRGN rgn = CreatePolygonRgn(tri, 3, ALTERNATE);
  TestImage img2(40, 40);
  HDC dc2 = img2.DC();
  SelectClipRgn(dc2, rgn);
  FillRect(dc2, Rect(0, 0, 40, 40), b);
  EXPECT_EQ(img2.At(5, 5), clBlack);
  EXPECT_EQ(img2.At(30, 30), clWhite);
  EXPECT_EQ(img2.At(38, 0), clBlack);
  EXPECT_EQ(img2.At(39, 1), clWhite);
  DeleteObject(rgn);
  DeleteObject(b);
}

TEST(CanvasClip, SaveAndRestoreBringBackClipAndObjects) {
  TestImage img(20, 20);
  HDC dc = img.DC();
  HRGN probe = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(GetClipRgn(dc, probe), 0);  // no clip yet
  const Integer level = SaveDC(dc);
  IntersectClipRect(dc, 0, 0, 5, 5);
  SetTextColor(dc, 0x123456);
  HPEN pen = CreatePen(PS_SOLID, 1, 0x00FF00);
  SelectObject(dc, pen);
  EXPECT_EQ(GetClipRgn(dc, probe), 1);
  TRect box;
  EXPECT_EQ(GetRgnBox(probe, box), SIMPLEREGION);
  EXPECT_EQ(box, Rect(0, 0, 5, 5));
  EXPECT_FALSE(RectVisible(dc, Rect(6, 6, 10, 10)));
  EXPECT_TRUE(RectVisible(dc, Rect(4, 4, 10, 10)));
  EXPECT_TRUE(RestoreDC(dc, level));
  EXPECT_EQ(GetClipRgn(dc, probe), 0);
  EXPECT_NE(GetTextColor(dc), 0x123456u);
  EXPECT_TRUE(RectVisible(dc, Rect(6, 6, 10, 10)));
  MoveToEx(dc, 0, 10, nullptr);
  LineTo(dc, 20, 10);
  EXPECT_EQ(img.At(15, 10), clBlack);  // the canvas pen again, not the green one
  EXPECT_FALSE(RestoreDC(dc, 1));      // nothing left to restore
  DeleteObject(pen);
  DeleteObject(probe);
}

TEST(CanvasClip, AndCombinesWithTheExistingClip) {
  TestImage img(20, 20);
  HDC dc = img.DC();
  HRGN a = CreateRectRgn(0, 0, 10, 10);
  HRGN b = CreateRectRgn(5, 5, 15, 15);
  ExtSelectClipRgn(dc, a, RGN_AND);  // no clip before: becomes a
  ExtSelectClipRgn(dc, b, RGN_AND);
  TRect box;
  EXPECT_EQ(GetClipBox(dc, box), SIMPLEREGION);
  EXPECT_EQ(box, Rect(5, 5, 10, 10));
  SelectClipRgn(dc, nullptr);
  GetClipBox(dc, box);
  EXPECT_EQ(box, Rect(0, 0, 20, 20));
  DeleteObject(a);
  DeleteObject(b);
}

TEST(CanvasRegions, CombineReportsTheKind) {
  HRGN a = CreateRectRgn(0, 0, 10, 10);
  HRGN b = CreateRectRgn(20, 0, 30, 10);
  HRGN d = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(CombineRgn(d, a, b, RGN_OR), COMPLEXREGION);
  EXPECT_TRUE(PtInRegion(d, 25, 5));
  EXPECT_FALSE(PtInRegion(d, 15, 5));
  EXPECT_EQ(CombineRgn(d, a, b, RGN_AND), NULLREGION);
  EXPECT_EQ(CombineRgn(d, a, nullptr, RGN_COPY), SIMPLEREGION);
  EXPECT_TRUE(EqualRgn(d, a));
  EXPECT_EQ(CombineRgn(d, a, nullptr, RGN_AND), ERROR_REGION);
  EXPECT_EQ(OffsetRgn(d, 5, 0), SIMPLEREGION);
  EXPECT_TRUE(PtInRegion(d, 14, 0));
  EXPECT_EQ(CombineRgn(d, a, d, RGN_DIFF), SIMPLEREGION);
  TRect box;
  GetRgnBox(d, box);
  EXPECT_EQ(box, Rect(0, 0, 5, 10));
  for (HRGN r : {a, b, d}) DeleteObject(r);
}

TEST(CanvasMapping, WindowOriginShiftsDrawing) {
  TestImage img(30, 30);
  HDC dc = img.DC();
  SetWindowOrgEx(dc, -10, -5, nullptr);
  HBRUSH b = CreateSolidBrush(0xFF0000);
  FillRect(dc, Rect(0, 0, 2, 2), b);
  EXPECT_EQ(img.At(10, 5), clBlue);
  EXPECT_EQ(img.At(0, 0), clWhite);
  TPoint p[1] = {{1, 1}};
  LPtoDP(dc, p, 1);
  EXPECT_EQ(p[0], Point(11, 6));
  DPtoLP(dc, p, 1);
  EXPECT_EQ(p[0], Point(1, 1));
  DeleteObject(b);
}

TEST(CanvasMapping, MirroredExtentsFlipGeometry) {
  // Right-to-left painting: x' = W - x.
  const Integer W = 40;
  TestImage img(W, 10);
  HDC dc = img.DC();
  SetMapMode(dc, MM_ANISOTROPIC);
  SetWindowOrgEx(dc, W, 0, nullptr);
  SetViewportExtEx(dc, W, 10, nullptr);
  SetWindowExtEx(dc, -W, 10, nullptr);
  HBRUSH b = CreateSolidBrush(0x0000FF);
  FillRect(dc, Rect(0, 0, 5, 10), b);  // logical left edge lands on the right
  EXPECT_EQ(img.CountNot(Rect(35, 0, 40, 10), clRed), 0);
  EXPECT_EQ(img.At(34, 0), clWhite);
  // A vertical line at logical x lands on device column W - x.
  MoveToEx(dc, 11, 0, nullptr);
  LineTo(dc, 11, 10);
  EXPECT_EQ(img.At(29, 3), clBlack);
  TRect r(0, 0, 2, 2);
  TPoint pts[2] = {r.TopLeft(), r.BottomRight()};
  LPtoDP(dc, pts, 2);
  EXPECT_EQ(pts[0].X, W);
  EXPECT_EQ(pts[1].X, W - 2);
  SetMapMode(dc, MM_TEXT);
  SetWindowOrgEx(dc, 0, 0, nullptr);
  FillRect(dc, Rect(0, 0, 1, 1), b);
  EXPECT_EQ(img.At(0, 0), clRed);
  DeleteObject(b);
}

TEST(CanvasMapping, DeviceOriginAndVisibleRegionOfASurfaceContext) {
  // How the window code paints a child into its top-level image.
  TestImage img(50, 50);
  TRegion visible(Rect(0, 0, 10, 10));
  HDC dc = CreateSurfaceDC(img.Bitmap().Context()->Surface(), Point(20, 20), &visible);
  HBRUSH b = CreateSolidBrush(0);
  FillRect(dc, Rect(-5, -5, 100, 100), b);
  EXPECT_EQ(img.CountNot(Rect(20, 20, 30, 30), clBlack), 0);
  EXPECT_EQ(img.CountNot(Rect(0, 0, 50, 20), clWhite), 0);
  EXPECT_EQ(img.At(30, 25), clWhite);
  TRect box;
  GetClipBox(dc, box);
  EXPECT_EQ(box, Rect(0, 0, 10, 10));
  DeleteObject(b);
  DeleteDC(dc);
}

TEST(CanvasMapping, CanvasClipRectIsLogical) {
  TestImage img(30, 30);
  TCanvas* c = img.Canvas();
  IntersectClipRect(c->GetHandle(), 5, 5, 15, 15);
  EXPECT_EQ(c->GetClipRect(), Rect(5, 5, 15, 15));
}

}  // namespace
