// The grid's keys: KeyDown (shortcuts, then the key table), KeyPress, WM_CHAR,
// KeyUp (a held Ctrl releases the sorting of Ctrl-clicked titles), and the
// incremental search with its time-out on timer 2.
//
// Index of this file:
//   KeyDown: the order of its steps
//   shortcuts: incremental search, the find dialog, the keys of a running search
//   the key table: moves without and with Ctrl, editing keys, tree keys
//   KeyPress, WM_CHAR, KeyUp
//   the incremental search
//
// Moves go through DBGridEh_KeyboardMoves.cpp. Moving by a page or to the first
// or last record is one dataset call, so the keys cost the same over a million
// records as over a hundred; only Shift-selection walks the rows it selects.

#include <algorithm>
#include <utility>

#include "grid/DBGridEh.h"
#include "grid/DBGridEhImpExp.h"
#include "grid/ScopeGuardEh.h"
#include "platform/ui/Clipbrd.h"
#include "platform/ui/MessageQueue.h"
#include "platform/ui/Timers.h"

namespace {

// Timer 2 of the grid's window ends a running incremental search.
constexpr std::uintptr_t IncSearchTimerId = 2;

// Search options of an incremental search: case ignored, display text, Esc stops it;
// numeric columns may compare their field text instead.
constexpr TLocateTextOptionsEh IncSearchOptionsEh = ltoIgnoreCaseEh | ltoDisplayTextEh | ltoEscapeStopsEh;
constexpr TLocateTextOptionsEh IncSearchFieldTextOptionsEh = ltoIgnoreCaseEh | ltoEscapeStopsEh;

bool NoModifiers(TShiftState Shift) {
  return !Shift.Contains(ssShift) && !Shift.Contains(ssCtrl) && !Shift.Contains(ssAlt);
}

bool IsLeadSurrogate(Char Ch) { return Ch >= 0xD800 && Ch <= 0xDBFF; }
bool IsTrailSurrogate(Char Ch) { return Ch >= 0xDC00 && Ch <= 0xDFFF; }

bool InEditModes(TDataSet* DataSet) {
  const TDataSetState State = DataSet->GetState();
  return State == dsEdit || State == dsInsert || State == dsSetKey;
}

}  // namespace

// ---- KeyDown ------------------------------------------------------------------------------------------------

void TCustomDBGridEh::KeyDown(Word& Key, TShiftState Shift) {
  FSwallowEnterChar = false;
  FToggleSelectOnMove = Shift.Contains(ssCtrl) || !FOptionsEh.Contains(dghClearSelection);
  if (OnKeyDown) OnKeyDown(this, Key, Shift);
  FilterRowEntryKeyDown(Key, Shift);
  if (UseRightToLeftAlignment() && (Key == VK_LEFT || Key == VK_RIGHT)) Key = Key == VK_LEFT ? VK_RIGHT : VK_LEFT;
  if (Key == 0 || !FDataLink->GetActive() || !CanGridAcceptKey(Key, Shift)) return;
  if (ShortCutKeyDown(Key, Shift)) return;
  if (Key == VK_ESCAPE && FMouseTrackState == gmtsMovingRecordsEh) {
    EndRecordMoving(0, 0, false);
    Key = 0;
    return;
  }
  if (HandleGroupRowKey(Key, Shift)) return;
  const Word Pressed = Key;
  NavigationKeyDown(Key, Shift);
  EditingKeyDown(Key, Shift);
  ClearValueKeyDown(Pressed, Shift);
}

// The unit's shortcuts, the first that applies wins.
bool TCustomDBGridEh::ShortCutKeyDown(Word& Key, TShiftState Shift) {
  const TShortCut Pressed = ShortCut(Key, Shift);
  if (Pressed == FilterListShortCut && FSTFilter->GetVisible() && FSTFilter->GetLocation() == stflInTitleFilterEh) {
    TColumnEh* Column = GetCurrentColumn();
    if (Column && Column->GetSTFilter()->GetVisible()) {
      TitleFilterListDropDown(Column);
      return true;
    }
  }
  if (Pressed == CopyFromPriorRowShortCut) {
    CopyValueFromRowAbove();
    return true;
  }
  if (Pressed == IncSearchShortCut && FOptionsEh.Contains(dghIncSearch)) {
    if (!FIncSearchActive || !FOptionsEh.Contains(dghDialogFind) || FindDialogShortCut != IncSearchShortCut) {
      IncSearchAdd(String(), IncSearchTimeOut, ltdAllEh);
    } else {
      IncSearchStop();
      RunFindDialog(String());
    }
    return true;
  }
  if (Pressed == FindDialogShortCut && FOptionsEh.Contains(dghDialogFind)) {
    RunFindDialog(String());
    return true;
  }
  return FIncSearchActive && IncSearchKeyDown(Key, Shift);
}

// While a search runs: Enter, Esc and F2 end it, Backspace takes a character
// back, and its own shortcuts search on or back.
bool TCustomDBGridEh::IncSearchKeyDown(Word& Key, TShiftState Shift) {
  const TShortCut Pressed = ShortCut(Key, Shift);
  if (NoModifiers(Shift) && (Key == VK_RETURN || Key == VK_ESCAPE || Key == VK_F2)) {
    IncSearchStop();
    // The Enter that ends a search does not go on to open the editor.
    FSwallowEnterChar = Key == VK_RETURN;
  } else if (NoModifiers(Shift) && Key == VK_BACK) {
    // A character outside the basic plane takes two code units.
    size_t Drop = FIncSearchText.empty() ? 0 : 1;
    if (FIncSearchText.size() >= 2 && IsTrailSurrogate(FIncSearchText.back())) Drop = 2;
    FIncSearchText.resize(FIncSearchText.size() - Drop);
    InvalidateRow(GetRow());
    SetTimer(GetHandle(), IncSearchTimerId, UINT(std::max(0, FIncSearchTimeOutValue)));
  } else if (Pressed == IncSearchNextShortCut) {
    IncSearchAdd(String(), FIncSearchTimeOutValue, ltdDownEh);
  } else if (Pressed == IncSearchPriorShortCut) {
    IncSearchAdd(String(), FIncSearchTimeOutValue, ltdUpEh);
  } else {
    return false;
  }
  Key = 0;
  return true;
}

// ---- The key table ------------------------------------------------------------------------------------------

void TCustomDBGridEh::NavigationKeyDown(Word& Key, TShiftState Shift) {
  const bool Sel = Shift.Contains(ssShift) && FOptions.Contains(dgMultiSelect);
  switch (Key) {
    case VK_UP:
    case VK_DOWN:
    case VK_PRIOR:
    case VK_NEXT:
    case VK_HOME:
    case VK_END:
    case VK_LEFT:
    case VK_RIGHT:
      if (!Sel) ClearSelectionIfNeeded();
      break;
    default: return;
  }
  if (Key == VK_DOWN && RowDetailPanelKeyDown(Shift)) return;
  if (RowPanelKeyDown(Key, Shift, Sel)) return;
  if (Shift.Contains(ssCtrl)) CtrlNavigationKeyDown(Key, Shift, Sel);
  else PlainNavigationKeyDown(Key, Shift, Sel);
}

void TCustomDBGridEh::PlainNavigationKeyDown(Word& Key, TShiftState, bool Sel) {
  const bool UseRows = !FAllowedSelections.Contains(gstRectangle);
  const bool ByRecords = FVisibleColumns->Count() <= 1 || FOptions.Contains(dgRowSelect);
  switch (Key) {
    case VK_UP: return PriorRow(Sel);
    case VK_DOWN: return NextRow(Sel);
    case VK_PRIOR: return SelectMove(Sel, -VisibleDataRows(), false, UseRows);
    case VK_NEXT: FetchRecordsOnDemand(); return SelectMove(Sel, VisibleDataRows(), false, UseRows);
    case VK_HOME:
      if (ByRecords) return SelectMove(Sel, -1, true, true);
      return MoveToColumn(GetFixedCols(), 1, Sel);
    case VK_END:
      if (ByRecords) return SelectMove(Sel, 1, true, true);
      return MoveToColumn(GetColCount() - 1, -1, Sel);
    case VK_LEFT:
    case VK_RIGHT: {
      const Integer Step = Key == VK_LEFT ? -1 : 1;
      // A row-select grid has no current column: the keys scroll it sideways.
      if (FOptions.Contains(dgRowSelect)) return ScrollByPixels(Step * GetHorzScrollStep(), 0);
      return MoveToColumn(GetCol() + Step, Step, Sel);
    }
    default: return;
  }
}

// With Ctrl: to the first or last row in the window, the first or last record,
// the first or last column.
void TCustomDBGridEh::CtrlNavigationKeyDown(Word& Key, TShiftState, bool Sel) {
  const bool UseRows = !FAllowedSelections.Contains(gstRectangle);
  const Integer FirstVisible = RowScrollMode() ? GetTopRow() - GetRow() : -FDataLink->GetActiveRecord();
  const Integer LastVisible = RowScrollMode() ? std::min(GetTopRow() + VisibleDataRows(), GetRowCount()) - 1 - GetRow()
                                              : FDataLink->GetBufferCount() - FDataLink->GetActiveRecord() - 1;
  switch (Key) {
    case VK_UP:
    case VK_PRIOR: return SelectMove(Sel, FirstVisible, false, UseRows);
    case VK_DOWN:
    case VK_NEXT: return SelectMove(Sel, std::max(0, LastVisible), false, UseRows);
    case VK_HOME: return SelectMove(Sel, -1, true, UseRows);
    case VK_END: return SelectMove(Sel, 1, true, UseRows);
    case VK_LEFT: return MoveToColumn(GetFixedCols(), 1, false);
    case VK_RIGHT: return MoveToColumn(GetColCount() - 1, -1, false);
    default: return;
  }
}

// Tab, Enter as Tab, Esc, Insert, Delete, F2, the clipboard keys and the tree keys.
void TCustomDBGridEh::EditingKeyDown(Word& Key, TShiftState Shift) {
  const bool Ctrl = Shift.Contains(ssCtrl), ShiftKey = Shift.Contains(ssShift);
  const bool Copy = Ctrl && (Key == VK_INSERT || Key == 'C');
  const bool Paste = (Ctrl && Key == 'V') || (ShiftKey && !Ctrl && Key == VK_INSERT);
  const bool Cut = (Ctrl && Key == 'X') || (ShiftKey && !Ctrl && Key == VK_DELETE);
  if (Copy && CanCopy() && FEditActions.Contains(geaCopyEh)) return CopyGridToClipboard(this, false);
  if (Paste && FIncSearchActive) return IncSearchAdd(Clipboard()->GetAsText(), FIncSearchTimeOutValue, ltdAllEh);
  if (Paste && CanPaste() && FEditActions.Contains(geaPasteEh)) return PasteGridFromClipboard(this, false);
  if (Cut && CanCut() && FEditActions.Contains(geaCutEh)) return CutGridToClipboard(this, false);
  if (Copy || Paste || Cut) return;
  if (Ctrl) {
    if (Key == VK_DELETE) DeleteRecordsKeyDown();
    if (Key == 'A' && CanSelectAll() && CanSelectType(gstAll) && FEditActions.Contains(geaSelectAllEh))
      FSelection->SelectAll();
    return;
  }
  switch (Key) {
    case VK_TAB:
      if (!Shift.Contains(ssAlt)) TabMove(!ShiftKey);
      break;
    case VK_RETURN:
      if (FOptionsEh.Contains(dghEnterAsTab)) TabMove(!ShiftKey);
      break;
    case VK_ESCAPE: EscapeKeyDown(); break;
    case VK_INSERT: InsertKeyDown(); break;
    case VK_F2: SetEditorMode(true); break;
    case VK_MULTIPLY:
    case VK_ADD:
    case VK_SUBTRACT: TreeKeyDown(Key); break;
    default: break;
  }
}

// Esc drops what was typed (or the new or edited record), every selection and
// the editor, and cancels sizing or moving under way.
void TCustomDBGridEh::EscapeKeyDown() {
  FDataLink->Reset();
  ClearSelection();
  if (!FOptions.Contains(dgAlwaysShowEditor)) HideEditor();
  const TGridState State = GetGridState();
  const bool BaseTracking = State == gsRowSizing || State == gsColSizing || State == gsColMoving;
  const bool OwnTracking = FMouseTrackState == gmtsTitleSizingEh || FMouseTrackState == gmtsGroupPanelDragEh ||
                           FMouseTrackState == gmtsMovingRecordsEh || FMouseTrackState == gmtsRowPanelMovingEh;
  if ((BaseTracking || OwnTracking) && HandleAllocated()) SendMessage(GetHandle(), WM_CANCELMODE, 0, 0);
}

void TCustomDBGridEh::InsertKeyDown() {
  TDataSet* DataSet = FDataLink->GetDataSet();
  if (!DataSet->CanModify() || FReadOnly || !FOptions.Contains(dgEditing)) return;
  ClearSelection();
  if (FAllowedOperations.Contains(alopInsertEh)) {
    StoreGroupInsertKeyValues();
    DataSet->Insert();
  } else if (FAllowedOperations.Contains(alopAppendEh)) {
    DataSet->Append();
  }
}

// Ctrl+Delete: the selected cells are emptied (with geaDeleteEh), else the
// selected records, or the current one, are deleted after the question.
void TCustomDBGridEh::DeleteRecordsKeyDown() {
  const TDBGridEhSelectionType Kind = FSelection->GetSelectionType();
  if (FEditActions.Contains(geaDeleteEh) && (Kind == gstRectangle || Kind == gstColumns))
    return ClearSelectedCells(this, false);
  TDataSet* DataSet = FDataLink->GetDataSet();
  if (FReadOnly || DataSet->IsEmpty() || !DataSet->CanModify() || !FAllowedOperations.Contains(alopDeleteEh)) return;
  if (!DeletePrompt()) return;
  if (FBookmarks->GetCount() > 0) FBookmarks->DeleteRecords();
  else DataSet->Delete();
}

// Numpad * flips, + opens and - closes the current node of a table shown as a
// tree, else the row detail panel of the current record.
void TCustomDBGridEh::TreeKeyDown(Word Key) {
  if (!FIntMemTable || !FIntMemTable->IsTreeList()) {
    if (!FRowDetailPanel->GetActive() || !RowHasDetailPanel()) return;
    FRowDetailPanel->SetVisible(Key == VK_MULTIPLY ? !FRowDetailPanel->GetVisible() : Key == VK_ADD);
    return;
  }
  if (!FIntMemTable->GetTreeNodeHasChildren()) return;
  const bool Expanded = FIntMemTable->GetTreeNodeExpanded();
  const bool Wanted = Key == VK_MULTIPLY ? !Expanded : Key == VK_ADD;
  if (Wanted == Expanded) return;
  SetTreeNodeExpandedKeepingRecord(FIntMemTable->GetCurrentRowIndex(), Wanted);
}

// Down goes into the open row detail panel; Ctrl+Down opens it first.
bool TCustomDBGridEh::RowDetailPanelKeyDown(TShiftState Shift) {
  if (Shift.Contains(ssCtrl)) {
    if (!FRowDetailPanel->GetActive()) return false;
    if (!RowHasDetailPanel()) return true;
    FRowDetailPanel->SetVisible(true);
  }
  if (!FRowDetailPanel->GetVisible()) return false;
  FocusRowDetailPanelControl();
  return true;
}

bool TCustomDBGridEh::RowHasDetailPanel() {
  bool HasPanel = true;
  if (OnCheckRowHaveDetailPanel) OnCheckRowHaveDetailPanel(this, HasPanel);
  return HasPanel;
}

// The panel's ActiveControl, else its first control in tab order that takes the focus.
void TCustomDBGridEh::FocusRowDetailPanelControl() {
  TRowDetailPanelControlEh* Panel = FRowDetailPanelControl;
  if (!Panel || !Panel->GetVisible()) return;
  const TComponentState State = GetComponentState();
  TWinControl* Target = nullptr;
  if (TWinControl* Active = FRowDetailPanel->GetActiveControl();
      Active && !State.Contains(csLoading) && !State.Contains(csDesigning) && Active->CanFocus())
    Target = Active;
  if (!Target) Target = Panel->FindNextControl(nullptr, true, true, false);
  if (Target && Target->CanFocus()) Target->SetFocus();
}

// Delete empties a check-box or image cell that may be changed.
void TCustomDBGridEh::ClearValueKeyDown(Word Key, TShiftState Shift) {
  TColumnEh* Column = GetCurrentColumn();
  if (Key != VK_DELETE || Shift.Contains(ssCtrl) || FOptions.Contains(dgRowSelect) || !Column) return;
  if (Column->GetColumnKind() != ckCheckBox && Column->GetColumnKind() != ckImageList) return;
  TField* Field = Column->GetField();
  if (!Field || Field->GetReadOnly() || !Column->CanModify(true)) return;
  Field->SetValue(Null());
}

void TCustomDBGridEh::RunFindDialog(const String& Text) {
  if (FCenter) FCenter->ExecuteFindDialog(this, Text, String(), true);
  else if (ExecuteFindDialogProc) ExecuteFindDialogProc(this, Text, TColumnFieldsArrEh(), true);
}

// ---- KeyPress, WM_CHAR, KeyUp ---------------------------------------------------------------------------------

void TCustomDBGridEh::KeyPress(Char& Key) {
  if (std::exchange(FSwallowEnterChar, false) && Key == u'\r') Key = 0;
  if (FOptionsEh.Contains(dghEnterAsTab) && Key == u'\r') Key = u'\t';
  if (Key == u'\r' && !FOptions.Contains(dgAlwaysShowEditor)) FDataLink->UpdateData();
  TCustomGridEh::KeyPress(Key);
  const bool EditorActive = GetEditorMode() && GetInplaceEditor() && GetInplaceEditor()->GetVisible();
  if (!FIncSearchActive &&
      (!FOptionsEh.Contains(dghPreferIncSearch) || FOptions.Contains(dgAlwaysShowEditor) || EditorActive))
    return;
  if (Key < u' ' || !FDataLink->GetActive() || InEditModes(FDataLink->GetDataSet())) return;
  IncSearchAdd(FTypedText.empty() ? String(1, Key) : FTypedText,
               FIncSearchActive ? FIncSearchTimeOutValue : IncSearchTimeOut, ltdAllEh);
  Key = 0;
}

// Characters: a blank steps a check-box or image cell, a running (or wanted)
// incremental search takes printable ones; otherwise the base grid opens the
// editor with the character, except over a tree, whose +, - and * keys are its own.
void TCustomDBGridEh::WMChar(TMessage& Message) {
  Char Ch = Char(Message.WParam);
  FTypedText = String(1, Ch);
  TScopeExitEh Forget([this] { FTypedText.clear(); });
  // A character outside the basic plane comes as two messages: the search takes both at once.
  TMsg Trail;
  const bool Pair = IsLeadSurrogate(Ch) && HandleAllocated() &&
                    PeekMessage(Trail, GetHandle(), WM_CHAR, WM_CHAR, PM_NOREMOVE) &&
                    IsTrailSurrogate(Char(Trail.wParam));
  if (Pair) FTypedText += Char(Trail.wParam);
  TColumnEh* Column = GetCurrentColumn();
  const bool Stepping = Column && (Column->GetColumnKind() == ckCheckBox || Column->GetColumnKind() == ckImageList);
  if (Stepping && Ch == u' ' && !FOptions.Contains(dgRowSelect)) {
    KeyPress(Ch);
    if (Ch == u' ') StepCellValue(Column, GetKeyState(VK_SHIFT) < 0);
    return;
  }
  if (IncSearchTakesChar(Ch) || (FIntMemTable && FIntMemTable->IsTreeList()) || FRowDetailPanel->GetActive()) {
    KeyPress(Ch);
    if (Pair && Ch == 0) PeekMessage(Trail, GetHandle(), WM_CHAR, WM_CHAR, PM_REMOVE);
    return;
  }
  TCustomGridEh::Dispatch(Message);
}

bool TCustomDBGridEh::IncSearchTakesChar(Char Ch) {
  TDataSet* DataSet = FDataLink->GetDataSet();
  if ((Ch < u' ' && Ch != u'\b') || !FDataLink->GetActive() || InEditModes(DataSet)) return false;
  if (FIncSearchActive) return true;
  TColumnEh* Column = GetCurrentColumn();
  const bool ColumnTakesTyping =
      Column && FOptions.Contains(dgEditing) && !FReadOnly && DataSet->CanModify() && Column->CanModify(false);
  if (FOptionsEh.Contains(dghIncSearch) && !ColumnTakesTyping) return true;
  return FOptionsEh.Contains(dghPreferIncSearch) && !FOptions.Contains(dgAlwaysShowEditor) && !GetEditorMode();
}

void TCustomDBGridEh::KeyUp(Word& Key, TShiftState Shift) {
  if (FSortMarkingPending && Key == VK_CONTROL) {
    FSortMarkingPending = false;
    SortMarkingChanged();
  }
  TCustomGridEh::KeyUp(Key, Shift);
}

// ---- The incremental search ------------------------------------------------------------------------------------

void TCustomDBGridEh::IncSearchAdd(const String& Text, Integer TimeOut, TLocateTextDirectionEh Direction) {
  TColumnEh* Column = GetCurrentColumn();
  if (!FDataLink->GetActive() || !Column) return;
  const String Candidate = FIncSearchText + Text;
  if (!Candidate.empty()) {
    TField* Field = Column->GetField();
    const bool FieldText =
        Field && IsNumberFieldTypeEh(Field->GetDataType()) && FCenter && FCenter->GetUseExtendedDataFormats();
    TDataSet* DataSet = FDataLink->GetDataSet();
    bool Found = false;
    DataSet->DisableControls();
    {
      TScopeExitEh Enable([DataSet] { DataSet->EnableControls(); });
      Found = Find(Column->GetFieldName(), Candidate, FieldText ? IncSearchFieldTextOptionsEh : IncSearchOptionsEh,
                   Direction, ltmBeginningEh, lttExpandedBranchesEh);
    }
    if (Found) FIncSearchText = Candidate;
    // A row found far away is shown in the middle of the window.
    if (Found && RowScrollMode())
      MoveTopLeft(GetLeftCol(), std::clamp(GetRow() - VisibleDataRows() / 2, GetFixedRows(), LastTopRow()));
  }
  HideEditor();
  FIncSearchActive = true;
  FIncSearchTimeOutValue = TimeOut;
  InvalidateRow(GetRow());
  if (HandleAllocated()) SetTimer(GetHandle(), IncSearchTimerId, UINT(std::max(0, TimeOut)));
  FIncSearchTimerRunning = true;
}

void TCustomDBGridEh::IncSearchStop() {
  if (FIncSearchTimerRunning && HandleAllocated()) KillTimer(GetHandle(), IncSearchTimerId);
  FIncSearchTimerRunning = false;
  FIncSearchActive = false;
  FIncSearchText.clear();
  InvalidateRow(GetRow());
  if (FOptions.Contains(dgAlwaysShowEditor) && CanEditorMode()) ShowEditor();
}
