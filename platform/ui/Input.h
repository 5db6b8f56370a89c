#pragma once
// Input state of the user-interface thread: keyboard focus, mouse capture, the
// active window, the key-state table, the caret, cursors, double clicks, system
// metrics and monitors.

#include <vector>

#include "platform/ui/Geometry.h"
#include "platform/ui/Messages.h"

enum TMouseButton { mbLeft, mbRight, mbMiddle };

// ---- Focus, activation, capture ------------------------------------------------------
// Moves the keyboard focus: WM_KILLFOCUS (WParam: the new window) to the old,
// then WM_SETFOCUS (WParam: the old window) to the new. A top-level window that
// is not active becomes active first, unless it never activates (popups, tool
// windows with WS_EX_NOACTIVATE). Gives the window that had the focus.
HWND SetFocus(HWND Wnd);
HWND GetFocus();
HWND SetActiveWindow(HWND Wnd);
HWND GetActiveWindow();
HWND GetForegroundWindow();
bool SetForegroundWindow(HWND Wnd);
// The previous holder gets WM_CAPTURECHANGED (LParam: the new one).
HWND SetCapture(HWND Wnd);
bool ReleaseCapture();
HWND GetCapture();

// ---- Keyboard and mouse-button state -------------------------------------------------
// Bit 15 (the value is negative) when the key is down; bit 0 toggles.
Smallint GetKeyState(Integer VirtKey);
Smallint GetAsyncKeyState(Integer VirtKey);
// Sets one key's state, as the display does when input arrives (tests too).
void SetKeyDown(Integer VirtKey, bool Down);
void ClearKeyState();
// MK_ flags from the current key and button state.
WPARAM CurrentMouseKeys();

// ---- Cursor position and cursors ----------------------------------------------------------
bool GetCursorPos(TPoint& Point);
TPoint GetCursorPos();
bool SetCursorPos(Integer X, Integer Y);

// A cursor id: the standard ones are negative codes below, images made with
// CreateCursorFromImage are positive.
using HCURSOR = Integer;
constexpr HCURSOR IDC_ARROW = 32512;
constexpr HCURSOR IDC_IBEAM = 32513;
constexpr HCURSOR IDC_WAIT = 32514;
constexpr HCURSOR IDC_CROSS = 32515;
constexpr HCURSOR IDC_UPARROW = 32516;
constexpr HCURSOR IDC_SIZENWSE = 32642;
constexpr HCURSOR IDC_SIZENESW = 32643;
constexpr HCURSOR IDC_SIZEWE = 32644;
constexpr HCURSOR IDC_SIZENS = 32645;
constexpr HCURSOR IDC_SIZEALL = 32646;
constexpr HCURSOR IDC_NO = 32648;
constexpr HCURSOR IDC_HAND = 32649;
constexpr HCURSOR IDC_APPSTARTING = 32650;
constexpr HCURSOR IDC_HELP = 32651;
// Row and column sizing (split) cursors.
constexpr HCURSOR IDC_HSPLIT = 32700;
constexpr HCURSOR IDC_VSPLIT = 32701;
constexpr HCURSOR IDC_DRAG = 32702;
constexpr HCURSOR IDC_MULTIDRAG = 32703;
constexpr HCURSOR IDC_NODROP = 32704;

HCURSOR LoadCursor(HCURSOR Id);  // a standard cursor
// A cursor from 32-bit ARGB pixels (premultiplied, Width*Height), with its hot spot.
HCURSOR CreateCursorFromImage(Integer Width, Integer Height, const std::vector<std::uint32_t>& Pixels, TPoint HotSpot);
struct TCursorImage {
  Integer Width = 0, Height = 0;
  TPoint HotSpot;
  std::vector<std::uint32_t> Pixels;
};
const TCursorImage* GetCursorImage(HCURSOR Cursor);  // null for a standard cursor
bool DestroyCursor(HCURSOR Cursor);
// The cursor shown now; the display reads it after each mouse move.
HCURSOR SetCursor(HCURSOR Cursor);
HCURSOR GetCursor();

// ---- Caret ---------------------------------------------------------------------------------
bool CreateCaret(HWND Wnd, Integer Width, Integer Height);
bool DestroyCaret();
bool ShowCaret(HWND Wnd);
bool HideCaret(HWND Wnd);
bool SetCaretPos(Integer X, Integer Y);
bool GetCaretPos(TPoint& Point);
struct TCaretInfo {
  HWND Wnd = nullptr;
  TRect Rect;            // client coordinates of Wnd
  bool Visible = false;  // created, shown (hide count 0) and its window visible
};
TCaretInfo GetCaretInfo();

// ---- Double clicks and system metrics ------------------------------------------------------
UINT GetDoubleClickTime();
bool SetDoubleClickTime(UINT Interval);
bool MessageBeep(UINT Type);
Integer GetMessageBeepCount();  // how many beeps so far (tests)

constexpr Integer SM_CXSCREEN = 0;
constexpr Integer SM_CYSCREEN = 1;
constexpr Integer SM_CXVSCROLL = 2;
constexpr Integer SM_CYHSCROLL = 3;
constexpr Integer SM_CYCAPTION = 4;
constexpr Integer SM_CXBORDER = 5;
constexpr Integer SM_CYBORDER = 6;
constexpr Integer SM_CXDLGFRAME = 7;
constexpr Integer SM_CYDLGFRAME = 8;
constexpr Integer SM_CYVTHUMB = 9;
constexpr Integer SM_CXHTHUMB = 10;
constexpr Integer SM_CXICON = 11;
constexpr Integer SM_CYICON = 12;
constexpr Integer SM_CXCURSOR = 13;
constexpr Integer SM_CYCURSOR = 14;
constexpr Integer SM_CYMENU = 15;
constexpr Integer SM_CXFULLSCREEN = 16;
constexpr Integer SM_CYFULLSCREEN = 17;
constexpr Integer SM_CYVSCROLL = 20;
constexpr Integer SM_CXHSCROLL = 21;
constexpr Integer SM_SWAPBUTTON = 23;
constexpr Integer SM_CXMIN = 28;
constexpr Integer SM_CYMIN = 29;
constexpr Integer SM_CXFRAME = 32;
constexpr Integer SM_CYFRAME = 33;
constexpr Integer SM_CXDOUBLECLK = 36;
constexpr Integer SM_CYDOUBLECLK = 37;
constexpr Integer SM_CXEDGE = 45;
constexpr Integer SM_CYEDGE = 46;
constexpr Integer SM_CXSMICON = 49;
constexpr Integer SM_CYSMICON = 50;
constexpr Integer SM_CXDRAG = 68;
constexpr Integer SM_CYDRAG = 69;
constexpr Integer SM_MOUSEWHEELPRESENT = 75;
constexpr Integer SM_CXVIRTUALSCREEN = 78;
constexpr Integer SM_CYVIRTUALSCREEN = 79;
constexpr Integer SM_CMONITORS = 80;
Integer GetSystemMetrics(Integer Index);

// System settings read through SystemParametersInfo: PvParam points at the answer
// (a TRect for the work area, a UINT for the wheel lines, a Bool for the rest).
// Settings this system does not keep, and every SPI_SET..., answer false.
constexpr UINT SPI_GETDRAGFULLWINDOWS = 0x0026;
constexpr UINT SPI_GETWORKAREA = 0x0030;
constexpr UINT SPI_GETWHEELSCROLLLINES = 0x0068;
constexpr UINT SPI_GETWHEELSCROLLCHARS = 0x006C;
bool SystemParametersInfo(UINT Action, UINT Param, void* PvParam, UINT WinIni);

// ---- Monitors --------------------------------------------------------------------------------
struct TMonitorHandleTag;
using HMONITOR = TMonitorHandleTag*;
constexpr DWORD MONITOR_DEFAULTTONULL = 0;
constexpr DWORD MONITOR_DEFAULTTOPRIMARY = 1;
constexpr DWORD MONITOR_DEFAULTTONEAREST = 2;
constexpr DWORD MONITORINFOF_PRIMARY = 1;
struct TMonitorInfo {
  TRect rcMonitor;
  TRect rcWork;
  DWORD dwFlags = 0;
};
HMONITOR MonitorFromRect(const TRect& Rect, DWORD Flags);
HMONITOR MonitorFromPoint(TPoint Point, DWORD Flags);
HMONITOR MonitorFromWindow(HWND Wnd, DWORD Flags);
bool GetMonitorInfo(HMONITOR Monitor, TMonitorInfo& Info);
Integer GetMonitorCount();
