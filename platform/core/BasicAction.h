#pragma once
// Actions: a command that buttons, menu items and edit buttons run, kept in one
// place with the handlers that carry it out (OnExecute) and keep its state up to
// date (OnUpdate). A client follows an action through a link (TBasicActionLink),
// which runs it for the client and hears of its changes.
//
// An action may also work on targets: a control or a data source that it
// recognises (HandlesTarget) is the one it is executed on (ExecuteTarget) and
// updated from (UpdateTarget). The visual actions (caption, enabled state, hint,
// shortcut, visibility) and the way an action without handlers finds its target
// are in platform/ui/ActnList.h.

#include <vector>

#include "platform/core/Component.h"

class TBasicActionLink;

class TBasicAction : public TComponent {
public:
  BORROW_COMPONENT(TBasicAction, TComponent)
  explicit TBasicAction(TComponent* AOwner) : TComponent(AOwner) {}
  // Its links lose it (their client keeps the values it had).
  ~TBasicAction() override;

  // Whether the action works on Target; none does here, descendants say which.
  virtual bool HandlesTarget(TObject* Target);
  virtual void ExecuteTarget(TObject* Target);
  virtual void UpdateTarget(TObject* Target);
  // Runs OnExecute; false when there is none.
  virtual bool Execute();
  // Runs OnUpdate; false when there is none.
  virtual bool Update();

  // The component the action runs for while a link executes it (the clicked
  // button's editor, say); null otherwise.
  TComponent* GetActionComponent() const { return FActionComponent; }
  void SetActionComponent(TComponent* Value);

  void RegisterChanges(TBasicActionLink* Value);
  void UnRegisterChanges(TBasicActionLink* Value);
  const std::vector<TBasicActionLink*>& GetClients() const { return FClients; }

  TNotifyEvent OnExecute;
  TNotifyEvent OnUpdate;
  TNotifyEvent OnChange;

protected:
  // Tells every link, then OnChange.
  virtual void Change();
  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  std::vector<TBasicActionLink*> FClients;
  TComponent* FActionComponent = nullptr;
};

// A client's link to an action. The client owns it; the link registers with the
// action it holds and unregisters when it goes or takes another.
class TBasicActionLink : public TObject {
public:
  BORROW_CLASS(TBasicActionLink, TObject)
  explicit TBasicActionLink(TObject* AClient) : FClient(AClient) {}
  ~TBasicActionLink() override;
  TBasicActionLink(const TBasicActionLink&) = delete;
  TBasicActionLink& operator=(const TBasicActionLink&) = delete;

  TBasicAction* GetAction() const { return FAction; }
  virtual void SetAction(TBasicAction* Value);
  TObject* GetClient() const { return FClient; }
  // Runs the action for AComponent (its ActionComponent meanwhile); false when
  // there is no action or nothing ran it.
  virtual bool Execute(TComponent* AComponent = nullptr);
  // Brings the action up to date; false when there is none or nothing updated it.
  virtual bool Update();

  // The action changed (after the client took its values).
  TNotifyEvent OnChange;

protected:
  virtual void Change();

private:
  friend class TBasicAction;
  TObject* FClient;
  TBasicAction* FAction = nullptr;
};
