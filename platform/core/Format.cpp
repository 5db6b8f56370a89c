// Number formatting and parsing. Every formatter first turns the value into
// decimal digits (FloatRec: at most 15 significant digits for a float, exact for
// Currency), rounds those half away from zero where the format cuts them, then
// lays them out; so 1.005 shows as "1,01", as the user reads the number.

#include "platform/core/Format.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

#include "platform/core/Strings.h"

namespace {

struct FloatRec {
  bool Negative = false;
  int Exponent = 0;    // value = 0.D1D2D3... * 10^Exponent
  std::string Digits;  // significant digits, no trailing zeros; empty for zero
  bool Nan = false;
  bool Inf = false;
  bool IsZero() const { return Digits.empty(); }
};

void StripZeros(FloatRec& r) {
  while (!r.Digits.empty() && r.Digits.back() == '0') r.Digits.pop_back();
  if (r.Digits.empty()) {
    r.Exponent = 0;
    r.Negative = false;
  }
}

FloatRec FloatToDecimal(Extended v, int precision) {
  FloatRec r;
  if (std::isnan(v)) {
    r.Nan = true;
    return r;
  }
  if (std::isinf(v)) {
    r.Inf = true;
    r.Negative = v < 0;
    return r;
  }
  r.Negative = std::signbit(v);
  if (v == 0) {
    r.Negative = false;
    return r;
  }
  if (precision < 1) precision = 1;
  if (precision > 18) precision = 18;
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*Le", precision - 1, std::fabs(v));
  // d.ddddde[+-]xx
  std::string s(buf);
  const size_t e = s.find('e');
  for (size_t i = 0; i < e; ++i)
    if (s[i] >= '0' && s[i] <= '9') r.Digits += s[i];
  r.Exponent = std::stoi(s.substr(e + 1)) + 1;
  StripZeros(r);
  return r;
}

FloatRec CurrencyToDecimal(Currency c) {
  FloatRec r;
  r.Negative = c.Raw < 0;
  UInt64 mag = c.Raw < 0 ? UInt64(0) - static_cast<UInt64>(c.Raw) : static_cast<UInt64>(c.Raw);
  if (mag == 0) {
    r.Negative = false;
    return r;
  }
  r.Digits = std::to_string(mag);
  r.Exponent = static_cast<int>(r.Digits.size()) - 4;
  StripZeros(r);
  return r;
}

// Keeps `keep` significant digits, rounding half away from zero.
void RoundDigits(FloatRec& r, int keep) {
  if (r.IsZero() || keep >= static_cast<int>(r.Digits.size())) return;
  if (keep < 0) {
    r.Digits.clear();
    StripZeros(r);
    return;
  }
  const bool up = r.Digits[keep] >= '5';
  r.Digits.resize(keep);
  if (up) {
    int i = keep - 1;
    while (i >= 0 && r.Digits[i] == '9') r.Digits[i--] = '0';
    if (i < 0) {
      r.Digits.insert(r.Digits.begin(), '1');
      r.Exponent += 1;
    } else {
      ++r.Digits[i];
    }
  }
  StripZeros(r);
}

String Ascii(const std::string& s) { return String(s.begin(), s.end()); }

Char DigitAt(const FloatRec& r, int i) {
  return i >= 0 && i < static_cast<int>(r.Digits.size()) ? static_cast<Char>(r.Digits[i]) : u'0';
}

String ExponentText(int exp, int minDigits, bool plusSign) {
  String s;
  if (exp < 0) s += u'-';
  else if (plusSign) s += u'+';
  std::string d = std::to_string(exp < 0 ? -exp : exp);
  while (static_cast<int>(d.size()) < minDigits) d.insert(d.begin(), '0');
  return s + Ascii(d);
}

String SpecialText(const FloatRec& r) {
  if (r.Nan) return u"NAN";
  return r.Negative ? u"-INF" : u"INF";
}

// The integer digits of a fixed layout, with thousand separators when asked.
String IntegerPart(const FloatRec& r, bool thousands, Char sep) {
  if (r.Exponent <= 0) return u"0";
  String s;
  for (int i = 0; i < r.Exponent; ++i) {
    s += DigitAt(r, i);
    const int left = r.Exponent - 1 - i;
    if (thousands && left > 0 && left % 3 == 0) s += sep;
  }
  return s;
}

String GeneralText(FloatRec r, int precision, int expDigits, const TFormatSettings& fs) {
  RoundDigits(r, precision);
  if (r.IsZero()) return u"0";
  String out = r.Negative ? u"-" : u"";
  const int n = static_cast<int>(r.Digits.size());
  if (r.Exponent > precision || r.Exponent < -3) {
    out += static_cast<Char>(r.Digits[0]);
    if (n > 1) {
      out += fs.DecimalSeparator;
      out += Ascii(r.Digits.substr(1));
    }
    out += u'E';
    out += ExponentText(r.Exponent - 1, expDigits, false);
    return out;
  }
  out += IntegerPart(r, false, 0);
  if (n > r.Exponent) {
    out += fs.DecimalSeparator;
    for (int i = r.Exponent; i < n; ++i) out += DigitAt(r, i);
  }
  return out;
}

String CurrencyLayout(const String& num, bool negative, const TFormatSettings& fs) {
  const String& c = fs.CurrencyString;
  if (!negative) {
    switch (fs.CurrencyFormat) {
      case 0: return c + num;
      case 1: return num + c;
      case 2: return c + u" " + num;
      default: return num + u" " + c;
    }
  }
  switch (fs.NegCurrFormat) {
    case 0: return u"(" + c + num + u")";
    case 1: return u"-" + c + num;
    case 2: return c + u"-" + num;
    case 3: return c + num + u"-";
    case 4: return u"(" + num + c + u")";
    case 5: return u"-" + num + c;
    case 6: return num + u"-" + c;
    case 7: return num + c + u"-";
    case 8: return u"-" + num + u" " + c;
    case 9: return u"-" + c + u" " + num;
    case 10: return num + u" " + c + u"-";
    case 11: return c + u" " + num + u"-";
    case 12: return c + u" -" + num;
    case 13: return num + u"- " + c;
    case 14: return u"(" + c + u" " + num + u")";
    default: return u"(" + num + u" " + c + u")";
  }
}

String FormatRec(FloatRec r, TFloatFormat format, int precision, int digits, const TFormatSettings& fs) {
  if (r.Nan || r.Inf) return SpecialText(r);
  if (precision < 1) precision = 1;
  if (digits < 0) digits = 0;
  if (digits > 18) digits = 18;
  switch (format) {
    case ffGeneral: return GeneralText(r, precision, digits, fs);
    case ffExponent: {
      if (digits > 4) digits = 4;
      RoundDigits(r, precision);
      String out = r.Negative ? u"-" : u"";
      out += DigitAt(r, 0);
      if (precision > 1) {
        out += fs.DecimalSeparator;
        for (int i = 1; i < precision; ++i) out += DigitAt(r, i);
      }
      out += u'E';
      out += ExponentText(r.IsZero() ? 0 : r.Exponent - 1, digits, true);
      return out;
    }
    default: break;
  }
  // Fixed layouts; a number with more integer digits than the precision is
  // shown in general format, as fixed digits would be invented.
  if (r.Exponent > precision) return GeneralText(r, precision, 0, fs);
  RoundDigits(r, std::min(precision, r.Exponent + digits));
  String num = IntegerPart(r, format != ffFixed, fs.ThousandSeparator);
  if (digits > 0) {
    num += fs.DecimalSeparator;
    for (int i = 0; i < digits; ++i) num += DigitAt(r, r.Exponent + i);
  }
  if (format == ffCurrency) return CurrencyLayout(num, r.Negative, fs);
  return r.Negative ? u"-" + num : num;
}

// ---- FormatFloat ------------------------------------------------------------------

std::vector<String> SplitSections(const String& fmt) {
  std::vector<String> out(1);
  Char quote = 0;
  for (Char c : fmt) {
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == u'"' || c == u'\'') {
      quote = c;
    } else if (c == u';') {
      if (out.size() == 3) break;
      out.emplace_back();
      continue;
    }
    out.back() += c;
  }
  return out;
}

struct SectionInfo {
  int IntPlaces = 0;  // digit placeholders before the point
  int ForcedInt = 0;  // of which from the first '0' on
  int DecPlaces = 0;  // digit placeholders after the point
  int ForcedDec = 0;  // up to the last '0' after the point
  bool Thousands = false;
  bool Scientific = false;
  bool HasPoint = false;
};

bool IsExpAt(const String& s, size_t i) {
  return (s[i] == u'E' || s[i] == u'e') && i + 2 < s.size() + 0 && (s[i + 1] == u'+' || s[i + 1] == u'-') &&
         s[i + 2] == u'0';
}

SectionInfo Analyse(const String& s) {
  SectionInfo info;
  int firstZero = -1;
  Char quote = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    const Char c = s[i];
    if (quote) {
      if (c == quote) quote = 0;
      continue;
    }
    if (c == u'"' || c == u'\'') {
      quote = c;
      continue;
    }
    if (info.Scientific) continue;
    if (c == u'0' || c == u'#') {
      if (!info.HasPoint) {
        if (c == u'0' && firstZero < 0) firstZero = info.IntPlaces;
        ++info.IntPlaces;
      } else {
        ++info.DecPlaces;
        if (c == u'0') info.ForcedDec = info.DecPlaces;
      }
    } else if (c == u'.') {
      info.HasPoint = true;
    } else if (c == u',') {
      if (!info.HasPoint) info.Thousands = true;
    } else if (IsExpAt(s, i)) {
      info.Scientific = true;
    }
  }
  info.ForcedInt = firstZero < 0 ? 0 : info.IntPlaces - firstZero;
  return info;
}

// Lays out one section. `r` is the value's unrounded digits; the sign is written
// by the caller.
String LayoutSection(const String& s, const SectionInfo& info, FloatRec r, const TFormatSettings& fs) {
  int exponent = 0;
  if (info.Scientific) {
    const int places = info.IntPlaces + info.DecPlaces;
    RoundDigits(r, places > 0 ? places : 1);
    if (!r.IsZero()) {
      const int intPlaces = info.IntPlaces > 0 ? info.IntPlaces : 1;
      exponent = r.Exponent - intPlaces;
      r.Exponent = intPlaces;
    }
  } else {
    RoundDigits(r, r.Exponent + info.DecPlaces);
  }
  // Integer digits, padded to the forced count.
  String intDigits;
  for (int i = 0; i < r.Exponent; ++i) intDigits += DigitAt(r, i);
  while (static_cast<int>(intDigits.size()) < info.ForcedInt) intDigits.insert(intDigits.begin(), u'0');
  // Decimal digits, trimmed to the forced count.
  String decDigits;
  for (int i = 0; i < info.DecPlaces; ++i) decDigits += DigitAt(r, r.Exponent + i);
  while (static_cast<int>(decDigits.size()) > info.ForcedDec && decDigits.back() == u'0') decDigits.pop_back();

  String out;
  const int len = static_cast<int>(intDigits.size());
  int intSeen = 0, decSeen = 0;
  bool afterPoint = false;
  auto emitInt = [&](int j) {
    out += intDigits[j];
    const int left = len - 1 - j;
    if (info.Thousands && left > 0 && left % 3 == 0) out += fs.ThousandSeparator;
  };
  Char quote = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    const Char c = s[i];
    if (quote) {
      if (c == quote) quote = 0;
      else out += c;
      continue;
    }
    if (c == u'"' || c == u'\'') {
      quote = c;
      continue;
    }
    if (c == u'0' || c == u'#') {
      if (!afterPoint) {
        const int k = intSeen++;
        const int j = k - (info.IntPlaces - len);
        if (k == 0 && len > info.IntPlaces) {
          for (int m = 0; m <= len - info.IntPlaces; ++m) emitInt(m);
        } else if (j >= 0) {
          emitInt(j);
        }
      } else {
        const int k = decSeen++;
        if (k < static_cast<int>(decDigits.size())) out += decDigits[k];
      }
    } else if (c == u'.') {
      if (!afterPoint) {
        afterPoint = true;
        if (!decDigits.empty()) out += fs.DecimalSeparator;
      }
    } else if (c == u',') {
      // a flag, not a character of the result
    } else if (info.Scientific && IsExpAt(s, i)) {
      size_t j = i + 2;
      int minDigits = 0;
      while (j < s.size() && s[j] == u'0') {
        ++minDigits;
        ++j;
      }
      out += c;
      out += ExponentText(exponent, minDigits, s[i + 1] == u'+');
      i = j - 1;
      afterPoint = true;  // nothing after the exponent takes digits
      decSeen = info.DecPlaces;
    } else {
      out += c;
    }
  }
  return out;
}

String FormatFloatRec(const String& fmt, const FloatRec& value, const TFormatSettings& fs) {
  if (value.Nan || value.Inf) return SpecialText(value);
  const std::vector<String> sections = SplitSections(fmt);
  auto general = [&](const FloatRec& r) { return GeneralText(r, 15, 0, fs); };
  if (fmt.empty()) return general(value);

  // Pick the section by sign; a section left empty falls back to the first.
  size_t index = 0;
  if (value.IsZero() && sections.size() >= 3 && !sections[2].empty()) index = 2;
  else if (value.Negative && sections.size() >= 2 && !sections[1].empty()) index = 1;
  const SectionInfo info = Analyse(sections[index]);

  // Beyond 18 integer digits a fixed layout would show invented zeros.
  if (!info.Scientific && value.Exponent > 18) return general(value);

  FloatRec abs = value;
  abs.Negative = false;
  FloatRec rounded = abs;
  if (info.Scientific) RoundDigits(rounded, std::max(1, info.IntPlaces + info.DecPlaces));
  else RoundDigits(rounded, rounded.Exponent + info.DecPlaces);
  if (!value.IsZero() && rounded.IsZero()) {
    // Rounds to zero: shown as zero, never as "-0".
    const size_t zero = sections.size() >= 3 && !sections[2].empty() ? 2 : 0;
    return LayoutSection(sections[zero], Analyse(sections[zero]), FloatRec(), fs);
  }
  String out = LayoutSection(sections[index], info, abs, fs);
  if (value.Negative && index == 0) out.insert(out.begin(), u'-');
  return out;
}

// ---- parsing ------------------------------------------------------------------------

// Blanks around, optional sign, digits with the decimal separator, optional
// exponent: value = (-1)^Negative * Digits * 10^Exponent.
struct DecimalText {
  bool Negative = false;
  std::string Digits;
  Int64 Exponent = 0;
};

bool ParseDecimal(const String& s, DecimalText& out, const TFormatSettings& fs) {
  size_t i = 0, n = s.size();
  while (i < n && s[i] <= u' ') ++i;
  while (n > i && s[n - 1] <= u' ') --n;
  out = DecimalText();
  if (i < n && (s[i] == u'+' || s[i] == u'-')) out.Negative = s[i++] == u'-';
  while (i < n && s[i] >= u'0' && s[i] <= u'9') out.Digits += static_cast<char>(s[i++]);
  if (i < n && s[i] == fs.DecimalSeparator) {
    ++i;
    while (i < n && s[i] >= u'0' && s[i] <= u'9') {
      out.Digits += static_cast<char>(s[i++]);
      --out.Exponent;
    }
  }
  if (out.Digits.empty()) return false;
  if (i < n && (s[i] == u'e' || s[i] == u'E')) {
    ++i;
    bool neg = false;
    if (i < n && (s[i] == u'+' || s[i] == u'-')) neg = s[i++] == u'-';
    Int64 e = 0;
    int expDigits = 0;
    while (i < n && s[i] >= u'0' && s[i] <= u'9') {
      if (e < 100000000) e = e * 10 + (s[i] - u'0');
      ++i;
      ++expDigits;
    }
    if (expDigits == 0) return false;
    out.Exponent += neg ? -e : e;
  }
  return i == n;
}

bool ParseFloat(const String& s, Extended& out, const TFormatSettings& fs) {
  DecimalText t;
  if (!ParseDecimal(s, t, fs)) return false;
  std::string a = (t.Negative ? "-" : "") + t.Digits + "e" + std::to_string(t.Exponent);
  Extended v = 0;
  const auto res = std::from_chars(a.data(), a.data() + a.size(), v);
  if (res.ec == std::errc::result_out_of_range) {
    // Too small to hold is zero; too large is no value.
    if (t.Exponent < 0) {
      out = 0;
      return true;
    }
    return false;
  }
  if (res.ec != std::errc() || res.ptr != a.data() + a.size()) return false;
  out = v;
  return true;
}

// Currency straight from the decimal digits, so no binary rounding creeps in;
// digits past the fourth decimal round half to even.
bool ParseCurrency(const String& s, Currency& out, const TFormatSettings& fs) {
  DecimalText t;
  if (!ParseDecimal(s, t, fs)) return false;
  size_t first = t.Digits.find_first_not_of('0');
  if (first == std::string::npos) {
    out = Currency();
    return true;
  }
  std::string d = t.Digits.substr(first);
  const Int64 shift = t.Exponent + 4;  // raw = d * 10^shift
  if (shift > 19 || static_cast<Int64>(d.size()) + shift > 20) return false;
  std::string whole, rest;
  if (shift >= 0) {
    whole = d + std::string(static_cast<size_t>(shift), '0');
  } else if (static_cast<Int64>(d.size()) + shift > 0) {
    whole = d.substr(0, d.size() + shift);
    rest = d.substr(d.size() + shift);
  } else {
    rest = std::string(static_cast<size_t>(-shift - static_cast<Int64>(d.size())), '0') + d;
  }
  unsigned __int128 raw = 0;
  for (char c : whole) raw = raw * 10 + static_cast<unsigned>(c - '0');
  if (!rest.empty()) {
    const bool above = rest[0] > '5' || (rest[0] == '5' && rest.find_first_not_of('0', 1) != std::string::npos);
    const bool tie = rest[0] == '5' && !above;
    if (above || (tie && (raw & 1))) ++raw;
  }
  const unsigned __int128 limit = static_cast<unsigned __int128>(std::numeric_limits<Int64>::max());
  if (raw > limit) return false;
  out = Currency::FromRaw(t.Negative ? -static_cast<Int64>(raw) : static_cast<Int64>(raw));
  return true;
}

[[noreturn]] void FormatError(const String& fmt) {
  throw EConvertError(u"Format '" + fmt + u"' invalid or incompatible with argument");
}

constexpr Extended kCurrencyLimit = 922337203685477.5807L;

}  // namespace

// ---- float and currency text --------------------------------------------------------

String FloatToStr(Extended value, const TFormatSettings& fs) {
  return FormatRec(FloatToDecimal(value, 15), ffGeneral, 15, 0, fs);
}

String FloatToStrF(Extended value, TFloatFormat format, Integer precision, Integer digits, const TFormatSettings& fs) {
  if (precision > 18) precision = 18;
  if (precision < 1) precision = 1;
  // Fifteen digits as read, then rounded half away from zero to what is shown.
  return FormatRec(FloatToDecimal(value, precision > 15 ? precision : 15), format, precision, digits, fs);
}

String FormatFloat(const String& fmt, Extended value, const TFormatSettings& fs) {
  return FormatFloatRec(fmt, FloatToDecimal(value, 15), fs);
}

String FormatCurr(const String& fmt, Currency value, const TFormatSettings& fs) {
  return FormatFloatRec(fmt, CurrencyToDecimal(value), fs);
}

String CurrToStr(Currency value, const TFormatSettings& fs) {
  return FormatRec(CurrencyToDecimal(value), ffGeneral, 19, 0, fs);
}

String CurrToStrF(Currency value, TFloatFormat format, Integer digits, const TFormatSettings& fs) {
  return FormatRec(CurrencyToDecimal(value), format, 19, digits, fs);
}

bool TryStrToFloat(const String& s, Extended& value, const TFormatSettings& fs) { return ParseFloat(s, value, fs); }

bool TryStrToFloat(const String& s, double& value, const TFormatSettings& fs) {
  Extended e;
  if (!ParseFloat(s, e, fs)) return false;
  if (std::fabs(e) > std::numeric_limits<double>::max()) return false;
  value = static_cast<double>(e);
  return true;
}

Extended StrToFloat(const String& s, const TFormatSettings& fs) {
  Extended v;
  if (!ParseFloat(s, v, fs)) throw EConvertError(u"'" + s + u"' is not a valid floating point value");
  return v;
}

Extended StrToFloatDef(const String& s, Extended def, const TFormatSettings& fs) {
  Extended v;
  return ParseFloat(s, v, fs) ? v : def;
}

bool TryStrToCurr(const String& s, Currency& value, const TFormatSettings& fs) { return ParseCurrency(s, value, fs); }

Currency StrToCurr(const String& s, const TFormatSettings& fs) {
  Currency c;
  if (!TryStrToCurr(s, c, fs)) throw EConvertError(u"'" + s + u"' is not a valid floating point value");
  return c;
}

Currency FloatToCurr(Extended value) {
  if (!std::isfinite(value) || std::fabs(value) > kCurrencyLimit)
    throw EConvertError(FloatToStr(value) + u" is not within the valid range of Currency");
  const Extended scaled = value * Currency::Scale;
  if (scaled >= 9223372036854775807.0L) return Currency::FromRaw(std::numeric_limits<Int64>::max());
  if (scaled <= -9223372036854775807.0L) return Currency::FromRaw(-std::numeric_limits<Int64>::max());
  return Currency::FromRaw(Round(scaled));
}

// ---- rounding -----------------------------------------------------------------------

Int64 Round(Extended value) {
  const Extended r = std::nearbyint(value);  // the default mode rounds half to even
  if (!std::isfinite(r) || r >= 9223372036854775808.0L || r < -9223372036854775808.0L)
    throw EInvalidOp(u"Invalid floating point operation");
  return static_cast<Int64>(r);
}

Int64 Trunc(Extended value) {
  const Extended r = std::trunc(value);
  if (!std::isfinite(r) || r >= 9223372036854775808.0L || r < -9223372036854775808.0L)
    throw EInvalidOp(u"Invalid floating point operation");
  return static_cast<Int64>(r);
}

Extended Int(Extended value) { return std::trunc(value); }
Extended Frac(Extended value) { return value - std::trunc(value); }

namespace {
Extended Pow10(Integer n) {
  Extended f = 1;
  for (Integer i = 0; i < (n < 0 ? -n : n); ++i) f *= 10;
  return f;
}
}  // namespace

Extended RoundTo(Extended value, Integer digit) {
  if (digit < -37 || digit > 37) return value;
  const Extended f = Pow10(digit);
  if (digit < 0) return std::nearbyint(value * f) / f;
  return std::nearbyint(value / f) * f;
}

Extended SimpleRoundTo(Extended value, Integer digit) {
  if (digit < -37 || digit > 37) return value;
  const Extended f = Pow10(digit);
  const Extended a = std::fabs(value);
  const Extended r = digit < 0 ? std::floor(a * f + 0.5L) / f : std::floor(a / f + 0.5L) * f;
  return value < 0 ? -r : r;
}

// ---- Format -------------------------------------------------------------------------

namespace {

bool IntegerArg(const TVarRec& a, Int64& out) {
  if (a.IsPointer()) return false;
  const Variant& v = a.Value();
  if (!VarIsOrdinal(v) || v.VarType() == varBoolean) return false;
  out = v.AsInt64();
  return true;
}

bool FloatArg(const TVarRec& a, Extended& out) {
  if (a.IsPointer()) return false;
  const Variant& v = a.Value();
  if (v.VarType() == varCurrency) {
    out = CurrToFloat(v.AsCurrency());
    return true;
  }
  if (!VarIsNumeric(v) && v.VarType() != varDate) return false;
  if (v.VarType() == varBoolean) return false;
  out = VarIsOrdinal(v) ? static_cast<Extended>(v.AsInt64()) : static_cast<Extended>(v.AsDouble());
  return true;
}

String Hex(UInt64 v, int minDigits) {
  std::string s;
  do {
    s.insert(s.begin(), "0123456789ABCDEF"[v & 15]);
    v >>= 4;
  } while (v);
  while (static_cast<int>(s.size()) < minDigits) s.insert(s.begin(), '0');
  return Ascii(s);
}

String FormatImpl(const String& fmt, const TVarRec* args, size_t count, const TFormatSettings& fs) {
  String out;
  size_t next = 0;
  size_t i = 0;
  const size_t n = fmt.size();
  auto number = [&](Integer& value) -> bool {
    // digits or '*' (an integer argument)
    if (i < n && fmt[i] == u'*') {
      ++i;
      Int64 v;
      if (next >= count) throw EConvertError(u"No argument for format '" + fmt + u"'");
      if (!IntegerArg(args[next++], v)) FormatError(fmt);
      value = static_cast<Integer>(v);
      return true;
    }
    if (i < n && fmt[i] >= u'0' && fmt[i] <= u'9') {
      Int64 v = 0;
      while (i < n && fmt[i] >= u'0' && fmt[i] <= u'9') {
        v = v * 10 + (fmt[i++] - u'0');
        if (v > 1000000) FormatError(fmt);
      }
      value = static_cast<Integer>(v);
      return true;
    }
    return false;
  };
  while (i < n) {
    const Char c = fmt[i++];
    if (c != u'%') {
      out += c;
      continue;
    }
    if (i < n && fmt[i] == u'%') {
      out += u'%';
      ++i;
      continue;
    }
    Integer first = -1, width = -1, precision = -1;
    bool left = false;
    // An index ("%1:s") looks like a width until the ':'; undo the read when
    // it was a width after all (a '*' read then took an argument too).
    const size_t save = i, saveNext = next;
    if (number(first) && i < n && fmt[i] == u':') {
      ++i;
      if (first < 0) FormatError(fmt);
      next = static_cast<size_t>(first);
    } else {
      i = save;
      next = saveNext;
    }
    if (i < n && fmt[i] == u'-') {
      left = true;
      ++i;
    }
    number(width);
    if (i < n && fmt[i] == u'.') {
      ++i;
      if (!number(precision)) precision = 0;
    }
    if (i >= n) FormatError(fmt);
    const Char type = fmt[i++] | 0x20;  // lower case
    if (next >= count) throw EConvertError(u"No argument for format '" + fmt + u"'");
    const TVarRec& arg = args[next++];
    String text;
    switch (type) {
      case u'd':
      case u'u':
      case u'x': {
        Int64 v;
        if (!IntegerArg(arg, v)) FormatError(fmt);
        const bool wide = arg.Value().VarType() == varInt64;
        if (type == u'd') {
          std::string d = std::to_string(v < 0 ? UInt64(0) - static_cast<UInt64>(v) : static_cast<UInt64>(v));
          while (static_cast<int>(d.size()) < precision) d.insert(d.begin(), '0');
          text = (v < 0 ? u"-" : u"") + Ascii(d);
        } else {
          const UInt64 u = wide ? static_cast<UInt64>(v) : static_cast<UInt64>(static_cast<LongWord>(v));
          if (type == u'x') {
            text = Hex(u, precision);
          } else {
            std::string d = std::to_string(u);
            while (static_cast<int>(d.size()) < precision) d.insert(d.begin(), '0');
            text = Ascii(d);
          }
        }
        break;
      }
      case u'e':
      case u'f':
      case u'g':
      case u'n':
      case u'm': {
        Extended v;
        if (!FloatArg(arg, v)) FormatError(fmt);
        switch (type) {
          case u'e': text = FloatToStrF(v, ffExponent, precision < 0 ? 15 : precision, 3, fs); break;
          case u'f': text = FloatToStrF(v, ffFixed, 15, precision < 0 ? 2 : precision, fs); break;
          case u'g': text = FloatToStrF(v, ffGeneral, precision < 0 ? 15 : precision, 0, fs); break;
          case u'n': text = FloatToStrF(v, ffNumber, 15, precision < 0 ? 2 : precision, fs); break;
          default: text = FloatToStrF(v, ffCurrency, 15, precision < 0 ? fs.CurrencyDecimals : precision, fs); break;
        }
        break;
      }
      case u's': {
        if (arg.IsPointer()) FormatError(fmt);
        const Variant& v = arg.Value();
        if (v.IsArray() || v.VarType() == varDispatch || v.VarType() == varError) FormatError(fmt);
        text = VarToStr(v);
        if (precision >= 0 && static_cast<size_t>(precision) < text.size()) text.resize(precision);
        break;
      }
      case u'p': {
        if (!arg.IsPointer()) FormatError(fmt);
        text = Hex(reinterpret_cast<std::uintptr_t>(arg.Pointer()), 2 * sizeof(void*));
        break;
      }
      default: FormatError(fmt);
    }
    if (width > 0 && static_cast<size_t>(width) > text.size()) {
      const String pad(width - text.size(), u' ');
      text = left ? text + pad : pad + text;
    }
    out += text;
  }
  return out;
}

}  // namespace

String Format(const String& fmt, std::initializer_list<TVarRec> args) {
  return FormatImpl(fmt, args.begin(), args.size(), FormatSettings);
}

String Format(const String& fmt, std::initializer_list<TVarRec> args, const TFormatSettings& fs) {
  return FormatImpl(fmt, args.begin(), args.size(), fs);
}

String Format(const String& fmt, const std::vector<TVarRec>& args) {
  return FormatImpl(fmt, args.data(), args.size(), FormatSettings);
}

String Format(const String& fmt, const std::vector<TVarRec>& args, const TFormatSettings& fs) {
  return FormatImpl(fmt, args.data(), args.size(), fs);
}
