// Variant comparison and arithmetic, with the platform's numeric promotion:
// integers of any width, floats, Currency and dates meet as numbers, and a
// string facing a number is read as a number in the locale's notation.

#include <cmath>
#include <limits>
#include <optional>

#include "platform/core/DateTime.h"
#include "platform/core/Format.h"
#include "platform/core/Strings.h"
#include "platform/core/VariantImpl.h"

namespace {

// A variant seen as a number for comparison or arithmetic.
struct Num {
  enum Kind { Int, Curr, Flt } K = Int;
  Int64 I = 0;   // Int: the value; Curr: the raw scaled value
  double F = 0;  // Flt
  bool IsDate = false;
  bool IsInt64 = false;  // wider than Integer
};

bool IsStr(TVarType t) { return t == varOleStr || t == varString; }

bool IsScalarNumber(TVarType t) {
  return VarAccess::IsInteger(t) || t == varSingle || t == varDouble || t == varCurrency || t == varDate ||
         t == varBoolean || t == varEmpty;
}

// Reads a number; strings become doubles (or dates when `asDate`). Returns
// nullopt for a string that is no number.
std::optional<Num> ToNum(const Variant& v, bool asDate) {
  Num n;
  const TVarType t = v.VarType();
  if (VarAccess::IsInteger(t)) {
    n.I = VarAccess::I(v);
    n.IsInt64 = t == varInt64 || t == varLongWord;
  } else if (t == varBoolean) {
    n.I = VarAccess::B(v) ? -1 : 0;
  } else if (t == varEmpty) {
    n.I = 0;
  } else if (t == varCurrency) {
    n.K = Num::Curr;
    n.I = VarAccess::I(v);
  } else if (t == varSingle || t == varDouble || t == varDate) {
    n.K = Num::Flt;
    n.F = VarAccess::D(v);
    n.IsDate = t == varDate;
  } else if (IsStr(t)) {
    double d;
    if (asDate) {
      if (!TryStrToDateTime(VarAccess::S(v), d) && !TryStrToFloat(VarAccess::S(v), d)) return std::nullopt;
    } else if (!TryStrToFloat(VarAccess::S(v), d)) {
      return std::nullopt;
    }
    n.K = Num::Flt;
    n.F = d;
  } else {
    return std::nullopt;
  }
  return n;
}

double AsFlt(const Num& n) {
  switch (n.K) {
    case Num::Int: return static_cast<double>(n.I);
    case Num::Curr: return static_cast<double>(n.I) / Currency::Scale;
    default: return n.F;
  }
}

template <class T>
TVarCompareResult Order(const T& a, const T& b) {
  if (a < b) return TVarCompareResult::vrLessThan;
  if (b < a) return TVarCompareResult::vrGreaterThan;
  if (a == b) return TVarCompareResult::vrEqual;
  return TVarCompareResult::vrNotEqual;  // NaN
}

TVarCompareResult CompareNum(const Num& a, const Num& b) {
  if (a.K == Num::Int && b.K == Num::Int) return Order(a.I, b.I);
  if (a.K == Num::Curr && b.K == Num::Curr) return Order(a.I, b.I);
  if (a.K != Num::Flt && b.K != Num::Flt) {
    const __int128 x = a.K == Num::Curr ? a.I : static_cast<__int128>(a.I) * Currency::Scale;
    const __int128 y = b.K == Num::Curr ? b.I : static_cast<__int128>(b.I) * Currency::Scale;
    return Order(x, y);
  }
  // An integer against a float compares exactly in extended precision.
  if (a.K == Num::Int) return Order(static_cast<long double>(a.I), static_cast<long double>(b.F));
  if (b.K == Num::Int) return Order(static_cast<long double>(a.F), static_cast<long double>(b.I));
  return Order(AsFlt(a), AsFlt(b));
}

// The comparison behind every operator. `raise`: a pair that cannot be compared
// raises (the operators) instead of giving vrNotEqual (VarCompareValue).
TVarCompareResult Compare(const Variant& a, const Variant& b, bool raise) {
  using R = TVarCompareResult;
  const TVarType ta = a.VarType(), tb = b.VarType();
  // The common pairs first: keys of one field share one type.
  if (VarAccess::IsInteger(ta) && VarAccess::IsInteger(tb)) return Order(VarAccess::I(a), VarAccess::I(b));
  if (ta == varDouble && tb == varDouble) return Order(VarAccess::D(a), VarAccess::D(b));
  if (ta == varNull || tb == varNull) return ta == tb ? R::vrEqual : R::vrNotEqual;
  if (ta == varEmpty || tb == varEmpty) {
    if (ta == tb) return R::vrEqual;
    return ta == varEmpty ? R::vrLessThan : R::vrGreaterThan;
  }
  if (a.IsArray() || b.IsArray() || !(IsStr(ta) || IsScalarNumber(ta)) || !(IsStr(tb) || IsScalarNumber(tb))) {
    if (ta == varDispatch && tb == varDispatch && VarAccess::Ref(a) == VarAccess::Ref(b)) return R::vrEqual;
    if (raise) VarAccess::InvalidOp();
    return R::vrNotEqual;
  }
  if (IsStr(ta) && IsStr(tb)) {
    const Integer c = AnsiCompareStr(VarAccess::S(a), VarAccess::S(b));
    return c < 0 ? R::vrLessThan : c > 0 ? R::vrGreaterThan : R::vrEqual;
  }
  if (ta == varBoolean && tb == varBoolean) return Order(VarAccess::B(a), VarAccess::B(b));
  if (ta == varBoolean || tb == varBoolean) {
    // A string facing a Boolean is read as a Boolean ("True", "False" or a number).
    const Variant& s = ta == varBoolean ? b : a;
    if (IsStr(s.VarType())) {
      bool sb;
      try {
        sb = VarAccess::ToBool(s);
      } catch (const EVariantError&) {
        if (raise) throw;
        return R::vrNotEqual;
      }
      return ta == varBoolean ? Order(VarAccess::B(a), sb) : Order(sb, VarAccess::B(b));
    }
  }
  const bool dates = ta == varDate || tb == varDate;
  const std::optional<Num> na = ToNum(a, dates), nb = ToNum(b, dates);
  if (!na || !nb) {
    if (raise) VarAccess::CastError(!na ? ta : tb, !na ? tb : ta);
    return R::vrNotEqual;
  }
  return CompareNum(*na, *nb);
}

// ---- arithmetic -------------------------------------------------------------------

enum class Op { Add, Sub, Mul, Div };

[[noreturn]] void Overflow() { throw EVariantOverflowError(u"Arithmetic overflow"); }

Variant IntResult(Int64 r, bool wide) {
  if (!wide && r >= std::numeric_limits<Integer>::min() && r <= std::numeric_limits<Integer>::max())
    return static_cast<Integer>(r);
  return r;
}

Variant FloatResult(double r, bool date) { return date ? Variant::FromDate(r) : Variant(r); }

Variant Arith(Op op, const Variant& a, const Variant& b) {
  const TVarType ta = a.VarType(), tb = b.VarType();
  if (a.IsArray() || b.IsArray() || !(IsStr(ta) || IsScalarNumber(ta) || ta == varNull) ||
      !(IsStr(tb) || IsScalarNumber(tb) || tb == varNull))
    VarAccess::InvalidOp();
  if (ta == varNull || tb == varNull) return Variant::Null();
  if (op == Op::Add && (IsStr(ta) || ta == varEmpty) && (IsStr(tb) || tb == varEmpty) && (IsStr(ta) || IsStr(tb))) {
    Variant r(VarAccess::S(a) + VarAccess::S(b));
    return ta == varString && tb == varString ? Variant::FromAnsiStr(VarAccess::S(r)) : r;
  }
  const std::optional<Num> oa = ToNum(a, false), ob = ToNum(b, false);
  if (!oa) VarAccess::CastError(ta, varDouble);
  if (!ob) VarAccess::CastError(tb, varDouble);
  const Num& x = *oa;
  const Num& y = *ob;

  if (op == Op::Div) {
    const double d = AsFlt(y);
    if (d == 0) throw EZeroDivide(u"Division by zero");
    return AsFlt(x) / d;
  }
  if (x.K == Num::Flt || y.K == Num::Flt) {
    // A date moved by a number stays a date; the distance between two dates is a number.
    const bool date = (op == Op::Add || op == Op::Sub) && (x.IsDate != y.IsDate);
    const double p = AsFlt(x), q = AsFlt(y);
    switch (op) {
      case Op::Add: return FloatResult(p + q, date);
      case Op::Sub: return FloatResult(p - q, date);
      default: return p * q;
    }
  }
  Int64 r;
  if (x.K == Num::Curr || y.K == Num::Curr) {
    const __int128 p = x.K == Num::Curr ? x.I : static_cast<__int128>(x.I) * Currency::Scale;
    const __int128 q = y.K == Num::Curr ? y.I : static_cast<__int128>(y.I) * Currency::Scale;
    __int128 v;
    if (op == Op::Add) v = p + q;
    else if (op == Op::Sub) v = p - q;
    else {
      // Scaled product, rounded half to even back to four decimals.
      const __int128 prod = p * q;
      v = prod / Currency::Scale;
      const __int128 rem = prod % Currency::Scale;
      const __int128 half = Currency::Scale / 2;
      if (rem > half || (rem == half && (v & 1))) ++v;
      else if (rem < -half || (rem == -half && (v & 1))) --v;
    }
    if (v > std::numeric_limits<Int64>::max() || v < std::numeric_limits<Int64>::min()) Overflow();
    return Currency::FromRaw(static_cast<Int64>(v));
  }
  bool overflow;
  switch (op) {
    case Op::Add: overflow = __builtin_add_overflow(x.I, y.I, &r); break;
    case Op::Sub: overflow = __builtin_sub_overflow(x.I, y.I, &r); break;
    default: overflow = __builtin_mul_overflow(x.I, y.I, &r); break;
  }
  if (overflow) Overflow();
  return IntResult(r, x.IsInt64 || y.IsInt64);
}

}  // namespace

TVarCompareResult VarCompareValue(const Variant& a, const Variant& b) { return Compare(a, b, false); }

bool VarSameValue(const Variant& a, const Variant& b) { return Compare(a, b, false) == TVarCompareResult::vrEqual; }

bool operator==(const Variant& a, const Variant& b) { return Compare(a, b, true) == TVarCompareResult::vrEqual; }

bool operator<(const Variant& a, const Variant& b) {
  if (a.IsNull() || b.IsNull()) return false;
  return Compare(a, b, true) == TVarCompareResult::vrLessThan;
}

bool operator<=(const Variant& a, const Variant& b) {
  if (a.IsNull() || b.IsNull()) return false;
  const TVarCompareResult r = Compare(a, b, true);
  return r == TVarCompareResult::vrLessThan || r == TVarCompareResult::vrEqual;
}

Variant operator+(const Variant& a, const Variant& b) { return Arith(Op::Add, a, b); }
Variant operator-(const Variant& a, const Variant& b) { return Arith(Op::Sub, a, b); }
Variant operator*(const Variant& a, const Variant& b) { return Arith(Op::Mul, a, b); }
Variant operator/(const Variant& a, const Variant& b) { return Arith(Op::Div, a, b); }

Variant Variant::operator-() const {
  if (IsNull()) return Null();
  return Arith(Op::Sub, Variant(0), *this);
}
