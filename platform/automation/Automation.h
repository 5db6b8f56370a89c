#pragma once
// Late-bound automation objects: created by ProgID, called by member name with
// Variant arguments. A ProgID registry maps names to factories; servers living
// in this process register theirs. ProgIDs and member names match without
// regard to case. Unknown names raise EOleError.

#include <functional>
#include <memory>
#include <vector>

#include "platform/core/Exceptions.h"
#include "platform/core/Variant.h"

BORROW_EXCEPTION(EOleError, Exception)

using TOleObjectFactory = std::function<std::shared_ptr<IVarDispatch>()>;

// Registers the factory of a ProgID, replacing an earlier one of the same name.
void RegisterOleClass(const String& progId, TOleObjectFactory factory);

// A new object of the ProgID, held by a varDispatch Variant.
// Raises EOleError "Invalid class string" for a ProgID nobody registered.
Variant CreateOleObject(const String& progId);

// Calls on a Variant holding an automation object (EOleError otherwise).
Variant OlePropertyGet(const Variant& object, const String& name);
void OlePropertySet(const Variant& object, const String& name, const Variant& value);
Variant OleFunction(const Variant& object, const String& name, const std::vector<Variant>& args = {});
template <class... TArgs>
Variant OleFunction(const Variant& object, const String& name, const TArgs&... args) {
  return OleFunction(object, name, std::vector<Variant>{Variant(args)...});
}

// What a caller does while a call into an object waits on something outside
// the process (a network answer, say): it lets the caller's windows repaint
// and its buttons answer, and answers False to ask the object to give the call
// up. An object in process calls it from its waits, as the message loop of a
// caller runs during a call to an object of another process.
using TOleCallWaitHandler = std::function<bool()>;
// Sets the handler of the object a Variant holds; False when the object takes none.
bool SetOleCallWaitHandler(const Variant& object, TOleCallWaitHandler handler);

// The base of objects served in process: each declares its members by name.
// A call of a parameterless member as a property reads it, and a property is
// read by a method call without arguments, as late-bound callers do both.
class TLateBoundObject : public IVarDispatch {
public:
  using TGetter = std::function<Variant()>;
  using TSetter = std::function<void(const Variant&)>;
  using TMethod = std::function<Variant(const std::vector<Variant>& args)>;

  TLateBoundObject() = default;
  // Members are bound to the object that defined them: no copies.
  TLateBoundObject(const TLateBoundObject&) = delete;
  TLateBoundObject& operator=(const TLateBoundObject&) = delete;

  Variant GetProperty(const String& name) override;
  void SetProperty(const String& name, const Variant& value) override;
  Variant CallMethod(const String& name, const std::vector<Variant>& args) override;

  void SetCallWaitHandler(TOleCallWaitHandler handler) { FCallWaitHandler = std::move(handler); }

protected:
  // Called from a wait inside a call: the caller's handler, when it set one.
  // False when the caller asks to give the call up.
  bool CallWaiting() const { return !FCallWaitHandler || FCallWaitHandler(); }

  // A property readable, writable or both (pass nullptr for the missing side).
  void DefineProperty(String name, TGetter getter, TSetter setter);
  // A method taking exactly `paramCount` arguments.
  void DefineMethod(String name, int paramCount, TMethod method);

private:
  struct TMember {
    String Name;
    TGetter Get;
    TSetter Set;
    TMethod Call;
    int ParamCount = 0;
  };
  TMember& Find(const String& name);
  TMember& NewMember(String name);
  std::vector<TMember> FMembers;
  TOleCallWaitHandler FCallWaitHandler;
};
