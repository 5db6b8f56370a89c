// The date-time editor under the Russian format settings, bound to the in-memory
// table and on its own: typing through the edit format, stepping elements, the
// separators, completing and refusing dates, and the popup calendar.

#include "DBDateNumberTestSupport.h"
#include "platform/ui/Input.h"

namespace {

class DBDateTimeEdit : public DBDateNumberFixture {
protected:
  TDBDateTimeEditEh* Edit = nullptr;

  void SetUp() override {
    DBDateNumberFixture::SetUp();
    OpenDates();
    MakeForm();
  }

  void BindAdded(TDateTimeKindEh Kind = dtkDateEh) {
    Edit = Make<TDBDateTimeEditEh>(20, 20, 180, 21);
    Edit->SetKind(Kind);
    Edit->SetDataSource(&Source);
    Edit->SetDataField(u"ADDED");
    Display.ProcessMessages();
  }

  // Focuses the editor with the caret at Place (0-based) and nothing selected.
  void CaretAt(Integer Place) {
    Focus(Edit);
    Edit->SetSelStart(Place);
  }

  TPopupMonthCalendarEh* Calendar() { return Edit->GetCalendar(); }
  bool CalendarShown() { return Edit->GetCalendarVisible() && IsWindowVisible(Calendar()->GetHandle()); }

  // The middle of the calendar's cell for Day, in its client coordinates.
  TPoint DayPoint(TDateTime Day) {
    const TRect client = Calendar()->GetClientRect();
    for (Integer y = 0; y < client.Bottom; y += 2)
      for (Integer x = 0; x < client.Right; x += 2) {
        TMCHitTestInfo info;
        info.pt = TPoint(x, y);
        const UINT hit = Calendar()->HitTest(info);
        if ((hit & MCHT_CALENDARDATE) == MCHT_CALENDARDATE && (hit & 0xFFFF) == 1 && info.st == Day)
          return TPoint(x + 4, y + 4);
      }
    ADD_FAILURE() << "no cell for the day";
    return TPoint(-1, -1);
  }
};

// ---- the edit format ------------------------------------------------------------------------------------

TEST_F(DBDateTimeEdit, ADateEditorTakesItsFormatFromTheLocaleAndShowsTheFieldWithItsSeparators) {
  BindAdded();
  EXPECT_TRUE(Edit->GetFourDigitYear());
  EXPECT_EQ(Edit->GetEditFormat(), u"DD/MM/YYYY");
  EXPECT_EQ(Edit->GetEditMask(), u"!99/99/9999;1; ");
  EXPECT_EQ(Edit->GetText(), u"15.03.2024");
  EXPECT_EQ(ValueDate(Edit), Added());
  Table.Next();
  EXPECT_TRUE(Edit->GetValue().IsNull());
  EXPECT_EQ(Edit->GetEditText(), u"  .  .    ");
}

TEST_F(DBDateTimeEdit, TheKindChoosesATimeOrADateAndTimeFormat) {
  BindAdded(dtkTimeEh);
  EXPECT_EQ(Edit->GetEditFormat(), u"HH:NN:SS");
  EXPECT_EQ(Edit->GetText(), u"10:30:00");
  Edit->SetKind(dtkDateTimeEh);
  EXPECT_EQ(Edit->GetEditFormat(), u"DD/MM/YYYY HH:NN:SS");
  EXPECT_EQ(Edit->GetText(), u"15.03.2024 10:30:00");
  Edit->SetEditFormat(u"YYYY/MM/DD");
  EXPECT_EQ(Edit->GetKind(), dtkCustomEh);
  EXPECT_EQ(Edit->GetText(), u"2024.03.15");
}

TEST_F(DBDateTimeEdit, ALocaleWithTwoDigitYearsGivesATwoDigitYearFormatAndItsWindow) {
  FormatSettings.ShortDateFormat = u"dd.MM.yy";
  Edit = Make<TDBDateTimeEditEh>(20, 20, 180, 21);
  EXPECT_FALSE(Edit->GetFourDigitYear());
  EXPECT_EQ(Edit->GetEditFormat(), u"DD/MM/YY");
  Focus(Edit);
  Display.TypeText(u"010299");
  EXPECT_EQ(ValueDate(Edit), Day(1999, 2, 1));
  Edit->SelectAll();
  Display.TypeText(u"010224");
  EXPECT_EQ(ValueDate(Edit), Day(2024, 2, 1));
}

TEST_F(DBDateTimeEdit, ABadEditFormatIsRefusedWithItsMessageAndStaysStored) {
  BindAdded();
  try {
    Edit->SetEditFormat(u"DD/MM/YYY");
    FAIL() << "no error";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), u"Invalid datetime format element length: \"Y\"");
  }
  EXPECT_EQ(Edit->GetEditFormat(), u"DD/MM/YYY");
  EXPECT_EQ(Edit->GetKind(), dtkCustomEh);
  EXPECT_EQ(Edit->GetText(), u"15.03.2024");  // the old mask still holds the value
}

// ---- typing ----------------------------------------------------------------------------------------------

TEST_F(DBDateTimeEdit, TypingADateThroughTheMaskWritesItAndADateEditorKeepsTheFieldsTime) {
  BindAdded();
  Focus(Edit);  // the whole text is selected
  Display.TypeText(u"01022025");
  EXPECT_EQ(Edit->GetText(), u"01.02.2025");
  EXPECT_EQ(Table.GetState(), dsEdit);
  EXPECT_EQ(FieldDate(u"ADDED"), Added());  // not written while typing
  Display.Key(VK_TAB);
  EXPECT_TRUE(HasFocus(Other));
  EXPECT_EQ(FieldDate(u"ADDED"), EncodeDateTime(2025, 2, 1, 10, 30, 0, 0));
  Table.Post();
  EXPECT_EQ(StoredValue(u"ADDED", 1).AsDateTime(), EncodeDateTime(2025, 2, 1, 10, 30, 0, 0));
}

TEST_F(DBDateTimeEdit, AnIncompleteDateIsNullUntilLeavingCompletesItWithThisYear) {
  BindAdded();
  Focus(Edit);
  Display.TypeText(u"0102");
  EXPECT_EQ(Edit->GetText(), u"01.02.    ");
  EXPECT_TRUE(Edit->GetValue().IsNull());
  Display.Key(VK_TAB);
  EXPECT_EQ(Edit->GetText(), u"01.02." + IntToStr(ThisYear()));
  EXPECT_EQ(FieldDate(u"ADDED"), EncodeDateTime(ThisYear(), 2, 1, 10, 30, 0, 0));
}

TEST_F(DBDateTimeEdit, ADayPastTheMonthsEndIsNullWhileTypedAndTheMonthsLastDayOnLeaving) {
  BindAdded();
  Focus(Edit);
  Display.TypeText(u"31022023");
  EXPECT_TRUE(Edit->GetValue().IsNull());
  Display.Key(VK_TAB);
  EXPECT_EQ(Edit->GetText(), u"28.02.2023");
  EXPECT_EQ(FieldDate(u"ADDED"), EncodeDateTime(2023, 2, 28, 10, 30, 0, 0));
}

TEST_F(DBDateTimeEdit, AnInvalidDateSetInCodeIsRefusedWithItsMessageAndNothingIsPosted) {
  BindAdded();
  try {
    Edit->SetText(u"31.02.2024");
    FAIL() << "no error";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), u"Invalid datetime: \"31.02.2024\"");
  }
  EXPECT_EQ(Edit->GetText(), u"15.03.2024");
  EXPECT_EQ(ValueDate(Edit), Added());
  Table.Post();
  EXPECT_EQ(StoredValue(u"ADDED", 1).AsDateTime(), Added());

  // Set from a button, the user sees the message and the field keeps its date.
  Other->OnClick = [this](TObject*) { Edit->SetText(u"32.01.2024"); };
  Display.Click(Other->GetHandle(), 5, 5);
  ASSERT_EQ(Display.MessageBoxes().size(), 1u);
  EXPECT_EQ(Display.MessageBoxes()[0].Text, u"Invalid datetime: \"32.01.2024\"");
  Table.Post();
  EXPECT_EQ(StoredValue(u"ADDED", 1).AsDateTime(), Added());
}

TEST_F(DBDateTimeEdit, AValidTextSetInCodeIsWrittenAtOnceAndAnEmptyTextWritesNull) {
  BindAdded();
  Edit->SetText(u"05.06.2024");
  EXPECT_EQ(FieldDate(u"ADDED"), EncodeDateTime(2024, 6, 5, 10, 30, 0, 0));
  Edit->SetText(u"");
  EXPECT_TRUE(Edit->GetValue().IsNull());
  EXPECT_TRUE(Field(u"ADDED")->GetIsNull());
}

TEST_F(DBDateTimeEdit, ClearingTheTextByTypingWritesNullToTheField) {
  BindAdded();
  Focus(Edit);
  Display.Key(VK_DELETE);
  EXPECT_EQ(Edit->GetEditText(), u"  .  .    ");
  EXPECT_TRUE(Edit->GetValue().IsNull());
  Display.Key(VK_TAB);
  EXPECT_TRUE(Field(u"ADDED")->GetIsNull());
}

TEST_F(DBDateTimeEdit, ATimeEditorBoundToADateTimeFieldChangesOnlyTheTime) {
  BindAdded(dtkTimeEh);
  Focus(Edit);
  Display.TypeText(u"084505");
  EXPECT_EQ(Edit->GetText(), u"08:45:05");
  Display.Key(VK_TAB);
  EXPECT_EQ(FieldDate(u"ADDED"), EncodeDateTime(2024, 3, 15, 8, 45, 5, 0));
}

TEST_F(DBDateTimeEdit, AYearTypedBelowAHundredFallsInTheCenturyWindowWithLeadingZerosToo) {
  Edit = Make<TDBDateTimeEditEh>(20, 20, 180, 21);
  Focus(Edit);
  Display.TypeText(u"15030024");
  EXPECT_EQ(ValueDate(Edit), Day(2024, 3, 15));
  Display.Key(VK_TAB);
  EXPECT_EQ(Edit->GetText(), u"15.03.2024");
  EXPECT_EQ(ValueDate(Edit), Day(2024, 3, 15));
}

TEST_F(DBDateTimeEdit, ADataIndependentEditorKeepsItsOwnDate) {
  Edit = Make<TDBDateTimeEditEh>(20, 20, 180, 21);
  Edit->SetValue(Variant::FromDate(Day(2024, 12, 31)));
  EXPECT_EQ(Edit->GetText(), u"31.12.2024");
  Focus(Edit);
  Display.TypeText(u"01012025");
  Display.Key(VK_TAB);
  EXPECT_EQ(ValueDate(Edit), Day(2025, 1, 1));
  EXPECT_EQ(Edit->GetDataLink()->GetDataValue().AsDateTime(), Day(2025, 1, 1));
}

TEST_F(DBDateTimeEdit, ThePartOfADateTypedSoFarDropsDownTheRecentDatesThatBeginWithIt) {
  Edit = Make<TDBDateTimeEditEh>(20, 20, 180, 21);
  TMRUListEh* mru = Edit->GetMRUList();
  mru->SetActive(true);
  mru->GetItems()->SetText(u"15.03.2024\n16.04.2023\n01.01.2020");
  Focus(Edit);
  Display.TypeText(u"1");
  ASSERT_NE(Edit->GetMRUListbox(), nullptr);
  TMRUListboxEh* list = Edit->GetMRUListbox();
  ASSERT_TRUE(IsWindowVisible(list->GetHandle()));
  ASSERT_EQ(list->GetCount(), 2);
  EXPECT_EQ(list->GetItemText(0), u"15.03.2024");
  EXPECT_EQ(list->GetItemText(1), u"16.04.2023");
  Display.TypeText(u"6");
  ASSERT_EQ(list->GetCount(), 1);
  Display.Key(VK_DOWN);
  Display.Key(VK_RETURN);
  EXPECT_EQ(Edit->GetText(), u"16.04.2023");
  EXPECT_EQ(ValueDate(Edit), Day(2023, 4, 16));
}

// ---- stepping -----------------------------------------------------------------------------------------------

TEST_F(DBDateTimeEdit, UpAndDownStepTheElementAtTheCaretAndSelectIt) {
  BindAdded();
  CaretAt(0);
  Display.Key(VK_UP);
  EXPECT_EQ(Edit->GetText(), u"16.03.2024");
  EXPECT_EQ(Edit->GetSelStart(), 0);
  EXPECT_EQ(Edit->GetSelLength(), 2);
  Display.Key(VK_DOWN);
  Display.Key(VK_DOWN);
  EXPECT_EQ(Edit->GetText(), u"14.03.2024");
  EXPECT_EQ(ValueDate(Edit), EncodeDateTime(2024, 3, 14, 10, 30, 0, 0));
  CaretAt(8);
  Display.Key(VK_UP);
  EXPECT_EQ(Edit->GetText(), u"14.03.2025");
  EXPECT_EQ(Edit->GetSelStart(), 6);
  EXPECT_EQ(Edit->GetSelLength(), 4);
}

TEST_F(DBDateTimeEdit, TheRussianDateSeparatorStepsTheElementAfterIt) {
  BindAdded();
  CaretAt(2);  // on the "." between day and month
  Display.Key(VK_UP);
  EXPECT_EQ(Edit->GetText(), u"15.04.2024");
  EXPECT_EQ(Edit->GetSelStart(), 3);
  CaretAt(5);
  Display.Key(VK_DOWN);
  EXPECT_EQ(Edit->GetText(), u"15.04.2023");
}

TEST_F(DBDateTimeEdit, SteppingWrapsAtTheEndsOfEachElementsRange) {
  BindAdded();
  Edit->SetValue(Variant::FromDate(Day(9999, 1, 31)));
  CaretAt(0);
  Display.Key(VK_UP);  // day 31 -> 1
  EXPECT_EQ(Edit->GetText(), u"01.01.9999");
  CaretAt(3);
  Display.Key(VK_DOWN);  // month 1 -> 12
  EXPECT_EQ(Edit->GetText(), u"01.12.9999");
  CaretAt(6);
  Display.Key(VK_UP);  // year 9999 -> 1
  EXPECT_EQ(Edit->GetText(), u"01.12.0001");
  // A year below 100 is read in the century window, whatever its digits.
  EXPECT_EQ(ValueDate(Edit), EncodeDateTime(2001, 12, 1, 10, 30, 0, 0));
}

TEST_F(DBDateTimeEdit, TheTimeSeparatorStepsTheMinutesAndHoursWrapAtMidnight) {
  BindAdded(dtkTimeEh);
  CaretAt(2);  // on the ":"
  Display.Key(VK_UP);
  EXPECT_EQ(Edit->GetText(), u"10:31:00");
  Edit->SetValue(Variant::FromDate(EncodeDateTime(2024, 3, 15, 23, 0, 0, 0)));
  CaretAt(0);
  Display.Key(VK_UP);
  EXPECT_EQ(Edit->GetText(), u"00:00:00");
  Display.Key(VK_TAB);
  EXPECT_EQ(FieldDate(u"ADDED"), Day(2024, 3, 15));  // the date stays as it was
}

TEST_F(DBDateTimeEdit, TheWheelAndAnUpDownButtonStepTheElementAtTheCaret) {
  BindAdded();
  CaretAt(4);
  Display.Wheel(Edit->GetHandle(), 20, 8, 120);
  EXPECT_EQ(Edit->GetText(), u"15.04.2024");
  Display.Wheel(Edit->GetHandle(), 20, 8, -120);
  Display.Wheel(Edit->GetHandle(), 20, 8, -120);
  EXPECT_EQ(Edit->GetText(), u"15.02.2024");

  Edit->GetEditButton()->SetStyle(ebsUpDownEh);
  Display.ProcessMessages();
  TEditButtonControlEh* button = Edit->GetEditButtonControl(0);
  ASSERT_NE(button, nullptr);
  const TPoint upper(button->GetLeft() + button->GetWidth() / 2, button->GetTop() + 2);
  const TPoint lower(button->GetLeft() + button->GetWidth() / 2, button->GetTop() + button->GetHeight() - 3);
  Edit->SetSelStart(0);
  Display.Click(Edit->GetHandle(), upper.X, upper.Y);
  EXPECT_EQ(Edit->GetText(), u"16.02.2024");
  Display.Click(Edit->GetHandle(), lower.X, lower.Y);
  Display.Click(Edit->GetHandle(), lower.X, lower.Y);
  EXPECT_EQ(Edit->GetText(), u"14.02.2024");
}

TEST_F(DBDateTimeEdit, AReadOnlyEditorDoesNotStep) {
  BindAdded();
  Edit->SetReadOnly(true);
  CaretAt(0);
  Display.Key(VK_UP);
  EXPECT_EQ(Edit->GetText(), u"15.03.2024");
  EXPECT_EQ(Table.GetState(), dsBrowse);
}

TEST_F(DBDateTimeEdit, LeftAndRightOverASelectedElementKeepTheCaretInsideIt) {
  BindAdded();
  Focus(Edit);
  Edit->SetSelStart(3);
  Edit->SetSelLength(2);
  Display.Key(VK_RIGHT);
  EXPECT_EQ(Edit->GetSelStart(), 4);
  EXPECT_EQ(Edit->GetSelLength(), 0);
  Display.Key(VK_UP);  // still the month
  EXPECT_EQ(Edit->GetText(), u"15.04.2024");
  Display.Key(VK_LEFT);
  EXPECT_EQ(Edit->GetSelStart(), 3);
}

// ---- separators -------------------------------------------------------------------------------------------

TEST_F(DBDateTimeEdit, TypingTheDateSeparatorMovesToTheNextElementSoShortNumbersCanBeTyped) {
  BindAdded();
  Focus(Edit);
  Display.TypeText(u"5.3.2024");
  EXPECT_EQ(Edit->GetText(), u"5 .3 .2024");
  EXPECT_EQ(ValueDate(Edit), Day(2024, 3, 5));
  Display.Key(VK_TAB);
  EXPECT_EQ(Edit->GetText(), u"05.03.2024");
  EXPECT_EQ(FieldDate(u"ADDED"), EncodeDateTime(2024, 3, 5, 10, 30, 0, 0));
}

TEST_F(DBDateTimeEdit, TheSeparatorSelectsTheNextElementAndFromTheLastOneTheFirst) {
  BindAdded();
  CaretAt(0);
  Display.TypeText(u".");
  EXPECT_EQ(Edit->GetSelStart(), 3);
  EXPECT_EQ(Edit->GetSelLength(), 2);
  Display.TypeText(u".");
  EXPECT_EQ(Edit->GetSelStart(), 6);
  EXPECT_EQ(Edit->GetSelLength(), 4);
  Display.TypeText(u".");
  EXPECT_EQ(Edit->GetSelStart(), 0);
  EXPECT_EQ(Edit->GetSelLength(), 2);
  EXPECT_EQ(Edit->GetText(), u"15.03.2024");  // the separators are not typed into the text
}

TEST_F(DBDateTimeEdit, InATimeEditorTheTimeSeparatorMovesToTheMinutes) {
  BindAdded(dtkTimeEh);
  CaretAt(0);
  Display.TypeText(u":");
  EXPECT_EQ(Edit->GetSelStart(), 3);
  EXPECT_EQ(Edit->GetSelLength(), 2);
  Display.TypeText(u":");
  EXPECT_EQ(Edit->GetSelStart(), 6);
}

// ---- the calendar ---------------------------------------------------------------------------------------------

TEST_F(DBDateTimeEdit, TheCalendarOpensOnTheValueAndItsKeysPickADayThatIsPostedWithTheTime) {
  BindAdded();
  Focus(Edit);
  Display.Key(VK_DOWN, THeadlessShift::Alt);
  ASSERT_TRUE(CalendarShown());
  EXPECT_TRUE(Edit->GetDroppedDown());
  EXPECT_TRUE(HasFocus(Edit));
  EXPECT_EQ(Calendar()->GetDate(), Day(2024, 3, 15));
  Display.Key(VK_RIGHT);
  Display.Key(VK_DOWN);
  EXPECT_EQ(Calendar()->GetDate(), Day(2024, 3, 23));
  EXPECT_EQ(Edit->GetText(), u"15.03.2024");  // the calendar moves, not the value
  Display.Key(VK_RETURN);
  EXPECT_FALSE(CalendarShown());
  EXPECT_EQ(Edit->GetText(), u"23.03.2024");
  EXPECT_EQ(Edit->GetSelLength(), 10);
  Display.Key(VK_TAB);
  Table.Post();
  EXPECT_EQ(StoredValue(u"ADDED", 1).AsDateTime(), EncodeDateTime(2024, 3, 23, 10, 30, 0, 0));
}

TEST_F(DBDateTimeEdit, AClickOnADayOfTheCalendarPostsIt) {
  BindAdded();
  std::vector<bool> closes;
  Edit->OnCloseUp = [&](TObject*, bool Accept) { closes.push_back(Accept); };
  Display.ProcessMessages();
  TEditButtonControlEh* button = Edit->GetEditButtonControl(0);
  ASSERT_NE(button, nullptr);
  Display.Click(Edit->GetHandle(), button->GetLeft() + 4, 6);
  ASSERT_TRUE(CalendarShown());
  const TPoint p = DayPoint(Day(2024, 3, 20));
  Display.Click(Calendar()->GetHandle(), p.X, p.Y);
  EXPECT_FALSE(CalendarShown());
  EXPECT_EQ(closes, std::vector<bool>{true});
  EXPECT_EQ(Edit->GetText(), u"20.03.2024");
  EXPECT_TRUE(HasFocus(Edit));
  Table.Post();
  EXPECT_EQ(StoredValue(u"ADDED", 1).AsDateTime(), EncodeDateTime(2024, 3, 20, 10, 30, 0, 0));
}

TEST_F(DBDateTimeEdit, APressOnTheButtonDraggedOntoADayPicksItOnRelease) {
  BindAdded();
  Display.ProcessMessages();
  TEditButtonControlEh* button = Edit->GetEditButtonControl(0);
  ASSERT_NE(button, nullptr);
  Display.MouseDown(Edit->GetHandle(), button->GetLeft() + 4, 6);
  ASSERT_TRUE(CalendarShown());
  const TPoint p = DayPoint(Day(2024, 3, 27));
  Display.MouseMove(Calendar()->GetHandle(), p.X, p.Y);
  Display.MouseUp(Calendar()->GetHandle(), p.X, p.Y);
  EXPECT_FALSE(CalendarShown());
  EXPECT_FALSE(button->GetAlwaysDown());
  EXPECT_EQ(Edit->GetText(), u"27.03.2024");
}

TEST_F(DBDateTimeEdit, EscapeOrLeavingClosesTheCalendarWithoutTakingItsDay) {
  BindAdded();
  Focus(Edit);
  Edit->DropDown();
  Display.Key(VK_RIGHT);
  Display.Key(VK_ESCAPE);
  EXPECT_FALSE(CalendarShown());
  EXPECT_EQ(Edit->GetText(), u"15.03.2024");
  EXPECT_EQ(Table.GetState(), dsBrowse);  // Esc closed the calendar only; nothing was undone or edited

  Edit->DropDown();
  Display.Key(VK_RIGHT);
  Display.Key(VK_TAB);
  EXPECT_FALSE(CalendarShown());
  EXPECT_TRUE(HasFocus(Other));
  EXPECT_EQ(FieldDate(u"ADDED"), Added());
}

TEST_F(DBDateTimeEdit, AnEmptyEditorsCalendarOpensOnTodayAndThePickedDayHasNoTime) {
  Table.Next();  // ADDED is Null
  BindAdded();
  Focus(Edit);
  Edit->DropDown();
  EXPECT_EQ(Calendar()->GetDate(), Date());
  Display.Key(VK_RETURN);
  Display.Key(VK_TAB);
  EXPECT_EQ(FieldDate(u"ADDED"), Date());
}

TEST_F(DBDateTimeEdit, TheWheelTurnsTheOpenCalendarsDay) {
  BindAdded();
  Focus(Edit);
  Edit->DropDown();
  Display.Wheel(Edit->GetHandle(), 20, 8, -120);
  EXPECT_EQ(Calendar()->GetDate(), Day(2024, 3, 16));
  EXPECT_EQ(Edit->GetText(), u"15.03.2024");
}

}  // namespace
