#pragma once
// The wait window shown while the resource list is loaded or saved: a message
// line, a progress bar and a title that spins while messages are pumped.
// Created once at start-up; shown and hidden as needed.

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

private:
  void CreateControls();
  Integer FSpinCounter = 0;  // 0 after showing, then 1..4 for "-", "\", "|", "/"
  friend bool ShowWaitWindow(TForm_Wait_Load* Window);
};

// Timer off, spinner reset, caption "...", progress 0, stay-on-top, shown
// without modality, timer on. Always True.
bool ShowWaitWindow(TForm_Wait_Load* Window);
// Percent clamped to 0..100 on the bar; pending messages run. Always True.
bool SetWaitProgress(TForm_Wait_Load* Window, Integer Percent);
// Timer off, a normal window again, hidden, progress 0. Always True.
bool HideWaitWindow(TForm_Wait_Load* Window);
