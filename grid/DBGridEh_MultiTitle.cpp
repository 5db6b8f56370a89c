// Multi-level titles: captions split at "|" become a tree of title cells, one
// leaf per column, with a common cell above adjacent columns whose captions
// begin alike.
//
// Call flow: the layout pass (CalcTitleRowHeight) calls BuildTitleTree, which
// rebuilds the tree from the captions, groups runs level by level, and measures
// each level's height; DrawTitleCell paints a column's leaf and, through
// DrawTitleNodes, the upper levels above it clipped to the column's own cell, so
// every cell repaints on its own and a span still reads as one cell.

#include <algorithm>

#include "grid/DBGridEh.h"

// ---- The tree ------------------------------------------------------------------------------------------

namespace {

const char16_t* const NodeNotInTree = u"Node not in Tree";

}  // namespace

std::vector<THeadTreeNode*> THeadTreeNode::Children() const {
  std::vector<THeadTreeNode*> Result;
  if (!Child) return Result;
  THeadTreeNode* Node = Child;
  do {
    Result.push_back(Node);
    Node = Node->Next;
  } while (Node && Node != Child);
  return Result;
}

void THeadTreeNode::FreeAllChild() {
  std::vector<THeadTreeNode*> Nodes = Children();
  Child = nullptr;
  for (THeadTreeNode* Node : Nodes) delete Node;
}

bool THeadTreeNode::Find(const THeadTreeNode* Node) const {
  if (Node == this) return true;
  for (THeadTreeNode* C : Children())
    if (C->Find(Node)) return true;
  return false;
}

THeadTreeNode* THeadTreeNode::Add(THeadTreeNode* After, const String& AText, Integer AHeight, Integer AWidth) {
  if (!After || !Find(After) || !After->Host) throw Exception(NodeNotInTree);
  auto* Node = new THeadTreeNode(AText, AHeight, AWidth);
  Node->Host = After->Host;
  Node->Next = After->Next;
  After->Next = Node;
  return Node;
}

THeadTreeNode* THeadTreeNode::AddChild(THeadTreeNode* Parent, const String& AText, Integer AHeight, Integer AWidth) {
  if (!Parent || !Find(Parent)) throw Exception(NodeNotInTree);
  auto* Node = new THeadTreeNode(AText, AHeight, AWidth);
  Node->Host = Parent;
  if (!Parent->Child) {
    Parent->Child = Node;
    Node->Next = Node;
    return Node;
  }
  THeadTreeNode* Last = Parent->Child;
  while (Last->Next != Parent->Child) Last = Last->Next;
  Last->Next = Node;
  Node->Next = Parent->Child;
  return Node;
}

Integer THeadTreeNode::GetLevel() const {
  Integer Level = 0;
  for (const THeadTreeNode* Node = Host; Node; Node = Node->Host) ++Level;
  return Level;
}

THeadTreeNode* THeadTreeNode::Union(THeadTreeNode* From, THeadTreeNode* To, const String& AText, Integer AHeight) {
  if (!From || !Find(From) || !From->Host) throw Exception(NodeNotInTree);
  THeadTreeNode* HostNode = From->Host;
  // To must come before the ring closes, walking from From; the first child ends the ring.
  THeadTreeNode* Walk = From;
  while (Walk != To) {
    Walk = Walk->Next;
    if (Walk == HostNode->Child || !Walk) throw Exception(u"ATo not in level");
  }
  THeadTreeNode* Before = HostNode->Child;
  while (Before->Next != From) Before = Before->Next;

  auto* Node = new THeadTreeNode(AText, AHeight, 0);
  Node->Host = HostNode;
  Node->WIndent = To->WIndent;
  const bool WholeRing = To->Next == From;
  Node->Next = WholeRing ? Node : To->Next;
  if (Before != To) Before->Next = Node;
  if (HostNode->Child == From) HostNode->Child = Node;

  Integer Sum = 0;
  for (THeadTreeNode* N = From;; N = N->Next) {
    N->Host = Node;
    N->Height -= AHeight;
    Sum += N->Width + N->WIndent;
    if (N == To) break;
  }
  To->Next = From;
  Node->Child = From;
  Node->Width = Node->WIndent >= 1 ? Sum - Node->WIndent : Sum;
  return Node;
}

// ---- Words --------------------------------------------------------------------------------------------------

namespace {

bool IsDelim(char16_t C, const String& Delims) {
  // Only single-byte characters can be delimiters.
  return C < 0x100 && Delims.find(C) != String::npos;
}

}  // namespace

Integer WordPosition(Integer N, const String& S, const String& Delims) {
  Integer Count = 0;
  size_t I = 0;
  while (I < S.size() && Count != N) {
    while (I < S.size() && IsDelim(S[I], Delims)) ++I;
    if (I < S.size()) {
      ++Count;
      if (Count == N) return Integer(I) + 1;
      while (I < S.size() && !IsDelim(S[I], Delims)) ++I;
    }
  }
  return 0;
}

String ExtractWordPos(Integer N, const String& S, const String& Delims, Integer& Pos) {
  Pos = WordPosition(N, S, Delims);
  if (Pos == 0) return String();
  size_t End = size_t(Pos - 1);
  while (End < S.size() && !IsDelim(S[End], Delims)) ++End;
  return S.substr(size_t(Pos - 1), End - size_t(Pos - 1));
}

String ExtractWord(Integer N, const String& S, const String& Delims) {
  Integer Pos = 0;
  return ExtractWordPos(N, S, Delims, Pos);
}

// ---- Building and measuring --------------------------------------------------------------------------------

namespace {

const String TitleDelims = u"|";

// The height a node's caption needs, with the title margin.
Integer CaptionHeight(TCustomDBGridEh* Grid, THeadTreeNode* Node, HDC DC) {
  const Integer Room = Node->Width - 4 - Node->WIndent;
  if (Node->Width < 1) return 0;
  TFont* Font = Node->Column && !Node->Child ? Node->Column->GetTitle()->GetFont() : Grid->GetTitleFont();
  const String Text = Node->Text.empty() ? String(u" ") : Node->Text;
  const bool Vertical = Node->Column && !Node->Child && Node->Column->GetTitle()->GetOrientation() == tohVertical;
  HGDIOBJ Old = SelectObject(DC, Font->GetHandle());
  TRect Calc(0, 0, std::max(Room, 1), 0);
  Integer H = 0;
  if (Vertical) {
    Calc = TRect(0, 0, 0, 0);
    DrawText(DC, Text, Integer(Text.size()), Calc, DT_CALCRECT | DT_NOPREFIX | DT_SINGLELINE);
    H = Calc.Width() + 6;
  } else {
    DrawText(DC, Text, Integer(Text.size()), Calc, DT_CALCRECT | DT_NOPREFIX | DT_WORDBREAK);
    H = Calc.Height() + Grid->GetVTitleMargin();
  }
  SelectObject(DC, Old);
  return H;
}

// The height of Node's subtree below it; each child's own height is set so that
// every branch ends on the same bottom line.
Integer MeasureSubtree(TCustomDBGridEh* Grid, THeadTreeNode* Node, HDC DC) {
  const std::vector<THeadTreeNode*> Kids = Node->Children();
  if (Kids.empty()) return 0;
  std::vector<Integer> Below(Kids.size());
  Integer Height = 0;
  for (size_t I = 0; I < Kids.size(); ++I) {
    Below[I] = MeasureSubtree(Grid, Kids[I], DC);
    Height = std::max(Height, Below[I] + CaptionHeight(Grid, Kids[I], DC));
  }
  for (size_t I = 0; I < Kids.size(); ++I) Kids[I]->Height = Height - Below[I];
  return Height;
}

}  // namespace

void TCustomDBGridEh::BuildTitleTree() {
  FHeadTree->FreeAllChild();
  FLeafFieldArr.clear();
  const Integer LineWidth = FOptions.Contains(dgColLines) ? 1 : 0;
  const Integer Hidden = FOptions.Contains(dgColLines) ? -1 : 0;
  THeadTreeNode* Root = FHeadTree.get();
  for (Integer I = 0; I < FColumns->GetCount(); ++I) {
    TColumnEh* Column = FColumns->Items(I);
    const Integer Width = Column->GetVisible() ? Column->GetVisibleWidth() : Hidden;
    THeadTreeNode* Leaf = Root->AddChild(Root, Column->GetTitle()->GetCaption(), FTitleRowHeight, Width);
    Leaf->Column = Column;
    Leaf->SortMarkWidth = Column->GetTitle()->GetSortMarker() != smNoneEh ? 16 : 0;
    Leaf->WIndent = LineWidth;
    FLeafFieldArr.push_back(Leaf);
  }
  // Runs of adjacent leaves whose text begins with the same word go under a
  // common node; passes repeat until one changes nothing. Every change shortens
  // a text, so the passes end.
  bool Changed = true;
  while (Changed) {
    Changed = false;
    for (size_t I = 0; I < FLeafFieldArr.size() && !Changed; ++I) {
      THeadTreeNode* Leaf = FLeafFieldArr[I];
      const Integer SecondPos = WordPosition(2, Leaf->Text, TitleDelims);
      if (SecondPos == 0) continue;
      const String First = ExtractWord(1, Leaf->Text, TitleDelims);
      size_t J = I;
      while (J + 1 < FLeafFieldArr.size() && ExtractWord(1, FLeafFieldArr[J + 1]->Text, TitleDelims) == First) ++J;
      for (size_t K = I; K <= J; ++K) {
        String& Text = FLeafFieldArr[K]->Text;
        Text = size_t(SecondPos - 1) < Text.size() ? Text.substr(size_t(SecondPos - 1)) : String();
      }
      THeadTreeNode* End = FLeafFieldArr[J];
      if (Leaf->Host == End->Host) Root->Union(Leaf, End, First, 20);
      Changed = true;
    }
  }
  HDC DC = CreateCompatibleDC(nullptr);
  MeasureSubtree(this, Root, DC);
  DeleteDC(DC);
}

bool TCustomDBGridEh::InTitleLeafPart(TColumnEh* Column, const TRect& CellRect, Integer Y) const {
  if (!IsMultiTitleMode() || !Column) return true;
  THeadTreeNode* Leaf = GetLeafNode(Column->GetIndex());
  if (!Leaf || Leaf->Host == FHeadTree.get()) return true;
  return Y >= CellRect.Bottom - Leaf->Height + 1;
}

// ---- Painting the upper levels ---------------------------------------------------------------------------

void TCustomDBGridEh::DrawTitleNodes(TColumnEh* Column, const TRect& ARect, const TDrawTitleParamsEh& Params) {
  THeadTreeNode* Leaf = GetLeafNode(Column->GetIndex());
  if (!Leaf || !Leaf->Host || Leaf->Host == FHeadTree.get()) return;
  TCanvas* Canvas = GetCanvas();
  HDC DC = Canvas->GetHandle();
  const TColor LineColor = GetGridLineColors()->GetDarkColor();
  const bool Fixed3D = FOptionsEh.Contains(dghFixed3D);
  // Everything drawn here stays inside the column's own cell.
  const Integer Saved = SaveDC(DC);
  IntersectClipRect(DC, ARect.Left, ARect.Top, ARect.Right, ARect.Bottom);

  THeadTreeNode* Node = Leaf;
  Integer Left = ARect.Left;                      // the left edge of Node's span
  Integer Top = ARect.Bottom - Leaf->Height + 1;  // the top edge of Node's cell
  while (Node->Host && Node->Host != FHeadTree.get()) {
    THeadTreeNode* Host = Node->Host;
    for (THeadTreeNode* S = Host->Child; S != Node; S = S->Next) Left -= S->Width + S->WIndent;
    const Integer Bottom = Top;
    Top = std::max(Bottom - Host->Height, ARect.Top);
    if (Host->Host == FHeadTree.get()) Top = ARect.Top;
    TRect R(Left, Top, Left + Host->Width + Host->WIndent, Bottom);
    Canvas->GetBrush()->SetColor(Params.Background);
    Canvas->GetFont()->Assign(GetTitleFont());
    if (Params.Themed || (GetFlat() && ThemesEnabledEh()))
      FillFixedCellBackground(this, Params.Themed, R, false, false, TRect(), Params.Is3D, false);
    else Canvas->FillRect(R);
    TRect TextRect = R;
    if (FOptions.Contains(dgColLines)) --TextRect.Right;
    if (FOptions.Contains(dgRowLines)) --TextRect.Bottom;
    if (Fixed3D && Params.Is3D) {
      TRect Frame = TextRect;
      ::DrawFixedCellFrame(this, Canvas, Frame, false, false, true, true);
    }
    Canvas->GetBrush()->SetStyle(bsClear);
    TRect Inner = TextRect;
    InflateRect(Inner, -1, -1);
    WriteTextEh(Canvas, Inner, false, 1, 1, Host->Text, taCenter, tlCenter, true, false, 0, 0, false);
    Canvas->GetBrush()->SetStyle(bsSolid);
    Canvas->GetPen()->SetColor(LineColor);
    Canvas->GetPen()->SetWidth(1);
    if (FOptions.Contains(dgRowLines)) {
      Canvas->MoveTo(R.Left, R.Bottom - 1);
      Canvas->LineTo(R.Right, R.Bottom - 1);
    }
    if (FOptions.Contains(dgColLines)) {
      Canvas->MoveTo(R.Right - 1, R.Top);
      Canvas->LineTo(R.Right - 1, R.Bottom);
    }
    Node = Host;
  }
  RestoreDC(DC, Saved);
}
