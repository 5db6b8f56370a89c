#pragma once
// The SDL2 display: each shown top-level window is an SDL window that shows the
// window's retained image, SDL input becomes our messages, and the system
// clipboard carries the text formats.
//
// A window with a caption gets a decorated SDL window holding its client area
// (the window manager draws the frame and the title). Any other top-level
// window - drop-downs, hints, drag images - is a borderless, skip-taskbar SDL
// window showing the whole window at its screen position; its owner keeps the
// keyboard focus, so typing goes on where it was.
//
// A hidden window keeps its SDL window and its place in the window layer;
// shown again, it comes back at the place it was hidden at, wherever the
// window manager left it, maximised when it was hidden maximised, unless the
// program moved it meanwhile. It is shown
// once the window manager has let the hidden window go, which the display
// waits for among its other input, never longer than a bound; un-maximised
// later, it gets back its own size and place, which not every window manager
// keeps for a window it lets go. A window takes the keyboard once it can be
// seen, which under some window managers is a little after it is mapped.
//
//   String error;
//   auto display = TSdlDisplay::Open(error);   // null, with the reason, when there is no display
//   if (!display) { report error; exit }

#include <map>
#include <memory>
#include <optional>

#include "platform/ui/Clipbrd.h"
#include "platform/ui/Display.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Windows.h"

struct SDL_Window;
struct SDL_Cursor;
union SDL_Event;
class TXClipboard;

class TSdlDisplay final : public TDisplayBackend, public TClipboardBridge {
public:
  // Initialises SDL video, installs the display and the clipboard bridge.
  static std::unique_ptr<TSdlDisplay> Open(String& Error);
  ~TSdlDisplay() override;
  TSdlDisplay(const TSdlDisplay&) = delete;
  TSdlDisplay& operator=(const TSdlDisplay&) = delete;

  // ---- TDisplayBackend
  UInt64 Now() override;
  std::vector<TDisplayMonitor> Monitors() override;
  void WindowCreated(HWND Wnd) override;
  void WindowDestroyed(HWND Wnd) override;
  void WindowShown(HWND Wnd, bool Visible) override;
  void WindowMoved(HWND Wnd, const TRect& ScreenRect) override;
  void WindowActivated(HWND Wnd) override;
  void Present(HWND Wnd, cairo_surface_t* Image, const TRect& Dirty) override;
  void CursorChanged(HCURSOR Cursor) override;
  bool Pump() override;
  void Sync() override;
  void Wait(UInt64 TimeoutMs) override;

  // ---- TClipboardBridge
  void SetText(const String& Text) override;
  // Throws, with the reason, when the text could not be had from its owner.
  bool GetText(String& Text) override;

  // Turns one SDL event into messages (Pump's work; tests push synthetic events).
  void HandleEvent(const SDL_Event& Event);
  // The SDL window showing a top-level window (null while it is not shown).
  SDL_Window* SdlWindowOf(HWND Wnd) const;
  // The longest a window shown again waits, from its hiding, for the window
  // manager to let it go. Once one showing has waited it out, the display
  // waits no more for a window manager that does not say it lets windows go,
  // until it sees it do so.
  static constexpr UInt64 WithdrawalBoundMs = 1000;
  // The rectangle the display keeps as Wnd's own size and place, given back
  // when Wnd is un-maximised after it was shown again maximised.
  std::optional<TRect> OwnRectOf(HWND Wnd) const;

private:
  TSdlDisplay();
  struct TShown {
    SDL_Window* Window = nullptr;
    bool Decorated = false;  // shows the client area under a system frame
    bool Popup = false;      // never takes the keyboard focus
    // Maximised by the window manager when it was last hidden: a window
    // manager forgets a window's state once it lets the window go.
    bool Maximized = false;
    // While hidden: the window layer's place when it was hidden, or last moved
    // since. The window manager leaves a hidden window where showing it again
    // brings it back to that place, so only a move of the program's own
    // moves it.
    std::optional<TPoint> HiddenAt;
    // While hidden, not maximised: how far the window's corner lay from its
    // frame's, to put the window where the window manager frames it anew at
    // its own place.
    std::optional<TPoint> FrameOffset;
    // Hidden, and not yet let go by the window manager as far as the display
    // has seen: showing it again waits for that until WithdrawalDue (Now()).
    bool Withdrawing = false;
    UInt64 WithdrawalDue = 0;
    // Shown in the window layer, not yet on the screen: the window manager is
    // to let the hidden window go first.
    bool ShowOwed = false;
    // The window layer's rectangle when the window was last seen on the
    // screen maximised neither way: its own size and place. A window
    // manager maximising a window may move it before it says so, so a
    // rectangle becomes the window's own (Normal) only once it has lasted a
    // moment (Candidate, since CandidateAt) without the window being
    // maximised, as its _NET_WM_STATE said in the order of events (Zoomed).
    std::optional<TRect> Normal, Candidate;
    UInt64 CandidateAt = 0;
    bool Zoomed = false;
    // Shown again maximised, the window is owed Normal when the window
    // manager un-maximises it, as some un-maximise it to the size it was
    // mapped at: once seen framed maximised, then seen un-maximised, it gets
    // Normal back once the window manager's moves that came with that are read.
    enum class TNormalOwed { No, UntilFramed, UntilUnmaximised, Now };
    TNormalOwed NormalOwed = TNormalOwed::No;
    String Title;
  };
  TShown* Find(HWND Wnd);
  HWND FromWindowId(unsigned Id) const;
  void Create(HWND Wnd);
  void Destroy(HWND Wnd);
  // The part of the window image the SDL window shows, in window coordinates.
  TRect ShownPart(HWND Wnd, const TShown& S) const;
  void Place(HWND Wnd, TShown& S);
  // What WindowShown does for a window the window layer hides or shows.
  void Hide(HWND Wnd, TShown& S);
  void Show(HWND Wnd, TShown& S);
  // Whether showing S again must wait for the window manager to let it go.
  bool AwaitsWithdrawal(TShown& S);
  // Shows the windows whose showing waited, once let go or out of time;
  // whether it showed any.
  bool ShowOwed();
  // The soonest a window whose showing waits is due to be shown, from now.
  std::optional<UInt64> NextWithdrawalDue();
  // An X event about the windows: the window manager let one go, or changed
  // its maximised state.
  void HandleXEvent(const SDL_Event& Event);
  // Keeps S's rectangle as its own while it is on the screen maximised neither way.
  void KeepNormal(HWND Wnd, TShown& S);
  // Makes S's candidate rectangle its own once it has lasted; drops it, when
  // Drop, if it has not (the window manager's moves as it maximises S).
  void SettleNormal(TShown& S, bool Drop);
  // Follows S, shown again maximised, until it is un-maximised (see TNormalOwed).
  void FollowMaximised(TShown& S);
  // Gives the windows un-maximised since they were shown again maximised their own rectangles back.
  void GiveNormalsBack();
  // The keyboard goes to Wnd once it can take it (see ViewableNow).
  void FocusWhenViewable(HWND Wnd);
  void GiveOwedFocus();
  void PresentAll(HWND Wnd);
  void DropStale();
  void FocusOwner(HWND Popup);
  // An SDL window of ours, to reach SDL's connection by; null while there is none.
  SDL_Window* AnyWindow() const;
  // The SDL window of the nearest owner that is shown.
  SDL_Window* OwnerWindowOf(HWND Wnd);
  // The window manager gave h's SDL window the keyboard.
  void FocusGained(HWND h);
  TPoint ToScreen(HWND Wnd, Integer X, Integer Y);
  // The screen place of a mouse event of SDL's at X, Y in Wnd.
  TPoint MouseOnScreen(HWND Wnd, Integer X, Integer Y);

  std::map<HWND, TShown> FShown;
  std::map<HCURSOR, SDL_Cursor*> FCursors;
  TMessageBoxHook FPreviousBoxHook;
  bool FSyncing = false;  // our own change is being reported back: do not echo it
  TPoint FLastMouse;
  // The pointer's place on the screen from the X event SDL makes its next
  // mouse event of: SDL reports it in the window, and the window layer may not
  // have followed a window moved under the pointer at rest yet.
  std::optional<TPoint> FPointerFromX;
  std::unique_ptr<TXClipboard> FXClipboard;
  // Activated before it could take the keyboard.
  HWND FFocusOwed = nullptr;
  // Whether the window manager is waited for to let a hidden window go: not
  // once it has let a wait run out, until it is seen letting one go.
  bool FWaitForWithdrawal = true;
  // Lives as long as the display: input still waiting when it goes finds it gone.
  std::shared_ptr<bool> FAlive = std::make_shared<bool>(true);
};
