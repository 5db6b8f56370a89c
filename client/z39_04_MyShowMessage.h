#pragma once
// The program's own message box: a window caption, a bold head line and a
// scrollable text, with OK alone or OK and Cancel. Created for one showing,
// without an owner, and freed after it.

#include <memory>

#include "platform/ui/Forms.h"

class TLabel;
class TRichEdit;
class TSpeedButton;

class TDlg_MyShowMessage final : public TForm {
public:
  BORROW_COMPONENT(TDlg_MyShowMessage, TForm)
  explicit TDlg_MyShowMessage(TComponent* AOwner);

  TLabel* Label_Head = nullptr;
  TRichEdit* RE_Msg = nullptr;
  TSpeedButton* SB_OK = nullptr;
  TSpeedButton* SB_Cancel = nullptr;

  void SB_OKClick(TObject* Sender);
  void SB_CancelClick(TObject* Sender);
  // Enter presses OK, Esc Cancel (also when Cancel is hidden); the key is consumed.
  void FormKeyDown(TObject* Sender, Word& Key, TShiftState Shift);

private:
  void CreateControls();
};

// The box as ShowMessageOk and ShowMessageOkCancel show it, not yet shown:
// caption, head and text trimmed, Cancel only WithCancel, the box widened for a
// caption its title bar would cut, the colour scheme applied.
std::unique_ptr<TDlg_MyShowMessage> NewMessageBox(const String& Caption, const String& Head, const String& Text,
                                                  bool WithCancel);

// True when the box was closed with OK. Caption, head and text are trimmed;
// an empty head leaves the head line empty but in its place.
bool ShowMessageOk(const String& Caption, const String& Head, const String& Text);
bool ShowMessageOkCancel(const String& Caption, const String& Head, const String& Text);
