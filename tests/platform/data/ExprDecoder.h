#pragma once
// Reads compiled filter bytes back into a readable tree, checking the layout
// as it goes (header words, offsets in range, every node reached once), so
// tests can compare what the compiler produced with what the text meant.
//
//   unary     (isnull X) (notnull X) (not X) (upper X) (lower X)
//   binary    (= A B) (<> A B) (> A B) ... (and A B) (+ A B) (like A B) (in A [B C])
//   compare   (cmp= ci=1 p=3 A B), (cmp<> ...), (cmplike ...)
//   field     NAME#3
//   constant  5 (int32)  5L (int64)  1.5f  true  'text'  date:738000  time:ms  dt:ms
//   function  NAME(A B)

#include <cstring>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/core/CodePage.h"
#include "platform/data/ExprParser.h"

class ExprDecoder {
public:
  explicit ExprDecoder(const std::vector<Byte>& data) : D(data) {
    if (D.size() < 10) Fail("short header");
    if (Word16(2) != D.size()) Fail("total size word");
    if (Word16(6) != 10) Fail("node start word");
    LitStart = Word16(8);
    if (LitStart < 10 || LitStart > D.size()) Fail("literal start");
    NodeCount = Word16(4);
  }

  std::string Decode() {
    std::string s = Node(0);
    if (Visited.size() != NodeCount) Fail("node count word");
    return s;
  }

private:
  [[noreturn]] static void Fail(const std::string& what) { throw std::runtime_error("bad layout: " + what); }
  unsigned Word16(size_t at) const {
    if (at + 2 > D.size()) Fail("word past the end");
    return D[at] | (D[at + 1] << 8);
  }
  Integer Int32(size_t at) const {
    if (at + 4 > D.size()) Fail("int past the end");
    Integer v;
    std::memcpy(&v, &D[at], 4);
    return v;
  }
  size_t NodeAt(unsigned off) const {
    size_t at = 10 + off;
    if (at + 8 > LitStart) Fail("node offset outside the node area");
    return at;
  }
  size_t LitAt(unsigned off, size_t len) const {
    size_t at = LitStart + off;
    if (at + len > D.size()) Fail("literal outside the literal area");
    return at;
  }
  std::string CName(unsigned off) const {
    size_t at = LitAt(off, 1);
    std::string s;
    while (at < D.size() && D[at]) s.push_back(static_cast<char>(D[at++]));
    if (at >= D.size()) Fail("unterminated name");
    return ToUtf8(AnsiToString(s));
  }

  std::string Node(unsigned off) {
    size_t at = NodeAt(off);
    if (!Visited.insert(off).second) Fail("node reached twice");
    Integer cls = Int32(at), op = Int32(at + 4);
    auto w = [&](int i) { return Word16(at + 8 + 2 * i); };
    switch (cls) {
      case enUnary: return "(" + UnaryName(op) + " " + Node(w(0)) + ")";
      case enBinary:
        if (op == eoIn) return "(in " + Node(w(0)) + " [" + List(w(1)) + "])";
        return "(" + BinaryName(op) + " " + Node(w(0)) + " " + Node(w(1)) + ")";
      case enCompare:
        return "(cmp" + BinaryName(op) + " ci=" + std::to_string(w(0)) + " p=" + std::to_string(w(1)) + " " +
               Node(w(2)) + " " + Node(w(3)) + ")";
      case enField:
        if (op != eoField) Fail("field operator");
        return CName(w(1)) + "#" + std::to_string(w(0));
      case enConst:
        if (op != eoConst) Fail("constant operator");
        return Const(w(0), w(1), w(2));
      case enFunc:
        if (op != eoFunc) Fail("function operator");
        return CName(w(0)) + "(" + (w(1) ? List(w(1)) : std::string()) + ")";
      default: Fail("node class " + std::to_string(cls));
    }
  }

  std::string List(unsigned off) {
    std::string s;
    while (off) {
      size_t at = NodeAt(off);
      if (!Visited.insert(off).second) Fail("list element reached twice");
      if (Int32(at) != enListElem || Int32(at + 4) != eoListElem) Fail("list element");
      if (!s.empty()) s += " ";
      s += Node(Word16(at + 8));
      off = Word16(at + 10);
    }
    return s;
  }

  std::string Const(unsigned type, unsigned size, unsigned off) {
    size_t at = LitAt(off, size);
    switch (type) {
      case ectInteger:
        if (size != 4) Fail("int32 size");
        return std::to_string(Int32(at));
      case ectLargeint: {
        if (size != 8) Fail("int64 size");
        Int64 v;
        std::memcpy(&v, &D[at], 8);
        return std::to_string(v) + "L";
      }
      case ectFloat: {
        if (size != 8) Fail("float size");
        double d;
        std::memcpy(&d, &D[at], 8);
        char buf[64];
        std::snprintf(buf, sizeof buf, "%gf", d);
        return buf;
      }
      case ectBoolean:
        if (size != 2) Fail("boolean size");
        return Word16(at) ? "true" : "false";
      case ectDate:
        if (size != 4) Fail("date size");
        return "date:" + std::to_string(Int32(at));
      case ectTime:
        if (size != 4) Fail("time size");
        return "time:" + std::to_string(Int32(at));
      case ectDateTime: {
        if (size != 8) Fail("date-time size");
        double d;
        std::memcpy(&d, &D[at], 8);
        return "dt:" + std::to_string(static_cast<Int64>(d));
      }
      case ectWideString: {
        unsigned bytes = Word16(at);
        if (size != bytes + 2 || bytes % 2) Fail("wide string size");
        String s(bytes / 2, u'\0');
        std::memcpy(s.data(), &D[at + 2], bytes);
        return "'" + ToUtf8(s) + "'";
      }
      default: Fail("constant type " + std::to_string(type));
    }
  }

  static std::string UnaryName(Integer op) {
    switch (op) {
      case eoIsBlank: return "isnull";
      case eoNotBlank: return "notnull";
      case eoNot: return "not";
      case eoUpper: return "upper";
      case eoLower: return "lower";
      default: Fail("unary operator " + std::to_string(op));
    }
  }
  static std::string BinaryName(Integer op) {
    switch (op) {
      case eoEQ: return "=";
      case eoNE: return "<>";
      case eoGT: return ">";
      case eoLT: return "<";
      case eoGE: return ">=";
      case eoLE: return "<=";
      case eoAnd: return "and";
      case eoOr: return "or";
      case eoAdd: return "+";
      case eoSub: return "-";
      case eoMul: return "*";
      case eoDiv: return "/";
      case eoLike: return "like";
      default: Fail("binary operator " + std::to_string(op));
    }
  }

  const std::vector<Byte>& D;
  size_t LitStart = 0;
  unsigned NodeCount = 0;
  std::set<unsigned> Visited;
};
