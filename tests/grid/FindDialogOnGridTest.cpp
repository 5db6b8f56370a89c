// The find dialog over the data grid itself: the grid hands it its columns and
// carries out its searches.

#include "DBGridTestSupport.h"
#include "grid/DBGridEhFindDlgs.h"
#include "platform/ui/StdCtrls.h"

namespace {

class FindDialogOnGrid : public GridFixture {
protected:
  void TearDown() override {
    delete DBGridEhFindDlg;
    GridFixture::TearDown();
  }
};

}  // namespace

TEST_F(FindDialogOnGrid, TheDialogSearchesTheGridsColumnsAndMovesItsCurrentCell) {
  ShowResources();
  ExecuteDBGridEhFindDialog(Grid, u"фонд", TColumnFieldsArrEh(), false);
  TDBGridEhFindDlg* dlg = DBGridEhFindDlg;
  ASSERT_NE(dlg, nullptr);
  const Integer columns = static_cast<Integer>(Grid->GetVisibleGridColumns().size());
  EXPECT_EQ(dlg->cbFindIn->GetItems()->GetCount(), columns + 1);
  EXPECT_EQ(dlg->cbFindIn->GetItems()->Get(columns), u"<All>");
  dlg->cbFindIn->SetItemIndex(columns);  // every column
  dlg->cbMatchinType->SetItemIndex(1);
  Display.Click(dlg->bFind->GetHandle(), 10, 10);
  EXPECT_EQ(IdOf(Table), 22);
  EXPECT_EQ(Grid->GetColumns()->Items(Grid->GetSelectedIndex())->GetFieldName(), u"NAME_THIS");
}
