#pragma once
// DbUtilsEh: the data grid's services that depend on the kind of dataset shown.
//
//   The filter-row language. Each grid column keeps one TSTFilterExpressionEh:
//   up to two conditions joined by AND or OR, parsed from what the user typed
//   in the column's filter-row cell by ParseFilterExpression.
//   The builders. BuildGridFilterText joins the conditions of every column of a
//   grid, each written by a condition builder: BuildDataSetFilterCondition (the
//   syntax of a dataset's Filter) or BuildSQLCondition (an SQL WHERE condition).
//   ApplyFilterToSQL and ApplySortingToSQL rewrite the query text of a dataset
//   whose query is SQL, at the filter marker line and at the ORDER BY line.
//   The dataset-features registry. A grid never sorts, filters or searches by
//   itself: it asks the features object registered for its dataset's class (the
//   nearest registered ancestor class wins). TDatasetFeaturesEh is the base,
//   TSQLDatasetFeaturesEh serves datasets whose query is an SQL text.
//   The text search. LocateGridText walks the grid's dataset record by record
//   (and, when asked, column by column) for a text; ExecuteFindDialogProc is how
//   this unit opens the find dialog, which lives in DBGridEhFindDlgs.
//
// The grid itself is reached through IDataGridEh (DataGridIntfEh.h), which the
// data grid class implements.
//
// Files, by concern:
//   DbUtilsEh_Filter.cpp     operator tables, field-type table, lexer and parser
//   DbUtilsEh_Builders.cpp   condition builders, grid filter text, SQL rewriting
//   DbUtilsEh_Features.cpp   features classes, the registry, record moving
//   DbUtilsEh_Search.cpp     LocateGridText

#include <functional>
#include <vector>

#include "platform/core/Object.h"
#include "platform/core/Variant.h"
#include "platform/data/DBTypes.h"

class TComponent;
class TDataSet;
class TStrings;
class TBMListEh;
class TColumnEh;
class IDataGridEh;
class IDataGridColumnEh;

// ---- The filter-row language ------------------------------------------------

// The kind of value a column's conditions compare; set from the column's field
// type before parsing. None means no condition is built for the column.
enum TSTFilterValueTypeEh : Byte {
  stvtNoneEh = 0,
  stvtStringEh = 1,
  stvtNumberEh = 2,
  stvtDateTimeEh = 3,
  stvtBooleanEh = 4
};

// Operator codes. 13 and 14 are the relations between the two conditions;
// foValueEh is the lexer's code for a value and is never stored.
enum TSTFilterOperatorEh : Byte {
  foNoneEh = 0,
  foEqualEh = 1,
  foNotEqualEh = 2,
  foGreaterEh = 3,
  foLessEh = 4,
  foGreaterOrEqualEh = 5,
  foLessOrEqualEh = 6,
  foLikeEh = 7,
  foNotLikeEh = 8,
  foInEh = 9,
  foNotInEh = 10,
  foNullEh = 11,
  foNotNullEh = 12,
  foAndEh = 13,
  foOrEh = 14,
  foValueEh = 15
};

// The operator a bare value gets (per data type, from the grid's hook object):
// none, the operator codes 1 to 10, or a LIKE with wildcards added.
enum TSTFilterDefaultOperatorEh : Byte {
  fdoNoneEh = 0,
  fdoEqualEh = 1,
  fdoNotEqualEh = 2,
  fdoGreaterEh = 3,
  fdoLessEh = 4,
  fdoGreaterOrEqualEh = 5,
  fdoLessOrEqualEh = 6,
  fdoLikeEh = 7,
  fdoNotLikeEh = 8,
  fdoInEh = 9,
  fdoNotInEh = 10,
  fdoBeginsWithEh = 11,
  fdoNotBeginsWithEh = 12,
  fdoEndsWithEh = 13,
  fdoNotEndsWithEh = 14,
  fdoContainsEh = 15,
  fdoNotContainsEh = 16
};

// One column's parsed filter-row condition.
struct TSTFilterExpressionEh {
  TSTFilterValueTypeEh ExpressionType = stvtNoneEh;
  TSTFilterOperatorEh Operator1 = foNoneEh;
  Variant Operand1;                         // Null, a string, a double, a date-time, or an array of them
  TSTFilterOperatorEh Relation = foNoneEh;  // none, foAndEh or foOrEh
  TSTFilterOperatorEh Operator2 = foNoneEh;
  Variant Operand2;
};

// Both operators and the relation 0, both operands unassigned; the type stays.
void ClearSTFilterExpression(TSTFilterExpressionEh& Expression);

// How an operator is written back as filter-row text, and its SQL word; index
// by operator code 0 to 14 (code 0 has no text).
extern const char16_t* const STFilterOperatorTextsEh[15];
extern const char16_t* const STFilterOperatorSQLTextsEh[15];

// The value type a column's conditions take for a field of that type.
TSTFilterValueTypeEh STFilterValueTypeOfFieldTypeEh(TFieldType FieldType);

// The texts of the parser's errors, in the order of the library messages; each
// is followed by the whole trimmed text when raised.
extern const int STFilterParserMessagesEh[8];

// Reads a filter-row text into Expression, whose ExpressionType the caller has
// set. Raises Exception on a malformed text; the fields set before the fault
// stay set.
void ParseFilterExpression(const String& Text, TSTFilterExpressionEh& Expression,
                           TSTFilterDefaultOperatorEh DefaultOperator);

// ---- The builders --------------------------------------------------------------

// The marker line of an SQL text that receives the grid's filter.
extern const char16_t* const STFilterSQLMarkerEh;

// Writes a date-time operand for an SQL condition or a dataset filter.
using TDateValueToSQLStringEh = std::function<void(TDataSet* DataSet, const Variant& Value, String& Text)>;

// A condition builder: the text of one condition (with a leading blank) into Text.
using TSTConditionBuilderEh = void (*)(TSTFilterOperatorEh Operator, const Variant& Operand, const String& FieldName,
                                       String& Text, bool LikeSupported, const TDateValueToSQLStringEh& DateWriter,
                                       TDataSet* DataSet);

// In the syntax of a dataset's Filter: "[F] = v", "[F] Like v", "([F] = a OR [F] = b)".
void BuildDataSetFilterCondition(TSTFilterOperatorEh Operator, const Variant& Operand, const String& FieldName,
                                 String& Text, bool LikeSupported, const TDateValueToSQLStringEh& DateWriter,
                                 TDataSet* DataSet);
// As an SQL WHERE condition: "F = v", "F IN (a,b)", "F IS NULL".
void BuildSQLCondition(TSTFilterOperatorEh Operator, const Variant& Operand, const String& FieldName, String& Text,
                       bool LikeSupported, const TDateValueToSQLStringEh& DateWriter, TDataSet* DataSet);

// The conditions of all the grid's columns, in column order, joined by " AND ";
// empty when none has a condition or the grid shows no dataset.
void BuildGridFilterText(IDataGridEh* Grid, TSTConditionBuilderEh ConditionBuilder,
                         const TDateValueToSQLStringEh& DateWriter, String& Text, bool LikeSupported, bool SQLMode);

// Writes the grid's filter into the marker line of its dataset's SQL text.
void ApplyFilterToSQL(IDataGridEh* Grid, const TDateValueToSQLStringEh& DateWriter, bool IsReopen,
                      const String& SQLPropName);
// Rewrites the ORDER BY line of the dataset's SQL text from the grid's sort markers.
void ApplySortingToSQL(IDataGridEh* Grid, TDataSet* DataSet, bool SortUsingFieldName, const String& SQLPropName,
                       bool IsReopen);

// The SQL text of a dataset, through its published property of that name: a
// string property, or one that holds a list of strings (its whole text). False
// when there is no such property (the dataset is not SQL based).
bool GetDataSetSQLTextEh(TDataSet* DataSet, const String& SQLPropName, String& Text);
bool SetDataSetSQLTextEh(TDataSet* DataSet, const String& SQLPropName, const String& Text);

// ---- The text search -------------------------------------------------------------

// Option bits of a text search.
enum TLocateTextOptionEh : Integer {
  ltoIgnoreCaseEh = 1,    // letter case is ignored
  ltoAllColumnsEh = 2,    // every visible column, not only one
  ltoDisplayTextEh = 4,   // the cell text is the column's display text
  ltoEscapeStopsEh = 16,  // a pending Esc key (in the grid's window or where the keyboard is) stops the search
};
using TLocateTextOptionsEh = Integer;

enum TLocateTextDirectionEh : Integer { ltdUpEh = 0, ltdDownEh = 1, ltdAllEh = 2 };
enum TLocateTextMatchingEh : Integer { ltmAnyPartEh = 0, ltmWholeEh = 1, ltmBeginningEh = 2 };
// Which nodes of a dataset shown as a tree a search visits (read by datasets
// that show trees; the plain search does not use it).
enum TLocateTextTreeFindRangeEh : Integer {
  lttAllBranchesEh = 0,
  lttExpandedBranchesEh = 1,
  lttCurrentLevelEh = 2,
  lttCurrentBranchEh = 3
};

// Finds Text in the grid's dataset from the current cell on; the match becomes
// the current record and the grid's selected column. Without a match the grid
// returns to the record it started from.
bool LocateGridText(IDataGridEh* Grid, const String& FieldName, const String& Text, TLocateTextMatchingEh Matching,
                    TLocateTextDirectionEh Direction, TLocateTextOptionsEh Options);

// A column offered by the find dialog, with the caption it is offered under.
struct TColumnFieldItemEh {
  String Caption;
  IDataGridColumnEh* Column = nullptr;
};
using TColumnFieldsArrEh = std::vector<TColumnFieldItemEh>;

// Opens the find dialog for a grid. Null until the find-dialog unit starts.
using TExecuteFindDialogProcEh = void (*)(IDataGridEh* Grid, const String& Text, const TColumnFieldsArrEh& ColumnFields,
                                          bool Modal);
extern TExecuteFindDialogProcEh ExecuteFindDialogProc;

// ---- The dataset-features registry ---------------------------------------------

// What a grid asks of the dataset it shows. One object serves every dataset of
// the class it was registered for.
class TDatasetFeaturesEh : public TObject {
public:
  BORROW_CLASS(TDatasetFeaturesEh, TObject)
  TDatasetFeaturesEh() = default;

  // The dataset class the object was registered for (null: none).
  TClass GetDataSetClass() const { return FDataSetClass; }
  void SetDataSetClass(TClass Value) { FDataSetClass = Value; }
  // True: SQL ORDER BY texts name sort columns by field name, not by FieldNo.
  bool GetSortUsingFieldName() const { return FSortUsingFieldName; }
  void SetSortUsingFieldName(bool Value) { FSortUsingFieldName = Value; }

  // Finds a text in the grid's data; the base runs LocateGridText.
  virtual bool LocateText(TComponent* Grid, const String& FieldName, const String& Text, TLocateTextOptionsEh Options,
                          TLocateTextDirectionEh Direction, TLocateTextMatchingEh Matching,
                          TLocateTextTreeFindRangeEh TreeFindRange);
  // Moves the records of the bookmarks to record number TargetRecNo; with
  // CheckOnly only answers whether it could.
  virtual bool MoveRecords(TComponent* Grid, TBMListEh* Bookmarks, bool CheckOnly, Integer TargetRecNo);
  // Makes the dataset follow the grid's sort markers; nothing in the base.
  virtual void ApplySorting(TComponent* Grid, TDataSet* DataSet, bool IsReopen);
  // Makes the dataset follow the grid's filter row; nothing in the base.
  virtual void ApplyFilter(TComponent* Grid, TDataSet* DataSet, bool IsReopen);
  // Opens the find dialog for a data grid through ExecuteFindDialogProc.
  virtual void ExecuteFindDialog(TComponent* Grid, const String& Text, const String& FieldName, bool Modal);
  // Fills the value list of a column's filter-row drop-down; nothing in the base.
  virtual void FillSTFilterListValues(TComponent* Grid, TColumnEh* Column, TStrings* Items);

private:
  TClass FDataSetClass = nullptr;
  bool FSortUsingFieldName = false;
};

// Features of datasets whose query is an SQL text in a published property.
class TSQLDatasetFeaturesEh : public TDatasetFeaturesEh {
public:
  BORROW_CLASS(TSQLDatasetFeaturesEh, TDatasetFeaturesEh)
  TSQLDatasetFeaturesEh();

  const String& GetSQLPropName() const { return FSQLPropName; }
  void SetSQLPropName(const String& Value) { FSQLPropName = Value; }
  // When set, writes the date-time operands of SQL conditions.
  TDateValueToSQLStringEh DateValueToSQLString;
  // Whether the dataset's own Filter syntax understands Like.
  bool GetSupportsLocalLike() const { return FSupportsLocalLike; }
  void SetSupportsLocalLike(bool Value) { FSupportsLocalLike = Value; }

  void ApplySorting(TComponent* Grid, TDataSet* DataSet, bool IsReopen) override;
  void ApplyFilter(TComponent* Grid, TDataSet* DataSet, bool IsReopen) override;

private:
  String FSQLPropName;
  bool FSupportsLocalLike = false;
};

// Creates one object of FeaturesClass (a TDatasetFeaturesEh class) and
// registers it for DataSetClass, in place of an earlier registration for a
// class of the same name (letter case ignored). A null DataSetClass registers
// nothing.
void RegisterDatasetFeaturesEh(TClass FeaturesClass, TClass DataSetClass);
// The object registered for the nearest registered ancestor of the class (the
// class itself included); of two at the same distance the first registered.
TDatasetFeaturesEh* GetDatasetFeaturesForDataSetClass(TClass DataSetClass);
TDatasetFeaturesEh* GetDatasetFeaturesForDataSet(TDataSet* DataSet);
// Parent steps from AClass up to the first class named AncestorName (letter case
// ignored), or MaxInt when none is.
Integer ClassDistanceByName(TClass AClass, const String& AncestorName);
// Frees every registered object and the registry (the unit's end).
void FreeDatasetFeaturesRegistry();
