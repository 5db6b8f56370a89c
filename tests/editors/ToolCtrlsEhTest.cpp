// Edit buttons and the button-drawing routines: faces of every kind in the
// normal, pushed and disabled states read back pixel by pixel, the face cache,
// metrics, and a spin button's auto-repeat through real mouse messages and the
// manual clock. A PNG of all faces is kept.

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "editors/ToolCtrlsEh.h"
#include "platform/backend/Headless.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Input.h"

namespace {

// A face painted alone on a bitmap filled with a background of its own.
struct TFace {
  TBitmap Bitmap;
  TFace(Integer W, Integer H, TDrawButtonControlStyleEh Kind, Integer Pressed, bool Enabled, bool Flat = false,
        bool Active = false, TCheckBoxStateEh State = cbsUncheckedEh) {
    Bitmap.SetSize(W, H);
    Bitmap.GetCanvas()->GetBrush()->SetColor(clRed);
    Bitmap.GetCanvas()->FillRect(TRect(0, 0, W, H));
    PaintButtonControlEh(Bitmap.GetCanvas(), TRect(0, 0, W, H), clRed, Kind, Pressed, Flat, Active, Enabled, State);
  }
  TColor At(Integer X, Integer Y) { return Bitmap.GetCanvas()->GetPixel(X, Y); }
};

const TColor Face = ColorToRGB(clBtnFace);
const TColor Text = ColorToRGB(clBtnText);

class ButtonFaces : public ::testing::Test {
protected:
  void SetUp() override { ClearButtonsBitmapCacheEh(); }
};

}  // namespace

TEST_F(ButtonFaces, TheEllipsisIsThreeDotsThatMoveWhenPushedAndDoubleWhenDisabled) {
  TFace Normal(16, 20, bcsEllipsisEh, 0, true);
  for (Integer X : {3, 4, 7, 8, 11, 12}) EXPECT_EQ(Normal.At(X, 9), Text) << X;
  EXPECT_EQ(Normal.At(5, 9), Face);
  EXPECT_EQ(Normal.At(3, 11), Face);
  TFace Pushed(16, 20, bcsEllipsisEh, 1, true);
  EXPECT_EQ(Pushed.At(4, 10), Text);
  EXPECT_NE(Pushed.At(3, 9), Text);
  TFace Disabled(16, 20, bcsEllipsisEh, 0, false);
  EXPECT_EQ(Disabled.At(3, 9), ColorToRGB(clBtnShadow));
  EXPECT_EQ(Disabled.At(5, 11), ColorToRGB(clBtnHighlight));
  // A narrow button gets one-pixel dots one pixel apart.
  TFace Narrow(9, 20, bcsEllipsisEh, 0, true);
  EXPECT_EQ(Narrow.At(2, 9), Text);
  EXPECT_EQ(Narrow.At(3, 9), Face);
  EXPECT_EQ(Narrow.At(4, 9), Text);
}

TEST_F(ButtonFaces, PlusAndMinusBarsAreSizedFromTheSmallerSide) {
  TFace Plus(20, 20, bcsPlusEh, 0, true);
  EXPECT_EQ(Plus.At(5, 9), Text);
  EXPECT_EQ(Plus.At(13, 9), Text);
  EXPECT_EQ(Plus.At(4, 9), Face);
  EXPECT_EQ(Plus.At(14, 9), Face);
  EXPECT_EQ(Plus.At(9, 5), Text);
  EXPECT_EQ(Plus.At(9, 4), Face);
  EXPECT_EQ(Plus.At(5, 7), Face);
  TFace Minus(20, 20, bcsMinusEh, 0, true);
  EXPECT_EQ(Minus.At(14, 9), Text);
  EXPECT_EQ(Minus.At(15, 9), Face);
  EXPECT_EQ(Minus.At(9, 6), Face);
  TFace Disabled(20, 20, bcsMinusEh, 0, false);
  EXPECT_EQ(Disabled.At(5, 8), ColorToRGB(clBtnShadow));
  EXPECT_EQ(Disabled.At(15, 11), ColorToRGB(clBtnHighlight));
}

TEST_F(ButtonFaces, TheAlternativeArrowIsCentredRowByRow) {
  TFace Down(20, 20, bcsAltDropDownEh, 0, true);
  const TColor Arrow = ColorToRGB(clWindowText);
  EXPECT_EQ(Down.At(6, 8), Arrow);
  EXPECT_EQ(Down.At(12, 8), Arrow);
  EXPECT_EQ(Down.At(13, 8), Face);
  EXPECT_EQ(Down.At(9, 11), Arrow);
  EXPECT_EQ(Down.At(8, 11), Face);
  TFace Disabled(20, 20, bcsAltDropDownEh, 0, false);
  EXPECT_EQ(Disabled.At(9, 11), ColorToRGB(clGrayText));
  TFace Pushed(20, 20, bcsAltDropDownEh, 1, true);
  EXPECT_EQ(Pushed.At(10, 12), Arrow);
  EXPECT_EQ(Pushed.At(6, 8), Face);
}

TEST_F(ButtonFaces, ASpinButtonSplitsIntoHalvesAroundALineOfTheBackground) {
  TFace Spin(15, 21, bcsUpDownEh, 0, true);
  for (Integer X = 0; X < 15; ++X) EXPECT_EQ(Spin.At(X, 10), clRed) << X;
  EXPECT_NE(Spin.At(7, 5), clRed);
  EXPECT_NE(Spin.At(7, 15), clRed);
  // Pressing the lower half changes only the lower half.
  TFace Lower(15, 21, bcsUpDownEh, 2, true);
  for (Integer Y = 0; Y < 10; ++Y)
    for (Integer X = 0; X < 15; ++X) EXPECT_EQ(Lower.At(X, Y), Spin.At(X, Y));
  bool Differs = false;
  for (Integer Y = 11; Y < 21; ++Y)
    for (Integer X = 0; X < 15; ++X) Differs |= Lower.At(X, Y) != Spin.At(X, Y);
  EXPECT_TRUE(Differs);
  // An even height leaves no line.
  TFace Even(15, 20, bcsUpDownEh, 0, true);
  EXPECT_NE(Even.At(7, 10), clRed);
}

TEST_F(ButtonFaces, TheDropDownFaceShowsAnArrowThatMovesWhenPushed) {
  TFace Normal(17, 20, bcsDropDownEh, 0, true);
  TFace Pushed(17, 20, bcsDropDownEh, 1, true);
  TFace Disabled(17, 20, bcsDropDownEh, 0, false);
  Integer Dark = 0, Moved = 0, Grey = 0;
  for (Integer Y = 0; Y < 20; ++Y)
    for (Integer X = 0; X < 17; ++X) {
      Dark += Normal.At(X, Y) == 0;
      Moved += Normal.At(X, Y) == 0 && Pushed.At(X + 1, Y + 1) == 0;
      Grey += Disabled.At(X, Y) == ColorToRGB(clGrayText) || Disabled.At(X, Y) == ColorToRGB(clBtnShadow);
    }
  EXPECT_GT(Dark, 5);
  EXPECT_GT(Moved, 0);
  EXPECT_GT(Grey, 5);
}

TEST_F(ButtonFaces, CheckBoxesTakeTheLargestCentredSquare) {
  TFace Unchecked(20, 13, bcsCheckboxEh, 0, true);
  TFace Checked(20, 13, bcsCheckboxEh, 0, true, false, false, cbsCheckedEh);
  // The square is 13 wide, starting at (20 - 13) / 2 = 3; outside it the background stays.
  EXPECT_EQ(Unchecked.At(1, 6), clRed);
  EXPECT_EQ(Unchecked.At(17, 6), clRed);
  EXPECT_NE(Unchecked.At(4, 6), clRed);
  EXPECT_EQ(Unchecked.At(9, 6), ColorToRGB(clWindow));
  Integer Marks = 0;
  for (Integer Y = 3; Y < 10; ++Y)
    for (Integer X = 6; X < 13; ++X) Marks += Checked.At(X, Y) != ColorToRGB(clWindow);
  EXPECT_GT(Marks, 5);
}

TEST_F(ButtonFaces, AFlatInactiveButtonIsFramedInTheBackgroundColour) {
  TFace Flat(17, 20, bcsEllipsisEh, 0, true, true, false);
  EXPECT_EQ(Flat.At(0, 0), clRed);
  EXPECT_EQ(Flat.At(16, 10), clRed);
  EXPECT_EQ(Flat.At(1, 1), Face);
  TFace Hot(17, 20, bcsEllipsisEh, 0, true, true, true);
  EXPECT_NE(Hot.At(0, 0), clRed);
}

TEST_F(ButtonFaces, EachDistinctFaceIsDrawnOnceAndCopiedAfterwards) {
  TFace A(16, 20, bcsEllipsisEh, 0, true);
  const Integer N = ButtonsBitmapCache()->Count();
  EXPECT_EQ(N, 1);
  TFace B(16, 20, bcsEllipsisEh, 0, true);
  EXPECT_EQ(ButtonsBitmapCache()->Count(), N);
  for (Integer Y = 0; Y < 20; ++Y)
    for (Integer X = 0; X < 16; ++X) EXPECT_EQ(A.At(X, Y), B.At(X, Y));
  TFace Spin(15, 21, bcsUpDownEh, 0, true);
  EXPECT_EQ(ButtonsBitmapCache()->Count(), N + 2);  // two halves
  // A face 0 pixels wide is still made and found again.
  TBitmap Empty;
  Empty.SetSize(4, 4);
  PaintButtonControlEh(Empty.GetCanvas(), TRect(0, 0, 0, 4), clRed, bcsPlusEh, 0, false, false, true, cbsUncheckedEh);
  const Integer WithEmpty = ButtonsBitmapCache()->Count();
  PaintButtonControlEh(Empty.GetCanvas(), TRect(0, 0, 0, 4), clRed, bcsPlusEh, 0, false, false, true, cbsUncheckedEh);
  EXPECT_EQ(ButtonsBitmapCache()->Count(), WithEmpty);
  // Without the cache the same pixels come out.
  SetUseButtonsBitmapCacheEh(false);
  TFace C(16, 20, bcsEllipsisEh, 0, true);
  SetUseButtonsBitmapCacheEh(true);
  for (Integer Y = 0; Y < 20; ++Y)
    for (Integer X = 0; X < 16; ++X) EXPECT_EQ(A.At(X, Y), C.At(X, Y));
}

TEST_F(ButtonFaces, AllFacesAreKeptAsAPicture) {
  const TDrawButtonControlStyleEh Kinds[] = {0, 1, 2, 3, 4, 5, 6, 7};
  TBitmap Sheet;
  Sheet.SetSize(8 * 24 + 4, 4 * 26 + 4);
  Sheet.GetCanvas()->GetBrush()->SetColor(clBtnFace);
  Sheet.GetCanvas()->FillRect(TRect(0, 0, Sheet.GetWidth(), Sheet.GetHeight()));
  for (Integer K = 0; K < 8; ++K) {
    const Integer X = 4 + K * 24;
    auto Paint = [&](Integer Row, Integer Pressed, bool Enabled, bool Flat, TCheckBoxStateEh State) {
      PaintButtonControlEh(Sheet.GetCanvas(), Bounds(X, 4 + Row * 26, 19, 21), clBtnFace, Kinds[K], Pressed, Flat, Flat,
                           Enabled, State);
    };
    Paint(0, 0, true, false, K == 3 ? cbsCheckedEh : cbsUncheckedEh);
    Paint(1, Kinds[K] == 2 || Kinds[K] == 7 ? 2 : 1, true, false, cbsUncheckedEh);
    Paint(2, 0, false, false, K == 3 ? cbsGrayedEh : cbsUncheckedEh);
    Paint(3, 0, true, true, cbsUncheckedEh);
  }
  const std::filesystem::path Dir = std::filesystem::path(BORROW_BINARY_DIR) / "artifacts";
  std::filesystem::create_directories(Dir);
  const std::filesystem::path File = Dir / "edit_button_faces.png";
  Sheet.SaveToFile(FromUtf8(File.string()));
  EXPECT_GT(std::filesystem::file_size(File), 200u);
}

TEST(ButtonMetrics, TheDefaultWidthIsTwoThirdsOfTheScreenFontMadeOddAndKeptOnce) {
  // The screen's device context starts with the system font, 16 pixels high:
  // two thirds is 10.67, 11, odd already, and narrower than a scroll bar.
  EXPECT_EQ(GetDefaultEditButtonWidthEh(), 11);
  EXPECT_LE(11, GetSystemMetrics(SM_CXVSCROLL));
  // The unit keeps what it computed, with the check-box sizes and those less one.
  const TToolCtrlsMetricsEh& M = ToolCtrlsMetricsEh();
  EXPECT_EQ(M.DefaultEditButtonWidth, 11);
  EXPECT_EQ(M.CheckBoxSize, TSize(13, 13));
  EXPECT_EQ(M.CheckBoxSizeLessOne, TSize(12, 12));
  EXPECT_EQ(&ToolCtrlsMetricsEh(), &M);
}

TEST(ButtonMetrics, EnlargingByHalfRoundsHalvesToTheEvenNeighbour) {
  EXPECT_EQ(EnlargeByHalfEh(1, true), 2);
  EXPECT_EQ(EnlargeByHalfEh(3, true), 4);
  EXPECT_EQ(EnlargeByHalfEh(5, true), 8);
  EXPECT_EQ(EnlargeByHalfEh(7, true), 10);
  EXPECT_EQ(EnlargeByHalfEh(11, true), 16);
  EXPECT_EQ(EnlargeByHalfEh(12, true), 18);
  EXPECT_EQ(EnlargeByHalfEh(-3, true), -4);
  EXPECT_EQ(EnlargeByHalfEh(11, false), 11);
}

TEST(ButtonMetrics, CheckBoxesArePlacedInTheirCell) {
  InitCheckBoxSizeEh();
  EXPECT_EQ(GetCheckBoxSizeEh(), TSize(13, 13));
  EXPECT_EQ(CheckBoxRectEh(TRect(0, 0, 40, 30), cbaLeftEh, cblTopEh), TRect(0, 0, 13, 13));
  EXPECT_EQ(CheckBoxRectEh(TRect(0, 0, 40, 30), cbaRightEh, cblBottomEh), TRect(27, 17, 40, 30));
  EXPECT_EQ(CheckBoxRectEh(TRect(10, 10, 40, 30), cbaCenterEh, cblCenterEh), TRect(19, 14, 32, 27));
  EXPECT_EQ(CheckBoxRectEh(TRect(0, 0, 8, 8), cbaCenterEh, cblCenterEh), TRect(0, 0, 8, 8));
}

TEST(ButtonMetrics, ColourMixingAndShadingInterpolateEachChannel) {
  EXPECT_EQ(MixColorsEh(clBlack, clWhite, 50), RGB(128, 128, 128));
  EXPECT_EQ(MixColorsEh(RGB(10, 20, 30), RGB(110, 20, 0), 30), RGB(40, 20, 21));
  TBitmap B;
  B.SetSize(2, 11);
  DrawShadedRectEh(B.GetCanvas(), TRect(0, 0, 2, 11), clBlack, RGB(200, 100, 0));
  EXPECT_EQ(B.GetCanvas()->GetPixel(0, 0), clBlack);
  EXPECT_EQ(B.GetCanvas()->GetPixel(1, 10), RGB(200, 100, 0));
  EXPECT_EQ(B.GetCanvas()->GetPixel(0, 5), RGB(100, 50, 0));
  TBitmap One;
  One.SetSize(2, 1);
  DrawShadedRectEh(One.GetCanvas(), TRect(0, 0, 2, 1), clBlack, clBlack);
  EXPECT_EQ(One.GetCanvas()->GetPixel(0, 0), clWhite);  // less than 2 high: nothing
}

TEST(ButtonMetrics, TreeElementsDrawTheirBoxAndDottedConnectors) {
  TBitmap B;
  B.SetSize(17, 17);
  DrawTreeElementEh(B.GetCanvas(), TRect(0, 0, 17, 17), 4, false, 1.0, 1.0, false);  // plus, up, down, right
  EXPECT_EQ(B.GetCanvas()->GetPixel(4, 8), ColorToRGB(clBtnShadow));                 // box frame
  EXPECT_EQ(B.GetCanvas()->GetPixel(8, 8), ColorToRGB(clWindowText));                // centre of the sign
  EXPECT_EQ(B.GetCanvas()->GetPixel(8, 6), ColorToRGB(clWindowText));                // the vertical bar of plus
  EXPECT_EQ(B.GetCanvas()->GetPixel(8, 0), ColorToRGB(clBtnShadow));                 // a dot of the up line
  EXPECT_EQ(B.GetCanvas()->GetPixel(8, 1), clWhite);                                 // and the gap after it
  TBitmap M;
  M.SetSize(17, 17);
  DrawTreeElementEh(M.GetCanvas(), TRect(0, 0, 17, 17), 3, false, 1.0, 1.0, false);  // minus alone
  EXPECT_EQ(M.GetCanvas()->GetPixel(8, 6), ColorToRGB(clWindow));
  EXPECT_EQ(M.GetCanvas()->GetPixel(8, 0), clWhite);
}

// ---- Buttons through the mouse ----------------------------------------------------------------------------
namespace {

class EditButtons : public ::testing::Test {
protected:
  THeadlessDisplay Display;
  TForm* Form = nullptr;
  TEditButtonControlEh* Button = nullptr;
  std::vector<bool> Downs;
  Integer Clicks = 0;

  void Make(TEditButtonStyleEh Style) {
    Form = new TForm(Application);
    Form->SetBorderStyle(bsNone);
    Form->SetBounds(10, 10, 100, 60);
    Button = new TEditButtonControlEh(Form);
    Button->SetParent(Form);
    Button->SetBounds(10, 10, 17, 21);
    Button->SetStyle(Style);
    Button->OnDown = [this](TObject*, bool Top, bool&, bool&) { Downs.push_back(Top); };
    Button->OnClick = [this](TObject*) { ++Clicks; };
    Form->Show();
    Display.ProcessMessages();
  }
  HWND H() const { return Form->GetHandle(); }
};

}  // namespace

TEST_F(EditButtons, HoldingASpinButtonRepeatsAt400ThenEvery100Milliseconds) {
  Make(ebsUpDownEh);
  Display.MouseDown(H(), 18, 12);  // the upper half
  ASSERT_EQ(Downs.size(), 1u);
  EXPECT_TRUE(Downs[0]);
  EXPECT_EQ(Button->GetPressedPart(), 1);
  Display.AdvanceClock(399);
  EXPECT_EQ(Downs.size(), 1u);
  Display.AdvanceClock(1);
  EXPECT_EQ(Downs.size(), 2u);
  Display.AdvanceClock(99);
  EXPECT_EQ(Downs.size(), 2u);
  Display.AdvanceClock(1);
  EXPECT_EQ(Downs.size(), 3u);
  Display.AdvanceClock(200);
  EXPECT_EQ(Downs.size(), 5u);
  Display.MouseUp(H(), 18, 12);
  Display.AdvanceClock(1000);
  EXPECT_EQ(Downs.size(), 5u);
  EXPECT_EQ(Button->GetPressedPart(), 0);
  // The lower half reports the bottom button.
  Display.AdvanceClock(1000);
  Display.MouseDown(H(), 18, 28);
  ASSERT_EQ(Downs.size(), 6u);
  EXPECT_FALSE(Downs.back());
  Display.MouseUp(H(), 18, 28);
}

TEST_F(EditButtons, AHandlerCanStopTheRepeat) {
  Make(ebsUpDownEh);
  Button->OnDown = [this](TObject*, bool Top, bool& AutoRepeat, bool&) {
    Downs.push_back(Top);
    if (Downs.size() == 2) AutoRepeat = false;
  };
  Display.MouseDown(H(), 18, 12);
  Display.AdvanceClock(1000);
  EXPECT_EQ(Downs.size(), 2u);
  Display.MouseUp(H(), 18, 12);
}

TEST_F(EditButtons, ADropDownButtonFiresOnceAndClicksOnRelease) {
  Make(ebsDropDownEh);
  Display.MouseDown(H(), 18, 20);
  EXPECT_EQ(Downs.size(), 1u);
  EXPECT_EQ(Button->GetPressedPart(), 1);
  Display.AdvanceClock(1000);
  EXPECT_EQ(Downs.size(), 1u);
  Display.MouseUp(H(), 18, 20);
  EXPECT_EQ(Clicks, 1);
  // Held down while a drop-down is open.
  Button->SetAlwaysDown(true);
  EXPECT_TRUE(Button->GetDown());
  EXPECT_EQ(Button->GetPressedPart(), 1);
  Button->SetAlwaysDown(false);
  EXPECT_FALSE(Button->GetDown());
}

TEST_F(EditButtons, SlidingOntoTheOtherHalfOfASpinReleasesItWithoutAClick) {
  Make(ebsUpDownEh);
  Display.MouseDown(H(), 18, 12);
  Display.MouseMove(H(), 18, 28);
  EXPECT_EQ(Button->GetPressedPart(), 0);
  Display.AdvanceClock(1000);
  EXPECT_EQ(Downs.size(), 1u);
  Display.MouseUp(H(), 18, 28);
  EXPECT_EQ(Clicks, 0);
}

TEST(EditButtonItems, PropertiesClampAndDefault) {
  TEditButtonsEh Buttons(nullptr, TEditButtonEh::StaticItemClass());
  Integer Changes = 0;
  Buttons.OnChanged = [&](TObject*) { ++Changes; };
  TEditButtonEh* B = Buttons.Add();
  ASSERT_NE(B, nullptr);
  EXPECT_EQ(B->GetStyle(), ebsDropDownEh);
  EXPECT_FALSE(B->GetVisible());
  EXPECT_TRUE(B->GetEnabled());
  const Integer Before = Changes;
  B->SetNumGlyphs(0);
  EXPECT_EQ(B->GetNumGlyphs(), 1);
  B->SetNumGlyphs(9);
  EXPECT_EQ(B->GetNumGlyphs(), 4);
  EXPECT_GT(Changes, Before);
  bool Handled = false;
  Integer Clicked = 0;
  B->OnClick = [&](TObject*, bool& H) {
    ++Clicked;
    H = true;
  };
  B->Click(B, Handled);
  EXPECT_EQ(Clicked, 1);
  EXPECT_TRUE(Handled);
  TEditButtonsEh Visible(nullptr, TVisibleEditButtonEh::StaticItemClass());
  TEditButtonEh* V = Visible.Add();
  EXPECT_TRUE(V->GetVisible());
  EXPECT_EQ(V->GetShortCut(), DefaultDropDownShortCutEh);
  TEditButtonEh Copy(static_cast<TWinControl*>(nullptr));
  Copy.Assign(B);
  EXPECT_EQ(Copy.GetNumGlyphs(), 4);
  EXPECT_EQ(ButtonStyleToPainterKindEh(ebsAltUpDownEh), 7);
  EXPECT_EQ(ButtonStyleToPainterKindEh(ebsUpDownEh), 2);
}
