#pragma once
// The storage layer under the in-memory dataset.
//
//   TMTDataStructEh      the columns: an ordered list of data fields (TMTDataFieldEh
//                        and its nine descendants), each knowing its TFieldType and
//                        the Variant type its values are held in.
//   TAutoIncrementEh     the generator of auto-increment values.
//   TMemTableDataEh      the data store: structure + records list + the notificators
//                        (views) that follow each change; streamed with "AutoIncCurValue".
//   TMemoryRecordEh      one record: current values, pre-edit values while editing,
//                        old values while it has a cached change.
//   TRecordsListEh       the records in order, the cached-updates change log, the
//                        notifications (codes 0..9) and the streamed "Data".
//   TDataSetExprParserEh the filter and aggregate evaluator over compiled texts.
//   TMTIndexesEh         sorted key indexes of a records list, told of each change
//                        before the views; unique keys are checked there.
//   TRecordsViewEh       the filtered, sorted list of records a dataset shows, or in
//                        tree mode a parent/child tree of them (TMemoryTreeListEh),
//                        with the aggregates of its rows (TMTAggregatesEh).
//
// A store knows nothing of cursors or TField objects: the dataset builds its
// fields from the structure (or the structure from its fields) and reaches the
// records through the records list and the views.
//
// Ownership: the store owns its structure, restructure copy, records list and
// generator; the structure frees its fields; the records list frees its records
// (active, deleted); a record made by NewRecord belongs to its caller until it is
// posted or inserted (Cancel of such a record frees it).

#include <exception>
#include <functional>
#include <memory>
#include <new>
#include <unordered_map>
#include <vector>

#include "memtable/IndexEntriesEh.h"
#include "memtable/LentRoomEh.h"
#include "memtable/MemTreeEh.h"
#include "memtable/RecordValuesEh.h"
#include "platform/core/Collection.h"
#include "platform/core/Component.h"
#include "platform/core/Filer.h"
#include "platform/core/QuickSort.h"
#include "platform/core/Variant.h"
#include "platform/data/DBTypes.h"

class TDataSet;
class TField;
class TFields;
class TFieldDefs;
class TMTDataStructEh;
class TMemTableDataEh;
class TRecordsListEh;
class TMemoryRecordEh;
class TMTIndexesEh;
class TRecordsListNotificatorEh;
class TOrderByList;

// ---------------------------------------------------------------------------
// Codes shared with the dataset.

// Which of a record's value arrays an access reads or writes.
enum TRecValueVersionEh : Byte {
  rvvOldValueEh = 0,        // the old values (only while a cached change is pending)
  rvvEditStartValueEh = 1,  // the pre-edit values while editing, else the current ones
  rvvEditValueEh = 2,       // the current values, only while editing
  rvvValueEh = 3,           // the current values
  rvvOldestValueEh = 4,     // old, else pre-edit, else current
  rvvOldOrValueEh = 5       // old, else current
};

// A record's edit state.
enum TMemoryRecordEditStateEh : Byte {
  resBrowseEh = 0,
  resEditEh = 1,
  resNewEh = 2  // created by NewRecord, not yet in a list
};

enum TRecUpdateStatusEh : Byte { rusUnmodifiedEh = 0, rusModifiedEh = 1, rusInsertedEh = 2, rusDeletedEh = 3 };

enum TRecordsListNotificationEh : Byte {
  rlnRecAddingEh = 0,
  rlnRecAddedEh = 1,
  rlnRecChangingEh = 2,
  rlnRecChangedEh = 3,
  rlnRecDeletingEh = 4,
  rlnRecDeletedEh = 5,
  rlnListChangingEh = 6,
  rlnListChangedEh = 7,
  rlnRecMarkingForDelEh = 8,  // reserved: the records list never sends it
  rlnRecMarkedForDelEh = 9
};

// ---------------------------------------------------------------------------
// The sort every part of the in-memory dataset uses (QuickSortRange of
// platform/core/QuickSort.h): below kSmallSortRange items the classic pass with
// the middle item as its pivot, so small sorts keep the order of equal keys they
// always had; larger ranges take a pivot from nine items spread over them and
// fall back on a heap sort when the passes keep coming out lopsided, so no key
// order costs more than n log n nor recurses deeper than log2(n). Not stable.
// The scans stay inside L..R, so a comparison that is not a strict order cannot
// run them off the list.
template <class T, class TAlloc, class Compare>
void QuickSortEh(std::vector<T, TAlloc>& List, Integer L, Integer R, Compare&& Cmp) {
  if (L < 0 || R >= static_cast<Integer>(List.size())) return;
  QuickSortRange(TSortByValue([&List](Integer I) -> const T& { return List[static_cast<size_t>(I)]; },
                              [&Cmp](const T& A, const T& B) { return Cmp(A, B); },
                              [&List](Integer I, Integer J) {
                                std::swap(List[static_cast<size_t>(I)], List[static_cast<size_t>(J)]);
                              }),
                 L, R);
}

// ---------------------------------------------------------------------------
// Auto-increment generator. New: Step -1, InitValue -1, so it hands out -1, -2, ...

class TAutoIncrementEh : public TPersistent {
public:
  BORROW_CLASS(TAutoIncrementEh, TPersistent)
  TAutoIncrementEh() = default;

  Integer GetStep() const { return FStep; }
  void SetStep(Integer Value) { FStep = Value; }
  Integer GetInitValue() const { return FInitValue; }
  // The current value follows the new InitValue while no value has been taken.
  void SetInitValue(Integer Value);
  // Streamed by the owning store as "AutoIncCurValue".
  Integer GetCurValue() const { return FCurValue; }
  void SetCurValue(Integer Value) { FCurValue = Value; }

  // Answers the current value, then advances by Step.
  Integer NewValue();
  void Reset() { FCurValue = FInitValue; }
  void Assign(TPersistent* Source) override;

private:
  Integer FStep = -1;
  Integer FInitValue = -1;
  Integer FCurValue = -1;
};

// ---------------------------------------------------------------------------
// Data fields: the description of one column.

class TMTDataFieldEh : public TComponent {
public:
  BORROW_COMPONENT(TMTDataFieldEh, TComponent)
  explicit TMTDataFieldEh(TComponent* AOwner);
  ~TMTDataFieldEh() override;

  virtual TAlignment GetAlignment() const { return FAlignment; }
  virtual void SetAlignment(TAlignment Value) { FAlignment = Value; }
  // Set when the field was built from a TField whose values the server generates
  // as an auto-increment; such a column receives generated values like ftAutoInc.
  virtual bool GetAutoIncrement() const { return FAutoIncrement; }
  virtual void SetAutoIncrement(bool Value);
  virtual TFieldType GetDataType() const { return ftUnknown; }
  // A column of object references, whose values are kept as given.
  virtual bool IsRefObjectColumn() const { return false; }
  // Raises "Can not assign DataType from Field" for a type the class does not hold.
  virtual void SetDataType(TFieldType Value);
  virtual String GetDefaultExpression() const { return FDefaultExpression; }
  virtual void SetDefaultExpression(const String& Value) { FDefaultExpression = Value; }
  virtual String GetDisplayLabel() const { return FDisplayLabel; }
  virtual void SetDisplayLabel(const String& Value) { FDisplayLabel = Value; }
  virtual Integer GetDisplayWidth() const { return FDisplayWidth; }
  virtual void SetDisplayWidth(Integer Value) { FDisplayWidth = Value; }
  virtual String GetEditMask() const { return FEditMask; }
  virtual void SetEditMask(const String& Value) { FEditMask = Value; }
  virtual String GetFieldName() const { return FFieldName; }
  // Checked against the other fields of the structure when it changes other than by case.
  virtual void SetFieldName(const String& Value);
  virtual bool GetReadOnly() const { return FReadOnly; }
  virtual void SetReadOnly(bool Value) { FReadOnly = Value; }
  virtual bool GetRequired() const { return FRequired; }
  virtual void SetRequired(bool Value) { FRequired = Value; }
  virtual Integer GetSize() const { return FSize; }
  // EDatabaseError "Invalid field size" when the class has no size.
  virtual void SetSize(Integer Value);
  virtual bool GetVisible() const { return FVisible; }
  virtual void SetVisible(bool Value) { FVisible = Value; }
  virtual bool HasSize() const { return false; }
  // The Variant type the column's values are held in.
  virtual TVarType GetVarType() const;
  // Copies the properties of a dataset field.
  virtual void AssignProps(TField* Field);

  void Assign(TPersistent* Source) override;
  void ReadState(TReader* Reader) override;
  bool HasParent() const override { return true; }
  TComponent* GetParentComponent() const override;
  void SetParentComponent(TComponent* Value) override;

  Int64 GetFieldId() const { return FFieldId; }
  TMTDataStructEh* GetDataStruct() const { return FDataStruct; }
  void SetDataStruct(TMTDataStructEh* Value);
  // Position in the structure, -1 when in none.
  Integer GetIndex() const;

protected:
  void GetPropInfos(std::vector<TPropInfo>& Props) override;
  // The published properties every data field class shares, less those a class leaves out.
  void AddBasePropInfos(std::vector<TPropInfo>& Props, bool WithDefaultExpression, bool WithEditMask);

private:
  friend class TMTDataStructEh;
  friend class TMemTableDataEh;
  TAlignment FAlignment = taLeftJustify;
  bool FAutoIncrement = false;
  String FDefaultExpression;
  String FDisplayLabel;
  Integer FDisplayWidth = 0;
  String FEditMask;
  Int64 FFieldId = 0;
  String FFieldName;
  bool FReadOnly = false;  // not streamed, not copied by Assign
  bool FRequired = false;
  Integer FSize = 0;
  bool FVisible = false;
  TMTDataStructEh* FDataStruct = nullptr;
};

enum TMTStringDataFieldTypesEh : Byte {
  fdtStringEh,
  fdtFixedCharEh,
  fdtWideStringEh,
  fdtGuidEh,
  fdtFixedWideCharEh,
  fdtOraIntervalEh
};

class TMTStringDataFieldEh : public TMTDataFieldEh {
public:
  BORROW_COMPONENT(TMTStringDataFieldEh, TMTDataFieldEh)
  explicit TMTStringDataFieldEh(TComponent* AOwner) : TMTDataFieldEh(AOwner) {}

  TMTStringDataFieldTypesEh GetStringDataType() const { return FStringDataType; }
  void SetStringDataType(TMTStringDataFieldTypesEh Value) { FStringDataType = Value; }
  bool GetFixedChar() const { return FFixedChar; }
  void SetFixedChar(bool Value) { FFixedChar = Value; }
  bool GetTransliterate() const { return FTransliterate; }
  void SetTransliterate(bool Value) { FTransliterate = Value; }

  TFieldType GetDataType() const override;
  void SetDataType(TFieldType Value) override;
  bool HasSize() const override { return true; }
  void AssignProps(TField* Field) override;
  void Assign(TPersistent* Source) override;

protected:
  void GetPropInfos(std::vector<TPropInfo>& Props) override;

private:
  TMTStringDataFieldTypesEh FStringDataType = fdtStringEh;
  bool FFixedChar = false;
  bool FTransliterate = true;
};

enum TMTNumericDataFieldTypesEh : Byte {
  fdtSmallintEh,
  fdtIntegerEh,
  fdtWordEh,
  fdtFloatEh,
  fdtCurrencyEh,
  fdtBCDEh,
  fdtAutoIncEh,
  fdtLargeintEh,
  fdtFMTBcdEh,
  fdtLongWordEh,
  fdtShortintEh,
  fdtByteEh,
  fdtExtendedEh
};

class TMTNumericDataFieldEh : public TMTDataFieldEh {
public:
  BORROW_COMPONENT(TMTNumericDataFieldEh, TMTDataFieldEh)
  explicit TMTNumericDataFieldEh(TComponent* AOwner) : TMTDataFieldEh(AOwner) {}

  TMTNumericDataFieldTypesEh GetNumericDataType() const { return FNumericDataType; }
  void SetNumericDataType(TMTNumericDataFieldTypesEh Value) { FNumericDataType = Value; }
  String GetDisplayFormat() const { return FDisplayFormat; }
  void SetDisplayFormat(const String& Value) { FDisplayFormat = Value; }
  String GetEditFormat() const { return FEditFormat; }
  void SetEditFormat(const String& Value) { FEditFormat = Value; }
  bool GetCurrency() const { return FCurrency; }
  void SetCurrency(bool Value) { FCurrency = Value; }
  double GetMaxValue() const { return FMaxValue; }
  void SetMaxValue(double Value) { FMaxValue = Value; }
  double GetMinValue() const { return FMinValue; }
  void SetMinValue(double Value) { FMinValue = Value; }
  Integer GetPrecision() const { return FPrecision; }
  void SetPrecision(Integer Value) { FPrecision = Value; }

  TFieldType GetDataType() const override;
  void SetDataType(TFieldType Value) override;
  void AssignProps(TField* Field) override;
  void Assign(TPersistent* Source) override;

protected:
  void GetPropInfos(std::vector<TPropInfo>& Props) override;

private:
  TMTNumericDataFieldTypesEh FNumericDataType = fdtSmallintEh;
  String FDisplayFormat;
  String FEditFormat;
  bool FCurrency = false;
  double FMaxValue = 0;
  double FMinValue = 0;
  Integer FPrecision = 0;
};

enum TMTDateTimeDataFieldTypesEh : Byte { fdtDateEh, fdtTimeEh, fdtDateTimeEh };

class TMTDateTimeDataFieldEh : public TMTDataFieldEh {
public:
  BORROW_COMPONENT(TMTDateTimeDataFieldEh, TMTDataFieldEh)
  explicit TMTDateTimeDataFieldEh(TComponent* AOwner) : TMTDataFieldEh(AOwner) {}

  TMTDateTimeDataFieldTypesEh GetDateTimeDataType() const { return FDateTimeDataType; }
  void SetDateTimeDataType(TMTDateTimeDataFieldTypesEh Value) { FDateTimeDataType = Value; }
  String GetDisplayFormat() const { return FDisplayFormat; }
  void SetDisplayFormat(const String& Value) { FDisplayFormat = Value; }

  TFieldType GetDataType() const override;
  void SetDataType(TFieldType Value) override;
  void AssignProps(TField* Field) override;
  void Assign(TPersistent* Source) override;

protected:
  void GetPropInfos(std::vector<TPropInfo>& Props) override;

private:
  TMTDateTimeDataFieldTypesEh FDateTimeDataType = fdtDateEh;
  String FDisplayFormat;
};

// The blob class keeps its TFieldType itself (ftBlob .. ftWideMemo).
class TMTBlobDataFieldEh : public TMTDataFieldEh {
public:
  BORROW_COMPONENT(TMTBlobDataFieldEh, TMTDataFieldEh)
  explicit TMTBlobDataFieldEh(TComponent* AOwner) : TMTDataFieldEh(AOwner) {}

  TFieldType GetBlobType() const { return FBlobType; }
  void SetBlobType(TFieldType Value) { FBlobType = Value; }
  bool GetGraphicHeader() const { return FGraphicHeader; }
  void SetGraphicHeader(bool Value) { FGraphicHeader = Value; }
  bool GetTransliterate() const { return FTransliterate; }
  void SetTransliterate(bool Value) { FTransliterate = Value; }

  TFieldType GetDataType() const override { return FBlobType; }
  // A type outside ftBlob .. ftWideMemo is ignored without error.
  void SetDataType(TFieldType Value) override;
  void AssignProps(TField* Field) override;
  void Assign(TPersistent* Source) override;

protected:
  void GetPropInfos(std::vector<TPropInfo>& Props) override;

private:
  TFieldType FBlobType = ftBlob;
  bool FGraphicHeader = false;
  bool FTransliterate = false;
};

class TMTBooleanDataFieldEh : public TMTDataFieldEh {
public:
  BORROW_COMPONENT(TMTBooleanDataFieldEh, TMTDataFieldEh)
  explicit TMTBooleanDataFieldEh(TComponent* AOwner) : TMTDataFieldEh(AOwner) {}

  String GetDisplayValues() const { return FDisplayValues; }
  void SetDisplayValues(const String& Value) { FDisplayValues = Value; }

  TFieldType GetDataType() const override { return ftBoolean; }
  void SetDataType(TFieldType Value) override;
  void AssignProps(TField* Field) override;
  void Assign(TPersistent* Source) override;

protected:
  void GetPropInfos(std::vector<TPropInfo>& Props) override;

private:
  String FDisplayValues;
};

enum TMTInterfaceDataFieldTypesEh : Byte { fdtInterfaceEh, fdtIDispatchEh };

class TMTInterfaceDataFieldEh : public TMTDataFieldEh {
public:
  BORROW_COMPONENT(TMTInterfaceDataFieldEh, TMTDataFieldEh)
  explicit TMTInterfaceDataFieldEh(TComponent* AOwner) : TMTDataFieldEh(AOwner) {}

  TMTInterfaceDataFieldTypesEh GetInterfaceDataType() const { return FInterfaceDataType; }
  void SetInterfaceDataType(TMTInterfaceDataFieldTypesEh Value) { FInterfaceDataType = Value; }

  TFieldType GetDataType() const override;
  void SetDataType(TFieldType Value) override;
  void Assign(TPersistent* Source) override;

protected:
  void GetPropInfos(std::vector<TPropInfo>& Props) override;

private:
  TMTInterfaceDataFieldTypesEh FInterfaceDataType = fdtInterfaceEh;
};

enum TMTVariantDataFieldTypesEh : Byte { fdtVariant, fdtBytes, fdtVarBytes };

class TMTVariantDataFieldEh : public TMTDataFieldEh {
public:
  BORROW_COMPONENT(TMTVariantDataFieldEh, TMTDataFieldEh)
  explicit TMTVariantDataFieldEh(TComponent* AOwner) : TMTDataFieldEh(AOwner) {}

  TMTVariantDataFieldTypesEh GetVariantDataType() const { return FVariantDataType; }
  void SetVariantDataType(TMTVariantDataFieldTypesEh Value) { FVariantDataType = Value; }

  TFieldType GetDataType() const override;
  void SetDataType(TFieldType Value) override;
  bool HasSize() const override { return FVariantDataType != fdtVariant; }
  void Assign(TPersistent* Source) override;

protected:
  void GetPropInfos(std::vector<TPropInfo>& Props) override;

private:
  TMTVariantDataFieldTypesEh FVariantDataType = fdtVariant;
};

// A column holding object references; its values are stored as given.
class TMTRefObjectFieldEh : public TMTDataFieldEh {
public:
  BORROW_COMPONENT(TMTRefObjectFieldEh, TMTDataFieldEh)
  explicit TMTRefObjectFieldEh(TComponent* AOwner) : TMTDataFieldEh(AOwner) {}

  TFieldType GetDataType() const override { return ftUnknown; }
  void SetDataType(TFieldType Value) override;
  bool HasSize() const override { return true; }
  bool IsRefObjectColumn() const override { return true; }

protected:
  void GetPropInfos(std::vector<TPropInfo>& Props) override;
};

enum TMTSQLTimeStampDataFieldTypesEh : Byte { fdtTimeStampEh, fdtOraTimeStampEh };

class TMTSQLTimeStampDataFieldEh : public TMTDataFieldEh {
public:
  BORROW_COMPONENT(TMTSQLTimeStampDataFieldEh, TMTDataFieldEh)
  explicit TMTSQLTimeStampDataFieldEh(TComponent* AOwner) : TMTDataFieldEh(AOwner) {}

  TMTSQLTimeStampDataFieldTypesEh GetSQLTimeStampDataFieldType() const { return FSQLTimeStampDataFieldType; }
  void SetSQLTimeStampDataFieldType(TMTSQLTimeStampDataFieldTypesEh Value) { FSQLTimeStampDataFieldType = Value; }
  String GetDisplayFormat() const { return FDisplayFormat; }
  void SetDisplayFormat(const String& Value) { FDisplayFormat = Value; }

  TFieldType GetDataType() const override;
  void SetDataType(TFieldType Value) override;
  void AssignProps(TField* Field) override;
  void Assign(TPersistent* Source) override;

protected:
  void GetPropInfos(std::vector<TPropInfo>& Props) override;

private:
  TMTSQLTimeStampDataFieldTypesEh FSQLTimeStampDataFieldType = fdtTimeStampEh;
  String FDisplayFormat;
};

// The data field class that holds a TFieldType, or null for a type that gets no column.
TComponentClass DataFieldClassForFieldTypeEh(TFieldType DataType);
// The Variant type in which values of a TFieldType are held (varError for none).
TVarType FieldTypeToVarTypeEh(TFieldType DataType);

// ---------------------------------------------------------------------------
// The structure: an ordered list of data fields.

class TMTDataStructEh : public TComponent {
public:
  BORROW_COMPONENT(TMTDataStructEh, TComponent)
  explicit TMTDataStructEh(TComponent* AOwner);
  ~TMTDataStructEh() override;

  Integer GetCount() const { return static_cast<Integer>(FList.size()); }
  TMTDataFieldEh* GetItem(Integer Index) const;
  TMTDataFieldEh* operator[](Integer Index) const { return GetItem(Index); }
  TMemTableDataEh* GetMemTableData() const { return FMemTableData; }
  void SetMemTableData(TMemTableDataEh* Value) { FMemTableData = Value; }

  TMTDataFieldEh* CreateField(TComponentClass FieldClass);
  template <class T>
  T* CreateField() {
    return static_cast<T*>(CreateField(T::StaticComponentClass()));
  }
  void InsertField(TMTDataFieldEh* Field);
  void RemoveField(TMTDataFieldEh* Field);

  // EDatabaseError for an empty name or one that a field already bears (any case).
  void CheckFieldName(const String& FieldName);
  TMTDataFieldEh* FindField(const String& FieldName) const;
  // EDatabaseError "Field '%s' not found".
  TMTDataFieldEh* FieldByName(const String& FieldName) const;
  Integer FieldIndex(const String& FieldName) const;
  // Appends FieldByName of each ";"-separated name to List (when given).
  void GetFieldList(std::vector<TMTDataFieldEh*>* List, const String& FieldNames) const;
  // The positions of the named fields; an unknown name leaves Indexes empty.
  void GetFieldIndexes(const String& FieldNames, std::vector<Integer>& Indexes) const;

  // Clears the whole store, then makes one data field per data or
  // internal-calculated field whose type has a data field class.
  void BuildFromFields(TFields* Fields);
  void FillFieldDefs(TFieldDefs* FieldDefs) const;
  void ForEachField(const std::function<void(TMTDataFieldEh*)>& Proc) const;
  void Clear();
  // "Can not assign struct for not empty list of records" while the store holds records.
  void Assign(TPersistent* Source) override;
  void GetChildren(const TGetChildProc& Proc, TComponent* Root) override;

  const std::vector<TMTDataFieldEh*>& GetFields() const { return FList; }

private:
  friend class TMTDataFieldEh;
  friend class TMemTableDataEh;
  void FieldsChanged();
  String UniqueFieldComponentName(const String& FieldName, TComponentClass FieldClass) const;

  std::vector<TMTDataFieldEh*> FList;
  TMemTableDataEh* FMemTableData = nullptr;
  Int64 FNextFieldId = 0;
  bool FClearing = false;
};

// ---------------------------------------------------------------------------
// Something a notificator can listen to: a data store, or a records view that
// passes its own changes on to dependent views.

class INotificatorSourceEh {
public:
  virtual ~INotificatorSourceEh() = default;
  virtual void AttachNotificator(TRecordsListNotificatorEh* Notificator) = 0;
  virtual void DetachNotificator(TRecordsListNotificatorEh* Notificator) = 0;
};

// ---------------------------------------------------------------------------
// The data store.

class TMemTableDataEh : public TComponent, public INotificatorSourceEh {
public:
  BORROW_COMPONENT(TMemTableDataEh, TComponent)
  explicit TMemTableDataEh(TComponent* AOwner);
  ~TMemTableDataEh() override;

  virtual TAutoIncrementEh* GetAutoIncrement() const { return FAutoIncrement.get(); }
  virtual TMTDataStructEh* GetDataStruct() const { return FDataStruct; }
  virtual TRecordsListEh* GetRecordsList() const { return FRecordsList; }
  virtual void RegisterNotificator(TRecordsListNotificatorEh* Notificator);
  void UnregisterNotificator(TRecordsListNotificatorEh* Notificator);
  // Hands a store holding a change set to every notificator's apply hook.
  virtual void ApplyUpdates(TMemTableDataEh* AMemTableData);
  virtual void StructChanged() {}
  virtual void Notify(TMemoryRecordEh* MemRec, Integer Index, TRecordsListNotificationEh Action);
  virtual void RecordMoved(TMemoryRecordEh* Item, Integer OldIndex, Integer NewIndex);
  virtual void SetAutoIncrement(TAutoIncrementEh* Value);
  // Fills the record's auto-increment columns with one generated value.
  virtual void SetAutoIncValues(TMemoryRecordEh* Rec);
  virtual void UpdateAutoIncFields();
  // Answers the restructure copy for the caller to change.
  virtual TMTDataStructEh* BeginRestruct();
  virtual Integer FetchRecords(Integer Count);
  virtual void CancelRestruct();
  virtual void CommitRestruct();
  virtual void Clear();

  // Whether any notificator listens to one-record change sets: without one,
  // building the change set would be wasted work.
  bool HasApplyUpdatesHandlers() const;
  bool GetRestructMode() const { return FRestructMode; }
  const std::vector<Integer>& GetAutoIncList() const { return FAutoIncList; }
  const std::vector<TRecordsListNotificatorEh*>& GetNotificators() const { return FNotificators; }

  void AttachNotificator(TRecordsListNotificatorEh* Notificator) override { RegisterNotificator(Notificator); }
  void DetachNotificator(TRecordsListNotificatorEh* Notificator) override { UnregisterNotificator(Notificator); }

  void ReadState(TReader* Reader) override;
  void GetChildren(const TGetChildProc& Proc, TComponent* Root) override;

protected:
  void DefineProperties(TFiler* Filer) override;

private:
  std::unique_ptr<TAutoIncrementEh> FAutoIncrement;
  TMTDataStructEh* FDataStruct = nullptr;  // owned (component owner)
  std::vector<Integer> FAutoIncList;
  TMTDataStructEh* FRestructCopy = nullptr;  // owned (component owner)
  std::vector<TRecordsListNotificatorEh*> FNotificators;
  TRecordsListEh* FRecordsList = nullptr;  // owned
  bool FRestructMode = false;
};

// A throw-away store over another one's structure: the one-record change sets
// handed to the apply hook live in it.
class TMemTableDataShadowEh : public TMemTableDataEh {
public:
  BORROW_COMPONENT(TMemTableDataShadowEh, TMemTableDataEh)
  explicit TMemTableDataShadowEh(TMemTableDataEh* AShadowedMemTableData);

  TMTDataStructEh* GetDataStruct() const override;
  void SetAutoIncValues(TMemoryRecordEh*) override {}
  TMemTableDataEh* GetShadowedMemTableData() const { return FShadowedMemTableData; }

private:
  TMemTableDataEh* FShadowedMemTableData;
};

// ---------------------------------------------------------------------------
// Records.

// The failure of applying one record's change; owns the exception.
class TUpdateErrorEh : public TObject {
public:
  BORROW_CLASS(TUpdateErrorEh, TObject)
  explicit TUpdateErrorEh(std::exception_ptr AException) : FException(std::move(AException)) {}
  const std::exception_ptr& GetException() const { return FException; }

private:
  std::exception_ptr FException;
};

// A record keeps its current values right behind itself, in the block it was
// made in, with room for the columns the table had then; a column added later
// moves them to a block of their own. Pre-edit values, old values and an
// update error are held only while the record has them.
class TMemoryRecordEh final : public TPersistent {
public:
  BORROW_CLASS(TMemoryRecordEh, TPersistent)
  ~TMemoryRecordEh() override;
  TMemoryRecordEh(const TMemoryRecordEh&) = delete;
  TMemoryRecordEh& operator=(const TMemoryRecordEh&) = delete;
  // Records are made by their records list only (NewRecord), and freed whole.
  static void operator delete(void* Block) { ::operator delete(Block); }

  // Browse -> editing, keeping the pre-edit values; nothing in other states.
  void Edit();
  // Stores an edit or appends a new record. EDatabaseError unless editing or new.
  void Post();
  // Drops an edit; a new record is freed (the pointer is dead afterwards).
  void Cancel();
  // Makes the record's cached change final.
  void MergeChangeLog();

  // EListError "List index out of bounds (%d)" for a bad column.
  Variant GetValue(Integer Index, TRecValueVersionEh ValueVersion) const;
  void SetValue(Integer Index, TRecValueVersionEh ValueVersion, Variant Value);
  Variant GetDataValues(const String& FieldNames, TRecValueVersionEh ValueVersion) const;
  void SetDataValues(const String& FieldNames, TRecValueVersionEh ValueVersion, const Variant& Value);
  Variant GetValuesByIndexes(const std::vector<Integer>& Indexes, TRecValueVersionEh ValueVersion) const;

  void ReadData(TReader* Reader);
  void WriteData(TWriter* Writer) const;

  // The current values read in place, for readers that need no Variant.
  TRecDataValues GetData() const { return FExtra && FExtra->Widened ? Wide() : TRecDataValues(InlineCells(), FInline); }
  // The stored value of a column, null for a column the record never held (it reads Null).
  const TRecValueEh* StoredValue(Integer Column) const { return GetData().Find(Column); }
  bool HasOldValues() const { return FExtra && FExtra->Old; }
  bool HasEditValues() const { return FExtra && FExtra->Edit; }
  TMemoryRecordEditStateEh GetEditState() const { return FEditState; }
  Integer GetID() const { return FID; }
  Integer GetIndex() const { return FIndex; }
  Integer GetPendingIndex() const { return FPendingIndex; }
  TRecUpdateStatusEh GetUpdateStatus() const { return FUpdateStatus; }
  TRecordsListEh* GetRecordsList() const { return FRecordsList; }
  TUpdateErrorEh* GetUpdateError() const { return FExtra ? FExtra->UpdateError.get() : nullptr; }
  void SetUpdateError(std::unique_ptr<TUpdateErrorEh> Value);

private:
  friend class TRecordsListEh;
  friend class TMemTableDataEh;
  using TValueArray = std::vector<TRecValueEh>;
  // What a record holds only at times.
  struct TExtra {
    std::unique_ptr<TValueArray> Old;   // before the first cached change since the last merge
    std::unique_ptr<TValueArray> Edit;  // while editing
    std::unique_ptr<TUpdateErrorEh> UpdateError;
    TValueArray Wide;  // the current values, once they outgrew the record's own room
    bool Widened = false;
  };
  // Where a version's values are.
  enum TSlot : Byte { slCurrent, slEdit, slOld, slNone };
  // Room for Count values behind the record.
  struct TCellRoom {
    size_t Count;
  };
  static void* operator new(size_t Size, TCellRoom Room);
  static void operator delete(void* Block, TCellRoom) { ::operator delete(Block); }
  TMemoryRecordEh(TRecordsListEh* ARecordsList, size_t Room);

  TRecValueEh* InlineCells() const {
    return std::launder(reinterpret_cast<TRecValueEh*>(reinterpret_cast<char*>(const_cast<TMemoryRecordEh*>(this)) +
                                                       sizeof(TMemoryRecordEh)));
  }
  TRecDataValues Wide() const { return TRecDataValues(FExtra->Wide.data(), FExtra->Wide.size()); }
  TExtra& Extra();
  // Drops the extra part when it holds nothing.
  void TrimExtra();
  void CheckColumn(Integer Index) const;
  // The slot a version reads or writes (raising where the version is not accessible).
  TSlot SlotOf(TRecValueVersionEh ValueVersion) const;
  TRecDataValues ValuesIn(TSlot Slot) const;
  void StoreValue(TSlot Slot, Integer Index, TRecValueEh Value);
  TRecValueEh* CurrentCells();
  // Makes the current values these, one per column given.
  void AssignCurrent(TRecDataValues Values);
  void AssignCurrent(TValueArray&& Values);
  std::unique_ptr<TValueArray> CopyOfCurrent() const;

  TRecordsListEh* FRecordsList;
  std::unique_ptr<TExtra> FExtra;
  Integer FID = 0;
  Integer FIndex = -1;
  Integer FPendingIndex = -1;
  uint16_t FInline = 0;  // values behind the record
  TMemoryRecordEditStateEh FEditState = resNewEh;
  TRecUpdateStatusEh FUpdateStatus = rusUnmodifiedEh;
};

// Compares two records for SortData: negative, 0 or positive.
using TCompareRecordsEh = std::function<Integer(TMemoryRecordEh* Rec1, TMemoryRecordEh* Rec2, TObject* ParamSort)>;

class TRecordsListEh : public TComponent {
public:
  BORROW_COMPONENT(TRecordsListEh, TComponent)
  explicit TRecordsListEh(TMemTableDataEh* AMemTableData);
  ~TRecordsListEh() override;

  virtual void Notify(TMemoryRecordEh* MemRec, Integer Index, TRecordsListNotificationEh Action);
  virtual void RecordMoved(TMemoryRecordEh* Item, Integer OldIndex, Integer NewIndex);
  virtual void BeginUpdate();
  virtual void EndUpdate();

  // A record in state new with one Null per column; not yet in the list.
  TMemoryRecordEh* NewRecord();
  // IsLoading skips the auto-increment values and the immediate apply.
  Integer InsertRecord(TMemoryRecordEh* Rec, Integer Index, bool IsLoading, bool Append);
  Integer AddRecord(TMemoryRecordEh* Rec);
  void InsertRecordAt(Integer Index, TMemoryRecordEh* Rec);
  // Appends the record as it is, unmodified, whatever the cached-updates mode.
  Integer LoadRecord(TMemoryRecordEh* Rec);
  void DeleteRecord(Integer Index);
  // Each of Records (records of this list) as DeleteRecord takes it, the list
  // closed up once: its indexes and views hear one change of the whole list
  // instead of one per record. A record marked deleted already raises before
  // anything changes.
  void DeleteRecords(const std::vector<TMemoryRecordEh*>& Records);
  void RemoveRecord(Integer Index);
  void MoveRecord(Integer CurIndex, Integer NewIndex);
  TMemoryRecordEh* ExtractRecord(Integer Index);

  TMemoryRecordEh* GetRecord(Integer Index) const;
  TMemoryRecordEh* Records(Integer Index) const { return GetRecord(Index); }
  Integer GetCount() const { return static_cast<Integer>(FList.size()); }
  Integer FieldCount() const;
  TMTDataStructEh* DataStruct() const;
  TMemTableDataEh* GetMemTableData() const { return FMemTableData; }
  TMTIndexesEh* GetIndexes() const { return FIndexes.get(); }
  bool HasCachedChanges() const;
  bool GetCachedUpdates() const { return FCachedUpdates; }
  void SetCachedUpdates(bool Value) { FCachedUpdates = Value; }
  Integer GetUpdateCount() const { return FUpdateCount; }

  // Reverts every cached change still in the log.
  void CancelUpdates();
  void MergeChangeLog();
  void CleanupChangeLog();
  void FreeDeletedRecords();
  void Clear();
  void SortData(const TCompareRecordsEh& CompareProg, TObject* ParamSort);
  // The same sort by an order list of store positions, on keys taken once.
  void SortByOrder(TOrderByList* OrderBy);
  // Hands a one-record change set (usModified, usInserted, usDeleted) to the store's apply hook.
  void ApplyRecordUpdate(TMemoryRecordEh* Rec, TUpdateStatus UpdateKind);

  const std::vector<TMemoryRecordEh*>& GetActiveList() const { return FList; }
  const std::vector<TMemoryRecordEh*>& GetPendingList() const { return FPendingList; }
  const std::vector<TMemoryRecordEh*>& GetDeletedList() const { return FDeletedList; }

  // Streaming "Data".
  void ReadData(TReader* Reader);
  void WriteData(TWriter* Writer);

protected:
  void DefineProperties(TFiler* Filer) override;

private:
  friend class TMemoryRecordEh;
  friend class TMemTableDataEh;
  void Renumber(Integer First, Integer Last);
  void AddToPending(TMemoryRecordEh* Rec);
  void DropFromPending(TMemoryRecordEh* Rec);
  bool InActiveList(const TMemoryRecordEh* Rec) const;
  // Raises when a record about to be freed is still in one of the lists.
  void CheckFreeRecord(const TMemoryRecordEh* Rec) const;
  void FreeRecord(TMemoryRecordEh* Rec);

  bool FCachedUpdates = false;
  std::vector<TMemoryRecordEh*> FDeletedList;
  std::vector<TMemoryRecordEh*> FPendingList;
  std::unique_ptr<TMTIndexesEh> FIndexes;
  TMemTableDataEh* FMemTableData;
  Integer FNextID = 1;
  std::vector<TMemoryRecordEh*> FList;
  Integer FUpdateCount = 0;
};

// ---------------------------------------------------------------------------
// The filter and aggregate evaluator. The dataset's filter or aggregate text is
// compiled by TExprParser; the compiled bytes are checked and decoded into a
// node table once, then evaluated against one record (filters) or over the
// rows of a records view (aggregates). Each evaluation keeps its own argument
// stack and current row, so an evaluation may start another one (an
// OnFilterRecord handler that filters through a second evaluator, say).

enum TDataSetExprParserTypeEh : Byte { dsptFilterEh = 0, dsptAggregateEh = 1 };

// The rows an aggregate runs over: a records view's list, or its visible tree nodes.
class IAggregateRowsEh {
public:
  virtual ~IAggregateRowsEh() = default;
  virtual Integer GetAggregateRowCount() const = 0;
  virtual TMemoryRecordEh* GetAggregateRow(Integer Row) const = 0;
};

struct TExprNodeEh;

class TDataSetExprParserEh : public TObject {
public:
  BORROW_CLASS(TDataSetExprParserEh, TObject)
  TDataSetExprParserEh(TDataSet* ADataSet, TDataSetExprParserTypeEh AExprParserType);
  ~TDataSetExprParserEh() override;
  TDataSetExprParserEh(const TDataSetExprParserEh&) = delete;
  TDataSetExprParserEh& operator=(const TDataSetExprParserEh&) = delete;

  // Compiles the text for the dataset with its filter options. A syntax error is
  // the compiler's; the expression held before stays.
  void ParseExpression(const String& Expr);
  // Takes an expression already compiled (the bytes GetFilterData gives). A
  // damaged form raises and keeps the expression held before.
  void SetFilterData(std::vector<Byte> Data);
  bool HasExpression() const { return FDataSize > 0; }
  // False without an expression; a Null result is not an acceptance.
  bool IsRecordAccepted(TMemoryRecordEh* Rec);
  // The root evaluated over the rows; False without an expression.
  bool CalcAggregate(IAggregateRowsEh* Rows, Variant& Result);
  // The root evaluated for one record (or, with none, the dataset's current fields).
  Variant Evaluate(TMemoryRecordEh* Rec);

  TDataSet* GetDataSet() const { return FDataSet; }
  const std::vector<Byte>& GetFilterData() const { return FFilterData; }
  Integer GetDataSize() const { return FDataSize; }
  TDataSetExprParserTypeEh GetExprParserType() const { return FExprParserType; }

private:
  struct TEvalContext;
  Variant Eval(Integer Node, TEvalContext& Ctx);
  Variant EvalUnary(const TExprNodeEh& N, TEvalContext& Ctx);
  Variant EvalBinary(const TExprNodeEh& N, TEvalContext& Ctx);
  Variant EvalCompare(const TExprNodeEh& N, TEvalContext& Ctx);
  Variant EvalField(const TExprNodeEh& N, TEvalContext& Ctx);
  const Variant& Operand(Integer Node, TEvalContext& Ctx, Variant& Scratch);
  Variant EvalFunction(const TExprNodeEh& N, TEvalContext& Ctx);
  Variant EvalAggregate(const TExprNodeEh& N, Integer Arg, TEvalContext& Ctx);
  bool FilterCaseInsensitive() const;

  TDataSet* FDataSet;
  std::vector<Byte> FFilterData;
  Integer FDataSize = 0;
  TDataSetExprParserTypeEh FExprParserType;
  std::vector<TExprNodeEh> FNodes;  // FNodes[0] is the root
};

// LIKE with "%" (any run) and "_" (any one character).
bool MatchLike(const String& Value, const String& Pattern, bool IgnoreCase);
// The 1-based position of Segment in Text, "_" in Segment matching any character; 0 when absent.
Integer PosWithWildcard(StringView Text, StringView Segment);

// ---------------------------------------------------------------------------
// Indexes: sorted (key, record) entries over a records list, kept current from
// the records list's notifications, searched by binary search. Entries with
// equal keys stand in the order their records were made, so the entry of one
// record is found in O(log n) too.

class TMTIndexesEh;
// The room a load of a whole-number index sorts its keys in (see
// MemTableDataEh_Indexes.cpp).
struct TMTIndexKeyRoomEh;

class TMTIndexEh : public TCollectionItem {
public:
  BORROW_COLLECTION_ITEM(TMTIndexEh, TCollectionItem)
  explicit TMTIndexEh(TCollection* Collection);
  TMTIndexEh(TCollection* Collection, TRecordsListEh* ARecordsList);
  ~TMTIndexEh() override;

  virtual void RecordMoved(TMemoryRecordEh* Item, Integer OldIndex, Integer NewIndex);
  virtual void InsertItem(Integer Pos, std::unique_ptr<TIndexItemEh> Item);

  bool GetActive() const { return FActive; }
  void SetActive(bool Value);
  const String& GetFields() const { return FFields; }
  void SetFields(const String& Value);
  bool GetUnique() const { return FUnique; }
  void SetUnique(bool Value);
  bool GetPrimary() const { return FPrimary; }
  void SetPrimary(bool Value);
  TRecordsListEh* GetRecordsList() const;

  void Clear();
  void Rebuild();
  // Pos: the first equal entry when found, else the insertion position.
  bool FindKeyValueIndex(const Variant& KeyValue, Integer& Pos) const;
  bool FindKeyValue(const Variant& KeyValue, Integer& RecIndex) const;
  // The record of the first entry with the key, read from the entry itself.
  bool FindKeyRecord(const Variant& KeyValue, TMemoryRecordEh*& Rec) const;
  void GetRecordsByKey(const Variant& KeyValue, std::vector<TMemoryRecordEh*>& List) const;
  // The record of each entry with the key, the entry's position and the
  // record's ID (read from the entry, not the record), in the
  // index's order, while Visit answers true; raises as FindKeyRecord does for
  // a key that cannot be compared.
  // Narrow, when given, learns on the way down where the first entry with the
  // key may lie, once that is within two leaves: positions from its first
  // argument, as many as its second.
  void VisitKeyRecords(const Variant& KeyValue,
                       const std::function<bool(TMemoryRecordEh*, Integer Pos, Integer RecId)>& Visit,
                       const std::function<void(Integer, Integer)>& Narrow = {}) const;
  Integer GetCount() const { return FItems.Count(); }
  Integer Count() const { return GetCount(); }
  const TIndexItemEh& GetItem(Integer Pos) const { return FItems.At(Pos); }
  Variant GetKey(Integer Pos) const { return GetItem(Pos).Key(); }
  void SetKey(Integer Pos, const Variant& Value);
  void Notify(TMemoryRecordEh* MemRec, Integer Index, TRecordsListNotificationEh Action);
  // How the last load read the records' keys, which the entries do not show:
  // in how many parts at once they were read as whole numbers (2 for a large
  // list's two halves, 1 for a list read whole), or 0 when they were read as
  // values of any kind, the slower way.
  Integer GetLoadKeyParts() const { return FLoadKeyParts; }

private:
  bool IsUnique() const { return FUnique || FPrimary; }
  // Applies a settings change and rebuilds; a failure restores the settings and entries.
  void ChangeSettings(const std::function<void()>& Change);
  // Fills the entries from the records, in key order, equal keys in the order
  // their records were made; with CheckUnique a repeated key raises first, and
  // the entries then stay as they were.
  void LoadEntries(bool CheckUnique);
  Variant RecordKey(TMemoryRecordEh* Rec, TRecValueVersionEh Version) const;
  // Where the entry (Key, Rec) stands or would stand: after every smaller key and
  // after the equal keys of records made earlier. At gets the entry there.
  Integer EntryPosition(const Variant& Key, const TMemoryRecordEh* Rec, const TIndexItemEh** At = nullptr) const;
  // FindKeyValueIndex, giving the entry at Pos too; without Pos, the entry alone
  // (its position is not worked out).
  bool FindKey(const Variant& KeyValue, Integer* Pos, const TIndexItemEh** At) const;
  // The entry of the record among the entries equal to Key; -1 when it has none.
  Integer FindRecordEntry(const Variant& Key, const TMemoryRecordEh* Rec) const;
  [[noreturn]] void KeyViolation(const Variant& Key) const;
  // The collection of indexes it stands in, which keeps node memory and key
  // room between loads; null outside one.
  TMTIndexesEh* OwnerIndexes() const;

  bool FActive = false;
  String FFields;
  Variant FOldKey;
  bool FUnique = false;
  TIndexEntriesEh FItems;
  TRecordsListEh* FRecordsList = nullptr;
  bool FPrimary = false;
  Integer FLoadKeyParts = 0;
};

// The indexes of a records list. They follow every change before the views do.
class TMTIndexesEh : public TCollection {
public:
  BORROW_CLASS(TMTIndexesEh, TCollection)
  explicit TMTIndexesEh(TRecordsListEh* ARecordsList);
  ~TMTIndexesEh() override;

  virtual void RecordMoved(TMemoryRecordEh* Item, Integer OldIndex, Integer NewIndex);
  // To every index in order; an index that refuses a change (a duplicate key) raises.
  void Notify(TMemoryRecordEh* MemRec, Integer Index, TRecordsListNotificationEh Action);
  using TCollection::Notify;  // the collection's own notice stays callable beside it
  // Empties every index (the records are going away).
  virtual void ClearIndexesData();
  TMTIndexEh* Add() { return static_cast<TMTIndexEh*>(TCollection::Add()); }
  TMTIndexEh* GetItem(Integer Index) const { return static_cast<TMTIndexEh*>(TCollection::GetItem(Index)); }
  TMTIndexEh* operator[](Integer Index) const { return GetItem(Index); }
  // The first index whose Fields equal the names without regard to case; null when none.
  TMTIndexEh* FindIndexByFields(const String& FieldNames) const;
  TRecordsListEh* GetRecordsList() const { return FRecordsList; }
  TPersistent* GetOwner() const override;
  // Node memory its indexes let go, for their next loads.
  TIndexNodeBlocksEh& SpareBlocks() { return FSpareBlocks; }
  // The room its indexes' loads sort keys in, kept from one load to the next.
  TMTIndexKeyRoomEh& KeyRoom();

private:
  TRecordsListEh* FRecordsList;
  TIndexNodeBlocksEh FSpareBlocks;
  std::unique_ptr<TMTIndexKeyRoomEh> FKeyRoom;
};

// ---------------------------------------------------------------------------
// Aggregates of a records view: one per aggregate field of the dataset.

class TMTAggregatesEh;

class TMTAggregateEh : public TCollectionItem {
public:
  BORROW_COLLECTION_ITEM(TMTAggregateEh, TCollectionItem)
  explicit TMTAggregateEh(TCollection* Collection);
  ~TMTAggregateEh() override;

  void Assign(TPersistent* Source) override;
  String GetDisplayName() const override;
  bool GetActive() const { return FActive; }
  void SetActive(bool Value);
  const String& GetExpression() const { return FExpression; }
  void SetExpression(const String& Value);
  TFieldType GetDataType() const { return FDataType; }
  bool GetPrepared() const { return FPrepared; }
  const Variant& GetValue() const { return FValue; }
  TMTAggregatesEh* GetAggregates() const;
  TDataSet* GetDataSet() const;

  void Prepare();
  void Recalc();

private:
  friend class TMTAggregatesEh;
  void Changed();

  bool FActive = false;
  std::unique_ptr<TDataSetExprParserEh> FExprParser;
  TFieldType FDataType = ftUnknown;
  String FExpression;
  bool FPrepared = false;
  Variant FValue = Null();
};

class TMTAggregatesEh : public TCollection {
public:
  BORROW_CLASS(TMTAggregatesEh, TCollection)
  // RecordsView: the view whose rows are aggregated; its owner is the dataset.
  explicit TMTAggregatesEh(TComponent* ARecordsView);
  ~TMTAggregatesEh() override;

  TMTAggregateEh* Add() { return static_cast<TMTAggregateEh*>(TCollection::Add()); }
  TMTAggregateEh* GetItem(Integer Index) const { return static_cast<TMTAggregateEh*>(TCollection::GetItem(Index)); }
  TMTAggregateEh* operator[](Integer Index) const { return GetItem(Index); }
  bool GetActive() const { return FActive; }
  void SetActive(bool Value);
  void Rebuild();
  void Reset();
  TComponent* GetRecordsView() const { return FRecordsView; }
  IAggregateRowsEh* GetRows() const;
  TDataSet* GetDataSet() const;
  TPersistent* GetOwner() const override { return FRecordsView; }

private:
  bool FActive = false;
  TComponent* FRecordsView;
};

// ---------------------------------------------------------------------------
// A party that follows a store's records list: the records view derives from it.

class TRecordsListNotificatorEh : public TComponent {
public:
  BORROW_COMPONENT(TRecordsListNotificatorEh, TComponent)
  explicit TRecordsListNotificatorEh(TComponent* AOwner);
  ~TRecordsListNotificatorEh() override;

  virtual Integer FetchRecords(Integer Count);
  virtual void DataEvent(TMemoryRecordEh* MemRec, Integer Index, Byte Event);
  virtual void Notification(TMemoryRecordEh* MemRec, Integer Index, TRecordsListNotificationEh Action);
  virtual void RecordAdded(TMemoryRecordEh*, Integer) {}
  virtual void RecordChanged(TMemoryRecordEh*, Integer) {}
  virtual void RecordDeleted(TMemoryRecordEh*, Integer) {}
  virtual void DataChanged(TMemoryRecordEh*, Integer) {}
  virtual void RecordMoved(TMemoryRecordEh* Item, Integer OldIndex, Integer NewIndex);
  void ApplyUpdates(TMemTableDataEh* AMemTableData);

  // Leaves the present source and joins a data store, a records view, or none.
  void SetMemTableData(TComponent* Value);
  TComponent* GetMemTableDataSource() const { return FMemTableData; }
  // The data store listened to (null when none, or when the source is not a store).
  TMemTableDataEh* GetMemTableData() const;

  std::function<void(TObject* Sender, TMemoryRecordEh* MemRec, Integer Index, Byte Event)> OnDataEvent;
  std::function<void(TObject* Sender, TMemTableDataEh* AMemTableData)> OnApplyUpdates;
  std::function<void(TObject* Sender, TMemoryRecordEh* MemRec, Integer Index, TRecordsListNotificationEh Action)>
      OnNotification;
  std::function<Integer(TObject* Sender, Integer Count)> OnFetchRecords;
  std::function<void(TObject* Sender, TMemoryRecordEh* Item, Integer OldIndex, Integer NewIndex)> OnRecordMoved;

protected:
  using TComponent::Notification;
  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  TComponent* FMemTableData = nullptr;
};

// ---------------------------------------------------------------------------
// Order-by lists: "A, B DESC" parsed into (field position, descending) items.

class TOrderByItemEh : public TObject {
public:
  BORROW_CLASS(TOrderByItemEh, TObject)
  TOrderByItemEh() = default;
  TOrderByItemEh(Integer AFieldIndex, bool ADesc) : FieldIndex(AFieldIndex), Desc(ADesc) {}
  Integer FieldIndex = -1;  // position in the data store's structure
  bool Desc = false;
};

class TOrderByList : public TObject {
public:
  BORROW_CLASS(TOrderByList, TObject)
  TOrderByList() = default;
  ~TOrderByList() override;
  TOrderByList(const TOrderByList&) = delete;
  TOrderByList& operator=(const TOrderByList&) = delete;

  // The position of a field name, -1 when unknown.
  virtual Integer FieldIndexByName(const String&) const { return -1; }
  // Field names separated by "," or ";", each optionally followed by ASC or DESC;
  // [bracketed names] may hold blanks. Raises " Field - "X" not found." or
  // " Invalid token - "X"", leaving the list as it was.
  void ParseOrderBy(const String& OrderByStr);
  Integer GetCount() const { return static_cast<Integer>(FItems.size()); }
  Integer Count() const { return GetCount(); }
  TOrderByItemEh* GetItem(Integer Index) const { return FItems[static_cast<size_t>(Index)].get(); }
  TOrderByItemEh* operator[](Integer Index) const { return GetItem(Index); }
  void Clear() { FItems.clear(); }
  void AddItem(Integer FieldIndex, bool Desc) { FItems.push_back(std::make_unique<TOrderByItemEh>(FieldIndex, Desc)); }

private:
  std::vector<std::unique_ptr<TOrderByItemEh>> FItems;
};

class TRecordsViewEh;
class TMemoryTreeListEh;

// Answers with the view's store structure (names without regard to case).
class TRecordsViewOrderByList : public TOrderByList {
public:
  BORROW_CLASS(TRecordsViewOrderByList, TOrderByList)
  explicit TRecordsViewOrderByList(TRecordsViewEh* ARecordsView) : FRecordsView(ARecordsView) {}
  Integer FieldIndexByName(const String& FieldName) const override;

private:
  TRecordsViewEh* FRecordsView;
};

class TMemoryTreeListOrderByList : public TOrderByList {
public:
  BORROW_CLASS(TMemoryTreeListOrderByList, TOrderByList)
  explicit TMemoryTreeListOrderByList(TMemoryTreeListEh* ATreeList) : FTreeList(ATreeList) {}
  Integer FieldIndexByName(const String& FieldName) const override;

private:
  TMemoryTreeListEh* FTreeList;
};

// ---------------------------------------------------------------------------
// The records view's parent/child tree: one node per record, the record in the
// node's Data. A record is the child of the record whose key (KeyFieldName)
// equals its parent key (RefParentFieldName); a Null parent key, or one that
// no record bears, puts it at the top level.

class TMemRecViewEh : public TBaseTreeNodeEh {
public:
  BORROW_CLASS(TMemRecViewEh, TBaseTreeNodeEh)
  TMemRecViewEh() = default;
  // Makes the tree dirty and leaves the path cache and the record map.
  ~TMemRecViewEh() override;
  void VisibleChanged() override;

  TMemoryRecordEh* GetRec() const { return static_cast<TMemoryRecordEh*>(GetData()); }
  TMemoryTreeListEh* GetNodeOwner() const;
  TMemRecViewEh* GetNodeParent() const { return static_cast<TMemRecViewEh*>(GetParent()); }
  TMemRecViewEh* GetNodeItem(Integer Index) const { return static_cast<TMemRecViewEh*>(GetItem(Index)); }
  TMemRecViewEh* GetVisibleNodeItem(Integer Index) const { return static_cast<TMemRecViewEh*>(VisibleItems(Index)); }

private:
  friend class TMemoryTreeListEh;
  // The rows before child Index, and the child whose rows hold Row (Row becomes
  // the row within them); both read the children's counts kept below.
  Integer RowsBeforeChild(Integer Index) const;
  Integer ChildAtRow(Integer& Row) const;
  // Adds Delta to the count of child Index.
  void AddChildRows(Integer Index, Integer Delta);
  // The count of a child just added last.
  void AppendChildRows(Integer Rows);
  Integer ChildRowsTotal() const { return RowsBeforeChild(Count()); }
  bool ChildRowsCurrent() const { return ChildRowsSize() == Count(); }
  Integer ChildRowsSize() const { return FChildRows ? FChildRows[0] : 0; }
  // Room for Count children's counts (none for 0); the counts are not set.
  void SizeChildRows(Integer Count);
  // The same in Count + 2 numbers of a block the tree keeps while the node
  // lives (see TTreeListEh::NewNumberBlock), on a node without counts.
  void LendChildRows(Integer* Block, Integer Count);
  // Once every child's count is set: makes them the Fenwick tree, and gives their sum.
  Integer FinishChildRows();
  // FShownRows from the rows the children show.
  void SetShownRows(Integer ChildRows);
  Integer FSortRow = -1;  // the row of the record's sort key while a sort runs
  // How many rows the node's subtree shows while the node itself can show: none
  // when hidden, else one for the node and, when expanded, its children's.
  Integer FShownRows = 0;
  // The children's FShownRows as a Fenwick tree (a node with children only), so
  // that the row of a node and the node at a row cost O(depth log n) and
  // opening or closing a node updates O(depth) counts instead of every row.
  // One block: its size, its room, then the tree. The room is negative in a
  // block lent by the tree, which the node does not free.
  struct TChildRowsFree {
    void operator()(Integer* Block) const {
      if (Block[1] >= 0) delete[] Block;
    }
  };
  std::unique_ptr<Integer[], TChildRowsFree> FChildRows;
};

// Records to their nodes. While the records' IDs lie close together (as the
// IDs of one records list do) a table indexed by ID, a pointer per ID: a
// quarter of a hash's room, and a record's slot is found without hashing.
// IDs spread too thinly, or two records with one ID, turn it into open
// addressing over the record addresses, where a removal shifts the entries
// after it back, so no lookup meets a tombstone.
class TRecordNodeMapEh {
public:
  TMemRecViewEh* Find(TMemoryRecordEh* Rec) const;
  // The same for a caller that knows the record's ID: the record is not read.
  TMemRecViewEh* FindWithId(Integer Id, TMemoryRecordEh* Rec) const;
  // Asks for Rec's slot ahead of a Set or Find a few records later.
  void Prefetch(const TMemoryRecordEh* Rec) const;
  void Set(TMemoryRecordEh* Rec, TMemRecViewEh* Node);
  // Only while Rec still maps to Node.
  void Erase(TMemoryRecordEh* Rec, TMemRecViewEh* Node);
  void Clear();
  // Room for Count entries without growing.
  void Reserve(size_t Count);
  // Room for Count records whose IDs lie in Lowest .. Highest, on an empty map.
  void ReserveIds(Integer Lowest, Integer Highest, size_t Count);
  // Set for a caller that has read the record's ID already.
  void SetWithId(Integer Id, TMemoryRecordEh* Rec, TMemRecViewEh* Node);
  // SetWithId for every record of Recs, its ID in Ids and its node NodeOf(i):
  // straight into the room ReserveIds made while each ID has a slot of its own.
  template <class TIds, class TNodeOf>
  void SetAllWithIds(const TIds& Ids, const std::vector<TMemoryRecordEh*>& Recs, TNodeOf&& NodeOf) {
    size_t i = 0;
    if (FById && FCount == 0)
      for (; i < Recs.size(); ++i) {
        const Int64 at = static_cast<Int64>(Ids[i]) - FBase;
        if (at < 0 || static_cast<size_t>(at) >= FSlots.size() || FSlots[static_cast<size_t>(at)]) break;
        FSlots[static_cast<size_t>(at)] = NodeOf(i);
        ++FCount;
      }
    for (; i < Recs.size(); ++i) SetWithId(Ids[i], Recs[i], NodeOf(i));
  }
  void PrefetchId(Integer Id) const {
    if (FById && Id - FBase >= 0 && static_cast<size_t>(Id - FBase) < FSlots.size())
      __builtin_prefetch(&FSlots[static_cast<size_t>(Id - FBase)]);
  }
  size_t Size() const { return FCount; }

private:
  struct TEntry {
    TMemoryRecordEh* Rec;  // null: a free slot
    TMemRecViewEh* Node;
  };
  // Whether IDs Lowest .. Highest are few enough for Count entries to index by ID.
  static bool Dense(Int64 Lowest, Int64 Highest, size_t Count) {
    return Highest - Lowest < 4 * static_cast<Int64>(Count) + 1024;
  }
  // The ID slot for Id, made room for; null when the IDs would spread too thinly.
  TMemRecViewEh** IdSlot(Integer Id);
  void ToAddresses();
  size_t Slot(const TMemoryRecordEh* Rec) const;
  void Rehash(size_t Capacity);
  void SetByAddress(TMemoryRecordEh* Rec, TMemRecViewEh* Node);

  bool FById = true;
  Integer FBase = 0;  // the ID of FSlots[0]
  std::vector<TMemRecViewEh*> FSlots;
  std::vector<TEntry> FTable;
  size_t FMask = 0;
  size_t FCount = 0;
};

class TMemoryTreeListEh : public TTreeListEh {
public:
  BORROW_CLASS(TMemoryTreeListEh, TTreeListEh)
  explicit TMemoryTreeListEh(TRecordsViewEh* ARecordsView);
  ~TMemoryTreeListEh() override;

  Integer CompareNodes(TBaseTreeNodeEh* Node1, TBaseTreeNodeEh* Node2, TObject* ParamSort) override;
  void MoveTo(TBaseTreeNodeEh* Node, TBaseTreeNodeEh* Destination, bool ReIndex, TNodeAttachModeEh Mode) override;
  void SortData(const TCompareNodesEh& CompareProg, TObject* ParamSort, bool ARecurse) override;
  void ExpandedChanged(TBaseTreeNodeEh* Node) override;
  virtual TMemRecViewEh* GetDisplayedNode(Integer Index);
  virtual void ShowChildrenOfVisibleNodes(TBaseTreeNodeEh* Node);
  virtual void ApplySortOrder();

  bool GetDefaultNodeExpanded() const { return FDefaultNodeExpanded; }
  void SetDefaultNodeExpanded(bool Value) { FDefaultNodeExpanded = Value; }
  bool GetDefaultNodeHasChildren() const { return FDefaultNodeHasChildren; }
  void SetDefaultNodeHasChildren(bool Value) { FDefaultNodeHasChildren = Value; }
  bool GetFullBuildCheck() const { return FFullBuildCheck; }
  void SetFullBuildCheck(bool Value) { FFullBuildCheck = Value; }
  bool GetFilterNodeIfParentVisible() const { return FFilterNodeIfParentVisible; }
  void SetFilterNodeIfParentVisible(bool Value) { FFilterNodeIfParentVisible = Value; }
  const String& GetSortOrder() const { return FSortOrder; }
  void SetSortOrder(const String& Value);
  TRecordsViewEh* GetRecordsView() const { return FRecordsView; }
  // Changed since the flat lists were last read.
  bool GetDirty() const { return FDirty; }
  void MakeDirty() { FDirty = true; }
  // A whole tree is being built (its rows are counted once it is done).
  bool IsBuilding() const { return FBuilding; }

  // The rows shown: visible nodes whose ancestors are all visible and expanded.
  Integer DisplayedCount();
  // The row of a node, -1 when it shows none.
  Integer RowOfNode(TMemRecViewEh* Node);
  Integer AllVisibleCount();
  TMemRecViewEh* GetAllVisibleNode(Integer Index);
  // Counts every node's rows again and refills the visible list.
  void RebuildFlatLists();

  TMemRecViewEh* AddRecordNode(TMemoryRecordEh* Rec);
  void MoveNodeForRecord(TMemRecViewEh* Node, TMemoryRecordEh* Rec, bool ReIndex);
  void UpdateNodeVisibility(TMemRecViewEh* Node, bool Propagate);
  void RefreshVisibility(TBaseTreeNodeEh* Node);
  // Whether giving Rec its present parent key would make it its own ancestor.
  bool CheckReferenceLoop(TMemoryRecordEh* Rec);
  // The root when no node bears the key.
  TBaseTreeNodeEh* FindNodeByKey(const Variant& KeyValue);
  TBaseTreeNodeEh* FindParentNode(TMemoryRecordEh* Rec);
  void CollectRecords(std::vector<TMemoryRecordEh*>& List, TBaseTreeNodeEh* Node, bool ARecurse);
  // The node of a record, null when it has none.
  TMemRecViewEh* NodeOfRecord(TMemoryRecordEh* Rec) const;
  // The same for a caller that knows the record's ID (an index entry holds it).
  TMemRecViewEh* NodeOfRecord(TMemoryRecordEh* Rec, Integer Id) const { return FRecordNodes.FindWithId(Id, Rec); }
  // Sorts every node's children by the order list, on keys taken once per sort
  // (CompareRecordsByOrder's rule).
  void SortByOrder(TOrderByList* OrderBy);

private:
  friend class TMemRecViewEh;
  friend class TRecordsViewEh;
  TMemRecViewEh* InsertRecordNode(TBaseTreeNodeEh* Parent, TMemoryRecordEh* Rec);
  Integer FindChildPosition(TBaseTreeNodeEh* Parent, TMemoryRecordEh* Rec);
  TMTIndexEh* KeyIndex() const;
  TMTIndexEh* RefParentIndex() const;
  Variant KeyOf(TMemoryRecordEh* Rec) const;
  Variant ParentKeyOf(TMemoryRecordEh* Rec) const;
  TBaseTreeNodeEh* NodeOrRootOfRecord(TMemoryRecordEh* Rec) const;
  void NodeDestroying(TMemRecViewEh* Node);
  // Frees every node at once: the record map and path cache are emptied whole
  // instead of node by node.
  void ClearAll();
  bool FClearing = false;
  // While the tree is built with the full check, a record whose parent has not
  // arrived yet waits outside the tree instead of at the top level, so adopting
  // it later does not shift a long list of top-level nodes.
  TMemRecViewEh* NewWaitingNode(TMemoryRecordEh* Rec);
  // A waiting branch becomes Parent's last child; placed in the tree, it is
  // cut where it would lie deeper than MaxLevel, the parts cut off waiting for
  // the top level.
  void AdoptWaiting(TMemRecViewEh* Node, TBaseTreeNodeEh* Parent);
  void FinishWaiting();
  // Builds the whole tree at once when key and parent key are single whole-number
  // columns, finding parents through a hash of the keys met so far; the tree is
  // the one AddRecordNode gives record by record. False (nothing built) when the
  // keys do not qualify or repeat.
  bool BuildWithKeyHash(const std::vector<TMemoryRecordEh*>& List);
  // The same tree straight from the keys, nodes made parent before child, when
  // no chain of parent keys loops or lies deeper than MaxLevel (Declined
  // otherwise, and NoKeys when the keys do not qualify): nothing is built then.
  enum class TKeyBuildEh { Built, Declined, NoKeys };
  TKeyBuildEh BuildFromKeys(const std::vector<TMemoryRecordEh*>& List);
  // The build's families of List positions (family g: Children[First[g] ..
  // First[g + 1]), the top level first) each put in the sort order's order,
  // the moves SortByOrder makes on the nodes. False, nothing moved, when the
  // order's values cannot be keyed.
  bool SortFamilies(const std::vector<TMemoryRecordEh*>& List, const TLentTableEh<Integer>& First,
                    TLentTableEh<Integer>& Children);
  // The order SetSortOrder takes, without sorting; false when it is the order already.
  bool TakeSortOrder(const String& Value);

  bool FDefaultNodeExpanded = false;
  bool FDefaultNodeHasChildren = false;
  bool FFullBuildCheck = false;
  std::vector<TMemRecViewEh*> FPathCache;
  std::vector<TMemRecViewEh*> FAllVisibleList;
  // Changed since the rows were counted: they are counted again, and the
  // visible list refilled, when next read. Opening or closing a node alone
  // updates the counts in place instead.
  bool FDirty = true;
  bool FAllVisibleStale = true;
  void SyncFlatLists();
  // Every node's FShownRows and children's counts, children before parents.
  void CountShownRows();
  // After Node's expansion (or what its children show) changed: its count and
  // its ancestors'.
  void UpdateShownRows(TMemRecViewEh* Node);
  // After Node (a leaf, or a branch whose counts are current) became its
  // parent's last child: its rows join its parent's and ancestors' counts.
  void CountAppended(TMemRecViewEh* Node);
  TMemRecViewEh* NodeAtRow(Integer Row);
  TMemRecViewEh* NextShownNode(TMemRecViewEh* Node) const;
  TMemRecViewEh* PrevShownNode(TMemRecViewEh* Node) const;
  // The last row read and its node: reading the rows next to it steps there.
  TMemRecViewEh* FRowCursorNode = nullptr;
  Integer FRowCursor = -1;
  bool FFilterNodeIfParentVisible = true;
  String FSortOrder;
  std::unique_ptr<TMemoryTreeListOrderByList> FOrderByList;
  TRecordsViewEh* FRecordsView;
  TRecordNodeMapEh FRecordNodes;
  bool FBuilding = false;
  // Set by a build that gave every node its visibility; the view's rebuild
  // that follows it then need not visit every record again.
  bool FVisibilityCurrent = false;
  // Set by a build that made the siblings in the sort order: the view's
  // rebuild that follows it then need not sort them again.
  bool FOrderedInBuild = false;
  std::vector<TMemRecViewEh*> FWaiting;
};

// ---------------------------------------------------------------------------
// The records view: the filtered, sorted, optionally tree-shaped list of the
// records a dataset shows. It follows its source (a data store or another view)
// record by record; only a whole-list change rebuilds it.

using TRecordsViewCompareRecordsEh =
    std::function<Integer(TObject* Sender, TMemoryRecordEh* Rec1, TMemoryRecordEh* Rec2, TOrderByList* ParamSort)>;
using TRecordsViewCompareTreeNodesEh =
    std::function<Integer(TObject* Sender, TBaseTreeNodeEh* Node1, TBaseTreeNodeEh* Node2, TOrderByList* ParamSort)>;
using TRecordsViewFilterRecordEh = std::function<bool(TObject* Sender, TMemoryRecordEh* Rec)>;
using TRecordsViewGetPrefilteredListEh = std::function<const std::vector<TMemoryRecordEh*>*(TObject* Sender)>;
using TRecordsViewParseOrderByStrEh = std::function<void(TObject* Sender, const String& OrderByStr)>;
using TRecordsViewDataEventEh =
    std::function<void(TObject* Sender, TMemoryRecordEh* MemRec, Integer Index, TRecordsListNotificationEh Action)>;
using TRecordsViewRecordMovedEh =
    std::function<void(TObject* Sender, TMemoryRecordEh* MemRec, Integer OldIndex, Integer NewIndex)>;
using TRecUpdateStatusesEh = TDBSet<TRecUpdateStatusEh>;

class TRecordsViewEh : public TRecordsListNotificatorEh, public INotificatorSourceEh, public IAggregateRowsEh {
public:
  BORROW_COMPONENT(TRecordsViewEh, TRecordsListNotificatorEh)
  explicit TRecordsViewEh(TComponent* AOwner);
  ~TRecordsViewEh() override;

  virtual bool IsRecordInView(TMemoryRecordEh* Rec);
  virtual void AddDependentView(TRecordsListNotificatorEh* View);
  virtual void ViewDataEvent(TMemoryRecordEh* MemRec, Integer Index, TRecordsListNotificationEh Action);
  virtual void ViewRecordMoved(TMemoryRecordEh* MemRec, Integer OldIndex, Integer NewIndex);
  virtual void ApplySortOrder();
  virtual void UpdateTreeFieldIndexes();
  using TRecordsListNotificatorEh::Notification;
  void Notification(TMemoryRecordEh* MemRec, Integer Index, TRecordsListNotificationEh Action) override;
  void RecordMoved(TMemoryRecordEh* Item, Integer OldIndex, Integer NewIndex) override;

  void AttachNotificator(TRecordsListNotificatorEh* Notificator) override { AddDependentView(Notificator); }
  void DetachNotificator(TRecordsListNotificatorEh* Notificator) override;
  Integer GetAggregateRowCount() const override;
  TMemoryRecordEh* GetAggregateRow(Integer Row) const override;

  const String& GetSortOrder() const { return FSortOrder; }
  void SetSortOrder(const String& Value);
  // Negative, 0 or positive; records-list order without a sort order.
  Integer CompareRecords(TMemoryRecordEh* Rec1, TMemoryRecordEh* Rec2);
  // The comparison used when OnCompareRecords is not assigned: the items' values
  // in turn, Null and Unassigned first, descending items inverted.
  static Integer CompareRecordsByOrder(TMemoryRecordEh* Rec1, TMemoryRecordEh* Rec2, TOrderByList* OrderBy);
  // Sorts List by the order list with CompareRecordsByOrder's rule, on keys taken once.
  static void SortRecordsByOrder(std::vector<TMemoryRecordEh*>& List, TOrderByList* OrderBy);
  void RebuildView();
  void BuildTree();
  bool GetTreeMode() const { return FTreeMode; }
  void SetTreeMode(bool Value);
  Integer ViewCount();
  TMemoryRecordEh* ViewRecord(Integer Index);
  Integer IndexOfRecord(TMemoryRecordEh* Rec);
  // The same for a caller that knows the record's ID: a tree finds the
  // record's node without reading the record.
  Integer IndexOfRecord(TMemoryRecordEh* Rec, Integer Id);
  const std::vector<TMemoryRecordEh*>& GetViewList() const { return FViewList; }

  TMemoryRecordEh* NewRecord();
  Integer AddRecord(TMemoryRecordEh* Rec);
  void InsertRecordAt(Integer Index, TMemoryRecordEh* Rec);
  void DeleteRecord(Integer Index);
  void MergeChangeLog();
  void CancelUpdates();

  TComponent* GetSource() const { return GetMemTableDataSource(); }
  TRecordsListEh* GetRecordsList() const;
  TMTDataStructEh* GetDataStruct() const;
  const String& GetKeyFieldName() const { return FKeyFieldName; }
  void SetKeyFieldName(const String& Value);
  const String& GetRefParentFieldName() const { return FRefParentFieldName; }
  void SetRefParentFieldName(const String& Value);
  const std::vector<Integer>& GetKeyFields() const { return FKeyFields; }
  const std::vector<Integer>& GetRefParentFields() const { return FRefParentFields; }
  TRecUpdateStatusesEh GetStatusFilter() const { return FStatusFilter; }
  void SetStatusFilter(TRecUpdateStatusesEh Value) { FStatusFilter = Value; }
  TMTAggregatesEh* GetAggregates() const { return FAggregates.get(); }
  TMemoryTreeListEh* GetTreeList() const { return FTreeList.get(); }
  TRecordsViewOrderByList* GetOrderByList() const { return FOrderByList.get(); }
  const std::vector<TRecordsListNotificatorEh*>& GetDependentViews() const { return FDependentViews; }
  // While locked the view ignores notifications.
  void BeginUpdate() { ++FUpdateCount; }
  void EndUpdate() {
    if (FUpdateCount > 0) --FUpdateCount;
  }
  Integer GetUpdateCount() const { return FUpdateCount; }

  TRecordsViewCompareRecordsEh OnCompareRecords;
  // Connected by the dataset; nothing here calls it.
  TRecordsViewCompareTreeNodesEh OnCompareTreeNode;
  TRecordsViewFilterRecordEh OnFilterRecord;
  // Whether OnFilterRecord may refuse a record at present; unassigned, it may.
  // A rebuild that knows every record passes copies the store's list unread.
  std::function<bool()> RecordFilterActive;
  TRecordsViewGetPrefilteredListEh OnGetPrefilteredList;
  // Connected by the dataset; nothing here calls it.
  TRecordsViewParseOrderByStrEh OnParseOrderByStr;
  TRecordsViewDataEventEh OnViewDataEvent;
  TRecordsViewRecordMovedEh OnViewRecordMoved;

private:
  friend class TMemoryTreeListEh;
  // Where Rec goes in List so that the order holds; Hint is tried first.
  Integer FindInsertPosition(const std::vector<TMemoryRecordEh*>& List, TMemoryRecordEh* Rec, Integer Hint);
  // Without a sort order, rows left in a cleared sort's order: a record that
  // comes in stands before the row of the record behind it in the store, else last.
  Integer PlaceBesideStoreNeighbour(TMemoryRecordEh* Rec) const;
  // The records the view is built from: the store's active list or the source view's list.
  const std::vector<TMemoryRecordEh*>* SourceList() const;
  // Whether List, the source of a rebuild, is the store's whole active list
  // and every record of it is in view.
  bool ShowsWholeStore(const std::vector<TMemoryRecordEh*>* List);
  void TreeNotification(TMemoryRecordEh* MemRec, TRecordsListNotificationEh Action);
  void ReportTreeChange();
  // Sorts List by the order-by list, on precomputed keys when no hook compares.
  void SortRecords(std::vector<TMemoryRecordEh*>& List);

  std::unique_ptr<TMTAggregatesEh> FAggregates;
  std::vector<TMemoryRecordEh*> FViewList;
  std::unique_ptr<TRecordsViewOrderByList> FOrderByList;
  String FSortOrder;
  String FKeyFieldName;
  std::vector<Integer> FKeyFields;
  String FRefParentFieldName;
  std::vector<Integer> FRefParentFields;
  bool FTreeMode = false;
  // The view list stands in its source's order: no sort has run since it was
  // built. A cleared sort order leaves the rows as the last sort put them.
  bool FInSourceOrder = true;
  TRecUpdateStatusesEh FStatusFilter{rusUnmodifiedEh, rusModifiedEh, rusInsertedEh};
  std::vector<TRecordsListNotificatorEh*> FDependentViews;
  Integer FUpdateCount = 0;
  std::unique_ptr<TMemoryTreeListEh> FTreeList;
};

// Registers the store's classes for component streaming. Counted: the classes
// stay registered until every initialisation has been matched by a finalisation.
void InitMemTableDataEhUnit();
void FinalMemTableDataEhUnit();
