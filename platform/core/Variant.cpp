// Variant storage, type tests, casts, arrays and access to late-bound objects.
// Comparison and arithmetic are in VariantOps.cpp.

#include "platform/core/Variant.h"

#include <cfloat>
#include <cmath>
#include <limits>
#include <utility>

#include "platform/core/DateTime.h"
#include "platform/core/Format.h"
#include "platform/core/Strings.h"
#include "platform/core/VariantImpl.h"
#include "platform/core/VariantText.h"

namespace borrow_detail {

Integer TVarArrayData::Count() const { return static_cast<Integer>(ElemType == varByte ? Bytes.size() : Items.size()); }

}  // namespace borrow_detail

using borrow_detail::TVarArrayData;

// ---- errors -----------------------------------------------------------------

void VarAccess::CastError(TVarType from, TVarType to) {
  throw EVariantTypeCastError(u"Could not convert variant of type (" + VarTypeAsText(from) + u") into type (" +
                              VarTypeAsText(to) + u")");
}

void VarAccess::OverflowError(TVarType from, TVarType to) {
  throw EVariantOverflowError(u"Overflow while converting variant of type (" + VarTypeAsText(from) + u") into type (" +
                              VarTypeAsText(to) + u")");
}

void VarAccess::InvalidOp() { throw EVariantInvalidOpError(u"Invalid variant operation"); }

String VarTypeAsText(TVarType type) {
  static const char16_t* const kNames[] = {u"Empty",    u"Null",     u"Smallint", u"Integer",  u"Single",   u"Double",
                                           u"Currency", u"Date",     u"OleStr",   u"Dispatch", u"Error",    u"Boolean",
                                           u"Variant",  u"Unknown",  u"Decimal",  u"???",      u"ShortInt", u"Byte",
                                           u"Word",     u"LongWord", u"Int64"};
  const TVarType base = type & varTypeMask;
  String name;
  if (base < sizeof(kNames) / sizeof(kNames[0])) name = kNames[base];
  else if (base == varString) name = u"String";
  else name = u"$" + IntToHex(static_cast<Integer>(base), 4);
  if (type & varArray) name = u"Array " + name;
  return name;
}

// ---- type tests ---------------------------------------------------------------

bool VarIsType(const Variant& v, TVarType type) { return v.VarType() == type; }

bool VarIsStr(const Variant& v) { return v.VarType() == varOleStr || v.VarType() == varString; }

const String* VarStrRef(const Variant& v) { return VarIsStr(v) ? &VarAccess::S(v) : nullptr; }

namespace {
bool IsIntegerType(TVarType t) {
  switch (t) {
    case varShortInt:
    case varSmallint:
    case varInteger:
    case varByte:
    case varWord:
    case varLongWord:
    case varInt64: return true;
    default: return false;
  }
}
}  // namespace

bool VarIsOrdinal(const Variant& v) { return IsIntegerType(v.VarType()) || v.VarType() == varBoolean; }

bool VarIsFloat(const Variant& v) {
  return v.VarType() == varSingle || v.VarType() == varDouble || v.VarType() == varCurrency;
}

bool VarIsNumeric(const Variant& v) { return VarIsOrdinal(v) || VarIsFloat(v); }

// ---- scalar conversions -------------------------------------------------------

bool VarAccess::IsInteger(TVarType t) { return IsIntegerType(t); }

namespace {

// Half to even on a Currency's raw value: the whole units.
Int64 RoundCurrencyRaw(Int64 raw) {
  Int64 q = raw / Currency::Scale;
  Int64 r = raw % Currency::Scale;
  const Int64 half = Currency::Scale / 2;
  if (r > half || (r == half && (q & 1))) ++q;
  else if (r < -half || (r == -half && (q & 1))) --q;
  return q;
}

bool TextToBool(const String& s, bool& out) {
  String t = Trim(s);
  if (SameText(t, u"True")) {
    out = true;
    return true;
  }
  if (SameText(t, u"False")) {
    out = false;
    return true;
  }
  double d;
  if (TryStrToFloat(t, d)) {
    out = d != 0;
    return true;
  }
  return false;
}

}  // namespace

Int64 VarAccess::ToInt64(const Variant& v, TVarType target) {
  switch (v.FType) {
    case varEmpty: return 0;
    case varBoolean: return v.FData.B ? -1 : 0;
    case varSingle:
    case varDouble:
    case varDate: {
      const double d = v.FData.D;
      if (!std::isfinite(d) || d >= 9223372036854775808.0 || d < -9223372036854775808.0) OverflowError(v.FType, target);
      return Round(d);
    }
    case varCurrency: return RoundCurrencyRaw(v.FData.I);
    case varOleStr:
    case varString: {
      Int64 i;
      if (TryStrToInt64(v.FStr, i)) return i;
      Extended e;
      if (TryStrToFloat(v.FStr, e)) {
        if (!std::isfinite(e) || e >= 9223372036854775808.0L || e < -9223372036854775808.0L)
          OverflowError(v.FType, target);
        return Round(e);
      }
      CastError(v.FType, target);
    }
    default:
      if (IsIntegerType(v.FType)) return v.FData.I;
      CastError(v.FType, target);
  }
}

double VarAccess::ToDouble(const Variant& v, TVarType target) {
  switch (v.FType) {
    case varEmpty: return 0;
    case varBoolean: return v.FData.B ? -1 : 0;
    case varSingle:
    case varDouble:
    case varDate: return v.FData.D;
    case varCurrency: return static_cast<double>(v.FData.I) / Currency::Scale;
    case varOleStr:
    case varString: {
      // A date reads its text as a date first: "07.12" is a date, not 7.12.
      double d;
      if (target == varDate && TryStrToDateTime(v.FStr, d)) return d;
      if (TryStrToFloat(v.FStr, d)) return d;
      CastError(v.FType, target);
    }
    default:
      if (IsIntegerType(v.FType)) return static_cast<double>(v.FData.I);
      CastError(v.FType, target);
  }
}

Currency VarAccess::ToCurrency(const Variant& v) {
  constexpr Int64 kMax = std::numeric_limits<Int64>::max() / Currency::Scale;
  switch (v.FType) {
    case varEmpty: return Currency();
    case varCurrency: return Currency::FromRaw(v.FData.I);
    case varBoolean: return Currency::FromRaw(v.FData.B ? -Currency::Scale : 0);
    case varSingle:
    case varDouble:
    case varDate: {
      const double d = v.FData.D;
      if (!std::isfinite(d) || std::fabs(d) >= 922337203685477.5807) OverflowError(v.FType, varCurrency);
      return FloatToCurr(d);
    }
    case varOleStr:
    case varString: {
      Currency c;
      if (TryStrToCurr(v.FStr, c)) return c;
      Extended e;
      if (TryStrToFloat(v.FStr, e)) OverflowError(v.FType, varCurrency);
      CastError(v.FType, varCurrency);
    }
    default:
      if (IsIntegerType(v.FType)) {
        if (v.FData.I > kMax || v.FData.I < -kMax) OverflowError(v.FType, varCurrency);
        return Currency::FromRaw(v.FData.I * Currency::Scale);
      }
      CastError(v.FType, varCurrency);
  }
}

bool VarAccess::ToBool(const Variant& v) {
  switch (v.FType) {
    case varEmpty: return false;
    case varBoolean: return v.FData.B;
    case varSingle:
    case varDouble:
    case varDate: return v.FData.D != 0;
    case varCurrency: return v.FData.I != 0;
    case varOleStr:
    case varString: {
      bool b;
      if (TextToBool(v.FStr, b)) return b;
      CastError(v.FType, varBoolean);
    }
    default:
      if (IsIntegerType(v.FType)) return v.FData.I != 0;
      CastError(v.FType, varBoolean);
  }
}

String VarAccess::ToString(const Variant& v, TVarType target) {
  switch (v.FType) {
    case varEmpty: return String();
    case varOleStr:
    case varString: return v.FStr;
    case varBoolean: return v.FData.B ? u"True" : u"False";
    case varSingle: return FloatToStrF(static_cast<float>(v.FData.D), ffGeneral, 7, 0);
    case varDouble: return FloatToStr(v.FData.D);
    case varCurrency: return CurrToStr(Currency::FromRaw(v.FData.I));
    case varDate: return DateTimeToStr(v.FData.D);
    default:
      if (IsIntegerType(v.FType)) return IntToStr(v.FData.I);
      CastError(v.FType, target);
  }
}

// ---- accessors ------------------------------------------------------------------

Integer Variant::AsInteger() const {
  const Int64 i = VarAccess::ToInt64(*this, varInteger);
  if (i < std::numeric_limits<Integer>::min() || i > std::numeric_limits<Integer>::max())
    VarAccess::OverflowError(FType, varInteger);
  return static_cast<Integer>(i);
}

Int64 Variant::AsInt64() const { return VarAccess::ToInt64(*this, varInt64); }
double Variant::AsDouble() const { return VarAccess::ToDouble(*this, varDouble); }
bool Variant::AsBoolean() const { return VarAccess::ToBool(*this); }
String Variant::AsString() const { return VarAccess::ToString(*this, varOleStr); }
Currency Variant::AsCurrency() const { return VarAccess::ToCurrency(*this); }
TDateTime Variant::AsDateTime() const { return VarAccess::ToDouble(*this, varDate); }

std::shared_ptr<IVarDispatch> Variant::AsDispatch() const {
  if (FType == varDispatch) return std::static_pointer_cast<IVarDispatch>(FRef);
  if (FType == varEmpty) return nullptr;
  VarAccess::CastError(FType, varDispatch);
}

Variant Variant::GetProperty(const String& name) const { return VarAccess::DispOf(*this).GetProperty(name); }

void Variant::SetProperty(const String& name, const Variant& value) const {
  VarAccess::DispOf(*this).SetProperty(name, value);
}

Variant Variant::CallMethod(const String& name, const std::vector<Variant>& args) const {
  return VarAccess::DispOf(*this).CallMethod(name, args);
}

String VarToStr(const Variant& v) {
  if (v.IsNull() || v.IsEmpty()) return String();
  return v.AsString();
}

String VarToStr(Variant&& v) {
  if (v.FType != varOleStr && v.FType != varString) return VarToStr(std::as_const(v));
  String s = std::move(v.FStr);
  v = Variant();
  return s;
}

String VarToWideStr(const Variant& v) { return VarToStr(v); }

String VarToStrDef(const Variant& v, const String& def) {
  if (v.IsNull() || v.IsEmpty()) return def;
  return v.AsString();
}

TDateTime VarToDateTime(const Variant& v) { return v.AsDateTime(); }

// ---- casts ------------------------------------------------------------------------

namespace {

Int64 CheckedRange(const Variant& v, TVarType target, Int64 lo, Int64 hi) {
  const Int64 i = VarAccess::ToInt64(v, target);
  if (i < lo || i > hi) VarAccess::OverflowError(v.VarType(), target);
  return i;
}

}  // namespace

Variant VarAsType(const Variant& v, TVarType type) {
  if (type == varVariant || type == v.VarType()) return v;
  if (type & varArray) {
    if (!v.IsArray()) VarAccess::CastError(v.VarType(), type);
    const TVarType elem = type & varTypeMask;
    const Integer lo = VarArrayLowBound(v), hi = VarArrayHighBound(v);
    Variant out = VarArrayCreate(lo, hi, elem);
    for (Integer i = lo; i <= hi; ++i) VarArrayPut(out, VarAsType(VarArrayGet(v, i), elem), i);
    return out;
  }
  if (v.IsArray()) VarAccess::CastError(v.VarType(), type);
  if (type == varEmpty) return Variant();
  if (type == varNull) return Variant::Null();
  if (v.IsNull()) VarAccess::CastError(varNull, type);
  switch (type) {
    case varShortInt: return static_cast<Shortint>(CheckedRange(v, type, INT8_MIN, INT8_MAX));
    case varSmallint: return static_cast<Smallint>(CheckedRange(v, type, INT16_MIN, INT16_MAX));
    case varInteger: return static_cast<Integer>(CheckedRange(v, type, INT32_MIN, INT32_MAX));
    case varByte: return static_cast<Byte>(CheckedRange(v, type, 0, UINT8_MAX));
    case varWord: return static_cast<Word>(CheckedRange(v, type, 0, UINT16_MAX));
    case varLongWord: return static_cast<LongWord>(CheckedRange(v, type, 0, UINT32_MAX));
    case varInt64: return VarAccess::ToInt64(v, type);
    case varSingle: {
      const double d = VarAccess::ToDouble(v, type);
      if (std::isfinite(d) && std::fabs(d) > FLT_MAX) VarAccess::OverflowError(v.VarType(), type);
      return static_cast<float>(d);
    }
    case varDouble: return VarAccess::ToDouble(v, type);
    case varDate: return Variant::FromDate(VarAccess::ToDouble(v, type));
    case varCurrency: return VarAccess::ToCurrency(v);
    case varBoolean: return VarAccess::ToBool(v);
    case varOleStr: return VarAccess::ToString(v, type);
    case varString: return Variant::FromAnsiStr(VarAccess::ToString(v, type));
    default: VarAccess::CastError(v.VarType(), type);
  }
}

void VarCast(Variant& dest, const Variant& source, TVarType type) { dest = VarAsType(source, type); }

// ---- arrays -----------------------------------------------------------------------

IVarDispatch& VarAccess::DispOf(const Variant& v) {
  if (v.FType != varDispatch || !v.FRef) InvalidOp();
  return *static_cast<IVarDispatch*>(v.FRef.get());
}

TVarArrayData& VarAccess::Array(const Variant& v) {
  if (!v.IsArray() || !v.FRef) throw EVariantError(u"Variant is not an array");
  return *static_cast<TVarArrayData*>(v.FRef.get());
}

TVarArrayData& VarAccess::MutableArray(Variant& v) {
  TVarArrayData& a = Array(v);
  if (v.FRef.use_count() > 1) {
    auto copy = std::make_shared<TVarArrayData>(a);
    TVarArrayData& ref = *copy;
    v.FRef = std::move(copy);
    return ref;
  }
  return a;
}

Variant VarAccess::MakeArray(Integer low, Integer high, TVarType elemType) {
  if (elemType & ~varTypeMask) throw EVariantError(u"Variant array element type is invalid");
  if (high < low - 1) throw EVariantError(u"Variant array bounds are invalid");
  Variant v;
  v.FType = varArray | elemType;
  auto a = std::make_shared<TVarArrayData>();
  a->ElemType = elemType;
  a->LowBound = low;
  const size_t n = static_cast<size_t>(static_cast<Int64>(high) - low + 1);
  if (elemType == varByte) a->Bytes.assign(n, 0);
  else a->Items.assign(n, elemType == varVariant ? Variant() : VarAsType(Variant(), elemType));
  v.FRef = std::move(a);
  return v;
}

Variant VarArrayCreate(Integer lowBound, Integer highBound, TVarType elemType) {
  return VarAccess::MakeArray(lowBound, highBound, elemType);
}

Variant VarArrayCreate(std::initializer_list<Integer> bounds, TVarType elemType) {
  if (bounds.size() != 2) throw EVariantError(u"Only one-dimensional variant arrays are supported");
  return VarAccess::MakeArray(bounds.begin()[0], bounds.begin()[1], elemType);
}

Variant VarArrayOf(const std::vector<Variant>& values) {
  Variant v = VarAccess::MakeArray(0, static_cast<Integer>(values.size()) - 1, varVariant);
  VarAccess::MutableArray(v).Items = values;
  return v;
}

Variant VarArrayOf(std::initializer_list<Variant> values) { return VarArrayOf(std::vector<Variant>(values)); }

Integer VarArrayDimCount(const Variant& v) { return v.IsArray() ? 1 : 0; }

namespace {
void CheckDim(Integer dim) {
  if (dim != 1) throw EVariantBadIndexError(u"Variant array index out of bounds");
}
}  // namespace

Integer VarArrayLowBound(const Variant& v, Integer dim) {
  CheckDim(dim);
  return VarAccess::Array(v).LowBound;
}

Integer VarArrayHighBound(const Variant& v, Integer dim) {
  CheckDim(dim);
  const TVarArrayData& a = VarAccess::Array(v);
  return a.LowBound + a.Count() - 1;
}

void VarArrayRedim(Variant& v, Integer highBound) {
  TVarArrayData& a = VarAccess::MutableArray(v);
  if (highBound < a.LowBound - 1) throw EVariantError(u"Variant array bounds are invalid");
  const size_t n = static_cast<size_t>(static_cast<Int64>(highBound) - a.LowBound + 1);
  if (a.ElemType == varByte) a.Bytes.resize(n, 0);
  else a.Items.resize(n, a.ElemType == varVariant ? Variant() : VarAsType(Variant(), a.ElemType));
}

namespace {
size_t Offset(const TVarArrayData& a, Integer index) {
  const Int64 off = static_cast<Int64>(index) - a.LowBound;
  if (off < 0 || off >= a.Count()) throw EVariantBadIndexError(u"Variant array index out of bounds");
  return static_cast<size_t>(off);
}
}  // namespace

Variant VarArrayGet(const Variant& v, Integer index) {
  const TVarArrayData& a = VarAccess::Array(v);
  const size_t off = Offset(a, index);
  if (a.ElemType == varByte) return a.Bytes[off];
  return a.Items[off];
}

void VarArrayPut(Variant& v, const Variant& value, Integer index) {
  const size_t off = Offset(VarAccess::Array(v), index);
  TVarArrayData& a = VarAccess::MutableArray(v);
  if (a.ElemType == varByte) a.Bytes[off] = static_cast<Byte>(VarAsType(value, varByte).AsInteger());
  else if (a.ElemType == varVariant) a.Items[off] = value;
  else a.Items[off] = VarAsType(value, a.ElemType);
}

void* VarArrayLock(Variant& v) {
  TVarArrayData& a = VarAccess::MutableArray(v);
  if (a.ElemType == varByte) return a.Bytes.data();
  return a.Items.data();
}

const void* VarArrayLock(const Variant& v) {
  const TVarArrayData& a = VarAccess::Array(v);
  if (a.ElemType == varByte) return a.Bytes.data();
  return a.Items.data();
}
