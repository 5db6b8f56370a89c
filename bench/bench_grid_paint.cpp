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
// After each run, off the clock, what was painted is checked: the window holds
// the pixels of the grid painted afresh, whose cells show the titles and, row
// after row, the record number and values of the records from the table's
// shape (the current record among them), each text drawn in its cell and seen
// there in its pixels; the floor's cells show the same texts, each cell shown
// whole inked.
// Targets (bench/Targets.h): a full repaint against the floor, a page scroll
// against a full repaint, each figure over a million records against the same
// over a thousand (the floor's texts are longer over a million: its ratio is
// shown, not aimed at).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <vector>

#include "bench/GridTreeBench.h"
#include "bench/PaintCheck.h"
#include "bench/RatioReporter.h"
#include "grid/DBGridEh.h"
#include "memtable/MemTableEh.h"
#include "platform/backend/Headless.h"
#include "platform/ui/Forms.h"
#include "tests/grid/DBGridPaintSupport.h"

namespace {

constexpr Integer kWidth = 1280, kHeight = 800;

// One cell as the floor paints it.
struct TFloorCell {
  TRect Rect;
  TColor Color;
  String Text;
};

// The texts the grid's columns show for the record at RecNo of the expanded
// tree OpenExpandedTree makes: group G (from 0) shows at 100 G + 1 with its
// records, the I-th of them the record G + I * Groups + 1, after it.
std::vector<String> RecordTexts(Integer Count, Integer RecNo) {
  const Integer Groups = Count / 100, Group = (RecNo - 1) / 100, Within = (RecNo - 1) % 100;
  const Integer Id = Group + Within * Groups + 1;
  return {u"Ресурс " + IntToStr(Id), IntToStr(Id), Within == 0 ? String() : IntToStr(Group + 1),
          IntToStr((Id - 1) % 100)};
}

class TPaintedTree {
public:
  explicit TPaintedTree(Integer Count) : FCount(Count) {
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

  // Empty when the window holds what the grid should show; else what differs.
  std::string WhatTheWindowDiffersIn() {
    PaintGrid Afresh(FGrid);
    const TPaintedImage Window = WindowImage(FGrid->GetHandle(), FGrid->GetClientWidth(), FGrid->GetClientHeight());
    const TPaintedImage Painted = BitmapImage(Afresh.Bitmap());
    if (Window.Width != Painted.Width || Window.Height != Painted.Height ||
        !Window.SameInside(Painted, TRect(0, 0, Window.Width, Window.Height)))
      return "the window does not hold the grid's paint";
    return WhatThePaintDiffersIn(Afresh);
  }

  // Empty when the floor painted the cells' texts the grid shows.
  std::string WhatTheFloorDiffersIn() {
    PaintGrid Afresh(FGrid);
    const std::string Grid = WhatThePaintDiffersIn(Afresh);
    if (!Grid.empty()) return Grid;
    const TPaintedImage Floor = BitmapImage(FFloor);
    const Integer RowHeight = FGrid->CellRect(1, FGrid->GetTopRow()).Height();
    for (const TFloorCell& Cell : FCells) {
      if (Cell.Text.empty()) continue;
      if (!Afresh.Text(Cell.Rect, Cell.Text)) return "the floor's text of a cell is not the grid's";
      if (Cell.Rect.Height() == RowHeight && !Floor.InkInside(Cell.Rect)) return "the floor left a cell blank";
    }
    return std::string();
  }

private:
  // Empty when a paint of the grid shows the titles and the records of the
  // table's shape in order, the current one among them.
  std::string WhatThePaintDiffersIn(PaintGrid& Paint) {
    // A text is shown when it was drawn in its cell and its ink is seen there:
    // the drawing calls alone pass a text in its cell's background colour.
    const TPaintedImage Image = BitmapImage(Paint.Bitmap());
    auto Shown = [&](const TRect& Cell, const String& Text) { return TextShows(Image, Paint.Text(Cell, Text), Cell); };
    for (Integer Col = 1; Col < FGrid->GetColCount(); ++Col)
      if (!Shown(FGrid->CellRect(Col, 0), FGrid->GetColumns()->Items(Col - 1)->GetTitle()->GetCaption()))
        return "a title is not shown";
    TGridDrawInfoEh Info;
    FGrid->CalcDrawInfo(Info);
    Integer Rows = 0, Previous = 0;
    bool CurrentShown = false;
    for (Integer Row = FGrid->GetTopRow(); Row <= Info.Vert.LastFullVisibleCell; ++Row) {
      Integer RecNo = 0;
      const TRect NumberCell = FGrid->CellRect(0, Row);
      for (const TGdiOp* Op : Paint.TextsIn(NumberCell))
        if (!Op->Text.empty() && TextShows(Image, Op, NumberCell)) RecNo = StrToIntDef(Op->Text, 0);
      if (RecNo <= 0 || RecNo > FCount) return "a row shows no record number";
      if (Previous && RecNo != Previous + 1) return "the rows do not show the records in order";
      const std::vector<String> Texts = RecordTexts(FCount, RecNo);
      for (Integer Col = 1; Col < FGrid->GetColCount(); ++Col) {
        const String& Text = Texts[size_t(Col - 1)];
        if (!Text.empty() && !Shown(FGrid->CellRect(Col, Row), Text)) return "a cell does not show its record's value";
      }
      CurrentShown = CurrentShown || RecNo == FTable.GetRecNo();
      Previous = RecNo;
      ++Rows;
    }
    if (Rows < 20) return "too few rows are shown";
    if (!CurrentShown) return "the current record is not shown";
    return std::string();
  }

  const Integer FCount;
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

void CheckTheWindow(benchmark::State& State, TPaintedTree& T) {
  const std::string Differs = T.WhatTheWindowDiffersIn();
  if (!Differs.empty()) CheckFailed(State, Differs);
}

void FullRepaint(benchmark::State& State, Integer Count) {
  TPaintedTree& T = Tree(Count);
  T.FullRepaint();
  for (auto _ : State) T.FullRepaint();
  CheckTheWindow(State, T);
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
  CheckTheWindow(State, T);
}

void Floor(benchmark::State& State, Integer Count) {
  TPaintedTree& T = Tree(Count);
  T.CollectFloor();
  if (T.FloorCells() < 100) CheckFailed(State, "the floor has too few cells");
  T.PaintFloor();
  for (auto _ : State) T.PaintFloor();
  const std::string Differs = T.WhatTheFloorDiffersIn();
  if (!Differs.empty()) CheckFailed(State, Differs);
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
      std::printf(
          "%s records: shaped-once floor %.3f ms, full repaint %.3f ms (%.2fx the floor, %s), "
          "page scroll %.3f ms (%.2fx a full repaint, %s); CPU medians\n",
          Size, Floor, Full, Ratio(Full, Floor),
          TargetVerdict(Targets::RepaintAgainstFloor, Ratio(Full, Floor), Failed).c_str(), Page, Ratio(Page, Full),
          TargetVerdict(Targets::PageScrollAgainstRepaint, Ratio(Page, Full), Failed).c_str());
    }
    if (Ms("BM_FullRepaint_1000") > 0 && Ms("BM_PageScroll_1000") > 0 && Ms("BM_FullRepaint_1000000") > 0)
      std::printf(
          "1,000,000 records beside 1,000: full repaint %.2fx (%s), page scroll %.2fx (%s); floor %.2fx "
          "(no target)\n",
          Ratio(Ms("BM_FullRepaint_1000000"), Ms("BM_FullRepaint_1000")),
          TargetVerdict(Targets::MillionAgainstThousand, Ratio(Ms("BM_FullRepaint_1000000"), Ms("BM_FullRepaint_1000")),
                        Failed)
              .c_str(),
          Ratio(Ms("BM_PageScroll_1000000"), Ms("BM_PageScroll_1000")),
          TargetVerdict(Targets::MillionAgainstThousand, Ratio(Ms("BM_PageScroll_1000000"), Ms("BM_PageScroll_1000")),
                        Failed)
              .c_str(),
          Ratio(Ms("BM_Floor_1000000"), Ms("BM_Floor_1000")));
    Large.reset();
    Small.reset();
  });
}
