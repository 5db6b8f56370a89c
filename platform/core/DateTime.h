#pragma once
// Dates and times: TDateTime (days since 1899-12-30, the fraction the time of
// day; a negative value's fraction still counts forward from midnight), encoding,
// decoding, and the locale's text forms.

#include "platform/core/FormatSettings.h"

inline constexpr Integer HoursPerDay = 24;
inline constexpr Integer MinsPerDay = 24 * 60;
inline constexpr Integer SecsPerDay = MinsPerDay * 60;
inline constexpr Integer MSecsPerDay = SecsPerDay * 1000;
// Days between 0001-01-01 and 1899-12-30, plus one: the time stamp's day of 1899-12-30.
inline constexpr Integer DateDelta = 693594;

// Month lengths: MonthDays[IsLeapYear(y)][month], months 1..12.
inline constexpr Word MonthDays[2][13] = {{0, 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31},
                                          {0, 31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31}};

struct TTimeStamp {
  Integer Time = 0;  // milliseconds since midnight
  Integer Date = 0;  // days since 0000-12-31 (0001-01-01 is 1)
};

bool IsLeapYear(Word year);
bool IsValidDate(Word year, Word month, Word day);
bool IsValidTime(Word hour, Word min, Word sec, Word msec);
bool TryEncodeDate(Word year, Word month, Word day, TDateTime& date);
bool TryEncodeTime(Word hour, Word min, Word sec, Word msec, TDateTime& time);
// EConvertError "Invalid argument to date encode" / "... time encode".
TDateTime EncodeDate(Word year, Word month, Word day);
TDateTime EncodeTime(Word hour, Word min, Word sec, Word msec);
TDateTime EncodeDateTime(Word year, Word month, Word day, Word hour, Word min, Word sec, Word msec);
bool TryEncodeDateTime(Word year, Word month, Word day, Word hour, Word min, Word sec, Word msec, TDateTime& value);
void DecodeDate(TDateTime date, Word& year, Word& month, Word& day);
void DecodeTime(TDateTime time, Word& hour, Word& min, Word& sec, Word& msec);
void DecodeDateTime(TDateTime value, Word& year, Word& month, Word& day, Word& hour, Word& min, Word& sec, Word& msec);
// 1 is Sunday ... 7 is Saturday.
Word DayOfWeek(TDateTime date);

TTimeStamp DateTimeToTimeStamp(TDateTime value);
TDateTime TimeStampToDateTime(const TTimeStamp& ts);

TDateTime Now();
TDateTime Date();
TDateTime Time();

// Specifiers (letters in any case): c d dd ddd dddd ddddd dddddd m mm mmm mmmm
// (minutes right after an hour) yy yyyy h hh n nn s ss z zzz t tt am/pm a/p ampm;
// '/' and ':' print the locale's separators; "..." and '...' are literal.
// An empty format is "c".
String FormatDateTime(const String& fmt, TDateTime value, const TFormatSettings& fs = FormatSettings);
void DateTimeToString(String& result, const String& fmt, TDateTime value, const TFormatSettings& fs = FormatSettings);
String DateToStr(TDateTime value, const TFormatSettings& fs = FormatSettings);
String TimeToStr(TDateTime value, const TFormatSettings& fs = FormatSettings);
String DateTimeToStr(TDateTime value, const TFormatSettings& fs = FormatSettings);

// Parsing in the order of ShortDateFormat (day-month-year for "dd.MM.yyyy");
// a missing year is the current one; a year of one or two digits falls in the
// TwoDigitYearCenturyWindow. EConvertError "'%s' is not a valid date" /
// "... time" / "... date and time".
bool TryStrToDate(const String& s, TDateTime& value, const TFormatSettings& fs = FormatSettings);
bool TryStrToTime(const String& s, TDateTime& value, const TFormatSettings& fs = FormatSettings);
bool TryStrToDateTime(const String& s, TDateTime& value, const TFormatSettings& fs = FormatSettings);
TDateTime StrToDate(const String& s, const TFormatSettings& fs = FormatSettings);
TDateTime StrToTime(const String& s, const TFormatSettings& fs = FormatSettings);
TDateTime StrToDateTime(const String& s, const TFormatSettings& fs = FormatSettings);
