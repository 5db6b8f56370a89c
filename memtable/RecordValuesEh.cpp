// Stored values: making one from a Variant, reading it back, and the shared
// text blocks.

#include "memtable/RecordValuesEh.h"

#include <cstring>
#include <new>

#include "platform/core/Strings.h"
#include "platform/core/VariantText.h"

// A longer text: its characters follow the header in the same block.
struct TRecValueEh::TSharedText {
  uint32_t Refs;
  uint32_t Length;
  char16_t* Chars() { return reinterpret_cast<char16_t*>(this + 1); }
  const char16_t* Chars() const { return reinterpret_cast<const char16_t*>(this + 1); }

  static TSharedText* Make(StringView Text) {
    void* block = ::operator new(sizeof(TSharedText) + Text.size() * sizeof(char16_t));
    auto* t = new (block) TSharedText{1, static_cast<uint32_t>(Text.size())};
    if (!Text.empty()) std::memcpy(t->Chars(), Text.data(), Text.size() * sizeof(char16_t));
    return t;
  }
  void Release() {
    if (--Refs == 0) ::operator delete(this);
  }
};

TRecValueEh::TRecValueEh(const Variant& Value) {
  const TVarType type = Value.VarType();
  switch (type) {
    case varNull: F.Wide.Kind = kNull; return;
    case varEmpty: F.Wide.Kind = kEmpty; return;
    case varShortInt:
    case varSmallint:
    case varInteger:
    case varByte:
    case varWord:
    case varLongWord:
    case varInt64:
    case varBoolean:
    case varCurrency:
      F.Wide = TWide{kNumber, false, type, 0, {}};
      F.Wide.U.I = type == varBoolean    ? (Value.AsBoolean() ? 1 : 0)
                   : type == varCurrency ? Value.AsCurrency().Raw
                                         : Value.AsInt64();
      return;
    case varSingle:
    case varDouble:
    case varDate:
      F.Wide = TWide{kReal, false, type, 0, {}};
      F.Wide.U.D = Value.AsDouble();
      return;
    case varOleStr:
    case varString: SetText(*VarStrRef(Value), type == varString); return;
    default:
      F.Wide = TWide{kBoxed, false, type, 0, {}};
      F.Wide.U.Boxed = new Variant(Value);
      return;
  }
}

void TRecValueEh::SetText(StringView Text, bool Ansi) {
  if (Text.size() <= ShortTextChars) {
    F.Short.Kind = Ansi ? kShortAnsi : kShortText;
    F.Short.Length = static_cast<Byte>(Text.size());
    std::memset(F.Short.Chars, 0, sizeof(F.Short.Chars));
    if (!Text.empty()) std::memcpy(F.Short.Chars, Text.data(), Text.size() * sizeof(char16_t));
    return;
  }
  F.Wide = TWide{kLongText, Ansi, static_cast<TVarType>(Ansi ? varString : varOleStr), 0, {}};
  F.Wide.U.Text = TSharedText::Make(Text);
}

TRecValueEh::TRecValueEh(const TRecValueEh& Other) : F(Other.F) { CopyFrom(Other); }

void TRecValueEh::CopyFrom(const TRecValueEh& Other) {
  // F.Wide holds Other's bytes already: what they point to is shared or copied.
  if (F.Wide.Kind == kLongText) ++F.Wide.U.Text->Refs;
  else if (F.Wide.Kind == kBoxed) F.Wide.U.Boxed = new Variant(*Other.F.Wide.U.Boxed);
}

TRecValueEh& TRecValueEh::operator=(const TRecValueEh& Other) {
  if (this == &Other) return *this;
  TRecValueEh copy(Other);
  return *this = std::move(copy);
}

TRecValueEh& TRecValueEh::operator=(TRecValueEh&& Other) noexcept {
  if (this == &Other) return *this;
  if (F.Wide.Kind >= kLongText) Release();
  F = Other.F;
  Other.F.Wide.Kind = kNull;
  return *this;
}

void TRecValueEh::Release() {
  if (F.Wide.Kind == kLongText) F.Wide.U.Text->Release();
  else if (F.Wide.Kind == kBoxed) delete F.Wide.U.Boxed;
  F.Wide.Kind = kNull;
}

StringView TRecValueEh::LongText() const { return StringView(F.Wide.U.Text->Chars(), F.Wide.U.Text->Length); }

TVarType TRecValueEh::VarType() const {
  switch (F.Wide.Kind) {
    case kNull: return varNull;
    case kEmpty: return varEmpty;
    case kShortText: return varOleStr;
    case kShortAnsi: return varString;
    default: return F.Wide.Type;
  }
}

Variant TRecValueEh::ToVariant() const {
  switch (F.Wide.Kind) {
    case kNull: return Null();
    case kEmpty: return Variant();
    case kNumber: {
      const Int64 i = F.Wide.U.I;
      switch (F.Wide.Type) {
        case varShortInt: return Variant(static_cast<int8_t>(i));
        case varSmallint: return Variant(static_cast<int16_t>(i));
        case varInteger: return Variant(static_cast<int32_t>(i));
        case varByte: return Variant(static_cast<uint8_t>(i));
        case varWord: return Variant(static_cast<uint16_t>(i));
        case varLongWord: return Variant(static_cast<uint32_t>(i));
        case varBoolean: return Variant(i != 0);
        case varCurrency: return Variant(Currency::FromRaw(i));
        default: return Variant(i);
      }
    }
    case kReal:
      if (F.Wide.Type == varSingle) return Variant(static_cast<float>(F.Wide.U.D));
      if (F.Wide.Type == varDate) return Variant::FromDate(F.Wide.U.D);
      return Variant(F.Wide.U.D);
    case kShortText: return Variant(String(Text()));
    case kShortAnsi: return Variant::FromAnsiStr(String(Text()));
    case kLongText: return F.Wide.Ansi ? Variant::FromAnsiStr(String(Text())) : Variant(String(Text()));
    default: return *F.Wide.U.Boxed;
  }
}

Integer TRecValueEh::AsInteger() const {
  if (F.Wide.Kind == kNumber) {
    switch (F.Wide.Type) {
      case varShortInt:
      case varSmallint:
      case varInteger:
      case varByte:
      case varWord: return static_cast<Integer>(F.Wide.U.I);
      default: break;
    }
  }
  return ToVariant().AsInteger();
}

Int64 TRecValueEh::AsInt64() const { return IsWholeNumber() ? F.Wide.U.I : ToVariant().AsInt64(); }

double TRecValueEh::AsDouble() const {
  if (F.Wide.Kind == kReal) return F.Wide.U.D;
  if (IsWholeNumber()) return static_cast<double>(F.Wide.U.I);
  return ToVariant().AsDouble();
}

String TRecValueEh::AsString() const { return IsText() ? String(Text()) : ToVariant().AsString(); }

TVarCompareResult CompareStoredValues(const TRecValueEh& A, const TRecValueEh& B) {
  using R = TVarCompareResult;
  auto order = [](auto X, auto Y) { return X < Y ? R::vrLessThan : Y < X ? R::vrGreaterThan : R::vrEqual; };
  // The pairs VarCompareValue itself settles first, settled the same way.
  if (A.IsWholeNumber() && B.IsWholeNumber()) return order(A.Whole(), B.Whole());
  if (A.IsText() && B.IsText()) {
    const Integer c = AnsiCompareStr(A.Text(), B.Text());
    return c < 0 ? R::vrLessThan : c > 0 ? R::vrGreaterThan : R::vrEqual;
  }
  if (A.VarType() == varDouble && B.VarType() == varDouble) return order(A.Real(), B.Real());
  return VarCompareValue(A.ToVariant(), B.ToVariant());
}
