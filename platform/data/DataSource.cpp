#include "platform/data/DataSource.h"

#include <algorithm>

#include "platform/core/ScopeGuard.h"
#include "platform/data/DBConsts.h"
#include "platform/data/PtrSnapshot.h"

// ---- TDataSource ---------------------------------------------------------------

TDataSource::TDataSource(TComponent* AOwner) : TComponent(AOwner) {}

TDataSource::~TDataSource() {
  Destroying();
  while (!FDataLinks.empty()) FDataLinks.back()->SetDataSource(nullptr);
  SetDataSet(nullptr);
}

void TDataSource::SetDataSet(TDataSet* ADataSet) {
  if (ADataSet == FDataSet) return;
  if (ADataSet && IsLinkedTo(ADataSet)) DatabaseError(SCircularDataLink, this);
  if (FDataSet) {
    FDataSet->RemoveFreeNotification(this);
    FDataSet->RemoveDataSource(this);
  }
  FDataSet = ADataSet;
  if (FDataSet) {
    FDataSet->FreeNotification(this);
    FDataSet->AddDataSource(this);
  }
  UpdateState();
}

void TDataSource::SetEnabled(bool Value) {
  if (FEnabled == Value) return;
  FEnabled = Value;
  UpdateState();
}

void TDataSource::Edit() {
  if (FAutoEdit && FState == dsBrowse && FDataSet) FDataSet->Edit();
}

bool TDataSource::IsLinkedTo(TDataSet* DataSet) const {
  for (TDataLink* l : FDataLinks)
    if (auto* d = dynamic_cast<TDetailDataLink*>(l)) {
      TDataSet* detail = d->GetDetailDataSet();
      if (detail == DataSet) return true;
      if (detail) {
        for (Integer i = 0; i < detail->DataSourceCount(); ++i)
          if (detail->GetDataSourceItem(i)->IsLinkedTo(DataSet)) return true;
      }
    }
  return false;
}

void TDataSource::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FDataSet) {
    FDataSet->RemoveDataSource(this);
    FDataSet = nullptr;
    UpdateState();
  }
}

void TDataSource::AddDataLink(TDataLink* DataLink) {
  FDataLinks.push_back(DataLink);
  DataLink->FDataSource = this;
  if (FDataSet) FDataSet->UpdateBufferCount();
}

void TDataSource::RemoveDataLink(TDataLink* DataLink) {
  std::erase(FDataLinks, DataLink);
  DataLink->FDataSource = nullptr;
  if (FDataSet) FDataSet->UpdateBufferCount();
}

void TDataSource::UpdateState() { SetState(FEnabled && FDataSet ? FDataSet->GetState() : dsInactive); }

void TDataSource::SetState(TDataSetState Value) {
  if (FState == Value) return;
  TDataSetState prior = FState;
  FState = Value;
  NotifyDataLinks(deUpdateState, 0);
  if (GetComponentState().Contains(csDestroying)) return;
  if (OnStateChange) OnStateChange(this);
  if (prior == dsInactive && OnDataChange) OnDataChange(this, nullptr);
}

void TDataSource::NotifyDataLinks(TDataEvent Event, TDataEventInfo Info) {
  // A link may leave the list while it handles the event; walk a copy.
  TPtrSnapshot<TDataLink> links(FDataLinks);
  for (TDataLink* l : links)
    if (StillListed(FDataLinks, l)) l->DataEvent(Event, Info);
}

void TDataSource::NotifyLinkTypes(TDataEvent Event, TDataEventInfo Info, bool LinkType) {
  TPtrSnapshot<TDataLink> links(FDataLinks);
  for (auto it = links.end(); it != links.begin();) {
    TDataLink* l = *--it;
    if (l->FVisualControl == LinkType && StillListed(FDataLinks, l)) l->DataEvent(Event, Info);
  }
}

void TDataSource::DataEvent(TDataEvent Event, TDataEventInfo Info) {
  if (Event == deUpdateState) {
    UpdateState();
    return;
  }
  if (FState == dsInactive) return;
  // Non-visual links (masters of details, say) hear first, then the controls.
  NotifyLinkTypes(Event, Info, false);
  NotifyLinkTypes(Event, Info, true);
  switch (Event) {
    case deFieldChange:
      if (OnDataChange) OnDataChange(this, reinterpret_cast<TField*>(Info));
      break;
    case deRecordChange:
    case deDataSetChange:
    case deDataSetScroll:
    case deLayoutChange:
      if (OnDataChange) OnDataChange(this, nullptr);
      break;
    case deUpdateRecord:
      if (OnUpdateData) OnUpdateData(this);
      break;
    default: break;
  }
}

// ---- TDataLink ---------------------------------------------------------------------

TDataLink::TDataLink() = default;

TDataLink::~TDataLink() {
  if (FDataSource) FDataSource->RemoveDataLink(this);
}

void TDataLink::SetDataSource(TDataSource* ADataSource) {
  if (ADataSource == FDataSource) return;
  if (FDataSourceFixed) DatabaseError(SDataSourceChange);
  if (FDataSource) FDataSource->RemoveDataLink(this);
  if (ADataSource) ADataSource->AddDataLink(this);
  UpdateState();
}

TDataSet* TDataLink::GetDataSet() const { return FDataSource ? FDataSource->GetDataSet() : nullptr; }

void TDataLink::SetReadOnly(bool Value) {
  if (FReadOnly == Value) return;
  FReadOnly = Value;
  UpdateState();
}

void TDataLink::SetBufferCount(Integer Value) {
  if (Value < 1) Value = 1;
  if (FBufferCount == Value) return;
  FBufferCount = Value;
  if (FActive) {
    TDataSet* ds = GetDataSet();
    ds->UpdateBufferCount();
    UpdateRange();
  }
}

void TDataLink::UpdateRange() {
  TDataSet* ds = GetDataSet();
  if (!ds) return;
  Integer active = ds->GetActiveRecord();
  Integer min = std::max(0, active - FBufferCount + 1);
  Integer max = std::min(ds->GetBufferCount() - FBufferCount, active);
  if (FFirstRecord < min) FFirstRecord = min;
  if (FFirstRecord > max) FFirstRecord = std::max(0, max);
}

Integer TDataLink::GetActiveRecord() const {
  if (!FDataSource || FDataSource->GetState() == dsSetKey) return 0;
  return GetDataSet()->GetActiveRecord() - FFirstRecord;
}

void TDataLink::SetActiveRecord(Integer Value) {
  if (!FDataSource || FDataSource->GetState() == dsSetKey) return;
  TDataSet* ds = GetDataSet();
  Integer index = Value + FFirstRecord;
  // Only filled buffers may become active; anything else would show stale data.
  if (index < 0 || index >= std::max(1, ds->GetBufferRecordCount())) return;
  ds->SetActiveRecordIndex(index);
}

Integer TDataLink::GetRecordCount() const {
  if (!FDataSource) return 0;
  if (FDataSource->GetState() == dsSetKey) return 1;
  Integer n = GetDataSet()->GetBufferRecordCount() - FFirstRecord;
  return std::clamp(n, 0, FBufferCount);
}

bool TDataLink::Bof() const { return GetDataSet() ? GetDataSet()->Bof() : true; }
bool TDataLink::Eof() const { return GetDataSet() ? GetDataSet()->Eof() : true; }

bool TDataLink::ExecuteAction(TBasicAction* Action) {
  if (!FDataSource || !Action || !Action->HandlesTarget(FDataSource)) return false;
  Action->ExecuteTarget(FDataSource);
  return true;
}

bool TDataLink::UpdateAction(TBasicAction* Action) {
  if (!FDataSource || !Action || !Action->HandlesTarget(FDataSource)) return false;
  Action->UpdateTarget(FDataSource);
  return true;
}

bool TDataLink::Edit() {
  if (!FReadOnly && FDataSource) FDataSource->Edit();
  return FEditing;
}

void TDataLink::UpdateRecord() {
  TTemporaryChange<bool> Updating(FUpdating, true);
  UpdateData();
}

void TDataLink::SetActive(bool Value) {
  if (FActive == Value) return;
  FActive = Value;
  if (Value) UpdateRange();
  else FFirstRecord = 0;
  ActiveChanged();
}

void TDataLink::SetEditing(bool Value) {
  if (FEditing == Value) return;
  FEditing = Value;
  EditingChanged();
}

void TDataLink::UpdateState() {
  bool active = FDataSource && FDataSource->GetEnabled() && FDataSource->GetState() != dsInactive;
  SetActive(active);
  SetEditing(active && dsEditModes.Contains(FDataSource->GetState()) && !FReadOnly);
}

void TDataLink::DataEvent(TDataEvent Event, TDataEventInfo Info) {
  if (Event == deUpdateState) {
    UpdateState();
    return;
  }
  if (!FActive) return;
  switch (Event) {
    case deFieldChange:
    case deRecordChange:
      if (!FUpdating) RecordChanged(reinterpret_cast<TField*>(Info));
      break;
    case deDataSetChange:
    case deDataSetScroll:
    case deLayoutChange: {
      Integer count = 0;
      if (FDataSource->GetState() != dsSetKey) {
        // Keep the active record inside this link's window, which moved by
        // Info with the dataset's buffers.
        Integer active = GetDataSet()->GetActiveRecord();
        Integer first = FFirstRecord + (Event == deDataSetScroll ? static_cast<Integer>(Info) : 0);
        Integer last = first + FBufferCount - 1;
        if (active > last) count = active - last;
        else if (active < first) count = active - first;
        FFirstRecord = std::max(0, first + count);
      }
      if (Event == deDataSetChange) DataSetChanged();
      else if (Event == deDataSetScroll) DataSetScrolled(count);
      else LayoutChanged();
      break;
    }
    case deUpdateRecord: UpdateRecord(); break;
    case deCheckBrowseMode: CheckBrowseMode(); break;
    case deFocusControl: FocusControl(reinterpret_cast<TField**>(Info)); break;
    default: break;
  }
}

// ---- TMasterDataLink -------------------------------------------------------------

TMasterDataLink::TMasterDataLink(TDataSet* ADataSet) : FDataSet(ADataSet) {}

void TMasterDataLink::SetFieldNames(const String& Value) {
  if (FFieldNames == Value) return;
  FFieldNames = Value;
  ActiveChanged();
}

void TMasterDataLink::ActiveChanged() {
  FFields.clear();
  if (GetActive()) {
    try {
      GetDataSet()->GetFieldList(FFields, FFieldNames);
    } catch (EDatabaseError&) {
      FFields.clear();
      throw;
    }
  }
  if (!FDataSet || FDataSet->GetComponentState().Contains(csDestroying)) return;
  if (GetActive() && !FFields.empty()) {
    if (OnMasterChange) OnMasterChange(this);
  } else if (OnMasterDisable) {
    OnMasterDisable(this);
  }
}

void TMasterDataLink::CheckBrowseMode() {
  if (FDataSet && FDataSet->GetActive()) FDataSet->CheckBrowseMode();
}

void TMasterDataLink::RecordChanged(TField* Field) {
  if (GetDataSource()->GetState() == dsSetKey || !FDataSet || !FDataSet->GetActive() || FFields.empty()) return;
  if (Field && std::find(FFields.begin(), FFields.end(), Field) == FFields.end()) return;
  if (OnMasterChange) OnMasterChange(this);
}
