// The calculator: its key state machine with the Russian number settings, the
// clipboard, its buttons and layout, and the popup through a small owner edit:
// opening, the keys that close it, the value it posts, its border.

#include "PopupOwnerTestSupport.h"
#include "platform/ui/Clipbrd.h"
#include "platform/ui/Input.h"

namespace {

class Calculator : public PopupOwnerFixture {
protected:
  std::unique_ptr<TCalculatorEh> Calc = std::make_unique<TCalculatorEh>(nullptr);

  // Each character through the key state machine.
  void Keys(const String& Text) {
    for (Char c : Text) Calc->CalcKey(c);
  }
  String Shown() const { return Calc->GetDisplayText(); }
  String EqualsCaption() const { return Calc->GetEqualButton()->GetCaption(); }
};

// ---- Arithmetic -----------------------------------------------------------------------------------------

TEST_F(Calculator, TwoPlusThreeIsFiveAndPercentWithNoPendingArithmeticLeavesIt) {
  Keys(u"2+3=");
  EXPECT_EQ(Shown(), u"5");
  Keys(u"%");
  EXPECT_EQ(Shown(), u"5");
  EXPECT_EQ(Calc->GetOperator(), u'%');
  EXPECT_EQ(Calc->GetOperand(), 5);
}

TEST_F(Calculator, PercentTakesAShareOfTheFirstNumberOrDividesByAHundred) {
  Keys(u"50+10%");
  EXPECT_EQ(Shown(), u"55");
  Keys(u"C200-25%");
  EXPECT_EQ(Shown(), u"150");
  Keys(u"C50*10%");
  EXPECT_EQ(Shown(), u"5");
  Keys(u"C50/10%");
  EXPECT_EQ(Shown(), u"500");
}

TEST_F(Calculator, OperatorsApplyLeftToRightAndEnterActsAsEquals) {
  Keys(u"2+3*4");
  EXPECT_EQ(Shown(), u"4");
  Calc->CalcKey(Char(VK_RETURN));
  EXPECT_EQ(Shown(), u"20");
  Keys(u"-25=");
  EXPECT_EQ(Shown(), u"-5");
  Keys(u"C1/3=");
  EXPECT_EQ(Shown(), u"0,333333333333333");  // fifteen significant digits
  Keys(u"C0,1+0,2=");
  EXPECT_EQ(Shown(), u"0,3");
}

TEST_F(Calculator, DivisionByZeroShowsErrorAndOnlyClearLeavesIt) {
  Keys(u"1/0=");
  EXPECT_EQ(Shown(), u"Error");
  EXPECT_EQ(Calc->GetStatus(), cstErrorEh);
  EXPECT_EQ(EqualsCaption(), u"Ok");
  EXPECT_EQ(Calc->GetDisplayValue(), 0);
  Keys(u"7+IRS,");
  Calc->CalcKey(Char(VK_BACK));
  EXPECT_EQ(Shown(), u"Error");
  Keys(u"C");
  EXPECT_EQ(Shown(), u"0");
  EXPECT_EQ(Calc->GetStatus(), cstResultEh);
  EXPECT_EQ(Calc->GetOperator(), u'=');
  Keys(u"8");
  EXPECT_EQ(Shown(), u"8");
}

TEST_F(Calculator, ReciprocalAndRootShowResultsAndRefuseZeroAndNegatives) {
  Keys(u"4R");
  EXPECT_EQ(Shown(), u"0,25");
  Keys(u"9S");
  EXPECT_EQ(Shown(), u"3");
  Keys(u"0R");
  EXPECT_EQ(Shown(), u"Error");
  Keys(u"C5IS");
  EXPECT_EQ(Shown(), u"Error");
  // A result then starts a new number with the next digit.
  Keys(u"C16S2");
  EXPECT_EQ(Shown(), u"2");
}

TEST_F(Calculator, LettersCountInEitherCase) {
  Keys(u"9s");
  EXPECT_EQ(Shown(), u"3");
  Keys(u"i");
  EXPECT_EQ(Shown(), u"-3");
  Keys(u"c4r");
  EXPECT_EQ(Shown(), u"0,25");
  Keys(u"c");
  EXPECT_EQ(Shown(), u"0");
}

TEST_F(Calculator, EscapeClearsLikeC) {
  Keys(u"12+3");
  Calc->CalcKey(Char(VK_ESCAPE));
  EXPECT_EQ(Shown(), u"0");
  EXPECT_EQ(Calc->GetOperator(), u'=');
  EXPECT_EQ(Calc->GetOperand(), 0);
  Keys(u"1/0=");
  Calc->CalcKey(Char(VK_ESCAPE));
  EXPECT_EQ(Shown(), u"0");
}

TEST_F(Calculator, AResultTooLargeForADoubleIsAnError) {
  Clipboard()->SetAsText(u"1E200");
  Keys(u"\x16*\x16=");
  EXPECT_EQ(Shown(), u"Error");
}

// ---- Typing numbers ----------------------------------------------------------------------------------

TEST_F(Calculator, SixteenDigitsKeepFifteenAndAMinusSignIsNotCounted) {
  Keys(u"1234567890123456");
  EXPECT_EQ(Shown(), u"123456789012345");
  Keys(u"C12I");
  EXPECT_EQ(Shown(), u"-12");
  Keys(u"3456789012345678");
  EXPECT_EQ(Shown(), u"-123456789012345");
}

TEST_F(Calculator, NegatingAResultLetsTheNextDigitStartANewNumber) {
  Keys(u"2+3=I");
  EXPECT_EQ(Shown(), u"-5");
  Keys(u"7");
  EXPECT_EQ(Shown(), u"7");
  // While typing, the sign changes and typing goes on.
  Keys(u"I8");
  EXPECT_EQ(Shown(), u"-78");
  // Zero has no sign.
  Keys(u"C0I");
  EXPECT_EQ(Shown(), u"0");
}

TEST_F(Calculator, BackspaceRemovesTheLastCharacterDownToZero) {
  Keys(u"123");
  Calc->CalcKey(Char(VK_BACK));
  EXPECT_EQ(Shown(), u"12");
  Keys(u"C5I");
  ASSERT_EQ(Shown(), u"-5");
  Calc->CalcKey(Char(VK_BACK));
  EXPECT_EQ(Shown(), u"0");
  // On a result it starts a new number: zero.
  Keys(u"2+3=");
  Calc->CalcKey(Char(VK_BACK));
  EXPECT_EQ(Shown(), u"0");
  EXPECT_EQ(Calc->GetStatus(), cstEnteringEh);
}

TEST_F(Calculator, TheDecimalSeparatorIsTheLocalesWhicheverOfPointAndCommaIsTyped) {
  Keys(u".");
  EXPECT_EQ(Shown(), u"0,");
  Keys(u"5,7.");
  EXPECT_EQ(Shown(), u"0,57");
  Keys(u"*2=");
  EXPECT_EQ(Shown(), u"1,14");
  FormatSettings.DecimalSeparator = u'.';
  Keys(u"C,25");
  EXPECT_EQ(Shown(), u"0.25");
}

TEST_F(Calculator, TheEqualsButtonReadsEqualsOnlyWhileAnOperationWaitsForItsSecondNumber) {
  EXPECT_EQ(EqualsCaption(), u"Ok");
  Keys(u"2+");
  EXPECT_EQ(EqualsCaption(), u"Ok");
  Keys(u"3");
  EXPECT_EQ(EqualsCaption(), u"=");
  Keys(u"=");
  EXPECT_EQ(EqualsCaption(), u"Ok");
  // The decimal separator leaves the caption as it was.
  Keys(u"2+,");
  EXPECT_EQ(EqualsCaption(), u"Ok");
  Keys(u"5");
  EXPECT_EQ(EqualsCaption(), u"=");
  // A first number of zero waits for nothing; nor does a pending percent.
  Keys(u"C0+3");
  EXPECT_EQ(EqualsCaption(), u"Ok");
  Keys(u"C4%3");
  EXPECT_EQ(EqualsCaption(), u"Ok");
}

// ---- Clipboard ---------------------------------------------------------------------------------------

TEST_F(Calculator, CtrlCCopiesTheDisplayAndCtrlVPastesANumber) {
  Keys(u"1/4=");
  Calc->CalcKey(Char(3));
  EXPECT_EQ(Clipboard()->GetAsText(), u"0,25");
  Clipboard()->SetAsText(u"  12,5 ");
  Keys(u"C\x16");
  EXPECT_EQ(Shown(), u"12,5");
}

TEST_F(Calculator, APastedNumberTakesThePendingOperation) {
  Clipboard()->SetAsText(u"3");
  Keys(u"2+\x16");
  EXPECT_EQ(EqualsCaption(), u"=");
  Keys(u"=");
  EXPECT_EQ(Shown(), u"5");
}

TEST_F(Calculator, PastingTextThatIsNoNumberIsRefusedAndLeavesTheDisplay) {
  Keys(u"2+7");
  const Integer beeps = GetMessageBeepCount();
  for (const char16_t* text : {u"двенадцать", u"12abc", u"", u"1E99999"}) {
    Clipboard()->SetAsText(text);
    EXPECT_NO_THROW(Calc->CalcKey(Char(22)));
    EXPECT_EQ(Shown(), u"7");
  }
  EXPECT_EQ(GetMessageBeepCount(), beeps + 4);
  Keys(u"=");
  EXPECT_EQ(Shown(), u"9");
}

// ---- Buttons and layout ---------------------------------------------------------------------------------

TEST_F(Calculator, IsLaidOutAsDesignedScaledToItsFontWithGlyphButtonsInBlueAndRed) {
  EXPECT_EQ(Calc->GetColor(), clBtnFace);
  EXPECT_EQ(Calc->GetPixelsPerInch(), 96);
  EXPECT_EQ(Calc->GetTextHeight(), 13);
  const auto design = [&](Integer X, Integer Y, Integer W, Integer H) {
    return ScaledToFont(Calc.get(), Bounds(X, Y, W, H));
  };
  const TRect client = design(0, 0, 184, 127);
  EXPECT_GE(client.Width(), 184);  // never smaller than designed: the captions fit
  EXPECT_EQ(Calc->GetLayoutClientWidth(), client.Width());
  EXPECT_EQ(Calc->GetLayoutClientHeight(), client.Height());
  EXPECT_EQ(Calc->GetWidth(), client.Width());  // no border: the client size
  EXPECT_EQ(Calc->GetHeight(), client.Height());
  EXPECT_EQ(Calc->GetPanel1()->GetBoundsRect(), design(6, 4, 171, 19));
  EXPECT_EQ(Calc->GetPanel1()->GetColor(), clWindow);
  EXPECT_EQ(Calc->GetTextBox()->GetBoundsRect(), design(2, 1, 166, 17));
  EXPECT_EQ(Calc->GetTextBox()->GetAlignment(), taRightJustify);
  EXPECT_EQ(Calc->GetTextBox()->GetLayout(), tlCenter);
  EXPECT_EQ(Calc->GetEqualButton()->GetName(), u"spEqual");
  EXPECT_EQ(Calc->GetEqualButton()->GetBoundsRect(), design(122, 101, 56, 22));
  EXPECT_EQ(Calc->ButtonByTag(6)->GetBoundsRect(), design(151, 29, 27, 46));
  EXPECT_EQ(Calc->ButtonByTag(12)->GetBoundsRect(), design(151, 52, 27, 23));
  EXPECT_EQ(Calc->ButtonByTag(19)->GetBoundsRect(), design(6, 101, 27, 22));
  EXPECT_EQ(Calc->ButtonByTag(18)->GetBoundsRect(), design(151, 77, 27, 22));
  const String blue[] = {u"0", u"1", u"2",   u"3", u"4",    u"5", u"6",  u"7",
                         u"8", u"9", u"+/-", u".", u"sqrt", u"%", u"1/x"};
  Integer buttons = 0;
  for (Integer tag = 1; tag <= 23; ++tag) {
    TSpeedButtonEh* b = Calc->ButtonByTag(tag);
    ASSERT_NE(b, nullptr) << tag;
    ++buttons;
    EXPECT_EQ(b->GetStyle(), ebsGlyphEh);
    EXPECT_TRUE(b->GetActive());
    const bool isBlue = std::find(std::begin(blue), std::end(blue), b->GetCaption()) != std::end(blue);
    EXPECT_EQ(b->GetFont()->GetColor(), isBlue ? clBlue : clRed) << tag;
    EXPECT_EQ(b->GetFont()->GetHeight(), -11);
  }
  EXPECT_EQ(buttons, 23);
  EXPECT_EQ(Calc->ButtonByTag(24), nullptr);
}

TEST_F(Calculator, EachButtonSendsTheKeyOfItsTag) {
  EXPECT_EQ(TCalculatorEh::KeyOfTag(5), u'S');
  EXPECT_EQ(TCalculatorEh::KeyOfTag(12), u'A');
  EXPECT_EQ(TCalculatorEh::KeyOfTag(18), Char(VK_BACK));
  EXPECT_EQ(TCalculatorEh::KeyOfTag(20), u'I');
  EXPECT_EQ(TCalculatorEh::KeyOfTag(23), u'=');
  EXPECT_EQ(TCalculatorEh::KeyOfTag(0), 0);
  EXPECT_EQ(TCalculatorEh::KeyOfTag(24), 0);
  // A click through the published handler, as the buttons make it.
  Calc->SpeedButtonClick(Calc->ButtonByTag(1));   // 7
  Calc->SpeedButtonClick(Calc->ButtonByTag(20));  // +/-
  Calc->SpeedButtonClick(Calc->ButtonByTag(22));  // +
  Calc->SpeedButtonClick(Calc->ButtonByTag(14));  // 2
  Calc->SpeedButtonClick(Calc->ButtonByTag(21));  // .
  Calc->SpeedButtonClick(Calc->ButtonByTag(19));  // 0
  Calc->SpeedButtonClick(Calc->ButtonByTag(8));   // 5
  Calc->SpeedButtonClick(Calc->ButtonByTag(23));  // =
  EXPECT_EQ(Shown(), u"-4,95");
  // Cancel has no action in the calculator itself.
  Calc->SpeedButtonClick(Calc->ButtonByTag(12));
  EXPECT_EQ(Shown(), u"-4,95");
}

TEST_F(Calculator, ABorderAddsTheWindowFrameToTheSize) {
  const Integer w = Calc->GetLayoutClientWidth(), h = Calc->GetLayoutClientHeight();
  Calc->SetBorderStyle(bsSingle);
  EXPECT_EQ(Calc->GetWidth(), w + 2);
  EXPECT_EQ(Calc->GetHeight(), h + 2);
  Calc->SetBorderStyle(bsNone);
  EXPECT_EQ(Calc->GetWidth(), w);
  EXPECT_EQ(Calc->GetHeight(), h);
}

// A calculator placed on a form, focused, driven by real clicks and keys.
class CalculatorOnAForm : public Calculator {
protected:
  void SetUp() override {
    MakeForm();
    Calc.reset(new TCalculatorEh(Form));
    Calc->SetParent(Form);
    Calc->SetLeft(20);
    Calc->SetTop(60);
    Calc->SetTabStop(true);
    Display.ProcessMessages();
    Calc->SetFocus();
    Display.ProcessMessages();
  }
  void TearDown() override { Calc.release(); }  // the form owns it
  void Click(Integer Tag) {
    const TRect r = Calc->ButtonByTag(Tag)->GetBoundsRect();
    Display.Click(Calc->GetHandle(), (r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
  }
};

TEST_F(CalculatorOnAForm, ClicksOnTheButtonsAndTypedCharactersFeedTheKeys) {
  Click(13);  // 1
  Click(19);  // 0
  Click(10);  // *
  Display.TypeText(u"3");
  Click(23);  // =
  EXPECT_EQ(Shown(), u"30");
  Display.TypeText(u"+2,5=");
  EXPECT_EQ(Shown(), u"32,5");
  Display.Key(VK_DELETE);
  EXPECT_EQ(Shown(), u"0");
  Display.TypeText(u"9");
  Display.Key(VK_BACK);
  EXPECT_EQ(Shown(), u"0");
}

TEST_F(CalculatorOnAForm, TheCancelButtonLiesUnderC) {
  Display.TypeText(u"12");
  const TRect cancel = Calc->ButtonByTag(12)->GetBoundsRect();
  const TPoint p((cancel.Left + cancel.Right) / 2, (cancel.Top + cancel.Bottom) / 2);
  EXPECT_EQ(Calc->ControlAtPos(p, false), Calc->ButtonByTag(6));
  Display.Click(Calc->GetHandle(), p.X, p.Y);
  EXPECT_EQ(Shown(), u"0");
}

TEST_F(CalculatorOnAForm, TheWheelStepsTheShownValueByOneExceptOnAnError) {
  Display.TypeText(u"2,5");
  Calc->Perform(CM_MOUSEWHEEL, MakeWParam(0, WHEEL_DELTA), 0);
  EXPECT_EQ(Shown(), u"3,5");
  Calc->Perform(CM_MOUSEWHEEL, MakeWParam(0, -WHEEL_DELTA), 0);
  Calc->Perform(CM_MOUSEWHEEL, MakeWParam(0, -WHEEL_DELTA), 0);
  EXPECT_EQ(Shown(), u"1,5");
  Display.TypeText(u"/0=");
  ASSERT_EQ(Shown(), u"Error");
  EXPECT_EQ(Calc->Perform(CM_MOUSEWHEEL, MakeWParam(0, WHEEL_DELTA), 0), 1);  // consumed
  EXPECT_EQ(Shown(), u"Error");
}

TEST_F(CalculatorOnAForm, PastingTextThatIsNoNumberRaisesNothingOutOfTheKeyHandler) {
  Display.TypeText(u"4");
  Clipboard()->SetAsText(u"четыре");
  Display.Key('V', THeadlessShift::Ctrl);
  EXPECT_EQ(Shown(), u"4");
  EXPECT_TRUE(Display.MessageBoxes().empty());  // no error box from the application
  Clipboard()->SetAsText(u"40");
  Display.Key('V', THeadlessShift::Ctrl);
  EXPECT_EQ(Shown(), u"40");
  Display.Key('C', THeadlessShift::Ctrl);
  EXPECT_EQ(Clipboard()->GetAsText(), u"40");
}

// ---- The popup ----------------------------------------------------------------------------------------

class PopupCalculator : public PopupOwnerFixture {
protected:
  String Text() const { return Calculator()->GetDisplayText(); }
};

TEST_F(PopupCalculator, DropsDownWithTheEditorsValueWithoutTakingTheFocus) {
  MakeForm();
  Focus(NumberEdit);
  NumberEdit->SetText(u"12,5");
  NumberEdit->DropDown();
  Display.ProcessMessages();
  ASSERT_TRUE(Shown(Calculator()));
  EXPECT_TRUE(Calculator()->GetVisible());
  EXPECT_EQ(Text(), u"12,5");
  EXPECT_EQ(Calculator()->GetStatus(), cstResultEh);
  // Right-aligned under the edit, the client area inside a two-pixel border.
  const TRect edit = GetWindowRect(NumberEdit->GetHandle());
  const TRect popup = GetWindowRect(Calculator()->GetHandle());
  EXPECT_EQ(popup.Top, edit.Bottom);
  EXPECT_EQ(popup.Right, edit.Right);
  const Integer w = Calculator()->GetLayoutClientWidth(), h = Calculator()->GetLayoutClientHeight();
  EXPECT_EQ(popup.Width(), w + 4);
  EXPECT_EQ(popup.Height(), h + 4);
  EXPECT_EQ(Calculator()->GetClientRect(), TRect(0, 0, w, h));
  EXPECT_EQ(GetFocus(), NumberEdit->GetHandle());
  EXPECT_FALSE(Calculator()->CanFocus());
  // A click on a button neither focuses nor activates it.
  ClickButton(1);
  EXPECT_EQ(Text(), u"7");
  EXPECT_EQ(GetFocus(), NumberEdit->GetHandle());
  EXPECT_EQ(GetActiveWindow(), Form->GetHandle());
}

TEST_F(PopupCalculator, EnterFinishesThePendingOperationThenPostsTheResult) {
  MakeForm();
  Focus(NumberEdit);
  NumberEdit->SetText(u"12,5");
  NumberEdit->DropDown();
  Display.TypeText(u"+7");
  EXPECT_EQ(Calculator()->GetEqualButton()->GetCaption(), u"=");
  EXPECT_FALSE(Calculator()->CanClose());
  Display.Key(VK_RETURN);
  EXPECT_TRUE(NumberEdit->DroppedDown());
  EXPECT_EQ(Text(), u"19,5");
  EXPECT_TRUE(Calculator()->CanClose());
  Display.Key(VK_RETURN);
  EXPECT_FALSE(NumberEdit->DroppedDown());
  EXPECT_FALSE(Shown(Calculator()));
  EXPECT_EQ(NumberEdit->Closes, std::vector<bool>{true});
  EXPECT_EQ(NumberEdit->GetText(), u"19,5");
  EXPECT_EQ(GetFocus(), NumberEdit->GetHandle());
}

TEST_F(PopupCalculator, TheOkButtonAndTheEqualsKeyCloseAcceptingWhenNothingWaits) {
  MakeForm();
  Focus(NumberEdit);
  NumberEdit->DropDown();
  Display.TypeText(u"6*7");
  ClickButton(23);  // "=": works out 42
  EXPECT_TRUE(NumberEdit->DroppedDown());
  ClickButton(23);  // "Ok"
  EXPECT_EQ(NumberEdit->GetText(), u"42");
  NumberEdit->DropDown();
  EXPECT_EQ(Text(), u"42");
  Display.TypeText(u"I=");
  EXPECT_EQ(NumberEdit->GetText(), u"-42");
  EXPECT_EQ(NumberEdit->Closes, (std::vector<bool>{true, true}));
}

TEST_F(PopupCalculator, EscapeClosesWithoutPosting) {
  MakeForm();
  Focus(NumberEdit);
  NumberEdit->SetText(u"3");
  NumberEdit->DropDown();
  Display.TypeText(u"99");
  Display.Key(VK_ESCAPE);
  EXPECT_FALSE(Shown(Calculator()));
  EXPECT_FALSE(Calculator()->GetVisible());
  EXPECT_EQ(NumberEdit->Closes, std::vector<bool>{false});
  EXPECT_EQ(NumberEdit->GetText(), u"3");
}

TEST_F(PopupCalculator, AnErrorIsNeverPosted) {
  MakeForm();
  Focus(NumberEdit);
  NumberEdit->SetText(u"8");
  NumberEdit->DropDown();
  Display.TypeText(u"/0=");
  ASSERT_EQ(Text(), u"Error");
  EXPECT_EQ(Calculator()->GetValue().VarType(), varError);
  Display.Key(VK_RETURN);
  EXPECT_EQ(NumberEdit->Closes, std::vector<bool>{true});
  EXPECT_EQ(NumberEdit->GetText(), u"8");
}

TEST_F(PopupCalculator, TheCloseWithoutAcceptingMessageAndTheLossOfFocusCloseIt) {
  MakeForm();
  Focus(NumberEdit);
  NumberEdit->DropDown();
  PostMessage(Calculator()->GetHandle(), WM_CLOSEUPNOACCEPT, 0, 0);
  Display.ProcessMessages();
  EXPECT_FALSE(Shown(Calculator()));
  NumberEdit->DropDown();
  Display.Click(Other->GetHandle(), 5, 5);
  EXPECT_FALSE(Shown(Calculator()));
  EXPECT_EQ(NumberEdit->Closes, (std::vector<bool>{false, false}));
  // A popup whose owner does not listen ignores it.
  TPopupCalculatorEh lonely(nullptr);
  EXPECT_NO_THROW(lonely.Perform(WM_CLOSEUPNOACCEPT, 0, 0));
}

TEST_F(PopupCalculator, TakesEnterAndEscapeAsSpecialKeys) {
  MakeForm();
  TPopupCalculatorEh* c = Calculator();
  EXPECT_EQ(c->Perform(CM_WANTSPECIALKEY, VK_RETURN), 1);
  EXPECT_EQ(c->Perform(CM_WANTSPECIALKEY, VK_ESCAPE), 1);
  EXPECT_EQ(c->Perform(CM_WANTSPECIALKEY, VK_TAB), 0);
  EXPECT_EQ(c->Perform(WM_MOUSEACTIVATE), MA_NOACTIVATE);
}

TEST_F(PopupCalculator, ItsValueIsADoubleAndSettingOneClearsThePendingOperation) {
  MakeForm();
  TPopupCalculatorEh* c = Calculator();
  IPopupEditBoxEh* box = c;
  box->SetValue(Variant(2.5));
  EXPECT_EQ(box->GetValue().VarType(), varDouble);
  EXPECT_EQ(box->GetValue().AsDouble(), 2.5);
  c->CalcKey(u'+');
  c->CalcKey(u'4');
  box->SetValue(Variant(Integer(10)));
  EXPECT_EQ(Text(), u"10");
  EXPECT_EQ(c->GetOperator(), u'=');
  EXPECT_EQ(c->GetOperand(), 0);
  EXPECT_TRUE(box->CanClose());
  box->SetValue(Variant::Null());
  EXPECT_EQ(Text(), u"0");
}

TEST_F(PopupCalculator, SettingTheFlatFlagLeavesEveryButtonRaised) {
  MakeForm();
  IPopupEditBoxEh* box = Calculator();
  EXPECT_TRUE(box->GetFlat());
  Calculator()->ButtonByTag(3)->SetFlat(true);
  box->SetFlat(false);
  EXPECT_FALSE(box->GetFlat());
  box->SetFlat(true);
  EXPECT_TRUE(box->GetFlat());
  for (Integer tag = 1; tag <= 23; ++tag) EXPECT_FALSE(Calculator()->ButtonByTag(tag)->GetFlat()) << tag;
}

TEST_F(PopupCalculator, ItsBorderIsADarkFrameAroundARaisedEdgeOrAPlainLine) {
  MakeForm();
  Focus(NumberEdit);
  NumberEdit->DropDown();
  Display.ProcessMessages();
  HWND wnd = Calculator()->GetHandle();
  const TRect c = GetClientRect(wnd);
  EXPECT_EQ(GetClientRectInWindow(wnd).TopLeft(), TPoint(2, 2));
  EXPECT_EQ(Display.PixelAt(wnd, -2, -2), ColorToRGB(cl3DDkShadow));
  EXPECT_EQ(Display.PixelAt(wnd, c.Right + 1, c.Bottom + 1), ColorToRGB(cl3DDkShadow));
  EXPECT_EQ(Display.PixelAt(wnd, -1, -1), ColorToRGB(clBtnHighlight));
  EXPECT_EQ(Display.PixelAt(wnd, c.Right, c.Bottom), ColorToRGB(clBtnShadow));
  NumberEdit->CloseUp(false);
  Calculator()->SetCtl3D(false);
  EXPECT_EQ(Calculator()->GetBorderMargin(), 0);
  const Integer w = Calculator()->GetLayoutClientWidth(), h = Calculator()->GetLayoutClientHeight();
  EXPECT_EQ(Calculator()->GetWidth(), w + 2);  // a one-pixel window border instead
  NumberEdit->DropDown();
  Display.ProcessMessages();
  EXPECT_EQ(GetClientRectInWindow(Calculator()->GetHandle()).TopLeft(), TPoint(1, 1));
  EXPECT_EQ(Calculator()->GetClientRect(), TRect(0, 0, w, h));
}

}  // namespace
