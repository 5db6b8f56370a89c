// The table through its dataset interface against a plain model over random
// steps: sort orders (several fields, descending) set and cleared, filters
// that meet Nulls, edits, inserts, appends and deletes, and Locate and Lookup
// (exact, partial, case-insensitive), each with and without indexes on the
// searched fields. The rows must match the model's after every step; rows
// equal under a sort may stand in any order, and the model then takes the
// table's.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <tuple>

#include "MemTableTestUtil.h"
#include "platform/core/Strings.h"

namespace {

struct TModelRow {
  Integer Id;
  std::optional<Integer> K;
  std::optional<std::string> S;  // lower-case ASCII
};

struct TFilterCase {
  const char16_t* Text;  // empty: not filtered
  bool (*Pass)(const TModelRow&);
};

const TFilterCase kFilters[] = {
    {u"", [](const TModelRow&) { return true; }},
    {u"K > 3", [](const TModelRow& R) { return R.K && *R.K > 3; }},
    {u"K = 1", [](const TModelRow& R) { return R.K && *R.K == 1; }},
    {u"K <= 2 OR ID > 20", [](const TModelRow& R) { return (R.K && *R.K <= 2) || R.Id > 20; }},
    {u"ID < 15", [](const TModelRow& R) { return R.Id < 15; }},
};

struct TSortItem {
  char Field;  // 'I', 'K' or 'S'
  bool Desc;
};

struct TSortCase {
  const char16_t* Text;
  std::vector<TSortItem> Items;
};

const TSortCase kSorts[] = {
    {u"", {}},
    {u"K", {{'K', false}}},
    {u"K DESC", {{'K', true}}},
    {u"S, K DESC", {{'S', false}, {'K', true}}},
    {u"S DESC; ID", {{'S', true}, {'I', false}}},
    {u"K, S DESC", {{'K', false}, {'S', true}}},
    {u"ID DESC", {{'I', true}}},
};

const char* const kTexts[] = {"a", "ab", "b", "bc", "c"};

class MemTableModel : public ::testing::TestWithParam<bool> {
protected:
  TMemTableEh& T() { return *Table; }
  Integer IdNow() { return T().FieldByName(u"ID")->GetAsInteger(); }

  // A new empty table, its indexes defined when the test's parameter says so.
  void MakeTable() {
    Table = std::make_unique<TMemTableEh>(nullptr);
    TMemTableDataEh* store = T().GetMemTableData();
    AddTableColumn(store, TMTNumericDataFieldEh::StaticComponentClass(), ftInteger, u"ID");
    AddTableColumn(store, TMTNumericDataFieldEh::StaticComponentClass(), ftInteger, u"K");
    AddTableColumn(store, TMTStringDataFieldEh::StaticComponentClass(), ftWideString, u"S")->SetSize(10);
    if (GetParam()) {
      T().GetIndexDefs()->Add(u"PK", u"ID", {ixUnique});
      T().GetIndexDefs()->Add(u"BY_K", u"K", {});
      T().GetIndexDefs()->Add(u"BY_S", u"S", {});
    }
  }

  // ---- the model ----

  TModelRow& Row(Integer Id) {
    return *std::find_if(Store.begin(), Store.end(), [Id](const TModelRow& R) { return R.Id == Id; });
  }
  size_t StorePos(Integer Id) const {
    return static_cast<size_t>(
        std::find_if(Store.begin(), Store.end(), [Id](const TModelRow& R) { return R.Id == Id; }) - Store.begin());
  }
  bool Passes(const TModelRow& R) const { return Filter->Pass(R); }
  // Negative, 0 or positive as the sort orders them (Null first).
  int Compare(const TModelRow& A, const TModelRow& B) const {
    for (const TSortItem& item : Sort->Items) {
      int c = 0;
      if (item.Field == 'I') {
        c = A.Id < B.Id ? -1 : A.Id > B.Id;
      } else if (item.Field == 'K') {
        if (A.K.has_value() != B.K.has_value()) c = A.K ? 1 : -1;
        else if (A.K) c = *A.K < *B.K ? -1 : *A.K > *B.K;
      } else {
        if (A.S.has_value() != B.S.has_value()) c = A.S ? 1 : -1;
        else if (A.S) c = A.S->compare(*B.S) < 0 ? -1 : A.S->compare(*B.S) > 0;
      }
      if (c != 0) return item.Desc ? -c : c;
    }
    return 0;
  }
  // The shown rows in store order: the view as a rebuild makes it.
  std::vector<Integer> Rebuilt() const {
    std::vector<Integer> ids;
    for (const TModelRow& r : Store)
      if (Passes(r)) ids.push_back(r.Id);
    return ids;
  }
  // A record coming into the view without a sort order: in store order while
  // the rows stand in it, else before the row of the record behind it in the
  // store, or last.
  void Enter(Integer Id) {
    if (!Stale) {
      View = Rebuilt();
      return;
    }
    const size_t next = StorePos(Id) + 1;
    auto at = View.end();
    if (next < Store.size()) at = std::find(View.begin(), View.end(), Store[next].Id);
    View.insert(at, Id);
  }

  // ---- the table ----

  std::vector<Integer> TableRows() {
    std::vector<Integer> ids;
    TRecordsViewEh* view = T().GetRecordsView();
    for (Integer i = 0; i < view->ViewCount(); ++i)
      ids.push_back(view->ViewRecord(i)->GetDataValues(u"ID", rvvValueEh).AsInteger());
    return ids;
  }
  std::vector<Integer> StoreIds() {
    std::vector<Integer> ids;
    TRecordsListEh* list = T().GetRecordsData()->GetRecordsList();
    for (Integer i = 0; i < list->GetCount(); ++i)
      ids.push_back(list->GetRecord(i)->GetDataValues(u"ID", rvvValueEh).AsInteger());
    return ids;
  }
  // With a sort order the table's rows must hold the model's records in an
  // order the sort allows; the model takes it. Without, they must be the model's.
  void Check(const std::string& Step) {
    std::vector<Integer> storeIds;
    for (const TModelRow& r : Store) storeIds.push_back(r.Id);
    ASSERT_EQ(StoreIds(), storeIds) << Step;
    const std::vector<Integer> rows = TableRows();
    if (!Sort->Items.empty()) {
      std::vector<Integer> want = Rebuilt(), got = rows;
      std::sort(want.begin(), want.end());
      std::sort(got.begin(), got.end());
      ASSERT_EQ(got, want) << Step;
      for (size_t i = 1; i < rows.size(); ++i)
        ASSERT_LE(Compare(Row(rows[i - 1]), Row(rows[i])), 0) << Step << ": rows " << i - 1 << " and " << i;
      View = rows;
    } else {
      ASSERT_EQ(rows, View) << Step;
    }
    ASSERT_EQ(T().RecordCount(), static_cast<Integer>(View.size())) << Step;
  }

  void SetFields(const TModelRow& R) {
    T().FieldByName(u"ID")->SetAsInteger(R.Id);
    if (R.K) T().FieldByName(u"K")->SetAsInteger(*R.K);
    else T().FieldByName(u"K")->Clear();
    if (R.S) T().FieldByName(u"S")->SetAsString(FromUtf8(*R.S));
    else T().FieldByName(u"S")->Clear();
  }
  TModelRow RandomRow(Integer Id) {
    TModelRow r{Id, std::nullopt, std::nullopt};
    if (Rng() % 6 != 0) r.K = static_cast<Integer>(Rng() % static_cast<unsigned>(KeySpan));
    if (Rng() % 6 != 0) r.S = kTexts[Rng() % 5];
    return r;
  }

  // Locate and Lookup of a random key against the first model row holding it.
  void CheckSearches(const std::string& Step) {
    // By K.
    const Integer k = static_cast<Integer>(Rng() % static_cast<unsigned>(KeySpan + 1));
    std::optional<Integer> want;
    for (Integer id : View)
      if (Row(id).K == k) {
        want = id;
        break;
      }
    const Variant looked = T().Lookup(u"K", Variant(k), u"ID");
    if (want) {
      ASSERT_EQ(looked.AsInteger(), *want) << Step << ": Lookup K=" << k;
    } else {
      ASSERT_TRUE(looked.IsNull()) << Step << ": Lookup K=" << k;
    }
    ASSERT_EQ(T().Locate(u"K", Variant(k), {}), want.has_value()) << Step << ": Locate K=" << k;
    if (want) {
      ASSERT_EQ(IdNow(), *want) << Step << ": Locate K=" << k;
    }
    // By ID, shown or not.
    const Integer id = 1 + static_cast<Integer>(Rng() % static_cast<unsigned>(NextId));
    const bool shown = std::find(View.begin(), View.end(), id) != View.end();
    ASSERT_EQ(T().Locate(u"ID", Variant(id), {}), shown) << Step << ": Locate ID=" << id;
    if (shown) {
      ASSERT_EQ(IdNow(), id) << Step;
    }
    // By S, exactly, in any case or by its start.
    std::string text = kTexts[Rng() % 5];
    TLocateOptions options;
    switch (Rng() % 4) {
      case 0: break;
      case 1: options = {loCaseInsensitive}; break;
      case 2:
        options = {loPartialKey};
        text.resize(1);
        break;
      default:
        options = {loCaseInsensitive, loPartialKey};
        text.resize(1);
        break;
    }
    std::string key = text;
    if (options.Contains(loCaseInsensitive)) std::transform(key.begin(), key.end(), key.begin(), ::toupper);
    want.reset();
    for (Integer v : View) {
      const std::optional<std::string>& s = Row(v).S;
      if (s && (options.Contains(loPartialKey) ? s->compare(0, text.size(), text) == 0 : *s == text)) {
        want = v;
        break;
      }
    }
    ASSERT_EQ(T().Locate(u"S", Variant(FromUtf8(key)), options), want.has_value()) << Step << ": Locate S=" << key;
    if (want) {
      ASSERT_EQ(IdNow(), *want) << Step << ": Locate S=" << key;
    }
  }

  void Run(unsigned Start, Integer Records, Integer Span) {
    Rng = std::mt19937(Start);
    KeySpan = Span;
    Filter = &kFilters[0];
    Sort = &kSorts[0];
    T().Open();
    for (Integer i = 0; i < Records; ++i) {
      const TModelRow r = RandomRow(++NextId);
      T().Append();
      SetFields(r);
      T().Post();
      Store.push_back(r);
      View.push_back(r.Id);
    }
    Check("fill");
    for (int step = 0; step < 250; ++step) {
      const std::string name = "random start " + std::to_string(Start) + ", step " + std::to_string(step);
      const unsigned op = Rng() % 16;
      std::string what;
      if (op < 2) {
        Sort = &kSorts[Rng() % std::size(kSorts)];
        what = "sort " + ToUtf8(Sort->Text);
        T().SetSortOrder(Sort->Text);
        // A cleared order leaves the rows as they stand.
        if (!Sort->Items.empty()) Stale = true;
      } else if (op < 4) {
        const TFilterCase* old = Filter;
        Filter = &kFilters[Rng() % std::size(kFilters)];
        what = "filter " + ToUtf8(Filter->Text);
        T().SetFilter(Filter->Text);
        T().SetFiltered(*Filter->Text != 0);
        // The same filter again changes nothing; another rebuilds the rows.
        if (Filter != old) {
          View = Rebuilt();
          Stale = !Sort->Items.empty();
        }
      } else if (op < 8 && !View.empty()) {
        // An edit through the dataset of a shown row.
        const Integer id = View[Rng() % View.size()];
        TModelRow changed = RandomRow(id);
        if (Rng() % 4 == 0) changed = Row(id);  // posted unchanged
        what = "edit " + std::to_string(id);
        ASSERT_TRUE(T().Locate(u"ID", Variant(id), {})) << name;
        T().Edit();
        SetFields(changed);
        T().Post();
        Row(id) = changed;
        if (!Passes(changed)) View.erase(std::find(View.begin(), View.end(), id));
      } else if (op < 9) {
        // An edit straight in the store, of any record: a hidden one may come in.
        const Integer id = Store[Rng() % Store.size()].Id;
        const TModelRow changed = RandomRow(id);
        what = "store edit " + std::to_string(id);
        TMemoryRecordEh* rec = T().GetRecordsData()->GetRecordsList()->GetRecord(static_cast<Integer>(StorePos(id)));
        rec->Edit();
        rec->SetDataValues(
            u"K;S", rvvValueEh,
            VarArrayOf({changed.K ? Variant(*changed.K) : Null(), changed.S ? Variant(FromUtf8(*changed.S)) : Null()}));
        rec->Post();
        const bool was = std::find(View.begin(), View.end(), id) != View.end();
        Row(id) = changed;
        if (was && !Passes(changed)) View.erase(std::find(View.begin(), View.end(), id));
        else if (!was && Passes(changed) && Sort->Items.empty()) Enter(id);
      } else if (op < 11) {
        const TModelRow r = RandomRow(++NextId);
        const bool append = View.empty() || Rng() % 2 == 0;
        what = (append ? "append " : "insert ") + std::to_string(r.Id);
        size_t pos = Store.size();
        if (append) {
          T().Append();
        } else {
          const Integer before = View[Rng() % View.size()];
          ASSERT_TRUE(T().Locate(u"ID", Variant(before), {})) << name;
          pos = StorePos(before);
          T().Insert();
        }
        SetFields(r);
        T().Post();
        Store.insert(Store.begin() + static_cast<std::ptrdiff_t>(pos), r);
        if (Passes(r) && Sort->Items.empty()) Enter(r.Id);
      } else if (op < 12 && !View.empty()) {
        const Integer id = View[Rng() % View.size()];
        what = "delete " + std::to_string(id);
        ASSERT_TRUE(T().Locate(u"ID", Variant(id), {})) << name;
        T().Delete();
        Store.erase(Store.begin() + static_cast<std::ptrdiff_t>(StorePos(id)));
        View.erase(std::find(View.begin(), View.end(), id));
      } else {
        what = "search";
        ASSERT_NO_FATAL_FAILURE(CheckSearches(name));
      }
      ASSERT_NO_FATAL_FAILURE(Check(name + " (" + what + ")"));
    }
  }

  std::unique_ptr<TMemTableEh> Table;
  std::vector<TModelRow> Store;
  std::vector<Integer> View;
  bool Stale = false;  // rows left as a cleared sort order put them
  const TFilterCase* Filter = nullptr;
  const TSortCase* Sort = nullptr;
  std::mt19937 Rng;
  Integer KeySpan = 8;
  Integer NextId = 0;
};

}  // namespace

TEST_P(MemTableModel, RandomStepsAnswerAsThePlainModel) {
  // Keys that repeat a few times each, and keys shared by many records.
  for (const auto& [start, records, span] :
       {std::tuple{401u, 24, 8}, std::tuple{402u, 40, 2}, std::tuple{403u, 12, 5}}) {
    SCOPED_TRACE("random start " + std::to_string(start));
    MakeTable();
    Store.clear();
    View.clear();
    Stale = false;
    NextId = 0;
    Run(start, records, span);
    if (HasFatalFailure()) return;
  }
}

INSTANTIATE_TEST_SUITE_P(, MemTableModel, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& I) { return I.param ? "Indexed" : "Scanned"; });
