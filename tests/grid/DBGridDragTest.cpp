// The grid's selection dragged with the mouse in automatic drag mode onto a
// panel beside it: the panel hears of it with the grid as the source and takes
// it where it accepts, refuses it elsewhere, and Esc cancels; dragged as a dock
// drag the grid floats and says so.

#include <string>
#include <vector>

#include "platform/ui/DragDrop.h"
#include "platform/ui/ExtCtrls.h"
#include "tests/grid/GridInputTestSupport.h"

namespace {

class GridDrag : public GridInput {
protected:
  TPanel* Target = nullptr;
  std::vector<std::string> Log;

  static std::string At(const char* What, Integer X, Integer Y) {
    return std::string(What) + " " + std::to_string(X) + "," + std::to_string(Y);
  }

  // Ten records, rows 3 to 5 selected, and beside the grid a panel that accepts
  // the grid in its upper half.
  void SetUpDrag() {
    ShowRecords(10);
    Grid->SetOptions(Grid->GetOptions() + dgRowSelect + dgMultiSelect);
    ClickCell(1, 3);
    ClickCell(1, 4, THeadlessShift::Ctrl);
    ClickCell(1, 5, THeadlessShift::Ctrl);
    ASSERT_EQ(SelectedIds(), (std::vector<Integer>{3, 4, 5}));
    Form->SetBounds(10, 10, 600, Form->GetHeight());
    Target = new TPanel(Form);
    Target->SetParent(Form);
    Target->SetBounds(420, 10, 150, 200);
    Grid->SetDragMode(dmAutomatic);
    Grid->SetDragCursor(crMultiDrag);
    Grid->OnStartDrag = [this](TObject* Sender, TDragObject*&) {
      EXPECT_EQ(Sender, Grid);
      Log.push_back("start");
    };
    Grid->OnEndDrag = [this](TObject* Sender, TObject* To, Integer X, Integer Y) {
      EXPECT_EQ(Sender, Grid);
      Log.push_back(To == Target ? At("end panel", X, Y) : To ? "end elsewhere" : "end none");
    };
    Target->OnDragOver = [this](TObject*, TObject* Source, Integer, Integer Y, TDragState State, bool& Accept) {
      EXPECT_EQ(Source, Grid);
      Accept = Y < 100;
      Log.push_back(State == dsDragEnter ? "enter" : State == dsDragMove ? "move" : "leave");
    };
    Target->OnDragDrop = [this](TObject*, TObject* Source, Integer X, Integer Y) {
      EXPECT_EQ(Source, Grid);
      // What a drop handler reads: the rows dragged.
      EXPECT_EQ(SelectedIds(), (std::vector<Integer>{3, 4, 5}));
      Log.push_back(At("drop", X, Y));
    };
    Display.ProcessMessages();
  }
  HWND FormWnd() { return Form->GetHandle(); }
  // Presses on row Row inside the selection and moves a pixel, as a drag begins.
  void PressAndNudge(Integer Row) {
    Pause();
    Log.clear();
    const TPoint P = CellCenter(2, Row);
    Display.MouseDown(Grid->GetHandle(), P.X, P.Y);
    Display.MouseMove(Grid->GetHandle(), P.X + 1, P.Y);
  }
};

}  // namespace

TEST_F(GridDrag, TheSelectionDraggedOntoAPanelDropsWhereItAcceptsAndNowhereElse) {
  SetUpDrag();

  // Dropped in the accepting half: the panel takes it, the grid hears where.
  PressAndNudge(4);
  EXPECT_EQ(Grid->GetMouseTrackState(), gmtsNoneEh);
  Display.MouseMove(FormWnd(), 450, 40);
  EXPECT_TRUE(Grid->Dragging());
  EXPECT_EQ(GetCursor(), IDC_MULTIDRAG);
  Display.MouseMove(FormWnd(), 460, 50);
  Display.MouseUp(FormWnd(), 460, 50);
  EXPECT_EQ(Log, (std::vector<std::string>{"start", "enter", "move", "drop 40,40", "end panel 40,40"}));
  EXPECT_FALSE(Grid->Dragging());
  EXPECT_EQ(GetCapture(), nullptr);
  // The press inside the selection neither changed it nor started a selection of its own.
  EXPECT_EQ(SelectedIds(), (std::vector<Integer>{3, 4, 5}));
  EXPECT_EQ(CurrentId(), 4);
  EXPECT_EQ(Grid->GetMouseTrackState(), gmtsNoneEh);

  // Released in the refusing half: no drop, and no target for the grid.
  PressAndNudge(3);
  Display.MouseMove(FormWnd(), 450, 40);
  Display.MouseMove(FormWnd(), 450, 160);
  EXPECT_EQ(GetCursor(), IDC_NODROP);
  Display.MouseUp(FormWnd(), 450, 160);
  EXPECT_EQ(Log, (std::vector<std::string>{"start", "enter", "move", "leave", "end none"}));

  // Esc over the accepting half: nothing is dropped, the release goes nowhere.
  PressAndNudge(5);
  Display.MouseMove(FormWnd(), 450, 40);
  Key(VK_ESCAPE);
  EXPECT_FALSE(Grid->Dragging());
  Display.MouseUp(FormWnd(), 450, 40);
  EXPECT_EQ(Log, (std::vector<std::string>{"start", "enter", "leave", "end none"}));
  EXPECT_EQ(SelectedIds(), (std::vector<Integer>{3, 4, 5}));

  // A press and release inside the selection without moving stays a click.
  Log.clear();
  ClickCell(2, 4);
  EXPECT_EQ(Log, std::vector<std::string>{});
  EXPECT_FALSE(Grid->Dragging());
  EXPECT_EQ(GetCapture(), nullptr);

  // Outside the selection the mouse selects rows as ever: no drag begins.
  Pause();
  const TPoint From = CellCenter(2, 7), To = CellCenter(2, 9);
  Display.MouseDown(Grid->GetHandle(), From.X, From.Y);
  Display.MouseMove(Grid->GetHandle(), From.X, From.Y + 9);
  Display.MouseMove(Grid->GetHandle(), To.X, To.Y);
  EXPECT_FALSE(Grid->Dragging());
  Display.MouseUp(Grid->GetHandle(), To.X, To.Y);
  EXPECT_EQ(Log, std::vector<std::string>{});
  EXPECT_EQ(SelectedIds(), (std::vector<Integer>{7, 8, 9}));
}

TEST_F(GridDrag, ADockDragFloatsTheGrid) {
  SetUpDrag();
  TObject* Ended = Grid;
  Grid->SetDragKind(dkDock);
  Grid->OnStartDock = [this](TObject* Sender, TDragDockObject*& Object) {
    EXPECT_EQ(Sender, Grid);
    EXPECT_EQ(Object, nullptr);
    Log.push_back("start dock");
  };
  Grid->OnEndDock = [&](TObject*, TObject* To, Integer, Integer) {
    Ended = To;
    Log.push_back("end dock");
  };
  PressAndNudge(4);
  Display.MouseMove(FormWnd(), 460, 250);
  Display.MouseUp(FormWnd(), 460, 250);
  EXPECT_EQ(Log, (std::vector<std::string>{"start dock", "end dock"}));
  EXPECT_EQ(Ended, nullptr);
  EXPECT_TRUE(Grid->Floating());
  EXPECT_NE(Grid->GetParent(), Form);
  ASSERT_TRUE(Grid->ManualDock(Form));
  EXPECT_EQ(Grid->GetParent(), Form);
}
