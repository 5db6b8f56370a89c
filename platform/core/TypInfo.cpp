#include "platform/core/TypInfo.h"

const TTypeInfo TypeInfoBoolean{tkEnumeration, u"Boolean"};
const TTypeInfo TypeInfoInteger{tkInteger, u"Integer"};
const TTypeInfo TypeInfoInt64{tkInt64, u"Int64"};
const TTypeInfo TypeInfoExtended{tkFloat, u"Extended"};
const TTypeInfo TypeInfoWideChar{tkWChar, u"WideChar"};
const TTypeInfo TypeInfoString{tkUString, u"String"};
const TTypeInfo TypeInfoVariant{tkVariant, u"Variant"};
const TTypeInfo TypeInfoEnumeration{tkEnumeration, u"Enumeration"};

namespace {

TPropInfo Entry(const String& Name, std::function<void(TWriter*)> Write, std::function<void(TReader*)> Read,
                TPropStoredFn Stored, const TTypeInfo* Type) {
  TPropInfo P;
  P.Name = Name;
  P.Write = std::move(Write);
  P.Read = std::move(Read);
  P.Stored = std::move(Stored);
  P.PropType = Type;
  return P;
}

}  // namespace

TPropInfo BooleanPropInfo(const String& Name, std::function<bool()> Get, std::function<void(bool)> Set,
                          TPropStoredFn Stored) {
  return Entry(
      Name, [Get](TWriter* W) { W->WriteBoolean(Get()); }, [Set](TReader* R) { Set(R->ReadBoolean()); },
      std::move(Stored), &TypeInfoBoolean);
}

TPropInfo IntegerPropInfo(const String& Name, std::function<Int64()> Get, std::function<void(Int64)> Set,
                          TPropStoredFn Stored) {
  return Entry(
      Name, [Get](TWriter* W) { W->WriteInteger(Get()); }, [Set](TReader* R) { Set(R->ReadInt64()); },
      std::move(Stored), &TypeInfoInteger);
}

TPropInfo FloatPropInfo(const String& Name, std::function<Extended()> Get, std::function<void(Extended)> Set,
                        TPropStoredFn Stored) {
  return Entry(
      Name, [Get](TWriter* W) { W->WriteFloat(Get()); }, [Set](TReader* R) { Set(R->ReadFloat()); }, std::move(Stored),
      &TypeInfoExtended);
}

TPropInfo CharPropInfo(const String& Name, std::function<Char()> Get, std::function<void(Char)> Set,
                       TPropStoredFn Stored) {
  return Entry(
      Name, [Get](TWriter* W) { W->WriteString(String(1, Get())); },
      [Set](TReader* R) {
        const String S = R->ReadString();
        Set(S.empty() ? Char(0) : S[0]);
      },
      std::move(Stored), &TypeInfoWideChar);
}

TPropInfo StringPropInfo(const String& Name, std::function<String()> Get, std::function<void(const String&)> Set,
                         TPropStoredFn Stored) {
  return Entry(
      Name, [Get](TWriter* W) { W->WriteString(Get()); }, [Set](TReader* R) { Set(R->ReadString()); },
      std::move(Stored), &TypeInfoString);
}

TPropInfo VariantPropInfo(const String& Name, std::function<Variant()> Get, std::function<void(const Variant&)> Set,
                          TPropStoredFn Stored) {
  return Entry(
      Name, [Get](TWriter* W) { W->WriteVariant(Get()); }, [Set](TReader* R) { Set(R->ReadVariant()); },
      std::move(Stored), &TypeInfoVariant);
}

TPropInfo StringsPropInfo(const String& Name, std::function<TStrings*()> Get, TPropStoredFn Stored) {
  TPropInfo P = Entry(
      Name,
      [Get](TWriter* W) {
        W->WriteListBegin();
        const TStrings* S = Get();
        for (Integer I = 0; I < S->GetCount(); ++I) W->WriteString(S->Get(I));
        W->WriteListEnd();
      },
      [Get](TReader* R) {
        TStrings* S = Get();
        S->BeginUpdate();
        S->Clear();
        R->ReadListBegin();
        while (!R->EndOfList()) S->Add(R->ReadString());
        R->ReadListEnd();
        S->EndUpdate();
      },
      std::move(Stored), ClassTypeInfo<TStrings>());
  P.GetObject = [Get]() -> TObject* { return Get(); };
  return P;
}

TPropInfo CollectionPropInfo(const String& Name, std::function<TCollection*()> Get, TPropStoredFn Stored) {
  TPropInfo P = Entry(
      Name, [Get](TWriter* W) { W->WriteCollection(Get()); }, [Get](TReader* R) { R->ReadCollection(Get()); },
      std::move(Stored), ClassTypeInfo<TCollection>());
  P.GetObject = [Get]() -> TObject* { return Get(); };
  return P;
}

void AddSubObjectPropInfos(std::vector<TPropInfo>& Props, TPersistent* Object, const String& Prefix) {
  for (TPropInfo P : TFiler::PropertiesOf(Object)) {
    P.Name = Prefix + P.Name;
    Props.push_back(std::move(P));
  }
}

const TTypeInfo* PropInfoType(const TPropInfo& PropInfo) { return PropInfo.PropType; }

TTypeKind TypeInfoKind(const TTypeInfo* TypeInfo) { return TypeInfo ? TypeInfo->Kind : tkUnknown; }

const TPropInfo* FindPropInfo(const std::vector<TPropInfo>& Props, const String& Name) {
  for (const TPropInfo& P : Props)
    if (SameText(P.Name, Name)) return &P;
  return nullptr;
}
