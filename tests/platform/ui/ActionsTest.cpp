// Actions on controls: a control linked to an action shows its caption, enabled
// state, hint and visibility and follows their changes; a click runs the action
// for the control; idle time brings the actions of shown forms up to date; an
// action without handlers works on the control that has the focus.

#include <gtest/gtest.h>

#include "platform/ui/ActnList.h"
#include "platform/ui/StdCtrls.h"
#include "tests/platform/ui/FormTestSupport.h"

namespace {

// Clears the edit it is aimed at; enabled while that edit holds text.
class TClearEditAction : public TAction {
public:
  using TAction::TAction;
  bool HandlesTarget(TObject* Target) override { return dynamic_cast<TCustomEdit*>(Target) != nullptr; }
  void ExecuteTarget(TObject* Target) override { static_cast<TCustomEdit*>(Target)->SetText(String()); }
  void UpdateTarget(TObject* Target) override { SetEnabled(!static_cast<TCustomEdit*>(Target)->GetText().empty()); }
};

class Actions : public FormFixture {
protected:
  void SetUp() override {
    MakeForm(400, 300);
    // An idle pass without waiting for input that no test step would give.
    Application->OnIdle = [](TObject*, bool& Done) { Done = false; };
  }
  void TearDown() override { Application->OnIdle = nullptr; }

  void Idle() {
    Display.ProcessMessages();
    Application->HandleMessage();
  }
};

}  // namespace

TEST_F(Actions, AButtonShowsItsActionFollowsItsChangesAndAClickRunsItForTheButton) {
  auto* action = new TAction(Form);
  action->SetCaption(u"Найти");
  action->SetHint(u"Поиск записи");
  Integer runs = 0;
  TComponent* ranFor = nullptr;
  action->OnExecute = [&](TObject* Sender) {
    ++runs;
    ranFor = static_cast<TBasicAction*>(Sender)->GetActionComponent();
  };
  auto* button = Make<TButton>(20, 20, 100, 25);
  button->SetAction(action);
  EXPECT_EQ(button->GetCaption(), u"Найти");
  EXPECT_EQ(button->GetHint(), u"Поиск записи");
  Form->Show();
  Display.ProcessMessages();

  Display.Click(button->GetHandle(), 5, 5);
  EXPECT_EQ(runs, 1);
  EXPECT_EQ(ranFor, button);
  EXPECT_EQ(action->GetActionComponent(), nullptr);

  action->SetEnabled(false);
  EXPECT_FALSE(button->GetEnabled());
  Display.Click(button->GetHandle(), 5, 5);
  EXPECT_EQ(runs, 1);
  action->SetEnabled(true);
  action->SetCaption(u"Искать");
  EXPECT_EQ(button->GetCaption(), u"Искать");
  EXPECT_TRUE(button->GetEnabled());

  delete action;
  EXPECT_EQ(button->GetAction(), nullptr);
  Display.Click(button->GetHandle(), 5, 5);
  EXPECT_EQ(runs, 1);
}

TEST_F(Actions, IdleTimeUpdatesTheActionsOfShownFormsOnly) {
  auto* action = new TAction(Form);
  bool allowed = false;
  Integer updates = 0;
  action->OnUpdate = [&](TObject*) {
    ++updates;
    action->SetEnabled(allowed);
  };
  auto* button = Make<TButton>(20, 20, 100, 25);
  button->SetAction(action);
  Form->Show();
  Idle();
  EXPECT_GE(updates, 1);
  EXPECT_FALSE(button->GetEnabled());
  allowed = true;
  Idle();
  EXPECT_TRUE(button->GetEnabled());

  Form->Hide();
  const Integer before = updates;
  Idle();
  EXPECT_EQ(updates, before);
}

TEST_F(Actions, AnActionWithoutHandlersWorksOnTheFocusedControlIfItCan) {
  auto* action = new TClearEditAction(Form);
  auto* edit = Make<TEdit>(20, 20, 150, 21);
  auto* other = Make<TButton>(20, 60, 100, 25);
  edit->SetText(u"Тургенев");
  Form->Show();
  edit->SetFocus();
  Display.ProcessMessages();

  EXPECT_TRUE(action->Update());
  EXPECT_TRUE(action->GetEnabled());
  EXPECT_TRUE(action->Execute());
  EXPECT_EQ(edit->GetText(), u"");
  action->Update();
  EXPECT_FALSE(action->GetEnabled());

  edit->SetText(u"Гоголь");
  other->SetFocus();
  Display.ProcessMessages();
  EXPECT_FALSE(action->Execute());  // a button is no edit: nothing takes the action
  EXPECT_EQ(edit->GetText(), u"Гоголь");
}
