// TCustomMemTableEh in tree mode: the tree settings (TreeList), the tree part
// of IMemTableEh, finding records below collapsed nodes, and moving records.

#include <algorithm>
#include <optional>

#include "memtable/MemTableEh.h"
#include "platform/core/Locale.h"
#include "platform/core/ScopeGuard.h"
#include "platform/core/Strings.h"

// ---- tree settings -----------------------------------------------------------------

TMemTableTreeListEh::TMemTableTreeListEh(TCustomMemTableEh* AMemTable) : FMemTable(AMemTable) {
  SetFullBuildCheck(true);
}

TPersistent* TMemTableTreeListEh::GetOwner() const { return FMemTable; }

namespace {
TMemoryTreeListEh* TreeOf(TCustomMemTableEh* T) { return T->GetRecordsView()->GetTreeList(); }

// The record's node when it hangs in the tree (not one waiting for its parent
// while the tree is built): the record map answers without walking the tree.
TMemRecViewEh* PlacedNodeOf(TMemoryTreeListEh* Tree, TMemoryRecordEh* Rec) {
  TMemRecViewEh* node = Tree->NodeOfRecord(Rec);
  if (!node) return nullptr;
  TBaseTreeNodeEh* p = node->GetParent();
  while (p && p != Tree->GetRoot()) p = p->GetParent();
  return p ? node : nullptr;
}

// Whether the node has a row: placed, visible, and every ancestor visible and expanded.
bool IsNodeShown(TMemoryTreeListEh* Tree, TBaseTreeNodeEh* Node) {
  if (!Node->GetVisible()) return false;
  TBaseTreeNodeEh* p = Node->GetParent();
  for (; p && p != Tree->GetRoot(); p = p->GetParent())
    if (!p->GetVisible() || !p->GetExpanded()) return false;
  return p != nullptr;
}
}  // namespace

bool TMemTableTreeListEh::GetActive() const {
  if (FMemTable->GetComponentState().Contains(csLoading)) return FActive;
  return FMemTable->GetRecordsView()->GetTreeMode();
}

void TMemTableTreeListEh::SetActive(bool Value) {
  FActive = Value;
  if (FMemTable->GetComponentState().Contains(csLoading)) return;
  if (Value == FMemTable->GetRecordsView()->GetTreeMode()) return;
  if (FMemTable->GetActive()) FMemTable->CheckBrowseMode();
  FMemTable->ViewSetTreeMode(Value);
  if (FMemTable->GetActive()) {
    FMemTable->UpdateCursorPos();
    FMemTable->Resync({});
  }
}

String TMemTableTreeListEh::GetKeyFieldName() const { return FMemTable->GetRecordsView()->GetKeyFieldName(); }
void TMemTableTreeListEh::SetKeyFieldName(const String& Value) { FMemTable->GetRecordsView()->SetKeyFieldName(Value); }
String TMemTableTreeListEh::GetRefParentFieldName() const {
  return FMemTable->GetRecordsView()->GetRefParentFieldName();
}
void TMemTableTreeListEh::SetRefParentFieldName(const String& Value) {
  FMemTable->GetRecordsView()->SetRefParentFieldName(Value);
}
bool TMemTableTreeListEh::GetDefaultNodeExpanded() const { return TreeOf(FMemTable)->GetDefaultNodeExpanded(); }
void TMemTableTreeListEh::SetDefaultNodeExpanded(bool Value) { TreeOf(FMemTable)->SetDefaultNodeExpanded(Value); }
bool TMemTableTreeListEh::GetDefaultNodeHasChildren() const { return TreeOf(FMemTable)->GetDefaultNodeHasChildren(); }
void TMemTableTreeListEh::SetDefaultNodeHasChildren(bool Value) { TreeOf(FMemTable)->SetDefaultNodeHasChildren(Value); }
bool TMemTableTreeListEh::GetFullBuildCheck() const { return TreeOf(FMemTable)->GetFullBuildCheck(); }
void TMemTableTreeListEh::SetFullBuildCheck(bool Value) { TreeOf(FMemTable)->SetFullBuildCheck(Value); }
bool TMemTableTreeListEh::GetFilterNodeIfParentVisible() const {
  return TreeOf(FMemTable)->GetFilterNodeIfParentVisible();
}
void TMemTableTreeListEh::SetFilterNodeIfParentVisible(bool Value) {
  TreeOf(FMemTable)->SetFilterNodeIfParentVisible(Value);
}

bool TMemTableTreeListEh::Locate(const String& KeyFields, const Variant& KeyValues, TLocateOptions Options) {
  TCustomMemTableEh* t = FMemTable;
  t->CheckBrowseMode();
  if (t->Bof() && t->Eof()) return false;
  std::vector<TField*> fields;
  t->GetFieldList(fields, KeyFields);
  TMemoryTreeListEh* tree = TreeOf(t);
  for (TBaseTreeNodeEh* n = tree->GetFirst(); n; n = tree->GetNext(n)) {
    auto* node = static_cast<TMemRecViewEh*>(n);
    if (!t->RecordMatches(node->GetRec(), fields, KeyValues, Options)) continue;
    t->RevealRecord(node->GetRec());
    return t->GotoRecord(node->GetRec());
  }
  return false;
}

void TMemTableTreeListEh::FullCollapse() { FMemTable->SetAllExpanded(false); }

void TMemTableTreeListEh::FullExpand() { FMemTable->SetAllExpanded(true); }

// ---- the table's tree handlers ------------------------------------------------------

void TCustomMemTableEh::AttachTreeHandlers() {
  TMemoryTreeListEh* tree = FRecordsView->GetTreeList();
  tree->OnExpandedChanging = [this](TObject*, TBaseTreeNodeEh* Node, bool& Allow) { Allow = NodeExpanding(Node); };
  tree->OnExpandedChanged = [this](TObject*, TBaseTreeNodeEh* Node) { NodeExpandedChanged(Node); };
}

bool TCustomMemTableEh::NodeExpanding(TBaseTreeNodeEh* Node) {
  bool allow = true;
  auto* node = static_cast<TMemRecViewEh*>(Node);
  if (node->GetExpanded()) return allow;
  // The row is read only by the handlers. Finding it rebuilds the shown rows,
  // which a whole tree built with its nodes expanded would pay once per node;
  // a node without a row (below a collapsed one, or waiting for its parent) is
  // known to have none from its ancestors alone.
  Integer row = -1;
  if ((OnTreeNodeExpanding || OnTreeNodeHasChildren) && IsNodeShown(FRecordsView->GetTreeList(), node))
    row = FRecordsView->IndexOfRecord(node->GetRec());
  if (OnTreeNodeExpanding) OnTreeNodeExpanding(this, row + 1, allow);
  if (GetActive() && OnTreeNodeHasChildren) {
    // The node's record is readable while the handler runs.
    auto ask = [&] {
      bool has = node->GetHasChildren();
      OnTreeNodeHasChildren(this, row + 1, has);
      node->SetHasChildren(has);
      if (!has) allow = false;
    };
    if (GetCurrentTreeNode() == node) {
      ask();
    } else {
      InstantReadEnterTreeNode(node, row);
      ReadAndLeave(ask);
    }
  }
  return allow;
}

void TCustomMemTableEh::NodeExpandedChanged(TBaseTreeNodeEh*) {
  // The tree has counted the rows the node now shows. A whole tree being built
  // is shown once it is done, not once per node.
  if (!GetActive() || ControlsDisabled() || FRecordsView->GetTreeList()->IsBuilding()) return;
  Resync({});
}

void TCustomMemTableEh::SetAllExpanded(bool Value) {
  DisableControls();
  TScopeExit Enable([&] { EnableControls(); });
  TMemoryTreeListEh* tree = FRecordsView->GetTreeList();
  // Every node changes: the rows are counted once afterwards, not node by node.
  tree->MakeDirty();
  if (Value) tree->FullExpand(nullptr, true);
  else tree->FullCollapse(nullptr, true);
  tree->RebuildFlatLists();
  if (GetActive()) Resync({});
}

// ---- finding records below collapsed nodes --------------------------------------------

bool TCustomMemTableEh::IsRecordInTree(TMemoryRecordEh* Rec) {
  TMemoryTreeListEh* tree = FRecordsView->GetTreeList();
  TBaseTreeNodeEh* node = PlacedNodeOf(tree, Rec);
  return node && node->GetVisible() && tree->AreAncestorsVisible(node, false);
}

TMemoryRecordEh* TCustomMemTableEh::FindHiddenTreeRecord(TKeyFieldsEh Fields, const Variant& KeyValues,
                                                         TLocateOptions Options) {
  TMemoryTreeListEh* tree = FRecordsView->GetTreeList();
  Integer n = tree->AllVisibleCount();
  for (Integer i = 0; i < n; ++i) {
    TMemoryRecordEh* rec = static_cast<TMemRecViewEh*>(tree->GetAllVisibleNode(i))->GetRec();
    if (RecordMatches(rec, Fields, KeyValues, Options)) return rec;
  }
  return nullptr;
}

bool TCustomMemTableEh::RevealRecord(TMemoryRecordEh* Rec) {
  TMemoryTreeListEh* tree = FRecordsView->GetTreeList();
  TBaseTreeNodeEh* node = PlacedNodeOf(tree, Rec);
  if (!node) return false;
  DisableControls();
  {
    TScopeExit Enable([&] { EnableControls(); });
    // Each node opened updates the rows of its ancestors alone.
    for (TBaseTreeNodeEh* p = node->GetParent(); p && p->GetLevel() >= 1; p = p->GetParent())
      if (!p->GetExpanded()) p->SetExpanded(true);
  }
  return FRecordsView->IndexOfRecord(Rec) >= 0;
}

// ---- IMemTableEh: tree -------------------------------------------------------------

bool TCustomMemTableEh::IsTreeList() { return TreeMode(); }

bool TCustomMemTableEh::GetTreeNodeExpanded() {
  TMemRecViewEh* n = GetCurrentTreeNode();
  return n && n->GetExpanded();
}

bool TCustomMemTableEh::GetTreeNodeHasChildren() {
  TMemRecViewEh* n = GetCurrentTreeNode();
  return n && n->GetHasChildren();
}

Integer TCustomMemTableEh::GetTreeNodeLevel() {
  TMemRecViewEh* n = GetCurrentTreeNode();
  return n ? n->GetLevel() : -1;
}

Integer TCustomMemTableEh::GetPrevVisibleTreeNodeLevel() {
  if (!TreeMode()) return -1;
  Integer recNo = GetRecNo();
  if (recNo < 2) return -1;
  TMemRecViewEh* n = ViewNode(recNo - 2);
  return n ? n->GetLevel() : -1;
}

Integer TCustomMemTableEh::GetNextVisibleTreeNodeLevel() {
  Integer recNo = GetRecNo();
  if (recNo < 0 || recNo >= GetRecordCount() || !TreeMode()) return -1;
  TMemRecViewEh* n = ViewNode(recNo);
  return n ? n->GetLevel() : -1;
}

bool TCustomMemTableEh::ParentHasNextSibling(Integer Level) {
  CheckActive();
  if (Level < 1) return false;
  TBaseTreeNodeEh* n = GetCurrentTreeNode();
  if (!n) return false;
  while (n && Level < n->GetLevel()) n = n->GetParent();
  return n && FRecordsView->GetTreeList()->GetNextVisibleSibling(n) != nullptr;
}

Integer TCustomMemTableEh::SetTreeNodeExpanded(Integer RowNum, bool Value) {
  CheckActive();
  TMemRecViewEh* current = GetCurrentTreeNode();
  InstantReadEnter(RowNum);
  TMemRecViewEh* node = RecBuf(FInstantBuffers.back())->TreeNode;
  InstantReadLeave();
  if (!node) return -1;
  DisableControls();
  {
    TScopeExit Enable([&] { EnableControls(); });
    node->SetExpanded(Value);
  }
  Integer result = -1;
  if (current && FRecordsView->IndexOfRecord(current->GetRec()) < 0) {
    for (TBaseTreeNodeEh* p = current->GetParent(); p && p->GetLevel() >= 1; p = p->GetParent()) {
      Integer row = FRecordsView->IndexOfRecord(static_cast<TMemRecViewEh*>(p)->GetRec());
      if (row >= 0) {
        result = row + 1;
        break;
      }
    }
  }
  Resync({});
  return result;
}

// ---- moving records ------------------------------------------------------------------

bool TCustomMemTableEh::MoveRecords(TBMListEh* BookmarkList, Integer ToRecNo, Integer TreeLevel, bool CheckOnly) {
  std::vector<TMemoryRecordEh*> recs;
  for (Integer i = 0; i < BookmarkList->GetCount(); ++i) {
    Integer row = InstantReadIndexOfBookmark(BookmarkList->GetItem(i));
    recs.push_back(row >= 0 && row < ViewCount() ? ViewRecord(row) : nullptr);
  }
  std::optional<TResyncHold> hold;
  if (!CheckOnly) hold.emplace(*this);
  bool ok = true;
  Integer target = ToRecNo - 1;
  for (Integer i = static_cast<Integer>(recs.size()) - 1; i >= 0; --i) {
    if (!recs[static_cast<size_t>(i)]) continue;
    Integer from = ViewIndexOfRecord(recs[static_cast<size_t>(i)], -1);
    if (i < static_cast<Integer>(recs.size()) - 1 && from >= 0 && from < target) --target;
    if (from < 0 || !MoveRecordTo(from, target, TreeLevel, CheckOnly)) ok = false;
  }
  if (!CheckOnly) {
    for (Integer i = 0; i < BookmarkList->GetCount(); ++i) {
      Integer row = ViewIndexOfRecord(recs[static_cast<size_t>(i)], -1);
      Integer b = row + 1;
      BookmarkList->SetItem(i, TBookmark(&b, sizeof(b)));
    }
    BookmarkList->CustomSort(nullptr, [this](TBMListEh* L, void*, Integer A, Integer B) {
      return CompareBookmarks(L->GetItem(A), L->GetItem(B));
    });
    hold->ReleaseWithResync();
  }
  return ok;
}

namespace {

// Records-list position that puts a record taken from Cur just after (or
// before) the record at Neighbour.
Integer MoveTargetIndex(Integer Cur, Integer Neighbour, bool After) {
  if (After) return Cur < Neighbour ? Neighbour : Neighbour + 1;
  return Cur < Neighbour ? Neighbour - 1 : Neighbour;
}

}  // namespace

bool TCustomMemTableEh::MoveRecordTo(Integer FromRow, Integer ToRow, Integer TreeLevel, bool CheckOnly) {
  Integer count = ViewCount();
  if (!GetActive() || FromRow >= count || ToRow >= count || FromRow < 0 || ToRow < 0) return true;
  TRecordsListEh* list = GetRecordsData()->GetRecordsList();
  TMemoryRecordEh* current = nullptr;
  if (!CheckOnly && FRecordPos >= 0 && FRecordPos < count) current = ViewRecord(FRecordPos);
  auto followCurrent = [&]() {
    if (!current) return;
    Integer row = ViewIndexOfRecord(current, FRecordPos);
    if (row >= 0) FRecordPos = row;
  };

  if (!TreeMode()) {
    if (CheckOnly) return true;
    TMemoryRecordEh* rec = ViewRecord(FromRow);
    TMemoryRecordEh* dest = ViewRecord(ToRow);
    if (rec != dest) list->MoveRecord(rec->GetIndex(), dest->GetIndex());
    followCurrent();
    Resync({});
    return true;
  }

  TMemRecViewEh* node = ViewNode(FromRow);
  TMemRecViewEh* upper = nullptr;
  TMemRecViewEh* lower = nullptr;
  if (ToRow <= FromRow) {
    upper = ToRow > 0 ? ViewNode(ToRow - 1) : nullptr;
    lower = ViewNode(ToRow);
  } else {
    upper = ViewNode(ToRow);
    lower = ToRow + 1 < count ? ViewNode(ToRow + 1) : nullptr;
  }
  TBaseTreeNodeEh* newParent = nullptr;
  TMemRecViewEh* neighbour = nullptr;
  bool after = true;
  bool asChild = false;
  if (upper && upper->GetLevel() == TreeLevel) {
    newParent = upper->GetParent();
    neighbour = upper;
  } else if (lower && lower->GetLevel() == TreeLevel) {
    newParent = lower->GetParent();
    neighbour = lower;
    after = false;
  } else if (upper && upper->GetLevel() < TreeLevel) {
    newParent = upper;
    neighbour = upper;
    asChild = true;
  } else if (upper && upper->GetLevel() > TreeLevel) {
    TBaseTreeNodeEh* a = upper;
    while (a && a->GetLevel() > TreeLevel) a = a->GetParent();
    if (!a || a->GetLevel() < 1) return false;
    newParent = a->GetParent();
    neighbour = static_cast<TMemRecViewEh*>(a);
  } else {
    return false;
  }
  if (neighbour == node) return true;
  // A record cannot become a descendant of itself.
  for (TBaseTreeNodeEh* p = newParent; p; p = p->GetParent())
    if (p == node) return false;
  if (CheckOnly) return true;

  TMemoryRecordEh* rec = node->GetRec();
  String keyName = FRecordsView->GetKeyFieldName();
  String parentName = FRecordsView->GetRefParentFieldName();
  Variant parentKey = asChild ? neighbour->GetRec()->GetDataValues(keyName, rvvValueEh)
                              : neighbour->GetRec()->GetDataValues(parentName, rvvValueEh);
  bool accept = true;
  if (OnRecordMove) {
    auto* parentNode = dynamic_cast<TMemRecViewEh*>(newParent);
    OnRecordMove(this, rec, parentNode && parentNode->GetLevel() >= 1 ? parentNode->GetRec() : nullptr, accept);
  }
  if (!accept) return false;
  TResyncHold hold(*this);
  if (!VarEqualsEh(rec->GetDataValues(parentName, rvvValueEh), parentKey)) {
    rec->Edit();
    try {
      rec->SetDataValues(parentName, rvvValueEh, parentKey);
      rec->Post();
    } catch (...) {
      if (rec->GetEditState() == resEditEh) rec->Cancel();
      throw;
    }
  }
  Integer cur = rec->GetIndex();
  Integer dest = MoveTargetIndex(cur, neighbour->GetRec()->GetIndex(), after);
  if (dest != cur && dest >= 0 && dest < list->GetCount()) list->MoveRecord(cur, dest);
  followCurrent();
  hold.ReleaseWithResync();
  return true;
}
