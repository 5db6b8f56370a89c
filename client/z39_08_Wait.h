#pragma once
// The wait window shown while the resource list is loaded or saved: a message
// line, a progress bar and a title that spins while messages are pumped.
// Created once at start-up; shown and hidden by the work alone.

#include <optional>

#include "platform/ui/Forms.h"

class TLabel;
class TGauge;
class TTimer;

class TForm_Wait_Load final : public TForm {
public:
  BORROW_COMPONENT(TForm_Wait_Load, TForm)
  explicit TForm_Wait_Load(TComponent* AOwner);
  ~TForm_Wait_Load() override;

  TLabel* Label_MSG_2 = nullptr;
  TGauge* Gauge1 = nullptr;
  TLabel* Label1 = nullptr;
  TTimer* Timer1 = nullptr;

  void Timer1Timer(TObject* Sender);
  Integer GetSpinCounter() const { return FSpinCounter; }
  // Shown, the window stays until the work it shows has ended: its frame's
  // close box and Alt+F4 are ignored, as the work goes on without it.
  bool CloseQuery() override;

private:
  void CreateControls();
  // While shown, the window belongs to the window that was active then, and
  // afterwards to its own owner again.
  void BelongToActiveWindow();
  void BelongToOwnOwner();
  Integer FSpinCounter = 0;       // 0 after showing, then 1..4 for "-", "\", "|", "/"
  std::optional<HWND> FOwnOwner;  // set while the window belongs to another
  friend bool ShowWaitWindow(TForm_Wait_Load* Window);
  friend bool HideWaitWindow(TForm_Wait_Load* Window);
};

// Timer off, spinner reset, caption "...", progress 0, stay-on-top and
// belonging to the active window (so that it stays above the window that
// waits, also when that one is clicked), shown without modality, timer on.
// Always True.
bool ShowWaitWindow(TForm_Wait_Load* Window);
// Width (the window's), widened where the window manager would shorten
// Caption in the title bar, and Caption. The bar follows the width.
void SetWaitWindowTitle(TForm_Wait_Load* Window, Integer Width, const String& Caption);
// Percent clamped to 0..100 on the bar; pending messages run. Always True.
bool SetWaitProgress(TForm_Wait_Load* Window, Integer Percent);
// Timer off, a normal window again, hidden, its own owner's again, progress 0.
// Always True.
bool HideWaitWindow(TForm_Wait_Load* Window);
