#pragma once
// Raw X requests for the display tests, kept apart so that Xlib's macros stay
// out of the test sources.
#include <cstddef>
#include <memory>
#include <string>

// On a connection of its own to DisplayName: a client message sent to a window
// id that names no window, then a round trip, so the server's BadWindow error
// reaches the process's X error handler. False when the display cannot be opened.
bool SendEventToAWindowThatIsGone(const std::string& DisplayName);

// On a connection of its own to DisplayName: a window made and destroyed, then
// a request about it and a round trip, so the server's BadWindow error about
// the connection's own resource reaches the process's X error handler.
bool MapAWindowOfItsOwnThatIsGone(const std::string& DisplayName);
// As above, a request about no window at all (None).
bool MapNoWindow(const std::string& DisplayName);

struct SDL_Window;

// The X window behind an SDL window (0 when SDL is not on X11).
unsigned long XWindowOf(SDL_Window* Window);
// The WM_TRANSIENT_FOR property of Window read back on a connection of its own:
// the window it says it belongs to, 0 when it has none.
unsigned long TransientForOf(const std::string& DisplayName, unsigned long Window);

// Holds the CLIPBOARD selection on a connection of its own, in a thread of its
// own, as another program would, and hands Text over as UTF8_STRING: a text
// longer than ChunkBytes goes over in pieces (the incremental transfer), as
// large text from other programs does. With Silent it never answers.
class TXSelectionOwner {
public:
  TXSelectionOwner();
  ~TXSelectionOwner();
  TXSelectionOwner(const TXSelectionOwner&) = delete;
  TXSelectionOwner& operator=(const TXSelectionOwner&) = delete;
  // False when the display cannot be opened or the selection not taken.
  bool Start(const std::string& DisplayName, std::string Text, size_t ChunkBytes, bool Silent = false);
  // How many pieces the last transfer took (1 when it went in one).
  int Pieces() const;

private:
  struct TImpl;
  TImpl* FImpl;
};
// The root window of the display.
unsigned long RootWindowOf(const std::string& DisplayName);

// The window manager of the end-to-end tests (tests/e2e/FramingWindowManager.h),
// without a relay: it frames the windows mapped on DisplayName while it lives.
class TXFramingWindowManager {
public:
  TXFramingWindowManager();
  ~TXFramingWindowManager();
  TXFramingWindowManager(const TXFramingWindowManager&) = delete;
  TXFramingWindowManager& operator=(const TXFramingWindowManager&) = delete;
  // False when the display cannot be opened.
  bool Start(const std::string& DisplayName);
  // Maximises Window as the title bar's button would, and un-maximises it.
  void Maximize(unsigned long Window);
  void Restore(unsigned long Window);
  // How it behaves from now on (see FramingWindowManager.h): whether a window
  // it lets go gets back its size from before it was maximised; whether one
  // it last placed by the window's own corner is let go there; whether, and
  // until when, it holds back letting hidden windows go, or showing the frames
  // of windows it maps.
  void GiveSizeBack(bool Gives);
  void KeepRequestGravity(bool Keeps);
  void HoldLettingGo();
  void LetGoHeld();
  void NeverLetGo();
  void HoldFrames();
  void ShowHeldFrames();

private:
  struct TImpl;
  std::unique_ptr<TImpl> FImpl;
};

// Where Window is, as a connection of its own sees it; all false and 0 when
// there is no such window.
struct TXPlace {
  bool Framed = false;         // shown, in a frame of a window manager's
  bool LetGo = false;          // hidden, back on the root
  bool InHiddenFrame = false;  // mapped, in a frame not shown yet
  bool Maximized = false;      // its _NET_WM_STATE says so both ways
  bool FillsScreen = false;    // its frame covers the whole screen
  int X = 0, Y = 0;            // on the screen
  int Width = 0, Height = 0;
};
TXPlace PlaceOf(const std::string& DisplayName, unsigned long Window);
// The window that has the keyboard focus on DisplayName; 0 when none has.
unsigned long InputFocusOf(const std::string& DisplayName);
