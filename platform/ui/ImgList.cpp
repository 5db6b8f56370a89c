#include "platform/ui/ImgList.h"

#include <algorithm>

#include "platform/core/Strings.h"
#include "platform/ui/GDI.h"

namespace {

std::uint32_t ToRgb(TColor c) {
  const TColor v = ColorToRGB(c);
  return (std::uint32_t(v & 0xFF) << 16) | (std::uint32_t(v) & 0xFF00) | ((std::uint32_t(v) >> 16) & 0xFF);
}

COLORREF FromRgb(std::uint32_t p) { return COLORREF(((p >> 16) & 0xFF) | (p & 0xFF00) | ((p & 0xFF) << 16)); }

std::uint32_t Mix(std::uint32_t a, std::uint32_t b, int bPercent) {
  std::uint32_t out = 0;
  for (int s = 0; s < 24; s += 8) {
    const int ca = int((a >> s) & 0xFF), cb = int((b >> s) & 0xFF);
    out |= std::uint32_t((ca * (100 - bPercent) + cb * bPercent) / 100) << s;
  }
  return out;
}

}  // namespace

TChangeLink::~TChangeLink() {
  if (FSender) FSender->UnRegisterChanges(this);
}

void TChangeLink::Change() {
  if (OnChange) OnChange(FSender);
}

TCustomImageList::TCustomImageList(TComponent* AOwner) : TComponent(AOwner) {}

TCustomImageList::~TCustomImageList() {
  for (TChangeLink* Link : FClients) Link->FSender = nullptr;
}

void TCustomImageList::RegisterChanges(TChangeLink* Value) {
  if (!Value || Value->FSender == this) return;
  if (Value->FSender) Value->FSender->UnRegisterChanges(Value);
  Value->FSender = this;
  FClients.push_back(Value);
}

void TCustomImageList::UnRegisterChanges(TChangeLink* Value) {
  const auto It = std::find(FClients.begin(), FClients.end(), Value);
  if (It == FClients.end()) return;
  FClients.erase(It);
  Value->FSender = nullptr;
}

void TCustomImageList::Change() {
  // A client may unregister while it is told.
  const std::vector<TChangeLink*> Clients = FClients;
  for (TChangeLink* Link : Clients)
    if (std::find(FClients.begin(), FClients.end(), Link) != FClients.end()) Link->Change();
  if (OnChange) OnChange(this);
}

void TCustomImageList::SetWidth(Integer Value) {
  if (Value == FWidth || Value <= 0) return;
  FWidth = Value;
  Clear();
}

void TCustomImageList::SetHeight(Integer Value) {
  if (Value == FHeight || Value <= 0) return;
  FHeight = Value;
  Clear();
}

void TCustomImageList::SetBkColor(TColor Value) {
  FBkColor = Value;
  Change();
}
void TCustomImageList::SetBlendColor(TColor Value) {
  FBlendColor = Value;
  Change();
}
void TCustomImageList::SetDrawingStyle(TDrawingStyle Value) {
  FDrawingStyle = Value;
  Change();
}
void TCustomImageList::SetImageType(TImageType Value) {
  FImageType = Value;
  Change();
}
void TCustomImageList::SetMasked(bool Value) {
  FMasked = Value;
  Change();
}

Integer TCustomImageList::Add(TBitmap* Image, TBitmap* Mask) {
  if (!Image || Image->GetWidth() < FWidth || Image->GetHeight() < FHeight) return -1;
  const Integer first = GetCount();
  TCanvas* ic = Image->GetCanvas();
  TCanvas* mc = Mask && Mask->GetWidth() > 0 ? Mask->GetCanvas() : nullptr;
  for (Integer n = 0; (n + 1) * FWidth <= Image->GetWidth(); ++n) {
    TImage img;
    img.Pixels.resize(size_t(FWidth) * size_t(FHeight));
    img.Transparent.resize(img.Pixels.size());
    for (Integer y = 0; y < FHeight; ++y)
      for (Integer x = 0; x < FWidth; ++x) {
        const size_t i = size_t(y) * size_t(FWidth) + size_t(x);
        img.Pixels[i] = ToRgb(ic->GetPixel(n * FWidth + x, y));
        img.Transparent[i] = mc && (ColorToRGB(mc->GetPixel(n * FWidth + x, y)) & 0xFFFFFF) == 0xFFFFFF;
      }
    FImages.push_back(std::move(img));
  }
  Change();
  return first;
}

Integer TCustomImageList::AddMasked(TBitmap* Image, TColor MaskColor) {
  if (!Image || Image->GetWidth() < FWidth || Image->GetHeight() < FHeight) return -1;
  const std::uint32_t key =
      MaskColor == clDefault ? ToRgb(Image->GetCanvas()->GetPixel(0, Image->GetHeight() - 1)) : ToRgb(MaskColor);
  const Integer first = Add(Image, nullptr);
  for (size_t k = size_t(first); k < FImages.size(); ++k)
    for (size_t i = 0; i < FImages[k].Pixels.size(); ++i) FImages[k].Transparent[i] = FImages[k].Pixels[i] == key;
  return first;
}

void TCustomImageList::Delete(Integer Index) {
  if (Index < 0 || Index >= GetCount()) throw EInvalidOperation(u"Invalid image list index " + IntToStr(Index));
  FImages.erase(FImages.begin() + Index);
  Change();
}

void TCustomImageList::Clear() {
  FImages.clear();
  Change();
}

bool TCustomImageList::IsTransparent(Integer Index, Integer X, Integer Y) const {
  if (Index < 0 || Index >= GetCount() || X < 0 || Y < 0 || X >= FWidth || Y >= FHeight) return true;
  return FMasked && FImages[size_t(Index)].Transparent[size_t(Y) * size_t(FWidth) + size_t(X)];
}

bool TCustomImageList::GetBitmap(Integer Index, TBitmap* Image) const {
  if (!Image || Index < 0 || Index >= GetCount()) return false;
  Image->SetSize(FWidth, FHeight);
  TCanvas* c = Image->GetCanvas();
  const TImage& img = FImages[size_t(Index)];
  for (Integer y = 0; y < FHeight; ++y)
    for (Integer x = 0; x < FWidth; ++x)
      c->SetPixel(x, y, TColor(FromRgb(img.Pixels[size_t(y) * size_t(FWidth) + size_t(x)])));
  return true;
}

void TCustomImageList::DrawEx(Integer Index, HDC DC, Integer X, Integer Y, Integer DX, Integer DY, TColor Bk, TColor Fg,
                              UINT Style, bool Enabled) const {
  if (Index < 0 || Index >= GetCount() || !DC) return;
  TGdiRecordScope Rec(DC, gopImage);
  if (Rec.Active()) {
    Rec.Op().Rect = TRect(X, Y, X + (DX > 0 ? DX : FWidth), Y + (DY > 0 ? DY : FHeight));
    Rec.Op().Value = Index;
    Rec.Op().Flags = Style;
    Rec.Op().Source = this;
  }
  const TImage& img = FImages[size_t(Index)];
  const Integer w = DX > 0 ? std::min(DX, FWidth) : FWidth, h = DY > 0 ? std::min(DY, FHeight) : FHeight;
  if (Bk == clDefault) Bk = FBkColor;
  const bool transparent = (Style & ILD_TRANSPARENT) || Bk == clNone;
  const int blend = (Style & ILD_BLEND50) ? 50 : (Style & ILD_BLEND25) ? 25 : 0;
  if (Fg == clDefault || Fg == clNone) Fg = clHighlight;
  const std::uint32_t fg = ToRgb(Fg), bk = transparent ? 0 : ToRgb(Bk), shadow = ToRgb(clBtnShadow);
  // On a mirrored context a point lands one pixel beside the mirror of the
  // pixel it names: the image is drawn turned round onto the pixels of its
  // mirrored rectangle.
  TPoint Ends[2] = {TPoint(0, 0), TPoint(1, 0)};
  LPtoDP(DC, Ends, 2);
  const Integer Shift = Ends[1].X < Ends[0].X ? 1 : 0;
  X += Shift;
  for (Integer y = 0; y < h; ++y)
    for (Integer x = 0; x < w; ++x) {
      const size_t i = size_t(y) * size_t(FWidth) + size_t(x);
      const bool clear = FMasked && img.Transparent[i];
      std::uint32_t p;
      if (Style & ILD_MASK) {
        p = clear ? 0xFFFFFF : 0;
      } else if (clear) {
        if (transparent) continue;
        p = bk;
      } else {
        p = Enabled ? img.Pixels[i] : shadow;
        if (blend) p = Mix(p, fg, blend);
      }
      SetPixel(DC, X + x, Y + y, FromRgb(p));
    }
}

void TCustomImageList::DoDraw(Integer Index, TCanvas* Canvas, Integer X, Integer Y, UINT Style, bool Enabled) {
  DrawEx(Index, Canvas->GetHandle(), X, Y, 0, 0, FBkColor, FBlendColor, Style, Enabled);
}

void TCustomImageList::Draw(TCanvas* Canvas, Integer X, Integer Y, Integer Index, bool Enabled) {
  Draw(Canvas, X, Y, Index, FDrawingStyle, FImageType, Enabled);
}

void TCustomImageList::Draw(TCanvas* Canvas, Integer X, Integer Y, Integer Index, TDrawingStyle ADrawingStyle,
                            TImageType AImageType, bool Enabled) {
  UINT style = ILD_NORMAL;
  switch (ADrawingStyle) {
    case dsFocus: style = ILD_FOCUS; break;
    case dsSelected: style = ILD_SELECTED; break;
    case dsTransparent: style = ILD_TRANSPARENT; break;
    case dsNormal: break;
  }
  if (AImageType == itMask) style |= ILD_MASK;
  DoDraw(Index, Canvas, X, Y, style, Enabled);
}
