// Window timers on the display backend's clock.

#include "platform/ui/Timers.h"

#include <algorithm>
#include <limits>

#include "platform/ui/WindowSystem.h"

using namespace uiwin;

namespace {
TWindowSystem& Sys() { return TWindowSystem::Get(); }
}  // namespace

std::uintptr_t SetTimer(HWND Wnd, std::uintptr_t IDEvent, UINT Elapse, TTimerProc Proc) {
  TWindowSystem& s = Sys();
  if (Wnd && !IsWindow(Wnd)) return 0;
  Elapse = std::clamp<UINT>(Elapse, USER_TIMER_MINIMUM, 0x7FFFFFFF);
  if (!Wnd) {
    // Thread timers get an id of their own unless an existing one is named.
    bool exists =
        std::any_of(s.Timers.begin(), s.Timers.end(), [&](const TTimerRec& t) { return !t.Wnd && t.ID == IDEvent; });
    if (!exists) IDEvent = s.NextThreadTimer++;
  }
  UInt64 now = Now();
  for (TTimerRec& t : s.Timers)
    if (t.Wnd == Wnd && t.ID == IDEvent) {
      t.Interval = Elapse;
      t.Proc = Proc;
      t.Due = now + Elapse;
      t.Order = ++s.TimerOrder;
      return Wnd ? 1 : IDEvent;
    }
  s.Timers.push_back({Wnd, IDEvent, Elapse, Proc, now + Elapse, ++s.TimerOrder});
  return Wnd ? (IDEvent ? IDEvent : 1) : IDEvent;
}

bool KillTimer(HWND Wnd, std::uintptr_t IDEvent) {
  auto& list = Sys().Timers;
  auto it = std::find_if(list.begin(), list.end(), [&](const TTimerRec& t) { return t.Wnd == Wnd && t.ID == IDEvent; });
  if (it == list.end()) return false;
  list.erase(it);
  // A WM_TIMER of the killed timer that still waits in the queue goes too.
  auto& q = Sys().Queue;
  q.erase(std::remove_if(q.begin(), q.end(),
                         [&](const TMsg& m) { return m.message == WM_TIMER && m.hwnd == Wnd && m.wParam == IDEvent; }),
          q.end());
  return true;
}

DWORD GetTickCount() { return DWORD(Now()); }
UInt64 GetTickCount64() { return Now(); }

bool NextTimer(TDueTimer& Timer) {
  const TTimerRec* best = nullptr;
  for (const TTimerRec& t : Sys().Timers)
    if (!best || t.Due < best->Due || (t.Due == best->Due && t.Order < best->Order)) best = &t;
  if (!best) return false;
  Timer = {best->Wnd, best->ID, best->Proc, best->Due};
  return true;
}

void RearmTimer(const TDueTimer& Timer, UInt64 FiredAt) {
  for (TTimerRec& t : Sys().Timers)
    if (t.Wnd == Timer.Wnd && t.ID == Timer.ID) {
      t.Due = FiredAt + t.Interval;
      t.Order = ++Sys().TimerOrder;
      return;
    }
}

Integer ActiveTimerCount() { return Integer(Sys().Timers.size()); }

void KillWindowTimers(HWND Wnd) {
  auto& list = Sys().Timers;
  list.erase(std::remove_if(list.begin(), list.end(), [&](const TTimerRec& t) { return t.Wnd == Wnd; }), list.end());
}

void KillAllTimers() { Sys().Timers.clear(); }
