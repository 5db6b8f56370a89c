// The built-in backend and the conversion of display input into queued messages.

#include "platform/ui/Display.h"

#include <chrono>
#include <cstdlib>
#include <thread>

#include "platform/ui/WindowSystem.h"

using namespace uiwin;

namespace {

// No screen: a real clock, one monitor, no input. Waiting sleeps until a timer is due.
class TBuiltinBackend final : public TDisplayBackend {
public:
  UInt64 Now() override {
    using namespace std::chrono;
    return UInt64(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
  }
  std::vector<TDisplayMonitor> Monitors() override { return {{TRect(0, 0, 1280, 1024), TRect(0, 0, 1280, 984)}}; }
  void Wait(UInt64 TimeoutMs) override {
    std::this_thread::sleep_for(std::chrono::milliseconds(std::min<UInt64>(TimeoutMs, 50)));
  }
};

TDisplayBackend* CurrentBackend = nullptr;

TBuiltinBackend& Builtin() {
  static TBuiltinBackend b;
  return b;
}

TWindowSystem& Sys() { return TWindowSystem::Get(); }

Word ButtonKey(TMouseButton b) { return b == mbLeft ? VK_LBUTTON : b == mbRight ? VK_RBUTTON : VK_MBUTTON; }

UINT ClientMessage(TMouseAction a, TMouseButton b, bool dbl) {
  if (a == TMouseAction::Move) return WM_MOUSEMOVE;
  UINT base = b == mbLeft ? WM_LBUTTONDOWN : b == mbRight ? WM_RBUTTONDOWN : WM_MBUTTONDOWN;
  if (a == TMouseAction::Up) return base + 1;
  return dbl ? base + 2 : base;
}

UINT NonClientMessage(TMouseAction a, TMouseButton b, bool dbl) {
  if (a == TMouseAction::Move) return WM_NCMOUSEMOVE;
  UINT base = b == mbLeft ? WM_NCLBUTTONDOWN : b == mbRight ? WM_NCRBUTTONDOWN : WM_NCLBUTTONDOWN + 6;
  if (a == TMouseAction::Up) return base + 1;
  return dbl ? base + 2 : base;
}

}  // namespace

void BringModalForward(HWND Disabled) {
  HWND top = GetAncestorTop(Disabled);
  if (!top || IsWindowEnabled(top)) return;
  HWND modal = GetEnabledPopup(top);
  if (!modal) {
    // A modal window that its owner chain does not lead to: the active one.
    HWND active = GetActiveWindow();
    if (active && active != top && IsWindowVisible(active) && IsWindowEnabled(active)) modal = active;
  }
  if (!modal) return;
  if (GetActiveWindow() != modal) SetActiveWindow(modal);
  // Already active in here, yet the display may show it behind the window clicked.
  else GetDisplayBackend().WindowActivated(modal);
}

void SetDisplayBackend(TDisplayBackend* Backend) { CurrentBackend = Backend; }

TDisplayBackend& GetDisplayBackend() { return CurrentBackend ? *CurrentBackend : Builtin(); }

namespace {

void CookMouse(TMouseAction Action, TMouseButton Button, TPoint ScreenPoint, Integer WheelDelta) {
  TWindowSystem& s = Sys();
  s.CursorPos = ScreenPoint;
  if (Action == TMouseAction::Down) SetKeyDown(ButtonKey(Button), true);
  if (Action == TMouseAction::Up) SetKeyDown(ButtonKey(Button), false);

  if (Action == TMouseAction::Wheel) {
    HWND target = s.Focus ? s.Focus : s.Active;
    if (!target) target = WindowFromPoint(ScreenPoint);
    if (target)
      QueueMessage(target, WM_MOUSEWHEEL, MakeWParam(Integer(CurrentMouseKeys()), WheelDelta),
                   MakeLParam(ScreenPoint.X, ScreenPoint.Y));
    return;
  }

  HWND target = s.Capture;
  LRESULT hit = HTCLIENT;
  if (!target) {
    target = WindowFromPoint(ScreenPoint);
    if (!target) return;
    hit = SendMessage(target, WM_NCHITTEST, 0, MakeLParam(ScreenPoint.X, ScreenPoint.Y));
    // A transparent part hands the mouse to the parent.
    while (hit == HTTRANSPARENT && GetParent(target) && (GetWindowStyle(target) & WS_CHILD)) {
      target = GetParent(target);
      hit = SendMessage(target, WM_NCHITTEST, 0, MakeLParam(ScreenPoint.X, ScreenPoint.Y));
    }
    if (hit == HTNOWHERE || hit == HTERROR) return;
    if (!IsWindowEnabled(target)) {
      if (Action == TMouseAction::Down) BringModalForward(target);
      return;
    }
  }

  if (Action == TMouseAction::Down && !s.Capture) {
    HWND top = GetAncestorTop(target);
    if (top && top != s.Active) {
      LRESULT ma = SendMessage(target, WM_MOUSEACTIVATE, HwndToParam(top),
                               MakeLParam(Integer(hit), Integer(ClientMessage(Action, Button, false))));
      if (ma == MA_ACTIVATE || ma == MA_ACTIVATEANDEAT) SetActiveWindow(top);
      if (ma == MA_ACTIVATEANDEAT || ma == MA_NOACTIVATEANDEAT) return;
      if (!IsWindow(target)) return;
    }
  }

  bool dbl = false;
  if (Action == TMouseAction::Down) {
    DWORD now = s.CookTime;  // when the button went down, however late it is aimed
    TClickState& last = s.LastClick;
    Integer cx = GetSystemMetrics(SM_CXDOUBLECLK), cy = GetSystemMetrics(SM_CYDOUBLECLK);
    bool wantsDbl = hit != HTCLIENT || (GetClassStyle(target) & CS_DBLCLKS);
    if (last.Valid && last.Wnd == target && last.Button == Button && now - last.Time <= GetDoubleClickTime() &&
        std::abs(ScreenPoint.X - last.Pos.X) <= cx / 2 && std::abs(ScreenPoint.Y - last.Pos.Y) <= cy / 2 && wantsDbl) {
      dbl = true;
      last = TClickState();  // a third press starts a new pair
    } else {
      last = TClickState{target, Button, now, ScreenPoint, true};
    }
  }

  if (hit == HTCLIENT) {
    TPoint p = ScreenPoint;
    ScreenToClient(target, p);
    QueueMessage(target, ClientMessage(Action, Button, dbl), CurrentMouseKeys(), MakeLParam(p.X, p.Y));
  } else {
    QueueMessage(target, NonClientMessage(Action, Button, dbl), WPARAM(hit), MakeLParam(ScreenPoint.X, ScreenPoint.Y));
  }
}

// The window keys go to: the focus, else the active window; none while that
// window's top-level window is disabled, which takes keys no more than presses.
HWND KeyTarget() {
  TWindowSystem& s = Sys();
  HWND target = s.Focus ? s.Focus : s.Active;
  return target && IsWindowEnabled(GetAncestorTop(target)) ? target : nullptr;
}

void CookKey(Word VirtKey, bool Down) {
  bool wasDown = GetKeyState(VirtKey) < 0;
  SetKeyDown(VirtKey, Down);
  HWND target = KeyTarget();
  if (!target) return;
  bool alt = GetKeyState(VK_MENU) < 0;
  bool sys = (alt && GetKeyState(VK_CONTROL) >= 0) || VirtKey == VK_F10 || VirtKey == VK_MENU;
  LPARAM lp = 1;
  if (alt) lp |= KF_ALTDOWN_LPARAM;
  if (wasDown) lp |= LPARAM(1) << 30;
  if (!Down) lp |= (LPARAM(1) << 30) | (LPARAM(1) << 31);
  UINT msg = Down ? (sys ? WM_SYSKEYDOWN : WM_KEYDOWN) : (sys ? WM_SYSKEYUP : WM_KEYUP);
  QueueMessage(target, msg, VirtKey, lp);
}

void CookChar(Char Ch) {
  if (HWND target = KeyTarget()) QueueMessage(target, WM_CHAR, Ch, 1);
}

void CookCloseRequest(HWND Wnd) {
  if (!IsWindow(Wnd)) return;
  if (!IsWindowEnabled(Wnd)) {
    BringModalForward(Wnd);
    return;
  }
  QueueMessage(Wnd, WM_SYSCOMMAND, SC_CLOSE, 0);
}

}  // namespace

// Input is aimed (a window under the mouse, the focus, the key state) when the
// queue reaches it, not when the display delivers it: see PeekMessage.
void InjectMouse(TMouseAction Action, TMouseButton Button, TPoint ScreenPoint, Integer WheelDelta) {
  QueueRawInput([=] { CookMouse(Action, Button, ScreenPoint, WheelDelta); });
}

void InjectKey(Word VirtKey, bool Down) {
  QueueRawInput([=] { CookKey(VirtKey, Down); });
}

void InjectChar(Char Ch) {
  QueueRawInput([=] { CookChar(Ch); });
}

void InjectCloseRequest(HWND Wnd) {
  QueueRawInput([=] { CookCloseRequest(Wnd); });
}

void InjectMouseLeave() {
  QueueRawInput([] { Sys().CursorPos = TPoint(-32000, -32000); });
}

void InjectDisplayChange(std::function<void()> Change) { QueueRawInput(std::move(Change)); }
