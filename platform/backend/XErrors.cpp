#include "platform/backend/XErrors.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>

#include <X11/Xlib.h>
#include <X11/Xlibint.h>  // a connection's range of resource ids

namespace {

// Whether the error names a resource (a window, a pixmap, ...) that this
// connection did not make: a window manager's frame, another program's window.
// None is no one's: a request that names it is the program's own fault.
bool AboutAnotherClientsResource(Display* Dpy, const XErrorEvent* Event) {
  if (Event->resourceid == None) return false;
  switch (Event->error_code) {
    case BadWindow:
    case BadPixmap:
    case BadCursor:
    case BadFont:
    case BadDrawable:
    case BadColor:
    case BadGC: return (Event->resourceid & ~Dpy->resource_mask) != Dpy->resource_base;
    default: return false;
  }
}

int ReportXError(Display* Dpy, XErrorEvent* Event) {
  // Others destroy what they own in their own time; SDL, following a move of a
  // window the window manager is letting go, may ask about the frame just as
  // it goes. Only an error about our own resources says something about us.
  if (AboutAnotherClientsResource(Dpy, Event)) return 0;
  char text[256] = {};
  XGetErrorText(Dpy, Event->error_code, text, sizeof text);
  std::fprintf(stderr, "borrowline: X error passed over: %s (request %d)\n", text, Event->request_code);
  return 0;
}

// Xlib may not go on once this returns, and its own handler ends the process
// with exit(), whose static destructors would run while the forms live, over a
// display that is gone. The process ends here instead, doing nothing more. The
// files the program writes are replaced whole, never rewritten in place, so
// each stays as it was or as it was last written.
[[noreturn]] int EndOnLostDisplay(Display* Dpy) {
  const char* name = Dpy ? DisplayString(Dpy) : nullptr;
  std::fprintf(stderr, "borrowline: the connection to the display %s is lost; the program ends.\n",
               name && *name ? name : "(unknown)");
  std::fflush(stderr);
  std::_Exit(EXIT_FAILURE);
}

}  // namespace

void HandleXErrors() {
  XSetErrorHandler(ReportXError);
  XSetIOErrorHandler(EndOnLostDisplay);
  // A request written to a server that has just gone fails with EPIPE and comes
  // to the handler above, instead of a SIGPIPE ending the process without a word.
  std::signal(SIGPIPE, SIG_IGN);
}
