// Scrolling, keyboard and properties of the base grid: scroll ranges and
// positions in cell mode (0..127) and pixel mode, the scroll-bar requests,
// pixel scrolling, moving the painted contents with ScrollWindowEx, the mouse
// wheel, keyboard navigation, and the property setters.

#include <algorithm>
#include <cstdlib>

#include "gridbase/DaVirConsts.h"
#include "gridbase/GridsEh.h"
#include "platform/core/ScopeGuard.h"

namespace {

constexpr Integer CellScrollRange = 127;

String GridIndexOutOfRange() { return LoadResStringEh(SGridIndexOutOfRangeEh); }

}  // namespace

// ---- Extents -------------------------------------------------------------------------------------
// Axis 0 is horizontal (columns), 1 vertical (rows); the pixel model of each
// is its extent (the scrolling lines), its position and its page.
void TCustomGridEh::CalcHorzExtents() { CalcAxisExtents(true); }

void TCustomGridEh::CalcVertExtents() { CalcAxisExtents(false); }

void TCustomGridEh::CalcAxisExtents(bool Horizontal) {
  TGridDrawInfoEh DrawInfo;
  CalcDrawInfo(DrawInfo);
  const Integer A = Horizontal ? 0 : 1;
  const Integer Fixed = Horizontal ? FFixedCols : FFixedRows;
  const Integer Count = Horizontal ? FColCount : FRowCount;
  const Integer First = Horizontal ? FTopLeft.X : FTopLeft.Y;
  const Int64 Extent = GetLinesExtent(Horizontal, Fixed, Count);
  const Int64 Pos = GetLinesExtent(Horizontal, Fixed, std::min(First, Count));
  FPixelExtent[A] = Integer(std::min<Int64>(Extent, 0x7FFFFFFF));
  FPixelPos[A] = Integer(Pos) + (Horizontal ? FTopLeftOffset.X : FTopLeftOffset.Y);
  FPixelPage[A] = PixelPage(Horizontal ? DrawInfo.Horz : DrawInfo.Vert);
  Integer OwnExtent = 0, OwnPos = 0;
  if (Horizontal && GetOwnHorzPixels(FPixelPage[0], OwnExtent, OwnPos)) {
    FPixelExtent[0] = OwnExtent;
    FPixelPos[0] = OwnPos;
  }
}

bool TCustomGridEh::GetOwnHorzPixels(Integer, Integer&, Integer&) { return false; }

void TCustomGridEh::SetOwnHorzPixelPos(Integer) {}

Integer TCustomGridEh::PixelPage(const TGridAxisDrawInfoEh& Axis) {
  return std::max(0, Axis.GridExtent - Axis.FixedBoundary);
}

Int64 TCustomGridEh::GetLinesExtent(bool Horizontal, Integer From, Integer To) const {
  if (!Horizontal) return GetRowsExtent(From, To);
  Int64 Extent = 0;
  for (Integer I = From; I < To; ++I) Extent += GetColWidths(I) + FGridLineWidth;
  return Extent;
}

Int64 TCustomGridEh::GetRowsExtent(Integer From, Integer To) const {
  Int64 Extent = 0;
  for (Integer I = From; I < To; ++I) Extent += GetRowHeights(I) + FGridLineWidth;
  return Extent;
}

Integer TCustomGridEh::GetHorzScrollStep() { return std::max(1, FPixelPage[0] / 20); }
Integer TCustomGridEh::GetVertScrollStep() { return std::max(1, FPixelPage[1] / 20); }

// ---- Scroll bars -------------------------------------------------------------------------------------
namespace {

void SetScrollInfoIfChanged(HWND Wnd, Integer Bar, Integer Min, Integer Max, Integer Page, Integer Pos) {
  TScrollInfo Old;
  Old.fMask = SIF_ALL;
  GetScrollInfo(Wnd, Bar, Old);
  if (Old.nMin == Min && Old.nMax == Max && Integer(Old.nPage) == Page && Old.nPos == Pos) return;
  TScrollInfo Info;
  Info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  Info.nMin = Min;
  Info.nMax = Max;
  Info.nPage = UINT(std::max(0, Page));
  Info.nPos = Pos;
  SetScrollInfo(Wnd, Bar, Info, true);
}

}  // namespace

void TCustomGridEh::UpdateAxisScrollRange(bool Horizontal, const TGridDrawInfoEh& DrawInfo) {
  HWND Wnd = GetHandle();
  const Integer Bar = Horizontal ? SB_HORZ : SB_VERT;
  const bool Smooth = Horizontal ? IsSmoothHorzScroll() : IsSmoothVertScroll();
  const Integer Axis = Horizontal ? 0 : 1;
  if (Smooth) {
    CalcAxisExtents(Horizontal);
    const Integer MaxPos = std::max(0, FPixelExtent[Axis] - FPixelPage[Axis]);
    if (FPixelPos[Axis] > MaxPos) {
      const Integer Back = FPixelPos[Axis] - MaxPos;
      Horizontal ? ScrollByPixels(-Back, 0) : ScrollByPixels(0, -Back);
    }
    SetScrollInfoIfChanged(Wnd, Bar, 0, std::max(0, FPixelExtent[Axis] - 1), FPixelPage[Axis], FPixelPos[Axis]);
    return;
  }
  if (Horizontal && FColCount == 1) {
    const Integer Max = std::max(0, GetColWidths(0) - DrawInfo.Horz.ClientExtent);
    SetScrollInfoIfChanged(Wnd, Bar, 0, Max, 0, std::min(FTopLeftOffset.X, Max));
    return;
  }
  const TGridCoord MaxTopLeft = CalcMaxTopLeft({FColCount - 1, FRowCount - 1}, DrawInfo);
  const Integer MaxLine = Horizontal ? MaxTopLeft.X : MaxTopLeft.Y;
  const Integer Fixed = Horizontal ? FFixedCols : FFixedRows;
  SetScrollInfoIfChanged(Wnd, Bar, 0, Fixed < MaxLine ? CellScrollRange : 0, 0,
                         Fixed < MaxLine ? GetScrollPos(Wnd, Bar) : 0);
  Integer& First = Horizontal ? FTopLeft.X : FTopLeft.Y;
  if (First > MaxLine) {
    Update();
    First = std::max(Fixed, MaxLine);
    (Horizontal ? FTopLeftOffset.X : FTopLeftOffset.Y) = 0;
  }
}

void TCustomGridEh::UpdateScrollRange() {
  if (FScrollBars == ssNone || !HandleAllocated() || !GetShowing() || IsPaintLocked()) return;
  HWND Wnd = GetHandle();
  const TScrollStyle Saved = FScrollBars;
  const bool Horz = Saved == ssHorizontal || Saved == ssBoth;
  const bool Vert = Saved == ssVertical || Saved == ssBoth;
  auto BarShown = [&](Integer Bar) {
    Integer Min = 0, Max = 0;
    return GetScrollRange(Wnd, Bar, Min, Max) && Min != Max;
  };
  // The ranges are computed as if no bar took space: a grid grown until its
  // contents fit loses the bars that the bars themselves made necessary.
  Integer W = GetClientWidth(), H = GetClientHeight();
  if (Horz && BarShown(SB_HORZ)) H += GetSystemMetrics(SM_CYHSCROLL);
  if (Vert && BarShown(SB_VERT)) W += GetSystemMetrics(SM_CXVSCROLL);
  const TGridCoord OldTopLeft = FTopLeft;
  const TPoint OldOffset = FTopLeftOffset;
  {
    TTemporaryChange NoBars(FScrollBars, ssNone);  // the range changes resize the client; do not recurse
    TGridDrawInfoEh DrawInfo;
    if (Horz) {
      CalcDrawInfoXY(DrawInfo, W, H);
      UpdateAxisScrollRange(true, DrawInfo);
    }
    H = GetClientHeight();
    if (Vert) {
      CalcDrawInfoXY(DrawInfo, W, H);
      UpdateAxisScrollRange(false, DrawInfo);
    }
    // A vertical bar that came (or went) changed the width the columns have.
    if (W != GetClientWidth()) {
      W = GetClientWidth();
      if (Horz) {
        CalcDrawInfoXY(DrawInfo, W, H);
        UpdateAxisScrollRange(true, DrawInfo);
      }
      // ... and a horizontal bar that came with it, the height the rows have.
      if (Vert && H != GetClientHeight()) {
        H = GetClientHeight();
        CalcDrawInfoXY(DrawInfo, W, H);
        UpdateAxisScrollRange(false, DrawInfo);
      }
    }
  }
  KeepSingleColumnEndInView();
  UpdateScrollPos();
  if (!(FTopLeft == OldTopLeft) || !(FTopLeftOffset == OldOffset)) TopLeftMoved(OldTopLeft, OldOffset);
}

bool TCustomGridEh::KeepSingleColumnEndInView() {
  if (FColCount != 1 || IsSmoothHorzScroll() || FTopLeftOffset.X <= 0) return false;
  TGridDrawInfoEh DrawInfo;
  CalcDrawInfo(DrawInfo);
  const Integer Client = DrawInfo.Horz.ClientExtent;
  if (GetColWidths(0) - FTopLeftOffset.X >= Client) return false;
  if (HandleAllocated()) Update();
  FTopLeftOffset.X = std::max(0, GetColWidths(0) - Client);
  return true;
}

void TCustomGridEh::UpdateScrollPos() {
  if (!HandleAllocated() || FScrollBars == ssNone) return;
  const TPoint OldOffset = FTopLeftOffset;
  if (KeepSingleColumnEndInView()) {
    TopLeftMoved(FTopLeft, OldOffset);  // positions the bars again
    return;
  }
  HWND Wnd = GetHandle();
  TGridDrawInfoEh DrawInfo;
  CalcDrawInfo(DrawInfo);
  const TGridCoord MaxTopLeft = CalcMaxTopLeft({FColCount - 1, FRowCount - 1}, DrawInfo);
  auto Axis = [&](bool Horizontal) {
    const Integer Bar = Horizontal ? SB_HORZ : SB_VERT;
    const Integer A = Horizontal ? 0 : 1;
    const bool Smooth = Horizontal ? IsSmoothHorzScroll() : IsSmoothVertScroll();
    // Right-to-left, the horizontal bar runs from the right.
    const bool Mirror = Horizontal && UseRightToLeftAlignment();
    if (Smooth) {
      CalcAxisExtents(Horizontal);
      const Integer Pos = Mirror ? std::max(0, FPixelExtent[A] - FPixelPos[A] - Integer(FPixelPage[A])) : FPixelPos[A];
      SetScrollInfoIfChanged(Wnd, Bar, 0, std::max(0, FPixelExtent[A] - 1), FPixelPage[A], Pos);
      return;
    }
    if (Horizontal && FColCount == 1) {
      if (GetScrollPos(Wnd, Bar) != FTopLeftOffset.X) SetScrollPos(Wnd, Bar, FTopLeftOffset.X, true);
      return;
    }
    const Integer Fixed = Horizontal ? FFixedCols : FFixedRows;
    const Integer First = Horizontal ? FTopLeft.X : FTopLeft.Y;
    const Integer Max = Horizontal ? MaxTopLeft.X : MaxTopLeft.Y;
    Integer Pos = Max > Fixed ? MulDiv(First - Fixed, CellScrollRange, Max - Fixed) : 0;
    if (Mirror && Max > Fixed) Pos = CellScrollRange - Pos;
    if (GetScrollPos(Wnd, Bar) != Pos) SetScrollPos(Wnd, Bar, Pos, true);
  };
  if (FScrollBars == ssHorizontal || FScrollBars == ssBoth) Axis(true);
  if (FScrollBars == ssVertical || FScrollBars == ssBoth) Axis(false);
}

void TCustomGridEh::ModifyScrollBar(Integer ScrollBar, Integer ScrollCode, Integer Pos, bool UseRightToLeft) {
  if (GetVisible() && CanFocus() && GetTabStop() && !GetComponentState().Contains(csDesigning)) SetFocus();
  const bool Horizontal = ScrollBar == SB_HORZ;
  // A request from the mirrored horizontal bar goes the other way along the lines.
  const bool Mirror = Horizontal && UseRightToLeft && UseRightToLeftAlignment();
  if (Mirror) {
    switch (ScrollCode) {
      case SB_LINEUP: ScrollCode = SB_LINEDOWN; break;
      case SB_LINEDOWN: ScrollCode = SB_LINEUP; break;
      case SB_PAGEUP: ScrollCode = SB_PAGEDOWN; break;
      case SB_PAGEDOWN: ScrollCode = SB_PAGEUP; break;
      case SB_TOP: ScrollCode = SB_BOTTOM; break;
      case SB_BOTTOM: ScrollCode = SB_TOP; break;
      default: break;
    }
  }
  const bool PixelMode = Horizontal ? (IsSmoothHorzScroll() || FColCount == 1) : IsSmoothVertScroll();
  const bool Track = FOptions.Contains(goThumbTracking);
  if (PixelMode) {
    const Integer A = Horizontal ? 0 : 1;
    CalcAxisExtents(Horizontal);
    const Integer Step = Horizontal ? GetHorzScrollStep() : GetVertScrollStep();
    Integer D = 0;
    switch (ScrollCode) {
      case SB_LINEUP: D = -Step; break;
      case SB_LINEDOWN: D = Step; break;
      case SB_PAGEUP: D = -FPixelPage[A]; break;
      case SB_PAGEDOWN: D = FPixelPage[A]; break;
      case SB_THUMBTRACK:
        if (!Track) return;
        [[fallthrough]];
      case SB_THUMBPOSITION: D = (Mirror ? FPixelExtent[A] - Integer(FPixelPage[A]) - Pos : Pos) - FPixelPos[A]; break;
      case SB_TOP: D = -FPixelPos[A]; break;
      case SB_BOTTOM: D = FPixelExtent[A] - FPixelPage[A] - FPixelPos[A]; break;
      default: return;
    }
    if (Horizontal && FColCount == 1 && !IsSmoothHorzScroll()) {
      // One column wider than the window: the bar follows the column offset.
      TGridDrawInfoEh DrawInfo;
      CalcDrawInfo(DrawInfo);
      const Integer Max = std::max(0, GetColWidths(0) - DrawInfo.Horz.ClientExtent);
      const Integer NewOffset = std::clamp(FTopLeftOffset.X + D, 0, Max);
      if (NewOffset != FTopLeftOffset.X) {
        const TPoint OldOffset = FTopLeftOffset;
        Update();
        FTopLeftOffset.X = NewOffset;
        TopLeftMoved(FTopLeft, OldOffset);
      }
      return;
    }
    Horizontal ? ScrollByPixels(D, 0) : ScrollByPixels(0, D);
    return;
  }
  TGridDrawInfoEh DrawInfo;
  CalcDrawInfo(DrawInfo);
  const TGridAxisDrawInfoEh& A = Horizontal ? DrawInfo.Horz : DrawInfo.Vert;
  const Integer Min = Horizontal ? FFixedCols : FFixedRows;
  const TGridCoord MaxTopLeft = CalcMaxTopLeft({FColCount - 1, FRowCount - 1}, DrawInfo);
  const Integer Max = std::max(Min, Horizontal ? MaxTopLeft.X : MaxTopLeft.Y);
  const Integer First = Horizontal ? FTopLeft.X : FTopLeft.Y;
  auto PageUp = [&]() {
    const TGridCoord Keep = CalcMaxTopLeft(FTopLeft, DrawInfo);
    return std::max(1, First - (Horizontal ? Keep.X : Keep.Y));
  };
  auto PageDown = [&]() { return std::max(1, A.LastFullVisibleCell - First); };
  Integer Result = First;
  auto Step = [&](Integer Delta) {
    // Lines of zero width are passed over.
    Integer R = First;
    do {
      const Integer Prev = R;
      R += Delta;
      if (R < Min || R > Max || R == Prev) break;
      if (A.GetExtent(R) > 0) break;
    } while (true);
    return R;
  };
  switch (ScrollCode) {
    case SB_LINEUP: Result = Step(-1); break;
    case SB_LINEDOWN: Result = Step(1); break;
    case SB_PAGEUP: Result = First - PageUp(); break;
    case SB_PAGEDOWN: Result = First + PageDown(); break;
    case SB_THUMBTRACK:
      if (!Track) return;
      [[fallthrough]];
    case SB_THUMBPOSITION:
      Result = Mirror ? Max - MulDiv(Pos, Max - Min, CellScrollRange) : Min + MulDiv(Pos, Max - Min, CellScrollRange);
      break;
    case SB_TOP: Result = Min; break;
    case SB_BOTTOM: Result = Max; break;
    default: return;
  }
  Result = std::clamp(Result, Min, Max);
  if (Result != First) Horizontal ? MoveTopLeft(Result, FTopLeft.Y) : MoveTopLeft(FTopLeft.X, Result);
}

// ---- Pixel scrolling -------------------------------------------------------------------------------------
void TCustomGridEh::ScrollAxisByPixels(bool Horizontal, Integer Delta) {
  Integer& First = Horizontal ? FTopLeft.X : FTopLeft.Y;
  Integer& Offset = Horizontal ? FTopLeftOffset.X : FTopLeftOffset.Y;
  const Integer Fixed = Horizontal ? FFixedCols : FFixedRows;
  const Integer Count = Horizontal ? FColCount : FRowCount;
  auto Extent = [&](Integer I) { return (Horizontal ? GetColWidths(I) : GetRowHeights(I)) + FGridLineWidth; };
  Offset += Delta;
  if (!Horizontal) {
    // Rows are found by their sums, so a long way costs no walk over the rows passed.
    if (Offset >= 0) {
      Integer Lo = First, Hi = std::max(First, Count - 1);
      while (Lo < Hi) {
        const Integer Mid = Lo + (Hi - Lo + 1) / 2;
        if (GetRowsExtent(First, Mid) <= Offset) Lo = Mid;
        else Hi = Mid - 1;
      }
      Offset -= Integer(GetRowsExtent(First, Lo));
      First = Lo;
    } else if (First > Fixed) {
      Integer Lo = Fixed, Hi = First;
      if (Offset + GetRowsExtent(Fixed, First) < 0) {
        Lo = Hi = Fixed;
      }
      while (Lo < Hi) {
        const Integer Mid = Lo + (Hi - Lo + 1) / 2;
        if (Offset + GetRowsExtent(Mid, First) >= 0) Lo = Mid;
        else Hi = Mid - 1;
      }
      Offset += Integer(GetRowsExtent(Lo, First));
      First = Lo;
    }
    if (Offset < 0) Offset = 0;
    return;
  }
  while (Offset >= Extent(First) && First < Count - 1) {
    Offset -= Extent(First);
    ++First;
  }
  while (Offset < 0 && First > Fixed) {
    --First;
    Offset += Extent(First);
  }
  if (Offset < 0) Offset = 0;
}

Integer TCustomGridEh::ClampPixelDelta(bool Horizontal, Integer Delta) {
  // A scroll stops at either end of the axis's pixel range.
  if (Delta == 0 || !(Horizontal ? IsSmoothHorzScroll() : IsSmoothVertScroll())) return 0;
  const Integer A = Horizontal ? 0 : 1;
  CalcAxisExtents(Horizontal);
  const Integer MaxPos = std::max(0, FPixelExtent[A] - FPixelPage[A]);
  return Delta > 0 ? std::min(Delta, std::max(0, MaxPos - FPixelPos[A])) : std::max(Delta, -FPixelPos[A]);
}

void TCustomGridEh::ScrollByPixels(Integer DX, Integer DY) {
  DX = ClampPixelDelta(true, DX);
  DY = ClampPixelDelta(false, DY);
  if (DX == 0 && DY == 0) return;
  if (HandleAllocated()) Update();
  const TGridCoord OldTopLeft = FTopLeft;
  const TPoint OldOffset = FTopLeftOffset;
  Integer OwnExtent = 0, OwnPos = 0;
  if (DX != 0 && GetOwnHorzPixels(FPixelPage[0], OwnExtent, OwnPos)) SetOwnHorzPixelPos(OwnPos + DX);
  else if (DX != 0) ScrollAxisByPixels(true, DX);
  if (DY != 0) ScrollAxisByPixels(false, DY);
  TopLeftMoved(OldTopLeft, OldOffset);
}

// ---- Moving the painted contents --------------------------------------------------------------------------
Integer TCustomGridEh::ScrollAxisDistance(Integer OldFirst, Integer OldOffset, Integer NewFirst, Integer NewOffset,
                                          bool Horizontal) const {
  // Pixels the contents move: positive when they move right (down).
  Int64 D = 0;
  if (NewFirst > OldFirst) D -= GetLinesExtent(Horizontal, OldFirst, NewFirst);
  else D += GetLinesExtent(Horizontal, NewFirst, OldFirst);
  D += OldOffset - NewOffset;
  return Integer(std::clamp<Int64>(D, -0x3FFFFFFF, 0x3FFFFFFF));
}

void TCustomGridEh::TopLeftMoved(const TGridCoord& OldTopLeft, const TPoint& OldOffset) {
  CalcHorzExtents();
  CalcVertExtents();
  UpdateScrollPos();
  if (HandleAllocated()) {
    TGridDrawInfoEh DrawInfo;
    CalcDrawInfo(DrawInfo);
    const TGridAxisDrawInfoEh& H = DrawInfo.Horz;
    const TGridAxisDrawInfoEh& V = DrawInfo.Vert;
    const Integer DX = ScrollAxisDistance(OldTopLeft.X, OldOffset.X, FTopLeft.X, FTopLeftOffset.X, true);
    const Integer DY = ScrollAxisDistance(OldTopLeft.Y, OldOffset.Y, FTopLeft.Y, FTopLeftOffset.Y, false);
    const Integer HData = H.GridExtent - H.FixedBoundary, VData = V.GridExtent - V.FixedBoundary;
    HWND Wnd = GetHandle();
    const UINT Flags = SW_INVALIDATE | (FDefaultDrawing ? 0 : SW_ERASE);
    // Right-to-left, each band is the mirror and moves the other way.
    const bool Mirror = UseRightToLeftAlignment();
    auto Move = [&](TRect R, Integer X, Integer Y) {
      if (R.IsEmpty()) return;
      if (Mirror) {
        R = MirroredRect(R);
        X = -X;
      }
      ScrollWindowEx(Wnd, X, Y, &R, &R, nullptr, nullptr, Flags);
    };
    const Integer RightEnd = std::min(H.GridExtent, H.DataEnd), BottomEnd = std::min(V.GridExtent, V.DataEnd);
    if (std::abs(DX) > HData || std::abs(DY) > VData) {
      Invalidate();
    } else if (DX != 0 && DY == 0) {
      Move(TRect(H.FixedBoundary, V.StartIndent, RightEnd, V.DataEnd), DX, 0);
    } else if (DY != 0 && DX == 0) {
      Move(TRect(H.StartIndent, V.FixedBoundary, H.DataEnd, BottomEnd), 0, DY);
    } else if (DX != 0 && DY != 0) {
      Move(TRect(H.FixedBoundary, V.StartIndent, RightEnd, V.FixedBoundary), DX, 0);
      Move(TRect(H.StartIndent, V.FixedBoundary, H.FixedBoundary, BottomEnd), 0, DY);
      Move(TRect(H.FixedBoundary, V.FixedBoundary, RightEnd, BottomEnd), DX, DY);
      if (FContraRowCount > 0) Move(TRect(H.FixedBoundary, V.ContraBoundary, RightEnd, V.DataEnd), DX, 0);
      if (FContraColCount > 0) Move(TRect(H.ContraBoundary, V.FixedBoundary, H.DataEnd, BottomEnd), 0, DY);
    }
    if (FOptions.Contains(goRowSelect)) {
      const TGridRect Sel = GetSelection();
      InvalidateRect({0, Sel.Top, GetFullColCount() - 1, Sel.Bottom});
    }
  }
  TopLeftChanged();
}

void TCustomGridEh::ScrollData(Integer DX, Integer DY) {
  // DX, DY in cells: the lines passed give the pixel distance.
  if (!HandleAllocated()) return;
  TGridDrawInfoEh DrawInfo;
  CalcDrawInfo(DrawInfo);
  const Integer PX =
      DX == 0 ? 0 : ScrollAxisDistance(FTopLeft.X - DX, FTopLeftOffset.X, FTopLeft.X, FTopLeftOffset.X, true);
  const Integer PY =
      DY == 0 ? 0 : ScrollAxisDistance(FTopLeft.Y - DY, FTopLeftOffset.Y, FTopLeft.Y, FTopLeftOffset.Y, false);
  TRect R(DrawInfo.Horz.FixedBoundary, DrawInfo.Vert.FixedBoundary, DrawInfo.Horz.GridExtent, DrawInfo.Vert.GridExtent);
  if (!R.IsEmpty()) ScrollWindowEx(GetHandle(), PX, PY, &R, &R, nullptr, nullptr, SW_INVALIDATE);
}

void TCustomGridEh::TopLeftChanged() {
  if (FEditorMode && FInplaceEdit) FInplaceEdit->UpdateLoc(CellEditRect(FCurrent.X, FCurrent.Y));
  if (HandleAllocated() && GetShowing()) {
    const TPoint P = ScreenToClient(GetCursorPos());
    UpdateHotTrack(P.X, P.Y);
  }
}

// ---- Keyboard ---------------------------------------------------------------------------------------------------
void TCustomGridEh::KeyDown(Word& Key, TShiftState Shift) {
  TCustomControl::KeyDown(Key, Shift);
  if (!CanGridAcceptKey(Key, Shift)) Key = 0;
  if (Key == 0) return;
  TGridDrawInfoEh DrawInfo;
  CalcDrawInfo(DrawInfo);
  const Integer PageWidth = std::max(1, DrawInfo.Horz.LastFullVisibleCell - FTopLeft.X);
  const Integer PageHeight = std::max(1, DrawInfo.Vert.LastFullVisibleCell - FTopLeft.Y);
  const Integer RTLFactor = UseRightToLeftAlignment() ? -1 : 1;
  TGridCoord NewCurrent = FCurrent;
  TGridCoord NewTopLeft = FTopLeft;
  const bool RowSelect = FOptions.Contains(goRowSelect);
  if (Shift.Contains(ssCtrl)) {
    switch (Key) {
      case VK_UP: --NewTopLeft.Y; break;
      case VK_DOWN: ++NewTopLeft.Y; break;
      case VK_LEFT:
        if (!RowSelect) {
          NewCurrent.X -= PageWidth * RTLFactor;
          NewTopLeft.X -= PageWidth * RTLFactor;
        }
        break;
      case VK_RIGHT:
        if (!RowSelect) {
          NewCurrent.X += PageWidth * RTLFactor;
          NewTopLeft.X += PageWidth * RTLFactor;
        }
        break;
      case VK_PRIOR: NewCurrent.Y = FTopLeft.Y; break;
      case VK_NEXT: NewCurrent.Y = DrawInfo.Vert.LastFullVisibleCell; break;
      case VK_HOME: NewCurrent = {FFixedCols, FFixedRows}; break;
      case VK_END: NewCurrent = {FColCount - 1, FRowCount - 1}; break;
      default: break;
    }
  } else {
    switch (Key) {
      case VK_UP: --NewCurrent.Y; break;
      case VK_DOWN: ++NewCurrent.Y; break;
      case VK_LEFT:
      case VK_RIGHT:
        if (RowSelect) {
          const Integer Step = GetHorzScrollStep() * RTLFactor;
          ScrollByPixels(Key == VK_LEFT ? -Step : Step, 0);
          return;
        }
        NewCurrent.X += (Key == VK_LEFT ? -1 : 1) * RTLFactor;
        break;
      case VK_NEXT:
        NewCurrent.Y += PageHeight;
        NewTopLeft.Y += PageHeight;
        break;
      case VK_PRIOR:
        NewCurrent.Y -= PageHeight;
        NewTopLeft.Y -= PageHeight;
        break;
      case VK_HOME:
        if (RowSelect) NewCurrent.Y = FFixedRows;
        else NewCurrent.X = FFixedCols;
        break;
      case VK_END:
        if (RowSelect) NewCurrent.Y = FRowCount - 1;
        else NewCurrent.X = FColCount - 1;
        break;
      case VK_TAB:
        if (!Shift.Contains(ssAlt) && AnyTabStop()) {
          // Shift+Tab walks backwards all the way; the anchor moves with the
          // cell. With no tab stop at all the cell stays, without walking the rows.
          TShiftState TabShift = Shift;
          do {
            if (TabShift.Contains(ssShift)) {
              --NewCurrent.X;
              if (NewCurrent.X < FFixedCols) {
                NewCurrent.X = FColCount - 1;
                --NewCurrent.Y;
                if (NewCurrent.Y < FFixedRows) NewCurrent.Y = FRowCount - 1;
              }
            } else {
              ++NewCurrent.X;
              if (NewCurrent.X >= FColCount) {
                NewCurrent.X = FFixedCols;
                ++NewCurrent.Y;
                if (NewCurrent.Y >= FRowCount) NewCurrent.Y = FFixedRows;
              }
            }
            Shift = Shift - ssShift;  // the anchor moves with the cell
          } while (!GetTabStops(NewCurrent.X) && !(NewCurrent.X == FCurrent.X && NewCurrent.Y == FCurrent.Y));
        }
        break;
      case VK_F2: SetEditorMode(true); break;
      default: break;
    }
  }
  const TGridCoord MaxTopLeft = CalcMaxTopLeft({FColCount - 1, FRowCount - 1}, DrawInfo);
  NewTopLeft.X = std::clamp(NewTopLeft.X, FFixedCols, std::max(FFixedCols, MaxTopLeft.X));
  NewTopLeft.Y = std::clamp(NewTopLeft.Y, FFixedRows, std::max(FFixedRows, MaxTopLeft.Y));
  if (!(NewTopLeft == FTopLeft)) MoveTopLeft(NewTopLeft.X, NewTopLeft.Y);
  NewCurrent.X = std::clamp(NewCurrent.X, FFixedCols, FColCount - 1);
  NewCurrent.Y = std::clamp(NewCurrent.Y, FFixedRows, FRowCount - 1);
  if (!(NewCurrent == FCurrent)) FocusCell(NewCurrent.X, NewCurrent.Y, !Shift.Contains(ssShift));
}

bool TCustomGridEh::AnyTabStop() const {
  for (Integer I = FFixedCols; I < FColCount; ++I)
    if (GetTabStops(I)) return true;
  return false;
}

void TCustomGridEh::KeyPress(Char& Key) {
  TCustomControl::KeyPress(Key);
  if (!FOptions.Contains(goAlwaysShowEditor) && Key == u'\r') {
    if (FEditorMode) HideEditor();
    else ShowEditor();
    Key = 0;
  }
}

void TCustomGridEh::KeyUp(Word& Key, TShiftState Shift) { TCustomControl::KeyUp(Key, Shift); }

bool TCustomGridEh::DoMouseWheelDown(TShiftState Shift, TPoint MousePos) {
  if (TCustomControl::DoMouseWheelDown(Shift, MousePos)) return true;
  if (IsSmoothVertScroll()) ScrollByPixels(0, GetVertScrollStep());
  else if (FCurrent.Y < FRowCount - 1) FocusCell(FCurrent.X, FCurrent.Y + 1, true);
  return true;
}

bool TCustomGridEh::DoMouseWheelUp(TShiftState Shift, TPoint MousePos) {
  if (TCustomControl::DoMouseWheelUp(Shift, MousePos)) return true;
  if (IsSmoothVertScroll()) ScrollByPixels(0, -GetVertScrollStep());
  else if (FCurrent.Y > FFixedRows) FocusCell(FCurrent.X, FCurrent.Y - 1, true);
  return true;
}

void TCustomGridEh::DoExit() {
  TCustomControl::DoExit();
  if (!FOptions.Contains(goAlwaysShowEditor)) HideEditor();
}

// ---- Virtual operations of this part
// ---------------------------------------------------------------------------------
void TCustomGridEh::ColWidthsChanged() {
  UpdateScrollRange();
  UpdateEdit();
}

void TCustomGridEh::RowHeightsChanged() {
  UpdateScrollRange();
  UpdateEdit();
}

void TCustomGridEh::DeleteColumn(Integer ACol) {
  MoveColumn(ACol, GetFullColCount() - 1 - FContraColCount);
  SetColCount(FColCount - 1);
}

void TCustomGridEh::DeleteRow(Integer ARow) {
  LockPaint();
  {
    TScopeExit Unlock([&] { UnlockPaint(); });
    if (FCurrent.Y == ARow && ARow >= 1 && ARow - 1 >= FFixedRows) FCurrent.Y = ARow - 1;
    MoveRow(ARow, FRowCount - 1);
    SetRowCount(FRowCount - 1);
  }
  Invalidate();
}

void TCustomGridEh::UpdateFlatLineColor() { FFlatLineColor = FFlat ? 0x808080 : 0; }

void TCustomGridEh::OutBoundaryDataChanged() { Invalidate(); }

// ---- Properties
// --------------------------------------------------------------------------------------------------------
void TCustomGridEh::SetColCount(Integer Value) {
  if (Value < 1) Value = 1;
  if (Value == FColCount) return;
  if (Value <= FFixedCols) FFixedCols = Value - 1;
  if (FContraColCount > 0) ChangeLineCount(FColCount + std::min(0, Value - FColCount), Value - FColCount, false);
  else ChangeSize(Value, FRowCount);
  if (FOptions.Contains(goRowSelect)) {
    FAnchor.X = FColCount - 1;
    Invalidate();
  }
  CalcHorzExtents();
  UpdateScrollRange();
}

void TCustomGridEh::SetRowCount(Integer Value) {
  if (Value < 1) Value = 1;
  if (Value == FRowCount) return;
  if (Value <= FFixedRows) FFixedRows = Value - 1;
  if (FContraRowCount > 0) ChangeLineCount(FRowCount + std::min(0, Value - FRowCount), Value - FRowCount, true);
  else ChangeSize(FColCount, Value);
  CalcVertExtents();
  UpdateScrollRange();
}

void TCustomGridEh::SetContraColCount(Integer Value) {
  if (Value < 0) RaiseInvalidGridOperationEh(u"FContraColCount can not be negative.");
  if (Value == FContraColCount) return;
  ChangeContraSize(Value, FContraRowCount);
  CalcHorzExtents();
  UpdateScrollRange();
}

void TCustomGridEh::SetContraRowCount(Integer Value) {
  if (Value < 0) RaiseInvalidGridOperationEh(u"FContraRowCount can not be negative.");
  if (Value == FContraRowCount) return;
  ChangeContraSize(FContraColCount, Value);
  CalcVertExtents();
  UpdateScrollRange();
}

void TCustomGridEh::SetFixedCols(Integer Value) { SetAxisFixedCount(true, Value); }

void TCustomGridEh::SetFixedRows(Integer Value) { SetAxisFixedCount(false, Value); }

void TCustomGridEh::SetAxisFixedCount(bool Horizontal, Integer Value) {
  Integer& Fixed = Horizontal ? FFixedCols : FFixedRows;
  if (Value == Fixed) return;
  if (Value < 0) RaiseInvalidGridOperationEh(GridIndexOutOfRange());
  if (Value >= (Horizontal ? FColCount : FRowCount))
    RaiseInvalidGridOperationEh(LoadResStringEh(Horizontal ? SFixedColTooBigEh : SFixedRowTooBigEh));
  Fixed = Value;
  // Frozen lines are the last of the fixed ones.
  Integer& Frozen = Horizontal ? FFrozenColCount : FFrozenRowCount;
  Frozen = std::min(Frozen, Fixed);
  (Horizontal ? FTopLeftOffset.X : FTopLeftOffset.Y) = 0;
  Initialize();
  CalcAxisExtents(Horizontal);
  UpdateScrollRange();
  Invalidate();
}

void TCustomGridEh::SetFrozenColCount(Integer Value) {
  // Frozen columns are taken from the fixed ones; more than there are would paint
  // past the first column.
  FFrozenColCount = std::clamp(Value, 0, FFixedCols);
  Invalidate();
}

void TCustomGridEh::SetFrozenRowCount(Integer Value) {
  FFrozenRowCount = std::clamp(Value, 0, FFixedRows);
  Invalidate();
}

Integer TCustomGridEh::GetColWidths(Integer Index) const {
  if (FColWidths.empty() || Index < 0 || Index >= GetFullColCount()) return FDefaultColWidth;
  return FColWidths[size_t(Index) + 1];
}

Integer TCustomGridEh::GetRowHeights(Integer Index) const {
  if (FRowHeights.empty() || Index < 0 || Index >= GetFullRowCount()) return FDefaultRowHeight;
  return FRowHeights[size_t(Index) + 1];
}

bool TCustomGridEh::GetTabStops(Integer Index) const {
  if (FTabStops.empty() || Index < 0 || Index >= GetFullColCount()) return true;
  return FTabStops[size_t(Index) + 1] != 0;
}

void TCustomGridEh::LineExtentChangedForSmoothScroll(bool Horizontal, Integer Index, Integer OldExtent,
                                                     Integer NewExtent) {
  if (!(Horizontal ? IsSmoothHorzScroll() : IsSmoothVertScroll())) return;
  Invalidate();
  const Integer A = Horizontal ? 0 : 1;
  // A scrolling line changes the extent; a fixed or contra one, the page.
  if (Index >= (Horizontal ? FFixedCols : FFixedRows) && Index < (Horizontal ? FColCount : FRowCount)) {
    FPixelExtent[A] += NewExtent - OldExtent;
  } else {
    TGridDrawInfoEh DrawInfo;
    CalcDrawInfo(DrawInfo);
    FPixelPage[A] = PixelPage(Horizontal ? DrawInfo.Horz : DrawInfo.Vert);
  }
}

void TCustomGridEh::SetColWidths(Integer Index, Integer Value) { SetLineExtent(true, Index, Value); }

void TCustomGridEh::SetRowHeights(Integer Index, Integer Value) { SetLineExtent(false, Index, Value); }

void TCustomGridEh::SetLineExtent(bool Horizontal, Integer Index, Integer Value) {
  TIntegerArray& Extents = Horizontal ? FColWidths : FRowHeights;
  if (Extents.empty())
    ModifyExtentsEh(Extents, Horizontal ? GetFullColCount() : GetFullRowCount(),
                    Horizontal ? FDefaultColWidth : FDefaultRowHeight);
  if (Index < 0 || Index >= Extents[0]) RaiseInvalidGridOperationEh(GridIndexOutOfRange());
  const Integer Old = Extents[size_t(Index) + 1];
  if (Value == Old) return;
  Invalidate();
  LineExtentChangedForSmoothScroll(Horizontal, Index, Old, Value);
  Extents[size_t(Index) + 1] = Value;
  Horizontal ? ColWidthsChanged() : RowHeightsChanged();
}

void TCustomGridEh::SetTabStops(Integer Index, bool Value) {
  if (FTabStops.empty()) ModifyExtentsEh(FTabStops, GetFullColCount(), 1);
  if (Index < 0 || Index >= FTabStops[0]) RaiseInvalidGridOperationEh(GridIndexOutOfRange());
  FTabStops[size_t(Index) + 1] = Value ? 1 : 0;
}

void TCustomGridEh::SetDefaultColWidth(Integer Value) {
  if (Value == FDefaultColWidth) return;
  FColWidths.clear();
  FDefaultColWidth = Value;
  ColWidthsChanged();
  CalcHorzExtents();
  Invalidate();
}

void TCustomGridEh::SetDefaultRowHeight(Integer Value) {
  if (Value == FDefaultRowHeight) return;
  FRowHeights.clear();
  FDefaultRowHeight = Value;
  RowHeightsChanged();
  CalcVertExtents();
  Invalidate();
}

void TCustomGridEh::SetDefaultDrawing(bool Value) {
  if (Value == FDefaultDrawing) return;
  FDefaultDrawing = Value;
  Invalidate();
}

void TCustomGridEh::SetGridLineWidth(Integer Value) {
  if (Value == FGridLineWidth) return;
  FGridLineWidth = std::max(0, Value);
  CalcHorzExtents();
  CalcVertExtents();
  UpdateScrollRange();
  Invalidate();
}

void TCustomGridEh::SetOptions(TGridOptions Value) {
  if (Value == FOptions) return;
  if (Value.Contains(goRowSelect)) Value = Value - goAlwaysShowEditor;
  FOptions = Value;
  if (!FEditorMode) {
    if (Value.Contains(goAlwaysShowEditor)) ShowEditor();
    else HideEditor();
  }
  if (Value.Contains(goRowSelect)) MoveCurrent(FCurrent.X, FCurrent.Y, false, false, true);
  CalcHorzExtents();
  CalcVertExtents();
  UpdateScrollRange();
  Invalidate();
}

void TCustomGridEh::SetScrollBars(TScrollStyle Value) {
  if (Value == FScrollBars) return;
  FScrollBars = Value;
  if (HandleAllocated()) {
    RecreateWnd();
    UpdateScrollRange();
  }
}

void TCustomGridEh::SetBorderStyle(TBorderStyle Value) {
  if (Value == FBorderStyle) return;
  FBorderStyle = Value;
  if (HandleAllocated()) RecreateWnd();
}

void TCustomGridEh::SetFixedColor(TColor Value) {
  if (Value == FFixedColor) return;
  FFixedColor = Value;
  Invalidate();
}

void TCustomGridEh::SetFlat(bool Value) {
  if (Value == FFlat) return;
  FFlat = Value;
  UpdateFlatLineColor();
  FlatChanged();
  Invalidate();
}

void TCustomGridEh::SetCol(Integer Value) {
  if (Value != FCurrent.X) FocusCell(Value, FCurrent.Y, true);
}

void TCustomGridEh::SetRow(Integer Value) {
  if (Value != FCurrent.Y) FocusCell(FCurrent.X, Value, true);
}

void TCustomGridEh::SetLeftCol(Integer Value) {
  if (Value != FTopLeft.X) MoveTopLeft(Value, FTopLeft.Y);
}

void TCustomGridEh::SetTopRow(Integer Value) {
  if (Value != FTopLeft.Y) MoveTopLeft(FTopLeft.X, Value);
}
