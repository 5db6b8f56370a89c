// The data grouping model: levels, the settings, and the group tree with its
// flat list of visible nodes.
//
// Index of this file:
//   helpers          key comparison and the instant-read scope
//   levels           TGridDataGroupLevelEh, TGridDataGroupLevelsEh
//   nodes            TGroupDataTreeNodeEh
//   tree             finding a place, adding, rebuilding, per-record upkeep,
//                    sorting, collapsing, the flat list
//   settings         TGridDataGroupsEh

#include "grid/DBGridEhGrouping.h"

#include <algorithm>

#include "editors/ToolCtrlsEh.h"
#include "grid/DBGridEh.h"
#include "grid/ScopeGuardEh.h"

namespace {

// Reads one row of the table without moving its cursor, when it is not the
// current row already; leaves again at the end of the scope.
class TInstantReadScope {
public:
  TInstantReadScope(IMemTableEh* MemTable, Integer RecIndex, bool Always) : FMemTable(MemTable) {
    if (FMemTable && (Always || FMemTable->GetCurrentRowIndex() != RecIndex)) {
      FMemTable->InstantReadEnter(RecIndex);
      FEntered = true;
    }
  }
  ~TInstantReadScope() {
    if (FEntered) FMemTable->InstantReadLeave();
  }
  TInstantReadScope(const TInstantReadScope&) = delete;
  TInstantReadScope& operator=(const TInstantReadScope&) = delete;

private:
  IMemTableEh* FMemTable;
  bool FEntered = false;
};

// Whether two key arrays hold equal keys (not comparable counts as different).
bool SameKeyValues(const Variant& A, const Variant& B) {
  if (!VarIsArray(A) || !VarIsArray(B)) return false;
  const Integer High = VarArrayHighBound(A);
  if (High != VarArrayHighBound(B)) return false;
  for (Integer I = 0; I <= High; ++I)
    if (VarCompareEh(VarArrayGet(A, I), VarArrayGet(B, I)) != 0) return false;
  return true;
}

// Whether the child sorts after Key in the level's order.
bool SortsAfter(Integer Cmp, TSortOrderEh Order) { return Order == soAscEh ? Cmp == 2 : Cmp == 1; }
bool SortsBefore(Integer Cmp, TSortOrderEh Order) { return Order == soAscEh ? Cmp == 1 : Cmp == 2; }

}  // namespace

// ---- Levels ------------------------------------------------------------------------------------------

TGridDataGroupLevelEh::TGridDataGroupLevelEh(TCollection* Collection) : TCollectionItem(Collection) {
  FFont = std::make_unique<TFont>();
  if (TGridDataGroupsEh* Groups = GetDataGroups()) {
    ++FFontCopying;
    FFont->Assign(Groups->GetFont());
    --FFontCopying;
  }
  FFont->OnChange = [this](TObject* Sender) { FontChanged(Sender); };
}

TGridDataGroupLevelEh::~TGridDataGroupLevelEh() { FFont->OnChange = nullptr; }

TGridDataGroupsEh* TGridDataGroupLevelEh::GetDataGroups() const {
  auto* Levels = dynamic_cast<TGridDataGroupLevelsEh*>(GetCollection());
  return Levels ? Levels->GetDataGroups() : nullptr;
}

TCustomDBGridEh* TGridDataGroupLevelEh::GetGrid() const {
  TGridDataGroupsEh* Groups = GetDataGroups();
  return Groups ? Groups->GetGrid() : nullptr;
}

void TGridDataGroupLevelEh::Assign(TPersistent* Source) {
  auto* S = dynamic_cast<TGridDataGroupLevelEh*>(Source);
  if (!S) return TCollectionItem::Assign(Source);
  // A column of another grid is never bound here: a grid's level names its own columns.
  SetColumn(S->FColumn && S->FColumn->GetGrid() == GetGrid() ? S->FColumn : nullptr);
  if (!S->FParentColor) SetColor(S->FColor);
  if (!S->FParentFont) SetFont(S->FFont.get());
  SetParentColor(S->FParentColor);
  SetParentFont(S->FParentFont);
  SetSortOrder(S->FSortOrder);
  GetKeyValueHook = S->GetKeyValueHook;
}

void TGridDataGroupLevelEh::GridLayoutChanged() {
  TGridDataGroupsEh* Groups = GetDataGroups();
  if (Groups && !Groups->GridGone()) Groups->GetGrid()->Invalidate();
}

void TGridDataGroupLevelEh::GetGroupRowText(TGroupDataTreeNodeEh*, String& Text) { Text.clear(); }

void TGridDataGroupLevelEh::GetKeyValue(Variant& Value) {
  if (GetKeyValueHook) {
    GetKeyValueHook(this, Value);
    return;
  }
  TField* Field = FColumn ? FColumn->GetField() : nullptr;
  if (Field && Field->GetDataSet() && Field->GetDataSet()->GetActive()) Value = Field->GetValue();
}

void TGridDataGroupLevelEh::SetColumn(TColumnEh* Value) {
  if (FColumn == Value) return;
  FColumn = Value;
  Changed(false);
}

TColor TGridDataGroupLevelEh::GetColor() const {
  TGridDataGroupsEh* Groups = GetDataGroups();
  return FParentColor && Groups ? Groups->GetColor() : FColor;
}

void TGridDataGroupLevelEh::SetColor(TColor Value) {
  FParentColor = false;
  if (FColor == Value) return;
  FColor = Value;
  GridLayoutChanged();
}

void TGridDataGroupLevelEh::SetParentColor(bool Value) {
  if (FParentColor == Value) return;
  FParentColor = Value;
  GridLayoutChanged();
}

void TGridDataGroupLevelEh::RefreshDefaultFont() const {
  TGridDataGroupsEh* Groups = GetDataGroups();
  if (!FParentFont || !Groups) return;
  TFont* Parent = Groups->GetFont();
  if (FFont->GetHandle() == Parent->GetHandle() && FFont->GetColor() == Parent->GetColor()) return;
  ++FFontCopying;
  TScopeExitEh Guard([this] { --FFontCopying; });
  FFont->Assign(Parent);
}

TFont* TGridDataGroupLevelEh::GetFont() const {
  RefreshDefaultFont();
  return FFont.get();
}

void TGridDataGroupLevelEh::SetFont(const TFont* Value) { FFont->Assign(Value); }

void TGridDataGroupLevelEh::SetParentFont(bool Value) {
  if (FParentFont == Value) return;
  FParentFont = Value;
  if (Value) RefreshDefaultFont();
  GridLayoutChanged();
}

void TGridDataGroupLevelEh::FontChanged(TObject*) {
  if (FFontCopying > 0) return;
  FParentFont = false;
  GridLayoutChanged();
}

void TGridDataGroupLevelEh::SetSortOrder(TSortOrderEh Value) {
  if (FSortOrder == Value) return;
  FSortOrder = Value;
  if (auto* Levels = dynamic_cast<TGridDataGroupLevelsEh*>(GetCollection())) Levels->LevelSortOrderChanged(this);
}

Integer TGridDataGroupLevelEh::GetActiveIndex() const {
  TGridDataGroupsEh* Groups = GetDataGroups();
  if (!Groups) return -1;
  for (Integer I = 0; I < Groups->GetActiveGroupLevelsCount(); ++I)
    if (Groups->GetActiveGroupLevel(I) == this) return I;
  return -1;
}

void TGridDataGroupLevelEh::CollapseNodes() {
  const Integer Index = GetActiveIndex();
  if (Index >= 0) GetDataGroups()->GetGroupDataTree()->CollapseLevel(Index + 1);
}

void TGridDataGroupLevelEh::ExpandNodes() {
  const Integer Index = GetActiveIndex();
  if (Index >= 0) GetDataGroups()->GetGroupDataTree()->ExpandLevel(Index + 1);
}

TGridDataGroupLevelsEh::TGridDataGroupLevelsEh(TGridDataGroupsEh* DataGroups, TCollectionItemClass LevelClass)
    : TCollection(LevelClass), FDataGroups(DataGroups) {}

TPersistent* TGridDataGroupLevelsEh::GetOwner() const { return FDataGroups; }

void TGridDataGroupLevelsEh::Update(TCollectionItem* Item) {
  TCollection::Update(Item);
  if (!FDataGroups || FDataGroups->GridGone()) return;
  FDataGroups->CheckActiveGroupLevelsChanged();
  FDataGroups->GetGrid()->LayoutChanged();
}

void TGridDataGroupLevelsEh::LevelSortOrderChanged(TGridDataGroupLevelEh* Level) {
  const Integer Index = Level->GetActiveIndex();
  if (Index >= 0) FDataGroups->SortLevel(Index, Level->GetSortOrder());
}

// ---- Nodes -------------------------------------------------------------------------------------------

TGridGroupDataTreeEh* TGroupDataTreeNodeEh::GetTree() const { return static_cast<TGridGroupDataTreeEh*>(GetOwner()); }

Integer TGroupDataTreeNodeEh::GetRowHeight() {
  if (FRowHeightInvalid) UpdateRowHeight();
  return FRowHeight;
}

void TGroupDataTreeNodeEh::SetRowHeight(Integer Value) {
  FRowHeight = Value;
  FRowHeightInvalid = false;
}

void TGroupDataTreeNodeEh::UpdateRowHeight() {
  TGridGroupDataTreeEh* Tree = GetTree();
  TCustomDBGridEh* Grid = Tree ? Tree->GetDataGroups()->GetGrid() : nullptr;
  if (!Grid) return;
  if (IsGroup()) {
    SetRowHeight(Grid->GetGroupDataRowHeight(this));
    return;
  }
  IMemTableEh* MemTable = Tree->GetDataGroups()->GetMemTable();
  if (!MemTable || FRecIndex < 0 || FRecIndex >= MemTable->InstantReadRowCount()) return;
  TInstantReadScope Read(MemTable, FRecIndex, true);
  SetRowHeight(Grid->CalcDataRowHeight());
}

// ---- Tree: finding a place and adding ----------------------------------------------------------------

TGridGroupDataTreeEh::TGridGroupDataTreeEh(TGridDataGroupsEh* DataGroups)
    : TTreeListEh(TGroupDataTreeNodeEh::StaticClass()), FDataGroups(DataGroups) {
  UseNodeArena<TGroupDataTreeNodeEh>();
}

void TGridGroupDataTreeEh::FindGroupChild(TGroupDataTreeNodeEh* Parent, const Variant& Key, TSortOrderEh SortOrder,
                                          TGroupDataTreeNodeEh*& Node, TNodeAttachModeEh& Mode) const {
  const Integer Count = Parent->Count();
  Node = nullptr;
  Mode = naAddChildEh;
  if (Count == 0) return;
  auto Cmp = [&](Integer I) { return VarCompareEh(Parent->Items(I)->GetKeyValue(), Key); };
  // Before the first or after the last child: the common cases of a sorted build.
  if (SortsAfter(Cmp(0), SortOrder)) {
    Node = Parent->Items(0);
    Mode = naInsertEh;
    return;
  }
  if (SortsBefore(Cmp(Count - 1), SortOrder)) {
    Node = Parent->Items(Count - 1);
    Mode = naAddEh;
    return;
  }
  Integer Low = 0, High = Count - 1, Middle = High / 2;
  for (;;) {
    const Integer C = Cmp(Middle);
    if (C == 0 || C == 3) {
      Node = Parent->Items(Middle);
      Mode = naAddChildEh;
      return;
    }
    if (SortsAfter(C, SortOrder)) High = Middle;
    else Low = Middle;
    const Integer Next = (Low + High) / 2;
    if (Next == Middle) break;
    Middle = Next;
  }
  // The child at Middle sorts before Key and the one after it does not.
  Node = Parent->Items(std::min(Middle + 1, Count - 1));
  Mode = Cmp(Node->GetIndex()) == 0 ? naAddChildEh : naInsertEh;
}

TGroupDataTreeNodeEh* TGridGroupDataTreeEh::NewNode(TGroupDataTreeNodeEh* Place, TNodeAttachModeEh Mode,
                                                    TGroupDataTreeNodeEh* Parent, void* Data) {
  auto* Node = static_cast<TGroupDataTreeNodeEh*>(MakeNode(String(), Data));
  if (Place) AttachNode(Node, Place, false, Mode);
  else AttachNode(Node, Parent, false, naAddChildEh);
  return Node;
}

TGroupDataTreeNodeEh* TGridGroupDataTreeEh::AddRecordNode(const Variant& KeyValues) {
  TGroupDataTreeNodeEh* Current = GetRootNode();
  bool Searching = true;
  const Integer Levels = FDataGroups->GetActiveGroupLevelsCount();
  for (Integer I = 0; I < Levels; ++I) {
    TGridDataGroupLevelEh* Level = FDataGroups->GetActiveGroupLevel(I);
    const Variant Key = VarArrayGet(KeyValues, I);
    TGroupDataTreeNodeEh* Place = nullptr;
    TNodeAttachModeEh Mode = naAddChildEh;
    if (Searching) {
      FindGroupChild(Current, Key, Level->GetSortOrder(), Place, Mode);
      if (Mode == naAddChildEh && Place) {
        Current = Place;
        continue;
      }
      Searching = false;
    }
    TGroupDataTreeNodeEh* Group = NewNode(Place, Mode, Current, Level);
    Group->FNodeType = dntGroupEh;
    Group->FKeyValue = Key;
    Group->SetExpanded(FDataGroups->GetDefaultStateExpanded());
    Group->InvalidateRowHeight();
    Current = Group;
  }
  // Records sit among their group's children in record-index order.
  const Variant RecIndex = VarArrayGet(KeyValues, Levels);
  TGroupDataTreeNodeEh* Place = nullptr;
  TNodeAttachModeEh Mode = naAddChildEh;
  FindGroupChild(Current, RecIndex, soAscEh, Place, Mode);
  if (Place && Mode == naAddChildEh) Mode = naInsertEh;
  return NewNode(Place, Mode, Current, nullptr);
}

void TGridGroupDataTreeEh::FillRecordNode(TGroupDataTreeNodeEh* Node, Integer RecIndex, const Variant& KeyValues) {
  Node->SetData(nullptr);
  Node->FNodeType = dntRecordEh;
  Node->FRecIndex = RecIndex;
  Node->FKeyValues = KeyValues;
  Node->FKeyValue = Variant(RecIndex);
  Node->InvalidateRowHeight();
}

Variant TGridGroupDataTreeEh::KeyValuesAt(Integer RecIndex) {
  Variant KeyValues;
  FDataGroups->GetKeyValuesForRecord(RecIndex, KeyValues);
  return KeyValues;
}

// ---- Tree: rebuilding --------------------------------------------------------------------------------

void TGridGroupDataTreeEh::ForEachNode(const std::function<void(TGroupDataTreeNodeEh*)>& Proc) const {
  for (TBaseTreeNodeEh* N = GetFirst(); N; N = GetNext(N)) Proc(static_cast<TGroupDataTreeNodeEh*>(N));
}

void TGridGroupDataTreeEh::PruneForRegroup(TBaseTreeNodeEh* Node) {
  // From the last child, so each removal shifts nothing behind it.
  for (Integer I = Node->Count() - 1; I >= 0; --I) {
    auto* Child = static_cast<TGroupDataTreeNodeEh*>(Node->GetItem(I));
    const Integer Depth = Child->GetLevel();
    const bool Kept = Child->IsGroup() && Depth <= FDataGroups->GetActiveGroupLevelsCount() &&
                      FDataGroups->GetActiveGroupLevel(Depth - 1) == Child->GetDataGroupLevel();
    if (Kept) PruneForRegroup(Child);
    else DeleteNode(Child, false);
  }
}

void TGridGroupDataTreeEh::RebuildDataTree(IMemTableEh* MemTable) {
  {
    BeginUpdate();
    TScopeExitEh Guard([this] { EndUpdate(); });
    // Record nodes go; groups stay while their level is still the active level of their depth.
    PruneForRegroup(GetRoot());
    const Integer Rows = MemTable ? MemTable->InstantReadRowCount() : 0;
    ReserveNodes(Rows);
    for (Integer I = 0; I < Rows; ++I) {
      Variant KeyValues;
      {
        TInstantReadScope Read(MemTable, I, true);
        FDataGroups->GetKeyValuesForRecord(I, KeyValues);
      }
      FillRecordNode(AddRecordNode(KeyValues), I, KeyValues);
    }
    // Groups left without records go, and so do parents they leave empty.
    TBaseTreeNodeEh* N = GetFirst();
    while (N) {
      if (static_cast<TGroupDataTreeNodeEh*>(N)->IsGroup() && N->Count() == 0) {
        TBaseTreeNodeEh* Prev = GetPrevious(N);
        DeleteNode(N, true);
        N = Prev ? Prev : GetFirst();
        continue;
      }
      N = GetNext(N);
    }
  }
  InvalidateRowHeights();
  RebuildFlatList();
}

// ---- Tree: per-record upkeep ---------------------------------------------------------------------------

void TGridGroupDataTreeEh::ShiftRecordIndexes(Integer From, Integer Delta) {
  ForEachNode([&](TGroupDataTreeNodeEh* Node) {
    if (Node->IsGroup() || Node->FRecIndex < From) return;
    Node->FRecIndex += Delta;
    Node->FKeyValue = Variant(Node->FRecIndex);
    if (VarIsArray(Node->FKeyValues))
      VarArrayPut(Node->FKeyValues, Variant(Node->FRecIndex), VarArrayHighBound(Node->FKeyValues));
  });
}

void TGridGroupDataTreeEh::DeleteWithEmptyAncestors(TGroupDataTreeNodeEh* Node) {
  TGroupDataTreeNodeEh* Parent = Node->GetParentNode();
  DeleteNode(Node, true);
  for (Integer I = 0; I < FDataGroups->GetActiveGroupLevelsCount(); ++I) {
    if (!Parent || Parent == GetRoot() || Parent->Count() > 0) break;
    TGroupDataTreeNodeEh* Up = Parent->GetParentNode();
    DeleteNode(Parent, true);
    Parent = Up;
  }
}

void TGridGroupDataTreeEh::RecordInserted(Integer RecIndex) {
  ShiftRecordIndexes(RecIndex, 1);
  IMemTableEh* MemTable = FDataGroups->GetMemTable();
  TGroupDataTreeNodeEh* Node = nullptr;
  bool InsideGroup = false;
  {
    TInstantReadScope Read(MemTable, RecIndex, true);
    Variant KeyValues;
    FDataGroups->GetKeyValuesForRecord(RecIndex, KeyValues);
    TCustomDBGridEh* Grid = FDataGroups->GetGrid();
    TDataSet* DataSet = Grid && Grid->GetDataSource() ? Grid->GetDataSource()->GetDataSet() : nullptr;
    if (DataSet && DataSet->GetState() == dsInsert && MemTable && MemTable->GetCurrentRowIndex() == RecIndex) {
      // A record inserted inside a group takes that group's keys.
      InsideGroup = true;
      // The keys may cover only the outer levels (a group row of an outer level was current).
      const Variant Defaults = FDataGroups->GetDefaultKeyValues();
      if (VarIsArray(Defaults)) {
        const Integer High = VarArrayHighBound(Defaults);
        for (Integer I = 0; I < FDataGroups->GetActiveGroupLevelsCount() && I <= High; ++I) {
          const Variant Key = VarArrayGet(Defaults, I);
          TColumnEh* Column = FDataGroups->GetActiveGroupLevel(I)->GetColumn();
          if (TField* Field = Column ? Column->GetField() : nullptr) Field->SetValue(Key);
          VarArrayPut(KeyValues, Key, I);
        }
      }
      FDataGroups->SetDefaultKeyValues(Variant());
    }
    Node = AddRecordNode(KeyValues);
    FillRecordNode(Node, RecIndex, KeyValues);
  }
  if (InsideGroup)
    for (TBaseTreeNodeEh* P = Node->GetParent(); P && P != GetRoot(); P = P->GetParent()) P->SetExpanded(true);
  RebuildFlatList();
}

void TGridGroupDataTreeEh::RecordChanged(Integer RecIndex) {
  TGroupDataTreeNodeEh* Node = FindRecordNode(RecIndex);
  const Variant KeyValues = KeyValuesAt(RecIndex);
  if (Node && SameKeyValues(KeyValues, Node->FKeyValues)) {
    const Integer Flat = IndexOfFlatNode(Node);
    if (Flat >= 0 && !FDataGroups->GridGone()) FDataGroups->GetGrid()->RefreshDataRow(Flat);
    return;
  }
  BeginUpdate();
  if (Node) DeleteWithEmptyAncestors(Node);
  FillRecordNode(AddRecordNode(KeyValues), RecIndex, KeyValues);
  EndUpdate();
  RebuildFlatList();
}

void TGridGroupDataTreeEh::RecordDeleted(Integer RecIndex) {
  if (TGroupDataTreeNodeEh* Node = FindRecordNode(RecIndex)) DeleteWithEmptyAncestors(Node);
  ShiftRecordIndexes(RecIndex + 1, -1);
  RebuildFlatList();
}

void TGridGroupDataTreeEh::ClearFromLevel(Integer Level) {
  if (Level <= 1) {
    Clear();
  } else {
    std::vector<TBaseTreeNodeEh*> Doomed;
    for (TBaseTreeNodeEh* N = GetFirst(); N; N = GetNext(N))
      if (N->GetLevel() == Level && static_cast<TGroupDataTreeNodeEh*>(N)->IsGroup()) Doomed.push_back(N);
    for (TBaseTreeNodeEh* N : Doomed) DeleteNode(N, true);
  }
  RebuildFlatList();
}

// ---- Tree: sorting and expansion -------------------------------------------------------------------------

void TGridGroupDataTreeEh::SortLevel(Integer Level, TSortOrderEh SortOrder) {
  const TCompareNodesEh Compare = [SortOrder](TBaseTreeNodeEh* A, TBaseTreeNodeEh* B, TObject*) -> Integer {
    auto* NA = static_cast<TGroupDataTreeNodeEh*>(A);
    auto* NB = static_cast<TGroupDataTreeNodeEh*>(B);
    if (!NA->IsGroup() || !NB->IsGroup()) return 0;
    const Integer C = VarCompareEh(NA->GetKeyValue(), NB->GetKeyValue());
    const Integer R = C == 1 ? -1 : C == 2 ? 1 : 0;
    return SortOrder == soDescEh ? -R : R;
  };
  if (Level == 0) {
    GetRoot()->SortData(Compare, nullptr, false);
  } else {
    BeginUpdate();
    for (TBaseTreeNodeEh* N = GetFirst(); N; N = GetNext(N))
      if (N->GetLevel() == Level) N->SortData(Compare, nullptr, false);
    EndUpdate();
  }
  RebuildFlatList();
}

void TGridGroupDataTreeEh::CollapseLevel(Integer Level) {
  BeginUpdate();
  for (TBaseTreeNodeEh* N = GetFirst(); N; N = GetNext(N))
    if (N->GetLevel() == Level) N->SetExpanded(false);
  EndUpdate();
  RebuildFlatList();
}

void TGridGroupDataTreeEh::ExpandLevel(Integer Level) {
  BeginUpdate();
  for (TBaseTreeNodeEh* N = GetFirst(); N; N = GetNext(N))
    if (N->GetLevel() == Level) N->SetExpanded(true);
  EndUpdate();
  RebuildFlatList();
}

void TGridGroupDataTreeEh::ExpandedChanged(TBaseTreeNodeEh* Node) {
  TTreeListEh::ExpandedChanged(Node);
  if (FUpdateCount == 0) RebuildFlatList();
}

// ---- Tree: the flat list ---------------------------------------------------------------------------------

void TGridGroupDataTreeEh::RebuildFlatList() {
  FFlatVisibleNodes.clear();
  CollectVisible(FFlatVisibleNodes, true);
  NotifyGrid();
}

void TGridGroupDataTreeEh::NotifyGrid() {
  if (!FDataGroups->GridGone()) FDataGroups->GetGrid()->GroupRowsChanged();
}

TGroupDataTreeNodeEh* TGridGroupDataTreeEh::GetFlatNode(Integer Index) const {
  if (Index < 0 || Index >= GetFlatCount()) return nullptr;
  return FFlatVisibleNodes[size_t(Index)];
}

Integer TGridGroupDataTreeEh::IndexOfFlatNode(const TGroupDataTreeNodeEh* Node) const {
  auto It = std::find(FFlatVisibleNodes.begin(), FFlatVisibleNodes.end(), Node);
  return It == FFlatVisibleNodes.end() ? -1 : Integer(It - FFlatVisibleNodes.begin());
}

Integer TGridGroupDataTreeEh::IndexOfRecordInFlatList(Integer RecIndex) const {
  for (size_t I = 0; I < FFlatVisibleNodes.size(); ++I) {
    const TGroupDataTreeNodeEh* Node = FFlatVisibleNodes[I];
    if (!Node->IsGroup() && Node->FRecIndex == RecIndex) return Integer(I);
  }
  return -1;
}

TGroupDataTreeNodeEh* TGridGroupDataTreeEh::FindRecordNode(Integer RecIndex) const {
  for (TBaseTreeNodeEh* N = GetFirst(); N; N = GetNext(N)) {
    auto* Node = static_cast<TGroupDataTreeNodeEh*>(N);
    if (!Node->IsGroup() && Node->FRecIndex == RecIndex) return Node;
  }
  return nullptr;
}

// Marked only: a height is measured again when it is next asked for.
void TGridGroupDataTreeEh::InvalidateRowHeights() {
  ForEachNode([](TGroupDataTreeNodeEh* Node) { Node->InvalidateRowHeight(); });
}

// ---- Settings ----------------------------------------------------------------------------------------

TGridDataGroupsEh::TGridDataGroupsEh(TCustomDBGridEh* Grid) : FGrid(Grid) {
  FFont = std::make_unique<TFont>();
  if (FGrid) {
    ++FFontCopying;
    FFont->Assign(FGrid->GetFont());
    --FFontCopying;
  }
  FFont->OnChange = [this](TObject* Sender) { FontChanged(Sender); };
  FGroupDataTree = std::make_unique<TGridGroupDataTreeEh>(this);
}

TGridDataGroupsEh::~TGridDataGroupsEh() {
  FDestroying = true;
  FGroupLevels.reset();
  FGroupDataTree.reset();
  FFont->OnChange = nullptr;
}

bool TGridDataGroupsEh::GridGone() const {
  return FDestroying || !FGrid || FGrid->GetComponentState().Contains(csDestroying);
}

TGridDataGroupLevelsEh* TGridDataGroupsEh::GetGroupLevels() const {
  if (!FGroupLevels) FGroupLevels = const_cast<TGridDataGroupsEh*>(this)->CreateGroupLevels();
  return FGroupLevels.get();
}

std::unique_ptr<TGridDataGroupLevelsEh> TGridDataGroupsEh::CreateGroupLevels() {
  return std::make_unique<TGridDataGroupLevelsEh>(this, TGridDataGroupLevelEh::StaticItemClass());
}

IMemTableEh* TGridDataGroupsEh::GetMemTable() const { return FGrid ? FGrid->GetMemTableIntf() : nullptr; }

void TGridDataGroupsEh::Assign(TPersistent* Source) {
  auto* S = dynamic_cast<TGridDataGroupsEh*>(Source);
  if (!S) return TPersistent::Assign(Source);
  // The levels first, so that grouping regroups once, by all of them.
  GetGroupLevels()->Assign(S->GetGroupLevels());
  if (!S->FParentColor) SetColor(S->FColor);
  if (!S->FParentFont) SetFont(S->FFont.get());
  SetParentColor(S->FParentColor);
  SetParentFont(S->FParentFont);
  SetDefaultStateExpanded(S->FDefaultStateExpanded);
  SetGroupPanelVisible(S->FGroupPanelVisible);
  SetActive(S->FActive);
}

void TGridDataGroupsEh::GridLayoutChanged() {
  if (!GridGone()) FGrid->Invalidate();
}

void TGridDataGroupsEh::RebuildActiveGroupLevels() {
  FActiveGroupLevels.clear();
  FActiveGroupColumns.clear();
  TGridDataGroupLevelsEh* Levels = GetGroupLevels();
  for (Integer I = 0; I < Levels->GetCount(); ++I) {
    TGridDataGroupLevelEh* Level = Levels->Items(I);
    if (!Level || !Level->GetColumn()) continue;
    FActiveGroupLevels.push_back(Level);
    FActiveGroupColumns.push_back(Level->GetColumn());
  }
}

void TGridDataGroupsEh::CheckActiveGroupLevelsChanged() {
  TGridDataGroupLevelsEh* Levels = GetGroupLevels();
  Integer WithColumn = 0, Matched = 0;
  bool Matching = true;
  for (Integer I = 0; I < Levels->GetCount(); ++I) {
    TGridDataGroupLevelEh* Level = Levels->Items(I);
    if (!Level || !Level->GetColumn()) continue;  // null: an item still being made
    if (Matching && size_t(Matched) < FActiveGroupLevels.size() && FActiveGroupLevels[size_t(Matched)] == Level &&
        FActiveGroupColumns[size_t(Matched)] == Level->GetColumn())
      ++Matched;
    else Matching = false;
    ++WithColumn;
  }
  if (Matched == WithColumn && size_t(WithColumn) == FActiveGroupLevels.size()) return;
  FGroupDataTree->ClearFromLevel(Matched + 1);
  RebuildActiveGroupLevels();
  if (FActive) RegroupData();
}

void TGridDataGroupsEh::ColumnRemoved(TColumnEh* Column) {
  if (FDestroying || !FGroupLevels) return;
  for (Integer I = 0; I < FGroupLevels->GetCount(); ++I)
    if (TGridDataGroupLevelEh* Level = FGroupLevels->Items(I); Level && Level->GetColumn() == Column)
      Level->SetColumn(nullptr);
}

void TGridDataGroupsEh::SortLevel(Integer LevelIndex, TSortOrderEh SortOrder) {
  FGroupDataTree->SortLevel(LevelIndex, SortOrder);
}

void TGridDataGroupsEh::GetKeyValuesForRecord(Integer RecIndex, Variant& KeyValues) {
  IMemTableEh* MemTable = GetMemTable();
  TInstantReadScope Read(MemTable, RecIndex, false);
  const Integer Count = GetActiveGroupLevelsCount();
  KeyValues = VarArrayCreate(0, Count, varVariant);
  for (Integer I = 0; I < Count; ++I) {
    Variant Key;
    FActiveGroupLevels[size_t(I)]->GetKeyValue(Key);
    VarArrayPut(KeyValues, Key, I);
  }
  VarArrayPut(KeyValues, Variant(RecIndex), Count);
}

void TGridDataGroupsEh::SetActive(bool Value) {
  if (FActive == Value) return;
  FActive = Value;
  ActiveChanged();
}

TColor TGridDataGroupsEh::GetColor() const { return FParentColor && FGrid ? FGrid->GetColor() : FColor; }

void TGridDataGroupsEh::SetColor(TColor Value) {
  FParentColor = false;
  if (FColor == Value) return;
  FColor = Value;
  GridLayoutChanged();
}

void TGridDataGroupsEh::SetParentColor(bool Value) {
  if (FParentColor == Value) return;
  FParentColor = Value;
  GridLayoutChanged();
}

void TGridDataGroupsEh::RefreshDefaultFont() const {
  if (!FParentFont || !FGrid) return;
  TFont* Parent = FGrid->GetFont();
  if (FFont->GetHandle() == Parent->GetHandle() && FFont->GetColor() == Parent->GetColor()) return;
  ++FFontCopying;
  TScopeExitEh Guard([this] { --FFontCopying; });
  FFont->Assign(Parent);
}

TFont* TGridDataGroupsEh::GetFont() const {
  RefreshDefaultFont();
  return FFont.get();
}

void TGridDataGroupsEh::SetFont(const TFont* Value) { FFont->Assign(Value); }

void TGridDataGroupsEh::SetParentFont(bool Value) {
  if (FParentFont == Value) return;
  FParentFont = Value;
  if (Value) RefreshDefaultFont();
  GridLayoutChanged();
}

void TGridDataGroupsEh::FontChanged(TObject*) {
  if (FFontCopying > 0) return;
  FParentFont = false;
  if (FGroupLevels)
    for (Integer I = 0; I < FGroupLevels->GetCount(); ++I)
      if (TGridDataGroupLevelEh* Level = FGroupLevels->Items(I)) Level->RefreshDefaultFont();
  GridLayoutChanged();
}

void TGridDataGroupsEh::SetGroupPanelVisible(bool Value) {
  if (FGroupPanelVisible == Value) return;
  FGroupPanelVisible = Value;
  if (!GridGone()) FGrid->GroupPanelVisibleChanged();
}
