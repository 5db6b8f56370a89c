#include "platform/ui/Buttons.h"

#include <algorithm>

#include "platform/core/Strings.h"
#include "platform/ui/ControlPaint.h"
#include "platform/ui/StdCtrls.h"

TSpeedButton::TSpeedButton(TComponent* AOwner) : TGraphicControl(AOwner), FGlyph(std::make_unique<TBitmap>()) {
  // Clicks are made here on release, after the group's down state is settled.
  FControlStyle = TControlStyle{csCaptureMouse, csDoubleClicks};
  FParentColor = true;
  SetBounds(0, 0, 23, 22);
}

TSpeedButton::~TSpeedButton() = default;

void TSpeedButton::SetGlyph(const TBitmap* Value) {
  if (Value) FGlyph->Assign(Value);
  else FGlyph = std::make_unique<TBitmap>();
  if (FGlyph->GetWidth() > 0 && FGlyph->GetHeight() > 0 && FGlyph->GetWidth() % FGlyph->GetHeight() == 0) {
    const Integer n = FGlyph->GetWidth() / FGlyph->GetHeight();
    if (n >= 1 && n <= 4) FNumGlyphs = n;
  }
  Invalidate();
}

void TSpeedButton::SetNumGlyphs(Integer Value) {
  FNumGlyphs = std::clamp(Value, 1, 4);
  Invalidate();
}

void TSpeedButton::SetLayout(TButtonLayout Value) {
  if (FLayout == Value) return;
  FLayout = Value;
  Invalidate();
}

void TSpeedButton::SetMargin(Integer Value) {
  if (FMargin == Value || Value < -1) return;
  FMargin = Value;
  Invalidate();
}

void TSpeedButton::SetSpacing(Integer Value) {
  FSpacing = Value;
  Invalidate();
}

void TSpeedButton::SetFlat(bool Value) {
  FFlat = Value;
  Invalidate();
}

void TSpeedButton::SetTransparent(bool Value) {
  FTransparent = Value;
  Invalidate();
}

void TSpeedButton::SetGroupIndex(Integer Value) {
  if (FGroupIndex == Value) return;
  FGroupIndex = Value;
  UpdateExclusive();
}

void TSpeedButton::SetAllowAllUp(bool Value) {
  if (FAllowAllUp == Value) return;
  FAllowAllUp = Value;
  UpdateExclusive();
}

void TSpeedButton::SetDown(bool Value) {
  if (FGroupIndex == 0) Value = false;
  if (Value == FDown) return;
  // The last button down in a group without AllowAllUp stays down.
  if (FDown && !FAllowAllUp) return;
  FDown = Value;
  FState = Value ? bsExclusive : bsUp;
  Invalidate();
  if (Value) UpdateExclusive();
}

void TSpeedButton::UpdateExclusive() {
  if (FGroupIndex == 0 || !FParent) return;
  TMessage m{CM_BUTTONPRESSED, WPARAM(FGroupIndex), LPARAM(reinterpret_cast<std::intptr_t>(this)), 0};
  FParent->Broadcast(m);
}

void TSpeedButton::Click() { TGraphicControl::Click(); }

void TSpeedButton::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CM_BUTTONPRESSED: {
      auto* sender = reinterpret_cast<TSpeedButton*>(Message.LParam);
      if (Integer(Message.WParam) == FGroupIndex && sender != this && FGroupIndex != 0) {
        if (sender->FDown && FDown) {
          FDown = false;
          FState = bsUp;
          Invalidate();
        }
        FAllowAllUp = sender->FAllowAllUp;
      }
      return;
    }
    case CM_MOUSEENTER:
      FMouseInControl = true;
      if (FFlat && GetEnabled()) Invalidate();
      if (OnMouseEnter) OnMouseEnter(this);
      return;
    case CM_MOUSELEAVE:
      FMouseInControl = false;
      if (FFlat && GetEnabled()) Invalidate();
      if (OnMouseLeave) OnMouseLeave(this);
      return;
    case CM_DIALOGCHAR: {
      const String cap = GetCaption();
      for (size_t i = 0; i + 1 < cap.size(); ++i)
        if (cap[i] == u'&' && cap[i + 1] != u'&' &&
            AnsiUpperCase(String(1, cap[i + 1])) == AnsiUpperCase(String(1, Char(Message.WParam))) && GetEnabled() &&
            GetVisible() && FParent && FParent->GetShowing()) {
          Click();
          Message.Result = 1;
          return;
        }
      return;
    }
    case CM_ENABLEDCHANGED:
      if (!GetEnabled()) {
        FMouseInControl = false;
        FState = FDown ? bsExclusive : bsUp;
      }
      Invalidate();
      return;
    default: TGraphicControl::Dispatch(Message);
  }
}

void TSpeedButton::MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  TGraphicControl::MouseDown(Button, Shift, X, Y);
  if (Button != mbLeft || !GetEnabled()) return;
  if (!FDown) {
    FState = bsDown;
    Invalidate();
  }
  FDragging = true;
}

void TSpeedButton::MouseMove(TShiftState Shift, Integer X, Integer Y) {
  TGraphicControl::MouseMove(Shift, X, Y);
  if (!FDragging) return;
  const bool inside = GetClientRect().Contains(TPoint(X, Y));
  const TButtonState s = inside ? (FDown ? bsExclusive : bsDown) : (FDown ? bsExclusive : bsUp);
  if (s != FState) {
    FState = s;
    Invalidate();
  }
}

void TSpeedButton::MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  TGraphicControl::MouseUp(Button, Shift, X, Y);
  if (!FDragging || Button != mbLeft) return;
  FDragging = false;
  const bool doClick = GetClientRect().Contains(TPoint(X, Y));
  if (FGroupIndex == 0) {
    FState = bsUp;
    Invalidate();
  } else if (doClick) {
    SetDown(!FDown);
    if (FDown) FState = bsExclusive;
    Invalidate();
  } else {
    FState = FDown ? bsExclusive : bsUp;
    Invalidate();
  }
  if (doClick) Click();
}

TSize TSpeedButton::GlyphSize() const {
  if (FGlyph->GetWidth() <= 0 || FGlyph->GetHeight() <= 0) return TSize{0, 0};
  return TSize{FGlyph->GetWidth() / FNumGlyphs, FGlyph->GetHeight()};
}

void TSpeedButton::CalcLayout(const TRect& Client, TPoint& GlyphPos, TRect& TextRect) const {
  const TSize g = GlyphSize();
  TSize t{0, 0};
  const String caption = GetCaption();
  if (!caption.empty()) {
    TRect r(0, 0, Client.Width(), 0);
    DrawText(TMeasureDC(GetFont()), caption, -1, r, DT_CALCRECT | DT_SINGLELINE);
    t = TSize{r.Width(), r.Height()};
  }
  const bool horizontal = FLayout == blGlyphLeft || FLayout == blGlyphRight;
  const Integer avail = horizontal ? Client.Width() : Client.Height();
  const Integer gs = horizontal ? g.cx : g.cy;
  const Integer ts = horizontal ? t.cx : t.cy;
  Integer spacing = (gs > 0 && ts > 0) ? FSpacing : 0;
  Integer margin = FMargin;
  if (margin == -1) margin = (avail - (gs + spacing + ts)) / 2;
  // Along the layout axis, from the glyph's edge.
  Integer glyphAt = 0, textAt = 0;
  if (FLayout == blGlyphLeft || FLayout == blGlyphTop) {
    glyphAt = margin;
    textAt = margin + gs + spacing;
  } else {
    glyphAt = avail - margin - gs;
    textAt = glyphAt - spacing - ts;
  }
  if (gs == 0) textAt = FMargin == -1 ? (avail - ts) / 2 : margin;
  if (horizontal) {
    GlyphPos = TPoint(Client.Left + glyphAt, Client.Top + (Client.Height() - g.cy) / 2);
    TextRect = Bounds(Client.Left + textAt, Client.Top + (Client.Height() - t.cy) / 2, t.cx, t.cy);
  } else {
    GlyphPos = TPoint(Client.Left + (Client.Width() - g.cx) / 2, Client.Top + glyphAt);
    TextRect = Bounds(Client.Left + (Client.Width() - t.cx) / 2, Client.Top + textAt, t.cx, t.cy);
  }
}

void TSpeedButton::DrawGlyph(TCanvas* Canvas, TPoint At, TButtonState State) {
  const TSize g = GlyphSize();
  if (g.cx <= 0) return;
  Integer index = 0;
  switch (State) {
    case bsDisabled: index = FNumGlyphs > 1 ? 1 : 0; break;
    case bsDown: index = FNumGlyphs > 2 ? 2 : 0; break;
    case bsExclusive: index = FNumGlyphs > 3 ? 3 : (FNumGlyphs > 2 ? 2 : 0); break;
    default: break;
  }
  TBitmap part;
  part.SetSize(g.cx, g.cy);
  BitBlt(part.Context(), 0, 0, g.cx, g.cy, FGlyph->Context(), index * g.cx, 0, SRCCOPY);
  const TColor key = FGlyph->GetCanvas()->GetPixel(0, FGlyph->GetHeight() - 1);
  if (State == bsDisabled && FNumGlyphs < 2) {
    // No disabled image: the glyph's shape in the shadow colour.
    TCanvas* pc = part.GetCanvas();
    const TColor shadow = ColorToRGB(clBtnShadow);
    for (Integer y = 0; y < g.cy; ++y)
      for (Integer x = 0; x < g.cx; ++x)
        if (pc->GetPixel(x, y) != key) pc->SetPixel(x, y, shadow);
  }
  part.SetTransparentMode(tmFixed);
  part.SetTransparentColor(key);
  part.SetTransparent(true);
  part.Draw(Canvas, Bounds(At.X, At.Y, g.cx, g.cy));
}

void TSpeedButton::Paint() {
  TCanvas* c = GetCanvas();
  TRect r = GetClientRect();
  const bool enabled = GetEnabled();
  if (!enabled) FState = bsDisabled;
  else if (FState == bsDisabled) FState = FDown ? bsExclusive : bsUp;
  const bool pressed = FState == bsDown || FState == bsExclusive;
  HDC dc = c->GetHandle();
  if (!FFlat) {
    c->GetBrush()->SetColor(clBtnFace);
    c->FillRect(r);
    TRect fr = r;
    DrawFrameControl(dc, fr, DFC_BUTTON, UINT(DFCS_BUTTONPUSH) | (pressed ? UINT(DFCS_PUSHED) : 0u));
  } else {
    if (!FTransparent) {
      c->GetBrush()->SetColor(FColor);
      c->FillRect(r);
    }
    if (enabled && (pressed || FMouseInControl)) {
      TRect er = r;
      DrawEdge(dc, er, pressed ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
    }
  }
  TRect client = r;
  InflateRect(client, -2, -2);
  if (pressed) OffsetRect(client, 1, 1);
  TPoint glyphAt;
  TRect textRect;
  CalcLayout(client, glyphAt, textRect);
  DrawGlyph(c, glyphAt, FState);
  const String caption = GetCaption();
  if (!caption.empty()) {
    c->SetFont(GetFont());
    DrawCaption(c, textRect, caption, DT_CENTER | DT_VCENTER | DT_SINGLELINE, enabled);
  }
}
