#pragma once
// The standard message box as a form of our own: the text, and the buttons the
// MB_ flags ask for; Enter presses the default button, Esc the Cancel (or the
// only) button. The real display installs it as the message box hook.

#include "platform/ui/StdCtrls.h"

class TMessageForm final : public TForm {
public:
  BORROW_COMPONENT(TMessageForm, TForm)
  TMessageForm(TComponent* AOwner, const TMessageBoxRequest& Request);
  TLabel* Label_Text = nullptr;
  // One per button, in order; each closes the form with its id.
  std::vector<TButton*> Buttons;
};

// Shows the request modally; gives the id of the button pressed.
Integer ShowMessageForm(const TMessageBoxRequest& Request);

// The client width a box needs so that the window manager shows its caption
// whole in the title bar: the caption in a title font, and room for the bar's
// icon and buttons.
Integer TitleBarClientWidth(const String& Caption);
