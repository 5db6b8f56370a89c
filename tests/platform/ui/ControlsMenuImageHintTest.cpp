// Popup menus chosen by mouse and keys, image lists drawn with masks and blends,
// and the standard hint window the application shows.

#include <gtest/gtest.h>

#include "platform/backend/Headless.h"
#include "platform/ui/HintWnd.h"
#include "platform/ui/ImgList.h"
#include "platform/ui/Menus.h"
#include "platform/ui/StdCtrls.h"
#include "tests/platform/ui/FormTestSupport.h"

namespace {

class MenusImagesHints : public FormFixture {
protected:
  TPopupMenu* Menu = nullptr;
  std::vector<String> Clicked;

  void SetUp() override {
    MakeForm(400, 300);
    Menu = new TPopupMenu(Form);
    for (auto* cap : {u"&Копировать", u"-", u"Вставить", u"Удалить"}) {
      auto* it = new TMenuItem(nullptr);
      it->SetCaption(cap);
      it->OnClick = [this, it](TObject*) { Clicked.push_back(it->GetCaption()); };
      Menu->GetItems()->Add(it);
    }
    Menu->GetItems()->GetItem(3)->SetEnabled(false);
  }
};

THintWindow* ShownHint() {
  for (HWND h : GetTopLevelWindows())
    if (auto* w = dynamic_cast<THintWindow*>(FindWindowObject(h)); w && IsWindowVisible(h)) return w;
  return nullptr;
}

}  // namespace

TEST_F(MenusImagesHints, PopupMenuItemIsChosenByClickAfterTheMenuCloses) {
  Form->Show();
  bool menuGoneAtClick = false;
  Menu->GetItems()->GetItem(2)->OnClick = [&](TObject*) { menuGoneAtClick = Menu->GetMenuWindow() == nullptr; };
  Display.WhenIdle([&] {
    HWND w = Menu->GetMenuWindow();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(GetWindowRect(w).TopLeft(), TPoint(150, 160));
    EXPECT_EQ(GetActiveWindow(), Form->GetHandle());  // the menu never activates
    // Rows: item, separator, item: the third row is "Вставить".
    const Integer rowH = (GetClientRect(w).Height() - 4 - 8) / 3;
    Display.Click(w, 20, 2 + rowH + 8 + rowH / 2);
  });
  Menu->Popup(150, 160);
  EXPECT_TRUE(menuGoneAtClick);
  EXPECT_EQ(Menu->GetLastChosen(), Menu->GetItems()->GetItem(2));
}

TEST_F(MenusImagesHints, PopupMenuKeysSkipSeparatorsAndDisabledItemsAndEscDismisses) {
  Form->Show();
  Display.WhenIdle([&] { Display.Key(VK_DOWN); });
  Display.WhenIdle([&] { Display.Key(VK_DOWN); });
  Display.WhenIdle([&] { Display.Key(VK_DOWN); });  // wraps over the disabled last item
  Display.WhenIdle([&] { Display.Key(VK_RETURN); });
  Menu->Popup(10, 10);
  EXPECT_EQ(Clicked, (std::vector<String>{u"&Копировать"}));
  Display.WhenIdle([&] { Display.Key(VK_ESCAPE); });
  Menu->Popup(10, 10);
  EXPECT_EQ(Menu->GetLastChosen(), nullptr);
  EXPECT_EQ(Clicked.size(), 1u);
  EXPECT_TRUE(Menu->IsShortCut(0, TShiftState()) == false);
}

TEST_F(MenusImagesHints, RightClickOnAControlShowsItsPopupMenu) {
  auto* e = new TEdit(Form);
  e->SetParent(Form);
  e->SetBounds(10, 10, 100, 21);
  e->SetPopupMenu(Menu);
  Form->Show();
  bool shown = false;
  Display.WhenIdle([&] {
    shown = Menu->GetMenuWindow() != nullptr;
    Display.TypeText(u"в");  // the mnemonic-less item by its first letter does nothing
    Display.Key(VK_ESCAPE);
  });
  Display.Click(e->GetHandle(), 5, 5, mbRight);
  EXPECT_TRUE(shown);
  EXPECT_EQ(Menu->GetPopupComponent(), e);
}

TEST_F(MenusImagesHints, ImageListMasksAndBlends) {
  TImageList il(Form);
  TBitmap strip;
  strip.SetSize(32, 16);
  strip.GetCanvas()->GetBrush()->SetColor(clFuchsia);
  strip.GetCanvas()->FillRect(TRect(0, 0, 32, 16));
  strip.GetCanvas()->GetBrush()->SetColor(clBlue);
  strip.GetCanvas()->FillRect(TRect(4, 4, 12, 12));
  strip.GetCanvas()->GetBrush()->SetColor(clLime);
  strip.GetCanvas()->FillRect(TRect(20, 4, 28, 12));
  EXPECT_EQ(il.AddMasked(&strip, clDefault), 0);
  EXPECT_EQ(il.GetCount(), 2);
  EXPECT_TRUE(il.IsTransparent(0, 0, 0));
  EXPECT_FALSE(il.IsTransparent(1, 8, 8));

  TBitmap target;
  target.SetSize(40, 20);
  target.GetCanvas()->GetBrush()->SetColor(clWhite);
  target.GetCanvas()->FillRect(TRect(0, 0, 40, 20));
  il.Draw(target.GetCanvas(), 0, 0, 0);
  EXPECT_EQ(target.GetCanvas()->GetPixel(8, 8), clBlue);
  EXPECT_EQ(target.GetCanvas()->GetPixel(1, 1), clWhite);  // masked: the canvas shows
  il.Draw(target.GetCanvas(), 20, 0, 1, dsSelected, itImage);
  const TColor blended = target.GetCanvas()->GetPixel(28, 8);
  EXPECT_NE(blended, clLime);
  EXPECT_NE(blended, ColorToRGB(clHighlight));
  // An explicit background fills the masked part.
  il.DrawEx(0, target.GetCanvas()->GetHandle(), 0, 0, 0, 0, clRed, clNone, ILD_NORMAL);
  EXPECT_EQ(target.GetCanvas()->GetPixel(1, 1), clRed);
  il.SetWidth(8);
  EXPECT_EQ(il.GetCount(), 0);
}

TEST_F(MenusImagesHints, HintWindowSizesToItsTextAndShowsWithoutFocus) {
  THintWindow hint(Form);
  const TRect small = hint.CalcHintRect(300, u"О программе...", nullptr);
  const TRect big = hint.CalcHintRect(
      300, u"Протокол сохраняется в файл LOG*.txt на диске в той же папке, куда сохраняются записи", nullptr);
  EXPECT_GT(small.Width(), 20);
  EXPECT_LE(big.Width(), 306);
  EXPECT_GT(big.Height(), small.Height());
  Form->Show();
  HWND active = GetActiveWindow();
  hint.ActivateHint(Bounds(200, 200, small.Width(), small.Height()), u"О программе...");
  EXPECT_TRUE(hint.IsShowing());
  EXPECT_EQ(GetActiveWindow(), active);
  hint.ReleaseHandle();
  EXPECT_FALSE(hint.IsShowing());
}

TEST_F(MenusImagesHints, Resting_the_mouse_on_a_control_shows_its_hint_in_the_standard_window) {
  auto* b = new TButton(Form);
  b->SetParent(Form);
  b->SetBounds(10, 10, 80, 25);
  b->SetHint(u"Начать поиск записей");
  b->SetShowHint(true);
  Form->Show();
  Display.MouseMove(b->GetHandle(), 5, 5);
  Display.AdvanceClock(Application->GetHintPause() + 50);
  THintWindow* shown = ShownHint();
  ASSERT_NE(shown, nullptr);
  EXPECT_EQ(shown->GetCaption(), u"Начать поиск записей");
}
