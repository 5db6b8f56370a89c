#pragma once
// The data grouping model of the data grid: the records of an in-memory table
// grouped by the values of one or more grid columns, as a tree of group rows
// with the record rows under the innermost groups.
//
//   TGridDataGroupsEh        the grouping settings a grid owns: Active, the
//                            levels, the panel switch, colour and font, the
//                            group tree and the list of active levels
//   TGridDataGroupLevelsEh   the collection of levels
//   TGridDataGroupLevelEh    one level: the column whose values are its keys,
//                            its sort order, colour and font
//   TGridGroupDataTreeEh     the group tree, kept up to date record by record,
//                            and the flat list of its visible nodes: a grid row
//                            of a grouped grid is an index into that list
//   TGroupDataTreeNodeEh     a node: a group (a level and a key) or a record
//                            (its index in the table's rows)
//
// The model reads records through the table's IMemTableEh (instant reading by
// row index), so it never moves the table's cursor. It tells the grid when the
// flat list changed (GroupRowsChanged) and asks it for row heights; the grid's
// own subclass (TDBGridEhDataGroupsEh) decides when to regroup.
//
// Typical call flow:
//   levels change  -> TGridDataGroupLevelsEh::Update -> CheckActiveGroupLevelsChanged
//                  -> ClearFromLevel + RebuildActiveGroupLevels + RegroupData
//   regroup        -> TGridGroupDataTreeEh::RebuildDataTree -> RebuildFlatList
//   a table notice -> RecordInserted / RecordChanged / RecordDeleted -> RebuildFlatList
//   expand/collapse a node -> ExpandedChanged -> RebuildFlatList (unless updating)

#include <functional>
#include <memory>
#include <vector>

#include "memtable/MemTreeEh.h"
#include "platform/core/Collection.h"
#include "platform/core/Variant.h"
#include "platform/ui/Graphics.h"

class IMemTableEh;
class TColumnEh;
class TCustomDBGridEh;
class TGridDataGroupsEh;
class TGridDataGroupLevelEh;
class TGridGroupDataTreeEh;
class TGroupDataTreeNodeEh;

enum TSortOrderEh { soAscEh, soDescEh };

// The key a level takes for the current record, when a hook gives it.
using TGridDataGroupLevelKeyValueEventEh = std::function<void(TGridDataGroupLevelEh* Sender, Variant& KeyValue)>;

// ===========================================================================
// Levels

class TGridDataGroupLevelEh : public TCollectionItem {
public:
  BORROW_COLLECTION_ITEM(TGridDataGroupLevelEh, TCollectionItem)
  explicit TGridDataGroupLevelEh(TCollection* Collection);
  ~TGridDataGroupLevelEh() override;

  void Assign(TPersistent* Source) override;
  // Asks the grid to repaint.
  virtual void GridLayoutChanged();
  // The text of a group row of this level; empty here.
  virtual void GetGroupRowText(TGroupDataTreeNodeEh* GroupNode, String& Text);
  // The key of the current record: the hook's, else the column field's value
  // while its dataset is open, else unassigned.
  virtual void GetKeyValue(Variant& Value);

  TGridDataGroupsEh* GetDataGroups() const;
  TCustomDBGridEh* GetGrid() const;
  TColumnEh* GetColumn() const { return FColumn; }
  void SetColumn(TColumnEh* Value);
  TColor GetColor() const;
  void SetColor(TColor Value);
  TFont* GetFont() const;
  void SetFont(const TFont* Value);
  bool GetParentColor() const { return FParentColor; }
  void SetParentColor(bool Value);
  bool GetParentFont() const { return FParentFont; }
  void SetParentFont(bool Value);
  TSortOrderEh GetSortOrder() const { return FSortOrder; }
  void SetSortOrder(TSortOrderEh Value);
  bool IsColorStored() const { return !FParentColor; }
  bool IsFontStored() const { return !FParentFont; }
  // The position among the active levels, -1 when the level is not active.
  Integer GetActiveIndex() const;
  // Collapse or expand every group node of this level (when it is active).
  void CollapseNodes();
  void ExpandNodes();
  // Takes the settings' font again while ParentFont is on.
  void RefreshDefaultFont() const;

  TGridDataGroupLevelKeyValueEventEh GetKeyValueHook;

private:
  void FontChanged(TObject* Sender);

  TColor FColor = clWindow;
  TColumnEh* FColumn = nullptr;  // not owned
  std::unique_ptr<TFont> FFont;
  bool FParentColor = true;
  bool FParentFont = true;
  TSortOrderEh FSortOrder = soAscEh;
  mutable Integer FFontCopying = 0;  // the parent font is being copied in: not a user change
};

class TGridDataGroupLevelsEh : public TCollection {
public:
  BORROW_CLASS(TGridDataGroupLevelsEh, TCollection)
  TGridDataGroupLevelsEh(TGridDataGroupsEh* DataGroups, TCollectionItemClass LevelClass);
  TGridDataGroupLevelEh* Add() { return dynamic_cast<TGridDataGroupLevelEh*>(TCollection::Add()); }
  TGridDataGroupLevelEh* Items(Integer Index) const { return dynamic_cast<TGridDataGroupLevelEh*>(GetItem(Index)); }
  TGridDataGroupsEh* GetDataGroups() const { return FDataGroups; }
  TPersistent* GetOwner() const override;
  // An active level's groups take its new order.
  virtual void LevelSortOrderChanged(TGridDataGroupLevelEh* Level);

protected:
  void Update(TCollectionItem* Item) override;

private:
  TGridDataGroupsEh* FDataGroups;
};

// ===========================================================================
// The group tree

enum TGroupDataTreeNodeTypeEh : Byte { dntRecordEh = 0, dntGroupEh = 1 };

class TGroupDataTreeNodeEh : public TBaseTreeNodeEh {
public:
  BORROW_CLASS(TGroupDataTreeNodeEh, TBaseTreeNodeEh)
  TGroupDataTreeNodeEh() = default;

  TGroupDataTreeNodeEh* Items(Integer Index) const { return static_cast<TGroupDataTreeNodeEh*>(GetItem(Index)); }
  TGroupDataTreeNodeEh* GetParentNode() const { return static_cast<TGroupDataTreeNodeEh*>(GetParent()); }
  TGridGroupDataTreeEh* GetTree() const;
  // The level of a group node; null for a record node.
  TGridDataGroupLevelEh* GetDataGroupLevel() const { return static_cast<TGridDataGroupLevelEh*>(GetData()); }
  bool IsGroup() const { return FNodeType == dntGroupEh; }

  Integer GetRecIndex() const { return FRecIndex; }
  const Variant& GetKeyValues() const { return FKeyValues; }
  TGroupDataTreeNodeTypeEh GetNodeType() const { return FNodeType; }
  const Variant& GetKeyValue() const { return FKeyValue; }

  // The cached height of the node's grid row; recomputed first when invalid.
  Integer GetRowHeight();
  void SetRowHeight(Integer Value);
  void InvalidateRowHeight() { FRowHeightInvalid = true; }
  bool IsRowHeightValid() const { return !FRowHeightInvalid; }
  // Asks the grid for the height: a record's data row, or the group row.
  void UpdateRowHeight();

private:
  friend class TGridGroupDataTreeEh;
  Integer FRecIndex = -1;
  Variant FKeyValues;
  TGroupDataTreeNodeTypeEh FNodeType = dntRecordEh;
  Variant FKeyValue;
  Integer FRowHeight = 0;
  bool FRowHeightInvalid = true;
};

class TGridGroupDataTreeEh : public TTreeListEh {
public:
  BORROW_CLASS(TGridGroupDataTreeEh, TTreeListEh)
  explicit TGridGroupDataTreeEh(TGridDataGroupsEh* DataGroups);

  void ExpandedChanged(TBaseTreeNodeEh* Node) override;

  TGridDataGroupsEh* GetDataGroups() const { return FDataGroups; }
  TGroupDataTreeNodeEh* GetRootNode() const { return static_cast<TGroupDataTreeNodeEh*>(GetRoot()); }

  // Groups every row of the table again; keeps the groups (and their expanded
  // state) whose level is still the active level of their depth.
  void RebuildDataTree(IMemTableEh* MemTable);
  // A row was inserted at RecIndex, changed, or deleted from there.
  void RecordInserted(Integer RecIndex);
  void RecordChanged(Integer RecIndex);
  void RecordDeleted(Integer RecIndex);
  // Level 1 or less clears the tree; else removes the groups at that depth.
  void ClearFromLevel(Integer Level);
  // Orders the children of the nodes at depth Level (0: the root's children).
  void SortLevel(Integer Level, TSortOrderEh SortOrder);
  void CollapseLevel(Integer Level);
  void ExpandLevel(Integer Level);

  Integer GetFlatCount() const { return Integer(FFlatVisibleNodes.size()); }
  TGroupDataTreeNodeEh* GetFlatNode(Integer Index) const;
  Integer IndexOfFlatNode(const TGroupDataTreeNodeEh* Node) const;
  Integer IndexOfRecordInFlatList(Integer RecIndex) const;
  TGroupDataTreeNodeEh* FindRecordNode(Integer RecIndex) const;
  void InvalidateRowHeights();
  void RebuildFlatList();

  void BeginUpdate() { ++FUpdateCount; }
  void EndUpdate() {
    if (FUpdateCount > 0) --FUpdateCount;
  }
  Integer GetUpdateCount() const { return FUpdateCount; }

private:
  // Where a key goes among Parent's children: the node and the attach mode.
  void FindGroupChild(TGroupDataTreeNodeEh* Parent, const Variant& Key, TSortOrderEh SortOrder,
                      TGroupDataTreeNodeEh*& Node, TNodeAttachModeEh& Mode) const;
  TGroupDataTreeNodeEh* AddRecordNode(const Variant& KeyValues);
  TGroupDataTreeNodeEh* NewNode(TGroupDataTreeNodeEh* Place, TNodeAttachModeEh Mode, TGroupDataTreeNodeEh* Parent,
                                void* Data);
  void FillRecordNode(TGroupDataTreeNodeEh* Node, Integer RecIndex, const Variant& KeyValues);
  // Deletes the node and every ancestor group it leaves empty (at most the active count).
  void DeleteWithEmptyAncestors(TGroupDataTreeNodeEh* Node);
  void ShiftRecordIndexes(Integer From, Integer Delta);
  // Removes the record nodes under Node and the groups whose level is no longer
  // the active level of their depth.
  void PruneForRegroup(TBaseTreeNodeEh* Node);
  Variant KeyValuesAt(Integer RecIndex);
  void ForEachNode(const std::function<void(TGroupDataTreeNodeEh*)>& Proc) const;
  void NotifyGrid();

  TGridDataGroupsEh* FDataGroups;
  std::vector<TGroupDataTreeNodeEh*> FFlatVisibleNodes;
  Integer FUpdateCount = 0;
};

// ===========================================================================
// The grouping settings

class TGridDataGroupsEh : public TPersistent {
public:
  BORROW_CLASS(TGridDataGroupsEh, TPersistent)
  explicit TGridDataGroupsEh(TCustomDBGridEh* Grid);
  ~TGridDataGroupsEh() override;
  TGridDataGroupsEh(const TGridDataGroupsEh&) = delete;
  TGridDataGroupsEh& operator=(const TGridDataGroupsEh&) = delete;

  // Copies Active, the levels and GroupPanelVisible.
  void Assign(TPersistent* Source) override;
  virtual std::unique_ptr<TGridDataGroupLevelsEh> CreateGroupLevels();
  virtual void ActiveChanged() {}
  virtual void RegroupData() {}
  // Asks the grid to repaint.
  virtual void GridLayoutChanged();
  virtual void RebuildActiveGroupLevels();
  // Active level LevelIndex's groups take SortOrder.
  virtual void SortLevel(Integer LevelIndex, TSortOrderEh SortOrder);
  virtual bool IsGroupingWorks() const { return FActive; }

  Integer GetActiveGroupLevelsCount() const { return Integer(FActiveGroupLevels.size()); }
  TGridDataGroupLevelEh* GetActiveGroupLevel(Integer Index) const { return FActiveGroupLevels.at(size_t(Index)); }
  // The keys of the active levels for the record at RecIndex, then RecIndex.
  void GetKeyValuesForRecord(Integer RecIndex, Variant& KeyValues);
  // The keys a record inserted inside a group takes (cleared by that insert).
  void SetDefaultKeyValues(const Variant& KeyValues) { FDefaultKeyValues = KeyValues; }
  const Variant& GetDefaultKeyValues() const { return FDefaultKeyValues; }
  // After a level's column changed: drops the groups from the first changed
  // level down, rebuilds the active list and regroups while active.
  void CheckActiveGroupLevelsChanged();
  // A column leaves the grid: levels bound to it lose their column.
  void ColumnRemoved(TColumnEh* Column);

  bool GetActive() const { return FActive; }
  void SetActive(bool Value);
  TColor GetColor() const;
  void SetColor(TColor Value);
  TFont* GetFont() const;
  void SetFont(const TFont* Value);
  bool GetParentColor() const { return FParentColor; }
  void SetParentColor(bool Value);
  bool GetParentFont() const { return FParentFont; }
  void SetParentFont(bool Value);
  bool IsColorStored() const { return !FParentColor; }
  bool IsFontStored() const { return !FParentFont; }
  TCustomDBGridEh* GetGrid() const { return FGrid; }
  TGridGroupDataTreeEh* GetGroupDataTree() const { return FGroupDataTree.get(); }
  TGridDataGroupLevelsEh* GetGroupLevels() const;
  void SetGroupLevels(TGridDataGroupLevelsEh* Value) { GetGroupLevels()->Assign(Value); }
  bool GetGroupPanelVisible() const { return FGroupPanelVisible; }
  void SetGroupPanelVisible(bool Value);
  bool GetDefaultStateExpanded() const { return FDefaultStateExpanded; }
  void SetDefaultStateExpanded(bool Value) { FDefaultStateExpanded = Value; }
  // Takes the grid's font again while ParentFont is on.
  void RefreshDefaultFont() const;
  // The grid's in-memory table interface, or null.
  IMemTableEh* GetMemTable() const;
  // The grid is going away or loading: no layout requests.
  bool GridGone() const;

private:
  void FontChanged(TObject* Sender);

  bool FActive = false;
  std::vector<TColumnEh*> FActiveGroupColumns;  // parallel to the active levels; not owned
  std::vector<TGridDataGroupLevelEh*> FActiveGroupLevels;
  TColor FColor = clWindow;
  std::unique_ptr<TFont> FFont;
  TCustomDBGridEh* FGrid;
  std::unique_ptr<TGridGroupDataTreeEh> FGroupDataTree;
  mutable std::unique_ptr<TGridDataGroupLevelsEh> FGroupLevels;  // made on first use by CreateGroupLevels
  bool FGroupPanelVisible = false;
  Variant FDefaultKeyValues;
  bool FParentColor = true;
  bool FParentFont = true;
  bool FDefaultStateExpanded = false;
  bool FDestroying = false;
  mutable Integer FFontCopying = 0;
};
