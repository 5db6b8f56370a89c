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
  EXPECT_TRUE(Aggregate(u"COUNT(ID)", none).IsNull());
  // A count of rows is a number even of none.
  EXPECT_EQ(Aggregate(u"COUNT(*)", none).AsInteger(), 0);
}

TEST_F(AggregateFixture, ExpressionsInsideAggregatesSeeEachRow) {
  EXPECT_EQ(Aggregate(u"SUM(ID * 2)", AllRows()).AsDouble(), 18.0);
  EXPECT_EQ(Aggregate(u"MAX(UPPER(NAME))", AllRows()).AsString(), u"В");
}

// ---- Compiled bytes fed directly: the evaluator's own checks -------------------------------

// Compiled expressions built by hand: nodes in order (the first is the root),
// then the literal area.
class TCompiled {
public:
  // A node; Words follow its class and operator. Answers its offset.
  Word Node(Integer Class, Integer Op, std::initializer_list<Word> Words) {
    const Word at = Word(FNodes.size());
    Put32(FNodes, Class);
    Put32(FNodes, Op);
    for (Word w : Words) Put16(FNodes, w);
    return at;
  }
  // Word K of the node at At.
  void Patch(Word At, int K, Word Value) {
    FNodes[At + 8 + 2 * K] = Byte(Value & 0xFF);
    FNodes[At + 9 + 2 * K] = Byte(Value >> 8);
  }
  Word Literal(std::initializer_list<Byte> Bytes) {
    const Word at = Word(FLits.size());
    FLits.insert(FLits.end(), Bytes);
    return at;
  }
  Word Int32(Integer V) {
    const Word lit = Literal({Byte(V), Byte(V >> 8), Byte(V >> 16), Byte(V >> 24)});
    return Node(enConst, eoConst, {6, 4, lit});
  }
  std::vector<Byte> Bytes() const {
    std::vector<Byte> b;
    Put16(b, 0);
    Put16(b, Word(ExprHeaderSize + FNodes.size() + FLits.size()));
    Put16(b, 0);
    Put16(b, Word(ExprHeaderSize));
    Put16(b, Word(ExprHeaderSize + FNodes.size()));
    b.insert(b.end(), FNodes.begin(), FNodes.end());
    b.insert(b.end(), FLits.begin(), FLits.end());
    return b;
  }

private:
  static void Put16(std::vector<Byte>& B, Word V) {
    B.push_back(Byte(V & 0xFF));
    B.push_back(Byte(V >> 8));
  }
  static void Put32(std::vector<Byte>& B, Integer V) {
    for (int k = 0; k < 4; ++k) B.push_back(Byte(V >> (8 * k)));
  }
  std::vector<Byte> FNodes, FLits;
};

struct CompiledFixture : ::testing::Test, ExprFixtureBase {
  TDataSetExprParserEh Parser{&DS, dsptFilterEh};
  // The message of evaluating C, or empty when it evaluates.
  String EvalMessage(const TCompiled& C) {
    Parser.SetFilterData(C.Bytes());
    return MessageOf<Exception>([&] { Parser.Evaluate(nullptr); });
  }
};

TEST_F(CompiledFixture, HandBuiltBytesEvaluateLikeCompiledOnes) {
  TCompiled c;
  const Word root = c.Node(enBinary, eoAdd, {0, 0});
  c.Patch(root, 0, c.Int32(40));
  c.Patch(root, 1, c.Int32(2));
  Parser.SetFilterData(c.Bytes());
  EXPECT_TRUE(Parser.HasExpression());
  EXPECT_EQ(Parser.Evaluate(nullptr).AsInteger(), 42);
}

TEST_F(CompiledFixture, AnOperatorItsNodeClassDoesNotTakeIsNamedWithTheClass) {
  TCompiled binary;
  const Word b = binary.Node(enBinary, 12, {0, 0});
  binary.Patch(b, 0, binary.Int32(1));
  binary.Patch(b, 1, binary.Int32(2));
  EXPECT_EQ(EvalMessage(binary), u"Operator <2:12> not supported.");
  TCompiled unary;
  const Word u = unary.Node(enUnary, eoAnd, {0});
  unary.Patch(u, 0, unary.Int32(1));
  EXPECT_EQ(EvalMessage(unary), u"Operator <1:10> not supported.");
  TCompiled field;
  field.Node(enField, eoConst, {1, field.Literal({'I', 'D', 0})});
  EXPECT_EQ(EvalMessage(field), u"Operator <4:14> not supported.");
  TCompiled strange;
  strange.Node(42, 3, {});
  EXPECT_EQ(EvalMessage(strange), u"Operator <42:3> not supported.");
  // Only the low 7 bits of an operator choose it; the message shows all of it.
  TCompiled high;
  const Word h = high.Node(enBinary, 0x100 | 12, {0, 0});
  high.Patch(h, 0, high.Int32(1));
  high.Patch(h, 1, high.Int32(2));
  EXPECT_EQ(EvalMessage(high), u"Operator <2:268> not supported.");
}

TEST_F(CompiledFixture, NodeClassesWithoutAMeaningAreNull) {
  TCompiled c;
  c.Node(7, 0, {});
  Parser.SetFilterData(c.Bytes());
  EXPECT_TRUE(Parser.Evaluate(nullptr).IsNull());
  EXPECT_FALSE(Parser.IsRecordAccepted(nullptr));
}

TEST_F(CompiledFixture, ConstantsOfTypesThatCannotBeReadNameTheirType) {
  TCompiled blob;
  blob.Node(enConst, eoConst, {3, 4, blob.Literal({1, 2, 3, 4})});  // read as ftBlob
  EXPECT_EQ(EvalMessage(blob), u"Unsupported data type: [15].");
  TCompiled unknown;
  unknown.Node(enConst, eoConst, {0, 0, 0});
  EXPECT_EQ(EvalMessage(unknown), u"Unsupported data type: [0].");
  // A code past the table names the code itself.
  TCompiled past;
  past.Node(enConst, eoConst, {40, 4, past.Literal({1, 2, 3, 4})});
  EXPECT_EQ(EvalMessage(past), u"Unsupported data type: [40].");
}

TEST_F(CompiledFixture, FunctionsTheCompilerWouldRefuseAreRefusedByName) {
  TCompiled unknown;
  unknown.Node(enFunc, eoFunc, {unknown.Literal({'F', 'o', 'o', 0}), 0});
  EXPECT_EQ(EvalMessage(unknown), u"Unsupported function: Foo");
  TCompiled noArgs;
  noArgs.Node(enFunc, eoFunc, {noArgs.Literal({'u', 'p', 'p', 'e', 'r', 0}), 0});
  EXPECT_EQ(EvalMessage(noArgs), u"Incorrect number of arguments in function <upper>");
}

TEST_F(CompiledFixture, DamagedBytesAreRefusedAndTheExpressionHeldBeforeStays) {
  Parser.ParseExpression(u"ID = 1");
  const std::vector<Byte> good = Parser.GetFilterData();
  const String damaged = u"TDataSetExprParserEh: the compiled expression is damaged.";
  auto refused = [&](std::vector<Byte> Bytes) {
    EXPECT_EQ(MessageOf<Exception>([&] { Parser.SetFilterData(std::move(Bytes)); }), damaged);
    EXPECT_EQ(Parser.GetFilterData(), good);
  };
  refused({1, 2, 3});  // shorter than a header
  std::vector<Byte> lit = good;
  lit[8] = 0xFF, lit[9] = 0x7F;  // literal area past the end
  refused(lit);
  refused(std::vector<Byte>(good.begin(), good.end() - 3));  // cut short
  TCompiled self;                                            // a node that contains itself
  self.Node(enUnary, eoNot, {0});
  refused(self.Bytes());
  TCompiled beyond;  // a child past the nodes
  beyond.Node(enUnary, eoNot, {200});
  refused(beyond.Bytes());
  TCompiled name;  // a name without its end
  name.Node(enField, eoField, {1, 0});
  std::vector<Byte> unterminated = name.Bytes();
  unterminated.push_back('I');
  refused(unterminated);
}

}  // namespace
