// The row detail panel and the row panel.
//
// The row detail panel is a window the grid opens under the current row, between
// it and the next row, for the application's own controls; each data row then
// starts with an 18-pixel box whose button opens and closes it. A click on the
// box (RowDetailButtonPress) or the application sets Visible; SetVisible asks
// OnRowDetailPanelShow / OnRowDetailPanelHide, stores the state and places the
// window (PlacePanel), which also makes the current row tall enough to hold the
// panel; moving to another record closes it first.
//
// The row panel lays a record's columns out as cells over several lines. The
// base grid then has a single data column: each grid row (title, filter row,
// record, footer) is one panel, as high as its lines. The layout pass
// (RowPanelLayout) gives every column its cell; DrawRowPanelCell paints a row's
// cells through the ordinary cell painters; the grid keeps the current column
// inside the panel (FRowPanelColIndex) and a horizontal offset that keeps the
// current cell in view; the horizontal scroll bar moves that offset too (the
// base grid's pixel scrolling asks GetOwnHorzPixels / SetOwnHorzPixelPos). The
// title panel's cell edges size the columns (through the base grid's sizing
// line, released in RowPanelSizingRelease), and a title dragged by the mouse
// moves its column to another place in the panel, scrolling it on each move
// and each tick of the tracking timer past an edge.

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "grid/DBGridEh.h"
#include "grid/ScopeGuardEh.h"

// ---- Settings ---------------------------------------------------------------------------------------

void TRowDetailPanelEh::SetActive(bool Value) {
  if (FActive == Value) return;
  if (!Value) SetVisible(false);
  FActive = Value;
  PlacePanel();
  FGrid->LayoutChanged();
  FGrid->Invalidate();
}

void TRowDetailPanelEh::SetVisible(bool Value) {
  if (FVisible == Value) return;
  const bool Destroying = FGrid->GetComponentState().Contains(csDestroying);
  // Opening needs an active link over a dataset with records; closing is allowed at first.
  TDataSet* DataSet = FGrid->GetDataLink()->GetDataSet();
  bool Allowed = !Value || (FActive && FGrid->GetDataLink()->GetActive() && DataSet && !DataSet->IsEmpty());
  if (Allowed && !Destroying) {
    if (Value && FGrid->OnRowDetailPanelShow) FGrid->OnRowDetailPanelShow(FGrid, Allowed);
    if (!Value && FGrid->OnRowDetailPanelHide) FGrid->OnRowDetailPanelHide(FGrid, Allowed);
  }
  if (!Allowed) return;
  FVisible = Value;
  if (Destroying) return;
  FGrid->SetDataRowHeight(FGrid->GetRow());
  if (Value) ScrollCurrentRowIntoView();
  PlacePanel();
  FGrid->InvalidateEditor();
  FGrid->Invalidate();
  if (!Value && FGrid->CanFocus()) FGrid->SetFocus();
}

void TRowDetailPanelEh::SetWidth(Integer Value) {
  if (FWidth == Value) return;
  FWidth = Value;
  PlacePanel();
}

void TRowDetailPanelEh::SetHeight(Integer Value) {
  if (FHeight == Value) return;
  FHeight = Value;
  if (FVisible) FGrid->SetDataRowHeight(FGrid->GetRow());
  PlacePanel();
}

void TRowDetailPanelEh::SetBevelEdges(TBevelEdges Value) {
  if (FBevelEdges == Value) return;
  FBevelEdges = Value;
  PlacePanel();
}

void TRowDetailPanelEh::SetBevelInner(TBevelCut Value) {
  if (FBevelInner == Value) return;
  FBevelInner = Value;
  PlacePanel();
}

void TRowDetailPanelEh::SetBevelOuter(TBevelCut Value) {
  if (FBevelOuter == Value) return;
  FBevelOuter = Value;
  PlacePanel();
}

void TRowDetailPanelEh::SetBevelKind(TBevelKind Value) {
  if (FBevelKind == Value) return;
  FBevelKind = Value;
  PlacePanel();
}

void TRowDetailPanelEh::SetBevelWidth(Integer Value) {
  Value = std::max(1, Value);
  if (FBevelWidth == Value) return;
  FBevelWidth = Value;
  PlacePanel();
}

void TRowDetailPanelEh::SetBorderStyle(TBorderStyle Value) {
  if (FBorderStyle == Value) return;
  FBorderStyle = Value;
  PlacePanel();
}

TColor TRowDetailPanelEh::GetColor() const { return FParentColor ? FGrid->GetColor() : FColor; }

void TRowDetailPanelEh::SetColor(TColor Value) {
  FParentColor = false;
  if (FColor == Value) return;
  FColor = Value;
  PlacePanel();
}

void TRowDetailPanelEh::SetParentColor(bool Value) {
  if (FParentColor == Value) return;
  FParentColor = Value;
  PlacePanel();
}

// ---- Placing the window -------------------------------------------------------------------------------
//
// The panel starts right of the detail box of the first column's unscrolled
// place (after the indicator and the group boxes) and under the current row's
// data part. The grid places it again whenever the rows scroll, the window is
// sized or the data area changes (TopLeftChanged, RefreshAfterResize, SyncActiveRow).

void TRowDetailPanelEh::PlacePanel() {
  TRowDetailPanelControlEh* Panel = FGrid->GetRowDetailPanelControl();
  if (!Panel || !FGrid->HandleAllocated()) return;
  if (!FActive || !FVisible) {
    Panel->SetVisible(false);
    return;
  }
  const Integer Row = FGrid->GetRow();
  if (Row < FGrid->GetTopRow() || Row < FGrid->GetTitleRowCount() || FGrid->GetVisibleColumns()->Count() == 0) {
    Panel->SetVisible(false);
    return;
  }
  const TRect RowRect = FGrid->CellRect(FGrid->GetFixedCols() > 0 ? 0 : FGrid->GetLeftCol(), Row);
  if (RowRect.IsEmpty()) {
    Panel->SetVisible(false);
    return;
  }
  const Integer ClientW = FGrid->GetClientWidth(), ClientH = FGrid->GetClientHeight();
  const Integer Top = RowRect.Top + FGrid->GetDataRowHeightValue();
  const Integer LineWidth = FGrid->GetOptions().Contains(dgColLines) ? FGrid->GetGridLineWidth() : 0;
  const Integer IndicatorRight = FGrid->GetIndicatorOffset() > 0 ? FGrid->GetColWidths(0) + LineWidth : 0;
  const Integer Left = IndicatorRight + FGrid->FirstColumnIndent() + DetailBoxWidthEh;
  Integer Width = FWidth > 0 && Left + FWidth <= ClientW ? FWidth
                  : FWidth > 0                           ? ClientW - Left
                                                         : ClientW - Left - FGrid->GetGridLineWidth();
  Integer Height = FHeight > 0 && Top + FHeight <= ClientH ? FHeight : ClientH - Top;
  Panel->SetBorderStyle(FBorderStyle);
  Panel->SetBevel(FBevelEdges, FBevelInner, FBevelOuter, FBevelKind, FBevelWidth);
  Panel->SetColor(GetColor());
  Width = std::max(0, Width);
  // Right-to-left, the panel stands at the mirror, from the box's edge leftwards.
  const Integer PanelLeft = FGrid->UseRightToLeftAlignment() ? ClientW - Left - Width : Left;
  Panel->SetBounds(PanelLeft, Top, Width, std::max(0, Height));
  Panel->SetVisible(true);
}

// Rows of the table scroll up until the grown row ends inside the data area;
// a row taller than the area becomes the top row.
void TRowDetailPanelEh::ScrollCurrentRowIntoView() {
  if (!FGrid->HandleAllocated() || !FGrid->RowScrollMode()) return;
  TGridDrawInfoEh DrawInfo;
  FGrid->CalcDrawInfo(DrawInfo);
  const TGridAxisDrawInfoEh& V = DrawInfo.Vert;
  const Integer Row = FGrid->GetRow();
  if (Row <= V.LastFullVisibleCell || Row < FGrid->GetTopRow()) return;
  Integer Top = Row;
  Integer Line = V.GridExtent + V.EffectiveLineWidth - FGrid->GetRowHeights(Row) - V.EffectiveLineWidth;
  for (Integer R = Row - 1; R >= FGrid->GetTopRow(); --R) {
    Line -= FGrid->GetRowHeights(R) + V.EffectiveLineWidth;
    if (Line < V.FixedBoundary) break;
    Top = R;
  }
  if (Top > FGrid->GetTopRow()) FGrid->MoveTopLeft(FGrid->GetLeftCol(), Top);
}

bool TCustomDBGridEh::RowDetailPanelPainted() const { return FRowDetailPanel && FRowDetailPanel->GetActive(); }

// ---- The expand box ---------------------------------------------------------------------------------------

Integer TCustomDBGridEh::DrawRowDetailButton(const TRect& ARect, Integer DataRow, bool HasPanel) {
  TCanvas* Canvas = GetCanvas();
  const TRect Box(ARect.Left, ARect.Top, std::min(ARect.Right, ARect.Left + DetailBoxWidthEh), ARect.Bottom);
  Canvas->GetBrush()->SetStyle(bsSolid);
  Canvas->GetBrush()->SetColor(GetColor());
  Canvas->FillRect(Box);
  if (HasPanel) {
    const bool Open = FRowDetailPanel->GetVisible() && IsCurrentDataRow(DataRow);
    const Integer Size = std::min(Box.Height(), GetDataRowHeightValue());
    DrawTreeElementEh(Canvas, TRect(Box.Left, Box.Top, Box.Right, Box.Top + Size), Open ? 3 : 7, false, 1.0, 1.0,
                      false);
  }
  return Box.Width();
}

bool TCustomDBGridEh::RowDetailButtonPress(Integer X, TGridCoord Cell) {
  if (!RowDetailPanelPainted() || FVisibleColumns->Count() == 0) return false;
  if (Cell.X != DataToRawColumn(FVisibleColumns->Items(0)->GetIndex()) || Cell.Y < GetTitleRowCount()) return false;
  const TRect R = LogicalCellRect(Cell.X, Cell.Y);
  const Integer DataRow = Cell.Y - GetTitleRowCount();
  // The box stands where the cell's painting put it: after the row's tree area.
  Integer Tree = 0;
  if (TreeShown() && BeginReadRow(DataRow)) {
    TScopeExitEh Leave([this] { EndReadRow(); });
    Tree = std::min(TreeAreaWidth(), R.Width());
  }
  const Integer Left = R.Left + FirstColumnIndent() + Tree;
  X = LogicalX(X);
  if (X < Left || X >= Left + DetailBoxWidthEh) return false;
  if (!IsCurrentDataRow(DataRow)) {
    MoveByRows(Cell.Y - GetRow());
    if (!IsCurrentDataRow(DataRow)) return true;
  }
  FRowDetailPanel->SetVisible(!FRowDetailPanel->GetVisible());
  return true;
}

// ---- The panel's window --------------------------------------------------------------------------------

TRowDetailPanelControlEh::TRowDetailPanelControlEh(TComponent* AOwner) : TCustomControl(AOwner) {
  FControlStyle =
      TControlStyle{csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks, csReplicatable};
  SetBounds(0, 0, 185, 41);
}

void TRowDetailPanelControlEh::CreateParams(TCreateParams& Params) {
  TCustomControl::CreateParams(Params);
  if (FBorderStyle != bsSingle) return;
  if (GetCtl3D()) Params.ExStyle |= WS_EX_CLIENTEDGE;
  else Params.Style |= WS_BORDER;
}

void TRowDetailPanelControlEh::SetBorderStyle(TBorderStyle Value) {
  if (FBorderStyle == Value) return;
  FBorderStyle = Value;
  RecreateWnd();
}

void TRowDetailPanelControlEh::SetBevel(TBevelEdges Edges, TBevelCut Inner, TBevelCut Outer, TBevelKind Kind,
                                        Integer Width) {
  if (FBevelEdges == Edges && FBevelInner == Inner && FBevelOuter == Outer && FBevelKind == Kind &&
      FBevelWidth == Width)
    return;
  FBevelEdges = Edges;
  FBevelInner = Inner;
  FBevelOuter = Outer;
  FBevelKind = Kind;
  FBevelWidth = Width;
  if (HandleAllocated())
    SetWindowPos(GetHandle(), nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

// The pixels the bevel takes on each of its edges.
Integer TRowDetailPanelControlEh::BevelSize() const {
  if (FBevelKind == bkNone) return 0;
  return (FBevelInner != bvNone ? FBevelWidth : 0) + (FBevelOuter != bvNone ? FBevelWidth : 0);
}

void TRowDetailPanelControlEh::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CM_CHILDKEY:
      // Ctrl+Up in any control of the panel goes back to the grid.
      if (Message.WParam == VK_UP && GetKeyState(VK_CONTROL) < 0 && !GetComponentState().Contains(csDesigning)) {
        if (auto* Grid = dynamic_cast<TCustomDBGridEh*>(GetParent()); Grid && Grid->CanFocus()) {
          Grid->SetFocus();
          Message.Result = 1;
          return;
        }
      }
      return TCustomControl::Dispatch(Message);
    case CM_CTL3DCHANGED:
      TCustomControl::Dispatch(Message);
      if (FBorderStyle == bsSingle) RecreateWnd();
      return;
    case WM_NCCALCSIZE: {
      TCustomControl::Dispatch(Message);
      const Integer Size = BevelSize();
      if (Size == 0 || !Message.LParam) return;
      TRect& R = reinterpret_cast<TNCCalcSizeParams*>(Message.LParam)->rgrc[0];
      if (FBevelEdges.Contains(beLeft)) R.Left += Size;
      if (FBevelEdges.Contains(beTop)) R.Top += Size;
      if (FBevelEdges.Contains(beRight)) R.Right -= Size;
      if (FBevelEdges.Contains(beBottom)) R.Bottom -= Size;
      if (R.Right < R.Left) R.Right = R.Left;
      if (R.Bottom < R.Top) R.Bottom = R.Top;
      return;
    }
    case WM_NCPAINT: {
      TCustomControl::Dispatch(Message);
      if (BevelSize() == 0 || !HandleAllocated()) return;
      HWND Wnd = GetHandle();
      HDC DC = GetWindowDC(Wnd);
      if (!DC) return;
      TScopeExitEh Release([&] { ReleaseDC(Wnd, DC); });
      // The bevel lies between the border and the client area.
      const TRect Client = GetClientRectInWindow(Wnd);
      const Integer Size = BevelSize();
      TRect R(Client.Left - (FBevelEdges.Contains(beLeft) ? Size : 0),
              Client.Top - (FBevelEdges.Contains(beTop) ? Size : 0),
              Client.Right + (FBevelEdges.Contains(beRight) ? Size : 0),
              Client.Bottom + (FBevelEdges.Contains(beBottom) ? Size : 0));
      UINT Sides = 0;
      if (FBevelEdges.Contains(beLeft)) Sides |= BF_LEFT;
      if (FBevelEdges.Contains(beTop)) Sides |= BF_TOP;
      if (FBevelEdges.Contains(beRight)) Sides |= BF_RIGHT;
      if (FBevelEdges.Contains(beBottom)) Sides |= BF_BOTTOM;
      const UINT Look = FBevelKind == bkFlat ? UINT(BF_FLAT) : FBevelKind == bkSoft ? UINT(BF_SOFT) : 0u;
      auto Cut = [&](TBevelCut Value, UINT Raised, UINT Sunken) {
        if (Value == bvNone) return;
        for (Integer I = 0; I < FBevelWidth; ++I) {
          if (Value == bvSpace) {
            HBRUSH Brush = CreateSolidBrush(COLORREF(ColorToRGB(GetColor())));
            FrameRect(DC, R, Brush);
            DeleteObject(Brush);
            InflateRect(R, -1, -1);
          } else {
            DrawEdge(DC, R, Value == bvRaised ? Raised : Sunken, Sides | Look | BF_ADJUST);
          }
        }
      };
      Cut(FBevelOuter, BDR_RAISEDOUTER, BDR_SUNKENOUTER);
      Cut(FBevelInner, BDR_RAISEDINNER, BDR_SUNKENINNER);
      return;
    }
    default: return TCustomControl::Dispatch(Message);
  }
}

// ---- The row panel's layout ----------------------------------------------------------------------------
//
// Each column stands on panel lines InRowLinePos .. InRowLinePos + InRowLineHeight - 1,
// right of whatever stands already on the fullest of those lines.

Integer TCustomDBGridEh::RowPanelLineCount() const {
  Integer Lines = 1;
  for (Integer I = 0; I < FColumns->GetCount(); ++I) {
    TColumnEh* Column = FColumns->Items(I);
    if (Column->GetVisible()) Lines = std::max(Lines, Column->GetInRowLinePos() + Column->GetInRowLineHeight());
  }
  return Lines;
}

void TCustomDBGridEh::RowPanelLayout() {
  const Integer LineWidth = GetGridLineWidth();
  const Integer LineHeight = (FRowPanelLineHeight > 0 ? FRowPanelLineHeight : GetDataRowHeightValue()) + LineWidth;
  const Integer TitleLine =
      (FRowPanelTitleLineHeight > 0 ? FRowPanelTitleLineHeight : GetDataRowHeightValue()) + LineWidth;
  const Integer Indent = GroupedRows() ? FDataGrouping->GetActiveGroupLevelsCount() * 18 : 0;
  std::vector<Integer> Fill;
  Integer Width = 0, Height = 0;
  for (Integer I = 0; I < FColumns->GetCount(); ++I) {
    TColumnEh* Column = FColumns->Items(I);
    const Integer First = Column->GetInRowLinePos(), Last = First + Column->GetInRowLineHeight() - 1;
    if (Integer(Fill.size()) <= Last) Fill.resize(size_t(Last) + 1, 0);
    Integer Left = 0;
    for (Integer L = First; L <= Last; ++L) Left = std::max(Left, Fill[size_t(L)]);
    const bool Visible = Column->GetVisible();
    const Integer CellWidth = Visible ? Column->GetWidth() : 0;
    TRect Cell(Left, First * LineHeight, Left + CellWidth,
               First * LineHeight + Column->GetInRowLineHeight() * LineHeight - 1);
    TRect Title(Left, First * TitleLine, Cell.Right, First * TitleLine + Column->GetInRowLineHeight() * TitleLine - 1);
    if (Left == 0 && Indent > 0) {
      Cell.Right += Indent;
      Title.Left += Indent;
      Title.Right += Indent;
    }
    Column->SetRowPanelRects(Cell, Title);
    for (Integer L = First; L <= Last; ++L) Fill[size_t(L)] = Visible ? Left + CellWidth + LineWidth : Left;
    if (Visible) {
      Width = std::max(Width, Left + Column->GetWidth());
      Height = std::max(Height, Cell.Bottom);
    }
  }
  FRowPanelWidth = Width;
  FRowPanelHeight = std::max(Height, GetDataRowHeightValue());
}

void TCustomDBGridEh::ResizeRowPanel(Integer NewWidth) {
  const Integer OldWidth = FRowPanelWidth;
  if (OldWidth <= 0 || NewWidth <= 0) return;
  const Integer LineWidth = GetGridLineWidth();
  const double Scale = double(NewWidth) / double(OldWidth);
  std::vector<std::pair<TColumnEh*, Integer>> Widths;
  for (Integer I = 0; I < FColumns->GetCount(); ++I) {
    TColumnEh* Column = FColumns->Items(I);
    if (!Column->GetVisible()) continue;
    const Integer Left = Column->GetRowPanelRect().Left;
    const Integer Right = Integer(std::lround((Left + Column->GetWidth() + LineWidth) * Scale));
    Widths.emplace_back(Column, Right - Integer(std::lround(Left * Scale)) - LineWidth);
  }
  for (auto& [Column, W] : Widths) Column->SetWidth(std::max(0, W));
  RowPanelLayout();
}

// The one grid column of the panels is as wide as the data area of the window;
// without a window, as wide as the panel.
void TCustomDBGridEh::SetRowPanelColumnAttributes() {
  if (FIndicatorOffset > 0) {
    if (GetColWidths(0) != FIndicatorWidth) SetColWidths(0, FIndicatorWidth);
    SetTabStops(0, false);
  }
  const Integer Raw = FIndicatorOffset;
  if (Raw >= GetFullColCount()) return;
  SetTabStops(Raw, true);
  const Integer LineWidth = FOptions.Contains(dgColLines) ? GetGridLineWidth() : 0;
  Integer Width = std::max(1, FRowPanelWidth);
  if (HandleAllocated() && GetClientWidth() > 0)
    Width = std::max(1, GetClientWidth() - (FIndicatorOffset > 0 ? FIndicatorWidth + LineWidth : 0) - LineWidth);
  if (GetColWidths(Raw) != Width) SetColWidths(Raw, Width);
  if (TColumnEh* Column = GetCurrentColumn()) RowPanelScrollToColumn(Column);
}

void TCustomDBGridEh::FitRowPanelToClient() {
  if (!HandleAllocated()) return;
  const Integer Width = GetClientWidth() - (IndicatorVisible() ? FIndicatorWidth : 0) - 1;
  if (Width > 0 && Width != FRowPanelWidth) ResizeRowPanel(Width);
}

// ---- Cells of a panel ----------------------------------------------------------------------------------

TRect TCustomDBGridEh::RowPanelCellRect(TColumnEh* Column, const TRect& RowRect, bool Title) const {
  TRect R = Title ? Column->GetRowPanelTitleRect() : Column->GetRowPanelRect();
  const Integer DX = RowRect.Left - FRowPanelLeftOffset;
  R = TRect(R.Left + DX, R.Top + RowRect.Top, R.Right + DX, R.Bottom + RowRect.Top);
  if (UseRightToLeftAlignment() && !IsCanvasMirrored()) {
    // Mirrored inside the row: the panel starts at the row's right edge (a
    // mirrored canvas turns the row round itself while painting).
    const Integer Left = RowRect.Left + RowRect.Right - R.Right, Right = RowRect.Left + RowRect.Right - R.Left;
    R.Left = Left;
    R.Right = Right;
  }
  return R;
}

TColumnEh* TCustomDBGridEh::RowPanelColumnAt(const TRect& RowRect, Integer X, Integer Y, bool Title) const {
  if (X < RowRect.Left || X >= RowRect.Right) return nullptr;
  for (Integer I = 0; I < FVisibleColumns->Count(); ++I) {
    TColumnEh* Column = FVisibleColumns->Items(I);
    const TRect R = RowPanelCellRect(Column, RowRect, Title);
    if (X >= R.Left && X < R.Right && Y >= R.Top && Y < R.Bottom) return Column;
  }
  return nullptr;
}

bool TCustomDBGridEh::RowPanelPainted() const { return FRowPanel->GetActive(); }

// One grid row painted as a panel: the gaps in the area's colour, then each
// visible column's cell through the area's own painter, with its right and
// bottom lines. Only the current column's cell keeps the selected and focused states.
void TCustomDBGridEh::DrawRowPanelCell(Integer ACol, Integer ARow, Integer DataRow, const TRect& ARect,
                                       TGridDrawState State, TCellTypeEh CellType) {
  TCanvas* Canvas = GetCanvas();
  HDC DC = Canvas->GetHandle();
  const bool Title = CellType.Vert == cavTitleEh;
  const TColor Gap = CellType.Vert == cavDataEh     ? GetColor()
                     : CellType.Vert == cavFooterEh ? GetFooterColor()
                                                    : GetFixedColor();
  Canvas->GetBrush()->SetStyle(bsSolid);
  Canvas->GetBrush()->SetColor(Gap);
  Canvas->FillRect(ARect);
  const Integer Saved = SaveDC(DC);
  TScopeExitEh Restore([DC, Saved] { RestoreDC(DC, Saved); });
  IntersectClipRect(DC, ARect.Left, ARect.Top, ARect.Right, ARect.Bottom);
  const TColor LineColor = Title || CellType.Vert == cavSubTitleEh ? GetGridLineColors()->GetDarkColor()
                                                                   : GetGridLineColors()->GetCellLineColor(ACol, ARow);
  const bool ColLines = FOptions.Contains(dgColLines), RowLines = FOptions.Contains(dgRowLines);
  const Integer Current = GetSelectedIndex();
  for (Integer I = 0; I < FVisibleColumns->Count(); ++I) {
    TColumnEh* Column = FVisibleColumns->Items(I);
    const TRect R = RowPanelCellRect(Column, ARect, Title);
    if (R.IsEmpty() || R.Right <= ARect.Left || R.Left >= ARect.Right) continue;
    TGridDrawState CellState = State;
    if (Column->GetIndex() != Current) {
      CellState.Exclude(gdSelected);
      CellState.Exclude(gdFocused);
    }
    const Integer DataCol = Column->GetIndex();
    switch (CellType.Vert) {
      case cavDataEh: DrawDataCell(ACol, ARow, DataCol, DataRow, R, CellState, CellType); break;
      case cavFooterEh: DrawFooterCell(ACol, ARow, DataCol, DataRow, R, CellState, CellType); break;
      case cavTitleEh:
      case cavSubTitleEh: DrawTitleCell(ACol, ARow, DataCol, DataRow, R, CellState, CellType); break;
    }
    // The lines between cells; the grid's own lines close the panel at its bottom.
    Canvas->GetBrush()->SetColor(LineColor);
    if (ColLines && R.Right < ARect.Right) Canvas->FillRect(TRect(R.Right, R.Top, R.Right + 1, R.Bottom + 1));
    if ((RowLines || Title) && R.Bottom < ARect.Bottom)
      Canvas->FillRect(TRect(R.Left, R.Bottom, R.Right + 1, R.Bottom + 1));
  }
}

// ---- The current cell inside the panel ---------------------------------------------------------------

Integer TCustomDBGridEh::MouseDataColumn(TGridCoord Cell, Integer X, Integer Y) const {
  if (!FRowPanel->GetActive()) return RawToDataColumn(Cell.X);
  if (Cell.X < FIndicatorOffset || Cell.Y < 0 || Cell.Y >= GetFullRowCount()) return -1;
  TColumnEh* Column = RowPanelColumnAt(CellRect(Cell.X, Cell.Y), X, Y, TitlesVisible() && Cell.Y == 0);
  return Column ? Column->GetIndex() : -1;
}

// The panel scrolls sideways so that the column's cell shows whole, its left edge
// first when it is wider than the room.
void TCustomDBGridEh::RowPanelScrollToColumn(TColumnEh* Column) {
  const Integer Raw = FIndicatorOffset;
  if (!Column || Raw >= GetColCount()) return;
  const Integer Room = GetColWidths(Raw);
  const TRect R = Column->GetRowPanelRect();
  Integer Offset = FRowPanelLeftOffset;
  if (R.Right - Offset > Room) Offset = R.Right - Room;
  if (R.Left - Offset < 0 || R.Width() > Room) Offset = R.Left;
  Offset = std::max(0, std::min(Offset, std::max(0, FRowPanelWidth - Room)));
  if (R.Left < Offset) Offset = R.Left;
  SetRowPanelLeftOffset(Offset);
}

// The panel's sideways scroll: the cells and the editor move, the bar follows.
void TCustomDBGridEh::SetRowPanelLeftOffset(Integer Offset) {
  if (Offset == FRowPanelLeftOffset) return;
  FRowPanelLeftOffset = Offset;
  Invalidate();
  InvalidateEditor();
  UpdateScrollPos();
}

bool TCustomDBGridEh::GetOwnHorzPixels(Integer Page, Integer& Extent, Integer& Pos) {
  if (!FRowPanel || !FRowPanel->GetActive() || FIndicatorOffset >= GetColCount()) return false;
  // The page holds the panel's column and its line: the panel's end is reached
  // when its last pixel stands at the column's end.
  Extent = FRowPanelWidth + std::max(0, Page - GetColWidths(FIndicatorOffset));
  Pos = FRowPanelLeftOffset;
  return true;
}

void TCustomDBGridEh::SetOwnHorzPixelPos(Integer Pos) {
  if (FIndicatorOffset >= GetColCount()) return;
  const Integer Room = GetColWidths(FIndicatorOffset);
  SetRowPanelLeftOffset(std::clamp(Pos, 0, std::max(0, FRowPanelWidth - Room)));
}

void TCustomDBGridEh::RowPanelMoveToColumn(Integer DataCol) {
  if (!FRowPanelVerticalMove) FColumns->SetNavigationStartColumn(nullptr);
  if (DataCol < 0 || DataCol >= FColumns->GetCount() || !FColumns->Items(DataCol)->GetVisible()) return;
  TColumnEh* Column = FColumns->Items(DataCol);
  if (DataCol != GetSelectedIndex()) {
    FDataLink->UpdateData();
    ColExit();
    if (!FOptions.Contains(dgAlwaysShowEditor)) HideEditor();
    FRowPanelColIndex = DataCol;
    InvalidateRow(GetRow());
    RowPanelScrollToColumn(Column);
    if (FOptions.Contains(dgAlwaysShowEditor) && Column->GetColumnKind() != ckCheckBox && !FFilterEditing) ShowEditor();
    else InvalidateEditor();
    ColEnter();
  } else {
    RowPanelScrollToColumn(Column);
  }
}

namespace {

// The tracking timer's interval while a panel's title is carried.
constexpr Integer RowPanelMoveIntervalEh = 60;

// Panel cells in reading order: by line, then left to right; or, for the
// up-to-down order, by their left edge, then top to bottom.
bool PanelBefore(TColumnEh* A, TColumnEh* B, bool ByLines) {
  const TRect& RA = A->GetRowPanelRect();
  const TRect& RB = B->GetRowPanelRect();
  if (ByLines) return RA.Top != RB.Top ? RA.Top < RB.Top : RA.Left < RB.Left;
  return RA.Left != RB.Left ? RA.Left < RB.Left : RA.Top < RB.Top;
}

}  // namespace

TColumnEh* TCustomDBGridEh::RowPanelNextColumn(TColumnEh* Column, bool Forward, bool ForTab) const {
  if (!Column) return nullptr;
  const bool ByLines = !ForTab || FRowPanel->GetTabNavigationType() == rpntLeftToRightPriorityEh;
  TColumnEh* Best = nullptr;
  if (!ForTab) {
    // The arrows first look beside the cell: the nearest cell sharing some of its lines.
    const TRect& R = Column->GetRowPanelRect();
    for (Integer I = 0; I < FVisibleColumns->Count(); ++I) {
      TColumnEh* C = FVisibleColumns->Items(I);
      const TRect& CR = C->GetRowPanelRect();
      if (C == Column || CR.Top >= R.Bottom || R.Top >= CR.Bottom) continue;
      if (Forward ? CR.Left <= R.Left : CR.Left >= R.Left) continue;
      const TRect* BR = Best ? &Best->GetRowPanelRect() : nullptr;
      if (!BR || (Forward ? CR.Left < BR->Left : CR.Left > BR->Left) || (CR.Left == BR->Left && CR.Top < BR->Top))
        Best = C;
    }
    if (Best) return Best;
  }
  if (ByLines) return FColumns->PanelNextColumn(Column, Forward, false, true);
  for (Integer I = 0; I < FVisibleColumns->Count(); ++I) {
    TColumnEh* C = FVisibleColumns->Items(I);
    if (C == Column) continue;
    if (Forward ? !PanelBefore(Column, C, ByLines) : !PanelBefore(C, Column, ByLines)) continue;
    if (!Best || (Forward ? PanelBefore(C, Best, ByLines) : PanelBefore(Best, C, ByLines))) Best = C;
  }
  return Best ? Best : Column;
}

// ---- Keys in the panel -----------------------------------------------------------------------------------
//
// Up and Down move by records, or in the cell-to-cell mode from cell to cell,
// crossing to the neighbouring record at the panel's top or bottom; Left and
// Right step through the panel's cells (the cell-to-cell mode) or the visible
// columns; Home and End (and Ctrl+Left, Ctrl+Right) go to the first and last cell.
bool TCustomDBGridEh::RowPanelKeyDown(Word Key, TShiftState Shift, bool Sel) {
  if (!FRowPanel->GetActive() || FVisibleColumns->Count() == 0) return false;
  TColumnEh* Current = GetCurrentColumn();
  const bool CellMode = FRowPanel->GetNavKeysNavigationType() == rpntCellToCellEh;
  const bool Ctrl = Shift.Contains(ssCtrl);
  auto Ordered = [&](bool Last) {
    TColumnEh* Edge = FVisibleColumns->Items(0);
    for (Integer I = 1; I < FVisibleColumns->Count(); ++I)
      if (PanelBefore(FVisibleColumns->Items(I), Edge, true) != Last) Edge = FVisibleColumns->Items(I);
    return Edge;
  };
  switch (Key) {
    case VK_UP:
    case VK_DOWN: {
      if (Ctrl || !CellMode || !Current) return false;
      const bool Down = Key == VK_DOWN;
      // A run of Up and Down keeps to the column it started from.
      if (!FColumns->GetNavigationStartColumn()) FColumns->SetNavigationStartColumn(Current);
      TTemporaryChangeEh<bool> Vertical(FRowPanelVerticalMove, true);
      TColumnEh* Next = Down ? FColumns->NearestColumnBelow(Current) : FColumns->NearestColumnAbove(Current);
      if (Next != Current) {
        RowPanelMoveToColumn(Next->GetIndex());
        return true;
      }
      TDataSet* DataSet = FDataLink->GetDataSet();
      if (!DataSet || (Down ? DataSet->GetEof() : DataSet->GetBof())) return true;
      const TBookmark Before = DataSet->GetBookmark();
      if (Down) NextRow(Sel);
      else PriorRow(Sel);
      if (DataSet->CompareBookmarks(Before, DataSet->GetBookmark()) != 0)
        RowPanelMoveToColumn(
            (Down ? FColumns->TopmostColumnOf(Current) : FColumns->BottommostColumnOf(Current))->GetIndex());
      return true;
    }
    case VK_LEFT:
    case VK_RIGHT: {
      if (FOptions.Contains(dgRowSelect)) return false;
      const bool Forward = Key == VK_RIGHT;
      if (Ctrl) {
        RowPanelMoveToColumn(Ordered(Forward)->GetIndex());
      } else if (CellMode) {
        RowPanelMoveToColumn(RowPanelNextColumn(Current, Forward, false)->GetIndex());
      } else {
        const Integer Visible = CurrentVisibleColumn() + (Forward ? 1 : -1);
        if (Visible >= 0 && Visible < FVisibleColumns->Count())
          RowPanelMoveToColumn(FVisibleColumns->Items(Visible)->GetIndex());
      }
      return true;
    }
    case VK_HOME:
    case VK_END:
      if (Ctrl || FVisibleColumns->Count() <= 1 || FOptions.Contains(dgRowSelect)) return false;
      RowPanelMoveToColumn(Ordered(Key == VK_END)->GetIndex());
      return true;
    default: return false;
  }
}

// Tab goes through the panel in the order TabNavigationType names, and on to
// the next (previous) record's first (last) cell.
void TCustomDBGridEh::RowPanelTabMove(bool GoForward) {
  TColumnEh* Current = GetCurrentColumn();
  if (!Current) return;
  TUpdateBracketEh Hold(this);
  TColumnEh* Next = RowPanelNextColumn(Current, GoForward, true);
  if (Next == Current) {
    if (GoForward) NextRow(false);
    else PriorRow(false);
    // The far end of the order: walk back from the current cell.
    for (TColumnEh* C = RowPanelNextColumn(Next, !GoForward, true); C != Next;
         C = RowPanelNextColumn(C, !GoForward, true))
      Next = C;
  }
  RowPanelMoveToColumn(Next->GetIndex());
}

// ---- Sizing the panel's cells ------------------------------------------------------------------------------

void TCustomDBGridEh::CalcSizingState(Integer X, Integer Y, TGridState& State, Integer& Index, Integer& SizingPos,
                                      Integer& SizingOfs, const TGridDrawInfoEh& FixedInfo) {
  if (!FRowPanel->GetActive())
    return TCustomGridEh::CalcSizingState(X, Y, State, Index, SizingPos, SizingOfs, FixedInfo);
  State = gsNormal;
  Index = -1;
  if (!FOptions.Contains(dgColumnResize) || !TitlesVisible() || FIndicatorOffset >= GetColCount()) return;
  const TRect Row = CellRect(FIndicatorOffset, 0);
  if (Row.IsEmpty() || Y < Row.Top || Y > Row.Bottom + 3) return;
  constexpr Integer Near = 3;
  for (Integer I = 0; I < FVisibleColumns->Count(); ++I) {
    TColumnEh* Column = FVisibleColumns->Items(I);
    const TRect R = RowPanelCellRect(Column, Row, true);
    const Integer Right = UseRightToLeftAlignment() ? R.Left : R.Right;
    if (Y >= R.Top && Y < R.Bottom && std::abs(X - Right) <= Near) {
      State = gsColSizing;
      SizingPos = Right;
      SizingOfs = Right - X;
      Index = Column->GetIndex();
      return;
    }
    if (X >= R.Left && X < R.Right && std::abs(Y - R.Bottom) <= Near) {
      State = gsRowSizing;
      SizingPos = R.Bottom;
      SizingOfs = R.Bottom - Y;
      Index = Column->GetIndex();
      return;
    }
  }
}

void TCustomDBGridEh::RowPanelSizingRelease(TGridState State, TShiftState Shift) {
  const Integer Index = GetSizingIndex();
  if (Index < 0 || Index >= FColumns->GetCount() || FIndicatorOffset >= GetColCount()) return;
  TColumnEh* Column = FColumns->Items(Index);
  const TRect Row = CellRect(FIndicatorOffset, 0);
  const TRect R = RowPanelCellRect(Column, Row, true);
  const Integer LineWidth = GetGridLineWidth();
  FColumns->BeginUpdate();
  TScopeExitEh Update([this] { FColumns->EndUpdate(); });
  if (State == gsColSizing) {
    const bool Mirrored = UseRightToLeftAlignment();
    Integer Edge = GetSizingPos();
    // Near another cell's right edge the new edge lines up with it.
    if (!Shift.Contains(ssCtrl)) {
      Integer Best = 4;
      for (Integer I = 0; I < FVisibleColumns->Count(); ++I) {
        TColumnEh* Other = FVisibleColumns->Items(I);
        if (Other == Column) continue;
        const TRect OR = RowPanelCellRect(Other, Row, true);
        const Integer OtherEdge = Mirrored ? OR.Left : OR.Right;
        if (std::abs(OtherEdge - Edge) < Best) {
          Best = std::abs(OtherEdge - Edge);
          Edge = OtherEdge;
        }
      }
    }
    const Integer NewWidth = Mirrored ? R.Right - Edge : Edge - R.Left;
    if (NewWidth < 2) return;
    const Integer Change = NewWidth - R.Width();
    const Integer OldRight = Column->GetRowPanelRect().Right;
    if (!Shift.Contains(ssShift))
      for (Integer I = 0; I < FVisibleColumns->Count(); ++I) {
        TColumnEh* Other = FVisibleColumns->Items(I);
        if (Other != Column && Other->GetRowPanelRect().Right == OldRight && Other->GetWidth() + Change > 1)
          Other->SetWidth(Other->GetWidth() + Change);
      }
    Column->SetWidth(Column->GetWidth() + Change);
  } else {
    const Integer Line =
        std::max(1, (FRowPanelTitleLineHeight > 0 ? FRowPanelTitleLineHeight : FDataRowHeight) + LineWidth);
    const Integer Lines = (GetSizingPos() - R.Top + LineWidth + Line / 2) / Line;
    if (Lines < 1) return;
    const Integer Change = Lines - Column->GetInRowLineHeight();
    const Integer OldBottom = Column->GetInRowLinePos() + Column->GetInRowLineHeight();
    if (!Shift.Contains(ssShift))
      for (Integer I = 0; I < FVisibleColumns->Count(); ++I) {
        TColumnEh* Other = FVisibleColumns->Items(I);
        if (Other != Column && Other->GetInRowLinePos() + Other->GetInRowLineHeight() == OldBottom &&
            Other->GetInRowLineHeight() + Change > 0)
          Other->SetInRowLineHeight(Other->GetInRowLineHeight() + Change);
      }
    Column->SetInRowLineHeight(Lines);
  }
}

void TCustomDBGridEh::RowPanelWidenColumn(TColumnEh* Column) {
  const TRect R = Column->GetRowPanelRect();
  Integer Right = FRowPanelWidth;
  for (Integer I = 0; I < FVisibleColumns->Count(); ++I) {
    const TRect OR = FVisibleColumns->Items(I)->GetRowPanelRect();
    if (OR.Left > R.Left && OR.Top < R.Bottom && R.Top < OR.Bottom)
      Right = std::min(Right, OR.Left - GetGridLineWidth());
  }
  if (Right - R.Left > Column->GetWidth()) Column->SetWidth(Right - R.Left);
}

// ---- Moving the panel's cells ------------------------------------------------------------------------------

void TCustomDBGridEh::RowPanelStartColumnMove(Integer DataCol, Integer X, Integer Y) {
  if (DataCol < 0 || DataCol >= FColumns->GetCount() || FIndicatorOffset >= GetColCount()) return;
  const TRect R = RowPanelCellRect(FColumns->Items(DataCol), CellRect(FIndicatorOffset, 0), true);
  // The pressed title lets go: from here on the mouse carries its column.
  if (FPressedTitleColumn >= 0) InvalidateCell(FPressedTitleColumn, 0);
  FTitleButtonDown = false;
  FPressedTitleColumn = FPressedTitleDataColumn = -1;
  FMouseTrackState = gmtsRowPanelMovingEh;
  FRowPanelMoveColumn = DataCol;
  FRowPanelMoveTarget = -1;
  FRowPanelMoveGrip = TPoint(FDownPos.X - R.Left, FDownPos.Y - R.Top);
  GridDragBoxEh()->StartShowFor(this, TPoint(X - FRowPanelMoveGrip.X, Y - FRowPanelMoveGrip.Y), R.Width(), R.Height());
  RowPanelTrackColumnMove(X, Y);
  StartTimer(RowPanelMoveIntervalEh);
}

// Held past an edge of the data area, the panel goes on scrolling a step a
// tick without the mouse moving.
void TCustomDBGridEh::RowPanelColumnMoveTimer() {
  if (!HandleAllocated()) return;
  const TPoint P = ScreenToClient(GetCursorPos());
  RowPanelTrackColumnMove(P.X, P.Y);
}

void TCustomDBGridEh::RowPanelTrackColumnMove(Integer X, Integer Y) {
  if (FRowPanelMoveColumn < 0 || FRowPanelMoveColumn >= FColumns->GetCount()) return;
  TColumnEh* Moved = FColumns->Items(FRowPanelMoveColumn);
  const TRect Row = CellRect(FIndicatorOffset, 0);
  const Integer LineWidth = GetGridLineWidth();
  const Integer Line = std::max(1, FRowPanelTitleLineHeight + LineWidth);
  const Integer Target = std::clamp((Y - Row.Top) / Line, 0, RowPanelLineCount());
  const Integer PanelX = (UseRightToLeftAlignment() ? Row.Right - X : X - Row.Left) + FRowPanelLeftOffset;
  // The column takes its place after the last cell of the line that ends left of the mouse.
  Integer Index = -1, InsertX = 0, First = -1;
  for (Integer I = 0; I < FVisibleColumns->Count(); ++I) {
    TColumnEh* C = FVisibleColumns->Items(I);
    const Integer Pos = C->GetInRowLinePos();
    if (C == Moved || Target < Pos || Target >= Pos + C->GetInRowLineHeight()) continue;
    const TRect& R = C->GetRowPanelTitleRect();
    if (First < 0) First = C->GetIndex();
    if (R.Right <= PanelX && C->GetIndex() + 1 > Index) {
      Index = C->GetIndex() + 1;
      InsertX = R.Right;
    }
  }
  if (Index < 0) Index = First >= 0 ? First : FColumns->GetCount();
  FRowPanelMoveLine = Target;
  FRowPanelMoveTarget = Index;
  // Carried past an edge of the data area, the panel scrolls towards the mouse.
  const Integer Step = GetHorzScrollStep();
  const Integer Room = std::max(0, FRowPanelWidth - Row.Width());
  const bool PastLeft = UseRightToLeftAlignment() ? X >= Row.Right : X < Row.Left;
  const bool PastRight = UseRightToLeftAlignment() ? X < Row.Left : X >= Row.Right;
  if ((PastLeft && FRowPanelLeftOffset > 0) || (PastRight && FRowPanelLeftOffset < Room))
    SetRowPanelLeftOffset(std::clamp(FRowPanelLeftOffset + (PastLeft ? -Step : Step), 0, Room));
  Integer LineX = InsertX - FRowPanelLeftOffset;
  LineX = UseRightToLeftAlignment() ? Row.Right - LineX : Row.Left + LineX;
  const TPoint At(LineX, Row.Top + Target * Line);
  TGridMoveLineEh* MoveLine = GridMoveLineEh();
  if (!MoveLine->GetVisible()) MoveLine->StartShowMoveLineFor(this, At, Line - LineWidth, true);
  else MoveLine->MoveToFor(this, At);
  GridDragBoxEh()->MoveToFor(this, TPoint(X - FRowPanelMoveGrip.X, Y - FRowPanelMoveGrip.Y));
}

void TCustomDBGridEh::RowPanelEndColumnMove(bool Drop) {
  StopTimer();
  FMouseTrackState = gmtsNoneEh;
  GridDragBoxEh()->Hide();
  HideMoveLine();
  SetMouseCapture(false);
  const Integer Moved = FRowPanelMoveColumn;
  FRowPanelMoveColumn = -1;
  if (!Drop || Moved < 0 || Moved >= FColumns->GetCount() || FRowPanelMoveTarget < 0) return;
  TColumnEh* Column = FColumns->Items(Moved);
  const Integer Index = std::clamp(FRowPanelMoveTarget > Moved ? FRowPanelMoveTarget - 1 : FRowPanelMoveTarget, 0,
                                   FColumns->GetCount() - 1);
  if (Column->GetInRowLinePos() == FRowPanelMoveLine && Column->GetIndex() == Index) return;
  FColumns->BeginUpdate();
  TScopeExitEh Update([this] { FColumns->EndUpdate(); });
  Column->SetInRowLinePos(FRowPanelMoveLine);
  Column->SetIndex(Index);
}
