#pragma once
// Colours, pens, brushes, fonts, the canvas and bitmaps. A canvas draws through a
// device context (GDI.h), so the canvas methods and direct GDI calls on its Handle
// mix freely. Colours are $00BBGGRR; system colours are $FF0000nn and resolve
// through a fixed classic palette (GetSysColor).

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <vector>

#include "platform/core/Exceptions.h"
#include "platform/core/Object.h"
#include "platform/ui/Geometry.h"

class TStream;

// ---------------------------------------------------------------------------
// Colours

using TColor = Integer;
using COLORREF = std::uint32_t;

constexpr TColor clSystemColor = static_cast<TColor>(0xFF000000u);

// System colour indexes (GetSysColor).
enum : Integer {
  COLOR_SCROLLBAR = 0,
  COLOR_BACKGROUND = 1,
  COLOR_ACTIVECAPTION = 2,
  COLOR_INACTIVECAPTION = 3,
  COLOR_MENU = 4,
  COLOR_WINDOW = 5,
  COLOR_WINDOWFRAME = 6,
  COLOR_MENUTEXT = 7,
  COLOR_WINDOWTEXT = 8,
  COLOR_CAPTIONTEXT = 9,
  COLOR_ACTIVEBORDER = 10,
  COLOR_INACTIVEBORDER = 11,
  COLOR_APPWORKSPACE = 12,
  COLOR_HIGHLIGHT = 13,
  COLOR_HIGHLIGHTTEXT = 14,
  COLOR_BTNFACE = 15,
  COLOR_BTNSHADOW = 16,
  COLOR_GRAYTEXT = 17,
  COLOR_BTNTEXT = 18,
  COLOR_INACTIVECAPTIONTEXT = 19,
  COLOR_BTNHIGHLIGHT = 20,
  COLOR_3DDKSHADOW = 21,
  COLOR_3DLIGHT = 22,
  COLOR_INFOTEXT = 23,
  COLOR_INFOBK = 24,
  COLOR_HOTLIGHT = 26,
  COLOR_GRADIENTACTIVECAPTION = 27,
  COLOR_GRADIENTINACTIVECAPTION = 28,
  COLOR_MENUHILIGHT = 29,
  COLOR_MENUBAR = 30,
  COLOR_ENDCOLORS = COLOR_MENUBAR,
  COLOR_DESKTOP = COLOR_BACKGROUND,
  COLOR_3DFACE = COLOR_BTNFACE,
  COLOR_3DSHADOW = COLOR_BTNSHADOW,
  COLOR_3DHIGHLIGHT = COLOR_BTNHIGHLIGHT,
  COLOR_3DHILIGHT = COLOR_BTNHIGHLIGHT,
  COLOR_BTNHILIGHT = COLOR_BTNHIGHLIGHT,
};

constexpr TColor clScrollBar = clSystemColor | COLOR_SCROLLBAR;
constexpr TColor clBackground = clSystemColor | COLOR_BACKGROUND;
constexpr TColor clActiveCaption = clSystemColor | COLOR_ACTIVECAPTION;
constexpr TColor clInactiveCaption = clSystemColor | COLOR_INACTIVECAPTION;
constexpr TColor clMenu = clSystemColor | COLOR_MENU;
constexpr TColor clWindow = clSystemColor | COLOR_WINDOW;
constexpr TColor clWindowFrame = clSystemColor | COLOR_WINDOWFRAME;
constexpr TColor clMenuText = clSystemColor | COLOR_MENUTEXT;
constexpr TColor clWindowText = clSystemColor | COLOR_WINDOWTEXT;
constexpr TColor clCaptionText = clSystemColor | COLOR_CAPTIONTEXT;
constexpr TColor clActiveBorder = clSystemColor | COLOR_ACTIVEBORDER;
constexpr TColor clInactiveBorder = clSystemColor | COLOR_INACTIVEBORDER;
constexpr TColor clAppWorkSpace = clSystemColor | COLOR_APPWORKSPACE;
constexpr TColor clHighlight = clSystemColor | COLOR_HIGHLIGHT;
constexpr TColor clHighlightText = clSystemColor | COLOR_HIGHLIGHTTEXT;
constexpr TColor clBtnFace = clSystemColor | COLOR_BTNFACE;
constexpr TColor clBtnShadow = clSystemColor | COLOR_BTNSHADOW;
constexpr TColor clGrayText = clSystemColor | COLOR_GRAYTEXT;
constexpr TColor clBtnText = clSystemColor | COLOR_BTNTEXT;
constexpr TColor clInactiveCaptionText = clSystemColor | COLOR_INACTIVECAPTIONTEXT;
constexpr TColor clBtnHighlight = clSystemColor | COLOR_BTNHIGHLIGHT;
constexpr TColor cl3DDkShadow = clSystemColor | COLOR_3DDKSHADOW;
constexpr TColor cl3DLight = clSystemColor | COLOR_3DLIGHT;
constexpr TColor clInfoText = clSystemColor | COLOR_INFOTEXT;
constexpr TColor clInfoBk = clSystemColor | COLOR_INFOBK;
constexpr TColor clHotLight = clSystemColor | COLOR_HOTLIGHT;
constexpr TColor clGradientActiveCaption = clSystemColor | COLOR_GRADIENTACTIVECAPTION;
constexpr TColor clGradientInactiveCaption = clSystemColor | COLOR_GRADIENTINACTIVECAPTION;
constexpr TColor clMenuHighlight = clSystemColor | COLOR_MENUHILIGHT;
constexpr TColor clMenuBar = clSystemColor | COLOR_MENUBAR;

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clLtGray = 0xC0C0C0;
constexpr TColor clDkGray = 0x808080;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clMoneyGreen = 0xC0DCC0;
constexpr TColor clSkyBlue = 0xF0CAA6;
constexpr TColor clCream = 0xF0FBFF;
constexpr TColor clMedGray = 0xA4A0A0;
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;

constexpr COLORREF CLR_INVALID = 0xFFFFFFFFu;

constexpr TColor RGB(Byte R, Byte G, Byte B) { return static_cast<TColor>(R | (G << 8) | (B << 16)); }
constexpr Byte GetRValue(COLORREF c) { return static_cast<Byte>(c & 0xFF); }
constexpr Byte GetGValue(COLORREF c) { return static_cast<Byte>((c >> 8) & 0xFF); }
constexpr Byte GetBValue(COLORREF c) { return static_cast<Byte>((c >> 16) & 0xFF); }

// The classic palette (the standard scheme of the classic look): button face
// $D4D0C8 (as RGB), shadow $808080, dark shadow $404040, highlight white, selection
// $0A246A, info background $FFFFE1. An index out of range gives 0 (black).
COLORREF GetSysColor(Integer Index);
// A system colour becomes its palette value; any other colour is returned unchanged.
TColor ColorToRGB(TColor Color);
// Every colour is exact on a 32-bit surface.
inline TColor GetNearestColor(TColor Color) { return ColorToRGB(Color); }

// ---------------------------------------------------------------------------
// GDI handles. Device contexts and GDI objects are defined in GDI.h.

struct TDeviceContext;
struct TGdiObject;
using HDC = TDeviceContext*;
using HGDIOBJ = TGdiObject*;
using HPEN = HGDIOBJ;
using HBRUSH = HGDIOBJ;
using HFONT = HGDIOBJ;
using HRGN = HGDIOBJ;
using HBITMAP = HGDIOBJ;

// ---------------------------------------------------------------------------
// Graphics objects

enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
enum TPenMode {
  pmBlack,
  pmWhite,
  pmNop,
  pmNot,
  pmCopy,
  pmNotCopy,
  pmMergePenNot,
  pmMaskPenNot,
  pmMergeNotPen,
  pmMaskNotPen,
  pmMerge,
  pmNotMerge,
  pmMask,
  pmNotMask,
  pmXor,
  pmNotXor
};
enum TBrushStyle { bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross };
enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
enum TFontPitch { fpDefault, fpVariable, fpFixed };
using TFontCharset = Byte;
using TFontName = String;

constexpr TFontCharset ANSI_CHARSET = 0;
constexpr TFontCharset DEFAULT_CHARSET = 1;
constexpr TFontCharset SYMBOL_CHARSET = 2;
constexpr TFontCharset RUSSIAN_CHARSET = 204;
constexpr TFontCharset OEM_CHARSET = 255;

// A set of font styles.
class TFontStyles {
public:
  constexpr TFontStyles() = default;
  constexpr TFontStyles(std::initializer_list<TFontStyle> l) {
    for (TFontStyle s : l) FBits |= Bit(s);
  }
  constexpr bool Contains(TFontStyle s) const { return (FBits & Bit(s)) != 0; }
  constexpr bool Empty() const { return FBits == 0; }
  constexpr TFontStyles& Include(TFontStyle s) {
    FBits |= Bit(s);
    return *this;
  }
  constexpr TFontStyles& Exclude(TFontStyle s) {
    FBits &= static_cast<Byte>(~Bit(s));
    return *this;
  }
  constexpr TFontStyles operator+(TFontStyles o) const {
    TFontStyles r;
    r.FBits = FBits | o.FBits;
    return r;
  }
  constexpr TFontStyles operator-(TFontStyles o) const {
    TFontStyles r;
    r.FBits = FBits & ~o.FBits;
    return r;
  }
  constexpr TFontStyles operator*(TFontStyles o) const {
    TFontStyles r;
    r.FBits = FBits & o.FBits;
    return r;
  }
  constexpr Byte Bits() const { return FBits; }
  friend constexpr bool operator==(TFontStyles, TFontStyles) = default;

private:
  static constexpr Byte Bit(TFontStyle s) { return static_cast<Byte>(1u << static_cast<unsigned>(s)); }
  Byte FBits = 0;
};

// The base of pens, brushes and fonts: a change notice and Assign.
class TGraphicsObject : public TObject {
public:
  BORROW_CLASS(TGraphicsObject, TObject)
  TNotifyEvent OnChange;
  virtual void Assign(const TGraphicsObject* Source) = 0;

protected:
  virtual void Changed();
};

// A pen as a device context holds it. Cosmetic pens wider than 1 have round ends
// and joins; geometric pens (ExtCreatePen) take EndCap and Join.
enum TPenEndCap { pecRound, pecSquare, pecFlat };
enum TPenJoin { pjRound, pjBevel, pjMiter };
struct TPenData {
  TColor Color = clBlack;
  Integer Width = 1;
  TPenStyle Style = psSolid;
  bool Geometric = false;
  TPenEndCap EndCap = pecRound;
  TPenJoin Join = pjRound;
  friend bool operator==(const TPenData&, const TPenData&) = default;
};

class TPen final : public TGraphicsObject {
public:
  BORROW_CLASS(TPen, TGraphicsObject)
  TPen();
  ~TPen() override;
  void Assign(const TGraphicsObject* Source) override;

  TColor GetColor() const { return FData.Color; }
  void SetColor(TColor v);
  Integer GetWidth() const { return FData.Width; }
  void SetWidth(Integer v);
  TPenStyle GetStyle() const { return FData.Style; }
  void SetStyle(TPenStyle v);
  TPenMode GetMode() const { return FMode; }
  void SetMode(TPenMode v);
  const TPenData& Data() const { return FData; }
  // A pen object that reflects this pen; owned by the pen.
  HPEN GetHandle();
  // Takes the description of a pen handle (a geometric pen, for instance).
  void SetHandle(HPEN Value);

private:
  void Set(const TPenData& d);
  TPenData FData;
  TPenMode FMode = pmCopy;
  std::unique_ptr<TGdiObject> FHandle;
};

struct TBrushData {
  TColor Color = clWhite;
  TBrushStyle Style = bsSolid;
  friend bool operator==(const TBrushData&, const TBrushData&) = default;
};

class TBrush final : public TGraphicsObject {
public:
  BORROW_CLASS(TBrush, TGraphicsObject)
  TBrush();
  ~TBrush() override;
  void Assign(const TGraphicsObject* Source) override;

  TColor GetColor() const { return FData.Color; }
  // A colour turns a clear brush solid, as on the platform.
  void SetColor(TColor v);
  TBrushStyle GetStyle() const { return FData.Style; }
  void SetStyle(TBrushStyle v);
  const TBrushData& Data() const { return FData; }
  HBRUSH GetHandle();
  void SetHandle(HBRUSH Value);

private:
  void Set(const TBrushData& d);
  TBrushData FData;
  std::unique_ptr<TGdiObject> FHandle;
};

// A logical font. Height < 0 is the character height in pixels, Height > 0 the
// cell height; Size is in points at PixelsPerInch (96). The logical name is kept
// as given and mapped to an installed face only when text is drawn or measured.
struct TFontData {
  TFontName Name = u"MS Sans Serif";
  Integer Height = -11;  // 8 pt at 96 dpi
  TFontStyles Style;
  TFontCharset Charset = DEFAULT_CHARSET;
  TFontPitch Pitch = fpDefault;
  Integer Orientation = 0;  // tenths of a degree, counter-clockwise
  friend bool operator==(const TFontData&, const TFontData&) = default;
};

class TFont final : public TGraphicsObject {
public:
  BORROW_CLASS(TFont, TGraphicsObject)
  TFont();
  ~TFont() override;
  void Assign(const TGraphicsObject* Source) override;

  TFontName GetName() const { return FData.Name; }
  void SetName(const TFontName& v);
  Integer GetHeight() const { return FData.Height; }
  void SetHeight(Integer v);
  Integer GetSize() const;
  void SetSize(Integer v);
  TFontStyles GetStyle() const { return FData.Style; }
  void SetStyle(TFontStyles v);
  TColor GetColor() const { return FColor; }
  void SetColor(TColor v);
  TFontCharset GetCharset() const { return FData.Charset; }
  void SetCharset(TFontCharset v);
  TFontPitch GetPitch() const { return FData.Pitch; }
  void SetPitch(TFontPitch v);
  Integer GetOrientation() const { return FData.Orientation; }
  void SetOrientation(Integer v);
  Integer GetPixelsPerInch() const { return FPixelsPerInch; }
  void SetPixelsPerInch(Integer v) { FPixelsPerInch = v; }
  const TFontData& Data() const { return FData; }
  // Equal descriptions share one handle, so "the handle differs" means "the font differs".
  HFONT GetHandle() const;
  void SetHandle(HFONT Value);

private:
  void Set(const TFontData& d);
  TFontData FData;
  TColor FColor = clWindowText;
  Integer FPixelsPerInch = 96;
};

// ---------------------------------------------------------------------------
// Canvas

enum TCanvasStates { csHandleValid = 1, csFontValid = 2, csPenValid = 4, csBrushValid = 8 };
class TGraphic;

class TCanvas : public TObject {
public:
  BORROW_CLASS(TCanvas, TObject)
  TCanvas();
  ~TCanvas() override;

  TPen* GetPen() const { return FPen.get(); }
  void SetPen(const TPen* v) { FPen->Assign(v); }
  TBrush* GetBrush() const { return FBrush.get(); }
  void SetBrush(const TBrush* v) { FBrush->Assign(v); }
  TFont* GetFont() const { return FFont.get(); }
  void SetFont(const TFont* v) { FFont->Assign(v); }
  TPoint GetPenPos();
  void SetPenPos(TPoint p);
  TCanvasStates GetState() const { return static_cast<TCanvasStates>(FState); }

  // The device context; asking for it selects the canvas's pen, brush and font.
  HDC GetHandle();
  // Attaches an existing device context (not owned) or detaches with nullptr.
  void SetHandle(HDC Value);
  bool HandleAllocated() const { return FHandle != nullptr; }

  void MoveTo(Integer X, Integer Y);
  void LineTo(Integer X, Integer Y);
  void Rectangle(Integer X1, Integer Y1, Integer X2, Integer Y2);
  void Rectangle(const TRect& R) { Rectangle(R.Left, R.Top, R.Right, R.Bottom); }
  void Ellipse(Integer X1, Integer Y1, Integer X2, Integer Y2);
  void Ellipse(const TRect& R) { Ellipse(R.Left, R.Top, R.Right, R.Bottom); }
  void FillRect(const TRect& R);
  void FrameRect(const TRect& R);
  void DrawFocusRect(const TRect& R);
  void Polyline(const std::vector<TPoint>& Points);
  void Polygon(const std::vector<TPoint>& Points);
  void TextOut(Integer X, Integer Y, const String& Text);
  void TextRect(const TRect& R, Integer X, Integer Y, const String& Text);
  Integer TextWidth(const String& Text);
  Integer TextHeight(const String& Text);
  TSize TextExtent(const String& Text);
  void Draw(Integer X, Integer Y, TGraphic* Graphic);
  void StretchDraw(const TRect& R, TGraphic* Graphic);
  void CopyRect(const TRect& Dest, TCanvas* Canvas, const TRect& Source);
  TColor GetPixel(Integer X, Integer Y);
  void SetPixel(Integer X, Integer Y, TColor Value);
  // Both spellings: Pixels[X, Y] reads and writes through these.
  TColor GetPixels(Integer X, Integer Y) { return GetPixel(X, Y); }
  void SetPixels(Integer X, Integer Y, TColor Value) { SetPixel(X, Y, Value); }
  TRect GetClipRect();
  // The raster operation of CopyRect (SRCCOPY by default).
  Cardinal GetCopyMode() const { return FCopyMode; }
  void SetCopyMode(Cardinal v) { FCopyMode = v; }

  void Lock() {}
  void Unlock() {}
  bool TryLock() { return true; }

  TNotifyEvent OnChange;
  TNotifyEvent OnChanging;

protected:
  virtual void CreateHandle() {}
  void RequiredState(int ReqState);
  void Changing();
  void Changed();
  void DeselectHandles();

  HDC FHandle = nullptr;
  int FState = 0;
  Cardinal FCopyMode = 0x00CC0020;

private:
  void FontChanged();
  void PenChanged();
  void BrushChanged();
  std::unique_ptr<TFont> FFont;
  std::unique_ptr<TPen> FPen;
  std::unique_ptr<TBrush> FBrush;
};

// ---------------------------------------------------------------------------
// Graphics and bitmaps

BORROW_EXCEPTION(EInvalidGraphic, Exception)

class TGraphic : public TObject {
public:
  BORROW_CLASS(TGraphic, TObject)
  virtual Integer GetWidth() const = 0;
  virtual Integer GetHeight() const = 0;
  virtual void SetWidth(Integer v) = 0;
  virtual void SetHeight(Integer v) = 0;
  virtual bool GetEmpty() const { return GetWidth() == 0 || GetHeight() == 0; }
  bool GetTransparent() const { return FTransparent; }
  virtual void SetTransparent(bool v) { FTransparent = v; }
  // Draws the graphic scaled into Rect of the canvas.
  virtual void Draw(TCanvas* ACanvas, const TRect& Rect) = 0;
  virtual void LoadFromFile(const String& FileName) = 0;
  virtual void SaveToFile(const String& FileName) = 0;
  TNotifyEvent OnChange;

protected:
  void Changed() {
    if (OnChange) OnChange(this);
  }
  bool FTransparent = false;
};

enum TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom };
enum TTransparentMode { tmAuto, tmFixed };

// A memory bitmap: a 32-bit image with its own canvas.
class TBitmap final : public TGraphic {
public:
  BORROW_CLASS(TBitmap, TGraphic)
  TBitmap();
  ~TBitmap() override;
  void Assign(const TBitmap* Source);

  Integer GetWidth() const override { return FWidth; }
  Integer GetHeight() const override { return FHeight; }
  void SetWidth(Integer v) override { SetSize(v, FHeight); }
  void SetHeight(Integer v) override { SetSize(FWidth, v); }
  // Keeps the overlapping part of the image; new pixels are white.
  void SetSize(Integer AWidth, Integer AHeight);
  TCanvas* GetCanvas();
  TPixelFormat GetPixelFormat() const { return FPixelFormat; }
  void SetPixelFormat(TPixelFormat v) { FPixelFormat = v; }
  // The transparent colour: the bottom-left pixel in tmAuto, else the set colour.
  TColor GetTransparentColor() const;
  void SetTransparentColor(TColor v);
  TTransparentMode GetTransparentMode() const { return FTransparentMode; }
  void SetTransparentMode(TTransparentMode v) { FTransparentMode = v; }
  HBITMAP GetHandle() const;
  bool HandleAllocated() const { return FWidth > 0 && FHeight > 0; }

  void Draw(TCanvas* ACanvas, const TRect& Rect) override;
  // Reads a BMP file (1, 4, 8, 24 or 32 bits, uncompressed).
  void LoadFromFile(const String& FileName) override;
  // The same from the rest of a stream.
  void LoadFromStream(TStream* Stream);
  // Writes an uncompressed 24-bit BMP, which LoadFromStream reads back.
  void SaveToStream(TStream* Stream) const;
  // Writes a PNG image.
  void SaveToFile(const String& FileName) override;

  // The pixels, as the device context sees them.
  TDeviceContext* Context() const { return FContext.get(); }

private:
  void LoadFromBytes(const std::vector<Byte>& Bytes);
  Integer FWidth = 0;
  Integer FHeight = 0;
  TPixelFormat FPixelFormat = pfDevice;
  TTransparentMode FTransparentMode = tmAuto;
  TColor FTransparentColor = clDefault;
  std::unique_ptr<TDeviceContext> FContext;
  std::unique_ptr<TCanvas> FCanvas;
  std::unique_ptr<TGdiObject> FHandle;
};

// A holder for one graphic, as image controls keep it.
class TPicture final : public TObject {
public:
  BORROW_CLASS(TPicture, TObject)
  TPicture();
  ~TPicture() override;
  TGraphic* GetGraphic() const { return FGraphic.get(); }
  void SetGraphic(TGraphic* Value);  // copies a bitmap; nullptr clears
  TBitmap* GetBitmap();
  Integer GetWidth() const { return FGraphic ? FGraphic->GetWidth() : 0; }
  Integer GetHeight() const { return FGraphic ? FGraphic->GetHeight() : 0; }
  void LoadFromFile(const String& FileName);
  void SaveToFile(const String& FileName);
  void Assign(const TPicture* Source);
  TNotifyEvent OnChange;

private:
  std::unique_ptr<TGraphic> FGraphic;
};
