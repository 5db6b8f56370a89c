// The cell editor's calendar and calculator drop-downs through real key
// messages: the calendar opens at the size its month needs, not the cell's, and
// the editor hides its caret while the calculator has the keys.

#include "platform/core/DateTime.h"
#include "platform/ui/Input.h"
#include "tests/grid/GridInputTestSupport.h"

namespace {

// The grid of GridInput with a fourth column over a date-time field ISSUED.
class GridEditorDropDown : public GridInput {
protected:
  void SetUp() override {
    GridInput::SetUp();
    AddTableColumn(Table.GetMemTableData(), TMTDateTimeDataFieldEh::StaticComponentClass(), ftDateTime, u"ISSUED")
        ->SetVisible(true);
    ShowRecords(2);
    TColumnEh* Issued = Grid->GetColumns()->Add();
    Issued->SetFieldName(u"ISSUED");
    Issued->SetWidth(60);
    Display.ProcessMessages();
  }
  TDBGridInplaceEdit* Editor() { return dynamic_cast<TDBGridInplaceEdit*>(Grid->GetInplaceEditor()); }
  void OpenEditor() {
    Key(VK_RETURN);
    ASSERT_TRUE(Editor() && Editor()->GetVisible());
  }
  bool CaretShownInEditor() {
    const TCaretInfo Caret = GetCaretInfo();
    return Caret.Wnd == Editor()->GetHandle() && Caret.Visible;
  }
};

}  // namespace

TEST_F(GridEditorDropDown, TheCalendarOpensAtItsMonthsLeastSizeWhateverTheCellsWidth) {
  Key(VK_END);
  OpenEditor();
  ASSERT_EQ(Editor()->GetEditStyle(), esDateCalendarEh);
  for (bool WeekNumbers : {false, true}) {
    Key(VK_DOWN, THeadlessShift::Alt);
    ASSERT_TRUE(Editor()->GetListVisible());
    TPopupMonthCalendarEh* Calendar = Editor()->GetCalendar();
    TRect Least;
    ASSERT_NE(SendMessage(Calendar->GetHandle(), MCM_GETMINREQRECT, 0, reinterpret_cast<LPARAM>(&Least)), 0);
    EXPECT_EQ(Least, Calendar->GetMinReqRect());
    EXPECT_GT(Least.Width(), Editor()->GetWidth());
    // The month inside the popup's two-pixel border.
    const TRect Shown = GetWindowRect(Calendar->GetHandle());
    EXPECT_EQ(Shown.Width(), Least.Width() + 4) << WeekNumbers;
    EXPECT_EQ(Shown.Height(), Least.Height() + 4) << WeekNumbers;
    EXPECT_EQ(Calendar->GetClientRect(), TRect(0, 0, Least.Width(), Least.Height())) << WeekNumbers;
    Key(VK_ESCAPE);
    ASSERT_FALSE(Editor()->GetListVisible());
    // A wider month next time: the size follows it.
    Calendar->SetWeekNumbers(true);
  }
}

TEST_F(GridEditorDropDown, TheCaretHidesWhileTheCalculatorIsOpenAndComesBackWhenItCloses) {
  Column(1)->SetButtonStyle(cbsDropDown);
  Key(VK_RIGHT);
  OpenEditor();
  ASSERT_EQ(Editor()->GetEditStyle(), esDropDownEh);
  EXPECT_TRUE(CaretShownInEditor());
  Key(VK_DOWN, THeadlessShift::Alt);
  ASSERT_TRUE(Editor()->GetListVisible());
  EXPECT_EQ(Editor()->GetSelLength(), 0);
  EXPECT_FALSE(CaretShownInEditor());
  Display.TypeText(u"7");  // the calculator's key: the caret stays hidden
  EXPECT_FALSE(CaretShownInEditor());
  Key(VK_UP, THeadlessShift::Alt);  // accepted
  ASSERT_FALSE(Editor()->GetListVisible());
  EXPECT_EQ(Editor()->GetText(), u"7");
  EXPECT_TRUE(CaretShownInEditor());
  // Opened and closed again without acceptance: one hide, one show.
  Key(VK_DOWN, THeadlessShift::Alt);
  EXPECT_FALSE(CaretShownInEditor());
  Key(VK_ESCAPE);
  ASSERT_FALSE(Editor()->GetListVisible());
  EXPECT_TRUE(CaretShownInEditor());
  Key(VK_DOWN, THeadlessShift::Alt);
  EXPECT_FALSE(CaretShownInEditor());
}
