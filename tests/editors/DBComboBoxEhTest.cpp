// The combo box editor: text mode (free text completed from the items) and key
// mode (the items stand for the keys the field stores).

#include "DBEditorsTestSupport.h"
#include "platform/core/Strings.h"
#include "platform/ui/ControlPaint.h"
#include "platform/ui/Input.h"

namespace {

class DBCombo : public DBEditorsFixture {
protected:
  TDBComboBoxEh* Combo = nullptr;

  void SetUp() override {
    DBEditorsFixture::SetUp();
    OpenTable();
    MakeForm();
  }

  // Key mode over ID_TYPE: 0 "Группа", 1 "Ресурс".
  void BindKinds() {
    Combo = MakeBound<TDBComboBoxEh>(u"ID_TYPE");
    Combo->GetItems()->SetText(u"Группа\nРесурс");
    Combo->GetKeyItems()->SetText(u"0\n1");
  }

  // Text mode over SYNTAX.
  void BindSyntax() {
    Combo = MakeBound<TDBComboBoxEh>(u"SYNTAX");
    Combo->GetItems()->SetText(u"alpha\nbeta\nRUSMARC");
  }

  TPopupListboxEh* List() { return Combo->GetPopupListbox(); }
  bool ListShown() { return Combo->GetListVisible() && IsWindowVisible(List()->GetHandle()); }
  TPoint ItemCentre(Integer Index) {
    const TRect r = List()->ItemRect(Index);
    return TPoint((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
  }
};

// ---- key mode ------------------------------------------------------------------------------------------

TEST_F(DBCombo, KeyItemsShowTheTextOfTheStoredKeyAndNullAsEmpty) {
  BindKinds();
  EXPECT_TRUE(Combo->GetKeyMode());
  EXPECT_EQ(Combo->GetText(), u"Группа");
  EXPECT_EQ(Combo->GetItemIndex(), 0);
  EXPECT_TRUE(Combo->GetValue() == Variant(u"0"));
  Table.Next();
  EXPECT_EQ(Combo->GetText(), u"Ресурс");
  EXPECT_EQ(Combo->GetItemIndex(), 1);
  Table.Next();
  EXPECT_EQ(Combo->GetText(), u"");
  EXPECT_EQ(Combo->GetItemIndex(), -1);
  EXPECT_TRUE(Combo->GetValue().IsNull());
}

TEST_F(DBCombo, ChoosingATextStoresItsKeyInTheField) {
  BindKinds();
  Focus(Combo);
  Display.Key(VK_DOWN);  // the next item
  EXPECT_EQ(Combo->GetText(), u"Ресурс");
  EXPECT_EQ(Table.GetState(), dsEdit);
  Display.Key(VK_TAB);
  EXPECT_EQ(Field(u"ID_TYPE")->GetAsInteger(), 1);
  Table.Post();
  EXPECT_TRUE(StoredValue(u"ID_TYPE", 1) == Variant(1));
}

TEST_F(DBCombo, TheTextOfAKeyComboCannotBeTypedOverButTypingFindsAnItem) {
  BindKinds();
  Focus(Combo);
  Display.TypeText(u"Р");
  EXPECT_EQ(Combo->GetText(), u"Ресурс");
  EXPECT_EQ(Combo->GetSelStart(), 1);
  EXPECT_EQ(Combo->GetSelLength(), 5);
  Display.TypeText(u"x");  // no item begins with "Рx": the choice stays
  EXPECT_EQ(Combo->GetText(), u"Ресурс");
  Display.Key(VK_TAB);
  EXPECT_EQ(Field(u"ID_TYPE")->GetAsInteger(), 1);
}

TEST_F(DBCombo, DeleteInKeyModeClearsTheFieldToNull) {
  BindKinds();
  Focus(Combo);
  Display.Key(VK_DELETE);
  EXPECT_EQ(Combo->GetText(), u"");
  EXPECT_TRUE(Combo->GetValue().IsNull());
  Display.Key(VK_TAB);
  EXPECT_TRUE(Field(u"ID_TYPE")->GetIsNull());
}

TEST_F(DBCombo, AKeyThatIsNoKeyItemEmptiesTheTextAndATextThatIsNoItemChangesNothing) {
  Combo = Make<TDBComboBoxEh>(20, 20, 180, 21);
  Combo->GetItems()->SetText(u"Группа\nРесурс");
  Combo->GetKeyItems()->SetText(u"0\n1");
  Combo->SetValue(Variant(u"1"));
  EXPECT_EQ(Combo->GetText(), u"Ресурс");
  Combo->SetValue(Variant(u"7"));
  EXPECT_EQ(Combo->GetText(), u"");
  EXPECT_EQ(Combo->GetItemIndex(), -1);
  Combo->SetText(u"Группа");
  EXPECT_EQ(Combo->GetItemIndex(), 0);
  EXPECT_TRUE(Combo->GetValue() == Variant(u"0"));
  Combo->SetText(u"Нет такого");
  EXPECT_EQ(Combo->GetText(), u"Группа");
  EXPECT_EQ(Combo->GetItemIndex(), 0);
}

TEST_F(DBCombo, AnItemWithoutAKeyIsListedButChoosingItClearsTheValue) {
  Combo = Make<TDBComboBoxEh>(20, 20, 180, 21);
  Combo->GetItems()->SetText(u"один\nдва\nтри");
  Combo->GetKeyItems()->SetText(u"1\n2");
  EXPECT_EQ(Combo->GetUsableCount(), 2);
  Combo->SetValue(Variant(u"2"));
  Focus(Combo);
  Combo->DropDown();
  EXPECT_EQ(List()->GetCount(), 3);
  const TPoint p = ItemCentre(2);
  Display.Click(List()->GetHandle(), p.X, p.Y);
  EXPECT_FALSE(ListShown());
  EXPECT_EQ(Combo->GetItemIndex(), -1);
  EXPECT_TRUE(Combo->GetValue().IsNull());
  EXPECT_EQ(Combo->GetText(), u"");
}

TEST_F(DBCombo, AClickInAKeyCombosTextDropsTheListDownAndAClickOnAnItemChoosesIt) {
  BindKinds();
  Display.Click(Combo->GetHandle(), 20, 8);
  ASSERT_TRUE(ListShown());
  EXPECT_TRUE(HasFocus(Combo));
  EXPECT_EQ(List()->GetItemIndex(), 0);
  const TPoint p = ItemCentre(1);
  Display.MouseMove(List()->GetHandle(), p.X, p.Y);
  Display.Click(List()->GetHandle(), p.X, p.Y);
  EXPECT_FALSE(ListShown());
  EXPECT_EQ(Combo->GetText(), u"Ресурс");
  EXPECT_TRUE(Combo->GetValue() == Variant(u"1"));
}

TEST_F(DBCombo, KeysOnTheOpenListMoveItsSelectionAndEnterTakesItEscLeavesTheChoice) {
  BindKinds();
  Focus(Combo);
  Display.Key(VK_DOWN, THeadlessShift::Alt);
  ASSERT_TRUE(ListShown());
  EXPECT_TRUE(Combo->GetDroppedDown());
  Display.Key(VK_DOWN);
  EXPECT_EQ(List()->GetItemIndex(), 1);
  EXPECT_EQ(Combo->GetText(), u"Группа");  // the list moves, not the choice
  Display.Key(VK_ESCAPE);
  EXPECT_FALSE(ListShown());
  EXPECT_EQ(Combo->GetText(), u"Группа");

  Display.Key(VK_DOWN, THeadlessShift::Alt);
  Display.Key(VK_DOWN);
  Display.Key(VK_RETURN);
  EXPECT_FALSE(ListShown());
  EXPECT_EQ(Combo->GetText(), u"Ресурс");
  EXPECT_TRUE(HasFocus(Combo));
}

TEST_F(DBCombo, TheDropDownButtonOpensAndClosesTheList) {
  BindKinds();
  Display.ProcessMessages();
  TEditButtonControlEh* button = Combo->GetEditButtonControl(0);
  ASSERT_NE(button, nullptr);
  Integer closes = 0;
  Combo->OnCloseUp = [&](TObject*, bool Accept) {
    ++closes;
    EXPECT_FALSE(Accept);
  };
  Display.Click(Combo->GetHandle(), button->GetLeft() + 4, 6);
  EXPECT_TRUE(ListShown());
  EXPECT_TRUE(button->GetAlwaysDown());
  Display.Click(Combo->GetHandle(), button->GetLeft() + 4, 6);
  EXPECT_FALSE(ListShown());
  EXPECT_FALSE(button->GetAlwaysDown());
  EXPECT_EQ(closes, 1);
}

TEST_F(DBCombo, BeforeCloseUpCanRefuseTheChoice) {
  BindKinds();
  Focus(Combo);
  Combo->OnBeforeCloseUp = [](TObject*, bool& Accept) { Accept = false; };
  Combo->DropDown();
  List()->SetItemIndex(1);
  Display.Key(VK_RETURN);
  EXPECT_EQ(Combo->GetText(), u"Группа");
}

TEST_F(DBCombo, NotInListHearsATextThatIsNoItem) {
  BindSyntax();
  String heard;
  Combo->OnNotInList = [&](TObject*, const String& NewText, bool&) { heard = NewText; };
  Focus(Combo);
  Combo->SelectAll();
  Display.TypeText(u"xyz");
  Display.Key(VK_TAB);
  EXPECT_EQ(heard, u"xyz");
  EXPECT_EQ(Field(u"SYNTAX")->GetAsString(), u"xyz");
}

// ---- text mode --------------------------------------------------------------------------------------------

TEST_F(DBCombo, TypingCompletesFromTheFirstItemThatBeginsWithTheText) {
  Combo = Make<TDBComboBoxEh>(20, 20, 180, 21);
  Combo->GetItems()->SetText(u"alpha\nbeta");
  Focus(Combo);
  Display.TypeText(u"b");
  EXPECT_EQ(Combo->GetText(), u"beta");
  EXPECT_EQ(Combo->GetSelStart(), 1);
  EXPECT_EQ(Combo->GetSelLength(), 3);
  EXPECT_EQ(Combo->GetItemIndex(), 1);
  Display.TypeText(u"e");
  EXPECT_EQ(Combo->GetText(), u"beta");
  EXPECT_EQ(Combo->GetSelStart(), 2);

  Combo->SelectAll();
  Display.TypeText(u"x");
  EXPECT_EQ(Combo->GetText(), u"x");
  EXPECT_EQ(Combo->GetItemIndex(), -1);
  EXPECT_TRUE(Combo->GetValue() == Variant(u"x"));
}

TEST_F(DBCombo, TypedTextGoesToTheFieldOnLeaving) {
  BindSyntax();
  Focus(Combo);
  Combo->SelectAll();
  Display.TypeText(u"RUS");
  EXPECT_EQ(Combo->GetText(), u"RUSMARC");
  Display.Key(VK_END);
  Display.Key(VK_TAB);
  EXPECT_EQ(Field(u"SYNTAX")->GetAsString(), u"RUSMARC");
}

TEST_F(DBCombo, OnItsOwnAMaskedTextKeepsItsLiteralsOnLeaving) {
  Combo = Make<TDBComboBoxEh>(20, 20, 180, 21);
  Combo->SetEditMask(u"!99-99;1;_");
  Focus(Combo);
  Display.TypeText(u"1234");
  Display.Key(VK_TAB);
  EXPECT_EQ(Combo->GetEditText(), u"12-34");
  EXPECT_TRUE(Combo->GetValue() == Variant(u"12-34"));
  EXPECT_TRUE(Combo->GetDataLink()->GetDataValue() == Variant(u"1234"));
}

TEST_F(DBCombo, UpAndDownStepThroughTheItemsWithinTheirEnds) {
  Combo = Make<TDBComboBoxEh>(20, 20, 180, 21);
  Combo->GetItems()->SetText(u"один\nдва\nтри");
  Focus(Combo);
  Display.Key(VK_UP);  // from none: the last
  EXPECT_EQ(Combo->GetItemIndex(), 2);
  EXPECT_EQ(Combo->GetText(), u"три");
  EXPECT_EQ(Combo->GetSelLength(), 3);
  Display.Key(VK_DOWN);  // at the last: stays
  EXPECT_EQ(Combo->GetItemIndex(), 2);
  Combo->SetItemIndex(0);
  Display.Key(VK_UP);  // at the first: stays
  EXPECT_EQ(Combo->GetItemIndex(), 0);
  Combo->SetItemIndex(-1);
  EXPECT_EQ(Combo->GetText(), u"");
  Display.Key(VK_DOWN);  // from none: the first
  EXPECT_EQ(Combo->GetItemIndex(), 0);
}

TEST_F(DBCombo, TheWheelStepsThroughTheItems) {
  Combo = Make<TDBComboBoxEh>(20, 20, 180, 21);
  Combo->GetItems()->SetText(u"один\nдва\nтри");
  Focus(Combo);
  Display.Wheel(Combo->GetHandle(), 10, 5, -120);
  EXPECT_EQ(Combo->GetItemIndex(), 0);
  Display.Wheel(Combo->GetHandle(), 10, 5, -120);
  EXPECT_EQ(Combo->GetItemIndex(), 1);
  Display.Wheel(Combo->GetHandle(), 10, 5, 120);
  EXPECT_EQ(Combo->GetItemIndex(), 0);
}

TEST_F(DBCombo, ItemIndexFollowsTheTextWithoutRegardToCase) {
  BindSyntax();
  EXPECT_EQ(Combo->GetItemIndex(), 2);  // "RUSMARC"
  Combo->SetText(u"BETA");
  EXPECT_EQ(Combo->GetItemIndex(), 1);
  Combo->SetText(u"gamma");
  EXPECT_EQ(Combo->GetItemIndex(), -1);
}

// ---- the drop-down list --------------------------------------------------------------------------------

TEST_F(DBCombo, TheListIsNeverNarrowerThanTheEditorAndWidensToItsWidestItem) {
  Combo = Make<TDBComboBoxEh>(20, 20, 80, 21);
  Combo->GetItems()->SetText(u"a\nОчень длинный элемент списка");
  Combo->GetDropDownBox()->SetWidth(-1);
  Focus(Combo);
  Combo->DropDown();
  TMeasureDC dc(Combo->GetFont());
  TSize size;
  const String widest = u"Очень длинный элемент списка";
  GetTextExtentPoint32(dc, widest, Integer(widest.size()), size);
  EXPECT_EQ(List()->GetWidth(), size.cx + 5);
  Combo->CloseUp(false);

  Combo->GetItems()->SetText(u"a\nb");
  Combo->DropDown();
  EXPECT_EQ(List()->GetWidth(), 80);
  Combo->CloseUp(false);
  Combo->GetDropDownBox()->SetWidth(40);
  Combo->DropDown();
  EXPECT_EQ(List()->GetWidth(), 80);
}

TEST_F(DBCombo, TheListShowsAtMostItsRowsAndAsManyAsThereAreItems) {
  Combo = Make<TDBComboBoxEh>(20, 20, 180, 21);
  for (int i = 0; i < 12; ++i) Combo->GetItems()->Add(u"item " + IntToStr(i));
  Focus(Combo);
  Combo->DropDown();
  EXPECT_EQ(List()->GetRowCount(), 7);
  Combo->CloseUp(false);
  Combo->GetItems()->SetText(u"a\nb");
  Combo->DropDown();
  EXPECT_EQ(List()->GetRowCount(), 2);
}

TEST_F(DBCombo, AnEmptyListAsksForItsItemsBeforeDroppingDown) {
  Combo = Make<TDBComboBoxEh>(20, 20, 180, 21);
  Integer asked = 0;
  Combo->OnRequestItems = [&](TObject*) {
    ++asked;
    Combo->GetItems()->SetText(u"x\ny");
  };
  Integer dropped = 0;
  Combo->OnDropDown = [&](TObject*) { ++dropped; };
  Focus(Combo);
  Combo->DropDown();
  EXPECT_EQ(dropped, 1);
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(List()->GetCount(), 2);
}

TEST_F(DBCombo, LosingTheFocusClosesTheListWithoutAccepting) {
  BindKinds();
  Focus(Combo);
  Combo->DropDown();
  List()->SetItemIndex(1);
  Focus(Other);
  EXPECT_FALSE(ListShown());
  EXPECT_EQ(Field(u"ID_TYPE")->GetAsInteger(), 0);
}

TEST_F(DBCombo, AnUpDownButtonStepsThroughTheItems) {
  Combo = Make<TDBComboBoxEh>(20, 20, 180, 21);
  Combo->GetItems()->SetText(u"один\nдва\nтри");
  Combo->GetEditButton()->SetStyle(ebsUpDownEh);
  Display.ProcessMessages();
  TEditButtonControlEh* button = Combo->GetEditButtonControl(0);
  Display.Click(Combo->GetHandle(), button->GetLeft() + 3, button->GetHeight() - 2);  // lower half: next
  EXPECT_EQ(Combo->GetItemIndex(), 0);
  Display.Click(Combo->GetHandle(), button->GetLeft() + 3, button->GetHeight() - 2);
  EXPECT_EQ(Combo->GetItemIndex(), 1);
  Display.Click(Combo->GetHandle(), button->GetLeft() + 3, 1);  // upper half: previous
  EXPECT_EQ(Combo->GetItemIndex(), 0);
  EXPECT_FALSE(ListShown());
}

}  // namespace
