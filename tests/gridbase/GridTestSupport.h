#pragma once
// A concrete grid for the tests: DrawCell records each call and marks the cell
// with a colour chosen by the test, and a form to show it on the headless display.

#include <cairo.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <map>
#include <utility>
#include <vector>

#include "gridbase/GridsEh.h"
#include "platform/backend/Headless.h"
#include "platform/ui/Forms.h"

// The client pixels of a window, Width by Height from its top left, as its
// top-level window renders them (RGB as TColor, row by row).
inline std::vector<TColor> ClientPixels(TWinControl* Control, Integer Width, Integer Height) {
  HWND Top = GetAncestorTop(Control->GetHandle());
  cairo_surface_t* S = RenderWindow(Top);
  cairo_surface_flush(S);
  TPoint Origin(0, 0);
  ClientToScreen(Control->GetHandle(), Origin);
  const TRect TopRect = GetWindowRect(Top);
  const Integer OX = Origin.X - TopRect.Left, OY = Origin.Y - TopRect.Top;
  const unsigned char* Data = cairo_image_surface_get_data(S);
  const int Stride = cairo_image_surface_get_stride(S);
  std::vector<TColor> P;
  for (Integer Y = 0; Y < Height; ++Y) {
    const auto* Row = reinterpret_cast<const std::uint32_t*>(Data + (OY + Y) * Stride);
    for (Integer X = 0; X < Width; ++X) {
      const std::uint32_t Argb = Row[OX + X];
      P.push_back(TColor(((Argb >> 16) & 0xFF) | (Argb & 0xFF00) | ((Argb & 0xFF) << 16)));
    }
  }
  return P;
}

struct TDrawnCell {
  Integer Col, Row;
  TRect Rect;
  TGridDrawState State;
};

class TTestGrid : public TCustomGridEh {
public:
  explicit TTestGrid(TComponent* AOwner) : TCustomGridEh(AOwner) {}
  std::vector<TDrawnCell> Drawn;
  // When set, the cell's pixels take this colour (a painted content stand-in).
  std::function<TColor(Integer Col, Integer Row)> CellColor;
  std::map<std::pair<Integer, Integer>, String> Texts;
  std::vector<std::pair<TGridCoord, String>> SetTexts;
  Integer PolyPolylineCalls = 0;
  bool HotTrackAll = false;
  String EditMask;
  String GetEditMask(Integer, Integer) override { return EditMask; }

  void DrawCell(Integer ACol, Integer ARow, const TRect& ARect, TGridDrawState AState) override {
    Drawn.push_back({ACol, ARow, ARect, AState});
    if (CellColor && CellColor(ACol, ARow) != clNone) {
      GetCanvas()->GetBrush()->SetColor(CellColor(ACol, ARow));
      GetCanvas()->FillRect(TRect(ARect.Left + 2, ARect.Top + 2, ARect.Right - 2, ARect.Bottom - 2));
    }
  }
  void CanvasPolyPolyline(const std::vector<TPoint>& Points, const std::vector<DWORD>& Counts,
                          Integer PointCount) override {
    ++PolyPolylineCalls;
    TCustomGridEh::CanvasPolyPolyline(Points, Counts, PointCount);
  }
  String GetEditText(Integer ACol, Integer ARow) override {
    auto it = Texts.find({ACol, ARow});
    return it == Texts.end() ? String() : it->second;
  }
  void SetEditText(Integer ACol, Integer ARow, const String& Value) override {
    SetTexts.push_back({{ACol, ARow}, Value});
    Texts[{ACol, ARow}] = Value;
  }
  bool CanCellHotTrack(Integer, Integer) override { return HotTrackAll; }
  TGridDrawInfoEh DrawInfo() const {
    TGridDrawInfoEh D;
    CalcDrawInfo(D);
    return D;
  }
  // How many times each cell was passed to DrawCell.
  std::map<std::pair<Integer, Integer>, Integer> DrawCounts() const {
    std::map<std::pair<Integer, Integer>, Integer> Counts;
    for (const TDrawnCell& C : Drawn) ++Counts[{C.Col, C.Row}];
    return Counts;
  }
  using TCustomGridEh::KeyDown;
};

class GridFixture : public ::testing::Test {
protected:
  THeadlessDisplay Display;
  TForm* Form = nullptr;
  TTestGrid* Grid = nullptr;

  // A grid without border and scroll bars unless asked, filling a W x H client.
  void MakeGrid(Integer W, Integer H, bool ScrollBars = false) {
    Form = new TForm(Application);
    Form->SetBorderStyle(bsNone);
    Form->SetBounds(50, 50, W, H);
    Grid = new TTestGrid(Form);
    Grid->SetBorderStyle(bsNone);
    if (!ScrollBars) Grid->SetScrollBars(ssNone);
    Grid->SetParent(Form);
    Grid->SetBounds(0, 0, W, H);
  }
  void Show() {
    Form->Show();
    Display.ProcessMessages();
  }
  // Paints what is pending and gives the client pixels of the grid.
  std::vector<TColor> Pixels() {
    Display.ProcessMessages();
    const TRect R = Grid->GetClientRect();
    return ClientPixels(Grid, R.Right, R.Bottom);
  }
  TColor Pixel(Integer X, Integer Y) {
    Display.ProcessMessages();
    return Display.PixelAt(Grid->GetHandle(), X, Y);
  }
  std::vector<TColor> FullRepaintPixels() {
    Grid->Invalidate();
    return Pixels();
  }
};

inline bool operator==(const TGridCoord& A, std::pair<int, int> B) { return A.X == B.first && A.Y == B.second; }
