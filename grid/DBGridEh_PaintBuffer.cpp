// The grid's paint message: when its look needs it (a tree with row lines, the
// themed 3-D face, multi-level titles, the row panel) what waits to be painted of
// the client area is painted into a memory bitmap and copied to the window in one
// step; once buffered, always buffered. Also the grid's own border, the focus
// rectangle of a selected row, and the tree area of the first column: its
// connector lines and expand boxes.

#include "editors/DaVirVCL.h"
#include "grid/DBGridEh.h"
#include "grid/ScopeGuardEh.h"
#include "platform/ui/Input.h"

namespace {

// Painting may be kept from going through the memory bitmap for every grid.
bool BufferedPaintForbidden = false;

}  // namespace

void SetDBGridEhBufferedPaintForbidden(bool Value) { BufferedPaintForbidden = Value; }
bool GetDBGridEhBufferedPaintForbidden() { return BufferedPaintForbidden; }

// ---- The paint message -----------------------------------------------------------------------------------

bool TCustomDBGridEh::IsThemedFixed3D() { return !GetFlat() && ThemesEnabledEh() && FOptionsEh.Contains(dghFixed3D); }

bool TCustomDBGridEh::NeedsBufferedPaint() {
  return IsThemedFixed3D() || (TreeShown() && FOptions.Contains(dgRowLines)) || FRowPanel->GetActive() ||
         FUseMultiTitle;
}

void TCustomDBGridEh::WMPaint(TMessage& Message) {
  if (IsPaintLocked()) return;
  if (!FPaintBuffered && NeedsBufferedPaint() && !BufferedPaintForbidden) FPaintBuffered = true;
  if (FPaintBuffered && !Message.WParam) {
    PaintBuffered(Message);
    return;
  }
  TCustomGridEh::Dispatch(Message);
}

void TCustomDBGridEh::PaintBuffered(TMessage& Message) {
  HWND Wnd = GetHandle();
  // Only what waits to be painted is painted into memory: the copy to the
  // window shows nothing else, and what a scroll leaves to paint (the rows it
  // uncovered, the rows whose look changed) is often far less than its bounds.
  HRGN Clip = CreateRectRgn(0, 0, 0, 0);
  GetUpdateRgn(Wnd, Clip, false);
  TPaintStruct PS;
  HDC DC = BeginPaint(Wnd, PS);
  if (!DC) {
    DeleteObject(Clip);
    EndPaint(Wnd, PS);
    return;
  }
  const Integer Width = GetClientWidth(), Height = GetClientHeight();
  // The bitmap is kept between paints: every pixel inside the clip is painted
  // anew, and a new bitmap of the window's size per paint costs as much as
  // painting the cells.
  if (!FPaintBitmap) FPaintBitmap = std::make_unique<TBitmap>();
  FPaintBitmap->SetSize(std::max(1, Width), std::max(1, Height));
  HDC MemDC = CreateCompatibleDC(DC);
  HGDIOBJ OldBitmap = SelectObject(MemDC, FPaintBitmap->GetHandle());
  TScopeExitEh Cleanup([&] {
    DeleteObject(Clip);
    SelectObject(MemDC, OldBitmap);
    DeleteDC(MemDC);
  });
  BufferedPaintHookEh(MemDC);
  Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(MemDC), reinterpret_cast<LPARAM>(MemDC));
  SelectClipRgn(MemDC, Clip);
  Message.WParam = reinterpret_cast<WPARAM>(MemDC);
  WMPaint(Message);
  Message.WParam = 0;
  BitBlt(DC, 0, 0, Width, Height, MemDC, 0, 0, SRCCOPY);
  EndPaint(Wnd, PS);
}

// Every pixel of the client area is the grid's own: nothing to erase first.
void TCustomDBGridEh::WMEraseBkgnd(TMessage& Message) { Message.Result = 1; }

void TCustomDBGridEh::Paint() {
  TCustomGridEh::Paint();
  if (IsPaintLocked() || !RowFocusRectVisible()) return;
  const TGridRect Sel = TCustomGridEh::GetSelection();
  const TRect R = BoxRect(Sel.Left, Sel.Top, Sel.Right, Sel.Bottom);
  if (!R.IsEmpty()) GetCanvas()->DrawFocusRect(R);
}

TBitmap* TCustomDBGridEh::CellButtonBitmap(Integer Width, Integer Height) {
  if (!FButtonBitmap) FButtonBitmap = std::make_unique<TBitmap>();
  if (FButtonBitmap->GetWidth() < Width || FButtonBitmap->GetHeight() < Height)
    FButtonBitmap->SetSize(std::max(FButtonBitmap->GetWidth(), Width), std::max(FButtonBitmap->GetHeight(), Height));
  return FButtonBitmap.get();
}

// ---- The border ------------------------------------------------------------------------------------------

void TCustomDBGridEh::WMNCPaint(TMessage& Message) {
  TCustomGridEh::Dispatch(Message);
  PaintNonClientArea();
}

// A flat grid with a single border shows a thin sunken edge instead of the deep one.
void TCustomDBGridEh::PaintNonClientArea() {
  if (!GetFlat() || GetBorderStyle() != bsSingle || !GetCtl3D() || !HandleAllocated()) return;
  HWND Wnd = GetHandle();
  HDC DC = GetWindowDC(Wnd);
  if (!DC) return;
  TScopeExitEh Release([&] { ReleaseDC(Wnd, DC); });
  const TRect Window = GetWindowRect(Wnd);
  const TRect Client = GetClientRectInWindow(Wnd);
  TRect R(0, 0, Window.Width(), Window.Height());
  DrawEdge(DC, R, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
  HBRUSH Brush = CreateSolidBrush(COLORREF(ColorToRGB(GetColor())));
  if (R.Left < Client.Left) FrameRect(DC, R, Brush);
  DeleteObject(Brush);
  const DWORD Style = DWORD(GetWindowLong(Wnd, GWL_STYLE));
  if ((Style & WS_HSCROLL) && (Style & WS_VSCROLL)) {
    const TRect Corner(Client.Right, Client.Bottom, Client.Right + GetSystemMetrics(SM_CXVSCROLL),
                       Client.Bottom + GetSystemMetrics(SM_CYHSCROLL));
    HBRUSH Face = GetSysColorBrush(COLOR_BTNFACE);
    FrameRect(DC, Corner, Face);
  }
}

// ---- The tree area ---------------------------------------------------------------------------------------

bool TCustomDBGridEh::TreeShown() const { return FIntMemTable && FDataLink->GetActive() && FIntMemTable->IsTreeList(); }

Integer TCustomDBGridEh::TreeAreaWidth() {
  if (!TreeShown()) return 0;
  return std::max(0, GridTreeIndentEh * FIntMemTable->GetTreeNodeLevel());
}

bool TCustomDBGridEh::EditorCoversTreeArea(TColumnEh* Column) {
  if (!Column || !TreeShown() || FVisibleColumns->Count() == 0 || FVisibleColumns->Items(0) != Column) return false;
  return !(RowDetailPanelPainted() && !RowPanelPainted());
}

void TCustomDBGridEh::DrawTreeElement(TCanvas* Canvas, const TRect& ARect, Integer Kind, bool RightToLeft) {
  TRect R = ARect;
  // The connectors run on over the line under the row.
  if (FOptions.Contains(dgRowLines)) R.Bottom += GetGridLineWidth();
  // The dots keep their place on the rows when the rows scroll by an odd number of pixels.
  const Int64 Scrolled = GetRowsExtent(GetFixedRows(), GetTopRow()) + GetTopLeftOffset().Y;
  const bool DotPhase = (Scrolled & 1) != 0;
  if (!CopyTreeElement(Canvas, R, Kind, DotPhase, RightToLeft)) {
    Canvas->FillRect(R);
    DrawTreeElementEh(Canvas, R, Kind, DotPhase, 1.0, 1.0, RightToLeft);
  }
  GdiRecordNote(Canvas->GetHandle(), u"tree element", R, Kind);
}

bool TCustomDBGridEh::CopyTreeElement(TCanvas* Canvas, const TRect& ARect, Integer Kind, bool DotPhase,
                                      bool RightToLeft) {
  constexpr Integer MaxImages = 64;
  if (ARect.IsEmpty() || ARect.Width() > 4 * GridTreeIndentEh || ARect.Height() > 512) return false;
  TBrush* Brush = Canvas->GetBrush();
  TPen* Pen = Canvas->GetPen();
  if (Brush->GetStyle() != bsSolid || Pen->GetMode() != pmCopy || Pen->GetWidth() > 1) return false;
  HDC DC = Canvas->GetHandle();
  // On the mirrored canvas of a right-to-left grid the element is copied
  // turned round, so that it shows as the left-to-right one mirrored.
  TRect Device = ARect;
  WindowsLPtoDPEh(DC, Device);
  const bool Mirrored = RightToLeft && Device.Left > Device.Right;
  if (GetMapMode(DC) != MM_TEXT && !Mirrored) return false;
  // The dots follow the parity of the canvas coordinates: the image keeps it.
  const Integer W = ARect.Width(), H = ARect.Height(), OddX = ARect.Left & 1, OddY = ARect.Top & 1;
  const TColor Background = ColorToRGB(Brush->GetColor()), Shadow = ColorToRGB(clBtnShadow),
               Window = ColorToRGB(clWindow), Text = ColorToRGB(clWindowText);
  TTreeElementImageEh* Image = nullptr;
  for (TTreeElementImageEh& I : FTreeElementImages)
    if (I.Kind == Kind && I.Width == W && I.Height == H && I.OddX == OddX && I.OddY == OddY && I.DotPhase == DotPhase &&
        I.Background == Background && I.Shadow == Shadow && I.Window == Window && I.Text == Text) {
      Image = &I;
      break;
    }
  if (!Image) {
    if (Integer(FTreeElementImages.size()) >= MaxImages) FTreeElementImages.clear();
    auto Bitmap = std::make_unique<TBitmap>();
    Bitmap->SetSize(W + OddX, H + OddY);
    TCanvas* C = Bitmap->GetCanvas();
    C->GetBrush()->SetStyle(bsSolid);
    C->GetBrush()->SetColor(Background);
    C->GetPen()->SetMode(pmCopy);
    C->GetPen()->SetWidth(1);
    const TRect At(OddX, OddY, OddX + W, OddY + H);
    C->FillRect(At);
    DrawTreeElementEh(C, At, Kind, DotPhase, 1.0, 1.0, false);
    FTreeElementImages.push_back(TTreeElementImageEh{
        Kind, W, H, OddX, OddY, DotPhase, Background, Shadow, Window, Text, std::move(Bitmap), C->GetPen()->GetColor(),
        C->GetBrush()->GetColor(), C->GetPen()->GetStyle(), C->GetBrush()->GetStyle()});
    Image = &FTreeElementImages.back();
  }
  if (Mirrored)
    StretchBlt(DC, ARect.Left, ARect.Top, W, H, Image->Bitmap->GetCanvas()->GetHandle(), OddX + W, OddY, -W, H,
               SRCCOPY);
  else BitBlt(DC, ARect.Left, ARect.Top, W, H, Image->Bitmap->GetCanvas()->GetHandle(), OddX, OddY, SRCCOPY);
  // The canvas is left as the drawing would have left it.
  Pen->SetColor(Image->PenColor);
  Pen->SetStyle(Image->PenStyle);
  if (Image->BrushColor != Background) Brush->SetColor(Image->BrushColor);
  Brush->SetStyle(Image->BrushStyle);
  return true;
}

void TCustomDBGridEh::DrawTreeLines(TCanvas* Canvas, const TRect& ARect, bool RowLines, bool BandOnly) {
  const Integer Level = FIntMemTable ? FIntMemTable->GetTreeNodeLevel() : 0;
  if (Level < 1) return;
  const bool RightToLeft = UseRightToLeftAlignment();
  TRect Box(ARect.Left, ARect.Top, ARect.Left + GridTreeIndentEh, ARect.Bottom);
  for (Integer L = 1; L < Level; ++L, OffsetRect(Box, GridTreeIndentEh, 0)) {
    if (FIntMemTable->ParentHasNextSibling(L)) {
      DrawTreeElement(Canvas, Box, 11, RightToLeft);
    } else {
      TRect Fill = Box;
      if (FOptions.Contains(dgRowLines)) Fill.Bottom += GetGridLineWidth();
      Canvas->FillRect(Fill);
    }
  }
  const bool Last = !FIntMemTable->ParentHasNextSibling(Level);
  Integer Kind = 0;
  if (!FIntMemTable->GetTreeNodeHasChildren()) Kind = Last ? 9 : 8;
  else if (FIntMemTable->GetTreeNodeExpanded()) Kind = Last ? 1 : 0;
  else Kind = Last ? 5 : 4;
  if (BandOnly) {
    // Under the row's data only the line to a next sibling goes on.
    if (Kind == 0 || Kind == 4 || Kind == 8) DrawTreeElement(Canvas, Box, 11, RightToLeft);
  } else {
    DrawTreeElement(Canvas, Box, Kind, RightToLeft);
  }
  if (RowLines && FOptions.Contains(dgRowLines) && GetGridLineWidth() > 0) {
    const TColor Saved = Canvas->GetBrush()->GetColor();
    Canvas->GetBrush()->SetColor(GetGridLineColors()->GetBrightColor());
    Canvas->FillRect(TRect(ARect.Left, ARect.Bottom, ARect.Left + GridTreeIndentEh, ARect.Bottom + GetGridLineWidth()));
    Canvas->GetBrush()->SetColor(Saved);
  }
}

void TCustomDBGridEh::DrawTreeCellArea(TCanvas* Canvas, const TRect& ARect, bool /*HasDetailPanel*/) {
  if (!TreeShown()) return;
  TBrush* Brush = Canvas->GetBrush();
  const TColor Saved = Brush->GetColor();
  Brush->SetColor(GetColor());
  // Levels deeper than the column is wide stay inside the cell.
  const bool Narrow = TreeAreaWidth() > ARect.Width();
  TSavedClipEh Clip;
  if (Narrow) SaveAndIntersectClipEh(Canvas, TRect(ARect.Left, ARect.Top, ARect.Right, ARect.Bottom + 1), Clip);
  DrawTreeLines(Canvas, ARect, true, false);
  if (Narrow) RestoreClipEh(Canvas, Clip);
  Brush->SetColor(Saved);
}
