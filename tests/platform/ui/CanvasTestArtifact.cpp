// One image with every primitive, written as a PNG for people to look at, and
// checked by sampling the file that was written.

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/platform/ui/CanvasTestSupport.h"

namespace {

TColor PngPixel(cairo_surface_t* s, Integer X, Integer Y) {
  const auto* data = cairo_image_surface_get_data(s);
  const int stride = cairo_image_surface_get_stride(s);
  const std::uint32_t p = reinterpret_cast<const std::uint32_t*>(data + static_cast<std::ptrdiff_t>(Y) * stride)[X];
  return static_cast<TColor>(((p >> 16) & 0xFF) | (p & 0xFF00) | ((p & 0xFF) << 16));
}

TEST(CanvasArtifact, EveryPrimitiveInOnePng) {
  TestImage img(320, 200, clBtnFace);
  TCanvas* c = img.Canvas();
  HDC dc = img.DC();

  // A grid of 1-px lines.
  c->GetPen()->SetColor(clSilver);
  for (Integer x = 0; x <= 120; x += 40) {
    c->MoveTo(x, 0);
    c->LineTo(x, 61);
  }
  for (Integer y = 0; y <= 60; y += 20) {
    c->MoveTo(0, y);
    c->LineTo(121, y);
  }
  // Cells with text, one selected.
  c->GetBrush()->SetColor(clWindow);
  c->FillRect(Rect(1, 1, 40, 20));
  c->GetBrush()->SetColor(clHighlight);
  c->FillRect(Rect(41, 1, 80, 20));
  c->GetFont()->SetColor(clHighlightText);
  TRect cell(41, 1, 80, 20);
  DrawText(c->GetHandle(), u"Имя", -1, cell, DT_SINGLELINE | DT_VCENTER | DT_CENTER);
  c->GetBrush()->SetColor(clWindow);
  c->GetFont()->SetColor(clWindowText);
  c->TextRect(Rect(1, 21, 40, 40), 3, 23, u"Книга");
  c->DrawFocusRect(Rect(1, 21, 40, 40));

  // Edges and frame controls.
  TRect e(130, 5, 160, 25);
  DrawEdge(dc, e, EDGE_RAISED, BF_RECT | BF_MIDDLE);
  TRect s(165, 5, 195, 25);
  DrawEdge(dc, s, EDGE_SUNKEN, BF_RECT);
  TRect chk(200, 5, 213, 18);
  DrawFrameControl(dc, chk, DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_CHECKED);
  TRect combo(220, 5, 237, 25);
  DrawFrameControl(dc, combo, DFC_SCROLL, DFCS_SCROLLCOMBOBOX);
  TRect radio(245, 5, 258, 18);
  DrawFrameControl(dc, radio, DFC_BUTTON, DFCS_BUTTONRADIO | DFCS_CHECKED);

  // Shapes and pens.
  c->GetPen()->SetColor(clNavy);
  c->GetBrush()->SetColor(clYellow);
  c->Rectangle(130, 40, 170, 70);
  c->Ellipse(180, 40, 220, 70);
  c->Polygon({{230, 70}, {250, 40}, {270, 70}});
  c->GetPen()->SetStyle(psDot);
  c->GetPen()->SetColor(clRed);
  c->GetBrush()->SetStyle(bsClear);
  c->MoveTo(0, 80);
  c->LineTo(320, 80);
  c->GetPen()->SetStyle(psSolid);

  // Gradient, inversion, blend.
  TTriVertex v[2];
  v[0].x = 0;
  v[0].y = 90;
  v[0].Blue = 0xFF00;
  v[1].x = 100;
  v[1].y = 110;
  v[1].Green = 0xFF00;
  TGradientRect gr;
  GradientFill(dc, v, 2, &gr, 1, GRADIENT_FILL_RECT_H);
  InvertRect(dc, Rect(110, 90, 130, 110));
  TestImage blue(10, 10, clBlue);
  TBlendFunction bf;
  bf.SourceConstantAlpha = 128;
  AlphaBlend(dc, 140, 90, 20, 20, blue.DC(), 0, 0, 10, 10, bf);

  // Longer texts: wrapped and shortened.
  c->GetFont()->SetSize(9);
  TRect wrap(0, 120, 150, 200);
  DrawText(c->GetHandle(), u"Сведения о поиске в каталогах библиотек, по словам", -1, wrap, DT_WORDBREAK);
  TRect ell(160, 120, 240, 140);
  DrawText(c->GetHandle(), u"Очень длинное название", -1, ell, DT_SINGLELINE | DT_END_ELLIPSIS);

  const std::filesystem::path dir = std::filesystem::path(BORROW_BINARY_DIR) / "test-artifacts";
  std::filesystem::create_directories(dir);
  const std::filesystem::path file = dir / "canvas_primitives.png";
  img.Bitmap().SaveToFile(FromUtf8(file.string()));

  cairo_surface_t* png = cairo_image_surface_create_from_png(file.string().c_str());
  ASSERT_EQ(cairo_surface_status(png), CAIRO_STATUS_SUCCESS);
  ASSERT_EQ(cairo_image_surface_get_width(png), 320);
  EXPECT_EQ(PngPixel(png, 40, 50), clSilver);  // grid line
  EXPECT_EQ(PngPixel(png, 41, 20), clSilver);
  EXPECT_EQ(PngPixel(png, 42, 2), ColorToRGB(clHighlight));  // selected cell
  EXPECT_EQ(PngPixel(png, 130, 5), ColorToRGB(cl3DLight));   // raised edge
  EXPECT_EQ(PngPixel(png, 159, 24), ColorToRGB(cl3DDkShadow));
  EXPECT_EQ(PngPixel(png, 145, 15), ColorToRGB(clBtnFace));
  EXPECT_EQ(PngPixel(png, 165, 5), ColorToRGB(clBtnShadow));  // sunken edge
  EXPECT_EQ(PngPixel(png, 203, 10), clBlack);                 // check mark
  EXPECT_EQ(PngPixel(png, 228, 16), clBlack);                 // combo arrow
  EXPECT_EQ(PngPixel(png, 130, 40), clNavy);                  // rectangle
  EXPECT_EQ(PngPixel(png, 150, 55), clYellow);
  EXPECT_EQ(PngPixel(png, 200, 55), clYellow);  // ellipse
  EXPECT_EQ(PngPixel(png, 250, 60), clYellow);  // polygon
  EXPECT_EQ(PngPixel(png, 0, 80), clRed);       // dotted line
  EXPECT_EQ(PngPixel(png, 0, 95), clBlue);      // gradient start
  EXPECT_EQ(PngPixel(png, 115, 95), ColorToRGB(clBtnFace) ^ 0xFFFFFF);
  const COLORREF blend = static_cast<COLORREF>(PngPixel(png, 150, 100));
  EXPECT_NEAR(GetRValue(blend), 106, 2);
  EXPECT_NEAR(GetBValue(blend), 227, 2);
  Integer dark = 0;
  for (Integer y = 120; y < 200; ++y)
    for (Integer x = 0; x < 150; ++x) dark += PngPixel(png, x, y) == clBlack;
  EXPECT_GT(dark, 10);  // the wrapped text is there
  cairo_surface_destroy(png);
}

}  // namespace
