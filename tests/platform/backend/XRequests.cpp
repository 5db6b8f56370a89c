#include "XRequests.h"

#include <X11/Xlib.h>

bool SendEventToAWindowThatIsGone(const std::string& DisplayName) {
  Display* dpy = XOpenDisplay(DisplayName.c_str());
  if (!dpy) return false;
  XEvent e = {};
  e.xclient.type = ClientMessage;
  e.xclient.window = 0x3FFFFFF;  // no such window
  e.xclient.format = 32;
  e.xclient.message_type = XInternAtom(dpy, "WM_PROTOCOLS", False);
  XSendEvent(dpy, e.xclient.window, False, NoEventMask, &e);
  XSync(dpy, False);
  XCloseDisplay(dpy);
  return true;
}
