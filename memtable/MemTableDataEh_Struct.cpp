// The structure side of the store: the auto-increment generator, the data field
// classes with their type tables, the structure and the data store itself.

#include <algorithm>

#include "editors/DaVirVCL.h"
#include "memtable/MemTableDataEh.h"
#include "platform/core/EnumTable.h"
#include "platform/core/Format.h"
#include "platform/core/Lists.h"
#include "platform/core/Strings.h"
#include "platform/data/DBConsts.h"
#include "platform/data/Fields.h"

namespace {

[[noreturn]] void DatabaseErrorEh(const String& Message, const TComponent* Component = nullptr) {
  if (Component && !Component->GetName().empty()) throw EDatabaseError(Component->GetName() + u": " + Message);
  throw EDatabaseError(Message);
}

[[noreturn]] void DataTypeError() { throw Exception(u"Can not assign DataType from Field"); }

// Type tables: the enumeration value of each class's type property maps to one TFieldType.
constexpr TFieldType StringTypes[] = {ftString, ftFixedChar, ftWideString, ftGuid, ftFixedWideChar, ftOraInterval};
constexpr TFieldType NumericTypes[] = {ftSmallint, ftInteger, ftWord,     ftFloat,    ftCurrency, ftBCD,     ftAutoInc,
                                       ftLargeint, ftFMTBcd,  ftLongWord, ftShortint, ftByte,     ftExtended};
constexpr TFieldType DateTimeTypes[] = {ftDate, ftTime, ftDateTime};
constexpr TFieldType InterfaceTypes[] = {ftInterface, ftIDispatch};
constexpr TFieldType VariantTypes[] = {ftVariant, ftBytes, ftVarBytes};
constexpr TFieldType SQLTimeStampTypes[] = {ftTimeStamp, ftOraTimeStamp};

template <size_t N>
int TypeOrdinal(const TFieldType (&Table)[N], TFieldType Value) {
  for (size_t i = 0; i < N; ++i)
    if (Table[i] == Value) return static_cast<int>(i);
  return -1;
}

// The data field class of each way the store holds a value, by TFieldStore.
struct TStoreClass {
  TFieldStore Value;
  TComponentClass (*Class)();
};
constexpr TStoreClass StoreClasses[] = {
    {fsNone, nullptr},
    {fsObject, &TMTRefObjectFieldEh::StaticComponentClass},
    {fsText, &TMTStringDataFieldEh::StaticComponentClass},
    {fsNumber, &TMTNumericDataFieldEh::StaticComponentClass},
    {fsBoolean, &TMTBooleanDataFieldEh::StaticComponentClass},
    {fsDateTime, &TMTDateTimeDataFieldEh::StaticComponentClass},
    {fsTimeStamp, &TMTSQLTimeStampDataFieldEh::StaticComponentClass},
    {fsVariant, &TMTVariantDataFieldEh::StaticComponentClass},
    {fsBlob, &TMTBlobDataFieldEh::StaticComponentClass},
    {fsInterface, &TMTInterfaceDataFieldEh::StaticComponentClass},
};
static_assert(CoversEveryValue(StoreClasses, fsInterface + 1), "one data field class per store kind, in order");

// Letters, digits and "_" of ASCII; everything else is dropped from component names.
constexpr TSysCharSet IdentChars =
    TSysCharSet{u'_'}.IncludeRange(u'A', u'Z').IncludeRange(u'a', u'z').IncludeRange(u'0', u'9');

String CleanIdent(StringView S) {
  String out;
  for (Char c : S)
    if (CharInSetEh(c, IdentChars)) out += c;
  return out;
}

}  // namespace

// ---------------------------------------------------------------------------
// TAutoIncrementEh

void TAutoIncrementEh::SetInitValue(Integer Value) {
  if (FCurValue == FInitValue) FCurValue = Value;
  FInitValue = Value;
}

Integer TAutoIncrementEh::NewValue() {
  Integer Result = FCurValue;
  FCurValue = static_cast<Integer>(static_cast<Int64>(FCurValue) + FStep);
  return Result;
}

void TAutoIncrementEh::Assign(TPersistent* Source) {
  if (auto* src = dynamic_cast<TAutoIncrementEh*>(Source)) {
    FStep = src->FStep;
    SetInitValue(src->FInitValue);
    return;
  }
  TPersistent::Assign(Source);
}

// ---------------------------------------------------------------------------
// Type tables shared by the structure and the records.

TComponentClass DataFieldClassForFieldTypeEh(TFieldType DataType) {
  const TStoreClass& row = StoreClasses[FieldTypeInfo(DataType).Store];
  return row.Class ? row.Class() : nullptr;
}

// The store holds each type as the dataset fields do.
TVarType FieldTypeToVarTypeEh(TFieldType DataType) { return FieldTypeVarType(DataType); }

// ---------------------------------------------------------------------------
// TMTDataFieldEh

TMTDataFieldEh::TMTDataFieldEh(TComponent* AOwner) : TComponent(AOwner) {}

TMTDataFieldEh::~TMTDataFieldEh() { SetDataStruct(nullptr); }

void TMTDataFieldEh::SetAutoIncrement(bool) { FAutoIncrement = true; }

void TMTDataFieldEh::SetDataType(TFieldType) { DataTypeError(); }

void TMTDataFieldEh::SetFieldName(const String& Value) {
  if (FDataStruct && CompareTextUserLocaleEh(Value, FFieldName) != 0) FDataStruct->CheckFieldName(Value);
  FFieldName = Value;
  if (FDataStruct && FDataStruct->GetMemTableData()) FDataStruct->GetMemTableData()->StructChanged();
}

void TMTDataFieldEh::SetSize(Integer Value) {
  if (!HasSize()) DatabaseErrorEh(SInvalidFieldSize);
  FSize = Value;
}

TVarType TMTDataFieldEh::GetVarType() const { return FieldTypeToVarTypeEh(GetDataType()); }

void TMTDataFieldEh::Assign(TPersistent* Source) {
  auto* src = dynamic_cast<TMTDataFieldEh*>(Source);
  if (!src) {
    TComponent::Assign(Source);
    return;
  }
  SetFieldName(src->GetFieldName());
  if (HasSize()) SetSize(src->GetSize());
  SetAlignment(src->GetAlignment());
  SetDefaultExpression(src->GetDefaultExpression());
  SetDisplayLabel(src->GetDisplayLabel());
  SetDisplayWidth(src->GetDisplayWidth());
  SetEditMask(src->GetEditMask());
  SetRequired(src->GetRequired());
  SetVisible(src->GetVisible());
}

TComponent* TMTDataFieldEh::GetParentComponent() const { return FDataStruct; }

void TMTDataFieldEh::SetParentComponent(TComponent* Value) {
  if (GetComponentState().Contains(csLoading)) return;
  SetDataStruct(dynamic_cast<TMTDataStructEh*>(Value));
}

void TMTDataFieldEh::SetDataStruct(TMTDataStructEh* Value) {
  if (Value == FDataStruct) return;
  if (FDataStruct) FDataStruct->RemoveField(this);
  if (Value) Value->InsertField(this);
}

Integer TMTDataFieldEh::GetIndex() const {
  if (!FDataStruct) return -1;
  const auto& list = FDataStruct->FList;
  auto it = std::find(list.begin(), list.end(), this);
  return it == list.end() ? -1 : static_cast<Integer>(it - list.begin());
}

// ---------------------------------------------------------------------------
// Descendants: the type property and the class's own properties.

TFieldType TMTStringDataFieldEh::GetDataType() const { return StringTypes[FStringDataType]; }

void TMTStringDataFieldEh::SetDataType(TFieldType Value) {
  int i = TypeOrdinal(StringTypes, Value);
  if (i < 0) DataTypeError();
  FStringDataType = static_cast<TMTStringDataFieldTypesEh>(i);
}

void TMTStringDataFieldEh::Assign(TPersistent* Source) {
  TMTDataFieldEh::Assign(Source);
  if (auto* src = dynamic_cast<TMTStringDataFieldEh*>(Source)) {
    FStringDataType = src->FStringDataType;
    FFixedChar = src->FFixedChar;
    FTransliterate = src->FTransliterate;
  }
}

TFieldType TMTNumericDataFieldEh::GetDataType() const { return NumericTypes[FNumericDataType]; }

void TMTNumericDataFieldEh::SetDataType(TFieldType Value) {
  int i = TypeOrdinal(NumericTypes, Value);
  if (i < 0) DataTypeError();
  FNumericDataType = static_cast<TMTNumericDataFieldTypesEh>(i);
}

void TMTNumericDataFieldEh::Assign(TPersistent* Source) {
  TMTDataFieldEh::Assign(Source);
  if (auto* src = dynamic_cast<TMTNumericDataFieldEh*>(Source)) {
    FNumericDataType = src->FNumericDataType;
    FDisplayFormat = src->FDisplayFormat;
    FEditFormat = src->FEditFormat;
    FCurrency = src->FCurrency;
    FMaxValue = src->FMaxValue;
    FMinValue = src->FMinValue;
    FPrecision = src->FPrecision;
  }
}

TFieldType TMTDateTimeDataFieldEh::GetDataType() const { return DateTimeTypes[FDateTimeDataType]; }

void TMTDateTimeDataFieldEh::SetDataType(TFieldType Value) {
  int i = TypeOrdinal(DateTimeTypes, Value);
  if (i < 0) DataTypeError();
  FDateTimeDataType = static_cast<TMTDateTimeDataFieldTypesEh>(i);
}

void TMTDateTimeDataFieldEh::Assign(TPersistent* Source) {
  TMTDataFieldEh::Assign(Source);
  if (auto* src = dynamic_cast<TMTDateTimeDataFieldEh*>(Source)) {
    FDateTimeDataType = src->FDateTimeDataType;
    FDisplayFormat = src->FDisplayFormat;
  }
}

void TMTBlobDataFieldEh::SetDataType(TFieldType Value) {
  if (IsBlobFieldType(Value)) FBlobType = Value;
}

void TMTBlobDataFieldEh::Assign(TPersistent* Source) {
  TMTDataFieldEh::Assign(Source);
  if (auto* src = dynamic_cast<TMTBlobDataFieldEh*>(Source)) {
    FBlobType = src->FBlobType;
    FGraphicHeader = src->FGraphicHeader;
    FTransliterate = src->FTransliterate;
  }
}

void TMTBooleanDataFieldEh::SetDataType(TFieldType Value) {
  if (Value != ftBoolean) DataTypeError();
}

void TMTBooleanDataFieldEh::Assign(TPersistent* Source) {
  TMTDataFieldEh::Assign(Source);
  if (auto* src = dynamic_cast<TMTBooleanDataFieldEh*>(Source)) FDisplayValues = src->FDisplayValues;
}

TFieldType TMTInterfaceDataFieldEh::GetDataType() const { return InterfaceTypes[FInterfaceDataType]; }

void TMTInterfaceDataFieldEh::SetDataType(TFieldType Value) {
  int i = TypeOrdinal(InterfaceTypes, Value);
  if (i < 0) DataTypeError();
  FInterfaceDataType = static_cast<TMTInterfaceDataFieldTypesEh>(i);
}

void TMTInterfaceDataFieldEh::Assign(TPersistent* Source) {
  TMTDataFieldEh::Assign(Source);
  if (auto* src = dynamic_cast<TMTInterfaceDataFieldEh*>(Source)) FInterfaceDataType = src->FInterfaceDataType;
}

TFieldType TMTVariantDataFieldEh::GetDataType() const { return VariantTypes[FVariantDataType]; }

void TMTVariantDataFieldEh::SetDataType(TFieldType Value) {
  int i = TypeOrdinal(VariantTypes, Value);
  if (i < 0) DataTypeError();
  FVariantDataType = static_cast<TMTVariantDataFieldTypesEh>(i);
}

void TMTVariantDataFieldEh::Assign(TPersistent* Source) {
  // The type decides HasSize, so it comes first: the base copies Size only when it applies.
  if (auto* src = dynamic_cast<TMTVariantDataFieldEh*>(Source)) FVariantDataType = src->FVariantDataType;
  TMTDataFieldEh::Assign(Source);
}

void TMTRefObjectFieldEh::SetDataType(TFieldType Value) {
  if (Value != ftUnknown) DataTypeError();
}

TFieldType TMTSQLTimeStampDataFieldEh::GetDataType() const { return SQLTimeStampTypes[FSQLTimeStampDataFieldType]; }

void TMTSQLTimeStampDataFieldEh::SetDataType(TFieldType Value) {
  int i = TypeOrdinal(SQLTimeStampTypes, Value);
  if (i < 0) DataTypeError();
  FSQLTimeStampDataFieldType = static_cast<TMTSQLTimeStampDataFieldTypesEh>(i);
}

void TMTSQLTimeStampDataFieldEh::Assign(TPersistent* Source) {
  TMTDataFieldEh::Assign(Source);
  if (auto* src = dynamic_cast<TMTSQLTimeStampDataFieldEh*>(Source)) {
    FSQLTimeStampDataFieldType = src->FSQLTimeStampDataFieldType;
    FDisplayFormat = src->FDisplayFormat;
  }
}

// ---------------------------------------------------------------------------
// TMTDataStructEh

TMTDataStructEh::TMTDataStructEh(TComponent* AOwner)
    : TComponent(AOwner), FMemTableData(dynamic_cast<TMemTableDataEh*>(AOwner)) {}

TMTDataStructEh::~TMTDataStructEh() { Clear(); }

TMTDataFieldEh* TMTDataStructEh::GetItem(Integer Index) const {
  if (Index < 0 || Index >= GetCount()) TList::Error(u"List index out of bounds (%d)", Index);
  return FList[static_cast<size_t>(Index)];
}

TMTDataFieldEh* TMTDataStructEh::CreateField(TComponentClass FieldClass) {
  if (!FieldClass || !FieldClass->Create ||
      !TObject::ClassInheritsFrom(FieldClass->Class, TMTDataFieldEh::StaticClass()))
    throw Exception(u"TMTDataStructEh.CreateField: not a data field class.");
  auto* Field = static_cast<TMTDataFieldEh*>(FieldClass->Create(this));
  Field->SetDataStruct(this);
  Field->FFieldId = FNextFieldId++;
  return Field;
}

void TMTDataStructEh::InsertField(TMTDataFieldEh* Field) {
  FList.push_back(Field);
  Field->FDataStruct = this;
  FieldsChanged();
}

void TMTDataStructEh::RemoveField(TMTDataFieldEh* Field) {
  if (Field->FDataStruct != this) return;
  Field->FDataStruct = nullptr;
  if (FClearing) return;
  auto it = std::find(FList.begin(), FList.end(), Field);
  if (it != FList.end()) FList.erase(it);
  FieldsChanged();
}

void TMTDataStructEh::FieldsChanged() {
  // Only the store's current structure decides the auto-increment columns.
  if (FMemTableData && FMemTableData->GetDataStruct() == this) FMemTableData->UpdateAutoIncFields();
}

void TMTDataStructEh::CheckFieldName(const String& FieldName) {
  if (FieldName.empty()) DatabaseErrorEh(u"Field name missing", FMemTableData);
  if (FindField(FieldName)) DatabaseErrorEh(Format(SDuplicateFieldName, {FieldName}));
}

TMTDataFieldEh* TMTDataStructEh::FindField(const String& FieldName) const {
  Integer i = FieldIndex(FieldName);
  return i < 0 ? nullptr : FList[static_cast<size_t>(i)];
}

TMTDataFieldEh* TMTDataStructEh::FieldByName(const String& FieldName) const {
  TMTDataFieldEh* Field = FindField(FieldName);
  if (!Field) DatabaseErrorEh(Format(SFieldNotFound, {FieldName}), this);
  return Field;
}

namespace {

bool IsAscii(const String& S) {
  for (Char c : S)
    if (c >= 0x80) return false;
  return true;
}

Char AsciiLower(Char c) { return c >= u'A' && c <= u'Z' ? static_cast<Char>(c + (u'a' - u'A')) : c; }

// Names equal without regard to case, as the user's locale compares them. Names
// of plain ASCII, as field names nearly always are, need no collator for that.
bool SameFieldName(const String& A, const String& B) {
  if (IsAscii(A) && IsAscii(B)) {
    if (A.size() != B.size()) return false;
    for (size_t i = 0; i < A.size(); ++i)
      if (AsciiLower(A[i]) != AsciiLower(B[i])) return false;
    return true;
  }
  return CompareTextUserLocaleEh(A, B) == 0;
}

}  // namespace

Integer TMTDataStructEh::FieldIndex(const String& FieldName) const {
  for (size_t i = 0; i < FList.size(); ++i)
    if (SameFieldName(FList[i]->GetFieldName(), FieldName)) return static_cast<Integer>(i);
  return -1;
}

void TMTDataStructEh::GetFieldList(std::vector<TMTDataFieldEh*>* List, const String& FieldNames) const {
  // Names run up to the next ";" and are trimmed; every one must exist.
  size_t pos = 0;
  while (pos < FieldNames.size()) {
    size_t end = FieldNames.find(u';', pos);
    if (end == String::npos) end = FieldNames.size();
    TMTDataFieldEh* Field = FieldByName(Trim(StringView(FieldNames).substr(pos, end - pos)));
    if (List) List->push_back(Field);
    pos = end < FieldNames.size() ? end + 1 : end;
  }
}

void TMTDataStructEh::GetFieldIndexes(const String& FieldNames, std::vector<Integer>& Indexes) const {
  if (FieldNames.find(u';') != String::npos) {
    std::vector<TMTDataFieldEh*> fields;
    GetFieldList(&fields, FieldNames);
    Indexes.clear();
    for (TMTDataFieldEh* f : fields) Indexes.push_back(f->GetIndex());
    return;
  }
  // An unknown single name leaves no positions behind: stale ones would point a
  // caller at the wrong column.
  Integer i = FieldIndex(FieldNames);
  Indexes.clear();
  if (i >= 0) Indexes.push_back(i);
}

void TMTDataStructEh::ForEachField(const std::function<void(TMTDataFieldEh*)>& Proc) const {
  for (TMTDataFieldEh* f : std::vector<TMTDataFieldEh*>(FList)) Proc(f);
}

void TMTDataStructEh::Clear() {
  std::vector<TMTDataFieldEh*> fields;
  fields.swap(FList);
  FClearing = true;
  for (TMTDataFieldEh* f : fields) delete f;
  FClearing = false;
  FieldsChanged();
}

void TMTDataStructEh::Assign(TPersistent* Source) {
  auto* src = dynamic_cast<TMTDataStructEh*>(Source);
  if (!src) {
    TComponent::Assign(Source);
    return;
  }
  if (src == this) return;
  if (FMemTableData && FMemTableData->GetRecordsList() && FMemTableData->GetRecordsList()->GetCount() > 0)
    throw Exception(u"Can not assign struct for not empty list of records");
  Clear();
  for (TMTDataFieldEh* f : src->FList) CreateField(f->ComponentClassType())->Assign(f);
}

void TMTDataStructEh::GetChildren(const TGetChildProc& Proc, TComponent*) {
  for (TMTDataFieldEh* f : FList) Proc(f);
}

String TMTDataStructEh::UniqueFieldComponentName(const String& FieldName, TComponentClass FieldClass) const {
  String base = CleanIdent(FieldName);
  if (base.empty() || (base[0] >= u'0' && base[0] <= u'9')) {
    String prefix = FieldClass ? String(FieldClass->Class->Name) : String(u"Field");
    if (!prefix.empty() && prefix[0] == u'T') prefix.erase(0, 1);
    base = CleanIdent(prefix + base);
  }
  auto taken = [this](const String& name) {
    for (TMTDataFieldEh* f : FList)
      if (CompareText(f->GetName(), name) == 0) return true;
    return false;
  };
  if (!taken(base)) return base;
  for (Int64 n = 2; n <= 2147483647; ++n) {
    String candidate = base + IntToStr(n);
    if (!taken(candidate)) return candidate;
  }
  return String();
}

// ---------------------------------------------------------------------------
// TMemTableDataEh

TMemTableDataEh::TMemTableDataEh(TComponent* AOwner) : TComponent(AOwner) {
  FDataStruct = new TMTDataStructEh(this);
  FDataStruct->SetName(u"DataStruct");
  FRestructCopy = new TMTDataStructEh(this);
  FRecordsList = new TRecordsListEh(this);
  FRecordsList->SetName(u"RecordsList");
  FAutoIncrement = std::make_unique<TAutoIncrementEh>();
}

TMemTableDataEh::~TMemTableDataEh() {
  for (TRecordsListNotificatorEh* n : std::vector<TRecordsListNotificatorEh*>(FNotificators))
    n->SetMemTableData(nullptr);
  delete FRecordsList;
  FRecordsList = nullptr;
  delete FDataStruct;
  FDataStruct = nullptr;
  delete FRestructCopy;
  FRestructCopy = nullptr;
  FAutoIncrement.reset();
}

void TMemTableDataEh::RegisterNotificator(TRecordsListNotificatorEh* Notificator) {
  FNotificators.push_back(Notificator);
}

void TMemTableDataEh::UnregisterNotificator(TRecordsListNotificatorEh* Notificator) {
  auto it = std::find(FNotificators.begin(), FNotificators.end(), Notificator);
  if (it != FNotificators.end()) FNotificators.erase(it);
}

void TMemTableDataEh::ApplyUpdates(TMemTableDataEh* AMemTableData) {
  for (TRecordsListNotificatorEh* n : std::vector<TRecordsListNotificatorEh*>(FNotificators))
    n->ApplyUpdates(AMemTableData);
}

bool TMemTableDataEh::HasApplyUpdatesHandlers() const {
  return std::any_of(FNotificators.begin(), FNotificators.end(),
                     [](const TRecordsListNotificatorEh* n) { return static_cast<bool>(n->OnApplyUpdates); });
}

void TMemTableDataEh::Notify(TMemoryRecordEh* MemRec, Integer Index, TRecordsListNotificationEh Action) {
  for (TRecordsListNotificatorEh* n : std::vector<TRecordsListNotificatorEh*>(FNotificators))
    n->Notification(MemRec, Index, Action);
}

void TMemTableDataEh::RecordMoved(TMemoryRecordEh* Item, Integer OldIndex, Integer NewIndex) {
  for (TRecordsListNotificatorEh* n : std::vector<TRecordsListNotificatorEh*>(FNotificators))
    n->RecordMoved(Item, OldIndex, NewIndex);
}

void TMemTableDataEh::SetAutoIncrement(TAutoIncrementEh* Value) { FAutoIncrement->Assign(Value); }

void TMemTableDataEh::SetAutoIncValues(TMemoryRecordEh* Rec) {
  TMTDataStructEh* ds = GetDataStruct();
  bool generated = false;
  Integer value = 0;
  for (Integer i = 0; i < ds->GetCount(); ++i) {
    TMTDataFieldEh* f = ds->GetItem(i);
    if (f->GetDataType() != ftAutoInc && !f->GetAutoIncrement()) continue;
    if (!generated) {
      value = FAutoIncrement->NewValue();
      generated = true;
    }
    Rec->SetValue(i, rvvValueEh, Variant(value));
  }
}

void TMemTableDataEh::UpdateAutoIncFields() {
  FAutoIncList.clear();
  if (!FDataStruct) return;
  for (Integer i = 0; i < FDataStruct->GetCount(); ++i)
    if (FDataStruct->GetItem(i)->GetDataType() == ftAutoInc) FAutoIncList.push_back(i);
}

TMTDataStructEh* TMemTableDataEh::BeginRestruct() {
  if (FRestructMode) throw Exception(u"MemTableData already in RestructMode.");
  FRestructCopy->Assign(FDataStruct);
  FRestructMode = true;
  return FRestructCopy;
}

Integer TMemTableDataEh::FetchRecords(Integer Count) {
  Integer Result = 0;
  for (TRecordsListNotificatorEh* n : std::vector<TRecordsListNotificatorEh*>(FNotificators))
    Result += n->FetchRecords(Count);
  return Result;
}

void TMemTableDataEh::CancelRestruct() {
  FRestructMode = false;
  FRestructCopy->Clear();
}

void TMemTableDataEh::CommitRestruct() { FRestructMode = false; }

void TMemTableDataEh::Clear() {
  FRecordsList->GetIndexes()->Clear();
  FRecordsList->Clear();
  FDataStruct->Clear();
}

void TMemTableDataEh::GetChildren(const TGetChildProc& Proc, TComponent*) {
  Proc(FDataStruct);
  Proc(FRecordsList);
}

// ---------------------------------------------------------------------------
// TMemTableDataShadowEh

TMemTableDataShadowEh::TMemTableDataShadowEh(TMemTableDataEh* AShadowedMemTableData)
    : TMemTableDataEh(AShadowedMemTableData), FShadowedMemTableData(AShadowedMemTableData) {}

TMTDataStructEh* TMemTableDataShadowEh::GetDataStruct() const { return FShadowedMemTableData->GetDataStruct(); }
