// The date-time edit format: the mask, display format and element table it gives,
// and reading an edit text back into a date-time.

#include <gtest/gtest.h>

#include "editors/DBCtrlsEh.h"
#include "platform/core/DateTime.h"

namespace {

class EditFormat : public ::testing::Test {
protected:
  TFormatSettings Saved = FormatSettings;
  void SetUp() override {
    FormatSettings = TFormatSettings();
    FormatSettings.ShortDateFormat = u"dd.MM.yyyy";
    FormatSettings.TwoDigitYearCenturyWindow = 50;
  }
  void TearDown() override { FormatSettings = Saved; }

  static TDateTimeElementsInfoEh Elements(const String& Format) {
    String mask;
    TDateTimeElementsInfoEh elements;
    ParseEditFormat(Format, mask, elements);
    return elements;
  }
  static String Mask(const String& Format) {
    String mask;
    TDateTimeElementsInfoEh elements;
    ParseEditFormat(Format, mask, elements);
    return mask;
  }
  static String ErrorOf(const String& Format) {
    try {
      Mask(Format);
    } catch (const Exception& e) {
      return e.Message();
    }
    return u"(no error)";
  }
  static Word YearOf(TDateTime D) {
    Word y, m, d;
    DecodeDate(D, y, m, d);
    return y;
  }
};

// ---- the format --------------------------------------------------------------------------------------

TEST_F(EditFormat, DayMonthYearGivesTheMaskTheDisplayFormatAndTheElementPlaces) {
  EXPECT_EQ(Mask(u"DD/MM/YYYY"), u"!99/99/9999;1; ");
  EXPECT_EQ(EditFormatToDisplayFormat(u"DD/MM/YYYY"), u"DD/MM/YYYY");
  const TDateTimeElementsInfoEh e = Elements(u"DD/MM/YYYY");
  EXPECT_EQ(e[dteDayEh].Pos, 1);
  EXPECT_EQ(e[dteDayEh].Length, 2);
  EXPECT_EQ(e[dteMonthEh].Pos, 4);
  EXPECT_EQ(e[dteMonthEh].Length, 2);
  EXPECT_EQ(e[dteYearEh].Pos, 7);
  EXPECT_EQ(e[dteYearEh].Length, 4);
  EXPECT_FALSE(e[dteHourEh].Present);
  EXPECT_EQ(e[dteHourEh].Pos, -1);
  EXPECT_EQ(e[dteHourEh].Length, -1);
}

TEST_F(EditFormat, LettersCountInEitherCaseAndTimesTakeTheirPlacesAfterTheDate) {
  const TDateTimeElementsInfoEh e = Elements(u"dd/mm/yy hh:nn:ss");
  EXPECT_EQ(e[dteYearEh].Pos, 7);
  EXPECT_EQ(e[dteYearEh].Length, 2);
  EXPECT_EQ(e[dteHourEh].Pos, 10);
  EXPECT_EQ(e[dteMinuteEh].Pos, 13);
  EXPECT_EQ(e[dteSecondEh].Pos, 16);
  EXPECT_EQ(Mask(u"dd/mm/yy hh:nn:ss"), u"!99/99/99 99:99:99;1; ");
  EXPECT_EQ(EditFormatToDisplayFormat(u"dd/mm/yy hh:nn:ss"), u"DD/MM/YY' 'HH:NN:SS");
}

TEST_F(EditFormat, BadElementsAreRefusedWithMessagesNamingThem) {
  EXPECT_EQ(ErrorOf(u"DDD"), u"Element in EditFormat: \"DDD\" is too long. Pos: 3");
  EXPECT_EQ(ErrorOf(u"D/MM"), u"Invalid datetime format element length: \"D\"");
  EXPECT_EQ(ErrorOf(u"DD/MM/yyy"), u"Invalid datetime format element length: \"Y\"");
  EXPECT_EQ(ErrorOf(u"DD/MM/DD"), u"Duplicating datetime format element: \"D\"");
  EXPECT_EQ(ErrorOf(u"YYYYY"), u"Element in EditFormat: \"YYYYY\" is too long. Pos: 5");
}

TEST_F(EditFormat, ABackslashMakesALiteralAndMaskCharactersAreEscaped) {
  // "\D" is the letter D itself; it takes one place of the text, the backslash none.
  EXPECT_EQ(Mask(u"\\DDD"), u"!D99;1; ");
  EXPECT_EQ(Elements(u"\\DDD")[dteDayEh].Pos, 2);
  EXPECT_EQ(EditFormatToDisplayFormat(u"\\DDD"), u"'D'DD");
  EXPECT_EQ(EditFormatTemplateEh(u"\\DDD"), u" DD");
  // A literal the mask would read as a picture character is escaped for it.
  EXPECT_EQ(Mask(u"DD A"), u"!99 \\A;1; ");
  EXPECT_EQ(Mask(u"HH:NN 0"), u"!99:99 \\0;1; ");
}

TEST_F(EditFormat, LiteralsOtherThanTheSeparatorsAreQuotedForDisplayAndBlankInTheTemplate) {
  EXPECT_EQ(EditFormatToDisplayFormat(u"DD.MM.YYYY"), u"DD'.'MM'.'YYYY");
  EXPECT_EQ(EditFormatTemplateEh(u"DD.MM.YYYY"), u"DD MM YYYY");
  EXPECT_EQ(EditFormatTemplateEh(u"dd/mm/yyyy hh:nn"), u"DD/MM/YYYY HH:NN");
  EXPECT_EQ(FormatDateTime(EditFormatToDisplayFormat(u"DD.MM.YYYY г."), EncodeDate(2024, 3, 5)), u"05.03.2024 г.");
}

TEST_F(EditFormat, TheDefaultDateFormatFollowsTheOrderOfTheLocalesShortDate) {
  EXPECT_EQ(DefaultDateEditFormatEh(true), u"DD/MM/YYYY");
  EXPECT_EQ(DefaultDateEditFormatEh(false), u"DD/MM/YY");
  FormatSettings.ShortDateFormat = u"M/d/yyyy";
  EXPECT_EQ(DefaultDateEditFormatEh(true), u"MM/DD/YYYY");
  FormatSettings.ShortDateFormat = u"yyyy-MM-dd";
  EXPECT_EQ(DefaultDateEditFormatEh(false), u"YY/MM/DD");
  FormatSettings.ShortDateFormat = u"ggg";
  EXPECT_EQ(DefaultDateEditFormatEh(true), u"DD/MM/YYYY");
}

// ---- reading a text ------------------------------------------------------------------------------------

TEST_F(EditFormat, TheTextGivesTheNumbersAtTheElementsPlacesAndMinusOneForBlanksAndOtherCharacters) {
  const TDateTimeElementsInfoEh e = Elements(u"DD/MM/YYYY HH:NN");
  const TDateTimeElementValuesEh v = TextToElementValues(u"15.03.2024  9:x5", e);
  EXPECT_EQ(v[dteDayEh], 15);
  EXPECT_EQ(v[dteMonthEh], 3);
  EXPECT_EQ(v[dteYearEh], 2024);
  EXPECT_EQ(v[dteHourEh], 9);
  EXPECT_EQ(v[dteMinuteEh], -1);
  EXPECT_EQ(v[dteSecondEh], -1);
  EXPECT_EQ(TextToElementValues(u"  .03.2024", e)[dteDayEh], -1);
}

TEST_F(EditFormat, TwoDigitYearsFallInTheCenturyWindow) {
  const TDateTimeElementsInfoEh e = Elements(u"DD/MM/YY");
  // A window of 50 years back from this year.
  EXPECT_EQ(TextToElementValues(u"01.02.24", e)[dteYearEh], 2024);
  EXPECT_EQ(TextToElementValues(u"01.02.99", e)[dteYearEh], 1999);
  // Without a window the years are this century's.
  FormatSettings.TwoDigitYearCenturyWindow = 0;
  EXPECT_EQ(TextToElementValues(u"01.02.99", e)[dteYearEh], 2099);
  // In a four-digit year every year below 100 is such a year too, however many digits it has.
  const TDateTimeElementsInfoEh four = Elements(u"DD/MM/YYYY");
  EXPECT_EQ(TextToElementValues(u"01.02.24  ", four)[dteYearEh], 2024);
  EXPECT_EQ(TextToElementValues(u"01.02.0024", four)[dteYearEh], 2024);
  EXPECT_EQ(TextToElementValues(u"01.02.0100", four)[dteYearEh], 100);
}

// ---- combining -----------------------------------------------------------------------------------------

TEST_F(EditFormat, AllElementsMissingGiveNull) {
  Variant v = Variant::FromDate(EncodeDate(2024, 3, 15));
  EXPECT_TRUE(ElementValuesToValue({-1, -1, -1, -1, -1, -1}, Elements(u"DD/MM/YYYY"), v, false));
  EXPECT_TRUE(v.IsNull());
}

TEST_F(EditFormat, WithoutNormalisingAnIncompleteOrImpossibleDateFailsAsNull) {
  const TDateTimeElementsInfoEh e = Elements(u"DD/MM/YYYY");
  Variant v = Variant::FromDate(EncodeDate(2024, 3, 15));
  EXPECT_FALSE(ElementValuesToValue({-1, 2, 1, -1, -1, -1}, e, v, false));
  EXPECT_TRUE(v.IsNull());
  v = Variant::FromDate(EncodeDate(2024, 3, 15));
  EXPECT_FALSE(ElementValuesToValue({2023, 2, 29, -1, -1, -1}, e, v, false));
  EXPECT_TRUE(v.IsNull());
  EXPECT_TRUE(ElementValuesToValue({2024, 2, 29, -1, -1, -1}, e, v, false));
  EXPECT_EQ(v.AsDateTime(), EncodeDate(2024, 2, 29));
}

TEST_F(EditFormat, TheFormatsElementsReplaceTheirPartsOfTheValueAndTheRestStays) {
  Variant v = Variant::FromDate(EncodeDateTime(2024, 3, 15, 10, 30, 15, 250));
  EXPECT_TRUE(ElementValuesToValue({2025, 1, 2, -1, -1, -1}, Elements(u"DD/MM/YYYY"), v, false));
  EXPECT_EQ(v.AsDateTime(), EncodeDateTime(2025, 1, 2, 10, 30, 15, 250));
  // A time format keeps the date.
  EXPECT_TRUE(ElementValuesToValue({-1, -1, -1, 8, 5, 0}, Elements(u"HH:NN:SS"), v, false));
  EXPECT_EQ(v.AsDateTime(), EncodeDateTime(2025, 1, 2, 8, 5, 0, 250));
  // From Null the value starts at the first of January 1900.
  v = Null();
  EXPECT_TRUE(ElementValuesToValue({-1, -1, -1, 8, 5, 0}, Elements(u"HH:NN:SS"), v, false));
  EXPECT_EQ(v.AsDateTime(), EncodeDateTime(1900, 1, 1, 8, 5, 0, 0));
}

TEST_F(EditFormat, NormalisingFillsMissingDatePartsFromTodayAndCutsValuesToTheirRange) {
  const TDateTimeElementsInfoEh e = Elements(u"DD/MM/YYYY HH:NN:SS");
  Variant v = Null();
  EXPECT_TRUE(ElementValuesToValue({-1, 2, 1, -1, -1, -1}, e, v, true));
  EXPECT_EQ(YearOf(v.AsDateTime()), YearOf(Date()));
  EXPECT_TRUE(ElementValuesToValue({2023, 2, 31, 25, 75, 61}, e, v, true));
  EXPECT_EQ(v.AsDateTime(), EncodeDateTime(2023, 2, 28, 23, 59, 59, 0));
  EXPECT_TRUE(ElementValuesToValue({2024, 13, 31, 0, 0, 0}, e, v, true));
  EXPECT_EQ(v.AsDateTime(), EncodeDate(2024, 12, 31));
}

}  // namespace
