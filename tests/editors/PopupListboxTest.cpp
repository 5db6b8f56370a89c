// The popup list box through real messages on the headless display: where it
// opens, that its owner keeps the focus, incremental search on the manual clock,
// the ways it closes, item behaviour objects, painting, and a PNG of an open
// drop-down with special items.

#include <cairo.h>

#include <filesystem>

#include "DropDownTestSupport.h"
#include "platform/core/Strings.h"
#include "platform/ui/ImgList.h"

namespace {

class PopupList : public DropDownFixture {};

TEST_F(PopupList, OpensBelowItsOwnerWithoutTakingTheFocus) {
  MakeForm();
  AddItems({u"alpha", u"beta", u"gamma"});
  ASSERT_EQ(GetFocus(), Edit->GetHandle());
  EXPECT_FALSE(Edit->List->GetVisible());
  Edit->DropDown();
  Display.ProcessMessages();
  ASSERT_TRUE(ListShown());
  EXPECT_TRUE(Edit->List->GetVisible());  // follows its window, shown by the owner
  EXPECT_EQ(ListScreenRect().Top, EditScreenRect().Bottom);
  EXPECT_EQ(ListScreenRect().Left, EditScreenRect().Left);
  EXPECT_EQ(ListScreenRect().Width(), 150);
  EXPECT_EQ(GetFocus(), Edit->GetHandle());
  EXPECT_NE(GetActiveWindow(), Edit->List->GetHandle());
  // A press in the list neither focuses nor activates it.
  Display.MouseDown(Edit->List->GetHandle(), ItemCentre(1).X, ItemCentre(1).Y);
  EXPECT_EQ(GetFocus(), Edit->GetHandle());
  EXPECT_EQ(GetActiveWindow(), Form->GetHandle());
  EXPECT_FALSE(Edit->List->CanFocus());
  Display.MouseUp(Edit->List->GetHandle(), ItemCentre(1).X, ItemCentre(1).Y);
}

TEST_F(PopupList, OpensAboveItsOwnerNearTheBottomOfTheWorkArea) {
  MakeForm(20, 820);
  // The edit's bottom lies 100 pixels above the work area's bottom (984).
  Edit->SetTop(884 - Edit->GetHeight() - Form->ClientToScreen(TPoint(0, 0)).Y);
  ASSERT_EQ(EditScreenRect().Bottom, 884);
  for (int i = 0; i < 30; ++i) Edit->List->GetItems()->Add(u"item " + IntToStr(i));
  Edit->Rows = 20;
  Edit->DropDown();
  Display.ProcessMessages();
  EXPECT_GT(Edit->List->GetHeight(), 100);
  EXPECT_EQ(ListScreenRect().Bottom, EditScreenRect().Top);
  EXPECT_EQ(Edit->List->GetSizeGrip()->GetPosition(), sgpTopRight);
  EXPECT_EQ(GetFocus(), Edit->GetHandle());
}

TEST_F(PopupList, KeepsItsHeightToWholeRows) {
  MakeForm();
  AddItems({u"a", u"b", u"c", u"d"});
  TPopupListboxEh* list = Edit->List;
  const Integer item = list->GetItemHeight();
  const Integer border = list->GetBorderHeight();
  EXPECT_EQ(border, 4);  // the 3-D border, two pixels each side, and no window frame
  list->SetBounds(0, 0, 100, border + 3 * item + item / 2);
  EXPECT_EQ(list->GetHeight(), border + 3 * item);
  EXPECT_EQ(list->GetRowCount(), 3);
  list->SetBounds(0, 0, 100, 1);
  EXPECT_EQ(list->GetRowCount(), 1);
  EXPECT_EQ(list->GetHeight(), border + item);
  list->SetRowCount(0);
  EXPECT_EQ(list->GetRowCount(), 1);
  list->SetRowCount(5);
  EXPECT_EQ(list->GetHeight(), border + 5 * item);
  list->SetCtl3D(false);
  EXPECT_EQ(list->GetBorderMargin(), 0);
  EXPECT_EQ(list->GetBorderHeight(), 2);  // a plain one-pixel frame instead
}

TEST_F(PopupList, TypingSelectsWithinTwoSecondsAndStartsOverAfter) {
  MakeForm();
  AddItems({u"Аксаков", u"Блок", u"Бунин", u"Булгаков", u"Чехов"});
  Edit->DropDown();
  Display.TypeText(u"б");
  EXPECT_EQ(Edit->List->GetItemIndex(), 1);
  Display.AdvanceClock(1900);
  Display.TypeText(u"у");
  EXPECT_EQ(Edit->List->GetSearchText(), u"бу");
  EXPECT_EQ(Edit->List->GetItemIndex(), 2);
  Display.AdvanceClock(1999);
  Display.TypeText(u"л");
  EXPECT_EQ(Edit->List->GetItemIndex(), 3);
  // A pause of more than two seconds starts a new search with the next letter.
  Display.AdvanceClock(2001);
  Display.TypeText(u"ч");
  EXPECT_EQ(Edit->List->GetSearchText(), u"ч");
  EXPECT_EQ(Edit->List->GetItemIndex(), 4);
  EXPECT_EQ(Edit->GetText(), u"");  // the keys went to the list, not into the edit
  EXPECT_EQ(GetFocus(), Edit->GetHandle());
}

TEST_F(PopupList, SearchTextStopsAtThirtyTwoCharactersAndBackspaceClearsIt) {
  MakeForm();
  AddItems({u"x"});
  Edit->DropDown();
  Display.TypeText(String(33, u'a'));
  EXPECT_EQ(Edit->List->GetSearchText(), String(32, u'a'));
  Display.Key(VK_BACK);
  EXPECT_EQ(Edit->List->GetSearchText(), u"");
}

TEST_F(PopupList, EnterClosesAcceptingTheSelectedItem) {
  MakeForm();
  AddItems({u"alpha", u"beta", u"gamma"});
  Edit->DropDown();
  Display.Key(VK_DOWN);
  Display.Key(VK_DOWN);
  EXPECT_EQ(Edit->List->GetItemIndex(), 1);
  Display.Key(VK_RETURN);
  EXPECT_FALSE(ListShown());
  EXPECT_EQ(Edit->Closes, std::vector<bool>{true});
  EXPECT_EQ(Edit->GetText(), u"beta");
  EXPECT_EQ(GetFocus(), Edit->GetHandle());
}

TEST_F(PopupList, EscClosesWithoutAccepting) {
  MakeForm();
  AddItems({u"alpha", u"beta"});
  Edit->DropDown();
  Display.Key(VK_DOWN);
  Display.Key(VK_ESCAPE);
  EXPECT_FALSE(ListShown());
  EXPECT_FALSE(Edit->List->GetVisible());
  EXPECT_EQ(Edit->Closes, std::vector<bool>{false});
  EXPECT_EQ(Edit->GetText(), u"");
}

TEST_F(PopupList, AClickOnAnItemClosesAcceptingIt) {
  MakeForm();
  AddItems({u"alpha", u"beta", u"gamma"});
  Edit->DropDown();
  const TPoint p = ItemCentre(2);
  Display.Click(Edit->List->GetHandle(), p.X, p.Y);
  EXPECT_FALSE(ListShown());
  EXPECT_EQ(Edit->Closes, std::vector<bool>{true});
  EXPECT_EQ(Edit->GetText(), u"gamma");
  EXPECT_EQ(GetFocus(), Edit->GetHandle());
}

TEST_F(PopupList, AClickBesideItClosesWithoutAccepting) {
  MakeForm();
  AddItems({u"alpha", u"beta"});
  Edit->DropDown();
  Display.Key(VK_DOWN);
  // On the form's empty part: the form asks its active control to leave its mode.
  Display.Click(Form->GetHandle(), 380, 250);
  EXPECT_FALSE(ListShown());
  EXPECT_EQ(Edit->Closes, std::vector<bool>{false});
  // On another control: the owner loses the focus.
  Edit->DropDown();
  Display.Click(Other->GetHandle(), 5, 5);
  EXPECT_FALSE(ListShown());
  EXPECT_EQ(Edit->Closes, (std::vector<bool>{false, false}));
  EXPECT_EQ(Edit->GetText(), u"");
}

TEST_F(PopupList, TheCloseWithoutAcceptingMessageClosesThroughTheOwner) {
  MakeForm();
  AddItems({u"alpha"});
  Edit->DropDown();
  PostMessage(Edit->List->GetHandle(), WM_CLOSEUPNOACCEPT, 0, 0);
  Display.ProcessMessages();
  EXPECT_FALSE(ListShown());
  EXPECT_EQ(Edit->Closes, std::vector<bool>{false});
  // A list without an owner that listens ignores it.
  TPopupListboxEh lonely(nullptr);
  lonely.Perform(WM_CLOSEUPNOACCEPT, 0, 0);
  EXPECT_EQ(PopupOwnerOfEh(&lonely), nullptr);
  EXPECT_EQ(PopupOwnerOfEh(Edit->List), static_cast<IPopupOwnerEh*>(Edit));
}

TEST_F(PopupList, PointingAtAnItemMakesItCurrentAndHot) {
  MakeForm();
  AddItems({u"alpha", u"beta", u"gamma"});
  Edit->DropDown();
  EXPECT_EQ(Edit->List->GetHotItemIndex(), -1);
  Display.MouseMove(Edit->List->GetHandle(), ItemCentre(2).X, ItemCentre(2).Y);
  EXPECT_EQ(Edit->List->GetItemIndex(), 2);
  EXPECT_EQ(Edit->List->GetHotItemIndex(), 2);
  Display.MouseMove(Edit->List->GetHandle(), ItemCentre(0).X, ItemCentre(0).Y);
  EXPECT_EQ(Edit->List->GetItemIndex(), 0);
  EXPECT_EQ(Edit->List->GetHotItemIndex(), 0);
}

TEST_F(PopupList, TheWheelMovesTheCurrentItemOneAtATime) {
  MakeForm();
  AddItems({u"alpha", u"beta", u"gamma"});
  Edit->DropDown();
  Edit->List->Perform(CM_MOUSEWHEEL, MakeWParam(0, -WHEEL_DELTA), 0);
  EXPECT_EQ(Edit->List->GetItemIndex(), 0);
  Edit->List->Perform(CM_MOUSEWHEEL, MakeWParam(0, -WHEEL_DELTA), 0);
  Edit->List->Perform(CM_MOUSEWHEEL, MakeWParam(0, -WHEEL_DELTA), 0);
  Edit->List->Perform(CM_MOUSEWHEEL, MakeWParam(0, -WHEEL_DELTA), 0);
  EXPECT_EQ(Edit->List->GetItemIndex(), 2);
  Edit->List->Perform(CM_MOUSEWHEEL, MakeWParam(0, WHEEL_DELTA), 0);
  EXPECT_EQ(Edit->List->GetItemIndex(), 1);
}

// ---- Item behaviour objects ---------------------------------------------------------------------------

// An item drawn as a line across the list that cannot take the focus and keeps
// the list open after a click, as the grid's separators and check items do.
class TLineItem : public TPopupListboxItemEh {
public:
  Integer Executed = 0;
  bool CanFocus(TPopupListboxEh*, Integer) override { return false; }
  bool CloseOnExecute(TPopupListboxEh*, Integer) override { return false; }
  void DrawItem(TPopupListboxEh* Sender, Integer, TRect R, TOwnerDrawState) override {
    TCanvas* c = Sender->GetCanvas();
    c->GetBrush()->SetColor(Sender->GetColor());
    c->FillRect(R);
    c->GetPen()->SetColor(clBlue);
    const Integer y = (R.Top + R.Bottom) / 2;
    c->MoveTo(R.Left + 2, y);
    c->LineTo(R.Right - 2, y);
  }
  void MouseUp(TPopupListboxEh* Sender, Integer Index, TPoint P, TMouseButton B, TShiftState S, bool& Close) override {
    TPopupListboxItemEh::MouseUp(Sender, Index, P, B, S, Close);
    ++Executed;
  }
};

// A command drawn in bold italics.
class TCommandItem : public TPopupListboxItemEh {
public:
  void DrawItem(TPopupListboxEh* Sender, Integer Index, TRect R, TOwnerDrawState State) override {
    Sender->GetCanvas()->GetFont()->SetStyle({fsBold, fsItalic});
    Sender->DefaultDrawItem(Index, R, State);
  }
};

TEST_F(PopupList, AnItemThatCannotCloseKeepsTheListOpenAfterAClick) {
  MakeForm();
  TLineItem line;
  Edit->List->SetUseItemObjects(true);
  Edit->List->GetItems()->AddObject(u"alpha", nullptr);
  Edit->List->GetItems()->AddObject(u"-", &line);
  Edit->List->GetItems()->AddObject(u"beta", DefaultPopupListboxItemEh());
  Edit->DropDown();
  Display.Click(Edit->List->GetHandle(), ItemCentre(1).X, ItemCentre(1).Y);
  EXPECT_EQ(line.Executed, 1);
  EXPECT_TRUE(ListShown());
  EXPECT_FALSE(Edit->List->GetMouseCloseUp());
  EXPECT_TRUE(Edit->Closes.empty());
  // The shared default item closes as a plain item does.
  Display.Click(Edit->List->GetHandle(), ItemCentre(2).X, ItemCentre(2).Y);
  EXPECT_FALSE(ListShown());
  EXPECT_EQ(Edit->GetText(), u"beta");
}

// Records what the list tells it, as the grid's check items use it.
class TRecordingItem : public TPopupListboxItemEh {
public:
  std::vector<String> Log;
  bool EatKeys = false;
  void MouseDown(TPopupListboxEh*, Integer Index, TPoint P, TMouseButton, TShiftState) override {
    Log.push_back(u"down " + IntToStr(Index) + u" " + IntToStr(P.Y));
  }
  void MouseMove(TPopupListboxEh*, Integer Index, TPoint, TShiftState) override {
    if (Log.empty() || Log.back() != u"move " + IntToStr(Index)) Log.push_back(u"move " + IntToStr(Index));
  }
  void MouseUp(TPopupListboxEh* Sender, Integer Index, TPoint P, TMouseButton B, TShiftState S, bool& Close) override {
    TPopupListboxItemEh::MouseUp(Sender, Index, P, B, S, Close);
    Log.push_back(u"up " + IntToStr(Index) + (Close ? u" close" : u" stay"));
  }
  void KeyPress(TPopupListboxEh*, Integer Index, Char& Key, TShiftState, bool& Close) override {
    Log.push_back(u"key " + IntToStr(Index) + u" " + String(1, Key) + (Close ? u" close" : u""));
    if (EatKeys) Key = 0;
  }
};

TEST_F(PopupList, AnItemsObjectHearsThePressesMovesReleasesAndKeysOnIt) {
  MakeForm();
  TRecordingItem rec;
  Edit->List->SetUseItemObjects(true);
  Edit->List->GetItems()->AddObject(u"alpha", nullptr);
  Edit->List->GetItems()->AddObject(u"beta", &rec);
  Edit->DropDown();
  HWND list = Edit->List->GetHandle();
  const TPoint p = ItemCentre(1);
  Display.MouseMove(list, ItemCentre(0).X, ItemCentre(0).Y);
  Display.MouseMove(list, p.X, p.Y);
  // The points are the list's own client coordinates.
  Display.MouseDown(list, p.X, p.Y);
  EXPECT_TRUE(Edit->List->GetMouseCloseUp());
  Display.MouseUp(list, p.X, p.Y);
  EXPECT_EQ(rec.Log, (std::vector<String>{u"move 1", u"down 1 " + IntToStr(p.Y), u"up 1 close"}));
  // Keys go to the current item's object first; one it takes does not search.
  Edit->DropDown();
  Edit->List->SetItemIndex(1);
  rec.Log.clear();
  rec.EatKeys = true;
  Display.TypeText(u"a");
  EXPECT_EQ(rec.Log, std::vector<String>{u"key 1 a"});
  EXPECT_EQ(Edit->List->GetItemIndex(), 1);
  rec.EatKeys = false;
  Display.TypeText(u"a");
  EXPECT_EQ(Edit->List->GetItemIndex(), 0);
}

TEST_F(PopupList, ItemObjectsAreIgnoredUnlessTheListIsToldToUseThem) {
  MakeForm();
  TLineItem line;
  Edit->List->GetItems()->AddObject(u"-", &line);
  EXPECT_EQ(Edit->List->ItemBehaviour(0), nullptr);
  Edit->List->SetUseItemObjects(true);
  EXPECT_EQ(Edit->List->ItemBehaviour(0), &line);
  EXPECT_EQ(Edit->List->ItemBehaviour(1), nullptr);
  Edit->List->GetItems()->PutObject(0, Edit);  // some other object: no behaviour
  EXPECT_EQ(Edit->List->ItemBehaviour(0), nullptr);
}

TEST_F(PopupList, TheSelectedItemGetsAFocusRectangleUnlessItsObjectRefusesIt) {
  MakeForm();
  TLineItem line;
  Edit->List->SetUseItemObjects(true);
  Edit->List->GetItems()->AddObject(u"alpha", nullptr);
  Edit->List->GetItems()->AddObject(u"-", &line);
  Edit->DropDown();
  HWND list = Edit->List->GetHandle();
  // Pixels of the top edge of an item that are not its background: the dotted focus frame.
  const auto dotsOnTopEdge = [&](Integer Index, TColor Background) {
    const TRect r = Edit->List->ItemRect(Index);
    Integer dots = 0;
    for (Integer x = r.Left; x < r.Right; ++x)
      if (Display.PixelAt(list, x, r.Top) != ColorToRGB(Background)) ++dots;
    return dots;
  };
  Edit->List->SetItemIndex(0);
  const TRect r0 = Edit->List->ItemRect(0);
  EXPECT_EQ(Display.PixelAt(list, r0.Right - 4, (r0.Top + r0.Bottom) / 2), ColorToRGB(clHighlight));
  EXPECT_GT(dotsOnTopEdge(0, clHighlight), 10);
  Edit->List->SetItemIndex(1);
  const TRect r1 = Edit->List->ItemRect(1);
  EXPECT_EQ(dotsOnTopEdge(1, clWindow), 0);
  EXPECT_EQ(Display.PixelAt(list, (r1.Left + r1.Right) / 2, (r1.Top + r1.Bottom) / 2), ColorToRGB(clBlue));
}

TEST_F(PopupList, AVirtualListReadsItsItemsFromAnOutsideList) {
  MakeForm();
  TStringList source;
  TCommandItem command;
  source.AddObject(u"first", nullptr);
  source.AddObject(u"second", &command);
  Edit->List->SetItemsStrings(&source);
  Edit->List->SetUseItemObjects(true);
  EXPECT_EQ(Edit->List->GetStyle(), lbVirtualOwnerDraw);
  EXPECT_EQ(Edit->List->GetCount(), 2);
  EXPECT_EQ(Edit->List->GetItemText(1), u"second");
  EXPECT_EQ(Edit->List->ItemBehaviour(1), &command);
  Edit->List->SetItemsStrings(nullptr);
  EXPECT_EQ(Edit->List->GetStyle(), lbOwnerDrawFixed);
  String text = u"unchanged";
  Edit->List->GetItemText(0, text);
  EXPECT_EQ(text, u"unchanged");  // no outside list: nothing to read
}

// An image list of solid squares, one colour each.
void FillImages(TImageList& Images, std::initializer_list<TColor> Colors) {
  Images.SetWidth(12);
  Images.SetHeight(12);
  for (TColor c : Colors) {
    TBitmap b;
    b.SetSize(12, 12);
    b.GetCanvas()->GetBrush()->SetColor(c);
    b.GetCanvas()->FillRect(TRect(0, 0, 12, 12));
    Images.Add(&b, nullptr);
  }
}

TEST_F(PopupList, ImagesStandBeforeTheTextsAndTheEventMayPickAnother) {
  MakeForm();
  TImageList images(nullptr);
  FillImages(images, {clRed, clGreen});
  AddItems({u"alpha", u"beta", u"gamma"});
  Edit->List->SetImageList(&images);
  Integer asked = 0;
  Edit->List->OnGetImageIndex = [&](TObject* Sender, Integer Index, Integer& Image) {
    EXPECT_EQ(Sender, Edit);  // the list's owner
    ++asked;
    if (Index == 2) Image = 0;
  };
  Edit->DropDown();
  HWND list = Edit->List->GetHandle();
  const auto centre = [&](Integer i) {
    const TRect r = Edit->List->ItemRect(i);
    return TPoint(8, (r.Top + r.Bottom) / 2);  // the middle of the 16-pixel image area
  };
  EXPECT_EQ(Display.PixelAt(list, centre(0).X, centre(0).Y), ColorToRGB(clRed));
  EXPECT_EQ(Display.PixelAt(list, centre(1).X, centre(1).Y), ColorToRGB(clGreen));
  EXPECT_EQ(Display.PixelAt(list, centre(2).X, centre(2).Y), ColorToRGB(clRed));
  EXPECT_GE(asked, 3);
  // The selected item's text part is highlighted, from the image area on.
  Edit->List->SetItemIndex(1);
  const TRect r = Edit->List->ItemRect(1);
  EXPECT_EQ(Display.PixelAt(list, r.Right - 3, r.Top + 2), ColorToRGB(clHighlight));
  EXPECT_NE(Display.PixelAt(list, 2, r.Top + 2), ColorToRGB(clHighlight));
}

TEST(DrawImageCentered, CentresTheImageAndClipsItToTheRectangle) {
  THeadlessDisplay display;
  TImageList images(nullptr);
  FillImages(images, {clRed});
  TBitmap b;
  b.SetSize(40, 40);
  TCanvas* c = b.GetCanvas();
  c->GetBrush()->SetColor(clWhite);
  c->FillRect(TRect(0, 0, 40, 40));
  DrawImageCenteredEh(c, TRect(0, 0, 20, 20), &images, 0, false);
  EXPECT_EQ(c->GetPixel(3, 3), clWhite);
  EXPECT_EQ(c->GetPixel(4, 4), ColorToRGB(clRed));
  EXPECT_EQ(c->GetPixel(15, 15), ColorToRGB(clRed));
  EXPECT_EQ(c->GetPixel(16, 16), clWhite);
  // Smaller than the image: the middle part, nothing outside.
  DrawImageCenteredEh(c, TRect(25, 25, 31, 31), &images, 0, false);
  EXPECT_EQ(c->GetPixel(25, 25), ColorToRGB(clRed));
  EXPECT_EQ(c->GetPixel(30, 30), ColorToRGB(clRed));
  EXPECT_EQ(c->GetPixel(24, 24), clWhite);
  EXPECT_EQ(c->GetPixel(31, 31), clWhite);
  // Selected: blended with the highlight; an index outside the list: nothing.
  DrawImageCenteredEh(c, TRect(20, 0, 40, 20), &images, 0, true);
  EXPECT_NE(c->GetPixel(30, 10), ColorToRGB(clRed));
  EXPECT_NE(c->GetPixel(30, 10), clWhite);
  c->FillRect(TRect(0, 0, 40, 40));
  DrawImageCenteredEh(c, TRect(0, 0, 20, 20), &images, 1, false);
  DrawImageCenteredEh(c, TRect(0, 0, 20, 20), nullptr, 0, false);
  EXPECT_EQ(c->GetPixel(10, 10), clWhite);
}

TEST_F(PopupList, TheThreeDimensionalBorderIsRaised) {
  MakeForm();
  AddItems({u"alpha"});
  Edit->DropDown();
  HWND list = Edit->List->GetHandle();
  const TRect client = GetClientRectInWindow(list);
  EXPECT_EQ(client.Left, 2);
  EXPECT_EQ(client.Top, 2);
  // A raised outer and a raised inner edge, read in client coordinates outside the client area.
  const TRect c = GetClientRect(list);
  EXPECT_EQ(Display.PixelAt(list, -2, -2), ColorToRGB(cl3DLight));
  EXPECT_EQ(Display.PixelAt(list, -1, -1), ColorToRGB(clBtnHighlight));
  EXPECT_EQ(Display.PixelAt(list, c.Right + 1, c.Bottom + 1), ColorToRGB(cl3DDkShadow));
  EXPECT_EQ(Display.PixelAt(list, c.Right, c.Bottom), ColorToRGB(clBtnShadow));
}

TEST_F(PopupList, TheBorderGoesAroundTheScrollBarToo) {
  MakeForm();
  for (int i = 0; i < 20; ++i) Edit->List->GetItems()->Add(u"item " + IntToStr(i));
  Edit->Rows = 5;
  Edit->DropDown();
  HWND list = Edit->List->GetHandle();
  ASSERT_TRUE(IsScrollBarVisible(list, SB_VERT));
  const TRect c = GetClientRect(list);
  const TRect w = GetWindowRect(list);
  const TRect bar = GetScrollBarRect(list, SB_VERT);
  EXPECT_EQ(bar.Right, w.Width() - 2);  // the bar ends where the border begins
  EXPECT_EQ(bar.Left, c.Right + 2);
  // The outer edge's dark side is the window's last column, beside the bar.
  const Integer right = w.Width() - 1 - 2;  // in client coordinates (the client starts at 2)
  EXPECT_EQ(Display.PixelAt(list, right, 10), ColorToRGB(cl3DDkShadow));
  EXPECT_EQ(Display.PixelAt(list, right - 1, 10), ColorToRGB(clBtnShadow));
}

// ---- The picture kept as a test artifact -------------------------------------------------------------

// The form and the open drop-down as the screen shows them, in one PNG.
void SaveScreenPNG(const std::vector<HWND>& Windows, const TRect& Area, const std::string& Path) {
  cairo_surface_t* out = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, Area.Width(), Area.Height());
  cairo_t* cr = cairo_create(out);
  cairo_set_source_rgb(cr, 0.23, 0.43, 0.65);
  cairo_paint(cr);
  for (HWND w : Windows) {
    cairo_surface_t* image = RenderWindow(w);
    const TRect r = GetWindowRect(w);
    cairo_set_source_surface(cr, image, r.Left - Area.Left, r.Top - Area.Top);
    cairo_paint(cr);
  }
  cairo_destroy(cr);
  cairo_surface_write_to_png(out, Path.c_str());
  cairo_surface_destroy(out);
}

TEST_F(PopupList, AnOpenDropDownWithSpecialItemsIsKeptAsAPicture) {
  MakeForm();
  TCommandItem command;
  TLineItem line;
  TImageList images(nullptr);
  FillImages(images, {clGreen, clRed, clNavy, clOlive});
  TPopupListboxEh* list = Edit->List;
  list->SetUseItemObjects(true);
  list->SetImageList(&images);
  list->GetItems()->AddObject(u"Сортировать по возрастанию", &command);
  list->GetItems()->AddObject(u"Сортировать по убыванию", &command);
  list->GetItems()->AddObject(u"-", &line);
  list->GetItems()->AddObject(u"Москва", nullptr);
  list->GetItems()->AddObject(u"Новосибирск", nullptr);
  list->GetItems()->AddObject(u"Санкт-Петербург", nullptr);
  list->OnGetImageIndex = [](TObject*, Integer Index, Integer& Image) {
    Image = Index < 2 ? Index : Index > 2 ? 2 : -1;
  };
  Edit->SetWidth(200);
  Edit->DropDown();
  Display.MouseMove(list->GetHandle(), ItemCentre(4).X, ItemCentre(4).Y);
  ASSERT_EQ(list->GetItemIndex(), 4);
  // The command items are bold: their ink reaches further right than a plain item's.
  const auto inkRight = [&](Integer Index) {
    const TRect r = list->ItemRect(Index);
    Integer right = -1;
    for (Integer x = 16; x < r.Right - 20; ++x)
      for (Integer y = r.Top; y < r.Bottom; ++y)
        if (Display.PixelAt(list->GetHandle(), x, y) != ColorToRGB(clWindow)) right = x;
    return right;
  };
  EXPECT_GT(inkRight(0), 60);
  const std::filesystem::path dir = std::filesystem::path(BORROW_BINARY_DIR) / "test-artifacts";
  std::filesystem::create_directories(dir);
  const std::string file = (dir / "popup_list_special_items.png").string();
  const TRect area(80, 80, 520, 330);
  SaveScreenPNG({Form->GetHandle(), list->GetHandle()}, area, file);
  EXPECT_GT(std::filesystem::file_size(file), 1000u);
}

}  // namespace
