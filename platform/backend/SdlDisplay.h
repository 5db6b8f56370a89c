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
// shown again, it comes back where the window manager left it, maximised when
// it was hidden maximised, unless the program moved it meanwhile.
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
    String Title;
  };
  TShown* Find(HWND Wnd);
  HWND FromWindowId(unsigned Id) const;
  void Create(HWND Wnd);
  void Destroy(HWND Wnd);
  // The part of the window image the SDL window shows, in window coordinates.
  TRect ShownPart(HWND Wnd, const TShown& S) const;
  void Place(HWND Wnd, TShown& S);
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

  std::map<HWND, TShown> FShown;
  std::map<HCURSOR, SDL_Cursor*> FCursors;
  TMessageBoxHook FPreviousBoxHook;
  bool FSyncing = false;  // our own change is being reported back: do not echo it
  TPoint FLastMouse;
  std::unique_ptr<TXClipboard> FXClipboard;
  // Lives as long as the display: input still waiting when it goes finds it gone.
  std::shared_ptr<bool> FAlive = std::make_shared<bool>(true);
};
