#include "platform/backend/SdlDisplay.h"

#include <SDL.h>
#include <cairo.h>

#include <algorithm>
#include <climits>
#include <utility>
#include <vector>

#include "platform/backend/SdlConnection.h"
#include "platform/backend/XClipboard.h"
#include "platform/backend/XErrors.h"
#include "platform/core/Exceptions.h"
#include "platform/ui/Input.h"
#include "platform/ui/MessageQueue.h"
#include "platform/ui/MsgBox.h"

namespace {

// Keys by their place on the keyboard, so that a Cyrillic layout still gives the
// letter keys their virtual codes.
Word VirtualKeyOf(SDL_Scancode sc) {
  if (sc >= SDL_SCANCODE_A && sc <= SDL_SCANCODE_Z) return Word('A' + (sc - SDL_SCANCODE_A));
  if (sc >= SDL_SCANCODE_1 && sc <= SDL_SCANCODE_9) return Word('1' + (sc - SDL_SCANCODE_1));
  if (sc >= SDL_SCANCODE_F1 && sc <= SDL_SCANCODE_F12) return Word(VK_F1 + (sc - SDL_SCANCODE_F1));
  if (sc >= SDL_SCANCODE_KP_1 && sc <= SDL_SCANCODE_KP_9) return Word(VK_NUMPAD0 + 1 + (sc - SDL_SCANCODE_KP_1));
  switch (sc) {
    case SDL_SCANCODE_0: return '0';
    case SDL_SCANCODE_KP_0: return VK_NUMPAD0;
    case SDL_SCANCODE_RETURN:
    case SDL_SCANCODE_KP_ENTER: return VK_RETURN;
    case SDL_SCANCODE_ESCAPE: return VK_ESCAPE;
    case SDL_SCANCODE_BACKSPACE: return VK_BACK;
    case SDL_SCANCODE_TAB: return VK_TAB;
    case SDL_SCANCODE_SPACE: return VK_SPACE;
    case SDL_SCANCODE_INSERT: return VK_INSERT;
    case SDL_SCANCODE_DELETE: return VK_DELETE;
    case SDL_SCANCODE_HOME: return VK_HOME;
    case SDL_SCANCODE_END: return VK_END;
    case SDL_SCANCODE_PAGEUP: return VK_PRIOR;
    case SDL_SCANCODE_PAGEDOWN: return VK_NEXT;
    case SDL_SCANCODE_LEFT: return VK_LEFT;
    case SDL_SCANCODE_RIGHT: return VK_RIGHT;
    case SDL_SCANCODE_UP: return VK_UP;
    case SDL_SCANCODE_DOWN: return VK_DOWN;
    case SDL_SCANCODE_LSHIFT:
    case SDL_SCANCODE_RSHIFT: return VK_SHIFT;
    case SDL_SCANCODE_LCTRL:
    case SDL_SCANCODE_RCTRL: return VK_CONTROL;
    case SDL_SCANCODE_LALT:
    case SDL_SCANCODE_RALT: return VK_MENU;
    case SDL_SCANCODE_APPLICATION: return VK_APPS;
    case SDL_SCANCODE_PAUSE: return VK_PAUSE;
    case SDL_SCANCODE_CAPSLOCK: return VK_CAPITAL;
    case SDL_SCANCODE_NUMLOCKCLEAR: return VK_NUMLOCK;
    case SDL_SCANCODE_SCROLLLOCK: return VK_SCROLL;
    case SDL_SCANCODE_KP_MULTIPLY: return VK_MULTIPLY;
    case SDL_SCANCODE_KP_PLUS: return VK_ADD;
    case SDL_SCANCODE_KP_MINUS: return VK_SUBTRACT;
    case SDL_SCANCODE_KP_PERIOD: return VK_DECIMAL;
    case SDL_SCANCODE_KP_DIVIDE: return VK_DIVIDE;
    case SDL_SCANCODE_SEMICOLON: return VK_OEM_1;
    case SDL_SCANCODE_EQUALS: return VK_OEM_PLUS;
    case SDL_SCANCODE_COMMA: return VK_OEM_COMMA;
    case SDL_SCANCODE_MINUS: return VK_OEM_MINUS;
    case SDL_SCANCODE_PERIOD: return VK_OEM_PERIOD;
    case SDL_SCANCODE_SLASH: return VK_OEM_2;
    case SDL_SCANCODE_GRAVE: return VK_OEM_3;
    case SDL_SCANCODE_LEFTBRACKET: return VK_OEM_4;
    case SDL_SCANCODE_BACKSLASH: return VK_OEM_5;
    case SDL_SCANCODE_RIGHTBRACKET: return VK_OEM_6;
    case SDL_SCANCODE_APOSTROPHE: return VK_OEM_7;
    default: return 0;
  }
}

TMouseButton ButtonOf(Uint8 b) { return b == SDL_BUTTON_RIGHT ? mbRight : b == SDL_BUTTON_MIDDLE ? mbMiddle : mbLeft; }

SDL_SystemCursor SystemCursorOf(HCURSOR c) {
  switch (c) {
    case IDC_IBEAM: return SDL_SYSTEM_CURSOR_IBEAM;
    case IDC_WAIT: return SDL_SYSTEM_CURSOR_WAIT;
    case IDC_APPSTARTING: return SDL_SYSTEM_CURSOR_WAITARROW;
    case IDC_CROSS: return SDL_SYSTEM_CURSOR_CROSSHAIR;
    case IDC_SIZENWSE: return SDL_SYSTEM_CURSOR_SIZENWSE;
    case IDC_SIZENESW: return SDL_SYSTEM_CURSOR_SIZENESW;
    case IDC_SIZEWE:
    case IDC_HSPLIT: return SDL_SYSTEM_CURSOR_SIZEWE;
    case IDC_SIZENS:
    case IDC_VSPLIT: return SDL_SYSTEM_CURSOR_SIZENS;
    case IDC_SIZEALL: return SDL_SYSTEM_CURSOR_SIZEALL;
    case IDC_NO:
    case IDC_NODROP: return SDL_SYSTEM_CURSOR_NO;
    case IDC_HAND: return SDL_SYSTEM_CURSOR_HAND;
    default: return SDL_SYSTEM_CURSOR_ARROW;
  }
}

// How long a window's rectangle lasts before it counts as its own: a window
// manager's moves as it maximises a window come within far less, and a user's
// own move then maximising far later.
constexpr UInt64 kOwnRectMs = 250;

bool HasCaption(HWND h) { return (GetWindowStyle(h) & WS_CAPTION) == WS_CAPTION; }

bool NeverActivates(HWND h) {
  const DWORD ex = GetWindowExStyle(h);
  return (ex & WS_EX_NOACTIVATE) || ((GetWindowStyle(h) & WS_POPUP) && GetWindowOwner(h) && !HasCaption(h)) ||
         (ex & WS_EX_TOOLWINDOW && !HasCaption(h));
}

}  // namespace

std::unique_ptr<TSdlDisplay> TSdlDisplay::Open(String& Error) {
  // The X11 driver unless the user asks for another through SDL_VIDEODRIVER.
  SDL_SetHintWithPriority(SDL_HINT_VIDEODRIVER, "x11", SDL_HINT_DEFAULT);
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  // Window images go straight to X (no GL renderer behind the window surface).
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
  SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
  SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
  // Before SDL's start-up too: as SDL ends it puts back the handler it found
  // then, and an error read while it closes its connections, or on ours closed
  // after them, must be passed over as well.
  HandleXErrors();
  if (SDL_Init(SDL_INIT_VIDEO) != 0) {
    Error = u"Не удалось открыть дисплей: " + FromUtf8(SDL_GetError());
    return nullptr;
  }
  // After SDL's start-up, which may set handlers of its own; SDL restores the
  // one it finds whenever it sets one for a moment.
  HandleXErrors();
  // The window manager's word on the windows comes in properties SDL keeps to
  // itself (see HandleXEvent).
  SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
  std::unique_ptr<TSdlDisplay> d(new TSdlDisplay());
  // The X clipboard is read on a connection of our own (see XClipboard.h).
  if (const char* driver = SDL_GetCurrentVideoDriver(); driver && SDL_strcmp(driver, "x11") == 0)
    d->FXClipboard = TXClipboard::Open(nullptr);
  SDL_StartTextInput();
  SetDisplayBackend(d.get());
  SetClipboardBridge(d.get());
  // On a real screen a message box is a dialog the user answers.
  d->FPreviousBoxHook = SetMessageBoxHook(ShowMessageForm);
  return d;
}

TSdlDisplay::TSdlDisplay() = default;

TSdlDisplay::~TSdlDisplay() {
  SetMessageBoxHook(std::move(FPreviousBoxHook));
  SetClipboardBridge(nullptr);
  SetDisplayBackend(nullptr);
  for (auto& [h, s] : FShown)
    if (s.Window) SDL_DestroyWindow(s.Window);
  for (auto& [c, cur] : FCursors) SDL_FreeCursor(cur);
  SDL_StopTextInput();
  SDL_Quit();
}

UInt64 TSdlDisplay::Now() { return SDL_GetTicks64(); }

std::vector<TDisplayMonitor> TSdlDisplay::Monitors() {
  std::vector<TDisplayMonitor> out;
  const int n = SDL_GetNumVideoDisplays();
  for (int i = 0; i < n; ++i) {
    SDL_Rect b, u;
    if (SDL_GetDisplayBounds(i, &b) != 0) continue;
    if (SDL_GetDisplayUsableBounds(i, &u) != 0) u = b;
    out.push_back({TRect(b.x, b.y, b.x + b.w, b.y + b.h), TRect(u.x, u.y, u.x + u.w, u.y + u.h)});
  }
  if (out.empty()) out.push_back({TRect(0, 0, 1280, 1024), TRect(0, 0, 1280, 1024)});
  return out;
}

TSdlDisplay::TShown* TSdlDisplay::Find(HWND Wnd) {
  auto it = FShown.find(Wnd);
  return it == FShown.end() ? nullptr : &it->second;
}

std::optional<TRect> TSdlDisplay::OwnRectOf(HWND Wnd) const {
  auto it = FShown.find(Wnd);
  return it == FShown.end() ? std::nullopt : it->second.Normal;
}

SDL_Window* TSdlDisplay::SdlWindowOf(HWND Wnd) const {
  auto it = FShown.find(Wnd);
  return it == FShown.end() ? nullptr : it->second.Window;
}

HWND TSdlDisplay::FromWindowId(unsigned Id) const {
  for (const auto& [h, s] : FShown)
    if (s.Window && SDL_GetWindowID(s.Window) == Id) return h;
  return nullptr;
}

TRect TSdlDisplay::ShownPart(HWND Wnd, const TShown& S) const {
  const TRect wr = GetWindowRect(Wnd);
  if (S.Decorated) return GetClientRectInWindow(Wnd);
  return TRect(0, 0, wr.Width(), wr.Height());
}

void TSdlDisplay::WindowCreated(HWND) {}

void TSdlDisplay::Create(HWND Wnd) {
  TShown s;
  s.Decorated = HasCaption(Wnd);
  s.Popup = !s.Decorated && NeverActivates(Wnd);
  const TRect part = ShownPart(Wnd, s);
  const TRect wr = GetWindowRect(Wnd);
  Uint32 flags = SDL_WINDOW_HIDDEN;
  if (!s.Decorated) {
    flags |= SDL_WINDOW_BORDERLESS;
    if (GetWindowOwner(Wnd) || s.Popup) flags |= SDL_WINDOW_SKIP_TASKBAR;
    if (s.Popup) flags |= SDL_WINDOW_POPUP_MENU;
  } else if (GetWindowStyle(Wnd) & WS_THICKFRAME) {
    flags |= SDL_WINDOW_RESIZABLE;
  }
  s.Title = GetWindowText(Wnd);
  s.Window = SDL_CreateWindow(ToUtf8(s.Title).c_str(), wr.Left + part.Left, wr.Top + part.Top,
                              std::max(1, part.Width()), std::max(1, part.Height()), flags);
  FShown[Wnd] = s;
}

void TSdlDisplay::Destroy(HWND Wnd) {
  auto it = FShown.find(Wnd);
  if (it == FShown.end()) return;
  if (FFocusOwed == Wnd) FFocusOwed = nullptr;
  if (it->second.Window) SDL_DestroyWindow(it->second.Window);
  FShown.erase(it);
}

void TSdlDisplay::WindowDestroyed(HWND Wnd) { Destroy(Wnd); }

void TSdlDisplay::DropStale() {
  std::vector<HWND> gone;
  for (const auto& [h, s] : FShown)
    if (!IsWindow(h)) gone.push_back(h);
  for (HWND h : gone) Destroy(h);
}

void TSdlDisplay::FocusOwner(HWND Popup) {
  for (HWND o = GetWindowOwner(Popup); o; o = GetWindowOwner(o)) {
    TShown* s = Find(o);
    if (s && s->Window && !s->Popup) {
      FocusWhenViewable(o);
      return;
    }
  }
}

SDL_Window* TSdlDisplay::OwnerWindowOf(HWND Wnd) {
  for (HWND o = GetWindowOwner(Wnd); o; o = GetWindowOwner(o)) {
    TShown* s = Find(o);
    if (s && s->Window) return s->Window;
  }
  return nullptr;
}

void TSdlDisplay::FocusGained(HWND h) {
  TShown* s = Find(h);
  if (!s || !IsWindow(h)) return;
  if (s->Popup) FocusOwner(h);
  else if (!IsWindowEnabled(h)) BringModalForward(h);  // the window manager chose a window a modal one disables
  else if (GetActiveWindow() != h) {
    FSyncing = true;
    SetActiveWindow(h);
    FSyncing = false;
  }
}

void TSdlDisplay::WindowShown(HWND Wnd, bool Visible) {
  DropStale();
  TShown* s = Find(Wnd);
  if (!Visible) {
    if (s && s->Window) Hide(Wnd, *s);
    return;
  }
  if (!s) {
    Create(Wnd);
    s = Find(Wnd);
  }
  if (!s->Window) return;
  // Shown again at once, as a handler may: the window manager finishes with
  // the hidden window first, while the program goes on.
  if (AwaitsWithdrawal(*s)) s->ShowOwed = true;
  else Show(Wnd, *s);
}

void TSdlDisplay::Hide(HWND Wnd, TShown& S) {
  // Never on the screen since it was last hidden: nothing to take off it.
  if (std::exchange(S.ShowOwed, false)) return;
  // Kept, hidden, as the same X window: a window manager puts a window it has
  // not framed before where the window asks, frame and all, so a new one
  // would come back lower by the title bar at each showing.
  S.Maximized = MaximizedNow(S.Window);
  S.NormalOwed = TShown::TNormalOwed::No;
  const TRect wr = GetWindowRect(Wnd);
  S.FrameOffset.reset();
  // Hidden maximised neither way, the window is where it is of its own.
  if (MaximizedAnyWayNow(S.Window)) {
    SettleNormal(S, true);
  } else {
    S.Normal = wr;
    S.Candidate.reset();
    if (int left = 0, top = 0; FrameOffsetNow(S.Window, left, top)) S.FrameOffset = TPoint(left, top);
  }
  S.HiddenAt = TPoint(wr.Left, wr.Top);
  SDL_HideWindow(S.Window);
  S.Withdrawing = true;
  // Only a window manager that has stopped answering, or never says it lets
  // windows go, makes the showing wait it all.
  S.WithdrawalDue = Now() + WithdrawalBoundMs;
}

bool TSdlDisplay::AwaitsWithdrawal(TShown& S) {
  if (!S.Withdrawing) return false;
  if (LetGoNow(S.Window)) {
    S.Withdrawing = false;
    FWaitForWithdrawal = true;
    return false;
  }
  // The window manager had its time since the hiding, and did not say it let
  // the window go: it does not say so.
  if (Now() >= S.WithdrawalDue) FWaitForWithdrawal = false;
  return FWaitForWithdrawal;
}

void TSdlDisplay::Show(HWND Wnd, TShown& S) {
  S.ShowOwed = S.Withdrawing = false;
  Place(Wnd, S);
  // Framed anew, the window has its frame's corner where it stands; a window
  // manager may have let it go elsewhere, as one does that last placed it by
  // its own corner (see GiveNormalsBack): it leaves it at that corner.
  if (S.HiddenAt && S.FrameOffset && !S.Maximized) {
    const TRect wr = GetWindowRect(Wnd), part = ShownPart(Wnd, S);
    PutLetGoWindowAt(S.Window, wr.Left + part.Left - S.FrameOffset->X, wr.Top + part.Top - S.FrameOffset->Y);
  }
  S.HiddenAt.reset();
  // The window manager learns whose window it is (WM_TRANSIENT_FOR) before it maps
  // it, and so keeps it above that one: a box is never lost behind its dialog.
  if (SDL_Window* owner = OwnerWindowOf(Wnd)) SDL_SetWindowModalFor(S.Window, owner);
  // Asked for before it is mapped, so that the window manager frames it
  // maximised at once; on the window itself too, as SDL may still believe it
  // maximised and pass its own request over.
  S.Zoomed = S.Maximized;
  if (std::exchange(S.Maximized, false)) {
    SDL_MaximizeWindow(S.Window);
    AskMaximizedWhenMapped(S.Window);
    if (S.Normal) S.NormalOwed = TShown::TNormalOwed::UntilFramed;
  }
  SDL_ShowWindow(S.Window);
  KeepNormal(Wnd, S);
  PresentAll(Wnd);
  if (S.Popup) FocusOwner(Wnd);
}

bool TSdlDisplay::ShowOwed() {
  std::vector<HWND> due;
  for (auto& [h, s] : FShown) {
    if (!s.ShowOwed || !s.Window) continue;
    if (s.Withdrawing && FWaitForWithdrawal) {
      if (Now() < s.WithdrawalDue) continue;
      FWaitForWithdrawal = false;
    }
    due.push_back(h);
  }
  for (HWND h : due)
    if (TShown* s = Find(h); s && s->ShowOwed) Show(h, *s);
  return !due.empty();
}

std::optional<UInt64> TSdlDisplay::NextWithdrawalDue() {
  std::optional<UInt64> due;
  for (const auto& [h, s] : FShown)
    if (s.ShowOwed && s.Withdrawing) due = std::min(due.value_or(s.WithdrawalDue), s.WithdrawalDue);
  if (!due) return due;
  const UInt64 now = Now();
  return *due > now ? *due - now : 0;
}

void TSdlDisplay::HandleXEvent(const SDL_Event& Event) {
  for (auto& [h, s] : FShown) {
    if (!s.Window) continue;
    if (s.Withdrawing && WmStateChanged(Event, s.Window) && LetGoNow(s.Window)) {
      // Shown, if it waited, once the events before this one are handled too (see Pump).
      s.Withdrawing = false;
      FWaitForWithdrawal = true;
    }
    if (!NetWmStateChanged(Event, s.Window)) continue;
    const bool zoomed = MaximizedAnyWayNow(s.Window);
    if (zoomed && !s.Zoomed) SettleNormal(s, true);
    s.Zoomed = zoomed;
    if (s.NormalOwed != TShown::TNormalOwed::No) FollowMaximised(s);
  }
}

void TSdlDisplay::KeepNormal(HWND Wnd, TShown& S) {
  if (S.NormalOwed != TShown::TNormalOwed::No || S.Zoomed || !IsWindowVisible(Wnd) ||
      !(SDL_GetWindowFlags(S.Window) & SDL_WINDOW_SHOWN))
    return;
  SettleNormal(S, false);
  S.Candidate = GetWindowRect(Wnd);
  S.CandidateAt = Now();
}

void TSdlDisplay::SettleNormal(TShown& S, bool Drop) {
  if (S.Candidate && Now() - S.CandidateAt >= kOwnRectMs) S.Normal = S.Candidate;
  if (Drop || S.Normal == S.Candidate) S.Candidate.reset();
}

void TSdlDisplay::FollowMaximised(TShown& S) {
  using TOwed = TShown::TNormalOwed;
  // Our own request counts once the window manager has framed the window so.
  if (S.NormalOwed == TOwed::UntilFramed && ViewableNow(S.Window) && MaximizedNow(S.Window))
    S.NormalOwed = TOwed::UntilUnmaximised;
  if (S.NormalOwed == TOwed::UntilUnmaximised && !MaximizedAnyWayNow(S.Window)) {
    S.NormalOwed = TOwed::Now;
    // A window manager un-maximising a window moves it before or after it
    // says so: what it did by now is read before the window's rectangle is
    // given back, and needs none given back if it is the window's own.
    SyncSdlConnection(S.Window);
  }
}

void TSdlDisplay::GiveNormalsBack() {
  std::vector<HWND> owed;
  for (auto& [h, s] : FShown)
    if (s.NormalOwed == TShown::TNormalOwed::Now) {
      s.NormalOwed = TShown::TNormalOwed::No;
      owed.push_back(h);
    }
  for (HWND h : owed) {
    const TShown* s = Find(h);
    if (!s || !s->Normal || !IsWindowVisible(h) || GetWindowRect(h) == *s->Normal) continue;
    // Asked of the window manager, which may still be un-maximising the
    // window, its frame not yet what it will be; the window layer follows
    // what it does, as with any move of the window manager's.
    const TRect r = *s->Normal, wr = GetWindowRect(h), part = ShownPart(h, *s);
    const int width = std::max(1, r.Width() - (wr.Width() - part.Width()));
    const int height = std::max(1, r.Height() - (wr.Height() - part.Height()));
    if (!AskWindowManagerToPlace(s->Window, r.Left + part.Left, r.Top + part.Top, width, height))
      SetWindowPos(h, nullptr, r.Left, r.Top, r.Width(), r.Height(), SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void TSdlDisplay::Place(HWND Wnd, TShown& S) {
  const TRect part = ShownPart(Wnd, S);
  const TRect wr = GetWindowRect(Wnd);
  int x, y, w, h;
  SDL_GetWindowPosition(S.Window, &x, &y);
  SDL_GetWindowSize(S.Window, &w, &h);
  const int nw = std::max(1, part.Width()), nh = std::max(1, part.Height());
  if (w != nw || h != nh) SDL_SetWindowSize(S.Window, nw, nh);
  bool move = x != wr.Left + part.Left || y != wr.Top + part.Top;
  // SDL's idea of a hidden window's place is not where the window manager left it.
  if (S.HiddenAt) {
    const TPoint at(wr.Left, wr.Top);
    move = *S.HiddenAt != at;
    S.HiddenAt = at;
  }
  if (move) SDL_SetWindowPosition(S.Window, wr.Left + part.Left, wr.Top + part.Top);
}

void TSdlDisplay::WindowMoved(HWND Wnd, const TRect&) {
  if (FSyncing) return;
  TShown* s = Find(Wnd);
  if (s && s->Window) {
    Place(Wnd, *s);
    KeepNormal(Wnd, *s);
    PresentAll(Wnd);
  }
}

void TSdlDisplay::WindowActivated(HWND Wnd) {
  if (FSyncing) return;
  TShown* s = Find(Wnd);
  if (!s || !s->Window || s->Popup) return;
  // Its showing waits for the window manager: it takes the keyboard once
  // shown, mapped on top of the others.
  if (s->ShowOwed) FFocusOwed = Wnd;
  if (!(SDL_GetWindowFlags(s->Window) & SDL_WINDOW_SHOWN)) return;
  SDL_RaiseWindow(s->Window);
  // The keyboard follows the activation: without a window manager nothing
  // else gives it back when the window that had it hides.
  FocusWhenViewable(Wnd);
}

void TSdlDisplay::FocusWhenViewable(HWND Wnd) {
  FFocusOwed = Wnd;
  GiveOwedFocus();
}

void TSdlDisplay::GiveOwedFocus() {
  if (!FFocusOwed) return;
  TShown* s = Find(FFocusOwed);
  if (!s || !s->Window || !IsWindowVisible(FFocusOwed)) {
    FFocusOwed = nullptr;
    return;
  }
  // Asked for any sooner, X refuses it with an error (BadMatch).
  if (!(SDL_GetWindowFlags(s->Window) & SDL_WINDOW_SHOWN) || !ViewableNow(s->Window)) return;
  FFocusOwed = nullptr;
  SDL_SetWindowInputFocus(s->Window);
}

void TSdlDisplay::PresentAll(HWND Wnd) {
  if (cairo_surface_t* img = GetWindowSurface(Wnd)) {
    const TRect wr = GetWindowRect(Wnd);
    Present(Wnd, img, TRect(0, 0, wr.Width(), wr.Height()));
  }
}

void TSdlDisplay::Present(HWND Wnd, cairo_surface_t* Image, const TRect& Dirty) {
  TShown* s = Find(Wnd);
  if (!s || !s->Window || !Image) return;
  const String title = GetWindowText(Wnd);
  if (title != s->Title) {
    s->Title = title;
    SDL_SetWindowTitle(s->Window, ToUtf8(title).c_str());
  }
  const TRect part = ShownPart(Wnd, *s);
  TRect r = Dirty;
  r.Left = std::max(r.Left, part.Left);
  r.Top = std::max(r.Top, part.Top);
  r.Right = std::min({r.Right, part.Right, Integer(cairo_image_surface_get_width(Image))});
  r.Bottom = std::min({r.Bottom, part.Bottom, Integer(cairo_image_surface_get_height(Image))});
  if (r.Right <= r.Left || r.Bottom <= r.Top) return;
  SDL_Surface* dst = SDL_GetWindowSurface(s->Window);
  if (!dst) return;
  cairo_surface_flush(Image);
  SDL_Surface* src = SDL_CreateRGBSurfaceWithFormatFrom(
      cairo_image_surface_get_data(Image), cairo_image_surface_get_width(Image), cairo_image_surface_get_height(Image),
      32, cairo_image_surface_get_stride(Image), SDL_PIXELFORMAT_ARGB8888);
  if (!src) return;
  SDL_SetSurfaceBlendMode(src, SDL_BLENDMODE_NONE);
  SDL_Rect from{r.Left, r.Top, r.Width(), r.Height()};
  SDL_Rect to{r.Left - part.Left, r.Top - part.Top, r.Width(), r.Height()};
  SDL_BlitSurface(src, &from, dst, &to);
  SDL_FreeSurface(src);
  SDL_UpdateWindowSurfaceRects(s->Window, &to, 1);
}

void TSdlDisplay::CursorChanged(HCURSOR Cursor) {
  SDL_Cursor*& c = FCursors[Cursor];
  if (!c) c = SDL_CreateSystemCursor(SystemCursorOf(Cursor));
  if (c) SDL_SetCursor(c);
}

TPoint TSdlDisplay::ToScreen(HWND Wnd, Integer X, Integer Y) {
  TShown* s = Find(Wnd);
  const TRect wr = GetWindowRect(Wnd);
  const TRect part = s ? ShownPart(Wnd, *s) : TRect();
  return TPoint(wr.Left + part.Left + X, wr.Top + part.Top + Y);
}

TPoint TSdlDisplay::MouseOnScreen(HWND Wnd, Integer X, Integer Y) {
  if (const std::optional<TPoint> p = std::exchange(FPointerFromX, std::nullopt)) return *p;
  return ToScreen(Wnd, X, Y);
}

void TSdlDisplay::HandleEvent(const SDL_Event& e) {
  // X's word on the pointer holds for the mouse event SDL makes of the same X
  // event, which comes next, after the window's entering at most.
  if (e.type != SDL_MOUSEMOTION && e.type != SDL_MOUSEBUTTONDOWN && e.type != SDL_MOUSEBUTTONUP &&
      e.type != SDL_WINDOWEVENT)
    FPointerFromX.reset();
  switch (e.type) {
    case SDL_MOUSEMOTION: {
      HWND h = FromWindowId(e.motion.windowID);
      if (!h) return;
      FLastMouse = MouseOnScreen(h, e.motion.x, e.motion.y);
      InjectMouse(TMouseAction::Move, mbLeft, FLastMouse);
      return;
    }
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
      HWND h = FromWindowId(e.button.windowID);
      if (!h) return;
      FLastMouse = MouseOnScreen(h, e.button.x, e.button.y);
      InjectMouse(e.type == SDL_MOUSEBUTTONDOWN ? TMouseAction::Down : TMouseAction::Up, ButtonOf(e.button.button),
                  FLastMouse);
      return;
    }
    case SDL_MOUSEWHEEL: {
      Integer dy = e.wheel.y;
      if (e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) dy = -dy;
      if (dy) InjectMouse(TMouseAction::Wheel, mbLeft, FLastMouse, dy * WHEEL_DELTA);
      return;
    }
    case SDL_KEYDOWN:
    case SDL_KEYUP:
      if (Word vk = VirtualKeyOf(e.key.keysym.scancode)) InjectKey(vk, e.type == SDL_KEYDOWN);
      return;
    case SDL_TEXTINPUT: {
      // Left Alt with a letter is a mnemonic or a menu key, not typing (the right
      // Alt is the layouts' third-level key and types).
      if (SDL_GetModState() & KMOD_LALT) return;
      for (Char c : FromUtf8(e.text.text)) InjectChar(c);
      return;
    }
    case SDL_WINDOWEVENT: {
      HWND h = FromWindowId(e.window.windowID);
      if (!h) return;
      TShown* s = Find(h);
      switch (e.window.event) {
        case SDL_WINDOWEVENT_CLOSE: InjectCloseRequest(h); break;
        case SDL_WINDOWEVENT_EXPOSED: PresentAll(h); break;
        case SDL_WINDOWEVENT_LEAVE: InjectMouseLeave(); break;
        case SDL_WINDOWEVENT_FOCUS_GAINED:
          if (FFocusOwed == h) FFocusOwed = nullptr;  // the window manager gave it
          // In its place among the input: keys typed before it still go where they were aimed.
          InjectDisplayChange([this, alive = std::weak_ptr<bool>(FAlive), h] {
            if (!alive.expired()) FocusGained(h);
          });
          break;
        case SDL_WINDOWEVENT_MOVED: {
          // The window manager moved it: follow in the window layer. A hidden
          // window keeps its place: the window manager moves a window it lets
          // go, and SDL reads a withdrawn one as at the screen's corner; so
          // does a window whose showing waits for the letting go.
          if (!IsWindowVisible(h) || s->ShowOwed) break;
          const TRect part = ShownPart(h, *s);
          const TRect wr = GetWindowRect(h);
          const Integer nx = e.window.data1 - part.Left, ny = e.window.data2 - part.Top;
          if (nx != wr.Left || ny != wr.Top) {
            FSyncing = true;
            SetWindowPos(h, nullptr, nx, ny, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            FSyncing = false;
            // The window may have come under the pointer, which the next report
            // of the pointer, in this window, must not take for a move of it.
            if (int px = 0, py = 0; Application && PointerOnScreenNow(s->Window, px, py))
              Application->PointerRestsAt(TPoint(px, py));
          }
          if (TShown* now = Find(h)) KeepNormal(h, *now);
          break;
        }
        case SDL_WINDOWEVENT_SIZE_CHANGED: {
          const TRect part = ShownPart(h, *s);
          const TRect wr = GetWindowRect(h);
          const Integer nw = wr.Width() - part.Width() + e.window.data1;
          const Integer nh = wr.Height() - part.Height() + e.window.data2;
          if (nw != wr.Width() || nh != wr.Height()) {
            FSyncing = true;
            SetWindowPos(h, nullptr, 0, 0, nw, nh, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
            FSyncing = false;
          }
          if (TShown* now = Find(h)) KeepNormal(h, *now);
          PresentAll(h);
          break;
        }
        default: break;
      }
      // Framed maximised, maybe after the window manager last said so.
      if (TShown* now = Find(h); now && now->NormalOwed == TShown::TNormalOwed::UntilFramed) FollowMaximised(*now);
      return;
    }
    case SDL_SYSWMEVENT:
      if (int x = 0, y = 0; PointerOnScreenIn(e, x, y)) FPointerFromX = TPoint(x, y);
      HandleXEvent(e);
      return;
    default: return;
  }
}

bool TSdlDisplay::Pump() {
  DropStale();
  // Rectangles that lasted until this input, which may be a window manager's maximising.
  for (auto& [h, s] : FShown) SettleNormal(s, false);
  bool any = false;
  SDL_Event e;
  while (SDL_PollEvent(&e)) {
    HandleEvent(e);
    any = true;
  }
  GiveNormalsBack();
  const bool shown = ShowOwed();
  // A window that could not take the keyboard yet may since have been framed.
  if (any || shown) GiveOwedFocus();
  return any;
}

SDL_Window* TSdlDisplay::AnyWindow() const {
  for (const auto& [wnd, shown] : FShown)
    if (shown.Window) return shown.Window;
  return nullptr;
}

void TSdlDisplay::Sync() {
  // A round trip: the server has sent every event it made before answering.
  if (SDL_Window* w = AnyWindow()) SyncSdlConnection(w);
}

void TSdlDisplay::Wait(UInt64 TimeoutMs) {
  // A window whose showing waits for the window manager is shown at its time at the latest.
  if (const std::optional<UInt64> due = NextWithdrawalDue()) TimeoutMs = std::min(TimeoutMs, *due);
  const int timeout = int(std::min<UInt64>(TimeoutMs, INT_MAX));
  // On X not SDL's own wait, which sends wake-ups to a window (see
  // SdlConnection.h); with no window it sends none.
  if (!WaitOnSdlConnection(AnyWindow(), timeout)) SDL_WaitEventTimeout(nullptr, timeout);
}

void TSdlDisplay::SetText(const String& Text) {
  SDL_SetClipboardText(ToUtf8(Text).c_str());
  // Our clipboard connection asks the server who owns the selection: SDL's taking
  // of it must have reached the server first, or our own text reads as none.
  if (FXClipboard) Sync();
}

bool TSdlDisplay::GetText(String& Text) {
  if (FXClipboard) {
    std::string utf8, error;
    // SDL answers for the text this process put there from its event pump.
    switch (FXClipboard->ReadText(utf8, error, [] { SDL_PumpEvents(); })) {
      case TXClipboardRead::Text: Text = FromUtf8(utf8); return true;
      case TXClipboardRead::NoText: return false;
      case TXClipboardRead::Failed:
        throw Exception(error == "timeout"
                            ? u"Текст из буфера обмена не получен: программа, в которой он скопирован, не отвечает."
                            : u"Текст из буфера обмена не получен: в буфере не текст.");
    }
  }
  if (!SDL_HasClipboardText()) return false;
  char* t = SDL_GetClipboardText();
  if (!t) return false;
  Text = FromUtf8(t);
  SDL_free(t);
  return true;
}
