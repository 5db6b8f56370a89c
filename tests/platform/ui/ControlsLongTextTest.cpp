// Long texts as a user meets them: a record of megabytes in the record view, a
// megabyte on one line of an edit or a text call, thousands of characters typed
// into a field. Measuring or laying out such a text whole would hang here (the
// test's timeout ends it) or overflow a width (the sanitizers abort); what is
// shown must be what a short text with the same start shows.

#include <gtest/gtest.h>

#if defined(__SANITIZE_ADDRESS__)
// The address sanitizer's count of the bytes the program holds.
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#endif

#include "platform/ui/ComCtrls.h"
#include "platform/ui/GDI.h"
#include "platform/ui/Graphics.h"
#include "tests/platform/ui/FormTestSupport.h"

namespace {

// 63 characters and a blank: a long line is cut into pieces of exactly these.
const String kWords = u"Заглавие книги / Автор; под ред. Иванова. - Москва, 1999. 240 ";

// Text of about Size characters, a record's fields run together without line breaks.
String RecordText(size_t Size) {
  String s;
  s.reserve(Size + 64);
  for (int field = 0; s.size() < Size; ++field) {
    s += kWords;
    if (field % 5 == 4) s += u'\x1E';
  }
  s.resize(Size);
  return s;
}

void ExpectSamePixels(THeadlessDisplay& D, HWND A, HWND B, const TRect& R) {
  for (Integer y = R.Top; y < R.Bottom; y += 2)
    for (Integer x = R.Left; x < R.Right; ++x) ASSERT_EQ(D.PixelAt(A, x, y), D.PixelAt(B, x, y)) << x << "," << y;
}

class LongText : public FormFixture {
protected:
  void SetUp() override {
    MakeForm(700, 520);
    Form->Show();
  }
};

}  // namespace

TEST(LongTextCalls, AMegabyteLineMeasuresAsItsPiecesAndDrawsWhatAShortOneDraws) {
  String text;
  for (int i = 0; i < 16384; ++i) text += kWords;  // 1 MiB of characters
  HDC dc = CreateCompatibleDC(nullptr);
  TFont font;
  font.SetName(u"Tahoma");
  font.SetSize(10);
  SelectObject(dc, font.GetHandle());
  TSize piece, whole;
  ASSERT_TRUE(GetTextExtentPoint32(dc, kWords, Integer(kWords.size()), piece));
  ASSERT_TRUE(GetTextExtentPoint32(dc, text, Integer(text.size()), whole));
  EXPECT_EQ(whole.cx, 16384 * piece.cx);
  TRect calc(0, 0, 100, 20);
  DrawText(dc, text, -1, calc, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
  EXPECT_EQ(calc.Right, whole.cx);
  DeleteDC(dc);

  // Drawn into a narrow box, the megabyte shows what its first five pieces show.
  auto draw = [&](const String& s) {
    TBitmap bmp;
    bmp.SetSize(300, 40);
    TCanvas* c = bmp.GetCanvas();
    c->GetBrush()->SetColor(clWhite);
    c->FillRect(TRect(0, 0, 300, 40));
    c->GetFont()->Assign(&font);
    TRect r(5, 5, 295, 35);
    DrawText(c->GetHandle(), s, -1, r, DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
    TRect r2(5, 20, 295, 40);
    DrawText(c->GetHandle(), s, -1, r2, DT_SINGLELINE | DT_NOPREFIX);
    std::vector<TColor> px;
    for (Integer y = 0; y < 40; ++y)
      for (Integer x = 0; x < 300; ++x) px.push_back(c->GetPixel(x, y));
    return px;
  };
  String start;
  for (int i = 0; i < 5; ++i) start += kWords;
  EXPECT_EQ(draw(text), draw(start));
}

TEST_F(LongText, AnEightMegabyteRecordShowsWrappedInTheRecordViewAndScrollsToItsEnd) {
  // The main window's record view: a read-only plain rich edit with both bars.
  auto makeView = [&](Integer Left) {
    auto* v = Make<TRichEdit>(Left, 10, 330, 240);
    v->SetReadOnly(true);
    v->SetPlainText(true);
    v->SetScrollBars(ssBoth);
    v->SetColor(clWhite);
    return v;
  };
  auto* view = makeView(10);
  auto* twin = makeView(350);
  const String record = RecordText(8u << 20);
  view->SetText(record);
  twin->SetText(record.substr(0, 4000));
  Display.ProcessMessages();

  // Its first lines are the lines of any text with the same start.
  const TRect client = GetClientRect(view->GetHandle());
  ASSERT_EQ(client, GetClientRect(twin->GetHandle()));
  ExpectSamePixels(Display, view->GetHandle(), twin->GetHandle(), client);
  for (Integer at : {0, 57, 300, 1000}) EXPECT_EQ(view->PosFromChar(at), twin->PosFromChar(at)) << "character " << at;
  EXPECT_LE(view->PosFromChar(200).X, client.Right);  // wrapped, not one endless line

  // The end is a key away (a megabyte record here: going there lays out every
  // line before it); the caret lands on the last character, inside the view.
  const String shorter = RecordText(1u << 20);
  view->SetText(shorter);
  view->SetFocus();
  Display.Key(VK_END, THeadlessShift::Ctrl);
  EXPECT_EQ(view->GetSelStart(), Integer(shorter.size()));
  const TPoint end = view->PosFromChar(Integer(shorter.size()));
  EXPECT_TRUE(PtInRect(client, end)) << end.X << "," << end.Y;
  EXPECT_GT(view->GetTopLine(), 10000);
  EXPECT_EQ(view->CharFromPos(end), Integer(shorter.size()));
  // And back to the start.
  Display.Key(VK_HOME, THeadlessShift::Ctrl);
  EXPECT_EQ(view->GetTopLine(), 0);
  ExpectSamePixels(Display, view->GetHandle(), twin->GetHandle(), client);
}

TEST_F(LongText, AMegabyteOnOneLineOfAnEditScrollsToItsEndAndTakesTypingAndClicksThere) {
  auto* edit = Make<TEdit>(10, 10, 300, 21);
  String line;
  for (int i = 0; i < 16384; ++i) line += kWords;  // 1 MiB
  edit->SetText(line);
  edit->SetFocus();
  Display.Key(VK_END);
  Display.TypeText(u"конец");
  const Integer n = Integer(line.size()) + 5;
  EXPECT_EQ(edit->GetText(), line + u"конец");
  EXPECT_EQ(edit->GetSelStart(), n);
  // The caret stands inside the edit, after the last character, at the width of
  // the whole line from its (scrolled-away) start.
  const TRect r = edit->GetFormatRect();
  const TPoint caret = edit->PosFromChar(n);
  EXPECT_TRUE(caret.X > r.Left && caret.X < r.Right) << caret.X;
  const TPoint origin = edit->PosFromChar(0);
  HDC dc = CreateCompatibleDC(nullptr);
  SelectObject(dc, edit->GetFont()->GetHandle());
  TSize whole;
  GetTextExtentPoint32(dc, line + u"конец", n, whole);
  DeleteDC(dc);
  EXPECT_EQ(caret.X - origin.X, whole.cx);
  // A click on a character near the end puts the caret before or after it.
  const TPoint k = edit->PosFromChar(n - 3);
  Display.Click(edit->GetHandle(), k.X + 1, k.Y + 5);
  EXPECT_EQ(edit->GetSelStart(), n - 3);
}

TEST_F(LongText, TypingThousandsOfCharactersCostsMemoryIndependentOfTheTextAndShowsWhatTheTextShows) {
  auto* edit = Make<TEdit>(10, 10, 300, 21);
  auto* memo = Make<TMemo>(10, 40, 300, 200);
  memo->SetScrollBars(ssVertical);
  auto type = [&](TWinControl* Control, int Count) {
    Control->SetFocus();
    Display.Key(VK_END, THeadlessShift::Ctrl);  // an edit selects all on entering
    for (int i = 0; i < Count; ++i) Display.TypeText(String(1, kWords[size_t(i) % kWords.size()]));
  };
#if defined(__SANITIZE_ADDRESS__)
  // What the program holds, not what the allocator keeps back for checking.
  const size_t atStart = __sanitizer_get_current_allocated_bytes();
#endif
  type(edit, 1000);
  type(memo, 1000);
#if defined(__SANITIZE_ADDRESS__)
  const size_t after1000 = __sanitizer_get_current_allocated_bytes();
#endif
  type(edit, 2000);
  type(memo, 2000);
#if defined(__SANITIZE_ADDRESS__)
  const size_t after3000 = __sanitizer_get_current_allocated_bytes();
  // The texts themselves are a few kilobytes: a few megabytes of caches at most.
  EXPECT_LT(after3000 - std::min(after3000, after1000), size_t(4) << 20);
  EXPECT_LT(after3000 - std::min(after3000, atStart), size_t(24) << 20);
#endif

  // What was typed shows as the same text given at once.
  auto* edit2 = Make<TEdit>(350, 10, 300, 21);
  auto* memo2 = Make<TMemo>(350, 40, 300, 200);
  memo2->SetScrollBars(ssVertical);
  edit2->SetText(edit->GetText());
  memo2->SetText(memo->GetText());
  for (TCustomEdit* e : {static_cast<TCustomEdit*>(edit2), static_cast<TCustomEdit*>(memo2)}) {
    e->SetFocus();
    Display.Key(VK_END, THeadlessShift::Ctrl);
  }
  ASSERT_EQ(edit->GetTextLen(), 3000);
  for (Integer at : {0, 1, 500, 2900, 2999, 3000}) {
    EXPECT_EQ(edit->PosFromChar(at), edit2->PosFromChar(at)) << "edit, character " << at;
    EXPECT_EQ(memo->PosFromChar(at), memo2->PosFromChar(at)) << "memo, character " << at;
  }
  // Edited in the middle and at the start, still the same as the text given at once.
  for (TCustomEdit* e : {static_cast<TCustomEdit*>(edit), static_cast<TCustomEdit*>(memo)}) {
    e->SetFocus();
    e->SetSelStart(1500);
    Display.TypeText(u"вставка в середину ");
    Display.Key(VK_HOME, THeadlessShift::Ctrl);
    Display.TypeText(u"Начало: ");
    Display.Key(VK_DELETE);
  }
  edit2->SetText(edit->GetText());
  memo2->SetText(memo->GetText());
  for (TCustomEdit* e : {static_cast<TCustomEdit*>(edit2), static_cast<TCustomEdit*>(memo2)}) {
    e->SetFocus();
    e->SetSelStart(8);
  }
  edit2->SetFocus();  // neither memo shows a caret or a selection
  for (Integer at : {0, 8, 700, 1519, 2000, 3025}) {
    EXPECT_EQ(edit->PosFromChar(at), edit2->PosFromChar(at)) << "edit, character " << at;
    EXPECT_EQ(memo->PosFromChar(at), memo2->PosFromChar(at)) << "memo, character " << at;
  }
  Display.ProcessMessages();
  ExpectSamePixels(Display, memo->GetHandle(), memo2->GetHandle(), GetClientRect(memo->GetHandle()));
}
