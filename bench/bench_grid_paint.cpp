// Painting a 1280x800 data grid over an in-memory table shown as an expanded tree
// (groups of 100 records), 1,000,000 records beside 1,000, measured in the same run:
//   - a full repaint of the window (the paint message, through the memory bitmap
//     a tree with row lines paints through);
//   - a page scroll: the current record moves a page down or up, the window's
//     pixels move and the uncovered rows are painted;
//   - the shaped-once floor: the same cells filled, their lines stroked and their
//     texts written straight onto a bitmap, with the texts read beforehand, so
//     that only the canvas works (text shaped once and reused).
// Medians of several runs in CPU time, the runs of all six interleaved at random
// so that a busy machine weighs on each alike; the ratios are printed at the end.
// Targets (bench/Targets.h): a full repaint against the floor, a page scroll
// against a full repaint, each figure over a million records against the same
// over a thousand (the floor's texts are longer over a million: its ratio is
// shown, not aimed at).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <vector>

#include "bench/GridTreeBench.h"
#include "bench/RatioReporter.h"
#include "grid/DBGridEh.h"
#include "memtable/MemTableEh.h"
#include "platform/backend/Headless.h"
#include "platform/ui/Forms.h"

namespace {

constexpr Integer kWidth = 1280, kHeight = 800;

// One cell as the floor paints it.
struct TFloorCell {
  TRect Rect;
  TColor Color;
  String Text;
};

class TPaintedTree {
public:
  explicit TPaintedTree(Integer Count) {
    OpenExpandedTree(FTable, FSource, Count);

    FGrid = NewBenchGridWindow(FForm, kWidth, kHeight);
    // The tree's names first, the numbers after them, together as wide as the window.
    const struct {
      const char16_t* Field;
      Integer Width;
    } Columns[] = {{u"NAME_THIS", 420}, {u"ID_THIS", 260}, {u"ID_PARENT", 260}, {u"NPP", 260}};
    for (const auto& C : Columns) {
      TColumnEh* Column = FGrid->GetColumns()->Add();
      Column->SetFieldName(C.Field);
      Column->SetWidth(C.Width);
    }
    FGrid->SetOptionsEh(FGrid->GetOptionsEh() + dghShowRecNo);
    FForm->Show();
    FGrid->SetDataSource(&FSource);
    FGrid->SetFocus();
    FTable.First();
    FTable.MoveBy(Count / 2);
    BenchDisplay().ProcessMessages();
    FFloor.SetSize(FGrid->GetClientWidth(), FGrid->GetClientHeight());
  }
  ~TPaintedTree() { delete FForm; }
  TPaintedTree(const TPaintedTree&) = delete;
  TPaintedTree& operator=(const TPaintedTree&) = delete;

  TMemTableEh& Table() { return FTable; }
  TDBGridEh* Grid() { return FGrid; }
  Integer Page() const { return FGrid->GetVisibleRowCount(); }

  void FullRepaint() {
    FGrid->Invalidate();
    BenchDisplay().ProcessMessages();
  }

  // The cells the grid shows now, with the texts it shows, read once.
  void CollectFloor() {
    FCells.clear();
    FLines.clear();
    FCounts.clear();
    TGridDrawInfoEh Info;
    FGrid->CalcDrawInfo(Info);
    for (Integer Row = 0; Row <= Info.Vert.LastFullVisibleCell + 1 && Row < FGrid->GetRowCount(); ++Row) {
      if (Row >= FGrid->GetFixedRows() && Row < FGrid->GetTopRow()) continue;
      const Integer DataRow = Row - FGrid->GetTitleRowCount();
      const bool Reading = DataRow >= 0 && FGrid->BeginReadRow(DataRow);
      for (Integer Col = 0; Col < FGrid->GetColCount(); ++Col) {
        const TRect R = FGrid->CellRect(Col, Row);
        if (R.IsEmpty()) continue;
        TFloorCell Cell{R, Row < FGrid->GetFixedRows() || Col == 0 ? clBtnFace : clWindow, String()};
        if (Col == 0) Cell.Text = Reading ? IntToStr(FTable.GetRecNo()) : String();
        else if (Row == 0) Cell.Text = FGrid->GetColumns()->Items(Col - 1)->GetTitle()->GetCaption();
        else if (Reading) Cell.Text = FGrid->GetColumns()->Items(Col - 1)->GetDisplayText();
        FCells.push_back(Cell);
        FLines.insert(FLines.end(), {TPoint(R.Right, R.Top), TPoint(R.Right, R.Bottom + 1), TPoint(R.Left, R.Bottom),
                                     TPoint(R.Right + 1, R.Bottom)});
        FCounts.insert(FCounts.end(), {2, 2});
      }
      if (Reading) FGrid->EndReadRow();
    }
  }

  // The same cells straight onto a bitmap: fills, one poly-polyline, texts.
  void PaintFloor() {
    TCanvas* C = FFloor.GetCanvas();
    for (const TFloorCell& Cell : FCells) {
      C->GetBrush()->SetColor(Cell.Color);
      C->FillRect(Cell.Rect);
    }
    C->GetPen()->SetColor(clSilver);
    HDC DC = C->GetHandle();
    PolyPolyline(DC, FLines.data(), FCounts.data(), DWORD(FCounts.size()));
    SetBkMode(DC, TRANSPARENT);
    for (const TFloorCell& Cell : FCells)
      ExtTextOut(DC, Cell.Rect.Left + 2, Cell.Rect.Top + 2, ETO_CLIPPED, &Cell.Rect, Cell.Text, -1);
  }
  size_t FloorCells() const { return FCells.size(); }

private:
  TMemTableEh FTable{nullptr};
  TDataSource FSource{nullptr};
  TForm* FForm = nullptr;
  TDBGridEh* FGrid = nullptr;
  TBitmap FFloor;
  std::vector<TFloorCell> FCells;
  std::vector<TPoint> FLines;
  std::vector<DWORD> FCounts;
};

std::unique_ptr<TPaintedTree> Large, Small;

TPaintedTree& Tree(Integer Count) {
  std::unique_ptr<TPaintedTree>& Slot = Count > 1000 ? Large : Small;
  if (!Slot) Slot = std::make_unique<TPaintedTree>(Count);
  return *Slot;
}

void FullRepaint(benchmark::State& State, Integer Count) {
  TPaintedTree& T = Tree(Count);
  T.FullRepaint();
  for (auto _ : State) T.FullRepaint();
}

// One page down or up per turn, alternately, so the window stays in the middle.
void PageScroll(benchmark::State& State, Integer Count) {
  TPaintedTree& T = Tree(Count);
  const Integer Page = T.Page();
  Integer Direction = 1;
  T.FullRepaint();
  for (auto _ : State) {
    T.Table().MoveBy(Direction * Page);
    BenchDisplay().ProcessMessages();
    Direction = -Direction;
  }
}

void Floor(benchmark::State& State, Integer Count) {
  TPaintedTree& T = Tree(Count);
  T.CollectFloor();
  if (T.FloorCells() < 100) State.SkipWithError("the floor has too few cells");
  T.PaintFloor();
  for (auto _ : State) T.PaintFloor();
}

void BM_Floor_1000000(benchmark::State& State) { Floor(State, 1000000); }
void BM_FullRepaint_1000000(benchmark::State& State) { FullRepaint(State, 1000000); }
void BM_PageScroll_1000000(benchmark::State& State) { PageScroll(State, 1000000); }
void BM_Floor_1000(benchmark::State& State) { Floor(State, 1000); }
void BM_FullRepaint_1000(benchmark::State& State) { FullRepaint(State, 1000); }
void BM_PageScroll_1000(benchmark::State& State) { PageScroll(State, 1000); }

#define GRID_PAINT_BENCH(Name) \
  BENCHMARK(Name)->Unit(benchmark::kMillisecond)->MinTime(0.2)->Repetitions(15)->ReportAggregatesOnly(true)
GRID_PAINT_BENCH(BM_Floor_1000000);
GRID_PAINT_BENCH(BM_FullRepaint_1000000);
GRID_PAINT_BENCH(BM_PageScroll_1000000);
GRID_PAINT_BENCH(BM_Floor_1000);
GRID_PAINT_BENCH(BM_FullRepaint_1000);
GRID_PAINT_BENCH(BM_PageScroll_1000);

}  // namespace

int main(int argc, char** argv) {
  // Interleaved unless the command line says otherwise (a later flag wins).
  std::vector<char*> Args(argv, argv + argc);
  char Interleave[] = "--benchmark_enable_random_interleaving=true";
  Args.insert(Args.begin() + 1, Interleave);
  int Count = static_cast<int>(Args.size());
  Args.push_back(nullptr);
  return RunWithRatios(Count, Args.data(), TRatioReporter::CpuTime, [](const TRatioReporter& R) {
    auto Ms = [&](const char* Name) { return R.Of(Name) * 1e3; };
    auto Ratio = [](double A, double B) { return B > 0 ? A / B : 0.0; };
    const bool Failed = !R.Failed.empty();
    for (const char* Size : {"1000000", "1000"}) {
      const std::string S(Size);
      const double Floor = Ms(("BM_Floor_" + S).c_str()), Full = Ms(("BM_FullRepaint_" + S).c_str()),
                   Page = Ms(("BM_PageScroll_" + S).c_str());
      if (Floor <= 0 || Full <= 0 || Page <= 0) continue;
      std::printf("%s records: shaped-once floor %.3f ms, full repaint %.3f ms (%.2fx the floor, %s), "
                  "page scroll %.3f ms (%.2fx a full repaint, %s); CPU medians\n",
                  Size, Floor, Full, Ratio(Full, Floor),
                  TargetVerdict(Targets::RepaintAgainstFloor, Ratio(Full, Floor), Failed).c_str(), Page,
                  Ratio(Page, Full), TargetVerdict(Targets::PageScrollAgainstRepaint, Ratio(Page, Full), Failed).c_str());
    }
    if (Ms("BM_FullRepaint_1000") > 0 && Ms("BM_PageScroll_1000") > 0 && Ms("BM_FullRepaint_1000000") > 0)
      std::printf("1,000,000 records beside 1,000: full repaint %.2fx (%s), page scroll %.2fx (%s); floor %.2fx "
                  "(no target)\n",
                  Ratio(Ms("BM_FullRepaint_1000000"), Ms("BM_FullRepaint_1000")),
                  TargetVerdict(Targets::MillionAgainstThousand,
                                Ratio(Ms("BM_FullRepaint_1000000"), Ms("BM_FullRepaint_1000")), Failed).c_str(),
                  Ratio(Ms("BM_PageScroll_1000000"), Ms("BM_PageScroll_1000")),
                  TargetVerdict(Targets::MillionAgainstThousand,
                                Ratio(Ms("BM_PageScroll_1000000"), Ms("BM_PageScroll_1000")), Failed).c_str(),
                  Ratio(Ms("BM_Floor_1000000"), Ms("BM_Floor_1000")));
    Large.reset();
    Small.reset();
  });
}
