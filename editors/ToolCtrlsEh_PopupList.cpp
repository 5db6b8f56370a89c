// The popup list box of the editors and the grid, its item behaviour objects, and
// the image drawing it shares with the editors.
//
// Index of this file:
//   items        TPopupListboxItemEh and the shared default item
//   images       DrawImageCenteredEh
//   list         construction, geometry (whole rows), the popup window
//   painting     PaintItems -> DrawItem -> the item's DrawItem or DefaultDrawItem
//   input        mouse (close-up flag, hot item), keys (incremental search), wheel
//   messages     Dispatch: one line per message, handled by the routines above
//
// Call flow of a paint: PaintItems works out each item's state (an item whose
// object cannot focus loses the focused bit), sets the canvas colours, clips to the
// item and calls DrawItem; DrawItem hands the item to its behaviour object, whose
// base DrawItem comes back to DefaultDrawItem. The focus rectangle is drawn last,
// over the text part only when the list shows images.

#include <algorithm>

#include "editors/DaVirVCL.h"
#include "editors/ToolCtrlsEh.h"
#include "platform/ui/ControlPaint.h"
#include "platform/ui/ImgList.h"
#include "platform/ui/Timers.h"

namespace {

// Typed characters older than this start a new incremental search.
constexpr DWORD IncrementalSearchResetMs = 2000;
constexpr size_t MaxSearchTextLength = 32;

}  // namespace

// ---- items --------------------------------------------------------------------------------------------

bool TPopupListboxItemEh::CanFocus(TPopupListboxEh*, Integer) { return true; }

void TPopupListboxItemEh::DrawItem(TPopupListboxEh* Sender, Integer ItemIndex, TRect ARect, TOwnerDrawState State) {
  Sender->DefaultDrawItem(ItemIndex, ARect, State);
}

void TPopupListboxItemEh::MouseDown(TPopupListboxEh*, Integer, TPoint, TMouseButton, TShiftState) {}

void TPopupListboxItemEh::MouseMove(TPopupListboxEh*, Integer, TPoint, TShiftState) {}

void TPopupListboxItemEh::MouseUp(TPopupListboxEh* Sender, Integer ItemIndex, TPoint, TMouseButton, TShiftState,
                                  bool& IsCloseListbox) {
  IsCloseListbox = CloseOnExecute(Sender, ItemIndex);
}

void TPopupListboxItemEh::KeyPress(TPopupListboxEh*, Integer, Char&, TShiftState, bool&) {}

bool TPopupListboxItemEh::CloseOnExecute(TPopupListboxEh*, Integer) { return true; }

void TPopupListboxItemEh::Execute(TPopupListboxEh*, Integer, TPoint, TShiftState) {}

TPopupListboxItemEh* DefaultPopupListboxItemEh() {
  static TPopupListboxItemEh item;
  return &item;
}

IPopupOwnerEh* PopupOwnerOfEh(const TComponent* Popup) {
  return Popup ? dynamic_cast<IPopupOwnerEh*>(Popup->GetOwner()) : nullptr;
}

// ---- images -------------------------------------------------------------------------------------------

void DrawImageCenteredEh(TCanvas* Canvas, const TRect& ARect, TCustomImageList* Images, Integer ImageIndex,
                         bool Selected) {
  if (!Canvas || !Images || ImageIndex < 0 || ImageIndex >= Images->GetCount()) return;
  UINT style = ILD_NORMAL;
  switch (Images->GetDrawingStyle()) {
    case dsFocus: style = ILD_FOCUS; break;
    case dsSelected: style = ILD_SELECTED; break;
    case dsTransparent: style = ILD_TRANSPARENT; break;
    case dsNormal: break;
  }
  if (Images->GetImageType() == itMask) style |= ILD_MASK;
  if (Selected) style |= ILD_SELECTED;
  const Integer x = (ARect.Left + ARect.Right - Images->GetWidth()) / 2;
  const Integer y = (ARect.Top + ARect.Bottom - Images->GetHeight()) / 2;
  HDC dc = Canvas->GetHandle();
  const Integer saved = SaveDC(dc);
  IntersectClipRect(dc, ARect.Left, ARect.Top, ARect.Right, ARect.Bottom);
  Images->DrawEx(ImageIndex, dc, x, y, 0, 0, Images->GetBkColor(), Selected ? clHighlight : clNone, style);
  RestoreDC(dc, saved);
  // The canvas selects its tools again after the context was restored under it.
  Canvas->SetHandle(nullptr);
  Canvas->SetHandle(dc);
}

// ---- list ---------------------------------------------------------------------------------------------

TPopupListboxEh::TPopupListboxEh(TComponent* AOwner) : TCustomListBox(AOwner) {
  FStyle = lbOwnerDrawFixed;
  FTabStop = false;
  FVisible = false;
  // The owner shows the grip when the list may be resized.
  FSizeGrip = std::make_unique<TSizeGripEh>(nullptr);
  FSizeGrip->SetTriangle(true);
  FSizeGrip->SetVisible(false);
  FSizeGrip->SetParent(this);
  SetBounds(FLeft, FTop, FWidth, FHeight);
}

TPopupListboxEh::~TPopupListboxEh() {
  if (FSizeGrip) FSizeGrip->SetParent(nullptr);
}

Integer TPopupListboxEh::GetTextHeight() const { return std::max<Integer>(1, FontTextHeight(GetFont())); }

Integer TPopupListboxEh::GetBorderHeight() {
  TCreateParams params;
  CreateParams(params);
  TRect r(0, 0, 0, 0);
  AdjustWindowRectEx(r, params.Style, false, params.ExStyle);
  return r.Height() + 2 * GetBorderMargin();
}

void TPopupListboxEh::SetBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight) {
  const Integer border = GetBorderHeight();
  const Integer itemHeight = std::max<Integer>(1, GetItemHeight());
  FRowCount = std::max<Integer>(1, (AHeight - border) / itemHeight);
  TCustomListBox::SetBounds(ALeft, ATop, AWidth, border + FRowCount * itemHeight);
  // The window may have refused the size (never below an arrow's): take what it has.
  UpdateBounds();
}

void TPopupListboxEh::SetRowCount(Integer Value) {
  SetBounds(FLeft, FTop, FWidth,
            std::max<Integer>(1, GetItemHeight()) * std::max<Integer>(Value, 1) + GetBorderHeight());
}

void TPopupListboxEh::SetItemsStrings(TStrings* Value) {
  FItemsStrings = Value;
  if (Value) {
    SetStyle(lbVirtualOwnerDraw);
    SetCount(Value->GetCount());
  } else {
    SetStyle(lbOwnerDrawFixed);
  }
}

void TPopupListboxEh::SetImageList(TCustomImageList* Value) {
  if (FImageList == Value) return;
  FImageList = Value;
  Invalidate();
}

void TPopupListboxEh::InvalidateItem(Integer Index) {
  if (!FHandle || Index < 0 || Index >= GetCount()) return;
  const TRect r = ItemRect(Index);
  InvalidateRect(FHandle, &r, false);
}

void TPopupListboxEh::GetItemText(Integer Index, String& Text) {
  if (FItemsStrings && Index >= 0 && Index < FItemsStrings->GetCount()) Text = FItemsStrings->Get(Index);
}

void TPopupListboxEh::GetItemObject(Integer Index, TObject*& Object) {
  if (FItemsStrings && Index >= 0 && Index < FItemsStrings->GetCount()) Object = FItemsStrings->GetObject(Index);
}

String TPopupListboxEh::DoGetData(Integer Index) const {
  String text;
  const_cast<TPopupListboxEh*>(this)->GetItemText(Index, text);
  return text;
}

TObject* TPopupListboxEh::DoGetDataObject(Integer Index) const {
  TObject* object = nullptr;
  const_cast<TPopupListboxEh*>(this)->GetItemObject(Index, object);
  return object;
}

TPopupListboxItemEh* TPopupListboxEh::ItemBehaviour(Integer Index) const {
  if (!FUseItemObjects || Index < 0 || Index >= GetCount()) return nullptr;
  return dynamic_cast<TPopupListboxItemEh*>(TCustomListBox::GetItemObject(Index));
}

HWND TPopupListboxEh::OwnerWindow() {
  TWinControl* host = FParent ? FParent : dynamic_cast<TWinControl*>(GetOwner());
  if (host && host->HandleAllocated()) return GetAncestorTop(host->GetHandle());
  return FParentWindow ? GetAncestorTop(FParentWindow) : nullptr;
}

void TPopupListboxEh::CreateParams(TCreateParams& Params) {
  TCustomListBox::CreateParams(Params);
  // A top-level popup owned by its host's window: never activated, never bordered
  // by a client edge; the 3-D look draws its border inside (DrawBorder).
  Params.Style = (Params.Style & ~(WS_CHILD | WS_BORDER | WS_TABSTOP)) | WS_POPUP | WS_CLIPCHILDREN;
  if (!GetCtl3D()) Params.Style |= WS_BORDER;
  Params.ExStyle = (Params.ExStyle & ~WS_EX_CLIENTEDGE) | WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE;
  Params.WindowClass.style |= CS_SAVEBITS;
  Params.WndParent = OwnerWindow();
}

void TPopupListboxEh::CreateWnd() {
  TCustomListBox::CreateWnd();
  FSizeGrip->UpdatePosition();
}

Integer TPopupListboxEh::ImageAreaWidth() const { return FImageList ? FImageList->GetWidth() + 4 : 0; }

// ---- painting -------------------------------------------------------------------------------------------

void TPopupListboxEh::PaintItems(HDC DC) {
  const TRect client = ::GetClientRect(FHandle);
  FillWith(DC, client, FColor);
  FCanvas->SetHandle(DC);
  for (Integer i = FTopIndex; i < GetCount(); ++i) {
    const TRect r = ItemRect(i);
    if (r.Top >= client.Bottom) break;
    // The list paints as the focused window it believes it is: the owner keeps
    // the real focus.
    TOwnerDrawState state;
    if (i == FItemIndex) state = state + odSelected + odFocused;
    if (!GetEnabled()) state.Include(odDisabled);
    if (TPopupListboxItemEh* item = ItemBehaviour(i); item && !item->CanFocus(this, i)) state.Exclude(odFocused);
    FCanvas->SetFont(GetFont());
    FCanvas->GetBrush()->SetStyle(bsSolid);
    if (state.Contains(odSelected)) {
      FCanvas->GetBrush()->SetColor(clHighlight);
      FCanvas->GetFont()->SetColor(clHighlightText);
    } else {
      FCanvas->GetBrush()->SetColor(FColor);
      if (state.Contains(odDisabled)) FCanvas->GetFont()->SetColor(clGrayText);
    }
    const Integer saved = SaveDC(DC);
    IntersectClipRect(DC, r.Left, r.Top, r.Right, r.Bottom);
    DrawItem(i, r, state);
    RestoreDC(DC, saved);
    // Restoring the context took the canvas's tools out of it.
    FCanvas->SetHandle(nullptr);
    FCanvas->SetHandle(DC);
    if (state.Contains(odFocused)) {
      TRect focus = r;
      if (FImageList) {
        if (UseRightToLeftReading()) focus.Right -= ImageAreaWidth();
        else focus.Left += ImageAreaWidth();
      }
      DrawFocusRect(DC, focus);
    }
  }
  FCanvas->SetHandle(nullptr);
}

void TPopupListboxEh::DrawItem(Integer Index, TRect Rect, TOwnerDrawState State) {
  if (TPopupListboxItemEh* item = ItemBehaviour(Index)) item->DrawItem(this, Index, Rect, State);
  else DefaultDrawItem(Index, Rect, State);
}

void TPopupListboxEh::DefaultDrawItem(Integer Index, TRect Rect, TOwnerDrawState State) {
  if (!FImageList) {
    TCustomListBox::DrawItem(Index, Rect, State);
    return;
  }
  const Integer area = ImageAreaWidth();
  const bool rtl = UseRightToLeftReading();
  const TRect client = GetClientRect();
  const TRect imageRect =
      rtl ? TRect(client.Right - area, Rect.Top, client.Right, Rect.Bottom) : TRect(0, Rect.Top, area, Rect.Bottom);
  TRect textRect = Rect;
  if (rtl) textRect.Right -= area;
  else textRect.Left += area;
  Integer imageIndex = Index;
  if (OnGetImageIndex) OnGetImageIndex(GetOwner(), Index, imageIndex);
  DrawImageCenteredEh(FCanvas.get(), imageRect, FImageList, imageIndex, State.Contains(odSelected));
  HDC dc = FCanvas->GetHandle();
  if (Index >= GetCount()) {
    FCanvas->FillRect(textRect);
    return;
  }
  const String text = GetItemText(Index);
  const Integer x = rtl ? textRect.Right - FCanvas->TextWidth(text) - 2 : FImageList->GetWidth() + 5;
  SetBkColor(dc, COLORREF(ColorToRGB(FCanvas->GetBrush()->GetColor())));
  ExtTextOutEh(dc, x, Rect.Top, ETO_OPAQUE | ETO_CLIPPED, &textRect, text, -1);
}

void TPopupListboxEh::DrawBorder() {
  if (!FHandle || GetBorderMargin() == 0) return;
  // Around the whole window: the scroll bar, when shown, lies inside the border.
  HDC dc = GetWindowDC(FHandle);
  const TRect w = ::GetWindowRect(FHandle);
  TRect r(0, 0, w.Width(), w.Height());
  DrawEdge(dc, r, BDR_RAISEDOUTER | BDR_RAISEDINNER, BF_RECT);
  ReleaseDC(FHandle, dc);
}

// ---- input -----------------------------------------------------------------------------------------------

void TPopupListboxEh::SetHotItem(Integer Index) {
  if (Index == FHotItemIndex) return;
  InvalidateItem(FHotItemIndex);
  FHotItemIndex = Index;
  InvalidateItem(FHotItemIndex);
}

void TPopupListboxEh::MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  FMouseCloseUp = true;
  TCustomListBox::MouseDown(Button, Shift, X, Y);
  const Integer index = ItemAtPos(TPoint(X, Y), true);
  if (TPopupListboxItemEh* item = ItemBehaviour(index)) item->MouseDown(this, index, TPoint(X, Y), Button, Shift);
}

void TPopupListboxEh::MouseMove(TShiftState Shift, Integer X, Integer Y) {
  TCustomListBox::MouseMove(Shift, X, Y);
  const TPoint p(X, Y);
  const bool buttonHeld = Shift.Contains(ssLeft) || Shift.Contains(ssRight) || Shift.Contains(ssMiddle);
  const Integer index = ItemAtPos(p, true);
  // A window shown under a still pointer hears a move too: only a real move selects.
  const bool moved = p != FLastMousePos;
  FLastMousePos = p;
  if (moved && !buttonHeld) {
    if (index >= 0) SetItemIndex(index);
    SetHotItem(index);
  }
  if (TPopupListboxItemEh* item = ItemBehaviour(index)) item->MouseMove(this, index, p, Shift);
}

void TPopupListboxEh::MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  FMouseCloseUp = true;
  const Integer index = ItemAtPos(TPoint(X, Y), true);
  if (TPopupListboxItemEh* item = ItemBehaviour(index))
    item->MouseUp(this, index, TPoint(X, Y), Button, Shift, FMouseCloseUp);
  TCustomListBox::MouseUp(Button, Shift, X, Y);
}

void TPopupListboxEh::KeyPress(Char& Key) {
  if (TPopupListboxItemEh* item = ItemBehaviour(FItemIndex)) {
    bool closeUp = false;  // the list does not read it back
    item->KeyPress(this, FItemIndex, Key, GetShiftStateEh(), closeUp);
  }
  TCustomListBox::KeyPress(Key);
  if (Key == VK_BACK || Key == VK_ESCAPE) {
    FSearchText.clear();
  } else if (Key >= 32) {
    const DWORD now = GetTickCount();
    if (now - FSearchTime > IncrementalSearchResetMs) FSearchText.clear();
    FSearchTime = now;
    if (FSearchText.size() < MaxSearchTextLength) FSearchText += Key;
    Perform(LB_SELECTSTRING, 65535, reinterpret_cast<LPARAM>(&FSearchText));
    Key = 0;
  }
}

bool TPopupListboxEh::DoMouseWheelDown(TShiftState Shift, TPoint MousePos) {
  if (TCustomListBox::DoMouseWheelDown(Shift, MousePos)) return true;
  if (GetCount() > 0) SetItemIndex(std::min(GetCount() - 1, FItemIndex + 1));
  return true;
}

bool TPopupListboxEh::DoMouseWheelUp(TShiftState Shift, TPoint MousePos) {
  if (TCustomListBox::DoMouseWheelUp(Shift, MousePos)) return true;
  if (GetCount() > 0) SetItemIndex(std::max(0, FItemIndex - 1));
  return true;
}

// ---- messages ---------------------------------------------------------------------------------------------

void TPopupListboxEh::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_MOUSEACTIVATE: Message.Result = MA_NOACTIVATE; return;
    case WM_NCCALCSIZE:
      TCustomListBox::Dispatch(Message);
      if (Message.LParam) {
        TRect& r = reinterpret_cast<TNCCalcSizeParams*>(Message.LParam)->rgrc[0];
        InflateRect(r, -GetBorderMargin(), -GetBorderMargin());
        r.Right = std::max(r.Right, r.Left);
        r.Bottom = std::max(r.Bottom, r.Top);
      }
      return;
    case WM_NCPAINT:
      TCustomListBox::Dispatch(Message);
      DrawBorder();
      return;
    case WM_WINDOWPOSCHANGING:
      // Never smaller than a scroll-bar arrow.
      if (auto* pos = reinterpret_cast<TWindowPos*>(Message.LParam); pos && !(pos->flags & SWP_NOSIZE)) {
        pos->cx = std::max(pos->cx, GetSystemMetrics(SM_CXVSCROLL));
        pos->cy = std::max(pos->cy, GetSystemMetrics(SM_CYVSCROLL));
      }
      TCustomListBox::Dispatch(Message);
      return;
    case WM_WINDOWPOSCHANGED:
      // Owners show and hide the popup through its window: Visible follows it.
      if (auto* pos = reinterpret_cast<const TWindowPos*>(Message.LParam)) {
        if (pos->flags & SWP_SHOWWINDOW) FVisible = true;
        if (pos->flags & SWP_HIDEWINDOW) FVisible = false;
      }
      TCustomListBox::Dispatch(Message);
      return;
    case WM_SIZE:
      TCustomListBox::Dispatch(Message);
      FSizeGrip->UpdatePosition();
      FSizeChanged = true;
      return;
    case WM_DROPDOWNPLACED: FSizeGrip->ChangePosition(TSizeGripChangePosition(Message.WParam)); return;
    case WM_CLOSEUPNOACCEPT:
      if (IPopupOwnerEh* owner = PopupOwnerOfEh(this)) owner->CloseUp(false);
      return;
    case CM_MOUSEENTER:
    case CM_MOUSELEAVE:
      InvalidateItem(FItemIndex);
      TCustomListBox::Dispatch(Message);
      return;
    default: TCustomListBox::Dispatch(Message);
  }
}
