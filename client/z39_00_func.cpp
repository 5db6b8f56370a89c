#include "client/z39_00_func.h"

#include "client/__forms.h"
#include "client/z39_01_main.h"
#include "client/z39_02_ListDB.h"
#include "client/z39_03_EditDB.h"
#include "client/z39_05_Settings.h"
#include "client/z39_07_About.h"
#include "client/z39_08_Wait.h"
#include "grid/DBGridEh.h"
#include "platform/core/Strings.h"
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
  const TColor font = SchemeFontColor(SchemeIndex);
  const TColor back = SchemeBackColor(SchemeIndex);
  const bool result = ApplyColorsToControls(Window, font, back, SchemeExcludeNames);
  for (Integer i = 0; i < Window->GetComponentCount(); ++i) {
    auto* grid = dynamic_cast<TDBGridEh*>(Window->GetComponent(i));
    if (!grid || AnsiUpperCase(Trim(grid->GetName())) == u"LABEL_YESMODIFY") continue;
    grid->SetFixedColor(back);
    grid->GetTitleFont()->SetColor(font);
    grid->GetFont()->SetColor(font);
  }
  return result;
}

void ApplySchemeToAllForms() {
  TComponent* const forms[] = {Form_Main, Dlg_Settings, Dlg_ListDB, Dlg_EditDB, AboutBox, Form_Wait_Load};
  for (TComponent* f : forms)
    if (f) ApplySchemeToForm(f);
}
