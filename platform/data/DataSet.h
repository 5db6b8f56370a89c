#pragma once
// TDataSet: the buffered cursor every dataset is built on.
//
// A dataset keeps a window of record buffers (BufferCount of them, as many as
// its most demanding data link shows, plus one spare). The window holds
// RecordCount filled buffers; ActiveRecord is the one the fields show. A
// descendant supplies the records: it hands out buffer handles
// (AllocRecordBuffer), fills one from its store on GetRecord (current, next or
// prior of its own cursor), keeps bookmarks in the buffers, and reads and writes
// field values of the active buffer (GetFieldData/SetFieldData). The base moves
// the window, keeps the states and events, and tells the data sources (and
// through them the data links) of every change.
//
// Buffer handles are plain integers the descendant chooses; moving the window
// only rotates handles, so scrolling copies no record data.

#include <functional>
#include <memory>
#include <vector>

#include "platform/core/Component.h"
#include "platform/core/Streams.h"
#include "platform/core/Variant.h"
#include "platform/data/DBTypes.h"
#include "platform/data/FieldDefs.h"
#include "platform/data/Fields.h"

class TDataSource;
class TDataLink;

using TDataSetNotifyEvent = std::function<void(TDataSet* DataSet)>;
using TDataSetErrorEvent = std::function<void(TDataSet* DataSet, EDatabaseError& E, TDataAction& Action)>;
using TFilterRecordEvent = std::function<void(TDataSet* DataSet, bool& Accept)>;
// Info of a data event: a TField* for field changes, a scroll distance, a
// TField** for focus requests, a Boolean for the disabled state change.
using TDataEventInfo = std::intptr_t;

// Raises EDatabaseError; with a named component the text is "Name: Message".
[[noreturn]] void DatabaseError(const String& Message, const TComponent* Component = nullptr);
[[noreturn]] void DatabaseErrorFmt(const String& Message, std::initializer_list<String> Args,
                                   const TComponent* Component = nullptr);
// The field of that name; a missing one raises "Field '%s' not found" naming Control.
TField* GetFieldProperty(TDataSet* DataSet, TComponent* Control, const String& FieldName);

class TDataSet : public TComponent {
public:
  BORROW_COMPONENT(TDataSet, TComponent)
  explicit TDataSet(TComponent* AOwner);
  ~TDataSet() override;

  // ---- opening and closing ----
  bool GetActive() const;
  void SetActive(bool Value);
  void Open() { SetActive(true); }
  void Close() { SetActive(false); }
  TDataSetState GetState() const { return FState; }
  TDataSetState State() const { return FState; }
  virtual bool IsCursorOpen() const = 0;
  void CheckActive() const;
  void CheckInactive() const;
  void Refresh();

  // ---- navigation ----
  void First();
  void Last();
  void Next() { MoveBy(1); }
  void Prior() { MoveBy(-1); }
  Integer MoveBy(Integer Distance);
  bool GetBof() const { return FBOF; }
  bool GetEof() const { return FEOF; }
  bool Bof() const { return FBOF; }
  bool Eof() const { return FEOF; }
  bool IsEmpty() const { return FActiveRecord >= FRecordCount; }
  virtual Integer GetRecNo() const { return -1; }
  virtual void SetRecNo(Integer) {}
  Integer RecNo() const { return GetRecNo(); }
  virtual Integer GetRecordCount() const { return -1; }
  Integer RecordCount() const { return GetRecordCount(); }
  virtual bool IsSequenced() const { return true; }
  virtual void Resync(TResyncMode Mode);
  void UpdateCursorPos();
  void CursorPosChanged() { FCurrentRecord = -1; }

  // ---- bookmarks ----
  virtual TBookmark GetBookmark() const;
  void SetBookmark(const TBookmark& Value) { GotoBookmark(Value); }
  void GotoBookmark(const TBookmark& Bookmark);
  virtual bool BookmarkValid(const TBookmark& Bookmark) const;
  virtual Integer CompareBookmarks(const TBookmark& Bookmark1, const TBookmark& Bookmark2) const;
  virtual TBookmarkStr GetBookmarkStr() const;
  void SetBookmarkStr(const TBookmarkStr& Value);
  void FreeBookmark(TBookmark&) {}
  Integer GetBookmarkSize() const { return FBookmarkSize; }

  // ---- editing ----
  void Edit();
  void Insert();
  void Append();
  void Post();
  void Cancel();
  void Delete();
  void InsertRecord(const std::vector<Variant>& Values);
  void AppendRecord(const std::vector<Variant>& Values);
  void SetFields(const std::vector<Variant>& Values);
  void CheckBrowseMode();
  void UpdateRecord();
  bool GetModified() const { return FModified; }
  void SetModified(bool Value) { FModified = Value; }
  bool GetCanModify() const { return CanModify(); }
  virtual bool CanModify() const { return true; }
  virtual TUpdateStatus UpdateStatus() const { return usUnmodified; }
  // Whether Buffer could be filled with the record the cursor is on.
  virtual bool GetCurrentRecord(TRecordBuffer) { return false; }
  void ClearFields();

  // ---- searching ----
  virtual bool Locate(const String& KeyFields, const Variant& KeyValues, TLocateOptions Options);
  virtual Variant Lookup(const String& KeyFields, const Variant& KeyValues, const String& ResultFields);

  // ---- controls ----
  void DisableControls();
  void EnableControls();
  bool ControlsDisabled() const { return FDisableCount != 0; }
  bool IsLinkedTo(TDataSource* DataSource) const;
  virtual TDataSource* GetDataSource() const { return nullptr; }
  Integer DataSourceCount() const { return static_cast<Integer>(FDataSources.size()); }
  TDataSource* GetDataSourceItem(Integer Index) const { return FDataSources[Index]; }

  // ---- fields ----
  TFields* GetFields() const { return FFields.get(); }
  TFields* GetAggFields() const { return FAggFields.get(); }
  TFieldDefs* GetFieldDefs() const { return FFieldDefs.get(); }
  void SetFieldDefs(TFieldDefs* Value);
  Integer GetFieldCount() const { return FFields->Count(); }
  TField* FindField(const String& FieldName) const;
  TField* FieldByName(const String& FieldName) const;
  TField* FieldByNumber(Integer FieldNo) const { return FFields->FieldByNumber(FieldNo); }
  // The fields named in a ';'-separated list, in that order; each must exist.
  void GetFieldList(std::vector<TField*>& List, const String& FieldNames) const;
  void GetFieldNames(std::vector<String>& List) const;
  // One field's value, or an array of the values of the listed fields.
  Variant GetFieldValues(const String& FieldName) const;
  void SetFieldValues(const String& FieldName, const Variant& Value);
  bool GetDefaultFields() const { return FDefaultFields; }
  bool GetAutoCalcFields() const { return FAutoCalcFields; }
  void SetAutoCalcFields(bool Value) { FAutoCalcFields = Value; }
  // The value of a field in another state (old, current or new value).
  Variant GetStateFieldValue(TDataSetState State, TField* Field);
  void SetStateFieldValue(TDataSetState State, TField* Field, const Variant& Value);

  // ---- field data (the descendant's store) ----
  // The field's value in the buffer the state selects; false when it holds none.
  virtual bool GetFieldData(TField* Field, Variant& Value) = 0;
  virtual void SetFieldData(TField* Field, const Variant& Value) = 0;
  virtual std::unique_ptr<TStream> CreateBlobStream(TField* Field, TBlobStreamMode Mode);
  virtual Variant GetAggregateValue(TField* Field);
  virtual void ResetAggField(TField*) {}
  virtual void CloseBlob(TField*) {}

  // ---- provider information ----
  // The index definitions of the given kinds (null when the dataset keeps none).
  virtual std::unique_ptr<TIndexDefs> PSGetIndexDefs(TIndexOptions IndexTypes);
  // The key fields, ';'-separated: those flagged pfInKey, else the fields of
  // the primary (or first unique) index.
  virtual String PSGetKeyFields();
  virtual void UpdateIndexDefs() {}

  // ---- filtering ----
  bool GetFiltered() const { return FFiltered; }
  virtual void SetFiltered(bool Value);
  const String& GetFilter() const { return FFilterText; }
  void SetFilter(const String& Value) { SetFilterText(Value); }
  virtual void SetFilterText(const String& Value);
  TFilterOptions GetFilterOptions() const { return FFilterOptions; }
  virtual void SetFilterOptions(TFilterOptions Value);
  const TFilterRecordEvent& GetOnFilterRecord() const { return FOnFilterRecord; }
  virtual void SetOnFilterRecord(const TFilterRecordEvent& Value);

  // ---- notifications ----
  // Tells the data sources of an event (and keeps the dataset's own books).
  virtual void DataEvent(TDataEvent Event, TDataEventInfo Info);

  // Events.
  TDataSetNotifyEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose;
  TDataSetNotifyEvent BeforeInsert, AfterInsert, BeforeEdit, AfterEdit;
  TDataSetNotifyEvent BeforePost, AfterPost, BeforeCancel, AfterCancel;
  TDataSetNotifyEvent BeforeDelete, AfterDelete, BeforeScroll, AfterScroll;
  TDataSetNotifyEvent BeforeRefresh, AfterRefresh;
  TDataSetNotifyEvent OnCalcFields, OnNewRecord;
  TDataSetErrorEvent OnEditError, OnPostError, OnDeleteError;

  // Called by the fields and the data sources.
  void UpdateBufferCount();
  Integer GetActiveRecord() const { return FActiveRecord; }
  Integer GetBufferCount() const { return FBufferCount; }
  Integer GetBufferRecordCount() const { return FRecordCount; }
  void SetActiveRecordIndex(Integer Value) { FActiveRecord = Value; }
  void Loaded() override;

protected:
  // ---- record buffers (the descendant's) ----
  virtual TRecordBuffer AllocRecordBuffer() = 0;
  virtual void FreeRecordBuffer(TRecordBuffer& Buffer) = 0;
  virtual void InitRecord(TRecordBuffer Buffer);
  virtual void InternalInitRecord(TRecordBuffer Buffer) = 0;
  virtual void ClearCalcFields(TRecordBuffer) {}
  virtual Integer GetRecordSize() const { return 0; }
  virtual void GetBookmarkData(TRecordBuffer Buffer, TBookmark& Data) const = 0;
  virtual void SetBookmarkData(TRecordBuffer Buffer, const TBookmark& Data) = 0;
  virtual TBookmarkFlag GetBookmarkFlag(TRecordBuffer Buffer) const = 0;
  virtual void SetBookmarkFlag(TRecordBuffer Buffer, TBookmarkFlag Value) = 0;
  virtual TGetResult GetRecord(TRecordBuffer Buffer, TGetMode GetMode, bool DoCheck) = 0;

  // ---- the descendant's cursor ----
  virtual void InternalFirst() = 0;
  virtual void InternalLast() = 0;
  virtual void InternalGotoBookmark(const TBookmark& Bookmark) = 0;
  virtual void InternalSetToRecord(TRecordBuffer Buffer) = 0;
  virtual void InternalOpen() = 0;
  virtual void InternalClose() = 0;
  virtual void InternalInitFieldDefs() = 0;
  virtual void InternalHandleException();
  virtual void InternalRefresh() {}
  virtual void InternalEdit() {}
  virtual void InternalInsert() {}
  // Checks that every required data field has a value.
  virtual void InternalPost();
  virtual void InternalCancel() {}
  virtual void InternalDelete() = 0;
  virtual void InternalAddRecord(TRecordBuffer Buffer, bool Append) = 0;
  virtual void OpenCursor(bool InfoQuery = false);
  virtual void CloseCursor();
  virtual void DoOnNewRecord();

  // ---- fields ----
  virtual void CreateFields();
  virtual void BindFields(bool Binding);
  virtual void DestroyFields();
  virtual TFieldClass GetFieldClass(TFieldType FieldType) const;
  virtual void DefChanged(TObject*) {}
  void SetDefaultFields(bool Value) { FDefaultFields = Value; }
  // Runs the calculated-field pass for a buffer (lookup values, OnCalcFields).
  void GetCalcFields(TRecordBuffer Buffer);
  virtual void CalculateFields(TRecordBuffer Buffer);
  bool HasCalcFields() const { return FHasCalcFields; }
  bool GetInternalCalcFields() const { return FInternalCalcFields; }

  // ---- the window of buffers ----
  TRecordBuffer ActiveBuffer() const { return FBuffers.empty() ? 0 : FBuffers[FActiveRecord]; }
  TRecordBuffer TempBuffer() const { return FBuffers.empty() ? 0 : FBuffers[FRecordCount]; }
  TRecordBuffer CalcBuffer() const { return FCalcBuffer; }
  TRecordBuffer BufferAt(Integer Index) const { return FBuffers[Index]; }
  Integer BufferCount() const { return FBufferCount; }
  Integer ActiveRecord() const { return FActiveRecord; }
  Integer CurrentRecord() const { return FCurrentRecord; }
  Integer RecordCountInBuffers() const { return FRecordCount; }
  void SetBufListSize(Integer Value);
  virtual void SetBufferCount(Integer Value);
  void ClearBuffers();
  void ActivateBuffers();
  void SetCurrentRecord(Integer Index);
  bool GetNextRecord();
  bool GetPriorRecord();
  Integer GetNextRecords();
  Integer GetPriorRecords();
  void SetBookmarkSize(Integer Value) { FBookmarkSize = Value; }
  bool BookmarkAvailable() const;

  // ---- states and events ----
  void SetState(TDataSetState Value);
  TDataSetState SetTempState(TDataSetState Value);
  void RestoreState(TDataSetState Value);
  void SetBof(bool Value) { FBOF = Value; }
  void SetEof(bool Value) { FEOF = Value; }
  void CheckCanModify() const;
  void CheckOperation(const std::function<void()>& Operation, const TDataSetErrorEvent& ErrorEvent);
  virtual void DoBeforeOpen() {
    if (BeforeOpen) BeforeOpen(this);
  }
  virtual void DoAfterOpen() {
    if (AfterOpen) AfterOpen(this);
  }
  virtual void DoBeforeClose() {
    if (BeforeClose) BeforeClose(this);
  }
  virtual void DoAfterClose() {
    if (AfterClose) AfterClose(this);
  }
  virtual void DoBeforeInsert() {
    if (BeforeInsert) BeforeInsert(this);
  }
  virtual void DoAfterInsert() {
    if (AfterInsert) AfterInsert(this);
  }
  virtual void DoBeforeEdit() {
    if (BeforeEdit) BeforeEdit(this);
  }
  virtual void DoAfterEdit() {
    if (AfterEdit) AfterEdit(this);
  }
  virtual void DoBeforePost() {
    if (BeforePost) BeforePost(this);
  }
  virtual void DoAfterPost() {
    if (AfterPost) AfterPost(this);
  }
  virtual void DoBeforeCancel() {
    if (BeforeCancel) BeforeCancel(this);
  }
  virtual void DoAfterCancel() {
    if (AfterCancel) AfterCancel(this);
  }
  virtual void DoBeforeDelete() {
    if (BeforeDelete) BeforeDelete(this);
  }
  virtual void DoAfterDelete() {
    if (AfterDelete) AfterDelete(this);
  }
  virtual void DoBeforeScroll() {
    if (BeforeScroll) BeforeScroll(this);
  }
  virtual void DoAfterScroll() {
    if (AfterScroll) AfterScroll(this);
  }
  virtual void DoBeforeRefresh() {
    if (BeforeRefresh) BeforeRefresh(this);
  }
  virtual void DoAfterRefresh() {
    if (AfterRefresh) AfterRefresh(this);
  }
  virtual void DoOnCalcFields() {
    if (OnCalcFields) OnCalcFields(this);
  }

  void Notification(TComponent* AComponent, TOperation Operation) override;
  void GetChildren(const TGetChildProc& Proc, TComponent* Root) override;

private:
  friend class TField;
  friend class TFields;
  friend class TDataSource;
  friend class TDataLink;
  friend class TFieldDefs;
  friend class TFieldDef;
  void AddDataSource(TDataSource* DataSource);
  void RemoveDataSource(TDataSource* DataSource);
  void AddField(TField* Field);
  void RemoveField(TField* Field);
  void FieldListChanged();
  void MoveBuffer(Integer CurIndex, Integer NewIndex);
  void BeginInsertAppend();
  void EndInsertAppend();
  void DoInternalOpen();
  void OpenCursorComplete();
  void UpdateCalcFields();
  void CheckNestedBrowseMode();
  std::vector<TDataLink*> CollectLinks() const;

  TDataSetState FState = dsInactive;
  bool FBOF = true;
  bool FEOF = true;
  bool FModified = false;
  bool FDefaultFields = false;
  bool FAutoCalcFields = true;
  bool FHasCalcFields = false;
  bool FInternalCalcFields = false;
  bool FInternalOpenComplete = false;
  bool FStreamedActive = false;
  bool FFiltered = false;
  String FFilterText;
  TFilterOptions FFilterOptions;
  TFilterRecordEvent FOnFilterRecord;
  Integer FBookmarkSize = 0;
  Integer FBufferCount = 0;
  Integer FRecordCount = 0;
  Integer FActiveRecord = 0;
  Integer FCurrentRecord = -1;
  TRecordBuffer FCalcBuffer = 0;
  std::vector<TRecordBuffer> FBuffers;  // BufferCount + 1 handles
  Integer FDisableCount = 0;
  TDataSetState FDisableState = dsInactive;
  TDataEvent FEnableEvent = deDataSetChange;
  std::vector<TDataSource*> FDataSources;
  std::unique_ptr<TFields> FFields;
  std::unique_ptr<TFields> FAggFields;
  std::unique_ptr<TFieldDefs> FFieldDefs;
};
