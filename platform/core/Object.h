#pragma once
// TObject and class descriptors: the run-time class information that class
// references, registration by name and "nearest registered ancestor" lookups need.

#include <functional>
#include <type_traits>

#include "platform/core/Types.h"

class TObject;

// A class descriptor. Families that create objects by class reference keep their
// own factory signature next to it (see TComponentClass); Create here is for
// classes that have a default constructor, else null.
struct TClassInfo {
  const char16_t* Name;
  const TClassInfo* Parent;
  TObject* (*Create)();
};
using TClass = const TClassInfo*;

class TObject {
public:
  virtual ~TObject() = default;
  static TClass StaticClass();
  virtual TClass ClassType() const { return StaticClass(); }
  String ClassName() const { return ClassType()->Name; }
  bool InheritsFrom(TClass c) const { return ClassInheritsFrom(ClassType(), c); }
  static bool ClassInheritsFrom(TClass self, TClass ancestor) {
    for (TClass k = self; k; k = k->Parent)
      if (k == ancestor) return true;
    return false;
  }
};

inline TClass TObject::StaticClass() {
  static const TClassInfo info{u"TObject", nullptr, nullptr};
  return &info;
}

namespace borrow_detail {
template <class T>
TObject* DefaultCreate() {
  if constexpr (std::is_default_constructible_v<T> && !std::is_abstract_v<T>) return new T();
  else return nullptr;
}
template <class T>
constexpr TObject* (*FactoryOf())() {
  if constexpr (std::is_default_constructible_v<T> && !std::is_abstract_v<T>) return &DefaultCreate<T>;
  else return nullptr;
}
}  // namespace borrow_detail

// Put in the public section of every class that has class identity:
//   class TFoo : public TBar { public: BORROW_CLASS(TFoo, TBar) ... };
#define BORROW_CLASS(Self, Base)                                                                    \
  static TClass StaticClass() {                                                                     \
    static const TClassInfo info{u## #Self, Base::StaticClass(), borrow_detail::FactoryOf<Self>()}; \
    return &info;                                                                                   \
  }                                                                                                 \
  TClass ClassType() const override { return StaticClass(); }

// The event every component raises for a plain notification.
using TNotifyEvent = std::function<void(TObject* Sender)>;
