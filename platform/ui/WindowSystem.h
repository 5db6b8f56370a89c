#pragma once
// Internal to the window layer: the window records and the state of the
// user-interface thread that Windows, MessageQueue, Timers, Input and ScrollBars
// share. Nothing outside platform/ui includes this.

#include <cairo.h>

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "platform/ui/Display.h"
#include "platform/ui/GDI.h"
#include "platform/ui/Input.h"
#include "platform/ui/MessageQueue.h"
#include "platform/ui/ScrollBars.h"
#include "platform/ui/Timers.h"
#include "platform/ui/Windows.h"

namespace uiwin {

struct TScrollBarState {
  Integer Min = 0, Max = 100;
  UINT Page = 0;
  Integer Pos = 0, TrackPos = 0;
  UINT Disabled = ESB_ENABLE_BOTH;  // ESB_ flags
  bool Tracking = false;
};

struct TWindowRec {
  HWND Handle = nullptr;
  TWindowRec* Parent = nullptr;       // child windows only
  HWND Owner = nullptr;               // top-level windows only
  std::vector<TWindowRec*> Children;  // z-order, topmost first
  DWORD Style = 0, ExStyle = 0;
  TWindowClassInfo Class;
  String ClassName, Text;
  std::uintptr_t CtrlId = 0;
  Integer UserData = 0;
  TRect Rect;    // parent client coordinates (child) or screen (top-level)
  TRect Client;  // the client area in window coordinates
  TWindowProcedure Proc;
  TObject* Object = nullptr;
  cairo_surface_t* Surface = nullptr;  // top-level windows: the whole window rect
  std::unique_ptr<TRegion> Update;     // client coordinates; null when nothing is invalid
  const TRegion* PaintClip = nullptr;  // surface coordinates, while BeginPaint..EndPaint
  bool EraseNeeded = false;
  bool FrameNeeded = false;
  std::unique_ptr<TRegion> Shape;  // window region, window coordinates
  std::vector<TPoint> Polygon;     // the polygon Shape was made from, if any
  COLORREF LayerKey = 0;
  Byte LayerAlpha = 255;
  DWORD LayerFlags = 0;
  TScrollBarState Bars[2];
  bool Destroying = false;
  bool Minimized = false, Maximized = false;
  TRect NormalRect;             // where a minimized or maximized window goes back to
  bool LayoutDeferred = false;  // owes a CM_SETTLELAYOUT (see DeferLayout)
  bool IsChildWindow() const { return (Style & WS_CHILD) != 0 && Parent != nullptr; }
};

struct TQueuedMessage {
  TMsg Msg;
};

// Input the display delivered and the window layer has not yet turned into
// messages: each is turned when the input before it has been taken from the queue,
// so it reaches the window that has the focus (or lies under the mouse) by then.
struct TRawInput {
  std::function<void()> Cook;
  DWORD Time = 0;  // when the display delivered it
};

struct TTimerRec {
  HWND Wnd = nullptr;
  std::uintptr_t ID = 0;
  UINT Interval = 0;
  TTimerProc Proc = nullptr;
  UInt64 Due = 0;
  UInt64 Order = 0;  // creation order breaks ties
};

struct TCaretState {
  HWND Wnd = nullptr;
  Integer Width = 0, Height = 0;
  TPoint Pos;
  Integer HideCount = 1;  // a new caret is hidden until ShowCaret
};

struct TClickState {
  HWND Wnd = nullptr;
  TMouseButton Button = mbLeft;
  DWORD Time = 0;
  TPoint Pos;
  bool Valid = false;
};

class TWindowSystem {
public:
  static TWindowSystem& Get();

  TWindowRec* Find(HWND h) const;
  TWindowRec* Create();
  void Erase(TWindowRec* w);

  std::map<std::uintptr_t, std::unique_ptr<TWindowRec>> Windows;
  std::vector<TWindowRec*> TopLevel;  // z-order, topmost first
  std::uintptr_t NextId = 0x10;       // clear of the HWND_ constants (0, 1, -1, -2)

  std::deque<TMsg> Queue;
  std::deque<TRawInput> RawInput;
  bool Cooking = false;  // a raw input is being turned into messages
  DWORD CookTime = 0;    // its delivery time, stamped on the messages it makes
  DWORD LastMessageTime = 0;
  TPoint LastMessagePos;

  std::vector<TTimerRec> Timers;
  UInt64 TimerOrder = 0;
  std::uintptr_t NextThreadTimer = 0x7F00;

  HWND Focus = nullptr, Active = nullptr, Capture = nullptr;
  Byte KeyState[256] = {};
  TPoint CursorPos;
  HCURSOR Cursor = IDC_ARROW;
  std::map<HCURSOR, TCursorImage> CursorImages;
  HCURSOR NextCursor = 1;
  TCaretState Caret;
  bool CaretExists = false;
  UINT DoubleClickTime = 500;
  TClickState LastClick;
  Integer Beeps = 0;
  HWND ScrollTrackWnd = nullptr;
  std::vector<HWND> DeferredLayouts;  // the windows with LayoutDeferred set
};

// Window helpers shared inside the layer.
TPoint WindowOriginOnScreen(const TWindowRec* w);
TPoint ClientOriginOnScreen(const TWindowRec* w);
TWindowRec* TopOf(TWindowRec* w);
// The window's rectangle in its top-level's image.
TRect WindowRectInSurface(const TWindowRec* w);
TRect ClientRectInSurface(const TWindowRec* w);
bool IsVisibleRec(const TWindowRec* w);
// The visible part of the client area (Client true) or the whole window, in
// surface coordinates.
TRegion VisibleRegion(const TWindowRec* w, bool Client);
// Recomputes the client rect after a style or scroll-bar change; sends WM_SIZE
// when the client size changed.
void RecalcNonClient(TWindowRec* w, bool SendSize);
// Invalidates every visible window of a top-level that overlaps Area (surface coordinates).
void InvalidateSurfaceArea(TWindowRec* top, const TRect& Area);
void PresentArea(TWindowRec* top, const TRect& Area);
LRESULT Send(TWindowRec* w, UINT Msg, WPARAM WParam, LPARAM LParam);
void DrawNonClient(TWindowRec* w);
// Scroll-bar parts in window coordinates.
LRESULT ScrollBarHitTest(const TWindowRec* w, TPoint WindowPoint);
void TrackScrollBar(TWindowRec* w, Integer Bar, TPoint ScreenPoint);
UInt64 Now();
// Appends a message to the queue, stamped with the clock and the cursor position
// (while raw input is cooked: its delivery time, and marked as input).
void QueueMessage(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam);
// Keeps display input, in order, to be turned into messages as the queue reaches it.
void QueueRawInput(std::function<void()> Cook);
// The window whose WM_PAINT comes next, within Filter's tree (null: any).
HWND NextWindowToPaint(HWND Filter);

// A hidden control may put off laying out its view. The window then gets
// CM_SETTLELAYOUT once, as soon as it is shown or before its scroll bars or
// client area are read, so what it answers is what the layout would have made.
void DeferLayout(HWND Wnd);
// Sends the owed CM_SETTLELAYOUT to w, if it owes one.
void SettleLayout(TWindowRec* w);
// Settles every window that owes a layout and is visible now.
void SettleShownLayouts();

}  // namespace uiwin
