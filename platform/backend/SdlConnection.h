#pragma once
// SDL's own connection to the X server, reached from the window SDL shows: a
// round trip on it, the wait for its input, and what a window hidden and shown
// again asks of the window manager. Kept apart so that Xlib's macros stay out
// of the rest of the backend.
//
// The display waits here instead of in SDL_WaitEventTimeout. SDL's wait has
// every event that ends it send a wake-up message, on a second connection of
// SDL's, to the window SDL created last; when the program destroys that window
// before the server has read the wake-up (a busy machine reads the two
// connections in either order), the server's error waits on the second
// connection until SDL closes it at the very end, under Xlib's default
// handler, which ends the process with status 1. A wait of our own sends
// nothing.

struct SDL_Window;

// Waits until the X server has taken everything SDL's own connection sent, so a
// selection SDL has just taken is what any other connection asking sees.
void SyncSdlConnection(SDL_Window* Window);

// Returns when SDL's connection has input, or SDL holds events, or after
// TimeoutMs; false, at once, when Window is not on X.
bool WaitOnSdlConnection(SDL_Window* Window, int TimeoutMs);

// Whether Window's _NET_WM_STATE says it is maximised both ways now: SDL's own
// flag follows only once SDL has read the window manager's change. SDL's flag
// when Window is not on X.
bool MaximizedNow(SDL_Window* Window);
// Whether it says so either way: a window manager maximising or un-maximising
// a window may change one way before the other.
bool MaximizedAnyWayNow(SDL_Window* Window);

// Adds the maximised state, both ways, to the _NET_WM_STATE of a window that
// is not mapped, keeping the states it holds: the window manager maps it
// maximised. Written on SDL's connection, so it comes before SDL's map. SDL's
// own request is passed over while SDL still believes the window maximised,
// which it does until it reads the window manager's letting the window go.
void AskMaximizedWhenMapped(SDL_Window* Window);

// Whether the window manager has let a hidden window go, as it says by
// deleting the window's WM_STATE or making it Withdrawn, or never had it
// (without a window manager there is no WM_STATE). A window mapped again
// before that may be left as the window manager had it, or unframed, and
// loses the state it asks for when the window manager clears the old one.
bool LetGoNow(SDL_Window* Window);

// Asks the window manager to put Window's own area (not its frame) at X, Y,
// Width x Height on the screen (_NET_MOVERESIZE_WINDOW, static gravity): it
// does so after whatever it is doing with the window, and needs no guess at
// the frame's size, which changes as a window is un-maximised. False, asking
// nothing, when the window manager does not say it takes such a request.
bool AskWindowManagerToPlace(SDL_Window* Window, int X, int Y, int Width, int Height);

// How far Window's own corner lies from the corner of the frame a window
// manager has put it in (the frame's border and title bar), as it is framed
// now: 0, 0 when it is in no frame. False when Window is not on X.
bool FrameOffsetNow(SDL_Window* Window, int& Left, int& Top);

// Moves Window, which the window manager has let go, so that its corner is at
// X, Y on the screen, where a window manager framing it anew puts its frame's
// corner: not every window manager leaves a window it lets go there. Nothing
// while a window manager still holds the window.
void PutLetGoWindowAt(SDL_Window* Window, int X, int Y);

// Where the pointer is on the screen now, asked of the X server on Window's
// connection (SDL's own reading may lag); false when Window is not on X.
bool PointerOnScreenNow(SDL_Window* Window, int& X, int& Y);

// Whether Window is viewable now: mapped, and its window manager's frame too.
// A window manager may map a window in its frame before the frame, and X
// refuses the keyboard focus to a window that cannot be seen. SDL's shown flag
// when Window is not on X.
bool ViewableNow(SDL_Window* Window);

// What an SDL_SYSWMEVENT tells about Window: that its WM_STATE (the window
// manager took it or let it go) or its _NET_WM_STATE (maximised or not)
// changed. Only the news: the property is read anew for its value, which may
// have changed again since.
union SDL_Event;
bool WmStateChanged(const SDL_Event& Event, SDL_Window* Window);
bool NetWmStateChanged(const SDL_Event& Event, SDL_Window* Window);

// Where the pointer was on the screen, as X said in Event, an X event of the
// pointer's (a move, a press or release, entering or leaving a window) that
// SDL passes on before the SDL events it makes of it; false for any other.
// SDL gives the place in its window, which moves with the window.
bool PointerOnScreenIn(const SDL_Event& Event, int& X, int& Y);
