#include "platform/ui/CheckLst.h"

#include <algorithm>

#include "platform/ui/ControlPaint.h"
#include "platform/ui/ListItems.h"

TCheckListBox::TCheckListBox(TComponent* AOwner) : TCustomListBox(AOwner) {}

TCheckBoxState TCheckListBox::GetState(Integer Index) const {
  return TCheckBoxState(static_cast<TListItems*>(GetItems())->At(Index).State);
}

void TCheckListBox::SetState(Integer Index, TCheckBoxState Value) {
  static_cast<TListItems*>(GetItems())->At(Index).State = Value;
  if (HandleAllocated()) {
    TRect r = ItemRect(Index);
    InvalidateRect(FHandle, &r, false);
  }
}

bool TCheckListBox::GetItemEnabled(Integer Index) const {
  return static_cast<TListItems*>(GetItems())->At(Index).Enabled;
}

void TCheckListBox::SetItemEnabled(Integer Index, bool Value) {
  static_cast<TListItems*>(GetItems())->At(Index).Enabled = Value;
  Invalidate();
}

void TCheckListBox::SetFlat(bool Value) {
  FFlat = Value;
  Invalidate();
}

void TCheckListBox::ClickCheck() {
  if (OnClickCheck) OnClickCheck(this);
}

void TCheckListBox::ToggleClickCheck(Integer Index) {
  if (Index < 0 || Index >= GetCount() || !GetItemEnabled(Index)) return;
  TCheckBoxState s = GetState(Index);
  switch (s) {
    case cbUnchecked: s = cbChecked; break;
    case cbChecked: s = FAllowGrayed ? cbGrayed : cbUnchecked; break;
    case cbGrayed: s = cbUnchecked; break;
  }
  SetState(Index, s);
  ClickCheck();
}

void TCheckListBox::ListMouseDown(TPoint P, bool Double) {
  TCustomListBox::ListMouseDown(P, Double);
  const Integer i = ItemAtPos(P, true);
  if (i >= 0 && P.X < CheckWidth()) ToggleClickCheck(i);
}

void TCheckListBox::DefaultHandler(TMessage& Message) {
  if (Message.Msg == WM_CHAR && Message.WParam == VK_SPACE) {
    ToggleClickCheck(FItemIndex);
    return;
  }
  TCustomListBox::DefaultHandler(Message);
}

void TCheckListBox::DrawItem(Integer Index, TRect Rect, TOwnerDrawState State) {
  // The box sits on the list's own colour; only the text shows the selection.
  HDC dc = FCanvas->GetHandle();
  TRect boxArea(Rect.Left, Rect.Top, Rect.Left + CheckWidth(), Rect.Bottom);
  FillWith(dc, boxArea, FColor);
  const Integer size = 13;
  TRect box = Bounds(Rect.Left + 1, Rect.Top + (Rect.Height() - size) / 2, size, size);
  UINT st = DFCS_BUTTONCHECK;
  const TCheckBoxState s = GetState(Index);
  if (s != cbUnchecked) st |= DFCS_CHECKED;
  if (s == cbGrayed) st |= DFCS_BUTTON3STATE;
  if (FFlat) st |= DFCS_FLAT;
  if (!GetEnabled() || !GetItemEnabled(Index)) st |= DFCS_INACTIVE;
  DrawFrameControl(dc, box, DFC_BUTTON, st);
  TCustomListBox::DrawItem(Index, TRect(Rect.Left + CheckWidth(), Rect.Top, Rect.Right, Rect.Bottom), State);
}
