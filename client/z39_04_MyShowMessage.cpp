#include "client/z39_04_MyShowMessage.h"

#include <initializer_list>
#include <memory>

#include "client/__forms.h"
#include "client/z39_00_func.h"
#include "platform/core/Strings.h"
#include "platform/ui/Buttons.h"
#include "platform/ui/ComCtrls.h"
#include "platform/ui/MsgBox.h"
#include "platform/ui/StdCtrls.h"

TDlg_MyShowMessage::TDlg_MyShowMessage(TComponent* AOwner) : TForm(AOwner) {
  CreateControls();
  DoCreate();
}

void TDlg_MyShowMessage::CreateControls() {
  SetUpDialogFrame(this, u"Dlg_MyShowMessage", 249, 76);
  SetSkyBlueColors(this);
  SetKeyPreview(true);

  Label_Head = NewControl<TLabel>(this, this, u"Label_Head", Bounds(6, 3, 237, 14));
  Label_Head->SetAutoSize(false);
  Label_Head->GetFont()->SetStyle({fsBold});
  Label_Head->SetCaption(u"");

  RE_Msg = NewControl<TRichEdit>(this, this, u"RE_Msg", Bounds(6, 19, 237, 32));
  RE_Msg->SetColor(clWhite);
  RE_Msg->SetReadOnly(true);
  RE_Msg->SetPlainText(true);
  RE_Msg->SetScrollBars(ssVertical);
  RE_Msg->SetTabStop(false);
  RE_Msg->GetFont()->SetName(u"Tahoma");
  RE_Msg->GetFont()->SetHeight(-12);

  SB_OK = NewOkButton(this, this, Bounds(96, 54, 70, 20), [this](TObject* Sender) { SB_OKClick(Sender); });
  SB_Cancel = NewCancelButton(this, this, Bounds(173, 54, 70, 20), [this](TObject* Sender) { SB_CancelClick(Sender); });

  OnKeyDown = [this](TObject* Sender, Word& Key, TShiftState Shift) { FormKeyDown(Sender, Key, Shift); };
}

void TDlg_MyShowMessage::SB_OKClick(TObject*) { SetModalResult(mrOk); }
void TDlg_MyShowMessage::SB_CancelClick(TObject*) { SetModalResult(mrCancel); }

void TDlg_MyShowMessage::FormKeyDown(TObject*, Word& Key, TShiftState) {
  DialogKeyDown(
      Key, [this] { SB_OKClick(SB_OK); }, [this] { SB_CancelClick(SB_Cancel); });
}

namespace {

// A caption longer than the title bar of the laid-out box holds widens the box:
// the head and the text widen with it, the buttons keep their place from the
// right edge (OK alone, from the middle). A box wide enough keeps its layout.
void WidenForCaption(TDlg_MyShowMessage* Box) {
  const Integer extra = TitleBarClientWidth(Box->GetCaption()) - Box->GetClientWidth();
  if (extra <= 0) return;
  Box->SetClientWidth(Box->GetClientWidth() + extra);
  for (TControl* c : std::initializer_list<TControl*>{Box->Label_Head, Box->RE_Msg}) c->SetWidth(c->GetWidth() + extra);
  const Integer shift = Box->SB_Cancel->GetVisible() ? extra : extra / 2;
  for (TControl* c : std::initializer_list<TControl*>{Box->SB_OK, Box->SB_Cancel}) c->SetLeft(c->GetLeft() + shift);
}

}  // namespace

std::unique_ptr<TDlg_MyShowMessage> NewMessageBox(const String& Caption, const String& Head, const String& Text,
                                                  bool WithCancel) {
  auto dlg = std::make_unique<TDlg_MyShowMessage>(nullptr);
  dlg->SB_Cancel->SetVisible(WithCancel);
  dlg->SetCaption(Trim(Caption));
  dlg->RE_Msg->SetText(Trim(Text));
  dlg->Label_Head->SetCaption(Trim(Head));
  WidenForCaption(dlg.get());
  ApplySchemeToForm(dlg.get());
  return dlg;
}

namespace {

bool ShowMessageBox(const String& Caption, const String& Head, const String& Text, bool WithCancel) {
  // Freed on every way out, an exception raised while it is shown included.
  return NewMessageBox(Caption, Head, Text, WithCancel)->ShowModal() == mrOk;
}

}  // namespace

bool ShowMessageOk(const String& Caption, const String& Head, const String& Text) {
  return ShowMessageBox(Caption, Head, Text, false);
}

bool ShowMessageOkCancel(const String& Caption, const String& Head, const String& Text) {
  return ShowMessageBox(Caption, Head, Text, true);
}
