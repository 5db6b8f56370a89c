#pragma once
// What the grid services of DbUtilsEh and DBGridEhFindDlgs see of a data grid
// and of its columns. The data grid class implements IDataGridEh and its
// column class IDataGridColumnEh; the services find the interface on a grid
// component with dynamic_cast, so a grid that lacks it gets none of them.
//
// The services only read the grid, except where an operation says it moves
// the current column or record. Columns are handed out as non-owning pointers
// that stay valid while the grid's column set does not change.

#include <vector>

#include "grid/DbUtilsEh.h"
#include "platform/core/Types.h"

class TDataSource;
class TField;
class TBMListEh;

// The sort marker of a column title: smDownEh sorts ascending, smUpEh descending.
enum TSortMarkerEh : Byte { smNoneEh, smDownEh, smUpEh };

// A grid column as the filter builders and the text search use it.
class IDataGridColumnEh {
public:
  virtual ~IDataGridColumnEh() = default;
  // The column's field in the grid's dataset, or null.
  virtual TField* GetField() = 0;
  // The field name the column is bound to.
  virtual String GetFieldName() = 0;
  // The text the column shows for the current record (key and pick lists,
  // lookups and display formats applied).
  virtual String GetDisplayText() = 0;
  // The caption of the column's title.
  virtual String GetTitleCaption() = 0;
  // The sort marker of the column's title.
  virtual TSortMarkerEh GetTitleSortMarker() = 0;
  // A copy of the column filter's parsed condition.
  virtual TSTFilterExpressionEh GetSTFilterExpression() = 0;
  // The column filter's DataField property as set (may be empty).
  virtual String GetSTFilterDataField() = 0;
  // The field name the column filter's conditions are written for.
  virtual String GetSTFilterFieldName() = 0;
};

// A data grid as the dataset features, the builders, the text search and the
// find dialog use it.
class IDataGridEh {
public:
  virtual ~IDataGridEh() = default;

  // ---- data
  // The grid's data source, or null; its dataset may be null.
  virtual TDataSource* GetDataSource() const = 0;

  // ---- columns
  // All columns, in the order of the grid's column collection.
  virtual std::vector<IDataGridColumnEh*> GetGridColumns() = 0;
  // The columns shown, in display order.
  virtual std::vector<IDataGridColumnEh*> GetVisibleGridColumns() = 0;
  // The columns with a sort marker, in the order they were marked.
  virtual std::vector<IDataGridColumnEh*> GetSortMarkedGridColumns() = 0;
  // The column bound to that field; raises EInvalidGridOperationEh with the
  // library message "Имя поля '%s' не найдено" when there is none.
  virtual IDataGridColumnEh* GetColumnByFieldName(const String& FieldName) = 0;
  // The index in GetGridColumns() of the current column / makes that column current.
  virtual Integer GetSelectedIndex() const = 0;
  virtual void SetSelectedIndex(Integer Index) = 0;
  // Whether the grid selects whole rows; and then the grid's current column
  // position less the indicator column (an index into GetVisibleGridColumns()).
  virtual bool GetRowSelect() const = 0;
  virtual Integer GetCurrentColumnPosition() const = 0;

  // ---- records
  // Remembers the current record's bookmark and its row offset in the window /
  // returns to that record at the same offset.
  virtual void SaveBookmark() = 0;
  virtual void RestoreBookmark() = 0;
  // The selected-rows list (its current-row-selected flag marks the current record).
  virtual TBMListEh* GetSelectedRows() = 0;

  // ---- switches
  // Whether sorting and the filter row work on the dataset itself (locally)
  // rather than through its query.
  virtual bool GetSortLocal() const = 0;
  virtual bool GetSTFilterLocal() const = 0;

  // ---- find
  // The grid's find operation, as the find dialog calls it: shows the wait
  // cursor, asks the dataset's features object (which falls back on
  // LocateGridText) and answers whether a match was found.
  virtual bool LocateText(const String& FieldName, const String& Text, TLocateTextTreeFindRangeEh TreeFindRange,
                          TLocateTextMatchingEh Matching, TLocateTextDirectionEh Direction,
                          TLocateTextOptionsEh Options) = 0;
};
