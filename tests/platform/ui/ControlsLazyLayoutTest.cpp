// Text controls that are not on screen put off laying out their view, and a rich
// edit's log grows at the cost of each added line. Whatever was put off, every
// answer (lines, attributes, scroll bars, top line, caret positions, pixels) must
// be what a control laid out at every step gives: each test builds a twin that is
// on screen all along and compares.

#include <gtest/gtest.h>

#include "platform/core/Strings.h"
#include "platform/ui/ComCtrls.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/ScrollBars.h"
#include "tests/platform/ui/FormTestSupport.h"

namespace {

class LazyLayout : public FormFixture {
protected:
  void SetUp() override {
    MakeForm(640, 480);
    Form->Show();
    // The left half: twins on screen go to the right half, clear of it.
    Hidden = Make<TPanel>(0, 0, 290, 480);
    Hidden->SetVisible(false);
  }

  // Log lines of several lengths: some wrap in a 200-pixel memo, some do not.
  static String LogLine(int i) {
    String s = u"Ресурс " + IntToStr(i);
    if (i % 4 == 1) s += u": найдено 0";
    if (i % 4 == 3) s += u": записей получено 5, сохранено в файл RUSMARC_001.iso на диске";
    return s;
  }

  // Appends through the selection, as a program's log does: the caret ends at the end.
  static void AppendLine(TCustomEdit* E, const String& Line) {
    E->SetSelStart(E->GetTextLen());
    E->SetSelText(Line + u"\r\n");
  }

  TPanel* Hidden = nullptr;
};

struct TViewState {
  TScrollInfo Vert, Horz;
  bool VertShown = false, HorzShown = false;
  Integer TopLine = 0;
  TRect Client;
  std::vector<TPoint> Positions;
};

TViewState ViewOf(TCustomMemo* M) {
  TViewState s;
  s.Vert.fMask = s.Horz.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  GetScrollInfo(M->GetHandle(), SB_VERT, s.Vert);
  GetScrollInfo(M->GetHandle(), SB_HORZ, s.Horz);
  s.VertShown = IsScrollBarVisible(M->GetHandle(), SB_VERT);
  s.HorzShown = IsScrollBarVisible(M->GetHandle(), SB_HORZ);
  s.TopLine = M->GetTopLine();
  s.Client = GetClientRect(M->GetHandle());
  for (Integer at : {0, M->GetTextLen() / 3, M->GetTextLen() / 2, M->GetTextLen()})
    s.Positions.push_back(M->PosFromChar(at));
  return s;
}

void ExpectSameView(TCustomMemo* Shown, TCustomMemo* Lazy) {
  // The lazy one is asked first: its answers must not wait for anything else.
  const TViewState b = ViewOf(Lazy), a = ViewOf(Shown);
  EXPECT_EQ(b.Vert.nMin, a.Vert.nMin);
  EXPECT_EQ(b.Vert.nMax, a.Vert.nMax);
  EXPECT_EQ(b.Vert.nPage, a.Vert.nPage);
  EXPECT_EQ(b.Vert.nPos, a.Vert.nPos);
  EXPECT_EQ(b.Horz.nMax, a.Horz.nMax);
  EXPECT_EQ(b.Horz.nPos, a.Horz.nPos);
  EXPECT_EQ(b.VertShown, a.VertShown);
  EXPECT_EQ(b.HorzShown, a.HorzShown);
  EXPECT_EQ(b.TopLine, a.TopLine);
  EXPECT_EQ(b.Client, a.Client);
  EXPECT_EQ(b.Positions, a.Positions);
}

void ExpectSamePixels(THeadlessDisplay& D, TWinControl* A, TWinControl* B) {
  const TRect r = GetClientRect(A->GetHandle());
  for (Integer y = 0; y < r.Bottom; y += 3)
    for (Integer x = 0; x < r.Right; x += 2)
      ASSERT_EQ(D.PixelAt(A->GetHandle(), x, y), D.PixelAt(B->GetHandle(), x, y)) << x << "," << y;
}

}  // namespace

TEST_F(LazyLayout, HiddenMemoAnswersLineCountScrollRangeAndTopLineAsAShownOne) {
  auto* shown = Make<TMemo>(300, 10, 200, 100);
  auto* lazy = Make<TMemo>(10, 10, 200, 100, Hidden);
  for (auto* m : {shown, lazy}) m->SetScrollBars(ssVertical);
  for (int i = 0; i < 60; ++i)
    for (auto* m : {shown, lazy}) AppendLine(m, LogLine(i));
  EXPECT_EQ(lazy->GetLines()->GetCount(), 60);
  EXPECT_EQ(lazy->Perform(EM_GETLINECOUNT, 0, 0), 61);
  EXPECT_EQ(lazy->GetLines()->Get(59), LogLine(59));
  ExpectSameView(shown, lazy);

  // The caret moved up from code, then more text: the view follows as it would have.
  for (auto* m : {shown, lazy}) {
    m->Perform(EM_SETSEL, 38, 38);  // in the third line
    m->SetSelText(u"вставка ");
  }
  ExpectSameView(shown, lazy);

  // Shown at last, it paints what the other one shows.
  for (auto* m : {shown, lazy}) AppendLine(m, u"последняя");
  Hidden->SetVisible(true);
  ExpectSameView(shown, lazy);
  RenderWindow(Form->GetHandle());
  ExpectSamePixels(Display, shown, lazy);
}

TEST_F(LazyLayout, ShowingAHiddenMemoLaysItOutBeforeItIsSeen) {
  auto* shown = Make<TMemo>(300, 10, 200, 100);
  auto* lazy = Make<TMemo>(10, 10, 200, 100, Hidden);
  for (auto* m : {shown, lazy}) {
    m->SetScrollBars(ssBoth);
    m->SetWordWrap(false);
  }
  for (int i = 0; i < 40; ++i)
    for (auto* m : {shown, lazy}) AppendLine(m, LogLine(i));
  // Nothing asked while hidden: showing alone must bring the bars and the view.
  Hidden->SetVisible(true);
  RenderWindow(Form->GetHandle());
  ExpectSamePixels(Display, shown, lazy);
  ExpectSameView(shown, lazy);
  EXPECT_TRUE(IsScrollBarVisible(lazy->GetHandle(), SB_HORZ));
  EXPECT_TRUE(IsScrollBarVisible(lazy->GetHandle(), SB_VERT));
}

TEST_F(LazyLayout, AMemoFilledBeforeItsFormHasAWindowIsRightOnceShown) {
  auto* shown = Make<TMemo>(300, 10, 200, 100);
  shown->SetScrollBars(ssVertical);
  auto* other = new TForm(Application);
  other->SetBounds(100, 100, 640, 480);
  auto* lazy = new TMemo(other);
  lazy->SetParent(other);
  lazy->SetBounds(10, 10, 200, 100);
  lazy->SetScrollBars(ssVertical);
  for (int i = 0; i < 30; ++i)
    for (auto* m : {shown, lazy}) AppendLine(m, LogLine(i));
  // Asked before any window exists: the top line and the positions of characters.
  EXPECT_FALSE(lazy->HandleAllocated());
  EXPECT_EQ(lazy->GetLines()->GetCount(), 30);
  other->Show();
  ExpectSameView(shown, lazy);
  delete other;
}

TEST_F(LazyLayout, HiddenEditScrollsToItsCaretWhenAsked) {
  auto* shown = Make<TEdit>(300, 10, 120, 21);
  auto* lazy = Make<TEdit>(10, 10, 120, 21, Hidden);
  const String text = u"Очень длинный текст поля, шире самого поля, с курсором в конце";
  for (auto* e : {shown, lazy}) {
    e->SetText(text);
    e->Perform(EM_SETSEL, WPARAM(text.size()), LPARAM(text.size()));
  }
  EXPECT_EQ(lazy->PosFromChar(Integer(text.size())), shown->PosFromChar(Integer(text.size())));
  EXPECT_EQ(lazy->PosFromChar(0), shown->PosFromChar(0));
  EXPECT_LT(lazy->PosFromChar(0).X, 0);  // scrolled left to show the end
}

TEST_F(LazyLayout, LogAppendedLineByLineEqualsTheSameTextAssignedAtOnce) {
  auto* appended = Make<TRichEdit>(300, 10, 220, 150);
  auto* assigned = Make<TRichEdit>(300, 200, 220, 150);
  auto* hiddenLog = Make<TRichEdit>(10, 10, 220, 150, Hidden);
  String whole;
  std::vector<std::pair<Integer, TColor>> runs;  // start of each line and its colour
  for (int i = 0; i < 250; ++i) {
    const TColor colour = i % 5 == 0 ? clRed : (i % 2 ? clNavy : clGreen);
    for (auto* re : {appended, hiddenLog}) {
      re->SetSelStart(re->GetTextLen());
      re->GetSelAttributes()->SetColor(colour);
      re->GetLines()->Add(LogLine(i));
    }
    runs.push_back({Integer(whole.size()), colour});
    whole += LogLine(i) + u"\r\n";
  }
  assigned->SetText(whole);
  for (size_t i = 0; i < runs.size(); ++i) {
    const Integer end = i + 1 < runs.size() ? runs[i + 1].first : Integer(whole.size());
    assigned->SetSelStart(runs[i].first);
    assigned->SetSelLength(end - runs[i].first);
    assigned->GetSelAttributes()->SetColor(runs[i].second);
  }

  for (auto* re : {appended, hiddenLog}) {
    ASSERT_EQ(re->GetText(), whole);
    ASSERT_EQ(re->GetLines()->GetCount(), 250);
    EXPECT_EQ(re->GetLines()->Get(137), LogLine(137));
    for (Integer k = 0; k < Integer(whole.size()); ++k)
      ASSERT_EQ(re->GetCharAttributes(k), assigned->GetCharAttributes(k)) << "character " << k;
    // Laid out alike: the same lines, wherever each control is scrolled to.
    const TPoint o = re->PosFromChar(0), oa = assigned->PosFromChar(0);
    for (Integer at : {1, 700, 3001, Integer(whole.size()) - 5})
      EXPECT_EQ(re->PosFromChar(at) - o, assigned->PosFromChar(at) - oa) << "character " << at;
  }
  ExpectSameView(appended, hiddenLog);
}

TEST_F(LazyLayout, ALineInsertedBeforeAnEqualOneTakesTheColourItself) {
  auto* re = Make<TRichEdit>(10, 10, 300, 150);
  re->GetLines()->Add(u"строка");
  re->GetLines()->Add(u"строка");
  re->SetSelStart(0);
  re->GetSelAttributes()->SetColor(clRed);
  re->GetLines()->Insert(1, u"строка");  // between two equal lines
  ASSERT_EQ(re->GetLines()->GetCount(), 3);
  // The new line is the second: red. The lines around it keep their colour.
  EXPECT_EQ(re->GetCharAttributes(0).Color, clDefault);
  EXPECT_EQ(re->GetCharAttributes(8).Color, clRed);
  EXPECT_EQ(re->GetCharAttributes(13).Color, clRed);
  EXPECT_EQ(re->GetCharAttributes(16).Color, clDefault);
  // Typing a character equal to the one after the caret colours the typed one.
  re->SetSelStart(2);
  re->GetSelAttributes()->SetColor(clBlue);
  re->SetSelText(u"р");
  EXPECT_EQ(re->GetText().substr(0, 4), u"стрр");
  EXPECT_EQ(re->GetCharAttributes(2).Color, clBlue);
  EXPECT_EQ(re->GetCharAttributes(3).Color, clDefault);
}

TEST_F(LazyLayout, UndoInALogBringsBackTheTextAndItsLayout) {
  auto* re = Make<TRichEdit>(300, 10, 220, 150);
  for (int i = 0; i < 20; ++i) re->GetLines()->Add(LogLine(i));
  const String before = re->GetText();
  const auto layout = [re] {
    std::vector<TPoint> at;
    for (Integer k : {5, 60, 200, re->GetTextLen()}) at.push_back(re->PosFromChar(k) - re->PosFromChar(0));
    return at;
  };
  const std::vector<TPoint> laidBefore = layout();
  re->Perform(EM_SETSEL, 30, 90);
  String inserted = u"замена\r\nв две строки";
  re->Perform(EM_REPLACESEL, 1, LPARAM(&inserted));
  EXPECT_EQ(re->GetText().substr(30, 6), u"замена");
  EXPECT_NE(re->GetLines()->GetCount(), 20);
  EXPECT_EQ(re->Perform(EM_UNDO, 0, 0), 1);
  EXPECT_EQ(re->GetText(), before);
  EXPECT_EQ(re->GetLines()->GetCount(), 20);
  EXPECT_EQ(re->GetLines()->Get(19), LogLine(19));
  EXPECT_EQ(layout(), laidBefore);
}

TEST_F(LazyLayout, ListBoxItemHeightFollowsItsFontAndItsParentsFont) {
  auto* lb = Make<TListBox>(10, 10, 150, 200);
  for (int i = 0; i < 100; ++i) lb->GetItems()->Add(LogLine(i));
  const Integer small = lb->GetItemHeight();
  const Integer rows = lb->VisibleRows();
  lb->GetFont()->SetSize(20);
  EXPECT_GT(lb->GetItemHeight(), small);
  EXPECT_LT(lb->VisibleRows(), rows);
  lb->SetParentFont(true);  // back to the form's font
  EXPECT_EQ(lb->GetItemHeight(), small);
  Form->GetFont()->SetSize(16);
  EXPECT_GT(lb->GetItemHeight(), small);
  EXPECT_EQ(lb->Perform(LB_GETITEMHEIGHT, 0, 0), lb->GetItemHeight());
}

TEST_F(LazyLayout, HiddenListBoxKeepsItsSelectionInViewAsAShownOne) {
  auto* shown = Make<TListBox>(300, 10, 150, 200);
  auto* lazy = Make<TListBox>(10, 10, 150, 200, Hidden);
  for (auto* lb : {shown, lazy}) {
    for (int i = 0; i < 100; ++i) lb->GetItems()->Add(LogLine(i));
    lb->SetItemIndex(70);
    lb->GetItems()->Put(70, u"+ " + lb->GetItems()->Get(70));
    lb->SetItemIndex(3);
    lb->SetItemIndex(90);
  }
  EXPECT_EQ(lazy->GetTopIndex(), shown->GetTopIndex());
  EXPECT_EQ(lazy->GetTopIndex(), 90 - shown->VisibleRows() + 1);
  EXPECT_EQ(GetScrollPos(lazy->GetHandle(), SB_VERT), GetScrollPos(shown->GetHandle(), SB_VERT));
}

TEST_F(LazyLayout, HorizontalRangeFollowsAFontOrStyleThatWidensTheLines) {
  auto* re = Make<TRichEdit>(300, 10, 200, 100);
  re->SetScrollBars(ssBoth);
  re->SetWordWrap(false);
  re->SetText(u"Строка протокола, которая шире окна без переноса");
  Integer min = 0, narrow = 0, bold = 0, large = 0;
  GetScrollRange(re->GetHandle(), SB_HORZ, min, narrow);
  re->SelectAll();
  re->GetSelAttributes()->SetStyle(TFontStyles{fsBold});
  re->Perform(EM_SCROLLCARET, 0, 0);
  GetScrollRange(re->GetHandle(), SB_HORZ, min, bold);
  EXPECT_GT(bold, narrow);
  re->GetFont()->SetSize(14);
  GetScrollRange(re->GetHandle(), SB_HORZ, min, large);
  EXPECT_GT(large, bold);
}
