#include "platform/data/DBTypes.h"

namespace {

struct FieldTypeNames {
  const char16_t* Ident;
  const char16_t* Display;
};

// Indexed by TFieldType.
const FieldTypeNames Names[FieldTypeCount] = {
    {u"ftUnknown", u"Unknown"},         {u"ftString", u"String"},
    {u"ftSmallint", u"SmallInt"},       {u"ftInteger", u"Integer"},
    {u"ftWord", u"Word"},               {u"ftBoolean", u"Boolean"},
    {u"ftFloat", u"Float"},             {u"ftCurrency", u"Currency"},
    {u"ftBCD", u"BCD"},                 {u"ftDate", u"Date"},
    {u"ftTime", u"Time"},               {u"ftDateTime", u"DateTime"},
    {u"ftBytes", u"Bytes"},             {u"ftVarBytes", u"VarBytes"},
    {u"ftAutoInc", u"AutoInc"},         {u"ftBlob", u"Blob"},
    {u"ftMemo", u"Memo"},               {u"ftGraphic", u"Graphic"},
    {u"ftFmtMemo", u"FmtMemo"},         {u"ftParadoxOle", u"ParadoxOle"},
    {u"ftDBaseOle", u"DBaseOle"},       {u"ftTypedBinary", u"TypedBinary"},
    {u"ftCursor", u"Cursor"},           {u"ftFixedChar", u"FixedChar"},
    {u"ftWideString", u"WideString"},   {u"ftLargeint", u"LargeInt"},
    {u"ftADT", u"ADT"},                 {u"ftArray", u"Array"},
    {u"ftReference", u"Reference"},     {u"ftDataSet", u"DataSet"},
    {u"ftOraBlob", u"OraBlob"},         {u"ftOraClob", u"OraClob"},
    {u"ftVariant", u"Variant"},         {u"ftInterface", u"Interface"},
    {u"ftIDispatch", u"IDispatch"},     {u"ftGuid", u"Guid"},
    {u"ftTimeStamp", u"TimeStamp"},     {u"ftFMTBcd", u"FMTBcd"},
    {u"ftFixedWideChar", u"FixedWideChar"}, {u"ftWideMemo", u"WideMemo"},
    {u"ftOraTimeStamp", u"OraTimeStamp"},   {u"ftOraInterval", u"OraInterval"},
    {u"ftLongWord", u"LongWord"},       {u"ftShortint", u"ShortInt"},
    {u"ftByte", u"Byte"},               {u"ftExtended", u"Extended"},
    {u"ftConnection", u"Connection"},   {u"ftParams", u"Params"},
    {u"ftStream", u"Stream"}};

}  // namespace

const char16_t* FieldTypeName(TFieldType t) {
  return t >= 0 && t < FieldTypeCount ? Names[t].Ident : u"";
}

const char16_t* FieldTypeDisplayName(TFieldType t) {
  return t >= 0 && t < FieldTypeCount ? Names[t].Display : u"";
}

bool FieldTypeFromName(const String& Name, TFieldType& Type) {
  for (int i = 0; i < FieldTypeCount; ++i) {
    const char16_t* n = Names[i].Ident;
    size_t k = 0;
    for (; n[k] && k < Name.size(); ++k) {
      char16_t a = n[k], b = Name[k];
      if (a >= u'A' && a <= u'Z') a = static_cast<char16_t>(a + 32);
      if (b >= u'A' && b <= u'Z') b = static_cast<char16_t>(b + 32);
      if (a != b) break;
    }
    if (!n[k] && k == Name.size()) {
      Type = static_cast<TFieldType>(i);
      return true;
    }
  }
  return false;
}

bool IsStringFieldType(TFieldType t) {
  return t == ftString || t == ftFixedChar || t == ftWideString || t == ftFixedWideChar || t == ftGuid;
}

bool IsBlobFieldType(TFieldType t) {
  return (t >= ftBlob && t <= ftTypedBinary) || t == ftOraBlob || t == ftOraClob || t == ftWideMemo;
}

bool IsDateTimeFieldType(TFieldType t) {
  return t == ftDate || t == ftTime || t == ftDateTime || t == ftTimeStamp || t == ftOraTimeStamp;
}
