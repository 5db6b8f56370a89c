#include "platform/ui/MaskUtils.h"

#include <unicode/uchar.h>

#include "platform/core/FormatSettings.h"
#include "platform/core/Strings.h"

namespace {

Char ToCase(Char c, TMaskCase cs) {
  if (cs == TMaskCase::None) return c;
  const UChar32 m = cs == TMaskCase::Upper ? u_toupper(c) : u_tolower(c);
  return m <= 0xFFFF ? static_cast<Char>(m) : c;
}

bool Fits(TMaskCellKind k, Char c) {
  switch (k) {
    case TMaskCellKind::Letter: return u_isalpha(c);
    case TMaskCellKind::AlphaNum: return u_isalnum(c);
    case TMaskCellKind::AnyChar: return c >= 0x20;
    case TMaskCellKind::Digit: return c >= u'0' && c <= u'9';
    case TMaskCellKind::DigitOrSign: return (c >= u'0' && c <= u'9') || c == u'+' || c == u'-';
    case TMaskCellKind::Literal: return false;
  }
  return false;
}

// Splits off the ';'-separated fields, honouring '\' escapes in the picture.
void SplitMask(const String& m, String& picture, String& save, String& blank) {
  size_t i = 0;
  for (; i < m.size(); ++i) {
    if (m[i] == u'\\' && i + 1 < m.size()) {
      picture += m[i];
      picture += m[++i];
      continue;
    }
    if (m[i] == u';') break;
    picture += m[i];
  }
  if (i >= m.size()) return;
  size_t j = i + 1;
  for (; j < m.size() && m[j] != u';'; ++j) save += m[j];
  if (j < m.size()) blank = m.substr(j + 1);
}

}  // namespace

TEditMask::TEditMask(const String& Mask) {
  String picture, save, blank;
  SplitMask(Mask, picture, save, blank);
  if (!save.empty()) FSaveLiterals = save[0] != u'0';
  if (!blank.empty()) FBlank = blank[0];
  TMaskCase cs = TMaskCase::None;
  for (size_t i = 0; i < picture.size(); ++i) {
    const Char c = picture[i];
    TMaskCell cell;
    cell.Case = cs;
    switch (c) {
      case u'!': FReverse = true; continue;
      case u'>': cs = TMaskCase::Upper; continue;
      case u'<':
        if (i + 1 < picture.size() && picture[i + 1] == u'>') {
          cs = TMaskCase::None;
          ++i;
        } else cs = TMaskCase::Lower;
        continue;
      case u'\\':
        if (i + 1 >= picture.size()) continue;
        cell.Literal = picture[++i];
        break;
      case u'L':
      case u'l':
        cell.Kind = TMaskCellKind::Letter;
        cell.Required = c == u'L';
        break;
      case u'A':
      case u'a':
        cell.Kind = TMaskCellKind::AlphaNum;
        cell.Required = c == u'A';
        break;
      case u'C':
      case u'c':
        cell.Kind = TMaskCellKind::AnyChar;
        cell.Required = c == u'C';
        break;
      case u'0':
      case u'9':
        cell.Kind = TMaskCellKind::Digit;
        cell.Required = c == u'0';
        break;
      case u'#': cell.Kind = TMaskCellKind::DigitOrSign; break;
      case u':': cell.Literal = FormatSettings.TimeSeparator; break;
      case u'/': cell.Literal = FormatSettings.DateSeparator; break;
      default: cell.Literal = c; break;
    }
    FCells.push_back(cell);
  }
}

bool TEditMask::IsLiteral(Integer Pos) const {
  return Pos >= 0 && Pos < Length() && FCells[static_cast<size_t>(Pos)].Kind == TMaskCellKind::Literal;
}

Char TEditMask::Accept(Integer Pos, Char C) const {
  if (Pos < 0 || Pos >= Length()) return 0;
  const TMaskCell& cell = FCells[static_cast<size_t>(Pos)];
  const Char c = ToCase(C, cell.Case);
  return Fits(cell.Kind, c) ? c : 0;
}

Integer TEditMask::NextInput(Integer Pos) const {
  if (Pos < 0) Pos = 0;
  while (Pos < Length() && IsLiteral(Pos)) ++Pos;
  return Pos;
}

Integer TEditMask::PrevInput(Integer Pos) const {
  if (Pos > Length()) Pos = Length();
  for (Integer p = Pos - 1; p >= 0; --p)
    if (!IsLiteral(p)) return p;
  return -1;
}

String TEditMask::EmptyEditText() const {
  String s;
  s.reserve(FCells.size());
  for (const TMaskCell& c : FCells) s += c.Kind == TMaskCellKind::Literal ? c.Literal : FBlank;
  return s;
}

String TEditMask::FormatText(const String& Value) const {
  String out = EmptyEditText();
  if (FSaveLiterals) {
    // The value carries the literals at their places, or leaves them out: a
    // character at a literal's place is taken as that literal when it is the
    // literal or when the next input position would refuse it; otherwise it is
    // input and the mask's literal is put back in front of it.
    size_t v = 0;
    for (Integer p = 0; p < Length() && v < Value.size(); ++p) {
      const Char c = Value[v];
      if (IsLiteral(p)) {
        if (c == Cell(p).Literal || !Accept(NextInput(p), c)) ++v;
        continue;
      }
      ++v;
      if (c == u' ' || c == FBlank) continue;
      if (const Char a = Accept(p, c)) out[static_cast<size_t>(p)] = a;
    }
    return out;
  }
  // Only the input characters: fill the input positions in order (from the end
  // when '!' puts the optional blanks in front).
  std::vector<Integer> inputs;
  for (Integer p = 0; p < Length(); ++p)
    if (!IsLiteral(p)) inputs.push_back(p);
  const size_t n = std::min(inputs.size(), Value.size());
  const size_t first = FReverse ? inputs.size() - n : 0;
  for (size_t k = 0; k < n; ++k) {
    const Integer p = inputs[first + k];
    const Char v = Value[k];
    if (v == u' ' || v == FBlank) continue;
    if (const Char a = Accept(p, v)) out[static_cast<size_t>(p)] = a;
  }
  return out;
}

String TEditMask::ExtractText(const String& EditText) const {
  String out;
  for (Integer p = 0; p < Length() && p < ::Length(EditText); ++p) {
    const Char c = EditText[static_cast<size_t>(p)];
    if (IsLiteral(p)) {
      if (FSaveLiterals) out += c;
      continue;
    }
    out += c == FBlank ? u' ' : c;
  }
  return out;
}

Integer TEditMask::FirstMissing(const String& EditText) const {
  for (Integer p = 0; p < Length(); ++p) {
    const TMaskCell& cell = FCells[static_cast<size_t>(p)];
    if (cell.Kind == TMaskCellKind::Literal || !cell.Required) continue;
    const Char c = p < ::Length(EditText) ? EditText[static_cast<size_t>(p)] : FBlank;
    if (c == FBlank || c == u' ') return p;
  }
  return -1;
}

String FormatMaskText(const String& Mask, const String& Value) {
  TEditMask m(Mask);
  if (m.IsEmpty()) return Value;
  return m.FormatText(Value);
}
