#include "client/z39_00_func.h"

#include "client/__forms.h"
#include "client/z39_01_main.h"
#include "client/z39_02_ListDB.h"
#include "client/z39_03_EditDB.h"
#include "client/z39_05_Settings.h"
#include "client/z39_07_About.h"
#include "client/z39_08_Wait.h"
#include "platform/ui/Forms.h"

String AppFolder;
String SettingsFolder;
String DirSave;
Integer SchemeIndex = 0;

TForm_Main* Form_Main = nullptr;
TDlg_ListDB* Dlg_ListDB = nullptr;
TDlg_EditDB* Dlg_EditDB = nullptr;
TAboutBox* AboutBox = nullptr;
TForm_Wait_Load* Form_Wait_Load = nullptr;
TDlg_Settings* Dlg_Settings = nullptr;

TColor SchemeBackColor(Integer Scheme) { return Scheme == 1 ? DesertBackColor : SkyBlueBackColor; }
TColor SchemeFontColor(Integer Scheme) { return Scheme == 1 ? DesertFontColor : SkyBlueFontColor; }

bool ApplySchemeToForm(TComponent* Window) {
  if (!dynamic_cast<TCustomForm*>(Window)) return false;
  return ApplyColorsToControls(Window, SchemeFontColor(SchemeIndex), SchemeBackColor(SchemeIndex),
                               SchemeExcludeNames);
}

void ApplySchemeToAllForms() {
  TComponent* const forms[] = {Form_Main, Dlg_Settings, Dlg_ListDB, Dlg_EditDB, AboutBox, Form_Wait_Load};
  for (TComponent* f : forms)
    if (f) ApplySchemeToForm(f);
}
