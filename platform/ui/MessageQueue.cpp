// The message queue: posted and input messages first, then WM_PAINT, then WM_TIMER.

#include "platform/ui/MessageQueue.h"

#include <algorithm>

#include "platform/core/ScopeGuard.h"
#include "platform/ui/WindowSystem.h"

using namespace uiwin;

namespace {

TWindowSystem& Sys() { return TWindowSystem::Get(); }

bool InRange(UINT msg, UINT lo, UINT hi) { return (lo == 0 && hi == 0) || (msg >= lo && msg <= hi); }

bool ForWindow(HWND target, HWND filter) {
  if (!filter) return true;
  return target == filter || IsChild(filter, target);
}

bool IsMouseMessage(UINT m) {
  return (m >= WM_MOUSEFIRST && m <= WM_MOUSELAST) || (m >= WM_NCMOUSEMOVE && m <= WM_NCRBUTTONUP + 4);
}

// The system tells the window under the mouse which cursor to show as the mouse
// message is taken from the queue.
void SendSetCursor(const TMsg& m) {
  if (!m.hwnd || GetCapture() || m.message == WM_MOUSEWHEEL || m.message == WM_MOUSEHWHEEL) return;
  LRESULT hit = (m.message >= WM_MOUSEFIRST && m.message <= WM_MOUSELAST) ? HTCLIENT : LRESULT(m.wParam);
  SendMessage(m.hwnd, WM_SETCURSOR, HwndToParam(m.hwnd), MakeLParam(Integer(hit), Integer(m.message)));
}

bool Admits(const TMsg& m, HWND Wnd, UINT lo, UINT hi) {
  return InRange(m.message, lo, hi) && (m.hwnd ? ForWindow(m.hwnd, Wnd) : Wnd == nullptr);
}

// Turns raw display input into messages, in the order it came, until the queue
// holds input this look at the queue would take: the input after it waits until
// that has been dispatched, so that a click can move the focus before the keys
// typed after it are aimed. Input the filter passes over does not hold it up, so
// a loop that takes only the mouse still sees the button go up.
void CookInput(HWND Wnd, UINT lo, UINT hi) {
  TWindowSystem& s = Sys();
  while (!s.RawInput.empty() && !s.Cooking) {
    for (const TMsg& m : s.Queue)
      if (m.input && Admits(m, Wnd, lo, hi)) return;
    TRawInput raw = std::move(s.RawInput.front());
    s.RawInput.pop_front();
    s.Cooking = true;
    s.CookTime = raw.Time;
    TScopeExit Done([&s] { s.Cooking = false; });
    raw.Cook();
  }
}

}  // namespace

LRESULT SendMessage(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
  TWindowRec* w = Sys().Find(Wnd);
  if (!w) return 0;
  if (!w->Proc) return DefWindowProc(Wnd, Msg, WParam, LParam);
  // A copy, as the procedure may destroy the window (and the original) while it runs.
  TWindowProcedure proc = w->Proc;
  TMessage m{Msg, WParam, LParam, 0};
  proc(Wnd, m);
  return m.Result;
}

void uiwin::QueueMessage(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
  TWindowSystem& s = Sys();
  TMsg m;
  m.hwnd = Wnd;
  m.message = Msg;
  m.wParam = WParam;
  m.lParam = LParam;
  m.time = s.Cooking ? s.CookTime : DWORD(Now());
  m.pt = s.CursorPos;
  m.input = s.Cooking;
  s.Queue.push_back(m);
}

void uiwin::QueueRawInput(std::function<void()> Cook) { Sys().RawInput.push_back({std::move(Cook), DWORD(Now())}); }

bool PostMessage(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
  if (Wnd && !IsWindow(Wnd)) return false;
  QueueMessage(Wnd, Msg, WParam, LParam);
  return true;
}

void PostQuitMessage(Integer ExitCode) { PostMessage(nullptr, WM_QUIT, WPARAM(ExitCode), 0); }

bool PeekMessage(TMsg& Msg, HWND Wnd, UINT MsgFilterMin, UINT MsgFilterMax, UINT RemoveMsg) {
  TWindowSystem& s = Sys();
  GetDisplayBackend().Pump();
  CookInput(Wnd, MsgFilterMin, MsgFilterMax);
  bool remove = (RemoveMsg & PM_REMOVE) != 0;
  for (auto it = s.Queue.begin(); it != s.Queue.end(); ++it) {
    if (!Admits(*it, Wnd, MsgFilterMin, MsgFilterMax)) continue;
    Msg = *it;
    if (remove) {
      s.Queue.erase(it);
      s.LastMessageTime = Msg.time;
      s.LastMessagePos = Msg.pt;
      if (IsMouseMessage(Msg.message)) SendSetCursor(Msg);
    }
    return true;
  }
  if (InRange(WM_PAINT, MsgFilterMin, MsgFilterMax)) {
    if (HWND p = NextWindowToPaint(Wnd)) {
      Msg = TMsg();
      Msg.hwnd = p;
      Msg.message = WM_PAINT;
      Msg.time = DWORD(Now());
      Msg.pt = s.CursorPos;
      return true;  // WM_PAINT stays until the window is validated
    }
  }
  if (InRange(WM_TIMER, MsgFilterMin, MsgFilterMax)) {
    UInt64 now = Now();
    // The earliest due timer within the filter.
    const TTimerRec* best = nullptr;
    for (const TTimerRec& t : s.Timers) {
      if (t.Due > now) continue;
      if (t.Wnd ? !ForWindow(t.Wnd, Wnd) : Wnd != nullptr) continue;
      if (!best || t.Due < best->Due || (t.Due == best->Due && t.Order < best->Order)) best = &t;
    }
    if (best) {
      Msg = TMsg();
      Msg.hwnd = best->Wnd;
      Msg.message = WM_TIMER;
      Msg.wParam = best->ID;
      Msg.lParam = reinterpret_cast<LPARAM>(best->Proc);
      Msg.time = DWORD(now);
      Msg.pt = s.CursorPos;
      if (remove) {
        TDueTimer t{best->Wnd, best->ID, best->Proc, best->Due};
        RearmTimer(t, now);
        s.LastMessageTime = Msg.time;
        s.LastMessagePos = Msg.pt;
      }
      return true;
    }
  }
  return false;
}

bool GetMessage(TMsg& Msg, HWND Wnd, UINT MsgFilterMin, UINT MsgFilterMax) {
  while (!PeekMessage(Msg, Wnd, MsgFilterMin, MsgFilterMax, PM_REMOVE)) WaitMessage();
  return Msg.message != WM_QUIT;
}

void WaitMessage() {
  TWindowSystem& s = Sys();
  if (!s.Queue.empty() || !s.RawInput.empty() || AnyWindowNeedsPaint()) return;
  UInt64 timeout = 0x7FFFFFFF;
  TDueTimer t;
  if (NextTimer(t)) {
    UInt64 now = Now();
    timeout = t.Due > now ? t.Due - now : 0;
    if (timeout == 0) return;
  }
  GetDisplayBackend().Wait(timeout);
}

bool TranslateMessage(const TMsg& Msg) {
  if (Msg.message != WM_KEYDOWN && Msg.message != WM_SYSKEYDOWN) return false;
  Char ch = 0;
  Word vk = Word(Msg.wParam);
  bool ctrl = GetKeyState(VK_CONTROL) < 0, alt = GetKeyState(VK_MENU) < 0;
  switch (vk) {
    case VK_BACK: ch = ctrl ? 0x7F : 0x08; break;
    case VK_TAB: ch = 0x09; break;
    case VK_RETURN: ch = ctrl ? 0x0A : 0x0D; break;
    case VK_ESCAPE: ch = 0x1B; break;
    default:
      if (ctrl && !alt && vk >= 'A' && vk <= 'Z') ch = Char(vk - 'A' + 1);
      // Alt with a letter or digit: the accelerator character (WM_SYSCHAR).
      else if (alt && !ctrl && ((vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9')))
        ch = Char(vk >= 'A' && GetKeyState(VK_SHIFT) >= 0 ? vk - 'A' + 'a' : vk);
      break;
  }
  if (!ch) return false;
  if (!PostMessage(Msg.hwnd, Msg.message == WM_SYSKEYDOWN ? WM_SYSCHAR : WM_CHAR, ch, Msg.lParam)) return true;
  // The character must come right after its key, before anything queued earlier,
  // and, like its key, before any input that came after it is aimed.
  auto& q = Sys().Queue;
  q.back().input = Msg.input;
  if (q.size() > 1) {
    TMsg last = q.back();
    q.pop_back();
    q.push_front(last);
  }
  return true;
}

LRESULT DispatchMessage(const TMsg& Msg) {
  if (Msg.message == WM_TIMER && Msg.lParam) {
    auto proc = reinterpret_cast<TTimerProc>(Msg.lParam);
    proc(Msg.hwnd, WM_TIMER, Msg.wParam, Msg.time);
    return 0;
  }
  if (!Msg.hwnd) return 0;
  LRESULT r = SendMessage(Msg.hwnd, Msg.message, Msg.wParam, Msg.lParam);
  if (Msg.message == WM_PAINT) {
    // A procedure that did not paint must not get WM_PAINT for ever.
    if (TWindowRec* w = Sys().Find(Msg.hwnd)) {
      w->Update.reset();
      w->EraseNeeded = false;
      w->FrameNeeded = false;
    }
  }
  return r;
}

DWORD GetMessageTime() { return Sys().LastMessageTime; }
TPoint GetMessagePos() { return Sys().LastMessagePos; }
Integer GetQueuedMessageCount() { return Integer(Sys().Queue.size() + Sys().RawInput.size()); }
void ClearMessageQueue() {
  Sys().Queue.clear();
  Sys().RawInput.clear();
}
