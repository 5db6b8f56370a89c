// The layout pass: the columns, options and fonts become the base grid's
// geometry (which columns exist, the indicator, the fixed and frozen columns,
// the data and title row heights, the indicator width, the cell-button size, the
// scroll-bar setting, the fitting of column widths to the client width and the
// line colours); the scaling of fonts and widths; a user's column sizing; the
// window's creation; and the grid's answer to a data change.
//
// Index of this file:
//   InternalLayout and its steps (columns, counts, bars, auto-fit)
//   a user's column sizing (ColWidthsChanged) and ChangeScale
//   row heights, the indicator width, the title height, line colours
//   window creation and data changes (CreateWnd, DataChanged)
//
// Typical call flow: LayoutChanged -> EndLayout (outermost) -> InternalLayout ->
// ... -> UpdateRowCount (DBGridEh_Scroll.cpp). Font metrics all come through the
// platform's text engine (measured in a memory device context of their own), so
// tests install an engine with exact metrics.

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
  {
    LockPaint();
    TScopeExitEh Unlock([this] { UnlockPaint(); });
    TTemporaryChangeEh<bool> NoFieldWidths(FUpdateFieldsFromWidths, false);
    LayoutColumns();
    SetColumnCountAndFixed();
    CalcDataRowHeightValue();
    CalcCellButtonSize();
    CalcIndicatorWidth();
    CalcTitleRowHeight();
    if (FRowPanel->GetActive()) RowPanelLayout();
    UpdateScrollBarsSetting();
    SetColumnAttributes();
    if (FAutoFitColWidths && !State.Contains(csDesigning) && HandleAllocated()) AutoFitColWidthsPass();
    LayoutRows();
    UpdateLineColors();
  }
  // The paint lock kept the base grid from taking its new ranges meanwhile.
  UpdateScrollRange();
  UpdateScrollBar();
  GetScrollBarParams();
}

// Which columns exist: default columns follow the dataset's fields, the user's columns their names.
void TCustomDBGridEh::LayoutColumns() {
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
  else RebuildDefaultColumns();
  RebuildVisibleColumns();
}

// The titles may have grown with the fitted widths; then the rows follow.
void TCustomDBGridEh::LayoutRows() {
  CalcTitleRowHeight();
  SetColumnAttributes();
  const Integer LeftCol = GetLeftCol();
  UpdateRowCount();
  if (FOptions.Contains(dgRowSelect) && LeftCol != GetLeftCol() && LeftCol < GetColCount()) SetLeftCol(LeftCol);
  FRowDetailPanel->PlacePanel();
  SyncActiveRow();
  Invalidate();
  FSelection->GetColumns()->Refresh();
  InvalidateEditor();
}

// The window's bars: horizontal unless the columns fit the width, vertical only
// when the base grid scrolls a table's rows by pixels (else the grid sets the
// vertical bar itself, UpdateScrollBar).
void TCustomDBGridEh::UpdateScrollBarsSetting() {
  const bool Designing = GetComponentState().Contains(csDesigning);
  const bool Horz =
      FHorzScrollBar->GetVisible() && !FHorzScrollBar->GetExtScrollBar() && (!FAutoFitColWidths || Designing);
  const bool Vert = FVertScrollBar->GetVisible() && SmoothRowScrollMode();
  const TScrollStyle Bars = Horz && Vert ? ssBoth : Horz ? ssHorizontal : Vert ? ssVertical : ssNone;
  if (Bars == GetScrollBars()) return;
  SetScrollBars(Bars);
  FVertBarSet = false;
  if (HandleAllocated()) UpdateScrollBar();
}

// ---- Fitting the columns to the client width ------------------------------------------------------------

// The width left for the fitted columns once the others, the indicator, the
// lines and the grouping indent have theirs.
Integer TCustomDBGridEh::AutoFitRoom(Integer FixedSum) const {
  const bool Indicator = IndicatorVisible();
  Integer Room = std::max(0, std::max(GetClientWidth(), FMinAutoFitWidth) - FixedSum);
  if (Indicator) Room -= FIndicatorWidth;
  if (FOptions.Contains(dgColLines)) Room -= FVisibleColumns->Count() + (Indicator ? 1 : 0);
  return std::max(0, Room - FirstColumnIndent());
}

void TCustomDBGridEh::AutoFitColWidthsPass() {
  if (FRowPanel->GetActive()) return FitRowPanelToClient();
  const Integer Count = FVisibleColumns->Count();
  std::vector<bool> Settled(size_t(Count), false);
  auto Fitted = [&](Integer I) { return FVisibleColumns->Items(I)->GetAutoFitColWidth() && !Settled[size_t(I)]; };
  Integer Room = 0;
  for (Integer Pass = 0; Pass < std::max(1, Count); ++Pass) {
    Integer FixedSum = 0, BaseSum = 0;
    for (Integer I = 0; I < Count; ++I) {
      if (Fitted(I)) BaseSum += FVisibleColumns->Items(I)->GetAutoFitBaseWidth();
      else FixedSum += FVisibleColumns->Items(I)->GetWidth();
    }
    Room = AutoFitRoom(FixedSum);
    if (BaseSum <= 0) return;
    // A column whose own limits change its share keeps that width; the others share again.
    bool SettledOne = false;
    for (Integer I = 0; I < Count; ++I) {
      if (!Fitted(I)) continue;
      TColumnEh* Column = FVisibleColumns->Items(I);
      const Integer Width = MulDiv(Column->GetAutoFitBaseWidth(), Room, BaseSum);
      const Integer Limited = Column->ClampWidth(Width);
      Column->SetWidth(Limited);
      if (Limited != Width) Settled[size_t(I)] = SettledOne = true;
    }
    if (!SettledOne) break;
  }
  // Rounding leaves a few pixels: the last column still fitted takes them.
  Integer Given = 0, Last = -1;
  for (Integer I = 0; I < Count; ++I)
    if (Fitted(I)) {
      Given += FVisibleColumns->Items(I)->GetWidth();
      Last = I;
    }
  if (Last < 0 || Given == Room) return;
  TColumnEh* Column = FVisibleColumns->Items(Last);
  Column->SetWidth(std::max(0, Column->GetWidth() + Room - Given));
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
  const Integer Frozen =
      std::max(FIndicatorOffset, std::min(FIndicatorOffset + FFrozenCols, FIndicatorOffset + VisibleCount - 1));
  const bool Customized = FColumns->GetState() == csCustomized;
  Integer ColCount = 0, Fixed = 0, Contra = 0;
  if (FRowPanel->GetActive()) {
    // One grid column holds every record's panel.
    ColCount = FIndicatorOffset + 1;
    Fixed = FIndicatorOffset;
  } else if (!FDataLink->GetActive() && !Customized) {
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
  SetFrozenColCount((FDataLink->GetActive() || Customized) && !FRowPanel->GetActive() ? Fixed - FIndicatorOffset : 0);
}

void TCustomDBGridEh::SetColumnAttributes() {
  const bool Active = FDataLink->GetActive();
  if (FRowPanel->GetActive()) return SetRowPanelColumnAttributes();
  for (Integer I = 0; I < FColumns->GetCount(); ++I) {
    TColumnEh* Column = FColumns->Items(I);
    const Integer Raw = DataToRawColumn(I);
    if (Raw >= GetFullColCount()) break;
    TField* Field = Column->GetField();
    const bool TabStop = Column->GetVisible() && !Column->GetReadOnly() &&
                         (!Active || (Field && !Field->GetCalculated() && !Field->GetReadOnly()));
    SetTabStops(Raw, TabStop);
    const Integer Width = Column->GetVisible() ? Column->GetVisibleWidth() : FOptions.Contains(dgColLines) ? -1 : 0;
    if (GetColWidths(Raw) != Width) SetColWidths(Raw, Width);
  }
  if (FIndicatorOffset > 0) {
    if (GetColWidths(0) != FIndicatorWidth) SetColWidths(0, FIndicatorWidth);
    SetTabStops(0, false);
  }
}

void TCustomDBGridEh::ColWidthsChanged() {
  // The row panel's one grid column is no column's width: the panel keeps its cells' own.
  if ((!FDataLink->GetActive() && FColumns->GetState() != csCustomized) || FInColWidthsChanged ||
      FRowPanel->GetActive())
    return TCustomGridEh::ColWidthsChanged();
  {
    TTemporaryChangeEh<bool> Inside(FInColWidthsChanged, true);
    if (AcquireLayoutLock()) {
      try {
        ApplyGridWidthsToColumns();
      } catch (...) {
        CancelLayout();
        throw;
      }
      EndLayout();
    } else if (FLayoutLock == 0) {
      FLayoutPending = true;
    }
  }
  if (OnColWidthsChanged) OnColWidthsChanged(this);
  InvalidateEditor();
  TCustomGridEh::ColWidthsChanged();
}

// The base grid's widths (a user sized a column) go back into the columns.
void TCustomDBGridEh::ApplyGridWidthsToColumns() {
  const bool Fitting = FAutoFitColWidths && !GetComponentState().Contains(csDesigning);
  for (Integer I = 0; I < FColumns->GetCount(); ++I) {
    TColumnEh* Column = FColumns->Items(I);
    const Integer Raw = DataToRawColumn(I);
    if (!Column->GetVisible() || Raw >= GetFullColCount()) continue;
    const Integer Indent = Column->GetVisibleWidth() - Column->GetWidth();
    const Integer Width = Column->ClampWidth(GetColWidths(Raw) - Indent);
    if (GetColWidths(Raw) != Width + Indent) SetColWidths(Raw, Width + Indent);
    const Integer Old = Column->GetWidth();
    if (Width == Old) continue;
    if (Fitting) ShareSizedWidth(I, Old, Width);
    else Column->SetWidth(Width);
  }
}

// With fitted columns a user's sizing changes base widths: the right part (or the
// right neighbour) gives what the sized column takes, and the fitting pass follows.
void TCustomDBGridEh::ShareSizedWidth(Integer Index, Integer OldWidth, Integer NewWidth) {
  TColumnEh* Sized = FColumns->Items(Index);
  const Integer OldBase = Sized->GetAutoFitBaseWidth();
  const Integer NewBase = OldWidth > 0 ? MulDiv(OldBase, NewWidth, OldWidth) : NewWidth;
  Sized->SetInitWidth(NewBase);
  if (FOptionsEh.Contains(dghResizeWholeRightPart)) {
    const Integer Change = NewBase - OldBase;
    Integer RightSum = 0;
    for (Integer I = Index + 1; I < FColumns->GetCount(); ++I)
      if (FColumns->Items(I)->GetVisible() && FColumns->Items(I)->GetAutoFitColWidth())
        RightSum += FColumns->Items(I)->GetAutoFitBaseWidth();
    if (RightSum <= 0) return;
    for (Integer I = Index + 1; I < FColumns->GetCount(); ++I) {
      TColumnEh* Column = FColumns->Items(I);
      if (!Column->GetVisible() || !Column->GetAutoFitColWidth()) continue;
      Column->SetInitWidth(std::max(1, MulDiv(RightSum - Change, Column->GetAutoFitBaseWidth(), RightSum)));
    }
    return;
  }
  for (Integer I = Index + 1; I < FColumns->GetCount(); ++I) {
    TColumnEh* Next = FColumns->Items(I);
    if (!Next->GetVisible()) continue;
    Next->SetInitWidth(std::max(0, Next->GetAutoFitBaseWidth() - (NewBase - OldBase)));
    return;
  }
}

// ---- Scaling ---------------------------------------------------------------------------------------------

void TCustomDBGridEh::ChangeScale(Integer M, Integer D) {
  if (M == D || D == 0) return TCustomGridEh::ChangeScale(M, D);
  if (!GetParentFont()) {
    // The title font ends at the grid font's new size, which the platform sets below.
    TTemporaryChangeEh<Integer> Self(FSelfChangingFonts, FSelfChangingFonts + 1);
    FTitleFont->SetSize(MulDiv(GetFont()->GetSize(), M, D));
    FFooterFont->SetSize(MulDiv(FFooterFont->GetSize(), M, D));
  }
  ScaleColumns(M, D);
  TCustomGridEh::ChangeScale(M, D);
}

// Widths are scaled from running sums, so the rounding errors do not add up.
void TCustomDBGridEh::ScaleColumns(Integer M, Integer D) {
  FColumns->BeginUpdate();
  TScopeExitEh End([this] { FColumns->EndUpdate(); });
  Integer Sum = 0, ScaledSum = 0;
  for (Integer I = 0; I < FColumns->GetCount(); ++I) {
    TColumnEh* Column = FColumns->Items(I);
    const TColumnEhValues Assigned = Column->GetAssignedValues();
    if (Assigned.Contains(cvFont)) Column->GetFont()->SetSize(MulDiv(Column->GetFont()->GetSize(), M, D));
    if (Assigned.Contains(cvTitleFont)) {
      TFont* Font = Column->GetTitle()->GetFont();
      Font->SetSize(MulDiv(Font->GetSize(), M, D));
    }
    ScaleFooterFont(Column->GetFooter(), M, D);
    for (Integer F = 0; F < Column->GetFooters()->GetCount(); ++F)
      ScaleFooterFont(Column->GetFooters()->Items(F), M, D);
    if (!Assigned.Contains(cvWidth)) continue;
    Sum += Column->GetWidth();
    const Integer Scaled = MulDiv(Sum, M, D);
    Column->SetWidth(Scaled - ScaledSum);
    ScaledSum = Scaled;
  }
}

void TCustomDBGridEh::ScaleFooterFont(TColumnFooterEh* Footer, Integer M, Integer D) {
  if (!Footer || !Footer->IsFontStored()) return;
  TFont* Font = Footer->GetFont();
  Font->SetSize(MulDiv(Font->GetSize(), M, D));
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
  FRowPanelLineHeight = Height;
  // A record's panel stands in one grid row as high as all its lines.
  if (FRowPanel->GetActive()) Height = RowPanelLineCount() * (Height + GetGridLineWidth()) - 1;
  FDataRowHeight = Height;
  FMultiLineRow = Height > TM.tmHeight + TM.tmInternalLeading + TM.tmExternalLeading + FTextMargin;
}

void TCustomDBGridEh::CalcCellButtonSize() {
  FCellButtonWidth = GetFlat() ? ToolCtrlsMetricsEh().DefaultEditButtonWidth : GetSystemMetrics(SM_CXVSCROLL);
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
    Width =
        std::max(11, FontTextWidthEh(FInternalFont.get(), String(size_t(Digits), u'0')) + (Width != 0 ? Width : 2) + 2);
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
    FTitleRowHeight =
        FTitleLines * TM.tmHeight + TM.tmExternalLeading + 2 + FTitleHeight + (FOptions.Contains(dgRowLines) ? 1 : 0);
  }
  if (MultiTitleActive()) {
    BuildTitleTree();
    Integer Height = 0;
    for (THeadTreeNode* Child : FHeadTree->Children()) {
      Integer Sum = 0;
      for (THeadTreeNode* N = Child;; N = N->Child) {
        Sum += N->Height;
        if (!N->Child) break;
      }
      Height = std::max(Height, Sum);
    }
    FTitleRowHeight = std::max(Height - (FOptionsEh.Contains(dghFixed3D) ? 1 : 3), FTitleRowHeight);
  } else {
    FHeadTree->FreeAllChild();
    FLeafFieldArr.clear();
  }
  FRowPanelTitleLineHeight = FTitleRowHeight;
  // The titles form a panel of their own, one title line per panel line.
  if (FRowPanel->GetActive()) FTitleRowHeight = RowPanelLineCount() * (FTitleRowHeight + GetGridLineWidth()) - 1;
}

void TCustomDBGridEh::UpdateLineColors() {
  TGridLineColorsEh* Colors = GetGridLineColors();
  // No theme engine here: the fixed lines are grey when flat, else black.
  Colors->SetDarkColor(GetFlat() ? TColor(0x808080) : clBlack);
  const bool Bright = !FOptionsEh.Contains(dghFooter3D) && FFooterColor == clWindow;
  Colors->SetContraRowLinesColor(Bright ? Colors->GetBrightColor() : Colors->GetDarkColor());
}

// ---- Window creation ---------------------------------------------------------------------------------

void TCustomDBGridEh::CreateWnd() {
  {
    BeginUpdate();
    TScopeExitEh Unlock([this] { EndUpdate(); });
    TCustomGridEh::CreateWnd();
  }
  CalcCellButtonSize();
  FVertBarSet = false;  // a new window has a bar of its own
  if (FAutoFitColWidths || FRowPanel->GetActive() || FLayoutPending) {
    LayoutChanged();
  } else if (FLayoutLock == 0 && !GetComponentState().Contains(csLoading)) {
    SetColumnAttributes();
    UpdateRowCount();
    SyncActiveRow();
  }
  UpdateScrollBar();
}

// ---- Data changes ------------------------------------------------------------------------------------

void TCustomDBGridEh::DataChanged() {
  if (!HandleAllocated() || FSumList->GetRecalculating()) return;
  if (FRowDetailPanel->GetVisible() && !IsCurrentDataRow(GetRow() - GetTitleRowCount()))
    FRowDetailPanel->SetVisible(false);
  const Integer OldIndicatorWidth = FIndicatorWidth;
  CalcIndicatorWidth();
  if (FIndicatorWidth != OldIndicatorWidth) LayoutChanged();
  else UpdateRowCount();
  const bool WasShowing = VertScrollBarShowingNow();
  UpdateScrollBar();
  AfterScrollBarUpdate(WasShowing);
  SyncActiveRow();
  InvalidateEditor();
  Invalidate();
}
