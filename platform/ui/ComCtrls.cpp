#include "platform/ui/ComCtrls.h"

#include <algorithm>

#include "platform/core/DateTime.h"
#include "platform/core/FormatSettings.h"
#include "platform/core/Strings.h"
#include "platform/ui/ControlPaint.h"

// ---- TTextAttributes ----------------------------------------------------------------------------------

TColor TTextAttributes::GetColor() const {
  const TCharAttributes a = FType == atSelected ? FRichEdit->SelectionAttributes() : FRichEdit->FDefault;
  return a.Color == clDefault ? FRichEdit->GetFont()->GetColor() : a.Color;
}

void TTextAttributes::SetColor(TColor Value) {
  TCharAttributes a;
  a.Color = Value;
  if (FType == atSelected) {
    FRichEdit->ApplyToSelection(a, true, false);
  } else {
    FRichEdit->FDefault.Color = Value;
    FRichEdit->Invalidate();
  }
}

TFontStyles TTextAttributes::GetStyle() const {
  return FType == atSelected ? FRichEdit->SelectionAttributes().Style : FRichEdit->FDefault.Style;
}

void TTextAttributes::SetStyle(TFontStyles Value) {
  TCharAttributes a;
  a.Style = Value;
  if (FType == atSelected) {
    FRichEdit->ApplyToSelection(a, false, true);
  } else {
    FRichEdit->FDefault.Style = Value;
    FRichEdit->Invalidate();
  }
}

void TTextAttributes::Assign(TPersistent* Source) {
  if (auto* t = dynamic_cast<TTextAttributes*>(Source)) {
    SetColor(t->GetColor());
    SetStyle(t->GetStyle());
    return;
  }
  TPersistent::Assign(Source);
}

// ---- TCustomRichEdit -----------------------------------------------------------------------------------

namespace {

Integer WidthIn(HDC dc, HFONT font, const String& s) {
  if (s.empty()) return 0;
  SelectObject(dc, font);
  TSize sz;
  GetTextExtentPoint32(dc, s, Integer(s.size()), sz);
  return sz.cx;
}

}  // namespace

// The lines of a rich edit: changed in place through the selection, so that the
// attributes of the other text stay, and new lines take the typing attributes.
class TRichEditStrings final : public TStrings {
public:
  explicit TRichEditStrings(TCustomRichEdit* Edit, TStrings* Plain) : FEdit(Edit), FPlain(Plain) {}
  Integer GetCount() const override { return FPlain->GetCount(); }
  String Get(Integer Index) const override { return FPlain->Get(Index); }
  void Put(Integer Index, const String& S) override {
    const auto [a, b] = Span(Index);
    Replace(a, b, S);
  }
  void Insert(Integer Index, const String& S) override {
    const Integer count = GetCount();
    if (Index < 0 || Index > count) throw EStringListError(u"List index out of bounds (" + IntToStr(Index) + u")");
    const String& text = FEdit->FBuffer.GetText();
    if (Index == count) {
      // Appended: after a final line break, or after one put in front.
      const bool ends = text.empty() || text.back() == u'\n';
      Replace(Integer(text.size()), Integer(text.size()), (ends ? String() : String(u"\r\n")) + S + u"\r\n");
      return;
    }
    const Integer at = Span(Index).first;
    Replace(at, at, S + u"\r\n");
  }
  void Delete(Integer Index) override {
    const auto [a, b] = Span(Index);
    const String& text = FEdit->FBuffer.GetText();
    Integer end = b;
    if (end < Integer(text.size()) && text[size_t(end)] == u'\r') ++end;
    if (end < Integer(text.size()) && text[size_t(end)] == u'\n') ++end;
    Replace(a, end, String());
  }
  void Clear() override { FEdit->SetText(String()); }
  String GetText() const override { return FPlain->GetText(); }
  void SetText(const String& Value) override { FEdit->SetText(Value); }

private:
  std::pair<Integer, Integer> Span(Integer Index) const {
    if (Index < 0 || Index >= GetCount())
      throw EStringListError(u"List index out of bounds (" + IntToStr(Index) + u")");
    const TEditBuffer& b = FEdit->FBuffer;
    const Integer start = b.LineIndex(Index);
    return {start, start + b.LineLength(Index)};
  }
  void Replace(Integer A, Integer B, const String& S) {
    FEdit->SetSelStart(A);
    FEdit->SetSelLength(B - A);
    FEdit->SetSelText(S);
  }
  TCustomRichEdit* FEdit;
  TStrings* FPlain;
};

TCustomRichEdit::TCustomRichEdit(TComponent* AOwner)
    : TCustomMemo(AOwner),
      FSelAttributes(std::make_unique<TTextAttributes>(this, atSelected)),
      FDefAttributes(std::make_unique<TTextAttributes>(this, atDefaultText)) {
  // Lines goes through the selection; the memo's plain view still reads the text.
  std::unique_ptr<TStrings> plain = std::move(FLines);
  FLines = std::make_unique<TRichEditStrings>(this, plain.get());
  FPlainLines = std::move(plain);
}

TCustomRichEdit::~TCustomRichEdit() = default;

TCharAttributes TCustomRichEdit::GetCharAttributes(Integer Index) const {
  if (Index < 0 || size_t(Index) >= FAttrs.size()) return FDefault;
  return FAttrs[size_t(Index)];
}

TCharAttributes TCustomRichEdit::SelectionAttributes() const {
  if (FBuffer.GetSelLength() > 0) return GetCharAttributes(FBuffer.GetSelStart());
  if (FTypingSet) return FTyping;
  return FBuffer.GetCaret() > 0 ? GetCharAttributes(FBuffer.GetCaret() - 1) : FDefault;
}

void TCustomRichEdit::ApplyToSelection(const TCharAttributes& Value, bool Color, bool Style) {
  const Integer a = FBuffer.GetSelStart(), n = FBuffer.GetSelLength();
  if (n == 0) {
    if (!FTypingSet) FTyping = SelectionAttributes();
    if (Color) FTyping.Color = Value.Color;
    if (Style) FTyping.Style = Value.Style;
    FTypingSet = true;
    return;
  }
  for (Integer i = a; i < a + n && size_t(i) < FAttrs.size(); ++i) {
    if (Color) FAttrs[size_t(i)].Color = Value.Color;
    if (Style) FAttrs[size_t(i)].Style = Value.Style;
  }
  FLinesValid = false;
  Invalidate();
}

void TCustomRichEdit::SetTextValue(const String& Value) {
  // Setting the whole text gives it the default attributes.
  FResetting = true;
  FTypingSet = false;
  TCustomMemo::SetTextValue(Value);
  FResetting = false;
}

void TCustomRichEdit::TextChanged() {
  const Integer length = FBuffer.Length();
  if (FResetting) {
    FAttrs.assign(size_t(length), FDefault);
  } else if (FBuffer.HasChange()) {
    // The text between the kept front and back is new: it takes the typing
    // attributes, else those of the character before it.
    const TEditBuffer::TChange& c = FBuffer.PeekChange();
    FAttrs.resize(size_t(length - c.Inserted + c.Removed), FDefault);
    const TCharAttributes inserted = FTypingSet ? FTyping : (c.Start > 0 ? FAttrs[size_t(c.Start - 1)] : FDefault);
    const auto at = FAttrs.begin() + c.Start;
    FAttrs.insert(FAttrs.erase(at, at + c.Removed), size_t(c.Inserted), inserted);
  }
  TCustomMemo::TextChanged();
}

HFONT TCustomRichEdit::FontFor(const TCharAttributes& A) const {
  if (A.Style.Empty()) return GetFont()->GetHandle();
  std::unique_ptr<TFont>& f = FStyled[A.Style.Bits() & 15];
  if (!f) f = std::make_unique<TFont>();
  f->Assign(GetFont());
  f->SetStyle(A.Style);
  return f->GetHandle();
}

COLORREF TCustomRichEdit::ColorFor(const TCharAttributes& A) const {
  if (!GetEnabled()) return ColorToRGB(clGrayText);
  return ColorToRGB(A.Color == clDefault ? GetFont()->GetColor() : A.Color);
}

Integer TCustomRichEdit::LineTextWidth(Integer Start, Integer Count) const {
  HDC dc = MeasureDC();
  const String& t = FBuffer.GetText();
  Integer w = 0;
  for (Integer i = Start; i < Start + Count;) {
    Integer j = i + 1;
    while (j < Start + Count && GetCharAttributes(j).Style == GetCharAttributes(i).Style) ++j;
    w += WidthIn(dc, FontFor(GetCharAttributes(i)), t.substr(size_t(i), size_t(j - i)));
    i = j;
  }
  SelectObject(dc, GetFont()->GetHandle());
  return w;
}

void TCustomRichEdit::PaintLine(HDC DC, Integer Start, Integer Length, Integer X, Integer Y) {
  const String& t = FBuffer.GetText();
  for (Integer i = Start; i < Start + Length;) {
    const TCharAttributes a = GetCharAttributes(i);
    Integer j = i + 1;
    while (j < Start + Length && GetCharAttributes(j) == a) ++j;
    SelectObject(DC, FontFor(a));
    X += DrawSegment(DC, t.substr(size_t(i), size_t(j - i)), i, X, Y, ColorFor(a));
    i = j;
  }
  SelectObject(DC, GetFont()->GetHandle());
}

void TCustomRichEdit::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_LBUTTONDOWN:
    case WM_KEYDOWN:
      // The user moving the caret ends the typing attributes.
      FTypingSet = false;
      break;
    case CM_FONTCHANGED:
      for (auto& f : FStyled) f.reset();
      break;
    default: break;
  }
  TCustomMemo::Dispatch(Message);
}

// ---- TMonthCalendar ------------------------------------------------------------------------------------

namespace {

constexpr Integer Margin = 4;

TDateTime FirstOfMonth(TDateTime d) {
  Word y, m, dd;
  DecodeDate(d, y, m, dd);
  return EncodeDate(y, m, 1);
}

TDateTime AddMonths(TDateTime first, Integer delta) {
  Word y, m, d;
  DecodeDate(first, y, m, d);
  Integer total = Integer(y) * 12 + (m - 1) + delta;
  total = std::clamp(total, 1601 * 12, 9999 * 12 + 11);
  return EncodeDate(Word(total / 12), Word(total % 12 + 1), 1);
}

// Monday is the first day of the week (the Russian locale).
Integer WeekdayFromMonday(TDateTime d) { return (Integer(DayOfWeek(d)) + 5) % 7; }

}  // namespace

TMonthCalendar::TMonthCalendar(TComponent* AOwner) : TCustomControl(AOwner) {
  FControlStyle = TControlStyle{csCaptureMouse, csClickEvents, csDoubleClicks, csOpaque};
  FTabStop = true;
  FParentColor = false;
  FColor = clWindow;
  FBrush->SetColor(clWindow);
  FDate = std::floor(Date());
  FShown = FirstOfMonth(FDate);
  const TRect r = GetMinReqRect();
  SetBounds(0, 0, r.Width() + 4, r.Height() + 4);
}

void TMonthCalendar::CellSize(Integer& W, Integer& H) const {
  TMeasureDC dc(GetFont());
  TSize sz;
  GetTextExtentPoint32(dc, u"00", 2, sz);
  TTextMetric tm;
  GetTextMetrics(dc, tm);
  W = sz.cx + 10;
  H = tm.tmHeight + 3;
}

TRect TMonthCalendar::GetMinReqRect() const {
  Integer w, h;
  CellSize(w, h);
  const Integer cols = 7 + (FWeekNumbers ? 1 : 0);
  const Integer rows = 1 /* title */ + 1 /* days */ + 6 + (FShowToday ? 1 : 0);
  return TRect(0, 0, cols * w + 2 * Margin, rows * h + 2 * Margin + 4);
}

void TMonthCalendar::SetDate(TDateTime Value) {
  FDate = std::floor(Value);
  FShown = FirstOfMonth(FDate);
  Invalidate();
}

void TMonthCalendar::SetWeekNumbers(bool Value) {
  FWeekNumbers = Value;
  Invalidate();
}

void TMonthCalendar::SetShowToday(bool Value) {
  FShowToday = Value;
  Invalidate();
}

TDateTime TMonthCalendar::FirstCellDate() const {
  Integer back = WeekdayFromMonday(FShown);
  if (back == 0) back = 7;  // a row of the month before is always shown
  return FShown - back;
}

UINT TMonthCalendar::HitTest(TMCHitTestInfo& Info) const {
  Integer w, h;
  CellSize(w, h);
  const TPoint p = Info.pt;
  const TRect client = GetClientRect();
  Info.uHit = MCHT_NOWHERE;
  Info.st = 0;
  if (!client.Contains(p)) return Info.uHit;
  const Integer left = Margin + (FWeekNumbers ? w : 0);
  const Integer titleBottom = Margin + h;
  if (p.Y < titleBottom) {
    if (p.X < Margin + w) Info.uHit = MCHT_TITLEBTNPREV;
    else if (p.X >= client.Right - Margin - w) Info.uHit = MCHT_TITLEBTNNEXT;
    else if (p.X < client.Width() / 2) Info.uHit = MCHT_TITLEMONTH;
    else Info.uHit = MCHT_TITLEYEAR;
    return Info.uHit;
  }
  const Integer daysBottom = titleBottom + h + 2;
  const Integer gridBottom = daysBottom + 6 * h;
  if (p.Y < daysBottom) {
    Info.uHit = p.X >= left ? MCHT_CALENDARDAY : MCHT_CALENDARBK;
    return Info.uHit;
  }
  if (p.Y < gridBottom) {
    const Integer row = (p.Y - daysBottom) / h;
    if (p.X < left) {
      Info.uHit = FWeekNumbers ? MCHT_CALENDARWEEKNUM : MCHT_CALENDARBK;
      return Info.uHit;
    }
    const Integer col = (p.X - left) / w;
    if (col > 6) {
      Info.uHit = MCHT_CALENDARBK;
      return Info.uHit;
    }
    Info.st = FirstCellDate() + row * 7 + col;
    Info.uHit = MCHT_CALENDARDATE;
    if (Info.st < FShown) Info.uHit = MCHT_CALENDARDATEPREV;
    else if (Info.st >= AddMonths(FShown, 1)) Info.uHit = MCHT_CALENDARDATENEXT;
    return Info.uHit;
  }
  if (FShowToday && p.Y < gridBottom + h + 4) {
    Info.uHit = MCHT_TODAYLINK;
    return Info.uHit;
  }
  Info.uHit = MCHT_CALENDARBK;
  return Info.uHit;
}

void TMonthCalendar::ShowMonth(Integer Delta) {
  FShown = AddMonths(FShown, Delta);
  Invalidate();
}

void TMonthCalendar::ChangeDate(TDateTime Value) {
  Value = std::floor(Value);
  if (Value == FDate) return;
  FDate = Value;
  const TDateTime first = FirstOfMonth(Value);
  if (first != FShown) FShown = first;
  Invalidate();
  if (OnChange) OnChange(this);
}

void TMonthCalendar::Paint() {
  TCanvas* c = GetCanvas();
  const TRect client = GetClientRect();
  c->GetBrush()->SetColor(FColor);
  c->FillRect(client);
  c->SetFont(GetFont());
  HDC dc = c->GetHandle();
  // Every fill selects the canvas brush again, which makes text opaque in the
  // brush's colour: text is drawn see-through each time.
  const auto DrawLabel = [dc](const String& Text, TRect R, UINT Format) {
    SetBkMode(dc, TRANSPARENT);
    DrawText(dc, Text, -1, R, Format);
  };
  Integer w, h;
  CellSize(w, h);
  // Title: month and year between the two arrows.
  TRect title(Margin, Margin, client.Right - Margin, Margin + h);
  c->GetBrush()->SetColor(clActiveCaption);
  c->FillRect(title);
  Word y, m, d;
  DecodeDate(FShown, y, m, d);
  SetTextColor(dc, ColorToRGB(clCaptionText));
  TRect tt = title;
  DrawLabel(FormatSettings.LongMonthNames[size_t(m - 1)] + u" " + IntToStr(y), tt,
            DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  TRect prev = Bounds(title.Left + 2, title.Top + 2, w - 4, h - 4),
        next = Bounds(title.Right - w + 2, title.Top + 2, w - 4, h - 4);
  DrawFrameControl(dc, prev, DFC_SCROLL, DFCS_SCROLLLEFT);
  DrawFrameControl(dc, next, DFC_SCROLL, DFCS_SCROLLRIGHT);
  // Day names, Monday first.
  const Integer left = Margin + (FWeekNumbers ? w : 0);
  const Integer daysTop = title.Bottom;
  SetTextColor(dc, ColorToRGB(clActiveCaption));
  for (Integer i = 0; i < 7; ++i) {
    TRect r = Bounds(left + i * w, daysTop, w, h);
    DrawLabel(FormatSettings.ShortDayNames[size_t((i + 1) % 7)], r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  }
  c->GetBrush()->SetColor(clBtnShadow);
  c->FillRect(TRect(left, daysTop + h, left + 7 * w, daysTop + h + 1));
  // Dates.
  const Integer gridTop = daysTop + h + 2;
  const TDateTime first = FirstCellDate();
  const TDateTime nextMonth = AddMonths(FShown, 1);
  for (Integer row = 0; row < 6; ++row) {
    if (FWeekNumbers) {
      const TDateTime monday = first + row * 7;
      Word yy, mm, dd2;
      DecodeDate(monday + 3, yy, mm, dd2);
      const Integer week = Integer((monday + 3 - EncodeDate(yy, 1, 1)) / 7) + 1;
      TRect r = Bounds(Margin, gridTop + row * h, w, h);
      SetTextColor(dc, ColorToRGB(clGrayText));
      DrawLabel(IntToStr(week), r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
    for (Integer col = 0; col < 7; ++col) {
      const TDateTime day = first + row * 7 + col;
      TRect r = Bounds(left + col * w, gridTop + row * h, w, h);
      Word yy, mm, dd2;
      DecodeDate(day, yy, mm, dd2);
      const bool inMonth = day >= FShown && day < nextMonth;
      if (day == FDate) {
        c->GetBrush()->SetColor(clHighlight);
        c->FillRect(r);
        SetTextColor(dc, ColorToRGB(clHighlightText));
      } else {
        SetTextColor(dc, ColorToRGB(inMonth ? GetFont()->GetColor() : clGrayText));
      }
      DrawLabel(IntToStr(dd2), r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
      if (day == std::floor(Date())) {
        c->GetBrush()->SetColor(clRed);
        c->FrameRect(r);
      }
    }
  }
  if (FShowToday) {
    TRect r(left, gridTop + 6 * h + 2, client.Right - Margin, gridTop + 7 * h + 4);
    SetTextColor(dc, ColorToRGB(GetFont()->GetColor()));
    DrawLabel(u"Сегодня: " + FormatDateTime(u"dd.mm.yyyy", Date()), r, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
  }
  if (Focused()) {
    TRect f = client;
    InflateRect(f, -1, -1);
    DrawFocusRect(dc, f);
  }
}

void TMonthCalendar::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      if (CanFocus() && !Focused()) SetFocus();
      TMCHitTestInfo info;
      info.pt = TPoint(GetXLParam(Message.LParam), GetYLParam(Message.LParam));
      const UINT hit = HitTest(info);
      if (hit == MCHT_TITLEBTNPREV) ShowMonth(-1);
      else if (hit == MCHT_TITLEBTNNEXT) ShowMonth(1);
      else if ((hit & MCHT_CALENDARDATE) == MCHT_CALENDARDATE && (hit & 0xFFFF) == 1) ChangeDate(info.st);
      else if (hit == MCHT_TODAYLINK) ChangeDate(Date());
      break;
    }
    case WM_GETDLGCODE: Message.Result = DLGC_WANTARROWS; return;
    case WM_KEYDOWN: {
      if (DoKeyDown(Message)) return;
      switch (Word(Message.WParam)) {
        case VK_LEFT: ChangeDate(FDate - 1); return;
        case VK_RIGHT: ChangeDate(FDate + 1); return;
        case VK_UP: ChangeDate(FDate - 7); return;
        case VK_DOWN: ChangeDate(FDate + 7); return;
        case VK_PRIOR:
        case VK_NEXT: {
          Word y, m, d;
          DecodeDate(FDate, y, m, d);
          const TDateTime first = AddMonths(EncodeDate(y, m, 1), Message.WParam == VK_PRIOR ? -1 : 1);
          Word y2, m2, d2;
          DecodeDate(first, y2, m2, d2);
          TDateTime target;
          while (!TryEncodeDate(y2, m2, d, target)) --d;
          ChangeDate(target);
          return;
        }
        case VK_HOME: ChangeDate(FShown); return;
        case VK_END: ChangeDate(AddMonths(FShown, 1) - 1); return;
        default: break;
      }
      DefaultHandler(Message);
      return;
    }
    case WM_SETFOCUS:
    case WM_KILLFOCUS: Invalidate(); break;
    case MCM_GETMINREQRECT:
      if (Message.LParam) *reinterpret_cast<TRect*>(Message.LParam) = GetMinReqRect();
      Message.Result = Message.LParam ? 1 : 0;
      return;
    default: break;
  }
  TCustomControl::Dispatch(Message);
}
