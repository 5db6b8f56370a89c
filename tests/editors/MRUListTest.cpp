// Most-recently-used lists (adding, moving to the newest place, the limit,
// filtering and its interruption by a waiting key), their drop-down list with its
// own scroll bar, and the special row of a drop-down.

#include <gtest/gtest.h>

#include "DropDownTestSupport.h"
#include "platform/core/Filer.h"
#include "platform/core/Streams.h"
#include "platform/core/Strings.h"

namespace {

std::vector<String> Texts(const TStrings* S) {
  std::vector<String> v;
  for (Integer i = 0; i < S->GetCount(); ++i) v.push_back(S->Get(i));
  return v;
}

// ---- TMRUListEh -----------------------------------------------------------------------------------------

TEST(MRUList, StartsWithTheDefaults) {
  TMRUListEh mru(nullptr);
  EXPECT_TRUE(mru.GetAutoAdd());
  EXPECT_FALSE(mru.GetActive());
  EXPECT_FALSE(mru.GetCaseSensitive());
  EXPECT_EQ(mru.GetLimit(), 100);
  EXPECT_EQ(mru.GetRows(), 7);
  EXPECT_EQ(mru.GetItems()->GetCount(), 0);
}

TEST(MRUList, AddsTrimmedTextsAndKeepsTheNewestLast) {
  TMRUListEh mru(nullptr);
  mru.Add(u"  Пушкин ");
  mru.Add(u"");
  mru.Add(u"   ");
  mru.Add(u"Лермонтов");
  EXPECT_EQ(Texts(mru.GetItems()), (std::vector<String>{u"Пушкин", u"Лермонтов"}));
}

TEST(MRUList, AnEqualTextMovesToTheNewestPlaceInsteadOfRepeating) {
  TMRUListEh mru(nullptr);
  for (const char16_t* t : {u"a", u"b", u"c"}) mru.Add(t);
  mru.Add(u"A");  // equal without regard to case
  EXPECT_EQ(Texts(mru.GetItems()), (std::vector<String>{u"b", u"c", u"a"}));
  mru.Add(u"ПУШКИН");
  mru.Add(u"пушкин");
  EXPECT_EQ(Texts(mru.GetItems()), (std::vector<String>{u"b", u"c", u"a", u"ПУШКИН"}));
  mru.SetCaseSensitive(true);
  mru.Add(u"B");
  EXPECT_EQ(Texts(mru.GetItems()), (std::vector<String>{u"b", u"c", u"a", u"ПУШКИН", u"B"}));
}

TEST(MRUList, TheLimitDropsTheOldestEntries) {
  TMRUListEh mru(nullptr);
  mru.SetLimit(3);
  for (const char16_t* t : {u"a", u"b", u"c", u"d"}) mru.Add(t);
  EXPECT_EQ(Texts(mru.GetItems()), (std::vector<String>{u"b", u"c", u"d"}));
  mru.Add(u"b");
  EXPECT_EQ(Texts(mru.GetItems()), (std::vector<String>{u"c", u"d", u"b"}));
  mru.SetLimit(1);
  EXPECT_EQ(Texts(mru.GetItems()), (std::vector<String>{u"b"}));
  mru.SetLimit(0);
  mru.Add(u"x");
  EXPECT_EQ(mru.GetItems()->GetCount(), 0);
}

TEST(MRUList, FiltersTheItemsThatBeginWithTheText) {
  TMRUListEh mru(nullptr);
  for (const char16_t* t : {u"Москва", u"мост", u"Минск", u"Мо"}) mru.Add(t);
  TStringList out;
  out.Add(u"old");
  EXPECT_TRUE(mru.FilterItemsTo(&out, u"мо"));
  EXPECT_EQ(Texts(&out), (std::vector<String>{u"Москва", u"мост", u"Мо"}));
  mru.SetCaseSensitive(true);
  EXPECT_TRUE(mru.FilterItemsTo(&out, u"мо"));
  EXPECT_EQ(Texts(&out), (std::vector<String>{u"мост"}));
  EXPECT_TRUE(mru.FilterItemsTo(&out, u""));
  EXPECT_EQ(out.GetCount(), 4);
  EXPECT_TRUE(mru.FilterItemsTo(&out, u"Москва и область"));
  EXPECT_EQ(out.GetCount(), 0);
}

TEST(MRUList, TheFilterEventGetsTheOwnerAndMayChangeTheVerdict) {
  TStringList column;  // stands for the grid column the list belongs to
  TMRUListEh mru(&column);
  for (const char16_t* t : {u"ab", u"ac", u"b"}) mru.Add(t);
  std::vector<TObject*> senders;
  Integer calls = 0;
  mru.OnFilterItem = [&](TObject* Sender, bool& Accept) {
    senders.push_back(Sender);
    if (++calls == 2) Accept = false;    // the second item is refused
    else if (calls == 3) Accept = true;  // the third is taken though it does not match
  };
  TStringList out;
  EXPECT_TRUE(mru.FilterItemsTo(&out, u"a"));
  EXPECT_EQ(Texts(&out), (std::vector<String>{u"ab", u"b"}));
  EXPECT_EQ(senders, (std::vector<TObject*>{&column, &column, &column}));
}

TEST(MRUList, AWaitingKeyPressStopsALongFilter) {
  THeadlessDisplay display;
  TForm* form = new TForm(Application);
  form->Show();
  TMRUListEh mru(nullptr);
  mru.SetLimit(1000);
  for (Integer i = 0; i < 250; ++i) mru.Add(u"item" + IntToStr(i));
  TStringList out;
  PostMessage(form->GetHandle(), WM_KEYDOWN, 'A', 0);
  EXPECT_FALSE(mru.FilterItemsTo(&out, u"item"));
  EXPECT_EQ(out.GetCount(), 0);  // looked at item 0 only
  mru.SetCancelFilterOnKey(false);
  EXPECT_TRUE(mru.FilterItemsTo(&out, u"item"));
  EXPECT_EQ(out.GetCount(), 250);
  // Other messages do not stop it.
  ClearMessageQueue();
  PostMessage(form->GetHandle(), WM_MOUSEMOVE, 0, 0);
  mru.SetCancelFilterOnKey(true);
  EXPECT_TRUE(mru.FilterItemsTo(&out, u"item1"));
  EXPECT_EQ(out.GetCount(), 1 + 10 + 100);
}

TEST(MRUList, HandlersOfTheOwningEditorAreCalled) {
  TMRUListEh mru(nullptr);
  std::vector<String> calls;
  mru.OnActiveChanged = [&](TObject*) { calls.push_back(u"active"); };
  mru.OnSetDropDownEvent = [&](TObject*) { calls.push_back(u"drop"); };
  mru.OnSetCloseUpEvent = [&](TObject*, bool Accept) { calls.push_back(Accept ? u"accept" : u"cancel"); };
  mru.SetActive(true);
  mru.SetActive(true);
  mru.DropDown();
  mru.CloseUp(true);
  mru.CloseUp(false);
  EXPECT_EQ(calls, (std::vector<String>{u"active", u"drop", u"accept", u"cancel"}));
}

TEST(MRUList, AssignCopiesItsSettingsAndItems) {
  TMRUListEh a(nullptr), b(nullptr);
  a.SetActive(true);
  a.SetLimit(5);
  a.SetRows(3);
  a.SetCaseSensitive(true);
  a.Add(u"one");
  a.Add(u"two");
  b.Assign(&a);
  EXPECT_TRUE(b.GetActive());
  EXPECT_EQ(b.GetLimit(), 5);
  EXPECT_EQ(b.GetRows(), 3);
  EXPECT_TRUE(b.GetCaseSensitive());
  EXPECT_EQ(Texts(b.GetItems()), (std::vector<String>{u"one", u"two"}));
  a.Add(u"three");
  EXPECT_EQ(b.GetItems()->GetCount(), 2);  // a copy, not a share
}

// Writes the published properties of Source and reads them into Dest.
void RoundTrip(TPersistent* Source, TPersistent* Dest, Integer* Written = nullptr) {
  TMemoryStream stream;
  {
    TWriter w(&stream);
    w.WriteProperties(Source);
    w.WriteListEnd();
  }
  if (Written) *Written = Integer(stream.GetSize());
  stream.SetPosition(0);
  TReader r(&stream);
  while (!r.EndOfList()) r.ReadProperty(Dest);
  r.ReadListEnd();
}

TEST(MRUList, StreamsOnlyWhatDiffersFromTheDefaults) {
  TMRUListEh plain(nullptr), copy(nullptr);
  Integer written = 0;
  RoundTrip(&plain, &copy, &written);
  EXPECT_EQ(written, 1);  // the end of the list alone
  TMRUListEh a(nullptr), b(nullptr);
  a.SetActive(true);
  a.SetAutoAdd(false);
  a.SetLimit(9);
  a.SetRows(4);
  a.Add(u"Толстой");
  a.Add(u"Гоголь");
  RoundTrip(&a, &b);
  EXPECT_TRUE(b.GetActive());
  EXPECT_FALSE(b.GetAutoAdd());
  EXPECT_EQ(b.GetLimit(), 9);
  EXPECT_EQ(b.GetRows(), 4);
  EXPECT_EQ(Texts(b.GetItems()), (std::vector<String>{u"Толстой", u"Гоголь"}));
}

// ---- TMRUListboxEh ------------------------------------------------------------------------------------

class MRUListbox : public DropDownFixture {
protected:
  TMRUListboxEh* Mru() const { return static_cast<TMRUListboxEh*>(Edit->List); }
  void Open(Integer Items, Integer Rows, bool Grip) {
    MakeForm<TMRUListboxEh>();
    for (Integer i = 0; i < Items; ++i) Edit->List->GetItems()->Add(u"text " + IntToStr(i));
    Edit->Rows = Rows;
    Edit->List->GetSizeGrip()->ShowGrip(Grip);
    Edit->DropDown();
    Display.ProcessMessages();
  }
};

TEST_F(MRUListbox, HasNoWindowScrollBarButABarControlAboveTheGrip) {
  Open(20, 5, true);
  HWND list = Mru()->GetHandle();
  EXPECT_FALSE(GetWindowStyle(list) & WS_VSCROLL);
  TScrollBar* bar = Mru()->GetScrollBar();
  ASSERT_TRUE(bar->GetVisible());
  const TRect client = Mru()->GetClientRect();
  EXPECT_EQ(bar->GetBoundsRect(), TRect(client.Right - 17, 0, client.Right, client.Bottom - 17));
  EXPECT_EQ(bar->GetMin(), 0);
  EXPECT_EQ(bar->GetMax(), 19);
  EXPECT_EQ(bar->GetPageSize(), 5);
  EXPECT_EQ(bar->GetPosition(), 0);
  // Beside the bar the grip is a square.
  EXPECT_FALSE(Mru()->GetSizeGrip()->GetTriangle());
}

TEST_F(MRUListbox, TheBarSpansTheHeightWithoutAGripAndHidesWhenAllRowsFit) {
  Open(20, 5, false);
  const TRect client = Mru()->GetClientRect();
  EXPECT_EQ(Mru()->GetScrollBar()->GetBoundsRect(), TRect(client.Right - 17, 0, client.Right, client.Bottom));
  Mru()->GetItems()->Clear();
  Mru()->GetItems()->Add(u"one");
  EXPECT_FALSE(Mru()->GetScrollBar()->GetVisible());
  EXPECT_TRUE(Mru()->GetSizeGrip()->GetTriangle());
}

TEST_F(MRUListbox, TheBarScrollsTheListAndFollowsIt) {
  Open(20, 5, true);
  TScrollBar* bar = Mru()->GetScrollBar();
  // A click on the bar's lower arrow scrolls one row.
  Display.Click(bar->GetHandle(), 8, bar->GetHeight() - 4);
  EXPECT_EQ(Mru()->GetTopIndex(), 1);
  EXPECT_EQ(bar->GetPosition(), 1);
  // Keys passed on by the owner move the list, and the bar follows.
  for (int i = 0; i < 12; ++i) Display.Key(VK_DOWN);
  EXPECT_EQ(Mru()->GetItemIndex(), 11);
  EXPECT_EQ(bar->GetPosition(), Mru()->GetTopIndex());
  EXPECT_EQ(Mru()->GetTopIndex(), 7);
  Mru()->Perform(CM_MOUSEWHEEL, MakeWParam(0, -WHEEL_DELTA), 0);
  EXPECT_EQ(Mru()->GetItemIndex(), 12);
  EXPECT_EQ(bar->GetPosition(), Mru()->GetTopIndex());
}

TEST_F(MRUListbox, AGripAtTheTopRightPushesTheBarBelowIt) {
  Open(20, 5, true);
  Mru()->Perform(WM_DROPDOWNPLACED, sgcpToTop, 0);
  ASSERT_EQ(Mru()->GetSizeGrip()->GetPosition(), sgpTopRight);
  const TRect client = Mru()->GetClientRect();
  EXPECT_EQ(Mru()->GetScrollBar()->GetBoundsRect(), TRect(client.Right - 17, 17, client.Right, client.Bottom));
  Mru()->Perform(WM_DROPDOWNPLACED, sgcpToLeft, 0);
  ASSERT_EQ(Mru()->GetSizeGrip()->GetPosition(), sgpTopLeft);
  EXPECT_EQ(Mru()->GetScrollBar()->GetBoundsRect(), TRect(client.Right - 17, 0, client.Right, client.Bottom));
  EXPECT_TRUE(Mru()->GetSizeGrip()->GetTriangle());  // on the left it stays a triangle
}

// ---- TSpecRowEh --------------------------------------------------------------------------------------

std::vector<String> Cells(const TSpecRowEh& Row) {
  std::vector<String> v;
  for (Integer i = 0; i < Row.CellCount(); ++i) v.push_back(Row.CellText(i));
  return v;
}

TEST(SpecRow, StartsWithTheDefaults) {
  TSpecRowEh row(nullptr);
  EXPECT_EQ(row.GetShortCut(), 32814);  // Alt+Del
  EXPECT_TRUE(row.GetShowIfNotInKeyList());
  EXPECT_TRUE(row.GetValue().IsNull());
  EXPECT_FALSE(row.GetVisible());
  EXPECT_EQ(row.CellText(0), u"");
}

TEST(SpecRow, SplitsTheCellTextsAtSemicolons) {
  TSpecRowEh row(nullptr);
  row.SetCellsText(u"  (все);Москва; Санкт-Петербург");
  EXPECT_EQ(Cells(row), (std::vector<String>{u"(все)", u"Москва", u" Санкт-Петербург"}));
  row.SetCellsText(u"\"a;b\";\"say \"\"hi\"\"\";c\r\n;d");
  EXPECT_EQ(Cells(row), (std::vector<String>{u"a;b", u"say \"hi\"", u"c", u"d"}));
  row.SetCellsText(u"a;;b;");
  EXPECT_EQ(Cells(row), (std::vector<String>{u"a", u"", u"b"}));
  EXPECT_EQ(row.CellText(3), u"");
  EXPECT_EQ(row.CellText(-1), u"");
}

TEST(SpecRow, FollowsItsOwnersColourAndFontUntilTheyAreSet) {
  THeadlessDisplay display;
  TButton owner(nullptr);
  owner.SetColor(clYellow);
  owner.GetFont()->SetName(u"Tahoma");
  TSpecRowEh row(&owner);
  EXPECT_EQ(row.GetColor(), clYellow);
  EXPECT_EQ(row.GetFont()->GetName(), u"Tahoma");
  EXPECT_FALSE(row.GetFontAssigned());
  owner.SetColor(clAqua);
  EXPECT_EQ(row.GetColor(), clAqua);
  row.SetColor(clRed);
  row.GetFont()->SetStyle({fsBold});
  owner.SetColor(clLime);
  owner.GetFont()->SetName(u"Verdana");
  EXPECT_EQ(row.GetColor(), clRed);
  EXPECT_TRUE(row.GetFontAssigned());
  EXPECT_EQ(row.GetFont()->GetName(), u"Tahoma");
}

TEST(SpecRow, ChangesAreReportedOnceAfterTheLastEndUpdate) {
  TSpecRowEh row(nullptr);
  Integer changes = 0;
  row.OnChanged = [&](TObject*) { ++changes; };
  row.SetVisible(true);
  EXPECT_EQ(changes, 1);
  row.BeginUpdate();
  row.BeginUpdate();
  row.SetCellsText(u"x");
  row.SetValue(5);
  row.EndUpdate();
  EXPECT_EQ(changes, 1);
  row.EndUpdate();
  EXPECT_EQ(changes, 2);
  row.BeginUpdate();
  row.EndUpdate();
  EXPECT_EQ(changes, 2);
}

TEST(SpecRow, AssignCopiesTheFontOnlyWhenItWasSet) {
  THeadlessDisplay display;
  TButton owner(nullptr);
  TSpecRowEh a(&owner), b(&owner), c(&owner);
  a.SetCellsText(u"x;y");
  a.SetValue(u"key");
  a.SetVisible(true);
  a.SetShortCut(0);
  a.SetShowIfNotInKeyList(false);
  Integer changes = 0;
  b.OnChanged = [&](TObject*) { ++changes; };
  b.Assign(&a);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(b.GetCellsText(), u"x;y");
  EXPECT_EQ(b.GetValue(), Variant(u"key"));
  EXPECT_TRUE(b.GetVisible());
  EXPECT_EQ(b.GetShortCut(), 0);
  EXPECT_FALSE(b.GetShowIfNotInKeyList());
  EXPECT_FALSE(b.GetFontAssigned());
  a.GetFont()->SetHeight(-20);
  c.Assign(&a);
  EXPECT_TRUE(c.GetFontAssigned());
  EXPECT_EQ(c.GetFont()->GetHeight(), -20);
}

TEST(SpecRow, StoresValueColourAndFontOnlyWhenSet) {
  THeadlessDisplay display;
  TButton owner(nullptr);
  TSpecRowEh plain(&owner), copy(&owner);
  Integer written = 0;
  RoundTrip(&plain, &copy, &written);
  EXPECT_EQ(written, 1);
  TSpecRowEh a(&owner), b(&owner);
  a.SetCellsText(u"все");
  a.SetValue(-1);
  a.SetColor(clInfoBk);
  a.GetFont()->SetStyle({fsItalic});
  a.SetVisible(true);
  RoundTrip(&a, &b);
  EXPECT_EQ(b.GetCellsText(), u"все");
  EXPECT_EQ(b.GetValue(), Variant(-1));
  EXPECT_EQ(b.GetColor(), clInfoBk);
  EXPECT_TRUE(b.GetFontAssigned());
  EXPECT_TRUE(b.GetFont()->GetStyle().Contains(fsItalic));
  EXPECT_TRUE(b.GetVisible());
}

}  // namespace
