#include "platform/data/FieldDefs.h"

#include "platform/core/Locale.h"
#include "platform/core/Strings.h"
#include "platform/core/WithUpdate.h"
#include "platform/data/DBConsts.h"
#include "platform/data/DataSet.h"

namespace {

bool SameName(const String& a, const String& b) { return SameText(a, b) || CompareStringLocale(a, b, true) == 0; }

}  // namespace

// ---- TFieldDef ------------------------------------------------------------------

TFieldDef::TFieldDef(TCollection* Collection) : TCollectionItem(Collection) { FFieldNo = GetIndex() + 1; }

TFieldDef::TFieldDef(TFieldDefs* Owner, const String& Name, TFieldType DataType, Integer Size, bool Required,
                     Integer FieldNo)
    : TCollectionItem(Owner) {
  FName = Name;
  FDataType = DataType;
  FSize = Size;
  if (Required) FAttributes.Include(faRequired);
  FFieldNo = FieldNo;
  Changed();
}

TFieldDefs* TFieldDef::GetFieldDefs() const { return static_cast<TFieldDefs*>(GetCollection()); }

void TFieldDef::SetName(const String& Value) {
  if (FName == Value) return;
  if (TFieldDefs* defs = GetFieldDefs(); defs && !SameName(FName, Value) && defs->IndexOf(Value) >= 0)
    DatabaseErrorFmt(SDuplicateFieldName, {Value}, defs->GetDataSet());
  FName = Value;
  Changed();
}

void TFieldDef::SetDataType(TFieldType Value) {
  FDataType = Value;
  // The sizes the types take unless told otherwise.
  switch (Value) {
    case ftString:
    case ftWideString:
    case ftFixedChar:
    case ftFixedWideChar:
      if (FSize == 0) FSize = 20;
      break;
    case ftGuid: FSize = 38; break;
    case ftBCD:
      if (FSize == 0) FSize = 4;
      break;
    case ftFMTBcd:
      if (FSize == 0) FSize = 8;
      break;
    case ftBytes:
    case ftVarBytes:
      if (FSize == 0) FSize = 16;
      break;
    default: break;
  }
  Changed();
}

void TFieldDef::SetSize(Integer Value) {
  if (Value < 0) DatabaseError(SInvalidFieldSize);
  FSize = Value;
  Changed();
}

void TFieldDef::SetPrecision(Integer Value) {
  FPrecision = Value;
  Changed();
}

void TFieldDef::SetAttributes(TFieldAttributes Value) {
  FAttributes = Value;
  Changed();
}

void TFieldDef::SetRequired(bool Value) {
  if (Value) FAttributes.Include(faRequired);
  else FAttributes.Exclude(faRequired);
  Changed();
}

TFieldClass TFieldDef::GetFieldClass() const {
  TFieldDefs* defs = GetFieldDefs();
  if (defs && defs->GetDataSet()) return defs->GetDataSet()->GetFieldClass(FDataType);
  return DefaultFieldClass(FDataType);
}

TField* TFieldDef::CreateField(TComponent* Owner, const String& FieldName, bool) {
  TFieldClass cls = GetFieldClass();
  if (!cls || !cls->Create) DatabaseErrorFmt(SUnknownFieldType, {FName});
  std::unique_ptr<TComponent> made(cls->Create(Owner));
  auto* field = dynamic_cast<TField*>(made.get());
  if (!field) DatabaseErrorFmt(SUnknownFieldType, {FName});
  field->SetFieldName(FieldName.empty() ? FName : FieldName);
  field->FSize = FSize;
  // A class may stand for several types (TStringField for ftFixedChar, say).
  field->FDataType = FDataType == ftUnknown ? field->FDataType : FDataType;
  field->SetRequired(FAttributes.Contains(faRequired));
  if (FAttributes.Contains(faReadonly)) field->SetReadOnly(true);
  if (auto* f = dynamic_cast<TFloatField*>(field); f && FPrecision > 0) f->SetPrecision(FPrecision);
  if (auto* f = dynamic_cast<TBCDField*>(field); f && FPrecision > 0) f->SetPrecision(FPrecision);
  if (FInternalCalcField) field->FFieldKind = fkInternalCalc;
  TFieldDefs* defs = GetFieldDefs();
  if (defs && defs->GetDataSet()) field->SetDataSet(defs->GetDataSet());
  made.release();
  return field;
}

void TFieldDef::Assign(TPersistent* Source) {
  if (auto* d = dynamic_cast<TFieldDef*>(Source)) {
    FName = d->FName;
    FDataType = d->FDataType;
    FSize = d->FSize;
    FPrecision = d->FPrecision;
    FAttributes = d->FAttributes;
    FInternalCalcField = d->FInternalCalcField;
    Changed();
    return;
  }
  TCollectionItem::Assign(Source);
}

// ---- TFieldDefs ----------------------------------------------------------------

TFieldDefs::TFieldDefs(TPersistent* AOwner)
    : TOwnedCollection(AOwner, TFieldDef::StaticItemClass()), FDataSet(dynamic_cast<TDataSet*>(AOwner)) {}

TFieldDef* TFieldDefs::GetItem(Integer Index) const { return static_cast<TFieldDef*>(TCollection::GetItem(Index)); }

TFieldDef* TFieldDefs::AddFieldDef() {
  auto* d = static_cast<TFieldDef*>(TCollection::Add());
  d->SetFieldNo(GetCount());
  return d;
}

TFieldDef* TFieldDefs::Add(const String& Name, TFieldType DataType, Integer Size, bool Required) {
  if (Name.empty()) DatabaseError(u"Field name missing", FDataSet);
  if (IndexOf(Name) >= 0) DatabaseErrorFmt(SDuplicateFieldName, {Name}, FDataSet);
  if (Size < 0) DatabaseError(SInvalidFieldSize, FDataSet);
  TFieldDef* d = nullptr;
  WithUpdate(*this, [&] {
    d = AddFieldDef();
    d->FName = Name;
    d->SetDataType(DataType);
    if (Size != 0) d->FSize = Size;
    d->SetRequired(Required);
  });
  return d;
}

Integer TFieldDefs::IndexOf(const String& Name) const {
  for (Integer i = 0; i < GetCount(); ++i)
    if (SameName(GetItem(i)->GetName(), Name)) return i;
  return -1;
}

TFieldDef* TFieldDefs::Find(const String& Name) const {
  Integer i = IndexOf(Name);
  if (i < 0) DatabaseErrorFmt(SFieldDefNotFound, {Name}, FDataSet);
  return GetItem(i);
}

void TFieldDefs::Update() {
  if (FUpdated || !FDataSet) return;
  FDataSet->InternalInitFieldDefs();
  FUpdated = true;
}

void TFieldDefs::Update(TCollectionItem* Item) {
  TOwnedCollection::Update(Item);
  if (FDataSet && !FDataSet->GetComponentState().Contains(csLoading)) FDataSet->DefChanged(this);
}

// ---- TIndexDef -----------------------------------------------------------------

TIndexDef::TIndexDef(TCollection* Collection) : TCollectionItem(Collection) {}

void TIndexDef::Assign(TPersistent* Source) {
  if (auto* d = dynamic_cast<TIndexDef*>(Source)) {
    FName = d->FName;
    FFields = d->FFields;
    FDescFields = d->FDescFields;
    FCaseInsFields = d->FCaseInsFields;
    FExpression = d->FExpression;
    FSource = d->FSource;
    FOptions = d->FOptions;
    Changed(false);
    return;
  }
  TCollectionItem::Assign(Source);
}

TIndexDefs::TIndexDefs(TPersistent* AOwner)
    : TOwnedCollection(AOwner, TIndexDef::StaticItemClass()), FDataSet(dynamic_cast<TDataSet*>(AOwner)) {}

TIndexDef* TIndexDefs::GetItem(Integer Index) const { return static_cast<TIndexDef*>(TCollection::GetItem(Index)); }

TIndexDef* TIndexDefs::AddIndexDef() { return static_cast<TIndexDef*>(TCollection::Add()); }

TIndexDef* TIndexDefs::Add(const String& Name, const String& Fields, TIndexOptions Options) {
  TIndexDef* d = AddIndexDef();
  d->SetName(Name);
  d->SetFields(Fields);
  d->SetOptions(Options);
  return d;
}

Integer TIndexDefs::IndexOf(const String& Name) const {
  for (Integer i = 0; i < GetCount(); ++i)
    if (SameName(GetItem(i)->GetName(), Name)) return i;
  return -1;
}

TIndexDef* TIndexDefs::Find(const String& Name) const {
  Integer i = IndexOf(Name);
  if (i < 0) DatabaseErrorFmt(SIndexNotFound, {Name}, FDataSet);
  return GetItem(i);
}

TIndexDef* TIndexDefs::FindIndexForFields(const String& Fields) const {
  TIndexDef* d = GetIndexForFields(Fields, false);
  if (!d) DatabaseErrorFmt(SIndexNotFound, {Fields}, FDataSet);
  return d;
}

TIndexDef* TIndexDefs::GetIndexForFields(const String& Fields, bool CaseInsensitive) const {
  Integer len = static_cast<Integer>(Fields.size());
  for (Integer i = 0; i < GetCount(); ++i) {
    TIndexDef* d = GetItem(i);
    if (d->GetOptions().Contains(ixExpression)) continue;
    if (CaseInsensitive && !d->GetOptions().Contains(ixCaseInsensitive)) continue;
    const String& f = d->GetFields();
    // The index's leading fields must be exactly the named ones.
    if (static_cast<Integer>(f.size()) >= len && AnsiCompareText(Copy(f, 1, len), Fields) == 0 &&
        (static_cast<Integer>(f.size()) == len || f[len] == u';'))
      return d;
  }
  return nullptr;
}

void TIndexDefs::Update() { FUpdated = true; }

// ---- streaming ------------------------------------------------------------------

namespace {

TFieldType ReadFieldType(TReader* R) {
  String name = R->ReadIdent();
  TFieldType t;
  if (!FieldTypeFromName(name, t)) throw EReadError(u"Invalid field type: " + name);
  return t;
}

}  // namespace

void TFieldDef::GetPropInfos(std::vector<TPropInfo>& Props) {
  TCollectionItem::GetPropInfos(Props);
  Props.push_back({u"Name", [this](TWriter* W) { W->WriteString(FName); },
                   [this](TReader* R) { FName = R->ReadString(); }, nullptr});
  Props.push_back({u"DataType", [this](TWriter* W) { W->WriteIdent(FieldTypeName(FDataType)); },
                   [this](TReader* R) { FDataType = ReadFieldType(R); }, nullptr});
  Props.push_back({u"Size", [this](TWriter* W) { W->WriteInteger(FSize); },
                   [this](TReader* R) { FSize = R->ReadInteger(); }, [this] { return FSize != 0; }});
  Props.push_back({u"Precision", [this](TWriter* W) { W->WriteInteger(FPrecision); },
                   [this](TReader* R) { FPrecision = R->ReadInteger(); }, [this] { return FPrecision != 0; }});
  Props.push_back({u"Attributes", [this](TWriter* W) { W->WriteInteger(static_cast<Int64>(FAttributes.Bits())); },
                   [this](TReader* R) {
                     Int64 bits = R->ReadInt64();
                     FAttributes = TFieldAttributes();
                     for (int i = 0; i <= faFixed; ++i)
                       if (bits & (Int64{1} << i)) FAttributes.Include(static_cast<TFieldAttribute>(i));
                   },
                   [this] { return !FAttributes.Empty(); }});
}

void TIndexDef::GetPropInfos(std::vector<TPropInfo>& Props) {
  TCollectionItem::GetPropInfos(Props);
  auto text = [&Props](const char16_t* name, String& field) {
    Props.push_back({name, [&field](TWriter* W) { W->WriteString(field); },
                     [&field](TReader* R) { field = R->ReadString(); }, [&field] { return !field.empty(); }});
  };
  text(u"Name", FName);
  text(u"Fields", FFields);
  text(u"DescFields", FDescFields);
  text(u"CaseInsFields", FCaseInsFields);
  text(u"Expression", FExpression);
  Props.push_back({u"Options", [this](TWriter* W) { W->WriteInteger(static_cast<Int64>(FOptions.Bits())); },
                   [this](TReader* R) {
                     Int64 bits = R->ReadInt64();
                     FOptions = TIndexOptions();
                     for (int i = 0; i <= ixNonMaintained; ++i)
                       if (bits & (Int64{1} << i)) FOptions.Include(static_cast<TIndexOption>(i));
                   },
                   [this] { return !FOptions.Empty(); }});
}
