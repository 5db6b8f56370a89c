// Titles and sort marking: markers step on title clicks, sort indexes stay
// 1..n in the order of the grid's list of sort-marked columns, and a swap is the
// only way to reorder them.

#include "DBGridTestSupport.h"

namespace {

class SortMarking : public GridFixture {
protected:
  TColumnEh* A = nullptr;
  TColumnEh* B = nullptr;
  TColumnEh* C = nullptr;
  void SetUp() override {
    GridFixture::SetUp();
    MakeGrid();
    A = Grid->GetColumns()->Add();
    B = Grid->GetColumns()->Add();
    C = Grid->GetColumns()->Add();
    A->SetFieldName(u"ID_THIS");
    B->SetFieldName(u"NPP");
    C->SetFieldName(u"NAME_THIS");
  }
  void MultiSort() { Grid->SetOptionsEh(Grid->GetOptionsEh() + dghMultiSortMarking); }
  std::vector<TColumnEh*> SortedList() const {
    std::vector<TColumnEh*> L;
    for (Integer I = 0; I < Grid->GetSortMarkedColumns()->Count(); ++I)
      L.push_back(Grid->GetSortMarkedColumns()->Items(I));
    return L;
  }
  std::vector<Integer> Indexes() const {
    return {A->GetTitle()->GetSortIndex(), B->GetTitle()->GetSortIndex(), C->GetTitle()->GetSortIndex()};
  }
};

}  // namespace

TEST_F(SortMarking, MultiSortNumbersMarkedColumnsInMarkingOrder) {
  MultiSort();
  A->GetTitle()->SetSortMarker(smDownEh);
  B->GetTitle()->SetSortMarker(smUpEh);
  C->GetTitle()->SetSortMarker(smDownEh);
  EXPECT_EQ(Indexes(), (std::vector<Integer>{1, 2, 3}));
  EXPECT_EQ(SortedList(), (std::vector<TColumnEh*>{A, B, C}));
  B->GetTitle()->SetSortMarker(smNoneEh);
  EXPECT_EQ(Indexes(), (std::vector<Integer>{1, 0, 2}));
  EXPECT_EQ(SortedList(), (std::vector<TColumnEh*>{A, C}));
  C->GetTitle()->SetSortIndex(1);
  EXPECT_EQ(Indexes(), (std::vector<Integer>{2, 0, 1}));
  EXPECT_EQ(SortedList(), (std::vector<TColumnEh*>{C, A}));
  A->GetTitle()->SetSortMarker(smUpEh);  // another direction keeps index and place
  EXPECT_EQ(Indexes(), (std::vector<Integer>{2, 0, 1}));
}

TEST_F(SortMarking, ASortIndexNoColumnHasChangesNothing) {
  MultiSort();
  A->GetTitle()->SetSortMarker(smDownEh);
  B->GetTitle()->SetSortMarker(smDownEh);
  A->GetTitle()->SetSortIndex(7);
  EXPECT_EQ(Indexes(), (std::vector<Integer>{1, 2, 0}));
  C->GetTitle()->SetSortIndex(1);  // an unmarked column ignores the assignment
  EXPECT_EQ(Indexes(), (std::vector<Integer>{1, 2, 0}));
}

TEST_F(SortMarking, WithoutMultiSortMarkingOneColumnIsMarked) {
  A->GetTitle()->SetSortMarker(smDownEh);
  B->GetTitle()->SetSortMarker(smUpEh);
  EXPECT_EQ(A->GetTitle()->GetSortMarker(), smNoneEh);
  EXPECT_EQ(Indexes(), (std::vector<Integer>{0, 1, 0}));
  EXPECT_EQ(SortedList(), (std::vector<TColumnEh*>{B}));
}

TEST_F(SortMarking, MarkersSetInsideACollectionUpdateLeaveTheListUntilItEnds) {
  MultiSort();
  A->GetTitle()->SetSortMarker(smDownEh);
  Grid->GetColumns()->BeginUpdate();
  B->GetTitle()->SetSortMarker(smDownEh);
  B->GetTitle()->SetSortIndex(2);
  EXPECT_EQ(SortedList(), (std::vector<TColumnEh*>{A}));
  Grid->GetColumns()->EndUpdate();
  EXPECT_EQ(SortedList(), (std::vector<TColumnEh*>{A, B}));
}

TEST_F(SortMarking, ATitleClickStepsTheMarker) {
  TColumnTitleEh* T = A->GetTitle();
  T->SetNextSortMarkerValue(false);
  EXPECT_EQ(T->GetSortMarker(), smDownEh);
  T->SetNextSortMarkerValue(false);
  EXPECT_EQ(T->GetSortMarker(), smUpEh);
  T->SetNextSortMarkerValue(false);
  EXPECT_EQ(T->GetSortMarker(), smDownEh);  // without Ctrl the marking never ends
  MultiSort();
  B->GetTitle()->SetNextSortMarkerValue(true);
  EXPECT_EQ(T->GetSortMarker(), smDownEh);  // kept alongside
  T->SetNextSortMarkerValue(true);
  T->SetNextSortMarkerValue(true);
  EXPECT_EQ(T->GetSortMarker(), smNoneEh);
  EXPECT_EQ(SortedList(), (std::vector<TColumnEh*>{B}));
  EXPECT_EQ(B->GetTitle()->GetSortIndex(), 1);
}

TEST_F(SortMarking, SwitchingMultiSortOffKeepsOnlyTheFirstMarkedColumn) {
  MultiSort();
  C->GetTitle()->SetSortMarker(smDownEh);
  A->GetTitle()->SetSortMarker(smUpEh);
  Grid->SetOptionsEh(Grid->GetOptionsEh() - dghMultiSortMarking);
  EXPECT_EQ(C->GetTitle()->GetSortMarker(), smDownEh);
  EXPECT_EQ(A->GetTitle()->GetSortMarker(), smNoneEh);
  EXPECT_EQ(SortedList(), (std::vector<TColumnEh*>{C}));
}

TEST_F(SortMarking, TheSortMarkReservesRoomInTheTitle) {
  MultiSort();
  A->SetWidth(100);
  EXPECT_EQ(A->GetTitle()->GetSortMarkerWidth(), 0);
  A->GetTitle()->SetSortMarker(smDownEh);
  EXPECT_EQ(A->GetTitle()->GetSortMarkerWidth(), 16);
  B->GetTitle()->SetSortMarker(smDownEh);
  EXPECT_EQ(A->GetTitle()->GetSortMarkerWidth(), 16 + FontTextWidthEh(SortMarkerFontEh(), u"1"));
  A->SetWidth(12);  // too narrow: the mark shrinks
  EXPECT_LT(A->GetTitle()->GetSortMarkerWidth(), 16);
}

TEST_F(SortMarking, AssigningATitleMakesWhatTheSourceFollowedAssigned) {
  TColumnTitleEh* From = A->GetTitle();
  TColumnTitleEh* To = B->GetTitle();
  From->SetCaption(u"Код");
  To->Assign(From);
  EXPECT_EQ(To->GetCaption(), u"Код");
  EXPECT_TRUE(B->GetAssignedValues().Contains(cvTitleButton));
  EXPECT_FALSE(B->GetAssignedValues().Contains(cvTitleColor));
  To->RestoreDefaults();
  EXPECT_TRUE((B->GetAssignedValues() * ColumnEhTitleValues).Empty());
  EXPECT_EQ(To->GetCaption(), u"NPP");
}
