// The control base classes through real message dispatch: alignment, anchors,
// inherited colour and font, mouse clicks, graphic children, focus and keys.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/backend/Headless.h"
#include "platform/ui/Forms.h"

namespace {

// A windowed control that paints itself in one colour and records events.
class TProbe : public TCustomControl {
public:
  explicit TProbe(TComponent* AOwner) : TCustomControl(AOwner) {
    SetTabStop(true);
    SetBounds(0, 0, 50, 20);
  }
  std::vector<std::string> Events;
  LRESULT DlgCode = 0;

protected:
  void Paint() override {
    GetCanvas()->GetBrush()->SetColor(GetColor());
    GetCanvas()->FillRect(GetClientRect());
  }
  void DoEnter() override {
    Events.push_back("enter:" + ToUtf8(GetName()));
    TCustomControl::DoEnter();
  }
  void DoExit() override {
    Events.push_back("exit:" + ToUtf8(GetName()));
    TCustomControl::DoExit();
  }

public:
  void Dispatch(TMessage& m) override {
    if (m.Msg == WM_GETDLGCODE) {
      m.Result = DlgCode;
      return;
    }
    TCustomControl::Dispatch(m);
  }
};

// A windowless control that paints a filled square and counts clicks.
class TDot : public TGraphicControl {
public:
  explicit TDot(TComponent* AOwner) : TGraphicControl(AOwner) { SetBounds(0, 0, 10, 10); }
  Integer Clicks = 0;
  TPoint LastDown{-1, -1};

protected:
  void Paint() override {
    GetCanvas()->GetBrush()->SetColor(clRed);
    GetCanvas()->FillRect(GetClientRect());
  }
  void Click() override {
    ++Clicks;
    TGraphicControl::Click();
  }
  void MouseDown(TMouseButton, TShiftState, Integer X, Integer Y) override { LastDown = TPoint(X, Y); }
};

class Controls : public ::testing::Test {
protected:
  THeadlessDisplay Display;
  TForm* Form = nullptr;
  void SetUp() override {
    Form = new TForm(Application);
    Form->SetName(u"Form");
    Form->SetBorderStyle(bsNone);
    Form->SetBounds(100, 100, 300, 200);
  }
  template <class T>
  T* Add(const char16_t* name, TWinControl* parent = nullptr) {
    T* c = new T(Form);
    c->SetName(name);
    c->SetParent(parent ? parent : Form);
    return c;
  }
};

// ---- Alignment -------------------------------------------------------------------------

TEST_F(Controls, TopBottomLeftRightAndClientShareTheClientArea) {
  auto* top = Add<TProbe>(u"Top");
  top->SetHeight(30);
  top->SetAlign(alTop);
  auto* bottom = Add<TProbe>(u"Bottom");
  bottom->SetHeight(20);
  bottom->SetAlign(alBottom);
  auto* left = Add<TProbe>(u"Left");
  left->SetWidth(40);
  left->SetAlign(alLeft);
  auto* right = Add<TProbe>(u"Right");
  right->SetWidth(60);
  right->SetAlign(alRight);
  auto* client = Add<TProbe>(u"Client");
  client->SetAlign(alClient);
  Form->Show();
  EXPECT_EQ(top->GetBoundsRect(), TRect(0, 0, 300, 30));
  EXPECT_EQ(bottom->GetBoundsRect(), TRect(0, 180, 300, 200));
  EXPECT_EQ(left->GetBoundsRect(), TRect(0, 30, 40, 180));
  EXPECT_EQ(right->GetBoundsRect(), TRect(240, 30, 300, 180));
  EXPECT_EQ(client->GetBoundsRect(), TRect(40, 30, 240, 180));
  // The window agrees with the control.
  EXPECT_EQ(GetWindowRect(client->GetHandle()), Bounds(100 + 40, 100 + 30, 200, 150));
  // A resize of the parent realigns.
  Form->SetBounds(100, 100, 400, 300);
  EXPECT_EQ(top->GetBoundsRect(), TRect(0, 0, 400, 30));
  EXPECT_EQ(client->GetBoundsRect(), TRect(40, 30, 340, 280));
}

TEST_F(Controls, SeveralTopControlsStackInTheirOrder) {
  auto* a = Add<TProbe>(u"A");
  a->SetBounds(0, 0, 10, 10);
  a->SetAlign(alTop);
  auto* b = Add<TProbe>(u"B");
  b->SetBounds(0, 50, 10, 15);
  b->SetAlign(alTop);
  auto* c = Add<TProbe>(u"C");
  c->SetAlign(alClient);
  EXPECT_EQ(a->GetBoundsRect(), TRect(0, 0, 300, 10));
  EXPECT_EQ(b->GetBoundsRect(), TRect(0, 10, 300, 25));
  EXPECT_EQ(c->GetBoundsRect(), TRect(0, 25, 300, 200));
  // Hiding one closes the gap.
  a->SetVisible(false);
  EXPECT_EQ(b->GetBoundsRect(), TRect(0, 0, 300, 15));
  EXPECT_EQ(c->GetBoundsRect(), TRect(0, 15, 300, 200));
}

TEST_F(Controls, AnchorsKeepTheDistanceToTheRightAndBottom) {
  auto* stretch = Add<TProbe>(u"Stretch");
  stretch->SetBounds(10, 10, 100, 20);
  stretch->SetAnchors(TAnchors{akLeft, akTop, akRight});
  auto* corner = Add<TProbe>(u"Corner");
  corner->SetBounds(250, 150, 40, 40);
  corner->SetAnchors(TAnchors{akRight, akBottom});
  Form->Show();
  Form->SetBounds(100, 100, 400, 260);
  EXPECT_EQ(stretch->GetBoundsRect(), TRect(10, 10, 210, 30));
  EXPECT_EQ(corner->GetBoundsRect(), TRect(350, 210, 390, 250));
}

// ---- Inherited properties -------------------------------------------------------------------

TEST_F(Controls, ParentColorAndFontFollowTheParentUntilSetOwn) {
  auto* panel = Add<TProbe>(u"Panel");
  panel->SetControlStyle(panel->GetControlStyle() + csAcceptsControls);
  auto* child = Add<TProbe>(u"Child", panel);
  child->SetParentColor(true);
  panel->SetColor(clYellow);
  EXPECT_EQ(child->GetColor(), clYellow);
  panel->GetFont()->SetName(u"Tahoma");
  EXPECT_EQ(child->GetFont()->GetName(), u"Tahoma");
  child->GetFont()->SetSize(14);
  EXPECT_FALSE(child->GetParentFont());
  panel->GetFont()->SetName(u"Courier New");
  EXPECT_EQ(child->GetFont()->GetName(), u"Tahoma");
  child->SetColor(clLime);
  panel->SetColor(clAqua);
  EXPECT_EQ(child->GetColor(), clLime);
}

// ---- Mouse ---------------------------------------------------------------------------------------

TEST_F(Controls, AClickFiresOnlyWhenTheButtonIsReleasedInside) {
  auto* p = Add<TProbe>(u"P");
  p->SetBounds(10, 10, 50, 20);
  int clicks = 0;
  p->OnClick = [&](TObject*) { ++clicks; };
  Form->Show();
  Display.Click(p->GetHandle(), 5, 5);
  EXPECT_EQ(clicks, 1);
  // Pressed inside, released outside: the control kept the mouse, but no click.
  Display.Drag(p->GetHandle(), TPoint(5, 5), TPoint(200, 100));
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(Controls, MouseEventsCarryButtonShiftAndDoubleClicks) {
  auto* p = Add<TProbe>(u"P");
  std::vector<std::pair<TMouseButton, TShiftState>> downs;
  int dbl = 0;
  p->OnMouseDown = [&](TObject*, TMouseButton b, TShiftState s, Integer, Integer) { downs.push_back({b, s}); };
  p->OnDblClick = [&](TObject*) { ++dbl; };
  Form->Show();
  Display.Click(p->GetHandle(), 3, 3, mbRight, THeadlessShift::Ctrl);
  Display.DoubleClick(p->GetHandle(), 3, 3);
  ASSERT_EQ(downs.size(), 3u);
  EXPECT_EQ(downs[0].first, mbRight);
  EXPECT_TRUE(downs[0].second.Contains(ssCtrl));
  EXPECT_TRUE(downs[0].second.Contains(ssRight));
  EXPECT_FALSE(downs[1].second.Contains(ssDouble));
  EXPECT_TRUE(downs[2].second.Contains(ssDouble));
  EXPECT_EQ(dbl, 1);
}

TEST_F(Controls, AGraphicChildGetsTheMouseInItsOwnCoordinatesAndIsPaintedByItsParent) {
  auto* dot = Add<TDot>(u"Dot");
  dot->SetBounds(30, 40, 10, 10);
  Form->Show();
  Display.Click(Form->GetHandle(), 33, 44);
  EXPECT_EQ(dot->Clicks, 1);
  EXPECT_EQ(dot->LastDown, TPoint(3, 4));
  EXPECT_EQ(Display.PixelAt(Form->GetHandle(), 35, 45), clRed);
  EXPECT_EQ(Display.PixelAt(Form->GetHandle(), 45, 45), ColorToRGB(clBtnFace));
  dot->SetVisible(false);
  EXPECT_EQ(Display.PixelAt(Form->GetHandle(), 35, 45), ColorToRGB(clBtnFace));
}

TEST_F(Controls, EnteringAndLeavingAControlAreAnnounced) {
  auto* a = Add<TProbe>(u"A");
  a->SetBounds(10, 10, 50, 20);
  auto* dot = Add<TDot>(u"Dot");
  dot->SetBounds(100, 10, 10, 10);
  std::vector<std::string> seen;
  for (TControl* c : std::initializer_list<TControl*>{a, dot}) {
    auto old = c->GetWindowProc();
    c->SetWindowProc([&seen, c, old](TMessage& m) {
      if (m.Msg == CM_MOUSEENTER) seen.push_back("enter:" + ToUtf8(c->GetName()));
      if (m.Msg == CM_MOUSELEAVE) seen.push_back("leave:" + ToUtf8(c->GetName()));
      old(m);
    });
  }
  Form->Show();
  Display.MouseMove(Form->GetHandle(), 20, 20);
  Display.MouseMove(Form->GetHandle(), 25, 20);
  Display.MouseMove(Form->GetHandle(), 105, 15);
  EXPECT_EQ(seen, (std::vector<std::string>{"enter:A", "leave:A", "enter:Dot"}));
}

// ---- Focus and keys -------------------------------------------------------------------------------

TEST_F(Controls, FocusMovesEnterAndExitAndTheFormsActiveControl) {
  auto* a = Add<TProbe>(u"A");
  auto* b = Add<TProbe>(u"B");
  b->SetTop(30);
  Form->Show();
  EXPECT_EQ(Form->GetActiveControl(), a);
  EXPECT_TRUE(a->Focused());
  b->SetFocus();
  EXPECT_TRUE(b->Focused());
  EXPECT_EQ(Form->GetActiveControl(), b);
  EXPECT_EQ(Screen->GetActiveControl(), b);
  EXPECT_EQ(a->Events, (std::vector<std::string>{"enter:A", "exit:A"}));
  EXPECT_EQ(b->Events, (std::vector<std::string>{"enter:B"}));
}

TEST_F(Controls, TabAndShiftTabFollowTheTabOrder) {
  auto* a = Add<TProbe>(u"A");
  auto* b = Add<TProbe>(u"B");
  auto* c = Add<TProbe>(u"C");
  c->SetTabOrder(0);  // C, A, B
  b->SetEnabled(false);
  Form->Show();
  EXPECT_EQ(Form->GetActiveControl(), c);
  Display.Key(VK_TAB);
  EXPECT_TRUE(a->Focused());
  Display.Key(VK_TAB);  // B is disabled: back to C
  EXPECT_TRUE(c->Focused());
  Display.Key(VK_TAB, THeadlessShift::Shift);
  EXPECT_TRUE(a->Focused());
}

TEST_F(Controls, AControlAskingForTabKeepsIt) {
  auto* a = Add<TProbe>(u"A");
  Add<TProbe>(u"B");
  a->DlgCode = DLGC_WANTTAB;
  std::vector<Word> keys;
  a->OnKeyDown = [&](TObject*, Word& k, TShiftState) { keys.push_back(k); };
  Form->Show();
  Display.Key(VK_TAB);
  EXPECT_TRUE(a->Focused());
  EXPECT_EQ(keys, std::vector<Word>{VK_TAB});
}

TEST_F(Controls, KeyPreviewLetsTheFormSeeAndSwallowKeysFirst) {
  auto* a = Add<TProbe>(u"A");
  std::vector<std::string> order;
  Form->OnKeyDown = [&](TObject*, Word& k, TShiftState) {
    order.push_back("form");
    if (k == VK_F2) k = 0;
  };
  a->OnKeyDown = [&](TObject*, Word&, TShiftState) { order.push_back("control"); };
  Form->Show();
  Display.Key(VK_F3);
  EXPECT_EQ(order, std::vector<std::string>{"control"});
  order.clear();
  Form->SetKeyPreview(true);
  Display.Key(VK_F3);
  Display.Key(VK_F2);
  EXPECT_EQ(order, (std::vector<std::string>{"form", "control", "form"}));
}

TEST_F(Controls, KeyPressCanChangeOrSwallowTheCharacter) {
  auto* a = Add<TProbe>(u"A");
  String typed;
  a->OnKeyPress = [&](TObject*, Char& c) {
    if (c == u'x') c = 0;
    else typed += c;
  };
  Form->Show();
  Display.TypeText(u"ЖxQ");
  EXPECT_EQ(typed, u"ЖQ");
}

// ---- Handles ---------------------------------------------------------------------------------------

TEST_F(Controls, HandlesAreMadeWhenFirstNeededAndRecreationKeepsTheText) {
  auto* a = Add<TProbe>(u"A");
  EXPECT_FALSE(a->HandleAllocated());
  a->SetText(u"Поиск");
  HWND h = a->GetHandle();
  EXPECT_TRUE(Form->HandleAllocated());
  EXPECT_EQ(GetWindowText(h), u"Поиск");
  EXPECT_EQ(FindControl(h), a);
  a->RecreateWnd();
  EXPECT_FALSE(IsWindow(h));
  EXPECT_EQ(a->GetText(), u"Поиск");
  EXPECT_EQ(GetParent(a->GetHandle()), Form->GetHandle());
}

TEST_F(Controls, FreeingAControlTakesItsWindowAndFocusAway) {
  auto* a = Add<TProbe>(u"A");
  auto* b = Add<TProbe>(u"B");
  Form->Show();
  b->SetFocus();
  HWND h = b->GetHandle();
  delete b;
  EXPECT_FALSE(IsWindow(h));
  EXPECT_EQ(Form->GetActiveControl(), nullptr);
  EXPECT_EQ(Form->GetControlCount(), 1);
  a->SetFocus();
  EXPECT_TRUE(a->Focused());
}

// ---- Scaling, limits, borders -----------------------------------------------------------------

TEST(MulDivRounding, HalvesGoAwayFromZeroAndZeroDivisorFails) {
  EXPECT_EQ(MulDiv(33, 3, 2), 50);
  EXPECT_EQ(MulDiv(-33, 3, 2), -50);
  EXPECT_EQ(MulDiv(66, 3, 2), 99);
  EXPECT_EQ(MulDiv(5, 1, 0), -1);
  EXPECT_EQ(MulDiv(2000000000, 2000000000, 1), -1);
  EXPECT_EQ(MulDiv(2000000000, 3, 4), 1500000000);
}

TEST_F(Controls, ChangeScaleScalesEdgesNotSizesSoNeighboursStayTogether) {
  auto* a = Add<TProbe>(u"A");
  a->SetBounds(0, 0, 33, 10);
  auto* b = Add<TProbe>(u"B");
  b->SetBounds(33, 0, 33, 10);
  auto* c = Add<TProbe>(u"C");
  c->SetBounds(66, 0, 33, 10);
  c->SetControlStyle(c->GetControlStyle() + csFixedHeight);
  c->GetFont()->SetSize(8);
  Form->ScaleBy(3, 2);
  EXPECT_EQ(a->GetBoundsRect(), TRect(0, 0, 50, 15));
  EXPECT_EQ(b->GetBoundsRect(), TRect(50, 0, 99, 15));
  EXPECT_EQ(c->GetBoundsRect(), TRect(99, 0, 149, 10));
  EXPECT_EQ(c->GetFont()->GetSize(), 12);
  EXPECT_EQ(Form->GetWidth(), 450);
}

TEST_F(Controls, ConstraintsLimitTheSize) {
  auto* a = Add<TProbe>(u"A");
  a->GetConstraints()->SetMinWidth(30);
  a->GetConstraints()->SetMaxHeight(15);
  a->SetBounds(0, 0, 10, 40);
  EXPECT_EQ(a->GetWidth(), 30);
  EXPECT_EQ(a->GetHeight(), 15);
}

TEST_F(Controls, BorderWidthFramesTheClientAreaInTheControlsColour) {
  auto* a = Add<TProbe>(u"A");
  a->SetBounds(10, 10, 60, 40);
  a->SetColor(clLime);
  Form->Show();
  a->SetBorderWidth(3);
  EXPECT_EQ(a->GetClientRect(), TRect(0, 0, 54, 34));
  Display.ProcessMessages();
  EXPECT_EQ(Display.PixelAt(Form->GetHandle(), 11, 11), clLime);
}

// ---- Context menus and cancel mode --------------------------------------------------------------

TEST_F(Controls, ARightClickOffersTheContextEventThenThePopupMenu) {
  auto* a = Add<TProbe>(u"A");
  auto* menu = new TComponent(Form);
  a->SetPopupMenu(menu);
  std::vector<TPoint> shownAt;
  TPopupMenuHandler old = SetPopupMenuHandler([&](TComponent* m, TControl* c, TPoint p) {
    EXPECT_EQ(m, menu);
    EXPECT_EQ(c, a);
    shownAt.push_back(p);
    return true;
  });
  bool handle = true;
  TPoint clientPos;
  a->OnContextPopup = [&](TObject*, TPoint p, bool& h) {
    clientPos = p;
    h = handle;
  };
  Form->Show();
  Display.Click(a->GetHandle(), 7, 8, mbRight);
  EXPECT_EQ(clientPos, TPoint(7, 8));
  EXPECT_TRUE(shownAt.empty());
  handle = false;
  Display.Click(a->GetHandle(), 7, 8, mbRight);
  ASSERT_EQ(shownAt.size(), 1u);
  EXPECT_EQ(shownAt[0], a->ClientToScreen(TPoint(7, 8)));
  // A freed menu is forgotten.
  delete menu;
  EXPECT_EQ(a->GetPopupMenu<TComponent>(), nullptr);
  SetPopupMenuHandler(old);
}

TEST_F(Controls, TheKeyboardAsksForTheContextMenuWithoutAPosition) {
  auto* a = Add<TProbe>(u"A");
  std::vector<TPoint> asked;
  a->OnContextPopup = [&](TObject*, TPoint p, bool& h) {
    asked.push_back(p);
    h = true;
  };
  Form->Show();
  Display.Key(VK_F10, THeadlessShift::Shift);
  Display.Key(VK_APPS);
  EXPECT_EQ(asked, (std::vector<TPoint>{TPoint(-1, -1), TPoint(-1, -1)}));
}

TEST_F(Controls, AltWithALetterReachesTheFormAsAnAccelerator) {
  class TAccel : public TProbe {
  public:
    using TProbe::TProbe;
    std::vector<WPARAM> Chars;
    void Dispatch(TMessage& m) override {
      if (m.Msg == CM_DIALOGCHAR) {
        Chars.push_back(m.WParam);
        m.Result = m.WParam == 'n' ? 1 : 0;
        return;
      }
      TProbe::Dispatch(m);
    }
  };
  auto* a = new TAccel(Form);
  a->SetParent(Form);
  auto* other = Add<TProbe>(u"Other");
  other->SetTop(40);
  Form->Show();
  Display.Key('N', THeadlessShift::Alt);
  EXPECT_EQ(a->Chars, std::vector<WPARAM>{'n'});
}

TEST_F(Controls, SendCancelModeReachesTheActiveControlWithTheSender) {
  auto* a = Add<TProbe>(u"A");
  auto* b = Add<TProbe>(u"B");
  LPARAM sender = 0;
  auto old = a->GetWindowProc();
  a->SetWindowProc([&, old](TMessage& m) {
    if (m.Msg == CM_CANCELMODE) sender = m.LParam;
    old(m);
  });
  Form->Show();
  ASSERT_TRUE(a->Focused());
  b->SendCancelMode(b);
  EXPECT_EQ(sender, reinterpret_cast<LPARAM>(b));
}

}  // namespace
