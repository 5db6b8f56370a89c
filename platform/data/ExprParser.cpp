// The filter and aggregate compiler: a hand-written lexer, a recursive-descent
// parser into a small tree, then one pre-order pass that lays the tree out in
// the compiled byte form described in ExprParser.h.

#include "platform/data/ExprParser.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

#include "platform/core/CodePage.h"
#include "platform/core/DateTime.h"
#include "platform/core/FormatSettings.h"
#include "platform/data/DataSet.h"

namespace {

// Deep nesting would only exhaust the stack; no real filter comes near it.
constexpr int MaxNesting = 200;
constexpr size_t MaxCompiledSize = 0xFFFF;

String PosText(Integer pos) { return u" at position " + AsciiToString(std::to_string(pos)); }

[[noreturn]] void SyntaxError(const String& what, Integer pos) { throw EExprParserError(what + PosText(pos), pos); }

enum class Tok {
  End,
  Name,
  String,
  Number,
  LParen,
  RParen,
  Comma,
  Star,
  Plus,
  Minus,
  Slash,
  EQ,
  NE,
  LT,
  GT,
  LE,
  GE,
  And,
  Or,
  Not,
  Is,
  Null,
  Like,
  In,
  True,
  False
};

struct Token {
  Tok Kind = Tok::End;
  String Text;             // name, string value or number text
  bool Bracketed = false;  // a [name]
  bool IsFloat = false;    // a number with a fraction or an exponent
  Integer Pos = 0;         // 1-based
};

bool IsNameStart(Char c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'_' || c >= 0x80; }
bool IsNameChar(Char c) { return IsNameStart(c) || (c >= u'0' && c <= u'9') || c == u'.' || c == u'$'; }
bool IsDigit(Char c) { return c >= u'0' && c <= u'9'; }

bool SameAscii(const String& s, const char* kw) {
  size_t i = 0;
  for (; kw[i]; ++i) {
    if (i >= s.size()) return false;
    Char c = s[i];
    if (c >= u'a' && c <= u'z') c = static_cast<Char>(c - 32);
    if (c != static_cast<Char>(kw[i])) return false;
  }
  return i == s.size();
}

String DescribeToken(const Token& t) {
  switch (t.Kind) {
    case Tok::End: return u"end of expression";
    case Tok::String: return u"'" + t.Text + u"'";
    case Tok::Name: return t.Bracketed ? u"[" + t.Text + u"]" : t.Text;
    default: return t.Text;
  }
}

class Lexer {
public:
  Lexer(const String& text, Char decimalSeparator) : S(text), Dec(decimalSeparator) {}

  // CommaIsSeparator: inside an IN list or argument list a ',' separates values,
  // so it cannot be the locale's decimal separator there.
  Token Next(bool commaIsSeparator) {
    while (P < S.size() && S[P] <= u' ') ++P;
    Token t;
    t.Pos = static_cast<Integer>(P) + 1;
    if (P >= S.size()) return t;
    Char c = S[P];
    auto single = [&](Tok k, size_t len) {
      t.Kind = k;
      t.Text = S.substr(P, len);
      P += len;
      return t;
    };
    switch (c) {
      case u'(': return single(Tok::LParen, 1);
      case u')': return single(Tok::RParen, 1);
      case u',': return single(Tok::Comma, 1);
      case u'*': return single(Tok::Star, 1);
      case u'+': return single(Tok::Plus, 1);
      case u'-': return single(Tok::Minus, 1);
      case u'/': return single(Tok::Slash, 1);
      case u'=': return single(Tok::EQ, 1);
      case u'<':
        if (Peek(1) == u'>') return single(Tok::NE, 2);
        if (Peek(1) == u'=') return single(Tok::LE, 2);
        return single(Tok::LT, 1);
      case u'>':
        if (Peek(1) == u'=') return single(Tok::GE, 2);
        return single(Tok::GT, 1);
      case u'!':
        if (Peek(1) == u'=') return single(Tok::NE, 2);
        break;
      case u'[': return Bracketed(t);
      case u'\'': return Quoted(t);
      default: break;
    }
    if (IsDigit(c) || (c == u'.' && IsDigit(Peek(1)))) return Number(t, commaIsSeparator);
    if (IsNameStart(c)) return Word(t);
    SyntaxError(u"Invalid character '" + String(1, c) + u"'", t.Pos);
  }

private:
  Char Peek(size_t k) const { return P + k < S.size() ? S[P + k] : Char(0); }

  Token Bracketed(Token t) {
    size_t end = S.find(u']', P + 1);
    if (end == String::npos) SyntaxError(u"Unterminated field name", t.Pos);
    t.Kind = Tok::Name;
    t.Bracketed = true;
    t.Text = S.substr(P + 1, end - P - 1);
    if (t.Text.empty()) SyntaxError(u"Empty field name", t.Pos);
    P = end + 1;
    return t;
  }

  Token Quoted(Token t) {
    String v;
    size_t i = P + 1;
    for (;;) {
      if (i >= S.size()) SyntaxError(u"Unterminated string constant", t.Pos);
      if (S[i] == u'\'') {
        if (i + 1 < S.size() && S[i + 1] == u'\'') {
          v += u'\'';
          i += 2;
          continue;
        }
        break;
      }
      v += S[i++];
    }
    P = i + 1;
    t.Kind = Tok::String;
    t.Text = std::move(v);
    return t;
  }

  Token Number(Token t, bool commaIsSeparator) {
    size_t i = P;
    String norm;
    while (i < S.size() && IsDigit(S[i])) norm += S[i++];
    bool fraction = false;
    if (i < S.size() && i + 1 < S.size() && IsDigit(S[i + 1]) &&
        (S[i] == u'.' || (S[i] == Dec && !(Dec == u',' && commaIsSeparator)))) {
      fraction = true;
      norm += u'.';
      ++i;
      while (i < S.size() && IsDigit(S[i])) norm += S[i++];
    }
    if (i < S.size() && (S[i] == u'e' || S[i] == u'E')) {
      size_t j = i + 1;
      if (j < S.size() && (S[j] == u'+' || S[j] == u'-')) ++j;
      if (j < S.size() && IsDigit(S[j])) {
        fraction = true;
        norm += u'e';
        norm.append(S, i + 1, j - i - 1);
        i = j;
        while (i < S.size() && IsDigit(S[i])) norm += S[i++];
      }
    }
    if (i < S.size() && IsNameStart(S[i])) SyntaxError(u"Invalid number '" + S.substr(P, i - P + 1) + u"'", t.Pos);
    t.Kind = Tok::Number;
    t.Text = norm;
    t.IsFloat = fraction;
    P = i;
    return t;
  }

  Token Word(Token t) {
    size_t i = P;
    while (i < S.size() && IsNameChar(S[i])) ++i;
    t.Text = S.substr(P, i - P);
    P = i;
    static const struct {
      const char* Kw;
      Tok Kind;
    } keywords[] = {{"AND", Tok::And}, {"OR", Tok::Or},     {"NOT", Tok::Not},
                    {"IS", Tok::Is},   {"NULL", Tok::Null}, {"LIKE", Tok::Like},
                    {"IN", Tok::In},   {"TRUE", Tok::True}, {"FALSE", Tok::False}};
    t.Kind = Tok::Name;
    for (const auto& k : keywords)
      if (SameAscii(t.Text, k.Kw)) t.Kind = k.Kind;
    return t;
  }

  const String& S;
  Char Dec;
  size_t P = 0;
};

// ---- the tree -------------------------------------------------------------

enum class NodeKind { Unary, Binary, Compare, Field, Const, Func, ListElem };

struct Node {
  explicit Node(NodeKind k) : Kind(k) {}
  NodeKind Kind;
  Integer Op = 0;
  int A = -1, B = -1;  // operands; for Func/IN: A = first list element
  Integer Pos = 0;
  // field
  Integer FieldNo = 0;
  TFieldType FieldType = ftUnknown;
  String Name;  // field name or function name as written
  // constant
  Word ConstType = 0;
  std::vector<Byte> Literal;
  bool IsText = false;  // a string literal, kept as text until emitted
  String Text;
  // compare
  bool IgnoreCase = false;
  Word PartialLength = 0;
};

struct FunctionDef {
  const char* Name;
  int MinArgs, MaxArgs;
  bool Aggregate;
};
const FunctionDef Functions[] = {
    {"SUBSTRING", 2, 3, false}, {"UPPER", 1, 1, false},     {"LOWER", 1, 1, false},   {"TRIM", 1, 2, false},
    {"TRIMLEFT", 1, 2, false},  {"TRIMRIGHT", 1, 2, false}, {"YEAR", 1, 1, false},    {"MONTH", 1, 1, false},
    {"DAY", 1, 1, false},       {"HOUR", 1, 1, false},      {"MINUTE", 1, 1, false},  {"SECOND", 1, 1, false},
    {"DATE", 1, 1, false},      {"TIME", 1, 1, false},      {"GETDATE", 0, 0, false}, {"SUM", 1, 1, true},
    {"MIN", 1, 1, true},        {"MAX", 1, 1, true},        {"AVG", 1, 1, true},      {"COUNT", 0, 1, true}};

bool IsTextField(TFieldType t) {
  return IsStringFieldType(t) || t == ftMemo || t == ftFmtMemo || t == ftWideMemo || t == ftOraClob;
}

template <class T>
void PutLE(std::vector<Byte>& v, T value) {
  for (size_t i = 0; i < sizeof(T); ++i) v.push_back(static_cast<Byte>((static_cast<UInt64>(value) >> (8 * i)) & 0xFF));
}
void PutDouble(std::vector<Byte>& v, double d) {
  UInt64 bits;
  std::memcpy(&bits, &d, sizeof bits);
  PutLE<UInt64>(v, bits);
}

class Parser {
public:
  Parser(const String& text, const TExprFieldResolver& resolver, TFilterOptions fo, TParserOptions po)
      : Text(text), Lex(text, FormatSettings.DecimalSeparator), Resolve(resolver), FO(fo), PO(po) {}

  int ParseAll() {
    Advance();
    if (Cur.Kind == Tok::End) SyntaxError(u"Expression expected but end of expression found", Cur.Pos);
    int root = Expr();
    if (Cur.Kind != Tok::End)
      SyntaxError(u"Operator or end of expression expected but " + DescribeToken(Cur) + u" found", Cur.Pos);
    return root;
  }

  std::vector<Node> Nodes;

private:
  void Advance() { Cur = Lex.Next(CommaDepth > 0); }

  int Add(Node n) {
    // Every node takes at least 10 bytes, so this bounds the work long before
    // the 64 KiB limit of the compiled form is checked exactly.
    if (Nodes.size() * 10 > MaxCompiledSize) SyntaxError(u"Expression is too long", n.Pos);
    Nodes.push_back(std::move(n));
    return static_cast<int>(Nodes.size()) - 1;
  }

  struct DepthGuard {
    Parser& P;
    explicit DepthGuard(Parser& p) : P(p) {
      if (++P.Depth > MaxNesting) SyntaxError(u"Expression is nested too deeply", P.Cur.Pos);
    }
    ~DepthGuard() { --P.Depth; }
  };

  int MakeUnary(Integer op, int a, Integer pos) {
    Node n(NodeKind::Unary);
    n.Op = op;
    n.A = a;
    n.Pos = pos;
    return Add(std::move(n));
  }
  int MakeBinary(Integer op, int a, int b, Integer pos) {
    Node n(NodeKind::Binary);
    n.Op = op;
    n.A = a;
    n.B = b;
    n.Pos = pos;
    return Add(std::move(n));
  }

  int Expr() {
    DepthGuard g(*this);
    int left = AndExpr();
    while (Cur.Kind == Tok::Or) {
      Integer pos = Cur.Pos;
      Advance();
      left = MakeBinary(eoOr, left, AndExpr(), pos);
    }
    return left;
  }

  int AndExpr() {
    int left = NotExpr();
    while (Cur.Kind == Tok::And) {
      Integer pos = Cur.Pos;
      Advance();
      left = MakeBinary(eoAnd, left, NotExpr(), pos);
    }
    return left;
  }

  int NotExpr() {
    DepthGuard g(*this);
    if (Cur.Kind == Tok::Not) {
      Integer pos = Cur.Pos;
      Advance();
      return MakeUnary(eoNot, NotExpr(), pos);
    }
    return Comparison();
  }

  int Comparison() {
    int left = Additive();
    Integer pos = Cur.Pos;
    switch (Cur.Kind) {
      case Tok::EQ: Advance(); return Compare(eoEQ, left, Additive(), pos);
      case Tok::NE: Advance(); return Compare(eoNE, left, Additive(), pos);
      case Tok::LT: Advance(); return Compare(eoLT, left, Additive(), pos);
      case Tok::GT: Advance(); return Compare(eoGT, left, Additive(), pos);
      case Tok::LE: Advance(); return Compare(eoLE, left, Additive(), pos);
      case Tok::GE: Advance(); return Compare(eoGE, left, Additive(), pos);
      case Tok::Is: {
        Advance();
        bool negate = false;
        if (Cur.Kind == Tok::Not) {
          negate = true;
          Advance();
        }
        if (Cur.Kind != Tok::Null) SyntaxError(u"NULL expected but " + DescribeToken(Cur) + u" found", Cur.Pos);
        Advance();
        return MakeUnary(negate ? eoNotBlank : eoIsBlank, left, pos);
      }
      case Tok::Like: Advance(); return Compare(eoLike, left, Additive(), pos);
      case Tok::In: Advance(); return InList(left, pos);
      case Tok::Not: {
        Advance();
        if (Cur.Kind == Tok::Like) {
          Advance();
          return MakeUnary(eoNot, Compare(eoLike, left, Additive(), pos), pos);
        }
        if (Cur.Kind == Tok::In) {
          Advance();
          return MakeUnary(eoNot, InList(left, pos), pos);
        }
        SyntaxError(u"LIKE or IN expected but " + DescribeToken(Cur) + u" found", Cur.Pos);
      }
      default: return left;
    }
  }

  int InList(int left, Integer pos) {
    if (Cur.Kind != Tok::LParen) SyntaxError(u"'(' expected but " + DescribeToken(Cur) + u" found", Cur.Pos);
    ++CommaDepth;
    Advance();
    std::vector<int> items;
    for (;;) {
      int v = Additive();
      TypeDateLiteral(left, v);
      items.push_back(v);
      if (Cur.Kind == Tok::Comma) {
        Advance();
        continue;
      }
      if (Cur.Kind != Tok::RParen) SyntaxError(u"')' or ',' expected but " + DescribeToken(Cur) + u" found", Cur.Pos);
      break;
    }
    --CommaDepth;
    Advance();
    return MakeBinary(eoIn, left, Chain(items, pos), pos);
  }

  int Chain(const std::vector<int>& items, Integer pos) {
    int next = -1;
    for (size_t i = items.size(); i-- > 0;) {
      Node n(NodeKind::ListElem);
      n.Op = eoListElem;
      n.A = items[i];
      n.B = next;
      n.Pos = pos;
      next = Add(std::move(n));
    }
    return next;
  }

  int Additive() {
    DepthGuard g(*this);
    int left = Multiplicative();
    for (;;) {
      Integer pos = Cur.Pos;
      if (Cur.Kind == Tok::Plus) {
        Advance();
        left = MakeBinary(eoAdd, left, Multiplicative(), pos);
      } else if (Cur.Kind == Tok::Minus) {
        Advance();
        left = MakeBinary(eoSub, left, Multiplicative(), pos);
      } else return left;
    }
  }

  int Multiplicative() {
    int left = Unary();
    for (;;) {
      Integer pos = Cur.Pos;
      if (Cur.Kind == Tok::Star) {
        Advance();
        left = MakeBinary(eoMul, left, Unary(), pos);
      } else if (Cur.Kind == Tok::Slash) {
        Advance();
        left = MakeBinary(eoDiv, left, Unary(), pos);
      } else return left;
    }
  }

  int Unary() {
    DepthGuard g(*this);
    if (Cur.Kind == Tok::Plus) {
      Advance();
      return Unary();
    }
    if (Cur.Kind == Tok::Minus) {
      Integer pos = Cur.Pos;
      Advance();
      int operand = Unary();
      if (Negate(operand)) return operand;
      // There is no unary minus node: -x is 0 - x.
      return MakeBinary(eoSub, IntConst(0, pos), operand, pos);
    }
    return Primary();
  }

  int Primary() {
    Token t = Cur;
    switch (t.Kind) {
      case Tok::Number: Advance(); return NumberConst(t);
      case Tok::String: {
        Advance();
        Node n(NodeKind::Const);
        n.Op = eoConst;
        n.Pos = t.Pos;
        n.IsText = true;
        n.Text = t.Text;
        return Add(std::move(n));
      }
      case Tok::True:
      case Tok::False: {
        Advance();
        Node n(NodeKind::Const);
        n.Op = eoConst;
        n.Pos = t.Pos;
        n.ConstType = ectBoolean;
        PutLE<Word>(n.Literal, t.Kind == Tok::True ? 1 : 0);
        return Add(std::move(n));
      }
      case Tok::LParen: {
        Advance();
        // A parenthesised expression inside an argument list still separates
        // by ',', so the comma context is kept as it is.
        int e = Expr();
        if (Cur.Kind != Tok::RParen) SyntaxError(u"')' expected but " + DescribeToken(Cur) + u" found", Cur.Pos);
        Advance();
        return e;
      }
      case Tok::Name: {
        Advance();
        if (!t.Bracketed && Cur.Kind == Tok::LParen) return Function(t);
        return FieldRef(t);
      }
      default: SyntaxError(u"Expression expected but " + DescribeToken(t) + u" found", t.Pos);
    }
  }

  int FieldRef(const Token& t) {
    TExprFieldInfo info;
    if (!Resolve || !Resolve(t.Text, info)) SyntaxError(u"Field '" + t.Text + u"' not found", t.Pos);
    if (info.FieldNo <= 0)
      SyntaxError(u"Field '" + t.Text + u"' is not a data field and cannot be used in an expression", t.Pos);
    if (info.FieldNo > 0xFFFF) SyntaxError(u"Field number out of range", t.Pos);
    Node n(NodeKind::Field);
    n.Op = eoField;
    n.Pos = t.Pos;
    n.FieldNo = info.FieldNo;
    n.FieldType = info.DataType;
    n.Name = info.FieldName.empty() ? t.Text : info.FieldName;
    return Add(std::move(n));
  }

  int Function(const Token& t) {
    const FunctionDef* def = nullptr;
    for (const auto& f : Functions)
      if (SameAscii(t.Text, f.Name)) def = &f;
    if (!def || (def->Aggregate && !PO.Contains(poAggregate)))
      throw EExprParserError(u"Unsupported function: " + t.Text, t.Pos);
    ++CommaDepth;
    Advance();  // past '('
    std::vector<int> args;
    if (Cur.Kind == Tok::Star && SameAscii(t.Text, "COUNT")) {
      Advance();  // COUNT(*) counts rows: no argument
    } else if (Cur.Kind != Tok::RParen) {
      for (;;) {
        args.push_back(Expr());
        if (Cur.Kind == Tok::Comma) {
          Advance();
          continue;
        }
        break;
      }
    }
    if (Cur.Kind != Tok::RParen) SyntaxError(u"')' or ',' expected but " + DescribeToken(Cur) + u" found", Cur.Pos);
    --CommaDepth;
    Advance();
    int count = static_cast<int>(args.size());
    if (count < def->MinArgs || count > def->MaxArgs)
      throw EExprParserError(u"Incorrect number of arguments in function <" + t.Text + u">", t.Pos);
    if (SameAscii(t.Text, "UPPER")) return MakeUnary(eoUpper, args[0], t.Pos);
    if (SameAscii(t.Text, "LOWER")) return MakeUnary(eoLower, args[0], t.Pos);
    Node n(NodeKind::Func);
    n.Op = eoFunc;
    n.Pos = t.Pos;
    n.Name = t.Text;
    n.A = Chain(args, t.Pos);
    return Add(std::move(n));
  }

  int IntConst(Int64 v, Integer pos) {
    Node n(NodeKind::Const);
    n.Op = eoConst;
    n.Pos = pos;
    SetInt(n, v);
    return Add(std::move(n));
  }

  static void SetInt(Node& n, Int64 v) {
    n.Literal.clear();
    if (v >= std::numeric_limits<Integer>::min() && v <= std::numeric_limits<Integer>::max()) {
      n.ConstType = ectInteger;
      PutLE<Integer>(n.Literal, static_cast<Integer>(v));
    } else {
      n.ConstType = ectLargeint;
      PutLE<Int64>(n.Literal, v);
    }
  }
  static void SetFloat(Node& n, double d) {
    n.Literal.clear();
    n.ConstType = ectFloat;
    PutDouble(n.Literal, d);
  }

  int NumberConst(const Token& t) {
    Node n(NodeKind::Const);
    n.Op = eoConst;
    n.Pos = t.Pos;
    std::string ascii(t.Text.begin(), t.Text.end());
    bool isFloat = t.IsFloat;
    if (!isFloat) {
      errno = 0;
      char* end = nullptr;
      long long v = std::strtoll(ascii.c_str(), &end, 10);
      if (errno == ERANGE) isFloat = true;
      else SetInt(n, v);
    }
    if (isFloat) {
      double d = std::strtod(ascii.c_str(), nullptr);
      if (!std::isfinite(d)) SyntaxError(u"Number out of range", t.Pos);
      SetFloat(n, d);
    }
    return Add(std::move(n));
  }

  // Folds a minus into a numeric constant; false when the operand is not one.
  bool Negate(int idx) {
    Node& n = Nodes[idx];
    if (n.Kind != NodeKind::Const || n.IsText) return false;
    if (n.ConstType == ectInteger) {
      Integer v;
      std::memcpy(&v, n.Literal.data(), 4);
      SetInt(n, -static_cast<Int64>(v));
      return true;
    }
    if (n.ConstType == ectLargeint) {
      Int64 v;
      std::memcpy(&v, n.Literal.data(), 8);
      if (v == std::numeric_limits<Int64>::min()) SetFloat(n, -static_cast<double>(v));
      else SetInt(n, -v);
      return true;
    }
    if (n.ConstType == ectFloat) {
      double d;
      std::memcpy(&d, n.Literal.data(), 8);
      SetFloat(n, -d);
      return true;
    }
    return false;
  }

  bool IsFieldOf(int idx, bool (*pred)(TFieldType)) const {
    return Nodes[idx].Kind == NodeKind::Field && pred(Nodes[idx].FieldType);
  }
  bool IsTextConst(int idx) const { return Nodes[idx].Kind == NodeKind::Const && Nodes[idx].IsText; }

  // A quoted date compared with a date or time field is typed by the field,
  // so the comparison is by time, not by text.
  void TypeDateLiteral(int field, int lit) {
    if (!IsFieldOf(field, IsDateTimeFieldType) || !IsTextConst(lit)) return;
    Node& n = Nodes[lit];
    TDateTime dt = 0;
    if (!TryStrToDateTime(n.Text, dt)) SyntaxError(u"'" + n.Text + u"' is not a valid date and time", n.Pos);
    TTimeStamp ts = DateTimeToTimeStamp(dt);
    n.IsText = false;
    n.Literal.clear();
    switch (Nodes[field].FieldType) {
      case ftDate:
        n.ConstType = ectDate;
        PutLE<Integer>(n.Literal, ts.Date);
        break;
      case ftTime:
        n.ConstType = ectTime;
        PutLE<Integer>(n.Literal, ts.Time);
        break;
      default:
        n.ConstType = ectDateTime;
        PutDouble(n.Literal, static_cast<double>(ts.Date) * 86400000.0 + ts.Time);
        break;
    }
  }

  int Compare(Integer op, int a, int b, Integer pos) {
    if (op != eoLike) {
      TypeDateLiteral(a, b);
      TypeDateLiteral(b, a);
    }
    if (op == eoEQ || op == eoNE || op == eoLike) {
      int field = -1, lit = -1;
      if (IsFieldOf(a, IsTextField) && IsTextConst(b)) {
        field = a;
        lit = b;
      } else if (IsFieldOf(b, IsTextField) && IsTextConst(a)) {
        field = b;
        lit = a;
      }
      if (field >= 0) {
        bool ignoreCase = FO.Contains(foCaseInsensitive);
        String& text = Nodes[lit].Text;
        bool partial = op != eoLike && !FO.Contains(foNoPartialCompare) && text.size() > 1 && text.back() == u'*';
        if (ignoreCase || partial) {
          if (partial) text.pop_back();
          Node n(NodeKind::Compare);
          n.Op = op;
          n.A = a;
          n.B = b;
          n.Pos = pos;
          n.IgnoreCase = ignoreCase;
          n.PartialLength = partial ? static_cast<Word>(std::min<size_t>(text.size(), 0xFFFF)) : 0;
          return Add(std::move(n));
        }
      }
    }
    return MakeBinary(op, a, b, pos);
  }

  const String& Text;
  Lexer Lex;
  const TExprFieldResolver& Resolve;
  TFilterOptions FO;
  TParserOptions PO;
  Token Cur;
  int CommaDepth = 0;
  int Depth = 0;
};

// ---- layout -------------------------------------------------------------

class Emitter {
public:
  explicit Emitter(std::vector<Node>& nodes) : N(nodes) {}

  std::vector<Byte> Run(int root) {
    Emit(root);
    size_t total = ExprHeaderSize + Body.size() + Lits.size();
    if (total > MaxCompiledSize) throw EExprParserError(u"Expression is too long", 0);
    std::vector<Byte> out;
    out.reserve(total);
    PutLE<Word>(out, 1);
    PutLE<Word>(out, static_cast<Word>(total));
    PutLE<Word>(out, static_cast<Word>(Count));
    PutLE<Word>(out, static_cast<Word>(ExprHeaderSize));
    PutLE<Word>(out, static_cast<Word>(ExprHeaderSize + Body.size()));
    out.insert(out.end(), Body.begin(), Body.end());
    out.insert(out.end(), Lits.begin(), Lits.end());
    return out;
  }

private:
  Word Reserve(Integer cls, Integer op, int words, Integer pos) {
    size_t off = Body.size();
    if (off + 8 + 2 * words > MaxCompiledSize) throw EExprParserError(u"Expression is too long", pos);
    PutLE<Integer>(Body, cls);
    PutLE<Integer>(Body, op);
    Body.resize(Body.size() + 2 * words, 0);
    ++Count;
    return static_cast<Word>(off);
  }
  void Patch(Word node, int word, Word value) {
    size_t at = node + 8 + 2 * word;
    Body[at] = static_cast<Byte>(value & 0xFF);
    Body[at + 1] = static_cast<Byte>(value >> 8);
  }
  Word Literal(const std::vector<Byte>& bytes, Integer pos) {
    size_t off = Lits.size();
    if (off + bytes.size() > MaxCompiledSize) throw EExprParserError(u"Expression is too long", pos);
    Lits.insert(Lits.end(), bytes.begin(), bytes.end());
    return static_cast<Word>(off);
  }
  Word NameLiteral(const String& name, Integer pos) {
    AnsiString a = StringToAnsi(name);
    std::vector<Byte> bytes(a.begin(), a.end());
    for (Byte& b : bytes)
      if (b == 0) b = '?';
    bytes.push_back(0);
    return Literal(bytes, pos);
  }

  Word Emit(int idx) {
    Node& n = N[idx];
    switch (n.Kind) {
      case NodeKind::Unary: {
        Word at = Reserve(enUnary, n.Op, 1, n.Pos);
        Patch(at, 0, Emit(n.A));
        return at;
      }
      case NodeKind::Binary: {
        Word at = Reserve(enBinary, n.Op, 2, n.Pos);
        Patch(at, 0, Emit(n.A));
        Patch(at, 1, Emit(n.B));
        return at;
      }
      case NodeKind::Compare: {
        Word at = Reserve(enCompare, n.Op, 4, n.Pos);
        Patch(at, 0, n.IgnoreCase ? 1 : 0);
        Patch(at, 1, n.PartialLength);
        Patch(at, 2, Emit(n.A));
        Patch(at, 3, Emit(n.B));
        return at;
      }
      case NodeKind::Field: {
        Word at = Reserve(enField, eoField, 2, n.Pos);
        Patch(at, 0, static_cast<Word>(n.FieldNo));
        Patch(at, 1, NameLiteral(n.Name, n.Pos));
        return at;
      }
      case NodeKind::Const: {
        Word at = Reserve(enConst, eoConst, 3, n.Pos);
        if (n.IsText) {
          // UTF-16, so Cyrillic and every other text survive unchanged.
          if (n.Text.size() * 2 > 0xFFFF) throw EExprParserError(u"Expression is too long", n.Pos);
          n.ConstType = ectWideString;
          n.Literal.clear();
          PutLE<Word>(n.Literal, static_cast<Word>(n.Text.size() * 2));
          for (Char c : n.Text) PutLE<Word>(n.Literal, c);
        }
        Patch(at, 0, n.ConstType);
        Patch(at, 1, static_cast<Word>(n.Literal.size()));
        Patch(at, 2, Literal(n.Literal, n.Pos));
        return at;
      }
      case NodeKind::Func: {
        Word at = Reserve(enFunc, eoFunc, 2, n.Pos);
        Patch(at, 0, NameLiteral(n.Name, n.Pos));
        Patch(at, 1, n.A >= 0 ? Emit(n.A) : 0);
        return at;
      }
      case NodeKind::ListElem: {
        Word at = Reserve(enListElem, eoListElem, 2, n.Pos);
        Patch(at, 0, Emit(n.A));
        Patch(at, 1, n.B >= 0 ? Emit(n.B) : 0);
        return at;
      }
    }
    return 0;
  }

  std::vector<Node>& N;
  std::vector<Byte> Body, Lits;
  int Count = 0;
};

}  // namespace

TExprParser::TExprParser(const TExprFieldResolver& Resolver, const String& Text, TFilterOptions FilterOptions,
                         TParserOptions ParserOptions) {
  Compile(Resolver, Text, FilterOptions, ParserOptions);
}

void TExprParser::Compile(const TExprFieldResolver& Resolver, const String& Text, TFilterOptions FilterOptions,
                          TParserOptions ParserOptions) {
  Parser p(Text, Resolver, FilterOptions, ParserOptions);
  int root = p.ParseAll();
  FData = Emitter(p.Nodes).Run(root);
}

TExprParser::TExprParser(TDataSet* DataSet, const String& Text, TFilterOptions FilterOptions,
                         TParserOptions ParserOptions) {
  TExprFieldResolver resolver = [DataSet](const String& Name, TExprFieldInfo& Info) {
    TField* f = DataSet ? DataSet->FindField(Name) : nullptr;
    if (!f) return false;
    Info.FieldNo = f->GetFieldNo();
    Info.DataType = f->GetDataType();
    Info.FieldName = f->GetFieldName();
    return true;
  };
  Compile(resolver, Text, FilterOptions, ParserOptions);
}
