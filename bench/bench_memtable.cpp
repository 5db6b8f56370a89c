// The in-memory dataset on 1,000,000 records, each figure beside its baseline
// measured in the same run ("baseline_ms" counter) and the ratio of the two:
//   - key lookup through an index against a linear scan;
//   - a filter expression against a hand-written loop over the same condition.

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <algorithm>
#include <random>

#include "memtable/MemTableDataEh.h"
#include "platform/core/Strings.h"
#include "tests/platform/data/TestDataSet.h"

namespace {

constexpr Integer kRecords = 1000000;
constexpr unsigned kRandomStart = 1207;

// ID integer (a permutation of 0 .. n-1), ID_TYPE integer 0..3, NAME text.
struct BigStore {
  TMemTableDataEh Store{nullptr};
  TTestDataSet DS;
  TMTIndexEh* Index = nullptr;

  BigStore() {
    auto add = [&](TComponentClass cls, TFieldType type, const String& name) {
      TMTDataFieldEh* f = Store.GetDataStruct()->CreateField(cls);
      f->SetDataType(type);
      f->SetFieldName(name);
      if (type == ftWideString) f->SetSize(40);
      DS.GetFieldDefs()->Add(name, type, type == ftWideString ? 40 : 0);
    };
    add(TMTNumericDataFieldEh::StaticComponentClass(), ftInteger, u"ID");
    add(TMTNumericDataFieldEh::StaticComponentClass(), ftInteger, u"ID_TYPE");
    add(TMTStringDataFieldEh::StaticComponentClass(), ftWideString, u"NAME");
    DS.Open();
    std::vector<Integer> ids(kRecords);
    for (Integer i = 0; i < kRecords; ++i) ids[static_cast<size_t>(i)] = i;
    std::mt19937 rng(kRandomStart);
    std::shuffle(ids.begin(), ids.end(), rng);
    TRecordsListEh* list = Store.GetRecordsList();
    list->BeginUpdate();
    for (Integer i = 0; i < kRecords; ++i) {
      TMemoryRecordEh* r = list->NewRecord();
      r->SetValue(0, rvvValueEh, Variant(ids[static_cast<size_t>(i)]));
      r->SetValue(1, rvvValueEh, Variant(static_cast<Integer>(rng() % 4)));
      r->SetValue(2, rvvValueEh, Variant(u"Запись " + IntToStr(i)));
      list->LoadRecord(r);
    }
    list->EndUpdate();
    Index = list->GetIndexes()->Add();
    Index->SetFields(u"ID");
    Index->SetActive(true);
  }

  static BigStore& Get() {
    static BigStore store;
    return store;
  }
};

template <class F>
double Millis(F&& f, int repeats) {
  auto t0 = std::chrono::steady_clock::now();
  for (int k = 0; k < repeats; ++k) f();
  auto t1 = std::chrono::steady_clock::now();
  return std::chrono::duration<double, std::milli>(t1 - t0).count() / repeats;
}

void Report(benchmark::State& state, double measuredMs, double baselineMs) {
  state.counters["measured_ms"] = measuredMs;
  state.counters["baseline_ms"] = baselineMs;
  state.counters["ratio"] = measuredMs / baselineMs;
}

// A linear scan for one key: the baseline of an index lookup.
Integer ScanFor(const std::vector<TMemoryRecordEh*>& rows, Integer key) {
  for (TMemoryRecordEh* r : rows)
    if (r->GetData()[0].AsInteger() == key) return r->GetIndex();
  return -1;
}

void BM_IndexLookup(benchmark::State& state) {
  BigStore& s = BigStore::Get();
  std::mt19937 rng(kRandomStart);
  Integer rec = 0;
  for (auto _ : state) {
    s.Index->FindKeyValue(Variant(static_cast<Integer>(rng() % kRecords)), rec);
    benchmark::DoNotOptimize(rec);
  }
  const auto& rows = s.Store.GetRecordsList()->GetActiveList();
  const double scanMs = Millis([&] { benchmark::DoNotOptimize(ScanFor(rows, static_cast<Integer>(rng() % kRecords))); }, 20);
  const double lookupMs = Millis([&] { s.Index->FindKeyValue(Variant(static_cast<Integer>(rng() % kRecords)), rec); }, 100000);
  Report(state, lookupMs, scanMs);
  state.counters["lookup_us"] = lookupMs * 1000;
}
BENCHMARK(BM_IndexLookup);

void BM_FilterExpression(benchmark::State& state) {
  BigStore& s = BigStore::Get();
  TDataSetExprParserEh filter(&s.DS, dsptFilterEh);
  filter.ParseExpression(u"ID_TYPE>0");
  const auto& rows = s.Store.GetRecordsList()->GetActiveList();
  Integer accepted = 0;
  auto viaFilter = [&] {
    accepted = 0;
    for (TMemoryRecordEh* r : rows)
      if (filter.IsRecordAccepted(r)) ++accepted;
  };
  auto viaLoop = [&] {
    Integer n = 0;
    for (TMemoryRecordEh* r : rows) {
      const Variant& v = r->GetData()[1];
      if (!v.IsNull() && v.AsInteger() > 0) ++n;
    }
    benchmark::DoNotOptimize(n);
  };
  for (auto _ : state) {
    viaFilter();
    benchmark::DoNotOptimize(accepted);
  }
  Report(state, Millis(viaFilter, 3), Millis(viaLoop, 3));
}
BENCHMARK(BM_FilterExpression)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
