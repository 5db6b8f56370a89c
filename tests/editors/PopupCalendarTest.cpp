// The popup month calendar through a small owner edit with the Russian date
// settings: where it opens, that the edit keeps the focus, picking a date with the
// keys, the mouse and the wheel, the ways it closes without a pick, its border, and
// a PNG of the open calendar and calculator.

#include "PopupOwnerTestSupport.h"

namespace {

class PopupCalendar : public PopupOwnerFixture {
protected:
  // The edit holding 15.03.2024, its calendar open and the edit focused.
  void OpenOnMarch15() {
    MakeForm();
    Focus(DateEdit);
    DateEdit->SetText(u"15.03.2024");
    DateEdit->DropDown();
    Display.ProcessMessages();
    ASSERT_TRUE(Shown(Calendar()));
    ASSERT_EQ(Calendar()->GetDate(), EncodeDate(2024, 3, 15));
  }
  HWND CalendarWnd() const { return Calendar()->GetHandle(); }
  void ClickAt(TPoint P) { Display.Click(CalendarWnd(), P.X, P.Y); }
};

TEST_F(PopupCalendar, OpensBelowItsOwnerOnTheEditorsDateWithoutTakingTheFocus) {
  OpenOnMarch15();
  EXPECT_TRUE(Calendar()->GetVisible());
  EXPECT_EQ(Calendar()->GetShownMonth(), EncodeDate(2024, 3, 1));
  const TRect edit = GetWindowRect(DateEdit->GetHandle());
  const TRect popup = GetWindowRect(CalendarWnd());
  EXPECT_EQ(popup.Top, edit.Bottom);
  EXPECT_EQ(popup.Left, edit.Left);
  // The calendar's smallest whole-month size inside the two-pixel border.
  const TRect minimum = Calendar()->GetMinReqRect();
  EXPECT_EQ(popup.Width(), minimum.Width() + 4);
  EXPECT_EQ(popup.Height(), minimum.Height() + 4);
  EXPECT_EQ(GetFocus(), DateEdit->GetHandle());
  EXPECT_FALSE(Calendar()->CanFocus());
  // A press on it neither focuses nor activates it.
  const TPoint day = DayPoint(EncodeDate(2024, 3, 12));
  Display.MouseDown(CalendarWnd(), day.X, day.Y);
  EXPECT_EQ(GetFocus(), DateEdit->GetHandle());
  EXPECT_EQ(GetActiveWindow(), Form->GetHandle());
  Display.MouseUp(CalendarWnd(), day.X, day.Y);
}

TEST_F(PopupCalendar, ArrowKeysMoveTheDateAndEnterPostsIt) {
  OpenOnMarch15();
  Display.Key(VK_RIGHT);
  Display.Key(VK_DOWN);
  EXPECT_EQ(Calendar()->GetDate(), EncodeDate(2024, 3, 23));
  Display.Key(VK_NEXT);
  EXPECT_EQ(Calendar()->GetDate(), EncodeDate(2024, 4, 23));
  EXPECT_TRUE(DateEdit->DroppedDown());
  EXPECT_EQ(DateEdit->GetText(), u"15.03.2024");  // nothing posted while it is open
  Display.Key(VK_RETURN);
  EXPECT_FALSE(Shown(Calendar()));
  EXPECT_EQ(DateEdit->Closes, std::vector<bool>{true});
  EXPECT_EQ(DateEdit->GetText(), u"23.04.2024");
  EXPECT_EQ(GetFocus(), DateEdit->GetHandle());
}

TEST_F(PopupCalendar, EscapeClosesWithoutPosting) {
  OpenOnMarch15();
  Display.Key(VK_LEFT);
  Display.Key(VK_ESCAPE);
  EXPECT_FALSE(Shown(Calendar()));
  EXPECT_FALSE(Calendar()->GetVisible());
  EXPECT_EQ(DateEdit->Closes, std::vector<bool>{false});
  EXPECT_EQ(DateEdit->GetText(), u"15.03.2024");
}

TEST_F(PopupCalendar, TakesEnterAndEscapeAsSpecialKeysAndWantsAllKeys) {
  MakeForm();
  TPopupMonthCalendarEh* c = Calendar();
  EXPECT_EQ(c->Perform(CM_WANTSPECIALKEY, VK_RETURN), 1);
  EXPECT_EQ(c->Perform(CM_WANTSPECIALKEY, VK_ESCAPE), 1);
  EXPECT_EQ(c->Perform(CM_WANTSPECIALKEY, VK_TAB), 0);
  EXPECT_EQ(c->Perform(WM_GETDLGCODE), DLGC_WANTARROWS | DLGC_WANTTAB | DLGC_WANTALLKEYS);
  EXPECT_EQ(c->Perform(WM_MOUSEACTIVATE), MA_NOACTIVATE);
}

TEST_F(PopupCalendar, AClickOnADatePostsIt) {
  OpenOnMarch15();
  ClickAt(DayPoint(EncodeDate(2024, 3, 20)));
  EXPECT_FALSE(Shown(Calendar()));
  EXPECT_EQ(DateEdit->Closes, std::vector<bool>{true});
  EXPECT_EQ(DateEdit->GetText(), u"20.03.2024");
  // A date of the next month shown in the last rows counts too.
  DateEdit->DropDown();
  ClickAt(DayPoint(EncodeDate(2024, 4, 2)));
  EXPECT_EQ(DateEdit->GetText(), u"02.04.2024");
  EXPECT_EQ(Calendar()->GetMouseDownView(), MCMV_MONTH);
}

TEST_F(PopupCalendar, TheArrowsAndTheDayNamesOnlyBrowse) {
  OpenOnMarch15();
  ClickAt(PointOfHit(MCHT_TITLEBTNNEXT));
  EXPECT_EQ(Calendar()->GetShownMonth(), EncodeDate(2024, 4, 1));
  ClickAt(PointOfHit(MCHT_TITLEBTNPREV));
  ClickAt(PointOfHit(MCHT_TITLEBTNPREV));
  EXPECT_EQ(Calendar()->GetShownMonth(), EncodeDate(2024, 2, 1));
  ClickAt(PointOfHit(MCHT_CALENDARDAY));
  ClickAt(PointOfHit(MCHT_TITLEYEAR));
  EXPECT_TRUE(Shown(Calendar()));
  EXPECT_TRUE(DateEdit->Closes.empty());
  EXPECT_EQ(Calendar()->GetDate(), EncodeDate(2024, 3, 15));
}

TEST_F(PopupCalendar, TheMonthTitleTheTodayLinkAndAWeekNumberClosePosting) {
  OpenOnMarch15();
  ClickAt(PointOfHit(MCHT_TITLEMONTH));
  EXPECT_EQ(DateEdit->Closes, std::vector<bool>{true});
  EXPECT_EQ(DateEdit->GetText(), u"15.03.2024");
  DateEdit->DropDown();
  ClickAt(PointOfHit(MCHT_TODAYLINK));
  EXPECT_EQ(DateEdit->GetText(), DateToStr(Date()));
  Calendar()->SetWeekNumbers(true);
  DateEdit->SetText(u"15.03.2024");
  DateEdit->DropDown();
  ClickAt(PointOfHit(MCHT_CALENDARWEEKNUM));
  EXPECT_EQ(DateEdit->Closes, (std::vector<bool>{true, true, true}));
  EXPECT_EQ(DateEdit->GetText(), u"15.03.2024");
}

TEST_F(PopupCalendar, APressBesideItWhileItHoldsTheMouseClosesWithoutPosting) {
  OpenOnMarch15();
  SetCapture(CalendarWnd());
  Display.MouseDown(CalendarWnd(), -10, 40);
  EXPECT_FALSE(Shown(Calendar()));
  EXPECT_EQ(DateEdit->Closes, std::vector<bool>{false});
  EXPECT_EQ(GetCapture(), nullptr);
  Display.MouseUp(CalendarWnd(), -10, 40);
  EXPECT_EQ(DateEdit->GetText(), u"15.03.2024");
}

TEST_F(PopupCalendar, AReleaseBesideItDoesNothing) {
  OpenOnMarch15();
  const TPoint day = DayPoint(EncodeDate(2024, 3, 7));
  Display.MouseDown(CalendarWnd(), day.X, day.Y);
  ASSERT_EQ(Calendar()->GetDate(), EncodeDate(2024, 3, 7));
  // The press captured the mouse: the release beside it comes to the calendar.
  Display.MouseUp(CalendarWnd(), Calendar()->GetClientRect().Right + 5, day.Y);
  EXPECT_TRUE(Shown(Calendar()));
  EXPECT_TRUE(DateEdit->Closes.empty());
}

TEST_F(PopupCalendar, TheWheelMovesTheDateByADay) {
  OpenOnMarch15();
  Display.Wheel(DateEdit->GetHandle(), 5, 5, -WHEEL_DELTA);
  Display.Wheel(DateEdit->GetHandle(), 5, 5, -WHEEL_DELTA);
  EXPECT_EQ(Calendar()->GetDate(), EncodeDate(2024, 3, 17));
  Display.Wheel(DateEdit->GetHandle(), 5, 5, WHEEL_DELTA);
  EXPECT_EQ(Calendar()->GetDate(), EncodeDate(2024, 3, 16));
  // Across the end of the month the shown month follows.
  for (int i = 0; i < 16; ++i) Display.Wheel(DateEdit->GetHandle(), 5, 5, -WHEEL_DELTA);
  EXPECT_EQ(Calendar()->GetDate(), EncodeDate(2024, 4, 1));
  EXPECT_EQ(Calendar()->GetShownMonth(), EncodeDate(2024, 4, 1));
  EXPECT_TRUE(DateEdit->Closes.empty());
}

TEST_F(PopupCalendar, LosingTheFocusClosesItWithoutPosting) {
  OpenOnMarch15();
  Calendar()->Perform(WM_KILLFOCUS, HwndToParam(Other->GetHandle()), 0);
  EXPECT_TRUE(Shown(Calendar()));  // the close is posted, not done inside the focus change
  Display.ProcessMessages();
  EXPECT_FALSE(Shown(Calendar()));
  EXPECT_EQ(DateEdit->Closes, std::vector<bool>{false});
  // A popup whose owner does not listen ignores the message.
  TPopupMonthCalendarEh lonely(nullptr);
  EXPECT_NO_THROW(lonely.Perform(WM_CLOSEUPNOACCEPT, 0, 0));
}

TEST_F(PopupCalendar, AClickOnAnotherControlClosesItWithoutPosting) {
  OpenOnMarch15();
  Display.Key(VK_RIGHT);
  Display.Click(Other->GetHandle(), 5, 5);
  EXPECT_FALSE(Shown(Calendar()));
  EXPECT_EQ(DateEdit->Closes, std::vector<bool>{false});
  EXPECT_EQ(DateEdit->GetText(), u"15.03.2024");
}

TEST_F(PopupCalendar, ItsBorderIsRaisedOrAPlainLine) {
  OpenOnMarch15();
  HWND w = CalendarWnd();
  const TRect c = GetClientRect(w);
  EXPECT_EQ(GetClientRectInWindow(w).TopLeft(), TPoint(2, 2));
  EXPECT_EQ(Display.PixelAt(w, -2, -2), ColorToRGB(cl3DLight));
  EXPECT_EQ(Display.PixelAt(w, -1, -1), ColorToRGB(clBtnHighlight));
  EXPECT_EQ(Display.PixelAt(w, c.Right + 1, c.Bottom + 1), ColorToRGB(cl3DDkShadow));
  EXPECT_EQ(Display.PixelAt(w, c.Right, c.Bottom), ColorToRGB(clBtnShadow));
  DateEdit->CloseUp(false);
  Calendar()->SetCtl3D(false);
  EXPECT_EQ(Calendar()->GetBorderMargin(), 0);
  DateEdit->DropDown();
  Display.ProcessMessages();
  EXPECT_EQ(GetClientRectInWindow(Calendar()->GetHandle()).TopLeft(), TPoint(1, 1));
}

// ---- The picture kept as a test artifact -------------------------------------------------------------

TEST_F(PopupCalendar, TheOpenCalendarAndCalculatorAreKeptAsAPicture) {
  OpenOnMarch15();
  NumberEdit->SetText(u"1234,5");
  NumberEdit->DropDown();
  Calculator()->CalcKey(u'+');
  Calculator()->CalcKey(u'6');
  Display.ProcessMessages();
  ASSERT_TRUE(Shown(Calendar()));
  ASSERT_TRUE(Shown(Calculator()));
  // Both popups have painted their faces: the selected day in the highlight, the display in the window colour.
  const TPoint day = DayPoint(EncodeDate(2024, 3, 15));
  EXPECT_EQ(Display.PixelAt(CalendarWnd(), day.X - 6, day.Y), ColorToRGB(clHighlight));
  const TRect panel = Calculator()->GetPanel1()->GetBoundsRect();
  EXPECT_EQ(Display.PixelAt(Calculator()->GetHandle(), panel.Left + 8, panel.Top + 9), ColorToRGB(clWindow));
  EXPECT_EQ(Calculator()->GetEqualButton()->GetCaption(), u"=");
  const std::filesystem::path dir = std::filesystem::path(BORROW_BINARY_DIR) / "test-artifacts";
  std::filesystem::create_directories(dir);
  const std::string file = (dir / "popup_calendar_and_calculator.png").string();
  SaveScreenAreaPNG({Form->GetHandle(), CalendarWnd(), Calculator()->GetHandle()}, TRect(80, 80, 600, 440), file);
  EXPECT_GT(std::filesystem::file_size(file), 2000u);
}

}  // namespace
