// The check the grid repaint benchmark holds each cell's text to: drawn in the
// cell, by the paint's drawing calls, and seen there, in its pixels. Run on the
// benchmark's own grid, a tree over an in-memory table.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "bench/GridTreeBench.h"
#include "bench/PaintCheck.h"
#include "tests/grid/DBGridPaintSupport.h"

namespace {

class TBenchTree {
public:
  TBenchTree() {
    OpenExpandedTree(FTable, FSource, 1000);
    FGrid = NewBenchGridWindow(FForm, 640, 400);
    for (const char16_t* Field : {u"NAME_THIS", u"ID_THIS", u"ID_PARENT", u"NPP"}) {
      TColumnEh* Column = FGrid->GetColumns()->Add();
      Column->SetFieldName(Field);
      Column->SetWidth(140);
    }
    FGrid->SetOptionsEh(FGrid->GetOptionsEh() + dghShowRecNo);
    FForm->Show();
    FGrid->SetDataSource(&FSource);
    FGrid->SetFocus();
    FTable.First();
    FTable.MoveBy(500);
    FCurrentRecNo = FTable.GetRecNo();
    BenchDisplay().ProcessMessages();
  }
  ~TBenchTree() { delete FForm; }
  TBenchTree(const TBenchTree&) = delete;
  TBenchTree& operator=(const TBenchTree&) = delete;

  TDBGridEh* Grid() { return FGrid; }
  TColumnEh* Column(Integer Col) { return FGrid->GetColumns()->Items(Col - 1); }

  // Whether each cell of the fully shown rows, titles and record numbers
  // included, shows the text the grid holds for it by the benchmark's check,
  // by column, row after row; the current row's cells are left out.
  std::vector<std::vector<bool>> Shown() {
    PaintGrid Paint(FGrid);
    const TPaintedImage Image = BitmapImage(Paint.Bitmap());
    TGridDrawInfoEh Info;
    FGrid->CalcDrawInfo(Info);
    std::vector<std::vector<bool>> Result(size_t(FGrid->GetColCount()));
    for (Integer Row = 0; Row <= Info.Vert.LastFullVisibleCell; ++Row) {
      if (Row > 0 && Row < FGrid->GetTopRow()) continue;
      const Integer DataRow = Row - FGrid->GetTitleRowCount();
      if (DataRow >= 0 && !FGrid->BeginReadRow(DataRow)) continue;
      const bool Current = DataRow >= 0 && FTable.GetRecNo() == FCurrentRecNo;
      for (Integer Col = 0; Col < FGrid->GetColCount() && !Current; ++Col) {
        const String Text = Row == 0   ? (Col == 0 ? String() : Column(Col)->GetTitle()->GetCaption())
                            : Col == 0 ? IntToStr(FTable.GetRecNo())
                                       : Column(Col)->GetDisplayText();
        const TRect Cell = FGrid->CellRect(Col, Row);
        if (!Text.empty()) Result[size_t(Col)].push_back(TextShows(Image, Paint.Text(Cell, Text), Cell));
      }
      if (DataRow >= 0) FGrid->EndReadRow();
    }
    return Result;
  }

private:
  TMemTableEh FTable{nullptr};
  TDataSource FSource{nullptr};
  TForm* FForm = nullptr;
  TDBGridEh* FGrid = nullptr;
  Integer FCurrentRecNo = 0;
};

Integer CountOf(const std::vector<bool>& Cells, bool Value) {
  return Integer(std::count(Cells.begin(), Cells.end(), Value));
}

}  // namespace

TEST(GridPaintCheck, ATextInItsCellsBackgroundColourIsNotShownAndEveryOtherTextIs) {
  TBenchTree Tree;
  const std::vector<std::vector<bool>> Normal = Tree.Shown();
  for (const std::vector<bool>& Column : Normal) {
    EXPECT_GE(Column.size(), 15u);
    EXPECT_EQ(CountOf(Column, false), 0);
  }
  // Each column in turn, the tree's first, written in its own background
  // colour, its title too: that column's texts are not seen, the others' are.
  for (Integer Col = 1; Col < Tree.Grid()->GetColCount(); ++Col) {
    SCOPED_TRACE(testing::Message() << "column " << Col);
    TColumnEh* Column = Tree.Column(Col);
    const TColor Text = Column->GetFont()->GetColor(), Title = Column->GetTitle()->GetFont()->GetColor();
    Column->GetFont()->SetColor(Column->GetColor());
    Column->GetTitle()->GetFont()->SetColor(Column->GetTitle()->GetColor());
    const std::vector<std::vector<bool>> Hidden = Tree.Shown();
    for (size_t Other = 0; Other < Hidden.size(); ++Other) {
      ASSERT_EQ(Hidden[Other].size(), Normal[Other].size());
      EXPECT_EQ(CountOf(Hidden[Other], true), Other == size_t(Col) ? 0 : Integer(Normal[Other].size()));
    }
    Column->GetFont()->SetColor(Text);
    Column->GetTitle()->GetFont()->SetColor(Title);
  }
}
