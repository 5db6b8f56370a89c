// Title cells and the filter row as a recording canvas hears them: the caption in
// the title's font, colour and alignment, sort markers and sort positions given up
// when the cell is too narrow, the pressed shift, title images, the filter button
// kept in the titles and its transparency, OnGetBtnParams, and the filter row's
// cells under the titles.

#include "tests/grid/DBGridPaintSupport.h"
#include "tests/grid/DBGridTestSupport.h"
#include "tests/grid/GridMetricsTestSupport.h"

namespace {

// With the exact metrics every character of the 8-point fonts is 7 pixels wide.
constexpr Integer kCharWidth = 7;

class TitlePaint : public GridFixture {
protected:
  ScopedGridTextEngine Metrics;

  void MakeTitledGrid(Integer W = 500) {
    MakeGrid(W, 200);
    for (const char16_t* Name : {u"NAME_THIS", u"ID_THIS", u"NPP"}) {
      TColumnEh* Column = Grid->GetColumns()->Add();
      Column->SetFieldName(Name);
      Column->SetWidth(120);
    }
    ShowResources();
  }
  TColumnEh* Col(Integer I) { return Grid->GetColumns()->Items(I); }
  TRect TitleRect(Integer I) { return Grid->CellRect(I + 1, 0); }
  const TGdiOp* Caption(const PaintGrid& P, Integer I) {
    return P.Text(TitleRect(I), Col(I)->GetTitle()->GetCaption());
  }
};

}  // namespace

TEST_F(TitlePaint, ACaptionIsWrittenInTheTitleFontWithItsAlignmentOnTheTitleColour) {
  MakeTitledGrid();
  TColumnTitleEh* Title = Col(1)->GetTitle();
  Title->SetCaption(u"Код");
  Title->SetColor(clYellow);
  Title->SetAlignment(taCenter);
  TFont Font;
  Font.SetStyle({fsBold});
  Font.SetColor(clNavy);
  Title->SetFont(&Font);
  PaintGrid Paint(Grid);
  const TGdiOp* Text = Caption(Paint, 1);
  ASSERT_NE(Text, nullptr);
  EXPECT_TRUE(Text->Font.Style.Contains(fsBold));
  EXPECT_EQ(Text->Color, COLORREF(clNavy));
  // Centred in the cell inside its raised frame.
  const TRect Cell = TitleRect(1);
  const TRect Content(Cell.Left + 1, Cell.Top + 1, Cell.Right - 1, Cell.Bottom - 1);
  EXPECT_EQ(Text->Origin.X, Content.Left + Content.Width() / 2 - 3 * kCharWidth / 2);
  EXPECT_EQ(Paint.Background(Content), COLORREF(clYellow));
  // dghFixed3D: a raised inner edge around the cell.
  const auto Edges = Paint.Of(gopEdge, Cell);
  ASSERT_FALSE(Edges.empty());
  EXPECT_EQ(Edges.back()->Type, UINT(BDR_RAISEDINNER));
  EXPECT_EQ(Edges.back()->Rect, Cell);
}

TEST_F(TitlePaint, SortMarkersShowTheirImageAndWithTwoSortedColumnsTheirPosition) {
  MakeTitledGrid();
  Col(0)->GetTitle()->SetSortMarker(smDownEh);
  {
    PaintGrid Paint(Grid);
    const auto Images = Paint.ImagesIn(TitleRect(0));
    ASSERT_EQ(Images.size(), 1u);
    EXPECT_EQ(Images[0]->Source, GetDBGridEhSortMarkerImages());
    EXPECT_EQ(Images[0]->Value, 0);
    // A single sorted column shows no position.
    EXPECT_EQ(Paint.Text(TitleRect(0), u"1"), nullptr);
  }
  Grid->SetOptionsEh(Grid->GetOptionsEh() + dghMultiSortMarking);
  Col(2)->GetTitle()->SetSortMarker(smUpEh);
  Grid->RebuildSortMarkedColumns();
  PaintGrid Paint(Grid);
  const auto Up = Paint.ImagesIn(TitleRect(2));
  ASSERT_EQ(Up.size(), 1u);
  EXPECT_EQ(Up[0]->Value, 1);
  const TGdiOp* First = Paint.Text(TitleRect(0), u"1");
  const TGdiOp* Second = Paint.Text(TitleRect(2), u"2");
  ASSERT_NE(First, nullptr);
  ASSERT_NE(Second, nullptr);
  EXPECT_EQ(First->Font.Name, SortMarkerFontEh()->GetName());
  EXPECT_EQ(First->BkMode, TRANSPARENT);
  // The position stands right of the marker, both at the cell's right edge.
  EXPECT_GT(Second->Origin.X, Up[0]->Rect.Left);
  EXPECT_LE(Second->Origin.X + kCharWidth, TitleRect(2).Right);
}

TEST_F(TitlePaint, ANarrowTitleGivesUpTheMarkerFirstAndThePositionSecond) {
  MakeTitledGrid();
  Grid->SetOptionsEh(Grid->GetOptionsEh() + dghMultiSortMarking);
  Col(0)->GetTitle()->SetSortMarker(smDownEh);
  Col(1)->GetTitle()->SetSortMarker(smDownEh);
  Grid->RebuildSortMarkedColumns();
  Col(1)->GetTitle()->SetCaption(u"ABCDEFGHIJ");  // 70 pixels
  const Integer Index = Grid->GetSortMarkedColumns()->IndexOf(Col(1)) + 1;
  const String Position = IntToStr(Index);
  auto Shown = [&](Integer Width, bool& Marker, bool& Number) {
    Col(1)->SetWidth(Width);
    Display.ProcessMessages();
    PaintGrid Paint(Grid);
    Marker = !Paint.ImagesIn(TitleRect(1)).empty();
    Number = Paint.Text(TitleRect(1), Position) != nullptr;
    EXPECT_NE(Caption(Paint, 1), nullptr);
  };
  bool Marker = false, Number = false;
  Shown(120, Marker, Number);
  EXPECT_TRUE(Marker);
  EXPECT_TRUE(Number);
  Shown(84, Marker, Number);
  EXPECT_FALSE(Marker);
  EXPECT_TRUE(Number);
  Shown(74, Marker, Number);
  EXPECT_FALSE(Marker);
  EXPECT_FALSE(Number);
}

TEST_F(TitlePaint, APressedTitleShiftsCaptionAndMarkerByOnePixelAndTwoWithFixedTitleLines) {
  MakeTitledGrid();
  Col(0)->GetTitle()->SetSortMarker(smDownEh);
  auto Where = [&](TPoint& Text, TPoint& Marker) {
    PaintGrid Paint(Grid);
    const TGdiOp* Op = Caption(Paint, 0);
    ASSERT_NE(Op, nullptr);
    Text = Op->Origin;
    const auto Images = Paint.ImagesIn(TitleRect(0));
    ASSERT_EQ(Images.size(), 1u);
    Marker = Images[0]->Rect.TopLeft();
  };
  TPoint Text0, Marker0, Text1, Marker1;
  Where(Text0, Marker0);
  Grid->SetTitleButtonDown(Col(0), true);
  Where(Text1, Marker1);
  EXPECT_EQ(Text1, Text0 + TPoint(1, 1));
  EXPECT_EQ(Marker1, Marker0 + TPoint(1, 1));
  // Another column's title is not pressed.
  Grid->SetTitleLines(1);
  Display.ProcessMessages();
  Grid->SetTitleButtonDown(Col(0), false);
  Where(Text0, Marker0);
  Grid->SetTitleButtonDown(Col(0), true);
  Where(Text1, Marker1);
  EXPECT_EQ(Marker1, Marker0 + TPoint(2, 2));
  PaintGrid Paint(Grid);
  const auto Edges = Paint.Of(gopEdge, TitleRect(0));
  ASSERT_FALSE(Edges.empty());
  EXPECT_EQ(Edges.back()->Type, UINT(BDR_SUNKENINNER));
  EXPECT_EQ(Paint.Of(gopEdge, TitleRect(1)).back()->Type, UINT(BDR_RAISEDINNER));
}

TEST_F(TitlePaint, ATitleImageReplacesTheCaptionOnlyWhenTheGridHasTitleImages) {
  MakeTitledGrid();
  Col(1)->GetTitle()->SetImageIndex(0);
  {
    PaintGrid Paint(Grid);
    EXPECT_NE(Caption(Paint, 1), nullptr);
    EXPECT_TRUE(Paint.ImagesIn(TitleRect(1)).empty());
  }
  TImageList Images(nullptr);
  Images.SetWidth(10);
  Images.SetHeight(10);
  TBitmap Picture;
  Picture.SetSize(10, 10);
  Images.AddMasked(&Picture, clWhite);
  Grid->SetTitleImages(&Images);
  PaintGrid Paint(Grid);
  EXPECT_EQ(Caption(Paint, 1), nullptr);
  const auto Drawn = Paint.ImagesIn(TitleRect(1));
  ASSERT_EQ(Drawn.size(), 1u);
  EXPECT_EQ(Drawn[0]->Source, &Images);
  Grid->SetTitleImages(nullptr);
}

TEST_F(TitlePaint, TheFilterButtonInTheTitlesIsFaintUntilTheMouseIsOverItOrItsListIsOpen) {
  MakeTitledGrid();
  Grid->GetSTFilter()->SetLocation(stflInTitleFilterEh);
  Grid->GetSTFilter()->SetVisible(true);
  Display.ProcessMessages();
  auto Alphas = [&](Integer I) {
    PaintGrid Paint(Grid);
    std::vector<Integer> Result;
    for (const TGdiOp* Op : Paint.Of(gopAlphaBlend, TitleRect(I))) Result.push_back(Op->Value);
    return Result;
  };
  EXPECT_EQ(Alphas(0), std::vector<Integer>{51});
  // The mouse over the title: less faint; over the button itself: opaque.
  const TRect Cell = TitleRect(1);
  Grid->UpdateHotTrack(Cell.Left + 5, Cell.Top + 5);
  EXPECT_EQ(Alphas(1), std::vector<Integer>{178});
  EXPECT_EQ(Alphas(0), std::vector<Integer>{51});
  Grid->SetTitleFilterButtonHot(true);
  EXPECT_TRUE(Alphas(1).empty());
  Grid->SetTitleFilterButtonHot(false);
  Grid->SetTitleFilterListColumn(Col(2));
  EXPECT_TRUE(Alphas(2).empty());
  // The caption ends before the button.
  PaintGrid Paint(Grid);
  const TGdiOp* Text = Caption(Paint, 0);
  ASSERT_NE(Text, nullptr);
  EXPECT_LT(Text->Rect.Right, TitleRect(0).Right - 10);
}

TEST_F(TitlePaint, OnGetBtnParamsChangesTheColourAndTheMarkerOfTitlesBoundToFields) {
  MakeTitledGrid();
  Grid->OnGetBtnParams = [](TObject*, TColumnEh* Column, TFont* Font, TColor& Background, TSortMarkerEh& Marker, bool) {
    if (Column->GetFieldName() != u"ID_THIS") return;
    Background = clAqua;
    Marker = smUpEh;
    Font->SetColor(clMaroon);
  };
  PaintGrid Paint(Grid);
  const TRect Cell = TitleRect(1);
  EXPECT_EQ(Paint.Background(TRect(Cell.Left + 1, Cell.Top + 1, Cell.Right - 1, Cell.Bottom - 1)), COLORREF(clAqua));
  const auto Images = Paint.ImagesIn(Cell);
  ASSERT_EQ(Images.size(), 1u);
  EXPECT_EQ(Images[0]->Value, 1);
  EXPECT_EQ(Caption(Paint, 1)->Color, COLORREF(clMaroon));
  EXPECT_TRUE(Paint.ImagesIn(TitleRect(0)).empty());
}

TEST_F(TitlePaint, TheWholeGridSelectedDarkensTheTitles) {
  MakeTitledGrid();
  Grid->SetOptions(Grid->GetOptions() + dgMultiSelect);
  Grid->GetSelection()->SelectAll();
  PaintGrid Paint(Grid);
  const TRect Cell = TitleRect(0);
  EXPECT_EQ(Paint.Background(TRect(Cell.Left + 1, Cell.Top + 1, Cell.Right - 1, Cell.Bottom - 1)), COLORREF(0x404040));
  EXPECT_EQ(Caption(Paint, 0)->Color, COLORREF(clWhite));
}

TEST_F(TitlePaint, TheFilterRowUnderTheTitlesShowsTheFilterTextInBlueOnTheBlendedFace) {
  MakeTitledGrid();
  Grid->GetSTFilter()->SetVisible(true);
  Display.ProcessMessages();
  ASSERT_EQ(Grid->GetTitleRowCount(), 2);
  Col(0)->GetSTFilter()->SetExpressionStr(u"Арх");
  PaintGrid Paint(Grid);
  const TRect Cell = Grid->CellRect(1, 1);
  const TGdiOp* Text = Paint.Text(Cell, u"Арх");
  ASSERT_NE(Text, nullptr);
  EXPECT_EQ(Text->Color, COLORREF(clBlue));
  const COLORREF Face = COLORREF(ColorToRGB(BlendColorsEh(clWindow, Grid->GetFixedColor(), 8)));
  EXPECT_EQ(Paint.Background(TRect(Cell.Left, Cell.Top, Cell.Left + 10, Cell.Bottom)), Face);
  EXPECT_EQ(Text->BkColor, Face);
  // A column bound to a field keeps a drop-down button at the cell's right edge.
  EXPECT_FALSE(Paint.Of(gopBlit, TRect(Cell.Right - 8, Cell.Top, Cell.Right, Cell.Bottom)).empty());
  EXPECT_LE(Text->Rect.Right, Cell.Right - GetSystemMetrics(SM_CXVSCROLL));
  // The filter row never shows a caption.
  for (Integer I = 0; I < 3; ++I)
    EXPECT_EQ(Paint.Text(Grid->CellRect(I + 1, 1), Col(I)->GetTitle()->GetCaption()), nullptr);
  // The captions are still in the title row above it.
  EXPECT_NE(Caption(Paint, 0), nullptr);
}
