// The layout pass and what follows the data: which columns exist, the column and
// row counts of the base grid, the heights of data and title rows, the row
// window over the dataset, and the grid's answers to data changes, data scrolls
// and the in-memory table's row notices.
//
// Index of this file:
//   InternalLayout and its steps
//   row heights, the indicator width, the title height, line colours
//   row counts and the current row (UpdateRowCount, SyncActiveRow)
//   data notices (DataChanged, DataScrolled, DataRowChanged)
//   reading one row (BeginReadRow, EndReadRow)
//
// The two modes: over a dataset without IMemTableEh the grid shows a window of
// the records the data link buffers (as many as fit the client height); over an
// in-memory table it has one grid row per record and reads rows by instant read.

#include <algorithm>
#include <cmath>

#include "grid/DBGridEh.h"
#include "grid/ScopeGuardEh.h"

// ---- The layout pass --------------------------------------------------------------------------------

void TCustomDBGridEh::InternalLayout() {
  const TComponentState State = GetComponentState();
  if (State.Contains(csLoading) || State.Contains(csDestroying)) return;
  FLayoutPending = false;
  if (HandleAllocated()) KillMessageEh(GetHandle(), WM_DEFERREDLAYOUT);
  LockPaint();
  TScopeExitEh Unlock([this] { UnlockPaint(); });
  TTemporaryChangeEh<bool> NoFieldWidths(FUpdateFieldsFromWidths, false);

  // Columns the grid made for fields go as soon as a column of the user's stands after one.
  bool SeenDefault = false, Mixed = false;
  for (Integer I = 0; I < FColumns->GetCount(); ++I) {
    if (!FColumns->Items(I)->GetPersistent()) SeenDefault = true;
    else if (SeenDefault) Mixed = true;
  }
  if (Mixed)
    for (Integer I = FColumns->GetCount() - 1; I >= 0; --I)
      if (!FColumns->Items(I)->GetPersistent()) delete FColumns->Items(I);

  FIndicatorOffset = IndicatorVisible() ? 1 : 0;
  FDataLink->ClearMapping();
  if (FDataLink->GetActive()) BuildFieldColumns();

  if (FColumns->GetState() == csCustomized)
    for (Integer I = 0; I < FColumns->GetCount(); ++I) FColumns->Items(I)->ClearFieldBinding();
  else
    RebuildDefaultColumns();

  RebuildVisibleColumns();
  SetColumnCountAndFixed();

  CalcDataRowHeightValue();
  CalcCellButtonSize();
  CalcTitleRowHeight();

  const bool Horz = FHorzScrollBar->GetVisible() && !FHorzScrollBar->GetExtScrollBar() &&
                    (!FAutoFitColWidths || State.Contains(csDesigning));
  const TScrollStyle Bars = Horz ? ssHorizontal : ssNone;
  if (Bars != GetScrollBars()) {
    SetScrollBars(Bars);
    if (HandleAllocated()) UpdateScrollBar();
  }

  SetColumnAttributes();
  UpdateRowCount();
  SyncActiveRow();
  Invalidate();
  FSelection->GetColumns()->Refresh();
  InvalidateEditor();
  UpdateLineColors();
}

void TCustomDBGridEh::GetDatasetFieldList(std::vector<TField*>& FieldList) {
  TDataSet* DataSet = FDataLink->GetDataSet();
  if (!DataSet) return;
  for (TField* Field : *DataSet->GetFields()) FieldList.push_back(Field);
}

void TCustomDBGridEh::BuildFieldColumns() {
  if (FColumns->GetState() == csCustomized) {
    // Columns of the user's map by name; a missing field leaves its column unbound.
    FDataLink->SetSparseMap(true);
    for (Integer I = 0; I < FColumns->GetCount(); ++I) FDataLink->AddMapping(FColumns->Items(I)->GetFieldName());
    return;
  }
  FDataLink->SetSparseMap(false);
  std::vector<TField*> Fields;
  GetDatasetFieldList(Fields);
  for (TField* Field : Fields)
    if (Field->GetVisible()) FDataLink->AddMapping(Field->GetFieldName());
}

// The columns the grid makes itself: one per mapped field, in field order.
void TCustomDBGridEh::RebuildDefaultColumns() {
  TDataSet* DataSet = FDataLink->GetDataSet();
  if (!FDataLink->GetActive() && !(DataSet && DataSet->GetActive())) {
    FColumns->Clear();
  } else {
    for (Integer I = FColumns->GetCount() - 1; I >= 0; --I) {
      TColumnEh* Column = FColumns->Items(I);
      TField* Field = Column->GetField();
      bool Mapped = false;
      for (Integer J = 0; J < FDataLink->GetFieldCount() && !Mapped; ++J) Mapped = FDataLink->GetFields(J) == Field;
      if (!Field || !Mapped) delete Column;
    }
  }
  Integer Count = FDataLink->GetFieldCount();
  // An empty grid still has one column to show.
  if (Count == 0 && FColumns->GetCount() == 0) Count = 1;
  for (Integer J = 0; J < Count; ++J) {
    TField* Field = FDataLink->GetFields(J);
    TColumnEh* Column = nullptr;
    if (Field) {
      for (Integer K = J; K < FColumns->GetCount() && !Column; ++K)
        if (FColumns->Items(K)->GetCachedField() == Field) Column = FColumns->Items(K);
      if (!Column) {
        Column = FColumns->AddDefaultColumn();
        Column->SetField(Field);
      }
    } else {
      Column = FColumns->AddDefaultColumn();
    }
    Column->SetIndex(J);
  }
}

void TCustomDBGridEh::RebuildVisibleColumns() {
  FVisibleColumns->Clear();
  for (Integer I = 0; I < FColumns->GetCount(); ++I)
    if (FColumns->Items(I)->GetVisible()) FVisibleColumns->Add(FColumns->Items(I));
}

void TCustomDBGridEh::SetColumnCountAndFixed() {
  const Integer VisibleCount = FVisibleColumns->Count();
  const Integer Frozen = std::max(FIndicatorOffset,
                                  std::min(FIndicatorOffset + FFrozenCols, FIndicatorOffset + VisibleCount - 1));
  const bool Customized = FColumns->GetState() == csCustomized;
  Integer ColCount = 0, Fixed = 0, Contra = 0;
  if (!FDataLink->GetActive() && !Customized) {
    ColCount = FColumns->GetCount() + FIndicatorOffset;
    Fixed = FIndicatorOffset;
    // Hidden columns inside the frozen block and right after it are fixed too.
    Integer Shown = 0;
    for (Integer I = 0; I < FColumns->GetCount(); ++I) {
      if (FColumns->Items(I)->GetVisible()) {
        if (Shown++ >= Frozen - FIndicatorOffset) break;
      } else {
        ++Fixed;
      }
    }
    if (VisibleCount == 0) --Fixed;
  } else {
    Contra = std::max(0, std::min(FContraColCountSet, VisibleCount - (Frozen - FIndicatorOffset)));
    ColCount = FColumns->GetCount() + FIndicatorOffset - Contra;
    Fixed = Frozen;
  }
  ColCount = std::max(1, ColCount);
  Fixed = std::clamp(Fixed, 0, ColCount - 1);
  if (GetFixedCols() >= ColCount) SetFixedCols(0);
  SetColCount(ColCount);
  SetContraColCount(Contra);
  SetFixedCols(Fixed);
  SetFrozenColCount(FDataLink->GetActive() || Customized ? Fixed - FIndicatorOffset : 0);
}

void TCustomDBGridEh::SetColumnAttributes() {
  const bool Active = FDataLink->GetActive();
  for (Integer I = 0; I < FColumns->GetCount(); ++I) {
    TColumnEh* Column = FColumns->Items(I);
    const Integer Raw = DataToRawColumn(I);
    if (Raw >= GetFullColCount()) break;
    TField* Field = Column->GetField();
    const bool TabStop = Column->GetVisible() && !Column->GetReadOnly() &&
                         (!Active || (Field && !Field->GetCalculated() && !Field->GetReadOnly()));
    SetTabStops(Raw, TabStop);
    const Integer Width =
        Column->GetVisible() ? Column->GetVisibleWidth() : FOptions.Contains(dgColLines) ? -1 : 0;
    if (GetColWidths(Raw) != Width) SetColWidths(Raw, Width);
  }
  if (FIndicatorOffset > 0) {
    if (GetColWidths(0) != FIndicatorWidth) SetColWidths(0, FIndicatorWidth);
    SetTabStops(0, false);
  }
}

void TCustomDBGridEh::ColWidthsChanged() {
  if (!FDataLink->GetActive() && FColumns->GetState() != csCustomized) return TCustomGridEh::ColWidthsChanged();
  if (AcquireLayoutLock()) {
    try {
      for (Integer I = 0; I < FColumns->GetCount(); ++I) {
        TColumnEh* Column = FColumns->Items(I);
        const Integer Raw = DataToRawColumn(I);
        if (!Column->GetVisible() || Raw >= GetFullColCount()) continue;
        const Integer Indent = Column->GetVisibleWidth() - Column->GetWidth();
        const Integer Width = Column->ClampWidth(GetColWidths(Raw) - Indent);
        if (Width != Column->GetWidth()) Column->SetWidth(Width);
      }
    } catch (...) {
      CancelLayout();
      throw;
    }
    EndLayout();
  } else if (FLayoutLock == 0) {
    FLayoutPending = true;
  }
  if (OnColWidthsChanged) OnColWidthsChanged(this);
  TCustomGridEh::ColWidthsChanged();
}

// ---- Heights and widths -------------------------------------------------------------------------------

void TCustomDBGridEh::CalcDataRowHeightValue() {
  TFont* Font = GetFont();
  const Integer TextHeight = FontTextHeightEh(Font, u"Wg");
  const TTextMetric TM = FontTextMetricsEh(Font);
  Integer Margin = GetFlat() ? 1 : 3;
  if (FOptions.Contains(dgRowLines)) Margin += GetGridLineWidth();
  Integer Height = FRowHeight > 0 || FRowLines > 0 ? (TM.tmHeight + TM.tmExternalLeading) * FRowLines + FRowHeight
                                                   : TextHeight + Margin;
  if (FOptionsEh.Contains(dghFitRowHeightToText) && TextHeight > 0) {
    const Integer Lines = (Height - Margin) / TextHeight, Rest = (Height - Margin) % TextHeight;
    Height = Rest <= TextHeight / 2 && Lines != 0 ? Lines * TextHeight + Margin : (Lines + 1) * TextHeight + Margin;
    FRowLines = (Height - Margin) / TextHeight;
    FRowHeight = Margin;
  }
  FDataRowHeight = Height;
  FMultiLineRow = Height > TM.tmHeight + TM.tmInternalLeading + TM.tmExternalLeading + FTextMargin;
}

void TCustomDBGridEh::CalcCellButtonSize() {
  FCellButtonWidth = GetFlat() ? GetDefaultEditButtonWidthEh() : GetSystemMetrics(SM_CXVSCROLL);
  const Integer Larger = Integer(std::nearbyint(FCellButtonWidth * 3 / 2.0));
  FCellButtonHeight = FDataRowHeight <= Larger ? FDataRowHeight : GetFlat() ? Larger : FCellButtonWidth;
}

void TCustomDBGridEh::CalcIndicatorWidth() {
  Integer Width = IndicatorVisible() ? 11 : 0;
  TDataSet* DataSet = FDataLink ? FDataLink->GetDataSet() : nullptr;
  if (FOptionsEh.Contains(dghShowRecNo) && DataSet && CanShowRecNo()) {
    const Integer Count = DataSet->GetActive() ? std::max(0, DataSet->GetRecordCount()) : 0;
    const Integer Digits = std::clamp(Integer(IntToStr(Count).size()), 1, 101);
    FInternalFont->Assign(GetFont());
    FInternalFont->SetSize(FInternalFont->GetSize() - 1);
    Width = std::max(11, FontTextWidthEh(FInternalFont.get(), String(size_t(Digits), u'0')) +
                             (Width != 0 ? Width : 2) + 2);
  }
  FIndicatorWidth = Width;
}

void TCustomDBGridEh::CalcTitleRowHeight() {
  if (!TitlesVisible()) return;
  TFont* Tallest = FTitleFont.get();
  Integer TextHeight = FontTextHeightEh(Tallest, u"Wg");
  for (Integer I = 0; I < FColumns->GetCount(); ++I) {
    TFont* Font = FColumns->Items(I)->GetTitle()->GetFont();
    const Integer H = FontTextHeightEh(Font, u"Wg");
    if (I == 0 || H > TextHeight) {
      TextHeight = H;
      Tallest = Font;
    }
  }
  FTitleTextHeight = TextHeight;
  FTitleRowHeight = TextHeight + FTextMargin;
  if (FTitleHeight != 0 || FTitleLines != 0) {
    const TTextMetric TM = FontTextMetricsEh(Tallest);
    FTitleRowHeight = FTitleLines * TM.tmHeight + TM.tmExternalLeading + 2 + FTitleHeight +
                      (FOptions.Contains(dgRowLines) ? 1 : 0);
  }
}

void TCustomDBGridEh::UpdateLineColors() {
  TGridLineColorsEh* Colors = GetGridLineColors();
  // No theme engine here: the fixed lines are grey when flat, else black.
  Colors->SetDarkColor(GetFlat() ? TColor(0x808080) : clBlack);
  const bool Bright = !FOptionsEh.Contains(dghFooter3D) && FFooterColor == clWindow;
  Colors->SetContraRowLinesColor(Bright ? Colors->GetBrightColor() : Colors->GetDarkColor());
}

Integer TCustomDBGridEh::GetDataRowHeight() { return FDataLink->GetActive() ? CalcDataRowHeight() : FDataRowHeight; }

Integer TCustomDBGridEh::CalcDataRowHeight() { return FDataRowHeight; }

void TCustomDBGridEh::SetDataRowHeight(Integer ARow) {
  if (ARow < 0 || ARow >= GetRowCount()) return;
  const Integer Height = GetDataRowHeight();
  if (GetRowHeights(ARow) != Height) SetRowHeights(ARow, Height);
}

void TCustomDBGridEh::UpdateVisibleRowHeights() {
  // Every row keeps the data row height unless rows fit their text; those are
  // measured one by one by the row-height code.
  const Integer First = GetTitleRowCount();
  if (First < GetRowCount() && !FOptionsEh.Contains(dghAutoFitRowHeight)) SetDataRowHeight(First);
}

void TCustomDBGridEh::DataRowHeightsChanged() {
  if (GetComponentState().Contains(csLoading)) return;
  UpdateVisibleRowHeights();
}

// ---- Row counts and the current row ----------------------------------------------------------------

Integer TCustomDBGridEh::VisibleDataRowCount() const {
  if (FIntMemTable) return FIntMemTable->InstantReadRowCount();
  return FDataLink->GetActive() ? FDataLink->GetRecordCount() : 0;
}

void TCustomDBGridEh::UpdateRowCount() {
  const Integer TitleRows = GetTitleRowCount();
  if (GetRowCount() <= TitleRows) SetRowCount(TitleRows + 1);
  if (GetFixedRows() != TitleRows) SetFixedRows(TitleRows);
  if (GetDefaultRowHeight() != FDataRowHeight) SetDefaultRowHeight(FDataRowHeight);
  if (TitlesVisible() && GetRowHeights(0) != FTitleRowHeight) SetRowHeights(0, FTitleRowHeight);
  Integer NewCount = TitleRows + 1;
  if (FIntMemTable && FDataLink->GetActive()) {
    const Integer Rows = FIntMemTable->InstantReadRowCount();
    NewCount = TitleRows + std::max(Rows, 1);
  } else if (FDataLink->GetActive() && FDataLink->GetRecordCount() > 0 && HandleAllocated()) {
    const Integer LineWidth = FOptions.Contains(dgRowLines) ? GetGridLineWidth() : 0;
    Integer FixedPart = (TitlesVisible() ? FTitleRowHeight + LineWidth : 0) +
                        (TitleRows - (TitlesVisible() ? 1 : 0)) * (FDataRowHeight + LineWidth) +
                        FFooterRowCount * (FDataRowHeight + LineWidth) + (FFooterRowCount > 0 ? LineWidth : 0);
    const Integer Step = std::max(1, FDataRowHeight + LineWidth);
    const Integer Rows = std::max(1, (GetClientHeight() - FixedPart) / Step);
    FDataLink->SetBufferCount(Rows);
    NewCount = FDataLink->GetRecordCount() + TitleRows;
  }
  const Integer OldCount = GetRowCount();
  if (NewCount != OldCount) {
    // The current row never stays past the end.
    if (GetRow() >= NewCount) MoveColRow(CurrentColumnOrFixed(), NewCount - 1, false, false, false);
    SetRowCount(NewCount);
    Invalidate();
  }
  if (GetContraRowCount() != FFooterRowCount) SetContraRowCount(FFooterRowCount);
  SyncActiveRow();
}

Integer TCustomDBGridEh::CurrentColumnOrFixed() const {
  return std::clamp(GetCol(), std::min(GetFixedCols(), GetColCount() - 1), GetColCount() - 1);
}

void TCustomDBGridEh::SyncActiveRow() {
  if (!FDataLink->GetActive()) return;
  const Integer TitleRows = GetTitleRowCount();
  Integer Target = -1;
  if (FIntMemTable) {
    const Integer Index = FIntMemTable->GetCurrentRowIndex();
    if (Index >= 0) Target = Index + TitleRows;
  } else {
    Target = FDataLink->GetActiveRecord() + TitleRows;
  }
  if (Target < 0 || Target >= GetRowCount() || Target == GetRow()) return;
  MoveColRow(CurrentColumnOrFixed(), Target, false, false, FIntMemTable != nullptr);
  InvalidateEditor();
}

// ---- Data notices -----------------------------------------------------------------------------------

void TCustomDBGridEh::DataChanged() {
  if (!HandleAllocated() || FSumList->GetRecalculating()) return;
  if (FRowDetailPanel->GetVisible()) FRowDetailPanel->SetVisible(false);
  const Integer OldIndicatorWidth = FIndicatorWidth;
  CalcIndicatorWidth();
  if (FIndicatorWidth != OldIndicatorWidth)
    LayoutChanged();
  else
    UpdateRowCount();
  UpdateScrollBar();
  SyncActiveRow();
  InvalidateEditor();
  Invalidate();
}

void TCustomDBGridEh::ScrollData(Integer DX, Integer DY) { TCustomGridEh::ScrollData(DX, DY); }

void TCustomDBGridEh::DataScrolled(Integer Distance) {
  if (FRowDetailPanel->GetVisible()) FRowDetailPanel->SetVisible(false);
  const Integer OldRow = GetRow();
  if (FIntMemTable) {
    InvalidateRow(OldRow);
    SyncActiveRow();
    InvalidateRow(GetRow());
  } else if (HandleAllocated()) {
    if (FDataLink->GetActiveRecord() >= GetRowCount() - GetTitleRowCount()) UpdateRowCount();
    UpdateScrollBar();
    SyncActiveRow();
    InvalidateRow(OldRow);
    InvalidateRow(GetRow());
  }
  // The rows under the titles moved: the window is repainted rather than scrolled.
  if (Distance != 0) {
    if (!FOptions.Contains(dgAlwaysShowEditor)) HideEditor();
    Invalidate();
  }
  InvalidateFooter();
}

void TCustomDBGridEh::DataRowChanged(Integer Index, Integer Kind, Integer OtherIndex) {
  if (!FIntMemTable || FIntMemTable->IsTreeList()) return;
  const Integer TitleRows = GetTitleRowCount();
  const Integer Rows = FIntMemTable->InstantReadRowCount();
  switch (Kind) {
    case mtdcInsertedEh:
      if (Rows > 1 && Index >= 0) {
        SetRowCount(GetRowCount() + 1);
        MoveRow(GetRowCount() - 1, std::min(Index + TitleRows, GetRowCount() - 1));
        SetDataRowHeight(Index + TitleRows);
      }
      break;
    case mtdcChangedEh:
      SetDataRowHeight(Index + TitleRows);
      break;
    case mtdcRemovedEh:
      if (Rows > 0 && Index >= 0 && Index + TitleRows < GetRowCount() && GetRowCount() > TitleRows + 1)
        DeleteRow(Index + TitleRows);
      break;
    case mtdcMovedEh:
      if (OtherIndex >= 0 && Index >= 0 && OtherIndex + TitleRows < GetRowCount() && Index + TitleRows < GetRowCount())
        MoveRow(OtherIndex + TitleRows, Index + TitleRows);
      break;
    case mtdcAllChangedEh:
      SetRowCount(Rows + TitleRows + (Rows == 0 ? 1 : 0));
      UpdateVisibleRowHeights();
      break;
    default:
      break;
  }
}

// ---- Reading one row -------------------------------------------------------------------------------

bool TCustomDBGridEh::BeginReadRow(Integer DataRow) {
  if (!FDataLink->GetActive() || DataRow < 0) return false;
  if (FIntMemTable) {
    if (DataRow >= FIntMemTable->InstantReadRowCount()) return false;
    FIntMemTable->InstantReadEnter(DataRow);
    FReadRowSaved.push_back(-1);
    return true;
  }
  if (DataRow >= FDataLink->GetRecordCount()) return false;
  FReadRowSaved.push_back(FDataLink->GetActiveRecord());
  FDataLink->SetActiveRecord(DataRow);
  return true;
}

void TCustomDBGridEh::EndReadRow() {
  if (FReadRowSaved.empty()) return;
  const Integer Saved = FReadRowSaved.back();
  FReadRowSaved.pop_back();
  if (Saved == -1) {
    if (FIntMemTable) FIntMemTable->InstantReadLeave();
  } else {
    FDataLink->SetActiveRecord(Saved);
  }
}

// ---- Window creation ---------------------------------------------------------------------------------

void TCustomDBGridEh::CreateWnd() {
  {
    BeginUpdate();
    TScopeExitEh Unlock([this] { EndUpdate(); });
    TCustomGridEh::CreateWnd();
  }
  CalcCellButtonSize();
  if (FAutoFitColWidths || FRowPanel->GetActive() || FLayoutPending) {
    LayoutChanged();
  } else if (FLayoutLock == 0 && !GetComponentState().Contains(csLoading)) {
    SetColumnAttributes();
    UpdateRowCount();
    SyncActiveRow();
  }
  UpdateScrollBar();
}
