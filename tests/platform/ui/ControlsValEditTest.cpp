// The value-list editor: rows from Name=Value lines, cell selection with its
// event, values edited in place and stored or dropped.

#include <gtest/gtest.h>

#include "platform/backend/Headless.h"
#include "platform/ui/ValEdit.h"
#include "tests/platform/ui/FormTestSupport.h"

namespace {

class ValueList : public FormFixture {
protected:
  TValueListEditor* Grid = nullptr;
  void SetUp() override {
    MakeForm(450, 350);
    Grid = Make<TValueListEditor>(10, 10, 410, 300);
    Grid->GetTitleCaptions()->Clear();
    Grid->GetTitleCaptions()->Add(u"Параметр");
    Grid->GetTitleCaptions()->Add(u"Значение");
    Grid->SetColWidths(0, 86);
    Grid->SetColWidths(1, 317);
    Grid->InsertRow(u"Наименование", u"???", true);
    Grid->InsertRow(u"Актуальность", u"+", true);
    Grid->InsertRow(u"Пользователь", u"", true);
  }
  TPoint CellCentre(Integer Col, Integer Row) {
    const TRect r = Grid->CellRect(Col, Row);
    return TPoint((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
  }
};

}  // namespace

TEST_F(ValueList, RowsComeFromNameValueLinesAndEmptyValuesKeepTheirRow) {
  EXPECT_EQ(Grid->GetRowCount(), 4);
  EXPECT_EQ(Grid->GetCells(0, 0), u"Параметр");
  EXPECT_EQ(Grid->GetKeys(2), u"Актуальность");
  EXPECT_EQ(Grid->GetCells(1, 1), u"???");
  EXPECT_EQ(Grid->GetValues(u"пользователь"), u"");
  Grid->SetValues(u"Пользователь", u"");
  EXPECT_EQ(Grid->GetStrings()->GetCount(), 3);
  Grid->SetValues(u"Порт", u"210");
  EXPECT_EQ(Grid->GetStrings()->Get(3), u"Порт=210");
}

TEST_F(ValueList, ClickSelectsARowAfterAskingAndDoubleClickReportsIt) {
  std::vector<Integer> asked;
  bool refuse = false;
  Grid->OnSelectCell = [&](TObject*, Integer, Integer Row, bool& Can) {
    asked.push_back(Row);
    Can = !refuse;
  };
  int dbl = 0;
  Grid->OnDblClick = [&](TObject*) { ++dbl; };
  Form->Show();
  const TPoint p = CellCentre(1, 2);
  Display.Click(Grid->GetHandle(), p.X, p.Y);
  EXPECT_EQ(Grid->GetRow(), 2);
  refuse = true;
  const TPoint q = CellCentre(1, 3);
  Display.Click(Grid->GetHandle(), q.X, q.Y);
  EXPECT_EQ(Grid->GetRow(), 2);
  EXPECT_EQ(asked, (std::vector<Integer>{2, 3}));
  refuse = false;
  Display.DoubleClick(Grid->GetHandle(), p.X, p.Y);
  EXPECT_EQ(dbl, 1);
  EXPECT_FALSE(Grid->GetEditorMode());
}

TEST_F(ValueList, TypingEditsTheValueEnterStoresEscapeDrops) {
  Form->Show();
  Grid->SetFocus();
  Grid->SetRow(1);
  Display.TypeText(u"РГБ");
  ASSERT_TRUE(Grid->GetEditorMode());
  Display.Key(VK_RETURN);
  EXPECT_FALSE(Grid->GetEditorMode());
  EXPECT_EQ(Grid->GetValues(u"Наименование"), u"РГБ");
  EXPECT_TRUE(Grid->Focused());
  Display.Key(VK_F2);
  Display.TypeText(u"xx");
  Display.Key(VK_ESCAPE);
  EXPECT_EQ(Grid->GetValues(u"Наименование"), u"РГБ");
  // Moving to another row stores what was typed.
  Display.TypeText(u"Y");
  Display.Key(VK_DOWN);
  EXPECT_EQ(Grid->GetValues(u"Наименование"), u"Y");
  EXPECT_EQ(Grid->GetRow(), 2);
}
