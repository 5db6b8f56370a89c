#include "platform/core/Component.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/core/Collection.h"

namespace {

// A component that counts its destruction and remembers removals it heard of.
class TProbe : public TComponent {
public:
  BORROW_COMPONENT(TProbe, TComponent)
  explicit TProbe(TComponent* AOwner, int* freed = nullptr) : TComponent(AOwner), Freed(freed) {}
  ~TProbe() override {
    if (Freed) ++*Freed;
  }
  TComponent* Link = nullptr;
  std::vector<TComponent*> Removed;
  int* Freed;

  void SetLink(TComponent* Value) {
    if (Link) RemoveFreeNotification(Link);
    Link = Value;
    if (Link) Link->FreeNotification(this);
  }

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override {
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove) {
      Removed.push_back(AComponent);
      if (AComponent == Link) Link = nullptr;
    }
  }
};

class TProbeChild : public TProbe {
public:
  BORROW_COMPONENT(TProbeChild, TProbe)
  using TProbe::TProbe;
};

class TProbeGrandChild : public TProbeChild {
public:
  BORROW_COMPONENT(TProbeGrandChild, TProbeChild)
  using TProbeChild::TProbeChild;
};

TEST(ComponentOwnership, OwnerFreesItsComponents) {
  int freed = 0;
  auto* owner = new TProbe(nullptr, &freed);
  auto* a = new TProbe(owner, &freed);
  new TProbe(a, &freed);  // owned by a, freed with it
  new TProbe(owner, &freed);
  EXPECT_EQ(owner->GetComponentCount(), 2);
  EXPECT_EQ(a->GetComponentIndex(), 0);
  EXPECT_EQ(a->GetOwner(), owner);
  delete owner;
  EXPECT_EQ(freed, 4);
}

TEST(ComponentOwnership, FreeingAnOwnedComponentLeavesTheOwnersList) {
  TProbe owner(nullptr);
  auto* a = new TProbe(&owner);
  auto* b = new TProbe(&owner);
  delete a;
  ASSERT_EQ(owner.GetComponentCount(), 1);
  EXPECT_EQ(owner.Components(0), b);
  EXPECT_THROW(owner.Components(1), EListError);
}

TEST(ComponentOwnership, InsertAndRemoveTellTheOwnerAndSiblings) {
  TProbe owner(nullptr);
  auto* sibling = new TProbe(&owner);
  TProbe stray(nullptr);
  owner.InsertComponent(&stray);
  EXPECT_EQ(stray.GetOwner(), &owner);
  owner.RemoveComponent(&stray);
  EXPECT_EQ(stray.GetOwner(), nullptr);
  ASSERT_EQ(sibling->Removed.size(), 1u);
  EXPECT_EQ(sibling->Removed[0], &stray);
}

// Frees a sibling when it hears of a removal.
class TKiller : public TComponent {
public:
  BORROW_COMPONENT(TKiller, TComponent)
  using TComponent::TComponent;
  TComponent* Victim = nullptr;

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override {
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove && Victim) {
      TComponent* v = Victim;
      Victim = nullptr;
      delete v;
    }
  }
};

TEST(ComponentOwnership, SiblingFreedDuringANotificationIsSkipped) {
  TProbe owner(nullptr);
  auto* leaving = new TProbe(&owner);
  auto* killer = new TKiller(&owner);
  auto* victim = new TProbe(&owner);
  auto* last = new TProbe(&owner);
  killer->Victim = victim;
  delete leaving;  // the walk must not reach the freed victim (ASan reports it)
  EXPECT_EQ(owner.GetComponentCount(), 2);
  // The last sibling heard of both: the victim (freed inside the walk), then the one leaving.
  EXPECT_EQ(last->Removed, (std::vector<TComponent*>{victim, leaving}));
}

TEST(ComponentNames, ValidAndUniqueAmongSiblings) {
  TProbe owner(nullptr);
  auto* a = new TProbe(&owner);
  auto* b = new TProbe(&owner);
  a->SetName(u"DataStruct");
  EXPECT_THROW(b->SetName(u"datastruct"), EComponentError);
  EXPECT_THROW(b->SetName(u"1abc"), EComponentError);
  EXPECT_THROW(b->SetName(u"Имя"), EComponentError);
  b->SetName(u"RecordsList");
  EXPECT_EQ(owner.FindComponent(u"RECORDSLIST"), b);
  EXPECT_EQ(owner.FindComponent(u"nothing"), nullptr);
  a->SetName(u"DATASTRUCT");  // its own name in other case is no clash
  EXPECT_EQ(a->GetName(), u"DATASTRUCT");

  TProbe other(nullptr);
  auto* named = new TProbe(&other);
  named->SetName(u"RecordsList");
  EXPECT_THROW(owner.InsertComponent(named), EComponentError);
  EXPECT_EQ(named->GetOwner(), &other) << "a refused component stays where it was";
}

TEST(ComponentFreeNotification, FreedLinkTargetIsForgotten) {
  TProbe holder(nullptr);
  auto* target = new TProbe(nullptr);
  holder.SetLink(target);
  delete target;
  EXPECT_EQ(holder.Link, nullptr);
}

TEST(ComponentFreeNotification, FreedHolderIsForgottenByTheTarget) {
  TProbe target(nullptr);
  auto* holder = new TProbe(nullptr);
  holder->SetLink(&target);
  target.FreeNotification(holder);
  delete holder;
  ASSERT_EQ(target.Removed.size(), 1u);
  EXPECT_FALSE(target.GetComponentState().Contains(csFreeNotification));
  // The target must not call the freed holder when it goes in turn (ASan catches it).
}

TEST(ComponentFreeNotification, RemovedLinkIsNotNotified) {
  auto* target = new TProbe(nullptr);
  TProbe holder(nullptr);
  holder.SetLink(target);
  holder.SetLink(nullptr);
  delete target;
  EXPECT_TRUE(holder.Removed.empty());
}

TEST(ComponentState, DestroyingAndDesigningReachChildren) {
  TProbe owner(nullptr);
  auto* child = new TProbe(&owner);
  owner.SetDesigning(true);
  EXPECT_TRUE(child->GetComponentState().Contains(csDesigning));
  auto* late = new TProbe(&owner);
  EXPECT_TRUE(late->GetComponentState().Contains(csDesigning));
  owner.Loading();
  EXPECT_TRUE(owner.GetComponentState().Contains(csLoading));
  owner.Loaded();
  EXPECT_FALSE(owner.GetComponentState().Contains(csLoading));
}

TEST(ClassRegistry, RegisterFindAndUnregister) {
  RegisterClasses({TProbe::StaticComponentClass(), TProbeChild::StaticComponentClass()});
  EXPECT_EQ(GetClass(u"tprobe"), TProbe::StaticComponentClass());
  EXPECT_EQ(FindClass(u"TProbeChild"), TProbeChild::StaticComponentClass());
  TComponent* made = FindClass(u"TProbeChild")->Create(nullptr);
  EXPECT_EQ(made->ClassName(), u"TProbeChild");
  delete made;

  UnRegisterClass(TProbeChild::StaticComponentClass());
  EXPECT_EQ(GetClass(u"TProbeChild"), nullptr);
  try {
    FindClass(u"TProbeChild");
    FAIL();
  } catch (const EClassNotFound& e) {
    EXPECT_EQ(e.Message(), u"Class TProbeChild not found");
  }
  UnRegisterClass<TProbe>();
}

TEST(ClassRegistry, NearestRegisteredAncestor) {
  RegisterClass<TProbe>();
  EXPECT_EQ(FindRegisteredAncestor(TProbeGrandChild::StaticClass()), TProbe::StaticComponentClass());
  RegisterClass<TProbeGrandChild>();
  EXPECT_EQ(FindRegisteredAncestor(TProbeGrandChild::StaticClass()), TProbeGrandChild::StaticComponentClass());
  EXPECT_EQ(FindRegisteredAncestor(TComponent::StaticClass()), nullptr);
  UnRegisterClass<TProbeGrandChild>();
  UnRegisterClass<TProbe>();
}

// ---- Collections

class TColumn : public TCollectionItem {
public:
  BORROW_COLLECTION_ITEM(TColumn, TCollectionItem)
  using TCollectionItem::TCollectionItem;
  String Title;
  void Assign(TPersistent* Source) override {
    if (auto* c = dynamic_cast<TColumn*>(Source)) {
      Title = c->Title;
      return;
    }
    TCollectionItem::Assign(Source);
  }
  String GetDisplayName() const override { return Title.empty() ? TCollectionItem::GetDisplayName() : Title; }
  void Touch() { Changed(false); }
};

class TColumns : public TCollection {
public:
  BORROW_CLASS(TColumns, TCollection)
  TColumns() : TCollection(TColumn::StaticItemClass()) {}
  std::vector<TCollectionItem*> Updates;

protected:
  void Update(TCollectionItem* Item) override { Updates.push_back(Item); }
};

TEST(CollectionItems, AddInsertMoveDelete) {
  TColumns cols;
  auto* a = static_cast<TColumn*>(cols.Add());
  auto* b = static_cast<TColumn*>(cols.Add());
  auto* c = static_cast<TColumn*>(cols.Insert(0));
  EXPECT_EQ(cols.GetCount(), 3);
  EXPECT_EQ(c->GetIndex(), 0);
  EXPECT_EQ(a->GetIndex(), 1);
  EXPECT_NE(a->GetID(), b->GetID());
  EXPECT_EQ(cols.FindItemID(b->GetID()), b);
  b->SetIndex(0);
  EXPECT_EQ(cols.Items(0), b);
  const Integer cID = c->GetID();
  cols.Delete(1);
  EXPECT_EQ(cols.GetCount(), 2);
  EXPECT_EQ(cols.FindItemID(cID), nullptr);
  EXPECT_THROW(cols.Items(2), EListError);
  delete a;
  EXPECT_EQ(cols.GetCount(), 1);
}

TEST(CollectionItems, UpdatesWaitForEndUpdate) {
  TColumns cols;
  auto* a = static_cast<TColumn*>(cols.Add());
  cols.Updates.clear();
  a->Touch();
  ASSERT_EQ(cols.Updates.size(), 1u);
  EXPECT_EQ(cols.Updates[0], a);
  cols.BeginUpdate();
  a->Touch();
  cols.Add();
  EXPECT_EQ(cols.Updates.size(), 1u);
  cols.EndUpdate();
  ASSERT_EQ(cols.Updates.size(), 2u);
  EXPECT_EQ(cols.Updates[1], nullptr);
}

TEST(CollectionItems, AssignCopiesItems) {
  TColumns a, b;
  static_cast<TColumn*>(a.Add())->Title = u"Автор";
  static_cast<TColumn*>(a.Add())->Title = u"Заглавие";
  b.Add();
  b.Assign(&a);
  ASSERT_EQ(b.GetCount(), 2);
  EXPECT_EQ(b.Items(1)->GetDisplayName(), u"Заглавие");
  EXPECT_EQ(b.Items(0)->GetNamePath(), u"TColumns[0]");
}

}  // namespace
