// TCustomEdit and TCustomMemo: the system edit's behaviour (typing, selection,
// caret, clipboard, undo, EM_ messages) on TEditBuffer, painted in the classic look.

#include <unicode/uchar.h>

#include <algorithm>
#include <limits>

#include "platform/core/ScopeGuard.h"
#include "platform/core/Strings.h"
#include "platform/ui/Clipbrd.h"
#include "platform/ui/ControlPaint.h"
#include "platform/ui/MessageQueue.h"
#include "platform/ui/ScrollBars.h"
#include "platform/ui/StdCtrls.h"
#include "platform/ui/WindowSystem.h"

namespace {

constexpr WPARAM EC_LEFTMARGIN = 1;
constexpr WPARAM EC_RIGHTMARGIN = 2;

bool IsKeyDown(Word vk) { return GetKeyState(vk) < 0; }

String ApplyCase(const String& s, TEditCharCase c) {
  if (c == ecUpperCase) return AnsiUpperCase(s);
  if (c == ecLowerCase) return AnsiLowerCase(s);
  return s;
}

}  // namespace

// The lines of a memo: a TStrings over the edit's text.
class TMemoStrings final : public TStrings {
public:
  explicit TMemoStrings(TCustomMemo* Memo) : FMemo(Memo) {}
  Integer GetCount() const override {
    const TEditBuffer& b = FMemo->FBuffer;
    if (b.Length() == 0) return 0;
    Integer n = b.LineCount();
    if (b.GetText().back() == u'\n') --n;  // a final line break ends the last line
    return n;
  }
  String Get(Integer Index) const override {
    if (Index < 0 || Index >= GetCount())
      throw EStringListError(u"List index out of bounds (" + IntToStr(Index) + u")");
    return FMemo->FBuffer.Line(Index);
  }
  void Put(Integer Index, const String& S) override {
    std::vector<String> l = Split();
    if (Index < 0 || size_t(Index) >= l.size())
      throw EStringListError(u"List index out of bounds (" + IntToStr(Index) + u")");
    l[size_t(Index)] = S;
    Join(l);
  }
  void Insert(Integer Index, const String& S) override {
    std::vector<String> l = Split();
    if (Index < 0 || size_t(Index) > l.size())
      throw EStringListError(u"List index out of bounds (" + IntToStr(Index) + u")");
    l.insert(l.begin() + Index, S);
    Join(l);
  }
  void Delete(Integer Index) override {
    std::vector<String> l = Split();
    if (Index < 0 || size_t(Index) >= l.size())
      throw EStringListError(u"List index out of bounds (" + IntToStr(Index) + u")");
    l.erase(l.begin() + Index);
    Join(l);
  }
  void Clear() override { FMemo->SetText(String()); }
  String GetText() const override {
    String t = FMemo->GetText();
    if (!t.empty() && t.back() != u'\n') t += u"\r\n";
    return t;
  }
  void SetText(const String& Value) override { FMemo->SetText(Value); }

private:
  std::vector<String> Split() const {
    std::vector<String> out;
    const String t = FMemo->GetText();
    size_t start = 0;
    while (start < t.size()) {
      size_t nl = t.find(u'\n', start);
      size_t end = nl == String::npos ? t.size() : nl;
      size_t e = end;
      if (e > start && t[e - 1] == u'\r') --e;
      out.push_back(t.substr(start, e - start));
      if (nl == String::npos) break;
      start = nl + 1;
    }
    return out;
  }
  void Join(const std::vector<String>& l) {
    String t;
    for (size_t i = 0; i < l.size(); ++i) {
      if (i) t += u"\r\n";
      t += l[i];
    }
    FMemo->SetText(t);
  }
  TCustomMemo* FMemo;
};

// ---- TCustomEdit ----------------------------------------------------------------------------------

TCustomEdit::TCustomEdit(TComponent* AOwner) : TWinControl(AOwner), FCanvas(std::make_unique<TControlCanvas>()) {
  FControlStyle = TControlStyle{csClickEvents, csCaptureMouse, csDoubleClicks, csFixedHeight};
  FCanvas->SetControl(this);
  SetBounds(0, 0, 121, 21);
  FTabStop = true;
  FParentColor = false;
  FColor = clWindow;
  FBrush->SetColor(clWindow);
  FCursor = crIBeam;
}

TCustomEdit::~TCustomEdit() {
  if (FMeasureDC) DeleteDC(FMeasureDC);
}

void TCustomEdit::CreateParams(TCreateParams& Params) {
  TWinControl::CreateParams(Params);
  Params.Caption.clear();
  Params.Style |= FMultiLine ? ES_MULTILINE : ES_AUTOHSCROLL;
  if (FReadOnly) Params.Style |= ES_READONLY;
  if (FPasswordChar) Params.Style |= ES_PASSWORD;
  if (FAlignment == taRightJustify) Params.Style |= ES_RIGHT;
  else if (FAlignment == taCenter) Params.Style |= ES_CENTER;
  if (FBorderStyle == bsSingle) {
    if (FCtl3D) Params.ExStyle |= WS_EX_CLIENTEDGE;
    else Params.Style |= WS_BORDER;
  }
  if (FMultiLine && (FScrollBars == ssVertical || FScrollBars == ssBoth)) Params.Style |= WS_VSCROLL;
  if (FMultiLine && (FScrollBars == ssHorizontal || FScrollBars == ssBoth)) Params.Style |= WS_HSCROLL;
}

void TCustomEdit::CreateWnd() {
  TWinControl::CreateWnd();
  AdjustHeight();
  // A view put off before the window existed is owed by the new window.
  if (FViewDeferred) {
    if (OnScreen()) SettleView();
    else uiwin::DeferLayout(FHandle);
  }
}

void TCustomEdit::SetAutoSize(bool Value) {
  FAutoSize = Value;
  AdjustHeight();
}

void TCustomEdit::AdjustHeight() {
  if (!FAutoSize || FMultiLine || FBorderStyle != bsSingle) return;
  TTextMetric tm;
  GetTextMetrics(MeasureDC(), tm);
  SetHeight(tm.tmHeight + (FCtl3D ? 8 : 6));
}

String TCustomEdit::GetTextValue() const { return FBuffer.GetText(); }

void TCustomEdit::SetTextValue(const String& Value) {
  // Text set from code is kept whole, line breaks included; typing and pasting
  // into a single line stop at a line break.
  const String v = ApplyCase(Value, FCharCase);
  FBuffer.SetText(v);
  FBuffer.SetModified(false);
  FScrollX = 0;
  FTopLine = 0;
  TextChanged();
}

void TCustomEdit::SetMaxLength(Integer Value) { FBuffer.SetMaxLength(Value); }

void TCustomEdit::SetReadOnly(bool Value) {
  FReadOnly = Value;
  if (FHandle) {
    DWORD s = GetWindowStyle(FHandle);
    SetWindowLong(FHandle, GWL_STYLE, Integer(Value ? s | ES_READONLY : s & ~ES_READONLY));
  }
}

void TCustomEdit::SetPasswordChar(Char Value) {
  if (FPasswordChar == Value) return;
  FPasswordChar = Value;
  Invalidate();
}

void TCustomEdit::SetCharCase(TEditCharCase Value) {
  if (FCharCase == Value) return;
  FCharCase = Value;
  if (Value != ecNormal) SetText(ApplyCase(GetText(), Value));
}

void TCustomEdit::SetHideSelection(bool Value) {
  FHideSelection = Value;
  Invalidate();
}

void TCustomEdit::SetBorderStyle(TBorderStyle Value) {
  if (FBorderStyle == Value) return;
  FBorderStyle = Value;
  RecreateWnd();
}

void TCustomEdit::SetAlignment(TAlignment Value) {
  if (FAlignment == Value) return;
  FAlignment = Value;
  Invalidate();
}

void TCustomEdit::SetSelStart(Integer Value) {
  FBuffer.SetSel(Value, Value);
  UpdateCaret();
  Invalidate();
}

void TCustomEdit::SetSelLength(Integer Value) {
  const Integer start = FBuffer.GetSelStart();
  FBuffer.SetSel(start, start + std::max(0, Value));
  UpdateCaret();
  Invalidate();
}

void TCustomEdit::SetSelText(const String& Value) {
  if (InsertText(Value, false)) FBuffer.EmptyUndoBuffer();
}

void TCustomEdit::SelectAll() {
  FBuffer.SelectAll();
  UpdateCaret();
  Invalidate();
}

void TCustomEdit::ClearSelection() { Perform(WM_CLEAR); }
void TCustomEdit::CopyToClipboard() { Perform(WM_COPY); }
void TCustomEdit::CutToClipboard() { Perform(WM_CUT); }
void TCustomEdit::PasteFromClipboard() { Perform(WM_PASTE); }
void TCustomEdit::Undo() { Perform(WM_UNDO); }

void TCustomEdit::Clear() { SetText(String()); }

void TCustomEdit::Change() {
  if (OnChange) OnChange(this);
}

void TCustomEdit::TextChanged() {
  ++FTextVersion;
  TEditBuffer::TChange change;
  FBuffer.TakeChange(change);  // the view keeps its own account of it
  UpdateView();
  Invalidate();
  // The parent hears of it through WM_COMMAND, which it reflects back as CN_COMMAND.
  HWND parent = FHandle ? ::GetParent(FHandle) : nullptr;
  if (parent && FindControl(parent) && (GetWindowStyle(FHandle) & WS_CHILD))
    SendMessage(parent, WM_COMMAND, MakeWParam(Integer(GetWindowLong(FHandle, GWL_ID)), EN_CHANGE),
                LPARAM(reinterpret_cast<std::intptr_t>(FHandle)));
  else Change();
}

bool TCustomEdit::InsertText(const String& S, bool Merge) {
  String s = ApplyCase(S, FCharCase);
  if (!FMultiLine) {
    const size_t nl = s.find_first_of(u"\r\n");
    if (nl != String::npos) s.resize(nl);
  }
  if (!FBuffer.ReplaceSel(s, Merge)) return false;
  TextChanged();
  return true;
}

HDC TCustomEdit::MeasureDC() const {
  if (!FMeasureDC) FMeasureDC = CreateCompatibleDC(nullptr);
  SelectObject(FMeasureDC, GetFont()->GetHandle());
  return FMeasureDC;
}

Integer TCustomEdit::LineHeight() const {
  TTextMetric tm;
  GetTextMetrics(MeasureDC(), tm);
  return std::max<Integer>(1, tm.tmHeight);
}

TRect TCustomEdit::GetFormatRect() const {
  if (FHasFormatRect) return FFormatRect;
  TRect r = GetClientRect();
  r.Left += FLeftMargin;
  r.Right -= FRightMargin;
  if (!FMultiLine && FBorderStyle == bsSingle) r.Top += 1;
  return r;
}

bool TCustomEdit::OnScreen() const { return FHandle && IsWindowVisible(FHandle); }

void TCustomEdit::UpdateView() {
  if (OnScreen() || FSettling) {
    ScrollCaretIntoView();
    UpdateCaret();
    return;
  }
  // Nobody sees it: laying out waits until the edit is shown, painted or asked.
  if (!FViewDeferred) {
    FViewDeferred = true;
    if (FHandle) uiwin::DeferLayout(FHandle);
  }
}

void TCustomEdit::SettleView() const {
  if (!FViewDeferred || FSettling) return;
  // The view is part of what the edit answers, so a const question may settle it.
  auto* self = const_cast<TCustomEdit*>(this);
  TTemporaryChange<bool> Settling(self->FSettling, true);
  self->ScrollCaretIntoView();
  self->UpdateCaret();
}

void TCustomEdit::UpdateCaret() {
  if (!FHandle || GetFocus() != FHandle) return;
  const TPoint p = PosFromChar(FBuffer.GetCaret());
  SetCaretPos(p.X, p.Y);
}

void TCustomEdit::EditKeyDown(TMessage& Message) {
  SettleView();
  const Word key = Word(Message.WParam);
  const bool shift = IsKeyDown(VK_SHIFT), ctrl = IsKeyDown(VK_CONTROL);
  const Integer caret = FBuffer.GetCaret();
  Integer to = -1;
  switch (key) {
    case VK_LEFT:
      if (FBuffer.GetSelLength() && !shift) to = FBuffer.GetSelStart();
      else to = ctrl ? FBuffer.WordLeft(caret) : caret - 1;
      if (!ctrl && to > 0 && FBuffer.GetText()[size_t(to)] == u'\n' && FBuffer.GetText()[size_t(to - 1)] == u'\r') --to;
      break;
    case VK_RIGHT:
      if (FBuffer.GetSelLength() && !shift) to = FBuffer.GetSelStart() + FBuffer.GetSelLength();
      else to = ctrl ? FBuffer.WordRight(caret) : caret + 1;
      if (!ctrl && to > 0 && to < FBuffer.Length() && FBuffer.GetText()[size_t(to - 1)] == u'\r') ++to;
      break;
    case VK_HOME: to = (!FMultiLine || ctrl) ? 0 : FLines[size_t(VisualLineOf(caret))].Start; break;
    case VK_END:
      if (!FMultiLine || ctrl) to = FBuffer.Length();
      else {
        const TVisualLine& v = FLines[size_t(VisualLineOf(caret))];
        to = v.Start + v.Length;
      }
      break;
    case VK_UP:
    case VK_DOWN:
    case VK_PRIOR:
    case VK_NEXT: {
      if (!FMultiLine) return;
      const Integer rows = std::max(1, GetFormatRect().Height() / LineHeight());
      const Integer step = (key == VK_UP || key == VK_DOWN) ? 1 : rows;
      const Integer line = VisualLineOf(caret);
      const Integer target = LayOutLine(std::max(0, line + ((key == VK_UP || key == VK_PRIOR) ? -step : step)));
      const TPoint p = PosFromChar(caret);
      const TRect r = GetFormatRect();
      to = CharFromPos(TPoint(p.X, r.Top + (target - FTopLine) * LineHeight()));
      break;
    }
    case VK_DELETE:
      if (FReadOnly) return;
      if (shift) {
        EditCut();
        return;
      }
      if (FBuffer.DeleteForward()) TextChanged();
      return;
    case VK_INSERT:
      if (shift && !FReadOnly) EditPaste();
      else if (ctrl) Perform(WM_COPY);
      return;
    default: return;
  }
  FBuffer.MoveTo(to, shift);
  ScrollCaretIntoView();
  UpdateCaret();
  Invalidate();
}

void TCustomEdit::EditChar(TMessage& Message) {
  const Char c = Char(Message.WParam);
  switch (c) {
    case 3: Perform(WM_COPY); return;
    case 0x16:
      if (!FReadOnly) EditPaste();
      return;
    case 0x18:
      if (!FReadOnly) EditCut();
      return;
    case 0x1A:
      if (!FReadOnly) Perform(WM_UNDO);
      return;
    case VK_BACK:
      if (FReadOnly) {
        MessageBeep(0);
        return;
      }
      if (FBuffer.DeleteBack()) TextChanged();
      return;
    case VK_RETURN:
      if (FMultiLine && FWantReturns && !FReadOnly) InsertText(u"\r\n", false);
      return;
    case VK_TAB:
      if (FMultiLine && FWantTabs && !FReadOnly) InsertText(u"\t", true);
      return;
    default: break;
  }
  if (c < 0x20) return;
  if (FReadOnly) {
    MessageBeep(0);
    return;
  }
  if (!InsertText(String(1, c), true) && FBuffer.GetMaxLength() > 0) MessageBeep(0);
}

void TCustomEdit::EditPaste() {
  if (!Clipboard()->HasFormat(CF_UNICODETEXT)) return;
  String text = Clipboard()->GetAsText();
  if (!FMultiLine) text.resize(std::min(text.size(), text.find_first_of(u"\r\n")));
  const Integer kept = FBuffer.Length() - FBuffer.GetSelLength();
  InsertText(text, false);
  // A text longer than the field can hold goes in cut to its limit; the user hears
  // so, as when typing meets the limit.
  if (FBuffer.GetMaxLength() > 0 && kept + Integer(text.size()) > FBuffer.GetMaxLength()) MessageBeep(0);
}

void TCustomEdit::EditCut() {
  if (FBuffer.GetSelLength() == 0) return;
  Perform(WM_COPY);
  EditClear();
}

void TCustomEdit::EditClear() {
  if (FBuffer.DeleteSelection()) TextChanged();
}

void TCustomEdit::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      const bool hadFocus = FHandle && GetFocus() == FHandle;
      if (!hadFocus && CanFocus()) {
        FControlState.Include(csLButtonDown);  // no select-all on a click
        SetFocus();
        FControlState.Exclude(csLButtonDown);
      }
      const TPoint p(GetXLParam(Message.LParam), GetYLParam(Message.LParam));
      if (Message.Msg == WM_LBUTTONDBLCLK) {
        const Integer at = CharFromPos(p);
        const Integer a = FBuffer.WordLeft(std::min(at + 1, FBuffer.Length()));
        Integer b = at;
        while (b < FBuffer.Length() &&
               (u_isalnum(FBuffer.GetText()[size_t(b)]) || FBuffer.GetText()[size_t(b)] == u'_'))
          ++b;
        FBuffer.SetSel(a, b);
      } else {
        FBuffer.MoveTo(CharFromPos(p), IsKeyDown(VK_SHIFT));
        FSelecting = true;
      }
      ScrollCaretIntoView();
      UpdateCaret();
      Invalidate();
      break;
    }
    case WM_MOUSEMOVE:
      if (FSelecting && (Message.WParam & MK_LBUTTON)) {
        FBuffer.MoveTo(CharFromPos(TPoint(GetXLParam(Message.LParam), GetYLParam(Message.LParam))), true);
        ScrollCaretIntoView();
        UpdateCaret();
        Invalidate();
      }
      break;
    case WM_LBUTTONUP: FSelecting = false; break;
    case CM_ENTER:
      if (FAutoSelect && !FMultiLine && !FControlState.Contains(csLButtonDown)) SelectAll();
      break;
    case CN_COMMAND:
      if (HiWord(Message.WParam) == EN_CHANGE) Change();
      return;
    case CM_FONTCHANGED:
      TWinControl::Dispatch(Message);
      FLinesValid = false;
      AdjustHeight();
      UpdateView();
      return;
    case WM_SIZE:
      // A new width lays the lines out again; the scroll bar follows.
      TWinControl::Dispatch(Message);
      UpdateView();
      return;
    case CM_SETTLELAYOUT: SettleView(); return;
    default: break;
  }
  TWinControl::Dispatch(Message);
}

void TCustomEdit::DefaultHandler(TMessage& Message) {
  switch (Message.Msg) {
    case WM_GETDLGCODE: {
      LRESULT r = DLGC_WANTCHARS | DLGC_WANTARROWS | DLGC_HASSETSEL;
      if (FMultiLine && FWantReturns) r |= DLGC_WANTALLKEYS;
      if (FMultiLine && FWantTabs) r |= DLGC_WANTTAB;
      Message.Result = r;
      return;
    }
    case WM_KEYDOWN: EditKeyDown(Message); return;
    case WM_CHAR: EditChar(Message); return;
    case WM_GETTEXT:
      if (Message.LParam) *reinterpret_cast<String*>(Message.LParam) = FBuffer.GetText();
      Message.Result = FBuffer.Length();
      return;
    case WM_GETTEXTLENGTH: Message.Result = FBuffer.Length(); return;
    case WM_SETTEXT:
      SetTextValue(Message.LParam ? *reinterpret_cast<const String*>(Message.LParam) : String());
      Message.Result = 1;
      return;
    case WM_COPY:
      if (FBuffer.GetSelLength() > 0 && !FPasswordChar) Clipboard()->SetAsText(FBuffer.GetSelText());
      return;
    case WM_CUT:
      if (!FReadOnly) EditCut();
      return;
    case WM_PASTE:
      if (!FReadOnly) EditPaste();
      return;
    case WM_CLEAR:
      if (!FReadOnly) EditClear();
      return;
    case WM_UNDO:
    case EM_UNDO:
      Message.Result = FBuffer.Undo() ? 1 : 0;
      if (Message.Result) TextChanged();
      return;
    case WM_SETFOCUS:
      CreateCaret(FHandle, 1, LineHeight());
      UpdateCaret();
      ShowCaret(FHandle);
      Invalidate();
      break;
    case WM_KILLFOCUS:
      DestroyCaret();
      FSelecting = false;
      Invalidate();
      break;
    case WM_PAINT: {
      // Before BeginPaint, so a scroll bar the layout changes is drawn with the rest.
      SettleView();
      HDC dc = reinterpret_cast<HDC>(Message.WParam);
      if (dc) {
        Paint(dc);
      } else {
        TPaintStruct ps;
        dc = BeginPaint(FHandle, ps);
        Paint(dc);
        EndPaint(FHandle, ps);
      }
      return;
    }
    case WM_VSCROLL: {
      if (!FMultiLine) break;
      SettleView();
      const Integer rows = std::max(1, GetFormatRect().Height() / LineHeight());
      if (LoWord(Message.WParam) == SB_BOTTOM) VisualLines();  // the end is wanted: lay out to it
      const Integer top = ScrollRequestPos(FHandle, SB_VERT, Message.WParam, FTopLine, 1, rows, 0, VisualLineCount());
      // The lines scrolled to are laid out; the range follows what that taught.
      LayOutLine(top + rows);
      const Integer count = VisualLineCount();
      FTopLine = std::clamp(top, 0, std::max(0, count - rows));
      SetScrollBarView(FHandle, SB_VERT, 0, count - 1, UINT(rows), FTopLine);
      UpdateCaret();
      Invalidate();
      return;
    }
    case WM_HSCROLL: {
      if (!FMultiLine) break;
      SettleView();
      const Integer page = GetFormatRect().Width();
      const Integer x = ScrollRequestPos(FHandle, SB_HORZ, Message.WParam, FScrollX, 8, page, 0, FWidest);
      FScrollX = std::clamp(x, 0, std::max(0, FWidest - page));
      SetScrollPos(FHandle, SB_HORZ, FScrollX, true);
      UpdateCaret();
      Invalidate();
      return;
    }
    case WM_MOUSEWHEEL:
      if (FMultiLine) {
        const Integer delta = Integer(std::int16_t(HiWord(Message.WParam)));
        for (Integer i = 0; i < 3; ++i) Perform(WM_VSCROLL, delta > 0 ? SB_LINEUP : SB_LINEDOWN, 0);
        Message.Result = 1;
        return;
      }
      break;
    case EM_GETSEL: {
      const Integer a = FBuffer.GetSelStart(), b = a + FBuffer.GetSelLength();
      if (Message.WParam) *reinterpret_cast<DWORD*>(Message.WParam) = DWORD(a);
      if (Message.LParam) *reinterpret_cast<DWORD*>(Message.LParam) = DWORD(b);
      Message.Result = MakeLParam(a, b);
      return;
    }
    case EM_SETSEL:
      FBuffer.SetSel(Integer(Message.WParam), Integer(Message.LParam));
      UpdateView();
      Invalidate();
      return;
    case EM_GETRECT:
      if (Message.LParam) *reinterpret_cast<TRect*>(Message.LParam) = GetFormatRect();
      return;
    case EM_SETRECT:
    case EM_SETRECTNP:
      FHasFormatRect = Message.LParam != 0;
      if (FHasFormatRect) FFormatRect = *reinterpret_cast<const TRect*>(Message.LParam);
      if (Message.Msg == EM_SETRECT) Invalidate();
      return;
    case EM_SCROLLCARET:
      UpdateView();
      Invalidate();
      Message.Result = 1;
      return;
    case EM_GETMODIFY: Message.Result = FBuffer.GetModified() ? 1 : 0; return;
    case EM_SETMODIFY: FBuffer.SetModified(Message.WParam != 0); return;
    case EM_GETLINECOUNT: Message.Result = FBuffer.LineCount(); return;
    case EM_LINEINDEX: {
      const Integer line =
          Integer(Message.WParam) < 0 ? FBuffer.LineFromChar(FBuffer.GetCaret()) : Integer(Message.WParam);
      Message.Result = FBuffer.LineIndex(line);
      return;
    }
    case EM_LINELENGTH: {
      const Integer at = Integer(Message.WParam);
      Message.Result = FBuffer.LineLength(FBuffer.LineFromChar(at < 0 ? FBuffer.GetCaret() : at));
      return;
    }
    case EM_LINEFROMCHAR: {
      const Integer at = Integer(Message.WParam);
      Message.Result = FBuffer.LineFromChar(at < 0 ? FBuffer.GetCaret() : at);
      return;
    }
    case EM_REPLACESEL: {
      const String s = Message.LParam ? *reinterpret_cast<const String*>(Message.LParam) : String();
      InsertText(s, false);
      if (!Message.WParam) FBuffer.EmptyUndoBuffer();
      return;
    }
    case EM_LIMITTEXT: FBuffer.SetMaxLength(Integer(Message.WParam)); return;
    case EM_CANUNDO: Message.Result = FBuffer.CanUndo() ? 1 : 0; return;
    case EM_EMPTYUNDOBUFFER: FBuffer.EmptyUndoBuffer(); return;
    case EM_SETPASSWORDCHAR: SetPasswordChar(Char(Message.WParam)); return;
    case EM_SETREADONLY:
      SetReadOnly(Message.WParam != 0);
      Message.Result = 1;
      return;
    case EM_SETMARGINS:
      if (Message.WParam & EC_LEFTMARGIN) FLeftMargin = LoWord(std::uintptr_t(Message.LParam));
      if (Message.WParam & EC_RIGHTMARGIN) FRightMargin = HiWord(std::uintptr_t(Message.LParam));
      Invalidate();
      return;
    case EM_GETMARGINS: Message.Result = MakeLParam(FLeftMargin, FRightMargin); return;
    case EM_POSFROMCHAR: {
      const TPoint p = PosFromChar(Integer(Message.WParam));
      Message.Result = MakeLParam(p.X, p.Y);
      return;
    }
    case EM_CHARFROMPOS: {
      const TPoint p(GetXLParam(Message.LParam), GetYLParam(Message.LParam));
      const Integer at = CharFromPos(p);
      Message.Result = MakeLParam(at, FBuffer.LineFromChar(at));
      return;
    }
    default: break;
  }
  TWinControl::DefaultHandler(Message);
}

// ---- TCustomMemo -----------------------------------------------------------------------------------

TCustomMemo::TCustomMemo(TComponent* AOwner) : TCustomEdit(AOwner), FLines(std::make_unique<TMemoStrings>(this)) {
  FMultiLine = true;
  FWordWrap = true;
  FAutoSelect = false;
  FControlStyle.Exclude(csFixedHeight);
  SetBounds(0, 0, 185, 89);
}

TCustomMemo::~TCustomMemo() = default;

void TCustomMemo::SetLines(const TStrings* Value) { FLines->Assign(const_cast<TStrings*>(Value)); }

void TCustomMemo::SetWordWrap(bool Value) {
  FWordWrap = Value;
  FLinesValid = false;
  UpdateView();
  Invalidate();
}

void TCustomMemo::SetScrollBars(TScrollStyle Value) {
  if (FScrollBars == Value) return;
  FScrollBars = Value;
  RecreateWnd();
}

TPoint TCustomMemo::GetCaretPos() const {
  const Integer line = FBuffer.LineFromChar(FBuffer.GetCaret());
  return TPoint(FBuffer.GetCaret() - FBuffer.LineIndex(line), line);
}
