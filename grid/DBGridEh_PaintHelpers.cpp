// The painting routines the grid's painters share: the scratch bitmap, the text
// writers (one line, several lines, vertical), clip save and restore, images in
// cells, cell buttons with transparency, and the background and frame of fixed
// cells.
//
// Index of this file:
//   the shared scratch bitmap
//   clips and the pure-colour test
//   one-line text and ellipsis
//   the multi-line writer, the general and the grid's cell writer
//   vertical text
//   images and buttons in cells
//   fixed-cell backgrounds and frames

#include <cmath>

#include "editors/DaVirVCL.h"
#include "grid/DBGridEh.h"
#include "grid/ScopeGuardEh.h"

namespace {

std::unique_ptr<TBitmap> TempBitmap;
Integer TempBitmapUsers = 0;

Integer AlignIndex(TAlignment Alignment) {
  switch (Alignment) {
    case taRightJustify: return 1;
    case taCenter: return 2;
    default: return 0;
  }
}

// Copies the canvas's font and brush into the scratch bitmap's canvas.
TCanvas* PrepareScratch(TCanvas* Canvas, const TRect& ARect) {
  TBitmap* Bmp = TempBitmapEh(ARect.Width(), ARect.Height());
  if (!Bmp) return nullptr;
  TCanvas* C = Bmp->GetCanvas();
  C->SetFont(Canvas->GetFont());
  C->GetBrush()->Assign(Canvas->GetBrush());
  C->FillRect(TRect(0, 0, ARect.Width(), ARect.Height()));
  return C;
}

void CopyScratch(TCanvas* Canvas, const TRect& ARect) {
  BitBlt(Canvas->GetHandle(), ARect.Left, ARect.Top, ARect.Width(), ARect.Height(),
         TempBitmap->GetCanvas()->GetHandle(), 0, 0, SRCCOPY);
}

}  // namespace

// ---- The shared scratch bitmap -------------------------------------------------------------------------

void AcquireTempBitmapEh() {
  if (TempBitmapUsers++ == 0) TempBitmap = std::make_unique<TBitmap>();
}

void ReleaseTempBitmapEh() {
  if (TempBitmapUsers == 0) return;
  if (--TempBitmapUsers == 0) TempBitmap.reset();
}

Integer TempBitmapUsersEh() { return TempBitmapUsers; }

TBitmap* TempBitmapEh(Integer Width, Integer Height) {
  if (!TempBitmap) return nullptr;
  if (TempBitmap->GetWidth() < Width || TempBitmap->GetHeight() < Height)
    TempBitmap->SetSize(std::max(TempBitmap->GetWidth(), Width), std::max(TempBitmap->GetHeight(), Height));
  return TempBitmap.get();
}

// ---- Clips and the pure-colour test ----------------------------------------------------------------------

void SaveAndIntersectClipEh(TCanvas* Canvas, const TRect& Rect, TSavedClipEh& Saved) {
  HDC DC = Canvas->GetHandle();
  Saved.Region = CreateRectRgn(0, 0, 0, 0);
  Saved.Result = GetClipRgn(DC, Saved.Region);
  IntersectClipRect(DC, Rect.Left, Rect.Top, Rect.Right, Rect.Bottom);
}

void RestoreClipEh(TCanvas* Canvas, TSavedClipEh& Saved) {
  HDC DC = Canvas->GetHandle();
  SelectClipRgn(DC, Saved.Result == 1 ? Saved.Region : nullptr);
  DeleteObject(Saved.Region);
  Saved.Region = nullptr;
  Saved.Result = 0;
}

bool IsPureBrushColorEh(TCanvas* Canvas) {
  const TColor Color = Canvas->GetBrush()->GetColor();
  return ColorToRGB(Color) == GetNearestColor(Color);
}

// ---- One line ----------------------------------------------------------------------------------------------

void WriteTextSimpleEh(TCanvas* Canvas, const TRect& ARect, Integer DX, Integer DY, const String& Text,
                       TAlignment Alignment) {
  if (IsPureBrushColorEh(Canvas)) {
    const Integer W = Canvas->TextWidth(Text);
    Integer X = ARect.Left + DX;
    if (Alignment == taRightJustify) X = ARect.Right - W - 3;
    else if (Alignment == taCenter) X = ARect.Left + ARect.Width() / 2 - W / 2;
    ExtTextOut(Canvas->GetHandle(), X, ARect.Top + DY, ETO_CLIPPED | ETO_OPAQUE, &ARect, Text, Integer(Text.size()));
    return;
  }
  TCanvas* C = PrepareScratch(Canvas, ARect);
  if (!C) return;
  TRect R(DX, DY, ARect.Width() - DX, ARect.Height() - DY);
  SetBkMode(C->GetHandle(), TRANSPARENT);
  DrawText(C->GetHandle(), Text, Integer(Text.size()), R, DrawTextWrapFlagsEh[AlignIndex(Alignment)]);
  CopyScratch(Canvas, ARect);
}

void EllipsisTextEh(const String& Text, TCanvas* Canvas, Integer MaxWidth, String& Result) {
  Result = Text;
  const Integer Length = Integer(Text.size());
  Integer I = 1;
  while (I <= Length && Canvas->TextWidth(Result) > MaxWidth) {
    ++I;
    Result = Text.substr(0, size_t(std::max(0, Length - I))) + u"...";
  }
}

// ---- Several lines -------------------------------------------------------------------------------------------

void WriteTextParamsEh(TCanvas* Canvas, const TWriteTextParamsEh& Params) {
  HDC DC = Canvas->GetHandle();
  UINT Flags = DrawTextAlignFlagsEh[AlignIndex(Params.Alignment)];
  if (Params.WordBreak) Flags |= DT_WORDBREAK;
  if (Params.EndEllipsis) Flags |= DT_END_ELLIPSIS;
  if (Params.BiDiMode != bdLeftToRight) Flags |= DT_RTLREADING;
  TDrawTextParams Margins;
  Margins.iLeftMargin = Params.LeftMargin;
  Margins.iRightMargin = Params.RightMargin;
  TRect R = Params.Rect;
  InflateRect(R, -Params.HorzMargin, -Params.VertMargin);
  if (Params.Layout != tlTop) {
    TRect Calc = R;
    const Integer TextHeight =
        DrawTextEx(DC, Params.Text, Integer(Params.Text.size()), Calc, Flags | DT_CALCRECT, &Margins);
    if (Params.Layout == tlCenter) R.Top += (R.Height() - TextHeight) / 2;
    else R.Top = R.Bottom - TextHeight;
  }
  if (Params.HorzMargin != 0) ++R.Bottom;
  // Text taller than the cell would spill above it: it is cut at the cell instead.
  const bool Narrow = R.Top < Params.Rect.Top;
  TSavedClipEh Saved;
  if (Narrow) SaveAndIntersectClipEh(Canvas, Params.Rect, Saved);
  DrawTextEx(DC, Params.Text, Integer(Params.Text.size()), R, Flags, &Margins);
  if (Narrow) RestoreClipEh(Canvas, Saved);
}

void WriteTextEh(TCanvas* Canvas, const TRect& ARect, bool FillRect, Integer DX, Integer DY, const String& Text,
                 TAlignment Alignment, TTextLayout Layout, bool MultiLine, bool EndEllipsis, Integer LeftMarg,
                 Integer RightMarg, bool RightToLeftReading) {
  TWriteTextParamsEh Params;
  Params.Rect = ARect;
  Params.Alignment = Alignment;
  Params.LeftMargin = LeftMarg;
  Params.RightMargin = RightMarg;
  Params.EndEllipsis = EndEllipsis;
  Params.WordBreak = MultiLine;
  Params.Layout = Layout;
  Params.BiDiMode = RightToLeftReading ? bdRightToLeft : bdLeftToRight;
  Params.Text = Text;
  Params.HorzMargin = DX;
  Params.VertMargin = DY;

  if (!IsPureBrushColorEh(Canvas)) {
    TCanvas* C = PrepareScratch(Canvas, ARect);
    if (!C) return;
    SetBkMode(C->GetHandle(), TRANSPARENT);
    Params.Rect = TRect(0, 0, ARect.Width(), ARect.Height());
    WriteTextParamsEh(C, Params);
    CopyScratch(Canvas, ARect);
    return;
  }

  TBrush* Brush = Canvas->GetBrush();
  if (MultiLine) {
    if (FillRect) {
      Canvas->FillRect(ARect);
      WriteTextParamsEh(Canvas, Params);
      return;
    }
    const TBrushStyle Style = Brush->GetStyle();
    Brush->SetStyle(bsClear);
    WriteTextParamsEh(Canvas, Params);
    Brush->SetStyle(Style);
    return;
  }

  // The text is copied only to be shortened, and measured only to be moved.
  String Shortened;
  if (EndEllipsis) EllipsisTextEh(Text, Canvas, ARect.Width() - RightMarg, Shortened);
  const String& Shown = EndEllipsis ? Shortened : Text;
  Integer X = ARect.Left + DX;
  if (Alignment == taRightJustify) X = ARect.Right - Canvas->TextWidth(Shown) - 3;
  else if (Alignment == taCenter)
    X = ARect.Left + (ARect.IsEmpty() ? 0 : ARect.Width() / 2) - Canvas->TextWidth(Shown) / 2;
  Integer Y = ARect.Top;
  if (Layout != tlTop) {
    TTextMetric TM;
    GetTextMetrics(Canvas->GetHandle(), TM);
    if (TM.tmHeight < ARect.Height()) {
      if (Layout == tlCenter) Y = (ARect.Top + ARect.Bottom - TM.tmHeight) / 2 - DY;
      else Y = ARect.Bottom - TM.tmHeight - DY;
    }
  }
  if (FillRect) {
    Canvas->TextRect(ARect, X, Y + DY, Shown);
    return;
  }
  const TBrushStyle Style = Brush->GetStyle();
  Brush->SetStyle(bsClear);
  Canvas->TextRect(ARect, X, Y + DY, Shown);
  Brush->SetStyle(Style);
}

void WriteCellTextEh(TCustomDBGridEh* Grid, TColumnEh* Column, TCanvas* Canvas, const TRect& ARect, bool FillRect,
                     Integer DX, Integer DY, const String& Text, TAlignment Alignment, TTextLayout Layout,
                     bool MultiLine, bool EndEllipsis, Integer LeftMarg, Integer RightMarg) {
  const bool RightToLeft = Column ? Column->UseRightToLeftAlignment() : Grid->UseRightToLeftAlignment();
  if (!RightToLeft) {
    WriteTextEh(Canvas, ARect, FillRect, DX, DY, Text, Alignment, Layout, MultiLine, EndEllipsis, LeftMarg, RightMarg,
                false);
    return;
  }
  // The mirrored canvas would mirror the glyphs too: the text goes in device
  // units, with left and right exchanged.
  TRect R = ARect;
  WindowsLPtoDPEh(Canvas->GetHandle(), R);
  if (R.Left > R.Right) std::swap(R.Left, R.Right);
  if (Alignment == taLeftJustify) Alignment = taRightJustify;
  else if (Alignment == taRightJustify) Alignment = taLeftJustify;
  ChangeCanvasOrientationEh(Canvas, false, Grid->GetClientWidth(), Grid->GetClientHeight());
  WriteTextEh(Canvas, R, FillRect, DX, DY, Text, Alignment, Layout, MultiLine, EndEllipsis, LeftMarg, RightMarg, true);
  ChangeCanvasOrientationEh(Canvas, true, Grid->GetClientWidth(), Grid->GetClientHeight());
}

// ---- Vertical text -----------------------------------------------------------------------------------------

HFONT CreateVerticalFontEh(TFont* Font) {
  TLogFont LF;
  LF.lfEscapement = 900;
  LF.lfOrientation = 900;
  LF.lfHeight = Font->GetHeight();
  LF.lfWidth = 0;
  LF.lfWeight = Font->GetStyle().Contains(fsBold) ? FW_BOLD : FW_NORMAL;
  LF.lfItalic = Font->GetStyle().Contains(fsItalic);
  LF.lfUnderline = Font->GetStyle().Contains(fsUnderline);
  LF.lfStrikeOut = Font->GetStyle().Contains(fsStrikeOut);
  LF.lfCharSet = Font->GetCharset();
  // "Default" names no face of its own: the system's default face stands in.
  LF.lfFaceName = Font->GetName() == u"Default" ? TFont().GetName() : Font->GetName();
  LF.lfOutPrecision = OUT_TT_ONLY_PRECIS;
  LF.lfClipPrecision = 0;
  LF.lfQuality = 0;
  switch (Font->GetPitch()) {
    case fpVariable: LF.lfPitchAndFamily = VARIABLE_PITCH; break;
    case fpFixed: LF.lfPitchAndFamily = FIXED_PITCH; break;
    default: LF.lfPitchAndFamily = DEFAULT_PITCH; break;
  }
  return CreateFontIndirectW(LF);
}

Integer WriteTextVerticalEh(TCanvas* Canvas, const TRect& ARect, bool FillRect, Integer DX, Integer DY,
                            const String& Text, TAlignment Alignment, TTextLayout Layout, bool EndEllipsis,
                            bool CalcTextExtent) {
  HDC DC = Canvas->GetHandle();
  HFONT Vertical = CreateVerticalFontEh(Canvas->GetFont());
  HGDIOBJ OldFont = SelectObject(DC, Vertical);
  TScopeExitEh Restore([&] {
    SelectObject(DC, OldFont);
    DeleteObject(Vertical);
  });
  // Measured along the text, as if it ran horizontally.
  TRect R(ARect.Left, ARect.Top, ARect.Left + ARect.Height(), ARect.Top + ARect.Width());
  String Shown = Text;
  TSize Size;
  GetTextExtentPoint32(DC, Shown, Integer(Shown.size()), Size);
  Integer Needed = Size.cx;
  TTextMetric TM;
  GetTextMetrics(DC, TM);
  if (TM.tmItalic) {
    TOutlineTextMetric OTM;
    if (GetOutlineTextMetrics(DC, sizeof(OTM), &OTM) && OTM.otmsCharSlopeRise != 0)
      Needed += TM.tmAscent * OTM.otmsCharSlopeRun / OTM.otmsCharSlopeRise;
  }
  if (CalcTextExtent) return Needed;
  if (EndEllipsis && Size.cx > R.Width() - DY) {
    const Integer Max = R.Width() - DY;
    const Integer Length = Integer(Text.size());
    for (Integer I = 1; I <= Length; ++I) {
      Shown = Text.substr(0, size_t(std::max(0, Length - I))) + u"...";
      GetTextExtentPoint32(DC, Shown, Integer(Shown.size()), Size);
      if (Size.cx <= Max) break;
    }
  }
  const Integer TextLen = Size.cx;
  // Across the text: the font's height; the text's foot is its left edge.
  Integer X = ARect.Left + DX;
  if (Alignment == taRightJustify) X = ARect.Right - TM.tmHeight - DX;
  else if (Alignment == taCenter) X = ARect.Left + (ARect.Width() - TM.tmHeight) / 2;
  Integer Y = ARect.Bottom - DY;  // text runs upward from here
  if (Layout == tlCenter) Y = ARect.Bottom - (ARect.Height() - TextLen) / 2;
  else if (Layout == tlTop) Y = ARect.Top + DY + TextLen;
  if (IsPureBrushColorEh(Canvas)) {
    ExtTextOut(DC, X, Y, ETO_CLIPPED | (FillRect ? UINT(ETO_OPAQUE) : 0u), &ARect, Shown, Integer(Shown.size()));
    return Needed;
  }
  TCanvas* C = PrepareScratch(Canvas, ARect);
  if (!C) return Needed;
  HDC MemDC = C->GetHandle();
  HGDIOBJ MemOld = SelectObject(MemDC, Vertical);
  SetBkMode(MemDC, TRANSPARENT);
  TRect Local(0, 0, ARect.Width(), ARect.Height());
  ExtTextOut(MemDC, X - ARect.Left, Y - ARect.Top, ETO_CLIPPED, &Local, Shown, Integer(Shown.size()));
  SelectObject(MemDC, MemOld);
  CopyScratch(Canvas, ARect);
  return Needed;
}

// ---- Images and buttons in cells --------------------------------------------------------------------------

void DrawImageInCellEh(TCustomImageList* Images, TGraphic* Graphic, TCanvas* Canvas, const TRect& ARect,
                       Integer ImageIndex, Integer Offset, TAlignment Alignment) {
  if (!Images && !Graphic) return;
  const Integer W = Images ? Images->GetWidth() : Graphic->GetWidth();
  const Integer H = Images ? Images->GetHeight() : Graphic->GetHeight();
  Integer X = ARect.Left + Offset;
  if (Alignment == taRightJustify) X = ARect.Right - W - Offset;
  else if (Alignment == taCenter) X = ARect.Left + (ARect.Width() - W) / 2;
  const Integer Y = ARect.Top + (ARect.Height() - H) / 2;
  const TRect ImageRect(X, Y, X + W, Y + H);
  const bool Inside = ImageRect.Left >= ARect.Left && ImageRect.Top >= ARect.Top && ImageRect.Right <= ARect.Right &&
                      ImageRect.Bottom <= ARect.Bottom;
  TSavedClipEh Saved;
  if (!Inside) SaveAndIntersectClipEh(Canvas, ARect, Saved);
  if (Images) Images->Draw(Canvas, X, Y, ImageIndex);
  else Canvas->Draw(X, Y, Graphic);
  if (!Inside) RestoreClipEh(Canvas, Saved);
}

Byte ButtonAlphaEh(Integer Transparency) {
  // 2.55 as the 64-bit-mantissa type holds it lies a hair below 2.55, and a product
  // like 70 * 2.55 lands on 178.5 exactly; a half goes to the even neighbour: 178.
  const long double Product = static_cast<long double>(100 - Transparency) * 2.55L;
  return Byte(std::nearbyintl(Product));
}

void DrawCellButtonEh(TCustomDBGridEh* Grid, TColumnEh* Column, TCanvas* Canvas, TEditButtonStyleEh Style,
                      const TRect& ButtonRect, const TRect& CellRect, bool Pressed, bool Hot, bool Flat, bool Enabled,
                      TColor Background, TGraphic* Glyph, Integer Transparency) {
  (void)Column;
  TCanvas* Target = Canvas;
  TRect R = ButtonRect;
  TBitmap* Layer = Transparency > 0 && Grid ? Grid->CellButtonBitmap(CellRect.Width(), CellRect.Height()) : nullptr;
  if (!Layer) Transparency = 0;
  if (Transparency > 0) {
    // Painted apart on the cell's background, then blended in.
    Target = Layer->GetCanvas();
    Target->GetBrush()->SetColor(Background);
    Target->FillRect(TRect(0, 0, CellRect.Width(), CellRect.Height()));
    OffsetRect(R, -CellRect.Left, -CellRect.Top);
  }
  const TRect Bounds = Transparency > 0 ? TRect(0, 0, CellRect.Width(), CellRect.Height()) : CellRect;
  const bool Narrow = R.Left < Bounds.Left || R.Top < Bounds.Top || R.Right > Bounds.Right || R.Bottom > Bounds.Bottom;
  TSavedClipEh Saved;
  if (Narrow) SaveAndIntersectClipEh(Target, Bounds, Saved);
  if (Style == ebsDropDownEh && !ThemesEnabledEh() && Flat) {
    Target->GetBrush()->SetColor(Hot ? clBtnFace : Background);
    Target->FrameRect(R);
    InflateRect(R, -1, -1);
  }
  // A button keeps its own direction: on a mirrored canvas it is drawn
  // unmirrored at the mirrored rectangle.
  bool Mirrored = false;
  if (Grid && Grid->UseRightToLeftAlignment()) {
    TRect Device = R;
    WindowsLPtoDPEh(Target->GetHandle(), Device);
    if (Device.Left > Device.Right) {
      Mirrored = true;
      R = TRect(Device.Right, Device.Top, Device.Left, Device.Bottom);
      ChangeCanvasOrientationEh(Target, false, Grid->GetClientWidth(), Grid->GetClientHeight());
    }
  }
  if (Style == ebsGlyphEh) {
    TRect Face = R;
    DrawEdge(Target->GetHandle(), Face, EDGE_RAISED, BF_RECT | BF_MIDDLE);
    InflateRect(Face, -2, -2);
    if (Glyph && !Glyph->GetEmpty())
      Target->Draw(Face.Left + (Face.Width() - Glyph->GetWidth()) / 2,
                   Face.Top + (Face.Height() - Glyph->GetHeight()) / 2, Glyph);
  } else {
    PaintButtonControlEh(Target, R, Background, ButtonStyleToPainterKindEh(Style), Pressed ? 1 : 0, Flat, Hot, Enabled,
                         cbsUncheckedEh);
  }
  if (Mirrored) ChangeCanvasOrientationEh(Target, true, Grid->GetClientWidth(), Grid->GetClientHeight());
  if (Narrow) RestoreClipEh(Target, Saved);
  if (Transparency > 0) {
    TBlendFunction Blend;
    Blend.BlendOp = AC_SRC_OVER;
    Blend.SourceConstantAlpha = ButtonAlphaEh(Transparency);
    const TRect Part(std::max(ButtonRect.Left, CellRect.Left), std::max(ButtonRect.Top, CellRect.Top),
                     std::min(ButtonRect.Right, CellRect.Right), std::min(ButtonRect.Bottom, CellRect.Bottom));
    if (!Part.IsEmpty()) {
      // Blended over the cell's background, not over what the last paint left
      // there: a faint button would darken with every repaint.
      const TColor OldBrush = Canvas->GetBrush()->GetColor();
      Canvas->GetBrush()->SetColor(Background);
      Canvas->FillRect(Part);
      Canvas->GetBrush()->SetColor(OldBrush);
      AlphaBlend(Canvas->GetHandle(), Part.Left, Part.Top, Part.Width(), Part.Height(), Target->GetHandle(),
                 Part.Left - CellRect.Left, Part.Top - CellRect.Top, Part.Width(), Part.Height(), Blend);
    }
  }
}

// ---- Fixed cells -------------------------------------------------------------------------------------------

void FillFixedCellBackground(TCustomDBGridEh* Grid, bool Themed, const TRect& ARect, bool Hot, bool Pressed,
                             const TRect& /*ClipRect*/, bool Is3D, bool /*Last*/) {
  TCanvas* Canvas = Grid->GetCanvas();
  if (!(Themed && Is3D)) {
    if (Grid->GetFlat() && ThemesEnabledEh() && Is3D)
      DrawShadedRectEh(Canvas, ARect, clBtnHighlight, Canvas->GetBrush()->GetColor());
    else Canvas->FillRect(ARect);
    return;
  }
  if (Grid->GetFlat()) {
    DrawShadedRectEh(Canvas, ARect, MixColorsEh(clBtnFace, clWhite, 10), MixColorsEh(clBtnFace, clBlack, 5));
    Canvas->GetBrush()->SetStyle(bsClear);
    return;
  }
  // Without a theme engine the header item is the plain fixed-cell face.
  (void)Hot;
  (void)Pressed;
  Canvas->FillRect(ARect);
}

void DrawFixedCellFrame(TCustomDBGridEh* Grid, TCanvas* Canvas, const TRect& ARect, bool Pressed, bool Highlighted,
                        bool LeftTop, bool RightBottom) {
  HDC DC = Canvas->GetHandle();
  const UINT Edge = Highlighted || Pressed ? BDR_SUNKENINNER : BDR_RAISEDINNER;
  // On a mirrored canvas the frame is drawn unmirrored at the mirrored
  // rectangle, so its light still comes from the top left; the leading side
  // is then the right one.
  TRect R = ARect;
  WindowsLPtoDPEh(DC, R);
  const bool Mirrored = R.Left > R.Right;
  if (Mirrored) {
    std::swap(R.Left, R.Right);
    ChangeCanvasOrientationEh(Canvas, false, Grid->GetClientWidth(), Grid->GetClientHeight());
  } else {
    R = ARect;
  }
  TScopeExitEh Remirror([&] {
    if (Mirrored) ChangeCanvasOrientationEh(Canvas, true, Grid->GetClientWidth(), Grid->GetClientHeight());
  });
  const UINT TopPart = Mirrored ? (LeftTop ? BF_TOP | BF_RIGHT : BF_TOP) : (LeftTop ? BF_LEFT | BF_TOP : BF_TOP);
  const UINT BottomPart =
      Mirrored ? (RightBottom ? BF_LEFT | BF_BOTTOM : BF_BOTTOM) : (RightBottom ? BF_RIGHT | BF_BOTTOM : BF_BOTTOM);
  if (!Grid->GetFlat()) {
    if (LeftTop && RightBottom) {
      DrawEdge(DC, R, Edge, BF_RECT);
      return;
    }
    TRect R1 = R;
    DrawEdge(DC, R1, Edge, TopPart);
    TRect R2 = R;
    DrawEdge(DC, R2, Edge, BottomPart);
    return;
  }
  // Flat: the trailing and bottom edges become lines of the cell's own colour.
  Canvas->GetPen()->SetColor(Canvas->GetBrush()->GetColor());
  if (Mirrored) {
    if (RightBottom)
      Canvas->Polyline({TPoint(R.Left, R.Top), TPoint(R.Left, R.Bottom - 1), TPoint(R.Right, R.Bottom - 1)});
    else Canvas->Polyline({TPoint(R.Left - 1, R.Bottom - 1), TPoint(R.Right, R.Bottom - 1)});
  } else if (RightBottom) {
    Canvas->Polyline({TPoint(R.Right - 1, R.Top), TPoint(R.Right - 1, R.Bottom - 1), TPoint(R.Left - 1, R.Bottom - 1)});
  } else {
    Canvas->Polyline({TPoint(R.Right, R.Bottom - 1), TPoint(R.Left - 1, R.Bottom - 1)});
  }
  TRect R3 = R;
  DrawEdge(DC, R3, Edge, TopPart);
}
