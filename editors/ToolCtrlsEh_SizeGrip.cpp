// The size grip of a drop-down and the placement of a drop-down against its host.

#include <algorithm>

#include "editors/ToolCtrlsEh.h"
#include "platform/ui/ControlPaint.h"
#include "platform/ui/MessageQueue.h"

namespace {

// The triangle of a grip's corner, in window coordinates.
std::vector<TPoint> CornerTriangle(TSizeGripPosition Position, Integer W, Integer H) {
  switch (Position) {
    case sgpBottomRight: return {{0, H}, {W, H}, {W, 0}};
    case sgpBottomLeft: return {{W, H}, {0, H}, {0, 0}};
    case sgpTopRight: return {{W, H - 1}, {W, 0}, {1, 0}};
    case sgpTopLeft: return {{W - 1, 0}, {0, 0}, {0, H - 1}};
  }
  return {};
}

TRect WorkAreaOf(const TRect& ScreenRect) {
  TMonitorInfo mi;
  if (!GetMonitorInfo(MonitorFromRect(ScreenRect, MONITOR_DEFAULTTONEAREST), mi)) return ScreenRect;
  return mi.rcWork;
}

}  // namespace

// ---- TSizeGripEh ----------------------------------------------------------------------------------------

TSizeGripEh::TSizeGripEh(TComponent* AOwner) : TCustomControl(AOwner) {
  FControlStyle.Include(csCaptureMouse);
  FTabStop = false;
  SetColor(clBtnFace);
  SetBounds(0, 0, GetSystemMetrics(SM_CXVSCROLL), GetSystemMetrics(SM_CYVSCROLL));
  SetCursor(crSizeNWSE);
}

void TSizeGripEh::SetPosition(TSizeGripPosition Value) {
  if (FPosition == Value) return;
  FPosition = Value;
  SetCursor(FPosition == sgpTopLeft || FPosition == sgpBottomRight ? crSizeNWSE : crSizeNESW);
  UpdateShape();
  UpdatePosition();
  Invalidate();
}

void TSizeGripEh::SetTriangle(bool Value) {
  if (FTriangle == Value) return;
  FTriangle = Value;
  UpdateShape();
  Invalidate();
}

void TSizeGripEh::UpdateShape() {
  if (!FHandle) return;
  SetWindowPolygonRegion(FHandle, FTriangle ? CornerTriangle(FPosition, FWidth, FHeight) : std::vector<TPoint>(), true);
}

void TSizeGripEh::CreateWnd() {
  TCustomControl::CreateWnd();
  UpdateShape();
}

void TSizeGripEh::UpdatePosition() {
  if (!FParent || FInternalMove) return;
  FInternalMove = true;
  const TRect client = FParent->GetClientRect();
  const Integer x = AtRight() ? client.Right - FWidth : 0;
  const Integer y = AtBottom() ? client.Bottom - FHeight : 0;
  SetBounds(x, y, FWidth, FHeight);
  FInternalMove = false;
}

void TSizeGripEh::ChangePosition(TSizeGripChangePosition NewPosition) {
  TSizeGripPosition p = FPosition;
  switch (NewPosition) {
    case sgcpToLeft:
      if (p == sgpTopRight) p = sgpTopLeft;
      else if (p == sgpBottomRight) p = sgpBottomLeft;
      break;
    case sgcpToRight:
      if (p == sgpTopLeft) p = sgpTopRight;
      else if (p == sgpBottomLeft) p = sgpBottomRight;
      break;
    case sgcpToTop:
      if (p == sgpBottomRight) p = sgpTopRight;
      else if (p == sgpBottomLeft) p = sgpTopLeft;
      break;
    case sgcpToBottom:
      if (p == sgpTopRight) p = sgpBottomRight;
      else if (p == sgpTopLeft) p = sgpBottomLeft;
      break;
  }
  SetPosition(p);
}

void TSizeGripEh::Paint() {
  TCanvas* c = GetCanvas();
  const Integer w = FWidth, h = FHeight;
  c->GetBrush()->SetColor(clBtnFace);
  c->FillRect(TRect(0, 0, w, h));
  // Diagonals from the corner outward, in groups of four: one highlight, two
  // shadow, one face.
  static constexpr TColor Cycle[4] = {clBtnHighlight, clBtnShadow, clBtnShadow, clBtnFace};
  const bool right = AtRight(), bottom = AtBottom();
  const auto at = [&](Integer dx, Integer dy) { return TPoint(right ? w - 1 - dx : dx, bottom ? h - 1 - dy : dy); };
  for (Integer i = 1; i < w; ++i) {
    c->GetPen()->SetColor(Cycle[(i - 1) % 4]);
    // The line runs from (i, 0) to (0, i) counted from the corner, both ends drawn.
    const TPoint a = at(i, 0), b = at(0, i);
    c->MoveTo(a.X, a.Y);
    c->LineTo(b.X, b.Y);
    c->SetPixel(b.X, b.Y, Cycle[(i - 1) % 4]);
  }
}

void TSizeGripEh::Dispatch(TMessage& Message) {
  TCustomControl::Dispatch(Message);
  if (Message.Msg == WM_SIZE) UpdateShape();
}

void TSizeGripEh::MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  TCustomControl::MouseDown(Button, Shift, X, Y);
  if (Button != mbLeft || !FParent || !FParent->HandleAllocated()) return;
  FDragging = true;
  FInitScreenMousePos = GetMessagePos();
  FOldMouseMovePos = FInitScreenMousePos;
  FParentBoundsAtPress = FParent->GetBoundsRect();
  FParentScreenAtPress = ::GetWindowRect(FParent->GetHandle());
}

void TSizeGripEh::MouseMove(TShiftState Shift, Integer X, Integer Y) {
  TCustomControl::MouseMove(Shift, X, Y);
  if (!FDragging || !Shift.Contains(ssLeft) || !GetMouseCapture()) return;
  const TPoint p = GetMessagePos();
  if (p == FOldMouseMovePos) return;
  FOldMouseMovePos = p;
  DragTo(p);
}

void TSizeGripEh::MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  if (Button == mbLeft) FDragging = false;
  TCustomControl::MouseUp(Button, Shift, X, Y);
}

void TSizeGripEh::DragTo(TPoint ScreenPoint) {
  const TRect start = FParentScreenAtPress;
  const TRect work = WorkAreaOf(start);
  const Integer dx = ScreenPoint.X - FInitScreenMousePos.X;
  const Integer dy = ScreenPoint.Y - FInitScreenMousePos.Y;
  // The edge under the grip follows the pointer, the opposite edge stays, and the
  // parent stays inside the work area.
  Integer w = AtRight() ? std::min(start.Width() + dx, work.Right - start.Left)
                        : std::min(start.Width() - dx, start.Right - work.Left);
  Integer h = AtBottom() ? std::min(start.Height() + dy, work.Bottom - start.Top)
                         : std::min(start.Height() - dy, start.Bottom - work.Top);
  w = std::max(0, w);
  h = std::max(0, h);
  const TRect bounds = FParentBoundsAtPress;
  const TRect oldClient = FParent->GetClientRect();
  const auto place = [&](Integer W, Integer H) {
    FParent->SetBounds(AtRight() ? bounds.Left : bounds.Right - W, AtBottom() ? bounds.Top : bounds.Bottom - H, W, H);
  };
  place(w, h);
  // A parent that keeps its own size rules (whole rows) still keeps the far edge put.
  if ((!AtRight() && FParent->GetWidth() != w) || (!AtBottom() && FParent->GetHeight() != h))
    place(FParent->GetWidth(), FParent->GetHeight());
  const TRect newClient = FParent->GetClientRect();
  if (newClient.Width() != oldClient.Width() || newClient.Height() != oldClient.Height()) {
    if (OnParentResized) OnParentResized(this);
  }
  UpdatePosition();
}

// ---- Placement -------------------------------------------------------------------------------------------

void AlignDropDownWindowRectEh(const TRect& MasterAbsRect, TWinControl* DropDownWin, TDropDownAlign Align,
                               TPoint& Point) {
  const TRect work = WorkAreaOf(MasterAbsRect);
  Integer height = DropDownWin->GetHeight();
  const Integer roomBelow = work.Bottom - MasterAbsRect.Bottom;
  const Integer roomAbove = MasterAbsRect.Top - work.Top;
  bool below = true;
  if (height > roomBelow) below = height <= roomAbove ? false : roomBelow >= roomAbove;
  if (below) {
    if (height > roomBelow) DropDownWin->SetHeight(std::max(0, roomBelow));
    Point.Y = MasterAbsRect.Bottom;
    DropDownWin->Perform(WM_DROPDOWNPLACED, sgcpToBottom, 0);
  } else {
    if (height > roomAbove) DropDownWin->SetHeight(std::max(0, roomAbove));
    height = DropDownWin->GetHeight();
    Point.Y = MasterAbsRect.Top - height;
    DropDownWin->Perform(WM_DROPDOWNPLACED, sgcpToTop, 0);
  }

  if (DropDownWin->GetWidth() > work.Width()) DropDownWin->SetWidth(work.Width());
  const Integer width = DropDownWin->GetWidth();
  switch (Align) {
    case daLeft: Point.X = MasterAbsRect.Left; break;
    case daRight: Point.X = MasterAbsRect.Right - width; break;
    case daCenter: Point.X = MasterAbsRect.Left - (width - MasterAbsRect.Width()) / 2; break;
  }
  WPARAM way = Align == daRight ? sgcpToLeft : sgcpToRight;
  if (Point.X + width > work.Right) {
    Point.X = work.Right - width;
    way = sgcpToLeft;
  } else if (Point.X < work.Left) {
    Point.X = work.Left;
    way = sgcpToRight;
  }
  DropDownWin->Perform(WM_DROPDOWNPLACED, way, 0);
}

void AlignDropDownWindowEh(TControl* MasterWinControl, TWinControl* DropDownWin, TDropDownAlign Align, TPoint& Point) {
  TPoint topLeft(MasterWinControl->GetLeft(), MasterWinControl->GetTop());
  if (TWinControl* parent = MasterWinControl->GetParent()) topLeft = parent->ClientToScreen(topLeft);
  const TRect host = Bounds(topLeft.X, topLeft.Y, MasterWinControl->GetWidth(), MasterWinControl->GetHeight());
  AlignDropDownWindowRectEh(host, DropDownWin, Align, Point);
}
