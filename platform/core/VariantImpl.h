#pragma once
// Internal to Variant*.cpp: the array body and the private access the casts and
// operators share. Not for other units.

#include <vector>

#include "platform/core/Variant.h"

namespace borrow_detail {
struct TVarArrayData {
  TVarType ElemType = varVariant;
  Integer LowBound = 0;
  std::vector<Variant> Items;  // every element type but varByte
  std::vector<Byte> Bytes;     // varByte, kept contiguous
  Integer Count() const;
};
}  // namespace borrow_detail

struct VarAccess {
  [[noreturn]] static void CastError(TVarType from, TVarType to);
  [[noreturn]] static void OverflowError(TVarType from, TVarType to);
  [[noreturn]] static void InvalidOp();
  static bool IsInteger(TVarType t);
  static Int64 ToInt64(const Variant& v, TVarType target);
  static double ToDouble(const Variant& v, TVarType target);
  static Currency ToCurrency(const Variant& v);
  static bool ToBool(const Variant& v);
  static String ToString(const Variant& v, TVarType target);
  static borrow_detail::TVarArrayData& Array(const Variant& v);
  static borrow_detail::TVarArrayData& MutableArray(Variant& v);
  static Variant MakeArray(Integer low, Integer high, TVarType elemType);
  // Raw access for the operators.
  static Int64 I(const Variant& v) { return v.FData.I; }
  static double D(const Variant& v) { return v.FData.D; }
  static bool B(const Variant& v) { return v.FData.B; }
  static const String& S(const Variant& v) { return v.FStr; }
  static const void* Ref(const Variant& v) { return v.FRef.get(); }
  static IVarDispatch& DispOf(const Variant& v);  // EVariantInvalidOpError unless varDispatch
};
