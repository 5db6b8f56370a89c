#include "client/__forms.h"

#include "client/z39_00_func.h"
#include "platform/core/Strings.h"
#include "platform/ui/Buttons.h"
#include "platform/ui/CheckLst.h"
#include "platform/ui/ComCtrls.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/Forms.h"
#include "platform/ui/StdCtrls.h"
#include "platform/ui/ValEdit.h"

namespace {

template <class T>
bool Is(TComponent* C) {
  return dynamic_cast<T*>(C) != nullptr;
}

bool IsWhite(const TControl* C) { return ColorToRGB(C->GetColor()) == clWhite; }

bool Excluded(const TComponent* C, const String& UpperExcludeNames) {
  const String name = UpperCase(Trim(C->GetName())) + u";";
  return UpperExcludeNames.find(name) != String::npos;
}

// One component, by the rows of the class table; a component may match more
// than one row.
void ColorComponent(TComponent* C, TColor FontColor, TColor BackColor) {
  auto* control = dynamic_cast<TControl*>(C);
  if (!control) return;
  if (Is<TEdit>(C) || Is<TMemo>(C) || Is<TRichEdit>(C) || Is<TComboBox>(C)) {
    if (!IsWhite(control)) control->SetColor(BackColor);
    control->GetFont()->SetColor(FontColor);
  }
  if (auto* values = dynamic_cast<TValueListEditor*>(C)) {
    values->SetFixedColor(BackColor);
    control->GetFont()->SetColor(FontColor);
  }
  if (Is<TLabel>(C) || Is<TCheckBox>(C)) {
    control->SetColor(BackColor);
    control->GetFont()->SetColor(FontColor);
  }
  if ((Is<TCheckListBox>(C) || Is<TListBox>(C)) && !IsWhite(control)) {
    control->SetColor(BackColor);
    control->GetFont()->SetColor(FontColor);
  }
  if (Is<TSpeedButton>(C)) control->GetFont()->SetColor(FontColor);
  if (Is<TPanel>(C) || Is<TGroupBox>(C) || Is<TRadioGroup>(C)) {
    control->SetColor(BackColor);
    control->GetFont()->SetColor(FontColor);
  }
}

}  // namespace

TSpeedButton* NewSpeedButton(TForm* Owner, TWinControl* Parent, const Char* Name, const String& Caption,
                             const String& Hint, const TRect& BoundsRect) {
  auto* b = NewControl<TSpeedButton>(Owner, Parent, Name, BoundsRect);
  b->SetCaption(Caption);
  if (!Hint.empty()) {
    b->SetHint(Hint);
    b->SetShowHint(true);
  }
  return b;
}

void SetUpDialogFrame(TForm* Form, const Char* Name, Integer ClientWidth, Integer ClientHeight) {
  Form->SetName(Name);
  Form->SetBorderStyle(bsDialog);
  Form->SetPosition(poScreenCenter);
  Form->SetClientWidth(ClientWidth);
  Form->SetClientHeight(ClientHeight);
  Form->GetFont()->SetName(u"Tahoma");
}

void SetSkyBlueColors(TForm* Form) {
  Form->SetColor(SkyBlueBackColor);
  Form->GetFont()->SetColor(SkyBlueFontColor);
}

TSpeedButton* NewOkButton(TForm* Owner, TWinControl* Parent, const TRect& BoundsRect, TNotifyEvent OnClick) {
  auto* b = NewControl<TSpeedButton>(Owner, Parent, u"SB_OK", BoundsRect);
  b->SetCaption(u"OK");
  b->GetFont()->SetStyle({fsBold});
  b->OnClick = std::move(OnClick);
  return b;
}

TSpeedButton* NewCancelButton(TForm* Owner, TWinControl* Parent, const TRect& BoundsRect, TNotifyEvent OnClick) {
  auto* b = NewControl<TSpeedButton>(Owner, Parent, u"SB_Cancel", BoundsRect);
  b->SetCaption(u"Cancel");
  b->OnClick = std::move(OnClick);
  return b;
}

void DialogKeyDown(Word& Key, const std::function<void()>& Ok, const std::function<void()>& Cancel) {
  if (Key == VK_RETURN) {
    Key = 0;
    Ok();
  } else if (Key == VK_ESCAPE && Cancel) {
    Key = 0;
    Cancel();
  }
}

void GridDialogKeyDown(Word& Key, TShiftState Shift, const std::function<void()>& Ok,
                       const std::function<void()>& Cancel) {
  if (Key == VK_RETURN && Shift.Contains(ssAlt)) {
    Key = 0;
    Ok();
  } else if (Key == VK_ESCAPE) {
    Key = 0;
    Cancel();
  }
}

bool ApplyColorsToControls(TComponent* Window, TColor FontColor, TColor BackColor, const String& ExcludeNames) {
  auto* form = dynamic_cast<TCustomForm*>(Window);
  if (!form) return false;
  form->SetColor(BackColor);
  form->GetFont()->SetColor(FontColor);
  const String exclude = UpperCase(ExcludeNames);
  for (Integer i = 0; i < form->GetComponentCount(); ++i) {
    TComponent* c = form->GetComponent(i);
    if (!Excluded(c, exclude)) ColorComponent(c, FontColor, BackColor);
  }
  return true;
}
