#pragma once
// The library's thin layer over the platform's text and run-time services. Other
// units call these instead of the platform directly, so UTF-16 strings and
// Variants cross the platform boundary in one place. The decisions live in the
// locale-aware comparisons, the character-in-set test, the Variant casts and the
// memory stream's growth rule; the rest passes through.

#include <bitset>

#include "platform/core/Types.h"

// A set of single-byte characters: bit n stands for the character of code n.
using TCharSetEh = std::bitset<256>;

// Builds a set from the characters of a text (codes 256 and above are dropped).
TCharSetEh CharSetEh(StringView Chars);

// Locale-aware comparisons in the user's default locale: -1 less, 0 equal,
// 1 greater, -2 when the comparison itself failed. A CmpLen of 0 compares the
// whole strings; otherwise at most CmpLen characters of each.
int CompareWideStrEh(StringView S1, StringView S2, int CmpLen, bool IgnoreCase);
int CompareUStrEh(StringView S1, StringView S2, int CmpLen, bool IgnoreCase);
int CompareStrUserLocaleEh(StringView S1, StringView S2);
int CompareTextUserLocaleEh(StringView S1, StringView S2);

// True when the character's code is below 256 and its bit is set.
bool CharInSetEh(Char C, const TCharSetEh& CharSet);

// Copies a zero-terminated UTF-16 string with its terminator; returns Dest.
Char* WideStrCopyEh(Char* Dest, const Char* Source);

// Whole-string case mapping over all of Unicode.
String WideUpperCaseEh(StringView S);
String WideLowerCaseEh(StringView S);
