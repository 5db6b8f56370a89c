// Feeds arbitrary text to the grid's filter-row parser. Every text must either
// parse or raise the library's own error; a parsed condition, written as a
// dataset filter by the builder, must compile with the filter compiler.
//
// The first byte picks the column's value type, the default operator and the
// decimal separator; the second how the rest is read: as UTF-8, or as raw
// UTF-16 code units (so lone surrogates and every BMP character occur).

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "grid/DbUtilsEh.h"
#include "platform/core/Exceptions.h"
#include "platform/core/FormatSettings.h"
#include "platform/data/ExprParser.h"

namespace {

constexpr size_t MaxTextLength = 400;

// The column's field, one per value type.
const TFieldType FieldTypes[] = {ftBlob, ftWideString, ftFloat, ftDateTime, ftBoolean};

bool Resolve(const String& Name, TExprFieldInfo& Info, TFieldType Type) {
  if (Name != u"F") return false;
  Info.FieldNo = 1;
  Info.DataType = Type;
  Info.FieldName = Name;
  return true;
}

String ConditionText(const TSTFilterExpressionEh& E, bool LikeSupported) {
  String text, second;
  BuildDataSetFilterCondition(E.Operator1, E.Operand1, u"F", text, LikeSupported, TDateValueToSQLStringEh(), nullptr);
  if (E.Relation != foNoneEh && E.Operator2 != foNoneEh) {
    BuildDataSetFilterCondition(E.Operator2, E.Operand2, u"F", second, LikeSupported, TDateValueToSQLStringEh(),
                                nullptr);
    text += String(E.Relation == foAndEh ? u" AND" : u" OR") + second;
  }
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const uint8_t setup = data[0], encoding = data[1];
  data += 2;
  size -= 2;
  String text;
  if (encoding & 1) {
    text.resize(size / 2);
    for (size_t i = 0; i < text.size(); ++i) text[i] = static_cast<Char>(data[2 * i] | (data[2 * i + 1] << 8));
  } else {
    text = FromUtf8(std::string_view(reinterpret_cast<const char*>(data), size));
  }
  // A list of about a thousand values makes a filter beyond the 64 KB of the
  // compiled form, which the compiler rightly refuses; shorter texts cover
  // every path of the parser and the builder.
  if (text.size() > MaxTextLength) text.resize(MaxTextLength);
  const int type = setup % 5;
  const auto defaultOperator = static_cast<TSTFilterDefaultOperatorEh>((setup / 5) % 17);
  FormatSettings.DecimalSeparator = (encoding & 2) ? u'.' : u',';

  TSTFilterExpressionEh e;
  e.ExpressionType = static_cast<TSTFilterValueTypeEh>(type);
  try {
    ParseFilterExpression(text, e, defaultOperator);
  } catch (const Exception&) {
    return 0;
  }
  if (e.Operator1 == foNoneEh) return 0;
  // Text and number columns: what the builder writes must compile.
  if (type != stvtStringEh && type != stvtNumberEh) return 0;
  const String filter = ConditionText(e, type == stvtStringEh);
  try {
    TExprParser parser(
        [type](const String& Name, TExprFieldInfo& Info) { return Resolve(Name, Info, FieldTypes[type]); }, filter,
        TFilterOptions(), TParserOptions{poExtSyntax});
  } catch (const EExprParserError& E) {
    // The builder wrote a filter the compiler refuses.
    std::fprintf(stderr, "%s\n%s\n", E.what(), ToUtf8(filter).c_str());
    std::abort();
  }
  return 0;
}
