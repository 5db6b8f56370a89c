#pragma once
// Property-storage interceptors: stand-ins through which a property store (a
// component that saves chosen properties of components, in an INI file say) reads
// and writes properties a component does not publish in a storable form.
//
//   TStoragePropertyInterceptor      the base: a persistent standing for a target
//                                    object; the store reads and writes its
//                                    published properties (TFiler::PropertiesOf) and
//                                    calls ApplyLoadedValues after loading.
//   TFormStoragePropertyInterceptor  a form's place, size, state and active control.
//   RegisterClassPropertyInterceptorEh & co.
//                                    the registry pairing target classes with
//                                    interceptor classes (forms are registered at
//                                    start-up; the grid registers its columns).

#include <vector>

#include "platform/core/Component.h"
#include "platform/ui/Forms.h"

class TStoragePropertyInterceptor;

// The interceptor metaclass: the class and a factory taking the target.
struct TStoragePropertyInterceptorClassInfo {
  TClass Class;
  TStoragePropertyInterceptor* (*Create)(TPersistent* Target);
};
using TStoragePropertyInterceptorClass = const TStoragePropertyInterceptorClassInfo*;

namespace borrow_detail {
template <class T>
TStoragePropertyInterceptor* InterceptorCreate(TPersistent* Target) {
  return new T(Target);
}
}  // namespace borrow_detail

// Put in the public section of every interceptor class instead of BORROW_CLASS.
#define BORROW_INTERCEPTOR(Self, Base)                                                               \
  BORROW_CLASS(Self, Base)                                                                           \
  static TStoragePropertyInterceptorClass StaticInterceptorClass() {                                 \
    static const TStoragePropertyInterceptorClassInfo info{Self::StaticClass(),                      \
                                                           &borrow_detail::InterceptorCreate<Self>}; \
    return &info;                                                                                    \
  }                                                                                                  \
  TStoragePropertyInterceptorClass InterceptorClassType() const override { return StaticInterceptorClass(); }

class TStoragePropertyInterceptor : public TPersistent {
public:
  BORROW_CLASS(TStoragePropertyInterceptor, TPersistent)
  static TStoragePropertyInterceptorClass StaticInterceptorClass();
  virtual TStoragePropertyInterceptorClass InterceptorClassType() const { return StaticInterceptorClass(); }

  explicit TStoragePropertyInterceptor(TPersistent* ATarget) : FTarget(ATarget) {}
  TPersistent* GetTarget() const { return FTarget; }
  // Runs after the store has read the stored values into this object.
  virtual void ApplyLoadedValues() {}

protected:
  TPersistent* FTarget;
};

// A form's place and size (its normal rectangle, also while minimized or
// maximized), pixels per inch, window state and active control.
class TFormStoragePropertyInterceptor : public TStoragePropertyInterceptor {
public:
  BORROW_INTERCEPTOR(TFormStoragePropertyInterceptor, TStoragePropertyInterceptor)
  explicit TFormStoragePropertyInterceptor(TPersistent* ATarget);

  // Scales the stored place by the screen's pixels per inch over the stored ones,
  // then gives the form its state, active control and place.
  void ApplyLoadedValues() override;

  // The getters of the place read the form's normal rectangle live; the setters
  // keep the value for ApplyLoadedValues.
  TWinControl* GetActiveControl() const { return FActiveControl; }
  void SetActiveControl(TWinControl* Value) { FActiveControl = Value; }
  Integer GetHeight() const { return NormalRect().Height(); }
  void SetHeight(Integer Value) { FHeight = Value; }
  Integer GetLeft() const { return NormalRect().Left; }
  void SetLeft(Integer Value);
  Integer GetPixelsPerInch() const { return FPixelsPerInch; }
  void SetPixelsPerInch(Integer Value) { FPixelsPerInch = Value; }
  Integer GetTop() const { return NormalRect().Top; }
  void SetTop(Integer Value);
  Integer GetWidth() const { return NormalRect().Width(); }
  void SetWidth(Integer Value) { FWidth = Value; }
  TWindowState GetWindowState() const { return FWindowState; }
  void SetWindowState(TWindowState Value) { FWindowState = Value; }
  // Whether Left or Top was written since the interceptor was made.
  bool GetPosLoaded() const { return FPosLoaded; }

protected:
  void GetPropInfos(std::vector<TPropInfo>& Props) override;

private:
  TCustomForm* Form() const { return dynamic_cast<TCustomForm*>(FTarget); }
  // The form's rectangle when in its normal state, on the screen; empty for a non-form.
  TRect NormalRect() const;

  TWinControl* FActiveControl = nullptr;
  Integer FHeight = 0, FLeft = 0, FTop = 0, FWidth = 0;
  Integer FPixelsPerInch = 96;
  TWindowState FWindowState = wsNormal;
  bool FPosLoaded = false;
};

// Pairs a target class with an interceptor class; an earlier pair of the same
// target class is replaced.
void RegisterClassPropertyInterceptorEh(TClass TargetClass, TStoragePropertyInterceptorClass InterceptorClass);
// Removes every pair of exactly these two classes.
void UnregisterClassPropertyInterceptorEh(TClass TargetClass, TStoragePropertyInterceptorClass InterceptorClass);
// The interceptor class of the target class, or of its nearest registered ancestor; null when none.
TStoragePropertyInterceptorClass GetClassPropertyInterceptorEh(TClass TargetClass);

// The unit's start-up and shut-down (run once by the unit itself; counted).
void InitPropFilerEhUnit();
void FinalPropFilerEhUnit();
