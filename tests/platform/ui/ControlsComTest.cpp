// The rich edit's coloured and bold runs, the month calendar's hit test and keys,
// and the gauge.

#include <gtest/gtest.h>

#include "platform/backend/Headless.h"
#include "platform/core/DateTime.h"
#include "platform/core/Strings.h"
#include "platform/ui/ComCtrls.h"
#include "platform/ui/Gauges.h"
#include "platform/ui/ScrollBars.h"
#include "tests/platform/ui/FormTestSupport.h"

namespace {

class ComControls : public FormFixture {
protected:
  void SetUp() override { MakeForm(500, 400); }
};

bool HasPixel(THeadlessDisplay& D, HWND W, TRect Area, TColor Color) {
  for (Integer y = Area.Top; y < Area.Bottom; ++y)
    for (Integer x = Area.Left; x < Area.Right; ++x)
      if (D.PixelAt(W, x, y) == (ColorToRGB(Color) & 0xFFFFFF)) return true;
  return false;
}

}  // namespace

TEST_F(ComControls, RichEditLinesTakeTheTypingColourAndKeepEarlierRuns) {
  auto* re = Make<TRichEdit>(10, 10, 300, 200);
  re->SetReadOnly(true);
  re->GetLines()->Add(u"Начало протокола");
  re->SetSelStart(re->GetTextLen());
  re->GetSelAttributes()->SetColor(clRed);
  re->GetLines()->Add(u"Ошибка: нет связи");
  ASSERT_EQ(re->GetLines()->GetCount(), 2);
  EXPECT_EQ(re->GetLines()->Get(1), u"Ошибка: нет связи");
  EXPECT_EQ(re->GetCharAttributes(0).Color, clDefault);
  EXPECT_EQ(re->GetCharAttributes(20).Color, clRed);

  // Bold on a selected word only.
  re->SetSelStart(0);
  re->SetSelLength(6);
  re->GetSelAttributes()->SetStyle(TFontStyles{fsBold});
  EXPECT_TRUE(re->GetCharAttributes(3).Style.Contains(fsBold));
  EXPECT_FALSE(re->GetCharAttributes(7).Style.Contains(fsBold));
  // Deleting a line keeps the others' runs where they are.
  re->GetLines()->Delete(0);
  EXPECT_EQ(re->GetCharAttributes(0).Color, clRed);

  Form->Show();
  RenderWindow(Form->GetHandle());
  EXPECT_TRUE(HasPixel(Display, re->GetHandle(), TRect(2, 0, 120, 16), clRed));
  re->SetText(u"заново");
  EXPECT_EQ(re->GetCharAttributes(0).Color, clDefault);
}

TEST_F(ComControls, ReadOnlyRichEditRefusesTypingAndWrapsLongText) {
  auto* re = Make<TRichEdit>(10, 10, 120, 100);
  re->SetReadOnly(true);
  re->SetText(u"Вы желаете очистить весь список ? Это длинный текст сообщения.");
  Form->Show();
  re->SetFocus();
  Display.TypeText(u"x");
  EXPECT_EQ(re->GetText().find(u'x'), String::npos);
  const TPoint first = re->PosFromChar(0), last = re->PosFromChar(re->GetTextLen());
  EXPECT_GT(last.Y, first.Y);  // wrapped onto more lines
  EXPECT_LE(last.X, re->GetClientWidth());
}

TEST_F(ComControls, MonthCalendarHitTestsDatesAndArrows) {
  auto* cal = Make<TMonthCalendar>(10, 10, 10, 10);
  const TRect need = cal->GetMinReqRect();
  cal->SetBounds(10, 10, need.Width() + 4, need.Height() + 4);
  cal->SetDate(EncodeDate(2011, 1, 19));
  EXPECT_EQ(cal->GetShownMonth(), EncodeDate(2011, 1, 1));
  EXPECT_EQ(cal->GetCurrentView(), MCMV_MONTH);
  // Find the cell of the 19th and of a day of the next month.
  TMCHitTestInfo hit;
  bool found19 = false, foundNext = false, foundDay = false, foundNextButton = false;
  for (Integer y = 0; y < need.Height(); y += 3)
    for (Integer x = 0; x < need.Width(); x += 3) {
      hit.pt = TPoint(x, y);
      const UINT h = cal->HitTest(hit);
      if (h == MCHT_CALENDARDATE && hit.st == EncodeDate(2011, 1, 19)) found19 = true;
      if (h == MCHT_CALENDARDATENEXT) foundNext = foundNext || hit.st >= EncodeDate(2011, 2, 1);
      if (h == MCHT_CALENDARDAY) foundDay = true;
      if (h == MCHT_TITLEBTNNEXT) foundNextButton = true;
    }
  EXPECT_TRUE(found19);
  EXPECT_TRUE(foundNext);
  EXPECT_TRUE(foundDay);
  EXPECT_TRUE(foundNextButton);
}

TEST_F(ComControls, MonthCalendarChangesDateByMouseAndKeys) {
  auto* cal = Make<TMonthCalendar>(10, 10, 10, 10);
  const TRect need = cal->GetMinReqRect();
  cal->SetBounds(10, 10, need.Width() + 4, need.Height() + 4);
  cal->SetDate(EncodeDate(2011, 1, 31));
  int changes = 0;
  cal->OnChange = [&](TObject*) { ++changes; };
  Form->Show();
  cal->SetFocus();
  Display.Key(VK_RIGHT);
  EXPECT_EQ(cal->GetDate(), EncodeDate(2011, 2, 1));
  EXPECT_EQ(cal->GetShownMonth(), EncodeDate(2011, 2, 1));
  Display.Key(VK_PRIOR);
  EXPECT_EQ(cal->GetDate(), EncodeDate(2011, 1, 1));
  // A click on the next-month arrow shows February without changing the date.
  TMCHitTestInfo hit;
  TPoint nextButton;
  for (Integer x = need.Width() - 1; x > 0; --x) {
    hit.pt = TPoint(x, 10);
    if (cal->HitTest(hit) == MCHT_TITLEBTNNEXT) {
      nextButton = hit.pt;
      break;
    }
  }
  Display.Click(cal->GetHandle(), nextButton.X, nextButton.Y);
  EXPECT_EQ(cal->GetShownMonth(), EncodeDate(2011, 2, 1));
  EXPECT_EQ(cal->GetDate(), EncodeDate(2011, 1, 1));
  EXPECT_EQ(changes, 2);
}

TEST_F(ComControls, MonthCalendarTextIsDrawnOverItsBackgroundNotInBoxes) {
  auto* cal = Make<TMonthCalendar>(10, 10, 10, 10);
  const TRect need = cal->GetMinReqRect();
  cal->SetBounds(10, 10, need.Width() + 4, need.Height() + 4);
  cal->SetDate(EncodeDate(2011, 1, 19));
  Form->Show();
  Display.ProcessMessages();
  // The cells of a day name and of a date other than the current one keep the
  // window colour around their text; the current date's cell is highlighted.
  TMCHitTestInfo hit;
  TRect dayName, date, current;
  for (Integer y = 0; y < need.Height(); ++y)
    for (Integer x = 0; x < need.Width(); ++x) {
      hit.pt = TPoint(x, y);
      const UINT h = cal->HitTest(hit);
      TRect* cell = h == MCHT_CALENDARDAY                                         ? &dayName
                    : h == MCHT_CALENDARDATE && hit.st == EncodeDate(2011, 1, 12) ? &date
                    : h == MCHT_CALENDARDATE && hit.st == EncodeDate(2011, 1, 19) ? &current
                                                                                  : nullptr;
      if (!cell) continue;
      if (cell->IsEmpty()) *cell = TRect(x, y, x + 1, y + 1);
      cell->Right = std::max(cell->Right, x + 1);
      cell->Bottom = std::max(cell->Bottom, y + 1);
    }
  ASSERT_FALSE(dayName.IsEmpty());
  ASSERT_FALSE(date.IsEmpty());
  HWND w = cal->GetHandle();
  const auto share = [&](const TRect& R, TColor Color) {
    Integer n = 0;
    for (Integer y = R.Top; y < R.Bottom; ++y)
      for (Integer x = R.Left; x < R.Right; ++x) n += Display.PixelAt(w, x, y) == ColorToRGB(Color) ? 1 : 0;
    return double(n) / double(R.Width() * R.Height());
  };
  // A day name is text in the caption colour, not a block of it; a date is dark text
  // on the window colour, with nothing of the separator line's colour behind it.
  const TRect firstName(dayName.Left, dayName.Top, dayName.Left + date.Width(), dayName.Bottom);
  EXPECT_LT(share(firstName, clActiveCaption), 0.3);
  EXPECT_GT(share(firstName, clWindow), 0.5);
  EXPECT_GT(share(date, clWindow), 0.6);
  EXPECT_EQ(share(date, clBtnShadow), 0);
  bool ink = false;  // the date's own text, dark on light
  for (Integer y = date.Top; y < date.Bottom; ++y)
    for (Integer x = date.Left; x < date.Right; ++x) {
      const TColor c = Display.PixelAt(w, x, y);
      ink = ink || ((c & 0xFF) < 0x60 && ((c >> 8) & 0xFF) < 0x60 && ((c >> 16) & 0xFF) < 0x60);
    }
  EXPECT_TRUE(ink);
  EXPECT_GT(share(current, clHighlight), 0.5);
}

TEST_F(ComControls, GaugeClampsProgressAndFillsItsPart) {
  auto* g = Make<TGauge>(10, 10, 200, 20);
  g->SetForeColor(clNavy);
  g->SetProgress(150);
  EXPECT_EQ(g->GetProgress(), 100);
  g->SetProgress(-5);
  EXPECT_EQ(g->GetProgress(), 0);
  g->SetProgress(40);
  EXPECT_EQ(g->GetPercentDone(), 40);
  Form->Show();
  RenderWindow(Form->GetHandle());
  EXPECT_EQ(Display.PixelAt(Form->GetHandle(), 10 + 5, 10 + 3), ColorToRGB(clNavy) & 0xFFFFFF);
  EXPECT_EQ(Display.PixelAt(Form->GetHandle(), 10 + 190, 10 + 3), TColor(0xFFFFFF));
}

TEST_F(ComControls, AGrowingLogIsLaidOutAsTheWholeTextWouldBe) {
  auto* re = Make<TRichEdit>(10, 10, 220, 150);
  re->SetReadOnly(true);
  Form->Show();
  for (int i = 0; i < 300; ++i) {
    re->SetSelStart(re->GetTextLen());
    re->GetSelAttributes()->SetColor(i % 3 ? clNavy : clRed);
    re->GetLines()->Add(
        u"Ресурс " + IntToStr(i) +
        (i % 7 ? String(u": найдено 0") : String(u": записей получено 5, сохранено в файл RUSMARC_001.iso")));
  }
  std::vector<TPoint> incremental;
  for (Integer at : {0, 500, 4000, re->GetTextLen()}) incremental.push_back(re->PosFromChar(at));
  re->SetWordWrap(false);
  re->SetWordWrap(true);  // laid out again from the start
  std::vector<TPoint> whole;
  for (Integer at : {0, 500, 4000, re->GetTextLen()}) whole.push_back(re->PosFromChar(at));
  EXPECT_EQ(incremental, whole);
  EXPECT_EQ(re->GetLines()->GetCount(), 300);
}

// The text read in place is the text GetText gives, and follows every change:
// lines added, a line put back changed, the text cleared.
TEST_F(ComControls, RichEditTextReadInPlaceFollowsItsLines) {
  auto* re = Make<TRichEdit>(10, 10, 220, 150);
  re->SetReadOnly(true);
  const String& text = re->GetTextRef();
  re->GetLines()->Add(u"Начало");
  re->GetLines()->Add(u"r1 => 00001-a.iso");
  EXPECT_EQ(text, u"Начало\r\nr1 => 00001-a.iso\r\n");
  re->GetLines()->Put(1, u"Error: r1 => 00001-a.iso");
  EXPECT_EQ(text, re->GetText());
  EXPECT_EQ(text, u"Начало\r\nError: r1 => 00001-a.iso\r\n");
  re->GetLines()->Clear();
  EXPECT_EQ(re->GetTextRef(), String());
}

TEST_F(ComControls, HorizontalBarOnlyWhenUnwrappedLinesAreWider) {
  auto* re = Make<TRichEdit>(10, 10, 200, 100);
  re->SetScrollBars(ssBoth);
  Form->Show();
  re->SetText(u"Короткая строка");
  EXPECT_FALSE(IsScrollBarVisible(re->GetHandle(), SB_HORZ));
  re->SetText(u"Очень длинная строка протокола, которая шире окна, но переносится по словам");
  EXPECT_FALSE(IsScrollBarVisible(re->GetHandle(), SB_HORZ));  // wrapped
  re->SetWordWrap(false);
  EXPECT_TRUE(IsScrollBarVisible(re->GetHandle(), SB_HORZ));
  SendMessage(re->GetHandle(), WM_HSCROLL, SB_PAGERIGHT, 0);
  EXPECT_GT(GetScrollPos(re->GetHandle(), SB_HORZ), 0);
}
