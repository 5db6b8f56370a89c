// Drag and drop and docking through real mouse and key input on the headless
// display: random drags between panels compared with a plain model of what the
// target and the source must hear, the drag's ends by cancel mode and by the
// source going away, and a panel docked into a dock site, floated out, refused,
// cancelled and docked back.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "platform/backend/Headless.h"
#include "platform/ui/DragDrop.h"
#include "platform/ui/ExtCtrls.h"
#include "tests/platform/ui/FormTestSupport.h"

namespace {

std::string At(const char* What, Integer X, Integer Y) {
  return std::string(What) + " " + std::to_string(X) + "," + std::to_string(Y);
}

const char* StateName(TDragState State) {
  return State == dsDragEnter ? "enter" : State == dsDragMove ? "move" : "leave";
}

class DragDrop : public FormFixture {
protected:
  std::vector<std::string> Log;
  TPanel* Src = nullptr;
  TPanel* Target = nullptr;
  TPanel* Refuser = nullptr;

  // The target accepts the left half of itself; the refuser has no handlers.
  void MakePanels() {
    MakeForm(420, 320);
    Src = Make<TPanel>(10, 10, 80, 60);
    Target = Make<TPanel>(150, 10, 120, 100);
    Refuser = Make<TPanel>(150, 150, 120, 80);
    Src->SetDragMode(dmAutomatic);
    Src->SetDragCursor(crHandPoint);
    Src->OnStartDrag = [this](TObject* Sender, TDragObject*& Object) {
      EXPECT_EQ(Sender, Src);
      EXPECT_EQ(Object, nullptr);
      Log.push_back("start");
    };
    Src->OnEndDrag = [this](TObject* Sender, TObject* To, Integer X, Integer Y) {
      EXPECT_EQ(Sender, Src);
      if (To) {
        EXPECT_EQ(To, Target);
      }
      Log.push_back(To ? At("end target", X, Y) : "end none");
    };
    Src->OnMouseUp = [this](TObject*, TMouseButton, TShiftState, Integer, Integer) { Log.push_back("up"); };
    Target->OnDragOver = [this](TObject* Sender, TObject* Source, Integer X, Integer Y, TDragState State,
                                bool& Accept) {
      EXPECT_EQ(Sender, Target);
      EXPECT_EQ(Source, Src);
      EXPECT_TRUE(Accept);
      Accept = X < 60;
      Log.push_back(At(StateName(State), X, Y));
    };
    Target->OnDragDrop = [this](TObject* Sender, TObject* Source, Integer X, Integer Y) {
      EXPECT_EQ(Sender, Target);
      EXPECT_EQ(Source, Src);
      Log.push_back(At("drop", X, Y));
    };
    Form->Show();
    Display.ProcessMessages();
  }
  HWND FormWnd() { return Form->GetHandle(); }
  void Pause() { Display.AdvanceClock(GetDoubleClickTime() + 1); }
  // A second form, beside the test's one, for modal loops.
  TForm* MakeDialog() {
    auto* Dialog = new TForm(Application);
    Dialog->SetBounds(600, 100, 200, 150);
    return Dialog;
  }

  // A dialog in which From drags onto To, each logging its end and drop; the
  // drop's other work is Dropped.
  struct TInnerDrag {
    TForm* Dialog;
    TPanel* From;
    TPanel* To;
  };
  TInnerDrag MakeInnerDrag(std::function<void()> Dropped = nullptr) {
    TForm* Dialog = MakeDialog();
    auto* From = new TPanel(Dialog);
    From->SetParent(Dialog);
    From->SetBounds(10, 10, 60, 40);
    From->SetDragMode(dmAutomatic);
    auto* To = new TPanel(Dialog);
    To->SetParent(Dialog);
    To->SetBounds(100, 10, 80, 80);
    From->OnEndDrag = [this, To](TObject*, TObject* Where, Integer, Integer) {
      Log.push_back(Where == To ? "inner end target" : "inner end none");
    };
    To->OnDragOver = [From](TObject*, TObject* Source, Integer, Integer, TDragState, bool& Accept) {
      Accept = Source == From;
    };
    To->OnDragDrop = [this, Dropped](TObject*, TObject*, Integer, Integer) {
      Log.push_back("inner drop");
      if (Dropped) Dropped();
    };
    return {Dialog, From, To};
  }
  // Shows the dialog modal; once it waits, the user drags From onto To and the
  // dialog closes.
  void RunInnerDrag(const TInnerDrag& Inner) {
    Display.WhenIdle([this, Inner] {
      Pause();
      Display.MouseDown(Inner.From->GetHandle(), 20, 20);
      Display.MouseMove(Inner.Dialog->GetHandle(), 50, 30);
      Display.MouseMove(Inner.Dialog->GetHandle(), 130, 40);
      Display.MouseUp(Inner.Dialog->GetHandle(), 130, 40);
      Inner.Dialog->SetModalResult(mrOk);
    });
    Inner.Dialog->ShowModal();
  }
  // Whether the drag let the mouse go and nothing drags any more.
  void ExpectNoDrag(const TControl* Source) {
    EXPECT_FALSE(Source->Dragging());
    EXPECT_EQ(GetCapture(), nullptr);
  }
};

}  // namespace

// A plain model: the drag begins once the mouse is 4 pixels (the system's drag
// distance) from the press; the target hears entering, moving and leaving with
// points in its client area; the cursor is the source's drag cursor where the
// target accepts, the no-drop cursor elsewhere; a release drops on an accepting
// target, anything else (a refusing place, Esc) ends with no target; a release
// before the drag began is the source's own.
TEST_F(DragDrop, RandomDragsBetweenPanelsFollowAPlainModel) {
  MakePanels();
  const TRect T = Target->GetBoundsRect();
  std::mt19937 Random(53);
  auto Pick = [&](Integer Lo, Integer Hi) { return std::uniform_int_distribution<Integer>(Lo, Hi)(Random); };
  auto Point = [&](const TRect& R) { return TPoint(Pick(R.Left, R.Right - 1), Pick(R.Top, R.Bottom - 1)); };
  Integer Dropped = 0, Refused = 0, Escaped = 0, Clicks = 0;
  for (Integer Round = 0; Round < 60; ++Round) {
    SCOPED_TRACE(Round);
    Log.clear();
    std::vector<std::string> Expected;
    Pause();
    const TPoint Start = Point(TRect(12, 12, 88, 68));
    Display.MouseDown(FormWnd(), Start.X, Start.Y);
    bool Started = false, Inside = false, Accepting = false;
    TPoint P = Start;
    const Integer Moves = Pick(0, 8);
    for (Integer M = 0; M < Moves; ++M) {
      if (M < 2) P = Start + TPoint(Pick(-3, 3), Pick(-3, 3));  // within the drag distance
      else P = Pick(0, 3) == 0 ? Point(TRect(0, 0, 400, 280)) : Point(Pick(0, 2) ? T : Refuser->GetBoundsRect());
      Display.MouseMove(FormWnd(), P.X, P.Y);
      if (!Started && std::abs(P.X - Start.X) < 4 && std::abs(P.Y - Start.Y) < 4) continue;
      if (!Started) Expected.push_back("start");
      Started = true;
      const bool Now = T.Contains(P);
      const TPoint Local = P - T.TopLeft();
      if (Now || Inside) Expected.push_back(At(!Inside ? "enter" : Now ? "move" : "leave", Local.X, Local.Y));
      Inside = Now;
      Accepting = Now && Local.X < 60;
      EXPECT_EQ(GetCursor(), Accepting ? IDC_HAND : IDC_NODROP);
      EXPECT_TRUE(Src->Dragging());
    }
    EXPECT_EQ(GetCapture() != nullptr, true);
    const TPoint Local = P - T.TopLeft();
    if (Pick(0, 3) == 0) {
      Display.Key(VK_ESCAPE);
      if (Started && Inside) Expected.push_back(At("leave", Local.X, Local.Y));
      if (Started) Expected.push_back("end none"), ++Escaped;
    } else {
      Display.MouseUp(FormWnd(), P.X, P.Y);
      if (!Started) {
        Expected.push_back("up");
        ++Clicks;
      } else if (Accepting) {
        Expected.push_back(At("drop", Local.X, Local.Y));
        Expected.push_back(At("end target", Local.X, Local.Y));
        ++Dropped;
      } else {
        if (Inside) Expected.push_back(At("leave", Local.X, Local.Y));
        Expected.push_back("end none");
        ++Refused;
      }
    }
    EXPECT_EQ(Log, Expected);
    EXPECT_FALSE(Src->Dragging());
    EXPECT_EQ(GetCapture(), nullptr);
    // Nothing is listening any more.
    Log.clear();
    Display.MouseMove(FormWnd(), T.Left + 5, T.Top + 5);
    Display.MouseUp(FormWnd(), T.Left + 5, T.Top + 5);
    EXPECT_EQ(Log, std::vector<std::string>{});
  }
  // Every ending came up.
  EXPECT_GT(Dropped, 3);
  EXPECT_GT(Refused, 3);
  EXPECT_GT(Escaped, 3);
  EXPECT_GT(Clicks, 3);
}

TEST_F(DragDrop, CancelModeAndTheSourceGoingAwayEndTheDrag) {
  MakePanels();
  // A message box takes the mouse from the drag: the drag is cancelled.
  Display.MouseDown(FormWnd(), 20, 20);
  Display.MouseMove(FormWnd(), 160, 20);
  ASSERT_TRUE(Src->Dragging());
  MessageBox(FormWnd(), u"Сообщение", u"Заголовок", MB_OK);
  EXPECT_EQ(Log, (std::vector<std::string>{"start", "enter 10,10", "leave 10,10", "end none"}));
  EXPECT_FALSE(Src->Dragging());
  EXPECT_EQ(GetCapture(), nullptr);
  Display.MouseUp(FormWnd(), 160, 20);

  // The source destroyed in the middle of its drag hears of the end first.
  Log.clear();
  Pause();
  TObject* Ended = nullptr;
  Src->OnEndDrag = [&](TObject* Sender, TObject* To, Integer, Integer) {
    Ended = Sender;
    Log.push_back(To ? "end target" : "end none");
  };
  Display.MouseDown(FormWnd(), 20, 20);
  Display.MouseMove(FormWnd(), 170, 30);
  TPanel* Gone = Src;
  delete Src;
  Src = nullptr;
  EXPECT_EQ(Ended, Gone);
  EXPECT_EQ(GetCapture(), nullptr);
  Display.MouseMove(FormWnd(), 175, 35);
  Display.MouseUp(FormWnd(), 175, 35);
  EXPECT_EQ(Log, (std::vector<std::string>{"start", "enter 20,20", "leave 20,20", "end none"}));
}

// The old target's leave handler frees the control the mouse has just moved
// onto (an overlay it showed on entering): what is under the mouse now is asked.
TEST_F(DragDrop, AControlFreedByTheOldTargetsLeaveIsNeverAsked) {
  MakePanels();
  TPanel* Overlay = nullptr;
  Target->OnDragOver = [&](TObject*, TObject*, Integer X, Integer Y, TDragState State, bool&) {
    Log.push_back(At(StateName(State), X, Y));
    if (State == dsDragEnter) {
      Overlay = Make<TPanel>(150, 110, 120, 30);  // just below the target
      Overlay->OnDragOver = [&](TObject*, TObject*, Integer, Integer, TDragState, bool&) { Log.push_back("overlay"); };
    } else if (State == dsDragLeave) {
      delete std::exchange(Overlay, nullptr);
    }
  };
  Display.MouseDown(FormWnd(), 20, 20);
  Display.MouseMove(FormWnd(), 160, 20);
  Display.MouseMove(FormWnd(), 160, 120);
  Display.MouseMove(FormWnd(), 160, 125);
  Display.MouseUp(FormWnd(), 160, 125);
  EXPECT_EQ(Log, (std::vector<std::string>{"start", "enter 10,10", "leave 10,110", "end none"}));
  ExpectNoDrag(Src);
}

// A window that takes no mouse input takes no drop and is never asked: a disabled
// control, a control in a disabled parent, the main form (and a graphic control on
// it) while a modal dialog runs, a disabled dock site.
TEST_F(DragDrop, WindowsThatTakeNoMouseInputTakeNoDrop) {
  MakePanels();
  auto* Holder = Make<TPanel>(300, 150, 100, 100);
  auto* Inner = Make<TPanel>(10, 10, 60, 60, Holder);
  auto* Shape = Make<TBevel>(300, 10, 60, 60);
  auto* Site = Make<TPanel>(10, 150, 100, 100);
  Site->SetDockSite(true);
  auto Asked = [&](const char* Name) {
    return [this, Name](TObject*, TObject*, Integer, Integer, TDragState, bool&) { Log.push_back(Name); };
  };
  Inner->OnDragOver = Asked("inner");
  Shape->OnDragOver = Asked("shape");
  Site->OnDockOver = [&](TObject*, TDragDockObject*, Integer, Integer, TDragState, bool&) { Log.push_back("site"); };
  Target->OnDragDrop = Inner->OnDragDrop =
      Shape->OnDragDrop = [&](TObject*, TObject*, Integer, Integer) { Log.push_back("drop"); };
  Target->SetEnabled(false);
  Holder->SetEnabled(false);
  Display.ProcessMessages();
  auto DragOver = [&](HWND From, std::vector<TPoint> Path) {
    Pause();
    Display.MouseDown(From, 20, 20);
    for (TPoint P : Path) Display.MouseMove(FormWnd(), P.X, P.Y);
    Display.MouseUp(FormWnd(), Path.back().X, Path.back().Y);
  };
  DragOver(Src->GetHandle(), {{30, 30}, {160, 20}, {315, 165}, {320, 170}});
  EXPECT_EQ(Log, (std::vector<std::string>{"start", "end none"}));

  // Disabled while the mouse is over it, having taken the drop: the release
  // there drops nothing.
  Target->SetEnabled(true);
  Log.clear();
  Pause();
  Display.MouseDown(Src->GetHandle(), 20, 20);
  Display.MouseMove(FormWnd(), 30, 30);
  Display.MouseMove(FormWnd(), 160, 20);
  Target->SetEnabled(false);
  Display.MouseUp(FormWnd(), 160, 20);
  ASSERT_GE(Log.size(), 2u);
  EXPECT_EQ(Log.back(), "end none");
  EXPECT_EQ(std::count(Log.begin(), Log.end(), "drop"), 0);

  // From a modal dialog over the main form it disables.
  Target->SetEnabled(true);
  Log.clear();
  TForm* Dialog = MakeDialog();
  auto* From = new TPanel(Dialog);
  From->SetParent(Dialog);
  From->SetBounds(10, 10, 80, 60);
  From->SetDragMode(dmAutomatic);
  From->OnEndDrag = [&](TObject*, TObject* To, Integer, Integer) { Log.push_back(To ? "end target" : "end none"); };
  Display.WhenIdle([&] {
    DragOver(From->GetHandle(), {{40, 40}, {160, 20}, {310, 20}});
    DragOver(From->GetHandle(), {{40, 40}, {310, 20}, {160, 20}});
    Dialog->SetModalResult(mrOk);
  });
  Dialog->ShowModal();
  EXPECT_EQ(Log, (std::vector<std::string>{"end none", "end none"}));
  ExpectNoDrag(From);

  // A disabled dock site takes no dock: the control floats instead.
  Log.clear();
  Site->SetEnabled(false);
  Src->SetDragKind(dkDock);
  Src->OnEndDock = Src->OnEndDrag;
  DragOver(Src->GetHandle(), {{30, 30}, {40, 180}, {50, 190}});
  EXPECT_EQ(Log, (std::vector<std::string>{"end none"}));
  EXPECT_TRUE(Src->Floating());
}

// A press whose OnMouseDown runs a modal window: released there, or held while
// the window was closed, it begins no drag; a pending drag begun without the
// button held never starts either.
TEST_F(DragDrop, NoDragWithoutTheButtonHeldFromItsPress) {
  MakePanels();
  TForm* Dialog = MakeDialog();
  Src->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, Integer, Integer) {
    Log.push_back("down");
    Dialog->ShowModal();
  };
  // Released in the dialog, then the dialog closed: moves and a click later drop
  // nothing, also from a control that does not hold the mouse on its press (as a
  // check box), which hears of no cancel mode.
  Src->SetControlStyle(Src->GetControlStyle() - TControlStyle{csCaptureMouse});
  Display.WhenIdle([&] {
    Display.MouseUp(Dialog->GetHandle(), 5, 5);
    Dialog->SetModalResult(mrOk);
  });
  Display.MouseDown(FormWnd(), 20, 20);
  ExpectNoDrag(Src);
  Display.MouseMove(FormWnd(), 160, 20);
  Display.Click(FormWnd(), 165, 25);
  EXPECT_EQ(Log, std::vector<std::string>{"down"});
  ExpectNoDrag(Src);
  Src->SetControlStyle(Src->GetControlStyle() + TControlStyle{csCaptureMouse});

  // Held while the dialog ran and closed: the press was interrupted.
  Log.clear();
  Pause();
  Display.WhenIdle([&] { Dialog->SetModalResult(mrOk); });
  Display.MouseDown(FormWnd(), 20, 20);
  Display.MouseMove(FormWnd(), 160, 20);
  Display.MouseUp(FormWnd(), 160, 20);
  EXPECT_EQ(Log, std::vector<std::string>{"down"});
  ExpectNoDrag(Src);

  // A threshold drag begun by code with no button held.
  Log.clear();
  Src->BeginDrag(false);
  Display.MouseMove(FormWnd(), 300, 250);
  Display.MouseMove(FormWnd(), 160, 20);
  EXPECT_EQ(Log, std::vector<std::string>{});
  ExpectNoDrag(Src);
}

// A source freed in its own handler, or a message box opened there that takes the
// mouse: the drag it started still ends exactly once, nothing of it is touched
// afterwards, and the mouse is free for the next click.
TEST_F(DragDrop, ASourceFreedOrInterruptedInItsHandlersEndsItsDragOnceAndLetsGo) {
  MakePanels();
  Integer Clicks = 0;
  Refuser->OnClick = [&](TObject*) { ++Clicks; };
  struct TCase {
    TDragKind Kind;
    std::string Handler;
  };
  for (const TCase& Case :
       std::vector<TCase>{{dkDrag, "start"}, {dkDrag, "over"}, {dkDrag, "end"}, {dkDock, "start"}, {dkDock, "end"}})
    for (const bool Free : {true, false}) {
      SCOPED_TRACE(Case.Handler + (Case.Kind == dkDock ? " dock" : " drag") + (Free ? " freed" : " box"));
      Log.clear();
      Pause();
      auto* S = Make<TPanel>(10, 240, 80, 60);
      S->SetDragMode(dmAutomatic);
      S->SetDragKind(Case.Kind);
      // Each handler logs; the chosen one frees the source or opens a box. The
      // handlers hold Act by reference: their own copies go with the source.
      bool Freed = false;
      auto Act = [&, S](const std::string& Name) {
        Log.push_back(Name);
        if (Name != Case.Handler) return;
        if (!Free) {
          MessageBox(FormWnd(), u"Сообщение", u"Заголовок", MB_OK);
          return;
        }
        delete S;
        Freed = true;
        Log.push_back("freed");
      };
      S->OnStartDrag = [&Act](TObject*, TDragObject*&) { Act("start"); };
      S->OnStartDock = [&Act](TObject*, TDragDockObject*&) { Act("start"); };
      S->OnDragOver = [&Act](TObject*, TObject*, Integer, Integer, TDragState, bool&) { Act("over"); };
      S->OnEndDrag = S->OnEndDock = [&Act](TObject*, TObject*, Integer, Integer) { Act("end"); };
      Display.MouseDown(S->GetHandle(), 20, 20);
      Display.MouseMove(FormWnd(), 40, 270);
      Display.MouseMove(FormWnd(), 50, 280);
      Display.MouseUp(FormWnd(), 50, 280);
      // One start first, one end, and after the end nothing but the source's freeing.
      ASSERT_FALSE(Log.empty());
      EXPECT_EQ(Log.front(), "start");
      EXPECT_EQ(std::count(Log.begin(), Log.end(), "start"), 1);
      EXPECT_EQ(std::count(Log.begin(), Log.end(), "end"), 1);
      const auto End = std::find(Log.begin(), Log.end(), "end");
      EXPECT_TRUE(std::all_of(End + 1, Log.end(), [](const std::string& L) { return L == "freed"; }));
      EXPECT_EQ(GetCapture(), nullptr);
      const Integer Before = Clicks;
      Display.Click(FormWnd(), 200, 200);
      EXPECT_EQ(Clicks, Before + 1);
      if (!Freed) delete S;
    }
}

// A modal window opened by the drop or by the end of a drag runs a drag of its
// own with the mouse and drops there; each drag ends once, and afterwards the
// mouse is free and the next drag drops as usual.
TEST_F(DragDrop, AModalWindowOpenedByADropOrAnEndHostsADragOfItsOwn) {
  MakePanels();
  const TInnerDrag Inner = MakeInnerDrag();
  // The chosen handler opens the dialog, in which the user drags From onto To.
  std::string OpensDialog;
  auto Open = [&](const std::string& Handler) {
    if (Handler == OpensDialog) RunInnerDrag(Inner);
  };
  const auto Dropped = Target->OnDragDrop;
  Target->OnDragDrop = [&, Dropped](TObject* Sender, TObject* Source, Integer X, Integer Y) {
    Dropped(Sender, Source, X, Y);
    Open("drop");
  };
  const auto Ended = Src->OnEndDrag;
  Src->OnEndDrag = [&, Ended](TObject* Sender, TObject* Where, Integer X, Integer Y) {
    Ended(Sender, Where, X, Y);
    Open("end");
  };
  auto DragToTarget = [&] {
    Pause();
    Display.MouseDown(Src->GetHandle(), 20, 20);
    Display.MouseMove(FormWnd(), 30, 30);
    Display.MouseMove(FormWnd(), 160, 20);
    Display.MouseUp(FormWnd(), 160, 20);
  };
  // What the drags said, without the outer target's enter and move lines.
  auto Said = [&] {
    std::vector<std::string> Lines;
    for (const std::string& L : Log)
      if (L.rfind("enter", 0) != 0 && L.rfind("move", 0) != 0) Lines.push_back(L);
    return Lines;
  };
  using TLines = std::vector<std::string>;
  OpensDialog = "drop";
  DragToTarget();
  EXPECT_EQ(Said(), (TLines{"start", "drop 10,10", "inner drop", "inner end target", "end target 10,10"}));
  ExpectNoDrag(Src);
  ExpectNoDrag(Inner.From);

  Log.clear();
  OpensDialog = "end";
  DragToTarget();
  EXPECT_EQ(Said(), (TLines{"start", "drop 10,10", "end target 10,10", "inner drop", "inner end target"}));
  ExpectNoDrag(Src);
  ExpectNoDrag(Inner.From);

  Log.clear();
  OpensDialog.clear();
  DragToTarget();
  EXPECT_EQ(Said(), (TLines{"start", "drop 10,10", "end target 10,10"}));
  ExpectNoDrag(Src);
}

// The drop of a drag in a modal window that the outer drag's drop opened frees
// the outer drag's source: the outer drag finishes its end without touching it,
// as with any source freed while its drop is told, and lets the mouse go.
TEST_F(DragDrop, ADropInAModalWindowOpenedByADropMayFreeTheOuterDragsSource) {
  MakePanels();
  Integer Clicks = 0;
  Refuser->OnClick = [&](TObject*) { ++Clicks; };
  const TInnerDrag Inner = MakeInnerDrag([&] {
    delete std::exchange(Src, nullptr);
    Log.push_back("freed");
  });
  // The outer drop opens the dialog, in which the user drags From onto To.
  const auto Dropped = Target->OnDragDrop;
  Target->OnDragDrop = [&, Dropped](TObject* Sender, TObject* Source, Integer X, Integer Y) {
    Dropped(Sender, Source, X, Y);
    RunInnerDrag(Inner);
  };
  Pause();
  Display.MouseDown(Src->GetHandle(), 20, 20);
  Display.MouseMove(FormWnd(), 30, 30);
  Display.MouseMove(FormWnd(), 160, 20);
  Display.MouseUp(FormWnd(), 160, 20);
  EXPECT_EQ(Src, nullptr);
  EXPECT_EQ(
      Log, (std::vector<std::string>{"start", "enter 10,10", "drop 10,10", "inner drop", "freed", "inner end target"}));
  ExpectNoDrag(Inner.From);
  // Nothing is listening any more, and the next click is the clicked control's.
  Log.clear();
  Display.MouseMove(FormWnd(), 170, 30);
  Display.MouseUp(FormWnd(), 170, 30);
  Pause();
  Display.Click(FormWnd(), 200, 200);
  EXPECT_EQ(Log, std::vector<std::string>{});
  EXPECT_EQ(Clicks, 1);
}

// ---- Docking ----------------------------------------------------------------------------------------------

TEST_F(DragDrop, APanelDocksIntoASiteFloatsOutAndDocksBack) {
  MakeForm(420, 320);
  auto* Site = Make<TPanel>(200, 20, 150, 150);
  auto* Tool = Make<TPanel>(10, 10, 60, 40);
  Site->SetDockSite(true);
  Site->SetBevelOuter(bvNone);  // its client area is all of it
  Tool->SetDragKind(dkDock);
  Tool->SetDragMode(dmAutomatic);
  Site->OnDockOver = [&](TObject* Sender, TDragDockObject* Source, Integer X, Integer Y, TDragState State,
                         bool& Accept) {
    EXPECT_EQ(Sender, Site);
    EXPECT_EQ(Source->GetControl(), Tool);
    EXPECT_TRUE(Accept);
    Accept = X < 120;  // the right edge of the site takes nothing
    Log.push_back(At(StateName(State), X, Y));
  };
  Site->OnDockDrop = [&](TObject*, TDragDockObject* Source, Integer X, Integer Y) {
    EXPECT_EQ(Source->GetControl(), Tool);
    Log.push_back(At("dock", X, Y));
  };
  Tool->OnStartDock = [&](TObject* Sender, TDragDockObject*& Object) {
    EXPECT_EQ(Sender, Tool);
    EXPECT_EQ(Object, nullptr);
    Log.push_back("start");
  };
  Tool->OnEndDock = [&](TObject*, TObject* To, Integer X, Integer Y) {
    Log.push_back(To ? At("end site", X, Y) : "end none");
  };
  Form->Show();
  Display.ProcessMessages();
  const TPoint Origin = Form->ClientToScreen(TPoint(0, 0));
  auto Drag = [&](TControl* From, TPoint Grab, std::vector<TPoint> Path, bool Release = true) {
    Display.AdvanceClock(GetDoubleClickTime() + 1);
    Log.clear();
    HWND Wnd = static_cast<TWinControl*>(From)->GetHandle();
    Display.MouseDown(Wnd, Grab.X, Grab.Y);
    for (TPoint P : Path) Display.MouseMove(FormWnd(), P.X, P.Y);
    if (Release) Display.MouseUp(FormWnd(), Path.back().X, Path.back().Y);
  };

  // Onto the site: the tool keeps its grip on the mouse, 10,10 from its corner.
  Drag(Tool, {10, 10}, {{25, 25}, {230, 50}, {240, 60}});
  EXPECT_EQ(Log, (std::vector<std::string>{"start", "enter 30,30", "move 40,40", "dock 40,40", "end site 40,40"}));
  EXPECT_EQ(Tool->GetParent(), Site);
  EXPECT_EQ(Tool->GetHostDockSite(), Site);
  EXPECT_FALSE(Tool->Floating());
  EXPECT_EQ(Tool->GetBoundsRect(), Bounds(30, 30, 60, 40));
  ASSERT_EQ(Site->GetDockClientCount(), 1);
  EXPECT_EQ(Site->GetDockClients(0), Tool);

  // Off the site onto the bare form: the tool floats in a window of its own there.
  Drag(Tool, {5, 5}, {{240, 60}, {40, 200}});
  EXPECT_EQ(Log, (std::vector<std::string>{"start", "enter 40,40", "leave -160,180", "end none"}));
  ASSERT_TRUE(Tool->Floating());
  auto* Host = dynamic_cast<TCustomDockForm*>(Tool->GetParent());
  ASSERT_NE(Host, nullptr);
  EXPECT_EQ(Tool->GetHostDockSite(), Host);
  EXPECT_TRUE(Host->GetVisible());
  EXPECT_EQ(Host->ClientToScreen(TPoint(0, 0)), Origin + TPoint(35, 195));
  EXPECT_EQ(Tool->GetBoundsRect(), Bounds(0, 0, 60, 40));
  EXPECT_EQ(Site->GetDockClientCount(), 0);

  // The right edge of the site refuses it: dropped there, it floats on, moved.
  Drag(Tool, {5, 5}, {{50, 210}, {340, 100}});
  EXPECT_EQ(Log, (std::vector<std::string>{"start", "enter 140,80", "leave 140,80", "end none"}));
  EXPECT_EQ(Tool->GetParent(), Host);
  EXPECT_EQ(Host->ClientToScreen(TPoint(0, 0)), Origin + TPoint(335, 95));

  // Esc leaves everything where it was.
  Drag(Tool, {5, 5}, {{345, 110}, {260, 100}}, false);
  Display.Key(VK_ESCAPE);
  EXPECT_EQ(Log, (std::vector<std::string>{"start", "enter 60,80", "leave 60,80", "end none"}));
  EXPECT_EQ(Host->ClientToScreen(TPoint(0, 0)), Origin + TPoint(335, 95));
  Display.MouseUp(FormWnd(), 260, 100);
  EXPECT_TRUE(Tool->Floating());

  // Back into the site: the floating window goes away with its last client.
  Drag(Tool, {5, 5}, {{345, 110}, {250, 40}});
  EXPECT_EQ(Log, (std::vector<std::string>{"start", "enter 50,20", "dock 50,20", "end site 50,20"}));
  EXPECT_EQ(Tool->GetParent(), Site);
  EXPECT_EQ(Tool->GetBoundsRect(), Bounds(45, 15, 60, 40));
  Display.ProcessMessages();
  EXPECT_EQ(Tool->GetComponentCount(), 0);

  // The same through code: floated at a screen rectangle, docked at the top.
  ASSERT_TRUE(Tool->ManualFloat(Bounds(600, 500, 60, 40)));
  ASSERT_TRUE(Tool->Floating());
  EXPECT_EQ(Tool->GetParent()->ClientToScreen(TPoint(0, 0)), TPoint(600, 500));
  ASSERT_TRUE(Tool->ManualDock(Site, nullptr, alTop));
  EXPECT_EQ(Tool->GetParent(), Site);
  EXPECT_EQ(Tool->GetAlign(), alTop);
  EXPECT_EQ(Tool->GetWidth(), Site->GetClientWidth());
  Display.ProcessMessages();
  EXPECT_EQ(Tool->GetComponentCount(), 0);
  // Put elsewhere by hand, it is docked there no more.
  Tool->SetParent(Form);
  EXPECT_EQ(Tool->GetHostDockSite(), nullptr);
  EXPECT_EQ(Site->GetDockClientCount(), 0);
}
