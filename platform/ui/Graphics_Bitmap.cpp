// Bitmaps (32-bit images with a canvas; BMP files in, PNG out) and
// the picture holder.

#include <cairo.h>

#include <cstring>
#include <fstream>
#include <iterator>

#include "platform/core/Streams.h"
#include "platform/ui/GDI.h"
#include "platform/ui/Graphics.h"

namespace {

const String kInvalidBitmap = u"Bitmap image is not valid";

cairo_surface_t* NewWhiteSurface(Integer W, Integer H) {
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, W, H);
  cairo_t* cr = cairo_create(s);
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_paint(cr);
  cairo_destroy(cr);
  return s;
}

std::uint32_t ReadLE(const std::vector<Byte>& b, size_t at, size_t n) {
  std::uint32_t v = 0;
  for (size_t i = 0; i < n; ++i) v |= static_cast<std::uint32_t>(b[at + i]) << (8 * i);
  return v;
}

}  // namespace

TBitmap::TBitmap() : FContext(std::make_unique<TDeviceContext>(nullptr, TPoint())) {}

TBitmap::~TBitmap() {
  // The canvas refers to the context; drop it first.
  FCanvas.reset();
}

void TBitmap::SetSize(Integer AWidth, Integer AHeight) {
  AWidth = std::max(0, AWidth);
  AHeight = std::max(0, AHeight);
  if (AWidth == FWidth && AHeight == FHeight) return;
  cairo_surface_t* next = nullptr;
  if (AWidth > 0 && AHeight > 0) {
    next = NewWhiteSurface(AWidth, AHeight);
    if (cairo_surface_t* old = FContext->Surface()) {
      cairo_t* cr = cairo_create(next);
      cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
      cairo_set_source_surface(cr, old, 0, 0);
      cairo_rectangle(cr, 0, 0, std::min(AWidth, FWidth), std::min(AHeight, FHeight));
      cairo_fill(cr);
      cairo_destroy(cr);
    }
  }
  FContext->SetSurface(next, TPoint());
  if (next) cairo_surface_destroy(next);  // the context holds its own reference
  FWidth = AWidth;
  FHeight = AHeight;
  FHandle.reset();
  Changed();
}

TCanvas* TBitmap::GetCanvas() {
  if (!FCanvas) {
    FCanvas = std::make_unique<TCanvas>();
    FCanvas->SetHandle(FContext.get());
  }
  return FCanvas.get();
}

HBITMAP TBitmap::GetHandle() const {
  if (!FContext->Surface()) return nullptr;
  if (!FHandle) {
    auto h = std::make_unique<TGdiBitmap>(FContext->Surface());
    h->Permanent = true;
    const_cast<TBitmap*>(this)->FHandle = std::move(h);
  }
  return FHandle.get();
}

void TBitmap::Assign(const TBitmap* Source) {
  if (!Source || Source == this) return;
  SetSize(0, 0);
  SetSize(Source->FWidth, Source->FHeight);
  if (Source->FContext->Surface() && FContext->Surface()) {
    cairo_t* cr = cairo_create(FContext->Surface());
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_surface(cr, Source->FContext->Surface(), 0, 0);
    cairo_paint(cr);
    cairo_destroy(cr);
  }
  FPixelFormat = Source->FPixelFormat;
  FTransparent = Source->FTransparent;
  FTransparentMode = Source->FTransparentMode;
  FTransparentColor = Source->FTransparentColor;
  Changed();
}

TColor TBitmap::GetTransparentColor() const {
  if (FTransparentMode == tmFixed && FTransparentColor != clDefault) return ColorToRGB(FTransparentColor);
  if (!FContext->Surface()) return clDefault;
  const COLORREF c = ::GetPixel(FContext.get(), 0, FHeight - 1);
  return static_cast<TColor>(c);
}

void TBitmap::SetTransparentColor(TColor v) {
  FTransparentColor = v;
  FTransparentMode = v == clDefault ? tmAuto : tmFixed;
  Changed();
}

void TBitmap::Draw(TCanvas* ACanvas, const TRect& Rect) {
  if (!ACanvas || GetEmpty() || Rect.IsEmpty()) return;
  HDC dest = ACanvas->GetHandle();
  if (!FTransparent) {
    StretchBlt(dest, Rect.Left, Rect.Top, Rect.Width(), Rect.Height(), FContext.get(), 0, 0, FWidth, FHeight,
               ACanvas->GetCopyMode());
    return;
  }
  // Transparent: every pixel of the transparent colour leaves the canvas as it is.
  const COLORREF key = static_cast<COLORREF>(GetTransparentColor()) & 0xFFFFFF;
  cairo_surface_t* src = FContext->Surface();
  cairo_surface_flush(src);
  const TRect d = dest->ToSurface(Rect);
  dest->ForClippedRects(d, [&](const TRect& r) {
    for (Integer y = r.Top; y < r.Bottom; ++y) {
      const Integer v = static_cast<Integer>(static_cast<Int64>(y - d.Top) * FHeight / d.Height());
      const std::uint32_t* srow = FContext->PixelRow(v);
      std::uint32_t* drow = dest->PixelRow(y);
      for (Integer x = r.Left; x < r.Right; ++x) {
        const Integer u = static_cast<Integer>(static_cast<Int64>(x - d.Left) * FWidth / d.Width());
        const std::uint32_t p = srow[u];
        const COLORREF c = ((p >> 16) & 0xFF) | (p & 0xFF00) | ((p & 0xFF) << 16);
        if (c != key) drow[x] = p | 0xFF000000u;
      }
    }
  });
}

void TBitmap::LoadFromFile(const String& FileName) {
  std::ifstream in(ToUtf8(FileName), std::ios::binary);
  if (!in) throw EFOpenError(u"Cannot open file \"" + FileName + u"\"");
  LoadFromBytes(std::vector<Byte>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()));
}

void TBitmap::LoadFromStream(TStream* Stream) {
  std::vector<Byte> b(static_cast<size_t>(std::max<Int64>(0, Stream->GetSize() - Stream->GetPosition())));
  if (!b.empty()) Stream->ReadBuffer(b.data(), static_cast<Integer>(b.size()));
  LoadFromBytes(b);
}

void TBitmap::SaveToStream(TStream* Stream) const {
  // An uncompressed 24-bit BMP, bottom row first, rows padded to four bytes.
  const std::uint32_t stride = (static_cast<std::uint32_t>(FWidth) * 3 + 3) / 4 * 4;
  const std::uint32_t imageSize = stride * static_cast<std::uint32_t>(FHeight);
  std::vector<Byte> b(54 + size_t(imageSize), 0);
  auto put = [&b](size_t at, std::uint32_t value, size_t n) {
    for (size_t i = 0; i < n; ++i) b[at + i] = Byte(value >> (8 * i));
  };
  b[0] = 'B';
  b[1] = 'M';
  put(2, 54 + imageSize, 4);
  put(10, 54, 4);
  put(14, 40, 4);
  put(18, static_cast<std::uint32_t>(FWidth), 4);
  put(22, static_cast<std::uint32_t>(FHeight), 4);
  put(26, 1, 2);
  put(28, 24, 2);
  put(34, imageSize, 4);
  if (FContext && FWidth > 0 && FHeight > 0) {
    cairo_surface_flush(FContext->Surface());
    for (Integer y = 0; y < FHeight; ++y) {
      const std::uint32_t* row = FContext->PixelRow(y);
      Byte* out = b.data() + 54 + size_t(FHeight - 1 - y) * stride;
      for (Integer x = 0; x < FWidth; ++x, out += 3) {
        out[0] = Byte(row[x]);
        out[1] = Byte(row[x] >> 8);
        out[2] = Byte(row[x] >> 16);
      }
    }
  }
  Stream->WriteBuffer(b.data(), static_cast<Integer>(b.size()));
}

void TBitmap::LoadFromBytes(const std::vector<Byte>& b) {
  // File header (14 bytes), then a core (12) or info (>= 40) header.
  if (b.size() < 26 || b[0] != 'B' || b[1] != 'M') throw EInvalidGraphic(kInvalidBitmap);
  const std::uint32_t offBits = ReadLE(b, 10, 4);
  const std::uint32_t hdrSize = ReadLE(b, 14, 4);
  Int64 width, height;
  std::uint32_t bpp, compression = 0, clrUsed = 0;
  size_t paletteEntry;
  if (hdrSize == 12) {
    width = ReadLE(b, 18, 2);
    height = static_cast<std::int16_t>(ReadLE(b, 20, 2));
    bpp = ReadLE(b, 24, 2);
    paletteEntry = 3;
  } else if (hdrSize >= 40 && b.size() >= 14 + static_cast<size_t>(hdrSize)) {
    width = static_cast<std::int32_t>(ReadLE(b, 18, 4));
    height = static_cast<std::int32_t>(ReadLE(b, 22, 4));
    bpp = ReadLE(b, 28, 2);
    compression = ReadLE(b, 30, 4);
    clrUsed = ReadLE(b, 46, 4);
    paletteEntry = 4;
  } else {
    throw EInvalidGraphic(kInvalidBitmap);
  }
  const bool topDown = height < 0;
  if (topDown) height = -height;
  // BI_RGB, or BI_BITFIELDS for 32 bits with the usual masks.
  const bool supported = (bpp == 1 || bpp == 4 || bpp == 8 || bpp == 24 || bpp == 32) &&
                         (compression == 0 || (compression == 3 && bpp == 32));
  if (!supported || width <= 0 || height <= 0 || width > 32767 || height > 32767) throw EInvalidGraphic(kInvalidBitmap);
  const size_t paletteAt = 14 + hdrSize;
  size_t colors = 0;
  if (bpp <= 8) colors = clrUsed ? clrUsed : (1u << bpp);
  if (colors > 256 || paletteAt + colors * paletteEntry > b.size()) throw EInvalidGraphic(kInvalidBitmap);
  const size_t stride = ((static_cast<size_t>(width) * bpp + 31) / 32) * 4;
  if (offBits > b.size() || stride * static_cast<size_t>(height) > b.size() - offBits)
    throw EInvalidGraphic(kInvalidBitmap);

  SetSize(0, 0);
  SetSize(static_cast<Integer>(width), static_cast<Integer>(height));
  cairo_surface_t* s = FContext->Surface();
  cairo_surface_flush(s);
  for (Int64 row = 0; row < height; ++row) {
    const Byte* src = b.data() + offBits + static_cast<size_t>(row) * stride;
    const Integer y = static_cast<Integer>(topDown ? row : height - 1 - row);
    std::uint32_t* dst = FContext->PixelRow(y);
    for (Int64 x = 0; x < width; ++x) {
      std::uint32_t rgb;  // 0x00RRGGBB
      if (bpp <= 8) {
        const size_t bit = static_cast<size_t>(x) * bpp;
        const unsigned idx = (src[bit / 8] >> (8 - bpp - bit % 8)) & ((1u << bpp) - 1);
        if (idx >= colors) throw EInvalidGraphic(kInvalidBitmap);
        const Byte* p = b.data() + paletteAt + idx * paletteEntry;
        rgb = (static_cast<std::uint32_t>(p[2]) << 16) | (p[1] << 8) | p[0];
      } else {
        const Byte* p = src + static_cast<size_t>(x) * (bpp / 8);
        rgb = (static_cast<std::uint32_t>(p[2]) << 16) | (p[1] << 8) | p[0];
      }
      dst[x] = 0xFF000000u | rgb;
    }
  }
  cairo_surface_mark_dirty(s);
  FPixelFormat = bpp == 1 ? pf1bit : bpp == 4 ? pf4bit : bpp == 8 ? pf8bit : bpp == 24 ? pf24bit : pf32bit;
  Changed();
}

void TBitmap::SaveToFile(const String& FileName) {
  cairo_surface_t* s = FContext->Surface();
  if (!s) throw EInvalidGraphic(kInvalidBitmap);
  cairo_surface_flush(s);
  if (cairo_surface_write_to_png(s, ToUtf8(FileName).c_str()) != CAIRO_STATUS_SUCCESS)
    throw EFCreateError(u"Cannot create file \"" + FileName + u"\"");
}

// ---------------------------------------------------------------------------
// TPicture

TPicture::TPicture() = default;
TPicture::~TPicture() = default;

void TPicture::SetGraphic(TGraphic* Value) {
  if (!Value) {
    FGraphic.reset();
  } else if (auto* bmp = dynamic_cast<TBitmap*>(Value)) {
    if (bmp == FGraphic.get()) return;
    auto copy = std::make_unique<TBitmap>();
    copy->Assign(bmp);
    FGraphic = std::move(copy);
  } else {
    throw EInvalidGraphic(u"Unsupported graphic");
  }
  if (OnChange) OnChange(this);
}

TBitmap* TPicture::GetBitmap() {
  if (!dynamic_cast<TBitmap*>(FGraphic.get())) FGraphic = std::make_unique<TBitmap>();
  return static_cast<TBitmap*>(FGraphic.get());
}

void TPicture::LoadFromFile(const String& FileName) {
  const size_t dot = FileName.rfind(u'.');
  String ext = dot == String::npos ? String() : FileName.substr(dot);
  for (Char& c : ext)
    if (c >= u'A' && c <= u'Z') c = static_cast<Char>(c + 32);
  if (ext != u".bmp") throw EInvalidGraphic(u"Unknown picture file extension (" + ext + u")");
  auto bmp = std::make_unique<TBitmap>();
  bmp->LoadFromFile(FileName);
  FGraphic = std::move(bmp);
  if (OnChange) OnChange(this);
}

void TPicture::SaveToFile(const String& FileName) {
  if (FGraphic) FGraphic->SaveToFile(FileName);
}

void TPicture::Assign(const TPicture* Source) {
  if (!Source || Source == this) return;
  SetGraphic(Source->FGraphic.get());
}
