// The filter-row language: the operator tables, the field-type table, the
// lexer and the parser.
//
// A text holds one or two conditions: an operator and a value ("> 10",
// "~'Mos%'", "in (1,2,5)", "=Null"), or a bare value that takes the column's
// default operator; two conditions are joined by AND or OR. The lexer reads
// one token at a time: an operator, a keyword, or a value (quoted, bare, or a
// comma-separated list of them). Values are strings until the last step
// converts them to the column's value type.

#include <iterator>

#include "editors/DaVirVCL.h"
#include "grid/DbUtilsEh.h"
#include "gridbase/DaVirConsts.h"
#include "platform/core/DateTime.h"
#include "platform/core/Exceptions.h"
#include "platform/core/Format.h"
#include "platform/core/FormatSettings.h"
#include "platform/core/Strings.h"

const char16_t* const STFilterOperatorTextsEh[15] = {u"",   u"=",  u"<>",  u">",    u"<",    u">=",  u"<=", u"~",
                                                     u"!~", u"In", u"!In", u"Null", u"Null", u"AND", u"OR"};

const char16_t* const STFilterOperatorSQLTextsEh[15] = {u"",       u"=",       u"<>",          u">",        u"<",
                                                        u">=",     u"<=",      u"LIKE",        u"NOT LIKE", u"IN",
                                                        u"NOT IN", u"IS NULL", u"IS NOT NULL", u"AND",      u"OR"};

const int STFilterParserMessagesEh[8] = {SQuoteIsAbsentEh,
                                         SLeftBracketExpectedEh,
                                         SRightBracketExpectedEh,
                                         SErrorInExpressionEh,
                                         SUnexpectedExpressionBeforeNullEh,
                                         SUnexpectedExpressionAfterOperatorEh,
                                         SIncorrectExpressionEh,
                                         SUnexpectedANDorOREh};

void ClearSTFilterExpression(TSTFilterExpressionEh& Expression) {
  Expression.Operator1 = foNoneEh;
  Expression.Operand1 = Variant();
  Expression.Relation = foNoneEh;
  Expression.Operator2 = foNoneEh;
  Expression.Operand2 = Variant();
}

// ---------------------------------------------------------------------------
// Field types

namespace {

constexpr TSTFilterValueTypeEh S = stvtStringEh, N = stvtNumberEh, D = stvtDateTimeEh, B = stvtBooleanEh,
                               X = stvtNoneEh;

// Indexed by TFieldType, in the platform's ordinal order.
constexpr TSTFilterValueTypeEh ValueTypeOfFieldType[] = {
    X, S, N, N, N,        // ftUnknown ftString ftSmallint ftInteger ftWord
    B, N, N, N, D, D, D,  // ftBoolean ftFloat ftCurrency ftBCD ftDate ftTime ftDateTime
    X, X, N, X, S, X, X,  // ftBytes ftVarBytes ftAutoInc ftBlob ftMemo ftGraphic ftFmtMemo
    X, X, X, X, S,        // ftParadoxOle ftDBaseOle ftTypedBinary ftCursor ftFixedChar
    S, N, X, X, X, X,     // ftWideString ftLargeint ftADT ftArray ftReference ftDataSet
    X, X, X, X, X, S,     // ftOraBlob ftOraClob ftVariant ftInterface ftIDispatch ftGuid
    D, N, S, S, X,        // ftTimeStamp ftFMTBcd ftFixedWideChar ftWideMemo ftOraTimeStamp
    X, N, N, N, N, X,     // ftOraInterval ftLongWord ftShortint ftByte ftExtended ftConnection
    X, X};                // ftParams ftStream
static_assert(std::size(ValueTypeOfFieldType) == FieldTypeCount, "one value type for every field type");

}  // namespace

TSTFilterValueTypeEh STFilterValueTypeOfFieldTypeEh(TFieldType FieldType) {
  const int i = static_cast<int>(FieldType);
  return i >= 0 && i < FieldTypeCount ? ValueTypeOfFieldType[i] : stvtNoneEh;
}

// ---------------------------------------------------------------------------
// Lexer

namespace {

// Token codes: 0 nothing, 1 to 14 the operator codes, 15 a value.
constexpr Byte tkNone = 0, tkValue = foValueEh;

struct TToken {
  Byte Code = tkNone;
  Variant Operand;  // a value token's value (Null when nothing was read)
};

bool IsWordEnd(Char C) {
  if (C < 32) return true;
  switch (C) {
    case u' ':
    case u'!':
    case u'"':
    case u'&':
    case u'\'':
    case u'(':
    case u')':
    case u'+':
    case u',':
    case u'-':
    case u'.':
    case u'<':
    case u'=':
    case u'>':
    case u'|':
    case u'~': return true;
    default: return false;
  }
}

// Keyword codes: the operator codes of LIKE, IN, AND, OR and NULL; NOT is its own.
enum TKeyword { kwNone, kwNot, kwAnd, kwOr, kwLike, kwIn, kwNull };

struct TKeywordText {
  TKeyword Keyword;
  const char16_t* Text;  // a literal, or null for a library message
  int MessageId;
};
constexpr TKeywordText Keywords[] = {{kwNot, u"NOT", 0},
                                     {kwAnd, u"AND", 0},
                                     {kwOr, u"OR", 0},
                                     {kwLike, u"LIKE", 0},
                                     {kwIn, u"IN", 0},
                                     {kwNull, u"NULL", 0},
                                     {kwNot, nullptr, SNotSignEh},
                                     {kwAnd, nullptr, SAndSignEh},
                                     {kwOr, nullptr, SOrSignEh},
                                     {kwLike, nullptr, SEmptyKeywordSlotEh},
                                     {kwIn, nullptr, SInSignEh},
                                     {kwNull, nullptr, SNullSignEh}};

TKeyword KeywordOf(const String& Word) {
  if (Word.empty()) return kwNone;
  const String upper = WideUpperCaseEh(Word);
  for (const TKeywordText& k : Keywords) {
    const String text = k.Text ? String(k.Text) : LoadResStringEh(k.MessageId);
    if (!text.empty() && WideUpperCaseEh(text) == upper) return k.Keyword;
  }
  return kwNone;
}

// Reads the tokens of one trimmed text. Positions are 0-based here.
class TFilterLexer {
public:
  TFilterLexer(const String& Text, bool ListMode) : FText(Text), FListMode(ListMode) {}

  bool ListMode() const { return FListMode; }
  void SetListMode(bool Value) { FListMode = Value; }
  size_t Pos() const { return FPos; }
  bool AtEnd() const { return FPos >= FText.size(); }

  TToken Next() { return Read(FPos, false); }

  void SkipBlanks() { FPos = SkipBlanksFrom(FPos); }
  Char Current() const { return AtEnd() ? Char(0) : FText[FPos]; }
  void Advance() { ++FPos; }

  [[noreturn]] void Fail(int MessageId) const { throw Exception(LoadResStringEh(MessageId) + FText); }

private:
  size_t SkipBlanksFrom(size_t P) const {
    while (P < FText.size() && FText[P] == u' ') ++P;
    return P;
  }

  // A token at P; P moves past it. With Peek set, values are recognised
  // without being read (and P is not moved past them).
  TToken Read(size_t& P, bool Peek) {
    P = SkipBlanksFrom(P);
    TToken t;
    if (P >= FText.size()) return t;
    const Char c = FText[P];
    const auto next = [&](size_t k) { return P + k < FText.size() ? FText[P + k] : Char(0); };
    switch (c) {
      case u'\'':
        t.Code = tkValue;
        if (!Peek) t.Operand = ReadValueList(P);
        return t;
      case u'=': ++P; return Operator(foEqualEh, P);
      case u'!':
        if (next(1) == u'=') {
          P += 2;
          return Operator(foNotEqualEh, P);
        }
        ++P;
        return AfterNot(P);
      case u'&': ++P; return Operator(foAndEh, P);
      case u'(': return t;  // a stray opening parenthesis: nothing
      case u'<':
        if (next(1) == u'=') {
          P += 2;
          return Operator(foLessOrEqualEh, P);
        }
        if (next(1) == u'>') {
          P += 2;
          return Operator(foNotEqualEh, P);
        }
        ++P;
        return Operator(foLessEh, P);
      case u'>':
        if (next(1) == u'=') {
          P += 2;
          return Operator(foGreaterOrEqualEh, P);
        }
        ++P;
        return Operator(foGreaterEh, P);
      case u'|': ++P; return Operator(foOrEh, P);
      case u'~': ++P; return Operator(foLikeEh, P);
      default: break;
    }
    size_t e = P;
    while (e < FText.size() && !IsWordEnd(FText[e])) ++e;
    switch (KeywordOf(FText.substr(P, e - P))) {
      case kwNot: P = e; return AfterNot(P);
      case kwAnd: P = e; return Operator(foAndEh, P);
      case kwOr: P = e; return Operator(foOrEh, P);
      case kwLike: P = e; return Operator(foLikeEh, P);
      case kwNull: P = e; return Operator(foNullEh, P);
      case kwIn: P = e; return AfterIn(foInEh, P);
      case kwNone: break;
    }
    // Not a keyword: read again from its start as a value.
    t.Code = tkValue;
    if (Peek) return t;
    t.Operand = ReadValueList(P);
    if (t.Operand.IsNull()) t.Code = tkNone;
    return t;
  }

  TToken Operator(Byte Code, size_t& P) {
    P = SkipBlanksFrom(P);
    TToken t;
    t.Code = Code;
    return t;
  }

  // IN takes its opening parenthesis with it.
  TToken AfterIn(Byte Code, size_t& P) {
    P = SkipBlanksFrom(P);
    if (P >= FText.size() || FText[P] != u'(') Fail(SLeftBracketExpectedEh);
    ++P;
    TToken t;
    t.Code = Code;
    return t;
  }

  TToken AfterNot(size_t& P) {
    P = SkipBlanksFrom(P);
    size_t q = P;
    const TToken after = Read(q, true);
    TToken t;
    switch (after.Code) {
      case foLikeEh: t.Code = foNotLikeEh; break;
      case foInEh: t.Code = foNotInEh; break;
      case foNullEh: t.Code = foNotNullEh; break;
      default: return t;  // NOT before anything else is nothing
    }
    P = q;
    return t;
  }

  // One value or a comma-separated list of them; Null when nothing was read.
  Variant ReadValueList(size_t& P) {
    std::vector<Variant> values;
    for (;;) {
      values.push_back(ReadValue(P));
      if (!FListMode || P >= FText.size() || FText[P] != u',') break;
      ++P;
    }
    if (values.size() == 1) return values.front();
    for (Variant& v : values)
      if (v.IsNull()) v = Variant(String());  // an empty element between commas is an empty text
    return VarArrayOf(values);
  }

  Variant ReadValue(size_t& P) {
    if (P < FText.size() && FText[P] == u'\'') return ReadQuoted(P);
    return ReadBare(P);
  }

  Variant ReadQuoted(size_t& P) {
    String value;
    size_t i = P + 1;
    for (;;) {
      if (i >= FText.size()) Fail(SQuoteIsAbsentEh);
      if (FText[i] == u'\'') {
        if (i + 1 < FText.size() && FText[i + 1] == u'\'') {
          value += u'\'';
          i += 2;
          continue;
        }
        break;
      }
      value += FText[i++];
    }
    P = i + 1;
    return Variant(value);
  }

  // Up to "(" or ")", a "," in list mode, or a blank that is followed by an
  // operator; blanks inside belong to the value.
  Variant ReadBare(size_t& P) {
    size_t i = P;
    while (i < FText.size()) {
      const Char c = FText[i];
      if (c == u'(' || c == u')' || (c == u',' && FListMode)) break;
      if (c == u' ') {
        size_t q = i;
        const Byte code = Read(q, true).Code;
        if (code >= foEqualEh && code <= foOrEh) break;
      }
      ++i;
    }
    if (i == P) return Null();
    Variant v(FText.substr(P, i - P));
    P = i;
    return v;
  }

  const String& FText;
  bool FListMode;
  size_t FPos = 0;
};

// ---------------------------------------------------------------------------
// Conversion of operands

// A number as typed: the locale's decimal separator, or ".".
Variant ToNumber(const Variant& V) {
  if (V.IsNull()) return V;
  const String s = VarToStr(V);
  double d;
  if (TryStrToFloat(s, d)) return Variant(d);
  TFormatSettings dot = FormatSettings;
  dot.DecimalSeparator = u'.';
  if (TryStrToFloat(s, d, dot)) return Variant(d);
  // Also a number too large for a double, which no filter could hold.
  throw EConvertError(u"'" + s + u"' is not a valid floating point value");
}

Variant ToDateTime(const Variant& V) {
  if (V.IsNull()) return V;
  const String s = VarToStr(V);
  if (WideUpperCaseEh(s) == u"NOW") return V;
  return Variant::FromDate(StrToDateTime(s));
}

Variant ConvertOperand(const Variant& V, TSTFilterValueTypeEh Type) {
  Variant (*convert)(const Variant&) = nullptr;
  if (Type == stvtNumberEh) convert = &ToNumber;
  else if (Type == stvtDateTimeEh) convert = &ToDateTime;
  if (!convert) return V;
  if (!V.IsArray()) return convert(V);
  std::vector<Variant> out;
  for (Integer i = VarArrayLowBound(V); i <= VarArrayHighBound(V); ++i) out.push_back(convert(VarArrayGet(V, i)));
  return VarArrayOf(out);
}

void ConvertCondition(TSTFilterOperatorEh Operator, Variant& Operand, TSTFilterValueTypeEh Type) {
  if (Operator >= foEqualEh && Operator <= foNotInEh) Operand = ConvertOperand(Operand, Type);
  else Operand = Null();
}

bool IsList(const Variant& V) { return V.IsArray(); }

// The operator a bare value gets when the user typed none.
TSTFilterOperatorEh ImplicitOperator(const Variant& Value, TSTFilterValueTypeEh Type) {
  if (IsList(Value)) return foInEh;
  return Type == stvtStringEh ? foLikeEh : foEqualEh;
}

// A bare value with the column's default operator: LIKE gets its wildcards. A
// list always compares by membership, negated when the default negates.
void ApplyDefaultOperator(TSTFilterDefaultOperatorEh Default, Variant& Value, TSTFilterOperatorEh& Operator) {
  if (IsList(Value)) {
    const bool negated = Default == fdoNotEqualEh || Default == fdoNotInEh || Default == fdoNotLikeEh ||
                         Default == fdoNotBeginsWithEh || Default == fdoNotEndsWithEh || Default == fdoNotContainsEh;
    Operator = negated ? foNotInEh : foInEh;
    return;
  }
  if (Default <= fdoNotInEh) {
    Operator = static_cast<TSTFilterOperatorEh>(Default);
    return;
  }
  const bool negated = Default == fdoNotBeginsWithEh || Default == fdoNotEndsWithEh || Default == fdoNotContainsEh;
  Operator = negated ? foNotLikeEh : foLikeEh;
  const String text = VarToStr(Value);
  if (!text.empty() && text[0] == u'%') return;
  const bool append = Default == fdoBeginsWithEh || Default == fdoNotBeginsWithEh || Default == fdoContainsEh ||
                      Default == fdoNotContainsEh;
  const bool prepend = Default >= fdoEndsWithEh;
  Value = Variant((prepend ? u"%" : u"") + text + (append ? u"%" : u""));
}

bool ComputeListMode(TSTFilterValueTypeEh Type) {
  return !(Type == stvtNumberEh && FormatSettings.DecimalSeparator == u',');
}

// An explicit operator and the token after it. A list after "=" or "<>" is a
// membership test; after any other comparison it is an error.
void ReadOperatorCondition(TFilterLexer& Lexer, Byte Code, TSTFilterOperatorEh& Operator, Variant& Operand,
                           bool CloseList) {
  if (Code == tkNone || Code == foAndEh || Code == foOrEh) Lexer.Fail(SErrorInExpressionEh);
  const bool inList = Code == foInEh || Code == foNotInEh;
  if (inList) Lexer.SetListMode(true);
  TToken t = Lexer.Next();
  Operator = static_cast<TSTFilterOperatorEh>(Code);
  if (t.Code == foNullEh) {
    if (Code == foEqualEh) Operator = foNullEh;
    else if (Code == foNotEqualEh) Operator = foNotNullEh;
    else Lexer.Fail(SUnexpectedExpressionBeforeNullEh);
  } else if (t.Code != tkValue || Code == foNullEh || Code == foNotNullEh) {
    Lexer.Fail(SUnexpectedExpressionAfterOperatorEh);
  }
  Operand = t.Operand;
  if (IsList(Operand) && !inList) {
    if (Code == foEqualEh) Operator = foInEh;
    else if (Code == foNotEqualEh) Operator = foNotInEh;
    else Lexer.Fail(SErrorInExpressionEh);
  }
  if (inList && CloseList) {
    Lexer.SkipBlanks();
    if (Lexer.Current() != u')') Lexer.Fail(SRightBracketExpectedEh);
    Lexer.Advance();
  }
}

// Code 0 after a condition ends the text when nothing is left.
bool EndsHere(const TFilterLexer& Lexer, Byte Code) {
  if (Code != tkNone) return false;
  if (!Lexer.AtEnd()) Lexer.Fail(SIncorrectExpressionEh);
  return true;
}

}  // namespace

// ---------------------------------------------------------------------------
// Parser

void ParseFilterExpression(const String& Text, TSTFilterExpressionEh& Expression,
                           TSTFilterDefaultOperatorEh DefaultOperator) {
  Expression.Operator1 = foNoneEh;
  Expression.Operand1 = Null();
  Expression.Relation = foNoneEh;
  Expression.Operator2 = foNoneEh;
  Expression.Operand2 = Null();
  const TSTFilterValueTypeEh type = Expression.ExpressionType;
  const String text = Trim(Text);
  if (text.empty()) return;
  TFilterLexer lexer(text, ComputeListMode(type));

  TToken t = lexer.Next();
  if (t.Code == tkValue) {
    Expression.Operand1 = t.Operand;
    if (DefaultOperator != fdoNoneEh) ApplyDefaultOperator(DefaultOperator, Expression.Operand1, Expression.Operator1);
    else Expression.Operator1 = ImplicitOperator(t.Operand, type);
  } else {
    ReadOperatorCondition(lexer, t.Code, Expression.Operator1, Expression.Operand1, true);
    lexer.SetListMode(ComputeListMode(type));
  }

  t = lexer.Next();
  if (!EndsHere(lexer, t.Code)) {
    if (t.Code != foAndEh && t.Code != foOrEh) lexer.Fail(SUnexpectedANDorOREh);
    Expression.Relation = static_cast<TSTFilterOperatorEh>(t.Code);
    t = lexer.Next();
    if (!EndsHere(lexer, t.Code)) {
      if (t.Code == tkValue) {
        Expression.Operand2 = t.Operand;
        Expression.Operator2 = ImplicitOperator(t.Operand, type);
      } else {
        ReadOperatorCondition(lexer, t.Code, Expression.Operator2, Expression.Operand2, false);
      }
    }
  }

  ConvertCondition(Expression.Operator1, Expression.Operand1, type);
  ConvertCondition(Expression.Operator2, Expression.Operand2, type);
}
