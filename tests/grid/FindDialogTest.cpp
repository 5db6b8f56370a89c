// The find dialog: how it opens for a grid, what it asks the grid to search
// for on each click, and its keys.

#include <gtest/gtest.h>

#include "GridServicesTestSupport.h"
#include "grid/DBGridEhFindDlgs.h"
#include "platform/backend/Headless.h"
#include "platform/ui/Forms.h"
#include "platform/ui/StdCtrls.h"
#include "tests/memtable/MemTableTestUtil.h"

namespace {

class FindDialog : public ::testing::Test {
protected:
  void SetUp() override {
    BuildResourceColumns(Table.GetMemTableData());
    AddResourceTree(Table);
    Table.SetSortOrder(u"NPP,NAME_THIS");
    Form = new TForm(Application);
    Grid = new TTestDataGrid(Form);
    Grid->SetParent(Form);
    Grid->Source->SetDataSet(&Table);
    Grid->AddColumn(u"ID_THIS")->Caption = u"Код";
    Grid->AddColumn(u"NAME_THIS")->Caption = u"Название";
    Grid->AddColumn(u"NPP")->Visible = false;
    Grid->SelectedIndex = 1;
  }
  void TearDown() override {
    delete DBGridEhFindDlg;
    Grid->Source->SetDataSet(nullptr);
    delete Form;
  }

  TDBGridEhFindDlg* Open(const String& Text = u"Фонд", bool Modal = false) {
    ExecuteDBGridEhFindDialog(Grid, Text, TColumnFieldsArrEh(), Modal);
    return DBGridEhFindDlg;
  }
  void ClickFind(THeadlessShift Shift = THeadlessShift::None) {
    Display.Click(DBGridEhFindDlg->bFind->GetHandle(), 10, 10, mbLeft, Shift);
  }
  static std::vector<String> Items(TComboBox* Box) {
    std::vector<String> out;
    for (Integer i = 0; i < Box->GetItems()->GetCount(); ++i) out.push_back(Box->GetItems()->Get(i));
    return out;
  }

  THeadlessDisplay Display;
  TMemTableEh Table{nullptr};
  TForm* Form = nullptr;
  TTestDataGrid* Grid = nullptr;
};

}  // namespace

TEST_F(FindDialog, TheUnitInstallsTheDialogAsTheFeaturesFindDialog) {
  EXPECT_EQ(ExecuteFindDialogProc, &ExecuteDBGridEhFindDialog);
}

TEST_F(FindDialog, ItOpensWithTheTextTheVisibleColumnsAndTheSelectedColumnChosen) {
  Table.Open();
  TDBGridEhFindDlg* dlg = Open();
  ASSERT_NE(dlg, nullptr);
  EXPECT_TRUE(dlg->GetVisible());
  EXPECT_EQ(dlg->GetCaption(), u"Поиск");
  EXPECT_EQ(dlg->GetFormStyle(), fsStayOnTop);
  EXPECT_EQ(dlg->GetOwner(), Application);
  EXPECT_EQ(dlg->cbText->GetText(), u"Фонд");
  EXPECT_EQ(Items(dlg->cbFindIn), (std::vector<String>{u"Код", u"Название", u"<All>"}));
  EXPECT_EQ(dlg->cbFindIn->GetItemIndex(), 1);
  EXPECT_EQ(dlg->cbFindDirection->GetText(), u"Все");
  EXPECT_EQ(dlg->cbMatchinType->GetText(), u"С любой части поля");
  EXPECT_FALSE(dlg->cbCharCase->GetChecked());
  EXPECT_TRUE(dlg->cbUseFormat->GetChecked());
  EXPECT_TRUE(dlg->GetActiveControl() == dlg->cbText || dlg->GetActiveControl() == dlg->cbText->GetEditControl());
  EXPECT_TRUE(dlg->GetFirstSearch());
  EXPECT_EQ(Open(u"x"), dlg);  // one dialog for the process
}

TEST_F(FindDialog, AllIsChosenWhenTheSelectedColumnIsNotOffered) {
  Table.Open();
  Grid->SelectedIndex = 2;  // the hidden NPP
  EXPECT_EQ(Open()->cbFindIn->GetText(), u"<All>");
  TColumnFieldsArrEh given{{u"Только код", Grid->Columns[0].get()}};
  ExecuteDBGridEhFindDialog(Grid, u"1", given, false);
  EXPECT_EQ(Items(DBGridEhFindDlg->cbFindIn), (std::vector<String>{u"Только код", u"<All>"}));
}

TEST_F(FindDialog, TheTreeRangeIsOfferedOnlyForATableShownAsATree) {
  Table.Open();
  TDBGridEhFindDlg* dlg = Open();
  EXPECT_FALSE(dlg->dbcTreeFindRange->GetVisible());
  EXPECT_FALSE(dlg->Label4->GetVisible());
  EXPECT_EQ(dlg->GetClientHeight(), dlg->dbcTreeFindRange->GetTop());
  const Integer shortHeight = dlg->GetClientHeight();
  ShowAsExpandedTree(Table);
  Open();
  EXPECT_TRUE(dlg->dbcTreeFindRange->GetVisible());
  EXPECT_TRUE(dlg->Label4->GetVisible());
  EXPECT_GT(dlg->GetClientHeight(), dlg->dbcTreeFindRange->GetTop() + dlg->dbcTreeFindRange->GetHeight() - 1);
  EXPECT_GT(dlg->GetClientHeight(), shortHeight);
}

TEST_F(FindDialog, AClickSearchesWithTheDialogsSettings) {
  ShowAsExpandedTree(Table);
  Table.Open();
  TDBGridEhFindDlg* dlg = Open(u"арх");
  dlg->cbMatchinType->SetItemIndex(2);
  dlg->dbcTreeFindRange->SetItemIndex(3);
  ClickFind();
  EXPECT_EQ(Grid->LocateTextCalls, 1);
  EXPECT_EQ(Grid->LastFieldName, u"NAME_THIS");
  EXPECT_EQ(Grid->LastText, u"арх");
  EXPECT_EQ(Grid->LastMatching, ltmBeginningEh);
  EXPECT_EQ(Grid->LastTreeFindRange, lttCurrentBranchEh);
  EXPECT_EQ(Grid->LastOptions, ltoIgnoreCaseEh | ltoDisplayTextEh | ltoEscapeStopsEh);
  EXPECT_EQ(IdOf(Table), 20);
  dlg->cbCharCase->SetChecked(true);
  dlg->cbUseFormat->SetChecked(false);
  dlg->cbFindIn->SetItemIndex(2);
  ClickFind();
  EXPECT_EQ(Grid->LastOptions, ltoAllColumnsEh | ltoEscapeStopsEh);
  EXPECT_EQ(Grid->LastFieldName, String());
  EXPECT_EQ(Items(dlg->cbText), (std::vector<String>{u"арх"}));  // remembered once
}

TEST_F(FindDialog, AllSearchesFromTheTopOnceThenGoesOnDownwards) {
  ShowAsExpandedTree(Table);
  Table.Open();
  Table.Last();
  TDBGridEhFindDlg* dlg = Open(u"Арх");
  ClickFind();
  EXPECT_EQ(Grid->LastDirection, ltdAllEh);
  EXPECT_EQ(IdOf(Table), 20);
  EXPECT_FALSE(dlg->GetFirstSearch());
  ClickFind();
  EXPECT_EQ(Grid->LastDirection, ltdDownEh);
  EXPECT_EQ(IdOf(Table), 21);
  dlg->cbText->SetFocus();
  dlg->cbText->SelectAll();
  Display.TypeText(u"Библ");  // a new text starts from the top again
  EXPECT_EQ(dlg->cbText->GetText(), u"Библ");
  EXPECT_TRUE(dlg->GetFirstSearch());
  ClickFind();
  EXPECT_EQ(Grid->LastDirection, ltdAllEh);
  EXPECT_EQ(IdOf(Table), 10);
}

TEST_F(FindDialog, ANotFoundAllStaysTheFirstSearch) {
  Table.Open();
  TDBGridEhFindDlg* dlg = Open(u"нет такого");
  ClickFind();
  ClickFind();
  EXPECT_EQ(Grid->LastDirection, ltdAllEh);
  EXPECT_TRUE(dlg->GetFirstSearch());
}

TEST_F(FindDialog, CtrlReversesTheDirection) {
  ShowAsExpandedTree(Table);
  Table.Open();
  TDBGridEhFindDlg* dlg = Open(u"Арх");
  dlg->cbFindDirection->SetItemIndex(1);
  Table.Last();
  ClickFind(THeadlessShift::Ctrl);
  EXPECT_EQ(Grid->LastDirection, ltdUpEh);
  EXPECT_EQ(IdOf(Table), 21);
  dlg->cbFindDirection->SetItemIndex(0);
  ClickFind(THeadlessShift::Ctrl);
  EXPECT_EQ(Grid->LastDirection, ltdDownEh);
}

TEST_F(FindDialog, NothingIsSearchedWhileTheDatasetIsClosed) {
  TDBGridEhFindDlg* dlg = Open(u"Арх");
  ClickFind();
  EXPECT_EQ(Grid->LocateTextCalls, 0);
  EXPECT_EQ(Items(dlg->cbText), (std::vector<String>{u"Арх"}));
}

TEST_F(FindDialog, EnterSearchesAndEscClosesAModelessDialog) {
  Table.Open();
  TDBGridEhFindDlg* dlg = Open(u"Фонд");
  dlg->cbText->GetEditControl()->SetModified(true);
  Display.Key(VK_RETURN);
  EXPECT_EQ(Grid->LocateTextCalls, 1);
  EXPECT_FALSE(dlg->cbText->GetEditControl()->GetModified());
  Display.Key(VK_ESCAPE);
  EXPECT_FALSE(dlg->GetVisible());
  EXPECT_EQ(Grid->LocateTextCalls, 1);
}

TEST_F(FindDialog, AnOpenListTakesEnterAndEscForItself) {
  Table.Open();
  TDBGridEhFindDlg* dlg = Open(u"Фонд");
  dlg->SetActiveControl(dlg->cbMatchinType);
  dlg->cbMatchinType->SetDroppedDown(true);
  Display.Key(VK_ESCAPE);
  EXPECT_TRUE(dlg->GetVisible());
  EXPECT_FALSE(dlg->cbMatchinType->GetDroppedDown());
  EXPECT_EQ(Grid->LocateTextCalls, 0);
}

TEST_F(FindDialog, AModalDialogSearchesAndClosesWithItsCancelButton) {
  Table.Open();
  Display.WhenIdle([this] { ClickFind(); });
  Display.WhenIdle([this] { Display.Click(DBGridEhFindDlg->bCancel->GetHandle(), 5, 5); });
  Open(u"Фонд", true);
  EXPECT_EQ(Grid->LocateTextCalls, 1);
  EXPECT_EQ(IdOf(Table), 22);
  EXPECT_FALSE(DBGridEhFindDlg->GetVisible());
  EXPECT_EQ(DBGridEhFindDlg->GetFormStyle(), fsNormal);
}

TEST_F(FindDialog, AGridThatGoesAwayLeavesTheDialogWithoutOne) {
  Table.Open();
  TDBGridEhFindDlg* dlg = Open(u"Фонд");
  Grid->Source->SetDataSet(nullptr);
  delete Grid;
  Grid = new TTestDataGrid(Form);
  EXPECT_EQ(dlg->GetGrid(), nullptr);
  EXPECT_TRUE(dlg->GetColumnFields().empty());
  ClickFind();  // nothing to search, nothing breaks
  EXPECT_EQ(Grid->LocateTextCalls, 0);
}

TEST_F(FindDialog, EscPressedDuringASearchStopsItAndLeavesTheDialogOpen) {
  Table.Open();
  Table.First();
  const Integer start = IdOf(Table);
  TDBGridEhFindDlg* dlg = Open(u"Фонд");
  dlg->cbFindDirection->SetItemIndex(1);
  dlg->cbText->SetFocus();
  // The key arrives while the search runs: it waits in the queue of the window
  // the keyboard is in.
  PostMessage(GetFocus(), WM_KEYDOWN, VK_ESCAPE, 0);
  dlg->bFindClick(dlg->bFind);
  EXPECT_EQ(Grid->LocateTextCalls, 1);
  EXPECT_EQ(IdOf(Table), start);  // stopped before reaching Фонд
  Display.ProcessMessages();
  EXPECT_TRUE(dlg->GetVisible());
  dlg->bFindClick(dlg->bFind);
  EXPECT_EQ(IdOf(Table), 22);
}
