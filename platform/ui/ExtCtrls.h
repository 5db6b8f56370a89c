#pragma once
// Panels, bevels, splitters, radio groups, timers and images.

#include <memory>
#include <vector>

#include "platform/ui/StdCtrls.h"

enum TPanelBevel { bvNone, bvLowered, bvRaised, bvSpace };
// The bevel a windowed control may draw in its frame: the cuts are a panel's.
using TBevelCut = TPanelBevel;
enum TBevelKind { bkNone, bkTile, bkSoft, bkFlat };
enum TBevelEdge { beLeft, beTop, beRight, beBottom };
using TBevelEdges = TEnumSet<TBevelEdge>;
enum TBevelShape { bsBox, bsFrame, bsTopLine, bsBottomLine, bsLeftLine, bsRightLine, bsSpacer };
enum TBevelStyle { bsLowered, bsRaised };

// Draws a 3-D frame of Width pixels (top-left in TopColor, bottom-right in
// BottomColor) and shrinks Rect inside it.
void Frame3D(TCanvas* Canvas, TRect& Rect, TColor TopColor, TColor BottomColor, Integer Width);

// ---- Panel ---------------------------------------------------------------------------------
class TCustomPanel : public TCustomControl {
public:
  BORROW_COMPONENT(TCustomPanel, TCustomControl)
  explicit TCustomPanel(TComponent* AOwner);
  TPanelBevel GetBevelInner() const { return FBevelInner; }
  void SetBevelInner(TPanelBevel Value);
  TPanelBevel GetBevelOuter() const { return FBevelOuter; }
  void SetBevelOuter(TPanelBevel Value);
  Integer GetBevelWidth() const { return FBevelWidth; }
  void SetBevelWidth(Integer Value);
  Integer GetBorderWidth() const { return FBorderWidth; }
  void SetBorderWidth(Integer Value);
  TBorderStyle GetBorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TBorderStyle Value);
  TAlignment GetAlignment() const { return FAlignment; }
  void SetAlignment(TAlignment Value);
  void Dispatch(TMessage& Message) override;

protected:
  void CreateParams(TCreateParams& Params) override;
  void AdjustClientRect(TRect& Rect) override;
  void Paint() override;
  TPanelBevel FBevelInner = bvNone;
  TPanelBevel FBevelOuter = bvRaised;
  Integer FBevelWidth = 1;
  Integer FBorderWidth = 0;
  TBorderStyle FBorderStyle = bsNone;
  TAlignment FAlignment = taCenter;
};

class TPanel : public TCustomPanel {
public:
  BORROW_COMPONENT(TPanel, TCustomPanel)
  explicit TPanel(TComponent* AOwner) : TCustomPanel(AOwner) {}
};

// ---- Bevel ---------------------------------------------------------------------------------
class TBevel : public TGraphicControl {
public:
  BORROW_COMPONENT(TBevel, TGraphicControl)
  explicit TBevel(TComponent* AOwner);
  TBevelShape GetShape() const { return FShape; }
  void SetShape(TBevelShape Value);
  TBevelStyle GetStyle() const { return FStyle; }
  void SetStyle(TBevelStyle Value);

protected:
  void Paint() override;
  TBevelShape FShape = bsBox;
  TBevelStyle FStyle = bsLowered;
};

// ---- Splitter ------------------------------------------------------------------------------
// Dragged, it resizes the control aligned against it on the same side.
class TSplitter : public TGraphicControl {
public:
  BORROW_COMPONENT(TSplitter, TGraphicControl)
  explicit TSplitter(TComponent* AOwner);
  Integer GetMinSize() const { return FMinSize; }
  void SetMinSize(Integer Value) { FMinSize = Value < 1 ? 1 : Value; }
  bool GetBeveled() const { return FBeveled; }
  void SetBeveled(bool Value);
  TNotifyEvent OnMoved;

protected:
  void Paint() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  void MouseMove(TShiftState Shift, Integer X, Integer Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  // A bar between rows takes the up-down cursor, one between columns the left-right one.
  void RequestAlign() override;
  // The control this splitter resizes (null when none is aligned against it).
  TControl* FindControl() const;
  bool Horizontal() const { return FAlign == alTop || FAlign == alBottom; }

  Integer FMinSize = 30;
  bool FBeveled = false;
  TControl* FControl = nullptr;
  TPoint FDownPos;
  Integer FStartSize = 0;
  bool FDragging = false;
};

// ---- Radio group ---------------------------------------------------------------------------
class TCustomRadioGroup : public TCustomGroupBox {
public:
  BORROW_COMPONENT(TCustomRadioGroup, TCustomGroupBox)
  explicit TCustomRadioGroup(TComponent* AOwner);
  ~TCustomRadioGroup() override;
  TStrings* GetItems() const { return FItems.get(); }
  void SetItems(const TStrings* Value);
  Integer GetItemIndex() const { return FItemIndex; }
  // Checks that button; as with the platform's, its OnClick runs.
  void SetItemIndex(Integer Value);
  Integer GetColumns() const { return FColumns; }
  void SetColumns(Integer Value);
  // The radio button of an item.
  TRadioButton* Buttons(Integer Index) const { return FButtons.at(size_t(Index)).get(); }
  void Dispatch(TMessage& Message) override;

protected:
  void UpdateButtons();
  void ArrangeButtons();
  void ButtonClick(TObject* Sender);
  std::unique_ptr<TStringList> FItems;
  std::vector<std::unique_ptr<TRadioButton>> FButtons;
  Integer FItemIndex = -1;
  Integer FColumns = 1;
  bool FUpdating = false;
};

class TRadioGroup : public TCustomRadioGroup {
public:
  BORROW_COMPONENT(TRadioGroup, TCustomRadioGroup)
  explicit TRadioGroup(TComponent* AOwner) : TCustomRadioGroup(AOwner) {}
};

// ---- Timer ---------------------------------------------------------------------------------
// Runs OnTimer every Interval milliseconds while Enabled, through a window timer of
// its own hidden window, so the ticks come from the message loop.
class TTimer : public TComponent {
public:
  BORROW_COMPONENT(TTimer, TComponent)
  explicit TTimer(TComponent* AOwner);
  ~TTimer() override;
  bool GetEnabled() const { return FEnabled; }
  void SetEnabled(bool Value);
  Cardinal GetInterval() const { return FInterval; }
  void SetInterval(Cardinal Value);
  TNotifyEvent OnTimer;

protected:
  virtual void Timer();

private:
  void UpdateTimer();
  bool FEnabled = true;
  Cardinal FInterval = 1000;
  HWND FWindow = nullptr;
};

// ---- Image ---------------------------------------------------------------------------------
class TImage : public TGraphicControl {
public:
  BORROW_COMPONENT(TImage, TGraphicControl)
  explicit TImage(TComponent* AOwner);
  ~TImage() override;
  TPicture* GetPicture() const { return FPicture.get(); }
  void SetPicture(const TPicture* Value);
  bool GetStretch() const { return FStretch; }
  void SetStretch(bool Value);
  bool GetCenter() const { return FCenter; }
  void SetCenter(bool Value);
  bool GetProportional() const { return FProportional; }
  void SetProportional(bool Value);
  bool GetTransparent() const { return FTransparent; }
  void SetTransparent(bool Value);
  bool GetAutoSize() const { return FAutoSize; }
  void SetAutoSize(bool Value) override;
  // Where the picture is drawn in the client area.
  TRect DestRect() const;

protected:
  void Paint() override;
  void PictureChanged();
  std::unique_ptr<TPicture> FPicture;
  bool FStretch = false;
  bool FCenter = false;
  bool FProportional = false;
  bool FTransparent = false;
  bool FAutoSize = false;
};
