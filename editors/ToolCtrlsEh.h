#pragma once
// Edit buttons and the shared button-drawing routines of the editors and grids:
// button faces (classic look; there is no theme engine here), colour mixing,
// gradients, dotted lines and tree elements.

#include "platform/ui/Graphics.h"

// Whether visual styles are in use: never here, so the classic faces are drawn.
bool ThemesEnabledEh();

// Size * 3 / 2, rounded, when Flag is set; else Size.
Integer EnlargeByHalfEh(Integer Size, bool Flag);

// System colours resolved first; each channel Color1 + (Color2 - Color1) * Percent / 100,
// rounded and clamped to 0..255.
TColor MixColorsEh(TColor Color1, TColor Color2, Integer Percent);

// Fills ARect row by row from Color1 at the top to Color2 at the bottom; a rectangle
// less than 2 pixels high draws nothing.
void DrawShadedRectEh(TCanvas* Canvas, const TRect& ARect, TColor Color1, TColor Color2);
