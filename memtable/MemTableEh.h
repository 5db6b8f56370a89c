#pragma once
// The in-memory dataset: a TDataSet whose records live in a data store
// (TMemTableDataEh) and are shown through a records view (TRecordsViewEh).
//
//   TCustomMemTableEh   the table. Record buffers are pooled TRecBuf objects
//                       that read through to their memory record until the
//                       first write; a bookmark is the view row + 1 (it names a
//                       position, not a record). Sorting, tree mode, instant
//                       reading, master-detail, shared data (ExternalMemData)
//                       and the grid services (IMemTableEh) sit on top.
//   TMemTableEh         the same class with its properties published.
//   IMemTableEh         what a grid asks of the table without moving its cursor.
//
// Implementation files, by concern:
//   MemTableEh.cpp              construction, opening and closing, fields, events
//   MemTableEh_Buffers.cpp      the buffer pool, bookmarks, navigation
//   MemTableEh_Fields.cpp       reading and writing field values, blob streams
//   MemTableEh_Edit.cpp         posting, deleting, cancelling, Locate and Lookup
//   MemTableEh_Services.cpp     sort orders, instant reading, master-detail,
//                               linked components, value lists, IMemTableEh
//   MemTableEh_Tree.cpp         tree settings and tree services, moving records

#include <functional>
#include <memory>
#include <span>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "editors/ToolCtrlsEh.h"
#include "memtable/MemTableDataEh.h"
#include "platform/core/ScopeGuard.h"
#include "platform/data/DataSet.h"
#include "platform/data/DataSource.h"
#include "platform/data/Params.h"

class TCustomMemTableEh;
class TDataDriverEh;
class TMemTableTreeListEh;
class TMTOrderByList;

// The table's own message in the program's string table: "No data found", the
// database error of a current row that does not exist.
constexpr int SNoDataFoundEh = 65096;

// What a component linked to the table (a grid) hears of each change.
// Kind: 0 a row was inserted at Row; 1 the row changed; 2 the row was removed;
// 3 a record moved from row Index to row Row; 4 everything changed (Row, Index -1).
class IMemTableLinkedComponentEh {
public:
  virtual ~IMemTableLinkedComponentEh() = default;
  virtual void MTDataChanged(Integer Row, Integer Kind, Integer Index) = 0;
};

enum TMTDataChangeKindEh : Integer {
  mtdcInsertedEh = 0,
  mtdcChangedEh = 1,
  mtdcRemovedEh = 2,
  mtdcMovedEh = 3,
  mtdcAllChangedEh = 4
};

// ---------------------------------------------------------------------------
// Record buffers.

// One buffer of the framework: a handle is the buffer's position in the pool + 1.
struct TRecBuf {
  static constexpr Integer NoBookmark = static_cast<Integer>(0x80000000u);
  bool InUse = false;
  Integer Bookmark = NoBookmark;
  TBookmarkFlag BookmarkFlag = bfCurrent;
  Integer RecView = -1;  // the view row that filled it: -1 none, -2 just allocated
  TMemRecViewEh* TreeNode = nullptr;
  TMemoryRecordEh* MemRec = nullptr;
  std::vector<Variant> Values;  // one per field of the table, by field index
  bool UseMemRec = false;       // data fields read through to MemRec
};

// ---------------------------------------------------------------------------
// Small helpers of the table.

// A list of Variants kept sorted by VarCompareEh; binary search finds the first
// equal value or the insertion place.
struct TSortedVarItemEh {
  Variant Value;
};

class TSortedVarlistEh : public TObject {
public:
  BORROW_CLASS(TSortedVarlistEh, TObject)
  // Raises "TSortedVarlistEh.FindKeyValueIndex: values is not comparable.".
  bool FindKeyValueIndex(const Variant& Value, Integer& Index) const;
  Integer AddValue(const Variant& Value);
  bool Contains(const Variant& Value) const;
  void Clear() { FItems.clear(); }
  Integer GetCount() const { return static_cast<Integer>(FItems.size()); }
  const Variant& GetValue(Integer Index) const { return FItems.at(static_cast<size_t>(Index)).Value; }

private:
  std::vector<TSortedVarItemEh> FItems;
};

// The table's order list: items name fields of the table (calculated and
// lookup fields included), by field index.
struct TMTOrderByItemEh {
  Integer FieldIndex = -1;
  bool Desc = false;
  bool CaseIns = false;
};

class TMTOrderByList : public TOrderByList {
public:
  BORROW_CLASS(TMTOrderByList, TOrderByList)
  explicit TMTOrderByList(TCustomMemTableEh* AMemTable) : FMemTable(AMemTable) {}
  Integer FieldIndexByName(const String& FieldName) const override;
  // Parses "NAME [ASC|DESC], ..." against the table's fields (not case-sensitive);
  // raises " Field - "X" not found." or " Invalid token - "X"" and then keeps
  // the items it had.
  void ParseOrderByStr(const String& OrderByStr);
  Integer GetMTCount() const { return static_cast<Integer>(FMTItems.size()); }
  const TMTOrderByItemEh& GetMTItem(Integer Index) const { return FMTItems.at(static_cast<size_t>(Index)); }

private:
  TCustomMemTableEh* FMemTable;
  std::vector<TMTOrderByItemEh> FMTItems;
};

enum TMasterDetailSideEh { mdsOnSelfEh, mdsOnProviderEh, mdsOnSelfAfterProviderEh };

// The table's link to its master.
class TMasterDataLinkEh : public TDetailDataLink {
public:
  BORROW_CLASS(TMasterDataLinkEh, TDetailDataLink)
  explicit TMasterDataLinkEh(TCustomMemTableEh* AMemTable);
  TDataSet* GetDetailDataSet() const override;
  const String& GetFieldNames() const { return FFieldNames; }
  void SetFieldNames(const String& Value);
  const std::vector<TField*>& GetFields() const { return FFields; }
  TNotifyEvent OnMasterChange;
  TNotifyEvent OnMasterDisable;

protected:
  void ActiveChanged() override;
  void CheckBrowseMode() override;
  void LayoutChanged() override { ActiveChanged(); }
  void RecordChanged(TField* Field) override;

private:
  TCustomMemTableEh* FMemTable;
  String FFieldNames;
  std::vector<TField*> FFields;
};

// Tree settings of a table, published as TreeList.
class TMemTableTreeListEh : public TPersistent {
public:
  BORROW_CLASS(TMemTableTreeListEh, TPersistent)
  explicit TMemTableTreeListEh(TCustomMemTableEh* AMemTable);

  bool GetActive() const;
  void SetActive(bool Value);
  String GetKeyFieldName() const;
  void SetKeyFieldName(const String& Value);
  String GetRefParentFieldName() const;
  void SetRefParentFieldName(const String& Value);
  bool GetDefaultNodeExpanded() const;
  void SetDefaultNodeExpanded(bool Value);
  bool GetDefaultNodeHasChildren() const;
  void SetDefaultNodeHasChildren(bool Value);
  bool GetFullBuildCheck() const;
  void SetFullBuildCheck(bool Value);
  bool GetFilterNodeIfParentVisible() const;
  void SetFilterNodeIfParentVisible(bool Value);

  // Searches every node, hidden ones included; expands the ancestors of the
  // match and makes it current.
  virtual bool Locate(const String& KeyFields, const Variant& KeyValues, TLocateOptions Options);
  virtual void FullCollapse();
  virtual void FullExpand();

protected:
  TPersistent* GetOwner() const override;

private:
  friend class TCustomMemTableEh;
  TCustomMemTableEh* FMemTable;
  bool FActive = false;  // the value read while the table loads
};

// Distinct values of one field of a table, for filter drop-downs.
class TMemTableDataFieldValueListEh : public TObject, public IMemTableDataFieldValueListEh {
public:
  BORROW_CLASS(TMemTableDataFieldValueListEh, TObject)
  explicit TMemTableDataFieldValueListEh(TCustomMemTableEh* AMemTable);
  ~TMemTableDataFieldValueListEh() override;

  TStringList* GetValues() override;
  void SetFilter(const String& Filter) override;
  void SetFieldName(const String& Value);
  // A data store or a records view.
  void SetDataObject(TComponent* Value);
  void SetDirty() { FDirty = true; }

private:
  void RefreshValues();

  TCustomMemTableEh* FMemTable;
  std::unique_ptr<TStringList> FValues;
  bool FDirty = true;
  String FFieldName;
  TComponent* FDataObject = nullptr;
  std::unique_ptr<TRecordsListNotificatorEh> FNotificator;
  std::unique_ptr<TDataSetExprParserEh> FFilterExpr;
  String FFilter;
};

// The blob stream of a table field: it works on a copy of the field's value
// and writes it back into the field when it is destroyed after a change.
class TMemBlobStreamEh : public TMemoryStream {
public:
  BORROW_CLASS(TMemBlobStreamEh, TMemoryStream)
  TMemBlobStreamEh(TField* Field, TBlobStreamMode Mode);
  ~TMemBlobStreamEh() override;
  Integer Write(const void* Buffer, Integer Count) override;
  void Truncate();

protected:
  void* Realloc(Int64& NewCapacity) override;

private:
  Variant BytesToValue() const;

  TField* FField;
  TCustomMemTableEh* FDataSet;
  Integer FFieldNo;
  bool FModified = false;
  std::vector<Byte> FBlock;
};

// The field class of field type unknown: it carries an object reference.
class TRefObjectField : public TField {
public:
  BORROW_COMPONENT(TRefObjectField, TField)
  explicit TRefObjectField(TComponent* AOwner);

protected:
  Variant ConvertValue(const Variant& Value) const override { return Value; }
};

using TMemTableChangeFieldValueEventEh =
    std::function<void(TCustomMemTableEh* MemTable, TField* Field, Variant& Value)>;
// Asked before a tree node expands; may veto.
using TMemTableTreeNodeExpandingEventEh = std::function<void(TObject* Sender, Integer RecNo, bool& AllowExpansion)>;
// Asked before a node without known children expands; may change HasChildren.
using TMemTableTreeNodeHasChildrenEventEh = std::function<void(TObject* Sender, Integer RecNo, bool& HasChildren)>;
// Asked before a record moves in the tree; may veto.
using TMemTableRecordMoveEventEh =
    std::function<void(TObject* Sender, TMemoryRecordEh* MemRec, TMemoryRecordEh* NewParent, bool& Accept)>;

// The fields a search compares, in the order of its key values.
using TKeyFieldsEh = std::span<TField* const>;

// ---------------------------------------------------------------------------
// The table.

class TCustomMemTableEh : public TDataSet, public IMemTableEh {
public:
  BORROW_COMPONENT(TCustomMemTableEh, TDataSet)
  explicit TCustomMemTableEh(TComponent* AOwner);
  ~TCustomMemTableEh() override;

  using TDataSet::GetCurrentRecord;

  // ---- properties ----
  bool GetReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool Value);
  bool GetFetchAllOnOpen() const { return FFetchAllOnOpen; }
  void SetFetchAllOnOpen(bool Value) { FFetchAllOnOpen = Value; }
  bool GetCachedUpdates() const;
  void SetCachedUpdates(bool Value);
  bool GetAggregatesActive() const;
  void SetAggregatesActive(bool Value);
  TAutoIncrementEh* GetAutoIncrement() const;
  void SetAutoIncrement(TAutoIncrementEh* Value);
  const String& GetSortOrder() const { return FSortOrder; }
  void SetSortOrder(const String& Value);
  bool GetStoreDefs() const { return FStoreDefs; }
  void SetStoreDefs(bool Value) { FStoreDefs = Value; }
  TParams* GetParams() const { return FParams.get(); }
  TIndexDefs* GetIndexDefs();
  TMemTableTreeListEh* GetTreeList() const { return FTreeList.get(); }
  TDataDriverEh* GetDataDriver() const { return FDataDriver; }
  void SetDataDriver(TDataDriverEh* Value);
  TCustomMemTableEh* GetExternalMemData() const { return FExternalMemData; }
  void SetExternalMemData(TCustomMemTableEh* Value);
  TDataSource* GetMasterSource() const;
  void SetMasterSource(TDataSource* Value);
  const String& GetMasterFields() const;
  void SetMasterFields(const String& Value);
  const String& GetDetailFields() const { return FDetailFields; }
  void SetDetailFields(const String& Value);
  TMasterDetailSideEh GetMasterDetailSide() const { return FMasterDetailSide; }
  void SetMasterDetailSide(TMasterDetailSideEh Value);
  bool GetMasterDetailActive() const { return FMasterDetailActive; }

  // The data store the table works on (its own, or the ExternalMemData's).
  TMemTableDataEh* GetRecordsData() const;
  TMemTableDataEh* GetMemTableData() const { return FMemTableData; }
  TRecordsViewEh* GetRecordsView() const { return FRecordsView; }

  // ---- dataset framework ----
  bool IsCursorOpen() const override { return FCursorOpen; }
  Integer GetRecordCount() const override;
  Integer GetRecNo() const override;
  void SetRecNo(Integer Value) override;
  bool IsSequenced() const override { return true; }
  void Resync(TResyncMode Mode) override;
  bool BookmarkValid(const TBookmark& Bookmark) const override;
  Integer CompareBookmarks(const TBookmark& Bookmark1, const TBookmark& Bookmark2) const override;
  TBookmark GetBookmark() const override;
  TBookmarkStr GetBookmarkStr() const override;
  bool GetCurrentRecord(TRecordBuffer) override { return false; }
  bool CanModify() const override { return !FReadOnly; }
  TUpdateStatus UpdateStatus() const override;
  bool GetFieldData(TField* Field, Variant& Value) override;
  void SetFieldData(TField* Field, const Variant& Value) override;
  std::unique_ptr<TStream> CreateBlobStream(TField* Field, TBlobStreamMode Mode) override;
  Variant GetAggregateValue(TField* Field) override;
  void ResetAggField(TField* Field) override;
  bool Locate(const String& KeyFields, const Variant& KeyValues, TLocateOptions Options) override;
  Variant Lookup(const String& KeyFields, const Variant& KeyValues, const String& ResultFields) override;
  std::unique_ptr<TIndexDefs> PSGetIndexDefs(TIndexOptions IndexTypes) override;
  void UpdateIndexDefs() override;
  void SetFiltered(bool Value) override;
  void SetFilterText(const String& Value) override;
  void SetOnFilterRecord(const TFilterRecordEvent& Value) override;
  void DataEvent(TDataEvent Event, TDataEventInfo Info) override;
  TDataSource* GetDataSource() const override;
  void Loaded() override;

  // ---- the table's own operations ----
  // The buffer field reads and writes act on; false when there is none.
  virtual bool GetActiveRecBuf(TRecBuf*& RecBuf, bool IgnoreInstantRead = false);
  virtual Integer CompareRecords(TMemoryRecordEh* Rec1, TMemoryRecordEh* Rec2, TOrderByList* OrderByList);
  virtual Integer CompareTreeNodes(TBaseTreeNodeEh* Node1, TBaseTreeNodeEh* Node2, TOrderByList* OrderByList);
  // With a data driver, hands the store's changes to it; answers how many were written.
  virtual Integer InternalApplyUpdates(TMemTableDataEh* MemTableData);
  virtual void UpdateIndexes();
  virtual void CopyBufferToRecord(TRecBuf* Buffer, TMemoryRecordEh* Rec);
  virtual void DoSortByFields(const String& OrderText);
  virtual void ApplySortOrder();
  virtual void NotifyLinkedComponents(Integer Row, Integer Kind, Integer Index);
  Integer ApplyUpdates(Integer MaxErrors);
  bool ReadFieldValue(TField* Field, Variant& Value);
  void WriteFieldValue(TField* Field, const Variant& Value);
  void EmptyTable();
  void SortByFields(const String& OrderText);
  void CancelUpdates();
  void MergeChangeLog();
  TMemRecViewEh* GetCurrentTreeNode();
  void InstantReadEnterTreeNode(TMemRecViewEh* Node, Integer RowNum);
  bool GetInstantReadMode() const { return !FInstantBuffers.empty(); }
  // The view row of the cursor (-1 before the first, the row count after the last).
  Integer GetCursorRow() const { return FRecordPos; }

  // ---- IMemTableEh ----
  Integer FetchRecords(Integer Count) override;
  Integer GetCurrentRowIndex() override;
  bool GetTreeNodeExpanded() override;
  bool GetTreeNodeHasChildren() override;
  Integer GetTreeNodeLevel() override;
  Integer GetPrevVisibleTreeNodeLevel() override;
  Integer GetNextVisibleTreeNodeLevel() override;
  TMemoryRecordEh* GetCurrentRecord() override;
  Integer InstantReadIndexOfBookmark(const TBookmark& Bookmark) override;
  Integer InstantReadRowCount() override;
  bool IsTreeList() override;
  bool ParentHasNextSibling(Integer Level) override;
  bool GotoRecord(TMemoryRecordEh* Rec) override;
  Integer SetTreeNodeExpanded(Integer RowNum, bool Value) override;
  std::shared_ptr<IMemTableDataFieldValueListEh> GetFieldValueList(const String& FieldName) override;
  bool MoveRecords(TBMListEh* BookmarkList, Integer ToRecNo, Integer TreeLevel, bool CheckOnly) override;
  void InstantReadEnter(Integer RowNum) override;
  void InstantReadLeave() override;
  void AddLinkedComponent(TComponent* Component) override;
  void RemoveLinkedComponent(TComponent* Component) override;

  // ---- events ----
  TMemTableChangeFieldValueEventEh OnGetFieldValue;
  TMemTableChangeFieldValueEventEh OnSetFieldValue;
  TMemTableTreeNodeExpandingEventEh OnTreeNodeExpanding;
  TMemTableTreeNodeHasChildrenEventEh OnTreeNodeHasChildren;
  TMemTableRecordMoveEventEh OnRecordMove;

protected:
  // ---- record buffers ----
  TRecordBuffer AllocRecordBuffer() override;
  void FreeRecordBuffer(TRecordBuffer& Buffer) override;
  void InitRecord(TRecordBuffer Buffer) override;
  void InternalInitRecord(TRecordBuffer Buffer) override;
  void ClearCalcFields(TRecordBuffer Buffer) override;
  Integer GetRecordSize() const override { return static_cast<Integer>(sizeof(TRecBuf)); }
  void GetBookmarkData(TRecordBuffer Buffer, TBookmark& Data) const override;
  void SetBookmarkData(TRecordBuffer Buffer, const TBookmark& Data) override;
  TBookmarkFlag GetBookmarkFlag(TRecordBuffer Buffer) const override;
  void SetBookmarkFlag(TRecordBuffer Buffer, TBookmarkFlag Value) override;
  TGetResult GetRecord(TRecordBuffer Buffer, TGetMode GetMode, bool DoCheck) override;

  // ---- cursor ----
  void InternalFirst() override;
  void InternalLast() override;
  void InternalGotoBookmark(const TBookmark& Bookmark) override;
  void InternalSetToRecord(TRecordBuffer Buffer) override;
  void InternalOpen() override;
  void InternalClose() override;
  void InternalInitFieldDefs() override;
  void InternalHandleException() override;
  void InternalRefresh() override;
  void InternalEdit() override;
  void InternalInsert() override;
  void InternalPost() override;
  void InternalCancel() override;
  void InternalDelete() override;
  void InternalAddRecord(TRecordBuffer Buffer, bool Append) override;
  void OpenCursor(bool InfoQuery = false) override;
  void DoOnNewRecord() override;
  void CreateFields() override;
  TFieldClass GetFieldClass(TFieldType FieldType) const override;
  void DefChanged(TObject* Sender) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void GetChildren(const TGetChildProc& Proc, TComponent* Root) override;
  // Reads the table's own data store for a streamed "MemTableData" child.
  void ReadState(TReader* Reader) override;
  void GetPropInfos(std::vector<TPropInfo>& Props) override;

  TRecBuf* RecBuf(TRecordBuffer Buffer) const;

private:
  friend class TMemTableTreeListEh;
  friend class TMasterDataLinkEh;
  friend class TMemBlobStreamEh;
  friend class TMemTableDataFieldValueListEh;

  // ---- view access ----
  Integer ViewCount() const;
  TMemoryRecordEh* ViewRecord(Integer Row) const;
  TMemRecViewEh* ViewNode(Integer Row) const;
  // The record's view row: Hint and the last row are tried first; -1 when not shown.
  Integer ViewIndexOfRecord(TMemoryRecordEh* Rec, Integer Hint) const;
  bool TreeMode() const;
  void AttachViewHandlers();
  void AttachTreeHandlers();
  void UpdateApplyHook();
  // View operations that may sort many records run with the key cache armed.
  void ViewSetSortOrder(const String& Value);
  void ViewRebuild();
  void ViewSetTreeMode(bool Value);

  // ---- buffers ----
  void FillBufferFromRow(TRecordBuffer Buffer, Integer Row);
  void ClearRecBuf(TRecBuf* Buf);
  void HoldResync() { ++FResyncHold; }
  void ReleaseResync(bool DoResync);
  // Holds resyncs while it lives. Leaving the scope lets the hold go without a
  // resync (the work failed, or moved no record); ReleaseWithResync lets it go
  // with the resync the work made due.
  class TResyncHold {
  public:
    explicit TResyncHold(TCustomMemTableEh& Table) : FTable(&Table) { Table.HoldResync(); }
    TResyncHold(const TResyncHold&) = delete;
    TResyncHold& operator=(const TResyncHold&) = delete;
    ~TResyncHold() {
      if (FTable) FTable->ReleaseResync(false);
    }
    void ReleaseWithResync() {
      TCustomMemTableEh* table = std::exchange(FTable, nullptr);
      table->FResyncPending = true;
      table->ReleaseResync(true);
    }

  private:
    TCustomMemTableEh* FTable;
  };
  Integer FetchFromDriver(Integer Count);
  void InstantReadEnterRecord(TMemoryRecordEh* Rec);
  // The active buffer after syncing the cursor, or null when closed or empty.
  TRecBuf* CurrentRecBuf();
  // Runs Read in the instant buffer entered just before and leaves that buffer
  // afterwards, also when Read throws.
  template <class Read>
  void ReadAndLeave(Read&& R) {
    TScopeExit Leave([&] { InstantReadLeave(); });
    R();
  }

  // ---- editing and searching ----
  void ApplyAtOnce(TMemTableDataEh* ChangeSet);
  Integer SearchRow(const String& KeyFields, const Variant& KeyValues, TLocateOptions Options,
                    TMemoryRecordEh*& Hidden);
  Integer IndexSearch(TKeyFieldsEh Fields, const Variant& KeyValues, TMemoryRecordEh*& Rec);
  bool CanMatchDirectly(TKeyFieldsEh Fields) const;
  bool RecordValuesMatch(TMemoryRecordEh* Rec, TKeyFieldsEh Fields, const Variant& KeyValues,
                         TLocateOptions Options) const;
  bool BufferMatches(TKeyFieldsEh Fields, const Variant& KeyValues, TLocateOptions Options);
  bool RowMatches(Integer Row, TKeyFieldsEh Fields, const Variant& KeyValues, TLocateOptions Options);
  bool RecordMatches(TMemoryRecordEh* Rec, TKeyFieldsEh Fields, const Variant& KeyValues, TLocateOptions Options);

  // ---- filter ----
  bool RecordFilter(TMemoryRecordEh* Rec);
  void ApplyFilterExpression();
  bool NeedsRecordFilter() const;
  void ResetAggregates();
  void RebuildFieldPositions();

  // ---- view notifications ----
  void ViewDataEvent(TMemoryRecordEh* Rec, Integer Row, TRecordsListNotificationEh Action);
  void ViewRecordMoved(TMemoryRecordEh* Rec, Integer OldRow, Integer NewRow);
  Integer ShiftForInsert(Integer Row) const;

  // ---- master-detail ----
  void MasterChanged(TObject* Sender);
  void MasterDisabled(TObject* Sender);
  void RecomputeMasterDetail(bool Refresh);
  Variant CurrentMasterValue() const;
  void PrepareProviderParams();
  void ProviderRefresh();
  void FillDetailList();
  const std::vector<TMemoryRecordEh*>* PrefilteredList();

  // ---- tree ----
  bool NodeExpanding(TBaseTreeNodeEh* Node);
  void NodeExpandedChanged(TBaseTreeNodeEh* Node);
  void SetAllExpanded(bool Value);
  bool IsRecordInTree(TMemoryRecordEh* Rec);
  TMemoryRecordEh* FindHiddenTreeRecord(TKeyFieldsEh Fields, const Variant& KeyValues, TLocateOptions Options);
  // Expands the ancestors of the record's node; whether the record has a row now.
  bool RevealRecord(TMemoryRecordEh* Rec);
  bool MoveRecordTo(Integer FromRow, Integer ToRow, Integer TreeLevel, bool CheckOnly);

  std::vector<std::unique_ptr<TRecBuf>> FBufferPool;
  std::vector<TComponent*> FLinkedComponents;
  TMemTableDataEh* FMemTableData = nullptr;  // owned (component owner)
  TRecordsViewEh* FRecordsView = nullptr;    // owned (component owner)
  std::unique_ptr<TMasterDataLinkEh> FMasterDataLink;
  std::vector<TField*> FDetailFieldList;
  std::unique_ptr<TParams> FParams;
  std::unique_ptr<TDataSetExprParserEh> FFilterExpr;
  std::unique_ptr<TMemTableTreeListEh> FTreeList;
  std::vector<TMemoryRecordEh*> FDetailRecList;
  std::unordered_set<TMemoryRecordEh*> FDetailRecSet;
  std::unique_ptr<TRecBuf> FFilterRecBuf;  // what OnFilterRecord reads
  std::vector<TRecordBuffer> FInstantBuffers;
  std::unique_ptr<TSortedVarlistEh> FFetchedMasterValues;
  std::unique_ptr<TIndexDefs> FIndexDefs;

  Integer FRecordPos = -1;        // the cursor row
  Integer FActiveRecordPos = -1;  // where an insert goes; instant reading's current row
  bool FReadOnly = false;
  bool FCursorOpen = false;
  bool FFetchAllOnOpen = false;
  String FSortOrder;
  Integer FResyncHold = 0;
  bool FResyncPending = false;
  bool FInsertAnnounced = false;
  std::vector<Integer> FFieldPositions;  // calculated/lookup position, -1 for others
  bool FStoreDefs = false;

  Integer FPendingNotifyCount = 0;
  Integer FPendingRow = -1, FPendingKind = 0, FPendingIndex = -1;
  bool FControlsWereDisabled = false;
  bool FWasActive = false;

  String FDetailFields;
  TMasterDetailSideEh FMasterDetailSide = mdsOnSelfEh;
  bool FMasterDetailActive = false;
  Variant FMasterValue;
  bool FDetailListUsed = false;

  TDataDriverEh* FDataDriver = nullptr;
  TDataSet* FProviderDataSet = nullptr;  // remembered on open
  TCustomMemTableEh* FExternalMemData = nullptr;
};

class TMemTableEh : public TCustomMemTableEh {
public:
  BORROW_COMPONENT(TMemTableEh, TCustomMemTableEh)
  explicit TMemTableEh(TComponent* AOwner) : TCustomMemTableEh(AOwner) {}
};

void InitMemTableEhUnit();
void FinalMemTableEhUnit();
