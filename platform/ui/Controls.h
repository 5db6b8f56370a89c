#pragma once
// The control base classes: TControl (position, alignment, colour and font with
// parent inheritance, mouse events, message dispatch), TWinControl (a window
// handle created on demand, child controls, focus, keys, tab order, alignment of
// children, painting of graphic children), TCustomControl (a windowed control with
// a canvas) and TGraphicControl (a control drawn on its parent).
//
// Messages reach a control through WindowProc (a replaceable hook, WndProc by
// default) -> WndProc (filtering) -> Dispatch (one case per message a class
// handles; descendants override Dispatch, handle theirs and pass the rest on)
// -> DefaultHandler (the window's default procedure). Each case of a Dispatch is
// a one-line call to a handler named after its message (WMSize, CMFontChanged);
// TWinControl's are in WinControl_Messages.cpp.

#include <functional>
#include <initializer_list>
#include <memory>
#include <vector>

#include "platform/core/Component.h"
#include "platform/ui/GDI.h"
#include "platform/ui/Graphics.h"
#include "platform/ui/Input.h"
#include "platform/ui/Messages.h"
#include "platform/ui/Windows.h"

// ---- Small sets over enumerations --------------------------------------------------
template <class E>
class TEnumSet {
public:
  constexpr TEnumSet() = default;
  constexpr TEnumSet(std::initializer_list<E> items) {
    for (E e : items) Include(e);
  }
  constexpr bool Contains(E e) const { return (FBits >> unsigned(e)) & 1u; }
  constexpr TEnumSet& Include(E e) {
    FBits |= Bit(e);
    return *this;
  }
  constexpr TEnumSet& Exclude(E e) {
    FBits &= ~Bit(e);
    return *this;
  }
  constexpr bool Empty() const { return FBits == 0; }
  constexpr TEnumSet operator+(TEnumSet o) const { return FromBits(FBits | o.FBits); }
  constexpr TEnumSet operator-(TEnumSet o) const { return FromBits(FBits & ~o.FBits); }
  constexpr TEnumSet operator*(TEnumSet o) const { return FromBits(FBits & o.FBits); }
  constexpr TEnumSet operator+(E e) const { return FromBits(FBits | Bit(e)); }
  constexpr TEnumSet operator-(E e) const { return FromBits(FBits & ~Bit(e)); }
  constexpr std::uint64_t Bits() const { return FBits; }
  static constexpr TEnumSet FromBits(std::uint64_t b) {
    TEnumSet s;
    s.FBits = b;
    return s;
  }
  friend constexpr bool operator==(TEnumSet, TEnumSet) = default;

private:
  static constexpr std::uint64_t Bit(E e) { return std::uint64_t(1) << unsigned(e); }
  std::uint64_t FBits = 0;
};

enum TShiftStateItem { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };
using TShiftState = TEnumSet<TShiftStateItem>;
// From the MK_ flags of a mouse message (Alt read from the key state).
TShiftState KeysToShiftState(WPARAM Keys);
// From the key state when a key message arrives.
TShiftState KeyDataToShiftState(LPARAM KeyData);
TShiftState KeyboardStateToShiftState();

// Shortcuts: a virtual key plus modifier bits.
using TShortCut = Word;
constexpr TShortCut scShift = 0x2000;
constexpr TShortCut scCtrl = 0x4000;
constexpr TShortCut scAlt = 0x8000;
constexpr TShortCut scNone = 0;
TShortCut ShortCut(Word Key, TShiftState Shift);
void ShortCutToKey(TShortCut ShortCut, Word& Key, TShiftState& Shift);

// ---- Cursors ---------------------------------------------------------------------------
using TCursor = Smallint;
constexpr TCursor crDefault = 0;
constexpr TCursor crNone = -1;
constexpr TCursor crArrow = -2;
constexpr TCursor crCross = -3;
constexpr TCursor crIBeam = -4;
constexpr TCursor crSizeNESW = -6;
constexpr TCursor crSizeNS = -7;
constexpr TCursor crSizeNWSE = -8;
constexpr TCursor crSizeWE = -9;
constexpr TCursor crUpArrow = -10;
constexpr TCursor crHourGlass = -11;
constexpr TCursor crDrag = -12;
constexpr TCursor crNoDrop = -13;
constexpr TCursor crHSplit = -14;
constexpr TCursor crVSplit = -15;
constexpr TCursor crMultiDrag = -16;
constexpr TCursor crSQLWait = -17;
constexpr TCursor crNo = -18;
constexpr TCursor crAppStart = -19;
constexpr TCursor crHelp = -20;
constexpr TCursor crHandPoint = -21;
constexpr TCursor crSizeAll = -22;
constexpr TCursor crSize = crSizeAll;

// ---- Enumerations of the control properties ----------------------------------------------
enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient, alCustom };
enum TAnchorKind { akLeft, akTop, akRight, akBottom };
using TAnchors = TEnumSet<TAnchorKind>;
enum TBiDiMode { bdLeftToRight, bdRightToLeft, bdRightToLeftNoAlign, bdRightToLeftReadingOnly };
// Border styles: controls use bsNone and bsSingle, forms all of them.
enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
using TBorderStyle = TFormBorderStyle;

enum TControlStyleItem {
  csAcceptsControls,
  csCaptureMouse,
  csDesignInteractive,
  csClickEvents,
  csFramed,
  csSetCaption,
  csOpaque,
  csDoubleClicks,
  csFixedWidth,
  csFixedHeight,
  csNoDesignVisible,
  csReplicatable,
  csNoStdEvents,
  csDisplayDragImage,
  csReflector,
  csActionClient,
  csMenuEvents,
  csNeedsBorderPaint,
  csParentBackground
};
using TControlStyle = TEnumSet<TControlStyleItem>;

enum TControlStateItem {
  csLButtonDown,
  csClicked,
  csPalette,
  csReadingState,
  csAlignmentNeeded,
  csFocusing,
  csCreating,
  csPaintCopy,
  csCustomPaint,
  csDestroyingHandle,
  csDocking
};
using TControlState = TEnumSet<TControlStateItem>;

using TMouseEvent = std::function<void(TObject* Sender, TMouseButton Button, TShiftState Shift, Integer X, Integer Y)>;
using TMouseMoveEvent = std::function<void(TObject* Sender, TShiftState Shift, Integer X, Integer Y)>;
using TKeyEvent = std::function<void(TObject* Sender, Word& Key, TShiftState Shift)>;
using TKeyPressEvent = std::function<void(TObject* Sender, Char& Key)>;
using TMouseWheelEvent =
    std::function<void(TObject* Sender, TShiftState Shift, Integer WheelDelta, TPoint MousePos, bool& Handled)>;
using TMouseWheelUpDownEvent = std::function<void(TObject* Sender, TShiftState Shift, TPoint MousePos, bool& Handled)>;
using TWndMethod = std::function<void(TMessage& Message)>;

class TControl;
class TWinControl;
class TCustomForm;
class TPopupMenu;          // Menus.h
class TBasicAction;        // platform/core/BasicAction.h
class TControlActionLink;  // ActnList.h

enum TDragMode { dmManual, dmAutomatic };
// A drag carries the control somewhere (dkDrag) or docks it (dkDock).
enum TDragKind { dkDrag, dkDock };
// How a drag stands towards the control under the mouse.
enum TDragState { dsDragEnter, dsDragLeave, dsDragMove };
class TDragObject;      // DragDrop.h
class TDragDockObject;  // DragDrop.h
// Source: the control dragged (for the drag object the library makes itself),
// else the drag object that OnStartDrag made.
using TStartDragEvent = std::function<void(TObject* Sender, TDragObject*& DragObject)>;
using TDragOverEvent =
    std::function<void(TObject* Sender, TObject* Source, Integer X, Integer Y, TDragState State, bool& Accept)>;
using TDragDropEvent = std::function<void(TObject* Sender, TObject* Source, Integer X, Integer Y)>;
// Target: the control that took the drop, or null.
using TEndDragEvent = std::function<void(TObject* Sender, TObject* Target, Integer X, Integer Y)>;
using TStartDockEvent = std::function<void(TObject* Sender, TDragDockObject*& DragObject)>;
using TEndDockEvent = TEndDragEvent;
using TDockOverEvent =
    std::function<void(TObject* Sender, TDragDockObject* Source, Integer X, Integer Y, TDragState State, bool& Accept)>;
using TDockDropEvent = std::function<void(TObject* Sender, TDragDockObject* Source, Integer X, Integer Y)>;
enum TImeMode {
  imDisable,
  imClose,
  imOpen,
  imDontCare,
  imSAlpha,
  imAlpha,
  imHira,
  imSKata,
  imKata,
  imChinese,
  imSHanguel,
  imHanguel
};
using TImeName = String;
using TContextPopupEvent = std::function<void(TObject* Sender, TPoint MousePos, bool& Handled)>;

// Size limits of a control; 0 means no limit.
class TSizeConstraints : public TPersistent {
public:
  BORROW_CLASS(TSizeConstraints, TPersistent)
  Integer GetMinWidth() const { return FMinWidth; }
  Integer GetMaxWidth() const { return FMaxWidth; }
  Integer GetMinHeight() const { return FMinHeight; }
  Integer GetMaxHeight() const { return FMaxHeight; }
  void SetMinWidth(Integer v) {
    FMinWidth = v;
    Changed();
  }
  void SetMaxWidth(Integer v) {
    FMaxWidth = v;
    Changed();
  }
  void SetMinHeight(Integer v) {
    FMinHeight = v;
    Changed();
  }
  void SetMaxHeight(Integer v) {
    FMaxHeight = v;
    Changed();
  }
  void Assign(TPersistent* Source) override;
  // Applies the limits to a proposed size.
  void Constrain(Integer& Width, Integer& Height) const;
  TNotifyEvent OnChange;

private:
  void Changed() {
    if (OnChange) OnChange(this);
  }
  Integer FMinWidth = 0, FMaxWidth = 0, FMinHeight = 0, FMaxHeight = 0;
};

// What CM_HINTSHOW carries (LParam): a control may change the text, the place, the
// window class and its data, or answer non-zero to show no hint.
struct THintInfo {
  TControl* HintControl = nullptr;
  TComponentClass HintWindowClass = nullptr;
  TPoint HintPos;
  Integer HintMaxWidth = 0;
  TColor HintColor = clInfoBk;
  TRect CursorRect;
  TPoint CursorPos;
  Integer ReshowTimeout = 0;
  Integer HideTimeout = 0;
  String HintStr;
  void* HintData = nullptr;
};

// What the application's hint manager needs of a hint window: the standard hint
// window implements it, and so does any class a control picks through THintInfo.
class IHintWindow {
public:
  virtual ~IHintWindow() = default;
  // The size the hint needs (left/top at 0), at most MaxWidth wide.
  virtual TRect CalcHintRect(Integer MaxWidth, const String& AHint, void* AData) = 0;
  // Shows the hint in Rect (screen coordinates) without taking the focus.
  virtual void ActivateHintData(const TRect& Rect, const String& AHint, void* AData) = 0;
  virtual void ReleaseHandle() = 0;
};

// The hint text before "|" (short) and after it (long).
String GetShortHint(const String& Hint);
String GetLongHint(const String& Hint);

// Shows a control's popup menu at a screen point (true when it was shown). The menu
// unit sits above this one and installs it.
using TPopupMenuHandler = std::function<bool(TComponent* Menu, TControl* Control, TPoint ScreenPos)>;
TPopupMenuHandler SetPopupMenuHandler(TPopupMenuHandler Handler);

// ---- TControl ------------------------------------------------------------------------------
class TControl : public TComponent {
public:
  BORROW_COMPONENT(TControl, TComponent)
  explicit TControl(TComponent* AOwner);
  ~TControl() override;

  // Tree
  TWinControl* GetParent() const { return FParent; }
  virtual void SetParent(TWinControl* AParent);
  TComponent* GetParentComponent() const override;
  bool HasParent() const override { return true; }
  void SetParentComponent(TComponent* Value) override;
  // A control read as the child of a windowed control in a stream takes it as its parent.
  void ReadState(TReader* Reader) override;

  // Geometry (parent client coordinates; a form's are screen coordinates)
  Integer GetLeft() const { return FLeft; }
  Integer GetTop() const { return FTop; }
  Integer GetWidth() const { return FWidth; }
  Integer GetHeight() const { return FHeight; }
  void SetLeft(Integer Value) { SetBounds(Value, FTop, FWidth, FHeight); }
  void SetTop(Integer Value) { SetBounds(FLeft, Value, FWidth, FHeight); }
  void SetWidth(Integer Value) { SetBounds(FLeft, FTop, Value, FHeight); }
  void SetHeight(Integer Value) { SetBounds(FLeft, FTop, FWidth, Value); }
  virtual void SetBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight);
  TRect GetBoundsRect() const { return Bounds(FLeft, FTop, FWidth, FHeight); }
  void SetBoundsRect(const TRect& R) { SetBounds(R.Left, R.Top, R.Width(), R.Height()); }
  virtual TRect GetClientRect() const;
  Integer GetClientWidth() const { return GetClientRect().Width(); }
  Integer GetClientHeight() const { return GetClientRect().Height(); }
  void SetClientWidth(Integer Value);
  void SetClientHeight(Integer Value);
  // The client area's top-left corner on the screen.
  virtual TPoint GetClientOrigin() const;
  TPoint ClientToScreen(const TPoint& Point) const;
  TPoint ScreenToClient(const TPoint& Point) const;
  TPoint ClientToParent(const TPoint& Point, TWinControl* AParent = nullptr) const;

  TAlign GetAlign() const { return FAlign; }
  void SetAlign(TAlign Value);
  TAnchors GetAnchors() const { return FAnchors; }
  void SetAnchors(TAnchors Value);

  // State
  bool GetVisible() const { return FVisible; }
  void SetVisible(bool Value);
  void Show();
  void Hide();
  bool GetEnabled() const { return FEnabled; }
  virtual void SetEnabled(bool Value);
  // Visible here and in every parent up to a shown window.
  virtual bool GetShowing() const;

  // Appearance
  TColor GetColor() const { return FColor; }
  void SetColor(TColor Value);
  bool GetParentColor() const { return FParentColor; }
  void SetParentColor(bool Value);
  TFont* GetFont() const { return FFont.get(); }
  void SetFont(const TFont* Value) { FFont->Assign(Value); }
  bool GetParentFont() const { return FParentFont; }
  void SetParentFont(bool Value);
  TCursor GetCursor() const { return FCursor; }
  void SetCursor(TCursor Value);
  String GetHint() const { return FHint; }
  void SetHint(const String& Value) { FHint = Value; }
  bool GetShowHint() const { return FShowHint; }
  void SetShowHint(bool Value);
  bool GetParentShowHint() const { return FParentShowHint; }
  void SetParentShowHint(bool Value);
  // Right-to-left follows the bidirectional mode alone (the program itself
  // never sets it): bdRightToLeft mirrors the layout and reads right to left,
  // bdRightToLeftNoAlign keeps the alignment, bdRightToLeftReadingOnly only reads.
  TBiDiMode GetBiDiMode() const { return FBiDiMode; }
  void SetBiDiMode(TBiDiMode Value);
  bool IsRightToLeft() const { return FBiDiMode != bdLeftToRight; }
  bool UseRightToLeftAlignment() const { return FBiDiMode == bdRightToLeft; }
  bool UseRightToLeftReading() const { return FBiDiMode != bdLeftToRight; }
  bool UseRightToLeftScrollBar() const { return FBiDiMode == bdRightToLeft || FBiDiMode == bdRightToLeftNoAlign; }
  // Adds the extended window styles of the mode: WS_EX_RTLREADING,
  // WS_EX_LEFTSCROLLBAR and WS_EX_RIGHT.
  void AddBiDiModeExStyle(DWORD& ExStyle) const;

  // Text (Caption and Text are the same property)
  String GetText() const;
  void SetText(const String& Value);
  String GetCaption() const { return GetText(); }
  void SetCaption(const String& Value) { SetText(Value); }

  TControlStyle GetControlStyle() const { return FControlStyle; }
  void SetControlStyle(TControlStyle Value) { FControlStyle = Value; }
  TControlState GetControlState() const { return FControlState; }
  void SetControlState(TControlState Value) { FControlState = Value; }

  // Messages
  LRESULT Perform(Cardinal Msg, WPARAM WParam = 0, LPARAM LParam = 0);
  TWndMethod GetWindowProc() const { return FWindowProc; }
  void SetWindowProc(TWndMethod Value) { FWindowProc = Value ? std::move(Value) : DefaultWindowProcMethod(); }
  // Whether WindowProc is still the control's own (nobody has hooked it).
  bool WindowProcIsOwn() const;
  virtual void WndProc(TMessage& Message);
  virtual void Dispatch(TMessage& Message);
  virtual void DefaultHandler(TMessage& Message);

  // Painting
  virtual void Invalidate();
  virtual void Repaint();
  virtual void Update();
  void Refresh() { Repaint(); }
  void BringToFront() { SetZOrder(true); }
  void SendToBack() { SetZOrder(false); }

  // OnClick, or else the linked action.
  virtual void Click();
  virtual void DblClick();

  // ---- actions (ActnList.h; defined in ActnList.cpp)
  // The action a click runs; the control shows the action's caption, enabled
  // state, hint and visibility, and follows each change of them.
  TBasicAction* GetAction() const;
  void SetAction(TBasicAction* Value);
  // Brings the linked action up to date (idle time calls it for shown controls).
  virtual void InitiateAction();
  // An action aimed at the control (CM_ACTIONEXECUTE, CM_ACTIONUPDATE): true
  // when the control took it.
  virtual bool ExecuteAction(TBasicAction* Action);
  virtual bool UpdateAction(TBasicAction* Action);

  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  TMouseEvent OnMouseDown;
  TMouseMoveEvent OnMouseMove;
  TMouseEvent OnMouseUp;
  TMouseWheelEvent OnMouseWheel;
  TMouseWheelUpDownEvent OnMouseWheelDown;
  TMouseWheelUpDownEvent OnMouseWheelUp;
  TNotifyEvent OnResize;

  // Scaling: positions and sizes (and the font, unless inherited) times M / D.
  void ScaleBy(Integer M, Integer D) { ChangeScale(M, D); }
  virtual void ChangeScale(Integer M, Integer D);

  // The popup menu shown on a right click (a TPopupMenu of Menus.h).
  template <class M = TPopupMenu>
  M* GetPopupMenu() const {
    return static_cast<M*>(FPopupMenu);
  }
  void SetPopupMenu(TComponent* Value);
  TContextPopupEvent OnContextPopup;

  // Whether the control holds the mouse.
  bool GetMouseCapture();
  void SetMouseCapture(bool Value);
  // Asks the active control of each form up the parent chain to leave any mode
  // (CM_CANCELMODE, LParam: Sender).
  void SendCancelMode(TControl* Sender);

  // ---- Drag and drop, docking (DragDrop.cpp)
  // In dmAutomatic a left press begins a drag (BeginDrag(false)), when the button
  // is still held once OnMouseDown is done.
  TDragMode GetDragMode() const { return FDragMode; }
  void SetDragMode(TDragMode Value) { FDragMode = Value; }
  TDragKind GetDragKind() const { return FDragKind; }
  void SetDragKind(TDragKind Value) { FDragKind = Value; }
  // The cursor while the control is dragged over a control that accepts it.
  TCursor GetDragCursor() const { return FDragCursor; }
  void SetDragCursor(TCursor Value) { FDragCursor = Value; }
  // Takes the mouse for a drag of this control: at once, or once the mouse has
  // moved Threshold pixels (below 0: the system's drag distance) from where it is
  // now. A release before that is the control's own again (a click).
  void BeginDrag(bool Immediate, Integer Threshold = -1);
  // Ends this control's drag: dropped where the mouse is, or cancelled.
  void EndDrag(bool Drop);
  bool Dragging() const;
  // The control under the mouse during a drag: Accept says whether Source may be
  // dropped here (only a control with OnDragOver accepts, unless it says no).
  virtual void DragOver(TObject* Source, Integer X, Integer Y, TDragState State, bool& Accept);
  virtual void DragDrop(TObject* Source, Integer X, Integer Y);

  // The windowed control this one is docked in (its floating window when it floats).
  TWinControl* GetHostDockSite() const { return FHostDockSite; }
  bool Floating() const;
  // Docks the control in NewDockSite (null: floats it where it is); ControlSide
  // other than alNone aligns it there. DropControl: the docked control it is
  // dropped on, kept for dock sites that arrange their clients.
  bool ManualDock(TWinControl* NewDockSite, TControl* DropControl = nullptr, TAlign ControlSide = alNone);
  // Floats the control in a window of its own whose client area is ScreenPos.
  bool ManualFloat(const TRect& ScreenPos);

  TStartDragEvent OnStartDrag;
  TDragOverEvent OnDragOver;
  TDragDropEvent OnDragDrop;
  TEndDragEvent OnEndDrag;
  TStartDockEvent OnStartDock;
  TEndDockEvent OnEndDock;

  TSizeConstraints* GetConstraints() const { return FConstraints.get(); }
  bool GetAutoSize() const { return FAutoSize; }
  virtual void SetAutoSize(bool Value);
  bool GetParentBiDiMode() const { return FParentBiDiMode; }
  void SetParentBiDiMode(bool Value);

  // Loading
  void Loaded() override;

protected:
  virtual void SetZOrder(bool TopMost);
  virtual void Resize();
  virtual void MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y);
  virtual void MouseMove(TShiftState Shift, Integer X, Integer Y);
  virtual void MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y);
  virtual bool DoMouseWheel(TShiftState Shift, Integer WheelDelta, TPoint MousePos);
  virtual bool DoMouseWheelDown(TShiftState Shift, TPoint MousePos);
  virtual bool DoMouseWheelUp(TShiftState Shift, TPoint MousePos);
  virtual void RequestAlign();
  virtual void VisibleChanging() {}
  virtual String GetTextValue() const { return FText; }
  virtual void SetTextValue(const String& Value);
  virtual void FontChanged();
  virtual void ChangeBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight);
  virtual void DoContextPopup(TPoint MousePos, bool& Handled);
  // The drag of this control begins and ends (OnStartDrag / OnEndDrag, and the
  // same for docking); a drag object left null is made by the library.
  virtual void DoStartDrag(TDragObject*& DragObject);
  virtual void DoEndDrag(TObject* Target, Integer X, Integer Y);
  virtual void DoStartDock(TDragDockObject*& DragObject);
  virtual void DoEndDock(TObject* Target, Integer X, Integer Y);
  // Moves the control into NewDockSite at ARect (the site's client coordinates).
  virtual void Dock(TWinControl* NewDockSite, const TRect& ARect);
  // The linked action changed; CheckDefaults (the action is being loaded): only
  // values still at their defaults give way.
  virtual void ActionChange(TObject* Sender, bool CheckDefaults);
  void Notification(TComponent* AComponent, TOperation Operation) override;
  virtual void AdjustSize() {}
  void InvalidateControl(bool IsVisible, bool IsOpaque);
  // The form this control sits on (its outermost parent when that is a form).
  TCustomForm* ParentForm() const;
  // Parent-inherited properties are re-read when the parent changes.
  void ParentColorChanged();
  void ParentFontChanged();

  TWinControl* FParent = nullptr;
  Integer FLeft = 0, FTop = 0, FWidth = 0, FHeight = 0;
  TAlign FAlign = alNone;
  TAnchors FAnchors{akLeft, akTop};
  // Distances kept for right/bottom anchors: from the parent's client right/bottom.
  Integer FAnchorRight = 0, FAnchorBottom = 0;
  bool FAnchorsValid = false;
  bool FVisible = true;
  bool FEnabled = true;
  TColor FColor = clWindow;
  bool FParentColor = false;
  std::unique_ptr<TFont> FFont;
  bool FParentFont = true;
  TCursor FCursor = crDefault;
  String FHint;
  bool FShowHint = false;
  bool FParentShowHint = true;
  TBiDiMode FBiDiMode = bdLeftToRight;
  String FText;
  TControlStyle FControlStyle{csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks};
  TControlState FControlState;
  TWndMethod FWindowProc;
  bool FUpdatingFont = false;
  TComponent* FPopupMenu = nullptr;
  TDragMode FDragMode = dmManual;
  TDragKind FDragKind = dkDrag;
  TCursor FDragCursor = crDrag;
  TWinControl* FHostDockSite = nullptr;
  std::unique_ptr<TSizeConstraints> FConstraints;
  bool FAutoSize = false;
  bool FParentBiDiMode = true;
  std::unique_ptr<TControlActionLink> FActionLink;

private:
  // Out of the dock site it was docked in (if any), which hears of it.
  void LeaveDockSite();
  TWndMethod DefaultWindowProcMethod();
  void HandleMouseDown(TMessage& Message, TMouseButton Button, bool Double);
  void HandleMouseUp(TMessage& Message, TMouseButton Button);
  friend class TWinControl;
  friend class TDragSession;
};

// ---- TWinControl -----------------------------------------------------------------------------
class TWinControl : public TControl {
public:
  BORROW_COMPONENT(TWinControl, TControl)
  explicit TWinControl(TComponent* AOwner);
  ~TWinControl() override;

  // The window, created the first time it is asked for.
  HWND GetHandle();
  bool HandleAllocated() const { return FHandle != nullptr; }
  void HandleNeeded();
  void RecreateWnd();
  // A window outside the control tree to parent this control's window to.
  HWND GetParentWindow() const { return FParentWindow; }
  void SetParentWindow(HWND Value);

  // Children: every control whose Parent is this one, in z-order from the bottom.
  Integer GetControlCount() const { return Integer(FControls.size()); }
  TControl* GetControl(Integer Index) const { return FControls.at(size_t(Index)); }
  TControl* Controls(Integer Index) const { return GetControl(Index); }
  void InsertControl(TControl* AControl);
  void RemoveControl(TControl* AControl);
  bool ContainsControl(TControl* Control) const;
  // In a stream, the child controls that Root owns are written within this one.
  void GetChildren(const TGetChildProc& Proc, TComponent* Root) override;
  // The visible (or any, with AllowDisabled) child at a client point, topmost first.
  TControl* ControlAtPos(const TPoint& Pos, bool AllowDisabled, bool AllowWinControls = false);
  void Broadcast(TMessage& Message);
  void NotifyControls(Cardinal Msg);

  // Focus and tab order
  virtual void SetFocus();
  virtual bool Focused();
  virtual bool CanFocus();
  Integer GetTabOrder() const;
  void SetTabOrder(Integer Value);
  bool GetTabStop() const { return FTabStop; }
  void SetTabStop(bool Value);
  void GetTabOrderList(std::vector<TWinControl*>& List);
  TWinControl* FindNextControl(TWinControl* CurControl, bool GoForward, bool CheckTabStop, bool CheckParent);
  void SelectNext(TWinControl* CurControl, bool GoForward, bool CheckTabStop);

  // Alignment of children
  void DisableAlign();
  void EnableAlign();
  void Realign();
  bool AlignDisabled() const { return FAlignLevel > 0; }

  bool GetShowing() const override;
  bool GetDoubleBuffered() const { return FDoubleBuffered; }
  void SetDoubleBuffered(bool Value) { FDoubleBuffered = Value; }
  bool GetCtl3D() const { return FCtl3D; }
  void SetCtl3D(bool Value);
  bool GetParentCtl3D() const { return FParentCtl3D; }
  void SetParentCtl3D(bool Value);
  TBrush* GetBrush() const { return FBrush.get(); }
  // A plain frame inside the window's border, painted in the control's colour.
  Integer GetBorderWidth() const { return FBorderWidth; }
  void SetBorderWidth(Integer Value);
  // Input-method settings are kept; there is no input method to apply them to here.
  TImeMode GetImeMode() const { return FImeMode; }
  void SetImeMode(TImeMode Value) { FImeMode = Value; }
  TImeName GetImeName() const { return FImeName; }
  void SetImeName(const TImeName& Value) { FImeName = Value; }
  void ChangeScale(Integer M, Integer D) override;

  void SetBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight) override;
  TRect GetClientRect() const override;
  TPoint GetClientOrigin() const override;
  void Invalidate() override;
  void Repaint() override;
  void Update() override;

  // Paints the graphic children over DC (client coordinates of this control); from
  // First on when given.
  void PaintControls(HDC DC, TControl* First);

  void WndProc(TMessage& Message) override;
  void Dispatch(TMessage& Message) override;
  void DefaultHandler(TMessage& Message) override;
  // Catches what the procedure raises and hands it to the application.
  void MainWndProc(TMessage& Message);

  // ---- Docking (DragDrop.cpp)
  // A dock site takes the controls dock-dragged onto it.
  bool GetDockSite() const { return FDockSite; }
  void SetDockSite(bool Value) { FDockSite = Value; }
  // The controls docked here, in the order they came.
  Integer GetDockClientCount() const { return Integer(FDockClients.size()); }
  TControl* GetDockClients(Integer Index) const { return FDockClients.at(size_t(Index)); }
  // A dock drag over the site: Accept comes in True (OnDockOver may refuse).
  virtual void DockOver(TDragDockObject* Source, Integer X, Integer Y, TDragState State, bool& Accept);
  // The dragged control is dropped here: it moves in at the drag's dock rectangle.
  virtual void DockDrop(TDragDockObject* Source, Integer X, Integer Y);
  TDockOverEvent OnDockOver;
  TDockDropEvent OnDockDrop;

  TNotifyEvent OnEnter;
  TNotifyEvent OnExit;
  TKeyEvent OnKeyDown;
  TKeyPressEvent OnKeyPress;
  TKeyEvent OnKeyUp;

  // For the form's focus bookkeeping and the key routing of the application.
  bool DoKeyDown(TMessage& Message);
  bool DoKeyPress(TMessage& Message);
  bool DoKeyUp(TMessage& Message);

protected:
  virtual void CreateParams(TCreateParams& Params);
  virtual void CreateWnd();
  virtual void CreateWindowHandle(const TCreateParams& Params);
  virtual void DestroyWnd();
  virtual void DestroyWindowHandle();
  void CreateHandle();
  void DestroyHandle();
  virtual void CreateHandleChildren();
  // Where the window goes when it is made: this control's parent's window.
  HWND ParentHandle();

  virtual void AlignControls(TControl* AControl, TRect& Rect);
  virtual void AdjustClientRect(TRect& Rect);
  void AlignControl(TControl* AControl);
  virtual void PaintWindow(HDC DC);
  void PaintHandler(TMessage& Message);
  virtual void KeyDown(Word& Key, TShiftState Shift);
  virtual void KeyPress(Char& Key);
  virtual void KeyUp(Word& Key, TShiftState Shift);
  virtual void DoEnter();
  virtual void DoExit();
  void UpdateBounds();
  void UpdateShowing();
  void ChangeBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight) override;
  void SetZOrder(bool TopMost) override;
  String GetTextValue() const override;
  void SetTextValue(const String& Value) override;
  virtual void DoSetFocusFromWindow(TMessage& Message);
  // A control docks here or leaves.
  virtual void DoAddDockClient(TControl* Client);
  virtual void DoRemoveDockClient(TControl* Client);

  HWND FHandle = nullptr;
  HWND FParentWindow = nullptr;
  std::vector<TControl*> FControls;    // all children, bottom first
  std::vector<TWinControl*> FTabList;  // windowed children in tab order
  bool FAligning = false;
  bool FTabStop = false;
  Integer FAlignLevel = 0;
  bool FDoubleBuffered = false;
  bool FCtl3D = true;
  bool FParentCtl3D = true;
  std::unique_ptr<TBrush> FBrush;
  bool FCreatingHandle = false;
  Integer FBorderWidth = 0;
  TImeMode FImeMode = imDontCare;
  TImeName FImeName;
  bool FDockSite = false;
  std::vector<TControl*> FDockClients;

private:
  void SendEnterExit(TMessage& Message);
  bool RouteMouseToGraphicChild(TMessage& Message);
  // The window messages (WinControl_Messages.cpp), in Dispatch's order.
  void WMEraseBkgnd(TMessage& Message);
  void WMSize(TMessage& Message);
  void WMMove(TMessage& Message);
  void WMSetCursor(TMessage& Message);
  void WMKeyDown(TMessage& Message);
  void WMKeyUp(TMessage& Message);
  void WMChar(TMessage& Message);
  void CNKeyDown(TMessage& Message);
  // A key for a control, offered up the chain of its parents first (WParam the key, LParam the control).
  void CMChildKey(TMessage& Message);
  void CNChar(TMessage& Message);
  void CNSysChar(TMessage& Message);
  void WMMouseWheel(TMessage& Message);
  void CMColorChanged(TMessage& Message);
  void CMFontChanged(TMessage& Message);
  void CMCtl3DChanged(TMessage& Message);
  void CMParentCtl3DChanged(TMessage& Message);
  void CMBiDiModeChanged(TMessage& Message);
  void CMEnabledChanged(TMessage& Message);
  void WMNCDestroy(TMessage& Message);
  void WMNCCalcSize(TMessage& Message);
  void WMNCPaint(TMessage& Message);
  void ReflectToChild(TMessage& Message);
  TControl* FMouseControl = nullptr;  // the graphic child holding the mouse
  friend class TControl;
  friend class TCustomForm;
};

// ---- TControlCanvas / TCustomControl / TGraphicControl ---------------------------------------
// A canvas over a control: the paint DC while painting, else a DC of the control's
// window (a graphic control's part of its parent's) made when first drawn on.
class TControlCanvas : public TCanvas {
public:
  BORROW_CLASS(TControlCanvas, TCanvas)
  TControlCanvas() = default;
  ~TControlCanvas() override;
  TControl* GetControl() const { return FControl; }
  void SetControl(TControl* Control);
  // Gives back a DC this canvas made itself.
  void FreeHandle();

protected:
  void CreateHandle() override;

private:
  TControl* FControl = nullptr;
  HDC FDeviceContext = nullptr;
  HWND FWindow = nullptr;
};

// A windowed control that paints itself on a canvas.
class TCustomControl : public TWinControl {
public:
  BORROW_COMPONENT(TCustomControl, TWinControl)
  explicit TCustomControl(TComponent* AOwner);
  ~TCustomControl() override;
  TCanvas* GetCanvas() const { return FCanvas.get(); }
  void Dispatch(TMessage& Message) override;

protected:
  virtual void Paint();
  void PaintWindow(HDC DC) override;
  std::unique_ptr<TControlCanvas> FCanvas;
};

// A control without a window, painted by its parent inside the parent's client area.
class TGraphicControl : public TControl {
public:
  BORROW_COMPONENT(TGraphicControl, TControl)
  explicit TGraphicControl(TComponent* AOwner);
  ~TGraphicControl() override;
  TCanvas* GetCanvas() const { return FCanvas.get(); }
  void Dispatch(TMessage& Message) override;

protected:
  virtual void Paint();
  std::unique_ptr<TControlCanvas> FCanvas;
};

// The control behind a window, if it is one of ours.
TWinControl* FindControl(HWND Handle);
// The control holding the mouse (windowed or graphic), or null.
TControl* GetCaptureControl();
void SetCaptureControl(TControl* Control);
// The form a control sits on, or null.
TCustomForm* GetParentForm(TControl* Control);
TCustomForm* ValidParentForm(TControl* Control);
// The standard cursor of a TCursor value.
HCURSOR CursorToHandle(TCursor Cursor);
// Ends the drag under way, if any, as cancelled.
void CancelDrag();

class TField;
// Whether a data-aware control showing Field (null: none) mirrors its alignment:
// its own mode must, and a centred field has nothing to mirror (the grid's
// columns follow the same rule).
bool DBUseRightToLeftAlignment(const TControl* Control, const TField* Field);
// The field part of that rule, for what shows a field right to left without
// being a control (a grid's column): a centred field has nothing to mirror.
bool FieldAlignmentMirrors(const TField* Field);

BORROW_EXCEPTION(EInvalidGraphicOperation, Exception)
