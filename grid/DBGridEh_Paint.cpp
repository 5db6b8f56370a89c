// Cell painting: each cell goes to the painter of its area (title, indicator,
// data, footer). Titles show their captions, data cells their columns' display
// text read from the cell's own row, in the column's colour and alignment.

#include "grid/DBGridEh.h"
#include "grid/ScopeGuardEh.h"

namespace {

UINT AlignmentFlags(TAlignment Alignment) {
  switch (Alignment) {
    case taRightJustify: return DT_RIGHT;
    case taCenter: return DT_CENTER;
    default: return DT_LEFT;
  }
}

void WriteCellText(TCanvas* Canvas, const TRect& Rect, const String& Text, TAlignment Alignment) {
  TRect R(Rect.Left + 2, Rect.Top + 2, Rect.Right - 2, Rect.Bottom);
  DrawText(Canvas->GetHandle(), Text, Integer(Text.size()), R,
           DT_NOPREFIX | DT_SINGLELINE | DT_END_ELLIPSIS | AlignmentFlags(Alignment));
}

}  // namespace

void TCustomDBGridEh::DrawCell(Integer ACol, Integer ARow, const TRect& ARect, TGridDrawState AState) {
  Integer DataCol = 0, DataRow = 0;
  const TCellTypeEh Type = GetCellType(ACol, ARow, DataCol, DataRow);
  TCanvas* Canvas = GetCanvas();
  TColumnEh* Column =
      Type.Horz == cahDataEh && DataCol < FColumns->GetCount() ? FColumns->Items(DataCol) : nullptr;
  if (Type.Horz == cahIndicatorEh || !Column) {
    Canvas->GetBrush()->SetColor(GetFixedColor());
    Canvas->FillRect(ARect);
    return;
  }
  switch (Type.Vert) {
    case cavTitleEh:
      Canvas->SetFont(Column->GetTitle()->GetFont());
      Canvas->GetBrush()->SetColor(Column->GetTitle()->GetColor());
      Canvas->FillRect(ARect);
      WriteCellText(Canvas, ARect, Column->GetTitle()->GetCaption(), Column->GetTitle()->GetAlignment());
      return;
    case cavSubTitleEh:
      Canvas->GetBrush()->SetColor(BlendColorsEh(clWindow, GetFixedColor(), 8));
      Canvas->FillRect(ARect);
      return;
    case cavFooterEh:
      Canvas->GetBrush()->SetColor(Column->GetFooterForRow(DataRow)->GetColor());
      Canvas->FillRect(ARect);
      return;
    case cavDataEh: break;
  }
  Canvas->SetFont(Column->GetFont());
  TColor Background = Column->GetColor();
  if (AState.Contains(gdSelected) || (ARow == GetRow() && ACol == GetCol() && GridFocused())) {
    Background = clHighlight;
    Canvas->GetFont()->SetColor(clHighlightText);
  }
  Canvas->GetBrush()->SetColor(Background);
  Canvas->FillRect(ARect);
  if (!BeginReadRow(DataRow)) return;
  TScopeExitEh LeaveRow([this] { EndReadRow(); });
  WriteCellText(Canvas, ARect, Column->GetDisplayText(), Column->GetAlignment());
}
