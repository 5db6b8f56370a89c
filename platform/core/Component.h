#pragma once
// TPersistent and TComponent: assignable objects, and components that own one
// another, carry names, and hear of each other's destruction (free notification).
// Also the component metaclass and the class registry that streaming resolves
// class names through.
//
// C++ note: an owner frees its components in TComponent's destructor, after the
// owner's derived parts are gone. A descendant whose members must outlive its
// components calls DestroyComponents() in its own destructor.

#include <functional>
#include <initializer_list>
#include <type_traits>
#include <vector>

#include "platform/core/Exceptions.h"

class TFiler;
class TReader;
class TWriter;
class TComponent;
struct TPropInfo;

BORROW_EXCEPTION(EComponentError, Exception)

class TPersistent : public TObject {
public:
  BORROW_CLASS(TPersistent, TObject)
  ~TPersistent() override = default;

  // Copies Source into this object; when neither side knows the other, raises
  // EConvertError "Cannot assign a <source class> to a <this class>".
  virtual void Assign(TPersistent* Source);
  virtual String GetNamePath() const;

protected:
  virtual void AssignTo(TPersistent* Dest);
  virtual void DefineProperties(TFiler* Filer);
  virtual TPersistent* GetOwner() const { return nullptr; }
  // The published properties streaming reads and writes, in order. A descendant
  // calls the inherited one first, then appends its own (see TPropInfo in Filer.h).
  virtual void GetPropInfos(std::vector<TPropInfo>& Props);
  friend class TFiler;
  friend class TReader;
  friend class TWriter;
};

// The component metaclass: the class descriptor and a factory taking the owner.
struct TComponentClassInfo {
  TClass Class;
  TComponent* (*Create)(TComponent* AOwner);
};
using TComponentClass = const TComponentClassInfo*;

namespace borrow_detail {
template <class T>
TComponent* ComponentCreate(TComponent* AOwner) {
  return new T(AOwner);
}
template <class T>
constexpr TComponent* (*ComponentFactoryOf())(TComponent*) {
  if constexpr (std::is_constructible_v<T, TComponent*> && !std::is_abstract_v<T>) return &ComponentCreate<T>;
  else return nullptr;
}
}  // namespace borrow_detail

// Put in the public section of every component class instead of BORROW_CLASS.
#define BORROW_COMPONENT(Self, Base)                                                                       \
  BORROW_CLASS(Self, Base)                                                                                 \
  static TComponentClass StaticComponentClass() {                                                          \
    static const TComponentClassInfo info{Self::StaticClass(), borrow_detail::ComponentFactoryOf<Self>()}; \
    return &info;                                                                                          \
  }                                                                                                        \
  TComponentClass ComponentClassType() const override { return StaticComponentClass(); }

enum TOperation { opInsert, opRemove };

enum TComponentStateItem {
  csLoading,
  csReading,
  csWriting,
  csDestroying,
  csDesigning,
  csAncestor,
  csUpdating,
  csFixups,
  csFreeNotification,
  csInline,
  csDesignInstance
};

// A set of TComponentStateItem.
class TComponentState {
public:
  constexpr TComponentState() = default;
  constexpr TComponentState(std::initializer_list<TComponentStateItem> items) {
    for (auto i : items) Include(i);
  }
  constexpr bool Contains(TComponentStateItem i) const { return (FBits >> i) & 1u; }
  constexpr void Include(TComponentStateItem i) { FBits |= 1u << i; }
  constexpr void Exclude(TComponentStateItem i) { FBits &= ~(1u << i); }
  constexpr bool Empty() const { return FBits == 0; }
  friend constexpr bool operator==(TComponentState, TComponentState) = default;

private:
  unsigned FBits = 0;
};

using TGetChildProc = std::function<void(TComponent* Child)>;

class TComponent : public TPersistent {
public:
  BORROW_CLASS(TComponent, TPersistent)
  static TComponentClass StaticComponentClass();
  virtual TComponentClass ComponentClassType() const { return StaticComponentClass(); }

  explicit TComponent(TComponent* AOwner);
  ~TComponent() override;
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  // Ownership.
  TComponent* GetOwner() const override { return FOwner; }
  Integer GetComponentCount() const { return static_cast<Integer>(FComponents.size()); }
  TComponent* GetComponent(Integer Index) const;
  TComponent* Components(Integer Index) const { return GetComponent(Index); }
  Integer GetComponentIndex() const;
  void SetComponentIndex(Integer Value);
  void InsertComponent(TComponent* AComponent);
  void RemoveComponent(TComponent* AComponent);
  void DestroyComponents();
  // The owned component of that name (without regard to case), or nullptr.
  TComponent* FindComponent(const String& AName) const;

  // Name: a valid identifier or empty, unique among the owner's components.
  const String& GetName() const { return FName; }
  virtual void SetName(const String& NewName);
  String GetNamePath() const override { return FName; }

  Int64 GetTag() const { return FTag; }
  void SetTag(Int64 Value) { FTag = Value; }

  // Free notification: each side is told through Notification(opRemove) when the other
  // is destroyed. The link is kept in both directions so neither can dangle.
  void FreeNotification(TComponent* AComponent);
  void RemoveFreeNotification(TComponent* AComponent);

  TComponentState GetComponentState() const { return FComponentState; }
  void SetDesigning(bool Value, bool SetChildren = true);
  void SetInline(bool Value);
  void Destroying();
  void Updating() { FComponentState.Include(csUpdating); }
  void Updated() { FComponentState.Exclude(csUpdating); }

  // Streaming.
  virtual void GetChildren(const TGetChildProc& Proc, TComponent* Root);
  virtual TComponent* GetParentComponent() const { return nullptr; }
  virtual bool HasParent() const { return false; }
  virtual void SetParentComponent(TComponent*) {}
  virtual void Loaded();
  virtual void ReadState(TReader* Reader);
  virtual void WriteState(TWriter* Writer);
  void Loading() { FComponentState.Include(csLoading); }
  void SetReading(bool Value) { Value ? FComponentState.Include(csReading) : FComponentState.Exclude(csReading); }
  void SetWriting(bool Value) { Value ? FComponentState.Include(csWriting) : FComponentState.Exclude(csWriting); }
  void SetAncestor(bool Value);

  static bool IsValidIdent(const String& Ident);

protected:
  virtual void Notification(TComponent* AComponent, TOperation Operation);
  virtual void ValidateRename(TComponent* AComponent, const String& CurName, const String& NewName);
  virtual void ValidateInsert(TComponent*) {}
  virtual void ChangeName(const String& NewName) { FName = NewName; }
  void GetPropInfos(std::vector<TPropInfo>& Props) override;
  friend class TReader;

private:
  void Insert(TComponent* AComponent);
  void Remove(TComponent* AComponent);
  void NotifyAll(TComponent* AComponent, TOperation Operation);

  TComponent* FOwner = nullptr;
  String FName;
  Int64 FTag = 0;
  std::vector<TComponent*> FComponents;
  unsigned FComponentsVersion = 0;  // bumped by every insertion and removal
  std::vector<TComponent*> FFreeNotifies;
  TComponentState FComponentState;
};

inline TComponentClass TComponent::StaticComponentClass() {
  static const TComponentClassInfo info{TComponent::StaticClass(), borrow_detail::ComponentFactoryOf<TComponent>()};
  return &info;
}

// The class registry, keyed by class name (without regard to case).
void RegisterClass(TComponentClass AClass);
void RegisterClasses(std::initializer_list<TComponentClass> AClasses);
void UnRegisterClass(TComponentClass AClass);
void UnRegisterClasses(std::initializer_list<TComponentClass> AClasses);
// Null when no class of that name is registered.
TComponentClass GetClass(const String& AClassName);
// Raises EClassNotFound "Class <name> not found".
TComponentClass FindClass(const String& ClassName);
// The registered class nearest to AClass on its parent chain (AClass itself
// included), or null.
TComponentClass FindRegisteredAncestor(TClass AClass);

template <class T>
void RegisterClass() {
  RegisterClass(T::StaticComponentClass());
}
template <class T>
void UnRegisterClass() {
  UnRegisterClass(T::StaticComponentClass());
}
