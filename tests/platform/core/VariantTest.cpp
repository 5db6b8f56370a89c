#include "platform/core/Variant.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>

#include "platform/core/DateTime.h"
#include "platform/core/FormatSettings.h"
#include "platform/core/VariantText.h"

namespace {

class VariantTest : public ::testing::Test {
protected:
  void SetUp() override { FormatSettings = TFormatSettings{}; }
  void TearDown() override { FormatSettings = TFormatSettings{}; }
};

Word MonthOf(TDateTime v) {
  Word y, m, d;
  DecodeDate(v, y, m, d);
  return m;
}

// ---- what each value is ------------------------------------------------------

TEST_F(VariantTest, ValuesCarryThePlatformTypeCodes) {
  EXPECT_EQ(VarType(Variant()), varEmpty);
  EXPECT_EQ(VarType(Null()), varNull);
  EXPECT_EQ(VarType(Variant(Smallint(1))), 2);
  EXPECT_EQ(VarType(Variant(1)), 3);
  EXPECT_EQ(VarType(Variant(1.5f)), 4);
  EXPECT_EQ(VarType(Variant(1.5)), 5);
  EXPECT_EQ(VarType(Variant(Currency::FromRaw(10000))), 6);
  EXPECT_EQ(VarType(Variant::FromDate(1.0)), 7);
  EXPECT_EQ(VarType(Variant(u"x")), 8);
  EXPECT_EQ(VarType(Variant(true)), 11);
  EXPECT_EQ(VarType(Variant(Shortint(1))), 16);
  EXPECT_EQ(VarType(Variant(Byte(1))), 17);
  EXPECT_EQ(VarType(Variant(Word(1))), 18);
  EXPECT_EQ(VarType(Variant(LongWord(1))), 19);
  EXPECT_EQ(VarType(Variant(Int64(1))), 20);
  EXPECT_EQ(VarType(Variant::FromAnsiStr(u"x")), 0x100);
  EXPECT_EQ(VarType(VarArrayOf({1, 2})), 0x200C);
  EXPECT_EQ(VarType(VarArrayCreate({0, 3}, varByte)), 0x2011);
}

TEST_F(VariantTest, TextIsReadInPlaceOnlyFromStringTypes) {
  const Variant ole(String(u"Каталог"));
  ASSERT_NE(VarStrRef(ole), nullptr);
  EXPECT_EQ(*VarStrRef(ole), u"Каталог");
  const Variant ansi = Variant::FromAnsiStr(u"abc");
  ASSERT_NE(VarStrRef(ansi), nullptr);
  EXPECT_EQ(*VarStrRef(ansi), u"abc");
  EXPECT_EQ(VarStrRef(Variant(12)), nullptr);
  EXPECT_EQ(VarStrRef(Null()), nullptr);
  EXPECT_EQ(VarStrRef(Variant()), nullptr);
}

TEST_F(VariantTest, ObjectReferencesKeepAllSixtyFourBits) {
  int object = 0;
  const auto bits = reinterpret_cast<std::intptr_t>(&object);
  const Variant v(static_cast<Int64>(bits));
  EXPECT_EQ(VarType(v), varInt64);
  EXPECT_EQ(reinterpret_cast<int*>(static_cast<std::intptr_t>(v.AsInt64())), &object);
}

// ---- comparison ----------------------------------------------------------------

TEST_F(VariantTest, FiveEqualsFiveWhateverItsNumericType) {
  const Variant fives[] = {Variant(Smallint(5)),
                           Variant(5),
                           Variant(Int64(5)),
                           Variant(5.0),
                           Variant(5.0f),
                           Variant(Byte(5)),
                           Variant(Currency::FromRaw(50000))};
  for (const Variant& a : fives)
    for (const Variant& b : fives) {
      EXPECT_TRUE(a == b) << VarType(a) << " vs " << VarType(b);
      EXPECT_EQ(VarCompareValue(a, b), TVarCompareResult::vrEqual);
    }
}

TEST_F(VariantTest, NumbersOrderAcrossTypesExactly) {
  EXPECT_TRUE(Variant(2) < Variant(2.5));
  EXPECT_TRUE(Variant(Currency::FromRaw(25001)) > Variant(2.5));
  EXPECT_TRUE(Variant(Int64(-1)) < Variant(LongWord(1)));
  // 2^53 + 1 is not a double; it must still compare above 2^53.
  EXPECT_EQ(VarCompareValue(Variant(Int64(9007199254740993LL)), Variant(9007199254740992.0)),
            TVarCompareResult::vrGreaterThan);
  EXPECT_TRUE(Variant(Currency::FromRaw(1000)) == Variant(0.1));
}

TEST_F(VariantTest, StringsFacingNumbersAreReadInTheLocaleNotation) {
  EXPECT_TRUE(Variant(u"1,5") == Variant(1.5));
  EXPECT_TRUE(Variant(u"10") > Variant(9));  // numerically, not as text
  FormatSettings.DecimalSeparator = u'.';
  EXPECT_TRUE(Variant(u"1.5") == Variant(1.5));
}

TEST_F(VariantTest, StringsCompareInTheRussianOrder) {
  // U+0451 sorts after U+0436 by code, but the alphabet puts it with the other e.
  EXPECT_TRUE(Variant(u"ёж") < Variant(u"жук"));
  EXPECT_TRUE(Variant(u"Б") > Variant(u"а"));
  EXPECT_TRUE(Variant(u"abc") == Variant::FromAnsiStr(u"abc"));
}

TEST_F(VariantTest, NullEqualsOnlyNullAndOrdersWithNothing) {
  EXPECT_TRUE(Null() == Null());
  EXPECT_FALSE(Null() == Variant(0));
  EXPECT_FALSE(Null() == Variant(u""));
  EXPECT_FALSE(Null() == Variant());
  EXPECT_TRUE(Null() != Variant(5));
  EXPECT_FALSE(Null() < Variant(5));
  EXPECT_FALSE(Null() > Variant(5));
  EXPECT_FALSE(Variant(5) <= Null());
  EXPECT_FALSE(Null() >= Null());
  EXPECT_EQ(VarCompareValue(Null(), Variant(5)), TVarCompareResult::vrNotEqual);
  EXPECT_EQ(VarCompareValue(Null(), Null()), TVarCompareResult::vrEqual);
}

TEST_F(VariantTest, EmptySortsBeforeValues) {
  EXPECT_EQ(VarCompareValue(Variant(), Variant()), TVarCompareResult::vrEqual);
  EXPECT_EQ(VarCompareValue(Variant(), Variant(-100)), TVarCompareResult::vrLessThan);
  EXPECT_EQ(VarCompareValue(Variant(u"a"), Variant()), TVarCompareResult::vrGreaterThan);
}

TEST_F(VariantTest, ThreeWayCompareAnswersNotComparableWithoutRaising) {
  EXPECT_EQ(VarCompareValue(Variant(u"abc"), Variant(5)), TVarCompareResult::vrNotEqual);
  EXPECT_EQ(VarCompareValue(VarArrayOf({1}), Variant(1)), TVarCompareResult::vrNotEqual);
  EXPECT_FALSE(VarSameValue(Variant(u"abc"), Variant(5)));
  // The operators raise instead.
  EXPECT_THROW((void)(Variant(u"abc") == Variant(5)), EVariantTypeCastError);
  EXPECT_THROW((void)(VarArrayOf({1}) == Variant(1)), EVariantInvalidOpError);
}

TEST_F(VariantTest, BooleansCompareFalseBeforeTrue) {
  EXPECT_TRUE(Variant(false) < Variant(true));
  EXPECT_TRUE(Variant(true) == Variant(u"True"));
  EXPECT_TRUE(Variant(true) == Variant(-1));
}

// ---- casts -----------------------------------------------------------------------

TEST_F(VariantTest, CastsBetweenScalarTypes) {
  EXPECT_EQ(VarAsType(Variant(u"12"), varInteger).AsInteger(), 12);
  EXPECT_EQ(VarType(VarAsType(Variant(u"12"), varSmallint)), varSmallint);
  EXPECT_DOUBLE_EQ(VarAsType(Variant(u"1,5"), varDouble).AsDouble(), 1.5);
  EXPECT_EQ(VarAsType(Variant(2.5), varInteger).AsInteger(), 2);
  EXPECT_EQ(VarAsType(Variant(3.5), varInteger).AsInteger(), 4);
  EXPECT_EQ(Variant(true).AsInteger(), -1);
  EXPECT_EQ(Variant(1.5).AsString(), u"1,5");
  EXPECT_EQ(Variant(true).AsString(), u"True");
  EXPECT_EQ(Variant(1.1f).AsString(), u"1,1");  // a Single shows its own seven digits
  EXPECT_EQ(Variant(Currency::FromRaw(12500)).AsString(), u"1,25");
  EXPECT_EQ(Variant::FromDate(EncodeDate(2026, 12, 7)).AsString(), u"07.12.2026");
  EXPECT_EQ(VarAsType(Variant(u"07.12.2026"), varDate).AsDateTime(), EncodeDate(2026, 12, 7));
  FormatSettings.DecimalSeparator = u'.';
  EXPECT_EQ(MonthOf(VarAsType(Variant(u"07.12"), varDate).AsDateTime()), 12);  // a date, not 7.12
  FormatSettings.DecimalSeparator = u',';
  EXPECT_EQ(VarAsType(Variant(1.23456), varCurrency).AsCurrency().Raw, 12346);
  EXPECT_EQ(VarType(VarAsType(Variant(5), varString)), varString);
  EXPECT_EQ(VarAsType(Variant(), varInteger).AsInteger(), 0);
  EXPECT_TRUE(VarIsNull(VarAsType(Variant(5), varNull)));
}

TEST_F(VariantTest, FailedCastsRaiseTheTypeCastError) {
  try {
    (void)VarAsType(Variant(u"abc"), varInteger);
    FAIL();
  } catch (const EVariantTypeCastError& e) {
    EXPECT_EQ(e.Message(), u"Could not convert variant of type (OleStr) into type (Integer)");
  }
  try {
    (void)Null().AsDouble();
    FAIL();
  } catch (const EVariantTypeCastError& e) {
    EXPECT_EQ(e.Message(), u"Could not convert variant of type (Null) into type (Double)");
  }
  EXPECT_THROW((void)VarAsType(Variant(u"1.5"), varDouble), EVariantTypeCastError);
  EXPECT_THROW((void)Variant(u"maybe").AsBoolean(), EVariantTypeCastError);
  EXPECT_THROW((void)VarAsType(VarArrayOf({1}), varInteger), EVariantTypeCastError);
  EXPECT_THROW((void)VarAsType(Variant(u"31.02.2026"), varDate), EVariantTypeCastError);
}

TEST_F(VariantTest, NumbersThatDoNotFitRaiseOverflow) {
  EXPECT_THROW((void)VarAsType(Variant(300), varByte), EVariantOverflowError);
  EXPECT_THROW((void)VarAsType(Variant(-1), varWord), EVariantOverflowError);
  EXPECT_THROW((void)Variant(Int64(1) << 40).AsInteger(), EVariantOverflowError);
  EXPECT_THROW((void)Variant(1e300).AsInt64(), EVariantOverflowError);
  EXPECT_THROW((void)VarAsType(Variant(1e300), varSingle), EVariantOverflowError);
}

TEST_F(VariantTest, VarToStrGivesEmptyTextForNull) {
  EXPECT_EQ(VarToStr(Null()), u"");
  EXPECT_EQ(VarToStr(Variant()), u"");
  EXPECT_EQ(VarToStr(Variant(-7)), u"-7");
  EXPECT_EQ(VarToStrDef(Null(), u"-"), u"-");
  EXPECT_THROW((void)Null().AsString(), EVariantTypeCastError);
}

// ---- arithmetic ------------------------------------------------------------------

TEST_F(VariantTest, ArithmeticPromotesLikeThePlatform) {
  const Variant sum = Variant(2) + Variant(Smallint(3));
  EXPECT_EQ(VarType(sum), varInteger);
  EXPECT_EQ(sum.AsInteger(), 5);
  EXPECT_EQ(VarType(Variant(Int64(2)) + Variant(3)), varInt64);
  EXPECT_EQ(VarType(Variant(2147483647) + Variant(1)), varInt64);
  EXPECT_DOUBLE_EQ((Variant(1) + Variant(0.5)).AsDouble(), 1.5);
  EXPECT_EQ((Variant(u"a") + Variant(u"b")).AsString(), u"ab");
  EXPECT_DOUBLE_EQ((Variant(u"2") - Variant(3)).AsDouble(), -1.0);
  EXPECT_DOUBLE_EQ((Variant(7) / Variant(2)).AsDouble(), 3.5);
  const Variant money = Variant(Currency::FromRaw(15000)) * Variant(3);
  EXPECT_EQ(VarType(money), varCurrency);
  EXPECT_EQ(money.AsCurrency().Raw, 45000);
  EXPECT_EQ(VarType(Variant::FromDate(10) + Variant(1)), varDate);
  EXPECT_EQ(VarType(Variant::FromDate(10) - Variant::FromDate(3)), varDouble);
  EXPECT_EQ((-Variant(5)).AsInteger(), -5);
}

TEST_F(VariantTest, NullInArithmeticGivesNull) {
  EXPECT_TRUE(VarIsNull(Null() + Variant(1)));
  EXPECT_TRUE(VarIsNull(Variant(1) * Null()));
  EXPECT_TRUE(VarIsNull(-Null()));
}

TEST_F(VariantTest, ArithmeticFaultsRaise) {
  EXPECT_THROW((void)(Variant(1) / Variant(0)), EZeroDivide);
  EXPECT_THROW((void)(Variant(std::numeric_limits<Int64>::max()) + Variant(1)), EVariantOverflowError);
  EXPECT_THROW((void)(Variant(u"x") - Variant(1)), EVariantTypeCastError);
  EXPECT_THROW((void)(VarArrayOf({1}) + Variant(1)), EVariantInvalidOpError);
}

// ---- arrays ----------------------------------------------------------------------

TEST_F(VariantTest, ArraysOfVariantsHoldMixedValues) {
  Variant a = VarArrayOf({1, u"два", Null()});
  EXPECT_TRUE(VarIsArray(a));
  EXPECT_EQ(VarArrayDimCount(a), 1);
  EXPECT_EQ(VarArrayLowBound(a), 0);
  EXPECT_EQ(VarArrayHighBound(a), 2);
  EXPECT_EQ(VarArrayGet(a, 1).AsString(), u"два");
  EXPECT_TRUE(VarIsNull(VarArrayGet(a, 2)));
  VarArrayPut(a, 3.5, 2);
  EXPECT_DOUBLE_EQ(VarArrayGet(a, 2).AsDouble(), 3.5);
  EXPECT_THROW((void)VarArrayGet(a, 3), EVariantBadIndexError);
  EXPECT_THROW((void)VarArrayGet(a, -1), EVariantBadIndexError);
  EXPECT_THROW((void)VarArrayGet(Variant(1), 0), EVariantError);
}

TEST_F(VariantTest, CopiesOfAnArrayAreIndependent) {
  Variant a = VarArrayOf({1, 2});
  Variant b = a;
  VarArrayPut(b, 20, 1);
  EXPECT_EQ(VarArrayGet(a, 1).AsInteger(), 2);
  EXPECT_EQ(VarArrayGet(b, 1).AsInteger(), 20);
}

TEST_F(VariantTest, RedimKeepsElementsAndBounds) {
  Variant a = VarArrayCreate({1, 2}, varVariant);
  VarArrayPut(a, u"x", 1);
  VarArrayRedim(a, 4);
  EXPECT_EQ(VarArrayLowBound(a), 1);
  EXPECT_EQ(VarArrayHighBound(a), 4);
  EXPECT_EQ(VarArrayGet(a, 1).AsString(), u"x");
  EXPECT_TRUE(VarIsEmpty(VarArrayGet(a, 4)));
  VarArrayRedim(a, 0);
  EXPECT_EQ(VarArrayHighBound(a), 0);
  EXPECT_THROW((void)VarArrayGet(a, 1), EVariantBadIndexError);
}

TEST_F(VariantTest, ByteArraysAreContiguous) {
  const Byte bytes[] = {0x1E, 0x1D, 0x00, 0xFF};
  Variant blob = VarArrayCreate(0, 3, varByte);
  std::memcpy(VarArrayLock(blob), bytes, sizeof bytes);
  VarArrayUnlock(blob);
  EXPECT_EQ(VarArrayGet(blob, 3).AsInteger(), 0xFF);
  EXPECT_EQ(VarType(VarArrayGet(blob, 0)), varByte);
  const Variant copy = blob;
  EXPECT_EQ(std::memcmp(VarArrayLock(copy), bytes, sizeof bytes), 0);
  EXPECT_THROW(VarArrayPut(blob, 256, 0), EVariantOverflowError);
  // Casting a Variant array of small numbers gives a byte array.
  const Variant cast = VarAsType(VarArrayOf({1, 2}), varArray | varByte);
  EXPECT_EQ(VarType(cast), 0x2011);
  EXPECT_EQ(static_cast<const Byte*>(VarArrayLock(cast))[1], 2);
}

// ---- automation objects ------------------------------------------------------------

class FakeObject : public IVarDispatch {
public:
  Variant GetProperty(const String& name) override { return name == u"zHost" ? Variant(FHost) : Null(); }
  void SetProperty(const String& name, const Variant& value) override {
    if (name == u"zHost") FHost = value.AsString();
  }
  Variant CallMethod(const String& name, const std::vector<Variant>& args) override {
    return name + u":" + IntToStrLocal(args.size());
  }
  String FHost;

private:
  static String IntToStrLocal(size_t n) { return String(1, static_cast<Char>(u'0' + n)); }
};

TEST_F(VariantTest, DispatchValuesForwardMemberAccess) {
  auto object = std::make_shared<FakeObject>();
  const Variant v(object);
  EXPECT_EQ(VarType(v), varDispatch);
  v.SetProperty(u"zHost", u"localhost");
  EXPECT_EQ(object->FHost, u"localhost");
  EXPECT_EQ(v.GetProperty(u"zHost").AsString(), u"localhost");
  EXPECT_EQ(v.CallMethod(u"Run", {1, 2}).AsString(), u"Run:2");
  const Variant copy = v;
  EXPECT_TRUE(copy == v);
  EXPECT_THROW((void)Variant(5).GetProperty(u"zHost"), EVariantInvalidOpError);
  EXPECT_THROW((void)v.AsInteger(), EVariantTypeCastError);
}

}  // namespace
