#pragma once
// A stand-in data grid for the service tests: a window with columns over an
// in-memory table, implementing what the services need of a grid. Its columns
// parse their filter-row texts as a column filter does.

#include <memory>
#include <vector>

#include "editors/ToolCtrlsEh.h"
#include "grid/DataGridIntfEh.h"
#include "grid/DbUtilsEh.h"
#include "gridbase/DaVirConsts.h"
#include "gridbase/GridsEh.h"
#include "memtable/MemTableEh.h"
#include "platform/core/Format.h"
#include "platform/core/Strings.h"
#include "platform/data/DataSource.h"
#include "platform/data/Fields.h"
#include "platform/ui/Controls.h"

class TTestDataGrid;

class TTestGridColumn : public IDataGridColumnEh {
public:
  TTestGridColumn(TTestDataGrid* Grid, const String& AFieldName)
      : FieldName(AFieldName), Caption(AFieldName), FGrid(Grid) {}

  String FieldName;
  String Caption;
  bool Visible = true;
  TSortMarkerEh SortMarker = smNoneEh;
  String DataField;  // the column filter's DataField
  TSTFilterExpressionEh Expression;
  // The column's shown text for a field value; null shows the field's display text.
  std::function<String(TField*)> DisplayText;

  // What the column filter does with a typed filter-row text.
  void SetFilterText(const String& Text, TSTFilterDefaultOperatorEh Default = fdoNoneEh) {
    TField* f = GetField();
    Expression.ExpressionType = f ? STFilterValueTypeOfFieldTypeEh(f->GetDataType()) : stvtNoneEh;
    ParseFilterExpression(Text, Expression, Default);
  }

  TField* GetField() override;
  String GetFieldName() override { return FieldName; }
  String GetDisplayText() override {
    TField* f = GetField();
    if (!f) return String();
    return DisplayText ? DisplayText(f) : f->GetDisplayText();
  }
  String GetTitleCaption() override { return Caption; }
  TSortMarkerEh GetTitleSortMarker() override { return SortMarker; }
  TSTFilterExpressionEh GetSTFilterExpression() override { return Expression; }
  String GetSTFilterDataField() override { return DataField; }
  String GetSTFilterFieldName() override { return DataField.empty() ? FieldName : DataField; }

private:
  TTestDataGrid* FGrid;
};

// The selected rows over the grid's dataset.
class TTestSelectedRows : public TBMListEh {
public:
  explicit TTestSelectedRows(TDataSource* Source) : FSource(Source) { SetLinkActive(true); }
  TDataSet* GetDataSet() const override { return FSource->GetDataSet(); }

private:
  TDataSource* FSource;
};

class TTestDataGrid : public TCustomControl, public IDataGridEh {
public:
  explicit TTestDataGrid(TComponent* AOwner)
      : TCustomControl(AOwner), Source(new TDataSource(this)), Selected(Source) {}

  TDataSource* Source;
  std::vector<std::unique_ptr<TTestGridColumn>> Columns;
  std::vector<TTestGridColumn*> SortMarked;
  Integer SelectedIndex = 0;
  bool RowSelect = false;
  Integer CurrentColumnPosition = 0;
  bool SortLocal = false;
  bool STFilterLocal = false;
  TBookmark Saved;
  Integer SaveCount = 0, RestoreCount = 0;
  TTestSelectedRows Selected;
  Integer LocateTextCalls = 0;

  TTestGridColumn* AddColumn(const String& FieldName) {
    Columns.push_back(std::make_unique<TTestGridColumn>(this, FieldName));
    return Columns.back().get();
  }
  TTestGridColumn* Column(const String& FieldName) {
    for (auto& c : Columns)
      if (c->FieldName == FieldName) return c.get();
    return nullptr;
  }
  TDataSet* DataSet() const { return Source->GetDataSet(); }

  // ---- IDataGridEh
  TDataSource* GetDataSource() const override { return Source; }
  std::vector<IDataGridColumnEh*> GetGridColumns() override {
    std::vector<IDataGridColumnEh*> out;
    for (auto& c : Columns) out.push_back(c.get());
    return out;
  }
  std::vector<IDataGridColumnEh*> GetVisibleGridColumns() override {
    std::vector<IDataGridColumnEh*> out;
    for (auto& c : Columns)
      if (c->Visible) out.push_back(c.get());
    return out;
  }
  std::vector<IDataGridColumnEh*> GetSortMarkedGridColumns() override {
    return std::vector<IDataGridColumnEh*>(SortMarked.begin(), SortMarked.end());
  }
  IDataGridColumnEh* GetColumnByFieldName(const String& FieldName) override {
    for (auto& c : Columns)
      if (SameText(c->FieldName, FieldName)) return c.get();
    RaiseInvalidGridOperationEh(Format(LoadResStringEh(SFieldNameNotFoundEh), {FieldName}));
  }
  Integer GetSelectedIndex() const override { return SelectedIndex; }
  void SetSelectedIndex(Integer Index) override { SelectedIndex = Index; }
  bool GetRowSelect() const override { return RowSelect; }
  Integer GetCurrentColumnPosition() const override { return CurrentColumnPosition; }
  void SaveBookmark() override {
    ++SaveCount;
    Saved = DataSet()->GetBookmark();
  }
  void RestoreBookmark() override {
    ++RestoreCount;
    DataSet()->GotoBookmark(Saved);
  }
  TBMListEh* GetSelectedRows() override { return &Selected; }
  bool GetSortLocal() const override { return SortLocal; }
  bool GetSTFilterLocal() const override { return STFilterLocal; }
  bool LocateText(const String& FieldName, const String& Text, TLocateTextTreeFindRangeEh TreeFindRange,
                  TLocateTextMatchingEh Matching, TLocateTextDirectionEh Direction,
                  TLocateTextOptionsEh Options) override {
    ++LocateTextCalls;
    LastFieldName = FieldName;
    LastText = Text;
    LastTreeFindRange = TreeFindRange;
    LastMatching = Matching;
    LastDirection = Direction;
    LastOptions = Options;
    if (TDatasetFeaturesEh* f = GetDatasetFeaturesForDataSet(DataSet()))
      return f->LocateText(this, FieldName, Text, Options, Direction, Matching, TreeFindRange);
    return LocateGridText(this, FieldName, Text, Matching, Direction, Options);
  }
  // The arguments of the last LocateText call.
  String LastFieldName, LastText;
  TLocateTextTreeFindRangeEh LastTreeFindRange = lttAllBranchesEh;
  TLocateTextMatchingEh LastMatching = ltmAnyPartEh;
  TLocateTextDirectionEh LastDirection = ltdUpEh;
  TLocateTextOptionsEh LastOptions = -1;
};

inline TField* TTestGridColumn::GetField() {
  TDataSet* ds = FGrid->DataSet();
  return ds ? ds->FindField(FieldName) : nullptr;
}

// ---- Tables ----------------------------------------------------------------

inline TMTDataFieldEh* AddStoreColumn(TCustomMemTableEh& Table, TComponentClass Class, TFieldType Type,
                                      const String& Name) {
  TMTDataFieldEh* f = Table.GetMemTableData()->GetDataStruct()->CreateField(Class);
  f->SetDataType(Type);
  f->SetFieldName(Name);
  return f;
}

// ID integer, NAME text, PRICE float, D date-time, OK boolean.
inline void BuildGoodsColumns(TCustomMemTableEh& Table) {
  AddStoreColumn(Table, TMTNumericDataFieldEh::StaticComponentClass(), ftInteger, u"ID");
  AddStoreColumn(Table, TMTStringDataFieldEh::StaticComponentClass(), ftWideString, u"NAME")->SetSize(60);
  AddStoreColumn(Table, TMTNumericDataFieldEh::StaticComponentClass(), ftFloat, u"PRICE");
  AddStoreColumn(Table, TMTDateTimeDataFieldEh::StaticComponentClass(), ftDateTime, u"D");
  AddStoreColumn(Table, TMTBooleanDataFieldEh::StaticComponentClass(), ftBoolean, u"OK");
}

inline TMemoryRecordEh* AddGoods(TCustomMemTableEh& Table, const Variant& Id, const Variant& Name, const Variant& Price,
                                 const Variant& D, const Variant& Ok) {
  TMemoryRecordEh* r = Table.GetRecordsData()->GetRecordsList()->NewRecord();
  r->SetDataValues(u"ID;NAME;PRICE;D;OK", rvvValueEh, VarArrayOf({Id, Name, Price, D, Ok}));
  r->Post();
  return r;
}

// The ID values of the table's rows, from the first.
inline std::vector<Integer> RowIds(TDataSet& T, const String& Field = u"ID") {
  std::vector<Integer> ids;
  T.First();
  while (!T.Eof()) {
    ids.push_back(T.FieldByName(Field)->GetAsInteger());
    T.Next();
  }
  return ids;
}
