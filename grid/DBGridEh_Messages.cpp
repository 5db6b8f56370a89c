// The grid's message switch and its smaller message handlers: each message the
// grid handles itself is one call to a named handler; everything else goes to
// the base grid.
//
// Index of this file:
//   Dispatch, and the right-button release that shows a column's popup menu
//   window creation: the styles, the grid's own flat border
//   timers, cursors, focus, the dialog code, erasing, cancelling
//   component messages: fonts and colours from the parent, the mouse leaving
//
// Handlers live beside the behaviour they serve: scrolling and sizing in
// DBGridEh_Scroll.cpp, characters in DBGridEh_Keyboard.cpp, tool tips in
// DBGridEh_Hints.cpp.

#include <vector>

#include "editors/ToolCtrlsEh.h"
#include "grid/DBGridEh.h"
#include "platform/core/ScopeGuard.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Timers.h"

void TCustomDBGridEh::WndProc(TMessage& Message) {
  // The grid judges an automatic drag itself (a press inside the selection arms
  // it, the first move begins it), so the platform must not begin one on the press.
  if (GetDragMode() == dmAutomatic && (Message.Msg == WM_LBUTTONDOWN || Message.Msg == WM_LBUTTONDBLCLK)) {
    SetDragMode(dmManual);
    FAutoDragPress = true;
    TScopeExit Restore([this] {
      FAutoDragPress = false;
      SetDragMode(dmAutomatic);
    });
    TCustomGridEh::WndProc(Message);
    return;
  }
  TCustomGridEh::WndProc(Message);
}

void TCustomDBGridEh::Dispatch(TMessage& Message) {
  if (TitleFilterListTakesKey(Message)) return;
  switch (Message.Msg) {
    case WM_DEFERREDLAYOUT: return WMDeferredLayout(Message);
    case WM_VSCROLL: return WMVScroll(Message);
    case WM_HSCROLL: return WMHScroll(Message);
    case WM_SIZE: return WMSize(Message);
    case WM_PAINT: return WMPaint(Message);
    case WM_ERASEBKGND: return WMEraseBkgnd(Message);
    case WM_NCPAINT: return WMNCPaint(Message);
    case WM_CHAR: return WMChar(Message);
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN: return WMLButtonDown(Message);
    case WM_TIMER: return WMTimer(Message);
    case WM_SETCURSOR: return WMSetCursor(Message);
    case WM_SETFOCUS: return WMSetFocus(Message);
    case WM_KILLFOCUS: return WMKillFocus(Message);
    case WM_GETDLGCODE: return WMGetDlgCode(Message);
    case WM_CANCELMODE: return WMCancelMode(Message);
    case WM_NCCALCSIZE: return WMNCCalcSize(Message);
    case WM_IME_STARTCOMPOSITION: return WMImeStartComposition(Message);
    case WM_COMMAND: return WMCommand(Message);
    case CM_CANCELMODE: return CMCancelMode(Message);
    case CM_MOUSELEAVE: return CMMouseLeave(Message);
    case CM_FONTCHANGED: return CMFontChanged(Message);
    case CM_PARENTFONTCHANGED: return CMParentFontChanged(Message);
    case CM_PARENTCOLORCHANGED: return CMParentColorChanged(Message);
    case CM_SYSCOLORCHANGE: return CMSysColorChange(Message);
    case CM_WANTSPECIALKEY: return CMWantSpecialKey(Message);
    case CM_HINTSHOW: return CMHintShow(Message);
    case CM_HINTSHOWPAUSE: return CMHintShowPause(Message);
    default: return TCustomGridEh::Dispatch(Message);
  }
}

// A right-button release over a column with a popup menu of its own shows that
// menu, for the grid, in place of the grid's.
void TCustomDBGridEh::DefaultHandler(TMessage& Message) {
  if (Message.Msg == WM_RBUTTONUP && ColumnPopupMenu(Message)) return;
  TCustomGridEh::DefaultHandler(Message);
}

bool TCustomDBGridEh::ColumnPopupMenu(TMessage& Message) {
  const Integer X = GetXLParam(Message.LParam), Y = GetYLParam(Message.LParam);
  const TGridCoord Cell = MouseCoord(X, Y);
  if (Cell.X < FIndicatorOffset || Cell.Y < 0) return false;
  const Integer DataCol = MouseDataColumn(Cell, X, Y);
  if (DataCol < 0 || DataCol >= FColumns->GetCount()) return false;
  TPopupMenu* Menu = FColumns->Items(DataCol)->GetPopupMenu();
  if (!Menu || !Menu->GetAutoPopup()) return false;
  SendCancelMode(nullptr);
  Menu->SetPopupComponent(this);
  const TPoint At = ClientToScreen(TPoint(X, Y));
  Menu->Popup(At.X, At.Y);
  Message.Result = 1;
  return true;
}

// ---- Window creation -----------------------------------------------------------------------------------------

// A flat grid with the 3-D look draws its own thin border instead of the sunken edge.
void TCustomDBGridEh::CreateParams(TCreateParams& Params) {
  TCustomGridEh::CreateParams(Params);
  FOwnBorder = false;
  if (GetFlat() && GetCtl3D()) {
    Params.ExStyle &= ~DWORD(WS_EX_CLIENTEDGE);
    Params.Style &= ~DWORD(WS_BORDER);
    FOwnBorder = GetBorderStyle() == bsSingle;
  }
  Params.Style |= WS_CLIPCHILDREN;
}

void TCustomDBGridEh::WMNCCalcSize(TMessage& Message) {
  TCustomGridEh::Dispatch(Message);
  if (!FOwnBorder || !Message.LParam) return;
  TRect& R = reinterpret_cast<TNCCalcSizeParams*>(Message.LParam)->rgrc[0];
  InflateRect(R, -OwnBorderWidthEh, -OwnBorderWidthEh);
  if (R.Right < R.Left) R.Right = R.Left;
  if (R.Bottom < R.Top) R.Bottom = R.Top;
}

// ---- Timers, cursors, focus ---------------------------------------------------------------------------------

// Timer 2 ends an incremental search; timer 1 tracks a record drag, scrolls while
// the mouse selects beyond the data area, else the base grid scrolls a moved column.
void TCustomDBGridEh::WMTimer(TMessage& Message) {
  Message.Result = 0;
  if (Message.WParam == 2) return IncSearchStop();
  if (Message.WParam == 1 && FMouseTrackState == gmtsMovingRecordsEh) return RecordMovingTimer();
  if (Message.WParam == 1 && FMouseTrackState == gmtsRowPanelMovingEh) return RowPanelColumnMoveTimer();
  if (Message.WParam == 1 && (IsTrackingSelection() || FMouseTrackState == gmtsSelectingColumnsEh))
    return AutoScrollSelection();
  TCustomGridEh::Dispatch(Message);
}

void TCustomDBGridEh::WMSetCursor(TMessage& Message) {
  const bool Client = Integer(std::int16_t(LoWord(std::uintptr_t(Message.LParam)))) == HTCLIENT;
  if (Client && !GetComponentState().Contains(csDesigning)) {
    const TPoint P = ScreenToClient(GetCursorPos());
    if (FMouseTrackState == gmtsTitleSizingEh) {
      ::SetCursor(CursorToHandle(crHSplit));
      Message.Result = 1;
      return;
    }
    if (IsColumnSelectPoint(P.X, P.Y)) {
      ::SetCursor(ColumnSelectCursorEh());
      Message.Result = 1;
      return;
    }
  }
  TCustomGridEh::Dispatch(Message);
}

// The focus changes how the current row and the selection are highlighted.
void TCustomDBGridEh::WMSetFocus(TMessage& Message) {
  if (FOptions.Contains(dgRowSelect)) InvalidateRow(GetRow());
  TCustomGridEh::Dispatch(Message);
  if (FOptionsEh.Contains(dghHighlightFocus) || FOptionsEh.Contains(dghRowHighlight)) InvalidateRow(GetRow());
  FilterEditorTakeFocus(HwndFromParam(Message.WParam));
}

void TCustomDBGridEh::WMKillFocus(TMessage& Message) {
  if (FOptions.Contains(dgRowSelect) && HandleAllocated()) InvalidateRow(GetRow());
  TCustomGridEh::Dispatch(Message);
  if (FOptionsEh.Contains(dghHighlightFocus) || FOptionsEh.Contains(dghRowHighlight)) InvalidateRow(GetRow());
  CloseUpTitleFilterList(false);
}

void TCustomDBGridEh::WMGetDlgCode(TMessage& Message) {
  TCustomGridEh::Dispatch(Message);
  if (FOptionsEh.Contains(dghEnterAsTab)) Message.Result |= DLGC_WANTMESSAGE;
}

void TCustomDBGridEh::WMCancelMode(TMessage& Message) {
  if (FMouseTrackState == gmtsMovingRecordsEh) EndRecordMoving(0, 0, false);
  TCustomGridEh::Dispatch(Message);
  CloseUpTitleFilterList(false);
}

void TCustomDBGridEh::CMCancelMode(TMessage& Message) {
  TCustomGridEh::Dispatch(Message);
  // The filter editor closes its list when another control takes over; so does the
  // title filter list (the grid's own presses decide for themselves about it).
  if (FFilterEditor && FFilterEditor->HandleAllocated())
    FFilterEditor->Perform(CM_CANCELMODE, Message.WParam, Message.LParam);
  if (!FTitleFilterListVisible || !FTitleFilterList) return;
  auto* Sender = reinterpret_cast<TControl*>(Message.LParam);
  if (Sender == this || Sender == FTitleFilterList || (Sender && Sender->GetParent() == FTitleFilterList)) return;
  CloseUpTitleFilterList(false);
}

// The composition goes into the editor.
void TCustomDBGridEh::WMImeStartComposition(TMessage& Message) {
  TCustomGridEh::Dispatch(Message);
  ShowEditor();
}

// The sending control hears its own notice back (the base grid reflects it). A
// change of the cell editor's text is its change hook's; one of the filter
// editor's text marks the cell as typed over, so that leaving it stores the text.
void TCustomDBGridEh::WMCommand(TMessage& Message) {
  TCustomGridEh::Dispatch(Message);
  if (HiWord(Message.WParam) != EN_CHANGE) return;
  const auto Sender = reinterpret_cast<HWND>(Message.LParam);
  if (!Sender) return;
  auto* Editor = dynamic_cast<TDBGridInplaceEdit*>(GetInplaceEditor());
  if (Editor && Editor->HandleAllocated() && Sender == Editor->GetHandle()) return Editor->NotifyTextChanged();
  if (FFilterEditor && FFilterEditor->HandleAllocated() && Sender == FFilterEditor->GetHandle() &&
      FFilterRowColumn >= 0 && FFilterRowColumn < FColumns->GetCount() &&
      FFilterEditor->GetText() != FColumns->Items(FFilterRowColumn)->GetSTFilter()->GetExpressionStr())
    FFilterEditTextChanged = true;
}

// Leaving the grid posts what was typed, or drops a new record nobody typed into.
void TCustomDBGridEh::DoExit() {
  if (FDataLink->GetActive()) {
    TDataSet* DataSet = FDataLink->GetDataSet();
    if (FOptions.Contains(dgCancelOnExit) && DataSet->GetState() == dsInsert && !DataSet->GetModified() &&
        !FDataLink->InUpdateData())
      DataSet->Cancel();
    else FDataLink->UpdateData();
  }
  TCustomGridEh::DoExit();
}

// ---- Component messages -------------------------------------------------------------------------------------

void TCustomDBGridEh::CMMouseLeave(TMessage& Message) {
  const TGridCoord Hot = GetHotTrackCell();
  TCustomGridEh::Dispatch(Message);
  FHotEditButton = -1;
  SetTitleFilterButtonHot(false);
  if (FOptionsEh.Contains(dghHotTrack) && Hot.Y >= 0) InvalidateRow(Hot.Y);
}

// Columns that follow the grid's font take the new one; the rows are laid out again.
void TCustomDBGridEh::CMFontChanged(TMessage& Message) {
  TCustomGridEh::Dispatch(Message);
  if (GetComponentState().Contains(csDestroying) || !FColumns) return;
  BeginLayout();
  for (Integer I = 0; I < FColumns->GetCount(); ++I) FColumns->Items(I)->GetFont();
  EndLayout();
}

// With ParentFont the title and footer fonts follow the grid's new font, and
// ParentFont stays on.
void TCustomDBGridEh::CMParentFontChanged(TMessage& Message) {
  TCustomGridEh::Dispatch(Message);
  if (!GetParentFont()) return;
  ++FSelfChangingFonts;
  FTitleFont->Assign(GetFont());
  FFooterFont->Assign(GetFont());
  --FSelfChangingFonts;
  LayoutChanged();
}

void TCustomDBGridEh::CMParentColorChanged(TMessage& Message) {
  TCustomGridEh::Dispatch(Message);
  if (GetParentColor()) FFooterColor = GetColor();
  Invalidate();
}

// The edit buttons are drawn again in the new system colours.
void TCustomDBGridEh::CMSysColorChange(TMessage& Message) {
  TCustomGridEh::Dispatch(Message);
  ClearButtonsBitmapCacheEh();
}

// Esc belongs to the grid while what was typed can still be dropped.
void TCustomDBGridEh::CMWantSpecialKey(TMessage& Message) {
  TCustomGridEh::Dispatch(Message);
  TDataSet* DataSet = FDataLink->GetDataSet();
  if (Word(Message.WParam) == VK_ESCAPE && FDataLink->GetActive() && DataSet &&
      (DataSet->GetModified() || FDataLink->GetModified()))
    Message.Result = 1;
}

// ---- The column-select cursor --------------------------------------------------------------------------------

// A black arrow pointing down, outlined in white, its tip the hot spot.
HCURSOR ColumnSelectCursorEh() {
  static const HCURSOR Cursor = [] {
    constexpr Integer Size = 16;
    std::vector<std::uint32_t> Pixels(size_t(Size * Size), 0);
    auto Put = [&](Integer X, Integer Y, std::uint32_t Colour) {
      if (X >= 0 && X < Size && Y >= 0 && Y < Size) Pixels[size_t(Y * Size + X)] = Colour;
    };
    constexpr std::uint32_t Black = 0xFF000000, White = 0xFFFFFFFF;
    // The shaft, then the head narrowing to the tip.
    for (Integer Y = 0; Y < 9; ++Y)
      for (Integer X = 5; X <= 9; ++X) Put(X, Y, X == 5 || X == 9 || Y == 0 ? White : Black);
    for (Integer Y = 9; Y < 16; ++Y) {
      const Integer Half = 15 - Y;
      for (Integer X = 7 - Half; X <= 7 + Half; ++X)
        Put(X, Y, X == 7 - Half || X == 7 + Half || Y == 9 ? White : Black);
    }
    return CreateCursorFromImage(Size, Size, Pixels, TPoint(7, 15));
  }();
  return Cursor;
}
