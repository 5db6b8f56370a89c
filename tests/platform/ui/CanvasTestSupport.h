#pragma once
// A bitmap to draw on in canvas and GDI tests, with exact pixel reads that bypass
// the clip (so tests can see what a clipped call left alone).

#include <cairo.h>

#include <cstdint>
#include <vector>

#include "platform/ui/GDI.h"

class TestImage {
public:
  explicit TestImage(Integer W = 100, Integer H = 100, TColor Background = clWhite) {
    FBmp.SetSize(W, H);
    TCanvas* c = Canvas();
    c->GetBrush()->SetColor(Background);
    c->FillRect(Rect(0, 0, W, H));
  }
  TBitmap& Bitmap() { return FBmp; }
  TCanvas* Canvas() { return FBmp.GetCanvas(); }
  HDC DC() { return Canvas()->GetHandle(); }
  Integer Width() const { return FBmp.GetWidth(); }
  Integer Height() const { return FBmp.GetHeight(); }

  // The colour at a pixel as $00BBGGRR.
  TColor At(Integer X, Integer Y) const {
    cairo_surface_t* s = FBmp.Context()->Surface();
    cairo_surface_flush(s);
    const unsigned char* row =
        cairo_image_surface_get_data(s) + static_cast<std::ptrdiff_t>(Y) * cairo_image_surface_get_stride(s);
    const std::uint32_t p = reinterpret_cast<const std::uint32_t*>(row)[X];
    return static_cast<TColor>(((p >> 16) & 0xFF) | (p & 0xFF00) | ((p & 0xFF) << 16));
  }
  std::vector<std::uint32_t> Raw() const {
    cairo_surface_t* s = FBmp.Context()->Surface();
    cairo_surface_flush(s);
    const unsigned char* data = cairo_image_surface_get_data(s);
    const int stride = cairo_image_surface_get_stride(s);
    std::vector<std::uint32_t> out;
    out.reserve(static_cast<size_t>(Width()) * static_cast<size_t>(Height()));
    for (Integer y = 0; y < Height(); ++y) {
      auto* row = reinterpret_cast<const std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride);
      out.insert(out.end(), row, row + Width());
    }
    return out;
  }
  // Pixels that differ from Colour inside R.
  Integer CountNot(const TRect& R, TColor Colour) const {
    Integer n = 0;
    for (Integer y = R.Top; y < R.Bottom; ++y)
      for (Integer x = R.Left; x < R.Right; ++x)
        if (At(x, y) != Colour) ++n;
    return n;
  }

private:
  TBitmap FBmp;
};

// Installs a text engine for the life of a test.
class ScopedTextEngine {
public:
  explicit ScopedTextEngine(TTextEngine* E) : FPrev(SetTextEngine(E)) {}
  ~ScopedTextEngine() { SetTextEngine(FPrev); }

private:
  TTextEngine* FPrev;
};
