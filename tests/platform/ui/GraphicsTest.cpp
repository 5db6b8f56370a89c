// Colours, fonts, pens and brushes, and bitmaps as files.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "tests/platform/ui/CanvasTestSupport.h"

namespace {

TEST(GraphicsColours, SystemColoursResolveToTheClassicPalette) {
  EXPECT_EQ(ColorToRGB(clBtnFace), RGB(212, 208, 200));
  EXPECT_EQ(ColorToRGB(clBtnShadow), RGB(128, 128, 128));
  EXPECT_EQ(ColorToRGB(cl3DDkShadow), RGB(64, 64, 64));
  EXPECT_EQ(ColorToRGB(clBtnHighlight), RGB(255, 255, 255));
  EXPECT_EQ(ColorToRGB(clHighlight), RGB(10, 36, 106));
  EXPECT_EQ(ColorToRGB(clWindow), clWhite);
  EXPECT_EQ(ColorToRGB(clWindowText), clBlack);
  EXPECT_EQ(ColorToRGB(clInfoBk), RGB(255, 255, 225));
  EXPECT_EQ(static_cast<TColor>(GetSysColor(COLOR_BTNFACE)), ColorToRGB(clBtnFace));
}

TEST(GraphicsColours, PlainAndSpecialColoursPassThrough) {
  EXPECT_EQ(ColorToRGB(clRed), 0x0000FF);
  EXPECT_EQ(ColorToRGB(clNone), clNone);
  EXPECT_EQ(ColorToRGB(clDefault), clDefault);
  EXPECT_EQ(GetSysColor(-1), 0u);
  EXPECT_EQ(GetSysColor(200), 0u);
  const TColor c = RGB(1, 2, 3);
  EXPECT_EQ(GetRValue(c), 1);
  EXPECT_EQ(GetGValue(c), 2);
  EXPECT_EQ(GetBValue(c), 3);
}

TEST(GraphicsFont, SizeIsPointsAt96Dpi) {
  TFont f;
  f.SetSize(8);
  EXPECT_EQ(f.GetHeight(), -11);
  EXPECT_EQ(f.GetSize(), 8);
  f.SetSize(9);
  EXPECT_EQ(f.GetHeight(), -12);
  f.SetSize(10);
  EXPECT_EQ(f.GetHeight(), -13);
  EXPECT_EQ(f.GetSize(), 10);
  f.SetHeight(-16);
  EXPECT_EQ(f.GetSize(), 12);
}

TEST(GraphicsFont, OnChangeFiresOnlyForRealChanges) {
  TFont f;
  int changes = 0;
  f.OnChange = [&](TObject* Sender) {
    EXPECT_EQ(Sender, &f);
    ++changes;
  };
  f.SetName(u"Tahoma");
  f.SetName(u"Tahoma");
  f.SetStyle({fsBold});
  f.SetStyle({fsBold});
  f.SetColor(clRed);
  f.SetColor(clRed);
  EXPECT_EQ(changes, 3);
  TFont g;
  g.Assign(&f);
  EXPECT_EQ(g.GetName(), u"Tahoma");
  EXPECT_TRUE(g.GetStyle().Contains(fsBold));
  EXPECT_EQ(g.GetColor(), clRed);
  f.Assign(&g);  // same description: no notice
  EXPECT_EQ(changes, 3);
}

TEST(GraphicsFont, EqualDescriptionsShareAHandle) {
  TFont a, b;
  a.SetName(u"Tahoma");
  b.SetName(u"Tahoma");
  EXPECT_EQ(a.GetHandle(), b.GetHandle());
  b.SetColor(clRed);  // colour is not part of the font object
  EXPECT_EQ(a.GetHandle(), b.GetHandle());
  b.SetSize(12);
  EXPECT_NE(a.GetHandle(), b.GetHandle());
  a.SetHandle(b.GetHandle());
  EXPECT_EQ(a.GetSize(), 12);
  EXPECT_FALSE(DeleteObject(nullptr));
  EXPECT_TRUE(DeleteObject(a.GetHandle()));  // shared: kept
  EXPECT_EQ(a.GetHandle(), b.GetHandle());
}

TEST(GraphicsPenBrush, ColourTurnsAClearBrushSolid) {
  TBrush b;
  b.SetStyle(bsClear);
  b.SetColor(clRed);
  EXPECT_EQ(b.GetStyle(), bsSolid);
  TPen p;
  int changes = 0;
  p.OnChange = [&](TObject*) { ++changes; };
  p.SetStyle(psDot);
  p.SetMode(pmXor);
  p.SetWidth(-3);  // refused
  EXPECT_EQ(p.GetWidth(), 1);
  EXPECT_EQ(changes, 2);
  TPen q;
  q.Assign(&p);
  EXPECT_EQ(q.GetStyle(), psDot);
  EXPECT_EQ(q.GetMode(), pmXor);
}

TEST(GraphicsBitmap, ResizingKeepsTheOverlapAndWhitensTheRest) {
  TestImage img(10, 10, clRed);
  img.Bitmap().SetSize(20, 5);
  EXPECT_EQ(img.Width(), 20);
  EXPECT_EQ(img.At(9, 4), clRed);
  EXPECT_EQ(img.At(15, 2), clWhite);
  img.Bitmap().SetSize(0, 0);
  EXPECT_TRUE(img.Bitmap().GetEmpty());
  img.Canvas()->FillRect(Rect(0, 0, 5, 5));  // drawing on an empty bitmap touches nothing
}

// A small bitmap file: 3x2, 24 bits, bottom-up rows padded to 4 bytes.
std::vector<unsigned char> Bmp24() {
  // One initializer: g++ 12 at -O2 misreads inserts into a vector this size as
  // writes out of bounds.
  return {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0, 3, 0, 0, 0, 2, 0, 0, 0, 1, 0, 24, 0, 0, 0, 0, 0,
          0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
          // bottom row: blue, green, red (BGR order in the file)
          255, 0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0,
          // top row: white, black, grey
          255, 255, 255, 0, 0, 0, 128, 128, 128, 0, 0, 0};
}

std::string WriteTemp(const std::string& name, const std::vector<unsigned char>& bytes) {
  const std::string path = (std::filesystem::temp_directory_path() / name).string();
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return path;
}

TEST(GraphicsBitmap, LoadsA24BitBmpFile) {
  const std::string path = WriteTemp("borrow_canvas_24.bmp", Bmp24());
  TBitmap bmp;
  bmp.LoadFromFile(FromUtf8(path));
  ASSERT_EQ(bmp.GetWidth(), 3);
  ASSERT_EQ(bmp.GetHeight(), 2);
  TCanvas* c = bmp.GetCanvas();
  EXPECT_EQ(c->GetPixel(0, 0), clWhite);
  EXPECT_EQ(c->GetPixel(1, 0), clBlack);
  EXPECT_EQ(c->GetPixel(2, 0), clGray);
  EXPECT_EQ(c->GetPixel(0, 1), clBlue);
  EXPECT_EQ(c->GetPixel(1, 1), clLime);
  EXPECT_EQ(c->GetPixel(2, 1), clRed);
  EXPECT_EQ(bmp.GetPixelFormat(), pf24bit);
  // Automatic transparency takes the bottom-left pixel.
  EXPECT_EQ(bmp.GetTransparentColor(), clBlue);
  std::remove(path.c_str());
}

TEST(GraphicsBitmap, LoadsAPalettedBitmap) {
  // 2x1, 1 bit per pixel, palette black/red; pixels 1,0.
  std::vector<unsigned char> b = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 62, 0, 0, 0, 40, 0, 0,   0, 2,    0, 0, 0,
                                  1,   0,   0, 0, 1, 0, 1, 0, 0, 0, 0,  0, 0, 0, 0,  0, 0,   0, 0,    0, 0, 0,
                                  0,   0,   2, 0, 0, 0, 0, 0, 0, 0, 0,  0, 0, 0, 0,  0, 255, 0, 0x80, 0, 0, 0};
  const std::string path = WriteTemp("borrow_canvas_1.bmp", b);
  TBitmap bmp;
  bmp.LoadFromFile(FromUtf8(path));
  EXPECT_EQ(bmp.GetCanvas()->GetPixel(0, 0), clRed);
  EXPECT_EQ(bmp.GetCanvas()->GetPixel(1, 0), clBlack);
  std::remove(path.c_str());
}

TEST(GraphicsBitmap, DamagedFilesAreRefusedWithoutTouchingTheImage) {
  TBitmap bmp;
  bmp.SetSize(4, 4);
  std::vector<unsigned char> truncated = Bmp24();
  truncated.resize(truncated.size() - 5);
  const std::string p1 = WriteTemp("borrow_canvas_trunc.bmp", truncated);
  EXPECT_THROW(bmp.LoadFromFile(FromUtf8(p1)), EInvalidGraphic);
  std::vector<unsigned char> huge = Bmp24();
  huge[18] = 0xFF;
  huge[19] = 0xFF;
  huge[20] = 0xFF;
  huge[21] = 0x7F;  // width 2^31-1
  const std::string p2 = WriteTemp("borrow_canvas_huge.bmp", huge);
  EXPECT_THROW(bmp.LoadFromFile(FromUtf8(p2)), EInvalidGraphic);
  const std::string p3 = WriteTemp("borrow_canvas_text.bmp", {'h', 'e', 'l', 'l', 'o'});
  EXPECT_THROW(bmp.LoadFromFile(FromUtf8(p3)), EInvalidGraphic);
  EXPECT_EQ(bmp.GetWidth(), 4);
  EXPECT_THROW(bmp.LoadFromFile(u"/nonexistent/dir/x.bmp"), EFOpenError);
  for (const std::string& p : {p1, p2, p3}) std::remove(p.c_str());
}

TEST(GraphicsBitmap, SavesPngThatReadsBackTheSame) {
  TestImage img(8, 6, clWhite);
  img.Canvas()->GetBrush()->SetColor(clNavy);
  img.Canvas()->FillRect(Rect(2, 1, 5, 4));
  const std::string path = (std::filesystem::temp_directory_path() / "borrow_canvas_rt.png").string();
  img.Bitmap().SaveToFile(FromUtf8(path));
  cairo_surface_t* s = cairo_image_surface_create_from_png(path.c_str());
  ASSERT_EQ(cairo_surface_status(s), CAIRO_STATUS_SUCCESS);
  EXPECT_EQ(cairo_image_surface_get_width(s), 8);
  auto* px = reinterpret_cast<std::uint32_t*>(cairo_image_surface_get_data(s));
  const int stride = cairo_image_surface_get_stride(s) / 4;
  EXPECT_EQ(px[2 * stride + 3] & 0xFFFFFF, 0x000080u);  // navy as 0xRRGGBB
  EXPECT_EQ(px[0] & 0xFFFFFF, 0xFFFFFFu);
  cairo_surface_destroy(s);
  std::remove(path.c_str());
  TBitmap empty;
  EXPECT_THROW(empty.SaveToFile(FromUtf8(path)), EInvalidGraphic);
}

TEST(GraphicsBitmap, TransparentDrawLeavesTheKeyColourOut) {
  TBitmap sprite;
  sprite.SetSize(4, 4);
  sprite.GetCanvas()->GetBrush()->SetColor(clFuchsia);
  sprite.GetCanvas()->FillRect(Rect(0, 0, 4, 4));
  sprite.GetCanvas()->GetBrush()->SetColor(clBlue);
  sprite.GetCanvas()->FillRect(Rect(1, 1, 3, 3));
  sprite.SetTransparent(true);
  sprite.SetTransparentColor(clFuchsia);
  TestImage img(10, 10, clYellow);
  img.Canvas()->Draw(2, 2, &sprite);
  EXPECT_EQ(img.At(2, 2), clYellow);
  EXPECT_EQ(img.At(3, 3), clBlue);
  EXPECT_EQ(img.At(4, 4), clBlue);
  EXPECT_EQ(img.At(5, 5), clYellow);
  sprite.SetTransparent(false);
  img.Canvas()->StretchDraw(Rect(0, 0, 8, 8), &sprite);
  EXPECT_EQ(img.At(0, 0), clFuchsia);
  EXPECT_EQ(img.At(3, 3), clBlue);
  EXPECT_EQ(img.At(8, 8), clYellow);
}

TEST(GraphicsPicture, HoldsACopyOfABitmap) {
  TBitmap bmp;
  bmp.SetSize(3, 3);
  TPicture pic;
  int changes = 0;
  pic.OnChange = [&](TObject*) { ++changes; };
  pic.SetGraphic(&bmp);
  EXPECT_EQ(pic.GetWidth(), 3);
  EXPECT_NE(pic.GetGraphic(), &bmp);
  EXPECT_EQ(changes, 1);
  EXPECT_THROW(pic.LoadFromFile(u"x.gif"), EInvalidGraphic);
  pic.SetGraphic(nullptr);
  EXPECT_EQ(pic.GetWidth(), 0);
}

TEST(GraphicsCanvas, DrawingWithoutADeviceRaises) {
  TCanvas c;
  EXPECT_THROW(c.FillRect(Rect(0, 0, 1, 1)), EInvalidOperation);
}

}  // namespace

namespace {

TEST(GraphicsDevice, CapsOfA32BitDisplayAt96Dpi) {
  TestImage img(30, 20);
  HDC dc = img.DC();
  EXPECT_EQ(GetDeviceCaps(dc, LOGPIXELSX), 96);
  EXPECT_EQ(GetDeviceCaps(dc, LOGPIXELSY), 96);
  EXPECT_EQ(GetDeviceCaps(dc, NUMCOLORS), -1);
  EXPECT_EQ(GetDeviceCaps(dc, BITSPIXEL), 32);
  EXPECT_EQ(GetDeviceCaps(dc, HORZRES), 30);
  EXPECT_EQ(GetNearestColor(clBtnFace), ColorToRGB(clBtnFace));
}

}  // namespace
