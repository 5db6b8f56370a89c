// The filter and aggregate evaluator.
//
// ParseExpression compiles the text with the dataset's TExprParser, then
// decodes the compiled bytes once into a node table (children by table index,
// constants already as Variants), checking every offset against the bytes:
// evaluation then never reads outside them, and walks the table per record
// without decoding anything again.
//
// Null handling: a comparison, LIKE or IN with a Null operand is unknown (Null),
// AND/OR/NOT follow three-valued logic, and a filter whose result is Null
// refuses the record.

#include <algorithm>
#include <cmath>
#include <cstring>
#include <unordered_map>

#include "editors/DaVirVCL.h"
#include "memtable/MemTableDataEh.h"
#include "platform/core/CodePage.h"
#include "platform/core/DateTime.h"
#include "platform/core/Format.h"
#include "platform/data/DataSet.h"
#include "platform/data/ExprParser.h"
#include "platform/data/Fields.h"

namespace {

enum TExprFuncEh {
  efUnknown = -1,
  efSubstring,
  efUpper,
  efLower,
  efTrim,
  efTrimLeft,
  efTrimRight,
  efYear,
  efMonth,
  efDay,
  efHour,
  efMinute,
  efSecond,
  efGetDate,
  efDate,
  efTime,
  efSum,
  efMin,
  efMax,
  efAvg,
  efCount
};

struct TFuncDefEh {
  const char* Name;
  TExprFuncEh Func;
  Integer MinArgs, MaxArgs;
};

const TFuncDefEh FuncDefs[] = {{"SUBSTRING", efSubstring, 2, 3},
                               {"UPPER", efUpper, 1, 1},
                               {"LOWER", efLower, 1, 1},
                               {"TRIM", efTrim, 1, 2},
                               {"TRIMLEFT", efTrimLeft, 1, 2},
                               {"TRIMRIGHT", efTrimRight, 1, 2},
                               {"YEAR", efYear, 1, 1},
                               {"MONTH", efMonth, 1, 1},
                               {"DAY", efDay, 1, 1},
                               {"HOUR", efHour, 1, 1},
                               {"MINUTE", efMinute, 1, 1},
                               {"SECOND", efSecond, 1, 1},
                               {"GETDATE", efGetDate, 0, 0},
                               {"DATE", efDate, 1, 1},
                               {"TIME", efTime, 1, 1},
                               {"SUM", efSum, 1, 1},
                               {"MIN", efMin, 1, 1},
                               {"MAX", efMax, 1, 1},
                               {"AVG", efAvg, 1, 1},
                               {"COUNT", efCount, 0, 1}};

bool SameAsciiName(const String& A, const char* B) {
  size_t n = std::strlen(B);
  if (A.size() != n) return false;
  for (size_t i = 0; i < n; ++i) {
    Char c = A[i];
    if (c >= u'a' && c <= u'z') c = static_cast<Char>(c - 32);
    if (c != static_cast<Char>(B[i])) return false;
  }
  return true;
}

const TFuncDefEh* FindFunc(const String& Name) {
  for (const TFuncDefEh& d : FuncDefs)
    if (SameAsciiName(Name, d.Name)) return &d;
  return nullptr;
}

// The type codes of constants: 0 to 26 (4103, the UTF-16 string, aside).
constexpr Word ConstTypeCodeCount = 27;

// The field type a constant's type code is read as.
TFieldType ConstFieldType(Word Code) {
  static const TFieldType Table[ConstTypeCodeCount] = {
      ftUnknown,  ftString,   ftDate,     ftBlob,  ftBoolean,   ftSmallint, ftInteger,   ftFloat,   ftBCD,
      ftBytes,    ftTime,     ftDateTime, ftWord,  ftInteger,   ftUnknown,  ftVarBytes,  ftUnknown, ftUnknown,
      ftLargeint, ftLargeint, ftADT,      ftArray, ftReference, ftDataSet,  ftTimeStamp, ftFMTBcd,  ftWideString};
  return Code < ConstTypeCodeCount ? Table[Code] : ftUnknown;
}

[[noreturn]] void BadForm() { throw Exception(u"TDataSetExprParserEh: the compiled expression is damaged."); }

// The reader of the compiled bytes: every read is checked against the end.
class TExprBytes {
public:
  explicit TExprBytes(const std::vector<Byte>& Data) : D(Data) {}
  Word GetWord(size_t At) const {
    if (At + 2 > D.size()) BadForm();
    return static_cast<Word>(D[At] | (D[At + 1] << 8));
  }
  Integer GetInt(size_t At) const {
    if (At + 4 > D.size()) BadForm();
    Cardinal v = 0;
    for (int k = 3; k >= 0; --k) v = (v << 8) | D[At + static_cast<size_t>(k)];
    return static_cast<Integer>(v);
  }
  template <class T>
  T Get(size_t At) const {
    if (At + sizeof(T) > D.size()) BadForm();
    T v;
    std::memcpy(&v, D.data() + At, sizeof(T));
    return v;
  }
  size_t Size() const { return D.size(); }
  const Byte* At(size_t At, size_t Count) const {
    if (At + Count > D.size()) BadForm();
    return D.data() + At;
  }

private:
  const std::vector<Byte>& D;
};

// A BCD number (precision, sign and scale, then packed digits) as a currency; Null
// when it does not fit.
Variant DecodeBcd(const Byte* P, size_t Size) {
  if (Size < 2) return Null();
  const Integer precision = P[0];
  const bool negative = (P[1] & 0x80) != 0;
  const Integer places = P[1] & 0x3F;
  if (precision > 64 || places > precision || static_cast<size_t>(2 + (precision + 1) / 2) > Size) return Null();
  long double v = 0;
  for (Integer k = 0; k < precision; ++k) {
    const Byte b = P[2 + k / 2];
    const Integer digit = (k % 2 == 0) ? (b >> 4) : (b & 0x0F);
    if (digit > 9) return Null();
    v = v * 10 + digit;
  }
  for (Integer k = 0; k < places; ++k) v /= 10;
  if (negative) v = -v;
  const long double raw = std::nearbyint(v * Currency::Scale);
  if (raw > 9.2e18L || raw < -9.2e18L) return Null();
  return Variant(Currency::FromRaw(static_cast<Int64>(raw)));
}

bool IsNumberVar(const Variant& V) {
  switch (V.VarType()) {
    case varSmallint:
    case varInteger:
    case varSingle:
    case varDouble:
    case varCurrency:
    case varDate:
    case varShortInt:
    case varByte:
    case varWord:
    case varLongWord:
    case varInt64: return true;
    default: return false;
  }
}

// Null and Empty count as False; three-valued callers test Null first.
bool ToBool(const Variant& V) {
  if (V.IsNull() || V.IsEmpty()) return false;
  return V.AsBoolean();
}

String TrimChars(const String& S, const String& Chars, bool Left, bool Right) {
  size_t b = 0, e = S.size();
  auto isTrim = [&](Char c) { return Chars.find(c) != String::npos; };
  if (Left)
    while (b < e && isTrim(S[b])) ++b;
  if (Right)
    while (e > b && isTrim(S[e - 1])) --e;
  return S.substr(b, e - b);
}

}  // namespace

// ---------------------------------------------------------------------------
// The decoded node table.

struct TExprNodeEh {
  Integer Class = 0;
  Integer Op = 0;  // the operator's low 7 bits
  Integer RawOp = 0;
  Integer A = -1, B = -1;  // operands (IN: B is the first list element; function: A is)
  Integer Next = -1;       // list element: the next one
  bool IgnoreCase = false;
  Integer Partial = 0;
  Integer Column = -1;  // field: data column
  String Name;          // field or function name
  Integer Func = efUnknown;
  Variant Value;         // constant
  Integer BadType = -1;  // constant of a type that cannot be read
  // A comparison of a stored field with a whole-number constant: the field's
  // column (-1 for any other node), the constant, and whether the constant is
  // on the left.
  Integer WholeColumn = -1;
  Int64 WholeConst = 0;
  bool WholeConstFirst = false;
};

namespace {

class TExprDecoder {
public:
  TExprDecoder(const std::vector<Byte>& Data, std::vector<TExprNodeEh>& Nodes) : B(Data), N(Nodes) {
    if (Data.size() < static_cast<size_t>(ExprHeaderSize)) BadForm();
    LitStart = B.GetWord(8);
    if (LitStart < static_cast<size_t>(ExprHeaderSize) || LitStart > Data.size()) BadForm();
  }

  void Run() {
    N.clear();
    Node(0);
  }

private:
  String Name8(Word Offset) const {
    size_t at = LitStart + Offset;
    size_t end = at;
    while (true) {
      if (end >= B.Size()) BadForm();
      if (*B.At(end, 1) == 0) break;
      ++end;
    }
    return AnsiToString(std::string_view(reinterpret_cast<const char*>(B.At(at, end - at)), end - at));
  }

  Integer Node(Word Offset) {
    auto it = Done.find(Offset);
    if (it != Done.end()) {
      if (it->second < 0) BadForm();  // a node that contains itself
      return it->second;
    }
    Done[Offset] = -1;
    const size_t at = static_cast<size_t>(ExprHeaderSize) + Offset;
    if (at + 8 > LitStart) BadForm();
    TExprNodeEh n;
    n.Class = B.GetInt(at);
    n.RawOp = B.GetInt(at + 4);
    n.Op = n.RawOp & 0x7F;
    auto word = [&](int k) {
      const size_t w = at + 8 + 2 * static_cast<size_t>(k);
      if (w + 2 > LitStart) BadForm();
      return B.GetWord(w);
    };
    switch (n.Class) {
      case enUnary: n.A = Node(word(0)); break;
      case enBinary:
        n.A = Node(word(0));
        n.B = Node(word(1));
        break;
      case enCompare:
        n.IgnoreCase = word(0) == 1;
        n.Partial = word(1);
        n.A = Node(word(2));
        n.B = Node(word(3));
        break;
      case enField:
        n.Column = static_cast<Integer>(word(0)) - 1;
        n.Name = Name8(word(1));
        break;
      case enConst: DecodeConst(n, word(0), word(1), word(2)); break;
      case enFunc: {
        n.Name = Name8(word(0));
        const TFuncDefEh* d = FindFunc(n.Name);
        n.Func = d ? d->Func : efUnknown;
        const Word first = word(1);
        n.A = first ? Node(first) : -1;
        break;
      }
      case enListElem: {
        n.A = Node(word(0));
        const Word next = word(1);
        n.Next = next ? Node(next) : -1;
        break;
      }
      default: break;  // evaluates to Null
    }
    N.push_back(std::move(n));
    const Integer index = static_cast<Integer>(N.size()) - 1;
    Done[Offset] = index;
    return index;
  }

  void DecodeConst(TExprNodeEh& n, Word Code, Word Size, Word LitOffset) {
    const size_t at = LitStart + LitOffset;
    if (Code == ectWideString) {
      const Word bytes = B.GetWord(at);
      const Byte* p = B.At(at + 2, bytes);
      String s(bytes / 2, u'\0');
      for (size_t k = 0; k < s.size(); ++k) s[k] = static_cast<Char>(p[2 * k] | (p[2 * k + 1] << 8));
      n.Value = Variant(std::move(s));
      return;
    }
    const TFieldType ft = ConstFieldType(Code);
    switch (ft) {
      case ftString:
      case ftFixedChar:
      case ftWideString:
      case ftGuid: {
        const size_t len = Size > 0 ? Size - 1u : 0u;
        const Byte* p = B.At(at, len);
        n.Value = Variant(AnsiToString(std::string_view(reinterpret_cast<const char*>(p), len)));
        break;
      }
      case ftSmallint: n.Value = Variant(B.Get<Smallint>(at)); break;
      case ftInteger:
      case ftAutoInc: n.Value = Variant(B.Get<Integer>(at)); break;
      case ftWord: n.Value = Variant(B.Get<Word>(at)); break;
      case ftBoolean: n.Value = Variant(B.Get<Word>(at) != 0); break;
      case ftFloat:
      case ftCurrency: n.Value = Variant(B.Get<double>(at)); break;
      case ftBCD:
      case ftFMTBcd: n.Value = DecodeBcd(B.At(at, Size), Size); break;
      case ftDate: {
        TTimeStamp ts;
        ts.Date = B.Get<Integer>(at);
        n.Value = VarFromDateTime(TimeStampToDateTime(ts));
        break;
      }
      case ftTime: {
        TTimeStamp ts;
        ts.Date = DateDelta;
        ts.Time = B.Get<Integer>(at);
        n.Value = VarFromDateTime(TimeStampToDateTime(ts));
        break;
      }
      case ftDateTime: {
        const double ms = std::nearbyint(B.Get<double>(at));
        TTimeStamp ts;
        ts.Date = static_cast<Integer>(std::floor(ms / MSecsPerDay));
        ts.Time = static_cast<Integer>(ms - static_cast<double>(ts.Date) * MSecsPerDay);
        n.Value = VarFromDateTime(TimeStampToDateTime(ts));
        break;
      }
      case ftLargeint: n.Value = Variant(B.Get<Int64>(at)); break;
      // No Variant travels in the compiled bytes here: a time stamp is a date-time number.
      case ftTimeStamp: n.Value = VarFromDateTime(B.Get<double>(at)); break;
      // A code the table has no row for is named itself.
      default: n.BadType = Code < ConstTypeCodeCount ? Integer(ft) : Integer(Code); break;
    }
  }

  TExprBytes B;
  std::vector<TExprNodeEh>& N;
  size_t LitStart = 0;
  std::unordered_map<Word, Integer> Done;
};

}  // namespace

// ---------------------------------------------------------------------------
// Comparisons of a field with a whole number, tested on the stored value

namespace {

bool IsStoredField(const TExprNodeEh& N) { return N.Class == enField && N.Op == eoField && N.Column >= 0; }

bool IsWholeConst(const TExprNodeEh& N) {
  return N.Class == enConst && N.Op == eoConst && N.BadType < 0 && TRecValueEh::IsIntegerType(N.Value.VarType());
}

void MarkWholeComparisons(std::vector<TExprNodeEh>& Nodes) {
  for (TExprNodeEh& n : Nodes) {
    if (n.Class != enBinary || n.Op < eoEQ || n.Op > eoLE || n.A < 0 || n.B < 0) continue;
    const TExprNodeEh& a = Nodes[static_cast<size_t>(n.A)];
    const TExprNodeEh& b = Nodes[static_cast<size_t>(n.B)];
    if (IsStoredField(a) && IsWholeConst(b)) {
      n.WholeColumn = a.Column;
      n.WholeConst = b.Value.AsInt64();
    } else if (IsWholeConst(a) && IsStoredField(b)) {
      n.WholeColumn = b.Column;
      n.WholeConst = a.Value.AsInt64();
      n.WholeConstFirst = true;
    }
  }
}

// The outcome of a node tested on the stored values alone.
enum TQuickTest { qtFalse, qtTrue, qtNull, qtUnknown };

// A comparison of a field with a whole number, and AND, OR and NOT of such,
// answer as evaluating them would: a Null value makes the comparison unknown
// (Null) and the connectives are three-valued. qtUnknown for any other node,
// or for a value that is not a whole number (the evaluation then decides).
TQuickTest QuickTest(const std::vector<TExprNodeEh>& Nodes, Integer Node, TMemoryRecordEh* Rec) {
  const TExprNodeEh& n = Nodes[static_cast<size_t>(Node)];
  if (n.WholeColumn >= 0) {
    const TRecValueEh* v = Rec->StoredValue(n.WholeColumn);
    if (!v || v->IsNull()) return qtNull;
    if (!v->IsWholeNumber()) return qtUnknown;
    Int64 a = v->Whole(), b = n.WholeConst;
    if (n.WholeConstFirst) std::swap(a, b);
    bool r;
    switch (n.Op) {
      case eoEQ: r = a == b; break;
      case eoNE: r = a != b; break;
      case eoGT: r = a > b; break;
      case eoLT: r = a < b; break;
      case eoGE: r = a >= b; break;
      default: r = a <= b; break;
    }
    return r ? qtTrue : qtFalse;
  }
  if (n.Class == enBinary && (n.Op == eoAnd || n.Op == eoOr)) {
    const TQuickTest decides = n.Op == eoAnd ? qtFalse : qtTrue;
    const TQuickTest a = QuickTest(Nodes, n.A, Rec);
    if (a == qtUnknown || a == decides) return a;
    const TQuickTest b = QuickTest(Nodes, n.B, Rec);
    if (b == qtUnknown || b == decides) return b;
    return a == qtNull || b == qtNull ? qtNull : a;
  }
  if (n.Class == enUnary && n.Op == eoNot) {
    const TQuickTest a = QuickTest(Nodes, n.A, Rec);
    return a == qtTrue ? qtFalse : a == qtFalse ? qtTrue : a;
  }
  return qtUnknown;
}

}  // namespace

// ---------------------------------------------------------------------------
// TDataSetExprParserEh

struct TDataSetExprParserEh::TEvalContext {
  TMemoryRecordEh* Rec = nullptr;
  IAggregateRowsEh* Rows = nullptr;
  Integer Row = 0;
};

TDataSetExprParserEh::TDataSetExprParserEh(TDataSet* ADataSet, TDataSetExprParserTypeEh AExprParserType)
    : FDataSet(ADataSet), FExprParserType(AExprParserType) {}

TDataSetExprParserEh::~TDataSetExprParserEh() = default;

void TDataSetExprParserEh::ParseExpression(const String& Expr) {
  TFilterOptions fo = FDataSet ? FDataSet->GetFilterOptions() : TFilterOptions{};
  TParserOptions po{poExtSyntax};
  if (FExprParserType == dsptAggregateEh) po.Include(poAggregate);
  TExprParser parser(FDataSet, Expr, fo, po);
  SetFilterData(parser.FilterData());
}

void TDataSetExprParserEh::SetFilterData(std::vector<Byte> data) {
  std::vector<TExprNodeEh> nodes;
  if (!data.empty()) TExprDecoder(data, nodes).Run();
  // The root is decoded first, so it is the last node finished: make it node 0.
  if (!nodes.empty()) {
    const Integer last = static_cast<Integer>(nodes.size()) - 1;
    auto remap = [last](Integer& k) {
      if (k == last) k = 0;
      else if (k == 0) k = last;
    };
    for (TExprNodeEh& n : nodes) {
      remap(n.A);
      remap(n.B);
      remap(n.Next);
    }
    std::swap(nodes[0], nodes[static_cast<size_t>(last)]);
    MarkWholeComparisons(nodes);
  }
  FFilterData = std::move(data);
  FDataSize = static_cast<Integer>(FFilterData.size());
  FNodes = std::move(nodes);
}

bool TDataSetExprParserEh::FilterCaseInsensitive() const {
  return FDataSet && FDataSet->GetFilterOptions().Contains(foCaseInsensitive);
}

Variant TDataSetExprParserEh::Evaluate(TMemoryRecordEh* Rec) {
  if (FNodes.empty()) return Null();
  TEvalContext ctx;
  ctx.Rec = Rec;
  return Eval(0, ctx);
}

bool TDataSetExprParserEh::IsRecordAccepted(TMemoryRecordEh* Rec) {
  if (FNodes.empty()) return false;
  if (Rec) {
    const TQuickTest quick = QuickTest(FNodes, 0, Rec);
    if (quick != qtUnknown) return quick == qtTrue;
  }
  TEvalContext ctx;
  ctx.Rec = Rec;
  return ToBool(Eval(0, ctx));
}

bool TDataSetExprParserEh::CalcAggregate(IAggregateRowsEh* Rows, Variant& Result) {
  if (FNodes.empty()) return false;
  TEvalContext ctx;
  ctx.Rows = Rows;
  Result = Eval(0, ctx);
  return true;
}

Variant TDataSetExprParserEh::Eval(Integer Node, TEvalContext& Ctx) {
  const TExprNodeEh& n = FNodes[static_cast<size_t>(Node)];
  auto unsupported = [&n]() {
    throw Exception(Format(u"Operator <%d:%d> not supported.", {Variant(n.Class), Variant(n.RawOp)}));
  };
  switch (n.Class) {
    case enUnary: return EvalUnary(n, Ctx);
    case enBinary: return EvalBinary(n, Ctx);
    case enCompare: return EvalCompare(n, Ctx);
    case enField:
      if (n.Op != eoField) unsupported();
      return EvalField(n, Ctx);
    case enConst:
      if (n.Op != eoConst) unsupported();
      if (n.BadType >= 0) throw Exception(Format(u"Unsupported data type: [%d].", {Variant(n.BadType)}));
      return n.Value;
    case enFunc:
      if (n.Op != eoFunc) unsupported();
      return EvalFunction(n, Ctx);
    case enListElem:
      if (n.Op != eoListElem) unsupported();
      return Variant(true);
    case enNull:
    case 6:
    case 7:
    case 8:
    case 9: return Null();
    default: unsupported();
  }
  return Null();
}

Variant TDataSetExprParserEh::EvalUnary(const TExprNodeEh& N, TEvalContext& Ctx) {
  Variant v = Eval(N.A, Ctx);
  switch (N.Op) {
    case eoIsBlank:
    case eoNotBlank: {
      const bool blank = VarIsStr(v) ? v.AsString().empty() : v.IsNull();
      return Variant(N.Op == eoIsBlank ? blank : !blank);
    }
    case eoNot:
      if (v.IsNull()) return Null();
      return Variant(!ToBool(v));
    case eoUpper:
      if (v.IsNull()) return Null();
      return Variant(WideUpperCaseEh(VarToStr(v)));
    case eoLower:
      if (v.IsNull()) return Null();
      return Variant(WideLowerCaseEh(VarToStr(v)));
    default: throw Exception(Format(u"Operator <%d:%d> not supported.", {Variant(N.Class), Variant(N.RawOp)}));
  }
}

namespace {

// A text comparison in the locale; identical texts need no collator.
Integer CompareText3(const String& A, const String& B, bool IgnoreCase, Integer Partial) {
  if (Partial <= 0 && A == B) return 0;
  return CompareWideStrEh(A, B, Partial, IgnoreCase);
}

}  // namespace

Variant TDataSetExprParserEh::EvalBinary(const TExprNodeEh& N, TEvalContext& Ctx) {
  switch (N.Op) {
    case eoAnd:
    case eoOr: {
      const Variant a = Eval(N.A, Ctx);
      const bool isAnd = N.Op == eoAnd;
      // Three-valued: False (And) or True (Or) decides whatever the other side is.
      if (!a.IsNull() && ToBool(a) != isAnd) return Variant(!isAnd);
      const Variant b = Eval(N.B, Ctx);
      if (!b.IsNull() && ToBool(b) != isAnd) return Variant(!isAnd);
      if (a.IsNull() || b.IsNull()) return Null();
      return Variant(isAnd);
    }
    case eoIn: {
      const Variant a = Eval(N.A, Ctx);
      if (a.IsNull()) return Null();
      for (Integer e = N.B; e >= 0; e = FNodes[static_cast<size_t>(e)].Next) {
        const TExprNodeEh& elem = FNodes[static_cast<size_t>(e)];
        if (elem.Class != enListElem) break;
        if (VarSameValue(a, Eval(elem.A, Ctx))) return Variant(true);
      }
      return Variant(false);
    }
    default: break;
  }
  Variant sa, sb;
  const Variant& a = Operand(N.A, Ctx, sa);
  const Variant& b = Operand(N.B, Ctx, sb);
  switch (N.Op) {
    case eoEQ:
    case eoNE:
    case eoGT:
    case eoLT:
    case eoGE:
    case eoLE: {
      if (a.IsNull() || b.IsNull()) return Null();
      if (VarIsStr(a) || VarIsStr(b)) {
        const String ta = VarToStr(a), tb = VarToStr(b);
        Integer c;
        // "=" is exact; the orderings follow the filter options' case rule.
        if (N.Op == eoEQ) c = CompareText3(ta, tb, false, 0);
        else c = CompareText3(ta, tb, FilterCaseInsensitive(), 0);
        switch (N.Op) {
          case eoEQ: return Variant(c == 0);
          case eoNE: return Variant(c != 0);
          case eoGT: return Variant(c > 0);
          case eoLT: return Variant(c < 0);
          case eoGE: return Variant(c >= 0);
          default: return Variant(c <= 0);
        }
      }
      switch (N.Op) {
        case eoEQ: return Variant(a == b);
        case eoNE: return Variant(a != b);
        case eoGT: return Variant(a > b);
        case eoLT: return Variant(a < b);
        case eoGE: return Variant(a >= b);
        default: return Variant(a <= b);
      }
    }
    case eoAdd:
      if (a.IsNull() || b.IsNull()) return Null();
      if (VarIsStr(a) || VarIsStr(b)) return Variant(VarToStr(a) + VarToStr(b));
      return a + b;
    case eoSub: return a - b;
    case eoMul: return a * b;
    case eoDiv: return a / b;
    case eoLike:
      if (a.IsNull() || b.IsNull()) return Null();
      return Variant(MatchLike(VarToStr(a), VarToStr(b), FilterCaseInsensitive()));
    default: throw Exception(Format(u"Operator <%d:%d> not supported.", {Variant(N.Class), Variant(N.RawOp)}));
  }
}

Variant TDataSetExprParserEh::EvalCompare(const TExprNodeEh& N, TEvalContext& Ctx) {
  if (N.Op != eoEQ && N.Op != eoNE && N.Op != eoLike)
    throw Exception(Format(u"Operator <%d:%d> not supported.", {Variant(N.Class), Variant(N.RawOp)}));
  const Variant a = Eval(N.A, Ctx);
  const Variant b = Eval(N.B, Ctx);
  if (a.IsNull() || b.IsNull()) return Null();
  const String sa = VarToStr(a), sb = VarToStr(b);
  switch (N.Op) {
    case eoEQ: return Variant(CompareText3(sa, sb, N.IgnoreCase, N.Partial) == 0);
    case eoNE: return Variant(CompareText3(sa, sb, N.IgnoreCase, N.Partial) != 0);
    default: return Variant(MatchLike(sa, sb, N.IgnoreCase));
  }
}

const Variant& TDataSetExprParserEh::Operand(Integer Node, TEvalContext& Ctx, Variant& Scratch) {
  // Fields and constants are read in place: no copy per record.
  const TExprNodeEh& n = FNodes[static_cast<size_t>(Node)];
  if (n.Class == enConst && n.Op == eoConst && n.BadType < 0) return n.Value;
  if (n.Class == enField && n.Op == eoField) {
    TMemoryRecordEh* rec = Ctx.Rec;
    if (!rec && Ctx.Rows && Ctx.Row >= 0 && Ctx.Row < Ctx.Rows->GetAggregateRowCount())
      rec = Ctx.Rows->GetAggregateRow(Ctx.Row);
    if (rec) {
      const TRecValueEh* v = rec->StoredValue(n.Column);
      Scratch = v ? v->ToVariant() : Null();
      return Scratch;
    }
  }
  Scratch = Eval(Node, Ctx);
  return Scratch;
}

Variant TDataSetExprParserEh::EvalField(const TExprNodeEh& N, TEvalContext& Ctx) {
  TMemoryRecordEh* rec = Ctx.Rec;
  if (!rec && Ctx.Rows) {
    if (Ctx.Row < 0 || Ctx.Row >= Ctx.Rows->GetAggregateRowCount()) return Null();
    rec = Ctx.Rows->GetAggregateRow(Ctx.Row);
  }
  if (rec) {
    const TRecValueEh* v = rec->StoredValue(N.Column);
    return v ? v->ToVariant() : Null();
  }
  if (!FDataSet) return Null();
  return FDataSet->FieldByName(N.Name)->GetValue();
}

Variant TDataSetExprParserEh::EvalFunction(const TExprNodeEh& N, TEvalContext& Ctx) {
  if (N.Func == efUnknown) throw Exception(u"Unsupported function: " + N.Name);
  const TFuncDefEh* def = nullptr;
  for (const TFuncDefEh& d : FuncDefs)
    if (d.Func == N.Func) def = &d;
  // The argument list elements, in order.
  std::vector<Integer> argNodes;
  for (Integer e = N.A; e >= 0; e = FNodes[static_cast<size_t>(e)].Next) {
    if (FNodes[static_cast<size_t>(e)].Class != enListElem || argNodes.size() > 16) break;
    argNodes.push_back(FNodes[static_cast<size_t>(e)].A);
  }
  const Integer argc = static_cast<Integer>(argNodes.size());
  if (argc < def->MinArgs || argc > def->MaxArgs)
    throw Exception(u"Incorrect number of arguments in function <" + N.Name + u">");
  switch (N.Func) {
    case efSum:
    case efMin:
    case efMax:
    case efAvg:
    case efCount: return EvalAggregate(N, argc ? argNodes[0] : -1, Ctx);
    case efGetDate: return VarFromDateTime(Now());
    default: break;
  }
  // This evaluation's own argument stack.
  std::vector<Variant> args;
  args.reserve(static_cast<size_t>(argc));
  for (Integer a : argNodes) args.push_back(Eval(a, Ctx));
  const Variant& v = args[0];
  if (v.IsNull()) return Null();
  switch (N.Func) {
    case efSubstring: {
      if (args[1].IsNull() || (argc == 3 && args[2].IsNull())) return Null();
      const String s = VarToStr(v);
      const Integer start = args[1].AsInteger();
      if (argc == 2) return Variant(Copy(s, start, static_cast<Integer>(s.size())));
      return Variant(Copy(s, start, args[2].AsInteger()));
    }
    case efUpper: return Variant(WideUpperCaseEh(VarToStr(v)));
    case efLower: return Variant(WideLowerCaseEh(VarToStr(v)));
    case efTrim:
    case efTrimLeft:
    case efTrimRight: {
      const String chars = argc == 2 ? VarToStr(args[1]) : String(u" ");
      return Variant(TrimChars(VarToStr(v), chars, N.Func != efTrimRight, N.Func != efTrimLeft));
    }
    case efYear:
    case efMonth:
    case efDay: {
      Word y, m, d;
      DecodeDate(VarToDateTime(v), y, m, d);
      return Variant(static_cast<Integer>(N.Func == efYear ? y : N.Func == efMonth ? m : d));
    }
    case efHour:
    case efMinute:
    case efSecond: {
      Word h, mi, s, ms;
      DecodeTime(VarToDateTime(v), h, mi, s, ms);
      return Variant(static_cast<Integer>(N.Func == efHour ? h : N.Func == efMinute ? mi : s));
    }
    case efDate: {
      const TDateTime dt = VarToDateTime(v);
      return VarFromDateTime(std::trunc(dt));
    }
    case efTime: {
      const TDateTime dt = VarToDateTime(v);
      return VarFromDateTime(std::fabs(dt - std::trunc(dt)));
    }
    default: return Null();
  }
}

Variant TDataSetExprParserEh::EvalAggregate(const TExprNodeEh& N, Integer Arg, TEvalContext& Ctx) {
  IAggregateRowsEh* rows = Ctx.Rows;
  const Integer n = rows ? rows->GetAggregateRowCount() : 0;
  if (N.Func == efCount && Arg < 0) return Variant(n);  // COUNT(*)
  if (n == 0) return Null();
  const Integer savedRow = Ctx.Row;
  TMemoryRecordEh* savedRec = Ctx.Rec;
  Ctx.Rec = nullptr;
  struct Restore {
    TEvalContext& C;
    Integer Row;
    TMemoryRecordEh* Rec;
    ~Restore() {
      C.Row = Row;
      C.Rec = Rec;
    }
  } restore{Ctx, savedRow, savedRec};

  Variant acc = Null();
  Integer count = 0;
  for (Integer r = 0; r < n; ++r) {
    Ctx.Row = r;
    Variant v = Eval(Arg, Ctx);
    switch (N.Func) {
      case efCount:
        if (!v.IsNull()) ++count;
        break;
      case efSum:
      case efAvg:
        if (r == 0) acc = IsNumberVar(v) ? v : Variant(0);
        else if (IsNumberVar(v)) acc = acc + v;
        break;
      case efMin:
      case efMax: {
        // Nulls are skipped: the extreme of the values that are there.
        if (v.IsNull()) break;
        if (acc.IsNull()) {
          acc = v;
          break;
        }
        Integer c;
        if (VarIsStr(acc) || VarIsStr(v)) {
          c = CompareStrUserLocaleEh(VarToStr(v), VarToStr(acc));
        } else {
          switch (VarCompareValue(v, acc)) {
            case TVarCompareResult::vrLessThan: c = -1; break;
            case TVarCompareResult::vrGreaterThan: c = 1; break;
            default: c = 0; break;
          }
        }
        if ((N.Func == efMin && c < 0) || (N.Func == efMax && c > 0)) acc = v;
        break;
      }
      default: break;
    }
  }
  switch (N.Func) {
    case efCount: return Variant(count);
    // Divided by every row, whether it held a value or not.
    case efAvg: return acc / Variant(n);
    default: return acc;
  }
}

// ---------------------------------------------------------------------------
// LIKE

Integer PosWithWildcard(StringView Text, StringView Segment) {
  if (Segment.empty()) return 0;
  if (Segment.find(u'_') == StringView::npos) {
    const size_t p = Text.find(Segment);
    return p == StringView::npos ? 0 : static_cast<Integer>(p) + 1;
  }
  if (Segment.size() > Text.size()) return 0;
  for (size_t i = 0; i + Segment.size() <= Text.size(); ++i) {
    bool ok = true;
    for (size_t k = 0; k < Segment.size() && ok; ++k) ok = Segment[k] == u'_' || Segment[k] == Text[i + k];
    if (ok) return static_cast<Integer>(i) + 1;
  }
  return 0;
}

bool MatchLike(const String& AValue, const String& APattern, bool IgnoreCase) {
  if (AValue == APattern) return true;
  String pattern = APattern;
  for (size_t k; (k = pattern.find(u"%%")) != String::npos;) pattern.erase(k, 1);
  if (pattern == u"%") return true;
  if (AValue.empty() || pattern.empty()) return false;
  String value = AValue;
  if (IgnoreCase) {
    value = WideUpperCaseEh(value);
    pattern = WideUpperCaseEh(pattern);
  }
  const size_t P = pattern.size(), V = value.size();
  size_t i = 0, j = 0;
  while (i < P && j < V) {
    const Char pc = pattern[i];
    if (pc == u'%') {
      const size_t next = pattern.find(u'%', i + 1);
      if (next != String::npos) {
        const StringView seg = StringView(pattern).substr(i + 1, next - i - 1);
        const Integer p = PosWithWildcard(StringView(value).substr(j), seg);
        if (p == 0) return false;
        i = next;
        j = j + static_cast<size_t>(p) - 1 + seg.size();
        continue;
      }
      // The tail must end the value, without reaching back into what matched already.
      const StringView tail = StringView(pattern).substr(i + 1);
      if (tail.size() > V - j) return false;
      for (size_t k = 0; k < tail.size(); ++k) {
        const Char t = tail[tail.size() - 1 - k];
        if (t != u'_' && t != value[V - 1 - k]) return false;
      }
      return true;
    }
    if (pc != u'_' && pc != value[j]) return false;
    ++i;
    ++j;
  }
  if (j < V) return false;
  // Only "%" may be left of the pattern: anything else still wants characters.
  for (; i < P; ++i)
    if (pattern[i] != u'%') return false;
  return true;
}
