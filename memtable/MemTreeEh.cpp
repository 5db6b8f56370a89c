// The generic tree: nodes with ordered children, levels and visibility, and the
// tree that creates, attaches, moves, walks and sorts them.

#include "memtable/MemTreeEh.h"

#include <algorithm>
#include <cstdlib>
#include <stdexcept>
#include <utility>

#include <sys/mman.h>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#define BORROW_POISON(p, n) ASAN_POISON_MEMORY_REGION((p), (n))
#define BORROW_UNPOISON(p, n) ASAN_UNPOISON_MEMORY_REGION((p), (n))
#else
#define BORROW_POISON(p, n) ((void)(p), (void)(n))
#define BORROW_UNPOISON(p, n) ((void)(p), (void)(n))
#endif

#include "platform/core/QuickSort.h"
#include "platform/core/Strings.h"

namespace {

const char16_t* const SReferenceLoop = u"Reference-loop found";

}  // namespace

// ---------------------------------------------------------------------------
// TTreeNodeArenaEh
//
// Slots not in use are poisoned under the address sanitizer, so a node used
// after it was freed is still caught although its memory stays in the block.

TTreeNodeArenaEh::~TTreeNodeArenaEh() { ReleaseBlocks(); }

void TTreeNodeArenaEh::SetSlotSize(size_t Size) {
  if (FLive > 0 || !FBlocks.empty()) return;
  const size_t align = alignof(std::max_align_t);
  FSlotSize = std::max(Size, sizeof(void*));
  FSlotSize = (FSlotSize + align - 1) / align * align;
}

// Blocks from this size on are mapped whole rather than taken from the heap.
// Below it the heap keeps a freed tree's block for the next one (the C
// library stops handing back blocks up to this size once one was freed), so
// opening a tree of some hundred thousand records again reuses pages already
// in place: fresh pages, each cleared by the kernel, cost more than making
// the nodes, whether the caller or a helper thread takes them.
constexpr size_t kMapFrom = size_t{32} << 20;

void TTreeNodeArenaEh::Reserve(size_t Count) {
  const size_t spare = FFreeCount + (FSlotSize ? static_cast<size_t>(FEnd - FNext) / FSlotSize : 0);
  if (Count <= spare) return;
  FNextBlockSlots = std::max(FNextBlockSlots, Count - spare);
  const size_t bytes = FNextBlockSlots * FSlotSize;
  if (FReady.Data || bytes < kMapFrom) return;
  // Its pages are given while the caller goes on (a build reads its keys
  // first), and the caller may use the block meanwhile. A helper still making
  // an earlier build's nodes huge leaves off first.
  FReadyPages.Stop();
  FReady = NewBlock(bytes, false);
  if (FReady.Data.get_deleter().Mapped) FReadyPages.Start({{FReady.Data.get(), bytes}});
}

void TTreeNodeArenaEh::TakeReadyBlock() {
  FBlocks.push_back(std::move(FReady));
  FReady = TBlock{};
}

void TTreeNodeArenaEh::StartBlock(size_t MinSlots) {
  if (FReady.Data && FReady.Size >= MinSlots * FSlotSize) TakeReadyBlock();
  else FBlocks.push_back(NewBlock(std::max(FNextBlockSlots, MinSlots) * FSlotSize, true));
  const size_t bytes = FBlocks.back().Size;
  FNext = FBlocks.back().Data.get();
  FEnd = FNext + bytes;
  BORROW_POISON(FNext, bytes);
  // Blocks grow with the tree, so a large tree takes few of them.
  FNextBlockSlots = std::min<size_t>(FNextBlockSlots * 2, 65536);
}

std::byte* TTreeNodeArenaEh::AllocateRun(size_t Count) {
  if (Count == 0 || FSlotSize == 0) return nullptr;
  if (static_cast<size_t>(FEnd - FNext) / FSlotSize < Count) StartBlock(Count);
  std::byte* run = FNext;
  FNext += Count * FSlotSize;
  return run;
}

void TTreeNodeArenaEh::TakeFromRun(void* Slot) {
  BORROW_UNPOISON(Slot, FSlotSize);
  ++FLive;
}

void* TTreeNodeArenaEh::Allocate() {
  void* slot;
  if (FFree) {
    slot = FFree;
    BORROW_UNPOISON(slot, FSlotSize);
    FFree = *static_cast<void**>(slot);
    --FFreeCount;
  } else {
    if (FNext == FEnd) StartBlock(1);
    slot = FNext;
    FNext += FSlotSize;
    BORROW_UNPOISON(slot, FSlotSize);
  }
  ++FLive;
  return slot;
}

void TTreeNodeArenaEh::TFreeBlock::operator()(std::byte* P) const {
  if (Mapped) munmap(P, Mapped);
  else std::free(P);
}

TTreeNodeArenaEh::TBlock TTreeNodeArenaEh::NewBlock(size_t Bytes, bool Populate) {
  // A large block, as a whole tree's build asks for, is mapped with its pages
  // in place (or filled in ahead, see Reserve): the kernel fills them in one
  // pass, not one fault per page as the nodes are made. Plain pages: asking for
  // huge pages made the kernel compact memory on the first fault, which on a
  // busy machine stalled a large build for longer than the build itself.
  if (Bytes >= kMapFrom) {
    void* p = mmap(nullptr, Bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | (Populate ? MAP_POPULATE : 0),
                   -1, 0);
    if (p != MAP_FAILED)
      return {std::unique_ptr<std::byte, TFreeBlock>(static_cast<std::byte*>(p), TFreeBlock{Bytes}), Bytes};
  }
  void* p = std::malloc(Bytes);
  if (!p) throw std::bad_alloc();
  return {std::unique_ptr<std::byte, TFreeBlock>(static_cast<std::byte*>(p), TFreeBlock{0}), Bytes};
}

void TTreeNodeArenaEh::Release(void* Slot) {
  *static_cast<void**>(Slot) = FFree;
  FFree = Slot;
  ++FFreeCount;
  BORROW_POISON(Slot, FSlotSize);
  if (--FLive == 0) ReleaseBlocks();
}

void TTreeNodeArenaEh::DropReady() {
  FReadyPages.Stop();
  FReady = TBlock{};
}

void TTreeNodeArenaEh::NodesWritten() {
  if (!TPagesAheadEh::CanMakeHuge() || !LastBlockMapped()) return;
  const TBlock& block = FBlocks.back();
  FReadyPages.MakeHugeOnGo({{block.Data.get(), block.Size}});
}

void TTreeNodeArenaEh::ReleaseBlocks() {
  DropReady();
  // Unpoisoned whole before the memory goes back to the allocator.
  for (TBlock& block : FBlocks) BORROW_UNPOISON(block.Data.get(), block.Size);
  FBlocks.clear();
  FNext = FEnd = nullptr;
  FFree = nullptr;
  FFreeCount = 0;
  FNextBlockSlots = 64;
}

// ---------------------------------------------------------------------------
// TTreeChildrenEh

void TTreeChildrenEh::Grow(size_t AtLeast) {
  const size_t cap = std::max<size_t>({AtLeast, 2 * Capacity(), 4});
  if (cap >= kBorrowed) throw std::length_error("too many children");
  auto* data = new TItem[cap];
  std::copy(begin(), end(), data);
  const uint32_t size = FSize;
  Release();
  FData = data;
  FSize = size;
  FCap = static_cast<uint32_t>(cap);
}

TTreeChildrenEh::TItem* TTreeChildrenEh::insert(TItem* Pos, TItem Node) {
  const size_t at = static_cast<size_t>(Pos - FData);
  if (FSize == Capacity()) Grow(FSize + 1);
  std::copy_backward(FData + at, FData + FSize, FData + FSize + 1);
  FData[at] = Node;
  ++FSize;
  return FData + at;
}

void TTreeChildrenEh::erase(TItem* Pos) {
  std::copy(Pos + 1, end(), Pos);
  --FSize;
}

// ---------------------------------------------------------------------------
// TBaseTreeNodeEh

TBaseTreeNodeEh::~TBaseTreeNodeEh() {
  TTreeChildrenEh items;
  items.swap(FItems);
  FRare.reset();
  for (TBaseTreeNodeEh* child : items) Free(child);
}

TBaseTreeNodeEh::TRare& TBaseTreeNodeEh::Rare() const {
  if (!FRare) FRare = std::make_unique<TRare>();
  return *FRare;
}

void TBaseTreeNodeEh::TrimRare() const {
  if (FRare && FRare->Text.empty() && !FRare->HasVisibleItems) FRare.reset();
}

void TBaseTreeNodeEh::DropVisibleItems() const {
  if (!FRare || !FRare->HasVisibleItems) return;
  FRare->HasVisibleItems = false;
  std::vector<TBaseTreeNodeEh*>().swap(FRare->VisibleItems);
  TrimRare();
}

void TBaseTreeNodeEh::Free(TBaseTreeNodeEh* Node) {
  if (!Node) return;
  if (!Node->FInArena) {
    delete Node;
    return;
  }
  TTreeListEh* owner = Node->FOwner;
  Node->~TBaseTreeNodeEh();
  owner->FArena.Release(Node);
  // No node of the arena is left to borrow children slots.
  if (owner->FArena.LiveCount() == 0) {
    owner->FChildBlocks.clear();
    owner->FNumberBlocks.clear();
    owner->FChildBlockSize = owner->FChildBlockFree = 0;
  }
}

bool TBaseTreeNodeEh::ExpandedChanging() { return FOwner ? FOwner->ExpandedChanging(this) : true; }

TBaseTreeNodeEh* TBaseTreeNodeEh::GetItem(Integer Index) const {
  if (Index < 0 || Index >= Count()) return nullptr;
  return FItems[static_cast<size_t>(Index)];
}

const String& TBaseTreeNodeEh::GetText() const {
  static const String none;
  return FRare ? FRare->Text : none;
}

void TBaseTreeNodeEh::SetText(const String& Value) {
  if (!Value.empty()) {
    Rare().Text = Value;
  } else if (FRare) {
    FRare->Text.clear();
    TrimRare();
  }
}

void TBaseTreeNodeEh::ClearItems() {
  FItems.clear();
  DropVisibleItems();
  FVisibleCount = 0;
  FVisibleItemsDirty = false;
}

void TBaseTreeNodeEh::ChildVisibleChanged(TBaseTreeNodeEh*) { FVisibleItemsDirty = true; }

void TBaseTreeNodeEh::ExpandedChanged() {
  if (FOwner) FOwner->ExpandedChanged(this);
}

void TBaseTreeNodeEh::VisibleChanged() {
  if (FParent) FParent->ChildVisibleChanged(this);
}

void TBaseTreeNodeEh::BuildVisibleItems() {
  Integer visible = 0;
  for (TBaseTreeNodeEh* child : FItems)
    if (child->FVisible) child->FVisibleIndex = visible++;
  FVisibleCount = visible;
  // While every child shows, a visible position is an index and no list is kept.
  if (visible == Count()) {
    DropVisibleItems();
  } else {
    TRare& rare = Rare();
    rare.HasVisibleItems = true;
    rare.VisibleItems.clear();
    rare.VisibleItems.reserve(static_cast<size_t>(visible));
    for (TBaseTreeNodeEh* child : FItems)
      if (child->FVisible) rare.VisibleItems.push_back(child);
  }
  FVisibleItemsDirty = false;
  if (!FItems.empty()) FHasChildren = FVisibleCount > 0;
}

void TBaseTreeNodeEh::CheckOwner(const TBaseTreeNodeEh* Node) const {
  if (Node->FOwner != FOwner) throw Exception(u"TBaseTreeNodeEh.Add: Tree nodes can not has different Owners");
}

void TBaseTreeNodeEh::Renumber(Integer From) {
  for (Integer i = std::max<Integer>(From, 0); i < Count(); ++i) FItems[static_cast<size_t>(i)]->FIndex = i;
}

void TBaseTreeNodeEh::Attach(Integer Pos, TBaseTreeNodeEh* Node) {
  CheckOwner(Node);
  FlushVisibleItems();
  const bool allVisible = FVisibleCount == Count();
  FItems.insert(FItems.begin() + Pos, Node);
  Renumber(Pos);
  if (allVisible && Node->FVisible) {
    Node->FVisibleIndex = Pos;
    ++FVisibleCount;
  } else {
    FVisibleItemsDirty = true;
  }
}

Integer TBaseTreeNodeEh::Add(TBaseTreeNodeEh* Node) {
  Attach(Count(), Node);
  return Count() - 1;
}

void TBaseTreeNodeEh::Insert(Integer Pos, TBaseTreeNodeEh* Node) { Attach(std::clamp<Integer>(Pos, 0, Count()), Node); }

void TBaseTreeNodeEh::DeleteAt(Integer Pos) {
  if (Pos < 0 || Pos >= Count()) return;
  FlushVisibleItems();
  const bool allVisible = FVisibleCount == Count();
  FItems.erase(FItems.begin() + Pos);
  Renumber(Pos);
  if (allVisible) --FVisibleCount;
  else FVisibleItemsDirty = true;
}

void TBaseTreeNodeEh::ExchangeItems(Integer Index1, Integer Index2) {
  std::swap(FItems[static_cast<size_t>(Index1)], FItems[static_cast<size_t>(Index2)]);
  FItems[static_cast<size_t>(Index1)]->FIndex = Index1;
  FItems[static_cast<size_t>(Index2)]->FIndex = Index2;
  if (FVisibleCount != Count() || FVisibleItemsDirty) FVisibleItemsDirty = true;
}

Integer TBaseTreeNodeEh::GetVisibleCount() const {
  FlushVisibleItems();
  return FVisibleCount;
}

TBaseTreeNodeEh* TBaseTreeNodeEh::VisibleItems(Integer Index) const {
  FlushVisibleItems();
  if (FVisibleCount == Count()) return GetItem(Index);
  if (!FRare || !FRare->HasVisibleItems || Index < 0 || Index >= static_cast<Integer>(FRare->VisibleItems.size()))
    return nullptr;
  return FRare->VisibleItems[static_cast<size_t>(Index)];
}

Integer TBaseTreeNodeEh::GetVisibleIndex() const {
  if (!FParent) return FVisibleIndex;
  FParent->FlushVisibleItems();
  if (FParent->FVisibleCount == FParent->Count()) return FIndex;
  return FVisible ? FVisibleIndex : -1;
}

bool TBaseTreeNodeEh::GetHasChildren() const {
  FlushVisibleItems();
  return FHasChildren;
}

void TBaseTreeNodeEh::SetHasChildren(bool Value) {
  FlushVisibleItems();
  FHasChildren = Value;
}

void TBaseTreeNodeEh::SetExpanded(bool Value) {
  if (FExpanded == Value || !ExpandedChanging()) return;
  FExpanded = Value;
  ExpandedChanged();
}

void TBaseTreeNodeEh::SetVisible(bool Value) {
  if (FVisible == Value || !VisibleChanging()) return;
  FVisible = Value;
  VisibleChanged();
}

Integer TBaseTreeNodeEh::SubtreeHeight() const {
  // Without recursion: a branch still being built may be a long chain.
  Integer h = 0;
  std::vector<std::pair<const TBaseTreeNodeEh*, Integer>> stack{{this, 0}};
  while (!stack.empty()) {
    const auto [node, depth] = stack.back();
    stack.pop_back();
    h = std::max(h, depth);
    for (const TBaseTreeNodeEh* child : node->FItems)
      if (!child->FItems.empty()) stack.push_back({child, depth + 1});
      else h = std::max(h, depth + 1);
  }
  return h;
}

void TBaseTreeNodeEh::SetLevel(Integer Value) {
  if (FLevel == Value) return;
  if (FOwner) FOwner->CheckLevel(Value, SubtreeHeight());
  StoreLevel(Value);
}

void TBaseTreeNodeEh::StoreLevel(Integer Value) {
  FLevel = Value;
  if (FItems.empty()) return;
  std::vector<TBaseTreeNodeEh*> stack{this};
  while (!stack.empty()) {
    TBaseTreeNodeEh* node = stack.back();
    stack.pop_back();
    for (TBaseTreeNodeEh* child : node->FItems) {
      child->FLevel = node->FLevel + 1;
      if (!child->FItems.empty()) stack.push_back(child);
    }
  }
}

void TBaseTreeNodeEh::SortData(const TCompareNodesEh& CompareProg, TObject* ParamSort, bool ARecurse) {
  // Each node's children sorted by the table's quicksort (the pivot node held for
  // its pass, exchanges through ExchangeItems), then with ARecurse each child's
  // subtree in pre-order: a walk with its own stack, however deep the tree.
  std::vector<TBaseTreeNodeEh*> pending{this};
  while (!pending.empty()) {
    TBaseTreeNodeEh* node = pending.back();
    pending.pop_back();
    TTreeChildrenEh& items = node->FItems;
    if (items.size() > 1) {
      QuickSortRange(TSortByValue([&items](Integer I) { return items[static_cast<size_t>(I)]; },
                                  [&](TBaseTreeNodeEh* A, TBaseTreeNodeEh* B) { return CompareProg(A, B, ParamSort); },
                                  [node](Integer I, Integer J) { node->ExchangeItems(I, J); }),
                     0, node->Count() - 1);
      if (node->FVisibleCount != node->Count()) node->FVisibleItemsDirty = true;
    }
    if (!ARecurse) break;
    pending.insert(pending.end(), items.rbegin(), items.rend());
  }
}

// ---------------------------------------------------------------------------
// TTreeListEh

TTreeListEh::TTreeListEh(TClass NodeClass) : FNodeClass(NodeClass) { FRoot = CreateNode(String(), nullptr); }

TTreeListEh::~TTreeListEh() { delete FRoot; }

bool TTreeListEh::ExpandedChanging(TBaseTreeNodeEh* Node) {
  bool allow = true;
  if (OnExpandedChanging) OnExpandedChanging(this, Node, allow);
  return allow;
}

void TTreeListEh::ExpandedChanged(TBaseTreeNodeEh* Node) {
  if (OnExpandedChanged) OnExpandedChanged(this, Node);
}

Integer TTreeListEh::CompareNodes(TBaseTreeNodeEh*, TBaseTreeNodeEh*, TObject*) { return 0; }

void TTreeListEh::CheckLevel(Integer Level, Integer Height) const {
  if (Level + Height > FMaxLevel)
    throw Exception(u"TBaseTreeNodeEh.SetLevel: Max level exceed - " + IntToStr(FMaxLevel));
}

TBaseTreeNodeEh* TTreeListEh::CreateNode(const String& Text, void* Data) {
  TObject* obj = FNodeClass && FNodeClass->Create ? FNodeClass->Create() : nullptr;
  auto* node = dynamic_cast<TBaseTreeNodeEh*>(obj);
  if (!node) {
    delete obj;
    throw Exception(u"TTreeListEh.CreateNode: the node class can not make tree nodes.");
  }
  return InitNode(node, Text, Data);
}

TBaseTreeNodeEh* TTreeListEh::MakeNode(const String& Text, void* Data, std::byte* Slot) {
  if (!FArenaMake) return CreateNode(Text, Data);
  void* slot;
  if (Slot) {
    FArena.TakeFromRun(Slot);
    slot = Slot;
  } else {
    slot = FArena.Allocate();
  }
  TBaseTreeNodeEh* node;
  try {
    node = FArenaMake(slot);
  } catch (...) {
    FArena.Release(slot);
    throw;
  }
  node->FInArena = true;
  return InitNode(node, Text, Data);
}

TBaseTreeNodeEh* TTreeListEh::InitNode(TBaseTreeNodeEh* Node, const String& Text, void* Data) {
  Node->FOwner = this;
  if (!Text.empty()) Node->SetText(Text);
  Node->FData = Data;
  Node->FLevel = 0;
  Node->FIndex = -1;
  return Node;
}

TBaseTreeNodeEh* TTreeListEh::AddChild(const String& Text, TBaseTreeNodeEh* Parent, void* Data) {
  TBaseTreeNodeEh* parent = NodeOrRoot(Parent);
  CheckLevel(parent->FLevel + 1, 0);
  TBaseTreeNodeEh* node = MakeNode(Text, Data);
  node->FParent = parent;
  parent->SetHasChildren(true);
  parent->Add(node);
  node->StoreLevel(parent->FLevel + 1);
  return node;
}

TBaseTreeNodeEh** TTreeListEh::NewChildBlock(size_t Count) {
  if (!FArenaMake || Count == 0) return nullptr;
  FChildBlocks.push_back(std::make_unique_for_overwrite<TBaseTreeNodeEh*[]>(Count));
  FChildBlockSize = FChildBlockFree = Count;
  return FChildBlocks.back().get();
}

Integer* TTreeListEh::NewNumberBlock(size_t Count) {
  if (!FArenaMake || Count == 0 || !FArena.LastBlockMapped()) return nullptr;
  FNumberBlocks.push_back(std::make_unique_for_overwrite<Integer[]>(Count));
  return FNumberBlocks.back().get();
}

void TTreeListEh::ShareChildren(TBaseTreeNodeEh* Node, Integer Count) {
  if (Count <= 0 || !Node->FItems.empty()) return;
  const size_t count = static_cast<size_t>(Count);
  if (!Node->FInArena || Node->FOwner != this || count > FChildBlockFree) {
    Node->FItems.reserve(count);
    return;
  }
  TBaseTreeNodeEh** block = FChildBlocks.back().get();
  // Handed out from the front, so siblings' lists lie in the order the build makes them.
  Node->FItems.Borrow(block + (FChildBlockSize - FChildBlockFree), count);
  FChildBlockFree -= count;
}

std::byte* TTreeListEh::ReserveNodeRun(Integer Count, size_t& SlotSize) {
  SlotSize = FArena.GetSlotSize();
  if (!FArenaMake || Count <= 0) return nullptr;
  return FArena.AllocateRun(static_cast<size_t>(Count));
}

TBaseTreeNodeEh* TTreeListEh::AppendNewChild(TBaseTreeNodeEh* Parent, void* Data, bool Visible, bool Expanded,
                                             bool HasChildren, std::byte* Slot) {
  TBaseTreeNodeEh* parent = NodeOrRoot(Parent);
  TBaseTreeNodeEh* node = MakeNode(String(), Data, Slot);
  node->FVisible = Visible;
  node->FExpanded = Expanded;
  node->FHasChildren = HasChildren;
  // AddChild's steps, less the checks a node of this tree at a known depth needs.
  parent->FlushVisibleItems();
  parent->FHasChildren = true;
  const Integer pos = parent->Count();
  const bool allVisible = parent->FVisibleCount == pos;
  parent->FItems.push_back(node);
  node->FParent = parent;
  node->FIndex = pos;
  node->FLevel = parent->FLevel + 1;
  if (allVisible && node->FVisible) {
    node->FVisibleIndex = pos;
    ++parent->FVisibleCount;
  } else {
    parent->FVisibleItemsDirty = true;
  }
  return node;
}

void TTreeListEh::AppendDetached(TBaseTreeNodeEh* Node, TBaseTreeNodeEh* Parent) {
  TBaseTreeNodeEh* parent = NodeOrRoot(Parent);
  Node->FParent = parent;
  parent->SetHasChildren(true);
  parent->Add(Node);
  Node->FLevel = parent->FLevel + 1;
}

void TTreeListEh::AttachNode(TBaseTreeNodeEh* Node, TBaseTreeNodeEh* Destination, bool ReIndex,
                             TNodeAttachModeEh Mode) {
  if (!Node || Node == FRoot) return;
  TBaseTreeNodeEh* dest = NodeOrRoot(Destination);
  if (dest == FRoot && Mode != naAddChildEh && Mode != naAddChildFirstEh) return;
  switch (Mode) {
    case naAddEh: AttachNode(Node, dest->FParent, false, naAddChildEh); break;
    case naAddFirstEh: AttachNode(Node, dest->FParent, ReIndex, naAddChildFirstEh); break;
    case naAddChildEh:
    case naAddChildFirstEh: {
      CheckLevel(dest->FLevel + 1, Node->SubtreeHeight());
      Node->FParent = dest;
      dest->SetHasChildren(true);
      if (Mode == naAddChildEh) dest->Add(Node);
      else dest->Insert(0, Node);
      Node->StoreLevel(dest->FLevel + 1);
      break;
    }
    case naInsertEh: {
      TBaseTreeNodeEh* parent = NodeOrRoot(dest->FParent);
      CheckLevel(parent->FLevel + 1, Node->SubtreeHeight());
      Node->FParent = parent;
      parent->SetHasChildren(true);
      parent->Insert(dest->FParent ? dest->FIndex : parent->Count(), Node);
      Node->StoreLevel(parent->FLevel + 1);
      break;
    }
  }
}

void TTreeListEh::Detach(TBaseTreeNodeEh* Node) {
  TBaseTreeNodeEh* parent = Node->FParent;
  if (!parent) return;
  parent->DeleteAt(Node->FIndex);
  parent->SetHasChildren(parent->Count() > 0);
  Node->FParent = nullptr;
  Node->FIndex = -1;
}

void TTreeListEh::MoveTo(TBaseTreeNodeEh* Node, TBaseTreeNodeEh* Destination, bool ReIndex, TNodeAttachModeEh Mode) {
  if (!Node || Node == FRoot) return;
  TBaseTreeNodeEh* dest = NodeOrRoot(Destination);
  if (dest == FRoot && Mode != naAddChildEh && Mode != naAddChildFirstEh) return;
  for (TBaseTreeNodeEh* p = dest; p; p = p->FParent)
    if (p == Node) throw Exception(SReferenceLoop);
  // Every check before the node leaves its place.
  TBaseTreeNodeEh* newParent = (Mode == naAddChildEh || Mode == naAddChildFirstEh) ? dest : NodeOrRoot(dest->FParent);
  if (Mode >= naAddEh && Mode <= naInsertEh) CheckLevel(newParent->FLevel + 1, Node->SubtreeHeight());
  else return;
  Detach(Node);
  AttachNode(Node, dest, ReIndex, Mode);
}

void TTreeListEh::DeleteChildren(TBaseTreeNodeEh* Node) {
  TBaseTreeNodeEh* node = NodeOrRoot(Node);
  TTreeChildrenEh items;
  items.swap(node->FItems);
  node->ClearItems();
  for (TBaseTreeNodeEh* child : items) {
    child->FParent = nullptr;
    TBaseTreeNodeEh::Free(child);
  }
}

void TTreeListEh::DeleteNode(TBaseTreeNodeEh* Node, bool) {
  if (!Node || Node == FRoot) return;
  DeleteChildren(Node);
  Detach(Node);
  TBaseTreeNodeEh::Free(Node);
}

void TTreeListEh::UpdateNodeIndexes(TBaseTreeNodeEh* Node, bool ARecurse) {
  TBaseTreeNodeEh* node = NodeOrRoot(Node);
  node->DropVisibleItems();
  node->Renumber(0);
  if (ARecurse)
    for (TBaseTreeNodeEh* child : node->FItems) UpdateNodeIndexes(child, true);
  node->BuildVisibleItems();
}

void TTreeListEh::FullExpand(TBaseTreeNodeEh* Node, bool ARecurse) {
  TBaseTreeNodeEh* node = NodeOrRoot(Node);
  if (node->Count() == 0) return;
  if (node != FRoot) node->SetExpanded(true);
  if (ARecurse)
    for (Integer i = 0; i < node->Count(); ++i) FullExpand(node->GetItem(i), true);
}

void TTreeListEh::FullCollapse(TBaseTreeNodeEh* Node, bool ARecurse) {
  TBaseTreeNodeEh* node = NodeOrRoot(Node);
  node->SetExpanded(false);
  if (ARecurse)
    for (Integer i = 0; i < node->Count(); ++i) FullCollapse(node->GetItem(i), true);
}

TBaseTreeNodeEh* TTreeListEh::FindNodeByData(TBaseTreeNodeEh* StartNode, void* Data) const {
  TBaseTreeNodeEh* start = NodeOrRoot(StartNode);
  std::vector<TBaseTreeNodeEh*> stack(start->FItems.rbegin(), start->FItems.rend());
  while (!stack.empty()) {
    TBaseTreeNodeEh* n = stack.back();
    stack.pop_back();
    if (n->FData == Data) return n;
    stack.insert(stack.end(), n->FItems.rbegin(), n->FItems.rend());
  }
  return nullptr;
}

TBaseTreeNodeEh* TTreeListEh::GetFirstChild(TBaseTreeNodeEh* Node) const { return NodeOrRoot(Node)->GetItem(0); }

TBaseTreeNodeEh* TTreeListEh::GetLastChild(TBaseTreeNodeEh* Node) const {
  TBaseTreeNodeEh* n = NodeOrRoot(Node);
  return n->GetItem(n->Count() - 1);
}

TBaseTreeNodeEh* TTreeListEh::GetPrevSibling(TBaseTreeNodeEh* Node) const {
  if (!Node || !Node->FParent) return nullptr;
  return Node->FParent->GetItem(Node->FIndex - 1);
}

TBaseTreeNodeEh* TTreeListEh::GetNextSibling(TBaseTreeNodeEh* Node) const {
  if (!Node || !Node->FParent) return nullptr;
  return Node->FParent->GetItem(Node->FIndex + 1);
}

TBaseTreeNodeEh* TTreeListEh::GetLastDescendant(TBaseTreeNodeEh* Node) const {
  TBaseTreeNodeEh* n = NodeOrRoot(Node);
  while (n->Count() > 0) n = n->FItems.back();
  return n;
}

TBaseTreeNodeEh* TTreeListEh::GetNext(TBaseTreeNodeEh* Node) const {
  if (!Node || Node == FRoot) return Node;
  if (Node->Count() > 0) return Node->FItems.front();
  for (TBaseTreeNodeEh* n = Node; n && n != FRoot; n = n->FParent)
    if (TBaseTreeNodeEh* s = GetNextSibling(n)) return s;
  return nullptr;
}

TBaseTreeNodeEh* TTreeListEh::GetPrevious(TBaseTreeNodeEh* Node) const {
  if (!Node || Node == FRoot) return Node;
  if (TBaseTreeNodeEh* prev = GetPrevSibling(Node)) return GetLastDescendant(prev);
  return Node->FParent == FRoot ? nullptr : Node->FParent;
}

bool TTreeListEh::HasChildren(TBaseTreeNodeEh* Node) const { return NodeOrRoot(Node)->Count() > 0; }

bool TTreeListEh::AreAncestorsVisible(TBaseTreeNodeEh* Node, bool ConsiderExpanded) const {
  if (!Node) return false;
  for (TBaseTreeNodeEh* p = Node->FParent; p && p != FRoot; p = p->FParent)
    if (!p->FVisible || (ConsiderExpanded && !p->FExpanded)) return false;
  return true;
}

TBaseTreeNodeEh* TTreeListEh::GetFirstVisible() const {
  for (TBaseTreeNodeEh* child : FRoot->FItems)
    if (child->FVisible) return child;
  return nullptr;
}

TBaseTreeNodeEh* TTreeListEh::GetNextVisible(TBaseTreeNodeEh* Node, bool ConsiderExpanded) const {
  if (!Node) return nullptr;
  if ((!ConsiderExpanded || Node->FExpanded) && Node->GetVisibleCount() > 0) return Node->VisibleItems(0);
  for (TBaseTreeNodeEh* n = Node; n && n != FRoot; n = n->FParent)
    if (TBaseTreeNodeEh* s = GetNextVisibleSibling(n)) return s;
  return nullptr;
}

TBaseTreeNodeEh* TTreeListEh::GetNextVisibleSibling(TBaseTreeNodeEh* Node) const {
  if (!Node || !Node->FParent) return nullptr;
  TBaseTreeNodeEh* parent = Node->FParent;
  for (Integer i = Node->FIndex + 1; i < parent->Count(); ++i)
    if (parent->FItems[static_cast<size_t>(i)]->FVisible) return parent->FItems[static_cast<size_t>(i)];
  return nullptr;
}

void TTreeListEh::SortData(const TCompareNodesEh& CompareProg, TObject* ParamSort, bool ARecurse) {
  FRoot->SortData(CompareProg, ParamSort, ARecurse);
}
