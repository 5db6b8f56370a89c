// The lookup grid's input: keys, the incremental search, the mouse and its
// tracking timer, the wheel and the vertical bar, and the window messages it
// answers itself.
//
// Typical call flow: a move key -> KeyDown moves the list (or chooses the special
// row above the first record) -> SelectCurrent chooses the key of the record now
// current. A press on a row -> MouseDown chooses it and starts tracking; while
// tracking, moves choose the row under the mouse, and a mouse held above or below
// the window moves the list on the tracking timer, faster the farther it is.
//
// Over a table read row by row (instant reading) the window scrolls as in any
// data grid. Over other datasets the window is the data link's buffered records:
// the wheel and the bar move the list past the window's edge without choosing,
// so the key's record may leave the window; the next move key then starts from
// the key's record, or first brings it back into view.

#include <algorithm>

#include "grid/DBLookupGridsEh.h"
#include "platform/ui/Timers.h"

namespace {

// The incremental search starts again after this pause between two keys.
constexpr DWORD SearchPauseMs = 2000;
// The longest text the incremental search collects.
constexpr size_t MaxSearchLength = 32;
// The tracking timer, the grid's timer 1.
constexpr std::uintptr_t TrackingTimerId = 1;

// When the last search key came, for all lookup grids together.
DWORD SearchTickCount = 0;

}  // namespace

// ---- Keys ----------------------------------------------------------------------------------------------

Integer TDBLookupGridEh::MoveList(Integer Distance) {
  TDataSet* List = GetListDataSet();
  if (!List || !List->GetActive() || Distance == 0) return 0;
  return List->MoveBy(Distance);
}

void TDBLookupGridEh::KeyDown(Word& Key, TShiftState Shift) {
  if (!CanModifyKey()) return TCustomDBGridEh::KeyDown(Key, Shift);
  Integer Delta = 0;
  bool ToFirst = false, ToLast = false;
  switch (Key) {
    case VK_PRIOR: Delta = -VisibleDataRows(); break;
    case VK_NEXT: Delta = VisibleDataRows(); break;
    case VK_END: ToLast = true; break;
    case VK_HOME: ToFirst = true; break;
    case VK_UP: Delta = -1; break;
    case VK_DOWN: Delta = 1; break;
    case VK_LEFT:
    case VK_RIGHT:
      // With the horizontal bar shown the keys scroll the columns, as in any data grid.
      if (GetHorzScrollBar()->ScrollBarShowing()) return TCustomDBGridEh::KeyDown(Key, Shift);
      Delta = Key == VK_LEFT ? -1 : 1;
      break;
    default: return TCustomDBGridEh::KeyDown(Key, Shift);
  }
  Key = 0;
  FSearchText.clear();
  TDataSet* List = GetListDataSet();
  const bool SpecVisible = FSpecRow->GetVisible();
  if (Delta < 0 && SpecVisible && (ListAtFirst() || FSpecRowSelected)) {
    SelectSpecRow();
    List->First();
    return;
  }
  if (Delta > 0 && FSpecRowSelected) {
    List->First();
    SelectCurrent();
    return;
  }
  if (ToFirst) {
    List->First();
  } else if (ToLast) {
    List->Last();
  } else {
    if (!InInstantReadMode()) {
      Integer KeyRow = 0;
      if (KeyRecordInWindow(KeyRow)) {
        MoveList(KeyRow - GetDataLink()->GetActiveRecord());
      } else if (LocateKey()) {
        KeyValueChanged();
        return;
      }
    }
    const Integer Moved = MoveList(Delta);
    if (Delta < 0 && Moved == 0 && SpecVisible && !FSpecRowSelected) {
      SelectSpecRow();
      return;
    }
  }
  SelectCurrent();
}

bool TDBLookupGridEh::KeyRecordInWindow(Integer& DataRow) {
  if (FKeyValue.IsNull() || FKeyField.empty() || !GetDataLink()->GetActive()) return false;
  const Integer Rows = VisibleDataRowCount();
  for (Integer Row = 0; Row < Rows; ++Row) {
    if (!BeginReadRow(Row)) continue;
    const bool Found = VarEqualsEh(ListKeyValue(), FKeyValue);
    EndReadRow();
    if (Found) {
      DataRow = Row;
      return true;
    }
  }
  return false;
}

void TDBLookupGridEh::KeyPress(Char& Key) {
  ProcessSearchKey(Key);
  TCustomDBGridEh::KeyPress(Key);
}

void TDBLookupGridEh::ProcessSearchKey(Char Key) {
  TDataSet* List = GetListDataSet();
  if (!FListFieldObj || !List) return;
  const TFieldKind Kind = FListFieldObj->GetFieldKind();
  const TFieldType Type = FListFieldObj->GetDataType();
  if ((Kind != fkData && Kind != fkInternalCalc) || (Type != ftString && Type != ftWideString)) return;
  if (Key == 8 || Key == 27) {
    FSearchText.clear();
    return;
  }
  if (Key < 32 || !CanModifyKey()) return;
  const DWORD Now = GetTickCount();
  if (Now - SearchTickCount > SearchPauseMs) FSearchText.clear();
  SearchTickCount = Now;
  if (FSearchText.size() >= MaxSearchLength) return;
  const String Candidate = FSearchText + Key;
  if (!List->Locate(FListFieldObj->GetFieldName(), Variant(Candidate), TLocateOptions{loCaseInsensitive, loPartialKey}))
    return;
  SelectKeyValue(ListKeyValue());
  FSearchText = Candidate;
}

// ---- Mouse ----------------------------------------------------------------------------------------------

bool TDBLookupGridEh::IsDataOrSpecRowPoint(Integer X, Integer Y) {
  const TGridCoord Cell = MouseCoord(X, Y);
  if (Cell.X < 0 || Cell.Y < 0) return false;
  if (Cell.Y == SpecRowGridRow()) return true;
  return Cell.Y >= GetTitleRowCount() && Cell.Y < GetRowCount();
}

void TDBLookupGridEh::SelectRowAt(Integer X, Integer Y) {
  const TGridCoord Cell = MouseCoord(X, Y);
  if (Cell.Y < 0) return;
  if (Cell.Y == SpecRowGridRow()) return SelectSpecRow();
  const Integer DataRow = Cell.Y - GetTitleRowCount();
  if (DataRow < 0 || Cell.Y >= GetRowCount() || DataRow >= VisibleDataRowCount()) return;
  Integer Current = GetRow() - GetTitleRowCount();
  if (IMemTableEh* Table = GetMemTableIntf()) Current = Table->GetCurrentRowIndex();
  MoveList(DataRow - Current);
  const bool WasSpec = FSpecRowSelected;
  SelectCurrent();
  if (WasSpec && FSpecRowSelected) {
    // The record's key equals the special row's value: the row itself is chosen now.
    FSpecRowSelected = false;
    Invalidate();
  }
}

void TDBLookupGridEh::MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  // Titles and sizing lines are the data grid's.
  if (!IsDataOrSpecRowPoint(X, Y) || !FListActive) return TCustomDBGridEh::MouseDown(Button, Shift, X, Y);
  TControl::MouseDown(Button, Shift, X, Y);
  if (Button != mbLeft) return;
  FSearchText.clear();
  if (FocusOnPress() && !AcquireFocus()) {
    if (GetMouseCapture()) SetMouseCapture(false);
    return;
  }
  if (!CanModifyKey()) return;
  if (Shift.Contains(ssDouble)) {
    const TGridCoord Cell = MouseCoord(X, Y);
    if (Cell.Y == GetRow()) TCustomGridEh::DblClick();
    return;
  }
  if (!GetMouseCapture()) return;
  FTracking = true;
  SelectRowAt(X, Y);
}

void TDBLookupGridEh::MouseMove(TShiftState Shift, Integer X, Integer Y) {
  if (!FTracking) return TCustomDBGridEh::MouseMove(Shift, X, Y);
  UpdateTrackingTimer(Y);
  if (Y >= 0 && Y < GetClientHeight()) SelectRowAt(X, Y);
  TControl::MouseMove(Shift, X, Y);
}

void TDBLookupGridEh::MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  if (!FTracking) return TCustomDBGridEh::MouseUp(Button, Shift, X, Y);
  StopTracking();
  if (Y >= 0 && Y < GetClientHeight()) SelectRowAt(X, Y);
  TControl::MouseUp(Button, Shift, X, Y);
}

// Above or below the window the list moves on the timer, every 200 ms less 15 ms
// per pixel of distance.
void TDBLookupGridEh::UpdateTrackingTimer(Integer Y) {
  Integer Distance = 0;
  if (Y < 0) {
    FTrackDirection = -1;
    Distance = -Y;
  } else if (Y >= GetClientHeight()) {
    FTrackDirection = 1;
    Distance = Y - GetClientHeight() + 1;
  } else {
    FTrackDirection = 0;
    StopTimer();
    return;
  }
  StartTimer(std::max(0, 200 - 15 * Distance));
}

void TDBLookupGridEh::TrackingTimerStep() {
  if (FTrackDirection < 0) {
    if (ListAtFirst() && FSpecRow->GetVisible()) return SelectSpecRow();
    if (FSpecRowSelected) return;
    MoveList(-1);
  } else if (FTrackDirection > 0) {
    if (FSpecRowSelected) GetListDataSet()->First();
    else MoveList(1);
    FSpecRowSelected = false;
  } else {
    return;
  }
  SelectCurrent();
  Invalidate();
}

void TDBLookupGridEh::StopTracking() {
  FTracking = false;
  FTrackDirection = 0;
  StopTimer();
}

// ---- The wheel and the vertical bar ----------------------------------------------------------------------

void TDBLookupGridEh::MoveListPastWindow(Integer Direction) {
  TGridDataLinkEh* Link = GetDataLink();
  if (!Link->GetActive()) return;
  MoveList(Direction < 0 ? -Link->GetActiveRecord() - 1 : Link->GetBufferCount() - Link->GetActiveRecord());
}

bool TDBLookupGridEh::DoMouseWheelDown(TShiftState Shift, TPoint MousePos) {
  if (InInstantReadMode()) return TCustomDBGridEh::DoMouseWheelDown(Shift, MousePos);
  MoveListPastWindow(1);
  return true;
}

bool TDBLookupGridEh::DoMouseWheelUp(TShiftState Shift, TPoint MousePos) {
  if (InInstantReadMode()) return TCustomDBGridEh::DoMouseWheelUp(Shift, MousePos);
  MoveListPastWindow(-1);
  return true;
}

// Lines and pages move the list past the window's edges; the thumb goes to a
// record number when the list has them, else to its five coarse places.
void TDBLookupGridEh::VScrollList(Integer Code) {
  TDataSet* List = GetListDataSet();
  TGridDataLinkEh* Link = GetDataLink();
  if (!List || !List->GetActive() || !Link->GetActive()) return;
  TScrollInfo Info;
  Info.fMask = SIF_ALL;
  const Integer TrackPos = GetVertScrollBar()->GetScrollInfo(Info) ? Info.nTrackPos : 0;
  const Integer Page = VisibleDataRows();
  const Integer Active = Link->GetActiveRecord();
  const bool Sequenced = List->IsSequenced();
  switch (Code) {
    case SB_LINEUP: return MoveListPastWindow(-1);
    case SB_LINEDOWN: return MoveListPastWindow(1);
    case SB_PAGEUP: MoveList(-Active - Page); return;
    case SB_PAGEDOWN: MoveList(Link->GetBufferCount() - 1 - Active + Page); return;
    case SB_TOP: return List->First();
    case SB_BOTTOM: return List->Last();
    case SB_THUMBTRACK:
      if (Sequenced && GetVertScrollBar()->GetTracking()) List->SetRecNo(TrackPos + 1);
      return;
    case SB_THUMBPOSITION:
      if (Sequenced) return List->SetRecNo(TrackPos + 1);
      switch (TrackPos) {
        case 0: return List->First();
        case 1: MoveList(-Active - Page); return;
        case 3: MoveList(Link->GetBufferCount() - 1 - Active + Page); return;
        case 4: return List->Last();
        default: return;
      }
    default: return;
  }
}

TGridScrollBarParamsEh TDBLookupGridEh::GetVertScrollBarParams() {
  if (InInstantReadMode()) return TCustomDBGridEh::GetVertScrollBarParams();
  TGridScrollBarParamsEh P{0, 2, 0, 0};
  TDataSet* List = GetListDataSet();
  TGridDataLinkEh* Link = GetDataLink();
  if (!List || !List->GetActive() || !Link->GetActive()) return P;
  if (List->IsSequenced()) {
    P.Max = List->GetRecordCount() - 1;
    P.Page = VisibleDataRows();
    P.Pos = std::max(0, List->GetRecNo() - 1 - Link->GetActiveRecord());
  } else {
    P.Max = 4;
    P.Pos = List->GetBof() ? 0 : List->GetEof() ? 4 : 2;
  }
  return P;
}

// ---- Messages -------------------------------------------------------------------------------------------

void TDBLookupGridEh::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_GETDLGCODE: Message.Result = DLGC_WANTARROWS | DLGC_WANTCHARS; return;
    case WM_VSCROLL:
      FSearchText.clear();
      if (InInstantReadMode()) break;
      Message.Result = 0;
      return VScrollList(LoWord(Message.WParam));
    case WM_SETFOCUS: FSearchText.clear(); break;
    case WM_KILLFOCUS: StopTracking(); break;
    case WM_TIMER:
      if (Message.WParam == TrackingTimerId && FTracking) {
        TrackingTimerStep();
        Message.Result = 0;
        return;
      }
      break;
    default: break;
  }
  TCustomDBGridEh::Dispatch(Message);
}
