#include "platform/ui/ScrollBarCtrl.h"

#include <algorithm>

TScrollBar::TScrollBar(TComponent* AOwner) : TWinControl(AOwner) {
  FControlStyle = TControlStyle{csFramed, csDoubleClicks, csOpaque};
  FTabStop = true;
  SetBounds(0, 0, 121, GetSystemMetrics(SM_CYHSCROLL));
}

void TScrollBar::SetKind(TScrollBarKind Value) {
  if (FKind == Value) return;
  FKind = Value;
  // A bar keeps its thickness across the turn.
  SetBounds(FLeft, FTop, FHeight, FWidth);
  if (FHandle) RecreateWnd();
}

void TScrollBar::SetPageSize(Integer Value) {
  Value = std::max(0, Value);
  if (FPageSize == Value) return;
  FPageSize = Value;
  SetParams(FPosition, FMin, FMax);
  UpdateBar();
}

Integer TScrollBar::LastPosition() const { return std::max(FMin, FMax - std::max(FPageSize - 1, 0)); }

void TScrollBar::SetParams(Integer APosition, Integer AMin, Integer AMax) {
  AMax = std::max(AMin, AMax);
  const bool rangeChanged = AMin != FMin || AMax != FMax;
  FMin = AMin;
  FMax = AMax;
  APosition = std::clamp(APosition, FMin, LastPosition());
  const bool moved = APosition != FPosition;
  FPosition = APosition;
  if (rangeChanged || moved) UpdateBar();
  if (moved) Change();
}

void TScrollBar::CreateParams(TCreateParams& Params) {
  TWinControl::CreateParams(Params);
  Params.Style |= FKind == sbVertical ? WS_VSCROLL : WS_HSCROLL;
  Params.WindowClass.Background = clBtnFace;
}

void TScrollBar::CreateWnd() {
  TWinControl::CreateWnd();
  UpdateBar();
}

void TScrollBar::UpdateBar() {
  if (!FHandle) return;
  TScrollInfo si;
  si.fMask = SIF_ALL | SIF_DISABLENOSCROLL;
  si.nMin = FMin;
  si.nMax = FMax;
  si.nPage = UINT(FPageSize);
  si.nPos = FPosition;
  SetScrollInfo(FHandle, Bar(), si, true);
}

void TScrollBar::Scroll(TScrollCode ScrollCode, Integer& ScrollPos) {
  if (OnScroll) OnScroll(this, ScrollCode, ScrollPos);
}

void TScrollBar::Change() {
  if (OnChange) OnChange(this);
}

void TScrollBar::DoScroll(WPARAM Request) {
  const Integer code = Integer(LoWord(Request));
  if (code < scLineUp || code > scEndScroll) return;
  Integer pos =
      std::clamp(ScrollRequestPos(FHandle, Bar(), Request, FPosition, FSmallChange, FLargeChange, FMin, LastPosition()),
                 FMin, LastPosition());
  Scroll(TScrollCode(code), pos);
  SetPosition(pos);
}

void TScrollBar::Dispatch(TMessage& Message) {
  // The window's own bar reports to the window itself (no LParam).
  const bool own = Message.LParam == 0 && ((Message.Msg == WM_VSCROLL && FKind == sbVertical) ||
                                           (Message.Msg == WM_HSCROLL && FKind == sbHorizontal));
  if (own) {
    DoScroll(Message.WParam);
    Message.Result = 0;
    return;
  }
  TWinControl::Dispatch(Message);
}
