#pragma once
// The search client's shared state and its colour schemes: the program-wide
// folders and scheme number set at start-up, the six windows the program
// unit creates, and the routine that gives every window the scheme in force.

#include "client/SearchServer.h"
#include "platform/core/Types.h"
#include "platform/core/Variant.h"
#include "platform/ui/Graphics.h"
#include "platform/ui/Messages.h"

class TComponent;
class TForm_Main;
class TDlg_ListDB;
class TDlg_EditDB;
class TAboutBox;
class TForm_Wait_Load;
class TDlg_Settings;

// ---- Program-wide state (folders end with "/" when not empty) ------------------------------
extern String AppFolder;       // the folder of the program file
extern String SettingsFolder;  // AppFolder + "Settings/" when it exists, else empty
extern String DirSave;         // where a search saves its records
extern Integer SchemeIndex;    // the colour scheme in force
// ServerObject and FoundServerWindow belong to the server bridge (SearchServer.h).

// The six windows, created in this order by the program unit and owned by the
// application; null before and after.
extern TForm_Main* Form_Main;
extern TDlg_ListDB* Dlg_ListDB;
extern TDlg_EditDB* Dlg_EditDB;
extern TAboutBox* AboutBox;
extern TForm_Wait_Load* Form_Wait_Load;
extern TDlg_Settings* Dlg_Settings;

// ---- Colour schemes ------------------------------------------------------------------------
// Scheme 1 is the desert, every other number the sky blue.
inline constexpr TColor SkyBlueBackColor = 0xF0CAA6;
inline constexpr TColor SkyBlueFontColor = 0x800000;
inline constexpr TColor DesertBackColor = 0xDDF2F5;
inline constexpr TColor DesertFontColor = 0x044359;
TColor SchemeBackColor(Integer Scheme);
TColor SchemeFontColor(Integer Scheme);

// The component spared by every scheme: it keeps its own warning colours.
inline constexpr Char SchemeExcludeNames[] = u"Label_YesModify;";

// False, and nothing done, unless Window is a form. Colours it with the scheme
// of SchemeIndex (sparing Label_YesModify), and gives every data grid on it the
// background as its fixed colour and the text colour for its title and cells.
bool ApplySchemeToForm(TComponent* Window);
// The main window, the settings dialog, the resource tree editor, the
// resource editor, the about box and the wait window, in this order; a window
// not created yet is passed over.
void ApplySchemeToAllForms();
