#pragma once
// The message queue of the (single) user-interface thread: posted messages, input
// messages from the display, and the WM_PAINT and WM_TIMER messages that are made
// when nothing else waits, in that order.

#include "platform/ui/Messages.h"
#include "platform/ui/Geometry.h"

struct TMsg {
  HWND hwnd = nullptr;
  UINT message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  DWORD time = 0;      // the clock (ms) when the message was queued
  TPoint pt;           // the cursor in screen coordinates then
  bool input = false;  // made from display input (mouse, keys, text)
};

constexpr UINT PM_NOREMOVE = 0x0000;
constexpr UINT PM_REMOVE = 0x0001;
constexpr UINT PM_NOYIELD = 0x0002;

// Sends straight to the window's procedure and returns its result; 0 for a
// window that does not exist.
LRESULT SendMessage(HWND Wnd, UINT Msg, WPARAM WParam = 0, LPARAM LParam = 0);
// Queues a message; a null window posts a thread message (WM_QUIT, for instance).
bool PostMessage(HWND Wnd, UINT Msg, WPARAM WParam = 0, LPARAM LParam = 0);
void PostQuitMessage(Integer ExitCode);
// Looks at the queue for a message to Wnd or its descendants (null: any window,
// and thread messages) with a number in [MsgFilterMin, MsgFilterMax] (both 0: any).
// Does not wait. WM_PAINT and WM_TIMER are made here when their time comes.
// Display input becomes messages here, one piece at a time and only once the
// input before it that the filter admits has been taken, so a key typed after a
// click goes to the window the click gave the focus to.
bool PeekMessage(TMsg& Msg, HWND Wnd, UINT MsgFilterMin, UINT MsgFilterMax, UINT RemoveMsg);
// Waits for a message; false when it is WM_QUIT.
bool GetMessage(TMsg& Msg, HWND Wnd, UINT MsgFilterMin, UINT MsgFilterMax);
// Waits (through the display backend) until a message is there.
void WaitMessage();
// Makes WM_CHAR for the keys that produce a control character (Backspace, Tab,
// Enter, Esc, Ctrl+letter). Printable text arrives as WM_CHAR from the display's
// text input, so a key-down for a letter makes nothing here.
bool TranslateMessage(const TMsg& Msg);
// Delivers a message to its window's procedure; WM_TIMER with a callback calls it.
LRESULT DispatchMessage(const TMsg& Msg);
// The time and cursor position of the message last taken from the queue.
DWORD GetMessageTime();
TPoint GetMessagePos();
// Messages waiting (posted or input), for tests and idle detection.
Integer GetQueuedMessageCount();
// Drops every queued message (used when a session ends).
void ClearMessageQueue();
