#pragma once
// Raw X requests for the display tests, kept apart so that Xlib's macros stay
// out of the test sources.
#include <string>

// On a connection of its own to DisplayName: a client message sent to a window
// id that names no window, then a round trip, so the server's BadWindow error
// reaches the process's X error handler. False when the display cannot be opened.
bool SendEventToAWindowThatIsGone(const std::string& DisplayName);
