// The filter and aggregate evaluator: texts compiled by the dataset's compiler,
// evaluated against the store's records.

#include <gtest/gtest.h>

#include "tests/memtable/ExprTestUtil.h"

namespace {

using Ids = std::vector<Integer>;

struct FilterFixture : ::testing::Test, ExprFixtureBase {
  TFormatSettings Saved = FormatSettings;
  void SetUp() override {
    FormatSettings = TFormatSettings();  // Russian: dd.MM.yyyy, decimal ","
    Add(Variant(1), Variant(u"Пушкин"), Variant(10.5), VarFromDateTime(EncodeDateTime(1799, 6, 6, 10, 30, 15, 0)),
        Variant(true));
    Add(Variant(2), Variant(u"пушкинский"), Variant(20), VarFromDateTime(EncodeDate(1900, 1, 2)), Variant(false));
    Add(Variant(3), Variant(u"Гоголь"), Null(), VarFromDateTime(EncodeDate(1809, 4, 1)), Null());
    Add(Variant(0), Variant(u"ЛЕРМОНТОВ"), Variant(5), Null(), Variant(true));
    Add(Null(), Null(), Variant(1));
  }
  void TearDown() override { FormatSettings = Saved; }
};

TEST_F(FilterFixture, AComparisonWithNullIsNotTrue) {
  EXPECT_EQ(Accepted(u"ID>0"), (Ids{1, 2, 3}));
  EXPECT_EQ(Accepted(u"ID<>2"), (Ids{1, 3, 0}));
  EXPECT_EQ(Accepted(u"NOT (ID = 2)"), (Ids{1, 3, 0}));
  EXPECT_EQ(Accepted(u"ID IS NULL"), (Ids{-1}));
  EXPECT_EQ(Accepted(u"ID IS NOT NULL"), (Ids{1, 2, 3, 0}));
}

TEST_F(FilterFixture, BooleanFieldsFollowThreeValuedLogic) {
  EXPECT_EQ(Accepted(u"FLAG"), (Ids{1, 0}));
  EXPECT_EQ(Accepted(u"NOT FLAG"), (Ids{2}));  // Null stays unknown, so it is refused
  EXPECT_EQ(Accepted(u"FLAG OR ID = 3"), (Ids{1, 3, 0}));
  EXPECT_EQ(Accepted(u"NOT (FLAG AND ID = 3)"), (Ids{1, 2, 0}));
}

TEST_F(FilterFixture, EqualityOnTextIsExactWithoutFilterOptions) {
  EXPECT_EQ(Accepted(u"NAME = 'Пушкин'"), (Ids{1}));
  EXPECT_TRUE(Accepted(u"NAME = 'пушкин'").empty());
  EXPECT_EQ(Accepted(u"NAME = 'Пуш*'"), (Ids{1}));  // partial compare: the starting letters
}

TEST_F(FilterFixture, CaseInsensitiveFilteringFoldsCyrillic) {
  DS.SetFilterOptions({foCaseInsensitive});
  EXPECT_EQ(Accepted(u"NAME = 'пушкин'"), (Ids{1}));
  EXPECT_EQ(Accepted(u"NAME = 'ПУШ*'"), (Ids{1, 2}));
  EXPECT_EQ(Accepted(u"NAME <> 'лермонтов'"), (Ids{1, 2, 3}));
  EXPECT_EQ(Accepted(u"NAME LIKE '%ШКИН%'"), (Ids{1, 2}));
  EXPECT_EQ(Accepted(u"NAME > 'гоголь' AND NAME < 'м'"), (Ids{0}));
}

TEST_F(FilterFixture, PartialCompareCanBeSwitchedOff) {
  DS.SetFilterOptions({foNoPartialCompare});
  EXPECT_TRUE(Accepted(u"NAME = 'Пуш*'").empty());
}

TEST_F(FilterFixture, LikeTakesPercentAndUnderscore) {
  EXPECT_EQ(Accepted(u"NAME LIKE 'Пуш%'"), (Ids{1}));
  EXPECT_EQ(Accepted(u"NAME LIKE '_ого_ь'"), (Ids{3}));
  EXPECT_EQ(Accepted(u"NAME NOT LIKE '%н%'"), (Ids{3, 0}));  // case counts: ЛЕРМОНТОВ has no "н"
}

TEST_F(FilterFixture, InListsMatchAnyElement) {
  EXPECT_EQ(Accepted(u"ID IN (1, 3, 7)"), (Ids{1, 3}));
  EXPECT_EQ(Accepted(u"NAME IN ('Гоголь', 'Пушкин')"), (Ids{1, 3}));
  EXPECT_EQ(Accepted(u"ID NOT IN (1, 3)"), (Ids{2, 0}));
  EXPECT_TRUE(Accepted(u"ID IN (5, 6)").empty());
}

TEST_F(FilterFixture, DatesCompareAsDates) {
  EXPECT_EQ(Accepted(u"BORN < '01.01.1805'"), (Ids{1}));
  EXPECT_EQ(Accepted(u"BORN >= '01.04.1809'"), (Ids{2, 3}));
  EXPECT_EQ(Accepted(u"BORN = '02.01.1900'"), (Ids{2}));
}

TEST_F(FilterFixture, ArithmeticFollowsPrecedence) {
  EXPECT_EQ(Accepted(u"PRICE * 2 + 1 > 21"), (Ids{1, 2}));
  EXPECT_EQ(Accepted(u"PRICE * 2 + 1 = 22"), (Ids{1}));
  EXPECT_EQ(Accepted(u"ID / 2 = 1.5"), (Ids{3}));
  EXPECT_EQ(Accepted(u"-ID < -2"), (Ids{3}));
  EXPECT_EQ(Accepted(u"ID - 1 = 1"), (Ids{2}));
  EXPECT_EQ(Accepted(u"NAME + '!' = 'Гоголь!'"), (Ids{3}));
  EXPECT_EQ(Accepted(u"PRICE + 1 IS NULL"), (Ids{3}));  // Null in gives Null out
}

TEST_F(FilterFixture, TextFunctions) {
  EXPECT_EQ(Accepted(u"SUBSTRING(NAME, 2, 3) = 'ушк'"), (Ids{1, 2}));
  EXPECT_EQ(Accepted(u"SUBSTRING(NAME, 4) = 'оль'"), (Ids{3}));
  EXPECT_EQ(Accepted(u"UPPER(NAME) = 'ПУШКИН'"), (Ids{1}));
  EXPECT_EQ(Accepted(u"LOWER(NAME) = 'лермонтов'"), (Ids{0}));
  EXPECT_EQ(Accepted(u"UPPER(NAME) IS NULL"), (Ids{-1}));
}

TEST_F(FilterFixture, TrimFunctions) {
  TMemoryRecordEh* r = List()->GetRecord(0);
  r->Edit();
  r->SetValue(TestColumns::NOTE, rvvValueEh, Variant(u"  ab  "));
  r->Post();
  r = List()->GetRecord(1);
  r->Edit();
  r->SetValue(TestColumns::NOTE, rvvValueEh, Variant(u"    "));
  r->Post();
  r = List()->GetRecord(2);
  r->Edit();
  r->SetValue(TestColumns::NOTE, rvvValueEh, Variant(u"xxabx"));
  r->Post();
  EXPECT_EQ(Accepted(u"TRIM(NOTE) = 'ab'"), (Ids{1}));
  EXPECT_EQ(Accepted(u"TRIMLEFT(NOTE) = 'ab  '"), (Ids{1}));
  EXPECT_EQ(Accepted(u"TRIMRIGHT(NOTE) = '  ab'"), (Ids{1}));
  EXPECT_EQ(Accepted(u"TRIMRIGHT(NOTE) = ''"), (Ids{2}));  // all blanks: an empty text
  EXPECT_EQ(Accepted(u"TRIM(NOTE, 'x') = 'ab'"), (Ids{3}));
  EXPECT_EQ(Accepted(u"TRIMLEFT(NOTE, 'x') = 'abx'"), (Ids{3}));
}

TEST_F(FilterFixture, DateAndTimeFunctions) {
  EXPECT_EQ(Accepted(u"YEAR(BORN) = 1799"), (Ids{1}));
  EXPECT_EQ(Accepted(u"MONTH(BORN) = 4"), (Ids{3}));
  EXPECT_EQ(Accepted(u"DAY(BORN) = 2"), (Ids{2}));
  EXPECT_EQ(Accepted(u"HOUR(BORN) = 10 AND MINUTE(BORN) = 30 AND SECOND(BORN) = 15"), (Ids{1}));
  EXPECT_EQ(Accepted(u"DATE(BORN) = '06.06.1799'"), (Ids{1}));
  EXPECT_EQ(Accepted(u"TIME(BORN) > 0.4"), (Ids{1}));
  EXPECT_EQ(Accepted(u"GETDATE() > BORN"), (Ids{1, 2, 3}));
  EXPECT_EQ(Accepted(u"YEAR(BORN) IS NULL"), (Ids{0, -1}));
}

TEST_F(FilterFixture, UnknownFieldsAndFunctionsAreCompileErrors) {
  EXPECT_THROW(Filter(u"NOPE > 1"), EDatabaseError);
  try {
    Filter(u"SUBSTRING(NAME, 1, 2, 3) = 'x'");
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), u"Incorrect number of arguments in function <SUBSTRING>");
  }
  EXPECT_THROW(Filter(u"SUM(ID) > 1"), Exception);  // aggregates only in aggregate mode
}

TEST_F(FilterFixture, WithoutAnExpressionNothingIsAccepted) {
  TDataSetExprParserEh p(&DS, dsptFilterEh);
  EXPECT_FALSE(p.HasExpression());
  EXPECT_FALSE(p.IsRecordAccepted(List()->GetRecord(0)));
  Variant v;
  TRowList rows = AllRows();
  EXPECT_FALSE(p.CalcAggregate(&rows, v));
}

TEST_F(FilterFixture, AFailedCompileKeepsThePreviousExpression) {
  auto p = Filter(u"ID = 2");
  EXPECT_THROW(p->ParseExpression(u"ID = = 2"), EDatabaseError);
  EXPECT_TRUE(p->IsRecordAccepted(List()->GetRecord(1)));
}

// ---- LIKE on its own ------------------------------------------------------------------

TEST(MatchLike, PatternsOfTheLanguage) {
  EXPECT_TRUE(MatchLike(u"abc", u"ab%", false));
  EXPECT_TRUE(MatchLike(u"ab", u"ab%", false));
  EXPECT_TRUE(MatchLike(u"abc", u"a_c", false));
  EXPECT_FALSE(MatchLike(u"ac", u"a_c", false));
  EXPECT_TRUE(MatchLike(u"abc", u"%b%", false));
  EXPECT_FALSE(MatchLike(u"xabXc", u"x%b%b%c", false));
  EXPECT_TRUE(MatchLike(u"xabbc", u"x%b%b%c", false));
  EXPECT_FALSE(MatchLike(u"", u"a%", false));
  EXPECT_TRUE(MatchLike(u"abc", u"AB%", true));
  EXPECT_FALSE(MatchLike(u"abc", u"AB%", false));
  EXPECT_TRUE(MatchLike(u"", u"%", false));
  EXPECT_TRUE(MatchLike(u"Ёлка", u"ё%", true));
  EXPECT_TRUE(MatchLike(u"abc", u"%%c", false));
}

TEST(MatchLike, EveryUnderscoreWantsOneCharacter) {
  EXPECT_FALSE(MatchLike(u"a", u"a_%", false));
  EXPECT_TRUE(MatchLike(u"ab", u"a_%", false));
  EXPECT_FALSE(MatchLike(u"a", u"%_a", false));
  EXPECT_FALSE(MatchLike(u"ab", u"ab%c", false));
  EXPECT_TRUE(MatchLike(u"abxc", u"ab%c", false));
  EXPECT_FALSE(MatchLike(u"abc", u"%bc_", false));
  EXPECT_FALSE(MatchLike(u"ab", u"%ab%ab", false));  // the tail may not reuse matched text
}

TEST(PosWithWildcard, FindsSegmentsWithAnyCharacter) {
  EXPECT_EQ(PosWithWildcard(u"xaybz", u"b"), 4);
  EXPECT_EQ(PosWithWildcard(u"xaybz", u"a_b"), 2);
  EXPECT_EQ(PosWithWildcard(u"xaybz", u"q_"), 0);
  EXPECT_EQ(PosWithWildcard(u"ab", u"a__"), 0);
}

// ---- aggregates --------------------------------------------------------------------------

struct AggregateFixture : ::testing::Test, ExprFixtureBase {
  void SetUp() override {
    Add(Variant(3), Variant(u"в"), Variant(1.5));
    Add(Null(), Variant(u"а"), Null());
    Add(Variant(6), Null(), Variant(2));
  }
};

TEST_F(AggregateFixture, AverageDividesByEveryRow) {
  EXPECT_EQ(Aggregate(u"AVG(ID)", AllRows()).AsDouble(), 3.0);
  EXPECT_EQ(Aggregate(u"SUM(ID)", AllRows()).AsDouble(), 9.0);
  EXPECT_EQ(Aggregate(u"SUM(PRICE)", AllRows()).AsDouble(), 3.5);
}

TEST_F(AggregateFixture, MinAndMaxSkipNulls) {
  EXPECT_EQ(Aggregate(u"MIN(ID)", AllRows()).AsInteger(), 3);
  EXPECT_EQ(Aggregate(u"MAX(ID)", AllRows()).AsInteger(), 6);
  EXPECT_EQ(Aggregate(u"MIN(NAME)", AllRows()).AsString(), u"а");
  EXPECT_EQ(Aggregate(u"MAX(NAME)", AllRows()).AsString(), u"в");
  TRowList rows = AllRows();
  rows.Rows = {List()->GetRecord(1)};
  EXPECT_TRUE(Aggregate(u"MIN(ID)", rows).IsNull());
}

TEST_F(AggregateFixture, CountsValuesOrRows) {
  EXPECT_EQ(Aggregate(u"COUNT(ID)", AllRows()).AsInteger(), 2);
  EXPECT_EQ(Aggregate(u"COUNT(*)", AllRows()).AsInteger(), 3);
  EXPECT_EQ(Aggregate(u"COUNT(*) * 10 + SUM(ID)", AllRows()).AsInteger(), 39);
}

TEST_F(AggregateFixture, NoRowsGiveNullButCountOfRowsIsZero) {
  TRowList none;
  EXPECT_TRUE(Aggregate(u"SUM(ID)", none).IsNull());
  EXPECT_TRUE(Aggregate(u"MAX(NAME)", none).IsNull());
  EXPECT_EQ(Aggregate(u"COUNT(*)", none).AsInteger(), 0);
}

TEST_F(AggregateFixture, ExpressionsInsideAggregatesSeeEachRow) {
  EXPECT_EQ(Aggregate(u"SUM(ID * 2)", AllRows()).AsDouble(), 18.0);
  EXPECT_EQ(Aggregate(u"MAX(UPPER(NAME))", AllRows()).AsString(), u"В");
}

}  // namespace
