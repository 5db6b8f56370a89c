#include "platform/ui/ActnList.h"

#include "platform/core/TypInfo.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Messages.h"
#include "platform/ui/Windows.h"

namespace {

// Action classes are registered for streaming at start-up.
struct ActionClassesUnitInit {
  ActionClassesUnitInit() { RegisterClass<TAction>(); }
  ~ActionClassesUnitInit() { UnRegisterClass<TAction>(); }
} const UnitInit;

}  // namespace

// ---- TCustomAction

// Each client link hears of the new value before the action stores it, so it can
// tell whether its client still shows the old one.
template <class T, class TPassOn>
void TCustomAction::SetLinked(T& Field, const T& Value, TPassOn PassOn) {
  if (Field == Value) return;
  const std::vector<TBasicActionLink*> clients = GetClients();
  for (TBasicActionLink* link : clients)
    if (auto* actionLink = dynamic_cast<TActionLink*>(link)) PassOn(actionLink);
  Field = Value;
  Change();
}

void TCustomAction::SetCaption(const String& Value) {
  SetLinked(FCaption, Value, [&](TActionLink* L) { L->SetCaption(Value); });
}

void TCustomAction::SetChecked(bool Value) {
  SetLinked(FChecked, Value, [&](TActionLink* L) { L->SetChecked(Value); });
}

void TCustomAction::SetEnabled(bool Value) {
  SetLinked(FEnabled, Value, [&](TActionLink* L) { L->SetEnabled(Value); });
}

void TCustomAction::SetHint(const String& Value) {
  SetLinked(FHint, Value, [&](TActionLink* L) { L->SetHint(Value); });
}

void TCustomAction::SetShortCut(TShortCut Value) {
  SetLinked(FShortCut, Value, [&](TActionLink* L) { L->SetShortCut(Value); });
}

void TCustomAction::SetVisible(bool Value) {
  SetLinked(FVisible, Value, [&](TActionLink* L) { L->SetVisible(Value); });
}

bool TCustomAction::Execute() { return TBasicAction::Execute() || DispatchActionToFocus(CM_ACTIONEXECUTE, this); }

bool TCustomAction::Update() { return TBasicAction::Update() || DispatchActionToFocus(CM_ACTIONUPDATE, this); }

void TCustomAction::GetPropInfos(std::vector<TPropInfo>& Props) {
  TBasicAction::GetPropInfos(Props);
  Props.push_back(StringPropInfo(
      u"Caption", [this] { return FCaption; }, [this](const String& V) { SetCaption(V); },
      [this] { return !FCaption.empty(); }));
  Props.push_back(BooleanPropInfo(
      u"Checked", [this] { return FChecked; }, [this](bool V) { SetChecked(V); }, [this] { return FChecked; }));
  Props.push_back(BooleanPropInfo(
      u"Enabled", [this] { return FEnabled; }, [this](bool V) { SetEnabled(V); }, [this] { return !FEnabled; }));
  Props.push_back(StringPropInfo(
      u"Hint", [this] { return FHint; }, [this](const String& V) { SetHint(V); }, [this] { return !FHint.empty(); }));
  Props.push_back(IntegerPropInfo(
      u"ShortCut", [this] { return Int64(FShortCut); }, [this](Int64 V) { SetShortCut(TShortCut(V)); },
      [this] { return FShortCut != 0; }));
  Props.push_back(BooleanPropInfo(
      u"Visible", [this] { return FVisible; }, [this](bool V) { SetVisible(V); }, [this] { return !FVisible; }));
}

bool DispatchActionToFocus(Cardinal Msg, TBasicAction* Action) {
  for (TControl* control = FindControl(GetFocus()); control; control = control->GetParent())
    if (control->Perform(Msg, 0, reinterpret_cast<LPARAM>(Action)) != 0) return true;
  return false;
}

// ---- TActionLink

bool TActionLink::IsCaptionLinked() { return GetCustomAction() != nullptr; }
bool TActionLink::IsCheckedLinked() { return GetCustomAction() != nullptr; }
bool TActionLink::IsEnabledLinked() { return GetCustomAction() != nullptr; }
bool TActionLink::IsHintLinked() { return GetCustomAction() != nullptr; }
bool TActionLink::IsShortCutLinked() { return GetCustomAction() != nullptr; }
bool TActionLink::IsVisibleLinked() { return GetCustomAction() != nullptr; }

// ---- TControlActionLink

bool TControlActionLink::IsCaptionLinked() {
  return TActionLink::IsCaptionLinked() && FControl->GetCaption() == GetCustomAction()->GetCaption();
}

bool TControlActionLink::IsEnabledLinked() {
  return TActionLink::IsEnabledLinked() && FControl->GetEnabled() == GetCustomAction()->GetEnabled();
}

bool TControlActionLink::IsHintLinked() {
  return TActionLink::IsHintLinked() && FControl->GetHint() == GetCustomAction()->GetHint();
}

bool TControlActionLink::IsVisibleLinked() {
  return TActionLink::IsVisibleLinked() && FControl->GetVisible() == GetCustomAction()->GetVisible();
}

void TControlActionLink::SetCaption(const String& Value) {
  if (IsCaptionLinked()) FControl->SetCaption(Value);
}

void TControlActionLink::SetEnabled(bool Value) {
  if (IsEnabledLinked()) FControl->SetEnabled(Value);
}

void TControlActionLink::SetHint(const String& Value) {
  if (IsHintLinked()) FControl->SetHint(Value);
}

void TControlActionLink::SetVisible(bool Value) {
  if (IsVisibleLinked()) FControl->SetVisible(Value);
}

// ---- TControl's actions

TBasicAction* TControl::GetAction() const { return FActionLink ? FActionLink->GetAction() : nullptr; }

void TControl::SetAction(TBasicAction* Value) {
  AssignActionLink(FActionLink, this, Value, [this](TBasicAction* Action) { ActionChange(Action, false); });
  if (!Value) return;
  Value->FreeNotification(this);
  ActionChange(Value, Value->GetComponentState().Contains(csLoading));
}

void TControl::ActionChange(TObject* Sender, bool CheckDefaults) {
  auto* action = dynamic_cast<TCustomAction*>(Sender);
  if (!action) return;
  if (!CheckDefaults || GetCaption().empty()) SetCaption(action->GetCaption());
  if (!CheckDefaults || GetEnabled()) SetEnabled(action->GetEnabled());
  if (!CheckDefaults || GetHint().empty()) SetHint(action->GetHint());
  if (!CheckDefaults || GetVisible()) SetVisible(action->GetVisible());
}

void TControl::InitiateAction() {
  if (FActionLink) FActionLink->Update();
}

bool TControl::ExecuteAction(TBasicAction* Action) {
  if (!Action || !Action->HandlesTarget(this)) return false;
  Action->ExecuteTarget(this);
  return true;
}

bool TControl::UpdateAction(TBasicAction* Action) {
  if (!Action || !Action->HandlesTarget(this)) return false;
  Action->UpdateTarget(this);
  return true;
}

// ---- TCustomForm's actions

void TCustomForm::UpdateActions() {
  InitiateAction();
  // By index: an update that frees a component does not leave a dangling one behind.
  for (Integer i = 0; i < GetComponentCount(); ++i)
    if (auto* control = dynamic_cast<TControl*>(GetComponent(i)); control && control->GetShowing())
      control->InitiateAction();
}
