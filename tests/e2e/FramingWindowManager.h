#pragma once
// A window manager for the end-to-end tests, on a connection and a thread of
// its own. As desktop window managers do, it puts each window a program maps
// into a frame of its own, moves the frame where the program asks its window
// to go, and lets a window go once the program hides it: it moves the window
// to its frame's corner, puts it back on the root and destroys the frame.
//
// A window mapped is framed where it stands, the frame's corner in the
// window's place (the default gravity of a window that asks for a place), so
// it comes down by the title bar and right by the border; the window learns
// where it is. A window let go is left at its frame's corner, so that shown
// again it comes back where it was.
//
// It maximises a window as its title bar's button would (Maximize), saying so
// in the window's _NET_WM_STATE, then filling the screen, and frames one
// maximised that asks for it so when mapped; the button again (Restore) gives
// the window back the place and size it had before, or was mapped at. A
// window it lets go loses that state and is left at the place and size it had
// before it was maximised; told not to give the size back (GiveSizeBack), it
// behaves as some window managers do: it leaves the window as it is,
// maximised size and all, and so un-maximises a window mapped again
// maximised to that size; and it fills the screen with a window it maximises
// before it says so. It takes a request to move and size a window
// (_NET_MOVERESIZE_WINDOW) and says so in _NET_SUPPORTED; told to keep the
// gravity of such a request (KeepRequestGravity), it lets a window it last
// placed so by the window's own corner (static gravity) go at that corner,
// not its frame's, as some window managers do, so that mapped again the
// window comes down by the title bar and right by the border.
//
// It keeps the WM_STATE of each window it frames and deletes it once it has
// let the window go, the sign a program waits for before mapping the window
// again; a window mapped again before that is let go first, then framed anew.
// Told to, it lets the windows hidden from then on go only when the test says
// (HoldLettingGo, LetGoHeld), or never (NeverLetGo): it then keeps a hidden
// window in its frame, WM_STATE and all, and shows it there when it is mapped
// again. Told to (HoldFrames, ShowHeldFrames), it maps the windows it frames
// from then on in frames it shows only when the test says, as some window
// managers show a frame a little after the window in it is mapped.
//
// It says it is there as window managers do (_NET_SUPPORTING_WM_CHECK), so
// that SDL started after it leaves the keyboard focus to the program.
//
// A window manager lets a window go in its own time, while the program goes
// on. Given the relay the program reaches the server through (XRelay.h), it
// makes that time certain: it destroys the frame only once the program, after
// hiding the window, has asked the server which window is its parent, and
// before the program asks anything else. Without such a question it does so
// when the program destroys the window, or after a few seconds.
//
//   TFramingWindowManager wm;
//   ASSERT_TRUE(wm.Start(server.Display(), &relay));
//   ASSERT_TRUE(WaitFor([&] { return wm.Client("Borrowline") != 0; }));
//
// Include it last: Xlib's macros would rename what other headers declare.

#include <poll.h>

#include <atomic>
#include <chrono>
#include <initializer_list>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "tests/e2e/XRelay.h"

#include <X11/Xlib.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include "tests/platform/backend/XWindowsMayVanish.h"

#include "tests/e2e/DeleteWindow.h"

// Whether W's _NET_WM_STATE says it is maximised, or asks to be, both ways.
inline bool MaximizedBothWays(::Display* Dpy, Window W) {
  Atom type = 0;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  bool vert = false, horz = false;
  if (XGetWindowProperty(Dpy, W, XInternAtom(Dpy, "_NET_WM_STATE", False), 0, 64, False, XA_ATOM, &type, &format,
                         &count, &after, &data) == Success &&
      data && format == 32) {
    const auto* atoms = reinterpret_cast<const Atom*>(data);
    for (unsigned long i = 0; i < count; ++i) {
      vert = vert || atoms[i] == XInternAtom(Dpy, "_NET_WM_STATE_MAXIMIZED_VERT", False);
      horz = horz || atoms[i] == XInternAtom(Dpy, "_NET_WM_STATE_MAXIMIZED_HORZ", False);
    }
  }
  if (data) XFree(data);
  return vert && horz;
}

class TFramingWindowManager {
public:
  TFramingWindowManager() = default;
  ~TFramingWindowManager() { Stop(); }
  TFramingWindowManager(const TFramingWindowManager&) = delete;
  TFramingWindowManager& operator=(const TFramingWindowManager&) = delete;

  // Manages the screen of DisplayName; false when it cannot be opened.
  bool Start(const std::string& DisplayName, TXRelay* Relay) {
    FRelay = Relay;
    FDpy = XOpenDisplay(DisplayName.c_str());
    if (!FDpy) return false;
    // A window the program destroys while this one still works on it is no
    // fault of the test's.
    FMayVanish.emplace(FDpy);
    XSelectInput(FDpy, DefaultRootWindow(FDpy), SubstructureRedirectMask | SubstructureNotifyMask);
    const Window check = XCreateSimpleWindow(FDpy, DefaultRootWindow(FDpy), -1, -1, 1, 1, 0, 0, 0);
    for (Window w : {DefaultRootWindow(FDpy), check})
      XChangeProperty(FDpy, w, XInternAtom(FDpy, "_NET_SUPPORTING_WM_CHECK", False), XA_WINDOW, 32, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(&check), 1);
    const Atom supported[] = {
        XInternAtom(FDpy, "_NET_WM_STATE", False), XInternAtom(FDpy, "_NET_WM_STATE_MAXIMIZED_VERT", False),
        XInternAtom(FDpy, "_NET_WM_STATE_MAXIMIZED_HORZ", False), XInternAtom(FDpy, "_NET_MOVERESIZE_WINDOW", False)};
    XChangeProperty(FDpy, DefaultRootWindow(FDpy), XInternAtom(FDpy, "_NET_SUPPORTED", False), XA_ATOM, 32,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(supported), 4);
    XSync(FDpy, False);
    FThread = std::thread([this] { Run(); });
    return true;
  }

  void Stop() {
    if (FThread.joinable()) {
      FStop = true;
      FThread.join();
    }
    if (FDpy) {
      FMayVanish.reset();
      XCloseDisplay(FDpy);
      FDpy = nullptr;
    }
  }

  // The first window managed whose title begins with Title; 0 when none was.
  Window Client(const std::string& Title) {
    const std::lock_guard<std::mutex> lock(FMutex);
    for (const auto& [window, title] : FManaged)
      if (title.compare(0, Title.size(), Title) == 0) return window;
    return 0;
  }
  // The first window managed other than Except; 0 when none was.
  Window ClientOtherThan(Window Except) {
    const std::lock_guard<std::mutex> lock(FMutex);
    for (const auto& [window, title] : FManaged)
      if (window != Except) return window;
    return 0;
  }
  // Whether Window was let go, its frame destroyed.
  bool LetGo(Window W) {
    const std::lock_guard<std::mutex> lock(FMutex);
    return FLetGo.count(W) != 0;
  }

  // What the window manager sends for the close box and Alt+F4.
  void Close(Window W) {
    const std::lock_guard<std::mutex> lock(FRequestMutex);
    FCloses.push_back(W);
  }
  // The title bar's maximise button.
  void Maximize(Window W) {
    const std::lock_guard<std::mutex> lock(FRequestMutex);
    FMaximizes.push_back(W);
  }
  // The same button on a maximised window.
  void Restore(Window W) {
    const std::lock_guard<std::mutex> lock(FRequestMutex);
    FRestores.push_back(W);
  }

  // Whether a window let go gets back the place and size it had before it was
  // maximised (the default).
  void GiveSizeBack(bool Gives) { FGivesSizeBack = Gives; }
  // Whether a window last placed by its own corner is let go there.
  void KeepRequestGravity(bool Keeps) { FKeepsRequestGravity = Keeps; }
  // Windows hidden from now on are let go only at LetGoHeld, or when mapped again.
  void HoldLettingGo() { FHoldLettingGo = true; }
  void LetGoHeld() {
    FHoldLettingGo = false;
    FLetGoHeld = true;
  }
  // Windows hidden from now on are never let go.
  void NeverLetGo() { FNeverLetsGo = true; }
  // Windows framed from now on are shown in their frames only at ShowHeldFrames.
  void HoldFrames() { FHoldFrames = true; }
  void ShowHeldFrames() {
    FHoldFrames = false;
    FShowHeldFrames = true;
  }

private:
  static constexpr int kBorder = 4, kTitle = 22;
  using TClock = std::chrono::steady_clock;

  struct TFramed {
    Window Frame = 0;
    int X = 0, Y = 0, Width = 1, Height = 1;  // the window's, on the screen
    bool LettingGo = false, Destroyed = false;
    bool Held = false;        // let go only when the test says
    bool Kept = false;        // hidden, and kept in its frame
    bool FrameShown = false;  // the frame is mapped
    TClock::time_point Deadline;
    bool Maximized = false;
    bool PlacedByOwnCorner = false;                                   // last placed by a request of static gravity
    int NormalX = 0, NormalY = 0, NormalWidth = 1, NormalHeight = 1;  // before it was maximised
  };

  void Run() {
    while (!FStop) {
      if (!XPending(FDpy)) {
        pollfd input{ConnectionNumber(FDpy), POLLIN, 0};
        poll(&input, 1, 10);
      }
      while (XPending(FDpy)) {
        XEvent e;
        XNextEvent(FDpy, &e);
        Handle(e);
      }
      SendCloses();
      Maximizes();
      if (FLetGoHeld.exchange(false))
        for (auto& [window, framed] : FFramed) framed.Held = false;
      if (FShowHeldFrames.exchange(false))
        for (auto& [window, framed] : FFramed)
          if (!framed.FrameShown && !framed.Kept && !framed.LettingGo) {
            XMapWindow(FDpy, framed.Frame);
            framed.FrameShown = true;
          }
      for (auto& [window, framed] : FFramed)
        if (framed.LettingGo && (framed.Destroyed || (!framed.Held && (!FRelay || FRelay->HoldsAfterTreeQuery() ||
                                                                       TClock::now() > framed.Deadline)))) {
          FinishLettingGo(window, framed);
          break;  // the map changed
        }
      XFlush(FDpy);
    }
  }

  void Handle(const XEvent& e) {
    switch (e.type) {
      case MapRequest: Manage(e.xmaprequest.window); break;
      case ConfigureRequest: Configure(e.xconfigurerequest); break;
      case ClientMessage:
        if (e.xclient.message_type == XInternAtom(FDpy, "_NET_MOVERESIZE_WINDOW", False)) MoveResize(e.xclient);
        break;
      case UnmapNotify: {
        auto it = FFramed.find(e.xunmap.window);
        if (it == FFramed.end() || e.xunmap.event != it->second.Frame || it->second.LettingGo || it->second.Kept) break;
        if (FNeverLetsGo) Keep(it->second);
        else BeginLettingGo(it->first, it->second);
        break;
      }
      case DestroyNotify: {
        auto it = FFramed.find(e.xdestroywindow.window);
        if (it == FFramed.end()) break;
        it->second.Destroyed = true;
        if (!it->second.LettingGo) BeginLettingGo(it->first, it->second);
        break;
      }
      default: break;
    }
  }

  void Manage(Window W) {
    XWindowAttributes a;
    if (!XGetWindowAttributes(FDpy, W, &a)) return;
    // Mapped again before it was let go: let go first, then framed anew.
    if (auto it = FFramed.find(W); it != FFramed.end() && it->second.LettingGo) FinishLettingGo(W, it->second);
    if (auto it = FFramed.find(W); it != FFramed.end() && it->second.Kept) {
      ShowKept(W, it->second);
      return;
    }
    if (a.override_redirect || FFramed.count(W)) {
      XMapWindow(FDpy, W);
      return;
    }
    TFramed f;
    f.X = a.x + kBorder;
    f.Y = a.y + kTitle;
    f.Width = a.width;
    f.Height = a.height;
    f.Frame =
        XCreateSimpleWindow(FDpy, DefaultRootWindow(FDpy), a.x, a.y, FrameWidth(f), FrameHeight(f), 0, 0, 0x808080);
    XSelectInput(FDpy, f.Frame, SubstructureRedirectMask | SubstructureNotifyMask);
    XAddToSaveSet(FDpy, W);
    XReparentWindow(FDpy, W, f.Frame, kBorder, kTitle);
    // The frame first: once the program hears that its window is mapped, it is
    // on the screen; unless the test holds frames back.
    f.FrameShown = !FHoldFrames;
    if (f.FrameShown) XMapWindow(FDpy, f.Frame);
    XMapWindow(FDpy, W);
    const long state[] = {NormalState, None};
    XChangeProperty(FDpy, W, WmState(), WmState(), 32, PropModeReplace, reinterpret_cast<const unsigned char*>(state),
                    2);
    TellWhere(W, f);
    char* name = nullptr;
    const std::string title = XFetchName(FDpy, W, &name) && name ? name : "";
    if (name) XFree(name);
    if (MaximizedBothWays(FDpy, W)) Maximize(W, f);
    FFramed[W] = f;
    const std::lock_guard<std::mutex> lock(FMutex);
    FManaged.emplace_back(W, title);
  }

  Atom WmState() { return XInternAtom(FDpy, "WM_STATE", False); }

  static int FrameWidth(const TFramed& F) { return F.Width + 2 * kBorder; }
  static int FrameHeight(const TFramed& F) { return F.Height + kTitle + kBorder; }

  void Configure(const XConfigureRequestEvent& r) {
    auto it = FFramed.find(r.window);
    if (it == FFramed.end()) {
      XWindowChanges c{r.x, r.y, r.width, r.height, r.border_width, r.above, r.detail};
      XConfigureWindow(FDpy, r.window, unsigned(r.value_mask), &c);
      return;
    }
    // The program asks for its window's place on the screen: the frame moves,
    // and the window keeps its place in it.
    TFramed& f = it->second;
    f.PlacedByOwnCorner = false;
    if (r.value_mask & CWX) f.X = r.x;
    if (r.value_mask & CWY) f.Y = r.y;
    if (r.value_mask & CWWidth) f.Width = r.width;
    if (r.value_mask & CWHeight) f.Height = r.height;
    XMoveResizeWindow(FDpy, f.Frame, f.X - kBorder, f.Y - kTitle, unsigned(FrameWidth(f)), unsigned(FrameHeight(f)));
    XResizeWindow(FDpy, r.window, unsigned(f.Width), unsigned(f.Height));
    TellWhere(r.window, f);
  }

  // The program learns where its window now is on the screen.
  void TellWhere(Window W, const TFramed& F) {
    XEvent e{};
    e.xconfigure.type = ConfigureNotify;
    e.xconfigure.event = W;
    e.xconfigure.window = W;
    e.xconfigure.x = F.X;
    e.xconfigure.y = F.Y;
    e.xconfigure.width = F.Width;
    e.xconfigure.height = F.Height;
    XSendEvent(FDpy, W, False, StructureNotifyMask, &e);
  }

  // Hidden, kept in its frame as it is.
  void Keep(TFramed& F) {
    F.Kept = true;
    XUnmapWindow(FDpy, F.Frame);
    F.FrameShown = false;
  }

  void ShowKept(Window W, TFramed& F) {
    F.Kept = false;
    F.FrameShown = true;
    XMapWindow(FDpy, F.Frame);
    XMapWindow(FDpy, W);
    TellWhere(W, F);
  }

  void BeginLettingGo(Window W, TFramed& F) {
    F.LettingGo = true;
    F.Held = FHoldLettingGo;
    F.Deadline = TClock::now() + std::chrono::seconds(3);
    if (F.Destroyed) return;
    if (FRelay) FRelay->HoldAfterTreeQueryOf(uint32_t(W));
    // To the frame's corner first: the program hears of a move of its window
    // while the window is still in the frame.
    XMoveWindow(FDpy, W, 0, 0);
  }

  void FinishLettingGo(Window W, TFramed& F) {
    if (!F.Destroyed && F.Maximized && !FGivesSizeBack) {
      XDeleteProperty(FDpy, W, XInternAtom(FDpy, "_NET_WM_STATE", False));
    } else if (!F.Destroyed && F.Maximized) {
      F.X = F.NormalX;
      F.Y = F.NormalY;
      F.Width = F.NormalWidth;
      F.Height = F.NormalHeight;
      XResizeWindow(FDpy, W, unsigned(F.Width), unsigned(F.Height));
      XDeleteProperty(FDpy, W, XInternAtom(FDpy, "_NET_WM_STATE", False));
    }
    if (!F.Destroyed) {
      const bool ownCorner = F.PlacedByOwnCorner && FKeepsRequestGravity;
      XReparentWindow(FDpy, W, DefaultRootWindow(FDpy), F.X - (ownCorner ? 0 : kBorder),
                      F.Y - (ownCorner ? 0 : kTitle));
      XRemoveFromSaveSet(FDpy, W);
    }
    XDestroyWindow(FDpy, F.Frame);
    // Last: a program may map the window again once it is gone.
    if (!F.Destroyed) XDeleteProperty(FDpy, W, WmState());
    XSync(FDpy, False);
    if (FRelay) FRelay->ReleaseTreeQueryHold();
    FFramed.erase(W);
    const std::lock_guard<std::mutex> lock(FMutex);
    FLetGo.insert(W);
  }

  // The frame fills the screen, and the window the frame.
  void Maximize(Window W, TFramed& F) {
    if (!F.Maximized) {
      F.NormalX = F.X;
      F.NormalY = F.Y;
      F.NormalWidth = F.Width;
      F.NormalHeight = F.Height;
    }
    F.Maximized = true;
    F.PlacedByOwnCorner = false;
    const bool movesFirst = !FGivesSizeBack;
    if (!movesFirst) SayMaximized(W);
    F.X = kBorder;
    F.Y = kTitle;
    F.Width = DisplayWidth(FDpy, DefaultScreen(FDpy)) - 2 * kBorder;
    F.Height = DisplayHeight(FDpy, DefaultScreen(FDpy)) - kTitle - kBorder;
    Reframe(W, F);
    if (movesFirst) SayMaximized(W);
  }

  void SayMaximized(Window W) {
    const Atom state[] = {XInternAtom(FDpy, "_NET_WM_STATE_MAXIMIZED_VERT", False),
                          XInternAtom(FDpy, "_NET_WM_STATE_MAXIMIZED_HORZ", False)};
    XChangeProperty(FDpy, W, XInternAtom(FDpy, "_NET_WM_STATE", False), XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(state), 2);
  }

  // A program's request to put its window (static gravity: the window itself,
  // not its frame) or its frame at a place, at a size.
  void MoveResize(const XClientMessageEvent& M) {
    auto it = FFramed.find(M.window);
    if (it == FFramed.end() || it->second.LettingGo) return;
    TFramed& f = it->second;
    const long flags = M.data.l[0];
    const bool framePlace = (flags & 0xFF) != StaticGravity;
    f.PlacedByOwnCorner = !framePlace;
    if (flags & 0x100) f.X = int(M.data.l[1]) + (framePlace ? kBorder : 0);
    if (flags & 0x200) f.Y = int(M.data.l[2]) + (framePlace ? kTitle : 0);
    if (flags & 0x400) f.Width = int(M.data.l[3]);
    if (flags & 0x800) f.Height = int(M.data.l[4]);
    Reframe(M.window, f);
  }

  // Back where it was before it was maximised, or was mapped at: moved
  // first, then said so, as window managers do.
  void Restore(Window W, TFramed& F) {
    if (!F.Maximized) return;
    F.Maximized = false;
    F.PlacedByOwnCorner = false;
    F.X = F.NormalX;
    F.Y = F.NormalY;
    F.Width = F.NormalWidth;
    F.Height = F.NormalHeight;
    Reframe(W, F);
    XDeleteProperty(FDpy, W, XInternAtom(FDpy, "_NET_WM_STATE", False));
  }

  // The frame and the window take F's place and size, and the program hears of it.
  void Reframe(Window W, const TFramed& F) {
    XMoveResizeWindow(FDpy, F.Frame, F.X - kBorder, F.Y - kTitle, unsigned(FrameWidth(F)), unsigned(FrameHeight(F)));
    XResizeWindow(FDpy, W, unsigned(F.Width), unsigned(F.Height));
    TellWhere(W, F);
  }

  void Maximizes() {
    std::vector<Window> maximizes, restores;
    {
      const std::lock_guard<std::mutex> lock(FRequestMutex);
      maximizes.swap(FMaximizes);
      restores.swap(FRestores);
    }
    for (Window w : maximizes)
      if (auto it = FFramed.find(w); it != FFramed.end() && !it->second.LettingGo) Maximize(w, it->second);
    for (Window w : restores)
      if (auto it = FFramed.find(w); it != FFramed.end() && !it->second.LettingGo) Restore(w, it->second);
  }

  void SendCloses() {
    std::vector<Window> closes;
    {
      const std::lock_guard<std::mutex> lock(FRequestMutex);
      closes.swap(FCloses);
    }
    for (Window w : closes) SendDeleteWindow(FDpy, w);
  }

  ::Display* FDpy = nullptr;
  TXRelay* FRelay = nullptr;
  std::optional<TXWindowsMayVanish> FMayVanish;
  std::atomic<bool> FStop{false};
  std::thread FThread;
  std::map<Window, TFramed> FFramed;  // the WM thread's own
  std::mutex FMutex;                  // guards what the test reads
  std::vector<std::pair<Window, std::string>> FManaged;
  std::set<Window> FLetGo;
  std::mutex FRequestMutex;
  std::vector<Window> FCloses;
  std::vector<Window> FMaximizes;
  std::vector<Window> FRestores;
  std::atomic<bool> FGivesSizeBack{true};
  std::atomic<bool> FKeepsRequestGravity{false};
  std::atomic<bool> FHoldLettingGo{false}, FLetGoHeld{false};
  std::atomic<bool> FNeverLetsGo{false};
  std::atomic<bool> FHoldFrames{false}, FShowHeldFrames{false};
};
