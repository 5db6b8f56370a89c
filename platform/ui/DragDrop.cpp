// Drag and drop and docking: the drag session, the drag objects, what controls
// and dock sites do when a drag reaches them, and the floating form.
//
// One live drag at a time (the mouse has one holder): the session lives from
// BeginDrag until its end has been told to everyone. Handlers run inside it and
// may end it, open modal windows or destroy controls (the source included), so
// the session is freed only when the outermost of its own calls returns, every
// step checks whether the drag has ended, and a control found before a handler
// ran is looked up again after it. A drag that has ended no longer holds the
// mouse: a modal window its drop or end handler opens may run a drag of its own
// while the ended session waits behind it for its handlers to return. A drag that started (OnStartDrag or
// OnStartDock ran) always ends with one OnEndDrag or OnEndDock.
//
// Targets and dock sites are found as the mouse finds its windows: a control that
// takes no mouse input (disabled, in a disabled parent, on a form disabled by a
// modal window) is neither asked nor dropped on.

#include "platform/ui/DragDrop.h"

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <vector>

class TDragSession {
public:
  TDragSession(TControl* AControl, Integer AThreshold);
  ~TDragSession();

  void WindowProc(HWND Wnd, TMessage& Message);
  // Follows the mouse (a screen point): starts the drag past the threshold, then
  // finds the target and asks it.
  void MoveTo(TPoint Pos);
  // Ends the drag: dropped at the mouse, or cancelled.
  void Done(bool Drop);
  void ControlDestroying(TControl* AControl);

  void Start();
  // The target hears of the drag at Pos; gives its answer.
  bool Notify(TControl* ATarget, TDragState State, TPoint Pos);
  TControl* FindTarget(TPoint Pos) const;
  TControl* FindDockSite(TPoint Pos) const;
  TControl* Find(TPoint Pos) const { return Dock ? FindDockSite(Pos) : FindTarget(Pos); }
  TDragDockObject* DockObject() const { return static_cast<TDragDockObject*>(Object); }
  void Release(TPoint Pos, WPARAM Keys);

  TControl* Control;  // the source; null once it is destroyed
  bool Ending = false;
  HWND Window = nullptr;  // hidden; holds the mouse while the drag lasts
  TPoint StartPos;
  TPoint LastPos;  // the mouse when last followed
  Integer Threshold;
  bool Started = false;
  bool Dock = false;
  TDragObject* Object = nullptr;
  std::unique_ptr<TDragObject> Owned;  // the object the library made
  TControl* Target = nullptr;
  bool Accepted = false;
  TPoint GrabOffset;  // from the control's top-left corner to the mouse
  Integer Busy = 0;
};

namespace {

// The sessions alive, in the order they began: only the last may be live; those
// before it have ended and are still telling of their end.
std::vector<std::unique_ptr<TDragSession>> Drags;

TDragSession* LiveDrag() { return !Drags.empty() && !Drags.back()->Ending ? Drags.back().get() : nullptr; }

auto FindDrag(const TDragSession* Session) {
  return std::find_if(Drags.begin(), Drags.end(), [Session](const auto& d) { return d.get() == Session; });
}

// The top-left corner of a control on the screen.
TPoint ScreenOrigin(const TControl* Control) {
  TWinControl* parent = Control->GetParent();
  TPoint p(Control->GetLeft(), Control->GetTop());
  return parent ? parent->ClientToScreen(p) : p;
}

// Whether the mouse reaches the control: it and its parents enabled, and their
// windows too (a modal window disables the other forms' windows, not the forms).
bool TakesMouse(TControl* Control) {
  for (TControl* c = Control; c; c = c->GetParent()) {
    if (!c->GetEnabled()) return false;
    auto* win = dynamic_cast<TWinControl*>(c);
    if (win && win->HandleAllocated() && !IsWindowEnabled(win->GetHandle())) return false;
  }
  return true;
}

// The deepest control under a screen point, when it takes the mouse: the window
// search stops at a disabled window, as a click's does, and that one takes nothing.
TControl* ControlAtScreen(TPoint Pos) {
  HWND wnd = WindowFromPoint(Pos);
  TControl* control = nullptr;
  while (wnd && !(control = FindControl(wnd))) wnd = GetParent(wnd);
  if (auto* win = dynamic_cast<TWinControl*>(control))
    if (TControl* inner = win->ControlAtPos(win->ScreenToClient(Pos), false)) control = inner;
  return control && TakesMouse(control) ? control : nullptr;
}

}  // namespace

// Keeps the session alive while one of its calls runs; the last one out frees
// a session that has ended.
struct TSessionCall {
  TDragSession* Session;
  explicit TSessionCall(TDragSession* S) : Session(S) { ++S->Busy; }
  ~TSessionCall() {
    if (--Session->Busy > 0 || !Session->Ending) return;
    if (const auto it = FindDrag(Session); it != Drags.end()) Drags.erase(it);
  }
  TSessionCall(const TSessionCall&) = delete;
  TSessionCall& operator=(const TSessionCall&) = delete;
};

// ---- The session --------------------------------------------------------------------------------

TDragSession::TDragSession(TControl* AControl, Integer AThreshold)
    : Control(AControl), StartPos(GetCursorPos()), Threshold(AThreshold) {}

TDragSession::~TDragSession() {
  if (Window && IsWindow(Window)) {
    SetWindowProcedure(Window, [](HWND h, TMessage& m) { DefaultWindowProc(h, m); });
    DestroyWindow(Window);
  }
}

void TDragSession::WindowProc(HWND Wnd, TMessage& Message) {
  TSessionCall call(this);
  auto at = [&] {
    TPoint p(GetXLParam(Message.LParam), GetYLParam(Message.LParam));
    ClientToScreen(Wnd, p);
    return p;
  };
  switch (Message.Msg) {
    case WM_MOUSEMOVE:
      // A drag not yet begun needs the button of its press held: without it (the
      // release went elsewhere) the press is over and so is the drag.
      if (!Ending && !Started && !(Message.WParam & MK_LBUTTON)) Done(false);
      if (!Ending) MoveTo(at());
      return;
    case WM_LBUTTONUP:
      if (!Ending) Release(at(), Message.WParam);
      return;
    case WM_RBUTTONDOWN:
    case WM_CANCELMODE:
    case WM_CAPTURECHANGED:
      if (!Ending) Done(false);
      return;
    default: DefaultWindowProc(Wnd, Message);
  }
}

void TDragSession::Release(TPoint Pos, WPARAM Keys) {
  if (Started) {
    if (!Object || Pos != Object->FDragPos) MoveTo(Pos);
    if (!Ending) Done(true);
    return;
  }
  // Released before the drag began: the press was a click, and the control gets
  // its release back.
  TControl* control = Control;
  Done(false);
  if (control) {
    TPoint p = control->ScreenToClient(Pos);
    control->Perform(WM_LBUTTONUP, Keys, MakeLParam(p.X, p.Y));
  }
}

void TDragSession::Start() {
  Started = true;
  // The press that began the drag is no click of the control's any more.
  Control->SetControlState(Control->GetControlState() - TControlState{csClicked, csLButtonDown});
  Dock = Control->GetDragKind() == dkDock;
  // A start handler may end the drag or free the source: then there is nothing to set up.
  if (Dock) {
    TDragDockObject* dock = nullptr;
    Control->DoStartDock(dock);
    if (Ending) return;
    if (!dock) {
      Owned = std::make_unique<TDragDockObject>(Control);
      dock = static_cast<TDragDockObject*>(Owned.get());
    }
    Object = dock;
    GrabOffset = StartPos - ScreenOrigin(Control);
  } else {
    TDragObject* object = nullptr;
    Control->DoStartDrag(object);
    if (Ending) return;
    if (!object) {
      Owned = std::make_unique<TDragControlObject>(Control);
      object = Owned.get();
    }
    Object = object;
  }
}

void TDragSession::MoveTo(TPoint Pos) {
  LastPos = Pos;
  if (!Started) {
    if (std::abs(Pos.X - StartPos.X) < Threshold && std::abs(Pos.Y - StartPos.Y) < Threshold) return;
    Start();
    if (Ending) return;
  }
  if (Dock && Control) {
    const TPoint corner = Pos - GrabOffset;
    DockObject()->FDockRect = Bounds(corner.X, corner.Y, Control->GetWidth(), Control->GetHeight());
  }
  TControl* found = Find(Pos);
  TDragState state = dsDragMove;
  if (found != Target) {
    if (Target) {
      Notify(Target, dsDragLeave, Pos);
      if (Ending) return;
      // The leave handler may have freed or moved what was found (an overlay it
      // showed): what is under the mouse now is the new target.
      found = Find(Pos);
    }
    Target = found;
    state = dsDragEnter;
  }
  Object->FDragPos = Pos;
  Object->FDragTarget = Target;
  Object->FDragTargetPos = Target ? Target->ScreenToClient(Pos) : Pos;
  Accepted = false;
  if (Target) Accepted = Notify(Target, state, Pos);
  if (Ending) return;
  if (Dock) DockObject()->FFloating = !Target || !Accepted;
  const TPoint p = Object->FDragTargetPos;
  ::SetCursor(CursorToHandle(Object->GetDragCursor(Accepted, p.X, p.Y)));
}

bool TDragSession::Notify(TControl* ATarget, TDragState State, TPoint Pos) {
  const TPoint p = ATarget->ScreenToClient(Pos);
  bool accept = false;
  if (Dock) static_cast<TWinControl*>(ATarget)->DockOver(DockObject(), p.X, p.Y, State, accept);
  else ATarget->DragOver(Object->GetSource(), p.X, p.Y, State, accept);
  return accept;
}

TControl* TDragSession::FindTarget(TPoint Pos) const { return ControlAtScreen(Pos); }

// The innermost dock site under the mouse. Over the window it floats in, a
// control has no site: dropped there, it just floats on.
TControl* TDragSession::FindDockSite(TPoint Pos) const {
  auto* dragged = dynamic_cast<TWinControl*>(Control);
  for (TControl* c = ControlAtScreen(Pos); c; c = c->GetParent()) {
    auto* site = dynamic_cast<TWinControl*>(c);
    if (!site || !site->GetDockSite() || (dragged && dragged->ContainsControl(site))) continue;
    if (Control->Floating() && site == Control->GetHostDockSite()) return nullptr;
    return site;
  }
  return nullptr;
}

void TDragSession::Done(bool Drop) {
  if (Ending) return;
  TSessionCall call(this);
  Ending = true;
  if (Window) {
    HWND wnd = Window;
    Window = nullptr;
    SetWindowProcedure(wnd, [](HWND h, TMessage& m) { DefaultWindowProc(h, m); });
    DestroyWindow(wnd);
  }
  if (Screen) Screen->SetCursor(Screen->GetCursor());  // the controls' own cursors again
  if (!Started) return;
  if (!Object) {
    // Ended while its start handler ran: no target was asked, only the source hears of it.
    if (!Control) return;
    const TPoint p = Control->ScreenToClient(LastPos);
    if (Dock) Control->DoEndDock(nullptr, p.X, p.Y);
    else Control->DoEndDrag(nullptr, p.X, p.Y);
    return;
  }
  const TPoint pos = Object->FDragPos;
  TControl* target = Target;
  // A target disabled since it was last asked takes no drop.
  const bool accepted = Drop && target && Accepted && TakesMouse(target);
  Object->FDropped = accepted;
  TPoint p = target ? target->ScreenToClient(pos) : Control ? Control->ScreenToClient(pos) : pos;
  if (!Dock) {
    bool ignored = false;
    if (target && !accepted) target->DragOver(Object->GetSource(), p.X, p.Y, dsDragLeave, ignored);
    if (accepted) target->DragDrop(Object->GetSource(), p.X, p.Y);
    if (Control) Control->DoEndDrag(accepted && Target ? Target : nullptr, p.X, p.Y);
    return;
  }
  auto* site = static_cast<TWinControl*>(target);
  if (site && !accepted) {
    bool ignored = false;
    site->DockOver(DockObject(), p.X, p.Y, dsDragLeave, ignored);
  }
  if (accepted) site->DockDrop(DockObject(), p.X, p.Y);
  else if (Drop && Control) Control->ManualFloat(DockObject()->GetDockRect());
  if (Control) {
    TControl* took = accepted && Target ? Target : nullptr;
    if (!took) p = Control->ScreenToClient(pos);
    Control->DoEndDock(took, p.X, p.Y);
  }
}

void TDragSession::ControlDestroying(TControl* AControl) {
  if (AControl == Target) {
    Target = nullptr;
    Accepted = false;
    if (Object) Object->FDragTarget = nullptr;
  }
  if (Object && Dock && DockObject()->FDropOnControl == AControl) DockObject()->FDropOnControl = nullptr;
  if (AControl != Control) return;
  // A source going away ends its drag first, while its own part can still be told.
  if (!Ending) Done(false);
  Control = nullptr;
  if (auto* own = dynamic_cast<TBaseDragControlObject*>(Owned.get())) own->FControl = nullptr;
}

void DragControlDestroying(TControl* Control) {
  // Ended sessions too: their handlers may still be running, and they use the source.
  std::vector<TDragSession*> sessions;
  for (const auto& d : Drags) sessions.push_back(d.get());
  for (TDragSession* session : sessions) {
    if (FindDrag(session) == Drags.end()) continue;
    TSessionCall call(session);
    session->ControlDestroying(Control);
  }
}

bool DragKeyMessage(const TMsg& Msg) {
  TDragSession* drag = LiveDrag();
  if (!drag || Msg.message != WM_KEYDOWN || Msg.wParam != VK_ESCAPE) return false;
  TSessionCall call(drag);
  drag->Done(false);
  return true;
}

void CancelDrag() {
  if (TDragSession* drag = LiveDrag()) {
    TSessionCall call(drag);
    drag->Done(false);
  }
}

// ---- Drag objects -----------------------------------------------------------------------------------

TCursor TDragObject::GetDragCursor(bool Accepted, Integer, Integer) { return Accepted ? crDrag : crNoDrop; }

TCursor TDragControlObject::GetDragCursor(bool Accepted, Integer, Integer) {
  return Accepted && FControl ? FControl->GetDragCursor() : crNoDrop;
}

TCursor TDragDockObject::GetDragCursor(bool, Integer, Integer) { return crDefault; }

// ---- TControl: the source, the target, docking ---------------------------------------------------------

void TControl::BeginDrag(bool Immediate, Integer Threshold) {
  if (LiveDrag()) return;  // the mouse is someone's drag already
  if (Immediate) Threshold = 0;
  else if (Threshold < 0) Threshold = std::max(GetSystemMetrics(SM_CXDRAG), GetSystemMetrics(SM_CYDRAG));
  Drags.push_back(std::make_unique<TDragSession>(this, Threshold));
  TDragSession* drag = Drags.back().get();
  TSessionCall call(drag);
  drag->Window = CreateWindowEx(0, u"TDragWindow", String(), WS_POPUP, 0, 0, 0, 0, nullptr,
                                [drag](HWND Wnd, TMessage& Message) { drag->WindowProc(Wnd, Message); });
  SetCapture(drag->Window);
  if (Immediate) drag->MoveTo(drag->StartPos);
}

void TControl::EndDrag(bool Drop) {
  if (!Dragging()) return;
  TDragSession* drag = LiveDrag();
  TSessionCall call(drag);
  drag->Done(Drop);
}

bool TControl::Dragging() const {
  TDragSession* drag = LiveDrag();
  return drag && drag->Control == this;
}

void TControl::DragOver(TObject* Source, Integer X, Integer Y, TDragState State, bool& Accept) {
  Accept = bool(OnDragOver);
  if (OnDragOver) OnDragOver(this, Source, X, Y, State, Accept);
}

void TControl::DragDrop(TObject* Source, Integer X, Integer Y) {
  if (OnDragDrop) OnDragDrop(this, Source, X, Y);
}

void TControl::DoStartDrag(TDragObject*& DragObject) {
  if (OnStartDrag) OnStartDrag(this, DragObject);
}

void TControl::DoEndDrag(TObject* Target, Integer X, Integer Y) {
  if (OnEndDrag) OnEndDrag(this, Target, X, Y);
}

void TControl::DoStartDock(TDragDockObject*& DragObject) {
  if (OnStartDock) OnStartDock(this, DragObject);
}

void TControl::DoEndDock(TObject* Target, Integer X, Integer Y) {
  if (OnEndDock) OnEndDock(this, Target, X, Y);
}

bool TControl::Floating() const { return dynamic_cast<TCustomDockForm*>(FHostDockSite) != nullptr; }

void TControl::Dock(TWinControl* NewDockSite, const TRect& ARect) {
  const bool Moving = FHostDockSite == NewDockSite;
  SetParent(NewDockSite);  // leaves the site it was docked in
  SetBounds(ARect.Left, ARect.Top, ARect.Width(), ARect.Height());
  if (Moving || !NewDockSite) return;
  FHostDockSite = NewDockSite;
  NewDockSite->FDockClients.push_back(this);
  NewDockSite->DoAddDockClient(this);
}

bool TControl::ManualDock(TWinControl* NewDockSite, TControl* DropControl, TAlign ControlSide) {
  if (!NewDockSite) return ManualFloat(Bounds(ScreenOrigin(this).X, ScreenOrigin(this).Y, FWidth, FHeight));
  if (auto* self = dynamic_cast<TWinControl*>(this); self && self->ContainsControl(NewDockSite)) return false;
  TDragDockObject dock(this);
  dock.SetDropAlign(ControlSide);
  dock.SetDropOnControl(DropControl);
  const TPoint origin = NewDockSite->ClientToScreen(TPoint(0, 0));
  dock.SetDockRect(Bounds(origin.X, origin.Y, FWidth, FHeight));
  NewDockSite->DockDrop(&dock, 0, 0);
  return true;
}

bool TControl::ManualFloat(const TRect& ScreenPos) {
  auto* host = dynamic_cast<TCustomDockForm*>(FHostDockSite);
  if (!host) {
    host = new TCustomDockForm(this);
    host->SetCaption(GetCaption());
  }
  host->HandleNeeded();
  host->SetClientWidth(ScreenPos.Width());
  host->SetClientHeight(ScreenPos.Height());
  const TPoint frame = host->GetClientOrigin() - TPoint(host->GetLeft(), host->GetTop());
  host->SetBounds(ScreenPos.Left - frame.X, ScreenPos.Top - frame.Y, host->GetWidth(), host->GetHeight());
  if (FHostDockSite != host) Dock(host, TRect(0, 0, ScreenPos.Width(), ScreenPos.Height()));
  host->Show();
  return true;
}

// ---- TWinControl: the dock site -------------------------------------------------------------------------

void TWinControl::DockOver(TDragDockObject* Source, Integer X, Integer Y, TDragState State, bool& Accept) {
  Accept = true;
  if (OnDockOver) OnDockOver(this, Source, X, Y, State, Accept);
}

void TWinControl::DockDrop(TDragDockObject* Source, Integer X, Integer Y) {
  TControl* client = Source->GetControl();
  if (!client) return;
  const TRect r = Source->GetDockRect();
  const TPoint corner = ScreenToClient(r.TopLeft());
  DisableAlign();
  client->Dock(this, Bounds(corner.X, corner.Y, r.Width(), r.Height()));
  if (Source->GetDropAlign() != alNone) client->SetAlign(Source->GetDropAlign());
  EnableAlign();
  if (OnDockDrop) OnDockDrop(this, Source, X, Y);
}

void TWinControl::DoAddDockClient(TControl*) {}
void TWinControl::DoRemoveDockClient(TControl*) {}

// ---- The floating form ---------------------------------------------------------------------------------

TCustomDockForm::TCustomDockForm(TComponent* AOwner) : TCustomForm(AOwner) {
  SetBorderStyle(bsSizeToolWin);
  SetDockSite(true);
}

void TCustomDockForm::DoRemoveDockClient(TControl* Client) {
  TCustomForm::DoRemoveDockClient(Client);
  if (GetDockClientCount() > 0) return;
  Hide();
  Release();
}
