// The filter row's editor: a combo box the grid places over one filter cell.
//
// Index of this file:
//   TInplaceFilterEditEh      the editor itself
//   opening and placing       ShowFilterEditor, UpdateFilterEditor, SetupFilterEditor
//   leaving                   HideFilterEditor, ExitFilterEditor, the text as the condition
//   the list                  filling it on drop-down, a pick on close-up
//   keys                      moving between filter cells, Down into the data, Enter applies
//   the grid's side           a press in a filter cell, Up from the first record, the focus
//   the title filter list     the list a title's filter button drops down
//
// Life of an edit: a press in a filter cell (or Up on the first record) opens the
// editor on that cell and makes its column current; typing goes into the editor;
// leaving the cell (another filter cell, Down, a press in the data) stores the
// text as the column's condition; Enter also applies the whole filter row through
// the center, and so does a value picked from the list when the program asks so.

#include <algorithm>

#include "grid/DBGridEh.h"
#include "grid/ScopeGuardEh.h"
#include "platform/ui/Forms.h"

namespace {

// The grid's mixing weight for the filter cells' colour.
constexpr Integer FilterCellBlendWeight = 8;
// A list never sized by the user opens this wide and this many rows high.
constexpr Integer DefaultFilterListWidth = 100;
constexpr Integer DefaultFilterListRows = 17;

bool ExactlyCtrl(TShiftState Shift) {
  return Shift.Contains(ssCtrl) && !Shift.Contains(ssShift) && !Shift.Contains(ssAlt);
}
bool NoShift(TShiftState Shift) {
  return !Shift.Contains(ssCtrl) && !Shift.Contains(ssShift) && !Shift.Contains(ssAlt);
}

// Where the caret stands in the editor. At the start: nothing selected before
// the first character, or the whole text selected, as the editor opens on a
// cell, so that Left and Home go on to the cell before. At the end: nothing
// selected after the last character.
bool CaretAtStart(TInplaceFilterEditEh* Editor) {
  const Integer Length = Integer(Editor->GetText().size());
  const Integer SelStart = Editor->GetSelStart(), SelLength = Editor->GetSelLength();
  if (Length == 0) return true;
  return SelStart == 0 && (SelLength == 0 || SelLength == Length);
}
bool CaretAtEnd(TInplaceFilterEditEh* Editor) {
  const Integer Length = Integer(Editor->GetText().size());
  const Integer SelStart = Editor->GetSelStart(), SelLength = Editor->GetSelLength();
  if (Length == 0) return true;
  return SelLength == 0 && SelStart == Length;
}

}  // namespace

// ---- TInplaceFilterEditEh ------------------------------------------------------------------------------------

TRect TInplaceFilterEditEh::GetEditRect() {
  TRect R = TDBComboBoxEh::GetEditRect();
  OffsetRect(R, 0, 1);
  return R;
}

void TInplaceFilterEditEh::CloseUp(bool Accept) {
  if (FColumn && FColumn->GetSTFilter()->GetExecuting()) return;
  TDBComboBoxEh::CloseUp(Accept);
}

void TInplaceFilterEditEh::SetValueAndText(const Variant& AValue, const String& AText) {
  SetValue(AValue);
  SetEditTextDirect(AText);
}

// ---- Opening and placing -------------------------------------------------------------------------------------

bool TCustomDBGridEh::IsColumnFilterable(Integer ColumnIndex) const {
  if (ColumnIndex < 0 || ColumnIndex >= FColumns->GetCount()) return false;
  TColumnEh* Column = FColumns->Items(ColumnIndex);
  return Column->GetVisible() && Column->GetSTFilter()->GetVisible() &&
         FSTFilter->GetLocation() == stflUnderTitleFilterEh;
}

TInplaceFilterEditEh* TCustomDBGridEh::CreateFilterEditor() { return new TInplaceFilterEditEh(this); }

void TCustomDBGridEh::ShowFilterEditor(Integer ColumnIndex) {
  if (!FSTFilter->GetVisible() || !IsColumnFilterable(ColumnIndex) || !FDataLink->GetActive()) return;
  FDataLink->GetDataSet()->CheckBrowseMode();
  if (!FFilterEditor) {
    FFilterEditor = CreateFilterEditor();
    FFilterEditor->SetVisible(false);
    FFilterEditor->SetParent(this);
    FFilterEditor->SetInplaceEditHolder(this);
    FFilterEditor->SetBorderStyle(bsNone);
    FFilterEditor->SetFont(GetFont());
    FFilterEditor->GetFont()->SetColor(clBlue);
    FFilterEditor->SetColor(BlendColorsEh(clWindow, GetFixedColor(), FilterCellBlendWeight));
    FFilterEditor->OnKeyPress = [this](TObject* Sender, Char& Key) {
      FilterEditorKeyPress(static_cast<TInplaceFilterEditEh*>(Sender), Key);
    };
    FFilterEditor->OnKeyUp = [](TObject*, Word&, TShiftState) {};
    FFilterEditor->SetFlat(GetFlat());
    TPopupListboxEh* List = FFilterEditor->GetPopupListbox();
    List->SetBelongsToFilterEditor(true);
    List->SetUseItemObjects(true);
  }
  if (FFilterEditor->GetVisible() && FFilterRowColumn != ColumnIndex) HideFilterEditor();
  FFilterRowColumn = ColumnIndex;
  FFilterEditing = true;
  HideEditor();
  {
    BeginLayout();
    TScopeExitEh EndLayoutNow([this] { EndLayout(); });
    LockPaint();
    TScopeExitEh Unlock([this] { UnlockPaint(); });
    if (FColumns->Items(ColumnIndex)->GetSTFilter()->GetVisible()) {
      const Integer Raw = DataToRawColumn(ColumnIndex);
      if (FOptions.Contains(dgRowSelect)) {
        // Row selection keeps its current cell: the grid only scrolls the column into view.
        if (Raw >= GetLeftCol() + GetVisibleColCount()) SetLeftCol(std::min(Raw, LastLeftCol()));
        else if (Raw < GetLeftCol() && Raw >= GetFixedCols()) SetLeftCol(Raw);
      } else if (FRowPanel->GetActive()) {
        RowPanelMoveToColumn(ColumnIndex);
      } else {
        MoveToColumn(Raw, 1, false);
      }
      FFilterRowColumn = ColumnIndex;
    }
    InvalidateRow(GetTitleRowCount() - 1);
  }
  UpdateFilterEditor(true);
}

void TCustomDBGridEh::UpdateFilterEditor(bool Show) {
  if (FSTFilter->GetUpdateCount() > 0 || !FFilterEditor) return;
  if (!(FSTFilter->GetVisible() && FSTFilter->GetLocation() == stflUnderTitleFilterEh &&
        IsColumnFilterable(FFilterRowColumn) && FFilterEditing)) {
    ExitFilterEditor();
    return;
  }
  TRect Cell = CellRect(DataToRawColumn(FFilterRowColumn), GetTitleRowCount() - 1);
  // In the row panel the filter row is a panel too: the column's cell in it.
  if (FRowPanel->GetActive()) Cell = RowPanelCellRect(FColumns->Items(FFilterRowColumn), Cell, false);
  if (FColumns->Items(FFilterRowColumn)->GetSTFilter()->GetExecuting()) {
    FFilterEditor->MoveToRect(Cell);
    return;
  }
  if (!FilterEditorCanShow()) {
    HideFilterEditor();
    return;
  }
  if (Show) {
    FFilterEditor->MoveToRect(TRect());
    SetupFilterEditor(FFilterRowColumn);
    FFilterEditor->SelectAll();
  }
  FFilterEditor->MoveToRect(Cell);
  if (FFilterEditor->HandleAllocated()) SendMessage(FFilterEditor->GetHandle(), EM_SCROLLCARET, 0, 0);
}

void TCustomDBGridEh::SetupFilterEditor(Integer ColumnIndex) {
  TColumnEh* Column = FColumns->Items(ColumnIndex);
  TSTColumnFilterEh* Filter = Column->GetSTFilter();
  FFilterEditor->SetColumn(Column);
  FFilterEditor->GetItems()->Clear();
  FFilterEditor->OnCloseUp = [this](TObject* Sender, bool Accept) {
    FilterEditorClosedUp(static_cast<TInplaceFilterEditEh*>(Sender), Accept);
  };
  FFilterEditor->OnBeforeCloseUp = [this](TObject* Sender, bool& Accept) {
    FilterEditorCloseUp(static_cast<TInplaceFilterEditEh*>(Sender), Accept);
  };
  FFilterEditor->OnDropDown = [this](TObject* Sender) {
    FilterEditorDropDown(static_cast<TInplaceFilterEditEh*>(Sender));
  };
  FFilterEditor->SetValue(Null());
  FFilterEditor->GetEditButton()->SetVisible(true);
  FFilterEditor->GetDropDownBox()->SetSizable(true);
  if (!Filter->GetKeyField().empty()) FFilterEditor->SetValueAndText(Filter->GetValue(), Filter->GetExpressionStr());
  else FFilterEditor->SetText(Filter->GetExpressionStr());
  FFilterEditor->GetDropDownBox()->SetWidth(Filter->GetDropDownWidth() < 1 ? DefaultFilterListWidth
                                                                           : Filter->GetDropDownWidth());
  FFilterEditor->GetDropDownBox()->SetRows(Filter->GetDropDownRows() < 1 ? DefaultFilterListRows
                                                                         : Filter->GetDropDownRows());
  FFilterEditTextChanged = false;
}

bool TCustomDBGridEh::FilterEditorCanShow() { return FFilterEditing && FSelection->GetSelectionType() == gstNon; }

// ---- Leaving ---------------------------------------------------------------------------------------------------

void TCustomDBGridEh::HideFilterEditor() {
  if (!FFilterEditor || !FFilterEditor->GetVisible()) return;
  // A cell left as it was shown leaves the column's condition alone, whatever set
  // it meanwhile. A malformed text raises here, before the editor goes: the cell
  // keeps what was typed and the editor the focus (a press or key may have given
  // it to the grid), so that the keys after the error message mend the text
  // instead of going to the data.
  auto Hide = [this] {
    if (GetVisible() && CanFocus() && FFilterEditor->Focused()) SetFocus();
    FFilterEditor->SetVisible(false);
    FFilterEditor->SetColumn(nullptr);
  };
  if (FFilterRowColumn >= 0 && FFilterEditTextChanged) {
    try {
      ApplyFilterEditorText(FFilterRowColumn);
    } catch (...) {
      // A cell no longer shown (the filter row or its column hidden) goes all the same.
      if (!FSTFilter->GetVisible() || !IsColumnFilterable(FFilterRowColumn)) Hide();
      else if (GetVisible() && CanFocus() && FFilterEditor->HandleAllocated() && !FFilterEditor->Focused())
        FFilterEditor->SetFocus();
      throw;
    }
  }
  Hide();
  if (FFilterRowColumn < 0) return;
  InvalidateCell(DataToRawColumn(FFilterRowColumn), GetTitleRowCount() - 1);
}

void TCustomDBGridEh::ExitFilterEditor() {
  if (FSTFilter->GetUpdateCount() > 0) return;
  HideFilterEditor();
  if (FFilterEditing) {
    FFilterEditing = false;
    if (GetTitleRowCount() > 0) InvalidateRow(GetTitleRowCount() - 1);
  }
  if (FOptions.Contains(dgAlwaysShowEditor) && !FFilterEditing) ShowEditor();
  else HideEditor();
}

void TCustomDBGridEh::ApplyFilterEditorText(Integer ColumnIndex) {
  if (!FFilterEditor || ColumnIndex < 0 || ColumnIndex >= FColumns->GetCount()) return;
  TColumnEh* Column = FColumns->Items(ColumnIndex);
  if (Column->GetFieldName().empty()) return;
  Column->GetSTFilter()->SetExpressionStr(FFilterEditor->GetText());
  if (ColumnIndex == FFilterRowColumn) FFilterEditTextChanged = false;
}

void TCustomDBGridEh::ClearColumnFilters() {
  HideFilterEditor();
  for (Integer I = 0; I < FColumns->GetCount(); ++I) FColumns->Items(I)->GetSTFilter()->Clear();
  Invalidate();
}

// ---- The list ------------------------------------------------------------------------------------------------------

void TCustomDBGridEh::FilterEditorDropDown(TInplaceFilterEditEh* Editor) {
  if (FFilterRowColumn < 0 || FFilterRowColumn >= FColumns->GetCount()) return;
  TSTColumnFilterEh* Filter = FColumns->Items(FFilterRowColumn)->GetSTFilter();
  // Ticks count one value at a time until the user adds one to another.
  Filter->SetMultiCheck(false);
  TDropDownBoxEh* Box = Editor->GetDropDownBox();
  const Integer Rows = Box->GetRows();
  Integer Width = Box->GetWidth();
  TStrings* Items = Editor->GetItems();
  Items->BeginUpdate();
  {
    TScopeExitEh End([Items] { Items->EndUpdate(); });
    Items->Clear();
    FillFilterListValues(Filter, Items, Editor->GetPopupListbox(), Width);
  }
  Box->SetWidth(Width);
  Box->SetRows(Rows);
  Filter->SetCheckStatesFromExpression(Items);
  Editor->GetPopupListbox()->SetSizeChanged(false);
  FFilterCloseUpApplyCount = FFilterApplyCount;
}

void TCustomDBGridEh::FilterEditorCloseUp(TInplaceFilterEditEh* Editor, bool& Accept) {
  TColumnEh* Column = Editor->GetColumn();
  if (!Column) return;
  TSTColumnFilterEh* Filter = Column->GetSTFilter();
  Filter->SetPressedItemIndex(-1);
  TPopupListboxEh* List = Editor->GetPopupListbox();
  if (Editor->GetVisible() && List->GetSizeChanged()) {
    Filter->SetDropDownWidth(List->GetWidth());
    Filter->SetDropDownRows(List->GetRowCount());
  }
  FFilterCloseUpAccepted = Accept;
  if (Accept) {
    const Integer Index = List->GetItemIndex();
    TStrings* Items = Editor->GetItems();
    auto* Item =
        Index >= 0 && Index < Items->GetCount() ? dynamic_cast<TPopupListboxItemEh*>(Items->GetObject(Index)) : nullptr;
    // Ticks the user added up by clicking stay as they are when the list closes.
    const bool TicksKept = Filter->GetMultiCheck() && dynamic_cast<TPopupListboxItemEhData*>(Item);
    if (Item && !TicksKept) Item->Execute(List, Index, TPoint(-1, -1), TShiftState());
    // The item's action, not its text, is what the pick does; without an item
    // the typed text stays.
    Accept = false;
  }
  Filter->SetMultiCheck(false);
}

void TCustomDBGridEh::FilterEditorClosedUp(TInplaceFilterEditEh*, bool Accept) {
  const bool Picked = Accept || FFilterCloseUpAccepted;
  FFilterCloseUpAccepted = false;
  // The item may have applied the row already: once is enough.
  if (Picked && FCenter && FCenter->GetFilterEditCloseUpApplyFilter() && FFilterApplyCount == FFilterCloseUpApplyCount)
    ApplyFilterRow();
}

// ---- Keys ----------------------------------------------------------------------------------------------------------

void TCustomDBGridEh::GetMouseDownInfo(TPoint& Pos, Integer& Time) {
  Pos = FFilterPressPos;
  Time = FFilterPressTime;
  FFilterPressTime = 0;
}

void TCustomDBGridEh::InplaceEditKeyDown(TControl* Control, Word& Key, TShiftState Shift) {
  if (auto* Editor = dynamic_cast<TInplaceFilterEditEh*>(Control)) FilterEditorKeyDown(Editor, Key, Shift);
}

void TCustomDBGridEh::InplaceEditKeyPress(TControl*, Char& Key) {
  // A Tab typed in the filter cell moves nothing and types nothing.
  if (Key == VK_TAB) Key = 0;
}

void TCustomDBGridEh::FilterEditorKeyDown(TInplaceFilterEditEh* Editor, Word& Key, TShiftState Shift) {
  if (Editor->GetListVisible()) return;
  if (UseRightToLeftAlignment() && (Key == VK_LEFT || Key == VK_RIGHT)) Key = Key == VK_LEFT ? VK_RIGHT : VK_LEFT;
  const Integer Count = FColumns->GetCount();
  // One step over the columns from the editor's, wrapping once, on to a filterable one.
  auto Step = [&](bool Forward) {
    if (Count == 0 || FFilterRowColumn < 0) return;
    Integer I = FFilterRowColumn + (Forward ? 1 : -1);
    if (I >= Count) I = 0;
    if (I < 0) I = Count - 1;
    if (I == FFilterRowColumn) return;
    while (I >= 0 && I < Count && !IsColumnFilterable(I)) I += Forward ? 1 : -1;
    if (I >= 0 && I < Count && I != FFilterRowColumn) ShowFilterEditor(I);
  };
  // The first or the last filterable column.
  auto Extreme = [&](bool First) {
    Integer I = First ? 0 : Count - 1;
    while (I >= 0 && I < Count && !IsColumnFilterable(I)) I += First ? 1 : -1;
    if (I >= 0 && I < Count && I != FFilterRowColumn) ShowFilterEditor(I);
  };
  const bool Ctrl = Shift.Contains(ssCtrl);
  switch (Key) {
    case VK_LEFT:
      if (!Ctrl && !CaretAtStart(Editor)) return;
      Key = 0;
      return Ctrl ? Extreme(true) : Step(false);
    case VK_RIGHT:
      if (!Ctrl && !CaretAtEnd(Editor)) return;
      Key = 0;
      return Ctrl ? Extreme(false) : Step(true);
    case VK_HOME:
      if (!Ctrl && !CaretAtStart(Editor)) return;
      Key = 0;
      return Extreme(true);
    case VK_END:
      if (!Ctrl && !CaretAtEnd(Editor)) return;
      Key = 0;
      return Extreme(false);
    case VK_TAB:
      if (!FOptions.Contains(dgTabs)) return;
      Key = 0;
      return Step(!Shift.Contains(ssShift));
    case VK_UP:
      if (NoShift(Shift)) Key = 0;
      return;
    case VK_DOWN:
      if ((NoShift(Shift) || ExactlyCtrl(Shift)) && FDataLink->GetActive()) {
        Key = 0;
        const Integer Column = FFilterRowColumn;
        ExitFilterEditor();
        SetSelectedIndex(Column);
        if (NoShift(Shift)) SyncActiveRow();
      }
      return;
    case VK_F2:
      SendMessage(Editor->GetHandle(), EM_SETSEL, WPARAM(0x7FFFFFFF), LPARAM(-1));
      Key = 0;
      return;
    default: return;
  }
}

void TCustomDBGridEh::FilterEditorKeyPress(TInplaceFilterEditEh* Editor, Char& Key) {
  if (Key == VK_RETURN) {
    Key = 0;
    ApplyFilterRow();
    return;
  }
  if (Key != u' ' || !ExactlyCtrl(GetShiftStateEh()) || !Editor->GetListVisible()) return;
  TPopupListboxEh* List = Editor->GetPopupListbox();
  const Integer Index = List->GetItemIndex();
  TStrings* Items = Editor->GetItems();
  auto* Item =
      Index >= 0 && Index < Items->GetCount() ? dynamic_cast<TPopupListboxItemEh*>(Items->GetObject(Index)) : nullptr;
  if (!Item) return;
  TColumnEh* Column = Editor->GetColumn();
  if (Column) Column->GetSTFilter()->SetMultiCheck(true);
  if (!Item->CloseOnExecute(List, Index)) Item->Execute(List, Index, TPoint(-1, -1), GetShiftStateEh());
  else Editor->CloseUp(true);
  if (Column) Column->GetSTFilter()->SetMultiCheck(true);
  List->SetItemIndex(Index);
  Key = 0;
}

// ---- The grid's side -----------------------------------------------------------------------------------------------

void TCustomDBGridEh::WMLButtonDown(TMessage& Message) {
  const TPoint P(GetXLParam(Message.LParam), GetYLParam(Message.LParam));
  if (FTitleFilterListVisible) {
    // A press anywhere but on the open list's own button closes it; that button toggles it.
    TColumnEh* ButtonColumn = nullptr;
    if (!IsTitleFilterButtonPoint(P.X, P.Y, ButtonColumn) || ButtonColumn != FTitleFilterListColumn)
      CloseUpTitleFilterList(false);
  }
  if (!GetComponentState().Contains(csDesigning) && FSTFilter->GetVisible() &&
      FSTFilter->GetLocation() == stflUnderTitleFilterEh && GetTitleRowCount() > 0) {
    const TGridCoord Cell = MouseCoord(P.X, P.Y);
    const Integer ColumnIndex = MouseDataColumn(Cell, P.X, P.Y);
    if (Cell.Y == GetTitleRowCount() - 1 && Cell.X >= FIndicatorOffset && IsColumnFilterable(ColumnIndex) &&
        FDataLink->GetActive()) {
      if (CanFocus() && !Focused()) SetFocus();
      HideEditor();
      ShowFilterEditor(ColumnIndex);
      if (FFilterEditor && FFilterEditor->GetVisible() && FFilterEditor->HandleAllocated()) {
        const TPoint At = FFilterEditor->ScreenToClient(ClientToScreen(P));
        SendMessage(FFilterEditor->GetHandle(), Message.Msg, Message.WParam, MakeLParam(At.X, At.Y));
      }
      FFilterPressPos = ClientToScreen(P);
      FFilterPressTime = std::max<Integer>(1, Integer(GetMessageTime()));
      return;
    }
  }
  // A press in the data ends the typing in the filter row.
  if (FFilterEditing) {
    const TGridCoord Cell = MouseCoord(P.X, P.Y);
    if (Cell.Y >= GetTitleRowCount()) ExitFilterEditor();
  }
  TCustomGridEh::Dispatch(Message);
}

bool TCustomDBGridEh::FilterRowEntryKeyDown(Word& Key, TShiftState Shift) {
  if (Key != VK_UP || !FSTFilter->GetVisible() || FSTFilter->GetLocation() != stflUnderTitleFilterEh ||
      !FDataLink->GetActive())
    return false;
  TDataSet* DataSet = FDataLink->GetDataSet();
  const bool AtFirst = DataSet->Bof() || DataSet->GetRecNo() == 1;
  if (!AtFirst && !Shift.Contains(ssCtrl)) return false;
  Integer Index = -1;
  if (!FOptions.Contains(dgRowSelect)) {
    Index = GetSelectedIndex();
  } else {
    // Row selection has no current column: the last filter cell, or the first one shown.
    const Integer Count = FColumns->GetCount();
    for (Integer I = std::max(0, FFilterRowColumn); I < Count && Index < 0; ++I)
      if (IsColumnFilterable(I) && DataToRawColumn(I) >= GetLeftCol()) Index = I;
    for (Integer I = 0; I < Count && Index < 0; ++I)
      if (IsColumnFilterable(I) && DataToRawColumn(I) >= GetLeftCol()) Index = I;
  }
  if (!IsColumnFilterable(Index)) return false;
  ShowFilterEditor(Index);
  Key = 0;
  return true;
}

void TCustomDBGridEh::FilterEditorTakeFocus(HWND From) {
  if (!FFilterEditing || !FFilterEditor || !FFilterEditor->GetVisible() || !FFilterEditor->HandleAllocated()) return;
  if (From == FFilterEditor->GetHandle()) return;
  FFilterEditor->SetFocus();
}

// ---- The title filter list ---------------------------------------------------------------------------------------

bool TCustomDBGridEh::IsTitleFilterButtonPoint(Integer X, Integer Y, TColumnEh*& Column) {
  Column = nullptr;
  if (!FSTFilter->GetVisible() || FSTFilter->GetLocation() != stflInTitleFilterEh || !TitlesVisible()) return false;
  const TGridCoord Cell = MouseCoord(X, Y);
  const Integer DataCol = MouseDataColumn(Cell, X, Y);
  if (Cell.Y != 0 || DataCol < 0 || DataCol >= FColumns->GetCount()) return false;
  TColumnEh* Candidate = FColumns->Items(DataCol);
  if (!Candidate->GetSTFilter()->GetVisible()) return false;
  // The button where the title's painting places it.
  TRect R = CellRect(Cell.X, 0);
  if (FRowPanel->GetActive()) R = RowPanelCellRect(Candidate, R, true);
  // Right-to-left the painting put it at the mirror.
  if (UseRightToLeftAlignment()) R = MirroredRect(R);
  if (!TitleFilterButtonRect(R, FOptionsEh.Contains(dghFixed3D)).Contains(TPoint(LogicalX(X), Y))) return false;
  Column = Candidate;
  return true;
}

void TCustomDBGridEh::TitleFilterListDropDown(TColumnEh* Column) {
  if (FTitleFilterListVisible) CloseUpTitleFilterList(false);
  TRect R = CellRect(DataToRawColumn(Column->GetIndex()), 0);
  if (FRowPanel->GetActive()) R = RowPanelCellRect(Column, R, true);
  DropDownTitleFilterList(Column, R);
  InvalidateTitle();
}

void TCustomDBGridEh::DropDownTitleFilterList(TColumnEh* Column, const TRect& ARect) {
  TSTColumnFilterEh* Filter = Column->GetSTFilter();
  TitleFilterList();
  Integer Width = Filter->GetDropDownWidth();
  Filter->SetMultiCheck(false);
  // The list's items are read while they are made: the column comes first.
  SetTitleFilterListColumn(Column);
  FGroupSortDropDownLevel = nullptr;
  TStrings* Items = FTitleFilterList->GetItems();
  Items->BeginUpdate();
  {
    TScopeExitEh End([Items] { Items->EndUpdate(); });
    Items->Clear();
    FillFilterListValues(Filter, Items, FTitleFilterList, Width);
  }
  Filter->SetCheckStatesFromExpression(Items);
  FTitleFilterList->SetColor(GetColor());
  FTitleFilterList->SetFont(GetFont());
  // The list reads the grid's way: right to left, its boxes at the right.
  FTitleFilterList->SetBiDiMode(GetBiDiMode());
  FTitleFilterList->SetItemHeight(FTitleFilterList->GetTextHeight());
  FTitleFilterList->SetWidth(std::max(Width, Column->GetWidth()));
  // A list never sized by the user opens as the filter row's does.
  const Integer Rows = Filter->GetDropDownRows() < 1 ? DefaultFilterListRows : Filter->GetDropDownRows();
  FTitleFilterList->SetRowCount(std::max(1, std::min(Rows, Items->GetCount())));
  FTitleFilterList->SetItemIndex(-1);
  ShowTitleFilterListUnder(ARect);
}

TPopupListboxEh* TCustomDBGridEh::TitleFilterList() {
  if (!FTitleFilterList) {
    FTitleFilterList = new TPopupListboxEh(this);
    FTitleFilterList->SetVisible(false);
    FTitleFilterList->SetCtl3D(true);
    FTitleFilterList->SetUseItemObjects(true);
    FTitleFilterList->OnMouseUp = [this](TObject*, TMouseButton Button, TShiftState, Integer X, Integer Y) {
      if (Button != mbLeft || !FTitleFilterList->GetMouseCloseUp()) return;
      CloseUpTitleFilterList(FTitleFilterList->GetClientRect().Contains(TPoint(X, Y)));
    };
    FTitleFilterList->OnKeyDown = [this](TObject*, Word& Key, TShiftState) {
      if (Key == VK_ESCAPE) {
        Key = 0;
        CloseUpTitleFilterList(false);
      }
    };
    FTitleFilterList->OnKeyPress = [this](TObject*, Char& Key) {
      if (Key == VK_RETURN) {
        Key = 0;
        CloseUpTitleFilterList(true);
      } else if (Key == u' ') {
        Key = 0;
        const Integer Index = FTitleFilterList->GetItemIndex();
        TPopupListboxItemEh* Item = FTitleFilterList->ItemBehaviour(Index);
        if (!Item || !FTitleFilterListColumn) return;
        if (Item->CloseOnExecute(FTitleFilterList, Index)) {
          CloseUpTitleFilterList(true);
        } else {
          FTitleFilterListColumn->GetSTFilter()->SetMultiCheck(true);
          Item->Execute(FTitleFilterList, Index, TPoint(-1, -1), GetShiftStateEh());
        }
      }
    };
  }
  return FTitleFilterList;
}

void TCustomDBGridEh::ShowTitleFilterListUnder(const TRect& ARect) {
  TPoint At;
  AlignDropDownWindowRectEh(TRect(ClientToScreen(ARect.TopLeft()), ClientToScreen(ARect.BottomRight())),
                            FTitleFilterList, UseRightToLeftAlignment() ? daRight : daLeft, At);
  SetWindowPos(FTitleFilterList->GetHandle(), HWND_TOP, At.X, At.Y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  FTitleFilterList->GetSizeGrip()->ShowGrip(true);
  FTitleFilterList->SetSizeChanged(false);
  FTitleFilterListVisible = true;
}

void TCustomDBGridEh::CloseUpTitleFilterList(bool Accept) {
  if (!FTitleFilterList || !FTitleFilterListVisible) return;
  TColumnEh* Column = FTitleFilterListColumn;
  if (Column && Column->GetSTFilter()->GetExecuting()) return;
  if (HWND Captor = GetCapture(); Captor == FTitleFilterList->GetHandle()) ReleaseCapture();
  SetWindowPos(FTitleFilterList->GetHandle(), nullptr, 0, 0, 0, 0,
               SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_HIDEWINDOW);
  if (Column && FTitleFilterList->GetSizeChanged()) {
    Column->GetSTFilter()->SetDropDownWidth(FTitleFilterList->GetWidth());
    Column->GetSTFilter()->SetDropDownRows(FTitleFilterList->GetRowCount());
  }
  if (GetFocus() == FTitleFilterList->GetHandle() && CanFocus()) SetFocus();
  FTitleFilterListVisible = false;
  InvalidateTitle();
  const Integer Index = FTitleFilterList->GetItemIndex();
  // The chosen item acts for the list's column or level, which are forgotten afterwards.
  TScopeExitEh Forget([this] {
    SetTitleFilterListColumn(nullptr);
    FGroupSortDropDownLevel = nullptr;
  });
  if (Accept && Index >= 0)
    if (TPopupListboxItemEh* Item = FTitleFilterList->ItemBehaviour(Index))
      Item->Execute(FTitleFilterList, Index, TPoint(-1, -1), TShiftState());
}

bool TCustomDBGridEh::TitleFilterListTakesKey(TMessage& Message) {
  if (!FTitleFilterListVisible || !FTitleFilterList) return false;
  if (Message.Msg != WM_KEYDOWN && Message.Msg != WM_CHAR && Message.Msg != WM_SYSKEYDOWN) return false;
  Message.Result = SendMessage(FTitleFilterList->GetHandle(), Message.Msg, Message.WParam, Message.LParam);
  return true;
}

// ---- A column going ------------------------------------------------------------------------------------------------

void TCustomDBGridEh::FilterColumnGoing(TColumnEh* Column) {
  if (FFilterEditor && FFilterEditor->GetColumn() == Column) {
    FFilterEditor->SetColumn(nullptr);
    if (FFilterEditor->Focused() && CanFocus()) SetFocus();
    FFilterEditor->SetVisible(false);
    FFilterEditing = false;
    FFilterRowColumn = -1;
  }
  if (FTitleFilterListColumn == Column) {
    if (FTitleFilterList && FTitleFilterListVisible)
      SetWindowPos(FTitleFilterList->GetHandle(), nullptr, 0, 0, 0, 0,
                   SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_HIDEWINDOW);
    FTitleFilterListVisible = false;
    FTitleFilterListColumn = nullptr;
  }
}
