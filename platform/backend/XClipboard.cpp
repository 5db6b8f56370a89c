#include "platform/backend/XClipboard.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <poll.h>

#include <chrono>
#include <climits>

struct TXClipboard::TState {
  ::Display* Dpy = nullptr;
  ::Window Win = 0;
  Atom Clipboard = 0, Utf8 = 0, Incr = 0, Prop = 0;
};

namespace {

using TClock = std::chrono::steady_clock;

// The next event for us, running Idle while none has come; false at Deadline.
bool NextEvent(::Display* Dpy, XEvent& Event, TClock::time_point Deadline, const std::function<void()>& Idle) {
  while (true) {
    if (XPending(Dpy)) {
      XNextEvent(Dpy, &Event);
      return true;
    }
    if (TClock::now() >= Deadline) return false;
    if (Idle) Idle();
    pollfd p{ConnectionNumber(Dpy), POLLIN, 0};
    poll(&p, 1, 5);
  }
}

// Takes the whole property off our window (deleting it, which tells an owner
// sending in pieces to send the next one).
bool TakeProperty(const TXClipboard::TState& S, Atom& Type, std::string& Bytes) {
  Atom type = None;
  int format = 0;
  unsigned long items = 0, after = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(S.Dpy, S.Win, S.Prop, 0, LONG_MAX / 4, True, AnyPropertyType, &type, &format, &items, &after,
                         &data) != Success)
    return false;
  Type = type;
  Bytes.assign(reinterpret_cast<const char*>(data), data && format == 8 ? items : 0);
  if (data) XFree(data);
  return true;
}

std::string Latin1ToUtf8(const std::string& In) {
  std::string out;
  out.reserve(In.size());
  for (unsigned char c : In) {
    if (c < 0x80) {
      out += char(c);
    } else {
      out += char(0xC0 | (c >> 6));
      out += char(0x80 | (c & 0x3F));
    }
  }
  return out;
}

}  // namespace

std::unique_ptr<TXClipboard> TXClipboard::Open(const char* DisplayName) {
  auto s = std::make_unique<TState>();
  s->Dpy = XOpenDisplay(DisplayName);
  if (!s->Dpy) return nullptr;
  s->Win = XCreateSimpleWindow(s->Dpy, DefaultRootWindow(s->Dpy), 0, 0, 1, 1, 0, 0, 0);
  XSelectInput(s->Dpy, s->Win, PropertyChangeMask);
  s->Clipboard = XInternAtom(s->Dpy, "CLIPBOARD", False);
  s->Utf8 = XInternAtom(s->Dpy, "UTF8_STRING", False);
  s->Incr = XInternAtom(s->Dpy, "INCR", False);
  s->Prop = XInternAtom(s->Dpy, "BORROWLINE_CLIPBOARD", False);
  return std::unique_ptr<TXClipboard>(new TXClipboard(std::move(s)));
}

TXClipboard::TXClipboard(std::unique_ptr<TState> State) : FState(std::move(State)) {}

TXClipboard::~TXClipboard() {
  XDestroyWindow(FState->Dpy, FState->Win);
  XCloseDisplay(FState->Dpy);
}

TXClipboardRead TXClipboard::ReadText(std::string& Utf8, std::string& Error, const std::function<void()>& Idle,
                                      int TimeoutMs) {
  TState& s = *FState;
  Utf8.clear();
  // This process's own connection may still hold the request that took the
  // selection: it goes out first.
  if (Idle) Idle();
  if (XGetSelectionOwner(s.Dpy, s.Clipboard) == None) return TXClipboardRead::NoText;
  // What an earlier, abandoned transfer left behind.
  XDeleteProperty(s.Dpy, s.Win, s.Prop);
  XSync(s.Dpy, False);
  XEvent ev;
  while (XPending(s.Dpy)) XNextEvent(s.Dpy, &ev);
  XConvertSelection(s.Dpy, s.Clipboard, s.Utf8, s.Prop, s.Win, CurrentTime);
  XFlush(s.Dpy);

  const auto wait = std::chrono::milliseconds(TimeoutMs);
  auto deadline = TClock::now() + wait;
  bool pieces = false;
  while (true) {
    if (!NextEvent(s.Dpy, ev, deadline, Idle)) {
      Error = "timeout";
      return TXClipboardRead::Failed;
    }
    Atom type = None;
    std::string bytes;
    if (!pieces && ev.type == SelectionNotify && ev.xselection.requestor == s.Win) {
      if (ev.xselection.property == None) return TXClipboardRead::NoText;  // the owner has no text
      if (!TakeProperty(s, type, bytes)) {
        Error = "unreadable";
        return TXClipboardRead::Failed;
      }
      if (type == s.Incr) {  // taking the property asked for the first piece
        pieces = true;
        deadline = TClock::now() + wait;
        continue;
      }
      if (type == s.Utf8) Utf8 = std::move(bytes);
      else if (type == XA_STRING) Utf8 = Latin1ToUtf8(bytes);
      else {
        Error = "not text";
        return TXClipboardRead::Failed;
      }
      return TXClipboardRead::Text;
    }
    if (pieces && ev.type == PropertyNotify && ev.xproperty.window == s.Win && ev.xproperty.atom == s.Prop &&
        ev.xproperty.state == PropertyNewValue) {
      if (!TakeProperty(s, type, bytes)) {
        Error = "unreadable";
        return TXClipboardRead::Failed;
      }
      if (bytes.empty()) return TXClipboardRead::Text;  // an empty piece ends the text
      Utf8 += bytes;
      deadline = TClock::now() + wait;
    }
  }
}
