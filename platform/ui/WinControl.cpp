// TWinControl: the window behind the control, children, alignment, focus and tab
// order, keys, and painting; TControlCanvas, TCustomControl and TGraphicControl.
// Its window messages are in WinControl_Messages.cpp.

#include <algorithm>

#include "platform/core/ScopeGuard.h"
#include "platform/ui/Controls.h"
#include "platform/ui/Forms.h"

// ---- Lookup ---------------------------------------------------------------------------------

TWinControl* FindControl(HWND Handle) { return dynamic_cast<TWinControl*>(FindWindowObject(Handle)); }

// ---- Life --------------------------------------------------------------------------------------

TWinControl::TWinControl(TComponent* AOwner) : TControl(AOwner), FBrush(std::make_unique<TBrush>()) {
  FBrush->SetColor(FColor);
}

TWinControl::~TWinControl() {
  if (Screen) Screen->ControlDestroying(this);
  // Docked controls that stay (they are deleted with us below unless they left) keep no link to us.
  for (TControl* client : FDockClients) client->FHostDockSite = nullptr;
  FDockClients.clear();
  // Leave the parent while we are still a windowed control, so it drops us from
  // its tab order and its form from its focus bookkeeping.
  if (FParent) FParent->RemoveControl(this);
  // Children still here (not owned by our owner) go with us, as windows do.
  while (!FControls.empty()) {
    TControl* c = FControls.back();
    RemoveControl(c);
    delete c;
  }
  if (FHandle) {
    // Nothing of ours may run while the window goes: the object is half gone.
    SetWindowProcedure(FHandle, [](HWND h, TMessage& m) { DefaultWindowProc(h, m); });
    HWND h = FHandle;
    FHandle = nullptr;
    DestroyWindow(h);
  }
}

HWND TWinControl::GetHandle() {
  HandleNeeded();
  return FHandle;
}

void TWinControl::HandleNeeded() {
  if (FHandle) return;
  if (FParent) FParent->HandleNeeded();
  if (!FHandle) CreateHandle();
}

HWND TWinControl::ParentHandle() {
  if (FParent) return FParent->GetHandle();
  return FParentWindow;
}

void TWinControl::SetParentWindow(HWND Value) {
  if (FParent || FParentWindow == Value) return;
  FParentWindow = Value;
  if (FHandle) {
    if (Value) ::SetParent(FHandle, Value);
    else DestroyHandle();
  }
}

void TWinControl::CreateParams(TCreateParams& Params) {
  Params = TCreateParams();
  if (FControlStyle.Contains(csSetCaption)) Params.Caption = FText;
  Params.Style = WS_CHILD | WS_CLIPSIBLINGS;
  if (FControlStyle.Contains(csAcceptsControls)) Params.Style |= WS_CLIPCHILDREN;
  if (FTabStop) Params.Style |= WS_TABSTOP;
  if (FVisible) Params.Style |= WS_VISIBLE;
  if (!FEnabled) Params.Style |= WS_DISABLED;
  Params.X = FLeft;
  Params.Y = FTop;
  Params.Width = FWidth;
  Params.Height = FHeight;
  Params.WndParent = FParent ? FParent->GetHandle() : FParentWindow;
  Params.WindowClass.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
  Params.WindowClass.Background = clNone;  // erased in WM_ERASEBKGND with the control's colour
  Params.WinClassName = ClassName();
  AddBiDiModeExStyle(Params.ExStyle);
}

void TWinControl::CreateWnd() {
  TCreateParams params;
  CreateParams(params);
  if ((params.Style & WS_CHILD) && !params.WndParent)
    throw EInvalidOperation(u"Control '" + GetName() + u"' has no parent window");
  CreateWindowHandle(params);
  if (!FHandle) throw EInvalidOperation(u"Error creating window");
}

void TWinControl::CreateWindowHandle(const TCreateParams& Params) {
  FCreatingHandle = true;
  FControlState.Include(csCreating);
  HWND h = CreateWindowFromParams(
      Params,
      [this](HWND Wnd, TMessage& m) {
        if (!FHandle) FHandle = Wnd;
        MainWndProc(m);
      },
      this);
  FControlState.Exclude(csCreating);
  FCreatingHandle = false;
  FHandle = h;
}

void TWinControl::CreateHandle() {
  if (FHandle) return;
  CreateWnd();
  CreateHandleChildren();
  if (FHandle) {
    UpdateBounds();
    Realign();
  }
}

void TWinControl::CreateHandleChildren() {
  for (TWinControl* c : std::vector<TWinControl*>(FTabList))
    if (!c->HandleAllocated()) c->CreateHandle();
  // Keep the windows' z-order the same as the controls'.
  for (TControl* c : FControls)
    if (auto* w = dynamic_cast<TWinControl*>(c); w && w->FHandle)
      SetWindowPos(w->FHandle, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TWinControl::DestroyWnd() { DestroyWindowHandle(); }

void TWinControl::DestroyWindowHandle() {
  HWND h = FHandle;
  if (!h) return;
  FControlState.Include(csDestroyingHandle);
  DestroyWindow(h);
  FControlState.Exclude(csDestroyingHandle);
  FHandle = nullptr;
}

void TWinControl::DestroyHandle() {
  if (!FHandle) return;
  FText = GetWindowText(FHandle);
  DestroyWnd();
}

void TWinControl::RecreateWnd() {
  if (!FHandle) return;
  // The focus, held here or by a control within (whose window goes too), comes
  // back to the same control.
  TWinControl* focused = FindControl(GetFocus());
  if (focused != this && !(focused && ContainsControl(focused))) focused = nullptr;
  // A shown top-level window (a form) was shown once, when it began showing; its
  // new window is shown here, as it stood.
  const bool shownTopLevel = !(GetWindowLong(FHandle, GWL_STYLE) & WS_CHILD) && IsWindowVisible(FHandle);
  const Integer show = IsZoomed(FHandle) ? SW_SHOWMAXIMIZED : IsIconic(FHandle) ? SW_SHOWMINIMIZED : SW_SHOW;
  DestroyHandle();
  HandleNeeded();
  if (shownTopLevel && !IsWindowVisible(FHandle)) ShowWindow(FHandle, show);
  if (focused && focused->CanFocus()) ::SetFocus(focused->GetHandle());
}

void TWinControl::MainWndProc(TMessage& Message) {
  try {
    TWndMethod proc = FWindowProc;
    proc(Message);
  } catch (...) {
    if (Application) Application->HandleException(this);
  }
}

// ---- Children -------------------------------------------------------------------------------------

void TWinControl::GetChildren(const TGetChildProc& Proc, TComponent* Root) {
  for (TControl* control : FControls)
    if (control->GetOwner() == Root) Proc(control);
}

void TWinControl::InsertControl(TControl* AControl) {
  AControl->FParent = this;
  FControls.push_back(AControl);
  auto* win = dynamic_cast<TWinControl*>(AControl);
  if (win) FTabList.push_back(win);
  if (AControl->FParentColor) AControl->Perform(CM_PARENTCOLORCHANGED);
  if (AControl->FParentFont) AControl->Perform(CM_PARENTFONTCHANGED);
  if (AControl->FParentShowHint) AControl->Perform(CM_PARENTSHOWHINTCHANGED);
  if (AControl->FParentBiDiMode) AControl->Perform(CM_PARENTBIDIMODECHANGED);
  if (win && FHandle) {
    if (win->FHandle) ::SetParent(win->FHandle, FHandle);
    else win->CreateHandle();
  }
  AControl->FAnchorsValid = false;
  AlignControl(AControl);
  AControl->Invalidate();
  Perform(CM_CONTROLCHANGE, reinterpret_cast<WPARAM>(AControl), 1);
}

void TWinControl::RemoveControl(TControl* AControl) {
  Perform(CM_CONTROLCHANGE, reinterpret_cast<WPARAM>(AControl), 0);
  if (auto* win = dynamic_cast<TWinControl*>(AControl)) {
    if (TCustomForm* form = GetParentForm(this)) form->DefocusControl(win, true);
    win->DestroyHandle();
    FTabList.erase(std::remove(FTabList.begin(), FTabList.end(), win), FTabList.end());
  } else if (FHandle) {
    AControl->InvalidateControl(AControl->GetVisible(), false);
  }
  if (FMouseControl == AControl) FMouseControl = nullptr;
  FControls.erase(std::remove(FControls.begin(), FControls.end(), AControl), FControls.end());
  AControl->FParent = nullptr;
  Realign();
}

bool TWinControl::ContainsControl(TControl* Control) const {
  for (TControl* c = Control; c; c = c->GetParent())
    if (c == this) return true;
  return false;
}

TControl* TWinControl::ControlAtPos(const TPoint& Pos, bool AllowDisabled, bool AllowWinControls) {
  for (auto it = FControls.rbegin(); it != FControls.rend(); ++it) {
    TControl* c = *it;
    if (!AllowWinControls && dynamic_cast<TWinControl*>(c)) continue;
    if (!c->GetVisible() || (!c->GetEnabled() && !AllowDisabled)) continue;
    if (c->GetBoundsRect().Contains(Pos)) return c;
  }
  return nullptr;
}

void TWinControl::Broadcast(TMessage& Message) {
  for (TControl* c : std::vector<TControl*>(FControls)) {
    c->FWindowProc(Message);
    if (Message.Result != 0) return;
  }
}

void TWinControl::NotifyControls(Cardinal Msg) {
  TMessage m{Msg, 0, 0, 0};
  for (TControl* c : std::vector<TControl*>(FControls)) c->FWindowProc(m);
}

// ---- Geometry ------------------------------------------------------------------------------------

void TWinControl::SetBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight) {
  if (AWidth < 0) AWidth = 0;
  if (AHeight < 0) AHeight = 0;
  if (!FHandle) {
    bool sized = AWidth != FWidth || AHeight != FHeight;
    TControl::SetBounds(ALeft, ATop, AWidth, AHeight);
    if (sized) Realign();
    return;
  }
  if (ALeft == FLeft && ATop == FTop && AWidth == FWidth && AHeight == FHeight) return;
  ChangeBounds(ALeft, ATop, AWidth, AHeight);
  FAnchorsValid = false;
  RequestAlign();
}

void TWinControl::ChangeBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight) {
  TControl::ChangeBounds(ALeft, ATop, AWidth, AHeight);
  // WM_SIZE comes back and realigns the children and raises OnResize.
  if (FHandle) SetWindowPos(FHandle, nullptr, ALeft, ATop, AWidth, AHeight, SWP_NOZORDER | SWP_NOACTIVATE);
}

void TWinControl::UpdateBounds() {
  if (!FHandle) return;
  TRect r = ::GetWindowRect(FHandle);
  if (GetWindowStyle(FHandle) & WS_CHILD) {
    HWND parent = ::GetParent(FHandle);
    if (parent) MapWindowPoints(nullptr, parent, r);
  }
  FLeft = r.Left;
  FTop = r.Top;
  FWidth = r.Width();
  FHeight = r.Height();
}

TRect TWinControl::GetClientRect() const {
  if (FHandle) return ::GetClientRect(FHandle);
  return TControl::GetClientRect();
}

TPoint TWinControl::GetClientOrigin() const {
  if (FHandle) {
    TPoint p(0, 0);
    ::ClientToScreen(FHandle, p);
    return p;
  }
  return TControl::GetClientOrigin();
}

void TWinControl::SetZOrder(bool TopMost) {
  TControl::SetZOrder(TopMost);
  if (FHandle)
    SetWindowPos(FHandle, TopMost ? HWND_TOP : HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

bool TWinControl::GetShowing() const {
  if (!FVisible) return false;
  if (FParent) return FParent->GetShowing();
  return FParentWindow && IsWindowVisible(FParentWindow);
}

void TWinControl::UpdateShowing() {
  if (FVisible && !FHandle && FParent && FParent->HandleAllocated()) CreateHandle();
  if (!FHandle) return;
  ShowWindow(FHandle, FVisible ? SW_SHOWNA : SW_HIDE);
  if (FVisible) Invalidate();
}

String TWinControl::GetTextValue() const { return FHandle ? GetWindowText(FHandle) : FText; }

void TWinControl::SetTextValue(const String& Value) {
  FText = Value;
  if (FHandle) SetWindowText(FHandle, Value);
}

void TWinControl::SetCtl3D(bool Value) {
  if (FCtl3D == Value) return;
  FCtl3D = Value;
  FParentCtl3D = false;
  Perform(CM_CTL3DCHANGED);
}

void TWinControl::SetParentCtl3D(bool Value) {
  FParentCtl3D = Value;
  if (Value && FParent && FParent->GetCtl3D() != FCtl3D) {
    FCtl3D = FParent->GetCtl3D();
    Perform(CM_CTL3DCHANGED);
  }
}

void TWinControl::SetBorderWidth(Integer Value) {
  if (Value < 0) Value = 0;
  if (FBorderWidth == Value) return;
  FBorderWidth = Value;
  if (FHandle)
    SetWindowPos(FHandle, nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  Realign();
}

void TWinControl::ChangeScale(Integer M, Integer D) {
  if (M == D || D == 0) return;
  DisableAlign();
  for (TControl* c : std::vector<TControl*>(FControls)) c->ChangeScale(M, D);
  TControl::ChangeScale(M, D);
  EnableAlign();
}

// ---- Alignment ---------------------------------------------------------------------------------------

void TWinControl::DisableAlign() { ++FAlignLevel; }

void TWinControl::EnableAlign() {
  if (FAlignLevel > 0 && --FAlignLevel == 0) Realign();
}

void TWinControl::Realign() { AlignControl(nullptr); }

void TWinControl::AdjustClientRect(TRect& Rect) { Rect = GetClientRect(); }

void TWinControl::AlignControl(TControl* AControl) {
  if (FAlignLevel > 0 || FAligning) {
    FControlState.Include(csAlignmentNeeded);
    return;
  }
  TRect r;
  {
    TTemporaryChange<bool> Aligning(FAligning, true);
    AdjustClientRect(r);
    AlignControls(AControl, r);
  }
  FControlState.Exclude(csAlignmentNeeded);
}

namespace {

Integer AlignKey(const TControl* c, TAlign a) {
  switch (a) {
    case alTop: return c->GetTop();
    case alBottom: return -(c->GetTop() + c->GetHeight());
    case alLeft: return c->GetLeft();
    case alRight: return -(c->GetLeft() + c->GetWidth());
    default: return 0;
  }
}

}  // namespace

void TWinControl::AlignControls(TControl* AControl, TRect& Rect) {
  TRect client = GetClientRect();
  // Anchored controls keep their distance to the right and bottom edges.
  for (TControl* c : FControls) {
    if (c->FAlign != alNone) continue;
    if (!c->FAnchorsValid) {
      c->FAnchorRight = client.Width() - (c->FLeft + c->FWidth);
      c->FAnchorBottom = client.Height() - (c->FTop + c->FHeight);
      c->FAnchorsValid = true;
      continue;
    }
    Integer l = c->FLeft, t = c->FTop, w = c->FWidth, h = c->FHeight;
    if (c->FAnchors.Contains(akRight)) {
      if (c->FAnchors.Contains(akLeft)) w = client.Width() - c->FAnchorRight - l;
      else l = client.Width() - c->FAnchorRight - w;
    }
    if (c->FAnchors.Contains(akBottom)) {
      if (c->FAnchors.Contains(akTop)) h = client.Height() - c->FAnchorBottom - t;
      else t = client.Height() - c->FAnchorBottom - h;
    }
    if (l != c->FLeft || t != c->FTop || w != c->FWidth || h != c->FHeight) {
      Integer keepR = c->FAnchorRight, keepB = c->FAnchorBottom;
      c->SetBounds(l, t, std::max(0, w), std::max(0, h));
      c->FAnchorRight = keepR;
      c->FAnchorBottom = keepB;
      c->FAnchorsValid = true;
    }
  }
  for (TAlign a : {alTop, alBottom, alLeft, alRight, alClient}) {
    std::vector<TControl*> list;
    for (TControl* c : FControls)
      if (c->FAlign == a && c->FVisible) list.push_back(c);
    // The control being aligned goes before others at the same place.
    std::stable_sort(list.begin(), list.end(), [&](TControl* x, TControl* y) {
      Integer kx = AlignKey(x, a), ky = AlignKey(y, a);
      if (kx != ky) return kx < ky;
      return x == AControl && y != AControl;
    });
    for (TControl* c : list) {
      Integer l = Rect.Left, t = Rect.Top, w = Rect.Width(), h = Rect.Height();
      switch (a) {
        case alTop:
          h = c->FHeight;
          Rect.Top += h;
          break;
        case alBottom:
          h = c->FHeight;
          t = Rect.Bottom - h;
          Rect.Bottom -= h;
          break;
        case alLeft:
          w = c->FWidth;
          Rect.Left += w;
          break;
        case alRight:
          w = c->FWidth;
          l = Rect.Right - w;
          Rect.Right -= w;
          break;
        default: break;
      }
      c->SetBounds(l, t, std::max(0, w), std::max(0, h));
    }
  }
}

// ---- Focus and tab order -------------------------------------------------------------------------------

void TWinControl::SetFocus() {
  if (TCustomForm* form = GetParentForm(this)) form->FocusControl(this);
  else ::SetFocus(GetHandle());
}

bool TWinControl::Focused() { return FHandle && ::GetFocus() == FHandle; }

bool TWinControl::CanFocus() {
  TCustomForm* form = GetParentForm(this);
  if (!form) return FVisible && FEnabled;
  for (TControl* c = this; c && c != form; c = c->GetParent())
    if (!c->GetVisible() || !c->GetEnabled()) return false;
  return true;
}

Integer TWinControl::GetTabOrder() const {
  if (!FParent) return -1;
  auto& l = FParent->FTabList;
  auto it = std::find(l.begin(), l.end(), this);
  return it == l.end() ? -1 : Integer(it - l.begin());
}

void TWinControl::SetTabOrder(Integer Value) {
  if (!FParent) return;
  auto& l = FParent->FTabList;
  auto it = std::find(l.begin(), l.end(), this);
  if (it == l.end()) return;
  l.erase(it);
  Value = std::clamp<Integer>(Value, 0, Integer(l.size()));
  l.insert(l.begin() + Value, this);
}

void TWinControl::SetTabStop(bool Value) {
  if (FTabStop == Value) return;
  FTabStop = Value;
  if (FHandle)
    SetWindowLong(FHandle, GWL_STYLE,
                  Integer(Value ? (GetWindowStyle(FHandle) | WS_TABSTOP) : (GetWindowStyle(FHandle) & ~WS_TABSTOP)));
  Perform(CM_TABSTOPCHANGED);
}

void TWinControl::GetTabOrderList(std::vector<TWinControl*>& List) {
  for (TWinControl* c : FTabList) {
    List.push_back(c);
    c->GetTabOrderList(List);
  }
}

TWinControl* TWinControl::FindNextControl(TWinControl* CurControl, bool GoForward, bool CheckTabStop,
                                          bool CheckParent) {
  std::vector<TWinControl*> list;
  GetTabOrderList(list);
  if (list.empty()) return nullptr;
  Integer n = Integer(list.size());
  auto found = std::find(list.begin(), list.end(), CurControl);
  Integer start = found == list.end() ? (GoForward ? n - 1 : 0) : Integer(found - list.begin());
  Integer i = start;
  do {
    i = GoForward ? (i + 1) % n : (i + n - 1) % n;
    TWinControl* c = list[size_t(i)];
    if (c->CanFocus() && (!CheckTabStop || c->GetTabStop()) && (!CheckParent || c->GetParent() == this)) return c;
  } while (i != start);
  return nullptr;
}

void TWinControl::SelectNext(TWinControl* CurControl, bool GoForward, bool CheckTabStop) {
  if (TWinControl* c = FindNextControl(CurControl, GoForward, CheckTabStop, !CheckTabStop)) c->SetFocus();
}

void TWinControl::DoEnter() {
  if (OnEnter) OnEnter(this);
}

void TWinControl::DoExit() {
  if (OnExit) OnExit(this);
}

void TWinControl::DoSetFocusFromWindow(TMessage& Message) { DefaultHandler(Message); }

// ---- Keys -------------------------------------------------------------------------------------------------

bool TWinControl::DoKeyDown(TMessage& Message) {
  TCustomForm* form = GetParentForm(this);
  if (form && form != this && form->GetKeyPreview() && form->DoKeyDown(Message)) return true;
  Word key = Word(Message.WParam);
  KeyDown(key, KeyDataToShiftState(Message.LParam));
  Message.WParam = key;
  return key == 0;
}

bool TWinControl::DoKeyUp(TMessage& Message) {
  TCustomForm* form = GetParentForm(this);
  if (form && form != this && form->GetKeyPreview() && form->DoKeyUp(Message)) return true;
  Word key = Word(Message.WParam);
  KeyUp(key, KeyDataToShiftState(Message.LParam));
  Message.WParam = key;
  return key == 0;
}

bool TWinControl::DoKeyPress(TMessage& Message) {
  TCustomForm* form = GetParentForm(this);
  if (form && form != this && form->GetKeyPreview() && form->DoKeyPress(Message)) return true;
  Char ch = Char(Message.WParam);
  KeyPress(ch);
  Message.WParam = ch;
  return ch == 0;
}

void TWinControl::KeyDown(Word& Key, TShiftState Shift) {
  if (OnKeyDown) OnKeyDown(this, Key, Shift);
}

void TWinControl::KeyUp(Word& Key, TShiftState Shift) {
  if (OnKeyUp) OnKeyUp(this, Key, Shift);
}

void TWinControl::KeyPress(Char& Key) {
  if (OnKeyPress) OnKeyPress(this, Key);
}

// ---- Painting ----------------------------------------------------------------------------------------------

void TWinControl::Invalidate() {
  if (FHandle) InvalidateRect(FHandle, nullptr, !FControlStyle.Contains(csOpaque));
}

void TWinControl::Repaint() {
  Invalidate();
  Update();
}

void TWinControl::Update() {
  if (FHandle) UpdateWindow(FHandle);
}

void TWinControl::PaintWindow(HDC DC) {
  TMessage m{WM_PAINT, reinterpret_cast<WPARAM>(DC), 0, 0};
  DefaultHandler(m);
}

void TWinControl::PaintHandler(TMessage& Message) {
  HDC dc = reinterpret_cast<HDC>(Message.WParam);
  TPaintStruct ps;
  bool own = !dc;
  if (own) dc = BeginPaint(FHandle, ps);
  if (dc) {
    Integer saved = SaveDC(dc);
    PaintWindow(dc);
    RestoreDC(dc, saved);
    PaintControls(dc, nullptr);
  }
  if (own) EndPaint(FHandle, ps);
}

void TWinControl::PaintControls(HDC DC, TControl* First) {
  auto it = FControls.begin();
  if (First) {
    it = std::find(FControls.begin(), FControls.end(), First);
    if (it == FControls.end()) it = FControls.begin();
  }
  for (; it != FControls.end(); ++it) {
    TControl* c = *it;
    if (dynamic_cast<TWinControl*>(c) || !c->GetVisible()) continue;
    if (!RectVisible(DC, c->GetBoundsRect())) continue;
    Integer saved = SaveDC(DC);
    OffsetViewportOrgEx(DC, c->GetLeft(), c->GetTop(), nullptr);
    IntersectClipRect(DC, 0, 0, c->GetWidth(), c->GetHeight());
    c->Perform(WM_PAINT, reinterpret_cast<WPARAM>(DC), 0);
    RestoreDC(DC, saved);
  }
}

// ---- TControlCanvas -------------------------------------------------------------------------------------------

TControlCanvas::~TControlCanvas() { FreeHandle(); }

void TControlCanvas::SetControl(TControl* Control) {
  if (FControl == Control) return;
  FreeHandle();
  FControl = Control;
}

void TControlCanvas::FreeHandle() {
  if (!FDeviceContext) return;
  if (FHandle == FDeviceContext) SetHandle(nullptr);
  ReleaseDC(FWindow, FDeviceContext);
  FDeviceContext = nullptr;
  FWindow = nullptr;
}

void TControlCanvas::CreateHandle() {
  if (!FControl) return;
  if (!FDeviceContext) {
    if (auto* w = dynamic_cast<TWinControl*>(FControl)) {
      FWindow = w->GetHandle();
      FDeviceContext = GetDC(FWindow);
    } else if (TWinControl* p = FControl->GetParent()) {
      FWindow = p->GetHandle();
      FDeviceContext = GetDC(FWindow);
      if (FDeviceContext) {
        SetViewportOrgEx(FDeviceContext, FControl->GetLeft(), FControl->GetTop(), nullptr);
        IntersectClipRect(FDeviceContext, 0, 0, FControl->GetWidth(), FControl->GetHeight());
      }
    }
  }
  SetHandle(FDeviceContext);
}

// ---- TCustomControl -------------------------------------------------------------------------------------------

TCustomControl::TCustomControl(TComponent* AOwner) : TWinControl(AOwner), FCanvas(std::make_unique<TControlCanvas>()) {
  FCanvas->SetControl(this);
}

TCustomControl::~TCustomControl() { FCanvas->FreeHandle(); }

void TCustomControl::Paint() {}

void TCustomControl::PaintWindow(HDC DC) {
  FCanvas->FreeHandle();
  FCanvas->SetHandle(DC);
  TScopeExit Release([&] { FCanvas->SetHandle(nullptr); });
  Paint();
}

void TCustomControl::Dispatch(TMessage& Message) {
  // A DC made for drawing outside a paint goes stale once the window changes.
  if (Message.Msg == WM_SIZE || Message.Msg == WM_MOVE || Message.Msg == WM_NCDESTROY) FCanvas->FreeHandle();
  TWinControl::Dispatch(Message);
}

// ---- TGraphicControl ------------------------------------------------------------------------------------------

TGraphicControl::TGraphicControl(TComponent* AOwner) : TControl(AOwner), FCanvas(std::make_unique<TControlCanvas>()) {
  FCanvas->SetControl(this);
}

TGraphicControl::~TGraphicControl() { FCanvas->FreeHandle(); }

void TGraphicControl::Paint() {}

void TGraphicControl::Dispatch(TMessage& Message) {
  if (Message.Msg == WM_PAINT && Message.WParam) {
    FCanvas->FreeHandle();
    FCanvas->SetHandle(reinterpret_cast<HDC>(Message.WParam));
    TScopeExit Release([&] { FCanvas->SetHandle(nullptr); });
    Paint();
    return;
  }
  TControl::Dispatch(Message);
}
