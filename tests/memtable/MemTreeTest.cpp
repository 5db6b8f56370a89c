// The generic tree: building, moving, levels, visibility, walking and sorting.

#include <gtest/gtest.h>

#include "memtable/MemTreeEh.h"

namespace {

// A tree spelled out as text: "a(b c(d))" lists nodes in pre-order with their children.
String Shape(TTreeListEh& Tree, TBaseTreeNodeEh* Node = nullptr) {
  TBaseTreeNodeEh* n = Node ? Node : Tree.GetRoot();
  String s;
  for (Integer i = 0; i < n->Count(); ++i) {
    if (i) s += u" ";
    TBaseTreeNodeEh* c = n->GetItem(i);
    s += c->GetText();
    if (c->Count()) s += u"(" + Shape(Tree, c) + u")";
  }
  return s;
}

// Levels and indexes agree with the structure everywhere.
void ExpectConsistent(TTreeListEh& Tree) {
  for (TBaseTreeNodeEh* n = Tree.GetFirst(); n; n = Tree.GetNext(n)) {
    EXPECT_EQ(n->GetLevel(), n->GetParent()->GetLevel() + 1);
    EXPECT_EQ(n->GetParent()->GetItem(n->GetIndex()), n);
  }
}

struct TreeFixture : ::testing::Test {
  TTreeListEh Tree{TBaseTreeNodeEh::StaticClass()};
  TBaseTreeNodeEh *A, *B, *C, *D, *E;
  // A(B(D) C(E))
  void SetUp() override {
    A = Tree.AddChild(u"A", nullptr, nullptr);
    B = Tree.AddChild(u"B", A, nullptr);
    C = Tree.AddChild(u"C", A, nullptr);
    D = Tree.AddChild(u"D", B, nullptr);
    E = Tree.AddChild(u"E", C, nullptr);
  }
};

TEST_F(TreeFixture, ChildrenKnowTheirLevelAndPosition) {
  EXPECT_EQ(Shape(Tree), u"A(B(D) C(E))");
  EXPECT_EQ(Tree.GetRoot()->GetLevel(), 0);
  EXPECT_EQ(D->GetLevel(), 3);
  EXPECT_EQ(C->GetIndex(), 1);
  EXPECT_TRUE(A->GetHasChildren());
  ExpectConsistent(Tree);
}

TEST_F(TreeFixture, MovingUnderItsOwnDescendantRaisesAndChangesNothing) {
  try {
    Tree.MoveTo(A, D, true, naAddChildEh);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), u"Reference-loop found");
  }
  EXPECT_THROW(Tree.MoveTo(B, B, true, naAddChildEh), Exception);
  EXPECT_EQ(Shape(Tree), u"A(B(D) C(E))");
}

TEST_F(TreeFixture, MovesKeepSubtreesAndFixLevels) {
  Tree.MoveTo(C, D, true, naAddChildEh);
  EXPECT_EQ(Shape(Tree), u"A(B(D(C(E))))");
  EXPECT_EQ(E->GetLevel(), 5);
  Tree.MoveTo(C, A, true, naInsertEh);
  EXPECT_EQ(Shape(Tree), u"C(E) A(B(D))");
  Tree.MoveTo(D, C, true, naAddChildFirstEh);
  EXPECT_EQ(Shape(Tree), u"C(D E) A(B)");
  Tree.MoveTo(B, E, true, naAddFirstEh);
  EXPECT_EQ(Shape(Tree), u"C(B D E) A");
  EXPECT_FALSE(A->GetHasChildren());
  Tree.MoveTo(A, B, true, naAddEh);
  EXPECT_EQ(Shape(Tree), u"C(B D E A)");
  ExpectConsistent(Tree);
}

TEST_F(TreeFixture, AttachingNextToTheRootDoesNothing) {
  for (TNodeAttachModeEh mode : {naAddEh, naAddFirstEh, naInsertEh}) {
    TBaseTreeNodeEh* n = Tree.CreateNode(u"X", nullptr);
    Tree.AttachNode(n, nullptr, true, mode);
    EXPECT_EQ(n->GetParent(), nullptr);
    delete n;
  }
  TBaseTreeNodeEh* n = Tree.CreateNode(u"X", nullptr);
  Tree.AttachNode(n, nullptr, true, naAddChildFirstEh);
  EXPECT_EQ(Shape(Tree), u"X A(B(D) C(E))");
}

TEST_F(TreeFixture, NodesOfAnotherTreeAreRefused) {
  TTreeListEh other(TBaseTreeNodeEh::StaticClass());
  TBaseTreeNodeEh* stranger = other.CreateNode(u"S", nullptr);
  try {
    A->Add(stranger);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), u"TBaseTreeNodeEh.Add: Tree nodes can not has different Owners");
  }
  EXPECT_THROW(A->Insert(0, stranger), Exception);
  EXPECT_EQ(A->Count(), 2);
  delete stranger;
}

TEST_F(TreeFixture, TooDeepIsRefusedBeforeAnythingChanges) {
  Tree.SetMaxLevel(3);
  try {
    Tree.AddChild(u"F", D, nullptr);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), u"TBaseTreeNodeEh.SetLevel: Max level exceed - 3");
  }
  EXPECT_EQ(D->Count(), 0);
  // C(E) under D would put E at level 5: refused, C stays where it was.
  EXPECT_THROW(Tree.MoveTo(C, D, true, naAddChildEh), Exception);
  EXPECT_EQ(Shape(Tree), u"A(B(D) C(E))");
  EXPECT_THROW(B->SetLevel(3), Exception);
  EXPECT_EQ(B->GetLevel(), 2);
  EXPECT_EQ(D->GetLevel(), 3);
  ExpectConsistent(Tree);
}

TEST(Tree, MaxLevelTwoTakesNoThirdLevel) {
  TTreeListEh tree(TBaseTreeNodeEh::StaticClass());
  tree.SetMaxLevel(2);
  TBaseTreeNodeEh* second = tree.AddChild(u"b", tree.AddChild(u"a", nullptr, nullptr), nullptr);
  EXPECT_EQ(second->GetLevel(), 2);
  try {
    tree.AddChild(u"c", second, nullptr);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), u"TBaseTreeNodeEh.SetLevel: Max level exceed - 2");
  }
}

TEST(Tree, ADeepChainReachesMaxLevelAndGoesAway) {
  TTreeListEh tree(TBaseTreeNodeEh::StaticClass());
  TBaseTreeNodeEh* n = nullptr;
  for (int i = 0; i < 1000; ++i) n = tree.AddChild(u"n", n, nullptr);
  EXPECT_EQ(n->GetLevel(), 1000);
  EXPECT_THROW(tree.AddChild(u"deeper", n, nullptr), Exception);
  Integer count = 0;
  for (TBaseTreeNodeEh* k = tree.GetFirst(); k; k = tree.GetNext(k)) ++count;
  EXPECT_EQ(count, 1000);
}

TEST_F(TreeFixture, HiddenChildrenLeaveTheVisibleList) {
  TBaseTreeNodeEh* F = Tree.AddChild(u"F", A, nullptr);
  C->SetVisible(false);
  EXPECT_EQ(A->GetVisibleCount(), 2);
  EXPECT_EQ(A->VisibleItems(1), F);
  EXPECT_EQ(F->GetVisibleIndex(), 1);
  TBaseTreeNodeEh* G = Tree.AddChild(u"G", A, nullptr);  // the list is rebuilt: G counts, C does not
  EXPECT_EQ(A->GetVisibleCount(), 3);
  EXPECT_EQ(A->VisibleItems(2), G);
  for (TBaseTreeNodeEh* n : {B, F, G}) n->SetVisible(false);
  EXPECT_EQ(A->GetVisibleCount(), 0);
  EXPECT_FALSE(A->GetHasChildren());
  EXPECT_EQ(A->Count(), 4);
}

TEST_F(TreeFixture, ExpandAndCollapseWholeBranches) {
  Tree.FullExpand(nullptr, true);
  EXPECT_TRUE(A->GetExpanded() && B->GetExpanded() && C->GetExpanded());
  EXPECT_FALSE(D->GetExpanded());
  EXPECT_FALSE(Tree.GetRoot()->GetExpanded());
  D->SetExpanded(true);
  Tree.FullCollapse(nullptr, true);
  for (TBaseTreeNodeEh* n : {A, B, C, D, E}) EXPECT_FALSE(n->GetExpanded());
}

TEST_F(TreeFixture, ARefusedExpansionStaysAsItWas) {
  int changed = 0;
  Tree.OnExpandedChanging = [](TObject*, TBaseTreeNodeEh* Node, bool& Allow) { Allow = Node->GetText() != u"B"; };
  Tree.OnExpandedChanged = [&](TObject*, TBaseTreeNodeEh*) { ++changed; };
  B->SetExpanded(true);
  EXPECT_FALSE(B->GetExpanded());
  EXPECT_EQ(changed, 0);
  C->SetExpanded(true);
  EXPECT_TRUE(C->GetExpanded());
  EXPECT_EQ(changed, 1);
}

TEST_F(TreeFixture, WalksInPreOrderBothWays) {
  String forward, backward;
  TBaseTreeNodeEh* last = nullptr;
  for (TBaseTreeNodeEh* n = Tree.GetFirst(); n; n = Tree.GetNext(n)) {
    forward += n->GetText();
    last = n;
  }
  EXPECT_EQ(forward, u"ABDCE");
  for (TBaseTreeNodeEh* n = last; n; n = Tree.GetPrevious(n)) backward += n->GetText();
  EXPECT_EQ(backward, u"ECDBA");
  EXPECT_EQ(Tree.GetLastDescendant(nullptr), E);
  EXPECT_EQ(Tree.GetNextSibling(B), C);
  EXPECT_EQ(Tree.GetPrevSibling(B), nullptr);
  EXPECT_EQ(Tree.FindNodeByData(nullptr, nullptr), A);
  int tag = 0;
  E->SetData(&tag);
  EXPECT_EQ(Tree.FindNodeByData(nullptr, &tag), E);
  EXPECT_EQ(Tree.FindNodeByData(B, &tag), nullptr);
}

TEST_F(TreeFixture, ShownNodesFollowVisibilityAndExpansion) {
  auto shown = [this](bool expanded) {
    String s;
    for (TBaseTreeNodeEh* n = Tree.GetFirstVisible(); n; n = Tree.GetNextVisible(n, expanded)) s += n->GetText();
    return s;
  };
  EXPECT_EQ(shown(false), u"ABDCE");
  EXPECT_EQ(shown(true), u"A");
  A->SetExpanded(true);
  C->SetExpanded(true);
  EXPECT_EQ(shown(true), u"ABCE");
  B->SetVisible(false);  // hidden with its subtree
  EXPECT_EQ(shown(false), u"ACE");
  EXPECT_TRUE(Tree.AreAncestorsVisible(E, true));
  EXPECT_FALSE(Tree.AreAncestorsVisible(D, false));
}

TEST_F(TreeFixture, DeletingANodeFreesItsSubtree) {
  Tree.DeleteNode(B, true);
  EXPECT_EQ(Shape(Tree), u"A(C(E))");
  EXPECT_EQ(C->GetIndex(), 0);
  Tree.Clear();
  EXPECT_EQ(Shape(Tree), u"");
}

TEST(Tree, SortingOrdersEveryLevelAndKeepsTheVisibleList) {
  TTreeListEh tree(TBaseTreeNodeEh::StaticClass());
  for (const char16_t* t : {u"d", u"b", u"a", u"c"}) {
    TBaseTreeNodeEh* n = tree.AddChild(t, nullptr, nullptr);
    for (const char16_t* s : {u"3", u"1", u"2"}) tree.AddChild(s, n, nullptr);
  }
  tree.GetFirst()->SetVisible(false);  // "d"
  tree.SortData([](TBaseTreeNodeEh* a, TBaseTreeNodeEh* b, TObject*) { return a->GetText().compare(b->GetText()); },
                nullptr, true);
  EXPECT_EQ(Shape(tree), u"a(1 2 3) b(1 2 3) c(1 2 3) d(1 2 3)");
  EXPECT_EQ(tree.GetRoot()->GetVisibleCount(), 3);
  EXPECT_EQ(tree.GetRoot()->VisibleItems(2)->GetText(), u"c");
  ExpectConsistent(tree);
}

}  // namespace
