// The records view's parent/child tree: building it from the records, keeping it
// in step with each change, visibility under the view's filter, and the flat
// lists the dataset reads its rows from.
//
// Parent keys that make a cycle (A under B, B under A) cannot make the tree
// cyclic: a record is only ever placed under a node that is not itself or one
// of its descendants. A change that would close a cycle is refused with
// "Reference-loop found" before it is stored; records loaded with a cycle
// already in their keys keep the first placement made, and the record whose
// parent would be its own descendant stays where it is (at the top level when
// it arrived first). A record whose parent would lie deeper than MaxLevel is
// put at the top level rather than refused, so loading never fails on depth;
// a record that waited for its parent is placed by the same rule once the
// parent has its place.
//
// Index of this file
//   TMemRecViewEh          a record's node
//   TRecordNodeMapEh       record -> node, open addressing
//   TMemoryTreeListEh      flat lists, key lookups, the three builds, visibility
//   TRecordsViewEh         BuildTree and TreeNotification: the view's side
//
// Typical call flow
//   Opening in tree mode, or a whole new list (rlnListChangedEh):
//     TRecordsViewEh::BuildTree
//       -> BuildFromKeys     one whole-number key and parent key: all keys read
//                            once, nodes made parent before child. Declined when
//                            a chain loops or lies deeper than MaxLevel, or when
//                            expansion hooks must see the tree grow record by
//                            record; NoKeys when the keys are of another kind.
//       -> BuildWithKeyHash  (after Declined) the record-by-record tree, parents
//                            found through a hash of the keys met so far; false
//                            when a key repeats or is of another kind.
//       -> AddRecordNode     (after NoKeys, or when the hash build gave up) each
//                            record in turn: the path cache of the last branch,
//                            else FindParentNode; with the full check, the
//                            children that arrived first move under it.
//       -> FinishWaiting     records still waiting for a parent go top level.
//     Each fallback builds the same tree as the one before it; the first is the
//     fastest, the last the most general.
//   One record added, changed or deleted: TreeNotification
//       adding/changing   CheckReferenceLoop refuses a loop before it is stored
//       added             AddRecordNode, then UpdateNodeVisibility
//       changed           MoveNodeForRecord under the parent its key now names
//       deleted           DeleteNode; its subtree finds parents again (AddRecordNode)
//   Reading rows: DisplayedCount / GetDisplayedNode / RowOfNode count every
//   node's rows again after a change; opening or closing a node updates the
//   counts of its ancestors alone (UpdateShownRows), and so does a node added
//   last while a whole tree is built (CountAppended), so expansion hooks that
//   read rows as it grows cost no recount each.

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <limits>
#include <new>
#include <unordered_map>

#include "editors/ToolCtrlsEh.h"
#include "memtable/MemTableDataEh.h"
#include "memtable/PagesAheadEh.h"
#include "platform/core/Parallel.h"
#include "platform/core/Assert.h"
#include "platform/core/ScopeGuard.h"
#include "platform/core/Uncleared.h"

namespace {

const char16_t* const SReferenceLoop = u"Reference-loop found";

// A Null key, or a key of several fields that are all Null, names no record.
bool IsNullKey(const Variant& Key) {
  if (Key.IsNull() || Key.IsEmpty()) return true;
  if (!Key.IsArray()) return false;
  for (Integer i = VarArrayLowBound(Key); i <= VarArrayHighBound(Key); ++i)
    if (!VarArrayGet(Key, i).IsNull()) return false;
  return true;
}

// A branch waiting for its parent while a tree is built lies far below the top
// level: where it will hang is not known yet, so no MaxLevel check refuses a
// node in it, and a record whose parent waits goes below that parent. The
// branch is cut to MaxLevel when it takes its place.
constexpr Integer kWaitingLevel = std::numeric_limits<Integer>::min() / 2;

// In the tree (the root, or a node below it), not in a waiting branch.
bool IsPlaced(const TBaseTreeNodeEh* Node) { return Node->GetLevel() >= 0; }

bool IsWithin(TBaseTreeNodeEh* Node, TBaseTreeNodeEh* Ancestor) {
  for (TBaseTreeNodeEh* p = Node; p; p = p->GetParent())
    if (p == Ancestor) return true;
  return false;
}

}  // namespace

// ---------------------------------------------------------------------------
// TMemRecViewEh

TMemRecViewEh::~TMemRecViewEh() {
  // The root holds no record, and is destroyed after the tree's own fields.
  if (GetRec() && GetOwner()) GetNodeOwner()->NodeDestroying(this);
}

TMemoryTreeListEh* TMemRecViewEh::GetNodeOwner() const { return static_cast<TMemoryTreeListEh*>(GetOwner()); }

void TMemRecViewEh::VisibleChanged() {
  TBaseTreeNodeEh::VisibleChanged();
  if (GetOwner()) GetNodeOwner()->MakeDirty();
}

// ---------------------------------------------------------------------------
// TMemoryTreeListEh

// ---------------------------------------------------------------------------
// TRecordNodeMapEh

size_t TRecordNodeMapEh::Slot(const TMemoryRecordEh* Rec) const {
  // Records are heap objects: the low bits carry little, a multiply spreads the rest.
  const UInt64 x = static_cast<UInt64>(reinterpret_cast<uintptr_t>(Rec)) * 0x9E3779B97F4A7C15ull;
  return static_cast<size_t>(x >> 32) & FMask;
}

TMemRecViewEh* TRecordNodeMapEh::Find(TMemoryRecordEh* Rec) const {
  return Rec && FCount > 0 ? FindWithId(FById ? Rec->GetID() : 0, Rec) : nullptr;
}

TMemRecViewEh* TRecordNodeMapEh::FindWithId(Integer Id, TMemoryRecordEh* Rec) const {
  if (FCount == 0 || !Rec) return nullptr;
  if (FById) {
    const Int64 at = static_cast<Int64>(Id) - FBase;
    if (at < 0 || static_cast<size_t>(at) >= FSlots.size()) return nullptr;
    TMemRecViewEh* node = FSlots[static_cast<size_t>(at)];
    // Another list's record may bear the same ID.
    return node && node->GetRec() == Rec ? node : nullptr;
  }
  for (size_t i = Slot(Rec);; i = (i + 1) & FMask) {
    const TEntry& e = FTable[i];
    if (e.Rec == Rec) return e.Node;
    if (!e.Rec) return nullptr;
  }
}

void TRecordNodeMapEh::Prefetch(const TMemoryRecordEh* Rec) const {
  if (FById) PrefetchId(Rec->GetID());
  else if (!FTable.empty()) __builtin_prefetch(&FTable[Slot(Rec)]);
}

TMemRecViewEh** TRecordNodeMapEh::IdSlot(Integer Id) {
  if (FSlots.empty()) {
    FBase = Id;
    FSlots.assign(1, nullptr);
    return FSlots.data();
  }
  const Int64 top = static_cast<Int64>(FBase) + static_cast<Int64>(FSlots.size()) - 1;
  if (Id < FBase) {
    if (!Dense(Id, top, FCount + 1)) return nullptr;
    // Room below grows as room above does, so IDs met in falling order cost no more.
    const Int64 below = std::max<Int64>(static_cast<Int64>(FBase) - static_cast<Int64>(FSlots.size()),
                                        std::numeric_limits<Integer>::min());
    const Int64 base = std::min<Int64>(Id, below);
    FSlots.insert(FSlots.begin(), static_cast<size_t>(FBase - base), nullptr);
    FBase = static_cast<Integer>(base);
  } else if (Id > top) {
    if (!Dense(FBase, Id, FCount + 1)) return nullptr;
    FSlots.resize(static_cast<size_t>(static_cast<Int64>(Id) - FBase) + 1, nullptr);
  }
  return &FSlots[static_cast<size_t>(static_cast<Int64>(Id) - FBase)];
}

void TRecordNodeMapEh::Set(TMemoryRecordEh* Rec, TMemRecViewEh* Node) {
  if (!Rec) return;
  if (FById) SetWithId(Rec->GetID(), Rec, Node);
  else SetByAddress(Rec, Node);
}

void TRecordNodeMapEh::SetWithId(Integer Id, TMemoryRecordEh* Rec, TMemRecViewEh* Node) {
  if (!FById) {
    SetByAddress(Rec, Node);
    return;
  }
  TMemRecViewEh** slot = IdSlot(Id);
  if (slot && *slot && (*slot)->GetRec() != Rec) slot = nullptr;  // two records with one ID
  if (!slot) {
    ToAddresses();
    SetByAddress(Rec, Node);
    return;
  }
  if (!*slot) ++FCount;
  *slot = Node;
}

void TRecordNodeMapEh::SetByAddress(TMemoryRecordEh* Rec, TMemRecViewEh* Node) {
  if ((FCount + 1) * 2 > FTable.size()) Rehash(std::max<size_t>(FTable.size() * 2, 16));
  for (size_t i = Slot(Rec);; i = (i + 1) & FMask) {
    TEntry& e = FTable[i];
    if (e.Rec == Rec) {
      e.Node = Node;
      return;
    }
    if (!e.Rec) {
      e = {Rec, Node};
      ++FCount;
      return;
    }
  }
}

void TRecordNodeMapEh::ToAddresses() {
  std::vector<TMemRecViewEh*> slots;
  slots.swap(FSlots);
  FById = false;
  FCount = 0;
  Reserve(slots.size() / 2 + 1);
  for (TMemRecViewEh* node : slots)
    if (node) SetByAddress(node->GetRec(), node);
}

void TRecordNodeMapEh::Erase(TMemoryRecordEh* Rec, TMemRecViewEh* Node) {
  if (FCount == 0 || !Rec) return;
  if (FById) {
    const Int64 at = static_cast<Int64>(Rec->GetID()) - FBase;
    if (at < 0 || static_cast<size_t>(at) >= FSlots.size() || FSlots[static_cast<size_t>(at)] != Node) return;
    FSlots[static_cast<size_t>(at)] = nullptr;
    --FCount;
    return;
  }
  size_t i = Slot(Rec);
  for (;; i = (i + 1) & FMask) {
    if (!FTable[i].Rec) return;
    if (FTable[i].Rec == Rec) break;
  }
  if (FTable[i].Node != Node) return;
  // Entries after the hole move back into it unless their home lies between.
  for (size_t j = (i + 1) & FMask;; j = (j + 1) & FMask) {
    if (!FTable[j].Rec) break;
    const size_t home = Slot(FTable[j].Rec);
    const bool stays = i <= j ? (i < home && home <= j) : (i < home || home <= j);
    if (stays) continue;
    FTable[i] = FTable[j];
    i = j;
  }
  FTable[i] = {nullptr, nullptr};
  --FCount;
}

void TRecordNodeMapEh::Clear() {
  std::vector<TEntry>().swap(FTable);
  std::vector<TMemRecViewEh*>().swap(FSlots);
  FById = true;
  FBase = 0;
  FMask = 0;
  FCount = 0;
}

void TRecordNodeMapEh::Reserve(size_t Count) {
  if (FById) return;
  size_t cap = 16;
  while (cap < Count * 2) cap <<= 1;
  if (cap > FTable.size()) Rehash(cap);
}

void TRecordNodeMapEh::ReserveIds(Integer Lowest, Integer Highest, size_t Count) {
  if (!FById || FCount > 0 || Lowest > Highest || !Dense(Lowest, Highest, Count)) return;
  FBase = Lowest;
  FSlots.assign(static_cast<size_t>(static_cast<Int64>(Highest) - Lowest) + 1, nullptr);
}

void TRecordNodeMapEh::Rehash(size_t Capacity) {
  std::vector<TEntry> old;
  old.swap(FTable);
  FTable.assign(Capacity, TEntry{nullptr, nullptr});
  FMask = Capacity - 1;
  FCount = 0;
  for (const TEntry& e : old)
    if (e.Rec) SetByAddress(e.Rec, e.Node);
}

// ---------------------------------------------------------------------------
// TMemoryTreeListEh

TMemoryTreeListEh::TMemoryTreeListEh(TRecordsViewEh* ARecordsView)
    : TTreeListEh(TMemRecViewEh::StaticClass()),
      FOrderByList(std::make_unique<TMemoryTreeListOrderByList>(this)),
      FRecordsView(ARecordsView) {
  UseNodeArena<TMemRecViewEh>();
}

TMemoryTreeListEh::~TMemoryTreeListEh() {
  // The nodes tell this tree of their end: they go while it is whole.
  ClearAll();
}

void TMemoryTreeListEh::ClearAll() {
  FClearing = true;
  // The branches still waiting for a parent lie outside the tree; a waiting node
  // adopted since goes with its new parent. Sorted out before anything is freed.
  std::vector<TMemRecViewEh*> loose;
  for (TMemRecViewEh* n : FWaiting)
    if (!n->GetParent()) loose.push_back(n);
  FWaiting.clear();
  for (TMemRecViewEh* n : loose) FreeNode(n);
  Clear();
  FClearing = false;
  FPathCache.clear();
  FRecordNodes.Clear();
  FDirty = true;
  FVisibilityCurrent = false;
}

void TMemoryTreeListEh::NodeDestroying(TMemRecViewEh* Node) {
  FDirty = true;
  if (FClearing) return;
  if (std::find(FPathCache.begin(), FPathCache.end(), Node) != FPathCache.end()) FPathCache.clear();
  FRecordNodes.Erase(Node->GetRec(), Node);
}

TMemRecViewEh* TMemoryTreeListEh::NodeOfRecord(TMemoryRecordEh* Rec) const { return FRecordNodes.Find(Rec); }

TBaseTreeNodeEh* TMemoryTreeListEh::NodeOrRootOfRecord(TMemoryRecordEh* Rec) const {
  TMemRecViewEh* node = NodeOfRecord(Rec);
  return node ? static_cast<TBaseTreeNodeEh*>(node) : GetRoot();
}

Integer TMemoryTreeListEh::CompareNodes(TBaseTreeNodeEh* Node1, TBaseTreeNodeEh* Node2, TObject* ParamSort) {
  TMemoryRecordEh* a = static_cast<TMemRecViewEh*>(Node1)->GetRec();
  TMemoryRecordEh* b = static_cast<TMemRecViewEh*>(Node2)->GetRec();
  auto* order = dynamic_cast<TOrderByList*>(ParamSort);
  if (FRecordsView->OnCompareRecords) return FRecordsView->OnCompareRecords(FRecordsView, a, b, order);
  return TRecordsViewEh::CompareRecordsByOrder(a, b, order);
}

void TMemoryTreeListEh::MoveTo(TBaseTreeNodeEh* Node, TBaseTreeNodeEh* Destination, bool ReIndex,
                               TNodeAttachModeEh Mode) {
  TTreeListEh::MoveTo(Node, Destination, ReIndex, Mode);
  FDirty = true;
}

void TMemoryTreeListEh::SortData(const TCompareNodesEh& CompareProg, TObject* ParamSort, bool ARecurse) {
  TTreeListEh::SortData(CompareProg, ParamSort, ARecurse);
  FDirty = true;  // the flat lists are rebuilt when next read
}

void TMemoryTreeListEh::ExpandedChanged(TBaseTreeNodeEh* Node) {
  UpdateShownRows(static_cast<TMemRecViewEh*>(Node));
  TTreeListEh::ExpandedChanged(Node);
}

void TMemoryTreeListEh::SetSortOrder(const String& Value) {
  if (TakeSortOrder(Value)) ApplySortOrder();
}

bool TMemoryTreeListEh::TakeSortOrder(const String& Value) {
  if (FSortOrder == Value) return false;
  FOrderByList->ParseOrderBy(Value);
  FSortOrder = Value;
  FOrderedInBuild = false;
  return true;
}

void TMemoryTreeListEh::ApplySortOrder() {
  if (std::exchange(FOrderedInBuild, false)) return;
  // An empty order compares every pair equal; the unstable sort would only shuffle.
  if (FOrderByList->Count() == 0) return;
  if (FRecordsView->OnCompareRecords)
    SortData([this](TBaseTreeNodeEh* a, TBaseTreeNodeEh* b, TObject* p) { return CompareNodes(a, b, p); },
             FOrderByList.get(), true);
  else SortByOrder(FOrderByList.get());
}

// ---- rows -------------------------------------------------------------------------
// A node's rows are itself and, while it is expanded, its children's rows in
// order; the root shows only its children's. Each parent keeps its children's
// counts in a Fenwick tree, so the rows before a child are a sum of O(log n)
// counts, and the child holding a row is found in as many steps.

void TMemRecViewEh::SizeChildRows(Integer Count) {
  if (Count <= 0) {
    FChildRows.reset();
  } else if (ChildRowsSize() != Count) {
    FChildRows.reset(new Integer[static_cast<size_t>(Count) + 2]);
    FChildRows[0] = Count;
    FChildRows[1] = Count;
  }
}

void TMemRecViewEh::LendChildRows(Integer* Block, Integer Count) {
  FChildRows.reset(Block);
  FChildRows[0] = Count;
  FChildRows[1] = -Count;
}

void TMemRecViewEh::AppendChildRows(Integer Rows) {
  const Integer n = ChildRowsSize();
  if (!FChildRows || std::abs(FChildRows[1]) == n) {
    // Room doubles, so a parent given its children one by one copies each a few times at most.
    const Integer room = std::max<Integer>(4, 2 * n);
    std::unique_ptr<Integer[], TChildRowsFree> grown(new Integer[static_cast<size_t>(room) + 2]);
    if (n > 0) std::copy(&FChildRows[2], &FChildRows[2] + n, &grown[2]);
    grown[0] = n;
    grown[1] = room;
    FChildRows = std::move(grown);
  }
  // The new element covers its own count and those of the elements after
  // i - lowbit(i), whose sum two prefix sums give.
  const Integer i = n + 1;
  const Integer covered = RowsBeforeChild(n) - RowsBeforeChild(i - (i & -i));
  FChildRows[static_cast<size_t>(i) + 1] = Rows + covered;
  FChildRows[0] = i;
}

Integer TMemRecViewEh::RowsBeforeChild(Integer Index) const {
  if (!FChildRows) return 0;
  const Integer* f = &FChildRows[2];
  Integer sum = 0;
  for (Integer i = std::min<Integer>(Index, ChildRowsSize()); i > 0; i &= i - 1) sum += f[static_cast<size_t>(i - 1)];
  return sum;
}

Integer TMemRecViewEh::ChildAtRow(Integer& Row) const {
  const Integer* f = &FChildRows[2];
  const Integer n = ChildRowsSize();
  Integer pos = 0;
  Integer step = 1;
  while (step * 2 <= n) step *= 2;
  for (; step > 0; step /= 2)
    if (pos + step <= n && f[static_cast<size_t>(pos + step - 1)] <= Row) {
      pos += step;
      Row -= f[static_cast<size_t>(pos - 1)];
    }
  return pos;
}

void TMemRecViewEh::AddChildRows(Integer Index, Integer Delta) {
  Integer* f = &FChildRows[2];
  const Integer n = ChildRowsSize();
  for (Integer i = Index + 1; i <= n; i += i & -i) f[static_cast<size_t>(i - 1)] += Delta;
}

Integer TMemRecViewEh::FinishChildRows() {
  const Integer count = ChildRowsSize();
  if (count == 0) return 0;
  Integer* f = &FChildRows[2];
  Integer total = 0;
  for (Integer i = 0; i < count; ++i) total += f[static_cast<size_t>(i)];
  // Each element takes in the elements its range covers, in O(n).
  for (Integer i = 1; i <= count; ++i) {
    const Integer up = i + (i & -i);
    if (up <= count) f[static_cast<size_t>(up - 1)] += f[static_cast<size_t>(i - 1)];
  }
  return total;
}

void TMemRecViewEh::SetShownRows(Integer ChildRows) {
  FShownRows = GetVisible() ? 1 + (GetExpanded() ? ChildRows : 0) : 0;
}

void TMemoryTreeListEh::CountShownRows() {
  struct TLevel {
    TMemRecViewEh* Node;
    Integer Next;
  };
  auto* root = static_cast<TMemRecViewEh*>(GetRoot());
  std::vector<TLevel> stack{{root, 0}};
  // The branches waiting for a parent too, so they join the tree with their counts.
  for (TMemRecViewEh* w : FWaiting)
    if (!w->GetParent()) stack.push_back({w, 0});
  while (!stack.empty()) {
    TLevel& top = stack.back();
    TMemRecViewEh* node = top.Node;
    const Integer count = node->Count();
    if (top.Next < count) {
      TMemRecViewEh* child = node->GetNodeItem(top.Next++);
      if (child->Count() > 0) {
        stack.push_back({child, 0});
      } else {
        child->FChildRows.reset();
        child->FShownRows = child->GetVisible() ? 1 : 0;
      }
      continue;
    }
    stack.pop_back();
    node->SizeChildRows(count);
    if (count > 0) {
      Integer* f = &node->FChildRows[2];
      for (Integer i = 0; i < count; ++i) f[static_cast<size_t>(i)] = node->GetNodeItem(i)->FShownRows;
    }
    const Integer total = node->FinishChildRows();
    if (node == root) node->FShownRows = total;
    else node->SetShownRows(total);
  }
}

void TMemoryTreeListEh::CountAppended(TMemRecViewEh* Node) {
  FRowCursorNode = nullptr;
  FAllVisibleStale = true;
  if (FDirty) return;
  if (Node->Count() == 0) {
    Node->SizeChildRows(0);
    Node->SetShownRows(0);
  } else if (!Node->ChildRowsCurrent()) {
    FDirty = true;
    return;
  }
  TMemRecViewEh* parent = Node->GetNodeParent();
  if (parent->ChildRowsSize() != parent->Count() - 1) {
    FDirty = true;
    return;
  }
  const Integer delta = Node->FShownRows;
  parent->AppendChildRows(delta);
  if (delta == 0) return;
  // Then up as a count that changed: each shown ancestor shows as many more.
  for (TMemRecViewEh* n = parent;;) {
    if (n != GetRoot() && (!n->GetVisible() || !n->GetExpanded())) return;
    n->FShownRows += delta;
    TMemRecViewEh* up = n->GetNodeParent();
    if (!up) return;
    if (!up->ChildRowsCurrent()) {
      FDirty = true;
      return;
    }
    up->AddChildRows(n->GetIndex(), delta);
    n = up;
  }
}

void TMemoryTreeListEh::UpdateShownRows(TMemRecViewEh* Node) {
  FRowCursorNode = nullptr;
  if (FDirty || Node == GetRoot()) return;
  if (!Node->ChildRowsCurrent()) {
    FDirty = true;
    return;
  }
  const Integer rows = Node->GetVisible() ? 1 + (Node->GetExpanded() ? Node->ChildRowsTotal() : 0) : 0;
  const Integer delta = rows - Node->FShownRows;
  if (delta == 0) return;
  Node->FShownRows = rows;
  for (TMemRecViewEh* n = Node; TMemRecViewEh* parent = n->GetNodeParent(); n = parent) {
    if (!parent->ChildRowsCurrent() || n->GetIndex() >= parent->Count()) {
      FDirty = true;
      return;
    }
    parent->AddChildRows(n->GetIndex(), delta);
    // A closed or hidden node shows the same rows whatever lies below it.
    if (parent != GetRoot() && (!parent->GetVisible() || !parent->GetExpanded())) return;
    parent->FShownRows += delta;
  }
}

void TMemoryTreeListEh::SyncFlatLists() {
  if (!FDirty) return;
  FDirty = false;
  FAllVisibleStale = true;
  FRowCursorNode = nullptr;
  CountShownRows();
}

void TMemoryTreeListEh::RebuildFlatLists() {
  FDirty = true;
  SyncFlatLists();
  AllVisibleCount();
}

Integer TMemoryTreeListEh::DisplayedCount() {
  SyncFlatLists();
  return static_cast<TMemRecViewEh*>(GetRoot())->FShownRows;
}

Integer TMemoryTreeListEh::RowOfNode(TMemRecViewEh* Node) {
  // Rows are sought through nodes all over the tree: a large tree's nodes are
  // moved to huge pages meanwhile, the first time.
  MakeNodePagesHuge();
  SyncFlatLists();
  if (!Node || !Node->GetVisible()) return -1;
  if (Node == FRowCursorNode) return FRowCursor;
  TBaseTreeNodeEh* root = GetRoot();
  Integer row = 0;
  for (TMemRecViewEh* n = Node; n != root;) {
    TMemRecViewEh* parent = n->GetNodeParent();
    if (!parent) return -1;  // waiting for its parent, outside the tree
    // A node below a closed or hidden one has no row: its siblings' rows are not counted.
    if (parent != root) {
      if (!parent->GetVisible() || !parent->GetExpanded()) return -1;
      ++row;
    }
    row += parent->RowsBeforeChild(n->GetIndex());
    n = parent;
  }
  // The row is likely read next.
  FRowCursorNode = Node;
  FRowCursor = row;
  return row;
}

TMemRecViewEh* TMemoryTreeListEh::NodeAtRow(Integer Row) {
  TMemRecViewEh* node = static_cast<TMemRecViewEh*>(GetRoot());
  for (;;) {
    node = node->GetNodeItem(node->ChildAtRow(Row));
    if (Row == 0) return node;
    --Row;
  }
}

TMemRecViewEh* TMemoryTreeListEh::NextShownNode(TMemRecViewEh* Node) const {
  if (Node->GetExpanded() && Node->FShownRows > 1) return Node->GetVisibleNodeItem(0);
  for (TBaseTreeNodeEh* n = Node; n && n != GetRoot(); n = n->GetParent())
    if (TBaseTreeNodeEh* next = GetNextVisibleSibling(n)) return static_cast<TMemRecViewEh*>(next);
  return nullptr;
}

TMemRecViewEh* TMemoryTreeListEh::PrevShownNode(TMemRecViewEh* Node) const {
  TMemRecViewEh* parent = Node->GetNodeParent();
  for (Integer i = Node->GetIndex() - 1; i >= 0; --i) {
    TMemRecViewEh* prev = parent->GetNodeItem(i);
    if (!prev->GetVisible()) continue;
    // The last row below it.
    while (prev->GetExpanded() && prev->FShownRows > 1) {
      Integer last = prev->Count() - 1;
      while (!prev->GetNodeItem(last)->GetVisible()) --last;
      prev = prev->GetNodeItem(last);
    }
    return prev;
  }
  return parent == GetRoot() ? nullptr : parent;
}

TMemRecViewEh* TMemoryTreeListEh::GetDisplayedNode(Integer Index) {
  if (Index < 0 || Index >= DisplayedCount()) return nullptr;
  // Rows are mostly read one after another: the next or the one before the
  // last is a step away.
  TMemRecViewEh* node = nullptr;
  if (FRowCursorNode && Index == FRowCursor) node = FRowCursorNode;
  else if (FRowCursorNode && Index == FRowCursor + 1) node = NextShownNode(FRowCursorNode);
  else if (FRowCursorNode && Index == FRowCursor - 1) node = PrevShownNode(FRowCursorNode);
  if (!node) node = NodeAtRow(Index);
  FRowCursorNode = node;
  FRowCursor = Index;
  return node;
}

Integer TMemoryTreeListEh::AllVisibleCount() {
  SyncFlatLists();
  if (FAllVisibleStale) {
    FAllVisibleList.clear();
    FAllVisibleList.reserve(FRecordNodes.Size());
    CollectVisible(FAllVisibleList, false);
    FAllVisibleStale = false;
  }
  return static_cast<Integer>(FAllVisibleList.size());
}

TMemRecViewEh* TMemoryTreeListEh::GetAllVisibleNode(Integer Index) {
  if (Index < 0 || Index >= AllVisibleCount()) return nullptr;
  return FAllVisibleList[static_cast<size_t>(Index)];
}

namespace {

// The values of the named columns as GetValuesByIndexes gives them.
Variant ValuesOf(TMemoryRecordEh* Rec, const std::vector<Integer>& Fields) {
  if (Fields.empty()) return Null();
  if (Fields.size() == 1) {
    const TRecValueEh* v = Rec->StoredValue(Fields[0]);
    return v ? v->ToVariant() : Null();
  }
  return Rec->GetValuesByIndexes(Fields, rvvValueEh);
}

}  // namespace

Variant TMemoryTreeListEh::KeyOf(TMemoryRecordEh* Rec) const { return ValuesOf(Rec, FRecordsView->GetKeyFields()); }

Variant TMemoryTreeListEh::ParentKeyOf(TMemoryRecordEh* Rec) const {
  return ValuesOf(Rec, FRecordsView->GetRefParentFields());
}

namespace {

// The view's active index on exactly these fields, or null.
TMTIndexEh* ActiveIndexOn(TRecordsViewEh* View, const String& FieldNames) {
  TRecordsListEh* list = View->GetRecordsList();
  if (!list || FieldNames.empty()) return nullptr;
  TMTIndexEh* index = list->GetIndexes()->FindIndexByFields(FieldNames);
  return index && index->GetActive() ? index : nullptr;
}

}  // namespace

TMTIndexEh* TMemoryTreeListEh::KeyIndex() const { return ActiveIndexOn(FRecordsView, FRecordsView->GetKeyFieldName()); }

TMTIndexEh* TMemoryTreeListEh::RefParentIndex() const {
  return ActiveIndexOn(FRecordsView, FRecordsView->GetRefParentFieldName());
}

TBaseTreeNodeEh* TMemoryTreeListEh::FindNodeByKey(const Variant& KeyValue) {
  if (IsNullKey(KeyValue)) return GetRoot();
  if (TMTIndexEh* index = KeyIndex()) {
    Integer pos = 0;
    bool found = false;
    try {
      found = index->FindKeyValueIndex(KeyValue, pos);
    } catch (const Exception&) {
      found = false;  // a key of another type names no record
    }
    if (!found) return GetRoot();
    // The first of the equal records that has a node (a record being added has none yet).
    TMemRecViewEh* best = nullptr;
    auto consider = [&](Integer i) {
      TMemoryRecordEh* r = index->GetItem(i).Rec;
      if (TMemRecViewEh* n = NodeOfRecord(r); n && (!best || r->GetIndex() < best->GetRec()->GetIndex())) best = n;
    };
    for (Integer i = pos; i >= 0 && VarCompareEh(index->GetKey(i), KeyValue) == 0; --i) consider(i);
    for (Integer i = pos + 1; i < index->Count() && VarCompareEh(index->GetKey(i), KeyValue) == 0; ++i) consider(i);
    return best ? static_cast<TBaseTreeNodeEh*>(best) : GetRoot();
  }
  for (TBaseTreeNodeEh* n = GetFirst(); n; n = GetNext(n))
    if (VarEqualsEh(KeyOf(static_cast<TMemRecViewEh*>(n)->GetRec()), KeyValue)) return n;
  // While building, the branches still waiting for their parents count too.
  for (TMemRecViewEh* w : FWaiting) {
    if (w->GetParent()) continue;
    std::vector<TBaseTreeNodeEh*> stack{w};
    while (!stack.empty()) {
      TBaseTreeNodeEh* n = stack.back();
      stack.pop_back();
      if (VarEqualsEh(KeyOf(static_cast<TMemRecViewEh*>(n)->GetRec()), KeyValue)) return n;
      for (Integer i = n->Count() - 1; i >= 0; --i) stack.push_back(n->GetItem(i));
    }
  }
  return GetRoot();
}

TBaseTreeNodeEh* TMemoryTreeListEh::FindParentNode(TMemoryRecordEh* Rec) { return FindNodeByKey(ParentKeyOf(Rec)); }

bool TMemoryTreeListEh::CheckReferenceLoop(TMemoryRecordEh* Rec) {
  const Variant parentKey = ParentKeyOf(Rec);
  if (IsNullKey(parentKey)) return false;
  if (VarCompareEh(parentKey, KeyOf(Rec)) == 0) return true;
  TMemRecViewEh* own = NodeOfRecord(Rec);
  if (!own) return false;  // a record without a node has no descendants
  for (TBaseTreeNodeEh* p = FindNodeByKey(parentKey); p && p != GetRoot(); p = p->GetParent())
    if (p == own) return true;
  return false;
}

void TMemoryTreeListEh::CollectRecords(std::vector<TMemoryRecordEh*>& List, TBaseTreeNodeEh* Node, bool ARecurse) {
  TBaseTreeNodeEh* node = NodeOrRoot(Node);
  for (Integer i = 0; i < node->Count(); ++i) {
    List.push_back(static_cast<TMemRecViewEh*>(node->GetItem(i))->GetRec());
    if (ARecurse) CollectRecords(List, node->GetItem(i), true);
  }
}

Integer TMemoryTreeListEh::FindChildPosition(TBaseTreeNodeEh* Parent, TMemoryRecordEh* Rec) {
  auto rec = [Parent](Integer i) { return static_cast<TMemRecViewEh*>(Parent->GetItem(i))->GetRec(); };
  const Integer count = Parent->Count();
  if (count == 0) return 0;
  if (FRecordsView->CompareRecords(rec(0), Rec) > 0) return 0;
  if (count >= 2 && FRecordsView->CompareRecords(rec(count - 2), Rec) < 0) return count - 1;
  Integer low = 0, high = count - 1;
  Integer middle = high / 2;
  for (;;) {
    const Integer c = FRecordsView->CompareRecords(rec(middle), Rec);
    if (c > 0) high = middle;
    else if (c == 0) return middle;
    else low = middle;
    const Integer next = (high + low) / 2;
    if (next == middle) break;
    middle = next;
  }
  return middle + 1;
}

TMemRecViewEh* TMemoryTreeListEh::InsertRecordNode(TBaseTreeNodeEh* Parent, TMemoryRecordEh* Rec) {
  TRecordsListEh* list = FRecordsView->GetRecordsList();
  // While the whole tree is built, records arrive in records-list order and the
  // view sorts the finished tree once, on precomputed keys.
  const bool sorted = !FRecordsView->GetSortOrder().empty() && !FBuilding;
  const bool lastRecord = FBuilding || (list && Rec->GetIndex() == list->GetCount() - 1);
  TBaseTreeNodeEh* lastChild = Parent->Count() > 0 ? Parent->GetItem(Parent->Count() - 1) : nullptr;
  auto* node = static_cast<TMemRecViewEh*>(AddChild(String(), Parent, Rec));
  FRecordNodes.Set(Rec, node);
  // While the whole tree is built each node comes last among its siblings: the
  // rows are counted as it grows, so an expansion hook reading a row costs no recount.
  if (FBuilding) CountAppended(node);
  if (sorted) {
    // Sorted siblings take a new record at its place whatever its records-list position.
    const Integer pos = FindChildPosition(Parent, Rec);
    if (pos < Parent->Count() - 1) MoveTo(node, Parent->GetItem(pos), true, naInsertEh);
  } else if (!lastRecord && lastChild &&
             static_cast<TMemRecViewEh*>(lastChild)->GetRec()->GetIndex() > Rec->GetIndex()) {
    Integer k = Parent->Count() - 2;
    while (k >= 0 && static_cast<TMemRecViewEh*>(Parent->GetItem(k))->GetRec()->GetIndex() > Rec->GetIndex()) --k;
    MoveTo(node, Parent->GetItem(k + 1), true, naInsertEh);
  }
  node->SetExpanded(FDefaultNodeExpanded);
  node->SetHasChildren(FDefaultNodeHasChildren);
  if (!FBuilding) FDirty = true;
  return node;
}

TMemRecViewEh* TMemoryTreeListEh::AddRecordNode(TMemoryRecordEh* Rec) {
  const Variant parentKey = ParentKeyOf(Rec);
  const bool topLevel = IsNullKey(parentKey);
  TBaseTreeNodeEh* parent = nullptr;
  bool replaceLast = false;
  auto matches = [&](TMemRecViewEh* n) { return VarEqualsEh(KeyOf(n->GetRec()), parentKey); };
  if (!topLevel && !FPathCache.empty()) {
    const size_t n = FPathCache.size();
    if (n >= 2 && matches(FPathCache[n - 2])) {
      parent = FPathCache[n - 2];
      replaceLast = true;
    } else if (matches(FPathCache[n - 1])) {
      parent = FPathCache[n - 1];
    } else {
      FPathCache.pop_back();
      if (n >= 2) FPathCache.pop_back();
      while (!FPathCache.empty()) {
        if (matches(FPathCache.back())) {
          parent = FPathCache.back();
          break;
        }
        FPathCache.pop_back();
      }
    }
  }
  if (!parent) parent = topLevel ? GetRoot() : FindParentNode(Rec);
  if (parent->GetLevel() + 1 > GetMaxLevel()) parent = GetRoot();
  const bool wait = FBuilding && FFullBuildCheck && !topLevel && parent == GetRoot();
  TMemRecViewEh* node = wait ? NewWaitingNode(Rec) : InsertRecordNode(parent, Rec);

  if (FFullBuildCheck) {
    const Variant key = KeyOf(Rec);
    std::vector<TMemRecViewEh*> children;
    if (!IsNullKey(key)) {
      if (TMTIndexEh* index = RefParentIndex()) {
        std::vector<TMemoryRecordEh*> recs;
        try {
          index->GetRecordsByKey(key, recs);
        } catch (const Exception&) {
          recs.clear();
        }
        for (TMemoryRecordEh* r : recs)
          if (TMemRecViewEh* c = NodeOfRecord(r)) children.push_back(c);
      } else {
        // Not below a matching node: its subtree moves with it.
        TBaseTreeNodeEh* n = GetFirst();
        while (n) {
          auto* rn = static_cast<TMemRecViewEh*>(n);
          if (VarEqualsEh(ParentKeyOf(rn->GetRec()), key)) {
            children.push_back(rn);
            TBaseTreeNodeEh* next = nullptr;
            for (TBaseTreeNodeEh* up = n; up && up != GetRoot() && !next; up = up->GetParent())
              next = GetNextSibling(up);
            n = next;
          } else {
            n = GetNext(n);
          }
        }
        for (TMemRecViewEh* w : FWaiting)
          if (!w->GetParent() && w != node && VarEqualsEh(ParentKeyOf(w->GetRec()), key)) children.push_back(w);
      }
    }
    // The node itself and its ancestors cannot go below it: that would close a cycle.
    children.erase(std::remove_if(children.begin(), children.end(),
                                  [node](TMemRecViewEh* c) { return IsWithin(node, c) || c->GetParent() == node; }),
                   children.end());
    std::sort(children.begin(), children.end(),
              [](TMemRecViewEh* a, TMemRecViewEh* b) { return a->GetRec()->GetIndex() < b->GetRec()->GetIndex(); });
    std::vector<TMemRecViewEh*> leftParents;
    for (TMemRecViewEh* c : children) {
      TBaseTreeNodeEh* from = c->GetParent();
      if (!from) {
        // It was waiting for this parent. Below a node at MaxLevel it would lie
        // too deep: it keeps waiting, for the top level.
        if (node->GetLevel() + 1 <= GetMaxLevel()) AdoptWaiting(c, node);
        continue;
      }
      try {
        MoveTo(c, node, true, naAddChildEh);
      } catch (const Exception&) {
        continue;  // too deep under the new node: it stays where it is
      }
      if (from != GetRoot()) leftParents.push_back(static_cast<TMemRecViewEh*>(from));
    }
    for (TMemRecViewEh* p : leftParents) UpdateNodeVisibility(p, true);
  }
  if (replaceLast) FPathCache.back() = node;
  else FPathCache.push_back(node);
  if (!FBuilding) FDirty = true;
  return node;
}

TMemRecViewEh* TMemoryTreeListEh::NewWaitingNode(TMemoryRecordEh* Rec) {
  auto* node = static_cast<TMemRecViewEh*>(MakeNode(String(), Rec));
  node->SetLevel(kWaitingLevel);
  FRecordNodes.Set(Rec, node);
  FWaiting.push_back(node);
  node->SetShownRows(0);
  node->SetExpanded(FDefaultNodeExpanded);
  node->SetHasChildren(FDefaultNodeHasChildren);
  return node;
}

void TMemoryTreeListEh::AdoptWaiting(TMemRecViewEh* Node, TBaseTreeNodeEh* Parent) {
  if (!IsPlaced(Parent)) {
    // Into another waiting branch: levels are set when the whole branch is placed.
    AppendDetached(Node, Parent);
    CountAppended(Node);
    return;
  }
  // Below Parent there is room for MaxLevel - its level levels: the nodes
  // deeper than that start branches of their own, waiting for the top level.
  const Integer room = GetMaxLevel() - Parent->GetLevel() - 1;  // below Node itself
  bool cut = false;
  std::vector<std::pair<TBaseTreeNodeEh*, Integer>> stack{{Node, 0}};
  while (!stack.empty()) {
    const auto [n, depth] = stack.back();
    stack.pop_back();
    if (depth < room) {
      for (Integer i = 0; i < n->Count(); ++i) stack.push_back({n->GetItem(i), depth + 1});
      continue;
    }
    // From the last child, so each leaves the end of the list.
    for (Integer i = n->Count(); i-- > 0;) {
      auto* c = static_cast<TMemRecViewEh*>(n->GetItem(i));
      Detach(c);  // its branch keeps the levels of a waiting one
      FWaiting.push_back(c);
      cut = true;
    }
  }
  AttachNode(Node, Parent, false, naAddChildEh);
  if (cut) FDirty = true;
  else CountAppended(Node);
}

void TMemoryTreeListEh::FinishWaiting() {
  bool attached = false;
  // The branches cut off on the way join the list, and wait their turn.
  for (size_t i = 0; i < FWaiting.size(); ++i) {
    TMemRecViewEh* n = FWaiting[i];
    if (n->GetParent()) continue;
    AdoptWaiting(n, GetRoot());
    attached = true;
  }
  FWaiting.clear();
  if (!attached) return;
  // Top-level nodes in records-list order, as if they had waited at the top.
  GetRoot()->SortData(
      [](TBaseTreeNodeEh* a, TBaseTreeNodeEh* b, TObject*) {
        return static_cast<TMemRecViewEh*>(a)->GetRec()->GetIndex() -
               static_cast<TMemRecViewEh*>(b)->GetRec()->GetIndex();
      },
      nullptr, false);
  FDirty = true;
}

namespace {

// A whole-number key, or none (Null); false for any other kind of value.
bool WholeKey(const TRecValueEh& V, bool& IsNull, Int64& Key) {
  if (V.IsNullOrEmpty()) {
    IsNull = true;
    return true;
  }
  if (!V.IsWholeNumber()) return false;
  IsNull = false;
  Key = V.Whole();
  return true;
}

// Whole-number keys to values, open addressing: one allocation for a whole
// build, a key and its value in one entry so a probe touches one place.
template <class V>
class TKeyHash {
public:
  explicit TKeyHash(size_t Count) {
    size_t cap = 16;
    while (cap < Count * 2) cap <<= 1;
    FMask = cap - 1;
    FEntries.assign(cap, TEntry{});
  }
  // Asks for a key's first slot ahead of a Find or Insert a few records later.
  void Prefetch(Int64 Key) const { __builtin_prefetch(&FEntries[Slot(Key)]); }
  V* Find(Int64 Key) {
    for (size_t i = Slot(Key);; i = (i + 1) & FMask) {
      TEntry& e = FEntries[i];
      if (!e.Used) return nullptr;
      if (e.Key == Key) return &e.Value;
    }
  }
  // False when the key is there already.
  bool Insert(Int64 Key, const V& Value) {
    for (size_t i = Slot(Key);; i = (i + 1) & FMask) {
      TEntry& e = FEntries[i];
      if (!e.Used) {
        e.Used = true;
        e.Key = Key;
        e.Value = Value;
        return true;
      }
      if (e.Key == Key) return false;
    }
  }

private:
  struct TEntry {
    Int64 Key = 0;
    V Value{};
    bool Used = false;
  };
  size_t Slot(Int64 Key) const {
    UInt64 x = static_cast<UInt64>(Key) + 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return static_cast<size_t>(x ^ (x >> 31)) & FMask;
  }
  size_t FMask = 0;
  std::vector<TEntry> FEntries;
};

}  // namespace

TMemoryTreeListEh::TKeyBuildEh TMemoryTreeListEh::BuildFromKeys(const std::vector<TMemoryRecordEh*>& List) {
  const std::vector<Integer>& keyFields = FRecordsView->GetKeyFields();
  const std::vector<Integer>& parentFields = FRecordsView->GetRefParentFields();
  if (keyFields.size() != 1 || parentFields.size() != 1) return TKeyBuildEh::NoKeys;
  // Expansion hooks see the tree as it grows record by record: that build keeps
  // their order. Declined only once the keys are known to suit it, so a build
  // never gives up after the hooks have heard of nodes it then throws away.
  const bool hooks = FDefaultNodeExpanded && (OnExpandedChanging || OnExpandedChanged);
  const size_t keyCol = static_cast<size_t>(keyFields[0]), parentCol = static_cast<size_t>(parentFields[0]);
  const Integer n = static_cast<Integer>(List.size());

  // The keys, read once; a repeated key or a key of another kind ends here.
  enum : Byte { kKeyNull = 1, kParentNull = 2 };
  // The work tables below are written before they are read, and each is
  // given back once the steps that read it are done. Those dropped before
  // the nodes are made lie in the block the nodes are made in (see
  // TLentRoomEh), whose pages come meanwhile.
  size_t lentBytes = 0;
  std::byte* const lentData = LendReservedNodes(lentBytes);
  TLentRoomEh lentRoom(lentData, lentBytes);
  const TLentAllocatorEh<Byte> lent(&lentRoom);
  TLentTableEh<Int64> keys(List.size(), lent), parents(List.size(), lent);
  TLentTableEh<Byte> nulls(List.size(), lent);
  // The records' IDs, read with their keys, key the record map without a second visit.
  TUnclearedVector<Integer> ids(List.size());
  // Whether the view shows each record, asked while the record is at hand:
  // afterwards the tree visits the records in its own, scattered, order.
  TLentTableEh<Byte> inView(List.size(), lent);
  // The loops below ask for memory some records ahead: the records and the
  // hash slots lie scattered, and waiting for each in turn is most of the time.
  constexpr size_t kAhead = 16;
  // What reading the records List[From, To) found besides the tables.
  struct TKeyScan {
    bool Whole = true;        // every key and parent key a whole number or Null
    bool InListOrder = true;  // arriving in records-list order, as from the store itself
    Int64 Lowest = 0, Highest = 0;
    size_t KeyCount = 0;
    Integer LowestId = std::numeric_limits<Integer>::max(), HighestId = std::numeric_limits<Integer>::min();
  };
  auto scan = [&](size_t From, size_t To) {
    TKeyScan r;
    for (size_t at = From; at < To; ++at) {
      if (at + 2 * kAhead < To) __builtin_prefetch(List[at + 2 * kAhead]);
      if (at + kAhead < To) __builtin_prefetch(List[at + kAhead]->GetData().data());
      if (at > 0 && List[at]->GetIndex() < List[at - 1]->GetIndex()) r.InListOrder = false;
      const TRecDataValues d = List[at]->GetData();
      ids[at] = List[at]->GetID();
      r.LowestId = std::min(r.LowestId, ids[at]);
      r.HighestId = std::max(r.HighestId, ids[at]);
      bool keyNull = true, parentNull = true;
      if ((keyCol < d.size() && !WholeKey(d[keyCol], keyNull, keys[at])) ||
          (parentCol < d.size() && !WholeKey(d[parentCol], parentNull, parents[at]))) {
        r.Whole = false;
        return r;
      }
      nulls[at] = static_cast<Byte>((keyNull ? kKeyNull : 0) | (parentNull ? kParentNull : 0));
      inView[at] = FRecordsView->IsRecordInView(List[at]) ? 1 : 0;
      if (!keyNull) {
        r.Lowest = r.KeyCount == 0 ? keys[at] : std::min(r.Lowest, keys[at]);
        r.Highest = r.KeyCount == 0 ? keys[at] : std::max(r.Highest, keys[at]);
        ++r.KeyCount;
      }
    }
    return r;
  };
  // A large list is read in two halves at once. Not while a filter event
  // decides what the view shows: the program's handler runs on its own thread
  // only.
  const bool split = List.size() >= kKeysReadInHalvesFrom && !FRecordsView->OnFilterRecord;
  TKeyScan read;
  for (const TReadPart<TKeyScan>& part : ReadInHalves<TKeyScan>(List.size(), split, scan)) {
    const TKeyScan& r = part.Result;
    if (part.Begin == 0) {
      read = r;
      continue;
    }
    read.Whole = read.Whole && r.Whole;
    read.InListOrder = read.InListOrder && r.InListOrder;
    read.LowestId = std::min(read.LowestId, r.LowestId);
    read.HighestId = std::max(read.HighestId, r.HighestId);
    if (r.KeyCount > 0) {
      read.Lowest = read.KeyCount == 0 ? r.Lowest : std::min(read.Lowest, r.Lowest);
      read.Highest = read.KeyCount == 0 ? r.Highest : std::max(read.Highest, r.Highest);
      read.KeyCount += r.KeyCount;
    }
  }
  if (!read.Whole) return TKeyBuildEh::NoKeys;
  const bool inListOrder = read.InListOrder;
  const Int64 lowest = read.Lowest, highest = read.Highest;
  const size_t keyCount = read.KeyCount;
  const Integer lowestId = read.LowestId, highestId = read.HighestId;
  // The tables read while the nodes are made, and after, cannot lie in the
  // lent room: they are made now, their pages given while the next steps run.
  // By place, in one entry so each is written and read as one: the record,
  // its parent's place (-1 for the top level), its children's count and
  // whether it shows. And each record's place by its List position, for the
  // record map.
  struct TPlaced {
    Integer Record;  // the List position
    Integer ParentPlace;
    uint32_t ChildCount : 31;
    uint32_t Shows : 1;
  };
  TUnclearedVector<Integer> sizeOrPlace(List.size());
  TUnclearedVector<TPlaced> placed(List.size());
  TUnclearedVector<Integer> place(List.size());
  TPagesAheadEh pages;
  pages.Start({{sizeOrPlace.data(), sizeOrPlace.size() * sizeof(Integer)},
               {placed.data(), placed.size() * sizeof(TPlaced)},
               {place.data(), place.size() * sizeof(Integer)}});

  // Positions by key: numbered records (keys spanning a range not much wider
  // than their count) index a plain table, other keys go through a hash.
  const UInt64 span = static_cast<UInt64>(highest) - static_cast<UInt64>(lowest);
  const bool dense = keyCount > 0 && span < 4 * static_cast<UInt64>(keyCount);
  TLentTableEh<Integer> table(dense ? static_cast<size_t>(span) + 1 : 0, -1, lent);
  TKeyHash<Integer> byKey(dense ? 0 : List.size());
  auto slotOf = [&](Int64 Key) -> Integer* {
    if (Key < lowest || Key > highest) return nullptr;
    return &table[static_cast<size_t>(static_cast<UInt64>(Key) - static_cast<UInt64>(lowest))];
  };
  for (Integer i = 0; i < n; ++i) {
    const size_t at = static_cast<size_t>(i);
    if (nulls[at] & kKeyNull) continue;
    if (dense) {
      Integer* slot = slotOf(keys[at]);
      if (*slot >= 0) return TKeyBuildEh::NoKeys;
      *slot = i;
    } else {
      if (at + kAhead < List.size()) byKey.Prefetch(keys[at + kAhead]);
      if (!byKey.Insert(keys[at], i)) return TKeyBuildEh::NoKeys;
    }
  }
  if (hooks) return TKeyBuildEh::Declined;

  // Each record's parent position, -1 for the top level. Record by record a
  // parent that comes later is found only with the full check (the child waits
  // for it); one that never comes leaves the child waiting to the end, and the
  // top level is then put in records-list order.
  TLentTableEh<Integer> parentAt(List.size(), -1, lent);
  bool orphans = false;
  for (Integer i = 0; i < n; ++i) {
    const size_t at = static_cast<size_t>(i);
    if (nulls[at] & kParentNull) continue;
    const Integer* found;
    if (dense) {
      found = slotOf(parents[at]);
      if (found && *found < 0) found = nullptr;
    } else {
      if (at + kAhead < List.size()) byKey.Prefetch(parents[at + kAhead]);
      found = byKey.Find(parents[at]);
    }
    if (!found) {
      orphans = orphans || FFullBuildCheck;
      continue;
    }
    if (*found < i || (FFullBuildCheck && *found != i)) parentAt[at] = *found;
    else if (FFullBuildCheck) return TKeyBuildEh::Declined;  // its own parent: a loop
  }
  ReleaseTable(keys);
  ReleaseTable(parents);
  ReleaseTable(nulls);
  ReleaseTable(table);
  byKey = TKeyHash<Integer>(0);

  // A node shows when its record is in view or one of its descendants shows,
  // as RefreshVisibility would find: each record in view marks its way up.
  TLentTableEh<Byte>& visible = inView;
  for (Integer i = 0; i < n; ++i) {
    if (visible[static_cast<size_t>(i)] != 1) continue;
    for (Integer j = parentAt[static_cast<size_t>(i)]; j >= 0 && !visible[static_cast<size_t>(j)];
         j = parentAt[static_cast<size_t>(j)])
      visible[static_cast<size_t>(j)] = 2;  // shown for a descendant's sake
  }

  // Children in records-list order, as positions: first[p + 1] .. first[p + 2] in
  // order (the root is p = -1).
  TLentTableEh<Integer> first(List.size() + 2, 0, lent);
  for (Integer i = 0; i < n; ++i) ++first[static_cast<size_t>(parentAt[static_cast<size_t>(i)] + 2)];
  for (size_t k = 1; k < first.size(); ++k) first[k] += first[k - 1];
  TLentTableEh<Integer> children(List.size(), 0, lent);
  {
    TLentTableEh<Integer> fill(first.begin(), first.end() - 1, lent);
    for (Integer i = 0; i < n; ++i)
      children[static_cast<size_t>(fill[static_cast<size_t>(parentAt[static_cast<size_t>(i)] + 1)]++)] = i;
  }
  auto byListOrder = [&List](Integer a, Integer b) {
    return List[static_cast<size_t>(a)]->GetIndex() < List[static_cast<size_t>(b)]->GetIndex();
  };
  if (orphans) std::sort(children.begin(), children.begin() + first[1], byListOrder);
  // Children that waited for their parent are adopted in records-list order when
  // it arrives; those after it follow as they come.
  if (FFullBuildCheck && !inListOrder)
    for (Integer p = 0; p < n; ++p) {
      auto from = children.begin() + first[static_cast<size_t>(p) + 1];
      auto to = children.begin() + first[static_cast<size_t>(p) + 2];
      std::sort(from, std::lower_bound(from, to, p), byListOrder);
    }
  // Siblings put in the sort order before any node is made: the nodes are then
  // made where a walk reads them, and the made tree needs no sort.
  const bool ordered =
      FOrderByList->Count() > 0 && !FRecordsView->OnCompareRecords && SortFamilies(List, first, children);
  ReleaseTable(parentAt);

  // The records in the tree's pre-order: the nodes are made in that order,
  // parent before child, side by side in one run of the arena, so a walk of
  // the tree reads them in storage order. What making each node needs (its
  // record, visibility, children's count, parent's place) is gathered in that
  // order first, so the making reads its tables in order. A record no chain
  // of parents from the top level reaches lies on a loop of parent keys, and
  // a record deeper than MaxLevel breaks its chain: both are left to the
  // build that decides record by record.
  //
  // The records lie in the list in no relation to the tree, so each visit of
  // one waits for memory. A walk down the tree waits for each in turn; going
  // level by level instead, the records to visit are known well ahead and are
  // asked for together. The levels give each record's subtree size (children
  // before parents, backwards), the sizes its pre-order place (a first child
  // just after its parent, a sibling after the one before it and its
  // subtree), and within a level those places rise, so the tables in pre-order
  // are written nearly in order.
  const size_t tops = static_cast<size_t>(first[1]);
  // By visit: the record's position, its parent's visit (-1 for the top
  // level), and its subtree size, then its place.
  TLentTableEh<Integer> visit(List.size(), lent), visitParent(List.size(), lent);
  {
    const Integer maxLevel = GetMaxLevel();
    std::copy(children.begin(), children.begin() + first[1], visit.begin());
    std::fill(visitParent.begin(), visitParent.begin() + first[1], -1);
    size_t tail = tops, levelEnd = 0;
    Integer depth = 0;
    constexpr size_t kFirstAhead = 24, kChildrenAhead = 12;
    for (size_t q = 0; q < tail; ++q) {
      if (q == levelEnd) {
        levelEnd = tail;
        if (++depth > maxLevel) return TKeyBuildEh::Declined;
      }
      if (q + kFirstAhead < tail) __builtin_prefetch(&first[static_cast<size_t>(visit[q + kFirstAhead]) + 1]);
      if (q + kChildrenAhead < tail)
        __builtin_prefetch(children.data() + first[static_cast<size_t>(visit[q + kChildrenAhead]) + 1]);
      const size_t i = static_cast<size_t>(visit[q]);
      const Integer from = first[i + 1], to = first[i + 2];
      for (Integer j = from; j < to; ++j) {
        visit[tail] = children[static_cast<size_t>(j)];
        visitParent[tail] = static_cast<Integer>(q);
        ++tail;
      }
    }
    if (tail != List.size()) return TKeyBuildEh::Declined;
  }
  ReleaseTable(first);
  ReleaseTable(children);
  // Subtree sizes: a parent's visit comes before its children's.
  std::fill(sizeOrPlace.begin(), sizeOrPlace.end(), 1);
  for (size_t q = List.size(); q-- > tops;) sizeOrPlace[static_cast<size_t>(visitParent[q])] += sizeOrPlace[q];
  {
    // Siblings are visited one after another: the first one's place is just
    // after its parent's, each later one's after the one before and its
    // subtree; and the family's end gives its parent's count of children.
    Integer lastPlace = 0, lastSize = 0, lastParent = -2, siblings = 0;
    auto endFamily = [&] {
      if (lastParent >= 0)
        placed[static_cast<size_t>(sizeOrPlace[static_cast<size_t>(lastParent)])].ChildCount =
            static_cast<uint32_t>(siblings);
    };
    for (size_t q = 0; q < List.size(); ++q) {
      if (q + kAhead < List.size()) {
        const size_t ahead = static_cast<size_t>(visit[q + kAhead]);
        __builtin_prefetch(&visible[ahead]);
        __builtin_prefetch(&place[ahead], 1);
      }
      const Integer parent = visitParent[q], size = sizeOrPlace[q];
      if (parent != lastParent) {
        endFamily();
        siblings = 0;
      }
      const Integer at = parent == lastParent ? lastPlace + lastSize
                         : parent < 0         ? 0
                                              : sizeOrPlace[static_cast<size_t>(parent)] + 1;
      sizeOrPlace[q] = at;
      const size_t i = static_cast<size_t>(visit[q]);
      placed[static_cast<size_t>(at)] = {
          static_cast<Integer>(i), parent < 0 ? -1 : sizeOrPlace[static_cast<size_t>(parent)], 0, visible[i] != 0};
      place[i] = at;
      ++siblings;
      lastPlace = at;
      lastSize = size;
      lastParent = parent;
    }
    endFamily();
  }
  ReleaseTable(visit);
  ReleaseTable(visitParent);
  ReleaseTable(inView);

  // The rows each node shows, children before parents (the places backwards),
  // as CountShownRows would count them: each place first sums its children's.
  TUnclearedVector<Integer> rows = std::move(sizeOrPlace);
  std::fill(rows.begin(), rows.end(), 0);
  Integer topRows = 0;
  size_t withChildren = 0;
  for (size_t k = List.size(); k-- > 0;) {
    const Integer shown = placed[k].Shows ? 1 + (FDefaultNodeExpanded ? rows[k] : 0) : 0;
    rows[k] = shown;
    if (placed[k].ChildCount > 0) ++withChildren;
    const Integer parent = placed[k].ParentPlace;
    (parent < 0 ? topRows : rows[static_cast<size_t>(parent)]) += shown;
  }

  // The nodes' room was reserved by BuildTree before the keys were read: node
  // k goes to slot k of the run, so a parent is found from its place. The
  // tables it lent are gone.
  BORROW_ASSERT(lentRoom.Live() == 0);
  lentRoom.HandBack();
  size_t slotSize = 0;
  std::byte* const run = ReserveNodeRun(n, slotSize);
  // Without a run the hash build makes the nodes one by one.
  if (!run && n > 0) return TKeyBuildEh::Declined;
  auto nodeAt = [run, slotSize](Integer Place) {
    return std::launder(reinterpret_cast<TMemRecViewEh*>(run + static_cast<size_t>(Place) * slotSize));
  };
  ReserveChildren(GetRoot(), static_cast<Integer>(tops));
  TBaseTreeNodeEh** const childBlock = NewChildBlock(List.size() - tops);
  auto* root = static_cast<TMemRecViewEh*>(GetRoot());
  root->SizeChildRows(static_cast<Integer>(tops));
  root->FShownRows = topRows;
  // The parents' counts in one block when the tree gives one, handed out in
  // the order the nodes are made.
  const size_t countCount = List.size() - tops + 2 * withChildren;
  Integer* counts = NewNumberBlock(countCount);
  // Both are handed out from the front as the nodes are made: their pages
  // are given ahead of the making.
  pages.Start({{childBlock, childBlock ? (List.size() - tops) * sizeof(childBlock[0]) : 0},
               {counts, counts ? countCount * sizeof(Integer) : 0}});
  for (size_t k = 0; k < List.size(); ++k) {
    if (k + kAhead < List.size()) __builtin_prefetch(&List[static_cast<size_t>(placed[k + kAhead].Record)]);
    const TPlaced& at = placed[k];
    TMemRecViewEh* parent = at.ParentPlace < 0 ? root : nodeAt(at.ParentPlace);
    // No expansion hook is set (see above): the default flags go in directly.
    auto* node =
        static_cast<TMemRecViewEh*>(AppendNewChild(parent, List[static_cast<size_t>(at.Record)], at.Shows != 0,
                                                   FDefaultNodeExpanded, FDefaultNodeHasChildren, run + k * slotSize));
    const Integer count = static_cast<Integer>(at.ChildCount);
    if (count > 0) {
      ShareChildren(node, count);
      if (counts) {
        node->LendChildRows(counts, count);
        counts += count + 2;
      } else {
        node->SizeChildRows(count);
      }
    }
    node->FShownRows = rows[k];
    // The parent's counts, made its Fenwick tree once its last child has come.
    const Integer index = node->GetIndex();
    parent->FChildRows[static_cast<size_t>(index) + 2] = rows[k];
    if (index + 1 == parent->ChildRowsSize()) parent->FinishChildRows();
  }
  ReleaseTable(rows);
  ReleaseTable(placed);
  FDirty = false;
  FAllVisibleStale = true;
  FRowCursorNode = nullptr;

  // In records-list order: a list's IDs mostly rise with it, so the map's table fills in order.
  FRecordNodes.ReserveIds(lowestId, highestId, List.size());
  FRecordNodes.SetAllWithIds(ids, List, [&](size_t i) { return nodeAt(place[i]); });
  FVisibilityCurrent = true;
  // Only now: a build given up leaves the order to the sort after the build that follows.
  FOrderedInBuild = ordered;
  return TKeyBuildEh::Built;
}

bool TMemoryTreeListEh::BuildWithKeyHash(const std::vector<TMemoryRecordEh*>& List) {
  const std::vector<Integer>& keyFields = FRecordsView->GetKeyFields();
  const std::vector<Integer>& parentFields = FRecordsView->GetRefParentFields();
  if (keyFields.size() != 1 || parentFields.size() != 1) return false;
  const size_t keyCol = static_cast<size_t>(keyFields[0]), parentCol = static_cast<size_t>(parentFields[0]);
  auto giveUp = [this] {
    // Keys of another kind, or a repeated key: the record-by-record build decides.
    ClearAll();
    return false;
  };
  TKeyHash<TMemRecViewEh*> byKey(List.size());
  FRecordNodes.Reserve(List.size());
  // The records waiting for a parent key: the first and last entry of a chain.
  struct Waiter {
    TMemRecViewEh* Node;
    Integer Next;
  };
  std::vector<Waiter> waiters;
  TKeyHash<std::pair<Integer, Integer>> waiting(FFullBuildCheck ? List.size() : 1);
  std::vector<TMemRecViewEh*> adopt;
  for (TMemoryRecordEh* rec : List) {
    const TRecDataValues d = rec->GetData();
    bool keyNull = true, parentNull = true;
    Int64 key = 0, parent = 0;
    if (keyCol < d.size() && !WholeKey(d[keyCol], keyNull, key)) return giveUp();
    if (parentCol < d.size() && !WholeKey(d[parentCol], parentNull, parent)) return giveUp();
    TBaseTreeNodeEh* parentNode = GetRoot();
    if (!parentNull)
      if (TMemRecViewEh** found = byKey.Find(parent)) parentNode = *found;
    if (parentNode->GetLevel() + 1 > GetMaxLevel()) parentNode = GetRoot();
    TMemRecViewEh* node;
    if (parentNode == GetRoot() && FFullBuildCheck && !parentNull) {
      node = NewWaitingNode(rec);
      const Integer at = static_cast<Integer>(waiters.size());
      waiters.push_back({node, -1});
      if (auto* chain = waiting.Find(parent)) {
        if (chain->second >= 0) waiters[static_cast<size_t>(chain->second)].Next = at;
        else chain->first = at;
        chain->second = at;
      } else {
        waiting.Insert(parent, {at, at});
      }
    } else {
      node = static_cast<TMemRecViewEh*>(AddChild(String(), parentNode, rec));
      FRecordNodes.Set(rec, node);
      CountAppended(node);
      node->SetExpanded(FDefaultNodeExpanded);
      node->SetHasChildren(FDefaultNodeHasChildren);
    }
    if (keyNull) continue;
    if (!byKey.Insert(key, node)) return giveUp();
    if (!FFullBuildCheck) continue;
    auto* chain = waiting.Find(key);
    if (!chain || chain->first < 0) continue;
    adopt.clear();
    for (Integer i = chain->first; i >= 0; i = waiters[static_cast<size_t>(i)].Next)
      adopt.push_back(waiters[static_cast<size_t>(i)].Node);
    chain->first = chain->second = -1;
    // In records-list order, as the record-by-record build adopts them, whatever
    // order the view's source gave them in.
    std::sort(adopt.begin(), adopt.end(),
              [](TMemRecViewEh* a, TMemRecViewEh* b) { return a->GetRec()->GetIndex() < b->GetRec()->GetIndex(); });
    for (TMemRecViewEh* c : adopt) {
      // Itself, or an ancestor of it, would close a cycle: it keeps waiting.
      if (IsWithin(node, c)) continue;
      // Below a node at MaxLevel it would lie too deep: it keeps waiting, for the top level.
      if (node->GetLevel() + 1 > GetMaxLevel()) continue;
      AdoptWaiting(c, node);
    }
  }
  return true;
}

void TMemoryTreeListEh::MoveNodeForRecord(TMemRecViewEh* Node, TMemoryRecordEh* Rec, bool ReIndex) {
  TBaseTreeNodeEh* parent = FindParentNode(Rec);
  // A parent inside the node's own subtree (possible with duplicate keys) would
  // close a cycle, and one too deep cannot take it: the top level instead.
  if (IsWithin(parent, Node) || parent->GetLevel() + 1 + Node->SubtreeHeight() > GetMaxLevel()) parent = GetRoot();
  const bool sorted = !FRecordsView->GetSortOrder().empty();
  if (parent == Node->GetParent() && !sorted) return;
  // The sibling to go before: by the sort when there is one, else by records-list order.
  TBaseTreeNodeEh* before = nullptr;
  for (Integer i = 0; i < parent->Count(); ++i) {
    auto* c = static_cast<TMemRecViewEh*>(parent->GetItem(i));
    if (c == Node) continue;
    const bool after =
        sorted ? FRecordsView->CompareRecords(c->GetRec(), Rec) >= 0 : c->GetRec()->GetIndex() > Rec->GetIndex();
    if (after) {
      before = c;
      break;
    }
  }
  if (before) {
    if (before->GetIndex() != Node->GetIndex() + 1 || Node->GetParent() != parent)
      MoveTo(Node, before, ReIndex, naInsertEh);
  } else if (Node->GetParent() != parent || Node->GetIndex() != parent->Count() - 1) {
    MoveTo(Node, parent, ReIndex, naAddChildEh);
  }
  FDirty = true;
}

void TMemoryTreeListEh::UpdateNodeVisibility(TMemRecViewEh* Node, bool Propagate) {
  FDirty = true;
  TBaseTreeNodeEh* n = Node;
  while (n && n != GetRoot()) {
    if (n->GetVisibleCount() == 0)
      n->SetVisible(FRecordsView->IsRecordInView(static_cast<TMemRecViewEh*>(n)->GetRec()));
    else n->SetVisible(true);
    if (!Propagate) break;
    TBaseTreeNodeEh* parent = n->GetParent();
    if (!parent || parent == GetRoot() || parent->GetVisible() == n->GetVisible()) break;
    n = parent;
  }
}

void TMemoryTreeListEh::RefreshVisibility(TBaseTreeNodeEh* Node) {
  // Every node below Node, children before their parent (whose visibility
  // follows what they show), without recursion.
  struct TLevel {
    TBaseTreeNodeEh* Node;
    Integer Next;
  };
  std::vector<TLevel> stack{{NodeOrRoot(Node), 0}};
  while (!stack.empty()) {
    TLevel& top = stack.back();
    if (top.Next < top.Node->Count()) {
      TBaseTreeNodeEh* child = top.Node->GetItem(top.Next++);
      // The next sibling's record is read soon: ask for it now.
      if (top.Next < top.Node->Count())
        __builtin_prefetch(static_cast<TMemRecViewEh*>(top.Node->GetItem(top.Next))->GetRec());
      stack.push_back({child, 0});
      continue;
    }
    TBaseTreeNodeEh* done = top.Node;
    stack.pop_back();
    if (!stack.empty()) UpdateNodeVisibility(static_cast<TMemRecViewEh*>(done), false);
  }
  FDirty = true;
}

void TMemoryTreeListEh::ShowChildrenOfVisibleNodes(TBaseTreeNodeEh* Node) {
  TBaseTreeNodeEh* node = NodeOrRoot(Node);
  for (Integer i = 0; i < node->Count(); ++i) {
    TBaseTreeNodeEh* child = node->GetItem(i);
    if (!child->GetVisible()) continue;
    if (child->GetVisibleCount() == 0) {
      for (TBaseTreeNodeEh* d = GetNext(child); d && IsWithin(d, child) && d != child; d = GetNext(d))
        d->SetVisible(true);
    } else {
      ShowChildrenOfVisibleNodes(child);
    }
  }
  FDirty = true;
}

// ---------------------------------------------------------------------------
// The view's tree upkeep

void TRecordsViewEh::BuildTree() {
  FTreeList->ClearAll();
  FTreeList->FOrderedInBuild = false;
  if (!FTreeMode) return;
  UpdateTreeFieldIndexes();
  // The build can make the siblings in the view's order straight away.
  FTreeList->TakeSortOrder(FSortOrder);
  if (const std::vector<TMemoryRecordEh*>* list = SourceList()) {
    FTreeList->FRecordNodes.Reserve(list->size());
    FTreeList->ReserveNodes(static_cast<Integer>(list->size()));
    FTreeList->FBuilding = true;
    TScopeExit Finish([&] {
      FTreeList->FBuilding = false;
      FTreeList->ReleaseReservedNodes();
      FTreeList->NodesBuilt();
      FTreeList->FinishWaiting();
    });
    const TMemoryTreeListEh::TKeyBuildEh direct = FTreeList->BuildFromKeys(*list);
    if (direct != TMemoryTreeListEh::TKeyBuildEh::Built &&
        (direct == TMemoryTreeListEh::TKeyBuildEh::NoKeys || !FTreeList->BuildWithKeyHash(*list))) {
      FTreeList->FRecordNodes.Reserve(list->size());
      FTreeList->ReserveNodes(static_cast<Integer>(list->size()));
      for (TMemoryRecordEh* rec : *list) FTreeList->AddRecordNode(rec);
    }
    // Whichever build ran, each record has exactly one node.
    BORROW_ASSERT(FTreeList->FRecordNodes.Size() == list->size());
  }
}

void TRecordsViewEh::ReportTreeChange() {
  if (FTreeList->GetDirty()) ViewDataEvent(nullptr, -1, rlnListChangedEh);
}

void TRecordsViewEh::TreeNotification(TMemoryRecordEh* MemRec, TRecordsListNotificationEh Action) {
  TMemoryTreeListEh* tree = FTreeList.get();
  // A record's change after a build leaves visibility to be worked out again.
  if (Action != rlnListChangedEh) tree->FVisibilityCurrent = false;
  switch (Action) {
    case rlnRecAddingEh:
    case rlnRecChangingEh:
      if (tree->CheckReferenceLoop(MemRec)) throw Exception(SReferenceLoop);
      return;
    case rlnRecAddedEh: {
      TMemRecViewEh* node = tree->AddRecordNode(MemRec);
      tree->UpdateNodeVisibility(node, true);
      break;
    }
    case rlnRecChangedEh: {
      TMemRecViewEh* node = tree->NodeOfRecord(MemRec);
      TBaseTreeNodeEh* oldParent = node ? node->GetParent() : nullptr;
      if (node) tree->MoveNodeForRecord(node, MemRec, true);
      else node = tree->AddRecordNode(MemRec);
      tree->UpdateNodeVisibility(node, true);
      // The parent it left may have been shown only for its sake.
      if (oldParent && oldParent != node->GetParent() && oldParent != tree->GetRoot())
        tree->UpdateNodeVisibility(static_cast<TMemRecViewEh*>(oldParent), true);
      break;
    }
    case rlnRecDeletedEh:
    case rlnRecMarkedForDelEh: {
      TMemRecViewEh* node = tree->NodeOfRecord(MemRec);
      if (!node) return;
      std::vector<TMemoryRecordEh*> orphans;
      tree->CollectRecords(orphans, node, true);
      std::vector<TMemoryRecordEh*> tops;
      tree->CollectRecords(tops, node, false);
      TBaseTreeNodeEh* oldParent = node->GetParent();
      tree->DeleteNode(node, true);
      // The subtree finds its parents again, or goes to the top level.
      for (TMemoryRecordEh* r : orphans) tree->AddRecordNode(r);
      for (TMemoryRecordEh* r : tops)
        if (TMemRecViewEh* n = tree->NodeOfRecord(r)) {
          tree->RefreshVisibility(n);
          tree->UpdateNodeVisibility(n, true);
        }
      if (oldParent && oldParent != tree->GetRoot())
        tree->UpdateNodeVisibility(static_cast<TMemRecViewEh*>(oldParent), true);
      break;
    }
    case rlnListChangedEh:
      BuildTree();
      RebuildView();
      return;
    default: return;
  }
  ReportTreeChange();
}
