#include "platform/core/Component.h"

#include <algorithm>
#include <map>
#include <mutex>

#include "platform/core/Filer.h"
#include "platform/core/Lists.h"

namespace {

String Fill(String text, const String& a, const String& b = String()) {
  auto at = text.find(u"%s");
  if (at != String::npos) {
    text.replace(at, 2, a);
    at = text.find(u"%s", at + a.size());
    if (at != String::npos) text.replace(at, 2, b);
  }
  return text;
}

Char AsciiUpper(Char c) { return (c >= u'a' && c <= u'z') ? Char(c - 32) : c; }

// Component names are identifiers (ASCII), so an ASCII fold is the whole of "without regard to case".
bool SameIdent(const String& a, const String& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
  return true;
}

String UpperIdent(const String& s) {
  String r = s;
  for (auto& c : r) c = AsciiUpper(c);
  return r;
}

// The one registry of the program: class names to component classes.
struct Registry {
  std::mutex Lock;
  std::map<String, TComponentClass> ByName;
};

Registry& TheRegistry() {
  static Registry r;
  return r;
}

}  // namespace

// ---- TPersistent

void TPersistent::Assign(TPersistent* Source) {
  if (Source) Source->AssignTo(this);
  else throw EConvertError(Fill(u"Cannot assign a %s to a %s", String(u"nil"), ClassName()));
}

void TPersistent::AssignTo(TPersistent* Dest) {
  throw EConvertError(Fill(u"Cannot assign a %s to a %s", ClassName(), Dest ? Dest->ClassName() : String(u"nil")));
}

void TPersistent::DefineProperties(TFiler*) {}

void TPersistent::GetPropInfos(std::vector<TPropInfo>&) {}

String TPersistent::GetNamePath() const { return ClassName(); }

// ---- TComponent

TComponent::TComponent(TComponent* AOwner) {
  if (AOwner) AOwner->InsertComponent(this);
}

TComponent::~TComponent() {
  Destroying();
  // Tell every linked component, taking each link out before the call so a
  // Notification that unlinks again finds nothing to do.
  while (!FFreeNotifies.empty()) {
    TComponent* other = FFreeNotifies.back();
    FFreeNotifies.pop_back();
    std::erase(other->FFreeNotifies, this);
    other->Notification(this, opRemove);
  }
  DestroyComponents();
  if (FOwner) FOwner->RemoveComponent(this);
}

TComponent* TComponent::GetComponent(Integer Index) const {
  if (Index < 0 || Index >= GetComponentCount()) TList::Error(u"List index out of bounds (%d)", Index);
  return FComponents[static_cast<size_t>(Index)];
}

Integer TComponent::GetComponentIndex() const {
  if (!FOwner) return -1;
  const auto& list = FOwner->FComponents;
  const auto it = std::find(list.begin(), list.end(), this);
  return it == list.end() ? -1 : static_cast<Integer>(it - list.begin());
}

void TComponent::SetComponentIndex(Integer Value) {
  if (!FOwner) return;
  auto& list = FOwner->FComponents;
  const Integer i = GetComponentIndex();
  if (i < 0) return;
  Value = std::clamp<Integer>(Value, 0, static_cast<Integer>(list.size()) - 1);
  if (Value == i) return;
  list.erase(list.begin() + i);
  list.insert(list.begin() + Value, this);
}

void TComponent::Insert(TComponent* AComponent) {
  ++FComponentsVersion;
  FComponents.push_back(AComponent);
  AComponent->FOwner = this;
}

void TComponent::Remove(TComponent* AComponent) {
  ++FComponentsVersion;
  AComponent->FOwner = nullptr;
  std::erase(FComponents, AComponent);
}

void TComponent::InsertComponent(TComponent* AComponent) {
  if (!AComponent || AComponent == this || AComponent->FOwner == this) return;
  // Checks first: a refused component stays with its present owner.
  ValidateInsert(AComponent);
  ValidateRename(AComponent, String(), AComponent->FName);
  if (AComponent->FOwner) AComponent->FOwner->RemoveComponent(AComponent);
  Insert(AComponent);
  if (FComponentState.Contains(csDesigning)) AComponent->SetDesigning(true);
  Notification(AComponent, opInsert);
}

void TComponent::RemoveComponent(TComponent* AComponent) {
  if (!AComponent || AComponent->FOwner != this) return;
  Notification(AComponent, opRemove);
  Remove(AComponent);
}

void TComponent::DestroyComponents() {
  // Last first, each taken out of the list before it is freed.
  while (!FComponents.empty()) {
    TComponent* c = FComponents.back();
    Remove(c);
    delete c;
  }
}

TComponent* TComponent::FindComponent(const String& AName) const {
  if (AName.empty()) return nullptr;
  for (TComponent* c : FComponents)
    if (SameIdent(c->FName, AName)) return c;
  return nullptr;
}

bool TComponent::IsValidIdent(const String& Ident) {
  if (Ident.empty()) return false;
  auto alpha = [](Char c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'_'; };
  if (!alpha(Ident[0])) return false;
  for (Char c : Ident)
    if (!alpha(c) && !(c >= u'0' && c <= u'9')) return false;
  return true;
}

void TComponent::SetName(const String& NewName) {
  if (FName == NewName) return;
  if (!NewName.empty() && !IsValidIdent(NewName))
    throw EComponentError(Fill(u"'%s' is not a valid component name", NewName));
  if (FOwner) FOwner->ValidateRename(this, FName, NewName);
  else ValidateRename(nullptr, FName, NewName);
  ChangeName(NewName);
}

void TComponent::ValidateRename(TComponent* AComponent, const String& CurName, const String& NewName) {
  if (!AComponent || NewName.empty() || SameIdent(CurName, NewName)) return;
  TComponent* other = FindComponent(NewName);
  if (other && other != AComponent) throw EComponentError(Fill(u"A component named %s already exists", NewName));
}

void TComponent::FreeNotification(TComponent* AComponent) {
  if (!AComponent || AComponent == this) return;
  if (std::find(FFreeNotifies.begin(), FFreeNotifies.end(), AComponent) == FFreeNotifies.end())
    FFreeNotifies.push_back(AComponent);
  if (std::find(AComponent->FFreeNotifies.begin(), AComponent->FFreeNotifies.end(), this) ==
      AComponent->FFreeNotifies.end())
    AComponent->FFreeNotifies.push_back(this);
  FComponentState.Include(csFreeNotification);
}

void TComponent::RemoveFreeNotification(TComponent* AComponent) {
  if (!AComponent) return;
  std::erase(FFreeNotifies, AComponent);
  std::erase(AComponent->FFreeNotifies, this);
  if (FFreeNotifies.empty()) FComponentState.Exclude(csFreeNotification);
}

void TComponent::Notification(TComponent* AComponent, TOperation Operation) {
  if (Operation == opRemove && AComponent) RemoveFreeNotification(AComponent);
  if (!FComponentState.Contains(csDestroying)) NotifyAll(AComponent, Operation);
}

void TComponent::NotifyAll(TComponent* AComponent, TOperation Operation) {
  // A Notification may free or move components: walk a copy, skipping any that left.
  // The membership check runs only once the list has changed, so a quiet walk stays linear.
  const std::vector<TComponent*> snapshot = FComponents;
  const unsigned version = FComponentsVersion;
  for (TComponent* c : snapshot)
    if (version == FComponentsVersion || std::find(FComponents.begin(), FComponents.end(), c) != FComponents.end())
      c->Notification(AComponent, Operation);
}

void TComponent::SetDesigning(bool Value, bool SetChildren) {
  Value ? FComponentState.Include(csDesigning) : FComponentState.Exclude(csDesigning);
  if (SetChildren)
    for (TComponent* c : FComponents) c->SetDesigning(Value, true);
}

void TComponent::SetInline(bool Value) {
  Value ? FComponentState.Include(csInline) : FComponentState.Exclude(csInline);
}

void TComponent::SetAncestor(bool Value) {
  Value ? FComponentState.Include(csAncestor) : FComponentState.Exclude(csAncestor);
  for (TComponent* c : FComponents) c->SetAncestor(Value);
}

void TComponent::Destroying() {
  if (FComponentState.Contains(csDestroying)) return;
  FComponentState.Include(csDestroying);
  for (TComponent* c : FComponents) c->Destroying();
}

void TComponent::GetPropInfos(std::vector<TPropInfo>& Props) {
  TPersistent::GetPropInfos(Props);
  Props.push_back(TPropInfo{u"Tag", [this](TWriter* W) { W->WriteInteger(FTag); },
                            [this](TReader* R) { FTag = R->ReadInt64(); }, [this] { return FTag != 0; }});
}

void TComponent::GetChildren(const TGetChildProc&, TComponent*) {}

void TComponent::Loaded() { FComponentState.Exclude(csLoading); }

void TComponent::ReadState(TReader* Reader) { Reader->ReadData(this); }

void TComponent::WriteState(TWriter* Writer) { Writer->WriteData(this); }

// ---- Class registry

void RegisterClass(TComponentClass AClass) {
  if (!AClass) return;
  auto& r = TheRegistry();
  std::lock_guard<std::mutex> g(r.Lock);
  r.ByName[UpperIdent(AClass->Class->Name)] = AClass;
}

void RegisterClasses(std::initializer_list<TComponentClass> AClasses) {
  for (auto c : AClasses) RegisterClass(c);
}

void UnRegisterClass(TComponentClass AClass) {
  if (!AClass) return;
  auto& r = TheRegistry();
  std::lock_guard<std::mutex> g(r.Lock);
  const auto it = r.ByName.find(UpperIdent(AClass->Class->Name));
  if (it != r.ByName.end() && it->second == AClass) r.ByName.erase(it);
}

void UnRegisterClasses(std::initializer_list<TComponentClass> AClasses) {
  for (auto c : AClasses) UnRegisterClass(c);
}

TComponentClass GetClass(const String& AClassName) {
  auto& r = TheRegistry();
  std::lock_guard<std::mutex> g(r.Lock);
  const auto it = r.ByName.find(UpperIdent(AClassName));
  return it == r.ByName.end() ? nullptr : it->second;
}

TComponentClass FindClass(const String& ClassName) {
  TComponentClass c = GetClass(ClassName);
  if (!c) throw EClassNotFound(Fill(u"Class %s not found", ClassName));
  return c;
}

TComponentClass FindRegisteredAncestor(TClass AClass) {
  for (TClass k = AClass; k; k = k->Parent) {
    TComponentClass c = GetClass(k->Name);
    if (c && c->Class == k) return c;
  }
  return nullptr;
}
