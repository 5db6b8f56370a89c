// The base grid's full repaint of a 1280x800 window over a grid of 1,000 rows and
// 50 columns with fixed and frozen lines and a text in every cell, beside the
// floor: the same cells filled, stroked in one PolyPolyline and written with
// text shaped once, on a bare bitmap. The two are timed in turns, one repaint
// each, in CPU time; after each run both images are checked: every cell outside
// the fixed lines holds the same pixels in both, and the floor's hold its text.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "bench/MemTableBench.h"
#include "bench/PaintCheck.h"
#include "gridbase/GridsEh.h"
#include "platform/backend/Headless.h"
#include "platform/ui/Forms.h"

namespace {

constexpr Integer kWidth = 1280, kHeight = 800, kColW = 60, kRowH = 18;
constexpr Integer kCols = 50, kRows = 1000;

String CellText(Integer Col, Integer Row) { return u"Кн" + AsciiToString(std::to_string(Row * kCols + Col)); }

class TBenchGrid : public TCustomGridEh {
public:
  explicit TBenchGrid(TComponent* AOwner) : TCustomGridEh(AOwner) {}
  void DrawCell(Integer ACol, Integer ARow, const TRect& ARect, TGridDrawState) override {
    HDC DC = GetCanvas()->GetHandle();
    SetBkMode(DC, TRANSPARENT);
    ExtTextOut(DC, ARect.Left + 2, ARect.Top + 2, ETO_CLIPPED, &ARect, CellText(ACol, ARow), -1);
  }
};

// One cell as the floor paints it.
struct TFloorCell {
  TRect Rect;
  String Text;
  bool Fixed = false;
};

// The grid on a window of its own, scrolled into the middle, and the floor:
// the cells the grid shows, where it shows them, with their texts.
class TRepaintPair {
public:
  TRepaintPair() {
    FForm = new TForm(Application);
    FForm->SetBorderStyle(bsNone);
    FForm->SetBounds(0, 0, kWidth, kHeight);
    FGrid = new TBenchGrid(FForm);
    FGrid->SetBorderStyle(bsNone);
    FGrid->SetScrollBars(ssNone);
    FGrid->SetParent(FForm);
    FGrid->SetBounds(0, 0, kWidth, kHeight);
    FGrid->SetColCount(kCols);
    FGrid->SetRowCount(kRows);
    FGrid->SetFixedCols(2);
    FGrid->SetFrozenColCount(1);
    FGrid->SetFixedRows(2);
    FGrid->SetFrozenRowCount(1);
    FGrid->SetDefaultColWidth(kColW);
    FGrid->SetDefaultRowHeight(kRowH);
    FForm->Show();
    FGrid->MoveTopLeft(10, 500);
    FDisplay.ProcessMessages();

    const TRect Client(0, 0, FGrid->GetClientWidth(), FGrid->GetClientHeight());
    for (Integer Row = 0; Row < kRows; ++Row)
      for (Integer Col = 0; Col < kCols; ++Col) {
        TRect R = FGrid->CellRect(Col, Row);
        if (R.IsEmpty() || !IntersectRect(R, R, Client)) continue;
        FCells.push_back({R, CellText(Col, Row), Col < FGrid->GetFixedCols() || Row < FGrid->GetFixedRows()});
        FLines.insert(FLines.end(), {TPoint(R.Right, R.Top), TPoint(R.Right, R.Bottom + 1), TPoint(R.Left, R.Bottom),
                                     TPoint(R.Right + 1, R.Bottom)});
        FCounts.insert(FCounts.end(), {2, 2});
      }
    FFloor.SetSize(Client.Width(), Client.Height());
    // The grid's font, so that the texts come out alike.
    FFloor.GetCanvas()->GetFont()->Assign(FGrid->GetFont());
  }
  ~TRepaintPair() { delete FForm; }
  TRepaintPair(const TRepaintPair&) = delete;
  TRepaintPair& operator=(const TRepaintPair&) = delete;

  void RepaintGrid() {
    FGrid->Invalidate();
    UpdateWindow(FGrid->GetHandle());
  }

  void PaintFloor() {
    TCanvas* C = FFloor.GetCanvas();
    C->GetBrush()->SetColor(clWindow);
    for (const TFloorCell& Cell : FCells) C->FillRect(Cell.Rect);
    C->GetPen()->SetColor(clSilver);
    HDC DC = C->GetHandle();
    PolyPolyline(DC, FLines.data(), FCounts.data(), DWORD(FCounts.size()));
    SetBkMode(DC, TRANSPARENT);
    for (const TFloorCell& Cell : FCells)
      ExtTextOut(DC, Cell.Rect.Left + 2, Cell.Rect.Top + 2, ETO_CLIPPED, &Cell.Rect, Cell.Text, -1);
  }

  // Empty when the last repaints drew what they should: the grid's cells
  // outside the fixed lines (but the current one, drawn selected) hold the
  // floor's pixels, and each of the floor's cells shown whole holds its text.
  std::string WhatDiffers() const {
    const TPaintedImage Grid = WindowImage(FGrid->GetHandle(), FGrid->GetClientWidth(), FGrid->GetClientHeight());
    TBitmap& Floor = const_cast<TBitmap&>(FFloor);
    const TPaintedImage FloorImage = BitmapImage(Floor);
    const TRect Current = FGrid->CellRect(FGrid->GetCol(), FGrid->GetRow());
    size_t Compared = 0;
    for (const TFloorCell& Cell : FCells) {
      const bool Whole = Cell.Rect.Width() == kColW && Cell.Rect.Height() == kRowH;
      if (Whole && !FloorImage.InkInside(Cell.Rect)) return "the floor left a cell blank";
      if (Cell.Fixed || Cell.Rect == Current) continue;
      if (!Grid.SameInside(FloorImage, Cell.Rect)) return "the grid's repaint and the floor differ in a cell";
      ++Compared;
    }
    if (Compared < 500) return "the repaint shows too few cells";
    return std::string();
  }

private:
  THeadlessDisplay FDisplay;
  TForm* FForm = nullptr;
  TBenchGrid* FGrid = nullptr;
  TBitmap FFloor;
  std::vector<TFloorCell> FCells;
  std::vector<TPoint> FLines;
  std::vector<DWORD> FCounts;
};

// A repaint of the grid and one of the floor in turns, each on the CPU clock.
void BM_BaseGridFullRepaint(benchmark::State& State) {
  TRepaintPair Pair;
  double GridMs = 0, FloorMs = 0;
  Integer Turns = 0;
  for (auto _ : State) {
    double Start = ProcessCpuMs();
    Pair.RepaintGrid();
    GridMs += ProcessCpuMs() - Start;
    Start = ProcessCpuMs();
    Pair.PaintFloor();
    FloorMs += ProcessCpuMs() - Start;
    ++Turns;
  }
  const std::string Differs = Pair.WhatDiffers();
  if (!Differs.empty()) CheckFailed(State, Differs);
  Figure(State, "base grid full repaint 1280x800 (1,000 x 50, fixed and frozen lines), CPU", GridMs / double(Turns),
         "floor, text shaped once", FloorMs / double(Turns), Targets::RepaintAgainstFloor);
}

BENCHMARK(BM_BaseGridFullRepaint)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(0.3)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);

}  // namespace

int main(int argc, char** argv) { return RunBenchmarksWithFigures(argc, argv); }
