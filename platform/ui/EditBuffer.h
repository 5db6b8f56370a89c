#pragma once
// The text model of the edit controls: the text, the selection (an anchor and a
// caret), the length limit, one level of undo and the line structure of a
// multi-line text. It knows nothing of windows; the edit control turns keys,
// mouse and EM_ messages into these calls and paints what it holds.
//
// Every change costs what it touches, not the length of the text: undo keeps
// only the replaced part, the line breaks are indexed, and the span changed
// since the control last looked is kept for it, so a log that grows at its end
// stays cheap however long it gets.

#include <vector>

#include "platform/core/Types.h"

class TEditBuffer {
public:
  const String& GetText() const { return FText; }
  // Replaces the whole text: caret at 0, no selection, the undo step dropped.
  void SetText(const String& Value);
  Integer Length() const { return static_cast<Integer>(FText.size()); }

  // 0 means no limit. A shorter limit does not cut the text already there.
  Integer GetMaxLength() const { return FMaxLength; }
  void SetMaxLength(Integer Value) { FMaxLength = Value < 0 ? 0 : Value; }

  // ---- Selection: positions between characters, 0 .. Length().
  Integer GetCaret() const { return FCaret; }
  Integer GetAnchor() const { return FAnchor; }
  Integer GetSelStart() const { return FCaret < FAnchor ? FCaret : FAnchor; }
  Integer GetSelLength() const { return FCaret < FAnchor ? FAnchor - FCaret : FCaret - FAnchor; }
  String GetSelText() const;
  // EM_SETSEL rules: Start -1 drops the selection (the caret stays); End -1 (or
  // any value past the text) means the end; the caret goes to End.
  void SetSel(Integer Start, Integer End);
  void SelectAll() { SetSel(0, -1); }
  // Moves the caret; Extend keeps the anchor (Shift held).
  void MoveTo(Integer Pos, bool Extend);

  // ---- Changes. Each returns true when the text changed.
  // Replaces the selection with S, cut to what the length limit leaves room for.
  // Merge joins this change to the previous undo step (typing a word).
  bool ReplaceSel(const String& S, bool Merge = false);
  bool DeleteSelection();
  // Backspace and Delete: the selection when there is one, else one character
  // (a CR LF pair as one).
  bool DeleteBack();
  bool DeleteForward();

  // ---- Undo: one step; undoing twice redoes.
  bool CanUndo() const { return FUndoValid; }
  bool Undo();
  void EmptyUndoBuffer() {
    FUndoValid = false;
    FMerging = false;
    FUndoText.clear();
  }

  bool GetModified() const { return FModified; }
  void SetModified(bool Value) { FModified = Value; }

  // ---- Words and lines (lines end at LF; a CR before it belongs to the break).
  Integer WordLeft(Integer Pos) const;
  Integer WordRight(Integer Pos) const;
  Integer LineCount() const;
  Integer LineIndex(Integer Line) const;  // first character of the line; -1 past the end
  Integer LineFromChar(Integer Pos) const;
  Integer LineLength(Integer Line) const;  // without its line break
  String Line(Integer Line) const;

  // ---- What changed: the changes since the last TakeChange, as one span:
  // [Start, Start + Removed) of the text before became [Start, Start + Inserted).
  struct TChange {
    Integer Start = 0, Removed = 0, Inserted = 0;
  };
  bool HasChange() const { return FChanged; }
  const TChange& PeekChange() const { return FChange; }
  // Gives the span and starts a new one; false when nothing changed.
  bool TakeChange(TChange& Change);
  // The same span kept apart for the control's view (its laid-out lines),
  // which takes it when it next looks, whoever took the other.
  bool TakeViewChange(TChange& Change) const;

private:
  // Every change of the text goes through here: the line index and the
  // changed span follow it.
  void Replace(Integer Start, Integer Count, const String& S);
  void NoteChange(Integer Start, Integer Removed, Integer Inserted);
  static void Merge(TChange& Span, bool& Has, Integer Start, Integer Removed, Integer Inserted);
  void SaveUndo(Integer Start, Integer Count, bool Merge);

  String FText;
  std::vector<Integer> FBreaks;  // the positions of the LF characters, ascending
  Integer FCaret = 0, FAnchor = 0;
  Integer FMaxLength = 0;
  bool FModified = false;
  // The undo step: [FUndoPos, FUndoPos + FUndoLength) now stands where FUndoText was.
  String FUndoText;
  Integer FUndoPos = 0, FUndoLength = 0;
  Integer FUndoCaret = 0, FUndoAnchor = 0;
  bool FUndoValid = false;
  bool FMerging = false;
  TChange FChange;
  bool FChanged = false;
  mutable TChange FViewChange;
  mutable bool FViewChanged = false;
};
