#include "platform/core/CodePage.h"

#include <unicode/ucnv.h>

#include <algorithm>
#include <array>
#include <utility>

namespace {

// Both directions, built once from ICU's table; the conversions themselves then
// never call ICU. Bytes below 0x80 are ASCII and skip the table lookups.
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
    for (int b = 0x80; b < 256; ++b) FHigh[b - 0x80] = {FToChar[b], static_cast<unsigned char>(b)};
    std::sort(FHigh.begin(), FHigh.end());
  }

  Char ToChar(unsigned char b) const { return FToChar[b]; }

  // The byte of c, or '?' when the code page lacks it.
  char ToByte(Char c) const {
    if (c < 0x80) return static_cast<char>(c);
    auto it = std::lower_bound(FHigh.begin(), FHigh.end(), std::pair<Char, unsigned char>{c, 0});
    if (it != FHigh.end() && it->first == c) return static_cast<char>(it->second);
    return '?';
  }

private:
  std::array<Char, 256> FToChar{};
  std::array<std::pair<Char, unsigned char>, 128> FHigh{};
};

const Cp1251Table& Table() {
  static const Cp1251Table table;
  return table;
}

bool IsHighSurrogate(Char c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(Char c) { return c >= 0xDC00 && c <= 0xDFFF; }

}  // namespace

String AnsiToString(std::string_view bytes) {
  const Cp1251Table& t = Table();
  String out(bytes.size(), u'\0');
  for (size_t i = 0; i < bytes.size(); ++i) out[i] = t.ToChar(static_cast<unsigned char>(bytes[i]));
  return out;
}

AnsiString StringToAnsi(StringView s) {
  const Cp1251Table& t = Table();
  AnsiString out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    // A character outside the BMP is one character, so one '?'.
    if (IsHighSurrogate(s[i]) && i + 1 < s.size() && IsLowSurrogate(s[i + 1])) {
      out += '?';
      ++i;
      continue;
    }
    out += t.ToByte(s[i]);
  }
  return out;
}
