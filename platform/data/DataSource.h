#pragma once
// TDataSource connects a dataset to the controls that show it; TDataLink is a
// control's end of that connection. A link sees a window of BufferCount records
// of the dataset's buffers (ActiveRecord within it), and hears every change
// through the handlers below.

#include <functional>
#include <vector>

#include "platform/core/BasicAction.h"
#include "platform/core/Component.h"
#include "platform/data/DataSet.h"

class TDataLink;

using TDataChangeEvent = std::function<void(TObject* Sender, TField* Field)>;

class TDataSource : public TComponent {
public:
  BORROW_COMPONENT(TDataSource, TComponent)
  explicit TDataSource(TComponent* AOwner);
  ~TDataSource() override;

  TDataSet* GetDataSet() const { return FDataSet; }
  void SetDataSet(TDataSet* ADataSet);
  bool GetEnabled() const { return FEnabled; }
  void SetEnabled(bool Value);
  bool GetAutoEdit() const { return FAutoEdit; }
  void SetAutoEdit(bool Value) { FAutoEdit = Value; }
  TDataSetState GetState() const { return FState; }
  TDataSetState State() const { return FState; }
  // Puts the dataset in edit state when AutoEdit allows and it is browsing.
  void Edit();
  bool IsLinkedTo(TDataSet* DataSet) const;
  Integer DataLinkCount() const { return static_cast<Integer>(FDataLinks.size()); }
  TDataLink* GetDataLink(Integer Index) const { return FDataLinks[Index]; }

  TNotifyEvent OnStateChange;
  TDataChangeEvent OnDataChange;
  TNotifyEvent OnUpdateData;

  // From the dataset.
  void DataEvent(TDataEvent Event, TDataEventInfo Info);

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  friend class TDataLink;
  friend class TDataSet;
  void AddDataLink(TDataLink* DataLink);
  void RemoveDataLink(TDataLink* DataLink);
  void SetState(TDataSetState Value);
  void UpdateState();
  void NotifyDataLinks(TDataEvent Event, TDataEventInfo Info);
  void NotifyLinkTypes(TDataEvent Event, TDataEventInfo Info, bool LinkType);

  TDataSet* FDataSet = nullptr;
  bool FEnabled = true;
  bool FAutoEdit = true;
  TDataSetState FState = dsInactive;
  std::vector<TDataLink*> FDataLinks;
};

class TDataLink : public TPersistent {
public:
  BORROW_CLASS(TDataLink, TPersistent)
  TDataLink();
  ~TDataLink() override;
  TDataLink(const TDataLink&) = delete;
  TDataLink& operator=(const TDataLink&) = delete;

  TDataSource* GetDataSource() const { return FDataSource; }
  void SetDataSource(TDataSource* ADataSource);
  TDataSet* GetDataSet() const;
  TDataSet* DataSet() const { return GetDataSet(); }
  bool GetDataSourceFixed() const { return FDataSourceFixed; }
  void SetDataSourceFixed(bool Value) { FDataSourceFixed = Value; }
  bool GetActive() const { return FActive; }
  bool Active() const { return FActive; }
  bool GetEditing() const { return FEditing; }
  bool Editing() const { return FEditing; }
  bool GetReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool Value);
  bool GetVisualControl() const { return FVisualControl; }
  void SetVisualControl(bool Value) { FVisualControl = Value; }

  // The link's window of the dataset's buffers.
  Integer GetBufferCount() const { return FBufferCount; }
  void SetBufferCount(Integer Value);
  Integer GetActiveRecord() const;
  void SetActiveRecord(Integer Value);
  Integer GetRecordCount() const;
  Integer GetFirstRecord() const { return FFirstRecord; }
  bool Bof() const;
  bool Eof() const;

  // Asks the data source to edit; answers whether the link is editing now.
  bool Edit();
  // Writes the control's pending value into the field (UpdateData), guarded.
  void UpdateRecord();
  bool GetUpdating() const { return FUpdating; }

  // From the data source.
  virtual void DataEvent(TDataEvent Event, TDataEventInfo Info);

  // An action that a data-aware control passes on: one that works on the link's
  // data source is run or updated there (true); any other is left (false).
  virtual bool ExecuteAction(TBasicAction* Action);
  virtual bool UpdateAction(TBasicAction* Action);

protected:
  virtual void ActiveChanged() {}
  virtual void CheckBrowseMode() {}
  virtual void DataSetChanged() { RecordChanged(nullptr); }
  virtual void DataSetScrolled(Integer) { DataSetChanged(); }
  virtual void EditingChanged() {}
  virtual void FocusControl(TField** Field) { (void)Field; }
  virtual void LayoutChanged() { DataSetChanged(); }
  virtual void RecordChanged(TField*) {}
  virtual void UpdateData() {}

private:
  friend class TDataSource;
  friend class TDataSet;
  void SetActive(bool Value);
  void SetEditing(bool Value);
  void UpdateState();
  void UpdateRange();

  TDataSource* FDataSource = nullptr;
  Integer FFirstRecord = 0;
  Integer FBufferCount = 1;
  bool FActive = false;
  bool FEditing = false;
  bool FReadOnly = false;
  bool FUpdating = false;
  bool FDataSourceFixed = false;
  bool FVisualControl = false;
};

// The link a dataset keeps to its master; GetDetailDataSet names the dataset
// whose browse mode follows the master's.
class TDetailDataLink : public TDataLink {
public:
  BORROW_CLASS(TDetailDataLink, TDataLink)
  virtual TDataSet* GetDetailDataSet() const { return nullptr; }
};

// A master link that keeps the master's fields named by FieldNames and calls
// OnMasterChange when their record changes, OnMasterDisable when the master closes.
class TMasterDataLink : public TDetailDataLink {
public:
  BORROW_CLASS(TMasterDataLink, TDetailDataLink)
  explicit TMasterDataLink(TDataSet* ADataSet);
  TDataSet* GetDetailDataSet() const override { return FDataSet; }
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
  TDataSet* FDataSet;
  String FFieldNames;
  std::vector<TField*> FFields;
};
