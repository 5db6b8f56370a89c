#include "platform/backend/XErrors.h"

#include <X11/Xlib.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>

namespace {

int ReportXError(Display* Dpy, XErrorEvent* Event) {
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
