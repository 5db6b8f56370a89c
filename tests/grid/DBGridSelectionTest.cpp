// The grid's selection as a model: rectangles between two records and two
// columns, column sets swept with Shift, the kinds the grid may make, and the
// edit-action tests that look at the selection, the dataset and the clipboard.

#include "platform/ui/Clipbrd.h"
#include "tests/grid/GridInputTestSupport.h"

namespace {

class GridSelection : public GridInput {
protected:
  TDBGridEhSelection* Selection() { return Grid->GetSelection(); }
  TBookmark BookmarkOf(Integer Id) {
    Table.SetRecNo(Id);
    return Table.GetBookmark();
  }
};

}  // namespace

// ---- Rectangles -----------------------------------------------------------------------------------------------

TEST_F(GridSelection, ARectangleHoldsTheCellsBetweenItsRecordsAndColumns) {
  ShowRecords(10);
  Grid->SetOptions(Grid->GetOptions() + dgMultiSelect);
  TDBGridEhSelectionRect* Rect = Selection()->GetRect();
  Rect->Select(2, BookmarkOf(7), false);
  Rect->Select(1, BookmarkOf(4), true);
  EXPECT_EQ(Selection()->GetSelectionType(), gstRectangle);
  EXPECT_EQ(Rect->GetLeftCol(), 1);
  EXPECT_EQ(Rect->GetRightCol(), 2);
  EXPECT_EQ(Table.InstantReadIndexOfBookmark(Rect->GetTopRow()), 3);
  EXPECT_EQ(Table.InstantReadIndexOfBookmark(Rect->GetBottomRow()), 6);
  EXPECT_TRUE(Rect->CellSelected(1, BookmarkOf(4)));
  EXPECT_TRUE(Rect->CellSelected(2, BookmarkOf(7)));
  EXPECT_FALSE(Rect->CellSelected(0, BookmarkOf(5)));
  EXPECT_FALSE(Rect->CellSelected(1, BookmarkOf(8)));
  EXPECT_EQ(Rect->GetBounds(), (TGridRect{2, 4, 3, 7}));
  // The grid asks it cell by cell: column indexes count the grid's columns.
  EXPECT_TRUE(Grid->IsCellSelected(2, BookmarkOf(5)));
  EXPECT_FALSE(Grid->IsCellSelected(0, BookmarkOf(5)));
}

TEST_F(GridSelection, OneCellAloneIsNoSelectionButKeepsItsAnchor) {
  ShowRecords(10);
  TDBGridEhSelectionRect* Rect = Selection()->GetRect();
  Rect->Select(1, BookmarkOf(3), false);
  EXPECT_EQ(Selection()->GetSelectionType(), gstNon);
  Rect->Select(2, BookmarkOf(5), true);
  EXPECT_EQ(Selection()->GetSelectionType(), gstRectangle);
  EXPECT_EQ(Rect->GetLeftCol(), 1);
}

TEST_F(GridSelection, HiddenColumnsDoNotCountInARectangle) {
  ShowRecords(10);
  Column(1)->SetVisible(false);
  Display.ProcessMessages();
  TDBGridEhSelectionRect* Rect = Selection()->GetRect();
  Rect->Select(0, BookmarkOf(1), false);
  Rect->Select(1, BookmarkOf(2), true);  // the second visible column: NAME_THIS
  EXPECT_EQ(Rect->GetBounds(), (TGridRect{1, 1, 3, 2}));
  EXPECT_TRUE(Grid->IsCellSelected(2, BookmarkOf(1)));
}

TEST_F(GridSelection, ARectangleIsReadOnlyWithAnActiveLink) {
  ShowRecords(5);
  TDBGridEhSelectionRect* Rect = Selection()->GetRect();
  Rect->Select(0, BookmarkOf(1), false);
  Rect->Select(1, BookmarkOf(2), true);
  const TBookmark Some = BookmarkOf(1);
  Table.Close();
  try {
    Rect->CellSelected(0, Some);
    FAIL() << "no exception";
  } catch (const EInvalidGridOperationEh& E) {
    EXPECT_EQ(E.Message(), u"Error in function TDBGridEhSelectionRect.CellSelected");
  }
  try {
    Rect->GetBottomRow();
    FAIL() << "no exception";
  } catch (const EInvalidGridOperationEh& E) {
    EXPECT_EQ(E.Message(), u"Error in TDBGridEhSelectionRect.GetBottomRow");
  }
  EXPECT_THROW(Rect->GetTopRow(), EInvalidGridOperationEh);
  EXPECT_THROW(Rect->GetLeftCol(), EInvalidGridOperationEh);
}

// ---- Columns ----------------------------------------------------------------------------------------------

TEST_F(GridSelection, ColumnsAreAddedInColumnOrderAndFlippedOffToNone) {
  ShowRecords(3);
  TDBGridEhSelectionCols* Cols = Selection()->GetColumns();
  Cols->Add(Column(2), false);
  Cols->Add(Column(0), true);
  ASSERT_EQ(Cols->Count(), 2);
  EXPECT_EQ(Cols->Items(0), Column(0));
  EXPECT_EQ(Cols->Items(1), Column(2));
  EXPECT_EQ(Selection()->GetSelectionType(), gstColumns);
  EXPECT_EQ(Cols->GetBounds(), (TGridRect{1, 0, 3, Grid->GetRowCount() - 1}));
  Cols->Add(Column(1), false);  // alone
  EXPECT_EQ(Cols->Count(), 1);
  Cols->InvertSelect(Column(1));
  EXPECT_EQ(Cols->Count(), 0);
  EXPECT_EQ(Selection()->GetSelectionType(), gstNon);
}

TEST_F(GridSelection, AShiftSweepTakesTheAnchorsStateAndGivesBackWhatItLeaves) {
  ShowRecords(3);
  Grid->GetColumns()->Add()->SetFieldName(u"ID_TYPE");
  Display.ProcessMessages();
  TDBGridEhSelectionCols* Cols = Selection()->GetColumns();
  Cols->Add(Column(3), false);
  Cols->InvertSelect(Column(0));  // anchor: column 0, selected; column 3 stays selected
  Cols->SelectShift(Column(2));
  EXPECT_EQ(Cols->Count(), 4);
  Cols->SelectShift(Column(1));  // back: column 2 returns to unselected
  EXPECT_EQ(Cols->IndexOf(Column(2)), -1);
  EXPECT_GE(Cols->IndexOf(Column(1)), 0);
  EXPECT_GE(Cols->IndexOf(Column(3)), 0);
  // From an unselected anchor the sweep unselects; columns outside it stay.
  Cols->InvertSelect(Column(3));
  Cols->SelectShift(Column(1));
  ASSERT_EQ(Cols->Count(), 1);
  EXPECT_EQ(Cols->Items(0), Column(0));
  Cols->InvertSelect(Column(0));
  EXPECT_EQ(Selection()->GetSelectionType(), gstNon);
}

TEST_F(GridSelection, AColumnRemovedFromTheGridLeavesTheSelectionOnRefresh) {
  ShowRecords(3);
  TDBGridEhSelectionCols* Cols = Selection()->GetColumns();
  Cols->Add(Column(1), false);
  Cols->Add(Column(2), true);
  delete Column(1);
  Display.ProcessMessages();
  Cols->Refresh();
  ASSERT_EQ(Cols->Count(), 1);
  EXPECT_EQ(Cols->Items(0)->GetFieldName(), u"NAME_THIS");
}

// ---- Kinds -------------------------------------------------------------------------------------------------

TEST_F(GridSelection, TheKindsTheGridMayMakeFollowItsOptions) {
  ShowRecords(3);
  EXPECT_TRUE(Grid->CanSelectType(gstNon));
  EXPECT_FALSE(Grid->CanSelectType(gstRectangle));
  Grid->SetOptions(Grid->GetOptions() + dgMultiSelect);
  EXPECT_TRUE(Grid->CanSelectType(gstRectangle));
  EXPECT_TRUE(Grid->CanSelectType(gstColumns));
  Grid->SetOptions(Grid->GetOptions() + dgRowSelect);
  EXPECT_FALSE(Grid->CanSelectType(gstRectangle));
  EXPECT_FALSE(Grid->CanSelectType(gstColumns));
  EXPECT_TRUE(Grid->CanSelectType(gstRecordBookmarks));
  Grid->SetAllowedSelections({gstAll});
  EXPECT_FALSE(Grid->CanSelectType(gstRecordBookmarks));
  EXPECT_TRUE(Grid->CanSelectType(gstAll));
}

TEST_F(GridSelection, SelectingAllTwiceChangesTheSelectionOnce) {
  ShowRecords(3);
  Integer Changes = 0;
  Grid->OnSelectionChanged = [&](TObject*) { ++Changes; };
  Selection()->SelectAll();
  Selection()->SelectAll();
  EXPECT_EQ(Changes, 1);
  EXPECT_EQ(Selection()->GetSelectionRect(), (TGridRect{0, 0, Grid->GetColCount() - 1, Grid->GetRowCount() - 1}));
}

TEST_F(GridSelection, EmptyingTheSelectedRowsLeavesNoSelection) {
  ShowRecords(3);
  Grid->SetOptions(Grid->GetOptions() + dgMultiSelect);
  Grid->GetSelectedRows()->SetCurrentRowSelected(true);
  EXPECT_EQ(Selection()->GetSelectionType(), gstRecordBookmarks);
  Grid->GetSelectedRows()->SetCurrentRowSelected(false);
  EXPECT_EQ(Selection()->GetSelectionType(), gstNon);
}

// ---- Edit actions ------------------------------------------------------------------------------------------

TEST_F(GridSelection, AnEmptyDatasetCanBeCopiedButNotSelectedOrDeleted) {
  ShowRecords(0);
  EXPECT_TRUE(Grid->CanCopy());
  EXPECT_FALSE(Grid->CanSelectAll());
  Selection()->SelectAll();
  EXPECT_FALSE(Grid->CanDelete());
}

TEST_F(GridSelection, DeletingNeedsTheOperationThatFitsTheSelection) {
  ShowRecords(5);
  EXPECT_FALSE(Grid->CanDelete());  // nothing is selected
  Grid->SetOptions(Grid->GetOptions() + dgMultiSelect);
  Grid->SetAllowedOperations({alopUpdateEh});
  Grid->GetSelectedRows()->SetCurrentRowSelected(true);
  EXPECT_FALSE(Grid->CanDelete());
  EXPECT_FALSE(Grid->CanCut());
  Selection()->GetRect()->Select(0, BookmarkOf(1), false);
  Selection()->GetRect()->Select(1, BookmarkOf(2), true);
  EXPECT_TRUE(Grid->CanDelete());
  EXPECT_TRUE(Grid->CanCut());
  Grid->SetReadOnly(true);
  EXPECT_FALSE(Grid->CanDelete());
}

TEST_F(GridSelection, PastingNeedsAWritableGridAndDataOnTheClipboard) {
  ShowRecords(5);
  Clipboard()->Clear();
  EXPECT_FALSE(Grid->CanPaste());
  const std::string Bytes = "x";
  Clipboard()->SetBuffer(RegisterClipboardFormat(u"VCLDBIF"), Bytes.data(), Bytes.size());
  EXPECT_TRUE(Grid->CanPaste());
  Grid->SetReadOnly(true);
  EXPECT_FALSE(Grid->CanPaste());
  Grid->SetReadOnly(false);
  // Unicode text reads as plain text too.
  Clipboard()->Clear();
  Clipboard()->SetAsText(u"Запись");
  EXPECT_TRUE(Grid->CanPaste());
  Grid->SetAllowedOperations({alopInsertEh, alopDeleteEh});
  EXPECT_FALSE(Grid->CanPaste());
  Clipboard()->Clear();
}
