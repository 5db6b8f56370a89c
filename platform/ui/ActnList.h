#pragma once
// Visual actions and the links through which controls show them.
//
//   TCustomAction, TAction   an action with a caption, a checked state, an enabled
//                            state, a hint, a shortcut and a visibility that its
//                            clients show; every change of one goes to each client
//   TActionLink              the link of a client that shows those values: the
//                            client takes a new value while it still shows the
//                            action's old one (IsXLinked), through SetX
//   TControlActionLink       a control's link: caption, enabled state, hint and
//                            visibility
//
// Executing an action that has no OnExecute hands it to the control that has the
// focus and then to each of its parents (CM_ACTIONEXECUTE, LParam the action):
// the first that works on it, itself or through its data link, runs it on its
// target (ExecuteAction). Updating one without OnUpdate goes the same way
// (CM_ACTIONUPDATE). At idle time the application brings the actions of every
// shown form's controls up to date (TCustomForm::UpdateActions, InitiateAction).
//
// TControl's and TCustomForm's action members are defined in ActnList.cpp.

#include <memory>

#include "platform/core/BasicAction.h"
#include "platform/ui/Controls.h"

class TCustomAction : public TBasicAction {
public:
  BORROW_COMPONENT(TCustomAction, TBasicAction)
  explicit TCustomAction(TComponent* AOwner) : TBasicAction(AOwner) {}

  const String& GetCaption() const { return FCaption; }
  void SetCaption(const String& Value);
  bool GetChecked() const { return FChecked; }
  void SetChecked(bool Value);
  bool GetEnabled() const { return FEnabled; }
  void SetEnabled(bool Value);
  const String& GetHint() const { return FHint; }
  void SetHint(const String& Value);
  TShortCut GetShortCut() const { return FShortCut; }
  void SetShortCut(TShortCut Value);
  bool GetVisible() const { return FVisible; }
  void SetVisible(bool Value);

  // OnExecute, else the control with the focus and its parents (CM_ACTIONEXECUTE).
  bool Execute() override;
  // OnUpdate, else the control with the focus and its parents (CM_ACTIONUPDATE).
  bool Update() override;

protected:
  void GetPropInfos(std::vector<TPropInfo>& Props) override;

private:
  // Value into Field, the client links told first; nothing when Field holds it already.
  template <class T, class TPassOn>
  void SetLinked(T& Field, const T& Value, TPassOn PassOn);
  String FCaption;
  bool FChecked = false;
  bool FEnabled = true;
  String FHint;
  TShortCut FShortCut = 0;
  bool FVisible = true;
};

class TAction : public TCustomAction {
public:
  BORROW_COMPONENT(TAction, TCustomAction)
  explicit TAction(TComponent* AOwner) : TCustomAction(AOwner) {}
};

class TActionLink : public TBasicActionLink {
public:
  BORROW_CLASS(TActionLink, TBasicActionLink)
  using TBasicActionLink::TBasicActionLink;

  // Whether the client follows the action's value: here, whether the action has
  // such values at all; a client's link also asks whether it still shows the
  // action's value.
  virtual bool IsCaptionLinked();
  virtual bool IsCheckedLinked();
  virtual bool IsEnabledLinked();
  virtual bool IsHintLinked();
  virtual bool IsShortCutLinked();
  virtual bool IsVisibleLinked();
  // The action's new value, for the client (called before the action stores it).
  virtual void SetCaption(const String&) {}
  virtual void SetChecked(bool) {}
  virtual void SetEnabled(bool) {}
  virtual void SetHint(const String&) {}
  virtual void SetShortCut(TShortCut) {}
  virtual void SetVisible(bool) {}

protected:
  TCustomAction* GetCustomAction() const { return dynamic_cast<TCustomAction*>(GetAction()); }
};

// A client's Action property: the client's link, made on first use, hands the
// action's later changes to Changed(action); no action, no link.
template <class TLink, class TClient, class TChanged>
void AssignActionLink(std::unique_ptr<TLink>& Link, TClient* Client, TBasicAction* Value, TChanged Changed) {
  if (!Value) {
    Link.reset();
    return;
  }
  if (!Link) {
    Link = std::make_unique<TLink>(Client);
    Link->OnChange = [&Link, Changed](TObject*) {
      if (TBasicAction* action = Link->GetAction()) Changed(action);
    };
  }
  Link->SetAction(Value);
}

class TControlActionLink : public TActionLink {
public:
  BORROW_CLASS(TControlActionLink, TActionLink)
  explicit TControlActionLink(TControl* AClient) : TActionLink(AClient), FControl(AClient) {}

  bool IsCaptionLinked() override;
  bool IsEnabledLinked() override;
  bool IsHintLinked() override;
  bool IsVisibleLinked() override;
  void SetCaption(const String& Value) override;
  void SetEnabled(bool Value) override;
  void SetHint(const String& Value) override;
  void SetVisible(bool Value) override;

private:
  TControl* FControl;
};

// Hands an action to the control with the focus and then to its parents, as Msg
// (CM_ACTIONEXECUTE or CM_ACTIONUPDATE); true when one of them took it.
bool DispatchActionToFocus(Cardinal Msg, TBasicAction* Action);
