// The filter compiler: texts compile into the byte layout the evaluators read,
// decoded back into a tree to compare; bad texts fail with their position.

#include <gtest/gtest.h>

#include "ExprDecoder.h"
#include "TestDataSet.h"
#include "platform/core/DateTime.h"
#include "platform/core/FormatSettings.h"
#include "platform/core/Strings.h"

namespace {

struct TFieldDef {
  const char16_t* Name;
  Integer No;
  TFieldType Type;
};
const TFieldDef Fields[] = {{u"ID", 1, ftInteger},          {u"ID_TYPE", 2, ftInteger}, {u"NAME_THIS", 3, ftString},
                            {u"Название", 4, ftWideString}, {u"D", 5, ftDate},          {u"T", 6, ftTime},
                            {u"DT", 7, ftDateTime},         {u"Amount", 8, ftFloat},    {u"Flag", 9, ftBoolean},
                            {u"My Field", 10, ftString},    {u"Calc", -1, ftInteger},   {u"Memo", 11, ftMemo}};

TExprFieldResolver Resolver() {
  return [](const String& name, TExprFieldInfo& info) {
    for (const auto& f : Fields)
      if (AnsiSameText(f.Name, name)) {
        info.FieldNo = f.No;
        info.DataType = f.Type;
        info.FieldName = f.Name;
        return true;
      }
    return false;
  };
}

struct ExprParserTest : ::testing::Test {
  TFormatSettings Saved = FormatSettings;
  void SetUp() override {
    FormatSettings.DecimalSeparator = u',';
    FormatSettings.DateSeparator = u'.';
    FormatSettings.ShortDateFormat = u"dd.MM.yyyy";
    FormatSettings.TimeSeparator = u':';
    FormatSettings.LongTimeFormat = u"H:mm:ss";
  }
  void TearDown() override { FormatSettings = Saved; }

  static std::string Compile(const String& text, TFilterOptions fo = {}, TParserOptions po = {poExtSyntax}) {
    TExprParser p(Resolver(), text, fo, po);
    return ExprDecoder(p.FilterData()).Decode();
  }
  static EExprParserError Error(const String& text, TParserOptions po = {poExtSyntax}) {
    try {
      TExprParser p(Resolver(), text, {}, po);
    } catch (EExprParserError& e) {
      return e;
    }
    ADD_FAILURE() << "compiled: " << ToUtf8(text);
    return EExprParserError();
  }
};

TEST_F(ExprParserTest, HeaderDescribesTheLayout) {
  TExprParser p(Resolver(), u"ID_TYPE>0", {}, {poExtSyntax});
  const auto& d = p.FilterData();
  ASSERT_EQ(p.DataSize(), static_cast<Integer>(d.size()));
  EXPECT_EQ(d[2] | (d[3] << 8), d.size());
  EXPECT_EQ(d[6] | (d[7] << 8), 10);
  // binary (8 + 4) + field (8 + 4) + constant (8 + 6) bytes of nodes
  EXPECT_EQ(d[8] | (d[9] << 8), 10 + 12 + 12 + 14);
  EXPECT_EQ(d[4] | (d[5] << 8), 3);
  // The root is the first node: class 2, operator 5.
  EXPECT_EQ(d[10], 2);
  EXPECT_EQ(d[14], 5);
  EXPECT_EQ(ExprDecoder(d).Decode(), "(> ID_TYPE#2 0)");
}

TEST_F(ExprParserTest, ComparisonsAndLogic) {
  EXPECT_EQ(Compile(u"ID = 1"), "(= ID#1 1)");
  EXPECT_EQ(Compile(u"ID <> 1"), "(<> ID#1 1)");
  EXPECT_EQ(Compile(u"ID != 1"), "(<> ID#1 1)");
  EXPECT_EQ(Compile(u"ID<1"), "(< ID#1 1)");
  EXPECT_EQ(Compile(u"ID<=1"), "(<= ID#1 1)");
  EXPECT_EQ(Compile(u"ID>=1"), "(>= ID#1 1)");
  // AND binds tighter than OR; NOT tighter than AND.
  EXPECT_EQ(Compile(u"ID = 1 or ID = 2 AND not ID_TYPE = 3"), "(or (= ID#1 1) (and (= ID#1 2) (not (= ID_TYPE#2 3))))");
  EXPECT_EQ(Compile(u"(ID = 1 OR ID = 2) AND Flag"), "(and (or (= ID#1 1) (= ID#1 2)) Flag#9)");
  EXPECT_EQ(Compile(u"Flag = TRUE or Flag = false"), "(or (= Flag#9 true) (= Flag#9 false))");
}

TEST_F(ExprParserTest, NullTestsLikeAndIn) {
  EXPECT_EQ(Compile(u"ID IS NULL"), "(isnull ID#1)");
  EXPECT_EQ(Compile(u"ID is not null"), "(notnull ID#1)");
  EXPECT_EQ(Compile(u"NAME_THIS LIKE 'ab%'"), "(like NAME_THIS#3 'ab%')");
  EXPECT_EQ(Compile(u"NAME_THIS NOT LIKE 'a_c'"), "(not (like NAME_THIS#3 'a_c'))");
  EXPECT_EQ(Compile(u"ID IN (1, 2, 3)"), "(in ID#1 [1 2 3])");
  EXPECT_EQ(Compile(u"ID NOT IN (7)"), "(not (in ID#1 [7]))");
  EXPECT_EQ(Compile(u"NAME_THIS in ('a', 'b')"), "(in NAME_THIS#3 ['a' 'b'])");
}

TEST_F(ExprParserTest, Arithmetic) {
  EXPECT_EQ(Compile(u"Amount * 2 + ID / 3 - 1 > 0"), "(> (- (+ (* Amount#8 2) (/ ID#1 3)) 1) 0)");
  EXPECT_EQ(Compile(u"ID = -5"), "(= ID#1 -5)");
  EXPECT_EQ(Compile(u"ID = -2147483648"), "(= ID#1 -2147483648)");
  EXPECT_EQ(Compile(u"ID = 2147483648"), "(= ID#1 2147483648L)");
  EXPECT_EQ(Compile(u"-ID < 0"), "(< (- 0 ID#1) 0)");
  EXPECT_EQ(Compile(u"Amount > 1.5e3"), "(> Amount#8 1500f)");
  EXPECT_EQ(Compile(u"NAME_THIS + 'x' = 'ax'"), "(= (+ NAME_THIS#3 'x') 'ax')");
}

TEST_F(ExprParserTest, NumbersInTheLocaleFormat) {
  // The grid's builders write numbers with the locale's decimal separator.
  EXPECT_EQ(Compile(u"[Amount] = 1,5"), "(= Amount#8 1.5f)");
  EXPECT_EQ(Compile(u"[Amount] = 1.5"), "(= Amount#8 1.5f)");
  // Inside lists a comma separates values.
  EXPECT_EQ(Compile(u"ID IN (1,5)"), "(in ID#1 [1 5])");
  EXPECT_EQ(Compile(u"SUBSTRING(NAME_THIS,1,2) = 'ab'"), "(= SUBSTRING(NAME_THIS#3 1 2) 'ab')");
  FormatSettings.DecimalSeparator = u'.';
  EXPECT_EQ(Compile(u"ID IN (1,5)"), "(in ID#1 [1 5])");
}

TEST_F(ExprParserTest, NamesBracketedAndCyrillic) {
  EXPECT_EQ(Compile(u"[My Field] = 'x'"), "(= My Field#10 'x')");
  EXPECT_EQ(Compile(u"[название] = 'Война и мир'"), "(= Название#4 'Война и мир')");
  EXPECT_EQ(Compile(u"Название = 'Ёж'"), "(= Название#4 'Ёж')");
  EXPECT_EQ(Compile(u"NAME_THIS = 'it''s'"), "(= NAME_THIS#3 'it's')");
  // The field's name is stored in the 8-bit code page.
  TExprParser p(Resolver(), u"Название IS NULL", {}, {poExtSyntax});
  const auto& d = p.FilterData();
  size_t lit = d[8] | (d[9] << 8);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&d[lit])), StringToAnsi(u"Название"));
}

TEST_F(ExprParserTest, CompareNodeForCaseInsensitiveAndPartialText) {
  EXPECT_EQ(Compile(u"NAME_THIS = 'abc'", {foCaseInsensitive}), "(cmp= ci=1 p=0 NAME_THIS#3 'abc')");
  EXPECT_EQ(Compile(u"'abc' <> NAME_THIS", {foCaseInsensitive}), "(cmp<> ci=1 p=0 'abc' NAME_THIS#3)");
  EXPECT_EQ(Compile(u"NAME_THIS LIKE 'a%'", {foCaseInsensitive}), "(cmplike ci=1 p=0 NAME_THIS#3 'a%')");
  // Partial compare: a trailing '*' compares only the text before it.
  EXPECT_EQ(Compile(u"NAME_THIS = 'Мос*'"), "(cmp= ci=0 p=3 NAME_THIS#3 'Мос')");
  EXPECT_EQ(Compile(u"NAME_THIS = 'Мос*'", {foNoPartialCompare}), "(= NAME_THIS#3 'Мос*')");
  EXPECT_EQ(Compile(u"NAME_THIS = 'Мос*'", {foCaseInsensitive}), "(cmp= ci=1 p=3 NAME_THIS#3 'Мос')");
  // Only text fields against text constants.
  EXPECT_EQ(Compile(u"ID = 5", {foCaseInsensitive}), "(= ID#1 5)");
  EXPECT_EQ(Compile(u"NAME_THIS > 'a'", {foCaseInsensitive}), "(> NAME_THIS#3 'a')");
  EXPECT_EQ(Compile(u"NAME_THIS = Memo", {foCaseInsensitive}), "(= NAME_THIS#3 Memo#11)");
  EXPECT_EQ(Compile(u"Memo = 'x'", {foCaseInsensitive}), "(cmp= ci=1 p=0 Memo#11 'x')");
}

TEST_F(ExprParserTest, QuotedDatesComparedWithDateFieldsAreTyped) {
  TTimeStamp day = DateTimeToTimeStamp(EncodeDate(2020, 2, 1));
  TTimeStamp moment = DateTimeToTimeStamp(EncodeDateTime(2020, 2, 1, 10, 30, 0, 0));
  EXPECT_EQ(Compile(u"D = '01.02.2020'"), "(= D#5 date:" + std::to_string(day.Date) + ")");
  EXPECT_EQ(Compile(u"'01.02.2020' < D"), "(< date:" + std::to_string(day.Date) + " D#5)");
  EXPECT_EQ(Compile(u"T >= '10:30:00'"), "(>= T#6 time:" + std::to_string(10 * 3600000 + 30 * 60000) + ")");
  Int64 ms = static_cast<Int64>(moment.Date) * 86400000 + moment.Time;
  EXPECT_EQ(Compile(u"DT > '01.02.2020 10:30:00'"), "(> DT#7 dt:" + std::to_string(ms) + ")");
  EXPECT_EQ(Compile(u"D IN ('01.02.2020')"), "(in D#5 [date:" + std::to_string(day.Date) + "])");
  // Other operands stay text.
  EXPECT_EQ(Compile(u"NAME_THIS = '01.02.2020'"), "(= NAME_THIS#3 '01.02.2020')");
  EXPECT_EQ(Error(u"D = 'tomorrow'").Position(), 5);
}

TEST_F(ExprParserTest, Functions) {
  EXPECT_EQ(Compile(u"UPPER(NAME_THIS) = 'A'"), "(= (upper NAME_THIS#3) 'A')");
  EXPECT_EQ(Compile(u"lower(NAME_THIS) = 'a'"), "(= (lower NAME_THIS#3) 'a')");
  EXPECT_EQ(Compile(u"Substring(NAME_THIS, 2) = 'b'"), "(= Substring(NAME_THIS#3 2) 'b')");
  EXPECT_EQ(Compile(u"TRIM(NAME_THIS, '*') = ''"), "(= TRIM(NAME_THIS#3 '*') '')");
  EXPECT_EQ(Compile(u"TRIMLEFT(NAME_THIS) = 'x'"), "(= TRIMLEFT(NAME_THIS#3) 'x')");
  EXPECT_EQ(Compile(u"YEAR(D) = 2020 and MONTH(D) = 2 and DAY(D) = 1"),
            "(and (and (= YEAR(D#5) 2020) (= MONTH(D#5) 2)) (= DAY(D#5) 1))");
  EXPECT_EQ(Compile(u"HOUR(DT) + MINUTE(DT) + SECOND(DT) > 0"), "(> (+ (+ HOUR(DT#7) MINUTE(DT#7)) SECOND(DT#7)) 0)");
  EXPECT_EQ(Compile(u"DATE(DT) < GETDATE()"), "(< DATE(DT#7) GETDATE())");
  EXPECT_EQ(Compile(u"TIME(DT) = T"), "(= TIME(DT#7) T#6)");
}

TEST_F(ExprParserTest, AggregatesOnlyInAggregateMode) {
  TParserOptions agg{poExtSyntax, poAggregate};
  EXPECT_EQ(Compile(u"SUM(Amount) * 2", {}, agg), "(* SUM(Amount#8) 2)");
  EXPECT_EQ(Compile(u"Count(*)", {}, agg), "Count()");
  EXPECT_EQ(Compile(u"COUNT(ID) + MIN(ID) + MAX(ID) + AVG(Amount)", {}, agg),
            "(+ (+ (+ COUNT(ID#1) MIN(ID#1)) MAX(ID#1)) AVG(Amount#8))");
  EXPECT_EQ(Error(u"SUM(Amount) > 0").Message(), u"Unsupported function: SUM");
}

TEST_F(ExprParserTest, TextsTheGridFilterBuildersWrite) {
  EXPECT_EQ(Compile(u" [ID] = 1 AND ( [ID_TYPE] > 2 OR [ID_TYPE] < 0) "),
            "(and (= ID#1 1) (or (> ID_TYPE#2 2) (< ID_TYPE#2 0)))");
  EXPECT_EQ(Compile(u" [NAME_THIS] Like 'Mos%'"), "(like NAME_THIS#3 'Mos%')");
  EXPECT_EQ(Compile(u" [NAME_THIS] Not Like 'Mos%'"), "(not (like NAME_THIS#3 'Mos%'))");
  EXPECT_EQ(Compile(u" [ID] IS NULL"), "(isnull ID#1)");
  EXPECT_EQ(Compile(u" [ID] IS NOT NULL"), "(notnull ID#1)");
  EXPECT_EQ(Compile(u" NOT ( [ID] = 1 OR [ID] = 2)"), "(not (or (= ID#1 1) (= ID#1 2)))");
  EXPECT_EQ(Compile(u" ( [ID] = 1 OR [ID] = 2 OR [ID] = 5)"), "(or (or (= ID#1 1) (= ID#1 2)) (= ID#1 5))");
  EXPECT_EQ(Compile(u" [Amount] >= 2,75 AND [Amount] < 10"), "(and (>= Amount#8 2.75f) (< Amount#8 10))");
  EXPECT_EQ(Compile(u" [D] >= '01.02.2020'").substr(0, 13), "(>= D#5 date:");
  EXPECT_EQ(Compile(u"ID_TYPE>0"), "(> ID_TYPE#2 0)");
}

TEST_F(ExprParserTest, ErrorsNameTheirPosition) {
  auto pos = [&](const String& text) { return Error(text).Position(); };
  EXPECT_EQ(pos(u"ID = "), 6);
  EXPECT_EQ(pos(u"ID = 'abc"), 6);
  EXPECT_EQ(pos(u"[ID = 1"), 1);
  EXPECT_EQ(pos(u"ID = 1 )"), 8);
  EXPECT_EQ(pos(u"ID # 1"), 4);
  EXPECT_EQ(pos(u"NOPE = 1"), 1);
  EXPECT_EQ(pos(u"ID = 1 AND"), 11);
  EXPECT_EQ(pos(u"ID IN 1"), 7);
  EXPECT_EQ(pos(u"ID IN (1 2)"), 10);
  EXPECT_EQ(pos(u"ID IS 5"), 7);
  EXPECT_EQ(pos(u"(ID = 1"), 8);
  EXPECT_EQ(pos(u"ID = 12abc"), 6);
  EXPECT_EQ(pos(u""), 1);
  EXPECT_EQ(pos(u"Calc = 1"), 1);  // not a data field
  EXPECT_EQ(Error(u"ID = 1 )").Message(), u"Operator or end of expression expected but ) found at position 8");
  EXPECT_EQ(Error(u"NOPE = 1").Message(), u"Field 'NOPE' not found at position 1");
  EXPECT_EQ(Error(u"ID = 'abc").Message(), u"Unterminated string constant at position 6");
}

TEST_F(ExprParserTest, FunctionErrorsUseTheEvaluatorsTexts) {
  EXPECT_EQ(Error(u"SUBSTRING(NAME_THIS, 1, 2, 3) = 'x'").Message(),
            u"Incorrect number of arguments in function <SUBSTRING>");
  EXPECT_EQ(Error(u"upper() = 'x'").Message(), u"Incorrect number of arguments in function <upper>");
  EXPECT_EQ(Error(u"FOO(ID) = 1").Message(), u"Unsupported function: FOO");
  EXPECT_EQ(Error(u"ID(*) = 1").Message(), u"Unsupported function: ID");
}

TEST_F(ExprParserTest, HugeOrDeepTextsFailCleanly) {
  String deep(5000, u'(');
  deep += u"ID = 1";
  deep += String(5000, u')');
  EXPECT_NE(Error(deep).Message().find(u"nested too deeply"), String::npos);
  String nots;
  for (int i = 0; i < 3000; ++i) nots += u"NOT ";
  EXPECT_NE(Error(nots + u"Flag").Message().find(u"nested too deeply"), String::npos);
  String wide = u"ID IN (1";
  for (int i = 0; i < 20000; ++i) wide += u",1";
  wide += u")";
  EXPECT_NE(Error(wide).Message().find(u"too long"), String::npos);
  String text = u"NAME_THIS = '" + String(40000, u'x') + u"'";
  EXPECT_NE(Error(text).Message().find(u"too long"), String::npos);
  // Just below the limits it compiles.
  String many = u"ID IN (1";
  for (int i = 0; i < 2000; ++i) many += u",1";
  many += u")";
  EXPECT_EQ(Compile(many).substr(0, 11), "(in ID#1 [1");
}

TEST_F(ExprParserTest, FieldsComeFromTheDataSet) {
  TTestDataSet ds;
  ds.GetFieldDefs()->Add(u"A", ftInteger);
  ds.GetFieldDefs()->Add(u"Имя", ftWideString, 10);
  ds.Open();
  TExprParser p(&ds, u"[имя] = 'x' or a > 1", {foCaseInsensitive}, {poExtSyntax});
  EXPECT_EQ(ExprDecoder(p.FilterData()).Decode(), "(or (cmp= ci=1 p=0 Имя#2 'x') (> A#1 1))");
  EXPECT_THROW(TExprParser(&ds, u"B = 1", {}, {poExtSyntax}), EExprParserError);
}

}  // namespace
