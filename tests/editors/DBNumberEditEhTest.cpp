// The number editor under the Russian format settings (decimal ",", a no-break space
// between digit groups), bound to the in-memory table and on its own.

#include "DBDateNumberTestSupport.h"
#include "platform/ui/Clipbrd.h"
#include "platform/ui/Input.h"

namespace {

const String NBSP = u"\u00A0";

class DBNumberEdit : public DBDateNumberFixture {
protected:
  TDBNumberEditEh* Edit = nullptr;

  void SetUp() override {
    DBDateNumberFixture::SetUp();
    OpenDates();
    MakeForm();
  }

  void Bind(const String& FieldName) { Edit = MakeBound<TDBNumberEditEh>(FieldName); }
  void MakeOwn() { Edit = Make<TDBNumberEditEh>(20, 20, 180, 21); }

  // Focuses the editor and types over its whole text.
  void TypeOver(const String& Text) {
    Focus(Edit);
    Edit->SelectAll();
    Display.TypeText(Text);
  }

  double Number() { return Edit->GetValue().AsDouble(); }
  TPopupCalculatorEh* Calculator() { return Edit->GetCalculator(); }
  bool CalculatorShown() { return Edit->GetCalculatorVisible() && IsWindowVisible(Calculator()->GetHandle()); }
};

// ---- showing the value --------------------------------------------------------------------------------------

TEST_F(DBNumberEdit, ShowsTheFieldWithTheLocalesDecimalSeparatorAtTheRight) {
  Bind(u"PRICE");
  EXPECT_EQ(Edit->GetText(), u"12,5");
  EXPECT_EQ(Number(), 12.5);
  EXPECT_EQ(Edit->GetAlignment(), taRightJustify);
  Table.Next();
  EXPECT_EQ(Edit->GetText(), u"");
  EXPECT_TRUE(Edit->GetValue().IsNull());
  MakeOwn();
  EXPECT_EQ(Edit->GetAlignment(), taRightJustify);
}

TEST_F(DBNumberEdit, UnfocusedTheDisplayFormatShowsFocusedItsNumberPartAlone) {
  Bind(u"PRICE");
  Edit->SetDisplayFormat(u"#,##0.00 'р.'");
  EXPECT_EQ(Edit->GetEditFormat(), u"#,##0.00");
  Edit->SetValue(Variant(1234.5));
  EXPECT_EQ(Edit->GetText(), u"1" + NBSP + u"234,50 р.");
  Focus(Edit);
  EXPECT_EQ(Edit->GetText(), u"1" + NBSP + u"234,50");
  Display.Key(VK_TAB);
  EXPECT_EQ(Edit->GetText(), u"1" + NBSP + u"234,50 р.");
  EXPECT_EQ(Field(u"PRICE")->GetAsFloat(), 1234.5);
}

TEST_F(DBNumberEdit, TheEditFormatLeavesOutLiteralsQuotesFurtherSectionsAndTheExponent) {
  MakeOwn();
  Edit->SetDisplayFormat(u"\"Итого: \"#,##0.0#;(#,##0.0#)");
  EXPECT_EQ(Edit->GetEditFormat(), u"#,##0.0#");
  Edit->SetDisplayFormat(u"0.00E+00");
  EXPECT_EQ(Edit->GetEditFormat(), u"0.00");
  Edit->SetDisplayFormat(u"");
  Edit->SetCurrency(true);
  EXPECT_EQ(Edit->GetEditFormat(), u",#.00");
}

TEST_F(DBNumberEdit, ACurrencyEditorShowsTheLocalesCurrency) {
  MakeOwn();
  Edit->SetCurrency(true);
  Edit->SetValue(Variant(1234.5));
  EXPECT_EQ(Edit->GetText(), u"1" + NBSP + u"234,50 р.");
  Focus(Edit);
  EXPECT_EQ(Edit->GetText(), u"1" + NBSP + u"234,50");
}

TEST_F(DBNumberEdit, AValueTooLargeToRoundOrForCurrencyIsShownAndNeverRaises) {
  MakeOwn();
  Edit->SetValue(Variant(1e300));
  EXPECT_EQ(Number(), 1e300);
  EXPECT_EQ(Edit->GetText(), u"1E300");
  Edit->SetCurrency(true);
  Edit->SetValue(Variant(1e20));
  EXPECT_EQ(Number(), 1e20);
  EXPECT_EQ(Edit->GetText(), u"1E20");
  Edit->Invalidate();
  Display.ProcessMessages();  // painting shows it
  Focus(Edit);
  EXPECT_EQ(Edit->GetText(), u"1E20");
  EXPECT_EQ(Edit->CheckValue(1e300L), 1e300L);
}

// ---- typing ---------------------------------------------------------------------------------------------------

TEST_F(DBNumberEdit, AFullStopOrACommaIsTypedAsTheDecimalSeparator) {
  Bind(u"PRICE");
  TypeOver(u"1.5");
  EXPECT_EQ(Edit->GetText(), u"1,5");
  EXPECT_EQ(Number(), 1.5);
  EXPECT_EQ(Table.GetState(), dsEdit);
  Display.Key(VK_TAB);
  EXPECT_EQ(Field(u"PRICE")->GetAsFloat(), 1.5);
  Table.Post();
  EXPECT_EQ(StoredValue(u"PRICE", 1).AsDouble(), 1.5);
}

TEST_F(DBNumberEdit, WithABlankAsGroupSeparatorAFullStopStillTypesTheDecimals) {
  FormatSettings.ThousandSeparator = u' ';
  MakeOwn();
  TypeOver(u"1.5");
  EXPECT_EQ(Edit->GetText(), u"1,5");
  EXPECT_EQ(Number(), 1.5);
}

TEST_F(DBNumberEdit, DigitsAreGroupedAsTheyAreTypedAndBackspaceStepsOverAGroupSeparator) {
  MakeOwn();
  Edit->SetDisplayFormat(u"#,##0.##");
  TypeOver(u"1234567");
  EXPECT_EQ(Edit->GetText(), u"1" + NBSP + u"234" + NBSP + u"567");
  EXPECT_EQ(Edit->GetSelStart(), 9);
  EXPECT_EQ(Number(), 1234567.0);
  Edit->SetSelStart(6);  // just after the second group separator
  Display.Key(VK_BACK);
  EXPECT_EQ(Edit->GetSelStart(), 5);
  EXPECT_EQ(Number(), 1234567.0);
  Display.Key(VK_BACK);  // now a digit goes, and the groups close up before the caret
  EXPECT_EQ(Edit->GetText(), u"123" + NBSP + u"567");
  EXPECT_EQ(Edit->GetSelStart(), 3);
  EXPECT_EQ(Number(), 123567.0);
}

TEST_F(DBNumberEdit, DecimalsPastDecimalPlacesAreRefused) {
  MakeOwn();
  TypeOver(u"1,23");
  const Integer beeps = Display.BeepCount();
  Display.TypeText(u"4");
  EXPECT_EQ(Edit->GetText(), u"1,23");
  EXPECT_EQ(Display.BeepCount(), beeps + 1);
  Edit->SetDecimalPlaces(0);
  TypeOver(u"7,");
  EXPECT_EQ(Edit->GetText(), u"7,");
  Display.TypeText(u"5");
  EXPECT_EQ(Edit->GetText(), u"7,");
  EXPECT_EQ(Number(), 7.0);
}

TEST_F(DBNumberEdit, LettersAndASecondSeparatorAreRefused) {
  MakeOwn();
  TypeOver(u"1a2,3,4");
  EXPECT_EQ(Edit->GetText(), u"12,34");
}

TEST_F(DBNumberEdit, BetweenZeroAndAHundredALoneMinusIsTakenButNoNegativeNumberAndTooMuchIsCut) {
  MakeOwn();
  Edit->SetMinValue(0);
  Edit->SetMaxValue(100);
  TypeOver(u"-");
  EXPECT_EQ(Edit->GetText(), u"-");
  EXPECT_EQ(Number(), 0.0);
  Display.TypeText(u"5");
  EXPECT_EQ(Edit->GetText(), u"-");
  TypeOver(u"150");
  EXPECT_EQ(Edit->GetText(), u"150");
  EXPECT_EQ(Number(), 100.0);
  Display.Key(VK_TAB);
  EXPECT_EQ(Edit->GetText(), u"100");  // written back, the value shows
}

TEST_F(DBNumberEdit, AMinimumAboveAZeroMaximumIsALowerBoundAlone) {
  MakeOwn();
  Edit->SetMinValue(10);
  Edit->SetMaxValue(0);
  TypeOver(u"5");
  EXPECT_EQ(Number(), 10.0);
  TypeOver(u"100000");
  EXPECT_EQ(Number(), 100000.0);
}

TEST_F(DBNumberEdit, NewBoundsHoldADataIndependentValueAtOnce) {
  MakeOwn();
  Edit->SetValue(Variant(250.0));
  Edit->SetMaxValue(200);
  EXPECT_EQ(Number(), 200.0);
  EXPECT_EQ(Edit->GetText(), u"200");
}

TEST_F(DBNumberEdit, AnIntegerFieldsBoundsApplyUntilTheEditorHasItsOwn) {
  Bind(u"COPIES");
  EXPECT_EQ(Edit->GetMinValue(), 0);
  EXPECT_EQ(Edit->GetMaxValue(), 100);
  TypeOver(u"250");
  EXPECT_EQ(Number(), 100.0);
  Edit->SetMaxValue(500);
  TypeOver(u"250");
  EXPECT_EQ(Number(), 250.0);
  EXPECT_EQ(Edit->GetMinValue(), 0);
}

TEST_F(DBNumberEdit, ValuesAreRoundedToTheDecimalPlacesHalvesToEven) {
  MakeOwn();
  Edit->SetDecimalPlaces(1);
  EXPECT_EQ(Edit->CheckValue(0.25L), 0.2L);
  EXPECT_EQ(Edit->CheckValue(0.35L), 0.4L);
  Edit->SetDecimalPlaces(0);
  EXPECT_EQ(Edit->CheckValue(2.5L), 2.0L);
  Edit->SetText(u"3,5");
  EXPECT_EQ(Number(), 4.0);
}

TEST_F(DBNumberEdit, APasteThatIsNoNumberIsRefusedAndANumberIsTaken) {
  Bind(u"PRICE");
  Focus(Edit);
  Edit->SelectAll();
  Clipboard()->SetAsText(u"двенадцать");
  const Integer beeps = Display.BeepCount();
  Display.Key(u'V', THeadlessShift::Ctrl);
  EXPECT_EQ(Edit->GetText(), u"12,5");
  EXPECT_EQ(Display.BeepCount(), beeps + 1);
  Clipboard()->SetAsText(u"7.25");
  Edit->Perform(WM_PASTE);
  EXPECT_EQ(Edit->GetText(), u"7,25");
  EXPECT_EQ(Number(), 7.25);
  Display.Key(VK_TAB);
  EXPECT_EQ(Field(u"PRICE")->GetAsFloat(), 7.25);
}

TEST_F(DBNumberEdit, ATextThatIsNoNumberSetInCodeRaisesTheConversionError) {
  MakeOwn();
  EXPECT_THROW(Edit->SetText(u"abc"), EConvertError);
  Edit->SetText(u"  ");
  EXPECT_TRUE(Edit->GetValue().IsNull());
}

// ---- stepping ---------------------------------------------------------------------------------------------------

TEST_F(DBNumberEdit, UpAndDownStepByTheIncrementWithinTheBounds) {
  Bind(u"PRICE");
  Focus(Edit);
  Display.Key(VK_UP);
  EXPECT_EQ(Number(), 13.5);
  EXPECT_EQ(Edit->GetText(), u"13,5");
  EXPECT_EQ(Edit->GetSelLength(), 4);
  Edit->SetIncrement(0.25);
  Display.Key(VK_DOWN);
  EXPECT_EQ(Number(), 13.25);
  Edit->SetMaxValue(13.3);
  Display.Key(VK_UP);
  EXPECT_EQ(Number(), 13.3);
  Display.Key(VK_TAB);
  EXPECT_EQ(Field(u"PRICE")->GetAsFloat(), 13.3);
}

TEST_F(DBNumberEdit, SteppingFromAnEmptyEditorStartsAtTheIncrement) {
  Table.Next();  // PRICE is Null
  Bind(u"PRICE");
  Focus(Edit);
  Display.Key(VK_DOWN);
  EXPECT_EQ(Number(), 1.0);
}

TEST_F(DBNumberEdit, TheWheelAndAnUpDownButtonStepTooButNotAReadOnlyEditor) {
  Bind(u"PRICE");
  Focus(Edit);
  Display.Wheel(Edit->GetHandle(), 20, 8, 120);
  EXPECT_EQ(Number(), 13.5);
  Display.Wheel(Edit->GetHandle(), 20, 8, -120);
  Display.Wheel(Edit->GetHandle(), 20, 8, -120);
  EXPECT_EQ(Number(), 11.5);

  Edit->GetEditButton()->SetStyle(ebsUpDownEh);
  Edit->GetEditButton()->SetVisible(true);
  Display.ProcessMessages();
  TEditButtonControlEh* button = Edit->GetEditButtonControl(0);
  ASSERT_NE(button, nullptr);
  const Integer x = button->GetLeft() + button->GetWidth() / 2;
  Display.Click(Edit->GetHandle(), x, button->GetTop() + 2);
  EXPECT_EQ(Number(), 12.5);
  Display.Click(Edit->GetHandle(), x, button->GetTop() + button->GetHeight() - 3);
  EXPECT_EQ(Number(), 11.5);

  Edit->SetReadOnly(true);
  Display.Key(VK_UP);
  Display.Wheel(Edit->GetHandle(), 20, 8, 120);
  EXPECT_EQ(Number(), 11.5);
}

// ---- the calculator ------------------------------------------------------------------------------------------------

TEST_F(DBNumberEdit, TheCalculatorsResultIsPostedToTheField) {
  Bind(u"PRICE");
  Edit->GetEditButton()->SetVisible(true);
  Focus(Edit);
  Display.Key(VK_DOWN, THeadlessShift::Alt);
  ASSERT_TRUE(CalculatorShown());
  EXPECT_TRUE(Edit->GetDroppedDown());
  EXPECT_TRUE(HasFocus(Edit));
  EXPECT_EQ(Calculator()->GetDisplayText(), u"12,5");
  Display.TypeText(u"*2+3");
  Display.Key(VK_RETURN);  // "=" while a sum waits
  EXPECT_TRUE(CalculatorShown());
  EXPECT_EQ(Calculator()->GetDisplayText(), u"28");
  Display.Key(VK_RETURN);  // "Ok"
  EXPECT_FALSE(CalculatorShown());
  EXPECT_EQ(Edit->GetText(), u"28");
  EXPECT_EQ(Number(), 28.0);
  Display.Key(VK_TAB);
  Table.Post();
  EXPECT_EQ(StoredValue(u"PRICE", 1).AsDouble(), 28.0);
}

TEST_F(DBNumberEdit, TheCalculatorsButtonsWorkAndItsResultIsHeldToTheBounds) {
  Bind(u"COPIES");  // 0 to 100
  Edit->GetEditButton()->SetVisible(true);
  std::vector<bool> closes;
  Edit->OnCloseUp = [&](TObject*, bool Accept) { closes.push_back(Accept); };
  Display.ProcessMessages();
  TEditButtonControlEh* main = Edit->GetEditButtonControl(0);
  Display.Click(Edit->GetHandle(), main->GetLeft() + 4, 6);
  ASSERT_TRUE(CalculatorShown());
  auto click = [&](Integer Tag) {
    const TRect r = Calculator()->ButtonByTag(Tag)->GetBoundsRect();
    Display.Click(Calculator()->GetHandle(), (r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
  };
  click(10);  // *
  click(19);  // 0
  click(23);  // =
  click(23);  // Ok
  EXPECT_FALSE(CalculatorShown());
  EXPECT_EQ(closes, std::vector<bool>{true});
  EXPECT_EQ(Number(), 0.0);
  Edit->DropDown();
  Display.TypeText(u"999");
  Display.Key(VK_RETURN);
  EXPECT_EQ(Number(), 100.0);
  Display.Key(VK_TAB);
  EXPECT_EQ(Field(u"COPIES")->GetAsInteger(), 100);
}

TEST_F(DBNumberEdit, EscapeOrLeavingClosesTheCalculatorAndKeepsTheValue) {
  Bind(u"PRICE");
  Focus(Edit);
  Edit->DropDown();
  Display.TypeText(u"7");
  Display.Key(VK_ESCAPE);
  EXPECT_FALSE(CalculatorShown());
  EXPECT_EQ(Number(), 12.5);
  EXPECT_EQ(Table.GetState(), dsBrowse);
  Edit->DropDown();
  Display.TypeText(u"7");
  Display.Key(VK_TAB);
  EXPECT_FALSE(CalculatorShown());
  EXPECT_TRUE(HasFocus(Other));
  EXPECT_EQ(Field(u"PRICE")->GetAsFloat(), 12.5);
}

TEST_F(DBNumberEdit, AnErrorInTheCalculatorLeavesTheValue) {
  Bind(u"PRICE");
  Focus(Edit);
  Edit->DropDown();
  Display.TypeText(u"/0");
  Display.Key(VK_RETURN);
  EXPECT_EQ(Calculator()->GetDisplayText(), u"Error");
  Display.Key(VK_RETURN);
  EXPECT_FALSE(CalculatorShown());
  EXPECT_EQ(Number(), 12.5);
}

}  // namespace
