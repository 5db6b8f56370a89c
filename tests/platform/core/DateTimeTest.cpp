#include "platform/core/DateTime.h"

#include <gtest/gtest.h>

#include "platform/core/Exceptions.h"

namespace {

class DateTimeTest : public ::testing::Test {
protected:
  void SetUp() override { FormatSettings = TFormatSettings{}; }
  void TearDown() override { FormatSettings = TFormatSettings{}; }
};

struct Ymd {
  Word Y, M, D;
};

Ymd Decoded(TDateTime v) {
  Ymd r{};
  DecodeDate(v, r.Y, r.M, r.D);
  return r;
}

// ---- encoding and decoding -----------------------------------------------------------

TEST_F(DateTimeTest, DayZeroIsTheEndOf1899) {
  EXPECT_EQ(EncodeDate(1899, 12, 30), 0.0);
  EXPECT_EQ(EncodeDate(1900, 1, 1), 2.0);
  EXPECT_EQ(EncodeDate(1899, 12, 29), -1.0);
  EXPECT_EQ(EncodeDate(2026, 12, 7), 46363.0);
  const Ymd zero = Decoded(0);
  EXPECT_EQ(zero.Y, 1899);
  EXPECT_EQ(zero.M, 12);
  EXPECT_EQ(zero.D, 30);
}

TEST_F(DateTimeTest, EveryDateRoundTripsFromYearOneToNineThousandNineHundredNinetyNine) {
  const TDateTime first = EncodeDate(1, 1, 1);
  const TDateTime last = EncodeDate(9999, 12, 31);
  EXPECT_EQ(first, -693593.0);
  EXPECT_EQ(last, 2958465.0);
  Word expectY = 1, expectM = 1, expectD = 1;
  for (TDateTime d = first; d <= last; d += 1) {
    const Ymd got = Decoded(d);
    ASSERT_EQ(got.Y, expectY) << d;
    ASSERT_EQ(got.M, expectM) << d;
    ASSERT_EQ(got.D, expectD) << d;
    ASSERT_EQ(EncodeDate(got.Y, got.M, got.D), d);
    if (++expectD > MonthDays[IsLeapYear(expectY)][expectM]) {
      expectD = 1;
      if (++expectM > 12) {
        expectM = 1;
        ++expectY;
      }
    }
  }
}

TEST_F(DateTimeTest, NegativeDatesCountTheirTimeForward) {
  const TDateTime v = EncodeDateTime(1899, 12, 29, 6, 0, 0, 0);
  EXPECT_EQ(v, -1.25);
  Word y, m, d, h, n, s, ms;
  DecodeDateTime(v, y, m, d, h, n, s, ms);
  EXPECT_EQ(y, 1899);
  EXPECT_EQ(m, 12);
  EXPECT_EQ(d, 29);
  EXPECT_EQ(h, 6);
  EXPECT_EQ(n, 0);
  const TDateTime old = EncodeDateTime(1812, 9, 7, 13, 30, 15, 500);
  DecodeDateTime(old, y, m, d, h, n, s, ms);
  EXPECT_EQ(y, 1812);
  EXPECT_EQ(m, 9);
  EXPECT_EQ(d, 7);
  EXPECT_EQ(h, 13);
  EXPECT_EQ(n, 30);
  EXPECT_EQ(s, 15);
  EXPECT_EQ(ms, 500);
}

TEST_F(DateTimeTest, TimesRoundTripToTheMillisecond) {
  for (Word h : {0, 9, 12, 23})
    for (Word n : {0, 5, 59})
      for (Word ms : {0, 1, 999}) {
        Word h2, n2, s2, ms2;
        DecodeTime(EncodeTime(h, n, 59, ms), h2, n2, s2, ms2);
        EXPECT_EQ(h2, h);
        EXPECT_EQ(n2, n);
        EXPECT_EQ(s2, 59);
        EXPECT_EQ(ms2, ms);
      }
}

TEST_F(DateTimeTest, InvalidPartsAreRefused) {
  TDateTime v = 7;
  EXPECT_FALSE(TryEncodeDate(2026, 2, 29, v));
  EXPECT_EQ(v, 7.0);
  EXPECT_TRUE(TryEncodeDate(2024, 2, 29, v));
  EXPECT_FALSE(TryEncodeDate(0, 1, 1, v));
  EXPECT_FALSE(TryEncodeDate(2026, 13, 1, v));
  EXPECT_THROW((void)EncodeDate(1900, 2, 29), EConvertError);
  EXPECT_THROW((void)EncodeTime(24, 0, 0, 0), EConvertError);
  EXPECT_THROW((void)EncodeTime(1, 60, 0, 0), EConvertError);
  EXPECT_FALSE(IsValidDate(2026, 4, 31));
  EXPECT_FALSE(IsLeapYear(1900));
  EXPECT_TRUE(IsLeapYear(2000));
}

TEST_F(DateTimeTest, DayOfWeekStartsOnSunday) {
  EXPECT_EQ(DayOfWeek(EncodeDate(2026, 12, 6)), 1);  // Sunday
  EXPECT_EQ(DayOfWeek(EncodeDate(2026, 12, 7)), 2);  // Monday
  EXPECT_EQ(DayOfWeek(0), 7);                        // 1899-12-30, a Saturday
}

TEST_F(DateTimeTest, TimeStampsCountDaysFromYearOne) {
  TTimeStamp ts = DateTimeToTimeStamp(0);
  EXPECT_EQ(ts.Date, 693594);
  EXPECT_EQ(ts.Time, 0);
  EXPECT_EQ(DateTimeToTimeStamp(EncodeDate(1, 1, 1)).Date, 1);
  ts = DateTimeToTimeStamp(-1.25);
  EXPECT_EQ(ts.Date, 693593);
  EXPECT_EQ(ts.Time, 6 * 3600 * 1000);
  EXPECT_EQ(TimeStampToDateTime(ts), -1.25);
  const TDateTime v = EncodeDateTime(2026, 12, 7, 21, 5, 3, 250);
  EXPECT_NEAR(TimeStampToDateTime(DateTimeToTimeStamp(v)), v, 1e-9);
  EXPECT_THROW((void)TimeStampToDateTime(TTimeStamp{-1, 5}), EConvertError);
  EXPECT_THROW((void)TimeStampToDateTime(TTimeStamp{0, 0}), EConvertError);
}

TEST_F(DateTimeTest, NowIsTodayPlusTheTime) {
  const TDateTime today = Date();
  const TDateTime now = Now();
  EXPECT_GE(now, today);
  EXPECT_LT(now, today + 1.001);
  EXPECT_EQ(today, static_cast<double>(static_cast<Int64>(today)));
}

// ---- formatting ----------------------------------------------------------------------------

TEST_F(DateTimeTest, FormatSpecifiers) {
  const TDateTime v = EncodeDateTime(2026, 12, 7, 21, 5, 3, 42);
  EXPECT_EQ(FormatDateTime(u"dd.mm.yyyy hh:nn:ss.zzz", v), u"07.12.2026 21:05:03.042");
  EXPECT_EQ(FormatDateTime(u"d/m/yy", v), u"7.12.26");
  EXPECT_EQ(FormatDateTime(u"h:mm", v), u"21:05");  // minutes after the hour
  EXPECT_EQ(FormatDateTime(u"dd.MM.yyyy H:mm:ss", v), u"07.12.2026 21:05:03");
  EXPECT_EQ(FormatDateTime(u"mmm mmmm", v), u"дек Декабрь");
  EXPECT_EQ(FormatDateTime(u"ddd dddd", v), u"Пн понедельник");
  EXPECT_EQ(FormatDateTime(u"'d:' d \"m\"", v), u"d: 7 m");
  EXPECT_EQ(FormatDateTime(u"hh:nn am/pm", v), u"09:05 pm");
  EXPECT_EQ(FormatDateTime(u"h A/P", EncodeTime(0, 30, 0, 0)), u"12 A");
  EXPECT_EQ(FormatDateTime(u"z", v), u"42");
}

TEST_F(DateTimeTest, DefaultFormatsFollowTheLocale) {
  const TDateTime day = EncodeDate(2026, 12, 7);
  EXPECT_EQ(DateTimeToStr(day), u"07.12.2026");
  EXPECT_EQ(DateTimeToStr(day + EncodeTime(9, 5, 3, 0)), u"07.12.2026 9:05:03");
  EXPECT_EQ(DateToStr(day), u"07.12.2026");
  EXPECT_EQ(TimeToStr(EncodeTime(9, 5, 3, 0)), u"9:05:03");
  EXPECT_EQ(FormatDateTime(u"", day), u"07.12.2026");
  EXPECT_EQ(FormatDateTime(u"t", EncodeTime(9, 5, 3, 0)), u"9:05");
  FormatSettings.DateSeparator = u'/';
  FormatSettings.ShortDateFormat = u"M/d/yyyy";
  EXPECT_EQ(DateToStr(day), u"12/7/2026");
}

TEST_F(DateTimeTest, AFormatThatNamesItselfStops) {
  FormatSettings.ShortDateFormat = u"c";
  EXPECT_NO_THROW((void)DateTimeToStr(1.5));
}

// ---- parsing ---------------------------------------------------------------------------------

TEST_F(DateTimeTest, StrToDateTimeReadsDayMonthYearAndTime) {
  EXPECT_EQ(StrToDateTime(u"07.12.2026 21:05:03"), EncodeDateTime(2026, 12, 7, 21, 5, 3, 0));
  EXPECT_EQ(StrToDateTime(u"7.1.2026"), EncodeDate(2026, 1, 7));
  EXPECT_EQ(StrToDateTime(u" 07.12.2026 "), EncodeDate(2026, 12, 7));
  EXPECT_EQ(StrToDateTime(u"29.12.1899 6:00"), -1.25);
  EXPECT_EQ(StrToDateTime(u"9:05"), EncodeTime(9, 5, 0, 0));
  EXPECT_EQ(StrToTime(u"9:05:03"), EncodeTime(9, 5, 3, 0));
  EXPECT_EQ(StrToTime(u"9:05 PM"), EncodeTime(21, 5, 0, 0));
  EXPECT_EQ(StrToDate(u"01.01.0001"), EncodeDate(1, 1, 1));
  // What the formatter writes, the parser reads back.
  const TDateTime v = EncodeDateTime(1950, 6, 30, 23, 59, 58, 0);
  EXPECT_EQ(StrToDateTime(DateTimeToStr(v)), v);
}

TEST_F(DateTimeTest, TwoDigitYearsFallInTheCenturyWindow) {
  const Integer thisYear = static_cast<Integer>(Decoded(Date()).Y);
  const Ymd got = Decoded(StrToDate(u"01.02.03"));
  EXPECT_EQ(got.Y % 100, 3);
  EXPECT_GE(got.Y, thisYear - 50);
  EXPECT_LT(got.Y, thisYear + 50);
  EXPECT_EQ(got.M, 2);
  EXPECT_EQ(got.D, 1);
  // Four typed digits are taken as they are.
  EXPECT_EQ(Decoded(StrToDate(u"01.02.0003")).Y, 3);
  // A missing year is this year.
  EXPECT_EQ(Decoded(StrToDate(u"01.02")).Y, thisYear);
}

TEST_F(DateTimeTest, OrderFollowsTheShortDateFormat) {
  FormatSettings.ShortDateFormat = u"M/d/yyyy";
  FormatSettings.DateSeparator = u'/';
  EXPECT_EQ(StrToDate(u"12/7/2026"), EncodeDate(2026, 12, 7));
  FormatSettings.ShortDateFormat = u"yyyy-MM-dd";
  FormatSettings.DateSeparator = u'-';
  EXPECT_EQ(StrToDate(u"2026-12-07"), EncodeDate(2026, 12, 7));
}

TEST_F(DateTimeTest, MalformedDatesRaiseConvertError) {
  try {
    (void)StrToDate(u"31.02.2026");
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), u"'31.02.2026' is not a valid date");
  }
  try {
    (void)StrToDateTime(u"07.12.2026 25:00");
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), u"'07.12.2026 25:00' is not a valid date and time");
  }
  try {
    (void)StrToTime(u"9");
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), u"'9' is not a valid time");
  }
  for (const char16_t* bad :
       {u"", u"abc", u"07/12/2026", u"07.12.2026x", u"07..2026", u"00.12.2026", u"07.12.12345", u"07.12.2026 9:"})
    EXPECT_THROW((void)StrToDateTime(bad), EConvertError) << ToUtf8(bad);
  TDateTime v = 3;
  EXPECT_FALSE(TryStrToDate(u"32.01.2026", v));
  EXPECT_EQ(v, 3.0);
}

}  // namespace
