// The base grid's model: construction, the extents arrays, the draw info, hit
// tests, cell ranges to client rectangles, movement of the current cell, the
// anchor and the top-left cell, line insertion and deletion, count changes,
// column and row moves, and the streaming of "ColWidths" and "RowHeights".

#include "gridbase/GridsEh.h"

#include <algorithm>

#include "gridbase/DaVirConsts.h"
#include "platform/core/Assert.h"
#include "platform/core/Filer.h"
#include "platform/ui/Forms.h"

namespace {

// The class library's grid messages that the library message table does not carry.
const char16_t* const STooManyDeleted = u"Too many rows or columns deleted";
const char16_t* const SGridTooLarge = u"Grid too large for operation";

constexpr Integer MaxExtentsEntries = 134217726;

// Keeps a coordinate when Index moves to ToIndex: the moved line follows, the
// lines between shift one place towards the gap.
void MoveAdjust(Integer& CellPos, Integer FromIndex, Integer ToIndex) {
  if (CellPos == FromIndex) {
    CellPos = ToIndex;
  } else if (CellPos > FromIndex && CellPos <= ToIndex) {
    --CellPos;
  } else if (CellPos >= ToIndex && CellPos < FromIndex) {
    ++CellPos;
  }
}

TGridRect NormalizedRect(TGridCoord A, TGridCoord B) {
  return {std::min(A.X, B.X), std::min(A.Y, B.Y), std::max(A.X, B.X), std::max(A.Y, B.Y)};
}

}  // namespace

void RaiseInvalidGridOperationEh(const String& Message) { throw EInvalidGridOperationEh(Message); }

bool GridThemesEnabledEh() { return false; }

// ---- Extents arrays ---------------------------------------------------------------------
void ChangeExtentsEh(TIntegerArray& Extents, Integer Index, Integer Amount, Integer Default) {
  if (Amount == 0) return;
  const Integer OldSize = Extents.empty() ? 0 : Extents[0];
  if (Index < 0 || Index > OldSize) RaiseInvalidGridOperationEh(LoadResStringEh(SGridIndexOutOfRangeEh));
  const Int64 NewSize = Int64(OldSize) + Amount;
  if (NewSize < 0) RaiseInvalidGridOperationEh(STooManyDeleted);
  if (NewSize >= MaxExtentsEntries) RaiseInvalidGridOperationEh(SGridTooLarge);
  if (NewSize == 0) {
    Extents.clear();
    return;
  }
  // The lines at Index and after are kept after the inserted ones (or close the gap
  // of the deleted ones), so a count change in the middle keeps every other width.
  TIntegerArray Result(size_t(NewSize) + 1, Default);
  Result[0] = Integer(NewSize);
  for (Integer I = 1; I <= std::min(Index, Integer(NewSize)); ++I) Result[I] = Extents[I];
  if (Amount > 0) {
    for (Integer I = Index + 1; I <= OldSize; ++I) Result[I + Amount] = Extents[I];
  } else {
    for (Integer I = Index + 1 - Amount; I <= OldSize; ++I) Result[I + Amount] = Extents[I];
  }
  Extents = std::move(Result);
}

void ModifyExtentsEh(TIntegerArray& Extents, Integer NewSize, Integer Default) {
  const Integer OldSize = Extents.empty() ? 0 : Extents[0];
  ChangeExtentsEh(Extents, OldSize, NewSize - OldSize, Default);
}

void MoveExtentEh(TIntegerArray& Extents, Integer FromIndex, Integer ToIndex) {
  if (Extents.empty() || FromIndex == ToIndex) return;
  const Integer N = Extents[0];
  if (FromIndex < 1 || FromIndex > N || ToIndex < 1 || ToIndex > N)
    RaiseInvalidGridOperationEh(LoadResStringEh(SGridIndexOutOfRangeEh));
  const Integer Extent = Extents[FromIndex];
  if (FromIndex < ToIndex) {
    std::move(Extents.begin() + FromIndex + 1, Extents.begin() + ToIndex + 1, Extents.begin() + FromIndex);
  } else {
    std::move_backward(Extents.begin() + ToIndex, Extents.begin() + FromIndex, Extents.begin() + FromIndex + 1);
  }
  Extents[ToIndex] = Extent;
}

bool CompareExtentsEh(const TIntegerArray& E1, const TIntegerArray& E2) { return E1 == E2; }

// ---- Axis draw info ------------------------------------------------------------------------
Integer TGridAxisDrawInfoEh::GetExtent(Integer Index) const {
  return Horizontal ? Grid->GetColWidths(Index) : Grid->GetRowHeights(Index);
}

Integer TGridAxisDrawInfoEh::LinePos(Integer Index) const {
  Integer Start, Line;
  if (Index < FixedCellCount) {
    Start = StartIndent;
    Line = 0;
  } else if (ContraCount > 0 && Index >= GridCellCount) {
    Start = ContraBoundary + EffectiveLineWidth;
    Line = GridCellCount;
  } else if (Index >= FirstGridCell) {
    Start = FirstCellStart;
    Line = FirstGridCell;
  } else {
    return 0;  // scrolled out of view
  }
  for (; Line < Index; ++Line) {
    Start += GetExtent(Line) + EffectiveLineWidth;
    if (Start > DataEnd) return 0;
  }
  return Start;
}

// ---- Construction ---------------------------------------------------------------------------
TCustomGridEh::TCustomGridEh(TComponent* AOwner) : TCustomControl(AOwner) {
  FControlStyle = TControlStyle{csCaptureMouse, csOpaque, csDoubleClicks, csNeedsBorderPaint, csClickEvents};
  FLinesCache = std::make_unique<TGridLinesCacheEh>();
  SetColor(clWindow);
  SetParentColor(false);
  SetTabStop(true);
  SetBounds(GetLeft(), GetTop(), FColCount * FDefaultColWidth, FRowCount * FDefaultRowHeight);
  Initialize();
  FFlatLineColor = 0;
  FGridLineColors = CreateGridLineColors();
  FOutBoundaryData = std::make_unique<TGridOutBoundaryDataEh>(this);
  FMouseDownCell = {-1, -1};
  CalcHorzExtents();
  CalcVertExtents();
  FHotTrackCell = {-1, -1};
  FHotTrackOffset = {-1, -1};
}

TCustomGridEh::~TCustomGridEh() {
  FInplaceEdit.reset();
  // The window goes before the objects its last messages could read.
  Destroying();
  if (HandleAllocated()) DestroyHandle();
  HideMoveLine();
}

void TCustomGridEh::Initialize() {
  FTopLeft = {FFixedCols, FFixedRows};
  FCurrent = FTopLeft;
  FAnchor = FCurrent;
  if (FOptions.Contains(goRowSelect)) FAnchor.X = FColCount - 1;
}

std::unique_ptr<TGridLineColorsEh> TCustomGridEh::CreateGridLineColors() {
  return std::make_unique<TGridLineColorsEh>(this);
}

void TCustomGridEh::Loaded() {
  TCustomControl::Loaded();
  CalcHorzExtents();
  CalcVertExtents();
  UpdateScrollRange();
}

// ---- Draw info ---------------------------------------------------------------------------------
void TCustomGridEh::CalcDrawInfo(TGridDrawInfoEh& DrawInfo) const {
  Integer W, H;
  if (HandleAllocated()) {
    const TRect R = GetClientRect();
    W = R.Width();
    H = R.Height();
  } else {
    W = GetWidth();
    H = GetHeight();
  }
  CalcDrawInfoXY(DrawInfo, W, H);
}

namespace {

// What painting and hit tests rely on along an axis: the frozen lines are among
// the fixed ones, and the title, frozen and fixed bands follow each other from
// the start indent on (no line takes less than no room).
[[maybe_unused]] bool BandsInOrder(const TGridAxisDrawInfoEh& A) {
  return A.FrozenCount >= 0 && A.FrozenCount <= A.FixedCellCount && A.ContraCount >= 0 &&
         A.StartIndent <= A.FrozenBoundary && A.FrozenBoundary <= A.FixedBoundary;
}

}  // namespace

void TCustomGridEh::CalcDrawInfoXY(TGridDrawInfoEh& DrawInfo, Integer UseWidth, Integer UseHeight) const {
  const TGridOutBoundaryDataEh* OB = FOutBoundaryData.get();
  auto ContraPass = [&](TGridAxisDrawInfoEh& A, bool Horz, Integer ClientExtent) {
    A.Grid = this;
    A.Horizontal = Horz;
    const bool Lines = Horz ? (FOptions.Contains(goFixedVertLine) || FOptions.Contains(goVertLine))
                            : (FOptions.Contains(goFixedHorzLine) || FOptions.Contains(goHorzLine));
    A.EffectiveLineWidth = Lines ? FGridLineWidth : 0;
    A.ContraCount = Horz ? FContraColCount : FContraRowCount;
    A.FirstCellOffset = Horz ? FTopLeftOffset.X : FTopLeftOffset.Y;
    A.GridCellCount = Horz ? FColCount : FRowCount;
    Integer B = ClientExtent;
    for (Integer I = 0; I < A.ContraCount; ++I) B -= A.GetExtent(A.GridCellCount + I) + A.EffectiveLineWidth;
    if (A.ContraCount > 0) B -= A.EffectiveLineWidth;
    A.ContraBoundary = B;
  };
  auto FixedPass = [&](TGridAxisDrawInfoEh& A, bool Horz) {
    A.StartIndent = OB ? (Horz ? OB->GetLeftIndent() : OB->GetTopIndent()) : 0;
    A.EndIndent = OB ? (Horz ? OB->GetRightIndent() : OB->GetBottomIndent()) : 0;
    A.FixedCellCount = Horz ? FFixedCols : FFixedRows;
    A.FirstGridCell = Horz ? FTopLeft.X : FTopLeft.Y;
    A.FullCellCount = A.GridCellCount + A.ContraCount;
    Integer B = A.StartIndent;
    for (Integer I = 0; I < A.FixedCellCount; ++I) B += A.GetExtent(I) + A.EffectiveLineWidth;
    A.FixedBoundary = B;
    A.FrozenCount = Horz ? FFrozenColCount : FFrozenRowCount;
    B = A.FixedBoundary;
    for (Integer I = A.FixedCellCount - 1; I >= A.FixedCellCount - A.FrozenCount && I >= 0; --I)
      B -= A.GetExtent(I) + A.EffectiveLineWidth;
    A.FrozenBoundary = B;
  };
  auto VisiblePass = [&](TGridAxisDrawInfoEh& A, Integer ClientExtent) {
    A.DataEnd = ClientExtent - A.EndIndent;
    A.ClientExtent = ClientExtent;
    A.GridExtent = A.ContraBoundary;
    A.FirstCellStart = A.FixedBoundary - A.FirstCellOffset;
    A.GridBoundary = A.FirstCellStart;
    A.FullVisBoundary = A.FixedBoundary;
    A.LastFullVisibleCell = A.FirstGridCell;
    for (Integer I = A.FirstGridCell; I < A.GridCellCount; ++I) {
      A.GridBoundary += A.GetExtent(I) + A.EffectiveLineWidth;
      if (A.GridExtent < A.GridBoundary) {
        A.GridBoundary = A.GridExtent;
        break;
      }
      A.LastFullVisibleCell = I;
      A.FullVisBoundary = A.GridBoundary;
    }
    A.FullGridBoundary = A.ContraCount >= 1 ? A.DataEnd : A.GridBoundary;
  };
  ContraPass(DrawInfo.Horz, true, UseWidth);
  ContraPass(DrawInfo.Vert, false, UseHeight);
  FixedPass(DrawInfo.Horz, true);
  FixedPass(DrawInfo.Vert, false);
  VisiblePass(DrawInfo.Horz, UseWidth);
  VisiblePass(DrawInfo.Vert, UseHeight);
  BORROW_ASSERT(BandsInOrder(DrawInfo.Horz));
  BORROW_ASSERT(BandsInOrder(DrawInfo.Vert));
}

// ---- Hit tests -------------------------------------------------------------------------------------
namespace {

Integer AxisCoordFromPoint(const TGridAxisDrawInfoEh& A, Integer P) {
  if (P < A.StartIndent) return -1;
  auto Search = [&](Integer From, Integer First, Integer Last) {
    Integer Pos = From;
    for (Integer I = First; I <= Last; ++I) {
      Pos += A.GetExtent(I) + A.EffectiveLineWidth;
      if (Pos > P) return I;
    }
    return Integer(-1);
  };
  if (P < A.FixedBoundary) return Search(A.StartIndent, 0, A.FixedCellCount - 1);
  if (P > A.ContraBoundary)
    return Search(A.ContraBoundary + A.EffectiveLineWidth, A.GridCellCount, A.FullCellCount - 1);
  return Search(A.FirstCellStart, A.FirstGridCell, A.GridCellCount - 1);
}

}  // namespace

TGridCoord TCustomGridEh::CalcCoordFromPoint(Integer X, Integer Y, const TGridDrawInfoEh& DrawInfo) const {
  // Right-to-left: the client pixel stands for its mirror among the lines.
  if (UseRightToLeftAlignment()) X = DrawInfo.Horz.ClientExtent - 1 - X;
  return {AxisCoordFromPoint(DrawInfo.Horz, X), AxisCoordFromPoint(DrawInfo.Vert, Y)};
}

TGridCoord TCustomGridEh::MouseCoord(Integer X, Integer Y) const {
  TGridDrawInfoEh DrawInfo;
  CalcDrawInfo(DrawInfo);
  TGridCoord Result = CalcCoordFromPoint(X, Y, DrawInfo);
  if (Result.X < 0 || Result.Y < 0) Result = {-1, -1};
  return Result;
}

namespace {

// One axis of GridRectToScreenRect; False when the range shows nothing.
bool AxisRangeToScreen(const TGridAxisDrawInfoEh& A, Integer Min, Integer Max, bool IncludeLine, Integer& Start,
                       Integer& End) {
  if (Min > A.FullCellCount + 1) Min = A.FullCellCount;
  if (Min >= A.FixedCellCount && Min < A.FirstGridCell) {
    Min = A.FirstGridCell;
    if (Max < A.FirstGridCell) return false;
  }
  if (Max > A.LastFullVisibleCell) {
    if (A.ContraCount == 0 || Max < A.GridCellCount) {
      Max = (A.LastFullVisibleCell + 1 < A.GridCellCount) ? A.LastFullVisibleCell + 1 : A.LastFullVisibleCell;
      if (A.LinePos(Max) == 0) --Max;
    } else if (Max > A.FullCellCount - 1) {
      Max = A.FullCellCount - 1;
    }
  }
  if (Max < Min) return false;
  Start = A.LinePos(Min);
  const Integer MaxPos = A.LinePos(Max);
  End = MaxPos != 0 ? MaxPos + A.GetExtent(Max) : Start + A.GetExtent(Min);
  if (A.ContraCount > 0 && Max >= A.GridCellCount) End = std::min(End, A.DataEnd);
  else End = std::min(End, A.GridExtent);
  if (Min >= A.FixedCellCount && Min < A.GridCellCount && Start < A.FixedBoundary) Start = A.FixedBoundary;
  if (IncludeLine) End += A.EffectiveLineWidth;
  return true;
}

}  // namespace

void TCustomGridEh::GridRectToScreenRect(const TGridRect& GridRect, TRect& ScreenRect, bool IncludeLine) const {
  ScreenRect = TRect();
  if (GridRect.Left > GridRect.Right || GridRect.Top > GridRect.Bottom) return;
  TGridDrawInfoEh DrawInfo;
  CalcDrawInfo(DrawInfo);
  const TGridAxisDrawInfoEh& H = DrawInfo.Horz;
  const TGridAxisDrawInfoEh& V = DrawInfo.Vert;
  if (GridRect.Left > H.LastFullVisibleCell + 1 && !(H.ContraCount > 0 && GridRect.Right >= H.GridCellCount)) return;
  if (GridRect.Top > V.LastFullVisibleCell + 1 && !(V.ContraCount > 0 && GridRect.Bottom >= V.GridCellCount)) return;
  TRect R;
  if (!AxisRangeToScreen(H, GridRect.Left, GridRect.Right, IncludeLine, R.Left, R.Right)) return;
  if (!AxisRangeToScreen(V, GridRect.Top, GridRect.Bottom, IncludeLine, R.Top, R.Bottom)) return;
  if (R.Right <= R.Left || R.Bottom <= R.Top) return;
  // Right-to-left, the client rectangle is the mirror, unless the canvas is
  // mirrored already (while painting).
  ScreenRect = UseRightToLeftAlignment() && !FCanvasMirrored ? MirroredRect(R) : R;
}

TRect TCustomGridEh::BoxRect(Integer ALeft, Integer ATop, Integer ARight, Integer ABottom) const {
  TRect R;
  GridRectToScreenRect({ALeft, ATop, ARight, ABottom}, R, false);
  return R;
}

TRect TCustomGridEh::CellRect(Integer ACol, Integer ARow) const { return BoxRect(ACol, ARow, ACol, ARow); }

bool TCustomGridEh::Sizing(Integer X, Integer Y) {
  if (FGridState != gsNormal) return true;
  TGridDrawInfoEh DrawInfo;
  CalcDrawInfo(DrawInfo);
  TGridState State = gsNormal;
  Integer Index = -1, Pos = 0, Ofs = 0;
  CalcSizingState(X, Y, State, Index, Pos, Ofs, DrawInfo);
  return State != gsNormal;
}

Integer TCustomGridEh::GetGridWidth() const {
  TGridDrawInfoEh DrawInfo;
  CalcDrawInfo(DrawInfo);
  return DrawInfo.Horz.GridBoundary;
}

Integer TCustomGridEh::GetGridHeight() const {
  TGridDrawInfoEh DrawInfo;
  CalcDrawInfo(DrawInfo);
  return DrawInfo.Vert.GridBoundary;
}

Integer TCustomGridEh::GetVisibleColCount() const {
  TGridDrawInfoEh DrawInfo;
  CalcDrawInfo(DrawInfo);
  return DrawInfo.Horz.LastFullVisibleCell - FTopLeft.X + 1;
}

Integer TCustomGridEh::GetVisibleRowCount() const {
  TGridDrawInfoEh DrawInfo;
  CalcDrawInfo(DrawInfo);
  return DrawInfo.Vert.LastFullVisibleCell - FTopLeft.Y + 1;
}

TGridRect TCustomGridEh::GetSelection() const { return NormalizedRect(FCurrent, FAnchor); }

// ---- Sizing hit test ---------------------------------------------------------------------------------
void TCustomGridEh::CalcSizingState(Integer X, Integer Y, TGridState& State, Integer& Index, Integer& SizingPos,
                                    Integer& SizingOfs, const TGridDrawInfoEh& FixedInfo) {
  State = gsNormal;
  Index = -1;
  TGridOptions EffectiveOptions = FOptions;
  if (GetComponentState().Contains(csDesigning)) EffectiveOptions = EffectiveOptions + FDesignOptionsBoost;
  if (!EffectiveOptions.Contains(goColSizing) && !EffectiveOptions.Contains(goRowSizing)) return;

  auto AxisTest = [&](const TGridAxisDrawInfoEh& A, Integer P, TGridState HitState) {
    Integer Range = A.EffectiveLineWidth, Back = 0;
    if (A.EffectiveLineWidth < 7) {
      Range = 7;
      Back = (7 - A.EffectiveLineWidth) >> 1;
    }
    auto Hit = [&](Integer L, Integer AIndex) {
      if (L - Back <= P && P <= L - Back + Range) {
        State = HitState;
        SizingPos = L;
        SizingOfs = L - P;
        Index = AIndex;
        return true;
      }
      return false;
    };
    // 1. the frozen lines
    Integer L = A.FrozenBoundary;
    for (Integer I = A.FixedCellCount - A.FrozenCount; I < A.FixedCellCount; ++I) {
      L += A.GetExtent(I);
      if (L > A.GridBoundary) break;
      if (Hit(L, I)) return;
      L += A.EffectiveLineWidth;
    }
    // 2. the scrolling lines
    L = A.FirstCellStart;
    for (Integer I = A.FirstGridCell; I < A.GridCellCount; ++I) {
      L += A.GetExtent(I);
      if (L > A.GridBoundary) break;
      if (Hit(L, I)) return;
      L += A.EffectiveLineWidth;
    }
    // 3. the cut edge of a partly shown last line
    if (A.GridBoundary == A.GridExtent && A.GridExtent - Back <= P && P <= A.GridExtent) {
      State = HitState;
      SizingPos = A.GridExtent;
      SizingOfs = A.GridExtent - P;
      Index = A.FullVisBoundary != A.FixedBoundary ? A.LastFullVisibleCell + 1 : A.LastFullVisibleCell;
      return;
    }
    if (A.ContraCount > 0) {
      // 4. the leading edge of the first contra line
      if (A.ContraBoundary <= P && P <= A.ContraBoundary + Back) {
        State = HitState;
        SizingPos = A.ContraBoundary;
        SizingOfs = A.ContraBoundary - P;
        Index = A.GridCellCount;
        return;
      }
      // 5. boundaries between contra lines: each sizes the line after it
      L = A.ContraBoundary + A.EffectiveLineWidth;
      for (Integer I = A.GridCellCount; I <= A.FullCellCount - 2; ++I) {
        L += A.GetExtent(I);
        if (L > A.FullGridBoundary) break;
        if (Hit(L, I + 1)) return;
        L += A.EffectiveLineWidth;
      }
    }
  };

  const TGridAxisDrawInfoEh& H = FixedInfo.Horz;
  const TGridAxisDrawInfoEh& V = FixedInfo.Vert;
  // Right-to-left, the lines are found at the mirror of X; SizingPos and
  // SizingOfs answer in those mirrored terms.
  if (UseRightToLeftAlignment()) X = H.ClientExtent - 1 - X;
  if (X > H.FrozenBoundary && EffectiveOptions.Contains(goColSizing)) {
    if (V.StartIndent <= Y && Y < V.FrozenBoundary) AxisTest(H, X, gsColSizing);
  } else if (Y > V.FrozenBoundary && EffectiveOptions.Contains(goRowSizing) && X < H.FrozenBoundary) {
    AxisTest(V, Y, gsRowSizing);
  }
}

// ---- Invalidation ---------------------------------------------------------------------------------
void TCustomGridEh::InvalidateCell(Integer ACol, Integer ARow) { InvalidateRect({ACol, ARow, ACol, ARow}); }

void TCustomGridEh::InvalidateCol(Integer ACol) {
  if (!HandleAllocated()) return;
  TGridDrawInfoEh DrawInfo;
  CalcDrawInfo(DrawInfo);
  const Integer Visible = DrawInfo.Vert.LastFullVisibleCell - FTopLeft.Y + 1;
  InvalidateRect({ACol, 0, ACol, FTopLeft.Y + Visible + 1});
  if (FContraRowCount > 0) InvalidateRect({ACol, FRowCount, ACol, GetFullRowCount() - 1});
}

void TCustomGridEh::InvalidateRow(Integer ARow) {
  if (!HandleAllocated()) return;
  TGridDrawInfoEh DrawInfo;
  CalcDrawInfo(DrawInfo);
  const Integer Visible = DrawInfo.Horz.LastFullVisibleCell - FTopLeft.X + 1;
  InvalidateRect({0, ARow, FTopLeft.X + Visible + 1, ARow});
  if (FContraColCount > 0) InvalidateRect({FColCount, ARow, GetFullColCount() - 1, ARow});
}

void TCustomGridEh::InvalidateGrid() { Invalidate(); }

void TCustomGridEh::InvalidateRect(const TGridRect& ARect) {
  if (!HandleAllocated()) return;
  TRect R;
  GridRectToScreenRect(ARect, R, true);
  if (R.IsEmpty()) return;
  ::InvalidateRect(GetHandle(), &R, false);
}

void TCustomGridEh::InvalidateSelectionChange(const TGridRect& OldSel) {
  if (!HandleAllocated()) return;
  const TGridRect NewSel = GetSelection();
  if (NewSel == OldSel) return;
  TRect OldRect, NewRect;
  GridRectToScreenRect(OldSel, OldRect, true);
  GridRectToScreenRect(NewSel, NewRect, true);
  // Only the symmetric difference changes: up to four strips of each rectangle
  // lying outside the other.
  auto InvalidateOutside = [&](const TRect& A, const TRect& B) {
    if (A.IsEmpty()) return;
    TRect Common;
    if (!IntersectRect(Common, A, B)) {
      ::InvalidateRect(GetHandle(), &A, false);
      return;
    }
    const TRect Strips[4] = {TRect(A.Left, A.Top, A.Right, Common.Top), TRect(A.Left, Common.Bottom, A.Right, A.Bottom),
                             TRect(A.Left, Common.Top, Common.Left, Common.Bottom),
                             TRect(Common.Right, Common.Top, A.Right, Common.Bottom)};
    for (const TRect& S : Strips)
      if (!S.IsEmpty()) ::InvalidateRect(GetHandle(), &S, false);
  };
  InvalidateOutside(OldRect, NewRect);
  InvalidateOutside(NewRect, OldRect);
}

// ---- Movement ---------------------------------------------------------------------------------------
void TCustomGridEh::FocusCell(Integer ACol, Integer ARow, bool MoveAnchor) {
  MoveCurrent(ACol, ARow, true, true, MoveAnchor);
  UpdateEdit();
  Click();
}

void TCustomGridEh::MoveColRow(Integer ACol, Integer ARow, bool MoveAnchor, bool ShowHorz, bool ShowVert) {
  MoveCurrent(ACol, ARow, ShowVert, ShowHorz, MoveAnchor);
}

void TCustomGridEh::MoveCurrent(Integer ACol, Integer ARow, bool ShowVert, bool ShowHorz, bool MoveAnchorToo) {
  if (ACol < 0 || ARow < 0 || ACol >= FColCount || ARow >= FRowCount)
    RaiseInvalidGridOperationEh(LoadResStringEh(SGridIndexOutOfRangeEh));
  if (!SelectCell(ACol, ARow)) return;
  const TGridRect OldSel = GetSelection();
  const TGridCoord OldCurrent = FCurrent;
  FCurrent = {ACol, ARow};
  if (!FOptions.Contains(goAlwaysShowEditor)) HideEditor();
  if (MoveAnchorToo || !FOptions.Contains(goRangeSelect)) {
    FAnchor = FCurrent;
    if (FOptions.Contains(goRowSelect)) FAnchor.X = FColCount - 1;
  }
  if (FOptions.Contains(goRowSelect)) FCurrent.X = FTopLeft.X;
  if (ShowVert || ShowHorz) ClampInView(FCurrent, ShowHorz && !FOptions.Contains(goRowSelect), ShowVert);
  InvalidateSelectionChange(OldSel);
  InvalidateCell(OldCurrent.X, OldCurrent.Y);
  InvalidateCell(FCurrent.X, FCurrent.Y);
}

void TCustomGridEh::MoveAnchor(const TGridCoord& NewAnchor, bool Show) {
  if (FOptions.Contains(goRangeSelect) && !FOptions.Contains(goEditing)) {
    const TGridRect OldSel = GetSelection();
    FAnchor = NewAnchor;
    if (FOptions.Contains(goRowSelect)) FAnchor.X = FColCount - 1;
    ClampInView(NewAnchor, true, true);
    InvalidateSelectionChange(OldSel);
  } else {
    MoveCurrent(NewAnchor.X, NewAnchor.Y, Show, Show, true);
  }
}

void TCustomGridEh::MoveTopLeft(Integer ALeft, Integer ATop) {
  if (ALeft == FTopLeft.X && ATop == FTopLeft.Y) return;
  if (HandleAllocated()) Update();
  const TGridCoord OldTopLeft = FTopLeft;
  const TPoint OldOffset = FTopLeftOffset;
  FTopLeft = {ALeft, ATop};
  if (ALeft != OldTopLeft.X) FTopLeftOffset.X = 0;
  if (ATop != OldTopLeft.Y) FTopLeftOffset.Y = 0;
  TopLeftMoved(OldTopLeft, OldOffset);
}

Integer TCustomGridEh::CalcAxisMaxTopLeft(Integer Coord, const TGridAxisDrawInfoEh& A) const {
  const Integer Start = std::max(Coord, A.FixedCellCount);
  Integer Result = Start;
  Integer StoppedAt = A.FixedCellCount;
  Integer Line = A.GridExtent + A.EffectiveLineWidth;
  for (Integer I = Start; I >= A.FixedCellCount; --I) {
    StoppedAt = I;
    const Integer Extent = A.GetExtent(I);
    if (Extent > 0) {
      Line -= Extent + A.EffectiveLineWidth;
      if (Line <= A.FixedBoundary) break;
      Result = I;
    }
  }
  if (Result == Start && A.GetExtent(Start) <= 0) Result = StoppedAt;
  return Result;
}

Integer TCustomGridEh::CalcMaxTopLeftOffset(Integer Start, const TGridAxisDrawInfoEh& A) const {
  Start = std::max(Start, A.FixedCellCount);
  Integer Line = A.GridExtent;
  for (Integer I = Start; I >= A.FixedCellCount; --I) {
    const Integer Extent = A.GetExtent(I);
    if (Extent > 0) {
      Line -= Extent + A.EffectiveLineWidth;
      if (Line <= A.FixedBoundary) return I < Start ? A.FixedBoundary - Line : 0;
    }
  }
  return 0;
}

TGridCoord TCustomGridEh::CalcMaxTopLeft(const TGridCoord& Coord, const TGridDrawInfoEh& DrawInfo) const {
  return {CalcAxisMaxTopLeft(Coord.X, DrawInfo.Horz), CalcAxisMaxTopLeft(Coord.Y, DrawInfo.Vert)};
}

void TCustomGridEh::ClampInView(const TGridCoord& Coord, bool CheckHorz, bool CheckVert) {
  if (!HandleAllocated()) return;
  TGridDrawInfoEh DrawInfo;
  CalcDrawInfo(DrawInfo);
  const TGridAxisDrawInfoEh& H = DrawInfo.Horz;
  const TGridAxisDrawInfoEh& V = DrawInfo.Vert;
  if (Coord.X <= H.LastFullVisibleCell && Coord.Y <= V.LastFullVisibleCell && Coord.X >= FTopLeft.X &&
      Coord.Y >= FTopLeft.Y && !(Coord.X == FTopLeft.X && FTopLeftOffset.X >= 1) &&
      !(Coord.Y == FTopLeft.Y && FTopLeftOffset.Y >= 1))
    return;
  const TGridCoord OldTopLeft = FTopLeft;
  const TPoint OldOffset = FTopLeftOffset;
  const TGridCoord MaxTopLeft = CalcMaxTopLeft(Coord, DrawInfo);
  Update();
  auto ClampAxis = [&](bool Horz) {
    const TGridAxisDrawInfoEh& A = Horz ? H : V;
    const Integer C = Horz ? Coord.X : Coord.Y;
    Integer& First = Horz ? FTopLeft.X : FTopLeft.Y;
    Integer& Offset = Horz ? FTopLeftOffset.X : FTopLeftOffset.Y;
    const Integer Fixed = Horz ? FFixedCols : FFixedRows;
    const bool Smooth = Horz ? IsSmoothHorzScroll() : IsSmoothVertScroll();
    if (C < First && C >= Fixed) {
      First = C;
      Offset = 0;
    } else if (C > A.LastFullVisibleCell) {
      First = Horz ? MaxTopLeft.X : MaxTopLeft.Y;
      Offset = 0;
      const Integer MaxOffset = CalcMaxTopLeftOffset(C, A);
      if (Smooth && First > Fixed && MaxOffset != 0) {
        --First;
        Offset = MaxOffset;
      }
    } else if (C == First && Offset != 0) {
      Offset = 0;
    }
  };
  if (CheckHorz) ClampAxis(true);
  if (CheckVert) ClampAxis(false);
  if (!(FTopLeft == OldTopLeft) || !(FTopLeftOffset == OldOffset)) TopLeftMoved(OldTopLeft, OldOffset);
}

// ---- Line counts ------------------------------------------------------------------------------------
void TCustomGridEh::ChangeLineCount(Integer Index, Integer Count, bool IsRow) {
  if (Count == 0) return;
  const TGridCoord OldCurrent = FCurrent;
  const Integer OldColCount = FColCount, OldRowCount = FRowCount;
  Integer& LineCount = IsRow ? FRowCount : FColCount;
  const Integer NewCount = LineCount + Count;
  if (Index > NewCount || NewCount < 0) RaiseInvalidGridOperationEh(STooManyDeleted);
  TIntegerArray& Extents = IsRow ? FRowHeights : FColWidths;
  const Integer Default = IsRow ? FDefaultRowHeight : FDefaultColWidth;
  Integer PixelAmount = Count * Default;
  if (Count < 0 && !Extents.empty()) {
    PixelAmount = 0;
    for (Integer I = Index; I <= Index - Count - 1; ++I) PixelAmount -= IsRow ? GetRowHeights(I) : GetColWidths(I);
  }
  if (!Extents.empty()) ChangeExtentsEh(Extents, Index, Count, Default);
  if (!IsRow && !FTabStops.empty()) ChangeExtentsEh(FTabStops, Index, Count, 1);
  LineCount = NewCount;
  Integer& Pos = IsRow ? FCurrent.Y : FCurrent.X;
  if (Pos >= Index) {
    if (Count < 0 && Pos < Index - Count) Pos = Index;
    else Pos += Count;
  }
  Pos = std::max(0, std::min(Pos, NewCount - 1));
  if (HandleAllocated()) {
    TGridDrawInfoEh DrawInfo;
    CalcDrawInfo(DrawInfo);
    const TGridAxisDrawInfoEh& A = IsRow ? DrawInfo.Vert : DrawInfo.Horz;
    const Integer From = std::max(Index, A.FirstGridCell);
    const Integer StartPos = From < A.FixedCellCount ? A.LinePos(From) : std::max(A.LinePos(From), A.FixedBoundary);
    TRect R = GetClientRect();
    if (IsRow) {
      R.Top = StartPos;
      R.Bottom = A.GridExtent;
      ScrollWindowEx(GetHandle(), 0, PixelAmount, &R, &R, nullptr, nullptr, SW_INVALIDATE);
    } else {
      R.Left = StartPos;
      R.Right = A.GridExtent;
      ScrollWindowEx(GetHandle(), PixelAmount, 0, &R, &R, nullptr, nullptr, SW_INVALIDATE);
    }
    if (FContraColCount > 0 || FContraRowCount > 0) Invalidate();
    Update();
  }
  SizeChanged(OldColCount, OldRowCount);
  if (!(FCurrent == OldCurrent)) MoveCurrent(FCurrent.X, FCurrent.Y, true, true, true);
  UpdateScrollRange();
}

void TCustomGridEh::ChangeSize(Integer NewColCount, Integer NewRowCount) {
  TGridDrawInfoEh OldDrawInfo;
  const bool HadHandle = HandleAllocated();
  if (HadHandle) CalcDrawInfo(OldDrawInfo);
  const Integer OldColCount = FColCount, OldRowCount = FRowCount;
  const Integer OldFixedCols = FFixedCols, OldFixedRows = FFixedRows;
  const Integer OldHorzExtent = FPixelExtent[0], OldVertExtent = FPixelExtent[1];
  const TIntegerArray OldWidths = FColWidths, OldHeights = FRowHeights, OldTabs = FTabStops;
  auto DoChange = [&]() {
    if (FFixedCols > FColCount - 1) FFixedCols = std::max(0, FColCount - 1);
    if (FFixedRows > FRowCount - 1) FFixedRows = std::max(0, FRowCount - 1);
    if (!FColWidths.empty()) ModifyExtentsEh(FColWidths, GetFullColCount(), FDefaultColWidth);
    if (!FTabStops.empty()) ModifyExtentsEh(FTabStops, GetFullColCount(), 1);
    if (!FRowHeights.empty()) ModifyExtentsEh(FRowHeights, GetFullRowCount(), FDefaultRowHeight);
  };
  FColCount = NewColCount;
  FRowCount = NewRowCount;
  try {
    DoChange();
  } catch (...) {
    // The old counts come back with every array they had.
    FColCount = OldColCount;
    FRowCount = OldRowCount;
    FFixedCols = OldFixedCols;
    FFixedRows = OldFixedRows;
    FColWidths = OldWidths;
    FRowHeights = OldHeights;
    FTabStops = OldTabs;
    FPixelExtent[0] = OldHorzExtent;
    FPixelExtent[1] = OldVertExtent;
    Invalidate();
    throw;
  }
  // The top-left, the current cell and the anchor stay inside the new counts.
  TGridCoord NewTopLeft = {std::max(FFixedCols, std::min(FTopLeft.X, FColCount - 1)),
                           std::max(FFixedRows, std::min(FTopLeft.Y, FRowCount - 1))};
  const bool TopLeftChangedNow = !(NewTopLeft == FTopLeft);
  if (TopLeftChangedNow) {
    FTopLeft = NewTopLeft;
    FTopLeftOffset = {0, 0};
  }
  const TGridCoord NewCurrent = {std::max(FFixedCols, std::min(FCurrent.X, FColCount - 1)),
                                 std::max(FFixedRows, std::min(FCurrent.Y, FRowCount - 1))};
  if (!(NewCurrent == FCurrent)) {
    FCurrent = NewCurrent;
    MoveCurrent(NewCurrent.X, NewCurrent.Y, true, true, true);
  }
  const TGridCoord NewAnchor = {std::max(FFixedCols, std::min(FAnchor.X, FColCount - 1)),
                                std::max(FFixedRows, std::min(FAnchor.Y, FRowCount - 1))};
  if (!(NewAnchor == FAnchor)) MoveAnchor(NewAnchor, true);
  if (HadHandle) {
    TGridDrawInfoEh NewDrawInfo;
    CalcDrawInfo(NewDrawInfo);
    if (FVirtualView || TopLeftChangedNow || FContraColCount > 0 || FContraRowCount > 0) {
      Invalidate();
    } else {
      const TRect Client = GetClientRect();
      if (FColCount != OldColCount) {
        const Integer From = std::min(OldDrawInfo.Horz.LastFullVisibleCell, NewDrawInfo.Horz.LastFullVisibleCell);
        TRect R = BoxRect(std::min(From, FColCount - 1), 0, std::min(From, FColCount - 1), 0);
        // From that column to the far side (the left one, right-to-left).
        if (UseRightToLeftAlignment()) R = TRect(0, 0, std::min(Client.Right, R.Right + FGridLineWidth), Client.Bottom);
        else R = TRect(std::max(0, R.Left - FGridLineWidth), 0, Client.Right, Client.Bottom);
        ::InvalidateRect(GetHandle(), &R, false);
      }
      if (FRowCount != OldRowCount) {
        const Integer From = std::min(OldDrawInfo.Vert.LastFullVisibleCell, NewDrawInfo.Vert.LastFullVisibleCell);
        TRect R = BoxRect(0, std::min(From, FRowCount - 1), 0, std::min(From, FRowCount - 1));
        R = TRect(0, std::max(0, R.Top - FGridLineWidth), Client.Right, Client.Bottom);
        ::InvalidateRect(GetHandle(), &R, false);
      }
    }
  }
  UpdateScrollRange();
  SizeChanged(OldColCount, OldRowCount);
}

void TCustomGridEh::ChangeContraSize(Integer NewContraColCount, Integer NewContraRowCount) {
  FContraColCount = NewContraColCount;
  FContraRowCount = NewContraRowCount;
  if (!FColWidths.empty()) ModifyExtentsEh(FColWidths, GetFullColCount(), FDefaultColWidth);
  if (!FTabStops.empty()) ModifyExtentsEh(FTabStops, GetFullColCount(), 1);
  if (!FRowHeights.empty()) ModifyExtentsEh(FRowHeights, GetFullRowCount(), FDefaultRowHeight);
  Invalidate();
  UpdateScrollRange();
}

// ---- Moving lines ---------------------------------------------------------------------------------
void TCustomGridEh::MoveColumn(Integer FromIndex, Integer ToIndex) {
  if (FromIndex == ToIndex) return;
  if (!FColWidths.empty()) {
    MoveExtentEh(FColWidths, FromIndex + 1, ToIndex + 1);
    MoveExtentEh(FTabStops, FromIndex + 1, ToIndex + 1);
  }
  MoveAdjust(FCurrent.X, FromIndex, ToIndex);
  MoveAdjust(FAnchor.X, FromIndex, ToIndex);
  MoveAdjust(FInplaceCol, FromIndex, ToIndex);
  if (HandleAllocated()) {
    TRect R;  // the lines after the cells too (before them, right-to-left)
    GridRectToScreenRect({std::min(FromIndex, ToIndex), 0, std::max(FromIndex, ToIndex), GetFullRowCount() - 1}, R,
                         true);
    if (!R.IsEmpty()) ::InvalidateRect(GetHandle(), &R, false);
  }
  ColumnMoved(FromIndex, ToIndex);
  if (!FColWidths.empty()) ColWidthsChanged();
  UpdateEdit();
}

void TCustomGridEh::MoveRow(Integer FromIndex, Integer ToIndex) {
  if (FromIndex == ToIndex) return;
  MoveExtentEh(FRowHeights, FromIndex + 1, ToIndex + 1);
  MoveAdjust(FCurrent.Y, FromIndex, ToIndex);
  MoveAdjust(FAnchor.Y, FromIndex, ToIndex);
  MoveAdjust(FInplaceRow, FromIndex, ToIndex);
  if (HandleAllocated()) {
    TRect R;
    GridRectToScreenRect({0, std::min(FromIndex, ToIndex), GetFullColCount() - 1, std::max(FromIndex, ToIndex)}, R,
                         true);
    if (!R.IsEmpty()) ::InvalidateRect(GetHandle(), &R, false);
  }
  RowMoved(FromIndex, ToIndex);
  if (!FRowHeights.empty()) RowHeightsChanged();
  UpdateEdit();
}

// ---- Streaming -----------------------------------------------------------------------------------------
void TCustomGridEh::DefineProperties(TFiler* Filer) {
  TCustomControl::DefineProperties(Filer);
  if (!FSaveCellExtents) return;
  auto HasData = [&](bool Cols) {
    const TIntegerArray& Mine = Cols ? FColWidths : FRowHeights;
    if (auto* Ancestor = dynamic_cast<TCustomGridEh*>(Filer->GetAncestor()))
      return !CompareExtentsEh(Cols ? Ancestor->FColWidths : Ancestor->FRowHeights, Mine);
    return !Mine.empty();
  };
  Filer->DefineProperty(
      u"ColWidths", [this](TReader* R) { ReadColWidths(R); }, [this](TWriter* W) { WriteColWidths(W); }, HasData(true));
  Filer->DefineProperty(
      u"RowHeights", [this](TReader* R) { ReadRowHeights(R); }, [this](TWriter* W) { WriteRowHeights(W); },
      HasData(false));
}

void TCustomGridEh::ReadColWidths(TReader* Reader) {
  Reader->ReadListBegin();
  for (Integer I = 0; !Reader->EndOfList(); ++I) {
    const Integer Value = Reader->ReadInteger();
    if (I < GetFullColCount()) SetColWidths(I, Value);
  }
  Reader->ReadListEnd();
}

void TCustomGridEh::ReadRowHeights(TReader* Reader) {
  Reader->ReadListBegin();
  for (Integer I = 0; !Reader->EndOfList(); ++I) {
    const Integer Value = Reader->ReadInteger();
    if (I < GetFullRowCount()) SetRowHeights(I, Value);
  }
  Reader->ReadListEnd();
}

void TCustomGridEh::WriteColWidths(TWriter* Writer) {
  Writer->WriteListBegin();
  for (Integer I = 0; I < FColCount; ++I) Writer->WriteInteger(GetColWidths(I));
  Writer->WriteListEnd();
}

void TCustomGridEh::WriteRowHeights(TWriter* Writer) {
  Writer->WriteListBegin();
  for (Integer I = 0; I < FRowCount; ++I) Writer->WriteInteger(GetRowHeights(I));
  Writer->WriteListEnd();
}

// ---- Base bodies of the simple virtual operations ---------------------------------------------------------
bool TCustomGridEh::BeginColumnDrag(Integer&, Integer&, const TPoint&) { return true; }
bool TCustomGridEh::BeginRowDrag(Integer&, Integer&, const TPoint&) { return true; }
bool TCustomGridEh::CanEditAcceptKey(Char) { return true; }
bool TCustomGridEh::CanEditModify() { return FCanEditModify; }
bool TCustomGridEh::CanGridAcceptKey(Word, TShiftState) { return true; }
TRect TCustomGridEh::CellEditRect(Integer ACol, Integer ARow) { return CellRect(ACol, ARow); }
bool TCustomGridEh::CheckColumnDrag(Integer&, Integer&, const TPoint&) { return true; }
bool TCustomGridEh::CheckRowDrag(Integer&, Integer&, const TPoint&) { return true; }
bool TCustomGridEh::EndRowDrag(Integer&, Integer&, const TPoint&) { return true; }
Integer TCustomGridEh::GetEditLimit() { return 0; }
String TCustomGridEh::GetEditMask(Integer, Integer) { return String(); }
Integer TCustomGridEh::GetEditStyle(Integer, Integer) { return 0; }
String TCustomGridEh::GetEditText(Integer, Integer) { return String(); }
bool TCustomGridEh::IsSmoothHorzScroll() { return FOptions.Contains(goRowSelect); }
bool TCustomGridEh::IsSmoothVertScroll() { return false; }
bool TCustomGridEh::CanCellHotTrack(Integer, Integer) { return false; }
bool TCustomGridEh::SelectCell(Integer, Integer) { return true; }
void TCustomGridEh::ColumnMoved(Integer, Integer) {}
void TCustomGridEh::RowMoved(Integer, Integer) {}
void TCustomGridEh::FlatChanged() {}
void TCustomGridEh::SetEditText(Integer, Integer, const String&) {}
void TCustomGridEh::SizeChanged(Integer, Integer) {}
void TCustomGridEh::DefaultCellMouseClick(const TGridCoord&, TMouseButton, TShiftState, Integer, Integer) {}

void TCustomGridEh::GetCellLinesVisibility(Integer, Integer, TCellLineKindEh Border, bool& IsDraw, TColor&,
                                           bool& IsExtent) {
  if (Border == clkLeft || Border == clkRight) {
    IsDraw = FOptions.Contains(goVertLine);
    IsExtent = FOptions.Contains(goHorzLine);
  } else {
    IsDraw = FOptions.Contains(goHorzLine);
    IsExtent = FOptions.Contains(goVertLine);
  }
}

void TCustomGridEh::UpdateDesigner() {
  // There is no form designer here.
}

bool TCustomGridEh::IsActiveControl() {
  if (TCustomForm* Form = GetParentForm(this)) return Form->GetActiveControl() == this;
  if (!HandleAllocated()) return false;
  HWND Focus = GetFocus();
  return Focus != nullptr && (Focus == GetHandle() || IsChild(GetHandle(), Focus));
}
