#include "platform/ui/HintWnd.h"

#include "platform/ui/ControlPaint.h"
#include "platform/ui/Forms.h"

THintWindow::THintWindow(TComponent* AOwner) : TCustomControl(AOwner) {
  FVisible = false;
  FParentColor = false;
  FColor = clInfoBk;
  FBrush->SetColor(clInfoBk);
  InitializeForms();
  GetFont()->Assign(Screen->GetHintFont());
  GetFont()->SetColor(clInfoText);
}

void THintWindow::CreateParams(TCreateParams& Params) {
  TCustomControl::CreateParams(Params);
  Params.Style = WS_POPUP | WS_BORDER;
  Params.ExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST;
  Params.WindowClass.style |= CS_SAVEBITS;
  Params.WndParent = nullptr;
}

TRect THintWindow::CalcHintRect(Integer MaxWidth, const String& AHint, void*) {
  TRect r(0, 0, MaxWidth, 0);
  DrawText(TMeasureDC(GetFont()), AHint, -1, r, DT_CALCRECT | DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
  // Text margins of 2 and the 1-pixel border on each side.
  r.Right += 6;
  r.Bottom += 4;
  return r;
}

void THintWindow::ActivateHintData(const TRect& Rect, const String& AHint, void*) {
  SetCaption(AHint);
  HandleNeeded();
  FVisible = true;
  SetBounds(Rect.Left, Rect.Top, Rect.Width(), Rect.Height());
  SetWindowPos(FHandle, HWND_TOPMOST, Rect.Left, Rect.Top, Rect.Width(), Rect.Height(),
               SWP_SHOWWINDOW | SWP_NOACTIVATE);
  Invalidate();
}

void THintWindow::ReleaseHandle() {
  FVisible = false;
  if (FHandle) ShowWindow(FHandle, SW_HIDE);
}

bool THintWindow::IsShowing() const { return FHandle && IsWindowVisible(FHandle); }

void THintWindow::Paint() {
  TCanvas* c = GetCanvas();
  TRect r = GetClientRect();
  c->GetBrush()->SetColor(FColor);
  c->FillRect(r);
  c->SetFont(GetFont());
  HDC dc = c->GetHandle();
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, ColorToRGB(GetFont()->GetColor()));
  InflateRect(r, -2, -1);
  DrawText(dc, GetCaption(), -1, r, DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
}

void THintWindow::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_MOUSEACTIVATE: Message.Result = MA_NOACTIVATE; return;
    case WM_NCHITTEST: Message.Result = HTTRANSPARENT; return;
    case CM_TEXTCHANGED: Invalidate(); return;
    default: TCustomControl::Dispatch(Message);
  }
}

bool InstallHintWindow() {
  if (!HintWindowClass) HintWindowClass = THintWindow::StaticComponentClass();
  return true;
}
