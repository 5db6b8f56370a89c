#pragma once
// The gauge: a progress bar with the percentage written across it.

#include "platform/ui/Controls.h"

enum TGaugeKind { gkText, gkHorizontalBar, gkVerticalBar, gkPie, gkNeedle };

class TGauge : public TGraphicControl {
public:
  BORROW_COMPONENT(TGauge, TGraphicControl)
  explicit TGauge(TComponent* AOwner);
  Integer GetMinValue() const { return FMinValue; }
  void SetMinValue(Integer Value);
  Integer GetMaxValue() const { return FMaxValue; }
  void SetMaxValue(Integer Value);
  // Kept between MinValue and MaxValue.
  Integer GetProgress() const { return FProgress; }
  void SetProgress(Integer Value);
  void AddProgress(Integer Value) { SetProgress(FProgress + Value); }
  Integer GetPercentDone() const;
  TGaugeKind GetKind() const { return FKind; }
  void SetKind(TGaugeKind Value);
  TColor GetForeColor() const { return FForeColor; }
  void SetForeColor(TColor Value);
  TColor GetBackColor() const { return FBackColor; }
  void SetBackColor(TColor Value);
  bool GetShowText() const { return FShowText; }
  void SetShowText(bool Value);
  TBorderStyle GetBorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TBorderStyle Value);

protected:
  void Paint() override;
  Integer FMinValue = 0, FMaxValue = 100, FProgress = 0;
  TGaugeKind FKind = gkHorizontalBar;
  TColor FForeColor = clBlack;
  TColor FBackColor = clWhite;
  bool FShowText = true;
  TBorderStyle FBorderStyle = bsSingle;
};
