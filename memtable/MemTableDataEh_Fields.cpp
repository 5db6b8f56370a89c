// Building the structure from a dataset's fields and back: AssignProps,
// BuildFromFields and FillFieldDefs.

#include "memtable/MemTableDataEh.h"
#include "platform/core/WithUpdate.h"
#include "platform/data/FieldDefs.h"
#include "platform/data/Fields.h"

void TMTDataFieldEh::AssignProps(TField* Field) {
  SetAlignment(Field->GetAlignment());
  SetDefaultExpression(Field->GetDefaultExpression());
  SetDisplayLabel(Field->GetDisplayLabel());
  SetDisplayWidth(Field->GetDisplayWidth());
  SetEditMask(Field->GetEditMask());
  SetRequired(Field->GetRequired());
  if (Field->GetAutoGenerateValue() == arAutoInc) SetAutoIncrement(true);
  if (HasSize()) SetSize(Field->GetSize());
  SetVisible(Field->GetVisible());
}

void TMTStringDataFieldEh::AssignProps(TField* Field) {
  TMTDataFieldEh::AssignProps(Field);
  if (auto* f = dynamic_cast<TStringField*>(Field)) {
    FFixedChar = f->GetFixedChar();
    FTransliterate = f->GetTransliterate();
  }
}

void TMTNumericDataFieldEh::AssignProps(TField* Field) {
  TMTDataFieldEh::AssignProps(Field);
  if (auto* f = dynamic_cast<TNumericField*>(Field)) {
    FDisplayFormat = f->GetDisplayFormat();
    FEditFormat = f->GetEditFormat();
  }
  if (auto* f = dynamic_cast<TIntegerField*>(Field)) {
    FMaxValue = f->GetMaxValue();
    FMinValue = f->GetMinValue();
  } else if (auto* f = dynamic_cast<TLargeintField*>(Field)) {
    FMaxValue = static_cast<double>(f->GetMaxValue());
    FMinValue = static_cast<double>(f->GetMinValue());
  } else if (auto* f = dynamic_cast<TFloatField*>(Field)) {
    FCurrency = f->GetCurrency();
    FMaxValue = f->GetMaxValue();
    FMinValue = f->GetMinValue();
    FPrecision = f->GetPrecision();
  } else if (auto* f = dynamic_cast<TBCDField*>(Field)) {
    FCurrency = f->GetCurrency();
    FPrecision = f->GetPrecision();
    FMaxValue = static_cast<double>(f->GetMaxValue().Raw) / Currency::Scale;
    FMinValue = static_cast<double>(f->GetMinValue().Raw) / Currency::Scale;
  } else if (auto* f = dynamic_cast<TFMTBCDField*>(Field)) {
    FCurrency = f->GetCurrency();
    FPrecision = f->GetPrecision();
  }
}

void TMTDateTimeDataFieldEh::AssignProps(TField* Field) {
  TMTDataFieldEh::AssignProps(Field);
  if (auto* f = dynamic_cast<TDateTimeField*>(Field)) FDisplayFormat = f->GetDisplayFormat();
}

void TMTBlobDataFieldEh::AssignProps(TField* Field) {
  TMTDataFieldEh::AssignProps(Field);
  if (auto* f = dynamic_cast<TBlobField*>(Field)) {
    SetDataType(f->GetBlobType());
    FGraphicHeader = f->GetGraphicHeader();
    FTransliterate = f->GetTransliterate();
  }
}

void TMTBooleanDataFieldEh::AssignProps(TField* Field) {
  TMTDataFieldEh::AssignProps(Field);
  if (auto* f = dynamic_cast<TBooleanField*>(Field)) FDisplayValues = f->GetDisplayValues();
}

void TMTSQLTimeStampDataFieldEh::AssignProps(TField* Field) {
  TMTDataFieldEh::AssignProps(Field);
  if (auto* f = dynamic_cast<TSQLTimeStampField*>(Field)) FDisplayFormat = f->GetDisplayFormat();
}

void TMTDataStructEh::BuildFromFields(TFields* Fields) {
  if (FMemTableData) FMemTableData->Clear();
  else Clear();
  for (TField* Field : *Fields) {
    if (Field->GetFieldKind() != fkData && Field->GetFieldKind() != fkInternalCalc) continue;
    TComponentClass cls = DataFieldClassForFieldTypeEh(Field->GetDataType());
    if (!cls) continue;
    TMTDataFieldEh* f = CreateField(cls);
    f->SetDataType(Field->GetDataType());
    f->SetFieldName(Field->GetFieldName());
    f->SetName(UniqueFieldComponentName(Field->GetFieldName(), cls));
    f->AssignProps(Field);
  }
}

void TMTDataStructEh::FillFieldDefs(TFieldDefs* FieldDefs) const {
  WithUpdate(*FieldDefs, [&] {
    FieldDefs->Clear();
    for (TMTDataFieldEh* f : FList) {
      TFieldDef* def = FieldDefs->Add(f->GetFieldName(), f->GetDataType(), f->GetSize(), f->GetRequired());
      if (f->GetDataType() == ftBCD)
        if (auto* n = dynamic_cast<TMTNumericDataFieldEh*>(f)) def->SetPrecision(n->GetPrecision());
    }
  });
}
