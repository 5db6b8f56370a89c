#pragma once
// The speed button: a graphic button with a glyph and a caption, flat or raised,
// that can stay down alone (AllowAllUp) or as one of a group (GroupIndex).

#include <memory>

#include "platform/ui/Controls.h"

enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
enum TButtonState { bsUp, bsDisabled, bsDown, bsExclusive };

class TSpeedButton : public TGraphicControl {
public:
  BORROW_COMPONENT(TSpeedButton, TGraphicControl)
  explicit TSpeedButton(TComponent* AOwner);
  ~TSpeedButton() override;

  // The glyph: NumGlyphs images side by side (up, disabled, down, exclusive); the
  // colour of its bottom-left pixel is transparent.
  TBitmap* GetGlyph() const { return FGlyph.get(); }
  void SetGlyph(const TBitmap* Value);
  Integer GetNumGlyphs() const { return FNumGlyphs; }
  void SetNumGlyphs(Integer Value);
  TButtonLayout GetLayout() const { return FLayout; }
  void SetLayout(TButtonLayout Value);
  // Pixels from the edge to the glyph; -1 centres glyph and caption together.
  Integer GetMargin() const { return FMargin; }
  void SetMargin(Integer Value);
  Integer GetSpacing() const { return FSpacing; }
  void SetSpacing(Integer Value);
  bool GetFlat() const { return FFlat; }
  void SetFlat(bool Value);
  bool GetDown() const { return FDown; }
  void SetDown(bool Value);
  Integer GetGroupIndex() const { return FGroupIndex; }
  void SetGroupIndex(Integer Value);
  bool GetAllowAllUp() const { return FAllowAllUp; }
  void SetAllowAllUp(bool Value);
  bool GetTransparent() const { return FTransparent; }
  void SetTransparent(bool Value);
  TButtonState GetState() const { return FState; }
  // The mouse is over the button (a flat button shows its edge then).
  bool GetMouseInControl() const { return FMouseInControl; }

  TNotifyEvent OnMouseEnter;
  TNotifyEvent OnMouseLeave;

  void Click() override;
  void Dispatch(TMessage& Message) override;

  // Where the glyph and the caption go inside Client (for tests and painting).
  void CalcLayout(const TRect& Client, TPoint& GlyphPos, TRect& TextRect) const;

protected:
  void Paint() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  void MouseMove(TShiftState Shift, Integer X, Integer Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  void UpdateExclusive();
  void DrawGlyph(TCanvas* Canvas, TPoint At, TButtonState State);
  TSize GlyphSize() const;

  std::unique_ptr<TBitmap> FGlyph;
  Integer FNumGlyphs = 1;
  TButtonLayout FLayout = blGlyphLeft;
  Integer FMargin = -1;
  Integer FSpacing = 4;
  bool FFlat = false;
  bool FDown = false;
  Integer FGroupIndex = 0;
  bool FAllowAllUp = false;
  bool FTransparent = true;
  TButtonState FState = bsUp;
  bool FDragging = false;
  bool FMouseInControl = false;
};
