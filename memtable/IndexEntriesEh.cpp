// The order-statistic treap behind an index's entries. Nodes live in one
// vector (freed slots are reused), linked by number; each node counts its
// subtree, which turns positions into a walk from the root. Random priorities
// keep the expected depth logarithmic; the generator is the tree's own, so runs
// repeat exactly.

#include "memtable/IndexEntriesEh.h"

#include <cassert>

#include "memtable/MemTableDataEh.h"
#include "platform/core/Lists.h"

TIndexItemEh::TIndexItemEh(Variant AKey, TMemoryRecordEh* ARec)
    : Key(std::move(AKey)), Rec(ARec), RecId(ARec ? ARec->GetID() : 0) {}

Integer TIndexItemEh::RecIndex() const { return Rec ? Rec->GetIndex() : -1; }

std::uint32_t TIndexEntriesEh::NextPriority() {
  // xorshift64*: cheap, and good enough to balance a treap.
  FSeed ^= FSeed >> 12;
  FSeed ^= FSeed << 25;
  FSeed ^= FSeed >> 27;
  return static_cast<std::uint32_t>((FSeed * 0x2545F4914F6CDD1Dull) >> 32);
}

TIndexEntriesEh::NodeId TIndexEntriesEh::NewNode(TIndexItemEh Item) {
  NodeId id;
  if (!FFree.empty()) {
    id = FFree.back();
    FFree.pop_back();
    FNodes[id] = Node{};
  } else {
    id = static_cast<NodeId>(FNodes.size());
    FNodes.emplace_back();
  }
  FNodes[id].Item = std::move(Item);
  FNodes[id].Priority = NextPriority();
  return id;
}

void TIndexEntriesEh::Pull(NodeId N) {
  Node& n = FNodes[N];
  n.Size = static_cast<std::uint32_t>(1 + Size(n.Left) + Size(n.Right));
}

TIndexEntriesEh::NodeId TIndexEntriesEh::NodeAt(Integer Pos) const {
  if (Pos < 0 || Pos >= Count()) TList::Error(u"List index out of bounds (%d)", Pos);
  NodeId n = FRoot;
  for (;;) {
    const Integer left = Size(FNodes[n].Left);
    if (Pos < left) {
      n = FNodes[n].Left;
    } else if (Pos == left) {
      return n;
    } else {
      Pos -= left + 1;
      n = FNodes[n].Right;
    }
  }
}

void TIndexEntriesEh::Split(NodeId T, Integer K, NodeId& L, NodeId& R) {
  if (T == Nil) {
    L = R = Nil;
    return;
  }
  Node& t = FNodes[T];
  if (Size(t.Left) < K) {
    Split(t.Right, K - Size(t.Left) - 1, FNodes[T].Right, R);
    L = T;
  } else {
    Split(t.Left, K, L, FNodes[T].Left);
    R = T;
  }
  Pull(T);
}

TIndexEntriesEh::NodeId TIndexEntriesEh::Merge(NodeId L, NodeId R) {
  if (L == Nil) return R;
  if (R == Nil) return L;
  if (FNodes[L].Priority > FNodes[R].Priority) {
    const NodeId right = Merge(FNodes[L].Right, R);
    FNodes[L].Right = right;
    Pull(L);
    return L;
  }
  const NodeId left = Merge(L, FNodes[R].Left);
  FNodes[R].Left = left;
  Pull(R);
  return R;
}

void TIndexEntriesEh::Insert(Integer Pos, TIndexItemEh Item) {
  assert(Pos >= 0 && Pos <= Count());
  const NodeId n = NewNode(std::move(Item));
  FRoot = InsertAt(FRoot, Pos, n);
}

// Down to where the new node's priority puts it, then only the subtree below
// is split around it.
TIndexEntriesEh::NodeId TIndexEntriesEh::InsertAt(NodeId T, Integer Pos, NodeId N) {
  if (T == Nil) return N;
  if (FNodes[N].Priority > FNodes[T].Priority) {
    NodeId l, r;
    Split(T, Pos, l, r);
    FNodes[N].Left = l;
    FNodes[N].Right = r;
    Pull(N);
    return N;
  }
  const Integer left = Size(FNodes[T].Left);
  if (Pos <= left) {
    const NodeId sub = InsertAt(FNodes[T].Left, Pos, N);
    FNodes[T].Left = sub;
  } else {
    const NodeId sub = InsertAt(FNodes[T].Right, Pos - left - 1, N);
    FNodes[T].Right = sub;
  }
  Pull(T);
  return T;
}

void TIndexEntriesEh::Erase(Integer Pos) {
  NodeAt(Pos);  // raises for a position out of range
  FRoot = EraseAt(FRoot, Pos);
}

TIndexEntriesEh::NodeId TIndexEntriesEh::EraseAt(NodeId T, Integer Pos) {
  const Integer left = Size(FNodes[T].Left);
  if (Pos == left) {
    const NodeId merged = Merge(FNodes[T].Left, FNodes[T].Right);
    FNodes[T] = Node{};
    FFree.push_back(T);
    return merged;
  }
  if (Pos < left) {
    const NodeId sub = EraseAt(FNodes[T].Left, Pos);
    FNodes[T].Left = sub;
  } else {
    const NodeId sub = EraseAt(FNodes[T].Right, Pos - left - 1);
    FNodes[T].Right = sub;
  }
  Pull(T);
  return T;
}

void TIndexEntriesEh::Clear() {
  FNodes.clear();
  FFree.clear();
  FRoot = Nil;
}

void TIndexEntriesEh::Assign(std::vector<TIndexItemEh> Items) {
  Clear();
  FNodes.reserve(Items.size());
  // A Cartesian tree over the items in order: each new node takes as its left
  // child the run of the right spine with lower priorities.
  std::vector<NodeId> spine;
  for (TIndexItemEh& item : Items) {
    const NodeId n = NewNode(std::move(item));
    NodeId last = Nil;
    while (!spine.empty() && FNodes[spine.back()].Priority < FNodes[n].Priority) {
      last = spine.back();
      spine.pop_back();
      Pull(last);
    }
    FNodes[n].Left = last;
    if (!spine.empty()) FNodes[spine.back()].Right = n;
    spine.push_back(n);
  }
  for (size_t i = spine.size(); i-- > 0;) Pull(spine[i]);
  FRoot = spine.empty() ? Nil : spine.front();
}

void TIndexEntriesEh::ForEach(const std::function<void(const TIndexItemEh&)>& Visit) const {
  std::vector<NodeId> stack;
  NodeId n = FRoot;
  while (n != Nil || !stack.empty()) {
    while (n != Nil) {
      stack.push_back(n);
      n = FNodes[n].Left;
    }
    n = stack.back();
    stack.pop_back();
    Visit(FNodes[n].Item);
    n = FNodes[n].Right;
  }
}
