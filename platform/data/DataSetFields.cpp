// TDataSet: its fields (creating, binding, finding, calculated and lookup
// values), filtering properties, and the generic Locate and Lookup.

#include <algorithm>

#include "platform/core/Locale.h"
#include "platform/core/ScopeGuard.h"
#include "platform/core/Strings.h"
#include "platform/data/DBConsts.h"
#include "platform/data/DataSet.h"

// ---- the field lists -------------------------------------------------------

void TDataSet::AddField(TField* Field) {
  if (Field->GetFieldKind() == fkAggregate) FAggFields->Add(Field);
  else FFields->Add(Field);
  FieldListChanged();
}

void TDataSet::RemoveField(TField* Field) {
  FFields->Remove(Field);
  FAggFields->Remove(Field);
  FieldListChanged();
}

void TDataSet::FieldListChanged() {
  FHasCalcFields = false;
  for (TField* f : *FFields)
    if (f->GetFieldKind() == fkCalculated || f->GetFieldKind() == fkLookup) FHasCalcFields = true;
  if (!GetComponentState().Contains(csDestroying)) DataEvent(deFieldListChange, 0);
}

TField* TDataSet::FindField(const String& FieldName) const {
  if (TField* f = FFields->FindField(FieldName)) return f;
  return FAggFields->FindField(FieldName);
}

TField* TDataSet::FieldByName(const String& FieldName) const {
  TField* f = FindField(FieldName);
  if (!f) DatabaseErrorFmt(SFieldNotFound, {FieldName}, this);
  return f;
}

void TDataSet::GetFieldList(std::vector<TField*>& List, const String& FieldNames) const {
  // One name with nothing to trim, as a search by one field gives, is looked
  // up as it stands.
  if (IsSingleFieldName(FieldNames)) {
    List.push_back(FieldByName(FieldNames));
    return;
  }
  Integer pos = 1;
  while (pos <= static_cast<Integer>(FieldNames.size())) {
    String name = ExtractFieldName(FieldNames, pos);
    if (!name.empty()) List.push_back(FieldByName(name));
  }
}

void TDataSet::GetFieldNames(std::vector<String>& List) const {
  if (FFields->Count() > 0) {
    FFields->GetFieldNames(List);
    return;
  }
  FFieldDefs->Update();
  for (Integer i = 0; i < FFieldDefs->Count(); ++i) List.push_back(FFieldDefs->GetItem(i)->GetName());
}

Variant TDataSet::GetFieldValues(const String& FieldName) const {
  if (FieldName.find(u';') == String::npos) return FieldByName(FieldName)->GetValue();
  std::vector<TField*> fields;
  GetFieldList(fields, FieldName);
  std::vector<Variant> values;
  values.reserve(fields.size());
  for (TField* f : fields) values.push_back(f->GetValue());
  return VarArrayOf(values);
}

void TDataSet::SetFieldValues(const String& FieldName, const Variant& Value) {
  if (!VarIsArray(Value)) {
    FieldByName(FieldName)->SetValue(Value);
    return;
  }
  std::vector<TField*> fields;
  GetFieldList(fields, FieldName);
  Integer low = VarArrayLowBound(Value);
  for (size_t i = 0; i < fields.size(); ++i) fields[i]->SetValue(VarArrayGet(Value, low + static_cast<Integer>(i)));
}

void TDataSet::SetFieldDefs(TFieldDefs* Value) {
  if (Value) FFieldDefs->Assign(Value);
}

TFieldClass TDataSet::GetFieldClass(TFieldType FieldType) const { return DefaultFieldClass(FieldType); }

void TDataSet::CreateFields() {
  for (Integer i = 0; i < FFieldDefs->Count(); ++i) {
    TFieldDef* def = FFieldDefs->GetItem(i);
    // Types without a field class (cursors, ADTs, arrays, ...) show no field.
    TFieldClass cls = def->GetFieldClass();
    if (def->GetDataType() == ftUnknown || !cls || !cls->Create) continue;
    if (def->GetAttributes().Contains(faHiddenCol) && !FFieldDefs->GetHiddenFields()) continue;
    def->CreateField(this);
  }
}

void TDataSet::DestroyFields() {
  auto destroyAll = [](TFields* list) {
    while (list->Count() > 0) {
      TField* f = list->GetField(list->Count() - 1);
      list->Remove(f);
      f->FDataSet = nullptr;
      delete f;
    }
  };
  destroyAll(FFields.get());
  destroyAll(FAggFields.get());
  FHasCalcFields = false;
}

namespace {

// Field types that hold the same kind of value, so a field of one may show a
// column of another; a type of no family matches only itself.
int TypeFamily(TFieldType t) {
  const TFieldFamily family = FieldTypeInfo(t).Family;
  return family == ffNone ? 100 + t : family;
}

}  // namespace

void TDataSet::BindFields(bool Binding) {
  FInternalCalcFields = false;
  for (TField* f : *FFields) {
    if (!Binding) {
      f->FFieldNo = 0;
      continue;
    }
    if (f->GetFieldKind() == fkCalculated || f->GetFieldKind() == fkLookup) {
      f->FFieldNo = -1;
      continue;
    }
    Integer index = FFieldDefs->IndexOf(f->GetFieldName());
    if (index < 0) DatabaseErrorFmt(SFieldNotFound, {f->GetDisplayName()}, this);
    TFieldDef* def = FFieldDefs->GetItem(index);
    if (TypeFamily(def->GetDataType()) != TypeFamily(f->GetDataType()) && f->GetDataType() != ftVariant)
      DatabaseErrorFmt(
          SFieldTypeMismatch,
          {f->GetDisplayName(), FieldTypeDisplayName(f->GetDataType()), FieldTypeDisplayName(def->GetDataType())},
          this);
    f->FFieldNo = def->GetFieldNo();
    if (def->GetInternalCalcField()) FInternalCalcFields = true;
  }
  for (TField* f : *FAggFields) f->FFieldNo = Binding ? -1 : 0;
}

// ---- calculated and lookup values -------------------------------------------

void TDataSet::GetCalcFields(TRecordBuffer Buffer) {
  if (!FHasCalcFields && !FInternalCalcFields) return;
  TDataSetState saved = SetTempState(dsCalcFields);
  TScopeExit Restore([&] { RestoreState(saved); });
  CalculateFields(Buffer);
}

void TDataSet::CalculateFields(TRecordBuffer Buffer) {
  FCalcBuffer = Buffer;
  if (FState != dsInternalCalc) {
    ClearCalcFields(Buffer);
    for (TField* f : *FFields)
      if (f->GetFieldKind() == fkLookup) f->CalcLookupValue();
  }
  DoOnCalcFields();
}

Variant TDataSet::GetStateFieldValue(TDataSetState State, TField* Field) {
  TDataSetState saved = SetTempState(State);
  TScopeExit Restore([&] { RestoreState(saved); });
  return Field->GetValue();
}

void TDataSet::SetStateFieldValue(TDataSetState State, TField* Field, const Variant& Value) {
  TDataSetState saved = SetTempState(State);
  TScopeExit Restore([&] { RestoreState(saved); });
  Field->SetValue(Value);
}

std::unique_ptr<TStream> TDataSet::CreateBlobStream(TField* Field, TBlobStreamMode) {
  DatabaseErrorFmt(SNotBlobField, {Field ? Field->GetDisplayName() : String()}, this);
}

Variant TDataSet::GetAggregateValue(TField*) { return Variant(); }

std::unique_ptr<TIndexDefs> TDataSet::PSGetIndexDefs(TIndexOptions) { return nullptr; }

String TDataSet::PSGetKeyFields() {
  String keys;
  for (TField* f : *FFields)
    if (f->GetProviderFlags().Contains(pfInKey)) {
      if (!keys.empty()) keys += u';';
      keys += f->GetFieldName();
    }
  if (!keys.empty()) return keys;
  std::unique_ptr<TIndexDefs> defs = PSGetIndexDefs({ixPrimary, ixUnique});
  if (!defs) return keys;
  for (Integer i = 0; i < defs->Count(); ++i)
    if (defs->GetItem(i)->GetOptions().Contains(ixPrimary)) return defs->GetItem(i)->GetFields();
  return defs->Count() > 0 ? defs->GetItem(0)->GetFields() : keys;
}

TField* GetFieldProperty(TDataSet* DataSet, TComponent* Control, const String& FieldName) {
  TField* f = DataSet ? DataSet->FindField(FieldName) : nullptr;
  if (!f) DatabaseErrorFmt(SFieldNotFound, {FieldName}, Control);
  return f;
}

// ---- filtering ------------------------------------------------------------------

void TDataSet::SetFiltered(bool Value) { FFiltered = Value; }
void TDataSet::SetFilterText(const String& Value) { FFilterText = Value; }
void TDataSet::SetFilterOptions(TFilterOptions Value) { FFilterOptions = Value; }
void TDataSet::SetOnFilterRecord(const TFilterRecordEvent& Value) { FOnFilterRecord = Value; }

// ---- Locate and Lookup ------------------------------------------------------------

namespace {

bool MatchesKey(TField* field, const Variant& key, TLocateOptions options) {
  Variant value = field->GetValue();
  if (IsStringFieldType(field->GetDataType()) || field->GetDataType() == ftMemo || field->GetDataType() == ftWideMemo) {
    if (VarIsNullOrEmpty(key)) return value.IsNull();
    if (value.IsNull()) return false;
    String text = value.AsString();
    String keyText = VarToStr(key);
    if (options.Contains(loPartialKey) && text.size() > keyText.size()) text.resize(keyText.size());
    return CompareStringLocale(text, keyText, options.Contains(loCaseInsensitive)) == 0;
  }
  return VarCompareValue(value, key) == TVarCompareResult::vrEqual;
}

bool RecordMatches(const std::vector<TField*>& fields, const Variant& keys, TLocateOptions options) {
  if (fields.size() == 1 && !VarIsArray(keys)) return MatchesKey(fields[0], keys, options);
  if (!VarIsArray(keys)) return false;
  Integer low = VarArrayLowBound(keys);
  if (VarArrayHighBound(keys) - low + 1 != static_cast<Integer>(fields.size())) return false;
  for (size_t i = 0; i < fields.size(); ++i)
    if (!MatchesKey(fields[i], VarArrayGet(keys, low + static_cast<Integer>(i)), options)) return false;
  return true;
}

}  // namespace

bool TDataSet::Locate(const String& KeyFields, const Variant& KeyValues, TLocateOptions Options) {
  CheckBrowseMode();
  if (FBOF && FEOF) return false;
  std::vector<TField*> fields;
  GetFieldList(fields, KeyFields);
  TBookmark saved = GetBookmark();
  bool found = false;
  DisableControls();
  TScopeExit Enable([&] { EnableControls(); });
  First();
  while (!FEOF) {
    if (RecordMatches(fields, KeyValues, Options)) {
      found = true;
      break;
    }
    Next();
  }
  if (!found && !saved.IsNil()) GotoBookmark(saved);
  return found;
}

Variant TDataSet::Lookup(const String& KeyFields, const Variant& KeyValues, const String& ResultFields) {
  CheckBrowseMode();
  Variant result = Variant::Null();
  if (FBOF && FEOF) return result;
  std::vector<TField*> fields;
  GetFieldList(fields, KeyFields);
  TBookmark saved = GetBookmark();
  DisableControls();
  TScopeExit Enable([&] { EnableControls(); });
  First();
  while (!FEOF) {
    if (RecordMatches(fields, KeyValues, {})) {
      result = GetFieldValues(ResultFields);
      break;
    }
    Next();
  }
  if (!saved.IsNil()) GotoBookmark(saved);
  return result;
}
