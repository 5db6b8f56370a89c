#pragma once
// The enumerations, sets and small value types of the dataset framework:
// field types (in the platform's ordinal order, which messages and cut-offs
// show) with the table of what each type is, dataset states, data events,
// cursor modes, bookmarks and the database error class.

#include <cstring>
#include <initializer_list>

#include "platform/core/Exceptions.h"
#include "platform/core/Types.h"
#include "platform/core/Variant.h"

struct TComponentClassInfo;

// A small set of enumeration values (ordinals below 64).
template <class E>
class TDBSet {
public:
  constexpr TDBSet() = default;
  constexpr TDBSet(std::initializer_list<E> items) {
    for (E e : items) Include(e);
  }
  constexpr bool Contains(E e) const { return (FBits >> static_cast<unsigned>(e)) & 1u; }
  constexpr TDBSet& Include(E e) {
    FBits |= std::uint64_t{1} << static_cast<unsigned>(e);
    return *this;
  }
  constexpr TDBSet& Exclude(E e) {
    FBits &= ~(std::uint64_t{1} << static_cast<unsigned>(e));
    return *this;
  }
  constexpr bool Empty() const { return FBits == 0; }
  constexpr std::uint64_t Bits() const { return FBits; }
  friend constexpr TDBSet operator+(TDBSet a, TDBSet b) {
    a.FBits |= b.FBits;
    return a;
  }
  friend constexpr TDBSet operator-(TDBSet a, TDBSet b) {
    a.FBits &= ~b.FBits;
    return a;
  }
  friend constexpr TDBSet operator*(TDBSet a, TDBSet b) {
    a.FBits &= b.FBits;
    return a;
  }
  friend constexpr bool operator==(TDBSet, TDBSet) = default;

private:
  std::uint64_t FBits = 0;
};

enum TFieldType {
  ftUnknown,
  ftString,
  ftSmallint,
  ftInteger,
  ftWord,  // 0..4
  ftBoolean,
  ftFloat,
  ftCurrency,
  ftBCD,
  ftDate,
  ftTime,
  ftDateTime,  // 5..11
  ftBytes,
  ftVarBytes,
  ftAutoInc,
  ftBlob,
  ftMemo,
  ftGraphic,
  ftFmtMemo,  // 12..18
  ftParadoxOle,
  ftDBaseOle,
  ftTypedBinary,
  ftCursor,
  ftFixedChar,  // 19..23
  ftWideString,
  ftLargeint,
  ftADT,
  ftArray,
  ftReference,
  ftDataSet,  // 24..29
  ftOraBlob,
  ftOraClob,
  ftVariant,
  ftInterface,
  ftIDispatch,
  ftGuid,  // 30..35
  ftTimeStamp,
  ftFMTBcd,
  ftFixedWideChar,
  ftWideMemo,
  ftOraTimeStamp,  // 36..40
  ftOraInterval,
  ftLongWord,
  ftShortint,
  ftByte,
  ftExtended,
  ftConnection,  // 41..46
  ftParams,
  ftStream,       // 47..48
  FieldTypeCount  // not a type: the number of types, which the type table checks it covers
};
using TFieldTypes = TDBSet<TFieldType>;

// The kinds of value whose types convert into each other, so that a field of one
// type may stand for a column of another of the same family.
enum TFieldFamily : Byte { ffNone, ffText, ffInteger, ffFloat, ffBoolean, ffDateTime, ffBinary };

// How a store of records in memory holds a value of the type: the data field
// kind an in-memory table gives a column of it.
enum TFieldStore : Byte {
  fsNone,
  fsObject,
  fsText,
  fsNumber,
  fsBoolean,
  fsDateTime,
  fsTimeStamp,
  fsVariant,
  fsBlob,
  fsInterface
};

// One row of the field-type table; FieldTypeInfo(t) reads the row of t.
struct TFieldTypeInfo {
  TFieldType Value;
  const char16_t* Ident;    // "ftString": the enumeration's own name
  const char16_t* Display;  // "String": the name messages about a field's type use
  TFieldFamily Family;      // ffNone: the type matches only itself
  TVarType VarType;         // the Variant type a field holds its value as; varError: none
  TFieldStore Store;
  bool IsString;                               // a string proper: not a memo, not an interval
  const TComponentClassInfo* (*FieldClass)();  // the field class made for it; null: none
};

// The row of t; a value outside the enumeration reads a row of no type.
const TFieldTypeInfo& FieldTypeInfo(TFieldType t);

// "ftString", "ftInteger", ...: the enumeration's own names.
const char16_t* FieldTypeName(TFieldType t);
// "String", "Integer", ...: the names used in messages about a field's type.
const char16_t* FieldTypeDisplayName(TFieldType t);
// The type named by FieldTypeName (without regard to case); false when none is.
bool FieldTypeFromName(const String& Name, TFieldType& Type);

enum TBlobType { btBlobFirst = ftBlob };  // a blob type is a TFieldType from ftBlob to ftWideMemo

// Predicates over the table's columns.
bool IsStringFieldType(TFieldType t);    // string, fixed char, wide string, fixed wide char, GUID
bool IsBlobFieldType(TFieldType t);      // ftBlob .. ftTypedBinary, Oracle blob/clob, wide memo
bool IsDateTimeFieldType(TFieldType t);  // date, time, date-time, SQL time stamp

enum TFieldKind { fkData, fkCalculated, fkLookup, fkInternalCalc, fkAggregate };
using TFieldKinds = TDBSet<TFieldKind>;

enum TDataSetState {
  dsInactive,
  dsBrowse,
  dsEdit,
  dsInsert,
  dsSetKey,
  dsCalcFields,
  dsFilter,
  dsNewValue,
  dsOldValue,
  dsCurValue,
  dsBlockRead,
  dsInternalCalc,
  dsOpening
};
using TDataSetStates = TDBSet<TDataSetState>;
inline constexpr TDataSetStates dsEditModes{dsEdit, dsInsert, dsSetKey};
inline constexpr TDataSetStates dsWriteModes{dsEdit,   dsInsert,   dsSetKey,      dsCalcFields,
                                             dsFilter, dsNewValue, dsInternalCalc};

enum TDataEvent {
  deFieldChange,
  deRecordChange,
  deDataSetChange,
  deDataSetScroll,
  deLayoutChange,
  deUpdateRecord,
  deUpdateState,
  deCheckBrowseMode,
  dePropertyChange,
  deFieldListChange,
  deFocusControl,
  deParentScroll,
  deConnectChange,
  deReconcileError,
  deDisabledStateChange
};

enum TGetMode { gmCurrent, gmNext, gmPrior };
enum TGetResult { grOK, grBOF, grEOF, grError };
enum TBookmarkFlag { bfCurrent, bfBOF, bfEOF, bfInserted };
enum TResyncModeItem { rmExact, rmCenter };
using TResyncMode = TDBSet<TResyncModeItem>;
enum TDataAction { daFail, daAbort, daRetry };
enum TUpdateStatus { usUnmodified, usModified, usInserted, usDeleted };
enum TLocateOption { loCaseInsensitive, loPartialKey };
using TLocateOptions = TDBSet<TLocateOption>;
enum TFilterOption { foCaseInsensitive, foNoPartialCompare };
using TFilterOptions = TDBSet<TFilterOption>;
enum TBlobStreamMode { bmRead, bmWrite, bmReadWrite };
enum TAutoRefreshFlag { arNone, arAutoInc, arDefault };
enum TProviderFlag { pfInUpdate, pfInWhere, pfInKey, pfHidden };
using TProviderFlags = TDBSet<TProviderFlag>;
enum TFieldAttribute { faHiddenCol, faReadonly, faRequired, faLink, faUnNamed, faFixed };
using TFieldAttributes = TDBSet<TFieldAttribute>;
enum TIndexOption { ixPrimary, ixUnique, ixDescending, ixCaseInsensitive, ixExpression, ixNonMaintained };
using TIndexOptions = TDBSet<TIndexOption>;
enum TParamType { ptUnknown, ptInput, ptOutput, ptInputOutput, ptResult };
enum TAlignment { taLeftJustify, taRightJustify, taCenter };

// The record buffers of a dataset are handles chosen by the dataset (an index
// into its own pool, say); 0 means none.
using TRecordBuffer = std::intptr_t;

// A bookmark: a few bytes the dataset writes and reads back; empty is "nil".
// The bytes live inline, so taking and comparing bookmarks never allocates.
class TBookmark {
public:
  static constexpr int MaxSize = 16;
  TBookmark() = default;
  TBookmark(const void* data, int size) { Assign(data, size); }
  static TBookmark Nil() { return {}; }
  bool IsNil() const { return FSize == 0; }
  bool empty() const { return FSize == 0; }
  int size() const { return FSize; }
  const Byte* data() const { return FData; }
  Byte* data() { return FData; }
  void resize(int n) {
    if (n < 0 || n > MaxSize) throw EListError(u"Bookmark size out of range");
    if (n > FSize) std::memset(FData + FSize, 0, static_cast<size_t>(n - FSize));
    FSize = static_cast<Byte>(n);
  }
  void Assign(const void* data, int size) {
    resize(size);
    if (size > 0) std::memcpy(FData, data, static_cast<size_t>(size));
  }
  Byte operator[](int i) const { return FData[i]; }
  friend bool operator==(const TBookmark& a, const TBookmark& b) {
    return a.FSize == b.FSize && std::memcmp(a.FData, b.FData, a.FSize) == 0;
  }

private:
  Byte FData[MaxSize] = {};
  Byte FSize = 0;
};
// The bookmark as a byte string, for callers that keep it as text.
using TBookmarkStr = std::string;

// Database errors. DatabaseError prefixes the component's name ("Name: text")
// when a component with a name is given.
BORROW_EXCEPTION(EDatabaseError, Exception)
BORROW_EXCEPTION(EDBEditError, Exception)
