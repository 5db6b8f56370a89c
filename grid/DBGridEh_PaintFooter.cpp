// Footer cells and the indicator column: the footer's value text in the footer's
// font and colour (the events may change both), and the indicator's title (with
// its drop-down sign), its cells beside the filter row and the footers (the
// record count), and its record rows with the state image and record numbers.

#include "grid/DBGridEh.h"
#include "grid/ScopeGuardEh.h"
#include "platform/core/Format.h"

namespace {

TColumnEh* FooterColumn(TDBGridColumnsEh* Columns, Integer DataCol) {
  return DataCol >= 0 && DataCol < Columns->GetCount() ? Columns->Items(DataCol) : nullptr;
}

// Indicator images by kind: 0 current row, 1 selected current row, 2 editing,
// 3 inserting, 4 incremental search.
constexpr Integer IndicatorImageOfKind[5] = {0, 5, 1, 2, 6};

// A number in the grid's font one point smaller, centred in ARect.
void WriteSmallNumber(TCustomDBGridEh* Grid, TCanvas* Canvas, const TRect& ARect, Integer Number) {
  Canvas->SetFont(Grid->GetFont());
  Canvas->GetFont()->SetSize(Grid->GetFont()->GetSize() - 1);
  const TBrushStyle Style = Canvas->GetBrush()->GetStyle();
  Canvas->GetBrush()->SetStyle(bsClear);
  TRect R = ARect;
  const String Text = IntToStr(Number);
  DrawText(Canvas->GetHandle(), Text, Integer(Text.size()), R, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  Canvas->GetBrush()->SetStyle(Style);
}

}  // namespace

// ---- Footer cells ---------------------------------------------------------------------------------------------

void TCustomDBGridEh::DrawFooterCell(Integer ACol, Integer ARow, Integer DataCol, Integer DataRow, const TRect& ARect,
                                     TGridDrawState State, TCellTypeEh CellType) {
  TCanvas* Canvas = GetCanvas();
  TColumnEh* Column = FooterColumn(FColumns.get(), DataCol);
  TColumnFooterEh* Footer = Column ? Column->GetFooterForRow(DataRow) : nullptr;
  if (!Footer) {
    Canvas->GetBrush()->SetColor(GetFooterColor());
    Canvas->FillRect(ARect);
    return;
  }
  Canvas->SetFont(Footer->GetFont());
  Canvas->GetBrush()->SetColor(Footer->GetColor());
  const bool Is3D = IsCell3D(ACol, ARow);
  const bool Themed = IsCellThemed(ACol, ARow, DataCol, DataRow, State, CellType, Is3D);
  TRect R = ARect;
  Integer BorderWidth = 2;
  if (Is3D) {
    BorderWidth = Themed ? 3 : 1;
    if (Themed) InflateRect(R, 1, 1);
    else if (GetFlat()) ++R.Right, ++R.Bottom;
    else InflateRect(R, -1, -1);
  }
  if (GetFlat()) --BorderWidth;

  TColor Background = Canvas->GetBrush()->GetColor();
  TAlignment Alignment = Footer->GetAlignment();
  String Text;
  GetFooterValue(DataRow, Column, Text);
  GetFooterParams(DataCol, DataRow, Column, Canvas->GetFont(), Background, Alignment, State, Text);
  const TDBGridEhSelectionType Kind = FSelection->GetSelectionType();
  const bool Selected = Kind == gstAll || (Kind == gstColumns && FSelection->GetColumns()->IndexOf(Column) >= 0);
  GetCellParams(ACol, ARow, cavFooterEh, State, Selected, Canvas->GetFont(), Background);
  Canvas->GetBrush()->SetColor(Background);

  if (FDefaultDrawing) {
    const bool Painted = Themed || (GetFlat() && ThemesEnabledEh() && Is3D);
    if (Painted) FillFixedCellBackground(this, Themed, R, false, false, TRect(), Is3D, false);
    // The footer wraps its text when its row holds more than one line.
    const bool Wrap = Footer->GetWordWrap() && ARect.Height() >= 2 * Canvas->TextHeight(u"Wg");
    WriteCellTextEh(this, Column, Canvas, R, !Painted, BorderWidth, BorderWidth, Text, Alignment, tlCenter, Wrap,
                    Footer->GetEndEllipsis(), 0, BorderWidth);
  }
  if (Is3D && !Themed) {
    TRect Frame = ARect;
    if (GetFlat()) ++Frame.Right, ++Frame.Bottom;
    ::DrawFixedCellFrame(this, Canvas, Frame, false, false, true, true);
  }
  if (OnDrawFooterCell) OnDrawFooterCell(this, DataCol, DataRow, Column, ARect, State);
}

// ---- The indicator column -----------------------------------------------------------------------------------

void TCustomDBGridEh::DrawIndicatorCell(Integer ACol, Integer ARow, Integer DataCol, Integer DataRow,
                                        const TRect& ARect, TGridDrawState State, TCellTypeEh CellType) {
  TCanvas* Canvas = GetCanvas();
  TBrush* Brush = Canvas->GetBrush();
  Brush->SetColor(GetFixedColor());
  const bool Is3D = IsCell3D(ACol, ARow);
  const bool Themed = IsCellThemed(ACol, ARow, DataCol, DataRow, State, CellType, Is3D);
  TRect R = ARect, Frame = ARect;
  if (Is3D) {
    if (Themed) InflateRect(R, 1, 1);
    else if (GetFlat()) ++Frame.Right, ++Frame.Bottom;
    else InflateRect(R, -1, -1);
  }
  const bool ShowRecNo = FOptionsEh.Contains(dghShowRecNo);
  const Integer ImageWidth = !FOptions.Contains(dgIndicator) ? 0 : ShowRecNo ? 9 : 11;
  const bool AllSelected = FSelection->GetSelectionType() == gstAll;
  TDataSet* DataSet = FDataLink->GetDataSet();
  bool Pressed = false;

  auto SelectedColours = [&](TCellAreaVertEh Kind) {
    Canvas->SetFont(GetFont());
    TColor Color = Brush->GetColor();
    GetCellParams(ACol, ARow, Kind, State, true, Canvas->GetFont(), Color);
    Brush->SetColor(Color);
  };

  if (CellType.Vert == cavTitleEh) {
    TDBGridEhIndicatorTitle* Title = FIndicatorTitle.get();
    if (AllSelected) SelectedColours(cavTitleEh);
    const Integer PressedOffset = Title->GetShowDropDownSign() && FIndicatorTitleDown ? 2 : 0;
    Pressed = PressedOffset != 0;
    FillFixedCellBackground(this, Themed, R, false, Pressed, TRect(), Is3D, false);
    if (Title->GetShowDropDownSign()) {
      TRect Box(R.Right - 12, R.Top, R.Right, R.Bottom);
      OffsetRect(Box, PressedOffset, PressedOffset);
      DrawIndicatorTitleSign(Canvas, Box);
    }
  } else if (CellType.Vert != cavDataEh || !FDataLink->GetActive()) {
    if (AllSelected) SelectedColours(CellType.Vert);
    FillFixedCellBackground(this, Themed, R, false, false, TRect(), Is3D, false);
    if (ShowRecNo && CellType.Vert == cavFooterEh && DataRow == 0 && FDataLink->GetActive() && DataSet) {
      const Integer Count = DataSet->GetRecordCount();
      const bool NewRecordShown = DataSet->GetState() == dsInsert && IsCurrentDataRow(0);
      if (Count >= 1 && !NewRecordShown)
        WriteSmallNumber(this, Canvas, TRect(R.Left, R.Top, R.Right - ImageWidth, R.Bottom), Count);
    }
  } else {
    const bool HasRecord = BeginReadRow(DataRow);
    TScopeExitEh LeaveRow([&] {
      if (HasRecord) EndReadRow();
    });
    bool Selected = false;
    if (HasRecord && FOptions.Contains(dgMultiSelect) && DataSet) {
      const TDBGridEhSelectionType Kind = FSelection->GetSelectionType();
      Selected = Kind == gstAll || (Kind == gstRecordBookmarks && FBookmarks->GetCount() > 0 &&
                                    FBookmarks->IndexOf(DataSet->GetBookmark()) >= 0);
    }
    const Integer RecNo = HasRecord && DataSet ? DataSet->GetRecNo() : 0;
    Canvas->SetFont(GetFont());
    const bool Current = IsCurrentDataRow(DataRow);
    if (Current && ThemesEnabledEh()) Brush->SetColor(MixColorsEh(Brush->GetColor(), clBlack, 10));
    if (Selected) SelectedColours(cavDataEh);
    FillFixedCellBackground(this, Themed, R, false, false, TRect(), Is3D, false);
    if (FOptions.Contains(dgIndicator) && Current && DataSet) {
      Integer Kind = 0;
      switch (DataSet->GetState()) {
        case dsBrowse: Kind = Selected ? 1 : FIncSearchActive ? 4 : 0; break;
        case dsEdit: Kind = 2; break;
        case dsInsert: Kind = 3; break;
        default: Kind = 0; break;
      }
      DrawIndicatorImage(Canvas, ShowRecNo ? TRect(R.Right - ImageWidth, R.Top, R.Right, R.Bottom) : R, Kind);
      if (FIntMemTable || DataRow == FDataLink->GetActiveRecord()) FIndicatorRow = DataRow;
    }
    const bool NewRecord = Current && DataSet && DataSet->GetState() == dsInsert;
    if (ShowRecNo && RecNo >= 1 && !NewRecord)
      WriteSmallNumber(this, Canvas, TRect(R.Left, R.Top, R.Right - ImageWidth, R.Bottom), RecNo);
  }
  if (Is3D && !Themed) ::DrawFixedCellFrame(this, Canvas, Frame, Pressed, false, true, true);
}

void TCustomDBGridEh::DrawIndicatorImage(TCanvas* Canvas, const TRect& ARect, Integer Kind) {
  TImageList* Images = GetDBGridEhIndicators();
  if (!Images || Kind < 0 || Kind > 4) return;
  const Integer X = ARect.Left + (ARect.Width() - Images->GetWidth()) / 2;
  const Integer Y = ARect.Top + (ARect.Height() - Images->GetHeight()) / 2;
  Images->Draw(Canvas, X, Y, IndicatorImageOfKind[Kind]);
}

void TCustomDBGridEh::DrawIndicatorTitleSign(TCanvas* Canvas, const TRect& ARect) {
  TImageList* Images = GetDBGridEhSortMarkerImages();
  if (!Images) return;
  const Integer X = ARect.Left + (ARect.Width() - Images->GetWidth()) / 2;
  const Integer Y = ARect.Top + (ARect.Height() - Images->GetHeight()) / 2;
  Images->Draw(Canvas, X, Y, 2);
}

void TCustomDBGridEh::DrawDownArrowSign(TCanvas* Canvas, const TRect& ARect) {
  // A stem of three rows over a head of three rows narrowing from 6 pixels.
  const Integer X = ARect.Left + (ARect.Width() - 6) / 2;
  const Integer Y = ARect.Top + (ARect.Height() - 6) / 2;
  const std::vector<TPoint> Lines{TPoint(2, 0), TPoint(4, 0), TPoint(2, 1), TPoint(4, 1), TPoint(2, 2), TPoint(4, 2),
                                  TPoint(0, 3), TPoint(6, 3), TPoint(1, 4), TPoint(5, 4), TPoint(2, 5), TPoint(4, 5)};
  DrawGradientLinesEh(Canvas, TPoint(X, Y), Lines, Integer(Lines.size()), cl3DDkShadow,
                      MixColorsEh(cl3DDkShadow, clBlack, 30));
}

void TCustomDBGridEh::SetIndicatorTitleDown(bool Value) {
  if (FIndicatorTitleDown == Value) return;
  FIndicatorTitleDown = Value;
  if (HandleAllocated() && TitlesVisible() && FIndicatorOffset > 0) InvalidateCell(0, 0);
}
