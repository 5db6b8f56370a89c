// The headless display backend.

#include "platform/backend/Headless.h"

#include <cairo.h>

#include "platform/ui/Input.h"
#include "platform/ui/Timers.h"
#include "platform/ui/Windows.h"

namespace {

// Virtual time a waiting loop may let pass (timers keep firing) before the test is
// told it waits for input that will never come.
constexpr UInt64 MaxIdleAdvance = 10 * 60 * 1000;

bool IsLetterOrDigit(Char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'); }

}  // namespace

THeadlessDisplay::THeadlessDisplay() {
  FMonitors = {{TRect(0, 0, 1280, 1024), TRect(0, 0, 1280, 984)}};
  SetDisplayBackend(this);
  ClearMessageQueue();
  KillAllTimers();
  ClearKeyState();
  SetCursorPos(-1, -1);
  InitializeForms();
  FPreviousHook = SetMessageBoxHook([this](const TMessageBoxRequest& r) {
    FBoxes.push_back(r);
    if (FResponder) return FResponder(r);
    if (!FAnswers.empty()) {
      Integer a = FAnswers.front();
      FAnswers.pop_front();
      return a;
    }
    ++FUnanswered;
    return MessageBoxDefaultButton(r.Flags);
  });
}

void THeadlessDisplay::AnswerMessageBoxes(std::vector<Integer> Answers) {
  for (Integer a : Answers) FAnswers.push_back(a);
}

THeadlessDisplay::~THeadlessDisplay() {
  // The forms the application owns go first, then every window still open, so
  // that the next test starts clean.
  FinalizeForms();
  for (int round = 0; round < 4; ++round) {
    auto tops = GetTopLevelWindows();
    if (tops.empty()) break;
    for (HWND h : tops) DestroyWindow(h);
  }
  ReleaseCapture();
  SetFocus(nullptr);
  ClearMessageQueue();
  KillAllTimers();
  ClearKeyState();
  SetMessageBoxHook(std::move(FPreviousHook));
  SetDisplayBackend(nullptr);
}

void THeadlessDisplay::Present(HWND, cairo_surface_t*, const TRect&) { ++FPresents; }

void THeadlessDisplay::RunInput(std::vector<std::function<void()>> Steps) {
  FIdleAdvanced = 0;
  // Ahead of any steps still pending from an outer sequence.
  for (auto it = Steps.rbegin(); it != Steps.rend(); ++it) FInputSteps.push_front(std::move(*it));
  size_t outer = FInputSteps.size() - Steps.size();
  while (FInputSteps.size() > outer) {
    auto step = std::move(FInputSteps.front());
    FInputSteps.pop_front();
    step();
    ProcessMessages();
  }
}

void THeadlessDisplay::Wait(UInt64 TimeoutMs) {
  if (!FInputSteps.empty()) {
    auto step = std::move(FInputSteps.front());
    FInputSteps.pop_front();
    FIdleAdvanced = 0;
    step();
    return;
  }
  if (!FIdleSteps.empty()) {
    auto step = std::move(FIdleSteps.front());
    FIdleSteps.pop_front();
    FIdleAdvanced = 0;
    ++FWaitDepth;
    step();
    --FWaitDepth;
    return;
  }
  // Time passes while a loop waits, so timers keep working; with nothing due, or
  // only timers that have run for a long while with no step left, nothing a test
  // planned can ever arrive.
  if (TimeoutMs < MaxIdleAdvance && FIdleAdvanced + TimeoutMs <= MaxIdleAdvance) {
    FClock += TimeoutMs;
    FIdleAdvanced += TimeoutMs;
    return;
  }
  FIdleAdvanced = 0;
  throw EHeadlessStall(u"A message loop waits for input, and no test step is left to give it");
}

void THeadlessDisplay::DispatchPending() {
  // Through the application when there is one, so key previews and dialog keys apply.
  if (Application) {
    Application->ProcessMessages();
    return;
  }
  TMsg m;
  while (PeekMessage(m, nullptr, 0, 0, PM_REMOVE)) {
    if (m.message == WM_QUIT) {
      PostQuitMessage(Integer(m.wParam));  // left for the loop that owns it
      return;
    }
    TranslateMessage(m);
    DispatchMessage(m);
  }
}

void THeadlessDisplay::ProcessMessages() { DispatchPending(); }

void THeadlessDisplay::AdvanceClock(UInt64 Ms) {
  UInt64 target = FClock + Ms;
  ProcessMessages();
  TDueTimer t;
  while (NextTimer(t) && t.Due <= target) {
    if (t.Due > FClock) FClock = t.Due;
    ProcessMessages();  // dispatches the due timer(s) at this instant
  }
  FClock = target;
  ProcessMessages();
}

TPoint THeadlessDisplay::ToScreen(HWND Wnd, Integer X, Integer Y) {
  TPoint p(X, Y);
  ClientToScreen(Wnd, p);
  return p;
}

void THeadlessDisplay::PressModifiers(THeadlessShift Shift, bool Down) {
  if (Shift & THeadlessShift::Shift) SetKeyDown(VK_SHIFT, Down);
  if (Shift & THeadlessShift::Ctrl) SetKeyDown(VK_CONTROL, Down);
  if (Shift & THeadlessShift::Alt) SetKeyDown(VK_MENU, Down);
}

void THeadlessDisplay::MouseMove(HWND Wnd, Integer X, Integer Y) {
  TPoint p = ToScreen(Wnd, X, Y);
  RunInput({[p] { InjectMouse(TMouseAction::Move, mbLeft, p); }});
}

void THeadlessDisplay::MouseButton(TMouseAction Action, HWND Wnd, Integer X, Integer Y, TMouseButton Button,
                                   THeadlessShift Shift) {
  TPoint p = ToScreen(Wnd, X, Y);
  RunInput({[=, this] {
    PressModifiers(Shift, true);
    InjectMouse(Action, Button, p);
  }});
  PressModifiers(Shift, false);
}

void THeadlessDisplay::MouseDown(HWND Wnd, Integer X, Integer Y, TMouseButton Button, THeadlessShift Shift) {
  MouseButton(TMouseAction::Down, Wnd, X, Y, Button, Shift);
}

void THeadlessDisplay::MouseUp(HWND Wnd, Integer X, Integer Y, TMouseButton Button, THeadlessShift Shift) {
  MouseButton(TMouseAction::Up, Wnd, X, Y, Button, Shift);
}

void THeadlessDisplay::Click(HWND Wnd, Integer X, Integer Y, TMouseButton Button, THeadlessShift Shift) {
  TPoint p = ToScreen(Wnd, X, Y);
  PressModifiers(Shift, true);
  RunInput({[p, Button] { InjectMouse(TMouseAction::Move, Button, p); },
            [p, Button] { InjectMouse(TMouseAction::Down, Button, p); },
            [p, Button] { InjectMouse(TMouseAction::Up, Button, p); }});
  PressModifiers(Shift, false);
}

void THeadlessDisplay::DoubleClick(HWND Wnd, Integer X, Integer Y) {
  Click(Wnd, X, Y);
  FClock += 10;
  Click(Wnd, X, Y);
}

void THeadlessDisplay::Drag(HWND Wnd, TPoint From, TPoint To, Integer Steps) {
  if (Steps < 1) Steps = 1;
  TPoint a = ToScreen(Wnd, From.X, From.Y), b = ToScreen(Wnd, To.X, To.Y);
  std::vector<std::function<void()>> seq;
  seq.push_back([a] { InjectMouse(TMouseAction::Move, mbLeft, a); });
  seq.push_back([a] { InjectMouse(TMouseAction::Down, mbLeft, a); });
  for (Integer i = 1; i <= Steps; ++i) {
    TPoint p(a.X + (b.X - a.X) * i / Steps, a.Y + (b.Y - a.Y) * i / Steps);
    seq.push_back([this, p] {
      FClock += 10;
      InjectMouse(TMouseAction::Move, mbLeft, p);
    });
  }
  seq.push_back([b] { InjectMouse(TMouseAction::Up, mbLeft, b); });
  RunInput(std::move(seq));
}

void THeadlessDisplay::Wheel(HWND Wnd, Integer X, Integer Y, Integer Delta) {
  TPoint p = ToScreen(Wnd, X, Y);
  RunInput({[p, Delta] { InjectMouse(TMouseAction::Wheel, mbLeft, p, Delta); }});
}

void THeadlessDisplay::KeyDown(Word VirtKey, THeadlessShift Shift) {
  PressModifiers(Shift, true);
  RunInput({[VirtKey] { InjectKey(VirtKey, true); }});
}

void THeadlessDisplay::KeyUp(Word VirtKey, THeadlessShift Shift) {
  RunInput({[VirtKey] { InjectKey(VirtKey, false); }});
  PressModifiers(Shift, false);
}

void THeadlessDisplay::Key(Word VirtKey, THeadlessShift Shift) {
  PressModifiers(Shift, true);
  RunInput({[VirtKey] { InjectKey(VirtKey, true); }, [VirtKey] { InjectKey(VirtKey, false); }});
  PressModifiers(Shift, false);
}

void THeadlessDisplay::TypeText(const String& Text) {
  std::vector<std::function<void()>> seq;
  for (Char c : Text) {
    Word vk = 0;
    if (IsLetterOrDigit(c)) vk = Word(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    else if (c == ' ') vk = VK_SPACE;
    bool shift = c >= 'A' && c <= 'Z';
    seq.push_back([=] {
      if (shift) SetKeyDown(VK_SHIFT, true);
      if (vk) InjectKey(vk, true);
      InjectChar(c);
    });
    seq.push_back([=] {
      if (vk) InjectKey(vk, false);
      if (shift) SetKeyDown(VK_SHIFT, false);
    });
  }
  RunInput(std::move(seq));
}

void THeadlessDisplay::ClickCloseBox(HWND Wnd) {
  HWND top = GetAncestorTop(Wnd);
  RunInput({[top] { InjectCloseRequest(top); }});
}

bool THeadlessDisplay::SnapshotPNG(HWND Wnd, const std::string& Path) {
  HWND top = GetAncestorTop(Wnd);
  cairo_surface_t* s = RenderWindow(top);
  if (!s) return false;
  TRect wr = GetWindowRect(Wnd), tr = GetWindowRect(top);
  OffsetRect(wr, -tr.Left, -tr.Top);
  cairo_surface_t* out =
      cairo_image_surface_create(CAIRO_FORMAT_ARGB32, std::max(1, wr.Width()), std::max(1, wr.Height()));
  cairo_t* cr = cairo_create(out);
  cairo_set_source_surface(cr, s, -wr.Left, -wr.Top);
  cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
  cairo_paint(cr);
  cairo_destroy(cr);
  bool ok = cairo_surface_write_to_png(out, Path.c_str()) == CAIRO_STATUS_SUCCESS;
  cairo_surface_destroy(out);
  return ok;
}

TColor THeadlessDisplay::PixelAt(HWND Wnd, Integer X, Integer Y) {
  HWND top = GetAncestorTop(Wnd);
  cairo_surface_t* s = RenderWindow(top);
  if (!s) return clNone;
  TPoint p(X, Y);
  ClientToScreen(Wnd, p);
  TRect tr = GetWindowRect(top);
  p = p - tr.TopLeft();
  if (p.X < 0 || p.Y < 0 || p.X >= cairo_image_surface_get_width(s) || p.Y >= cairo_image_surface_get_height(s))
    return clNone;
  cairo_surface_flush(s);
  const unsigned char* data = cairo_image_surface_get_data(s);
  int stride = cairo_image_surface_get_stride(s);
  std::uint32_t px = *reinterpret_cast<const std::uint32_t*>(data + p.Y * stride + p.X * 4);
  return RGB(Byte((px >> 16) & 0xFF), Byte((px >> 8) & 0xFF), Byte(px & 0xFF));
}
