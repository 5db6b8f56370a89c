// The painting routines the grid's painters share: text cut with "...", the
// writers' placement by alignment and layout, vertical text, images clipped to
// their cell, the buttons' transparency, and the shared scratch bitmap.

#include <gtest/gtest.h>

#include "grid/DBGridEh.h"
#include "tests/grid/DBGridPaintSupport.h"
#include "tests/grid/GridMetricsTestSupport.h"

namespace {

constexpr Integer kCharWidth = 7;  // the exact metrics' 8-point character
constexpr Integer kLine = 13;      // and line height

class PaintHelpers : public ::testing::Test {
protected:
  ScopedGridTextEngine Metrics;
  TBitmap Bitmap;
  TGdiRecorder Recorder;
  TCanvas* Canvas = nullptr;

  void SetUp() override {
    Bitmap.SetSize(200, 100);
    Canvas = Bitmap.GetCanvas();
    SetGdiRecorder(Canvas->GetHandle(), &Recorder);
  }
  void TearDown() override { SetGdiRecorder(Canvas->GetHandle(), nullptr); }
  const TGdiOp& LastText() {
    const auto Texts = Recorder.OfKind(gopText);
    EXPECT_FALSE(Texts.empty());
    return *Texts.back();
  }
};

}  // namespace

TEST_F(PaintHelpers, EllipsisCutsOnlyWhatDoesNotFit) {
  String Result;
  EllipsisTextEh(u"Архив", Canvas, 5 * kCharWidth, Result);
  EXPECT_EQ(Result, u"Архив");
  EllipsisTextEh(u"Библиотеки", Canvas, 7 * kCharWidth, Result);
  EXPECT_EQ(Result, u"Библ...");
  // One character that does not fit leaves the dots alone.
  EllipsisTextEh(u"Ж", Canvas, 3, Result);
  EXPECT_EQ(Result, u"...");
}

TEST_F(PaintHelpers, OneLineIsPlacedByAlignmentAndLayout) {
  const TRect Cell(10, 10, 110, 50);  // 40 high: room below one line
  WriteTextEh(Canvas, Cell, true, 2, 2, u"Фонд", taLeftJustify, tlTop, false, false, 0, 0, false);
  EXPECT_EQ(LastText().Origin, TPoint(12, 12));
  EXPECT_EQ(LastText().Flags, UINT(ETO_CLIPPED | ETO_OPAQUE));
  WriteTextEh(Canvas, Cell, true, 2, 2, u"Фонд", taRightJustify, tlCenter, false, false, 0, 0, false);
  EXPECT_EQ(LastText().Origin, TPoint(110 - 4 * kCharWidth - 3, (10 + 50 - kLine) / 2));
  WriteTextEh(Canvas, Cell, true, 2, 2, u"Фонд", taCenter, tlBottom, false, false, 0, 0, false);
  EXPECT_EQ(LastText().Origin, TPoint(10 + 50 - 2 * kCharWidth, 50 - kLine));
  // Without the fill flag the text goes over what the cell shows.
  WriteTextEh(Canvas, Cell, false, 2, 2, u"Фонд", taLeftJustify, tlTop, false, false, 0, 0, false);
  EXPECT_EQ(LastText().BkMode, TRANSPARENT);
  EXPECT_EQ(LastText().Flags, UINT(ETO_CLIPPED));
  EXPECT_EQ(Canvas->GetBrush()->GetStyle(), bsSolid);
}

TEST_F(PaintHelpers, EndEllipsisCutsOneLineToTheCellAndSeveralLinesWrap) {
  const TRect Cell(0, 0, 60, 40);
  WriteTextEh(Canvas, Cell, true, 2, 2, u"Национальная", taLeftJustify, tlTop, false, true, 0, 2, false);
  EXPECT_EQ(LastText().Text, u"Нацио...");
  WriteTextEh(Canvas, Cell, true, 2, 2, u"Национальная библиотека", taLeftJustify, tlTop, true, false, 0, 0, false);
  const TGdiOp& Wrapped = LastText();
  EXPECT_EQ(Wrapped.Type, UINT(gtxDrawText));
  EXPECT_TRUE(Wrapped.Flags & DT_WORDBREAK);
  EXPECT_EQ(Wrapped.Flags & (DT_LEFT | DT_RIGHT | DT_CENTER), UINT(DT_LEFT));
  // The fill comes first, over the whole cell.
  const auto Fills = Recorder.OfKind(gopFillRect);
  ASSERT_FALSE(Fills.empty());
  EXPECT_EQ(Fills.back()->Rect, Cell);
  // Centred several lines: the text block's top moves down by half the room left.
  WriteTextEh(Canvas, TRect(0, 0, 200, 60), true, 0, 0, u"А\nБ", taLeftJustify, tlCenter, true, false, 0, 0, false);
  EXPECT_EQ(LastText().Rect.Top, (60 - 2 * kLine) / 2);
}

TEST_F(PaintHelpers, VerticalTextMeasuresItsLengthAndTurnsItsFont) {
  const Integer Needed =
      WriteTextVerticalEh(Canvas, TRect(0, 0, 20, 90), true, 2, 2, u"Код", taLeftJustify, tlBottom, false, true);
  EXPECT_EQ(Needed, 3 * kCharWidth);
  EXPECT_TRUE(Recorder.OfKind(gopText).empty());
  WriteTextVerticalEh(Canvas, TRect(0, 0, 20, 90), true, 2, 2, u"Код", taLeftJustify, tlBottom, false, false);
  EXPECT_EQ(LastText().Font.Orientation, 900);
  EXPECT_EQ(LastText().Origin.Y, 90 - 2);
  // A font named "Default" takes the system's face.
  TFont Font;
  Font.SetName(u"Default");
  HFONT Vertical = CreateVerticalFontEh(&Font);
  HDC DC = CreateCompatibleDC(nullptr);
  SelectObject(DC, Vertical);
  EXPECT_EQ(DC->S.Font.Name, TFont().GetName());
  EXPECT_EQ(DC->S.Font.Orientation, 900);
  DeleteDC(DC);
  DeleteObject(Vertical);
}

TEST_F(PaintHelpers, AnImageLargerThanItsCellIsClippedToTheCellAndTheClipGivenBack) {
  TImageList Images(nullptr);
  Images.SetWidth(16);
  Images.SetHeight(16);
  TBitmap Picture;
  Picture.SetSize(16, 16);
  Picture.GetCanvas()->GetBrush()->SetColor(clRed);
  Picture.GetCanvas()->FillRect(TRect(0, 0, 16, 16));
  Images.AddMasked(&Picture, clWhite);
  Canvas->GetBrush()->SetColor(clWhite);
  Canvas->FillRect(TRect(0, 0, 200, 100));
  DrawImageInCellEh(&Images, nullptr, Canvas, TRect(10, 10, 20, 30), 0, 0, taLeftJustify);
  EXPECT_EQ(Bitmap.GetCanvas()->GetPixel(15, 20), clRed);
  EXPECT_EQ(Bitmap.GetCanvas()->GetPixel(21, 20), clWhite);  // cut at the cell's right edge
  TRect Clip;
  GetClipBox(Canvas->GetHandle(), Clip);
  EXPECT_EQ(Clip, TRect(0, 0, 200, 100));
  // Vertically centred: the 16-pixel image in a 20-pixel cell starts 2 below its top.
  EXPECT_EQ(Recorder.OfKind(gopImage).back()->Rect.Top, 12);
}

TEST_F(PaintHelpers, AButtonsTransparencyGivesItsAlphaAndNoTransparencyNoBlend) {
  EXPECT_EQ(ButtonAlphaEh(80), 51);
  EXPECT_EQ(ButtonAlphaEh(30), 178);
  EXPECT_EQ(ButtonAlphaEh(0), 255);
  EXPECT_EQ(ButtonAlphaEh(100), 0);
  const TRect Cell(0, 0, 60, 20), Button(44, 0, 60, 20);
  DrawCellButtonEh(nullptr, nullptr, Canvas, ebsEllipsisEh, Button, Cell, false, false, false, true, clWindow, nullptr,
                   0);
  EXPECT_TRUE(Recorder.OfKind(gopAlphaBlend).empty());
  EXPECT_FALSE(Recorder.OfKind(gopBlit).empty());
}

TEST_F(PaintHelpers, TheScratchBitmapIsSharedGrowsOnlyAndGoesWithItsLastUser) {
  // No grid holds it in this test.
  ASSERT_EQ(TempBitmapUsersEh(), 0);
  const Integer Before = 0;
  AcquireTempBitmapEh();
  AcquireTempBitmapEh();
  EXPECT_EQ(TempBitmapUsersEh(), Before + 2);
  TBitmap* B = TempBitmapEh(50, 10);
  ASSERT_NE(B, nullptr);
  EXPECT_GE(B->GetWidth(), 50);
  TempBitmapEh(10, 40);
  EXPECT_GE(B->GetWidth(), 50);
  EXPECT_GE(B->GetHeight(), 40);
  ReleaseTempBitmapEh();
  EXPECT_EQ(TempBitmapEh(1, 1), B);
  ReleaseTempBitmapEh();
  EXPECT_EQ(TempBitmapEh(1, 1), nullptr);
}
