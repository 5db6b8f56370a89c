// Tool tips of titles, data cells and footers, decided in the hint record the
// application's hint manager passes: a tip shows only for a text that does not
// fit (or a right-aligned text whose end is out of view), over the text's own
// place, at once for cells with ToolTips; a title's hint wins; Ctrl hides tips.

#include "platform/ui/Forms.h"
#include "tests/grid/GridInputTestSupport.h"

namespace {

class ToolTips : public GridInput {
protected:
  // The record the hint manager would get for the mouse over a cell.
  THintInfo TipAt(Integer Col, Integer Row) {
    const TPoint P = CellCenter(Col, Row);
    Display.MouseMove(Grid->GetHandle(), P.X, P.Y);
    THintInfo Info;
    Info.HintControl = Grid;
    Info.HintWindowClass = HintWindowClass;
    Info.CursorRect = Grid->GetClientRect();
    Info.CursorPos = P;
    Info.HintStr = GetShortHint(Grid->GetHint());
    Grid->Perform(CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&Info));
    return Info;
  }
  Integer PauseAt(Integer Col, Integer Row) {
    const TPoint P = CellCenter(Col, Row);
    Display.MouseMove(Grid->GetHandle(), P.X, P.Y);
    Integer Pause = 777;
    Grid->Perform(CM_HINTSHOWPAUSE, 0, reinterpret_cast<LPARAM>(&Pause));
    return Pause;
  }
  TPoint ScreenOf(Integer X, Integer Y) { return Grid->ClientToScreen(TPoint(X, Y)); }
};

}  // namespace

// ---- Titles -------------------------------------------------------------------------------------------------

TEST_F(ToolTips, ACutTitleShowsItsWholeCaptionAtTheCaptionsPlaceAtOnce) {
  ShowRecords(5);
  Column(2)->GetTitle()->SetToolTips(true);
  Column(2)->SetWidth(40);  // "NAME_THIS" needs 63 pixels
  Display.ProcessMessages();
  const THintInfo Info = TipAt(3, 0);
  EXPECT_EQ(Info.HintStr, u"NAME_THIS");
  const TRect R = Grid->CellRect(3, 0);
  EXPECT_EQ(Info.HintPos, ScreenOf(R.Left - 1, R.Top - 1));
  EXPECT_EQ(Info.CursorRect, R);
  EXPECT_EQ(Info.HintWindowClass, TToolTipsWindow::StaticComponentClass());
  EXPECT_EQ(Info.HintData, Grid->GetHintFont());
  EXPECT_EQ(PauseAt(3, 0), 0);
}

TEST_F(ToolTips, ATitleThatFitsShowsNothing) {
  ShowRecords(5);
  Column(2)->GetTitle()->SetToolTips(true);
  EXPECT_TRUE(TipAt(3, 0).HintStr.empty());
  // Without ToolTips a title leaves the grid's own hint alone, after the usual pause.
  Grid->SetHint(u"Ресурсы");
  Column(1)->SetWidth(20);
  Display.ProcessMessages();
  EXPECT_EQ(TipAt(2, 0).HintStr, u"Ресурсы");
  EXPECT_EQ(PauseAt(2, 0), Application->GetHintPause());
}

TEST_F(ToolTips, ATitlesHintWinsOverItsCaption) {
  ShowRecords(5);
  Column(2)->GetTitle()->SetToolTips(true);
  Column(2)->GetTitle()->SetHint(u"Название|Полное название ресурса");
  Column(2)->SetWidth(40);
  Display.ProcessMessages();
  const THintInfo Info = TipAt(3, 0);
  EXPECT_EQ(Info.HintStr, u"Название");
  EXPECT_EQ(Info.CursorRect, Grid->CellRect(3, 0));
  EXPECT_EQ(PauseAt(3, 0), Application->GetHintPause());
}

TEST_F(ToolTips, HoldingCtrlHidesEveryTip) {
  ShowRecords(5);
  Column(2)->GetTitle()->SetToolTips(true);
  Column(2)->SetWidth(40);
  Display.ProcessMessages();
  SetKeyDown(VK_CONTROL, true);
  EXPECT_TRUE(TipAt(3, 0).HintStr.empty());
  SetKeyDown(VK_CONTROL, false);
  EXPECT_FALSE(TipAt(3, 0).HintStr.empty());
}

// ---- Data cells ---------------------------------------------------------------------------------------------

TEST_F(ToolTips, AFullyShownLeftAlignedTextShowsNoTipAndACutOneDoes) {
  ShowRecords(5);
  Column(2)->SetToolTips(true);
  EXPECT_TRUE(TipAt(3, 2).HintStr.empty());
  EXPECT_EQ(PauseAt(3, 2), 0);
  Column(2)->SetWidth(40);
  Display.ProcessMessages();
  const THintInfo Info = TipAt(3, 2);
  EXPECT_EQ(Info.HintStr, u"Запись 2");
  const TRect R = Grid->CellRect(3, 2);
  EXPECT_EQ(Info.HintPos, ScreenOf(R.Left - 1, R.Top - 1));
  // Without ToolTips the column shows none.
  Column(2)->SetToolTips(false);
  EXPECT_TRUE(TipAt(3, 2).HintStr.empty());
}

TEST_F(ToolTips, ARightAlignedTextWhoseEndIsOutOfViewShowsATipEndingWhereTheTextEnds) {
  ShowRecords(5, true, 250);
  Column(2)->SetFieldName(u"ID_THIS");
  Column(2)->SetToolTips(true);
  Column(0)->SetToolTips(true);
  Display.ProcessMessages();
  ASSERT_EQ(Column(2)->GetAlignment(), taRightJustify);
  // The first column's number ends inside its cell.
  EXPECT_TRUE(TipAt(1, 1).HintStr.empty());
  // The last column is cut by the grid's right edge: its number's end is not shown.
  const TRect R = Grid->CellRect(3, 1);
  ASSERT_LT(R.Right - R.Left, 100);
  const THintInfo Info = TipAt(3, 1);
  EXPECT_EQ(Info.HintStr, u"1");
  const Integer TextRight = R.Left + 100;
  EXPECT_EQ(Info.HintPos, ScreenOf(TextRight + 1 - 7 - 7, R.Top - 1));
}

TEST_F(ToolTips, ADataHintHandlerMakesTheTipItself) {
  ShowRecords(5);
  Grid->OnDataHintShow = [](TObject*, TPoint, TGridCoord Cell, TDBGridEhDataHintParams& Params, bool& Processed) {
    Params.HintStr = u"Строка " + IntToStr(Cell.Y);
    Params.HintPos = TPoint(5, 6);
    Processed = true;
  };
  const THintInfo Info = TipAt(2, 3);
  EXPECT_EQ(Info.HintStr, u"Строка 3");
  EXPECT_EQ(Info.HintPos, ScreenOf(5, 6));
}

TEST_F(ToolTips, ACheckBoxCellsTipIsThePickListItemOfItsState) {
  ShowRecords(5);
  Column(1)->SetFieldName(u"ID_TYPE");  // 0 for every record
  Column(1)->GetKeyList()->SetText(u"0\n1");
  Column(1)->GetPickList()->SetText(u"Группа\nРесурс");
  Column(1)->SetCheckboxes(true);
  Display.ProcessMessages();
  ASSERT_EQ(Column(1)->GetColumnKind(), ckCheckBox);
  // The first key is the checked value: every record is checked.
  Table.SetRecNo(2);
  EXPECT_EQ(Grid->ToolTipText(Column(1)), u"Ресурс");
  Column(1)->GetKeyList()->SetText(u"1\n0");
  EXPECT_EQ(Grid->ToolTipText(Column(1)), u"Группа");
}

// ---- Footers ------------------------------------------------------------------------------------------------

TEST_F(ToolTips, ACutFooterTextShowsItsTip) {
  ShowRecords(5);
  Grid->SetFooterRowCount(1);
  TColumnFooterEh* Footer = Column(2)->GetFooter();
  Footer->SetValueType(fvtStaticText);
  Footer->SetValue(u"Всего записей в таблице");
  Footer->SetToolTips(true);
  Display.ProcessMessages();
  const Integer FooterRow = Grid->GetRowCount();
  EXPECT_EQ(PauseAt(3, FooterRow), 0);
  EXPECT_EQ(TipAt(3, FooterRow).HintStr, u"Всего записей в таблице");
  Footer->SetValue(u"Всего");
  EXPECT_TRUE(TipAt(3, FooterRow).HintStr.empty());
}

// ---- Through the application's hint manager --------------------------------------------------------------

TEST_F(ToolTips, RestingTheMouseOnACutTitleShowsTheTipWindowAndMovingOnHidesIt) {
  ShowRecords(5);
  Grid->SetShowHint(true);
  Column(2)->GetTitle()->SetToolTips(true);
  Column(2)->SetWidth(40);
  Display.ProcessMessages();
  const TPoint Cut = CellCenter(3, 0);
  Display.MouseMove(Grid->GetHandle(), Cut.X, Cut.Y);
  Display.AdvanceClock(50);
  ASSERT_TRUE(Application->GetHintShowing());
  EXPECT_TRUE(dynamic_cast<TToolTipsWindow*>(Application->GetHintWindow()));
  // A title that fits shows none.
  const TPoint Fits = CellCenter(1, 0);
  Display.MouseMove(Grid->GetHandle(), Fits.X, Fits.Y);
  Display.AdvanceClock(1000);
  EXPECT_FALSE(Application->GetHintShowing());
  // Back on the cut title the tip comes again.
  Display.MouseMove(Grid->GetHandle(), Cut.X, Cut.Y);
  Display.AdvanceClock(50);
  EXPECT_TRUE(Application->GetHintShowing());
}
