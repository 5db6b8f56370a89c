// The base grid's Paint: out-of-grid areas, grid lines batched per colour, cells
// area by area (title, frozen, scrolling), frozen separators, row focus, the
// space without cells, extended vertical lines, and the contra lines.
//
// Every painting step names one horizontal and one vertical band:
//   title   StartIndent .. FrozenBoundary      first line 0
//   frozen  FrozenBoundary .. FixedBoundary    first line Fixed - Frozen
//   scroll  FirstCellStart .. GridBoundary     first line LeftCol / TopRow
//   contra  ContraBoundary + line .. DataEnd   first line ColCount / RowCount
//
// Index of this file
//   Clip helpers          SaveClipAndIntersect, RestoreClip, PaintClipped
//   Paint                 the steps below, in order
//   DrawAreaLines         the lines of one area, batched in the lines cache
//   DrawCells             the cells of one area
//   DrawAxisLines, DrawContraCells, PaintContraArea   the contra lines
//   DrawExtendedVertLines the vertical lines below the last row
//
// Typical call flow (WM_PAINT -> TCustomControl::PaintWindow -> Paint)
//   Paint                     nothing while the paint lock is held
//     CalcDrawInfo            both axes' bands, once for the whole paint
//     (contra lines)          the normal area is clipped off them first
//     PaintOutBoundaries      the four out-of-grid areas
//     Grid lines              DrawAreaLines per band pair: title and frozen
//                             unclipped, the scrolling bands through PaintClipped,
//                             which narrows the clip only when the top-left line
//                             is scrolled part-way (an offset), then the frozen
//                             separators
//     Cells                   DrawCells per band pair in the same order; for each
//                             cell: its state (current, focused, selected, hot),
//                             the default background, DrawCell (abstract: the
//                             descendant paints the content) when the cell's
//                             rectangle is visible, then the fixed frame and the
//                             focus rectangle
//     Row focus, the space without cells, extended vertical lines
//     PaintContraArea         the clip put back; the contra lines' own lines
//                             and cells (DrawAxisLines, DrawContraCells)

#include <algorithm>

#include "gridbase/GridsEh.h"
#include "platform/core/ScopeGuard.h"

namespace {

struct TBand {
  Integer Start, Stop, First;
};

TBand TitleBand(const TGridAxisDrawInfoEh& A) { return {A.StartIndent, A.FrozenBoundary, 0}; }
TBand FrozenBand(const TGridAxisDrawInfoEh& A) {
  return {A.FrozenBoundary, A.FixedBoundary, A.FixedCellCount - A.FrozenCount};
}
TBand ScrollBand(const TGridAxisDrawInfoEh& A) { return {A.FirstCellStart, A.GridBoundary, A.FirstGridCell}; }
TBand ContraBand(const TGridAxisDrawInfoEh& A) {
  return {A.ContraBoundary + A.EffectiveLineWidth, A.DataEnd, A.GridCellCount};
}

bool InRect(const TGridRect& R, Integer X, Integer Y) {
  return X >= R.Left && X <= R.Right && Y >= R.Top && Y <= R.Bottom;
}

}  // namespace

// ---- Clip helpers ---------------------------------------------------------------------------
void TCustomGridEh::ChangeGridOrientation(bool RightToLeftOrientation) {
  HDC DC = GetCanvas()->GetHandle();
  const Integer W = GetClientWidth(), H = GetClientHeight();
  if (RightToLeftOrientation) {
    SetMapMode(DC, MM_ANISOTROPIC);
    SetWindowOrgEx(DC, W, 0, nullptr);
    SetViewportExtEx(DC, W, H, nullptr);
    SetWindowExtEx(DC, -W, H, nullptr);
  } else {
    SetWindowOrgEx(DC, 0, 0, nullptr);
    SetMapMode(DC, MM_TEXT);
  }
  FCanvasMirrored = RightToLeftOrientation;
}

void TCustomGridEh::SaveClipAndIntersect(const TRect& R, HRGN& Saved, bool& HadClip) {
  HDC DC = GetCanvas()->GetHandle();
  Saved = CreateRectRgn(0, 0, 0, 0);
  HadClip = GetClipRgn(DC, Saved) == 1;
  HRGN Narrow = CreateRectRgnIndirect(FCanvasMirrored ? MirroredRect(R) : R);
  ExtSelectClipRgn(DC, Narrow, RGN_AND);
  DeleteObject(Narrow);
}

void TCustomGridEh::RestoreClip(HRGN Saved, bool HadClip) {
  HDC DC = GetCanvas()->GetHandle();
  SelectClipRgn(DC, HadClip ? Saved : nullptr);
  DeleteObject(Saved);
}

void TCustomGridEh::PaintClipped(bool Narrow, const TRect& R, const std::function<void()>& Body) {
  HRGN Saved = nullptr;
  bool Had = false;
  if (Narrow) SaveClipAndIntersect(R, Saved, Had);
  Body();
  if (Narrow) RestoreClip(Saved, Had);
}

// ---- Paint ------------------------------------------------------------------------------------------
void TCustomGridEh::PaintOutBoundaries() {
  for (Integer Area = 0; Area < 4; ++Area) {
    TRect R;
    if (FOutBoundaryData->GetAreaRect(Area, R)) DrawOutBoundaryArea(R);
  }
}

void TCustomGridEh::DrawOutBoundaryArea(const TRect& ARect) {
  TCanvas* C = GetCanvas();
  C->GetBrush()->SetStyle(bsSolid);
  C->GetBrush()->SetColor(FFixedColor);
  C->FillRect(ARect);
}

void TCustomGridEh::DrawSeparator(TColor Color, TPoint P1, TPoint P2) {
  GetCanvas()->GetPen()->SetColor(Color);
  const std::vector<TPoint> Points{P1, P2};
  const std::vector<DWORD> Counts{2};
  CanvasPolyPolyline(Points, Counts, 2);
}

void TCustomGridEh::Paint() {
  if (IsPaintLocked()) return;
  TCanvas* C = GetCanvas();
  // Right-to-left: everything below paints on the mirrored canvas.
  const bool Mirror = UseRightToLeftAlignment();
  if (Mirror) ChangeGridOrientation(true);
  TScopeExit Unmirror([&] {
    if (Mirror) ChangeGridOrientation(false);
  });
  TGridDrawInfoEh DrawInfo;
  CalcDrawInfo(DrawInfo);
  const TGridAxisDrawInfoEh& H = DrawInfo.Horz;
  const TGridAxisDrawInfoEh& V = DrawInfo.Vert;
  const TGridRect Sel = GetSelection();
  const bool HasContra = FContraColCount > 0 || FContraRowCount > 0;

  HRGN ContraSaved = nullptr;
  bool ContraHadClip = false;
  if (HasContra) SaveClipAndIntersect(TRect(0, 0, H.ContraBoundary, V.ContraBoundary), ContraSaved, ContraHadClip);

  PaintOutBoundaries();

  const TBand HT = TitleBand(H), HF = FrozenBand(H), HS = ScrollBand(H);
  const TBand VT = TitleBand(V), VF = FrozenBand(V), VS = ScrollBand(V);
  const bool XOffset = FTopLeftOffset.X != 0, YOffset = FTopLeftOffset.Y != 0;
  const TRect HScrollClip(H.FixedBoundary, 0, H.GridBoundary, V.FixedBoundary);
  const TRect VScrollClip(0, V.FixedBoundary, H.FixedBoundary, V.GridBoundary);
  const TRect DataClip(H.FixedBoundary, V.FixedBoundary, H.GridBoundary, V.GridBoundary);

  // Grid lines.
  if (H.EffectiveLineWidth != 0 || V.EffectiveLineWidth != 0) {
    C->GetPen()->SetStyle(psSolid);
    C->GetPen()->SetMode(pmCopy);
    C->GetPen()->SetWidth(std::max(1, FGridLineWidth));
    const bool FV = FOptions.Contains(goFixedVertLine), FH = FOptions.Contains(goFixedHorzLine);
    auto Area = [&](const TBand& X, const TBand& Y, TColor Back, bool VSw, bool HSw) {
      DrawAreaLines(TRect(X.Start, Y.Start, X.Stop, Y.Stop), X.First, Y.First,
                    FGridLineColors->GetCellLineColor(X.First, Y.First), Back, VSw, HSw, DrawInfo);
    };
    auto FrozenRowsSeparator = [&]() {
      if (FFrozenRowCount <= 0) return;
      const Integer Y = V.FixedBoundary - V.EffectiveLineWidth + (V.EffectiveLineWidth >> 1);
      DrawSeparator(FGridLineColors->GetFrozenHorzLineColor(0, FFixedRows - 1), TPoint(H.StartIndent, Y),
                    TPoint(H.GridBoundary, Y));
    };
    auto FrozenColsSeparator = [&]() {
      if (FFrozenColCount <= 0) return;
      const Integer X = H.FixedBoundary - H.EffectiveLineWidth + (H.EffectiveLineWidth >> 1);
      DrawSeparator(FGridLineColors->GetFrozenVertLineColor(FFixedCols - 1), TPoint(X, V.StartIndent),
                    TPoint(X, V.GridBoundary));
    };
    Area(TBand{HT.Start, HF.Stop, 0}, VT, FFixedColor, FV, FH);
    Area(HT, VF, FFixedColor, FV, FH);
    Area(HF, TBand{VF.Start, VF.Stop, VF.First}, FFixedColor, FV, FH);
    FrozenRowsSeparator();
    FrozenColsSeparator();
    PaintClipped(XOffset, HScrollClip, [&] {
      Area(HS, VT, FFixedColor, FV, FH);
      Area(HS, VF, FFixedColor, FV, FH);
      FrozenRowsSeparator();
    });
    PaintClipped(YOffset, VScrollClip, [&] {
      Area(HT, VS, FFixedColor, FV, FH);
      if (FFrozenColCount > 0) {
        Area(HF, VS, FFixedColor, FV, FH);
        FrozenColsSeparator();
      }
    });
    PaintClipped(XOffset || YOffset, DataClip,
                 [&] { Area(HS, VS, GetColor(), FOptions.Contains(goVertLine), FOptions.Contains(goHorzLine)); });
  }

  // Cells.
  UINT FrameFlags1 = 0, FrameFlags2 = 0;
  if (FOptions.Contains(goFixedVertLine)) {
    FrameFlags1 |= BF_RIGHT;
    FrameFlags2 |= BF_LEFT;
  }
  if (FOptions.Contains(goFixedHorzLine)) {
    FrameFlags1 |= BF_BOTTOM;
    FrameFlags2 |= BF_TOP;
  }
  const TGridDrawState Fixed{gdFixed};
  auto Cells = [&](const TBand& X, const TBand& Y, TColor Color, TGridDrawState State) {
    DrawCells(X.First, Y.First, X.Start, Y.Start, X.Stop, Y.Stop, Color, State, DrawInfo, Sel, FrameFlags1,
              FrameFlags2);
  };
  Cells(TBand{HT.Start, HF.Stop, 0}, VT, FFixedColor, Fixed);
  Cells(HT, VF, FFixedColor, Fixed);
  Cells(HF, VF, GetColor(), {});
  PaintClipped(XOffset, HScrollClip, [&] {
    Cells(HS, VT, FFixedColor, Fixed);
    Cells(HS, VF, GetColor(), {});
  });
  PaintClipped(YOffset, VScrollClip, [&] {
    Cells(HT, VS, FFixedColor, Fixed);
    Cells(HF, VS, GetColor(), {});
  });
  PaintClipped(XOffset || YOffset, DataClip, [&] { Cells(HS, VS, GetColor(), {}); });

  // One focus rectangle over the selected row.
  if (!GetComponentState().Contains(csDesigning) && FOptions.Contains(goRowSelect) && FDefaultDrawing && Focused()) {
    const TRect R = BoxRect(Sel.Left, Sel.Top, Sel.Right, Sel.Bottom);
    if (!R.IsEmpty()) C->DrawFocusRect(R);
  }

  // The space without cells.
  C->GetBrush()->SetStyle(bsSolid);
  C->GetBrush()->SetColor(GetColor());
  const Integer RightEnd = std::min(H.GridExtent, H.DataEnd);
  const Integer BottomEnd = std::min(V.GridExtent, V.DataEnd);
  if (H.GridBoundary < RightEnd) C->FillRect(TRect(H.GridBoundary, V.StartIndent, RightEnd, V.GridBoundary));
  if (V.GridBoundary < BottomEnd) C->FillRect(TRect(H.StartIndent, V.GridBoundary, RightEnd, BottomEnd));

  if (FOptions.Contains(goExtendVertLinesEh)) {
    DrawExtendedVertLines(H.StartIndent, H.FixedBoundary, DrawInfo);
    DrawExtendedVertLines(H.FixedBoundary + 1, H.GridBoundary, DrawInfo);
  }

  if (HasContra) {
    RestoreClip(ContraSaved, ContraHadClip);
    PaintContraArea(DrawInfo, Sel);
  }
}

// ---- Lines of one area -----------------------------------------------------------------------------------
void TCustomGridEh::DrawAreaLines(const TRect& Rect, Integer ACol, Integer ARow, TColor LineColor, TColor BackColor,
                                  bool VertSwitch, bool HorzSwitch, const TGridDrawInfoEh& DrawInfo) {
  const Integer HW = DrawInfo.Horz.EffectiveLineWidth, VW = DrawInfo.Vert.EffectiveLineWidth;
  FLinesCache->Clear();
  Integer X = Rect.Left;
  for (Integer Col = ACol; X < Rect.Right - 1 && Col < FColCount; ++Col) {
    const Integer W = GetColWidths(Col);
    Integer Y = Rect.Top;
    for (Integer Row = ARow; Y < Rect.Bottom - 1 && Row < FRowCount; ++Row) {
      const Integer Ht = GetRowHeights(Row);
      if (HW > 0 && W >= 0) {
        bool IsDraw = true, IsExtent = true;
        TColor Color = VertSwitch ? LineColor : BackColor;
        GetCellLinesVisibility(Col, Row, clkRight, IsDraw, Color, IsExtent);
        if (IsDraw) {
          const Integer LX = X + W + (HW >> 1);
          FLinesCache->AddLine(Color, TPoint(LX, Y), TPoint(LX, Y + Ht + (IsExtent ? VW : 0)));
        }
      }
      if (VW > 0 && Ht >= 0) {
        bool IsDraw = true, IsExtent = true;
        TColor Color = HorzSwitch ? LineColor : BackColor;
        GetCellLinesVisibility(Col, Row, clkBottom, IsDraw, Color, IsExtent);
        if (IsDraw) {
          const Integer LY = Y + Ht + (VW >> 1);
          FLinesCache->AddLine(Color, TPoint(X, LY), TPoint(X + W + (IsExtent ? HW : 0), LY));
        }
      }
      Y += Ht + VW;
    }
    X += W + HW;
  }
  FLinesCache->Flush(this, GetCanvas());
}

// ---- Cells of one area --------------------------------------------------------------------------------------
void TCustomGridEh::DrawCells(Integer ACol, Integer ARow, Integer StartX, Integer StartY, Integer StopX, Integer StopY,
                              TColor Color, TGridDrawState IncludeDrawState, const TGridDrawInfoEh& DrawInfo,
                              const TGridRect& Sel, UINT FrameFlags1, UINT FrameFlags2) {
  TCanvas* C = GetCanvas();
  HDC DC = C->GetHandle();
  const Integer HW = DrawInfo.Horz.EffectiveLineWidth, VW = DrawInfo.Vert.EffectiveLineWidth;
  const bool Active = IsActiveControl();
  const bool Designing = GetComponentState().Contains(csDesigning);
  Integer Y = StartY;
  for (Integer Row = ARow; Y < StopY && Row < FRowCount; ++Row) {
    const Integer Ht = GetRowHeights(Row);
    Integer X = StartX;
    for (Integer Col = ACol; X < StopX && Col < FColCount; ++Col) {
      const Integer W = GetColWidths(Col);
      if (W > 0 && Ht > 0) {
        TRect Where(X, Y, X + W, Y + Ht);
        TGridDrawState State = IncludeDrawState;
        if (Col == FHotTrackCell.X && Row == FHotTrackCell.Y) State.Include(gdHotTrack);
        if (Row == FCurrent.Y) {
          if (FOptions.Contains(goRowSelect) ? Col >= FFixedCols - FFrozenColCount : Col == FCurrent.X)
            State.Include(gdCurrent);
        }
        if (Active && State.Contains(gdCurrent)) State.Include(gdFocused);
        if (InRect(Sel, Col, Row)) State.Include(gdSelected);
        bool IsDraw = true, IsExtent = true;
        TColor LineColor = 0;
        GetCellLinesVisibility(Col, Row, clkRight, IsDraw, LineColor, IsExtent);
        if (!IsDraw) Where.Right += HW;
        IsDraw = true;
        GetCellLinesVisibility(Col, Row, clkBottom, IsDraw, LineColor, IsExtent);
        if (!IsDraw) Where.Bottom += VW;
        if (FDefaultDrawing) {
          C->SetFont(GetFont());
          C->GetBrush()->SetStyle(bsSolid);
          C->GetBrush()->SetColor(Color);
          if (State.Contains(gdSelected) && !(State.Contains(gdFocused) && !FOptions.Contains(goDrawFocusSelected) &&
                                              !FOptions.Contains(goRowSelect))) {
            C->GetBrush()->SetColor(clHighlight);
            C->GetFont()->SetColor(clHighlightText);
          }
          C->FillRect(Where);
        }
        if (RectVisible(DC, Where)) DrawCell(Col, Row, Where, State);
        if (FDefaultDrawing && State.Contains(gdFixed) && GetCtl3D() && (FrameFlags1 | FrameFlags2) != 0) {
          TRect Frame = Where;
          if (!(FrameFlags1 & BF_RIGHT)) Frame.Right += HW;
          if (!(FrameFlags1 & BF_BOTTOM)) Frame.Bottom += VW;
          DrawFixedCellFrame(Frame, true, true, false, false);
        }
        if (FDefaultDrawing && !Designing && State.Contains(gdFocused) &&
            !(FOptions.Contains(goEditing) && FOptions.Contains(goAlwaysShowEditor)) && !FOptions.Contains(goRowSelect))
          C->DrawFocusRect(Where);
      }
      X += W + HW;
    }
    Y += Ht + VW;
  }
}

// ---- Contra lines ---------------------------------------------------------------------------------------------
void TCustomGridEh::DrawAxisLines(bool Horizontal, const TRect& Area, Integer FirstCell, Integer LastCell,
                                  TColor LineColor, TColor BackColor, bool Switch, const TGridDrawInfoEh& DrawInfo) {
  const TGridAxisDrawInfoEh& A = Horizontal ? DrawInfo.Horz : DrawInfo.Vert;
  const Integer ELW = A.EffectiveLineWidth;
  if (ELW == 0 || FirstCell > LastCell) return;
  const Integer Start = Horizontal ? Area.Left : Area.Top;
  const Integer Stop = Horizontal ? Area.Right : Area.Bottom;
  FLinesCache->Clear();
  const TColor Color = Switch ? LineColor : BackColor;
  Integer Pos = Start + (ELW >> 1);
  for (Integer I = FirstCell; I <= LastCell; ++I) {
    const Integer Extent = A.GetExtent(I);
    if (Extent < 0) continue;
    Pos += Extent;
    if (Pos > Stop + ELW) break;
    if (Extent > 0) {
      if (Horizontal) FLinesCache->AddLine(Color, TPoint(Pos, Area.Top), TPoint(Pos, Area.Bottom));
      else FLinesCache->AddLine(Color, TPoint(Area.Left, Pos), TPoint(Area.Right, Pos));
    }
    Pos += ELW;
  }
  FLinesCache->Flush(this, GetCanvas());
}

void TCustomGridEh::DrawContraCells(Integer ACol, Integer ARow, Integer StartX, Integer StartY, Integer StopX,
                                    Integer StopY, TColor Color, TGridDrawState IncludeDrawState,
                                    const TGridDrawInfoEh& DrawInfo) {
  TCanvas* C = GetCanvas();
  HDC DC = C->GetHandle();
  const Integer HW = DrawInfo.Horz.EffectiveLineWidth, VW = DrawInfo.Vert.EffectiveLineWidth;
  const bool EditorShown = FEditorMode && FOptions.Contains(goEditing) && IncludeDrawState.Contains(gdFocused) &&
                           !GetComponentState().Contains(csDesigning);
  Integer Y = StartY;
  for (Integer Row = ARow; Y < StopY && Row < GetFullRowCount(); ++Row) {
    const Integer Ht = GetRowHeights(Row);
    Integer X = StartX;
    for (Integer Col = ACol; X < StopX && Col < GetFullColCount(); ++Col) {
      const Integer W = GetColWidths(Col);
      const TRect Where(X, Y, X + W, Y + Ht);
      const bool Skip =
          W <= 0 || Ht <= 0 || !RectVisible(DC, Where) || (EditorShown && Col == FInplaceCol && Row == FInplaceRow);
      if (!Skip) {
        if (FDefaultDrawing || GetComponentState().Contains(csDesigning)) {
          C->GetBrush()->SetStyle(bsSolid);
          C->GetBrush()->SetColor(Color);
          C->FillRect(Where);
        }
        C->SetFont(GetFont());
        DrawCell(Col, Row, Where, IncludeDrawState);
      }
      X += W + HW;
    }
    Y += Ht + VW;
  }
}

void TCustomGridEh::PaintContraArea(const TGridDrawInfoEh& DrawInfo, const TGridRect&) {
  TCanvas* C = GetCanvas();
  const TGridAxisDrawInfoEh& H = DrawInfo.Horz;
  const TGridAxisDrawInfoEh& V = DrawInfo.Vert;
  const TBand HT = TitleBand(H), HF = FrozenBand(H), HS = ScrollBand(H), HC = ContraBand(H);
  const TBand VT = TitleBand(V), VF = FrozenBand(V), VS = ScrollBand(V), VC = ContraBand(V);
  const bool XOffset = FTopLeftOffset.X != 0, YOffset = FTopLeftOffset.Y != 0;
  const bool FV = FOptions.Contains(goFixedVertLine), FH = FOptions.Contains(goFixedHorzLine);
  const bool DV = FOptions.Contains(goVertLine), DH = FOptions.Contains(goHorzLine);
  const Integer HW = H.EffectiveLineWidth, VW = V.EffectiveLineWidth;
  auto LastOf = [](const TBand& B, Integer Limit) { return std::max(B.First, Limit) - 1; };
  C->GetPen()->SetStyle(psSolid);
  C->GetPen()->SetMode(pmCopy);
  C->GetPen()->SetWidth(std::max(1, FGridLineWidth));
  const Integer ContraRight = FContraColCount > 0 ? H.ContraBoundary : std::min(H.GridExtent, H.DataEnd);
  const Integer ContraBottom = FContraRowCount > 0 ? V.ContraBoundary : std::min(V.GridExtent, V.DataEnd);

  // Both kinds of lines of one block of cells (columns X over rows Y).
  auto BlockLines = [&](const TBand& X, Integer XLast, const TBand& Y, Integer YLast, bool Fixed) {
    const TColor LineColor = FGridLineColors->GetCellLineColor(X.First, Y.First);
    const TColor Back = Fixed ? FFixedColor : GetColor();
    const TRect Area(X.Start, Y.Start, X.Stop, Y.Stop);
    DrawAxisLines(true, Area, X.First, XLast, LineColor, Back, Fixed ? FV : DV, DrawInfo);
    DrawAxisLines(false, TRect(X.Start, Y.Start, X.Stop + HW, Y.Stop), Y.First, YLast, LineColor, Back, Fixed ? FH : DH,
                  DrawInfo);
  };
  if (FContraRowCount > 0) {
    const Integer YLast = GetFullRowCount() - 1;
    PaintClipped(FContraColCount > 0, TRect(0, 0, H.ContraBoundary, V.DataEnd), [&] {
      BlockLines(HT, LastOf(HF, H.FixedCellCount - H.FrozenCount), VC, YLast, true);
      if (FFrozenColCount > 0) {
        BlockLines(HF, H.FixedCellCount - 1, VC, YLast, false);
        const Integer X = H.FixedBoundary - HW + (HW >> 1);
        DrawSeparator(FGridLineColors->GetFrozenVertLineColor(FFixedCols - 1), TPoint(X, VC.Start), TPoint(X, VC.Stop));
      }
      const Integer BorderY = V.ContraBoundary + (VW >> 1);
      if (VW > 0)
        DrawSeparator(FGridLineColors->GetHorzLineColor(0, FRowCount), TPoint(H.StartIndent, BorderY),
                      TPoint(ContraRight, BorderY));
      PaintClipped(XOffset, TRect(H.FixedBoundary, 0, H.GridBoundary, V.DataEnd), [&] {
        BlockLines(HS, FColCount - 1, VC, YLast, false);
        if (VW > 0)
          DrawSeparator(FGridLineColors->GetHorzLineColor(0, FRowCount), TPoint(H.StartIndent, BorderY),
                        TPoint(ContraRight, BorderY));
      });
    });
  }
  if (FContraColCount > 0) {
    const Integer XLast = GetFullColCount() - 1;
    PaintClipped(FContraRowCount > 0, TRect(0, 0, H.DataEnd, V.ContraBoundary), [&] {
      BlockLines(HC, XLast, VT, LastOf(VF, V.FixedCellCount - V.FrozenCount), true);
      if (FFrozenRowCount > 0) BlockLines(HC, XLast, VF, V.FixedCellCount - 1, false);
      PaintClipped(YOffset, TRect(0, V.FixedBoundary, H.DataEnd, V.GridBoundary),
                   [&] { BlockLines(HC, XLast, VS, FRowCount - 1, false); });
      const Integer BorderX = H.ContraBoundary + (HW >> 1);
      if (HW > 0)
        DrawSeparator(FGridLineColors->GetVertLineColor(FColCount), TPoint(BorderX, V.StartIndent),
                      TPoint(BorderX, ContraBottom));
    });
    if (FContraRowCount > 0) {
      BlockLines(HC, XLast, VC, GetFullRowCount() - 1, false);
      const Integer BorderX = H.ContraBoundary + (HW >> 1);
      if (HW > 0)
        DrawSeparator(FGridLineColors->GetVertLineColor(FColCount), TPoint(BorderX, V.ContraBoundary),
                      TPoint(BorderX, V.DataEnd));
      const Integer BorderY = V.ContraBoundary + (VW >> 1);
      if (VW > 0)
        DrawSeparator(FGridLineColors->GetHorzLineColor(FColCount, FRowCount), TPoint(H.ContraBoundary, BorderY),
                      TPoint(H.DataEnd, BorderY));
    }
  }

  // Cells.
  const TGridDrawState Fixed{gdFixed};
  auto Cells = [&](const TBand& X, const TBand& Y, TColor Color, TGridDrawState State) {
    DrawContraCells(X.First, Y.First, X.Start, Y.Start, X.Stop, Y.Stop, Color, State, DrawInfo);
  };
  C->GetBrush()->SetStyle(bsSolid);
  if (FContraRowCount > 0) {
    PaintClipped(FContraColCount > 0, TRect(0, 0, H.ContraBoundary, V.DataEnd), [&] {
      Cells(HT, VC, FFixedColor, Fixed);
      Cells(HF, VC, GetColor(), {});
      PaintClipped(XOffset, TRect(H.FixedBoundary, 0, H.GridBoundary, V.DataEnd),
                   [&] { Cells(HS, VC, GetColor(), {}); });
      // The gap between the last scrolling column and the contra columns.
      if (H.GridBoundary < ContraRight) {
        C->GetBrush()->SetColor(GetColor());
        C->FillRect(TRect(H.GridBoundary, VC.Start, ContraRight, V.DataEnd));
      }
    });
  }
  if (FContraColCount > 0) {
    PaintClipped(FContraRowCount > 0, TRect(0, 0, H.DataEnd, V.ContraBoundary), [&] {
      Cells(HC, VT, FFixedColor, Fixed);
      Cells(HC, VF, GetColor(), {});
      PaintClipped(YOffset, TRect(0, V.FixedBoundary, H.DataEnd, V.GridBoundary),
                   [&] { Cells(HC, VS, GetColor(), {}); });
      if (V.GridBoundary < ContraBottom) {
        C->GetBrush()->SetColor(GetColor());
        C->FillRect(TRect(HC.Start, V.GridBoundary, H.DataEnd, ContraBottom));
      }
    });
    if (FContraRowCount > 0) Cells(HC, VC, GetColor(), {});
  }
  if (FOptions.Contains(goExtendVertLinesEh) && FContraColCount > 0)
    DrawExtendedVertLines(H.ContraBoundary, H.DataEnd, DrawInfo);
}

// ---- Extended vertical lines ---------------------------------------------------------------------------------
void TCustomGridEh::DrawExtendedVertLines(Integer FromX, Integer ToX, const TGridDrawInfoEh& DrawInfo) {
  if (!FOptions.Contains(goVertLine)) return;
  const TGridAxisDrawInfoEh& H = DrawInfo.Horz;
  const TGridAxisDrawInfoEh& V = DrawInfo.Vert;
  if (V.GridBoundary >= V.ContraBoundary) return;
  const TColor Dark = FGridLineColors->GetDarkColor(), Bright = FGridLineColors->GetBrightColor();
  auto Line = [&](Integer X, TColor Color) {
    CanvasShadedRect(TRect(X, V.GridBoundary, X + 1, V.ContraBoundary), Color, GetColor());
  };
  const Integer GLW = FGridLineWidth;
  if (FromX <= H.FixedBoundary) {
    Integer X = H.StartIndent - GLW;
    for (Integer I = 0; I < FFixedCols; ++I) {
      X += GetColWidths(I) + GLW;
      const bool Frozen = I >= FFixedCols - FFrozenColCount;
      Line(X, !Frozen || I == FFixedCols - 1 ? Dark : Bright);
    }
  }
  if (ToX > H.FixedBoundary) {
    Integer X = H.FirstCellStart - GLW;
    for (Integer I = FTopLeft.X; I <= H.LastFullVisibleCell && I < FColCount; ++I) {
      X += GetColWidths(I) + GLW;
      if (X >= H.FixedBoundary) Line(X, Bright);
    }
  }
  if (ToX >= H.ContraBoundary && FContraColCount > 0) {
    Integer X = H.ContraBoundary;
    Line(X, Dark);
    for (Integer I = FColCount; I < GetFullColCount() - 1; ++I) {
      X += GLW + GetColWidths(I);
      Line(X, Bright);
    }
  }
}
