#pragma once
// Internal to the controls: measuring text in a control's font, and filling with a
// plain colour, as the standard controls do when they paint and size themselves.

#include "platform/ui/GDI.h"
#include "platform/ui/Graphics.h"

// A device context for measuring text in a font, freed at the end of the scope.
class TMeasureDC {
public:
  explicit TMeasureDC(TFont* Font) : FDC(CreateCompatibleDC(nullptr)) { SelectObject(FDC, Font->GetHandle()); }
  ~TMeasureDC() { DeleteDC(FDC); }
  TMeasureDC(const TMeasureDC&) = delete;
  TMeasureDC& operator=(const TMeasureDC&) = delete;
  operator HDC() const { return FDC; }

private:
  HDC FDC;
};

// The height of a line of text in Font (its cell height, from the text metrics).
inline Integer FontTextHeight(TFont* Font) {
  TMeasureDC dc(Font);
  TTextMetric tm;
  GetTextMetrics(dc, tm);
  return tm.tmHeight;
}

// Fills R with the colour C through a brush of its own.
inline void FillWith(HDC DC, const TRect& R, TColor C) {
  HBRUSH b = CreateSolidBrush(ColorToRGB(C));
  FillRect(DC, R, b);
  DeleteObject(b);
}
