// The program on a real display: a private Xvfb, the SDL2 display, the main
// window on the screen, the settings dialog and the about box opened from
// its menu row, a message box, a search against a local yaz-ztest, and the
// whole road of a new resource: added in the resource tree editor, chosen for
// the search list, searched, its records file and log written. Screenshots
// of every window are kept as test artifacts.

#include <SDL.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <thread>
#include <vector>

#include "client/Borrowline.h"
#include "client/__sys.h"
#include "client/z39_00_func.h"
#include "client/z39_01_main.h"
#include "client/z39_02_ListDB.h"
#include "client/z39_03_EditDB.h"
#include "client/z39_05_Settings.h"
#include "client/z39_04_MyShowMessage.h"
#include "client/z39_07_About.h"
#include "client/z39_08_Wait.h"
#include "client/SettingsFile.h"
#include "platform/backend/SdlDisplay.h"
#include "platform/core/Files.h"
#include "platform/core/Strings.h"
#include "platform/ui/Buttons.h"
#include "platform/ui/ComCtrls.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/StdCtrls.h"
#include "platform/ui/ValEdit.h"
#include "tests/client/ResourceListText.h"
#include "tests/client/TempFolder.h"
#include "tests/support/ZTestServer.h"
#include "tests/platform/backend/XvfbServer.h"

namespace {

std::string ArtifactDir() {
  const std::string dir = std::string(BORROW_BINARY_DIR) + "/test-artifacts";
  std::filesystem::create_directories(dir);
  return dir;
}

// Runs the program's messages for Ms milliseconds of real time.
void Pump(int Ms) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(Ms);
  while (std::chrono::steady_clock::now() < end) {
    Application->ProcessMessages();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

// Pixels of one colour (0xRRGGBB) in the shot.
size_t CountColour(const TXvfbServer::TShot& Shot, std::uint32_t Rgb) {
  size_t n = 0;
  for (std::uint32_t p : Shot.Pixels)
    if ((p & 0xFFFFFF) == Rgb) ++n;
  return n;
}

constexpr std::uint32_t kSkyBlueRgb = 0xA6CAF0;

// A click on a control through the display's input, at its middle.
void ClickOnScreen(TControl* C) {
  const TPoint p = C->ClientToScreen(TPoint(C->GetWidth() / 2, C->GetHeight() / 2));
  InjectMouse(TMouseAction::Move, mbLeft, p);
  InjectMouse(TMouseAction::Down, mbLeft, p);
  InjectMouse(TMouseAction::Up, mbLeft, p);
}

// While a modal window runs its own loop, After runs once Ms milliseconds later.
class TLater {
public:
  TLater(UINT Ms, std::function<void()> After) : FTimer(new TTimer(nullptr)) {
    FTimer->SetInterval(Ms);
    FTimer->OnTimer = [this, After](TObject*) {
      FTimer->SetEnabled(false);
      After();
    };
    FTimer->SetEnabled(true);
  }
  ~TLater() { delete FTimer; }

private:
  TTimer* FTimer;
};

}  // namespace

TEST(ProgramOnScreen, MainWindowSettingsAndAboutReachTheScreen) {
  TXvfbServer server;
  if (!server.Start()) GTEST_SKIP() << "Xvfb cannot be started here";
  const char* oldDisplay = std::getenv("DISPLAY");
  const std::string savedDisplay = oldDisplay ? oldDisplay : "";
  ::setenv("DISPLAY", server.Display().c_str(), 1);

  TTempFolder folder;
  SetParamStr0(folder.Path() + FromUtf8("borrowline-screen-" + std::to_string(::getpid())));
  {
    String error;
    auto display = TSdlDisplay::Open(error);
    ASSERT_TRUE(display) << ToUtf8(error);
    ASSERT_TRUE(ProgramStart());
    Form_Main->Show();
    Pump(600);  // the first clock tick loads the settings and the lists

    TXvfbServer::TShot shot;
    ASSERT_TRUE(server.Screenshot(shot));
    EXPECT_TRUE(TXvfbServer::SavePNG(shot, ArtifactDir() + "/client-main-window-xvfb.png"));
    EXPECT_GT(CountColour(shot, kSkyBlueRgb), 100000u) << "the sky-blue main window fills much of the screen";
    // The wait window of the first tick has come and gone: typing reaches the main window.
    EXPECT_EQ(SDL_GetKeyboardFocus(), display->SdlWindowOf(Form_Main->GetHandle()));

    bool settingsShown = false;
    {
      TLater later(500, [&] {
        TXvfbServer::TShot s;
        if (server.Screenshot(s)) TXvfbServer::SavePNG(s, ArtifactDir() + "/client-settings-xvfb.png");
        settingsShown = Dlg_Settings->GetVisible();
        Dlg_Settings->SetModalResult(mrOk);
      });
      ClickOnScreen(Form_Main->SB_Menu_Set);
      Pump(1500);
    }
    EXPECT_TRUE(settingsShown);
    EXPECT_FALSE(Dlg_Settings->GetVisible());

    bool aboutShown = false;
    {
      TLater later(500, [&] {
        TXvfbServer::TShot s;
        if (server.Screenshot(s)) TXvfbServer::SavePNG(s, ArtifactDir() + "/client-about-xvfb.png");
        aboutShown = AboutBox->GetVisible();
        AboutBox->SetModalResult(mrOk);
      });
      ClickOnScreen(Form_Main->SpeedButton3);
      Pump(1500);
    }
    EXPECT_TRUE(aboutShown);

    bool boxShown = false;
    {
      TLater later(500, [&] {
        TXvfbServer::TShot s;
        if (server.Screenshot(s)) TXvfbServer::SavePNG(s, ArtifactDir() + "/client-message-box-xvfb.png");
        for (Integer i = 0; i < Screen->GetFormCount(); ++i)
          if (auto* box = dynamic_cast<TDlg_MyShowMessage*>(Screen->GetForms(i))) {
            boxShown = box->GetVisible();
            box->SB_OKClick(box->SB_OK);
          }
      });
      ShowMessageOkCancel(u"Текущий список Z39.50-ресурсов", u"Очистка всего списка",
                          u"Вы желаете очистить весь список ?");
      Pump(100);
    }
    EXPECT_TRUE(boxShown);

    Form_Main->Close();
    Pump(100);
    FinalizeForms();
  }
  SetParamStr0(String());
  if (oldDisplay) ::setenv("DISPLAY", savedDisplay.c_str(), 1);
  else ::unsetenv("DISPLAY");
  EXPECT_TRUE(FileExists(folder.Path() + u"Settings/Borrowline.ini")) << "the close saved the settings";
}

namespace {

// The part of a shot covered by a control, row by row.
std::vector<std::uint32_t> PixelsOf(const TXvfbServer::TShot& Shot, TControl* C) {
  const TPoint p = C->ClientToScreen(TPoint(0, 0));
  std::vector<std::uint32_t> out;
  for (Integer y = p.Y; y < p.Y + C->GetHeight() && y < Shot.Height; ++y)
    for (Integer x = p.X; x < p.X + C->GetWidth() && x < Shot.Width; ++x) out.push_back(Shot.At(x, y));
  return out;
}

}  // namespace

TEST(ProgramOnScreen, SearchRunShowsItsCountsOnTheScreen) {
  TXvfbServer server;
  if (!server.Start()) GTEST_SKIP() << "Xvfb cannot be started here";
  ZTestServer z;
  const char* oldDisplay = std::getenv("DISPLAY");
  const std::string savedDisplay = oldDisplay ? oldDisplay : "";
  ::setenv("DISPLAY", server.Display().c_str(), 1);

  TTempFolder folder;
  const String settings = folder.Path() + u"Settings/";
  ASSERT_TRUE(ForceDirectories(settings));
  WriteFileAtomic(settings + u"ListDB.txt",
                  kResourceListHead + ResourceListLine(1, "Alpha", "Default", "127.0.0.1", z.Port(), "usmarc") +
                      ResourceListLine(2, "Beta", "Default", "127.0.0.1", z.Port(), "usmarc"));
  WriteFileAtomic(settings + u"ListDB_for_Search.txt", "1\r\n2\r\n");
  TSettingsValues v;
  v.DirSave = folder.Path() + u"Import/";
  v.Title_Text = u"3";
  v.RecCountFromDB = u"2";
  WriteSettingsFile(SettingsFileName(settings), v, [](const String&) { return true; });
  SetParamStr0(folder.Path() + FromUtf8("borrowline-search-" + std::to_string(::getpid())));
  {
    String error;
    auto display = TSdlDisplay::Open(error);
    ASSERT_TRUE(display) << ToUtf8(error);
    ASSERT_TRUE(ProgramStart());
    Form_Main->Show();
    Pump(600);
    TXvfbServer::TShot before;
    ASSERT_TRUE(server.Screenshot(before));

    String endText;
    {
      // The end of the run shows its box; it is answered once it is up.
      TLater later(1500, [&] {
        for (Integer i = 0; i < Screen->GetFormCount(); ++i)
          if (auto* box = dynamic_cast<TDlg_MyShowMessage*>(Screen->GetForms(i))) {
            endText = box->RE_Msg->GetText();
            box->SB_OKClick(box->SB_OK);
          }
      });
      ClickOnScreen(Form_Main->sb_Start);
      Pump(2500);
    }
    EXPECT_EQ(endText, u"Процесс поиска и выборки закончен!");
    Pump(300);
    TXvfbServer::TShot after;
    ASSERT_TRUE(server.Screenshot(after));
    EXPECT_TRUE(TXvfbServer::SavePNG(after, ArtifactDir() + "/client-search-run-xvfb.png"));
    EXPECT_EQ(Form_Main->Edit_BibRec_Find->GetText(), u"6");
    EXPECT_EQ(Form_Main->Edit_BibRec_Load->GetText(), u"4");
    // The counters and the marked captions changed on the screen itself.
    EXPECT_NE(PixelsOf(before, Form_Main->Edit_BibRec_Find), PixelsOf(after, Form_Main->Edit_BibRec_Find));
    EXPECT_NE(PixelsOf(before, Form_Main->Edit_BibRec_Load), PixelsOf(after, Form_Main->Edit_BibRec_Load));
    EXPECT_NE(PixelsOf(before, Form_Main->clb_ListDB_Names), PixelsOf(after, Form_Main->clb_ListDB_Names));

    Form_Main->Close();
    Pump(100);
    FinalizeForms();
  }
  SetParamStr0(String());
  if (oldDisplay) ::setenv("DISPLAY", savedDisplay.c_str(), 1);
  else ::unsetenv("DISPLAY");
  EXPECT_TRUE(FileExists(folder.Path() + u"Import/!_LOG.txt"));
}

namespace {

// Steps run one after another on a timer, whichever window's loop is running:
// a step answers false to be tried again on the next tick.
class TScript {
public:
  // A loaded machine may take many times the few seconds the script needs alone.
  static constexpr std::chrono::seconds Deadline{120};

  explicit TScript(std::vector<std::function<bool()>> Steps) : FSteps(std::move(Steps)), FTimer(new TTimer(nullptr)) {
    FTimer->SetInterval(300);
    FTimer->OnTimer = [this](TObject*) {
      if (FNext >= FSteps.size() || FBusy) return;
      // A step that never comes leaves no window waiting for input.
      if (std::chrono::steady_clock::now() > FDeadline) {
        for (Integer i = 0; i < Screen->GetFormCount(); ++i)
          if (Screen->GetForms(i)->GetFormState().Contains(fsModal)) Screen->GetForms(i)->SetModalResult(mrCancel);
        return;
      }
      FBusy = true;
      if (FSteps[FNext]()) ++FNext;
      FBusy = false;
    };
    FTimer->SetEnabled(true);
  }
  ~TScript() { delete FTimer; }
  bool Done() const { return FNext >= FSteps.size(); }
  size_t StepsDone() const { return FNext; }

private:
  std::vector<std::function<bool()>> FSteps;
  TTimer* FTimer;
  size_t FNext = 0;
  bool FBusy = false;
  std::chrono::steady_clock::time_point FDeadline = std::chrono::steady_clock::now() + Deadline;
};

template <class T>
T* ModalOnScreen() {
  for (Integer i = Screen->GetFormCount() - 1; i >= 0; --i)
    if (auto* f = dynamic_cast<T*>(Screen->GetForms(i)); f && f->GetVisible() && f->GetFormState().Contains(fsModal))
      return f;
  return nullptr;
}

}  // namespace

TEST(ProgramOnScreen, AResourceAddedInTheTreeEditorAndChosenForTheSearchListIsSearched) {
  TXvfbServer server;
  if (!server.Start()) GTEST_SKIP() << "Xvfb cannot be started here";
  ZTestServer z;
  const char* oldDisplay = std::getenv("DISPLAY");
  const std::string savedDisplay = oldDisplay ? oldDisplay : "";
  ::setenv("DISPLAY", server.Display().c_str(), 1);

  TTempFolder folder;
  const String settings = folder.Path() + u"Settings/";
  ASSERT_TRUE(ForceDirectories(settings));
  TSettingsValues v;
  v.DirSave = folder.Path() + u"Import/";
  v.Title_Text = u"3";
  v.RecCountFromDB = u"2";
  WriteSettingsFile(SettingsFileName(settings), v, [](const String&) { return true; });
  SetParamStr0(folder.Path() + FromUtf8("borrowline-e2e-" + std::to_string(::getpid())));
  const std::string artifacts = ArtifactDir();
  auto shot = [&](const std::string& Name) {
    TXvfbServer::TShot s;
    if (server.Screenshot(s)) TXvfbServer::SavePNG(s, artifacts + "/" + Name);
  };
  String endText;
  Integer chosen = -1;
  {
    String error;
    auto display = TSdlDisplay::Open(error);
    ASSERT_TRUE(display) << ToUtf8(error);
    ASSERT_TRUE(ProgramStart());
    Form_Main->Show();
    Pump(600);
    ASSERT_EQ(Dlg_ListDB->MemTableEh_Tree->RecordCount(), 1) << "no list yet: the root group alone";

    TScript script({
        [&] {  // the resources menu entry opens the tree editor
          ClickOnScreen(Form_Main->SB_Menu_Res);
          return true;
        },
        [&] {  // a new top-level record
          if (!ModalOnScreen<TDlg_ListDB>()) return false;
          shot("client-tree-editor-xvfb.png");
          ClickOnScreen(Dlg_ListDB->SB_N_Add_0);
          return true;
        },
        [&] {  // typed in as a resource of the local test server
          TDlg_EditDB* d = ModalOnScreen<TDlg_EditDB>();
          if (!d) return false;
          d->CB_Type->SetFocus();
          d->CB_Type->SetItemIndex(1);
          d->CB_TypeChange(d->CB_Type);
          TValueListEditor* values = d->ValueListEditor1;
          values->SetValues(u"Наименование", u"Локальный сервер");
          values->SetValues(u"База данных", u"Default");
          values->SetValues(u"URL", u"127.0.0.1");
          values->SetValues(u"Порт", IntToStr(z.Port()));
          values->SetValues(u"Формат", u"usmarc");
          Application->ProcessMessages();
          shot("client-resource-editor-xvfb.png");
          ClickOnScreen(d->SB_OK);
          return true;
        },
        [&] {  // OK saves the changed list
          if (ModalOnScreen<TDlg_EditDB>() || !ModalOnScreen<TDlg_ListDB>()) return false;
          if (!Dlg_ListDB->Label_YesModify->GetVisible()) return false;
          shot("client-tree-editor-added-xvfb.png");
          ClickOnScreen(Dlg_ListDB->SB_OK);
          return true;
        },
        [&] {  // the add button opens the chooser, once the save is done: until then it takes no click
          if (ModalOnScreen<TDlg_ListDB>() || Dlg_ListDB->IsLoadingOrSaving()) return false;
          ClickOnScreen(Form_Main->SB_N_Add);
          return true;
        },
        [&] {  // the new resource is chosen by a double click in the grid
          TDlg_ListDB* w = ModalOnScreen<TDlg_ListDB>();
          if (!w) return false;
          EXPECT_FALSE(w->SB_N_Edit->GetEnabled()) << "no editing while choosing";
          w->MemTableEh_Tree->Locate(u"ID_THIS", Variant(Integer(1)), {});
          auto* grid = dynamic_cast<TControl*>(w->FindComponent(u"DBGridEh_TreeDB"));
          // Below the rows: the double click leaves the current record where it is.
          const TPoint p = grid->ClientToScreen(TPoint(grid->GetWidth() / 2, grid->GetHeight() - 40));
          for (int i = 0; i < 2; ++i) {
            InjectMouse(TMouseAction::Move, mbLeft, p);
            InjectMouse(TMouseAction::Down, mbLeft, p);
            InjectMouse(TMouseAction::Up, mbLeft, p);
          }
          return true;
        },
        [&] {
          TDlg_ListDB* w = ModalOnScreen<TDlg_ListDB>();
          if (!w || w->clb_ListDB_Names->GetCount() == 0) return false;
          shot("client-resource-chooser-xvfb.png");
          ClickOnScreen(w->SB_OK);
          return true;
        },
        [&] {  // the search starts from the main window
          if (ModalOnScreen<TDlg_ListDB>()) return false;
          chosen = Form_Main->clb_ListDB_Names->GetCount();
          ClickOnScreen(Form_Main->sb_Start);
          return true;
        },
        [&] {  // the end of the run shows its box
          TDlg_MyShowMessage* box = ModalOnScreen<TDlg_MyShowMessage>();
          if (!box) return false;
          endText = box->RE_Msg->GetText();
          shot("client-search-end-xvfb.png");
          box->SB_OKClick(box->SB_OK);
          return true;
        },
        [&] {
          if (ModalOnScreen<TDlg_MyShowMessage>()) return false;
          shot("client-search-log-xvfb.png");
          return true;
        },
    });
    const auto end = std::chrono::steady_clock::now() + TScript::Deadline;
    while (!script.Done() && std::chrono::steady_clock::now() < end) Pump(50);
    EXPECT_TRUE(script.Done()) << "stopped after step " << script.StepsDone();

    Form_Main->Close();
    Pump(100);
    FinalizeForms();
  }
  SetParamStr0(String());
  if (oldDisplay) ::setenv("DISPLAY", savedDisplay.c_str(), 1);
  else ::unsetenv("DISPLAY");

  EXPECT_EQ(chosen, 1);
  EXPECT_EQ(endText, u"Процесс поиска и выборки закончен!");
  const std::string list = ReadFileBytes(settings + u"ListDB.txt");
  EXPECT_NE(list.find("\t127.0.0.1\t" + std::to_string(z.Port()) + "\tusmarc\t"), std::string::npos) << list;
  EXPECT_EQ(ReadFileBytes(settings + u"ListDB_for_Search.txt"), "1\r\n");
  const String iso = u"00001-127_0_0_1-Default-" + IntToStr(z.Port()) + u"-usmarc.iso";
  EXPECT_EQ(ReadFileBytes(folder.Path() + u"Import/" + iso).size(), 732u) << "the server's first two records";
  const std::string log = ReadFileBytes(folder.Path() + u"Import/!_LOG.txt");
  EXPECT_NE(log.find(" => " + ToUtf8(iso)), std::string::npos) << log;
}
