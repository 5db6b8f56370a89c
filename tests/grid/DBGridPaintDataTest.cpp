// Data cells as a recording canvas hears them: the column's text, font and
// alignment, the highlight of the focused current cell, striped rows, hidden
// duplicates, check boxes, the required mark, the incremental search's prefix,
// the edit buttons' transparency, the drawing events, and the tree elements of
// the first column.

#include <algorithm>
#include <cstdint>
#include <string>

#include "platform/core/Streams.h"
#include "platform/ui/Input.h"
#include "tests/grid/DBGridPaintSupport.h"
#include "tests/grid/DBGridTestSupport.h"
#include "tests/grid/GridMetricsTestSupport.h"

namespace {

constexpr Integer kCharWidth = 7;

class DataPaint : public GridFixture {
protected:
  ScopedGridTextEngine Metrics;

  // NAME_THIS, ID_TYPE, NPP over the six resources (flat, in the order posted).
  void MakeDataGrid() {
    MakeGrid(500, 240);
    for (const char16_t* Name : {u"NAME_THIS", u"ID_TYPE", u"NPP"}) {
      TColumnEh* Column = Grid->GetColumns()->Add();
      Column->SetFieldName(Name);
      Column->SetWidth(120);
    }
    ShowResources();
  }
  TColumnEh* Col(Integer I) { return Grid->GetColumns()->Items(I); }
  // The cell of column I in data row R (0 the first record).
  TRect Cell(Integer I, Integer R) { return Grid->CellRect(I + 1, R + Grid->GetTitleRowCount()); }
  Integer DataRowOfCurrent() { return Grid->GetRow() - Grid->GetTitleRowCount(); }
  std::vector<String> ColumnTexts(const PaintGrid& Paint, Integer I) {
    std::vector<String> Texts;
    for (Integer R = 0; R < 6; ++R) {
      const auto Ops = Paint.TextsIn(Cell(I, R));
      Texts.push_back(Ops.empty() ? String(u"-") : Ops.front()->Text);
    }
    return Texts;
  }
};

}  // namespace

TEST_F(DataPaint, ACellShowsItsRecordsTextInTheColumnFontAndAlignment) {
  MakeDataGrid();
  TFont Italic;
  Italic.SetStyle({fsItalic});
  Italic.SetColor(clGreen);
  Col(2)->SetFont(&Italic);
  Col(2)->SetAlignment(taRightJustify);
  PaintGrid Paint(Grid);
  EXPECT_EQ(ColumnTexts(Paint, 0),
            (std::vector<String>{u"Библиотеки", u"Первая", u"Вторая", u"Архивы", u"Архив", u"Фонд"}));
  const TRect R = Cell(2, 1);
  const TGdiOp* Npp = Paint.Text(R, u"2");
  ASSERT_NE(Npp, nullptr);
  EXPECT_TRUE(Npp->Font.Style.Contains(fsItalic));
  EXPECT_EQ(Npp->Color, COLORREF(clGreen));
  EXPECT_EQ(Npp->Origin.X, R.Right - kCharWidth - 3);
  const TGdiOp* Name = Paint.Text(Cell(0, 1), u"Первая");
  ASSERT_NE(Name, nullptr);
  EXPECT_EQ(Name->Origin, TPoint(Cell(0, 1).Left + 2, Cell(0, 1).Top + 2));
  EXPECT_EQ(Paint.Background(Cell(0, 4)), COLORREF(ColorToRGB(clWindow)));
}

TEST_F(DataPaint, TheFocusedCurrentCellIsHighlightedAndFramedAndTheOthersKeepTheColumnColour) {
  MakeDataGrid();
  Col(1)->SetColor(clCream);
  Grid->SetFocus();
  Table.First();
  Table.Next();
  Display.ProcessMessages();
  const Integer Current = DataRowOfCurrent();
  ASSERT_EQ(Current, 1);
  PaintGrid Paint(Grid);
  const TRect Focused = Cell(0, Current);
  EXPECT_EQ(Paint.Background(Focused), COLORREF(ColorToRGB(clHighlight)));
  EXPECT_EQ(Paint.Text(Focused, u"Первая")->Color, COLORREF(ColorToRGB(clHighlightText)));
  const auto Focus = Paint.Of(gopFocusRect, Focused);
  ASSERT_EQ(Focus.size(), 1u);
  EXPECT_EQ(Focus[0]->Rect, Focused);
  EXPECT_EQ(Paint.Background(Cell(1, Current)), COLORREF(clCream));
  EXPECT_EQ(Paint.Background(Cell(0, 3)), COLORREF(ColorToRGB(clWindow)));
  // Out of focus the current cell keeps no highlight and no focus rectangle.
  ::SetFocus(nullptr);
  Display.ProcessMessages();
  PaintGrid Unfocused(Grid);
  EXPECT_TRUE(Unfocused.Of(gopFocusRect, Focused).empty());
  EXPECT_NE(Unfocused.Background(Focused), COLORREF(ColorToRGB(clHighlight)));
}

TEST_F(DataPaint, RowsAreStripedByRecordNumberOnlyInColumnsOfTheGridsColour) {
  MakeDataGrid();
  Grid->SetOddRowColor(clCream);
  Grid->SetEvenRowColor(clSkyBlue);
  Col(2)->SetColor(clMoneyGreen);
  PaintGrid Paint(Grid);
  // The current cell (first row, first column) is highlighted: the rows after it.
  for (Integer R = 1; R < 6; ++R) {
    EXPECT_EQ(Paint.Background(Cell(0, R)), COLORREF(R % 2 == 0 ? clCream : clSkyBlue)) << R;
    EXPECT_EQ(Paint.Background(Cell(2, R)), COLORREF(clMoneyGreen)) << R;
  }
  Grid->SetEvenRowColor(clCream);
  PaintGrid Same(Grid);
  EXPECT_EQ(Same.Background(Cell(0, 1)), COLORREF(ColorToRGB(clWindow)));
}

TEST_F(DataPaint, HiddenDuplicatesShowARunsValueOnceAndJoinItsCells) {
  MakeDataGrid();
  Col(1)->SetHideDuplicates(true);
  Col(1)->SetColor(clCream);
  PaintGrid Paint(Grid);
  // ID_TYPE runs: 0 | 1 1 | 0 0 | 1.
  EXPECT_EQ(ColumnTexts(Paint, 1), (std::vector<String>{u"0", u"1", u"", u"0", u"", u"1"}));
  // The line between the two rows of a run takes the column's colour; the line
  // between runs stays.
  const TRect Run = Cell(1, 1), Next = Cell(1, 2);
  const TRect Between(Run.Left, Run.Bottom, Run.Right, Next.Top);
  EXPECT_EQ(Paint.Background(Between), COLORREF(clCream));
  const TRect Apart(Next.Left, Next.Bottom, Next.Right, Cell(1, 3).Top);
  EXPECT_EQ(Paint.Background(Apart), CLR_INVALID);
}

TEST_F(DataPaint, ACheckBoxColumnDrawsEachRecordsStateCentred) {
  MakeDataGrid();
  Col(1)->SetCheckboxes(true);
  PaintGrid Paint(Grid);
  for (Integer R = 0; R < 6; ++R) {
    const auto Boxes = Paint.NotesIn(u"check box", Cell(1, R));
    ASSERT_EQ(Boxes.size(), 1u) << R;
    EXPECT_EQ(Boxes[0]->Value, R == 1 || R == 2 || R == 5 ? 1 : 0) << R;
    EXPECT_TRUE(Paint.TextsIn(Cell(1, R)).empty());
  }
  const TRect Box = Paint.NotesIn(u"check box", Cell(1, 0))[0]->Rect;
  EXPECT_LE(std::abs((Box.Left + Box.Right) - (Cell(1, 0).Left + Cell(1, 0).Right)), 1);
}

TEST_F(DataPaint, ARequiredFieldLeftEmptyWhileEditingIsUnderlinedInRedWhenTheColumnAsks) {
  MakeDataGrid();
  Grid->SetFocus();
  Table.First();
  Table.FieldByName(u"NAME_THIS")->SetRequired(true);
  Table.Edit();
  Table.FieldByName(u"NAME_THIS")->Clear();
  Display.ProcessMessages();
  auto RedLines = [&] {
    PaintGrid Paint(Grid);
    std::vector<const TGdiOp*> Red;
    for (const TGdiOp* Op : Paint.Of(gopLine, Cell(0, 0)))
      if (Op->Color == COLORREF(clRed)) Red.push_back(Op);
    return std::pair(Red.size(), Red.empty() ? TGdiOp() : *Red[0]);
  };
  EXPECT_EQ(RedLines().first, 0u);
  Col(0)->SetHighlightRequired(true);
  const auto [Count, Line] = RedLines();
  ASSERT_EQ(Count, 1u);
  EXPECT_EQ(Line.PenStyle, psDot);
  const TRect R = Cell(0, 0);
  EXPECT_EQ(Line.Points, (std::vector<TPoint>{TPoint(R.Left + 2, R.Bottom - 1), TPoint(R.Right - 3, R.Bottom - 1)}));
  // The column's handler has the last word.
  Col(0)->OnCheckDrawRequiredState = [](TObject*, const String&, bool& Draw) { Draw = false; };
  EXPECT_EQ(RedLines().first, 0u);
  Table.Cancel();
}

TEST_F(DataPaint, TheIncrementalSearchsPrefixShowsYellowBehindBlackWhereItStands) {
  MakeDataGrid();
  Grid->SetFocus();
  Table.First();
  Table.MoveBy(3);  // Архивы
  Display.ProcessMessages();
  Grid->SetIncSearchActive(true);
  Grid->SetIncSearchText(u"Ар");
  const TRect R = Cell(0, 3);
  {
    PaintGrid Paint(Grid);
    const TGdiOp* Prefix = Paint.Text(R, u"Ар");
    ASSERT_NE(Prefix, nullptr);
    EXPECT_EQ(Prefix->BkColor, COLORREF(clYellow));
    EXPECT_EQ(Prefix->Color, COLORREF(clBlack));
    EXPECT_EQ(Prefix->Origin.X, Paint.Text(R, u"Архивы")->Origin.X);
  }
  // Right-aligned text: the prefix stays at the start of the text.
  Col(0)->SetAlignment(taRightJustify);
  PaintGrid Paint(Grid);
  const TGdiOp* Full = Paint.Text(R, u"Архивы");
  const TGdiOp* Prefix = Paint.Text(R, u"Ар");
  ASSERT_NE(Prefix, nullptr);
  EXPECT_EQ(Full->Origin.X, R.Right - 6 * kCharWidth - 3);
  EXPECT_EQ(Prefix->Origin.X, Full->Origin.X);
  EXPECT_EQ(Prefix->Rect.Width(), 2 * kCharWidth);
  Grid->SetIncSearchActive(false);
  PaintGrid Off(Grid);
  EXPECT_EQ(Off.Text(R, u"Ар"), nullptr);
}

TEST_F(DataPaint, EditButtonsAreFaintExceptInTheFocusedCellAndTheHighlightedCurrentRow) {
  MakeDataGrid();
  Col(2)->SetButtonStyle(cbsEllipsis);
  Col(2)->SetAlwaysShowEditButton(true);
  Grid->SetFocus();
  Table.First();
  Grid->SetSelectedIndex(2);
  Display.ProcessMessages();
  auto Alphas = [&](Integer R) {
    PaintGrid Paint(Grid);
    std::vector<Integer> Result;
    for (const TGdiOp* Op : Paint.Of(gopAlphaBlend, Cell(2, R))) Result.push_back(Op->Value);
    return Result;
  };
  EXPECT_TRUE(Alphas(0).empty());
  EXPECT_EQ(Alphas(1), std::vector<Integer>{51});
  // A cell's text ends where its buttons begin.
  PaintGrid Paint(Grid);
  const TGdiOp* Text = Paint.Text(Cell(2, 1), u"2");
  ASSERT_NE(Text, nullptr);
  EXPECT_EQ(Text->Rect.Right, Cell(2, 1).Right - Col(2)->EditButtonsWidth());
  // With the row highlighted the current row's other cells show them opaque too.
  Grid->SetSelectedIndex(0);
  Grid->SetOptionsEh(Grid->GetOptionsEh() + dghRowHighlight);
  EXPECT_TRUE(Alphas(0).empty());
  EXPECT_EQ(Alphas(2), std::vector<Integer>{51});
  // Shown only in the current row when asked so.
  Grid->SetEditButtonsShowOptions({sebShowOnlyForCurRowEh});
  EXPECT_TRUE(Alphas(2).empty());
  PaintGrid Rows(Grid);
  EXPECT_EQ(Rows.Text(Cell(2, 2), u"1")->Rect.Right, Cell(2, 2).Right);
}

TEST_F(DataPaint, TheAdvancedDrawEventsCanTakeOverAndOnDrawColumnCellFollowsTheStandardDrawing) {
  MakeDataGrid();
  std::vector<std::pair<Integer, Integer>> Advanced;
  Grid->OnAdvDrawDataCell = [&](TObject*, TGridCoord C, TColumnEh* Column, TColCellParamsEh* Params, bool& Processed) {
    Advanced.emplace_back(C.X, Params->GetRow());
    Processed = Column->GetFieldName() == u"NPP";
  };
  bool ColumnEventSeenNpp = false;
  Col(2)->OnAdvDrawDataCell = [&](TObject*, TGridCoord, TColumnEh*, TColCellParamsEh*, bool&) {
    ColumnEventSeenNpp = true;
  };
  std::vector<Integer> Drawn;
  Grid->OnDrawColumnCell = [&](TObject*, const TRect& R, Integer DataCol, TColumnEh* Column, TGridDrawState) {
    Drawn.push_back(DataCol);
    if (Column->GetFieldName() == u"ID_TYPE") {
      Grid->GetCanvas()->GetBrush()->SetColor(clAqua);
      Grid->DefaultDrawColumnCell(R, DataCol, Column, TGridDrawState());
    }
  };
  PaintGrid Paint(Grid);
  EXPECT_EQ(Advanced.size(), 18u);
  EXPECT_FALSE(ColumnEventSeenNpp);
  // The NPP cells were taken over: nothing of theirs drawn, no OnDrawColumnCell.
  EXPECT_TRUE(Paint.TextsIn(Cell(2, 0)).empty());
  EXPECT_EQ(std::count(Drawn.begin(), Drawn.end(), 2), 0);
  EXPECT_EQ(std::count(Drawn.begin(), Drawn.end(), 1), 6);
  // The handler's own drawing comes after the standard one.
  EXPECT_EQ(Paint.Background(Cell(1, 0)), COLORREF(clAqua));
  const auto Texts = Paint.TextsIn(Cell(1, 0));
  ASSERT_EQ(Texts.size(), 2u);
  EXPECT_EQ(Texts[1]->Text, u"0");
  EXPECT_EQ(Texts[1]->BkColor, COLORREF(clAqua));
}

TEST_F(DataPaint, TheFirstColumnOfATreeShowsEachRowsElementAndItsTextAfterTheIndent) {
  MakeDataGrid();
  ShowAsExpandedTree(Table);
  Display.ProcessMessages();
  auto Kinds = [&](const PaintGrid& Paint, Integer R) {
    std::vector<Integer> Result;
    for (const TGdiOp* Op : Paint.NotesIn(u"tree element", Cell(0, R))) Result.push_back(Op->Value);
    return Result;
  };
  PaintGrid Paint(Grid);
  // Библиотеки (open, a sibling after it), Первая, Вторая (the last), Архивы (open,
  // the last), Архив (open, the last), Фонд (a leaf, the last).
  EXPECT_EQ(Kinds(Paint, 0), std::vector<Integer>{0});
  EXPECT_EQ(Kinds(Paint, 1), (std::vector<Integer>{11, 8}));
  EXPECT_EQ(Kinds(Paint, 2), (std::vector<Integer>{11, 9}));
  EXPECT_EQ(Kinds(Paint, 3), std::vector<Integer>{1});
  EXPECT_EQ(Kinds(Paint, 4), std::vector<Integer>{1});
  EXPECT_EQ(Kinds(Paint, 5), std::vector<Integer>{9});
  const TGdiOp* Fond = Paint.Text(Cell(0, 5), u"Фонд");
  ASSERT_NE(Fond, nullptr);
  EXPECT_EQ(Fond->Origin.X, Cell(0, 5).Left + 3 * GridTreeIndentEh + 2);
  // Other columns have no tree.
  EXPECT_TRUE(Paint.NotesIn(u"tree element", Cell(1, 5)).empty());
  // A closed node shows the plus.
  Table.First();
  Table.MoveBy(3);
  Table.SetTreeNodeExpanded(Table.GetRecNo() - 1, false);
  Display.ProcessMessages();
  PaintGrid Closed(Grid);
  EXPECT_EQ(Kinds(Closed, 3), std::vector<Integer>{5});
}

namespace {

// A 24-bit bitmap file of W x H pixels: the left half red, the right half blue.
std::string TwoColourBmp(Integer W, Integer H) {
  const Integer Stride = (W * 3 + 3) / 4 * 4;
  std::string Bytes;
  auto Put = [&](std::uint32_t V, int N) {
    for (int I = 0; I < N; ++I) Bytes.push_back(char((V >> (8 * I)) & 0xFF));
  };
  Bytes += "BM";
  Put(std::uint32_t(54 + Stride * H), 4);
  Put(0, 4);
  Put(54, 4);
  Put(40, 4);
  Put(std::uint32_t(W), 4);
  Put(std::uint32_t(H), 4);
  Put(1, 2);
  Put(24, 2);
  Put(0, 4);
  Put(std::uint32_t(Stride * H), 4);
  Put(2835, 4);
  Put(2835, 4);
  Put(0, 4);
  Put(0, 4);
  for (Integer Y = 0; Y < H; ++Y) {
    for (Integer X = 0; X < W; ++X) Put(X < W / 2 ? 0xFF0000 : 0x0000FF, 3);  // stored blue, green, red
    Put(0, Stride - W * 3);
  }
  return Bytes;
}

class GraphicPaint : public GridFixture {
protected:
  ScopedGridTextEngine Metrics;
  void SetUp() override {
    GridFixture::SetUp();
    AddTableColumn(Table.GetMemTableData(), TMTBlobDataFieldEh::StaticComponentClass(), ftGraphic, u"PHOTO")
        ->SetVisible(true);
  }
  // Two records: one with a 40 x 30 picture, one without.
  void ShowPictures(bool AutoFit, Integer Width = 80) {
    Table.Open();
    Table.Append();
    Table.FieldByName(u"NAME_THIS")->SetAsString(u"Фото");
    TMemoryStream Stream;
    const std::string Bmp = TwoColourBmp(40, 30);
    Stream.WriteBuffer(Bmp.data(), Integer(Bmp.size()));
    Stream.SetPosition(0);
    dynamic_cast<TBlobField*>(Table.FieldByName(u"PHOTO"))->LoadFromStream(&Stream);
    Table.Post();
    Table.Append();
    Table.FieldByName(u"NAME_THIS")->SetAsString(u"Пусто");
    Table.Post();
    Table.First();
    MakeGrid(400, 200);
    TColumnEh* Photo = Grid->GetColumns()->Add();
    Photo->SetFieldName(u"PHOTO");
    Photo->SetWidth(Width);
    Grid->SetDrawGraphicData(true);
    if (AutoFit) Grid->SetOptionsEh(Grid->GetOptionsEh() + dghAutoFitRowHeight);
    Grid->SetDataSource(&Source);
    Display.ProcessMessages();
  }
};

}  // namespace

TEST_F(GraphicPaint, AGraphicColumnDrawsThePictureCentredAndShrunkToFitKeepingItsShape) {
  ShowPictures(false);
  ASSERT_EQ(Grid->GetColumns()->Items(0)->GetColumnKind(), ckGraphic);
  TRect Cell = Grid->CellRect(1, 1);
  PaintGrid Paint(Grid);
  // 40 x 30 in an 80 x 17 cell: shrunk by the height to 23 x 17, centred.
  const Integer Mid = (Cell.Top + Cell.Bottom) / 2;
  const Integer Centre = (Cell.Left + Cell.Right) / 2;
  EXPECT_EQ(Paint.Pixel(Centre - 6, Mid), clRed);
  EXPECT_EQ(Paint.Pixel(Centre + 6, Mid), clBlue);
  EXPECT_NE(Paint.Pixel(Centre - 14, Mid), clRed);
  EXPECT_NE(Paint.Pixel(Centre + 14, Mid), clBlue);
  // The record without a picture shows an empty cell.
  const TRect Empty = Grid->CellRect(1, 2);
  EXPECT_EQ(Paint.Pixel((Empty.Left + Empty.Right) / 2, (Empty.Top + Empty.Bottom) / 2), ColorToRGB(Grid->GetColor()));
}

TEST_F(GraphicPaint, RowsThatFitTheirRecordsTakeThePicturesHeight) {
  ShowPictures(true);
  EXPECT_EQ(Grid->GetRowHeights(1), 30);
  EXPECT_EQ(Grid->GetRowHeights(2), Grid->GetDataRowHeightValue());
}

TEST_F(GraphicPaint, AColumnNarrowerThanThePictureTakesItsShrunkHeight) {
  ShowPictures(true, 32);
  EXPECT_EQ(Grid->GetRowHeights(1), 24);
  const TRect Cell = Grid->CellRect(1, 1);
  PaintGrid Paint(Grid);
  EXPECT_EQ(Paint.Pixel(Cell.Left + 8, Cell.Top + 12), clRed);
  EXPECT_EQ(Paint.Pixel(Cell.Left + 24, Cell.Top + 12), clBlue);
}
