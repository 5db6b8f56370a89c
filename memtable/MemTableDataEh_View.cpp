// The records view: order-by lists, filtering and the record-by-record upkeep
// of the view list. The sort itself is in MemTableDataEh_Sort.cpp.

#include <algorithm>
#include <typeinfo>
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

bool TRecordsViewEh::ShowsWholeStore(const std::vector<TMemoryRecordEh*>* List) {
  // Only records marked deleted in cached updates can fail the usual status
  // test, and each of them waits in the pending list: without pending changes
  // and a record filter every stored record is shown, and need not be read.
  if (OnFilterRecord && (!RecordFilterActive || RecordFilterActive())) return false;
  if (typeid(*this) != typeid(TRecordsViewEh)) return false;
  if (!FStatusFilter.Contains(rusUnmodifiedEh) || !FStatusFilter.Contains(rusModifiedEh) ||
      !FStatusFilter.Contains(rusInsertedEh))
    return false;
  auto* store = dynamic_cast<TMemTableDataEh*>(GetMemTableDataSource());
  if (!store || List != &store->GetRecordsList()->GetActiveList()) return false;
  return FStatusFilter.Contains(rusDeletedEh) || !store->GetRecordsList()->HasCachedChanges();
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
    FInSourceOrder = false;
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
  FInSourceOrder = true;
  if (!FTreeMode) {
    const std::vector<TMemoryRecordEh*>* list = OnGetPrefilteredList ? OnGetPrefilteredList(this) : nullptr;
    if (!list) list = SourceList();
    if (list && ShowsWholeStore(list)) {
      FViewList = *list;
    } else if (list) {
      FViewList.reserve(list->size());
      // The records lie scattered: each is asked for a few records ahead of its test.
      constexpr size_t ahead = 8;
      const size_t count = list->size();
      for (size_t i = 0; i < count; ++i) {
        if (i + ahead < count) __builtin_prefetch((*list)[i + ahead]);
        TMemoryRecordEh* rec = (*list)[i];
        if (IsRecordInView(rec)) FViewList.push_back(rec);
      }
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
  if (Index < 0 || Index >= static_cast<Integer>(FViewList.size()))
    TList::Error(u"List index out of bounds (%d)", Index);
  return FViewList[static_cast<size_t>(Index)];
}

Integer TRecordsViewEh::IndexOfRecord(TMemoryRecordEh* Rec, Integer Id) {
  return FTreeMode ? FTreeList->RowOfNode(FTreeList->NodeOfRecord(Rec, Id)) : IndexOfRecord(Rec);
}

Integer TRecordsViewEh::IndexOfRecord(TMemoryRecordEh* Rec) {
  if (FTreeMode) return FTreeList->RowOfNode(FTreeList->NodeOfRecord(Rec));
  // Without a sort order the rows may still stand as a cleared one left them.
  if (FSortOrder.empty() && FInSourceOrder && Rec->GetIndex() >= 0) {
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

Integer TRecordsViewEh::PlaceBesideStoreNeighbour(TMemoryRecordEh* Rec) const {
  TRecordsListEh* list = GetRecordsList();
  const Integer next = Rec->GetIndex() + 1;
  if (list && next > 0 && next < list->GetCount()) {
    auto it = std::find(FViewList.begin(), FViewList.end(), list->GetRecord(next));
    if (it != FViewList.end()) return static_cast<Integer>(it - FViewList.begin());
  }
  return static_cast<Integer>(FViewList.size());
}

Integer TRecordsViewEh::FindInsertPosition(const std::vector<TMemoryRecordEh*>& List, TMemoryRecordEh* Rec,
                                           Integer Hint) {
  const Integer count = static_cast<Integer>(List.size());
  if (FSortOrder.empty() && !FInSourceOrder) {
    // No order to keep: a changed record stays in its row.
    if (Hint >= 0 && Hint <= count) return Hint;
    return PlaceBesideStoreNeighbour(Rec);
  }
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
      case rlnListChangedEh: RebuildView(); break;
      default: break;
    }
  }
  switch (Action) {
    case rlnRecAddedEh:
    case rlnRecChangedEh:
    case rlnRecDeletedEh:
    case rlnListChangedEh:
    case rlnRecMarkedForDelEh: FAggregates->Reset(); break;
    default: break;
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
  if (FSortOrder.empty() && !FInSourceOrder) {
    FViewList.insert(FViewList.begin() + PlaceBesideStoreNeighbour(Item), Item);
  } else {
    // Before the first shown record that now lies behind it in the records list.
    auto target = std::find_if(FViewList.begin(), FViewList.end(),
                               [NewIndex](TMemoryRecordEh* r) { return r->GetIndex() > NewIndex; });
    FViewList.insert(target, Item);
  }
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
