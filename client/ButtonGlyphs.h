#pragma once
// The main window's button pictures, drawn here pixel by pixel as the grid
// draws its indicator arrows: the search list's tools (add, remove, clear,
// tick all, untick all, invert, and the four moves), the about button and the
// start button's magnifier. Each is a 16 x 16 bitmap whose mask colour, the
// colour of its bottom-left pixel, the speed button leaves transparent.

#include <memory>

#include "platform/ui/Buttons.h"

enum class TButtonGlyph { Add, Delete, Clear, CheckAll, UncheckAll, Invert, First, Prior, Next, Last, About, Search };

inline constexpr Integer ButtonGlyphSize = 16;

// A new bitmap of the picture.
std::unique_ptr<TBitmap> MakeButtonGlyph(TButtonGlyph Kind);
// Button takes the picture as its glyph.
void SetButtonGlyph(TSpeedButton* Button, TButtonGlyph Kind);
