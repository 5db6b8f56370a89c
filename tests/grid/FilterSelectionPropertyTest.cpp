// A property of the filter builder: for random filter-row conditions over
// random data, the dataset filter it writes compiles with the filter compiler
// and selects exactly the records that the parsed conditions select.

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <random>

#include "GridServicesTestSupport.h"
#include "platform/core/DateTime.h"
#include "platform/core/FormatSettings.h"

namespace {

// Three-valued logic, as filters evaluate: unknown (a Null compared) never selects.
enum TTri { triFalse, triTrue, triUnknown };

TTri Not(TTri A) { return A == triUnknown ? triUnknown : (A == triTrue ? triFalse : triTrue); }
TTri And(TTri A, TTri B) {
  if (A == triFalse || B == triFalse) return triFalse;
  return A == triTrue && B == triTrue ? triTrue : triUnknown;
}
TTri Or(TTri A, TTri B) {
  if (A == triTrue || B == triTrue) return triTrue;
  return A == triFalse && B == triFalse ? triFalse : triUnknown;
}
TTri Of(bool B) { return B ? triTrue : triFalse; }

// SQL LIKE with "%" only (the data holds no "_").
bool Like(const String& V, const String& P) {
  std::vector<std::vector<char>> m(V.size() + 1, std::vector<char>(P.size() + 1, 0));
  m[0][0] = 1;
  for (size_t j = 1; j <= P.size(); ++j) m[0][j] = P[j - 1] == u'%' && m[0][j - 1];
  for (size_t i = 1; i <= V.size(); ++i)
    for (size_t j = 1; j <= P.size(); ++j)
      m[i][j] = P[j - 1] == u'%' ? (m[i - 1][j] || m[i][j - 1]) : (P[j - 1] == V[i - 1] && m[i - 1][j - 1]);
  return m[V.size()][P.size()];
}

// One record as the reference sees it; std::nullopt is Null.
struct TRow {
  Integer Id;
  std::optional<String> Name;
  std::optional<double> Price;
  std::optional<TDateTime> D;
};

// A cell value as the reference compares it: text, or a number (dates are numbers).
struct TCell {
  bool IsNull = true;
  bool IsText = false;
  String Text;
  double Number = 0;
};

TCell CellOf(const TRow& R, const String& Column) {
  TCell c;
  if (Column == u"ID") {
    c.IsNull = false;
    c.Number = R.Id;
  } else if (Column == u"NAME") {
    if (R.Name) {
      c.IsNull = false;
      c.IsText = true;
      c.Text = *R.Name;
    }
  } else if (Column == u"PRICE") {
    if (R.Price) {
      c.IsNull = false;
      c.Number = *R.Price;
    }
  } else if (R.D) {
    c.IsNull = false;
    c.Number = *R.D;
  }
  return c;
}

double NumberOf(const Variant& V, TDateTime NowValue) {
  if (VarIsStr(V)) return NowValue;  // "NOW"
  return V.VarType() == varDate ? V.AsDateTime() : V.AsDouble();
}

TTri Compare(TSTFilterOperatorEh Op, const TCell& C, const Variant& V, TDateTime NowValue) {
  if (C.IsNull) return triUnknown;
  if (C.IsText) {
    const String v = VarToStr(V);
    switch (Op) {
      case foEqualEh: return Of(C.Text == v);
      case foNotEqualEh: return Of(C.Text != v);
      case foLikeEh: return Of(Like(C.Text, v));
      case foNotLikeEh: return Of(!Like(C.Text, v));
      default: ADD_FAILURE() << "no ordering of texts is generated"; return triUnknown;
    }
  }
  const double a = C.Number, b = NumberOf(V, NowValue);
  switch (Op) {
    case foEqualEh:
    case foLikeEh: return Of(a == b);
    case foNotEqualEh:
    case foNotLikeEh: return Of(a != b);
    case foGreaterEh: return Of(a > b);
    case foLessEh: return Of(a < b);
    case foGreaterOrEqualEh: return Of(a >= b);
    default: return Of(a <= b);
  }
}

TTri Condition(TSTFilterOperatorEh Op, const Variant& Operand, const TCell& C, TDateTime NowValue) {
  switch (Op) {
    case foNullEh: return Of(C.IsNull);
    case foNotNullEh: return Of(!C.IsNull);
    case foInEh:
    case foNotInEh: {
      std::vector<Variant> list;
      if (Operand.IsArray()) {
        for (Integer i = VarArrayLowBound(Operand); i <= VarArrayHighBound(Operand); ++i)
          list.push_back(VarArrayGet(Operand, i));
      } else {
        list.push_back(Operand);
      }
      TTri any = triFalse;
      for (const Variant& v : list) any = Or(any, Compare(foEqualEh, C, v, NowValue));
      return Op == foInEh ? any : Not(any);
    }
    default: return Compare(Op, C, Operand, NowValue);
  }
}

TTri Expression(const TSTFilterExpressionEh& E, const TCell& C, TDateTime NowValue) {
  if (E.Operator1 == foNoneEh) return triTrue;
  const TTri first = Condition(E.Operator1, E.Operand1, C, NowValue);
  if (E.Relation == foNoneEh || E.Operator2 == foNoneEh) return first;
  const TTri second = Condition(E.Operator2, E.Operand2, C, NowValue);
  return E.Relation == foAndEh ? And(first, second) : Or(first, second);
}

// Random data and random filter-row texts for it.
class TRandomFilters {
public:
  explicit TRandomFilters(unsigned Start) : FRandom(Start) {}

  int Pick(int N) { return std::uniform_int_distribution<int>(0, N - 1)(FRandom); }

  String Text(int MaxLength) {
    static const char16_t* const Chars[] = {u"a", u"b", u"A", u"Б", u"'", u" ", u","};
    String s;
    for (int n = Pick(MaxLength + 1); n > 0; --n) s += Chars[Pick(static_cast<int>(std::size(Chars)))];
    return s;
  }
  double Price() { return static_cast<double>(Pick(21) - 5) / 4.0; }
  TDateTime Date() {
    return EncodeDateTime(static_cast<Word>(2019 + Pick(3)), static_cast<Word>(1 + Pick(2)),
                          static_cast<Word>(1 + Pick(3)), static_cast<Word>(Pick(2) * 12), 0,
                          static_cast<Word>(Pick(2) * 30), 0);
  }

  TRow Row(Integer Id) {
    TRow r{Id, std::nullopt, std::nullopt, std::nullopt};
    if (Pick(6)) r.Name = Text(3);
    if (r.Name && r.Name->empty()) r.Name.reset();  // the table keeps an empty text as Null
    if (Pick(6)) r.Price = Price();
    if (Pick(6)) r.D = Date();
    return r;
  }

  // A filter-row text for the column.
  String Filter(const String& Column) {
    String text = Condition(Column);
    if (Pick(3) == 0) text += (Pick(2) ? u" AND " : u" OR ") + Condition(Column);
    return text;
  }

private:
  String Value(const String& Column, bool InList) {
    if (Column == u"NAME") return QuotedStr(Text(3));
    if (Column == u"D") return QuotedStr(DateTimeToStr(Date()));
    if (Column == u"ID") return IntToStr(Pick(12));
    TFormatSettings fs = FormatSettings;
    fs.DecimalSeparator = InList || Pick(2) ? u'.' : u',';
    return FloatToStr(Price(), fs);
  }
  String Pattern() {
    String p;
    for (int n = Pick(4); n >= 0; --n) p += Pick(3) ? Text(1) : u"%";
    return QuotedStr(p);
  }
  String List(const String& Column) {
    String list = Value(Column, true);
    for (int n = Pick(3); n >= 0; --n) list += u"," + Value(Column, true);
    return list;
  }

  String Condition(const String& Column) {
    static const char16_t* const Ordered[] = {u"=", u"<>", u">", u"<", u">=", u"<="};
    switch (Pick(column_kinds)) {
      case 0: return u"=Null";
      case 1: return u"<>Null";
      case 2: return u"in (" + List(Column) + u")";
      case 3: return u"!In (" + List(Column) + u")";
      default: break;
    }
    if (Column == u"NAME") {
      switch (Pick(5)) {
        case 0: return u"= " + Value(Column, false);
        case 1: return u"<> " + Value(Column, false);
        case 2: return u"~ " + Pattern();
        case 3: return u"!~ " + Pattern();
        default: return Pattern();  // a bare value: LIKE
      }
    }
    if (Column == u"D" && Pick(4) == 0) return Pick(2) ? u"< NOW" : u">now";
    return String(Ordered[Pick(6)]) + u" " + Value(Column, false);
  }

  static constexpr int column_kinds = 10;
  std::mt19937 FRandom;
};

class FilterSelectionProperty : public ::testing::Test {
protected:
  void SetUp() override {
    Saved = FormatSettings;
    FormatSettings.DecimalSeparator = u',';
  }
  void TearDown() override { FormatSettings = Saved; }
  TFormatSettings Saved;
};

}  // namespace

TEST_F(FilterSelectionProperty, TheBuiltFilterSelectsExactlyWhatTheConditionsSelect) {
  TRandomFilters random(77031);
  const TDateTime nowValue = Now();
  const std::vector<String> columns = {u"ID", u"NAME", u"PRICE", u"D"};
  for (int trial = 0; trial < 400; ++trial) {
    TMemTableEh table(nullptr);
    BuildGoodsColumns(table);
    std::vector<TRow> rows;
    for (Integer id = 1; id <= 30; ++id) {
      rows.push_back(random.Row(id));
      const TRow& r = rows.back();
      AddGoods(table, id, r.Name ? Variant(*r.Name) : Null(), r.Price ? Variant(*r.Price) : Null(),
               r.D ? Variant::FromDate(*r.D) : Null(), true);
    }
    table.Open();
    TTestDataGrid grid(nullptr);
    grid.Source->SetDataSet(&table);
    String texts;
    for (const String& name : columns) {
      TTestGridColumn* column = grid.AddColumn(name);
      if (random.Pick(3) != 0) continue;
      const String text = random.Filter(name);
      texts += name + u": " + text + u"; ";
      ASSERT_NO_THROW(column->SetFilterText(text)) << ToUtf8(text);
    }

    std::vector<Integer> expected;
    for (const TRow& r : rows) {
      TTri all = triTrue;
      for (const String& name : columns)
        all = And(all, Expression(grid.Column(name)->Expression, CellOf(r, name), nowValue));
      if (all == triTrue) expected.push_back(r.Id);
    }

    String filter;
    BuildGridFilterText(&grid, &BuildDataSetFilterCondition, TDateValueToSQLStringEh(), filter, true, false);
    ASSERT_NO_THROW({
      table.SetFilter(filter);
      table.SetFiltered(true);
    }) << ToUtf8(texts)
       << " -> " << ToUtf8(filter);
    std::vector<Integer> selected = RowIds(table);
    std::sort(selected.begin(), selected.end());
    ASSERT_EQ(selected, expected) << ToUtf8(texts) << " -> " << ToUtf8(filter);
  }
}
