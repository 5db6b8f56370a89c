#include "platform/backend/SdlConnection.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <poll.h>

#include <algorithm>
#include <chrono>
#include <initializer_list>
#include <vector>

namespace {

bool X11InfoOf(SDL_Window* Window, SDL_SysWMinfo& Info) {
  SDL_VERSION(&Info.version);
  return Window && SDL_GetWindowWMInfo(Window, &Info) && Info.subsystem == SDL_SYSWM_X11;
}

::Display* XDisplayOf(SDL_Window* Window) {
  SDL_SysWMinfo info;
  return X11InfoOf(Window, info) ? info.info.x11.display : nullptr;
}

// Window's property Name of type Type as 32-bit items (which Xlib gives as
// longs), at most Most of them; none when it has no such property.
std::vector<unsigned long> Items32(::Display* Dpy, ::Window Window, Atom Name, Atom Type, long Most) {
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  std::vector<unsigned long> items;
  if (XGetWindowProperty(Dpy, Window, Name, 0, Most, False, Type, &type, &format, &count, &after, &data) == Success &&
      data && format == 32) {
    const auto* values = reinterpret_cast<const unsigned long*>(data);
    items.assign(values, values + count);
  }
  if (data) XFree(data);
  return items;
}

// Whether Window's _NET_WM_STATE holds State.
bool HasState(::Display* Dpy, ::Window Window, Atom StateList, Atom State) {
  const std::vector<unsigned long> states = Items32(Dpy, Window, StateList, XA_ATOM, 64);
  return std::find(states.begin(), states.end(), State) != states.end();
}

// Whether the window manager has let Window go, or never had it.
bool Withdrawn(::Display* Dpy, ::Window Window) {
  const Atom wmState = XInternAtom(Dpy, "WM_STATE", False);
  const std::vector<unsigned long> state = Items32(Dpy, Window, wmState, wmState, 2);
  return state.empty() || state[0] == WithdrawnState;
}

}  // namespace

void SyncSdlConnection(SDL_Window* Window) {
  if (::Display* dpy = XDisplayOf(Window)) XSync(dpy, False);
}

bool WaitOnSdlConnection(SDL_Window* Window, int TimeoutMs) {
  ::Display* dpy = XDisplayOf(Window);
  if (!dpy) return false;
  // XPending also sends what is buffered, so the server answers what we wait for.
  if (SDL_HasEvents(SDL_FIRSTEVENT, SDL_LASTEVENT) || XPending(dpy) > 0) return true;
  pollfd input{ConnectionNumber(dpy), POLLIN, 0};
  // A signal, or the server gone, ends the wait too: the next pump tells.
  poll(&input, 1, TimeoutMs);
  return true;
}

bool MaximizedNow(SDL_Window* Window) {
  SDL_SysWMinfo info;
  if (!X11InfoOf(Window, info)) return Window && (SDL_GetWindowFlags(Window) & SDL_WINDOW_MAXIMIZED);
  ::Display* dpy = info.info.x11.display;
  const Atom list = XInternAtom(dpy, "_NET_WM_STATE", False);
  return HasState(dpy, info.info.x11.window, list, XInternAtom(dpy, "_NET_WM_STATE_MAXIMIZED_VERT", False)) &&
         HasState(dpy, info.info.x11.window, list, XInternAtom(dpy, "_NET_WM_STATE_MAXIMIZED_HORZ", False));
}

void AskMaximizedWhenMapped(SDL_Window* Window) {
  SDL_SysWMinfo info;
  if (!X11InfoOf(Window, info)) return;
  ::Display* dpy = info.info.x11.display;
  const ::Window w = info.info.x11.window;
  const Atom list = XInternAtom(dpy, "_NET_WM_STATE", False);
  for (const char* name : {"_NET_WM_STATE_MAXIMIZED_VERT", "_NET_WM_STATE_MAXIMIZED_HORZ"}) {
    Atom state = XInternAtom(dpy, name, False);
    if (!HasState(dpy, w, list, state))
      XChangeProperty(dpy, w, list, XA_ATOM, 32, PropModeAppend, reinterpret_cast<unsigned char*>(&state), 1);
  }
}

void AwaitWithdrawal(SDL_Window* Window, int TimeoutMs) {
  SDL_SysWMinfo info;
  if (!X11InfoOf(Window, info)) return;
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(TimeoutMs);
  // Read, not waited for as an event: SDL's queue keeps every event for SDL.
  while (!Withdrawn(info.info.x11.display, info.info.x11.window) && std::chrono::steady_clock::now() < end)
    poll(nullptr, 0, 5);
}
