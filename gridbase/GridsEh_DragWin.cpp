// The windows that show where a moved or sized line lands: the translucent drag
// box, the red double-arrow move marker (a layered popup whose white pixels are
// keyed out), and the grid's own XOR lines for row moving and sizing.

#include <memory>

#include "gridbase/GridsEh.h"
#include "platform/ui/Forms.h"

namespace {

constexpr TColor MarkerRed = 0x0000FF;
constexpr TColor MarkerKey = 0xFFFFFF;

TGridDragBoxEh* SharedDragBox = nullptr;
TGridMoveLineEh* SharedMoveLine = nullptr;

// A device context for drawing on the grid outside its paint: the grid canvas
// takes it for the duration.
class TGridDrawScope {
public:
  explicit TGridDrawScope(TCustomGridEh* Grid) : FCanvas(Grid->GetCanvas()) {
    if (!FCanvas->HandleAllocated()) {
      FWnd = Grid->GetHandle();
      FDC = GetDC(FWnd);
      FCanvas->SetHandle(FDC);
    }
    FSavedPen.Assign(FCanvas->GetPen());
  }
  ~TGridDrawScope() {
    FCanvas->GetPen()->Assign(&FSavedPen);
    if (FDC) {
      FCanvas->SetHandle(nullptr);
      ReleaseDC(FWnd, FDC);
    }
  }
  TCanvas* Canvas() const { return FCanvas; }

private:
  TCanvas* FCanvas;
  HWND FWnd = nullptr;
  HDC FDC = nullptr;
  TPen FSavedPen;
};

template <class T>
T* SharedWindow(T*& Slot) {
  // The display may have torn the window down (a test's display ends): start afresh.
  if (Slot && Slot->HandleAllocated() && !IsWindow(Slot->GetHandle())) {
    T* Old = Slot;
    Slot = nullptr;
    delete Old;
  }
  if (!Slot) Slot = new T(Application);
  return Slot;
}

}  // namespace

// ---- TGridDragWinEh -------------------------------------------------------------------------------
TGridDragWinEh::TGridDragWinEh(TComponent* AOwner) : TWinControl(AOwner) {
  SetColor(cl3DDkShadow);
  FVisible = false;
}

TGridDragWinEh::~TGridDragWinEh() {
  if (SharedDragBox == this) SharedDragBox = nullptr;
  if (SharedMoveLine == this) SharedMoveLine = nullptr;
}

void TGridDragWinEh::CreateParams(TCreateParams& Params) {
  TWinControl::CreateParams(Params);  // with the right-to-left styles of its mode
  Params.Style = WS_POPUP;
  Params.WindowClass.style |= CS_SAVEBITS;
  Params.ExStyle |= WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE | WS_EX_LAYERED;
  Params.WndParent = nullptr;  // a top-level popup of its own
}

void TGridDragWinEh::CreateWindowHandle(const TCreateParams& Params) {
  TWinControl::CreateWindowHandle(Params);
  ApplyLayeredAttributes();
}

void TGridDragWinEh::ApplyLayeredAttributes() {
  if (GetComponentState().Contains(csDesigning) || !HandleAllocated()) return;
  HWND Wnd = GetHandle();
  const DWORD ExStyle = GetWindowExStyle(Wnd);
  if (FAlphaBlendValue == 255 && FTransparentColorValue == 0) {
    SetWindowLong(Wnd, GWL_EXSTYLE, Integer(ExStyle & ~WS_EX_LAYERED));
    RedrawWindow(Wnd, nullptr, nullptr, RDW_ERASE | RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN);
    return;
  }
  if (!(ExStyle & WS_EX_LAYERED)) SetWindowLong(Wnd, GWL_EXSTYLE, Integer(ExStyle | WS_EX_LAYERED));
  DWORD Flags = 0;
  if (FAlphaBlendValue < 255) Flags |= LWA_ALPHA;
  if (FTransparentColorValue != 0) Flags |= LWA_COLORKEY;
  SetLayeredWindowAttributes(Wnd, COLORREF(ColorToRGB(FTransparentColorValue)), FAlphaBlendValue, Flags);
}

void TGridDragWinEh::SetAlphaBlendValue(Byte Value) {
  if (Value == FAlphaBlendValue) return;
  FAlphaBlendValue = Value;
  ApplyLayeredAttributes();
}

void TGridDragWinEh::SetTransparentColorValue(TColor Value) {
  if (Value == FTransparentColorValue) return;
  FTransparentColorValue = Value;
  ApplyLayeredAttributes();
}

void TGridDragWinEh::PaintWindow(HDC DC) {
  HBRUSH Brush = CreateSolidBrush(COLORREF(ColorToRGB(GetColor())));
  FillRect(DC, TRect(0, 0, GetWidth(), GetHeight()), Brush);
  DeleteObject(Brush);
}

void TGridDragWinEh::MoveToFor(TCustomGridEh* Grid, TPoint Pos) {
  const TPoint P = Grid->ClientToScreen(Pos);
  SetBounds(P.X, P.Y, GetWidth(), GetHeight());
}

void TGridDragWinEh::MoveResizeFor(TCustomGridEh* Grid, TPoint Pos, Integer AWidth, Integer AHeight) {
  const TPoint P = Grid->ClientToScreen(Pos);
  SetBounds(P.X, P.Y, AWidth, AHeight);
}

void TGridDragWinEh::StartShowFor(TCustomGridEh* Grid, TPoint Pos, Integer AWidth, Integer AHeight) {
  MoveResizeFor(Grid, Pos, AWidth, AHeight);
  HWND Wnd = GetHandle();
  FVisible = true;
  SetWindowPos(Wnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  ::InvalidateRect(Wnd, nullptr, true);
}

void TGridDragWinEh::StartShowForHeight(TCustomGridEh* Grid, TPoint Pos, Integer AHeight) {
  StartShowFor(Grid, Pos, GetWidth(), AHeight);
}

bool TGridDragWinEh::GetVisible() { return HandleAllocated() && IsWindow(GetHandle()) && IsWindowVisible(GetHandle()); }

void TGridDragWinEh::Hide() {
  FVisible = false;
  if (HandleAllocated() && IsWindow(GetHandle())) ShowWindow(GetHandle(), SW_HIDE);
}

// ---- TGridMoveLineEh --------------------------------------------------------------------------------
TGridMoveLineEh::TGridMoveLineEh(TComponent* AOwner) : TGridDragWinEh(AOwner) {
  SetColor(clWhite);
  SetBounds(0, 0, 7, 7);
  FAlphaBlendValue = 255;
  FTransparentColorValue = MarkerKey;
}

void TGridMoveLineEh::SetIsVertical(bool Value) {
  if (Value == FIsVertical) return;
  FIsVertical = Value;
  if (HandleAllocated()) ::InvalidateRect(GetHandle(), nullptr, true);
}

void TGridMoveLineEh::PaintWindow(HDC DC) {
  const Integer W = GetWidth(), H = GetHeight();
  HBRUSH White = CreateSolidBrush(COLORREF(MarkerKey));
  FillRect(DC, TRect(0, 0, W, H), White);
  DeleteObject(White);
  HBRUSH Red = CreateSolidBrush(COLORREF(MarkerRed));
  auto Shape = [&](Integer L, Integer T, Integer SW, Integer SH) {
    if (SW > 0 && SH > 0) FillRect(DC, TRect(L, T, L + SW, T + SH), Red);
  };
  if (FIsVertical) {
    // A line with a downward triangle at the top and an upward one at the bottom.
    Shape(0, 0, 7, 1);
    Shape(1, 1, 5, 1);
    Shape(2, 2, 3, 1);
    Shape(3, 3, 1, H - 6);
    Shape(2, H - 3, 3, 1);
    Shape(1, H - 2, 5, 1);
    Shape(0, H - 1, 7, 1);
  } else {
    Shape(0, 0, 1, 7);
    Shape(1, 1, 1, 5);
    Shape(2, 2, 1, 3);
    Shape(3, 3, W - 6, 1);
    Shape(W - 3, 2, 1, 3);
    Shape(W - 2, 1, 1, 5);
    Shape(W - 1, 0, 1, 7);
  }
  DeleteObject(Red);
}

void TGridMoveLineEh::MoveToFor(TCustomGridEh* Grid, TPoint Pos) {
  TGridDragWinEh::MoveToFor(Grid, TPoint(Pos.X - 3, Pos.Y - 4));
}

void TGridMoveLineEh::StartShowMoveLineFor(TCustomGridEh* Grid, TPoint Pos, Integer ASize, bool IsVertical) {
  SetIsVertical(IsVertical);
  const TPoint P(Pos.X - 3, Pos.Y - 4);
  if (IsVertical) StartShowFor(Grid, P, 7, ASize + 8);
  else StartShowFor(Grid, P, ASize + 8, 7);
}

TGridDragBoxEh* GridDragBoxEh() { return SharedWindow(SharedDragBox); }

TGridMoveLineEh* GridMoveLineEh() { return SharedWindow(SharedMoveLine); }

// ---- The grid's move position and sizing line -------------------------------------------------------
void TCustomGridEh::HideMoveLine() {
  if (SharedMoveLine && SharedMoveLine->GetVisible()) SharedMoveLine->Hide();
}

void TCustomGridEh::DrawMove(const TGridDrawInfoEh& DrawInfo) {
  if (FGridState == gsRowMoving) {
    TGridDrawScope Scope(this);
    TCanvas* C = Scope.Canvas();
    // A pen 5 pixels wide draws its style solid; it is laid as five 1-pixel XOR
    // lines so that drawing it again restores every pixel exactly.
    C->GetPen()->SetStyle(psSolid);
    C->GetPen()->SetMode(pmXor);
    C->GetPen()->SetWidth(1);
    C->GetPen()->SetColor(clWhite);
    const TRect R = CellRect(0, FMovePos);
    const Integer Y = FMovePos > FMoveIndex ? R.Bottom : R.Top;
    for (Integer DY = -2; DY <= 2; ++DY) {
      C->MoveTo(0, Y + DY);
      C->LineTo(GetClientWidth(), Y + DY);
    }
    return;
  }
  // The marker stands on the line after the cell (before it when not MoveRight);
  // right-to-left that line is the mirror, left of the cell's client rectangle.
  const TRect R = CellRect(FMovePos, 0);
  const bool Mirror = UseRightToLeftAlignment();
  const Integer X = FMoveRight ? (Mirror ? R.Left - 1 : R.Right) : (Mirror ? R.Right : R.Left - 1);
  TGridMoveLineEh* Marker = GridMoveLineEh();
  const TPoint Pos(X, DrawInfo.Vert.StartIndent);
  if (Marker->GetVisible()) Marker->MoveToFor(this, Pos);
  else Marker->StartShowMoveLineFor(this, Pos, DrawInfo.Vert.FullGridBoundary - DrawInfo.Vert.StartIndent, true);
}

void TCustomGridEh::GetSizingLineBounds(const TGridDrawInfoEh& DrawInfo, Integer& StartPos, Integer& EndPos) {
  if (FGridState == gsRowSizing) {
    StartPos = DrawInfo.Horz.StartIndent;
    EndPos = DrawInfo.Horz.FullGridBoundary;
    if (UseRightToLeftAlignment()) {
      // Drawn in client pixels from the mirror of the start leftwards.
      StartPos = MirroredX(StartPos);
      EndPos = MirroredX(EndPos);
    }
  } else {
    StartPos = DrawInfo.Vert.StartIndent;
    EndPos = DrawInfo.Vert.FullGridBoundary;
  }
}

void TCustomGridEh::DrawSizingLine(const TGridDrawInfoEh& DrawInfo) {
  TGridDrawScope Scope(this);
  TCanvas* C = Scope.Canvas();
  C->GetPen()->SetStyle(psDot);
  C->GetPen()->SetMode(pmXor);
  C->GetPen()->SetWidth(1);
  C->GetPen()->SetColor(clWhite);
  // The gaps between the dots keep the pixels under them.
  const Integer OldBkMode = SetBkMode(C->GetHandle(), TRANSPARENT);
  Integer StartPos = 0, EndPos = 0;
  GetSizingLineBounds(DrawInfo, StartPos, EndPos);
  if (FGridState == gsRowSizing) {
    C->MoveTo(StartPos, FSizingPos);
    C->LineTo(EndPos, FSizingPos);
  } else {
    C->MoveTo(FSizingPos, StartPos);
    C->LineTo(FSizingPos, EndPos);
  }
  SetBkMode(C->GetHandle(), OldBkMode);
}
