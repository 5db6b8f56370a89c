// The grid's own pictures, drawn here pixel by pixel: the indicator column's
// arrows, pencil, star and dots, the title's sort markers and drop-down sign.
// They are registered as named bitmap resources of the program (BMP bytes, as a
// resource file would hold them) and loaded from there into the two image lists
// every grid shares.
//
// Each picture is a few rows of text: '#' black, 'w' white, 'g' grey (808080),
// 'd' dark grey (404040), and any other character the picture's mask colour.

#include <array>

#include "editors/DaVirVCL.h"
#include "grid/DBGridEh.h"
#include "platform/ui/Resources.h"

namespace {

constexpr Integer IndicatorWidth = 9, IndicatorHeight = 11;
constexpr Integer MarkerWidth = 11, MarkerHeight = 8;

struct TPictureEh {
  const char16_t* Name;
  TColor MaskColor;
  std::array<const char*, 11> Rows;  // only the first Height rows are read
};

constexpr TColor MaskWhite = clWhite;
constexpr TColor MaskTeal = 0x808000;
constexpr TColor MaskFuchsia = clFuchsia;

// Indicator pictures, 9 x 11.
const TPictureEh IndicatorPictures[] = {
    {u"DBGARROWEH",
     MaskWhite,
     {".........", "..#......", "..##.....", "..###....", "..####...", "..#####..", "..####...", "..###....",
      "..##.....", "..#......", "........."}},
    {u"DBEDITEH",
     MaskWhite,
     {".........", "......##.", ".....#ww#", "....#ww#.", "...#ww#..", "..#ww#...", ".#ww#....", ".##w#....",
      ".###.....", "##.......", "........."}},
    {u"DBINSERTEH",
     MaskWhite,
     {".........", "....#....", ".#..#..#.", "..#.#.#..", "...###...", ".#######.", "...###...", "..#.#.#..",
      ".#..#..#.", "....#....", "........."}},
    {u"DBMULTIDOTEH",
     MaskWhite,
     {".........", ".........", ".........", "...###...", "..#####..", "..#####..", "..#####..", "...###...",
      ".........", ".........", "........."}},
    {u"DBMULTIARROWEH",
     MaskWhite,
     {".........", "#........", "##.......", "###......", "####.###.", "#####ddd#", "####.###.", "###......",
      "##.......", "#........", "........."}},
    {u"DBGARROWEHW",
     MaskTeal,
     {".........", "..w......", "..ww.....", "..www....", "..wwww...", "..wwwww..", "..wwww...", "..www....",
      "..ww.....", "..w......", "........."}},
};

// Sort-marker pictures, 11 x 8: an etched triangle (shadow on the lit side's
// opposite), the drop-down sign, and the filled pair.
const TPictureEh MarkerPictures[] = {
    {u"DBSMDOWNEH",
     MaskFuchsia,
     {"...........", ".ggggggggw.", "..g.....w..", "...g...w...", "....g.w....", ".....w.....", "...........",
      "...........", "", "", ""}},
    {u"DBSMUPEH",
     MaskFuchsia,
     {"...........", "...........", ".....g.....", "....g.w....", "...g...w...", "..g.....w..", ".gwwwwwwww.",
      "...........", "", "", ""}},
    {u"DROPDOWNEH",
     MaskWhite,
     {"...........", "...........", "...#####...", "....###....", ".....#.....", "...........", "...........",
      "...........", "", "", ""}},
    {u"DBSMDOWNEH_1",
     MaskFuchsia,
     {"...........", ".ddddddddd.", "..ddddddd..", "...ddddd...", "....ddd....", ".....d.....", "...........",
      "...........", "", "", ""}},
    {u"DBSMUPEH_1",
     MaskFuchsia,
     {"...........", "...........", ".....d.....", "....ddd....", "...ddddd...", "..ddddddd..", ".ddddddddd.",
      "...........", "", "", ""}},
};

TColor PixelColor(char Code, TColor Mask) {
  switch (Code) {
    case '#': return clBlack;
    case 'w': return clWhite;
    case 'g': return clGray;
    case 'd': return TColor(0x404040);
    default: return Mask;
  }
}

void PutLE(std::vector<Byte>& Out, std::uint32_t Value, int Bytes) {
  for (int I = 0; I < Bytes; ++I) Out.push_back(Byte((Value >> (8 * I)) & 0xFF));
}

// A 24-bit bottom-up BMP file of the picture.
std::vector<Byte> BmpBytes(const TPictureEh& Picture, Integer Width, Integer Height) {
  const Integer RowBytes = (Width * 3 + 3) & ~3;
  const std::uint32_t ImageSize = std::uint32_t(RowBytes * Height);
  std::vector<Byte> Out;
  Out.push_back('B');
  Out.push_back('M');
  PutLE(Out, 54 + ImageSize, 4);
  PutLE(Out, 0, 4);
  PutLE(Out, 54, 4);
  PutLE(Out, 40, 4);
  PutLE(Out, std::uint32_t(Width), 4);
  PutLE(Out, std::uint32_t(Height), 4);
  PutLE(Out, 1, 2);
  PutLE(Out, 24, 2);
  PutLE(Out, 0, 4);
  PutLE(Out, ImageSize, 4);
  PutLE(Out, 2835, 4);
  PutLE(Out, 2835, 4);
  PutLE(Out, 0, 4);
  PutLE(Out, 0, 4);
  for (Integer Y = Height - 1; Y >= 0; --Y) {
    const char* Row = Picture.Rows[size_t(Y)];
    const size_t Length = std::char_traits<char>::length(Row);
    for (Integer X = 0; X < Width; ++X) {
      const TColor C = PixelColor(size_t(X) < Length ? Row[X] : '.', Picture.MaskColor);
      Out.push_back(GetBValue(COLORREF(C)));
      Out.push_back(GetGValue(COLORREF(C)));
      Out.push_back(GetRValue(COLORREF(C)));
    }
    for (Integer P = Width * 3; P < RowBytes; ++P) Out.push_back(0);
  }
  return Out;
}

std::unique_ptr<TImageList> Indicators;
std::unique_ptr<TImageList> SortMarkers;

std::unique_ptr<TImageList> MakeList(Integer Width, Integer Height) {
  auto List = std::make_unique<TImageList>(nullptr);
  List->SetWidth(Width);
  List->SetHeight(Height);
  return List;
}

}  // namespace

void RegisterGridBitmapsEh() {
  for (const TPictureEh& P : IndicatorPictures)
    RegisterBitmapResource(MainInstance(), P.Name, BmpBytes(P, IndicatorWidth, IndicatorHeight));
  for (const TPictureEh& P : MarkerPictures)
    RegisterBitmapResource(MainInstance(), P.Name, BmpBytes(P, MarkerWidth, MarkerHeight));
}

void LoadGridBitmaps() {
  if (Indicators && SortMarkers) return;
  if (!FindBitmapResource(MainInstance(), u"DBGARROWEH")) RegisterGridBitmapsEh();
  TBitmap Bitmap;
  LoadBitmapFromResourceNameEh(&Bitmap, MainInstance(), u"DBGARROWEH");
  Indicators = MakeList(Bitmap.GetWidth(), Bitmap.GetHeight());
  for (const TPictureEh& P : IndicatorPictures) {
    LoadBitmapFromResourceNameEh(&Bitmap, MainInstance(), P.Name);
    Indicators->AddMasked(&Bitmap, P.MaskColor);
  }
  BuildSearchArrowImage();
  LoadBitmapFromResourceNameEh(&Bitmap, MainInstance(), u"DBSMDOWNEH");
  SortMarkers = MakeList(Bitmap.GetWidth(), Bitmap.GetHeight());
  for (const TPictureEh& P : MarkerPictures) {
    LoadBitmapFromResourceNameEh(&Bitmap, MainInstance(), P.Name);
    SortMarkers->AddMasked(&Bitmap, P.MaskColor);
  }
}

// The white arrow's own pixels become the search colour: added with white as the
// mask to a list whose background is that colour, drawn out again, and added back
// with the picture's mask colour.
void BuildSearchArrowImage() {
  if (!Indicators) return;
  if (Indicators->GetCount() == 7) Indicators->Delete(6);
  TBitmap Arrow;
  if (!LoadBitmapFromResourceNameEh(&Arrow, MainInstance(), u"DBGARROWEHW")) return;
  auto Temp = MakeList(Arrow.GetWidth(), Arrow.GetHeight());
  Temp->SetBkColor(IncSearchColor == MaskTeal ? TColor(0x7F7F00) : IncSearchColor);
  Temp->AddMasked(&Arrow, clWhite);
  TBitmap Back;
  Back.SetSize(Arrow.GetWidth(), Arrow.GetHeight());
  Temp->Draw(Back.GetCanvas(), 0, 0, 0);
  Indicators->AddMasked(&Back, MaskTeal);
}

void FreeGridBitmaps() {
  Indicators.reset();
  SortMarkers.reset();
}

TImageList* GetDBGridEhIndicators() {
  if (!Indicators) LoadGridBitmaps();
  return Indicators.get();
}

TImageList* GetDBGridEhSortMarkerImages() {
  if (!SortMarkers) LoadGridBitmaps();
  return SortMarkers.get();
}
