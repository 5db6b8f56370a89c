#include "platform/ui/Jpeg.h"

// jpeglib.h needs size_t and FILE declared first.
#include <cstddef>
#include <cstdio>
#include <csetjmp>

#include <cairo.h>
#include <jpeglib.h>

#include <vector>

#include "platform/core/Streams.h"
#include "platform/ui/GDI.h"

namespace {

struct TJpegError {
  jpeg_error_mgr Mgr;
  std::jmp_buf Jump;
  char Text[JMSG_LENGTH_MAX] = {};
};

[[noreturn]] void ErrorExit(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<TJpegError*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, err->Text);
  std::longjmp(err->Jump, 1);
}

void Silent(j_common_ptr, int) {}

// Decodes into RGB rows; false (with the library's message) when the data is bad.
// Kept free of C++ objects with destructors between setjmp and the decode, so
// the long jump skips nothing that needs cleaning up.
bool DecodeRgb(const unsigned char* data, size_t size, std::vector<unsigned char>& rgb, int& w, int& h, char* message) {
  jpeg_decompress_struct cinfo;
  TJpegError err;
  cinfo.err = jpeg_std_error(&err.Mgr);
  err.Mgr.error_exit = ErrorExit;
  err.Mgr.emit_message = Silent;
  if (setjmp(err.Jump)) {
    jpeg_destroy_decompress(&cinfo);
    std::snprintf(message, JMSG_LENGTH_MAX, "%s", err.Text);
    return false;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, const_cast<unsigned char*>(data), static_cast<unsigned long>(size));
  jpeg_read_header(&cinfo, TRUE);
  cinfo.out_color_space = JCS_RGB;
  jpeg_start_decompress(&cinfo);
  w = static_cast<int>(cinfo.output_width);
  h = static_cast<int>(cinfo.output_height);
  // A picture larger than 16384 on a side is refused rather than allocated.
  if (w <= 0 || h <= 0 || w > 16384 || h > 16384 || cinfo.output_components != 3) {
    jpeg_destroy_decompress(&cinfo);
    std::snprintf(message, JMSG_LENGTH_MAX, "unsupported picture size or colour layout");
    return false;
  }
  rgb.resize(size_t(w) * size_t(h) * 3);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = rgb.data() + size_t(cinfo.output_scanline) * size_t(w) * 3;
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return true;
}

}  // namespace

TJPEGImage::TJPEGImage() = default;
TJPEGImage::~TJPEGImage() = default;

Integer TJPEGImage::GetWidth() const { return FBitmap ? FBitmap->GetWidth() : 0; }
Integer TJPEGImage::GetHeight() const { return FBitmap ? FBitmap->GetHeight() : 0; }

void TJPEGImage::Draw(TCanvas* ACanvas, const TRect& Rect) {
  if (FBitmap && ACanvas) FBitmap->Draw(ACanvas, Rect);
}

void TJPEGImage::LoadFromBytes(const std::string& Bytes) {
  FBitmap.reset();
  std::vector<unsigned char> rgb;
  int w = 0, h = 0;
  char message[JMSG_LENGTH_MAX] = {};
  if (Bytes.empty()) throw EInvalidGraphic(u"JPEG error: no data");
  if (!DecodeRgb(reinterpret_cast<const unsigned char*>(Bytes.data()), Bytes.size(), rgb, w, h, message)) {
    Changed();
    throw EInvalidGraphic(u"JPEG error: " + FromUtf8(message));
  }
  auto bmp = std::make_unique<TBitmap>();
  bmp->SetSize(w, h);
  cairo_surface_t* s = bmp->Context()->Surface();
  cairo_surface_flush(s);
  unsigned char* px = cairo_image_surface_get_data(s);
  const int stride = cairo_image_surface_get_stride(s);
  for (int y = 0; y < h; ++y) {
    auto* out = reinterpret_cast<std::uint32_t*>(px + size_t(y) * size_t(stride));
    const unsigned char* in = rgb.data() + size_t(y) * size_t(w) * 3;
    for (int x = 0; x < w; ++x)
      out[x] = 0xFF000000u | (std::uint32_t(in[3 * x]) << 16) | (std::uint32_t(in[3 * x + 1]) << 8) | in[3 * x + 2];
  }
  cairo_surface_mark_dirty(s);
  FBitmap = std::move(bmp);
  Changed();
}

void TJPEGImage::LoadFromStream(TStream* Stream) {
  std::string bytes;
  char buf[65536];
  for (;;) {
    const Integer n = Stream->Read(buf, sizeof buf);
    if (n <= 0) break;
    bytes.append(buf, size_t(n));
  }
  LoadFromBytes(bytes);
}

void TJPEGImage::LoadFromFile(const String& FileName) {
  TFileStream f(FileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(&f);
}

void TJPEGImage::SaveToFile(const String& FileName) {
  if (FBitmap) FBitmap->SaveToFile(FileName);
}

void LoadPictureFile(TPicture* Picture, const String& FileName) {
  const size_t dot = FileName.rfind(u'.');
  String ext = dot == String::npos ? String() : FileName.substr(dot);
  for (Char& c : ext)
    if (c >= u'A' && c <= u'Z') c = Char(c + 32);
  if (ext != u".jpg" && ext != u".jpeg" && ext != u".jpe") {
    Picture->LoadFromFile(FileName);
    return;
  }
  TJPEGImage jpeg;
  try {
    jpeg.LoadFromFile(FileName);
  } catch (...) {
    Picture->SetGraphic(nullptr);
    throw;
  }
  Picture->SetGraphic(jpeg.GetBitmap());
}
