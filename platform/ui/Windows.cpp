// The window tree: creation and destruction, styles, positions, non-client frames,
// regions, enumeration and coordinate mapping. Painting is in WindowPaint.cpp.

#include "platform/ui/Windows.h"

#include <algorithm>
#include <cstdint>

#include "platform/ui/WindowSystem.h"

using namespace uiwin;

namespace uiwin {

// Never freed, like the font and stock objects: a window handle is valid to ask
// about until the process's very end, from static destructors too (an exit()
// while forms live reaches them after any static made here would be gone).
TWindowSystem& TWindowSystem::Get() {
  static auto* const system = new TWindowSystem();
  return *system;
}

TWindowRec* TWindowSystem::Find(HWND h) const {
  if (!h) return nullptr;
  auto it = Windows.find(reinterpret_cast<std::uintptr_t>(h));
  if (it == Windows.end()) return nullptr;
  return it->second.get();
}

TWindowRec* TWindowSystem::Create() {
  auto rec = std::make_unique<TWindowRec>();
  // Ids are never reused, so a stale handle never reaches a newer window.
  std::uintptr_t id = NextId++;
  rec->Handle = reinterpret_cast<HWND>(id);
  TWindowRec* raw = rec.get();
  Windows[id] = std::move(rec);
  return raw;
}

void TWindowSystem::Erase(TWindowRec* w) {
  if (w->Surface) cairo_surface_destroy(w->Surface);
  if (w->LayoutDeferred)
    DeferredLayouts.erase(std::remove(DeferredLayouts.begin(), DeferredLayouts.end(), w->Handle),
                          DeferredLayouts.end());
  Windows.erase(reinterpret_cast<std::uintptr_t>(w->Handle));
}

TWindowRec* TopOf(TWindowRec* w) {
  while (w && w->IsChildWindow()) w = w->Parent;
  return w;
}

TPoint WindowOriginOnScreen(const TWindowRec* w) {
  if (w->IsChildWindow()) return ClientOriginOnScreen(w->Parent) + w->Rect.TopLeft();
  return w->Rect.TopLeft();
}

TPoint ClientOriginOnScreen(const TWindowRec* w) { return WindowOriginOnScreen(w) + w->Client.TopLeft(); }

TRect WindowRectInSurface(const TWindowRec* w) {
  const TWindowRec* top = w;
  while (top->IsChildWindow()) top = top->Parent;
  TPoint o = WindowOriginOnScreen(w) - top->Rect.TopLeft();
  return Bounds(o.X, o.Y, w->Rect.Width(), w->Rect.Height());
}

TRect ClientRectInSurface(const TWindowRec* w) {
  TRect r = WindowRectInSurface(w);
  return Bounds(r.Left + w->Client.Left, r.Top + w->Client.Top, w->Client.Width(), w->Client.Height());
}

bool IsVisibleRec(const TWindowRec* w) {
  for (; w; w = w->IsChildWindow() ? w->Parent : nullptr) {
    if (!(w->Style & WS_VISIBLE) || w->Destroying) return false;
    if (!w->IsChildWindow()) break;
  }
  return true;
}

LRESULT Send(TWindowRec* w, UINT Msg, WPARAM WParam, LPARAM LParam) {
  if (!w) return 0;
  return SendMessage(w->Handle, Msg, WParam, LParam);
}

UInt64 Now() { return GetDisplayBackend().Now(); }

void DeferLayout(HWND Wnd) {
  TWindowRec* w = TWindowSystem::Get().Find(Wnd);
  if (!w || w->LayoutDeferred) return;
  w->LayoutDeferred = true;
  TWindowSystem::Get().DeferredLayouts.push_back(Wnd);
}

void SettleLayout(TWindowRec* w) {
  if (!w || !w->LayoutDeferred) return;
  w->LayoutDeferred = false;
  auto& list = TWindowSystem::Get().DeferredLayouts;
  list.erase(std::remove(list.begin(), list.end(), w->Handle), list.end());
  Send(w, CM_SETTLELAYOUT, 0, 0);
}

void SettleShownLayouts() {
  TWindowSystem& sys = TWindowSystem::Get();
  if (sys.DeferredLayouts.empty()) return;
  // Settling may show, hide or destroy windows: walk a copy and look each one up again.
  const std::vector<HWND> owed = sys.DeferredLayouts;
  for (HWND h : owed) {
    TWindowRec* w = sys.Find(h);
    if (!w) {
      auto& list = sys.DeferredLayouts;
      list.erase(std::remove(list.begin(), list.end(), h), list.end());
    } else if (IsVisibleRec(w)) {
      SettleLayout(w);
    }
  }
}

}  // namespace uiwin

namespace {

TWindowSystem& Sys() { return TWindowSystem::Get(); }
TWindowRec* Rec(HWND h) { return Sys().Find(h); }

Integer FrameWidth(DWORD style, DWORD exStyle, bool child) {
  Integer b = 0;
  if (exStyle & WS_EX_CLIENTEDGE) b += 2;
  if (exStyle & WS_EX_STATICEDGE) b += 1;
  if (exStyle & WS_EX_DLGMODALFRAME) b += 3;
  // The desktop's window manager draws the caption and sizing frame of top-level
  // windows; only a plain border belongs to our own image there.
  if ((style & WS_CAPTION) == WS_CAPTION && !child) return b;
  if (style & WS_THICKFRAME) b += child ? 4 : 0;
  else if (style & WS_DLGFRAME) b += child ? 3 : 0;
  else if (style & WS_BORDER) b += 1;
  return b;
}

void ComputeClient(TWindowRec* w, TRect windowRect) {
  TNCCalcSizeParams p;
  p.rgrc[0] = windowRect;
  p.rgrc[1] = windowRect;
  p.rgrc[2] = w->Client;
  SendMessage(w->Handle, WM_NCCALCSIZE, 0, reinterpret_cast<LPARAM>(&p));
  TRect c = p.rgrc[0];
  if (c.Right < c.Left) c.Right = c.Left;
  if (c.Bottom < c.Top) c.Bottom = c.Top;
  w->Client =
      TRect(c.Left - windowRect.Left, c.Top - windowRect.Top, c.Right - windowRect.Left, c.Bottom - windowRect.Top);
}

void EnsureSurface(TWindowRec* w) {
  if (w->IsChildWindow()) return;
  Integer cw = std::max(1, w->Rect.Width()), ch = std::max(1, w->Rect.Height());
  if (w->Surface && cairo_image_surface_get_width(w->Surface) == cw && cairo_image_surface_get_height(w->Surface) == ch)
    return;
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, cw, ch);
  cairo_t* cr = cairo_create(s);
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_paint(cr);
  if (w->Surface) {
    cairo_set_source_surface(cr, w->Surface, 0, 0);
    cairo_paint(cr);
    cairo_surface_destroy(w->Surface);
  }
  cairo_destroy(cr);
  w->Surface = s;
}

void RemoveFromSiblings(TWindowRec* w) {
  auto& list = w->IsChildWindow() ? w->Parent->Children : Sys().TopLevel;
  list.erase(std::remove(list.begin(), list.end(), w), list.end());
}

// Keeps topmost windows ahead of the others.
void InsertTopLevel(TWindowRec* w, bool atTop) {
  auto& list = Sys().TopLevel;
  list.erase(std::remove(list.begin(), list.end(), w), list.end());
  bool topmost = (w->ExStyle & WS_EX_TOPMOST) != 0;
  auto firstNormal =
      std::find_if(list.begin(), list.end(), [](TWindowRec* x) { return !(x->ExStyle & WS_EX_TOPMOST); });
  if (topmost) {
    list.insert(atTop ? list.begin() : firstNormal, w);
  } else {
    list.insert(atTop ? firstNormal : list.end(), w);
  }
}

void InvalidateWholeWindow(TWindowRec* w) {
  if (!IsVisibleRec(w)) return;
  TWindowRec* top = TopOf(w);
  InvalidateSurfaceArea(top, WindowRectInSurface(w));
}

// What a window covered, seen again once it moved or hid.
void ExposeArea(TWindowRec* w, const TRect& oldSurfaceRect) {
  TWindowRec* top = TopOf(w);
  if (top && top != w) InvalidateSurfaceArea(top, oldSurfaceRect);
}

// Whether h is Wnd itself or one of its descendants.
bool InTree(HWND Wnd, HWND h) { return h && (h == Wnd || IsChild(Wnd, h)); }

void NotifyBackendShown(TWindowRec* w, bool visible) {
  if (!w->IsChildWindow()) GetDisplayBackend().WindowShown(w->Handle, visible);
}

void DestroyRec(TWindowRec* w);
void ActivateNext(HWND owner, TWindowRec* except);

void CollectSubtree(TWindowRec* w, std::vector<TWindowRec*>& out) {
  out.push_back(w);
  for (TWindowRec* c : w->Children) CollectSubtree(c, out);
}

}  // namespace

namespace uiwin {

TRegion VisibleRegion(const TWindowRec* w, bool Client) {
  if (!IsVisibleRec(w)) return TRegion();
  TRegion rgn(Client ? ClientRectInSurface(w) : WindowRectInSurface(w));
  // Our own children are never painted over.
  if (Client)
    for (const TWindowRec* c : w->Children)
      if (c->Style & WS_VISIBLE) rgn.Subtract(WindowRectInSurface(c));
  const TWindowRec* cur = w;
  while (true) {
    if (cur->Shape) {
      TRect wr = WindowRectInSurface(cur);
      TRegion shape = *cur->Shape;
      shape.Translate(wr.Left, wr.Top);
      rgn.Intersect(shape);
    }
    if (!cur->IsChildWindow()) {
      rgn.Intersect(Bounds(0, 0, cur->Rect.Width(), cur->Rect.Height()));
      break;
    }
    const TWindowRec* parent = cur->Parent;
    rgn.Intersect(ClientRectInSurface(parent));
    // Siblings above us in z-order cover us.
    for (const TWindowRec* s : parent->Children) {
      if (s == cur) break;
      if (s->Style & WS_VISIBLE) rgn.Subtract(WindowRectInSurface(s));
    }
    cur = parent;
  }
  return rgn;
}

void RecalcNonClient(TWindowRec* w, bool SendSize) {
  TSize before(w->Client.Width(), w->Client.Height());
  TRect wr = w->Rect;
  ComputeClient(w, wr);
  w->FrameNeeded = true;
  if (SendSize && (before.cx != w->Client.Width() || before.cy != w->Client.Height())) {
    SendMessage(w->Handle, WM_SIZE, SIZE_RESTORED, MakeLParam(w->Client.Width(), w->Client.Height()));
  }
  InvalidateWholeWindow(w);
}

void InvalidateSurfaceArea(TWindowRec* top, const TRect& Area) {
  if (!top || Area.IsEmpty()) return;
  std::vector<TWindowRec*> all;
  CollectSubtree(top, all);
  for (TWindowRec* w : all) {
    if (!IsVisibleRec(w)) continue;
    TRect wr = WindowRectInSurface(w), hit;
    if (!IntersectRect(hit, wr, Area)) continue;
    TRect cr = ClientRectInSurface(w), chit;
    if (!(hit.Left >= cr.Left && hit.Top >= cr.Top && hit.Right <= cr.Right && hit.Bottom <= cr.Bottom))
      w->FrameNeeded = true;
    if (IntersectRect(chit, cr, Area)) {
      OffsetRect(chit, -cr.Left, -cr.Top);
      InvalidateRect(w->Handle, &chit, true);
    }
  }
}

}  // namespace uiwin

namespace {

void DestroyRec(TWindowRec* w) {
  TWindowSystem& s = Sys();
  if (w->Destroying) return;
  // Owned top-level windows go first, as they cannot outlive their owner.
  std::vector<HWND> owned;
  for (TWindowRec* t : s.TopLevel)
    if (t->Owner == w->Handle) owned.push_back(t->Handle);
  for (HWND h : owned) DestroyWindow(h);

  std::vector<TWindowRec*> subtree;
  CollectSubtree(w, subtree);
  bool wasVisible = IsVisibleRec(w);
  TRect oldArea = WindowRectInSurface(w);

  // Focus, capture and activation leave the subtree before it goes.
  auto inSubtree = [&](HWND h) {
    return std::any_of(subtree.begin(), subtree.end(), [&](TWindowRec* x) { return x->Handle == h; });
  };
  if (s.Focus && inSubtree(s.Focus)) {
    HWND old = s.Focus;
    SendMessage(old, WM_KILLFOCUS, 0, 0);
    if (s.Focus == old) s.Focus = nullptr;
  }
  if (s.Capture && inSubtree(s.Capture)) {
    HWND old = s.Capture;
    s.Capture = nullptr;
    SendMessage(old, WM_CAPTURECHANGED, 0, 0);
  }
  if (s.Caret.Wnd && inSubtree(s.Caret.Wnd)) DestroyCaret();
  bool wasActive = s.Active && inSubtree(s.Active);

  for (TWindowRec* x : subtree) x->Destroying = true;
  // WM_DESTROY parent first, WM_NCDESTROY children first.
  for (TWindowRec* x : subtree) SendMessage(x->Handle, WM_DESTROY, 0, 0);
  for (auto it = subtree.rbegin(); it != subtree.rend(); ++it) SendMessage((*it)->Handle, WM_NCDESTROY, 0, 0);

  for (TWindowRec* x : subtree) {
    KillWindowTimers(x->Handle);
    auto& q = s.Queue;
    q.erase(std::remove_if(q.begin(), q.end(), [&](const TMsg& m) { return m.hwnd == x->Handle; }), q.end());
    if (s.LastClick.Wnd == x->Handle) s.LastClick = TClickState();
    if (s.ScrollTrackWnd == x->Handle) s.ScrollTrackWnd = nullptr;
  }
  TWindowRec* top = w->IsChildWindow() ? TopOf(w->Parent) : nullptr;
  RemoveFromSiblings(w);
  if (!w->IsChildWindow()) GetDisplayBackend().WindowDestroyed(w->Handle);
  HWND owner = w->Owner;
  for (auto it = subtree.rbegin(); it != subtree.rend(); ++it) s.Erase(*it);
  if (top && wasVisible) InvalidateSurfaceArea(top, oldArea);

  if (wasActive) {
    s.Active = nullptr;
    ActivateNext(owner, nullptr);
  }
}

}  // namespace

namespace {

// The owner, else the next visible ordinary top-level window, takes over the
// activation from a window that went away or hid.
void ActivateNext(HWND owner, TWindowRec* except) {
  TWindowSystem& s = Sys();
  TWindowRec* next = Rec(owner);
  if (!next || next == except || !IsVisibleRec(next) || (next->Style & WS_DISABLED)) {
    next = nullptr;
    for (TWindowRec* t : s.TopLevel)
      if (t != except && IsVisibleRec(t) && !(t->ExStyle & (WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW)) &&
          !(t->Style & WS_DISABLED)) {
        next = t;
        break;
      }
  }
  if (next) SetActiveWindow(next->Handle);
  else if (s.Active && s.Active == (except ? except->Handle : nullptr)) SetActiveWindow(nullptr);
}

}  // namespace

// ---- Creation --------------------------------------------------------------------------

HWND CreateWindowFromParams(const TCreateParams& P, TWindowProcedure Proc, TObject* Object) {
  TWindowSystem& s = Sys();
  bool child = (P.Style & WS_CHILD) != 0;
  TWindowRec* parent = Rec(P.WndParent);
  if (child && !parent) return nullptr;
  TWindowRec* w = s.Create();
  w->Style = P.Style & ~WS_VISIBLE;
  w->ExStyle = P.ExStyle;
  w->Class = P.WindowClass;
  w->ClassName = P.WinClassName;
  w->Text = P.Caption;
  w->CtrlId = P.ID;
  w->Proc = std::move(Proc);
  w->Object = Object;
  w->Rect = Bounds(P.X, P.Y, std::max(0, P.Width), std::max(0, P.Height));
  if (child) {
    w->Parent = parent;
    parent->Children.insert(parent->Children.begin(), w);
  } else {
    w->Owner = P.WndParent;
    InsertTopLevel(w, true);
    EnsureSurface(w);
    GetDisplayBackend().WindowCreated(w->Handle);
    GetDisplayBackend().WindowMoved(w->Handle, w->Rect);
  }
  HWND h = w->Handle;
  // A procedure answering 0 to WM_NCCREATE refuses the window.
  if (!SendMessage(h, WM_NCCREATE, 0, 0)) {
    DestroyWindow(h);
    return nullptr;
  }
  if (!Rec(h)) return nullptr;
  ComputeClient(w, w->Rect);
  if (SendMessage(h, WM_CREATE, 0, 0) == -1) {
    DestroyWindow(h);
    return nullptr;
  }
  if (!Rec(h)) return nullptr;
  SendMessage(h, WM_SIZE, SIZE_RESTORED, MakeLParam(w->Client.Width(), w->Client.Height()));
  if (!Rec(h)) return nullptr;
  SendMessage(h, WM_MOVE, 0, MakeLParam(w->Rect.Left + w->Client.Left, w->Rect.Top + w->Client.Top));
  if (!Rec(h)) return nullptr;
  w->FrameNeeded = true;
  if (P.Style & WS_VISIBLE) ShowWindow(h, (P.ExStyle & WS_EX_NOACTIVATE) ? SW_SHOWNA : SW_SHOW);
  return Rec(h) ? h : nullptr;
}

HWND CreateWindowEx(DWORD ExStyle, const String& ClassName, const String& WindowName, DWORD Style, Integer X, Integer Y,
                    Integer Width, Integer Height, HWND Parent, TWindowProcedure Proc) {
  TCreateParams p;
  p.ExStyle = ExStyle;
  p.WinClassName = ClassName;
  p.Caption = WindowName;
  p.Style = Style;
  p.X = X, p.Y = Y, p.Width = Width, p.Height = Height;
  p.WndParent = Parent;
  return CreateWindowFromParams(p, std::move(Proc));
}

bool DestroyWindow(HWND Wnd) {
  TWindowRec* w = Rec(Wnd);
  if (!w || w->Destroying) return false;
  DestroyRec(w);
  return true;
}

bool IsWindow(HWND Wnd) {
  TWindowRec* w = Rec(Wnd);
  return w && !w->Destroying;
}

TObject* FindWindowObject(HWND Wnd) {
  TWindowRec* w = Rec(Wnd);
  return w ? w->Object : nullptr;
}

TWindowProcedure SetWindowProcedure(HWND Wnd, TWindowProcedure Proc) {
  TWindowRec* w = Rec(Wnd);
  if (!w) return nullptr;
  std::swap(w->Proc, Proc);
  return Proc;
}

// ---- Tree ----------------------------------------------------------------------------------

HWND GetParent(HWND Wnd) {
  TWindowRec* w = Rec(Wnd);
  if (!w) return nullptr;
  return w->IsChildWindow() ? w->Parent->Handle : w->Owner;
}

HWND GetWindowOwner(HWND Wnd) {
  TWindowRec* w = Rec(Wnd);
  return w && !w->IsChildWindow() ? w->Owner : nullptr;
}

HWND SetWindowOwner(HWND Wnd, HWND NewOwner) {
  TWindowRec* w = Rec(Wnd);
  if (!w || w->IsChildWindow()) return nullptr;
  TWindowRec* o = NewOwner ? TopOf(Rec(NewOwner)) : nullptr;
  if (NewOwner && !o) return nullptr;
  for (TWindowRec* x = o; x; x = Rec(x->Owner))
    if (x == w) return nullptr;  // no window may own itself, however far up
  HWND old = w->Owner;
  w->Owner = o ? o->Handle : nullptr;
  return old;
}

HWND GetEnabledPopup(HWND Wnd) {
  TWindowRec* top = TopOf(Rec(Wnd));
  if (!top) return nullptr;
  auto ownedBy = [&](TWindowRec* t) {
    for (TWindowRec* x = Rec(t->Owner); x; x = Rec(x->Owner))
      if (x == top) return true;
    return false;
  };
  for (TWindowRec* t : Sys().TopLevel)
    if (t != top && (t->Style & WS_VISIBLE) && !(t->Style & WS_DISABLED) && !(t->ExStyle & WS_EX_NOACTIVATE) &&
        ownedBy(t))
      return t->Handle;
  return nullptr;
}

HWND GetAncestorTop(HWND Wnd) {
  TWindowRec* w = TopOf(Rec(Wnd));
  return w ? w->Handle : nullptr;
}

HWND SetParent(HWND Child, HWND NewParent) {
  TWindowRec* w = Rec(Child);
  if (!w) return nullptr;
  TWindowRec* np = Rec(NewParent);
  HWND old = GetParent(Child);
  for (TWindowRec* p = np; p; p = p->IsChildWindow() ? p->Parent : nullptr)
    if (p == w) return nullptr;  // a window cannot become its own descendant
  bool vis = IsVisibleRec(w);
  if (vis) InvalidateWholeWindow(w);
  RemoveFromSiblings(w);
  if (np) {
    if (!w->IsChildWindow()) {
      GetDisplayBackend().WindowDestroyed(w->Handle);
      if (w->Surface) cairo_surface_destroy(w->Surface), w->Surface = nullptr;
    }
    w->Style |= WS_CHILD;
    w->Style &= ~WS_POPUP;
    w->Parent = np;
    w->Owner = nullptr;
    np->Children.insert(np->Children.begin(), w);
  } else {
    bool wasChild = w->IsChildWindow();
    w->Parent = nullptr;
    w->Style &= ~WS_CHILD;
    InsertTopLevel(w, true);
    EnsureSurface(w);
    if (wasChild) {
      GetDisplayBackend().WindowCreated(w->Handle);
      GetDisplayBackend().WindowMoved(w->Handle, w->Rect);
      if (w->Style & WS_VISIBLE) GetDisplayBackend().WindowShown(w->Handle, true);
    }
  }
  InvalidateWholeWindow(w);
  if (IsVisibleRec(w)) SettleShownLayouts();
  return old;
}

bool IsChild(HWND Parent, HWND Wnd) {
  TWindowRec* w = Rec(Wnd);
  TWindowRec* p = Rec(Parent);
  if (!w || !p) return false;
  for (TWindowRec* c = w; c->IsChildWindow(); c = c->Parent)
    if (c->Parent == p) return true;
  return false;
}

std::vector<HWND> GetChildWindows(HWND Wnd) {
  std::vector<HWND> out;
  if (TWindowRec* w = Rec(Wnd))
    for (TWindowRec* c : w->Children) out.push_back(c->Handle);
  return out;
}

std::vector<HWND> GetTopLevelWindows() {
  std::vector<HWND> out;
  for (TWindowRec* t : Sys().TopLevel) out.push_back(t->Handle);
  return out;
}

HWND GetTopWindow(HWND Wnd) {
  if (!Wnd) return Sys().TopLevel.empty() ? nullptr : Sys().TopLevel.front()->Handle;
  TWindowRec* w = Rec(Wnd);
  return w && !w->Children.empty() ? w->Children.front()->Handle : nullptr;
}

HWND GetWindow(HWND Wnd, UINT Cmd) {
  TWindowRec* w = Rec(Wnd);
  if (!w) return nullptr;
  if (Cmd == GW_OWNER) return GetWindowOwner(Wnd);
  if (Cmd == GW_CHILD) return w->Children.empty() ? nullptr : w->Children.front()->Handle;
  const auto& list = w->IsChildWindow() ? w->Parent->Children : Sys().TopLevel;
  auto it = std::find(list.begin(), list.end(), w);
  if (it == list.end()) return nullptr;
  switch (Cmd) {
    case GW_HWNDFIRST: return list.front()->Handle;
    case GW_HWNDLAST: return list.back()->Handle;
    case GW_HWNDNEXT: return (it + 1) != list.end() ? (*(it + 1))->Handle : nullptr;
    case GW_HWNDPREV: return it != list.begin() ? (*(it - 1))->Handle : nullptr;
  }
  return nullptr;
}

bool EnumWindows(const TEnumWindowsProc& Proc) {
  for (HWND h : GetTopLevelWindows())
    if (IsWindow(h) && !Proc(h)) return false;
  return true;
}

bool EnumChildWindows(HWND Parent, const TEnumWindowsProc& Proc) {
  for (HWND h : GetChildWindows(Parent)) {
    if (!IsWindow(h)) continue;
    if (!Proc(h)) return false;
    if (!EnumChildWindows(h, Proc)) return false;
  }
  return true;
}

HWND FindWindow(const String* ClassName, const String* WindowName) {
  for (TWindowRec* t : Sys().TopLevel) {
    if (t->Destroying) continue;
    if (ClassName && t->ClassName != *ClassName) continue;
    if (WindowName && t->Text != *WindowName) continue;
    return t->Handle;
  }
  return nullptr;
}

HWND FindWindow(const String& WindowName) { return FindWindow(nullptr, &WindowName); }

// ---- Attributes --------------------------------------------------------------------------

Integer GetWindowLong(HWND Wnd, Integer Index) {
  TWindowRec* w = Rec(Wnd);
  if (!w) return 0;
  switch (Index) {
    case GWL_STYLE: return Integer(w->Style);
    case GWL_EXSTYLE: return Integer(w->ExStyle);
    case GWL_ID: return Integer(w->CtrlId);
    case GWL_USERDATA: return w->UserData;
  }
  return 0;
}

Integer SetWindowLong(HWND Wnd, Integer Index, Integer Value) {
  TWindowRec* w = Rec(Wnd);
  if (!w) return 0;
  Integer old = GetWindowLong(Wnd, Index);
  switch (Index) {
    case GWL_STYLE: {
      // Visibility changes go through ShowWindow; the rest takes effect at once.
      DWORD keep = w->Style & WS_VISIBLE;
      w->Style = (DWORD(Value) & ~WS_VISIBLE) | keep;
      SendMessage(Wnd, WM_STYLECHANGED, WPARAM(GWL_STYLE), 0);
      break;
    }
    case GWL_EXSTYLE: {
      bool wasLayered = w->ExStyle & WS_EX_LAYERED;
      bool wasTopmost = w->ExStyle & WS_EX_TOPMOST;
      w->ExStyle = DWORD(Value);
      if (wasLayered && !(w->ExStyle & WS_EX_LAYERED)) {
        w->LayerFlags = 0;
        w->LayerAlpha = 255;
        InvalidateWholeWindow(w);
      }
      if (!w->IsChildWindow() && wasTopmost != bool(w->ExStyle & WS_EX_TOPMOST)) InsertTopLevel(w, true);
      SendMessage(Wnd, WM_STYLECHANGED, WPARAM(GWL_EXSTYLE), 0);
      break;
    }
    case GWL_ID: w->CtrlId = std::uintptr_t(Value); break;
    case GWL_USERDATA: w->UserData = Value; break;
  }
  return old;
}

DWORD GetWindowStyle(HWND Wnd) { return DWORD(GetWindowLong(Wnd, GWL_STYLE)); }
DWORD GetWindowExStyle(HWND Wnd) { return DWORD(GetWindowLong(Wnd, GWL_EXSTYLE)); }

DWORD GetClassStyle(HWND Wnd) {
  TWindowRec* w = Rec(Wnd);
  return w ? w->Class.style : 0;
}

void SetClassStyle(HWND Wnd, DWORD Style) {
  if (TWindowRec* w = Rec(Wnd)) w->Class.style = Style;
}

const TWindowClassInfo* GetWindowClassInfo(HWND Wnd) {
  TWindowRec* w = Rec(Wnd);
  return w ? &w->Class : nullptr;
}

String GetWindowText(HWND Wnd) {
  TWindowRec* w = Rec(Wnd);
  return w ? w->Text : String();
}

Integer GetWindowTextLength(HWND Wnd) { return Integer(GetWindowText(Wnd).size()); }

bool SetWindowText(HWND Wnd, const String& Text) {
  TWindowRec* w = Rec(Wnd);
  if (!w) return false;
  String copy = Text;
  SendMessage(Wnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(&copy));
  return true;
}

String GetClassName(HWND Wnd) {
  TWindowRec* w = Rec(Wnd);
  return w ? w->ClassName : String();
}

// ---- Position and visibility ---------------------------------------------------------------

bool SetWindowPos(HWND Wnd, HWND InsertAfter, Integer X, Integer Y, Integer CX, Integer CY, UINT Flags) {
  TWindowRec* w = Rec(Wnd);
  if (!w || w->Destroying) return false;
  TWindowPos pos;
  pos.hwnd = Wnd;
  pos.hwndInsertAfter = InsertAfter;
  pos.x = (Flags & SWP_NOMOVE) ? w->Rect.Left : X;
  pos.y = (Flags & SWP_NOMOVE) ? w->Rect.Top : Y;
  pos.cx = (Flags & SWP_NOSIZE) ? w->Rect.Width() : std::max(0, CX);
  pos.cy = (Flags & SWP_NOSIZE) ? w->Rect.Height() : std::max(0, CY);
  pos.flags = Flags;
  if (!(Flags & SWP_NOSENDCHANGING)) {
    SendMessage(Wnd, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&pos));
    w = Rec(Wnd);
    if (!w) return false;
  }
  Flags = pos.flags;
  bool wasVisible = IsVisibleRec(w);
  TRect oldSurfaceRect = WindowRectInSurface(w);
  TRect oldRect = w->Rect;
  TRect oldClient = w->Client;
  TRect newRect = Bounds(pos.x, pos.y, std::max(0, pos.cx), std::max(0, pos.cy));
  bool moved = newRect.TopLeft() != oldRect.TopLeft();
  bool sized = newRect.Width() != oldRect.Width() || newRect.Height() != oldRect.Height();

  if (!(Flags & SWP_NOZORDER)) {
    if (w->IsChildWindow()) {
      auto& list = w->Parent->Children;
      list.erase(std::remove(list.begin(), list.end(), w), list.end());
      if (pos.hwndInsertAfter == HWND_BOTTOM) list.push_back(w);
      else if (TWindowRec* after = Rec(pos.hwndInsertAfter); after && after->Parent == w->Parent) {
        list.insert(std::find(list.begin(), list.end(), after) + 1, w);
      } else list.insert(list.begin(), w);
    } else {
      if (pos.hwndInsertAfter == HWND_TOPMOST) w->ExStyle |= WS_EX_TOPMOST;
      if (pos.hwndInsertAfter == HWND_NOTOPMOST) w->ExStyle &= ~WS_EX_TOPMOST;
      if (pos.hwndInsertAfter == HWND_BOTTOM) InsertTopLevel(w, false);
      else InsertTopLevel(w, true);
    }
  }
  w->Rect = newRect;
  if (sized || (Flags & SWP_FRAMECHANGED)) ComputeClient(w, newRect);
  if (!w->IsChildWindow()) {
    EnsureSurface(w);
    if (moved || sized) GetDisplayBackend().WindowMoved(Wnd, w->Rect);
  }
  if (Flags & SWP_SHOWWINDOW) {
    if (!(w->Style & WS_VISIBLE)) {
      w->Style |= WS_VISIBLE;
      SendMessage(Wnd, WM_SHOWWINDOW, 1, 0);
      if ((w = Rec(Wnd)) == nullptr) return false;
      NotifyBackendShown(w, true);
    }
  } else if (Flags & SWP_HIDEWINDOW) {
    if (w->Style & WS_VISIBLE) {
      SendMessage(Wnd, WM_SHOWWINDOW, 0, 0);
      if ((w = Rec(Wnd)) == nullptr) return false;
      w->Style &= ~WS_VISIBLE;
      NotifyBackendShown(w, false);
      // A hidden window gives up the focus and the capture.
      if (InTree(Wnd, Sys().Focus)) SetFocus(nullptr);
      if (InTree(Wnd, Sys().Capture)) ReleaseCapture();
      if (Sys().Active == Wnd) ActivateNext(w->Owner, w);
      if (!(w = Rec(Wnd))) return false;
    }
  }
  bool nowVisible = IsVisibleRec(w);
  if (nowVisible && !wasVisible) {
    // Controls inside that put off their layout while hidden lay out before they are seen.
    SettleShownLayouts();
    if (!(w = Rec(Wnd))) return true;
  }
  if (!(Flags & SWP_NOREDRAW) || (Flags & (SWP_SHOWWINDOW | SWP_HIDEWINDOW))) {
    if (wasVisible && (moved || sized || !nowVisible)) ExposeArea(w, oldSurfaceRect);
    if (nowVisible && (moved || sized || !wasVisible || (Flags & SWP_FRAMECHANGED) || !(Flags & SWP_NOZORDER)))
      InvalidateWholeWindow(w);
  } else if (nowVisible && sized) {
    InvalidateWholeWindow(w);
  }
  if (!w->IsChildWindow() && nowVisible && (Flags & SWP_SHOWWINDOW) && !(Flags & SWP_NOACTIVATE) &&
      !(w->ExStyle & WS_EX_NOACTIVATE))
    SetActiveWindow(Wnd);
  SendMessage(Wnd, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&pos));
  if (!(w = Rec(Wnd))) return true;
  if (moved || w->Client.TopLeft() != oldClient.TopLeft())
    SendMessage(Wnd, WM_MOVE, 0, MakeLParam(w->Rect.Left + w->Client.Left, w->Rect.Top + w->Client.Top));
  if (!(w = Rec(Wnd))) return true;
  if (w->Client.Width() != oldClient.Width() || w->Client.Height() != oldClient.Height())
    SendMessage(Wnd, WM_SIZE, w->Maximized ? SIZE_MAXIMIZED : SIZE_RESTORED,
                MakeLParam(w->Client.Width(), w->Client.Height()));
  return true;
}

bool MoveWindow(HWND Wnd, Integer X, Integer Y, Integer Width, Integer Height, bool Repaint) {
  return SetWindowPos(Wnd, nullptr, X, Y, Width, Height, SWP_NOZORDER | SWP_NOACTIVATE | (Repaint ? 0 : SWP_NOREDRAW));
}

bool BringWindowToTop(HWND Wnd) { return SetWindowPos(Wnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE); }

bool ShowWindow(HWND Wnd, Integer CmdShow) {
  TWindowRec* w = Rec(Wnd);
  if (!w) return false;
  bool was = (w->Style & WS_VISIBLE) != 0;
  UINT flags = SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER;
  switch (CmdShow) {
    case SW_HIDE: SetWindowPos(Wnd, nullptr, 0, 0, 0, 0, flags | SWP_HIDEWINDOW | SWP_NOACTIVATE); return was;
    case SW_SHOWNOACTIVATE:
    case SW_SHOWNA:
    case SW_SHOWMINNOACTIVE: flags |= SWP_NOACTIVATE; break;
    default: break;
  }
  if (CmdShow == SW_SHOWMAXIMIZED || CmdShow == SW_SHOWMINIMIZED || CmdShow == SW_MINIMIZE || CmdShow == SW_RESTORE ||
      CmdShow == SW_SHOWNORMAL) {
    const bool wasNormal = !w->Maximized && !w->Minimized;
    const bool wasMaximized = w->Maximized;
    // The normal rectangle is kept while the window is minimized or maximized.
    if (wasNormal) w->NormalRect = w->Rect;
    w->Maximized = CmdShow == SW_SHOWMAXIMIZED;
    w->Minimized = CmdShow == SW_SHOWMINIMIZED || CmdShow == SW_MINIMIZE || CmdShow == SW_SHOWMINNOACTIVE;
    if (w->Maximized && !w->IsChildWindow()) {
      TMonitorInfo mi;
      GetMonitorInfo(MonitorFromRect(w->Rect, MONITOR_DEFAULTTONEAREST), mi);
      SetWindowPos(Wnd, nullptr, mi.rcWork.Left, mi.rcWork.Top, mi.rcWork.Width(), mi.rcWork.Height(),
                   SWP_NOZORDER | SWP_NOACTIVATE);
    } else if (!w->Maximized && !w->Minimized && wasMaximized) {
      const TRect r = w->NormalRect;
      SetWindowPos(Wnd, nullptr, r.Left, r.Top, r.Width(), r.Height(), SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (!(w = Rec(Wnd))) return was;
  }
  SetWindowPos(Wnd, nullptr, 0, 0, 0, 0, flags | SWP_SHOWWINDOW);
  return was;
}

bool IsWindowVisible(HWND Wnd) {
  TWindowRec* w = Rec(Wnd);
  return w && IsVisibleRec(w);
}

bool IsWindowEnabled(HWND Wnd) {
  TWindowRec* w = Rec(Wnd);
  return w && !(w->Style & WS_DISABLED);
}

bool EnableWindow(HWND Wnd, bool Enable) {
  TWindowRec* w = Rec(Wnd);
  if (!w) return false;
  bool wasDisabled = (w->Style & WS_DISABLED) != 0;
  if (Enable == !wasDisabled) return wasDisabled;
  if (Enable) w->Style &= ~WS_DISABLED;
  else {
    w->Style |= WS_DISABLED;
    // A disabled window loses the focus and the mouse.
    if (InTree(Wnd, Sys().Focus)) SetFocus(nullptr);
    if (Sys().Capture == Wnd) ReleaseCapture();
  }
  SendMessage(Wnd, WM_ENABLE, Enable ? 1 : 0, 0);
  return wasDisabled;
}

bool IsIconic(HWND Wnd) {
  TWindowRec* w = Rec(Wnd);
  return w && w->Minimized;
}

bool IsZoomed(HWND Wnd) {
  TWindowRec* w = Rec(Wnd);
  return w && w->Maximized;
}

bool GetWindowPlacement(HWND Wnd, TWindowPlacement& Placement) {
  TWindowRec* w = Rec(Wnd);
  if (!w) return false;
  Placement.showCmd = w->Maximized ? SW_SHOWMAXIMIZED : w->Minimized ? SW_SHOWMINIMIZED : SW_SHOWNORMAL;
  Placement.rcNormalPosition = (w->Maximized || w->Minimized) ? w->NormalRect : w->Rect;
  Placement.ptMinPosition = TPoint(-1, -1);
  Placement.ptMaxPosition = TPoint(-1, -1);
  return true;
}

bool SetWindowPlacement(HWND Wnd, const TWindowPlacement& Placement) {
  TWindowRec* w = Rec(Wnd);
  if (!w) return false;
  const TRect r = Placement.rcNormalPosition;
  if (w->Maximized || w->Minimized) w->NormalRect = r;
  else SetWindowPos(Wnd, nullptr, r.Left, r.Top, r.Width(), r.Height(), SWP_NOZORDER | SWP_NOACTIVATE);
  if (!(w = Rec(Wnd))) return true;
  const UINT now = w->Maximized ? SW_SHOWMAXIMIZED : w->Minimized ? SW_SHOWMINIMIZED : SW_SHOWNORMAL;
  const UINT want = Placement.showCmd == SW_MAXIMIZE                                                ? SW_SHOWMAXIMIZED
                    : (Placement.showCmd == SW_MINIMIZE || Placement.showCmd == SW_SHOWMINNOACTIVE) ? SW_SHOWMINIMIZED
                    : (Placement.showCmd == SW_RESTORE)                                             ? SW_SHOWNORMAL
                                                                                                    : Placement.showCmd;
  if (want != now && IsVisibleRec(w)) ShowWindow(Wnd, Integer(want));
  return true;
}

bool GetWindowRect(HWND Wnd, TRect& Rect) {
  TWindowRec* w = Rec(Wnd);
  if (!w) return false;
  TPoint o = WindowOriginOnScreen(w);
  Rect = Bounds(o.X, o.Y, w->Rect.Width(), w->Rect.Height());
  return true;
}

bool GetClientRect(HWND Wnd, TRect& Rect) {
  TWindowRec* w = Rec(Wnd);
  // A put-off layout may still show or hide a scroll bar.
  if (w && w->LayoutDeferred) SettleLayout(w), w = Rec(Wnd);
  if (!w) return false;
  Rect = TRect(0, 0, w->Client.Width(), w->Client.Height());
  return true;
}

TRect GetWindowRect(HWND Wnd) {
  TRect r;
  GetWindowRect(Wnd, r);
  return r;
}

TRect GetClientRect(HWND Wnd) {
  TRect r;
  GetClientRect(Wnd, r);
  return r;
}

TRect GetClientRectInWindow(HWND Wnd) {
  TWindowRec* w = Rec(Wnd);
  return w ? w->Client : TRect();
}

bool ClientToScreen(HWND Wnd, TPoint& Point) {
  TWindowRec* w = Rec(Wnd);
  if (!w) return false;
  Point = Point + ClientOriginOnScreen(w);
  return true;
}

bool ScreenToClient(HWND Wnd, TPoint& Point) {
  TWindowRec* w = Rec(Wnd);
  if (!w) return false;
  Point = Point - ClientOriginOnScreen(w);
  return true;
}

Integer MapWindowPoints(HWND From, HWND To, TPoint* Points, Integer Count) {
  TPoint a = From ? (Rec(From) ? ClientOriginOnScreen(Rec(From)) : TPoint()) : TPoint();
  TPoint b = To ? (Rec(To) ? ClientOriginOnScreen(Rec(To)) : TPoint()) : TPoint();
  TPoint d = a - b;
  for (Integer i = 0; i < Count; ++i) Points[i] = Points[i] + d;
  return Integer(LoWord(std::uint32_t(d.X))) | (Integer(LoWord(std::uint32_t(d.Y))) << 16);
}

Integer MapWindowPoints(HWND From, HWND To, TRect& Rect) {
  TPoint pts[2] = {Rect.TopLeft(), Rect.BottomRight()};
  Integer r = MapWindowPoints(From, To, pts, 2);
  Rect = TRect(pts[0], pts[1]);
  return r;
}

namespace {

bool PointInWindowShape(const TWindowRec* w, TPoint screen) {
  TPoint o = WindowOriginOnScreen(w);
  TRect wr = Bounds(o.X, o.Y, w->Rect.Width(), w->Rect.Height());
  if (!wr.Contains(screen)) return false;
  if (!w->Shape) return true;
  return w->Shape->Contains(screen - o);
}

// The search stops at a disabled window: its children take no mouse input while
// it is disabled, as a top-level window is while a modal one runs.
HWND DeepestChild(TWindowRec* w, TPoint screen) {
  if (w->Style & WS_DISABLED) return w->Handle;
  TPoint co = ClientOriginOnScreen(w);
  TRect cr = Bounds(co.X, co.Y, w->Client.Width(), w->Client.Height());
  if (!cr.Contains(screen)) return w->Handle;
  for (TWindowRec* c : w->Children) {
    if (!(c->Style & WS_VISIBLE) || c->Destroying) continue;
    if (!PointInWindowShape(c, screen)) continue;
    return DeepestChild(c, screen);
  }
  return w->Handle;
}

}  // namespace

HWND WindowFromPoint(TPoint ScreenPoint) {
  std::vector<HWND> under;
  for (TWindowRec* t : Sys().TopLevel)
    if (IsVisibleRec(t) && PointInWindowShape(t, ScreenPoint)) under.push_back(t->Handle);
  for (HWND h : under) {
    // A window that lets the mouse through, as a hint does, is not the one under it.
    if (SendMessage(h, WM_NCHITTEST, 0, MakeLParam(ScreenPoint.X, ScreenPoint.Y)) == HTTRANSPARENT) continue;
    if (TWindowRec* t = Rec(h)) return DeepestChild(t, ScreenPoint);
  }
  return nullptr;
}

HWND ChildWindowFromPoint(HWND Parent, TPoint ClientPoint) {
  TWindowRec* w = Rec(Parent);
  if (!w) return nullptr;
  TRect cr(0, 0, w->Client.Width(), w->Client.Height());
  if (!cr.Contains(ClientPoint)) return nullptr;
  for (TWindowRec* c : w->Children)
    if (c->Rect.Contains(ClientPoint)) return c->Handle;
  return Parent;
}

bool AdjustWindowRectEx(TRect& Rect, DWORD Style, bool /*Menu*/, DWORD ExStyle) {
  Integer b = FrameWidth(Style, ExStyle, (Style & WS_CHILD) != 0);
  InflateRect(Rect, b, b);
  return true;
}

Integer GetWindowBorderWidth(HWND Wnd) {
  TWindowRec* w = Rec(Wnd);
  return w ? FrameWidth(w->Style, w->ExStyle, w->IsChildWindow()) : 0;
}

Integer MulDiv(Integer Number, Integer Numerator, Integer Denominator) {
  if (Denominator == 0) return -1;
  Int64 p = Int64(Number) * Numerator;
  Int64 d = Denominator;
  bool negative = (p < 0) != (d < 0);
  Int64 ap = p < 0 ? -p : p, ad = d < 0 ? -d : d;
  Int64 q = (ap + ad / 2) / ad;
  Int64 r = negative ? -q : q;
  if (r > INT32_MAX || r < INT32_MIN) return -1;
  return Integer(r);
}

// ---- Regions and layered windows -----------------------------------------------------------

namespace {

bool SetShape(HWND Wnd, std::unique_ptr<TRegion> Shape, std::vector<TPoint> Polygon, bool Redraw) {
  TWindowRec* w = Rec(Wnd);
  if (!w) return false;
  TRect old = WindowRectInSurface(w);
  w->Shape = std::move(Shape);
  w->Polygon = std::move(Polygon);
  if (Redraw && IsVisibleRec(w)) {
    ExposeArea(w, old);
    InvalidateWholeWindow(w);
  }
  return true;
}

}  // namespace

bool SetWindowPolygonRegion(HWND Wnd, const std::vector<TPoint>& Polygon, bool Redraw) {
  if (Polygon.empty()) return SetShape(Wnd, nullptr, {}, Redraw);
  auto shape = std::make_unique<TRegion>(TRegion::FromPolygon(Polygon.data(), Integer(Polygon.size()), ALTERNATE));
  return SetShape(Wnd, std::move(shape), Polygon, Redraw);
}

const std::vector<TPoint>* GetWindowPolygonRegion(HWND Wnd) {
  TWindowRec* w = Rec(Wnd);
  return w && !w->Polygon.empty() ? &w->Polygon : nullptr;
}

// The window takes the region over, as on the platform: the caller must not use it again.
bool SetWindowRgn(HWND Wnd, HRGN Rgn, bool Redraw) {
  if (!Rec(Wnd)) return false;
  std::unique_ptr<TRegion> shape;
  if (TRegion* r = RegionOf(Rgn)) {
    shape = std::make_unique<TRegion>(*r);
    DeleteObject(Rgn);
  }
  return SetShape(Wnd, std::move(shape), {}, Redraw);
}

bool SetLayeredWindowAttributes(HWND Wnd, COLORREF Key, Byte Alpha, DWORD Flags) {
  TWindowRec* w = Rec(Wnd);
  if (!w || !(w->ExStyle & WS_EX_LAYERED)) return false;
  w->LayerKey = Key;
  w->LayerAlpha = Alpha;
  w->LayerFlags = Flags;
  InvalidateWholeWindow(w);
  return true;
}

bool GetLayeredWindowAttributes(HWND Wnd, COLORREF* Key, Byte* Alpha, DWORD* Flags) {
  TWindowRec* w = Rec(Wnd);
  if (!w || !(w->ExStyle & WS_EX_LAYERED)) return false;
  if (Key) *Key = w->LayerKey;
  if (Alpha) *Alpha = w->LayerAlpha;
  if (Flags) *Flags = w->LayerFlags;
  return true;
}

// ---- Default handling ----------------------------------------------------------------------

LRESULT DefWindowProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
  TWindowRec* w = Rec(Wnd);
  if (!w) return 0;
  switch (Msg) {
    case WM_NCCREATE: return 1;
    case WM_NCCALCSIZE: {
      auto* p = reinterpret_cast<TNCCalcSizeParams*>(LParam);
      if (!p) return 0;
      TRect& r = p->rgrc[0];
      Integer b = FrameWidth(w->Style, w->ExStyle, w->IsChildWindow());
      InflateRect(r, -b, -b);
      if (w->Style & WS_VSCROLL) r.Right -= GetSystemMetrics(SM_CXVSCROLL);
      if (w->Style & WS_HSCROLL) r.Bottom -= GetSystemMetrics(SM_CYHSCROLL);
      if (r.Right < r.Left) r.Right = r.Left;
      if (r.Bottom < r.Top) r.Bottom = r.Top;
      return 0;
    }
    case WM_NCHITTEST: {
      TPoint p(GetXLParam(LParam), GetYLParam(LParam));
      TPoint o = WindowOriginOnScreen(w);
      TPoint wp = p - o;
      if (!TRect(0, 0, w->Rect.Width(), w->Rect.Height()).Contains(wp)) return HTNOWHERE;
      if (w->Client.Contains(wp)) return HTCLIENT;
      LRESULT sb = ScrollBarHitTest(w, wp);
      if (sb != HTNOWHERE) return sb;
      return HTBORDER;
    }
    case WM_NCPAINT: DrawNonClient(w); return 0;
    case WM_ERASEBKGND: {
      if (w->Class.Background == clNone) return 0;
      HDC dc = reinterpret_cast<HDC>(WParam);
      if (!dc) return 0;
      HBRUSH brush = CreateSolidBrush(COLORREF(ColorToRGB(w->Class.Background)));
      FillRect(dc, TRect(0, 0, w->Client.Width(), w->Client.Height()), brush);
      DeleteObject(brush);
      return 1;
    }
    case WM_PAINT: {
      TPaintStruct ps;
      BeginPaint(Wnd, ps);
      EndPaint(Wnd, ps);
      return 0;
    }
    case WM_SETCURSOR: {
      if (w->IsChildWindow() && Send(w->Parent, WM_SETCURSOR, WParam, LParam)) return 1;
      // A parent asked about a child's cursor leaves the choice to the child.
      if (HwndFromParam(WParam) != Wnd) return 0;
      Integer hit = Integer(std::int16_t(LoWord(std::uintptr_t(LParam))));
      if (hit == HTCLIENT) SetCursor(w->Class.Cursor ? w->Class.Cursor : IDC_ARROW);
      else SetCursor(IDC_ARROW);
      return 1;
    }
    case WM_MOUSEACTIVATE: {
      if (w->IsChildWindow()) {
        LRESULT r = Send(w->Parent, WM_MOUSEACTIVATE, WParam, LParam);
        if (r) return r;
      }
      TWindowRec* top = TopOf(w);
      if (top && (top->ExStyle & WS_EX_NOACTIVATE)) return MA_NOACTIVATE;
      return MA_ACTIVATE;
    }
    case WM_ACTIVATE:
      if (LoWord(WParam) != WA_INACTIVE && !w->IsChildWindow()) {
        if (!InTree(Wnd, GetFocus())) SetFocus(Wnd);
      }
      return 0;
    case WM_CLOSE: DestroyWindow(Wnd); return 0;
    case WM_SYSCOMMAND:
      // The title bar's close box: a window that a modal one keeps disabled stays
      // open, even when the request was on its way before the modal window came.
      if ((WParam & 0xFFF0) == SC_CLOSE && !w->IsChildWindow() && IsWindowEnabled(Wnd)) Send(w, WM_CLOSE, 0, 0);
      return 0;
    case WM_CANCELMODE:
      if (GetCapture() == Wnd) ReleaseCapture();
      return 0;
    case WM_SETTEXT:
      if (LParam) w->Text = *reinterpret_cast<const String*>(LParam);
      w->FrameNeeded = true;
      return 1;
    case WM_GETTEXT:
      if (LParam) *reinterpret_cast<String*>(LParam) = w->Text;
      return LRESULT(w->Text.size());
    case WM_GETTEXTLENGTH: return LRESULT(w->Text.size());
    case WM_MOUSEWHEEL:
    case WM_MOUSEHWHEEL:
    case WM_CONTEXTMENU:
      // Passed up to the parent until a window answers.
      if (w->IsChildWindow()) return Send(w->Parent, Msg, WParam, LParam);
      return 0;
    case WM_RBUTTONUP: {
      TPoint p(GetXLParam(LParam), GetYLParam(LParam));
      ClientToScreen(Wnd, p);
      SendMessage(Wnd, WM_CONTEXTMENU, HwndToParam(Wnd), MakeLParam(p.X, p.Y));
      return 0;
    }
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONDBLCLK:
      if (WParam == WPARAM(HTVSCROLL) || WParam == WPARAM(HTHSCROLL))
        TrackScrollBar(w, WParam == WPARAM(HTVSCROLL) ? SB_VERT : SB_HORZ,
                       TPoint(GetXLParam(LParam), GetYLParam(LParam)));
      return 0;
    case WM_SYSKEYDOWN:
      // Alt+F4 closes the top-level window, whichever of its windows has the
      // keyboard, as its close box does.
      if (WParam == VK_F4) PostMessage(TopOf(w)->Handle, WM_SYSCOMMAND, SC_CLOSE, 0);
      // Shift+F10 asks for the context menu from the keyboard: no mouse position.
      if (WParam == VK_F10 && GetKeyState(VK_SHIFT) < 0)
        SendMessage(Wnd, WM_CONTEXTMENU, HwndToParam(Wnd), MakeLParam(-1, -1));
      return 0;
    case WM_KEYUP:
      if (WParam == VK_APPS) SendMessage(Wnd, WM_CONTEXTMENU, HwndToParam(Wnd), MakeLParam(-1, -1));
      return 0;
    default: return 0;
  }
}
