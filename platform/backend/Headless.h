#pragma once
// The headless display: no screen, a manual clock, input synthesised as messages
// through the real queue and dispatch, modal loops a test can drive, and PNG
// snapshots of any window.
//
//   THeadlessDisplay display;            // installs itself; tears every window down at the end
//   display.Click(button->GetHandle(), 5, 5);
//   display.AdvanceClock(500);           // fires each due timer in order
//   display.SnapshotPNG(form->GetHandle(), "form.png");

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/core/Exceptions.h"
#include "platform/ui/Display.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Graphics.h"
#include "platform/ui/MessageQueue.h"

// A loop waited for input that no test step will ever give.
BORROW_EXCEPTION(EHeadlessStall, Exception)

enum class THeadlessShift : unsigned { None = 0, Shift = 1, Ctrl = 2, Alt = 4 };
constexpr THeadlessShift operator|(THeadlessShift a, THeadlessShift b) {
  return THeadlessShift(unsigned(a) | unsigned(b));
}
constexpr bool operator&(THeadlessShift a, THeadlessShift b) { return (unsigned(a) & unsigned(b)) != 0; }

class THeadlessDisplay final : public TDisplayBackend {
public:
  THeadlessDisplay();
  ~THeadlessDisplay() override;
  THeadlessDisplay(const THeadlessDisplay&) = delete;
  THeadlessDisplay& operator=(const THeadlessDisplay&) = delete;

  // ---- TDisplayBackend
  UInt64 Now() override { return FClock; }
  std::vector<TDisplayMonitor> Monitors() override { return FMonitors; }
  void Present(HWND Wnd, cairo_surface_t* Image, const TRect& Dirty) override;
  void Wait(UInt64 TimeoutMs) override;
  void Beep() override { ++FBeeps; }
  void WindowActivated(HWND Wnd) override { FBroughtForward.push_back(Wnd); }

  // ---- Setup
  void SetMonitors(std::vector<TDisplayMonitor> Monitors) { FMonitors = std::move(Monitors); }
  // Steps run one at a time whenever a loop (a modal form, a message box, a scroll
  // drag) waits for input; each typically clicks or types something.
  void WhenIdle(std::function<void()> Step) { FIdleSteps.push_back(std::move(Step)); }
  size_t PendingIdleSteps() const { return FIdleSteps.size(); }

  // ---- Message boxes: each box is recorded; answers are taken in order, and a box
  // with no answer left gets its default button.
  void AnswerMessageBoxes(std::vector<Integer> Answers);
  // Or a function that decides (it runs where the box would be modal).
  void OnMessageBox(std::function<Integer(const TMessageBoxRequest&)> Responder) { FResponder = std::move(Responder); }
  const std::vector<TMessageBoxRequest>& MessageBoxes() const { return FBoxes; }
  Integer UnansweredMessageBoxes() const { return FUnanswered; }

  // ---- Clock
  // Moves the clock forward by Ms, dispatching every timer that falls due on the
  // way, in time order, with the clock standing at its due time.
  void AdvanceClock(UInt64 Ms);
  // Moves the clock without dispatching anything: for steps run inside a loop that
  // takes its own messages (a held scroll arrow repeating, say).
  void PassTime(UInt64 Ms) { FClock += Ms; }
  // Dispatches what is queued (posted and input messages, paints, due timers).
  void ProcessMessages();

  // ---- Input, in client coordinates of Wnd; each call processes the messages it made.
  void MouseMove(HWND Wnd, Integer X, Integer Y);
  void MouseDown(HWND Wnd, Integer X, Integer Y, TMouseButton Button = mbLeft,
                 THeadlessShift Shift = THeadlessShift::None);
  void MouseUp(HWND Wnd, Integer X, Integer Y, TMouseButton Button = mbLeft,
               THeadlessShift Shift = THeadlessShift::None);
  void Click(HWND Wnd, Integer X, Integer Y, TMouseButton Button = mbLeft, THeadlessShift Shift = THeadlessShift::None);
  void DoubleClick(HWND Wnd, Integer X, Integer Y);
  // Press at From, move in Steps steps to To, release there.
  void Drag(HWND Wnd, TPoint From, TPoint To, Integer Steps = 4);
  void Wheel(HWND Wnd, Integer X, Integer Y, Integer Delta);
  void KeyDown(Word VirtKey, THeadlessShift Shift = THeadlessShift::None);
  void KeyUp(Word VirtKey, THeadlessShift Shift = THeadlessShift::None);
  // Down and up, with the modifiers held around it.
  void Key(Word VirtKey, THeadlessShift Shift = THeadlessShift::None);
  // Each character as the display's text input gives it: key down (for letters and
  // digits), WM_CHAR, key up.
  void TypeText(const String& Text);
  // A click on the close box in the title bar of Wnd's top-level window, as the
  // window manager reports it.
  void ClickCloseBox(HWND Wnd);

  // ---- Output
  // Paints what is pending and writes the window (a child: its part of the image) as PNG.
  bool SnapshotPNG(HWND Wnd, const std::string& Path);
  // A pixel of the painted window, client coordinates, as $00BBGGRR.
  TColor PixelAt(HWND Wnd, Integer X, Integer Y);
  Integer PresentCount() const { return FPresents; }
  Integer BeepCount() const { return FBeeps; }
  // The windows the display was asked to bring forward (activated), in order.
  const std::vector<HWND>& BroughtForward() const { return FBroughtForward; }

private:
  void DispatchPending();
  // Runs input steps one by one, dispatching after each. A step whose messages open
  // a loop of their own (a modal form, a scroll-bar drag) lets that loop take the
  // following steps as it waits, just as a user's next moves would reach it.
  void RunInput(std::vector<std::function<void()>> Steps);
  void PressModifiers(THeadlessShift Shift, bool Down);
  // One press or release of Button at a client point, with Shift held meanwhile.
  void MouseButton(TMouseAction Action, HWND Wnd, Integer X, Integer Y, TMouseButton Button, THeadlessShift Shift);
  TPoint ToScreen(HWND Wnd, Integer X, Integer Y);

  UInt64 FClock = 1000000;
  std::vector<TDisplayMonitor> FMonitors;
  std::deque<std::function<void()>> FIdleSteps;
  std::deque<std::function<void()>> FInputSteps;
  Integer FPresents = 0;
  Integer FBeeps = 0;
  std::vector<HWND> FBroughtForward;
  Integer FWaitDepth = 0;
  UInt64 FIdleAdvanced = 0;  // virtual time let pass by waiting loops since the last step
  std::vector<TMessageBoxRequest> FBoxes;
  std::deque<Integer> FAnswers;
  std::function<Integer(const TMessageBoxRequest&)> FResponder;
  Integer FUnanswered = 0;
  TMessageBoxHook FPreviousHook;
};
