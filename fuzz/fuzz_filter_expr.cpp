// Feeds arbitrary text to the filter compiler. Every text must either compile
// into a well-formed layout (checked by decoding it back) or raise the
// compiler's own error; anything else is a fault.
//
// The first byte picks the options and how the rest is read: as UTF-8, or as
// raw UTF-16 code units (so lone surrogates and every BMP character occur).

#include <cstddef>
#include <cstdint>

#include "platform/core/FormatSettings.h"
#include "platform/data/ExprParser.h"
#include "tests/platform/data/ExprDecoder.h"

namespace {

struct Field {
  const char16_t* Name;
  Integer No;
  TFieldType Type;
};
const Field Fields[] = {{u"ID", 1, ftInteger},  {u"NAME", 2, ftString}, {u"Имя", 3, ftWideString},
                        {u"D", 4, ftDate},      {u"T", 5, ftTime},      {u"DT", 6, ftDateTime},
                        {u"F", 7, ftFloat},     {u"B", 8, ftBoolean},   {u"My Field", 9, ftMemo},
                        {u"CALC", -1, ftString}};

bool Resolve(const String& name, TExprFieldInfo& info) {
  for (const Field& f : Fields)
    if (name == f.Name) {
      info.FieldNo = f.No;
      info.DataType = f.Type;
      info.FieldName = f.Name;
      return true;
    }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  uint8_t flags = data[0];
  ++data;
  --size;
  String text;
  if (flags & 1) {
    text.resize(size / 2);
    for (size_t i = 0; i < text.size(); ++i) text[i] = static_cast<Char>(data[2 * i] | (data[2 * i + 1] << 8));
  } else {
    text = FromUtf8(std::string_view(reinterpret_cast<const char*>(data), size));
  }
  TFilterOptions fo;
  if (flags & 2) fo.Include(foCaseInsensitive);
  if (flags & 4) fo.Include(foNoPartialCompare);
  TParserOptions po{poExtSyntax};
  if (flags & 8) po.Include(poAggregate);
  FormatSettings.DecimalSeparator = (flags & 16) ? u'.' : u',';
  try {
    TExprParser parser(&Resolve, text, fo, po);
    ExprDecoder(parser.FilterData()).Decode();  // throws std::runtime_error on a bad layout
  } catch (const EExprParserError&) {
  }
  return 0;
}
