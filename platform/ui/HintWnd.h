#pragma once
// The hint window: a yellow tool-tip popup that never takes the focus or the
// mouse. Installing it makes it the class the application shows hints with.

#include "platform/ui/Controls.h"

class THintWindow : public TCustomControl, public IHintWindow {
public:
  BORROW_COMPONENT(THintWindow, TCustomControl)
  explicit THintWindow(TComponent* AOwner);

  TRect CalcHintRect(Integer MaxWidth, const String& AHint, void* AData) override;
  void ActivateHintData(const TRect& Rect, const String& AHint, void* AData) override;
  void ActivateHint(const TRect& Rect, const String& AHint) { ActivateHintData(Rect, AHint, nullptr); }
  void ReleaseHandle() override;
  // Shown now.
  bool IsShowing() const;

  void Dispatch(TMessage& Message) override;

protected:
  void CreateParams(TCreateParams& Params) override;
  void Paint() override;
};

// Makes THintWindow the application's hint window class unless another is set;
// the standard controls call it, so hints work wherever they are used.
bool InstallHintWindow();
