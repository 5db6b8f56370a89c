#pragma once
// How a memory record keeps its values: compactly, since a table holds a
// million records and each value is read far more often than written.
//
//   TRecValueEh     one stored value in 16 bytes: Null, a number (its Variant
//                   type kept beside it), a text of up to 7 characters in
//                   place, a longer text in a shared immutable block, or, for
//                   the rare rest (arrays, automation objects, errors), a
//                   Variant of its own.
//   TRecDataValues  a read-only view of one version of a record's values.
//
// A stored value reads back as the Variant it was made from: same type, same
// value (ToVariant). Copying one shares its text block instead of copying the
// characters, so a record's pre-edit and old values cost little. Text blocks
// are counted without atomics: stored values are changed on one thread only,
// though other threads may read them while nothing changes.
//
// Implementation: memtable/RecordValuesEh.cpp.

#include <cstddef>
#include <cstdint>

#include "platform/core/Types.h"
#include "platform/core/Variant.h"

class TRecValueEh {
public:
  // Characters a text keeps in place.
  static constexpr size_t ShortTextChars = 7;

  TRecValueEh() noexcept { F.Wide.Kind = kNull; }
  explicit TRecValueEh(const Variant& Value);
  TRecValueEh(const TRecValueEh& Other);
  TRecValueEh(TRecValueEh&& Other) noexcept : F(Other.F) { Other.F.Wide.Kind = kNull; }
  TRecValueEh& operator=(const TRecValueEh& Other);
  TRecValueEh& operator=(TRecValueEh&& Other) noexcept;
  ~TRecValueEh() {
    if (F.Wide.Kind >= kLongText) Release();
  }

  // The Variant the value was made from.
  Variant ToVariant() const;
  TVarType VarType() const;

  bool IsNull() const { return F.Wide.Kind == kNull; }
  bool IsEmpty() const { return F.Wide.Kind == kEmpty; }
  bool IsNullOrEmpty() const { return F.Wide.Kind <= kEmpty; }
  // A text (varOleStr or varString); Text reads its characters in place (and
  // is empty for any other value).
  bool IsText() const { return F.Wide.Kind >= kShortText && F.Wide.Kind <= kLongText; }
  StringView Text() const {
    if (F.Wide.Kind == kLongText) return LongText();
    return F.Wide.Kind == kShortText || F.Wide.Kind == kShortAnsi ? StringView(F.Short.Chars, F.Short.Length)
                                                                  : StringView();
  }
  // One of the integer types (not Boolean, Currency or Error): its value is Whole.
  bool IsWholeNumber() const { return F.Wide.Kind == kNumber && IsIntegerType(F.Wide.Type); }
  // The raw number of an integer, Boolean (0 or 1) or Currency (scaled) value.
  Int64 Whole() const { return F.Wide.U.I; }
  // The value of a Single, Double or Date as a double.
  double Real() const { return F.Wide.U.D; }

  // What the same Variant method answers, without making the Variant when the
  // value is of the kind asked for.
  Integer AsInteger() const;
  Int64 AsInt64() const;
  double AsDouble() const;
  String AsString() const;

  static bool IsIntegerType(TVarType Type) {
    switch (Type) {
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

private:
  struct TSharedText;
  enum TKind : Byte {
    kNull,
    kEmpty,
    kNumber,     // integers, Boolean, Currency: U.I
    kReal,       // Single (widened), Double, Date: U.D
    kShortText,  // F.Short, varOleStr
    kShortAnsi,  // F.Short, varString
    kLongText,   // U.Text; Ansi tells varString from varOleStr
    kBoxed       // U.Boxed
  };
  // Both layouts start with the kind, so either may read it.
  struct TShort {
    TKind Kind;
    Byte Length;
    char16_t Chars[ShortTextChars];
  };
  struct TWide {
    TKind Kind;
    bool Ansi;
    TVarType Type;
    uint32_t Spare;
    union {
      Int64 I;
      double D;
      TSharedText* Text;
      Variant* Boxed;
    } U;
  };

  StringView LongText() const;
  void Release();
  void CopyFrom(const TRecValueEh& Other);
  void SetText(StringView Text, bool Ansi);

  // Copied whole as a union of plain data: whichever layout is in use.
  union TBits {
    TShort Short;
    TWide Wide;
  } F;
};
static_assert(sizeof(TRecValueEh) == 16);

// VarCompareValue of the two values' Variants, reading numbers and texts in place.
TVarCompareResult CompareStoredValues(const TRecValueEh& A, const TRecValueEh& B);

// A read-only view of one version of a record's values, column by column.
// Valid while the record lives and that version is not changed.
class TRecDataValues {
public:
  TRecDataValues() = default;
  TRecDataValues(const TRecValueEh* Data, size_t Count) : FData(Data), FCount(Count) {}
  size_t size() const { return FCount; }
  bool empty() const { return FCount == 0; }
  const TRecValueEh& operator[](size_t Index) const { return FData[Index]; }
  const TRecValueEh* data() const { return FData; }
  const TRecValueEh* begin() const { return FData; }
  const TRecValueEh* end() const { return FData + FCount; }
  // The value of a column, null for one the record never held (it reads Null).
  const TRecValueEh* Find(Integer Column) const {
    return Column >= 0 && static_cast<size_t>(Column) < FCount ? FData + Column : nullptr;
  }

private:
  const TRecValueEh* FData = nullptr;
  size_t FCount = 0;
};
