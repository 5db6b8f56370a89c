#pragma once
// The footer-sum engine: sums, averages and counts of a dataset's fields, kept
// current for a grid's footers. A full pass computes them when the dataset
// opens, its filter or master record changes, or the list of sums changes; edits,
// inserts, posts and deletes update them from the dataset's own events, which the
// engine takes over while it is active and gives back when it stops.
//
// Values are 64-bit integers scaled by 10000 (Currency); each step computes in
// extended precision and stores the nearest integer, ties to even.
//
// Optionally the engine keeps the bookmarks of all records (the virtual
// records), so that a dataset without record numbers of its own can still give
// a record number and a record count to the grid.

#include <memory>
#include <vector>

#include "editors/ToolCtrlsEh.h"
#include "platform/core/Collection.h"
#include "platform/core/Component.h"
#include "platform/data/DataSet.h"

class TDBSumListProducer;
class TField;

enum TGroupOperation { goSum, goAvg, goCount };

// ---- One aggregate ---------------------------------------------------------------------
class TDBSum : public TCollectionItem {
public:
  BORROW_COLLECTION_ITEM(TDBSum, TCollectionItem)
  explicit TDBSum(TCollection* Collection) : TCollectionItem(Collection) {}

  const String& GetFieldName() const { return FFieldName; }
  void SetFieldName(const String& Value);
  TGroupOperation GetGroupOperation() const { return FGroupOperation; }
  void SetGroupOperation(TGroupOperation Value);
  // The value a footer shows: raw is the 64-bit count of ten-thousandths.
  Currency GetSumValue() const;
  Int64 GetSumValueRaw() const { return FSumValue; }
  void SetSumValueRaw(Int64 Value) { FSumValue = Value; }

  void Assign(TPersistent* Source) override;

private:
  friend class TDBSumListProducer;
  // Whether the current record has a value in the field.
  bool HasValue() const;
  // Whether it has a number to add: a sum or an average takes only the values
  // of number and date fields; a text, a blob or a flag adds nothing.
  bool HasNumber() const { return FNumeric && HasValue(); }
  // What the current record adds, scaled: its value, one record for a count,
  // or nothing.
  long double Contribution() const;
  // The average from the accumulator and the number of values.
  void TakeAverage();

  String FFieldName;
  TGroupOperation FGroupOperation = goSum;
  Int64 FOldContribution = 0;
  Integer FValueCount = 0;
  Int64 FAccumulator = 0;
  Variant FOldValue;
  Int64 FSumValue = 0;
  TField* FField = nullptr;  // resolved for the current pass or event
  bool FNumeric = false;     // FField's values are numbers
};

class TDBSumCollection : public TCollection {
public:
  BORROW_CLASS(TDBSumCollection, TCollection)
  explicit TDBSumCollection(TDBSumListProducer* AProducer)
      : TCollection(TDBSum::StaticItemClass()), FProducer(AProducer) {}
  // Null for an item still being made (the collection hears of it from its base
  // constructor).
  TDBSum* Items(Integer Index) const { return dynamic_cast<TDBSum*>(GetItem(Index)); }
  TDBSum* Add() { return dynamic_cast<TDBSum*>(TCollection::Add()); }
  // The first sum with that operation whose field name equals FieldName, case
  // aside, by the user's locale; null when there is none.
  TDBSum* GetSumByOpAndFName(TGroupOperation AGroupOperation, const String& AFieldName) const;

protected:
  void Update(TCollectionItem* Item) override;

private:
  TDBSumListProducer* FProducer;
};

// ---- The virtual-record list -----------------------------------------------------------------
// One bookmark per record of the dataset, in dataset order, while valid.
class TSLBookmarkListEh : public TBMListEh {
public:
  BORROW_CLASS(TSLBookmarkListEh, TBMListEh)
  explicit TSLBookmarkListEh(TDBSumListProducer* AProducer) : FProducer(AProducer) {}
  TDataSet* GetDataSet() const override;
  const TBookmark& Items(Integer Index) const { return GetItem(Index); }
  void Add(const TBookmark& Item) { Append(Item); }

private:
  TDBSumListProducer* FProducer;
};

// ---- The engine -------------------------------------------------------------------------------------
class TDBSumListProducer : public TPersistent {
public:
  BORROW_CLASS(TDBSumListProducer, TPersistent)
  explicit TDBSumListProducer(TComponent* AOwner);
  ~TDBSumListProducer() override;

  void Assign(TPersistent* Source) override;

  bool GetActive() const { return FActive; }
  void SetActive(bool Value);
  void Activate(bool ARecalc);
  void Deactivate(bool AClearSumValues);
  void ActivateIfReady();
  TDataSet* GetDataSet() const { return FDataSet; }
  void SetDataSet(TDataSet* Value);
  bool GetExternalRecalc() const { return FExternalRecalc; }
  void SetExternalRecalc(bool Value);
  bool GetVirtualRecords() const { return FVirtualRecords; }
  void SetVirtualRecords(bool Value);
  TDBSumCollection* GetSumCollection() const { return FSumCollection.get(); }
  TSLBookmarkListEh* GetVirtualRecordList() const { return FVirtualRecList.get(); }
  TComponent* GetOwnerComponent() const { return FOwner; }
  bool GetHooked() const { return FHooked; }
  bool GetRecalculating() const { return FRecalculating; }

  TNotifyEvent OnAfterRecalcAll;
  TNotifyEvent OnRecalcAll;
  TNotifyEvent SumListChanged;

  // Virtual operations, in slot order.
  virtual Integer GetRecNo();
  virtual Integer FindVirtualRecordIndex(const TBookmark& Bookmark);
  virtual void SetRecNo(Integer Value);
  virtual void DataSetAfterCancel(TDataSet* DataSet);
  virtual void DataSetAfterClose(TDataSet* DataSet);
  virtual void DataSetAfterEdit(TDataSet* DataSet);
  virtual void DataSetAfterInsert(TDataSet* DataSet);
  virtual void DataSetAfterOpen(TDataSet* DataSet);
  virtual void DataSetAfterPost(TDataSet* DataSet);
  virtual void DataSetAfterScroll(TDataSet* DataSet);
  virtual void DataSetBeforeDelete(TDataSet* DataSet);
  virtual void ResetDataSetEvents();
  virtual bool IsSequenced();
  virtual Integer GetRecordCount();
  virtual void ClearSumValues();
  virtual void RecalcAll();
  virtual void SetDataSetEvents();

  void SumCollectionChanged();
  void DoSumListChanged();
  void MasterDataChanged(TDataSet* DataSet);

protected:
  bool OwnerLoadingOrDesigning() const;
  bool FHooked = false;

private:
  // Sums that take part: a sum without a field counts records and nothing else.
  std::vector<TDBSum*> TakingPart() const;
  void ResolveFields(const std::vector<TDBSum*>& Sums) const;
  bool VirtualMode() const;
  void RecalcPass();
  void InsertPendingBookmark();

  bool FVirtualRecords = false;
  bool FRecalculating = false;
  bool FActive = true;
  TDataSet* FDataSet = nullptr;
  bool FExternalRecalc = false;
  String FSavedFilterText;
  bool FSavedFiltered = false;
  TDataSet* FMasterDataSet = nullptr;
  Integer FLastFoundIndex = -1;
  TComponent* FOwner = nullptr;
  std::unique_ptr<TDBSumCollection> FSumCollection;
  bool FPendingInsert = false;
  std::unique_ptr<TSLBookmarkListEh> FVirtualRecList;
  TDataSetNotifyEvent FSavedAfterCancel, FSavedAfterClose, FSavedAfterEdit, FSavedAfterInsert, FSavedAfterOpen,
      FSavedAfterPost, FSavedAfterScroll, FSavedBeforeDelete, FSavedMasterAfterScroll;
};
