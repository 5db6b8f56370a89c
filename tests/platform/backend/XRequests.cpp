#include "XRequests.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <poll.h>

#include <algorithm>
#include <atomic>
#include <thread>

#include "tests/e2e/FramingWindowManager.h"

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

namespace {

// On a connection of its own to DisplayName, maps a window made and destroyed
// first, or None, and waits for the answer.
bool MapOnAConnectionOfItsOwn(const std::string& DisplayName, bool MakeAndDestroyFirst) {
  Display* dpy = XOpenDisplay(DisplayName.c_str());
  if (!dpy) return false;
  ::Window w = None;
  if (MakeAndDestroyFirst) {
    w = XCreateSimpleWindow(dpy, DefaultRootWindow(dpy), 0, 0, 1, 1, 0, 0, 0);
    XDestroyWindow(dpy, w);
  }
  XMapWindow(dpy, w);
  XSync(dpy, False);
  XCloseDisplay(dpy);
  return true;
}

}  // namespace

bool MapAWindowOfItsOwnThatIsGone(const std::string& DisplayName) {
  return MapOnAConnectionOfItsOwn(DisplayName, true);
}

bool MapNoWindow(const std::string& DisplayName) { return MapOnAConnectionOfItsOwn(DisplayName, false); }

unsigned long XWindowOf(SDL_Window* Window) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!Window || !SDL_GetWindowWMInfo(Window, &info) || info.subsystem != SDL_SYSWM_X11) return 0;
  return info.info.x11.window;
}

unsigned long TransientForOf(const std::string& DisplayName, unsigned long Window) {
  Display* dpy = XOpenDisplay(DisplayName.c_str());
  if (!dpy) return 0;
  ::Window owner = 0;
  {
    const TXWindowsMayVanish mayVanish(dpy);
    if (!XGetTransientForHint(dpy, Window, &owner)) owner = 0;
  }
  XCloseDisplay(dpy);
  return owner;
}

struct TXSelectionOwner::TImpl {
  ::Display* Dpy = nullptr;
  ::Window Win = 0;
  std::string Text;
  size_t Chunk = 0;
  bool Silent = false;
  std::atomic<bool> Stop{false};
  std::atomic<int> Pieces{0};
  std::thread Thread;
  // The transfer in pieces under way.
  ::Window Requestor = 0;
  Atom Property = 0;
  size_t Offset = 0;
  bool Sending = false;

  void Run() {
    const Atom clipboard = XInternAtom(Dpy, "CLIPBOARD", False), utf8 = XInternAtom(Dpy, "UTF8_STRING", False),
               incr = XInternAtom(Dpy, "INCR", False), targets = XInternAtom(Dpy, "TARGETS", False);
    while (!Stop) {
      if (!XPending(Dpy)) {
        pollfd p{ConnectionNumber(Dpy), POLLIN, 0};
        poll(&p, 1, 10);
        continue;
      }
      XEvent ev;
      XNextEvent(Dpy, &ev);
      if (ev.type == SelectionRequest && !Silent) {
        const XSelectionRequestEvent& rq = ev.xselectionrequest;
        XEvent reply = {};
        reply.xselection.type = SelectionNotify;
        reply.xselection.requestor = rq.requestor;
        reply.xselection.selection = rq.selection;
        reply.xselection.target = rq.target;
        reply.xselection.time = rq.time;
        reply.xselection.property = rq.property;
        if (rq.selection != clipboard) {
          reply.xselection.property = None;
        } else if (rq.target == targets) {
          Atom list[] = {targets, utf8};
          XChangeProperty(Dpy, rq.requestor, rq.property, XA_ATOM, 32, PropModeReplace,
                          reinterpret_cast<unsigned char*>(list), 2);
        } else if (rq.target == utf8 && Text.size() <= Chunk) {
          XChangeProperty(Dpy, rq.requestor, rq.property, utf8, 8, PropModeReplace,
                          reinterpret_cast<const unsigned char*>(Text.data()), int(Text.size()));
          Pieces = 1;
        } else if (rq.target == utf8) {
          XSelectInput(Dpy, rq.requestor, PropertyChangeMask);
          long size = long(Text.size());
          XChangeProperty(Dpy, rq.requestor, rq.property, incr, 32, PropModeReplace,
                          reinterpret_cast<unsigned char*>(&size), 1);
          Requestor = rq.requestor;
          Property = rq.property;
          Offset = 0;
          Sending = true;
          Pieces = 0;
        } else {
          reply.xselection.property = None;
        }
        XSendEvent(Dpy, rq.requestor, False, NoEventMask, &reply);
        XFlush(Dpy);
      } else if (ev.type == PropertyNotify && Sending && ev.xproperty.window == Requestor &&
                 ev.xproperty.atom == Property && ev.xproperty.state == PropertyDelete) {
        // The requestor took the last piece: the next one, and an empty one at the end.
        const size_t n = std::min(Chunk, Text.size() - Offset);
        XChangeProperty(Dpy, Requestor, Property, utf8, 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(Text.data() + Offset), int(n));
        Offset += n;
        if (n == 0) {
          Sending = false;
          XSelectInput(Dpy, Requestor, NoEventMask);
        } else {
          ++Pieces;
        }
        XFlush(Dpy);
      }
    }
  }
};

TXSelectionOwner::TXSelectionOwner() : FImpl(new TImpl) {}

TXSelectionOwner::~TXSelectionOwner() {
  FImpl->Stop = true;
  if (FImpl->Thread.joinable()) FImpl->Thread.join();
  if (FImpl->Dpy) XCloseDisplay(FImpl->Dpy);
  delete FImpl;
}

bool TXSelectionOwner::Start(const std::string& DisplayName, std::string Text, size_t ChunkBytes, bool Silent) {
  TImpl& m = *FImpl;
  m.Dpy = XOpenDisplay(DisplayName.c_str());
  if (!m.Dpy) return false;
  m.Text = std::move(Text);
  m.Chunk = ChunkBytes;
  m.Silent = Silent;
  m.Win = XCreateSimpleWindow(m.Dpy, DefaultRootWindow(m.Dpy), 0, 0, 1, 1, 0, 0, 0);
  const Atom clipboard = XInternAtom(m.Dpy, "CLIPBOARD", False);
  XSetSelectionOwner(m.Dpy, clipboard, m.Win, CurrentTime);
  XSync(m.Dpy, False);
  if (XGetSelectionOwner(m.Dpy, clipboard) != m.Win) return false;
  m.Thread = std::thread([&m] { m.Run(); });
  return true;
}

int TXSelectionOwner::Pieces() const { return FImpl->Pieces; }
unsigned long RootWindowOf(const std::string& DisplayName) {
  Display* dpy = XOpenDisplay(DisplayName.c_str());
  if (!dpy) return 0;
  unsigned long r = DefaultRootWindow(dpy);
  XCloseDisplay(dpy);
  return r;
}

struct TXFramingWindowManager::TImpl {
  TFramingWindowManager Wm;
};

TXFramingWindowManager::TXFramingWindowManager() : FImpl(std::make_unique<TImpl>()) {}
TXFramingWindowManager::~TXFramingWindowManager() = default;

bool TXFramingWindowManager::Start(const std::string& DisplayName) { return FImpl->Wm.Start(DisplayName, nullptr); }

void TXFramingWindowManager::Maximize(unsigned long Window) { FImpl->Wm.Maximize(Window); }
void TXFramingWindowManager::Restore(unsigned long Window) { FImpl->Wm.Restore(Window); }
void TXFramingWindowManager::GiveSizeBack(bool Gives) { FImpl->Wm.GiveSizeBack(Gives); }
void TXFramingWindowManager::KeepRequestGravity(bool Keeps) { FImpl->Wm.KeepRequestGravity(Keeps); }
void TXFramingWindowManager::HoldLettingGo() { FImpl->Wm.HoldLettingGo(); }
void TXFramingWindowManager::LetGoHeld() { FImpl->Wm.LetGoHeld(); }
void TXFramingWindowManager::NeverLetGo() { FImpl->Wm.NeverLetGo(); }
void TXFramingWindowManager::HoldFrames() { FImpl->Wm.HoldFrames(); }
void TXFramingWindowManager::ShowHeldFrames() { FImpl->Wm.ShowHeldFrames(); }

TXPlace PlaceOf(const std::string& DisplayName, unsigned long Window) {
  TXPlace p;
  Display* dpy = XOpenDisplay(DisplayName.c_str());
  if (!dpy) return p;
  {
    const TXWindowsMayVanish mayVanish(dpy);
    ::Window root = 0, parent = 0, *children = nullptr, child = 0;
    unsigned n = 0;
    XWindowAttributes a;
    if (Window && XQueryTree(dpy, Window, &root, &parent, &children, &n) && XGetWindowAttributes(dpy, Window, &a) &&
        XTranslateCoordinates(dpy, Window, root, 0, 0, &p.X, &p.Y, &child)) {
      p.Framed = a.map_state == IsViewable && parent != root;
      p.LetGo = a.map_state == IsUnmapped && parent == root;
      p.InHiddenFrame = a.map_state == IsUnviewable && parent != root;
      p.Width = a.width;
      p.Height = a.height;
      p.Maximized = MaximizedBothWays(dpy, Window);
      XWindowAttributes frame;
      p.FillsScreen = p.Framed && XGetWindowAttributes(dpy, parent, &frame) && frame.x == 0 && frame.y == 0 &&
                      frame.width == DisplayWidth(dpy, DefaultScreen(dpy)) &&
                      frame.height == DisplayHeight(dpy, DefaultScreen(dpy));
    }
    if (children) XFree(children);
  }
  XCloseDisplay(dpy);
  return p;
}

unsigned long InputFocusOf(const std::string& DisplayName) {
  Display* dpy = XOpenDisplay(DisplayName.c_str());
  if (!dpy) return 0;
  ::Window focus = None;
  int revert = 0;
  XGetInputFocus(dpy, &focus, &revert);
  XCloseDisplay(dpy);
  return focus == PointerRoot ? 0 : focus;
}
