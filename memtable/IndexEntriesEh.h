#pragma once
// TIndexEntriesEh: the sorted entries of one index, held in a counted B+ tree:
// the entries themselves lie in leaves of up to LeafCapacity, side by side, and
// each inner node keeps, for every child, how many entries lie below it and a
// copy of its first entry. Inserting, erasing, reading an entry by position and
// finding the position of a key all cost O(log n) whatever the change, and a
// step of a search reads one node of many entries instead of one entry: a
// sorted vector would shift half its entries on every insert, and a binary
// tree of single entries waits for memory at every level.
//
// The tree keeps no order of its own: callers insert at a position they found
// with LowerBound, so the comparison (which may raise for keys of other kinds)
// never runs while the tree is being changed.
//
// Implementation: memtable/IndexEntriesEh.cpp.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <new>
#include <vector>

#include "memtable/PagesAheadEh.h"
#include "memtable/RecordValuesEh.h"
#include "platform/core/Types.h"
#include "platform/core/Variant.h"

class TMemoryRecordEh;

// One entry: the key of a record and the record. The record's position is read
// from the record itself, so no entry changes when other records come or go.
// A whole-number or Null key, the commonest, is held as its number and type in
// the entry itself; any other key in a Variant of its own: an index holds as
// many entries as the table has records, so an entry is kept to 32 bytes.
class TIndexItemEh {
public:
  TIndexItemEh() = default;
  TIndexItemEh(const Variant& AKey, TMemoryRecordEh* ARec);
  // A whole-number key of the given Variant type (varNull for none), for a
  // record whose identifier the caller already knows.
  TIndexItemEh(TVarType AType, Int64 ANumber, TMemoryRecordEh* ARec, Integer ARecId)
      : Rec(ARec), FNumber(ANumber), RecId(ARecId), FType(AType) {}
  TIndexItemEh(const TIndexItemEh& Other);
  TIndexItemEh(TIndexItemEh&& Other) noexcept = default;
  TIndexItemEh& operator=(const TIndexItemEh& Other);
  TIndexItemEh& operator=(TIndexItemEh&& Other) noexcept = default;
  ~TIndexItemEh() = default;

  // The record's position in the records list's active list.
  Integer RecIndex() const;
  // The key as the Variant it was made from.
  Variant Key() const;
  void SetKey(const Variant& Value);
  TVarType KeyType() const { return FType; }
  // A key of any kind but a whole number or Null, read in place; null for those.
  const Variant* KeyVariant() const { return FOther.get(); }
  // The whole number of a whole-number key.
  Int64 KeyNumber() const { return FNumber; }

  TMemoryRecordEh* Rec = nullptr;

private:
  Int64 FNumber = 0;
  std::unique_ptr<Variant> FOther;

public:
  // The record's identifier, which never changes: equal keys go by it.
  // (Declared here so that it packs with the key's type.)
  Integer RecId = 0;

private:
  TVarType FType = varEmpty;
};
static_assert(sizeof(TIndexItemEh) <= 32);

// The memory of the nodes a whole load of a large index makes, taken at once:
// the nodes then lie on few huge pages, and a search through a million entries
// does not wait for the address translation of every node it reads. Nodes
// made later come from the heap.
//
// The pages come plain and are made huge on a helper thread when the nodes
// are first searched (MakePagesHuge): a fresh huge page costs the kernel (and
// the host of a virtual machine) several times what its plain pages do, so a
// load would wait for them, and a tree-mode open makes indexes it never
// searches; made huge on the search's own thread, they would cost that search
// as much.
class TIndexNodeBlockEh {
public:
  explicit TIndexNodeBlockEh(size_t Bytes);
  ~TIndexNodeBlockEh();
  TIndexNodeBlockEh(const TIndexNodeBlockEh&) = delete;
  TIndexNodeBlockEh& operator=(const TIndexNodeBlockEh&) = delete;
  size_t Size() const { return FSize; }
  // Null when the block could not be mapped.
  const void* Data() const { return FBase; }
  // Room for a node of Bytes; null when the block is spent.
  void* Take(size_t Bytes);
  // Every node taken from it is gone: it is taken from the start again.
  void Reuse();
  // Once a load has written the nodes: a helper thread is started that makes
  // their pages huge when MakePagesHuge is first called.
  void NodesWritten();
  // Has the pages the nodes lie on made huge, the first time it is called
  // after a load, and returns at once: the nodes may be read meanwhile. Safe
  // on several threads at once. A kernel short of huge pages leaves them plain.
  void MakePagesHuge() { FHugePages.Go(); }

private:
  std::byte* FBase = nullptr;  // null when it could not be mapped
  size_t FSize = 0;
  size_t FUsed = 0;
  TPagesAheadEh FHugePages;
};

// Blocks that indexes let go, kept for the next whole load of an index of the
// same owner: an index dropped and made again (a tree switched off and on)
// finds its pages in place, where a fresh block's pages are each cleared by
// the kernel first. At most two wait.
class TIndexNodeBlocksEh {
public:
  void Keep(std::unique_ptr<TIndexNodeBlockEh> Block);
  // A kept block of Bytes or somewhat more, else a new one.
  std::unique_ptr<TIndexNodeBlockEh> Take(size_t Bytes);
  size_t Count() const { return FKept.size(); }

private:
  std::vector<std::unique_ptr<TIndexNodeBlockEh>> FKept;
};

class TIndexEntriesEh {
public:
  static constexpr Integer LeafCapacity = 32;
  static constexpr Integer InnerCapacity = 32;

  TIndexEntriesEh();
  ~TIndexEntriesEh();
  TIndexEntriesEh(const TIndexEntriesEh&) = delete;
  TIndexEntriesEh& operator=(const TIndexEntriesEh&) = delete;
  TIndexEntriesEh(TIndexEntriesEh&& Other) noexcept;
  TIndexEntriesEh& operator=(TIndexEntriesEh&& Other) noexcept;

  Integer Count() const { return FCount; }
  const TIndexItemEh& At(Integer Pos) const;
  // Keeps the tree's copies of the entry current; the caller keeps the order.
  void SetKey(Integer Pos, const Variant& Key);
  // Pos may be Count() (append).
  void Insert(Integer Pos, TIndexItemEh Item);
  void Erase(Integer Pos);
  void Clear();
  // Empties the tree and hands over the block its nodes lay in, if any.
  std::unique_ptr<TIndexNodeBlockEh> TakeBlock();
  // Replaces every entry with Items, already in order, in O(n).
  void Assign(std::vector<TIndexItemEh> Items);
  // The same with Count entries made in order by Make(i), i = 0 .. Count - 1,
  // straight into the leaves.
  // A large load takes its nodes' block from Spares when given; or Block,
  // when it holds them (see BlockForLoad).
  template <class TMake>
  void AssignMade(Integer Count, TMake&& Make, TIndexNodeBlocksEh* Spares = nullptr,
                  std::unique_ptr<TIndexNodeBlockEh> Block = nullptr) {
    if (Spares) Spares->Keep(TakeBlock());
    else Clear();
    TBulkLoad load(*this, Count, Spares, std::move(Block));
    for (Integer i = 0; i < Count; ++i) load.Add(Make(i));
    load.Finish();
  }

  // What a search may read of an entry without its key's Variant: a
  // whole-number key (or Null) and the record's identifier. Inner nodes keep
  // them side by side for their children's first entries; a leaf's entries
  // hold them in place.
  enum TFastKind : Byte { fkNull, fkWholeNumber, fkOther };
  struct TFastKey {
    Int64 Number = 0;
    Integer RecId = 0;
    TFastKind Kind = fkOther;
  };
  static TFastKey FastKeyOf(const TIndexItemEh& Item) {
    TFastKey k;
    k.RecId = Item.RecId;
    if (Item.KeyVariant()) return k;
    if (Item.KeyType() == varNull) {
      k.Kind = fkNull;
    } else if (TRecValueEh::IsIntegerType(Item.KeyType())) {
      k.Kind = fkWholeNumber;
      k.Number = Item.KeyNumber();
    }
    return k;
  }

  // The first position whose entry does not lie before the probe. Before(entry)
  // answers whether the entry lies before it; it may raise, and then nothing
  // changed. At, when given, receives the entry at that position (null past the end).
  template <class TBefore>
  Integer LowerBound(TBefore&& Before, const TIndexItemEh** At = nullptr) const {
    return Search<true>([](const TFastKey&) { return -1; }, Before, At);
  }
  // The same, asking Fast(key) first: 1 when the entry lies before the probe, 0
  // when not, -1 when only the whole entry can tell (Before is asked then). The
  // keys a search reads lie side by side, a few cache lines a node.
  template <class TFast, class TBefore>
  Integer LowerBound(TFast&& Fast, TBefore&& Before, const TIndexItemEh** At = nullptr) const {
    return Search<true>(Fast, Before, At);
  }
  // The entry LowerBound would give in At, without working out its position.
  template <class TFast, class TBefore>
  const TIndexItemEh* FirstNotBefore(TFast&& Fast, TBefore&& Before) const {
    const TIndexItemEh* at = nullptr;
    Search<false>(Fast, Before, &at);
    return at;
  }

  // From the entry LowerBound gives, each entry in order while Visit(entry,
  // its position) answers true.
  // Narrow(first, count), when given, learns on the way down that the entry lies
  // at a position from first to first + count - 1, before the node below is
  // read: a caller can ask for what it reads next by position meanwhile.
  template <class TFast, class TBefore, class TVisit, class TNarrow = void (*)(Integer, Integer)>
  void VisitFrom(
      TFast&& Fast, TBefore&& Before, TVisit&& Visit, TNarrow&& Narrow = [](Integer, Integer) {}) const {
    const TLeaf* leaf = nullptr;
    Integer k = 0;
    Integer pos = Search<true>(Fast, Before, nullptr, &leaf, &k, Narrow);
    for (; leaf; leaf = leaf->Next, k = 0)
      for (; k < leaf->Count; ++k)
        if (!Visit(leaf->Items[static_cast<size_t>(k)], pos++)) return;
  }

  // The block a whole load of up to Count entries makes its nodes in, taken
  // ahead from Spares (when given) or made: a caller can have its pages given
  // while it gathers the entries (see TPagesAheadEh), and hands it to
  // AssignMade. Null when such a load keeps its nodes on the heap.
  static std::unique_ptr<TIndexNodeBlockEh> BlockForLoad(Integer Count, TIndexNodeBlocksEh* Spares);

  // Each entry in order, in O(n).
  void ForEach(const std::function<void(const TIndexItemEh&)>& Visit) const;

  // For tests: the tree's own invariants (sizes, first-entry copies, fill,
  // leaf chain); false at the first broken one.
  bool CheckInvariants() const;

private:
  struct TNode {
    explicit TNode(bool ALeaf) : Leaf(ALeaf) {}
    virtual ~TNode() = default;
    // A node made in a whole load's block goes with the block, not on its own.
    static void operator delete(TNode* N, std::destroying_delete_t);
    bool Leaf;
    bool InBlock = false;
    Integer Count = 0;  // entries of a leaf, children of an inner node
  };
  struct TLeaf : TNode {
    TLeaf() : TNode(true) {}
    TLeaf* Next = nullptr;
    TLeaf* Prev = nullptr;
    // The entries hold their whole-number keys in place: a search reads them
    // without a table of fast keys beside them, and a leaf takes two thirds
    // of the memory it would with one.
    std::array<TIndexItemEh, LeafCapacity> Items;
  };
  struct TInner : TNode {
    TInner() : TNode(false) {}
    std::array<Integer, InnerCapacity> Sizes{};
    std::array<TFastKey, InnerCapacity> Fast;  // Fast[k] is FastKeyOf(First[k])
    std::array<std::unique_ptr<TNode>, InnerCapacity> Children;
    // First[k]: a copy of the first entry below child k (First[0] is not kept).
    std::array<TIndexItemEh, InnerCapacity> First;
  };

  // The bytes of a node a search may read, whichever kind it is: a leaf's
  // header and entries; an inner node's header, sizes, fast keys and children.
  static constexpr size_t kSearchedBytes = std::max(sizeof(TLeaf), sizeof(TInner) - sizeof(TInner::First));
  // Asks for the lines of a node a search reads at once, once a node: a search
  // then waits for memory once a level, not once a probe, and spends no
  // instructions asking for lines already on their way.
  static void PrefetchNode(const TNode* N) {
    const auto from = reinterpret_cast<uintptr_t>(N);
    for (uintptr_t line = from / 64 * 64; line < from + kSearchedBytes; line += 64)
      __builtin_prefetch(reinterpret_cast<const void*>(line));
  }
  template <class TFast, class TBefore>
  static bool Precedes(TFast& Fast, TBefore& Before, const TFastKey& Key, const TIndexItemEh& Item) {
    const int fast = Fast(Key);
    return fast >= 0 ? fast == 1 : static_cast<bool>(Before(Item));
  }
  // The position is summed on the way down only when asked for (WithPos).
  // LeafAt and IndexAt, when given, receive the leaf and the place in it (which
  // may be its count: the entry is then the next leaf's first).
  template <bool WithPos, class TFast, class TBefore, class TNarrow = void (*)(Integer, Integer)>
  Integer Search(
      TFast&& Fast, TBefore&& Before, const TIndexItemEh** At, const TLeaf** LeafAt = nullptr,
      Integer* IndexAt = nullptr, TNarrow&& Narrow = [](Integer, Integer) {}) const {
    Integer pos = 0;
    // The block's pages are no part of the entries: a search may have them settled.
    if (FBlock) FBlock->MakePagesHuge();
    const TNode* n = FRoot.get();
    if (!n) {
      if (At) *At = nullptr;
      if (LeafAt) *LeafAt = nullptr;
      return 0;
    }
    PrefetchNode(n);
    while (!n->Leaf) {
      const auto* inner = static_cast<const TInner*>(n);
      // The last child whose first entry lies before the probe: the answer lies
      // in it or is the first entry of the child after it.
      Integer lo = 1, hi = inner->Count;  // children 1 .. lo - 1 start before the probe
      while (lo < hi) {
        const Integer mid = (lo + hi) / 2;
        const auto m = static_cast<size_t>(mid);
        const bool before = Precedes(Fast, Before, inner->Fast[m], inner->First[m]);
        lo = before ? mid + 1 : lo;
        hi = before ? hi : mid;
      }
      const Integer child = lo - 1;
      if (WithPos)
        for (Integer k = 0; k < child; ++k) pos += inner->Sizes[static_cast<size_t>(k)];
      n = inner->Children[static_cast<size_t>(child)].get();
      // The child's header and the keys, sizes and children a search reads of
      // it, whichever kind it is, are asked for together: the header would
      // otherwise be waited for before the rest could be asked for.
      PrefetchNode(n);
      // The entry sought lies below the child taken, or is the next child's first.
      if (WithPos) Narrow(pos, inner->Sizes[static_cast<size_t>(child)] + 1);
    }
    const auto* leaf = static_cast<const TLeaf*>(n);
    Integer lo = 0, hi = leaf->Count;
    while (lo < hi) {
      const Integer mid = (lo + hi) / 2;
      const auto m = static_cast<size_t>(mid);
      const bool before = Precedes(Fast, Before, FastKeyOf(leaf->Items[m]), leaf->Items[m]);
      lo = before ? mid + 1 : lo;
      hi = before ? hi : mid;
    }
    if (At) {
      if (lo < leaf->Count) *At = &leaf->Items[static_cast<size_t>(lo)];
      else *At = leaf->Next ? &leaf->Next->Items[0] : nullptr;
    }
    if (LeafAt) {
      *LeafAt = leaf;
      *IndexAt = lo;
    }
    return pos + lo;
  }
  // Where a walk from the root went: the inner node and the child taken, level by level.
  struct TStep {
    TInner* Node;
    Integer Child;
  };
  static constexpr int MaxHeight = 16;
  struct TPath {
    std::array<TStep, MaxHeight> Steps;
    int Depth = 0;
  };

  class TBulkLoad {
  public:
    TBulkLoad(TIndexEntriesEh& Owner, Integer Count, TIndexNodeBlocksEh* Spares,
              std::unique_ptr<TIndexNodeBlockEh> Block);
    // The bytes of the nodes a load of Count entries makes, each aligned to a line.
    static size_t NodeBytes(Integer Count);
    void Add(TIndexItemEh Item);
    void Finish();

  private:
    template <class T>
    std::unique_ptr<TNode> Make();
    TIndexEntriesEh& FOwner;
    std::vector<std::unique_ptr<TNode>> FLeaves;
    TLeaf* FLast = nullptr;
    Integer FFill;
  };

  static Integer SizeOf(const TNode* N);
  // Walks down to the leaf holding Pos; Pos becomes the position inside it.
  // For an insert, a position between two leaves goes to the end of the first.
  TLeaf* Descend(Integer& Pos, TPath* Path, bool ForInsert) const;
  // After the first entry below the node reached by the path's first Depth
  // steps changed: the copy of it in the nearest inner node that keeps one.
  static void RefreshFirst(const TPath& Path, int Depth, const TIndexItemEh& First);
  void SplitLeaf(TPath& Path, TLeaf* Leaf);
  void InsertChild(TPath& Path, int Level, std::unique_ptr<TNode> Child, Integer ChildSize);
  void RemoveChild(TPath& Path, int Level);
  void Rebalance(TPath& Path, TLeaf* Leaf);
  static const TIndexItemEh& FirstEntry(const TNode* N);
  bool CheckNode(const TNode* N, int Depth, int& LeafDepth, const TLeaf*& PrevLeaf, Integer& Size) const;

  // Declared before the nodes, so that it outlives them.
  std::unique_ptr<TIndexNodeBlockEh> FBlock;
  std::unique_ptr<TNode> FRoot;
  Integer FCount = 0;
  TLeaf* FFirstLeaf = nullptr;
};
