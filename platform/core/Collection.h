#pragma once
// TCollection: an ordered, owned list of TCollectionItem objects of one item
// class, which it creates through the class's factory. Items know their
// collection, position and a unique ID; changes reach the collection's Update.

#include <type_traits>
#include <vector>

#include "platform/core/Component.h"

class TCollection;
class TCollectionItem;

// The item metaclass: the class descriptor and a factory taking the collection.
struct TCollectionItemClassInfo {
  TClass Class;
  TCollectionItem* (*Create)(TCollection* Collection);
};
using TCollectionItemClass = const TCollectionItemClassInfo*;

namespace borrow_detail {
template <class T>
TCollectionItem* CollectionItemCreate(TCollection* Collection) {
  return new T(Collection);
}
template <class T>
constexpr TCollectionItem* (*CollectionItemFactoryOf())(TCollection*) {
  if constexpr (std::is_constructible_v<T, TCollection*> && !std::is_abstract_v<T>) return &CollectionItemCreate<T>;
  else return nullptr;
}
}  // namespace borrow_detail

// Put in the public section of every collection item class instead of BORROW_CLASS.
#define BORROW_COLLECTION_ITEM(Self, Base)                                                                           \
  BORROW_CLASS(Self, Base)                                                                                           \
  static TCollectionItemClass StaticItemClass() {                                                                    \
    static const TCollectionItemClassInfo info{Self::StaticClass(), borrow_detail::CollectionItemFactoryOf<Self>()}; \
    return &info;                                                                                                    \
  }

enum TCollectionNotification { cnAdded, cnExtracting, cnDeleting };

class TCollectionItem : public TPersistent {
public:
  BORROW_CLASS(TCollectionItem, TPersistent)
  static TCollectionItemClass StaticItemClass();

  explicit TCollectionItem(TCollection* Collection);
  ~TCollectionItem() override;
  TCollectionItem(const TCollectionItem&) = delete;
  TCollectionItem& operator=(const TCollectionItem&) = delete;

  TCollection* GetCollection() const { return FCollection; }
  // Moves the item to another collection (or out of any, with nullptr).
  virtual void SetCollection(TCollection* Value);
  Integer GetID() const { return FID; }
  Integer GetIndex() const;
  virtual void SetIndex(Integer Value);
  virtual String GetDisplayName() const;
  virtual void SetDisplayName(const String&) {}
  String GetNamePath() const override;

protected:
  // Tells the collection: AllItems when the change may touch the others too.
  void Changed(bool AllItems);
  TPersistent* GetOwner() const override;

private:
  friend class TCollection;
  TCollection* FCollection = nullptr;
  Integer FID = 0;
};

class TCollection : public TPersistent {
public:
  BORROW_CLASS(TCollection, TPersistent)
  explicit TCollection(TCollectionItemClass ItemClass);
  ~TCollection() override;
  TCollection(const TCollection&) = delete;
  TCollection& operator=(const TCollection&) = delete;

  TCollectionItem* Add();
  TCollectionItem* Insert(Integer Index);
  void Delete(Integer Index);
  virtual void Clear();
  void BeginUpdate();
  virtual void EndUpdate();
  TCollectionItem* FindItemID(Integer ID) const;
  void Assign(TPersistent* Source) override;
  String GetNamePath() const override;

  Integer GetCount() const { return static_cast<Integer>(FItems.size()); }
  TCollectionItem* GetItem(Integer Index) const;
  // Assigns Value into the item at Index.
  void SetItem(Integer Index, TCollectionItem* Value);
  TCollectionItem* Items(Integer Index) const { return GetItem(Index); }
  TCollectionItemClass GetItemClass() const { return FItemClass; }
  Integer GetUpdateCount() const { return FUpdateCount; }
  TPersistent* GetOwner() const override { return nullptr; }
  TPersistent* Owner() const { return GetOwner(); }

protected:
  // Item null: the whole collection changed.
  virtual void Update(TCollectionItem* Item);
  virtual void Notify(TCollectionItem* Item, TCollectionNotification Action);
  virtual void Added(TCollectionItem*) {}
  virtual void Deleting(TCollectionItem*) {}
  void Changed();

private:
  friend class TCollectionItem;
  void InsertItem(TCollectionItem* Item);
  void RemoveItem(TCollectionItem* Item);
  void MoveItem(TCollectionItem* Item, Integer NewIndex);

  TCollectionItemClass FItemClass;
  std::vector<TCollectionItem*> FItems;
  Integer FUpdateCount = 0;
  Integer FNextID = 0;
};

// A collection that names its owner (for name paths and the streaming of properties).
class TOwnedCollection : public TCollection {
public:
  BORROW_CLASS(TOwnedCollection, TCollection)
  TOwnedCollection(TPersistent* AOwner, TCollectionItemClass ItemClass) : TCollection(ItemClass), FOwner(AOwner) {}
  TPersistent* GetOwner() const override { return FOwner; }

private:
  TPersistent* FOwner;
};

inline TCollectionItemClass TCollectionItem::StaticItemClass() {
  static const TCollectionItemClassInfo info{TCollectionItem::StaticClass(),
                                             borrow_detail::CollectionItemFactoryOf<TCollectionItem>()};
  return &info;
}
