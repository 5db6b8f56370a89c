#include "platform/core/Format.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

class FormatTest : public ::testing::Test {
protected:
  void SetUp() override { FormatSettings = TFormatSettings{}; }
  void TearDown() override { FormatSettings = TFormatSettings{}; }
};

const String NBSP(1, u'\u00A0');

// ---- Format -------------------------------------------------------------------------

TEST_F(FormatTest, IndexedArgumentsAndTheNextOneAfterThem) {
  EXPECT_EQ(Format(u"%1:s %0:s %s", {u"a", u"b"}), u"b a b");
  EXPECT_EQ(Format(u"Поле '%0:s' в '%1:s': %0:s", {u"ID", u"T"}), u"Поле 'ID' в 'T': ID");
}

TEST_F(FormatTest, WidthsPrecisionsAndStars) {
  EXPECT_EQ(Format(u"[%5d|%-5d|%.3d]", {42, 42, 42}), u"[   42|42   |042]");
  EXPECT_EQ(Format(u"[%*d]", {4, 7}), u"[   7]");
  EXPECT_EQ(Format(u"[%-*.*f]", {6, 1, 2.25}), u"[2,3   ]");
  EXPECT_EQ(Format(u"[%6s][%-4s][%.2s]", {u"ab", u"ab", u"abc"}), u"[    ab][ab  ][ab]");
  EXPECT_EQ(Format(u"%d%%", {50}), u"50%");
}

TEST_F(FormatTest, EachConversionInTheLocale) {
  EXPECT_EQ(Format(u"%x %.4x", {255, 255}), u"FF 00FF");
  EXPECT_EQ(Format(u"%x", {-1}), u"FFFFFFFF");
  EXPECT_EQ(Format(u"%u", {-1}), u"4294967295");
  EXPECT_EQ(Format(u"%d", {Int64(-9000000000LL)}), u"-9000000000");
  EXPECT_EQ(Format(u"%.2f", {3.14159}), u"3,14");
  EXPECT_EQ(Format(u"%f", {2}), u"2,00");
  EXPECT_EQ(Format(u"%e", {1234.5}), u"1,23450000000000E+003");
  EXPECT_EQ(Format(u"%g", {0.5}), u"0,5");
  EXPECT_EQ(Format(u"%n", {1234567.891}), u"1" + NBSP + u"234" + NBSP + u"567,89");
  EXPECT_EQ(Format(u"%m", {5}), u"5,00 р.");
  EXPECT_EQ(Format(u"%s", {5}), u"5");
  EXPECT_EQ(Format(u"%s", {Null()}), u"");
  int object = 0;
  EXPECT_EQ(Format(u"%p", {static_cast<const void*>(&object)}).size(), 2 * sizeof(void*));
}

TEST_F(FormatTest, WrongArgumentsRaiseConvertError) {
  try {
    (void)Format(u"%d", {u"x"});
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), u"Format '%d' invalid or incompatible with argument");
  }
  EXPECT_THROW((void)Format(u"%d", {1.5}), EConvertError);
  EXPECT_THROW((void)Format(u"%d %d", {1}), EConvertError);
  EXPECT_THROW((void)Format(u"%3:s", {1}), EConvertError);
  EXPECT_THROW((void)Format(u"%q", {1}), EConvertError);
  EXPECT_THROW((void)Format(u"abc %", {1}), EConvertError);
}

// ---- float text -----------------------------------------------------------------------

TEST_F(FormatTest, FloatToStrUsesFifteenDigitsAndTheLocaleSeparator) {
  EXPECT_EQ(FloatToStr(1.5), u"1,5");
  EXPECT_EQ(FloatToStr(0.1 + 0.2), u"0,3");
  EXPECT_EQ(FloatToStr(-2.5), u"-2,5");
  EXPECT_EQ(FloatToStr(0), u"0");
  EXPECT_EQ(FloatToStr(123456789012345.0), u"123456789012345");
  EXPECT_EQ(FloatToStr(1e15), u"1E15");
  EXPECT_EQ(FloatToStr(0.0001), u"0,0001");
  EXPECT_EQ(FloatToStr(0.00001), u"1E-5");
  EXPECT_EQ(FloatToStr(-1.25e-7), u"-1,25E-7");
  EXPECT_EQ(FloatToStr(NAN), u"NAN");
  FormatSettings.DecimalSeparator = u'.';
  EXPECT_EQ(FloatToStr(1.5), u"1.5");
}

TEST_F(FormatTest, FloatToStrFLayouts) {
  EXPECT_EQ(FloatToStrF(2.5, ffFixed, 15, 0), u"3");
  EXPECT_EQ(FloatToStrF(-0.001, ffFixed, 15, 2), u"0,00");
  EXPECT_EQ(FloatToStrF(1234567.5, ffNumber, 15, 2), u"1" + NBSP + u"234" + NBSP + u"567,50");
  EXPECT_EQ(FloatToStrF(1234.5, ffExponent, 4, 2), u"1,235E+03");
  EXPECT_EQ(FloatToStrF(0.000123, ffExponent, 3, 0), u"1,23E-4");
  EXPECT_EQ(FloatToStrF(-5, ffCurrency, 15, 2), u"-5,00 р.");
  EXPECT_EQ(FloatToStrF(1e20, ffFixed, 15, 2), u"1E20");  // too wide for fixed digits
  FormatSettings.CurrencyString = u"$";
  FormatSettings.CurrencyFormat = 0;
  FormatSettings.NegCurrFormat = 0;
  EXPECT_EQ(FloatToStrF(5, ffCurrency, 15, 2), u"$5,00");
  EXPECT_EQ(FloatToStrF(-5, ffCurrency, 15, 2), u"($5,00)");
}

TEST_F(FormatTest, FormatFloatPlaceholdersAndSeparators) {
  EXPECT_EQ(FormatFloat(u"0.00", 3), u"3,00");
  EXPECT_EQ(FormatFloat(u"#.##", 1), u"1");
  EXPECT_EQ(FormatFloat(u"#.##", 1.5), u"1,5");
  EXPECT_EQ(FormatFloat(u"000", 5), u"005");
  EXPECT_EQ(FormatFloat(u"#,##0.00", 1234567.891), u"1" + NBSP + u"234" + NBSP + u"567,89");
  EXPECT_EQ(FormatFloat(u"#,##0", 999), u"999");
  EXPECT_EQ(FormatFloat(u"0", 123456), u"123456");
  EXPECT_EQ(FormatFloat(u"\"Итого: \"0' шт.'", 5), u"Итого: 5 шт.");
  EXPECT_EQ(FormatFloat(u"", 1.5), u"1,5");
  EXPECT_EQ(FormatFloat(u"0.00", -1.5), u"-1,50");
  EXPECT_EQ(FormatFloat(u"#.##", 0.5), u",5");
  EXPECT_EQ(FormatFloat(u"#.##", 0), u"");
  EXPECT_EQ(FormatFloat(u"0.00%", 12.5), u"12,50%");
  EXPECT_EQ(FormatFloat(u"#,##0.00", 1.5e25), u"1,5E25");  // no invented digits
}

TEST_F(FormatTest, FormatFloatRoundsHalfAwayFromZeroOnTheShownDigits) {
  EXPECT_EQ(FormatFloat(u"0", 0.5), u"1");
  EXPECT_EQ(FormatFloat(u"0", 2.5), u"3");
  EXPECT_EQ(FormatFloat(u"0", -2.5), u"-3");
  EXPECT_EQ(FormatFloat(u"0.00", 0.125), u"0,13");
  EXPECT_EQ(FormatFloat(u"0.00", 1.005), u"1,01");  // as read, not as stored in binary
  EXPECT_EQ(FormatFloat(u"0.0", 9.96), u"10,0");
  EXPECT_EQ(FormatFloat(u"0.0", -0.01), u"0,0");  // never "-0,0"
}

TEST_F(FormatTest, FormatFloatSections) {
  const String fmt = u"0.00;(0.00);'ноль'";
  EXPECT_EQ(FormatFloat(fmt, 5), u"5,00");
  EXPECT_EQ(FormatFloat(fmt, -5), u"(5,00)");
  EXPECT_EQ(FormatFloat(fmt, 0), u"ноль");
  EXPECT_EQ(FormatFloat(fmt, 0.001), u"ноль");            // rounds to zero
  EXPECT_EQ(FormatFloat(u"0.00;;'ноль'", -5), u"-5,00");  // empty negative section
}

TEST_F(FormatTest, FormatFloatScientific) {
  EXPECT_EQ(FormatFloat(u"0.00E+00", 1234.5), u"1,23E+03");
  EXPECT_EQ(FormatFloat(u"0.###E-0", 0.00012), u"1,2E-4");
  EXPECT_EQ(FormatFloat(u"0.0E+0", 0), u"0,0E+0");
}

TEST_F(FormatTest, CurrencyTextIsExact) {
  EXPECT_EQ(CurrToStr(Currency::FromRaw(15000)), u"1,5");
  EXPECT_EQ(CurrToStr(Currency::FromRaw(-1)), u"-0,0001");
  EXPECT_EQ(CurrToStrF(Currency::FromRaw(-12345678), ffCurrency, 2), u"-1" + NBSP + u"234,57 р.");
  EXPECT_EQ(CurrToStrF(Currency::FromRaw(std::numeric_limits<Int64>::max()), ffFixed, 4), u"922337203685477,5807");
  EXPECT_EQ(FormatCurr(u"0.00", Currency::FromRaw(10050)), u"1,01");
}

// ---- parsing ------------------------------------------------------------------------------

TEST_F(FormatTest, StrToFloatReadsTheLocaleNotation) {
  EXPECT_EQ(StrToFloat(u"1,5"), 1.5L);
  EXPECT_EQ(StrToFloat(u"  -2,25E2 "), -225.0L);
  EXPECT_EQ(StrToFloat(u"+7"), 7.0L);
  EXPECT_EQ(StrToFloat(u",5"), 0.5L);
  // Extended precision: not the double nearest to 0.1.
  EXPECT_EQ(StrToFloat(u"0,1"), 0.1L);
  EXPECT_NE(StrToFloat(u"0,1"), static_cast<Extended>(0.1));
  FormatSettings.DecimalSeparator = u'.';
  EXPECT_EQ(StrToFloat(u"1.5"), 1.5L);
}

TEST_F(FormatTest, MalformedNumbersRaiseConvertError) {
  try {
    (void)StrToFloat(u"1.5");
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), u"'1.5' is not a valid floating point value");
  }
  for (const char16_t* bad : {u"", u" ", u",", u"1,5x", u"1e", u"--1", u"1 000", u"INF", u"1e99999"})
    EXPECT_THROW((void)StrToFloat(bad), EConvertError) << ToUtf8(bad);
  Extended v = 42;
  EXPECT_FALSE(TryStrToFloat(u"abc", v));
  EXPECT_EQ(v, 42.0L);
  EXPECT_EQ(StrToFloatDef(u"abc", -1), -1.0L);
  double d;
  EXPECT_FALSE(TryStrToFloat(u"1e400", d));  // fits Extended, not double
}

TEST_F(FormatTest, StrToCurrRoundsToFourDecimals) {
  EXPECT_EQ(StrToCurr(u"12,34567").Raw, 123457);
  EXPECT_EQ(StrToCurr(u"-0,00005").Raw, 0);  // exact decimal, half to even
  EXPECT_EQ(StrToCurr(u"0,00015").Raw, 2);
  EXPECT_EQ(StrToCurr(u"1,5E3").Raw, 15000000);
  EXPECT_EQ(StrToCurr(u"922337203685477,5807").Raw, std::numeric_limits<Int64>::max());
  EXPECT_THROW((void)StrToCurr(u"1e30"), EConvertError);
  EXPECT_THROW((void)StrToCurr(u"x"), EConvertError);
}

// ---- rounding -------------------------------------------------------------------------------

TEST_F(FormatTest, RoundIsBankers) {
  EXPECT_EQ(Round(2.5), 2);
  EXPECT_EQ(Round(3.5), 4);
  EXPECT_EQ(Round(0.5), 0);
  EXPECT_EQ(Round(1.5), 2);
  EXPECT_EQ(Round(-2.5), -2);
  EXPECT_EQ(Round(2.6), 3);
  EXPECT_THROW((void)Round(NAN), EInvalidOp);
  EXPECT_THROW((void)Round(1e30), EInvalidOp);
}

TEST_F(FormatTest, RoundToAndTruncation) {
  EXPECT_NEAR(static_cast<double>(RoundTo(1.2345, -2)), 1.23, 1e-12);
  EXPECT_NEAR(static_cast<double>(RoundTo(1234, 2)), 1200, 1e-9);
  EXPECT_NEAR(static_cast<double>(SimpleRoundTo(-2.345, -2)), -2.35, 1e-12);
  EXPECT_EQ(Trunc(-1.7), -1);
  EXPECT_EQ(Trunc(1.7), 1);
  EXPECT_NEAR(static_cast<double>(Frac(-1.25)), -0.25, 1e-15);
  EXPECT_EQ(FloatToCurr(0.03125).Raw, 312);  // 312.5 ties to even
  EXPECT_EQ(FloatToCurr(0.03135).Raw, 314);
}

}  // namespace
