#include "platform/automation/Automation.h"

#include <mutex>
#include <utility>

#include "platform/core/Strings.h"

namespace {

struct TOleClassRegistry {
  std::mutex Lock;
  std::vector<std::pair<String, TOleObjectFactory>> Classes;
};

// Servers register from static initialisers, so the registry is made on first use.
TOleClassRegistry& Registry() {
  static TOleClassRegistry registry;
  return registry;
}

IVarDispatch& Dispatch(const Variant& object) {
  if (object.VarType() == varDispatch)
    if (std::shared_ptr<IVarDispatch> d = object.AsDispatch()) return *d;
  throw EOleError(u"Variant does not reference an automation object");
}

}  // namespace

void RegisterOleClass(const String& progId, TOleObjectFactory factory) {
  TOleClassRegistry& r = Registry();
  std::lock_guard<std::mutex> guard(r.Lock);
  for (auto& [name, f] : r.Classes)
    if (SameText(name, progId)) {
      f = std::move(factory);
      return;
    }
  r.Classes.emplace_back(progId, std::move(factory));
}

bool SetOleCallWaitHandler(const Variant& object, TOleCallWaitHandler handler) {
  if (object.VarType() != varDispatch) return false;
  auto o = std::dynamic_pointer_cast<TLateBoundObject>(object.AsDispatch());
  if (!o) return false;
  o->SetCallWaitHandler(std::move(handler));
  return true;
}

Variant CreateOleObject(const String& progId) {
  TOleObjectFactory factory;
  {
    TOleClassRegistry& r = Registry();
    std::lock_guard<std::mutex> guard(r.Lock);
    for (const auto& [name, f] : r.Classes)
      if (SameText(name, progId)) factory = f;
  }
  if (!factory) throw EOleError(u"Invalid class string: \"" + progId + u"\"");
  std::shared_ptr<IVarDispatch> object = factory();
  if (!object) throw EOleError(u"Server \"" + progId + u"\" could not create its object");
  return Variant(std::move(object));
}

Variant OlePropertyGet(const Variant& object, const String& name) { return Dispatch(object).GetProperty(name); }

void OlePropertySet(const Variant& object, const String& name, const Variant& value) {
  Dispatch(object).SetProperty(name, value);
}

Variant OleFunction(const Variant& object, const String& name, const std::vector<Variant>& args) {
  return Dispatch(object).CallMethod(name, args);
}

TLateBoundObject::TMember& TLateBoundObject::NewMember(String name) {
  // An object defines its members one after another as it is made, and a
  // caller may make one for every call it makes: room for a server's members
  // at once, not a move of them all at every doubling.
  if (FMembers.capacity() == 0) FMembers.reserve(16);
  TMember& m = FMembers.emplace_back();
  m.Name = std::move(name);
  return m;
}

void TLateBoundObject::DefineProperty(String name, TGetter getter, TSetter setter) {
  TMember& m = NewMember(std::move(name));
  m.Get = std::move(getter);
  m.Set = std::move(setter);
}

void TLateBoundObject::DefineMethod(String name, int paramCount, TMethod method) {
  TMember& m = NewMember(std::move(name));
  m.Call = std::move(method);
  m.ParamCount = paramCount;
}

TLateBoundObject::TMember& TLateBoundObject::Find(const String& name) {
  for (TMember& m : FMembers)
    if (SameText(m.Name, name)) return m;
  throw EOleError(u"Unknown name: \"" + name + u"\"");
}

Variant TLateBoundObject::GetProperty(const String& name) {
  TMember& m = Find(name);
  if (m.Get) return m.Get();
  if (m.Call && m.ParamCount == 0) return m.Call({});
  throw EOleError(u"Member \"" + name + u"\" cannot be read");
}

void TLateBoundObject::SetProperty(const String& name, const Variant& value) {
  TMember& m = Find(name);
  if (!m.Set) throw EOleError(u"Member \"" + name + u"\" cannot be written");
  m.Set(value);
}

Variant TLateBoundObject::CallMethod(const String& name, const std::vector<Variant>& args) {
  TMember& m = Find(name);
  if (m.Call) {
    if (static_cast<int>(args.size()) != m.ParamCount)
      throw EOleError(u"Invalid number of parameters for \"" + name + u"\"");
    return m.Call(args);
  }
  if (m.Get && args.empty()) return m.Get();
  throw EOleError(u"Member \"" + name + u"\" is not a method");
}
