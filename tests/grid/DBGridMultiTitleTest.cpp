// Multi-level titles: the title tree and its errors, the word routines, the tree
// built from captions split at "|", the taller title row, and the painted titles
// (kept as a PNG).

#include <filesystem>

#include "tests/grid/DBGridPaintSupport.h"
#include "tests/grid/DBGridTestSupport.h"

TEST(HeadTree, AddChildAddAndUnionKeepRingsHostsLevelsAndWidths) {
  THeadTreeNode Root(u"Root", 10, 0);
  THeadTreeNode* A = Root.AddChild(&Root, u"a", 40, 50);
  THeadTreeNode* C = Root.AddChild(&Root, u"c", 40, 70);
  THeadTreeNode* B = Root.Add(A, u"b", 40, 60);
  A->WIndent = B->WIndent = C->WIndent = 1;
  ASSERT_EQ(Root.Children(), (std::vector<THeadTreeNode*>{A, B, C}));
  EXPECT_EQ(C->Next, A);
  EXPECT_EQ(A->GetLevel(), 1);

  THeadTreeNode* Group = Root.Union(A, B, u"G", 20);
  EXPECT_EQ(Root.Child, Group);
  EXPECT_EQ(Root.Children(), (std::vector<THeadTreeNode*>{Group, C}));
  EXPECT_EQ(Group->Children(), (std::vector<THeadTreeNode*>{A, B}));
  EXPECT_EQ(A->Host, Group);
  EXPECT_EQ(A->GetLevel(), 2);
  // 50 + 1 + 60 + 1, less one line.
  EXPECT_EQ(Group->Width, 111);
  EXPECT_EQ(A->Height, 20);
  EXPECT_TRUE(Root.Find(B));
  EXPECT_FALSE(Group->Find(C));
}

TEST(HeadTree, NodesOutsideTheTreeAndAnEndBeforeTheStartAreRefusedWithTheirTexts) {
  THeadTreeNode Root(u"Root", 10, 0);
  THeadTreeNode* A = Root.AddChild(&Root, u"a", 40, 50);
  THeadTreeNode* B = Root.AddChild(&Root, u"b", 40, 50);
  THeadTreeNode Stranger(u"x", 1, 1);
  auto MessageOf = [](auto&& Call) {
    try {
      Call();
    } catch (const Exception& E) {
      return E.Message();
    }
    return String(u"no error");
  };
  EXPECT_EQ(MessageOf([&] { Root.Add(&Stranger, u"n", 1, 1); }), u"Node not in Tree");
  EXPECT_EQ(MessageOf([&] { Root.AddChild(&Stranger, u"n", 1, 1); }), u"Node not in Tree");
  EXPECT_EQ(MessageOf([&] { Root.Union(&Stranger, A, u"n", 1); }), u"Node not in Tree");
  EXPECT_EQ(MessageOf([&] { Root.Union(B, A, u"n", 1); }), u"ATo not in level");
  EXPECT_EQ(Root.Children(), (std::vector<THeadTreeNode*>{A, B}));
}

TEST(TitleWords, RunsOfDelimitersCountAsOneAndLeadingOnesAreSkipped) {
  EXPECT_EQ(WordPosition(1, u"||ab|cd", u"|"), 3);
  EXPECT_EQ(WordPosition(2, u"||ab||cd", u"|"), 7);
  EXPECT_EQ(WordPosition(3, u"ab|cd", u"|"), 0);
  EXPECT_EQ(ExtractWord(2, u"Период|Квартал 1", u"|"), u"Квартал 1");
  EXPECT_EQ(ExtractWord(3, u"a|b", u"|"), u"");
  Integer Pos = 0;
  EXPECT_EQ(ExtractWordPos(2, u"a;;b", u";", Pos), u"b");
  EXPECT_EQ(Pos, 4);
}

namespace {

class MultiTitles : public GridFixture {
protected:
  void ShowWithCaptions(std::initializer_list<const char16_t*> Captions, Integer W = 420) {
    MakeGrid(W, 240);
    const char16_t* Fields[] = {u"ID_THIS", u"ID_PARENT", u"ID_TYPE", u"NPP", u"NAME_THIS"};
    size_t I = 0;
    for (const char16_t* Caption : Captions) {
      TColumnEh* Column = Grid->GetColumns()->Add();
      Column->SetFieldName(Fields[I++ % 5]);
      Column->GetTitle()->SetCaption(Caption);
      Column->SetWidth(70);
    }
    Grid->SetUseMultiTitle(true);
    ShowResources();
  }
  THeadTreeNode* Leaf(Integer I) { return Grid->GetLeafNode(I); }
  // The texts of the root's children and below, as "A(x,y),B".
  static String Shape(THeadTreeNode* Node) {
    String Result;
    for (THeadTreeNode* Child : Node->Children()) {
      if (!Result.empty()) Result += u",";
      Result += Child->Text;
      if (Child->Child) Result += u"(" + Shape(Child) + u")";
    }
    return Result;
  }
};

}  // namespace

TEST_F(MultiTitles, AdjacentCaptionsWithACommonFirstPartShareOneUpperCell) {
  ShowWithCaptions({u"A|x", u"A|y", u"B"});
  EXPECT_EQ(Shape(Grid->GetHeadTreeRoot()), u"A(x,y),B");
  EXPECT_EQ(Leaf(0)->Host, Leaf(1)->Host);
  EXPECT_EQ(Leaf(0)->Host->Width, Leaf(0)->Width + 1 + Leaf(1)->Width);
  // A caption without "|" is a single leaf of the full height.
  EXPECT_EQ(Leaf(2)->Host, Grid->GetHeadTreeRoot());
  EXPECT_EQ(Leaf(2)->Height, Leaf(0)->Height + Leaf(0)->Host->Height);
}

TEST_F(MultiTitles, ThreeLevelsNestWhereTheirPartsAgree) {
  ShowWithCaptions({u"X|Y|a", u"X|Y|b", u"X|Z|c"});
  EXPECT_EQ(Shape(Grid->GetHeadTreeRoot()), u"X(Y(a,b),Z(c))");
  EXPECT_EQ(Leaf(0)->GetLevel(), 3);
}

TEST_F(MultiTitles, EqualFirstPartsOfDifferentDepthsGroupAndSeparatedOnesDoNot) {
  ShowWithCaptions({u"A|b", u"A|c|d", u"B", u"A|x"});
  EXPECT_EQ(Shape(Grid->GetHeadTreeRoot()), u"A(b,c(d)),B,A(x)");
}

TEST_F(MultiTitles, AHiddenColumnKeepsItsLeafWithTheHiddenWidth) {
  ShowWithCaptions({u"A|x", u"A|y", u"A|z"});
  Grid->GetColumns()->Items(1)->SetVisible(false);
  Display.ProcessMessages();
  EXPECT_EQ(Shape(Grid->GetHeadTreeRoot()), u"A(x,y,z)");
  EXPECT_EQ(Leaf(1)->Width, -1);  // with column lines
}

TEST_F(MultiTitles, TheTitleRowGrowsForTheLevelsAndShrinksBackWhenSwitchedOff) {
  ShowWithCaptions({u"Период|Квартал 1", u"Период|Квартал 2", u"Итог"});
  const Integer Multi = Grid->GetTitleRowHeight();
  Grid->SetUseMultiTitle(false);
  Display.ProcessMessages();
  EXPECT_LT(Grid->GetTitleRowHeight(), Multi);
  EXPECT_EQ(Grid->GetHeadTreeRoot()->Child, nullptr);
  EXPECT_FALSE(Grid->IsMultiTitleMode());
}

TEST_F(MultiTitles, TheUpperCellIsPaintedAcrossItsColumnsAndKeptAsAPng) {
  ShowWithCaptions({u"Период|Квартал 1", u"Период|Квартал 2", u"Итог|Сумма", u"Код"});
  Grid->GetColumns()->Items(0)->GetTitle()->SetSortMarker(smDownEh);
  Grid->Invalidate();
  Display.ProcessMessages();
  const std::filesystem::path Dir = std::filesystem::path(BORROW_BINARY_DIR) / "test-artifacts";
  std::filesystem::create_directories(Dir);
  ASSERT_TRUE(Display.SnapshotPNG(Grid->GetHandle(), (Dir / "grid-multi-level-titles.png").string()));

  const HWND Wnd = Grid->GetHandle();
  const TRect First = Grid->CellRect(1, 0), Second = Grid->CellRect(2, 0);
  THeadTreeNode* L = Leaf(0);
  const Integer LeafTop = First.Bottom - L->Height + 1;
  // The row line under the upper cell runs across both columns, over the gap between them.
  const Integer LineY = LeafTop - 1;
  EXPECT_EQ(Display.PixelAt(Wnd, First.Right - 1, LineY), ColorToRGB(Grid->GetGridLineColors()->GetDarkColor()));
  // In the upper cell nothing parts the two columns; in the leaves the line or the raised frame does.
  const Integer UpperY = First.Top + (LeafTop - First.Top) / 2;
  EXPECT_EQ(Display.PixelAt(Wnd, First.Right - 1, UpperY + 4), ColorToRGB(clBtnFace));
  EXPECT_NE(Display.PixelAt(Wnd, First.Right - 1, First.Bottom - 3), ColorToRGB(clBtnFace));
  // The upper caption is centred over the two columns: some of its ink lies on both sides of the gap.
  auto HasInk = [&](Integer X0, Integer X1) {
    for (Integer X = X0; X < X1; ++X)
      for (Integer Y = First.Top + 2; Y < LineY - 1; ++Y) {
        const TColor C = Display.PixelAt(Wnd, X, Y);
        if ((C & 0xFF) < 0x60 && ((C >> 8) & 0xFF) < 0x60 && ((C >> 16) & 0xFF) < 0x60) return true;
      }
    return false;
  };
  EXPECT_TRUE(HasInk(First.Right - 20, First.Right - 2));
  EXPECT_TRUE(HasInk(Second.Left + 1, Second.Left + 20));
}

TEST_F(MultiTitles, APressInTheSharedUpperPartIsNoPressOnTheColumnsOwnTitle) {
  ShowWithCaptions({u"A|x", u"A|y"});
  const TRect Cell = Grid->CellRect(1, 0);
  TColumnEh* Column = Grid->GetColumns()->Items(0);
  EXPECT_FALSE(Grid->InTitleLeafPart(Column, Cell, Cell.Top + 2));
  EXPECT_TRUE(Grid->InTitleLeafPart(Column, Cell, Cell.Bottom - 2));
}

TEST_F(MultiTitles, AClickOnTheSharedUpperPartSortsNothingAndOneOnTheColumnsOwnPartDoes) {
  ShowWithCaptions({u"A|x", u"A|y"});
  Grid->SetOptionsEh(Grid->GetOptionsEh() + dghAutoSortMarking);
  const TRect Cell = Grid->CellRect(1, 0);
  TColumnTitleEh* Title = Grid->GetColumns()->Items(0)->GetTitle();
  Title->SetTitleButton(true);
  auto Click = [&](Integer Y) {
    Display.AdvanceClock(GetDoubleClickTime() + 1);
    Display.Click(Grid->GetHandle(), Cell.Left + 10, Y, mbLeft, THeadlessShift::None);
    Display.ProcessMessages();
  };
  Click(Cell.Top + 3);
  EXPECT_EQ(Title->GetSortMarker(), smNoneEh);
  Click(Cell.Bottom - 3);
  EXPECT_EQ(Title->GetSortMarker(), smDownEh);
}
