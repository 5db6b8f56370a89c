// The filter-row language: what a typed text becomes, what it refuses, and a
// round trip over random conditions written back as filter-row text.

#include <gtest/gtest.h>

#include <random>

#include "grid/DbUtilsEh.h"
#include "platform/core/DateTime.h"
#include "platform/core/Format.h"
#include "platform/core/FormatSettings.h"
#include "platform/core/Strings.h"

namespace {

class FilterRowParser : public ::testing::Test {
protected:
  void SetUp() override { Saved = FormatSettings; }
  void TearDown() override { FormatSettings = Saved; }

  TSTFilterExpressionEh Parse(const String& Text, TSTFilterValueTypeEh Type,
                              TSTFilterDefaultOperatorEh Default = fdoNoneEh) {
    TSTFilterExpressionEh e;
    e.ExpressionType = Type;
    ParseFilterExpression(Text, e, Default);
    return e;
  }
  // The message of the exception the text raises, or "" when it parses.
  String ErrorOf(const String& Text, TSTFilterValueTypeEh Type = stvtStringEh) {
    try {
      Parse(Text, Type);
    } catch (const Exception& E) {
      return E.Message();
    }
    return String();
  }
  static std::vector<Variant> Elements(const Variant& V) {
    std::vector<Variant> out;
    for (Integer i = VarArrayLowBound(V); i <= VarArrayHighBound(V); ++i) out.push_back(VarArrayGet(V, i));
    return out;
  }

  TFormatSettings Saved;
};

}  // namespace

TEST_F(FilterRowParser, ABareTextInAStringColumnIsALikeWithoutWildcards) {
  const TSTFilterExpressionEh e = Parse(u"abc", stvtStringEh);
  EXPECT_EQ(e.Operator1, foLikeEh);
  EXPECT_EQ(e.Operand1.AsString(), u"abc");
  EXPECT_EQ(e.Relation, foNoneEh);
  EXPECT_EQ(e.Operator2, foNoneEh);
}

TEST_F(FilterRowParser, TheDefaultOperatorAddsItsWildcardsUnlessTheTextStartsWithOne) {
  EXPECT_EQ(Parse(u"abc", stvtStringEh, fdoContainsEh).Operand1.AsString(), u"%abc%");
  EXPECT_EQ(Parse(u"abc", stvtStringEh, fdoContainsEh).Operator1, foLikeEh);
  const TSTFilterExpressionEh notBegins = Parse(u"abc", stvtStringEh, fdoNotBeginsWithEh);
  EXPECT_EQ(notBegins.Operator1, foNotLikeEh);
  EXPECT_EQ(notBegins.Operand1.AsString(), u"abc%");
  EXPECT_EQ(Parse(u"abc", stvtStringEh, fdoEndsWithEh).Operand1.AsString(), u"%abc");
  EXPECT_EQ(Parse(u"abc", stvtStringEh, fdoNotEndsWithEh).Operator1, foNotLikeEh);
  EXPECT_EQ(Parse(u"%abc", stvtStringEh, fdoContainsEh).Operand1.AsString(), u"%abc");
  const TSTFilterExpressionEh greater = Parse(u"7", stvtNumberEh, fdoGreaterEh);
  EXPECT_EQ(greater.Operator1, foGreaterEh);
  EXPECT_EQ(greater.Operand1.AsDouble(), 7.0);
}

TEST_F(FilterRowParser, ABareValueInOtherColumnsIsAnEquality) {
  const TSTFilterExpressionEh e = Parse(u"42", stvtNumberEh);
  EXPECT_EQ(e.Operator1, foEqualEh);
  EXPECT_EQ(e.Operand1.VarType(), varDouble);
  EXPECT_EQ(e.Operand1.AsDouble(), 42.0);
  EXPECT_EQ(Parse(u"True", stvtBooleanEh).Operator1, foEqualEh);
  EXPECT_EQ(Parse(u"True", stvtBooleanEh).Operand1.AsString(), u"True");
}

TEST_F(FilterRowParser, CommasMakeAListUnlessTheyAreTheNumbersDecimalSeparator) {
  const TSTFilterExpressionEh e = Parse(u"1,2,3", stvtStringEh);
  EXPECT_EQ(e.Operator1, foInEh);
  ASSERT_TRUE(e.Operand1.IsArray());
  EXPECT_EQ(Elements(e.Operand1).size(), 3u);
  EXPECT_EQ(Elements(e.Operand1)[2].AsString(), u"3");

  FormatSettings.DecimalSeparator = u',';
  EXPECT_THROW(Parse(u"1,2,3", stvtNumberEh), EConvertError);
  EXPECT_EQ(Parse(u"1,5", stvtNumberEh).Operand1.AsDouble(), 1.5);

  FormatSettings.DecimalSeparator = u'.';
  const TSTFilterExpressionEh n = Parse(u"1,2,3", stvtNumberEh);
  EXPECT_EQ(n.Operator1, foInEh);
  EXPECT_EQ(Elements(n.Operand1)[1].AsDouble(), 2.0);
}

TEST_F(FilterRowParser, NumbersAreReadWithEitherDecimalSeparator) {
  FormatSettings.DecimalSeparator = u',';
  EXPECT_EQ(Parse(u"> 1.25", stvtNumberEh).Operand1.AsDouble(), 1.25);
  EXPECT_EQ(Parse(u"> 1,25", stvtNumberEh).Operand1.AsDouble(), 1.25);
  FormatSettings.DecimalSeparator = u'.';
  EXPECT_EQ(Parse(u"<= -0.5", stvtNumberEh).Operand1.AsDouble(), -0.5);
  EXPECT_THROW(Parse(u"=abc", stvtNumberEh), EConvertError);
  EXPECT_THROW(Parse(u"=58E990", stvtNumberEh), EConvertError);  // beyond a double
}

TEST_F(FilterRowParser, InListsNeedTheirParentheses) {
  const TSTFilterExpressionEh e = Parse(u"in (1,2,5)", stvtNumberEh);
  EXPECT_EQ(e.Operator1, foInEh);
  EXPECT_EQ(Elements(e.Operand1).size(), 3u);
  EXPECT_EQ(Elements(e.Operand1)[2].AsDouble(), 5.0);
  EXPECT_EQ(Parse(u"Not In ('a','b')", stvtStringEh).Operator1, foNotInEh);
  EXPECT_EQ(Parse(u"!In (x)", stvtStringEh).Operator1, foNotInEh);
  EXPECT_EQ(ErrorOf(u"in (1,2"), u"')' expected: in (1,2");
  EXPECT_EQ(ErrorOf(u"in 1,2"), u"'(' expected: in 1,2");
  const TSTFilterExpressionEh second = Parse(u"=1 OR in (2,3", stvtStringEh);
  EXPECT_EQ(second.Relation, foOrEh);
  EXPECT_EQ(second.Operator2, foInEh);
  EXPECT_EQ(Elements(second.Operand2).size(), 2u);
}

TEST_F(FilterRowParser, AListAfterEqualsIsAMembershipTest) {
  const TSTFilterExpressionEh in = Parse(u"=a,b", stvtStringEh);
  EXPECT_EQ(in.Operator1, foInEh);
  EXPECT_EQ(Elements(in.Operand1)[1].AsString(), u"b");
  EXPECT_EQ(Parse(u"<>a,b", stvtStringEh).Operator1, foNotInEh);
  EXPECT_EQ(ErrorOf(u">a,b"), u"Error in expression: >a,b");
  EXPECT_EQ(Parse(u"a,b", stvtStringEh, fdoNotContainsEh).Operator1, foNotInEh);
}

TEST_F(FilterRowParser, NullIsOnlyComparedByEqualityOrInequality) {
  const TSTFilterExpressionEh e = Parse(u"=Null", stvtNumberEh);
  EXPECT_EQ(e.Operator1, foNullEh);
  EXPECT_TRUE(e.Operand1.IsNull());
  EXPECT_EQ(Parse(u"<> null", stvtStringEh).Operator1, foNotNullEh);
  EXPECT_EQ(ErrorOf(u"> Null"), u"Unexpected expression before Null: > Null");
  EXPECT_EQ(ErrorOf(u"Null"), u"Unexpected expression after operator: Null");
}

TEST_F(FilterRowParser, TwoConditionsNeedARelationBetweenThem) {
  EXPECT_EQ(ErrorOf(u"=5 =6", stvtNumberEh), u"Unexpected AND or OR: =5 =6");
  const TSTFilterExpressionEh run = Parse(u"= 5 xyz", stvtStringEh);
  EXPECT_EQ(run.Operator1, foEqualEh);
  EXPECT_EQ(run.Operand1.AsString(), u"5 xyz");
  const TSTFilterExpressionEh open = Parse(u"=5 AND", stvtNumberEh);
  EXPECT_EQ(open.Relation, foAndEh);
  EXPECT_EQ(open.Operator2, foNoneEh);
  const TSTFilterExpressionEh both = Parse(u">= 5 AND < 10", stvtNumberEh);
  EXPECT_EQ(both.Operator1, foGreaterOrEqualEh);
  EXPECT_EQ(both.Relation, foAndEh);
  EXPECT_EQ(both.Operator2, foLessEh);
  EXPECT_EQ(both.Operand2.AsDouble(), 10.0);
  const TSTFilterExpressionEh symbols = Parse(u"a | b", stvtStringEh);
  EXPECT_EQ(symbols.Relation, foOrEh);
  EXPECT_EQ(symbols.Operator2, foLikeEh);
  EXPECT_EQ(symbols.Operand2.AsString(), u"b");
  EXPECT_EQ(Parse(u"=1 & =2", stvtNumberEh).Relation, foAndEh);
  EXPECT_EQ(ErrorOf(u"=1 AND =2 (", stvtNumberEh), String());  // nothing after the second condition is read
  EXPECT_EQ(ErrorOf(u"=1 (", stvtNumberEh), u"Incorrect expression: =1 (");
}

TEST_F(FilterRowParser, QuotedValuesKeepEverythingAndDoubledQuotes) {
  EXPECT_EQ(Parse(u"'it''s'", stvtStringEh).Operand1.AsString(), u"it's");
  EXPECT_EQ(Parse(u"= ' a AND b '", stvtStringEh).Operand1.AsString(), u" a AND b ");
  EXPECT_EQ(Parse(u"~'Mos%'", stvtStringEh).Operator1, foLikeEh);
  EXPECT_EQ(Parse(u"~'Mos%'", stvtStringEh).Operand1.AsString(), u"Mos%");
  EXPECT_EQ(ErrorOf(u"'abc"), u"Quote is absent: 'abc");
}

TEST_F(FilterRowParser, NegationsCombineWithLikeInAndNull) {
  EXPECT_EQ(Parse(u"!~x%", stvtStringEh).Operator1, foNotLikeEh);
  EXPECT_EQ(Parse(u"NOT LIKE 'x%'", stvtStringEh).Operator1, foNotLikeEh);
  EXPECT_EQ(ErrorOf(u"not null"), u"Unexpected expression after operator: not null");
  EXPECT_EQ(Parse(u"like abc", stvtStringEh).Operator1, foLikeEh);
  EXPECT_EQ(Parse(u"!= 3", stvtNumberEh).Operator1, foNotEqualEh);
  EXPECT_EQ(Parse(u"<> 3", stvtNumberEh).Operator1, foNotEqualEh);
}

TEST_F(FilterRowParser, AWordInSeparatedByBlanksIsTheInOperator) {
  EXPECT_EQ(ErrorOf(u"made in china"), u"'(' expected: made in china");
  EXPECT_EQ(Parse(u"made into china", stvtStringEh).Operand1.AsString(), u"made into china");
}

TEST_F(FilterRowParser, StrayTextIsAnErrorInExpression) {
  EXPECT_EQ(ErrorOf(u"(1)"), u"Error in expression: (1)");
  EXPECT_EQ(ErrorOf(u"AND 5"), u"Error in expression: AND 5");
  EXPECT_EQ(ErrorOf(u"= <5"), u"Unexpected expression after operator: = <5");
}

TEST_F(FilterRowParser, DateTimeOperandsAreConvertedButNowStaysText) {
  const TSTFilterExpressionEh e = Parse(u">= 01.02.2020", stvtDateTimeEh);
  EXPECT_EQ(e.Operand1.VarType(), varDate);
  EXPECT_EQ(e.Operand1.AsDateTime(), EncodeDate(2020, 2, 1));
  const TSTFilterExpressionEh now = Parse(u"< now", stvtDateTimeEh);
  EXPECT_EQ(now.Operand1.VarType(), varOleStr);
  EXPECT_EQ(now.Operand1.AsString(), u"now");
  EXPECT_THROW(Parse(u"= 31.02.2020", stvtDateTimeEh), EConvertError);
}

TEST_F(FilterRowParser, AnEmptyTextClearsTheConditionAndKeepsTheType) {
  TSTFilterExpressionEh e = Parse(u"=1", stvtNumberEh);
  ParseFilterExpression(u"   ", e, fdoNoneEh);
  EXPECT_EQ(e.ExpressionType, stvtNumberEh);
  EXPECT_EQ(e.Operator1, foNoneEh);
  EXPECT_TRUE(e.Operand1.IsNull());
  EXPECT_EQ(e.Relation, foNoneEh);
}

TEST_F(FilterRowParser, FieldTypesGiveTheirValueTypes) {
  EXPECT_EQ(STFilterValueTypeOfFieldTypeEh(ftWideString), stvtStringEh);
  EXPECT_EQ(STFilterValueTypeOfFieldTypeEh(ftMemo), stvtStringEh);
  EXPECT_EQ(STFilterValueTypeOfFieldTypeEh(ftGuid), stvtStringEh);
  EXPECT_EQ(STFilterValueTypeOfFieldTypeEh(ftAutoInc), stvtNumberEh);
  EXPECT_EQ(STFilterValueTypeOfFieldTypeEh(ftExtended), stvtNumberEh);
  EXPECT_EQ(STFilterValueTypeOfFieldTypeEh(ftTimeStamp), stvtDateTimeEh);
  EXPECT_EQ(STFilterValueTypeOfFieldTypeEh(ftBoolean), stvtBooleanEh);
  EXPECT_EQ(STFilterValueTypeOfFieldTypeEh(ftBlob), stvtNoneEh);
  EXPECT_EQ(STFilterValueTypeOfFieldTypeEh(ftOraTimeStamp), stvtNoneEh);
  // Formatted memos and intervals take no conditions.
  EXPECT_EQ(STFilterValueTypeOfFieldTypeEh(ftFmtMemo), stvtNoneEh);
  EXPECT_EQ(STFilterValueTypeOfFieldTypeEh(ftOraInterval), stvtNoneEh);
}

// ---------------------------------------------------------------------------
// Round trip: random conditions written as filter-row text parse back to the
// same conditions.

namespace {

// Writes a condition the way the column filter writes it back, with quotes
// inside texts doubled so that any text survives.
String WriteValue(const Variant& V) {
  if (V.VarType() == varDouble) return FloatToStr(V.AsDouble());
  return QuotedStr(VarToStr(V));
}

String WriteCondition(TSTFilterOperatorEh Op, const Variant& V) {
  if (Op == foNullEh) return u"=Null";
  if (Op == foNotNullEh) return u"<>Null";
  if (Op == foInEh || Op == foNotInEh) {
    String list;
    for (Integer i = VarArrayLowBound(V); i <= VarArrayHighBound(V); ++i) list += WriteValue(VarArrayGet(V, i)) + u",";
    list.pop_back();
    return String(STFilterOperatorTextsEh[Op]) + u" (" + list + u")";
  }
  return String(STFilterOperatorTextsEh[Op]) + u" " + WriteValue(V);
}

String WriteExpression(const TSTFilterExpressionEh& E) {
  String text = WriteCondition(E.Operator1, E.Operand1);
  if (E.Relation != foNoneEh)
    text += u" " + String(STFilterOperatorTextsEh[E.Relation]) + u" " + WriteCondition(E.Operator2, E.Operand2);
  return text;
}

class RandomConditions {
public:
  explicit RandomConditions(unsigned Start) : FRandom(Start) {}

  TSTFilterExpressionEh Next(TSTFilterValueTypeEh Type) {
    TSTFilterExpressionEh e;
    e.ExpressionType = Type;
    e.Operand2 = Null();  // what the parser leaves in an unused condition
    Condition(Type, e.Operator1, e.Operand1);
    if (Pick(3) > 0) {
      e.Relation = Pick(2) ? foAndEh : foOrEh;
      Condition(Type, e.Operator2, e.Operand2);
    }
    return e;
  }

private:
  int Pick(int N) { return std::uniform_int_distribution<int>(0, N - 1)(FRandom); }

  Variant Value(TSTFilterValueTypeEh Type) {
    if (Type == stvtNumberEh) return Variant(static_cast<double>(Pick(20001) - 10000) / 8.0);
    static const char16_t* const Pieces[] = {u"a", u"Б", u" ",  u"'",    u",", u"AND", u"or",  u"(",           u")",
                                             u"%", u"~", u"in", u"Null", u"=", u"!",   u"x y", u"\u0430\u0301"};
    String s;
    for (int n = Pick(5); n >= 0; --n) s += Pieces[Pick(static_cast<int>(std::size(Pieces)))];
    return Variant(s);
  }

  void Condition(TSTFilterValueTypeEh Type, TSTFilterOperatorEh& Op, Variant& V) {
    Op = static_cast<TSTFilterOperatorEh>(1 + Pick(12));
    if (Op == foNullEh || Op == foNotNullEh) {
      V = Null();
    } else if (Op == foInEh || Op == foNotInEh) {
      std::vector<Variant> list;
      for (int n = Pick(3) + 1; n >= 0; --n) list.push_back(Value(Type));  // a list of one reads as one value
      V = VarArrayOf(list);
    } else {
      V = Value(Type);
    }
  }

  std::mt19937 FRandom;
};

void ExpectSameOperand(const Variant& A, const Variant& B, const String& Text) {
  ASSERT_EQ(A.IsArray(), B.IsArray()) << ToUtf8(Text);
  if (A.IsArray()) {
    ASSERT_EQ(VarArrayHighBound(A) - VarArrayLowBound(A), VarArrayHighBound(B) - VarArrayLowBound(B)) << ToUtf8(Text);
    for (Integer i = 0; i <= VarArrayHighBound(A) - VarArrayLowBound(A); ++i)
      ExpectSameOperand(VarArrayGet(A, VarArrayLowBound(A) + i), VarArrayGet(B, VarArrayLowBound(B) + i), Text);
    return;
  }
  EXPECT_EQ(A.IsNull(), B.IsNull()) << ToUtf8(Text);
  if (!A.IsNull()) {
    EXPECT_TRUE(VarSameValue(A, B)) << ToUtf8(Text) << " : " << ToUtf8(VarToStr(A)) << " vs " << ToUtf8(VarToStr(B));
  }
}

}  // namespace

TEST_F(FilterRowParser, RandomConditionsWrittenAsTextParseBackUnchanged) {
  FormatSettings.DecimalSeparator = u'.';  // lists of numbers need "," free
  RandomConditions random(20240611);
  for (int i = 0; i < 3000; ++i) {
    const TSTFilterValueTypeEh type = i % 2 ? stvtStringEh : stvtNumberEh;
    const TSTFilterExpressionEh e = random.Next(type);
    const String text = WriteExpression(e);
    TSTFilterExpressionEh back;
    back.ExpressionType = type;
    ASSERT_NO_THROW(ParseFilterExpression(text, back, fdoNoneEh)) << ToUtf8(text);
    EXPECT_EQ(back.Operator1, e.Operator1) << ToUtf8(text);
    EXPECT_EQ(back.Relation, e.Relation) << ToUtf8(text);
    EXPECT_EQ(back.Operator2, e.Operator2) << ToUtf8(text);
    ExpectSameOperand(back.Operand1, e.Operand1, text);
    ExpectSameOperand(back.Operand2, e.Operand2, text);
    EXPECT_EQ(WriteExpression(back), text);
  }
}
