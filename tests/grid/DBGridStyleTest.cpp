// The unit's colour and measuring routines and the global style object that
// decides the colours of highlighted cells.

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "DBGridTestSupport.h"

TEST(GridColours, MixingTakesTheWeightedWayBetweenTwoColours) {
  EXPECT_EQ(MixColors(clBlack, clWhite, 255.0 / 3), RGB(85, 85, 85));
  EXPECT_EQ(MixColors(clBlack, clWhite, 0), clBlack);
  EXPECT_EQ(MixColors(RGB(10, 20, 30), RGB(10, 20, 30), 200), RGB(10, 20, 30));
  EXPECT_EQ(BlendColorsEh(clWhite, clBlack, 255), clBlack);
}

TEST(GridColours, LuminatingSoftensTowardAPaleTone) {
  // Each channel: half way to the base, then 60 % toward 225, then darker by a quarter toward 122.
  EXPECT_EQ(LuminateColor(clWhite, clWhite, false), RGB(237, 237, 237));
  EXPECT_EQ(LuminateColor(clBlack, clBlack, false), RGB(135, 135, 135));
  EXPECT_EQ(LuminateColor(clBlack, clBlack, true), RGB(138, 138, 138));
}

TEST(GridRoutines, RectanglesTurnAboutTheirCorner) {
  TRect R(10, 20, 40, 30);
  TransposeRect(R);
  EXPECT_EQ(R, TRect(10, 20, 20, 50));
}

TEST(GridRoutines, FontInfoIsAppliedOnlyWhereItDiffers) {
  TFont From, To;
  From.SetName(u"Arial");
  From.SetSize(12);
  From.SetStyle({fsBold});
  TFontDataEh Info;
  SaveFontInfo(&From, Info);
  Integer Changes = 0;
  To.OnChange = [&](TObject*) { ++Changes; };
  ApplyFontInfo(Info, &To);
  EXPECT_EQ(To.GetName(), u"Arial");
  EXPECT_EQ(To.GetSize(), 12);
  EXPECT_TRUE(To.GetStyle().Contains(fsBold));
  const Integer First = Changes;
  ApplyFontInfo(Info, &To);
  EXPECT_EQ(Changes, First);
}

TEST(GridRoutines, FieldsReadAsIntegersWhereTheyFit) {
  GridUnits Units;
  TMemTableEh Table(nullptr);
  BuildResourceColumns(Table.GetMemTableData());
  AddResource(Table, 7, 0, 1, 1, u"R");
  Table.Open();
  EXPECT_EQ(FieldAsIntegerEh(Table.FieldByName(u"ID_THIS"), -1), 7);
  EXPECT_EQ(FieldAsIntegerEh(Table.FieldByName(u"NAME_THIS"), -1), -1);
  EXPECT_EQ(FieldAsIntegerEh(nullptr, -1), -1);
  std::vector<TField*> Fields{Table.FieldByName(u"ID_THIS"), Table.FieldByName(u"NPP")};
  EXPECT_TRUE(AllFieldsCanModify(Fields));
  EXPECT_TRUE(AllFieldsCanModify({}));
  Table.FieldByName(u"NPP")->SetReadOnly(true);
  EXPECT_FALSE(AllFieldsCanModify(Fields));
  EXPECT_TRUE(IsFieldReadOnlyEh(Table.FieldByName(u"NPP")));
}

TEST(GridRoutines, TheWaitCursorNests) {
  THeadlessDisplay Display;
  Screen->SetCursor(crDefault);
  StartWaitCursor();
  StartWaitCursor();
  EXPECT_EQ(Screen->GetCursor(), crHourGlass);
  StopWaitCursor();
  EXPECT_EQ(Screen->GetCursor(), crHourGlass);
  StopWaitCursor();
  EXPECT_EQ(Screen->GetCursor(), crDefault);
  StopWaitCursor();  // never below nought
  EXPECT_EQ(Screen->GetCursor(), crDefault);
}

namespace {

class Highlight : public GridFixture {
protected:
  TColor Background = clWindow;
  TFont Font;
  bool Ask(Integer Col, Integer Row, TGridDrawState State = {}) {
    Background = clWindow;
    Font.SetColor(clWindowText);
    return GetDBGridEhStyle()->GetHighlightColors(Grid, Col, &Font, Background, false, State,
                                                  Row - Grid->GetTitleRowCount(), Col - 1, Row);
  }
};

}  // namespace

TEST_F(Highlight, TheCurrentCellOfAFocusedGridIsHighlighted) {
  ShowResources();
  Grid->SetFocus();
  Display.ProcessMessages();
  ASSERT_TRUE(Grid->GridFocused());
  // The base grid draws the current cell in the selected state.
  EXPECT_TRUE(Ask(Grid->GetCol(), Grid->GetRow(), {gdSelected}));
  EXPECT_EQ(Background, clHighlight);
  EXPECT_EQ(Font.GetColor(), clHighlightText);
  EXPECT_FALSE(Ask(Grid->GetCol() + 1, Grid->GetRow()));
  EXPECT_EQ(Background, clWindow);
}

TEST_F(Highlight, SelectedCellsAreSoftenedOnATrueColourScreenAndPlainOnAPaletteOne) {
  ShowResources();
  Grid->SetFocus();
  Display.ProcessMessages();
  EXPECT_TRUE(Ask(Grid->GetCol() + 1, Grid->GetRow(), {gdSelected}));
  EXPECT_EQ(Background, LuminateColor(clWindow, clHighlight, true));
  const Integer Saved = GetScreenNumColors();
  SetScreenNumColors(256);
  EXPECT_TRUE(Ask(Grid->GetCol() + 1, Grid->GetRow(), {gdSelected}));
  EXPECT_EQ(Background, clHighlight);
  SetScreenNumColors(Saved);
}

TEST_F(Highlight, WithoutFocusTheSelectionShowsOnlyWhenAlwaysShown) {
  ShowResources();
  ::SetFocus(nullptr);
  ASSERT_FALSE(Grid->GridFocused());
  EXPECT_FALSE(Ask(Grid->GetCol(), Grid->GetRow(), {gdSelected}));
  Grid->SetOptions(Grid->GetOptions() + dgAlwaysShowSelection);
  EXPECT_TRUE(Ask(Grid->GetCol(), Grid->GetRow(), {gdSelected}));
  EXPECT_EQ(Background, clBtnShadow);
  EXPECT_EQ(Font.GetColor(), clHighlightText);
}

TEST_F(Highlight, HighlightedCellsOutsideTheDataAreDark) {
  ShowResources();
  TColor Back = clBtnFace;
  EXPECT_FALSE(GetDBGridEhStyle()->GetCellParams(Grid, &Font, Back, false, false));
  EXPECT_EQ(Back, clBtnFace);
  EXPECT_TRUE(GetDBGridEhStyle()->GetCellParams(Grid, &Font, Back, true, false));
  EXPECT_EQ(Back, RGB(64, 64, 64));
  EXPECT_EQ(Font.GetColor(), clWhite);
}

// Xlib ends the process with exit() when the display goes: the static destructors
// then run while the forms and their grids still live, after the statics of the
// window and font layers that were made later have gone.
TEST_F(Highlight, AProcessThatExitsWhileItsGridsLiveEndsWithoutAFault) {
  ShowResources();
  Grid->SetFocus();
  Display.ProcessMessages();
  std::fflush(nullptr);
  const pid_t Child = fork();
  ASSERT_GE(Child, 0);
  if (Child == 0) std::exit(0);
  int Status = 0;
  ASSERT_EQ(waitpid(Child, &Status, 0), Child);
  EXPECT_TRUE(WIFEXITED(Status)) << "ended by signal " << (WIFSIGNALED(Status) ? WTERMSIG(Status) : 0);
  EXPECT_EQ(WIFEXITED(Status) ? WEXITSTATUS(Status) : -1, 0);
}
