#pragma once
// Recolouring a window and its controls by control class: the routine every
// colour scheme of the program goes through.

#include "platform/core/Types.h"
#include "platform/ui/Graphics.h"

class TComponent;

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
bool ApplyColorsToControls(TComponent* Window, TColor FontColor, TColor BackColor,
                           const String& ExcludeNames);
