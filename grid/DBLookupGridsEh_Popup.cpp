// TPopupDataGridEh: the lookup grid as a drop-down window.
//
// It is a top-level popup owned by its host's window: it is never activated and
// never takes the focus, so the host keeps the keys and passes on those the list
// wants. Without a button held the row under the mouse is chosen as the mouse
// passes; a release tells the host through OnMouseCloseUp whether it chose a row
// (inside, on a row) or should close without choosing (outside). A size grip sits
// in the corner away from the host.

#include <algorithm>

#include "grid/DBLookupGridsEh.h"
#include "grid/ScopeGuardEh.h"

TPopupDataGridEh::TPopupDataGridEh(TComponent* AOwner) : TDBLookupGridEh(AOwner) {
  FControlStyle.Include(csNoDesignVisible);
  FControlStyle.Include(csReplicatable);
  SetAcquireFocusSwitch(false);
  SetBorderStyle(bsNone);
  FSizeGrip = std::make_unique<TSizeGripEh>(nullptr);
  FSizeGrip->SetParent(this);
  FSizeGrip->SetVisible(true);
  SetShowHint(true);
}

TPopupDataGridEh::~TPopupDataGridEh() {
  if (FSizeGrip) FSizeGrip->SetParent(nullptr);
}

HWND TPopupDataGridEh::OwnerWindow() {
  TWinControl* Host = GetParent() ? GetParent() : dynamic_cast<TWinControl*>(GetOwner());
  if (Host && Host->HandleAllocated()) return GetAncestorTop(Host->GetHandle());
  return nullptr;
}

void TPopupDataGridEh::CreateParams(TCreateParams& Params) {
  TDBLookupGridEh::CreateParams(Params);
  Params.Style = (Params.Style & ~(WS_CHILD | WS_BORDER | WS_TABSTOP)) | WS_POPUP | WS_CLIPCHILDREN;
  if (!GetCtl3D()) Params.Style |= WS_BORDER;
  Params.ExStyle = (Params.ExStyle & ~WS_EX_CLIENTEDGE) | WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE;
  Params.WindowClass.style |= CS_SAVEBITS | CS_HREDRAW;
  Params.WndParent = OwnerWindow();
}

void TPopupDataGridEh::CreateWnd() {
  TDBLookupGridEh::CreateWnd();
  FSizeGrip->UpdatePosition();
}

void TPopupDataGridEh::SetBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight) {
  TDBLookupGridEh::SetBounds(ALeft, ATop, std::max(AWidth, GetSystemMetrics(SM_CXVSCROLL)),
                             std::max(AHeight, GetSystemMetrics(SM_CYVSCROLL)));
  if (FSizeGrip) FSizeGrip->UpdatePosition();
}

void TPopupDataGridEh::PaintNonClientArea() {
  if (!GetCtl3D()) return TDBLookupGridEh::PaintNonClientArea();
  if (!HandleAllocated()) return;
  HWND Wnd = GetHandle();
  HDC DC = GetWindowDC(Wnd);
  if (!DC) return;
  TScopeExitEh Release([&] { ReleaseDC(Wnd, DC); });
  const TRect Window = GetWindowRect(Wnd);
  TRect R(0, 0, Window.Width(), Window.Height());
  DrawEdge(DC, R, BDR_RAISEDOUTER, BF_RECT);
}

void TPopupDataGridEh::KeyValueChanged() {
  TDBLookupGridEh::KeyValueChanged();
  if (OnUserKeyValueChange && FUserAction) OnUserKeyValueChange(this);
}

void TPopupDataGridEh::SpecRowChanged(TObject* Sender) {
  TDBLookupGridEh::SpecRowChanged(Sender);
  if (OnSpecRowChanged) OnSpecRowChanged(this);
}

void TPopupDataGridEh::KeyDown(Word& Key, TShiftState Shift) {
  TTemporaryChangeEh<bool> Acting(FUserAction, true);
  // The host hands its Enter and Esc on to close the list through it.
  if ((Key == VK_RETURN || Key == VK_ESCAPE) && Shift.Empty())
    if (IPopupOwnerEh* Owner = PopupOwnerOfEh(this)) {
      const bool Accept = Key == VK_RETURN;
      Key = 0;
      Owner->CloseUp(Accept);
      return;
    }
  TDBLookupGridEh::KeyDown(Key, Shift);
}

void TPopupDataGridEh::KeyPress(Char& Key) {
  TTemporaryChangeEh<bool> Acting(FUserAction, true);
  TDBLookupGridEh::KeyPress(Key);
}

void TPopupDataGridEh::MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  TTemporaryChangeEh<bool> Acting(FUserAction, true);
  FPressedInside = true;
  TDBLookupGridEh::MouseDown(Button, Shift, X, Y);
  // A press on a title or a sizing line is the grid's own: its release chooses nothing.
  if (!IsDataOrSpecRowPoint(X, Y) || GetGridState() != gsNormal || GetMouseTrackState() != gmtsNoneEh)
    FPressedInside = false;
}

void TPopupDataGridEh::MouseMove(TShiftState Shift, Integer X, Integer Y) {
  TTemporaryChangeEh<bool> Acting(FUserAction, true);
  const bool ButtonHeld = Shift.Contains(ssLeft) || Shift.Contains(ssRight) || Shift.Contains(ssMiddle);
  if (!ButtonHeld && !GetKeyDataLink()->GetReadOnly() && CanModifyKey() && IsDataOrSpecRowPoint(X, Y))
    SelectRowAt(X, Y);
  TDBLookupGridEh::MouseMove(Shift, X, Y);
}

void TPopupDataGridEh::MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  TTemporaryChangeEh<bool> Acting(FUserAction, true);
  const bool Normal = GetGridState() == gsNormal && GetMouseTrackState() == gmtsNoneEh;
  TDBLookupGridEh::MouseUp(Button, Shift, X, Y);
  if (!Normal || !FPressedInside) return;
  FPressedInside = false;
  if (GetClientRect().Contains(TPoint(X, Y))) {
    const TGridCoord Cell = MouseCoord(X, Y);
    const bool OnData = Cell.X >= 0 && Cell.Y >= GetTitleRowCount() && Cell.Y < GetRowCount() &&
                        Cell.Y - GetTitleRowCount() < VisibleDataRowCount();
    const bool OnSpecRow = Cell.Y >= 0 && Cell.Y == SpecRowGridRow();
    if ((OnData || OnSpecRow) && OnMouseCloseUp) OnMouseCloseUp(this, true);
  } else if (OnMouseCloseUp) {
    OnMouseCloseUp(this, false);
  }
}

void TPopupDataGridEh::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_MOUSEACTIVATE: Message.Result = MA_NOACTIVATE; return;
    case WM_ERASEBKGND: Message.Result = 1; return;
    case WM_NCCALCSIZE:
      TDBLookupGridEh::Dispatch(Message);
      if (Message.LParam && GetCtl3D()) {
        TRect& R = reinterpret_cast<TNCCalcSizeParams*>(Message.LParam)->rgrc[0];
        InflateRect(R, -1, -1);
        R.Right = std::max(R.Right, R.Left);
        R.Bottom = std::max(R.Bottom, R.Top);
      }
      return;
    case WM_WINDOWPOSCHANGING:
      if (auto* Pos = reinterpret_cast<TWindowPos*>(Message.LParam); Pos && !(Pos->flags & SWP_NOSIZE)) {
        Pos->cx = std::max(Pos->cx, GetSystemMetrics(SM_CXVSCROLL));
        Pos->cy = std::max(Pos->cy, GetSystemMetrics(SM_CYVSCROLL));
      }
      TDBLookupGridEh::Dispatch(Message);
      return;
    case WM_WINDOWPOSCHANGED:
      // Hosts show and hide the popup through its window: Visible follows it.
      if (auto* Pos = reinterpret_cast<const TWindowPos*>(Message.LParam)) {
        if (Pos->flags & SWP_SHOWWINDOW) FVisible = true;
        if (Pos->flags & SWP_HIDEWINDOW) FVisible = false;
      }
      TDBLookupGridEh::Dispatch(Message);
      return;
    case WM_SIZE:
      TDBLookupGridEh::Dispatch(Message);
      FSizeGrip->UpdatePosition();
      return;
    case WM_DROPDOWNPLACED: FSizeGrip->ChangePosition(TSizeGripChangePosition(Message.WParam)); return;
    case WM_CLOSEUPNOACCEPT:
      if (IPopupOwnerEh* Owner = PopupOwnerOfEh(this)) Owner->CloseUp(false);
      return;
    default: TDBLookupGridEh::Dispatch(Message);
  }
}
