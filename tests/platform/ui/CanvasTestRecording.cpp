// A recorder on a device context hears each drawing call once, with its own
// arguments and the context's colours and font; the drawing itself is unchanged.

#include <gtest/gtest.h>

#include "platform/ui/ImgList.h"
#include "tests/platform/ui/CanvasTestSupport.h"

namespace {

TEST(CanvasRecording, FillsTextsAndLinesAreHeardWithTheirColoursAndFont) {
  TestImage img(80, 40, clWhite);
  TGdiRecorder rec;
  SetGdiRecorder(img.DC(), &rec);
  TCanvas* c = img.Canvas();
  c->GetBrush()->SetColor(clHighlight);
  c->FillRect(Rect(1, 1, 30, 20));
  c->GetFont()->SetColor(clRed);
  c->GetFont()->SetStyle({fsBold});
  c->TextRect(Rect(1, 1, 30, 20), 3, 4, u"Имя");
  c->GetPen()->SetColor(clBlue);
  c->MoveTo(0, 30);
  c->LineTo(50, 30);
  SetGdiRecorder(img.DC(), nullptr);
  c->FillRect(Rect(0, 0, 5, 5));

  ASSERT_EQ(rec.Ops.size(), 3u);
  EXPECT_EQ(rec.Ops[0].Kind, gopFillRect);
  EXPECT_EQ(rec.Ops[0].Rect, Rect(1, 1, 30, 20));
  EXPECT_EQ(rec.Ops[0].Color, COLORREF(ColorToRGB(clHighlight)));
  const TGdiOp& text = rec.Ops[1];
  EXPECT_EQ(text.Kind, gopText);
  EXPECT_EQ(text.Text, u"Имя");
  EXPECT_EQ(text.Origin, TPoint(3, 4));
  EXPECT_EQ(text.Color, COLORREF(clRed));
  EXPECT_TRUE(text.Font.Style.Contains(fsBold));
  EXPECT_EQ(text.Flags, UINT(ETO_CLIPPED | ETO_OPAQUE));
  EXPECT_EQ(text.Type, UINT(gtxExtTextOut));
  EXPECT_EQ(rec.Ops[2].Kind, gopLine);
  EXPECT_EQ(rec.Ops[2].Color, COLORREF(clBlue));
  EXPECT_EQ(rec.Ops[2].Points, (std::vector<TPoint>{TPoint(0, 30), TPoint(50, 30)}));
  // The drawing happened as usual.
  EXPECT_EQ(img.At(10, 3), ColorToRGB(clHighlight));
  EXPECT_EQ(img.At(20, 30), clBlue);
}

TEST(CanvasRecording, ACallMadeByAnotherCallIsNotHeardTwice) {
  TestImage img(40, 40, clWhite);
  TGdiRecorder rec;
  SetGdiRecorder(img.DC(), &rec);
  TRect r(2, 2, 18, 18);
  DrawFrameControl(img.DC(), r, DFC_BUTTON, DFCS_BUTTONPUSH | DFCS_PUSHED);
  ASSERT_EQ(rec.Ops.size(), 1u);
  EXPECT_EQ(rec.Ops[0].Kind, gopFrameControl);
  EXPECT_EQ(rec.Ops[0].Flags, UINT(DFCS_BUTTONPUSH | DFCS_PUSHED));
  // Measuring text draws nothing and is not heard.
  TRect calc(0, 0, 100, 0);
  DrawText(img.DC(), u"abc", -1, calc, DT_CALCRECT);
  EXPECT_EQ(rec.Ops.size(), 1u);
}

TEST(CanvasRecording, ImagesBlendsAndNotesCarryTheirValues) {
  TestImage img(40, 40, clWhite);
  TImageList list(nullptr);
  list.SetWidth(4);
  list.SetHeight(4);
  TBitmap bmp;
  bmp.SetSize(8, 4);
  bmp.GetCanvas()->GetBrush()->SetColor(clRed);
  bmp.GetCanvas()->FillRect(Rect(0, 0, 8, 4));
  list.AddMasked(&bmp, clWhite);
  TGdiRecorder rec;
  SetGdiRecorder(img.DC(), &rec);
  list.Draw(img.Canvas(), 5, 6, 1);
  TestImage src(10, 10, clBlack);
  TBlendFunction blend;
  blend.SourceConstantAlpha = 51;
  AlphaBlend(img.DC(), 20, 20, 10, 10, src.DC(), 0, 0, 10, 10, blend);
  GdiRecordNote(img.DC(), u"tree element", Rect(0, 0, 18, 18), 5);

  ASSERT_EQ(rec.OfKind(gopImage).size(), 1u);
  EXPECT_EQ(rec.OfKind(gopImage)[0]->Value, 1);
  EXPECT_EQ(rec.OfKind(gopImage)[0]->Rect, Rect(5, 6, 9, 10));
  EXPECT_EQ(rec.OfKind(gopImage)[0]->Source, &list);
  ASSERT_EQ(rec.OfKind(gopAlphaBlend).size(), 1u);
  EXPECT_EQ(rec.OfKind(gopAlphaBlend)[0]->Value, 51);
  ASSERT_EQ(rec.Notes(u"tree element").size(), 1u);
  EXPECT_EQ(rec.Notes(u"tree element")[0]->Value, 5);
  EXPECT_EQ(rec.Within(gopImage, Rect(0, 0, 10, 10)).size(), 1u);
  EXPECT_TRUE(rec.Within(gopImage, Rect(10, 10, 40, 40)).empty());
}

}  // namespace
