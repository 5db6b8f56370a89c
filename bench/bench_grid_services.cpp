// The grid services over 1,000,000 records of an in-memory table.
//
// Filter row: a column's typed condition turned into the table's filter by
// the builder and applied, beside the same filter text set on the table
// directly (target in bench/Targets.h). Text search: the grid text search
// through every record for a text only the last one holds, beside a loop that
// reads the same values from the store and compares them the same way (the
// floor without the cursor). The two sides take turns, the medians count, and
// each turn's result is checked against its baseline's off the clock.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "bench/MemTableBench.h"
#include "editors/DaVirVCL.h"
#include "grid/DataGridIntfEh.h"
#include "grid/DbUtilsEh.h"
#include "memtable/MemTableEh.h"
#include "platform/core/Strings.h"
#include "platform/data/DataSource.h"
#include "platform/data/Fields.h"

namespace {

constexpr Integer kRecords = 1000000;

class TBenchColumn : public IDataGridColumnEh {
public:
  TBenchColumn(TDataSet* DataSet, const String& FieldName) : FDataSet(DataSet), FFieldName(FieldName) {}
  TSTFilterExpressionEh Expression;
  TField* GetField() override { return FDataSet->FindField(FFieldName); }
  String GetFieldName() override { return FFieldName; }
  String GetDisplayText() override { return GetField()->GetDisplayText(); }
  String GetTitleCaption() override { return FFieldName; }
  TSortMarkerEh GetTitleSortMarker() override { return smNoneEh; }
  TSTFilterExpressionEh GetSTFilterExpression() override { return Expression; }
  String GetSTFilterDataField() override { return String(); }
  String GetSTFilterFieldName() override { return FFieldName; }

private:
  TDataSet* FDataSet;
  String FFieldName;
};

class TBenchGrid : public IDataGridEh {
public:
  explicit TBenchGrid(TDataSet* DataSet) : FSource(nullptr) { FSource.SetDataSet(DataSet); }
  std::vector<std::unique_ptr<TBenchColumn>> Columns;
  TBookmark Saved;

  TDataSource* GetDataSource() const override { return const_cast<TDataSource*>(&FSource); }
  std::vector<IDataGridColumnEh*> GetGridColumns() override {
    std::vector<IDataGridColumnEh*> out;
    for (auto& c : Columns) out.push_back(c.get());
    return out;
  }
  std::vector<IDataGridColumnEh*> GetVisibleGridColumns() override { return GetGridColumns(); }
  std::vector<IDataGridColumnEh*> GetSortMarkedGridColumns() override { return {}; }
  IDataGridColumnEh* GetColumnByFieldName(const String& FieldName) override {
    for (auto& c : Columns)
      if (SameText(c->GetFieldName(), FieldName)) return c.get();
    return nullptr;
  }
  Integer GetSelectedIndex() const override { return 0; }
  void SetSelectedIndex(Integer) override {}
  bool GetRowSelect() const override { return false; }
  Integer GetCurrentColumnPosition() const override { return 0; }
  void SaveBookmark() override { Saved = FSource.GetDataSet()->GetBookmark(); }
  void RestoreBookmark() override { FSource.GetDataSet()->GotoBookmark(Saved); }
  TBMListEh* GetSelectedRows() override { return nullptr; }
  bool GetSortLocal() const override { return true; }
  bool GetSTFilterLocal() const override { return true; }
  bool LocateText(const String& FieldName, const String& Text, TLocateTextTreeFindRangeEh,
                  TLocateTextMatchingEh Matching, TLocateTextDirectionEh Direction,
                  TLocateTextOptionsEh Options) override {
    return LocateGridText(this, FieldName, Text, Matching, Direction, Options);
  }

private:
  TDataSource FSource;
};

// The table: ID 1..1,000,000, NAME "Книга <id>", TYPE id mod 7.
struct TBigTable {
  TMemTableEh Table{nullptr};
  TBigTable() {
    TMTDataStructEh* s = Table.GetMemTableData()->GetDataStruct();
    auto add = [&](TComponentClass Class, TFieldType Type, const String& Name) {
      TMTDataFieldEh* f = s->CreateField(Class);
      f->SetDataType(Type);
      f->SetFieldName(Name);
      return f;
    };
    add(TMTNumericDataFieldEh::StaticComponentClass(), ftInteger, u"ID");
    add(TMTStringDataFieldEh::StaticComponentClass(), ftWideString, u"NAME")->SetSize(40);
    add(TMTNumericDataFieldEh::StaticComponentClass(), ftInteger, u"TYPE");
    TRecordsListEh* list = Table.GetRecordsData()->GetRecordsList();
    for (Integer id = 1; id <= kRecords; ++id) {
      TMemoryRecordEh* r = list->NewRecord();
      r->SetDataValues(u"ID;NAME;TYPE", rvvValueEh,
                       VarArrayOf({Variant(id), Variant(u"Книга " + IntToStr(id)), Variant(id % 7)}));
      r->Post();
    }
    Table.Open();
  }
  static TBigTable& Get() {
    static TBigTable t;
    return t;
  }
};

void BM_FilterRowFilter(benchmark::State& state) {
  TBigTable& big = TBigTable::Get();
  TBenchGrid grid(&big.Table);
  grid.Columns.push_back(std::make_unique<TBenchColumn>(&big.Table, u"TYPE"));
  TBenchColumn* type = grid.Columns.back().get();
  type->Expression.ExpressionType = stvtNumberEh;
  ParseFilterExpression(u">= 2 AND < 5", type->Expression, fdoNoneEh);
  String built;
  BuildGridFilterText(&grid, &BuildDataSetFilterCondition, TDateValueToSQLStringEh(), built, true, false);
  auto viaFilterRow = [&] {
    String text;
    BuildGridFilterText(&grid, &BuildDataSetFilterCondition, TDateValueToSQLStringEh(), text, true, false);
    big.Table.SetFiltered(false);
    big.Table.SetFilter(text);
    big.Table.SetFiltered(true);
  };
  auto direct = [&] {
    big.Table.SetFiltered(false);
    big.Table.SetFilter(built);
    big.Table.SetFiltered(true);
  };
  // The records the table shows.
  auto shown = [&] {
    std::vector<TMemoryRecordEh*> recs;
    TRecordsViewEh* view = big.Table.GetRecordsView();
    for (Integer i = 0; i < view->ViewCount(); ++i) recs.push_back(view->ViewRecord(i));
    return recs;
  };
  bool same = true;
  for (auto _ : state) viaFilterRow();
  for (int turn = 0; turn < 7; ++turn) {
    const double rowMs = Millis(viaFilterRow);
    const std::vector<TMemoryRecordEh*> byRow = shown();
    const double directMs = Millis(direct);
    same = same && !byRow.empty() && byRow == shown();
    Figure(state, "filter-row filter over 1,000,000 records", rowMs, "the same filter set on the table", directMs,
           Targets::GridSortAndFilter);
  }
  big.Table.SetFiltered(false);
  if (!same) CheckFailed(state, "the filter row and the table's filter show different records or another order");
}
BENCHMARK(BM_FilterRowFilter)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_TextSearch(benchmark::State& state) {
  TBigTable& big = TBigTable::Get();
  TBenchGrid grid(&big.Table);
  grid.Columns.push_back(std::make_unique<TBenchColumn>(&big.Table, u"NAME"));
  const String text = u"книга 1000000";
  bool found = false;
  auto search = [&] {
    big.Table.First();
    found = LocateGridText(&grid, u"NAME", text, ltmWholeEh, ltdAllEh, ltoIgnoreCaseEh);
  };
  const String upper = WideUpperCaseEh(text);
  const auto& rows = big.Table.GetRecordsData()->GetRecordsList()->GetActiveList();
  Integer hit = -1;
  auto loop = [&] {
    hit = -1;
    for (size_t i = 0; i < rows.size() && hit < 0; ++i)
      if (WideUpperCaseEh(rows[i]->GetData()[1].AsString()) == upper) hit = static_cast<Integer>(i);
    benchmark::DoNotOptimize(hit);
  };
  for (auto _ : state) {
    search();
    benchmark::DoNotOptimize(found);
  }
  bool same = true;
  for (int turn = 0; turn < 5; ++turn) {
    const double searchMs = Millis(search);
    same = same && found && big.Table.FieldByName(u"ID")->GetAsInteger() == kRecords;
    const double loopMs = Millis(loop);
    same = same && hit >= 0 && rows[static_cast<size_t>(hit)]->GetData()[0].AsInteger() == kRecords;
    Figure(state, "grid text search through 1,000,000 records", searchMs, "a loop over the store's values", loopMs,
           NoTarget());
  }
  if (!same) CheckFailed(state, "the search and the loop found different records, or none");
}
BENCHMARK(BM_TextSearch)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv) { return RunBenchmarksWithFigures(argc, argv); }
