// The indicator column and footer cells as a recording canvas hears them: the
// state image on the current row (browsing, editing, inserting, searching), record
// numbers and the record count, the whole grid selected, the indicator title's
// drop-down sign, and footer texts with their events.

#include "tests/grid/DBGridPaintSupport.h"
#include "tests/grid/DBGridTestSupport.h"
#include "tests/grid/GridMetricsTestSupport.h"

namespace {

class IndicatorPaint : public GridFixture {
protected:
  ScopedGridTextEngine Metrics;

  void MakeIndicatorGrid() {
    MakeGrid(400, 260);
    for (const char16_t* Name : {u"NAME_THIS", u"NPP"}) {
      TColumnEh* Column = Grid->GetColumns()->Add();
      Column->SetFieldName(Name);
      Column->SetWidth(120);
    }
    ShowResources();
  }
  TRect Indicator(Integer R) { return Grid->CellRect(0, R + Grid->GetTitleRowCount()); }
  // A 3-D cell's face inside its frame.
  static TRect Inner(TRect R) {
    InflateRect(R, -1, -1);
    return R;
  }
  // The indicator images drawn in each data row, -1 where none.
  std::vector<Integer> IndicatorImages(const PaintGrid& Paint, Integer Rows = 6) {
    std::vector<Integer> Result;
    for (Integer R = 0; R < Rows; ++R) {
      const auto Images = Paint.ImagesIn(Indicator(R));
      Result.push_back(Images.empty() ? -1 : Images[0]->Value);
      for (const TGdiOp* Op : Images) EXPECT_EQ(Op->Source, GetDBGridEhIndicators());
    }
    return Result;
  }
};

}  // namespace

TEST_F(IndicatorPaint, TheCurrentRowShowsTheArrowAndEditingInsertingAndSearchingTheirOwnImages) {
  MakeIndicatorGrid();
  Table.First();
  Table.MoveBy(2);
  Display.ProcessMessages();
  EXPECT_EQ(IndicatorImages(PaintGrid(Grid)), (std::vector<Integer>{-1, -1, 0, -1, -1, -1}));
  // Centred in the cell.
  const TRect Arrow = PaintGrid(Grid).ImagesIn(Indicator(2))[0]->Rect;
  EXPECT_EQ(Arrow.Top - Indicator(2).Top,
            Indicator(2).Bottom - Arrow.Bottom - (Indicator(2).Height() - Arrow.Height()) % 2);
  Table.Edit();
  EXPECT_EQ(IndicatorImages(PaintGrid(Grid))[2], 1);
  Table.Cancel();
  Table.Insert();
  Display.ProcessMessages();
  const Integer NewRow = Grid->GetRow() - Grid->GetTitleRowCount();
  EXPECT_EQ(IndicatorImages(PaintGrid(Grid), 7)[size_t(NewRow)], 2);
  Table.Cancel();
  Display.ProcessMessages();
  Grid->SetIncSearchActive(true);
  EXPECT_EQ(IndicatorImages(PaintGrid(Grid))[2], 6);
  Grid->SetIncSearchActive(false);
  // Without the indicator option no image, even on the current row.
  Grid->SetOptions(Grid->GetOptions() - dgIndicator);
  Display.ProcessMessages();
  EXPECT_TRUE(PaintGrid(Grid).Recorder.OfKind(gopImage).empty());
}

TEST_F(IndicatorPaint, RecordNumbersStandBesideTheArrowAndTheFirstFooterShowsTheRecordCount) {
  MakeIndicatorGrid();
  Grid->SetFooterRowCount(1);
  Grid->SetOptionsEh(Grid->GetOptionsEh() + dghShowRecNo);
  Table.First();
  Display.ProcessMessages();
  {
    PaintGrid Paint(Grid);
    for (Integer R = 0; R < 6; ++R) {
      const auto Texts = Paint.TextsIn(Indicator(R));
      ASSERT_EQ(Texts.size(), 1u) << R;
      EXPECT_EQ(Texts[0]->Text, IntToStr(R + 1));
      // The number one point smaller than the grid's font, left of the image.
      EXPECT_EQ(Texts[0]->Font.Height, -MulDiv(Grid->GetFont()->GetSize() - 1, 96, 72));
      EXPECT_LE(Texts[0]->Rect.Right, Indicator(R).Right - 9);
    }
    // The arrow is right-aligned beside the number.
    const auto Images = Paint.ImagesIn(Indicator(0));
    ASSERT_EQ(Images.size(), 1u);
    EXPECT_GE(Images[0]->Rect.Left, Indicator(0).Right - 9 - 1);
    const TRect Footer = Grid->CellRect(0, Grid->GetRowCount());
    const auto Count = Paint.TextsIn(Footer);
    ASSERT_EQ(Count.size(), 1u);
    EXPECT_EQ(Count[0]->Text, u"6");
  }
  // A record being inserted has no number yet.
  Table.Insert();
  Display.ProcessMessages();
  PaintGrid Paint(Grid);
  EXPECT_TRUE(Paint.TextsIn(Indicator(0)).empty());
  EXPECT_EQ(Paint.TextsIn(Indicator(1))[0]->Text, u"1");
  Table.Cancel();
}

TEST_F(IndicatorPaint, TheWholeGridSelectedPaintsTheIndicatorInTheSelectionColours) {
  MakeIndicatorGrid();
  Grid->SetOptions(Grid->GetOptions() + dgMultiSelect);
  const COLORREF Face = COLORREF(ColorToRGB(Grid->GetFixedColor()));
  EXPECT_EQ(PaintGrid(Grid).Background(Inner(Indicator(3))), Face);
  Grid->GetSelection()->SelectAll();
  PaintGrid Paint(Grid);
  EXPECT_EQ(Paint.Background(Inner(Grid->CellRect(0, 0))), COLORREF(0x404040));
  for (Integer R = 0; R < 6; ++R) {
    EXPECT_NE(Paint.Background(Inner(Indicator(R))), Face) << R;
    EXPECT_NE(Paint.Background(Inner(Indicator(R))), CLR_INVALID) << R;
  }
  // The current row of a whole selection shows the white arrow.
  EXPECT_EQ(IndicatorImages(Paint)[0], 5);
}

TEST_F(IndicatorPaint, TheIndicatorTitleShowsItsDropDownSignAndSinksWhenPressed) {
  MakeIndicatorGrid();
  const TRect Title = Grid->CellRect(0, 0);
  EXPECT_TRUE(PaintGrid(Grid).ImagesIn(Title).empty());
  Grid->GetIndicatorTitle()->SetShowDropDownSign(true);
  TRect Up;
  {
    PaintGrid Paint(Grid);
    const auto Images = Paint.ImagesIn(Title);
    ASSERT_EQ(Images.size(), 1u);
    EXPECT_EQ(Images[0]->Source, GetDBGridEhSortMarkerImages());
    EXPECT_EQ(Images[0]->Value, 2);
    Up = Images[0]->Rect;
    EXPECT_EQ(Paint.Of(gopEdge, Title).back()->Type, UINT(BDR_RAISEDINNER));
  }
  Grid->SetIndicatorTitleDown(true);
  PaintGrid Paint(Grid);
  const auto Images = Paint.ImagesIn(Title);
  ASSERT_EQ(Images.size(), 1u);
  EXPECT_EQ(Images[0]->Rect.TopLeft(), Up.TopLeft() + TPoint(2, 2));
  EXPECT_EQ(Paint.Of(gopEdge, Title).back()->Type, UINT(BDR_SUNKENINNER));
}

TEST_F(IndicatorPaint, FooterCellsShowTheirTextInTheFootersFontAndColourAndTheEventsMayChangeIt) {
  MakeIndicatorGrid();
  Grid->SetFooterRowCount(2);
  Display.ProcessMessages();
  TColumnEh* Name = Grid->GetColumns()->Items(0);
  TColumnFooterEh* Second = Name->GetFooters()->Add();
  Name->GetFooters()->Add();
  (void)Second;
  TColumnFooterEh* First = Name->GetFooters()->Items(0);
  First->SetValueType(fvtStaticText);
  First->SetValue(u"Итого");
  First->SetAlignment(taRightJustify);
  First->SetColor(clCream);
  const TRect Cell0 = Grid->CellRect(1, Grid->GetRowCount());
  const TRect Cell1 = Grid->CellRect(1, Grid->GetRowCount() + 1);
  {
    PaintGrid Paint(Grid);
    const TGdiOp* Text = Paint.Text(Cell0, u"Итого");
    ASSERT_NE(Text, nullptr);
    EXPECT_EQ(Text->BkColor, COLORREF(clCream));
    EXPECT_EQ(Text->Origin.X, Cell0.Right - 5 * 7 - 3);
    EXPECT_EQ(Text->Font.Name, Grid->GetFooterFont()->GetName());
  }
  std::vector<std::pair<Integer, Integer>> Drawn;
  Grid->OnGetFooterParams = [](TObject*, Integer DataCol, Integer Row, TColumnEh*, TFont* Font, TColor& Background,
                               TAlignment& Alignment, TGridDrawState, String& Text) {
    if (DataCol != 0 || Row != 1) return;
    Text = u"Всего";
    Background = clAqua;
    Alignment = taLeftJustify;
    Font->SetStyle({fsBold});
  };
  Grid->OnDrawFooterCell = [&](TObject*, Integer DataCol, Integer Row, TColumnEh*, const TRect&, TGridDrawState) {
    Drawn.emplace_back(DataCol, Row);
  };
  PaintGrid Paint(Grid);
  const TGdiOp* Total = Paint.Text(Cell1, u"Всего");
  ASSERT_NE(Total, nullptr);
  EXPECT_EQ(Total->BkColor, COLORREF(clAqua));
  EXPECT_TRUE(Total->Font.Style.Contains(fsBold));
  EXPECT_EQ(Total->Origin.X, Cell1.Left + 2);
  EXPECT_EQ(Drawn, (std::vector<std::pair<Integer, Integer>>{{0, 0}, {1, 0}, {0, 1}, {1, 1}}));
}
