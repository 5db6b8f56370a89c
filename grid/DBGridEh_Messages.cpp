// The grid's message switch: each message the grid handles itself is one call to
// a named handler; everything else goes to the base grid.

#include "grid/DBGridEh.h"

void TCustomDBGridEh::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_DEFERREDLAYOUT: return WMDeferredLayout(Message);
    case WM_VSCROLL: return WMVScroll(Message);
    case WM_HSCROLL: return WMHScroll(Message);
    case WM_SIZE: return WMSize(Message);
    case WM_PAINT: return WMPaint(Message);
    case WM_ERASEBKGND: return WMEraseBkgnd(Message);
    case WM_NCPAINT: return WMNCPaint(Message);
    default: return TCustomGridEh::Dispatch(Message);
  }
}
