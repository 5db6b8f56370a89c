#pragma once
// The clock and window timers. One millisecond clock serves GetTickCount,
// GetMessageTime and the timers: the display backend provides it (real time in
// the program, a manual clock in tests that fires due timers in order).

#include <functional>

#include "platform/ui/Messages.h"

using TTimerProc = void (*)(HWND Wnd, UINT Msg, std::uintptr_t IDEvent, DWORD Time);

// Shortest interval, as the platform clamps it: an interval of 0 would spin.
constexpr UINT USER_TIMER_MINIMUM = 10;

// Starts or restarts timer IDEvent of Wnd; gives the id (0 on failure). For a
// null window a new id is chosen.
std::uintptr_t SetTimer(HWND Wnd, std::uintptr_t IDEvent, UINT Elapse, TTimerProc Proc = nullptr);
bool KillTimer(HWND Wnd, std::uintptr_t IDEvent);
DWORD GetTickCount();
UInt64 GetTickCount64();

// For the queue and the manual clock: the timer that is due earliest (ties in the
// order the timers were set), if any is due at Now.
struct TDueTimer {
  HWND Wnd = nullptr;
  std::uintptr_t ID = 0;
  TTimerProc Proc = nullptr;
  UInt64 Due = 0;
};
bool NextTimer(TDueTimer& Timer);
// Marks a timer fired at time Now: the next one is due Now + interval (a late
// timer does not pile up).
void RearmTimer(const TDueTimer& Timer, UInt64 FiredAt);
Integer ActiveTimerCount();
void KillWindowTimers(HWND Wnd);
void KillAllTimers();
