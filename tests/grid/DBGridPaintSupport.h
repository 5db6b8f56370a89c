#pragma once
// Painting a data grid for tests: into a bitmap of the grid's client size with a
// recorder on it (what was drawn, call by call), or through the window's own
// paint message and read back as pixels.
//
//   PaintGrid paint(Grid);               // one paint message carrying a bitmap's context
//   auto texts = paint.TextsIn(Grid->CellRect(1, 2));
//   EXPECT_EQ(paint.Pixel(30, 40), clWhite);

#include <cairo.h>

#include <cstdint>
#include <vector>

#include "grid/DBGridEh.h"
#include "platform/backend/Headless.h"
#include "platform/ui/GDI.h"

class PaintGrid {
public:
  explicit PaintGrid(TCustomDBGridEh* Grid) {
    FBitmap.SetSize(std::max(1, Grid->GetClientWidth()), std::max(1, Grid->GetClientHeight()));
    HDC DC = FBitmap.GetCanvas()->GetHandle();
    SetGdiRecorder(DC, &Recorder);
    Grid->Perform(WM_PAINT, reinterpret_cast<WPARAM>(DC), 0);
    SetGdiRecorder(DC, nullptr);
  }

  TGdiRecorder Recorder;

  // The texts drawn inside R (by their rectangle, or their origin when they have none).
  std::vector<const TGdiOp*> TextsIn(const TRect& R) const {
    std::vector<const TGdiOp*> Result;
    for (const TGdiOp* Op : Recorder.OfKind(gopText))
      if (Inside(*Op, R)) Result.push_back(Op);
    return Result;
  }
  // The first text drawn inside R that reads Text, or null.
  const TGdiOp* Text(const TRect& R, const String& Text) const {
    for (const TGdiOp* Op : TextsIn(R))
      if (Op->Text == Text) return Op;
    return nullptr;
  }
  // The fills that cover R wholly, in drawing order: filled rectangles and texts
  // written with their rectangle filled.
  std::vector<const TGdiOp*> FillsCovering(const TRect& R) const {
    std::vector<const TGdiOp*> Result;
    for (const TGdiOp& Op : Recorder.Ops) {
      const bool Fill = (Op.Kind == gopFillRect && !Op.Hollow) ||
                        (Op.Kind == gopText && Op.Type == gtxExtTextOut && (Op.Flags & ETO_OPAQUE));
      if (Fill && Op.Rect.Left <= R.Left && Op.Rect.Top <= R.Top && Op.Rect.Right >= R.Right &&
          Op.Rect.Bottom >= R.Bottom)
        Result.push_back(&Op);
    }
    return Result;
  }
  // The colour the last fill covering R gave it.
  COLORREF Background(const TRect& R) const {
    const auto Fills = FillsCovering(R);
    if (Fills.empty()) return CLR_INVALID;
    return Fills.back()->Kind == gopText ? Fills.back()->BkColor : Fills.back()->Color;
  }
  std::vector<const TGdiOp*> ImagesIn(const TRect& R) const {
    std::vector<const TGdiOp*> Result;
    for (const TGdiOp* Op : Recorder.OfKind(gopImage))
      if (Overlaps(Op->Rect, R)) Result.push_back(Op);
    return Result;
  }
  std::vector<const TGdiOp*> NotesIn(const String& What, const TRect& R) const {
    std::vector<const TGdiOp*> Result;
    for (const TGdiOp* Op : Recorder.Notes(What))
      if (Overlaps(Op->Rect, R)) Result.push_back(Op);
    return Result;
  }
  std::vector<const TGdiOp*> Of(TGdiOpKind Kind, const TRect& R) const {
    std::vector<const TGdiOp*> Result;
    for (const TGdiOp* Op : Recorder.OfKind(Kind))
      if (Overlaps(Op->Rect, R)) Result.push_back(Op);
    return Result;
  }
  TColor Pixel(Integer X, Integer Y) const {
    cairo_surface_t* S = FBitmap.Context()->Surface();
    cairo_surface_flush(S);
    const unsigned char* Row = cairo_image_surface_get_data(S) + std::ptrdiff_t(Y) * cairo_image_surface_get_stride(S);
    const std::uint32_t P = reinterpret_cast<const std::uint32_t*>(Row)[X];
    return TColor(((P >> 16) & 0xFF) | (P & 0xFF00) | ((P & 0xFF) << 16));
  }
  TBitmap& Bitmap() { return FBitmap; }

  static bool Overlaps(const TRect& A, const TRect& B) {
    return A.Left < B.Right && B.Left < A.Right && A.Top < B.Bottom && B.Top < A.Bottom;
  }

private:
  static bool Inside(const TGdiOp& Op, const TRect& R) {
    if (Op.Rect.IsEmpty())
      return Op.Origin.X >= R.Left && Op.Origin.X < R.Right && Op.Origin.Y >= R.Top && Op.Origin.Y < R.Bottom;
    return Overlaps(Op.Rect, R) && Op.Origin.X >= R.Left - 4 && Op.Origin.X < R.Right;
  }
  TBitmap FBitmap;
};

// The window's own pixels after a paint message without a context.
inline std::vector<TColor> WindowPixels(TCustomDBGridEh* Grid, THeadlessDisplay& Display) {
  std::vector<TColor> Pixels;
  const Integer W = Grid->GetClientWidth(), H = Grid->GetClientHeight();
  Pixels.reserve(size_t(W) * size_t(H));
  for (Integer Y = 0; Y < H; ++Y)
    for (Integer X = 0; X < W; ++X) Pixels.push_back(Display.PixelAt(Grid->GetHandle(), X, Y));
  return Pixels;
}
