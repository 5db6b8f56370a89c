#pragma once
// Text formatting and parsing of numbers: Format, the float and currency
// formatters, the string-to-number parsers and the rounding helpers. Every
// function reads the locale settings at the time of the call; the overloads that
// take a TFormatSettings use those instead.

#include <initializer_list>
#include <type_traits>
#include <vector>

#include "platform/core/FormatSettings.h"
#include "platform/core/Variant.h"

// One argument of Format: a Variant, or a pointer for %p.
class TVarRec {
public:
  template <class T>
  requires std::is_constructible_v<Variant, const T&> TVarRec(const T& v) : FValue(v) {}
  TVarRec(const void* p) : FPointer(p), FIsPointer(true) {}
  const Variant& Value() const { return FValue; }
  bool IsPointer() const { return FIsPointer; }
  const void* Pointer() const { return FPointer; }

private:
  Variant FValue;
  const void* FPointer = nullptr;
  bool FIsPointer = false;
};

// "%" ["index:"] ["-"] [width] ["." precision] type, with types d u x e f g n m p s;
// index, width and precision may be "*" (taken from the arguments); "%%" is "%".
// A bad format or an argument of the wrong kind raises EConvertError
// "Format '%s' invalid or incompatible with argument".
String Format(const String& fmt, std::initializer_list<TVarRec> args);
String Format(const String& fmt, std::initializer_list<TVarRec> args, const TFormatSettings& fs);
String Format(const String& fmt, const std::vector<TVarRec>& args);
String Format(const String& fmt, const std::vector<TVarRec>& args, const TFormatSettings& fs);

enum TFloatFormat { ffGeneral, ffExponent, ffFixed, ffNumber, ffCurrency };

// General format with 15 significant digits.
String FloatToStr(Extended value, const TFormatSettings& fs = FormatSettings);
String FloatToStrF(Extended value, TFloatFormat format, Integer precision, Integer digits,
                   const TFormatSettings& fs = FormatSettings);
// Sections "positive;negative;zero" of 0 # . , E+ E- and quoted literals.
String FormatFloat(const String& fmt, Extended value, const TFormatSettings& fs = FormatSettings);
String FormatCurr(const String& fmt, Currency value, const TFormatSettings& fs = FormatSettings);
String CurrToStr(Currency value, const TFormatSettings& fs = FormatSettings);
String CurrToStrF(Currency value, TFloatFormat format, Integer digits, const TFormatSettings& fs = FormatSettings);

// Parsing: optional blanks, sign, digits with the locale's decimal separator,
// optional exponent. EConvertError "'%s' is not a valid floating point value".
Extended StrToFloat(const String& s, const TFormatSettings& fs = FormatSettings);
bool TryStrToFloat(const String& s, Extended& value, const TFormatSettings& fs = FormatSettings);
bool TryStrToFloat(const String& s, double& value, const TFormatSettings& fs = FormatSettings);
Extended StrToFloatDef(const String& s, Extended def, const TFormatSettings& fs = FormatSettings);
Currency StrToCurr(const String& s, const TFormatSettings& fs = FormatSettings);
bool TryStrToCurr(const String& s, Currency& value, const TFormatSettings& fs = FormatSettings);
// Currency <-> floating point (the float rounded to 4 decimals, half to even;
// EConvertError when it does not fit).
Currency FloatToCurr(Extended value);
inline Extended CurrToFloat(Currency c) { return static_cast<Extended>(c.Raw) / Currency::Scale; }

BORROW_EXCEPTION(EInvalidOp, Exception)

// Round half to even, as the platform's FPU does. EInvalidOp for NaN or a value
// outside Int64.
Int64 Round(Extended value);
// Rounds to 10^digit (digit -2 keeps two decimals), half to even.
Extended RoundTo(Extended value, Integer digit);
// Rounds to 10^digit, half away from zero.
Extended SimpleRoundTo(Extended value, Integer digit = -2);
Int64 Trunc(Extended value);  // toward zero; EInvalidOp when out of range
Extended Int(Extended value);
Extended Frac(Extended value);
