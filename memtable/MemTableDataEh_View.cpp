// The records view: order-by lists, sorting, filtering and the record-by-record
// upkeep of the view list.
//
// Sorting: when no OnCompareRecords hook is connected, the view compares by its
// own order (CompareRecordsByOrder). A sort then reads every record's sort values
// once into a key table (numbers as numbers, texts as collation keys) and runs
// the same quicksort over the table: the comparisons give the same answers as
// comparing the records, so the order is the same, at a fraction of the cost.

#include <algorithm>
#include <utility>
#include <string>
#include <unordered_map>

#include "editors/ToolCtrlsEh.h"
#include "memtable/MemTableDataEh.h"
#include "platform/core/Assert.h"
#include "platform/core/Lists.h"
#include "platform/core/Locale.h"
#include "platform/core/Strings.h"
#include "platform/data/DataSet.h"

// ---------------------------------------------------------------------------
// Order-by parsing

namespace {

// One token from Pos (0-based); an empty text at the end.
String NextOrderToken(const String& S, size_t& Pos, bool& Bracketed) {
  Bracketed = false;
  while (Pos < S.size() && S[Pos] == u' ') ++Pos;
  if (Pos >= S.size()) return String();
  const Char c = S[Pos];
  if (c == u',' || c == u';') {
    ++Pos;
    return String(1, c);
  }
  if (c == u'[') {
    const size_t close = S.find(u']', Pos + 1);
    const size_t end = close == String::npos ? S.size() : close;
    String t = S.substr(Pos + 1, end - Pos - 1);
    Pos = close == String::npos ? S.size() : close + 1;
    Bracketed = true;
    return t;
  }
  const size_t start = Pos;
  while (Pos < S.size() && S[Pos] != u' ' && S[Pos] != u',' && S[Pos] != u';') ++Pos;
  return S.substr(start, Pos - start);
}

}  // namespace

TOrderByList::~TOrderByList() = default;

void TOrderByList::ParseOrderBy(const String& OrderByStr) {
  size_t pos = 0;
  bool bracketed = false;
  String token = NextOrderToken(OrderByStr, pos, bracketed);
  if (token.empty() && !bracketed) {
    FItems.clear();
    return;
  }
  std::vector<std::unique_ptr<TOrderByItemEh>> items;
  for (;;) {
    const Integer field = FieldIndexByName(token);
    if (field < 0) throw Exception(u" Field - \"" + token + u"\" not found.");
    bool desc = false;
    for (;;) {
      token = NextOrderToken(OrderByStr, pos, bracketed);
      const String upper = bracketed ? String() : UpperCase(token);
      if (!bracketed && upper == u"ASC") desc = false;
      else if (!bracketed && upper == u"DESC") desc = true;
      else if (!bracketed && (token.empty() || token == u"," || token == u";")) break;
      else throw Exception(u" Invalid token - \"" + token + u"\"");
    }
    items.push_back(std::make_unique<TOrderByItemEh>(field, desc));
    token = NextOrderToken(OrderByStr, pos, bracketed);
    if (token.empty() && !bracketed) break;
  }
  FItems = std::move(items);
}

Integer TRecordsViewOrderByList::FieldIndexByName(const String& FieldName) const {
  TMTDataStructEh* ds = FRecordsView ? FRecordsView->GetDataStruct() : nullptr;
  return ds ? ds->FieldIndex(FieldName) : -1;
}

Integer TMemoryTreeListOrderByList::FieldIndexByName(const String& FieldName) const {
  TRecordsViewEh* view = FTreeList ? FTreeList->GetRecordsView() : nullptr;
  TMTDataStructEh* ds = view ? view->GetDataStruct() : nullptr;
  return ds ? ds->FieldIndex(FieldName) : -1;
}

// ---------------------------------------------------------------------------
// Sort keys

namespace {

const TRecValueEh& ValueAt(TMemoryRecordEh* Rec, Integer Column) {
  static const TRecValueEh kNull;
  const TRecValueEh* v = Rec->StoredValue(Column);
  return v ? *v : kNull;
}

class TSortKeys {
public:
  // False when some value has no key of its column's kind (mixed or unusual
  // types): the caller then compares the records themselves.
  // Ranking texts pays off for a sort of the whole list, not for sorting many
  // short sibling lists, which compare each row only a few times.
  bool Build(const std::vector<TMemoryRecordEh*>& Recs, TOrderByList* OrderBy, bool Rank = true) {
    FColumns.assign(static_cast<size_t>(OrderBy->Count()), Column());
    for (Integer k = 0; k < OrderBy->Count(); ++k)
      if (!BuildColumn(FColumns[static_cast<size_t>(k)], Recs, OrderBy->GetItem(k), Rank)) return false;
    return true;
  }

  // Every column whole numbers without Nulls: the caller may compare Ints() directly.
  bool IntegerColumnsOnly() const {
    for (const Column& col : FColumns)
      if (col.Kind != kInt || !col.Nulls.empty()) return false;
    return !FColumns.empty();
  }
  Integer ColumnCount() const { return static_cast<Integer>(FColumns.size()); }
  const Int64* Ints(Integer Col) const { return FColumns[static_cast<size_t>(Col)].I.data(); }
  bool Descending(Integer Col) const { return FColumns[static_cast<size_t>(Col)].Desc; }

  Integer Compare(Integer A, Integer B) const {
    if (A == B) return 0;  // a sort comparing a row with itself needs no key made for it
    const size_t a = static_cast<size_t>(A), b = static_cast<size_t>(B);
    for (const Column& col : FColumns) {
      Integer r = 0;
      if (!col.Nulls.empty() && (col.Nulls[a] || col.Nulls[b])) {
        if (col.Nulls[a] && col.Nulls[b]) continue;
        r = col.Nulls[a] ? -1 : 1;
      } else {
        switch (col.Kind) {
          case kInt: r = col.I[a] < col.I[b] ? -1 : col.I[a] > col.I[b] ? 1 : 0; break;
          case kFloat: r = col.D[a] < col.D[b] ? -1 : col.D[a] > col.D[b] ? 1 : 0; break;
          case kText: {
            const Integer ka = TextIndex(col, a), kb = TextIndex(col, b);
            const int c = ka == kb ? 0 : col.T[static_cast<size_t>(ka)].compare(col.T[static_cast<size_t>(kb)]);
            r = c < 0 ? -1 : c > 0 ? 1 : 0;
            break;
          }
          default: break;  // every value Null
        }
      }
      if (r != 0) return col.Desc ? -r : r;
    }
    return 0;
  }

private:
  enum : Byte { kNone = 0, kInt = 1, kFloat = 2, kText = 3 };
  struct Column {
    Byte Kind = kNone;
    bool Desc = false;
    std::vector<Int64> I;
    std::vector<double> D;
    mutable std::vector<std::string> T;  // texts: the distinct collation keys
    mutable std::vector<Integer> TI;     // each row's key in T; -1: not made yet
    std::vector<Byte> Nulls;             // empty while no value is Null
    // Without ranking, a text's key is made when a comparison first needs it:
    // siblings ordered by an earlier column mostly never compare their texts.
    const std::vector<TMemoryRecordEh*>* Recs = nullptr;
    Integer Field = -1;
  };

  static Integer TextIndex(const Column& Col, size_t Row) {
    Integer& at = Col.TI[Row];
    if (at < 0) {
      Col.T.push_back(CollationSortKey(ValueAt((*Col.Recs)[Row], Col.Field).Text(), false));
      at = static_cast<Integer>(Col.T.size()) - 1;
    }
    return at;
  }

  // Texts repeat often (group names, states): each distinct text is keyed once.
  // Where they hardly repeat, the lookup is given up after a quarter of the rows.
  class TTextKeys {
  public:
    explicit TTextKeys(size_t Rows) : FSample(std::max<size_t>(Rows / 4, 1024)) {}
    // Text lies in the store, which does not change while a sort runs.
    Integer KeyOf(Column& Col, StringView Text) {
      if (FLooking) {
        auto [it, added] = FSeen.try_emplace(Text, static_cast<Integer>(Col.T.size()));
        if (added) Col.T.push_back(CollationSortKey(it->first, false));
        const Integer id = it->second;
        if (++FLooked == FSample && FSeen.size() * 10 > FSample * 9) {
          FLooking = false;
          FSeen.clear();
        }
        return id;
      }
      Col.T.push_back(CollationSortKey(Text, false));
      return static_cast<Integer>(Col.T.size()) - 1;
    }

  private:
    size_t FSample;
    std::unordered_map<StringView, Integer> FSeen;
    size_t FLooked = 0;
    bool FLooking = true;
  };

  // Few distinct texts: their order is found once, and rows compare as numbers.
  static void RankTexts(Column& col) {
    const size_t n = col.TI.size(), distinct = col.T.size();
    if (distinct * 2 > n) return;
    std::vector<Integer> order(distinct);
    for (size_t k = 0; k < distinct; ++k) order[k] = static_cast<Integer>(k);
    std::sort(order.begin(), order.end(), [&col](Integer a, Integer b) {
      return col.T[static_cast<size_t>(a)] < col.T[static_cast<size_t>(b)];
    });
    std::vector<Int64> rank(distinct);
    Int64 r = 0;
    for (size_t k = 0; k < distinct; ++k) {
      if (k > 0 && col.T[static_cast<size_t>(order[k])] != col.T[static_cast<size_t>(order[k - 1])]) ++r;
      rank[static_cast<size_t>(order[k])] = r;
    }
    col.I.resize(n);
    for (size_t k = 0; k < n; ++k) col.I[k] = rank[static_cast<size_t>(col.TI[k])];
    col.Kind = kInt;
    std::vector<std::string>().swap(col.T);
    std::vector<Integer>().swap(col.TI);
  }

  // A column's values are whole numbers (integers, Booleans), currencies, floats
  // (and dates) or texts; integers mixed with floats compare as floats.
  static bool BuildColumn(Column& col, const std::vector<TMemoryRecordEh*>& Recs, const TOrderByItemEh* Item,
                          bool Rank) {
    col.Desc = Item->Desc;
    const size_t n = Recs.size();
    bool currency = false;
    TTextKeys texts(n);
    for (size_t r = 0; r < n; ++r) {
      const TRecValueEh& v = ValueAt(Recs[r], Item->FieldIndex);
      const TVarType t = v.VarType();
      if (t == varNull || t == varEmpty) {
        if (col.Nulls.empty()) col.Nulls.assign(n, 0);
        col.Nulls[r] = 1;
        continue;
      }
      Byte kind;
      switch (t) {
        case varSmallint: case varInteger: case varShortInt: case varByte: case varWord: case varLongWord:
        case varInt64: case varBoolean: case varCurrency:
          kind = kInt;
          break;
        case varSingle: case varDouble: case varDate:
          kind = kFloat;
          break;
        case varOleStr: case varString:
          kind = kText;
          break;
        default:
          return false;
      }
      // Currency against plain integers would compare raw amounts: not keyed.
      if (col.Kind != kNone && (t == varCurrency) != currency) return false;
      currency = t == varCurrency;
      if (col.Kind == kNone) {
        col.Kind = kind;
        if (kind == kText) {
          col.TI.assign(n, Rank ? 0 : -1);
          col.Recs = &Recs;
          col.Field = Item->FieldIndex;
        }
        else if (kind == kInt) col.I.assign(n, 0);
        else col.D.assign(n, 0);
      } else if (col.Kind != kind) {
        if (col.Kind == kText || kind == kText) return false;
        if (col.Kind == kInt) {  // floats arrived: the integers so far become floats
          col.D.assign(n, 0);
          for (size_t k = 0; k < r; ++k) col.D[k] = static_cast<double>(col.I[k]);
          col.I.clear();
          col.Kind = kFloat;
        }
      }
      switch (col.Kind) {
        // Booleans are stored as 0 and 1, currencies as their scaled amounts.
        case kInt: col.I[r] = v.Whole(); break;
        case kFloat: col.D[r] = kind == kFloat ? v.Real() : static_cast<double>(v.Whole()); break;
        default:
          if (Rank) col.TI[r] = texts.KeyOf(col, v.Text());
          break;
      }
    }
    if (col.Kind == kText && Rank) RankTexts(col);
    return true;
  }

  std::vector<Column> FColumns;
};

}  // namespace

Integer TRecordsViewEh::CompareRecordsByOrder(TMemoryRecordEh* Rec1, TMemoryRecordEh* Rec2, TOrderByList* OrderBy) {
  if (!OrderBy) return 0;
  for (Integer k = 0; k < OrderBy->Count(); ++k) {
    const TOrderByItemEh* item = OrderBy->GetItem(k);
    const TRecValueEh& a = ValueAt(Rec1, item->FieldIndex);
    const TRecValueEh& b = ValueAt(Rec2, item->FieldIndex);
    const bool an = a.IsNullOrEmpty(), bn = b.IsNullOrEmpty();
    Integer r;
    if (an || bn) {
      if (an && bn) continue;
      r = an ? -1 : 1;
    } else {
      switch (CompareStoredValues(a, b)) {
        case TVarCompareResult::vrEqual: r = 0; break;
        case TVarCompareResult::vrLessThan: r = -1; break;
        default: r = 1; break;
      }
    }
    if (r != 0) return item->Desc ? -r : r;
  }
  return 0;
}

void TRecordsViewEh::SortRecords(std::vector<TMemoryRecordEh*>& List) {
  if (List.size() < 2) return;
  if (OnCompareRecords) {
    QuickSortEh(List, 0, static_cast<Integer>(List.size()) - 1, [this](TMemoryRecordEh* a, TMemoryRecordEh* b) {
      return OnCompareRecords(this, a, b, FOrderByList.get());
    });
    return;
  }
  SortRecordsByOrder(List, FOrderByList.get());
}

void TRecordsViewEh::SortRecordsByOrder(std::vector<TMemoryRecordEh*>& List, TOrderByList* OrderBy) {
  if (List.size() < 2) return;
  const Integer last = static_cast<Integer>(List.size()) - 1;
  TSortKeys keys;
  if (!keys.Build(List, OrderBy)) {
    QuickSortEh(List, 0, last, [OrderBy](TMemoryRecordEh* a, TMemoryRecordEh* b) {
      return CompareRecordsByOrder(a, b, OrderBy);
    });
    return;
  }
  std::vector<Integer> rows(List.size());
  for (size_t i = 0; i < rows.size(); ++i) rows[i] = static_cast<Integer>(i);
  if (keys.IntegerColumnsOnly() && keys.ColumnCount() == 1) {
    // The common cases, compared inline.
    const Int64* k = keys.Ints(0);
    const Integer sign = keys.Descending(0) ? -1 : 1;
    QuickSortEh(rows, 0, last, [k, sign](Integer a, Integer b) {
      return k[a] < k[b] ? -sign : k[a] > k[b] ? sign : 0;
    });
  } else if (keys.IntegerColumnsOnly() && keys.ColumnCount() == 2) {
    const Int64 *k1 = keys.Ints(0), *k2 = keys.Ints(1);
    const Integer s1 = keys.Descending(0) ? -1 : 1, s2 = keys.Descending(1) ? -1 : 1;
    QuickSortEh(rows, 0, last, [k1, k2, s1, s2](Integer a, Integer b) {
      if (k1[a] != k1[b]) return k1[a] < k1[b] ? -s1 : s1;
      return k2[a] < k2[b] ? -s2 : k2[a] > k2[b] ? s2 : 0;
    });
  } else {
    QuickSortEh(rows, 0, last, [&keys](Integer a, Integer b) { return keys.Compare(a, b); });
  }
  std::vector<TMemoryRecordEh*> sorted(List.size());
  for (size_t i = 0; i < rows.size(); ++i) sorted[i] = List[static_cast<size_t>(rows[i])];
  List.swap(sorted);
}

void TMemoryTreeListEh::SortByOrder(TOrderByList* OrderBy) {
  std::vector<TMemoryRecordEh*> recs;
  std::vector<TMemRecViewEh*> nodes;
  recs.reserve(FRecordNodes.Size());
  nodes.reserve(FRecordNodes.Size());
  for (TBaseTreeNodeEh* n = GetFirst(); n; n = GetNext(n)) {
    auto* node = static_cast<TMemRecViewEh*>(n);
    node->FSortRow = static_cast<Integer>(recs.size());
    recs.push_back(node->GetRec());
    nodes.push_back(node);
  }
  TSortKeys keys;
  if (keys.Build(recs, OrderBy, false)) {
    if (keys.IntegerColumnsOnly() && keys.ColumnCount() == 1) {
      // The common case, compared inline.
      const Int64* k = keys.Ints(0);
      const Integer sign = keys.Descending(0) ? -1 : 1;
      TTreeListEh::SortData(
          [k, sign](TBaseTreeNodeEh* a, TBaseTreeNodeEh* b, TObject*) {
            const Int64 x = k[static_cast<TMemRecViewEh*>(a)->FSortRow], y = k[static_cast<TMemRecViewEh*>(b)->FSortRow];
            return x < y ? -sign : x > y ? sign : 0;
          },
          OrderBy, true);
    } else {
      TTreeListEh::SortData(
          [&keys](TBaseTreeNodeEh* a, TBaseTreeNodeEh* b, TObject*) {
            return keys.Compare(static_cast<TMemRecViewEh*>(a)->FSortRow, static_cast<TMemRecViewEh*>(b)->FSortRow);
          },
          OrderBy, true);
    }
  } else {
    TTreeListEh::SortData(
        [](TBaseTreeNodeEh* a, TBaseTreeNodeEh* b, TObject* param) {
          return TRecordsViewEh::CompareRecordsByOrder(static_cast<TMemRecViewEh*>(a)->GetRec(),
                                                       static_cast<TMemRecViewEh*>(b)->GetRec(),
                                                       static_cast<TOrderByList*>(param));
        },
        OrderBy, true);
  }
  for (TMemRecViewEh* node : nodes) node->FSortRow = -1;
  MakeDirty();
}

// ---------------------------------------------------------------------------
// TRecordsViewEh

TRecordsViewEh::TRecordsViewEh(TComponent* AOwner)
    : TRecordsListNotificatorEh(AOwner),
      FAggregates(std::make_unique<TMTAggregatesEh>(this)),
      FOrderByList(std::make_unique<TRecordsViewOrderByList>(this)),
      FTreeList(std::make_unique<TMemoryTreeListEh>(this)) {}

TRecordsViewEh::~TRecordsViewEh() {
  SetMemTableData(nullptr);
  FViewList.clear();
  std::vector<TRecordsListNotificatorEh*> dependents = FDependentViews;
  for (TRecordsListNotificatorEh* v : dependents) v->SetMemTableData(nullptr);
  FDependentViews.clear();
  FTreeList.reset();
  FAggregates.reset();
  FOrderByList.reset();
}

TRecordsListEh* TRecordsViewEh::GetRecordsList() const {
  TComponent* source = GetMemTableDataSource();
  if (auto* store = dynamic_cast<TMemTableDataEh*>(source)) return store->GetRecordsList();
  if (auto* view = dynamic_cast<TRecordsViewEh*>(source)) return view->GetRecordsList();
  return nullptr;
}

TMTDataStructEh* TRecordsViewEh::GetDataStruct() const {
  TComponent* source = GetMemTableDataSource();
  if (auto* store = dynamic_cast<TMemTableDataEh*>(source)) return store->GetDataStruct();
  if (auto* view = dynamic_cast<TRecordsViewEh*>(source)) return view->GetDataStruct();
  return nullptr;
}

const std::vector<TMemoryRecordEh*>* TRecordsViewEh::SourceList() const {
  TComponent* source = GetMemTableDataSource();
  if (auto* store = dynamic_cast<TMemTableDataEh*>(source)) return &store->GetRecordsList()->GetActiveList();
  if (auto* view = dynamic_cast<TRecordsViewEh*>(source)) return &view->FViewList;
  return nullptr;
}

bool TRecordsViewEh::IsRecordInView(TMemoryRecordEh* Rec) {
  if (!FStatusFilter.Contains(Rec->GetUpdateStatus())) return false;
  return !OnFilterRecord || OnFilterRecord(this, Rec);
}

void TRecordsViewEh::AddDependentView(TRecordsListNotificatorEh* View) {
  if (std::find(FDependentViews.begin(), FDependentViews.end(), View) == FDependentViews.end())
    FDependentViews.push_back(View);
}

void TRecordsViewEh::DetachNotificator(TRecordsListNotificatorEh* Notificator) {
  FDependentViews.erase(std::remove(FDependentViews.begin(), FDependentViews.end(), Notificator),
                        FDependentViews.end());
}

void TRecordsViewEh::ViewDataEvent(TMemoryRecordEh* MemRec, Integer Index, TRecordsListNotificationEh Action) {
  FAggregates->Reset();
  if (OnViewDataEvent) OnViewDataEvent(this, MemRec, Index, Action);
  std::vector<TRecordsListNotificatorEh*> dependents = FDependentViews;
  for (TRecordsListNotificatorEh* v : dependents) v->Notification(MemRec, Index, Action);
}

void TRecordsViewEh::ViewRecordMoved(TMemoryRecordEh* MemRec, Integer OldIndex, Integer NewIndex) {
  if (OnViewRecordMoved) OnViewRecordMoved(this, MemRec, OldIndex, NewIndex);
  std::vector<TRecordsListNotificatorEh*> dependents = FDependentViews;
  for (TRecordsListNotificatorEh* v : dependents) v->RecordMoved(MemRec, OldIndex, NewIndex);
}

void TRecordsViewEh::SetSortOrder(const String& Value) {
  if (FSortOrder == Value) return;
  FOrderByList->ParseOrderBy(Value);
  FSortOrder = Value;
  ApplySortOrder();
}

void TRecordsViewEh::ApplySortOrder() {
  if (FSortOrder.empty()) return;
  if (FTreeMode) {
    if (FTreeList->GetSortOrder() != FSortOrder) FTreeList->SetSortOrder(FSortOrder);
    else FTreeList->ApplySortOrder();
  } else {
    SortRecords(FViewList);
  }
  ViewDataEvent(nullptr, -1, rlnListChangedEh);
}

Integer TRecordsViewEh::CompareRecords(TMemoryRecordEh* Rec1, TMemoryRecordEh* Rec2) {
  if (FSortOrder.empty()) return Rec1->GetIndex() - Rec2->GetIndex();
  if (OnCompareRecords) return OnCompareRecords(this, Rec1, Rec2, FOrderByList.get());
  return CompareRecordsByOrder(Rec1, Rec2, FOrderByList.get());
}

void TRecordsViewEh::RebuildView() {
  FViewList.clear();
  if (!FTreeMode) {
    const std::vector<TMemoryRecordEh*>* list = OnGetPrefilteredList ? OnGetPrefilteredList(this) : nullptr;
    if (!list) list = SourceList();
    if (list) {
      FViewList.reserve(list->size());
      for (TMemoryRecordEh* rec : *list)
        if (IsRecordInView(rec)) FViewList.push_back(rec);
    }
  }
  // Right after a build that set every node's visibility, nothing has changed since.
  if (!std::exchange(FTreeList->FVisibilityCurrent, false)) FTreeList->RefreshVisibility(nullptr);
  if (!FTreeList->GetFilterNodeIfParentVisible()) FTreeList->ShowChildrenOfVisibleNodes(nullptr);
  if (FSortOrder.empty()) ViewDataEvent(nullptr, -1, rlnListChangedEh);
  else ApplySortOrder();
}

void TRecordsViewEh::SetTreeMode(bool Value) {
  if (FTreeMode == Value) return;
  FTreeMode = Value;
  if (Value) BuildTree();
  else FTreeList->ClearAll();
  RebuildView();
}

Integer TRecordsViewEh::ViewCount() {
  return FTreeMode ? FTreeList->DisplayedCount() : static_cast<Integer>(FViewList.size());
}

TMemoryRecordEh* TRecordsViewEh::ViewRecord(Integer Index) {
  if (FTreeMode) {
    TMemRecViewEh* node = FTreeList->GetDisplayedNode(Index);
    if (!node) TList::Error(u"List index out of bounds (%d)", Index);
    return node->GetRec();
  }
  if (Index < 0 || Index >= static_cast<Integer>(FViewList.size())) TList::Error(u"List index out of bounds (%d)", Index);
  return FViewList[static_cast<size_t>(Index)];
}

Integer TRecordsViewEh::IndexOfRecord(TMemoryRecordEh* Rec) {
  if (FTreeMode) return FTreeList->RowOfNode(FTreeList->NodeOfRecord(Rec));
  if (FSortOrder.empty() && Rec->GetIndex() >= 0) {
    // Every record of the store shown in its order: the row is the record's place.
    const Integer stored = Rec->GetIndex();
    if (FUpdateCount == 0 && stored < static_cast<Integer>(FViewList.size()))
      if (auto* store = dynamic_cast<TMemTableDataEh*>(GetMemTableDataSource()))
        if (store->GetRecordsList()->GetActiveList().size() == FViewList.size()) {
          BORROW_ASSERT(FViewList[static_cast<size_t>(stored)] == Rec);
          // The row is likely read next (a cursor moving there).
          __builtin_prefetch(&FViewList[static_cast<size_t>(stored)]);
          return stored;
        }
    // In records-list order: a binary search by position.
    auto it = std::lower_bound(FViewList.begin(), FViewList.end(), Rec,
                               [](TMemoryRecordEh* a, TMemoryRecordEh* b) { return a->GetIndex() < b->GetIndex(); });
    if (it != FViewList.end() && *it == Rec) return static_cast<Integer>(it - FViewList.begin());
  }
  auto it = std::find(FViewList.begin(), FViewList.end(), Rec);
  return it == FViewList.end() ? -1 : static_cast<Integer>(it - FViewList.begin());
}

Integer TRecordsViewEh::GetAggregateRowCount() const {
  if (FTreeMode) return FTreeList->AllVisibleCount();
  return static_cast<Integer>(FViewList.size());
}

TMemoryRecordEh* TRecordsViewEh::GetAggregateRow(Integer Row) const {
  if (FTreeMode) {
    TMemRecViewEh* node = FTreeList->GetAllVisibleNode(Row);
    return node ? node->GetRec() : nullptr;
  }
  return FViewList[static_cast<size_t>(Row)];
}

Integer TRecordsViewEh::FindInsertPosition(const std::vector<TMemoryRecordEh*>& List, TMemoryRecordEh* Rec,
                                           Integer Hint) {
  const Integer count = static_cast<Integer>(List.size());
  if (count == 0 || CompareRecords(List.front(), Rec) >= 1) return 0;
  if (CompareRecords(List.back(), Rec) < 0) return count;
  if (Hint >= 0 && Hint <= count) {
    const bool before = Hint == 0 || CompareRecords(List[static_cast<size_t>(Hint - 1)], Rec) <= 0;
    const bool at = Hint == count || CompareRecords(List[static_cast<size_t>(Hint)], Rec) >= 0;
    if (before && at) return Hint;
  }
  Integer low = 0, high = count - 1;
  Integer middle = high / 2;
  for (;;) {
    const Integer c = CompareRecords(List[static_cast<size_t>(middle)], Rec);
    if (c > 0) high = middle;
    else if (c == 0) return middle;
    else low = middle;
    const Integer next = (high + low) / 2;
    if (next == middle) break;
    middle = next;
  }
  return middle + 1;
}

void TRecordsViewEh::Notification(TMemoryRecordEh* MemRec, Integer Index, TRecordsListNotificationEh Action) {
  TRecordsListNotificatorEh::Notification(MemRec, Index, Action);
  if (FUpdateCount > 0) return;
  if (FTreeMode) {
    TreeNotification(MemRec, Action);
  } else {
    switch (Action) {
      case rlnRecAddedEh:
        if (IsRecordInView(MemRec)) {
          const Integer pos = FindInsertPosition(FViewList, MemRec, -1);
          FViewList.insert(FViewList.begin() + pos, MemRec);
          ViewDataEvent(MemRec, pos, rlnRecAddedEh);
        }
        break;
      case rlnRecChangedEh:
      case rlnRecMarkedForDelEh: {
        const Integer oldPos = IndexOfRecord(MemRec);
        if (oldPos >= 0) FViewList.erase(FViewList.begin() + oldPos);
        Integer newPos = -1;
        if (IsRecordInView(MemRec)) {
          newPos = FindInsertPosition(FViewList, MemRec, oldPos);
          FViewList.insert(FViewList.begin() + newPos, MemRec);
        }
        if (oldPos >= 0 && newPos >= 0) {
          if (oldPos != newPos) ViewRecordMoved(MemRec, oldPos, newPos);
          ViewDataEvent(MemRec, newPos, Action);
        } else if (newPos >= 0) {
          ViewDataEvent(MemRec, newPos, rlnRecAddedEh);
        } else if (oldPos >= 0) {
          ViewDataEvent(MemRec, oldPos, rlnRecDeletedEh);
        }
        break;
      }
      case rlnRecDeletedEh: {
        auto it = std::find(FViewList.begin(), FViewList.end(), MemRec);
        if (it != FViewList.end()) {
          const Integer pos = static_cast<Integer>(it - FViewList.begin());
          FViewList.erase(it);
          ViewDataEvent(MemRec, pos, rlnRecDeletedEh);
        }
        break;
      }
      case rlnListChangedEh:
        RebuildView();
        break;
      default:
        break;
    }
  }
  switch (Action) {
    case rlnRecAddedEh: case rlnRecChangedEh: case rlnRecDeletedEh: case rlnListChangedEh: case rlnRecMarkedForDelEh:
      FAggregates->Reset();
      break;
    default:
      break;
  }
}

void TRecordsViewEh::RecordMoved(TMemoryRecordEh* Item, Integer OldIndex, Integer NewIndex) {
  TRecordsListNotificatorEh::RecordMoved(Item, OldIndex, NewIndex);
  if (FUpdateCount > 0) return;
  if (FTreeMode) {
    TMemRecViewEh* node = FTreeList->NodeOfRecord(Item);
    if (!node) return;
    TBaseTreeNodeEh* parent = node->GetParent();
    TBaseTreeNodeEh* target = nullptr;
    for (Integer i = 0; i < parent->Count(); ++i) {
      auto* sibling = static_cast<TMemRecViewEh*>(parent->GetItem(i));
      if (sibling != node && sibling->GetRec()->GetIndex() > Item->GetIndex()) {
        target = sibling;
        break;
      }
    }
    if (target) FTreeList->MoveTo(node, target, true, naInsertEh);
    else FTreeList->MoveTo(node, parent, true, naAddChildEh);
    ReportTreeChange();
    return;
  }
  auto it = std::find(FViewList.begin(), FViewList.end(), Item);
  if (it == FViewList.end()) return;
  FViewList.erase(it);
  // Before the first shown record that now lies behind it in the records list.
  auto target = std::find_if(FViewList.begin(), FViewList.end(),
                             [NewIndex](TMemoryRecordEh* r) { return r->GetIndex() > NewIndex; });
  FViewList.insert(target, Item);
  ViewDataEvent(nullptr, -1, static_cast<TRecordsListNotificationEh>(6));
}

void TRecordsViewEh::SetKeyFieldName(const String& Value) {
  if (FKeyFieldName == Value) return;
  FKeyFieldName = Value;
  UpdateTreeFieldIndexes();
}

void TRecordsViewEh::SetRefParentFieldName(const String& Value) {
  if (FRefParentFieldName == Value) return;
  FRefParentFieldName = Value;
  UpdateTreeFieldIndexes();
}

void TRecordsViewEh::UpdateTreeFieldIndexes() {
  FKeyFields.clear();
  FRefParentFields.clear();
  TMTDataStructEh* ds = GetDataStruct();
  if (!ds) return;
  if (!FKeyFieldName.empty()) ds->GetFieldIndexes(FKeyFieldName, FKeyFields);
  if (!FRefParentFieldName.empty()) ds->GetFieldIndexes(FRefParentFieldName, FRefParentFields);
}

// ---- editing through the view ----

TMemoryRecordEh* TRecordsViewEh::NewRecord() { return GetRecordsList()->NewRecord(); }

Integer TRecordsViewEh::AddRecord(TMemoryRecordEh* Rec) { return GetRecordsList()->AddRecord(Rec); }

void TRecordsViewEh::InsertRecordAt(Integer Index, TMemoryRecordEh* Rec) {
  TRecordsListEh* list = GetRecordsList();
  Integer pos;
  if (FTreeMode) {
    pos = Index <= 0 ? 0 : ViewRecord(Index - 1)->GetIndex() + 1;
  } else if (FViewList.empty()) {
    pos = 0;
  } else if (Index >= static_cast<Integer>(FViewList.size())) {
    pos = list->GetCount();
  } else {
    pos = ViewRecord(std::max<Integer>(Index, 0))->GetIndex();
  }
  list->InsertRecordAt(pos, Rec);
}

void TRecordsViewEh::DeleteRecord(Integer Index) { GetRecordsList()->DeleteRecord(ViewRecord(Index)->GetIndex()); }

void TRecordsViewEh::MergeChangeLog() { GetRecordsList()->MergeChangeLog(); }

void TRecordsViewEh::CancelUpdates() { GetRecordsList()->CancelUpdates(); }
