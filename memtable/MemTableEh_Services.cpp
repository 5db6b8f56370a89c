// TCustomMemTableEh services: sort orders and record comparison, instant
// reading, master-detail, linked components, distinct-value lists and the
// flat-list part of IMemTableEh.

#include <algorithm>
#include <cstring>
#include <typeinfo>

#include "memtable/DataDriverEh.h"
#include "memtable/MemTableEh.h"
#include "platform/core/Locale.h"
#include "platform/core/ScopeGuard.h"
#include "platform/core/Strings.h"
#include "platform/data/DBConsts.h"

namespace {
const char16_t* const SSortInInstantRead = u"Sort data in InstantReadMode is not allowed.";
const char16_t* const SNotInInstantRead = u"TCustomMemTableEh not in instant read mode.";
const char16_t* const SSortedVarlistNotComparable = u"TSortedVarlistEh.FindKeyValueIndex: values is not comparable.";

bool IsTextType(TFieldType t) {
  return t == ftString || t == ftMemo || t == ftFmtMemo || t == ftFixedChar || t == ftWideString || t == ftOraClob;
}

// The value rule of record comparison: Null and Unassigned first and equal to
// each other; text mode compares case-insensitively in the user's locale.
Integer CompareValuesEh(const Variant& A, const Variant& B, bool TextMode) {
  bool an = VarIsNullOrEmpty(A), bn = VarIsNullOrEmpty(B);
  if (an && bn) return 0;
  if (an) return -1;
  if (bn) return 1;
  if (TextMode) return CompareStringLocale(VarToStr(A), VarToStr(B), true);
  switch (VarCompareValue(A, B)) {
    case TVarCompareResult::vrEqual: return 0;
    case TVarCompareResult::vrLessThan: return -1;
    default: return 1;
  }
}

// The same for values read in place from records (null: a column the record never held).
Integer CompareValuesEh(const TRecValueEh* A, const TRecValueEh* B, bool TextMode) {
  const bool an = !A || A->IsNullOrEmpty(), bn = !B || B->IsNullOrEmpty();
  if (an && bn) return 0;
  if (an) return -1;
  if (bn) return 1;
  if (TextMode) {
    if (A->IsText() && B->IsText()) return CompareStringLocale(A->Text(), B->Text(), true);
    return CompareStringLocale(VarToStr(A->ToVariant()), VarToStr(B->ToVariant()), true);
  }
  switch (CompareStoredValues(*A, *B)) {
    case TVarCompareResult::vrEqual: return 0;
    case TVarCompareResult::vrLessThan: return -1;
    default: return 1;
  }
}

}  // namespace

// ---- the sorted value list ---------------------------------------------------------

bool TSortedVarlistEh::FindKeyValueIndex(const Variant& Value, Integer& Index) const {
  Integer low = 0, high = GetCount() - 1;
  bool found = false;
  while (low <= high) {
    Integer mid = static_cast<Integer>(static_cast<unsigned>(low + high) >> 1);
    Integer c = VarCompareEh(FItems[static_cast<size_t>(mid)].Value, Value);
    if (c == 3) throw Exception(SSortedVarlistNotComparable);
    if (c == 1) {
      low = mid + 1;
    } else {
      high = mid - 1;
      if (c == 0) {
        found = true;
        low = mid;
      }
    }
  }
  Index = low;
  return found;
}

Integer TSortedVarlistEh::AddValue(const Variant& Value) {
  Integer i;
  FindKeyValueIndex(Value, i);
  FItems.insert(FItems.begin() + i, TSortedVarItemEh{Value});
  return i;
}

bool TSortedVarlistEh::Contains(const Variant& Value) const {
  Integer i;
  return FindKeyValueIndex(Value, i);
}

// ---- order lists -----------------------------------------------------------------

namespace {

// The order-text tokenizer: blanks separate; "," and ";" are tokens of their
// own; "[" runs to the next "]"; the end of the text gives an empty token.
String ReadOrderToken(const String& Text, size_t& Pos) {
  while (Pos < Text.size() && Text[Pos] == u' ') ++Pos;
  if (Pos >= Text.size()) return String();
  Char c = Text[Pos];
  if (c == u',' || c == u';') {
    ++Pos;
    return String(1, c);
  }
  if (c == u'[') {
    size_t end = Text.find(u']', Pos + 1);
    String name = Text.substr(Pos + 1, (end == String::npos ? Text.size() : end) - Pos - 1);
    Pos = end == String::npos ? Text.size() : end + 1;
    return name;
  }
  size_t start = Pos;
  while (Pos < Text.size() && Text[Pos] != u' ' && Text[Pos] != u',' && Text[Pos] != u';') ++Pos;
  return Text.substr(start, Pos - start);
}

}  // namespace

Integer TMTOrderByList::FieldIndexByName(const String& FieldName) const {
  TField* f = FMemTable->FindField(FieldName);
  return f ? f->GetIndex() : -1;
}

void TMTOrderByList::ParseOrderByStr(const String& OrderByStr) {
  std::vector<TMTOrderByItemEh> items;
  size_t pos = 0;
  String token = ReadOrderToken(OrderByStr, pos);
  while (!token.empty()) {
    Integer index = FieldIndexByName(token);
    if (index < 0) throw Exception(u" Field - \"" + token + u"\" not found.");
    bool desc = false;
    for (;;) {
      token = ReadOrderToken(OrderByStr, pos);
      String upper = UpperCase(token);
      if (upper == u"ASC") continue;
      if (upper == u"DESC") {
        desc = true;  // a later ASC does not undo it
        continue;
      }
      if (token.empty() || token == u";" || token == u",") break;
      throw Exception(u" Invalid token - \"" + token + u"\"");
    }
    items.push_back(TMTOrderByItemEh{index, desc, false});
    if (!token.empty()) token = ReadOrderToken(OrderByStr, pos);
  }
  FMTItems.swap(items);
}

// ---- record comparison -------------------------------------------------------------

Integer TCustomMemTableEh::CompareRecords(TMemoryRecordEh* Rec1, TMemoryRecordEh* Rec2, TOrderByList* OrderByList) {
  if (!OrderByList) return 0;
  auto* mt = dynamic_cast<TMTOrderByList*>(OrderByList);
  if (!mt) {
    // The view's list: items hold data-store positions.
    const TRecDataValues d1 = Rec1->GetData();
    const TRecDataValues d2 = Rec2->GetData();
    for (Integer i = 0; i < OrderByList->GetCount(); ++i) {
      const TOrderByItemEh* item = OrderByList->GetItem(i);
      Integer c = CompareValuesEh(d1.Find(item->FieldIndex), d2.Find(item->FieldIndex), false);
      if (c != 0) return item->Desc ? -c : c;
    }
    return 0;
  }
  const Integer n = mt->GetMTCount();
  if (n == 0) return 0;
  bool allData = true;
  for (Integer i = 0; i < n && allData; ++i)
    allData = GetFields()->GetField(mt->GetMTItem(i).FieldIndex)->GetFieldNo() > 0;
  // The two keys at position i, in the item's direction.
  auto compareAt = [&](Integer i, const Variant& Key1, const Variant& Key2) {
    const TMTOrderByItemEh& item = mt->GetMTItem(i);
    Integer c =
        CompareValuesEh(Key1, Key2, item.CaseIns && IsTextType(GetFields()->GetField(item.FieldIndex)->GetDataType()));
    return item.Desc ? -c : c;
  };
  if (allData) {
    for (Integer i = 0; i < n; ++i) {
      Integer col = GetFields()->GetField(mt->GetMTItem(i).FieldIndex)->GetFieldNo() - 1;
      Integer c = compareAt(i, Rec1->GetValue(col, rvvValueEh), Rec2->GetValue(col, rvvValueEh));
      if (c != 0) return c;
    }
    return 0;
  }
  // Some key is a calculated or lookup field, read by entering the record.
  auto gather = [&](TMemoryRecordEh* Rec, std::vector<Variant>& Keys) {
    InstantReadEnterRecord(Rec);
    ReadAndLeave([&] {
      for (Integer i = 0; i < n; ++i) {
        TField* f = GetFields()->GetField(mt->GetMTItem(i).FieldIndex);
        Keys.push_back(f->GetFieldNo() > 0 ? Rec->GetValue(f->GetFieldNo() - 1, rvvValueEh) : f->GetValue());
      }
    });
  };
  std::vector<Variant> k1, k2;
  gather(Rec1, k1);
  gather(Rec2, k2);
  for (Integer i = 0; i < n; ++i) {
    Integer c = compareAt(i, k1[static_cast<size_t>(i)], k2[static_cast<size_t>(i)]);
    if (c != 0) return c;
  }
  return 0;
}

Integer TCustomMemTableEh::CompareTreeNodes(TBaseTreeNodeEh* Node1, TBaseTreeNodeEh* Node2, TOrderByList* OrderByList) {
  return CompareRecords(static_cast<TMemRecViewEh*>(Node1)->GetRec(), static_cast<TMemRecViewEh*>(Node2)->GetRec(),
                        OrderByList);
}

void TCustomMemTableEh::ViewSetSortOrder(const String& Value) { FRecordsView->SetSortOrder(Value); }

void TCustomMemTableEh::ViewSetTreeMode(bool Value) {
  // Turning the tree on makes a node for every record, expanded or not by
  // default. With no expansion event of the table's own, the table's expansion
  // handlers would hear of each node and do nothing (what is on show is shown
  // afresh once the tree is built): the tree is built without them, which lets
  // it be built from the keys all at once.
  TMemoryTreeListEh* tree = FRecordsView->GetTreeList();
  const bool quiet = Value && !OnTreeNodeExpanding && !OnTreeNodeHasChildren;
  if (!quiet) {
    FRecordsView->SetTreeMode(Value);
    return;
  }
  struct THandlersAside {
    TMemoryTreeListEh* Tree;
    TExpandedChangingEventEh Changing;
    TExpandedChangedEventEh Changed;
    explicit THandlersAside(TMemoryTreeListEh* T)
        : Tree(T), Changing(std::move(T->OnExpandedChanging)), Changed(std::move(T->OnExpandedChanged)) {
      Tree->OnExpandedChanging = nullptr;
      Tree->OnExpandedChanged = nullptr;
    }
    ~THandlersAside() {
      Tree->OnExpandedChanging = std::move(Changing);
      Tree->OnExpandedChanged = std::move(Changed);
    }
    THandlersAside(const THandlersAside&) = delete;
    THandlersAside& operator=(const THandlersAside&) = delete;
  } aside(tree);
  FRecordsView->SetTreeMode(true);
}

void TCustomMemTableEh::ViewRebuild() { FRecordsView->RebuildView(); }

// ---- sort orders -----------------------------------------------------------------

void TCustomMemTableEh::SetSortOrder(const String& Value) {
  if (Value == FSortOrder) return;
  String old = FSortOrder;
  FSortOrder = Value;
  try {
    ApplySortOrder();
  } catch (...) {
    // A sort text the view cannot parse leaves the order as it was.
    FSortOrder = old;
    throw;
  }
}

void TCustomMemTableEh::ApplySortOrder() {
  if (GetActive() && GetState() != dsBrowse) CheckBrowseMode();
  ViewSetSortOrder(GetActive() ? FSortOrder : String());
}

void TCustomMemTableEh::SortByFields(const String& OrderText) { DoSortByFields(OrderText); }

void TCustomMemTableEh::DoSortByFields(const String& OrderText) {
  TMTOrderByList list(this);
  list.ParseOrderByStr(OrderText);
  if (!GetActive() || ViewCount() == 0) return;
  CheckBrowseMode();
  if (GetInstantReadMode()) throw Exception(SSortInInstantRead);
  // A table of this class compares by stored values alone: when every item is a
  // data field the records are sorted on keys taken once, as the view sorts by
  // SortOrder. A descendant may compare in its own way, record by record.
  bool keyed = typeid(*this) == typeid(TCustomMemTableEh) || typeid(*this) == typeid(TMemTableEh);
  for (Integer i = 0; i < list.GetMTCount() && keyed; ++i)
    keyed = GetFields()->GetField(list.GetMTItem(i).FieldIndex)->GetFieldNo() > 0 && !list.GetMTItem(i).CaseIns;
  if (keyed) {
    TOrderByList storeList;
    for (Integer i = 0; i < list.GetMTCount(); ++i)
      storeList.AddItem(GetFields()->GetField(list.GetMTItem(i).FieldIndex)->GetFieldNo() - 1, list.GetMTItem(i).Desc);
    if (TreeMode()) FRecordsView->GetTreeList()->SortByOrder(&storeList);
    else GetRecordsData()->GetRecordsList()->SortByOrder(&storeList);
  } else if (TreeMode()) {
    FRecordsView->GetTreeList()->SortData(
        [this](TBaseTreeNodeEh* A, TBaseTreeNodeEh* B, TObject* P) {
          return CompareTreeNodes(A, B, static_cast<TOrderByList*>(P));
        },
        &list, true);
  } else {
    GetRecordsData()->GetRecordsList()->SortData(
        [this](TMemoryRecordEh* A, TMemoryRecordEh* B, TObject* P) {
          return CompareRecords(A, B, static_cast<TOrderByList*>(P));
        },
        &list);
  }
  ClearBuffers();
  FRecordPos = -1;
  SetBufListSize(GetBufferCount() + 1);
  Resync({});
}

// ---- instant reading -----------------------------------------------------------------

void TCustomMemTableEh::InstantReadEnter(Integer RowNum) {
  TRecordBuffer h = AllocRecordBuffer();
  FInstantBuffers.push_back(h);
  TRecBuf* b = RecBuf(h);
  TDataSetState state = GetState();
  if ((state == dsEdit || state == dsInsert) && RowNum == FActiveRecordPos) {
    TRecBuf* a = RecBuf(ActiveBuffer());
    b->Bookmark = a->Bookmark;
    b->BookmarkFlag = a->BookmarkFlag;
    b->RecView = a->RecView;
    b->TreeNode = a->TreeNode;
    b->MemRec = a->MemRec;
    b->Values = a->Values;
    b->UseMemRec = a->UseMemRec;
    if (state == dsInsert) {
      b->RecView = -1;
      b->TreeNode = nullptr;
      b->MemRec = nullptr;
    }
    return;
  }
  if (ViewCount() > 0) {
    Integer row = RowNum;
    if (state == dsInsert && row > FActiveRecordPos) --row;
    if (row >= 0 && row < ViewCount()) {
      if (b->RecView != row || !b->UseMemRec) FillBufferFromRow(h, row);
      return;
    }
  }
  InternalInitRecord(h);
  b->BookmarkFlag = bfInserted;
  b->Bookmark = TRecBuf::NoBookmark;
}

void TCustomMemTableEh::InstantReadEnterTreeNode(TMemRecViewEh* Node, Integer RowNum) {
  TRecordBuffer h = AllocRecordBuffer();
  FInstantBuffers.push_back(h);
  TRecBuf* b = RecBuf(h);
  b->Bookmark = RowNum + 1;
  b->RecView = RowNum;
  b->BookmarkFlag = bfCurrent;
  b->MemRec = Node ? Node->GetRec() : nullptr;
  b->UseMemRec = b->MemRec != nullptr;
  b->TreeNode = Node;
  b->Values.assign(static_cast<size_t>(GetFieldCount()), Variant());
  GetCalcFields(h);
}

void TCustomMemTableEh::InstantReadEnterRecord(TMemoryRecordEh* Rec) {
  TRecordBuffer h = AllocRecordBuffer();
  FInstantBuffers.push_back(h);
  TRecBuf* b = RecBuf(h);
  b->Bookmark = 0;
  b->RecView = -1;
  b->BookmarkFlag = bfCurrent;
  b->MemRec = Rec;
  b->UseMemRec = true;
  b->TreeNode = nullptr;
  b->Values.assign(static_cast<size_t>(GetFieldCount()), Variant());
  GetCalcFields(h);
}

void TCustomMemTableEh::InstantReadLeave() {
  if (FInstantBuffers.empty()) throw Exception(SNotInInstantRead);
  TRecordBuffer h = FInstantBuffers.back();
  FInstantBuffers.pop_back();
  FreeRecordBuffer(h);
}

Integer TCustomMemTableEh::InstantReadIndexOfBookmark(const TBookmark& Bookmark) {
  if (Bookmark.IsNil() || Bookmark.size() < 4) return -1;
  Integer v;
  std::memcpy(&v, Bookmark.data(), sizeof(v));
  return v - 1;
}

Integer TCustomMemTableEh::InstantReadRowCount() {
  UpdateCursorPos();
  return GetRecordCount() + (GetState() == dsInsert ? 1 : 0);
}

// ---- current record ------------------------------------------------------------------

TRecBuf* TCustomMemTableEh::CurrentRecBuf() {
  if (!GetActive()) return nullptr;
  UpdateCursorPos();
  TRecBuf* b;
  return GetActiveRecBuf(b) ? b : nullptr;
}

TMemoryRecordEh* TCustomMemTableEh::GetCurrentRecord() {
  TRecBuf* b = CurrentRecBuf();
  return b ? b->MemRec : nullptr;
}

TMemRecViewEh* TCustomMemTableEh::GetCurrentTreeNode() {
  TRecBuf* b = CurrentRecBuf();
  return b ? b->TreeNode : nullptr;
}

bool TCustomMemTableEh::GotoRecord(TMemoryRecordEh* Rec) {
  CheckActive();
  Integer row = ViewIndexOfRecord(Rec, FRecordPos);
  if (row < 0) return false;
  SetRecNo(row + 1);
  return true;
}

Integer TCustomMemTableEh::GetCurrentRowIndex() {
  UpdateCursorPos();
  return FActiveRecordPos;
}

Integer TCustomMemTableEh::FetchRecords(Integer Count) {
  if (!GetActive()) return 0;
  HoldResync();
  TScopeExit Release([&] {
    FResyncPending = true;
    ReleaseResync(true);
  });
  return GetRecordsData()->FetchRecords(Count);
}

// ---- linked components ---------------------------------------------------------------

void TCustomMemTableEh::AddLinkedComponent(TComponent* Component) {
  if (!Component || std::find(FLinkedComponents.begin(), FLinkedComponents.end(), Component) != FLinkedComponents.end())
    return;
  FLinkedComponents.push_back(Component);
  Component->FreeNotification(this);
}

void TCustomMemTableEh::RemoveLinkedComponent(TComponent* Component) {
  auto it = std::find(FLinkedComponents.begin(), FLinkedComponents.end(), Component);
  if (it == FLinkedComponents.end()) return;
  FLinkedComponents.erase(it);
  Component->RemoveFreeNotification(this);
}

void TCustomMemTableEh::NotifyLinkedComponents(Integer Row, Integer Kind, Integer Index) {
  if (!GetActive()) return;
  if (ControlsDisabled()) {
    if (FPendingNotifyCount == 0) {
      FPendingRow = Row;
      FPendingKind = Kind;
      FPendingIndex = Index;
    }
    if (FPendingNotifyCount < 2) ++FPendingNotifyCount;
    return;
  }
  for (TComponent* c : std::vector<TComponent*>(FLinkedComponents)) {
    if (std::find(FLinkedComponents.begin(), FLinkedComponents.end(), c) == FLinkedComponents.end()) continue;
    if (auto* l = dynamic_cast<IMemTableLinkedComponentEh*>(c)) l->MTDataChanged(Row, Kind, Index);
  }
}

// ---- master-detail -----------------------------------------------------------------

TMasterDataLinkEh::TMasterDataLinkEh(TCustomMemTableEh* AMemTable) : FMemTable(AMemTable) {}

TDataSet* TMasterDataLinkEh::GetDetailDataSet() const { return FMemTable; }

void TMasterDataLinkEh::SetFieldNames(const String& Value) {
  if (Value == FFieldNames) return;
  FFieldNames = Value;
  ActiveChanged();
}

void TMasterDataLinkEh::ActiveChanged() {
  FFields.clear();
  if (GetActive() && GetDataSet()) {
    Integer pos = 1;
    while (pos <= static_cast<Integer>(FFieldNames.size())) {
      String name = ExtractFieldName(FFieldNames, pos);
      if (TField* f = GetDataSet()->FindField(name)) FFields.push_back(f);
    }
  }
  if (FMemTable->GetActive() && !FMemTable->GetComponentState().Contains(csDestroying)) {
    if (GetActive()) {
      if (OnMasterChange) OnMasterChange(this);
    } else if (OnMasterDisable) {
      OnMasterDisable(this);
    }
  }
}

void TMasterDataLinkEh::CheckBrowseMode() {
  if (FMemTable->GetActive()) FMemTable->CheckBrowseMode();
}

void TMasterDataLinkEh::RecordChanged(TField* Field) {
  if (!GetDataSource() || GetDataSource()->GetState() == dsSetKey || !FMemTable->GetActive()) return;
  if (Field && std::find(FFields.begin(), FFields.end(), Field) == FFields.end()) return;
  if (OnMasterChange) OnMasterChange(this);
}

TDataSource* TCustomMemTableEh::GetDataSource() const { return FMasterDataLink->GetDataSource(); }

TDataSource* TCustomMemTableEh::GetMasterSource() const { return FMasterDataLink->GetDataSource(); }

void TCustomMemTableEh::SetMasterSource(TDataSource* Value) {
  if (Value && IsLinkedTo(Value)) throw Exception(SCircularDataLink);
  FMasterDataLink->SetDataSource(Value);
  RecomputeMasterDetail(true);
}

const String& TCustomMemTableEh::GetMasterFields() const { return FMasterDataLink->GetFieldNames(); }

void TCustomMemTableEh::SetMasterFields(const String& Value) {
  FMasterDataLink->SetFieldNames(Value);
  RecomputeMasterDetail(true);
}

void TCustomMemTableEh::SetDetailFields(const String& Value) {
  if (Value == FDetailFields) return;
  FDetailFields = Value;
  RecomputeMasterDetail(true);
}

void TCustomMemTableEh::SetMasterDetailSide(TMasterDetailSideEh Value) {
  if (Value == FMasterDetailSide) return;
  FMasterDetailSide = Value;
  RecomputeMasterDetail(false);
  if (FMasterDetailActive && GetActive()) {
    if (Value == mdsOnProviderEh) {
      Close();
      Open();
    } else {
      Refresh();
    }
  }
}

Variant TCustomMemTableEh::CurrentMasterValue() const {
  const std::vector<TField*>& fields = FMasterDataLink->GetFields();
  if (fields.empty()) return Variant::Null();
  if (fields.size() == 1) return fields[0]->GetValue();
  std::vector<Variant> values;
  for (TField* f : fields) values.push_back(f->GetValue());
  return VarArrayOf(values);
}

void TCustomMemTableEh::RecomputeMasterDetail(bool DoRefresh) {
  FDetailFieldList.clear();
  if (GetFieldCount() > 0) {
    Integer pos = 1;
    while (pos <= static_cast<Integer>(FDetailFields.size())) {
      String name = ExtractFieldName(FDetailFields, pos);
      if (TField* f = FindField(name)) FDetailFieldList.push_back(f);
    }
  }
  bool linkActive = FMasterDataLink->GetActive();
  bool active = FMasterDetailSide == mdsOnProviderEh
                    ? linkActive
                    : !FDetailFieldList.empty() && linkActive && !FMasterDataLink->GetFields().empty();
  if (active != FMasterDetailActive) {
    FMasterDetailActive = active;
    if (active && FMasterDetailSide != mdsOnProviderEh) FMasterValue = CurrentMasterValue();
    if (!active) FMasterValue = Variant();
  }
  if (DoRefresh && GetActive()) {
    if (FMasterDetailSide == mdsOnSelfEh) Refresh();
    else ProviderRefresh();
  }
}

void TCustomMemTableEh::MasterChanged(TObject*) {
  bool wasActive = FMasterDetailActive;
  RecomputeMasterDetail(false);
  switch (FMasterDetailSide) {
    case mdsOnSelfEh:
    case mdsOnSelfAfterProviderEh: {
      Variant current = CurrentMasterValue();
      if (wasActive == FMasterDetailActive && FMasterDetailActive && VarEqualsEh(FMasterValue, current)) return;
      FMasterValue = current;
      if (FMasterDetailSide == mdsOnSelfEh) Refresh();
      else ProviderRefresh();
      break;
    }
    case mdsOnProviderEh: ProviderRefresh(); break;
  }
}

void TCustomMemTableEh::MasterDisabled(TObject*) {
  RecomputeMasterDetail(false);
  if (GetActive()) Refresh();
}

void TCustomMemTableEh::PrepareProviderParams() {
  TDataSet* master = FMasterDataLink->GetDataSet();
  if (!master || !master->GetActive() || master->GetState() == dsSetKey || !FDataDriver) return;
  FDataDriver->SetProviderParams(master);
  if (FMasterDetailSide == mdsOnSelfAfterProviderEh) FFetchedMasterValues->AddValue(CurrentMasterValue());
}

void TCustomMemTableEh::ProviderRefresh() {
  if (!GetActive()) return;
  DisableControls();
  TScopeExit Enable([&] { EnableControls(); });
  if (FMasterDetailSide == mdsOnProviderEh) {
    TDataSet* master = FMasterDataLink->GetDataSet();
    if (FDataDriver && master && FDataDriver->ParamsChanged(master)) {
      Close();
      Open();
    }
  } else if (FMasterDetailSide == mdsOnSelfAfterProviderEh && FDataDriver) {
    if (!FFetchedMasterValues->Contains(CurrentMasterValue())) {
      FetchFromDriver(-1);
      FDataDriver->CloseProvider(this);
      PrepareProviderParams();
      FProviderDataSet = FDataDriver->GetProviderDataSet();
      if (FProviderDataSet) {
        FProviderDataSet->FreeNotification(this);
        FProviderDataSet->Open();
      }
      FDataDriver->SetProviderEOF(false);
    }
    Refresh();
  }
}

void TCustomMemTableEh::FillDetailList() {
  FDetailRecList.clear();
  FDetailRecSet.clear();
  FDetailListUsed = false;
  if (!FMasterDetailActive || FMasterDetailSide == mdsOnProviderEh) return;
  TMTIndexEh* index = GetRecordsData()->GetRecordsList()->GetIndexes()->FindIndexByFields(FDetailFields);
  if (!index || !index->GetActive()) return;
  index->GetRecordsByKey(FMasterValue, FDetailRecList);
  // The rows keep the records' stored order, as without the index.
  std::sort(FDetailRecList.begin(), FDetailRecList.end(),
            [](TMemoryRecordEh* A, TMemoryRecordEh* B) { return A->GetIndex() < B->GetIndex(); });
  FDetailRecSet.insert(FDetailRecList.begin(), FDetailRecList.end());
  FDetailListUsed = true;
}

const std::vector<TMemoryRecordEh*>* TCustomMemTableEh::PrefilteredList() {
  return FDetailListUsed ? &FDetailRecList : nullptr;
}

// ---- distinct values -----------------------------------------------------------------

std::shared_ptr<IMemTableDataFieldValueListEh> TCustomMemTableEh::GetFieldValueList(const String& FieldName) {
  TField* f = FindField(FieldName);
  if (!f) return nullptr;
  if (f->GetFieldKind() == fkLookup) {
    auto list = std::make_shared<TDatasetFieldValueListEh>();
    list->SetDataSet(f->GetLookupDataSet());
    list->SetFieldName(f->GetLookupResultField());
    return list;
  }
  auto list = std::make_shared<TMemTableDataFieldValueListEh>(this);
  list->SetFieldName(FieldName);
  list->SetDataObject(GetRecordsData());
  return list;
}

TMemTableDataFieldValueListEh::TMemTableDataFieldValueListEh(TCustomMemTableEh* AMemTable)
    : FMemTable(AMemTable),
      FValues(std::make_unique<TStringList>()),
      FNotificator(std::make_unique<TRecordsListNotificatorEh>(nullptr)),
      FFilterExpr(std::make_unique<TDataSetExprParserEh>(AMemTable, dsptFilterEh)) {
  FNotificator->OnNotification = [this](TObject*, TMemoryRecordEh*, Integer, TRecordsListNotificationEh) {
    FDirty = true;
  };
}

TMemTableDataFieldValueListEh::~TMemTableDataFieldValueListEh() { FNotificator->SetMemTableData(nullptr); }

void TMemTableDataFieldValueListEh::SetFieldName(const String& Value) {
  if (Value == FFieldName) return;
  FFieldName = Value;
  FDirty = true;
}

void TMemTableDataFieldValueListEh::SetDataObject(TComponent* Value) {
  if (Value == FDataObject) return;
  FDataObject = Value;
  FNotificator->SetMemTableData(Value);
  FDirty = true;
}

void TMemTableDataFieldValueListEh::SetFilter(const String& Filter) {
  if (Filter == FFilter) return;
  auto expr = std::make_unique<TDataSetExprParserEh>(FMemTable, dsptFilterEh);
  if (!Filter.empty()) expr->ParseExpression(Filter);
  FFilterExpr = std::move(expr);
  FFilter = Filter;
  FDirty = true;
}

TStringList* TMemTableDataFieldValueListEh::GetValues() {
  if (FDirty) RefreshValues();
  return FValues.get();
}

void TMemTableDataFieldValueListEh::RefreshValues() {
  FValues->Clear();
  FValues->SetSorted(false);
  auto* store = dynamic_cast<TMemTableDataEh*>(FDataObject);
  auto* view = dynamic_cast<TRecordsViewEh*>(FDataObject);
  auto passes = [this](TMemoryRecordEh* r) {
    return !FFilterExpr->HasExpression() || FFilterExpr->IsRecordAccepted(r);
  };
  if (store) {
    TMTDataStructEh* ds = store->GetDataStruct();
    Integer col = ds->FieldIndex(FFieldName);
    if (col >= 0) {
      TFieldType t = ds->GetItem(col)->GetDataType();
      TRecordsListEh* rl = store->GetRecordsList();
      if (t == ftString || t == ftWideString) {
        FValues->SetDuplicates(dupIgnore);
        FValues->SetSorted(true);
        for (TMemoryRecordEh* r : rl->GetActiveList())
          if (passes(r)) FValues->Add(VarToStr(r->GetValue(col, rvvValueEh)));
      } else {
        TMTIndexEh index(nullptr, rl);
        index.SetFields(ds->GetItem(col)->GetFieldName());
        index.SetActive(true);
        bool first = true;
        String last;
        for (Integer i = 0; i < index.GetCount(); ++i) {
          TMemoryRecordEh* r = index.GetItem(i).Rec;
          if (!passes(r)) continue;
          String text = VarToStr(r->GetValue(col, rvvValueEh));
          if (first || text != last) FValues->Add(text);
          first = false;
          last = text;
        }
      }
    }
  } else if (view) {
    TStringList all;
    Integer col = FMemTable->GetRecordsData()->GetDataStruct()->FieldIndex(FFieldName);
    if (col >= 0) {
      for (Integer i = 0; i < view->ViewCount(); ++i) all.Add(VarToStr(view->ViewRecord(i)->GetValue(col, rvvValueEh)));
      all.Sort();
      for (Integer i = 0; i < all.GetCount(); ++i)
        if (i == 0 || all.Get(i) != all.Get(i - 1)) FValues->Add(all.Get(i));
    }
  }
  FDirty = false;
}
