// Painting: update regions, WM_PAINT and WM_NCPAINT, device contexts over the
// retained image of each top-level window, and pixel scrolling.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>

#include "platform/ui/WindowSystem.h"

using namespace uiwin;

namespace {

TWindowSystem& Sys() { return TWindowSystem::Get(); }
TWindowRec* Rec(HWND h) { return Sys().Find(h); }

bool NeedsPaint(const TWindowRec* w) {
  return IsVisibleRec(w) && ((w->Update && !w->Update->IsEmpty()) || w->FrameNeeded);
}

// Parents before children, so children paint over what their parent drew.
TWindowRec* FirstNeedingPaint(TWindowRec* w) {
  if (NeedsPaint(w)) return w;
  for (auto it = w->Children.rbegin(); it != w->Children.rend(); ++it)
    if (TWindowRec* r = FirstNeedingPaint(*it)) return r;
  return nullptr;
}

TRect ClientBounds(const TWindowRec* w) { return TRect(0, 0, w->Client.Width(), w->Client.Height()); }

void PaintNow(TWindowRec* w) {
  HWND h = w->Handle;
  SendMessage(h, WM_PAINT, 0, 0);
  // A procedure that never validates would get WM_PAINT for ever.
  if (TWindowRec* again = Rec(h)) {
    again->Update.reset();
    again->EraseNeeded = false;
    again->FrameNeeded = false;
  }
}

// Moves the pixels that land in Dest (surface coordinates) by (DX, DY) on the
// surface itself, without a copy of the whole: one rectangle row by row in
// place, taking the rows in the order that reads each before it is written;
// several through a copy of their sources, as one's source may be another's
// destination.
void MovePixels(cairo_surface_t* Surface, const TRegion& Dest, Integer DX, Integer DY) {
  TRegion inside(TRect(0, 0, cairo_image_surface_get_width(Surface), cairo_image_surface_get_height(Surface)));
  TRegion sources = inside;
  sources.Translate(DX, DY);
  inside.Intersect(sources);
  inside.Intersect(Dest);
  const std::vector<TRect> rects = inside.Rects();
  if (rects.empty()) return;
  cairo_surface_flush(Surface);
  unsigned char* data = cairo_image_surface_get_data(Surface);
  const std::ptrdiff_t stride = cairo_image_surface_get_stride(Surface);
  auto At = [&](Integer X, Integer Y) { return reinterpret_cast<std::uint32_t*>(data + Y * stride) + X; };
  if (rects.size() == 1) {
    const TRect& r = rects.front();
    const size_t bytes = size_t(r.Width()) * sizeof(std::uint32_t);
    auto MoveRow = [&](Integer Y) { std::memmove(At(r.Left, Y), At(r.Left - DX, Y - DY), bytes); };
    if (DY > 0)
      for (Integer y = r.Bottom - 1; y >= r.Top; --y) MoveRow(y);
    else
      for (Integer y = r.Top; y < r.Bottom; ++y) MoveRow(y);
  } else {
    TRect from = inside.Bounds();
    OffsetRect(from, -DX, -DY);
    const size_t width = size_t(from.Width());
    std::unique_ptr<std::uint32_t[]> copy(new std::uint32_t[width * size_t(from.Height())]);
    for (Integer y = from.Top; y < from.Bottom; ++y)
      std::memcpy(&copy[size_t(y - from.Top) * width], At(from.Left, y), width * sizeof(std::uint32_t));
    for (const TRect& r : rects)
      for (Integer y = r.Top; y < r.Bottom; ++y)
        std::memcpy(At(r.Left, y), &copy[size_t(y - DY - from.Top) * width + size_t(r.Left - DX - from.Left)],
                    size_t(r.Width()) * sizeof(std::uint32_t));
  }
  cairo_surface_mark_dirty(Surface);
}

void PaintTree(HWND h) {
  TWindowRec* w = Rec(h);
  if (!w || !IsVisibleRec(w)) return;
  if (NeedsPaint(w)) PaintNow(w);
  for (HWND c : GetChildWindows(h)) PaintTree(c);
}

// DCs handed out by GetDC / GetWindowDC, with what to present on release.
struct TOpenDC {
  HDC DC;
  HWND Top;
  TRect SurfaceArea;
};
std::vector<TOpenDC>& OpenDCs() {
  static std::vector<TOpenDC> list;
  return list;
}

HDC MakeDC(TWindowRec* w, bool client, const TRegion* restrictTo) {
  TWindowRec* top = TopOf(w);
  if (!top || !top->Surface) return nullptr;
  TRect area = client ? ClientRectInSurface(w) : WindowRectInSurface(w);
  TRegion vis = VisibleRegion(w, client);
  if (!client)
    for (const TWindowRec* c : w->Children)
      if (c->Style & WS_VISIBLE) vis.Subtract(WindowRectInSurface(c));
  if (restrictTo) vis.Intersect(*restrictTo);
  vis.Translate(-area.Left, -area.Top);
  HDC dc = CreateSurfaceDC(top->Surface, area.TopLeft(), &vis);
  OpenDCs().push_back({dc, top->Handle, area});
  return dc;
}

void FreeDC(HDC dc, bool present) {
  auto& list = OpenDCs();
  auto it = std::find_if(list.begin(), list.end(), [&](const TOpenDC& o) { return o.DC == dc; });
  if (it == list.end()) return;
  TOpenDC o = *it;
  list.erase(it);
  DeleteDC(dc);
  if (present)
    if (TWindowRec* top = Rec(o.Top)) PresentArea(top, o.SurfaceArea);
}

}  // namespace

namespace uiwin {

void PresentArea(TWindowRec* top, const TRect& Area) {
  if (!top || !top->Surface || !IsVisibleRec(top)) return;
  TRect r;
  if (!IntersectRect(r, Area, Bounds(0, 0, top->Rect.Width(), top->Rect.Height()))) return;
  cairo_surface_flush(top->Surface);
  GetDisplayBackend().Present(top->Handle, top->Surface, r);
}

}  // namespace uiwin

bool InvalidateRect(HWND Wnd, const TRect* Rect, bool Erase) {
  if (!Wnd) {
    for (HWND t : GetTopLevelWindows()) {
      RedrawWindow(t, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN | (Erase ? RDW_ERASE : 0));
    }
    return true;
  }
  TWindowRec* w = Rec(Wnd);
  if (!w) return false;
  TRect r = Rect ? *Rect : ClientBounds(w);
  if (!IntersectRect(r, r, ClientBounds(w))) return true;
  if (!w->Update) w->Update = std::make_unique<TRegion>();
  w->Update->Union(r);
  if (Erase) w->EraseNeeded = true;
  return true;
}

bool ValidateRect(HWND Wnd, const TRect* Rect) {
  TWindowRec* w = Rec(Wnd);
  if (!w) return false;
  if (!w->Update) return true;
  if (Rect) w->Update->Subtract(*Rect);
  else w->Update.reset();
  if (w->Update && w->Update->IsEmpty()) w->Update.reset();
  if (!w->Update) w->EraseNeeded = false;
  return true;
}

bool RedrawWindow(HWND Wnd, const TRect* Rect, HRGN Rgn, UINT Flags) {
  TWindowRec* w = Rec(Wnd);
  if (!w) return false;
  std::vector<TRect> rects;
  if (TRegion* r = RegionOf(Rgn)) rects = r->Rects();
  else rects.push_back(Rect ? *Rect : ClientBounds(w));
  for (const TRect& r : rects) {
    if (Flags & RDW_INVALIDATE) InvalidateRect(Wnd, &r, (Flags & RDW_ERASE) != 0);
    if (Flags & RDW_VALIDATE) ValidateRect(Wnd, &r);
  }
  if (Flags & RDW_FRAME) w->FrameNeeded = (Flags & RDW_INVALIDATE) != 0;
  if (Flags & RDW_ALLCHILDREN) {
    for (HWND c : GetChildWindows(Wnd)) {
      TWindowRec* cw = Rec(c);
      if (!cw) continue;
      // Each child gets the part of the area it covers, in its own coordinates.
      for (const TRect& r : rects) {
        TRect inChild = r;
        MapWindowPoints(Wnd, c, inChild);
        TRect cb = ClientBounds(cw);
        if (IntersectRect(inChild, inChild, cb) || (Flags & RDW_FRAME))
          RedrawWindow(c, &inChild, nullptr, (Flags & ~(RDW_UPDATENOW | RDW_ERASENOW)));
      }
    }
  }
  if (Flags & (RDW_UPDATENOW | RDW_ERASENOW)) UpdateWindow(Wnd);
  return true;
}

bool GetUpdateRect(HWND Wnd, TRect* Rect, bool /*Erase*/) {
  TWindowRec* w = Rec(Wnd);
  if (!w) return false;
  bool any = w->Update && !w->Update->IsEmpty();
  if (Rect) *Rect = any ? w->Update->Bounds() : TRect();
  return any;
}

Integer GetUpdateRgn(HWND Wnd, HRGN Rgn, bool /*Erase*/) {
  TWindowRec* w = Rec(Wnd);
  TRegion* r = RegionOf(Rgn);
  if (!w || !r) return ERROR_REGION;
  *r = w->Update ? *w->Update : TRegion();
  const size_t n = r->Rects().size();
  return n == 0 ? NULLREGION : n == 1 ? SIMPLEREGION : COMPLEXREGION;
}

bool UpdateWindow(HWND Wnd) {
  if (!Rec(Wnd)) return false;
  PaintTree(Wnd);
  return true;
}

bool AnyWindowNeedsPaint() {
  for (TWindowRec* t : Sys().TopLevel)
    if (FirstNeedingPaint(t)) return true;
  return false;
}

// For the queue: the window whose WM_PAINT comes next, within Filter's tree.
HWND uiwin::NextWindowToPaint(HWND Filter) {
  if (Filter) {
    TWindowRec* f = Rec(Filter);
    TWindowRec* r = f ? FirstNeedingPaint(f) : nullptr;
    return r ? r->Handle : nullptr;
  }
  for (TWindowRec* t : Sys().TopLevel)
    if (TWindowRec* r = FirstNeedingPaint(t)) return r->Handle;
  return nullptr;
}

HDC BeginPaint(HWND Wnd, TPaintStruct& Paint) {
  Paint = TPaintStruct();
  TWindowRec* w = Rec(Wnd);
  if (!w) return nullptr;
  if (w->FrameNeeded) {
    w->FrameNeeded = false;
    SendMessage(Wnd, WM_NCPAINT, 1, 0);
    if (!(w = Rec(Wnd))) return nullptr;
  }
  TRegion update = w->Update ? *w->Update : TRegion();
  bool erase = w->EraseNeeded;
  w->Update.reset();
  w->EraseNeeded = false;
  TRect ca = ClientRectInSurface(w);
  TRegion inSurface = update;
  inSurface.Translate(ca.Left, ca.Top);
  HDC dc = MakeDC(w, true, &inSurface);
  Paint.hdc = dc;
  Paint.rcPaint = update.Bounds();
  Paint.fErase = true;
  if (erase && dc) Paint.fErase = SendMessage(Wnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0) == 0;
  return dc;
}

bool EndPaint(HWND Wnd, const TPaintStruct& Paint) {
  TWindowRec* w = Rec(Wnd);
  if (Paint.hdc) FreeDC(Paint.hdc, false);
  if (w) {
    TRect ca = ClientRectInSurface(w);
    TRect r = Paint.rcPaint;
    OffsetRect(r, ca.Left, ca.Top);
    PresentArea(TopOf(w), r);
  }
  return true;
}

HDC GetDC(HWND Wnd) {
  if (!Wnd) {
    // The screen's: for measuring with the font every device context starts with.
    HDC dc = CreateCompatibleDC(nullptr);
    OpenDCs().push_back({dc, nullptr, TRect()});
    return dc;
  }
  TWindowRec* w = Rec(Wnd);
  if (!w) return nullptr;
  return MakeDC(w, true, nullptr);
}

HDC GetWindowDC(HWND Wnd) {
  TWindowRec* w = Rec(Wnd);
  if (!w) return nullptr;
  return MakeDC(w, false, nullptr);
}

Integer ReleaseDC(HWND /*Wnd*/, HDC DC) {
  FreeDC(DC, true);
  return 1;
}

Integer ScrollWindowEx(HWND Wnd, Integer DX, Integer DY, const TRect* Scroll, const TRect* Clip, HRGN Update,
                       TRect* UpdateRect, UINT Flags) {
  constexpr Integer NULLREGION_ = 1, SIMPLEREGION_ = 2, COMPLEXREGION_ = 3;
  TWindowRec* w = Rec(Wnd);
  if (!w) return 0;
  TRect area = Scroll ? *Scroll : ClientBounds(w);
  if (Clip) IntersectRect(area, area, *Clip);
  IntersectRect(area, area, ClientBounds(w));
  TWindowRec* top = TopOf(w);
  TRect ca = ClientRectInSurface(w);

  // What can be seen of the area, in client coordinates.
  TRegion vis = VisibleRegion(w, true);
  vis.Translate(-ca.Left, -ca.Top);
  vis.Intersect(area);
  TRegion dest = vis;
  dest.Translate(DX, DY);
  dest.Intersect(vis);

  if (top && top->Surface && !dest.IsEmpty() && (DX || DY)) {
    TRegion onSurface = dest;
    onSurface.Translate(ca.Left, ca.Top);
    MovePixels(top->Surface, onSurface, DX, DY);
  }

  // A pending update inside the area moves with the pixels.
  if (w->Update) {
    TRegion inside = *w->Update;
    inside.Intersect(area);
    w->Update->Subtract(area);
    inside.Translate(DX, DY);
    inside.Intersect(area);
    w->Update->Union(inside);
  }

  TRegion uncovered = vis;
  if (DX || DY) uncovered.Subtract(dest);
  else uncovered = TRegion();
  if (Flags & SW_SCROLLCHILDREN) {
    for (HWND c : GetChildWindows(Wnd)) {
      TWindowRec* cw = Rec(c);
      TRect hit;
      if (cw && IntersectRect(hit, cw->Rect, area))
        SetWindowPos(c, nullptr, cw->Rect.Left + DX, cw->Rect.Top + DY, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
    }
  }
  if (Flags & SW_INVALIDATE)
    for (const TRect& r : uncovered.Rects()) InvalidateRect(Wnd, &r, (Flags & SW_ERASE) != 0);
  if (TRegion* out = RegionOf(Update)) *out = uncovered;
  if (UpdateRect) *UpdateRect = uncovered.Bounds();
  TRect present = area;
  OffsetRect(present, ca.Left, ca.Top);
  PresentArea(top, present);
  if (uncovered.IsEmpty()) return NULLREGION_;
  return uncovered.Rects().size() == 1 ? SIMPLEREGION_ : COMPLEXREGION_;
}

bool ScrollWindow(HWND Wnd, Integer DX, Integer DY, const TRect* Scroll, const TRect* Clip) {
  return ScrollWindowEx(Wnd, DX, DY, Scroll, Clip, nullptr, nullptr, SW_INVALIDATE | SW_ERASE) != 0;
}

cairo_surface_t* GetWindowSurface(HWND TopLevel) {
  TWindowRec* w = Rec(TopLevel);
  return w && !w->IsChildWindow() ? w->Surface : nullptr;
}

cairo_surface_t* RenderWindow(HWND TopLevel) {
  TWindowRec* w = Rec(TopLevel);
  if (!w || w->IsChildWindow()) return nullptr;
  // Painting may invalidate again (a control sizing itself); a few rounds settle it.
  for (int round = 0; round < 8; ++round) {
    w = Rec(TopLevel);
    if (!w || !FirstNeedingPaint(w)) break;
    PaintTree(TopLevel);
  }
  w = Rec(TopLevel);
  if (!w) return nullptr;
  cairo_surface_flush(w->Surface);
  return w->Surface;
}
