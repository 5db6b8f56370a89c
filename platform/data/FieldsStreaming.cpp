// Fields as streamed components: their published properties, their joining the
// dataset they are read under, and the registration of every field class, so
// that a dataset written with its persistent fields as children reads back.

#include <vector>

#include "platform/core/Filer.h"
#include "platform/core/Strings.h"
#include "platform/data/DataSet.h"
#include "platform/data/Fields.h"

namespace {

const char16_t* const FieldKindIdents[] = {u"fkData", u"fkCalculated", u"fkLookup", u"fkInternalCalc", u"fkAggregate"};
static_assert(std::size(FieldKindIdents) == fkAggregate + 1, "one identifier per field kind");

TPropInfo StrProp(const String& Name, std::function<String()> Get, std::function<void(const String&)> Set) {
  return TPropInfo{Name, [Get](TWriter* W) { W->WriteString(Get()); }, [Set](TReader* R) { Set(R->ReadString()); },
                   [Get] { return !Get().empty(); }};
}

TPropInfo IntProp(const String& Name, std::function<Integer()> Get, std::function<void(Integer)> Set) {
  return TPropInfo{Name, [Get](TWriter* W) { W->WriteInteger(Get()); }, [Set](TReader* R) { Set(R->ReadInteger()); },
                   [Get] { return Get() != 0; }};
}

TPropInfo BoolProp(const String& Name, std::function<bool()> Get, std::function<void(bool)> Set, bool Default) {
  return TPropInfo{Name, [Get](TWriter* W) { W->WriteBoolean(Get()); }, [Set](TReader* R) { Set(R->ReadBoolean()); },
                   [Get, Default] { return Get() != Default; }};
}

// Every field class, registered while the program runs.
std::vector<TComponentClass> FieldClasses() {
  return {TField::StaticComponentClass(),
          TStringField::StaticComponentClass(),
          TWideStringField::StaticComponentClass(),
          TGuidField::StaticComponentClass(),
          TNumericField::StaticComponentClass(),
          TIntegerField::StaticComponentClass(),
          TSmallintField::StaticComponentClass(),
          TShortintField::StaticComponentClass(),
          TByteField::StaticComponentClass(),
          TWordField::StaticComponentClass(),
          TLongWordField::StaticComponentClass(),
          TAutoIncField::StaticComponentClass(),
          TLargeintField::StaticComponentClass(),
          TFloatField::StaticComponentClass(),
          TCurrencyField::StaticComponentClass(),
          TExtendedField::StaticComponentClass(),
          TBCDField::StaticComponentClass(),
          TFMTBCDField::StaticComponentClass(),
          TBooleanField::StaticComponentClass(),
          TDateTimeField::StaticComponentClass(),
          TDateField::StaticComponentClass(),
          TTimeField::StaticComponentClass(),
          TSQLTimeStampField::StaticComponentClass(),
          TBytesField::StaticComponentClass(),
          TVarBytesField::StaticComponentClass(),
          TBlobField::StaticComponentClass(),
          TMemoField::StaticComponentClass(),
          TWideMemoField::StaticComponentClass(),
          TGraphicField::StaticComponentClass(),
          TVariantField::StaticComponentClass(),
          TInterfaceField::StaticComponentClass(),
          TIDispatchField::StaticComponentClass(),
          TAggregateField::StaticComponentClass()};
}

struct TFieldClassesRegistration {
  TFieldClassesRegistration() {
    for (TComponentClass c : FieldClasses()) RegisterClass(c);
  }
  ~TFieldClassesRegistration() {
    for (TComponentClass c : FieldClasses()) UnRegisterClass(c);
  }
} const FieldClassesRegistration;

}  // namespace

void TField::GetPropInfos(std::vector<TPropInfo>& Props) {
  TComponent::GetPropInfos(Props);
  Props.push_back(TPropInfo{u"FieldKind", [this](TWriter* W) { W->WriteIdent(FieldKindIdents[GetFieldKind()]); },
                            [this](TReader* R) {
                              const String ident = R->ReadIdent();
                              for (size_t i = 0; i < std::size(FieldKindIdents); ++i)
                                if (SameText(ident, FieldKindIdents[i])) {
                                  SetFieldKind(static_cast<TFieldKind>(i));
                                  return;
                                }
                              throw EReadError(u"Invalid property value");
                            },
                            // An aggregate field is one by its class.
                            [this] { return GetFieldKind() != fkData && GetFieldKind() != fkAggregate; }});
  Props.push_back(StrProp(
      u"FieldName", [this] { return GetFieldName(); }, [this](const String& v) { SetFieldName(v); }));
  Props.push_back(StrProp(
      u"DisplayLabel", [this] { return FDisplayLabel; }, [this](const String& v) { SetDisplayLabel(v); }));
  Props.push_back(IntProp(
      u"DisplayWidth", [this] { return FDisplayWidth; }, [this](Integer v) { SetDisplayWidth(v); }));
  Props.push_back(BoolProp(
      u"ReadOnly", [this] { return GetReadOnly(); }, [this](bool v) { SetReadOnly(v); }, false));
  Props.push_back(BoolProp(
      u"Required", [this] { return GetRequired(); }, [this](bool v) { SetRequired(v); }, false));
  Props.push_back(BoolProp(
      u"Visible", [this] { return GetVisible(); }, [this](bool v) { SetVisible(v); }, true));
  Props.push_back(IntProp(
      u"Size", [this] { return GetSize(); }, [this](Integer v) { SetSize(v); }));
}

void TField::ReadState(TReader* Reader) {
  TComponent::ReadState(Reader);
  if (auto* ds = dynamic_cast<TDataSet*>(Reader->GetParent())) SetDataSet(ds);
}

void TAggregateField::GetPropInfos(std::vector<TPropInfo>& Props) {
  TField::GetPropInfos(Props);
  Props.push_back(BoolProp(
      u"Active", [this] { return GetActive(); }, [this](bool v) { SetActive(v); }, false));
  Props.push_back(StrProp(
      u"Expression", [this] { return GetExpression(); }, [this](const String& v) { SetExpression(v); }));
  Props.push_back(StrProp(
      u"DisplayFormat", [this] { return GetDisplayFormat(); }, [this](const String& v) { SetDisplayFormat(v); }));
}
