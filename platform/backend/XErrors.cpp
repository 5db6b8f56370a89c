#include "platform/backend/XErrors.h"

#include <X11/Xlib.h>

#include <cstdio>

namespace {

int ReportXError(Display* Dpy, XErrorEvent* Event) {
  char text[256] = {};
  XGetErrorText(Dpy, Event->error_code, text, sizeof text);
  std::fprintf(stderr, "borrowline: X error passed over: %s (request %d)\n", text, Event->request_code);
  return 0;
}

}  // namespace

void PassOverXErrors() { XSetErrorHandler(ReportXError); }
