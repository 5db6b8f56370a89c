// The filter drop-down lists: how their items look and what choosing one does,
// and the filling of a list.
//
// Index of this file:
//   the column of a list      the filter-row editor's column, or the grid's title list
//   sort items                an arrow and the text; choosing sorts by the column
//   the separator line
//   commands                  clear, all, empty, not empty, a custom condition, apply
//   value items               a tick box and the text; choosing ticks the value
//   filling a list            the events, else the center; the width the commands need
//
// Every list shares one object per kind of item (made at the unit's start); the
// state of a list (ticks, the item held by the mouse) lives in the column filter.

#include <algorithm>

#include "grid/DBGridEh.h"
#include "grid/DBGridEhSimpleFilterDlg.h"
#include "grid/ScopeGuardEh.h"
#include "platform/ui/ControlPaint.h"
#include "platform/ui/Forms.h"

namespace {

TStrings* ListItems(TPopupListboxEh* Sender) {
  return Sender->GetItemsStrings() ? Sender->GetItemsStrings() : Sender->GetItems();
}

TSTColumnFilterEh* ListColumnFilter(TPopupListboxEh* Sender) {
  TColumnEh* Column = TDBGridFilterPopupListboxItemEh::GetColumn(Sender);
  return Column ? Column->GetSTFilter() : nullptr;
}

// The box at the item's left where a picture or a tick box goes: one default
// button wide, mirrored in a right-to-left list.
TRect LeadingBox(TPopupListboxEh* Sender, const TRect& ARect, Integer Offset, Integer Width) {
  TRect Box(ARect.Left + Offset, ARect.Top, ARect.Left + Offset + Width, ARect.Bottom);
  if (Sender->UseRightToLeftReading()) {
    const Integer ClientWidth = Sender->GetClientWidth();
    Box = TRect(ClientWidth - Box.Right, Box.Top, ClientWidth - Box.Left, Box.Bottom);
  }
  return Box;
}

// The grid applies its filter row after a command, as the filter row's switches say.
void ApplyAfterCommand(TCustomDBGridEh* Grid) {
  const bool Instant = Grid->GetSTFilter()->GetInstantApply();
  const bool CloseUpApplies = Grid->GetCenter() && Grid->GetCenter()->GetFilterEditCloseUpApplyFilter();
  if (Instant || CloseUpApplies) Grid->ApplyFilterRow();
}

}  // namespace

// ---- The column of a list --------------------------------------------------------------------------------

TColumnEh* TDBGridFilterPopupListboxItemEh::GetColumn(TPopupListboxEh* Sender) {
  TComponent* Owner = Sender ? Sender->GetOwner() : nullptr;
  if (auto* Grid = dynamic_cast<TCustomDBGridEh*>(Owner)) return Grid->GetTitleFilterListColumn();
  if (auto* Editor = dynamic_cast<TInplaceFilterEditEh*>(Owner)) return Editor->GetColumn();
  return nullptr;
}

TGridDataGroupLevelEh* TDBGridFilterPopupListboxItemEh::GetDataGroupLevel(TPopupListboxEh* Sender) {
  auto* Grid = dynamic_cast<TCustomDBGridEh*>(Sender ? Sender->GetOwner() : nullptr);
  return Grid ? Grid->GetGroupSortDropDownLevel() : nullptr;
}

TCustomDBGridEh* TDBGridFilterPopupListboxItemEh::GetGrid(TPopupListboxEh* Sender) {
  TColumnEh* Column = GetColumn(Sender);
  return Column ? Column->GetGrid() : nullptr;
}

void TDBGridFilterPopupListboxItemEh::DrawTextAfterBox(TPopupListboxEh* Sender, Integer ItemIndex, TRect ARect,
                                                       TOwnerDrawState State) {
  const Integer Indent = DefaultEditButtonWidthEh() + 2;
  if (Sender->UseRightToLeftReading()) ARect.Right -= Indent;
  else ARect.Left += Indent;
  Sender->DefaultDrawItem(ItemIndex, ARect, State);
}

// ---- Sort items ---------------------------------------------------------------------------------------------

void TPopupListboxItemEhSort::DrawItem(TPopupListboxEh* Sender, Integer ItemIndex, TRect ARect, TOwnerDrawState State) {
  TCanvas* Canvas = Sender->GetCanvas();
  const TRect Box = LeadingBox(Sender, ARect, 2, DefaultEditButtonWidthEh());
  if (TImageList* Images = GetDBGridEhSortMarkerImages()) {
    const Integer X = Box.Left + (Box.Width() - Images->GetWidth()) / 2;
    const Integer Y = Box.Top + (Box.Height() - Images->GetHeight()) / 2;
    Images->Draw(Canvas, X, Y, FSortMarker == smUpEh ? 4 : 3);
  }
  DrawTextAfterBox(Sender, ItemIndex, ARect, State);
}

void TPopupListboxItemEhSort::Execute(TPopupListboxEh* Sender, Integer, TPoint, TShiftState) {
  // In a group level's list the item orders the level's groups.
  if (TGridDataGroupLevelEh* Level = GetDataGroupLevel(Sender)) {
    Level->SetSortOrder(FSortMarker == smUpEh ? soDescEh : soAscEh);
    return;
  }
  TColumnEh* Column = GetColumn(Sender);
  TCustomDBGridEh* Grid = Column ? Column->GetGrid() : nullptr;
  if (!Grid) return;
  Column->GetTitle()->SetSortMarker(FSortMarker);
  Grid->SortMarkingChanged();
}

// ---- The separator line -------------------------------------------------------------------------------------

void TPopupListboxItemEhLine::DrawItem(TPopupListboxEh* Sender, Integer, TRect ARect, TOwnerDrawState) {
  TCanvas* Canvas = Sender->GetCanvas();
  Canvas->GetBrush()->SetColor(Sender->GetColor());
  Canvas->FillRect(ARect);
  const Integer Middle = (ARect.Top + ARect.Bottom) / 2;
  Canvas->GetPen()->SetColor(TColor(0xC0C0C0));
  Canvas->GetPen()->SetWidth(1);
  Canvas->MoveTo(ARect.Left, Middle);
  Canvas->LineTo(ARect.Right, Middle);
}

// ---- Commands -----------------------------------------------------------------------------------------------

void TPopupListboxItemEhSpec::DrawItem(TPopupListboxEh* Sender, Integer ItemIndex, TRect ARect, TOwnerDrawState State) {
  TCanvas* Canvas = Sender->GetCanvas();
  const TColor Saved = Canvas->GetBrush()->GetColor();
  Canvas->GetBrush()->SetColor(Sender->GetColor());
  Canvas->FillRect(LeadingBox(Sender, ARect, 0, DefaultEditButtonWidthEh() + 2));
  Canvas->GetBrush()->SetColor(Saved);
  DrawTextAfterBox(Sender, ItemIndex, ARect, State);
}

void TPopupListboxItemEhSpec::Execute(TPopupListboxEh* Sender, Integer, TPoint, TShiftState) {
  TColumnEh* Column = GetColumn(Sender);
  TCustomDBGridEh* Grid = Column ? Column->GetGrid() : nullptr;
  if (!Grid) return;
  TSTColumnFilterEh* Filter = Column->GetSTFilter();
  switch (FKind) {
    case ptFilterSpecItemClearFilter:
      Grid->ClearColumnFilters();
      Grid->ApplyFilterRow();
      return;
    case ptFilterSpecItemSelectAll: Filter->SetExpressionStrAndRefresh(String()); break;
    case ptFilterSpecItemEmpties: Filter->SetExpressionStrAndRefresh(u"=Null"); break;
    case ptFilterSpecItemNotEmpties: Filter->SetExpressionStrAndRefresh(u"<>Null"); break;
    case ptFilterSpecItemDialog:
      // What was typed in the cell so far is the condition the dialog starts from.
      if (Grid->GetFilterEditor() && Grid->GetFilterEditor()->GetVisible() && Grid->GetFilterRowColumn() >= 0)
        Grid->ApplyFilterEditorText(Grid->GetFilterRowColumn());
      if (ExecuteSimpleFilterDialogEh(Column) && Grid->GetSTFilter()->GetInstantApply()) Grid->ApplyFilterRow();
      return;
    case ptFilterSpecItemApplyFilter: Grid->ApplyFilterRow(); return;
  }
  ApplyAfterCommand(Grid);
}

// ---- Value items --------------------------------------------------------------------------------------------

void TPopupListboxItemEhData::DrawItem(TPopupListboxEh* Sender, Integer ItemIndex, TRect ARect, TOwnerDrawState State) {
  TSTColumnFilterEh* Filter = ListColumnFilter(Sender);
  const std::vector<Byte>* States = Filter ? &Filter->GetItemCheckStates() : nullptr;
  const bool Checked =
      States && ItemIndex >= 0 && ItemIndex < Integer(States->size()) && (*States)[size_t(ItemIndex)] == 1;
  HWND Captor = GetCapture();
  const bool Pressed = Filter && Filter->GetPressedItemIndex() == ItemIndex && GetKeyState(VK_LBUTTON) < 0 &&
                       (!Captor || Captor == Sender->GetHandle());
  TCanvas* Canvas = Sender->GetCanvas();
  const TColor Saved = Canvas->GetBrush()->GetColor();
  const TRect Box = LeadingBox(Sender, ARect, 0, DefaultEditButtonWidthEh());
  Canvas->GetBrush()->SetColor(Sender->GetColor());
  Canvas->FillRect(LeadingBox(Sender, ARect, 0, DefaultEditButtonWidthEh() + 2));
  PaintButtonControlEh(Canvas, Box, Sender->GetColor(), bcsCheckboxEh, Pressed ? 1 : 0, false, false, true,
                       Checked ? cbsCheckedEh : cbsUncheckedEh);
  Canvas->GetBrush()->SetColor(Saved);
  DrawTextAfterBox(Sender, ItemIndex, ARect, State);
}

void TPopupListboxItemEhData::MouseDown(TPopupListboxEh* Sender, Integer ItemIndex, TPoint, TMouseButton, TShiftState) {
  if (TSTColumnFilterEh* Filter = ListColumnFilter(Sender)) {
    Filter->SetPressedItemIndex(ItemIndex);
    Sender->InvalidateItem(ItemIndex);
  }
}

void TPopupListboxItemEhData::MouseMove(TPopupListboxEh* Sender, Integer ItemIndex, TPoint, TShiftState) {
  TSTColumnFilterEh* Filter = ListColumnFilter(Sender);
  if (!Filter || Filter->GetPressedItemIndex() < 0 || Filter->GetPressedItemIndex() == ItemIndex) return;
  Sender->InvalidateItem(Filter->GetPressedItemIndex());
  Filter->SetPressedItemIndex(-1);
}

void TPopupListboxItemEhData::MouseUp(TPopupListboxEh* Sender, Integer ItemIndex, TPoint MousePos, TMouseButton,
                                      TShiftState Shift, bool& IsCloseListbox) {
  IsCloseListbox = false;
  TSTColumnFilterEh* Filter = ListColumnFilter(Sender);
  if (!Filter) return;
  const Integer Pressed = Filter->GetPressedItemIndex();
  Filter->SetPressedItemIndex(-1);
  if (Pressed >= 0 && Pressed == ItemIndex) {
    // A click adds its tick to those already there.
    Filter->SetMultiCheck(true);
    Execute(Sender, ItemIndex, MousePos, Shift);
    const Integer Under = Sender->ItemAtPos(MousePos, true);
    if (Under >= 0) Sender->SetItemIndex(Under);
  }
  Sender->InvalidateItem(ItemIndex);
}

void TPopupListboxItemEhData::Execute(TPopupListboxEh* Sender, Integer ItemIndex, TPoint, TShiftState) {
  TSTColumnFilterEh* Filter = ListColumnFilter(Sender);
  if (!Filter) return;
  TStrings* Items = ListItems(Sender);
  std::vector<Byte>& States = Filter->GetItemCheckStates();
  if (ItemIndex < 0 || ItemIndex >= Integer(States.size())) return;
  // While the value is applied the list stays open and the editor only moves.
  Filter->SetExecuting(true);
  TScopeExitEh Done([Filter] { Filter->SetExecuting(false); });
  if (!Filter->GetMultiCheck()) std::fill(States.begin(), States.end(), Byte(0));
  States[size_t(ItemIndex)] = States[size_t(ItemIndex)] == 1 ? 0 : 1;
  Filter->ApplyCheckedItems(Items);
  Sender->InvalidateItem(ItemIndex);
}

// ---- Filling a list -------------------------------------------------------------------------------------------

void TCustomDBGridEh::FillFilterListValues(TSTColumnFilterEh* ColumnFilter, TStrings* Items, TPopupListboxEh* ListBox,
                                           Integer& Width) {
  TColumnEh* Column = ColumnFilter->GetColumn();
  bool Processed = false;
  if (OnFillSTFilterListValues) OnFillSTFilterListValues(this, Column, Items, Processed);
  if (Column->OnFillSTFilterListValues) Column->OnFillSTFilterListValues(this, Column, Items, Processed);
  if (FCenter && FCenter->OnFillSTFilterListValues) FCenter->OnFillSTFilterListValues(this, Column, Items, Processed);
  if (!Processed && FCenter) {
    FCenter->FillSTFilterListSpecialItems(this, Column, Items);
    FCenter->FillSTFilterListValues(this, Column, Items);
  }
  // The commands are not cut: the list is as wide as the longest of them needs.
  const Integer Extra =
      GetCheckBoxSizeEh().cx + 2 + GetSystemMetrics(SM_CXVSCROLL) + 2 * ListBox->GetBorderMargin() + 2;
  TMeasureDC DC(ListBox->GetFont());
  for (Integer I = 0; I < Items->GetCount(); ++I) {
    TObject* Object = Items->GetObject(I);
    if (!Object || dynamic_cast<TPopupListboxItemEhData*>(Object)) continue;
    const String Text = Items->Get(I);
    TSize Size{0, 0};
    if (!Text.empty()) GetTextExtentPoint32(DC, Text, Integer(Text.size()), Size);
    Width = std::max(Width, Integer(Size.cx) + Extra);
  }
  ColumnFilter->SetPressedItemIndex(-1);
  for (Integer I = 0; I < Items->GetCount(); ++I)
    if (!Items->GetObject(I)) Items->PutObject(I, PopupListboxItemEhData());
  ColumnFilter->GetItemCheckStates().assign(size_t(Items->GetCount()), Byte(0));
}
