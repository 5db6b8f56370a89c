#pragma once
// The device-context layer: device contexts over cairo image surfaces, GDI objects
// (pens, brushes, fonts, regions, bitmaps), clipping, coordinate mapping, and the
// drawing calls (lines, fills, edges, frame controls, focus rectangles, text, blits).
//
// Pixel rules follow the classic platform: a rectangle [Left, Right) x [Top, Bottom)
// covers exactly its pixels; a 1-px line covers the pixels from its start up to but
// not including its end; XOR and inversion act on the pixel bits, so drawing twice
// restores the image. Text is antialiased. Coordinates passed to drawing calls are
// logical (window/viewport origins and extents apply); regions are in device units
// of the DC, as on the platform.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <type_traits>
#include <vector>

#include "platform/ui/Graphics.h"

typedef struct _cairo_surface cairo_surface_t;
typedef struct _cairo_region cairo_region_t;
typedef struct _cairo cairo_t;

using UINT = Cardinal;
using DWORD = Cardinal;
using BOOL = bool;

// ---------------------------------------------------------------------------
// Regions

// A set of pixels as non-overlapping rectangles (an owned cairo region).
class TRegion {
public:
  TRegion();
  explicit TRegion(const TRect& R);
  TRegion(const TRegion& o);
  TRegion& operator=(const TRegion& o);
  ~TRegion();

  bool IsEmpty() const;
  TRect Bounds() const;
  std::vector<TRect> Rects() const;
  bool Contains(const TPoint& P) const;
  // True when some pixel of R is in the region.
  bool Overlaps(const TRect& R) const;
  void Intersect(const TRegion& o);
  void Intersect(const TRect& R);
  void Union(const TRegion& o);
  void Union(const TRect& R);
  void Subtract(const TRegion& o);
  void Subtract(const TRect& R);
  void Xor(const TRegion& o);
  void Translate(Integer DX, Integer DY);
  bool operator==(const TRegion& o) const;
  cairo_region_t* Raw() const { return FRegion; }

  // The pixels whose centres lie inside a polygon (ALTERNATE or WINDING fill).
  static TRegion FromPolygon(const TPoint* Points, Integer Count, Integer FillMode);

private:
  cairo_region_t* FRegion;
};

// ---------------------------------------------------------------------------
// GDI objects

enum TGdiObjectKind { gokPen, gokBrush, gokFont, gokRegion, gokBitmap };

struct TGdiObject {
  explicit TGdiObject(TGdiObjectKind k) : Kind(k) {}
  virtual ~TGdiObject() = default;
  TGdiObject(const TGdiObject&) = delete;
  TGdiObject& operator=(const TGdiObject&) = delete;
  const TGdiObjectKind Kind;
  // Stock and shared objects survive DeleteObject.
  bool Permanent = false;
};

struct TGdiPen final : TGdiObject {
  TGdiPen() : TGdiObject(gokPen) {}
  TPenData Data;
};

struct TGdiBrush final : TGdiObject {
  TGdiBrush() : TGdiObject(gokBrush) {}
  TBrushData Data;
};

struct TGdiFont final : TGdiObject {
  TGdiFont() : TGdiObject(gokFont) {}
  TFontData Data;
};

struct TGdiRegion final : TGdiObject {
  TGdiRegion() : TGdiObject(gokRegion) {}
  TRegion Region;
};

// A 32-bit image a memory DC can select; owns its surface.
struct TGdiBitmap final : TGdiObject {
  // A new black image.
  explicit TGdiBitmap(Integer Width, Integer Height);
  // Shares an existing image (takes a reference).
  explicit TGdiBitmap(cairo_surface_t* Shared);
  ~TGdiBitmap() override;
  cairo_surface_t* Surface = nullptr;
  Integer Width = 0;
  Integer Height = 0;
};

// Pen styles and geometric pen flags.
enum : DWORD {
  PS_SOLID = 0,
  PS_DASH = 1,
  PS_DOT = 2,
  PS_DASHDOT = 3,
  PS_DASHDOTDOT = 4,
  PS_NULL = 5,
  PS_INSIDEFRAME = 6,
  PS_STYLE_MASK = 0xF,
  PS_ENDCAP_ROUND = 0,
  PS_ENDCAP_SQUARE = 0x100,
  PS_ENDCAP_FLAT = 0x200,
  PS_ENDCAP_MASK = 0xF00,
  PS_JOIN_ROUND = 0,
  PS_JOIN_BEVEL = 0x1000,
  PS_JOIN_MITER = 0x2000,
  PS_JOIN_MASK = 0xF000,
  PS_COSMETIC = 0,
  PS_GEOMETRIC = 0x10000,
  PS_TYPE_MASK = 0xF0000,
};
enum : UINT { BS_SOLID = 0, BS_NULL = 1, BS_HOLLOW = 1, BS_HATCHED = 2 };

struct TLogBrush {
  UINT lbStyle = BS_SOLID;
  COLORREF lbColor = 0;
  UINT lbHatch = 0;
};
using LOGBRUSH = TLogBrush;

struct TLogFont {
  Integer lfHeight = 0;
  Integer lfWidth = 0;
  Integer lfEscapement = 0;
  Integer lfOrientation = 0;
  Integer lfWeight = 400;
  Byte lfItalic = 0;
  Byte lfUnderline = 0;
  Byte lfStrikeOut = 0;
  Byte lfCharSet = DEFAULT_CHARSET;
  Byte lfOutPrecision = 0;
  Byte lfClipPrecision = 0;
  Byte lfQuality = 0;
  Byte lfPitchAndFamily = 0;
  String lfFaceName;
};
using LOGFONT = TLogFont;
using LOGFONTW = TLogFont;
enum : Integer { FW_NORMAL = 400, FW_BOLD = 700 };
enum : Byte { DEFAULT_PITCH = 0, FIXED_PITCH = 1, VARIABLE_PITCH = 2 };
enum : Byte { OUT_DEFAULT_PRECIS = 0, OUT_TT_ONLY_PRECIS = 7 };

HPEN CreatePen(Integer Style, Integer Width, COLORREF Color);
HPEN ExtCreatePen(DWORD PenStyle, DWORD Width, const TLogBrush& Brush, DWORD StyleCount = 0,
                  const DWORD* Style = nullptr);
HBRUSH CreateSolidBrush(COLORREF Color);
HFONT CreateFontIndirect(const TLogFont& LogFont);
inline HFONT CreateFontIndirectW(const TLogFont& LogFont) { return CreateFontIndirect(LogFont); }
HBITMAP CreateCompatibleBitmap(HDC DC, Integer Width, Integer Height);
// A shared brush of a system colour; never deleted.
HBRUSH GetSysColorBrush(Integer Index);
// Frees an object created by a Create... call; stock and shared objects are kept.
// A DC keeps copies of what was selected, so it never reads a deleted object.
bool DeleteObject(HGDIOBJ Obj);

enum : Integer {
  WHITE_BRUSH = 0,
  LTGRAY_BRUSH = 1,
  GRAY_BRUSH = 2,
  DKGRAY_BRUSH = 3,
  BLACK_BRUSH = 4,
  NULL_BRUSH = 5,
  HOLLOW_BRUSH = 5,
  WHITE_PEN = 6,
  BLACK_PEN = 7,
  NULL_PEN = 8,
  SYSTEM_FONT = 13,
  DEFAULT_GUI_FONT = 17,
};
HGDIOBJ GetStockObject(Integer Index);

// ---------------------------------------------------------------------------
// Regions (device units)

enum : Integer { ERROR_REGION = 0, NULLREGION = 1, SIMPLEREGION = 2, COMPLEXREGION = 3 };
constexpr Integer RGN_ERROR = ERROR_REGION;
enum : Integer { RGN_AND = 1, RGN_OR = 2, RGN_XOR = 3, RGN_DIFF = 4, RGN_COPY = 5 };
enum : Integer { ALTERNATE = 1, WINDING = 2 };

HRGN CreateRectRgn(Integer Left, Integer Top, Integer Right, Integer Bottom);
HRGN CreateRectRgnIndirect(const TRect& R);
HRGN CreatePolygonRgn(const TPoint* Points, Integer Count, Integer FillMode);
Integer CombineRgn(HRGN Dest, HRGN Src1, HRGN Src2, Integer Mode);
bool SetRectRgn(HRGN Rgn, Integer Left, Integer Top, Integer Right, Integer Bottom);
Integer OffsetRgn(HRGN Rgn, Integer DX, Integer DY);
bool PtInRegion(HRGN Rgn, Integer X, Integer Y);
bool RectInRegion(HRGN Rgn, const TRect& R);
bool EqualRgn(HRGN A, HRGN B);
Integer GetRgnBox(HRGN Rgn, TRect& R);
// The region object behind a handle, or nullptr when it is not a region.
TRegion* RegionOf(HRGN Rgn);

// ---------------------------------------------------------------------------
// Device contexts

enum : Integer { TRANSPARENT = 1, OPAQUE = 2 };
enum : UINT {
  TA_NOUPDATECP = 0,
  TA_UPDATECP = 1,
  TA_LEFT = 0,
  TA_RIGHT = 2,
  TA_CENTER = 6,
  TA_TOP = 0,
  TA_BOTTOM = 8,
  TA_BASELINE = 24,
  TA_RTLREADING = 256,
};
enum : Integer {
  R2_BLACK = 1,
  R2_NOTMERGEPEN = 2,
  R2_MASKNOTPEN = 3,
  R2_NOTCOPYPEN = 4,
  R2_MASKPENNOT = 5,
  R2_NOT = 6,
  R2_XORPEN = 7,
  R2_NOTMASKPEN = 8,
  R2_MASKPEN = 9,
  R2_NOTXORPEN = 10,
  R2_NOP = 11,
  R2_MERGENOTPEN = 12,
  R2_COPYPEN = 13,
  R2_MERGEPENNOT = 14,
  R2_MERGEPEN = 15,
  R2_WHITE = 16,
};
enum : Integer { MM_TEXT = 1, MM_ISOTROPIC = 7, MM_ANISOTROPIC = 8 };
enum : Integer {
  HORZRES = 8,
  VERTRES = 10,
  BITSPIXEL = 12,
  PLANES = 14,
  NUMCOLORS = 24,
  LOGPIXELSX = 88,
  LOGPIXELSY = 90
};

// The text measurer and renderer. The default one shapes with pango (DejaVu faces,
// and for the classic UI faces the installed face closest to them in width);
// tests may install another to get exact, font-independent numbers.
struct TTextMetric {
  Integer tmHeight = 0;
  Integer tmAscent = 0;
  Integer tmDescent = 0;
  Integer tmInternalLeading = 0;
  Integer tmExternalLeading = 0;
  Integer tmAveCharWidth = 0;
  Integer tmMaxCharWidth = 0;
  Integer tmWeight = 400;
  Integer tmOverhang = 0;
  Integer tmDigitizedAspectX = 96;
  Integer tmDigitizedAspectY = 96;
  Char tmFirstChar = 0x20;
  Char tmLastChar = 0xFFFC;
  Char tmDefaultChar = 0x1F;
  Char tmBreakChar = 0x20;
  Byte tmItalic = 0;
  Byte tmUnderlined = 0;
  Byte tmStruckOut = 0;
  Byte tmPitchAndFamily = 0;
  Byte tmCharSet = DEFAULT_CHARSET;
};
using TEXTMETRIC = TTextMetric;
using TEXTMETRICW = TTextMetric;

// Makes a colour the cairo context's source: what the drawing calls and the
// text engines paint with.
void SetCairoSource(cairo_t* Cr, COLORREF Color);

class TTextEngine {
public:
  virtual ~TTextEngine() = default;
  virtual TTextMetric GetMetrics(const TFontData& Font) = 0;
  // The advance width of a single line of text, in pixels.
  virtual Integer TextWidth(const TFontData& Font, StringView Text) = 0;
  // Draws one line with the top of its cell at (X, Y) in the cairo context's
  // coordinates, unrotated; Orientation is applied by the caller.
  virtual void DrawLine(cairo_t* Cr, const TFontData& Font, StringView Text, double X, double Y, COLORREF Color) = 0;
  // The same line read right to left: laid out with a right-to-left base
  // direction and ending where the line would end at TextWidth from X. An engine
  // that knows no directions draws it as DrawLine does.
  virtual void DrawLineRightToLeft(cairo_t* Cr, const TFontData& Font, StringView Text, double X, double Y,
                                   COLORREF Color) {
    DrawLine(Cr, Font, Text, X, Y, Color);
  }
};

TTextEngine* GetTextEngine();
// Installs an engine (not owned) and returns the previous one; nullptr restores pango.
TTextEngine* SetTextEngine(TTextEngine* Engine);

// A text engine where every character is CharWidth wide and a line is Height tall;
// glyphs are drawn as filled boxes. For tests that need exact geometry.
class TFixedPitchTextEngine final : public TTextEngine {
public:
  TFixedPitchTextEngine(Integer CharWidth, Integer Height, Integer Ascent)
      : FCharWidth(CharWidth), FHeight(Height), FAscent(Ascent) {}
  TTextMetric GetMetrics(const TFontData& Font) override;
  Integer TextWidth(const TFontData& Font, StringView Text) override;
  void DrawLine(cairo_t* Cr, const TFontData& Font, StringView Text, double X, double Y, COLORREF Color) override;

private:
  Integer FCharWidth, FHeight, FAscent;
};

class TGdiRecorder;

// One saved state of a device context (SaveDC).
struct TDCState {
  HGDIOBJ PenHandle = nullptr;
  HGDIOBJ BrushHandle = nullptr;
  HGDIOBJ FontHandle = nullptr;
  TPenData Pen;
  TBrushData Brush;
  TFontData Font;
  COLORREF TextColor = 0;
  COLORREF BkColor = 0xFFFFFF;
  Integer BkMode = OPAQUE;
  UINT TextAlign = TA_LEFT | TA_TOP;
  Integer Rop2 = R2_COPYPEN;
  TPoint PenPos;
  bool HasClip = false;
  TRegion Clip;  // the application clip, device units
  Integer MapMode = MM_TEXT;
  TPoint WindowOrg, ViewportOrg;
  TSize WindowExt{1, 1}, ViewportExt{1, 1};
};

// A non-owning reference to something callable with a rectangle: passing a
// lambda costs no allocation, where a std::function of a lambda capturing more
// than two references allocates on every call (once per filled rectangle).
class TRectFnRef {
public:
  template <class F>
  requires(!std::is_same_v<std::remove_cv_t<F>, TRectFnRef>) TRectFnRef(F& Fn)
      : FObject(const_cast<void*>(static_cast<const void*>(&Fn))),
        FCall([](void* O, const TRect& R) { (*static_cast<F*>(O))(R); }) {}
  void operator()(const TRect& R) const { FCall(FObject, R); }

private:
  void* FObject;
  void (*FCall)(void*, const TRect&);
};

// A device context. Drawing goes to a cairo ARGB32 image surface (or nowhere, for a
// measuring context). DC device (0, 0) lies at Origin of the surface; Visible, in
// device units, limits what may be touched (the window code sets it).
struct TDeviceContext {
  TDeviceContext(cairo_surface_t* Surface, TPoint Origin);
  ~TDeviceContext();
  TDeviceContext(const TDeviceContext&) = delete;
  TDeviceContext& operator=(const TDeviceContext&) = delete;

  // Retargets the context (a bitmap selected into a memory DC, a resized image).
  void SetSurface(cairo_surface_t* Surface, TPoint Origin);
  cairo_surface_t* Surface() const { return FSurface; }
  TPoint Origin() const { return FOrigin; }
  void SetVisible(const TRegion* Visible);  // nullptr: the whole surface
  const TRegion* Visible() const { return FHasVisible ? &FVisible : nullptr; }

  TDCState S;
  std::vector<TDCState> Saved;
  HGDIOBJ SelectedBitmap = nullptr;  // memory DCs
  std::unique_ptr<TGdiBitmap> DefaultBitmap;
  TGdiRecorder* Recorder = nullptr;  // hears the drawing calls (SetGdiRecorder); not owned

  // The clip in surface pixels: surface bounds ∩ Visible ∩ application clip.
  const TRegion& EffectiveClip();
  void ClipChanged() {
    FClipDirty = true;
    FCrClipDirty = true;
  }
  // A cairo context on the surface with the effective clip applied; nullptr when
  // there is no surface.
  cairo_t* Cairo();

  // Direct pixel access for exact and bitwise drawing. Calls Fn for each part of
  // SurfaceRect inside the clip, between a flush and a dirty mark of the surface.
  template <class F>
  void ForClippedRects(const TRect& SurfaceRect, F&& Fn) {
    ForClippedRectsRef(SurfaceRect, TRectFnRef(Fn));
  }
  void ForClippedRectsRef(const TRect& SurfaceRect, TRectFnRef Fn);
  std::uint32_t* PixelRow(Integer Y) const;
  // Applies a binary raster operation (R2_*) of Color to the pixels of SurfaceRect.
  void RopRect(const TRect& SurfaceRect, COLORREF Color, Integer Rop2);

  // Logical -> surface pixel mapping, and back.
  TPoint ToSurface(TPoint P) const;
  TRect ToSurface(const TRect& R) const;  // normalised
  TPoint FromSurface(TPoint P) const;
  TRect FromSurface(const TRect& R) const;  // normalised
  bool Mirrored() const;

private:
  cairo_surface_t* FSurface = nullptr;
  TPoint FOrigin;
  bool FHasVisible = false;
  TRegion FVisible;
  TRegion FEffective;
  bool FClipDirty = true;
  bool FCrClipDirty = true;
  cairo_t* FCr = nullptr;
};

// A DC over Surface (not owned) with device (0, 0) at Origin; free it with DeleteDC.
HDC CreateSurfaceDC(cairo_surface_t* Surface, TPoint Origin, const TRegion* Visible);
// A memory DC holding a 1x1 bitmap until another is selected; DC may be nullptr.
HDC CreateCompatibleDC(HDC DC);
bool DeleteDC(HDC DC);
// Selects a pen, brush, font or bitmap and returns the previous one; a region is
// selected as the clip (SelectClipRgn) and nullptr is returned.
HGDIOBJ SelectObject(HDC DC, HGDIOBJ Obj);
HGDIOBJ GetCurrentObject(HDC DC, TGdiObjectKind Kind);
Integer GetDeviceCaps(HDC DC, Integer Index);

Integer SaveDC(HDC DC);
bool RestoreDC(HDC DC, Integer SavedDC);

COLORREF SetTextColor(HDC DC, COLORREF Color);
COLORREF GetTextColor(HDC DC);
COLORREF SetBkColor(HDC DC, COLORREF Color);
COLORREF GetBkColor(HDC DC);
Integer SetBkMode(HDC DC, Integer Mode);
Integer GetBkMode(HDC DC);
UINT SetTextAlign(HDC DC, UINT Align);
UINT GetTextAlign(HDC DC);
Integer SetROP2(HDC DC, Integer Rop2);
Integer GetROP2(HDC DC);

// Mapping: device = (logical - WindowOrg) * ViewportExt / WindowExt + ViewportOrg.
Integer SetMapMode(HDC DC, Integer Mode);
Integer GetMapMode(HDC DC);
bool SetWindowOrgEx(HDC DC, Integer X, Integer Y, TPoint* Old);
bool GetWindowOrgEx(HDC DC, TPoint& P);
bool SetViewportOrgEx(HDC DC, Integer X, Integer Y, TPoint* Old);
bool GetViewportOrgEx(HDC DC, TPoint& P);
bool SetWindowExtEx(HDC DC, Integer X, Integer Y, TSize* Old);
bool SetViewportExtEx(HDC DC, Integer X, Integer Y, TSize* Old);
bool OffsetWindowOrgEx(HDC DC, Integer DX, Integer DY, TPoint* Old);
bool OffsetViewportOrgEx(HDC DC, Integer DX, Integer DY, TPoint* Old);
bool LPtoDP(HDC DC, TPoint* Points, Integer Count);
bool DPtoLP(HDC DC, TPoint* Points, Integer Count);

// Clipping. Regions are in device units; rectangles of IntersectClipRect and
// ExcludeClipRect are logical.
Integer SelectClipRgn(HDC DC, HRGN Rgn);
Integer ExtSelectClipRgn(HDC DC, HRGN Rgn, Integer Mode);
// 1 and a copy of the clip in Rgn when the DC has one, 0 when it has none, -1 on error.
Integer GetClipRgn(HDC DC, HRGN Rgn);
Integer IntersectClipRect(HDC DC, Integer Left, Integer Top, Integer Right, Integer Bottom);
Integer ExcludeClipRect(HDC DC, Integer Left, Integer Top, Integer Right, Integer Bottom);
Integer OffsetClipRgn(HDC DC, Integer DX, Integer DY);
// The bounds of what can be drawn, logical.
Integer GetClipBox(HDC DC, TRect& R);
bool RectVisible(HDC DC, const TRect& R);
bool PtVisible(HDC DC, Integer X, Integer Y);

// ---------------------------------------------------------------------------
// Lines and shapes (with the selected pen and brush)

bool MoveToEx(HDC DC, Integer X, Integer Y, TPoint* Old);
bool GetCurrentPositionEx(HDC DC, TPoint& P);
bool LineTo(HDC DC, Integer X, Integer Y);
bool Polyline(HDC DC, const TPoint* Points, Integer Count);
bool PolyPolyline(HDC DC, const TPoint* Points, const DWORD* Counts, DWORD Polylines);
bool Polygon(HDC DC, const TPoint* Points, Integer Count);
bool Rectangle(HDC DC, Integer Left, Integer Top, Integer Right, Integer Bottom);
bool Ellipse(HDC DC, Integer Left, Integer Top, Integer Right, Integer Bottom);
COLORREF GetPixel(HDC DC, Integer X, Integer Y);
COLORREF SetPixel(HDC DC, Integer X, Integer Y, COLORREF Color);

// Brush may also be a system colour index + 1 cast to a handle, as on the platform.
Integer FillRect(HDC DC, const TRect& R, HBRUSH Brush);
Integer FrameRect(HDC DC, const TRect& R, HBRUSH Brush);
bool InvertRect(HDC DC, const TRect& R);
// A dotted frame drawn by inverting every other pixel: drawing it again removes it.
bool DrawFocusRect(HDC DC, const TRect& R);

// ---------------------------------------------------------------------------
// Edges and frame controls

enum : UINT {
  BDR_RAISEDOUTER = 0x1,
  BDR_SUNKENOUTER = 0x2,
  BDR_RAISEDINNER = 0x4,
  BDR_SUNKENINNER = 0x8,
  BDR_OUTER = 0x3,
  BDR_INNER = 0xC,
  BDR_RAISED = 0x5,
  BDR_SUNKEN = 0xA,
  EDGE_RAISED = BDR_RAISEDOUTER | BDR_RAISEDINNER,
  EDGE_SUNKEN = BDR_SUNKENOUTER | BDR_SUNKENINNER,
  EDGE_ETCHED = BDR_SUNKENOUTER | BDR_RAISEDINNER,
  EDGE_BUMP = BDR_RAISEDOUTER | BDR_SUNKENINNER,
};
enum : UINT {
  BF_LEFT = 0x1,
  BF_TOP = 0x2,
  BF_RIGHT = 0x4,
  BF_BOTTOM = 0x8,
  BF_TOPLEFT = BF_TOP | BF_LEFT,
  BF_TOPRIGHT = BF_TOP | BF_RIGHT,
  BF_BOTTOMLEFT = BF_BOTTOM | BF_LEFT,
  BF_BOTTOMRIGHT = BF_BOTTOM | BF_RIGHT,
  BF_RECT = BF_LEFT | BF_TOP | BF_RIGHT | BF_BOTTOM,
  BF_MIDDLE = 0x800,
  BF_SOFT = 0x1000,
  BF_ADJUST = 0x2000,
  BF_FLAT = 0x4000,
  BF_MONO = 0x8000,
};
// Draws the edges in the classic colours; BF_ADJUST shrinks Rect by what was drawn.
bool DrawEdge(HDC DC, TRect& Rect, UINT Edge, UINT Flags);

enum : UINT { DFC_CAPTION = 1, DFC_MENU = 2, DFC_SCROLL = 3, DFC_BUTTON = 4 };
enum : UINT {
  DFCS_BUTTONCHECK = 0x0,
  DFCS_BUTTONRADIOIMAGE = 0x1,
  DFCS_BUTTONRADIOMASK = 0x2,
  DFCS_BUTTONRADIO = 0x4,
  DFCS_BUTTON3STATE = 0x8,
  DFCS_BUTTONPUSH = 0x10,
  DFCS_SCROLLUP = 0x0,
  DFCS_SCROLLDOWN = 0x1,
  DFCS_SCROLLLEFT = 0x2,
  DFCS_SCROLLRIGHT = 0x3,
  DFCS_SCROLLCOMBOBOX = 0x5,
  DFCS_INACTIVE = 0x100,
  DFCS_PUSHED = 0x200,
  DFCS_CHECKED = 0x400,
  DFCS_TRANSPARENT = 0x800,
  DFCS_HOT = 0x1000,
  DFCS_ADJUSTRECT = 0x2000,
  DFCS_FLAT = 0x4000,
  DFCS_MONO = 0x8000,
};
// Buttons, check boxes, radio buttons and scroll arrows in the classic look.
bool DrawFrameControl(HDC DC, TRect& Rect, UINT Type, UINT State);

// ---------------------------------------------------------------------------
// Raster operations

enum : DWORD {
  SRCCOPY = 0x00CC0020,
  SRCPAINT = 0x00EE0086,
  SRCAND = 0x008800C6,
  SRCINVERT = 0x00660046,
  SRCERASE = 0x00440328,
  NOTSRCCOPY = 0x00330008,
  NOTSRCERASE = 0x001100A6,
  MERGEPAINT = 0x00BB0226,
  PATCOPY = 0x00F00021,
  PATINVERT = 0x005A0049,
  DSTINVERT = 0x00550009,
  BLACKNESS = 0x00000042,
  WHITENESS = 0x00FF0062,
};
// PATCOPY and PATINVERT use the selected brush.
bool PatBlt(HDC DC, Integer X, Integer Y, Integer W, Integer H, DWORD Rop);
bool BitBlt(HDC Dest, Integer X, Integer Y, Integer W, Integer H, HDC Src, Integer SX, Integer SY, DWORD Rop);
bool StretchBlt(HDC Dest, Integer X, Integer Y, Integer W, Integer H, HDC Src, Integer SX, Integer SY, Integer SW,
                Integer SH, DWORD Rop);

enum : Byte { AC_SRC_OVER = 0, AC_SRC_ALPHA = 1 };
struct TBlendFunction {
  Byte BlendOp = AC_SRC_OVER;
  Byte BlendFlags = 0;
  Byte SourceConstantAlpha = 255;
  Byte AlphaFormat = 0;
};
using BLENDFUNCTION = TBlendFunction;
// Source over destination with a constant alpha (AC_SRC_ALPHA also uses the source's).
bool AlphaBlend(HDC Dest, Integer X, Integer Y, Integer W, Integer H, HDC Src, Integer SX, Integer SY, Integer SW,
                Integer SH, TBlendFunction Blend);

struct TTriVertex {
  Integer x = 0, y = 0;
  Word Red = 0, Green = 0, Blue = 0, Alpha = 0;  // 16-bit channels
};
struct TGradientRect {
  Cardinal UpperLeft = 0, LowerRight = 1;
};
enum : Cardinal { GRADIENT_FILL_RECT_H = 0, GRADIENT_FILL_RECT_V = 1 };
// Horizontal or vertical two-colour gradients, one colour per pixel column or row.
bool GradientFill(HDC DC, const TTriVertex* Vertices, Cardinal NumVertices, const TGradientRect* Rects,
                  Cardinal NumRects, Cardinal Mode);

// ---------------------------------------------------------------------------
// Text

enum : UINT {
  DT_TOP = 0x0,
  DT_LEFT = 0x0,
  DT_CENTER = 0x1,
  DT_RIGHT = 0x2,
  DT_VCENTER = 0x4,
  DT_BOTTOM = 0x8,
  DT_WORDBREAK = 0x10,
  DT_SINGLELINE = 0x20,
  DT_EXPANDTABS = 0x40,
  DT_TABSTOP = 0x80,
  DT_NOCLIP = 0x100,
  DT_EXTERNALLEADING = 0x200,
  DT_CALCRECT = 0x400,
  DT_NOPREFIX = 0x800,
  DT_INTERNAL = 0x1000,
  DT_EDITCONTROL = 0x2000,
  DT_PATH_ELLIPSIS = 0x4000,
  DT_END_ELLIPSIS = 0x8000,
  DT_MODIFYSTRING = 0x10000,
  DT_RTLREADING = 0x20000,
  DT_WORD_ELLIPSIS = 0x40000,
  DT_NOFULLWIDTHCHARBREAK = 0x80000,
  DT_HIDEPREFIX = 0x100000,
  DT_PREFIXONLY = 0x200000,
};

struct TDrawTextParams {
  UINT cbSize = 20;
  Integer iTabLength = 8;
  Integer iLeftMargin = 0;
  Integer iRightMargin = 0;
  UINT uiLengthDrawn = 0;
};
using DRAWTEXTPARAMS = TDrawTextParams;

// Count -1 takes the whole text. Returns the text height (the offset from Rect.Top to
// the bottom of the text with DT_VCENTER or DT_BOTTOM); with DT_CALCRECT draws nothing
// and sets Rect's right and bottom to the text's.
Integer DrawText(HDC DC, const String& Text, Integer Count, TRect& Rect, UINT Format);
Integer DrawTextEx(HDC DC, const String& Text, Integer Count, TRect& Rect, UINT Format, TDrawTextParams* Params);
inline Integer DrawTextW(HDC DC, const String& Text, Integer Count, TRect& Rect, UINT Format) {
  return DrawText(DC, Text, Count, Rect, Format);
}
inline Integer DrawTextExW(HDC DC, const String& Text, Integer Count, TRect& Rect, UINT Format,
                           TDrawTextParams* Params) {
  return DrawTextEx(DC, Text, Count, Rect, Format, Params);
}

enum : UINT { ETO_OPAQUE = 0x2, ETO_CLIPPED = 0x4, ETO_RTLREADING = 0x80 };
bool ExtTextOut(HDC DC, Integer X, Integer Y, UINT Options, const TRect* Rect, const String& Text, Integer Count,
                const Integer* Dx = nullptr);
inline bool ExtTextOutW(HDC DC, Integer X, Integer Y, UINT Options, const TRect* Rect, const String& Text,
                        Integer Count, const Integer* Dx = nullptr) {
  return ExtTextOut(DC, X, Y, Options, Rect, Text, Count, Dx);
}
bool TextOut(HDC DC, Integer X, Integer Y, const String& Text, Integer Count);
bool GetTextMetrics(HDC DC, TTextMetric& TM);
inline bool GetTextMetricsW(HDC DC, TTextMetric& TM) { return GetTextMetrics(DC, TM); }
bool GetTextExtentPoint32(HDC DC, const String& Text, Integer Count, TSize& Size);

// The outline metrics the callers read: the slope of italic faces and the em square.
struct TOutlineTextMetric {
  UINT otmSize = 0;
  TTextMetric otmTextMetrics;
  Integer otmsCharSlopeRise = 1;
  Integer otmsCharSlopeRun = 0;
  Integer otmItalicAngle = 0;  // tenths of a degree, negative leaning right
  UINT otmEMSquare = 2048;
  Integer otmAscent = 0;
  Integer otmDescent = 0;
};
using OUTLINETEXTMETRIC = TOutlineTextMetric;
using OUTLINETEXTMETRICW = TOutlineTextMetric;
// Fills Metric when it is given; returns the size of the record, 0 on failure.
UINT GetOutlineTextMetrics(HDC DC, UINT Size, TOutlineTextMetric* Metric);
inline UINT GetOutlineTextMetricsW(HDC DC, UINT Size, TOutlineTextMetric* Metric) {
  return GetOutlineTextMetrics(DC, Size, Metric);
}
inline bool GetTextExtentPoint32W(HDC DC, const String& Text, Integer Count, TSize& Size) {
  return GetTextExtentPoint32(DC, Text, Count, Size);
}

// ---------------------------------------------------------------------------
// Recording
//
// A recorder attached to a device context hears the drawing calls made on it, one
// entry per call, with the call's own arguments (logical coordinates) and what the
// context held then (brush, pen, text colours, font). A call that other calls make
// on its behalf (the edges of a frame control, the pixels of an image) is heard
// once, as itself. Tests read what was drawn from it instead of guessing from
// pixels; drawing routines above this layer can add notes of what they drew.

enum TGdiOpKind {
  gopFillRect,
  gopFrameRect,
  gopInvertRect,
  gopFocusRect,
  gopRectangle,
  gopLine,
  gopEdge,
  gopFrameControl,
  gopText,
  gopBlit,
  gopAlphaBlend,
  gopGradient,
  gopImage,
  gopNote
};

struct TGdiOp {
  TGdiOpKind Kind = gopNote;
  // The rectangle drawn into: a fill's, an edge's, a blit's destination; a text's
  // clip or layout rectangle (empty for ExtTextOut without one); an image's cell.
  TRect Rect;
  // Lines: the points of each polyline, one after the other (Counts tells how many each).
  std::vector<TPoint> Points;
  std::vector<DWORD> Counts;
  // Where a text was put (ExtTextOut) or its layout rectangle's top-left (DrawText).
  TPoint Origin;
  // A fill's brush, a line's pen, a text's text colour; as RGB.
  COLORREF Color = 0;
  // A text's background colour and mode.
  COLORREF BkColor = 0;
  Integer BkMode = OPAQUE;
  TPenStyle PenStyle = psSolid;
  bool Hollow = false;  // a fill with a clear brush
  String Text;          // texts; a note's name
  TFontData Font;       // texts
  // DrawText's format, ExtTextOut's options, an edge's BF_ flags, a frame control's
  // state, an image's ILD_ style, a blit's raster operation.
  UINT Flags = 0;
  // An edge's BDR_ kind, a frame control's type; a text's call (gtxExtTextOut, gtxDrawText).
  UINT Type = 0;
  // A blend's constant alpha, an image's index, a note's value.
  Integer Value = 0;
  // The image list an image came from.
  const void* Source = nullptr;
};

enum : UINT { gtxExtTextOut = 1, gtxDrawText = 2 };

class TGdiRecorder {
public:
  std::vector<TGdiOp> Ops;
  void Clear() { Ops.clear(); }
  // The entries of one kind, in the order they were drawn.
  std::vector<const TGdiOp*> OfKind(TGdiOpKind Kind) const;
  // The entries of one kind whose rectangle lies inside R (texts and images by their
  // rectangle, or by their origin when they have none).
  std::vector<const TGdiOp*> Within(TGdiOpKind Kind, const TRect& R) const;
  // Notes of that name.
  std::vector<const TGdiOp*> Notes(const String& What) const;

  // Calls in progress: only the outermost is recorded.
  Integer Depth = 0;
};

// Attaches a recorder (not owned) to a device context; nullptr detaches.
void SetGdiRecorder(HDC DC, TGdiRecorder* Recorder);
TGdiRecorder* GetGdiRecorder(HDC DC);
// Adds a note (a name, a rectangle, a value) for the context's recorder, if any;
// the name is copied only when a recorder takes it.
void GdiRecordNote(HDC DC, StringView What, const TRect& R, Integer Value);

// One call being recorded: made on entry to a drawing call; its entry is kept when
// the outermost call returns. Op is filled only when Active().
class TGdiRecordScope {
public:
  TGdiRecordScope(HDC DC, TGdiOpKind Kind);
  ~TGdiRecordScope();
  TGdiRecordScope(const TGdiRecordScope&) = delete;
  TGdiRecordScope& operator=(const TGdiRecordScope&) = delete;
  bool Active() const { return FRecorder && FOutermost; }
  // The operation being recorded; only while Active.
  TGdiOp& Op() { return *FOp; }

private:
  TGdiRecorder* FRecorder;
  bool FOutermost = false;
  // Made only when recording: an operation holds strings, and every drawing
  // call opens a scope.
  std::optional<TGdiOp> FOp;
};
