#pragma once
// The standard scroll bars of a window (SB_HORZ, SB_VERT) in its non-client area.
// Positions are 32-bit throughout. A bar is shown while its range is larger than
// its page; with SIF_DISABLENOSCROLL it stays and is disabled instead.

#include "platform/ui/Messages.h"
#include "platform/ui/Geometry.h"

constexpr Integer SB_HORZ = 0;
constexpr Integer SB_VERT = 1;
constexpr Integer SB_CTL = 2;
constexpr Integer SB_BOTH = 3;

constexpr UINT SIF_RANGE = 0x0001;
constexpr UINT SIF_PAGE = 0x0002;
constexpr UINT SIF_POS = 0x0004;
constexpr UINT SIF_DISABLENOSCROLL = 0x0008;
constexpr UINT SIF_TRACKPOS = 0x0010;
constexpr UINT SIF_ALL = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_TRACKPOS;

constexpr UINT ESB_ENABLE_BOTH = 0x0000;
constexpr UINT ESB_DISABLE_LTUP = 0x0001;
constexpr UINT ESB_DISABLE_RTDN = 0x0002;
constexpr UINT ESB_DISABLE_BOTH = 0x0003;

struct TScrollInfo {
  UINT cbSize = sizeof(TScrollInfo);
  UINT fMask = 0;
  Integer nMin = 0;
  Integer nMax = 0;
  UINT nPage = 0;
  Integer nPos = 0;
  Integer nTrackPos = 0;
};

// Sets what fMask names; the position is kept within [min, max - max(page-1, 0)].
// Gives the new position.
Integer SetScrollInfo(HWND Wnd, Integer Bar, const TScrollInfo& Info, bool Redraw);
bool GetScrollInfo(HWND Wnd, Integer Bar, TScrollInfo& Info);
Integer SetScrollPos(HWND Wnd, Integer Bar, Integer Pos, bool Redraw);
Integer GetScrollPos(HWND Wnd, Integer Bar);
bool SetScrollRange(HWND Wnd, Integer Bar, Integer MinPos, Integer MaxPos, bool Redraw);
bool GetScrollRange(HWND Wnd, Integer Bar, Integer& MinPos, Integer& MaxPos);
bool ShowScrollBar(HWND Wnd, Integer Bar, bool Show);
bool EnableScrollBar(HWND Wnd, UINT Bar, UINT Arrows);
// Whether the bar is shown (the window has WS_HSCROLL / WS_VSCROLL now).
bool IsScrollBarVisible(HWND Wnd, Integer Bar);
UINT GetScrollBarArrows(HWND Wnd, Integer Bar);  // the ESB_ disable flags

// The bar's rectangle in window coordinates (empty when hidden).
TRect GetScrollBarRect(HWND Wnd, Integer Bar);

// Sets the range [Min, Max], the page and the position of a control's bar at once and
// redraws it: what a scrolling control shows of its content.
Integer SetScrollBarView(HWND Wnd, Integer Bar, Integer Min, Integer Max, UINT Page, Integer Pos);

// Where a WM_VSCROLL / WM_HSCROLL request (the SB_ code in the low word of Request)
// moves a control's position Pos: a Line or a Page either way, the thumb's track
// position read from the bar, First or Last for either end. Other codes keep Pos;
// the caller keeps the result within its range.
Integer ScrollRequestPos(HWND Wnd, Integer Bar, WPARAM Request, Integer Pos, Integer Line, Integer Page, Integer First,
                         Integer Last);
