// Data cells: DrawDataCell reads the cell's record, fills its parameters (the
// column's, then the grid's and the column's OnGetCellParams), paints the tree
// area of the first column and lets the advanced draw events draw first; the
// standard drawing (DefaultDrawDataCell) paints background, buttons, image, text,
// check box or picture, the hidden-duplicate lines, the required mark, the
// incremental search's typed prefix and the frame.
//
// Index of this file:
//   DrawDataCell and the cell parameters
//   DefaultDrawDataCell and its steps (background, buttons, duplicates, search)
//   the drawing events and the default column-cell drawing for handlers

#include <cmath>

#include "editors/DaVirVCL.h"
#include "grid/DBGridEh.h"
#include "grid/ScopeGuardEh.h"
#include "platform/core/Streams.h"

namespace {

TColumnEh* ColumnAt(TDBGridColumnsEh* Columns, Integer DataCol) {
  return DataCol >= 0 && DataCol < Columns->GetCount() ? Columns->Items(DataCol) : nullptr;
}

// The button a column shows in its cells for its editor, if any.
bool ColumnButtonStyle(TColumnEh* Column, TEditButtonStyleEh& Style) {
  switch (Column->GetEditStyle()) {
    case esSimpleEh: return false;
    case esEllipsisEh: Style = ebsEllipsisEh; return true;
    case esUpDownEh: Style = ebsUpDownEh; return true;
    case esAltUpDownEh: Style = ebsAltUpDownEh; return true;
    case esAltDropDownEh:
    case esDateAltDropDownEh: Style = ebsAltDropDownEh; return true;
    default: Style = ebsDropDownEh; return true;
  }
}

bool DataSetEditing(TDataSet* DataSet) {
  return DataSet && (DataSet->GetState() == dsEdit || DataSet->GetState() == dsInsert);
}

}  // namespace

// ---- DrawDataCell --------------------------------------------------------------------------------------------

void TCustomDBGridEh::FillCellParams(TColumnEh* Column, Integer DataCol, Integer DataRow, TGridDrawState State,
                                     const TRect& ARect, TColor Background, TFont* Font, TColCellParamsEh* Params) {
  const TColumnKindEh Kind = Column->GetColumnKind();
  Params->SetState(State);
  Params->SetFont(Font);
  Params->SetAlignment(Column->GetAlignment());
  Params->SetBackground(Background);
  Params->SetSuppressActiveCellColor(false);
  Params->SetText(Column->GetDisplayText());
  Params->SetImageIndex(Column->GetImageList() ? Column->GetImageIndex() : -1);
  Params->SetCheckboxState(Kind == ckCheckBox ? Column->GetCheckboxState() : 0);
  Params->SetReadOnly(Column->GetReadOnly());
  Params->SetBlankCell(false);
  Params->SetRow(DataRow);
  Params->SetCol(DataCol);
  Params->SetCellRect(ARect);
  Params->SetTextEditing(Column->GetTextEditing());
  if (OnGetCellParams) {
    TColor Color = Params->GetBackground();
    OnGetCellParams(this, Column, Font, Color, State);
    Params->SetBackground(Color);
  }
  Column->GetColCellParams(false, Params);
}

void TCustomDBGridEh::DrawDataCell(Integer ACol, Integer ARow, Integer DataCol, Integer DataRow, const TRect& ARect,
                                   TGridDrawState State, TCellTypeEh) {
  TCanvas* Canvas = GetCanvas();
  TColumnEh* Column = ColumnAt(FColumns.get(), DataCol);
  if (!Column) {
    Canvas->GetBrush()->SetColor(GetColor());
    Canvas->FillRect(ARect);
    return;
  }
  Canvas->SetFont(Column->GetFont());
  Canvas->GetBrush()->SetColor(Column->GetColor());
  if (GroupingPainted() && DrawGroupDataRow(ARect, DataRow, State)) return;
  if (!FDataLink->GetActive() || DataRow < 0 || !BeginReadRow(DataRow)) {
    Canvas->FillRect(ARect);
    return;
  }
  TScopeExitEh LeaveRow([this] { EndReadRow(); });
  TDataSet* DataSet = FDataLink->GetDataSet();

  TRect R = ARect;
  const bool FirstColumn = FVisibleColumns->Count() > 0 && FVisibleColumns->Items(0) == Column;
  if (GroupingPainted()) {
    if (FirstColumn && !RowPanelPainted()) {
      const Integer Indent = DrawGroupIndent(R, DataRow);
      if (Indent > 0) {
        R.Left += Indent;
        --R.Bottom;
        // The group boxes take the row line of the first column; the record's part keeps it.
        if (FOptions.Contains(dgRowLines) && R.Left < R.Right) {
          const TColor Saved = Canvas->GetBrush()->GetColor();
          Canvas->GetBrush()->SetColor(GetGridLineColors()->GetHorzLineColor(ACol, ARow));
          Canvas->FillRect(TRect(R.Left, R.Bottom, R.Right, R.Bottom + 1));
          Canvas->GetBrush()->SetColor(Saved);
        }
      }
    }
  }
  const bool DetailBox = FirstColumn && RowDetailPanelPainted() && !RowPanelPainted();

  // Striped rows follow the record numbers when the column keeps the grid's colour.
  TColor Background = Column->GetColor();
  if (Background == GetColor() && GetOddRowColor() != GetEvenRowColor() && DataSet) {
    Integer RecNo = -1;
    if (FSumList->GetActive() && FSumList->GetVirtualRecords()) RecNo = FSumList->GetRecNo();
    else if (DataSet->IsSequenced()) RecNo = DataSet->GetRecNo();
    if (RecNo >= 0) Background = RecNo % 2 ? GetOddRowColor() : GetEvenRowColor();
  }
  TColCellParamsEh* Params = FColCellParams.get();
  FillCellParams(Column, DataCol, DataRow, State, R, Background, Canvas->GetFont(), Params);

  // The tree area, then the detail box, at the left of the first column.
  bool HasDetailPanel = true;
  if (FirstColumn && (TreeShown() || RowDetailPanelPainted()) && OnCheckRowHaveDetailPanel)
    OnCheckRowHaveDetailPanel(this, HasDetailPanel);
  if (FirstColumn && TreeShown()) {
    const Integer Width = std::min(TreeAreaWidth(), R.Width());
    DrawTreeCellArea(Canvas, TRect(R.Left, R.Top, R.Left + Width, R.Bottom), HasDetailPanel);
    R.Left += Width;
  }
  if (DetailBox) {
    R.Left += DrawRowDetailButton(R, DataRow, HasDetailPanel);
  } else if (FirstColumn && RowDetailPanelPainted() && !RowPanelPainted()) {
    // The panel came on during the cell's events: its box is left blank this time.
    const TRect Strip(R.Left, R.Top, std::min(R.Right, R.Left + DetailBoxWidthEh), R.Bottom);
    Canvas->GetBrush()->SetColor(GetColor());
    Canvas->FillRect(Strip);
    Canvas->GetBrush()->SetColor(Params->GetBackground());
    R.Left = Strip.Right;
  }

  bool Processed = false;
  const TGridCoord Cell{ACol, ARow};
  if (OnAdvDrawDataCell) OnAdvDrawDataCell(this, Cell, Column, Params, Processed);
  if (!Processed && Column->OnAdvDrawDataCell) Column->OnAdvDrawDataCell(this, Cell, Column, Params, Processed);
  if (!Processed) DefaultDrawDataCell(Cell, TGridCoord{DataCol, DataRow}, Column, R, Params);

  if (FDefaultDrawing && State.Contains(gdFocused) && FocusRectAllowed()) Canvas->DrawFocusRect(R);
}

// Focus rectangles show in the focused, active grid outside row selection and
// updates, unless the style object switches them off.
bool TCustomDBGridEh::FocusRectAllowed() {
  return GridFocused() && !GetComponentState().Contains(csDesigning) && !FOptions.Contains(dgRowSelect) &&
         FUpdateLock == 0 && IsActiveControl() && (!FStyle || FStyle->GetFirstPaintSwitch());
}

// ---- DefaultDrawDataCell -------------------------------------------------------------------------------------

void TCustomDBGridEh::DefaultDrawDataCell(const TGridCoord& Cell, const TGridCoord& AreaCell, TColumnEh* Column,
                                          const TRect& ARect, TColCellParamsEh* Params) {
  TCanvas* Canvas = GetCanvas();
  const Integer ACol = Cell.X, ARow = Cell.Y, DataCol = AreaCell.X, DataRow = AreaCell.Y;
  const bool Blank = Params->GetBlankCell();
  TGridDrawState State = Params->GetState();
  bool Is3D = IsCell3D(ACol, ARow);
  if (Blank && !Is3D) Is3D = FOptionsEh.Contains(dghFixed3D);
  const TCellTypeEh Type{cahDataEh, cavDataEh};
  const bool Themed = IsCellThemed(ACol, ARow, DataCol, DataRow, State, Type, Is3D);
  const bool Flat = GetFlat();
  TRect R = ARect;
  if (Is3D) {
    if (Themed) InflateRect(R, 1, 1);
    else if (Flat) ++R.Right, ++R.Bottom;
    else InflateRect(R, -1, -1);
  }
  Integer BorderWidth = Is3D ? 1 : 2;
  if (Flat) --BorderWidth;
  const Integer FlatButtonOffset = Flat && !ThemesEnabledEh() ? 1 : 0;

  const bool ShowButtons = !Blank && EditButtonsShown(Column, ACol, ARow);
  TRect TextRect = R;
  if (ShowButtons) TextRect.Right = std::max(TextRect.Left, TextRect.Right - Column->EditButtonsWidth());

  TColor Background = Params->GetBackground();
  if (Blank && !Params->GetSuppressActiveCellColor()) Background = GetFixedColor();
  const bool EditorCell =
      Params->GetSuppressActiveCellColor() && ARow == GetRow() && (ACol == GetCol() || FOptions.Contains(dgRowSelect));
  if (!EditorCell) {
    const bool Selected = FSelection->GetSelectionType() != gstNon && CellSelected(DataCol, DataRow);
    if (GetHighlightColors(ACol, ARow, DataCol, DataRow, State, Selected, Canvas->GetFont(), Background))
      State.Include(gdSelected);
  }
  Params->SetState(State);
  Params->SetBackground(Background);
  Canvas->GetBrush()->SetColor(Background);

  bool TopLine = false, BottomLine = false;
  if (Column->GetHideDuplicates() && !Blank) HideDuplicateLines(Column, DataRow, Params, TopLine, BottomLine);

  if (FDefaultDrawing && !Blank && R.Width() > 0) {
    const bool Painted = PaintDataCellBackground(R, ARow, Params, Is3D, Themed);
    Canvas->GetBrush()->SetColor(Background);
    TRect Content = Themed ? R : TextRect;
    TCustomImageList* Images = Column->GetImageList();
    if (Images && Column->GetShowImageAndText()) {
      const TRect Box(Content.Left, Content.Top, std::min(Content.Right, Content.Left + Images->GetWidth() + 4),
                      Content.Bottom);
      if (!Painted) {
        Canvas->GetBrush()->SetColor(Column->GetColor());
        Canvas->FillRect(Box);
        Canvas->GetBrush()->SetColor(Background);
      }
      DrawImageInCellEh(Images, nullptr, Canvas, Box, Params->GetImageIndex(), 0, taCenter);
      Content.Left = Box.Right;
    }
    switch (Column->GetColumnKind()) {
      case ckImageList:
        if (!Painted) Canvas->FillRect(Content);
        DrawImageInCellEh(Images, nullptr, Canvas, Content, Params->GetImageIndex(), 0, taCenter);
        break;
      case ckCheckBox:
        if (!Painted) Canvas->FillRect(Content);
        DrawCheckBoxInCell(Canvas, Content, Params->GetCheckboxState(), Background);
        break;
      case ckGraphic:
        if (!Painted) Canvas->FillRect(Content);
        DrawGraphicOrMemoCell(Column, Content);
        break;
      default: {
        const String& Text = Params->GetText();
        const bool Wrap =
            Column->GetWordWrap() && GetMultiLineRow() &&
            (Text.find(u'\n') != String::npos || Canvas->TextWidth(Text) > Content.Width() - 2 * BorderWidth);
        WriteCellTextEh(this, Column, Canvas, Content, !Painted, BorderWidth, BorderWidth, Text, Params->GetAlignment(),
                        Column->GetLayout(), Wrap, Column->GetEndEllipsis(), 0, BorderWidth);
        break;
      }
    }
  }

  if (ShowButtons) DrawDataCellButtons(Column, R, TextRect, Params, Is3D, Themed, FlatButtonOffset);

  // A required field left empty in the row being edited is underlined in red.
  TField* Field = Column->GetField();
  TDataSet* DataSet = FDataLink->GetDataSet();
  if (!Blank && Column->GetHighlightRequired() && ARow == GetRow() && DataSetEditing(DataSet) && Field &&
      Field->GetRequired() && Field->GetIsNull()) {
    bool Draw = true;
    if (Column->OnCheckDrawRequiredState) Column->OnCheckDrawRequiredState(Column, Params->GetText(), Draw);
    if (Draw) {
      TPen* Pen = Canvas->GetPen();
      const TColor OldColor = Pen->GetColor();
      const TPenStyle OldStyle = Pen->GetStyle();
      Pen->SetColor(clRed);
      Pen->SetStyle(psDot);
      Canvas->MoveTo(R.Left + 2, R.Bottom - 1);
      Canvas->LineTo(R.Right - 3, R.Bottom - 1);
      Pen->SetColor(OldColor);
      Pen->SetStyle(OldStyle);
    }
  }

  if (FColumns->GetState() == csDefault) DoDrawDataCell(ARect, Field, State);
  DoDrawColumnCell(ARect, DataCol, Column, State);

  DrawIncSearchHighlight(Column, TextRect, Params);

  // Hidden duplicates read as one cell: the lines between them take the cell's colour.
  if ((TopLine || BottomLine) && FOptions.Contains(dgRowLines) && GetGridLineWidth() > 0) {
    const Integer Line = GetGridLineWidth();
    TBrush* Brush = Canvas->GetBrush();
    Brush->SetColor(Column->GetColor());
    if (TopLine) Canvas->FillRect(TRect(ARect.Left, ARect.Top - Line, ARect.Right, ARect.Top));
    if (BottomLine) Canvas->FillRect(TRect(ARect.Left, ARect.Bottom, ARect.Right, ARect.Bottom + Line));
    Brush->SetColor(Background);
  }

  TRect Frame = ARect;
  if (TreeShown() && FVisibleColumns->Count() > 0 && FVisibleColumns->Items(0) == Column) ++Frame.Left;
  if (Blank) {
    Canvas->GetBrush()->SetColor(Background);
    FillFixedCellBackground(this, Themed, Frame, false, false, TRect(), Is3D, false);
  }
  if (Is3D && !Themed) {
    Canvas->GetBrush()->SetColor(Background);
    if (Flat) ++Frame.Right, ++Frame.Bottom;
    ::DrawFixedCellFrame(this, Canvas, Frame, false, false, true, true);
  }
}

// Themed looks give the current row, the hot cell and the hot row a soft gradient,
// and 3-D cells the fixed-cell face; without them nothing is painted here.
bool TCustomDBGridEh::PaintDataCellBackground(const TRect& ARect, Integer ARow, TColCellParamsEh* Params, bool Is3D,
                                              bool Themed) {
  const TGridDrawState State = Params->GetState();
  const bool RowHighlight = FOptionsEh.Contains(dghRowHighlight);
  const bool Special =
      ThemesEnabledEh() && ((RowHighlight && ARow == GetRow() && !State.Contains(gdCurrent)) ||
                            State.Contains(gdHotTrack) || (RowHighlight && ARow == GetHotTrackCell().Y));
  TCanvas* Canvas = GetCanvas();
  if (!Special) {
    if (!((Is3D && !State.Contains(gdSelected) && Themed) || (GetFlat() && ThemesEnabledEh()))) return false;
    FillFixedCellBackground(this, Themed, ARect, false, State.Contains(gdFocused), TRect(), Is3D, false);
    return true;
  }
  if (State.Contains(gdFocused)) {
    Canvas->FillRect(ARect);
  } else {
    const TColor Color = Params->GetBackground();
    DrawShadedRectEh(Canvas, ARect, MixColorsEh(Color, clBtnHighlight, 33), Color);
  }
  return true;
}

bool TCustomDBGridEh::EditButtonsShown(TColumnEh* Column, Integer ACol, Integer ARow) {
  if (!Column->GetAlwaysShowEditButton() || Column->EditButtonsWidth() <= 0) return false;
  const TEditButtonsShowOptionsEh Options = FEditButtonsShowOptions;
  if (Options.Contains(sebShowOnlyForCurCellEh) && (ARow != GetRow() || ACol != GetCol())) return false;
  if (Options.Contains(sebShowOnlyForCurRowEh) && ARow != GetRow()) return false;
  if (Options.Contains(sebShowOnlyWhenGridActiveEh) && !GridFocused()) return false;
  if (Options.Contains(sebShowOnlyWhenDataEditingEh) && !DataSetEditing(FDataLink->GetDataSet())) return false;
  return true;
}

// The column's own button (index 0), then its visible extra buttons (1, 2, ...),
// left to right from Left, each as wide as its own width or the cell buttons'.
void TCustomDBGridEh::ForEachCellEditButton(
    TColumnEh* Column, Integer Left, Integer Top, Integer Height,
    const std::function<void(Integer Index, TEditButtonStyleEh Style, const TRect& Rect, TEditButtonEh* Button)>&
        Visit) {
  const Integer FlatButtonOffset = GetFlat() && !ThemesEnabledEh() ? 1 : 0;
  Integer X = Left;
  TEditButtonStyleEh Style = ebsDropDownEh;
  if (ColumnButtonStyle(Column, Style)) {
    const Integer Width = GetCellButtonWidth() + FlatButtonOffset;
    Visit(0, Style, TRect(X, Top, X + Width, Top + Height), nullptr);
    X += Width;
  }
  TEditButtonsEh* Buttons = Column->GetEditButtons();
  Integer Index = 0;
  for (Integer I = 0; I < Buttons->GetCount(); ++I) {
    TEditButtonEh* Button = Buttons->Items(I);
    if (!Button->GetVisible()) continue;
    const Integer Width = (Button->GetWidth() > 0 ? Button->GetWidth() : GetCellButtonWidth()) + FlatButtonOffset;
    Visit(++Index, Button->GetStyle(), TRect(X, Top, X + Width, Top + Height), Button);
    X += Width;
  }
}

// Faint except in the focused cell or the highlighted current row; the button
// under the mouse shows hot.
void TCustomDBGridEh::DrawDataCellButtons(TColumnEh* Column, const TRect& CellRect, const TRect& TextRect,
                                          TColCellParamsEh* Params, bool Is3D, bool, Integer) {
  TCanvas* Canvas = GetCanvas();
  const TGridDrawState State = Params->GetState();
  const bool CurrentRow = Params->GetRow() >= 0 && Params->GetRow() + GetTitleRowCount() == GetRow();
  Integer Transparency = 30;
  if (!GetComponentState().Contains(csDesigning)) {
    if (!FFilterEditing && (State.Contains(gdFocused) || (FOptionsEh.Contains(dghRowHighlight) && CurrentRow)))
      Transparency = 0;
    else if (!State.Contains(gdHotTrack)) Transparency = 80;
  }
  const Integer Height = std::min(GetCellButtonHeight(), CellRect.Height());
  const bool Stripe = GetFlat() && Is3D && !ThemesEnabledEh();
  const bool HotCell = State.Contains(gdHotTrack) && FHotEditButton >= 0;
  Integer Right = TextRect.Right;
  ForEachCellEditButton(Column, TextRect.Right, CellRect.Top, Height,
                        [&](Integer Index, TEditButtonStyleEh Style, const TRect& Button, TEditButtonEh* Item) {
                          DrawCellButtonEh(this, Column, Canvas, Style, Button, CellRect, false,
                                           HotCell && Index == FHotEditButton, GetFlat(), !Item || Item->GetEnabled(),
                                           Params->GetBackground(), Item ? Item->GetGlyph() : nullptr, Transparency);
                          Right = Button.Right;
                          if (Stripe) Canvas->FillRect(TRect(Right - 1, Button.Bottom, Right, CellRect.Bottom));
                        });
  if (Height < CellRect.Height()) {
    Canvas->GetBrush()->SetColor(Params->GetBackground());
    Canvas->FillRect(TRect(TextRect.Right, CellRect.Top + Height, Right, CellRect.Bottom));
  }
}

Integer TCustomDBGridEh::CellEditButtonAt(TGridCoord Cell, Integer X, Integer Y) {
  if (RowPanelPainted() || Cell.X < FIndicatorOffset || Cell.Y < GetTitleRowCount() || Cell.Y >= GetRowCount())
    return -1;
  const Integer DataCol = RawToDataColumn(Cell.X);
  if (DataCol >= FColumns->GetCount() || !FDataLink->GetActive()) return -1;
  TColumnEh* Column = FColumns->Items(DataCol);
  if (!EditButtonsShown(Column, Cell.X, Cell.Y)) return -1;
  // The cell as its painting frames it.
  TRect R = CellRect(Cell.X, Cell.Y);
  if (IsCell3D(Cell.X, Cell.Y)) {
    if (IsCellThemed(Cell.X, Cell.Y, DataCol, Cell.Y - GetTitleRowCount(), TGridDrawState(), {cahDataEh, cavDataEh},
                     true))
      InflateRect(R, 1, 1);
    else if (GetFlat()) ++R.Right, ++R.Bottom;
    else InflateRect(R, -1, -1);
  }
  const Integer Left = std::max(R.Left, R.Right - Column->EditButtonsWidth());
  const Integer Height = std::min(GetCellButtonHeight(), R.Height());
  // A right-to-left cell has its buttons mirrored at its left end.
  const Integer PX = UseRightToLeftAlignment() ? R.Left + R.Right - 1 - X : X;
  Integer Hit = -1;
  ForEachCellEditButton(Column, Left, R.Top, Height,
                        [&](Integer Index, TEditButtonStyleEh, const TRect& Button, TEditButtonEh*) {
                          if (Hit < 0 && PX >= Button.Left && PX < Button.Right && Y >= Button.Top && Y < R.Bottom)
                            Hit = Index;
                        });
  return Hit;
}

// A run of equal values shows its value once, on its first row.
void TCustomDBGridEh::HideDuplicateLines(TColumnEh* Column, Integer DataRow, TColCellParamsEh* Params, bool& TopLine,
                                         bool& BottomLine) {
  if (!FNeighbourParams) {
    FNeighbourParams = std::make_unique<TColCellParamsEh>();
    FNeighbourFont = std::make_unique<TFont>();
  }
  auto NeighbourText = [&](Integer Row, String& Text) {
    if (Row < 0 || !BeginReadRow(Row)) return false;
    TScopeExitEh Leave([this] { EndReadRow(); });
    FNeighbourFont->Assign(Column->GetFont());
    FillCellParams(Column, Params->GetCol(), Row, TGridDrawState(), TRect(), Column->GetColor(), FNeighbourFont.get(),
                   FNeighbourParams.get());
    Text = FNeighbourParams->GetText();
    return true;
  };
  const String Own = Params->GetText();
  String Other;
  if (NeighbourText(DataRow + 1, Other) && Other == Own) BottomLine = true;
  if (NeighbourText(DataRow - 1, Other) && Other == Own) {
    TopLine = true;
    Params->SetText(String());
    Params->SetImageIndex(-1);
  }
}

// The typed prefix of an incremental search, yellow behind black, where it stands
// in the cell's text.
void TCustomDBGridEh::DrawIncSearchHighlight(TColumnEh* Column, const TRect& ARect, TColCellParamsEh* Params) {
  const TGridDrawState State = Params->GetState();
  if (!FIncSearchActive || FIncSearchText.empty() || !State.Contains(gdFocused)) return;
  if (Params->GetRow() + GetTitleRowCount() != GetRow() || Params->GetCol() != GetSelectedIndex()) return;
  if (!(FOptions.Contains(dgAlwaysShowSelection) || GridFocused()) || GetComponentState().Contains(csDesigning) ||
      FUpdateLock != 0 || !IsActiveControl())
    return;
  const String& Text = Params->GetText();
  const String Prefix = Text.substr(0, std::min(Text.size(), FIncSearchText.size()));
  if (Prefix.empty()) return;
  TCanvas* Canvas = GetCanvas();
  const TFontDataEh Saved = [&] {
    TFontDataEh Data;
    SaveFontDataEh(Canvas->GetFont(), Data);
    return Data;
  }();
  const TColor OldBrush = Canvas->GetBrush()->GetColor();
  Integer BorderWidth = IsCell3D(DataToRawColumn(Params->GetCol()), GetRow()) ? 1 : 2;
  if (GetFlat()) --BorderWidth;
  TAlignment Alignment = Params->GetAlignment();
  // Right-to-left the text was written unmirrored at the mirrored rectangle
  // with its alignment turned round: the prefix goes the same way.
  const bool Mirrored = UseRightToLeftAlignment() && IsCanvasMirrored();
  const TRect Cell = Mirrored ? MirroredRect(ARect) : ARect;
  if (Mirrored) ChangeGridOrientation(false);
  TScopeExitEh Remirror([&] {
    if (Mirrored) ChangeGridOrientation(true);
  });
  if (UseRightToLeftAlignment()) {
    if (Alignment == taLeftJustify) Alignment = taRightJustify;
    else if (Alignment == taRightJustify) Alignment = taLeftJustify;
  }
  // The prefix goes where the full text put it.
  const Integer FullWidth = Canvas->TextWidth(Text);
  const Integer PrefixWidth = Canvas->TextWidth(Prefix);
  Integer X = Cell.Left + BorderWidth;
  if (Alignment == taRightJustify) X = Cell.Right - FullWidth - 3;
  else if (Alignment == taCenter) X = Cell.Left + Cell.Width() / 2 - FullWidth / 2;
  TTextMetric TM;
  GetTextMetrics(Canvas->GetHandle(), TM);
  Integer Y = Cell.Top + BorderWidth;
  const TTextLayout Layout = Column->GetLayout();
  if (Layout != tlTop && TM.tmHeight < Cell.Height())
    Y = Layout == tlCenter ? (Cell.Top + Cell.Bottom - TM.tmHeight) / 2 : Cell.Bottom - TM.tmHeight;
  TRect Box(X, Y, X + PrefixWidth, Y + TM.tmHeight);
  IntersectRect(Box, Box, Cell);
  Canvas->GetBrush()->SetColor(IncSearchColor);
  Canvas->GetFont()->SetColor(IncSearchTextColor);
  if (!Box.IsEmpty()) Canvas->TextRect(Box, X, Y, Prefix);
  Canvas->GetBrush()->SetColor(OldBrush);
  RestoreFontDataEh(Saved, Canvas->GetFont());
}

void TCustomDBGridEh::DrawCheckBoxInCell(TCanvas* Canvas, const TRect& ARect, Integer State, TColor Background) {
  const TRect Box = CheckBoxRectEh(ARect, cbaCenterEh, cblCenterEh);
  const TCheckBoxStateEh Check = State == 0 ? cbsUncheckedEh : State == 1 ? cbsCheckedEh : cbsGrayedEh;
  PaintButtonControlEh(Canvas, Box, Background, bcsCheckboxEh, 0, GetFlat(), false, true, Check);
  GdiRecordNote(Canvas->GetHandle(), u"check box", Box, State);
}

// No pictures are drawn here: a picture field's cell shows its display text centred.
bool LoadGraphicFieldEh(TField* Field, TBitmap& Picture) {
  auto* Blob = dynamic_cast<TBlobField*>(Field);
  if (!Blob || Blob->GetIsNull()) return false;
  TMemoryStream Stream;
  Blob->SaveToStream(&Stream);
  // A picture may carry the 8-byte graphic header before its bitmap.
  const auto* Bytes = static_cast<const char*>(Stream.GetMemory());
  const Int64 Size = Stream.GetSize();
  Int64 Start = 0;
  if (Size >= 10 && !(Bytes[0] == 'B' && Bytes[1] == 'M') && Bytes[8] == 'B' && Bytes[9] == 'M') Start = 8;
  Stream.SetPosition(Start);
  try {
    Picture.LoadFromStream(&Stream);
  } catch (const EInvalidGraphic&) {
    return false;  // a damaged picture shows as an empty cell
  } catch (const EStreamError&) {
    return false;
  }
  return !Picture.GetEmpty();
}

// The picture of a graphic field, shrunk to fit the cell keeping its proportions
// and centred; without graphic data the field's text, centred.
void TCustomDBGridEh::DrawGraphicOrMemoCell(TColumnEh* Column, const TRect& ARect) {
  TCanvas* Canvas = GetCanvas();
  TField* Field = Column->GetField();
  if (FDrawGraphicData) {
    Canvas->FillRect(ARect);
    TBitmap Picture;
    if (!LoadGraphicFieldEh(Field, Picture) || ARect.Width() <= 0 || ARect.Height() <= 0) return;
    double Width = Picture.GetWidth(), Height = Picture.GetHeight();
    const double WidthRatio = Width / ARect.Width(), HeightRatio = Height / ARect.Height();
    if (WidthRatio > 1 || HeightRatio > 1) {
      const double Ratio = WidthRatio > HeightRatio ? WidthRatio : HeightRatio;
      Width /= Ratio;
      Height /= Ratio;
    }
    const Integer W = Integer(std::lround(Width)), H = Integer(std::lround(Height));
    const Integer Left = ARect.Left + (ARect.Width() - W) / 2, Top = ARect.Top + (ARect.Height() - H) / 2;
    Picture.Draw(Canvas, TRect(Left, Top, Left + W, Top + H));
    return;
  }
  const String Text = Field ? Field->GetDisplayText() : String();
  Canvas->SetFont(GetFont());
  TRect R = ARect;
  DrawText(Canvas->GetHandle(), Text, Integer(Text.size()), R, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

// ---- Events and the default drawing for handlers -----------------------------------------------------------

void TCustomDBGridEh::DoDrawColumnCell(const TRect& Rect, Integer DataCol, TColumnEh* Column, TGridDrawState State) {
  if (OnDrawColumnCell) OnDrawColumnCell(this, Rect, DataCol, Column, State);
}

void TCustomDBGridEh::DoDrawDataCell(const TRect& Rect, TField* Field, TGridDrawState State) {
  if (OnDrawDataCell) OnDrawDataCell(this, Rect, Field, State);
}

void TCustomDBGridEh::DefaultDrawColumnCell(const TRect& Rect, Integer, TColumnEh* Column, TGridDrawState) {
  TCanvas* Canvas = GetCanvas();
  Canvas->FillRect(Rect);
  if (!Column) return;
  WriteCellTextEh(this, Column, Canvas, Rect, true, 2, 2, Column->GetDisplayText(), Column->GetAlignment(),
                  Column->GetLayout(), false, Column->GetEndEllipsis(), 0, 2);
}
