// A data grid in right-to-left mode, as a user meets it. Each test sets up a
// left-to-right grid and a twin whose form is right-to-left, runs the same
// steps on both (the twin's x mirrored) and compares what they show and do:
// the twin paints the first grid mirrored, except that its texts, edit buttons,
// check boxes and raised frames keep their own direction; clicks on the
// mirrored places act on the same cells and buttons.

#include <algorithm>
#include <map>
#include <set>
#include <tuple>

#include "editors/DBCtrlsEh.h"
#include "tests/grid/DBGridPaintSupport.h"
#include "tests/grid/DBGridTestSupport.h"

namespace {

using TSetup = std::function<void(TDBGridEh*)>;

class RightToLeftGrid : public ::testing::Test {
protected:
  THeadlessDisplay Display;
  GridUnits Units;
  TMemTableEh TableA{nullptr}, TableB{nullptr};
  TDataSource SourceA{nullptr}, SourceB{nullptr};
  TDBGridEh* Ltr = nullptr;
  TDBGridEh* Rtl = nullptr;
  std::vector<TForm*> Forms;
  // Odd, so the device-wide dot patterns of focus rectangles fall alike on
  // both sides of the mirror.
  static constexpr Integer W = 501, H = 281;

  void TearDown() override {
    for (TForm* F : Forms) delete F;
  }
  TDBGridEh* MakeOne(TMemTableEh& Table, TDataSource& Source, Integer Left, bool Mirrored, const TSetup& Setup) {
    BuildResourceColumns(Table.GetMemTableData());
    TMTDataStructEh* Struct = Table.GetMemTableData()->GetDataStruct();
    for (Integer I = 0; I < Struct->GetCount(); ++I) Struct->GetItem(I)->SetVisible(true);
    AddResourceTree(Table);
    ShowAsExpandedTree(Table);
    Table.Open();
    Source.SetDataSet(&Table);
    auto* Form = new TForm(Application);
    Forms.push_back(Form);
    Form->SetBorderStyle(bsNone);
    Form->SetBounds(Left, 40, W, H);
    auto* Grid = new TDBGridEh(Form);
    Grid->SetParent(Form);
    Grid->SetBorderStyle(bsNone);
    Grid->SetBounds(0, 0, W, H);
    // Set on the form: the grid takes its parent's mode.
    if (Mirrored) Form->SetBiDiMode(bdRightToLeft);
    Setup(Grid);
    Grid->SetDataSource(&Source);
    Form->Show();
    Display.ProcessMessages();
    return Grid;
  }
  void Make(const TSetup& Setup) {
    Ltr = MakeOne(TableA, SourceA, 20, false, Setup);
    Rtl = MakeOne(TableB, SourceB, 40 + W, true, Setup);
    ASSERT_TRUE(Rtl->UseRightToLeftAlignment());
    ASSERT_EQ(Ltr->GetClientWidth(), W);
  }
  static Integer M(Integer X) { return W - 1 - X; }
  // A rectangle of the twin in the first grid's terms, and back.
  static TRect MR(const TRect& R) { return TRect(M(R.Right - 1), R.Top, M(R.Left) + 1, R.Bottom); }

  std::vector<TColor> Pixels(TDBGridEh* Grid, bool Focus = true) {
    if (Focus) Grid->SetFocus();
    // The mouse rests beyond the columns, at the same place of both.
    Display.MouseMove(Grid->GetHandle(), Grid == Rtl ? M(W - 3) : W - 3, 150);
    Grid->Invalidate();
    Display.ProcessMessages();
    return WindowPixels(Grid, Display);
  }

  // Where the first grid shows content that keeps its direction in the twin:
  // each of these rectangles holds, on one background, blocks of content
  // (texts, buttons, check boxes) apart from each other by three or more
  // columns of background; each block stands at the mirror of its place,
  // unmirrored. Frame3D marks raised cells whose edges keep their light.
  struct TZone {
    TRect R;
    bool Frame3D = false;
    TRect Content;         // within R; empty: all mirrored
    bool Focused = false;  // the edges carry the focus rectangle over what they show: not compared
  };

  // The twin shows the first grid mirrored, but for the zones. A block of a
  // zone may stand two pixels aside (text is aligned with unequal margins on
  // its two sides, and centred content rounds either way).
  void ExpectMirrored(const std::vector<TColor>& A, const std::vector<TColor>& B, const std::vector<TZone>& Zones,
                      const char* What) {
    SCOPED_TRACE(What);
    // For each pixel of the first grid, where the twin shows it (-1: checked apart).
    std::vector<Integer> Twin(size_t(W * H));
    for (Integer Y = 0; Y < H; ++Y)
      for (Integer X = 0; X < W; ++X) Twin[size_t(Y * W + X)] = M(X);
    auto At = [&](const std::vector<TColor>& P, Integer X, Integer Y) { return P[size_t(Y * W + X)]; };
    Integer Wrong = 0, Blocks = 0;
    auto Fail = [&](Integer X, Integer Y, Integer TX, TColor Got) {
      if (++Wrong <= 6)
        ADD_FAILURE() << "pixel " << X << "," << Y << " of the left-to-right grid shows at " << TX << " as " << std::hex
                      << Got << " instead of " << At(A, X, Y);
    };
    for (const TZone& Z : Zones) {
      if (Z.Frame3D) {
        // The edges of a raised cell: the cell's frame moved, not turned round.
        for (Integer Y = Z.R.Top; Y < Z.R.Bottom; ++Y) {
          Twin[size_t(Y * W + Z.R.Left)] = M(Z.R.Right - 1);
          Twin[size_t(Y * W + Z.R.Right - 1)] = M(Z.R.Left);
        }
      }
      if (Z.Focused) {
        for (Integer Y = Z.R.Top; Y < Z.R.Bottom; ++Y)
          for (Integer X = Z.R.Left; X < Z.R.Right; ++X)
            if (Y == Z.R.Top || Y == Z.R.Bottom - 1 || X == Z.R.Left || X == Z.R.Right - 1)
              Twin[size_t(Y * W + X)] = -1;
      }
      const TRect R = Z.Content;
      if (R.IsEmpty()) continue;
      std::map<TColor, Integer> Count;
      for (Integer Y = R.Top; Y < R.Bottom; ++Y)
        for (Integer X = R.Left; X < R.Right; ++X) ++Count[At(A, X, Y)];
      const TColor Back =
          std::max_element(Count.begin(), Count.end(), [](auto& L, auto& Rt) { return L.second < Rt.second; })->first;
      std::vector<bool> Ink(size_t(R.Width()));
      for (Integer X = R.Left; X < R.Right; ++X)
        for (Integer Y = R.Top; Y < R.Bottom; ++Y)
          if (At(A, X, Y) != Back) Ink[size_t(X - R.Left)] = true;
      for (Integer X = R.Left; X < R.Right;) {
        if (!Ink[size_t(X - R.Left)]) {
          ++X;
          continue;
        }
        Integer End = X, Gap = 0;
        for (Integer I = X; I < R.Right && Gap < 3; ++I) {
          if (Ink[size_t(I - R.Left)]) End = I + 1, Gap = 0;
          else ++Gap;
        }
        // The block [X, End) of rows R: unmirrored at its mirror, two pixels aside at most.
        ++Blocks;
        Integer Best = -1, BestWrong = 1 << 30;
        for (Integer Shift : {0, -1, 1, -2, 2}) {
          Integer N = 0;
          for (Integer Y = R.Top; Y < R.Bottom; ++Y)
            for (Integer I = X; I < End; ++I) {
              const Integer TX = M(End - 1) + (I - X) + Shift;
              if (TX < 0 || TX >= W || At(B, TX, Y) != At(A, I, Y)) ++N;
            }
          if (N < BestWrong) BestWrong = N, Best = Shift;
        }
        for (Integer Y = R.Top; Y < R.Bottom; ++Y)
          for (Integer I = X; I < End; ++I) Twin[size_t(Y * W + I)] = M(End - 1) + (I - X) + Best;
        // Around the block the zone's background; the twin's edge pixels the
        // block moved away from are not compared.
        for (Integer Y = R.Top; Y < R.Bottom; ++Y)
          for (Integer D = 1; D <= std::abs(Best); ++D) {
            if (X - D >= R.Left) Twin[size_t(Y * W + X - D)] = -1;
            if (End + D - 1 < R.Right) Twin[size_t(Y * W + End + D - 1)] = -1;
          }
        X = End;
      }
    }
    for (Integer Y = 0; Y < H; ++Y)
      for (Integer X = 0; X < W; ++X) {
        const Integer TX = Twin[size_t(Y * W + X)];
        if (TX < 0) continue;
        if (TX >= W || At(B, TX, Y) != At(A, X, Y)) Fail(X, Y, TX, TX < W ? At(B, TX, Y) : clNone);
      }
    EXPECT_EQ(Wrong, 0);
    EXPECT_GT(Blocks, 0);
  }

  // The zones of the first grid's cells: titles, filter row, footers and
  // data cells hold texts and buttons; the first column's data cells (a tree
  // without texts) and the indicator's images are pure mirrors. Raised cells
  // keep their light; the current cell's edges carry the focus rectangle.
  std::vector<TZone> CellZones(bool RecNo) {
    std::vector<TZone> Zones;
    const TDBGridEhOptions O = Ltr->GetOptionsEh();
    for (Integer C = 0; C < Ltr->GetColCount(); ++C)
      for (Integer R = 0; R < Ltr->GetFullRowCount(); ++R) {
        const TRect Cell = Ltr->CellRect(C, R);
        if (Cell.IsEmpty()) continue;
        Integer DataCol = 0, DataRow = 0;
        const TCellTypeEh T = Ltr->GetCellType(C, R, DataCol, DataRow);
        TZone Z;
        Z.R = Z.Content = Cell;
        if (T.Vert == cavSubTitleEh && T.Horz == cahDataEh) Z.Frame3D = false;
        else if (T.Vert == cavFooterEh) Z.Frame3D = O.Contains(dghFooter3D);
        else if (T.Vert == cavDataEh && T.Horz == cahDataEh) Z.Frame3D = O.Contains(dghData3D);
        else Z.Frame3D = O.Contains(dghFixed3D);
        // Inside the frame, or the focus rectangle of the current cell.
        Z.Focused = C == Ltr->GetCol() && R == Ltr->GetRow() && T.Vert == cavDataEh;
        if (Ltr->GetRowPanel()->GetActive() && T.Horz == cahDataEh) {
          // A panel's row holds a cell per column.
          for (Integer I = 0; I < Ltr->GetVisibleColumns()->Count(); ++I) {
            TZone P = Z;
            P.R = P.Content = Ltr->RowPanelCellRect(Ltr->GetVisibleColumns()->Items(I), Cell, T.Vert != cavDataEh);
            P.Focused = false;
            if (P.Frame3D) InflateRect(P.Content, -1, -1);
            if (T.Vert == cavTitleEh && Ltr->GetVisibleColumns()->Items(I)->GetTitle()->GetSortMarker() != smNoneEh)
              P.Content.Right -= 18;
            if (T.Vert == cavDataEh && I == 0) P.Content = TRect();  // the tree
            Zones.push_back(P);
          }
          continue;
        }
        if (Z.Frame3D || Z.Focused) InflateRect(Z.Content, -1, -1);
        // Sort markers are images: mirrored, as the indicator's.
        if (T.Horz == cahDataEh && T.Vert == cavTitleEh &&
            Ltr->GetColumns()->Items(DataCol)->GetTitle()->GetSortMarker() != smNoneEh)
          Z.Content.Right -= 18;
        // Record numbers before the state image.
        if (T.Horz == cahIndicatorEh) Z.Content.Right -= 9;
        if ((T.Horz == cahIndicatorEh && !RecNo) || (T.Horz == cahDataEh && T.Vert == cavDataEh && DataCol == 0))
          Z.Content = TRect();
        Zones.push_back(Z);
      }
    return Zones;
  }
};

}  // namespace

TEST_F(RightToLeftGrid, PaintsAsTheLeftToRightGridMirroredWithItsTextsAndButtonsUnmirrored) {
  Make([](TDBGridEh* G) {
    for (const char16_t* Name : {u"NAME_THIS", u"NAME_THIS", u"NPP", u"ID_THIS"})
      G->GetColumns()->Add()->SetFieldName(Name);
    TColumnEh* Tree = G->GetColumns()->Items(0);
    // The tree alone, no texts.
    Tree->SetOnGetCellParams([](TObject*, bool, TColCellParamsEh* P) { P->SetText(String()); });
    Tree->SetWidth(150);
    Tree->GetTitle()->SetSortMarker(smDownEh);
    Tree->GetTitle()->SetCaption(u"Ресурс");
    TColumnEh* Buttons = G->GetColumns()->Items(1);
    Buttons->SetWidth(110);
    Buttons->SetButtonStyle(cbsEllipsis);
    Buttons->SetAlwaysShowEditButton(true);
    Buttons->GetTitle()->SetSortMarker(smUpEh);
    G->GetColumns()->Items(2)->SetCheckboxes(true);
    G->SetFooterRowCount(1);
    G->GetColumns()->Items(3)->GetFooter()->SetValueType(fvtSum);
    G->GetSTFilter()->SetVisible(true);
  });
  TableA.Next();
  TableB.Next();
  ExpectMirrored(Pixels(Ltr), Pixels(Rtl), CellZones(false), "tree, buttons, check boxes, footer");
  for (TDBGridEh* G : {Ltr, Rtl}) {
    G->SetOptionsEh(G->GetOptionsEh() + dghShowRecNo + dghFooter3D);
    G->GetRowDetailPanel()->SetActive(true);
  }
  ExpectMirrored(Pixels(Ltr), Pixels(Rtl), CellZones(true), "record numbers, detail buttons");
  // The editor over the cell with a button shows its text and button where the cell did.
  for (TDBGridEh* G : {Ltr, Rtl}) {
    G->SetSelectedIndex(1);
    G->ShowEditor();
  }
  ASSERT_TRUE(Rtl->GetInplaceEditor() && Rtl->GetInplaceEditor()->GetVisible());
  ExpectMirrored(Pixels(Ltr), Pixels(Rtl), CellZones(true), "the editor");
  // An incremental search's prefix is marked where it stands in the text.
  for (TDBGridEh* G : {Ltr, Rtl}) {
    G->SetEditorMode(false);
    G->SetSelectedIndex(3);
    G->SetIncSearchActive(true);
    G->SetIncSearchText(u"1");
  }
  ExpectMirrored(Pixels(Ltr), Pixels(Rtl), CellZones(true), "incremental search");
  // The filter row's editor over a cell, its text typed in.
  std::vector<TColor> Shown[2];
  for (TDBGridEh* G : {Ltr, Rtl}) {
    G->SetIncSearchActive(false);
    G->SetFocus();
    G->ShowFilterEditor(1);
    Display.TypeText(u"Ар");
    Shown[G == Rtl] = Pixels(G, false);
  }
  ExpectMirrored(Shown[0], Shown[1], CellZones(true), "filter row editor");
  // The columns laid out in a panel per record.
  for (TDBGridEh* G : {Ltr, Rtl}) {
    G->ExitFilterEditor();
    G->GetRowDetailPanel()->SetActive(false);
    G->GetRowPanel()->SetActive(true);
  }
  ExpectMirrored(Pixels(Ltr), Pixels(Rtl), CellZones(true), "row panel");
}

TEST_F(RightToLeftGrid, ClicksOnTheMirroredPlacesActOnTheSameTreeNodesButtonsAndColumns) {
  std::map<TDBGridEh*, Integer> ExtraClicks;
  Make([&](TDBGridEh* G) {
    for (const char16_t* Name : {u"NAME_THIS", u"NAME_THIS", u"NPP", u"ID_THIS"})
      G->GetColumns()->Add()->SetFieldName(Name);
    G->GetColumns()->Items(0)->SetWidth(150);
    TColumnEh* Buttons = G->GetColumns()->Items(1);
    Buttons->SetWidth(120);
    Buttons->SetButtonStyle(cbsEllipsis);
    Buttons->SetAlwaysShowEditButton(true);
    TEditButtonEh* Extra = Buttons->GetEditButtons()->Add();
    Extra->OnClick = [&ExtraClicks, G](TObject*, bool& Handled) {
      ++ExtraClicks[G];
      Handled = true;
    };
    G->GetRowDetailPanel()->SetActive(true);
    G->SetOptionsEh(G->GetOptionsEh() + dghAutoSortMarking + dghTraceColSizing);
    G->GetColumns()->Items(3)->GetTitle()->SetTitleButton(true);
  });
  // Everything in the first grid's terms: data row N is grid row N + 1.
  const TRect Tree1 = Ltr->CellRect(1, 1), Tree2 = Ltr->CellRect(1, 2);
  const TRect Name4 = Ltr->CellRect(2, 4), IdTitle = Ltr->CellRect(4, 0);
  const Integer ButtonW = Ltr->GetCellButtonWidth();
  struct Shot {
    TRect Panel, Editor;
    std::vector<TRect> Buttons;  // the editor's, in its own coordinates
    Integer Width = 0;           // the editor's client width
  };
  auto Run = [&](TDBGridEh* G, TMemTableEh& Table, const std::function<Integer(Integer)>& X) -> Shot {
    const HWND Wnd = G->GetHandle();
    G->SetFocus();
    auto Click = [&](Integer PX, Integer PY) {
      Display.AdvanceClock(1000);
      Display.Click(Wnd, X(PX), PY);
    };
    // The expander of the first node, at the leading edge of its row: the node closes.
    Click(Tree1.Left + 9, Tree1.Top + 8);
    EXPECT_EQ(Table.RecordCount(), 4);
    Click(Tree1.Left + 9, Tree1.Top + 8);
    EXPECT_EQ(Table.RecordCount(), 6);
    // The detail box of the second row, after its two levels of tree.
    Click(Tree2.Left + 2 * 18 + 9, Tree2.Top + 8);
    EXPECT_EQ(IdOf(Table), 11);
    EXPECT_TRUE(G->GetRowDetailPanel()->GetVisible());
    const TRect Panel = G->GetRowDetailPanelControl()->GetBoundsRect();
    Click(Tree2.Left + 2 * 18 + 9, Tree2.Top + 8);
    EXPECT_FALSE(G->GetRowDetailPanel()->GetVisible());
    // The extra button at the trailing end of a cell.
    Click(Name4.Right - ButtonW / 2, Name4.Top + 6);
    EXPECT_EQ(IdOf(Table), 20);
    EXPECT_EQ(ExtraClicks[G], 1);
    // A press on a cell's ellipsis opens the editor; its buttons stand where
    // the cell showed them, and the extra one takes the next press.
    Click(Name4.Right - ButtonW - ButtonW / 2, Name4.Top + 6);
    TInplaceEdit* Editor = G->GetInplaceEditor();
    EXPECT_TRUE(Editor && Editor->GetVisible());
    if (!Editor) return Shot{};
    Click(Name4.Right - ButtonW / 2, Name4.Top + 6);
    EXPECT_EQ(ExtraClicks[G], 2);
    Shot S{Panel, Editor->GetBoundsRect(), {}, Editor->GetClientWidth()};
    for (Integer I = 0; I < Editor->GetControlCount(); ++I)
      if (Editor->Controls(I)->GetVisible() && Editor->Controls(I)->GetWidth() > 1)
        S.Buttons.push_back(Editor->Controls(I)->GetBoundsRect());
    // A title: sorted by it.
    Click((IdTitle.Left + IdTitle.Right) / 2, IdTitle.Top + 6);
    EXPECT_EQ(G->GetColumns()->Items(3)->GetTitle()->GetSortMarker(), smDownEh);
    // Its trailing edge dragged outwards, sized live.
    Display.AdvanceClock(1000);
    Display.MouseDown(Wnd, X(IdTitle.Right), IdTitle.Top + 6);
    Display.MouseMove(Wnd, X(IdTitle.Right + 9), IdTitle.Top + 6);
    Display.MouseUp(Wnd, X(IdTitle.Right + 9), IdTitle.Top + 6);
    EXPECT_GT(G->GetColumns()->Items(3)->GetWidth(), IdTitle.Width() + 5);
    return S;
  };
  const Shot A = Run(Ltr, TableA, [](Integer X) { return X; });
  const Shot B = Run(Rtl, TableB, [](Integer X) { return M(X); });
  EXPECT_FALSE(A.Panel.IsEmpty());
  EXPECT_EQ(B.Panel, MR(A.Panel));
  EXPECT_EQ(B.Editor, MR(A.Editor));
  // Inside the editor too, the buttons mirrored.
  ASSERT_EQ(A.Buttons.size(), 2u);
  ASSERT_EQ(B.Buttons.size(), A.Buttons.size());
  for (size_t I = 0; I < A.Buttons.size(); ++I) {
    const TRect R = A.Buttons[I];
    EXPECT_EQ(B.Buttons[I], TRect(A.Width - R.Right, R.Top, A.Width - R.Left, R.Bottom));
  }
  EXPECT_EQ(Rtl->GetColumns()->Items(3)->GetWidth(), Ltr->GetColumns()->Items(3)->GetWidth());
}

TEST_F(RightToLeftGrid, ToolTipsOfCutTextsStandAtTheMirrorOfTheirPlace) {
  Make([](TDBGridEh* G) {
    for (const char16_t* Name : {u"NAME_THIS", u"ID_THIS"}) G->GetColumns()->Add()->SetFieldName(Name);
    TColumnEh* Name = G->GetColumns()->Items(0);
    Name->SetWidth(44);
    Name->SetToolTips(true);
    Name->GetTitle()->SetToolTips(true);
    Name->GetTitle()->SetCaption(u"Наименование");
  });
  // The tip's text and its window's place in the grid's client coordinates.
  auto Tip = [&](TDBGridEh* G, Integer X, Integer Y) {
    Display.MouseMove(G->GetHandle(), X, Y);
    THintInfo Info;
    Info.HintControl = G;
    Info.HintWindowClass = HintWindowClass;
    Info.CursorRect = G->GetClientRect();
    Info.CursorPos = TPoint(X, Y);
    G->Perform(CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&Info));
    TToolTipsWindow Window(nullptr);
    TRect R = Window.CalcHintRect(Info.HintMaxWidth > 0 ? Info.HintMaxWidth : 1000, Info.HintStr, Info.HintData);
    const TPoint At = G->ScreenToClient(Info.HintPos);
    OffsetRect(R, At.X, At.Y);
    return std::make_pair(Info.HintStr, R);
  };
  const TRect Title = Ltr->CellRect(1, 0), Data = Ltr->CellRect(1, 1);
  for (const TRect& Cell : {Title, Data}) {
    const Integer X = Cell.Left + 20, Y = Cell.Top + 6;
    const auto A = Tip(Ltr, X, Y);
    const auto B = Tip(Rtl, M(X), Y);
    EXPECT_FALSE(A.first.empty());
    EXPECT_EQ(B.first, A.first);
    EXPECT_EQ(B.second, MR(A.second));
  }
}

TEST_F(RightToLeftGrid, ATitlesMirroredFilterButtonOpensItsListAtTheMirror) {
  Make([](TDBGridEh* G) {
    for (const char16_t* Name : {u"NAME_THIS", u"ID_THIS"}) G->GetColumns()->Add()->SetFieldName(Name);
    G->GetColumns()->Items(0)->SetWidth(160);
    G->GetSTFilter()->SetVisible(true);
    G->GetSTFilter()->SetLocation(stflInTitleFilterEh);
    // The list starts with the sort items.
    G->SetOptionsEh(G->GetOptionsEh() + dghAutoSortMarking);
    G->GetColumns()->Items(0)->GetTitle()->SetTitleButton(true);
  });
  const TRect Title = Ltr->CellRect(1, 0);
  std::vector<TRect> Lists;
  std::vector<std::vector<TRect>> Pictures;
  Integer ListWidth = 0;
  for (TDBGridEh* G : {Ltr, Rtl}) {
    SCOPED_TRACE(G == Rtl ? "right-to-left" : "left-to-right");
    G->SetFocus();
    // The button at the trailing end of the title.
    const Integer X = Title.Right - 6;
    Display.AdvanceClock(1000);
    Display.Click(G->GetHandle(), G == Rtl ? M(X) : X, Title.Top + 6);
    Display.ProcessMessages();
    ASSERT_TRUE(G->GetTitleFilterListVisible());
    EXPECT_EQ(G->GetTitleFilterListColumn(), G->GetColumns()->Items(0));
    // Where the list draws its sort items' pictures, in its own coordinates.
    TPopupListboxEh* Box = G->GetTitleFilterList();
    TBitmap Canvas;
    Canvas.SetSize(Box->GetClientWidth(), Box->GetClientHeight());
    TGdiRecorder Recorder;
    SetGdiRecorder(Canvas.GetCanvas()->GetHandle(), &Recorder);
    Box->Perform(WM_PAINT, reinterpret_cast<WPARAM>(Canvas.GetCanvas()->GetHandle()), 0);
    SetGdiRecorder(Canvas.GetCanvas()->GetHandle(), nullptr);
    std::vector<TRect> Images;
    for (const TGdiOp* Op : Recorder.OfKind(gopImage)) Images.push_back(Op->Rect);
    Pictures.push_back(Images);
    ListWidth = Box->GetClientWidth();
    TRect List = G->GetTitleFilterList()->GetBoundsRect();
    const TPoint Origin = G->ClientToScreen(TPoint(0, 0));
    OffsetRect(List, -Origin.X, -Origin.Y);
    Lists.push_back(List);
    G->CloseUpTitleFilterList(false);
  }
  // Under the title, from its leading edge: the right one, right-to-left.
  EXPECT_EQ(Lists[1], MR(Lists[0]));
  // Its sort items' pictures at the mirror inside it.
  ASSERT_EQ(Pictures[0].size(), 2u);
  ASSERT_EQ(Pictures[1].size(), Pictures[0].size());
  for (size_t I = 0; I < Pictures[0].size(); ++I) {
    const TRect R = Pictures[0][I];
    EXPECT_EQ(Pictures[1][I], TRect(ListWidth - R.Right, R.Top, ListWidth - R.Left, R.Bottom));
  }
}

TEST_F(RightToLeftGrid, RecordsDraggedInATreeTakeTheLevelsAndMoveLinesOfTheLeftToRightGridMirrored) {
  Make([](TDBGridEh* G) {
    for (const char16_t* Name : {u"NAME_THIS", u"ID_THIS"}) G->GetColumns()->Add()->SetFieldName(Name);
    G->GetColumns()->Items(0)->SetWidth(150);
    G->SetOptionsEh(G->GetOptionsEh() + dghRecordMoving);
  });
  // Фонд (level 3, the last row) dragged up over Архивы and Архив, the mouse
  // swept across the first column's tree area; dropped on Архив, deeper.
  const TRect Tree = Ltr->CellRect(1, 5);
  const TRect From = Ltr->CellRect(0, 6);
  struct Step {
    Integer Level;
    TRect Line;
  };
  auto Run = [&](TDBGridEh* G, TMemTableEh& Table, const std::function<Integer(Integer)>& X) {
    SCOPED_TRACE(G == Rtl ? "right-to-left" : "left-to-right");
    const HWND Wnd = G->GetHandle();
    std::vector<Step> Steps;
    Display.AdvanceClock(1000);
    Display.MouseDown(Wnd, X((From.Left + From.Right) / 2), From.Top + 8);
    for (Integer Row : {4, 5})
      for (Integer Offset : {4, 20, 30, 40, 50, 60, 80}) {
        const Integer Y = Ltr->CellRect(1, Row).Top + 8;
        Display.MouseMove(Wnd, X(Tree.Left + Offset), Y);
        EXPECT_TRUE(G->GetMoveLineShown());
        TRect Line = GridMoveLineEh()->GetBoundsRect();
        const TPoint Origin = G->ClientToScreen(TPoint(0, 0));
        OffsetRect(Line, -Origin.X, -Origin.Y);
        Steps.push_back({G->GetMoveToLevel(), Line});
      }
    Display.MouseUp(Wnd, X(Tree.Left + 60), Ltr->CellRect(1, 5).Top + 8);
    Display.ProcessMessages();
    std::vector<Integer> Levels;
    for (Table.First(); !Table.Eof(); Table.Next()) Levels.push_back(Table.GetTreeNodeLevel());
    return std::make_tuple(Steps, Ids(Table), Levels);
  };
  const auto [StepsA, IdsA, LevelsA] = Run(Ltr, TableA, [](Integer X) { return X; });
  const auto [StepsB, IdsB, LevelsB] = Run(Rtl, TableB, [](Integer X) { return M(X); });
  ASSERT_EQ(StepsB.size(), StepsA.size());
  std::set<Integer> Seen;
  for (size_t I = 0; I < StepsA.size(); ++I) {
    SCOPED_TRACE(I);
    Seen.insert(StepsA[I].Level);
    EXPECT_EQ(StepsB[I].Level, StepsA[I].Level);
    EXPECT_EQ(StepsB[I].Line, MR(StepsA[I].Line));
  }
  // The sweep reached more than one level, and the drop moved the record deeper.
  EXPECT_GE(Seen.size(), 2u);
  EXPECT_EQ(IdsB, IdsA);
  EXPECT_EQ(LevelsB, LevelsA);
  EXPECT_NE(LevelsA, (std::vector<Integer>{1, 2, 2, 1, 2, 3}));
}

TEST_F(RightToLeftGrid, TheTreeColumnsEditorLeavesTheTreeAndDetailBoxWhereTheCellShowsThemAndTheBoxOpensThePanel) {
  Make([](TDBGridEh* G) {
    for (const char16_t* Name : {u"NAME_THIS", u"ID_THIS"}) G->GetColumns()->Add()->SetFieldName(Name);
    G->GetColumns()->Items(0)->SetWidth(150);
    G->GetRowDetailPanel()->SetActive(true);
  });
  // Архив: a second-level node with a child, its tree two levels wide and its
  // detail box after them.
  const TRect Cell = Ltr->CellRect(1, 5);
  const TRect Strip(Cell.Left, Cell.Top, Cell.Left + 2 * 18 + 18, Cell.Bottom);
  auto StripOf = [&](TDBGridEh* G, const std::vector<TColor>& P) {
    std::vector<TColor> S;
    for (Integer Y = Strip.Top; Y < Strip.Bottom; ++Y)
      for (Integer X = Strip.Left; X < Strip.Right; ++X) S.push_back(P[size_t(Y * W + (G == Rtl ? M(X) : X))]);
    return S;
  };
  std::vector<TColor> Shown[2];
  for (TDBGridEh* G : {Ltr, Rtl}) {
    SCOPED_TRACE(G == Rtl ? "right-to-left" : "left-to-right");
    TMemTableEh& Table = G == Rtl ? TableB : TableA;
    Table.First();
    Table.MoveBy(4);
    ASSERT_EQ(IdOf(Table), 21);
    G->SetSelectedIndex(0);
    const std::vector<TColor> Plain = StripOf(G, Pixels(G));
    G->ShowEditor();
    ASSERT_TRUE(G->GetInplaceEditor() && G->GetInplaceEditor()->GetVisible());
    Shown[G == Rtl] = StripOf(G, Pixels(G));
    // With its editor the row shows its tree and box as it did without.
    EXPECT_EQ(Shown[G == Rtl], Plain);
    // A click on the box opens the panel; the node stays expanded.
    const Integer X = Cell.Left + 2 * 18 + 9;
    Display.AdvanceClock(1000);
    Display.Click(G->GetHandle(), G == Rtl ? M(X) : X, Cell.Top + 8);
    Display.ProcessMessages();
    EXPECT_TRUE(G->GetRowDetailPanel()->GetVisible());
    EXPECT_EQ(Table.RecordCount(), 6);
    EXPECT_EQ(IdOf(Table), 21);
  }
  // The twin's strip is the first one's mirrored (the tree holds no text).
  EXPECT_EQ(Shown[1], Shown[0]);
}

TEST_F(RightToLeftGrid, TheHorizontalBarOfAWideRowPanelRunsFromTheRight) {
  Make([](TDBGridEh* G) {
    for (const char16_t* Name : {u"NAME_THIS", u"NPP", u"ID_THIS"}) G->GetColumns()->Add()->SetFieldName(Name);
    for (Integer I = 0; I < 3; ++I) G->GetColumns()->Items(I)->SetWidth(250);
    G->GetRowPanel()->SetActive(true);
  });
  auto Bar = [](TDBGridEh* G) {
    TScrollInfo Info;
    Info.fMask = SIF_ALL;
    GetScrollInfo(G->GetHandle(), SB_HORZ, Info);
    return Info;
  };
  // The arrow towards the panel's far end is the right one left to right and the left one mirrored.
  for (auto [G, Code] : {std::pair{Ltr, SB_LINEDOWN}, std::pair{Rtl, SB_LINEUP}}) {
    ASSERT_TRUE(IsScrollBarVisible(G->GetHandle(), SB_HORZ));
    SendMessage(G->GetHandle(), WM_HSCROLL, MakeWParam(Code, 0), 0);
    Display.ProcessMessages();
  }
  EXPECT_GT(Ltr->GetRowPanelLeftOffset(), 0);
  EXPECT_EQ(Rtl->GetRowPanelLeftOffset(), Ltr->GetRowPanelLeftOffset());
  const TScrollInfo A = Bar(Ltr), B = Bar(Rtl);
  EXPECT_EQ(B.nPos, A.nMax + 1 - Integer(A.nPage) - A.nPos);
  // The same cell stands at the mirror of its place.
  const TRect CellA = Ltr->RowPanelCellRect(Ltr->GetColumns()->Items(1), Ltr->CellRect(1, 1), false);
  const TRect CellB = Rtl->RowPanelCellRect(Rtl->GetColumns()->Items(1), Rtl->CellRect(1, 1), false);
  EXPECT_EQ(CellB, MR(CellA));
}
