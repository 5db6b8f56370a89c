// Forms, the application and the screen: modal forms answered by a test, closing,
// the error box, message boxes, the message loop, placement and snapshots.

#include <gtest/gtest.h>

#include <cairo.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "platform/backend/Headless.h"
#include "platform/ui/Buttons.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Timers.h"

namespace {

// A windowed control that closes its form with a result when clicked.
class TResultButton : public TCustomControl {
public:
  TResultButton(TComponent* AOwner, TModalResult Result) : TCustomControl(AOwner), FResult(Result) {
    SetBounds(10, 10, 60, 24);
    SetTabStop(true);
  }
  void Click() override {
    TCustomControl::Click();
    if (TCustomForm* f = GetParentForm(this)) f->SetModalResult(FResult);
  }

protected:
  void Paint() override {
    GetCanvas()->GetBrush()->SetColor(clNavy);
    GetCanvas()->FillRect(GetClientRect());
  }

private:
  TModalResult FResult;
};

class Forms : public ::testing::Test {
protected:
  THeadlessDisplay Display;

  TForm* NewDialog(const char16_t* caption) {
    auto* f = new TForm(Application);
    f->SetCaption(caption);
    f->SetBorderStyle(bsDialog);
    f->SetBounds(0, 0, 200, 100);
    return f;
  }
};

// ---- Modal forms ----------------------------------------------------------------------------

TEST_F(Forms, AModalFormAnsweredByTheTestGivesItsResult) {
  TForm* main = new TForm(Application);
  Application->SetMainForm(main);
  main->Show();
  TForm* dlg = NewDialog(u"Поиск");
  auto* ok = new TResultButton(dlg, mrOk);
  ok->SetParent(dlg);
  bool mainEnabledDuring = true;
  Display.WhenIdle([&] {
    EXPECT_TRUE(dlg->GetVisible());
    EXPECT_EQ(GetActiveWindow(), dlg->GetHandle());
    mainEnabledDuring = IsWindowEnabled(main->GetHandle());
    Display.Click(ok->GetHandle(), 5, 5);
  });
  EXPECT_EQ(dlg->ShowModal(), mrOk);
  EXPECT_FALSE(mainEnabledDuring);
  EXPECT_FALSE(dlg->GetVisible());
  EXPECT_TRUE(IsWindowEnabled(main->GetHandle()));
  EXPECT_EQ(GetActiveWindow(), main->GetHandle());
}

TEST_F(Forms, ClicksOnAWindowAModalFormDisablesReachNoneOfItsControls) {
  TForm* main = new TForm(Application);
  Application->SetMainForm(main);
  main->SetBounds(300, 300, 300, 200);
  auto* panel = new TPanel(main);
  panel->SetParent(main);
  panel->SetBounds(0, 0, 300, 100);
  int windowedClicks = 0, speedClicks = 0;
  auto* windowed = new TButton(main);
  windowed->SetParent(panel);
  windowed->SetBounds(10, 10, 80, 24);
  windowed->OnClick = [&](TObject*) { ++windowedClicks; };
  auto* speed = new TSpeedButton(main);
  speed->SetParent(panel);
  speed->SetBounds(100, 10, 24, 24);
  speed->OnClick = [&](TObject*) { ++speedClicks; };
  main->Show();
  TForm* dlg = NewDialog(u"Настройка");
  auto* ok = new TResultButton(dlg, mrOk);
  ok->SetParent(dlg);
  HWND focusDuring = nullptr;
  std::ptrdiff_t broughtForward = 0;
  Display.WhenIdle([&] {
    const size_t before = Display.BroughtForward().size();
    Display.Click(windowed->GetHandle(), 5, 5);
    Display.Click(panel->GetHandle(), 105, 15);  // the speed button, drawn on the panel
    Display.Click(main->GetHandle(), 150, 150);
    focusDuring = GetFocus();
    const auto& forward = Display.BroughtForward();
    broughtForward = std::count(forward.begin() + before, forward.end(), dlg->GetHandle());
    EXPECT_EQ(GetActiveWindow(), dlg->GetHandle());
    Display.Click(ok->GetHandle(), 5, 5);
  });
  EXPECT_EQ(dlg->ShowModal(), mrOk);
  EXPECT_EQ(windowedClicks, 0);
  EXPECT_EQ(speedClicks, 0);
  EXPECT_NE(focusDuring, windowed->GetHandle());
  // Each press there brought the modal form forward instead.
  EXPECT_EQ(broughtForward, 3);
  // Once it is closed the same clicks arrive.
  Display.Click(windowed->GetHandle(), 5, 5);
  Display.Click(panel->GetHandle(), 105, 15);
  EXPECT_EQ(windowedClicks, 1);
  EXPECT_EQ(speedClicks, 1);
}

TEST_F(Forms, EscapeFreeClosingGivesCancel) {
  TForm* dlg = NewDialog(u"Dialog");
  Display.WhenIdle([&] { dlg->Close(); });
  EXPECT_EQ(dlg->ShowModal(), mrCancel);
}

TEST_F(Forms, CloseQueryCanKeepAModalFormOpen) {
  TForm* dlg = NewDialog(u"Dialog");
  int asked = 0;
  dlg->OnCloseQuery = [&](TObject*, bool& can) { can = ++asked > 1; };
  Display.WhenIdle([&] { dlg->SetModalResult(mrOk); });
  Display.WhenIdle([&] {
    EXPECT_TRUE(dlg->GetVisible());  // refused the first time
    dlg->SetModalResult(mrYes);
  });
  EXPECT_EQ(dlg->ShowModal(), mrYes);
  EXPECT_EQ(asked, 2);
}

TEST_F(Forms, AModalLoopWithNothingLeftToDoStopsTheTestInsteadOfHanging) {
  TForm* dlg = NewDialog(u"Dialog");
  EXPECT_THROW(dlg->ShowModal(), EHeadlessStall);
  EXPECT_FALSE(dlg->GetVisible());
  EXPECT_FALSE(dlg->GetFormState().Contains(fsModal));
}

TEST_F(Forms, AModalLoopKeptBusyOnlyByATimerStillStopsTheTest) {
  TForm* dlg = NewDialog(u"Dialog");
  int ticks = 0;
  auto old = dlg->GetWindowProc();
  dlg->SetWindowProc([&, old](TMessage& m) {
    if (m.Msg == WM_TIMER) ++ticks;
    old(m);
  });
  SetTimer(dlg->GetHandle(), 1, 1000);
  EXPECT_THROW(dlg->ShowModal(), EHeadlessStall);
  EXPECT_GT(ticks, 100);
}

TEST_F(Forms, ShowingAVisibleFormModallyIsRefused) {
  TForm* f = NewDialog(u"Dialog");
  f->Show();
  EXPECT_THROW(f->ShowModal(), EInvalidOperation);
}

TEST_F(Forms, TimersKeepRunningInsideAModalLoop) {
  TForm* dlg = NewDialog(u"Dialog");
  int ticks = 0;
  HWND h = dlg->GetHandle();
  auto* closer = new TResultButton(dlg, mrOk);
  closer->SetParent(dlg);
  // The form's own timer closes it after three ticks.
  SetTimer(h, 5, 100);
  auto old = dlg->GetWindowProc();
  dlg->SetWindowProc([&, old](TMessage& m) {
    if (m.Msg == WM_TIMER && ++ticks == 3) dlg->SetModalResult(mrAbort);
    old(m);
  });
  DWORD start = GetTickCount();
  EXPECT_EQ(dlg->ShowModal(), mrAbort);
  EXPECT_EQ(ticks, 3);
  EXPECT_EQ(GetTickCount() - start, 300u);
}

// ---- Closing modeless forms -------------------------------------------------------------------

TEST_F(Forms, CloseHidesAndOnCloseMayFreeTheForm) {
  TForm* f = NewDialog(u"A");
  f->Show();
  TCloseAction chosen = caHide;
  f->OnClose = [&](TObject*, TCloseAction& a) { a = chosen; };
  f->Close();
  EXPECT_FALSE(f->GetVisible());
  f->Show();
  chosen = caFree;
  bool destroyed = false;
  f->OnDestroy = [&](TObject*) { destroyed = true; };
  f->Close();
  Display.ProcessMessages();
  EXPECT_TRUE(destroyed);
  EXPECT_EQ(Screen->GetFormCount(), 0);
}

TEST_F(Forms, ClosingTheMainFormEndsTheApplicationLoop) {
  TForm* main = nullptr;
  Application->CreateForm(main);
  EXPECT_EQ(Application->GetMainForm(), main);
  bool shown = false;
  main->OnShow = [&](TObject*) { shown = true; };
  Display.WhenIdle([&] { main->Close(); });
  Application->Run();
  EXPECT_TRUE(shown);
  EXPECT_TRUE(Application->GetTerminated());
}

// ---- Errors and message boxes -------------------------------------------------------------------

TEST_F(Forms, AnErrorInAHandlerShowsTheStandardErrorBox) {
  Application->SetTitle(u"Borrowline");
  TForm* f = NewDialog(u"A");
  auto* b = new TResultButton(f, mrNone);
  b->SetParent(f);
  b->OnClick = [](TObject*) { throw Exception(u"Ресурс не найден"); };
  f->Show();
  Display.Click(b->GetHandle(), 5, 5);
  ASSERT_EQ(Display.MessageBoxes().size(), 1u);
  EXPECT_EQ(Display.MessageBoxes()[0].Text, u"Ресурс не найден.");
  EXPECT_EQ(Display.MessageBoxes()[0].Caption, u"Borrowline");
  EXPECT_EQ(Display.MessageBoxes()[0].Flags, MB_OK | MB_ICONSTOP);
  // The silent exception is not reported.
  b->OnClick = [](TObject*) { throw EAbort(u""); };
  Display.Click(b->GetHandle(), 5, 5);
  EXPECT_EQ(Display.MessageBoxes().size(), 1u);
}

TEST_F(Forms, MessageBoxesAreAnsweredInOrderAndCancelTheMouseCapture) {
  TForm* f = NewDialog(u"A");
  f->Show();
  SetCapture(f->GetHandle());
  Display.AnswerMessageBoxes({IDNO});
  EXPECT_EQ(Application->MessageBox(u"Удалить запись?", u"Confirm", MB_YESNO), IDNO);
  EXPECT_EQ(GetCapture(), nullptr);
  // Unanswered: the default button, and the test can see it happened.
  EXPECT_EQ(Application->MessageBox(u"Q", u"C", MB_YESNOCANCEL | MB_DEFBUTTON2), IDNO);
  EXPECT_EQ(Display.UnansweredMessageBoxes(), 1);
  ASSERT_EQ(Display.MessageBoxes().size(), 2u);
  EXPECT_EQ(Display.MessageBoxes()[0].Text, u"Удалить запись?");
}

// ---- Placement, screen -------------------------------------------------------------------------

TEST_F(Forms, ScreenCentreAndStayOnTop) {
  TForm* f = NewDialog(u"A");
  f->SetPosition(poScreenCenter);
  f->SetFormStyle(fsStayOnTop);
  f->Show();
  EXPECT_EQ(f->GetLeft(), (Screen->GetWidth() - 200) / 2);
  EXPECT_EQ(f->GetTop(), (Screen->GetHeight() - 100) / 2);
  EXPECT_TRUE(GetWindowExStyle(f->GetHandle()) & WS_EX_TOPMOST);
  EXPECT_EQ(Screen->GetWorkAreaRect(), TRect(0, 0, 1280, 984));
  EXPECT_EQ(Screen->GetActiveForm(), f);
}

TEST_F(Forms, ScreenCursorOverridesControlsUntilReset) {
  TForm* f = NewDialog(u"A");
  f->SetCursor(crIBeam);
  f->Show();
  Display.MouseMove(f->GetHandle(), 5, 5);
  EXPECT_EQ(GetCursor(), IDC_IBEAM);
  Screen->SetCursor(crHourGlass);
  EXPECT_EQ(GetCursor(), IDC_WAIT);
  Display.MouseMove(f->GetHandle(), 6, 6);
  EXPECT_EQ(GetCursor(), IDC_WAIT);
  Screen->SetCursor(crDefault);
  EXPECT_EQ(GetCursor(), IDC_IBEAM);
}

// ---- Activation -----------------------------------------------------------------------------------

TEST_F(Forms, ActivationMovesBetweenFormsWithTheirEventsAndFocus) {
  TForm* a = NewDialog(u"A");
  TForm* b = NewDialog(u"B");
  b->SetLeft(300);
  auto* inA = new TResultButton(a, mrNone);
  inA->SetParent(a);
  std::vector<std::string> events;
  a->OnActivate = [&](TObject*) { events.push_back("A+"); };
  a->OnDeactivate = [&](TObject*) { events.push_back("A-"); };
  b->OnActivate = [&](TObject*) { events.push_back("B+"); };
  a->Show();
  EXPECT_TRUE(inA->Focused());
  b->Show();
  EXPECT_EQ(Screen->GetActiveForm(), b);
  // A click on the first form brings it back, with the focus where it was.
  Display.Click(a->GetHandle(), 150, 80);
  EXPECT_EQ(Screen->GetActiveForm(), a);
  EXPECT_TRUE(inA->Focused());
  EXPECT_EQ(events, (std::vector<std::string>{"A+", "A-", "B+", "A+"}));
}

TEST_F(Forms, AFormCanReleaseItselfFromItsOwnHandler) {
  TForm* f = NewDialog(u"A");
  auto* b = new TResultButton(f, mrNone);
  b->SetParent(f);
  bool destroyed = false;
  f->OnDestroy = [&](TObject*) { destroyed = true; };
  b->OnClick = [&](TObject*) { f->Release(); };
  f->Show();
  Display.Click(b->GetHandle(), 5, 5);
  EXPECT_TRUE(destroyed);
}

TEST_F(Forms, TabOrderRunsThroughNestedContainers) {
  TForm* f = NewDialog(u"A");
  auto* first = new TResultButton(f, mrNone);
  first->SetParent(f);
  auto* box = new TResultButton(f, mrNone);  // a container
  box->SetControlStyle(box->GetControlStyle() + csAcceptsControls);
  box->SetBounds(0, 40, 150, 50);
  box->SetTabStop(false);
  box->SetParent(f);
  auto* inner1 = new TResultButton(f, mrNone);
  inner1->SetParent(box);
  auto* inner2 = new TResultButton(f, mrNone);
  inner2->SetParent(box);
  inner2->SetLeft(80);
  f->Show();
  EXPECT_TRUE(first->Focused());
  Display.Key(VK_TAB);
  EXPECT_TRUE(inner1->Focused());
  Display.Key(VK_TAB);
  EXPECT_TRUE(inner2->Focused());
  Display.Key(VK_TAB);
  EXPECT_TRUE(first->Focused());
  // Arrows move within the group the focused control is in.
  inner1->SetFocus();
  Display.Key(VK_RIGHT);
  EXPECT_TRUE(inner2->Focused());
}

TEST_F(Forms, AGraphicControlKeepsTheMouseWhileItsButtonIsDown) {
  class TDraggable : public TGraphicControl {
  public:
    using TGraphicControl::TGraphicControl;
    std::vector<TPoint> Moves;
    void MouseMove(TShiftState, Integer X, Integer Y) override { Moves.push_back(TPoint(X, Y)); }
  };
  TForm* f = NewDialog(u"A");
  auto* g = new TDraggable(f);
  g->SetBounds(10, 10, 20, 20);
  g->SetParent(f);
  f->Show();
  Display.Drag(f->GetHandle(), TPoint(15, 15), TPoint(115, 65), 1);
  ASSERT_FALSE(g->Moves.empty());
  EXPECT_EQ(g->Moves.back(), TPoint(105, 55));
  EXPECT_EQ(GetCaptureControl(), nullptr);
}

TEST_F(Forms, AnErrorWhileShowingAnErrorIsNotReportedAgain) {
  int boxes = 0;
  Display.OnMessageBox([&](const TMessageBoxRequest&) {
    ++boxes;
    // The box itself fails: that must not start another box.
    try {
      throw Exception(u"inner");
    } catch (...) {
      Application->HandleException(nullptr);
    }
    return IDOK;
  });
  try {
    throw Exception(u"outer");
  } catch (...) {
    Application->HandleException(nullptr);
  }
  EXPECT_EQ(boxes, 1);
  // Called outside a handler there is nothing to report.
  Application->HandleException(nullptr);
  EXPECT_EQ(boxes, 1);
}

// ---- Snapshots ----------------------------------------------------------------------------------

TEST_F(Forms, AFormSnapshotIsAPngWithTheExpectedPixels) {
  TForm* f = NewDialog(u"Snapshot");
  f->SetBorderStyle(bsNone);
  f->SetColor(clWhite);
  auto* b = new TResultButton(f, mrOk);
  b->SetParent(f);
  b->SetBounds(20, 30, 40, 20);
  f->Show();
  std::string path = std::string(BORROW_BINARY_DIR) + "/test-artifacts/form-snapshot.png";
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::filesystem::remove(path);
  ASSERT_TRUE(Display.SnapshotPNG(f->GetHandle(), path));
  ASSERT_TRUE(std::filesystem::exists(path));
  cairo_surface_t* png = cairo_image_surface_create_from_png(path.c_str());
  ASSERT_EQ(cairo_surface_status(png), CAIRO_STATUS_SUCCESS);
  EXPECT_EQ(cairo_image_surface_get_width(png), 200);
  EXPECT_EQ(cairo_image_surface_get_height(png), 100);
  auto pixel = [&](int x, int y) {
    const unsigned char* d = cairo_image_surface_get_data(png);
    std::uint32_t v = *reinterpret_cast<const std::uint32_t*>(d + y * cairo_image_surface_get_stride(png) + x * 4);
    return v & 0xFFFFFF;
  };
  EXPECT_EQ(pixel(5, 5), 0xFFFFFFu);    // form background
  EXPECT_EQ(pixel(25, 35), 0x000080u);  // navy child (cairo's RGB order)
  EXPECT_EQ(pixel(59, 49), 0x000080u);  // its last pixel
  EXPECT_EQ(pixel(60, 50), 0xFFFFFFu);  // just outside
  cairo_surface_destroy(png);
  // A child alone.
  std::string childPath = std::string(BORROW_BINARY_DIR) + "/test-artifacts/child-snapshot.png";
  ASSERT_TRUE(Display.SnapshotPNG(b->GetHandle(), childPath));
  cairo_surface_t* cpng = cairo_image_surface_create_from_png(childPath.c_str());
  EXPECT_EQ(cairo_image_surface_get_width(cpng), 40);
  cairo_surface_destroy(cpng);
}

}  // namespace

TEST_F(Forms, AClientSizeSetBeforeTheWindowExistsIsTheClientSizeItGets) {
  for (TFormBorderStyle style : {bsDialog, bsSingle, bsSizeable, bsToolWindow, bsNone}) {
    auto* f = new TForm(Application);
    f->SetBorderStyle(style);
    f->SetClientWidth(249);
    f->SetClientHeight(76);
    EXPECT_EQ(f->GetClientWidth(), 249) << "before the window exists, style " << int(style);
    f->Show();
    Display.ProcessMessages();
    EXPECT_EQ(f->GetClientWidth(), 249) << "style " << int(style);
    EXPECT_EQ(f->GetClientHeight(), 76) << "style " << int(style);
    // Set again on the window itself, the same size comes out.
    f->SetClientWidth(300);
    EXPECT_EQ(f->GetClientWidth(), 300);
    delete f;
  }
}
