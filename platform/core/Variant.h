#pragma once
// Variant: the dynamically typed value that fields, keys, streams and automation
// calls pass around. Type codes are the platform's, because stored streams, field
// type tables and messages show them.
//
// Object references are held as varInt64 carrying the pointer value
// (reinterpret_cast<intptr_t>), so a reference never loses its upper half.
// Strings are one UTF-16 type tagged either varOleStr (the default) or varString
// (8-bit text columns); only the tag differs.
// Unsigned 64-bit numbers have no type here: cast them to Int64 first.
// Arrays are one-dimensional; byte arrays (varArray|varByte) keep their bytes
// contiguous so VarArrayLock can hand them out.

#include <compare>
#include <concepts>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <type_traits>
#include <vector>

#include "platform/core/Exceptions.h"
#include "platform/core/Types.h"

using TVarType = Word;

inline constexpr TVarType varEmpty = 0x0000;
inline constexpr TVarType varNull = 0x0001;
inline constexpr TVarType varSmallint = 0x0002;
inline constexpr TVarType varInteger = 0x0003;
inline constexpr TVarType varSingle = 0x0004;
inline constexpr TVarType varDouble = 0x0005;
inline constexpr TVarType varCurrency = 0x0006;
inline constexpr TVarType varDate = 0x0007;
inline constexpr TVarType varOleStr = 0x0008;
inline constexpr TVarType varDispatch = 0x0009;
inline constexpr TVarType varError = 0x000A;
inline constexpr TVarType varBoolean = 0x000B;
inline constexpr TVarType varVariant = 0x000C;
inline constexpr TVarType varUnknown = 0x000D;
inline constexpr TVarType varShortInt = 0x0010;
inline constexpr TVarType varByte = 0x0011;
inline constexpr TVarType varWord = 0x0012;
inline constexpr TVarType varLongWord = 0x0013;
inline constexpr TVarType varInt64 = 0x0014;
inline constexpr TVarType varString = 0x0100;
inline constexpr TVarType varTypeMask = 0x0FFF;
inline constexpr TVarType varArray = 0x2000;

BORROW_EXCEPTION(EVariantOverflowError, EVariantError)

class Variant;

// A late-bound automation object; the automation layer implements it.
class IVarDispatch {
public:
  virtual ~IVarDispatch() = default;
  virtual Variant GetProperty(const String& name) = 0;
  virtual void SetProperty(const String& name, const Variant& value) = 0;
  virtual Variant CallMethod(const String& name, const std::vector<Variant>& args) = 0;
};

// The outcome of a three-way comparison; vrNotEqual means "not comparable"
// (Null against a value, a string that is not a number against a number, arrays).
enum class TVarCompareResult { vrEqual, vrLessThan, vrGreaterThan, vrNotEqual };

namespace borrow_detail {
template <class T>
concept VarIntegral = std::integral<T> && !std::same_as<T, bool> && !std::same_as<T, char> &&
                      !std::same_as<T, char8_t> && !std::same_as<T, char16_t> && !std::same_as<T, char32_t> &&
                      !std::same_as<T, wchar_t> && !std::same_as<T, UInt64> && !std::same_as<T, unsigned long long>;
struct TVarArrayData;
}  // namespace borrow_detail

class Variant {
public:
  Variant() = default;  // Empty (Unassigned)
  Variant(bool v) : FType(varBoolean) { FData.B = v; }
  template <borrow_detail::VarIntegral T>
  Variant(T v) {
    if constexpr (std::is_signed_v<T>) {
      if constexpr (sizeof(T) == 1) FType = varShortInt;
      else if constexpr (sizeof(T) == 2) FType = varSmallint;
      else if constexpr (sizeof(T) == 4) FType = varInteger;
      else FType = varInt64;
      FData.I = static_cast<Int64>(v);
    } else {
      if constexpr (sizeof(T) == 1) FType = varByte;
      else if constexpr (sizeof(T) == 2) FType = varWord;
      else FType = varLongWord;
      FData.I = static_cast<Int64>(v);
    }
  }
  Variant(float v) : FType(varSingle) { FData.D = v; }
  Variant(double v) : FType(varDouble) { FData.D = v; }
  Variant(long double v) : FType(varDouble) { FData.D = static_cast<double>(v); }
  Variant(Currency v) : FType(varCurrency) { FData.I = v.Raw; }
  Variant(const String& v) : FType(varOleStr), FStr(v) {}
  Variant(String&& v) : FType(varOleStr), FStr(std::move(v)) {}
  Variant(StringView v) : FType(varOleStr), FStr(v) {}
  Variant(const char16_t* v) : FType(varOleStr), FStr(v ? v : u"") {}
  Variant(std::shared_ptr<IVarDispatch> v) : FType(varDispatch), FRef(std::move(v)) {}
  // No implicit pointer-to-bool or narrow-text Variants: say what is meant.
  template <class T>
  Variant(T*) = delete;
  Variant(std::nullptr_t) = delete;

  static Variant Null() {
    Variant v;
    v.FType = varNull;
    return v;
  }
  static Variant Empty() { return Variant(); }
  static Variant FromDate(TDateTime d) {
    Variant v;
    v.FType = varDate;
    v.FData.D = d;
    return v;
  }
  // 8-bit text: the same characters, tagged varString.
  static Variant FromAnsiStr(String s) {
    Variant v(std::move(s));
    v.FType = varString;
    return v;
  }
  static Variant FromError(Integer code) {
    Variant v;
    v.FType = varError;
    v.FData.I = code;
    return v;
  }

  TVarType VarType() const { return FType; }
  bool IsNull() const { return FType == varNull; }
  bool IsEmpty() const { return FType == varEmpty; }
  bool IsArray() const { return (FType & varArray) != 0; }

  // Conversions raise EVariantTypeCastError when the value cannot become the type;
  // Null converts to nothing (VarToStr gives "" for it), Empty to 0, "" or False.
  Integer AsInteger() const;
  Int64 AsInt64() const;
  double AsDouble() const;
  bool AsBoolean() const;
  String AsString() const;
  Currency AsCurrency() const;
  TDateTime AsDateTime() const;
  std::shared_ptr<IVarDispatch> AsDispatch() const;

  // Late-bound member access of a varDispatch value (EVariantInvalidOpError otherwise).
  Variant GetProperty(const String& name) const;
  void SetProperty(const String& name, const Variant& value) const;
  Variant CallMethod(const String& name, const std::vector<Variant>& args = {}) const;

  // Comparison operators raise when a string cannot become the other operand's
  // number; ordering against Null is always false; Null == Null.
  friend bool operator==(const Variant& a, const Variant& b);
  friend bool operator!=(const Variant& a, const Variant& b) { return !(a == b); }
  friend bool operator<(const Variant& a, const Variant& b);
  friend bool operator>(const Variant& a, const Variant& b) { return b < a; }
  friend bool operator<=(const Variant& a, const Variant& b);
  friend bool operator>=(const Variant& a, const Variant& b) { return b <= a; }

  // Arithmetic: Null in gives Null out; Empty counts as 0 (or "" for +).
  friend Variant operator+(const Variant& a, const Variant& b);
  friend Variant operator-(const Variant& a, const Variant& b);
  friend Variant operator*(const Variant& a, const Variant& b);
  friend Variant operator/(const Variant& a, const Variant& b);
  Variant operator-() const;

private:
  friend struct VarAccess;
  friend String VarToStr(Variant&& v);
  TVarType FType = varEmpty;
  union Scalar {
    Int64 I;   // all integer types, Currency raw, Error code
    double D;  // Single (widened), Double, Date
    bool B;
  } FData{0};
  String FStr;
  // The automation object of a varDispatch, or the elements of an array
  // (shared between copies until one of them writes).
  std::shared_ptr<void> FRef;
};

inline Variant Null() { return Variant::Null(); }
inline Variant Unassigned() { return Variant(); }

// Type tests.
inline TVarType VarType(const Variant& v) { return v.VarType(); }
inline bool VarIsNull(const Variant& v) { return v.IsNull(); }
inline bool VarIsEmpty(const Variant& v) { return v.IsEmpty(); }
inline bool VarIsClear(const Variant& v) { return v.IsEmpty(); }
inline bool VarIsNullOrEmpty(const Variant& v) { return v.IsNull() || v.IsEmpty(); }
inline bool VarIsArray(const Variant& v) { return v.IsArray(); }
bool VarIsType(const Variant& v, TVarType type);
bool VarIsStr(const Variant& v);
bool VarIsOrdinal(const Variant& v);  // integers and Boolean
bool VarIsFloat(const Variant& v);    // Single, Double, Currency
bool VarIsNumeric(const Variant& v);  // ordinal or float
// The platform's type name, as shown in cast errors ("Integer", "OleStr", "Array Byte").
String VarTypeAsText(TVarType type);

// Casts. VarAsType(v, varVariant) copies; a failure raises EVariantTypeCastError
// "Could not convert variant of type (X) into type (Y)", or EVariantOverflowError
// when a number does not fit the integer type.
Variant VarAsType(const Variant& v, TVarType type);
void VarCast(Variant& dest, const Variant& source, TVarType type);

String VarToStr(const Variant& v);  // Null and Empty give ""
// The same, but a string's text is moved out of v, which is left Empty: a
// caller done with the Variant takes megabytes of text without a copy.
String VarToStr(Variant&& v);
String VarToWideStr(const Variant& v);
String VarToStrDef(const Variant& v, const String& def);
TDateTime VarToDateTime(const Variant& v);
inline Variant VarFromDateTime(TDateTime d) { return Variant::FromDate(d); }

// Three-way compare that never raises: vrNotEqual when the two cannot be ordered.
// Null equals Null and is not comparable with anything else; Empty equals Empty
// and sorts before every other non-Null value.
TVarCompareResult VarCompareValue(const Variant& a, const Variant& b);
// Equality without raising: false when the two are not comparable.
bool VarSameValue(const Variant& a, const Variant& b);

// Arrays (one dimension). Bounds are inclusive.
Variant VarArrayCreate(Integer lowBound, Integer highBound, TVarType elemType);
Variant VarArrayCreate(std::initializer_list<Integer> bounds, TVarType elemType);
Variant VarArrayOf(std::initializer_list<Variant> values);
Variant VarArrayOf(const std::vector<Variant>& values);
Integer VarArrayDimCount(const Variant& v);  // 0 for a non-array
Integer VarArrayLowBound(const Variant& v, Integer dim = 1);
Integer VarArrayHighBound(const Variant& v, Integer dim = 1);
void VarArrayRedim(Variant& v, Integer highBound);
Variant VarArrayGet(const Variant& v, Integer index);
void VarArrayPut(Variant& v, const Variant& value, Integer index);
// Direct access to the elements: Byte* for a byte array, Variant* otherwise.
// The pointer stays valid until the array is resized or reassigned.
void* VarArrayLock(Variant& v);
const void* VarArrayLock(const Variant& v);
inline void VarArrayUnlock(const Variant&) {}
