#pragma once
// The display backend: what the window layer needs from a screen. The headless
// backend (tests) and the SDL2 backend (the program) implement it. The window
// layer keeps every pixel; a backend only shows finished images, turns its input
// into messages (through the Inject* functions below), and keeps the clock.

#include <functional>
#include <memory>
#include <vector>

#include "platform/ui/Geometry.h"
#include "platform/ui/Input.h"
#include "platform/ui/Messages.h"

typedef struct _cairo_surface cairo_surface_t;

struct TDisplayMonitor {
  TRect Bounds;
  TRect WorkArea;
};

class TDisplayBackend {
public:
  virtual ~TDisplayBackend() = default;
  // The millisecond clock behind GetTickCount, GetMessageTime and timers.
  virtual UInt64 Now() = 0;
  // Monitors, the primary first.
  virtual std::vector<TDisplayMonitor> Monitors() = 0;

  // A top-level window appeared, was destroyed, shown or hidden, or moved/resized
  // (screen coordinates of the whole window rect).
  virtual void WindowCreated(HWND) {}
  virtual void WindowDestroyed(HWND) {}
  virtual void WindowShown(HWND, bool /*Visible*/) {}
  virtual void WindowMoved(HWND, const TRect& /*ScreenRect*/) {}
  virtual void WindowActivated(HWND) {}
  // A top-level window's image changed inside Dirty (window coordinates).
  virtual void Present(HWND, cairo_surface_t* /*Image*/, const TRect& /*Dirty*/) {}
  virtual void CursorChanged(HCURSOR) {}

  // Turns pending display input into messages; true when any arrived.
  virtual bool Pump() { return false; }
  // Waits until the display has handed over every input it holds, so that the
  // next Pump sees all that the user did up to now.
  virtual void Sync() {}
  // Called when the queue is empty and the caller must wait: returns after input,
  // after TimeoutMs, or when a timer may be due. The headless backend runs the
  // next step a test scripted here, or throws when nothing can ever arrive.
  virtual void Wait(UInt64 TimeoutMs) = 0;
  virtual void Beep() {}
};

// Installs the backend (not owned); null restores the built-in one, which has a
// real clock, one 1280x1024 monitor and no input.
void SetDisplayBackend(TDisplayBackend* Backend);
TDisplayBackend& GetDisplayBackend();

// ---- Input arriving from a display ---------------------------------------------------
// Each piece is kept in order and turned into messages only when the input before
// it has been taken from the queue, so it is aimed at the window that has the
// focus, or lies under the mouse, by then: a click followed at once by typing
// types into the window the click chose.
// Mouse input at a screen point: goes to the capture window, else the window under
// the point; hit-tested (WM_NCHITTEST), turned into client or non-client messages,
// a second press within the double-click time and area of the first becomes a
// double click for windows with CS_DBLCLKS, and a press on an inactive top-level
// window asks WM_MOUSEACTIVATE first. The messages are queued, as input is.
enum class TMouseAction { Move, Down, Up, Wheel };
void InjectMouse(TMouseAction Action, TMouseButton Button, TPoint ScreenPoint, Integer WheelDelta = 0);
// A key goes to the focus window, else the active window, and nowhere while that
// window's top-level window is disabled; WM_SYSKEYDOWN while Alt is down. Updates
// the key-state table.
void InjectKey(Word VirtKey, bool Down);
// Text typed (already composed): one WM_CHAR per UTF-16 unit to where keys go.
void InjectChar(Char Ch);
// A press on a window that a modal window keeps disabled brings that modal window
// forward (activated, and raised on the display), as the press is of no use
// where it landed. Display backends call it when the window manager hands such
// a window the keyboard.
void BringModalForward(HWND Disabled);
// The window manager asks to close a top-level window (its title bar's close
// box). A window that a modal window keeps disabled ignores it, as it ignores a
// press, and brings that modal window forward; any other gets WM_SYSCOMMAND
// SC_CLOSE, which becomes WM_CLOSE.
void InjectCloseRequest(HWND Wnd);
// The mouse left all our windows.
void InjectMouseLeave();
// A change the display reports that moves where input goes (the window manager
// gave another window the keyboard): made in its place among the input.
void InjectDisplayChange(std::function<void()> Change);
