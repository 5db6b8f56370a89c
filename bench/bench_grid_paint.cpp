// Painting a 1280x800 data grid over an in-memory table shown as an expanded tree
// (groups of 100 records), 1,000,000 records beside 1,000, measured in the same run:
//   - a full repaint of the window (the paint message, through the memory bitmap
//     a tree with row lines paints through);
//   - a page scroll: the current record moves a page down or up, the window's
//     pixels move and the uncovered rows are painted;
//   - the shaped-once floor: the same cells filled, their lines stroked and their
//     texts written straight onto a bitmap, with the texts read beforehand, so
//     that only the canvas works (text shaped once and reused).
// The six are measured in rounds: in each round every one paints a batch of
// frames, one frame first off the clock (the others' paints left the caches to
// them), then the rest on this thread's CPU clock, the order reversed from
// round to round. A figure and its baseline are thus sampled as often as each
// other and moments apart, and each figure is the median over the rounds of
// its ratio within a round: a busy machine, or a clock that changes speed,
// weighs on both sides of a ratio alike.
// After the rounds, off the clock, what each painted is checked: the window
// holds the pixels of the grid painted afresh, whose cells show the titles
// and, row after row, the record number and values of the records from the
// table's shape (the current record among them), each text drawn in its cell
// and seen there in its pixels; the floor's cells show the same texts, each
// cell shown whole inked.
// Targets (bench/Targets.h): a full repaint against the floor, a page scroll
// against a full repaint, each figure over a million records against the same
// over a thousand (the floor's texts are longer over a million: its ratio is
// shown, not aimed at).
#include <benchmark/benchmark.h>

#include <ctime>
#include <memory>
#include <string>
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

  // One page down or up, in turns, so that the window stays in the middle.
  void PageScroll() {
    FTable.MoveBy(FPageDirection * Page());
    BenchDisplay().ProcessMessages();
    FPageDirection = -FPageDirection;
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

  // Empty when the floor painted the cells' texts the grid shows; the floor's
  // pixels are kept for FloorAsChecked.
  std::string CheckTheFloor() {
    FCheckedFloor = BitmapImage(FFloor);
    PaintGrid Afresh(FGrid);
    const std::string Grid = WhatThePaintDiffersIn(Afresh);
    if (!Grid.empty()) return Grid;
    const TPaintedImage& Floor = FCheckedFloor;
    const Integer RowHeight = FGrid->CellRect(1, FGrid->GetTopRow()).Height();
    for (const TFloorCell& Cell : FCells) {
      if (Cell.Text.empty()) continue;
      if (!Afresh.Text(Cell.Rect, Cell.Text)) return "the floor's text of a cell is not the grid's";
      if (Cell.Rect.Height() == RowHeight && !Floor.InkInside(Cell.Rect)) return "the floor left a cell blank";
    }
    return std::string();
  }
  // Whether the floor's pixels are those CheckTheFloor saw.
  bool FloorAsChecked() {
    const TPaintedImage Floor = BitmapImage(FFloor);
    return Floor.Width == FCheckedFloor.Width && Floor.Height == FCheckedFloor.Height &&
           Floor.SameInside(FCheckedFloor, TRect(0, 0, Floor.Width, Floor.Height));
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
  TPaintedImage FCheckedFloor;
  Integer FPageDirection = 1;
};

// What a round measures: each tree's floor, full repaint and page scroll.
enum TPiece { pcFloor, pcFullRepaint, pcPageScroll };
constexpr TPiece kPieces[] = {pcFloor, pcFullRepaint, pcPageScroll};
constexpr Integer kFramesTimed = 4;
constexpr int64_t kRounds = 400;

void PaintFrame(TPaintedTree& T, TPiece Piece) {
  switch (Piece) {
    case pcFloor: T.PaintFloor(); break;
    case pcFullRepaint: T.FullRepaint(); break;
    case pcPageScroll: T.PageScroll(); break;
  }
}

// The CPU time of this thread, in milliseconds: painting runs on it alone (a
// helper thread the table may have started, making its index's pages huge,
// is not the paint's).
double ThreadCpuMs() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// Milliseconds per frame of a batch: one frame off the clock, then the timed ones.
double TimedBatch(TPaintedTree& T, TPiece Piece) {
  PaintFrame(T, Piece);
  const double Start = ThreadCpuMs();
  for (Integer I = 0; I < kFramesTimed; ++I) PaintFrame(T, Piece);
  return (ThreadCpuMs() - Start) / kFramesTimed;
}

// Empty when the grid's two pieces painted what they should, each painted once
// more off the clock and checked after it, and the floor painted what it did
// when it was checked first.
std::string WhatAPieceDiffersIn(TPaintedTree& T) {
  T.FullRepaint();
  std::string Differs = T.WhatTheWindowDiffersIn();
  if (!Differs.empty()) return "full repaint: " + Differs;
  T.PageScroll();
  Differs = T.WhatTheWindowDiffersIn();
  if (!Differs.empty()) return "page scroll: " + Differs;
  T.PaintFloor();
  if (!T.FloorAsChecked()) return "floor: it paints otherwise than when it was checked";
  return std::string();
}

void BM_GridPaint(benchmark::State& State) {
  TPaintedTree Large(1000000), Small(1000);
  TPaintedTree* Trees[] = {&Large, &Small};
  // The floor's texts are read from the grid and checked against it where
  // it stands before the rounds; page scrolls move it on.
  for (TPaintedTree* T : Trees) {
    T->FullRepaint();
    T->CollectFloor();
    if (T->FloorCells() < 100) CheckFailed(State, "the floor has too few cells");
    T->PaintFloor();
    const std::string Differs = T->CheckTheFloor();
    if (!Differs.empty()) CheckFailed(State, "floor: " + Differs);
  }
  // The batches of a round, in the order of even rounds; odd rounds go backwards.
  std::vector<std::pair<size_t, TPiece>> Order;
  for (size_t Tree = 0; Tree < 2; ++Tree)
    for (TPiece Piece : kPieces) Order.emplace_back(Tree, Piece);
  int64_t Round = 0;
  for (auto _ : State) {
    double Ms[2][3] = {};
    for (size_t I = 0; I < Order.size(); ++I) {
      const auto& [Tree, Piece] = Order[Round % 2 ? Order.size() - 1 - I : I];
      Ms[Tree][Piece] = TimedBatch(*Trees[Tree], Piece);
    }
    ++Round;
    for (size_t Tree = 0; Tree < 2; ++Tree) {
      const std::string Records = Tree == 0 ? "1,000,000" : "1,000";
      const std::string Key = Tree == 0 ? "million" : "thousand";
      Figure(State, "full repaint over " + Records + " records, CPU", Ms[Tree][pcFullRepaint], "the shaped-once floor",
             Ms[Tree][pcFloor], Targets::RepaintAgainstFloor, Key + "_repaint");
      Figure(State, "page scroll over " + Records + " records, CPU", Ms[Tree][pcPageScroll], "a full repaint",
             Ms[Tree][pcFullRepaint], Targets::PageScrollAgainstRepaint, Key + "_scroll");
    }
    Figure(State, "full repaint over 1,000,000 records", Ms[0][pcFullRepaint], "the same over 1,000",
           Ms[1][pcFullRepaint], Targets::MillionAgainstThousand, "repaint_growth");
    Figure(State, "page scroll over 1,000,000 records", Ms[0][pcPageScroll], "the same over 1,000", Ms[1][pcPageScroll],
           Targets::MillionAgainstThousand, "scroll_growth");
    Figure(State, "shaped-once floor over 1,000,000 records", Ms[0][pcFloor], "the same over 1,000", Ms[1][pcFloor],
           NoTarget(), "floor_growth");
  }
  for (TPaintedTree* T : Trees) {
    const std::string Differs = WhatAPieceDiffersIn(*T);
    if (!Differs.empty()) CheckFailed(State, Differs);
  }
}

BENCHMARK(BM_GridPaint)->Unit(benchmark::kMillisecond)->Iterations(kRounds);

}  // namespace

int main(int argc, char** argv) { return RunBenchmarksWithFigures(argc, argv); }
