// The row panel through real messages: every record painted as a panel of its
// columns' cells under a panel of titles (kept as a PNG, probed by pixel), the
// keys moving from record to record or from cell to cell, Tab in either order,
// clicks on panel cells and titles, the cell editor over the edited panel cell,
// and the filter row's editor over the column's cell in the filter panel.

#include <filesystem>

#include "tests/grid/DBGridPaintSupport.h"
#include "tests/grid/GridInputTestSupport.h"

namespace {

// Records 1..5; the panel: ID_THIS on line 0 at the left, NPP under it on
// line 1, NAME_THIS right of both, two lines high. Lines are 17 pixels and
// one line apart, so a record's panel is 35 pixels high.
class RowPanel : public GridInput {
protected:
  TColumnEh* Id() { return Column(0); }
  TColumnEh* Npp() { return Column(1); }
  TColumnEh* Name() { return Column(2); }
  void ShowPanels(Integer Records = 5) {
    ShowRecords(Records);
    Npp()->SetInRowLinePos(1);
    Name()->SetInRowLineHeight(2);
    Grid->GetRowPanel()->SetActive(true);
    Table.First();
    Display.ProcessMessages();
  }
  Integer PanelCol() const { return Grid->DataToRawColumn(0); }
  Integer FirstDataRow() const { return Grid->GetTitleRowCount(); }
  // A column's cell in the panel of a grid row, in client pixels.
  TRect PanelCell(TColumnEh* C, Integer Row, bool Title = false) {
    return Grid->RowPanelCellRect(C, Grid->CellRect(PanelCol(), Row), Title);
  }
  void ClickAt(const TRect& R) {
    Pause();
    Display.Click(Grid->GetHandle(), R.Left + 5, (R.Top + R.Bottom) / 2);
    Display.ProcessMessages();
  }
  void Repaint() {
    Grid->Invalidate();
    Display.ProcessMessages();
  }
  // Pixels inside R that are none of the listed colours: text, marks, lines.
  Integer InkIn(const TRect& R, std::initializer_list<TColor> Backgrounds) {
    Integer Ink = 0;
    for (Integer Y = R.Top; Y < R.Bottom; ++Y)
      for (Integer X = R.Left; X < R.Right; ++X) {
        const auto P = Display.PixelAt(Grid->GetHandle(), X, Y);
        bool Background = false;
        for (TColor C : Backgrounds) Background = Background || P == ColorToRGB(C);
        if (!Background) ++Ink;
      }
    return Ink;
  }
  // Draws the captions and values with the real text engine, keeping the exact metrics of the geometry.
  class InkedText final : public TTextEngine {
  public:
    InkedText() : FPrevious(SetTextEngine(nullptr)), FPango(GetTextEngine()) { SetTextEngine(this); }
    ~InkedText() override { SetTextEngine(FPrevious); }
    TTextMetric GetMetrics(const TFontData& Font) override { return FMetrics.GetMetrics(Font); }
    Integer TextWidth(const TFontData& Font, StringView Text) override { return FMetrics.TextWidth(Font, Text); }
    void DrawLine(cairo_t* Cr, const TFontData& Font, StringView Text, double X, double Y, COLORREF Color) override {
      FPango->DrawLine(Cr, Font, Text, X, Y, Color);
    }

  private:
    TGridTestTextEngine FMetrics;
    TTextEngine* FPrevious;
    TTextEngine* FPango;
  };
  TDBGridInplaceEdit* Editor() { return dynamic_cast<TDBGridInplaceEdit*>(Grid->GetInplaceEditor()); }
  bool EditorShown() { return Editor() && Editor()->GetVisible(); }
};

}  // namespace

// ---- Painting ------------------------------------------------------------------------------------------

TEST_F(RowPanel, EachRecordIsOneGridRowAsHighAsItsPanelAndTheTitlesArePanelsOfTheirOwn) {
  ShowPanels();
  EXPECT_TRUE(Grid->RowPanelPainted());
  EXPECT_EQ(Grid->GetColCount(), PanelCol() + 1);
  EXPECT_EQ(Grid->GetDataRowHeightValue(), 35);
  EXPECT_EQ(Grid->CellRect(PanelCol(), FirstDataRow()).Height(), 35);
  EXPECT_EQ(Grid->GetRowPanelHeight(), 35);
  EXPECT_EQ(Id()->GetRowPanelRect(), TRect(0, 0, 100, 17));
  EXPECT_EQ(Npp()->GetRowPanelRect(), TRect(0, 18, 100, 35));
  EXPECT_EQ(Name()->GetRowPanelRect(), TRect(101, 0, 201, 35));
  // Two title lines, each a single title high.
  const Integer TitleLine = Id()->GetRowPanelTitleRect().Height() + 1;
  EXPECT_EQ(Npp()->GetRowPanelTitleRect().Top, TitleLine);
  EXPECT_EQ(Grid->CellRect(PanelCol(), 0).Height(), 2 * TitleLine - 1);
  // Switching the panel off gives every column its own grid column again.
  Grid->GetRowPanel()->SetActive(false);
  EXPECT_FALSE(Grid->RowPanelPainted());
  EXPECT_EQ(Grid->GetColCount(), Grid->DataToRawColumn(0) + 3);
  EXPECT_EQ(Grid->GetDataRowHeightValue(), 17);
}

TEST_F(RowPanel, ThePanelsArePaintedCellByCellWithTheirLinesAndKeptAsAPng) {
  ShowPanels();
  InkedText Text;
  Table.Next();  // record 2 current, its first cell focused
  Display.ProcessMessages();
  Repaint();
  const std::filesystem::path Dir = std::filesystem::path(BORROW_BINARY_DIR) / "test-artifacts";
  std::filesystem::create_directories(Dir);
  const std::string Path = (Dir / "grid-row-panel.png").string();
  ASSERT_TRUE(Display.SnapshotPNG(Grid->GetHandle(), Path));
  EXPECT_TRUE(std::filesystem::exists(Path));
  const HWND Wnd = Grid->GetHandle();
  const Integer Current = Grid->GetRow();
  // The current record's current cell has the selection colour; its other cells the window's.
  const TRect Focused = PanelCell(Id(), Current);
  EXPECT_EQ(Display.PixelAt(Wnd, Focused.Right - 5, Focused.Top + 3), ColorToRGB(clHighlight));
  const TRect Below = PanelCell(Npp(), Current);
  EXPECT_EQ(Display.PixelAt(Wnd, Below.Right - 5, Below.Top + 3), ColorToRGB(clWindow));
  const TRect Right = PanelCell(Name(), Current);
  EXPECT_EQ(Display.PixelAt(Wnd, Right.Right - 5, Right.Bottom - 3), ColorToRGB(clWindow));
  // Between the upper and lower cell, and between the left cells and the right one, a grid line.
  const auto Window = ColorToRGB(clWindow);
  EXPECT_NE(Display.PixelAt(Wnd, Focused.Left + 50, Focused.Bottom), Window);
  EXPECT_NE(Display.PixelAt(Wnd, Focused.Right, Focused.Top + 5), Window);
  EXPECT_NE(Display.PixelAt(Wnd, Below.Right, Below.Top + 5), Window);
  // Every cell shows its value: ink in the right-hand cell of another record, and in its lower cell.
  const Integer Other = Current + 2;
  EXPECT_GT(InkIn(PanelCell(Name(), Other), {clWindow}), 20);
  EXPECT_GT(InkIn(PanelCell(Npp(), Other), {clWindow}), 5);
  // The titles: the button face in each title cell, the captions in ink.
  const TRect NppTitle = PanelCell(Npp(), 0, true);
  EXPECT_EQ(Display.PixelAt(Wnd, NppTitle.Right - 4, NppTitle.Top + 3), ColorToRGB(clBtnFace));
  EXPECT_GT(InkIn(TRect(NppTitle.Left + 2, NppTitle.Top + 2, NppTitle.Right - 2, NppTitle.Bottom - 2),
                  {clBtnFace, clBtnHighlight, clBtnShadow}),
            10);
}

TEST_F(RowPanel, OnlyTheCurrentCellOfThePanelShowsAsCurrentAndItFollowsTheCurrentColumn) {
  ShowPanels();
  const HWND Wnd = Grid->GetHandle();
  Grid->SetSelectedIndex(2);
  EXPECT_EQ(Grid->GetSelectedIndex(), 2);
  EXPECT_EQ(Grid->GetCurrentColumn(), Name());
  Repaint();
  const TRect Now = PanelCell(Name(), Grid->GetRow());
  const TRect Before = PanelCell(Id(), Grid->GetRow());
  EXPECT_EQ(Display.PixelAt(Wnd, Now.Right - 5, Now.Bottom - 3), ColorToRGB(clHighlight));
  EXPECT_EQ(Display.PixelAt(Wnd, Before.Right - 5, Before.Top + 3), ColorToRGB(clWindow));
}

TEST_F(RowPanel, AFooterRowIsAPanelTooWithEachFooterInItsColumnsCell) {
  ShowPanels();
  Grid->SetFooterRowCount(1);
  Name()->GetFooters()->Add();
  TColumnFooterEh* Footer = Name()->GetFooters()->Items(0);
  Footer->SetValueType(fvtStaticText);
  Footer->SetValue(u"Итого");
  Display.ProcessMessages();
  const Integer FooterRow = Grid->GetRowCount();
  EXPECT_EQ(Grid->CellRect(PanelCol(), FooterRow).Height(), 35);
  PaintGrid Paint(Grid);
  EXPECT_NE(Paint.Text(PanelCell(Name(), FooterRow), u"Итого"), nullptr);
  EXPECT_EQ(Paint.Text(PanelCell(Id(), FooterRow), u"Итого"), nullptr);
}

TEST_F(RowPanel, APanelWiderThanTheWindowScrollsSidewaysToShowTheCurrentCellWhole) {
  ShowPanels();
  Grid->SetBounds(0, 0, 160, 300);  // room for 160 - 12 - 1 pixels of the 201-pixel panel
  Display.ProcessMessages();
  EXPECT_EQ(Grid->GetRowPanelLeftOffset(), 0);
  Grid->SetSelectedIndex(2);
  const TRect Row = Grid->CellRect(PanelCol(), Grid->GetRow());
  EXPECT_EQ(Grid->GetRowPanelLeftOffset(), 201 - Row.Width());
  const TRect Name = PanelCell(this->Name(), Grid->GetRow());
  EXPECT_EQ(Name.Right, Row.Right);
  Key(VK_F2);
  ASSERT_TRUE(EditorShown());
  EXPECT_EQ(Editor()->GetBoundsRect(), Name);
  Key(VK_ESCAPE);
  Key(VK_HOME);  // back to the first cell: its left edge shows again
  EXPECT_EQ(Grid->GetRowPanelLeftOffset(), 0);
}

TEST_F(RowPanel, TheHorizontalBarScrollsAPanelWiderThanTheWindowAndFollowsTheCurrentCell) {
  ShowPanels();
  Grid->SetBounds(0, 0, 160, 300);
  Display.ProcessMessages();
  const Integer Furthest = 201 - Grid->CellRect(PanelCol(), 0).Width();
  auto Bar = [&] {
    TScrollInfo Info;
    Info.fMask = SIF_ALL;
    GetScrollInfo(Grid->GetHandle(), SB_HORZ, Info);
    return Info;
  };
  auto HScroll = [&](Integer Code, Integer Pos = 0) {
    SendMessage(Grid->GetHandle(), WM_HSCROLL, MakeWParam(Code, Pos), 0);
    Display.ProcessMessages();
  };
  ASSERT_TRUE(IsScrollBarVisible(Grid->GetHandle(), SB_HORZ));
  EXPECT_EQ(Bar().nMax + 1 - Integer(Bar().nPage), Furthest);
  EXPECT_EQ(Bar().nPos, 0);
  // The bar moves the panel, not the current cell.
  const TRect Before = PanelCell(Name(), Grid->GetRow());
  HScroll(SB_LINEDOWN);
  const Integer Step = Grid->GetRowPanelLeftOffset();
  EXPECT_GT(Step, 0);
  EXPECT_EQ(PanelCell(Name(), Grid->GetRow()).Left, Before.Left - Step);
  EXPECT_EQ(Grid->GetCurrentColumn(), Id());
  EXPECT_EQ(Bar().nPos, Step);
  HScroll(SB_BOTTOM);
  EXPECT_EQ(Grid->GetRowPanelLeftOffset(), Furthest);
  SetScrollPos(Grid->GetHandle(), SB_HORZ, 20, false);  // the thumb dragged there
  HScroll(SB_THUMBPOSITION, 20);
  EXPECT_EQ(Grid->GetRowPanelLeftOffset(), 20);
  HScroll(SB_TOP);
  EXPECT_EQ(Grid->GetRowPanelLeftOffset(), 0);
  // A current cell brought into view moves the bar with the panel.
  Grid->SetSelectedIndex(2);
  EXPECT_EQ(Grid->GetRowPanelLeftOffset(), Furthest);
  EXPECT_EQ(Bar().nPos, Furthest);
  // A window wide enough for the panel has nothing to scroll.
  Grid->SetBounds(0, 0, 400, 300);
  Display.ProcessMessages();
  EXPECT_FALSE(IsScrollBarVisible(Grid->GetHandle(), SB_HORZ));
  EXPECT_EQ(Grid->GetRowPanelLeftOffset(), 0);
}

TEST_F(RowPanel, ATitleCarriedPastTheWindowsRightEdgeScrollsThePanelTowardsIt) {
  ShowPanels();
  Grid->SetOptionsEh(Grid->GetOptionsEh() + dghColumnMove);
  Grid->SetBounds(0, 0, 160, 300);
  Display.ProcessMessages();
  const TRect IdTitle = PanelCell(Id(), 0, true);
  Pause();
  Display.MouseDown(Grid->GetHandle(), IdTitle.Left + 20, IdTitle.Top + 5);
  Display.MouseMove(Grid->GetHandle(), IdTitle.Left + 60, IdTitle.Top + 5);
  EXPECT_EQ(Grid->GetRowPanelLeftOffset(), 0);
  Display.MouseMove(Grid->GetHandle(), Grid->GetClientWidth() - 1, IdTitle.Top + 5);
  EXPECT_GT(Grid->GetRowPanelLeftOffset(), 0);
  // Esc gives the move up: the column stays where it was.
  Key(VK_ESCAPE);
  Display.MouseUp(Grid->GetHandle(), Grid->GetClientWidth() - 1, IdTitle.Top + 5);
  Display.ProcessMessages();
  EXPECT_EQ(Id()->GetIndex(), 0);
  EXPECT_EQ(Id()->GetRowPanelRect().Left, 0);
}

TEST_F(RowPanel, ATitleHeldStillPastTheEdgeGoesOnScrollingThePanelWithTheClock) {
  ShowPanels();
  Grid->SetOptionsEh(Grid->GetOptionsEh() + dghColumnMove);
  Grid->SetBounds(0, 0, 160, 300);
  Display.ProcessMessages();
  const TRect IdTitle = PanelCell(Id(), 0, true);
  const TRect Row = Grid->CellRect(PanelCol(), 0);
  const Integer Furthest = 201 - Row.Width();
  Pause();
  Display.MouseDown(Grid->GetHandle(), IdTitle.Left + 20, IdTitle.Top + 5);
  Display.MouseMove(Grid->GetHandle(), IdTitle.Left + 60, IdTitle.Top + 5);
  Display.MouseMove(Grid->GetHandle(), Grid->GetClientWidth() - 1, IdTitle.Top + 5);
  const Integer AfterMove = Grid->GetRowPanelLeftOffset();
  ASSERT_GT(AfterMove, 0);
  ASSERT_LT(AfterMove, Furthest);
  // The mouse rests: the panel scrolls on to its end.
  Display.AdvanceClock(20 * 60);
  EXPECT_EQ(Grid->GetRowPanelLeftOffset(), Furthest);
  Display.MouseUp(Grid->GetHandle(), Grid->GetClientWidth() - 1, IdTitle.Top + 5);
  Display.ProcessMessages();
  EXPECT_FALSE(Grid->GetTimerActive());
}

TEST_F(RowPanel, AssigningAnotherGridsRowPanelTakesOnlyWhetherItIsActive) {
  ShowRecords(5);
  TDBGridEh Second(nullptr);
  Second.GetRowPanel()->SetActive(true);
  Second.GetRowPanel()->SetNavKeysNavigationType(rpntCellToCellEh);
  Grid->SetRowPanel(Second.GetRowPanel());
  EXPECT_TRUE(Grid->GetRowPanel()->GetActive());
  EXPECT_EQ(Grid->GetRowPanel()->GetNavKeysNavigationType(), rpntRowToRowEh);
  EXPECT_EQ(Grid->GetColCount(), PanelCol() + 1);
  Grid->SetRowPanel(nullptr);  // only a grid being loaded takes nothing as "on"
  EXPECT_TRUE(Grid->GetRowPanel()->GetActive());
  Second.GetRowPanel()->SetActive(false);
  Grid->SetRowPanel(Second.GetRowPanel());
  EXPECT_FALSE(Grid->GetRowPanel()->GetActive());
  EXPECT_EQ(Grid->GetColCount(), Grid->DataToRawColumn(0) + 3);
}

TEST_F(RowPanel, FittedColumnsScaleThePanelToTheWindowsWidth) {
  ShowPanels();
  Grid->SetAutoFitColWidths(true);
  Display.ProcessMessages();
  const Integer Room = Grid->GetClientWidth() - Grid->GetIndicatorWidth() - 1;
  EXPECT_NEAR(Grid->GetRowPanelWidth(), Room, 2);
  EXPECT_NEAR(Name()->GetRowPanelRect().Right, Room, 2);
  EXPECT_EQ(Id()->GetWidth(), Npp()->GetWidth());
}

// ---- Keys ------------------------------------------------------------------------------------------------

TEST_F(RowPanel, RowToRowKeysMoveByRecordsAndLeftAndRightStepThroughTheVisibleColumns) {
  ShowPanels();
  Key(VK_DOWN);
  EXPECT_EQ(CurrentId(), 2);
  EXPECT_EQ(Grid->GetCurrentColumn(), Id());
  Key(VK_RIGHT);
  EXPECT_EQ(Grid->GetCurrentColumn(), Npp());
  Key(VK_RIGHT);
  EXPECT_EQ(Grid->GetCurrentColumn(), Name());
  Key(VK_RIGHT);  // the last column stays
  EXPECT_EQ(Grid->GetCurrentColumn(), Name());
  Key(VK_UP);
  EXPECT_EQ(CurrentId(), 1);
  EXPECT_EQ(Grid->GetCurrentColumn(), Name());
  Key(VK_HOME);
  EXPECT_EQ(Grid->GetCurrentColumn(), Id());
  Key(VK_END);
  EXPECT_EQ(Grid->GetCurrentColumn(), Npp());  // the last cell of the last line
  EXPECT_EQ(CurrentId(), 1);
}

TEST_F(RowPanel, CellToCellKeysGoUpAndDownInsideThePanelAndOnToTheNeighbouringRecord) {
  ShowPanels();
  Grid->GetRowPanel()->SetNavKeysNavigationType(rpntCellToCellEh);
  Key(VK_UP);  // the top cell of the first record stays
  EXPECT_EQ(CurrentId(), 1);
  EXPECT_EQ(Grid->GetCurrentColumn(), Id());
  Key(VK_DOWN);
  EXPECT_EQ(CurrentId(), 1);
  EXPECT_EQ(Grid->GetCurrentColumn(), Npp());
  Key(VK_DOWN);  // from the bottom cell to the next record's top cell of the same vertical line
  EXPECT_EQ(CurrentId(), 2);
  EXPECT_EQ(Grid->GetCurrentColumn(), Id());
  Key(VK_UP);  // from the top cell to the previous record's bottom cell
  EXPECT_EQ(CurrentId(), 1);
  EXPECT_EQ(Grid->GetCurrentColumn(), Npp());
  Key(VK_RIGHT);  // NAME_THIS spans NPP's line too: it lies right of NPP
  EXPECT_EQ(Grid->GetCurrentColumn(), Name());
  Key(VK_DOWN);  // NAME_THIS fills the panel's height: on to the next record
  EXPECT_EQ(CurrentId(), 2);
  EXPECT_EQ(Grid->GetCurrentColumn(), Name());
  Key(VK_LEFT);  // of the two cells left of it, the upper one
  EXPECT_EQ(Grid->GetCurrentColumn(), Id());
  Key(VK_LEFT);  // nothing left of the first cell: it stays
  EXPECT_EQ(Grid->GetCurrentColumn(), Id());
  Key(VK_RIGHT, THeadlessShift::Ctrl);  // to the last cell of the last line
  EXPECT_EQ(Grid->GetCurrentColumn(), Npp());
}

TEST_F(RowPanel, TabGoesDownFirstOrAlongTheLinesAndOnToTheNextRecord) {
  ShowPanels();
  Key(VK_TAB);
  EXPECT_EQ(Grid->GetCurrentColumn(), Npp());
  Key(VK_TAB);
  EXPECT_EQ(Grid->GetCurrentColumn(), Name());
  Key(VK_TAB);
  EXPECT_EQ(CurrentId(), 2);
  EXPECT_EQ(Grid->GetCurrentColumn(), Id());
  Key(VK_TAB, THeadlessShift::Shift);
  EXPECT_EQ(CurrentId(), 1);
  EXPECT_EQ(Grid->GetCurrentColumn(), Name());

  Grid->GetRowPanel()->SetTabNavigationType(rpntLeftToRightPriorityEh);
  Key(VK_HOME);
  Key(VK_TAB);
  EXPECT_EQ(Grid->GetCurrentColumn(), Name());
  Key(VK_TAB);
  EXPECT_EQ(Grid->GetCurrentColumn(), Npp());
  Key(VK_TAB);
  EXPECT_EQ(CurrentId(), 2);
  EXPECT_EQ(Grid->GetCurrentColumn(), Id());
}

TEST_F(RowPanel, UpAndDownKeepToTheColumnTheyStartedFromAcrossAWiderCell) {
  ShowRecords(5);
  // Line 0: ID_THIS and NPP side by side; line 1: NAME_THIS under both; line 2: ID_PARENT and ID_TYPE.
  TColumnEh* Parent = Grid->GetColumns()->Add();
  Parent->SetFieldName(u"ID_PARENT");
  TColumnEh* Type = Grid->GetColumns()->Add();
  Type->SetFieldName(u"ID_TYPE");
  for (TColumnEh* C : {Id(), Npp(), Parent, Type}) C->SetWidth(50);
  Name()->SetWidth(101);
  Name()->SetInRowLinePos(1);
  Parent->SetInRowLinePos(2);
  Type->SetInRowLinePos(2);
  Grid->GetRowPanel()->SetActive(true);
  Grid->GetRowPanel()->SetNavKeysNavigationType(rpntCellToCellEh);
  Display.ProcessMessages();
  TDBGridColumnsEh* Columns = Grid->GetColumns();
  // Without a remembered start the cell below a wide one is the leftmost under it.
  EXPECT_EQ(Columns->NearestColumnBelow(Name()), Parent);
  EXPECT_EQ(Columns->NearestColumnAbove(Name()), Id());
  EXPECT_EQ(Columns->BottommostColumnOf(Npp()), Parent);
  EXPECT_EQ(Columns->TopmostColumnOf(Type), Id());
  Columns->SetNavigationStartColumn(Npp());
  EXPECT_EQ(Columns->BottommostColumnOf(Npp()), Type);
  EXPECT_EQ(Columns->TopmostColumnOf(Type), Npp());
  Columns->SetNavigationStartColumn(nullptr);
  // The panel rule: along the line, then the nearest later line's leftmost cell.
  EXPECT_EQ(Columns->FindNextEditableColumn(Id(), true), Npp());
  EXPECT_EQ(Columns->FindNextEditableColumn(Npp(), true), Name());
  EXPECT_EQ(Columns->FindNextEditableColumn(Parent, false), Name());
  EXPECT_EQ(Columns->LastEditableColumn(), Type);

  Grid->SetSelectedIndex(Npp()->GetIndex());
  Key(VK_DOWN);
  EXPECT_EQ(Grid->GetCurrentColumn(), Name());
  Key(VK_DOWN);  // lined up with NPP, where the run started
  EXPECT_EQ(Grid->GetCurrentColumn(), Type);
  Key(VK_UP);
  Key(VK_UP);
  EXPECT_EQ(Grid->GetCurrentColumn(), Npp());
  // A sideways move ends the run: from NAME_THIS down is the leftmost cell again.
  Key(VK_DOWN);
  Key(VK_LEFT);
  Key(VK_RIGHT);
  Key(VK_DOWN);
  EXPECT_EQ(Grid->GetCurrentColumn(), Parent);
}

// ---- Mouse -----------------------------------------------------------------------------------------------

TEST_F(RowPanel, AClickOnAPanelCellMakesItsRecordAndItsColumnCurrent) {
  ShowPanels();
  ClickAt(PanelCell(Name(), FirstDataRow() + 2));
  EXPECT_EQ(CurrentId(), 3);
  EXPECT_EQ(Grid->GetCurrentColumn(), Name());
  ClickAt(PanelCell(Npp(), FirstDataRow() + 2));
  EXPECT_EQ(CurrentId(), 3);
  EXPECT_EQ(Grid->GetCurrentColumn(), Npp());
  // A click right of every cell moves the record and leaves the column.
  const TRect Row = Grid->CellRect(PanelCol(), FirstDataRow());
  Pause();
  Display.Click(Grid->GetHandle(), Row.Right - 5, Row.Top + 5);
  Display.ProcessMessages();
  EXPECT_EQ(CurrentId(), 1);
  EXPECT_EQ(Grid->GetCurrentColumn(), Npp());
}

TEST_F(RowPanel, ATitleClickIsReportedForTheTitleCellUnderTheMouse) {
  ShowPanels();
  TColumnEh* Clicked = nullptr;
  Grid->OnTitleClick = [&](TObject*, TColumnEh* C) { Clicked = C; };
  ClickAt(PanelCell(Npp(), 0, true));
  EXPECT_EQ(Clicked, Npp());
  ClickAt(PanelCell(Name(), 0, true));
  EXPECT_EQ(Clicked, Name());
}

// ---- Editors ---------------------------------------------------------------------------------------------

TEST_F(RowPanel, TheCellEditorLiesOverTheEditedPanelCellAndFollowsItWithItsText) {
  ShowPanels();
  Key(VK_DOWN);
  Key(VK_F2);
  ASSERT_TRUE(EditorShown());
  EXPECT_EQ(Editor()->GetBoundsRect(), PanelCell(Id(), Grid->GetRow()));
  EXPECT_EQ(Editor()->GetText(), u"2");
  EXPECT_EQ(Grid->GetRowPanelEditedCell(), (TGridCoord{0, Grid->GetRow()}));
  Grid->SetSelectedIndex(2);
  Grid->ShowEditor();
  ASSERT_TRUE(EditorShown());
  EXPECT_EQ(Editor()->GetBoundsRect(), PanelCell(Name(), Grid->GetRow()));
  EXPECT_EQ(Editor()->GetText(), u"Запись 2");
  EXPECT_EQ(Grid->GetRowPanelEditedCell(), (TGridCoord{2, Grid->GetRow()}));
  // What is typed goes into the edited cell's own field.
  Editor()->SelectAll();
  Display.TypeText(u"Фонд");
  Key(VK_TAB);
  EXPECT_EQ(CurrentId(), 3);
  Table.Prior();
  EXPECT_EQ(Table.FieldByName(u"NAME_THIS")->GetAsString(), u"Фонд");
  EXPECT_EQ(Table.FieldByName(u"ID_THIS")->GetAsInteger(), 2);
}

TEST_F(RowPanel, TheEditorWrapsTextOnlyInAPanelCellOfMoreThanOneLine) {
  ShowPanels();
  for (TColumnEh* C : {Id(), Name()}) C->SetWordWrap(true);
  // A wrapping editor keeps its text on lines of its own: no horizontal scrolling.
  auto Wraps = [&] { return (GetWindowLong(Editor()->GetHandle(), GWL_STYLE) & ES_AUTOHSCROLL) == 0; };
  // The record's panel is two lines high, the identifier's cell one.
  Key(VK_F2);
  ASSERT_TRUE(EditorShown());
  ASSERT_EQ(Grid->GetSelectedIndex(), 0);
  EXPECT_FALSE(Wraps());
  // Down leaves a one-line editor for the next record.
  Key(VK_DOWN);
  EXPECT_EQ(CurrentId(), 2);
  // The name's cell holds two lines: Down moves inside its text.
  Grid->SetSelectedIndex(2);
  Grid->ShowEditor();
  ASSERT_TRUE(EditorShown());
  EXPECT_TRUE(Wraps());
  Key(VK_DOWN);
  EXPECT_EQ(CurrentId(), 2);
  EXPECT_TRUE(EditorShown());
}

TEST_F(RowPanel, TheFilterRowIsAPanelAndItsEditorLiesOverTheClickedColumnsCell) {
  ShowRecords(5);
  Npp()->SetInRowLinePos(1);
  Name()->SetInRowLineHeight(2);
  Grid->GetSTFilter()->SetLocal(true);
  Grid->GetSTFilter()->SetVisible(true);
  Grid->GetRowPanel()->SetActive(true);
  Display.ProcessMessages();
  const Integer FilterRow = Grid->GetTitleRowCount() - 1;
  EXPECT_EQ(Grid->CellRect(PanelCol(), FilterRow).Height(), 35);
  ClickAt(PanelCell(Npp(), FilterRow));
  TInplaceFilterEditEh* Filter = Grid->GetFilterEditor();
  ASSERT_TRUE(Filter && Filter->GetVisible());
  EXPECT_EQ(Filter->GetColumn(), Npp());
  EXPECT_EQ(Filter->GetBoundsRect(), PanelCell(Npp(), FilterRow));
  EXPECT_EQ(Grid->GetCurrentColumn(), Npp());
}

// ---- Sizing and moving cells by their titles ------------------------------------------------------------

TEST_F(RowPanel, DraggingATitlesRightEdgeWidensItAndTheCellsEndingOnTheSameEdge) {
  ShowPanels();
  const TRect IdTitle = PanelCell(Id(), 0, true);
  Pause();
  Display.Drag(Grid->GetHandle(), TPoint(IdTitle.Right, IdTitle.Top + 5), TPoint(IdTitle.Right + 30, IdTitle.Top + 5));
  Display.ProcessMessages();
  EXPECT_EQ(Id()->GetWidth(), 130);
  EXPECT_EQ(Npp()->GetWidth(), 130);  // its right edge was the same
  EXPECT_EQ(Name()->GetWidth(), 100);
  EXPECT_EQ(Name()->GetRowPanelRect().Left, 131);
  EXPECT_EQ(Grid->GetGridState(), gsNormal);
  // With Shift only the dragged cell changes.
  const TRect NppTitle = PanelCell(Npp(), 0, true);
  Pause();
  Display.MouseDown(Grid->GetHandle(), NppTitle.Right, NppTitle.Top + 5, mbLeft, THeadlessShift::Shift);
  Display.MouseMove(Grid->GetHandle(), NppTitle.Right - 40, NppTitle.Top + 5);
  Display.MouseUp(Grid->GetHandle(), NppTitle.Right - 40, NppTitle.Top + 5, mbLeft, THeadlessShift::Shift);
  Display.ProcessMessages();
  EXPECT_EQ(Npp()->GetWidth(), 90);
  EXPECT_EQ(Id()->GetWidth(), 130);
}

TEST_F(RowPanel, ANewEdgeNearAnotherCellsEdgeLinesUpWithItAndATooNarrowWidthIsRefused) {
  ShowPanels();
  Id()->SetWidth(60);  // ID_THIS ends at 60, NPP at 100
  Display.ProcessMessages();
  const TRect IdTitle = PanelCell(Id(), 0, true);
  const TRect NppTitle = PanelCell(Npp(), 0, true);
  Pause();
  Display.Drag(Grid->GetHandle(), TPoint(IdTitle.Right, IdTitle.Top + 5), TPoint(NppTitle.Right - 2, IdTitle.Top + 5));
  Display.ProcessMessages();
  EXPECT_EQ(Id()->GetWidth(), 100);  // snapped to NPP's edge
  Pause();
  Display.Drag(Grid->GetHandle(), TPoint(PanelCell(Name(), 0, true).Right, IdTitle.Top + 5),
               TPoint(PanelCell(Name(), 0, true).Left, IdTitle.Top + 5));
  Display.ProcessMessages();
  EXPECT_EQ(Name()->GetWidth(), 100);
}

TEST_F(RowPanel, DraggingATitlesBottomEdgeGivesItsCellMoreLines) {
  ShowPanels();
  const TRect NameTitle = PanelCell(Name(), 0, true);
  const Integer TitleLine = PanelCell(Id(), 0, true).Height() + 1;
  Pause();
  Display.Drag(Grid->GetHandle(), TPoint(NameTitle.Left + 30, NameTitle.Bottom),
               TPoint(NameTitle.Left + 30, NameTitle.Bottom + TitleLine));
  Display.ProcessMessages();
  EXPECT_EQ(Name()->GetInRowLineHeight(), 3);
  EXPECT_EQ(Npp()->GetInRowLineHeight(), 2);  // it ended on the same line, and follows
  EXPECT_EQ(Id()->GetInRowLineHeight(), 1);
  EXPECT_EQ(Grid->GetDataRowHeightValue(), 3 * 18 - 1);
}

TEST_F(RowPanel, ADoubleClickOnARightEdgeWidensTheCellUpToItsNeighbour) {
  ShowPanels();
  Npp()->SetWidth(50);
  Display.ProcessMessages();
  const TRect NppTitle = PanelCell(Npp(), 0, true);
  Pause();
  Display.DoubleClick(Grid->GetHandle(), NppTitle.Right, NppTitle.Top + 5);
  Display.ProcessMessages();
  EXPECT_EQ(Npp()->GetWidth(), 100);  // up to NAME_THIS, which spans its line
}

TEST_F(RowPanel, ATitleDraggedToAnotherLineMovesItsColumnThereAfterTheCellsLeftOfTheMouse) {
  ShowPanels();
  Grid->SetOptionsEh(Grid->GetOptionsEh() + dghColumnMove);
  const TRect NameTitle = PanelCell(Name(), 0, true);
  const TRect NppTitle = PanelCell(Npp(), 0, true);
  Pause();
  Display.Drag(Grid->GetHandle(), TPoint(NameTitle.Left + 50, NameTitle.Top + 5),
               TPoint(NppTitle.Right + 20, NppTitle.Top + 5), 6);
  Display.ProcessMessages();
  EXPECT_EQ(Name()->GetInRowLinePos(), 1);
  EXPECT_EQ(Name()->GetIndex(), 2);  // after NPP
  EXPECT_EQ(Name()->GetRowPanelRect().Left, 101);
  EXPECT_EQ(Name()->GetRowPanelRect().Top, 18);
  EXPECT_FALSE(GridMoveLineEh()->GetVisible());
  // To the start of the first line: before ID_THIS.
  TColumnEh* Name = this->Name();
  const TRect IdTitle = PanelCell(Id(), 0, true);
  const TRect Moved = PanelCell(Name, 0, true);
  Pause();
  Display.Drag(Grid->GetHandle(), TPoint(Moved.Left + 50, Moved.Top + 5), TPoint(IdTitle.Left + 5, IdTitle.Top + 5), 6);
  Display.ProcessMessages();
  EXPECT_EQ(Name->GetInRowLinePos(), 0);
  EXPECT_EQ(Name->GetIndex(), 0);
  EXPECT_EQ(Name->GetRowPanelRect().Left, 0);
  EXPECT_EQ(Column(1)->GetRowPanelRect().Left, 101);  // ID_THIS now stands right of it
}
