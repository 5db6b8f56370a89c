#include "platform/core/Lists.h"

#include <algorithm>
#include <string>

namespace {
const char16_t* const SListIndexError = u"List index out of bounds (%d)";
const char16_t* const SListCountError = u"List count out of bounds (%d)";
const char16_t* const SListCapacityError = u"List capacity out of bounds (%d)";
}  // namespace

TList::~TList() {
  // Derived lists are already gone here, so their Notify is not called: they clear themselves.
  FList.clear();
}

void TList::Error(const String& Msg, Integer Data) {
  String text = Msg;
  const auto at = text.find(u"%d");
  const std::string num = std::to_string(Data);
  if (at != String::npos) text.replace(at, 2, String(num.begin(), num.end()));
  throw EListError(text);
}

void TList::CheckIndex(Integer Index) const {
  if (Index < 0 || Index >= GetCount()) Error(SListIndexError, Index);
}

Integer TList::Add(void* Item) {
  FList.push_back(Item);
  if (Item) Notify(Item, lnAdded);
  return GetCount() - 1;
}

void TList::Insert(Integer Index, void* Item) {
  if (Index < 0 || Index > GetCount()) Error(SListIndexError, Index);
  FList.insert(FList.begin() + Index, Item);
  if (Item) Notify(Item, lnAdded);
}

void TList::Delete(Integer Index) {
  CheckIndex(Index);
  void* item = FList[Index];
  FList.erase(FList.begin() + Index);
  if (item) Notify(item, lnDeleted);
}

Integer TList::Remove(void* Item) {
  const Integer i = IndexOf(Item);
  if (i >= 0) Delete(i);
  return i;
}

void* TList::Extract(void* Item) {
  const Integer i = IndexOf(Item);
  if (i < 0) return nullptr;
  void* result = FList[i];
  FList.erase(FList.begin() + i);
  Notify(result, lnExtracted);
  return result;
}

Integer TList::IndexOf(void* Item) const {
  const auto it = std::find(FList.begin(), FList.end(), Item);
  return it == FList.end() ? -1 : static_cast<Integer>(it - FList.begin());
}

void TList::Exchange(Integer Index1, Integer Index2) {
  CheckIndex(Index1);
  CheckIndex(Index2);
  std::swap(FList[Index1], FList[Index2]);
}

void TList::Move(Integer CurIndex, Integer NewIndex) {
  if (CurIndex == NewIndex) return;
  CheckIndex(CurIndex);
  CheckIndex(NewIndex);
  void* item = FList[CurIndex];
  FList.erase(FList.begin() + CurIndex);
  FList.insert(FList.begin() + NewIndex, item);
}

void TList::Sort(TListSortCompare Compare) {
  if (!Compare || FList.size() < 2) return;
  std::stable_sort(FList.begin(), FList.end(), [Compare](void* a, void* b) { return Compare(a, b) < 0; });
}

void TList::Clear() {
  // Take the items out first so a Notify that touches the list sees it empty.
  std::vector<void*> old;
  old.swap(FList);
  for (auto it = old.rbegin(); it != old.rend(); ++it)
    if (*it) Notify(*it, lnDeleted);
}

void TList::Pack() { std::erase(FList, nullptr); }

void* TList::First() const { return GetItem(0); }
void* TList::Last() const { return GetItem(GetCount() - 1); }

void TList::SetCount(Integer NewCount) {
  if (NewCount < 0) Error(SListCountError, NewCount);
  while (GetCount() > NewCount) Delete(GetCount() - 1);
  FList.resize(static_cast<size_t>(NewCount), nullptr);
}

void TList::SetCapacity(Integer NewCapacity) {
  if (NewCapacity < GetCount()) Error(SListCapacityError, NewCapacity);
  FList.reserve(static_cast<size_t>(NewCapacity));
}

void* TList::GetItem(Integer Index) const {
  CheckIndex(Index);
  return FList[Index];
}

void TList::SetItem(Integer Index, void* Item) {
  CheckIndex(Index);
  void* old = FList[Index];
  if (old == Item) return;
  FList[Index] = Item;
  if (old) Notify(old, lnDeleted);
  if (Item) Notify(Item, lnAdded);
}

void TList::Notify(void*, TListNotification) {}

TObjectList::~TObjectList() { Clear(); }

void TObjectList::Notify(void* Ptr, TListNotification Action) {
  if (FOwnsObjects && Action == lnDeleted) delete static_cast<TObject*>(Ptr);
}
