#include "platform/core/CodePage.h"

#include <unicode/ucnv.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <memory>

namespace {

// Both directions, built once from ICU's table; the conversions themselves then
// never call ICU.
class Cp1251Table {
public:
  Cp1251Table() {
    for (int b = 0; b < 256; ++b) FToChar[b] = static_cast<Char>(b);
    UErrorCode status = U_ZERO_ERROR;
    UConverter* cnv = ucnv_open("windows-1251", &status);
    if (U_SUCCESS(status)) {
      for (int b = 0x80; b < 256; ++b) {
        const char byte = static_cast<char>(b);
        UChar out[2];
        status = U_ZERO_ERROR;
        ucnv_reset(cnv);
        const int32_t n = ucnv_toUChars(cnv, out, 2, &byte, 1, &status);
        // A byte without a character of its own (0x98) keeps its own code as a
        // C1 control, so it still comes back as the same byte.
        if (U_SUCCESS(status) && n == 1 && out[0] != 0xFFFD && out[0] != 0x1A) FToChar[b] = out[0];
      }
      ucnv_close(cnv);
    }
    // The reverse direction as pages of 256 characters: the page holds only the
    // few blocks the code page draws from (Latin-1, Cyrillic, punctuation).
    for (int b = 0; b < 256; ++b) {
      const Char c = FToChar[b];
      auto& page = FPages[c >> 8];
      if (!page) {
        page = std::make_unique<std::array<char, 256>>();
        page->fill('?');
      }
      (*page)[c & 0xFF] = static_cast<char>(b);
    }
  }

  Char ToChar(unsigned char b) const { return FToChar[b]; }

  // The byte of c, or '?' when the code page lacks it.
  char ToByte(Char c) const {
    const auto& page = FPages[c >> 8];
    return page ? (*page)[c & 0xFF] : '?';
  }

private:
  std::array<Char, 256> FToChar{};
  std::array<std::unique_ptr<std::array<char, 256>>, 256> FPages;
};

const Cp1251Table& Table() {
  static const Cp1251Table table;
  return table;
}

bool IsHighSurrogate(Char c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(Char c) { return c >= 0xDC00 && c <= 0xDFFF; }

}  // namespace

String AnsiToString(std::string_view bytes, size_t Room) {
  const Cp1251Table& t = Table();
  String out;
  out.reserve(bytes.size() + Room);
  out.resize(bytes.size());
  for (size_t i = 0; i < bytes.size(); ++i) out[i] = t.ToChar(static_cast<unsigned char>(bytes[i]));
  return out;
}

AnsiString StringToAnsi(StringView s) {
  AnsiString out(s.size(), '\0');
  out.resize(static_cast<size_t>(WriteAnsi(s, out.data()) - out.data()));
  return out;
}

size_t CopyAsciiRun(StringView s, char* out, Char Low) {
  using TUnits = std::uint16_t __attribute__((vector_size(16)));
  using TBytes = std::uint8_t __attribute__((vector_size(8)));
  const Char span = static_cast<Char>(0x80 - Low);
  size_t i = 0;
  // Eight units a step: a unit outside the run shows in the compare mask, and
  // the step then ends before it is written.
  const TUnits low = {Low, Low, Low, Low, Low, Low, Low, Low};
  const TUnits width = {span, span, span, span, span, span, span, span};
  for (; i + 8 <= s.size(); i += 8) {
    TUnits units;
    std::memcpy(&units, s.data() + i, sizeof units);
    const TUnits outside = reinterpret_cast<TUnits>((units - low) >= width);
    std::uint64_t mask[2];
    std::memcpy(mask, &outside, sizeof mask);
    if (mask[0] | mask[1]) break;
    const TBytes bytes = __builtin_convertvector(units, TBytes);
    std::memcpy(out + i, &bytes, sizeof bytes);
  }
  for (; i < s.size() && static_cast<Char>(s[i] - Low) < span; ++i) out[i] = static_cast<char>(s[i]);
  return i;
}

char* WriteAnsi(StringView s, char* out) {
  // The page keeps ASCII as it is, and most text (record bytes above all) is
  // ASCII: copy that run straight across before looking characters up.
  size_t i = CopyAsciiRun(s, out);
  out += i;
  if (i == s.size()) return out;
  const Cp1251Table& t = Table();
  for (; i < s.size(); ++i) {
    // A character outside the BMP is one character, so one '?'.
    if (IsHighSurrogate(s[i]) && i + 1 < s.size() && IsLowSurrogate(s[i + 1])) ++i;
    *out++ = t.ToByte(s[i]);
  }
  return out;
}
