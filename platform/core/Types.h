#pragma once
// The basic types every unit speaks: UTF-16 text, the platform's integer names,
// TDateTime and Currency, and the UTF-8 edges.

#include <cstdint>
#include <string>
#include <string_view>

using Char = char16_t;
using String = std::u16string;
using StringView = std::u16string_view;
using AnsiString = std::string;  // bytes in the ANSI code page (Windows-1251)

using Integer = std::int32_t;
using Cardinal = std::uint32_t;
using Int64 = std::int64_t;
using UInt64 = std::uint64_t;
using Smallint = std::int16_t;
using Shortint = std::int8_t;
using Byte = std::uint8_t;
using Word = std::uint16_t;
using LongWord = std::uint32_t;
using LongInt = std::int32_t;
using Extended = long double;

// Days since 1899-12-30; the fraction is the time of day.
using TDateTime = double;

// A fixed-point amount: the value times 10000.
struct Currency {
  Int64 Raw = 0;
  static constexpr Int64 Scale = 10000;
  constexpr Currency() = default;
  static constexpr Currency FromRaw(Int64 raw) {
    Currency c;
    c.Raw = raw;
    return c;
  }
  friend constexpr bool operator==(Currency a, Currency b) { return a.Raw == b.Raw; }
  friend constexpr auto operator<=>(Currency a, Currency b) { return a.Raw <=> b.Raw; }
};

// UTF-8 <-> UTF-16. Invalid UTF-8 bytes become U+FFFD; lone surrogates become U+FFFD in UTF-8.
std::string ToUtf8(StringView s);
String FromUtf8(std::string_view s);

// Literal helper for tests and messages written as narrow ASCII.
inline String AsciiToString(std::string_view s) { return String(s.begin(), s.end()); }
