#pragma once
// A test's own connection to the X server asks about the windows of a program
// that may destroy them at any moment. While a TXWindowsMayVanish lives, an
// error on that connection saying that a window is gone is passed over, and
// the call that met it fails as it does for a window that is not there. Any
// other error, and any error on another connection, goes to the handler set
// before, so that the test's own faults still end it with Xlib's report.
//
//   TXWindowsMayVanish mayVanish(Dpy);
//   XWindowAttributes a;
//   if (!XGetWindowAttributes(Dpy, W, &a)) ...   // W has gone
//
// Xlib has one error handler for the whole process: connections on several
// threads register here and share it.
//
// Include it last: Xlib's macros would rename what other headers declare.

#include <mutex>
#include <set>

#include <X11/Xlib.h>

class TXWindowsMayVanish {
public:
  explicit TXWindowsMayVanish(::Display* Dpy) : FDpy(Dpy) {
    if (!FDpy) return;
    const std::lock_guard<std::mutex> lock(FMutex);
    if (FDisplays.empty()) FPrevious = XSetErrorHandler(PassOverVanished);
    FDisplays.insert(FDpy);
  }
  ~TXWindowsMayVanish() {
    if (!FDpy) return;
    // The errors of what was sent so far come now, while they are passed over.
    XSync(FDpy, False);
    const std::lock_guard<std::mutex> lock(FMutex);
    FDisplays.erase(FDisplays.find(FDpy));
    if (!FDisplays.empty()) return;
    // A handler set since then stays.
    const XErrorHandler current = XSetErrorHandler(FPrevious);
    if (current != PassOverVanished) XSetErrorHandler(current);
  }
  TXWindowsMayVanish(const TXWindowsMayVanish&) = delete;
  TXWindowsMayVanish& operator=(const TXWindowsMayVanish&) = delete;

private:
  static int PassOverVanished(::Display* Dpy, XErrorEvent* Error) {
    XErrorHandler previous = nullptr;
    {
      const std::lock_guard<std::mutex> lock(FMutex);
      if ((Error->error_code == BadWindow || Error->error_code == BadDrawable) && FDisplays.count(Dpy)) return 0;
      previous = FPrevious;
    }
    return previous ? previous(Dpy, Error) : 0;
  }

  static inline std::mutex FMutex;
  static inline std::multiset<::Display*> FDisplays;
  static inline XErrorHandler FPrevious = nullptr;
  ::Display* FDpy;
};
