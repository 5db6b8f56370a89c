// The program on a real display: a private Xvfb, the SDL2 display, the main
// window on the screen, the settings dialog and the about box opened from
// its menu row, a message box, and a search against a local yaz-ztest. Screenshots are kept
// as test artifacts.

#include <SDL.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <thread>

#include "client/Borrowline.h"
#include "client/__sys.h"
#include "client/z39_00_func.h"
#include "client/z39_01_main.h"
#include "client/z39_05_Settings.h"
#include "client/z39_04_MyShowMessage.h"
#include "client/z39_07_About.h"
#include "client/SettingsFile.h"
#include "platform/backend/SdlDisplay.h"
#include "platform/core/Files.h"
#include "platform/ui/Buttons.h"
#include "platform/ui/ComCtrls.h"
#include "platform/ui/ExtCtrls.h"
#include "tests/client/ResourceListText.h"
#include "tests/client/TempFolder.h"
#include "tests/lendsrv/ZTestServer.h"
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
