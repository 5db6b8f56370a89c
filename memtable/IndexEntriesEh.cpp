// The counted B+ tree behind an index's entries.
//
// Index of this file: the entry; walking down by position; inserting (a full
// leaf splits in two, a full inner node likewise, up to a new root); erasing
// (an emptied node leaves its parent, a thin leaf joins a neighbour, a root of
// one child gives way to it); loading whole levels from entries in order; the
// invariant check the tests use.
//
// Every inner node keeps a copy of the first entry below each child but its
// first: LowerBound compares with those copies, so whenever the first entry
// below a child changes (an insert or erase at the front of a leaf, a split, a
// join, SetKey) the one copy that names it is refreshed: the copy in the
// deepest inner node on the way down where the walk did not take child 0.

#include "memtable/IndexEntriesEh.h"

#include <algorithm>
#include <cassert>
#include <cstdint>
#include <utility>

#include <sys/mman.h>

#include "memtable/MemTableDataEh.h"
#include "platform/core/Lists.h"

namespace {

// A whole number back in the Variant type it was read from.
Variant WholeNumberOf(TVarType Type, Int64 Value) {
  switch (Type) {
    case varSmallint: return Variant(static_cast<int16_t>(Value));
    case varInteger: return Variant(static_cast<int32_t>(Value));
    case varShortInt: return Variant(static_cast<int8_t>(Value));
    case varByte: return Variant(static_cast<uint8_t>(Value));
    case varWord: return Variant(static_cast<uint16_t>(Value));
    case varLongWord: return Variant(static_cast<uint32_t>(Value));
    default: return Variant(Value);
  }
}

}  // namespace

TIndexItemEh::TIndexItemEh(const Variant& AKey, TMemoryRecordEh* ARec) : Rec(ARec), RecId(ARec ? ARec->GetID() : 0) {
  SetKey(AKey);
}

TIndexItemEh::TIndexItemEh(const TIndexItemEh& Other)
    : Rec(Other.Rec),
      FNumber(Other.FNumber),
      FOther(Other.FOther ? std::make_unique<Variant>(*Other.FOther) : nullptr),
      RecId(Other.RecId),
      FType(Other.FType) {}

TIndexItemEh& TIndexItemEh::operator=(const TIndexItemEh& Other) {
  if (this != &Other) {
    Rec = Other.Rec;
    RecId = Other.RecId;
    FNumber = Other.FNumber;
    FOther = Other.FOther ? std::make_unique<Variant>(*Other.FOther) : nullptr;
    FType = Other.FType;
  }
  return *this;
}

Integer TIndexItemEh::RecIndex() const { return Rec ? Rec->GetIndex() : -1; }

Variant TIndexItemEh::Key() const {
  if (FOther) return *FOther;
  if (FType == varNull) return Null();
  if (TRecValueEh::IsIntegerType(FType)) return WholeNumberOf(FType, FNumber);
  return Variant();
}

void TIndexItemEh::SetKey(const Variant& Value) {
  FType = Value.VarType();
  if (FType == varNull || FType == varEmpty || TRecValueEh::IsIntegerType(FType)) {
    FNumber = TRecValueEh::IsIntegerType(FType) ? Value.AsInt64() : 0;
    FOther.reset();
  } else {
    FNumber = 0;
    FOther = std::make_unique<Variant>(Value);
  }
}

namespace {

template <class TItems>
void MoveSlots(TItems& Items, size_t From, size_t To, size_t Dest) {
  std::move(Items.begin() + From, Items.begin() + To, Items.begin() + Dest);
}

template <class TItems>
void MoveSlotsBack(TItems& Items, size_t From, size_t To, size_t DestEnd) {
  std::move_backward(Items.begin() + From, Items.begin() + To, Items.begin() + DestEnd);
}

}  // namespace

// ---------------------------------------------------------------------------
// Whole tree

TIndexEntriesEh::TIndexEntriesEh() = default;

TIndexEntriesEh::~TIndexEntriesEh() = default;

TIndexEntriesEh::TIndexEntriesEh(TIndexEntriesEh&& Other) noexcept
    : FBlock(std::move(Other.FBlock)),
      FRoot(std::move(Other.FRoot)),
      FCount(std::exchange(Other.FCount, 0)),
      FFirstLeaf(std::exchange(Other.FFirstLeaf, nullptr)) {}

TIndexEntriesEh& TIndexEntriesEh::operator=(TIndexEntriesEh&& Other) noexcept {
  if (this != &Other) {
    // The nodes go before the block they may lie in.
    FRoot = std::move(Other.FRoot);
    FBlock = std::move(Other.FBlock);
    FCount = std::exchange(Other.FCount, 0);
    FFirstLeaf = std::exchange(Other.FFirstLeaf, nullptr);
  }
  return *this;
}

void TIndexEntriesEh::Clear() { TakeBlock(); }

std::unique_ptr<TIndexNodeBlockEh> TIndexEntriesEh::TakeBlock() {
  FRoot.reset();
  FCount = 0;
  FFirstLeaf = nullptr;
  return std::move(FBlock);
}

void TIndexEntriesEh::TNode::operator delete(TNode* N, std::destroying_delete_t) {
  const bool inBlock = N->InBlock;
  N->~TNode();
  if (!inBlock) ::operator delete(N);
}

namespace {

constexpr size_t kHugePage = size_t{2} << 20;

}  // namespace

TIndexNodeBlockEh::TIndexNodeBlockEh(size_t Bytes) {
  // Mapped on a huge-page boundary, and a whole number of huge pages long, so
  // the kernel can back all of it with them.
  const size_t size = (Bytes + kHugePage - 1) / kHugePage * kHugePage;
  void* p = mmap(nullptr, size + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (p == MAP_FAILED) return;  // the nodes come from the heap
  auto* start = static_cast<std::byte*>(p);
  const auto misalign = reinterpret_cast<uintptr_t>(start) % kHugePage;
  const size_t head = misalign ? kHugePage - misalign : 0;
  if (head) munmap(start, head);
  if (kHugePage - head) munmap(start + head + size, kHugePage - head);
  FBase = start + head;
  FSize = size;
  // A kernel that cannot make plain pages huge afterwards gives huge ones as
  // they are first written.
  if (!TPagesAheadEh::CanMakeHuge()) madvise(FBase, size, MADV_HUGEPAGE);
}

TIndexNodeBlockEh::~TIndexNodeBlockEh() {
  FHugePages.Stop();
  if (FBase) munmap(FBase, FSize);
}

void TIndexNodeBlockEh::Reuse() {
  // The pages made huge so far stay so; the next load's first search has the rest made.
  FHugePages.Stop();
  FUsed = 0;
}

void TIndexNodeBlockEh::NodesWritten() {
  // The huge pages the nodes reach into; the kernel passes over those made before.
  if (TPagesAheadEh::CanMakeHuge() && FUsed > 0)
    FHugePages.MakeHugeOnGo({{FBase, std::min(FSize, (FUsed + kHugePage - 1) / kHugePage * kHugePage)}});
}

void* TIndexNodeBlockEh::Take(size_t Bytes) {
  // Each node starts a cache line: a search asks for its lines whole.
  const size_t at = (FUsed + 63) / 64 * 64;
  if (!FBase || at + Bytes > FSize) return nullptr;
  FUsed = at + Bytes;
  return FBase + at;
}

void TIndexNodeBlocksEh::Keep(std::unique_ptr<TIndexNodeBlockEh> Block) {
  if (!Block) return;
  FKept.push_back(std::move(Block));
  // The two largest wait; the smaller go.
  std::sort(FKept.begin(), FKept.end(), [](const auto& A, const auto& B) { return A->Size() > B->Size(); });
  if (FKept.size() > 2) FKept.resize(2);
}

std::unique_ptr<TIndexNodeBlockEh> TIndexNodeBlocksEh::Take(size_t Bytes) {
  // The smallest that holds the nodes, so long as it is not twice their size.
  for (auto it = FKept.rbegin(); it != FKept.rend(); ++it)
    if ((*it)->Size() >= Bytes && (*it)->Size() / 2 < Bytes) {
      std::unique_ptr<TIndexNodeBlockEh> block = std::move(*it);
      FKept.erase(std::next(it).base());
      block->Reuse();
      return block;
    }
  return std::make_unique<TIndexNodeBlockEh>(Bytes);
}

Integer TIndexEntriesEh::SizeOf(const TNode* N) {
  if (N->Leaf) return N->Count;
  const auto* inner = static_cast<const TInner*>(N);
  Integer size = 0;
  for (Integer k = 0; k < inner->Count; ++k) size += inner->Sizes[static_cast<size_t>(k)];
  return size;
}

const TIndexItemEh& TIndexEntriesEh::FirstEntry(const TNode* N) {
  while (!N->Leaf) N = static_cast<const TInner*>(N)->Children[0].get();
  return static_cast<const TLeaf*>(N)->Items[0];
}

// ---------------------------------------------------------------------------
// Walking down

TIndexEntriesEh::TLeaf* TIndexEntriesEh::Descend(Integer& Pos, TPath* Path, bool ForInsert) const {
  TNode* n = FRoot.get();
  if (Path) Path->Depth = 0;
  while (!n->Leaf) {
    auto* inner = static_cast<TInner*>(n);
    Integer k = 0;
    for (;; ++k) {
      const Integer size = inner->Sizes[static_cast<size_t>(k)];
      if (k == inner->Count - 1 || Pos < size || (ForInsert && Pos == size)) break;
      Pos -= size;
    }
    if (Path) {
      assert(Path->Depth < MaxHeight);
      Path->Steps[static_cast<size_t>(Path->Depth++)] = {inner, k};
    }
    n = inner->Children[static_cast<size_t>(k)].get();
  }
  return static_cast<TLeaf*>(n);
}

const TIndexItemEh& TIndexEntriesEh::At(Integer Pos) const {
  if (Pos < 0 || Pos >= FCount) TList::Error(u"List index out of bounds (%d)", Pos);
  const TLeaf* leaf = Descend(Pos, nullptr, false);
  return leaf->Items[static_cast<size_t>(Pos)];
}

void TIndexEntriesEh::RefreshFirst(const TPath& Path, int Depth, const TIndexItemEh& First) {
  for (int level = Depth - 1; level >= 0; --level) {
    const TStep& step = Path.Steps[static_cast<size_t>(level)];
    if (step.Child > 0) {
      step.Node->First[static_cast<size_t>(step.Child)] = First;
      step.Node->Fast[static_cast<size_t>(step.Child)] = FastKeyOf(First);
      return;
    }
  }
}

void TIndexEntriesEh::SetKey(Integer Pos, const Variant& Key) {
  if (Pos < 0 || Pos >= FCount) TList::Error(u"List index out of bounds (%d)", Pos);
  TPath path;
  TLeaf* leaf = Descend(Pos, &path, false);
  leaf->Items[static_cast<size_t>(Pos)].SetKey(Key);
  if (Pos == 0) RefreshFirst(path, path.Depth, leaf->Items[0]);
}

// ---------------------------------------------------------------------------
// Inserting

void TIndexEntriesEh::Insert(Integer Pos, TIndexItemEh Item) {
  assert(Pos >= 0 && Pos <= FCount);
  if (!FRoot) {
    auto leaf = std::make_unique<TLeaf>();
    FFirstLeaf = leaf.get();
    FRoot = std::move(leaf);
  }
  TPath path;
  Integer at = Pos;
  TLeaf* leaf = Descend(at, &path, true);
  if (leaf->Count == LeafCapacity) {
    // Made room for, then found again: the splits may have moved it to a new node.
    SplitLeaf(path, leaf);
    at = Pos;
    leaf = Descend(at, &path, true);
  }
  MoveSlotsBack(leaf->Items, static_cast<size_t>(at), static_cast<size_t>(leaf->Count),
                static_cast<size_t>(leaf->Count + 1));
  auto* items = leaf->Items.data();
  items[at] = std::move(Item);
  ++leaf->Count;
  for (int level = 0; level < path.Depth; ++level) {
    const TStep& step = path.Steps[static_cast<size_t>(level)];
    ++step.Node->Sizes[static_cast<size_t>(step.Child)];
  }
  ++FCount;
  if (at == 0) RefreshFirst(path, path.Depth, items[0]);
}

void TIndexEntriesEh::SplitLeaf(TPath& Path, TLeaf* Leaf) {
  auto right = std::make_unique<TLeaf>();
  const Integer keep = Leaf->Count / 2;
  std::move(Leaf->Items.begin() + keep, Leaf->Items.begin() + Leaf->Count, right->Items.begin());
  right->Count = Leaf->Count - keep;
  Leaf->Count = keep;
  right->Next = Leaf->Next;
  right->Prev = Leaf;
  if (Leaf->Next) Leaf->Next->Prev = right.get();
  Leaf->Next = right.get();
  const Integer rightSize = right->Count;
  if (Path.Depth == 0) {
    auto root = std::make_unique<TInner>();
    root->Sizes[0] = keep;
    root->Children[0] = std::move(FRoot);
    root->Count = 1;
    FRoot = std::move(root);
    Path.Steps[0] = {static_cast<TInner*>(FRoot.get()), 0};
    Path.Depth = 1;
  } else {
    const TStep& parent = Path.Steps[static_cast<size_t>(Path.Depth - 1)];
    parent.Node->Sizes[static_cast<size_t>(parent.Child)] = keep;
  }
  InsertChild(Path, Path.Depth - 1, std::move(right), rightSize);
}

// Puts Child right after the child the path takes at Level.
void TIndexEntriesEh::InsertChild(TPath& Path, int Level, std::unique_ptr<TNode> Child, Integer ChildSize) {
  TInner* inner = Path.Steps[static_cast<size_t>(Level)].Node;
  Integer at = Path.Steps[static_cast<size_t>(Level)].Child + 1;
  if (inner->Count == InnerCapacity) {
    // Half the children go to a new node after this one, which its parent then takes.
    auto right = std::make_unique<TInner>();
    const Integer keep = inner->Count / 2;
    for (Integer k = keep; k < inner->Count; ++k) {
      const auto from = static_cast<size_t>(k), to = static_cast<size_t>(k - keep);
      right->Children[to] = std::move(inner->Children[from]);
      right->Sizes[to] = inner->Sizes[from];
      right->First[to] = std::move(inner->First[from]);
      right->Fast[to] = inner->Fast[from];
    }
    right->Count = inner->Count - keep;
    inner->Count = keep;
    if (Level == 0) {
      auto root = std::make_unique<TInner>();
      root->Children[0] = std::move(FRoot);
      root->Count = 1;
      FRoot = std::move(root);
      // Every step moves one level down; the new root's step takes child 0.
      std::move_backward(Path.Steps.begin(), Path.Steps.begin() + Path.Depth, Path.Steps.begin() + Path.Depth + 1);
      Path.Steps[0] = {static_cast<TInner*>(FRoot.get()), 0};
      ++Path.Depth;
      ++Level;
    }
    TInner* target = inner;
    if (at > keep) {
      target = right.get();
      at -= keep;
    }
    const auto pos = static_cast<size_t>(at);
    for (auto k = static_cast<size_t>(target->Count); k > pos; --k) {
      target->Children[k] = std::move(target->Children[k - 1]);
      target->Sizes[k] = target->Sizes[k - 1];
      target->First[k] = std::move(target->First[k - 1]);
      target->Fast[k] = target->Fast[k - 1];
    }
    target->First[pos] = FirstEntry(Child.get());
    target->Fast[pos] = FastKeyOf(target->First[pos]);
    target->Children[pos] = std::move(Child);
    target->Sizes[pos] = ChildSize;
    ++target->Count;
    // The entries below the parent's step stay as many; they now lie in two nodes.
    const TStep& parent = Path.Steps[static_cast<size_t>(Level - 1)];
    parent.Node->Sizes[static_cast<size_t>(parent.Child)] = SizeOf(inner);
    const Integer rightSize = SizeOf(right.get());
    InsertChild(Path, Level - 1, std::move(right), rightSize);
    return;
  }
  const auto pos = static_cast<size_t>(at);
  for (auto k = static_cast<size_t>(inner->Count); k > pos; --k) {
    inner->Children[k] = std::move(inner->Children[k - 1]);
    inner->Sizes[k] = inner->Sizes[k - 1];
    inner->First[k] = std::move(inner->First[k - 1]);
    inner->Fast[k] = inner->Fast[k - 1];
  }
  inner->First[pos] = FirstEntry(Child.get());
  inner->Fast[pos] = FastKeyOf(inner->First[pos]);
  inner->Children[pos] = std::move(Child);
  inner->Sizes[pos] = ChildSize;
  ++inner->Count;
}

// ---------------------------------------------------------------------------
// Erasing

void TIndexEntriesEh::Erase(Integer Pos) {
  if (Pos < 0 || Pos >= FCount) TList::Error(u"List index out of bounds (%d)", Pos);
  TPath path;
  Integer at = Pos;
  TLeaf* leaf = Descend(at, &path, false);
  MoveSlots(leaf->Items, static_cast<size_t>(at + 1), static_cast<size_t>(leaf->Count), static_cast<size_t>(at));
  auto* items = leaf->Items.data();
  --leaf->Count;
  items[leaf->Count] = TIndexItemEh();
  for (int level = 0; level < path.Depth; ++level) {
    const TStep& step = path.Steps[static_cast<size_t>(level)];
    --step.Node->Sizes[static_cast<size_t>(step.Child)];
  }
  --FCount;
  if (leaf->Count == 0) {
    if (leaf->Prev) leaf->Prev->Next = leaf->Next;
    else FFirstLeaf = leaf->Next;
    if (leaf->Next) leaf->Next->Prev = leaf->Prev;
    if (path.Depth == 0) Clear();
    else RemoveChild(path, path.Depth - 1);
    return;
  }
  if (at == 0) RefreshFirst(path, path.Depth, items[0]);
  Rebalance(path, leaf);
}

// Drops the child the path takes at Level (already unlinked from the leaf chain
// when it is a leaf).
void TIndexEntriesEh::RemoveChild(TPath& Path, int Level) {
  TInner* inner = Path.Steps[static_cast<size_t>(Level)].Node;
  const auto at = static_cast<size_t>(Path.Steps[static_cast<size_t>(Level)].Child);
  inner->Children[at].reset();
  for (auto k = at; k + 1 < static_cast<size_t>(inner->Count); ++k) {
    inner->Children[k] = std::move(inner->Children[k + 1]);
    inner->Sizes[k] = inner->Sizes[k + 1];
    inner->First[k] = std::move(inner->First[k + 1]);
    inner->Fast[k] = inner->Fast[k + 1];
  }
  --inner->Count;
  inner->First[static_cast<size_t>(inner->Count)] = TIndexItemEh();
  if (inner->Count == 0) {
    if (Level == 0) Clear();
    else RemoveChild(Path, Level - 1);
    return;
  }
  if (at == 0) RefreshFirst(Path, Level, FirstEntry(inner));
  // A root of one child gives way to it.
  while (!FRoot->Leaf && FRoot->Count == 1) {
    std::unique_ptr<TNode> child = std::move(static_cast<TInner*>(FRoot.get())->Children[0]);
    FRoot = std::move(child);
  }
}

// A leaf under a quarter full joins a neighbour under the same parent when both
// fit in three quarters of a leaf, so deletions cannot leave a tree of slivers.
void TIndexEntriesEh::Rebalance(TPath& Path, TLeaf* Leaf) {
  if (Path.Depth == 0 || Leaf->Count >= LeafCapacity / 4) return;
  TStep& step = Path.Steps[static_cast<size_t>(Path.Depth - 1)];
  TInner* parent = step.Node;
  Integer left = -1;
  if (step.Child + 1 < parent->Count &&
      Leaf->Count + parent->Sizes[static_cast<size_t>(step.Child + 1)] <= LeafCapacity * 3 / 4)
    left = step.Child;
  else if (step.Child > 0 && Leaf->Count + parent->Sizes[static_cast<size_t>(step.Child - 1)] <= LeafCapacity * 3 / 4)
    left = step.Child - 1;
  if (left < 0) return;
  auto* into = static_cast<TLeaf*>(parent->Children[static_cast<size_t>(left)].get());
  auto* from = static_cast<TLeaf*>(parent->Children[static_cast<size_t>(left + 1)].get());
  std::move(from->Items.begin(), from->Items.begin() + from->Count, into->Items.begin() + into->Count);
  into->Count += from->Count;
  parent->Sizes[static_cast<size_t>(left)] += from->Count;
  into->Next = from->Next;
  if (from->Next) from->Next->Prev = into;
  // The left one's first entry stays first; the right one goes.
  step.Child = left + 1;
  RemoveChild(Path, Path.Depth - 1);
}

// ---------------------------------------------------------------------------
// Loading whole levels

TIndexEntriesEh::TBulkLoad::TBulkLoad(TIndexEntriesEh& Owner, Integer Count, TIndexNodeBlocksEh* Spares,
                                      std::unique_ptr<TIndexNodeBlockEh> Block)
    // Nodes full: a search through a large index then reads as few levels as
    // can be (a million entries in four), and the first insert into a full
    // leaf costs one split.
    : FOwner(Owner), FFill(LeafCapacity) {
  FLeaves.reserve(static_cast<size_t>(Count / FFill + 1));
  // A block only where the nodes fill a huge page: a small table's index keeps
  // to the heap. The block taken ahead, when it suits as a spare would.
  const size_t bytes = NodeBytes(Count);
  if (Block && bytes >= kHugePage && Block->Size() >= bytes && Block->Size() / 2 < bytes) {
    FOwner.FBlock = std::move(Block);
    return;
  }
  if (Spares) Spares->Keep(std::move(Block));
  if (bytes >= kHugePage) FOwner.FBlock = Spares ? Spares->Take(bytes) : std::make_unique<TIndexNodeBlockEh>(bytes);
}

size_t TIndexEntriesEh::TBulkLoad::NodeBytes(Integer Count) {
  const size_t leaves = static_cast<size_t>(Count / LeafCapacity + 1);
  size_t bytes = leaves * sizeof(TLeaf);
  const auto innerFill = static_cast<size_t>(InnerCapacity);
  for (size_t n = leaves; n > 1;) {
    n = (n + innerFill - 1) / innerFill;
    bytes += n * sizeof(TInner);
  }
  return bytes + (leaves + leaves / innerFill + 2) * 64;  // each node aligned to a line
}

std::unique_ptr<TIndexNodeBlockEh> TIndexEntriesEh::BlockForLoad(Integer Count, TIndexNodeBlocksEh* Spares) {
  const size_t bytes = TBulkLoad::NodeBytes(Count);
  if (bytes < kHugePage) return nullptr;
  return Spares ? Spares->Take(bytes) : std::make_unique<TIndexNodeBlockEh>(bytes);
}

template <class T>
std::unique_ptr<TIndexEntriesEh::TNode> TIndexEntriesEh::TBulkLoad::Make() {
  if (FOwner.FBlock)
    if (void* p = FOwner.FBlock->Take(sizeof(T))) {
      T* node = new (p) T();
      node->InBlock = true;
      return std::unique_ptr<TNode>(node);
    }
  return std::make_unique<T>();
}

void TIndexEntriesEh::TBulkLoad::Add(TIndexItemEh Item) {
  if (!FLast || FLast->Count == FFill) {
    std::unique_ptr<TNode> made = Make<TLeaf>();
    auto* leaf = static_cast<TLeaf*>(made.get());
    leaf->Prev = FLast;
    if (FLast) FLast->Next = leaf;
    FLast = leaf;
    FLeaves.push_back(std::move(made));
  }
  FLast->Items[static_cast<size_t>(FLast->Count++)] = std::move(Item);
  ++FOwner.FCount;
}

void TIndexEntriesEh::TBulkLoad::Finish() {
  if (FLeaves.empty()) return;
  FOwner.FFirstLeaf = static_cast<TLeaf*>(FLeaves.front().get());
  std::vector<std::unique_ptr<TNode>> level = std::move(FLeaves);
  const Integer fill = InnerCapacity;
  while (level.size() > 1) {
    std::vector<std::unique_ptr<TNode>> up;
    up.reserve(level.size() / static_cast<size_t>(fill) + 1);
    for (size_t k = 0; k < level.size(); ++k) {
      if (k % static_cast<size_t>(fill) == 0) up.push_back(Make<TInner>());
      auto* inner = static_cast<TInner*>(up.back().get());
      const auto at = static_cast<size_t>(inner->Count++);
      inner->Sizes[at] = SizeOf(level[k].get());
      if (at > 0) {
        inner->First[at] = FirstEntry(level[k].get());
        inner->Fast[at] = FastKeyOf(inner->First[at]);
      }
      inner->Children[at] = std::move(level[k]);
    }
    level = std::move(up);
  }
  FOwner.FRoot = std::move(level.front());
  if (FOwner.FBlock) FOwner.FBlock->NodesWritten();
}

void TIndexEntriesEh::Assign(std::vector<TIndexItemEh> Items) {
  AssignMade(static_cast<Integer>(Items.size()),
             [&Items](Integer i) { return std::move(Items[static_cast<size_t>(i)]); });
}

void TIndexEntriesEh::ForEach(const std::function<void(const TIndexItemEh&)>& Visit) const {
  for (const TLeaf* leaf = FFirstLeaf; leaf; leaf = leaf->Next)
    for (Integer k = 0; k < leaf->Count; ++k) Visit(leaf->Items[static_cast<size_t>(k)]);
}

// ---------------------------------------------------------------------------
// Invariants

namespace {

bool SameFastKey(const TIndexEntriesEh::TFastKey& A, const TIndexEntriesEh::TFastKey& B) {
  return A.Kind == B.Kind && A.Number == B.Number && A.RecId == B.RecId;
}

bool SameEntry(const TIndexItemEh& A, const TIndexItemEh& B) {
  return A.Rec == B.Rec && A.RecId == B.RecId && A.KeyType() == B.KeyType() && VarSameValue(A.Key(), B.Key());
}

}  // namespace

bool TIndexEntriesEh::CheckNode(const TNode* N, int Depth, int& LeafDepth, const TLeaf*& PrevLeaf,
                                Integer& Size) const {
  if (N->Count < 1) return false;
  if (N->Leaf) {
    const auto* leaf = static_cast<const TLeaf*>(N);
    if (LeafDepth < 0) LeafDepth = Depth;
    if (LeafDepth != Depth || leaf->Prev != PrevLeaf || (PrevLeaf ? PrevLeaf->Next : FFirstLeaf) != leaf) return false;
    PrevLeaf = leaf;
    Size = leaf->Count;
    return leaf->Count <= LeafCapacity;
  }
  const auto* inner = static_cast<const TInner*>(N);
  if (inner->Count > InnerCapacity) return false;
  Size = 0;
  for (Integer k = 0; k < inner->Count; ++k) {
    const TNode* child = inner->Children[static_cast<size_t>(k)].get();
    Integer childSize = 0;
    if (!child || !CheckNode(child, Depth + 1, LeafDepth, PrevLeaf, childSize)) return false;
    if (childSize != inner->Sizes[static_cast<size_t>(k)]) return false;
    if (k > 0 && !SameEntry(inner->First[static_cast<size_t>(k)], FirstEntry(child))) return false;
    if (k > 0 && !SameFastKey(inner->Fast[static_cast<size_t>(k)], FastKeyOf(FirstEntry(child)))) return false;
    Size += childSize;
  }
  return true;
}

bool TIndexEntriesEh::CheckInvariants() const {
  if (!FRoot) return FCount == 0 && !FFirstLeaf;
  int leafDepth = -1;
  const TLeaf* last = nullptr;
  Integer size = 0;
  if (!CheckNode(FRoot.get(), 0, leafDepth, last, size)) return false;
  if (!FRoot->Leaf && FRoot->Count < 2) return false;
  return size == FCount && last && !last->Next;
}
