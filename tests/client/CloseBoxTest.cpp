// The close box in a window's title bar while a modal window runs over it: the
// window it disables stays open and the modal window comes forward; the modal
// window's own close box closes it. Driven headless through the windows.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "client/z39_02_ListDB.h"
#include "client/z39_03_EditDB.h"
#include "platform/core/Files.h"
#include "platform/ui/ValEdit.h"
#include "tests/client/ProgramDriver.h"
#include "tests/client/ResourceListText.h"

namespace {

class CloseBox : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(ForceDirectories(Drv.Folder() + u"Settings/"));
    WriteFileAtomic(Drv.Folder() + u"Settings/ListDB_for_Search.txt", "1\r\n2\r\n");
    ASSERT_TRUE(Drv.StartWithResourceList(std::string(kResourceListHead) +
                                          ResourceListLine(1, "Alpha", "Default", "host-a", 210, "USMARC") +
                                          ResourceListLine(2, "Beta", "Default", "host-b", 210, "USMARC")));
  }
  String ListFile() const { return Drv.Folder() + u"Settings/ListDB.txt"; }
  // The windows the display was asked to bring forward by Click alone: the modal
  // window was the last one activated before it already.
  std::vector<HWND> BroughtForwardBy(const std::function<void()>& Click) {
    const size_t before = Drv.Display().BroughtForward().size();
    Click();
    const std::vector<HWND>& shown = Drv.Display().BroughtForward();
    return std::vector<HWND>(shown.begin() + before, shown.end());
  }

  TProgramDriver Drv;
};

}  // namespace

TEST_F(CloseBox, TheMainWindowsCloseBoxUnderTheTreeEditorKeepsTheProgramAndTheEditorsUnsavedChange) {
  bool stayed = false;
  Drv.WhenModal<TDlg_ListDB>([&](TDlg_ListDB* w) {
    ASSERT_TRUE(w->MemTableEh_Tree->Locate(u"ID_THIS", Variant(Integer(2)), {}));
    Drv.WhenModal<TDlg_EditDB>([&](TDlg_EditDB* d) {
      d->ValueListEditor1->SetValues(u"Наименование", u"Beta II");
      Drv.Click(d->SB_OK);
    });
    Drv.Press(w, u"SB_N_Edit");
    ASSERT_TRUE(w->Label_YesModify->GetVisible());

    EXPECT_EQ(BroughtForwardBy([&] { Drv.CloseMainWindow(); }), std::vector<HWND>{w->GetHandle()});
    EXPECT_FALSE(Application->GetTerminated());
    // Still open with its change: the loop takes the next step.
    Drv.WhenModal<TDlg_ListDB>([&, w](TDlg_ListDB* again) {
      stayed = again == w;
      EXPECT_TRUE(w->Label_YesModify->GetVisible());
      EXPECT_EQ(w->MemTableEh_Tree->FieldByName(u"NAME_THIS")->GetAsString(), u"Beta II");
      Drv.Press(w, u"SB_OK");
    });
  });
  Drv.Press(Form_Main, u"SB_Menu_Res");
  EXPECT_TRUE(stayed);
  EXPECT_FALSE(Application->GetTerminated());
  EXPECT_NE(ReadFileBytes(ListFile()).find("\tBeta II\t"), std::string::npos);

  Drv.CloseMainWindow();
  EXPECT_TRUE(Application->GetTerminated());
}

TEST_F(CloseBox, TheTreeEditorsCloseBoxUnderTheResourceDialogIsIgnoredAndEscClosesOnlyTheDialog) {
  bool stayed = false;
  Drv.WhenModal<TDlg_ListDB>([&](TDlg_ListDB* w) {
    ASSERT_TRUE(w->MemTableEh_Tree->Locate(u"ID_THIS", Variant(Integer(2)), {}));
    Drv.WhenModal<TDlg_EditDB>([&](TDlg_EditDB* d) {
      EXPECT_EQ(BroughtForwardBy([&] { Drv.Display().ClickCloseBox(w->GetHandle()); }),
                std::vector<HWND>{d->GetHandle()});
      EXPECT_EQ(TProgramDriver::OpenModal<TDlg_EditDB>(), d);
      Drv.Display().Key(VK_ESCAPE);
    });
    Drv.Press(w, u"SB_N_Edit");
    Drv.WhenModal<TDlg_ListDB>([&, w](TDlg_ListDB* again) {
      stayed = again == w;
      Drv.Display().Key(VK_ESCAPE);
    });
  });
  Drv.Press(Form_Main, u"SB_Menu_Res");
  EXPECT_TRUE(stayed);
  EXPECT_FALSE(Dlg_ListDB->GetVisible());
  EXPECT_FALSE(Application->GetTerminated());
}

TEST_F(CloseBox, TheMainWindowsCloseBoxUnderAMessageBoxIsIgnoredAndTheBoxsOwnCloseBoxAnswersCancel) {
  bool answered = false;
  Drv.WhenModal<TDlg_MyShowMessage>([&](TDlg_MyShowMessage* box) {
    EXPECT_EQ(BroughtForwardBy([&] { Drv.CloseMainWindow(); }), std::vector<HWND>{box->GetHandle()});
    EXPECT_FALSE(Application->GetTerminated());
    Drv.WhenModal<TDlg_MyShowMessage>([&, box](TDlg_MyShowMessage* again) {
      answered = again == box;
      Drv.Display().ClickCloseBox(box->GetHandle());
    });
  });
  Drv.Press(Form_Main, u"SB_N_Clear");
  EXPECT_TRUE(answered);
  EXPECT_FALSE(Application->GetTerminated());
  EXPECT_EQ(Form_Main->clb_ListDB_Names->GetCount(), 2);
}
