// The edit controls' text model: selection rules, the length limit, undo and lines.

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "platform/ui/EditBuffer.h"

TEST(EditBufferSelection, SetSelFollowsEditRules) {
  TEditBuffer b;
  b.SetText(u"Привет мир");
  b.SetSel(0, -1);
  EXPECT_EQ(b.GetSelText(), u"Привет мир");
  b.SetSel(7, 3);  // caret at 3, anchor at 7
  EXPECT_EQ(b.GetSelStart(), 3);
  EXPECT_EQ(b.GetSelLength(), 4);
  EXPECT_EQ(b.GetCaret(), 3);
  b.SetSel(-1, 0);
  EXPECT_EQ(b.GetSelLength(), 0);
  EXPECT_EQ(b.GetCaret(), 3);
  b.SetSel(100, 200);
  EXPECT_EQ(b.GetCaret(), b.Length());
}

TEST(EditBufferTyping, ReplaceSelectionAndLimit) {
  TEditBuffer b;
  b.SetMaxLength(5);
  EXPECT_TRUE(b.ReplaceSel(u"абвгдеё"));
  EXPECT_EQ(b.GetText(), u"абвгд");
  EXPECT_FALSE(b.ReplaceSel(u"x"));  // full
  b.SetSel(1, 3);
  EXPECT_TRUE(b.ReplaceSel(u"XYZ"));
  EXPECT_EQ(b.GetText(), u"аXYгд");
  EXPECT_TRUE(b.GetModified());
}

TEST(EditBufferDeleting, BackAndForwardTreatCrLfAsOne) {
  TEditBuffer b;
  b.SetText(u"a\r\nb");
  b.MoveTo(3, false);
  EXPECT_TRUE(b.DeleteBack());
  EXPECT_EQ(b.GetText(), u"ab");
  b.SetText(u"a\r\nb");
  b.MoveTo(1, false);
  EXPECT_TRUE(b.DeleteForward());
  EXPECT_EQ(b.GetText(), u"ab");
  b.MoveTo(0, false);
  EXPECT_FALSE(b.DeleteBack());
}

TEST(EditBufferUndo, TypingIsOneStepAndUndoRedoes) {
  TEditBuffer b;
  b.SetText(u"x");
  b.MoveTo(1, false);
  for (Char c : String(u"жук")) b.ReplaceSel(String(1, c), true);
  EXPECT_EQ(b.GetText(), u"xжук");
  EXPECT_TRUE(b.Undo());
  EXPECT_EQ(b.GetText(), u"x");
  EXPECT_TRUE(b.Undo());
  EXPECT_EQ(b.GetText(), u"xжук");
  b.SetText(u"new");
  EXPECT_FALSE(b.CanUndo());
}

TEST(EditBufferLines, IndexLengthAndLineOfChar) {
  TEditBuffer b;
  b.SetText(u"one\r\ntwo2\nthree");
  EXPECT_EQ(b.LineCount(), 3);
  EXPECT_EQ(b.LineIndex(1), 5);
  EXPECT_EQ(b.LineIndex(2), 10);
  EXPECT_EQ(b.LineIndex(3), -1);
  EXPECT_EQ(b.LineLength(0), 3);
  EXPECT_EQ(b.Line(1), u"two2");
  EXPECT_EQ(b.LineFromChar(11), 2);
}

TEST(EditBufferWords, WordLeftAndRight) {
  TEditBuffer b;
  b.SetText(u"раз, два три");
  EXPECT_EQ(b.WordRight(0), 5);
  EXPECT_EQ(b.WordLeft(8), 5);
  EXPECT_EQ(b.WordLeft(0), 0);
}

// ---- Changes made in place: the line index, the undo step and the changed span
// must describe the text exactly whatever the edits were.

namespace {

// A small fixed-sequence generator, so every run makes the same edits.
class TEditScript {
public:
  Integer Next(Integer Below) {
    FState = FState * 6364136223846793005ULL + 1442695040888963407ULL;
    return Below <= 0 ? 0 : Integer((FState >> 33) % UInt64(Below));
  }
  String Piece() {
    static const Char kChars[] = u"ab \r\nЖ\n";
    String s;
    for (Integer n = Next(6); n > 0; --n) s += kChars[Next(7)];
    return s;
  }

private:
  UInt64 FState = 20261207;
};

std::vector<Integer> NaiveLineStarts(const String& t) {
  std::vector<Integer> starts{0};
  for (size_t i = 0; i < t.size(); ++i)
    if (t[i] == u'\n') starts.push_back(Integer(i + 1));
  return starts;
}

// One random edit of any kind the controls make.
void RandomEdit(TEditBuffer& b, TEditScript& r) {
  switch (r.Next(6)) {
    case 0:
      b.SetSel(r.Next(b.Length() + 1), r.Next(b.Length() + 1));
      b.ReplaceSel(r.Piece(), r.Next(2) == 0);
      break;
    case 1:
      b.MoveTo(r.Next(b.Length() + 1), false);
      b.ReplaceSel(r.Piece(), true);
      break;
    case 2:
      b.MoveTo(r.Next(b.Length() + 1), r.Next(2) == 0);
      b.DeleteBack();
      break;
    case 3:
      b.MoveTo(r.Next(b.Length() + 1), false);
      b.DeleteForward();
      break;
    case 4: b.Undo(); break;
    default:
      if (r.Next(8) == 0) b.SetText(r.Piece() + r.Piece());
      else b.ReplaceSel(r.Piece());
      break;
  }
}

}  // namespace

TEST(EditBufferLines, IndexFollowsEveryKindOfChange) {
  TEditBuffer b;
  TEditScript r;
  for (int step = 0; step < 400; ++step) {
    RandomEdit(b, r);
    const String& t = b.GetText();
    const std::vector<Integer> starts = NaiveLineStarts(t);
    ASSERT_EQ(b.LineCount(), Integer(starts.size())) << "step " << step;
    for (size_t l = 0; l < starts.size(); ++l) {
      ASSERT_EQ(b.LineIndex(Integer(l)), starts[l]);
      size_t end = l + 1 < starts.size() ? size_t(starts[l + 1] - 1) : t.size();
      if (end > size_t(starts[l]) && t[end - 1] == u'\r') --end;
      ASSERT_EQ(b.Line(Integer(l)), t.substr(size_t(starts[l]), end - size_t(starts[l])));
    }
    EXPECT_EQ(b.LineIndex(Integer(starts.size())), -1);
    for (Integer p = 0; p <= b.Length(); ++p)
      ASSERT_EQ(b.LineFromChar(p), Integer(std::upper_bound(starts.begin(), starts.end(), p) - starts.begin()) - 1);
  }
}

TEST(EditBufferChanges, TheSpanTurnsTheTextBeforeIntoTheTextAfter) {
  TEditBuffer b;
  TEditScript r;
  TEditBuffer::TChange c;
  b.TakeChange(c);
  String before = b.GetText();
  for (int step = 0; step < 300; ++step) {
    // Several edits may pile up before the control looks.
    for (Integer n = 1 + r.Next(3); n > 0; --n) RandomEdit(b, r);
    const String& after = b.GetText();
    if (!b.TakeChange(c)) {
      EXPECT_EQ(after, before);
      continue;
    }
    ASSERT_GE(c.Start, 0);
    ASSERT_LE(c.Start + c.Removed, Integer(before.size())) << "step " << step;
    ASSERT_EQ(Integer(before.size()) - c.Removed, Integer(after.size()) - c.Inserted);
    ASSERT_EQ(before.substr(0, size_t(c.Start)) + after.substr(size_t(c.Start), size_t(c.Inserted)) +
                  before.substr(size_t(c.Start + c.Removed)),
              after)
        << "step " << step;
    EXPECT_FALSE(b.HasChange());
    before = after;
  }
}

TEST(EditBufferUndo, AReplacedMiddleComesBackWithItsSelection) {
  TEditBuffer b;
  b.SetText(u"первая\r\nвторая\r\nтретья");
  b.SetSel(8, 14);  // "вторая"
  EXPECT_TRUE(b.ReplaceSel(u"2\r\n2б"));
  EXPECT_EQ(b.GetText(), u"первая\r\n2\r\n2б\r\nтретья");
  EXPECT_EQ(b.LineCount(), 4);
  EXPECT_TRUE(b.Undo());
  EXPECT_EQ(b.GetText(), u"первая\r\nвторая\r\nтретья");
  EXPECT_EQ(b.GetSelText(), u"вторая");
  EXPECT_EQ(b.LineCount(), 3);
  EXPECT_TRUE(b.Undo());  // redo
  EXPECT_EQ(b.GetText(), u"первая\r\n2\r\n2б\r\nтретья");
  EXPECT_EQ(b.GetCaret(), 13);
  EXPECT_EQ(b.Line(2), u"2б");
}

TEST(EditBufferUndo, TypingOverASelectionStartsAStepOfItsOwn) {
  TEditBuffer b;
  b.SetText(u"abcdef");
  b.SetSel(1, 3);
  b.ReplaceSel(u"X", true);  // replaces "bc": a step of its own
  b.ReplaceSel(u"Y", true);  // the next typed character starts the next step
  b.ReplaceSel(u"Z", true);  // and joins it
  EXPECT_EQ(b.GetText(), u"aXYZdef");
  EXPECT_TRUE(b.Undo());
  EXPECT_EQ(b.GetText(), u"aXdef");
  EXPECT_EQ(b.GetCaret(), 2);
  EXPECT_TRUE(b.Undo());
  EXPECT_EQ(b.GetText(), u"aXYZdef");
  b.EmptyUndoBuffer();
  EXPECT_FALSE(b.Undo());
}
