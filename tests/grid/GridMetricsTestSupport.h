#pragma once
// Exact font metrics for the grid's geometry tests: a text engine whose numbers
// follow the font's pixel height P (an 8-point font is 11 pixels):
//   line height P + 2, internal leading 2, external leading 1, ascent P,
//   every character (P + 3) / 2 pixels wide.
// So the grid's default font measures "Wg" 13 high and "0" 7 wide.

#include "platform/ui/GDI.h"
#include "platform/ui/Graphics.h"

class TGridTestTextEngine final : public TTextEngine {
public:
  static Integer Pixels(const TFontData& Font) { return Font.Height < 0 ? -Font.Height : Font.Height; }
  TTextMetric GetMetrics(const TFontData& Font) override {
    TTextMetric TM;
    const Integer P = Pixels(Font);
    TM.tmHeight = P + 2;
    TM.tmAscent = P;
    TM.tmDescent = 2;
    TM.tmInternalLeading = 2;
    TM.tmExternalLeading = 1;
    TM.tmAveCharWidth = (P + 3) / 2;
    TM.tmMaxCharWidth = (P + 3) / 2;
    return TM;
  }
  Integer TextWidth(const TFontData& Font, StringView Text) override {
    return Integer(Text.size()) * ((Pixels(Font) + 3) / 2);
  }
  void DrawLine(cairo_t*, const TFontData&, StringView, double, double, COLORREF) override {}
};

// Installs the engine for a test's lifetime.
class ScopedGridTextEngine {
public:
  ScopedGridTextEngine() : FPrevious(SetTextEngine(&FEngine)) {}
  ~ScopedGridTextEngine() { SetTextEngine(FPrevious); }
  ScopedGridTextEngine(const ScopedGridTextEngine&) = delete;
  ScopedGridTextEngine& operator=(const ScopedGridTextEngine&) = delete;

private:
  TGridTestTextEngine FEngine;
  TTextEngine* FPrevious;
};
