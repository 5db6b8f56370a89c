// Records dragged by their indicator: the move line follows the mouse, the drop
// reorders an in-memory table, a read-only table takes no move, a handler of
// OnMoveRecords decides where a drop is allowed, and in a tree the mouse's
// distance from the first data column chooses the level the records take.

#include <algorithm>

#include "tests/grid/GridInputTestSupport.h"

namespace {

class IndicatorDrag : public GridInput {
protected:
  void ShowForMoving() {
    ShowResources();
    Grid->SetOptionsEh(Grid->GetOptionsEh() + dghRecordMoving);
    Table.First();
    Display.ProcessMessages();
  }
  TPoint IndicatorOf(Integer DataRow) {
    const TRect R = Grid->CellRect(0, DataRow + Grid->GetTitleRowCount());
    return TPoint((R.Left + R.Right) / 2, (R.Top + R.Bottom) / 2);
  }
  void Drag(Integer FromRow, Integer ToRow) {
    const HWND Wnd = Grid->GetHandle();
    const TPoint From = IndicatorOf(FromRow), To = IndicatorOf(ToRow);
    Display.MouseDown(Wnd, From.X, From.Y);
    Display.MouseMove(Wnd, To.X, (From.Y + To.Y) / 2);
    Display.MouseMove(Wnd, To.X, To.Y);
    Display.MouseUp(Wnd, To.X, To.Y);
    Display.ProcessMessages();
  }
};

}  // namespace

TEST_F(IndicatorDrag, ARecordDraggedByItsIndicatorLandsAtTheTargetRowAndStaysCurrent) {
  ShowForMoving();
  ASSERT_EQ(Ids(Table), (std::vector<Integer>{10, 11, 12, 20, 21, 22}));
  Drag(0, 3);
  EXPECT_EQ(Ids(Table), (std::vector<Integer>{11, 12, 20, 10, 21, 22}));
  Drag(4, 1);
  EXPECT_EQ(Ids(Table), (std::vector<Integer>{11, 21, 12, 20, 10, 22}));
}

TEST_F(IndicatorDrag, TheMoveLineShowsWhileDraggingAndGoesOnRelease) {
  ShowForMoving();
  const HWND Wnd = Grid->GetHandle();
  const TPoint From = IndicatorOf(1), To = IndicatorOf(4);
  Display.MouseDown(Wnd, From.X, From.Y);
  Display.MouseMove(Wnd, To.X, To.Y);
  EXPECT_TRUE(Grid->GetMoveLineShown());
  EXPECT_EQ(Grid->GetMoveToRow(), 4 + Grid->GetTitleRowCount());
  Display.MouseUp(Wnd, To.X, To.Y);
  EXPECT_FALSE(Grid->GetMoveLineShown());
}

TEST_F(IndicatorDrag, ADropOnTheRowItCameFromMovesNothingAndCallsNoHandler) {
  ShowForMoving();
  Integer Calls = 0;
  Grid->OnMoveRecords = [&](TObject*, TBMListEh*, Integer, Integer, bool CheckOnly) {
    if (!CheckOnly) ++Calls;
    return true;
  };
  Drag(2, 2);
  EXPECT_EQ(Calls, 0);
  EXPECT_EQ(Ids(Table), (std::vector<Integer>{10, 11, 12, 20, 21, 22}));
}

TEST_F(IndicatorDrag, AReadOnlyTableRefusesTheMove) {
  ShowForMoving();
  Table.SetReadOnly(true);
  Drag(0, 4);
  EXPECT_EQ(Ids(Table), (std::vector<Integer>{10, 11, 12, 20, 21, 22}));
  EXPECT_FALSE(Grid->GetMoveLineShown());
}

TEST_F(IndicatorDrag, AHandlerThatRefusesInCheckModeKeepsTheLineWhereItWas) {
  ShowForMoving();
  Grid->OnMoveRecords = [](TObject*, TBMListEh*, Integer ToIndex, Integer, bool CheckOnly) {
    return !CheckOnly || ToIndex != 3;
  };
  const HWND Wnd = Grid->GetHandle();
  const TPoint From = IndicatorOf(0);
  Display.MouseDown(Wnd, From.X, From.Y);
  Display.MouseMove(Wnd, From.X, IndicatorOf(2).Y);
  EXPECT_EQ(Grid->GetMoveToRow(), 2 + Grid->GetTitleRowCount());
  Display.MouseMove(Wnd, From.X, IndicatorOf(3).Y);
  EXPECT_EQ(Grid->GetMoveToRow(), 2 + Grid->GetTitleRowCount());
  Display.Key(VK_ESCAPE);
  EXPECT_FALSE(Grid->GetMoveLineShown());
  EXPECT_EQ(Ids(Table), (std::vector<Integer>{10, 11, 12, 20, 21, 22}));
}

TEST_F(IndicatorDrag, WithRowsSelectedAllSelectedRowsMoveTogether) {
  ShowForMoving();
  Grid->SetOptions(Grid->GetOptions() + dgMultiSelect);
  Table.First();
  Grid->GetSelectedRows()->SetCurrentRowSelected(true);
  Table.Next();
  Grid->GetSelectedRows()->SetCurrentRowSelected(true);
  Display.ProcessMessages();
  Drag(1, 4);
  EXPECT_EQ(Ids(Table), (std::vector<Integer>{12, 20, 21, 10, 11, 22}));
}

TEST_F(IndicatorDrag, HeldBelowTheDataTheTimerGoesOnScrollingARowATickAndTheDropLandsThere) {
  ShowRecords(60, true, 400, 18 + 10 * 18);
  Grid->SetOptionsEh(Grid->GetOptionsEh() + dghRecordMoving);
  Table.First();
  Display.ProcessMessages();
  const HWND Wnd = Grid->GetHandle();
  const TPoint From = IndicatorOf(0);
  const Integer Below = Grid->GetGridHeight() + 5;
  Display.MouseDown(Wnd, From.X, From.Y);
  EXPECT_TRUE(Grid->GetTimerActive());
  // One move out of the data scrolls one row; the held mouse scrolls on with the clock.
  Display.MouseMove(Wnd, From.X, Below);
  const Integer TopAfterMove = Grid->GetTopRow();
  EXPECT_EQ(TopAfterMove, Grid->GetTitleRowCount() + 1);
  Display.AdvanceClock(10 * 60);
  EXPECT_GE(Grid->GetTopRow(), TopAfterMove + 8);
  EXPECT_LE(Grid->GetTopRow(), TopAfterMove + 10);
  // The target is always the last row in view.
  TGridDrawInfoEh DrawInfo;
  Grid->CalcDrawInfo(DrawInfo);
  EXPECT_EQ(Grid->GetMoveToRow(), DrawInfo.Vert.LastFullVisibleCell);
  const Integer Target = Grid->GetMoveToRow() - Grid->GetTitleRowCount();
  Display.MouseUp(Wnd, From.X, Below);
  Display.ProcessMessages();
  EXPECT_FALSE(Grid->GetTimerActive());
  EXPECT_EQ(Ids(Table).at(size_t(Target)), 1);
  // Nothing scrolls once the drag is over.
  const Integer Top = Grid->GetTopRow();
  Display.AdvanceClock(10 * 60);
  EXPECT_EQ(Grid->GetTopRow(), Top);
}

TEST_F(IndicatorDrag, EscEndsTheDragAndItsTimer) {
  ShowRecords(60, true, 400, 18 + 10 * 18);
  Grid->SetOptionsEh(Grid->GetOptionsEh() + dghRecordMoving);
  Table.First();
  Display.ProcessMessages();
  const HWND Wnd = Grid->GetHandle();
  const TPoint From = IndicatorOf(0);
  Display.MouseDown(Wnd, From.X, From.Y);
  Display.MouseMove(Wnd, From.X, Grid->GetGridHeight() + 5);
  Display.Key(VK_ESCAPE);
  EXPECT_FALSE(Grid->GetTimerActive());
  const Integer Top = Grid->GetTopRow();
  Display.AdvanceClock(10 * 60);
  EXPECT_EQ(Grid->GetTopRow(), Top);
  EXPECT_EQ(Ids(Table).front(), 1);
}

namespace {

// The tree Библиотеки 1, Первая 2, Вторая 2, Архивы 1, Архив 2, Фонд 3, all
// expanded, in a grid whose first data column shows the tree.
class TreeRecordDrag : public GridInput {
protected:
  void SetUp() override {
    GridInput::SetUp();
    AddResourceTree(Table);
    ShowAsExpandedTree(Table);
    Table.Open();
    MakeGrid(400, 300);
    Grid->SetBorderStyle(bsNone);
    for (const char16_t* Name : {u"NAME_THIS", u"ID_THIS"}) Grid->GetColumns()->Add()->SetFieldName(Name);
    Grid->GetColumns()->Items(0)->SetWidth(200);
    Grid->SetOptionsEh(Grid->GetOptionsEh() + dghRecordMoving);
    Grid->SetDataSource(&Source);
    Display.ProcessMessages();
    Levels = LevelsNow();
    ASSERT_EQ(Levels, (std::vector<Integer>{1, 2, 2, 1, 2, 3}));
  }
  std::vector<Integer> LevelsNow() {
    std::vector<Integer> Out;
    for (Table.First(); !Table.Eof(); Table.Next()) Out.push_back(Table.GetTreeNodeLevel());
    return Out;
  }
  TRect RowRect(Integer DataRow) {
    return Grid->CellRect(Grid->GetIndicatorOffset(), DataRow + Grid->GetTitleRowCount());
  }
  void Press(Integer DataRow) {
    Pause();
    const TRect R = Grid->CellRect(0, DataRow + Grid->GetTitleRowCount());
    Display.MouseDown(Grid->GetHandle(), (R.Left + R.Right) / 2, R.Top + 8);
  }
  // The level a drop between two rows may take: from the level of the row
  // below the line (or, moving down, of the row after the target) to one
  // deeper than the row above the line; the mouse picks one per 18 pixels.
  Integer ModelLevel(Integer From, Integer Target, Integer Offset) const {
    const auto LevelAt = [&](Integer Row) {
      return Row >= 0 && Row < Integer(Levels.size()) ? Levels[size_t(Row)] : 0;
    };
    const bool Down = Target > From;
    const Integer Above = Down ? LevelAt(Target) : LevelAt(Target - 1);
    const Integer Deepest = Above + 1;
    const Integer Below = Down ? std::max(1, LevelAt(Target + 1)) : LevelAt(Target);
    const Integer Least = std::max(1, std::min(Below, Deepest));
    return std::clamp(Offset / 18, Least, Deepest);
  }
  // The move line's start in client coordinates: its window reaches 3 pixels before it.
  TPoint LineStart() {
    const TRect Line = GridMoveLineEh()->GetBoundsRect();
    return Grid->ScreenToClient(TPoint(Line.Left + 3, Line.Top + 4));
  }
  void SweepFrom(Integer From, const std::vector<Integer>& Targets) {
    Press(From);
    for (Integer Target : Targets)
      for (Integer Offset = 0; Offset <= 110; Offset += 5) {
        SCOPED_TRACE(testing::Message() << "from " << From << " to " << Target << " at " << Offset);
        const TRect Row = RowRect(Target);
        Display.MouseMove(Grid->GetHandle(), Row.Left + Offset, Row.Top + 8);
        const Integer Level = ModelLevel(From, Target, Offset);
        ASSERT_TRUE(Grid->GetMoveLineShown());
        EXPECT_EQ(Grid->GetMoveToRow(), Target + Grid->GetTitleRowCount());
        EXPECT_EQ(Grid->GetMoveToLevel(), Level);
        EXPECT_EQ(LineStart(), TPoint(Row.Left + 18 * Level, Target > From ? Row.Bottom : Row.Top));
      }
    Display.Key(VK_ESCAPE);
    ASSERT_EQ(LevelsNow(), Levels) << "Esc moves nothing";
  }
  std::vector<Integer> Levels;
};

}  // namespace

TEST_F(TreeRecordDrag, TheLevelOfferedFollowsTheMouseBetweenTheRowsAroundTheLineAndTheLineStartsAtIt) {
  SweepFrom(5, {4, 3, 2, 1, 0});
  SweepFrom(1, {2, 3, 4, 5});
  SweepFrom(2, {1, 0});
}

TEST_F(TreeRecordDrag, TheLastRowDraggedUpOverAGroupGoesUnderTheLastRowAboveIt) {
  const TRect Target = RowRect(3);
  Press(5);
  Display.MouseMove(Grid->GetHandle(), Target.Left + 10, Target.Top + 8);
  Display.MouseMove(Grid->GetHandle(), Target.Left + 3 * 18 + 4, Target.Top + 8);
  EXPECT_EQ(Grid->GetMoveToLevel(), 3);
  Display.MouseUp(Grid->GetHandle(), Target.Left + 3 * 18 + 4, Target.Top + 8);
  Display.ProcessMessages();
  EXPECT_EQ(Ids(Table), (std::vector<Integer>{10, 11, 12, 22, 20, 21}));
  EXPECT_EQ(LevelsNow(), (std::vector<Integer>{1, 2, 2, 3, 1, 2}));
  ASSERT_TRUE(Table.Locate(u"ID_THIS", Variant(Integer(22)), {}));
  EXPECT_EQ(Table.FieldByName(u"ID_PARENT")->GetAsInteger(), 12);
}
