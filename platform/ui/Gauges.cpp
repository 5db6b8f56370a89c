#include "platform/ui/Gauges.h"

#include <algorithm>

#include "platform/core/Strings.h"

TGauge::TGauge(TComponent* AOwner) : TGraphicControl(AOwner) {
  FControlStyle.Include(csOpaque);
  SetBounds(0, 0, 100, 100);
}

void TGauge::SetMinValue(Integer Value) {
  FMinValue = std::min(Value, FMaxValue);
  FProgress = std::max(FProgress, FMinValue);
  Invalidate();
}

void TGauge::SetMaxValue(Integer Value) {
  FMaxValue = std::max(Value, FMinValue);
  FProgress = std::min(FProgress, FMaxValue);
  Invalidate();
}

void TGauge::SetProgress(Integer Value) {
  Value = std::clamp(Value, FMinValue, FMaxValue);
  if (Value == FProgress) return;
  FProgress = Value;
  Invalidate();
}

Integer TGauge::GetPercentDone() const {
  const Int64 range = Int64(FMaxValue) - FMinValue;
  if (range <= 0) return 0;
  return Integer((Int64(FProgress) - FMinValue) * 100 / range);
}

void TGauge::SetKind(TGaugeKind Value) {
  FKind = Value;
  Invalidate();
}
void TGauge::SetForeColor(TColor Value) {
  FForeColor = Value;
  Invalidate();
}
void TGauge::SetBackColor(TColor Value) {
  FBackColor = Value;
  Invalidate();
}
void TGauge::SetShowText(bool Value) {
  FShowText = Value;
  Invalidate();
}
void TGauge::SetBorderStyle(TBorderStyle Value) {
  FBorderStyle = Value;
  Invalidate();
}

void TGauge::Paint() {
  TCanvas* c = GetCanvas();
  TRect r = GetClientRect();
  HDC dc = c->GetHandle();
  if (FBorderStyle == bsSingle) {
    c->GetBrush()->SetColor(clBlack);
    c->FrameRect(r);
    InflateRect(r, -1, -1);
  }
  c->GetBrush()->SetColor(FBackColor);
  c->FillRect(r);
  const Integer pct = GetPercentDone();
  if (FKind == gkHorizontalBar || FKind == gkVerticalBar) {
    TRect done = r;
    if (FKind == gkHorizontalBar) done.Right = r.Left + r.Width() * pct / 100;
    else done.Top = r.Bottom - r.Height() * pct / 100;
    c->GetBrush()->SetColor(FForeColor);
    c->FillRect(done);
  }
  if (FShowText) {
    c->SetFont(GetFont());
    SetBkMode(dc, TRANSPARENT);
    // The text is drawn twice, clipped: the background colour over the done part.
    const String text = IntToStr(pct) + u"%";
    TRect done = r;
    if (FKind == gkHorizontalBar) done.Right = r.Left + r.Width() * pct / 100;
    else if (FKind == gkVerticalBar) done.Top = r.Bottom - r.Height() * pct / 100;
    else done = TRect();
    Integer saved = SaveDC(dc);
    ExcludeClipRect(dc, done.Left, done.Top, done.Right, done.Bottom);
    SetTextColor(dc, ColorToRGB(FForeColor));
    TRect tr = r;
    DrawText(dc, text, -1, tr, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    RestoreDC(dc, saved);
    if (!done.IsEmpty()) {
      saved = SaveDC(dc);
      IntersectClipRect(dc, done.Left, done.Top, done.Right, done.Bottom);
      SetTextColor(dc, ColorToRGB(FBackColor));
      tr = r;
      DrawText(dc, text, -1, tr, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
      RestoreDC(dc, saved);
    }
  }
}
