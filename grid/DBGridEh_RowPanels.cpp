// The row detail panel: a window the grid opens under the current row, between
// it and the next row, for the application's own controls; each data row then
// starts with an 18-pixel box whose button opens and closes it.
//
// Call flow: a click on the box (RowDetailButtonPress) or the application sets
// Visible; SetVisible asks OnRowDetailPanelShow / OnRowDetailPanelHide, stores
// the state and places the window (PlacePanel), which also makes the current
// row tall enough to hold the panel; moving to another record closes it first.

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "grid/DBGridEh.h"

namespace {

constexpr Integer DetailButtonWidth = 18;

}  // namespace

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
  PlacePanel();
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

void TRowDetailPanelEh::PlacePanel() {
  TRowDetailPanelControlEh* Panel = FGrid->GetRowDetailPanelControl();
  if (!Panel || !FGrid->HandleAllocated()) return;
  if (!FActive || !FVisible) {
    Panel->SetVisible(false);
    return;
  }
  const Integer Row = FGrid->GetRow();
  const Integer TitleRows = FGrid->GetTitleRowCount();
  if (Row < FGrid->GetTopRow() || Row < TitleRows || FGrid->GetVisibleColumns()->Count() == 0) {
    Panel->SetVisible(false);
    return;
  }
  const Integer FirstCol = FGrid->DataToRawColumn(FGrid->GetVisibleColumns()->Items(0)->GetIndex());
  const TRect Cell = FGrid->CellRect(FirstCol, Row);
  if (Cell.IsEmpty()) {
    Panel->SetVisible(false);
    return;
  }
  const Integer ClientW = FGrid->GetClientWidth(), ClientH = FGrid->GetClientHeight();
  const Integer Top = Cell.Top + FGrid->GetDataRowHeightValue();
  const Integer Left = Cell.Left + FGrid->FirstColumnIndent() + DetailButtonWidth;
  Integer Width = FWidth > 0 && Left + FWidth <= ClientW ? FWidth
                  : FWidth > 0                            ? ClientW - Left
                                                          : ClientW - Left - FGrid->GetGridLineWidth();
  Integer Height = FHeight > 0 && Top + FHeight <= ClientH ? FHeight : ClientH - Top;
  Panel->SetColor(GetColor());
  Panel->SetBounds(Left, Top, std::max(0, Width), std::max(0, Height));
  Panel->SetVisible(true);
}

bool TCustomDBGridEh::RowDetailPanelPainted() const { return FRowDetailPanel && FRowDetailPanel->GetActive(); }

// ---- The expand box ---------------------------------------------------------------------------------------

Integer TCustomDBGridEh::DrawRowDetailButton(const TRect& ARect, Integer DataRow) {
  bool HasPanel = true;
  if (OnCheckRowHaveDetailPanel) OnCheckRowHaveDetailPanel(this, HasPanel);
  TCanvas* Canvas = GetCanvas();
  const TRect Box(ARect.Left, ARect.Top, std::min(ARect.Right, ARect.Left + DetailButtonWidth), ARect.Bottom);
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
  const TRect R = CellRect(Cell.X, Cell.Y);
  const Integer Left =
      R.Left + FirstColumnIndent() + (GroupedRows() ? FDataGrouping->GetActiveGroupLevelsCount() * 18 : 0);
  if (X < Left || X >= Left + DetailButtonWidth) return false;
  const Integer DataRow = Cell.Y - GetTitleRowCount();
  if (!IsCurrentDataRow(DataRow)) {
    MoveByRows(Cell.Y - GetRow());
    if (!IsCurrentDataRow(DataRow)) return true;
  }
  FRowDetailPanel->SetVisible(!FRowDetailPanel->GetVisible());
  return true;
}

// ---- The row panel's layout ----------------------------------------------------------------------------
//
// Each column stands on panel lines InRowLinePos .. InRowLinePos + InRowLineHeight - 1,
// right of whatever stands already on the fullest of those lines.

void TCustomDBGridEh::RowPanelLayout() {
  const Integer LineWidth = GetGridLineWidth();
  const Integer LineHeight = GetDataRowHeightValue() + LineWidth;
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
    TRect Cell(Left, First * LineHeight, Left + CellWidth, First * LineHeight + Column->GetInRowLineHeight() * LineHeight - 1);
    TRect Title(Left, Cell.Top, Cell.Right, Cell.Bottom);
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
