// The month calendar as a drop-down, and the window settings the library's
// calendar and calculator popups share.
//
// Index of this file:
//   shared       owner window, window parameters, the border taken from the client
//                area, Visible following the window
//   calendar     construction and window, keys, mouse (press, release, wheel),
//                messages: one line per message, handled by the routines above
//
// Call flow of a pick with the mouse: the press lands on the platform calendar,
// which makes the date under it current (the popup remembers the calendar's view
// first); the release on the same date closes the popup through its owner's
// IPopupOwnerEh::CloseUp(true), and the owner reads Date.

#include <algorithm>

#include "editors/ToolCtrlsEh.h"
#include "platform/ui/GDI.h"

// ---- shared ----------------------------------------------------------------------------------------

HWND PopupOwnerWindowEh(TWinControl* Popup) {
  if (!Popup) return nullptr;
  TWinControl* host = Popup->GetParent() ? Popup->GetParent() : dynamic_cast<TWinControl*>(Popup->GetOwner());
  if (host && host->HandleAllocated()) return GetAncestorTop(host->GetHandle());
  return Popup->GetParentWindow() ? GetAncestorTop(Popup->GetParentWindow()) : nullptr;
}

void SetPopupWindowParamsEh(TCreateParams& Params, bool Ctl3D, HWND Owner) {
  Params.Style = (Params.Style & ~(WS_CHILD | WS_BORDER | WS_TABSTOP)) | WS_POPUP;
  if (!Ctl3D) Params.Style |= WS_BORDER;
  Params.ExStyle = (Params.ExStyle & ~WS_EX_CLIENTEDGE) | WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE;
  Params.WindowClass.style |= CS_SAVEBITS;
  Params.WndParent = Owner;
}

void ShrinkPopupClientEh(TMessage& Message, Integer BorderMargin) {
  if (!Message.LParam) return;
  TRect& r = reinterpret_cast<TNCCalcSizeParams*>(Message.LParam)->rgrc[0];
  InflateRect(r, -BorderMargin, -BorderMargin);
  r.Right = std::max(r.Right, r.Left);
  r.Bottom = std::max(r.Bottom, r.Top);
}

bool PopupVisibleAfterPosChangeEh(const TMessage& Message, bool Visible) {
  if (const auto* pos = reinterpret_cast<const TWindowPos*>(Message.LParam)) {
    if (pos->flags & SWP_SHOWWINDOW) return true;
    if (pos->flags & SWP_HIDEWINDOW) return false;
  }
  return Visible;
}

// ---- calendar --------------------------------------------------------------------------------------

TPopupMonthCalendarEh::TPopupMonthCalendarEh(TComponent* AOwner) : TMonthCalendar(AOwner) {
  FVisible = false;
  FTabStop = false;
  FCtl3D = true;
  FParentCtl3D = false;
  const TRect r = GetMinReqRect();
  SetBounds(0, 0, r.Width() + 2 * GetBorderMargin(), r.Height() + 2 * GetBorderMargin());
}

void TPopupMonthCalendarEh::CreateParams(TCreateParams& Params) {
  TMonthCalendar::CreateParams(Params);
  SetPopupWindowParamsEh(Params, GetCtl3D(), PopupOwnerWindowEh(this));
}

void TPopupMonthCalendarEh::CloseUp(bool Accept) {
  if (IPopupOwnerEh* owner = PopupOwnerOfEh(this)) owner->CloseUp(Accept);
}

void TPopupMonthCalendarEh::DrawBorder() {
  if (!FHandle || GetBorderMargin() == 0) return;
  HDC dc = GetWindowDC(FHandle);
  TRect r = GetClientRectInWindow(FHandle);
  InflateRect(r, GetBorderMargin(), GetBorderMargin());
  DrawEdge(dc, r, BDR_RAISEDOUTER | BDR_RAISEDINNER, BF_RECT);
  ReleaseDC(FHandle, dc);
}

void TPopupMonthCalendarEh::KeyDown(Word& Key, TShiftState Shift) {
  switch (Key) {
    case VK_RETURN:
      Key = 0;
      CloseUp(true);
      return;
    case VK_ESCAPE:
      Key = 0;
      CloseUp(false);
      return;
    default: TMonthCalendar::KeyDown(Key, Shift);
  }
}

bool TPopupMonthCalendarEh::HandleMouseDown(const TMessage& Message) {
  FMouseDownView = GetCurrentView();
  const TPoint p(GetXLParam(Message.LParam), GetYLParam(Message.LParam));
  if (GetClientRect().Contains(p)) return false;
  // Only a popup holding the mouse hears a press beside it: the user clicked away.
  if (GetCaptureControl() == this) SetCaptureControl(nullptr);
  CloseUp(false);
  return true;
}

bool TPopupMonthCalendarEh::HitPicks(UINT Hit) {
  if (Hit == MCHT_CALENDARDAY || Hit == MCHT_TITLEBTNNEXT || Hit == MCHT_TITLEBTNPREV) return false;
  // The title background and nowhere carry neither bit, nor does the year title.
  return (Hit & (MCHT_CALENDAR | MCHT_CALENDARDATE)) != 0;
}

void TPopupMonthCalendarEh::MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  TMonthCalendar::MouseUp(Button, Shift, X, Y);
  if (Button != mbLeft || !GetClientRect().Contains(TPoint(X, Y))) return;
  TMCHitTestInfo info;
  info.pt = TPoint(X, Y);
  // A release after the press opened another view (a year or decade) only browses.
  if (HitPicks(HitTest(info)) && FMouseDownView == MCMV_MONTH) CloseUp(true);
}

bool TPopupMonthCalendarEh::DoMouseWheelDown(TShiftState Shift, TPoint MousePos) {
  if (!TMonthCalendar::DoMouseWheelDown(Shift, MousePos)) ChangeDate(GetDate() + 1);
  return true;
}

bool TPopupMonthCalendarEh::DoMouseWheelUp(TShiftState Shift, TPoint MousePos) {
  if (!TMonthCalendar::DoMouseWheelUp(Shift, MousePos)) ChangeDate(GetDate() - 1);
  return true;
}

void TPopupMonthCalendarEh::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_MOUSEACTIVATE: Message.Result = MA_NOACTIVATE; return;
    case WM_GETDLGCODE: Message.Result = DLGC_WANTARROWS | DLGC_WANTTAB | DLGC_WANTALLKEYS; return;
    case CM_WANTSPECIALKEY: Message.Result = Message.WParam == VK_RETURN || Message.WParam == VK_ESCAPE ? 1 : 0; return;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
      if (HandleMouseDown(Message)) return;
      break;
    case WM_KILLFOCUS:
      if (HWND to = HwndFromParam(Message.WParam); !to || !IsChild(FHandle, to))
        PostMessage(FHandle, WM_CLOSEUPNOACCEPT, 0, 0);
      break;
    case WM_CLOSEUPNOACCEPT: CloseUp(false); return;
    case WM_NCCALCSIZE:
      TMonthCalendar::Dispatch(Message);
      ShrinkPopupClientEh(Message, GetBorderMargin());
      return;
    case WM_NCPAINT:
      TMonthCalendar::Dispatch(Message);
      DrawBorder();
      return;
    case WM_WINDOWPOSCHANGED: FVisible = PopupVisibleAfterPosChangeEh(Message, FVisible); break;
    case CM_CTL3DCHANGED:
      TMonthCalendar::Dispatch(Message);
      if (HandleAllocated()) RecreateWnd();
      return;
    default: break;
  }
  TMonthCalendar::Dispatch(Message);
}
