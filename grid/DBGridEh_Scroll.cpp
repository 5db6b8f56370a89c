// Rows, the current row and scrolling, in the grid's two modes:
//
//   ordinary mode   the grid shows the window of records its data link buffers
//                   (as many as fit the client height); moving through the data
//                   moves the records in the window, and the vertical bar shows
//                   the record number (three states when there are none);
//   row mode        over an in-memory table (IMemTableEh) the grid has one row per
//                   record, reads any row by instant read, scrolls by rows (or by
//                   pixels with the vertical bar's SmoothStep) and hears the
//                   table's row notices; its vertical bar shows the top row.
//
// Index of this file:
//   row counts and the current row (UpdateRowCount, SyncActiveRow, fetching on demand)
//   the vertical bar's numbers and how they are shown (UpdateScrollBar), the external horizontal bar
//   scroll requests (WM_VSCROLL, WM_HSCROLL), resizing (WM_SIZE), timed scrolling
//   data scrolls (DataScrolled) and the table's row notices (DataRowChanged)
//   the top-left change, the timer and the data area
//   reading one row (BeginReadRow, EndReadRow, GetRowRecNo, IsCurrentDataRow)
//
// Typical call flow in row mode: the table's cursor moves -> the data link's
// DataSetScrolled -> DataScrolled -> the current cell follows the table's row
// (MoveColRow, which scrolls it into view) -> the base grid's TopLeftMoved ->
// TopLeftChanged -> UpdateScrollBar. Nothing here walks the rows: heights and
// their sums come from the run store (DBGridEh_ScrollRows.cpp), the last top
// row from the rows that fit the window, and rows are read only to paint them.

#include <algorithm>
#include <cstdlib>

#include "grid/DBGridEh.h"
#include "grid/ScopeGuardEh.h"
#include "platform/ui/MessageQueue.h"
#include "platform/ui/Timers.h"

namespace {

// The grid's window timer for tracking and automatic scrolling.
constexpr std::uintptr_t TrackingTimerId = 1;
// The external horizontal bar shows the left column on this scale.
constexpr Integer ExtHorzScrollRange = 127;

}  // namespace

// ---- Row counts and the current row --------------------------------------------------------------

Integer TCustomDBGridEh::VisibleDataRowCount() const {
  if (GroupedRows()) return FDataGrouping->GetGroupDataTree()->GetFlatCount();
  if (FIntMemTable) return FIntMemTable->InstantReadRowCount();
  return FDataLink->GetActive() ? FDataLink->GetRecordCount() : 0;
}

void TCustomDBGridEh::UpdateRowCount() {
  if (RowScrollMode()) UpdateTableRowCount();
  else UpdateDataLinkRowCount();
}

// The row count never leaves the current row past the end.
void TCustomDBGridEh::SetRowCountKeepingCurrent(Integer Count) {
  if (Count == GetRowCount()) return;
  if (GetRow() >= Count && Count - 1 >= GetFixedRows())
    MoveColRow(CurrentColumnOrFixed(), Count - 1, false, false, false);
  SetRowCount(Count);
  Invalidate();
}

void TCustomDBGridEh::UpdateDataLinkRowCount() {
  const Integer TitleRows = GetTitleRowCount();
  if (GetRowCount() <= TitleRows) SetRowCount(TitleRows + 1);
  if (GetFixedRows() != TitleRows) SetFixedRows(TitleRows);
  ResetRowHeights(FDataRowHeight);
  // The window's records always start at the top: a user's row sizing may have left another height.
  if (FRowHeightsStore.FindNotEqual(TitleRows, FDataRowHeight) < GetRowCount()) {
    FRowHeightsStore.Fill(TitleRows, GetRowCount(), FDataRowHeight);
    CalcVertExtents();
    Invalidate();
  }
  if (TitlesVisible()) StoreRowHeight(0, FTitleRowHeight);
  StoreSubTitleRowHeights();

  Integer Count = TitleRows + 1;
  if (FDataLink->GetActive() && FDataLink->GetRecordCount() > 0 && HandleAllocated()) {
    const Integer LineWidth = FOptions.Contains(dgRowLines) ? GetGridLineWidth() : 0;
    const Integer Step = std::max(1, FDataRowHeight + LineWidth);
    Integer FixedPart = (TitlesVisible() ? FTitleRowHeight + LineWidth : 0) + FFooterRowCount * Step +
                        (FFooterRowCount > 0 ? LineWidth : 0);
    for (Integer Row = TitlesVisible() ? 1 : 0; Row < TitleRows; ++Row) FixedPart += GetRowHeights(Row) + LineWidth;
    FDataLink->SetBufferCount(std::max(1, (GetClientHeight() - FixedPart) / Step));
    Count = FDataLink->GetRecordCount() + TitleRows;
  }
  SetRowCountKeepingCurrent(Count);
  if (GetContraRowCount() != FFooterRowCount) SetContraRowCount(FFooterRowCount);
  if (GetTopRow() != GetFixedRows() && GetFixedRows() < GetRowCount()) SetTopRow(GetFixedRows());
  SyncActiveRow();
}

// Rows above the data come and go at the top, so each data row keeps its height.
void TCustomDBGridEh::SetTitleRowsOfTable(Integer TitleRows) {
  const Integer Old = GetFixedRows();
  if (Old == TitleRows) return;
  const Integer Diff = TitleRows - Old;
  if (Diff > 0) {
    FRowHeightsStore.Insert(Old, Diff, FDataRowHeight);
    SetRowCount(GetRowCount() + Diff);
  } else if (GetRowCount() + Diff > TitleRows) {
    FRowHeightsStore.Erase(TitleRows, -Diff);
    SetRowCount(GetRowCount() + Diff);
  }
  if (GetRowCount() <= TitleRows) SetRowCount(TitleRows + 1);
  SetFixedRows(TitleRows);
}

void TCustomDBGridEh::UpdateTableRowCount() {
  const Integer TitleRows = GetTitleRowCount();
  if (GetRowCount() <= TitleRows) SetRowCount(TitleRows + 1);
  SetTitleRowsOfTable(TitleRows);
  const bool HeightChanged = GetDefaultRowHeight() != FDataRowHeight;
  // A tree's rows are all one height: rows fitted to their records before the
  // tree was switched on give theirs up even when the row count stays.
  if (PerRowHeightsVary() && FIntMemTable && FIntMemTable->IsTreeList()) FRowHeightsStore.Clear();
  ResetRowHeights(FDataRowHeight);
  if (TitlesVisible()) StoreRowHeight(0, FTitleRowHeight);
  StoreSubTitleRowHeights();

  const Integer Rows = FDataLink->GetActive() ? VisibleDataRowCount() : 0;
  SetRowCountKeepingCurrent(TitleRows + std::max(Rows, 1));
  if (GetContraRowCount() != FFooterRowCount) SetContraRowCount(FFooterRowCount);
  if (HeightChanged && PerRowHeightsVary()) UpdateVisibleRowHeights();
  // Fewer rows than before may leave the window partly empty: the top row comes back.
  const Integer LastTop = LastTopRow();
  if (GetTopRow() > LastTop) MoveTopLeft(GetLeftCol(), LastTop);
  SyncActiveRow();
  FetchRecordsOnDemand();
}

// The rows under the titles: the filter row as high as its text, the others as a data row
// (in the row panel every row is a panel).
void TCustomDBGridEh::StoreSubTitleRowHeights() {
  const Integer First = TitlesVisible() ? 1 : 0;
  const bool FilterRow = TCustomDBGridEh::GetSubTitleRowCount() > 0 && !FRowPanel->GetActive();
  for (Integer Row = First; Row < GetTitleRowCount(); ++Row)
    StoreRowHeight(Row, FilterRow && Row == First ? FilterRowHeight() : FDataRowHeight);
}

Integer TCustomDBGridEh::FilterRowHeight() { return FontTextHeightEh(GetFont(), u"Wg") + 4 + (GetFlat() ? 0 : 1); }

Integer TCustomDBGridEh::CurrentColumnOrFixed() const {
  return std::clamp(GetCol(), std::min(GetFixedCols(), GetColCount() - 1), GetColCount() - 1);
}

void TCustomDBGridEh::SyncActiveRow() {
  if (!FDataLink->GetActive()) return;
  const Integer TitleRows = GetTitleRowCount();
  Integer Target = -1;
  if (GroupedRows()) {
    // A group row stays current until the table moves to another record.
    if (FCurrentGroupNode && FIntMemTable->GetCurrentRowIndex() != FCurrentGroupRecIndex) FCurrentGroupNode = nullptr;
    const Integer Flat = CurrentFlatIndex();
    if (Flat >= 0) Target = Flat + TitleRows;
  } else if (FIntMemTable) {
    FCurrentGroupNode = nullptr;
    const Integer Index = FIntMemTable->GetCurrentRowIndex();
    if (Index >= 0) Target = Index + TitleRows;
  } else {
    Target = FDataLink->GetActiveRecord() + TitleRows;
  }
  if (Target < 0 || Target >= GetRowCount() || Target == GetRow()) return;
  MoveColRow(CurrentColumnOrFixed(), Target, false, false, FIntMemTable != nullptr);
  InvalidateEditor();
}

// When the rows do not fill the window, or the last row shows, the table is
// asked for more records (a table fed by a data driver fetches them on demand).
void TCustomDBGridEh::FetchRecordsOnDemand() {
  if (!FIntMemTable || !FDataLink->GetActive() || FFetchingRecords || !HandleAllocated()) return;
  // Fetching resynchronises the table: never while a record is being edited.
  if (FDataLink->GetDataSet()->GetState() != dsBrowse) return;
  TGridDrawInfoEh DrawInfo;
  CalcDrawInfo(DrawInfo);
  const TGridAxisDrawInfoEh& V = DrawInfo.Vert;
  Integer Count = 0;
  if (V.GridBoundary < V.GridExtent) Count = (V.GridExtent - V.FixedBoundary) / std::max(1, FDataRowHeight) + 1;
  else if (V.LastFullVisibleCell >= GetRowCount() - 1) Count = 1;
  if (Count == 0) return;
  TTemporaryChangeEh<bool> Fetching(FFetchingRecords, true);
  FIntMemTable->FetchRecords(Count);
}

Integer TCustomDBGridEh::LastTopRow() const {
  TGridDrawInfoEh DrawInfo;
  CalcDrawInfo(DrawInfo);
  const TGridAxisDrawInfoEh& V = DrawInfo.Vert;
  const Integer Fixed = GetFixedRows();
  Integer Result = std::max(Fixed, GetRowCount() - 1);
  Integer Line = V.GridExtent + V.EffectiveLineWidth;
  // Walks up from the last row only as far as the window reaches.
  for (Integer Row = GetRowCount() - 1; Row >= Fixed; --Row) {
    const Integer Height = GetRowHeights(Row);
    if (Height <= 0) continue;
    Line -= Height + V.EffectiveLineWidth;
    if (Line <= V.FixedBoundary) break;
    Result = Row;
  }
  return std::max(Fixed, Result);
}

Integer TCustomDBGridEh::LastLeftCol() const {
  TGridDrawInfoEh DrawInfo;
  CalcDrawInfo(DrawInfo);
  const TGridAxisDrawInfoEh& H = DrawInfo.Horz;
  const Integer Fixed = GetFixedCols();
  Integer Result = std::max(Fixed, GetColCount() - 1);
  Integer Line = H.GridExtent + H.EffectiveLineWidth;
  for (Integer Col = GetColCount() - 1; Col >= Fixed; --Col) {
    const Integer Width = GetColWidths(Col);
    if (Width <= 0) continue;
    Line -= Width + H.EffectiveLineWidth;
    if (Line <= H.FixedBoundary) break;
    Result = Col;
  }
  return std::max(Fixed, Result);
}

Integer TCustomDBGridEh::VisibleDataRows() const { return std::max(1, GetVisibleRowCount()); }

bool TCustomDBGridEh::SmoothRowScrollMode() const { return RowScrollMode() && FVertScrollBar->GetSmoothStep(); }

bool TCustomDBGridEh::IsSmoothVertScroll() { return SmoothRowScrollMode(); }

bool TCustomDBGridEh::IsSmoothHorzScroll() {
  return (FHorzScrollBar && FHorzScrollBar->GetSmoothStep()) || (FRowPanel && FRowPanel->GetActive());
}

// ---- The vertical bar -------------------------------------------------------------------------------

TGridScrollBarParamsEh TCustomDBGridEh::GetVertScrollBarParams() {
  TGridScrollBarParamsEh P;
  if (RowScrollMode()) {
    const Integer Fixed = GetFixedRows();
    P.Min = 1;
    if (FOptionsEh.Contains(dghAutoFitRowHeight)) {
      P.Page = 0;
      P.Max = LastTopRow() - Fixed + 1;
    } else {
      P.Page = VisibleDataRows();
      P.Max = GetRowCount() - Fixed;
    }
    P.Pos = GetTopRow() - Fixed + 1;
    return P;
  }
  P = {0, 1, 2, 0};
  TDataSet* DataSet = FDataLink->GetDataSet();
  if (!FDataLink->GetActive() || !DataSet) return P;
  if (FSumList->IsSequenced()) {
    P.Min = 1;
    P.Page = FDataLink->GetRecordCount();
    P.Max = FSumList->GetRecordCount() + P.Page - 1;
    const TDataSetState State = DataSet->GetState();
    P.Pos = State == dsBrowse || State == dsEdit ? FSumList->GetRecNo() : FVertBarParams.Pos;
  } else {
    // No record numbers: the thumb says only "at the start", "between" or "at the end".
    P.Min = 0;
    P.Page = 0;
    P.Max = 4;
    P.Pos = DataSet->GetBof() ? 0 : DataSet->GetEof() ? 4 : 2;
  }
  return P;
}

void TCustomDBGridEh::UpdateScrollBar() {
  if (!FDataLink || !HandleAllocated() || SmoothRowScrollMode()) return;
  ApplyVertScrollBarParams(GetVertScrollBarParams());
}

void TCustomDBGridEh::ApplyVertScrollBarParams(const TGridScrollBarParamsEh& Params) {
  TScrollBar* Ext = FVertScrollBar->GetExtScrollBar();
  const TScrollBarVisibleModeEh Mode = FVertScrollBar->GetVisibleMode();
  if (FVertBarSet && Params == FVertBarParams && Mode == FVertBarMode && Ext == FVertBarExt) return;
  const bool ModeChanged = !FVertBarSet || Mode != FVertBarMode;
  FVertBarParams = Params;
  FVertBarSet = true;
  FVertBarExt = Ext;

  // The window's own bar shows nothing to scroll when the bar is hidden or another shows it.
  TGridScrollBarParamsEh Own = Params;
  if (!FVertScrollBar->GetVisible() || Ext) Own.Max = Own.Min;
  const bool Fits = Own.Max - Own.Min <= Own.Page;
  HWND Wnd = GetHandle();
  const bool AlwaysShow = Mode == sbAlwaysShowEh && !Ext;
  if (AlwaysShow) {
    ShowScrollBar(Wnd, SB_VERT, true);
    EnableScrollBar(Wnd, SB_VERT, Fits ? ESB_DISABLE_BOTH : ESB_ENABLE_BOTH);
  } else if (ModeChanged && Fits) {
    EnableScrollBar(Wnd, SB_VERT, ESB_ENABLE_BOTH);
    ShowScrollBar(Wnd, SB_VERT, false);
  }
  TScrollInfo Info;
  Info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | (AlwaysShow ? SIF_DISABLENOSCROLL : 0);
  Info.nMin = Own.Min;
  Info.nMax = Own.Max;
  Info.nPage = UINT(std::max(0, Own.Page));
  Info.nPos = Own.Pos;
  SetScrollInfo(Wnd, SB_VERT, Info, true);
  FVertBarMode = Mode;
  if (Ext) SetExtScrollBarParams(Ext, Params.Min, Params.Max, Params.Page, Params.Pos);
}

// An external bar is given its page last, so that no step clamps the position.
void TCustomDBGridEh::SetExtScrollBarParams(TScrollBar* Bar, Integer Min, Integer Max, Integer Page, Integer Pos) {
  Bar->SetPageSize(0);
  Bar->SetParams(std::clamp(Pos, std::min(Min, Max), Max), std::min(Min, Max), Max);
  Bar->SetPageSize(Page);
}

void TCustomDBGridEh::ExtScrollBarScrolled(TScrollBarKind Kind) {
  if (Kind == sbVertical) {
    FVertBarSet = false;
    UpdateScrollBar();
  } else {
    FHorzExtBarParams = {-1, -1, -1, -1};
    GetScrollBarParams();
  }
}

bool TCustomDBGridEh::VertScrollBarShowingNow() {
  return HandleAllocated() && IsScrollBarVisible(GetHandle(), SB_VERT);
}

void TCustomDBGridEh::PostDeferredLayout() {
  if (!HandleAllocated()) return;
  TMsg M;
  if (!PeekMessage(M, GetHandle(), WM_DEFERREDLAYOUT, WM_DEFERREDLAYOUT, PM_NOREMOVE))
    PostMessage(GetHandle(), WM_DEFERREDLAYOUT);
}

// A vertical bar that came or went changes the client width the columns are fitted to.
void TCustomDBGridEh::AfterScrollBarUpdate(bool WasShowing) {
  if (FAutoFitColWidths && !GetComponentState().Contains(csDesigning) && WasShowing != VertScrollBarShowingNow())
    PostDeferredLayout();
}

void TCustomDBGridEh::GetScrollBarParams() {
  TScrollBar* Ext = FHorzScrollBar->GetExtScrollBar();
  if (!Ext || !HandleAllocated()) return;
  const Integer Fixed = GetFixedCols();
  const Integer LastLeft = LastLeftCol();
  TGridScrollBarParamsEh P;
  P.Page = std::max(0, GetVisibleColCount());
  P.Max = P.Page + Fixed >= GetColCount() ? 0 : ExtHorzScrollRange;
  P.Pos = LastLeft > Fixed ? MulDiv(GetLeftCol() - Fixed, ExtHorzScrollRange, LastLeft - Fixed) : 0;
  if (P == FHorzExtBarParams) return;
  FHorzExtBarParams = P;
  SetExtScrollBarParams(Ext, P.Min, P.Max, P.Page, P.Pos);
}

// ---- Scroll requests -----------------------------------------------------------------------------------

void TCustomDBGridEh::WMVScroll(TMessage& Message) {
  Message.Result = 0;
  const Integer Code = LoWord(Message.WParam);
  if (SmoothRowScrollMode()) {
    // Pixel scrolling is the base grid's; a tracked thumb scrolls as it moves.
    if (Code == SB_THUMBTRACK && FVertScrollBar->GetTracking())
      Message.WParam = MakeWParam(SB_THUMBPOSITION, std::max<Integer>(0, HiWord(Message.WParam)));
    return TCustomGridEh::Dispatch(Message);
  }
  if (!FDataLink->GetActive()) return;
  TScrollInfo Info;
  Info.fMask = SIF_ALL;
  const Integer TrackPos = FVertScrollBar->GetScrollInfo(Info) ? Info.nTrackPos : 0;
  if (RowScrollMode()) VScrollTableRows(Code, TrackPos);
  else VScrollDataLink(Code, TrackPos);
}

void TCustomDBGridEh::VScrollDataLink(Integer Code, Integer TrackPos) {
  TDataSet* DataSet = FDataLink->GetDataSet();
  if (!DataSet) return;
  const bool Sequenced = FSumList->IsSequenced();
  switch (Code) {
    case SB_LINEUP: DataSet->MoveBy(-FDataLink->GetActiveRecord() - 1); break;
    case SB_LINEDOWN: DataSet->MoveBy(FDataLink->GetBufferCount() - FDataLink->GetActiveRecord()); break;
    case SB_PAGEUP: DataSet->MoveBy(-VisibleDataRows()); break;
    case SB_PAGEDOWN: DataSet->MoveBy(VisibleDataRows()); break;
    case SB_TOP: DataSet->First(); break;
    case SB_BOTTOM: DataSet->Last(); break;
    case SB_THUMBTRACK:
      if (FVertScrollBar->GetTracking() && Sequenced) {
        DataSet->MoveBy(TrackPos - FSumList->GetRecNo());
        FIgnoreThumbPosition = true;
      }
      break;
    case SB_THUMBPOSITION:
      if (FIgnoreThumbPosition) {
        FIgnoreThumbPosition = false;
      } else if (Sequenced) {
        if (TrackPos <= 1) DataSet->First();
        else if (TrackPos >= FSumList->GetRecordCount()) DataSet->Last();
        else FSumList->SetRecNo(TrackPos);
      } else {
        switch (TrackPos) {
          case 0: DataSet->First(); break;
          case 1: DataSet->MoveBy(-VisibleDataRows()); break;
          case 3: DataSet->MoveBy(VisibleDataRows()); break;
          case 4: DataSet->Last(); break;
          default: break;
        }
      }
      break;
    default: break;
  }
}

// Row scrolling moves the window over the table's rows; the current record stays.
void TCustomDBGridEh::VScrollTableRows(Integer Code, Integer TrackPos) {
  const Integer Fixed = GetFixedRows(), Top = GetTopRow();
  const Integer Page = VisibleDataRows();
  Integer NewTop = Top;
  switch (Code) {
    case SB_LINEUP: NewTop = Top - 1; break;
    case SB_LINEDOWN: NewTop = Top + 1; break;
    case SB_PAGEUP: NewTop = Top - Page; break;
    case SB_PAGEDOWN: NewTop = Top + Page; break;
    case SB_THUMBTRACK:
      if (!FVertScrollBar->GetTracking()) {
        FVertBarSet = false;  // the thumb goes back to where the rows are
        UpdateScrollBar();
        return;
      }
      NewTop = Fixed + TrackPos - 1;
      break;
    case SB_THUMBPOSITION: NewTop = Fixed + TrackPos - 1; break;
    case SB_TOP: NewTop = Fixed; break;
    case SB_BOTTOM: NewTop = LastTopRow(); break;
    default: return;
  }
  NewTop = std::clamp(NewTop, Fixed, LastTopRow());
  if (NewTop == Top) return;
  MoveTopLeft(GetLeftCol(), NewTop);
  UpdateScrollBar();
}

void TCustomDBGridEh::WMHScroll(TMessage& Message) {
  const Integer Code = LoWord(Message.WParam);
  TScrollBar* Ext = FHorzScrollBar->GetExtScrollBar();
  if (Ext && (Code == SB_THUMBTRACK || Code == SB_THUMBPOSITION)) {
    // The external bar shows the left column on a fixed scale.
    Message.Result = 0;
    if (Code == SB_THUMBTRACK && !FHorzScrollBar->GetTracking()) return;
    TScrollInfo Info;
    Info.fMask = SIF_ALL;
    FHorzScrollBar->GetScrollInfo(Info);
    const Integer Fixed = GetFixedCols();
    const Integer Left = Fixed + MulDiv(Info.nTrackPos, LastLeftCol() - Fixed, ExtHorzScrollRange);
    if (Left != GetLeftCol()) MoveTopLeft(std::clamp(Left, Fixed, GetColCount() - 1), GetTopRow());
  } else {
    if (Code == SB_THUMBTRACK && FHorzScrollBar->GetTracking())
      Message.WParam = MakeWParam(SB_THUMBPOSITION, HiWord(Message.WParam));
    TCustomGridEh::Dispatch(Message);
  }
  GetScrollBarParams();
}

// ---- Resizing --------------------------------------------------------------------------------------------

void TCustomDBGridEh::WMSize(TMessage& Message) {
  TCustomGridEh::Dispatch(Message);
  if (FUpdateLock > 0) {
    FResizePending = true;
    return;
  }
  RefreshAfterResize();
}

void TCustomDBGridEh::RefreshAfterResize() {
  const bool Indicator = FIndicatorOffset > 0 && GetColWidths(0) != FIndicatorWidth;
  if ((FAutoFitColWidths && !GetComponentState().Contains(csDesigning)) || Indicator) {
    LayoutChanged();
    InvalidateEditor();
  } else {
    // The row panel's one grid column spans the window's width.
    if (FRowPanel->GetActive()) SetColumnAttributes();
    const bool WasShowing = VertScrollBarShowingNow();
    UpdateRowCount();
    UpdateScrollBar();
    AfterScrollBarUpdate(WasShowing);
    InvalidateDataArea();
  }
  GetScrollBarParams();
  if (FFilterEditing) UpdateFilterEditor(false);
  if (FRowDetailPanel->GetVisible()) FRowDetailPanel->PlacePanel();
}

void TCustomDBGridEh::ProcessPendingResize() {
  FResizePending = false;
  if (!HandleAllocated() || GetComponentState().Contains(csDestroying)) return;
  RefreshAfterResize();
}

void TCustomDBGridEh::TimedScroll(Integer Direction) {
  if (FDataLink->GetActive()) {
    TDataSet* DataSet = FDataLink->GetDataSet();
    if (Direction & sdUp) DataSet->MoveBy(-(FDataLink->GetActiveRecord() + 1));
    if (Direction & sdDown) DataSet->MoveBy(FDataLink->GetRecordCount() - FDataLink->GetActiveRecord());
  }
  if (const Integer Horz = Direction & (sdLeft | sdRight)) TCustomGridEh::TimedScroll(Horz);
}

// ---- Data scrolls and row notices ----------------------------------------------------------------------

void TCustomDBGridEh::ScrollData(Integer DX, Integer DY) { TCustomGridEh::ScrollData(DX, DY); }

void TCustomDBGridEh::DataScrolled(Integer Distance) {
  if (FRowDetailPanel->GetVisible()) FRowDetailPanel->SetVisible(false);
  if (RowScrollMode()) ScrollTableRows();
  else if (HandleAllocated()) ScrollDataLinkRows(Distance);
  InvalidateFooter();
  if (FUpdateLock == 0 && HandleAllocated()) Update();
}

void TCustomDBGridEh::ScrollTableRows() {
  const Integer OldRow = GetRow();
  InvalidateRow(OldRow);
  const Integer Index = FIntMemTable->GetCurrentRowIndex();
  const Integer Target = Index + GetTitleRowCount();
  if (Index < 0 || Target >= GetRowCount() || Target == OldRow) return;
  // The current cell follows the record into view; a column left of the fixed ones moves past them.
  MoveColRow(CurrentColumnOrFixed(), Target, false, false, true);
  InvalidateEditor();
  InvalidateRow(Target);
}

void TCustomDBGridEh::ScrollDataLinkRows(Integer Distance) {
  const Integer OldRow = GetRow();
  if (FDataLink->GetActiveRecord() >= GetRowCount() - GetTitleRowCount()) UpdateRowCount();
  const bool WasShowing = VertScrollBarShowingNow();
  UpdateScrollBar();
  AfterScrollBarUpdate(WasShowing);
  SyncActiveRow();
  InvalidateRow(OldRow);
  InvalidateRow(GetRow());
  if (Distance == 0) return;
  if (!FOptions.Contains(dgAlwaysShowEditor)) HideEditor();
  if (std::abs(Distance) > VisibleDataRows()) {
    Invalidate();
    if (FOptions.Contains(dgAlwaysShowEditor)) ShowEditor();
    return;
  }
  // The records moved in the window: the data area moves with them.
  if (FIndicatorOffset > 0) InvalidateCell(0, OldRow);
  TGridDrawInfoEh DrawInfo;
  CalcDrawInfo(DrawInfo);
  const Integer Step = FDataRowHeight + (FOptions.Contains(dgRowLines) ? GetGridLineWidth() : 0);
  TRect Area(0, DrawInfo.Vert.FixedBoundary, DrawInfo.Horz.GridExtent, DrawInfo.Vert.GridExtent);
  if (!Area.IsEmpty()) ScrollWindowEx(GetHandle(), 0, -Distance * Step, &Area, &Area, nullptr, nullptr, SW_INVALIDATE);
  if (FIndicatorOffset > 0) InvalidateCell(0, GetRow());
  if (FOptions.Contains(dgAlwaysShowEditor)) ShowEditor();
}

void TCustomDBGridEh::DataRowChanged(Integer Index, Integer Kind, Integer OtherIndex) {
  // A tree's rows follow the table's data changes (DataChanged) instead.
  if (!FIntMemTable || FIntMemTable->IsTreeList()) return;
  // Grouped rows follow the group tree, which keeps itself up to date record by record.
  if (FDataGrouping && FDataGrouping->IsGroupingWorks()) {
    TGridGroupDataTreeEh* Tree = FDataGrouping->GetGroupDataTree();
    switch (Kind) {
      case mtdcInsertedEh: Tree->RecordInserted(Index); return;
      case mtdcChangedEh: Tree->RecordChanged(Index); return;
      case mtdcRemovedEh: Tree->RecordDeleted(Index); return;
      case mtdcAllChangedEh: Tree->RebuildDataTree(FIntMemTable); return;
      default: break;
    }
  }
  const Integer TitleRows = GetTitleRowCount();
  const Integer Rows = FIntMemTable->InstantReadRowCount();
  const Integer Row = Index + TitleRows;
  switch (Kind) {
    case mtdcInsertedEh:
      if (Rows > 1 && Index >= 0) {
        SetRowCount(GetRowCount() + 1);
        MoveRow(GetRowCount() - 1, std::min(Row, GetRowCount() - 1));
        SetDataRowHeight(std::min(Row, GetRowCount() - 1));
      }
      break;
    case mtdcChangedEh: SetDataRowHeight(Row); break;
    case mtdcRemovedEh:
      if (Rows > 0 && Index >= 0 && Row < GetRowCount() && GetRowCount() > TitleRows + 1) DeleteRow(Row);
      break;
    case mtdcMovedEh:
      if (OtherIndex >= 0 && Index >= 0 && OtherIndex + TitleRows < GetRowCount() && Row < GetRowCount())
        MoveRow(OtherIndex + TitleRows, Row);
      break;
    case mtdcAllChangedEh:
      SetRowCountKeepingCurrent(Rows + TitleRows + (Rows == 0 ? 1 : 0));
      UpdateVisibleRowHeights();
      break;
    default: break;
  }
}

// ---- The top-left change, the timer, the data area ---------------------------------------------------

void TCustomDBGridEh::TopLeftChanged() {
  // The titles are drawn differently while the first data row is the top row.
  const bool TopIsFirst = GetTopRow() <= GetFixedRows();
  if (TopIsFirst != FTopRowIsFirst) {
    FTopRowIsFirst = TopIsFirst;
    InvalidateTitle();
  }
  TCustomGridEh::TopLeftChanged();
  UpdateScrollBar();
  GetScrollBarParams();
  // A tree whose rows went (a node collapsed) keeps the window full.
  if (FIntMemTable && FIntMemTable->IsTreeList() && GetTopRow() > FLastTopLeft.Y) {
    const Integer LastTop = LastTopRow();
    if (GetTopRow() > LastTop) MoveTopLeft(GetLeftCol(), LastTop);
  }
  FetchRecordsOnDemand();
  // The filter editor and the row detail panel go where their cells went.
  if (FFilterEditing) UpdateFilterEditor(false);
  if (OnTopLeftChanged) OnTopLeftChanged(this);
  if (FRowDetailPanel->GetVisible()) FRowDetailPanel->PlacePanel();
  FLastTopLeft = {GetLeftCol(), GetTopRow()};
}

void TCustomDBGridEh::StartTimer(Integer Interval) {
  if (!HandleAllocated() || Interval == FTimerInterval) return;
  SetTimer(GetHandle(), TrackingTimerId, UINT(std::max(0, Interval)));
  FTimerInterval = Interval;
}

void TCustomDBGridEh::StopTimer() {
  if (FTimerInterval < 0) return;
  if (HandleAllocated()) KillTimer(GetHandle(), TrackingTimerId);
  FTimerInterval = -1;
}

TGridRect TCustomDBGridEh::GetDataAreaRect() const {
  TGridDrawInfoEh DrawInfo;
  CalcDrawInfo(DrawInfo);
  const Integer LastCol = std::min(GetColCount() - 1, DrawInfo.Horz.LastFullVisibleCell + 1);
  return {GetFixedCols(), GetTitleRowCount(), LastCol, GetRowCount() - 1};
}

void TCustomDBGridEh::InvalidateDataArea() { InvalidateRect(GetDataAreaRect()); }

// ---- Reading one row -----------------------------------------------------------------------------------

bool TCustomDBGridEh::BeginReadRow(Integer DataRow) {
  if (!FDataLink->GetActive() || DataRow < 0) return false;
  if (FIntMemTable) {
    if (GroupedRows()) {
      // A group row has no record; a record row reads its record.
      TGroupDataTreeNodeEh* Node = GroupNodeOfRow(DataRow);
      if (!Node || Node->IsGroup()) return false;
      DataRow = Node->GetRecIndex();
    }
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

Integer TCustomDBGridEh::GetRowRecNo(Integer DataRow) {
  if (GroupedRows()) {
    TGroupDataTreeNodeEh* Node = GroupNodeOfRow(DataRow);
    return Node && !Node->IsGroup() ? Node->GetRecIndex() + 1 : 0;
  }
  if (FIntMemTable) return DataRow + 1;
  TDataSet* DataSet = FDataLink->GetDataSet();
  if (!FDataLink->GetActive() || !DataSet) return 0;
  const Integer Saved = FDataLink->GetActiveRecord();
  FDataLink->SetActiveRecord(DataRow);
  TScopeExitEh Restore([&] { FDataLink->SetActiveRecord(Saved); });
  return DataSet->GetRecNo();
}

bool TCustomDBGridEh::IsCurrentDataRow(Integer DataRow) const {
  if (!FDataLink->GetActive()) return false;
  if (GroupedRows()) return DataRow == CurrentFlatIndex();
  if (FIntMemTable) return DataRow == FIntMemTable->GetCurrentRowIndex();
  return DataRow == FDataLink->GetActiveRecord();
}
