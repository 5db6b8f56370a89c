#pragma once
// TExprParser: compiles a filter or aggregate text into the compact byte form
// that dataset evaluators walk node by node.
//
// Compiled form (all numbers little-endian):
//   header, 10 bytes: word 0 version (1), word 1 total size, word 2 node count,
//     word 3 offset of the first node (10), word 4 start of the literal area,
//     counted from byte 0 of the compiled bytes.
//   nodes: node offsets count from byte 10; the root is at node offset 0.
//     Each node is an int32 node class and an int32 operator, then 16-bit words:
//       unary      operand
//       binary     operand 1, operand 2 (for IN: the first list element)
//       compare    ignore-case flag (1 = ignore), partial length, operand 1, operand 2
//       field      field number (1-based data column), literal offset of the
//                  zero-terminated 8-bit (Windows-1251) name
//       constant   type code, size in bytes, literal offset
//       function   literal offset of the zero-terminated name as written,
//                  node offset of the first argument's list element (0: none)
//       list elem  node offset of the value, node offset of the next element (0: end)
//   literals: offsets count from the literal-area start.
// Constants: strings are type 4103 (a word holding the byte length, then the
// UTF-16 code units); integers 6 (int32) or 18 (int64); floats 7 (float64);
// TRUE/FALSE 4 (a word, 1 or 0); a quoted text compared with a date or time
// field becomes 2 (int32 day number, day 1 = 0001-01-01), 10 (int32 ms since
// midnight) or 11 (float64 ms since 0001-01-01 00:00).
//
// Syntax: names and [bracketed names]; 'strings' ('' for a quote); numbers
// (the decimal point is '.', or the locale's separator outside IN lists and
// argument lists); TRUE, FALSE; = <> != < > <= >=; AND, OR, NOT; IS [NOT] NULL;
// [NOT] LIKE; [NOT] IN (...); + - * /; parentheses; the functions SUBSTRING,
// UPPER, LOWER, TRIM, TRIMLEFT, TRIMRIGHT, YEAR, MONTH, DAY, HOUR, MINUTE,
// SECOND, DATE, TIME, GETDATE, and in aggregate mode SUM, MIN, MAX, AVG,
// COUNT and COUNT(*). Keywords and function names ignore case.

#include <functional>
#include <vector>

#include "platform/data/DBTypes.h"

class TDataSet;

enum TParserOption { poExtSyntax, poAggregate, poDefaultExpr, poUseOrigNames, poFieldNameGiven, poFieldDepend };
using TParserOptions = TDBSet<TParserOption>;

// Node classes and operators of the compiled form.
enum TExprNodeClass : Integer {
  enNull = 0,
  enUnary = 1,
  enBinary = 2,
  enCompare = 3,
  enField = 4,
  enConst = 5,
  enFunc = 10,
  enListElem = 11
};
enum TExprOperator : Integer {
  eoIsBlank = 1,
  eoNotBlank = 2,
  eoEQ = 3,
  eoNE = 4,
  eoGT = 5,
  eoLT = 6,
  eoGE = 7,
  eoLE = 8,
  eoNot = 9,
  eoAnd = 10,
  eoOr = 11,
  eoField = 13,
  eoConst = 14,
  eoMinus = 15,
  eoAdd = 16,
  eoSub = 17,
  eoMul = 18,
  eoDiv = 19,
  eoLike = 30,
  eoIn = 31,
  eoUpper = 33,
  eoLower = 34,
  eoFunc = 35,
  eoListElem = 36
};
// Constant type codes.
enum TExprConstType : Word {
  ectString = 1,
  ectDate = 2,
  ectBoolean = 4,
  ectSmallint = 5,
  ectInteger = 6,
  ectFloat = 7,
  ectTime = 10,
  ectDateTime = 11,
  ectWord = 12,
  ectLargeint = 18,
  ectWideString = 4103
};
inline constexpr int ExprHeaderSize = 10;

// What the compiler needs to know of a field named in the text.
struct TExprFieldInfo {
  Integer FieldNo = 0;  // data column + 1; 0 or less: not a data field
  TFieldType DataType = ftUnknown;
  String FieldName;  // the field's own spelling
};
// Finds a field by name (without regard to case); false when there is none.
using TExprFieldResolver = std::function<bool(const String& Name, TExprFieldInfo& Info)>;

// A text the compiler cannot read. Position is the 1-based character where
// the fault was found (0 when it concerns the whole text).
class EExprParserError : public EDatabaseError {
public:
  BORROW_CLASS(EExprParserError, EDatabaseError)
  EExprParserError() = default;
  EExprParserError(String msg, Integer position) : EDatabaseError(std::move(msg)), FPosition(position) {}
  Integer Position() const { return FPosition; }

private:
  Integer FPosition = 0;
};

class TExprParser {
public:
  // Fields are looked up in the dataset (FindField).
  TExprParser(TDataSet* DataSet, const String& Text, TFilterOptions FilterOptions, TParserOptions ParserOptions);
  // Fields are looked up through the resolver (tests, tools).
  TExprParser(const TExprFieldResolver& Resolver, const String& Text, TFilterOptions FilterOptions,
              TParserOptions ParserOptions);

  const std::vector<Byte>& FilterData() const { return FData; }
  Integer DataSize() const { return static_cast<Integer>(FData.size()); }

private:
  void Compile(const TExprFieldResolver& Resolver, const String& Text, TFilterOptions FilterOptions,
               TParserOptions ParserOptions);
  std::vector<Byte> FData;
};
