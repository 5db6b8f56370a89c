// The builders: the condition texts of a grid's filter row in dataset-filter
// and SQL syntax, and the rewriting of a dataset's SQL text.

#include <gtest/gtest.h>

#include "GridServicesTestSupport.h"
#include "platform/core/DateTime.h"
#include "platform/core/Filer.h"
#include "platform/core/FormatSettings.h"
#include "platform/core/StringList.h"

namespace {

// An in-memory table that keeps an SQL text in a published "SQL" property, as
// a query dataset does; AsLines publishes it as a list of lines instead.
class TSQLTestTable : public TMemTableEh {
public:
  explicit TSQLTestTable(TComponent* AOwner, bool AsLines = false) : TMemTableEh(AOwner), FAsLines(AsLines) {}
  String SQL;
  Integer Opens = 0;

protected:
  void GetPropInfos(std::vector<TPropInfo>& Props) override {
    TMemTableEh::GetPropInfos(Props);
    if (!FAsLines) {
      Props.push_back({u"SQL", [this](TWriter* W) { W->WriteString(SQL); },
                       [this](TReader* R) { SQL = R->ReadString(); }, nullptr});
      return;
    }
    Props.push_back({u"SQL",
                     [this](TWriter* W) {
                       TStringList lines;
                       lines.SetText(SQL);
                       W->WriteListBegin();
                       for (Integer i = 0; i < lines.GetCount(); ++i) W->WriteString(lines.Get(i));
                       W->WriteListEnd();
                     },
                     [this](TReader* R) {
                       TStringList lines;
                       R->ReadListBegin();
                       while (!R->EndOfList()) lines.Add(R->ReadString());
                       R->ReadListEnd();
                       SQL = lines.GetText();
                     },
                     nullptr});
  }
  void DoAfterOpen() override {
    ++Opens;
    TMemTableEh::DoAfterOpen();
  }

private:
  bool FAsLines;
};

class FilterBuilders : public ::testing::Test {
protected:
  void SetUp() override {
    Saved = FormatSettings;
    FormatSettings.DecimalSeparator = u',';
    BuildGoodsColumns(Table);
    Grid->Source->SetDataSet(&Table);
    for (const char16_t* name : {u"ID", u"NAME", u"PRICE", u"D", u"OK"}) Grid->AddColumn(name);
    Table.Open();
  }
  void TearDown() override { FormatSettings = Saved; }

  String DataSetFilter(bool LikeSupported = true) {
    String text;
    BuildGridFilterText(Grid.get(), &BuildDataSetFilterCondition, TDateValueToSQLStringEh(), text, LikeSupported,
                        false);
    return text;
  }
  String SQLFilter(const TDateValueToSQLStringEh& DateWriter = TDateValueToSQLStringEh()) {
    String text;
    BuildGridFilterText(Grid.get(), &BuildSQLCondition, DateWriter, text, false, true);
    return text;
  }
  // The IDs the table shows under the grid's filter.
  std::vector<Integer> Filtered() {
    Table.SetFilter(DataSetFilter());
    Table.SetFiltered(true);
    return RowIds(Table);
  }

  TFormatSettings Saved;
  TSQLTestTable Table{nullptr};
  std::unique_ptr<TTestDataGrid> Grid = std::make_unique<TTestDataGrid>(nullptr);
};

}  // namespace

TEST_F(FilterBuilders, ColumnsJoinWithAndAndAnOrPairIsParenthesised) {
  Grid->Column(u"ID")->SetFilterText(u"=1");
  Grid->Column(u"PRICE")->SetFilterText(u">2 OR <0");
  EXPECT_EQ(DataSetFilter(), u" [ID] = 1 AND ( [PRICE] > 2 OR [PRICE] < 0) ");
  EXPECT_EQ(SQLFilter(), u" ID = 1 AND ( PRICE > 2 OR PRICE < 0) ");
}

TEST_F(FilterBuilders, NoConditionOrNoDatasetGivesAnEmptyText) {
  EXPECT_EQ(DataSetFilter(), String());
  Grid->Column(u"ID")->SetFilterText(u"=1");
  Grid->Source->SetDataSet(nullptr);
  EXPECT_EQ(DataSetFilter(), String());
}

TEST_F(FilterBuilders, ListsBecomeOrChainsInTheDatasetFilterAndInListsInSQL) {
  Grid->Column(u"NAME")->SetFilterText(u"in (a,b)");
  EXPECT_EQ(DataSetFilter(), u" ([NAME] = 'a' OR [NAME] = 'b') ");
  EXPECT_EQ(SQLFilter(), u" NAME IN ('a','b') ");
  Grid->Column(u"NAME")->SetFilterText(u"!In (a,b)");
  EXPECT_EQ(DataSetFilter(), u" NOT ([NAME] = 'a' OR [NAME] = 'b') ");
  EXPECT_EQ(SQLFilter(), u" NAME NOT IN ('a','b') ");
}

TEST_F(FilterBuilders, LikeIsWrittenAsEqualityWhereTheDatasetLacksIt) {
  Grid->Column(u"NAME")->SetFilterText(u"~Mos%");
  EXPECT_EQ(DataSetFilter(true), u" [NAME] Like 'Mos%' ");
  EXPECT_EQ(DataSetFilter(false), u" [NAME] = 'Mos%' ");
  EXPECT_EQ(SQLFilter(), u" NAME LIKE 'Mos%' ");
  Grid->Column(u"NAME")->SetFilterText(u"!~Mos%");
  EXPECT_EQ(DataSetFilter(true), u" [NAME] Not Like 'Mos%' ");
  EXPECT_EQ(DataSetFilter(false), u" [NAME] <> 'Mos%' ");
  EXPECT_EQ(SQLFilter(), u" NAME NOT LIKE 'Mos%' ");
}

TEST_F(FilterBuilders, NullTestsHaveNoValue) {
  Grid->Column(u"PRICE")->SetFilterText(u"=Null");
  Grid->Column(u"NAME")->SetFilterText(u"<>Null");
  // Each condition brings its own leading blank.
  EXPECT_EQ(DataSetFilter(), u" [NAME] IS NOT NULL AND  [PRICE] IS NULL ");
  EXPECT_EQ(SQLFilter(), u" NAME IS NOT NULL AND  PRICE IS NULL ");
}

TEST_F(FilterBuilders, QuotesInsideValuesAreDoubledSoEachValueStaysOneLiteral) {
  Grid->Column(u"NAME")->SetFilterText(u"='it''s' OR ='x'' OR ''1''=''1'");
  EXPECT_EQ(SQLFilter(), u"( NAME = 'it''s' OR NAME = 'x'' OR ''1''=''1') ");
  EXPECT_EQ(DataSetFilter(), u"( [NAME] = 'it''s' OR [NAME] = 'x'' OR ''1''=''1') ");
  AddGoods(Table, 1, u"it's", 1.0, Null(), true);
  AddGoods(Table, 2, u"x' OR '1'='1", 1.0, Null(), true);
  AddGoods(Table, 3, u"other", 1.0, Null(), true);
  EXPECT_EQ(Filtered(), (std::vector<Integer>{1, 2}));
}

TEST_F(FilterBuilders, NumbersAreWrittenWithAPointWhateverTheLocale) {
  Grid->Column(u"PRICE")->SetFilterText(u">= 1,5");
  EXPECT_EQ(DataSetFilter(), u" [PRICE] >= 1.5 ");
  EXPECT_EQ(SQLFilter(), u" PRICE >= 1.5 ");
  Grid->Column(u"PRICE")->SetFilterText(u"in (1,5)");  // an In list always splits at commas
  EXPECT_EQ(SQLFilter(), u" PRICE IN (1,5) ");
  AddGoods(Table, 1, u"a", 1.25, Null(), true);
  AddGoods(Table, 2, u"b", 5.0, Null(), true);
  AddGoods(Table, 3, u"c", 1.0, Null(), true);
  EXPECT_EQ(Filtered(), (std::vector<Integer>{2, 3}));
  Grid->Column(u"PRICE")->SetFilterText(u"> 1,1");
  EXPECT_EQ(Filtered(), (std::vector<Integer>{1, 2}));
}

TEST_F(FilterBuilders, DatesAreWrittenInTheLocaleOrByTheDateWriter) {
  Grid->Column(u"D")->SetFilterText(u"> 01.02.2020 AND < 03.02.2020 10:30:00");
  EXPECT_EQ(DataSetFilter(), u" [D] > '01.02.2020' AND [D] < '03.02.2020 10:30:00' ");
  EXPECT_EQ(SQLFilter(), u" D > '01.02.2020' AND D < '03.02.2020 10:30:00' ");
  const TDateValueToSQLStringEh isoWriter = [](TDataSet*, const Variant& V, String& Text) {
    Text = u"'" + FormatDateTime(u"yyyy-mm-dd hh:nn:ss", V.AsDateTime()) + u"'";
  };
  EXPECT_EQ(SQLFilter(isoWriter), u" D > '2020-02-01 00:00:00' AND D < '2020-02-03 10:30:00' ");
  AddGoods(Table, 1, u"a", 1.0, Variant::FromDate(EncodeDateTime(2020, 2, 1, 0, 0, 0, 0)), true);
  AddGoods(Table, 2, u"b", 1.0, Variant::FromDate(EncodeDateTime(2020, 2, 2, 12, 0, 0, 0)), true);
  AddGoods(Table, 3, u"c", 1.0, Variant::FromDate(EncodeDateTime(2020, 2, 3, 10, 30, 0, 0)), true);
  EXPECT_EQ(Filtered(), (std::vector<Integer>{2}));
}

TEST_F(FilterBuilders, NowInADateColumnFiltersByTheCurrentTime) {
  Grid->Column(u"D")->SetFilterText(u"< NOW");
  EXPECT_EQ(DataSetFilter(), u" [D] < GETDATE() ");
  EXPECT_EQ(SQLFilter(), u" D < 'NOW' ");
  AddGoods(Table, 1, u"past", 1.0, Variant::FromDate(EncodeDate(2001, 1, 1)), true);
  AddGoods(Table, 2, u"future", 1.0, Variant::FromDate(EncodeDate(2999, 1, 1)), true);
  AddGoods(Table, 3, u"none", 1.0, Null(), true);
  EXPECT_EQ(Filtered(), (std::vector<Integer>{1}));
  Grid->Column(u"D")->SetFilterText(u">now");
  EXPECT_EQ(Filtered(), (std::vector<Integer>{2}));
  Grid->Column(u"D")->SetFilterText(u"");
  Grid->Column(u"NAME")->SetFilterText(u"=NOW");  // a text column's "NOW" is just text
  EXPECT_EQ(DataSetFilter(), u" [NAME] = 'NOW' ");
}

TEST_F(FilterBuilders, BooleanColumnsFilterByTheirTextValue) {
  Grid->Column(u"OK")->SetFilterText(u"True");
  EXPECT_EQ(DataSetFilter(), u" [OK] = 'True' ");
  AddGoods(Table, 1, u"a", 1.0, Null(), true);
  AddGoods(Table, 2, u"b", 1.0, Null(), false);
  EXPECT_EQ(Filtered(), (std::vector<Integer>{1}));
}

TEST_F(FilterBuilders, AColumnFiltersUnderItsFilterFieldNameAndInSQLUnderItsOrigin) {
  Grid->Column(u"PRICE")->SetFilterText(u"=1");
  Table.FieldByName(u"PRICE")->SetOrigin(u"G.PRICE");
  EXPECT_EQ(DataSetFilter(), u" [PRICE] = 1 ");
  EXPECT_EQ(SQLFilter(), u" G.PRICE = 1 ");
  Grid->Column(u"PRICE")->DataField = u"COST";
  EXPECT_EQ(DataSetFilter(), u" [COST] = 1 ");
  EXPECT_EQ(SQLFilter(), u" COST = 1 ");
}

TEST_F(FilterBuilders, ColumnsWithoutAFieldOrAValueTypeBuildNothing) {
  TTestGridColumn* lost = Grid->AddColumn(u"GONE");
  lost->Expression.ExpressionType = stvtNumberEh;
  ParseFilterExpression(u"=1", lost->Expression, fdoNoneEh);
  Grid->Column(u"ID")->SetFilterText(u"=2");
  Grid->Column(u"ID")->Expression.ExpressionType = stvtNoneEh;
  EXPECT_EQ(DataSetFilter(), String());
}

TEST_F(FilterBuilders, ATrailingRelationWithoutASecondConditionAddsNothing) {
  Grid->Column(u"ID")->SetFilterText(u"=5 OR");
  EXPECT_EQ(DataSetFilter(), u" [ID] = 5 ");
  EXPECT_EQ(SQLFilter(), u" ID = 5 ");
}

// ---------------------------------------------------------------------------
// SQL texts

TEST_F(FilterBuilders, TheFilterReplacesTheMarkerLine) {
  Table.SQL = u"SELECT * FROM GOODS\r\nWHERE\r\n/*filter*/ old\r\nORDER BY 1\r\n";
  Grid->Column(u"ID")->SetFilterText(u">3");
  ApplyFilterToSQL(Grid.get(), TDateValueToSQLStringEh(), false, u"SQL");
  EXPECT_EQ(Table.SQL, u"SELECT * FROM GOODS\r\nWHERE\r\n/*FILTER*/ ( ID > 3 )\r\nORDER BY 1\r\n");
  EXPECT_FALSE(Table.GetActive());
  Grid->Column(u"ID")->SetFilterText(u"");
  ApplyFilterToSQL(Grid.get(), TDateValueToSQLStringEh(), true, u"sql");
  EXPECT_EQ(Table.SQL, u"SELECT * FROM GOODS\r\nWHERE\r\n/*FILTER*/ (1=1)\r\nORDER BY 1\r\n");
  EXPECT_TRUE(Table.GetActive());
}

TEST_F(FilterBuilders, AnSQLTextWithoutTheMarkerIsLeftAsItIs) {
  Table.SQL = u"SELECT * FROM GOODS";
  Grid->Column(u"ID")->SetFilterText(u">3");
  const Integer opens = Table.Opens;
  ApplyFilterToSQL(Grid.get(), TDateValueToSQLStringEh(), true, u"SQL");
  EXPECT_EQ(Table.SQL, u"SELECT * FROM GOODS");
  EXPECT_TRUE(Table.GetActive());
  EXPECT_EQ(Table.Opens, opens);
}

TEST_F(FilterBuilders, SortMarkersRewriteTheOrderByLine) {
  Table.SQL = u"SELECT * FROM GOODS\r\norder by 2\r\n  , 3\r\n";
  Grid->SortMarked = {Grid->Column(u"PRICE"), Grid->Column(u"NAME")};
  Grid->Column(u"PRICE")->SortMarker = smUpEh;
  Grid->Column(u"NAME")->SortMarker = smDownEh;
  ApplySortingToSQL(Grid.get(), &Table, false, u"SQL", false);
  EXPECT_EQ(Table.SQL, u"SELECT * FROM GOODS\r\nORDER BY 3 DESC, 2\r\n  , 3\r\n");
  ApplySortingToSQL(Grid.get(), &Table, true, u"SQL", true);
  EXPECT_EQ(Table.SQL, u"SELECT * FROM GOODS\r\nORDER BY PRICE DESC, NAME\r\n  , 3\r\n");
  EXPECT_TRUE(Table.GetActive());
  Grid->SortMarked.clear();
  ApplySortingToSQL(Grid.get(), &Table, true, u"SQL", true);
  EXPECT_EQ(Table.SQL, u"SELECT * FROM GOODS\r\n\r\n  , 3\r\n");
}

TEST_F(FilterBuilders, AnSQLTextWithoutOrderByGetsOneAppended) {
  Table.SQL = u"SELECT * FROM GOODS";
  Grid->SortMarked = {Grid->Column(u"ID")};
  Grid->Column(u"ID")->SortMarker = smDownEh;
  ApplySortingToSQL(Grid.get(), &Table, true, u"SQL", false);
  EXPECT_EQ(Table.SQL, u"SELECT * FROM GOODS\r\nORDER BY ID\r\n");
}

TEST_F(FilterBuilders, AQueryTextKeptAsLinesIsRewrittenLineByLine) {
  TSQLTestTable lines(nullptr, true);
  BuildGoodsColumns(lines);
  Grid->Source->SetDataSet(&lines);
  lines.SQL = u"SELECT *\r\n/*FILTER*/\r\n";
  lines.Open();
  Grid->Column(u"NAME")->SetFilterText(u"=x");
  ApplyFilterToSQL(Grid.get(), TDateValueToSQLStringEh(), false, u"SQL");
  EXPECT_EQ(lines.SQL, u"SELECT *\r\n/*FILTER*/ ( NAME = 'x' )\r\n");
  Grid->Source->SetDataSet(&Table);
}

TEST_F(FilterBuilders, ADatasetWithoutAnSQLPropertyIsNotSQLBased) {
  TMemTableEh plain(nullptr);
  BuildGoodsColumns(plain);
  Grid->Source->SetDataSet(&plain);
  try {
    ApplyFilterToSQL(Grid.get(), TDateValueToSQLStringEh(), false, u"SQL");
    ADD_FAILURE() << "no error";
  } catch (const Exception& E) {
    EXPECT_EQ(E.Message(), u"TMemTableEh is not SQL based dataset");
  }
  EXPECT_THROW(ApplySortingToSQL(Grid.get(), &plain, false, u"SQL", false), Exception);
  EXPECT_THROW(ApplyFilterToSQL(Grid.get(), TDateValueToSQLStringEh(), false, u"Filtered"), Exception);
  Grid->Source->SetDataSet(&Table);
}
