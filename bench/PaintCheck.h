#pragma once
// What the repaint benchmarks check of what was painted, off the clock: the
// pixels a window's last paint left and those of a bitmap, read as images and
// compared cell by cell, and whether a text a paint drew in a cell is seen.
#include <cairo.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "platform/ui/GDI.h"
#include "platform/ui/Graphics.h"
#include "platform/ui/Windows.h"

// Pixels as the surface holds them (0xAARRGGBB), row after row.
struct TPaintedImage {
  Integer Width = 0, Height = 0;
  std::vector<std::uint32_t> Pixels;

  std::uint32_t At(Integer X, Integer Y) const { return Pixels[size_t(Y) * size_t(Width) + size_t(X)]; }

  // Whether B holds the same pixels inside R (clipped to both images).
  bool SameInside(const TPaintedImage& B, const TRect& R) const {
    for (Integer Y = std::max<Integer>(R.Top, 0); Y < std::min({R.Bottom, Height, B.Height}); ++Y)
      for (Integer X = std::max<Integer>(R.Left, 0); X < std::min({R.Right, Width, B.Width}); ++X)
        if (At(X, Y) != B.At(X, Y)) return false;
    return true;
  }
  // Whether something besides the colour of R's top-left pixel was drawn inside R:
  // a cell whose text was written is not all its background.
  bool InkInside(const TRect& R) const {
    if (R.IsEmpty() || R.Left < 0 || R.Top < 0 || R.Right > Width || R.Bottom > Height) return false;
    const std::uint32_t Background = At(R.Left, R.Top);
    for (Integer Y = R.Top; Y < R.Bottom; ++Y)
      for (Integer X = R.Left; X < R.Right; ++X)
        if (At(X, Y) != Background) return true;
    return false;
  }
};

// Where a text drawn in Cell shows: from where it starts (past a tree's lines
// and buttons) to the cell's far edges, inside its clip rectangle when it has
// one, and a pixel in from the cell's edges, where a focus rectangle goes. Its
// top-left pixel lies above the text: the cell's background.
inline TRect TextArea(const TGdiOp& Text, const TRect& Cell) {
  TRect Area(std::max(Cell.Left + 1, Text.Origin.X), Cell.Top + 1, Cell.Right - 1, Cell.Bottom - 1);
  if (!Text.Rect.IsEmpty()) {
    Area.Left = std::max(Area.Left, Text.Rect.Left);
    Area.Right = std::min(Area.Right, Text.Rect.Right);
  }
  return Area;
}

// Whether a text the paint drew in Cell (null: none was) shows in Image: a text
// drawn in its cell's background colour was drawn but is not seen.
inline bool TextShows(const TPaintedImage& Image, const TGdiOp* Text, const TRect& Cell) {
  return Text && Image.InkInside(TextArea(*Text, Cell));
}

inline TPaintedImage ImageOfSurface(cairo_surface_t* Surface, Integer Left, Integer Top, Integer Width,
                                    Integer Height) {
  TPaintedImage Image;
  if (!Surface) return Image;
  cairo_surface_flush(Surface);
  const unsigned char* Data = cairo_image_surface_get_data(Surface);
  const int Stride = cairo_image_surface_get_stride(Surface);
  Width = std::min<Integer>(Width, cairo_image_surface_get_width(Surface) - Left);
  Height = std::min<Integer>(Height, cairo_image_surface_get_height(Surface) - Top);
  if (Width <= 0 || Height <= 0 || Left < 0 || Top < 0) return Image;
  Image.Width = Width;
  Image.Height = Height;
  Image.Pixels.reserve(size_t(Width) * size_t(Height));
  for (Integer Y = 0; Y < Height; ++Y) {
    const auto* Row = reinterpret_cast<const std::uint32_t*>(Data + std::ptrdiff_t(Top + Y) * Stride) + Left;
    Image.Pixels.insert(Image.Pixels.end(), Row, Row + Width);
  }
  return Image;
}

// The client area of Wnd as the window's paints left it on screen (nothing
// pending is painted first: the image is what the last paint made).
inline TPaintedImage WindowImage(HWND Wnd, Integer ClientWidth, Integer ClientHeight) {
  const HWND Top = GetAncestorTop(Wnd);
  TPoint Origin(0, 0);
  ClientToScreen(Wnd, Origin);
  const TRect Frame = GetWindowRect(Top);
  return ImageOfSurface(GetWindowSurface(Top), Origin.X - Frame.Left, Origin.Y - Frame.Top, ClientWidth, ClientHeight);
}

inline TPaintedImage BitmapImage(TBitmap& Bitmap) {
  return ImageOfSurface(Bitmap.Context()->Surface(), 0, 0, Bitmap.GetWidth(), Bitmap.GetHeight());
}
