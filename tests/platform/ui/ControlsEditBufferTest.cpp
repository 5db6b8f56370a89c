// The edit controls' text model: selection rules, the length limit, undo and lines.

#include <gtest/gtest.h>

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
