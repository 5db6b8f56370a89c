// Edit buttons and the shared button-drawing routines.

#include "editors/ToolCtrlsEh.h"

#include <algorithm>
#include <cmath>

bool ThemesEnabledEh() { return false; }

Integer EnlargeByHalfEh(Integer Size, bool Flag) {
  return Flag ? Integer(std::lround(Size * 3.0 / 2.0)) : Size;
}

namespace {

Integer Channel(TColor C, Integer Shift) { return (ColorToRGB(C) >> Shift) & 0xFF; }

Integer Lerp(Integer A, Integer B, double T) {
  return std::clamp(Integer(std::nearbyint(A + (B - A) * T)), 0, 255);
}

}  // namespace

TColor MixColorsEh(TColor Color1, TColor Color2, Integer Percent) {
  const double T = Percent / 100.0;
  return RGB(Byte(Lerp(Channel(Color1, 0), Channel(Color2, 0), T)),
             Byte(Lerp(Channel(Color1, 8), Channel(Color2, 8), T)),
             Byte(Lerp(Channel(Color1, 16), Channel(Color2, 16), T)));
}

void DrawShadedRectEh(TCanvas* Canvas, const TRect& ARect, TColor Color1, TColor Color2) {
  const Integer H = ARect.Height();
  if (H < 2) return;
  TBrush* Brush = Canvas->GetBrush();
  const TColor SavedColor = Brush->GetColor();
  const TBrushStyle SavedStyle = Brush->GetStyle();
  Brush->SetStyle(bsSolid);
  for (Integer Y = 0; Y < H; ++Y) {
    const double T = double(Y) / double(H - 1);
    Brush->SetColor(RGB(Byte(Lerp(Channel(Color1, 0), Channel(Color2, 0), T)),
                        Byte(Lerp(Channel(Color1, 8), Channel(Color2, 8), T)),
                        Byte(Lerp(Channel(Color1, 16), Channel(Color2, 16), T))));
    Canvas->FillRect(TRect(ARect.Left, ARect.Top + Y, ARect.Right, ARect.Top + Y + 1));
  }
  Brush->SetColor(SavedColor);
  Brush->SetStyle(SavedStyle);
}
