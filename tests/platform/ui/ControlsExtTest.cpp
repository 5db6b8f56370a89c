// Check list boxes, speed buttons, panels, splitters, radio groups, timers and
// images, driven on the headless display.

#include <gtest/gtest.h>

#include "platform/backend/Headless.h"
#include "platform/ui/Buttons.h"
#include "platform/ui/CheckLst.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/Jpeg.h"
#include "tests/platform/ui/FormTestSupport.h"

namespace {

class ExtControls : public FormFixture {
protected:
  void SetUp() override { MakeForm(400, 300); }
};

}  // namespace

// ---- Check list box ----------------------------------------------------------------------------

TEST_F(ExtControls, CheckListTicksOnTheBoxAndSelectsOnTheText) {
  auto* l = Make<TCheckListBox>(10, 10, 200, 100);
  for (auto* s : {u"РГБ (rusmarc)", u"ГПНТБ (unimarc)", u"LC (marc21)"}) l->GetItems()->Add(s);
  int checks = 0, clicks = 0;
  l->OnClickCheck = [&](TObject*) { ++checks; };
  l->OnClick = [&](TObject*) { ++clicks; };
  Form->Show();
  const Integer h = l->GetItemHeight();
  Display.Click(l->GetHandle(), 6, h + h / 2);
  EXPECT_TRUE(l->GetChecked(1));
  EXPECT_EQ(l->GetItemIndex(), 1);
  EXPECT_EQ(checks, 1);
  Display.Click(l->GetHandle(), 80, 2 * h + h / 2);  // on the text: selects only
  EXPECT_FALSE(l->GetChecked(2));
  EXPECT_EQ(l->GetItemIndex(), 2);
  Display.TypeText(u" ");
  EXPECT_TRUE(l->GetChecked(2));
  EXPECT_EQ(checks, 2);
  EXPECT_EQ(clicks, 2);
}

TEST_F(ExtControls, CheckStatesMoveWithTheirItems) {
  auto* l = Make<TCheckListBox>(10, 10, 200, 100);
  for (auto* s : {u"a", u"b", u"c"}) l->GetItems()->Add(s);
  l->SetChecked(1, true);
  l->GetItems()->Insert(0, u"new");
  EXPECT_TRUE(l->GetChecked(2));
  EXPECT_FALSE(l->GetChecked(1));
  l->GetItems()->Delete(0);
  EXPECT_TRUE(l->GetChecked(1));
  l->SetAllowGrayed(true);
  l->SetState(0, cbGrayed);
  EXPECT_EQ(l->GetState(0), cbGrayed);
  EXPECT_FALSE(l->GetChecked(0));
}

// ---- Speed button -------------------------------------------------------------------------------

TEST_F(ExtControls, SpeedButtonClicksOnlyWhenReleasedInside) {
  auto* b = Make<TSpeedButton>(10, 10, 80, 25);
  b->SetCaption(u"Искать !");
  int clicks = 0;
  b->OnClick = [&](TObject*) { ++clicks; };
  Form->Show();
  Display.Click(Form->GetHandle(), 20, 20);
  EXPECT_EQ(clicks, 1);
  Display.MouseDown(Form->GetHandle(), 20, 20);
  EXPECT_EQ(b->GetState(), bsDown);
  Display.MouseUp(Form->GetHandle(), 300, 200);
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(b->GetState(), bsUp);
}

TEST_F(ExtControls, SpeedButtonsOfAGroupStayDownOneAtATime) {
  auto* a = Make<TSpeedButton>(10, 10, 30, 25);
  auto* b = Make<TSpeedButton>(50, 10, 30, 25);
  a->SetGroupIndex(1);
  b->SetGroupIndex(1);
  Form->Show();
  Display.Click(Form->GetHandle(), 20, 20);
  EXPECT_TRUE(a->GetDown());
  Display.Click(Form->GetHandle(), 60, 20);
  EXPECT_TRUE(b->GetDown());
  EXPECT_FALSE(a->GetDown());
  Display.Click(Form->GetHandle(), 60, 20);  // the last one down stays down
  EXPECT_TRUE(b->GetDown());
  a->SetAllowAllUp(true);
  Display.Click(Form->GetHandle(), 60, 20);
  EXPECT_FALSE(b->GetDown());
}

TEST_F(ExtControls, SpeedButtonHearsTheMouseComeAndGo) {
  auto* b = Make<TSpeedButton>(10, 10, 120, 30);
  b->SetFlat(true);
  b->SetCaption(u"Ресурсы");
  b->OnMouseEnter = [&](TObject*) {
    TFontStyles s = b->GetFont()->GetStyle();
    b->GetFont()->SetStyle(s.Include(fsBold));
  };
  b->OnMouseLeave = [&](TObject*) { b->GetFont()->SetStyle(TFontStyles()); };
  Form->Show();
  Display.MouseMove(Form->GetHandle(), 30, 20);
  EXPECT_TRUE(b->GetMouseInControl());
  EXPECT_TRUE(b->GetFont()->GetStyle().Contains(fsBold));
  Display.MouseMove(Form->GetHandle(), 300, 200);
  EXPECT_FALSE(b->GetFont()->GetStyle().Contains(fsBold));
}

TEST_F(ExtControls, GlyphMarginAndLayoutPlaceGlyphAndCaption) {
  auto* b = Make<TSpeedButton>(10, 10, 120, 30);
  TBitmap glyph;
  glyph.SetSize(16, 16);
  glyph.GetCanvas()->GetBrush()->SetColor(clFuchsia);  // transparent (bottom-left)
  glyph.GetCanvas()->FillRect(TRect(0, 0, 16, 16));
  glyph.GetCanvas()->GetBrush()->SetColor(clRed);
  glyph.GetCanvas()->FillRect(TRect(4, 4, 12, 12));
  b->SetGlyph(&glyph);
  b->SetCaption(u"Искать !");
  const TRect client(0, 0, 120, 30);
  TPoint g;
  TRect t;
  b->CalcLayout(client, g, t);
  EXPECT_LT(g.X, t.Left);
  EXPECT_LE(std::abs((g.X - client.Left) - (client.Right - t.Right)), 1);  // centred together
  b->SetMargin(10);
  b->SetLayout(blGlyphRight);
  b->CalcLayout(client, g, t);
  EXPECT_EQ(g.X, 120 - 10 - 16);
  EXPECT_LT(t.Right, g.X);

  Form->SetColor(clWhite);
  Form->Show();
  RenderWindow(Form->GetHandle());
  TPoint at;
  b->CalcLayout(TRect(2, 2, 118, 28), at, t);
  EXPECT_EQ(Display.PixelAt(Form->GetHandle(), 10 + at.X + 8, 10 + at.Y + 8), TColor(0x0000FF));
  EXPECT_NE(Display.PixelAt(Form->GetHandle(), 10 + at.X + 1, 10 + at.Y + 1), TColor(0xFF00FF));
}

// ---- Panel, splitter, radio group ---------------------------------------------------------------

TEST_F(ExtControls, PanelKeepsChildrenInsideItsBevel) {
  auto* p = Make<TPanel>(10, 10, 200, 100);
  auto* inner = Make<TEdit>(0, 0, 10, 10, p);
  inner->SetAlign(alClient);
  Form->Show();
  EXPECT_EQ(inner->GetBoundsRect(), TRect(1, 1, 199, 99));
  p->SetBevelInner(bvLowered);
  p->SetBorderWidth(2);
  EXPECT_EQ(inner->GetBoundsRect(), TRect(4, 4, 196, 96));
}

TEST_F(ExtControls, SplitterDragResizesTheControlBesideIt) {
  auto* left = Make<TPanel>(0, 0, 100, 300);
  left->SetAlign(alLeft);
  auto* split = Make<TSplitter>(100, 0, 3, 300);
  split->SetAlign(alLeft);
  split->SetLeft(left->GetWidth());
  auto* rest = Make<TPanel>(0, 0, 10, 10);
  rest->SetAlign(alClient);
  int moved = 0;
  split->OnMoved = [&](TObject*) { ++moved; };
  Form->Show();
  const Integer x = split->GetLeft() + 1;
  Display.Drag(Form->GetHandle(), TPoint(x, 50), TPoint(x + 40, 50));
  EXPECT_EQ(left->GetWidth(), 140);
  EXPECT_EQ(rest->GetLeft(), 143);
  EXPECT_EQ(moved, 1);
  Display.Drag(Form->GetHandle(), TPoint(split->GetLeft() + 1, 50), TPoint(0, 50));
  EXPECT_EQ(left->GetWidth(), split->GetMinSize());
}

TEST_F(ExtControls, ASplitterTurnedToTheTopKeepsItsThicknessAndTakesTheUpDownCursor) {
  auto* area = Make<TPanel>(0, 0, 406, 212);
  area->SetBevelOuter(bvNone);
  auto* top = Make<TPanel>(0, 0, 406, 84, area);
  top->SetAlign(alTop);
  auto* split = new TSplitter(Form);
  split->SetParent(area);
  EXPECT_EQ(split->GetCursor(), crHSplit);
  split->SetAlign(alTop);
  split->SetTop(84);
  auto* rest = Make<TPanel>(0, 0, 10, 10, area);
  rest->SetAlign(alClient);
  Form->Show();
  EXPECT_EQ(split->GetBoundsRect(), TRect(0, 84, 406, 87));
  EXPECT_EQ(split->GetCursor(), crVSplit);
  EXPECT_EQ(rest->GetBoundsRect(), TRect(0, 87, 406, 212));
  // Docked at the bottom and back at the top, it stays a bar.
  split->SetAlign(alBottom);
  split->SetAlign(alTop);
  EXPECT_EQ(split->GetHeight(), 3);
  split->SetAlign(alRight);
  EXPECT_EQ(split->GetWidth(), 3);
  EXPECT_EQ(split->GetCursor(), crHSplit);
}

TEST_F(ExtControls, RadioGroupMakesAButtonPerItem) {
  auto* g = Make<TRadioGroup>(10, 10, 300, 80);
  g->SetCaption(u"Вариант сохранения записей: ");
  g->GetItems()->Add(u"Для каждого Z39.50-ресурса - отдельный файл");
  g->GetItems()->Add(u"Для каждого формата - отдельный файл");
  int clicks = 0;
  g->OnClick = [&](TObject*) { ++clicks; };
  g->SetItemIndex(0);
  EXPECT_EQ(clicks, 1);  // as the platform's: checking the button clicks
  Form->Show();
  TRadioButton* second = g->Buttons(1);
  Display.Click(second->GetHandle(), 5, 8);
  EXPECT_EQ(g->GetItemIndex(), 1);
  EXPECT_FALSE(g->Buttons(0)->GetChecked());
  EXPECT_EQ(clicks, 2);
  EXPECT_GT(second->GetTop(), g->Buttons(0)->GetTop());
}

// ---- Timer, image ---------------------------------------------------------------------------------

TEST_F(ExtControls, TimerTicksOnTheClockWhileEnabled) {
  auto* t = new TTimer(Form);
  t->SetInterval(55);
  int ticks = 0;
  t->OnTimer = [&](TObject*) { ++ticks; };
  Display.AdvanceClock(120);
  EXPECT_EQ(ticks, 2);
  t->SetEnabled(false);
  Display.AdvanceClock(500);
  EXPECT_EQ(ticks, 2);
  t->SetEnabled(true);
  t->SetInterval(100);
  Display.AdvanceClock(250);
  EXPECT_EQ(ticks, 4);
  delete t;
  Display.AdvanceClock(500);  // no tick after the timer is gone
  EXPECT_EQ(ticks, 4);
}

TEST_F(ExtControls, ImageDrawsItsPictureAndNothingWhenTheJpegIsBad) {
  auto* img = Make<TImage>(10, 10, 50, 50);
  TBitmap bmp;
  bmp.SetSize(20, 20);
  bmp.GetCanvas()->GetBrush()->SetColor(clBlue);
  bmp.GetCanvas()->FillRect(TRect(0, 0, 20, 20));
  img->GetPicture()->SetGraphic(&bmp);
  img->SetStretch(true);
  Form->SetColor(clWhite);
  Form->Show();
  RenderWindow(Form->GetHandle());
  EXPECT_EQ(Display.PixelAt(Form->GetHandle(), 10 + 45, 10 + 45), TColor(0xFF0000));

  TJPEGImage jpeg;
  EXPECT_THROW(jpeg.LoadFromBytes("\xFF\xD8\xFF garbage"), EInvalidGraphic);
  img->GetPicture()->SetGraphic(jpeg.GetBitmap());  // nothing decoded: the picture is cleared
  RenderWindow(Form->GetHandle());
  EXPECT_EQ(Display.PixelAt(Form->GetHandle(), 10 + 45, 10 + 45), TColor(0xFFFFFF));
}
