// Lines, shapes, fills, focus rectangles, edges, frame controls and blits.
//
// 1-px (cosmetic) lines and axis-aligned fills are written straight into the pixels,
// so they are exact and raster operations (XOR, NOT...) act on the bits. Wide pens,
// polygons and ellipses go through cairo without antialiasing.

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "platform/ui/GDI.h"

namespace {

inline COLORREF Rgb(TColor c) { return static_cast<COLORREF>(ColorToRGB(c)) & 0xFFFFFF; }
inline COLORREF Sys(Integer index) { return GetSysColor(index); }

inline std::uint32_t PixelOf(COLORREF c) {
  return 0xFF000000u | ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}
inline COLORREF ColorOfPixel(std::uint32_t p) { return ((p >> 16) & 0xFF) | (p & 0xFF00) | ((p & 0xFF) << 16); }
inline std::uint32_t ApplyRop2(std::uint32_t d, std::uint32_t p, Integer rop) {
  const unsigned t = static_cast<unsigned>(rop - 1);
  std::uint32_t r = 0;
  if (t & 1) r |= ~p & ~d;
  if (t & 2) r |= ~p & d;
  if (t & 4) r |= p & ~d;
  if (t & 8) r |= p & d;
  return (r & 0x00FFFFFFu) | 0xFF000000u;
}

// Fill a logical rectangle with a colour (copy).
void FillLogical(HDC DC, const TRect& R, COLORREF c) {
  if (R.IsEmpty()) return;
  DC->RopRect(DC->ToSurface(R), c, R2_COPYPEN);
}

// What a recorded fill and a recorded line carry besides their kind.
void RecordFill(TGdiOp& Op, const TRect& R, const TBrushData& Brush) {
  Op.Rect = R;
  Op.Color = Rgb(Brush.Color);
  Op.Hollow = Brush.Style == bsClear;
}

void RecordLine(TGdiOp& Op, HDC DC, std::vector<TPoint> Points) {
  TRect Bounds(Points.front().X, Points.front().Y, Points.front().X, Points.front().Y);
  for (const TPoint& P : Points)
    Bounds = TRect(std::min(Bounds.Left, P.X), std::min(Bounds.Top, P.Y), std::max(Bounds.Right, P.X),
                   std::max(Bounds.Bottom, P.Y));
  Op.Rect = Bounds;
  Op.Points = std::move(Points);
  Op.Counts = {DWORD(Op.Points.size())};
  Op.Color = Rgb(DC->S.Pen.Color);
  Op.PenStyle = DC->S.Pen.Style;
}

// ---- Cosmetic line rasteriser ---------------------------------------------------

struct Pixel {
  Integer X, Y;
  bool On;  // false: a gap of a styled pen
};

// On/off run lengths of the styled cosmetic pens, in pixels.
const std::vector<Integer>& StylePattern(TPenStyle s) {
  static const std::vector<Integer> solid;
  static const std::vector<Integer> dash{18, 6};
  static const std::vector<Integer> dot{3, 3};
  static const std::vector<Integer> dashDot{9, 6, 3, 6};
  static const std::vector<Integer> dashDotDot{9, 3, 3, 3, 3, 3};
  switch (s) {
    case psDash: return dash;
    case psDot: return dot;
    case psDashDot: return dashDot;
    case psDashDotDot: return dashDotDot;
    default: return solid;
  }
}

class LineRasteriser {
public:
  LineRasteriser(HDC dc) : FDC(dc), FPattern(StylePattern(dc->S.Pen.Style)) {
    for (Integer n : FPattern) FPatternLength += n;
    FBounds = dc->Surface() ? dc->EffectiveClip().Bounds() : TRect();
  }

  // Adds the pixels of a segment in surface coordinates, without its end point:
  // step k of n along the longer axis, the other coordinate rounded. Only the
  // steps that can land inside the clip are walked, so far-away end points cost
  // nothing; the dash pattern still counts every step.
  void Segment(TPoint a, TPoint b) {
    const Int64 dx = static_cast<Int64>(b.X) - a.X, dy = static_cast<Int64>(b.Y) - a.Y;
    const Int64 n = std::max(std::abs(dx), std::abs(dy));
    if (n == 0) return;
    double lo = 0, hi = static_cast<double>(n);
    auto limit = [&](Int64 start, Int64 d, Integer min, Integer max) {
      // start + k * d / n must stay within [min - 1, max + 1].
      if (d == 0) {
        if (start < min - 1 || start > max + 1) hi = -1;
        return;
      }
      double k0 = (static_cast<double>(min - 1 - start)) * n / d;
      double k1 = (static_cast<double>(max + 1 - start)) * n / d;
      if (k0 > k1) std::swap(k0, k1);
      lo = std::max(lo, k0);
      hi = std::min(hi, k1);
    };
    limit(a.X, dx, FBounds.Left, FBounds.Right);
    limit(a.Y, dy, FBounds.Top, FBounds.Bottom);
    if (hi >= lo && !FBounds.IsEmpty()) {
      const Int64 kFrom = std::max<Int64>(0, static_cast<Int64>(std::floor(lo)) - 1);
      const Int64 kTo = std::min<Int64>(n, static_cast<Int64>(std::ceil(hi)) + 1);
      for (Int64 k = kFrom; k < kTo; ++k) {
        const Integer x = static_cast<Integer>(a.X + RoundDiv(k * dx, n));
        const Integer y = static_cast<Integer>(a.Y + RoundDiv(k * dy, n));
        Emit(TPoint(x, y), FPhase + k);
      }
    }
    FPhase += n;
  }

  // Axis-aligned solid segments are filled as rectangles: the fast, common case.
  bool TryFastSegment(TPoint a, TPoint b) {
    TRect r;
    if (!FPattern.empty() || !AxisSegmentRect(a, b, r)) return false;
    FDC->RopRect(r, Rgb(FDC->S.Pen.Color), FDC->S.Rop2);
    return true;
  }

  // The pixels of an axis-aligned segment without its end point.
  static bool AxisSegmentRect(TPoint a, TPoint b, TRect& r) {
    if (a.X != b.X && a.Y != b.Y) return false;
    if (a.Y == b.Y) r = a.X <= b.X ? TRect(a.X, a.Y, b.X, a.Y + 1) : TRect(b.X + 1, a.Y, a.X + 1, a.Y + 1);
    else r = a.Y <= b.Y ? TRect(a.X, a.Y, a.X + 1, b.Y) : TRect(a.X, b.Y + 1, a.X + 1, a.Y + 1);
    return true;
  }

  void Flush() {
    if (FPixels.empty()) return;
    TRect box(FPixels[0].X, FPixels[0].Y, FPixels[0].X + 1, FPixels[0].Y + 1);
    for (const Pixel& p : FPixels) {
      box.Left = std::min(box.Left, p.X);
      box.Top = std::min(box.Top, p.Y);
      box.Right = std::max(box.Right, p.X + 1);
      box.Bottom = std::max(box.Bottom, p.Y + 1);
    }
    const Integer rop = FDC->S.Rop2;
    const std::uint32_t on = PixelOf(Rgb(FDC->S.Pen.Color));
    const std::uint32_t off = PixelOf(FDC->S.BkColor);
    const bool opaqueGaps = FDC->S.BkMode == OPAQUE;
    FDC->ForClippedRects(box, [&](const TRect& r) {
      for (const Pixel& p : FPixels) {
        if (!r.Contains(TPoint(p.X, p.Y))) continue;
        if (!p.On && !opaqueGaps) continue;
        std::uint32_t& d = FDC->PixelRow(p.Y)[p.X];
        d = ApplyRop2(d, p.On ? on : off, rop);
      }
    });
    FPixels.clear();
  }

private:
  // Rounds num / den to the nearest integer, halves upwards; den > 0.
  static Int64 RoundDiv(Int64 num, Int64 den) {
    const Int64 twice = 2 * num + den;
    const Int64 q = twice / (2 * den);
    return (twice % (2 * den) != 0 && twice < 0) ? q - 1 : q;
  }

  void Emit(TPoint p, Int64 step) {
    bool on = true;
    if (FPatternLength > 0) {
      Int64 pos = step % FPatternLength;
      for (size_t i = 0; i < FPattern.size(); ++i) {
        if (pos < FPattern[i]) {
          on = (i % 2) == 0;
          break;
        }
        pos -= FPattern[i];
      }
    }
    FPixels.push_back({p.X, p.Y, on});
  }

  HDC FDC;
  const std::vector<Integer>& FPattern;
  Int64 FPatternLength = 0;
  Int64 FPhase = 0;
  TRect FBounds;
  std::vector<Pixel> FPixels;
};

bool WidePen(HDC DC) { return DC->S.Pen.Width > 1; }

void ApplyPenToCairo(HDC DC, cairo_t* cr) {
  const TPenData& p = DC->S.Pen;
  cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
  cairo_set_line_width(cr, p.Width);
  cairo_line_cap_t cap = CAIRO_LINE_CAP_ROUND;
  cairo_line_join_t join = CAIRO_LINE_JOIN_ROUND;
  if (p.Geometric) {
    cap = p.EndCap == pecFlat     ? CAIRO_LINE_CAP_BUTT
          : p.EndCap == pecSquare ? CAIRO_LINE_CAP_SQUARE
                                  : CAIRO_LINE_CAP_ROUND;
    join = p.Join == pjMiter   ? CAIRO_LINE_JOIN_MITER
           : p.Join == pjBevel ? CAIRO_LINE_JOIN_BEVEL
                               : CAIRO_LINE_JOIN_ROUND;
  }
  cairo_set_line_cap(cr, cap);
  cairo_set_line_join(cr, join);
  SetCairoSource(cr, Rgb(p.Color));
}

// Draws connected segments through surface points with the DC's pen.
void StrokePath(HDC DC, const std::vector<TPoint>& pts, bool closed) {
  if (pts.size() < 2 || DC->S.Pen.Style == psClear || DC->S.Rop2 == R2_NOP) return;
  if (WidePen(DC)) {
    cairo_t* cr = DC->Cairo();
    if (!cr) return;
    cairo_save(cr);
    ApplyPenToCairo(DC, cr);
    cairo_move_to(cr, pts[0].X + 0.5, pts[0].Y + 0.5);
    for (size_t i = 1; i < pts.size(); ++i) cairo_line_to(cr, pts[i].X + 0.5, pts[i].Y + 0.5);
    if (closed) cairo_close_path(cr);
    cairo_stroke(cr);
    cairo_restore(cr);
    return;
  }
  LineRasteriser lr(DC);
  const size_t n = pts.size();
  for (size_t i = 0; i + 1 < n; ++i)
    if (!lr.TryFastSegment(pts[i], pts[i + 1])) lr.Segment(pts[i], pts[i + 1]);
  if (closed && !lr.TryFastSegment(pts[n - 1], pts[0])) lr.Segment(pts[n - 1], pts[0]);
  lr.Flush();
}

// Two-point polylines of a thin solid pen, all axis-aligned, as StrokePath
// draws them, in one pass over the pixels: grid lines and dotted tree lines
// come as many such segments. False, with nothing drawn, when any needs StrokePath.
bool TryThinAxisSegments(HDC DC, const TPoint* Points, const DWORD* Counts, DWORD Polylines) {
  if (DC->S.Pen.Style == psClear || DC->S.Rop2 == R2_NOP || WidePen(DC) || !StylePattern(DC->S.Pen.Style).empty())
    return false;
  std::vector<TRect> rects;
  rects.reserve(Polylines);
  TRect box;
  for (DWORD i = 0; i < Polylines; ++i) {
    TRect r;
    if (Counts[i] != 2 ||
        !LineRasteriser::AxisSegmentRect(DC->ToSurface(Points[2 * i]), DC->ToSurface(Points[2 * i + 1]), r))
      return false;
    if (r.IsEmpty()) continue;
    box = rects.empty() ? r
                        : TRect(std::min(box.Left, r.Left), std::min(box.Top, r.Top), std::max(box.Right, r.Right),
                                std::max(box.Bottom, r.Bottom));
    rects.push_back(r);
  }
  if (rects.empty()) return true;
  const std::uint32_t p = PixelOf(Rgb(DC->S.Pen.Color));
  const Integer rop = DC->S.Rop2;
  // Each part of the clip is visited once, the segments in their order within it,
  // so overlapping segments combine as they would one after another.
  DC->ForClippedRects(box, [&](const TRect& part) {
    for (const TRect& r : rects) {
      TRect c;
      if (!IntersectRect(c, r, part)) continue;
      for (Integer y = c.Top; y < c.Bottom; ++y) {
        std::uint32_t* row = DC->PixelRow(y);
        if (rop == R2_COPYPEN) std::fill(row + c.Left, row + c.Right, p);
        else
          for (Integer x = c.Left; x < c.Right; ++x) row[x] = ApplyRop2(row[x], p, rop);
      }
    }
  });
  return true;
}

std::vector<TPoint> ToSurface(HDC DC, const TPoint* pts, Integer n) {
  std::vector<TPoint> out;
  out.reserve(static_cast<size_t>(std::max(0, n)));
  for (Integer i = 0; i < n; ++i) out.push_back(DC->ToSurface(pts[i]));
  return out;
}

// The fill colour of a brush, or false for a hollow brush.
bool BrushColor(const TBrushData& b, COLORREF& c) {
  if (b.Style == bsClear) return false;
  c = Rgb(b.Color);
  return true;
}

bool HatchOn(TBrushStyle s, Integer x, Integer y) {
  switch (s) {
    case bsHorizontal: return (y & 7) == 0;
    case bsVertical: return (x & 7) == 0;
    case bsFDiagonal: return ((x - y) & 7) == 0;
    case bsBDiagonal: return ((x + y) & 7) == 0;
    case bsCross: return (x & 7) == 0 || (y & 7) == 0;
    case bsDiagCross: return ((x - y) & 7) == 0 || ((x + y) & 7) == 0;
    default: return true;
  }
}

// Fills surface pixels with a brush; hatched brushes keep the gaps (transparent)
// or paint them with the background colour (opaque), as on the platform.
void FillWithBrush(HDC DC, const TRect& S, const TBrushData& b) {
  COLORREF c;
  if (!BrushColor(b, c)) return;
  if (b.Style == bsSolid) {
    DC->RopRect(S, c, R2_COPYPEN);
    return;
  }
  const std::uint32_t on = PixelOf(c), off = PixelOf(DC->S.BkColor);
  const bool opaque = DC->S.BkMode == OPAQUE;
  DC->ForClippedRects(S, [&](const TRect& r) {
    for (Integer y = r.Top; y < r.Bottom; ++y) {
      std::uint32_t* row = DC->PixelRow(y);
      for (Integer x = r.Left; x < r.Right; ++x) {
        if (HatchOn(b.Style, x, y)) row[x] = on;
        else if (opaque) row[x] = off;
      }
    }
  });
}

bool ResolveBrush(HBRUSH Brush, TBrushData& out) {
  const auto v = reinterpret_cast<std::uintptr_t>(Brush);
  if (v > 0 && v <= static_cast<std::uintptr_t>(COLOR_ENDCOLORS) + 1) {
    out.Color = static_cast<TColor>(GetSysColor(static_cast<Integer>(v) - 1));
    out.Style = bsSolid;
    return true;
  }
  if (!Brush || Brush->Kind != gokBrush) return false;
  out = static_cast<TGdiBrush*>(Brush)->Data;
  return true;
}

}  // namespace

// ---------------------------------------------------------------------------
// Lines and shapes

bool MoveToEx(HDC DC, Integer X, Integer Y, TPoint* Old) {
  if (!DC) return false;
  if (Old) *Old = DC->S.PenPos;
  DC->S.PenPos = TPoint(X, Y);
  return true;
}

bool GetCurrentPositionEx(HDC DC, TPoint& P) {
  if (!DC) return false;
  P = DC->S.PenPos;
  return true;
}

bool LineTo(HDC DC, Integer X, Integer Y) {
  if (!DC) return false;
  TGdiRecordScope Rec(DC, gopLine);
  if (Rec.Active()) RecordLine(Rec.Op(), DC, {DC->S.PenPos, TPoint(X, Y)});
  StrokePath(DC, {DC->ToSurface(DC->S.PenPos), DC->ToSurface(TPoint(X, Y))}, false);
  DC->S.PenPos = TPoint(X, Y);
  return true;
}

bool Polyline(HDC DC, const TPoint* Points, Integer Count) {
  if (!DC || !Points || Count < 2) return false;
  TGdiRecordScope Rec(DC, gopLine);
  if (Rec.Active()) RecordLine(Rec.Op(), DC, std::vector<TPoint>(Points, Points + Count));
  StrokePath(DC, ToSurface(DC, Points, Count), false);
  return true;
}

bool PolyPolyline(HDC DC, const TPoint* Points, const DWORD* Counts, DWORD Polylines) {
  if (!DC || !Points || !Counts) return false;
  TGdiRecordScope Rec(DC, gopLine);
  if (Rec.Active()) {
    DWORD Total = 0;
    for (DWORD i = 0; i < Polylines; ++i) Total += Counts[i];
    RecordLine(Rec.Op(), DC, std::vector<TPoint>(Points, Points + Total));
    Rec.Op().Counts.assign(Counts, Counts + Polylines);
  }
  if (TryThinAxisSegments(DC, Points, Counts, Polylines)) return true;
  const TPoint* p = Points;
  for (DWORD i = 0; i < Polylines; ++i) {
    if (Counts[i] < 2) return false;
    StrokePath(DC, ToSurface(DC, p, static_cast<Integer>(Counts[i])), false);
    p += Counts[i];
  }
  return true;
}

bool Polygon(HDC DC, const TPoint* Points, Integer Count) {
  if (!DC || !Points || Count < 2) return false;
  std::vector<TPoint> pts = ToSurface(DC, Points, Count);
  COLORREF c;
  if (BrushColor(DC->S.Brush, c)) {
    if (cairo_t* cr = DC->Cairo()) {
      cairo_save(cr);
      cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
      cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
      SetCairoSource(cr, c);
      cairo_move_to(cr, pts[0].X, pts[0].Y);
      for (size_t i = 1; i < pts.size(); ++i) cairo_line_to(cr, pts[i].X, pts[i].Y);
      cairo_close_path(cr);
      cairo_fill(cr);
      cairo_restore(cr);
    }
  }
  StrokePath(DC, pts, true);
  return true;
}

bool Rectangle(HDC DC, Integer Left, Integer Top, Integer Right, Integer Bottom) {
  if (!DC) return false;
  TGdiRecordScope Rec(DC, gopRectangle);
  if (Rec.Active()) Rec.Op().Rect = TRect(Left, Top, Right, Bottom);
  TRect s = DC->ToSurface(TRect(Left, Top, Right, Bottom));
  const TPenData& pen = DC->S.Pen;
  if (pen.Style == psClear) {
    // Without a pen the fill stops one pixel short on the right and bottom.
    FillWithBrush(DC, TRect(s.Left, s.Top, s.Right - 1, s.Bottom - 1), DC->S.Brush);
    return true;
  }
  Integer w = pen.Width;
  if (w > 1 && pen.Style == psInsideFrame) {
    const Integer in = w / 2;
    FillWithBrush(DC, TRect(s.Left + w, s.Top + w, s.Right - w, s.Bottom - w), DC->S.Brush);
    InflateRect(s, -in, -in);
    if (s.Width() <= 0 || s.Height() <= 0) return true;
  } else {
    const Integer in = w > 1 ? (w + 1) / 2 : 1;
    FillWithBrush(DC, TRect(s.Left + in, s.Top + in, s.Right - in, s.Bottom - in), DC->S.Brush);
  }
  if (s.Width() <= 0 || s.Height() <= 0) return true;
  if (s.Width() == 1 || s.Height() == 1) {
    DC->RopRect(s, Rgb(pen.Color), DC->S.Rop2);
    return true;
  }
  StrokePath(DC,
             {TPoint(s.Left, s.Top), TPoint(s.Right - 1, s.Top), TPoint(s.Right - 1, s.Bottom - 1),
              TPoint(s.Left, s.Bottom - 1)},
             true);
  return true;
}

bool Ellipse(HDC DC, Integer Left, Integer Top, Integer Right, Integer Bottom) {
  if (!DC) return false;
  TRect s = DC->ToSurface(TRect(Left, Top, Right, Bottom));
  cairo_t* cr = DC->Cairo();
  if (!cr || s.Width() < 2 || s.Height() < 2) return true;
  const double cx = s.Left + s.Width() / 2.0, cy = s.Top + s.Height() / 2.0;
  auto path = [&](double inset) {
    cairo_new_path(cr);
    cairo_save(cr);
    cairo_translate(cr, cx, cy);
    cairo_scale(cr, std::max(0.0, s.Width() / 2.0 - inset), std::max(0.0, s.Height() / 2.0 - inset));
    cairo_arc(cr, 0, 0, 1, 0, 2 * std::numbers::pi);
    cairo_restore(cr);
  };
  cairo_save(cr);
  cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
  COLORREF c;
  if (BrushColor(DC->S.Brush, c)) {
    SetCairoSource(cr, c);
    path(0.5);
    cairo_fill(cr);
  }
  if (DC->S.Pen.Style != psClear) {
    ApplyPenToCairo(DC, cr);
    cairo_set_line_width(cr, std::max(1, DC->S.Pen.Width));
    path(std::max(1, DC->S.Pen.Width) / 2.0);
    cairo_stroke(cr);
  }
  cairo_restore(cr);
  return true;
}

COLORREF GetPixel(HDC DC, Integer X, Integer Y) {
  if (!DC || !DC->Surface()) return CLR_INVALID;
  TPoint p = DC->ToSurface(TPoint(X, Y));
  if (!DC->EffectiveClip().Contains(p)) return CLR_INVALID;
  cairo_surface_flush(DC->Surface());
  return ColorOfPixel(DC->PixelRow(p.Y)[p.X]);
}

COLORREF SetPixel(HDC DC, Integer X, Integer Y, COLORREF Color) {
  if (!DC || !DC->Surface()) return CLR_INVALID;
  TPoint p = DC->ToSurface(TPoint(X, Y));
  if (!DC->EffectiveClip().Contains(p)) return CLR_INVALID;
  DC->RopRect(TRect(p.X, p.Y, p.X + 1, p.Y + 1), Color & 0xFFFFFF, R2_COPYPEN);
  return Color & 0xFFFFFF;
}

Integer FillRect(HDC DC, const TRect& R, HBRUSH Brush) {
  TBrushData b;
  if (!DC || !ResolveBrush(Brush, b)) return 0;
  TGdiRecordScope Rec(DC, gopFillRect);
  if (Rec.Active()) RecordFill(Rec.Op(), R, b);
  FillWithBrush(DC, DC->ToSurface(R), b);
  return 1;
}

Integer FrameRect(HDC DC, const TRect& R, HBRUSH Brush) {
  TBrushData b;
  if (!DC || !ResolveBrush(Brush, b)) return 0;
  TGdiRecordScope Rec(DC, gopFrameRect);
  if (Rec.Active()) RecordFill(Rec.Op(), R, b);
  TRect s = DC->ToSurface(R);
  if (s.IsEmpty()) return 1;
  FillWithBrush(DC, TRect(s.Left, s.Top, s.Right, s.Top + 1), b);
  FillWithBrush(DC, TRect(s.Left, s.Bottom - 1, s.Right, s.Bottom), b);
  FillWithBrush(DC, TRect(s.Left, s.Top + 1, s.Left + 1, s.Bottom - 1), b);
  FillWithBrush(DC, TRect(s.Right - 1, s.Top + 1, s.Right, s.Bottom - 1), b);
  return 1;
}

bool InvertRect(HDC DC, const TRect& R) {
  if (!DC) return false;
  TGdiRecordScope Rec(DC, gopInvertRect);
  if (Rec.Active()) Rec.Op().Rect = R;
  DC->RopRect(DC->ToSurface(R), 0, R2_NOT);
  return true;
}

bool DrawFocusRect(HDC DC, const TRect& R) {
  if (!DC) return false;
  TGdiRecordScope Rec(DC, gopFocusRect);
  if (Rec.Active()) Rec.Op().Rect = R;
  TRect s = DC->ToSurface(R);
  if (s.IsEmpty()) return true;
  // Every pixel of the outline at most once, so a second call undoes the first.
  auto invertDots = [&](const TRect& part) {
    DC->ForClippedRects(part, [&](const TRect& r) {
      for (Integer y = r.Top; y < r.Bottom; ++y) {
        std::uint32_t* row = DC->PixelRow(y);
        for (Integer x = r.Left; x < r.Right; ++x)
          if (((x + y) & 1) == 0) row[x] = (row[x] ^ 0x00FFFFFFu) | 0xFF000000u;
      }
    });
  };
  invertDots(TRect(s.Left, s.Top, s.Right, s.Top + 1));
  if (s.Height() > 1) invertDots(TRect(s.Left, s.Bottom - 1, s.Right, s.Bottom));
  if (s.Height() > 2) {
    invertDots(TRect(s.Left, s.Top + 1, s.Left + 1, s.Bottom - 1));
    if (s.Width() > 1) invertDots(TRect(s.Right - 1, s.Top + 1, s.Right, s.Bottom - 1));
  }
  return true;
}

// ---------------------------------------------------------------------------
// Edges

namespace {

struct EdgeColors {
  COLORREF TopLeft, BottomRight;
};

// One 1-px border. The bottom-right colour owns the top-right and bottom-left
// corners, as the classic look has it.
void DrawBorder(HDC DC, const TRect& r, EdgeColors c, UINT flags) {
  if (r.IsEmpty()) return;
  const Integer rightEnd = (flags & BF_RIGHT) ? r.Right - 1 : r.Right;
  const Integer bottomEnd = (flags & BF_BOTTOM) ? r.Bottom - 1 : r.Bottom;
  if (flags & BF_TOP) FillLogical(DC, TRect(r.Left, r.Top, rightEnd, r.Top + 1), c.TopLeft);
  if (flags & BF_LEFT) FillLogical(DC, TRect(r.Left, r.Top, r.Left + 1, bottomEnd), c.TopLeft);
  if (flags & BF_BOTTOM) FillLogical(DC, TRect(r.Left, r.Bottom - 1, r.Right, r.Bottom), c.BottomRight);
  if (flags & BF_RIGHT) FillLogical(DC, TRect(r.Right - 1, r.Top, r.Right, r.Bottom), c.BottomRight);
}

void Shrink(TRect& r, UINT flags) {
  if (flags & BF_LEFT) ++r.Left;
  if (flags & BF_TOP) ++r.Top;
  if (flags & BF_RIGHT) --r.Right;
  if (flags & BF_BOTTOM) --r.Bottom;
}

}  // namespace

bool DrawEdge(HDC DC, TRect& Rect, UINT Edge, UINT Flags) {
  if (!DC) return false;
  TGdiRecordScope Rec(DC, gopEdge);
  if (Rec.Active()) {
    Rec.Op().Rect = Rect;
    Rec.Op().Type = Edge;
    Rec.Op().Flags = Flags;
  }
  const bool soft = Flags & BF_SOFT;
  EdgeColors outer{0, 0}, inner{0, 0};
  const bool hasOuter = Edge & BDR_OUTER, hasInner = Edge & BDR_INNER;
  if (Flags & BF_MONO) {
    outer = {Sys(COLOR_WINDOWFRAME), Sys(COLOR_WINDOWFRAME)};
    inner = {Sys(COLOR_WINDOW), Sys(COLOR_WINDOW)};
  } else if (Flags & BF_FLAT) {
    outer = {Sys(COLOR_BTNSHADOW), Sys(COLOR_BTNSHADOW)};
    inner = {Sys(COLOR_BTNFACE), Sys(COLOR_BTNFACE)};
  } else {
    if (Edge & BDR_RAISEDOUTER) outer = {soft ? Sys(COLOR_BTNHIGHLIGHT) : Sys(COLOR_3DLIGHT), Sys(COLOR_3DDKSHADOW)};
    else if (Edge & BDR_SUNKENOUTER)
      outer = {soft ? Sys(COLOR_3DDKSHADOW) : Sys(COLOR_BTNSHADOW), Sys(COLOR_BTNHIGHLIGHT)};
    if (Edge & BDR_RAISEDINNER) inner = {soft ? Sys(COLOR_3DLIGHT) : Sys(COLOR_BTNHIGHLIGHT), Sys(COLOR_BTNSHADOW)};
    else if (Edge & BDR_SUNKENINNER) inner = {soft ? Sys(COLOR_BTNSHADOW) : Sys(COLOR_3DDKSHADOW), Sys(COLOR_3DLIGHT)};
  }
  TRect r = Rect;
  if (hasOuter) {
    DrawBorder(DC, r, outer, Flags);
    Shrink(r, Flags);
  }
  if (hasInner) {
    DrawBorder(DC, r, inner, Flags);
    Shrink(r, Flags);
  }
  if (Flags & BF_MIDDLE) FillLogical(DC, r, (Flags & BF_MONO) ? Sys(COLOR_WINDOW) : Sys(COLOR_BTNFACE));
  if (Flags & BF_ADJUST) Rect = r;
  return true;
}

// ---------------------------------------------------------------------------
// Frame controls

namespace {

// The classic 7x7 check mark.
constexpr const char* kCheckMark[7] = {
    "......X", ".....XX", "X...XXX", "XX.XXX.", "XXXXX..", ".XXX...", "..X....",
};

void DrawCheckMark(HDC DC, const TRect& box, COLORREF c) {
  const Integer x0 = box.Left + (box.Width() - 7) / 2, y0 = box.Top + (box.Height() - 7) / 2;
  for (Integer y = 0; y < 7; ++y)
    for (Integer x = 0; x < 7; ++x)
      if (kCheckMark[y][x] == 'X') {
        TRect px(x0 + x, y0 + y, x0 + x + 1, y0 + y + 1);
        TRect in;
        if (IntersectRect(in, px, box)) FillLogical(DC, px, c);
      }
}

TRect SquareIn(const TRect& r) {
  const Integer s = std::min(r.Width(), r.Height());
  const Integer l = r.Left + (r.Width() - s) / 2, t = r.Top + (r.Height() - s) / 2;
  return TRect(l, t, l + s, t + s);
}

bool DrawCheckBox(HDC DC, const TRect& rect, UINT state) {
  TRect box = SquareIn(rect);
  if (box.IsEmpty()) return true;
  TRect in = box;
  if (state & DFCS_MONO) {
    FrameRect(DC, box, GetSysColorBrush(COLOR_WINDOWFRAME));
    InflateRect(in, -1, -1);
  } else if (state & DFCS_FLAT) {
    FrameRect(DC, box, GetSysColorBrush(COLOR_BTNSHADOW));
    InflateRect(in, -1, -1);
  } else {
    DrawEdge(DC, in, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
  }
  const bool threeState = (state & 0xF) == DFCS_BUTTON3STATE;
  const bool dim = (state & (DFCS_INACTIVE | DFCS_PUSHED)) || (threeState && (state & DFCS_CHECKED));
  FillLogical(DC, in, dim ? Sys(COLOR_BTNFACE) : Sys(COLOR_WINDOW));
  if (state & DFCS_CHECKED) {
    const bool grey = (state & DFCS_INACTIVE) || threeState;
    DrawCheckMark(DC, in, grey ? Sys(COLOR_BTNSHADOW) : Sys(COLOR_WINDOWTEXT));
  }
  return true;
}

// Fills a disc and paints its upper-left half in another colour.
void HalfDisc(cairo_t* cr, double cx, double cy, double r, COLORREF tl, COLORREF br) {
  cairo_new_path(cr);
  SetCairoSource(cr, br);
  cairo_arc(cr, cx, cy, r, 0, 2 * std::numbers::pi);
  cairo_fill(cr);
  cairo_save(cr);
  cairo_move_to(cr, cx - r - 1, cy + r + 1);
  cairo_line_to(cr, cx - r - 1, cy - r - 1);
  cairo_line_to(cr, cx + r + 1, cy - r - 1);
  cairo_close_path(cr);
  cairo_clip(cr);
  SetCairoSource(cr, tl);
  cairo_arc(cr, cx, cy, r, 0, 2 * std::numbers::pi);
  cairo_fill(cr);
  cairo_restore(cr);
}

bool DrawRadio(HDC DC, const TRect& rect, UINT state) {
  TRect box = DC->ToSurface(SquareIn(rect));
  cairo_t* cr = DC->Cairo();
  if (!cr || box.Width() < 4) return true;
  const double r = box.Width() / 2.0, cx = box.Left + r, cy = box.Top + r;
  cairo_save(cr);
  cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
  if (state & (DFCS_FLAT | DFCS_MONO)) {
    const COLORREF f = (state & DFCS_MONO) ? Sys(COLOR_WINDOWFRAME) : Sys(COLOR_BTNSHADOW);
    HalfDisc(cr, cx, cy, r, f, f);
    HalfDisc(cr, cx, cy, r - 1, Sys(COLOR_WINDOW), Sys(COLOR_WINDOW));
  } else {
    HalfDisc(cr, cx, cy, r, Sys(COLOR_BTNSHADOW), Sys(COLOR_BTNHIGHLIGHT));
    HalfDisc(cr, cx, cy, r - 1, Sys(COLOR_3DDKSHADOW), Sys(COLOR_3DLIGHT));
  }
  const COLORREF face = (state & (DFCS_INACTIVE | DFCS_PUSHED)) ? Sys(COLOR_BTNFACE) : Sys(COLOR_WINDOW);
  HalfDisc(cr, cx, cy, r - 2, face, face);
  if (state & DFCS_CHECKED) {
    const COLORREF dot = (state & DFCS_INACTIVE) ? Sys(COLOR_BTNSHADOW) : Sys(COLOR_WINDOWTEXT);
    HalfDisc(cr, cx, cy, std::max(1.0, r / 3.0), dot, dot);
  }
  cairo_restore(cr);
  return true;
}

// A button face: raised, or sunken/flat when pushed. Returns the inside.
TRect DrawFace(HDC DC, const TRect& rect, UINT state) {
  TRect r = rect;
  if (state & (DFCS_PUSHED | DFCS_CHECKED)) {
    DrawEdge(DC, r, (state & DFCS_FLAT) ? BDR_SUNKENOUTER : EDGE_SUNKEN,
             BF_RECT | BF_MIDDLE | BF_ADJUST | ((state & DFCS_FLAT) ? UINT(BF_FLAT) : 0u));
  } else if (state & DFCS_FLAT) {
    DrawEdge(DC, r, BDR_RAISEDOUTER, BF_RECT | BF_MIDDLE | BF_ADJUST | BF_FLAT);
  } else if (state & DFCS_MONO) {
    DrawEdge(DC, r, BDR_RAISEDOUTER, BF_RECT | BF_MIDDLE | BF_ADJUST | BF_MONO);
  } else {
    DrawEdge(DC, r, EDGE_RAISED, BF_RECT | BF_MIDDLE | BF_ADJUST | BF_SOFT);
  }
  return r;
}

// A solid arrow triangle, centred in r, pointing in the given direction.
void DrawArrow(HDC DC, const TRect& r, UINT dir, COLORREF c) {
  const Integer size = std::min(r.Width(), r.Height());
  const Integer gw = std::max(3, (size / 2) | 1);
  const Integer gh = (gw + 1) / 2;
  const bool vertical = dir == DFCS_SCROLLUP || dir == DFCS_SCROLLDOWN || dir == DFCS_SCROLLCOMBOBOX;
  const Integer w = vertical ? gw : gh, h = vertical ? gh : gw;
  const Integer x0 = r.Left + (r.Width() - w) / 2, y0 = r.Top + (r.Height() - h) / 2;
  for (Integer i = 0; i < gh; ++i) {
    switch (dir) {
      case DFCS_SCROLLUP: FillLogical(DC, TRect(x0 + gh - 1 - i, y0 + i, x0 + gw - (gh - 1 - i), y0 + i + 1), c); break;
      case DFCS_SCROLLLEFT:
        FillLogical(DC, TRect(x0 + i, y0 + gh - 1 - i, x0 + i + 1, y0 + gw - (gh - 1 - i)), c);
        break;
      case DFCS_SCROLLRIGHT: FillLogical(DC, TRect(x0 + i, y0 + i, x0 + i + 1, y0 + gw - i), c); break;
      default: FillLogical(DC, TRect(x0 + i, y0 + i, x0 + gw - i, y0 + i + 1), c); break;
    }
  }
}

bool DrawScrollButton(HDC DC, TRect& rect, UINT state) {
  const UINT dir = state & 0xF;
  if (dir != DFCS_SCROLLUP && dir != DFCS_SCROLLDOWN && dir != DFCS_SCROLLLEFT && dir != DFCS_SCROLLRIGHT &&
      dir != DFCS_SCROLLCOMBOBOX)
    return false;
  TRect in = DrawFace(DC, rect, state);
  if (state & DFCS_PUSHED) OffsetRect(in, 1, 1);
  if (state & DFCS_INACTIVE) {
    TRect emboss = in;
    OffsetRect(emboss, 1, 1);
    DrawArrow(DC, emboss, dir, Sys(COLOR_BTNHIGHLIGHT));
    DrawArrow(DC, in, dir, Sys(COLOR_BTNSHADOW));
  } else {
    DrawArrow(DC, in, dir, Sys(COLOR_BTNTEXT));
  }
  return true;
}

}  // namespace

bool DrawFrameControl(HDC DC, TRect& Rect, UINT Type, UINT State) {
  if (!DC) return false;
  TGdiRecordScope Rec(DC, gopFrameControl);
  if (Rec.Active()) {
    Rec.Op().Rect = Rect;
    Rec.Op().Type = Type;
    Rec.Op().Flags = State;
  }
  switch (Type) {
    case DFC_BUTTON: {
      const UINT kind = State & 0x1F;
      if (kind & DFCS_BUTTONPUSH) {
        TRect in = DrawFace(DC, Rect, State);
        if (State & DFCS_ADJUSTRECT) Rect = in;
        return true;
      }
      if (kind & (DFCS_BUTTONRADIO | DFCS_BUTTONRADIOIMAGE | DFCS_BUTTONRADIOMASK)) return DrawRadio(DC, Rect, State);
      return DrawCheckBox(DC, Rect, State);
    }
    case DFC_SCROLL: return DrawScrollButton(DC, Rect, State);
    default: return false;
  }
}

// ---------------------------------------------------------------------------
// Raster operations

namespace {

std::uint32_t ApplyRop3(DWORD rop, std::uint32_t s, std::uint32_t d, std::uint32_t p) {
  std::uint32_t r;
  switch (rop) {
    case SRCCOPY: r = s; break;
    case SRCPAINT: r = s | d; break;
    case SRCAND: r = s & d; break;
    case SRCINVERT: r = s ^ d; break;
    case SRCERASE: r = s & ~d; break;
    case NOTSRCCOPY: r = ~s; break;
    case NOTSRCERASE: r = ~(s | d); break;
    case MERGEPAINT: r = ~s | d; break;
    case PATCOPY: r = p; break;
    case PATINVERT: r = p ^ d; break;
    case DSTINVERT: r = ~d; break;
    case BLACKNESS: r = 0; break;
    case WHITENESS: r = 0xFFFFFF; break;
    default: r = d; break;
  }
  return (r & 0x00FFFFFFu) | 0xFF000000u;
}

bool KnownRop(DWORD rop) {
  switch (rop) {
    case SRCCOPY:
    case SRCPAINT:
    case SRCAND:
    case SRCINVERT:
    case SRCERASE:
    case NOTSRCCOPY:
    case NOTSRCERASE:
    case MERGEPAINT:
    case PATCOPY:
    case PATINVERT:
    case DSTINVERT:
    case BLACKNESS:
    case WHITENESS: return true;
    default: return false;
  }
}

}  // namespace

bool PatBlt(HDC DC, Integer X, Integer Y, Integer W, Integer H, DWORD Rop) {
  if (!DC || !KnownRop(Rop)) return false;
  TRect s = DC->ToSurface(TRect(X, Y, X + W, Y + H));
  COLORREF bc = 0;
  const bool hollow = !BrushColor(DC->S.Brush, bc);
  if (hollow && (Rop == PATCOPY || Rop == PATINVERT)) return true;
  const std::uint32_t p = PixelOf(bc);
  DC->ForClippedRects(s, [&](const TRect& r) {
    for (Integer y = r.Top; y < r.Bottom; ++y) {
      std::uint32_t* row = DC->PixelRow(y);
      for (Integer x = r.Left; x < r.Right; ++x) row[x] = ApplyRop3(Rop, row[x], row[x], p);
    }
  });
  return true;
}

namespace {

// The common copy (a memory bitmap onto a window, the same size, inside the
// source): whole rows of the clipped parts only, instead of a pixel at a time.
void CopyUnscaled(HDC Dest, const TRect& D, HDC Src, TPoint SourceOrigin) {
  const Integer dx = SourceOrigin.X - D.Left, dy = SourceOrigin.Y - D.Top;
  auto CopyRow = [&](std::uint32_t* To, const std::uint32_t* From, Integer Count) {
    for (Integer x = 0; x < Count; ++x) To[x] = From[x] | 0xFF000000u;
  };
  if (Src->Surface() != Dest->Surface()) {
    // Rows are a stride apart: the surfaces' pixels are looked up once per part.
    const std::ptrdiff_t ToStride = cairo_image_surface_get_stride(Dest->Surface()) / 4;
    const std::ptrdiff_t FromStride = cairo_image_surface_get_stride(Src->Surface()) / 4;
    Dest->ForClippedRects(D, [&](const TRect& r) {
      std::uint32_t* To = Dest->PixelRow(r.Top) + r.Left;
      const std::uint32_t* From = Src->PixelRow(r.Top + dy) + r.Left + dx;
      for (Integer y = r.Top; y < r.Bottom; ++y, To += ToStride, From += FromStride) CopyRow(To, From, r.Width());
    });
    return;
  }
  // Within one surface the clipped parts may overlap the source: read it all first.
  const TRect s(D.Left + dx, D.Top + dy, D.Right + dx, D.Bottom + dy);
  std::vector<std::uint32_t> buf(static_cast<size_t>(s.Width()) * static_cast<size_t>(s.Height()));
  for (Integer y = s.Top; y < s.Bottom; ++y) {
    const std::uint32_t* from = Src->PixelRow(y) + s.Left;
    std::copy(from, from + s.Width(), buf.begin() + static_cast<std::ptrdiff_t>(y - s.Top) * s.Width());
  }
  Dest->ForClippedRects(D, [&](const TRect& r) {
    for (Integer y = r.Top; y < r.Bottom; ++y)
      CopyRow(Dest->PixelRow(y) + r.Left,
              buf.data() + static_cast<std::ptrdiff_t>(y - D.Top) * s.Width() + (r.Left - D.Left), r.Width());
  });
}

}  // namespace

bool StretchBlt(HDC Dest, Integer X, Integer Y, Integer W, Integer H, HDC Src, Integer SX, Integer SY, Integer SW,
                Integer SH, DWORD Rop) {
  if (!Dest || !Src || !Src->Surface() || !KnownRop(Rop)) return false;
  if (W == 0 || H == 0 || SW == 0 || SH == 0) return true;
  TGdiRecordScope Rec(Dest, gopBlit);
  if (Rec.Active()) {
    Rec.Op().Rect = TRect(X, Y, X + W, Y + H);
    Rec.Op().Flags = Rop;
  }
  TRect d = Dest->ToSurface(TRect(X, Y, X + W, Y + H));
  TRect sr = Src->ToSurface(TRect(SX, SY, SX + SW, SY + SH));
  // Negative sizes mirror the image, as on the platform.
  const bool flipX = (W < 0) != (SW < 0), flipY = (H < 0) != (SH < 0);
  cairo_surface_t* ss = Src->Surface();
  cairo_surface_flush(ss);
  const Integer sw = cairo_image_surface_get_width(ss), sh = cairo_image_surface_get_height(ss);
  // Refuse absurd source rectangles rather than allocating for them.
  if (static_cast<Int64>(sr.Width()) * sr.Height() > (Int64{1} << 26)) return false;
  if (Rop == SRCCOPY && !flipX && !flipY && d.Width() == sr.Width() && d.Height() == sr.Height() && sr.Left >= 0 &&
      sr.Top >= 0 && sr.Right <= sw && sr.Bottom <= sh) {
    CopyUnscaled(Dest, d, Src, sr.TopLeft());
    return true;
  }
  // Copy the source first: source and destination may share pixels.
  std::vector<std::uint32_t> buf(static_cast<size_t>(sr.Width()) * static_cast<size_t>(sr.Height()));
  for (Integer y = 0; y < sr.Height(); ++y) {
    const Integer yy = sr.Top + y;
    const std::uint32_t* row = (yy >= 0 && yy < sh) ? Src->PixelRow(yy) : nullptr;
    for (Integer x = 0; x < sr.Width(); ++x) {
      const Integer xx = sr.Left + x;
      buf[static_cast<size_t>(y) * static_cast<size_t>(sr.Width()) + static_cast<size_t>(x)] =
          (row && xx >= 0 && xx < sw) ? row[xx] : 0xFF000000u;
    }
  }
  COLORREF bc = 0;
  BrushColor(Dest->S.Brush, bc);
  const std::uint32_t p = PixelOf(bc);
  Dest->ForClippedRects(d, [&](const TRect& r) {
    for (Integer y = r.Top; y < r.Bottom; ++y) {
      Integer v = static_cast<Integer>(static_cast<Int64>(y - d.Top) * sr.Height() / d.Height());
      if (flipY) v = sr.Height() - 1 - v;
      std::uint32_t* row = Dest->PixelRow(y);
      for (Integer x = r.Left; x < r.Right; ++x) {
        Integer u = static_cast<Integer>(static_cast<Int64>(x - d.Left) * sr.Width() / d.Width());
        if (flipX) u = sr.Width() - 1 - u;
        const std::uint32_t s = buf[static_cast<size_t>(v) * static_cast<size_t>(sr.Width()) + static_cast<size_t>(u)];
        row[x] = ApplyRop3(Rop, s, row[x], p);
      }
    }
  });
  return true;
}

bool BitBlt(HDC Dest, Integer X, Integer Y, Integer W, Integer H, HDC Src, Integer SX, Integer SY, DWORD Rop) {
  if (!Src || Rop == PATCOPY || Rop == PATINVERT || Rop == DSTINVERT || Rop == BLACKNESS || Rop == WHITENESS)
    return PatBlt(Dest, X, Y, W, H, Rop);
  return StretchBlt(Dest, X, Y, W, H, Src, SX, SY, W, H, Rop);
}

bool AlphaBlend(HDC Dest, Integer X, Integer Y, Integer W, Integer H, HDC Src, Integer SX, Integer SY, Integer SW,
                Integer SH, TBlendFunction Blend) {
  if (!Dest || !Src || !Src->Surface() || W <= 0 || H <= 0 || SW <= 0 || SH <= 0) return false;
  if (Blend.BlendOp != AC_SRC_OVER) return false;
  cairo_t* cr = Dest->Cairo();
  if (!cr) return false;
  TGdiRecordScope Rec(Dest, gopAlphaBlend);
  if (Rec.Active()) {
    Rec.Op().Rect = TRect(X, Y, X + W, Y + H);
    Rec.Op().Value = Blend.SourceConstantAlpha;
  }
  TRect d = Dest->ToSurface(TRect(X, Y, X + W, Y + H));
  TRect s = Src->ToSurface(TRect(SX, SY, SX + SW, SY + SH));
  // A private copy of the source part, opaque unless the source alpha is asked for.
  cairo_surface_t* part = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, s.Width(), s.Height());
  cairo_t* pc = cairo_create(part);
  cairo_set_operator(pc, CAIRO_OPERATOR_SOURCE);
  cairo_set_source_surface(pc, Src->Surface(), -s.Left, -s.Top);
  cairo_paint(pc);
  cairo_destroy(pc);
  if (!(Blend.AlphaFormat & AC_SRC_ALPHA)) {
    cairo_surface_flush(part);
    unsigned char* data = cairo_image_surface_get_data(part);
    const int stride = cairo_image_surface_get_stride(part);
    for (Integer y = 0; y < s.Height(); ++y) {
      auto* row = reinterpret_cast<std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride);
      for (Integer x = 0; x < s.Width(); ++x) row[x] |= 0xFF000000u;
    }
    cairo_surface_mark_dirty(part);
  }
  cairo_save(cr);
  cairo_rectangle(cr, d.Left, d.Top, d.Width(), d.Height());
  cairo_clip(cr);
  cairo_translate(cr, d.Left, d.Top);
  cairo_scale(cr, static_cast<double>(d.Width()) / s.Width(), static_cast<double>(d.Height()) / s.Height());
  cairo_set_source_surface(cr, part, 0, 0);
  cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
  cairo_paint_with_alpha(cr, Blend.SourceConstantAlpha / 255.0);
  cairo_restore(cr);
  cairo_surface_destroy(part);
  return true;
}

bool GradientFill(HDC DC, const TTriVertex* V, Cardinal NumVertices, const TGradientRect* Rects, Cardinal NumRects,
                  Cardinal Mode) {
  if (!DC || !V || !Rects || (Mode != GRADIENT_FILL_RECT_H && Mode != GRADIENT_FILL_RECT_V)) return false;
  TGdiRecordScope Rec(DC, gopGradient);
  if (Rec.Active() && NumRects > 0 && Rects[0].UpperLeft < NumVertices && Rects[0].LowerRight < NumVertices) {
    const TTriVertex& a = V[Rects[0].UpperLeft];
    const TTriVertex& b = V[Rects[0].LowerRight];
    Rec.Op().Rect = TRect(std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y));
    Rec.Op().Flags = Mode;
  }
  for (Cardinal i = 0; i < NumRects; ++i) {
    if (Rects[i].UpperLeft >= NumVertices || Rects[i].LowerRight >= NumVertices) return false;
    const TTriVertex& a = V[Rects[i].UpperLeft];
    const TTriVertex& b = V[Rects[i].LowerRight];
    TRect r(std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y));
    const bool horz = Mode == GRADIENT_FILL_RECT_H;
    const Integer n = horz ? r.Width() : r.Height();
    for (Integer k = 0; k < n; ++k) {
      auto mix = [&](Word c0, Word c1) { return static_cast<Byte>((c0 + (static_cast<Int64>(c1) - c0) * k / n) >> 8); };
      const COLORREF c = static_cast<COLORREF>(RGB(mix(a.Red, b.Red), mix(a.Green, b.Green), mix(a.Blue, b.Blue)));
      FillLogical(
          DC,
          horz ? TRect(r.Left + k, r.Top, r.Left + k + 1, r.Bottom) : TRect(r.Left, r.Top + k, r.Right, r.Top + k + 1),
          c);
    }
  }
  return true;
}

void SetCairoSource(cairo_t* Cr, COLORREF Color) {
  cairo_set_source_rgb(Cr, (Color & 0xFF) / 255.0, ((Color >> 8) & 0xFF) / 255.0, ((Color >> 16) & 0xFF) / 255.0);
}
