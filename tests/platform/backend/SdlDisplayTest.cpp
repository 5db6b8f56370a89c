// The SDL2 display on a private Xvfb: windows reach the screen, SDL input becomes
// our messages (Cyrillic text included), popups keep the focus with their owner,
// the clipboard text reaches the system clipboard, and without a display the
// display refuses to open with a reason.

#include <gtest/gtest.h>

#include <SDL.h>
#include <dlfcn.h>

#include <poll.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <thread>
#include <utility>

#include "XRequests.h"
#include "XvfbServer.h"
#include "platform/backend/SdlDisplay.h"
#include "platform/ui/Clipbrd.h"
#include "platform/ui/GDI.h"
#include "platform/ui/Graphics.h"
#include "platform/ui/Input.h"
#include "platform/ui/MessageQueue.h"
#include "platform/ui/Windows.h"
#include "platform/core/Exceptions.h"

namespace {

TXvfbServer* Server = nullptr;

class TXvfbEnvironment final : public ::testing::Environment {
public:
  void SetUp() override {
    // SDL loads the X libraries itself and unloads them at SDL_Quit; kept loaded,
    // what they keep for the process's lifetime is reported under their names.
    for (const char* lib : {"libX11.so.6", "libXext.so.6", "libXcursor.so.1", "libXi.so.6", "libXrandr.so.2",
                            "libXss.so.1", "libXfixes.so.3", "libxkbcommon.so.0"})
      dlopen(lib, RTLD_NOW | RTLD_NODELETE);
    FServer = std::make_unique<TXvfbServer>();
    if (FServer->Start()) Server = FServer.get();
  }
  void TearDown() override {
    Server = nullptr;
    FServer.reset();
  }

private:
  std::unique_ptr<TXvfbServer> FServer;
};

const auto* const Registered = ::testing::AddGlobalTestEnvironment(new TXvfbEnvironment);

std::string ArtifactDir() {
  const std::string dir = std::string(BORROW_BINARY_DIR) + "/test-artifacts";
  std::filesystem::create_directories(dir);
  return dir;
}

// Dispatches everything that arrives for Ms milliseconds of real time.
void Pump(int Ms) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(Ms);
  while (std::chrono::steady_clock::now() < end) {
    TMsg m;
    while (PeekMessage(m, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(m);
      DispatchMessage(m);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

struct SdlDisplayTest : ::testing::Test {
  void SetUp() override {
    if (!Server) GTEST_SKIP() << "Xvfb is not available";
    setenv("DISPLAY", Server->Display().c_str(), 1);
    String error;
    Display = TSdlDisplay::Open(error);
    ASSERT_TRUE(Display) << ToUtf8(error);
  }
  void TearDown() override {
    for (HWND h : Windows)
      if (IsWindow(h)) DestroyWindow(h);
    ClearMessageQueue();
    Display.reset();
  }

  // A captioned window whose client area is filled with Fill; it records its WM_CHAR,
  // key and button messages.
  HWND MakeWindow(const String& Caption, TRect R, COLORREF Fill, DWORD Style = WS_OVERLAPPEDWINDOW,
                  HWND Owner = nullptr) {
    HWND h = CreateWindowEx(0, u"UiCtlTest", Caption, Style, R.Left, R.Top, R.Width(), R.Height(), Owner,
                            [this, Fill](HWND w, TMessage& m) {
                              switch (m.Msg) {
                                case WM_PAINT: {
                                  TPaintStruct ps;
                                  HDC dc = BeginPaint(w, ps);
                                  HBRUSH b = CreateSolidBrush(Fill);
                                  FillRect(dc, GetClientRect(w), b);
                                  DeleteObject(b);
                                  EndPaint(w, ps);
                                  return;
                                }
                                case WM_CHAR: Chars += Char(m.WParam); break;
                                case WM_KEYDOWN: Keys.push_back(Word(m.WParam)); break;
                                case WM_LBUTTONDOWN:
                                  Clicks.push_back(TPoint(GetXLParam(m.LParam), GetYLParam(m.LParam)));
                                  break;
                                default: break;
                              }
                              DefaultWindowProc(w, m);
                            });
    Windows.push_back(h);
    return h;
  }

  // A white window, shown and given the keyboard focus, for the typing tests.
  HWND MakeFocusedWindow(const String& Caption) {
    HWND h = MakeWindow(Caption, TRect(50, 50, 300, 200), RGB(255, 255, 255));
    ShowWindow(h, SW_SHOW);
    SetFocus(h);
    Pump(100);
    return h;
  }

  // Text input of Utf8 aimed at the SDL window of h.
  SDL_Event TextInput(HWND h, const char* Utf8) {
    SDL_Event e{};
    e.type = SDL_TEXTINPUT;
    e.text.windowID = SDL_GetWindowID(Display->SdlWindowOf(h));
    SDL_strlcpy(e.text.text, Utf8, sizeof e.text.text);
    return e;
  }

  // A main window on the screen and a box it owns, shown over it.
  std::pair<HWND, HWND> ShowMainAndBox() {
    HWND main = MakeWindow(u"Главное", TRect(40, 40, 440, 340), RGB(255, 255, 255));
    ShowWindow(main, SW_SHOW);
    Pump(100);
    HWND box =
        MakeWindow(u"Ошибка", TRect(100, 100, 320, 200), RGB(0, 0, 255), WS_POPUP | WS_CAPTION | WS_SYSMENU, main);
    ShowWindow(box, SW_SHOW);
    return {main, box};
  }

  // A left click at client point (X, Y), pressed and let go, left in SDL's queue.
  void PushClick(HWND h, int X, int Y) {
    SDL_Event e{};
    e.type = SDL_MOUSEBUTTONDOWN;
    e.button.windowID = SDL_GetWindowID(Display->SdlWindowOf(h));
    e.button.button = SDL_BUTTON_LEFT;
    e.button.x = X;
    e.button.y = Y;
    SDL_PushEvent(&e);
    e.type = SDL_MOUSEBUTTONUP;
    SDL_PushEvent(&e);
  }

  std::unique_ptr<TSdlDisplay> Display;
  std::vector<HWND> Windows;
  String Chars;
  std::vector<Word> Keys;
  std::vector<TPoint> Clicks;
};

}  // namespace

TEST(SdlDisplayWithoutScreen, RefusesToOpenAndSaysWhy) {
  const char* saved = std::getenv("DISPLAY");
  const std::string keep = saved ? saved : "";
  unsetenv("DISPLAY");
  String error;
  auto d = TSdlDisplay::Open(error);
  if (!keep.empty()) setenv("DISPLAY", keep.c_str(), 1);
  EXPECT_FALSE(d);
  EXPECT_EQ(error.rfind(u"Не удалось открыть дисплей", 0), 0u) << ToUtf8(error);
}

TEST_F(SdlDisplayTest, AnXErrorIsPassedOverAndTheProgramGoesOn) {
  HWND h = MakeWindow(u"После ошибки", TRect(60, 60, 260, 160), RGB(10, 120, 200));
  ShowWindow(h, SW_SHOW);
  Pump(100);
  // Xlib's own handler would end the process here.
  ASSERT_TRUE(SendEventToAWindowThatIsGone(Server->Display()));
  Pump(100);
  EXPECT_TRUE(IsWindow(h));
  ASSERT_NE(Display->SdlWindowOf(h), nullptr);
}

TEST_F(SdlDisplayTest, AnXErrorReadAsTheDisplayClosesOrAfterIsPassedOverToo) {
  // SDL closes its connections at its very end, reading what errors they still
  // hold; a connection of the program's own may close after it.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        Display.reset();
        SendEventToAWindowThatIsGone(Server->Display());
        std::exit(0);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST_F(SdlDisplayTest, WindowAppearsOnTheScreenAtItsClientPosition) {
  HWND h = MakeWindow(u"Проверка", TRect(100, 80, 420, 300), RGB(200, 30, 40));
  ShowWindow(h, SW_SHOW);
  RenderWindow(h);
  Pump(300);
  ASSERT_NE(Display->SdlWindowOf(h), nullptr);
  EXPECT_STREQ(SDL_GetWindowTitle(Display->SdlWindowOf(h)), "Проверка");

  TXvfbServer::TShot shot;
  ASSERT_TRUE(Server->Screenshot(shot));
  TXvfbServer::SavePNG(shot, ArtifactDir() + "/sdl-window.png");
  TPoint origin(0, 0);
  ClientToScreen(h, origin);
  EXPECT_EQ(shot.At(origin.X + 5, origin.Y + 5), 0xC81E28u);
  const TRect client = GetClientRect(h);
  EXPECT_EQ(shot.At(origin.X + client.Right - 2, origin.Y + client.Bottom - 2), 0xC81E28u);
  EXPECT_NE(shot.At(origin.X + client.Right + 3, origin.Y + 5), 0xC81E28u);  // nothing beyond it
}

TEST_F(SdlDisplayTest, TextInputBecomesCharactersIncludingCyrillic) {
  HWND h = MakeFocusedWindow(u"Ввод");
  SDL_Event e = TextInput(h, "Жук z");
  SDL_PushEvent(&e);
  Pump(100);
  EXPECT_EQ(Chars, u"Жук z");
}

TEST_F(SdlDisplayTest, TextTypedWithLeftAltHeldIsNotTyping) {
  HWND h = MakeFocusedWindow(u"Alt");
  SDL_Event e = TextInput(h, "a");
  SDL_SetModState(KMOD_LALT);
  Display->HandleEvent(e);
  SDL_SetModState(KMOD_RALT);
  SDL_strlcpy(e.text.text, "\xE2\x82\xAC", sizeof e.text.text);  // AltGr+E on many layouts
  Display->HandleEvent(e);
  SDL_SetModState(KMOD_NONE);
  Pump(50);
  EXPECT_EQ(Chars, u"\u20AC");
}

TEST_F(SdlDisplayTest, KeysMapByPositionAndControlKeysMakeCharacters) {
  HWND h = MakeFocusedWindow(u"Клавиши");
  for (SDL_Scancode sc : {SDL_SCANCODE_A, SDL_SCANCODE_RETURN, SDL_SCANCODE_F2}) {
    SDL_Event e{};
    e.type = SDL_KEYDOWN;
    e.key.windowID = SDL_GetWindowID(Display->SdlWindowOf(h));
    e.key.keysym.scancode = sc;
    SDL_PushEvent(&e);
    e.type = SDL_KEYUP;
    SDL_PushEvent(&e);
  }
  Pump(100);
  EXPECT_EQ(Keys, (std::vector<Word>{Word('A'), VK_RETURN, VK_F2}));
  EXPECT_EQ(Chars, u"\r");  // Enter makes its character; a letter comes from text input only
}

TEST_F(SdlDisplayTest, MouseButtonsArriveInClientCoordinates) {
  HWND h = MakeWindow(u"Мышь", TRect(60, 70, 360, 270), RGB(255, 255, 255));
  ShowWindow(h, SW_SHOW);
  Pump(100);
  PushClick(h, 12, 34);
  Pump(100);
  ASSERT_EQ(Clicks.size(), 1u);
  EXPECT_EQ(Clicks[0], TPoint(12, 34));
}

TEST_F(SdlDisplayTest, PopupIsBorderlessAtScreenPositionAndOwnerKeepsFocus) {
  HWND owner = MakeWindow(u"Владелец", TRect(40, 40, 440, 340), RGB(255, 255, 255));
  ShowWindow(owner, SW_SHOW);
  SetFocus(owner);
  Pump(100);
  HWND popup = MakeWindow(String(), TRect(150, 160, 250, 220), RGB(0, 0, 255), WS_POPUP | WS_BORDER, owner);
  ShowWindow(popup, SW_SHOWNOACTIVATE);
  RenderWindow(popup);
  Pump(300);
  SDL_Window* w = Display->SdlWindowOf(popup);
  ASSERT_NE(w, nullptr);
  const Uint32 flags = SDL_GetWindowFlags(w);
  EXPECT_TRUE(flags & SDL_WINDOW_BORDERLESS);
  EXPECT_TRUE(flags & SDL_WINDOW_SKIP_TASKBAR);
  int x = 0, y = 0;
  SDL_GetWindowPosition(w, &x, &y);
  EXPECT_EQ(x, 150);
  EXPECT_EQ(y, 160);
  EXPECT_EQ(GetFocus(), owner);

  TXvfbServer::TShot shot;
  ASSERT_TRUE(Server->Screenshot(shot));
  EXPECT_EQ(shot.At(200, 190), 0x0000FFu);  // the popup's client, drawn over the owner
}

TEST_F(SdlDisplayTest, AWindowThatHidesGivesTheKeyboardBackToTheWindowThatHadIt) {
  HWND main = MakeWindow(u"Главное", TRect(40, 40, 440, 340), RGB(255, 255, 255));
  ShowWindow(main, SW_SHOW);
  SetFocus(main);
  Pump(200);
  // A stay-on-top window of its own, shown over the main one and hidden again,
  // as the wait window is at start-up.
  HWND wait =
      MakeWindow(u"Подождите", TRect(100, 100, 320, 160), RGB(0, 0, 255), WS_POPUP | WS_CAPTION | WS_SYSMENU, main);
  SetWindowPos(wait, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  ShowWindow(wait, SW_SHOW);
  Pump(200);
  EXPECT_EQ(SDL_GetKeyboardFocus(), Display->SdlWindowOf(wait));
  ShowWindow(wait, SW_HIDE);
  Pump(200);
  EXPECT_EQ(GetActiveWindow(), main);
  EXPECT_EQ(SDL_GetKeyboardFocus(), Display->SdlWindowOf(main)) << "typing reaches the main window";
}

TEST_F(SdlDisplayTest, OwnedWindowsTellTheWindowManagerWhoseTheyAre) {
  const auto [main, box] = ShowMainAndBox();
  HWND list = MakeWindow(String(), TRect(60, 300, 200, 330), RGB(0, 255, 0), WS_POPUP | WS_BORDER, box);
  ShowWindow(list, SW_SHOWNOACTIVATE);
  Pump(100);
  const unsigned long mainX = XWindowOf(Display->SdlWindowOf(main)), boxX = XWindowOf(Display->SdlWindowOf(box));
  ASSERT_NE(mainX, 0u);
  ASSERT_NE(boxX, 0u);
  EXPECT_EQ(TransientForOf(Server->Display(), boxX), mainX);
  EXPECT_EQ(TransientForOf(Server->Display(), XWindowOf(Display->SdlWindowOf(list))), boxX);
  // The main window belongs to none of ours (SDL may name the root window).
  const unsigned long mainFor = TransientForOf(Server->Display(), mainX);
  EXPECT_TRUE(mainFor == 0 || mainFor == RootWindowOf(Server->Display())) << mainFor;
}

TEST_F(SdlDisplayTest, TheKeyboardGivenToAWindowAModalOneDisablesGoesToTheModalOne) {
  const auto [main, box] = ShowMainAndBox();
  EnableWindow(main, false);
  Pump(200);
  ASSERT_EQ(GetActiveWindow(), box);
  // What a window manager does when the user clicks the main window.
  SDL_SetWindowInputFocus(Display->SdlWindowOf(main));
  Pump(300);
  EXPECT_EQ(GetActiveWindow(), box);
  EXPECT_EQ(SDL_GetKeyboardFocus(), Display->SdlWindowOf(box)) << "Enter and Esc reach the box";
}

TEST_F(SdlDisplayTest, TheCloseBoxClosesAWindowButNotOneThatAModalWindowDisables) {
  const auto [main, box] = ShowMainAndBox();
  EnableWindow(main, false);
  Pump(200);
  // The window manager's close request, as a click on the title bar's close box gives it.
  auto CloseBox = [&](HWND h) {
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.event = SDL_WINDOWEVENT_CLOSE;
    e.window.windowID = SDL_GetWindowID(Display->SdlWindowOf(h));
    Display->HandleEvent(e);
    TMsg m;
    while (PeekMessage(m, nullptr, 0, 0, PM_REMOVE)) DispatchMessage(m);
  };
  CloseBox(main);
  EXPECT_TRUE(IsWindow(main));
  EXPECT_EQ(GetActiveWindow(), box);
  CloseBox(box);
  EXPECT_FALSE(IsWindow(box));
  EnableWindow(main, true);
  CloseBox(main);
  EXPECT_FALSE(IsWindow(main));
}

TEST_F(SdlDisplayTest, KeysTypedRightAfterAClickInOneBatchGoToTheWindowTheClickChose) {
  HWND h = MakeFocusedWindow(u"Поля");
  // Two fields that take the focus when pressed, and keep what is typed into them.
  String typed[2];
  HWND fields[2];
  for (int i = 0; i < 2; ++i)
    fields[i] = CreateWindowEx(0, u"UiCtlTest", String(), WS_CHILD | WS_VISIBLE, 10, 10 + 40 * i, 200, 24, h,
                               [&typed, i](HWND w, TMessage& m) {
                                 if (m.Msg == WM_LBUTTONDOWN) SetFocus(w);
                                 if (m.Msg == WM_CHAR) typed[i] += Char(m.WParam);
                                 DefaultWindowProc(w, m);
                               });
  SetFocus(fields[0]);
  Pump(50);
  // What arrives while the program is busy: a click on the second field, then typing.
  PushClick(h, 20, 60);
  SDL_Event text = TextInput(h, "Пушкин");
  SDL_PushEvent(&text);
  Pump(100);
  EXPECT_EQ(typed[0], u"");
  EXPECT_EQ(typed[1], u"Пушкин");
}

TEST_F(SdlDisplayTest, ClipboardTextReachesTheSystemAndBack) {
  HWND h = MakeWindow(u"Буфер", TRect(50, 50, 200, 150), RGB(255, 255, 255));
  ShowWindow(h, SW_SHOW);
  Pump(50);
  Clipboard()->SetAsText(u"Привет, мир");
  char* t = SDL_GetClipboardText();
  ASSERT_NE(t, nullptr);
  EXPECT_STREQ(t, "Привет, мир");
  SDL_free(t);
  SDL_SetClipboardText("внешний текст");
  EXPECT_EQ(Clipboard()->GetAsText(), u"внешний текст");
}

namespace {

// A text of about Bytes bytes of UTF-8, Cyrillic and Latin lines.
std::string LargeText(size_t Bytes) {
  std::string t;
  for (int line = 0; t.size() < Bytes; ++line) t += "Строка " + std::to_string(line) + ": Пушкин, Pushkin; Заголовок\n";
  return t;
}

}  // namespace

TEST_F(SdlDisplayTest, ALargeTextFromAnotherProgramIsPastedWhole) {
  HWND h = MakeWindow(u"Вставка", TRect(50, 50, 200, 150), RGB(255, 255, 255));
  ShowWindow(h, SW_SHOW);
  Pump(50);
  for (size_t bytes : {size_t(200 * 1024), size_t(1024 * 1024)}) {
    const std::string text = LargeText(bytes);
    // Handed over in pieces of 64 KB above that size, as other programs do.
    TXSelectionOwner owner;
    ASSERT_TRUE(owner.Start(Server->Display(), text, 64 * 1024));
    const std::string got = ToUtf8(Clipboard()->GetAsText());
    EXPECT_EQ(got.size(), text.size()) << bytes << " bytes";
    EXPECT_TRUE(got == text) << bytes << " bytes";
    EXPECT_EQ(owner.Pieces(), int((text.size() + 64 * 1024 - 1) / (64 * 1024)));
  }
  // And our own large text comes back whole too.
  const String own = FromUtf8(LargeText(1024 * 1024 + 7));
  Clipboard()->SetAsText(own);
  EXPECT_EQ(Clipboard()->GetAsText().size(), own.size());
  EXPECT_TRUE(Clipboard()->GetAsText() == own);
}

TEST_F(SdlDisplayTest, AClipboardOwnerThatDoesNotAnswerIsReportedNotTakenForNoText) {
  HWND h = MakeWindow(u"Вставка", TRect(50, 50, 200, 150), RGB(255, 255, 255));
  ShowWindow(h, SW_SHOW);
  Pump(50);
  TXSelectionOwner owner;
  ASSERT_TRUE(owner.Start(Server->Display(), "что-то", 1024, /*Silent=*/true));
  try {
    Clipboard()->GetAsText();
    ADD_FAILURE() << "a paste that gets nothing says why";
  } catch (const Exception& e) {
    EXPECT_NE(e.Message().find(u"буфера обмена"), String::npos) << ToUtf8(e.Message());
  }
}

// ---- The demo program on the private X server ----------------------------------------------

namespace {

struct TChild {
  pid_t Pid = 0;
  int Out = -1;
};

// Starts the demo with the given DISPLAY (empty: none) and its stdout on a pipe.
TChild StartDemo(const std::string& Display, std::vector<std::string> Args) {
  TChild c;
  int fds[2];
  if (pipe(fds) != 0) return c;
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_adddup2(&fa, fds[1], 1);
  posix_spawn_file_actions_addclose(&fa, fds[0]);
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e)
    if (std::strncmp(*e, "DISPLAY=", 8) != 0) env.emplace_back(*e);
  if (!Display.empty()) env.push_back("DISPLAY=" + Display);
  std::vector<char*> envp, argv;
  for (auto& s : env) envp.push_back(s.data());
  envp.push_back(nullptr);
  std::string path = SDL_DEMO_PATH;
  argv.push_back(path.data());
  for (auto& a : Args) argv.push_back(a.data());
  argv.push_back(nullptr);
  if (posix_spawn(&c.Pid, path.c_str(), &fa, nullptr, argv.data(), envp.data()) != 0) c.Pid = 0;
  posix_spawn_file_actions_destroy(&fa);
  close(fds[1]);
  c.Out = fds[0];
  return c;
}

// Reads the child's stdout until a full line arrives or the time is up.
std::string ReadLine(int Fd, int TimeoutMs) {
  std::string line;
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(TimeoutMs);
  while (std::chrono::steady_clock::now() < end) {
    pollfd p{Fd, POLLIN, 0};
    if (poll(&p, 1, 50) > 0) {
      char ch;
      if (read(Fd, &ch, 1) != 1) break;
      if (ch == '\n') return line;
      line += ch;
    }
  }
  return line;
}

int Finish(TChild& c, int TimeoutMs) {
  int status = 0;
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(TimeoutMs);
  while (std::chrono::steady_clock::now() < end) {
    if (waitpid(c.Pid, &status, WNOHANG) == c.Pid) {
      close(c.Out);
      return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  kill(c.Pid, SIGKILL);
  waitpid(c.Pid, &status, 0);
  close(c.Out);
  return -2;
}

bool Near(std::uint32_t a, std::uint32_t b) {
  for (int s = 0; s < 24; s += 8)
    if (std::abs(int((a >> s) & 0xFF) - int((b >> s) & 0xFF)) > 8) return false;
  return true;
}

std::uint32_t AsScreen(TColor c) {
  const TColor rgb = ColorToRGB(c);
  return (std::uint32_t(rgb & 0xFF) << 16) | (std::uint32_t(rgb) & 0xFF00) | ((std::uint32_t(rgb) >> 16) & 0xFF);
}

}  // namespace

TEST(SdlDemo, WithoutADisplayItSaysSoAndExits) {
  TChild c = StartDemo(std::string(), {});
  ASSERT_GT(c.Pid, 0);
  EXPECT_EQ(Finish(c, 10000), 1);
}

TEST(SdlDemo, TheDemoFormShowsOnTheScreen) {
  if (!Server) GTEST_SKIP() << "Xvfb is not available";
  TChild c = StartDemo(Server->Display(), {"--exit-after", "4000"});
  ASSERT_GT(c.Pid, 0);
  const std::string ready = ReadLine(c.Out, 15000);
  int x = 0, y = 0;
  ASSERT_EQ(std::sscanf(ready.c_str(), "ready %d %d", &x, &y), 2) << ready;
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  TXvfbServer::TShot shot;
  ASSERT_TRUE(Server->Screenshot(shot));
  TXvfbServer::SavePNG(shot, ArtifactDir() + "/sdl-demo.png");
  kill(c.Pid, SIGTERM);
  Finish(c, 10000);

  EXPECT_EQ(shot.At(x + 400, y + 200), 0xA6CAF0u);                    // the form, sky blue
  EXPECT_EQ(shot.At(x + 250, y + 58), 0xFFFFFFu);                     // the title edit
  EXPECT_TRUE(Near(shot.At(x + 390, y + 262), AsScreen(clBtnFace)));  // the OK button's face
  EXPECT_EQ(shot.At(x + 200, y), 0xFFFFFFu);                          // the panel's raised edge
  // The focused edit shows its text selected: highlight behind light letters.
  int highlight = 0, light = 0;
  for (int dy = 50; dy < 66; ++dy)
    for (int dx = 112; dx < 150; ++dx) {
      const std::uint32_t p = shot.At(x + dx, y + dy);
      highlight += p == AsScreen(clHighlight);
      light += Near(p, 0xFFFFFF);
    }
  EXPECT_GT(highlight, 50);
  EXPECT_GT(light, 5);
}
