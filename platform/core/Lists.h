#pragma once
// TList: an ordered list of untyped pointers; TListT<T>: the same list typed;
// TObjectList: a list that frees its objects when it owns them.

#include <vector>

#include "platform/core/Exceptions.h"

using TListSortCompare = int (*)(void* Item1, void* Item2);

enum TListNotification { lnAdded, lnExtracted, lnDeleted };

class TList : public TObject {
public:
  BORROW_CLASS(TList, TObject)
  TList() = default;
  ~TList() override;
  TList(const TList&) = delete;
  TList& operator=(const TList&) = delete;

  Integer Add(void* Item);
  void Insert(Integer Index, void* Item);
  void Delete(Integer Index);
  Integer Remove(void* Item);
  void* Extract(void* Item);
  Integer IndexOf(void* Item) const;
  void Exchange(Integer Index1, Integer Index2);
  void Move(Integer CurIndex, Integer NewIndex);
  void Sort(TListSortCompare Compare);
  virtual void Clear();
  // Drops nil entries.
  void Pack();
  void* First() const;
  void* Last() const;

  Integer GetCount() const { return static_cast<Integer>(FList.size()); }
  void SetCount(Integer NewCount);
  Integer GetCapacity() const { return static_cast<Integer>(FList.capacity()); }
  void SetCapacity(Integer NewCapacity);
  void* GetItem(Integer Index) const;
  void SetItem(Integer Index, void* Item);

  // Raises EListError with the given text, "%d" replaced by Data.
  [[noreturn]] static void Error(const String& Msg, Integer Data);

protected:
  // Called after an item enters the list, or before/after it leaves (see the action).
  virtual void Notify(void* Ptr, TListNotification Action);
  void CheckIndex(Integer Index) const;

private:
  std::vector<void*> FList;
};

// A typed view over TList for lists of T*.
template <class T>
class TListT : public TList {
public:
  Integer Add(T* Item) { return TList::Add(Item); }
  void Insert(Integer Index, T* Item) { TList::Insert(Index, Item); }
  Integer Remove(T* Item) { return TList::Remove(Item); }
  T* Extract(T* Item) { return static_cast<T*>(TList::Extract(Item)); }
  Integer IndexOf(T* Item) const { return TList::IndexOf(Item); }
  T* GetItem(Integer Index) const { return static_cast<T*>(TList::GetItem(Index)); }
  void SetItem(Integer Index, T* Item) { TList::SetItem(Index, Item); }
  T* operator[](Integer Index) const { return GetItem(Index); }
  T* First() const { return static_cast<T*>(TList::First()); }
  T* Last() const { return static_cast<T*>(TList::Last()); }
};

class TObjectList : public TList {
public:
  BORROW_CLASS(TObjectList, TList)
  TObjectList() = default;
  explicit TObjectList(bool AOwnsObjects) : FOwnsObjects(AOwnsObjects) {}
  ~TObjectList() override;

  Integer Add(TObject* AObject) { return TList::Add(AObject); }
  void Insert(Integer Index, TObject* AObject) { TList::Insert(Index, AObject); }
  Integer Remove(TObject* AObject) { return TList::Remove(AObject); }
  TObject* Extract(TObject* Item) { return static_cast<TObject*>(TList::Extract(Item)); }
  Integer IndexOf(TObject* AObject) const { return TList::IndexOf(AObject); }
  TObject* GetItem(Integer Index) const { return static_cast<TObject*>(TList::GetItem(Index)); }
  void SetItem(Integer Index, TObject* AObject) { TList::SetItem(Index, AObject); }
  TObject* operator[](Integer Index) const { return GetItem(Index); }

  bool GetOwnsObjects() const { return FOwnsObjects; }
  void SetOwnsObjects(bool Value) { FOwnsObjects = Value; }

protected:
  void Notify(void* Ptr, TListNotification Action) override;

private:
  bool FOwnsObjects = true;
};
