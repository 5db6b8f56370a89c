#pragma once
// The data driver: feeds an in-memory table from a provider dataset (any
// TDataSet) and writes the table's changes back to it.
//
//   TDataDriverEh             builds the table's structure from the provider's
//                             fields, reads records on demand, applies inserted,
//                             changed and deleted records to the provider.
//   TServerSpecOperationsEh   writes SQL insert, update and delete texts for a
//                             record from a table name, update fields and keys.
//   TSQLDataDriverResolver    the event-or-default wrapper around those texts for
//                             drivers that write back through SQL.
//
// A write-back that fails (the provider row is gone, the provider refuses the
// post) is not merged: the record keeps its pending change and carries the error
// (TMemoryRecordEh::GetUpdateError), so the caller sees what was not done.

#include <functional>
#include <memory>

#include "memtable/MemTableDataEh.h"
#include "platform/core/StringList.h"
#include "platform/data/DataSet.h"

class TCustomMemTableEh;
class TDataDriverEh;
class TParams;
class TSQLDataDriverResolver;

// The link through which a table tells its driver which table it serves.
class IMemTableDataDriverEh {
public:
  virtual ~IMemTableDataDriverEh() = default;
  virtual void SetMemTable(TCustomMemTableEh* Value) = 0;
  virtual TCustomMemTableEh* GetMemTable() const = 0;
};

// What the loop of ApplyUpdates does with a record after UpdateRecord.
enum TUpdateRecordActionEh : Integer {
  uraStopEh = 0,     // stop the loop; the record keeps its change
  uraAppliedEh = 1,  // written back: the change is merged
  uraFailEh = 2,     // not written back: the change stays, with its error
  uraSkipEh = 4      // left alone: the change stays
};

using TDriverBuildDataStructEventEh = std::function<void(TDataDriverEh* Sender, TMTDataStructEh* DataStruct)>;
using TDriverProduceDataReaderEventEh = std::function<void(TDataDriverEh* Sender, TDataSet*& DataSet, bool& FreeOnEof)>;
using TDriverReadRecordEventEh = std::function<void(TDataDriverEh* Sender, TMemTableDataEh* MemTableData,
                                                    TMemoryRecordEh* MemRec, bool& ProviderEOF)>;
using TDriverAssignFieldValueEventEh =
    std::function<void(TDataDriverEh* Sender, TCustomMemTableEh* MemTable, TMemoryRecordEh* MemRec, TDataSet* DataSet,
                       TRecValueVersionEh ValueKind, Integer FieldIndex)>;
using TDriverRefreshRecordEventEh = std::function<void(TDataDriverEh* Sender, TMemoryRecordEh* MemRec)>;
using TDriverUpdateRecordEventEh = std::function<void(TDataDriverEh* Sender, TCustomMemTableEh* MemTable,
                                                      TMemoryRecordEh* MemRec, TUpdateRecordActionEh& Action)>;

class TDataDriverEh : public TComponent, public IMemTableDataDriverEh {
public:
  BORROW_COMPONENT(TDataDriverEh, TComponent)
  explicit TDataDriverEh(TComponent* AOwner);
  ~TDataDriverEh() override;

  TDataSet* GetProviderDataSet() const { return FProviderDataSet; }
  void SetProviderDataSet(TDataSet* Value);
  // ';'-separated; empty means every field of the provider.
  const String& GetKeyFields() const { return FKeyFields; }
  void SetKeyFields(const String& Value) { FKeyFields = Value; }
  bool GetActive() const { return FActive; }
  void SetActive(bool Value) { FActive = Value; }
  // The provider has no more records for the reading in progress.
  bool GetProviderEOF() const { return FProviderEOF; }
  void SetProviderEOF(bool Value) { FProviderEOF = Value; }

  void SetMemTable(TCustomMemTableEh* Value) override { FMemTable = Value; }
  TCustomMemTableEh* GetMemTable() const override { return FMemTable; }

  // Applies every pending change of the store's records list; answers how many
  // were written back.
  virtual Integer ApplyUpdates(TMemTableDataEh* MemTableData);
  virtual bool UpdateRecordDefault(TCustomMemTableEh* MemTable, TMemoryRecordEh* MemRec);
  virtual TDataSet* GetReadingDataSet();
  // Reads Count records (all of them when negative) into the store; answers how
  // many arrived.
  virtual Integer ReadRecords(TMemTableDataEh* MemTableData, Integer Count);
  // Whether a provider parameter named after a master field holds another value.
  virtual bool ParamsChanged(TDataSet* MasterDataSet);
  virtual void AssignFieldValue(TCustomMemTableEh* MemTable, TMemoryRecordEh* MemRec, TDataSet* DataSet,
                                TRecValueVersionEh ValueKind, Integer FieldIndex);
  virtual void UpdateRecord(TCustomMemTableEh* MemTable, TMemoryRecordEh* MemRec, TUpdateRecordActionEh& Action);
  virtual void CloseProvider(TCustomMemTableEh* MemTable);
  virtual void AssignFieldValueDefault(TCustomMemTableEh* MemTable, TMemoryRecordEh* MemRec, TDataSet* DataSet,
                                       TRecValueVersionEh ValueKind, Integer FieldIndex);
  virtual void BuildDataStructDefault(TMTDataStructEh* DataStruct);
  virtual TDataSet* GetDataSetDefault(bool& FreeOnEof);
  virtual void ReadRecordDefault(TMemTableDataEh* MemTableData, TMemoryRecordEh* MemRec, bool& ProviderEOF);
  virtual void RefreshRecordDefault(TMemoryRecordEh* MemRec);
  virtual void BuildDataStruct(TMTDataStructEh* DataStruct);
  virtual void RefreshRecord(TMemoryRecordEh* MemRec);
  // Unbound provider parameters take the master's field values of the same names.
  virtual void SetProviderParams(TDataSet* MasterDataSet);

  // The SQL text of the driver's select command; this driver has none.
  virtual bool HasDriverSelectCommand() const { return false; }
  virtual String GetDriverSelectText() const { return String(); }
  virtual void SetDriverSelectText(const String&) {}

  TDriverBuildDataStructEventEh OnBuildDataStruct;
  TDriverProduceDataReaderEventEh OnProduceDataReader;
  TDriverReadRecordEventEh OnReadRecord;
  TDriverAssignFieldValueEventEh OnAssignFieldValue;
  TDriverRefreshRecordEventEh OnRefreshRecord;
  TDriverUpdateRecordEventEh OnUpdateRecord;

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;
  // Run after a structure has been built from a field list.
  virtual void DataStructBuilt(TMTDataStructEh*) {}
  // The provider's parameters, when it keeps any.
  virtual TParams* GetProviderParams() const;

private:
  void FinishReading();
  String EffectiveKeyFields() const;

  TDataSet* FProviderDataSet = nullptr;
  String FKeyFields;
  bool FProviderEOF = false;
  TDataSet* FReader = nullptr;
  bool FOwnsReader = false;
  bool FActive = true;
  TCustomMemTableEh* FMemTable = nullptr;
};

// ---------------------------------------------------------------------------
// SQL update texts.

// What a generated statement is for and where it is written.
class TSQLUpdateCommandEh : public TObject {
public:
  BORROW_CLASS(TSQLUpdateCommandEh, TObject)
  TSQLUpdateCommandEh();
  const String& GetTableName() const { return FTableName; }
  void SetTableName(const String& Value) { FTableName = Value; }
  // One field name per line.
  TStringList* GetUpdateFields() const { return FUpdateFields.get(); }
  TStringList* GetKeyFields() const { return FKeyFields.get(); }
  TStringList* GetCommandText() const { return FCommandText.get(); }

private:
  String FTableName;
  std::unique_ptr<TStringList> FUpdateFields;
  std::unique_ptr<TStringList> FKeyFields;
  std::unique_ptr<TStringList> FCommandText;
};

class TServerSpecOperationsEh : public TObject {
public:
  BORROW_CLASS(TServerSpecOperationsEh, TObject)
  TServerSpecOperationsEh() = default;

  // Only the fields whose value differs from the old one go into an update.
  bool GetChangedFieldsOnly() const { return FChangedFieldsOnly; }
  void SetChangedFieldsOnly(bool Value) { FChangedFieldsOnly = Value; }

  virtual void WhereClause(const TStrings* Keys, TStrings* Strings);
  virtual void ChangedFields(TMemoryRecordEh* MemRec, const TStrings* UpdateFields, TStrings* Result);
  // Replaces the command's text with the statement for the record's pending change.
  virtual void GenerateUpdateSQL(TMemoryRecordEh* MemRec, TSQLUpdateCommandEh* Command);

private:
  bool FChangedFieldsOnly = false;
};

using TResolverGenerateSQLEventEh =
    std::function<void(TSQLDataDriverResolver* Sender, TMemoryRecordEh* MemRec, TSQLUpdateCommandEh* Command)>;
using TResolverExecuteCommandEventEh =
    std::function<bool(TSQLDataDriverResolver* Sender, TSQLUpdateCommandEh* Command)>;
using TResolverUpdateRecordEventEh =
    std::function<bool(TSQLDataDriverResolver* Sender, TCustomMemTableEh* MemTable, TMemoryRecordEh* MemRec)>;

class TSQLDataDriverResolver : public TPersistent {
public:
  BORROW_CLASS(TSQLDataDriverResolver, TPersistent)
  TSQLDataDriverResolver();

  // The statement text for the record (the event, else the default operations).
  virtual void GenerateSQL(TMemoryRecordEh* MemRec, TSQLUpdateCommandEh* Command);
  TSQLUpdateCommandEh* GetUpdateCommand() const { return FCommand.get(); }
  // Writes the record back: the event when set, else UpdateRecordDefault.
  virtual bool UpdateRecord(TCustomMemTableEh* MemTable, TMemoryRecordEh* MemRec);
  // Generates the text and hands it to OnExecuteCommand; false without one.
  virtual bool UpdateRecordDefault(TCustomMemTableEh* MemTable, TMemoryRecordEh* MemRec);
  virtual bool ExecuteCommand(TSQLUpdateCommandEh* Command);

  TResolverGenerateSQLEventEh OnGenerateSQL;
  TResolverExecuteCommandEventEh OnExecuteCommand;
  TResolverUpdateRecordEventEh OnUpdateRecord;

private:
  std::unique_ptr<TSQLUpdateCommandEh> FCommand;
};

// The unit's default helpers, made on first use and freed at exit.
TServerSpecOperationsEh* DefaultServerSpecOperationsEh();
TSQLDataDriverResolver* DefaultSQLDataDriverResolverEh();
