// JPEG pictures: a good file decodes to its colours, bad data raises a catchable
// error and leaves nothing to draw.

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdio>

#include <jpeglib.h>

#include <filesystem>
#include <fstream>

#include "platform/ui/Jpeg.h"

namespace {

// A w x h JPEG: the left half red, the right half blue.
std::string EncodeTwoColour(int w, int h) {
  jpeg_compress_struct c;
  jpeg_error_mgr err;
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  unsigned char* out = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&c, &out, &size);
  c.image_width = JDIMENSION(w);
  c.image_height = JDIMENSION(h);
  c.input_components = 3;
  c.in_color_space = JCS_RGB;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, 95, TRUE);
  jpeg_start_compress(&c, TRUE);
  std::vector<unsigned char> row(size_t(w) * 3);
  for (int x = 0; x < w; ++x) {
    const bool left = x < w / 2;
    row[3 * x] = left ? 255 : 0;
    row[3 * x + 1] = 0;
    row[3 * x + 2] = left ? 0 : 255;
  }
  while (c.next_scanline < c.image_height) {
    JSAMPROW r = row.data();
    jpeg_write_scanlines(&c, &r, 1);
  }
  jpeg_finish_compress(&c);
  std::string s(reinterpret_cast<char*>(out), size);
  jpeg_destroy_compress(&c);
  std::free(out);
  return s;
}

bool Near(TColor c, int r, int g, int b) {
  const int cr = int(c & 0xFF), cg = int((c >> 8) & 0xFF), cb = int((c >> 16) & 0xFF);
  return std::abs(cr - r) < 40 && std::abs(cg - g) < 40 && std::abs(cb - b) < 40;
}

}  // namespace

TEST(JpegImage, DecodesSizeAndColours) {
  TJPEGImage j;
  j.LoadFromBytes(EncodeTwoColour(64, 32));
  EXPECT_EQ(j.GetWidth(), 64);
  EXPECT_EQ(j.GetHeight(), 32);
  ASSERT_NE(j.GetBitmap(), nullptr);
  TCanvas* cv = j.GetBitmap()->GetCanvas();
  EXPECT_TRUE(Near(cv->GetPixel(8, 16), 255, 0, 0));
  EXPECT_TRUE(Near(cv->GetPixel(56, 16), 0, 0, 255));
}

TEST(JpegImage, DrawsScaledOntoABitmap) {
  TJPEGImage j;
  j.LoadFromBytes(EncodeTwoColour(64, 32));
  TBitmap target;
  target.SetSize(32, 16);
  j.Draw(target.GetCanvas(), TRect(0, 0, 32, 16));
  EXPECT_TRUE(Near(target.GetCanvas()->GetPixel(4, 8), 255, 0, 0));
  EXPECT_TRUE(Near(target.GetCanvas()->GetPixel(28, 8), 0, 0, 255));
}

TEST(JpegImageBadInput, GarbageRaisesAndLeavesTheImageEmpty) {
  TJPEGImage j;
  j.LoadFromBytes(EncodeTwoColour(16, 16));
  EXPECT_THROW(j.LoadFromBytes("this is not a picture at all"), EInvalidGraphic);
  EXPECT_TRUE(j.GetEmpty());
  EXPECT_EQ(j.GetWidth(), 0);
  TBitmap target;
  target.SetSize(8, 8);
  target.GetCanvas()->GetBrush()->SetColor(clWhite);
  target.GetCanvas()->FillRect(TRect(0, 0, 8, 8));
  j.Draw(target.GetCanvas(), TRect(0, 0, 8, 8));  // nothing to draw
  EXPECT_EQ(target.GetCanvas()->GetPixel(4, 4), clWhite);
}

TEST(JpegImageBadInput, TruncatedHeaderAndEmptyDataRaise) {
  const std::string good = EncodeTwoColour(16, 16);
  TJPEGImage j;
  EXPECT_THROW(j.LoadFromBytes(good.substr(0, 20)), EInvalidGraphic);
  EXPECT_THROW(j.LoadFromBytes(std::string()), EInvalidGraphic);
  EXPECT_TRUE(j.GetEmpty());
}

TEST(JpegImageBadInput, MissingFileRaises) {
  TJPEGImage j;
  EXPECT_ANY_THROW(j.LoadFromFile(u"/nonexistent/about.jpg"));
  EXPECT_TRUE(j.GetEmpty());
}

TEST(JpegPictureFile, GoodFileFillsThePictureAndABadOneEmptiesIt) {
  const std::string dir = std::string(BORROW_BINARY_DIR) + "/test-artifacts";
  std::filesystem::create_directories(dir);
  const std::string good = dir + "/about.jpg", bad = dir + "/broken.JPG";
  std::ofstream(good, std::ios::binary) << EncodeTwoColour(40, 20);
  std::ofstream(bad, std::ios::binary) << "\xFF\xD8\xFF\xE0 not really";
  TPicture picture;
  LoadPictureFile(&picture, FromUtf8(good));
  EXPECT_EQ(picture.GetWidth(), 40);
  EXPECT_EQ(picture.GetHeight(), 20);
  EXPECT_THROW(LoadPictureFile(&picture, FromUtf8(bad)), EInvalidGraphic);
  EXPECT_EQ(picture.GetGraphic(), nullptr);
}
