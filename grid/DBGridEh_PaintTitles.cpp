// Cell painting: DrawCell hands each cell to the painter of its area; this file
// paints the title row (caption, image, sort marker and sort index, the filter
// button of a filter row kept in the titles) and the cells of the filter row
// under the titles.
//
// Typical call flow: the base grid's Paint -> DrawCell -> DrawTitleCell (fills the
// title parameters, lets OnGetBtnParams and the highlight rule change them) ->
// DrawTitleCellContent (background, caption, image, marker, index, button, frame).

#include "grid/DBGridEh.h"
#include "grid/ScopeGuardEh.h"
#include "platform/core/Format.h"
#include "platform/ui/Input.h"

namespace {

// The column a data cell of the grid shows, or null.
TColumnEh* ColumnOf(TDBGridColumnsEh* Columns, Integer DataCol) {
  return DataCol >= 0 && DataCol < Columns->GetCount() ? Columns->Items(DataCol) : nullptr;
}

void ApplyTitleFont(TFont* Font, const TDrawTitleParamsEh& Params) {
  Font->SetCharset(Params.FontCharset);
  Font->SetColor(Params.FontColor);
  Font->SetSize(Params.FontSize);
  Font->SetName(Params.FontName);
  Font->SetStyle(Params.FontStyle);
}

}  // namespace

// ---- Dispatch ---------------------------------------------------------------------------------------------

void TCustomDBGridEh::DrawCell(Integer ACol, Integer ARow, const TRect& CellArea, TGridDrawState AState) {
  Integer DataCol = 0, DataRow = 0;
  const TCellTypeEh Type = GetCellType(ACol, ARow, DataCol, DataRow);
  TRect ARect = CellArea;
  // The open row detail panel's band under the current row's data part.
  if (Type.Vert == cavDataEh && FRowDetailPanel->GetVisible() && ARow == GetRow() &&
      GetDataRowHeightValue() < ARect.Height()) {
    TCanvas* Canvas = GetCanvas();
    Canvas->GetBrush()->SetStyle(bsSolid);
    Canvas->GetBrush()->SetColor(GetColor());
    const TRect Band(ARect.Left, ARect.Top + GetDataRowHeightValue(), ARect.Right, ARect.Bottom);
    Canvas->FillRect(Band);
    // Beside the first column the record's group boxes and tree lines go on down the band.
    const Integer Data = RawToDataColumn(ACol);
    const bool FirstColumn = Type.Horz == cahDataEh && Data >= 0 && Data < FColumns->GetCount() &&
                             FVisibleColumns->Count() > 0 && FVisibleColumns->Items(0) == FColumns->Items(Data);
    if (FirstColumn && GroupingPainted()) DrawGroupIndent(Band, DataRow);
    if (FirstColumn && TreeShown() && BeginReadRow(DataRow)) {
      TScopeExitEh LeaveRow([this] { EndReadRow(); });
      const TRect Tree(Band.Left, Band.Top, std::min(Band.Right, Band.Left + TreeAreaWidth()), Band.Bottom);
      DrawTreeLines(Canvas, Tree, true, true);
    }
    ARect.Bottom = ARect.Top + GetDataRowHeightValue();
  }
  if (Type.Horz == cahIndicatorEh) {
    DrawIndicatorCell(ACol, ARow, DataCol, DataRow, ARect, AState, Type);
    return;
  }
  if (RowPanelPainted()) return DrawRowPanelCell(ACol, ARow, DataRow, ARect, AState, Type);
  switch (Type.Vert) {
    case cavFooterEh: DrawFooterCell(ACol, ARow, DataCol, DataRow, ARect, AState, Type); return;
    case cavDataEh: DrawDataCell(ACol, ARow, DataCol, DataRow, ARect, AState, Type); return;
    case cavTitleEh:
    case cavSubTitleEh: DrawTitleCell(ACol, ARow, DataCol, DataRow, ARect, AState, Type); return;
  }
}

bool TCustomDBGridEh::IsCellThemed(Integer, Integer, Integer, Integer, TGridDrawState, TCellTypeEh, bool Is3D) {
  return ThemesEnabledEh() && !GetFlat() && Is3D;
}

void TCustomDBGridEh::SetDefaultDrawing(bool Value) {
  if (Value == FDefaultDrawing) return;
  FDefaultDrawing = Value;
  Invalidate();
}

// ---- Title cells --------------------------------------------------------------------------------------------

void TCustomDBGridEh::DrawTitleCell(Integer ACol, Integer ARow, Integer DataCol, Integer DataRow, const TRect& ARect,
                                    TGridDrawState State, TCellTypeEh CellType) {
  TCanvas* Canvas = GetCanvas();
  TColumnEh* Column = ColumnOf(FColumns.get(), DataCol);
  const bool Is3D = IsCell3D(ACol, ARow);
  const bool Themed = IsCellThemed(ACol, ARow, DataCol, DataRow, State, CellType, Is3D);
  if (!Column) {
    Canvas->GetBrush()->SetColor(GetFixedColor());
    Canvas->FillRect(ARect);
    return;
  }
  if (CellType.Vert == cavSubTitleEh) {
    if (Themed) FillFixedCellBackground(this, true, ARect, false, false, TRect(), true, false);
    DrawSubTitleCell(ACol, ARow, DataCol, DataRow, ARect, State, CellType);
    if (Is3D && !Themed) {
      Canvas->GetBrush()->SetColor(Column->GetTitle()->GetColor());
      ::DrawFixedCellFrame(this, Canvas, ARect, false, false, true, true);
    }
    return;
  }

  TColumnTitleEh* Title = Column->GetTitle();
  TDrawTitleParamsEh Params;
  Params.Is3D = Is3D;
  Params.Themed = Themed;
  Params.Down = FTitleButtonDown && FPressedTitleInside && FPressedTitleDataColumn == Column->GetIndex() &&
                FMouseTrackState == gmtsNoneEh;
  Params.Caption = Title->GetCaption();
  TRect CellRect = ARect;
  THeadTreeNode* Leaf = IsMultiTitleMode() ? GetLeafNode(Column->GetIndex()) : nullptr;
  if (Leaf) {
    // The leaf's own part is the bottom of the cell; the tree draws the lines between columns.
    if (FOptions.Contains(dgColLines)) {
      --CellRect.Right;
      Canvas->GetPen()->SetColor(GetGridLineColors()->GetDarkColor());
      Canvas->GetPen()->SetWidth(1);
      Canvas->MoveTo(CellRect.Right, ARect.Bottom - 1);
      Canvas->LineTo(CellRect.Right, std::max(ARect.Top, ARect.Bottom - Leaf->Height) - 1);
    }
    Params.Caption = Leaf->Text;
    CellRect.Top = std::max(ARect.Top, ARect.Bottom - Leaf->Height + 1);
  }
  Params.SortMarker = Title->GetSortMarker();
  Params.ShowSortIndex = true;
  Params.HasFilterButton = FSTFilter->GetVisible() && FSTFilter->GetLocation() == stflInTitleFilterEh;
  if (FTitleImages && Title->GetImageIndex() != -1) Params.Caption.clear();
  Canvas->SetFont(Title->GetFont());
  TColor Background = Title->GetColor();
  if (OnGetBtnParams && Column->GetField())
    OnGetBtnParams(this, Column, Canvas->GetFont(), Background, Params.SortMarker, Params.Down);
  const TDBGridEhSelectionType Kind = FSelection->GetSelectionType();
  Params.Selected = Kind == gstAll || (Kind == gstColumns && FSelection->GetColumns()->IndexOf(Column) >= 0);
  Params.FontIsLight = GetCellParams(ACol, ARow, cavTitleEh, State, Params.Selected, Canvas->GetFont(), Background);
  Params.Background = Background;
  TFont* Font = Canvas->GetFont();
  Params.FontCharset = Font->GetCharset();
  Params.FontColor = Font->GetColor();
  Params.FontSize = Font->GetSize();
  Params.FontName = Font->GetName();
  Params.FontStyle = Font->GetStyle();
  Params.MultiLine = FUseMultiTitle || FTitleHeight != 0 || FTitleLines != 0;
  Params.Orientation = Title->GetOrientation();
  DrawTitleCellContent(Column, CellRect, State, Params);
  if (Leaf && CellType.Vert == cavTitleEh) DrawTitleNodes(Column, ARect, Params);
}

void TCustomDBGridEh::DrawTitleCellContent(TColumnEh* Column, const TRect& ARect, TGridDrawState State,
                                           TDrawTitleParamsEh& Params) {
  TCanvas* Canvas = GetCanvas();
  TColumnTitleEh* Title = Column->GetTitle();
  ApplyTitleFont(Canvas->GetFont(), Params);
  Canvas->GetBrush()->SetColor(Params.Background);

  // The frame's rectangle and the content's.
  TRect Frame = ARect, Content = ARect;
  if (Params.Is3D) {
    if (Params.Themed) InflateRect(Frame, 1, 1);
    else if (GetFlat()) ++Frame.Right, ++Frame.Bottom;
    InflateRect(Content, -1, -1);
  }
  Integer BorderWidth = Params.Is3D ? 1 : 2;
  if (GetFlat()) --BorderWidth;

  TRect ButtonRect;
  TRect TextArea = Content;
  if (Params.HasFilterButton) {
    ButtonRect = TitleFilterButtonRect(ARect, Params.Is3D);
    TextArea.Right = ButtonRect.Left;
  }

  const bool ShowImage = FTitleImages && Title->GetImageIndex() != -1;
  const Integer TextWidth = ShowImage ? FTitleImages->GetWidth() : Canvas->TextWidth(Params.Caption);
  const Integer PressedOffset = !Params.Down ? 0 : !IsMultiTitleMode() && FTitleHeight == 0 && FTitleLines == 0 ? 1 : 2;

  // Room for the sort marker and the sort index: given up, marker first, when
  // the caption needs it.
  const Integer MarkerRight = TextArea.Right;
  bool ShowMarker = Params.SortMarker != smNoneEh;
  bool ShowIndex = false;
  Integer IndexWidth = 0;
  String IndexText;
  if (ShowMarker) {
    TextArea.Right -= 16;
    if (Params.ShowSortIndex && FSortMarkedColumns->Count() > 1 && SortMarkerFontEh()) {
      IndexText = IntToStr(FSortMarkedColumns->IndexOf(Column) + 1);
      IndexWidth = FontTextWidthEh(SortMarkerFontEh(), IndexText);
      ShowIndex = true;
    }
    if (TextArea.Left + BorderWidth + TextWidth > TextArea.Right) {
      ShowMarker = false;
      TextArea.Right += 14 - IndexWidth;
      if (TextArea.Left + BorderWidth + TextWidth > TextArea.Right) {
        ShowIndex = false;
        TextArea.Right += 2 + IndexWidth;
      }
    }
  }

  const bool Filled = !Params.Themed && !(GetFlat() && ThemesEnabledEh());
  if (Filled) Canvas->FillRect(Params.Is3D && !GetFlat() ? Content : ARect);
  else
    FillFixedCellBackground(this, Params.Themed, ARect, State.Contains(gdHotTrack), Params.Down, TRect(), Params.Is3D,
                            false);

  TRect TextRect = TextArea;
  OffsetRect(TextRect, PressedOffset, PressedOffset);
  if (Params.Orientation == tohVertical) {
    WriteTextVerticalEh(Canvas, TextRect, false, BorderWidth + 2, BorderWidth + 2, Params.Caption,
                        Title->GetAlignment(), tlBottom, Title->GetEndEllipsis(), false);
  } else if (!Params.Caption.empty()) {
    WriteCellTextEh(this, Column, Canvas, TextRect, false, BorderWidth, BorderWidth, Params.Caption,
                    Title->GetAlignment(), tlCenter, Params.MultiLine, Title->GetEndEllipsis(), 0, 0);
  }
  if (ShowImage)
    DrawImageInCellEh(FTitleImages, nullptr, Canvas, TextRect, Title->GetImageIndex(), BorderWidth,
                      IsMultiTitleMode() ? taCenter : Title->GetAlignment());

  TImageList* Markers = GetDBGridEhSortMarkerImages();
  const Integer MarkerTop = Markers ? (Content.Top + Content.Bottom - Markers->GetHeight()) / 2 + PressedOffset : 0;
  if (ShowMarker && Markers)
    Markers->Draw(Canvas, MarkerRight - Markers->GetWidth() - 2 - IndexWidth + PressedOffset, MarkerTop,
                  Integer(Params.SortMarker) - 1);
  if (ShowIndex && Markers) {
    TBrush* Brush = Canvas->GetBrush();
    const TBrushStyle OldStyle = Brush->GetStyle();
    const TColor OldColor = Brush->GetColor();
    Canvas->SetFont(SortMarkerFontEh());
    if (Params.FontIsLight) Canvas->GetFont()->SetColor(clWhite);
    Brush->SetStyle(bsClear);
    Canvas->TextOut(MarkerRight - IndexWidth - 2 + PressedOffset, MarkerTop - 1, IndexText);
    Brush->SetColor(OldColor);
    Brush->SetStyle(OldStyle);
    Canvas->SetFont(GetTitleFont());
  }

  if (Params.HasFilterButton) {
    if (Filled) {
      TRect Below(ButtonRect.Left, ButtonRect.Bottom, ButtonRect.Right, Content.Bottom);
      if (!Below.IsEmpty()) Canvas->FillRect(Below);
    }
    PaintTitleFilterButton(Column, ButtonRect, Content, State, Params, PressedOffset);
  }

  if (Params.Is3D && !Params.Themed) {
    Canvas->GetBrush()->SetColor(Params.Background);
    ::DrawFixedCellFrame(this, Canvas, Frame, Params.Down, false, true, true);
  }
}

// The filter button at the right end of a title cell: at most half the cell wide,
// no taller than a data row and centred in a taller cell, inside the frame of a 3-D cell.
TRect TCustomDBGridEh::TitleFilterButtonRect(const TRect& Cell, bool Is3D) const {
  TRect Content = Cell;
  if (Is3D) InflateRect(Content, -1, -1);
  Integer Width = GetFlat() ? ToolCtrlsMetricsEh().DefaultEditButtonWidth + (ThemesEnabledEh() ? 0 : 1)
                            : GetSystemMetrics(SM_CXVSCROLL);
  Width = std::min(Width, Cell.Width() / 2);
  TRect R(Content.Right - Width, Content.Top, Content.Right, Content.Bottom);
  const Integer RowHeight = GetDefaultRowHeight();
  if (R.Height() > RowHeight) {
    R.Top = Content.Top + (Content.Height() - RowHeight) / 2;
    R.Bottom = R.Top + RowHeight;
  }
  return R;
}

// Opaque while the mouse is over it or its list is open; faint otherwise, less
// faint in the cell under an idle mouse.
void TCustomDBGridEh::PaintTitleFilterButton(TColumnEh* Column, const TRect& ButtonRect, const TRect& CellRect,
                                             TGridDrawState State, const TDrawTitleParamsEh& Params,
                                             Integer PressedOffset) {
  const bool ListOpen = FTitleFilterListColumn == Column;
  const bool Hot = State.Contains(gdHotTrack) && FTitleFilterButtonHot;
  Integer Transparency = 80;
  if (GetComponentState().Contains(csDesigning)) Transparency = 30;
  else if (Hot || ListOpen) Transparency = 0;
  else if (State.Contains(gdHotTrack) && GetGridState() == gsNormal && FMouseTrackState == gmtsNoneEh)
    Transparency = 30;
  TRect R = ButtonRect;
  OffsetRect(R, PressedOffset, PressedOffset);
  DrawCellButtonEh(this, Column, GetCanvas(), ebsDropDownEh, R, CellRect, ListOpen, Hot, GetFlat(), true,
                   Params.Background, nullptr, Transparency);
}

// Presses or releases a title as the mouse would, with the mouse over it.
void TCustomDBGridEh::SetTitleButtonDown(TColumnEh* Column, bool Down) {
  const Integer DataCol = Column && Down ? Column->GetIndex() : -1;
  if (FPressedTitleDataColumn == DataCol && FTitleButtonDown == Down) return;
  FTitleButtonDown = Down;
  FPressedTitleInside = Down;
  FPressedTitleDataColumn = DataCol;
  FPressedTitleColumn = DataCol >= 0 ? DataToRawColumn(DataCol) : -1;
  InvalidateTitle();
}

void TCustomDBGridEh::SetTitleFilterListColumn(TColumnEh* Column) {
  if (FTitleFilterListColumn == Column) return;
  FTitleFilterListColumn = Column;
  InvalidateTitle();
}

void TCustomDBGridEh::SetTitleFilterButtonHot(bool Value) {
  if (FTitleFilterButtonHot == Value) return;
  FTitleFilterButtonHot = Value;
  InvalidateTitle();
}

// ---- The filter row under the titles ------------------------------------------------------------------------

void TCustomDBGridEh::DrawSubTitleCell(Integer ACol, Integer ARow, Integer DataCol, Integer, const TRect& ARect,
                                       TGridDrawState State, TCellTypeEh CellType) {
  TCanvas* Canvas = GetCanvas();
  TColumnEh* Column = ColumnOf(FColumns.get(), DataCol);
  if (!Column || CellType.Vert != cavSubTitleEh || !Column->GetSTFilter()->GetVisible()) {
    if (!IsCellThemed(ACol, ARow, DataCol, 0, State, CellType, IsCell3D(ACol, ARow))) {
      Canvas->GetBrush()->SetColor(Column ? Column->GetTitle()->GetColor() : GetFixedColor());
      Canvas->FillRect(ARect);
    }
    return;
  }
  const TDBGridEhSelectionType Kind = FSelection->GetSelectionType();
  const bool Selected = Kind == gstAll || (Kind == gstColumns && FSelection->GetColumns()->IndexOf(Column) >= 0);
  Canvas->SetFont(GetFont());
  Canvas->GetFont()->SetColor(clBlue);
  TColor Background = BlendColorsEh(clWindow, GetFixedColor(), 8);
  GetCellParams(ACol, ARow, cavSubTitleEh, State, Selected, Canvas->GetFont(), Background);
  Canvas->GetBrush()->SetColor(Background);

  TRect TextRect = ARect;
  TSTColumnFilterEh* Filter = Column->GetSTFilter();
  // A column bound to data offers the filter's drop-down list.
  const bool HasList = Column->GetField() || Filter->GetListDataSet();
  TRect ButtonRect;
  if (HasList) {
    const Integer Width = GetFlat() ? ToolCtrlsMetricsEh().DefaultEditButtonWidth + 1 : GetSystemMetrics(SM_CXVSCROLL);
    ButtonRect = TRect(std::max(ARect.Left, ARect.Right - Width), ARect.Top, ARect.Right,
                       std::min(ARect.Bottom, ARect.Top + std::max(GetCellButtonHeight(), 1)));
    TextRect.Right = ButtonRect.Left;
  }
  WriteCellTextEh(this, Column, Canvas, TextRect, true, 2, 2, Filter->GetExpressionStr(), taLeftJustify,
                  Column->GetLayout(), false, false, 0, 0);
  if (!HasList) return;
  TRect Face = ButtonRect;
  if (GetFlat()) {
    // One pixel of the cell between the text and the button.
    Canvas->FillRect(TRect(Face.Left, Face.Top, Face.Left + 1, Face.Bottom));
    ++Face.Left;
  }
  PaintButtonControlEh(Canvas, Face, Background, bcsDropDownEh, 0, GetFlat(), false, true, cbsUncheckedEh);
  const TRect Below(ButtonRect.Left, ButtonRect.Bottom, ButtonRect.Right, ARect.Bottom);
  if (!Below.IsEmpty()) {
    Canvas->GetBrush()->SetColor(Background);
    Canvas->FillRect(Below);
  }
}
