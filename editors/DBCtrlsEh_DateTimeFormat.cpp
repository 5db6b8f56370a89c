// The date-time edit-format engine: an edit format made into a mask, a display
// format and an element table; an edit text read back into element values; element
// values put into a date-time.
//
// Index of this file:
//   letters        which characters are elements, and their table places
//   formats        ParseEditFormat, EditFormatToDisplayFormat, the template, the default format
//   reading        TextToElementValues, with the century window for years below 100
//   combining      ElementValuesToValue, with or without normalisation

#include <algorithm>

#include "editors/DBCtrlsEh.h"
#include "platform/core/DateTime.h"
#include "platform/core/Strings.h"

namespace {

// ---- letters -----------------------------------------------------------------------------------------------

Char UpperAscii(Char C) { return C >= u'a' && C <= u'z' ? Char(C - 32) : C; }

// The element a letter stands for, or -1 for any other character.
Integer ElementOfLetter(Char UpperC) {
  switch (UpperC) {
    case u'Y': return dteYearEh;
    case u'M': return dteMonthEh;
    case u'D': return dteDayEh;
    case u'H': return dteHourEh;
    case u'N': return dteMinuteEh;
    case u'S': return dteSecondEh;
    default: return -1;
  }
}

bool IsTemplateChar(Char UpperC) { return UpperC == u'/' || UpperC == u':' || ElementOfLetter(UpperC) >= 0; }

// Characters the mask would read as its own picture characters; the backslash too,
// so an escaped backslash stays one literal instead of escaping what follows.
bool NeedsMaskEscape(Char UpperC) {
  static constexpr StringView kMaskChars = u"!#09;<>ACL\\";
  return kMaskChars.find(UpperC) != StringView::npos;
}

Integer CurrentYear() {
  Word y, m, d;
  DecodeDate(Date(), y, m, d);
  return y;
}

// A year below 100 put in the century window around this year.
Integer ExpandYear(Integer Year) {
  if (Year < 0 || Year >= 100) return Year;
  const Integer window = FormatSettings.TwoDigitYearCenturyWindow;
  const Integer base = CurrentYear() - window;
  Year += base / 100 * 100;
  if (window > 0 && Year < base) Year += 100;
  return Year;
}

}  // namespace

// ---- formats -----------------------------------------------------------------------------------------------

void ParseEditFormat(const String& EditFormat, String& EditMask, TDateTimeElementsInfoEh& Elements) {
  String mask;
  TDateTimeElementsInfoEh elements{};
  Char current = 0;  // the letter of the element being read, 0 between elements
  Integer count = 0;
  Integer textPos = 1;
  bool escape = false;

  auto closeElement = [&]() {
    if (!current) return;
    const String letter(1, current);
    const bool validLength = current == u'Y' ? count == 2 || count == 4 : count == 2;
    if (!validLength) throw Exception(u"Invalid datetime format element length: \"" + letter + u"\"");
    TDateTimeElementInfoEh& e = elements[size_t(ElementOfLetter(current))];
    if (e.Present) throw Exception(u"Duplicating datetime format element: \"" + letter + u"\"");
    e.Pos = textPos - count;
    e.Length = count;
    e.Present = true;
    mask.append(size_t(count), u'9');
    current = 0;
  };

  for (size_t i = 0; i < EditFormat.size(); ++i) {
    const Char c = EditFormat[i];
    const Char upper = UpperAscii(c);
    if (ElementOfLetter(upper) >= 0 && !escape) {
      if (upper != current) {
        closeElement();
        count = 1;
      } else {
        ++count;
      }
      if (count > (upper == u'Y' ? 4 : 2))
        throw Exception(u"Element in EditFormat: \"" + EditFormat + u"\" is too long. Pos: " +
                        IntToStr(Integer(i + 1)));
      current = upper;
    } else {
      closeElement();
      if (c == u'\\' && !escape) {
        escape = true;
        continue;  // the backslash takes no place in the text
      }
      if (NeedsMaskEscape(upper)) mask += u'\\';
      mask += c;
      escape = false;
    }
    ++textPos;
  }
  closeElement();
  // "/" and ":" stay unescaped: the mask shows them as the locale's separators.
  EditMask = u"!" + mask + u";1; ";
  Elements = elements;
}

String EditFormatToDisplayFormat(const String& EditFormat) {
  String out;
  bool quoted = false, escape = false;
  for (const Char c : EditFormat) {
    const Char upper = UpperAscii(c);
    if (c == u'\\' && !escape) {
      escape = true;
      continue;
    }
    if (!escape && IsTemplateChar(upper)) {
      if (quoted) out += u'\'';
      quoted = false;
      out += upper;
    } else {
      if (!quoted) out += u'\'';
      quoted = true;
      out += c;
      if (c == u'\'') out += c;
    }
    escape = false;
  }
  if (quoted) out += u'\'';
  return out;
}

String EditFormatTemplateEh(const String& EditFormat) {
  String out;
  bool escape = false;
  for (const Char c : EditFormat) {
    const Char upper = UpperAscii(c);
    if (c == u'\\' && !escape) {
      escape = true;
      continue;
    }
    out += !escape && IsTemplateChar(upper) ? upper : u' ';
    escape = false;
  }
  return out;
}

String DefaultDateEditFormatEh(bool FourDigitYear) {
  Char first = u'D';
  for (const Char c : FormatSettings.ShortDateFormat) {
    const Char upper = UpperAscii(c);
    if (upper == u'D' || upper == u'M' || upper == u'Y') {
      first = upper;
      break;
    }
  }
  const String year = FourDigitYear ? u"YYYY" : u"YY";
  switch (first) {
    case u'M': return u"MM/DD/" + year;
    case u'Y': return year + u"/MM/DD";
    default: return u"DD/MM/" + year;
  }
}

// ---- reading -----------------------------------------------------------------------------------------------

TDateTimeElementValuesEh TextToElementValues(const String& Text, const TDateTimeElementsInfoEh& Elements) {
  TDateTimeElementValuesEh values;
  values.fill(-1);
  for (size_t k = 0; k < Elements.size(); ++k) {
    const TDateTimeElementInfoEh& e = Elements[k];
    if (!e.Present || e.Pos < 1 || size_t(e.Pos - 1) >= Text.size()) continue;
    StringView part = StringView(Text).substr(size_t(e.Pos - 1), size_t(e.Length));
    while (!part.empty() && part.front() == u' ') part.remove_prefix(1);
    if (part.empty()) continue;
    Integer number = 0;
    bool valid = true;
    for (const Char c : part) {
      if (c == u' ') continue;
      if (c < u'0' || c > u'9') {
        valid = false;
        break;
      }
      number = number * 10 + (c - u'0');
    }
    if (!valid) continue;
    // Every year below 100 is a year of the window, "0024" as much as "24".
    values[k] = k == dteYearEh ? ExpandYear(number) : number;
  }
  return values;
}

// ---- combining ---------------------------------------------------------------------------------------------

bool ElementValuesToValue(TDateTimeElementValuesEh Values, const TDateTimeElementsInfoEh& Elements, Variant& Value,
                          bool Normalize) {
  if (std::all_of(Values.begin(), Values.end(), [](Integer v) { return v == -1; })) {
    Value = Null();
    return true;
  }
  Integer& year = Values[dteYearEh];
  Integer& month = Values[dteMonthEh];
  Integer& day = Values[dteDayEh];
  Integer& hour = Values[dteHourEh];
  Integer& minute = Values[dteMinuteEh];
  Integer& second = Values[dteSecondEh];

  if (Normalize) {
    Word ty, tm, td;
    DecodeDate(Date(), ty, tm, td);
    if (year < 1) year = ty;
    if (month < 1) month = tm;
    if (day < 1) day = td;
    month = std::min(month, 12);
    year = ExpandYear(std::min(year, 9999));
    day = std::min<Integer>(day, MonthDays[IsLeapYear(Word(year))][month]);
    hour = std::clamp(hour, 0, 23);
    minute = std::clamp(minute, 0, 59);
    second = std::clamp(second, 0, 59);
  } else {
    // Parts the format does not show cannot be missing from the text.
    static constexpr Integer kNeutral[6] = {1, 1, 1, 0, 0, 0};
    for (size_t k = 0; k < Values.size(); ++k)
      if (!Elements[k].Present && Values[k] < 0) Values[k] = kNeutral[k];
  }

  // The date must be whole and real, or absent altogether; the time must be real.
  bool valid = true;
  if (year >= 0 || month >= 0 || day >= 0)
    valid = year >= 1 && month >= 1 && day >= 1 && IsValidDate(Word(std::min(year, 65535)), Word(month), Word(day));
  if (valid) valid = hour >= 0 && minute >= 0 && second >= 0 && hour < 24 && minute < 60 && second < 60;
  if (!valid) {
    Value = Null();
    return false;
  }

  Word parts[7] = {1900, 1, 1, 0, 0, 0, 0};  // year, month, day, hour, minute, second, ms
  if (!Value.IsNull() && !Value.IsEmpty())
    DecodeDateTime(VarToDateTime(Value), parts[0], parts[1], parts[2], parts[3], parts[4], parts[5], parts[6]);
  for (size_t k = 0; k < Values.size(); ++k) {
    const bool usable = k <= dteDayEh ? Values[k] >= 1 : Values[k] >= 0;
    if (Elements[k].Present && usable) parts[k] = Word(Values[k]);
  }
  TDateTime result = 0;
  if (!TryEncodeDateTime(parts[0], parts[1], parts[2], parts[3], parts[4], parts[5], parts[6], result)) {
    // A day the kept month or year lacks (the format shows the day but not the month).
    Value = Null();
    return false;
  }
  Value = Variant::FromDate(result);
  return true;
}
