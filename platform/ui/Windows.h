#pragma once
// The window model: handles, the window tree (top-level, owned popups, children),
// styles, positions, non-client frames, window regions, painting with update
// regions over a retained image per top-level window, and enumeration.
//
// Each top-level window keeps an ARGB32 cairo image of its whole window rect;
// child windows paint into their top-level's image, clipped to the part of them
// that is visible. The display backend only presents those images.

#include <functional>
#include <vector>

#include "platform/core/Object.h"
#include "platform/ui/Geometry.h"
#include "platform/ui/Graphics.h"
#include "platform/ui/Messages.h"

typedef struct _cairo_surface cairo_surface_t;
typedef struct _cairo_region cairo_region_t;

// ---- Styles -----------------------------------------------------------------------
constexpr DWORD WS_OVERLAPPED = 0x00000000;
constexpr DWORD WS_POPUP = 0x80000000;
constexpr DWORD WS_CHILD = 0x40000000;
constexpr DWORD WS_MINIMIZE = 0x20000000;
constexpr DWORD WS_VISIBLE = 0x10000000;
constexpr DWORD WS_DISABLED = 0x08000000;
constexpr DWORD WS_CLIPSIBLINGS = 0x04000000;
constexpr DWORD WS_CLIPCHILDREN = 0x02000000;
constexpr DWORD WS_MAXIMIZE = 0x01000000;
constexpr DWORD WS_CAPTION = 0x00C00000;
constexpr DWORD WS_BORDER = 0x00800000;
constexpr DWORD WS_DLGFRAME = 0x00400000;
constexpr DWORD WS_VSCROLL = 0x00200000;
constexpr DWORD WS_HSCROLL = 0x00100000;
constexpr DWORD WS_SYSMENU = 0x00080000;
constexpr DWORD WS_THICKFRAME = 0x00040000;
constexpr DWORD WS_SIZEBOX = WS_THICKFRAME;
constexpr DWORD WS_GROUP = 0x00020000;
constexpr DWORD WS_TABSTOP = 0x00010000;
constexpr DWORD WS_MINIMIZEBOX = 0x00020000;
constexpr DWORD WS_MAXIMIZEBOX = 0x00010000;
constexpr DWORD WS_OVERLAPPEDWINDOW =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
constexpr DWORD WS_POPUPWINDOW = WS_POPUP | WS_BORDER | WS_SYSMENU;

constexpr DWORD WS_EX_DLGMODALFRAME = 0x00000001;
constexpr DWORD WS_EX_NOPARENTNOTIFY = 0x00000004;
constexpr DWORD WS_EX_TOPMOST = 0x00000008;
constexpr DWORD WS_EX_TRANSPARENT = 0x00000020;
constexpr DWORD WS_EX_TOOLWINDOW = 0x00000080;
constexpr DWORD WS_EX_WINDOWEDGE = 0x00000100;
constexpr DWORD WS_EX_CLIENTEDGE = 0x00000200;
constexpr DWORD WS_EX_CONTEXTHELP = 0x00000400;
constexpr DWORD WS_EX_RIGHT = 0x00001000;
constexpr DWORD WS_EX_RTLREADING = 0x00002000;
constexpr DWORD WS_EX_LEFTSCROLLBAR = 0x00004000;
constexpr DWORD WS_EX_CONTROLPARENT = 0x00010000;
constexpr DWORD WS_EX_STATICEDGE = 0x00020000;
constexpr DWORD WS_EX_APPWINDOW = 0x00040000;
constexpr DWORD WS_EX_LAYERED = 0x00080000;
constexpr DWORD WS_EX_NOACTIVATE = 0x08000000;

// Class styles.
constexpr DWORD CS_VREDRAW = 0x0001;
constexpr DWORD CS_HREDRAW = 0x0002;
constexpr DWORD CS_DBLCLKS = 0x0008;
constexpr DWORD CS_SAVEBITS = 0x0800;

// Edit styles.
constexpr DWORD ES_LEFT = 0x0000;
constexpr DWORD ES_CENTER = 0x0001;
constexpr DWORD ES_RIGHT = 0x0002;
constexpr DWORD ES_MULTILINE = 0x0004;
constexpr DWORD ES_UPPERCASE = 0x0008;
constexpr DWORD ES_LOWERCASE = 0x0010;
constexpr DWORD ES_PASSWORD = 0x0020;
constexpr DWORD ES_AUTOVSCROLL = 0x0040;
constexpr DWORD ES_AUTOHSCROLL = 0x0080;
constexpr DWORD ES_NOHIDESEL = 0x0100;
constexpr DWORD ES_OEMCONVERT = 0x0400;
constexpr DWORD ES_READONLY = 0x0800;
constexpr DWORD ES_WANTRETURN = 0x1000;
constexpr DWORD ES_NUMBER = 0x2000;

// GetWindowLong indexes.
constexpr Integer GWL_STYLE = -16;
constexpr Integer GWL_EXSTYLE = -20;
constexpr Integer GWL_ID = -12;
constexpr Integer GWL_USERDATA = -21;

// ---- SetWindowPos -------------------------------------------------------------------
constexpr UINT SWP_NOSIZE = 0x0001;
constexpr UINT SWP_NOMOVE = 0x0002;
constexpr UINT SWP_NOZORDER = 0x0004;
constexpr UINT SWP_NOREDRAW = 0x0008;
constexpr UINT SWP_NOACTIVATE = 0x0010;
constexpr UINT SWP_FRAMECHANGED = 0x0020;
constexpr UINT SWP_SHOWWINDOW = 0x0040;
constexpr UINT SWP_HIDEWINDOW = 0x0080;
constexpr UINT SWP_NOCOPYBITS = 0x0100;
constexpr UINT SWP_NOOWNERZORDER = 0x0200;
constexpr UINT SWP_NOSENDCHANGING = 0x0400;
constexpr UINT SWP_DRAWFRAME = SWP_FRAMECHANGED;

inline HWND const HWND_TOP = reinterpret_cast<HWND>(std::intptr_t(0));
inline HWND const HWND_BOTTOM = reinterpret_cast<HWND>(std::intptr_t(1));
inline HWND const HWND_TOPMOST = reinterpret_cast<HWND>(std::intptr_t(-1));
inline HWND const HWND_NOTOPMOST = reinterpret_cast<HWND>(std::intptr_t(-2));

struct TWindowPos {
  HWND hwnd = nullptr;
  HWND hwndInsertAfter = nullptr;
  Integer x = 0, y = 0, cx = 0, cy = 0;
  UINT flags = 0;
};

// WM_NCCALCSIZE: LParam points at one of these; rgrc[0] comes in as the proposed
// window rect (parent client coordinates) and goes out as the client rect.
struct TNCCalcSizeParams {
  TRect rgrc[3];
  TWindowPos* lppos = nullptr;
};

// ShowWindow commands.
constexpr Integer SW_HIDE = 0;
constexpr Integer SW_SHOWNORMAL = 1;
constexpr Integer SW_NORMAL = 1;
constexpr Integer SW_SHOWMINIMIZED = 2;
constexpr Integer SW_SHOWMAXIMIZED = 3;
constexpr Integer SW_MAXIMIZE = 3;
constexpr Integer SW_SHOWNOACTIVATE = 4;
constexpr Integer SW_SHOW = 5;
constexpr Integer SW_MINIMIZE = 6;
constexpr Integer SW_SHOWMINNOACTIVE = 7;
constexpr Integer SW_SHOWNA = 8;
constexpr Integer SW_RESTORE = 9;

// GetWindow relations.
constexpr UINT GW_HWNDFIRST = 0;
constexpr UINT GW_HWNDLAST = 1;
constexpr UINT GW_HWNDNEXT = 2;
constexpr UINT GW_HWNDPREV = 3;
constexpr UINT GW_OWNER = 4;
constexpr UINT GW_CHILD = 5;

// RedrawWindow flags.
constexpr UINT RDW_INVALIDATE = 0x0001;
constexpr UINT RDW_INTERNALPAINT = 0x0002;
constexpr UINT RDW_ERASE = 0x0004;
constexpr UINT RDW_VALIDATE = 0x0008;
constexpr UINT RDW_NOINTERNALPAINT = 0x0010;
constexpr UINT RDW_NOERASE = 0x0020;
constexpr UINT RDW_NOCHILDREN = 0x0040;
constexpr UINT RDW_ALLCHILDREN = 0x0080;
constexpr UINT RDW_UPDATENOW = 0x0100;
constexpr UINT RDW_ERASENOW = 0x0200;
constexpr UINT RDW_FRAME = 0x0400;
constexpr UINT RDW_NOFRAME = 0x0800;

// ScrollWindowEx flags.
constexpr UINT SW_SCROLLCHILDREN = 0x0001;
constexpr UINT SW_INVALIDATE = 0x0002;
constexpr UINT SW_ERASE = 0x0004;

// Layered windows.
constexpr DWORD LWA_COLORKEY = 0x00000001;
constexpr DWORD LWA_ALPHA = 0x00000002;

// ---- Creating windows ---------------------------------------------------------------
// The procedure behind a window: every message sent or dispatched to it arrives
// here, from the first message of its creation on.
using TWindowProcedure = std::function<void(HWND Wnd, TMessage& Message)>;

struct TWindowClassInfo {
  DWORD style = 0;             // CS_ flags
  TColor Background = clNone;  // erased with this colour by the default WM_ERASEBKGND; clNone: not erased
  Integer Cursor = 0;          // HCURSOR id (Input.h); 0: the arrow
};

struct TCreateParams {
  String Caption;
  DWORD Style = 0;
  DWORD ExStyle = 0;
  Integer X = 0, Y = 0, Width = 0, Height = 0;
  HWND WndParent = nullptr;  // the parent of a child window, the owner of a popup
  TWindowClassInfo WindowClass;
  String WinClassName;
  std::uintptr_t ID = 0;  // control id (GWL_ID)
};

// Creates a window and sends WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE, then WM_SIZE
// and WM_MOVE; shows it when WS_VISIBLE is set. The object behind the window is
// optional: FindWindowObject gives it back (controls find themselves this way).
HWND CreateWindowFromParams(const TCreateParams& Params, TWindowProcedure Proc, TObject* Object = nullptr);
HWND CreateWindowEx(DWORD ExStyle, const String& ClassName, const String& WindowName, DWORD Style, Integer X, Integer Y,
                    Integer Width, Integer Height, HWND Parent, TWindowProcedure Proc = nullptr);
// Sends WM_DESTROY (parent first) and WM_NCDESTROY (children first), releases the
// focus and capture it or a descendant held, kills its timers, drops its messages.
bool DestroyWindow(HWND Wnd);
bool IsWindow(HWND Wnd);
TObject* FindWindowObject(HWND Wnd);
// Replaces the procedure (a hook can keep the old one to chain to); gives the old one.
TWindowProcedure SetWindowProcedure(HWND Wnd, TWindowProcedure Proc);
// The default handling of every message a procedure does not handle itself.
LRESULT DefWindowProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam);
inline void DefaultWindowProc(HWND Wnd, TMessage& M) { M.Result = DefWindowProc(Wnd, M.Msg, M.WParam, M.LParam); }

// ---- Tree, attributes ---------------------------------------------------------------
HWND GetParent(HWND Wnd);  // the parent of a child; the owner of a popup
HWND SetParent(HWND Child, HWND NewParent);
HWND GetWindowOwner(HWND Wnd);
// Gives a top-level window another owner (null: none); refuses a child window and
// an owner that the window itself owns. Gives the old owner. A display learns it
// when the window is next shown.
HWND SetWindowOwner(HWND Wnd, HWND NewOwner);
// The topmost visible, enabled window that Wnd's top-level window owns, at any
// depth (the modal window that keeps it disabled); null when there is none.
HWND GetEnabledPopup(HWND Wnd);
HWND GetAncestorTop(HWND Wnd);        // the top-level window holding Wnd
bool IsChild(HWND Parent, HWND Wnd);  // any depth
HWND GetWindow(HWND Wnd, UINT Cmd);
HWND GetTopWindow(HWND Wnd);                  // first child in z-order; 0: first top-level
std::vector<HWND> GetChildWindows(HWND Wnd);  // direct children, topmost first
std::vector<HWND> GetTopLevelWindows();       // topmost first
using TEnumWindowsProc = std::function<bool(HWND Wnd)>;
bool EnumWindows(const TEnumWindowsProc& Proc);
bool EnumChildWindows(HWND Parent, const TEnumWindowsProc& Proc);
HWND FindWindow(const String* ClassName, const String* WindowName);
HWND FindWindow(const String& WindowName);

Integer GetWindowLong(HWND Wnd, Integer Index);
Integer SetWindowLong(HWND Wnd, Integer Index, Integer Value);
DWORD GetWindowStyle(HWND Wnd);
DWORD GetWindowExStyle(HWND Wnd);
DWORD GetClassStyle(HWND Wnd);
void SetClassStyle(HWND Wnd, DWORD Style);
const TWindowClassInfo* GetWindowClassInfo(HWND Wnd);
String GetWindowText(HWND Wnd);
Integer GetWindowTextLength(HWND Wnd);
bool SetWindowText(HWND Wnd, const String& Text);
String GetClassName(HWND Wnd);

// ---- Position, visibility ------------------------------------------------------------
bool SetWindowPos(HWND Wnd, HWND InsertAfter, Integer X, Integer Y, Integer CX, Integer CY, UINT Flags);
bool MoveWindow(HWND Wnd, Integer X, Integer Y, Integer Width, Integer Height, bool Repaint);
bool BringWindowToTop(HWND Wnd);
bool ShowWindow(HWND Wnd, Integer CmdShow);
// Visible means the window and every ancestor have WS_VISIBLE.
bool IsWindowVisible(HWND Wnd);
bool IsWindowEnabled(HWND Wnd);
bool EnableWindow(HWND Wnd, bool Enable);
bool IsIconic(HWND Wnd);
bool IsZoomed(HWND Wnd);

// Where a window stands when it is neither minimized nor maximized, and how it is
// shown now. rcNormalPosition is in screen coordinates for a top-level window.
struct TWindowPlacement {
  UINT length = sizeof(TWindowPlacement);
  UINT flags = 0;
  UINT showCmd = SW_SHOWNORMAL;  // SW_SHOWNORMAL, SW_SHOWMINIMIZED or SW_SHOWMAXIMIZED
  TPoint ptMinPosition;
  TPoint ptMaxPosition;
  TRect rcNormalPosition;
};
bool GetWindowPlacement(HWND Wnd, TWindowPlacement& Placement);
// Stores the normal rectangle (a window in its normal state moves there), then
// shows the window by showCmd when that differs from its state and it is visible.
bool SetWindowPlacement(HWND Wnd, const TWindowPlacement& Placement);
// The window rect in screen coordinates; the client rect with (0,0) at its corner.
bool GetWindowRect(HWND Wnd, TRect& Rect);
bool GetClientRect(HWND Wnd, TRect& Rect);
TRect GetWindowRect(HWND Wnd);
TRect GetClientRect(HWND Wnd);
// The client area's place inside the window rect.
TRect GetClientRectInWindow(HWND Wnd);
bool ClientToScreen(HWND Wnd, TPoint& Point);
bool ScreenToClient(HWND Wnd, TPoint& Point);
Integer MapWindowPoints(HWND From, HWND To, TPoint* Points, Integer Count);
Integer MapWindowPoints(HWND From, HWND To, TRect& Rect);
// The deepest visible, enabled window under a screen point (top-level windows in
// z-order, then their children).
HWND WindowFromPoint(TPoint ScreenPoint);
HWND ChildWindowFromPoint(HWND Parent, TPoint ClientPoint);
// The window rect a client rect needs with the given styles.
bool AdjustWindowRectEx(TRect& Rect, DWORD Style, bool Menu, DWORD ExStyle);

// ---- Regions and layered windows -------------------------------------------------------
// A polygon in window coordinates outside which the window neither draws nor takes
// the mouse. An empty list removes the region. HRGN-based callers go through GDI.h.
bool SetWindowPolygonRegion(HWND Wnd, const std::vector<TPoint>& Polygon, bool Redraw);
const std::vector<TPoint>* GetWindowPolygonRegion(HWND Wnd);
bool SetWindowRgn(HWND Wnd, HRGN Rgn, bool Redraw);
bool SetLayeredWindowAttributes(HWND Wnd, COLORREF Key, Byte Alpha, DWORD Flags);
bool GetLayeredWindowAttributes(HWND Wnd, COLORREF* Key, Byte* Alpha, DWORD* Flags);

// ---- Painting ----------------------------------------------------------------------------
struct TPaintStruct {
  HDC hdc = nullptr;
  bool fErase = false;
  TRect rcPaint;
};

bool InvalidateRect(HWND Wnd, const TRect* Rect, bool Erase);
bool ValidateRect(HWND Wnd, const TRect* Rect);
bool RedrawWindow(HWND Wnd, const TRect* Rect, HRGN Rgn, UINT Flags);
bool GetUpdateRect(HWND Wnd, TRect* Rect, bool Erase);
// Copies the part of the client area waiting to be painted into Rgn; answers
// its kind (NULLREGION when nothing waits), or ERROR_REGION.
Integer GetUpdateRgn(HWND Wnd, HRGN Rgn, bool Erase);
// Sends WM_PAINT (children after parents) when there is something to paint.
bool UpdateWindow(HWND Wnd);
HDC BeginPaint(HWND Wnd, TPaintStruct& Paint);
bool EndPaint(HWND Wnd, const TPaintStruct& Paint);
// A device context over the client area (GetDC) or the whole window (GetWindowDC),
// clipped to the visible part; GetDC(nullptr) gives the screen's, for measuring.
// Release it with ReleaseDC.
HDC GetDC(HWND Wnd);
HDC GetWindowDC(HWND Wnd);
Integer ReleaseDC(HWND Wnd, HDC DC);
// Moves the pixels of the client area (or of Scroll, clipped to Clip) by DX, DY in the
// retained image and invalidates what was uncovered (SW_INVALIDATE; SW_ERASE erases).
Integer ScrollWindowEx(HWND Wnd, Integer DX, Integer DY, const TRect* Scroll, const TRect* Clip, HRGN Update,
                       TRect* UpdateRect, UINT Flags);
bool ScrollWindow(HWND Wnd, Integer DX, Integer DY, const TRect* Scroll, const TRect* Clip);
// True when some window waits for WM_PAINT.
bool AnyWindowNeedsPaint();

// The retained image of a top-level window (the whole window rect), for the backend.
cairo_surface_t* GetWindowSurface(HWND TopLevel);
// Makes sure every visible window has painted, then gives the image (tests, snapshots).
cairo_surface_t* RenderWindow(HWND TopLevel);

// Number * Numerator / Denominator through 64 bits, rounded half away from zero;
// -1 when Denominator is 0 or the result does not fit, as the platform answers.
Integer MulDiv(Integer Number, Integer Numerator, Integer Denominator);

// Non-client drawing helpers for windows that paint their own frame.
Integer GetWindowBorderWidth(HWND Wnd);  // the frame width from the styles
