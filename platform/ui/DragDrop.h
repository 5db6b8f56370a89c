#pragma once
// Drag and drop and docking between the program's own controls.
//
// A drag takes the mouse into a hidden window of its own (so the source's own
// mouse handling is left alone), asks the control under the mouse through
// DragOver whether it accepts the source (entering, moving, leaving), shows the
// source's DragCursor or the no-drop cursor, and ends on the release (a drop),
// Esc, a right press, cancel mode or a lost capture (cancelled), or when the
// source is destroyed. The source always hears of the end through DoEndDrag.
// A drag that has ended holds the mouse no more: a modal window that a drop or
// end handler opens may run drags of its own.
// Only a control the mouse reaches is asked: none that is disabled, in a
// disabled parent, or on a form a modal window has disabled. A drag that has not
// begun yet (the mouse within the threshold) ends once its button is up.
//
// A dock drag (DragKind dkDock) looks instead for the dock site under the mouse
// (a TWinControl with DockSite), which takes the control on the drop; dropped
// anywhere else the control floats in a TCustomDockForm of its own.

#include "platform/ui/Controls.h"
#include "platform/ui/Forms.h"

// What is being dragged; a handler of OnStartDrag may make its own (it stays
// the handler's: the drag never frees it).
class TDragObject : public TObject {
public:
  BORROW_CLASS(TDragObject, TObject)
  TDragObject() = default;
  ~TDragObject() override = default;

  // The mouse on the screen; the control under it and the point in its client area.
  TPoint GetDragPos() const { return FDragPos; }
  TControl* GetDragTarget() const { return FDragTarget; }
  TPoint GetDragTargetPos() const { return FDragTargetPos; }
  // Whether the drag ended with a drop that a target took.
  bool GetDropped() const { return FDropped; }
  // The cursor over a target that accepts the drop, or refuses it.
  virtual TCursor GetDragCursor(bool Accepted, Integer X, Integer Y);
  // What the targets' handlers are given as the source.
  virtual TObject* GetSource() { return this; }

private:
  TPoint FDragPos;
  TControl* FDragTarget = nullptr;
  TPoint FDragTargetPos;
  bool FDropped = false;
  friend class TDragSession;
};

// A drag of a control.
class TBaseDragControlObject : public TDragObject {
public:
  BORROW_CLASS(TBaseDragControlObject, TDragObject)
  explicit TBaseDragControlObject(TControl* AControl) : FControl(AControl) {}
  TControl* GetControl() const { return FControl; }

protected:
  TControl* FControl;
  friend class TDragSession;
};

// The drag object a control gets when OnStartDrag makes none: the targets see
// the control itself as the source.
class TDragControlObject : public TBaseDragControlObject {
public:
  BORROW_CLASS(TDragControlObject, TBaseDragControlObject)
  using TBaseDragControlObject::TBaseDragControlObject;
  TCursor GetDragCursor(bool Accepted, Integer X, Integer Y) override;
  TObject* GetSource() override { return FControl; }
};

// A dock drag: where the control would go (DockRect, screen coordinates), and
// whether it would float there.
class TDragDockObject : public TBaseDragControlObject {
public:
  BORROW_CLASS(TDragDockObject, TBaseDragControlObject)
  using TBaseDragControlObject::TBaseDragControlObject;
  TRect GetDockRect() const { return FDockRect; }
  void SetDockRect(const TRect& Value) { FDockRect = Value; }
  TAlign GetDropAlign() const { return FDropAlign; }
  void SetDropAlign(TAlign Value) { FDropAlign = Value; }
  TControl* GetDropOnControl() const { return FDropOnControl; }
  void SetDropOnControl(TControl* Value) { FDropOnControl = Value; }
  bool GetFloating() const { return FFloating; }
  TCursor GetDragCursor(bool Accepted, Integer X, Integer Y) override;

private:
  TRect FDockRect;
  TAlign FDropAlign = alNone;
  TControl* FDropOnControl = nullptr;
  bool FFloating = false;
  friend class TDragSession;
};

// The window a control floats in: a tool window sized to the control, itself a
// dock site; it goes away once its last client leaves.
class TCustomDockForm : public TCustomForm {
public:
  BORROW_COMPONENT(TCustomDockForm, TCustomForm)
  explicit TCustomDockForm(TComponent* AOwner);

protected:
  void DoRemoveDockClient(TControl* Client) override;
};

// A control going away: a drag of it ends (cancelled) and it is no target any more.
void DragControlDestroying(TControl* Control);

// The key messages of the application's loop: Esc cancels a drag under way
// (true: the key was taken).
bool DragKeyMessage(const TMsg& Msg);
