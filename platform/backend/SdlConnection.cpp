#include "platform/backend/SdlConnection.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <poll.h>

namespace {

::Display* XDisplayOf(SDL_Window* Window) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (Window && SDL_GetWindowWMInfo(Window, &info) && info.subsystem == SDL_SYSWM_X11) return info.info.x11.display;
  return nullptr;
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
