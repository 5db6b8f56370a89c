#pragma once
// The string routines of the class library over UTF-16 text. Positions are
// 1-based and count UTF-16 code units; out-of-range indexes are clamped, never
// undefined. The Ansi* comparisons go through the user's locale (Locale.h); the
// plain ones are ordinal.

#include <cstdint>
#include <cstring>
#include <initializer_list>

#include "platform/core/Types.h"

inline Integer Length(StringView s) { return static_cast<Integer>(s.size()); }

// Count characters from Index (1-based). An Index below 1 counts from the first
// character; a negative Count or an Index past the end gives the empty string.
String Copy(StringView s, Integer Index, Integer Count);
// From Index to the end.
String Copy(StringView s, Integer Index);

// 1-based position of the first occurrence of Substr in S, 0 when absent or
// when Substr is empty. PosEx starts looking at Offset (0 for Offset < 1).
Integer Pos(StringView Substr, StringView S);
Integer PosEx(StringView Substr, StringView S, Integer Offset = 1);

// Removes Count characters from Index; nothing when Index is outside the text.
void Delete(String& S, Integer Index, Integer Count);
// Inserts Source before Index, clamped to the start or the end of S.
void Insert(StringView Source, String& S, Integer Index);

// Blanks are every character up to and including ' ' (control characters too).
String Trim(StringView s);
String TrimLeft(StringView s);
String TrimRight(StringView s);

// ASCII letters only.
String UpperCase(StringView s);
String LowerCase(StringView s);
// Every letter of Unicode, one character for one (the length never changes, so
// positions found in the mapped text hold in the original).
String AnsiUpperCase(StringView s);
String AnsiLowerCase(StringView s);

// Ordinal comparisons: -1, 0 or 1. CompareText folds ASCII letters only.
Integer CompareStr(StringView a, StringView b);
Integer CompareText(StringView a, StringView b);
bool SameText(StringView a, StringView b);
// Whether the two hold the same characters: one block comparison, where the
// string's own == compares character by character.
inline bool SameChars(StringView a, StringView b) {
  return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(Char)) == 0;
}

// The user's locale (Russian collation): -1, 0 or 1.
Integer AnsiCompareStr(StringView a, StringView b);
Integer AnsiCompareText(StringView a, StringView b);
bool AnsiSameStr(StringView a, StringView b);
bool AnsiSameText(StringView a, StringView b);

enum TReplaceFlag { rfReplaceAll, rfIgnoreCase };

class TReplaceFlags {
public:
  constexpr TReplaceFlags() = default;
  constexpr TReplaceFlags(std::initializer_list<TReplaceFlag> flags) {
    for (TReplaceFlag f : flags) FBits |= 1u << f;
  }
  constexpr bool Contains(TReplaceFlag f) const { return (FBits >> f) & 1u; }

private:
  unsigned FBits = 0;
};

// Replaces the first (or, with rfReplaceAll, every) occurrence of OldPattern.
// rfIgnoreCase matches through AnsiUpperCase. An empty OldPattern changes nothing.
String StringReplace(StringView S, StringView OldPattern, StringView NewPattern, TReplaceFlags Flags);

// 'text' with inner quotes doubled.
String QuotedStr(StringView s);
String AnsiQuotedStr(StringView s, Char Quote);
// The reverse of AnsiQuotedStr: a text that does not begin with Quote is
// returned unchanged, and so is one whose closing quote is missing; otherwise
// the text up to the closing quote, undoubled.
String AnsiDequotedStr(StringView s, Char Quote);

String StringOfChar(Char Ch, Integer Count);

String IntToStr(Int64 Value);
// Upper-case hexadecimal, at least Digits digits; negative values show their
// two's complement at the width of their type.
String IntToHex(Integer Value, Integer Digits);
String IntToHex(Int64 Value, Integer Digits);

// Integer conversion: leading spaces, an optional sign, then decimal digits or
// '$' and hexadecimal digits; nothing may follow. Out of range fails.
bool TryStrToInt(StringView S, Integer& Value);
bool TryStrToInt64(StringView S, Int64& Value);
Integer StrToIntDef(StringView S, Integer Default);
Int64 StrToInt64Def(StringView S, Int64 Default);
// Raise EConvertError "'S' is not a valid integer value".
Integer StrToInt(StringView S);
Int64 StrToInt64(StringView S);

// A set of character codes 0..255 (a 256-bit set); codes above never belong.
class TSysCharSet {
public:
  constexpr TSysCharSet() = default;
  constexpr TSysCharSet(std::initializer_list<Char> chars) {
    for (Char c : chars) Include(c);
  }
  constexpr TSysCharSet& Include(Char c) {
    if (c < 256) FBits[c >> 6] |= std::uint64_t{1} << (c & 63);
    return *this;
  }
  constexpr TSysCharSet& IncludeRange(Char first, Char last) {
    for (unsigned c = first; c <= last && c < 256; ++c) Include(static_cast<Char>(c));
    return *this;
  }
  constexpr TSysCharSet& Exclude(Char c) {
    if (c < 256) FBits[c >> 6] &= ~(std::uint64_t{1} << (c & 63));
    return *this;
  }
  constexpr bool Contains(Char c) const { return c < 256 && ((FBits[c >> 6] >> (c & 63)) & 1u); }
  friend constexpr bool operator==(const TSysCharSet&, const TSysCharSet&) = default;

private:
  std::uint64_t FBits[4] = {0, 0, 0, 0};
};

inline bool CharInSet(Char C, const TSysCharSet& Set) { return Set.Contains(C); }
