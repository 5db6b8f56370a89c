// The typed fields: conversion of values to each type's stored Variant type,
// range checks, and edit and display texts.

#include <cmath>
#include <limits>

#include "platform/core/CodePage.h"
#include "platform/core/DateTime.h"
#include "platform/core/Format.h"
#include "platform/core/FormatSettings.h"
#include "platform/core/Strings.h"
#include "platform/data/DBConsts.h"
#include "platform/data/DataSet.h"
#include "platform/data/Fields.h"

namespace {

const String NumericChars = u"+-0123456789";

String FloatChars() { return NumericChars + FormatSettings.DecimalSeparator + u"Ee"; }

// Read at the time of use: the decimal separator may change after the field is made.
bool IsFloatChar(Char c) { return FloatChars().find(c) != String::npos; }

Int64 ParseInteger(const TField& Field, const Variant& Text) {
  Int64 v;
  if (!TryStrToInt64(Trim(Text.AsString()), v))
    DatabaseErrorFmt(SInvalidIntegerValue, {Text.AsString(), Field.GetDisplayName()});
  return v;
}

double ParseFloat(const TField& Field, const Variant& Text) {
  double d;
  if (!TryStrToFloat(Trim(Text.AsString()), d))
    DatabaseErrorFmt(SInvalidFloatValue, {Text.AsString(), Field.GetDisplayName()});
  return d;
}

String IntegerText(Int64 v, const String& Format) {
  return Format.empty() ? IntToStr(v) : FormatFloat(Format, static_cast<Extended>(v));
}

String FloatText(double d, const String& Format, bool Currency, Integer Precision, bool DisplayText) {
  if (!Format.empty()) return FormatFloat(Format, d);
  if (Currency) return FloatToStrF(d, DisplayText ? ffCurrency : ffFixed, Precision, FormatSettings.CurrencyDecimals);
  return FloatToStrF(d, ffGeneral, Precision, 0);
}

}  // namespace

// ---- text ---------------------------------------------------------------------

TStringField::TStringField(TComponent* AOwner) : TField(AOwner) {
  SetDataType(ftString);
  SetSize(20);
}

Variant TStringField::ConvertValue(const Variant& Value) const {
  String s = Value.AsString();
  // The column holds at most Size characters, as a fixed-width store would.
  if (GetSize() > 0 && s.size() > static_cast<size_t>(GetSize())) s.resize(GetSize());
  if (FieldTypeVarType(GetDataType()) == varOleStr) return Variant(std::move(s));
  return Variant::FromAnsiStr(std::move(s));
}

String TStringField::GetAsString() const {
  Variant v;
  return GetData(v) ? v.AsString() : String();
}

TWideStringField::TWideStringField(TComponent* AOwner) : TStringField(AOwner) { SetDataType(ftWideString); }

TGuidField::TGuidField(TComponent* AOwner) : TStringField(AOwner) {
  SetDataType(ftGuid);
  SetSize(38);
}

// ---- numbers -------------------------------------------------------------------

TNumericField::TNumericField(TComponent* AOwner) : TField(AOwner) {
  SetAlignment(taRightJustify);
  DefaultValidChars = NumericChars;
}

void TNumericField::SetDisplayFormat(const String& Value) {
  FDisplayFormat = Value;
  PropertyChanged(false);
}

void TNumericField::SetEditFormat(const String& Value) {
  FEditFormat = Value;
  PropertyChanged(false);
}

bool TNumericField::IsValidChar(Char InputChar) const { return TField::IsValidChar(InputChar); }

const String& TNumericField::TextFormat(bool DisplayText) const {
  return DisplayText || FEditFormat.empty() ? FDisplayFormat : FEditFormat;
}

void TNumericField::SetAsString(const String& Value) {
  if (Value.empty()) Clear();
  else TField::SetAsString(Value);
}

void TNumericField::CheckRange(Int64 Value, Int64 Min, Int64 Max) const {
  if (Value < Min || Value > Max)
    DatabaseErrorFmt(SFieldRangeError, {IntToStr(Value), GetDisplayName(), IntToStr(Min), IntToStr(Max)});
}

TIntegerField::TIntegerField(TComponent* AOwner)
    : TNumericField(AOwner),
      FLowLimit(std::numeric_limits<Integer>::min()),
      FHighLimit(std::numeric_limits<Integer>::max()) {
  SetDataType(ftInteger);
}

Variant TIntegerField::ConvertValue(const Variant& Value) const {
  Int64 v;
  if (VarIsStr(Value)) {
    v = ParseInteger(*this, Value);
  } else if (VarIsFloat(Value) || Value.VarType() == varDate) {
    double d = Value.AsDouble();
    if (!(d >= static_cast<double>(FLowLimit) && d <= static_cast<double>(FHighLimit)))
      RangeError(d, static_cast<double>(FLowLimit), static_cast<double>(FHighLimit));
    v = static_cast<Int64>(std::llround(d));
  } else {
    v = Value.AsInt64();
  }
  CheckRange(v, FLowLimit, FHighLimit);
  if (FMinValue != 0 || FMaxValue != 0) CheckRange(v, FMinValue, FMaxValue);
  return VarAsType(Variant(v), FieldTypeVarType(GetDataType()));
}

void TIntegerField::GetTextValue(String& Text, bool DisplayText) const {
  Variant v;
  Text = GetData(v) ? IntegerText(v.AsInt64(), TextFormat(DisplayText)) : String();
}

TSmallintField::TSmallintField(TComponent* AOwner) : TIntegerField(AOwner) {
  SetDataType(ftSmallint);
  FLowLimit = -32768;
  FHighLimit = 32767;
}
TShortintField::TShortintField(TComponent* AOwner) : TIntegerField(AOwner) {
  SetDataType(ftShortint);
  FLowLimit = -128;
  FHighLimit = 127;
}
TByteField::TByteField(TComponent* AOwner) : TIntegerField(AOwner) {
  SetDataType(ftByte);
  FLowLimit = 0;
  FHighLimit = 255;
}
TWordField::TWordField(TComponent* AOwner) : TIntegerField(AOwner) {
  SetDataType(ftWord);
  FLowLimit = 0;
  FHighLimit = 65535;
}
TLongWordField::TLongWordField(TComponent* AOwner) : TIntegerField(AOwner) {
  SetDataType(ftLongWord);
  FLowLimit = 0;
  FHighLimit = 4294967295LL;
}
TAutoIncField::TAutoIncField(TComponent* AOwner) : TIntegerField(AOwner) { SetDataType(ftAutoInc); }

TLargeintField::TLargeintField(TComponent* AOwner) : TNumericField(AOwner) { SetDataType(ftLargeint); }

Variant TLargeintField::ConvertValue(const Variant& Value) const {
  Int64 v = VarIsStr(Value) ? ParseInteger(*this, Value) : Value.AsInt64();
  if (FMinValue != 0 || FMaxValue != 0) CheckRange(v, FMinValue, FMaxValue);
  return Variant(v);
}

void TLargeintField::GetTextValue(String& Text, bool DisplayText) const {
  Variant v;
  Text = GetData(v) ? IntegerText(v.AsInt64(), TextFormat(DisplayText)) : String();
}

TFloatField::TFloatField(TComponent* AOwner) : TNumericField(AOwner) { SetDataType(ftFloat); }

void TFloatField::SetCurrency(bool Value) {
  if (FCurrency == Value) return;
  FCurrency = Value;
  PropertyChanged(false);
}

void TFloatField::SetPrecision(Integer Value) {
  if (Value < 2) Value = 2;
  if (Value > 15) Value = 15;
  if (FPrecision == Value) return;
  FPrecision = Value;
  PropertyChanged(false);
}

bool TFloatField::IsValidChar(Char InputChar) const { return IsFloatChar(InputChar); }

Variant TFloatField::ConvertValue(const Variant& Value) const {
  double d = VarIsStr(Value) ? ParseFloat(*this, Value) : Value.AsDouble();
  if ((FMinValue != 0 || FMaxValue != 0) && (d < FMinValue || d > FMaxValue)) RangeError(d, FMinValue, FMaxValue);
  return VarAsType(Variant(d), FieldTypeVarType(GetDataType()));
}

void TFloatField::GetTextValue(String& Text, bool DisplayText) const {
  Variant v;
  Text = GetData(v) ? FloatText(v.AsDouble(), TextFormat(DisplayText), FCurrency, FPrecision, DisplayText) : String();
}

TCurrencyField::TCurrencyField(TComponent* AOwner) : TFloatField(AOwner) {
  SetDataType(ftCurrency);
  SetCurrency(true);
}

TExtendedField::TExtendedField(TComponent* AOwner) : TFloatField(AOwner) { SetDataType(ftExtended); }

TBCDField::TBCDField(TComponent* AOwner) : TNumericField(AOwner) {
  SetDataType(ftBCD);
  SetSize(4);
}

void TBCDField::SetCurrency(bool Value) {
  if (FCurrency == Value) return;
  FCurrency = Value;
  PropertyChanged(false);
}

bool TBCDField::IsValidChar(Char InputChar) const { return IsFloatChar(InputChar); }

Variant TBCDField::ConvertValue(const Variant& Value) const {
  Currency c;
  if (VarIsStr(Value)) {
    if (!TryStrToCurr(Trim(Value.AsString()), c))
      DatabaseErrorFmt(SInvalidFloatValue, {Value.AsString(), GetDisplayName()});
  } else {
    c = Value.AsCurrency();
  }
  if ((FMinValue.Raw != 0 || FMaxValue.Raw != 0) && (c < FMinValue || c > FMaxValue))
    RangeError(static_cast<double>(c.Raw) / 10000.0, static_cast<double>(FMinValue.Raw) / 10000.0,
               static_cast<double>(FMaxValue.Raw) / 10000.0);
  return Variant(c);
}

void TBCDField::GetTextValue(String& Text, bool DisplayText) const {
  Variant v;
  if (!GetData(v)) {
    Text.clear();
    return;
  }
  Currency c = v.AsCurrency();
  const String& fmt = TextFormat(DisplayText);
  if (!fmt.empty()) Text = FormatCurr(fmt, c);
  else if (FCurrency) Text = CurrToStrF(c, DisplayText ? ffCurrency : ffFixed, FormatSettings.CurrencyDecimals);
  else Text = CurrToStr(c);
}

TFMTBCDField::TFMTBCDField(TComponent* AOwner) : TNumericField(AOwner) {
  SetDataType(ftFMTBcd);
  SetSize(8);
}

void TFMTBCDField::SetCurrency(bool Value) {
  if (FCurrency == Value) return;
  FCurrency = Value;
  PropertyChanged(false);
}

bool TFMTBCDField::IsValidChar(Char InputChar) const { return IsFloatChar(InputChar); }

Variant TFMTBCDField::ConvertValue(const Variant& Value) const {
  return Variant(VarIsStr(Value) ? ParseFloat(*this, Value) : Value.AsDouble());
}

void TFMTBCDField::GetTextValue(String& Text, bool DisplayText) const {
  Variant v;
  Text = GetData(v) ? FloatText(v.AsDouble(), TextFormat(DisplayText), FCurrency, FPrecision, DisplayText) : String();
}

// ---- Boolean --------------------------------------------------------------------

TBooleanField::TBooleanField(TComponent* AOwner) : TField(AOwner) {
  SetDataType(ftBoolean);
  SetDisplayValues(String());
}

void TBooleanField::SetDisplayValues(const String& Value) {
  FDisplayValues = Value;
  if (Value.empty()) {
    FTextValues[1] = u"True";
    FTextValues[0] = u"False";
  } else {
    size_t p = Value.find(u';');
    FTextValues[1] = Value.substr(0, p);
    FTextValues[0] = p == String::npos ? String() : Value.substr(p + 1);
  }
  PropertyChanged(true);
}

Integer TBooleanField::DefaultDisplayWidth() const {
  return static_cast<Integer>(std::max(FTextValues[0].size(), FTextValues[1].size()));
}

Variant TBooleanField::ConvertValue(const Variant& Value) const {
  if (!VarIsStr(Value)) return Variant(Value.AsBoolean());
  String s = Value.AsString();
  Integer len = static_cast<Integer>(s.size());
  if (len == 0) {
    if (FTextValues[0].empty()) return Variant(false);
    if (FTextValues[1].empty()) return Variant(true);
    return Variant::Null();
  }
  // A text names a value when it begins that value's text, ignoring case.
  if (AnsiCompareText(s, Copy(FTextValues[0], 1, len)) == 0) return Variant(false);
  if (AnsiCompareText(s, Copy(FTextValues[1], 1, len)) == 0) return Variant(true);
  DatabaseErrorFmt(SInvalidBoolValue, {s, GetDisplayName()});
}

void TBooleanField::SetAsString(const String& Value) {
  Variant v = ConvertValue(Variant(Value));
  if (v.IsNull()) Clear();
  else SetValue(v);
}

void TBooleanField::GetTextValue(String& Text, bool) const {
  Variant v;
  Text = GetData(v) ? FTextValues[v.AsBoolean() ? 1 : 0] : String();
}

// ---- dates and times ----------------------------------------------------------------

TDateTimeField::TDateTimeField(TComponent* AOwner) : TField(AOwner) { SetDataType(ftDateTime); }

void TDateTimeField::SetDisplayFormat(const String& Value) {
  FDisplayFormat = Value;
  PropertyChanged(false);
}

Variant TDateTimeField::ConvertValue(const Variant& Value) const {
  TDateTime d;
  if (VarIsStr(Value)) {
    String s = Trim(Value.AsString());
    bool ok = GetDataType() == ftDate   ? TryStrToDate(s, d)
              : GetDataType() == ftTime ? TryStrToTime(s, d)
                                        : TryStrToDateTime(s, d);
    if (!ok) DatabaseErrorFmt(SInvalidDateValue, {s, GetDisplayName()});
  } else {
    d = Value.AsDateTime();
  }
  // A date field keeps the day, a time field the time of day.
  if (GetDataType() == ftDate) d = std::trunc(d);
  else if (GetDataType() == ftTime) d = std::fabs(d - std::trunc(d));
  return Variant::FromDate(d);
}

void TDateTimeField::SetAsString(const String& Value) {
  if (Trim(Value).empty()) {
    Clear();
    return;
  }
  SetValue(ConvertValue(Variant(Value)));
}

void TDateTimeField::GetTextValue(String& Text, bool DisplayText) const {
  Variant v;
  if (!GetData(v)) {
    Text.clear();
    return;
  }
  String fmt;
  if (DisplayText && !FDisplayFormat.empty()) fmt = FDisplayFormat;
  else if (GetDataType() == ftDate) fmt = FormatSettings.ShortDateFormat;
  else if (GetDataType() == ftTime) fmt = FormatSettings.LongTimeFormat;
  else fmt = u"c";
  DateTimeToString(Text, fmt, v.AsDateTime());
}

TDateField::TDateField(TComponent* AOwner) : TDateTimeField(AOwner) { SetDataType(ftDate); }
TTimeField::TTimeField(TComponent* AOwner) : TDateTimeField(AOwner) { SetDataType(ftTime); }
TSQLTimeStampField::TSQLTimeStampField(TComponent* AOwner) : TDateTimeField(AOwner) { SetDataType(ftTimeStamp); }

// ---- binary ------------------------------------------------------------------------

namespace {

Variant BytesOf(const AnsiString& bytes) {
  Variant a = VarArrayCreate(0, static_cast<Integer>(bytes.size()) - 1, varByte);
  if (!bytes.empty()) std::memcpy(VarArrayLock(a), bytes.data(), bytes.size());
  return a;
}

AnsiString BytesFrom(const Variant& v) {
  if (!VarIsArray(v)) return StringToAnsi(v.AsString());
  Integer low = VarArrayLowBound(v), high = VarArrayHighBound(v);
  if (high < low) return {};
  if ((v.VarType() & varTypeMask) == varByte) {
    const Byte* p = static_cast<const Byte*>(VarArrayLock(v));
    return AnsiString(reinterpret_cast<const char*>(p), static_cast<size_t>(high - low + 1));
  }
  AnsiString out;
  for (Integer i = low; i <= high; ++i) out.push_back(static_cast<char>(VarArrayGet(v, i).AsInteger()));
  return out;
}

}  // namespace

TBytesField::TBytesField(TComponent* AOwner) : TField(AOwner) {
  SetDataType(ftBytes);
  SetSize(16);
}

Variant TBytesField::ConvertValue(const Variant& Value) const {
  if (VarIsArray(Value) && (Value.VarType() & varTypeMask) == varByte) return Value;
  return BytesOf(BytesFrom(Value));
}

String TBytesField::GetAsString() const {
  Variant v;
  return GetData(v) ? AnsiToString(BytesFrom(v)) : String();
}

void TBytesField::SetAsString(const String& Value) {
  if (Value.empty()) Clear();
  else SetValue(BytesOf(StringToAnsi(Value)));
}

void TBytesField::GetTextValue(String& Text, bool) const {
  Text = u"(" + String(FieldTypeDisplayName(GetDataType())) + u")";
}

TVarBytesField::TVarBytesField(TComponent* AOwner) : TBytesField(AOwner) { SetDataType(ftVarBytes); }

TBlobField::TBlobField(TComponent* AOwner) : TField(AOwner) { SetDataType(ftBlob); }

void TBlobField::SetBlobType(TFieldType Value) {
  if (IsBlobFieldType(Value)) SetDataType(Value);
}

bool TBlobField::IsTextBlob() const { return FieldTypeVarType(GetDataType()) != (varArray | varByte); }

Integer TBlobField::GetBlobSize() const {
  Variant v;
  if (!GetData(v)) return 0;
  if (VarIsArray(v)) return VarArrayHighBound(v) - VarArrayLowBound(v) + 1;
  Integer chars = static_cast<Integer>(v.AsString().size());
  return GetDataType() == ftWideMemo ? chars * 2 : chars;
}

Variant TBlobField::ConvertValue(const Variant& Value) const {
  if (!IsTextBlob()) {
    if (VarIsArray(Value) && (Value.VarType() & varTypeMask) == varByte) return Value;
    return BytesOf(BytesFrom(Value));
  }
  String s = VarIsArray(Value) ? AnsiToString(BytesFrom(Value)) : Value.AsString();
  if (FieldTypeVarType(GetDataType()) == varOleStr) return Variant(std::move(s));
  return Variant::FromAnsiStr(std::move(s));
}

String TBlobField::GetAsString() const {
  Variant v;
  if (!GetData(v)) return String();
  return VarIsArray(v) ? AnsiToString(BytesFrom(v)) : v.AsString();
}

void TBlobField::SetAsString(const String& Value) {
  if (Value.empty()) Clear();
  else SetValue(IsTextBlob() ? Variant(Value) : BytesOf(StringToAnsi(Value)));
}

void TBlobField::Clear() {
  TField::Clear();
  SetModified(true);
}

void TBlobField::LoadFromStream(TStream* Stream) {
  AnsiString bytes;
  Int64 size = Stream->GetSize() - Stream->GetPosition();
  if (size > 0) {
    bytes.resize(static_cast<size_t>(size));
    Stream->ReadBuffer(bytes.data(), static_cast<Integer>(size));
  }
  if (GetDataType() == ftWideMemo) {
    String s(bytes.size() / 2, u'\0');
    std::memcpy(s.data(), bytes.data(), s.size() * 2);
    SetValue(Variant(std::move(s)));
  } else if (IsTextBlob()) {
    SetValue(Variant::FromAnsiStr(AnsiToString(bytes)));
  } else {
    SetValue(BytesOf(bytes));
  }
  SetModified(true);
}

void TBlobField::SaveToStream(TStream* Stream) const {
  Variant v;
  if (!GetData(v)) return;
  if (GetDataType() == ftWideMemo && !VarIsArray(v)) {
    String s = v.AsString();
    if (!s.empty()) Stream->WriteBuffer(s.data(), static_cast<Integer>(s.size() * 2));
    return;
  }
  AnsiString bytes = VarIsArray(v) ? BytesFrom(v) : StringToAnsi(v.AsString());
  if (!bytes.empty()) Stream->WriteBuffer(bytes.data(), static_cast<Integer>(bytes.size()));
}

void TBlobField::GetTextValue(String& Text, bool) const {
  String name = FieldTypeDisplayName(GetDataType());
  if (GetDataType() == ftBlob) name = u"Blob";
  Text = u"(" + (GetIsNull() ? LowerCase(name) : UpperCase(name)) + u")";
}

TMemoField::TMemoField(TComponent* AOwner) : TBlobField(AOwner) { SetDataType(ftMemo); }
TWideMemoField::TWideMemoField(TComponent* AOwner) : TBlobField(AOwner) { SetDataType(ftWideMemo); }
TGraphicField::TGraphicField(TComponent* AOwner) : TBlobField(AOwner) { SetDataType(ftGraphic); }

// ---- the others ------------------------------------------------------------------------

TVariantField::TVariantField(TComponent* AOwner) : TField(AOwner) { SetDataType(ftVariant); }
TInterfaceField::TInterfaceField(TComponent* AOwner) : TField(AOwner) { SetDataType(ftInterface); }
TIDispatchField::TIDispatchField(TComponent* AOwner) : TInterfaceField(AOwner) { SetDataType(ftIDispatch); }

TAggregateField::TAggregateField(TComponent* AOwner) : TField(AOwner) {
  SetFieldKind(fkAggregate);
  SetVisible(false);
}

void TAggregateField::SetActive(bool Value) {
  if (FActive == Value) return;
  FActive = Value;
  if (GetDataSet()) GetDataSet()->ResetAggField(this);
}

void TAggregateField::SetExpression(const String& Value) {
  if (FExpression == Value) return;
  FExpression = Value;
  if (GetDataSet()) GetDataSet()->ResetAggField(this);
}

void TAggregateField::SetDisplayFormat(const String& Value) {
  FDisplayFormat = Value;
  PropertyChanged(false);
}

void TAggregateField::SetCurrency(bool Value) {
  FCurrency = Value;
  PropertyChanged(false);
}

void TAggregateField::GetTextValue(String& Text, bool DisplayText) const {
  Variant v;
  if (!GetData(v)) {
    Text.clear();
    return;
  }
  if (VarIsNumeric(v) && (!FDisplayFormat.empty() || FCurrency)) {
    if (!FDisplayFormat.empty()) Text = FormatFloat(FDisplayFormat, v.AsDouble());
    else
      Text = FloatToStrF(v.AsDouble(), DisplayText ? ffCurrency : ffFixed, FPrecision, FormatSettings.CurrencyDecimals);
  } else if (v.VarType() == varDate && !FDisplayFormat.empty()) {
    DateTimeToString(Text, FDisplayFormat, v.AsDateTime());
  } else {
    Text = VarToStr(v);
  }
}
