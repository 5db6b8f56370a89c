#pragma once
// Window messages: the message record every window procedure receives, the typed
// views controls read it through, and the message numbers. WM_, EM_, LB_, BM_ and
// scroll/hit-test codes keep the platform's numbers, since code compares and
// posts them by value; CM_ (component) and CN_ (reflected notification) numbers
// are this library's own.

#include <cstdint>

#include "platform/core/Types.h"

using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using UINT = Cardinal;
using DWORD = std::uint32_t;

// An opaque window id; 0 means none. It is never dereferenced, so a stale handle
// is detected (IsWindow) instead of touching freed memory.
struct TWindowHandleTag;
using HWND = TWindowHandleTag*;

struct TMessage {
  Cardinal Msg = 0;
  WPARAM WParam = 0;
  LPARAM LParam = 0;
  LRESULT Result = 0;
};

constexpr Word LoWord(std::uintptr_t v) { return Word(v & 0xFFFF); }
constexpr Word HiWord(std::uintptr_t v) { return Word((v >> 16) & 0xFFFF); }
constexpr LPARAM MakeLParam(Integer lo, Integer hi) {
  return LPARAM(std::uint32_t((std::uint32_t(lo) & 0xFFFF) | (std::uint32_t(hi) << 16)));
}
constexpr WPARAM MakeWParam(Integer lo, Integer hi) { return WPARAM(std::uint32_t(MakeLParam(lo, hi))); }
// Mouse coordinates travel as signed 16-bit halves of LParam.
constexpr Integer GetXLParam(LPARAM l) { return Integer(std::int16_t(l & 0xFFFF)); }
constexpr Integer GetYLParam(LPARAM l) { return Integer(std::int16_t((l >> 16) & 0xFFFF)); }
inline HWND HwndFromParam(std::uintptr_t v) { return reinterpret_cast<HWND>(v); }
inline WPARAM HwndToParam(HWND h) { return reinterpret_cast<WPARAM>(h); }

// ---- Typed views over a TMessage ----------------------------------------------
// Each view refers to the record; setters write through, so a handler can change
// a key or a result the caller then sees.
struct TWMBase {
  TMessage& Message;
  explicit TWMBase(TMessage& m) : Message(m) {}
  Cardinal Msg() const { return Message.Msg; }
  LRESULT& Result() { return Message.Result; }
};

struct TWMKey : TWMBase {
  using TWMBase::TWMBase;
  Word CharCode() const { return Word(Message.WParam); }
  void SetCharCode(Word c) { Message.WParam = c; }
  Integer KeyData() const { return Integer(Message.LParam); }
};
using TWMChar = TWMKey;
using TWMKeyDown = TWMKey;
using TWMKeyUp = TWMKey;
using TWMSysKeyDown = TWMKey;

struct TWMMouse : TWMBase {
  using TWMBase::TWMBase;
  Integer Keys() const { return Integer(Message.WParam); }
  Integer XPos() const { return GetXLParam(Message.LParam); }
  Integer YPos() const { return GetYLParam(Message.LParam); }
};

struct TWMMouseWheel : TWMBase {
  using TWMBase::TWMBase;
  Integer Keys() const { return LoWord(Message.WParam); }
  Integer WheelDelta() const { return Integer(std::int16_t(HiWord(Message.WParam))); }
  Integer XPos() const { return GetXLParam(Message.LParam); }
  Integer YPos() const { return GetYLParam(Message.LParam); }
};

// WM_SETFOCUS carries the window losing the focus, WM_KILLFOCUS the one receiving it.
struct TWMSetFocus : TWMBase {
  using TWMBase::TWMBase;
  HWND FocusedWnd() const { return HwndFromParam(Message.WParam); }
};
using TWMKillFocus = TWMSetFocus;

struct TWMScroll : TWMBase {
  using TWMBase::TWMBase;
  Integer ScrollCode() const { return LoWord(Message.WParam); }
  Integer Pos() const { return Integer(std::int16_t(HiWord(Message.WParam))); }
  HWND ScrollBar() const { return HwndFromParam(std::uintptr_t(Message.LParam)); }
};

struct TWMSize : TWMBase {
  using TWMBase::TWMBase;
  Integer SizeType() const { return Integer(Message.WParam); }
  Integer Width() const { return LoWord(std::uintptr_t(Message.LParam)); }
  Integer Height() const { return HiWord(std::uintptr_t(Message.LParam)); }
};

struct TWMTimer : TWMBase {
  using TWMBase::TWMBase;
  std::uintptr_t TimerID() const { return Message.WParam; }
};

struct TWMSetCursor : TWMBase {
  using TWMBase::TWMBase;
  HWND CursorWnd() const { return HwndFromParam(Message.WParam); }
  Integer HitTest() const { return Integer(std::int16_t(LoWord(std::uintptr_t(Message.LParam)))); }
  Integer MouseMsg() const { return HiWord(std::uintptr_t(Message.LParam)); }
};

struct TWMNCHitTest : TWMBase {
  using TWMBase::TWMBase;
  Integer XPos() const { return GetXLParam(Message.LParam); }
  Integer YPos() const { return GetYLParam(Message.LParam); }
};

struct TWMCommand : TWMBase {
  using TWMBase::TWMBase;
  Integer ItemID() const { return LoWord(Message.WParam); }
  Integer NotifyCode() const { return HiWord(Message.WParam); }
  HWND Ctl() const { return HwndFromParam(std::uintptr_t(Message.LParam)); }
};

// ---- Window messages (the platform's numbers) ---------------------------------
constexpr Cardinal WM_NULL = 0x0000;
constexpr Cardinal WM_CREATE = 0x0001;
constexpr Cardinal WM_DESTROY = 0x0002;
constexpr Cardinal WM_MOVE = 0x0003;
constexpr Cardinal WM_SIZE = 0x0005;
constexpr Cardinal WM_ACTIVATE = 0x0006;
constexpr Cardinal WM_SETFOCUS = 0x0007;
constexpr Cardinal WM_KILLFOCUS = 0x0008;
constexpr Cardinal WM_ENABLE = 0x000A;
constexpr Cardinal WM_SETREDRAW = 0x000B;
// WM_SETTEXT and WM_GETTEXT carry the text as a String* in LParam.
constexpr Cardinal WM_SETTEXT = 0x000C;
constexpr Cardinal WM_GETTEXT = 0x000D;
constexpr Cardinal WM_GETTEXTLENGTH = 0x000E;
constexpr Cardinal WM_PAINT = 0x000F;
constexpr Cardinal WM_CLOSE = 0x0010;
constexpr Cardinal WM_QUIT = 0x0012;
constexpr Cardinal WM_ERASEBKGND = 0x0014;
constexpr Cardinal WM_SYSCOLORCHANGE = 0x0015;
constexpr Cardinal WM_SHOWWINDOW = 0x0018;
constexpr Cardinal WM_ACTIVATEAPP = 0x001C;
constexpr Cardinal WM_CANCELMODE = 0x001F;
constexpr Cardinal WM_SETCURSOR = 0x0020;
constexpr Cardinal WM_MOUSEACTIVATE = 0x0021;
constexpr Cardinal WM_GETMINMAXINFO = 0x0024;
constexpr Cardinal WM_SETFONT = 0x0030;
constexpr Cardinal WM_GETFONT = 0x0031;
constexpr Cardinal WM_WINDOWPOSCHANGING = 0x0046;
constexpr Cardinal WM_WINDOWPOSCHANGED = 0x0047;
constexpr Cardinal WM_NOTIFY = 0x004E;
constexpr Cardinal WM_CONTEXTMENU = 0x007B;
constexpr Cardinal WM_STYLECHANGING = 0x007C;
constexpr Cardinal WM_STYLECHANGED = 0x007D;
constexpr Cardinal WM_NCCREATE = 0x0081;
constexpr Cardinal WM_NCDESTROY = 0x0082;
constexpr Cardinal WM_NCCALCSIZE = 0x0083;
constexpr Cardinal WM_NCHITTEST = 0x0084;
constexpr Cardinal WM_NCPAINT = 0x0085;
constexpr Cardinal WM_NCACTIVATE = 0x0086;
constexpr Cardinal WM_GETDLGCODE = 0x0087;
constexpr Cardinal WM_NCMOUSEMOVE = 0x00A0;
constexpr Cardinal WM_NCLBUTTONDOWN = 0x00A1;
constexpr Cardinal WM_NCLBUTTONUP = 0x00A2;
constexpr Cardinal WM_NCLBUTTONDBLCLK = 0x00A3;
constexpr Cardinal WM_NCRBUTTONDOWN = 0x00A4;
constexpr Cardinal WM_NCRBUTTONUP = 0x00A5;
constexpr Cardinal WM_KEYFIRST = 0x0100;
constexpr Cardinal WM_KEYDOWN = 0x0100;
constexpr Cardinal WM_KEYUP = 0x0101;
constexpr Cardinal WM_CHAR = 0x0102;
constexpr Cardinal WM_DEADCHAR = 0x0103;
constexpr Cardinal WM_SYSKEYDOWN = 0x0104;
constexpr Cardinal WM_SYSKEYUP = 0x0105;
constexpr Cardinal WM_SYSCHAR = 0x0106;
constexpr Cardinal WM_KEYLAST = 0x0108;
constexpr Cardinal WM_IME_STARTCOMPOSITION = 0x010D;
constexpr Cardinal WM_IME_ENDCOMPOSITION = 0x010E;
constexpr Cardinal WM_INITDIALOG = 0x0110;
constexpr Cardinal WM_COMMAND = 0x0111;
constexpr Cardinal WM_SYSCOMMAND = 0x0112;
// WM_SYSCOMMAND's command (the low four bits are the system's own).
constexpr Cardinal SC_CLOSE = 0xF060;
constexpr Cardinal WM_TIMER = 0x0113;
constexpr Cardinal WM_HSCROLL = 0x0114;
constexpr Cardinal WM_VSCROLL = 0x0115;
constexpr Cardinal WM_ENTERIDLE = 0x0121;
constexpr Cardinal WM_CTLCOLOREDIT = 0x0133;
constexpr Cardinal WM_CTLCOLORLISTBOX = 0x0134;
constexpr Cardinal WM_CTLCOLORBTN = 0x0135;
constexpr Cardinal WM_CTLCOLORSTATIC = 0x0138;
constexpr Cardinal WM_MOUSEFIRST = 0x0200;
constexpr Cardinal WM_MOUSEMOVE = 0x0200;
constexpr Cardinal WM_LBUTTONDOWN = 0x0201;
constexpr Cardinal WM_LBUTTONUP = 0x0202;
constexpr Cardinal WM_LBUTTONDBLCLK = 0x0203;
constexpr Cardinal WM_RBUTTONDOWN = 0x0204;
constexpr Cardinal WM_RBUTTONUP = 0x0205;
constexpr Cardinal WM_RBUTTONDBLCLK = 0x0206;
constexpr Cardinal WM_MBUTTONDOWN = 0x0207;
constexpr Cardinal WM_MBUTTONUP = 0x0208;
constexpr Cardinal WM_MBUTTONDBLCLK = 0x0209;
constexpr Cardinal WM_MOUSEWHEEL = 0x020A;
constexpr Cardinal WM_MOUSEHWHEEL = 0x020E;
constexpr Cardinal WM_MOUSELAST = 0x020E;
constexpr Cardinal WM_CAPTURECHANGED = 0x0215;
constexpr Cardinal WM_MOUSEHOVER = 0x02A1;
constexpr Cardinal WM_MOUSELEAVE = 0x02A3;
constexpr Cardinal WM_CUT = 0x0300;
constexpr Cardinal WM_COPY = 0x0301;
constexpr Cardinal WM_PASTE = 0x0302;
constexpr Cardinal WM_CLEAR = 0x0303;
constexpr Cardinal WM_UNDO = 0x0304;
constexpr Cardinal WM_USER = 0x0400;
constexpr Cardinal WM_APP = 0x8000;

// ---- Private messages of the component library --------------------------------
// 1124: a drop-down is told which way it was placed (WParam 0 left, 1 right,
// 2 up, 3 down).
constexpr Cardinal WM_DROPDOWNPLACED = WM_USER + 100;
// 1125: a popup is asked to close without accepting.
constexpr Cardinal WM_CLOSEUPNOACCEPT = WM_USER + 101;
// The editor-layout message a grid drops when its bounds change.
constexpr Cardinal WM_EDITORLAYOUT = WM_USER + 102;
// These two shared 1124 and 1125 with the meanings above; a window can receive both
// meanings (a drop-down grid lays itself out too), so they have numbers of their own.
constexpr Cardinal WM_DEFERREDLAYOUT = WM_USER + 110;
constexpr Cardinal WM_EDITIMAGECHANGED = WM_USER + 111;

// ---- Component messages (this library's numbers) -------------------------------
constexpr Cardinal CM_BASE = 0xB000;
constexpr Cardinal CM_ACTIVATE = CM_BASE + 0;
constexpr Cardinal CM_DEACTIVATE = CM_BASE + 1;
constexpr Cardinal CM_GOTFOCUS = CM_BASE + 2;
constexpr Cardinal CM_LOSTFOCUS = CM_BASE + 3;
constexpr Cardinal CM_CANCELMODE = CM_BASE + 4;  // LParam: the sender control
constexpr Cardinal CM_DIALOGKEY = CM_BASE + 5;
constexpr Cardinal CM_DIALOGCHAR = CM_BASE + 6;
constexpr Cardinal CM_FOCUSCHANGED = CM_BASE + 7;
constexpr Cardinal CM_PARENTFONTCHANGED = CM_BASE + 8;
constexpr Cardinal CM_PARENTCOLORCHANGED = CM_BASE + 9;
constexpr Cardinal CM_HITTEST = CM_BASE + 10;
constexpr Cardinal CM_VISIBLECHANGED = CM_BASE + 11;
constexpr Cardinal CM_ENABLEDCHANGED = CM_BASE + 12;
constexpr Cardinal CM_COLORCHANGED = CM_BASE + 13;
constexpr Cardinal CM_FONTCHANGED = CM_BASE + 14;
constexpr Cardinal CM_CURSORCHANGED = CM_BASE + 15;
constexpr Cardinal CM_CTL3DCHANGED = CM_BASE + 16;
constexpr Cardinal CM_PARENTCTL3DCHANGED = CM_BASE + 17;
constexpr Cardinal CM_TEXTCHANGED = CM_BASE + 18;
constexpr Cardinal CM_MOUSEENTER = CM_BASE + 19;
constexpr Cardinal CM_MOUSELEAVE = CM_BASE + 20;
constexpr Cardinal CM_MENUCHANGED = CM_BASE + 21;
constexpr Cardinal CM_APPKEYDOWN = CM_BASE + 22;
constexpr Cardinal CM_APPSYSCOMMAND = CM_BASE + 23;
constexpr Cardinal CM_BUTTONPRESSED = CM_BASE + 24;
constexpr Cardinal CM_SHOWINGCHANGED = CM_BASE + 25;
constexpr Cardinal CM_ENTER = CM_BASE + 26;
constexpr Cardinal CM_EXIT = CM_BASE + 27;
constexpr Cardinal CM_DESIGNHITTEST = CM_BASE + 28;
constexpr Cardinal CM_ICONCHANGED = CM_BASE + 29;
constexpr Cardinal CM_WANTSPECIALKEY = CM_BASE + 30;
constexpr Cardinal CM_INVOKEHELP = CM_BASE + 31;
constexpr Cardinal CM_WINDOWHOOK = CM_BASE + 32;
constexpr Cardinal CM_RELEASE = CM_BASE + 33;
constexpr Cardinal CM_SHOWHINTCHANGED = CM_BASE + 34;
constexpr Cardinal CM_PARENTSHOWHINTCHANGED = CM_BASE + 35;
constexpr Cardinal CM_SYSCOLORCHANGE = CM_BASE + 36;
constexpr Cardinal CM_WININICHANGE = CM_BASE + 37;
constexpr Cardinal CM_FONTCHANGE = CM_BASE + 38;
constexpr Cardinal CM_TIMECHANGE = CM_BASE + 39;
constexpr Cardinal CM_TABSTOPCHANGED = CM_BASE + 40;
constexpr Cardinal CM_UIACTIVATE = CM_BASE + 41;
constexpr Cardinal CM_UIDEACTIVATE = CM_BASE + 42;
constexpr Cardinal CM_DOCWINDOWACTIVATE = CM_BASE + 43;
constexpr Cardinal CM_CONTROLLISTCHANGE = CM_BASE + 44;
constexpr Cardinal CM_GETDATALINK = CM_BASE + 45;
constexpr Cardinal CM_CHILDKEY = CM_BASE + 46;
constexpr Cardinal CM_DRAG = CM_BASE + 47;
constexpr Cardinal CM_HINTSHOW = CM_BASE + 48;  // LParam: a THintInfo*
constexpr Cardinal CM_DIALOGHANDLE = CM_BASE + 49;
constexpr Cardinal CM_ISTOOLCONTROL = CM_BASE + 50;
constexpr Cardinal CM_RECREATEWND = CM_BASE + 51;
constexpr Cardinal CM_INVALIDATE = CM_BASE + 52;
constexpr Cardinal CM_SYSFONTCHANGED = CM_BASE + 53;
constexpr Cardinal CM_CONTROLCHANGE = CM_BASE + 54;
constexpr Cardinal CM_CHANGED = CM_BASE + 55;
constexpr Cardinal CM_DOCKCLIENT = CM_BASE + 56;
constexpr Cardinal CM_UNDOCKCLIENT = CM_BASE + 57;
constexpr Cardinal CM_FLOAT = CM_BASE + 58;
constexpr Cardinal CM_BORDERCHANGED = CM_BASE + 59;
constexpr Cardinal CM_BIDIMODECHANGED = CM_BASE + 60;
constexpr Cardinal CM_PARENTBIDIMODECHANGED = CM_BASE + 61;
constexpr Cardinal CM_ALLCHILDRENFLIPPED = CM_BASE + 62;
constexpr Cardinal CM_ACTIONUPDATE = CM_BASE + 63;
constexpr Cardinal CM_ACTIONEXECUTE = CM_BASE + 64;
constexpr Cardinal CM_HINTSHOWPAUSE = CM_BASE + 65;  // WParam: was shown, LParam: Integer* pause
constexpr Cardinal CM_DOCKNOTIFICATION = CM_BASE + 66;
constexpr Cardinal CM_MOUSEWHEEL = CM_BASE + 67;  // WParam/LParam as WM_MOUSEWHEEL
constexpr Cardinal CM_ISSHORTCUT = CM_BASE + 68;
constexpr Cardinal CM_INVALIDATEDOCKHOST = CM_BASE + 69;
constexpr Cardinal CM_SETACTIVECONTROL = CM_BASE + 70;
constexpr Cardinal CM_POPUPHWNDDESTROY = CM_BASE + 71;
constexpr Cardinal CM_CREATEPOPUP = CM_BASE + 72;
constexpr Cardinal CM_DESTROYHANDLE = CM_BASE + 73;
constexpr Cardinal CM_MOUSEACTIVATE = CM_BASE + 74;
constexpr Cardinal CM_CONTROLLISTCHANGING = CM_BASE + 75;
constexpr Cardinal CM_BUFFEREDPRINTCLIENT = CM_BASE + 76;
constexpr Cardinal CM_UNTHEMECONTROL = CM_BASE + 77;
// A control that put off laying out its view while it was not on screen does it
// now: it is being shown, or something asks what the layout decides.
constexpr Cardinal CM_SETTLELAYOUT = CM_BASE + 78;

// Notifications reflected back to the control that sent them: message + CN_BASE.
constexpr Cardinal CN_BASE = 0xBC00;
constexpr Cardinal CN_CHARTOITEM = CN_BASE + 0x002F;
constexpr Cardinal CN_COMMAND = CN_BASE + WM_COMMAND;
constexpr Cardinal CN_CTLCOLOREDIT = CN_BASE + WM_CTLCOLOREDIT;
constexpr Cardinal CN_CTLCOLORLISTBOX = CN_BASE + WM_CTLCOLORLISTBOX;
constexpr Cardinal CN_CTLCOLORSTATIC = CN_BASE + WM_CTLCOLORSTATIC;
constexpr Cardinal CN_HSCROLL = CN_BASE + WM_HSCROLL;
constexpr Cardinal CN_VSCROLL = CN_BASE + WM_VSCROLL;
constexpr Cardinal CN_KEYDOWN = CN_BASE + WM_KEYDOWN;
constexpr Cardinal CN_KEYUP = CN_BASE + WM_KEYUP;
constexpr Cardinal CN_CHAR = CN_BASE + WM_CHAR;
constexpr Cardinal CN_SYSKEYDOWN = CN_BASE + WM_SYSKEYDOWN;
constexpr Cardinal CN_SYSCHAR = CN_BASE + WM_SYSCHAR;
constexpr Cardinal CN_NOTIFY = CN_BASE + WM_NOTIFY;

// ---- Edit control --------------------------------------------------------------
constexpr Cardinal EM_GETSEL = 0x00B0;
constexpr Cardinal EM_SETSEL = 0x00B1;
constexpr Cardinal EM_GETRECT = 0x00B2;
constexpr Cardinal EM_SETRECT = 0x00B3;
constexpr Cardinal EM_SETRECTNP = 0x00B4;
constexpr Cardinal EM_SCROLL = 0x00B5;
constexpr Cardinal EM_LINESCROLL = 0x00B6;
constexpr Cardinal EM_SCROLLCARET = 0x00B7;
constexpr Cardinal EM_GETMODIFY = 0x00B8;
constexpr Cardinal EM_SETMODIFY = 0x00B9;
constexpr Cardinal EM_GETLINECOUNT = 0x00BA;
constexpr Cardinal EM_LINEINDEX = 0x00BB;
constexpr Cardinal EM_LINELENGTH = 0x00C1;
constexpr Cardinal EM_REPLACESEL = 0x00C2;
constexpr Cardinal EM_GETLINE = 0x00C4;
constexpr Cardinal EM_LIMITTEXT = 0x00C5;
constexpr Cardinal EM_CANUNDO = 0x00C6;
constexpr Cardinal EM_UNDO = 0x00C7;
constexpr Cardinal EM_LINEFROMCHAR = 0x00C9;
constexpr Cardinal EM_SETPASSWORDCHAR = 0x00CC;
constexpr Cardinal EM_EMPTYUNDOBUFFER = 0x00CD;
constexpr Cardinal EM_SETREADONLY = 0x00CF;
constexpr Cardinal EM_SETMARGINS = 0x00D3;
constexpr Cardinal EM_GETMARGINS = 0x00D4;
constexpr Cardinal EM_POSFROMCHAR = 0x00D6;
constexpr Cardinal EM_CHARFROMPOS = 0x00D7;
constexpr Word EN_SETFOCUS = 0x0100;
constexpr Word EN_KILLFOCUS = 0x0200;
constexpr Word EN_CHANGE = 0x0300;
constexpr Word EN_UPDATE = 0x0400;
constexpr Word EN_MAXTEXT = 0x0501;
constexpr Word EN_HSCROLL = 0x0601;
constexpr Word EN_VSCROLL = 0x0602;

// ---- List box ------------------------------------------------------------------
constexpr Cardinal LB_ADDSTRING = 0x0180;
constexpr Cardinal LB_INSERTSTRING = 0x0181;
constexpr Cardinal LB_DELETESTRING = 0x0182;
constexpr Cardinal LB_RESETCONTENT = 0x0184;
constexpr Cardinal LB_SETSEL = 0x0185;
constexpr Cardinal LB_SETCURSEL = 0x0186;
constexpr Cardinal LB_GETSEL = 0x0187;
constexpr Cardinal LB_GETCURSEL = 0x0188;
constexpr Cardinal LB_GETTEXT = 0x0189;
constexpr Cardinal LB_GETTEXTLEN = 0x018A;
constexpr Cardinal LB_GETCOUNT = 0x018B;
constexpr Cardinal LB_SELECTSTRING = 0x018C;
constexpr Cardinal LB_GETTOPINDEX = 0x018E;
constexpr Cardinal LB_FINDSTRING = 0x018F;
constexpr Cardinal LB_GETSELCOUNT = 0x0190;
constexpr Cardinal LB_SETTOPINDEX = 0x0197;
constexpr Cardinal LB_GETITEMRECT = 0x0198;
constexpr Cardinal LB_GETITEMDATA = 0x0199;
constexpr Cardinal LB_SETITEMDATA = 0x019A;
constexpr Cardinal LB_SETCARETINDEX = 0x019E;
constexpr Cardinal LB_GETCARETINDEX = 0x019F;
constexpr Cardinal LB_SETITEMHEIGHT = 0x01A0;
constexpr Cardinal LB_GETITEMHEIGHT = 0x01A1;
constexpr Cardinal LB_FINDSTRINGEXACT = 0x01A2;
constexpr Cardinal LB_ITEMFROMPOINT = 0x01A9;
constexpr Cardinal LB_SETCOUNT = 0x01A7;
constexpr LRESULT LB_ERR = -1;
constexpr Word LBN_SELCHANGE = 1;
constexpr Word LBN_DBLCLK = 2;

// ---- Button --------------------------------------------------------------------
constexpr Cardinal BM_GETCHECK = 0x00F0;
constexpr Cardinal BM_SETCHECK = 0x00F1;
constexpr Cardinal BM_GETSTATE = 0x00F2;
constexpr Cardinal BM_SETSTATE = 0x00F3;
constexpr Cardinal BM_SETSTYLE = 0x00F4;
constexpr Cardinal BM_CLICK = 0x00F5;
constexpr WPARAM BST_UNCHECKED = 0;
constexpr WPARAM BST_CHECKED = 1;
constexpr WPARAM BST_INDETERMINATE = 2;
constexpr Word BN_CLICKED = 0;

// ---- Codes carried by messages ---------------------------------------------------
// WM_GETDLGCODE answers.
constexpr LRESULT DLGC_WANTARROWS = 0x0001;
constexpr LRESULT DLGC_WANTTAB = 0x0002;
constexpr LRESULT DLGC_WANTALLKEYS = 0x0004;
constexpr LRESULT DLGC_WANTMESSAGE = 0x0004;
constexpr LRESULT DLGC_HASSETSEL = 0x0008;
constexpr LRESULT DLGC_DEFPUSHBUTTON = 0x0010;
constexpr LRESULT DLGC_UNDEFPUSHBUTTON = 0x0020;
constexpr LRESULT DLGC_RADIOBUTTON = 0x0040;
constexpr LRESULT DLGC_WANTCHARS = 0x0080;
constexpr LRESULT DLGC_STATIC = 0x0100;
constexpr LRESULT DLGC_BUTTON = 0x2000;

// WM_MOUSEACTIVATE answers.
constexpr LRESULT MA_ACTIVATE = 1;
constexpr LRESULT MA_ACTIVATEANDEAT = 2;
constexpr LRESULT MA_NOACTIVATE = 3;
constexpr LRESULT MA_NOACTIVATEANDEAT = 4;

// WM_ACTIVATE states.
constexpr WPARAM WA_INACTIVE = 0;
constexpr WPARAM WA_ACTIVE = 1;
constexpr WPARAM WA_CLICKACTIVE = 2;

// WM_SIZE kinds.
constexpr WPARAM SIZE_RESTORED = 0;
constexpr WPARAM SIZE_MINIMIZED = 1;
constexpr WPARAM SIZE_MAXIMIZED = 2;

// Mouse-key flags in WParam of mouse messages.
constexpr WPARAM MK_LBUTTON = 0x0001;
constexpr WPARAM MK_RBUTTON = 0x0002;
constexpr WPARAM MK_SHIFT = 0x0004;
constexpr WPARAM MK_CONTROL = 0x0008;
constexpr WPARAM MK_MBUTTON = 0x0010;
constexpr Integer WHEEL_DELTA = 120;

// WM_NCHITTEST answers.
constexpr LRESULT HTERROR = -2;
constexpr LRESULT HTTRANSPARENT = -1;
constexpr LRESULT HTNOWHERE = 0;
constexpr LRESULT HTCLIENT = 1;
constexpr LRESULT HTCAPTION = 2;
constexpr LRESULT HTSYSMENU = 3;
constexpr LRESULT HTGROWBOX = 4;
constexpr LRESULT HTSIZE = HTGROWBOX;
constexpr LRESULT HTMENU = 5;
constexpr LRESULT HTHSCROLL = 6;
constexpr LRESULT HTVSCROLL = 7;
constexpr LRESULT HTMINBUTTON = 8;
constexpr LRESULT HTMAXBUTTON = 9;
constexpr LRESULT HTLEFT = 10;
constexpr LRESULT HTRIGHT = 11;
constexpr LRESULT HTTOP = 12;
constexpr LRESULT HTTOPLEFT = 13;
constexpr LRESULT HTTOPRIGHT = 14;
constexpr LRESULT HTBOTTOM = 15;
constexpr LRESULT HTBOTTOMLEFT = 16;
constexpr LRESULT HTBOTTOMRIGHT = 17;
constexpr LRESULT HTBORDER = 18;
constexpr LRESULT HTCLOSE = 20;

// WM_HSCROLL / WM_VSCROLL codes.
constexpr Integer SB_LINEUP = 0;
constexpr Integer SB_LINELEFT = 0;
constexpr Integer SB_LINEDOWN = 1;
constexpr Integer SB_LINERIGHT = 1;
constexpr Integer SB_PAGEUP = 2;
constexpr Integer SB_PAGELEFT = 2;
constexpr Integer SB_PAGEDOWN = 3;
constexpr Integer SB_PAGERIGHT = 3;
constexpr Integer SB_THUMBPOSITION = 4;
constexpr Integer SB_THUMBTRACK = 5;
constexpr Integer SB_TOP = 6;
constexpr Integer SB_LEFT = 6;
constexpr Integer SB_BOTTOM = 7;
constexpr Integer SB_RIGHT = 7;
constexpr Integer SB_ENDSCROLL = 8;

// ---- Virtual keys ------------------------------------------------------------------
constexpr Word VK_LBUTTON = 0x01;
constexpr Word VK_RBUTTON = 0x02;
constexpr Word VK_CANCEL = 0x03;
constexpr Word VK_MBUTTON = 0x04;
constexpr Word VK_BACK = 0x08;
constexpr Word VK_TAB = 0x09;
constexpr Word VK_CLEAR = 0x0C;
constexpr Word VK_RETURN = 0x0D;
constexpr Word VK_SHIFT = 0x10;
constexpr Word VK_CONTROL = 0x11;
constexpr Word VK_MENU = 0x12;
constexpr Word VK_PAUSE = 0x13;
constexpr Word VK_CAPITAL = 0x14;
constexpr Word VK_ESCAPE = 0x1B;
constexpr Word VK_SPACE = 0x20;
constexpr Word VK_PRIOR = 0x21;
constexpr Word VK_NEXT = 0x22;
constexpr Word VK_END = 0x23;
constexpr Word VK_HOME = 0x24;
constexpr Word VK_LEFT = 0x25;
constexpr Word VK_UP = 0x26;
constexpr Word VK_RIGHT = 0x27;
constexpr Word VK_DOWN = 0x28;
constexpr Word VK_SELECT = 0x29;
constexpr Word VK_PRINT = 0x2A;
constexpr Word VK_INSERT = 0x2D;
constexpr Word VK_DELETE = 0x2E;
constexpr Word VK_HELP = 0x2F;
constexpr Word VK_LWIN = 0x5B;
constexpr Word VK_RWIN = 0x5C;
constexpr Word VK_APPS = 0x5D;
constexpr Word VK_NUMPAD0 = 0x60;
constexpr Word VK_MULTIPLY = 0x6A;
constexpr Word VK_ADD = 0x6B;
constexpr Word VK_SEPARATOR = 0x6C;
constexpr Word VK_SUBTRACT = 0x6D;
constexpr Word VK_DECIMAL = 0x6E;
constexpr Word VK_DIVIDE = 0x6F;
constexpr Word VK_F1 = 0x70;
constexpr Word VK_F2 = 0x71;
constexpr Word VK_F3 = 0x72;
constexpr Word VK_F4 = 0x73;
constexpr Word VK_F5 = 0x74;
constexpr Word VK_F6 = 0x75;
constexpr Word VK_F7 = 0x76;
constexpr Word VK_F8 = 0x77;
constexpr Word VK_F9 = 0x78;
constexpr Word VK_F10 = 0x79;
constexpr Word VK_F11 = 0x7A;
constexpr Word VK_F12 = 0x7B;
constexpr Word VK_NUMLOCK = 0x90;
constexpr Word VK_SCROLL = 0x91;
constexpr Word VK_LSHIFT = 0xA0;
constexpr Word VK_RSHIFT = 0xA1;
constexpr Word VK_LCONTROL = 0xA2;
constexpr Word VK_RCONTROL = 0xA3;
constexpr Word VK_LMENU = 0xA4;
constexpr Word VK_RMENU = 0xA5;
constexpr Word VK_OEM_1 = 0xBA;
constexpr Word VK_OEM_PLUS = 0xBB;
constexpr Word VK_OEM_COMMA = 0xBC;
constexpr Word VK_OEM_MINUS = 0xBD;
constexpr Word VK_OEM_PERIOD = 0xBE;
constexpr Word VK_OEM_2 = 0xBF;
constexpr Word VK_OEM_3 = 0xC0;
constexpr Word VK_OEM_4 = 0xDB;
constexpr Word VK_OEM_5 = 0xDC;
constexpr Word VK_OEM_6 = 0xDD;
constexpr Word VK_OEM_7 = 0xDE;

// Bit 29 of a key message's LParam: Alt was down.
constexpr LPARAM KF_ALTDOWN_LPARAM = LPARAM(1) << 29;
