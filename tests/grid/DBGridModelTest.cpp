// The grid as a whole: its defaults, its layout bracket, the delete prompt and
// how it forgets components that go away.

#include "DBGridTestSupport.h"
#include "platform/ui/MessageQueue.h"

using GridModel = GridFixture;

TEST_F(GridModel, ANewGridHasTheDocumentedDefaults) {
  TDBGridEh Fresh(nullptr);
  EXPECT_EQ(Fresh.GetOptions().Bits(), 3325u);
  EXPECT_EQ(Fresh.GetOptionsEh().Bits(), 10027105u);
  EXPECT_EQ(static_cast<const TCustomGridEh&>(Fresh).GetOptions().Bits(), 36495u);
  EXPECT_EQ(Fresh.GetAllowedOperations(), AllAllowedOperationsEh);
  EXPECT_EQ(Fresh.GetAllowedSelections(), DefaultAllowedSelectionsEh);
  EXPECT_EQ(Fresh.GetVTitleMargin(), 10);
  EXPECT_TRUE(Fresh.GetDefaultDrawing());
  EXPECT_EQ(Fresh.GetColor(), clWindow);
  EXPECT_EQ(Fresh.GetFooterColor(), clWindow);
  EXPECT_FALSE(Fresh.GetParentColor());
  EXPECT_EQ(Fresh.GetScrollBars(), ssHorizontal);
  EXPECT_EQ(Fresh.GetIndicatorWidth(), 11);
  EXPECT_TRUE(GetDBGridEhStyle()->IsGridRegistered(&Fresh));
  EXPECT_TRUE(GetDBGridEhCenter()->IsGridAttached(&Fresh));
  ASSERT_NE(Fresh.GetRowDetailPanelControl(), nullptr);
  EXPECT_EQ(Fresh.GetRowDetailPanelControl()->GetName(), u"RowDetailData");
  EXPECT_FALSE(Fresh.GetRowDetailPanelControl()->GetVisible());
}

TEST_F(GridModel, TheDeletePromptAsksAboutOneRecordOrAllSelectedOnes) {
  ShowResources();
  std::vector<String> Asked;
  Integer Answer = IDOK;
  Display.OnMessageBox([&](const TMessageBoxRequest& R) {
    Asked.push_back(R.Text);
    return Answer;
  });
  EXPECT_TRUE(Grid->DeletePrompt());
  Grid->SetOptions(Grid->GetOptions() + dgMultiSelect);
  Grid->GetSelectedRows()->SetCurrentRowSelected(true);
  Table.Next();
  Grid->GetSelectedRows()->SetCurrentRowSelected(true);
  Answer = IDCANCEL;
  EXPECT_FALSE(Grid->DeletePrompt());
  EXPECT_EQ(Asked, (std::vector<String>{u"Delete record?", u"Delete all selected records?"}));
  Grid->SetOptions(Grid->GetOptions() - dgConfirmDelete);
  EXPECT_TRUE(Grid->DeletePrompt());
  EXPECT_EQ(Asked.size(), 2u);
}

TEST_F(GridModel, RowSelectTakesAwayEditing) {
  MakeGrid();
  Grid->SetOptions(Grid->GetOptions() + dgRowSelect + dgAlwaysShowEditor);
  EXPECT_TRUE(Grid->GetOptions().Contains(dgRowSelect));
  EXPECT_FALSE(Grid->GetOptions().Contains(dgEditing));
  EXPECT_FALSE(Grid->GetOptions().Contains(dgAlwaysShowEditor));
  const TGridOptions Base = static_cast<TCustomGridEh*>(Grid)->GetOptions();
  EXPECT_TRUE(Base.Contains(goRowSelect));
  EXPECT_FALSE(Base.Contains(goEditing));
}

TEST_F(GridModel, ColumnResizingAndMovingFollowOneAnother) {
  MakeGrid();
  Grid->SetOptions(Grid->GetOptions() - dgColumnResize);
  EXPECT_FALSE(Grid->GetOptionsEh().Contains(dghColumnResize));
  EXPECT_FALSE(Grid->GetOptionsEh().Contains(dghColumnMove));
  EXPECT_FALSE(static_cast<TCustomGridEh*>(Grid)->GetOptions().Contains(goColSizing));
  Grid->SetOptionsEh(Grid->GetOptionsEh() + dghColumnResize);
  EXPECT_FALSE(Grid->GetOptions().Contains(dgColumnResize));  // one of the pair is not enough
  Grid->SetOptionsEh(Grid->GetOptionsEh() + dghColumnMove);
  EXPECT_TRUE(Grid->GetOptions().Contains(dgColumnResize));
  EXPECT_TRUE(static_cast<TCustomGridEh*>(Grid)->GetOptions().Contains(goColMoving));
  Grid->SetOptionsEh(Grid->GetOptionsEh() - dghColumnMove);
  EXPECT_FALSE(Grid->GetOptions().Contains(dgColumnResize));
}

TEST_F(GridModel, TheIndicatorAndTheTitlesComeAndGoWithTheirOptions) {
  ShowResources();
  EXPECT_EQ(Grid->GetColCount(), 6);
  Grid->SetOptions(Grid->GetOptions() - dgIndicator);
  EXPECT_EQ(Grid->GetIndicatorOffset(), 0);
  EXPECT_EQ(Grid->GetColCount(), 5);
  EXPECT_EQ(Grid->GetFixedCols(), 0);
  Grid->SetOptions(Grid->GetOptions() - dgTitles);
  EXPECT_EQ(Grid->GetFixedRows(), 0);
  EXPECT_EQ(Grid->GetRowCount(), 6);
  Grid->SetFrozenCols(2);
  EXPECT_EQ(Grid->GetFixedCols(), 2);
  EXPECT_EQ(Grid->GetFrozenColCount(), 2);
}

TEST_F(GridModel, CellsAreTitleFilterRowDataOrFooter) {
  ShowResources();
  Grid->SetFooterRowCount(1);
  Grid->GetSTFilter()->SetVisible(true);
  Integer DataCol = 0, DataRow = 0;
  TCellTypeEh T = Grid->GetCellType(0, 0, DataCol, DataRow);
  EXPECT_EQ(T.Horz, cahIndicatorEh);
  EXPECT_EQ(T.Vert, cavTitleEh);
  T = Grid->GetCellType(2, 1, DataCol, DataRow);
  EXPECT_EQ(T.Horz, cahDataEh);
  EXPECT_EQ(DataCol, 1);
  EXPECT_EQ(T.Vert, cavSubTitleEh);
  T = Grid->GetCellType(1, 4, DataCol, DataRow);
  EXPECT_EQ(T.Vert, cavDataEh);
  EXPECT_EQ(DataRow, 2);
  T = Grid->GetCellType(1, Grid->GetRowCount(), DataCol, DataRow);
  EXPECT_EQ(T.Vert, cavFooterEh);
  EXPECT_EQ(DataRow, 0);
  EXPECT_THROW(Grid->GetCellType(1, Grid->GetFullRowCount(), DataCol, DataRow), Exception);
  EXPECT_EQ(Grid->DataRowsOffset(), 2);
}

TEST_F(GridModel, NegativeCountsAreIgnoredOrTakenAsNought) {
  MakeGrid();
  Grid->SetFooterRowCount(2);
  Grid->SetFooterRowCount(-1);
  EXPECT_EQ(Grid->GetFooterRowCount(), 2);
  Grid->SetRowHeight(-5);
  EXPECT_EQ(Grid->GetRowHeight(), 0);
  Grid->SetRowLines(-1);
  EXPECT_EQ(Grid->GetRowLines(), 0);
}

TEST_F(GridModel, RowColoursFollowTheGridUntilAssigned) {
  MakeGrid();
  Grid->SetColor(clAqua);
  EXPECT_EQ(Grid->GetEvenRowColor(), clAqua);
  EXPECT_FALSE(Grid->IsEvenRowColorStored());
  Grid->SetEvenRowColor(clAqua);
  EXPECT_TRUE(Grid->IsEvenRowColorStored());
  Grid->SetColor(clWhite);
  EXPECT_EQ(Grid->GetEvenRowColor(), clAqua);
  EXPECT_EQ(Grid->GetOddRowColor(), clWhite);
}

TEST_F(GridModel, ALayoutPassWaitsForTheOutermostBracket) {
  ShowResources();
  Grid->BeginLayout();
  Grid->BeginLayout();
  Grid->GetColumns()->Items(0)->SetVisible(false);
  EXPECT_EQ(Grid->GetVisibleColumns()->Count(), 5);
  Grid->EndLayout();
  EXPECT_EQ(Grid->GetVisibleColumns()->Count(), 5);
  Grid->EndLayout();
  EXPECT_EQ(Grid->GetVisibleColumns()->Count(), 4);
  EXPECT_EQ(Grid->GetLayoutLock(), 0);
  EXPECT_EQ(Grid->GetUpdateLock(), 0);
}

TEST_F(GridModel, AnUpdateLockPutsThePassOffAndADeferredPassIsPostedOnce) {
  ShowResources();
  Grid->BeginUpdate();
  Grid->LayoutChanged();
  EXPECT_TRUE(Grid->GetLayoutPending());
  Grid->EndUpdate();
  Grid->BeginLayout();
  Grid->GetColumns()->Items(1)->SetVisible(false);
  Grid->DeferLayout();
  Grid->BeginLayout();
  Grid->DeferLayout();
  TMsg M;
  Integer Posted = 0;
  while (PeekMessage(M, Grid->GetHandle(), WM_DEFERREDLAYOUT, WM_DEFERREDLAYOUT, PM_REMOVE)) ++Posted;
  EXPECT_EQ(Posted, 1);
  EXPECT_EQ(Grid->GetVisibleColumns()->Count(), 5);
  PostMessage(Grid->GetHandle(), WM_DEFERREDLAYOUT);
  Display.ProcessMessages();
  EXPECT_EQ(Grid->GetVisibleColumns()->Count(), 4);
  EXPECT_FALSE(Grid->GetLayoutPending());
}

TEST_F(GridModel, RemovedComponentsAreForgotten) {
  ShowResources();
  auto* Menu = new TPopupMenu(nullptr);
  Grid->GetColumns()->Items(0)->SetPopupMenu(Menu);
  Grid->GetColumns()->Items(3)->SetPopupMenu(Menu);
  Grid->GetIndicatorTitle()->SetDropdownMenu(Menu);
  delete Menu;
  EXPECT_EQ(Grid->GetColumns()->Items(0)->GetPopupMenu(), nullptr);
  EXPECT_EQ(Grid->GetColumns()->Items(3)->GetPopupMenu(), nullptr);
  EXPECT_EQ(Grid->GetIndicatorTitle()->GetDropdownMenu(), nullptr);
  auto* Other = new TDataSource(nullptr);
  Other->SetDataSet(&Table);
  Grid->SetDataSource(Other);
  delete Other;
  EXPECT_EQ(Grid->GetDataSource(), nullptr);
  EXPECT_EQ(Grid->GetMemTableIntf(), nullptr);
  EXPECT_FALSE(Grid->GetDataLink()->GetActive());
}

TEST_F(GridModel, ATableFreedUnderTheGridLeavesItWithoutData) {
  MakeGrid();
  auto* Temporary = new TMemTableEh(nullptr);
  BuildResourceColumns(Temporary->GetMemTableData());
  AddResource(*Temporary, 1, 0, 1, 1, u"R");
  Temporary->Open();
  TDataSource LocalSource(nullptr);
  LocalSource.SetDataSet(Temporary);
  Grid->SetDataSource(&LocalSource);
  ASSERT_NE(Grid->GetMemTableIntf(), nullptr);
  delete Temporary;
  EXPECT_EQ(Grid->GetMemTableIntf(), nullptr);
  EXPECT_FALSE(Grid->GetDataLink()->GetActive());
  Grid->SetDataSource(nullptr);
}

TEST_F(GridModel, ColumnsMovedByTheBaseGridMoveInTheCollection) {
  ShowResources();
  std::vector<std::pair<Integer, Integer>> Moves;
  Grid->OnColumnMoved = [&](TObject*, Integer From, Integer To) { Moves.push_back({From, To}); };
  Grid->MoveColumn(1, 3);
  EXPECT_EQ(FieldNamesOf(Grid), (std::vector<String>{u"ID_PARENT", u"ID_TYPE", u"ID_THIS", u"NPP", u"NAME_THIS"}));
  EXPECT_EQ(Moves, (std::vector<std::pair<Integer, Integer>>{{0, 2}}));
  // The columns the grid made keep the dataset's order: the field moved too.
  EXPECT_EQ(Table.FieldByName(u"ID_THIS")->GetIndex(), 2);
}

TEST_F(GridModel, TheCenterAndTheStyleForgetTheirGridsAndGridsForgetThem) {
  MakeGrid();
  {
    TDBGridEhStyle Own;
    Grid->SetStyle(&Own);
    EXPECT_EQ(Grid->GetStyle(), &Own);
    EXPECT_FALSE(GetDBGridEhStyle()->IsGridRegistered(Grid));
  }
  EXPECT_EQ(Grid->GetStyle(), GetDBGridEhStyle());
  TDBGridEhCenter* Global = GetDBGridEhCenter();
  {
    TDBGridEhCenter Own;
    Grid->SetCenter(&Own);
    EXPECT_TRUE(Own.IsGridAttached(Grid));
    EXPECT_FALSE(Global->IsGridAttached(Grid));
  }
  EXPECT_EQ(Grid->GetCenter(), nullptr);
  delete Form;
  Form = nullptr;
  EXPECT_EQ(Global->GridCount(), 0);
  EXPECT_EQ(GetDBGridEhStyle()->GridCount(), 0);
}

TEST_F(GridModel, SelectedRowsSpanTheirRowsAmongTheLoadedOnes) {
  ShowResources();
  Grid->SetOptions(Grid->GetOptions() + dgMultiSelect);
  EXPECT_EQ(Grid->GetSelectedRows()->GetSelectedRowsRect(), (TGridRect{-1, -1, -1, -1}));
  Table.Next();
  Grid->GetSelectedRows()->SetCurrentRowSelected(true);
  Table.Next();
  Table.Next();
  Grid->GetSelectedRows()->SetCurrentRowSelected(true);
  EXPECT_EQ(Grid->GetSelection()->GetSelectionType(), gstRecordBookmarks);
  EXPECT_EQ(Grid->GetSelectedRows()->GetSelectedRowsRect(), (TGridRect{0, 2, Grid->GetColCount() - 1, 4}));
  Grid->GetSelectedRows()->Clear();
  EXPECT_EQ(Grid->GetSelection()->GetSelectionType(), gstNon);  // an emptied list ends the selection
}
