// The footer-sum engine: full passes, incremental updates from the dataset's
// events, and the virtual-record list.

#include "gridbase/DBSumLst.h"

#include "editors/DaVirVCL.h"
#include "platform/core/Format.h"
#include "platform/core/ScopeGuard.h"
#include "platform/data/DBTypes.h"
#include "platform/data/DataSource.h"
#include "platform/data/Fields.h"

namespace {

constexpr long double Scale = 10000.0L;
constexpr Int64 OneRecord = 10000;

// The nearest integer, ties to even, of a total worked in extended precision.
Int64 Nearest(long double X) { return Round(X); }

long double Scaled(TField* Field) { return (long double)Field->GetAsFloat() * Scale; }

bool HadValue(const Variant& OldValue) { return !VarIsNullOrEmpty(OldValue); }

// The families whose values read as numbers (dates as day counts).
bool IsNumberFamily(TFieldFamily Family) { return Family == ffInteger || Family == ffFloat || Family == ffDateTime; }

}  // namespace

// ---- TDBSum --------------------------------------------------------------------------------------
void TDBSum::SetFieldName(const String& Value) {
  if (Value == FFieldName) return;
  FFieldName = Value;
  Changed(false);
}

void TDBSum::SetGroupOperation(TGroupOperation Value) {
  if (Value == FGroupOperation) return;
  FGroupOperation = Value;
  Changed(false);
}

Currency TDBSum::GetSumValue() const { return Currency::FromRaw(FSumValue); }

bool TDBSum::HasValue() const { return FField && !FField->GetIsNull(); }

long double TDBSum::Contribution() const {
  if (FGroupOperation == goCount) return !FField || HasValue() ? OneRecord : 0;
  return HasNumber() ? Scaled(FField) : 0;
}

void TDBSum::TakeAverage() { FSumValue = FValueCount == 0 ? 0 : Nearest((long double)FAccumulator / FValueCount); }

void TDBSum::Assign(TPersistent* Source) {
  if (auto* S = dynamic_cast<TDBSum*>(Source)) {
    SetGroupOperation(S->FGroupOperation);
    SetFieldName(S->FFieldName);
    FOldContribution = S->FOldContribution;
    FSumValue = S->FSumValue;
    return;
  }
  TCollectionItem::Assign(Source);
}

// ---- TDBSumCollection ---------------------------------------------------------------------------------
TDBSum* TDBSumCollection::GetSumByOpAndFName(TGroupOperation AGroupOperation, const String& AFieldName) const {
  for (Integer I = 0; I < GetCount(); ++I) {
    TDBSum* Sum = Items(I);
    if (Sum && Sum->GetGroupOperation() == AGroupOperation &&
        CompareTextUserLocaleEh(Sum->GetFieldName(), AFieldName) == 0)
      return Sum;
  }
  return nullptr;
}

void TDBSumCollection::Update(TCollectionItem*) {
  if (FProducer) FProducer->SumCollectionChanged();
}

// ---- TSLBookmarkListEh ---------------------------------------------------------------------------------
TDataSet* TSLBookmarkListEh::GetDataSet() const { return FProducer ? FProducer->GetDataSet() : nullptr; }

// ---- TDBSumListProducer: life and setup -------------------------------------------------------------------
TDBSumListProducer::TDBSumListProducer(TComponent* AOwner)
    : FOwner(AOwner),
      FSumCollection(std::make_unique<TDBSumCollection>(this)),
      FVirtualRecList(std::make_unique<TSLBookmarkListEh>(this)) {}

TDBSumListProducer::~TDBSumListProducer() {
  // The dataset gets its own handlers back; the sums stay as they are.
  FActive = false;
  if (!OwnerLoadingOrDesigning()) ResetDataSetEvents();
  FVirtualRecList.reset();
  FSumCollection.reset();
}

bool TDBSumListProducer::OwnerLoadingOrDesigning() const {
  if (!FOwner) return false;
  const TComponentState S = FOwner->GetComponentState();
  return S.Contains(csLoading) || S.Contains(csDesigning);
}

void TDBSumListProducer::Assign(TPersistent* Source) {
  if (auto* S = dynamic_cast<TDBSumListProducer*>(Source)) {
    SetActive(S->FActive);
    SetDataSet(S->FDataSet);
    SetExternalRecalc(S->FExternalRecalc);
    FSumCollection->Assign(S->FSumCollection.get());
    SumListChanged = S->SumListChanged;
    SetVirtualRecords(S->FVirtualRecords);
    OnAfterRecalcAll = S->OnAfterRecalcAll;
    OnRecalcAll = S->OnRecalcAll;
    return;
  }
  TPersistent::Assign(Source);
}

void TDBSumListProducer::SetActive(bool Value) {
  if (Value == FActive) return;
  if (Value) Activate(true);
  else Deactivate(true);
}

void TDBSumListProducer::Activate(bool ARecalc) {
  FActive = true;
  if (OwnerLoadingOrDesigning()) return;
  SetDataSetEvents();
  if (ARecalc) RecalcAll();
}

void TDBSumListProducer::Deactivate(bool AClearSumValues) {
  FActive = false;
  if (OwnerLoadingOrDesigning()) return;
  ResetDataSetEvents();
  if (AClearSumValues) ClearSumValues();
}

void TDBSumListProducer::ActivateIfReady() {
  if (FDataSet && FActive) Activate(true);
}

void TDBSumListProducer::SetDataSet(TDataSet* Value) {
  if (Value == FDataSet && FDataSet && FDataSet->GetComponentState().Contains(csDestroying)) {
    ResetDataSetEvents();
    FDataSet = nullptr;
  }
  if (Value == FDataSet) return;
  if (OwnerLoadingOrDesigning()) {
    FDataSet = Value;
    return;
  }
  const bool WasActive = FActive;
  Deactivate(true);
  FDataSet = Value;
  if (WasActive) Activate(true);
}

void TDBSumListProducer::SetExternalRecalc(bool Value) {
  if (Value == FExternalRecalc) return;
  FExternalRecalc = Value;
  RecalcAll();
}

void TDBSumListProducer::SetVirtualRecords(bool Value) {
  if (Value == FVirtualRecords) return;
  FVirtualRecords = Value;
  if (Value) RecalcAll();
}

// ---- Hooking the dataset's events ------------------------------------------------------------------------
void TDBSumListProducer::SetDataSetEvents() {
  if (!FDataSet || FHooked) return;
  TDataSource* Master = FDataSet->GetDataSource();
  FMasterDataSet = Master ? Master->GetDataSet() : nullptr;
  FSavedAfterCancel = FDataSet->AfterCancel;
  FSavedAfterClose = FDataSet->AfterClose;
  FSavedAfterEdit = FDataSet->AfterEdit;
  FSavedAfterInsert = FDataSet->AfterInsert;
  FSavedAfterOpen = FDataSet->AfterOpen;
  FSavedAfterPost = FDataSet->AfterPost;
  FSavedAfterScroll = FDataSet->AfterScroll;
  FSavedBeforeDelete = FDataSet->BeforeDelete;
  FDataSet->AfterEdit = [this](TDataSet* D) { DataSetAfterEdit(D); };
  FDataSet->AfterInsert = [this](TDataSet* D) { DataSetAfterInsert(D); };
  FDataSet->AfterOpen = [this](TDataSet* D) { DataSetAfterOpen(D); };
  FDataSet->AfterPost = [this](TDataSet* D) { DataSetAfterPost(D); };
  FDataSet->AfterScroll = [this](TDataSet* D) { DataSetAfterScroll(D); };
  FDataSet->BeforeDelete = [this](TDataSet* D) { DataSetBeforeDelete(D); };
  FDataSet->AfterClose = [this](TDataSet* D) { DataSetAfterClose(D); };
  FDataSet->AfterCancel = [this](TDataSet* D) { DataSetAfterCancel(D); };
  if (FMasterDataSet) {
    FSavedMasterAfterScroll = FMasterDataSet->AfterScroll;
    FMasterDataSet->AfterScroll = [this](TDataSet* D) { MasterDataChanged(D); };
  }
  FHooked = true;
}

void TDBSumListProducer::ResetDataSetEvents() {
  if (!FHooked) return;
  if (FDataSet) {
    FDataSet->AfterCancel = FSavedAfterCancel;
    FDataSet->AfterClose = FSavedAfterClose;
    FDataSet->AfterEdit = FSavedAfterEdit;
    FDataSet->AfterInsert = FSavedAfterInsert;
    FDataSet->AfterOpen = FSavedAfterOpen;
    FDataSet->AfterPost = FSavedAfterPost;
    FDataSet->AfterScroll = FSavedAfterScroll;
    FDataSet->BeforeDelete = FSavedBeforeDelete;
  }
  if (FMasterDataSet) FMasterDataSet->AfterScroll = FSavedMasterAfterScroll;
  FSavedAfterCancel = FSavedAfterClose = FSavedAfterEdit = FSavedAfterInsert = FSavedAfterOpen = FSavedAfterPost =
      FSavedAfterScroll = FSavedBeforeDelete = FSavedMasterAfterScroll = nullptr;
  FMasterDataSet = nullptr;
  FHooked = false;
  FVirtualRecList->Clear();
}

// ---- Values ------------------------------------------------------------------------------------------------
void TDBSumListProducer::ClearSumValues() {
  for (Integer I = 0; I < FSumCollection->GetCount(); ++I) {
    TDBSum* Sum = FSumCollection->Items(I);
    if (!Sum) continue;
    Sum->FSumValue = 0;
    Sum->FOldContribution = 0;
    Sum->FAccumulator = 0;
    Sum->FValueCount = 0;
  }
  DoSumListChanged();
}

void TDBSumListProducer::DoSumListChanged() {
  if (SumListChanged) SumListChanged(this);
}

void TDBSumListProducer::SumCollectionChanged() {
  if (FOwner && (FOwner->GetComponentState().Contains(csLoading) || FOwner->GetComponentState().Contains(csDestroying)))
    return;
  RecalcAll();
}

std::vector<TDBSum*> TDBSumListProducer::TakingPart() const {
  std::vector<TDBSum*> Result;
  for (Integer I = 0; I < FSumCollection->GetCount(); ++I) {
    TDBSum* Sum = FSumCollection->Items(I);
    if (Sum && (!Sum->GetFieldName().empty() || Sum->GetGroupOperation() == goCount)) Result.push_back(Sum);
  }
  return Result;
}

void TDBSumListProducer::ResolveFields(const std::vector<TDBSum*>& Sums) const {
  for (TDBSum* Sum : Sums) {
    Sum->FField = Sum->GetFieldName().empty() ? nullptr : FDataSet->FieldByName(Sum->GetFieldName());
    Sum->FNumeric = Sum->FField && IsNumberFamily(FieldTypeInfo(Sum->FField->GetDataType()).Family);
  }
}

bool TDBSumListProducer::VirtualMode() const { return FDataSet && !FDataSet->IsSequenced() && FVirtualRecords; }

void TDBSumListProducer::RecalcAll() {
  if (OwnerLoadingOrDesigning() || !FActive || !FDataSet || !FDataSet->GetActive() || !FHooked) return;
  // The filter state is kept and the change told however the pass ends.
  auto Finish = [this] {
    FSavedFiltered = FDataSet->GetFiltered();
    FSavedFilterText = FDataSet->GetFilter();
    FRecalculating = false;
  };
  TScopeExit Finished([&] {
    Finish();
    DoSumListChanged();
  });
  RecalcPass();
}

void TDBSumListProducer::RecalcPass() {
  ClearSumValues();
  FLastFoundIndex = -1;
  if (OnRecalcAll) OnRecalcAll(this);
  if (FExternalRecalc) return;
  const std::vector<TDBSum*> Sums = TakingPart();
  const bool Virtual = VirtualMode();
  if (Sums.empty() && !Virtual) {
    if (OnAfterRecalcAll) OnAfterRecalcAll(this);
    return;
  }
  ResolveFields(Sums);
  const TBookmark Saved = FDataSet->GetBookmark();
  FDataSet->DisableControls();
  struct TEnable {
    TDataSet* D;
    ~TEnable() { D->EnableControls(); }
  } Enable{FDataSet};
  FVirtualRecList->Clear();
  FRecalculating = true;
  FDataSet->First();
  while (!FDataSet->GetEof()) {
    for (TDBSum* Sum : Sums) {
      if (Sum->FGroupOperation != goAvg) {
        Sum->FSumValue = Nearest(Sum->FSumValue + Sum->Contribution());
      } else if (Sum->HasNumber()) {
        ++Sum->FValueCount;
        Sum->FAccumulator = Nearest(Sum->FAccumulator + Scaled(Sum->FField));
      }
    }
    if (Virtual) FVirtualRecList->Add(FDataSet->GetBookmark());
    FDataSet->Next();
  }
  if (!Saved.IsNil() && FDataSet->BookmarkValid(Saved)) FDataSet->GotoBookmark(Saved);
  else FDataSet->First();
  for (TDBSum* Sum : Sums)
    if (Sum->FGroupOperation == goAvg) Sum->TakeAverage();
  if (OnAfterRecalcAll) OnAfterRecalcAll(this);
}

// ---- Incremental updates ---------------------------------------------------------------------------------------
void TDBSumListProducer::DataSetAfterEdit(TDataSet* DataSet) {
  if (FActive) {
    const std::vector<TDBSum*> Sums = TakingPart();
    ResolveFields(Sums);
    for (TDBSum* Sum : Sums) {
      Sum->FOldContribution = Nearest(Sum->Contribution());
      // Only a number counts as the value an average had.
      if (Sum->FGroupOperation != goCount) Sum->FOldValue = Sum->FNumeric ? Sum->FField->GetValue() : Variant::Null();
    }
  }
  // The dataset's own handler runs whether or not the engine is active.
  if (FSavedAfterEdit) FSavedAfterEdit(DataSet);
}

void TDBSumListProducer::DataSetAfterInsert(TDataSet* DataSet) {
  if (FActive) {
    for (TDBSum* Sum : TakingPart()) {
      Sum->FOldContribution = 0;
      if (Sum->FGroupOperation != goCount) Sum->FOldValue = Variant();
    }
    if (VirtualMode()) {
      const TBookmark B = FDataSet->GetBookmark();
      if (!B.IsNil()) FVirtualRecList->Add(B);
      else FPendingInsert = true;
    }
  }
  if (FSavedAfterInsert) FSavedAfterInsert(DataSet);
}

void TDBSumListProducer::InsertPendingBookmark() {
  const TBookmark B = FDataSet->GetBookmark();
  if (B.IsNil()) return;
  const Integer N = FVirtualRecList->Count();
  Integer I = (FLastFoundIndex < 0 || FLastFoundIndex >= N) ? 0 : FLastFoundIndex;
  if (N == 0) {
    FVirtualRecList->Add(B);
    return;
  }
  // Walk to the first entry that follows the new record, keeping dataset order.
  if (FDataSet->CompareBookmarks(FVirtualRecList->Items(I), B) > 0) {
    while (I > 0 && FDataSet->CompareBookmarks(FVirtualRecList->Items(I - 1), B) > 0) --I;
  } else {
    while (I < N && FDataSet->CompareBookmarks(FVirtualRecList->Items(I), B) <= 0) ++I;
  }
  FVirtualRecList->Insert(I, B);
}

void TDBSumListProducer::DataSetAfterPost(TDataSet* DataSet) {
  // Under a filter the posted record may have left the view, and the current
  // record is then another one: only a full pass gives the right sums.
  if (FActive && FDataSet && FDataSet->GetFiltered() && !FRecalculating) {
    FPendingInsert = false;
    RecalcAll();
    if (FSavedAfterPost) FSavedAfterPost(DataSet);
    return;
  }
  if (FActive) {
    const std::vector<TDBSum*> Sums = TakingPart();
    ResolveFields(Sums);
    for (TDBSum* Sum : Sums) {
      // The record's old contribution goes out and its new one comes in.
      if (Sum->FGroupOperation != goAvg) {
        Sum->FSumValue = Nearest((long double)Sum->FSumValue - Sum->FOldContribution + Sum->Contribution());
        continue;
      }
      const bool HasValue = Sum->HasNumber();
      if (HasValue != HadValue(Sum->FOldValue)) Sum->FValueCount += HasValue ? 1 : -1;
      Sum->FAccumulator = Nearest((long double)Sum->FAccumulator - Sum->FOldContribution + Sum->Contribution());
      Sum->TakeAverage();
    }
    if (VirtualMode() && FPendingInsert) {
      InsertPendingBookmark();
      FPendingInsert = false;
    }
    DoSumListChanged();
  }
  if (FSavedAfterPost) FSavedAfterPost(DataSet);
}

void TDBSumListProducer::DataSetBeforeDelete(TDataSet* DataSet) {
  if (FSavedBeforeDelete) FSavedBeforeDelete(DataSet);
  if (!FActive) return;
  const std::vector<TDBSum*> Sums = TakingPart();
  ResolveFields(Sums);
  for (TDBSum* Sum : Sums) {
    if (Sum->FGroupOperation != goAvg) {
      Sum->FSumValue = Nearest((long double)Sum->FSumValue - Sum->Contribution());
      continue;
    }
    if (Sum->HasNumber()) {
      Sum->FAccumulator = Nearest((long double)Sum->FAccumulator - Scaled(Sum->FField));
      --Sum->FValueCount;
    }
    Sum->TakeAverage();
  }
  if (VirtualMode()) {
    const Integer I = FindVirtualRecordIndex(FDataSet->GetBookmark());
    if (I >= 0) FVirtualRecList->Delete(I);
  }
  DoSumListChanged();
}

void TDBSumListProducer::DataSetAfterCancel(TDataSet* DataSet) {
  if (FSavedAfterCancel) FSavedAfterCancel(DataSet);
  FPendingInsert = false;
}

void TDBSumListProducer::DataSetAfterClose(TDataSet* DataSet) {
  if (FActive) {
    ClearSumValues();
    DoSumListChanged();
    FRecalculating = false;
  }
  FVirtualRecList->Clear();
  if (FSavedAfterClose) FSavedAfterClose(DataSet);
}

void TDBSumListProducer::DataSetAfterOpen(TDataSet* DataSet) {
  if (FActive) RecalcAll();
  if (FSavedAfterOpen) FSavedAfterOpen(DataSet);
}

void TDBSumListProducer::DataSetAfterScroll(TDataSet* DataSet) {
  if (FSavedAfterScroll) FSavedAfterScroll(DataSet);
  if (!FActive || FRecalculating || !FDataSet) return;
  const bool Filtered = FDataSet->GetFiltered();
  if (Filtered != FSavedFiltered || (Filtered && FDataSet->GetFilter() != FSavedFilterText)) RecalcAll();
}

void TDBSumListProducer::MasterDataChanged(TDataSet* DataSet) {
  if (FSavedMasterAfterScroll) FSavedMasterAfterScroll(DataSet);
  if (FActive && !FRecalculating) RecalcAll();
}

// ---- Record numbers through the virtual records ---------------------------------------------------------------
bool TDBSumListProducer::IsSequenced() {
  if (FDataSet && FDataSet->IsSequenced()) return true;
  if (!FDataSet || !FVirtualRecords || !FActive) return false;
  return FVirtualRecList->Count() > 0 || (FDataSet->GetBof() && FDataSet->GetEof());
}

Integer TDBSumListProducer::GetRecNo() {
  if (VirtualMode() && FActive) return FindVirtualRecordIndex(FDataSet->GetBookmark()) + 1;
  return FDataSet ? FDataSet->GetRecNo() : 0;
}

void TDBSumListProducer::SetRecNo(Integer Value) {
  if (VirtualMode() && FActive) {
    if (Value >= 1 && Value <= FVirtualRecList->Count()) FDataSet->GotoBookmark(FVirtualRecList->Items(Value - 1));
    return;
  }
  if (FDataSet) FDataSet->SetRecNo(Value);
}

Integer TDBSumListProducer::GetRecordCount() {
  if (VirtualMode() && FActive) return FVirtualRecList->Count();
  return FDataSet ? FDataSet->GetRecordCount() : 0;
}

Integer TDBSumListProducer::FindVirtualRecordIndex(const TBookmark& Bookmark) {
  const Integer N = FVirtualRecList->Count();
  if (N == 0 || Bookmark.IsNil() || !FDataSet) return -1;
  if (FLastFoundIndex < 0 || FLastFoundIndex >= N) FLastFoundIndex = 0;
  Integer I = FLastFoundIndex;
  const Integer First = FDataSet->CompareBookmarks(FVirtualRecList->Items(I), Bookmark);
  if (First == 0) return I;
  const Integer Step = First > 0 ? -1 : 1;
  for (I += Step; I >= 0 && I < N; I += Step) {
    if (FDataSet->CompareBookmarks(FVirtualRecList->Items(I), Bookmark) == 0) {
      FLastFoundIndex = I;
      return I;
    }
  }
  return -1;
}
