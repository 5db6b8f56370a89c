// Named bitmap resources of the program's modules: registered as BMP bytes,
// loaded into a bitmap or as a bitmap object, found without regard to case.

#include <gtest/gtest.h>

#include "platform/backend/Headless.h"
#include "platform/ui/GDI.h"
#include "platform/ui/Resources.h"

namespace {

void PutLE(std::vector<Byte>& b, std::uint32_t v, int n) {
  for (int i = 0; i < n; ++i) b.push_back(Byte(v >> (8 * i)));
}

// A 24-bit BMP file, bottom-up, of W x H pixels coloured by Pixel(x, y) ($00BBGGRR).
std::vector<Byte> Bmp24(Integer W, Integer H, const std::function<TColor(Integer, Integer)>& Pixel) {
  const std::uint32_t stride = (std::uint32_t(W) * 3 + 3) & ~3u;
  std::vector<Byte> b{'B', 'M'};
  PutLE(b, 54 + stride * std::uint32_t(H), 4);
  PutLE(b, 0, 4);
  PutLE(b, 54, 4);
  PutLE(b, 40, 4);
  PutLE(b, std::uint32_t(W), 4);
  PutLE(b, std::uint32_t(H), 4);
  PutLE(b, 1, 2);
  PutLE(b, 24, 2);
  for (int i = 0; i < 6; ++i) PutLE(b, 0, 4);
  for (Integer y = H - 1; y >= 0; --y) {
    for (Integer x = 0; x < W; ++x) {
      const TColor c = Pixel(x, y);
      b.push_back(Byte(c >> 16));
      b.push_back(Byte(c >> 8));
      b.push_back(Byte(c));
    }
    for (std::uint32_t k = std::uint32_t(W) * 3; k < stride; ++k) b.push_back(0);
  }
  return b;
}

class BitmapResources : public ::testing::Test {
protected:
  THeadlessDisplay Display;
  void SetUp() override {
    RegisterBitmapResource(MainInstance(), u"ARROW",
                           Bmp24(5, 3, [](Integer x, Integer y) { return x == y ? clRed : clWhite; }));
  }
  void TearDown() override { UnregisterBitmapResource(MainInstance(), u"ARROW"); }
};

TEST_F(BitmapResources, LoadIntoABitmapOfTheResourcesSize) {
  TBitmap b;
  b.SetSize(50, 50);
  ASSERT_TRUE(LoadBitmapResource(&b, MainInstance(), u"arrow"));
  EXPECT_EQ(b.GetWidth(), 5);
  EXPECT_EQ(b.GetHeight(), 3);
  EXPECT_EQ(b.GetCanvas()->GetPixel(0, 0), clRed);
  EXPECT_EQ(b.GetCanvas()->GetPixel(2, 2), clRed);
  EXPECT_EQ(b.GetCanvas()->GetPixel(2, 0), clWhite);
}

TEST_F(BitmapResources, LoadAsABitmapObject) {
  HBITMAP h = LoadBitmap(MainInstance(), u"Arrow");
  ASSERT_NE(h, nullptr);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, h);
  EXPECT_EQ(TColor(GetPixel(dc, 1, 1)), clRed);
  EXPECT_EQ(TColor(GetPixel(dc, 4, 0)), clWhite);
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(h);
}

TEST_F(BitmapResources, AMissingOrDamagedResourceIsReported) {
  TBitmap b;
  EXPECT_FALSE(LoadBitmapResource(&b, MainInstance(), u"NOSUCH"));
  EXPECT_EQ(LoadBitmap(MainInstance(), u"NOSUCH"), nullptr);
  const HINSTANCE other = reinterpret_cast<HINSTANCE>(&b);  // any other module
  EXPECT_EQ(FindBitmapResource(other, u"ARROW"), nullptr);  // another module's names are its own
  RegisterBitmapResource(MainInstance(), u"BROKEN", {'B', 'M', 1, 2, 3});
  EXPECT_THROW(LoadBitmapResource(&b, MainInstance(), u"BROKEN"), EInvalidGraphic);
  UnregisterBitmapResource(MainInstance(), u"BROKEN");
  EXPECT_EQ(FindBitmapResource(MainInstance(), u"BROKEN"), nullptr);
}

}  // namespace
