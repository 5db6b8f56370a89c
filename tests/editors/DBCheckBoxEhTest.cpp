// The three-state check box editor: Boolean fields, value lists, and a box on its own.

#include "DBEditorsTestSupport.h"
#include "platform/ui/Input.h"

namespace {

class DBCheckBox : public DBEditorsFixture {
protected:
  TDBCheckBoxEh* Box = nullptr;

  void SetUp() override {
    DBEditorsFixture::SetUp();
    OpenTable();
    MakeForm();
  }

  void Bind(const String& FieldName) {
    Box = MakeBound<TDBCheckBoxEh>(FieldName, 20, 20, 150, 17);
    Box->SetCaption(u"Действует");
  }

  void ClickBox() { Display.Click(Box->GetHandle(), 6, 8); }
};

TEST_F(DBCheckBox, ABooleanFieldShowsCheckedUncheckedAndNullAsGrayed) {
  Bind(u"ACTIVE");
  EXPECT_EQ(Box->GetState(), cbChecked);
  Table.Next();
  EXPECT_EQ(Box->GetState(), cbUnchecked);
  Table.Next();
  EXPECT_EQ(Box->GetState(), cbGrayed);
  EXPECT_FALSE(Box->GetModified());
}

TEST_F(DBCheckBox, AClickTogglesAndLeavingWritesTheField) {
  Bind(u"ACTIVE");
  ClickBox();
  EXPECT_TRUE(HasFocus(Box));
  EXPECT_EQ(Box->GetState(), cbUnchecked);
  EXPECT_EQ(Table.GetState(), dsEdit);
  EXPECT_TRUE(Field(u"ACTIVE")->GetAsBoolean());  // written when the record is
  Display.Key(VK_TAB);
  EXPECT_FALSE(Field(u"ACTIVE")->GetAsBoolean());
}

TEST_F(DBCheckBox, AGrayedBooleanTogglesToCheckedAndWithoutAllowGrayedNeverBackToGrayed) {
  Bind(u"ACTIVE");
  Table.Last();
  ASSERT_EQ(Box->GetState(), cbGrayed);
  ClickBox();
  EXPECT_EQ(Box->GetState(), cbChecked);
  ClickBox();
  EXPECT_EQ(Box->GetState(), cbUnchecked);
  ClickBox();
  EXPECT_EQ(Box->GetState(), cbChecked);
  Table.Post();
  EXPECT_TRUE(StoredValue(u"ACTIVE", 3) == Variant(true));
}

TEST_F(DBCheckBox, WithAllowGrayedItCyclesCheckedUncheckedGrayedAndGrayedWritesNull) {
  Bind(u"ACTIVE");
  Box->SetAllowGrayed(true);
  ClickBox();
  EXPECT_EQ(Box->GetState(), cbUnchecked);
  ClickBox();
  EXPECT_EQ(Box->GetState(), cbGrayed);
  Display.Key(VK_TAB);
  EXPECT_TRUE(Field(u"ACTIVE")->GetIsNull());
  Focus(Box);
  Display.Key(VK_SPACE);
  EXPECT_EQ(Box->GetState(), cbChecked);
}

TEST_F(DBCheckBox, ValueListsMapTextsToStatesWithoutRegardToCase) {
  Bind(u"USED");
  Box->SetValueChecked(u"Y;Yes");
  Box->SetValueUnchecked(u"N;");
  EXPECT_EQ(Box->GetState(), cbChecked);  // "Y"
  Table.Next();
  EXPECT_EQ(Box->GetState(), cbUnchecked);  // "N"
  Table.Next();
  EXPECT_EQ(Box->GetState(), cbUnchecked);  // an empty text matches the list ending with ';'
  Table.Edit();
  Field(u"USED")->SetAsString(u"yes");
  EXPECT_EQ(Box->GetState(), cbChecked);
  Field(u"USED")->SetAsString(u"maybe");
  EXPECT_EQ(Box->GetState(), cbGrayed);
  Table.Cancel();
}

TEST_F(DBCheckBox, CheckingWritesTheFirstTextOfItsList) {
  Bind(u"USED");
  Box->SetValueChecked(u"Y;Yes");
  Box->SetValueUnchecked(u"N;");
  Table.Next();  // "N"
  ClickBox();
  EXPECT_EQ(Box->GetState(), cbChecked);
  Display.Key(VK_TAB);
  EXPECT_EQ(Field(u"USED")->GetAsString(), u"Y");
  Box->SetState(cbUnchecked);  // in code: written at once
  EXPECT_EQ(Field(u"USED")->GetAsString(), u"N");
}

TEST_F(DBCheckBox, ClicksCycleATextFieldThroughItsValueListsAndGrayedClearsIt) {
  Bind(u"USED");
  Box->SetValueChecked(u"Y;Yes");
  Box->SetValueUnchecked(u"N");
  Box->SetAllowGrayed(true);
  Table.Next();  // "N"
  const std::vector<std::pair<TCheckBoxState, Variant>> cycle = {
      {cbGrayed, Null()}, {cbChecked, Variant(u"Y")}, {cbUnchecked, Variant(u"N")}, {cbGrayed, Null()}};
  for (const auto& [state, stored] : cycle) {
    ClickBox();
    EXPECT_EQ(Box->GetState(), state);
    Display.Key(VK_TAB);  // written on leaving
    EXPECT_TRUE(Field(u"USED")->GetValue() == stored);
  }
}

TEST_F(DBCheckBox, AReadOnlyDatasetOrLinkKeepsTheState) {
  Bind(u"ACTIVE");
  Table.SetReadOnly(true);
  ClickBox();
  EXPECT_EQ(Box->GetState(), cbChecked);
  EXPECT_EQ(Table.GetState(), dsBrowse);
  Table.SetReadOnly(false);
  Box->SetReadOnly(true);
  Focus(Box);
  Display.Key(VK_SPACE);
  EXPECT_EQ(Box->GetState(), cbChecked);
}

TEST_F(DBCheckBox, EscapeBringsTheFieldsStateBack) {
  Bind(u"ACTIVE");
  ClickBox();
  ASSERT_EQ(Box->GetState(), cbUnchecked);
  Display.Key(VK_ESCAPE);
  EXPECT_EQ(Box->GetState(), cbChecked);
  EXPECT_FALSE(Box->GetModified());
}

TEST_F(DBCheckBox, OnUpdateDataCanTakeTheWritingOver) {
  Bind(u"ACTIVE");
  Integer calls = 0;
  Box->OnUpdateData = [&](TObject*, bool& Handled) {
    ++calls;
    Handled = true;
  };
  ClickBox();
  Display.Key(VK_TAB);
  EXPECT_EQ(calls, 1);
  EXPECT_TRUE(Field(u"ACTIVE")->GetAsBoolean());
}

TEST_F(DBCheckBox, OnItsOwnItStartsUncheckedWithFalseAndGrayedIsNull) {
  Box = Make<TDBCheckBoxEh>(20, 20, 150, 17);
  EXPECT_EQ(Box->GetState(), cbUnchecked);
  EXPECT_TRUE(Box->GetValue() == Variant(false));
  Box->SetState(cbGrayed);
  EXPECT_TRUE(Box->GetValue().IsNull());
  Box->SetChecked(true);
  EXPECT_TRUE(Box->GetValue() == Variant(true));
  EXPECT_TRUE(Box->GetChecked());
}

TEST_F(DBCheckBox, OnItsOwnAClickTogglesAndLeavingKeepsTheValue) {
  Box = Make<TDBCheckBoxEh>(20, 20, 150, 17);
  ClickBox();
  EXPECT_TRUE(Box->GetChecked());
  Display.Key(VK_TAB);
  EXPECT_TRUE(Box->GetValue() == Variant(true));
}

TEST_F(DBCheckBox, TheAcceleratorOfTheCaptionFocusesAndToggles) {
  Bind(u"ACTIVE");
  Box->SetCaption(u"&Active");
  Focus(Other);
  Display.Key('L', THeadlessShift::Alt);  // no such accelerator
  EXPECT_EQ(Box->GetState(), cbChecked);
  Display.Key('A', THeadlessShift::Alt);
  EXPECT_TRUE(HasFocus(Box));
  EXPECT_EQ(Box->GetState(), cbUnchecked);
}

TEST_F(DBCheckBox, OnClickRunsOncePerUserToggleAndNotOnFocusing) {
  Bind(u"ACTIVE");
  Integer clicks = 0;
  Box->OnClick = [&](TObject*) { ++clicks; };
  ClickBox();
  EXPECT_EQ(clicks, 1);
  Display.Key(VK_SPACE);
  EXPECT_EQ(clicks, 2);
}

TEST_F(DBCheckBox, EachNewStateReachesTheWindowAsBMSetCheck) {
  Bind(u"ACTIVE");
  Box->SetAllowGrayed(true);
  std::vector<WPARAM> Seen;
  const TWndMethod Own = Box->GetWindowProc();
  Box->SetWindowProc([&](TMessage& Message) {
    if (Message.Msg == BM_SETCHECK) Seen.push_back(Message.WParam);
    Own(Message);
  });
  ClickBox();               // checked -> unchecked
  ClickBox();               // -> grayed
  Table.Next();             // the field of the next record: unchecked
  Table.Next();             // and grayed
  Box->SetState(cbGrayed);  // no change: nothing sent
  Box->SetChecked(true);
  Box->SetWindowProc(nullptr);
  EXPECT_EQ(Seen, (std::vector<WPARAM>{cbUnchecked, cbGrayed, cbUnchecked, cbGrayed, cbChecked}));
  EXPECT_EQ(Box->Perform(BM_GETCHECK, 0, 0), cbChecked);
}

TEST_F(DBCheckBox, EachWindowTheBoxGetsHearsItsStateWhenItIsCreated) {
  // A box made without a parent has no window yet: the state waits for one.
  Box = new TDBCheckBoxEh(Form);
  Box->SetBounds(20, 20, 150, 17);
  Box->SetAllowGrayed(true);
  Box->SetState(cbGrayed);
  ASSERT_FALSE(Box->HandleAllocated());
  std::vector<WPARAM> Seen;
  const TWndMethod Own = Box->GetWindowProc();
  Box->SetWindowProc([&](TMessage& Message) {
    if (Message.Msg == BM_SETCHECK) Seen.push_back(Message.WParam);
    Own(Message);
  });
  Box->SetParent(Form);
  Box->HandleNeeded();
  EXPECT_EQ(Seen, (std::vector<WPARAM>{cbGrayed}));
  // A window made again (Flat changes the frame) hears the state again.
  Box->SetChecked(true);
  Box->SetFlat(true);
  Box->HandleNeeded();
  Box->SetWindowProc(nullptr);
  EXPECT_EQ(Seen, (std::vector<WPARAM>{cbGrayed, cbChecked, cbChecked}));
  EXPECT_EQ(Box->Perform(BM_GETCHECK, 0, 0), cbChecked);
}

TEST_F(DBCheckBox, ABoxWithAnActionShowsItsCaptionRunsItOnAToggleAndPassesOthersToItsDataSource) {
  Bind(u"ACTIVE");
  auto* action = new TAction(Form);
  action->SetCaption(u"Действующий ресурс");
  Integer runs = 0;
  action->OnExecute = [&](TObject*) { ++runs; };
  Box->SetAction(action);
  EXPECT_EQ(Box->GetCaption(), u"Действующий ресурс");
  ClickBox();
  EXPECT_EQ(runs, 1);
  EXPECT_EQ(Box->GetState(), cbUnchecked);

  auto* post = new TPostRecordAction(Form);
  EXPECT_TRUE(post->Execute());  // the focused box hands it to its data link
  EXPECT_EQ(Table.GetState(), dsBrowse);
  EXPECT_TRUE(StoredValue(u"ACTIVE", 1) == Variant(false));
}

TEST_F(DBCheckBox, TheBoxStandsLeftOfTheCaptionUnlessAlignedLeft) {
  Bind(u"ACTIVE");
  Display.ProcessMessages();
  const TSize box = GetCheckBoxSizeEh();
  const Integer mid = Box->GetClientHeight() / 2;
  // The checked mark's dark ink lies inside the box.
  auto inkIn = [&](Integer Left, Integer Right) {
    Integer n = 0;
    for (Integer x = Left; x < Right; ++x)
      if (Display.PixelAt(Box->GetHandle(), x, mid) == ColorToRGB(clWindowText)) ++n;
    return n;
  };
  EXPECT_GT(inkIn(0, box.cx), 0);
  Box->SetAlignment(taLeftJustify);
  Display.ProcessMessages();
  EXPECT_EQ(inkIn(0, box.cx), 0);
  EXPECT_GT(inkIn(Box->GetClientWidth() - box.cx, Box->GetClientWidth()), 0);
}

}  // namespace
