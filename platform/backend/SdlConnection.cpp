#include "platform/backend/SdlConnection.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <poll.h>

#include <algorithm>
#include <initializer_list>
#include <optional>
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

// Window's X window and its connection, when it is on X.
bool XOf(SDL_Window* Window, ::Display*& Dpy, ::Window& X) {
  SDL_SysWMinfo info;
  if (!X11InfoOf(Window, info)) return false;
  Dpy = info.info.x11.display;
  X = info.info.x11.window;
  return true;
}

// Whether Window's _NET_WM_STATE holds the maximised state both ways
// (Count 2) or at least one way (Count 1).
bool MaximizedWays(SDL_Window* Window, int Count) {
  ::Display* dpy = nullptr;
  ::Window w = None;
  if (!XOf(Window, dpy, w)) return Window && (SDL_GetWindowFlags(Window) & SDL_WINDOW_MAXIMIZED);
  const Atom list = XInternAtom(dpy, "_NET_WM_STATE", False);
  const int ways = int(HasState(dpy, w, list, XInternAtom(dpy, "_NET_WM_STATE_MAXIMIZED_VERT", False))) +
                   int(HasState(dpy, w, list, XInternAtom(dpy, "_NET_WM_STATE_MAXIMIZED_HORZ", False)));
  return ways >= Count;
}

// Whether Event is X's word that the property Name of Window changed.
bool PropertyChanged(const SDL_Event& Event, SDL_Window* Window, const char* Name) {
  if (Event.type != SDL_SYSWMEVENT || !Event.syswm.msg || Event.syswm.msg->subsystem != SDL_SYSWM_X11) return false;
  const XEvent& x = Event.syswm.msg->msg.x11.event;
  if (x.type != PropertyNotify) return false;
  ::Display* dpy = nullptr;
  ::Window w = None;
  return XOf(Window, dpy, w) && x.xproperty.window == w && x.xproperty.atom == XInternAtom(dpy, Name, False);
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

bool MaximizedNow(SDL_Window* Window) { return MaximizedWays(Window, 2); }

bool MaximizedAnyWayNow(SDL_Window* Window) { return MaximizedWays(Window, 1); }

void AskMaximizedWhenMapped(SDL_Window* Window) {
  ::Display* dpy = nullptr;
  ::Window w = None;
  if (!XOf(Window, dpy, w)) return;
  const Atom list = XInternAtom(dpy, "_NET_WM_STATE", False);
  for (const char* name : {"_NET_WM_STATE_MAXIMIZED_VERT", "_NET_WM_STATE_MAXIMIZED_HORZ"}) {
    Atom state = XInternAtom(dpy, name, False);
    if (!HasState(dpy, w, list, state))
      XChangeProperty(dpy, w, list, XA_ATOM, 32, PropModeAppend, reinterpret_cast<unsigned char*>(&state), 1);
  }
}

bool LetGoNow(SDL_Window* Window) {
  ::Display* dpy = nullptr;
  ::Window w = None;
  if (!XOf(Window, dpy, w)) return true;
  const Atom wmState = XInternAtom(dpy, "WM_STATE", False);
  const std::vector<unsigned long> state = Items32(dpy, w, wmState, wmState, 2);
  return state.empty() || state[0] == WithdrawnState;
}

bool AskWindowManagerToPlace(SDL_Window* Window, int X, int Y, int Width, int Height) {
  ::Display* dpy = nullptr;
  ::Window w = None;
  if (!XOf(Window, dpy, w)) return false;
  const ::Window root = DefaultRootWindow(dpy);
  const Atom request = XInternAtom(dpy, "_NET_MOVERESIZE_WINDOW", False);
  const std::vector<unsigned long> supported =
      Items32(dpy, root, XInternAtom(dpy, "_NET_SUPPORTED", False), XA_ATOM, 1024);
  if (std::find(supported.begin(), supported.end(), request) == supported.end()) return false;
  XEvent e{};
  e.xclient.type = ClientMessage;
  e.xclient.window = w;
  e.xclient.message_type = request;
  e.xclient.format = 32;
  // Static gravity, x, y, width and height given, from an application.
  e.xclient.data.l[0] = StaticGravity | 0xF00 | (1 << 12);
  e.xclient.data.l[1] = X;
  e.xclient.data.l[2] = Y;
  e.xclient.data.l[3] = Width;
  e.xclient.data.l[4] = Height;
  XSendEvent(dpy, root, False, SubstructureRedirectMask | SubstructureNotifyMask, &e);
  XFlush(dpy);
  return true;
}

namespace {

// W's parent, and the root it lies under; unset when X cannot tell.
std::optional<::Window> ParentOf(::Display* Dpy, ::Window W, ::Window& Root) {
  ::Window parent = None, *children = nullptr;
  unsigned count = 0;
  if (!XQueryTree(Dpy, W, &Root, &parent, &children, &count)) return std::nullopt;
  if (children) XFree(children);
  return parent;
}

}  // namespace

bool PointerOnScreenIn(const SDL_Event& Event, int& X, int& Y) {
  if (Event.type != SDL_SYSWMEVENT || !Event.syswm.msg || Event.syswm.msg->subsystem != SDL_SYSWM_X11) return false;
  const XEvent& x = Event.syswm.msg->msg.x11.event;
  switch (x.type) {
    case MotionNotify: X = x.xmotion.x_root, Y = x.xmotion.y_root; return true;
    case ButtonPress:
    case ButtonRelease: X = x.xbutton.x_root, Y = x.xbutton.y_root; return true;
    case EnterNotify:
    case LeaveNotify: X = x.xcrossing.x_root, Y = x.xcrossing.y_root; return true;
    default: return false;
  }
}

bool PointerOnScreenNow(SDL_Window* Window, int& X, int& Y) {
  ::Display* dpy = nullptr;
  ::Window w = None;
  if (!XOf(Window, dpy, w)) return false;
  ::Window root = None, child = None;
  int wx = 0, wy = 0;
  unsigned mask = 0;
  return XQueryPointer(dpy, w, &root, &child, &X, &Y, &wx, &wy, &mask);
}

bool FrameOffsetNow(SDL_Window* Window, int& Left, int& Top) {
  ::Display* dpy = nullptr;
  ::Window w = None;
  if (!XOf(Window, dpy, w)) return false;
  // The frame is the window's ancestor on the root, or the window itself.
  ::Window top = w, root = None;
  for (;;) {
    const std::optional<::Window> parent = ParentOf(dpy, top, root);
    if (!parent) return false;
    if (*parent == root || *parent == None) break;
    top = *parent;
  }
  XWindowAttributes frame;
  int x = 0, y = 0;
  ::Window child = None;
  if (!XGetWindowAttributes(dpy, top, &frame) || !XTranslateCoordinates(dpy, w, root, 0, 0, &x, &y, &child))
    return false;
  Left = x - frame.x;
  Top = y - frame.y;
  return true;
}

void PutLetGoWindowAt(SDL_Window* Window, int X, int Y) {
  ::Display* dpy = nullptr;
  ::Window w = None;
  if (!XOf(Window, dpy, w) || !LetGoNow(Window)) return;
  ::Window root = None;
  const std::optional<::Window> parent = ParentOf(dpy, w, root);
  XWindowAttributes a;
  if (parent != root || !XGetWindowAttributes(dpy, w, &a) || (a.x == X && a.y == Y)) return;
  XMoveWindow(dpy, w, X, Y);
}

bool ViewableNow(SDL_Window* Window) {
  ::Display* dpy = nullptr;
  ::Window w = None;
  if (!XOf(Window, dpy, w)) return Window && (SDL_GetWindowFlags(Window) & SDL_WINDOW_SHOWN);
  XWindowAttributes a;
  return XGetWindowAttributes(dpy, w, &a) && a.map_state == IsViewable;
}

bool WmStateChanged(const SDL_Event& Event, SDL_Window* Window) { return PropertyChanged(Event, Window, "WM_STATE"); }

bool NetWmStateChanged(const SDL_Event& Event, SDL_Window* Window) {
  return PropertyChanged(Event, Window, "_NET_WM_STATE");
}
