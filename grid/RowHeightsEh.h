#pragma once
// TRowHeightsEh: the heights of a grid's rows, as a sequence that is cheap to
// keep when it is long. Rows of equal height that follow one another are one
// run, and the runs are the nodes of a balanced tree (a treap ordered by
// position) that keeps, per subtree, its row count and the sum of its heights.
//
// So a grid of a million rows of one height holds a handful of runs, and every
// operation a grid needs per scroll or per row notice (the height of a row, the
// pixels a range of rows takes, inserting, removing or moving a row) costs time
// logarithmic in the number of runs, never in the number of rows. Neighbouring
// runs of equal height are joined again after every change.

#include <cstdint>
#include <vector>

#include "platform/core/Types.h"

class TRowHeightsEh {
public:
  TRowHeightsEh() = default;

  Integer Count() const { return Size(FRoot); }
  // The number of runs of equal heights.
  Integer RunCount() const { return FRunCount; }
  // The height of row Index (0 <= Index < Count()).
  Integer Get(Integer Index) const;
  void Set(Integer Index, Integer Value) { Fill(Index, Index + 1, Value); }
  // Rows From..To-1 get Value.
  void Fill(Integer From, Integer To, Integer Value);
  // Count rows of height Value are inserted before row Index (Index == Count() appends).
  void Insert(Integer Index, Integer Count, Integer Value);
  // Rows Index..Index+Count-1 are removed.
  void Erase(Integer Index, Integer Count);
  // Row From is taken out and put back so that it becomes row To.
  void Move(Integer From, Integer To);
  // Rows are added (of height Value) or removed at the end until there are NewCount.
  void Resize(Integer NewCount, Integer Value);
  // NewCount rows, all of height Value: one run.
  void Assign(Integer NewCount, Integer Value);
  void Clear() { Assign(0, 0); }
  // The sum of the heights of rows From..To-1 (0 when To <= From).
  Int64 Sum(Integer From, Integer To) const { return To <= From ? 0 : Prefix(To) - Prefix(From); }
  // The first row at or after From whose height is not Value; Count() when there is none.
  Integer FindNotEqual(Integer From, Integer Value) const;

private:
  struct TNode {
    Integer Value = 0;  // the height of each row of the run
    Integer Run = 0;    // the rows of the run
    Integer Left = -1;
    Integer Right = -1;
    std::uint32_t Priority = 0;
    Integer Rows = 0;  // rows in the subtree
    Int64 Total = 0;   // the sum of the heights in the subtree
  };

  Integer Size(Integer Node) const { return Node < 0 ? 0 : FNodes[size_t(Node)].Rows; }
  Int64 TotalOf(Integer Node) const { return Node < 0 ? 0 : FNodes[size_t(Node)].Total; }
  Int64 Prefix(Integer Rows) const;
  Integer NewNode(Integer Value, Integer Run);
  void FreeTree(Integer Node);
  void Update(Integer Node);
  // Splits Node into the first Rows rows (Left) and the rest (Right); a run that
  // straddles the cut is cut in two.
  void Split(Integer Node, Integer Rows, Integer& Left, Integer& Right);
  Integer Merge(Integer Left, Integer Right);
  // Joins the runs on either side of the boundary before row Index when their heights agree.
  void JoinAt(Integer Index);
  // The run that holds row Index: its first row, its length and its height.
  void RunAt(Integer Index, Integer& Start, Integer& Run, Integer& Value) const;
  std::uint32_t NextPriority();

  std::vector<TNode> FNodes;
  std::vector<Integer> FFree;
  Integer FRoot = -1;
  Integer FRunCount = 0;
  std::uint32_t FSeed = 2463534242u;
};
