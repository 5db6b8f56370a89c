#pragma once
// The search server, but the first time a search waits for its answer it runs
// *Action first: what a user does while the search waits reaches the program
// through the messages the wait lets run. Only a search of Database acts,
// when one is given, so a quick search that happens to wait does not; and,
// when When is given, only a wait at which it answers True.

#include <functional>
#include <memory>
#include <utility>

#include "lendsrv/LendServer.h"
#include "platform/automation/Automation.h"
#include "platform/core/Strings.h"
#include "platform/core/Variant.h"

class TActingServer : public TLateBoundObject {
public:
  // TimeoutSeconds > 0: the server's own time limit instead of its 30 s.
  explicit TActingServer(std::function<void()>* Action, int TimeoutSeconds = 0, String Database = String(),
                         std::function<bool()> When = nullptr)
      : FAction(Action), FDatabase(std::move(Database)), FWhen(std::move(When)) {
    if (TimeoutSeconds > 0) FInner->SetTimeoutSeconds(TimeoutSeconds);
  }
  Variant GetProperty(const String& Name) override { return FInner->GetProperty(Name); }
  void SetProperty(const String& Name, const Variant& Value) override {
    if (SameText(Name, u"zDatabase")) FActs = FDatabase.empty() || VarToStr(Value) == FDatabase;
    FInner->SetProperty(Name, Value);
  }
  Variant CallMethod(const String& Name, const std::vector<Variant>& Args) override {
    FInner->SetCallWaitHandler([this] {
      if (FActs && *FAction && (!FWhen || FWhen())) std::exchange(*FAction, nullptr)();
      return CallWaiting();
    });
    return FInner->CallMethod(Name, Args);
  }

private:
  std::function<void()>* FAction;
  String FDatabase;
  std::function<bool()> FWhen;
  bool FActs = true;
  std::shared_ptr<TLendServer> FInner = std::make_shared<TLendServer>();
};
