#pragma once
// X errors under the SDL2 display. Kept apart from SdlDisplay.cpp so that
// Xlib's macros stay out of the rest of the backend.

// From now on an X error (a request aimed at a window that has just gone, say)
// is passed over: Xlib's own handler would end the program, losing what the
// user has not saved yet. One about a resource of the program's own, or about
// None, is reported on stderr; one about another client's, such as a window
// manager's frame, says nothing about the program and is passed over without a
// word. A connection to the X server that breaks (the server ends, the network
// goes) cannot be passed over: the program says so on stderr and ends at once
// with status 1.
void HandleXErrors();
