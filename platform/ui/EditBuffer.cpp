#include "platform/ui/EditBuffer.h"

#include <unicode/uchar.h>

#include <algorithm>

namespace {

bool IsWordChar(Char c) { return u_isalnum(c) || c == u'_'; }

}  // namespace

void TEditBuffer::SetText(const String& Value) {
  // The span starts where the texts part, so lines laid out before it stay.
  const size_t n = std::min(FText.size(), Value.size());
  size_t same = 0;
  while (same < n && FText[same] == Value[same]) ++same;
  NoteChange(Integer(same), Integer(FText.size() - same), Integer(Value.size() - same));
  FText = Value;
  FBreaks.clear();
  for (size_t i = 0; i < FText.size(); ++i)
    if (FText[i] == u'\n') FBreaks.push_back(Integer(i));
  FCaret = FAnchor = 0;
  EmptyUndoBuffer();
}

void TEditBuffer::Replace(Integer Start, Integer Count, const String& S) {
  const auto from = std::lower_bound(FBreaks.begin(), FBreaks.end(), Start);
  const auto to = std::lower_bound(from, FBreaks.end(), Start + Count);
  auto at = FBreaks.erase(from, to);
  const Integer delta = Integer(S.size()) - Count;
  if (delta != 0)
    for (auto it = at; it != FBreaks.end(); ++it) *it += delta;
  std::vector<Integer> added;
  for (size_t i = 0; i < S.size(); ++i)
    if (S[i] == u'\n') added.push_back(Start + Integer(i));
  FBreaks.insert(at, added.begin(), added.end());
  FText.replace(static_cast<size_t>(Start), static_cast<size_t>(Count), S);
  NoteChange(Start, Count, Integer(S.size()));
}

void TEditBuffer::NoteChange(Integer Start, Integer Removed, Integer Inserted) {
  Merge(FChange, FChanged, Start, Removed, Inserted);
  Merge(FViewChange, FViewChanged, Start, Removed, Inserted);
}

void TEditBuffer::Merge(TChange& Span, bool& Has, Integer Start, Integer Removed, Integer Inserted) {
  if (!Has) {
    Span = {Start, Removed, Inserted};
    Has = true;
    return;
  }
  // Both spans in the coordinates of the text between the two changes: the
  // first one's new part and the second one's old part.
  const Integer a = std::min(Span.Start, Start);
  const Integer b = std::max(Span.Start + Span.Inserted, Start + Removed);
  Span = {a, b - Span.Inserted + Span.Removed - a, b - Removed + Inserted - a};
}

bool TEditBuffer::TakeChange(TChange& Change) {
  if (!FChanged) return false;
  Change = FChange;
  FChanged = false;
  return true;
}

bool TEditBuffer::TakeViewChange(TChange& Change) const {
  if (!FViewChanged) return false;
  Change = FViewChange;
  FViewChanged = false;
  return true;
}

String TEditBuffer::GetSelText() const {
  return FText.substr(static_cast<size_t>(GetSelStart()), static_cast<size_t>(GetSelLength()));
}

void TEditBuffer::SetSel(Integer Start, Integer End) {
  const Integer len = Length();
  FMerging = false;
  if (Start < 0) {
    FAnchor = FCaret;
    return;
  }
  if (End < 0 || End > len) End = len;
  FAnchor = std::min(Start, len);
  FCaret = End;
}

void TEditBuffer::MoveTo(Integer Pos, bool Extend) {
  FCaret = std::clamp(Pos, 0, Length());
  if (!Extend) FAnchor = FCaret;
  FMerging = false;
}

void TEditBuffer::SaveUndo(Integer Start, Integer Count, bool Merge) {
  // Typing goes on where the step's text ends, so it joins the step.
  if (Merge && FMerging && FUndoValid && Start == FUndoPos + FUndoLength && Count == 0) return;
  FUndoText = FText.substr(static_cast<size_t>(Start), static_cast<size_t>(Count));
  FUndoPos = Start;
  FUndoLength = 0;
  FUndoCaret = FCaret;
  FUndoAnchor = FAnchor;
  FUndoValid = true;
  FMerging = Merge;
}

bool TEditBuffer::ReplaceSel(const String& S, bool Merge) {
  const Integer start = GetSelStart(), sel = GetSelLength();
  String ins = S;
  if (FMaxLength > 0) {
    const Integer room = std::max(0, FMaxLength - (Length() - sel));
    if (Integer(ins.size()) > room) ins.resize(static_cast<size_t>(room));
  }
  if (ins.empty() && sel == 0) return false;
  SaveUndo(start, sel, Merge && sel == 0);
  FUndoLength += Integer(ins.size());
  Replace(start, sel, ins);
  FCaret = FAnchor = start + Integer(ins.size());
  FModified = true;
  return true;
}

bool TEditBuffer::DeleteSelection() {
  if (GetSelLength() == 0) return false;
  return ReplaceSel(String());
}

bool TEditBuffer::DeleteBack() {
  if (GetSelLength() > 0) return DeleteSelection();
  if (FCaret == 0) return false;
  Integer from = FCaret - 1;
  if (FText[static_cast<size_t>(from)] == u'\n' && from > 0 && FText[static_cast<size_t>(from - 1)] == u'\r') --from;
  FAnchor = from;
  return ReplaceSel(String());
}

bool TEditBuffer::DeleteForward() {
  if (GetSelLength() > 0) return DeleteSelection();
  if (FCaret >= Length()) return false;
  Integer to = FCaret + 1;
  if (FText[static_cast<size_t>(FCaret)] == u'\r' && to < Length() && FText[static_cast<size_t>(to)] == u'\n') ++to;
  FAnchor = to;
  return ReplaceSel(String());
}

bool TEditBuffer::Undo() {
  if (!FUndoValid) return false;
  // The step turns into its own reverse, so undoing again redoes.
  String now = FText.substr(static_cast<size_t>(FUndoPos), static_cast<size_t>(FUndoLength));
  Replace(FUndoPos, FUndoLength, FUndoText);
  FUndoLength = Integer(FUndoText.size());
  FUndoText = std::move(now);
  std::swap(FCaret, FUndoCaret);
  std::swap(FAnchor, FUndoAnchor);
  FMerging = false;
  FModified = true;
  return true;
}

Integer TEditBuffer::WordLeft(Integer Pos) const {
  Integer p = std::clamp(Pos, 0, Length());
  while (p > 0 && !IsWordChar(FText[static_cast<size_t>(p - 1)])) --p;
  while (p > 0 && IsWordChar(FText[static_cast<size_t>(p - 1)])) --p;
  return p;
}

Integer TEditBuffer::WordRight(Integer Pos) const {
  Integer p = std::clamp(Pos, 0, Length());
  while (p < Length() && IsWordChar(FText[static_cast<size_t>(p)])) ++p;
  while (p < Length() && !IsWordChar(FText[static_cast<size_t>(p)])) ++p;
  return p;
}

Integer TEditBuffer::LineCount() const { return 1 + static_cast<Integer>(FBreaks.size()); }

Integer TEditBuffer::LineIndex(Integer LineNo) const {
  if (LineNo < 0) return -1;
  if (LineNo == 0) return 0;
  if (size_t(LineNo) > FBreaks.size()) return -1;
  return FBreaks[size_t(LineNo - 1)] + 1;
}

Integer TEditBuffer::LineFromChar(Integer Pos) const {
  Pos = std::clamp(Pos, 0, Length());
  return static_cast<Integer>(std::lower_bound(FBreaks.begin(), FBreaks.end(), Pos) - FBreaks.begin());
}

Integer TEditBuffer::LineLength(Integer LineNo) const { return Integer(Line(LineNo).size()); }

String TEditBuffer::Line(Integer LineNo) const {
  const Integer start = LineIndex(LineNo);
  if (start < 0) return String();
  size_t end = size_t(LineNo) < FBreaks.size() ? size_t(FBreaks[size_t(LineNo)]) : FText.size();
  if (end > size_t(start) && FText[end - 1] == u'\r') --end;
  return FText.substr(static_cast<size_t>(start), end - static_cast<size_t>(start));
}
