#pragma once
// TScrollBar: a scroll bar as a control of its own, placed among other controls.
// Its window is one standard bar (ScrollBars.h) and nothing else: the bar fills
// the window, whose client area is empty. The bar's requests become OnScroll
// (which may change the position) and then OnChange when the position moved.

#include "platform/ui/Controls.h"
#include "platform/ui/ScrollBars.h"

enum TScrollBarKind { sbHorizontal, sbVertical };
// The request codes in the order of the SB_ codes.
enum TScrollCode { scLineUp, scLineDown, scPageUp, scPageDown, scPosition, scTrack, scTop, scBottom, scEndScroll };
using TScrollEvent = std::function<void(TObject* Sender, TScrollCode ScrollCode, Integer& ScrollPos)>;

class TScrollBar : public TWinControl {
public:
  BORROW_COMPONENT(TScrollBar, TWinControl)
  explicit TScrollBar(TComponent* AOwner);

  TScrollBarKind GetKind() const { return FKind; }
  void SetKind(TScrollBarKind Value);
  Integer GetMin() const { return FMin; }
  Integer GetMax() const { return FMax; }
  void SetMin(Integer Value) { SetParams(FPosition, Value, FMax); }
  void SetMax(Integer Value) { SetParams(FPosition, FMin, Value); }
  Integer GetPosition() const { return FPosition; }
  void SetPosition(Integer Value) { SetParams(Value, FMin, FMax); }
  // The page: the part of the range one view shows (0: no proportional thumb).
  Integer GetPageSize() const { return FPageSize; }
  void SetPageSize(Integer Value);
  Integer GetSmallChange() const { return FSmallChange; }
  void SetSmallChange(Integer Value) { FSmallChange = Value; }
  Integer GetLargeChange() const { return FLargeChange; }
  void SetLargeChange(Integer Value) { FLargeChange = Value; }
  // The position is kept within Min .. Max - max(PageSize - 1, 0); OnChange runs
  // when it moved.
  void SetParams(Integer APosition, Integer AMin, Integer AMax);

  TNotifyEvent OnChange;
  TScrollEvent OnScroll;

  void Dispatch(TMessage& Message) override;

protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  virtual void Scroll(TScrollCode ScrollCode, Integer& ScrollPos);
  virtual void Change();

private:
  Integer Bar() const { return FKind == sbVertical ? SB_VERT : SB_HORZ; }
  Integer LastPosition() const;
  void UpdateBar();
  void DoScroll(WPARAM Request);

  TScrollBarKind FKind = sbHorizontal;
  Integer FMin = 0, FMax = 100, FPosition = 0, FPageSize = 0;
  Integer FSmallChange = 1, FLargeChange = 1;
};
