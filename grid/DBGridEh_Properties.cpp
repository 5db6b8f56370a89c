// The grid's property setters: which re-lay the grid out and which only
// repaint, how Options and OptionsEh drive the base grid's own options, the
// cell areas, the editor queries of the base grid, the cell rules the painters
// and the mouse code ask (3D cells, selected and highlighted cells, the colours
// of highlighted cells, cell lines, hot tracking), and the data link's
// active-state change.
//
// Index of this file:
//   Options, OptionsEh and the column-resize rule
//   the other setters
//   cell areas (GetCellType) and cell rules
//   the base grid's editor queries
//   the data link's active state

#include "grid/DBGridEh.h"

namespace {

// Options whose change moves rows or columns.
constexpr TDBGridOptions LayoutOptions{dgEditing,  dgAlwaysShowEditor, dgTitles,    dgIndicator,
                                       dgColLines, dgRowLines,         dgRowSelect, dgAlwaysShowSelection};

bool BothColumnOptions(TDBGridEhOptions Options) {
  return Options.Contains(dghColumnResize) && Options.Contains(dghColumnMove);
}

}  // namespace

// ---- Options ------------------------------------------------------------------------------------------

void TCustomDBGridEh::ApplyColumnResizeRule(TDBGridOptions OldOptions, TDBGridOptions& NewOptions,
                                            TDBGridEhOptions OldOptionsEh, TDBGridEhOptions& NewOptionsEh) const {
  const bool OldResize = OldOptions.Contains(dgColumnResize), NewResize = NewOptions.Contains(dgColumnResize);
  if (OldResize != NewResize) {
    if (NewResize) NewOptionsEh = NewOptionsEh + dghColumnResize + dghColumnMove;
    else NewOptionsEh = NewOptionsEh - dghColumnResize - dghColumnMove;
  } else if (BothColumnOptions(NewOptionsEh) && !BothColumnOptions(OldOptionsEh)) {
    NewOptions.Include(dgColumnResize);
  } else if (!BothColumnOptions(NewOptionsEh) && BothColumnOptions(OldOptionsEh)) {
    NewOptions.Exclude(dgColumnResize);
  } else if (OldOptions == NewOptions && NewResize && OldOptionsEh == NewOptionsEh) {
    NewOptionsEh = NewOptionsEh + dghColumnResize + dghColumnMove;
  }
}

// The base grid's options follow the two sets; nothing of the old base set survives.
void TCustomDBGridEh::ApplyOptions(TDBGridOptions Options, TDBGridEhOptions OptionsEh, bool) {
  TGridOptions Base;
  if (FRowSizingAllowed) Base.Include(goRowSizing);
  if (OptionsEh.Contains(dghExtendVertLines)) Base.Include(goExtendVertLinesEh);
  if (Options.Contains(dgColLines)) Base = Base + goFixedVertLine + goVertLine;
  if (Options.Contains(dgRowLines)) Base = Base + goFixedHorzLine + goHorzLine;
  if (Options.Contains(dgTabs)) Base.Include(goTabs);
  if (Options.Contains(dgRowSelect)) Base.Include(goRowSelect);
  if (Options.Contains(dgEditing)) Base.Include(goEditing);
  if (Options.Contains(dgAlwaysShowEditor)) Base.Include(goAlwaysShowEditor);
  if (OptionsEh.Contains(dghColumnResize)) Base.Include(goColSizing);
  if (OptionsEh.Contains(dghColumnMove)) Base.Include(goColMoving);
  TCustomGridEh::SetOptions(Base);
}

void TCustomDBGridEh::SetOptions(TDBGridOptions Value) {
  if (Value.Contains(dgRowSelect)) Value = Value - dgEditing - dgAlwaysShowEditor;
  if (Value == FOptions) return;
  if (FOptions.Contains(dgMultiSelect) && !Value.Contains(dgMultiSelect)) ClearSelection();
  TDBGridEhOptions NewOptionsEh = FOptionsEh;
  if (!GetComponentState().Contains(csLoading)) ApplyColumnResizeRule(FOptions, Value, FOptionsEh, NewOptionsEh);
  const bool Relayout = !(((FOptions - Value) + (Value - FOptions)) * LayoutOptions).Empty();
  FOptions = Value;
  FOptionsEh = NewOptionsEh;
  ApplyOptions(FOptions, FOptionsEh, false);
  if (Relayout) LayoutChanged();
  if (GetEditorMode()) InvalidateEditor();
}

void TCustomDBGridEh::SetOptionsEh(TDBGridEhOptions Value) {
  if (Value == FOptionsEh) return;
  if (FOptionsEh.Contains(dghMultiSortMarking) && !Value.Contains(dghMultiSortMarking))
    for (Integer I = FSortMarkedColumns->Count() - 1; I >= 1; --I)
      if (TColumnEh* Column = FSortMarkedColumns->Items(I)) Column->GetTitle()->SetSortMarker(smNoneEh);
  TDBGridOptions NewOptions = FOptions;
  if (!GetComponentState().Contains(csLoading)) ApplyColumnResizeRule(FOptions, NewOptions, FOptionsEh, Value);
  const bool RowHeightsFollow = FOptionsEh.Contains(dghAutoFitRowHeight) != Value.Contains(dghAutoFitRowHeight);
  FOptions = NewOptions;
  FOptionsEh = Value;
  ApplyOptions(FOptions, FOptionsEh, false);
  if (RowHeightsFollow) DataRowHeightsChanged();
  LayoutChanged();
}

// ---- Other setters --------------------------------------------------------------------------------------

void TCustomDBGridEh::SetAllowedSelections(TDBGridEhAllowedSelections Value) {
  if (FAllowedSelections == Value) return;
  FAllowedSelections = Value;
  const TDBGridEhSelectionType Kind = FSelection->GetSelectionType();
  if (Kind != gstNon && !Value.Contains(Kind)) ClearSelection();
}

void TCustomDBGridEh::SetAutoFitColWidths(bool Value) {
  if (FAutoFitColWidths == Value) return;
  FAutoFitColWidths = Value;
  if (GetComponentState().Contains(csDesigning)) return;
  if (!Value) {
    FColumns->BeginUpdate();
    for (Integer I = 0; I < FColumns->GetCount(); ++I) FColumns->Items(I)->SetWidth(FColumns->Items(I)->GetInitWidth());
    FColumns->EndUpdate();
    SetScrollBars(ssHorizontal);
  } else {
    if (!GetComponentState().Contains(csLoading))
      for (Integer I = 0; I < FColumns->GetCount(); ++I)
        FColumns->Items(I)->SetInitWidth(FColumns->Items(I)->GetWidth());
    SetScrollBars(ssNone);
    if (GetFixedCols() < GetColCount()) SetLeftCol(GetFixedCols());
  }
  LayoutChanged();
}

void TCustomDBGridEh::SetContraColCountEh(Integer Value) {
  FContraColCountSet = Value;
  LayoutChanged();
}

TDataSource* TCustomDBGridEh::GetDataSource() const { return FDataLink ? FDataLink->GetDataSource() : nullptr; }

void TCustomDBGridEh::SetDataSource(TDataSource* Value) {
  if (Value == GetDataSource()) return;
  ClearSelection();
  FDataLink->SetDataSource(Value);
  if (Value) Value->FreeNotification(this);
  DataLinkActiveChanged(FDataLink->GetActive());
  FSumList->SetDataSet(FDataLink->GetDataSet());
}

void TCustomDBGridEh::SetDrawGraphicData(bool Value) {
  if (FDrawGraphicData == Value) return;
  FDrawGraphicData = Value;
  Invalidate();
}

void TCustomDBGridEh::SetDrawMemoText(bool Value) {
  if (FDrawMemoText == Value) return;
  FDrawMemoText = Value;
  Invalidate();
}

void TCustomDBGridEh::SetEditButtonsShowOptions(TEditButtonsShowOptionsEh Value) {
  FEditButtonsShowOptions = Value;
  Invalidate();
}

void TCustomDBGridEh::SetEvenRowColor(TColor Value) {
  FEvenRowColorAssigned = true;
  FEvenRowColor = Value;
  Invalidate();
}

void TCustomDBGridEh::SetOddRowColor(TColor Value) {
  FOddRowColorAssigned = true;
  FOddRowColor = Value;
  Invalidate();
}

void TCustomDBGridEh::SetFooterColor(TColor Value) {
  if (!GetComponentState().Contains(csLoading)) SetParentColor(false);
  FFooterColor = Value;
  if (FFooterRowCount > 0) InvalidateFooter();
}

void TCustomDBGridEh::SetFooterFont(const TFont* Value) {
  FFooterFont->Assign(Value);
  if (FFooterRowCount > 0) LayoutChanged();
}

void TCustomDBGridEh::SetFooterRowCount(Integer Value) {
  if (Value < 0 || Value == FFooterRowCount) return;
  FFooterRowCount = Value;
  QueryMemTableIntf();
  LayoutChanged();
}

void TCustomDBGridEh::SetFrozenCols(Integer Value) {
  if (Value < 0 || Value == FFrozenCols) return;
  FFrozenCols = Value;
  LayoutChanged();
}

void TCustomDBGridEh::SetMinAutoFitWidth(Integer Value) {
  FMinAutoFitWidth = Value;
  LayoutChanged();
}

void TCustomDBGridEh::SetVTitleMargin(Integer Value) {
  FVTitleMargin = Value;
  LayoutChanged();
}

void TCustomDBGridEh::SetTitleHeight(Integer Value) {
  FTitleHeight = Value;
  LayoutChanged();
}

void TCustomDBGridEh::SetTitleLines(Integer Value) {
  FTitleLines = Value;
  LayoutChanged();
}

void TCustomDBGridEh::SetReadOnly(bool Value) {
  FReadOnly = Value;
  Invalidate();
  if (!GetComponentState().Contains(csReading)) SetColumnAttributes();
}

void TCustomDBGridEh::SetRowHeight(Integer Value) {
  if (Value < 0) Value = 0;
  if (Value == FRowHeight) return;
  FRowHeight = Value;
  LayoutChanged();
  DataRowHeightsChanged();
}

void TCustomDBGridEh::SetRowLines(Integer Value) {
  if (Value < 0) Value = 0;
  if (Value == FRowLines) return;
  FRowLines = Value;
  LayoutChanged();
  DataRowHeightsChanged();
}

void TCustomDBGridEh::SetRowSizingAllowed(bool Value) {
  FRowSizingAllowed = Value;
  ApplyOptions(FOptions, FOptionsEh, false);
}

void TCustomDBGridEh::SetTitleFont(const TFont* Value) {
  FTitleFont->Assign(Value);
  if (FOptions.Contains(dgTitles)) LayoutChanged();
}

void TCustomDBGridEh::SetTitleImages(TCustomImageList* Value) {
  if (FTitleImages) FTitleImages->UnRegisterChanges(&FTitleImagesChangeLink);
  FTitleImages = Value;
  if (Value) {
    Value->RegisterChanges(&FTitleImagesChangeLink);
    Value->FreeNotification(this);
  }
  LayoutChanged();
}

void TCustomDBGridEh::SetUseMultiTitle(bool Value) {
  FUseMultiTitle = Value;
  LayoutChanged();
}

void TCustomDBGridEh::TitleFontChanged(TObject*) {
  if (!GetComponentState().Contains(csLoading) && FSelfChangingFonts == 0) SetParentFont(false);
  if (FOptions.Contains(dgTitles)) LayoutChanged();
}

void TCustomDBGridEh::FooterFontChanged(TObject*) {
  if (!GetComponentState().Contains(csLoading) && FSelfChangingFonts == 0) SetParentFont(false);
  if (FFooterRowCount > 0) LayoutChanged();
}

void TCustomDBGridEh::FlatChanged() { LayoutChanged(); }

// ---- Cell areas -----------------------------------------------------------------------------------

Integer TCustomDBGridEh::GetSubTitleRowCount() const {
  return FSTFilter && FSTFilter->GetVisible() && FSTFilter->GetLocation() == stflUnderTitleFilterEh ? 1 : 0;
}

Integer TCustomDBGridEh::GetTitleRowCount() const { return (TitlesVisible() ? 1 : 0) + GetSubTitleRowCount(); }

TCellTypeEh TCustomDBGridEh::GetCellType(Integer ACol, Integer ARow, Integer& DataCol, Integer& DataRow) const {
  TCellTypeEh Type;
  if (ACol >= FIndicatorOffset) {
    Type.Horz = cahDataEh;
    DataCol = ACol - FIndicatorOffset;
  } else {
    Type.Horz = cahIndicatorEh;
    DataCol = ACol;
  }
  const Integer TitleRows = TitlesVisible() ? 1 : 0;
  const Integer SubRows = GetSubTitleRowCount();
  if (ARow >= 0 && ARow < TitleRows) {
    Type.Vert = cavTitleEh;
    DataRow = ARow;
  } else if (ARow >= TitleRows && ARow < TitleRows + SubRows) {
    Type.Vert = cavSubTitleEh;
    DataRow = ARow - TitleRows;
  } else if (ARow >= TitleRows + SubRows && ARow < GetRowCount()) {
    Type.Vert = cavDataEh;
    DataRow = ARow - TitleRows - SubRows;
  } else if (ARow >= GetRowCount() && ARow < GetFullRowCount()) {
    Type.Vert = cavFooterEh;
    DataRow = ARow - GetRowCount();
  } else {
    throw Exception(SGetCellTypeErrorEh);
  }
  return Type;
}

bool TCustomDBGridEh::MultiTitleActive() const { return FUseMultiTitle && !FRowPanel->GetActive(); }

bool TCustomDBGridEh::CanEditorMode() { return FOptions.Contains(dgEditing) && !FFilterEditing; }

bool TCustomDBGridEh::RowFocusRectVisible() {
  return !GetComponentState().Contains(csDesigning) && FOptions.Contains(dgRowSelect) && GetDefaultDrawing() &&
         GridFocused();
}

bool TCustomDBGridEh::IsCell3D(Integer ACol, Integer ARow) {
  Integer DataCol = 0, DataRow = 0;
  const TCellTypeEh Type = GetCellType(ACol, ARow, DataCol, DataRow);
  if (Type.Vert == cavSubTitleEh && Type.Horz == cahDataEh) return false;
  if (Type.Vert == cavFooterEh) return FOptionsEh.Contains(dghFooter3D);
  if (Type.Horz == cahIndicatorEh || Type.Vert == cavTitleEh) return FOptionsEh.Contains(dghFixed3D);
  if (ACol < GetFixedCols()) return FOptionsEh.Contains(dghFrozen3D);
  return FOptionsEh.Contains(dghData3D);
}

bool TCustomDBGridEh::CellSelected(Integer DataCol, Integer) {
  if (FSelection->GetSelectionType() == gstAll) return true;
  TDataSet* DataSet = FDataLink->GetDataSet();
  if (!FDataLink->GetActive() || !DataSet || DataSet->IsEmpty()) return false;
  const TBookmark Bookmark = DataSet->GetBookmark();
  if (DataCol < 0) return FSelection->GetSelectionType() == gstRecordBookmarks && FBookmarks->IndexOf(Bookmark) >= 0;
  return IsCellSelected(DataCol, Bookmark);
}

bool TCustomDBGridEh::GetHighlightColors(Integer ACol, Integer ARow, Integer DataCol, Integer DataRow,
                                         TGridDrawState State, bool IsSelected, TFont* AFont, TColor& Background) {
  if (FStyle)
    return FStyle->GetHighlightColors(this, ACol, AFont, Background, IsSelected, State, DataRow, DataCol, ARow);
  const bool RowSelect = FOptions.Contains(dgRowSelect);
  const bool AlwaysShow = FOptions.Contains(dgAlwaysShowSelection);
  const bool Focused = GridFocused();
  const bool CurrentRow = ARow == GetRow();
  bool FocusHighlight = Focused && FOptionsEh.Contains(dghHighlightFocus);
  bool Highlighted = IsSelected;
  if (!Highlighted) {
    // The current row outside the current column counts as focus-highlighted.
    const bool RowHighlight = FOptionsEh.Contains(dghRowHighlight) && FSelection->GetSelectionType() == gstNon &&
                              CurrentRow && ACol != GetCol() && (AlwaysShow || FocusHighlight);
    if (RowHighlight) FocusHighlight = true;
    const bool Candidate = State.Contains(gdSelected) || (CurrentRow && RowSelect) || RowHighlight;
    Highlighted = Candidate && (AlwaysShow || FocusHighlight) && (FUpdateLock == 0 || RowSelect);
  }
  if (!Highlighted) return false;
  if (Focused) {
    Background = clHighlight;
    AFont->SetColor(clHighlightText);
  } else if (CurrentRow && ACol != GetCol() && !RowSelect) {
    Background = clBtnFace;
  } else if (AlwaysShow || FocusHighlight) {
    Background = clBtnShadow;
    AFont->SetColor(clHighlightText);
  } else {
    Background = clBtnFace;
  }
  return true;
}

bool TCustomDBGridEh::GetCellParams(Integer, Integer, TCellAreaVertEh CellKind, TGridDrawState, bool Selected,
                                    TFont* AFont, TColor& Background) {
  if (FStyle) return FStyle->GetCellParams(this, AFont, Background, Selected, CellKind == cavDataEh);
  if (!Selected) return false;
  if (CellKind != cavDataEh) {
    Background = TColor(0x404040);
    AFont->SetColor(clWhite);
  } else if (GridFocused()) {
    Background = clHighlight;
    AFont->SetColor(clHighlightText);
  } else {
    Background = clBtnFace;
  }
  return true;
}

void TCustomDBGridEh::GetCellLinesVisibility(Integer ACol, Integer ARow, TCellLineKindEh Border, bool& IsDraw,
                                             TColor& Color, bool& IsExtent) {
  TCustomGridEh::GetCellLinesVisibility(ACol, ARow, Border, IsDraw, Color, IsExtent);
  // The multi-level title tree draws the vertical lines of the title row itself.
  if (FUseMultiTitle && TitlesVisible() && ARow == 0 && ACol >= FIndicatorOffset &&
      (Border == clkLeft || Border == clkRight)) {
    IsDraw = false;
    return;
  }
  // Grouped rows: a group row is one band closed only at the right end of the
  // last column, its bottom line its own; a record's first column leaves the
  // bottom to its group boxes.
  if (Border == clkTop || ACol < FIndicatorOffset || ARow < GetTitleRowCount() || !FDataLink->GetActive()) return;
  TGroupDataTreeNodeEh* Node = GroupNodeOfRow(ARow - GetTitleRowCount());
  if (!Node || FVisibleColumns->Count() == 0) return;
  const Integer DataCol = RawToDataColumn(ACol);
  TColumnEh* Column = DataCol < FColumns->GetCount() ? FColumns->Items(DataCol) : nullptr;
  if (Node->IsGroup()) {
    if (Border == clkBottom) IsDraw = false;
    else IsDraw = Border == clkRight && Column == FVisibleColumns->Items(FVisibleColumns->Count() - 1);
  } else if (Border == clkBottom && Column == FVisibleColumns->Items(0)) {
    IsDraw = false;
  }
}

bool TCustomDBGridEh::CanCellHotTrack(Integer ACol, Integer ARow) {
  if (FOptionsEh.Contains(dghHotTrack)) return ACol >= 0 && ARow >= 0;
  // Without hot tracking only a filter row inside the titles reacts to the mouse.
  if (FSTFilter->GetVisible() && FSTFilter->GetLocation() == stflInTitleFilterEh && TitlesVisible() && ARow == 0 &&
      ACol >= FIndicatorOffset)
    return true;
  return TCustomGridEh::CanCellHotTrack(ACol, ARow);
}

// ---- The base grid's editor queries -------------------------------------------------------------------

bool TCustomDBGridEh::CanEditAcceptKey(Char Key) {
  TColumnEh* Column = GetCurrentColumn();
  TField* Field = Column ? Column->GetField() : nullptr;
  if (!FDataLink->GetActive() || !Field) return false;
  if (TInplaceEdit* Editor = GetInplaceEditor(); Editor && Editor->GetReadOnly()) return false;
  if (Column->HasKeyListItems()) return Column->CanModify(false);
  return Field->IsValidChar(Key);
}

bool TCustomDBGridEh::CanEditModify() {
  TColumnEh* Column = GetCurrentColumn();
  if ((Column && Column->GetColumnKind() == ckCheckBox) || FIncSearchActive) return false;
  return CanEditModifyDataCell();
}

bool TCustomDBGridEh::CanEditModifyDataCell() {
  if (TInplaceEdit* Editor = GetInplaceEditor(); Editor && GetEditorMode() && Editor->GetReadOnly()) return false;
  TDataSet* DataSet = FDataLink->GetDataSet();
  if (FReadOnly || !FDataLink->GetActive() || !DataSet || !DataSet->CanModify()) return false;
  TColumnEh* Column = GetCurrentColumn();
  // The column's own checks (read-only, its field and key fields, blobs, allowed
  // operations, the cell parameters), then the dataset goes into edit state.
  return Column && Column->CanModify(true);
}

bool TCustomDBGridEh::CanEditShow() {
  bool Result = FLayoutLock == 0 && TCustomGridEh::CanEditShow();
  if (Result) {
    TColumnEh* Column = GetCurrentColumn();
    const TColumnKindEh Kind = Column ? Column->GetColumnKind() : ckPlain;
    // Check boxes, images and pictures are changed in the cell, not in an editor.
    Result = Column && Column->GetVisible() && Kind != ckCheckBox && Kind != ckImageList && Kind != ckGraphic;
  }
  if (Result && FSelection->GetSelectionType() != gstNon)
    Result = !FOptionsEh.Contains(dghClearSelection) || !FAllowedSelections.Contains(gstRectangle);
  if (FIncSearchActive) Result = false;
  if (!Result && GetEditorMode()) HideEditor();
  return Result;
}

String TCustomDBGridEh::GetEditMask(Integer, Integer) {
  TColumnEh* Column = GetCurrentColumn();
  return Column ? Column->GetEditMask() : String();
}

Integer TCustomDBGridEh::GetEditLimit() {
  TColumnEh* Column = GetCurrentColumn();
  if (!Column || Column->HasKeyListItems()) return 0;
  TField* Field = Column->GetField();
  return Field && (Field->GetDataType() == ftString || Field->GetDataType() == ftWideString) ? Field->GetSize() : 0;
}

// ---- The data link's active state ---------------------------------------------------------------------

void TCustomDBGridEh::DataLinkActiveChanged(bool Active) {
  if (!Active && FRowDetailPanel && FRowDetailPanel->GetVisible()) FRowDetailPanel->SetVisible(false);
  QueryMemTableIntf();
  if (!Active) HideEditor();
  FSelection->LinkActiveChanged(Active);
  FSumList->SetDataSet(FDataLink->GetDataSet());
  if (FIntMemTable) {
    DataRowChanged(-1, mtdcAllChangedEh, -1);
    UpdateRowCount();
  }
  if (GetComponentState().Contains(csDestroying)) return;
  LayoutChanged();
  if (Active && CanEditShow()) ShowEditor();
  UpdateScrollBar();
  QueryMemTableIntf();
  for (Integer I = 0; I < FColumns->GetCount(); ++I) FColumns->Items(I)->ReleaseFilterValueList();
}
