#pragma once
// What a window manager sends for a window's close box and for Alt+F4: the
// WM_DELETE_WINDOW message of the WM_PROTOCOLS the window takes part in.
#include <X11/Xlib.h>

inline void SendDeleteWindow(Display* Dpy, Window W) {
  XEvent e{};
  e.xclient.type = ClientMessage;
  e.xclient.window = W;
  e.xclient.message_type = XInternAtom(Dpy, "WM_PROTOCOLS", False);
  e.xclient.format = 32;
  e.xclient.data.l[0] = long(XInternAtom(Dpy, "WM_DELETE_WINDOW", False));
  e.xclient.data.l[1] = CurrentTime;
  XSendEvent(Dpy, W, False, NoEventMask, &e);
}
