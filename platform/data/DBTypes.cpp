#include "platform/data/DBTypes.h"

#include "platform/core/EnumTable.h"
#include "platform/data/Fields.h"

namespace {

// Byte arrays: what binary and blob fields hold.
constexpr TVarType varBytes = varArray | varByte;

// One row per TFieldType, in the enumeration's order.
constexpr TFieldTypeInfo FieldTypeInfos[] = {
    //   type              ident                display            family      Variant      store        string  field
    //   class
    {ftUnknown, u"ftUnknown", u"Unknown", ffNone, varError, fsObject, false, nullptr},
    {ftString, u"ftString", u"String", ffText, varString, fsText, true, &TStringField::StaticComponentClass},
    {ftSmallint, u"ftSmallint", u"SmallInt", ffInteger, varSmallint, fsNumber, false,
     &TSmallintField::StaticComponentClass},
    {ftInteger, u"ftInteger", u"Integer", ffInteger, varInteger, fsNumber, false, &TIntegerField::StaticComponentClass},
    {ftWord, u"ftWord", u"Word", ffInteger, varInteger, fsNumber, false, &TWordField::StaticComponentClass},
    {ftBoolean, u"ftBoolean", u"Boolean", ffBoolean, varBoolean, fsBoolean, false,
     &TBooleanField::StaticComponentClass},
    {ftFloat, u"ftFloat", u"Float", ffFloat, varDouble, fsNumber, false, &TFloatField::StaticComponentClass},
    {ftCurrency, u"ftCurrency", u"Currency", ffFloat, varCurrency, fsNumber, false,
     &TCurrencyField::StaticComponentClass},
    {ftBCD, u"ftBCD", u"BCD", ffFloat, varCurrency, fsNumber, false, &TBCDField::StaticComponentClass},
    {ftDate, u"ftDate", u"Date", ffDateTime, varDate, fsDateTime, false, &TDateField::StaticComponentClass},
    {ftTime, u"ftTime", u"Time", ffDateTime, varDate, fsDateTime, false, &TTimeField::StaticComponentClass},
    {ftDateTime, u"ftDateTime", u"DateTime", ffDateTime, varDate, fsDateTime, false,
     &TDateTimeField::StaticComponentClass},
    {ftBytes, u"ftBytes", u"Bytes", ffBinary, varBytes, fsVariant, false, &TBytesField::StaticComponentClass},
    {ftVarBytes, u"ftVarBytes", u"VarBytes", ffBinary, varBytes, fsVariant, false,
     &TVarBytesField::StaticComponentClass},
    {ftAutoInc, u"ftAutoInc", u"AutoInc", ffInteger, varInteger, fsNumber, false, &TAutoIncField::StaticComponentClass},
    {ftBlob, u"ftBlob", u"Blob", ffBinary, varBytes, fsBlob, false, &TBlobField::StaticComponentClass},
    {ftMemo, u"ftMemo", u"Memo", ffText, varString, fsBlob, false, &TMemoField::StaticComponentClass},
    {ftGraphic, u"ftGraphic", u"Graphic", ffBinary, varBytes, fsBlob, false, &TGraphicField::StaticComponentClass},
    {ftFmtMemo, u"ftFmtMemo", u"FmtMemo", ffText, varString, fsBlob, false, &TMemoField::StaticComponentClass},
    {ftParadoxOle, u"ftParadoxOle", u"ParadoxOle", ffBinary, varBytes, fsBlob, false,
     &TBlobField::StaticComponentClass},
    {ftDBaseOle, u"ftDBaseOle", u"DBaseOle", ffBinary, varBytes, fsBlob, false, &TBlobField::StaticComponentClass},
    {ftTypedBinary, u"ftTypedBinary", u"TypedBinary", ffBinary, varBytes, fsBlob, false,
     &TBlobField::StaticComponentClass},
    {ftCursor, u"ftCursor", u"Cursor", ffNone, varError, fsNone, false, nullptr},
    {ftFixedChar, u"ftFixedChar", u"FixedChar", ffText, varString, fsText, true, &TStringField::StaticComponentClass},
    {ftWideString, u"ftWideString", u"WideString", ffText, varOleStr, fsText, true,
     &TWideStringField::StaticComponentClass},
    {ftLargeint, u"ftLargeint", u"LargeInt", ffInteger, varInt64, fsNumber, false,
     &TLargeintField::StaticComponentClass},
    {ftADT, u"ftADT", u"ADT", ffNone, varError, fsNone, false, nullptr},
    {ftArray, u"ftArray", u"Array", ffNone, varError, fsNone, false, nullptr},
    {ftReference, u"ftReference", u"Reference", ffNone, varError, fsNone, false, nullptr},
    {ftDataSet, u"ftDataSet", u"DataSet", ffNone, varError, fsNone, false, nullptr},
    {ftOraBlob, u"ftOraBlob", u"OraBlob", ffBinary, varBytes, fsBlob, false, &TBlobField::StaticComponentClass},
    {ftOraClob, u"ftOraClob", u"OraClob", ffText, varString, fsBlob, false, &TMemoField::StaticComponentClass},
    {ftVariant, u"ftVariant", u"Variant", ffNone, varVariant, fsVariant, false, &TVariantField::StaticComponentClass},
    {ftInterface, u"ftInterface", u"Interface", ffNone, varUnknown, fsInterface, false,
     &TInterfaceField::StaticComponentClass},
    {ftIDispatch, u"ftIDispatch", u"IDispatch", ffNone, varDispatch, fsInterface, false,
     &TIDispatchField::StaticComponentClass},
    {ftGuid, u"ftGuid", u"Guid", ffText, varString, fsText, true, &TGuidField::StaticComponentClass},
    {ftTimeStamp, u"ftTimeStamp", u"TimeStamp", ffDateTime, varDate, fsTimeStamp, false,
     &TSQLTimeStampField::StaticComponentClass},
    {ftFMTBcd, u"ftFMTBcd", u"FMTBcd", ffFloat, varDouble, fsNumber, false, &TFMTBCDField::StaticComponentClass},
    {ftFixedWideChar, u"ftFixedWideChar", u"FixedWideChar", ffText, varOleStr, fsText, true,
     &TWideStringField::StaticComponentClass},
    {ftWideMemo, u"ftWideMemo", u"WideMemo", ffText, varOleStr, fsBlob, false, &TWideMemoField::StaticComponentClass},
    {ftOraTimeStamp, u"ftOraTimeStamp", u"OraTimeStamp", ffDateTime, varDate, fsTimeStamp, false,
     &TSQLTimeStampField::StaticComponentClass},
    {ftOraInterval, u"ftOraInterval", u"OraInterval", ffText, varString, fsText, false, nullptr},
    {ftLongWord, u"ftLongWord", u"LongWord", ffInteger, varLongWord, fsNumber, false,
     &TLongWordField::StaticComponentClass},
    {ftShortint, u"ftShortint", u"ShortInt", ffInteger, varShortInt, fsNumber, false,
     &TShortintField::StaticComponentClass},
    {ftByte, u"ftByte", u"Byte", ffInteger, varByte, fsNumber, false, &TByteField::StaticComponentClass},
    {ftExtended, u"ftExtended", u"Extended", ffFloat, varDouble, fsNumber, false,
     &TExtendedField::StaticComponentClass},
    {ftConnection, u"ftConnection", u"Connection", ffNone, varError, fsNone, false, nullptr},
    {ftParams, u"ftParams", u"Params", ffNone, varError, fsNone, false, nullptr},
    {ftStream, u"ftStream", u"Stream", ffNone, varError, fsNone, false, nullptr},
};
static_assert(CoversEveryValue(FieldTypeInfos, FieldTypeCount), "one row per field type, in order");

constexpr TFieldTypeInfo NoFieldType = {ftUnknown, u"", u"", ffNone, varError, fsNone, false, nullptr};

}  // namespace

const TFieldTypeInfo& FieldTypeInfo(TFieldType t) {
  return t >= 0 && t < FieldTypeCount ? FieldTypeInfos[t] : NoFieldType;
}

const char16_t* FieldTypeName(TFieldType t) { return FieldTypeInfo(t).Ident; }

const char16_t* FieldTypeDisplayName(TFieldType t) { return FieldTypeInfo(t).Display; }

bool FieldTypeFromName(const String& Name, TFieldType& Type) {
  for (const TFieldTypeInfo& info : FieldTypeInfos) {
    const char16_t* n = info.Ident;
    size_t k = 0;
    for (; n[k] && k < Name.size(); ++k) {
      char16_t a = n[k], b = Name[k];
      if (a >= u'A' && a <= u'Z') a = static_cast<char16_t>(a + 32);
      if (b >= u'A' && b <= u'Z') b = static_cast<char16_t>(b + 32);
      if (a != b) break;
    }
    if (!n[k] && k == Name.size()) {
      Type = info.Value;
      return true;
    }
  }
  return false;
}

bool IsStringFieldType(TFieldType t) { return FieldTypeInfo(t).IsString; }

bool IsBlobFieldType(TFieldType t) { return FieldTypeInfo(t).Store == fsBlob; }

bool IsDateTimeFieldType(TFieldType t) { return FieldTypeInfo(t).Family == ffDateTime; }
