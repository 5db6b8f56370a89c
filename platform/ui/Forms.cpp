// Forms, the application object, the screen and message boxes.

#include "platform/ui/Forms.h"

#include <algorithm>
#include <cstdio>

#include "platform/ui/Display.h"
#include "platform/ui/DragDrop.h"
#include "platform/ui/Timers.h"

TApplication* Application = nullptr;
TScreen* Screen = nullptr;
TComponentClass HintWindowClass = nullptr;

namespace {

TMessageBoxHook& BoxHook() {
  static TMessageBoxHook hook;
  return hook;
}

// Bumped on every focus change, so a notification handler that moved the focus
// elsewhere is noticed by the code that sent the notification.
Integer FocusCount = 0;

bool SendFocusMessage(TControl* Control, Cardinal Msg) {
  Integer count = FocusCount;
  Control->Perform(Msg);
  return FocusCount == count;
}

const String SCannotFocus = u"Cannot focus a disabled or invisible window";
const String SCannotShowModal = u"Cannot make a visible window modal";

}  // namespace

void InitializeForms() {
  if (!Application) Application = new TApplication(nullptr);
  if (!Screen) Screen = new TScreen(nullptr);
}

void FinalizeForms() {
  delete Application;
  Application = nullptr;
  delete Screen;
  Screen = nullptr;
}

// ---- Message boxes ----------------------------------------------------------------------------

TMessageBoxHook SetMessageBoxHook(TMessageBoxHook Hook) {
  TMessageBoxHook old = std::move(BoxHook());
  BoxHook() = std::move(Hook);
  return old;
}

std::vector<Integer> MessageBoxButtons(UINT Flags) {
  switch (Flags & MB_TYPEMASK) {
    case MB_OKCANCEL: return {IDOK, IDCANCEL};
    case MB_ABORTRETRYIGNORE: return {IDABORT, IDRETRY, IDIGNORE};
    case MB_YESNOCANCEL: return {IDYES, IDNO, IDCANCEL};
    case MB_YESNO: return {IDYES, IDNO};
    case MB_RETRYCANCEL: return {IDRETRY, IDCANCEL};
    case MB_YESNOALL: return {IDYES, IDNO, IDALL};
    default: return {IDOK};
  }
}

Integer MessageBoxDefaultButton(UINT Flags) {
  auto buttons = MessageBoxButtons(Flags);
  size_t i = (Flags & MB_DEFBUTTON3) ? 2 : (Flags & MB_DEFBUTTON2) ? 1 : 0;
  return buttons[std::min(i, buttons.size() - 1)];
}

Integer MessageBox(HWND Owner, const String& Text, const String& Caption, UINT Flags) {
  // A modal loop begins: whoever holds the mouse lets go.
  if (HWND cap = GetCapture()) SendMessage(cap, WM_CANCELMODE);
  TMessageBoxRequest r{Owner, Text, Caption, Flags};
  if (BoxHook()) return BoxHook()(r);
  std::fprintf(stderr, "%s: %s\n", ToUtf8(Caption).c_str(), ToUtf8(Text).c_str());
  return MessageBoxDefaultButton(Flags);
}

// ---- TCustomForm -----------------------------------------------------------------------------------

TCustomForm::TCustomForm(TComponent* AOwner) : TCustomControl(AOwner) {
  FVisible = false;
  FColor = clBtnFace;
  FBrush->SetColor(FColor);
  FParentFont = false;
  FControlStyle = TControlStyle{csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks};
  FWidth = 320;
  FHeight = 240;
  Screen->AddForm(this);
}

TCustomForm::~TCustomForm() {
  if (OnDestroy) OnDestroy(this);
  // Our controls go while the form is still whole; they tell us as they leave.
  DestroyComponents();
  if (Screen) Screen->RemoveForm(this);
  if (Application && Application->GetMainForm() == this) Application->SetMainForm(nullptr);
}

void TCustomForm::DoCreate() {
  if (OnCreate) OnCreate(this);
}

namespace {

// The window styles a border style stands for.
void BorderStyleFlags(TFormBorderStyle BorderStyle, DWORD& Style, DWORD& ExStyle) {
  switch (BorderStyle) {
    case bsNone: Style |= WS_POPUP; break;
    case bsSingle: Style |= WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX; break;
    case bsSizeable: Style |= WS_OVERLAPPEDWINDOW; break;
    case bsDialog:
      Style |= WS_POPUP | WS_CAPTION | WS_SYSMENU;
      ExStyle |= WS_EX_DLGMODALFRAME;
      break;
    case bsToolWindow:
      Style |= WS_CAPTION | WS_SYSMENU;
      ExStyle |= WS_EX_TOOLWINDOW;
      break;
    case bsSizeToolWin:
      Style |= WS_CAPTION | WS_SYSMENU | WS_THICKFRAME;
      ExStyle |= WS_EX_TOOLWINDOW;
      break;
  }
}

}  // namespace

void TCustomForm::CreateParams(TCreateParams& Params) {
  TCustomControl::CreateParams(Params);
  Params.Style &= ~(WS_CHILD | WS_CLIPSIBLINGS | WS_VISIBLE | WS_TABSTOP);
  Params.Style |= WS_CLIPCHILDREN;
  Params.WndParent = nullptr;
  if (Application && Application->GetMainForm() && Application->GetMainForm() != this &&
      Application->GetMainForm()->HandleAllocated())
    Params.WndParent = Application->GetMainForm()->GetHandle();
  BorderStyleFlags(FBorderStyle, Params.Style, Params.ExStyle);
  if (FFormStyle == fsStayOnTop) Params.ExStyle |= WS_EX_TOPMOST;
  Params.WindowClass.style = CS_DBLCLKS;
  Params.Caption = FText;
}

TRect TCustomForm::GetClientRect() const {
  if (FHandle) return TCustomControl::GetClientRect();
  DWORD style = 0, exStyle = 0;
  BorderStyleFlags(FBorderStyle, style, exStyle);
  TRect frame(0, 0, 0, 0);
  AdjustWindowRectEx(frame, style, false, exStyle);
  const Integer w = std::max(0, FWidth - frame.Width() - 2 * FBorderWidth);
  const Integer h = std::max(0, FHeight - frame.Height() - 2 * FBorderWidth);
  return TRect(0, 0, w, h);
}

void TCustomForm::SetBorderStyle(TFormBorderStyle Value) {
  if (FBorderStyle == Value) return;
  FBorderStyle = Value;
  RecreateWnd();
}

void TCustomForm::SetFormStyle(TFormStyle Value) {
  if (FFormStyle == Value) return;
  FFormStyle = Value;
  if (FHandle)
    SetWindowPos(FHandle, Value == fsStayOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TCustomForm::SetWindowState(TWindowState Value) {
  FWindowState = Value;
  if (FHandle && GetVisible())
    ShowWindow(FHandle, Value == wsMaximized ? SW_SHOWMAXIMIZED : Value == wsMinimized ? SW_SHOWMINIMIZED : SW_RESTORE);
}

void TCustomForm::PlaceOnFirstShow() {
  if (FPlaced) return;
  FPlaced = true;
  TRect area = Screen->GetWorkAreaRect();
  TCustomForm* over = nullptr;
  if (FPosition == poMainFormCenter) over = Application->GetMainForm();
  if (FPosition == poOwnerFormCenter) over = dynamic_cast<TCustomForm*>(GetOwner());
  if (over == this) over = nullptr;
  switch (FPosition) {
    case poScreenCenter:
    case poDesktopCenter:
      SetBounds((Screen->GetWidth() - FWidth) / 2, (Screen->GetHeight() - FHeight) / 2, FWidth, FHeight);
      break;
    case poMainFormCenter:
    case poOwnerFormCenter:
      if (over) {
        TRect r = over->GetBoundsRect();
        SetBounds(r.Left + (r.Width() - FWidth) / 2, r.Top + (r.Height() - FHeight) / 2, FWidth, FHeight);
      } else {
        SetBounds(area.Left + (area.Width() - FWidth) / 2, area.Top + (area.Height() - FHeight) / 2, FWidth, FHeight);
      }
      break;
    default: break;
  }
}

void TCustomForm::SetActiveControl(TWinControl* Control) {
  if (FActiveControl == Control) return;
  if (Control && (Control == this || GetParentForm(Control) != this ||
                  (!GetComponentState().Contains(csLoading) && !Control->CanFocus())))
    throw EInvalidOperation(SCannotFocus);
  FActiveControl = Control;
  if (FActive && !GetComponentState().Contains(csLoading)) SetWindowFocus();
}

void TCustomForm::SetWindowFocus() {
  TWinControl* target = FActiveControl ? FActiveControl : this;
  ::SetFocus(target->GetHandle());
}

void TCustomForm::FocusControl(TWinControl* Control) {
  bool wasActive = FActive;
  SetActiveControl(Control);
  if (!wasActive) SetFocus();
}

void TCustomForm::SetFocus() {
  if (FActive) return;
  if (!GetVisible() || !GetEnabled()) throw EInvalidOperation(SCannotFocus);
  SetWindowFocus();
}

bool TCustomForm::SetFocusedControl(TWinControl* Control) {
  ++FocusCount;
  FActiveControl = Control != this ? Control : nullptr;
  Screen->SetActiveControl(Control);
  Screen->SetActiveForm(this);
  if (Control->GetControlState().Contains(csFocusing)) return false;
  Control->SetControlState(Control->GetControlState() + csFocusing);
  struct TClearFocusing {
    TWinControl* C;
    ~TClearFocusing() { C->SetControlState(C->GetControlState() - csFocusing); }
  } clear{Control};
  if (!FFocusedControl) FFocusedControl = this;
  if (FFocusedControl != Control) {
    // Leave every control up to the one that holds both, then enter down to the new one.
    while (FFocusedControl && !FFocusedControl->ContainsControl(Control)) {
      TWinControl* leaving = FFocusedControl;
      FFocusedControl = leaving->GetParent();
      if (!SendFocusMessage(leaving, CM_EXIT)) return false;
    }
    while (FFocusedControl != Control) {
      TWinControl* next = Control;
      while (next->GetParent() != FFocusedControl) next = next->GetParent();
      FFocusedControl = next;
      if (!SendFocusMessage(next, CM_ENTER)) return false;
    }
    Perform(CM_FOCUSCHANGED, 0, reinterpret_cast<LPARAM>(Control));
  }
  return true;
}

void TCustomForm::DefocusControl(TWinControl* Control, bool Removing) {
  if (Removing && Control->ContainsControl(FFocusedControl)) FFocusedControl = Control->GetParent();
  if (Control->ContainsControl(FActiveControl)) FActiveControl = nullptr;
}

void TCustomForm::Notification(TComponent* AComponent, TOperation Operation) {
  TCustomControl::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == FActiveControl) FActiveControl = nullptr;
  if (AComponent == FFocusedControl) FFocusedControl = nullptr;
}

void TCustomForm::Paint() {
  if (OnPaint) OnPaint(this);
}

void TCustomForm::DoShow() {
  if (OnShow) OnShow(this);
}

void TCustomForm::DoHide() {
  if (OnHide) OnHide(this);
}

void TCustomForm::DoClose(TCloseAction& Action) {
  if (OnClose) OnClose(this, Action);
}

void TCustomForm::Activate() {
  if (OnActivate) OnActivate(this);
}

void TCustomForm::Deactivate() {
  if (OnDeactivate) OnDeactivate(this);
}

void TCustomForm::GetChildren(const TGetChildProc& Proc, TComponent* Root) {
  if (Root == this)
    for (Integer i = 0; i < GetComponentCount(); ++i)
      if (TComponent* component = GetComponent(i); !component->HasParent()) Proc(component);
  TWinControl::GetChildren(Proc, Root);
}

void TCustomForm::SendCancelMode(TControl* Sender) {
  if (FActive && FActiveControl) FActiveControl->Perform(CM_CANCELMODE, 0, reinterpret_cast<LPARAM>(Sender));
}

bool TCustomForm::CloseQuery() {
  bool can = true;
  if (OnCloseQuery) OnCloseQuery(this, can);
  return can;
}

void TCustomForm::Close() {
  if (FFormState.Contains(fsModal)) {
    FModalResult = mrCancel;
    return;
  }
  if (!CloseQuery()) return;
  TCloseAction action = caHide;
  DoClose(action);
  if (action == caNone) return;
  if (Application && Application->GetMainForm() == this) Application->Terminate();
  else if (action == caHide) Hide();
  else if (action == caMinimize) SetWindowState(wsMinimized);
  else Release();
}

void TCustomForm::CloseModal() {
  TCloseAction action = caNone;
  if (CloseQuery()) {
    action = caHide;
    DoClose(action);
  }
  if (action == caNone) FModalResult = mrNone;
  else if (action == caFree) Release();
}

void TCustomForm::Release() {
  if (FHandle) PostMessage(FHandle, CM_RELEASE);
}

TModalResult TCustomForm::ShowModal() {
  if (GetVisible() || !GetEnabled() || FFormState.Contains(fsModal)) throw EInvalidOperation(SCannotShowModal);
  if (HWND cap = GetCapture()) SendMessage(cap, WM_CANCELMODE);
  ReleaseCapture();
  FFormState.Include(fsModal);
  TCursor cursorBefore = Screen->GetCursor();
  Screen->SetCursor(crDefault);
  // While it runs the form belongs to the window it interrupts, so that a window
  // manager keeps it above that one (a box over a dialog over the main window).
  HWND ownerBefore = GetWindowOwner(GetHandle());
  HWND interrupted = GetActiveWindow() ? GetAncestorTop(GetActiveWindow()) : nullptr;
  if (interrupted && interrupted != GetHandle() && IsWindowVisible(interrupted))
    SetWindowOwner(GetHandle(), interrupted);
  // Every other window waits until the form is done.
  TOtherWindowsDisabled others(FHandle);
  auto restore = [&]() {
    // Afterwards it goes back to its own owner, and does not go when the window it
    // interrupted does.
    if (FHandle && (!ownerBefore || IsWindow(ownerBefore))) SetWindowOwner(FHandle, ownerBefore);
    FFormState.Exclude(fsModal);
    Screen->SetCursor(cursorBefore);
    others.Restore();
  };
  TModalResult result = mrNone;
  try {
    Show();
    SendMessage(GetHandle(), CM_ACTIVATE);
    FModalResult = mrNone;
    do {
      Application->HandleMessage();
      if (Application->GetTerminated()) FModalResult = mrCancel;
      else if (FModalResult != mrNone) CloseModal();
    } while (FModalResult == mrNone);
    result = FModalResult;
    SendMessage(GetHandle(), CM_DEACTIVATE);
    Hide();
  } catch (...) {
    if (FHandle) Hide();
    restore();
    throw;
  }
  restore();
  return result;
}

TOtherWindowsDisabled::TOtherWindowsDisabled(HWND Keep, TInputMeanwhile Meanwhile)
    : FActiveBefore(GetActiveWindow()), FFocusBefore(GetFocus()), FMeanwhile(Meanwhile) {
  for (HWND h : GetTopLevelWindows())
    if (h != Keep && IsWindowVisible(h) && IsWindowEnabled(h)) {
      EnableWindow(h, false);
      FDisabled.push_back(h);
    }
}

void TOtherWindowsDisabled::Restore() {
  if (FRestored) return;
  FRestored = true;
  if (FMeanwhile == TInputMeanwhile::Dropped) TakeDeliveredInput();
  for (HWND h : FDisabled)
    if (IsWindow(h)) EnableWindow(h, true);
  if (FActiveBefore && IsWindow(FActiveBefore)) SetActiveWindow(FActiveBefore);
  if (FFocusBefore && IsWindow(FFocusBefore) && IsWindowVisible(FFocusBefore)) ::SetFocus(FFocusBefore);
}

void TakeDeliveredInput() noexcept {
  try {
    GetDisplayBackend().Sync();
    if (Application) Application->ProcessMessages();
  } catch (...) {
    // A handler's failure was reported by the loop itself; the display's
    // own leaves the input for the next loop, as it would be anyway.
  }
}

void TCustomForm::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_ACTIVATE:
      if (LoWord(Message.WParam) != WA_INACTIVE) {
        FActive = true;
        Screen->SetActiveForm(this);
        if (!FActiveControl || !FActiveControl->CanFocus()) {
          FActiveControl = nullptr;
          if (TWinControl* first = FindNextControl(nullptr, true, true, false)) FActiveControl = first;
        }
        SetWindowFocus();
        Activate();
      } else {
        FActive = false;
        Deactivate();
      }
      return;
    case WM_SETFOCUS:
      // The form's own window passes the focus on to its active control.
      if (FActiveControl && FActiveControl != this && FActiveControl->CanFocus()) {
        ::SetFocus(FActiveControl->GetHandle());
        return;
      }
      TCustomControl::Dispatch(Message);
      return;
    case WM_CLOSE: Close(); return;
    case CM_RELEASE: delete this; return;
    case CM_VISIBLECHANGED:
      if (FVisible) {
        HandleNeeded();
        PlaceOnFirstShow();
        if (!FActiveControl) FActiveControl = FindNextControl(nullptr, true, true, false);
        DoShow();
        if (FVisible && FHandle) {
          if (FWindowState == wsMaximized) ShowWindow(FHandle, SW_SHOWMAXIMIZED);
          else ShowWindow(FHandle, SW_SHOW);
          Invalidate();
        }
      } else {
        DoHide();
        if (Application) Application->CancelHintWithin(this);
        if (FHandle) ShowWindow(FHandle, SW_HIDE);
      }
      return;
    case CM_DIALOGKEY:
      if (GetKeyState(VK_MENU) >= 0) {
        switch (Message.WParam) {
          case VK_TAB:
            if (GetKeyState(VK_CONTROL) >= 0) {
              SelectNext(FActiveControl, GetKeyState(VK_SHIFT) >= 0, true);
              Message.Result = 1;
              return;
            }
            break;
          case VK_LEFT:
          case VK_RIGHT:
          case VK_UP:
          case VK_DOWN:
            if (FActiveControl && FActiveControl->GetParent()) {
              FActiveControl->GetParent()->SelectNext(FActiveControl,
                                                      Message.WParam == VK_RIGHT || Message.WParam == VK_DOWN, false);
              Message.Result = 1;
            }
            return;
        }
      }
      TCustomControl::Dispatch(Message);
      return;
    default: TCustomControl::Dispatch(Message);
  }
}

TForm::TForm(TComponent* AOwner) : TCustomForm(AOwner) {}

// ---- TApplication --------------------------------------------------------------------------------------

TApplication::TApplication(TComponent* AOwner) : TComponent(AOwner) {}

TApplication::~TApplication() {
  StopHintTimers();
  // Owned forms go while the application is whole: they call back into it.
  DestroyComponents();
}

void TApplication::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == opRemove) {
    if (AComponent == FMainForm) FMainForm = nullptr;
    if (AComponent == FMouseControl) FMouseControl = nullptr;
    if (AComponent == FHintWindow) FHintWindow = nullptr, FHintShowing = false;
  }
}

void TApplication::ControlDestroying(TControl* Control) {
  if (Control == FMouseControl) FMouseControl = nullptr;
  if (Control == FMainForm) FMainForm = nullptr;
  if (Control == FHintControl) CancelHint();
  if (Control == FHintWindow) FHintWindow = nullptr;
}

// ---- Hints -------------------------------------------------------------------------------------

void TApplication::HintTimerProc(HWND, UINT, std::uintptr_t ID, DWORD) {
  if (!Application) {
    KillTimer(nullptr, ID);
    return;
  }
  if (ID == Application->FHintTimer) {
    Application->StopHintTimers();
    Application->ActivateHint(GetCursorPos());
  } else if (ID == Application->FHideTimer) {
    Application->StopHintTimers();
    Application->HideHint();
  } else {
    KillTimer(nullptr, ID);
  }
}

void TApplication::StartHintTimer(UINT Interval) {
  StopHintTimers();
  FHintTimer = SetTimer(nullptr, 0, Interval, &TApplication::HintTimerProc);
}

void TApplication::StopHintTimers() {
  if (FHintTimer) KillTimer(nullptr, FHintTimer);
  if (FHideTimer) KillTimer(nullptr, FHideTimer);
  FHintTimer = FHideTimer = 0;
}

void TApplication::HintMouseMessage(TControl* Control, const TMessage& Message) {
  // Entering and leaving controls is noticed as the mouse moves, not only when idle.
  if (Message.Msg == WM_MOUSEMOVE) DoMouseIdle();
  if (Message.Msg != WM_MOUSEMOVE) {
    // A press or a key ends the hint; it comes back only after the mouse moves on.
    CancelHint();
    return;
  }
  const TPoint pos = GetCursorPos();
  // A window moved under the pointer at rest has the pointer reported where it
  // was: no move of the user's, so no hint for the control it brought there,
  // until the pointer itself moves.
  const bool moved = FHintMousePos != pos;
  FHintMousePos = pos;
  if (Control != FHintControl) {
    bool wasShowing = FHintShowing;
    HideHint();
    StopHintTimers();
    FHintControl = moved ? Control : nullptr;
    FHintCursorRect = TRect();
    // Whether there is a hint at all is the control's to say (CM_HINTSHOW): a
    // control may show hints of its own, part by part, without a hint text.
    if (FHintControl && Control->GetShowHint()) StartHintTimer(HintPauseOf(Control, wasShowing));
    return;
  }
  // Out of the part the last hint (or its absence) was for: the next part may have one.
  if (!FHintCursorRect.IsEmpty() && !FHintCursorRect.Contains(pos)) {
    bool wasShowing = FHintShowing;
    HideHint();
    FHintCursorRect = TRect();
    if (Control->GetShowHint()) StartHintTimer(HintPauseOf(Control, wasShowing));
  }
}

// The pause before a hint, which the control may shorten or lengthen (CM_HINTSHOWPAUSE).
UINT TApplication::HintPauseOf(TControl* Control, bool WasShowing) {
  Integer Pause = WasShowing ? FHintShortPause : FHintPause;
  Control->Perform(CM_HINTSHOWPAUSE, WasShowing ? 1 : 0, reinterpret_cast<LPARAM>(&Pause));
  return UINT(std::max<Integer>(0, Pause));
}

void TApplication::ActivateHint(TPoint CursorPos) {
  TControl* c = FHintControl;
  // The pointer may have left the control without a move reported since, as
  // when its window is moved away from under it.
  if (!c || !c->GetShowHint() || ControlAtScreen(CursorPos) != c) return;
  THintInfo info;
  info.HintControl = c;
  info.HintWindowClass = HintWindowClass;
  info.HintPos = CursorPos + TPoint(0, 20);
  info.HintMaxWidth = Screen->GetWidth();
  info.HintColor = clInfoBk;
  info.CursorRect = c->GetClientRect();
  info.CursorPos = c->ScreenToClient(CursorPos);
  info.HideTimeout = FHintHidePause;
  info.HintStr = GetShortHint(c->GetHint());
  const bool Refused = c->Perform(CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&info)) != 0;
  TPoint tl = c->ClientToScreen(info.CursorRect.TopLeft()), br = c->ClientToScreen(info.CursorRect.BottomRight());
  FHintCursorRect = TRect(tl, br);
  if (Refused || info.HintStr.empty()) return;
  if (!info.HintWindowClass || !info.HintWindowClass->Create) return;
  // A new window each time the class changes; the same one is reused otherwise.
  if (FHintWindow && FHintWindow->ClassType() != info.HintWindowClass->Class) {
    delete FHintWindow;
    FHintWindow = nullptr;
  }
  if (!FHintWindow) {
    FHintWindow = info.HintWindowClass->Create(this);
    if (FHintWindow) FHintWindow->FreeNotification(this);
  }
  auto* window = dynamic_cast<IHintWindow*>(FHintWindow);
  if (!window) return;
  TRect r = window->CalcHintRect(info.HintMaxWidth, info.HintStr, info.HintData);
  OffsetRect(r, info.HintPos.X, info.HintPos.Y);
  // Kept on the monitor the mouse is on.
  TMonitorInfo mi;
  if (GetMonitorInfo(MonitorFromPoint(CursorPos, MONITOR_DEFAULTTONEAREST), mi)) {
    if (r.Right > mi.rcWork.Right) OffsetRect(r, mi.rcWork.Right - r.Right, 0);
    if (r.Left < mi.rcWork.Left) OffsetRect(r, mi.rcWork.Left - r.Left, 0);
    if (r.Bottom > mi.rcWork.Bottom) OffsetRect(r, 0, CursorPos.Y - r.Height() - r.Top);
  }
  window->ActivateHintData(r, info.HintStr, info.HintData);
  FHintShowing = true;
  if (info.HideTimeout > 0) FHideTimer = SetTimer(nullptr, 0, UINT(info.HideTimeout), &TApplication::HintTimerProc);
}

void TApplication::HideHint() {
  if (FHintShowing)
    if (auto* window = dynamic_cast<IHintWindow*>(FHintWindow)) window->ReleaseHandle();
  FHintShowing = false;
}

void TApplication::CancelHint() {
  HideHint();
  StopHintTimers();
  FHintControl = nullptr;
  FHintMousePos.reset();
}

void TApplication::CancelHintWithin(TControl* Window) {
  for (TControl* c = FHintControl; c; c = c->GetParent())
    if (c == Window) {
      CancelHint();
      return;
    }
}

void TApplication::Run() {
  FTerminated = false;
  if (FMainForm && FShowMainForm) FMainForm->SetVisible(true);
  while (!FTerminated) HandleMessage();
}

void TApplication::Terminate() { PostQuitMessage(0); }

bool TApplication::IsKeyMsg(TMsg& Msg) {
  if (Msg.message < WM_KEYFIRST || Msg.message > WM_KEYLAST) return false;
  if (DragKeyMessage(Msg)) return true;
  HWND wnd = Msg.hwnd;
  // Keys for a window that is not a control of ours go to the nearest control above it.
  while (wnd && !FindControl(wnd)) wnd = GetParent(wnd);
  if (!wnd) return false;
  return SendMessage(wnd, CN_BASE + Msg.message, Msg.wParam, Msg.lParam) != 0;
}

bool TApplication::ProcessMessage(TMsg& Msg) {
  if (!PeekMessage(Msg, nullptr, 0, 0, PM_REMOVE)) return false;
  if (Msg.message == WM_QUIT) {
    FTerminated = true;
    FExitCode = Integer(Msg.wParam);
    return true;
  }
  try {
    bool handled = false;
    if (OnMessage) OnMessage(Msg, handled);
    if (!handled && !IsKeyMsg(Msg)) {
      TranslateMessage(Msg);
      DispatchMessage(Msg);
    }
  } catch (...) {
    HandleException(this);
  }
  return true;
}

void TApplication::ProcessMessages() {
  TMsg m;
  while (ProcessMessage(m)) {
  }
}

void TApplication::HandleMessage() {
  TMsg m;
  if (!ProcessMessage(m)) Idle(m);
}

TControl* TApplication::ControlAtScreen(TPoint P) {
  HWND wnd = WindowFromPoint(P);
  TControl* control = nullptr;
  while (wnd && !(control = FindControl(wnd))) wnd = GetParent(wnd);
  if (auto* win = dynamic_cast<TWinControl*>(control))
    if (TControl* inner = win->ControlAtPos(win->ScreenToClient(P), false)) control = inner;
  return control;
}

void TApplication::DoMouseIdle() {
  TControl* control = ControlAtScreen(GetCursorPos());
  if (control == FMouseControl) return;
  TControl* old = FMouseControl;
  FMouseControl = control;
  if (old) old->Perform(CM_MOUSELEAVE, 0, reinterpret_cast<LPARAM>(old));
  if (FMouseControl) FMouseControl->Perform(CM_MOUSEENTER, 0, reinterpret_cast<LPARAM>(FMouseControl));
}

void TApplication::Idle(const TMsg&) {
  DoMouseIdle();
  if (Screen)
    for (Integer i = 0; i < Screen->GetFormCount(); ++i)
      if (TCustomForm* form = Screen->GetForms(i); form->GetVisible()) form->UpdateActions();
  bool done = true;
  if (OnIdle) OnIdle(this, done);
  if (done) WaitMessage();
}

void TApplication::HandleException(TObject* Sender) {
  std::exception_ptr current = std::current_exception();
  if (!current || FHandlingException) return;
  FHandlingException = true;
  struct TReset {
    bool& F;
    ~TReset() { F = false; }
  } reset{FHandlingException};
  try {
    std::rethrow_exception(current);
  } catch (const EAbort&) {
    // The silent exception: nothing to report.
  } catch (const std::exception& e) {
    if (OnException) OnException(Sender, e);
    else ShowException(e);
  } catch (...) {
    Exception e(u"Unknown error");
    if (OnException) OnException(Sender, e);
    else ShowException(e);
  }
}

void TApplication::ShowException(const std::exception& E) {
  String text;
  if (auto* ex = dynamic_cast<const Exception*>(&E)) text = ex->Message();
  else text = FromUtf8(E.what());
  // A sentence ends with a full stop, as the error box shows it.
  if (!text.empty() && text.back() > u'.') text += u'.';
  MessageBox(text, FTitle, MB_OK | MB_ICONSTOP);
}

Integer TApplication::MessageBox(const String& Text, const String& Caption, UINT Flags) {
  return ::MessageBox(GetActiveWindow(), Text, Caption, Flags);
}

// ---- TScreen ----------------------------------------------------------------------------------------------

TScreen::TScreen(TComponent* AOwner)
    : TComponent(AOwner),
      FIconFont(std::make_unique<TFont>()),
      FHintFont(std::make_unique<TFont>()),
      FMenuFont(std::make_unique<TFont>()) {
  for (TFont* f : {FIconFont.get(), FHintFont.get(), FMenuFont.get()}) f->SetName(u"Tahoma");
  FHintFont->SetColor(clInfoText);
}

TScreen::~TScreen() = default;

HCURSOR TScreen::GetCursors(TCursor Index) const {
  auto it = FCursors.find(Index);
  if (it != FCursors.end()) return it->second;
  switch (Index) {
    case crCross: return IDC_CROSS;
    case crIBeam: return IDC_IBEAM;
    case crSizeNESW: return IDC_SIZENESW;
    case crSizeNS: return IDC_SIZENS;
    case crSizeNWSE: return IDC_SIZENWSE;
    case crSizeWE: return IDC_SIZEWE;
    case crUpArrow: return IDC_UPARROW;
    case crHourGlass:
    case crSQLWait: return IDC_WAIT;
    case crDrag: return IDC_DRAG;
    case crNoDrop: return IDC_NODROP;
    case crHSplit: return IDC_HSPLIT;
    case crVSplit: return IDC_VSPLIT;
    case crMultiDrag: return IDC_MULTIDRAG;
    case crNo: return IDC_NO;
    case crAppStart: return IDC_APPSTARTING;
    case crHelp: return IDC_HELP;
    case crHandPoint: return IDC_HAND;
    case crSizeAll: return IDC_SIZEALL;
    default: return IDC_ARROW;
  }
}

void TScreen::SetCursors(TCursor Index, HCURSOR Handle) {
  if (Handle) FCursors[Index] = Handle;
  else FCursors.erase(Index);
}

void TScreen::SetCursor(TCursor Value) {
  FCursor = Value;
  if (Value != crDefault) {
    ::SetCursor(GetCursors(Value));
    return;
  }
  // Back to the controls' own cursors: ask the window under the mouse.
  TPoint p = GetCursorPos();
  if (HWND w = WindowFromPoint(p))
    SendMessage(w, WM_SETCURSOR, HwndToParam(w), MakeLParam(Integer(HTCLIENT), WM_MOUSEMOVE));
  else ::SetCursor(IDC_ARROW);
}

namespace {

TDisplayMonitor Primary() {
  auto mons = GetDisplayBackend().Monitors();
  return mons.empty() ? TDisplayMonitor{TRect(0, 0, 1280, 1024), TRect(0, 0, 1280, 1024)} : mons.front();
}

TRect Desktop() {
  TRect all;
  for (const auto& m : GetDisplayBackend().Monitors()) UnionRect(all, all, m.Bounds);
  return all;
}

}  // namespace

Integer TScreen::GetWidth() const { return Primary().Bounds.Width(); }
Integer TScreen::GetHeight() const { return Primary().Bounds.Height(); }
Integer TScreen::GetDesktopWidth() const { return Desktop().Width(); }
Integer TScreen::GetDesktopHeight() const { return Desktop().Height(); }
Integer TScreen::GetDesktopLeft() const { return Desktop().Left; }
Integer TScreen::GetDesktopTop() const { return Desktop().Top; }
TRect TScreen::GetWorkAreaRect() const { return Primary().WorkArea; }
Integer TScreen::GetMonitorCount() const { return ::GetMonitorCount(); }

void TScreen::ControlDestroying(TControl* Control) {
  if (Control == FActiveControl) FActiveControl = nullptr;
}

void TScreen::AddForm(TCustomForm* Form) { FForms.push_back(Form); }

void TScreen::RemoveForm(TCustomForm* Form) {
  FForms.erase(std::remove(FForms.begin(), FForms.end(), Form), FForms.end());
  if (FActiveForm == Form) SetActiveForm(nullptr);
  if (FActiveControl && GetParentForm(FActiveControl) == Form) FActiveControl = nullptr;
}

void TScreen::SetActiveForm(TCustomForm* Form) {
  if (FActiveForm == Form) return;
  FActiveForm = Form;
  if (Form) {
    // The most recently active form leads the list.
    FForms.erase(std::remove(FForms.begin(), FForms.end(), Form), FForms.end());
    FForms.insert(FForms.begin(), Form);
  }
  if (OnActiveFormChange) OnActiveFormChange(this);
}

void TScreen::SetActiveControl(TWinControl* Control) {
  if (FActiveControl == Control) return;
  FActiveControl = Control;
  if (OnActiveControlChange) OnActiveControlChange(this);
}
