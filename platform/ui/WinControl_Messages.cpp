// The window messages of TWinControl: WndProc filters (focus bookkeeping, the
// mouse routed to graphic children), Dispatch is a list of one-line calls, and
// each message has its handler below it, in Dispatch's order. A message no
// handler takes goes on to TControl.

#include <cstdint>

#include "platform/ui/Controls.h"
#include "platform/ui/Forms.h"

void TWinControl::WndProc(TMessage& Message) {
  switch (Message.Msg) {
    case WM_SETFOCUS: {
      TCustomForm* form = GetParentForm(this);
      if (form && !form->SetFocusedControl(this)) return;
      break;
    }
    case WM_KILLFOCUS:
      if (FControlState.Contains(csFocusing)) return;
      break;
    case WM_CANCELMODE:
      if (TControl* cap = GetCaptureControl(); cap && cap != this && cap->GetParent() == this)
        cap->Perform(WM_CANCELMODE);
      break;
    default:
      if (Message.Msg >= WM_MOUSEFIRST && Message.Msg <= WM_MOUSELAST && Message.Msg != WM_MOUSEWHEEL &&
          Message.Msg != WM_MOUSEHWHEEL && RouteMouseToGraphicChild(Message))
        return;
      break;
  }
  TControl::WndProc(Message);
}

bool TWinControl::RouteMouseToGraphicChild(TMessage& Message) {
  // A graphic child under the mouse (or holding it) gets the message in its own coordinates.
  TControl* target = nullptr;
  TControl* cap = GetCaptureControl();
  if (cap && cap->GetParent() == this && !dynamic_cast<TWinControl*>(cap)) target = cap;
  else if (!cap || cap != this)
    target = ControlAtPos(TPoint(GetXLParam(Message.LParam), GetYLParam(Message.LParam)), false);
  if (!target) return false;
  TMessage m = Message;
  m.LParam = MakeLParam(GetXLParam(Message.LParam) - target->GetLeft(), GetYLParam(Message.LParam) - target->GetTop());
  target->Perform(m.Msg, m.WParam, m.LParam);
  Message.Result = m.Result;
  return true;
}

void TWinControl::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_PAINT: return PaintHandler(Message);
    case WM_ERASEBKGND: return WMEraseBkgnd(Message);
    case WM_SIZE: return WMSize(Message);
    case WM_MOVE: return WMMove(Message);
    case WM_SETCURSOR: return WMSetCursor(Message);
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: return WMKeyDown(Message);
    case WM_KEYUP:
    case WM_SYSKEYUP: return WMKeyUp(Message);
    case WM_CHAR: return WMChar(Message);
    case CN_KEYDOWN:
    case CN_SYSKEYDOWN: return CNKeyDown(Message);
    case CN_CHAR: return CNChar(Message);
    case CM_CHILDKEY: return CMChildKey(Message);
    case CN_SYSCHAR: return CNSysChar(Message);
    case CM_DIALOGKEY:
    case CM_DIALOGCHAR: return Broadcast(Message);
    case CM_ENTER: return DoEnter();
    case CM_EXIT: return DoExit();
    case WM_MOUSEWHEEL: return WMMouseWheel(Message);
    case CM_COLORCHANGED: return CMColorChanged(Message);
    case CM_FONTCHANGED: return CMFontChanged(Message);
    case CM_SHOWHINTCHANGED: return NotifyControls(CM_PARENTSHOWHINTCHANGED);
    case CM_CTL3DCHANGED: return CMCtl3DChanged(Message);
    case CM_PARENTCTL3DCHANGED: return CMParentCtl3DChanged(Message);
    case CM_BIDIMODECHANGED: return CMBiDiModeChanged(Message);
    case CM_ENABLEDCHANGED: return CMEnabledChanged(Message);
    case CM_VISIBLECHANGED: return UpdateShowing();
    case CM_RECREATEWND: return RecreateWnd();
    case WM_NCDESTROY: return WMNCDestroy(Message);
    case WM_NCCALCSIZE: return WMNCCalcSize(Message);
    case WM_NCPAINT: return WMNCPaint(Message);
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSTATIC: return ReflectToChild(Message);
    default: return TControl::Dispatch(Message);
  }
}

void TWinControl::WMEraseBkgnd(TMessage& Message) {
  HDC dc = reinterpret_cast<HDC>(Message.WParam);
  if (dc) FillRect(dc, GetClientRect(), FBrush->GetHandle());
  Message.Result = 1;
}

void TWinControl::WMSize(TMessage& Message) {
  UpdateBounds();
  DefaultHandler(Message);
  Realign();
  if (!FControlState.Contains(csCreating)) Resize();
}

void TWinControl::WMMove(TMessage& Message) {
  UpdateBounds();
  DefaultHandler(Message);
}

void TWinControl::WMSetCursor(TMessage& Message) {
  // Over the client area: the screen's cursor, else the child's under the mouse, else this control's.
  if (HwndFromParam(Message.WParam) == FHandle &&
      Integer(std::int16_t(LoWord(std::uintptr_t(Message.LParam)))) == HTCLIENT) {
    TCursor cur = Screen->GetCursor();
    if (cur == crDefault) {
      TControl* c = ControlAtPos(ScreenToClient(GetCursorPos()), false);
      cur = c ? c->GetCursor() : crDefault;
      if (cur == crDefault) cur = FCursor;
    }
    if (cur != crDefault) {
      ::SetCursor(CursorToHandle(cur));
      Message.Result = 1;
      return;
    }
  }
  DefaultHandler(Message);
}

void TWinControl::WMKeyDown(TMessage& Message) {
  if (!DoKeyDown(Message)) DefaultHandler(Message);
}

void TWinControl::WMKeyUp(TMessage& Message) {
  if (!DoKeyUp(Message)) DefaultHandler(Message);
}

void TWinControl::WMChar(TMessage& Message) {
  if (!DoKeyPress(Message)) DefaultHandler(Message);
}

namespace {

// The dialog code a control returns when it wants Key itself; 0 for keys no dialog takes.
WPARAM DialogCodeForKey(WPARAM Key) {
  switch (Key) {
    case VK_TAB: return DLGC_WANTTAB;
    case VK_LEFT:
    case VK_RIGHT:
    case VK_UP:
    case VK_DOWN: return DLGC_WANTARROWS;
    case VK_RETURN:
    case VK_ESCAPE:
    case VK_CANCEL: return DLGC_WANTALLKEYS;
    default: return 0;
  }
}

}  // namespace

void TWinControl::CNKeyDown(TMessage& Message) {
  Message.Result = 1;
  // The control and the controls it stands on may take the key first.
  if (Perform(CM_CHILDKEY, Message.WParam, reinterpret_cast<LPARAM>(this)) != 0) return;
  // A dialog key the control does not want goes to the form (Tab, arrows, Enter, Esc).
  const WPARAM mask = DialogCodeForKey(Message.WParam);
  TCustomForm* form = GetParentForm(this);
  if (mask && Perform(CM_WANTSPECIALKEY, Message.WParam, Message.LParam) == 0 &&
      (WPARAM(Perform(WM_GETDLGCODE)) & mask) == 0 && form &&
      form->Perform(CM_DIALOGKEY, Message.WParam, Message.LParam) != 0)
    return;
  Message.Result = 0;
}

void TWinControl::CMChildKey(TMessage& Message) {
  if (FParent) Message.Result = FParent->Perform(CM_CHILDKEY, Message.WParam, Message.LParam);
}

void TWinControl::CNChar(TMessage& Message) {
  Message.Result = 1;
  TCustomForm* form = GetParentForm(this);
  if ((Perform(WM_GETDLGCODE) & DLGC_WANTCHARS) == 0 && form &&
      form->Perform(CM_DIALOGCHAR, Message.WParam, Message.LParam) != 0)
    return;
  Message.Result = 0;
}

void TWinControl::CNSysChar(TMessage& Message) {
  // Alt with a character: an accelerator somewhere on the form.
  if (Message.WParam == VK_SPACE) return;
  if (TCustomForm* form = GetParentForm(this))
    Message.Result = form->Perform(CM_DIALOGCHAR, Message.WParam, Message.LParam);
}

void TWinControl::WMMouseWheel(TMessage& Message) {
  Message.Result = Perform(CM_MOUSEWHEEL, Message.WParam, Message.LParam);
  if (Message.Result == 0) DefaultHandler(Message);
}

void TWinControl::CMColorChanged(TMessage&) {
  FBrush->SetColor(FColor);
  Invalidate();
  NotifyControls(CM_PARENTCOLORCHANGED);
}

void TWinControl::CMFontChanged(TMessage&) {
  Invalidate();
  NotifyControls(CM_PARENTFONTCHANGED);
}

void TWinControl::CMBiDiModeChanged(TMessage&) {
  // The window's styles carry the mode: a new window takes them.
  if (FHandle) RecreateWnd();
  Invalidate();
  NotifyControls(CM_PARENTBIDIMODECHANGED);
}

void TWinControl::CMCtl3DChanged(TMessage&) {
  if (FHandle) RecreateWnd();
  NotifyControls(CM_PARENTCTL3DCHANGED);
}

void TWinControl::CMParentCtl3DChanged(TMessage&) {
  if (FParentCtl3D && FParent && FParent->GetCtl3D() != FCtl3D) {
    FCtl3D = FParent->GetCtl3D();
    Perform(CM_CTL3DCHANGED);
  }
}

void TWinControl::CMEnabledChanged(TMessage&) {
  if (FHandle) EnableWindow(FHandle, FEnabled);
  Invalidate();
}

void TWinControl::WMNCDestroy(TMessage& Message) {
  DefaultHandler(Message);
  FHandle = nullptr;
}

void TWinControl::WMNCCalcSize(TMessage& Message) {
  DefaultHandler(Message);
  if (FBorderWidth <= 0 || !Message.LParam) return;
  TRect& r = reinterpret_cast<TNCCalcSizeParams*>(Message.LParam)->rgrc[0];
  InflateRect(r, -FBorderWidth, -FBorderWidth);
  if (r.Right < r.Left) r.Right = r.Left;
  if (r.Bottom < r.Top) r.Bottom = r.Top;
}

void TWinControl::WMNCPaint(TMessage& Message) {
  DefaultHandler(Message);
  if (FBorderWidth <= 0 || !FHandle) return;
  // The frame between the border and the client area, in the control's colour.
  HDC dc = GetWindowDC(FHandle);
  TRect client = GetClientRectInWindow(FHandle);
  TRect outer = client;
  InflateRect(outer, FBorderWidth, FBorderWidth);
  HBRUSH b = FBrush->GetHandle();
  FillRect(dc, TRect(outer.Left, outer.Top, outer.Right, client.Top), b);
  FillRect(dc, TRect(outer.Left, client.Bottom, outer.Right, outer.Bottom), b);
  FillRect(dc, TRect(outer.Left, client.Top, client.Left, client.Bottom), b);
  FillRect(dc, TRect(client.Right, client.Top, outer.Right, client.Bottom), b);
  ReleaseDC(FHandle, dc);
}

void TWinControl::ReflectToChild(TMessage& Message) {
  // A notification from a child window is reflected back to that control.
  if (Message.LParam) {
    HWND from = HwndFromParam(std::uintptr_t(Message.LParam));
    if (from != FHandle && FindControl(from)) {
      Message.Result = SendMessage(from, CN_BASE + Message.Msg, Message.WParam, Message.LParam);
      return;
    }
  }
  DefaultHandler(Message);
}

void TWinControl::DefaultHandler(TMessage& Message) {
  if (FHandle) {
    if (Message.Msg == WM_PAINT && Message.WParam) return;  // painting into a given DC: nothing by default
    Message.Result = DefWindowProc(FHandle, Message.Msg, Message.WParam, Message.LParam);
    return;
  }
  TControl::DefaultHandler(Message);
}
