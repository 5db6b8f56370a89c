#include "client/ButtonGlyphs.h"

#include <array>
#include <iterator>

#include "platform/core/Assert.h"

namespace {

// Each row is a line of text: '#' black, 'w' white, 'g' green, 'r' red,
// 'b' navy, 'd' dark grey, 'c' the lens's pale cyan, 'n' the handle's brown;
// any other character is the mask colour.
struct TGlyphPicture {
  TButtonGlyph Kind;
  std::array<const char*, ButtonGlyphSize> Rows;
};

constexpr TColor MaskColor = clFuchsia;

const TGlyphPicture Pictures[] = {
    {TButtonGlyph::Add,
     {"................", "................", "......gggg......", "......gggg......", "......gggg......",
      "......gggg......", "..gggggggggggg..", "..gggggggggggg..", "..gggggggggggg..", "..gggggggggggg..",
      "......gggg......", "......gggg......", "......gggg......", "......gggg......", "................",
      "................"}},
    {TButtonGlyph::Delete,
     {"................", "................", "................", "................", "................",
      "................", "..rrrrrrrrrrrr..", "..rrrrrrrrrrrr..", "..rrrrrrrrrrrr..", "..rrrrrrrrrrrr..",
      "................", "................", "................", "................", "................",
      "................"}},
    {TButtonGlyph::Clear,
     {"................", "................", "..rr........rr..", "...rr......rr...", "....rr....rr....",
      ".....rr..rr.....", "......rrrr......", ".......rr.......", "......rrrr......", ".....rr..rr.....",
      "....rr....rr....", "...rr......rr...", "..rr........rr..", "................", "................",
      "................"}},
    {TButtonGlyph::CheckAll,
     {"................", ".##############.", ".#wwwwwwwwwwww#.", ".#wwwwwwwwwwgg#.", ".#wwwwwwwwwggg#.",
      ".#wwwwwwwwgggw#.", ".#wgwwwwwgggww#.", ".#wggwwwgggwww#.", ".#wgggwgggwwww#.", ".#wwgggggwwwww#.",
      ".#wwwgggwwwwww#.", ".#wwwwgwwwwwww#.", ".#wwwwwwwwwwww#.", ".##############.", "................",
      "................"}},
    {TButtonGlyph::UncheckAll,
     {"................", ".##############.", ".#wwwwwwwwwwww#.", ".#wwwwwwwwwwww#.", ".#wwwwwwwwwwww#.",
      ".#wwwwwwwwwwww#.", ".#wwwwwwwwwwww#.", ".#wwwwwwwwwwww#.", ".#wwwwwwwwwwww#.", ".#wwwwwwwwwwww#.",
      ".#wwwwwwwwwwww#.", ".#wwwwwwwwwwww#.", ".#wwwwwwwwwwww#.", ".##############.", "................",
      "................"}},
    {TButtonGlyph::Invert,
     {"................", ".##############.", ".#wddddddddddd#.", ".#wwdddddddddd#.", ".#wwwddddddddd#.",
      ".#wwwwdddddddd#.", ".#wwwwwddddddd#.", ".#wwwwwwdddddd#.", ".#wwwwwwwddddd#.", ".#wwwwwwwwdddd#.",
      ".#wwwwwwwwwddd#.", ".#wwwwwwwwwwdd#.", ".#wwwwwwwwwwwd#.", ".##############.", "................",
      "................"}},
    {TButtonGlyph::First,
     {"................", "................", "...bb......b....", "...bb.....bb....", "...bb....bbb....",
      "...bb...bbbb....", "...bb..bbbbb....", "...bb.bbbbbb....", "...bb..bbbbb....", "...bb...bbbb....",
      "...bb....bbb....", "...bb.....bb....", "...bb......b....", "................", "................",
      "................"}},
    {TButtonGlyph::Prior,
     {"................", "................", "..........b.....", ".........bb.....", "........bbb.....",
      ".......bbbb.....", "......bbbbb.....", ".....bbbbbb.....", "......bbbbb.....", ".......bbbb.....",
      "........bbb.....", ".........bb.....", "..........b.....", "................", "................",
      "................"}},
    {TButtonGlyph::Next,
     {"................", "................", ".....b..........", ".....bb.........", ".....bbb........",
      ".....bbbb.......", ".....bbbbb......", ".....bbbbbb.....", ".....bbbbb......", ".....bbbb.......",
      ".....bbb........", ".....bb.........", ".....b..........", "................", "................",
      "................"}},
    {TButtonGlyph::Last,
     {"................", "................", "....b......bb...", "....bb.....bb...", "....bbb....bb...",
      "....bbbb...bb...", "....bbbbb..bb...", "....bbbbbb.bb...", "....bbbbb..bb...", "....bbbb...bb...",
      "....bbb....bb...", "....bb.....bb...", "....b......bb...", "................", "................",
      "................"}},
    {TButtonGlyph::About,
     {"................", ".....bbbbbb.....", "....bbbbbbbb....", "...bbb....bbb...", "...bbb....bbb...",
      "..........bbb...", ".........bbb....", "........bbb.....", ".......bbb......", ".......bbb......",
      ".......bbb......", "................", ".......bbb......", ".......bbb......", "................",
      "................"}},
    {TButtonGlyph::Search,
     {"................", ".....###........", "...#######......", "..###ccc###.....", "..##ccccc##.....",
      ".##ccccccc##....", ".##ccccccc##....", ".##ccccccc##....", "..##ccccc##.....", "..###ccc###.....",
      "...#######nn....", ".....###...nn...", "............nn..", ".............nn.", "................",
      "................"}},
};
static_assert(std::size(Pictures) == static_cast<size_t>(TButtonGlyph::Search) + 1, "a picture for every glyph");

TColor PixelColor(char Code) {
  switch (Code) {
    case '#': return clBlack;
    case 'w': return clWhite;
    case 'g': return TColor(0x00A000);
    case 'r': return TColor(0x0000D0);
    case 'b': return clNavy;
    case 'd': return TColor(0x404040);
    case 'c': return TColor(0xFFF0C0);
    case 'n': return TColor(0x00406C);
    default: return MaskColor;
  }
}

}  // namespace

std::unique_ptr<TBitmap> MakeButtonGlyph(TButtonGlyph Kind) {
  const TGlyphPicture& picture = Pictures[static_cast<size_t>(Kind)];
  BORROW_ASSERT(picture.Kind == Kind);
  auto bitmap = std::make_unique<TBitmap>();
  bitmap->SetSize(ButtonGlyphSize, ButtonGlyphSize);
  TCanvas* canvas = bitmap->GetCanvas();
  for (Integer y = 0; y < ButtonGlyphSize; ++y)
    for (Integer x = 0; x < ButtonGlyphSize; ++x)
      canvas->SetPixel(x, y, PixelColor(picture.Rows[static_cast<size_t>(y)][x]));
  return bitmap;
}

void SetButtonGlyph(TSpeedButton* Button, TButtonGlyph Kind) { Button->SetGlyph(MakeButtonGlyph(Kind).get()); }
