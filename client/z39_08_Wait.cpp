#include "client/z39_08_Wait.h"

#include <algorithm>

#include "client/__forms.h"
#include "client/z39_00_func.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/Gauges.h"
#include "platform/ui/MsgBox.h"
#include "platform/ui/StdCtrls.h"
#include "platform/ui/Windows.h"

TForm_Wait_Load::TForm_Wait_Load(TComponent* AOwner) : TForm(AOwner) {
  CreateControls();
  DoCreate();
}

TForm_Wait_Load::~TForm_Wait_Load() {
  if (Form_Wait_Load == this) Form_Wait_Load = nullptr;
}

void TForm_Wait_Load::CreateControls() {
  SetUpDialogFrame(this, u"Form_Wait_Load", 214, 51);
  SetCaption(u"Загрузка ресурсов Z39.50");
  SetFormStyle(fsStayOnTop);
  SetPosition(poOwnerFormCenter);
  SetSkyBlueColors(this);

  Label_MSG_2 = NewControl<TLabel>(this, this, u"Label_MSG_2");
  Label_MSG_2->SetAutoSize(false);
  Label_MSG_2->SetAlign(alTop);
  Label_MSG_2->SetHeight(15);
  Label_MSG_2->SetAlignment(taCenter);
  Label_MSG_2->SetCaption(u"Идет подготовка к работе");

  Gauge1 = NewControl<TGauge>(this, this, u"Gauge1", Bounds(4, 17, 206, 16));
  Gauge1->SetAnchors({akLeft, akTop, akRight});
  Gauge1->SetMinValue(0);
  Gauge1->SetMaxValue(100);
  Gauge1->SetProgress(0);

  Label1 = NewControl<TLabel>(this, this, u"Label1");
  Label1->SetAutoSize(false);
  Label1->SetAlign(alBottom);
  Label1->SetHeight(15);
  Label1->SetAlignment(taCenter);
  Label1->GetFont()->SetStyle({fsBold});
  Label1->SetCaption(u"Подождите...");

  Timer1 = new TTimer(this);
  Timer1->SetName(u"Timer1");
  Timer1->SetEnabled(false);
  Timer1->SetInterval(55);
  Timer1->OnTimer = [this](TObject* Sender) { Timer1Timer(Sender); };
}

void TForm_Wait_Load::BelongToActiveWindow() {
  // The display keeps an owned window above its owner, however the owner is
  // clicked; it is not told about stay-on-top. The owner goes to the display
  // as the window shows, so it is set before.
  const HWND active = GetActiveWindow() ? GetAncestorTop(GetActiveWindow()) : nullptr;
  if (!active || active == GetHandle() || !IsWindowVisible(active)) return;
  const HWND own = GetWindowOwner(GetHandle());
  if (active == own) return;
  SetWindowOwner(GetHandle(), active);
  if (GetWindowOwner(GetHandle()) == active && !FOwnOwner) FOwnOwner = own;
}

void TForm_Wait_Load::BelongToOwnOwner() {
  if (!FOwnOwner) return;
  // Kept by another window, it would go when that one goes.
  const HWND own = *FOwnOwner;
  FOwnOwner.reset();
  if (HandleAllocated()) SetWindowOwner(GetHandle(), own && IsWindow(own) ? own : nullptr);
}

bool TForm_Wait_Load::CloseQuery() { return !GetVisible() && TForm::CloseQuery(); }

void TForm_Wait_Load::Timer1Timer(TObject*) {
  static constexpr const Char* kSpinner[] = {u"-", u"\\", u"|", u"/"};
  Timer1->SetEnabled(false);
  FSpinCounter = FSpinCounter >= 4 ? 1 : FSpinCounter + 1;
  SetCaption(kSpinner[FSpinCounter - 1]);
  Timer1->SetEnabled(true);
}

bool ShowWaitWindow(TForm_Wait_Load* Window) {
  Window->Timer1->SetEnabled(false);
  Window->FSpinCounter = 0;
  Window->SetCaption(u"...");
  Window->Gauge1->SetProgress(0);
  Window->SetFormStyle(fsStayOnTop);
  if (!Window->GetVisible()) Window->BelongToActiveWindow();
  Window->Show();
  Window->Timer1->SetEnabled(true);
  return true;
}

void SetWaitWindowTitle(TForm_Wait_Load* Window, Integer Width, const String& Caption) {
  // Widened about its middle, it stays centred over the window that waits.
  const Integer middle = Window->GetLeft() + Window->GetWidth() / 2;
  Window->SetWidth(Width);
  Window->SetClientWidth(std::max(Window->GetClientWidth(), TitleBarClientWidth(Caption)));
  Window->SetLeft(middle - Window->GetWidth() / 2);
  Window->SetCaption(Caption);
}

bool SetWaitProgress(TForm_Wait_Load* Window, Integer Percent) {
  Window->Gauge1->SetProgress(std::clamp<Integer>(Percent, 0, 100));
  Application->ProcessMessages();
  return true;
}

bool HideWaitWindow(TForm_Wait_Load* Window) {
  Window->Timer1->SetEnabled(false);
  Window->SetFormStyle(fsNormal);
  Window->Hide();
  Window->BelongToOwnOwner();
  Window->Gauge1->SetProgress(0);
  return true;
}
