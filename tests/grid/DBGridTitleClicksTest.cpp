// Title clicks through real mouse messages: a pressed title steps its sort
// marker on release (down, up, down), Ctrl-clicks collect several markers and
// sort once when Ctrl is released, a title dragged a few pixels moves its column
// instead, and a double click on a title's edge fits the column to its content.

#include "tests/grid/GridInputTestSupport.h"

namespace {

class TitleClicks : public GridInput {
protected:
  Integer Sorts = 0;
  std::vector<std::vector<String>> SortedBy;  // the marked fields at each sort

  void SetUp() override {
    GridInput::SetUp();
    ShowRecords(6);
    Grid->SetOptionsEh(Grid->GetOptionsEh() + dghAutoSortMarking);
    for (Integer I = 0; I < 3; ++I) Column(I)->GetTitle()->SetTitleButton(true);
    Grid->GetCenter()->OnApplySorting = [this](TDBGridEhCenter* Center, TCustomDBGridEh* G, bool IsReopen) {
      ++Sorts;
      std::vector<String> Fields;
      for (Integer I = 0; I < G->GetSortMarkedColumns()->Count(); ++I)
        Fields.push_back(G->GetSortMarkedColumns()->Items(I)->GetFieldName());
      SortedBy.push_back(Fields);
      Center->ApplySorting(G, IsReopen);
    };
  }
  void TearDown() override {
    Grid->GetCenter()->OnApplySorting = nullptr;
    GridInput::TearDown();
  }
  void ClickTitle(Integer Col, THeadlessShift Shift = THeadlessShift::None) { ClickCell(Col, 0, Shift); }
  TSortMarkerEh Marker(Integer Index) { return Column(Index)->GetTitle()->GetSortMarker(); }
};

}  // namespace

TEST_F(TitleClicks, ThreeClicksOnATitleGiveDownUpDownAndSortEachTime) {
  ClickTitle(2);  // NPP counts down as ID_THIS counts up
  EXPECT_EQ(Marker(1), smDownEh);
  EXPECT_EQ(Ids(Table), (std::vector<Integer>{6, 5, 4, 3, 2, 1}));
  ClickTitle(2);
  EXPECT_EQ(Marker(1), smUpEh);
  EXPECT_EQ(Ids(Table), (std::vector<Integer>{1, 2, 3, 4, 5, 6}));
  ClickTitle(2);
  EXPECT_EQ(Marker(1), smDownEh);
  EXPECT_EQ(Sorts, 3);
  EXPECT_EQ(SortedBy.back(), (std::vector<String>{u"NPP"}));
}

TEST_F(TitleClicks, APlainClickClearsTheOtherMarkers) {
  ClickTitle(1);
  ClickTitle(3);
  EXPECT_EQ(Marker(0), smNoneEh);
  EXPECT_EQ(Marker(2), smDownEh);
  EXPECT_EQ(SortedBy.back(), (std::vector<String>{u"NAME_THIS"}));
}

TEST_F(TitleClicks, CtrlClicksOnThreeTitlesSortOnceByThreeFieldsWhenCtrlIsReleased) {
  Grid->SetOptionsEh(Grid->GetOptionsEh() + dghMultiSortMarking);
  Display.KeyDown(VK_CONTROL, THeadlessShift::Ctrl);
  ClickTitle(3, THeadlessShift::Ctrl);
  ClickTitle(1, THeadlessShift::Ctrl);
  ClickTitle(2, THeadlessShift::Ctrl);
  EXPECT_EQ(Sorts, 0);
  EXPECT_TRUE(Grid->GetSortMarkingPending());
  EXPECT_EQ(Marker(0), smDownEh);
  EXPECT_EQ(Marker(1), smDownEh);
  EXPECT_EQ(Marker(2), smDownEh);
  Display.KeyUp(VK_CONTROL, THeadlessShift::Ctrl);
  EXPECT_EQ(Sorts, 1);
  EXPECT_FALSE(Grid->GetSortMarkingPending());
  EXPECT_EQ(SortedBy.back(), (std::vector<String>{u"NAME_THIS", u"ID_THIS", u"NPP"}));
  // Releasing Ctrl again sorts nothing more.
  Display.Key(VK_CONTROL);
  EXPECT_EQ(Sorts, 1);
}

TEST_F(TitleClicks, WithCtrlTheThirdClickTakesTheMarkerAway) {
  Grid->SetOptionsEh(Grid->GetOptionsEh() + dghMultiSortMarking);
  Display.KeyDown(VK_CONTROL, THeadlessShift::Ctrl);
  for (Integer I = 0; I < 3; ++I) ClickTitle(2, THeadlessShift::Ctrl);
  EXPECT_EQ(Marker(1), smNoneEh);
  Display.KeyUp(VK_CONTROL, THeadlessShift::Ctrl);
  EXPECT_EQ(Sorts, 1);
}

TEST_F(TitleClicks, ATitleClickRaisesTheTitleButtonAndTitleClickEventsWithTheColumn) {
  std::vector<Integer> Buttons;
  std::vector<TColumnEh*> Titles;
  Grid->OnTitleBtnClick = [&](TObject*, Integer ACol, TColumnEh*) { Buttons.push_back(ACol); };
  Grid->OnTitleClick = [&](TObject*, TColumnEh* C) { Titles.push_back(C); };
  ClickTitle(3);
  EXPECT_EQ(Buttons, (std::vector<Integer>{2}));
  EXPECT_EQ(Titles, (std::vector<TColumnEh*>{Column(2)}));
}

TEST_F(TitleClicks, ATitleLooksPressedOnlyWhileTheMouseIsOverIt) {
  const TPoint P = CellCenter(2, 0);
  Pause();
  Display.MouseDown(Grid->GetHandle(), P.X, P.Y);
  EXPECT_EQ(Grid->GetPressedTitleColumn(), 2);
  EXPECT_TRUE(Grid->GetPressedTitleInside());
  // Downwards into the data: the press stays, without the pressed look.
  Grid->SetOptionsEh(Grid->GetOptionsEh() - dghColumnMove);
  Display.MouseMove(Grid->GetHandle(), P.X, P.Y + 40);
  EXPECT_EQ(Grid->GetPressedTitleColumn(), 2);
  EXPECT_FALSE(Grid->GetPressedTitleInside());
  // Released away from the title: no click, no marker.
  Display.MouseUp(Grid->GetHandle(), P.X, P.Y + 40);
  EXPECT_EQ(Grid->GetPressedTitleColumn(), -1);
  EXPECT_EQ(Marker(1), smNoneEh);
  EXPECT_EQ(Sorts, 0);
}

TEST_F(TitleClicks, ATitleMovedThreePixelsStaysAClick) {
  const TPoint P = CellCenter(2, 0);
  Pause();
  Display.Drag(Grid->GetHandle(), P, TPoint(P.X + 3, P.Y), 3);
  EXPECT_EQ(Marker(1), smDownEh);
  EXPECT_EQ(Sorts, 1);
  EXPECT_EQ(FieldNamesOf(Grid), (std::vector<String>{u"ID_THIS", u"NPP", u"NAME_THIS"}));
}

TEST_F(TitleClicks, ATitleDraggedFourPixelsFurtherMovesItsColumnAndDoesNotSort) {
  const TPoint From = CellCenter(1, 0);
  const TPoint Beyond = CellCenter(3, 0);
  std::vector<std::pair<Integer, Integer>> Moves;
  Grid->OnColumnMoved = [&](TObject*, Integer FromIndex, Integer ToIndex) { Moves.emplace_back(FromIndex, ToIndex); };
  Pause();
  Display.MouseDown(Grid->GetHandle(), From.X, From.Y);
  Display.MouseMove(Grid->GetHandle(), From.X + 4, From.Y);
  EXPECT_EQ(Grid->GetPressedTitleColumn(), -1);
  EXPECT_EQ(Grid->GetGridState(), gsColMoving);
  Display.MouseMove(Grid->GetHandle(), Beyond.X + 20, Beyond.Y);
  Display.MouseUp(Grid->GetHandle(), Beyond.X + 20, Beyond.Y);
  EXPECT_EQ(Grid->GetGridState(), gsNormal);
  EXPECT_EQ(FieldNamesOf(Grid), (std::vector<String>{u"NPP", u"NAME_THIS", u"ID_THIS"}));
  EXPECT_EQ(Moves, (std::vector<std::pair<Integer, Integer>>{{0, 2}}));
  EXPECT_EQ(Marker(0), smNoneEh);
  EXPECT_EQ(Sorts, 0);
}

TEST_F(TitleClicks, ATitleWithoutItsButtonDoesNotSort) {
  Column(1)->GetTitle()->SetTitleButton(false);
  ClickTitle(2);
  EXPECT_EQ(Marker(1), smNoneEh);
  EXPECT_EQ(Sorts, 0);
}

TEST_F(TitleClicks, WithoutAutomaticSortMarkingAClickOnlyRaisesTheEvents) {
  Grid->SetOptionsEh(Grid->GetOptionsEh() - dghAutoSortMarking);
  Integer Clicks = 0;
  Grid->OnTitleBtnClick = [&](TObject*, Integer, TColumnEh*) { ++Clicks; };
  ClickTitle(2);
  EXPECT_EQ(Clicks, 1);
  EXPECT_EQ(Marker(1), smNoneEh);
  EXPECT_EQ(Sorts, 0);
}

TEST_F(TitleClicks, ADoubleClickOnATitleEdgeFitsTheColumnToItsWidestText) {
  Grid->SetOptionsEh(Grid->GetOptionsEh() + dghDblClickOptimizeColWidth);
  Integer DoubleClicks = 0;
  Grid->OnDblClick = [&](TObject*) { ++DoubleClicks; };
  // The widest NAME_THIS text is "Запись 6": 8 characters of 7 pixels, plus the margin of 4;
  // the caption is narrower.
  Column(2)->GetTitle()->SetCaption(u"Имя");
  const TRect Title = Grid->CellRect(3, 0);
  Pause();
  Display.DoubleClick(Grid->GetHandle(), Title.Right, Title.Top + 5);
  EXPECT_EQ(Column(2)->GetWidth(), 8 * 7 + 4);
  EXPECT_EQ(CurrentId(), 1);  // the current record is back where it was
  EXPECT_EQ(DoubleClicks, 0);
  EXPECT_EQ(Sorts, 0);
  // Anywhere else a double click is one.
  const TPoint P = CellCenter(1, 3);
  Pause();
  Display.DoubleClick(Grid->GetHandle(), P.X, P.Y);
  EXPECT_EQ(DoubleClicks, 1);
  // A caption wider than every value decides the width.
  Column(2)->GetTitle()->SetCaption(u"Наименование записи");
  Pause();
  Display.DoubleClick(Grid->GetHandle(), Grid->CellRect(3, 0).Right, Title.Top + 5);
  EXPECT_EQ(Column(2)->GetWidth(), 19 * 7 + 4);
}
