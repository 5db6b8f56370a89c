// Date and time arithmetic, text forms and parsing.

#include "platform/core/DateTime.h"

#include <cmath>
#include <ctime>

#include "platform/core/Exceptions.h"
#include "platform/core/Format.h"
#include "platform/core/Strings.h"

namespace {

constexpr Integer D1 = 365;
constexpr Integer D4 = D1 * 4 + 1;
constexpr Integer D100 = D4 * 25 - 1;
constexpr Integer D400 = D100 * 4 + 1;

// The day count of 1 January of `year`, minus one, since 0001-01-01.
Integer DaysBeforeYear(Integer year) {
  const Integer y = year - 1;
  return y * 365 + y / 4 - y / 100 + y / 400;
}

Integer DayOfYear(Word year, Word month, Word day) {
  const auto& table = MonthDays[IsLeapYear(year)];
  Integer d = day;
  for (Word m = 1; m < month; ++m) d += table[m];
  return d;
}

}  // namespace

bool IsLeapYear(Word year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

bool IsValidDate(Word year, Word month, Word day) {
  return year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 &&
         day <= MonthDays[IsLeapYear(year)][month];
}

bool IsValidTime(Word hour, Word min, Word sec, Word msec) { return hour < 24 && min < 60 && sec < 60 && msec < 1000; }

bool TryEncodeDate(Word year, Word month, Word day, TDateTime& date) {
  if (!IsValidDate(year, month, day)) return false;
  date = static_cast<TDateTime>(DaysBeforeYear(year) + DayOfYear(year, month, day) - DateDelta);
  return true;
}

bool TryEncodeTime(Word hour, Word min, Word sec, Word msec, TDateTime& time) {
  if (!IsValidTime(hour, min, sec, msec)) return false;
  time = static_cast<TDateTime>(hour * 3600000 + min * 60000 + sec * 1000 + msec) / MSecsPerDay;
  return true;
}

TDateTime EncodeDate(Word year, Word month, Word day) {
  TDateTime d;
  if (!TryEncodeDate(year, month, day, d)) throw EConvertError(u"Invalid argument to date encode");
  return d;
}

TDateTime EncodeTime(Word hour, Word min, Word sec, Word msec) {
  TDateTime t;
  if (!TryEncodeTime(hour, min, sec, msec, t)) throw EConvertError(u"Invalid argument to time encode");
  return t;
}

namespace {
// A negative date counts its time of day forward from its midnight.
TDateTime Combine(TDateTime date, TDateTime time) { return date < 0 ? date - time : date + time; }
}  // namespace

bool TryEncodeDateTime(Word year, Word month, Word day, Word hour, Word min, Word sec, Word msec, TDateTime& value) {
  TDateTime d, t;
  if (!TryEncodeDate(year, month, day, d) || !TryEncodeTime(hour, min, sec, msec, t)) return false;
  value = Combine(d, t);
  return true;
}

TDateTime EncodeDateTime(Word year, Word month, Word day, Word hour, Word min, Word sec, Word msec) {
  return Combine(EncodeDate(year, month, day), EncodeTime(hour, min, sec, msec));
}

TTimeStamp DateTimeToTimeStamp(TDateTime value) {
  const Int64 ms = Round(static_cast<Extended>(value) * MSecsPerDay);
  TTimeStamp ts;
  const Int64 date = DateDelta + ms / MSecsPerDay;
  if (date < INT32_MIN || date > INT32_MAX) throw EInvalidOp(u"Invalid floating point operation");
  ts.Date = static_cast<Integer>(date);
  const Int64 t = ms % MSecsPerDay;
  ts.Time = static_cast<Integer>(t < 0 ? -t : t);
  return ts;
}

TDateTime TimeStampToDateTime(const TTimeStamp& ts) {
  if (ts.Time < 0 || ts.Time >= MSecsPerDay || ts.Date <= 0)
    throw EConvertError(u"'" + IntToStr(ts.Date) + u"." + IntToStr(ts.Time) + u"' is not a valid timestamp");
  return Combine(static_cast<TDateTime>(ts.Date - DateDelta), static_cast<TDateTime>(ts.Time) / MSecsPerDay);
}

namespace {

// Days since 0001-01-01 (1 for that day) to a date; false before it.
bool DecodeDays(Integer days, Word& year, Word& month, Word& day) {
  if (days <= 0 || days > DateDelta + 2958465) {
    year = month = day = 0;
    return false;
  }
  Integer d = days - 1;
  Integer y = 1;
  while (d >= D400) {
    d -= D400;
    y += 400;
  }
  Integer i = d / D100;
  d %= D100;
  if (i == 4) {
    --i;
    d += D100;
  }
  y += i * 100;
  i = d / D4;
  d %= D4;
  y += i * 4;
  i = d / D1;
  d %= D1;
  if (i == 4) {
    --i;
    d += D1;
  }
  y += i;
  year = static_cast<Word>(y);
  const auto& table = MonthDays[IsLeapYear(year)];
  Word m = 1;
  while (d >= table[m]) {
    d -= table[m];
    ++m;
  }
  month = m;
  day = static_cast<Word>(d + 1);
  return true;
}

bool InRange(TDateTime v) { return std::isfinite(v) && v > -DateDelta - 1 && v < 2958466; }

}  // namespace

void DecodeDate(TDateTime date, Word& year, Word& month, Word& day) {
  if (!InRange(date)) {
    year = month = day = 0;
    return;
  }
  DecodeDays(DateTimeToTimeStamp(date).Date, year, month, day);
}

void DecodeTime(TDateTime time, Word& hour, Word& min, Word& sec, Word& msec) {
  if (!InRange(time)) {
    hour = min = sec = msec = 0;
    return;
  }
  Integer ms = DateTimeToTimeStamp(time).Time;
  hour = static_cast<Word>(ms / 3600000);
  ms %= 3600000;
  min = static_cast<Word>(ms / 60000);
  ms %= 60000;
  sec = static_cast<Word>(ms / 1000);
  msec = static_cast<Word>(ms % 1000);
}

void DecodeDateTime(TDateTime value, Word& year, Word& month, Word& day, Word& hour, Word& min, Word& sec, Word& msec) {
  DecodeDate(value, year, month, day);
  DecodeTime(value, hour, min, sec, msec);
}

Word DayOfWeek(TDateTime date) {
  if (!InRange(date)) return 0;
  return static_cast<Word>(DateTimeToTimeStamp(date).Date % 7 + 1);
}

namespace {
std::tm LocalNow(Integer& msec) {
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  std::tm tm{};
  localtime_r(&ts.tv_sec, &tm);
  msec = static_cast<Integer>(ts.tv_nsec / 1000000);
  return tm;
}
}  // namespace

TDateTime Now() {
  Integer ms;
  const std::tm tm = LocalNow(ms);
  return EncodeDateTime(static_cast<Word>(tm.tm_year + 1900), static_cast<Word>(tm.tm_mon + 1),
                        static_cast<Word>(tm.tm_mday), static_cast<Word>(tm.tm_hour), static_cast<Word>(tm.tm_min),
                        static_cast<Word>(tm.tm_sec > 59 ? 59 : tm.tm_sec), static_cast<Word>(ms));
}

TDateTime Date() {
  Integer ms;
  const std::tm tm = LocalNow(ms);
  return EncodeDate(static_cast<Word>(tm.tm_year + 1900), static_cast<Word>(tm.tm_mon + 1),
                    static_cast<Word>(tm.tm_mday));
}

TDateTime Time() {
  Integer ms;
  const std::tm tm = LocalNow(ms);
  return EncodeTime(static_cast<Word>(tm.tm_hour), static_cast<Word>(tm.tm_min),
                    static_cast<Word>(tm.tm_sec > 59 ? 59 : tm.tm_sec), static_cast<Word>(ms));
}

// ---- formatting -------------------------------------------------------------------

namespace {

Char Upper(Char c) { return c >= u'a' && c <= u'z' ? static_cast<Char>(c - 32) : c; }

bool StartsWithCI(const String& s, size_t i, const char16_t* what) {
  for (size_t k = 0; what[k]; ++k)
    if (i + k >= s.size() || Upper(s[i + k]) != Upper(what[k])) return false;
  return true;
}

String Pad(Integer v, int width) {
  String s = IntToStr(v);
  while (static_cast<int>(s.size()) < width) s.insert(s.begin(), u'0');
  return s;
}

struct Parts {
  Word Year = 0, Month = 0, Day = 0, Hour = 0, Min = 0, Sec = 0, MSec = 0, Dow = 0;
};

// Whether the format shows a 12-hour clock (an am/pm, a/p or ampm specifier outside quotes).
bool HasAmPm(const String& fmt) {
  Char quote = 0;
  for (size_t i = 0; i < fmt.size(); ++i) {
    const Char c = fmt[i];
    if (quote) {
      if (c == quote) quote = 0;
      continue;
    }
    if (c == u'"' || c == u'\'') {
      quote = c;
      continue;
    }
    if (StartsWithCI(fmt, i, u"am/pm") || StartsWithCI(fmt, i, u"a/p") || StartsWithCI(fmt, i, u"ampm")) return true;
  }
  return false;
}

void Append(String& out, const String& fmt, const Parts& p, const TFormatSettings& fs, int depth) {
  // A format naming itself (a 'c' inside ShortDateFormat) stops instead of recursing forever.
  if (depth > 3) return;
  const bool clock12 = HasAmPm(fmt);
  Char last = 0;
  size_t i = 0;
  const size_t n = fmt.size();
  while (i < n) {
    const Char start = fmt[i];
    Char token = Upper(start);
    if (token >= u'A' && token <= u'Z') {
      if (token == u'M' && last == u'H') token = u'N';
      last = token;
    }
    size_t count = 1;
    auto run = [&]() {
      while (i + count < n && Upper(fmt[i + count]) == Upper(start)) ++count;
    };
    switch (token) {
      case u'Y':
        run();
        out += count <= 2 ? Pad(p.Year % 100, 2) : Pad(p.Year, 4);
        break;
      case u'M':
        run();
        if (count == 1) out += IntToStr(p.Month);
        else if (count == 2) out += Pad(p.Month, 2);
        else if (p.Month >= 1) out += count == 3 ? fs.ShortMonthNames[p.Month - 1] : fs.LongMonthNames[p.Month - 1];
        break;
      case u'D':
        run();
        if (count == 1) out += IntToStr(p.Day);
        else if (count == 2) out += Pad(p.Day, 2);
        else if (count == 3) {
          if (p.Dow) out += fs.ShortDayNames[p.Dow - 1];
        } else if (count == 4) {
          if (p.Dow) out += fs.LongDayNames[p.Dow - 1];
        } else if (count == 5) Append(out, fs.ShortDateFormat, p, fs, depth + 1);
        else Append(out, fs.LongDateFormat, p, fs, depth + 1);
        break;
      case u'H': {
        run();
        Integer h = p.Hour;
        if (clock12) {
          h %= 12;
          if (h == 0) h = 12;
        }
        out += count == 1 ? IntToStr(h) : Pad(h, 2);
        break;
      }
      case u'N':
        run();
        out += count == 1 ? IntToStr(p.Min) : Pad(p.Min, 2);
        break;
      case u'S':
        run();
        out += count == 1 ? IntToStr(p.Sec) : Pad(p.Sec, 2);
        break;
      case u'Z':
        run();
        out += count == 1 ? IntToStr(p.MSec) : Pad(p.MSec, 3);
        break;
      case u'T':
        run();
        Append(out, count == 1 ? fs.ShortTimeFormat : fs.LongTimeFormat, p, fs, depth + 1);
        break;
      case u'C':
        Append(out, fs.ShortDateFormat, p, fs, depth + 1);
        if (p.Hour || p.Min || p.Sec || p.MSec) {
          out += u' ';
          Append(out, fs.LongTimeFormat, p, fs, depth + 1);
        }
        break;
      case u'A': {
        const bool pm = p.Hour >= 12;
        if (StartsWithCI(fmt, i, u"am/pm")) {
          const bool lower = fmt[i + (pm ? 3 : 0)] >= u'a';
          out += pm ? (lower ? u"pm" : u"PM") : (lower ? u"am" : u"AM");
          count = 5;
        } else if (StartsWithCI(fmt, i, u"a/p")) {
          const bool lower = fmt[i + (pm ? 2 : 0)] >= u'a';
          out += pm ? (lower ? u'p' : u'P') : (lower ? u'a' : u'A');
          count = 3;
        } else if (StartsWithCI(fmt, i, u"ampm")) {
          out += pm ? fs.TimePMString : fs.TimeAMString;
          count = 4;
        } else {
          out += start;
        }
        break;
      }
      case u'/': out += fs.DateSeparator; break;
      case u':': out += fs.TimeSeparator; break;
      case u'"':
      case u'\'': {
        size_t j = i + 1;
        while (j < n && fmt[j] != start) out += fmt[j++];
        count = (j < n ? j + 1 : j) - i;
        break;
      }
      default: out += start; break;
    }
    i += count;
  }
}

}  // namespace

void DateTimeToString(String& result, const String& fmt, TDateTime value, const TFormatSettings& fs) {
  Parts p;
  if (InRange(value)) {
    DecodeDateTime(value, p.Year, p.Month, p.Day, p.Hour, p.Min, p.Sec, p.MSec);
    p.Dow = DayOfWeek(value);
  }
  result.clear();
  Append(result, fmt.empty() ? String(u"c") : fmt, p, fs, 0);
}

String FormatDateTime(const String& fmt, TDateTime value, const TFormatSettings& fs) {
  String s;
  DateTimeToString(s, fmt, value, fs);
  return s;
}

String DateToStr(TDateTime value, const TFormatSettings& fs) { return FormatDateTime(u"ddddd", value, fs); }
String TimeToStr(TDateTime value, const TFormatSettings& fs) { return FormatDateTime(u"tt", value, fs); }
String DateTimeToStr(TDateTime value, const TFormatSettings& fs) { return FormatDateTime(u"c", value, fs); }

// ---- parsing ----------------------------------------------------------------------

namespace {

enum class DateOrder { DMY, MDY, YMD };

DateOrder OrderOf(const String& shortDateFormat) {
  for (Char c : shortDateFormat) {
    switch (Upper(c)) {
      case u'D': return DateOrder::DMY;
      case u'M': return DateOrder::MDY;
      case u'Y': return DateOrder::YMD;
      default: break;
    }
  }
  return DateOrder::DMY;
}

struct Scanner {
  const String& S;
  size_t Pos = 0;

  void Blanks() {
    while (Pos < S.size() && S[Pos] == u' ') ++Pos;
  }
  bool AtEnd() {
    Blanks();
    return Pos >= S.size();
  }
  bool Number(Integer& value, int& digits) {
    Blanks();
    digits = 0;
    value = 0;
    while (Pos < S.size() && S[Pos] >= u'0' && S[Pos] <= u'9') {
      if (digits == 4) return false;  // no field of a date or time is that long
      value = value * 10 + (S[Pos++] - u'0');
      ++digits;
    }
    return digits > 0;
  }
  bool Char_(Char c) {
    Blanks();
    if (Pos < S.size() && S[Pos] == c) {
      ++Pos;
      return true;
    }
    return false;
  }
  bool Text(const String& t) {
    Blanks();
    if (t.empty() || Pos + t.size() > S.size()) return false;
    for (size_t k = 0; k < t.size(); ++k)
      if (Upper(S[Pos + k]) != Upper(t[k])) return false;
    Pos += t.size();
    return true;
  }
};

Integer CurrentYear() {
  Word y, m, d;
  DecodeDate(Date(), y, m, d);
  return y;
}

bool ScanDate(Scanner& sc, TDateTime& date, const TFormatSettings& fs) {
  Integer n1, n2, n3 = 0;
  int l1, l2, l3 = 0;
  if (!sc.Number(n1, l1) || !sc.Char_(fs.DateSeparator) || !sc.Number(n2, l2)) return false;
  const bool three = sc.Char_(fs.DateSeparator);
  if (three && !sc.Number(n3, l3)) return false;
  Integer y, m, d;
  int yLen = 4;
  const DateOrder order = OrderOf(fs.ShortDateFormat);
  if (!three) {
    y = CurrentYear();
    if (order == DateOrder::DMY) {
      d = n1;
      m = n2;
    } else {
      m = n1;
      d = n2;
    }
  } else {
    switch (order) {
      case DateOrder::DMY:
        d = n1;
        m = n2;
        y = n3;
        yLen = l3;
        break;
      case DateOrder::MDY:
        m = n1;
        d = n2;
        y = n3;
        yLen = l3;
        break;
      default:
        y = n1;
        yLen = l1;
        m = n2;
        d = n3;
        break;
    }
    if (y <= 99 && yLen <= 2) {
      const Integer base = CurrentYear() - fs.TwoDigitYearCenturyWindow;
      y += base / 100 * 100;
      if (fs.TwoDigitYearCenturyWindow > 0 && y < base) y += 100;
    }
  }
  if (y < 0 || y > 9999 || m < 0 || m > 12 || d < 0 || d > 31) return false;
  return TryEncodeDate(static_cast<Word>(y), static_cast<Word>(m), static_cast<Word>(d), date);
}

bool ScanTime(Scanner& sc, TDateTime& time, const TFormatSettings& fs) {
  Integer h, n = 0, s = 0, ms = 0;
  int l;
  if (!sc.Number(h, l)) return false;
  bool separated = false;
  if (sc.Char_(fs.TimeSeparator)) {
    separated = true;
    if (!sc.Number(n, l)) return false;
    if (sc.Char_(fs.TimeSeparator)) {
      if (!sc.Number(s, l)) return false;
      if (sc.Char_(fs.DecimalSeparator) || sc.Char_(u'.')) {
        if (!sc.Number(ms, l)) return false;
      }
    }
  }
  Integer base = -1;
  if (sc.Text(u"AM") || (!fs.TimeAMString.empty() && sc.Text(fs.TimeAMString)) || sc.Text(u"A")) base = 0;
  else if (sc.Text(u"PM") || (!fs.TimePMString.empty() && sc.Text(fs.TimePMString)) || sc.Text(u"P")) base = 12;
  if (base < 0 && !separated) return false;
  if (base >= 0) {
    if (h > 12) return false;
    if (h == 12) h = 0;
    h += base;
  }
  if (h > 23 || n > 59 || s > 59 || ms > 999) return false;
  return TryEncodeTime(static_cast<Word>(h), static_cast<Word>(n), static_cast<Word>(s), static_cast<Word>(ms), time);
}

}  // namespace

bool TryStrToDate(const String& s, TDateTime& value, const TFormatSettings& fs) {
  Scanner sc{s};
  TDateTime d;
  if (!ScanDate(sc, d, fs) || !sc.AtEnd()) return false;
  value = d;
  return true;
}

bool TryStrToTime(const String& s, TDateTime& value, const TFormatSettings& fs) {
  Scanner sc{s};
  TDateTime t;
  if (!ScanTime(sc, t, fs) || !sc.AtEnd()) return false;
  value = t;
  return true;
}

bool TryStrToDateTime(const String& s, TDateTime& value, const TFormatSettings& fs) {
  Scanner sc{s};
  TDateTime d, t = 0;
  if (ScanDate(sc, d, fs)) {
    if (!sc.AtEnd() && (!ScanTime(sc, t, fs) || !sc.AtEnd())) return false;
    value = Combine(d, t);
    return true;
  }
  return TryStrToTime(s, value, fs);
}

TDateTime StrToDate(const String& s, const TFormatSettings& fs) {
  TDateTime v;
  if (!TryStrToDate(s, v, fs)) throw EConvertError(u"'" + s + u"' is not a valid date");
  return v;
}

TDateTime StrToTime(const String& s, const TFormatSettings& fs) {
  TDateTime v;
  if (!TryStrToTime(s, v, fs)) throw EConvertError(u"'" + s + u"' is not a valid time");
  return v;
}

TDateTime StrToDateTime(const String& s, const TFormatSettings& fs) {
  TDateTime v;
  if (!TryStrToDateTime(s, v, fs)) throw EConvertError(u"'" + s + u"' is not a valid date and time");
  return v;
}
