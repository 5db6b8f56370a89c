// The base grid's full repaint of a 1280x800 window over a grid of 1,000 rows and
// 50 columns with fixed and frozen lines and a text in every cell, beside the
// floor: the same cells filled, stroked in one PolyPolyline and written with
// text shaped once, on a bare bitmap. Both are CPU time per repaint; the ratio
// is printed at the end.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench/RatioReporter.h"
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

void BM_BaseGridFullRepaint(benchmark::State& State) {
  THeadlessDisplay Display;
  auto* Form = new TForm(Application);
  Form->SetBorderStyle(bsNone);
  Form->SetBounds(0, 0, kWidth, kHeight);
  auto* Grid = new TBenchGrid(Form);
  Grid->SetBorderStyle(bsNone);
  Grid->SetScrollBars(ssNone);
  Grid->SetParent(Form);
  Grid->SetBounds(0, 0, kWidth, kHeight);
  Grid->SetColCount(kCols);
  Grid->SetRowCount(kRows);
  Grid->SetFixedCols(2);
  Grid->SetFrozenColCount(1);
  Grid->SetFixedRows(2);
  Grid->SetFrozenRowCount(1);
  Grid->SetDefaultColWidth(kColW);
  Grid->SetDefaultRowHeight(kRowH);
  Form->Show();
  Grid->MoveTopLeft(10, 500);
  Display.ProcessMessages();
  for (auto _ : State) {
    Grid->Invalidate();
    UpdateWindow(Grid->GetHandle());
  }
  delete Form;
}

void BM_FloorRepaintShapedOnce(benchmark::State& State) {
  TBitmap Bitmap;
  Bitmap.SetSize(kWidth, kHeight);
  std::vector<TPoint> Lines;
  std::vector<DWORD> Counts;
  for (Integer X = kColW; X < kWidth; X += kColW + 1) {
    Lines.push_back({X, 0});
    Lines.push_back({X, kHeight});
    Counts.push_back(2);
  }
  for (Integer Y = kRowH; Y < kHeight; Y += kRowH + 1) {
    Lines.push_back({0, Y});
    Lines.push_back({kWidth, Y});
    Counts.push_back(2);
  }
  for (auto _ : State) {
    TCanvas* C = Bitmap.GetCanvas();
    C->GetBrush()->SetColor(clWindow);
    Integer Row = 0;
    for (Integer Y = 0; Y < kHeight; Y += kRowH + 1, ++Row) {
      Integer Col = 0;
      for (Integer X = 0; X < kWidth; X += kColW + 1, ++Col) C->FillRect(Bounds(X, Y, kColW, kRowH));
    }
    C->GetPen()->SetColor(clSilver);
    HDC DC = C->GetHandle();
    PolyPolyline(DC, Lines.data(), Counts.data(), DWORD(Counts.size()));
    SetBkMode(DC, TRANSPARENT);
    Row = 0;
    for (Integer Y = 0; Y < kHeight; Y += kRowH + 1, ++Row) {
      Integer Col = 0;
      for (Integer X = 0; X < kWidth; X += kColW + 1, ++Col) {
        const TRect R = Bounds(X, Y, kColW, kRowH);
        ExtTextOut(DC, X + 2, Y + 2, ETO_CLIPPED, &R, CellText(Col + 10, Row + 500), -1);
      }
    }
  }
}

BENCHMARK(BM_BaseGridFullRepaint)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_FloorRepaintShapedOnce)->Unit(benchmark::kMillisecond)->MinTime(1.0);

}  // namespace

int main(int argc, char** argv) {
  return RunWithRatios(argc, argv, TRatioReporter::CpuTime, [](const TRatioReporter& Reporter) {
    const double Grid = Reporter.Of("BM_BaseGridFullRepaint");
    const double Floor = Reporter.Of("BM_FloorRepaintShapedOnce");
    if (Grid > 0 && Floor > 0)
      std::printf("base grid full repaint 1280x800 (1,000 x 50, fixed and frozen lines): %.2f ms CPU; "
                  "floor, text shaped once: %.2f ms CPU; ratio %.2f; %s\n",
                  Grid * 1e3, Floor * 1e3, Grid / Floor,
                  TargetVerdict(Targets::RepaintAgainstFloor, Grid / Floor, !Reporter.Failed.empty()).c_str());
  });
}
