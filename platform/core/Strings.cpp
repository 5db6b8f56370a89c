#include "platform/core/Strings.h"

#include <unicode/uchar.h>

#include <algorithm>
#include <limits>
#include <type_traits>

#include "platform/core/Exceptions.h"
#include "platform/core/Locale.h"

// ---- Positions ----------------------------------------------------------------

String Copy(StringView s, Integer Index, Integer Count) {
  const Int64 len = static_cast<Int64>(s.size());
  Int64 start = Index < 1 ? 0 : static_cast<Int64>(Index) - 1;
  if (Count <= 0 || start >= len) return String();
  const Int64 n = std::min<Int64>(Count, len - start);
  return String(s.substr(static_cast<size_t>(start), static_cast<size_t>(n)));
}

String Copy(StringView s, Integer Index) { return Copy(s, Index, std::numeric_limits<Integer>::max()); }

Integer Pos(StringView Substr, StringView S) { return PosEx(Substr, S, 1); }

Integer PosEx(StringView Substr, StringView S, Integer Offset) {
  if (Substr.empty() || Offset < 1 || static_cast<size_t>(Offset) > S.size()) return 0;
  const size_t at = S.find(Substr, static_cast<size_t>(Offset) - 1);
  return at == StringView::npos ? 0 : static_cast<Integer>(at) + 1;
}

void Delete(String& S, Integer Index, Integer Count) {
  if (Index < 1 || static_cast<size_t>(Index) > S.size() || Count <= 0) return;
  S.erase(static_cast<size_t>(Index) - 1, static_cast<size_t>(Count));
}

void Insert(StringView Source, String& S, Integer Index) {
  size_t at = Index < 1 ? 0 : static_cast<size_t>(Index) - 1;
  if (at > S.size()) at = S.size();
  S.insert(at, Source);
}

// ---- Trimming and case --------------------------------------------------------

String Trim(StringView s) {
  size_t b = 0, e = s.size();
  while (b < e && s[b] <= u' ') ++b;
  while (e > b && s[e - 1] <= u' ') --e;
  return String(s.substr(b, e - b));
}

String TrimLeft(StringView s) {
  size_t b = 0;
  while (b < s.size() && s[b] <= u' ') ++b;
  return String(s.substr(b));
}

String TrimRight(StringView s) {
  size_t e = s.size();
  while (e > 0 && s[e - 1] <= u' ') --e;
  return String(s.substr(0, e));
}

namespace {

Char AsciiUpper(Char c) { return (c >= u'a' && c <= u'z') ? static_cast<Char>(c - 32) : c; }
Char AsciiLower(Char c) { return (c >= u'A' && c <= u'Z') ? static_cast<Char>(c + 32) : c; }

bool IsHighSurrogate(Char c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(Char c) { return c >= 0xDC00 && c <= 0xDFFF; }

// Simple (one-to-one) case mapping over code points: the full mapping would turn
// one letter into two (German sharp s) and move every later position.
template <UChar32 (*Map)(UChar32), Char (*Ascii)(Char)>
String MapCase(StringView s) {
  String out(s);
  for (size_t i = 0; i < out.size(); ++i) {
    const Char c = out[i];
    if (c < 0x80) {
      out[i] = Ascii(c);
    } else if (IsHighSurrogate(c) && i + 1 < out.size() && IsLowSurrogate(out[i + 1])) {
      const UChar32 cp = 0x10000 + ((static_cast<UChar32>(c) - 0xD800) << 10) + (out[i + 1] - 0xDC00);
      const UChar32 m = Map(cp);
      if (m >= 0x10000) {
        out[i] = static_cast<Char>(0xD800 + ((m - 0x10000) >> 10));
        out[i + 1] = static_cast<Char>(0xDC00 + ((m - 0x10000) & 0x3FF));
      }
      ++i;
    } else if (!IsHighSurrogate(c) && !IsLowSurrogate(c)) {
      const UChar32 m = Map(c);
      if (m < 0x10000) out[i] = static_cast<Char>(m);
    }
  }
  return out;
}

}  // namespace

String UpperCase(StringView s) {
  String out(s);
  for (Char& c : out) c = AsciiUpper(c);
  return out;
}

String LowerCase(StringView s) {
  String out(s);
  for (Char& c : out) c = AsciiLower(c);
  return out;
}

String AnsiUpperCase(StringView s) { return MapCase<u_toupper, AsciiUpper>(s); }
String AnsiLowerCase(StringView s) { return MapCase<u_tolower, AsciiLower>(s); }

// ---- Comparison ---------------------------------------------------------------

namespace {
Integer Sign(int v) { return v < 0 ? -1 : (v > 0 ? 1 : 0); }
}  // namespace

Integer CompareStr(StringView a, StringView b) { return Sign(a.compare(b)); }

Integer CompareText(StringView a, StringView b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    const Char x = AsciiUpper(a[i]), y = AsciiUpper(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

bool SameText(StringView a, StringView b) { return a.size() == b.size() && CompareText(a, b) == 0; }

Integer AnsiCompareStr(StringView a, StringView b) { return CompareStringLocale(a, b, false); }
Integer AnsiCompareText(StringView a, StringView b) { return CompareStringLocale(a, b, true); }
bool AnsiSameStr(StringView a, StringView b) { return AnsiCompareStr(a, b) == 0; }
bool AnsiSameText(StringView a, StringView b) { return AnsiCompareText(a, b) == 0; }

// ---- Replacing and quoting ----------------------------------------------------

String StringReplace(StringView S, StringView OldPattern, StringView NewPattern, TReplaceFlags Flags) {
  if (OldPattern.empty()) return String(S);
  const bool ignoreCase = Flags.Contains(rfIgnoreCase);
  // Case mapping keeps lengths, so positions in the mapped text are positions in S.
  const String hayUpper = ignoreCase ? AnsiUpperCase(S) : String();
  const String patUpper = ignoreCase ? AnsiUpperCase(OldPattern) : String();
  const StringView hay = ignoreCase ? StringView(hayUpper) : S;
  const StringView pat = ignoreCase ? StringView(patUpper) : OldPattern;

  String out;
  out.reserve(S.size());
  size_t from = 0;
  for (;;) {
    const size_t at = hay.find(pat, from);
    if (at == StringView::npos) break;
    out.append(S.substr(from, at - from));
    out.append(NewPattern);
    from = at + pat.size();
    if (!Flags.Contains(rfReplaceAll)) break;
  }
  out.append(S.substr(from));
  return out;
}

String AnsiQuotedStr(StringView s, Char Quote) {
  String out;
  out.reserve(s.size() + 2);
  out += Quote;
  for (Char c : s) {
    out += c;
    if (c == Quote) out += Quote;
  }
  out += Quote;
  return out;
}

String QuotedStr(StringView s) { return AnsiQuotedStr(s, u'\''); }

String AnsiDequotedStr(StringView s, Char Quote) {
  if (s.empty() || s[0] != Quote) return String(s);
  String out;
  for (size_t i = 1; i < s.size(); ++i) {
    if (s[i] == Quote) {
      if (i + 1 < s.size() && s[i + 1] == Quote) {
        out += Quote;
        ++i;
      } else {
        return out;  // the closing quote; anything after it is not part of the value
      }
    } else {
      out += s[i];
    }
  }
  // No closing quote: the text was not quoted after all.
  return String(s);
}

String StringOfChar(Char Ch, Integer Count) { return Count > 0 ? String(static_cast<size_t>(Count), Ch) : String(); }

// ---- Numbers ------------------------------------------------------------------

String IntToStr(Int64 Value) {
  // Through the unsigned magnitude, so the most negative value has no overflow.
  UInt64 mag = Value < 0 ? UInt64{0} - static_cast<UInt64>(Value) : static_cast<UInt64>(Value);
  Char buf[24];
  size_t n = 0;
  do {
    buf[n++] = static_cast<Char>(u'0' + mag % 10);
    mag /= 10;
  } while (mag);
  String out;
  out.reserve(n + 1);
  if (Value < 0) out += u'-';
  while (n) out += buf[--n];
  return out;
}

namespace {
String HexOf(UInt64 v, Integer Digits) {
  static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
  String out;
  do {
    out.insert(out.begin(), kDigits[v & 15]);
    v >>= 4;
  } while (v);
  if (Digits > Length(out)) out.insert(0, static_cast<size_t>(Digits) - out.size(), u'0');
  return out;
}

// Reads S into Value. Hexadecimal may use the whole width of the type (so
// $FFFFFFFF is -1 for a 32-bit value); decimal must lie in the signed range.
template <class T>
bool TryParse(StringView S, T& Value) {
  using U = std::make_unsigned_t<T>;
  size_t i = 0;
  while (i < S.size() && S[i] == u' ') ++i;
  bool negative = false;
  if (i < S.size() && (S[i] == u'-' || S[i] == u'+')) negative = S[i++] == u'-';
  const bool hex = i < S.size() && S[i] == u'$';
  if (hex) ++i;
  if (i >= S.size()) return false;

  const U limit =
      hex ? std::numeric_limits<U>::max() : static_cast<U>(std::numeric_limits<T>::max()) + (negative ? 1 : 0);
  const unsigned base = hex ? 16 : 10;
  U mag = 0;
  for (; i < S.size(); ++i) {
    const Char c = S[i];
    unsigned d;
    if (c >= u'0' && c <= u'9') d = c - u'0';
    else if (hex && c >= u'a' && c <= u'f') d = c - u'a' + 10;
    else if (hex && c >= u'A' && c <= u'F') d = c - u'A' + 10;
    else return false;
    if (mag > (limit - d) / base) return false;
    mag = static_cast<U>(mag * base + d);
  }
  if (negative) mag = static_cast<U>(U{0} - mag);
  Value = static_cast<T>(mag);
  return true;
}

[[noreturn]] void RaiseNotInteger(StringView S) {
  throw EConvertError(u"'" + String(S) + u"' is not a valid integer value");
}
}  // namespace

String IntToHex(Integer Value, Integer Digits) { return HexOf(static_cast<std::uint32_t>(Value), Digits); }
String IntToHex(Int64 Value, Integer Digits) { return HexOf(static_cast<UInt64>(Value), Digits); }

bool TryStrToInt(StringView S, Integer& Value) { return TryParse(S, Value); }
bool TryStrToInt64(StringView S, Int64& Value) { return TryParse(S, Value); }

Integer StrToIntDef(StringView S, Integer Default) {
  Integer v;
  return TryParse(S, v) ? v : Default;
}

Int64 StrToInt64Def(StringView S, Int64 Default) {
  Int64 v;
  return TryParse(S, v) ? v : Default;
}

Integer StrToInt(StringView S) {
  Integer v;
  if (!TryParse(S, v)) RaiseNotInteger(S);
  return v;
}

Int64 StrToInt64(StringView S) {
  Int64 v;
  if (!TryParse(S, v)) RaiseNotInteger(S);
  return v;
}
