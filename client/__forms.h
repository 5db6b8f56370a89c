#pragma once
// What the program's windows share: building a form and its controls in code,
// the dialogs' keys, and recolouring a window and its controls by control
// class (the routine every colour scheme of the program goes through).

#include <functional>

#include "platform/core/Types.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Graphics.h"

class TComponent;
class TSpeedButton;

// ---- Building windows

// A control owned by Owner, named, and placed inside Parent.
template <class T>
T* NewControl(TComponent* Owner, TWinControl* Parent, const Char* Name) {
  auto* c = new T(Owner);
  c->SetName(Name);
  c->SetParent(Parent);
  return c;
}

// The same, at BoundsRect in Parent's client area.
template <class T>
T* NewControl(TComponent* Owner, TWinControl* Parent, const Char* Name, const TRect& BoundsRect) {
  T* c = NewControl<T>(Owner, Parent, Name);
  c->SetBoundsRect(BoundsRect);
  return c;
}

// A speed button with its caption and, when Hint is not empty, its hint shown.
TSpeedButton* NewSpeedButton(TForm* Owner, TWinControl* Parent, const Char* Name, const String& Caption,
                             const String& Hint, const TRect& BoundsRect);

// A dialog's frame: its name, the fixed dialog border, centred on the screen,
// the client size, and the program's Tahoma font.
void SetUpDialogFrame(TForm* Form, const Char* Name, Integer ClientWidth, Integer ClientHeight);

// The colours every window starts with: the sky-blue scheme.
void SetSkyBlueColors(TForm* Form);

// A dialog's closing buttons: SB_OK with its caption in bold, and SB_Cancel.
TSpeedButton* NewOkButton(TForm* Owner, TWinControl* Parent, const TRect& BoundsRect, TNotifyEvent OnClick);
TSpeedButton* NewCancelButton(TForm* Owner, TWinControl* Parent, const TRect& BoundsRect, TNotifyEvent OnClick);

// A dialog's keys: Enter presses OK, Esc Cancel (when the dialog has one,
// shown or not); either key is consumed.
void DialogKeyDown(Word& Key, const std::function<void()>& Ok, const std::function<void()>& Cancel);
// The keys of a dialog around a grid, where Enter belongs to the grid:
// Alt+Enter presses OK, Esc Cancel; either key is consumed.
void GridDialogKeyDown(Word& Key, TShiftState Shift, const std::function<void()>& Ok,
                       const std::function<void()>& Cancel);

// ---- Colours

// False, and nothing done, unless Window is a form. Otherwise the form takes
// BackColor and FontColor, and so does every component it owns, by class,
// unless the component's trimmed name followed by ";" occurs in ExcludeNames
// (compared in upper case, so "Label_YesModify;" spares Label_YesModify):
//   edit, memo, rich edit, combo box  background unless white, text
//   value-list editor                 fixed-cell colour, text
//   label, check box                  background, text
//   check list box, list box          both, only when not white
//   speed button                      text
//   panel, group box, radio group     background, text
// "White" is what the control shows: its colour resolved to RGB.
bool ApplyColorsToControls(TComponent* Window, TColor FontColor, TColor BackColor, const String& ExcludeNames);
