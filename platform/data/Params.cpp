#include "platform/data/Params.h"

#include "platform/core/Locale.h"
#include "platform/core/Strings.h"
#include "platform/data/DBConsts.h"
#include "platform/data/DataSet.h"

namespace {

TFieldType FieldTypeOfVariant(const Variant& v) {
  switch (v.VarType() & varTypeMask) {
    case varSmallint:
    case varShortInt:
    case varByte: return ftSmallint;
    case varInteger:
    case varWord: return ftInteger;
    case varLongWord: return ftLongWord;
    case varInt64: return ftLargeint;
    case varSingle:
    case varDouble: return ftFloat;
    case varCurrency: return ftCurrency;
    case varDate: return ftDateTime;
    case varBoolean: return ftBoolean;
    case varOleStr: return ftWideString;
    case varString: return ftString;
    default: return ftUnknown;
  }
}

}  // namespace

TParam::TParam(TCollection* Collection) : TCollectionItem(Collection) { FValue = Variant::Null(); }

TParam::TParam(TParams* AParams, TParamType AParamType) : TCollectionItem(AParams), FParamType(AParamType) {
  FValue = Variant::Null();
}

void TParam::SetValue(const Variant& Value) {
  if (FDataType == ftUnknown) FDataType = FieldTypeOfVariant(Value);
  FValue = Value.IsEmpty() ? Variant::Null() : Value;
  FBound = !FValue.IsNull();
}

void TParam::Clear() { FValue = Variant::Null(); }

void TParam::SetAsString(const String& Value) {
  FDataType = ftString;
  SetValue(Variant(Value));
}
void TParam::SetAsInteger(Integer Value) {
  FDataType = ftInteger;
  SetValue(Variant(Value));
}
void TParam::SetAsFloat(double Value) {
  FDataType = ftFloat;
  SetValue(Variant(Value));
}
void TParam::SetAsBoolean(bool Value) {
  FDataType = ftBoolean;
  SetValue(Variant(Value));
}
void TParam::SetAsDateTime(TDateTime Value) {
  FDataType = ftDateTime;
  SetValue(Variant::FromDate(Value));
}

void TParam::Assign(TPersistent* Source) {
  if (auto* p = dynamic_cast<TParam*>(Source)) {
    FName = p->FName;
    FDataType = p->FDataType;
    FParamType = p->FParamType;
    FSize = p->FSize;
    FBound = p->FBound;
    FValue = p->FValue;
    return;
  }
  TCollectionItem::Assign(Source);
}

TParams::TParams(TPersistent* AOwner) : TOwnedCollection(AOwner, TParam::StaticItemClass()) {}

TParam* TParams::GetItem(Integer Index) const { return static_cast<TParam*>(TCollection::GetItem(Index)); }

TParam* TParams::AddParam(TParam* Value) {
  Value->SetCollection(this);
  return Value;
}

TParam* TParams::CreateParam(TFieldType FldType, const String& ParamName, TParamType ParamType) {
  auto* p = static_cast<TParam*>(Add());
  p->SetName(ParamName);
  p->SetDataType(FldType);
  p->SetParamType(ParamType);
  return p;
}

TParam* TParams::FindParam(const String& Value) const {
  for (Integer i = 0; i < GetCount(); ++i)
    if (CompareStringLocale(GetItem(i)->GetName(), Value, true) == 0) return GetItem(i);
  return nullptr;
}

TParam* TParams::ParamByName(const String& Value) const {
  TParam* p = FindParam(Value);
  if (!p) DatabaseErrorFmt(SParameterNotFound, {Value}, dynamic_cast<TComponent*>(GetOwner()));
  return p;
}

Variant TParams::GetParamValues(const String& ParamName) const {
  if (ParamName.find(u';') == String::npos) return ParamByName(ParamName)->GetValue();
  std::vector<Variant> values;
  Integer pos = 1;
  while (pos <= static_cast<Integer>(ParamName.size())) {
    String name = ExtractFieldName(ParamName, pos);
    if (!name.empty()) values.push_back(ParamByName(name)->GetValue());
  }
  return VarArrayOf(values);
}

void TParams::SetParamValues(const String& ParamName, const Variant& Value) {
  if (!VarIsArray(Value)) {
    ParamByName(ParamName)->SetValue(Value);
    return;
  }
  Integer pos = 1, i = VarArrayLowBound(Value);
  while (pos <= static_cast<Integer>(ParamName.size())) {
    String name = ExtractFieldName(ParamName, pos);
    if (!name.empty()) ParamByName(name)->SetValue(VarArrayGet(Value, i++));
  }
}

void TParams::AssignValues(const TParams* Value) {
  for (Integer i = 0; i < Value->GetCount(); ++i)
    if (TParam* p = FindParam(Value->GetItem(i)->GetName())) p->Assign(Value->GetItem(i));
}

bool TParams::IsEqual(const TParams* Value) const {
  if (Value->GetCount() != GetCount()) return false;
  for (Integer i = 0; i < GetCount(); ++i) {
    TParam* a = GetItem(i);
    TParam* b = Value->GetItem(i);
    if (a->GetName() != b->GetName() || a->GetDataType() != b->GetDataType() ||
        a->GetParamType() != b->GetParamType() || !VarSameValue(a->GetValue(), b->GetValue()))
      return false;
  }
  return true;
}

void TParam::GetPropInfos(std::vector<TPropInfo>& Props) {
  TCollectionItem::GetPropInfos(Props);
  Props.push_back({u"Name", [this](TWriter* W) { W->WriteString(FName); },
                   [this](TReader* R) { FName = R->ReadString(); }, nullptr});
  Props.push_back({u"DataType", [this](TWriter* W) { W->WriteIdent(FieldTypeName(FDataType)); },
                   [this](TReader* R) {
                     String name = R->ReadIdent();
                     if (!FieldTypeFromName(name, FDataType)) throw EReadError(u"Invalid field type: " + name);
                   },
                   nullptr});
  Props.push_back({u"ParamType", [this](TWriter* W) { W->WriteInteger(FParamType); },
                   [this](TReader* R) {
                     Integer v = R->ReadInteger();
                     if (v < ptUnknown || v > ptResult) throw EReadError(u"Invalid parameter type");
                     FParamType = static_cast<TParamType>(v);
                   },
                   nullptr});
  Props.push_back({u"Size", [this](TWriter* W) { W->WriteInteger(FSize); },
                   [this](TReader* R) { FSize = R->ReadInteger(); }, [this] { return FSize != 0; }});
  Props.push_back({u"Value", [this](TWriter* W) { W->WriteVariant(FValue); },
                   [this](TReader* R) {
                     FValue = R->ReadVariant();
                     FBound = !FValue.IsNull();
                   },
                   [this] { return !FValue.IsEmpty(); }});
}
