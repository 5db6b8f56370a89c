#pragma once
// The ANSI code page: Windows-1251, fixed. Every byte maps to one character and
// back (0x98, unassigned in the code page, travels as U+0098), so bytes read as
// text and written back come out unchanged. A character the code page lacks is
// written as '?'.

#include <string_view>

#include "platform/core/Types.h"

// Room: characters of capacity beyond the text, for a caller that will add a
// few to megabytes of text without moving it to a larger string.
String AnsiToString(std::string_view bytes, size_t Room = 0);
AnsiString StringToAnsi(StringView s);
// StringToAnsi(s) written at out, which has room for s.size() bytes; answers
// the end of what was written. For writers that build a file's bytes piece by
// piece instead of through one UTF-16 copy of the whole text.
char* WriteAnsi(StringView s, char* out);
// Copies the leading characters of s that lie in [Low, 0x80) to out, one
// byte each (the code page keeps them as they are); answers how many. Eight
// characters are looked at a time, so a writer can pass over the plain part
// of its text before it looks at single characters.
size_t CopyAsciiRun(StringView s, char* out, Char Low = 0);
