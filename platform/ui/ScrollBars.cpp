// Standard scroll bars: their state, the visibility rule, the non-client frame and
// bars drawn into the window image, and mouse tracking on the bars.

#include "platform/ui/ScrollBars.h"

#include <algorithm>

#include "platform/ui/WindowSystem.h"

using namespace uiwin;

namespace {

TWindowSystem& Sys() { return TWindowSystem::Get(); }
TWindowRec* Rec(HWND h) { return Sys().Find(h); }
// For reading a bar: a window that put off its layout settles it first.
TWindowRec* Settled(HWND h) {
  TWindowRec* w = Rec(h);
  if (w && w->LayoutDeferred) {
    SettleLayout(w);
    w = Rec(h);
  }
  return w;
}

DWORD StyleBit(Integer bar) { return bar == SB_VERT ? WS_VSCROLL : WS_HSCROLL; }

Integer MaxPos(const TScrollBarState& b) {
  Int64 m = Int64(b.Max) - std::max<Int64>(Int64(b.Page) - 1, 0);
  return Integer(std::max<Int64>(m, b.Min));
}

// Without SIF_DISABLENOSCROLL a bar is shown only while there is something to scroll.
bool Needed(const TScrollBarState& b) {
  if (b.Max <= b.Min) return false;
  if (b.Page > 0 && Int64(b.Max) - b.Min + 1 <= Int64(b.Page)) return false;
  return true;
}

void SetBarVisible(TWindowRec* w, Integer bar, bool show) {
  DWORD bit = StyleBit(bar);
  if (((w->Style & bit) != 0) == show) return;
  if (show) w->Style |= bit;
  else w->Style &= ~bit;
  RecalcNonClient(w, true);
}

TScrollBarState* Bar(TWindowRec* w, Integer bar) {
  if (!w || (bar != SB_HORZ && bar != SB_VERT)) return nullptr;
  return &w->Bars[bar];
}

void InvalidateFrame(TWindowRec* w) {
  if (!w || !IsVisibleRec(w)) return;
  w->FrameNeeded = true;
}

// Thumb geometry along the bar (pixels from the bar's start), classic proportions.
struct TThumb {
  Integer Start = 0, Size = 0, Track = 0;  // Track: the length between the arrows
};

TThumb ThumbOf(const TScrollBarState& b, Integer length) {
  Integer arrow = GetSystemMetrics(SM_CYVSCROLL);
  TThumb t;
  if (length < 2 * arrow) arrow = length / 2;
  t.Track = std::max(0, length - 2 * arrow);
  Int64 range = Int64(b.Max) - b.Min + 1;
  if (range <= 0 || !Needed(b) || t.Track < 8) return t;
  Int64 size = b.Page ? Int64(t.Track) * b.Page / range : GetSystemMetrics(SM_CXHTHUMB);
  size = std::clamp<Int64>(size, 8, t.Track);
  Int64 span = range - std::max<Int64>(b.Page, 1);
  Int64 pos = Int64(b.Tracking ? b.TrackPos : b.Pos) - b.Min;
  Int64 start = span > 0 ? (t.Track - size) * pos / span : 0;
  t.Start = arrow + Integer(std::clamp<Int64>(start, 0, t.Track - size));
  t.Size = Integer(size);
  return t;
}

TRect BarRect(const TWindowRec* w, Integer bar) {
  if (!(w->Style & StyleBit(bar))) return TRect();
  const TRect& c = w->Client;
  Integer sz = GetSystemMetrics(bar == SB_VERT ? SM_CXVSCROLL : SM_CYHSCROLL);
  if (bar == SB_VERT) return TRect(c.Right, c.Top, c.Right + sz, c.Bottom);
  return TRect(c.Left, c.Bottom, c.Right, c.Bottom + sz);
}

}  // namespace

Integer SetScrollInfo(HWND Wnd, Integer BarKind, const TScrollInfo& Info, bool Redraw) {
  TWindowRec* w = Rec(Wnd);
  TScrollBarState* b = Bar(w, BarKind);
  if (!b) return 0;
  if (Info.fMask & SIF_RANGE) {
    b->Min = Info.nMin;
    b->Max = std::max(Info.nMin, Info.nMax);
  }
  if (Info.fMask & SIF_PAGE) b->Page = Info.nPage;
  if (Info.fMask & SIF_POS) b->Pos = Info.nPos;
  b->Page = UINT(std::min<Int64>(b->Page, Int64(b->Max) - b->Min + 1));
  b->Pos = std::clamp(b->Pos, b->Min, MaxPos(*b));
  if (Info.fMask & (SIF_RANGE | SIF_PAGE)) {
    bool need = Needed(*b);
    if (Info.fMask & SIF_DISABLENOSCROLL) {
      if (w->Style & StyleBit(BarKind)) b->Disabled = need ? ESB_ENABLE_BOTH : ESB_DISABLE_BOTH;
      else if (need) SetBarVisible(w, BarKind, true);
    } else {
      SetBarVisible(w, BarKind, need);
      if (need) b->Disabled = ESB_ENABLE_BOTH;
    }
  }
  if (Redraw) InvalidateFrame(w);
  return b->Pos;
}

bool GetScrollInfo(HWND Wnd, Integer BarKind, TScrollInfo& Info) {
  TScrollBarState* b = Bar(Settled(Wnd), BarKind);
  if (!b) return false;
  if (Info.fMask & SIF_RANGE) Info.nMin = b->Min, Info.nMax = b->Max;
  if (Info.fMask & SIF_PAGE) Info.nPage = b->Page;
  if (Info.fMask & SIF_POS) Info.nPos = b->Pos;
  if (Info.fMask & SIF_TRACKPOS) Info.nTrackPos = b->Tracking ? b->TrackPos : b->Pos;
  return true;
}

Integer SetScrollPos(HWND Wnd, Integer BarKind, Integer Pos, bool Redraw) {
  TScrollBarState* b = Bar(Rec(Wnd), BarKind);
  if (!b) return 0;
  Integer old = b->Pos;
  TScrollInfo si;
  si.fMask = SIF_POS;
  si.nPos = Pos;
  SetScrollInfo(Wnd, BarKind, si, Redraw);
  return old;
}

Integer SetScrollBarView(HWND Wnd, Integer BarKind, Integer Min, Integer Max, UINT Page, Integer Pos) {
  TScrollInfo si;
  si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  si.nMin = Min;
  si.nMax = Max;
  si.nPage = Page;
  si.nPos = Pos;
  return SetScrollInfo(Wnd, BarKind, si, true);
}

Integer ScrollRequestPos(HWND Wnd, Integer BarKind, WPARAM Request, Integer Pos, Integer Line, Integer Page,
                         Integer First, Integer Last) {
  switch (LoWord(Request)) {
    case SB_LINEUP: return Pos - Line;
    case SB_LINEDOWN: return Pos + Line;
    case SB_PAGEUP: return Pos - Page;
    case SB_PAGEDOWN: return Pos + Page;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: {
      TScrollInfo si;
      si.fMask = SIF_TRACKPOS;
      GetScrollInfo(Wnd, BarKind, si);
      return si.nTrackPos;
    }
    case SB_TOP: return First;
    case SB_BOTTOM: return Last;
    default: return Pos;
  }
}

Integer GetScrollPos(HWND Wnd, Integer BarKind) {
  TScrollBarState* b = Bar(Settled(Wnd), BarKind);
  return b ? b->Pos : 0;
}

bool SetScrollRange(HWND Wnd, Integer BarKind, Integer MinPos, Integer MaxPos, bool Redraw) {
  if (!Bar(Rec(Wnd), BarKind)) return false;
  TScrollInfo si;
  si.fMask = SIF_RANGE;
  si.nMin = MinPos;
  si.nMax = MaxPos;
  SetScrollInfo(Wnd, BarKind, si, Redraw);
  return true;
}

bool GetScrollRange(HWND Wnd, Integer BarKind, Integer& MinPos, Integer& MaxPos) {
  TScrollBarState* b = Bar(Settled(Wnd), BarKind);
  if (!b) return false;
  MinPos = b->Min;
  MaxPos = b->Max;
  return true;
}

bool ShowScrollBar(HWND Wnd, Integer BarKind, bool Show) {
  TWindowRec* w = Rec(Wnd);
  if (!w) return false;
  if (BarKind == SB_BOTH) {
    bool changed = ((w->Style & WS_HSCROLL) != 0) != Show || ((w->Style & WS_VSCROLL) != 0) != Show;
    if (!changed) return true;
    if (Show) w->Style |= WS_HSCROLL | WS_VSCROLL;
    else w->Style &= ~(WS_HSCROLL | WS_VSCROLL);
    RecalcNonClient(w, true);
    return true;
  }
  if (BarKind != SB_HORZ && BarKind != SB_VERT) return false;
  SetBarVisible(w, BarKind, Show);
  return true;
}

bool EnableScrollBar(HWND Wnd, UINT BarKind, UINT Arrows) {
  TWindowRec* w = Rec(Wnd);
  if (!w) return false;
  for (Integer b : {SB_HORZ, SB_VERT})
    if (UINT(b) == BarKind || BarKind == UINT(SB_BOTH)) w->Bars[b].Disabled = Arrows;
  InvalidateFrame(w);
  return true;
}

bool IsScrollBarVisible(HWND Wnd, Integer BarKind) {
  TWindowRec* w = Settled(Wnd);
  return w && (BarKind == SB_HORZ || BarKind == SB_VERT) && (w->Style & StyleBit(BarKind));
}

UINT GetScrollBarArrows(HWND Wnd, Integer BarKind) {
  TScrollBarState* b = Bar(Settled(Wnd), BarKind);
  return b ? b->Disabled : ESB_DISABLE_BOTH;
}

TRect GetScrollBarRect(HWND Wnd, Integer BarKind) {
  TWindowRec* w = Settled(Wnd);
  if (!w || (BarKind != SB_HORZ && BarKind != SB_VERT)) return TRect();
  return BarRect(w, BarKind);
}

namespace uiwin {

LRESULT ScrollBarHitTest(const TWindowRec* w, TPoint WindowPoint) {
  if (BarRect(w, SB_VERT).Contains(WindowPoint)) return HTVSCROLL;
  if (BarRect(w, SB_HORZ).Contains(WindowPoint)) return HTHSCROLL;
  return HTNOWHERE;
}

void DrawNonClient(TWindowRec* w) {
  HDC dc = GetWindowDC(w->Handle);
  if (!dc) return;
  TRect r(0, 0, w->Rect.Width(), w->Rect.Height());
  if (w->ExStyle & WS_EX_CLIENTEDGE) DrawEdge(dc, r, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
  if (w->ExStyle & WS_EX_STATICEDGE) DrawEdge(dc, r, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
  bool caption = (w->Style & WS_CAPTION) == WS_CAPTION && !w->IsChildWindow();
  if (!caption && !(w->Style & (WS_THICKFRAME | WS_DLGFRAME)) && (w->Style & WS_BORDER)) {
    HBRUSH frame = CreateSolidBrush(COLORREF(ColorToRGB(clWindowFrame)));
    FrameRect(dc, r, frame);
    DeleteObject(frame);
  }
  for (Integer bar : {SB_HORZ, SB_VERT}) {
    TRect br = BarRect(w, bar);
    if (br.IsEmpty()) continue;
    const TScrollBarState& b = w->Bars[bar];
    bool vert = bar == SB_VERT;
    Integer length = vert ? br.Height() : br.Width();
    Integer arrow = std::min(GetSystemMetrics(SM_CYVSCROLL), length / 2);
    HBRUSH track = CreateSolidBrush(COLORREF(ColorToRGB(clScrollBar)));
    FillRect(dc, br, track);
    DeleteObject(track);
    UINT inactive = b.Disabled == ESB_DISABLE_BOTH ? UINT(DFCS_INACTIVE) : 0u;
    TRect a1 = vert ? Bounds(br.Left, br.Top, br.Width(), arrow) : Bounds(br.Left, br.Top, arrow, br.Height());
    TRect a2 = vert ? Bounds(br.Left, br.Bottom - arrow, br.Width(), arrow)
                    : Bounds(br.Right - arrow, br.Top, arrow, br.Height());
    DrawFrameControl(dc, a1, DFC_SCROLL,
                     UINT(vert ? DFCS_SCROLLUP : DFCS_SCROLLLEFT) | inactive |
                         ((b.Disabled & ESB_DISABLE_LTUP) ? UINT(DFCS_INACTIVE) : 0u));
    DrawFrameControl(dc, a2, DFC_SCROLL,
                     UINT(vert ? DFCS_SCROLLDOWN : DFCS_SCROLLRIGHT) | inactive |
                         ((b.Disabled & ESB_DISABLE_RTDN) ? UINT(DFCS_INACTIVE) : 0u));
    TThumb t = ThumbOf(b, length);
    if (t.Size > 0 && !inactive) {
      TRect th = vert ? Bounds(br.Left, br.Top + t.Start, br.Width(), t.Size)
                      : Bounds(br.Left + t.Start, br.Top, t.Size, br.Height());
      HBRUSH face = CreateSolidBrush(COLORREF(ColorToRGB(clBtnFace)));
      FillRect(dc, th, face);
      DeleteObject(face);
      DrawEdge(dc, th, EDGE_RAISED, BF_RECT);
    }
  }
  // The corner between two bars.
  if ((w->Style & WS_HSCROLL) && (w->Style & WS_VSCROLL)) {
    TRect v = BarRect(w, SB_VERT), h = BarRect(w, SB_HORZ);
    HBRUSH face = CreateSolidBrush(COLORREF(ColorToRGB(clBtnFace)));
    FillRect(dc, TRect(v.Left, h.Top, v.Right, h.Bottom), face);
    DeleteObject(face);
  }
  ReleaseDC(w->Handle, dc);
}

namespace {

constexpr std::uintptr_t RepeatTimerId = 0xFFF0;
constexpr UINT FirstRepeatDelay = 400;
constexpr UINT RepeatInterval = 50;

// Runs the queue while a gesture on Wnd's bar lasts: mouse messages and the repeat
// timer go to Handle (true ends the gesture); paints and other timers are dispatched
// as usual so the window keeps drawing; anything else waits for the gesture to end.
template <class F>
void TrackLoop(HWND Wnd, F Handle) {
  TMsg m;
  while (IsWindow(Wnd)) {
    if (PeekMessage(m, nullptr, WM_MOUSEFIRST, WM_MOUSELAST, PM_REMOVE)) {
      if (m.hwnd == Wnd && Handle(m)) return;
      continue;
    }
    if (PeekMessage(m, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE)) {
      if (m.hwnd == Wnd && m.wParam == RepeatTimerId) {
        if (Handle(m)) return;
      } else {
        DispatchMessage(m);
      }
      continue;
    }
    if (PeekMessage(m, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE)) {
      DispatchMessage(m);
      continue;
    }
    if (GetKeyState(VK_LBUTTON) >= 0) return;  // released where we could not see it
    WaitMessage();
  }
}

}  // namespace

// The classic interaction, run as a loop of its own until the button goes up: an
// arrow scrolls a line and the track a page, repeating while held over the same
// part; the thumb sends THUMBTRACK while it moves and THUMBPOSITION where it is let
// go; SB_ENDSCROLL closes every gesture.
void TrackScrollBar(TWindowRec* w, Integer BarKind, TPoint ScreenPoint) {
  HWND h = w->Handle;
  TRect br = BarRect(w, BarKind);
  if (w->Bars[BarKind].Disabled == ESB_DISABLE_BOTH) return;
  bool vert = BarKind == SB_VERT;
  UINT msg = vert ? WM_VSCROLL : WM_HSCROLL;
  Integer length = vert ? br.Height() : br.Width();
  Integer arrow = std::min(GetSystemMetrics(SM_CYVSCROLL), length / 2);
  TThumb t = ThumbOf(w->Bars[BarKind], length);
  auto alongOf = [&](TPoint screen) {
    TWindowRec* cur = Rec(h);
    TPoint q = screen - (cur ? WindowOriginOnScreen(cur) : TPoint());
    return vert ? q.Y - br.Top : q.X - br.Left;
  };
  // The part of the bar at a distance along it.
  auto codeAt = [&](Integer along) {
    TWindowRec* cur = Rec(h);
    TThumb now = cur ? ThumbOf(cur->Bars[BarKind], length) : t;
    if (along < arrow) return SB_LINEUP;
    if (along >= length - arrow) return SB_LINEDOWN;
    if (now.Size > 0 && along >= now.Start && along < now.Start + now.Size) return SB_THUMBTRACK;
    return along < now.Start ? SB_PAGEUP : SB_PAGEDOWN;
  };
  auto send = [&](Integer code, Integer pos) { SendMessage(h, msg, MakeWParam(code, pos), 0); };
  Integer along = alongOf(ScreenPoint);
  Integer code = codeAt(along);
  SetCapture(h);
  Sys().ScrollTrackWnd = h;
  if (code == SB_THUMBTRACK) {
    Integer grab = along - t.Start;
    if (TWindowRec* cur = Rec(h))
      cur->Bars[BarKind].Tracking = true, cur->Bars[BarKind].TrackPos = cur->Bars[BarKind].Pos;
    TrackLoop(h, [&](const TMsg& m) {
      TWindowRec* cur = Rec(h);
      if (!cur || Sys().ScrollTrackWnd != h) return true;
      if (m.message != WM_MOUSEMOVE && m.message != WM_LBUTTONUP) return false;
      TPoint p(GetXLParam(m.lParam), GetYLParam(m.lParam));
      ClientToScreen(h, p);
      Integer a = alongOf(p) - grab - arrow;
      Integer travel = std::max(1, t.Track - t.Size);
      TScrollBarState& cb = cur->Bars[BarKind];
      Int64 span = Int64(cb.Max) - cb.Min + 1 - std::max<Int64>(cb.Page, 1);
      Int64 pos = cb.Min + std::clamp<Int64>(span * std::clamp(a, 0, travel) / travel, 0, std::max<Int64>(span, 0));
      cb.TrackPos = Integer(pos);
      if (m.message == WM_MOUSEMOVE) {
        send(SB_THUMBTRACK, Integer(pos));
        return false;
      }
      send(SB_THUMBPOSITION, Integer(pos));
      return true;
    });
    if (TWindowRec* cur = Rec(h)) cur->Bars[BarKind].Tracking = false;
  } else {
    send(code, 0);
    SetTimer(h, RepeatTimerId, FirstRepeatDelay);
    TPoint mouse = ScreenPoint;
    TrackLoop(h, [&](const TMsg& m) {
      if (Sys().ScrollTrackWnd != h) return true;
      if (m.message == WM_LBUTTONUP) return true;
      if (m.message == WM_MOUSEMOVE) {
        mouse = TPoint(GetXLParam(m.lParam), GetYLParam(m.lParam));
        ClientToScreen(h, mouse);
        return false;
      }
      if (m.message == WM_TIMER) {
        // Repeats only while the mouse stays on the part first pressed.
        if (codeAt(alongOf(mouse)) == code) send(code, 0);
        SetTimer(h, RepeatTimerId, RepeatInterval);
      }
      return false;
    });
    if (IsWindow(h)) KillTimer(h, RepeatTimerId);
  }
  Sys().ScrollTrackWnd = nullptr;
  if (GetCapture() == h) ReleaseCapture();
  if (IsWindow(h)) {
    send(SB_ENDSCROLL, 0);
    if (TWindowRec* cur = Rec(h)) InvalidateFrame(cur);
  }
}

}  // namespace uiwin
