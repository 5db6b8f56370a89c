#pragma once
// The locale settings every number and date conversion reads at the time of use.
// They start as the Russian locale's; tests and the program may change them.

#include <array>

#include "platform/core/Types.h"

struct TFormatSettings {
  Char DecimalSeparator = u',';
  Char ThousandSeparator = u'\u00A0';
  Char DateSeparator = u'.';
  Char TimeSeparator = u':';
  Char ListSeparator = u';';
  String ShortDateFormat = u"dd.MM.yyyy";
  String LongDateFormat = u"d MMMM yyyy 'г.'";
  String ShortTimeFormat = u"H:mm";
  String LongTimeFormat = u"H:mm:ss";
  String TimeAMString;
  String TimePMString;
  Word TwoDigitYearCenturyWindow = 50;
  String CurrencyString = u"р.";
  Byte CurrencyFormat = 3;  // 0 "$1", 1 "1$", 2 "$ 1", 3 "1 $"
  Byte NegCurrFormat = 8;   // 0..15, the platform's negative currency patterns
  Byte CurrencyDecimals = 2;
  std::array<String, 12> ShortMonthNames{u"янв", u"фев", u"мар", u"апр", u"май", u"июн",
                                         u"июл", u"авг", u"сен", u"окт", u"ноя", u"дек"};
  std::array<String, 12> LongMonthNames{u"Январь", u"Февраль", u"Март",     u"Апрель",  u"Май",    u"Июнь",
                                        u"Июль",   u"Август",  u"Сентябрь", u"Октябрь", u"Ноябрь", u"Декабрь"};
  // Sunday first, as DayOfWeek counts.
  std::array<String, 7> ShortDayNames{u"Вс", u"Пн", u"Вт", u"Ср", u"Чт", u"Пт", u"Сб"};
  std::array<String, 7> LongDayNames{u"воскресенье", u"понедельник", u"вторник", u"среда",
                                     u"четверг",     u"пятница",     u"суббота"};
};

// The process-wide settings (the platform's global settings object).
extern TFormatSettings FormatSettings;
