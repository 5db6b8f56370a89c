// Scroll bars and scroll requests in the grid's two modes: the window of
// buffered records over a dataset (the bar shows the record number, or three
// states without record numbers) and the rows of an in-memory table (the bar
// shows the top row); external bars; resizing; the timer.

#include "platform/ui/ScrollBars.h"
#include "tests/grid/DBGridTestSupport.h"
#include "tests/grid/GridMetricsTestSupport.h"

namespace {

// A table that gives no record numbers: the grid cannot say where in the data it is.
class TNoRecNoTable : public TMemTableEh {
public:
  using TMemTableEh::TMemTableEh;
  bool IsSequenced() const override { return false; }
};

// Rows are 17 high (13 + 3 + the line) and 18 apart with the line drawn under
// each; the title row too: a client 378 high shows the title and 20 data rows.
constexpr Integer kRowStep = 18;
constexpr Integer kTwentyRows = 18 + 20 * kRowStep;

class GridScroll : public GridFixture {
protected:
  ScopedGridTextEngine Metrics;

  void AddRecords(TCustomMemTableEh& T, Integer Count) {
    for (Integer I = 1; I <= Count; ++I) AddResource(T, I, 0, 0, I, u"Запись " + IntToStr(I));
  }
  // A borderless grid with two narrow columns, so no horizontal bar takes room.
  TDBGridEh* MakeScrollGrid(bool RowMode, TDataSource& From, Integer Height = kTwentyRows) {
    MakeGrid(400, Height);
    Grid->SetBorderStyle(bsNone);
    Grid->SetBounds(0, 0, 400, Height);
    for (const char16_t* Name : {u"ID_THIS", u"NAME_THIS"}) {
      TColumnEh* Column = Grid->GetColumns()->Add();
      Column->SetFieldName(Name);
      Column->SetWidth(100);
    }
    Grid->SetMemTableSupportIntf(RowMode);
    Grid->SetDataSource(&From);
    Display.ProcessMessages();
    return Grid;
  }
  TScrollInfo WindowBar() {
    TScrollInfo Info;
    Info.fMask = SIF_ALL;
    GetScrollInfo(Grid->GetHandle(), SB_VERT, Info);
    return Info;
  }
  void VScroll(Integer Code) { SendMessage(Grid->GetHandle(), WM_VSCROLL, MakeWParam(Code, 0), 0); }
  Integer RecNo() { return Table.GetRecNo(); }
};

using Params = TGridScrollBarParamsEh;

}  // namespace

// ---- Ordinary mode -------------------------------------------------------------------------------------

TEST_F(GridScroll, ASequencedDatasetShowsTheRecordNumberBesideTheRecordCountAndAPage) {
  AddRecords(Table, 100);
  Table.Open();
  MakeScrollGrid(false, Source);
  ASSERT_FALSE(Grid->RowScrollMode());
  EXPECT_EQ(Grid->GetDataLink()->GetBufferCount(), 20);
  EXPECT_EQ(Grid->GetRowCount(), 21);
  EXPECT_EQ(Grid->GetVertScrollBarParams(), (Params{1, 119, 20, 1}));
  Table.MoveBy(50);
  const TScrollInfo Info = WindowBar();
  EXPECT_EQ(Info.nMin, 1);
  EXPECT_EQ(Info.nMax, 119);
  EXPECT_EQ(Info.nPage, 20u);
  EXPECT_EQ(Info.nPos, 51);
  EXPECT_TRUE(IsScrollBarVisible(Grid->GetHandle(), SB_VERT));
}

TEST_F(GridScroll, ADatasetWithoutRecordNumbersShowsThreeStates) {
  TNoRecNoTable Plain(nullptr);
  BuildResourceColumns(Plain.GetMemTableData());
  AddRecords(Plain, 100);
  Plain.Open();
  TDataSource From(nullptr);
  From.SetDataSet(&Plain);
  MakeScrollGrid(false, From);
  EXPECT_EQ(Grid->GetVertScrollBarParams(), (Params{0, 4, 0, 0}));
  Plain.MoveBy(30);
  EXPECT_EQ(WindowBar().nPos, 2);
  Plain.Last();
  EXPECT_EQ(WindowBar().nPos, 4);
  EXPECT_EQ(WindowBar().nMax, 4);
  EXPECT_EQ(WindowBar().nPage, 0u);
  // The thumb's coarse places move the record: the first place is the first record.
  SetScrollPos(Grid->GetHandle(), SB_VERT, 0, false);
  VScroll(SB_THUMBPOSITION);
  EXPECT_TRUE(Plain.GetBof());
  SetScrollPos(Grid->GetHandle(), SB_VERT, 3, false);
  VScroll(SB_THUMBPOSITION);
  EXPECT_EQ(IdOf(Plain), 21);  // a page further
}

TEST_F(GridScroll, AnAlwaysShownBarStaysVisibleAndDisabledWhenThereIsNothingToScroll) {
  AddRecords(Table, 1);
  Table.Open();
  MakeScrollGrid(false, Source);
  EXPECT_FALSE(IsScrollBarVisible(Grid->GetHandle(), SB_VERT));
  Grid->GetVertScrollBar()->SetVisibleMode(sbAlwaysShowEh);
  EXPECT_TRUE(IsScrollBarVisible(Grid->GetHandle(), SB_VERT));
  EXPECT_EQ(GetScrollBarArrows(Grid->GetHandle(), SB_VERT), ESB_DISABLE_BOTH);
  EXPECT_TRUE(Grid->GetVertScrollBar()->ScrollBarShowing());
  EXPECT_TRUE(Grid->GetVertScrollBar()->ScrollBarNeeded());
  Grid->GetVertScrollBar()->SetVisibleMode(sbAutoShowEh);
  EXPECT_FALSE(IsScrollBarVisible(Grid->GetHandle(), SB_VERT));
  EXPECT_FALSE(Grid->GetVertScrollBar()->ScrollBarNeeded());
}

TEST_F(GridScroll, AHiddenVerticalBarShowsNothingWhateverTheData) {
  AddRecords(Table, 100);
  Table.Open();
  MakeScrollGrid(false, Source);
  Grid->GetVertScrollBar()->SetVisible(false);
  EXPECT_EQ(Grid->GetVertScrollBar()->GetVisibleMode(), sbNeverShowEh);
  EXPECT_FALSE(IsScrollBarVisible(Grid->GetHandle(), SB_VERT));
  EXPECT_FALSE(Grid->GetVertScrollBar()->ScrollBarShowing());
}

TEST_F(GridScroll, BarRequestsMoveTheRecordThroughTheBufferedWindow) {
  AddRecords(Table, 100);
  Table.Open();
  MakeScrollGrid(false, Source);
  VScroll(SB_LINEDOWN);  // to the record just below the window
  EXPECT_EQ(RecNo(), 21);
  EXPECT_EQ(Grid->GetRow(), 20);
  VScroll(SB_LINEUP);  // to the record just above it
  EXPECT_EQ(RecNo(), 1);
  VScroll(SB_PAGEDOWN);
  EXPECT_EQ(RecNo(), 21);
  VScroll(SB_BOTTOM);
  EXPECT_EQ(RecNo(), 100);
  EXPECT_EQ(Grid->GetRow(), 20);
  VScroll(SB_TOP);
  EXPECT_EQ(RecNo(), 1);
  SetScrollPos(Grid->GetHandle(), SB_VERT, 40, false);
  VScroll(SB_THUMBPOSITION);
  EXPECT_EQ(RecNo(), 40);
  EXPECT_EQ(WindowBar().nPos, 40);
}

TEST_F(GridScroll, ScrollingByMoreRowsThanShowRepaintsTheWholeGridInsteadOfMovingIt) {
  AddRecords(Table, 100);
  Table.Open();
  MakeScrollGrid(false, Source);
  Grid->BeginUpdate();  // keeps the grid from painting at once
  Table.MoveBy(50);     // the window of records moves by 31 rows, more than show
  TRect Dirty;
  GetUpdateRect(Grid->GetHandle(), &Dirty, false);
  EXPECT_EQ(Dirty, Grid->GetClientRect());
  ValidateRect(Grid->GetHandle(), nullptr);
  Table.Next();  // from the last row of the window: the records move up by one
  GetUpdateRect(Grid->GetHandle(), &Dirty, false);
  EXPECT_GT(Dirty.Top, kTwentyRows / 2);
  Grid->EndUpdate();
}

TEST_F(GridScroll, TimedScrollingMovesPastTheEdgesOfTheWindow) {
  AddRecords(Table, 100);
  Table.Open();
  MakeScrollGrid(false, Source);
  Grid->TimedScroll(sdDown);
  EXPECT_EQ(RecNo(), 21);
  Grid->TimedScroll(sdUp);
  EXPECT_EQ(RecNo(), 1);
}

TEST_F(GridScroll, AGridMadeTallerBuffersMoreRecords) {
  AddRecords(Table, 100);
  Table.Open();
  MakeScrollGrid(false, Source);
  Grid->SetBounds(0, 0, 400, kTwentyRows + 5 * kRowStep);
  Display.ProcessMessages();
  EXPECT_EQ(Grid->GetDataLink()->GetBufferCount(), 25);
  EXPECT_EQ(Grid->GetRowCount(), 26);
  EXPECT_EQ(WindowBar().nPage, 25u);
}

// ---- Row mode ---------------------------------------------------------------------------------------------

TEST_F(GridScroll, ATablesRowsGiveTheBarTheTopRowAmongAllRows) {
  AddRecords(Table, 50);
  Table.Open();
  MakeScrollGrid(true, Source);
  ASSERT_TRUE(Grid->RowScrollMode());
  EXPECT_EQ(Grid->GetRowCount(), 51);
  EXPECT_EQ(Grid->GetVertScrollBarParams(), (Params{1, 50, 20, 1}));
  EXPECT_EQ(Grid->LastTopRow(), 31);
  Table.Last();
  EXPECT_EQ(Grid->GetRow(), 50);
  EXPECT_EQ(Grid->GetTopRow(), 31);
  EXPECT_EQ(WindowBar().nPos, 31);
}

TEST_F(GridScroll, BarRequestsMoveTheWindowOverTheRowsAndLeaveTheCurrentRecord) {
  AddRecords(Table, 50);
  Table.Open();
  MakeScrollGrid(true, Source);
  VScroll(SB_PAGEDOWN);
  EXPECT_EQ(Grid->GetTopRow(), 21);
  EXPECT_EQ(WindowBar().nPos, 21);
  EXPECT_EQ(RecNo(), 1);
  EXPECT_EQ(Grid->GetRow(), 1);
  VScroll(SB_BOTTOM);
  EXPECT_EQ(Grid->GetTopRow(), 31);
  VScroll(SB_LINEDOWN);
  EXPECT_EQ(Grid->GetTopRow(), 31);  // no further than the last full window
  VScroll(SB_LINEUP);
  EXPECT_EQ(Grid->GetTopRow(), 30);
  SetScrollPos(Grid->GetHandle(), SB_VERT, 11, false);
  VScroll(SB_THUMBPOSITION);
  EXPECT_EQ(Grid->GetTopRow(), 11);
  VScroll(SB_TOP);
  EXPECT_EQ(Grid->GetTopRow(), 1);
  EXPECT_EQ(RecNo(), 1);
}

TEST_F(GridScroll, RowsFittedToTheirRecordsGiveTheBarTopRowsWithoutAPage) {
  AddRecords(Table, 50);
  Table.Open();
  MakeScrollGrid(true, Source);
  Grid->SetOptionsEh(Grid->GetOptionsEh() + dghAutoFitRowHeight);
  EXPECT_EQ(Grid->GetVertScrollBarParams(), (Params{1, Grid->LastTopRow(), 0, 1}));
}

TEST_F(GridScroll, SmoothStepHandsTheVerticalBarToPixelScrolling) {
  AddRecords(Table, 50);
  Table.Open();
  MakeScrollGrid(true, Source);
  Grid->GetVertScrollBar()->SetSmoothStep(true);
  EXPECT_TRUE(Grid->SmoothRowScrollMode());
  EXPECT_EQ(Grid->GetScrollBars(), ssBoth);
  VScroll(SB_BOTTOM);
  EXPECT_EQ(Grid->GetVertPixelPos(), Grid->GetVertPixelExtent() - Grid->GetVertPixelPage());
  EXPECT_EQ(Grid->GetTopRow(), 31);
  VScroll(SB_TOP);
  EXPECT_EQ(Grid->GetVertPixelPos(), 0);
  EXPECT_EQ(Grid->GetTopRow(), 1);
}

namespace {

// A grid whose vertical settings scroll by pixels from the start.
class TSmoothVertScrollBar : public TVertDBGridEhScrollBar {
public:
  explicit TSmoothVertScrollBar(TCustomDBGridEh* Grid) : TVertDBGridEhScrollBar(Grid) { FSmoothStep = true; }
};

class TSmoothGrid : public TDBGridEh {
public:
  explicit TSmoothGrid(TComponent* AOwner) : TDBGridEh(AOwner) { RecreateScrollBarObjects(); }

protected:
  std::unique_ptr<TDBGridEhScrollBar> CreateScrollBar(TScrollBarKind Kind) override {
    if (Kind == sbVertical) return std::make_unique<TSmoothVertScrollBar>(this);
    return TDBGridEh::CreateScrollBar(Kind);
  }
};

}  // namespace

TEST_F(GridScroll, ADescendantsScrollBarSettingsComeFromItsOwnFactory) {
  AddRecords(Table, 50);
  Table.Open();
  MakeScrollGrid(true, Source);
  // The grid's own: one settings class per direction.
  EXPECT_NE(dynamic_cast<TVertDBGridEhScrollBar*>(Grid->GetVertScrollBar()), nullptr);
  EXPECT_NE(dynamic_cast<THorzDBGridEhScrollBar*>(Grid->GetHorzScrollBar()), nullptr);
  EXPECT_FALSE(Grid->SmoothRowScrollMode());
  auto* Smooth = new TSmoothGrid(Form);
  Smooth->SetParent(Form);
  Smooth->SetBorderStyle(bsNone);
  Smooth->SetBounds(0, 0, 400, kTwentyRows);
  Smooth->SetMemTableSupportIntf(true);
  Smooth->SetDataSource(&Source);
  Grid->SetVisible(false);
  Display.ProcessMessages();
  ASSERT_NE(dynamic_cast<TSmoothVertScrollBar*>(Smooth->GetVertScrollBar()), nullptr);
  EXPECT_NE(dynamic_cast<THorzDBGridEhScrollBar*>(Smooth->GetHorzScrollBar()), nullptr);
  EXPECT_TRUE(Smooth->SmoothRowScrollMode());
  SendMessage(Smooth->GetHandle(), WM_VSCROLL, MakeWParam(SB_BOTTOM, 0), 0);
  EXPECT_EQ(Smooth->GetVertPixelPos(), Smooth->GetVertPixelExtent() - Smooth->GetVertPixelPage());
  EXPECT_GT(Smooth->GetVertPixelPos(), 0);
}

// ---- External bars -----------------------------------------------------------------------------------------

TEST_F(GridScroll, AnExternalBarShowsWhatTheWindowsBarWouldAndScrollsTheGrid) {
  AddRecords(Table, 50);
  Table.Open();
  MakeScrollGrid(true, Source);
  auto* Bar = new TScrollBar(Form);
  Bar->SetName(u"VBar");
  Bar->SetKind(sbVertical);
  Bar->SetParent(Form);
  Bar->SetBounds(400, 0, 17, 300);
  Grid->GetVertScrollBar()->SetExtScrollBar(Bar);
  EXPECT_FALSE(IsScrollBarVisible(Grid->GetHandle(), SB_VERT));
  EXPECT_EQ(Bar->GetMin(), 1);
  EXPECT_EQ(Bar->GetMax(), 50);
  EXPECT_EQ(Bar->GetPageSize(), 20);
  EXPECT_EQ(Bar->GetPosition(), 1);
  SendMessage(Bar->GetHandle(), WM_VSCROLL, MakeWParam(SB_PAGEDOWN, 0), 0);
  EXPECT_EQ(Grid->GetTopRow(), 21);
  EXPECT_EQ(Bar->GetPosition(), 21);
  Grid->GetVertScrollBar()->SetExtScrollBar(nullptr);
  EXPECT_TRUE(Bar->WindowProcIsOwn());
  EXPECT_TRUE(IsScrollBarVisible(Grid->GetHandle(), SB_VERT));
}

TEST_F(GridScroll, OneExternalBarCannotServeTwoGrids) {
  MakeScrollGrid(true, Source);
  auto* Bar = new TScrollBar(Form);
  Bar->SetName(u"VBar");
  Bar->SetParent(Form);
  Grid->GetVertScrollBar()->SetExtScrollBar(Bar);
  auto* Second = new TDBGridEh(Form);
  Second->SetParent(Form);
  try {
    Second->GetVertScrollBar()->SetExtScrollBar(Bar);
    FAIL() << "a second grid took the bar";
  } catch (const Exception& E) {
    EXPECT_EQ(E.Message(), u"Possible VBar already attached to the other control.");
  }
  EXPECT_EQ(Second->GetVertScrollBar()->GetExtScrollBar(), nullptr);
  delete Bar;  // the grid forgets a bar that goes away
  EXPECT_EQ(Grid->GetVertScrollBar()->GetExtScrollBar(), nullptr);
}

TEST_F(GridScroll, AnExternalHorizontalBarShowsTheLeftColumnOnAFixedScale) {
  AddRecords(Table, 5);
  Table.Open();
  MakeScrollGrid(true, Source);
  auto* Bar = new TScrollBar(Form);
  Bar->SetParent(Form);
  Grid->GetHorzScrollBar()->SetExtScrollBar(Bar);
  EXPECT_EQ(Bar->GetMax(), 0);  // both columns show
  for (Integer I = 0; I < 6; ++I) {
    TColumnEh* Column = Grid->GetColumns()->Add();
    Column->SetFieldName(u"NPP");
    Column->SetWidth(100);
  }
  EXPECT_EQ(Bar->GetMax(), 127);
  EXPECT_EQ(Bar->GetPosition(), 0);
  Grid->SetLeftCol(3);
  EXPECT_GT(Bar->GetPosition(), 0);
}

// ---- The timer and the data area -----------------------------------------------------------------------------

TEST_F(GridScroll, TheTimerIsMadeOnceForAnIntervalAndForgottenWhenStopped) {
  MakeScrollGrid(true, Source);
  EXPECT_FALSE(Grid->GetTimerActive());
  Grid->StartTimer(60);
  EXPECT_TRUE(Grid->GetTimerActive());
  EXPECT_EQ(Grid->GetTimerInterval(), 60);
  Grid->StartTimer(200);
  EXPECT_EQ(Grid->GetTimerInterval(), 200);
  Grid->StopTimer();
  EXPECT_FALSE(Grid->GetTimerActive());
  EXPECT_EQ(Grid->GetTimerInterval(), -1);
}

TEST_F(GridScroll, TheDataAreaRunsFromTheFirstDataCellToTheLastRow) {
  AddRecords(Table, 50);
  Table.Open();
  MakeScrollGrid(true, Source);
  const TGridRect Area = Grid->GetDataAreaRect();
  EXPECT_EQ(Area.Left, 1);
  EXPECT_EQ(Area.Top, 1);
  EXPECT_EQ(Area.Right, 2);
  EXPECT_EQ(Area.Bottom, 50);
}

TEST_F(GridScroll, TheTopLeftEventTellsOfEveryScroll) {
  AddRecords(Table, 50);
  Table.Open();
  MakeScrollGrid(true, Source);
  Integer Heard = 0;
  Grid->OnTopLeftChanged = [&](TObject*) { ++Heard; };
  VScroll(SB_PAGEDOWN);
  VScroll(SB_PAGEDOWN);
  EXPECT_EQ(Heard, 2);
}
