#pragma once
// DaVirMTE: the dataset features of the in-memory table.
//
// TMTEDatasetFeaturesEh is what a data grid reaches, through its center, when
// it shows a TCustomMemTableEh (or a descendant):
//   sorting    the grid's grouping levels first, then its sort-marked columns
//              in marking order, as an order text the table's records view is
//              sorted by (SortByFields; the table's SortOrder stays). A table
//              with a data driver sorted on the server side hands the sorting
//              to its provider or to the driver's select text instead; a table
//              without a driver always sorts itself.
//   filtering  the filter row as the table's Filter, or, on the server side,
//              through the provider or into the driver's select text.
//   searching  in a table shown as a tree, in display order through the
//              branches the find dialog names, collapsed ones included, and
//              the found record's branch opened.
//   the filter drop-down's values, through the grid center's default filling.
//
// The unit's start registers the class for TCustomMemTableEh.

#include "grid/DbUtilsEh.h"

class TCustomDBGridEh;
class TCustomMemTableEh;
class TMemoryRecordEh;

class TMTEDatasetFeaturesEh : public TSQLDatasetFeaturesEh {
public:
  BORROW_CLASS(TMTEDatasetFeaturesEh, TSQLDatasetFeaturesEh)
  TMTEDatasetFeaturesEh();

  // In a table shown as a tree, TreeFindRange picks the nodes walked: every
  // branch (collapsed ones too), the level or the branch of the node that was
  // current when the find dialog opened; expanded branches only is the plain
  // search of the records shown.
  bool LocateText(TComponent* Grid, const String& FieldName, const String& Text, TLocateTextOptionsEh Options,
                  TLocateTextDirectionEh Direction, TLocateTextMatchingEh Matching,
                  TLocateTextTreeFindRangeEh TreeFindRange) override;
  void ApplySorting(TComponent* Grid, TDataSet* DataSet, bool IsReopen) override;
  void ApplyFilter(TComponent* Grid, TDataSet* DataSet, bool IsReopen) override;
  // Remembers the current tree node of a tree-shaped table, then opens the dialog.
  void ExecuteFindDialog(TComponent* Grid, const String& Text, const String& FieldName, bool Modal) override;
  void FillSTFilterListValues(TComponent* Grid, TColumnEh* Column, TStrings* Items) override;

private:
  // The record of the node that was current when the find dialog last opened,
  // and its table; its node is looked up again when a search needs it.
  TCustomMemTableEh* FFindDialogTable = nullptr;
  TMemoryRecordEh* FFindDialogRec = nullptr;
};

// A field name as an order text needs it: in brackets when it holds a blank,
// "," or ";".
String BracketFieldNameEh(const String& FieldName);

// The order text a grid's sorting gives: its grouping levels, then its
// sort-marked columns, each " DESC" when descending, separated by ",".
String BuildMTEOrderTextEh(TCustomDBGridEh* Grid);

// The unit's start registers the features for TCustomMemTableEh; counted.
void InitDaVirMTEUnit();
void FinalDaVirMTEUnit();
