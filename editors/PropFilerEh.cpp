#include "editors/PropFilerEh.h"

#include <algorithm>
#include <memory>

#include "platform/core/Filer.h"
#include "platform/core/Strings.h"
#include "platform/ui/Windows.h"

namespace {

// Two parallel lists: entry i pairs target class i with interceptor class i.
struct TInterceptorRegistry {
  std::vector<TClass> Targets;
  std::vector<TStoragePropertyInterceptorClass> Interceptors;
};

// Made on the first registration, freed at the unit's end.
std::unique_ptr<TInterceptorRegistry>& Registry() {
  static std::unique_ptr<TInterceptorRegistry> registry;
  return registry;
}

int UnitInitCount = 0;

struct PropFilerEhUnitInit {
  PropFilerEhUnitInit() { InitPropFilerEhUnit(); }
  ~PropFilerEhUnitInit() { FinalPropFilerEhUnit(); }
} const UnitInit;

constexpr const char16_t* WindowStateNames[] = {u"wsNormal", u"wsMinimized", u"wsMaximized"};
static_assert(std::size(WindowStateNames) == wsMaximized + 1, "one name per window state");

}  // namespace

TStoragePropertyInterceptorClass TStoragePropertyInterceptor::StaticInterceptorClass() {
  static const TStoragePropertyInterceptorClassInfo info{
      StaticClass(), &borrow_detail::InterceptorCreate<TStoragePropertyInterceptor>};
  return &info;
}

// ---- Registry ------------------------------------------------------------------------------------------

void RegisterClassPropertyInterceptorEh(TClass TargetClass, TStoragePropertyInterceptorClass InterceptorClass) {
  auto& registry = Registry();
  if (!registry) registry = std::make_unique<TInterceptorRegistry>();
  for (size_t i = registry->Targets.size(); i-- > 0;)
    if (registry->Targets[i] == TargetClass) {
      registry->Targets.erase(registry->Targets.begin() + std::ptrdiff_t(i));
      registry->Interceptors.erase(registry->Interceptors.begin() + std::ptrdiff_t(i));
    }
  registry->Targets.push_back(TargetClass);
  registry->Interceptors.push_back(InterceptorClass);
}

void UnregisterClassPropertyInterceptorEh(TClass TargetClass, TStoragePropertyInterceptorClass InterceptorClass) {
  auto& registry = Registry();
  if (!registry) return;
  for (size_t i = registry->Targets.size(); i-- > 0;)
    if (registry->Targets[i] == TargetClass && registry->Interceptors[i] == InterceptorClass) {
      registry->Targets.erase(registry->Targets.begin() + std::ptrdiff_t(i));
      registry->Interceptors.erase(registry->Interceptors.begin() + std::ptrdiff_t(i));
    }
}

TStoragePropertyInterceptorClass GetClassPropertyInterceptorEh(TClass TargetClass) {
  const auto& registry = Registry();
  if (!registry) return nullptr;
  for (TClass k = TargetClass; k; k = k->Parent)
    for (size_t i = 0; i < registry->Targets.size(); ++i)
      if (registry->Targets[i] == k) return registry->Interceptors[i];
  return nullptr;
}

void InitPropFilerEhUnit() {
  if (UnitInitCount++ > 0) return;
  RegisterClassPropertyInterceptorEh(TCustomForm::StaticClass(),
                                     TFormStoragePropertyInterceptor::StaticInterceptorClass());
}

void FinalPropFilerEhUnit() {
  if (UnitInitCount <= 0 || --UnitInitCount > 0) return;
  Registry().reset();
}

// ---- TFormStoragePropertyInterceptor -------------------------------------------------------------------

TFormStoragePropertyInterceptor::TFormStoragePropertyInterceptor(TPersistent* ATarget)
    : TStoragePropertyInterceptor(ATarget) {
  TCustomForm* form = Form();
  if (!form) return;
  const TRect r = NormalRect();
  FLeft = r.Left;
  FTop = r.Top;
  FWidth = r.Width();
  FHeight = r.Height();
  FPixelsPerInch = form->GetPixelsPerInch();
  FWindowState = form->GetWindowState();
  FActiveControl = form->GetActiveControl();
}

TRect TFormStoragePropertyInterceptor::NormalRect() const {
  TCustomForm* form = Form();
  if (!form) return TRect();
  if (form->GetWindowState() != wsNormal && form->HandleAllocated()) {
    TWindowPlacement placement;
    if (GetWindowPlacement(form->GetHandle(), placement)) return placement.rcNormalPosition;
  }
  return Bounds(form->GetLeft(), form->GetTop(), form->GetWidth(), form->GetHeight());
}

void TFormStoragePropertyInterceptor::SetLeft(Integer Value) {
  FLeft = Value;
  FPosLoaded = true;
}

void TFormStoragePropertyInterceptor::SetTop(Integer Value) {
  FTop = Value;
  FPosLoaded = true;
}

void TFormStoragePropertyInterceptor::ApplyLoadedValues() {
  TCustomForm* form = Form();
  if (!form) return;
  // Values stored without a pixel density (0) are taken as they are: there is
  // nothing to scale them from.
  const Integer screenPpi = Screen->GetPixelsPerInch();
  if (FPixelsPerInch > 0 && FPixelsPerInch != screenPpi) {
    FWidth = MulDiv(FWidth, screenPpi, FPixelsPerInch);
    FHeight = MulDiv(FHeight, screenPpi, FPixelsPerInch);
    FLeft = MulDiv(FLeft, screenPpi, FPixelsPerInch);
    FTop = MulDiv(FTop, screenPpi, FPixelsPerInch);
  }
  form->SetWindowState(FWindowState);
  form->SetActiveControl(FActiveControl);
  if (form->GetWindowState() != wsNormal && form->HandleAllocated()) {
    TWindowPlacement placement;
    GetWindowPlacement(form->GetHandle(), placement);
    placement.rcNormalPosition = Bounds(FLeft, FTop, FWidth, FHeight);
    SetWindowPlacement(form->GetHandle(), placement);
  } else {
    form->SetBounds(FLeft, FTop, FWidth, FHeight);
  }
  if (FPosLoaded && !form->GetComponentState().Contains(csDesigning) &&
      (form->GetPosition() == poScreenCenter || form->GetPosition() == poDesktopCenter))
    form->SetPosition(poDesigned);
}

void TFormStoragePropertyInterceptor::GetPropInfos(std::vector<TPropInfo>& Props) {
  TStoragePropertyInterceptor::GetPropInfos(Props);
  Props.push_back({u"ActiveControl",
                   [this](TWriter* W) {
                     if (FActiveControl) W->WriteIdent(FActiveControl->GetName());
                     else W->WriteValue(vaNil);
                   },
                   [this](TReader* R) {
                     if (R->NextValue() == vaNil) {
                       R->ReadValue();
                       FActiveControl = nullptr;
                       return;
                     }
                     const String name = R->ReadIdent();
                     TCustomForm* form = Form();
                     FActiveControl = form ? dynamic_cast<TWinControl*>(form->FindComponent(name)) : nullptr;
                   },
                   nullptr});
  const auto integer = [&Props](const char16_t* Name, std::function<Integer()> Get, std::function<void(Integer)> Set) {
    Props.push_back(
        {Name, [Get](TWriter* W) { W->WriteInteger(Get()); }, [Set](TReader* R) { Set(R->ReadInteger()); }, nullptr});
  };
  integer(
      u"Height", [this] { return GetHeight(); }, [this](Integer V) { SetHeight(V); });
  integer(
      u"Left", [this] { return GetLeft(); }, [this](Integer V) { SetLeft(V); });
  integer(
      u"PixelsPerInch", [this] { return FPixelsPerInch; }, [this](Integer V) { SetPixelsPerInch(V); });
  integer(
      u"Top", [this] { return GetTop(); }, [this](Integer V) { SetTop(V); });
  integer(
      u"Width", [this] { return GetWidth(); }, [this](Integer V) { SetWidth(V); });
  Props.push_back({u"WindowState", [this](TWriter* W) { W->WriteIdent(WindowStateNames[FWindowState]); },
                   [this](TReader* R) {
                     const String name = R->ReadIdent();
                     for (Integer i = 0; i <= wsMaximized; ++i)
                       if (SameText(name, WindowStateNames[i])) FWindowState = TWindowState(i);
                   },
                   nullptr});
}
