// The grid's column collection, which turns every column change into base-grid
// widths and layout passes; plain lists of columns; and the grid's list of
// selected rows.

#include <algorithm>

#include "grid/DBGridEh.h"
#include "platform/core/Lists.h"

// ---- TColumnsEhList ------------------------------------------------------------------------------

Integer TColumnsEhList::Add(TColumnEh* Column) {
  FItems.push_back(Column);
  return Count() - 1;
}

void TColumnsEhList::Insert(Integer Index, TColumnEh* Column) {
  if (Index < 0 || Index > Count()) TList::Error(u"List index out of bounds (%d)", Index);
  FItems.insert(FItems.begin() + Index, Column);
}

void TColumnsEhList::Delete(Integer Index) {
  if (Index < 0 || Index >= Count()) TList::Error(u"List index out of bounds (%d)", Index);
  FItems.erase(FItems.begin() + Index);
}

Integer TColumnsEhList::Remove(TColumnEh* Column) {
  const Integer Index = IndexOf(Column);
  if (Index >= 0) FItems.erase(FItems.begin() + Index);
  return Index;
}

Integer TColumnsEhList::IndexOf(const TColumnEh* Column) const {
  const auto It = std::find(FItems.begin(), FItems.end(), Column);
  return It == FItems.end() ? -1 : Integer(It - FItems.begin());
}

void TColumnsEhList::Exchange(Integer Index1, Integer Index2) {
  std::swap(FItems.at(size_t(Index1)), FItems.at(size_t(Index2)));
}

// ---- TDBGridColumnsEh ------------------------------------------------------------------------------

TDBGridColumnsEh::TDBGridColumnsEh(TCustomDBGridEh* Grid, TCollectionItemClass ColumnClass)
    : TCollection(ColumnClass), FGrid(Grid) {}

TPersistent* TDBGridColumnsEh::GetOwner() const { return FGrid; }

TColumnEh* TDBGridColumnsEh::AddDefaultColumn() {
  TColumnEh* Column = Add();
  Column->SetPersistent(false);
  return Column;
}

TDBGridColumnsState TDBGridColumnsEh::GetState() const {
  return GetCount() > 0 && Items(0)->GetPersistent() ? csCustomized : csDefault;
}

void TDBGridColumnsEh::Assign(TPersistent* Source) {
  if (!FGrid) return TCollection::Assign(Source);
  FGrid->BeginLayout();
  try {
    TCollection::Assign(Source);
  } catch (...) {
    FGrid->CancelLayout();
    throw;
  }
  FGrid->EndLayout();
}

void TDBGridColumnsEh::ClearFieldBindings() {
  for (Integer I = 0; I < GetCount(); ++I) Items(I)->ClearFieldBinding();
}

TColumnEh* TDBGridColumnsEh::FindColumnByDefaultName(const String& Name) const {
  for (Integer I = 0; I < GetCount(); ++I)
    if (Items(I)->GetDefaultName() == Name) return Items(I);
  return nullptr;
}

TColumnEh* TDBGridColumnsEh::FindNextEditableColumn(TColumnEh* Column, bool Forward) const {
  if (!Column) return nullptr;
  if (FGrid && FGrid->GetRowPanel()->GetActive()) return PanelNextColumn(Column, Forward, true, true);
  const Integer Step = Forward ? 1 : -1;
  for (Integer I = Column->GetIndex() + Step; I >= 0 && I < GetCount(); I += Step)
    if (Items(I)->CanEditColumn()) return Items(I);
  return Column;
}

TColumnEh* TDBGridColumnsEh::FirstEditableColumn() const {
  for (Integer I = 0; I < GetCount(); ++I)
    if (Items(I)->GetVisible() && Items(I)->CanEditColumn()) return Items(I);
  return nullptr;
}

TColumnEh* TDBGridColumnsEh::LastEditableColumn() const {
  if (FGrid && FGrid->GetRowPanel()->GetActive()) {
    TColumnEh* Last = nullptr;
    for (Integer I = 0; I < GetCount(); ++I) {
      TColumnEh* C = Items(I);
      if (!C->GetVisible() || !C->CanEditColumn()) continue;
      const TRect& R = C->GetRowPanelRect();
      if (!Last || R.Top > Last->GetRowPanelRect().Top ||
          (R.Top == Last->GetRowPanelRect().Top && R.Left > Last->GetRowPanelRect().Left))
        Last = C;
    }
    return Last;
  }
  for (Integer I = GetCount() - 1; I >= 0; --I)
    if (Items(I)->GetVisible() && Items(I)->CanEditColumn()) return Items(I);
  return nullptr;
}

// ---- The row panel's arrangement ----------------------------------------------------------------------

TColumnEh* TDBGridColumnsEh::PanelNextColumn(TColumnEh* Column, bool Forward, bool Editable, bool Wrap) const {
  if (!Column) return nullptr;
  const TRect& R = Column->GetRowPanelRect();
  TColumnEh* Beside = nullptr;  // on the same line
  TColumnEh* Beyond = nullptr;  // on another line
  for (Integer I = 0; I < GetCount(); ++I) {
    TColumnEh* C = Items(I);
    if (C == Column || !C->GetVisible() || (Editable && !C->CanEditColumn())) continue;
    const TRect& CR = C->GetRowPanelRect();
    if (CR.Top == R.Top) {
      if (Forward ? CR.Left <= R.Left : CR.Left >= R.Left) continue;
      const TRect* BR = Beside ? &Beside->GetRowPanelRect() : nullptr;
      if (!BR || (Forward ? CR.Left < BR->Left : CR.Left > BR->Left)) Beside = C;
    } else if (Wrap && (Forward ? CR.Top > R.Top : CR.Top < R.Top)) {
      const TRect* BR = Beyond ? &Beyond->GetRowPanelRect() : nullptr;
      const bool Nearer = BR && (Forward ? CR.Top < BR->Top : CR.Top > BR->Top);
      const bool SameLine = BR && CR.Top == BR->Top;
      if (!BR || Nearer || (SameLine && (Forward ? CR.Left < BR->Left : CR.Left > BR->Left))) Beyond = C;
    }
  }
  return Beside ? Beside : Beyond ? Beyond : Column;
}

namespace {

// The nearest line of cells above (below) Column that share some of Ref's width; its leftmost cell.
TColumnEh* NearestColumnOnSide(const TDBGridColumnsEh* Columns, TColumnEh* Column, TColumnEh* Ref, bool Below) {
  if (!Column) return nullptr;
  const TRect& R = Column->GetRowPanelRect();
  const TRect& Span = (Ref ? Ref : Column)->GetRowPanelRect();
  TColumnEh* Best = nullptr;
  for (Integer I = 0; I < Columns->GetCount(); ++I) {
    TColumnEh* C = Columns->Items(I);
    const TRect& CR = C->GetRowPanelRect();
    if (C == Column || !C->GetVisible() || CR.Left >= Span.Right || Span.Left >= CR.Right) continue;
    if (Below ? CR.Top <= R.Bottom : CR.Bottom >= R.Top) continue;
    if (!Best) {
      Best = C;
      continue;
    }
    const TRect& BR = Best->GetRowPanelRect();
    const bool Nearer = Below ? CR.Top < BR.Top : CR.Top > BR.Top;
    if (Nearer || (CR.Top == BR.Top && CR.Left < BR.Left)) Best = C;
  }
  return Best ? Best : Column;
}

}  // namespace

TColumnEh* TDBGridColumnsEh::NearestColumnAbove(TColumnEh* Column) const {
  return NearestColumnOnSide(this, Column, FNavigationStartColumn, false);
}

TColumnEh* TDBGridColumnsEh::NearestColumnBelow(TColumnEh* Column) const {
  return NearestColumnOnSide(this, Column, FNavigationStartColumn, true);
}

TColumnEh* TDBGridColumnsEh::TopmostColumnOf(TColumnEh* Column) const {
  for (TColumnEh* Next = NearestColumnAbove(Column); Next && Next != Column; Next = NearestColumnAbove(Column))
    Column = Next;
  return Column;
}

TColumnEh* TDBGridColumnsEh::BottommostColumnOf(TColumnEh* Column) const {
  for (TColumnEh* Next = NearestColumnBelow(Column); Next && Next != Column; Next = NearestColumnBelow(Column))
    Column = Next;
  return Column;
}

void TDBGridColumnsEh::ColumnDestroying(TColumnEh* Column) {
  if (FNavigationStartColumn == Column) FNavigationStartColumn = nullptr;
  if (FGrid && FGrid->GetDataGrouping()) FGrid->GetDataGrouping()->ColumnRemoved(Column);
}

void TDBGridColumnsEh::Update(TCollectionItem* Item) {
  if (!FGrid || FGrid->GetComponentState().Contains(csLoading)) return;
  if (auto* Column = dynamic_cast<TColumnEh*>(Item)) {
    const Integer R = FGrid->DataToRawColumn(Column->GetIndex());
    if (R >= FGrid->GetFullColCount()) return;
    FGrid->InvalidateCol(R);
    const bool Designing = FGrid->GetComponentState().Contains(csDesigning);
    if (!FGrid->GetAutoFitColWidths() || Designing) {
      const Integer W = Column->GetVisibleWidth();
      if (FGrid->GetColWidths(R) != W && !FGrid->GetRowPanel()->GetActive()) {
        if (!Column->GetVisible()) FGrid->SetColWidths(R, FGrid->GetOptions().Contains(dgColLines) ? -1 : 0);
        else FGrid->SetColWidths(R, W);
      } else if (FGrid->GetUseMultiTitle()) {
        FGrid->LayoutChanged();
      }
    } else if (FGrid->GetColWidths(R) != -1) {
      // A user resize at run time takes its width from the right neighbour.
      const Integer OldBase = Column->GetInitWidth();
      const Integer GridWidth = FGrid->GetColWidths(R) - (Column->GetVisibleWidth() - Column->GetWidth());
      const Integer NewBase = GridWidth > 0 ? MulDiv(OldBase, Column->GetWidth(), GridWidth) : OldBase;
      Column->SetInitWidth(NewBase);
      if (R < FGrid->GetColCount() - 1 && Column->GetIndex() + 1 < GetCount()) {
        TColumnEh* Next = Items(Column->GetIndex() + 1);
        Next->SetInitWidth(std::max(0, Next->GetInitWidth() + OldBase - NewBase));
      }
      FGrid->LayoutChanged();
    }
  } else {
    FGrid->RebuildSortMarkedColumns();
    FGrid->LayoutChanged();
  }
  const Integer Current = FGrid->GetSelectedIndex();
  TColumnsEhList* Visible = FGrid->GetVisibleColumns();
  if (GetCount() > 0 && Visible->Count() > 0 &&
      (Current >= GetCount() || (Current >= 0 && !Items(Current)->GetVisible())))
    FGrid->SetSelectedIndex(Visible->Items(0)->GetIndex());
  if (FGrid->GetLayoutLock() == 0) FGrid->InvalidateEditor();
}

// ---- TBookmarkListEh -----------------------------------------------------------------------------

TDataSet* TBookmarkListEh::GetDataSet() const { return FGrid->GetDataLink()->GetDataSet(); }

void TBookmarkListEh::Invalidate() { FGrid->Invalidate(); }

void TBookmarkListEh::SetCurrentRowSelected(bool Value) {
  TDataSet* DataSet = GetDataSet();
  if (DataSet && DataSet->GetActive() && DataSet->IsEmpty()) return;
  TBMListEh::SetCurrentRowSelected(Value);
  FGrid->InvalidateRow(FGrid->GetRow());
  TDBGridEhSelection* Selection = FGrid->GetSelection();
  if (Selection->GetSelectionType() != gstRecordBookmarks && GetCount() > 0) {
    Selection->Clear();
    Selection->SetSelectionType(gstRecordBookmarks);
  }
}

void TBookmarkListEh::ItemsChanged(const TBookmark& Item) {
  TBMListEh::ItemsChanged(Item);
  FGrid->GetSelection()->SelectionChanged();
  FGrid->GetSelection()->UpdateState();
}

void TBookmarkListEh::Changed() { FGrid->GetSelection()->SelectionChanged(); }

void TBookmarkListEh::Clear() {
  TBMListEh::Clear();
  FGrid->GetSelection()->UpdateState();
}

TGridRect TBookmarkListEh::GetSelectedRowsRect() const {
  TGridRect Result{-1, -1, -1, -1};
  TGridDataLinkEh* Link = FGrid->GetDataLink();
  if (!Link->GetActive()) return Result;
  Integer First = -1, Last = -1;
  auto Note = [&](Integer Offset) {
    if (First < 0) First = Offset;
    Last = std::max(Last, Offset);
    First = std::min(First, Offset);
  };
  if (IMemTableEh* Table = FGrid->GetMemTableIntf()) {
    // One grid row per record: the rows of the listed bookmarks that are loaded.
    const Integer Top = FGrid->GetTopRow() - FGrid->GetTitleRowCount();
    const Integer Bottom = Top + FGrid->GetVisibleRowCount();
    for (Integer I = 0; I < GetCount(); ++I) {
      const Integer Row = Table->InstantReadIndexOfBookmark(GetItem(I));
      if (Row >= Top && Row <= Bottom) Note(Row);
    }
  } else {
    const Integer Saved = Link->GetActiveRecord();
    for (Integer I = 0; I < Link->GetRecordCount(); ++I) {
      Link->SetActiveRecord(I);
      if (IndexOf(GetDataSet()->GetBookmark()) >= 0) Note(I);
    }
    Link->SetActiveRecord(Saved);
  }
  if (First < 0) return Result;
  const Integer Titles = FGrid->GetTitleRowCount();
  return {0, Titles + First, FGrid->GetColCount() - 1, Titles + Last};
}
