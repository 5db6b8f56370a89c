#pragma once
// TIndexEntriesEh: the sorted entries of one index, held in an order-statistic
// tree (a treap whose nodes count their subtrees), so that inserting, erasing,
// reading an entry by position and finding the position of a key all cost
// O(log n), whatever the change. A sorted vector would shift half its entries
// on every insert, which made loading a large table grow with the square.
//
// The tree keeps no order of its own: callers insert at a position they found
// with LowerBound, so the comparison (which may raise for keys of other kinds)
// never runs while the tree is being changed.
//
// Implementation: memtable/IndexEntriesEh.cpp.

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/core/Types.h"
#include "platform/core/Variant.h"

class TMemoryRecordEh;

// One entry: the key of a record and the record. The record's position is read
// from the record itself, so no entry changes when other records come or go.
class TIndexItemEh {
public:
  TIndexItemEh() = default;
  TIndexItemEh(Variant AKey, TMemoryRecordEh* ARec);
  // The record's position in the records list's active list.
  Integer RecIndex() const;
  Variant Key;
  TMemoryRecordEh* Rec = nullptr;
  // The record's identifier, which never changes: equal keys go by it.
  Integer RecId = 0;
};

class TIndexEntriesEh {
public:
  TIndexEntriesEh() = default;
  TIndexEntriesEh(const TIndexEntriesEh&) = delete;
  TIndexEntriesEh& operator=(const TIndexEntriesEh&) = delete;
  TIndexEntriesEh(TIndexEntriesEh&&) noexcept = default;
  TIndexEntriesEh& operator=(TIndexEntriesEh&&) noexcept = default;

  Integer Count() const { return Size(FRoot); }
  const TIndexItemEh& At(Integer Pos) const { return FNodes[NodeAt(Pos)].Item; }
  TIndexItemEh& At(Integer Pos) { return FNodes[NodeAt(Pos)].Item; }
  // Pos may be Count() (append).
  void Insert(Integer Pos, TIndexItemEh Item);
  void Erase(Integer Pos);
  void Clear();
  // Replaces every entry with Items, already in order, in O(n).
  void Assign(std::vector<TIndexItemEh> Items);

  // The first position whose entry does not lie before the probe. Before(entry)
  // answers whether the entry lies before it; it may raise, and then nothing changed.
  template <class TBefore>
  Integer LowerBound(TBefore&& Before) const {
    Integer pos = 0;
    for (NodeId n = FRoot; n != Nil;) {
      const Node& node = FNodes[n];
      if (Before(node.Item)) {
        pos += Size(node.Left) + 1;
        n = node.Right;
      } else {
        n = node.Left;
      }
    }
    return pos;
  }

  // Each entry in order, in O(n).
  void ForEach(const std::function<void(const TIndexItemEh&)>& Visit) const;

private:
  using NodeId = std::uint32_t;
  static constexpr NodeId Nil = 0xFFFFFFFFu;
  // Links first, then the key's type and value: a step of a search reads one
  // cache line of the node, not two.
  struct alignas(32) Node {
    NodeId Left = Nil, Right = Nil;
    std::uint32_t Size = 1;
    std::uint32_t Priority = 0;
    TIndexItemEh Item;
  };

  Integer Size(NodeId N) const { return N == Nil ? 0 : static_cast<Integer>(FNodes[N].Size); }
  void Pull(NodeId N);
  NodeId NodeAt(Integer Pos) const;
  // Splits T into its first K entries and the rest.
  void Split(NodeId T, Integer K, NodeId& L, NodeId& R);
  NodeId Merge(NodeId L, NodeId R);
  NodeId InsertAt(NodeId T, Integer Pos, NodeId N);
  NodeId EraseAt(NodeId T, Integer Pos);
  NodeId NewNode(TIndexItemEh Item);
  std::uint32_t NextPriority();

  std::vector<Node> FNodes;
  std::vector<NodeId> FFree;
  NodeId FRoot = Nil;
  std::uint64_t FSeed = 0x9E3779B97F4A7C15ull;
};
