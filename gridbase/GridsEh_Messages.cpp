// Window creation and the window messages of the base grid. Dispatch is a list
// of one-line calls; each message has its handler below it, in the same order.
// A message no handler takes goes on to the control.

#include <cstdint>

#include "gridbase/GridsEh.h"

void TCustomGridEh::CreateParams(TCreateParams& Params) {
  TCustomControl::CreateParams(Params);
  Params.Style |= WS_TABSTOP;
  if (FScrollBars == ssVertical || FScrollBars == ssBoth) Params.Style |= WS_VSCROLL;
  if (FScrollBars == ssHorizontal || FScrollBars == ssBoth) Params.Style |= WS_HSCROLL;
  Params.WindowClass.style |= CS_DBLCLKS;
  if (FBorderStyle == bsSingle) {
    if (GetCtl3D()) {
      Params.ExStyle |= WS_EX_CLIENTEDGE;
    } else {
      Params.Style |= WS_BORDER;
    }
  }
}

void TCustomGridEh::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_HSCROLL:
    case WM_VSCROLL: return WMScroll(Message);
    case WM_SIZE: return WMSize(Message);
    case WM_SETFOCUS: return WMSetFocus(Message);
    case WM_KILLFOCUS: return WMKillFocus(Message);
    case WM_GETDLGCODE: return WMGetDlgCode(Message);
    case WM_CHAR: return WMChar(Message);
    case WM_COMMAND: return WMCommand(Message);
    case CM_FONTCHANGED: return CMFontChanged(Message);
    case CM_WANTSPECIALKEY: return CMWantSpecialKey(Message);
    case CM_CTL3DCHANGED: return CMCtl3DChanged(Message);
    case CM_SHOWINGCHANGED: return CMShowingChanged(Message);
    case WM_TIMER: return WMTimer(Message);
    case WM_NCHITTEST: return WMNCHitTest(Message);
    case WM_SETCURSOR: return WMSetCursor(Message);
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN: return WMButtonDown(Message);
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK: return WMButtonUp(Message);
    case WM_CANCELMODE: return WMCancelMode(Message);
    case CM_CANCELMODE: return CMCancelMode(Message);
    case CM_DESIGNHITTEST: return CMDesignHitTest(Message);
    case CM_MOUSELEAVE: return CMMouseLeave(Message);
    default: return TCustomControl::Dispatch(Message);
  }
}

namespace {

// True when the window named in a focus message is the grid's own in-place editor.
bool IsEditorWindow(TInplaceEdit* Editor, HWND Wnd) {
  return Editor && Editor->HandleAllocated() && Wnd == Editor->GetHandle();
}

TMouseButton ButtonOfMessage(Cardinal Msg) {
  if (Msg == WM_LBUTTONUP || Msg == WM_LBUTTONDBLCLK) return mbLeft;
  if (Msg == WM_RBUTTONUP || Msg == WM_RBUTTONDBLCLK) return mbRight;
  return mbMiddle;
}

bool IsDoubleClick(Cardinal Msg) {
  return Msg == WM_LBUTTONDBLCLK || Msg == WM_RBUTTONDBLCLK || Msg == WM_MBUTTONDBLCLK;
}

}  // namespace

void TCustomGridEh::WMScroll(TMessage& Message) {
  // The thumb position is read as 32 bits on both bars: a 16-bit one wraps on
  // grids wider (taller) than 65,535 pixels.
  const Integer Bar = Message.Msg == WM_HSCROLL ? SB_HORZ : SB_VERT;
  const Integer Code = LoWord(Message.WParam);
  Integer Pos = Integer(std::int16_t(HiWord(Message.WParam)));
  if (Code == SB_THUMBPOSITION || Code == SB_THUMBTRACK) {
    TScrollInfo Info;
    Info.fMask = SIF_ALL;
    if (GetScrollInfo(GetHandle(), Bar, Info)) Pos = Info.nTrackPos;
  }
  ModifyScrollBar(Bar, Code, Pos, true);
  Message.Result = 0;
}

void TCustomGridEh::WMSize(TMessage& Message) {
  TCustomControl::Dispatch(Message);
  CalcHorzExtents();
  CalcVertExtents();
  UpdateScrollRange();
  if (UseRightToLeftAlignment() || FContraColCount > 0 || FContraRowCount > 0) Invalidate();
}

void TCustomGridEh::WMSetFocus(TMessage& Message) {
  TCustomControl::Dispatch(Message);
  InvalidateRect(GetSelection());
  if (!IsEditorWindow(FInplaceEdit.get(), HwndFromParam(Message.WParam))) UpdateEdit();
}

void TCustomGridEh::WMKillFocus(TMessage& Message) {
  TCustomControl::Dispatch(Message);
  InvalidateRect(GetSelection());
  if (!IsEditorWindow(FInplaceEdit.get(), HwndFromParam(Message.WParam))) HideEdit();
}

void TCustomGridEh::WMGetDlgCode(TMessage& Message) {
  Message.Result = DLGC_WANTARROWS;
  if (FOptions.Contains(goRowSelect)) return;
  if (FOptions.Contains(goTabs)) Message.Result |= DLGC_WANTTAB;
  if (FOptions.Contains(goEditing)) Message.Result |= DLGC_WANTCHARS;
}

void TCustomGridEh::WMChar(TMessage& Message) {
  const Char Ch = Char(Message.WParam);
  if (FOptions.Contains(goEditing) && (Ch >= 32 || Ch == 8)) {
    ShowEditorChar(Ch);
    Message.Result = 0;
    return;
  }
  TCustomControl::Dispatch(Message);
}

void TCustomGridEh::WMCommand(TMessage& Message) {
  // The in-place editor's own text changes reach the grid here.
  if (HiWord(Message.WParam) == EN_CHANGE &&
      IsEditorWindow(FInplaceEdit.get(), HwndFromParam(std::uintptr_t(Message.LParam)))) {
    if (!FInplaceEdit->GetUpdatingContents()) UpdateText();
    return;
  }
  TCustomControl::Dispatch(Message);
}

void TCustomGridEh::CMFontChanged(TMessage& Message) {
  if (FInplaceEdit) FInplaceEdit->SetFont(GetFont());
  TCustomControl::Dispatch(Message);
}

void TCustomGridEh::CMWantSpecialKey(TMessage& Message) {
  TCustomControl::Dispatch(Message);
  if (FOptions.Contains(goEditing) && Word(Message.WParam) == VK_RETURN) Message.Result = 1;
}

void TCustomGridEh::CMCtl3DChanged(TMessage& Message) {
  TCustomControl::Dispatch(Message);
  if (HandleAllocated()) RecreateWnd();
}

void TCustomGridEh::CMShowingChanged(TMessage& Message) {
  TCustomControl::Dispatch(Message);
  if (GetShowing()) UpdateScrollRange();
}

void TCustomGridEh::WMTimer(TMessage& Message) {
  if (Message.WParam == 1) return WMTimer();
  TCustomControl::Dispatch(Message);
}

void TCustomGridEh::WMNCHitTest(TMessage& Message) {
  TCustomControl::Dispatch(Message);
  FLastHitTestPoint = ScreenToClient(TPoint(GetXLParam(Message.LParam), GetYLParam(Message.LParam)));
}

void TCustomGridEh::WMSetCursor(TMessage& Message) {
  // Over a line that can be sized the cursor shows the sizing arrows.
  if (Integer(std::int16_t(LoWord(std::uintptr_t(Message.LParam)))) == HTCLIENT) {
    TGridState State = FGridState;
    if (State == gsNormal) {
      TGridDrawInfoEh DrawInfo;
      CalcDrawInfo(DrawInfo);
      Integer Index = -1, Pos = 0, Ofs = 0;
      CalcSizingState(FLastHitTestPoint.X, FLastHitTestPoint.Y, State, Index, Pos, Ofs, DrawInfo);
    }
    if (State == gsRowSizing || State == gsColSizing) {
      ::SetCursor(CursorToHandle(State == gsRowSizing ? crVSplit : crHSplit));
      Message.Result = 1;
      return;
    }
  }
  TCustomControl::Dispatch(Message);
}

void TCustomGridEh::WMButtonDown(TMessage& Message) {
  TCustomControl::Dispatch(Message);
  if (FInplaceEdit) FInplaceEdit->SetClickTime(GetMessageTime());
  FMouseDownCell = MouseCoord(GetXLParam(Message.LParam), GetYLParam(Message.LParam));
}

void TCustomGridEh::WMButtonUp(TMessage& Message) {
  // A release (or a double click) on the cell pressed is a click on that cell.
  const bool Accept = CanCellMouseClick(Message);
  TCustomControl::Dispatch(Message);
  const Integer X = GetXLParam(Message.LParam), Y = GetYLParam(Message.LParam);
  const TGridCoord Cell = MouseCoord(X, Y);
  const bool Double = IsDoubleClick(Message.Msg);
  if (Double) FMouseDownCell = Cell;
  if (!Accept || Cell.X < 0 || Cell.Y < 0 || !(Cell == FMouseDownCell)) return;
  TShiftState Shift = KeysToShiftState(Message.WParam);
  if (Double) Shift = Shift + ssDouble;
  const TRect R = CellRect(Cell.X, Cell.Y);
  CellMouseClick(Cell, ButtonOfMessage(Message.Msg), Shift, X - R.Left, Y - R.Top);
}

void TCustomGridEh::WMCancelMode(TMessage& Message) {
  TCustomControl::Dispatch(Message);
  CancelMode();
}

void TCustomGridEh::CMCancelMode(TMessage& Message) {
  if (FInplaceEdit) FInplaceEdit->Perform(CM_CANCELMODE, Message.WParam, Message.LParam);
  TCustomControl::Dispatch(Message);
  CancelMode();
}

void TCustomGridEh::CMDesignHitTest(TMessage& Message) {
  Message.Result = Sizing(GetXLParam(Message.LParam), GetYLParam(Message.LParam)) ? -1 : 0;
}

void TCustomGridEh::CMMouseLeave(TMessage& Message) {
  TCustomControl::Dispatch(Message);
  const TPoint P = ScreenToClient(GetCursorPos());
  UpdateHotTrack(P.X, P.Y);
}
