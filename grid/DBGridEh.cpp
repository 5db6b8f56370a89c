// The data grid's lifecycle and shared services.
//
// Index of this file:
//   construction and destruction
//   the layout bracket (BeginLayout ... EndLayout, LayoutChanged, DeferLayout)
//   columns by index and by field, the current column
//   the in-memory table's interface, focus, the delete prompt
//   event raisers, column moves, removal notices
//
// Typical call flow: a change that affects geometry (a column setter, an
// option, a data-link notice) calls LayoutChanged; when no bracket is open it
// opens one and closes it at once, and the closing EndLayout runs the layout
// pass (InternalLayout, DBGridEh_Layout.cpp). Inside an open bracket nothing
// runs until the outermost EndLayout. While only BeginUpdate is held the pass
// is skipped and marked pending; DeferLayout posts the pass to the grid's own
// queue instead, once.

#include <algorithm>

#include "editors/DaVirVCL.h"
#include "gridbase/DaVirConsts.h"
#include "grid/DBGridEh.h"
#include "grid/ScopeGuardEh.h"
#include "platform/core/Format.h"
#include "platform/ui/Forms.h"
#include "platform/ui/MessageQueue.h"

// ---- Construction ------------------------------------------------------------------------------------

TCustomDBGridEh::TCustomDBGridEh(TComponent* AOwner) : TCustomGridEh(AOwner) {
  if (TDBGridEhStyle* Style = DBGridEhStyle()) SetStyle(Style);
  SetCenter(GetDBGridEhCenter());
  FAcquireFocus = true;
  AcquireTempBitmapEh();
  FRowPanel = std::make_unique<TGridRowPanelEh>(this);
  FIndicatorOffset = 1;
  FOptions = DefaultDBGridOptionsEh;
  TCustomGridEh::SetOptions(DefaultDBGridBaseOptionsEh);
  SetScrollBars(ssHorizontal);
  FColumnDefValues = CreateColumnDefValues();
  FColumns = CreateColumns();
  FVisibleColumns = std::make_unique<TColumnsEhList>();
  SetRowCount(2);
  SetColCount(2);
  FDataLink = std::make_unique<TGridDataLinkEh>(this);

  SetColor(clWindow);
  FFooterColor = clWindow;
  SetParentColor(false);
  FTitleFont = std::make_unique<TFont>();
  FTitleFont->Assign(GetFont());
  FTitleFont->OnChange = [this](TObject* Sender) { TitleFontChanged(Sender); };
  FTitleImagesChangeLink.OnChange = [this](TObject* Sender) {
    if (Sender && Sender == FTitleImages) Invalidate();
  };
  SetDefaultDrawing(true);
  // The painters fill, frame and focus every cell themselves.
  TCustomGridEh::SetDefaultDrawing(false);
  FBookmarks = std::make_unique<TBookmarkListEh>(this);
  HideEditor();

  FTitleHeight = FTitleHeightFull = FTitleLines = 0;
  FHeadTree = std::make_unique<THeadTreeNode>(u"Root", 10, 0);
  FVTitleMargin = 10;
  FUseMultiTitle = false;
  FRowSizingAllowed = false;

  FSumList = std::make_unique<TDBGridEhSumList>(this);
  FSumList->SumListChanged = [this](TObject* Sender) { SumListChanged(Sender); };
  FSumList->OnRecalcAll = [this](TObject* Sender) { SumListRecalcAll(Sender); };
  FSumList->OnAfterRecalcAll = [this](TObject* Sender) { SumListAfterRecalcAll(Sender); };
  FHorzScrollBar = CreateScrollBar(sbHorizontal);
  FVertScrollBar = CreateScrollBar(sbVertical);
  FOptionsEh = DefaultDBGridEhOptionsEh;
  FSortMarkedColumns = std::make_unique<TColumnsEhList>();
  FSelection = std::make_unique<TDBGridEhSelection>(this);
  FAllowedOperations = AllAllowedOperationsEh;
  FFooterFont = std::make_unique<TFont>();
  FFooterFont->Assign(GetFont());
  FFooterFont->OnChange = [this](TObject* Sender) { FooterFontChanged(Sender); };
  FTextMargin = 4;
  FAllowedSelections = DefaultAllowedSelectionsEh;
  FColCellParams = std::make_unique<TColCellParamsEh>();
  FSTFilter = std::make_unique<TSTDBGridEhFilter>(this);
  FSelectedColumnIndex = -1;
  FIndicatorTitle = std::make_unique<TDBGridEhIndicatorTitle>(this);
  FInternalFont = std::make_unique<TFont>();

  CalcIndicatorWidth();
  CalcDataRowHeightValue();

  FDataGrouping = std::make_unique<TDBGridEhDataGroupsEh>(this);
  FRowDetailPanel = std::make_unique<TRowDetailPanelEh>(this);
  FRowDetailPanelControl = new TRowDetailPanelControlEh(this);
  FRowDetailPanelControl->SetName(u"RowDetailData");
  FRowDetailPanelControl->SetVisible(false);
  FRowDetailPanelControl->SetParent(this);
  FRowDetailPanelControl->SetBounds(0, 0, 0, 0);

  CalcHorzExtents();
  CalcVertExtents();
}

TCustomDBGridEh::~TCustomDBGridEh() {
  Destroying();
  // The filter editor reads its column while it goes: it goes before the columns.
  delete FFilterEditor;
  FFilterEditor = nullptr;
  delete FTitleFilterList;
  FTitleFilterList = nullptr;
  SetDataSource(nullptr);
  FIndicatorTitle.reset();
  if (FIntMemTable) FIntMemTable->RemoveLinkedComponent(this);
  FIntMemTable = nullptr;
  FIntMemTableDataSet = nullptr;
  if (FStyle) FStyle->UnregisterGrid(this);
  FStyle = nullptr;
  SetCenter(nullptr);
  FColCellParams.reset();
  FSelection->SetSelectionType(gstNon);
  FDataGrouping.reset();
  FColumns.reset();
  FColumnDefValues.reset();
  FVisibleColumns.reset();
  FSortMarkedColumns.reset();
  FDataLink.reset();
  FHorzScrollBar.reset();
  FVertScrollBar.reset();
  FTitleFont->OnChange = nullptr;
  FFooterFont->OnChange = nullptr;
  FBookmarks.reset();
  delete FRowDetailPanelControl;
  FRowDetailPanelControl = nullptr;
  ReleaseTempBitmapEh();
}

std::unique_ptr<TDBGridEhColumnDefValuesEh> TCustomDBGridEh::CreateColumnDefValues() {
  return std::make_unique<TDBGridEhColumnDefValuesEh>(this);
}

std::unique_ptr<TDBGridColumnsEh> TCustomDBGridEh::CreateColumns() {
  return std::make_unique<TDBGridColumnsEh>(this, TDBGridColumnEh::StaticItemClass());
}

void TCustomDBGridEh::SetStyle(TDBGridEhStyle* Value) {
  if (FStyle) FStyle->UnregisterGrid(this);
  FStyle = Value ? Value : DBGridEhStyle();
  if (FStyle) FStyle->RegisterGrid(this);
  else if (!GetComponentState().Contains(csDestroying)) LayoutChanged();
}

void TCustomDBGridEh::StyleDestroyed() {
  FStyle = DBGridEhStyle();
  if (FStyle) FStyle->RegisterGrid(this);
}

void TCustomDBGridEh::SetCenter(TDBGridEhCenter* Value) {
  if (FCenter == Value) return;
  if (FCenter) FCenter->RemoveGrid(this);
  FCenter = Value;
  if (FCenter) FCenter->AddGrid(this);
}

// ---- The layout bracket --------------------------------------------------------------------------

void TCustomDBGridEh::BeginLayout() {
  BeginUpdate();
  if (FLayoutLock == 0) FColumns->BeginUpdate();
  ++FLayoutLock;
}

void TCustomDBGridEh::EndLayout() {
  if (FLayoutLock == 0) return;
  try {
    if (FLayoutLock == 1) InternalLayout();
  } catch (...) {
    CancelLayout();
    throw;
  }
  CancelLayout();
}

void TCustomDBGridEh::CancelLayout() {
  if (FLayoutLock == 0) return;
  // The collection's update ends while the lock is still held, so the change
  // notice it sends does not start a second pass.
  if (FLayoutLock == 1) FColumns->EndUpdate();
  --FLayoutLock;
  EndUpdate();
}

bool TCustomDBGridEh::AcquireLayoutLock() {
  if (FUpdateLock != 0 || FLayoutLock != 0) return false;
  BeginLayout();
  return true;
}

void TCustomDBGridEh::LayoutChanged() {
  if (AcquireLayoutLock()) EndLayout();
  else if (FLayoutLock == 0) FLayoutPending = true;
}

void TCustomDBGridEh::DeferLayout() {
  if (HandleAllocated()) {
    TMsg M;
    if (!PeekMessage(M, GetHandle(), WM_DEFERREDLAYOUT, WM_DEFERREDLAYOUT, PM_NOREMOVE))
      PostMessage(GetHandle(), WM_DEFERREDLAYOUT);
  }
  CancelLayout();
  EndUpdate();
}

void TCustomDBGridEh::WMDeferredLayout(TMessage& Message) {
  Message.Result = 0;
  LayoutChanged();
}

// ---- Columns --------------------------------------------------------------------------------------

Integer TCustomDBGridEh::DataToRawColumn(Integer ACol) const {
  return FRowPanel->GetActive() ? FIndicatorOffset : ACol + FIndicatorOffset;
}

TColumnEh* TCustomDBGridEh::FindColumnByFieldName(const String& FieldName) const {
  for (Integer I = 0; I < FColumns->GetCount(); ++I)
    if (CompareTextUserLocaleEh(FColumns->Items(I)->GetFieldName(), FieldName) == 0) return FColumns->Items(I);
  return nullptr;
}

TColumnEh* TCustomDBGridEh::ColumnByFieldName(const String& FieldName) const {
  TColumnEh* Column = FindColumnByFieldName(FieldName);
  if (!Column) throw EInvalidGridOperationEh(Format(LoadResStringEh(SFieldNameNotFoundEh), {FieldName}));
  return Column;
}

Integer TCustomDBGridEh::GetSelectedIndex() const {
  if (!FRowPanel->GetActive()) return RawToDataColumn(GetCol());
  // The panel keeps its own current column; a hidden one gives way to the first visible.
  if (FRowPanelColIndex >= 0 && FRowPanelColIndex < FColumns->GetCount() &&
      FColumns->Items(FRowPanelColIndex)->GetVisible())
    return FRowPanelColIndex;
  return FVisibleColumns->Count() > 0 ? FVisibleColumns->Items(0)->GetIndex() : -1;
}

void TCustomDBGridEh::SetSelectedIndex(Integer Value) {
  if (FRowPanel->GetActive()) return RowPanelMoveToColumn(Value);
  const Integer Raw = DataToRawColumn(Value);
  if (Value < 0 || Raw >= GetColCount() || Raw < GetFixedCols() || Raw == GetCol()) return;
  MoveColRow(Raw, GetRow(), true, true, false);
}

TColumnEh* TCustomDBGridEh::GetCurrentColumn() const {
  const Integer Index = GetSelectedIndex();
  return Index >= 0 && Index < FColumns->GetCount() ? FColumns->Items(Index) : nullptr;
}

TField* TCustomDBGridEh::GetSelectedField() const {
  TColumnEh* Column = GetCurrentColumn();
  return Column ? Column->GetField() : nullptr;
}

void TCustomDBGridEh::SetSelectedField(TField* Value) {
  if (!Value) return;
  for (Integer I = 0; I < FColumns->GetCount(); ++I)
    if (FColumns->Items(I)->GetField() == Value) SetSelectedIndex(I);
}

bool TCustomDBGridEh::IsCellSelected(Integer DataCol, const TBookmark& Bookmark) const {
  switch (FSelection->GetSelectionType()) {
    case gstAll: return true;
    case gstRecordBookmarks: return FBookmarks->IndexOf(Bookmark) >= 0;
    case gstColumns:
      return DataCol >= 0 && DataCol < FColumns->GetCount() &&
             FSelection->GetColumns()->IndexOf(FColumns->Items(DataCol)) >= 0;
    case gstRectangle: {
      if (DataCol < 0 || DataCol >= FColumns->GetCount() || !FDataLink->GetActive()) return false;
      const Integer Visible = FVisibleColumns->IndexOf(FColumns->Items(DataCol));
      return Visible >= 0 && FSelection->GetRect()->CellSelected(Visible, Bookmark);
    }
    case gstNon: return false;
  }
  return false;
}

void TCustomDBGridEh::RebuildSortMarkedColumns() {
  FSortMarkedColumns->Clear();
  for (Integer I = 0; I < FColumns->GetCount(); ++I) {
    TColumnEh* Column = FColumns->Items(I);
    const Integer SortIndex = Column->GetTitle()->GetSortIndex();
    if (SortIndex <= 0) continue;
    if (FSortMarkedColumns->Count() < SortIndex) FSortMarkedColumns->SetCount(SortIndex);
    FSortMarkedColumns->SetItem(SortIndex - 1, Column);
  }
}

// ---- The in-memory table, focus, delete prompt ----------------------------------------------------------

void TCustomDBGridEh::SetMemTableSupportIntf(bool Value) {
  FMemTableSupport = Value;
  QueryMemTableIntf();
}

void TCustomDBGridEh::QueryMemTableIntf() {
  IMemTableEh* Table = nullptr;
  TDataSet* DataSet = FDataLink ? FDataLink->GetDataSet() : nullptr;
  if (FMemTableSupport && FDataLink && FDataLink->GetActive() && DataSet &&
      !DataSet->GetComponentState().Contains(csDestroying))
    Table = dynamic_cast<IMemTableEh*>(DataSet);
  if (Table == FIntMemTable) return;
  if (FIntMemTable) FIntMemTable->RemoveLinkedComponent(this);
  FIntMemTable = Table;
  FIntMemTableDataSet = Table ? DataSet : nullptr;
  if (FIntMemTable) FIntMemTable->AddLinkedComponent(this);
}

bool TCustomDBGridEh::GridFocused() {
  if (!HandleAllocated()) return false;
  HWND Focus = GetFocus();
  if (!Focus) return false;
  if (Focus == GetHandle()) return true;
  TInplaceEdit* Editor = GetInplaceEditor();
  return Editor && Editor->HandleAllocated() && Focus == Editor->GetHandle();
}

bool TCustomDBGridEh::AcquireFocus() {
  if (!FAcquireFocus) return true;
  if (!CanFocus() || GetComponentState().Contains(csDesigning)) return false;
  SetFocus();
  if (GridFocused()) return true;
  // Under a frame window of child forms the platform is asked directly.
  TCustomForm* Active = Screen ? Screen->GetActiveForm() : nullptr;
  if (Active && Active->GetFormStyle() == fsMDIForm && HandleAllocated()) {
    ::SetFocus(GetHandle());
    if (GridFocused()) return true;
  }
  // Filter-row editing keeps the focus in the filter editor.
  return FFilterEditor && FFilterEditor->HandleAllocated() && GetFocus() == FFilterEditor->GetHandle();
}

bool TCustomDBGridEh::DeletePrompt() {
  const String Text =
      FBookmarks->GetCount() < 2 ? String(SDeleteRecordQuestionEh) : String(SDeleteMultipleRecordsQuestionEh);
  if (!FOptions.Contains(dgConfirmDelete)) return true;
  HWND Before = GetFocus();
  const Integer Answer =
      MessageBox(HandleAllocated() ? GetHandle() : nullptr, Text, u"Confirm", MB_OKCANCEL | MB_ICONQUESTION);
  if (Before && GetFocus() != Before && IsWindow(Before)) ::SetFocus(Before);
  return Answer != IDCANCEL;
}

void TCustomDBGridEh::ClearSelection() {
  if (FOptions.Contains(dgMultiSelect)) FBookmarks->Clear();
  if (FSelection->GetSelectionType() != gstNon) {
    FSelection->Clear();
    Invalidate();
  }
  if (GetLayoutLock() == 0) InvalidateEditor();
}

TFont* TCustomDBGridEh::GetCellFont() const { return GetCanvas()->GetFont(); }

// ---- Event raisers --------------------------------------------------------------------------------

void TCustomDBGridEh::CellClick(TColumnEh* Column) {
  if (OnCellClick) OnCellClick(this, Column);
}

void TCustomDBGridEh::CheckTitleButton(Integer ACol, bool& Enabled) {
  TColumnEh* Column = ACol >= 0 && ACol < FColumns->GetCount() ? FColumns->Items(ACol) : nullptr;
  if (!Column) Enabled = false;
  if (OnCheckButton) OnCheckButton(this, ACol, Column, Enabled);
}

void TCustomDBGridEh::ColEnter() {
  FSelectedColumnIndex = GetSelectedIndex();
  if (OnColEnter) OnColEnter(this);
}

void TCustomDBGridEh::ColExit() {
  if (OnColExit) OnColExit(this);
}

void TCustomDBGridEh::TitleBtnClick(Integer ACol, TColumnEh* Column) {
  if (OnTitleBtnClick) OnTitleBtnClick(this, ACol, Column);
}

void TCustomDBGridEh::TitleClick(TColumnEh* Column) {
  if (OnTitleClick) OnTitleClick(this, Column);
}

void TCustomDBGridEh::EditButtonClick() {
  if (OnEditButtonClick) OnEditButtonClick(this);
}

void TCustomDBGridEh::SortMarkingChanged() {
  if (!FOptionsEh.Contains(dghAutoSortMarking)) return;
  if (OnSortMarkingChanged) OnSortMarkingChanged(this);
  else DefaultApplySorting();
}

void TCustomDBGridEh::DefaultApplySorting() {
  TDataSet* DataSet = FDataLink->GetDataSet();
  if (FCenter) FCenter->DoApplySorting(this, DataSet && DataSet->GetActive());
}

void TCustomDBGridEh::SumListChanged(TObject*) { InvalidateFooter(); }

void TCustomDBGridEh::SumListRecalcAll(TObject*) {
  if (OnSumListRecalcAll) OnSumListRecalcAll(FSumList.get());
}

void TCustomDBGridEh::SumListAfterRecalcAll(TObject*) {
  if (OnSumListAfterRecalcAll) OnSumListAfterRecalcAll(FSumList.get());
}

void TCustomDBGridEh::ColumnMoved(Integer FromIndex, Integer ToIndex) {
  const Integer From = RawToDataColumn(FromIndex), To = RawToDataColumn(ToIndex);
  if (From >= 0 && From < FColumns->GetCount() && To >= 0 && To < FColumns->GetCount()) {
    // The filter editor keeps its column through the move.
    FSTFilter->BeginUpdate();
    TScopeExitEh Resume([this] { FSTFilter->EndUpdate(); });
    TColumnEh* FilterColumn =
        FFilterRowColumn >= 0 && FFilterRowColumn < FColumns->GetCount() ? FColumns->Items(FFilterRowColumn) : nullptr;
    FColumns->Items(From)->SetIndex(To);
    if (FilterColumn) FFilterRowColumn = FilterColumn->GetIndex();
    if (OnColumnMoved) OnColumnMoved(this, From, To);
  }
  FSelectedColumnIndex = GetSelectedIndex();
  InvalidateEditor();
}

void TCustomDBGridEh::DefaultDrawFieldCell(const TRect& Rect, TField* Field, TGridDrawState) {
  const String Text = Field ? Field->GetDisplayText() : String();
  const TAlignment Alignment = Field ? Field->GetAlignment() : taLeftJustify;
  TCanvas* Canvas = GetCanvas();
  Canvas->FillRect(Rect);
  TRect R(Rect.Left + 2, Rect.Top + 2, Rect.Right - 2, Rect.Bottom);
  UINT Flags = DT_NOPREFIX | DT_SINGLELINE;
  Flags |= Alignment == taRightJustify ? DT_RIGHT : Alignment == taCenter ? DT_CENTER : DT_LEFT;
  DrawText(Canvas->GetHandle(), Text, Integer(Text.size()), R, Flags);
}

void TCustomDBGridEh::InvalidateFooter() {
  for (Integer Row = GetRowCount(); Row < GetFullRowCount(); ++Row) InvalidateRow(Row);
}

void TCustomDBGridEh::InvalidateTitle() {
  for (Integer Row = 0; Row < GetTitleRowCount() && Row < GetRowCount(); ++Row) InvalidateRow(Row);
}

// ---- Removal notices ----------------------------------------------------------------------------------
//
// A removal notice comes from the going component's base destructor, when it is
// no longer its own class: every test here is by identity, never by type.

void TCustomDBGridEh::Notification(TComponent* AComponent, TOperation Operation) {
  TCustomGridEh::Notification(AComponent, Operation);
  if (Operation != opRemove || !FColumns) return;
  const bool Destroying = GetComponentState().Contains(csDestroying);
  const TObject* Gone = AComponent;

  if (FIndicatorTitle && FIndicatorTitle->GetDropdownMenu() == Gone) FIndicatorTitle->SetDropdownMenu(nullptr);
  if (FTitleImages == Gone) FTitleImages = nullptr;
  for (TDBGridEhScrollBar* Bar : {FHorzScrollBar.get(), FVertScrollBar.get()})
    if (Bar && Bar->GetExtScrollBar() == Gone) Bar->SetExtScrollBar(nullptr);
  bool FieldUnbound = false, FieldGone = false;
  for (Integer I = 0; I < FColumns->GetCount(); ++I) {
    TColumnEh* Column = FColumns->Items(I);
    if (Column->GetPopupMenu() == Gone) Column->SetPopupMenu(nullptr);
    if (Column->GetImageList() == Gone) Column->SetImageList(nullptr);
    if (Column->GetDropDownBox()->GetListSource() == Gone) Column->GetDropDownBox()->SetListSource(nullptr);
    if (Column->GetSTFilter()->GetListSource() == Gone) Column->GetSTFilter()->SetListSource(nullptr);
    if (Column->GetCachedField() == Gone) FieldGone = true;
  }

  if (FDataLink && GetDataSource() == Gone) SetDataSource(nullptr);

  if (FieldGone && FDataLink) {
    BeginLayout();
    for (Integer I = 0; I < FColumns->GetCount(); ++I)
      if (FColumns->Items(I)->GetCachedField() == Gone) {
        FColumns->Items(I)->SetField(nullptr);
        FieldUnbound = true;
      }
    TDataSet* DataSet = FDataLink->GetDataSet();
    if (FieldUnbound && DataSet && !DataSet->GetComponentState().Contains(csDestroying) && !Destroying) EndLayout();
    else DeferLayout();
  }

  if (FIntMemTableDataSet == Gone) {
    // The table is going away: it forgets its linked components itself.
    FIntMemTable = nullptr;
    FIntMemTableDataSet = nullptr;
    if (Destroying) return;
    QueryMemTableIntf();
    HideEditor();
    ClearSelection();
    LayoutChanged();
  }
}

// ---- As the grid services see the grid ------------------------------------------------------------

namespace {

std::vector<IDataGridColumnEh*> ColumnsOf(const TColumnsEhList& List) {
  std::vector<IDataGridColumnEh*> Result;
  for (Integer I = 0; I < List.Count(); ++I)
    if (TColumnEh* Column = List.Items(I)) Result.push_back(Column);
  return Result;
}

}  // namespace

std::vector<IDataGridColumnEh*> TCustomDBGridEh::GetGridColumns() {
  std::vector<IDataGridColumnEh*> Result;
  for (Integer I = 0; I < FColumns->GetCount(); ++I) Result.push_back(FColumns->Items(I));
  return Result;
}

std::vector<IDataGridColumnEh*> TCustomDBGridEh::GetVisibleGridColumns() { return ColumnsOf(*FVisibleColumns); }

std::vector<IDataGridColumnEh*> TCustomDBGridEh::GetSortMarkedGridColumns() { return ColumnsOf(*FSortMarkedColumns); }

Integer TCustomDBGridEh::GetCurrentColumnPosition() const { return FVisibleColumns->IndexOf(GetCurrentColumn()); }

void TCustomDBGridEh::SaveBookmark() {
  TDataSet* DataSet = FDataLink->GetDataSet();
  if (!FDataLink->GetActive() || !DataSet || DataSet->IsEmpty()) {
    FSavedBookmark = TBookmark();
    return;
  }
  FSavedBookmark = DataSet->GetBookmark();
  FSavedRowOffset = FIntMemTable ? GetRow() - GetTopRow() : FDataLink->GetActiveRecord();
}

void TCustomDBGridEh::RestoreBookmark() {
  TDataSet* DataSet = FDataLink->GetDataSet();
  if (!FDataLink->GetActive() || !DataSet || FSavedBookmark.empty() || !DataSet->BookmarkValid(FSavedBookmark)) return;
  DataSet->GotoBookmark(FSavedBookmark);
  if (FIntMemTable) {
    const Integer Top = std::max(GetFixedRows(), GetRow() - FSavedRowOffset);
    if (Top < GetRowCount()) SetTopRow(Top);
  } else if (FSavedRowOffset > 0) {
    // Back up the offset and come down again: the record sits at the same place in the window.
    const Integer Back = DataSet->MoveBy(-FSavedRowOffset);
    DataSet->MoveBy(-Back);
  }
}

bool TCustomDBGridEh::LocateText(const String& FieldName, const String& Text, TLocateTextTreeFindRangeEh TreeFindRange,
                                 TLocateTextMatchingEh Matching, TLocateTextDirectionEh Direction,
                                 TLocateTextOptionsEh Options) {
  return Find(FieldName, Text, Options, Direction, Matching, TreeFindRange);
}
