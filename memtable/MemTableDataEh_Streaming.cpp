// Component streaming of the store: the published properties of the data fields,
// "AutoIncCurValue" of the store, "Data" of the records list, reading a store
// as a whole (all or nothing), and the class registration.

#include <algorithm>

#include "memtable/MemTableDataEh.h"
#include "platform/core/Strings.h"

namespace {

// ---- property table helpers -------------------------------------------------

TPropInfo StrProp(const String& Name, std::function<String()> Get, std::function<void(const String&)> Set) {
  return TPropInfo{Name, [Get](TWriter* W) { W->WriteString(Get()); }, [Set](TReader* R) { Set(R->ReadString()); },
                   [Get] { return !Get().empty(); }};
}

TPropInfo IntProp(const String& Name, std::function<Integer()> Get, std::function<void(Integer)> Set,
                  Integer Default = 0) {
  return TPropInfo{Name, [Get](TWriter* W) { W->WriteInteger(Get()); }, [Set](TReader* R) { Set(R->ReadInteger()); },
                   [Get, Default] { return Get() != Default; }};
}

TPropInfo BoolProp(const String& Name, std::function<bool()> Get, std::function<void(bool)> Set, bool Default) {
  return TPropInfo{Name, [Get](TWriter* W) { W->WriteBoolean(Get()); }, [Set](TReader* R) { Set(R->ReadBoolean()); },
                   [Get, Default] { return Get() != Default; }};
}

TPropInfo FloatProp(const String& Name, std::function<double()> Get, std::function<void(double)> Set) {
  return TPropInfo{Name, [Get](TWriter* W) { W->WriteDouble(Get()); },
                   [Set](TReader* R) { Set(static_cast<double>(R->ReadFloat())); }, [Get] { return Get() != 0; }};
}

// An enumeration written by the identifiers of its values.
template <class E, size_t N>
TPropInfo EnumProp(const String& Name, const char16_t* const (&Idents)[N], std::function<E()> Get,
                   std::function<void(E)> Set, E Default) {
  return TPropInfo{Name,
                   [Get, &Idents](TWriter* W) {
                     size_t i = static_cast<size_t>(Get());
                     W->WriteIdent(i < N ? Idents[i] : u"");
                   },
                   [Set, &Idents](TReader* R) {
                     String ident = R->ReadIdent();
                     for (size_t i = 0; i < N; ++i)
                       if (SameText(ident, Idents[i])) {
                         Set(static_cast<E>(i));
                         return;
                       }
                     throw EReadError(u"Invalid property value");
                   },
                   [Get, Default] { return Get() != Default; }};
}

const char16_t* const AlignmentIdents[] = {u"taLeftJustify", u"taRightJustify", u"taCenter"};
const char16_t* const StringTypeIdents[] = {u"fdtStringEh", u"fdtFixedCharEh",     u"fdtWideStringEh",
                                            u"fdtGuidEh",   u"fdtFixedWideCharEh", u"fdtOraIntervalEh"};
const char16_t* const NumericTypeIdents[] = {u"fdtSmallintEh", u"fdtIntegerEh",  u"fdtWordEh",     u"fdtFloatEh",
                                             u"fdtCurrencyEh", u"fdtBCDEh",      u"fdtAutoIncEh",  u"fdtLargeintEh",
                                             u"fdtFMTBcdEh",   u"fdtLongWordEh", u"fdtShortintEh", u"fdtByteEh",
                                             u"fdtExtendedEh"};
const char16_t* const DateTimeTypeIdents[] = {u"fdtDateEh", u"fdtTimeEh", u"fdtDateTimeEh"};
const char16_t* const InterfaceTypeIdents[] = {u"fdtInterfaceEh", u"fdtIDispatchEh"};
const char16_t* const VariantTypeIdents[] = {u"fdtVariant", u"fdtBytes", u"fdtVarBytes"};
const char16_t* const SQLTimeStampTypeIdents[] = {u"fdtTimeStampEh", u"fdtOraTimeStampEh"};

// The blob type travels as the TFieldType's own identifier ("ftMemo").
TPropInfo BlobTypeProp(TMTBlobDataFieldEh* F) {
  return TPropInfo{u"BlobType", [F](TWriter* W) { W->WriteIdent(FieldTypeName(F->GetBlobType())); },
                   [F](TReader* R) {
                     String ident = R->ReadIdent();
                     for (int t = ftBlob; t <= ftWideMemo; ++t)
                       if (SameText(ident, FieldTypeName(static_cast<TFieldType>(t)))) {
                         F->SetDataType(static_cast<TFieldType>(t));
                         if (F->GetBlobType() == static_cast<TFieldType>(t)) return;
                         break;
                       }
                     throw EReadError(u"Invalid property value");
                   },
                   [F] { return F->GetBlobType() != ftBlob; }};
}

int UnitInitCount = 0;

// Registration at start-up, as the unit's initialisation does it.
struct MemTableDataEhUnitInit {
  MemTableDataEhUnitInit() { InitMemTableDataEhUnit(); }
  ~MemTableDataEhUnitInit() { FinalMemTableDataEhUnit(); }
} const UnitInit;

}  // namespace

// ---------------------------------------------------------------------------
// Published properties of the data fields.

void TMTDataFieldEh::AddBasePropInfos(std::vector<TPropInfo>& Props, bool WithDefaultExpression, bool WithEditMask) {
  Props.push_back(EnumProp<TAlignment>(
      u"Alignment", AlignmentIdents, [this] { return GetAlignment(); }, [this](TAlignment v) { SetAlignment(v); },
      taLeftJustify));
  if (WithDefaultExpression)
    Props.push_back(StrProp(
        u"DefaultExpression", [this] { return GetDefaultExpression(); },
        [this](const String& v) { SetDefaultExpression(v); }));
  Props.push_back(StrProp(
      u"DisplayLabel", [this] { return GetDisplayLabel(); }, [this](const String& v) { SetDisplayLabel(v); }));
  Props.push_back(IntProp(
      u"DisplayWidth", [this] { return GetDisplayWidth(); }, [this](Integer v) { SetDisplayWidth(v); }));
  if (WithEditMask)
    Props.push_back(StrProp(
        u"EditMask", [this] { return GetEditMask(); }, [this](const String& v) { SetEditMask(v); }));
  Props.push_back(StrProp(
      u"FieldName", [this] { return GetFieldName(); }, [this](const String& v) { SetFieldName(v); }));
  Props.push_back(BoolProp(
      u"Required", [this] { return GetRequired(); }, [this](bool v) { SetRequired(v); }, false));
  Props.push_back(BoolProp(
      u"Visible", [this] { return GetVisible(); }, [this](bool v) { SetVisible(v); }, false));
}

void TMTDataFieldEh::GetPropInfos(std::vector<TPropInfo>& Props) {
  TComponent::GetPropInfos(Props);
  AddBasePropInfos(Props, true, true);
}

void TMTStringDataFieldEh::GetPropInfos(std::vector<TPropInfo>& Props) {
  TMTDataFieldEh::GetPropInfos(Props);
  Props.push_back(EnumProp<TMTStringDataFieldTypesEh>(
      u"StringDataType", StringTypeIdents, [this] { return FStringDataType; },
      [this](TMTStringDataFieldTypesEh v) { FStringDataType = v; }, fdtStringEh));
  Props.push_back(BoolProp(
      u"FixedChar", [this] { return FFixedChar; }, [this](bool v) { FFixedChar = v; }, false));
  Props.push_back(IntProp(
      u"Size", [this] { return GetSize(); }, [this](Integer v) { SetSize(v); }));
  Props.push_back(BoolProp(
      u"Transliterate", [this] { return FTransliterate; }, [this](bool v) { FTransliterate = v; }, true));
}

void TMTNumericDataFieldEh::GetPropInfos(std::vector<TPropInfo>& Props) {
  TMTDataFieldEh::GetPropInfos(Props);
  Props.push_back(EnumProp<TMTNumericDataFieldTypesEh>(
      u"NumericDataType", NumericTypeIdents, [this] { return FNumericDataType; },
      [this](TMTNumericDataFieldTypesEh v) { FNumericDataType = v; }, fdtSmallintEh));
  Props.push_back(StrProp(
      u"DisplayFormat", [this] { return FDisplayFormat; }, [this](const String& v) { FDisplayFormat = v; }));
  Props.push_back(StrProp(
      u"EditFormat", [this] { return FEditFormat; }, [this](const String& v) { FEditFormat = v; }));
  Props.push_back(BoolProp(
      u"currency", [this] { return FCurrency; }, [this](bool v) { FCurrency = v; }, false));
  Props.push_back(FloatProp(
      u"MaxValue", [this] { return FMaxValue; }, [this](double v) { FMaxValue = v; }));
  Props.push_back(FloatProp(
      u"MinValue", [this] { return FMinValue; }, [this](double v) { FMinValue = v; }));
  Props.push_back(IntProp(
      u"Precision", [this] { return FPrecision; }, [this](Integer v) { FPrecision = v; }));
}

void TMTDateTimeDataFieldEh::GetPropInfos(std::vector<TPropInfo>& Props) {
  TMTDataFieldEh::GetPropInfos(Props);
  Props.push_back(EnumProp<TMTDateTimeDataFieldTypesEh>(
      u"DateTimeDataType", DateTimeTypeIdents, [this] { return FDateTimeDataType; },
      [this](TMTDateTimeDataFieldTypesEh v) { FDateTimeDataType = v; }, fdtDateEh));
  Props.push_back(StrProp(
      u"DisplayFormat", [this] { return FDisplayFormat; }, [this](const String& v) { FDisplayFormat = v; }));
}

void TMTBlobDataFieldEh::GetPropInfos(std::vector<TPropInfo>& Props) {
  TMTDataFieldEh::GetPropInfos(Props);
  Props.push_back(BlobTypeProp(this));
  Props.push_back(BoolProp(
      u"GraphicHeader", [this] { return FGraphicHeader; }, [this](bool v) { FGraphicHeader = v; }, false));
  Props.push_back(BoolProp(
      u"Transliterate", [this] { return FTransliterate; }, [this](bool v) { FTransliterate = v; }, false));
}

void TMTBooleanDataFieldEh::GetPropInfos(std::vector<TPropInfo>& Props) {
  TMTDataFieldEh::GetPropInfos(Props);
  Props.push_back(StrProp(
      u"DisplayValues", [this] { return FDisplayValues; }, [this](const String& v) { FDisplayValues = v; }));
}

void TMTInterfaceDataFieldEh::GetPropInfos(std::vector<TPropInfo>& Props) {
  TComponent::GetPropInfos(Props);
  AddBasePropInfos(Props, true, false);
  Props.push_back(EnumProp<TMTInterfaceDataFieldTypesEh>(
      u"InterfaceDataType", InterfaceTypeIdents, [this] { return FInterfaceDataType; },
      [this](TMTInterfaceDataFieldTypesEh v) { FInterfaceDataType = v; }, fdtInterfaceEh));
}

void TMTVariantDataFieldEh::GetPropInfos(std::vector<TPropInfo>& Props) {
  TComponent::GetPropInfos(Props);
  AddBasePropInfos(Props, true, false);
  Props.push_back(EnumProp<TMTVariantDataFieldTypesEh>(
      u"VariantDataType", VariantTypeIdents, [this] { return FVariantDataType; },
      [this](TMTVariantDataFieldTypesEh v) { FVariantDataType = v; }, fdtVariant));
}

void TMTRefObjectFieldEh::GetPropInfos(std::vector<TPropInfo>& Props) {
  TComponent::GetPropInfos(Props);
  AddBasePropInfos(Props, false, false);
}

void TMTSQLTimeStampDataFieldEh::GetPropInfos(std::vector<TPropInfo>& Props) {
  TMTDataFieldEh::GetPropInfos(Props);
  Props.push_back(EnumProp<TMTSQLTimeStampDataFieldTypesEh>(
      u"SQLTimeStampDataFieldType", SQLTimeStampTypeIdents, [this] { return FSQLTimeStampDataFieldType; },
      [this](TMTSQLTimeStampDataFieldTypesEh v) { FSQLTimeStampDataFieldType = v; }, fdtTimeStampEh));
  Props.push_back(StrProp(
      u"DisplayFormat", [this] { return FDisplayFormat; }, [this](const String& v) { FDisplayFormat = v; }));
}

void TMTDataFieldEh::ReadState(TReader* Reader) {
  TComponent::ReadState(Reader);
  auto* ds = dynamic_cast<TMTDataStructEh*>(Reader->GetParent());
  if (!ds) return;
  // A stream that names a column twice is refused before the field joins the structure.
  ds->CheckFieldName(FFieldName);
  SetDataStruct(ds);
  FFieldId = ds->FNextFieldId++;
}

// ---------------------------------------------------------------------------
// Records: one list of values per record.

void TMemoryRecordEh::ReadData(TReader* Reader) {
  TMTDataStructEh* ds = FRecordsList->DataStruct();
  const Integer n = ds ? ds->GetCount() : 0;
  TValueArray values;
  values.reserve(static_cast<size_t>(n));
  Reader->ReadListBegin();
  for (Integer i = 0; i < n; ++i) {
    if (Reader->EndOfList())
      throw EReadError(u"TMemoryRecordEh.ReadData: the record has fewer values than the table has columns.");
    Variant v = Reader->ReadVariant();
    if (v.IsEmpty() || v.IsNull()) {
      values.emplace_back();
      continue;
    }
    TMTDataFieldEh* f = ds->GetItem(i);
    TVarType vt = f->GetVarType();
    if (dynamic_cast<TMTRefObjectFieldEh*>(f) || vt == varVariant || VarType(v) == vt) values.emplace_back(v);
    else values.emplace_back(VarAsType(v, vt));
  }
  if (!Reader->EndOfList())
    throw EReadError(u"TMemoryRecordEh.ReadData: the record has more values than the table has columns.");
  Reader->ReadListEnd();
  AssignCurrent(std::move(values));
}

void TMemoryRecordEh::WriteData(TWriter* Writer) const {
  // One value per column of the structure, so the list reads back whatever the
  // record missed of later columns (those are Null).
  const size_t n = static_cast<size_t>(FRecordsList->FieldCount());
  const TRecDataValues data = GetData();
  for (size_t i = 0; i < n && i < data.size(); ++i)
    if (data[i].IsEmpty()) throw Exception(u"\"TMemoryRecordEh.WriteData\" - Invalid variant type - varEmpty");
  Writer->WriteListBegin();
  for (size_t i = 0; i < n; ++i) {
    if (i >= data.size() || data[i].IsNull()) Writer->WriteValue(vaNil);
    else Writer->WriteVariant(data[i].ToVariant());
  }
  Writer->WriteListEnd();
}

void TRecordsListEh::DefineProperties(TFiler* Filer) {
  TComponent::DefineProperties(Filer);
  Filer->DefineProperty(
      u"Data", [this](TReader* R) { ReadData(R); }, [this](TWriter* W) { WriteData(W); }, GetCount() > 0);
}

void TRecordsListEh::WriteData(TWriter* Writer) {
  Writer->WriteListBegin();
  for (TMemoryRecordEh* Rec : FList) Rec->WriteData(Writer);
  Writer->WriteListEnd();
}

void TRecordsListEh::ReadData(TReader* Reader) {
  // Every record is read before the list changes, so a bad stream leaves it as it was.
  std::vector<std::unique_ptr<TMemoryRecordEh>> records;
  Reader->ReadListBegin();
  while (!Reader->EndOfList()) {
    std::unique_ptr<TMemoryRecordEh> Rec(NewRecord());
    Rec->ReadData(Reader);
    records.push_back(std::move(Rec));
  }
  Reader->ReadListEnd();
  Clear();
  for (auto& Rec : records) LoadRecord(Rec.release());
}

// ---------------------------------------------------------------------------
// The store: "AutoIncCurValue" and reading as a whole.

void TMemTableDataEh::DefineProperties(TFiler* Filer) {
  TComponent::DefineProperties(Filer);
  Filer->DefineProperty(
      u"AutoIncCurValue", [this](TReader* R) { FAutoIncrement->SetCurValue(R->ReadInteger()); },
      [this](TWriter* W) { W->WriteInteger(FAutoIncrement->GetCurValue()); },
      FAutoIncrement->GetCurValue() != FAutoIncrement->GetInitValue());
}

void TMemTableDataEh::ReadState(TReader* Reader) {
  // The children are read into a scratch store first; only a stream read to its
  // end replaces the structure and the records, so a bad stream leaves the store
  // as it was.
  TMemTableDataEh scratch(nullptr);
  scratch.FRecordsList->FNextID = FRecordsList->FNextID;
  const Integer savedCurValue = FAutoIncrement->GetCurValue();

  // Columns made by the reader belong to the scratch store until they move over,
  // so their names cannot clash with the columns they replace.
  TComponent* savedOwner = Reader->GetOwner();
  Reader->SetOwner(&scratch);
  auto savedCreate = Reader->OnCreateComponent;
  auto savedNotFound = Reader->OnAncestorNotFound;
  Reader->OnCreateComponent = [&scratch](TReader*, TComponentClass Class, TComponent*& Component) {
    if (TObject::ClassInheritsFrom(Class->Class, TMTDataStructEh::StaticClass())) Component = scratch.FDataStruct;
    else if (TObject::ClassInheritsFrom(Class->Class, TRecordsListEh::StaticClass())) Component = scratch.FRecordsList;
  };
  Reader->OnAncestorNotFound = [&scratch](TReader*, const String& Name, TComponentClass, TComponent*& Component) {
    if (SameText(Name, u"DataStruct")) Component = scratch.FDataStruct;
    else if (SameText(Name, u"RecordsList")) Component = scratch.FRecordsList;
  };
  auto restoreHooks = [&] {
    Reader->SetOwner(savedOwner);
    Reader->OnCreateComponent = savedCreate;
    Reader->OnAncestorNotFound = savedNotFound;
  };
  try {
    TComponent::ReadState(Reader);
  } catch (...) {
    restoreHooks();
    FAutoIncrement->SetCurValue(savedCurValue);
    throw;
  }
  restoreHooks();

  Clear();
  // Columns first: the records take their column count from the structure.
  for (TMTDataFieldEh* f : std::vector<TMTDataFieldEh*>(scratch.FDataStruct->FList)) {
    TComponent* owner = f->TComponent::GetOwner();
    if (owner == scratch.FDataStruct || owner == &scratch) {
      owner->RemoveComponent(f);
      FDataStruct->InsertComponent(f);
    }
    f->SetDataStruct(FDataStruct);
    f->FFieldId = FDataStruct->FNextFieldId++;
  }
  std::vector<TMemoryRecordEh*> records;
  records.swap(scratch.FRecordsList->FList);
  FRecordsList->FNextID = std::max(FRecordsList->FNextID, scratch.FRecordsList->FNextID);
  for (TMemoryRecordEh* Rec : records) {
    Rec->FRecordsList = FRecordsList;
    Rec->FIndex = -1;
    Rec->FPendingIndex = -1;
  }
  for (TMemoryRecordEh* Rec : records) FRecordsList->LoadRecord(Rec);
}

// ---------------------------------------------------------------------------
// Class registration.

void InitMemTableDataEhUnit() {
  if (UnitInitCount++ > 0) return;
  RegisterClasses({TMemTableDataEh::StaticComponentClass(), TMTDataStructEh::StaticComponentClass(),
                   TRecordsListEh::StaticComponentClass(), TMTDataFieldEh::StaticComponentClass(),
                   TMTStringDataFieldEh::StaticComponentClass(), TMTNumericDataFieldEh::StaticComponentClass(),
                   TMTDateTimeDataFieldEh::StaticComponentClass(), TMTBlobDataFieldEh::StaticComponentClass(),
                   TMTBooleanDataFieldEh::StaticComponentClass(), TMTInterfaceDataFieldEh::StaticComponentClass(),
                   TMTVariantDataFieldEh::StaticComponentClass(), TMTRefObjectFieldEh::StaticComponentClass(),
                   TMTSQLTimeStampDataFieldEh::StaticComponentClass()});
}

void FinalMemTableDataEhUnit() {
  if (UnitInitCount <= 0 || --UnitInitCount > 0) return;
  UnRegisterClasses({TMemTableDataEh::StaticComponentClass(), TMTDataStructEh::StaticComponentClass(),
                     TRecordsListEh::StaticComponentClass(), TMTDataFieldEh::StaticComponentClass(),
                     TMTStringDataFieldEh::StaticComponentClass(), TMTNumericDataFieldEh::StaticComponentClass(),
                     TMTDateTimeDataFieldEh::StaticComponentClass(), TMTBlobDataFieldEh::StaticComponentClass(),
                     TMTBooleanDataFieldEh::StaticComponentClass(), TMTInterfaceDataFieldEh::StaticComponentClass(),
                     TMTVariantDataFieldEh::StaticComponentClass(), TMTRefObjectFieldEh::StaticComponentClass(),
                     TMTSQLTimeStampDataFieldEh::StaticComponentClass()});
}
