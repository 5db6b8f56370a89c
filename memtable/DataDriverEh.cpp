// The data driver (reading, structure, write-back and refresh) and the SQL
// update texts.

#include "memtable/DataDriverEh.h"

#include <exception>

#include "memtable/MemTableEh.h"
#include "platform/core/Format.h"
#include "platform/core/ScopeGuard.h"
#include "platform/core/Strings.h"
#include "platform/data/Params.h"

namespace {

const char16_t* const SKeyNotFoundInProvider = u"Key is not found in ProviderDataSet";

// Whether two stored values are the same, Null and Unassigned alike; values that
// cannot be compared count as different.
bool SameStoredValue(const Variant& a, const Variant& b) {
  bool an = VarIsNullOrEmpty(a), bn = VarIsNullOrEmpty(b);
  if (an || bn) return an == bn;
  try {
    return VarCompareValue(a, b) == TVarCompareResult::vrEqual;
  } catch (const Exception&) {
    return false;
  }
}

// Restores a dataset's position when it is still valid.
void ReturnTo(TDataSet* DataSet, const TBookmark& Bookmark) {
  if (!Bookmark.IsNil() && DataSet->GetActive() && DataSet->BookmarkValid(Bookmark)) DataSet->GotoBookmark(Bookmark);
}

}  // namespace

// ---------------------------------------------------------------------------
// TDataDriverEh

TDataDriverEh::TDataDriverEh(TComponent* AOwner) : TComponent(AOwner) {}

TDataDriverEh::~TDataDriverEh() {
  Destroying();
  if (FMemTable) FMemTable->SetDataDriver(nullptr);
  FinishReading();
}

void TDataDriverEh::SetProviderDataSet(TDataSet* Value) {
  if (Value == FProviderDataSet) return;
  if (FProviderDataSet) FProviderDataSet->RemoveFreeNotification(this);
  if (FReader && !FOwnsReader) FReader = nullptr;
  FProviderDataSet = Value;
  if (Value) Value->FreeNotification(this);
}

void TDataDriverEh::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == FProviderDataSet) {
    FProviderDataSet = nullptr;
    if (!FOwnsReader) FReader = nullptr;
  }
  if (AComponent == FReader) {
    FReader = nullptr;
    FOwnsReader = false;
  }
}

void TDataDriverEh::FinishReading() {
  TDataSet* reader = FReader;
  bool owned = FOwnsReader;
  FReader = nullptr;
  FOwnsReader = false;
  if (reader && owned) delete reader;
}

String TDataDriverEh::EffectiveKeyFields() const {
  if (!FKeyFields.empty() || !FProviderDataSet) return FKeyFields;
  String keys;
  for (TField* f : *FProviderDataSet->GetFields()) {
    if (!keys.empty()) keys += u';';
    keys += f->GetFieldName();
  }
  return keys;
}

Integer TDataDriverEh::ApplyUpdates(TMemTableDataEh* MemTableData) {
  TRecordsListEh* list = MemTableData->GetRecordsList();
  Integer applied = 0;
  // Merging a record takes it out of the change list (its slot becomes null), so
  // the list is walked by position and keeps its length meanwhile.
  for (size_t i = 0; i < list->GetPendingList().size(); ++i) {
    TMemoryRecordEh* rec = list->GetPendingList()[i];
    if (!rec) continue;
    TUpdateRecordActionEh action = uraAppliedEh;
    try {
      UpdateRecord(FMemTable, rec, action);
      if (action == uraFailEh && !rec->GetUpdateError())
        rec->SetUpdateError(
            std::make_unique<TUpdateErrorEh>(std::make_exception_ptr(Exception(SKeyNotFoundInProvider))));
    } catch (...) {
      rec->SetUpdateError(std::make_unique<TUpdateErrorEh>(std::current_exception()));
      action = uraFailEh;
    }
    if (action == uraStopEh) break;
    if (action == uraAppliedEh) {
      rec->MergeChangeLog();
      ++applied;
    }
  }
  list->CleanupChangeLog();
  return applied;
}

void TDataDriverEh::UpdateRecord(TCustomMemTableEh* MemTable, TMemoryRecordEh* MemRec, TUpdateRecordActionEh& Action) {
  if (OnUpdateRecord) {
    OnUpdateRecord(this, MemTable, MemRec, Action);
    return;
  }
  // A record that could not be written back is not counted as done.
  if (!UpdateRecordDefault(MemTable, MemRec)) Action = uraFailEh;
}

bool TDataDriverEh::UpdateRecordDefault(TCustomMemTableEh*, TMemoryRecordEh* MemRec) {
  if (!FActive || !FProviderDataSet) return false;
  TDataSet* provider = FProviderDataSet;
  TRecUpdateStatusEh status = MemRec->GetUpdateStatus();
  if (status == rusUnmodifiedEh) return true;
  TMTDataStructEh* ds = MemRec->GetRecordsList()->DataStruct();
  TBookmark kept = provider->GetBookmark();
  String keys = EffectiveKeyFields();

  if (status == rusModifiedEh || status == rusDeletedEh) {
    // The row is found by what the record was before its change.
    Variant keyValues = MemRec->GetDataValues(keys, rvvOldestValueEh);
    if (!provider->Locate(keys, keyValues, {})) {
      ReturnTo(provider, kept);
      return false;
    }
    if (status == rusDeletedEh && !kept.IsNil() && provider->CompareBookmarks(kept, provider->GetBookmark()) == 0)
      kept = TBookmark();
  }

  try {
    if (status == rusDeletedEh) {
      provider->Delete();
    } else {
      if (status == rusModifiedEh) provider->Edit();
      else provider->Append();
      for (Integer i = 0; i < ds->GetCount(); ++i) {
        TField* f = provider->FindField(ds->GetItem(i)->GetFieldName());
        if (f && !f->GetReadOnly()) f->SetValue(MemRec->GetValue(i, rvvValueEh));
      }
      provider->Post();
      // Values the provider worked out (keys, defaults) come back into the record.
      bool changed = false;
      for (Integer i = 0; i < ds->GetCount() && !changed; ++i)
        if (TField* f = provider->FindField(ds->GetItem(i)->GetFieldName()))
          changed = !SameStoredValue(f->GetValue(), MemRec->GetValue(i, rvvValueEh));
      if (changed) {
        MemRec->Edit();
        for (Integer i = 0; i < ds->GetCount(); ++i)
          if (TField* f = provider->FindField(ds->GetItem(i)->GetFieldName()))
            MemRec->SetValue(i, rvvValueEh, f->GetValue());
        MemRec->Post();
      }
    }
  } catch (...) {
    if (provider->GetActive() && dsEditModes.Contains(provider->GetState())) provider->Cancel();
    ReturnTo(provider, kept);
    throw;
  }
  ReturnTo(provider, kept);
  return true;
}

TDataSet* TDataDriverEh::GetReadingDataSet() {
  if (!FReader) {
    FProviderEOF = false;
    bool owns = false;
    TDataSet* reader = nullptr;
    if (OnProduceDataReader) OnProduceDataReader(this, reader, owns);
    else reader = GetDataSetDefault(owns);
    FReader = reader;
    FOwnsReader = owns && reader;
  }
  return FReader;
}

TDataSet* TDataDriverEh::GetDataSetDefault(bool& FreeOnEof) {
  FreeOnEof = false;
  if (!FProviderDataSet) return nullptr;
  FProviderDataSet->Open();
  FProviderDataSet->First();
  return FProviderDataSet;
}

Integer TDataDriverEh::ReadRecords(TMemTableDataEh* MemTableData, Integer Count) {
  Integer arrived = 0;
  if (FProviderEOF) return 0;
  TRecordsListEh* list = MemTableData->GetRecordsList();
  while (Count != 0 && !FProviderEOF) {
    TMemoryRecordEh* rec = list->NewRecord();
    bool eof = false;
    try {
      if (OnReadRecord) OnReadRecord(this, MemTableData, rec, eof);
      else ReadRecordDefault(MemTableData, rec, eof);
    } catch (...) {
      rec->Cancel();
      throw;
    }
    FProviderEOF = eof;
    if (eof) {
      rec->Cancel();
      FinishReading();
      break;
    }
    list->LoadRecord(rec);
    ++arrived;
    if (Count > 0) --Count;
  }
  return arrived;
}

void TDataDriverEh::ReadRecordDefault(TMemTableDataEh* MemTableData, TMemoryRecordEh* MemRec, bool& ProviderEOF) {
  TDataSet* reader = GetReadingDataSet();
  if (!reader || !reader->GetActive() || reader->Eof()) {
    ProviderEOF = true;
    return;
  }
  ProviderEOF = false;
  TMTDataStructEh* ds = MemTableData->GetDataStruct();
  for (Integer i = 0; i < ds->GetCount(); ++i) AssignFieldValue(FMemTable, MemRec, reader, rvvValueEh, i);
  reader->Next();
}

TParams* TDataDriverEh::GetProviderParams() const {
  auto* table = dynamic_cast<TCustomMemTableEh*>(FProviderDataSet);
  return table ? table->GetParams() : nullptr;
}

bool TDataDriverEh::ParamsChanged(TDataSet* MasterDataSet) {
  TParams* params = GetProviderParams();
  if (!params || !MasterDataSet) return false;
  for (Integer i = 0; i < params->Count(); ++i) {
    TParam* p = params->GetItem(i);
    if (TField* f = MasterDataSet->FindField(p->GetName()))
      if (!SameStoredValue(p->GetValue(), f->GetValue())) return true;
  }
  return false;
}

void TDataDriverEh::SetProviderParams(TDataSet* MasterDataSet) {
  TParams* params = GetProviderParams();
  if (!params || !MasterDataSet) return;
  for (Integer i = 0; i < params->Count(); ++i) {
    TParam* p = params->GetItem(i);
    if (p->GetBound()) continue;
    if (TField* f = MasterDataSet->FindField(p->GetName())) {
      p->SetValue(f->GetValue());
      p->SetBound(false);
    }
  }
}

void TDataDriverEh::AssignFieldValue(TCustomMemTableEh* MemTable, TMemoryRecordEh* MemRec, TDataSet* DataSet,
                                     TRecValueVersionEh ValueKind, Integer FieldIndex) {
  if (OnAssignFieldValue) OnAssignFieldValue(this, MemTable, MemRec, DataSet, ValueKind, FieldIndex);
  else AssignFieldValueDefault(MemTable, MemRec, DataSet, ValueKind, FieldIndex);
}

void TDataDriverEh::AssignFieldValueDefault(TCustomMemTableEh*, TMemoryRecordEh* MemRec, TDataSet* DataSet,
                                            TRecValueVersionEh ValueKind, Integer FieldIndex) {
  TMTDataStructEh* ds = MemRec->GetRecordsList()->DataStruct();
  if (TField* f = DataSet->FindField(ds->GetItem(FieldIndex)->GetFieldName()))
    MemRec->SetValue(FieldIndex, ValueKind, f->GetValue());
}

void TDataDriverEh::CloseProvider(TCustomMemTableEh*) {
  FinishReading();
  if (FProviderDataSet) FProviderDataSet->Close();
  FProviderEOF = true;
}

void TDataDriverEh::BuildDataStruct(TMTDataStructEh* DataStruct) {
  if (OnBuildDataStruct) OnBuildDataStruct(this, DataStruct);
  else BuildDataStructDefault(DataStruct);
}

void TDataDriverEh::BuildDataStructDefault(TMTDataStructEh* DataStruct) {
  if (FReader && FReader->GetActive()) {
    DataStruct->BuildFromFields(FReader->GetFields());
  } else if (FProviderDataSet) {
    TDataSet* provider = FProviderDataSet;
    if (provider->GetFields()->Count() == 0 && !provider->GetActive()) {
      // A provider without fields shows its columns only while open.
      provider->Open();
      {
        TScopeExit Close([&] { provider->Close(); });
        DataStruct->BuildFromFields(provider->GetFields());
      }
    } else {
      DataStruct->BuildFromFields(provider->GetFields());
    }
  }
  DataStructBuilt(DataStruct);
}

void TDataDriverEh::RefreshRecord(TMemoryRecordEh* MemRec) {
  if (OnRefreshRecord) OnRefreshRecord(this, MemRec);
  else RefreshRecordDefault(MemRec);
}

void TDataDriverEh::RefreshRecordDefault(TMemoryRecordEh* MemRec) {
  if (!FProviderDataSet) throw Exception(SKeyNotFoundInProvider);
  TDataSet* provider = FProviderDataSet;
  TBookmark kept = provider->GetBookmark();
  String keys = EffectiveKeyFields();
  TRecValueVersionEh version = MemRec->GetEditState() == resEditEh ? rvvEditStartValueEh : rvvValueEh;
  if (!provider->Locate(keys, MemRec->GetDataValues(keys, version), {})) {
    ReturnTo(provider, kept);
    throw Exception(SKeyNotFoundInProvider);
  }
  TMTDataStructEh* ds = MemRec->GetRecordsList()->DataStruct();
  for (Integer i = 0; i < ds->GetCount(); ++i) AssignFieldValue(FMemTable, MemRec, provider, rvvValueEh, i);
  ReturnTo(provider, kept);
}

// ---------------------------------------------------------------------------
// SQL update texts

namespace {

// Appends "  (a, b, ...)" (each name behind Prefix) to Lines, starting a new line
// of three blanks when one grows past 70 characters and names remain.
void AddFieldList(TStrings* Lines, const TStrings* Names, const String& Prefix) {
  String line = u"  (";
  Integer n = Names->GetCount();
  for (Integer i = 0; i < n; ++i) {
    line += Prefix + Names->Get(i);
    if (i < n - 1) {
      line += u", ";
      if (line.size() > 70) {
        Lines->Add(TrimRight(line));
        line = u"   ";
      }
    }
  }
  Lines->Add(line + u")");
}

}  // namespace

TSQLUpdateCommandEh::TSQLUpdateCommandEh()
    : FUpdateFields(std::make_unique<TStringList>()),
      FKeyFields(std::make_unique<TStringList>()),
      FCommandText(std::make_unique<TStringList>()) {}

void TServerSpecOperationsEh::WhereClause(const TStrings* Keys, TStrings* Strings) {
  Integer n = Keys->GetCount();
  if (n == 0) return;
  Strings->Add(u"where");
  for (Integer i = 0; i < n; ++i) {
    String line = Format(u" %s = :OLD_%0:s", {Keys->Get(i)});
    if (i < n - 1) line = Format(u"%s and", {line});
    Strings->Add(line);
  }
}

void TServerSpecOperationsEh::ChangedFields(TMemoryRecordEh* MemRec, const TStrings* UpdateFields, TStrings* Result) {
  TMTDataStructEh* ds = MemRec->GetRecordsList()->DataStruct();
  for (Integer i = 0; i < UpdateFields->GetCount(); ++i) {
    String name = UpdateFields->Get(i);
    Integer col = ds->FieldIndex(name);
    if (col < 0)
      throw Exception(u"Invalid field name \"" + name + u"\" in field list \"" + UpdateFields->GetText() + u"\"");
    if (!SameStoredValue(MemRec->GetValue(col, rvvValueEh), MemRec->GetValue(col, rvvOldOrValueEh))) Result->Add(name);
  }
}

void TServerSpecOperationsEh::GenerateUpdateSQL(TMemoryRecordEh* MemRec, TSQLUpdateCommandEh* Command) {
  TStrings* text = Command->GetCommandText();
  text->Clear();
  const String& table = Command->GetTableName();
  switch (MemRec->GetUpdateStatus()) {
    case rusInsertedEh:
      text->Add(Format(u"insert into %s", {table}));
      AddFieldList(text, Command->GetUpdateFields(), String());
      text->Add(u"values");
      AddFieldList(text, Command->GetUpdateFields(), u":");
      break;
    case rusModifiedEh: {
      TStringList changed;
      if (FChangedFieldsOnly) ChangedFields(MemRec, Command->GetUpdateFields(), &changed);
      else changed.Assign(Command->GetUpdateFields());
      Integer n = changed.GetCount();
      if (n == 0) return;
      text->Add(Format(u"update %s", {table}));
      text->Add(u"set");
      for (Integer i = 0; i < n; ++i)
        text->Add(Format(u" %s = :%0:s%1:s", {changed.Get(i), String(i < n - 1 ? u"," : u"")}));
      WhereClause(Command->GetKeyFields(), text);
      break;
    }
    case rusDeletedEh:
      text->Add(Format(u"delete from %s", {table}));
      WhereClause(Command->GetKeyFields(), text);
      break;
    default: break;
  }
}

TSQLDataDriverResolver::TSQLDataDriverResolver() : FCommand(std::make_unique<TSQLUpdateCommandEh>()) {}

void TSQLDataDriverResolver::GenerateSQL(TMemoryRecordEh* MemRec, TSQLUpdateCommandEh* Command) {
  if (OnGenerateSQL) OnGenerateSQL(this, MemRec, Command);
  else DefaultServerSpecOperationsEh()->GenerateUpdateSQL(MemRec, Command);
}

bool TSQLDataDriverResolver::UpdateRecord(TCustomMemTableEh* MemTable, TMemoryRecordEh* MemRec) {
  if (OnUpdateRecord) return OnUpdateRecord(this, MemTable, MemRec);
  return UpdateRecordDefault(MemTable, MemRec);
}

bool TSQLDataDriverResolver::UpdateRecordDefault(TCustomMemTableEh*, TMemoryRecordEh* MemRec) {
  GenerateSQL(MemRec, FCommand.get());
  if (FCommand->GetCommandText()->GetCount() == 0) return false;
  return ExecuteCommand(FCommand.get());
}

bool TSQLDataDriverResolver::ExecuteCommand(TSQLUpdateCommandEh* Command) {
  return OnExecuteCommand ? OnExecuteCommand(this, Command) : false;
}

TServerSpecOperationsEh* DefaultServerSpecOperationsEh() {
  static TServerSpecOperationsEh operations;
  return &operations;
}

TSQLDataDriverResolver* DefaultSQLDataDriverResolverEh() {
  static TSQLDataDriverResolver resolver;
  return &resolver;
}
