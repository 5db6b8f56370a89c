// Labels, push buttons, check boxes, radio buttons and group boxes.

#include <algorithm>

#include "platform/core/Strings.h"
#include "platform/ui/ControlPaint.h"
#include "platform/ui/HintWnd.h"
#include "platform/ui/StdCtrls.h"

namespace {

// Programs with standard controls show hints in the standard hint window.
[[maybe_unused]] const bool HintWindowInstalled = InstallHintWindow();

Char AccelOf(const String& Caption) {
  for (size_t i = 0; i + 1 < Caption.size(); ++i)
    if (Caption[i] == u'&') {
      if (Caption[i + 1] == u'&') {
        ++i;
        continue;
      }
      return Caption[i + 1];
    }
  return 0;
}

bool SameChar(Char a, Char b) { return AnsiUpperCase(String(1, a)) == AnsiUpperCase(String(1, b)); }

}  // namespace

void DrawCaption(TCanvas* Canvas, TRect R, const String& Text, UINT Format, bool Enabled) {
  HDC dc = Canvas->GetHandle();
  SetBkMode(dc, TRANSPARENT);
  if (!Enabled) {
    TRect r = R;
    OffsetRect(r, 1, 1);
    SetTextColor(dc, ColorToRGB(clBtnHighlight));
    DrawText(dc, Text, -1, r, Format);
    SetTextColor(dc, ColorToRGB(clBtnShadow));
  } else {
    SetTextColor(dc, ColorToRGB(Canvas->GetFont()->GetColor()));
  }
  DrawText(dc, Text, -1, R, Format);
}

// ---- TCustomLabel -------------------------------------------------------------------------------------

TCustomLabel::TCustomLabel(TComponent* AOwner) : TGraphicControl(AOwner) {
  FControlStyle = TControlStyle{csCaptureMouse, csClickEvents, csSetCaption, csOpaque, csReplicatable, csDoubleClicks};
  FParentColor = true;
  SetBounds(0, 0, 65, 17);
}

UINT TCustomLabel::TextFormat() const {
  UINT f = FAlignment == taRightJustify ? DT_RIGHT : FAlignment == taCenter ? DT_CENTER : DT_LEFT;
  f |= DT_EXPANDTABS;
  if (FWordWrap) f |= DT_WORDBREAK;
  if (!FShowAccelChar) f |= DT_NOPREFIX;
  return f;
}

void TCustomLabel::Paint() {
  TCanvas* c = GetCanvas();
  TRect r = GetClientRect();
  if (!FTransparent) {
    c->GetBrush()->SetColor(FColor);
    c->GetBrush()->SetStyle(bsSolid);
    c->FillRect(r);
  }
  c->SetFont(GetFont());
  String text = GetCaption();
  if (text.empty()) return;
  if (FLayout != tlTop) {
    TRect calc = r;
    DrawText(c->GetHandle(), text, -1, calc, TextFormat() | DT_CALCRECT);
    const Integer off = r.Height() - calc.Height();
    r.Top += FLayout == tlBottom ? off : off / 2;
  }
  DrawCaption(c, r, text, TextFormat(), GetEnabled());
}

void TCustomLabel::AdjustBounds() {
  if (!FAutoSize) return;
  TMeasureDC dc(GetFont());
  TRect r(0, 0, FWordWrap ? FWidth : 0, 0);
  String text = GetCaption();
  if (text.empty()) text.assign(1, u' ');
  DrawText(dc, text, -1, r, TextFormat() | DT_CALCRECT);
  Integer left = FLeft;
  if (FAlignment == taRightJustify && !FWordWrap) left = FLeft + FWidth - r.Width();
  SetBounds(left, FTop, r.Width(), r.Height());
}

void TCustomLabel::SetAlignment(TAlignment Value) {
  if (FAlignment == Value) return;
  FAlignment = Value;
  Invalidate();
}

void TCustomLabel::SetAutoSize(bool Value) {
  FAutoSize = Value;
  AdjustBounds();
}

void TCustomLabel::SetLayout(TTextLayout Value) {
  FLayout = Value;
  Invalidate();
}

void TCustomLabel::SetWordWrap(bool Value) {
  FWordWrap = Value;
  AdjustBounds();
  Invalidate();
}

void TCustomLabel::SetTransparent(bool Value) {
  FTransparent = Value;
  if (Value) FControlStyle.Exclude(csOpaque);
  else FControlStyle.Include(csOpaque);
  Invalidate();
}

void TCustomLabel::SetShowAccelChar(bool Value) {
  FShowAccelChar = Value;
  AdjustBounds();
  Invalidate();
}

void TCustomLabel::SetFocusControl(TWinControl* Value) {
  if (FFocusControl) FFocusControl->RemoveFreeNotification(this);
  FFocusControl = Value;
  if (Value) Value->FreeNotification(this);
}

void TCustomLabel::Notification(TComponent* AComponent, TOperation Operation) {
  TGraphicControl::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FFocusControl) FFocusControl = nullptr;
}

void TCustomLabel::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CM_TEXTCHANGED:
    case CM_FONTCHANGED:
      AdjustBounds();
      Invalidate();
      return;
    case CM_MOUSEENTER:
      if (OnMouseEnter) OnMouseEnter(this);
      return;
    case CM_MOUSELEAVE:
      if (OnMouseLeave) OnMouseLeave(this);
      return;
    case CM_DIALOGCHAR:
      if (FFocusControl && FShowAccelChar && GetEnabled() && AccelOf(GetCaption()) &&
          SameChar(AccelOf(GetCaption()), Char(Message.WParam)) && FFocusControl->CanFocus()) {
        FFocusControl->SetFocus();
        Message.Result = 1;
      }
      return;
    default: TGraphicControl::Dispatch(Message);
  }
}

// ---- TButtonControl -----------------------------------------------------------------------------------

TButtonControl::TButtonControl(TComponent* AOwner) : TWinControl(AOwner), FCanvas(std::make_unique<TControlCanvas>()) {
  // Clicks are made here, on release inside the button, so that a check box can
  // toggle before its OnClick runs.
  FControlStyle = TControlStyle{csSetCaption, csDoubleClicks};
  FCanvas->SetControl(this);
  FTabStop = true;
  FParentColor = true;
}

void TButtonControl::SetWordWrap(bool Value) {
  FWordWrap = Value;
  Invalidate();
}

bool TButtonControl::IsAccel(Char C) const {
  const Char a = AccelOf(GetCaption());
  return a && SameChar(a, C);
}

void TButtonControl::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      if (CanFocus() && !Focused()) SetFocus();
      FPressedDown = true;
      FMouseInside = true;
      if (FHandle) SetCapture(FHandle);
      Invalidate();
      break;
    case WM_MOUSEMOVE:
      if (FPressedDown) {
        const bool inside = GetClientRect().Contains(TPoint(GetXLParam(Message.LParam), GetYLParam(Message.LParam)));
        if (inside != FMouseInside) {
          FMouseInside = inside;
          Invalidate();
        }
      }
      break;
    case WM_LBUTTONUP:
      if (FPressedDown) {
        FPressedDown = false;
        if (FHandle && GetCapture() == FHandle) ReleaseCapture();
        Invalidate();
        if (GetClientRect().Contains(TPoint(GetXLParam(Message.LParam), GetYLParam(Message.LParam)))) Pressed();
      }
      break;
    case WM_CANCELMODE:
      if (FPressedDown) {
        FPressedDown = false;
        Invalidate();
      }
      break;
    case CM_DIALOGCHAR:
      if (IsAccel(Char(Message.WParam)) && CanFocus()) {
        SetFocus();
        Pressed();
        Message.Result = 1;
      }
      return;
    case CM_TEXTCHANGED:
    case CM_FONTCHANGED:
    case CM_ENABLEDCHANGED:
      TWinControl::Dispatch(Message);
      Invalidate();
      return;
    default: break;
  }
  TWinControl::Dispatch(Message);
}

void TButtonControl::DefaultHandler(TMessage& Message) {
  switch (Message.Msg) {
    case WM_KEYDOWN:
      if (Message.WParam == VK_SPACE && !FPressedDown) {
        FPressedDown = true;
        FMouseInside = true;
        Invalidate();
        return;
      }
      break;
    case WM_KEYUP:
      if (Message.WParam == VK_SPACE && FPressedDown) {
        FPressedDown = false;
        Invalidate();
        Pressed();
        return;
      }
      break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      if (Message.Msg == WM_KILLFOCUS && FPressedDown) FPressedDown = false;
      Invalidate();
      break;
    case BM_CLICK: Pressed(); return;
    case BM_GETCHECK: Message.Result = GetChecked() ? BST_CHECKED : BST_UNCHECKED; return;
    case BM_SETCHECK: SetChecked(Message.WParam == BST_CHECKED); return;
    case WM_PAINT: {
      HDC dc = reinterpret_cast<HDC>(Message.WParam);
      TPaintStruct ps;
      if (!dc) dc = BeginPaint(FHandle, ps);
      FCanvas->SetHandle(dc);
      FCanvas->SetFont(GetFont());
      PaintButton(FCanvas.get());
      FCanvas->SetHandle(nullptr);
      if (!Message.WParam) EndPaint(FHandle, ps);
      return;
    }
    case WM_ERASEBKGND: Message.Result = 1; return;
    default: break;
  }
  TWinControl::DefaultHandler(Message);
}

// ---- TButton ------------------------------------------------------------------------------------------

TButton::TButton(TComponent* AOwner) : TButtonControl(AOwner) {
  FParentColor = false;
  FColor = clBtnFace;
  FBrush->SetColor(clBtnFace);
  SetBounds(0, 0, 75, 25);
}

void TButton::SetDefault(bool Value) {
  FDefault = Value;
  Invalidate();
}

void TButton::Click() {
  if (TCustomForm* form = GetParentForm(this); form && FModalResult != mrNone) form->SetModalResult(FModalResult);
  TButtonControl::Click();
}

void TButton::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CM_DIALOGKEY: {
      // Enter presses the focused button, else the default one; Esc the cancel one.
      TWinControl* focused = FindControl(GetFocus());
      const bool active = focused == this || (FDefault && !dynamic_cast<TButton*>(focused));
      const Word key = Word(Message.WParam);
      if (((key == VK_RETURN && active) || (key == VK_ESCAPE && FCancel)) &&
          !(KeyDataToShiftState(Message.LParam).Contains(ssAlt)) && CanFocus()) {
        Click();
        Message.Result = 1;
        return;
      }
      return;
    }
    case WM_GETDLGCODE: Message.Result = DLGC_BUTTON | (FDefault ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON); return;
    default: TButtonControl::Dispatch(Message);
  }
}

void TButton::PaintButton(TCanvas* Canvas) {
  HDC dc = Canvas->GetHandle();
  TRect r = GetClientRect();
  const bool focused = Focused();
  TWinControl* fc = FindControl(GetFocus());
  const bool isDefault = focused || (FDefault && !dynamic_cast<TButton*>(fc));
  FillWith(dc, r, FColor);
  if (isDefault) {
    HBRUSH b = CreateSolidBrush(ColorToRGB(clWindowFrame));
    FrameRect(dc, r, b);
    DeleteObject(b);
    InflateRect(r, -1, -1);
  }
  const bool down = FPressedDown && FMouseInside;
  UINT state = DFCS_BUTTONPUSH;
  if (down) state |= DFCS_PUSHED;
  if (!GetEnabled()) state |= DFCS_INACTIVE;
  if (down) {
    HBRUSH b = CreateSolidBrush(ColorToRGB(clBtnShadow));
    FrameRect(dc, r, b);
    DeleteObject(b);
    TRect in = r;
    InflateRect(in, -1, -1);
    FillWith(dc, in, FColor);
  } else {
    TRect fr = r;
    DrawFrameControl(dc, fr, DFC_BUTTON, state);
  }
  TRect text = r;
  if (down) OffsetRect(text, 1, 1);
  UINT fmt = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
  if (FWordWrap) fmt = DT_CENTER | DT_WORDBREAK;
  DrawCaption(Canvas, text, GetCaption(), fmt, GetEnabled());
  if (focused) {
    TRect f = r;
    InflateRect(f, -3, -3);
    DrawFocusRect(dc, f);
  }
}

// ---- TCustomCheckBox ----------------------------------------------------------------------------------

namespace {

// The check box or radio circle at the left (or right) of a caption.
void PaintCheckLike(TButtonControl* Self, TCanvas* Canvas, UINT Kind, bool Checked, bool Grayed, bool Pressed,
                    TAlignment Alignment, bool Focused, const String& Caption, TColor Color) {
  HDC dc = Canvas->GetHandle();
  const TRect client = Self->GetClientRect();
  FillWith(dc, client, Color);
  const Integer size = 13;
  const Integer top = (client.Height() - size) / 2;
  const bool left = Alignment == taRightJustify;
  TRect box = left ? Bounds(0, top, size, size) : Bounds(client.Right - size, top, size, size);
  UINT state = Kind;
  if (Checked || Grayed) state |= DFCS_CHECKED;
  if (Grayed) state |= DFCS_BUTTON3STATE;
  if (Pressed) state |= DFCS_PUSHED;
  if (!Self->GetEnabled()) state |= DFCS_INACTIVE;
  DrawFrameControl(dc, box, DFC_BUTTON, state);
  TRect text =
      left ? TRect(size + 4, 0, client.Right, client.Bottom) : TRect(0, 0, client.Right - size - 4, client.Bottom);
  TRect calc = text;
  DrawText(dc, Caption, -1, calc, DT_CALCRECT | DT_SINGLELINE);
  text.Top = (client.Height() - calc.Height()) / 2;
  text.Bottom = text.Top + calc.Height();
  DrawCaption(Canvas, text, Caption, DT_LEFT | DT_SINGLELINE, Self->GetEnabled());
  if (Focused && !Caption.empty()) {
    TRect f(text.Left - 1, text.Top, text.Left + calc.Width() + 1, text.Bottom);
    DrawFocusRect(dc, f);
  }
}

}  // namespace

TCustomCheckBox::TCustomCheckBox(TComponent* AOwner) : TButtonControl(AOwner) { SetBounds(0, 0, 97, 17); }

void TCustomCheckBox::SetState(TCheckBoxState Value) {
  if (FState == Value) return;
  FState = Value;
  Invalidate();
  if (!FClicksDisabled) Click();
}

void TCustomCheckBox::SetAlignment(TAlignment Value) {
  FAlignment = Value;
  Invalidate();
}

void TCustomCheckBox::Toggle() {
  switch (FState) {
    case cbUnchecked: SetState(cbChecked); break;
    case cbChecked: SetState(FAllowGrayed ? cbGrayed : cbUnchecked); break;
    case cbGrayed: SetState(cbUnchecked); break;
  }
}

void TCustomCheckBox::Pressed() { Toggle(); }

void TCustomCheckBox::DefaultHandler(TMessage& Message) {
  if (Message.Msg == WM_GETDLGCODE) {
    Message.Result = DLGC_BUTTON;
    return;
  }
  TButtonControl::DefaultHandler(Message);
}

void TCustomCheckBox::PaintButton(TCanvas* Canvas) {
  PaintCheckLike(this, Canvas, DFCS_BUTTONCHECK, FState == cbChecked, FState == cbGrayed, FPressedDown && FMouseInside,
                 FAlignment, Focused(), GetCaption(), FColor);
}

// ---- TRadioButton -------------------------------------------------------------------------------------

TRadioButton::TRadioButton(TComponent* AOwner) : TButtonControl(AOwner) {
  FTabStop = false;
  SetBounds(0, 0, 113, 17);
}

void TRadioButton::SetChecked(bool Value) {
  if (FChecked == Value) return;
  FChecked = Value;
  SetTabStop(Value);
  Invalidate();
  if (!Value) return;
  if (TWinControl* p = GetParent())
    for (Integer i = 0; i < p->GetControlCount(); ++i)
      if (auto* r = dynamic_cast<TRadioButton*>(p->GetControl(i)); r && r != this) r->SetChecked(false);
  if (!FClicksDisabled) Click();
}

void TRadioButton::SetAlignment(TAlignment Value) {
  FAlignment = Value;
  Invalidate();
}

void TRadioButton::Pressed() {
  if (!FChecked) SetChecked(true);
}

void TRadioButton::DefaultHandler(TMessage& Message) {
  switch (Message.Msg) {
    case WM_GETDLGCODE: Message.Result = DLGC_BUTTON | DLGC_RADIOBUTTON; return;
    case WM_KEYDOWN: {
      // Arrows move to the next radio button of the group and check it.
      const Word k = Word(Message.WParam);
      if ((k == VK_DOWN || k == VK_RIGHT || k == VK_UP || k == VK_LEFT) && GetParent()) {
        TWinControl* p = GetParent();
        std::vector<TRadioButton*> group;
        for (Integer i = 0; i < p->GetControlCount(); ++i)
          if (auto* r = dynamic_cast<TRadioButton*>(p->GetControl(i)); r && r->CanFocus()) group.push_back(r);
        auto it = std::find(group.begin(), group.end(), this);
        if (it != group.end() && group.size() > 1) {
          size_t i = size_t(it - group.begin());
          i = (k == VK_DOWN || k == VK_RIGHT) ? (i + 1) % group.size() : (i + group.size() - 1) % group.size();
          group[i]->SetFocus();
          group[i]->SetChecked(true);
        }
        return;
      }
      break;
    }
    case WM_SETFOCUS:
      // Tabbing onto a radio button checks it, as the system's does.
      if (!FChecked && GetKeyState(VK_LBUTTON) >= 0) SetChecked(true);
      break;
    default: break;
  }
  TButtonControl::DefaultHandler(Message);
}

void TRadioButton::PaintButton(TCanvas* Canvas) {
  PaintCheckLike(this, Canvas, DFCS_BUTTONRADIO, FChecked, false, FPressedDown && FMouseInside, FAlignment, Focused(),
                 GetCaption(), FColor);
}

// ---- TCustomGroupBox ----------------------------------------------------------------------------------

TCustomGroupBox::TCustomGroupBox(TComponent* AOwner) : TCustomControl(AOwner) {
  FControlStyle =
      TControlStyle{csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks, csReplicatable};
  FParentColor = true;
  SetBounds(0, 0, 185, 105);
}

void TCustomGroupBox::AdjustClientRect(TRect& Rect) {
  TCustomControl::AdjustClientRect(Rect);
  Rect.Top += FontTextHeight(GetFont());
  InflateRect(Rect, -2, -2);
}

void TCustomGroupBox::Paint() {
  TCanvas* c = GetCanvas();
  HDC dc = c->GetHandle();
  const TRect client = GetClientRect();
  FillWith(dc, client, FColor);
  c->SetFont(GetFont());
  TTextMetric tm;
  GetTextMetrics(dc, tm);
  TRect frame(client.Left, client.Top + tm.tmHeight / 2, client.Right, client.Bottom);
  DrawEdge(dc, frame, EDGE_ETCHED, BF_RECT);
  const String text = GetCaption();
  if (!text.empty()) {
    TRect calc(0, 0, 0, 0);
    DrawText(dc, text, -1, calc, DT_CALCRECT | DT_SINGLELINE);
    TRect tr = Bounds(8, 0, calc.Width() + 2, tm.tmHeight);
    FillWith(dc, tr, FColor);
    tr.Left += 1;
    DrawCaption(c, tr, text, DT_LEFT | DT_SINGLELINE, GetEnabled());
  }
}

void TCustomGroupBox::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CM_TEXTCHANGED:
    case CM_FONTCHANGED:
      TCustomControl::Dispatch(Message);
      Realign();
      Invalidate();
      return;
    default: TCustomControl::Dispatch(Message);
  }
}
