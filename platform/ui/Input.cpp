// Focus, activation, capture, key state, cursors, caret, metrics and monitors.

#include "platform/ui/Input.h"

#include <algorithm>
#include <climits>

#include "platform/ui/WindowSystem.h"

using namespace uiwin;

namespace {

TWindowSystem& Sys() { return TWindowSystem::Get(); }

bool CanActivate(TWindowRec* top) { return top && !(top->ExStyle & WS_EX_NOACTIVATE) && !(top->Style & WS_DISABLED); }

void InvalidateCaret() {
  TCaretState& c = Sys().Caret;
  if (!Sys().CaretExists || !IsWindow(c.Wnd)) return;
  TRect r = Bounds(c.Pos.X, c.Pos.Y, c.Width, c.Height);
  InvalidateRect(c.Wnd, &r, false);
}

}  // namespace

// ---- Focus, activation, capture --------------------------------------------------------

HWND SetFocus(HWND Wnd) {
  TWindowSystem& s = Sys();
  HWND old = s.Focus;
  if (Wnd && !IsWindow(Wnd)) return nullptr;
  if (Wnd == old) return old;
  if (Wnd) {
    if (!IsWindowEnabled(Wnd)) return nullptr;
    TWindowRec* top = TopOf(s.Find(Wnd));
    if (top && top->Handle != s.Active && CanActivate(top)) {
      SetActiveWindow(top->Handle);
      // Activation may have moved the focus already, or refused it.
      if (s.Focus == Wnd) return old;
      if (!IsWindow(Wnd)) return nullptr;
      old = s.Focus;
    }
  }
  if (old) {
    SendMessage(old, WM_KILLFOCUS, HwndToParam(Wnd), 0);
    // The handler moved the focus elsewhere itself: that move stands.
    if (s.Focus != old) return old;
  }
  s.Focus = Wnd && IsWindow(Wnd) ? Wnd : nullptr;
  if (s.Focus) SendMessage(s.Focus, WM_SETFOCUS, HwndToParam(IsWindow(old) ? old : nullptr), 0);
  return old;
}

HWND GetFocus() { return Sys().Focus; }

HWND SetActiveWindow(HWND Wnd) {
  TWindowSystem& s = Sys();
  HWND old = s.Active;
  if (Wnd) {
    TWindowRec* top = TopOf(s.Find(Wnd));
    if (!top) return nullptr;
    Wnd = top->Handle;
  }
  if (Wnd == old) return old;
  if (old && IsWindow(old)) {
    SendMessage(old, WM_NCACTIVATE, 0, 0);
    SendMessage(old, WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(Wnd));
    if (s.Active != old) return old;  // the handler activated another window
  }
  s.Active = Wnd;
  if (Wnd) {
    // The focus leaves a window that is no longer active.
    if (s.Focus && GetAncestorTop(s.Focus) != Wnd) {
      HWND f = s.Focus;
      SendMessage(f, WM_KILLFOCUS, 0, 0);
      if (s.Focus == f) s.Focus = nullptr;
    }
    GetDisplayBackend().WindowActivated(Wnd);
    SendMessage(Wnd, WM_NCACTIVATE, 1, 0);
    SendMessage(Wnd, WM_ACTIVATE, WA_ACTIVE, reinterpret_cast<LPARAM>(old));
  }
  return old;
}

HWND GetActiveWindow() { return Sys().Active; }
HWND GetForegroundWindow() { return Sys().Active; }
bool SetForegroundWindow(HWND Wnd) { return SetActiveWindow(Wnd) != Wnd || GetActiveWindow() == Wnd; }

HWND SetCapture(HWND Wnd) {
  TWindowSystem& s = Sys();
  HWND old = s.Capture;
  if (Wnd && !IsWindow(Wnd)) return old;
  if (old == Wnd) return old;
  s.Capture = Wnd;
  if (old && IsWindow(old)) SendMessage(old, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(Wnd));
  return old;
}

bool ReleaseCapture() {
  TWindowSystem& s = Sys();
  HWND old = s.Capture;
  if (!old) return true;
  s.Capture = nullptr;
  if (IsWindow(old)) SendMessage(old, WM_CAPTURECHANGED, 0, 0);
  return true;
}

HWND GetCapture() { return Sys().Capture; }

// ---- Key state -------------------------------------------------------------------------------

Smallint GetKeyState(Integer VirtKey) {
  if (VirtKey < 0 || VirtKey > 255) return 0;
  Byte b = Sys().KeyState[VirtKey];
  return Smallint(((b & 0x80) ? 0x8000 : 0) | (b & 1));
}

Smallint GetAsyncKeyState(Integer VirtKey) { return Smallint(GetKeyState(VirtKey) & 0x8000); }

void SetKeyDown(Integer VirtKey, bool Down) {
  if (VirtKey < 0 || VirtKey > 255) return;
  Byte& b = Sys().KeyState[VirtKey];
  if (Down && !(b & 0x80)) b ^= 1;  // toggles on each press
  b = Byte(Down ? (b | 0x80) : (b & ~0x80));
  // The side-specific keys drive the generic ones.
  auto generic = [&](Integer l, Integer r, Integer g) {
    if (VirtKey == l || VirtKey == r) {
      bool any = (Sys().KeyState[l] & 0x80) || (Sys().KeyState[r] & 0x80);
      Byte& gb = Sys().KeyState[g];
      gb = Byte(any ? (gb | 0x80) : (gb & ~0x80));
    }
  };
  generic(VK_LSHIFT, VK_RSHIFT, VK_SHIFT);
  generic(VK_LCONTROL, VK_RCONTROL, VK_CONTROL);
  generic(VK_LMENU, VK_RMENU, VK_MENU);
}

void ClearKeyState() { std::fill(std::begin(Sys().KeyState), std::end(Sys().KeyState), Byte(0)); }

WPARAM CurrentMouseKeys() {
  WPARAM k = 0;
  if (GetKeyState(VK_LBUTTON) < 0) k |= MK_LBUTTON;
  if (GetKeyState(VK_RBUTTON) < 0) k |= MK_RBUTTON;
  if (GetKeyState(VK_MBUTTON) < 0) k |= MK_MBUTTON;
  if (GetKeyState(VK_SHIFT) < 0) k |= MK_SHIFT;
  if (GetKeyState(VK_CONTROL) < 0) k |= MK_CONTROL;
  return k;
}

// ---- Cursor --------------------------------------------------------------------------------------

bool GetCursorPos(TPoint& Point) {
  Point = Sys().CursorPos;
  return true;
}

TPoint GetCursorPos() { return Sys().CursorPos; }

bool SetCursorPos(Integer X, Integer Y) {
  Sys().CursorPos = TPoint(X, Y);
  return true;
}

HCURSOR LoadCursor(HCURSOR Id) { return Id; }

HCURSOR CreateCursorFromImage(Integer Width, Integer Height, const std::vector<std::uint32_t>& Pixels, TPoint HotSpot) {
  if (Width <= 0 || Height <= 0 || Pixels.size() != size_t(Width) * size_t(Height)) return 0;
  HCURSOR id = Sys().NextCursor++;
  Sys().CursorImages[id] = TCursorImage{Width, Height, HotSpot, Pixels};
  return id;
}

const TCursorImage* GetCursorImage(HCURSOR Cursor) {
  auto it = Sys().CursorImages.find(Cursor);
  return it == Sys().CursorImages.end() ? nullptr : &it->second;
}

bool DestroyCursor(HCURSOR Cursor) {
  if (Sys().Cursor == Cursor) SetCursor(IDC_ARROW);
  return Sys().CursorImages.erase(Cursor) > 0;
}

HCURSOR SetCursor(HCURSOR Cursor) {
  HCURSOR old = Sys().Cursor;
  if (old != Cursor) {
    Sys().Cursor = Cursor;
    GetDisplayBackend().CursorChanged(Cursor);
  }
  return old;
}

HCURSOR GetCursor() { return Sys().Cursor; }

// ---- Caret ----------------------------------------------------------------------------------------

bool CreateCaret(HWND Wnd, Integer Width, Integer Height) {
  if (!IsWindow(Wnd)) return false;
  DestroyCaret();
  TCaretState& c = Sys().Caret;
  c = TCaretState();
  c.Wnd = Wnd;
  c.Width = Width > 0 ? Width : GetSystemMetrics(SM_CXBORDER);
  c.Height = Height > 0 ? Height : 16;
  Sys().CaretExists = true;
  return true;
}

bool DestroyCaret() {
  if (!Sys().CaretExists) return false;
  InvalidateCaret();
  Sys().CaretExists = false;
  Sys().Caret = TCaretState();
  return true;
}

bool ShowCaret(HWND Wnd) {
  TCaretState& c = Sys().Caret;
  if (!Sys().CaretExists || (Wnd && Wnd != c.Wnd)) return false;
  if (c.HideCount > 0) --c.HideCount;
  InvalidateCaret();
  return true;
}

bool HideCaret(HWND Wnd) {
  TCaretState& c = Sys().Caret;
  if (!Sys().CaretExists || (Wnd && Wnd != c.Wnd)) return false;
  ++c.HideCount;
  InvalidateCaret();
  return true;
}

bool SetCaretPos(Integer X, Integer Y) {
  if (!Sys().CaretExists) return false;
  InvalidateCaret();
  Sys().Caret.Pos = TPoint(X, Y);
  InvalidateCaret();
  return true;
}

bool GetCaretPos(TPoint& Point) {
  if (!Sys().CaretExists) return false;
  Point = Sys().Caret.Pos;
  return true;
}

TCaretInfo GetCaretInfo() {
  TCaretInfo info;
  if (!Sys().CaretExists) return info;
  const TCaretState& c = Sys().Caret;
  info.Wnd = c.Wnd;
  info.Rect = Bounds(c.Pos.X, c.Pos.Y, c.Width, c.Height);
  info.Visible = c.HideCount == 0 && IsWindowVisible(c.Wnd);
  return info;
}

// ---- Double clicks, beeps, metrics ---------------------------------------------------------

UINT GetDoubleClickTime() { return Sys().DoubleClickTime; }

bool SetDoubleClickTime(UINT Interval) {
  Sys().DoubleClickTime = Interval ? Interval : 500;
  return true;
}

bool MessageBeep(UINT) {
  ++Sys().Beeps;
  GetDisplayBackend().Beep();
  return true;
}

Integer GetMessageBeepCount() { return Sys().Beeps; }

Integer GetSystemMetrics(Integer Index) {
  TDisplayMonitor primary;
  auto mons = GetDisplayBackend().Monitors();
  if (!mons.empty()) primary = mons.front();
  switch (Index) {
    case SM_CXSCREEN: return primary.Bounds.Width();
    case SM_CYSCREEN: return primary.Bounds.Height();
    case SM_CXFULLSCREEN: return primary.WorkArea.Width();
    case SM_CYFULLSCREEN: return primary.WorkArea.Height();
    case SM_CXVSCROLL:
    case SM_CYHSCROLL:
    case SM_CYVSCROLL:
    case SM_CXHSCROLL:
    case SM_CYVTHUMB:
    case SM_CXHTHUMB: return 17;
    case SM_CYCAPTION: return 18;
    case SM_CXBORDER:
    case SM_CYBORDER: return 1;
    case SM_CXDLGFRAME:
    case SM_CYDLGFRAME: return 3;
    case SM_CXFRAME:
    case SM_CYFRAME: return 4;
    case SM_CXEDGE:
    case SM_CYEDGE: return 2;
    case SM_CXICON:
    case SM_CYICON:
    case SM_CXCURSOR:
    case SM_CYCURSOR: return 32;
    case SM_CXSMICON:
    case SM_CYSMICON: return 16;
    case SM_CYMENU: return 19;
    case SM_CXMIN: return 112;
    case SM_CYMIN: return 27;
    case SM_CXDOUBLECLK:
    case SM_CYDOUBLECLK: return 4;
    case SM_CXDRAG:
    case SM_CYDRAG: return 4;
    case SM_SWAPBUTTON: return 0;
    case SM_MOUSEWHEELPRESENT: return 1;
    case SM_CMONITORS: return Integer(mons.size());
    case SM_CXVIRTUALSCREEN:
    case SM_CYVIRTUALSCREEN: {
      TRect all;
      for (const auto& m : mons) UnionRect(all, all, m.Bounds);
      return Index == SM_CXVIRTUALSCREEN ? all.Width() : all.Height();
    }
  }
  return 0;
}

// ---- Monitors ----------------------------------------------------------------------------------
// A monitor handle is its index + 1.

namespace {

HMONITOR ToHandle(size_t i) { return reinterpret_cast<HMONITOR>(i + 1); }

Int64 DistanceSq(const TRect& r, TPoint p) {
  Int64 dx = p.X < r.Left ? r.Left - p.X : (p.X >= r.Right ? p.X - r.Right + 1 : 0);
  Int64 dy = p.Y < r.Top ? r.Top - p.Y : (p.Y >= r.Bottom ? p.Y - r.Bottom + 1 : 0);
  return dx * dx + dy * dy;
}

}  // namespace

HMONITOR MonitorFromRect(const TRect& Rect, DWORD Flags) {
  auto mons = GetDisplayBackend().Monitors();
  if (mons.empty()) return nullptr;
  // The monitor with the largest share of the rectangle.
  Int64 bestArea = 0;
  size_t best = 0;
  bool found = false;
  for (size_t i = 0; i < mons.size(); ++i) {
    TRect hit;
    if (IntersectRect(hit, Rect, mons[i].Bounds)) {
      Int64 a = Int64(hit.Width()) * hit.Height();
      if (!found || a > bestArea) bestArea = a, best = i, found = true;
    }
  }
  if (found) return ToHandle(best);
  if (Flags == MONITOR_DEFAULTTONULL) return nullptr;
  if (Flags == MONITOR_DEFAULTTOPRIMARY) return ToHandle(0);
  TPoint c((Rect.Left + Rect.Right) / 2, (Rect.Top + Rect.Bottom) / 2);
  Int64 bestD = LLONG_MAX;
  for (size_t i = 0; i < mons.size(); ++i) {
    Int64 d = DistanceSq(mons[i].Bounds, c);
    if (d < bestD) bestD = d, best = i;
  }
  return ToHandle(best);
}

bool SystemParametersInfo(UINT Action, UINT /*Param*/, void* PvParam, UINT /*WinIni*/) {
  if (!PvParam) return false;
  switch (Action) {
    case SPI_GETWORKAREA: {
      TMonitorInfo mi;
      if (!GetMonitorInfo(MonitorFromPoint(TPoint(0, 0), MONITOR_DEFAULTTOPRIMARY), mi)) return false;
      *static_cast<TRect*>(PvParam) = mi.rcWork;
      return true;
    }
    case SPI_GETWHEELSCROLLLINES:
    case SPI_GETWHEELSCROLLCHARS: *static_cast<UINT*>(PvParam) = 3; return true;
    case SPI_GETDRAGFULLWINDOWS: *static_cast<bool*>(PvParam) = true; return true;
    default: return false;
  }
}

HMONITOR MonitorFromPoint(TPoint Point, DWORD Flags) { return MonitorFromRect(Bounds(Point.X, Point.Y, 1, 1), Flags); }

HMONITOR MonitorFromWindow(HWND Wnd, DWORD Flags) { return MonitorFromRect(GetWindowRect(Wnd), Flags); }

bool GetMonitorInfo(HMONITOR Monitor, TMonitorInfo& Info) {
  auto mons = GetDisplayBackend().Monitors();
  std::uintptr_t i = reinterpret_cast<std::uintptr_t>(Monitor);
  if (i == 0 || i > mons.size()) return false;
  Info.rcMonitor = mons[i - 1].Bounds;
  Info.rcWork = mons[i - 1].WorkArea;
  Info.dwFlags = i == 1 ? MONITORINFOF_PRIMARY : 0;
  return true;
}

Integer GetMonitorCount() { return Integer(GetDisplayBackend().Monitors().size()); }
