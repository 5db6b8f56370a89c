// The scroll-bar settings of a grid (TDBGridEhScrollBar and its two
// directions): when a bar shows, whether it tracks the thumb, whether rows
// scroll by pixels, and the external bar a setting may drive instead of the
// window's own. An external bar is hooked: its scroll notices are sent on to the
// grid as the grid's own WM_HSCROLL or WM_VSCROLL, and the grid sets the bar's
// numbers back (UpdateScrollBar, GetScrollBarParams in DBGridEh_Scroll.cpp).

#include "grid/DBGridEh.h"

TDBGridEhScrollBar::TDBGridEhScrollBar(TCustomDBGridEh* Grid, TScrollBarKind Kind) : FGrid(Grid), FKind(Kind) {}

TDBGridEhScrollBar::~TDBGridEhScrollBar() {
  // A bar that outlives the grid must not call into a settings object that is gone.
  UnhookExtScrollBar();
}

THorzDBGridEhScrollBar::THorzDBGridEhScrollBar(TCustomDBGridEh* Grid) : TDBGridEhScrollBar(Grid, sbHorizontal) {
  FSmoothStep = true;
}

std::unique_ptr<TDBGridEhScrollBar> TCustomDBGridEh::CreateScrollBar(TScrollBarKind Kind) {
  if (Kind == sbVertical) return std::make_unique<TVertDBGridEhScrollBar>(this);
  return std::make_unique<THorzDBGridEhScrollBar>(this);
}

void TDBGridEhScrollBar::Assign(TPersistent* Source) {
  auto* S = dynamic_cast<TDBGridEhScrollBar*>(Source);
  if (!S) return TPersistent::Assign(Source);
  SetVisible(S->GetVisible());
  FTracking = S->FTracking;
  SetExtScrollBar(S->FExtScrollBar);
}

// ---- Settings ---------------------------------------------------------------------------------------------

void TDBGridEhScrollBar::SetVisibleMode(TScrollBarVisibleModeEh Value) {
  if (FVisibleMode == Value) return;
  FVisibleMode = Value;
  if (FExtScrollBar) FExtScrollBar->SetVisible(GetVisible());
  if (FKind == sbVertical) FGrid->UpdateScrollBar();
  FGrid->LayoutChanged();
}

void TDBGridEhScrollBar::SetSmoothStep(bool Value) {
  if (FSmoothStep == Value) return;
  FSmoothStep = Value;
  Changed();
}

void THorzDBGridEhScrollBar::Changed() {
  FGrid->CalcHorzExtents();
  FGrid->UpdateScrollRange();
}

void TVertDBGridEhScrollBar::Changed() {
  FGrid->CalcVertExtents();
  FGrid->UpdateScrollRange();
  // Pixel scrolling moves the vertical bar from the grid to the base grid.
  if (FGrid->HandleAllocated()) FGrid->LayoutChanged();
}

// ---- What the bar shows ------------------------------------------------------------------------------------

bool TDBGridEhScrollBar::ScrollBarShowing() const {
  if (FExtScrollBar) return FExtScrollBar->GetVisible();
  return GetVisible() && FGrid->HandleAllocated() && IsScrollBarVisible(FGrid->GetHandle(), WindowBar());
}

bool TDBGridEhScrollBar::ScrollBarNeeded() const {
  switch (FVisibleMode) {
    case sbAlwaysShowEh: return true;
    case sbNeverShowEh: return false;
    case sbAutoShowEh: break;
  }
  TScrollInfo Info;
  Info.fMask = SIF_ALL;
  return GetScrollInfo(Info) && Info.nMax - Info.nMin > Integer(Info.nPage);
}

bool TDBGridEhScrollBar::GetScrollInfo(TScrollInfo& Info) const {
  if (FExtScrollBar) {
    if (!FExtScrollBar->HandleAllocated()) return false;
    return ::GetScrollInfo(FExtScrollBar->GetHandle(), FExtScrollBar->GetKind() == sbVertical ? SB_VERT : SB_HORZ,
                           Info);
  }
  return FGrid->HandleAllocated() && ::GetScrollInfo(FGrid->GetHandle(), WindowBar(), Info);
}

// ---- The external bar ----------------------------------------------------------------------------------------

void TDBGridEhScrollBar::SetExtScrollBar(TScrollBar* Value) {
  if (FExtScrollBar == Value) return;
  const bool Designing = FGrid->GetComponentState().Contains(csDesigning);
  if (Value && !Designing && !Value->WindowProcIsOwn())
    throw Exception(u"Possible " + Value->GetName() + u" already attached to the other control.");
  UnhookExtScrollBar();
  FExtScrollBar = Value;
  if (Value) {
    Value->FreeNotification(FGrid);
    if (!Designing) {
      FExtScrollBarOwnProc = Value->GetWindowProc();
      Value->SetWindowProc([this](TMessage& Message) { ExtScrollBarWndProc(Message); });
    }
    Value->SetVisible(GetVisible());
  }
  if (FGrid->GetComponentState().Contains(csDestroying)) return;
  if (FKind == sbVertical && FGrid->HandleAllocated()) FGrid->UpdateScrollBar();
  if (FGrid->HandleAllocated()) FGrid->LayoutChanged();
}

// The old bar gets its own procedure back, unless it is going away itself.
void TDBGridEhScrollBar::UnhookExtScrollBar() {
  if (!FExtScrollBar || !FExtScrollBarOwnProc) return;
  if (!FExtScrollBar->GetComponentState().Contains(csDestroying)) FExtScrollBar->SetWindowProc(FExtScrollBarOwnProc);
  FExtScrollBarOwnProc = nullptr;
}

void TDBGridEhScrollBar::ExtScrollBarWndProc(TMessage& Message) {
  const bool Scroll = ((Message.Msg == WM_HSCROLL || Message.Msg == WM_VSCROLL) && Message.LParam == 0) ||
                      Message.Msg == CN_HSCROLL || Message.Msg == CN_VSCROLL;
  // Kept for the call: a handler below may unhook the bar.
  const TWndMethod Own = FExtScrollBarOwnProc;
  Own(Message);
  if (!Scroll || !FGrid->HandleAllocated()) return;
  SendMessage(FGrid->GetHandle(), FKind == sbVertical ? WM_VSCROLL : WM_HSCROLL, Message.WParam, 0);
  // The bar moved by its own step: it shows the grid's numbers again.
  FGrid->ExtScrollBarScrolled(FKind);
}
