#pragma once
// A small generic tree: TBaseTreeNodeEh (ordered children, a level, expanded and
// visible flags) and TTreeListEh (an invisible root, the node class to create,
// a maximum depth, and the operations to add, attach, move, delete, walk and
// sort nodes). The records view's parent/child tree and the grid's grouping
// tree derive from both classes.
//
// Invariants:
//   - every child's Index is its position among its parent's children and its
//     Level is its parent's Level + 1 (the root has 0); no node lies deeper than
//     MaxLevel, and a change that would put one deeper is refused before
//     anything moves;
//   - a node's visible list holds its Visible children in order; while every
//     child is visible the list is not consulted and a child's visible position
//     is its Index. After a child's visibility changes the list is rebuilt when
//     next read, so hiding many children of one parent costs one rebuild.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <iterator>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#include "memtable/PagesAheadEh.h"
#include "platform/core/Exceptions.h"
#include "platform/core/Object.h"

class TTreeListEh;

// Where AttachNode and MoveTo put a node relative to the destination.
enum TNodeAttachModeEh : Integer {
  naAddEh = 0,            // last sibling of the destination
  naAddFirstEh = 1,       // first sibling
  naAddChildEh = 2,       // last child
  naAddChildFirstEh = 3,  // first child
  naInsertEh = 4          // before the destination
};

class TBaseTreeNodeEh;

// A node's children: an address and two 32-bit counts. A tree built whole
// gives its nodes ranges of one block it owns (Borrow), so a large build makes
// no allocation per parent; a borrowed range is filled and reordered in place,
// and the first change that outgrows it moves the children to a block of the
// node's own.
class TTreeChildrenEh {
public:
  using TItem = TBaseTreeNodeEh*;
  TTreeChildrenEh() = default;
  ~TTreeChildrenEh() { Release(); }
  TTreeChildrenEh(const TTreeChildrenEh&) = delete;
  TTreeChildrenEh& operator=(const TTreeChildrenEh&) = delete;

  size_t size() const { return FSize; }
  bool empty() const { return FSize == 0; }
  TItem& operator[](size_t Index) { return FData[Index]; }
  TItem operator[](size_t Index) const { return FData[Index]; }
  TItem* begin() { return FData; }
  TItem* end() { return FData + FSize; }
  const TItem* begin() const { return FData; }
  const TItem* end() const { return FData + FSize; }
  std::reverse_iterator<const TItem*> rbegin() const { return std::reverse_iterator<const TItem*>(end()); }
  std::reverse_iterator<const TItem*> rend() const { return std::reverse_iterator<const TItem*>(begin()); }
  TItem front() const { return FData[0]; }
  TItem back() const { return FData[FSize - 1]; }

  void reserve(size_t Count) {
    if (Count > Capacity()) Grow(Count);
  }
  void push_back(TItem Node) {
    if (FSize == Capacity()) Grow(FSize + 1);
    FData[FSize++] = Node;
  }
  TItem* insert(TItem* Pos, TItem Node);
  void erase(TItem* Pos);
  // Empties the list and gives back its own block.
  void clear() { Release(); }
  void swap(TTreeChildrenEh& Other) noexcept {
    std::swap(FData, Other.FData);
    std::swap(FSize, Other.FSize);
    std::swap(FCap, Other.FCap);
  }
  // An empty list takes Count slots of a block that outlives it.
  void Borrow(TItem* Slots, size_t Count) {
    Release();
    FData = Slots;
    FCap = static_cast<uint32_t>(Count) | kBorrowed;
  }

private:
  static constexpr uint32_t kBorrowed = 0x80000000u;
  size_t Capacity() const { return FCap & ~kBorrowed; }
  void Grow(size_t AtLeast);
  void Release() {
    if (!(FCap & kBorrowed)) delete[] FData;
    FData = nullptr;
    FSize = FCap = 0;
  }
  TItem* FData = nullptr;
  uint32_t FSize = 0;
  uint32_t FCap = 0;  // the high bit: the slots are borrowed
};

// Negative, 0 or positive.
using TCompareNodesEh = std::function<Integer(TBaseTreeNodeEh* Node1, TBaseTreeNodeEh* Node2, TObject* ParamSort)>;

class TBaseTreeNodeEh : public TObject {
public:
  BORROW_CLASS(TBaseTreeNodeEh, TObject)
  TBaseTreeNodeEh() = default;
  // Frees every child (and so the whole subtree).
  ~TBaseTreeNodeEh() override;
  TBaseTreeNodeEh(const TBaseTreeNodeEh&) = delete;
  TBaseTreeNodeEh& operator=(const TBaseTreeNodeEh&) = delete;

  // Asks the owner tree whether Expanded may change.
  virtual bool ExpandedChanging();
  // The child at Index; null outside 0 .. Count - 1.
  virtual TBaseTreeNodeEh* GetItem(Integer Index) const;
  virtual bool VisibleChanging() { return true; }
  // Empties both child lists without freeing the children.
  virtual void ClearItems();
  virtual void ChildVisibleChanged(TBaseTreeNodeEh* ChildNode);
  virtual void ExpandedChanged();
  virtual void VisibleChanged();
  virtual void BuildVisibleItems();

  // "TBaseTreeNodeEh.Add: Tree nodes can not has different Owners" for a node of another tree.
  Integer Add(TBaseTreeNodeEh* Node);
  void Insert(Integer Pos, TBaseTreeNodeEh* Node);
  // Detaches the child at Pos (not freed).
  void DeleteAt(Integer Pos);
  void ExchangeItems(Integer Index1, Integer Index2);
  // Sorts the children (with ARecurse every node's below too) by the table's
  // quicksort (QuickSortRange), exchanging through ExchangeItems.
  void SortData(const TCompareNodesEh& CompareProg, TObject* ParamSort, bool ARecurse);

  Integer Count() const { return static_cast<Integer>(FItems.size()); }
  Integer GetVisibleCount() const;
  Integer VisibleCount() const { return GetVisibleCount(); }
  // The child at a visible position; null outside.
  TBaseTreeNodeEh* VisibleItems(Integer Index) const;
  TBaseTreeNodeEh* operator[](Integer Index) const { return GetItem(Index); }

  TTreeListEh* GetOwner() const { return FOwner; }
  const String& GetText() const;
  void SetText(const String& Value);
  void* GetData() const { return FData; }
  void SetData(void* Value) { FData = Value; }
  bool GetExpanded() const { return FExpanded; }
  void SetExpanded(bool Value);
  bool GetHasChildren() const;
  void SetHasChildren(bool Value);
  Integer GetIndex() const { return FIndex; }
  Integer GetLevel() const { return FLevel; }
  // "TBaseTreeNodeEh.SetLevel: Max level exceed - <MaxLevel>" when the node or a
  // descendant would lie deeper than the owner's MaxLevel; nothing changes then.
  void SetLevel(Integer Value);
  TBaseTreeNodeEh* GetParent() const { return FParent; }
  bool GetVisible() const { return FVisible; }
  void SetVisible(bool Value);
  Integer GetVisibleIndex() const;
  // How many levels lie below the node (0 for a leaf).
  Integer SubtreeHeight() const;

private:
  friend class TTreeListEh;
  // Frees a node however its tree made it (from the tree's arena or the heap).
  static void Free(TBaseTreeNodeEh* Node);
  void Attach(Integer Pos, TBaseTreeNodeEh* Node);
  void Renumber(Integer From);
  void CheckOwner(const TBaseTreeNodeEh* Node) const;
  void FlushVisibleItems() const {
    if (FVisibleItemsDirty) const_cast<TBaseTreeNodeEh*>(this)->BuildVisibleItems();
  }
  void StoreLevel(Integer Value);

  // What few nodes hold: a record's node has no text, and the visible list is
  // kept only while some child is hidden.
  struct TRare {
    String Text;
    std::vector<TBaseTreeNodeEh*> VisibleItems;
    bool HasVisibleItems = false;
  };
  TRare& Rare() const;
  // Drops the rare part when it holds nothing.
  void TrimRare() const;
  void DropVisibleItems() const;

  // Pointers first, then the numbers and flags together: a large tree holds
  // many nodes, and padding between fields would cost memory in each.
  TTreeListEh* FOwner = nullptr;
  TBaseTreeNodeEh* FParent = nullptr;
  void* FData = nullptr;
  mutable std::unique_ptr<TRare> FRare;
  TTreeChildrenEh FItems;  // owned
  Integer FIndex = -1;
  Integer FLevel = 0;
  mutable Integer FVisibleCount = 0;
  mutable Integer FVisibleIndex = -1;
  bool FExpanded = false;
  bool FHasChildren = false;
  bool FVisible = true;
  mutable bool FVisibleItemsDirty = false;
  bool FInArena = false;
};

// Fixed-size slots for the nodes a tree makes, carved from large blocks: one
// allocation per block instead of one per node. A freed slot is reused; when
// the last live slot goes the blocks are given back.
class TTreeNodeArenaEh {
public:
  TTreeNodeArenaEh() = default;
  ~TTreeNodeArenaEh();
  TTreeNodeArenaEh(const TTreeNodeArenaEh&) = delete;
  TTreeNodeArenaEh& operator=(const TTreeNodeArenaEh&) = delete;

  // Only before the first slot is handed out.
  void SetSlotSize(size_t Size);
  size_t GetSlotSize() const { return FSlotSize; }
  void* Allocate();
  // Count slots side by side, each made live by TakeFromRun when its node is
  // made there; a slot never taken stays unused, as a block's unused tail does.
  std::byte* AllocateRun(size_t Count);
  void TakeFromRun(void* Slot);
  void Release(void* Slot);
  // The next block holds at least Count slots beyond those free now.
  void Reserve(size_t Count);
  size_t LiveCount() const { return FLive; }
  // Whether the block slots are carved from now was mapped whole.
  bool LastBlockMapped() const { return !FBlocks.empty() && FBlocks.back().Data.get_deleter().Mapped != 0; }
  // The block Reserve mapped ahead, before any slot is carved from it (null
  // when there is none): a build may keep work tables in it that are gone
  // before it takes its slots, and its pages then serve twice.
  std::byte* ReadyMemory(size_t& Bytes) const {
    Bytes = FReady.Size;
    return FReady.Data.get();
  }
  // The block Reserve mapped ahead goes back, no slot carved from it.
  void DropReady();
  // Once a whole tree's build has made its nodes: the pages of the block
  // mapped for them are made huge on a helper thread when MakePagesHuge is
  // first called, as an index's nodes are (TIndexNodeBlockEh): a search
  // through a million nodes then does not wait for the address translation
  // of every node it reads, and a build whose tree is never searched does not
  // pay for fresh huge pages. Nothing for a block from the heap.
  void NodesWritten();
  void MakePagesHuge() { FReadyPages.Go(); }

private:
  void ReleaseBlocks();

  size_t FSlotSize = 0;
  struct TFreeBlock {
    TFreeBlock() : Mapped(0) {}
    explicit TFreeBlock(size_t Length) : Mapped(Length) {}
    size_t Mapped;  // the length of a block mapped whole, 0 for one from the heap
    void operator()(std::byte* P) const;
  };
  struct TBlock {
    std::unique_ptr<std::byte, TFreeBlock> Data;
    size_t Size = 0;
  };
  static TBlock NewBlock(size_t Bytes, bool Populate);
  // A large block mapped ahead by Reserve while a helper thread gives it its
  // pages (the kernel's share of a whole tree's build), taken up by Allocate
  // once the blocks before it are full.
  void TakeReadyBlock();
  // Makes the next block (the ready one when there is one) the one slots are carved from.
  void StartBlock(size_t MinSlots);
  TBlock FReady;
  TPagesAheadEh FReadyPages;
  std::vector<TBlock> FBlocks;
  std::byte* FNext = nullptr;  // the unused tail of the last block
  std::byte* FEnd = nullptr;
  void* FFree = nullptr;  // freed slots, each holding the next one's address
  size_t FFreeCount = 0;
  size_t FLive = 0;
  size_t FNextBlockSlots = 64;
};

using TExpandedChangedEventEh = std::function<void(TObject* Sender, TBaseTreeNodeEh* Node)>;
using TExpandedChangingEventEh = std::function<void(TObject* Sender, TBaseTreeNodeEh* Node, bool& AllowExpansion)>;

class TTreeListEh : public TObject {
public:
  BORROW_CLASS(TTreeListEh, TObject)
  // NodeClass: TBaseTreeNodeEh or a descendant with a default constructor.
  explicit TTreeListEh(TClass NodeClass);
  ~TTreeListEh() override;
  TTreeListEh(const TTreeListEh&) = delete;
  TTreeListEh& operator=(const TTreeListEh&) = delete;

  virtual bool ExpandedChanging(TBaseTreeNodeEh* Node);
  virtual void ExpandedChanged(TBaseTreeNodeEh* Node);
  virtual Integer CompareNodes(TBaseTreeNodeEh* Node1, TBaseTreeNodeEh* Node2, TObject* ParamSort);
  // "Reference-loop found" when Destination is Node or lies below it; nothing changes then.
  virtual void MoveTo(TBaseTreeNodeEh* Node, TBaseTreeNodeEh* Destination, bool ReIndex, TNodeAttachModeEh Mode);
  virtual void SortData(const TCompareNodesEh& CompareProg, TObject* ParamSort, bool ARecurse);

  TBaseTreeNodeEh* GetRoot() const { return FRoot; }
  Integer GetMaxLevel() const { return FMaxLevel; }
  void SetMaxLevel(Integer Value) { FMaxLevel = Value; }
  TClass GetNodeClass() const { return FNodeClass; }

  // A detached node of the node class.
  TBaseTreeNodeEh* CreateNode(const String& Text, void* Data);
  // Parent null means the root. Refused (nothing made) when the node would be too deep.
  TBaseTreeNodeEh* AddChild(const String& Text, TBaseTreeNodeEh* Parent, void* Data);
  // Attaches a detached node; a nil node or the root is ignored. Refused before
  // anything changes when the node's subtree would lie too deep.
  void AttachNode(TBaseTreeNodeEh* Node, TBaseTreeNodeEh* Destination, bool ReIndex, TNodeAttachModeEh Mode);
  void DeleteChildren(TBaseTreeNodeEh* Node);
  void DeleteNode(TBaseTreeNodeEh* Node, bool ReIndex);
  void Clear() { DeleteChildren(FRoot); }
  void UpdateNodeIndexes(TBaseTreeNodeEh* Node, bool ARecurse);
  void FullExpand(TBaseTreeNodeEh* Node, bool ARecurse);
  void FullCollapse(TBaseTreeNodeEh* Node, bool ARecurse);
  TBaseTreeNodeEh* FindNodeByData(TBaseTreeNodeEh* StartNode, void* Data) const;

  TBaseTreeNodeEh* GetFirst() const { return GetFirstChild(FRoot); }
  TBaseTreeNodeEh* GetFirstChild(TBaseTreeNodeEh* Node) const;
  TBaseTreeNodeEh* GetLastChild(TBaseTreeNodeEh* Node) const;
  TBaseTreeNodeEh* GetPrevSibling(TBaseTreeNodeEh* Node) const;
  TBaseTreeNodeEh* GetNextSibling(TBaseTreeNodeEh* Node) const;
  TBaseTreeNodeEh* GetLastDescendant(TBaseTreeNodeEh* Node) const;
  TBaseTreeNodeEh* GetNext(TBaseTreeNodeEh* Node) const;
  TBaseTreeNodeEh* GetPrevious(TBaseTreeNodeEh* Node) const;
  bool HasChildren(TBaseTreeNodeEh* Node) const;
  bool AreAncestorsVisible(TBaseTreeNodeEh* Node, bool ConsiderExpanded) const;
  TBaseTreeNodeEh* GetFirstVisible() const;
  TBaseTreeNodeEh* GetNextVisible(TBaseTreeNodeEh* Node, bool ConsiderExpanded) const;
  TBaseTreeNodeEh* GetNextVisibleSibling(TBaseTreeNodeEh* Node) const;

  TExpandedChangedEventEh OnExpandedChanged;
  TExpandedChangingEventEh OnExpandedChanging;

  // Raises the level message unless a subtree of Height levels fits below Level.
  void CheckLevel(Integer Level, Integer Height) const;
  // Has the pages of a whole build's nodes made huge, the first time after the
  // build, and returns at once (see TTreeNodeArenaEh::NodesWritten).
  void MakeNodePagesHuge() { FArena.MakePagesHuge(); }

protected:
  // A tree whose node class is T keeps the nodes it makes itself (AddChild) in
  // an arena; nodes from CreateNode stay on the heap, as their caller may free them.
  template <class T>
  void UseNodeArena() {
    if (FNodeClass != T::StaticClass() || FArena.LiveCount() > 0) return;
    FArena.SetSlotSize(sizeof(T));
    FArenaMake = [](void* Storage) -> TBaseTreeNodeEh* { return new (Storage) T(); };
  }
  // Room for Count more nodes in one block.
  void ReserveNodes(Integer Count) {
    if (FArenaMake && Count > 0) FArena.Reserve(static_cast<size_t>(Count));
  }
  // The memory ReserveNodes mapped ahead, lent until the first node is made
  // (see TTreeNodeArenaEh::ReadyMemory); null when there is none.
  std::byte* LendReservedNodes(size_t& Bytes) const { return FArena.ReadyMemory(Bytes); }
  // The room ReserveNodes mapped ahead that no node took goes back: a build
  // that made no node in it (it failed first) does not hold it until the next.
  void ReleaseReservedNodes() { FArena.DropReady(); }
  // A whole build has made its nodes (see TTreeNodeArenaEh::NodesWritten).
  void NodesBuilt() { FArena.NodesWritten(); }
  // For building a whole tree parent before child: a new last child of Parent,
  // without the level checks (the caller has made sure of the depth). The
  // flags are the node's from the start: no hook hears of them.
  TBaseTreeNodeEh* AppendNewChild(TBaseTreeNodeEh* Parent, void* Data, bool Visible = true, bool Expanded = false,
                                  bool HasChildren = false, std::byte* Slot = nullptr);
  // Room for Count nodes side by side in the arena, for a build that knows
  // where each node lies in a walk's order but makes them in another: node k
  // goes to Run + k * SlotSize, given to AppendNewChild as its Slot. Null
  // without an arena (no node to make, or a node class of its own).
  std::byte* ReserveNodeRun(Integer Count, size_t& SlotSize);
  // A detached node becomes Parent's last child as it stands: no level check,
  // and only its own level set. For a builder that keeps branches apart from
  // the tree for a while and sets their levels when they take their place.
  void AppendDetached(TBaseTreeNodeEh* Node, TBaseTreeNodeEh* Parent);
  static void ReserveChildren(TBaseTreeNodeEh* Node, Integer Count) {
    if (Count > 0) Node->FItems.reserve(static_cast<size_t>(Count));
  }
  // Room for the children of many nodes in one block, handed out in turn by
  // ShareChildren; the block lives while any node this tree made does. The
  // block, null without an arena.
  TBaseTreeNodeEh** NewChildBlock(size_t Count);
  // An empty Node takes Count slots of the block (its own room when the block
  // is short or the node is not one of the block's).
  void ShareChildren(TBaseTreeNodeEh* Node, Integer Count);
  // Room for Count numbers that the nodes this tree makes in a build share
  // out among them (a derived tree's counts per node), freed with the shared
  // children blocks once no node of the arena is left. Null without an arena,
  // and while the nodes' last block came from the heap: there the nodes'
  // own small blocks, made after it, keep the C library from handing the
  // freed node block's pages back, so the next tree of that size reuses them
  // instead of taking fresh ones.
  Integer* NewNumberBlock(size_t Count);
  // A detached node this tree owns: from the arena when it has one, at Slot
  // (of a run ReserveNodeRun gave) when one is given.
  TBaseTreeNodeEh* MakeNode(const String& Text, void* Data, std::byte* Slot = nullptr);
  // Appends the nodes GetFirstVisible / GetNextVisible would give, in that
  // order, without climbing back up for each leaf.
  template <class T>
  void CollectVisible(std::vector<T*>& List, bool ConsiderExpanded) const {
    struct TLevel {
      const TBaseTreeNodeEh* Node;
      size_t Next;
    };
    std::vector<TLevel> stack{{FRoot, 0}};
    while (!stack.empty()) {
      TLevel& top = stack.back();
      if (top.Next >= top.Node->FItems.size()) {
        stack.pop_back();
        continue;
      }
      TBaseTreeNodeEh* child = top.Node->FItems[top.Next++];
      if (!child->FVisible) continue;
      List.push_back(static_cast<T*>(child));
      if ((!ConsiderExpanded || child->FExpanded) && !child->FItems.empty() && child->GetVisibleCount() > 0)
        stack.push_back({child, 0});
    }
  }
  // Frees a detached node with its subtree, wherever it was made.
  static void FreeNode(TBaseTreeNodeEh* Node) { TBaseTreeNodeEh::Free(Node); }
  TBaseTreeNodeEh* NodeOrRoot(TBaseTreeNodeEh* Node) const { return Node ? Node : FRoot; }
  // Takes a node out of its parent's children (not freed).
  void Detach(TBaseTreeNodeEh* Node);

private:
  friend class TBaseTreeNodeEh;
  TBaseTreeNodeEh* InitNode(TBaseTreeNodeEh* Node, const String& Text, void* Data);

  TClass FNodeClass;
  Integer FMaxLevel = 1000;
  TTreeNodeArenaEh FArena;
  TBaseTreeNodeEh* (*FArenaMake)(void* Storage) = nullptr;
  // The shared children and number blocks; freed with the arena's last node.
  std::vector<std::unique_ptr<TBaseTreeNodeEh*[]>> FChildBlocks;
  std::vector<std::unique_ptr<Integer[]>> FNumberBlocks;
  size_t FChildBlockSize = 0;        // the last block's slots
  size_t FChildBlockFree = 0;        // unused slots at its end
  TBaseTreeNodeEh* FRoot = nullptr;  // owned
};
