// The text-output and window pass-throughs of the library's platform layer, and
// the input tools: the shift state, the removal of a pending click, the
// double-click test.

#include <gtest/gtest.h>

#include "editors/DaVirVCL.h"
#include "editors/ToolCtrlsEh.h"
#include "platform/backend/Headless.h"
#include "platform/ui/StdCtrls.h"

namespace {

class WindowRoutines : public ::testing::Test {
protected:
  THeadlessDisplay Display;
  TBitmap Bitmap;
  void SetUp() override {
    Bitmap.SetSize(200, 60);
    Bitmap.GetCanvas()->GetBrush()->SetColor(clWhite);
    Bitmap.GetCanvas()->FillRect(TRect(0, 0, 200, 60));
  }
  HDC DC() { return Bitmap.GetCanvas()->GetHandle(); }
  Integer InkPixels(const TRect& R) {
    Integer n = 0;
    for (Integer y = R.Top; y < R.Bottom; ++y)
      for (Integer x = R.Left; x < R.Right; ++x)
        if (Bitmap.GetCanvas()->GetPixel(x, y) != clWhite) ++n;
    return n;
  }
};

TEST_F(WindowRoutines, DrawTextTakesALengthOrTheWholeText) {
  TRect whole(0, 0, 0, 0), part(0, 0, 0, 0), all(0, 0, 0, 0);
  const Integer h = DrawTextEh(DC(), u"Библиотека", -1, whole, DT_CALCRECT | DT_SINGLELINE);
  EXPECT_GT(h, 0);
  EXPECT_EQ(whole.Height(), h);
  DrawTextEh(DC(), u"Библиотека", 3, part, DT_CALCRECT | DT_SINGLELINE);
  EXPECT_LT(part.Width(), whole.Width());
  DrawTextEh(DC(), u"Библиотека", 99, all, DT_CALCRECT | DT_SINGLELINE);
  EXPECT_EQ(all.Width(), whole.Width());
  TRect r(0, 0, 200, 30);
  DrawTextEh(DC(), u"Библиотека", -1, r, DT_SINGLELINE);
  EXPECT_GT(InkPixels(TRect(0, 0, 200, 30)), 20);
}

TEST_F(WindowRoutines, DrawTextExLeavesTheCallersParametersAsTheyWere) {
  TDrawTextParams params;
  params.iLeftMargin = 10;
  TRect r(0, 0, 200, 30);
  DrawTextExEh(DC(), u"abc", -1, r, DT_SINGLELINE, &params);
  EXPECT_EQ(params.uiLengthDrawn, 0u);
  EXPECT_EQ(InkPixels(TRect(0, 0, 10, 30)), 0);  // the margin stays empty
  EXPECT_GT(InkPixels(TRect(10, 0, 60, 30)), 0);
  TRect r2(0, 30, 200, 60);
  DrawTextExEh(DC(), u"abc", -1, r2, DT_SINGLELINE, nullptr);
  EXPECT_GT(InkPixels(TRect(0, 30, 10, 60)), 0);
}

TEST_F(WindowRoutines, ExtTextOutFillsAndClipsToItsRectangle) {
  SetBkColor(DC(), COLORREF(ColorToRGB(clYellow)));
  const TRect r(10, 10, 40, 30);
  ExtTextOutEh(DC(), 12, 10, ETO_OPAQUE | ETO_CLIPPED, &r, u"WWWWWWWWWW", 10);
  EXPECT_EQ(Bitmap.GetCanvas()->GetPixel(39, 29), ColorToRGB(clYellow));
  EXPECT_EQ(InkPixels(TRect(40, 0, 200, 60)), 0);
  EXPECT_EQ(InkPixels(TRect(0, 30, 200, 60)), 0);
}

TEST_F(WindowRoutines, RectanglesConvertToDeviceUnitsCornerByCorner) {
  SetViewportOrgEx(DC(), 5, 7, nullptr);
  TRect r(1, 2, 3, 4);
  EXPECT_TRUE(WindowsLPtoDPEh(DC(), r));
  EXPECT_EQ(r, TRect(6, 9, 8, 11));
  EXPECT_EQ(EmptyRectEh(), TRect(0, 0, 0, 0));
  TRect copy;
  CopyRectEh(copy, r);
  EXPECT_EQ(copy, CopyRectEh(r));
}

TEST_F(WindowRoutines, MessagesCarryTextsAndRecordsByPointer) {
  TForm* form = new TForm(Application);
  auto* list = new TListBox(form);
  list->SetParent(form);
  list->GetItems()->Add(u"Пушкин");
  list->GetItems()->Add(u"Лермонтов");
  form->Show();
  EXPECT_EQ(SendTextMessageEh(list->GetHandle(), LB_SELECTSTRING, WPARAM(-1), u"лер"), 1);
  EXPECT_EQ(list->GetItemIndex(), 1);
  TRect item;
  EXPECT_EQ(SendStructMessageEh(list->GetHandle(), LB_GETITEMRECT, 0, &item), 1);
  EXPECT_EQ(item.Top, 0);
  EXPECT_GT(item.Bottom, 0);
}

TEST_F(WindowRoutines, EditSelectionIsSetByStartAndEnd) {
  TForm* form = new TForm(Application);
  auto* edit = new TEdit(form);
  edit->SetParent(form);
  edit->SetText(u"Z39.50 search");
  form->Show();
  SetEditSelectionEh(edit->GetHandle(), 2, 6);
  EXPECT_EQ(edit->GetSelStart(), 2);
  EXPECT_EQ(edit->GetSelLength(), 4);
}

TEST_F(WindowRoutines, InvalidatingAndValidatingReachTheWindow) {
  TForm* form = new TForm(Application);
  form->Show();
  Display.ProcessMessages();
  TRect r(0, 0, 10, 10);
  EXPECT_TRUE(WindowsInvalidateRectEh(form->GetHandle(), &r, false));
  TRect update;
  EXPECT_TRUE(GetUpdateRect(form->GetHandle(), &update, false));
  EXPECT_TRUE(WindowsValidateRectEh(form->GetHandle(), nullptr));
  EXPECT_FALSE(GetUpdateRect(form->GetHandle(), &update, false));
}

TEST_F(WindowRoutines, SystemSettingsAreReadOrRefused) {
  TRect work;
  EXPECT_TRUE(SystemParametersInfoEh(SPI_GETWORKAREA, 0, &work, 0));
  EXPECT_EQ(work, TRect(0, 0, 1280, 984));
  UINT lines = 0;
  EXPECT_TRUE(SystemParametersInfoEh(SPI_GETWHEELSCROLLLINES, 0, &lines, 0));
  EXPECT_EQ(lines, 3u);
  EXPECT_FALSE(SystemParametersInfoEh(0x9999, 0, &lines, 0));
  EXPECT_FALSE(SystemParametersInfoEh(SPI_GETWORKAREA, 0, nullptr, 0));
}

TEST_F(WindowRoutines, APolygonRegionHoldsItsInside) {
  HRGN rgn = CreatePolygonRgnEh({{0, 0}, {20, 0}, {0, 20}}, ALTERNATE);
  EXPECT_TRUE(PtInRegion(rgn, 2, 2));
  EXPECT_FALSE(PtInRegion(rgn, 18, 18));
  DeleteObject(rgn);
}

TEST_F(WindowRoutines, BitmapsAreLoadedFromTheModulesNamedResources) {
  // A 2 x 1 BMP file: a blue pixel, then a green one.
  const std::vector<Byte> bmp{'B', 'M', 62, 0, 0, 0, 0, 0,  0, 0, 54, 0, 0,   0, 40, 0, 0,   0, 2, 0, 0,
                              0,   1,   0,  0, 0, 1, 0, 24, 0, 0, 0,  0, 0,   8, 0,  0, 0,   0, 0, 0, 0,
                              0,   0,   0,  0, 0, 0, 0, 0,  0, 0, 0,  0, 255, 0, 0,  0, 255, 0, 0, 0};
  RegisterBitmapResource(MainInstance(), u"DBGARROWEH", bmp);
  TBitmap b;
  ASSERT_TRUE(LoadBitmapFromResourceNameEh(&b, MainInstance(), u"DBGARROWEH"));
  EXPECT_EQ(b.GetWidth(), 2);
  EXPECT_EQ(b.GetCanvas()->GetPixel(0, 0), clBlue);
  EXPECT_EQ(b.GetCanvas()->GetPixel(1, 0), clLime);
  EXPECT_FALSE(LoadBitmapFromResourceNameEh(&b, MainInstance(), u"DBSMDOWNEH"));
  HBITMAP h = LoadBitmapEh(MainInstance(), u"dbgarroweh");
  EXPECT_NE(h, nullptr);
  DeleteObject(h);
  RegisterBitmapResource(MainInstance(), u"#32759", bmp);
  h = LoadBitmapEh(MainInstance(), 32759);
  EXPECT_NE(h, nullptr);
  DeleteObject(h);
  UnregisterBitmapResource(MainInstance(), u"#32759");
  UnregisterBitmapResource(MainInstance(), u"DBGARROWEH");
}

// ---- Input tools ---------------------------------------------------------------------------------------

class InputTools : public ::testing::Test {
protected:
  THeadlessDisplay Display;
};

TEST_F(InputTools, TheShiftStateComesFromTheKeys) {
  EXPECT_TRUE(GetShiftStateEh().Empty());
  SetKeyDown(VK_SHIFT, true);
  SetKeyDown(VK_CONTROL, true);
  EXPECT_EQ(GetShiftStateEh(), (TShiftState{ssShift, ssCtrl}));
  EXPECT_EQ(GetShiftStateEh().Bits(), 1u + 4u);
  SetKeyDown(VK_SHIFT, false);
  SetKeyDown(VK_MENU, true);
  EXPECT_EQ(GetShiftStateEh().Bits(), 2u + 4u);
}

TEST_F(InputTools, ADoubleClickIsCloseInTimeAndPlace) {
  EXPECT_TRUE(CheckDoubleClickEh(TPoint(10, 10), TPoint(14, 6), GetDoubleClickTime()));
  EXPECT_FALSE(CheckDoubleClickEh(TPoint(10, 10), TPoint(10, 10), GetDoubleClickTime() + 1));
  EXPECT_FALSE(CheckDoubleClickEh(TPoint(10, 10), TPoint(15, 10), 1));
  EXPECT_FALSE(CheckDoubleClickEh(TPoint(10, 10), TPoint(10, 5), 1));
}

// A press queued for a control, as the display queues it, not yet dispatched.
void QueuePress(TControl* Control, TPoint ClientPoint, UINT Msg = WM_LBUTTONDOWN) {
  auto* windowed = dynamic_cast<TWinControl*>(Control);
  TWinControl* host = windowed ? windowed : Control->GetParent();
  const TPoint p =
      windowed ? ClientPoint : TPoint(ClientPoint.X + Control->GetLeft(), ClientPoint.Y + Control->GetTop());
  PostMessage(host->GetHandle(), Msg, MK_LBUTTON, MakeLParam(p.X, p.Y));
}

class PendingClick : public ::testing::Test {
protected:
  THeadlessDisplay Display;
  TForm* Form = nullptr;
  TButton* Button = nullptr;
  TLabel* Label = nullptr;
  TLabel* OtherLabel = nullptr;
  void SetUp() override {
    Form = new TForm(Application);
    Form->SetBounds(50, 50, 300, 200);
    Button = new TButton(Form);
    Button->SetParent(Form);
    Button->SetBounds(10, 10, 80, 25);
    Label = new TLabel(Form);
    Label->SetParent(Form);
    Label->SetBounds(10, 60, 80, 20);
    OtherLabel = new TLabel(Form);
    OtherLabel->SetParent(Form);
    OtherLabel->SetBounds(100, 60, 80, 20);
    Form->Show();
    Display.ProcessMessages();
    ClearMessageQueue();
  }
};

TEST_F(PendingClick, APressOnAWindowedControlIsTakenOff) {
  QueuePress(Button, TPoint(5, 5));
  EXPECT_TRUE(RemovePendingClickOnControlEh(Button));
  EXPECT_EQ(GetQueuedMessageCount(), 0);
  EXPECT_FALSE(RemovePendingClickOnControlEh(Button));
}

TEST_F(PendingClick, ADoubleClickCountsButAReleaseDoesNot) {
  QueuePress(Button, TPoint(5, 5), WM_LBUTTONDBLCLK);
  EXPECT_TRUE(RemovePendingClickOnControlEh(Button));
  QueuePress(Button, TPoint(5, 5), WM_LBUTTONUP);
  EXPECT_FALSE(RemovePendingClickOnControlEh(Button));
  EXPECT_EQ(GetQueuedMessageCount(), 1);
}

TEST_F(PendingClick, APressOnAGraphicControlMustFallOnIt) {
  QueuePress(OtherLabel, TPoint(5, 5));
  EXPECT_FALSE(RemovePendingClickOnControlEh(Label));
  EXPECT_EQ(GetQueuedMessageCount(), 1);
  EXPECT_TRUE(RemovePendingClickOnControlEh(OtherLabel));
  QueuePress(Label, TPoint(5, 5));
  EXPECT_TRUE(RemovePendingClickOnControlEh(Label));
}

TEST_F(PendingClick, TheClientRectVariantWantsThePressInsideTheClientArea) {
  // A point outside the button's client area, as a press held on its edge and
  // reported for its window would be.
  QueuePress(Button, TPoint(-3, 5));
  EXPECT_FALSE(RemovePendingClickInClientRectEh(Button));
  EXPECT_TRUE(RemovePendingClickOnControlEh(Button));
  QueuePress(Button, TPoint(3, 5));
  EXPECT_TRUE(RemovePendingClickInClientRectEh(Button));
}

TEST_F(PendingClick, ThePressThatClosedADropDownDoesNotReachTheControlBelow) {
  Integer clicks = 0;
  Button->OnClick = [&](TObject*) { ++clicks; };
  Display.MouseDown(Button->GetHandle(), 5, 5);
  Display.MouseUp(Button->GetHandle(), 5, 5);
  ASSERT_EQ(clicks, 1);
  // The same press again, taken off the queue before it is dispatched.
  QueuePress(Button, TPoint(5, 5));
  RemovePendingClickOnControlEh(Button);
  Display.ProcessMessages();
  EXPECT_EQ(clicks, 1);
}

}  // namespace
