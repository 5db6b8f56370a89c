#include "platform/ui/ExtCtrls.h"

#include <algorithm>

#include "platform/ui/Timers.h"

void Frame3D(TCanvas* Canvas, TRect& Rect, TColor TopColor, TColor BottomColor, Integer Width) {
  for (Integer i = 0; i < Width; ++i) {
    Rect.Right -= 1;
    Rect.Bottom -= 1;
    Canvas->GetBrush()->SetStyle(bsSolid);
    Canvas->GetBrush()->SetColor(TopColor);
    Canvas->FillRect(TRect(Rect.Left, Rect.Top, Rect.Right, Rect.Top + 1));
    Canvas->FillRect(TRect(Rect.Left, Rect.Top, Rect.Left + 1, Rect.Bottom));
    Canvas->GetBrush()->SetColor(BottomColor);
    Canvas->FillRect(TRect(Rect.Right, Rect.Top, Rect.Right + 1, Rect.Bottom + 1));
    Canvas->FillRect(TRect(Rect.Left, Rect.Bottom, Rect.Right + 1, Rect.Bottom + 1));
    Rect.Left += 1;
    Rect.Top += 1;
  }
}

// ---- TCustomPanel --------------------------------------------------------------------------------

TCustomPanel::TCustomPanel(TComponent* AOwner) : TCustomControl(AOwner) {
  FControlStyle = TControlStyle{csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption,
                                csOpaque,          csDoubleClicks, csReplicatable};
  FParentColor = false;
  FColor = clBtnFace;
  FBrush->SetColor(clBtnFace);
  SetBounds(0, 0, 185, 41);
}

void TCustomPanel::CreateParams(TCreateParams& Params) {
  TCustomControl::CreateParams(Params);
  if (FBorderStyle == bsSingle) {
    if (FCtl3D) Params.ExStyle |= WS_EX_CLIENTEDGE;
    else Params.Style |= WS_BORDER;
  }
}

void TCustomPanel::SetBevelInner(TPanelBevel Value) {
  FBevelInner = Value;
  Realign();
  Invalidate();
}

void TCustomPanel::SetBevelOuter(TPanelBevel Value) {
  FBevelOuter = Value;
  Realign();
  Invalidate();
}

void TCustomPanel::SetBevelWidth(Integer Value) {
  FBevelWidth = std::max(1, Value);
  Realign();
  Invalidate();
}

void TCustomPanel::SetBorderWidth(Integer Value) {
  FBorderWidth = std::max(0, Value);
  Realign();
  Invalidate();
}

void TCustomPanel::SetBorderStyle(TBorderStyle Value) {
  if (FBorderStyle == Value) return;
  FBorderStyle = Value;
  RecreateWnd();
}

void TCustomPanel::SetAlignment(TAlignment Value) {
  FAlignment = Value;
  Invalidate();
}

void TCustomPanel::AdjustClientRect(TRect& Rect) {
  TCustomControl::AdjustClientRect(Rect);
  Integer w = FBorderWidth;
  if (FBevelOuter != bvNone) w += FBevelWidth;
  if (FBevelInner != bvNone) w += FBevelWidth;
  InflateRect(Rect, -w, -w);
}

void TCustomPanel::Paint() {
  TCanvas* c = GetCanvas();
  TRect r = GetClientRect();
  auto bevel = [&](TPanelBevel b) {
    if (b == bvNone) return;
    if (b == bvSpace) {
      InflateRect(r, -FBevelWidth, -FBevelWidth);
      return;
    }
    Frame3D(c, r, b == bvLowered ? clBtnShadow : clBtnHighlight, b == bvLowered ? clBtnHighlight : clBtnShadow,
            FBevelWidth);
  };
  bevel(FBevelOuter);
  c->GetBrush()->SetColor(FColor);
  c->FillRect(r);  // the border between the bevels
  InflateRect(r, -FBorderWidth, -FBorderWidth);
  bevel(FBevelInner);
  c->GetBrush()->SetColor(FColor);
  c->FillRect(r);
  const String text = GetCaption();
  if (!text.empty()) {
    c->SetFont(GetFont());
    const UINT align = FAlignment == taLeftJustify ? DT_LEFT : FAlignment == taRightJustify ? DT_RIGHT : DT_CENTER;
    DrawCaption(c, r, text, align | DT_VCENTER | DT_SINGLELINE, GetEnabled());
  }
}

void TCustomPanel::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CM_TEXTCHANGED:
      TCustomControl::Dispatch(Message);
      Invalidate();
      return;
    default: TCustomControl::Dispatch(Message);
  }
}

// ---- TBevel ------------------------------------------------------------------------------------------

TBevel::TBevel(TComponent* AOwner) : TGraphicControl(AOwner) {
  FControlStyle.Include(csReplicatable);
  SetBounds(0, 0, 50, 50);
}

void TBevel::SetShape(TBevelShape Value) {
  FShape = Value;
  Invalidate();
}

void TBevel::SetStyle(TBevelStyle Value) {
  FStyle = Value;
  Invalidate();
}

void TBevel::Paint() {
  TCanvas* c = GetCanvas();
  const TColor a = FStyle == bsLowered ? clBtnShadow : clBtnHighlight;
  const TColor b = FStyle == bsLowered ? clBtnHighlight : clBtnShadow;
  TRect r = GetClientRect();
  auto hline = [&](Integer y, TColor col) {
    c->GetBrush()->SetColor(col);
    c->FillRect(TRect(0, y, r.Right, y + 1));
  };
  auto vline = [&](Integer x, TColor col) {
    c->GetBrush()->SetColor(col);
    c->FillRect(TRect(x, 0, x + 1, r.Bottom));
  };
  switch (FShape) {
    case bsBox: Frame3D(c, r, a, b, 1); break;
    case bsFrame: {
      TRect o = r;
      o.Right -= 1;
      o.Bottom -= 1;
      Frame3D(c, o, a, a, 1);
      TRect i = r;
      i.Left += 1;
      i.Top += 1;
      Frame3D(c, i, b, b, 1);
      break;
    }
    case bsTopLine:
      hline(0, a);
      hline(1, b);
      break;
    case bsBottomLine:
      hline(r.Bottom - 2, a);
      hline(r.Bottom - 1, b);
      break;
    case bsLeftLine:
      vline(0, a);
      vline(1, b);
      break;
    case bsRightLine:
      vline(r.Right - 2, a);
      vline(r.Right - 1, b);
      break;
    case bsSpacer: break;
  }
}

// ---- TSplitter ---------------------------------------------------------------------------------------

TSplitter::TSplitter(TComponent* AOwner) : TGraphicControl(AOwner) {
  FAlign = alLeft;
  FCursor = crHSplit;
  FParentColor = true;
  SetBounds(0, 0, 3, 100);
}

void TSplitter::RequestAlign() {
  TGraphicControl::RequestAlign();
  if (FCursor == crHSplit || FCursor == crVSplit) FCursor = Horizontal() ? crVSplit : crHSplit;
}

void TSplitter::SetBeveled(bool Value) {
  FBeveled = Value;
  Invalidate();
}

void TSplitter::Paint() {
  TCanvas* c = GetCanvas();
  TRect r = GetClientRect();
  c->GetBrush()->SetColor(FColor);
  c->FillRect(r);
  if (FBeveled) Frame3D(c, r, clBtnHighlight, clBtnShadow, 1);
}

TControl* TSplitter::FindControl() const {
  if (!FParent) return nullptr;
  for (Integer i = 0; i < FParent->GetControlCount(); ++i) {
    TControl* c = FParent->GetControl(i);
    if (c == this || !c->GetVisible() || c->GetAlign() != FAlign) continue;
    const TRect b = c->GetBoundsRect();
    switch (FAlign) {
      case alLeft:
        if (b.Right == FLeft) return c;
        break;
      case alRight:
        if (b.Left == FLeft + FWidth) return c;
        break;
      case alTop:
        if (b.Bottom == FTop) return c;
        break;
      case alBottom:
        if (b.Top == FTop + FHeight) return c;
        break;
      default: break;
    }
  }
  return nullptr;
}

void TSplitter::MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  TGraphicControl::MouseDown(Button, Shift, X, Y);
  if (Button != mbLeft) return;
  FControl = FindControl();
  if (!FControl) return;
  FDownPos = ClientToScreen(TPoint(X, Y));
  FStartSize = Horizontal() ? FControl->GetHeight() : FControl->GetWidth();
  FDragging = true;
}

void TSplitter::MouseMove(TShiftState Shift, Integer X, Integer Y) {
  TGraphicControl::MouseMove(Shift, X, Y);
  if (!FDragging || !FControl || !FParent) return;
  const TPoint p = ClientToScreen(TPoint(X, Y));
  Integer delta = Horizontal() ? p.Y - FDownPos.Y : p.X - FDownPos.X;
  if (FAlign == alRight || FAlign == alBottom) delta = -delta;
  // The other side keeps at least MinSize too.
  const TRect client = FParent->GetClientRect();
  const Integer room = (Horizontal() ? client.Height() : client.Width()) - (Horizontal() ? FHeight : FWidth);
  Integer others = 0;
  for (Integer i = 0; i < FParent->GetControlCount(); ++i) {
    TControl* c = FParent->GetControl(i);
    if (c == this || c == FControl || !c->GetVisible()) continue;
    if (Horizontal() && (c->GetAlign() == alTop || c->GetAlign() == alBottom)) others += c->GetHeight();
    if (!Horizontal() && (c->GetAlign() == alLeft || c->GetAlign() == alRight)) others += c->GetWidth();
  }
  const Integer maxSize = std::max(FMinSize, room - others - FMinSize);
  const Integer size = std::clamp(FStartSize + delta, FMinSize, maxSize);
  if (Horizontal()) FControl->SetHeight(size);
  else FControl->SetWidth(size);
}

void TSplitter::MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  TGraphicControl::MouseUp(Button, Shift, X, Y);
  if (!FDragging) return;
  FDragging = false;
  FControl = nullptr;
  if (OnMoved) OnMoved(this);
}

// ---- TCustomRadioGroup -----------------------------------------------------------------------------

TCustomRadioGroup::TCustomRadioGroup(TComponent* AOwner)
    : TCustomGroupBox(AOwner), FItems(std::make_unique<TStringList>()) {
  FItems->OnChange = [this](TObject*) { UpdateButtons(); };
}

TCustomRadioGroup::~TCustomRadioGroup() {
  FItems->OnChange = nullptr;
  FButtons.clear();
}

void TCustomRadioGroup::SetItems(const TStrings* Value) { FItems->Assign(const_cast<TStrings*>(Value)); }

void TCustomRadioGroup::SetColumns(Integer Value) {
  FColumns = std::clamp(Value, 1, 16);
  ArrangeButtons();
}

void TCustomRadioGroup::UpdateButtons() {
  FUpdating = true;
  while (Integer(FButtons.size()) > FItems->GetCount()) FButtons.pop_back();
  while (Integer(FButtons.size()) < FItems->GetCount()) {
    auto b = std::make_unique<TRadioButton>(nullptr);
    b->OnClick = [this](TObject* s) { ButtonClick(s); };
    b->SetParent(this);
    FButtons.push_back(std::move(b));
  }
  for (size_t i = 0; i < FButtons.size(); ++i) {
    FButtons[i]->SetCaption(FItems->Get(Integer(i)));
    FButtons[i]->SetChecked(Integer(i) == FItemIndex);
  }
  if (FItemIndex >= Integer(FButtons.size())) FItemIndex = -1;
  FUpdating = false;
  ArrangeButtons();
}

void TCustomRadioGroup::ArrangeButtons() {
  if (FButtons.empty()) return;
  TRect r = GetClientRect();
  AdjustClientRect(r);
  const Integer rows = (Integer(FButtons.size()) + FColumns - 1) / FColumns;
  const Integer colWidth = std::max(1, (r.Width() - 8) / FColumns);
  const Integer rowHeight = std::max(17, r.Height() / std::max(1, rows));
  for (size_t i = 0; i < FButtons.size(); ++i) {
    const Integer col = Integer(i) / rows, row = Integer(i) % rows;
    FButtons[i]->SetBounds(r.Left + 6 + col * colWidth, r.Top + row * rowHeight + (rowHeight - 17) / 2, colWidth - 2,
                           17);
  }
}

void TCustomRadioGroup::SetItemIndex(Integer Value) {
  if (Value < -1) Value = -1;
  if (Value >= Integer(FButtons.size())) Value = Integer(FButtons.size()) - 1;
  if (Value == FItemIndex) return;
  if (FItemIndex >= 0) {
    FUpdating = true;
    FButtons[size_t(FItemIndex)]->SetChecked(false);
    FUpdating = false;
  }
  FItemIndex = Value;
  if (Value >= 0) FButtons[size_t(Value)]->SetChecked(true);
}

void TCustomRadioGroup::ButtonClick(TObject* Sender) {
  if (FUpdating) return;
  for (size_t i = 0; i < FButtons.size(); ++i)
    if (FButtons[i].get() == Sender) FItemIndex = Integer(i);
  Click();
}

void TCustomRadioGroup::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_SIZE:
    case CM_FONTCHANGED:
      TCustomGroupBox::Dispatch(Message);
      ArrangeButtons();
      return;
    default: TCustomGroupBox::Dispatch(Message);
  }
}

// ---- TTimer -------------------------------------------------------------------------------------------

TTimer::TTimer(TComponent* AOwner) : TComponent(AOwner) {
  FWindow = CreateWindowEx(0, u"TTimerWindow", String(), WS_POPUP, 0, 0, 0, 0, nullptr, [this](HWND Wnd, TMessage& M) {
    if (M.Msg == WM_TIMER) {
      Timer();
      return;
    }
    DefaultWindowProc(Wnd, M);
  });
  UpdateTimer();
}

TTimer::~TTimer() {
  if (FWindow && IsWindow(FWindow)) {
    KillTimer(FWindow, 1);
    // The window's procedure refers to this object: it must not outlive it.
    SetWindowProcedure(FWindow, nullptr);
    DestroyWindow(FWindow);
  }
}

void TTimer::UpdateTimer() {
  if (!FWindow || !IsWindow(FWindow)) return;
  KillTimer(FWindow, 1);
  if (FEnabled && FInterval > 0) SetTimer(FWindow, 1, FInterval);
}

void TTimer::SetEnabled(bool Value) {
  if (FEnabled == Value) return;
  FEnabled = Value;
  UpdateTimer();
}

void TTimer::SetInterval(Cardinal Value) {
  if (FInterval == Value) return;
  FInterval = Value;
  UpdateTimer();
}

void TTimer::Timer() {
  if (FEnabled && OnTimer) OnTimer(this);
}

// ---- TImage -------------------------------------------------------------------------------------------

TImage::TImage(TComponent* AOwner) : TGraphicControl(AOwner), FPicture(std::make_unique<TPicture>()) {
  FControlStyle.Include(csReplicatable);
  FPicture->OnChange = [this](TObject*) { PictureChanged(); };
  SetBounds(0, 0, 105, 105);
}

TImage::~TImage() { FPicture->OnChange = nullptr; }

void TImage::SetPicture(const TPicture* Value) { FPicture->Assign(Value); }

void TImage::SetStretch(bool Value) {
  FStretch = Value;
  Invalidate();
}

void TImage::SetCenter(bool Value) {
  FCenter = Value;
  Invalidate();
}

void TImage::SetProportional(bool Value) {
  FProportional = Value;
  Invalidate();
}

void TImage::SetTransparent(bool Value) {
  FTransparent = Value;
  if (FPicture->GetGraphic()) FPicture->GetGraphic()->SetTransparent(Value);
  Invalidate();
}

void TImage::SetAutoSize(bool Value) {
  FAutoSize = Value;
  PictureChanged();
}

void TImage::PictureChanged() {
  if (FPicture->GetGraphic()) FPicture->GetGraphic()->SetTransparent(FTransparent);
  if (FAutoSize && FPicture->GetWidth() > 0 && FPicture->GetHeight() > 0)
    SetBounds(FLeft, FTop, FPicture->GetWidth(), FPicture->GetHeight());
  Invalidate();
}

TRect TImage::DestRect() const {
  Integer w = FPicture->GetWidth(), h = FPicture->GetHeight();
  const Integer cw = FWidth, ch = FHeight;
  if (w <= 0 || h <= 0) return TRect();
  if (FStretch || (FProportional && (w > cw || h > ch))) {
    if (FProportional) {
      if (Int64(cw) * h > Int64(ch) * w) {
        w = Integer(Int64(w) * ch / h);
        h = ch;
      } else {
        h = Integer(Int64(h) * cw / w);
        w = cw;
      }
    } else {
      w = cw;
      h = ch;
    }
  }
  TRect r(0, 0, w, h);
  if (FCenter) OffsetRect(r, (cw - w) / 2, (ch - h) / 2);
  return r;
}

void TImage::Paint() {
  TGraphic* g = FPicture->GetGraphic();
  if (!g || g->GetEmpty()) return;
  g->Draw(GetCanvas(), DestRect());
}
