// TCustomMemTableEh: construction and destruction, the records view's hooks,
// opening and closing, fields, filters, properties and data events.

#include <algorithm>

#include "memtable/DataDriverEh.h"
#include "memtable/MemTableEh.h"
#include "platform/core/Filer.h"
#include "platform/core/ScopeGuard.h"
#include "platform/core/Strings.h"
#include "platform/data/DBConsts.h"
#include "platform/ui/Forms.h"

namespace {
const char16_t* const SMemTableNoData = u"MemTable don't have data.";
const char16_t* const SNoExternalWithDriver = u"Assigning to ExternalMemData is not allowed if DataDriver is assigned";
const char16_t* const SNoDriverWithExternal = u"Assigning to DataDriver is not allowed if ExternalMemData is assigned";
const char16_t* const SCircularDataLinks = u"Circular datalinks are not allowed";
}  // namespace

// ---- construction -----------------------------------------------------------------

TCustomMemTableEh::TCustomMemTableEh(TComponent* AOwner) : TDataSet(AOwner) {
  FMemTableData = new TMemTableDataEh(this);
  FMemTableData->SetName(u"MemTableData");
  FRecordsView = new TRecordsViewEh(this);
  FRecordsView->SetMemTableData(FMemTableData);
  AttachViewHandlers();
  FMasterDataLink = std::make_unique<TMasterDataLinkEh>(this);
  FMasterDataLink->OnMasterChange = [this](TObject* Sender) { MasterChanged(Sender); };
  FMasterDataLink->OnMasterDisable = [this](TObject* Sender) { MasterDisabled(Sender); };
  FParams = std::make_unique<TParams>(this);
  FFilterExpr = std::make_unique<TDataSetExprParserEh>(this, dsptFilterEh);
  FTreeList = std::make_unique<TMemTableTreeListEh>(this);
  FFetchedMasterValues = std::make_unique<TSortedVarlistEh>();
  FFilterRecBuf = std::make_unique<TRecBuf>();
}

TCustomMemTableEh::~TCustomMemTableEh() {
  Destroying();
  Close();
  FFetchedMasterValues.reset();
  FRecordsView->SetTreeMode(false);
  FFilterExpr.reset();
  FParams.reset();
  FDetailFieldList.clear();
  if (!FExternalMemData) {
    FMemTableData->GetRecordsList()->Clear();
    FMemTableData->GetAutoIncrement()->Reset();
  }
  delete FRecordsView;
  FRecordsView = nullptr;
  FMasterDataLink.reset();
  FTreeList.reset();
  FIndexDefs.reset();
  FBufferPool.clear();
  delete FMemTableData;
  FMemTableData = nullptr;
  SetDataDriver(nullptr);
  for (TComponent* c : std::vector<TComponent*>(FLinkedComponents)) RemoveLinkedComponent(c);
}

void TCustomMemTableEh::AttachViewHandlers() {
  TRecordsViewEh* v = FRecordsView;
  v->OnFilterRecord = [this](TObject*, TMemoryRecordEh* Rec) { return RecordFilter(Rec); };
  v->RecordFilterActive = [this] { return FCursorOpen && NeedsRecordFilter(); };
  // The view compares records by its order list with the same value rule as
  // CompareRecords, on keys it takes once per sort; so no record comparer is
  // installed for the view's own sorts.
  v->OnCompareTreeNode = [this](TObject*, TBaseTreeNodeEh* Node1, TBaseTreeNodeEh* Node2, TOrderByList* Param) {
    return CompareTreeNodes(Node1, Node2, Param);
  };
  v->OnGetPrefilteredList = [this](TObject*) { return PrefilteredList(); };
  v->OnViewDataEvent = [this](TObject*, TMemoryRecordEh* Rec, Integer Row, TRecordsListNotificationEh Action) {
    ViewDataEvent(Rec, Row, Action);
  };
  v->OnViewRecordMoved = [this](TObject*, TMemoryRecordEh* Rec, Integer OldRow, Integer NewRow) {
    ViewRecordMoved(Rec, OldRow, NewRow);
  };
  v->OnFetchRecords = [this](TObject*, Integer Count) { return FetchFromDriver(Count); };
  AttachTreeHandlers();
}

// The apply hook makes every change of a store without cached updates build a
// one-record change set; only a table with a data driver has anything to do with
// it, so only such a table listens.
void TCustomMemTableEh::UpdateApplyHook() {
  if (FDataDriver)
    FRecordsView->OnApplyUpdates = [this](TObject*, TMemTableDataEh* ChangeSet) { ApplyAtOnce(ChangeSet); };
  else FRecordsView->OnApplyUpdates = nullptr;
}

TMemTableDataEh* TCustomMemTableEh::GetRecordsData() const {
  return FExternalMemData ? FExternalMemData->GetMemTableData() : FMemTableData;
}

// ---- opening and closing ------------------------------------------------------------

void TCustomMemTableEh::OpenCursor(bool InfoQuery) {
  if (!InfoQuery) {
    if (FDataDriver) {
      if (GetMasterSource() && FMasterDetailSide != mdsOnSelfEh) PrepareProviderParams();
      FProviderDataSet = FDataDriver->GetProviderDataSet();
      if (FProviderDataSet) FProviderDataSet->FreeNotification(this);
      FDataDriver->BuildDataStruct(FMemTableData->GetDataStruct());
      FDataDriver->SetProviderEOF(false);
    } else if (GetRecordsData()->GetDataStruct()->GetCount() == 0) {
      DatabaseError(SMemTableNoData);
    }
    UpdateIndexes();
    FCursorOpen = true;
  }
  TDataSet::OpenCursor(InfoQuery);
}

void TCustomMemTableEh::InternalInitFieldDefs() {
  GetFieldDefs()->Clear();
  GetRecordsData()->GetDataStruct()->FillFieldDefs(GetFieldDefs());
}

void TCustomMemTableEh::InternalOpen() {
  SetBookmarkSize(4);
  GetFieldDefs()->SetUpdated(false);
  GetFieldDefs()->Update();
  if (GetDefaultFields()) CreateFields();
  BindFields(true);
  if (GetFieldCount() == 0) throw EDatabaseError(SNoFieldsDefined);
  RebuildFieldPositions();
  FRecordPos = -1;
  InternalFirst();
  RecomputeMasterDetail(false);
  ApplyFilterExpression();
  InternalRefresh();
  FRecordsView->UpdateTreeFieldIndexes();
  ResetAggregates();
  ViewSetSortOrder(FSortOrder);
}

void TCustomMemTableEh::InternalClose() {
  FFetchedMasterValues->Clear();
  FCursorOpen = false;
  FFilterExpr = std::make_unique<TDataSetExprParserEh>(this, dsptFilterEh);
  ResetAggregates();
  BindFields(false);
  if (GetDefaultFields()) DestroyFields();
  if (FProviderDataSet) {
    FProviderDataSet->RemoveFreeNotification(this);
    FProviderDataSet = nullptr;
  }
  if (FDataDriver) FDataDriver->CloseProvider(this);
  ViewSetSortOrder(String());
  FDetailRecList.clear();
  FDetailRecSet.clear();
  FDetailListUsed = false;
}

void TCustomMemTableEh::InternalRefresh() {
  if (FMasterDetailActive) FillDetailList();
  ViewRebuild();
  InternalFirst();
}

void TCustomMemTableEh::InternalHandleException() {
  // The application's handler shows the error, or hands it to its OnException.
  InitializeForms();
  Application->HandleException(this);
}

void TCustomMemTableEh::CreateFields() {
  TFieldDefs* defs = GetFieldDefs();
  TMTDataStructEh* ds = GetRecordsData()->GetDataStruct();
  for (Integer i = 0; i < defs->Count(); ++i) {
    TFieldDef* def = defs->GetItem(i);
    TFieldType t = def->GetDataType();
    if (t == ftADT || t == ftArray || t == ftReference || t == ftDataSet) continue;
    if (def->GetAttributes().Contains(faHiddenCol) && !defs->GetHiddenFields()) continue;
    TFieldClass cls = def->GetFieldClass();
    if (!cls || !cls->Create) continue;
    TField* f = def->CreateField(this);
    if (TMTDataFieldEh* df = ds->FindField(f->GetFieldName())) {
      if (!df->GetDisplayLabel().empty()) f->SetDisplayLabel(df->GetDisplayLabel());
      f->SetVisible(df->GetVisible());
    }
  }
  // Fields named as the key in the provider information are key fields.
  String keys = PSGetKeyFields();
  Integer pos = 1;
  while (pos <= static_cast<Integer>(keys.size())) {
    String name = ExtractFieldName(keys, pos);
    for (TField* f : *GetFields())
      if (SameText(f->GetFieldName(), name)) f->SetProviderFlags(f->GetProviderFlags() + TProviderFlags{pfInKey});
  }
}

TFieldClass TCustomMemTableEh::GetFieldClass(TFieldType FieldType) const {
  if (FieldType == ftUnknown) return TRefObjectField::StaticComponentClass();
  return TDataSet::GetFieldClass(FieldType);
}

void TCustomMemTableEh::DefChanged(TObject*) { FStoreDefs = true; }

void TCustomMemTableEh::RebuildFieldPositions() {
  FFieldPositions.assign(static_cast<size_t>(GetFieldCount()), -1);
  Integer n = 0;
  for (TField* f : *GetFields())
    if (f->GetFieldKind() == fkCalculated || f->GetFieldKind() == fkLookup)
      FFieldPositions[static_cast<size_t>(f->GetIndex())] = n++;
}

std::unique_ptr<TIndexDefs> TCustomMemTableEh::PSGetIndexDefs(TIndexOptions IndexTypes) {
  auto result = std::make_unique<TIndexDefs>(nullptr);
  if (!FIndexDefs) return result;
  for (Integer i = 0; i < FIndexDefs->Count(); ++i) {
    TIndexDef* def = FIndexDefs->GetItem(i);
    if (IndexTypes.Empty() || !(def->GetOptions() * IndexTypes).Empty()) result->AddIndexDef()->Assign(def);
  }
  return result;
}

void TCustomMemTableEh::UpdateIndexDefs() {
  if (!GetActive() || !FIndexDefs || FIndexDefs->GetUpdated()) return;
  GetFieldDefs()->Update();
  FIndexDefs->Clear();
  FIndexDefs->SetUpdated(true);
}

TIndexDefs* TCustomMemTableEh::GetIndexDefs() {
  if (!FIndexDefs) FIndexDefs = std::make_unique<TIndexDefs>(this);
  return FIndexDefs.get();
}

void TCustomMemTableEh::UpdateIndexes() {
  if (!FIndexDefs) return;
  TMTIndexesEh* indexes = GetRecordsData()->GetRecordsList()->GetIndexes();
  for (Integer i = 0; i < FIndexDefs->Count(); ++i) {
    TIndexDef* def = FIndexDefs->GetItem(i);
    if (indexes->FindIndexByFields(def->GetFields())) continue;
    TMTIndexEh* index = indexes->Add();
    index->SetFields(def->GetFields());
    index->SetUnique(def->GetOptions().Contains(ixUnique));
    index->SetPrimary(def->GetOptions().Contains(ixPrimary));
  }
  for (Integer i = 0; i < indexes->GetCount(); ++i) indexes->GetItem(i)->SetActive(true);
}

void TCustomMemTableEh::Loaded() {
  TDataSet::Loaded();
  if (FTreeList->FActive) FTreeList->SetActive(true);
}

void TCustomMemTableEh::GetChildren(const TGetChildProc& Proc, TComponent* Root) {
  TDataSet::GetChildren(Proc, Root);
  if (!FDataDriver && !FExternalMemData && FMemTableData->GetDataStruct()->GetCount() > 0) Proc(FMemTableData);
}

// ---- streaming -------------------------------------------------------------------

void TCustomMemTableEh::ReadState(TReader* Reader) {
  auto previousFind = Reader->OnFindComponentClass;
  auto previousCreate = Reader->OnCreateComponent;
  Reader->OnFindComponentClass = [this, previousFind](TReader* R, const String& ClassName, TComponentClass& Class) {
    if (R->GetParent() == this && SameText(ClassName, TMemTableDataEh::StaticClass()->Name)) {
      Class = TMemTableDataEh::StaticComponentClass();
      return;
    }
    if (previousFind) previousFind(R, ClassName, Class);
  };
  Reader->OnCreateComponent = [this, previousCreate](TReader* R, TComponentClass Class, TComponent*& Component) {
    if (R->GetParent() == this && Class == TMemTableDataEh::StaticComponentClass()) {
      Component = FMemTableData;
      return;
    }
    if (previousCreate) previousCreate(R, Class, Component);
  };
  TScopeExit Restore([&] {
    Reader->OnFindComponentClass = previousFind;
    Reader->OnCreateComponent = previousCreate;
  });
  TDataSet::ReadState(Reader);
}

namespace {

TPropInfo BoolProp(const String& Name, std::function<bool()> Get, std::function<void(bool)> Set, bool Default) {
  return {Name, [Get](TWriter* W) { W->WriteBoolean(Get()); }, [Set](TReader* R) { Set(R->ReadBoolean()); },
          [Get, Default] { return Get() != Default; }};
}

TPropInfo TextProp(const String& Name, std::function<String()> Get, std::function<void(const String&)> Set) {
  return {Name, [Get](TWriter* W) { W->WriteString(Get()); }, [Set](TReader* R) { Set(R->ReadString()); },
          [Get] { return !Get().empty(); }};
}

}  // namespace

void TCustomMemTableEh::GetPropInfos(std::vector<TPropInfo>& Props) {
  TDataSet::GetPropInfos(Props);
  Props.push_back(BoolProp(
      u"Active", [this] { return GetActive(); }, [this](bool V) { SetActive(V); }, false));
  Props.push_back(BoolProp(
      u"AggregatesActive", [this] { return GetAggregatesActive(); }, [this](bool V) { SetAggregatesActive(V); },
      false));
  Props.push_back(BoolProp(
      u"AutoCalcFields", [this] { return GetAutoCalcFields(); }, [this](bool V) { SetAutoCalcFields(V); }, true));
  Props.push_back(BoolProp(
      u"CachedUpdates", [this] { return GetCachedUpdates(); }, [this](bool V) { SetCachedUpdates(V); }, false));
  Props.push_back(TextProp(
      u"DetailFields", [this] { return FDetailFields; }, [this](const String& V) { SetDetailFields(V); }));
  Props.push_back({u"FieldDefs", [this](TWriter* W) { W->WriteCollection(GetFieldDefs()); },
                   [this](TReader* R) { R->ReadCollection(GetFieldDefs()); }, [this] { return FStoreDefs; }});
  Props.push_back(TextProp(
      u"Filter", [this] { return GetFilter(); }, [this](const String& V) { SetFilter(V); }));
  Props.push_back(BoolProp(
      u"Filtered", [this] { return GetFiltered(); }, [this](bool V) { SetFiltered(V); }, false));
  Props.push_back(BoolProp(
      u"FetchAllOnOpen", [this] { return FFetchAllOnOpen; }, [this](bool V) { FFetchAllOnOpen = V; }, false));
  Props.push_back({u"IndexDefs", [this](TWriter* W) { W->WriteCollection(GetIndexDefs()); },
                   [this](TReader* R) { R->ReadCollection(GetIndexDefs()); },
                   [this] { return FStoreDefs && FIndexDefs && FIndexDefs->Count() > 0; }});
  Props.push_back({u"MasterDetailSide", [this](TWriter* W) { W->WriteInteger(FMasterDetailSide); },
                   [this](TReader* R) { SetMasterDetailSide(static_cast<TMasterDetailSideEh>(R->ReadInteger())); },
                   [this] { return FMasterDetailSide != mdsOnSelfEh; }});
  Props.push_back(TextProp(
      u"MasterFields", [this] { return GetMasterFields(); }, [this](const String& V) { SetMasterFields(V); }));
  Props.push_back(BoolProp(
      u"ReadOnly", [this] { return FReadOnly; }, [this](bool V) { SetReadOnly(V); }, false));
  Props.push_back(TextProp(
      u"SortOrder", [this] { return FSortOrder; }, [this](const String& V) { SetSortOrder(V); }));
  Props.push_back(BoolProp(
      u"StoreDefs", [this] { return FStoreDefs; }, [this](bool V) { FStoreDefs = V; }, false));
  TMemTableTreeListEh* tl = FTreeList.get();
  Props.push_back(BoolProp(
      u"TreeList.Active", [tl] { return tl->GetActive(); }, [tl](bool V) { tl->SetActive(V); }, false));
  Props.push_back(TextProp(
      u"TreeList.KeyFieldName", [tl] { return tl->GetKeyFieldName(); },
      [tl](const String& V) { tl->SetKeyFieldName(V); }));
  Props.push_back(TextProp(
      u"TreeList.RefParentFieldName", [tl] { return tl->GetRefParentFieldName(); },
      [tl](const String& V) { tl->SetRefParentFieldName(V); }));
  Props.push_back(BoolProp(
      u"TreeList.DefaultNodeExpanded", [tl] { return tl->GetDefaultNodeExpanded(); },
      [tl](bool V) { tl->SetDefaultNodeExpanded(V); }, false));
  Props.push_back(BoolProp(
      u"TreeList.DefaultNodeHasChildren", [tl] { return tl->GetDefaultNodeHasChildren(); },
      [tl](bool V) { tl->SetDefaultNodeHasChildren(V); }, false));
  Props.push_back(BoolProp(
      u"TreeList.FullBuildCheck", [tl] { return tl->GetFullBuildCheck(); }, [tl](bool V) { tl->SetFullBuildCheck(V); },
      true));
  Props.push_back(BoolProp(
      u"TreeList.FilterNodeIfParentVisible", [tl] { return tl->GetFilterNodeIfParentVisible(); },
      [tl](bool V) { tl->SetFilterNodeIfParentVisible(V); }, true));
}

// ---- filtering -------------------------------------------------------------------

bool TCustomMemTableEh::NeedsRecordFilter() const {
  bool self = FMasterDetailSide == mdsOnSelfEh || FMasterDetailSide == mdsOnSelfAfterProviderEh;
  return (GetFiltered() && (FFilterExpr->HasExpression() || GetOnFilterRecord())) || (FMasterDetailActive && self);
}

bool TCustomMemTableEh::RecordFilter(TMemoryRecordEh* Rec) {
  if (!FCursorOpen || !NeedsRecordFilter()) return true;
  const bool handler = static_cast<bool>(GetOnFilterRecord());
  auto accepts = [&] {
    bool accept = true;
    if (FFilterExpr->HasExpression()) accept = FFilterExpr->IsRecordAccepted(Rec);
    if (GetFiltered() && handler) GetOnFilterRecord()(this, accept);
    if (accept && FMasterDetailActive &&
        (FMasterDetailSide == mdsOnSelfEh || FMasterDetailSide == mdsOnSelfAfterProviderEh)) {
      if (FDetailListUsed) {
        accept = FDetailRecSet.count(Rec) > 0;
      } else {
        std::vector<Integer> cols;
        for (TField* f : FDetailFieldList) cols.push_back(f->GetFieldNo() - 1);
        Variant v = Rec->GetValuesByIndexes(cols, rvvValueEh);
        accept = VarEqualsEh(v, FMasterValue);
      }
    }
    return accept;
  };
  // Only a handler reads the record through the fields, in the filter state;
  // the expression alone runs per record without a guard.
  if (!handler) return accepts();
  const TDataSetState saved = SetTempState(dsFilter);
  TScopeExit Restore([&] { RestoreState(saved); });
  FFilterRecBuf->MemRec = Rec;
  FFilterRecBuf->UseMemRec = true;
  FFilterRecBuf->RecView = -1;
  FFilterRecBuf->Values.assign(static_cast<size_t>(GetFieldCount()), Variant());
  return accepts();
}

void TCustomMemTableEh::ApplyFilterExpression() {
  if (GetFiltered() && !GetFilter().empty()) FFilterExpr->ParseExpression(GetFilter());
  else FFilterExpr = std::make_unique<TDataSetExprParserEh>(this, dsptFilterEh);
}

void TCustomMemTableEh::SetFiltered(bool Value) {
  if (!GetActive()) {
    TDataSet::SetFiltered(Value);
    return;
  }
  CheckBrowseMode();
  if (Value == GetFiltered()) return;
  // The new expression is compiled before anything changes: a bad filter text
  // leaves the table as it was.
  auto expr = std::make_unique<TDataSetExprParserEh>(this, dsptFilterEh);
  if (Value && !GetFilter().empty()) expr->ParseExpression(GetFilter());
  TDataSet::SetFiltered(Value);
  FFilterExpr = std::move(expr);
  Refresh();
}

void TCustomMemTableEh::SetFilterText(const String& Value) {
  if (!GetActive() || Value == GetFilter()) {
    TDataSet::SetFilterText(Value);
    return;
  }
  auto expr = std::make_unique<TDataSetExprParserEh>(this, dsptFilterEh);
  if (GetFiltered() && !Value.empty()) expr->ParseExpression(Value);
  TDataSet::SetFilterText(Value);
  FFilterExpr = std::move(expr);
  Refresh();
}

void TCustomMemTableEh::SetOnFilterRecord(const TFilterRecordEvent& Value) {
  if (!GetActive()) {
    TDataSet::SetOnFilterRecord(Value);
    return;
  }
  CheckBrowseMode();
  TDataSet::SetOnFilterRecord(Value);
  if (GetFiltered()) Refresh();
}

void TCustomMemTableEh::ResetAggregates() {
  if (FRecordsView) FRecordsView->GetAggregates()->Reset();
}

// ---- properties --------------------------------------------------------------------

void TCustomMemTableEh::SetReadOnly(bool Value) {
  if (Value == FReadOnly) return;
  FReadOnly = Value;
  DataEvent(deDataSetChange, 0);
}

bool TCustomMemTableEh::GetCachedUpdates() const { return GetRecordsData()->GetRecordsList()->GetCachedUpdates(); }

void TCustomMemTableEh::SetCachedUpdates(bool Value) { GetRecordsData()->GetRecordsList()->SetCachedUpdates(Value); }

bool TCustomMemTableEh::GetAggregatesActive() const { return FRecordsView->GetAggregates()->GetActive(); }

void TCustomMemTableEh::SetAggregatesActive(bool Value) { FRecordsView->GetAggregates()->SetActive(Value); }

TAutoIncrementEh* TCustomMemTableEh::GetAutoIncrement() const { return FMemTableData->GetAutoIncrement(); }

void TCustomMemTableEh::SetAutoIncrement(TAutoIncrementEh* Value) { FMemTableData->SetAutoIncrement(Value); }

void TCustomMemTableEh::SetDataDriver(TDataDriverEh* Value) {
  if (Value == FDataDriver) return;
  if (Value && FExternalMemData) throw Exception(SNoDriverWithExternal);
  if (FDataDriver) {
    FDataDriver->SetMemTable(nullptr);
    FDataDriver->RemoveFreeNotification(this);
  }
  if (Value && Value->GetMemTable() && Value->GetMemTable() != this) Value->GetMemTable()->SetDataDriver(nullptr);
  FDataDriver = Value;
  if (Value) {
    Value->SetMemTable(this);
    Value->FreeNotification(this);
  }
  if (FRecordsView) UpdateApplyHook();
  if (!GetComponentState().Contains(csDestroying)) DataEvent(dePropertyChange, 0);
}

void TCustomMemTableEh::SetExternalMemData(TCustomMemTableEh* Value) {
  if (Value == FExternalMemData) return;
  if (Value == this) throw Exception(SCircularDataLinks);
  if (Value && FDataDriver) throw Exception(SNoExternalWithDriver);
  // A chain of tables sharing data must not lead back here.
  for (TCustomMemTableEh* t = Value; t; t = t->FExternalMemData)
    if (t == this) throw Exception(SCircularDataLinks);
  bool wasActive = GetActive();
  bool loading = GetComponentState().Contains(csLoading);
  if (!loading) Close();
  if (FExternalMemData) FExternalMemData->RemoveFreeNotification(this);
  FExternalMemData = Value;
  if (Value) Value->FreeNotification(this);
  FRecordsView->SetMemTableData(GetRecordsData());
  if (wasActive && !loading) Open();
}

void TCustomMemTableEh::Notification(TComponent* AComponent, TOperation Operation) {
  TDataSet::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == FProviderDataSet) FProviderDataSet = nullptr;
  if (AComponent == FDataDriver) {
    FDataDriver = nullptr;
    if (FRecordsView) UpdateApplyHook();
  }
  if (AComponent == FExternalMemData) {
    // The shared data is going away: this table returns to its own store.
    if (!GetComponentState().Contains(csDestroying)) Close();
    FExternalMemData = nullptr;
    if (FRecordsView) FRecordsView->SetMemTableData(FMemTableData);
  }
  std::erase(FLinkedComponents, AComponent);
}

// ---- data events ------------------------------------------------------------------

void TCustomMemTableEh::DataEvent(TDataEvent Event, TDataEventInfo Info) {
  if (GetActive() && FControlsWereDisabled && !ControlsDisabled() && FPendingNotifyCount > 0) {
    Integer count = FPendingNotifyCount;
    FPendingNotifyCount = 0;
    if (count == 1) NotifyLinkedComponents(FPendingRow, FPendingKind, FPendingIndex);
    else NotifyLinkedComponents(-1, mtdcAllChangedEh, -1);
  }
  switch (Event) {
    case deUpdateState:
      if (GetState() == dsInsert && !FInsertAnnounced) {
        FInsertAnnounced = true;
        NotifyLinkedComponents(FActiveRecordPos, mtdcInsertedEh, -1);
      } else if (GetState() == dsBrowse && FInsertAnnounced) {
        FInsertAnnounced = false;
        NotifyLinkedComponents(FActiveRecordPos, mtdcRemovedEh, -1);
      }
      break;
    case deFieldListChange:
      if (FRecordsView && !GetComponentState().Contains(csLoading) && !GetComponentState().Contains(csDestroying)) {
        FRecordsView->GetAggregates()->Rebuild();
        if (GetActive()) Resync({});
      }
      RebuildFieldPositions();
      break;
    default: break;
  }
  // Aggregates are prepared and worked out only on an active table: the first
  // event after opening does it.
  if (GetActive() && !FWasActive && FRecordsView) FRecordsView->GetAggregates()->Rebuild();
  TDataSet::DataEvent(Event, Info);
  if (GetActive() && !FWasActive) NotifyLinkedComponents(-1, mtdcAllChangedEh, -1);
  FControlsWereDisabled = ControlsDisabled();
  FWasActive = GetActive();
}

// ---- the records view ----------------------------------------------------------------

bool TCustomMemTableEh::TreeMode() const { return FRecordsView->GetTreeMode(); }

Integer TCustomMemTableEh::ViewCount() const { return FRecordsView->ViewCount(); }

TMemoryRecordEh* TCustomMemTableEh::ViewRecord(Integer Row) const { return FRecordsView->ViewRecord(Row); }

TMemRecViewEh* TCustomMemTableEh::ViewNode(Integer Row) const {
  return FRecordsView->GetTreeList()->GetDisplayedNode(Row);
}

Integer TCustomMemTableEh::ViewIndexOfRecord(TMemoryRecordEh* Rec, Integer Hint) const {
  if (!Rec) return -1;
  Integer count = ViewCount();
  // The likely places first: where the caller expects it and the last row. A
  // tree finds a node's row from its place, an unsorted view from the record's
  // place in the store; a sorted one may still show it at that place.
  if (Hint >= 0 && Hint < count && ViewRecord(Hint) == Rec) return Hint;
  if (TreeMode()) return FRecordsView->IndexOfRecord(Rec);
  if (count > 0 && ViewRecord(count - 1) == Rec) return count - 1;
  if (FRecordsView->GetSortOrder().empty()) return FRecordsView->IndexOfRecord(Rec);
  Integer stored = Rec->GetIndex();
  if (stored >= 0 && stored < count && ViewRecord(stored) == Rec) return stored;
  return FRecordsView->IndexOfRecord(Rec);
}

Integer TCustomMemTableEh::ShiftForInsert(Integer Row) const {
  return FInsertAnnounced && Row >= FActiveRecordPos ? Row + 1 : Row;
}

void TCustomMemTableEh::ViewDataEvent(TMemoryRecordEh*, Integer Row, TRecordsListNotificationEh Action) {
  if (!GetActive()) return;
  switch (Action) {
    case rlnRecAddedEh:
      // The cursor stays on its record when rows are inserted before it.
      if (Row >= 0 && Row <= FRecordPos && FResyncHold == 0) ++FRecordPos;
      NotifyLinkedComponents(ShiftForInsert(Row), mtdcInsertedEh, -1);
      break;
    case rlnRecChangedEh:
    case rlnRecMarkedForDelEh: NotifyLinkedComponents(ShiftForInsert(Row), mtdcChangedEh, -1); break;
    case rlnRecDeletedEh:
      if (Row >= 0 && Row < FRecordPos && FResyncHold == 0) --FRecordPos;
      NotifyLinkedComponents(ShiftForInsert(Row), mtdcRemovedEh, -1);
      break;
    case rlnListChangedEh: NotifyLinkedComponents(-1, mtdcAllChangedEh, -1); break;
    default: break;
  }
  if (GetState() == dsBrowse) Resync({});
  else FResyncPending = true;
}

void TCustomMemTableEh::ViewRecordMoved(TMemoryRecordEh*, Integer OldRow, Integer NewRow) {
  if (!GetActive()) return;
  if (FResyncHold == 0 && OldRow >= 0 && NewRow >= 0) {
    if (OldRow == FRecordPos) FRecordPos = NewRow;
    else if (OldRow < FRecordPos && NewRow >= FRecordPos) --FRecordPos;
    else if (OldRow > FRecordPos && NewRow <= FRecordPos) ++FRecordPos;
  }
  if (!ControlsDisabled()) NotifyLinkedComponents(ShiftForInsert(NewRow), mtdcMovedEh, ShiftForInsert(OldRow));
}

// ---- unit -------------------------------------------------------------------------

void InitMemTableEhUnit() {
  InitMemTableDataEhUnit();
  RegisterClasses({TMemTableEh::StaticComponentClass(), TCustomMemTableEh::StaticComponentClass(),
                   TDataDriverEh::StaticComponentClass(), TRefObjectField::StaticComponentClass()});
}

void FinalMemTableEhUnit() {
  UnRegisterClasses({TMemTableEh::StaticComponentClass(), TCustomMemTableEh::StaticComponentClass(),
                     TDataDriverEh::StaticComponentClass(), TRefObjectField::StaticComponentClass()});
  FinalMemTableDataEhUnit();
}

TUpdateStatus TCustomMemTableEh::UpdateStatus() const {
  if (!GetActive() || IsEmpty()) return usUnmodified;
  TRecBuf* b = RecBuf(ActiveBuffer());
  if (!b || !b->MemRec) return usUnmodified;
  switch (b->MemRec->GetUpdateStatus()) {
    case rusModifiedEh: return usModified;
    case rusInsertedEh: return usInserted;
    case rusDeletedEh: return usDeleted;
    default: return usUnmodified;
  }
}
