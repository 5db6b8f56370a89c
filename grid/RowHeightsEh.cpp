// The run tree of row heights. Every change is a split of the tree at the rows
// it touches, the new runs, and a merge; JoinAt then folds equal neighbours so
// that a grid whose rows are all one height stays one run whatever it went through.

#include "grid/RowHeightsEh.h"

#include <algorithm>
#include <cassert>

// ---- Nodes -------------------------------------------------------------------------------------------

std::uint32_t TRowHeightsEh::NextPriority() {
  // xorshift32: the tree's own sequence, so two stores never share state.
  FSeed ^= FSeed << 13;
  FSeed ^= FSeed >> 17;
  FSeed ^= FSeed << 5;
  return FSeed;
}

Integer TRowHeightsEh::NewNode(Integer Value, Integer Run) {
  assert(Run > 0);
  TNode Node;
  Node.Value = Value;
  Node.Run = Run;
  Node.Priority = NextPriority();
  Node.Rows = Run;
  Node.Total = Int64(Value) * Run;
  ++FRunCount;
  if (!FFree.empty()) {
    const Integer Index = FFree.back();
    FFree.pop_back();
    FNodes[size_t(Index)] = Node;
    return Index;
  }
  FNodes.push_back(Node);
  return Integer(FNodes.size()) - 1;
}

void TRowHeightsEh::FreeTree(Integer Node) {
  if (Node < 0) return;
  FreeTree(FNodes[size_t(Node)].Left);
  FreeTree(FNodes[size_t(Node)].Right);
  FFree.push_back(Node);
  --FRunCount;
}

void TRowHeightsEh::Update(Integer Node) {
  TNode& N = FNodes[size_t(Node)];
  assert(N.Run > 0);
  N.Rows = Size(N.Left) + N.Run + Size(N.Right);
  N.Total = TotalOf(N.Left) + Int64(N.Value) * N.Run + TotalOf(N.Right);
}

// ---- Split and merge -------------------------------------------------------------------------------------

void TRowHeightsEh::Split(Integer Node, Integer Rows, Integer& Left, Integer& Right) {
  if (Node < 0) {
    Left = Right = -1;
    return;
  }
  const Integer LeftRows = Size(FNodes[size_t(Node)].Left);
  const Integer Run = FNodes[size_t(Node)].Run;
  if (Rows <= LeftRows) {
    Integer Inner = -1;
    Split(FNodes[size_t(Node)].Left, Rows, Left, Inner);
    FNodes[size_t(Node)].Left = Inner;
    Update(Node);
    Right = Node;
  } else if (Rows >= LeftRows + Run) {
    Integer Inner = -1;
    Split(FNodes[size_t(Node)].Right, Rows - LeftRows - Run, Inner, Right);
    FNodes[size_t(Node)].Right = Inner;
    Update(Node);
    Left = Node;
  } else {
    // The cut falls inside this run: the node keeps the rows before it, a new
    // node takes the rest and goes in front of the right subtree.
    const Integer Cut = Rows - LeftRows;
    const Integer Tail = NewNode(FNodes[size_t(Node)].Value, Run - Cut);
    const Integer OldRight = FNodes[size_t(Node)].Right;
    FNodes[size_t(Node)].Run = Cut;
    FNodes[size_t(Node)].Right = -1;
    Update(Node);
    Left = Node;
    Right = Merge(Tail, OldRight);
  }
}

Integer TRowHeightsEh::Merge(Integer Left, Integer Right) {
  if (Left < 0) return Right;
  if (Right < 0) return Left;
  if (FNodes[size_t(Left)].Priority > FNodes[size_t(Right)].Priority) {
    const Integer Inner = Merge(FNodes[size_t(Left)].Right, Right);
    FNodes[size_t(Left)].Right = Inner;
    Update(Left);
    return Left;
  }
  const Integer Inner = Merge(Left, FNodes[size_t(Right)].Left);
  FNodes[size_t(Right)].Left = Inner;
  Update(Right);
  return Right;
}

// ---- Reading ---------------------------------------------------------------------------------------------

void TRowHeightsEh::RunAt(Integer Index, Integer& Start, Integer& Run, Integer& Value) const {
  assert(Index >= 0 && Index < Count());
  Integer Node = FRoot, Offset = 0;
  while (Node >= 0) {
    const TNode& N = FNodes[size_t(Node)];
    const Integer LeftRows = Size(N.Left);
    if (Index < LeftRows) {
      Node = N.Left;
    } else if (Index < LeftRows + N.Run) {
      Start = Offset + LeftRows;
      Run = N.Run;
      Value = N.Value;
      return;
    } else {
      Index -= LeftRows + N.Run;
      Offset += LeftRows + N.Run;
      Node = N.Right;
    }
  }
  Start = Run = Value = 0;
}

Integer TRowHeightsEh::Get(Integer Index) const {
  Integer Start = 0, Run = 0, Value = 0;
  RunAt(Index, Start, Run, Value);
  return Value;
}

Int64 TRowHeightsEh::Prefix(Integer Rows) const {
  Rows = std::clamp(Rows, 0, Count());
  Int64 Sum = 0;
  Integer Node = FRoot;
  while (Node >= 0 && Rows > 0) {
    const TNode& N = FNodes[size_t(Node)];
    const Integer LeftRows = Size(N.Left);
    if (Rows <= LeftRows) {
      Node = N.Left;
      continue;
    }
    Sum += TotalOf(N.Left);
    Rows -= LeftRows;
    if (Rows <= N.Run) return Sum + Int64(N.Value) * Rows;
    Sum += Int64(N.Value) * N.Run;
    Rows -= N.Run;
    Node = N.Right;
  }
  return Sum;
}

Integer TRowHeightsEh::FindNotEqual(Integer From, Integer Value) const {
  const Integer Total = Count();
  for (Integer Index = std::max(0, From); Index < Total;) {
    Integer Start = 0, Run = 0, Height = 0;
    RunAt(Index, Start, Run, Height);
    if (Height != Value) return Index;
    Index = Start + Run;
  }
  return Total;
}

// ---- Changing ------------------------------------------------------------------------------------------

void TRowHeightsEh::JoinAt(Integer Index) {
  if (Index <= 0 || Index >= Count()) return;
  Integer Start1 = 0, Run1 = 0, Value1 = 0, Start2 = 0, Run2 = 0, Value2 = 0;
  RunAt(Index - 1, Start1, Run1, Value1);
  RunAt(Index, Start2, Run2, Value2);
  if (Start2 != Index || Value1 != Value2) return;
  Integer Before = -1, Rest = -1, Pair = -1, After = -1;
  Split(FRoot, Start1, Before, Rest);
  Split(Rest, Run1 + Run2, Pair, After);
  FreeTree(Pair);
  FRoot = Merge(Merge(Before, NewNode(Value1, Run1 + Run2)), After);
}

void TRowHeightsEh::Fill(Integer From, Integer To, Integer Value) {
  From = std::max(0, From);
  To = std::min(To, Count());
  if (To <= From) return;
  Integer Before = -1, Rest = -1, Middle = -1, After = -1;
  Split(FRoot, From, Before, Rest);
  Split(Rest, To - From, Middle, After);
  FreeTree(Middle);
  FRoot = Merge(Merge(Before, NewNode(Value, To - From)), After);
  JoinAt(To);
  JoinAt(From);
}

void TRowHeightsEh::Insert(Integer Index, Integer Rows, Integer Value) {
  if (Rows <= 0) return;
  Index = std::clamp(Index, 0, Count());
  Integer Before = -1, After = -1;
  Split(FRoot, Index, Before, After);
  FRoot = Merge(Merge(Before, NewNode(Value, Rows)), After);
  JoinAt(Index + Rows);
  JoinAt(Index);
}

void TRowHeightsEh::Erase(Integer Index, Integer Rows) {
  Index = std::max(0, Index);
  Rows = std::min(Rows, Count() - Index);
  if (Rows <= 0) return;
  Integer Before = -1, Rest = -1, Middle = -1, After = -1;
  Split(FRoot, Index, Before, Rest);
  Split(Rest, Rows, Middle, After);
  FreeTree(Middle);
  FRoot = Merge(Before, After);
  JoinAt(Index);
}

void TRowHeightsEh::Move(Integer From, Integer To) {
  if (From == To || From < 0 || To < 0 || From >= Count() || To >= Count()) return;
  const Integer Value = Get(From);
  Erase(From, 1);
  Insert(To, 1, Value);
}

void TRowHeightsEh::Resize(Integer NewCount, Integer Value) {
  const Integer Old = Count();
  if (NewCount > Old) Insert(Old, NewCount - Old, Value);
  else if (NewCount < Old) Erase(std::max(0, NewCount), Old - std::max(0, NewCount));
}

void TRowHeightsEh::Assign(Integer NewCount, Integer Value) {
  FNodes.clear();
  FFree.clear();
  FRunCount = 0;
  FRoot = NewCount > 0 ? NewNode(Value, NewCount) : -1;
}
