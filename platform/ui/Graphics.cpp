// Colours, pens, brushes, fonts and the canvas. Bitmaps are in Graphics_Bitmap.cpp.

#include "platform/ui/Graphics.h"

#include <array>

#include "platform/ui/GDI.h"

// ---------------------------------------------------------------------------
// Colours

COLORREF GetSysColor(Integer Index) {
  static constexpr std::array<COLORREF, COLOR_ENDCOLORS + 1> kPalette = {
      0xC8D0D4,  // COLOR_SCROLLBAR
      0xA56E3A,  // COLOR_BACKGROUND
      0x6A240A,  // COLOR_ACTIVECAPTION
      0x808080,  // COLOR_INACTIVECAPTION
      0xC8D0D4,  // COLOR_MENU
      0xFFFFFF,  // COLOR_WINDOW
      0x000000,  // COLOR_WINDOWFRAME
      0x000000,  // COLOR_MENUTEXT
      0x000000,  // COLOR_WINDOWTEXT
      0xFFFFFF,  // COLOR_CAPTIONTEXT
      0xC8D0D4,  // COLOR_ACTIVEBORDER
      0xC8D0D4,  // COLOR_INACTIVEBORDER
      0x808080,  // COLOR_APPWORKSPACE
      0x6A240A,  // COLOR_HIGHLIGHT
      0xFFFFFF,  // COLOR_HIGHLIGHTTEXT
      0xC8D0D4,  // COLOR_BTNFACE
      0x808080,  // COLOR_BTNSHADOW
      0x808080,  // COLOR_GRAYTEXT
      0x000000,  // COLOR_BTNTEXT
      0xC8D0D4,  // COLOR_INACTIVECAPTIONTEXT
      0xFFFFFF,  // COLOR_BTNHIGHLIGHT
      0x404040,  // COLOR_3DDKSHADOW
      0xC8D0D4,  // COLOR_3DLIGHT
      0x000000,  // COLOR_INFOTEXT
      0xE1FFFF,  // COLOR_INFOBK
      0xB5B5B5,  // 25, unnamed
      0x800000,  // COLOR_HOTLIGHT
      0xF0CAA6,  // COLOR_GRADIENTACTIVECAPTION
      0xC0C0C0,  // COLOR_GRADIENTINACTIVECAPTION
      0x6A240A,  // COLOR_MENUHILIGHT
      0xC8D0D4,  // COLOR_MENUBAR
  };
  if (Index < 0 || Index > COLOR_ENDCOLORS) return 0;
  return kPalette[static_cast<size_t>(Index)];
}

TColor ColorToRGB(TColor Color) {
  if (Color < 0) return static_cast<TColor>(GetSysColor(Color & 0xFF));
  return Color;
}

// ---------------------------------------------------------------------------
// Pens, brushes, fonts

void TGraphicsObject::Changed() {
  if (OnChange) OnChange(this);
}

TPen::TPen() = default;
TPen::~TPen() = default;

void TPen::Set(const TPenData& d) {
  if (d == FData) return;
  FData = d;
  Changed();
}
void TPen::Assign(const TGraphicsObject* Source) {
  if (auto* p = dynamic_cast<const TPen*>(Source)) {
    if (p == this) return;
    const bool same = p->FData == FData && p->FMode == FMode;
    FData = p->FData;
    FMode = p->FMode;
    if (!same) Changed();
  }
}
void TPen::SetColor(TColor v) {
  TPenData d = FData;
  d.Color = v;
  Set(d);
}
void TPen::SetWidth(Integer v) {
  if (v < 0) return;
  TPenData d = FData;
  d.Width = v;
  Set(d);
}
void TPen::SetStyle(TPenStyle v) {
  TPenData d = FData;
  d.Style = v;
  Set(d);
}
void TPen::SetMode(TPenMode v) {
  if (v == FMode) return;
  FMode = v;
  Changed();
}
HPEN TPen::GetHandle() {
  if (!FHandle) {
    FHandle = std::make_unique<TGdiPen>();
    FHandle->Permanent = true;
  }
  auto* h = static_cast<TGdiPen*>(FHandle.get());
  h->Data = FData;
  h->Data.Color = ColorToRGB(FData.Color);
  h->Data.Width = std::max(1, FData.Width);
  return h;
}
void TPen::SetHandle(HPEN Value) {
  if (Value && Value->Kind == gokPen) Set(static_cast<TGdiPen*>(Value)->Data);
}

TBrush::TBrush() = default;
TBrush::~TBrush() = default;

void TBrush::Set(const TBrushData& d) {
  if (d == FData) return;
  FData = d;
  Changed();
}
void TBrush::Assign(const TGraphicsObject* Source) {
  if (auto* b = dynamic_cast<const TBrush*>(Source)) {
    if (b != this) Set(b->FData);
  }
}
void TBrush::SetColor(TColor v) {
  TBrushData d = FData;
  d.Color = v;
  if (d.Style == bsClear) d.Style = bsSolid;
  Set(d);
}
void TBrush::SetStyle(TBrushStyle v) {
  TBrushData d = FData;
  d.Style = v;
  Set(d);
}
HBRUSH TBrush::GetHandle() {
  if (!FHandle) {
    FHandle = std::make_unique<TGdiBrush>();
    FHandle->Permanent = true;
  }
  auto* h = static_cast<TGdiBrush*>(FHandle.get());
  h->Data = FData;
  h->Data.Color = ColorToRGB(FData.Color);
  return h;
}
void TBrush::SetHandle(HBRUSH Value) {
  if (Value && Value->Kind == gokBrush) Set(static_cast<TGdiBrush*>(Value)->Data);
}

namespace {
// One shared font object per distinct description, the way the platform's font
// manager shares handles. Never freed: a font handle stays valid to the
// process's very end, for static destructors too.
HFONT SharedFont(const TFontData& d) {
  static auto* const fonts = new std::vector<std::unique_ptr<TGdiFont>>();
  for (auto& f : *fonts)
    if (f->Data == d) return f.get();
  auto f = std::make_unique<TGdiFont>();
  f->Data = d;
  f->Permanent = true;
  fonts->push_back(std::move(f));
  return fonts->back().get();
}
}  // namespace

TFont::TFont() = default;
TFont::~TFont() = default;

void TFont::Set(const TFontData& d) {
  if (d == FData) return;
  FData = d;
  Changed();
}
void TFont::Assign(const TGraphicsObject* Source) {
  if (auto* f = dynamic_cast<const TFont*>(Source)) {
    // A grid assigns its cells' font before every cell: the same font is
    // neither copied (its name would be allocated afresh) nor announced.
    if (f == this || (f->FData == FData && f->FColor == FColor && f->FPixelsPerInch == FPixelsPerInch)) return;
    FData = f->FData;
    FColor = f->FColor;
    FPixelsPerInch = f->FPixelsPerInch;
    Changed();
  }
}
void TFont::SetName(const TFontName& v) {
  if (v.empty()) return;
  TFontData d = FData;
  d.Name = v;
  Set(d);
}
void TFont::SetHeight(Integer v) {
  TFontData d = FData;
  d.Height = v;
  Set(d);
}
Integer TFont::GetSize() const {
  return -static_cast<Integer>(
      (static_cast<Int64>(FData.Height) * 72 + (FData.Height < 0 ? -FPixelsPerInch / 2 : FPixelsPerInch / 2)) /
      FPixelsPerInch);
}
void TFont::SetSize(Integer v) {
  SetHeight(-static_cast<Integer>((static_cast<Int64>(v) * FPixelsPerInch + (v < 0 ? -36 : 36)) / 72));
}
void TFont::SetStyle(TFontStyles v) {
  TFontData d = FData;
  d.Style = v;
  Set(d);
}
void TFont::SetColor(TColor v) {
  if (v == FColor) return;
  FColor = v;
  Changed();
}
void TFont::SetCharset(TFontCharset v) {
  TFontData d = FData;
  d.Charset = v;
  Set(d);
}
void TFont::SetPitch(TFontPitch v) {
  TFontData d = FData;
  d.Pitch = v;
  Set(d);
}
void TFont::SetOrientation(Integer v) {
  TFontData d = FData;
  d.Orientation = v;
  Set(d);
}
HFONT TFont::GetHandle() const { return SharedFont(FData); }
void TFont::SetHandle(HFONT Value) {
  if (Value && Value->Kind == gokFont) Set(static_cast<TGdiFont*>(Value)->Data);
}

// ---------------------------------------------------------------------------
// TCanvas

namespace {
constexpr int kAllValid = csHandleValid | csFontValid | csPenValid | csBrushValid;

Integer Rop2Of(TPenMode m) {
  static constexpr Integer kRop[] = {R2_BLACK,       R2_WHITE,      R2_NOP,         R2_NOT,
                                     R2_COPYPEN,     R2_NOTCOPYPEN, R2_MERGEPENNOT, R2_MASKPENNOT,
                                     R2_MERGENOTPEN, R2_MASKNOTPEN, R2_MERGEPEN,    R2_NOTMERGEPEN,
                                     R2_MASKPEN,     R2_NOTMASKPEN, R2_XORPEN,      R2_NOTXORPEN};
  return kRop[static_cast<int>(m)];
}
}  // namespace

TCanvas::TCanvas()
    : FFont(std::make_unique<TFont>()), FPen(std::make_unique<TPen>()), FBrush(std::make_unique<TBrush>()) {
  FFont->OnChange = [this](TObject*) { FontChanged(); };
  FPen->OnChange = [this](TObject*) { PenChanged(); };
  FBrush->OnChange = [this](TObject*) { BrushChanged(); };
}

TCanvas::~TCanvas() = default;

void TCanvas::FontChanged() { FState &= ~csFontValid; }
void TCanvas::PenChanged() { FState &= ~csPenValid; }
void TCanvas::BrushChanged() { FState &= ~csBrushValid; }

void TCanvas::DeselectHandles() { FState &= csHandleValid; }

HDC TCanvas::GetHandle() {
  RequiredState(kAllValid);
  return FHandle;
}

void TCanvas::SetHandle(HDC Value) {
  if (Value == FHandle) return;
  FHandle = Value;
  FState = Value ? csHandleValid : 0;
}

void TCanvas::RequiredState(int ReqState) {
  const int needed = ReqState & ~FState;
  if (!needed) return;
  if (needed & csHandleValid) {
    CreateHandle();
    if (!FHandle) throw EInvalidOperation(u"Canvas does not allow drawing");
    FState |= csHandleValid;
  }
  if (needed & csFontValid) {
    SelectObject(FHandle, FFont->GetHandle());
    SetTextColor(FHandle, static_cast<COLORREF>(ColorToRGB(FFont->GetColor())));
    FState |= csFontValid;
  }
  if (needed & csPenValid) {
    SelectObject(FHandle, FPen->GetHandle());
    SetROP2(FHandle, Rop2Of(FPen->GetMode()));
    FState |= csPenValid;
  }
  if (needed & csBrushValid) {
    SelectObject(FHandle, FBrush->GetHandle());
    SetBkColor(FHandle, static_cast<COLORREF>(ColorToRGB(FBrush->GetColor())));
    SetBkMode(FHandle, FBrush->GetStyle() == bsSolid ? OPAQUE : TRANSPARENT);
    FState |= csBrushValid;
  }
}

void TCanvas::Changing() {
  if (OnChanging) OnChanging(this);
}
void TCanvas::Changed() {
  if (OnChange) OnChange(this);
}

TPoint TCanvas::GetPenPos() {
  RequiredState(csHandleValid);
  TPoint p;
  GetCurrentPositionEx(FHandle, p);
  return p;
}
void TCanvas::SetPenPos(TPoint p) { MoveTo(p.X, p.Y); }

void TCanvas::MoveTo(Integer X, Integer Y) {
  RequiredState(csHandleValid);
  MoveToEx(FHandle, X, Y, nullptr);
}

void TCanvas::LineTo(Integer X, Integer Y) {
  Changing();
  RequiredState(csHandleValid | csPenValid | csBrushValid);
  ::LineTo(FHandle, X, Y);
  Changed();
}

void TCanvas::Rectangle(Integer X1, Integer Y1, Integer X2, Integer Y2) {
  Changing();
  RequiredState(csHandleValid | csPenValid | csBrushValid);
  ::Rectangle(FHandle, X1, Y1, X2, Y2);
  Changed();
}

void TCanvas::Ellipse(Integer X1, Integer Y1, Integer X2, Integer Y2) {
  Changing();
  RequiredState(csHandleValid | csPenValid | csBrushValid);
  ::Ellipse(FHandle, X1, Y1, X2, Y2);
  Changed();
}

void TCanvas::FillRect(const TRect& R) {
  Changing();
  RequiredState(csHandleValid | csBrushValid);
  ::FillRect(FHandle, R, FBrush->GetHandle());
  Changed();
}

void TCanvas::FrameRect(const TRect& R) {
  Changing();
  RequiredState(csHandleValid | csBrushValid);
  ::FrameRect(FHandle, R, FBrush->GetHandle());
  Changed();
}

void TCanvas::DrawFocusRect(const TRect& R) {
  Changing();
  RequiredState(csHandleValid | csBrushValid);
  ::DrawFocusRect(FHandle, R);
  Changed();
}

void TCanvas::Polyline(const std::vector<TPoint>& Points) {
  Changing();
  RequiredState(csHandleValid | csPenValid | csBrushValid);
  ::Polyline(FHandle, Points.data(), static_cast<Integer>(Points.size()));
  Changed();
}

void TCanvas::Polygon(const std::vector<TPoint>& Points) {
  Changing();
  RequiredState(csHandleValid | csPenValid | csBrushValid);
  ::Polygon(FHandle, Points.data(), static_cast<Integer>(Points.size()));
  Changed();
}

void TCanvas::TextOut(Integer X, Integer Y, const String& Text) {
  Changing();
  RequiredState(csHandleValid | csFontValid | csBrushValid);
  ExtTextOut(FHandle, X, Y, 0, nullptr, Text, static_cast<Integer>(Text.size()), nullptr);
  MoveToEx(FHandle, X + TextWidth(Text), Y, nullptr);
  Changed();
}

void TCanvas::TextRect(const TRect& R, Integer X, Integer Y, const String& Text) {
  Changing();
  RequiredState(csHandleValid | csFontValid | csBrushValid);
  UINT options = ETO_CLIPPED;
  if (FBrush->GetStyle() != bsClear) options |= ETO_OPAQUE;
  ExtTextOut(FHandle, X, Y, options, &R, Text, static_cast<Integer>(Text.size()), nullptr);
  Changed();
}

TSize TCanvas::TextExtent(const String& Text) {
  RequiredState(csHandleValid | csFontValid);
  TSize s;
  GetTextExtentPoint32(FHandle, Text, static_cast<Integer>(Text.size()), s);
  return s;
}
// Only the width: the font's metrics, which the height needs, are not looked up.
Integer TCanvas::TextWidth(const String& Text) {
  RequiredState(csHandleValid | csFontValid);
  return GetTextEngine()->TextWidth(FHandle->S.Font, Text);
}
Integer TCanvas::TextHeight(const String& Text) { return TextExtent(Text).cy; }

void TCanvas::Draw(Integer X, Integer Y, TGraphic* Graphic) {
  if (!Graphic || Graphic->GetEmpty()) return;
  Changing();
  RequiredState(csHandleValid);
  Graphic->Draw(this, Bounds(X, Y, Graphic->GetWidth(), Graphic->GetHeight()));
  Changed();
}

void TCanvas::StretchDraw(const TRect& R, TGraphic* Graphic) {
  if (!Graphic) return;
  Changing();
  RequiredState(csHandleValid);
  Graphic->Draw(this, R);
  Changed();
}

void TCanvas::CopyRect(const TRect& Dest, TCanvas* Canvas, const TRect& Source) {
  if (!Canvas) return;
  Changing();
  RequiredState(csHandleValid | csFontValid | csBrushValid);
  HDC src = Canvas->GetHandle();
  StretchBlt(FHandle, Dest.Left, Dest.Top, Dest.Width(), Dest.Height(), src, Source.Left, Source.Top, Source.Width(),
             Source.Height(), FCopyMode);
  Changed();
}

TColor TCanvas::GetPixel(Integer X, Integer Y) {
  RequiredState(csHandleValid);
  const COLORREF c = ::GetPixel(FHandle, X, Y);
  return c == CLR_INVALID ? static_cast<TColor>(-1) : static_cast<TColor>(c);
}

void TCanvas::SetPixel(Integer X, Integer Y, TColor Value) {
  Changing();
  RequiredState(csHandleValid | csPenValid);
  ::SetPixel(FHandle, X, Y, static_cast<COLORREF>(ColorToRGB(Value)));
  Changed();
}

TRect TCanvas::GetClipRect() {
  RequiredState(csHandleValid);
  TRect r;
  GetClipBox(FHandle, r);
  return r;
}
