#include "platform/ui/Mask.h"

#include <algorithm>

#include "platform/ui/Clipbrd.h"

TCustomMaskEdit::TCustomMaskEdit(TComponent* AOwner) : TCustomEdit(AOwner) {}

String TCustomMaskEdit::FromEditText(const String& Value) const {
  String out = FMask.EmptyEditText();
  for (Integer p = 0; p < FMask.Length() && p < Integer(Value.size()); ++p) {
    if (FMask.IsLiteral(p)) continue;
    const Char c = Value[size_t(p)];
    if (c == FMask.BlankChar() || c == u' ') continue;
    if (const Char a = FMask.Accept(p, c)) out[size_t(p)] = a;
  }
  return out;
}

void TCustomMaskEdit::SetEditMask(const String& Value) {
  if (Value == FEditMask) return;
  const String text = GetText();
  FEditMask = Value;
  FMask = TEditMask(Value);
  if (IsMasked()) {
    FBuffer.SetMaxLength(FMask.Length());
    FBuffer.SetText(FMask.FormatText(text));
  } else {
    FBuffer.SetMaxLength(0);
    FBuffer.SetText(text);
  }
  TextChanged();
}

String TCustomMaskEdit::GetTextValue() const {
  return IsMasked() ? FMask.ExtractText(FBuffer.GetText()) : FBuffer.GetText();
}

void TCustomMaskEdit::SetTextValue(const String& Value) {
  if (!IsMasked()) {
    TCustomEdit::SetTextValue(Value);
    return;
  }
  FBuffer.SetText(FMask.FormatText(Value));
  FBuffer.SetModified(false);
  TextChanged();
}

void TCustomMaskEdit::SetEditText(const String& Value) {
  if (!IsMasked()) {
    SetText(Value);
    return;
  }
  FBuffer.SetText(FromEditText(Value));
  FBuffer.SetModified(false);
  TextChanged();
}

void TCustomMaskEdit::ValidateError() {
  MessageBeep(0);
  throw EDBEditError(u"Invalid input value.  Use escape key to abandon changes");
}

void TCustomMaskEdit::ValidateEdit() {
  if (!IsMasked() || !FBuffer.GetModified()) return;
  const Integer missing = FMask.FirstMissing(FBuffer.GetText());
  if (missing < 0) return;
  if (FHandle && Focused()) {
    FBuffer.MoveTo(missing, false);
    UpdateCaret();
  }
  ValidateError();
}

void TCustomMaskEdit::CheckCursor() {
  if (!IsMasked()) return;
  if (FBuffer.GetSelLength() == 0) {
    Integer p = FMask.NextInput(FBuffer.GetCaret());
    if (p >= FMask.Length()) p = FMask.PrevInput(FMask.Length()) + 1;
    FBuffer.MoveTo(std::max(0, p), false);
  }
  UpdateCaret();
  Invalidate();
}

void TCustomMaskEdit::Reset() {
  if (!FBuffer.GetModified()) return;
  FBuffer.SetText(FOldValue);
  FBuffer.SetModified(false);
  TextChanged();
}

String TCustomMaskEdit::Blanked(Integer From, Integer To) const {
  String t = FBuffer.GetText();
  for (Integer p = std::max(0, From); p < To && p < Integer(t.size()); ++p)
    if (!FMask.IsLiteral(p)) t[size_t(p)] = FMask.BlankChar();
  return t;
}

void TCustomMaskEdit::PutMaskedText(const String& Text, Integer Caret) {
  if (Text != FBuffer.GetText()) {
    FBuffer.SetSel(0, -1);
    FBuffer.ReplaceSel(Text);
    FBuffer.MoveTo(Caret, false);
    TextChanged();
  } else {
    MoveCaret(Caret);
  }
}

void TCustomMaskEdit::BlankSelection() {
  const Integer start = FBuffer.GetSelStart();
  PutMaskedText(Blanked(start, start + FBuffer.GetSelLength()), start);
}

String TCustomMaskEdit::TextForInput(Integer& From) const {
  From = FBuffer.GetCaret();
  if (!FBuffer.GetSelLength()) return FBuffer.GetText();
  From = FBuffer.GetSelStart();
  return Blanked(From, From + FBuffer.GetSelLength());
}

void TCustomMaskEdit::MoveCaret(Integer Pos) {
  FBuffer.MoveTo(Pos, false);
  UpdateCaret();
  Invalidate();
}

void TCustomMaskEdit::EditKeyDown(TMessage& Message) {
  if (!IsMasked()) {
    TCustomEdit::EditKeyDown(Message);
    return;
  }
  const Word key = Word(Message.WParam);
  const bool shift = GetKeyState(VK_SHIFT) < 0;
  const Integer caret = FBuffer.GetCaret();
  if (!shift) {
    switch (key) {
      case VK_LEFT: {
        const Integer p = FBuffer.GetSelLength() ? FBuffer.GetSelStart() : FMask.PrevInput(caret);
        MoveCaret(p < 0 ? caret : p);
        return;
      }
      case VK_RIGHT: {
        Integer p = FBuffer.GetSelLength() ? FBuffer.GetSelStart() + FBuffer.GetSelLength()
                                           : FMask.NextInput(FMask.NextInput(caret) + 1);
        if (p > FMask.Length()) p = FMask.Length();
        FBuffer.MoveTo(p, false);
        CheckCursor();
        return;
      }
      case VK_HOME: MoveCaret(FMask.NextInput(0)); return;
      case VK_END: MoveCaret(FMask.PrevInput(FMask.Length()) + 1); return;
      default: break;
    }
  }
  if (key == VK_DELETE && !shift) {
    if (FReadOnly || !EditCanModify()) return;
    if (FBuffer.GetSelLength()) {
      BlankSelection();
    } else {
      const Integer p = FMask.NextInput(caret);
      PutMaskedText(Blanked(p, p + 1), caret);
    }
    return;
  }
  TCustomEdit::EditKeyDown(Message);
}

void TCustomMaskEdit::EditChar(TMessage& Message) {
  if (!IsMasked()) {
    TCustomEdit::EditChar(Message);
    return;
  }
  const Char c = Char(Message.WParam);
  switch (c) {
    case 3: Perform(WM_COPY); return;
    case 0x16:
      if (!FReadOnly) EditPaste();
      return;
    case 0x18:
      if (!FReadOnly) EditCut();
      return;
    case 27: Reset(); return;
    case VK_BACK: {
      if (FReadOnly || !EditCanModify()) return;
      if (FBuffer.GetSelLength()) {
        BlankSelection();
        return;
      }
      const Integer p = FMask.PrevInput(FBuffer.GetCaret());
      if (p >= 0) PutMaskedText(Blanked(p, p + 1), p);
      return;
    }
    default: break;
  }
  if (c < 0x20) return;
  if (FReadOnly || !EditCanModify()) {
    MessageBeep(0);
    return;
  }
  Integer from;
  String text = TextForInput(from);
  const Integer p = FMask.NextInput(from);
  const Char a = p < FMask.Length() ? FMask.Accept(p, c) : Char(0);
  if (!a) {
    MessageBeep(0);
    return;
  }
  text[size_t(p)] = a;
  Integer next = FMask.NextInput(p + 1);
  PutMaskedText(text, std::min(next, FMask.Length()));
}

void TCustomMaskEdit::EditPaste() {
  if (!IsMasked()) {
    TCustomEdit::EditPaste();
    return;
  }
  if (!EditCanModify() || !Clipboard()->HasFormat(CF_UNICODETEXT)) return;
  const String s = Clipboard()->GetAsText();
  Integer from;
  String text = TextForInput(from);
  Integer p = from;
  for (Char c : s) {
    if (p >= FMask.Length()) break;
    // A literal in the pasted text that matches the mask's literal is passed over.
    if (FMask.IsLiteral(p) && text[size_t(p)] == c) {
      ++p;
      continue;
    }
    p = FMask.NextInput(p);
    if (p >= FMask.Length()) break;
    const Char a = FMask.Accept(p, c);
    if (!a) {
      // A separator typed early skips to the part after that separator ("12-34").
      Integer q = p;
      while (q < FMask.Length() && !FMask.IsLiteral(q)) ++q;
      if (q < FMask.Length() && text[size_t(q)] == c) {
        p = q + 1;
        continue;
      }
      MessageBeep(0);
      break;
    }
    text[size_t(p)] = a;
    ++p;
  }
  PutMaskedText(text, std::min(FMask.NextInput(p), FMask.Length()));
}

void TCustomMaskEdit::EditCut() {
  if (!IsMasked()) {
    TCustomEdit::EditCut();
    return;
  }
  if (!FBuffer.GetSelLength() || !EditCanModify()) return;
  Perform(WM_COPY);
  EditClear();
}

void TCustomMaskEdit::EditClear() {
  if (!IsMasked()) {
    TCustomEdit::EditClear();
    return;
  }
  if (!FBuffer.GetSelLength() || !EditCanModify()) return;
  BlankSelection();
}

void TCustomMaskEdit::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CM_ENTER:
      FOldValue = FBuffer.GetText();
      TCustomEdit::Dispatch(Message);
      if (IsMasked() && FBuffer.GetSelLength() == 0) CheckCursor();
      return;
    case CM_EXIT:
      if (IsMasked()) {
        ValidateEdit();
        CheckCursor();
      }
      TCustomEdit::Dispatch(Message);
      return;
    case WM_LBUTTONDOWN:
      TCustomEdit::Dispatch(Message);
      if (IsMasked()) CheckCursor();
      return;
    default: TCustomEdit::Dispatch(Message);
  }
}

void TCustomMaskEdit::DefaultHandler(TMessage& Message) {
  if (IsMasked()) {
    switch (Message.Msg) {
      case WM_CUT:
        if (!FReadOnly) EditCut();
        return;
      case WM_PASTE:
        if (!FReadOnly) EditPaste();
        return;
      case WM_CLEAR:
        if (!FReadOnly) EditClear();
        return;
      case WM_COPY:
        if (FBuffer.GetSelLength() > 0 && !FPasswordChar) Clipboard()->SetAsText(FBuffer.GetSelText());
        return;
      default: break;
    }
  }
  TCustomEdit::DefaultHandler(Message);
}
