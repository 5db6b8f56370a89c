#include "platform/ui/EditBuffer.h"

#include <unicode/uchar.h>

#include <algorithm>

namespace {

bool IsWordChar(Char c) { return u_isalnum(c) || c == u'_'; }

}  // namespace

void TEditBuffer::SetText(const String& Value) {
  FText = Value;
  FCaret = FAnchor = 0;
  EmptyUndoBuffer();
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

void TEditBuffer::SaveUndo(bool Merge) {
  if (Merge && FMerging && FUndoValid) return;
  FUndoText = FText;
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
  SaveUndo(Merge && sel == 0);
  FText.replace(static_cast<size_t>(start), static_cast<size_t>(sel), ins);
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
  std::swap(FText, FUndoText);
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

Integer TEditBuffer::LineCount() const {
  return 1 + static_cast<Integer>(std::count(FText.begin(), FText.end(), u'\n'));
}

Integer TEditBuffer::LineIndex(Integer LineNo) const {
  if (LineNo < 0) return -1;
  Integer line = 0;
  for (Integer i = 0; i < Length() && line < LineNo; ++i)
    if (FText[static_cast<size_t>(i)] == u'\n') {
      if (++line == LineNo) return i + 1;
    }
  return LineNo == 0 ? 0 : -1;
}

Integer TEditBuffer::LineFromChar(Integer Pos) const {
  Pos = std::clamp(Pos, 0, Length());
  return static_cast<Integer>(std::count(FText.begin(), FText.begin() + Pos, u'\n'));
}

Integer TEditBuffer::LineLength(Integer LineNo) const { return Integer(Line(LineNo).size()); }

String TEditBuffer::Line(Integer LineNo) const {
  const Integer start = LineIndex(LineNo);
  if (start < 0) return String();
  size_t end = FText.find(u'\n', static_cast<size_t>(start));
  if (end == String::npos) end = FText.size();
  if (end > size_t(start) && FText[end - 1] == u'\r') --end;
  return FText.substr(static_cast<size_t>(start), end - static_cast<size_t>(start));
}
