#pragma once
// A data store and a framework dataset with the same columns, so that filter
// and aggregate texts compile against the dataset's fields (FieldNo = column + 1)
// and evaluate against the store's records.

#include <memory>
#include <vector>

#include "memtable/MemTableDataEh.h"
#include "platform/core/DateTime.h"
#include "tests/memtable/MemTestUtil.h"
#include "tests/platform/data/TestDataSet.h"

// Rows for the aggregate tests: the records given, in order.
class TRowList : public IAggregateRowsEh {
public:
  std::vector<TMemoryRecordEh*> Rows;
  Integer GetAggregateRowCount() const override { return static_cast<Integer>(Rows.size()); }
  TMemoryRecordEh* GetAggregateRow(Integer Row) const override { return Rows[static_cast<size_t>(Row)]; }
};

struct ExprFixtureBase {
  TMemTableDataEh Store{nullptr};
  TTestDataSet DS;

  ExprFixtureBase() {
    BuildTestColumns(Store);
    DS.GetFieldDefs()->Add(u"ID", ftInteger);
    DS.GetFieldDefs()->Add(u"NAME", ftWideString, 100);
    DS.GetFieldDefs()->Add(u"PRICE", ftCurrency);
    DS.GetFieldDefs()->Add(u"BORN", ftDateTime);
    DS.GetFieldDefs()->Add(u"PHOTO", ftBlob);
    DS.GetFieldDefs()->Add(u"FLAG", ftBoolean);
    DS.GetFieldDefs()->Add(u"NOTE", ftString, 20);
    DS.Open();
  }

  TRecordsListEh* List() { return Store.GetRecordsList(); }

  TMemoryRecordEh* Add(const Variant& Id, const Variant& Name, const Variant& Price = Null(),
                       const Variant& Born = Null(), const Variant& Flag = Null()) {
    TMemoryRecordEh* r = List()->NewRecord();
    r->SetValue(TestColumns::ID, rvvValueEh, Id);
    r->SetValue(TestColumns::NAME, rvvValueEh, Name);
    r->SetValue(TestColumns::PRICE, rvvValueEh, Price);
    r->SetValue(TestColumns::BORN, rvvValueEh, Born);
    r->SetValue(TestColumns::FLAG, rvvValueEh, Flag);
    r->Post();
    return r;
  }

  std::unique_ptr<TDataSetExprParserEh> Filter(const String& Text) {
    auto p = std::make_unique<TDataSetExprParserEh>(&DS, dsptFilterEh);
    p->ParseExpression(Text);
    return p;
  }

  // The IDs of the records the filter accepts, in records-list order (-1 for a Null ID).
  std::vector<Integer> Accepted(const String& Text) {
    auto p = Filter(Text);
    std::vector<Integer> ids;
    for (TMemoryRecordEh* r : List()->GetActiveList())
      if (p->IsRecordAccepted(r)) {
        const Variant id = r->GetValue(TestColumns::ID, rvvValueEh);
        ids.push_back(id.IsNull() ? -1 : id.AsInteger());
      }
    return ids;
  }

  Variant Aggregate(const String& Text, const TRowList& Rows) {
    TDataSetExprParserEh p(&DS, dsptAggregateEh);
    p.ParseExpression(Text);
    Variant v;
    p.CalcAggregate(const_cast<TRowList*>(&Rows), v);
    return v;
  }

  TRowList AllRows() {
    TRowList rows;
    rows.Rows = List()->GetActiveList();
    return rows;
  }
};
