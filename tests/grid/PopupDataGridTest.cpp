// The drop-down data grid under an edit that hosts it the way editors host their
// drop-downs: the edit keeps the focus and passes its keys on; the grid follows
// the mouse, and clicks, Enter and Esc close it through the edit.

#include <gtest/gtest.h>

#include "grid/DBLookupGridsEh.h"
#include "tests/editors/PopupOwnerTestSupport.h"
#include "tests/grid/DBGridTestSupport.h"
#include "tests/grid/GridMetricsTestSupport.h"

namespace {

class PopupDataGrid : public ::testing::Test {
protected:
  THeadlessDisplay Display;
  GridUnits Units;
  ScopedGridTextEngine Metrics;
  TMemTableEh List{nullptr};
  TDataSource ListSource{nullptr};
  TForm* Form = nullptr;
  TPopupOwnerEdit* Edit = nullptr;
  TPopupDataGridEh* Grid = nullptr;

  void SetUp() override {
    BuildResourceColumns(List.GetMemTableData());
    TMTDataStructEh* Struct = List.GetMemTableData()->GetDataStruct();
    for (Integer I = 0; I < Struct->GetCount(); ++I) Struct->GetItem(I)->SetVisible(true);
    ListSource.SetDataSet(&List);
    for (Integer I = 1; I <= 20; ++I) AddResource(List, I, 0, 0, I, u"Запись " + IntToStr(I));
    List.Open();

    Form = new TForm(Application);
    Form->SetBorderStyle(bsNone);
    Form->SetBounds(100, 100, 400, 300);
    Edit = TPopupOwnerEdit::Create<TPopupDataGridEh>(Form);
    Edit->SetParent(Form);
    Edit->SetBounds(20, 30, 200, 21);
    Grid = dynamic_cast<TPopupDataGridEh*>(Edit->Popup);
    Grid->SetListSource(&ListSource);
    Grid->SetKeyField(u"ID_THIS");
    Grid->SetListField(u"NAME_THIS");
    Grid->SetWidth(200);
    Grid->SetListRowCount(7);
    Form->Show();
    Edit->SetFocus();
    Display.ProcessMessages();
  }
  void TearDown() override { delete Form; }

  void DropDown() {
    Edit->DropDown();
    Display.ProcessMessages();
  }
  TPoint RowCenter(Integer DataRow) const {
    const TRect R = Grid->CellRect(0, Grid->GetTitleRowCount() + DataRow);
    return TPoint((R.Left + R.Right) / 2, (R.Top + R.Bottom) / 2);
  }
  HWND Wnd() const { return Grid->GetHandle(); }
};

TEST_F(PopupDataGrid, DropsDownBelowItsHostAsANeverActivatedPopup) {
  DropDown();
  const TRect Host = GetWindowRect(Edit->GetHandle());
  const TRect Popup = GetWindowRect(Wnd());
  EXPECT_EQ(Popup.Top, Host.Bottom);
  EXPECT_EQ(Popup.Left, Host.Left);
  EXPECT_TRUE(Grid->GetVisible());
  EXPECT_NE(GetWindowLong(Wnd(), GWL_STYLE) & WS_POPUP, 0);
  EXPECT_EQ(Grid->Perform(WM_MOUSEACTIVATE, 0, 0), MA_NOACTIVATE);
  EXPECT_EQ(GetFocus(), Edit->GetHandle());
  // Seven rows of data fill the client area exactly.
  EXPECT_EQ(Grid->GetClientHeight(), 7 * Grid->DataRowHeight());
}

TEST_F(PopupDataGrid, TheMouseWithoutAButtonChoosesEachRowItPasses) {
  DropDown();
  std::vector<Integer> Changes;
  Grid->OnUserKeyValueChange = [&](TObject*) { Changes.push_back(Grid->GetKeyValue().AsInteger()); };
  for (Integer Row : {0, 1, 1, 3}) Display.MouseMove(Wnd(), RowCenter(Row).X, RowCenter(Row).Y);
  EXPECT_EQ(Changes, (std::vector<Integer>{1, 2, 4}));
  EXPECT_EQ(Grid->GetKeyValue().AsInteger(), 4);
  EXPECT_EQ(GetFocus(), Edit->GetHandle());
}

TEST_F(PopupDataGrid, AKeySetByTheProgramRaisesNoUserChange) {
  Integer Changes = 0;
  Grid->OnUserKeyValueChange = [&](TObject*) { ++Changes; };
  Grid->SetKeyValue(Variant(5));
  EXPECT_EQ(Grid->GetDisplayText(), u"Запись 5");
  EXPECT_EQ(Changes, 0);
}

TEST_F(PopupDataGrid, AClickChoosesTheRowAndAsksToCloseAcceptingWithoutTakingTheFocus) {
  DropDown();
  std::vector<bool> CloseUps;
  Grid->OnMouseCloseUp = [&](TObject*, bool Accept) { CloseUps.push_back(Accept); };
  Display.Click(Wnd(), RowCenter(2).X, RowCenter(2).Y);
  EXPECT_EQ(Grid->GetKeyValue().AsInteger(), 3);
  EXPECT_EQ(CloseUps, (std::vector<bool>{true}));
  EXPECT_EQ(GetFocus(), Edit->GetHandle());
}

TEST_F(PopupDataGrid, APressInsideReleasedOutsideAsksToCloseWithoutAccepting) {
  DropDown();
  std::vector<bool> CloseUps;
  Grid->OnMouseCloseUp = [&](TObject*, bool Accept) { CloseUps.push_back(Accept); };
  Display.MouseDown(Wnd(), RowCenter(1).X, RowCenter(1).Y);
  Display.MouseMove(Wnd(), RowCenter(1).X, Grid->GetClientHeight() + 40);
  Display.MouseUp(Wnd(), RowCenter(1).X, Grid->GetClientHeight() + 40);
  EXPECT_EQ(CloseUps, (std::vector<bool>{false}));
}

TEST_F(PopupDataGrid, TheHostsKeysMoveTheChoiceAndEnterAcceptsIt) {
  Grid->SetKeyValue(Variant(5));
  DropDown();
  Display.Key(VK_DOWN);
  Display.Key(VK_DOWN);
  EXPECT_EQ(Grid->GetKeyValue().AsInteger(), 7);
  Display.Key(VK_RETURN);
  EXPECT_EQ(Edit->Closes, (std::vector<bool>{true}));
  EXPECT_FALSE(Edit->DroppedDown());
  EXPECT_EQ(GetFocus(), Edit->GetHandle());
}

TEST_F(PopupDataGrid, EscClosesWithoutAccepting) {
  DropDown();
  Display.Key(VK_ESCAPE);
  EXPECT_EQ(Edit->Closes, (std::vector<bool>{false}));
  EXPECT_FALSE(Edit->DroppedDown());
  // The close-without-accepting request does the same.
  DropDown();
  Grid->Perform(WM_CLOSEUPNOACCEPT, 0, 0);
  EXPECT_EQ(Edit->Closes, (std::vector<bool>{false, false}));
}

TEST_F(PopupDataGrid, ResizingStopsAtTheScrollBarsWidthAndArrowHeight) {
  DropDown();
  SetWindowPos(Wnd(), nullptr, 0, 0, 2, 2, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  const TRect R = GetWindowRect(Wnd());
  EXPECT_EQ(R.Width(), GetSystemMetrics(SM_CXVSCROLL));
  EXPECT_GE(R.Height(), GetSystemMetrics(SM_CYVSCROLL));
  Grid->SetBounds(Grid->GetLeft(), Grid->GetTop(), 1, 1);
  EXPECT_EQ(Grid->GetWidth(), GetSystemMetrics(SM_CXVSCROLL));
  EXPECT_GE(Grid->GetHeight(), GetSystemMetrics(SM_CYVSCROLL));
  EXPECT_EQ(Grid->GetListRowCount(), 1);
}

}  // namespace
