#include "client/Borrowline.h"

#include "client/InstanceGuard.h"
#include "client/__sys.h"
#include "client/z39_00_func.h"
#include "client/z39_01_main.h"
#include "client/z39_02_ListDB.h"
#include "client/z39_03_EditDB.h"
#include "client/z39_05_Settings.h"
#include "client/z39_07_About.h"
#include "client/z39_08_Wait.h"
#include "grid/DBGridEh.h"
#include "grid/DaVirMTE.h"
#include "platform/core/Files.h"
#include "platform/ui/Forms.h"

namespace {

// The title a box has before the application names itself: the program file's name.
String PlainBoxCaption() {
  const String file = ExtractFileName(ParamStr0());
  return file.substr(0, file.size() - ExtractFileExt(file).size());
}

}  // namespace

void InitProgramUnits() {
  InitDBGridEhUnit();
  InitDaVirMTEUnit();
  // The program's own unit starts last: every grid applies its filter row as
  // soon as a value is picked from a filter drop-down list.
  GetDBGridEhCenter()->SetFilterEditCloseUpApplyFilter(true);
}

void FinalProgramUnits() {
  FinalDaVirMTEUnit();
  FinalDBGridEhUnit();
}

bool ProgramStart() {
  InitProgramUnits();
  const bool single = CheckSingleInstance(
      true, String(), [](const String& Text) { MessageBox(nullptr, Text, PlainBoxCaption(), MB_OK); });
  if (!single) return false;

  InitializeForms();
  Application->SetTitle(u"Z39.50");
  Application->CreateForm(Form_Main);
  Application->CreateForm(Dlg_ListDB);
  Application->CreateForm(Dlg_EditDB);
  Application->CreateForm(AboutBox);
  Application->CreateForm(Form_Wait_Load);
  Application->CreateForm(Dlg_Settings);
  return true;
}

int ProgramRun() {
  if (!ProgramStart()) {
    FinalProgramUnits();
    return 1;
  }
  Application->Run();
  const int exitCode = Application->GetExitCode();
  // The windows go with the application; then the shared state is let go,
  // a server object still held included.
  FinalizeForms();
  FinalProgramUnits();
  ServerObject = Variant();
  AppFolder.clear();
  SettingsFolder.clear();
  DirSave.clear();
  return exitCode;
}
