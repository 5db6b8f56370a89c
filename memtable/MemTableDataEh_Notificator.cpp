// TRecordsListNotificatorEh: the hooks through which a view (and through it the
// dataset) follows a store, and its attachment to a store or another view.

#include "memtable/MemTableDataEh.h"

TRecordsListNotificatorEh::TRecordsListNotificatorEh(TComponent* AOwner) : TComponent(AOwner) {}

TRecordsListNotificatorEh::~TRecordsListNotificatorEh() { SetMemTableData(nullptr); }

Integer TRecordsListNotificatorEh::FetchRecords(Integer Count) {
  return OnFetchRecords ? OnFetchRecords(this, Count) : 0;
}

void TRecordsListNotificatorEh::DataEvent(TMemoryRecordEh* MemRec, Integer Index, Byte Event) {
  if (OnDataEvent) OnDataEvent(this, MemRec, Index, Event);
}

void TRecordsListNotificatorEh::Notification(TMemoryRecordEh* MemRec, Integer Index,
                                             TRecordsListNotificationEh Action) {
  if (OnNotification) OnNotification(this, MemRec, Index, Action);
  switch (Action) {
    case rlnRecAddedEh: RecordAdded(MemRec, Index); break;
    case rlnRecChangedEh: RecordChanged(MemRec, Index); break;
    case rlnRecDeletedEh: RecordDeleted(MemRec, Index); break;
    case rlnListChangedEh: DataChanged(MemRec, Index); break;
    default: break;
  }
}

void TRecordsListNotificatorEh::RecordMoved(TMemoryRecordEh* Item, Integer OldIndex, Integer NewIndex) {
  if (OnRecordMoved) OnRecordMoved(this, Item, OldIndex, NewIndex);
}

void TRecordsListNotificatorEh::ApplyUpdates(TMemTableDataEh* AMemTableData) {
  if (OnApplyUpdates) OnApplyUpdates(this, AMemTableData);
}

TMemTableDataEh* TRecordsListNotificatorEh::GetMemTableData() const {
  return dynamic_cast<TMemTableDataEh*>(FMemTableData);
}

void TRecordsListNotificatorEh::SetMemTableData(TComponent* Value) {
  if (Value == FMemTableData) return;
  auto* newSource = dynamic_cast<INotificatorSourceEh*>(Value);
  if (Value && !newSource)
    throw Exception(u"TRecordsListNotificatorEh.SetMemTableData: " + Value->ClassName() +
                    u" can not be a source of notifications.");
  Notification(nullptr, -1, rlnListChangingEh);
  if (FMemTableData) {
    if (auto* oldSource = dynamic_cast<INotificatorSourceEh*>(FMemTableData)) oldSource->DetachNotificator(this);
    FMemTableData->RemoveFreeNotification(this);
  }
  FMemTableData = Value;
  if (Value) {
    newSource->AttachNotificator(this);
    Value->FreeNotification(this);
  }
  Notification(nullptr, -1, rlnListChangedEh);
}

void TRecordsListNotificatorEh::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FMemTableData) {
    if (auto* source = dynamic_cast<INotificatorSourceEh*>(FMemTableData)) source->DetachNotificator(this);
    FMemTableData = nullptr;
  }
}
