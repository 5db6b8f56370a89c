#include "platform/core/Collection.h"

#include <algorithm>

#include "platform/core/Lists.h"
#include "platform/core/WithUpdate.h"

// ---- TCollectionItem

TCollectionItem::TCollectionItem(TCollection* Collection) { SetCollection(Collection); }

TCollectionItem::~TCollectionItem() {
  if (FCollection) FCollection->RemoveItem(this);
}

void TCollectionItem::SetCollection(TCollection* Value) {
  if (FCollection == Value) return;
  if (FCollection) FCollection->RemoveItem(this);
  if (Value) Value->InsertItem(this);
}

Integer TCollectionItem::GetIndex() const {
  if (!FCollection) return -1;
  const auto& items = FCollection->FItems;
  const auto it = std::find(items.begin(), items.end(), this);
  return it == items.end() ? -1 : static_cast<Integer>(it - items.begin());
}

void TCollectionItem::SetIndex(Integer Value) {
  if (!FCollection) return;
  const Integer cur = GetIndex();
  if (cur >= 0 && cur != Value) {
    FCollection->MoveItem(this, Value);
    Changed(true);
  }
}

String TCollectionItem::GetDisplayName() const { return ClassName(); }

String TCollectionItem::GetNamePath() const {
  if (!FCollection) return ClassName();
  const std::string idx = std::to_string(GetIndex());
  return FCollection->GetNamePath() + u"[" + String(idx.begin(), idx.end()) + u"]";
}

void TCollectionItem::Changed(bool AllItems) {
  if (FCollection && FCollection->FUpdateCount == 0) FCollection->Update(AllItems ? nullptr : this);
}

TPersistent* TCollectionItem::GetOwner() const { return FCollection; }

// ---- TCollection

TCollection::TCollection(TCollectionItemClass ItemClass) : FItemClass(ItemClass) {}

TCollection::~TCollection() {
  FUpdateCount = 1;  // nothing to tell while going away
  while (!FItems.empty()) delete FItems.back();
}

TCollectionItem* TCollection::Add() {
  if (!FItemClass || !FItemClass->Create) throw EInvalidOperation(u"Collection item class cannot be created");
  TCollectionItem* item = FItemClass->Create(this);
  if (item->FCollection != this) item->SetCollection(this);
  Notify(item, cnAdded);
  return item;
}

TCollectionItem* TCollection::Insert(Integer Index) {
  TCollectionItem* item = Add();
  item->SetIndex(Index);
  return item;
}

void TCollection::Delete(Integer Index) {
  TCollectionItem* item = GetItem(Index);
  Notify(item, cnDeleting);
  delete item;
}

void TCollection::Clear() {
  if (FItems.empty()) return;
  WithUpdate(*this, [&] {
    while (!FItems.empty()) delete FItems.back();
  });
}

void TCollection::BeginUpdate() { ++FUpdateCount; }

void TCollection::EndUpdate() {
  if (FUpdateCount <= 0) return;
  --FUpdateCount;
  Changed();
}

void TCollection::Changed() {
  if (FUpdateCount == 0) Update(nullptr);
}

void TCollection::Update(TCollectionItem*) {}

void TCollection::Notify(TCollectionItem* Item, TCollectionNotification Action) {
  if (Action == cnAdded) Added(Item);
  else if (Action == cnDeleting) Deleting(Item);
}

TCollectionItem* TCollection::FindItemID(Integer ID) const {
  for (TCollectionItem* item : FItems)
    if (item->FID == ID) return item;
  return nullptr;
}

TCollectionItem* TCollection::GetItem(Integer Index) const {
  if (Index < 0 || Index >= GetCount()) TList::Error(u"List index out of bounds (%d)", Index);
  return FItems[static_cast<size_t>(Index)];
}

void TCollection::SetItem(Integer Index, TCollectionItem* Value) { GetItem(Index)->Assign(Value); }

void TCollection::Assign(TPersistent* Source) {
  if (auto* src = dynamic_cast<TCollection*>(Source)) {
    if (src == this) return;
    WithUpdate(*this, [&] {
      Clear();
      for (TCollectionItem* item : src->FItems) Add()->Assign(item);
    });
    return;
  }
  TPersistent::Assign(Source);
}

String TCollection::GetNamePath() const {
  TPersistent* owner = GetOwner();
  if (!owner) return ClassName();
  const String path = owner->GetNamePath();
  return path.empty() ? ClassName() : path + u"." + ClassName();
}

void TCollection::InsertItem(TCollectionItem* Item) {
  FItems.push_back(Item);
  Item->FCollection = this;
  Item->FID = FNextID++;
  Changed();
}

void TCollection::RemoveItem(TCollectionItem* Item) {
  std::erase(FItems, Item);
  Item->FCollection = nullptr;
  Changed();
}

void TCollection::MoveItem(TCollectionItem* Item, Integer NewIndex) {
  const auto it = std::find(FItems.begin(), FItems.end(), Item);
  if (it == FItems.end()) return;
  FItems.erase(it);
  NewIndex = std::clamp<Integer>(NewIndex, 0, GetCount());
  FItems.insert(FItems.begin() + NewIndex, Item);
}
