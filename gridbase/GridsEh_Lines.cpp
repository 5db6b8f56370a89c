// Grid line colours, the line cache that draws one PolyPolyline per colour, the
// out-of-grid areas, and the drawing primitives the painting uses.

#include <algorithm>

#include "editors/ToolCtrlsEh.h"
#include "gridbase/DaVirConsts.h"
#include "gridbase/GridsEh.h"
#include "platform/core/ScopeGuard.h"

// ---- Line colours --------------------------------------------------------------------------
namespace {

// Per-kind getter (1-based) -> the colour value it stores (1-based) and whether its
// default is the dark colour.
struct TKindSlot {
  Integer Value;
  bool Dark;
};
constexpr TKindSlot KindSlots[16] = {{6, true},  {5, true},  {18, false}, {17, false}, {12, false}, {11, false},
                                     {16, true}, {10, true}, {4, false},  {3, false},  {15, false}, {14, false},
                                     {9, false}, {8, false}, {13, true},  {7, true}};

constexpr TColor DefaultDarkColor = 0x808080;
constexpr TColor DefaultBrightColor = 0xC0C0C0;
constexpr TColor ThemedBrightColor = 0xF0F0F0;

}  // namespace

TGridLineColorsEh::TGridLineColorsEh(TCustomGridEh* AGrid) : FGrid(AGrid) {
  std::fill(std::begin(FColors), std::end(FColors), clDefault);
}

void TGridLineColorsEh::SetColorValue(Integer Index, TColor Value) {
  if (Index < 1 || Index > 18) RaiseInvalidGridOperationEh(LoadResStringEh(SGridIndexOutOfRangeEh));
  FColors[Index - 1] = Value;
}

TColor TGridLineColorsEh::GetDarkColor() const { return FColors[1] != clDefault ? FColors[1] : DefaultDarkColor; }

TColor TGridLineColorsEh::GetBrightColor() const {
  if (FColors[0] != clDefault) return FColors[0];
  const TColor Default = GridThemesEnabledEh() ? ThemedBrightColor : DefaultBrightColor;
  // Lines in the grid's own colour would not show.
  if (FGrid && ColorToRGB(FGrid->GetColor()) == Default) return DefaultDarkColor;
  return Default;
}

TColor TGridLineColorsEh::GetKindColor(Integer Kind) const {
  const TKindSlot& Slot = KindSlots[std::clamp(Kind, 1, 16) - 1];
  const TColor Stored = FColors[Slot.Value - 1];
  if (Stored != clDefault) return Stored;
  return Slot.Dark ? GetDarkColor() : GetBrightColor();
}

TColor TGridLineColorsEh::GetCellLineColor(Integer ACol, Integer ARow) const {
  const TCustomGridEh* G = FGrid;
  if (ACol < G->GetFixedCols() - G->GetFrozenColCount() || ARow < G->GetFixedRows() - G->GetFrozenRowCount())
    return GetDarkColor();
  if (ACol < G->GetColCount() && ARow < G->GetRowCount()) return GetBrightColor();
  if (ARow >= G->GetRowCount()) return GetKindColor(11);
  return GetKindColor(14);
}

TColor TGridLineColorsEh::GetVertLineColor(Integer ACol) const {
  return ACol == FGrid->GetColCount() ? GetKindColor(15) : GetBrightColor();
}

TColor TGridLineColorsEh::GetHorzLineColor(Integer, Integer ARow) const {
  return ARow == FGrid->GetRowCount() ? GetKindColor(16) : GetBrightColor();
}

TColor TGridLineColorsEh::GetFrozenVertLineColor(Integer ACol) const {
  if (FGrid->GetFrozenColCount() > 0 && ACol == FGrid->GetFixedCols() - 1) return GetKindColor(7);
  return GetBrightColor();
}

TColor TGridLineColorsEh::GetFrozenHorzLineColor(Integer, Integer ARow) const {
  if (FGrid->GetFrozenRowCount() > 0 && ARow == FGrid->GetFixedRows() - 1) return GetDarkColor();
  return GetBrightColor();
}

// ---- Line cache -----------------------------------------------------------------------------
TGridLinesEh* TGridLinesCacheEh::GetLinesForColor(TColor Color) {
  for (auto& Item : FItems)
    if (Item->Color == Color) return Item.get();
  FItems.push_back(std::make_unique<TGridLinesEh>(Color));
  return FItems.back().get();
}

void TGridLinesCacheEh::AddLine(TColor Color, TPoint P1, TPoint P2) {
  TGridLinesEh* Lines = GetLinesForColor(Color);
  Lines->Points.push_back(P1);
  Lines->Points.push_back(P2);
}

void TGridLinesCacheEh::Flush(TCustomGridEh* Grid, TCanvas* Canvas) {
  size_t MaxPoints = 0;
  for (auto& Item : FItems) MaxPoints = std::max(MaxPoints, Item->Points.size());
  const std::vector<DWORD> Counts(MaxPoints / 2 + 1, 2);
  for (auto& Item : FItems) {
    if (Item->Points.empty()) continue;
    Canvas->GetPen()->SetColor(Item->Color);
    Grid->CanvasPolyPolyline(Item->Points, Counts, Integer(Item->Points.size()));
  }
}

// ---- Out-of-grid areas -------------------------------------------------------------------------
void TGridOutBoundaryDataEh::Changed() {
  if (FGrid) FGrid->OutBoundaryDataChanged();
}

void TGridOutBoundaryDataEh::SetLeftIndent(Integer Value) {
  if (Value == FLeftIndent) return;
  FLeftIndent = Value;
  Changed();
}

void TGridOutBoundaryDataEh::SetTopIndent(Integer Value) {
  if (Value == FTopIndent) return;
  FTopIndent = Value;
  Changed();
}

void TGridOutBoundaryDataEh::SetRightIndent(Integer Value) {
  if (Value == FRightIndent) return;
  FRightIndent = Value;
  Changed();
}

void TGridOutBoundaryDataEh::SetBottomIndent(Integer Value) {
  if (Value == FBottomIndent) return;
  FBottomIndent = Value;
  Changed();
}

bool TGridOutBoundaryDataEh::GetAreaRect(Integer Area, TRect& Rect) const {
  const TRect Client = FGrid->GetClientRect();
  const Integer W = Client.Width(), H = Client.Height();
  const Integer L = FLeftIndent, T = FTopIndent, R = FRightIndent, B = FBottomIndent;
  switch (Area) {
    case 0:
      if (T < 1) return false;
      Rect = TRect(TopStartsAfterLeft ? L : 0, 0, TopEndsBeforeRight ? W - R : W, T);
      return true;
    case 1:
      if (L < 1) return false;
      Rect = TRect(0, TopStartsAfterLeft ? 0 : T, L, BottomStartsAfterLeft ? H : H - B);
      return true;
    case 2:
      if (B < 1) return false;
      Rect = TRect(BottomStartsAfterLeft ? L : 0, H - B, BottomEndsBeforeRight ? W - R : W, H);
      return true;
    case 3:
      if (R < 1) return false;
      Rect = TRect(W - R, TopEndsBeforeRight ? 0 : T, W, BottomEndsBeforeRight ? H : H - B);
      return true;
    default: return false;
  }
}

void TGridOutBoundaryDataEh::InvalidateArea(Integer Area) {
  TRect R;
  if (!GetAreaRect(Area, R) || !FGrid->HandleAllocated()) return;
  if (FGrid->UseRightToLeftAlignment()) R = FGrid->MirroredRect(R);
  ::InvalidateRect(FGrid->GetHandle(), &R, false);
}

// ---- Drawing primitives --------------------------------------------------------------------------
void TCustomGridEh::CanvasPolyPolyline(const std::vector<TPoint>& Points, const std::vector<DWORD>& StrokeCounts,
                                       Integer PointCount) {
  const DWORD Strokes = DWORD(PointCount / 2);
  if (Strokes == 0 || StrokeCounts.size() < Strokes) return;
  if (UseRightToLeftAlignment()) {
    std::vector<TPoint> Shifted(Points.begin(), Points.begin() + PointCount);
    for (TPoint& P : Shifted) P.X += 1;
    PolyPolyline(GetCanvas()->GetHandle(), Shifted.data(), StrokeCounts.data(), Strokes);
    return;
  }
  PolyPolyline(GetCanvas()->GetHandle(), Points.data(), StrokeCounts.data(), Strokes);
}

void TCustomGridEh::CanvasPolyline(const std::vector<TPoint>& Points, Integer LastIndex) {
  std::vector<TPoint> P(Points.begin(), Points.begin() + std::min<size_t>(size_t(LastIndex + 1), Points.size()));
  if (UseRightToLeftAlignment())
    for (TPoint& Q : P) Q.X += 1;
  Polyline(GetCanvas()->GetHandle(), P.data(), Integer(P.size()));
}

void TCustomGridEh::CanvasShadedRect(const TRect& ARect, TColor BaseColor, TColor EndColor) {
  // Filled rectangles land on the mirrored pixels as they are (only lines,
  // drawn at a point, need the shift of CanvasPolyPolyline).
  DrawShadedRectEh(GetCanvas(), ARect, BaseColor, EndColor);
}

void TCustomGridEh::DrawFixedCellFrame(const TRect& ARect, bool LeftSide, bool RightSide, bool State1, bool State2) {
  HDC DC = GetCanvas()->GetHandle();
  const UINT Edge = (State1 || State2) ? BDR_SUNKENINNER : BDR_RAISEDINNER;
  // The leading side pair and the trailing one. On a mirrored canvas the edges
  // are drawn unmirrored, at the mirrored rectangle, so their light still comes
  // from the top left: the leading side is then the right one.
  const bool Mirror = FCanvasMirrored;
  UINT Leading = BF_LEFT | BF_TOP, Trailing = BF_RIGHT | BF_BOTTOM;
  TRect R = ARect;
  if (Mirror) {
    ChangeGridOrientation(false);
    R = MirroredRect(ARect);
    Leading = BF_TOP | BF_RIGHT;
    Trailing = BF_LEFT | BF_BOTTOM;
  }
  TScopeExit Remirror([&] {
    if (Mirror) ChangeGridOrientation(true);
  });
  if (!FFlat) {
    if (LeftSide && RightSide) {
      DrawEdge(DC, R, Edge, BF_RECT);
      return;
    }
    TRect R1 = R;
    DrawEdge(DC, R1, Edge, LeftSide ? Leading : BF_TOP);
    TRect R2 = R;
    DrawEdge(DC, R2, Edge, RightSide ? Trailing : BF_BOTTOM);
    return;
  }
  // Flat: the trailing and bottom borders are lines in the grid's pen, then the
  // top (and leading) edge.
  std::vector<TPoint> Pts;
  if (Mirror) {
    if (RightSide) Pts = {TPoint(R.Left, R.Top), TPoint(R.Left, R.Bottom - 1), TPoint(R.Right, R.Bottom - 1)};
    else Pts = {TPoint(R.Left - 1, R.Bottom - 1), TPoint(R.Right, R.Bottom - 1)};
    Polyline(DC, Pts.data(), Integer(Pts.size()));
  } else {
    if (RightSide)
      Pts = {TPoint(R.Right - 1, R.Top), TPoint(R.Right - 1, R.Bottom - 1), TPoint(R.Left - 1, R.Bottom - 1)};
    else Pts = {TPoint(R.Right, R.Bottom - 1), TPoint(R.Left - 1, R.Bottom - 1)};
    CanvasPolyline(Pts, Integer(Pts.size()) - 1);
  }
  TRect R3 = R;
  DrawEdge(DC, R3, Edge, LeftSide ? Leading : BF_TOP);
}
