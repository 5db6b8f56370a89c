// Device contexts, GDI objects, regions, clipping and coordinate mapping.
// Drawing lives in GDI_Draw.cpp, text in GDI_Text.cpp.

#include "platform/ui/GDI.h"

#include <cairo.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>

namespace {

// A stand-in for "the whole device" when a clip operation needs a bounded base.
constexpr TRect kEverything(-0x1000000, -0x1000000, 0x1000000, 0x1000000);

cairo_rectangle_int_t ToCairo(const TRect& R) {
  return cairo_rectangle_int_t{R.Left, R.Top, std::max(0, R.Width()), std::max(0, R.Height())};
}

TRect FromCairo(const cairo_rectangle_int_t& r) { return TRect(r.x, r.y, r.x + r.width, r.y + r.height); }

Integer RegionKind(const TRegion& R) {
  int n = cairo_region_num_rectangles(R.Raw());
  return n == 0 ? NULLREGION : n == 1 ? SIMPLEREGION : COMPLEXREGION;
}

Integer ScaleCoord(Integer v, Integer num, Integer den) {
  if (den == 0) return v;
  return static_cast<Integer>(std::llround(static_cast<double>(v) * num / den));
}

TPenData PenFromStyle(DWORD Style, Integer Width, COLORREF Color) {
  TPenData d;
  d.Color = static_cast<TColor>(Color & 0xFFFFFF);
  d.Width = std::max(1, Width);
  switch (Style & PS_STYLE_MASK) {
    case PS_DASH: d.Style = psDash; break;
    case PS_DOT: d.Style = psDot; break;
    case PS_DASHDOT: d.Style = psDashDot; break;
    case PS_DASHDOTDOT: d.Style = psDashDotDot; break;
    case PS_NULL: d.Style = psClear; break;
    case PS_INSIDEFRAME: d.Style = psInsideFrame; break;
    default: d.Style = psSolid; break;
  }
  return d;
}

template <class T>
T* As(HGDIOBJ Obj, TGdiObjectKind Kind) {
  return Obj && Obj->Kind == Kind ? static_cast<T*>(Obj) : nullptr;
}

}  // namespace

// ---------------------------------------------------------------------------
// TRegion

TRegion::TRegion() : FRegion(cairo_region_create()) {}
TRegion::TRegion(const TRect& R) {
  cairo_rectangle_int_t r = ToCairo(R);
  FRegion = cairo_region_create_rectangle(&r);
}
TRegion::TRegion(const TRegion& o) : FRegion(cairo_region_copy(o.FRegion)) {}
TRegion& TRegion::operator=(const TRegion& o) {
  if (this != &o) {
    cairo_region_t* c = cairo_region_copy(o.FRegion);
    cairo_region_destroy(FRegion);
    FRegion = c;
  }
  return *this;
}
TRegion::~TRegion() { cairo_region_destroy(FRegion); }

bool TRegion::IsEmpty() const { return cairo_region_is_empty(FRegion); }
TRect TRegion::Bounds() const {
  if (IsEmpty()) return TRect();
  cairo_rectangle_int_t r;
  cairo_region_get_extents(FRegion, &r);
  return FromCairo(r);
}
std::vector<TRect> TRegion::Rects() const {
  std::vector<TRect> out;
  int n = cairo_region_num_rectangles(FRegion);
  out.reserve(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) {
    cairo_rectangle_int_t r;
    cairo_region_get_rectangle(FRegion, i, &r);
    out.push_back(FromCairo(r));
  }
  return out;
}
bool TRegion::Contains(const TPoint& P) const { return cairo_region_contains_point(FRegion, P.X, P.Y); }
bool TRegion::Overlaps(const TRect& R) const {
  if (R.IsEmpty()) return false;
  cairo_rectangle_int_t r = ToCairo(R);
  return cairo_region_contains_rectangle(FRegion, &r) != CAIRO_REGION_OVERLAP_OUT;
}
void TRegion::Intersect(const TRegion& o) { cairo_region_intersect(FRegion, o.FRegion); }
void TRegion::Intersect(const TRect& R) {
  cairo_rectangle_int_t r = ToCairo(R);
  cairo_region_intersect_rectangle(FRegion, &r);
}
void TRegion::Union(const TRegion& o) { cairo_region_union(FRegion, o.FRegion); }
void TRegion::Union(const TRect& R) {
  if (R.IsEmpty()) return;
  cairo_rectangle_int_t r = ToCairo(R);
  cairo_region_union_rectangle(FRegion, &r);
}
void TRegion::Subtract(const TRegion& o) { cairo_region_subtract(FRegion, o.FRegion); }
void TRegion::Subtract(const TRect& R) {
  cairo_rectangle_int_t r = ToCairo(R);
  cairo_region_subtract_rectangle(FRegion, &r);
}
void TRegion::Xor(const TRegion& o) { cairo_region_xor(FRegion, o.FRegion); }
void TRegion::Translate(Integer DX, Integer DY) { cairo_region_translate(FRegion, DX, DY); }
bool TRegion::operator==(const TRegion& o) const { return cairo_region_equal(FRegion, o.FRegion); }

TRegion TRegion::FromPolygon(const TPoint* Points, Integer Count, Integer FillMode) {
  TRegion out;
  if (!Points || Count < 3) return out;
  Integer minY = Points[0].Y, maxY = Points[0].Y;
  for (Integer i = 1; i < Count; ++i) {
    minY = std::min(minY, Points[i].Y);
    maxY = std::max(maxY, Points[i].Y);
  }
  struct Crossing {
    double X;
    int Dir;
  };
  std::vector<Crossing> xs;
  for (Integer y = minY; y < maxY; ++y) {
    const double cy = y + 0.5;  // sample at the pixel centre
    xs.clear();
    for (Integer i = 0; i < Count; ++i) {
      const TPoint& a = Points[i];
      const TPoint& b = Points[(i + 1) % Count];
      if (a.Y == b.Y) continue;
      const bool down = b.Y > a.Y;
      const double y0 = down ? a.Y : b.Y, y1 = down ? b.Y : a.Y;
      if (cy < y0 || cy >= y1) continue;
      const double t = (cy - a.Y) / static_cast<double>(b.Y - a.Y);
      xs.push_back({a.X + t * (b.X - a.X), down ? 1 : -1});
    }
    std::sort(xs.begin(), xs.end(), [](const Crossing& l, const Crossing& r) { return l.X < r.X; });
    int winding = 0;
    for (size_t k = 0; k + 1 < xs.size(); ++k) {
      if (FillMode == WINDING) winding += xs[k].Dir;
      const bool inside = FillMode == WINDING ? winding != 0 : (k % 2) == 0;
      if (!inside) continue;
      // Pixels whose centres lie in [x0, x1).
      const Integer x0 = static_cast<Integer>(std::ceil(xs[k].X - 0.5));
      const Integer x1 = static_cast<Integer>(std::ceil(xs[k + 1].X - 0.5));
      if (x1 > x0) out.Union(TRect(x0, y, x1, y + 1));
    }
  }
  return out;
}

// ---------------------------------------------------------------------------
// GDI objects

TGdiBitmap::TGdiBitmap(Integer W, Integer H) : TGdiObject(gokBitmap), Width(std::max(0, W)), Height(std::max(0, H)) {
  Surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, std::max(1, Width), std::max(1, Height));
  // A new bitmap is black and opaque, as a fresh device bitmap is.
  cairo_t* cr = cairo_create(Surface);
  cairo_set_source_rgb(cr, 0, 0, 0);
  cairo_paint(cr);
  cairo_destroy(cr);
}
TGdiBitmap::TGdiBitmap(cairo_surface_t* Shared) : TGdiObject(gokBitmap) {
  Surface = cairo_surface_reference(Shared);
  Width = cairo_image_surface_get_width(Surface);
  Height = cairo_image_surface_get_height(Surface);
}
TGdiBitmap::~TGdiBitmap() { cairo_surface_destroy(Surface); }

HPEN CreatePen(Integer Style, Integer Width, COLORREF Color) {
  auto* p = new TGdiPen();
  p->Data = PenFromStyle(static_cast<DWORD>(Style), Width, Color);
  return p;
}

HPEN ExtCreatePen(DWORD PenStyle, DWORD Width, const TLogBrush& Brush, DWORD, const DWORD*) {
  auto* p = new TGdiPen();
  p->Data = PenFromStyle(PenStyle, static_cast<Integer>(Width), Brush.lbColor);
  if (Brush.lbStyle == BS_NULL) p->Data.Style = psClear;
  if ((PenStyle & PS_TYPE_MASK) == PS_GEOMETRIC) {
    p->Data.Geometric = true;
    switch (PenStyle & PS_ENDCAP_MASK) {
      case PS_ENDCAP_FLAT: p->Data.EndCap = pecFlat; break;
      case PS_ENDCAP_SQUARE: p->Data.EndCap = pecSquare; break;
      default: p->Data.EndCap = pecRound; break;
    }
    switch (PenStyle & PS_JOIN_MASK) {
      case PS_JOIN_MITER: p->Data.Join = pjMiter; break;
      case PS_JOIN_BEVEL: p->Data.Join = pjBevel; break;
      default: p->Data.Join = pjRound; break;
    }
  }
  return p;
}

HBRUSH CreateSolidBrush(COLORREF Color) {
  auto* b = new TGdiBrush();
  b->Data.Color = static_cast<TColor>(Color & 0xFFFFFF);
  return b;
}

HFONT CreateFontIndirect(const TLogFont& LF) {
  auto* f = new TGdiFont();
  f->Data.Name = LF.lfFaceName;
  f->Data.Height = LF.lfHeight;
  TFontStyles st;
  if (LF.lfWeight >= 600) st.Include(fsBold);
  if (LF.lfItalic) st.Include(fsItalic);
  if (LF.lfUnderline) st.Include(fsUnderline);
  if (LF.lfStrikeOut) st.Include(fsStrikeOut);
  f->Data.Style = st;
  f->Data.Charset = LF.lfCharSet;
  switch (LF.lfPitchAndFamily & 3) {
    case FIXED_PITCH: f->Data.Pitch = fpFixed; break;
    case VARIABLE_PITCH: f->Data.Pitch = fpVariable; break;
    default: f->Data.Pitch = fpDefault; break;
  }
  f->Data.Orientation = LF.lfEscapement;
  return f;
}

HBITMAP CreateCompatibleBitmap(HDC, Integer Width, Integer Height) { return new TGdiBitmap(Width, Height); }

// The system brushes and the stock objects are never freed: a handle given out
// stays valid to the process's very end, for static destructors too.
HBRUSH GetSysColorBrush(Integer Index) {
  static const auto* const brushes = [] {
    auto* a = new std::array<std::unique_ptr<TGdiBrush>, COLOR_ENDCOLORS + 1>();
    for (Integer i = 0; i <= COLOR_ENDCOLORS; ++i) {
      (*a)[static_cast<size_t>(i)] = std::make_unique<TGdiBrush>();
      (*a)[static_cast<size_t>(i)]->Data.Color = static_cast<TColor>(GetSysColor(i));
      (*a)[static_cast<size_t>(i)]->Permanent = true;
    }
    return a;
  }();
  if (Index < 0 || Index > COLOR_ENDCOLORS) return nullptr;
  return (*brushes)[static_cast<size_t>(Index)].get();
}

HGDIOBJ GetStockObject(Integer Index) {
  struct Stock {
    TGdiBrush White, LtGray, Gray, DkGray, Black, Null;
    TGdiPen WhitePen, BlackPen, NullPen;
    TGdiFont System, Gui;
    Stock() {
      White.Data.Color = clWhite;
      LtGray.Data.Color = clSilver;
      Gray.Data.Color = clGray;
      DkGray.Data.Color = 0x404040;
      Black.Data.Color = clBlack;
      Null.Data.Style = bsClear;
      WhitePen.Data.Color = clWhite;
      NullPen.Data.Style = psClear;
      System.Data.Name = u"System";
      System.Data.Height = 16;
      System.Data.Style = {fsBold};
      Gui.Data.Name = u"MS Sans Serif";
      Gui.Data.Height = -11;
      for (TGdiObject* o : std::initializer_list<TGdiObject*>{&White, &LtGray, &Gray, &DkGray, &Black, &Null, &WhitePen,
                                                              &BlackPen, &NullPen, &System, &Gui})
        o->Permanent = true;
    }
  };
  static Stock& s = *new Stock();
  switch (Index) {
    case WHITE_BRUSH: return &s.White;
    case LTGRAY_BRUSH: return &s.LtGray;
    case GRAY_BRUSH: return &s.Gray;
    case DKGRAY_BRUSH: return &s.DkGray;
    case BLACK_BRUSH: return &s.Black;
    case NULL_BRUSH: return &s.Null;
    case WHITE_PEN: return &s.WhitePen;
    case BLACK_PEN: return &s.BlackPen;
    case NULL_PEN: return &s.NullPen;
    case SYSTEM_FONT: return &s.System;
    case DEFAULT_GUI_FONT: return &s.Gui;
    default: return nullptr;
  }
}

bool DeleteObject(HGDIOBJ Obj) {
  if (!Obj) return false;
  if (Obj->Permanent) return true;
  delete Obj;
  return true;
}

// ---------------------------------------------------------------------------
// Regions

HRGN CreateRectRgn(Integer Left, Integer Top, Integer Right, Integer Bottom) {
  auto* r = new TGdiRegion();
  r->Region = TRegion(TRect(Left, Top, Right, Bottom));
  return r;
}
HRGN CreateRectRgnIndirect(const TRect& R) { return CreateRectRgn(R.Left, R.Top, R.Right, R.Bottom); }
HRGN CreatePolygonRgn(const TPoint* Points, Integer Count, Integer FillMode) {
  auto* r = new TGdiRegion();
  r->Region = TRegion::FromPolygon(Points, Count, FillMode);
  return r;
}
TRegion* RegionOf(HRGN Rgn) {
  auto* r = As<TGdiRegion>(Rgn, gokRegion);
  return r ? &r->Region : nullptr;
}

Integer CombineRgn(HRGN Dest, HRGN Src1, HRGN Src2, Integer Mode) {
  TRegion* d = RegionOf(Dest);
  TRegion* a = RegionOf(Src1);
  if (!d || !a) return ERROR_REGION;
  TRegion result = *a;
  if (Mode != RGN_COPY) {
    TRegion* b = RegionOf(Src2);
    if (!b) return ERROR_REGION;
    switch (Mode) {
      case RGN_AND: result.Intersect(*b); break;
      case RGN_OR: result.Union(*b); break;
      case RGN_XOR: result.Xor(*b); break;
      case RGN_DIFF: result.Subtract(*b); break;
      default: return ERROR_REGION;
    }
  }
  *d = result;
  return RegionKind(*d);
}
bool SetRectRgn(HRGN Rgn, Integer Left, Integer Top, Integer Right, Integer Bottom) {
  TRegion* r = RegionOf(Rgn);
  if (!r) return false;
  *r = TRegion(TRect(Left, Top, Right, Bottom));
  return true;
}
Integer OffsetRgn(HRGN Rgn, Integer DX, Integer DY) {
  TRegion* r = RegionOf(Rgn);
  if (!r) return ERROR_REGION;
  r->Translate(DX, DY);
  return RegionKind(*r);
}
bool PtInRegion(HRGN Rgn, Integer X, Integer Y) {
  TRegion* r = RegionOf(Rgn);
  return r && r->Contains(TPoint(X, Y));
}
bool RectInRegion(HRGN Rgn, const TRect& R) {
  TRegion* r = RegionOf(Rgn);
  return r && r->Overlaps(R);
}
bool EqualRgn(HRGN A, HRGN B) {
  TRegion* a = RegionOf(A);
  TRegion* b = RegionOf(B);
  return a && b && *a == *b;
}
Integer GetRgnBox(HRGN Rgn, TRect& R) {
  TRegion* r = RegionOf(Rgn);
  if (!r) return ERROR_REGION;
  R = r->Bounds();
  return RegionKind(*r);
}

// ---------------------------------------------------------------------------
// TDeviceContext

TDeviceContext::TDeviceContext(cairo_surface_t* Surface, TPoint Origin) {
  S.PenHandle = GetStockObject(BLACK_PEN);
  S.Pen = static_cast<TGdiPen*>(S.PenHandle)->Data;
  S.BrushHandle = GetStockObject(WHITE_BRUSH);
  S.Brush = static_cast<TGdiBrush*>(S.BrushHandle)->Data;
  S.FontHandle = GetStockObject(SYSTEM_FONT);
  S.Font = static_cast<TGdiFont*>(S.FontHandle)->Data;
  SetSurface(Surface, Origin);
}

TDeviceContext::~TDeviceContext() {
  if (FCr) cairo_destroy(FCr);
  if (FSurface) cairo_surface_destroy(FSurface);
}

void TDeviceContext::SetSurface(cairo_surface_t* Surface, TPoint Origin) {
  if (FCr) {
    cairo_destroy(FCr);
    FCr = nullptr;
  }
  if (Surface) cairo_surface_reference(Surface);
  if (FSurface) cairo_surface_destroy(FSurface);
  FSurface = Surface;
  FOrigin = Origin;
  ClipChanged();
}

void TDeviceContext::SetVisible(const TRegion* Visible) {
  FHasVisible = Visible != nullptr;
  FVisible = Visible ? *Visible : TRegion();
  ClipChanged();
}

const TRegion& TDeviceContext::EffectiveClip() {
  if (FClipDirty) {
    if (!FSurface) {
      FEffective = TRegion();
    } else {
      FEffective =
          TRegion(TRect(0, 0, cairo_image_surface_get_width(FSurface), cairo_image_surface_get_height(FSurface)));
      if (FHasVisible) {
        TRegion v = FVisible;
        v.Translate(FOrigin.X, FOrigin.Y);
        FEffective.Intersect(v);
      }
      if (S.HasClip) {
        TRegion c = S.Clip;
        c.Translate(FOrigin.X, FOrigin.Y);
        FEffective.Intersect(c);
      }
    }
    FClipDirty = false;
  }
  return FEffective;
}

cairo_t* TDeviceContext::Cairo() {
  if (!FSurface) return nullptr;
  if (!FCr) {
    FCr = cairo_create(FSurface);
    FCrClipDirty = true;
  }
  if (FCrClipDirty) {
    const TRegion& clip = EffectiveClip();
    cairo_reset_clip(FCr);
    cairo_new_path(FCr);
    for (const TRect& r : clip.Rects()) cairo_rectangle(FCr, r.Left, r.Top, r.Width(), r.Height());
    if (clip.IsEmpty()) cairo_rectangle(FCr, 0, 0, 0, 0);
    cairo_clip(FCr);
    FCrClipDirty = false;
  }
  return FCr;
}

void TDeviceContext::ForClippedRectsRef(const TRect& SurfaceRect, TRectFnRef Fn) {
  if (!FSurface || SurfaceRect.IsEmpty()) return;
  const TRegion& clip = EffectiveClip();
  if (cairo_region_num_rectangles(clip.Raw()) == 1) {
    // The usual case, without building a region per call.
    TRect r;
    if (!IntersectRect(r, SurfaceRect, clip.Bounds())) return;
    cairo_surface_flush(FSurface);
    Fn(r);
    cairo_surface_mark_dirty_rectangle(FSurface, r.Left, r.Top, r.Width(), r.Height());
    return;
  }
  TRegion part(SurfaceRect);
  part.Intersect(clip);
  if (part.IsEmpty()) return;
  cairo_surface_flush(FSurface);
  for (const TRect& r : part.Rects()) Fn(r);
  TRect b = part.Bounds();
  cairo_surface_mark_dirty_rectangle(FSurface, b.Left, b.Top, b.Width(), b.Height());
}

std::uint32_t* TDeviceContext::PixelRow(Integer Y) const {
  unsigned char* data = cairo_image_surface_get_data(FSurface);
  const int stride = cairo_image_surface_get_stride(FSurface);
  return reinterpret_cast<std::uint32_t*>(data + static_cast<std::ptrdiff_t>(Y) * stride);
}

namespace {
inline std::uint32_t PixelOf(COLORREF c) {
  return 0xFF000000u | ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}
inline std::uint32_t ApplyRop2(std::uint32_t d, std::uint32_t p, Integer rop) {
  const unsigned t = static_cast<unsigned>(rop - 1);
  std::uint32_t r = 0;
  if (t & 1) r |= ~p & ~d;
  if (t & 2) r |= ~p & d;
  if (t & 4) r |= p & ~d;
  if (t & 8) r |= p & d;
  return (r & 0x00FFFFFFu) | 0xFF000000u;
}
}  // namespace

void TDeviceContext::RopRect(const TRect& SurfaceRect, COLORREF Color, Integer Rop2) {
  if (Rop2 == R2_NOP) return;
  const std::uint32_t p = PixelOf(Color);
  if (!FSurface) return;
  unsigned char* data = cairo_image_surface_get_data(FSurface);
  const int stride = cairo_image_surface_get_stride(FSurface);
  ForClippedRects(SurfaceRect, [&](const TRect& r) {
    for (Integer y = r.Top; y < r.Bottom; ++y) {
      auto* row = reinterpret_cast<std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride);
      if (Rop2 == R2_COPYPEN) {
        std::fill(row + r.Left, row + r.Right, p);
      } else {
        for (Integer x = r.Left; x < r.Right; ++x) row[x] = ApplyRop2(row[x], p, Rop2);
      }
    }
  });
}

bool TDeviceContext::Mirrored() const {
  if (S.MapMode == MM_TEXT) return false;
  return (S.ViewportExt.cx < 0) != (S.WindowExt.cx < 0);
}

TPoint TDeviceContext::ToSurface(TPoint P) const {
  TPoint d;
  if (S.MapMode == MM_TEXT) {
    d = TPoint(P.X - S.WindowOrg.X + S.ViewportOrg.X, P.Y - S.WindowOrg.Y + S.ViewportOrg.Y);
  } else {
    d.X = ScaleCoord(P.X - S.WindowOrg.X, S.ViewportExt.cx, S.WindowExt.cx) + S.ViewportOrg.X;
    d.Y = ScaleCoord(P.Y - S.WindowOrg.Y, S.ViewportExt.cy, S.WindowExt.cy) + S.ViewportOrg.Y;
  }
  return d + FOrigin;
}

TRect TDeviceContext::ToSurface(const TRect& R) const {
  TPoint a = ToSurface(R.TopLeft()), b = ToSurface(R.BottomRight());
  return TRect(std::min(a.X, b.X), std::min(a.Y, b.Y), std::max(a.X, b.X), std::max(a.Y, b.Y));
}

TPoint TDeviceContext::FromSurface(TPoint P) const {
  P = P - FOrigin;
  if (S.MapMode == MM_TEXT) return TPoint(P.X - S.ViewportOrg.X + S.WindowOrg.X, P.Y - S.ViewportOrg.Y + S.WindowOrg.Y);
  return TPoint(ScaleCoord(P.X - S.ViewportOrg.X, S.WindowExt.cx, S.ViewportExt.cx) + S.WindowOrg.X,
                ScaleCoord(P.Y - S.ViewportOrg.Y, S.WindowExt.cy, S.ViewportExt.cy) + S.WindowOrg.Y);
}

TRect TDeviceContext::FromSurface(const TRect& R) const {
  TPoint a = FromSurface(R.TopLeft()), b = FromSurface(R.BottomRight());
  return TRect(std::min(a.X, b.X), std::min(a.Y, b.Y), std::max(a.X, b.X), std::max(a.Y, b.Y));
}

// ---------------------------------------------------------------------------
// Creating and selecting

HDC CreateSurfaceDC(cairo_surface_t* Surface, TPoint Origin, const TRegion* Visible) {
  auto* dc = new TDeviceContext(Surface, Origin);
  if (Visible) dc->SetVisible(Visible);
  return dc;
}

HDC CreateCompatibleDC(HDC) {
  auto* dc = new TDeviceContext(nullptr, TPoint());
  dc->DefaultBitmap = std::make_unique<TGdiBitmap>(1, 1);
  dc->SetSurface(dc->DefaultBitmap->Surface, TPoint());
  return dc;
}

bool DeleteDC(HDC DC) {
  if (!DC) return false;
  delete DC;
  return true;
}

HGDIOBJ SelectObject(HDC DC, HGDIOBJ Obj) {
  if (!DC || !Obj) return nullptr;
  HGDIOBJ prev = nullptr;
  switch (Obj->Kind) {
    case gokPen:
      prev = DC->S.PenHandle;
      DC->S.PenHandle = Obj;
      DC->S.Pen = static_cast<TGdiPen*>(Obj)->Data;
      break;
    case gokBrush:
      prev = DC->S.BrushHandle;
      DC->S.BrushHandle = Obj;
      DC->S.Brush = static_cast<TGdiBrush*>(Obj)->Data;
      break;
    case gokFont:
      prev = DC->S.FontHandle;
      DC->S.FontHandle = Obj;
      DC->S.Font = static_cast<TGdiFont*>(Obj)->Data;
      break;
    case gokBitmap: {
      if (!DC->DefaultBitmap) return nullptr;  // only memory DCs hold bitmaps
      prev = DC->SelectedBitmap ? DC->SelectedBitmap : DC->DefaultBitmap.get();
      DC->SelectedBitmap = Obj == DC->DefaultBitmap.get() ? nullptr : Obj;
      DC->SetSurface(static_cast<TGdiBitmap*>(Obj)->Surface, TPoint());
      break;
    }
    case gokRegion: SelectClipRgn(DC, Obj); return nullptr;
  }
  return prev;
}

HGDIOBJ GetCurrentObject(HDC DC, TGdiObjectKind Kind) {
  if (!DC) return nullptr;
  switch (Kind) {
    case gokPen: return DC->S.PenHandle;
    case gokBrush: return DC->S.BrushHandle;
    case gokFont: return DC->S.FontHandle;
    case gokBitmap: return DC->SelectedBitmap ? DC->SelectedBitmap : DC->DefaultBitmap.get();
    default: return nullptr;
  }
}

Integer GetDeviceCaps(HDC DC, Integer Index) {
  switch (Index) {
    case LOGPIXELSX:
    case LOGPIXELSY: return 96;
    case NUMCOLORS: return -1;
    case BITSPIXEL: return 32;
    case PLANES: return 1;
    case HORZRES: return DC && DC->Surface() ? cairo_image_surface_get_width(DC->Surface()) : 0;
    case VERTRES: return DC && DC->Surface() ? cairo_image_surface_get_height(DC->Surface()) : 0;
    default: return 0;
  }
}

Integer SaveDC(HDC DC) {
  if (!DC) return 0;
  DC->Saved.push_back(DC->S);
  return static_cast<Integer>(DC->Saved.size());
}

bool RestoreDC(HDC DC, Integer SavedDC) {
  if (!DC || SavedDC == 0) return false;
  const Integer n = static_cast<Integer>(DC->Saved.size());
  const Integer level = SavedDC < 0 ? n + SavedDC + 1 : SavedDC;
  if (level < 1 || level > n) return false;
  DC->S = DC->Saved[static_cast<size_t>(level - 1)];
  DC->Saved.resize(static_cast<size_t>(level - 1));
  DC->ClipChanged();
  return true;
}

COLORREF SetTextColor(HDC DC, COLORREF Color) {
  if (!DC) return CLR_INVALID;
  return std::exchange(DC->S.TextColor, Color & 0xFFFFFF);
}
COLORREF GetTextColor(HDC DC) { return DC ? DC->S.TextColor : CLR_INVALID; }
COLORREF SetBkColor(HDC DC, COLORREF Color) {
  if (!DC) return CLR_INVALID;
  return std::exchange(DC->S.BkColor, Color & 0xFFFFFF);
}
COLORREF GetBkColor(HDC DC) { return DC ? DC->S.BkColor : CLR_INVALID; }
Integer SetBkMode(HDC DC, Integer Mode) {
  if (!DC || (Mode != TRANSPARENT && Mode != OPAQUE)) return 0;
  return std::exchange(DC->S.BkMode, Mode);
}
Integer GetBkMode(HDC DC) { return DC ? DC->S.BkMode : 0; }
UINT SetTextAlign(HDC DC, UINT Align) {
  if (!DC) return 0xFFFFFFFFu;
  return std::exchange(DC->S.TextAlign, Align);
}
UINT GetTextAlign(HDC DC) { return DC ? DC->S.TextAlign : 0xFFFFFFFFu; }
Integer SetROP2(HDC DC, Integer Rop2) {
  if (!DC || Rop2 < R2_BLACK || Rop2 > R2_WHITE) return 0;
  return std::exchange(DC->S.Rop2, Rop2);
}
Integer GetROP2(HDC DC) { return DC ? DC->S.Rop2 : 0; }

// ---------------------------------------------------------------------------
// Mapping

Integer SetMapMode(HDC DC, Integer Mode) {
  if (!DC || (Mode != MM_TEXT && Mode != MM_ISOTROPIC && Mode != MM_ANISOTROPIC)) return 0;
  Integer old = std::exchange(DC->S.MapMode, Mode);
  if (Mode == MM_TEXT) DC->S.WindowExt = DC->S.ViewportExt = TSize(1, 1);
  return old;
}
Integer GetMapMode(HDC DC) { return DC ? DC->S.MapMode : 0; }

bool SetWindowOrgEx(HDC DC, Integer X, Integer Y, TPoint* Old) {
  if (!DC) return false;
  if (Old) *Old = DC->S.WindowOrg;
  DC->S.WindowOrg = TPoint(X, Y);
  return true;
}
bool GetWindowOrgEx(HDC DC, TPoint& P) {
  if (!DC) return false;
  P = DC->S.WindowOrg;
  return true;
}
bool SetViewportOrgEx(HDC DC, Integer X, Integer Y, TPoint* Old) {
  if (!DC) return false;
  if (Old) *Old = DC->S.ViewportOrg;
  DC->S.ViewportOrg = TPoint(X, Y);
  return true;
}
bool GetViewportOrgEx(HDC DC, TPoint& P) {
  if (!DC) return false;
  P = DC->S.ViewportOrg;
  return true;
}
bool OffsetWindowOrgEx(HDC DC, Integer DX, Integer DY, TPoint* Old) {
  if (!DC) return false;
  return SetWindowOrgEx(DC, DC->S.WindowOrg.X + DX, DC->S.WindowOrg.Y + DY, Old);
}
bool OffsetViewportOrgEx(HDC DC, Integer DX, Integer DY, TPoint* Old) {
  if (!DC) return false;
  return SetViewportOrgEx(DC, DC->S.ViewportOrg.X + DX, DC->S.ViewportOrg.Y + DY, Old);
}
// Extents only count in the scaling modes, as on the platform.
bool SetWindowExtEx(HDC DC, Integer X, Integer Y, TSize* Old) {
  if (!DC || X == 0 || Y == 0) return false;
  if (Old) *Old = DC->S.WindowExt;
  if (DC->S.MapMode != MM_TEXT) DC->S.WindowExt = TSize(X, Y);
  return true;
}
bool SetViewportExtEx(HDC DC, Integer X, Integer Y, TSize* Old) {
  if (!DC || X == 0 || Y == 0) return false;
  if (Old) *Old = DC->S.ViewportExt;
  if (DC->S.MapMode != MM_TEXT) DC->S.ViewportExt = TSize(X, Y);
  return true;
}
bool LPtoDP(HDC DC, TPoint* Points, Integer Count) {
  if (!DC || (!Points && Count > 0)) return false;
  for (Integer i = 0; i < Count; ++i) Points[i] = DC->ToSurface(Points[i]) - DC->Origin();
  return true;
}
bool DPtoLP(HDC DC, TPoint* Points, Integer Count) {
  if (!DC || (!Points && Count > 0)) return false;
  for (Integer i = 0; i < Count; ++i) Points[i] = DC->FromSurface(Points[i] + DC->Origin());
  return true;
}

// ---------------------------------------------------------------------------
// Clipping

namespace {
Integer ClipKind(HDC DC) { return RegionKind(DC->EffectiveClip()); }
// A logical rectangle in device units of the DC.
TRect ToDevice(HDC DC, const TRect& R) {
  TRect s = DC->ToSurface(R);
  OffsetRect(s, -DC->Origin().X, -DC->Origin().Y);
  return s;
}
}  // namespace

Integer SelectClipRgn(HDC DC, HRGN Rgn) { return ExtSelectClipRgn(DC, Rgn, RGN_COPY); }

Integer ExtSelectClipRgn(HDC DC, HRGN Rgn, Integer Mode) {
  if (!DC) return ERROR_REGION;
  TRegion* r = RegionOf(Rgn);
  if (!r) {
    if (Mode != RGN_COPY) return ERROR_REGION;
    DC->S.HasClip = false;
    DC->S.Clip = TRegion();
    DC->ClipChanged();
    return ClipKind(DC);
  }
  TDCState& s = DC->S;
  switch (Mode) {
    case RGN_COPY:
      s.Clip = *r;
      s.HasClip = true;
      break;
    case RGN_AND:
      if (s.HasClip) s.Clip.Intersect(*r);
      else s.Clip = *r;
      s.HasClip = true;
      break;
    case RGN_OR:
      if (s.HasClip) s.Clip.Union(*r);  // no clip already allows everything
      break;
    case RGN_DIFF:
      if (!s.HasClip) s.Clip = TRegion(kEverything);
      s.Clip.Subtract(*r);
      s.HasClip = true;
      break;
    case RGN_XOR:
      if (!s.HasClip) s.Clip = TRegion(kEverything);
      s.Clip.Xor(*r);
      s.HasClip = true;
      break;
    default: return ERROR_REGION;
  }
  DC->ClipChanged();
  return ClipKind(DC);
}

Integer GetClipRgn(HDC DC, HRGN Rgn) {
  TRegion* r = RegionOf(Rgn);
  if (!DC || !r) return -1;
  if (!DC->S.HasClip) return 0;
  *r = DC->S.Clip;
  return 1;
}

Integer IntersectClipRect(HDC DC, Integer Left, Integer Top, Integer Right, Integer Bottom) {
  if (!DC) return ERROR_REGION;
  TRect d = ToDevice(DC, TRect(Left, Top, Right, Bottom));
  if (DC->S.HasClip) DC->S.Clip.Intersect(d);
  else DC->S.Clip = TRegion(d);
  DC->S.HasClip = true;
  DC->ClipChanged();
  return ClipKind(DC);
}

Integer ExcludeClipRect(HDC DC, Integer Left, Integer Top, Integer Right, Integer Bottom) {
  if (!DC) return ERROR_REGION;
  TRect d = ToDevice(DC, TRect(Left, Top, Right, Bottom));
  if (!DC->S.HasClip) DC->S.Clip = TRegion(kEverything);
  DC->S.Clip.Subtract(d);
  DC->S.HasClip = true;
  DC->ClipChanged();
  return ClipKind(DC);
}

Integer OffsetClipRgn(HDC DC, Integer DX, Integer DY) {
  if (!DC) return ERROR_REGION;
  if (DC->S.HasClip) {
    DC->S.Clip.Translate(DX, DY);
    DC->ClipChanged();
  }
  return ClipKind(DC);
}

Integer GetClipBox(HDC DC, TRect& R) {
  if (!DC) return ERROR_REGION;
  const TRegion& clip = DC->EffectiveClip();
  R = clip.IsEmpty() ? TRect() : DC->FromSurface(clip.Bounds());
  return RegionKind(clip);
}

bool RectVisible(HDC DC, const TRect& R) {
  if (!DC) return false;
  return DC->EffectiveClip().Overlaps(DC->ToSurface(R));
}

bool PtVisible(HDC DC, Integer X, Integer Y) {
  if (!DC) return false;
  return DC->EffectiveClip().Contains(DC->ToSurface(TPoint(X, Y)));
}
