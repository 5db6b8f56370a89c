// TField: identity, value access through the dataset, text and presentation;
// and the field list. The typed descendants are in FieldTypes.cpp.

#include "platform/data/Fields.h"

#include <algorithm>

#include "platform/core/Format.h"
#include "platform/core/Locale.h"
#include "platform/core/ScopeGuard.h"
#include "platform/core/Strings.h"
#include "platform/data/DBConsts.h"
#include "platform/data/DataSet.h"

TVarType FieldTypeVarType(TFieldType t) { return FieldTypeInfo(t).VarType; }

TFieldClass DefaultFieldClass(TFieldType t) {
  const TFieldTypeInfo& info = FieldTypeInfo(t);
  return info.FieldClass ? info.FieldClass() : nullptr;
}

String ExtractFieldName(const String& Fields, Integer& Pos) {
  Integer i = Pos;
  Integer n = static_cast<Integer>(Fields.size());
  while (i <= n && Fields[i - 1] != u';') ++i;
  String name = Trim(StringView(Fields).substr(Pos - 1, i - Pos));
  if (i <= n) ++i;  // past the ';'
  Pos = i;
  return name;
}

bool IsSingleFieldName(const String& Fields) {
  return !Fields.empty() && Fields.find(u';') == String::npos && Fields.front() > u' ' && Fields.back() > u' ';
}

// ---- TField ------------------------------------------------------------------

TField::TField(TComponent* AOwner) : TComponent(AOwner) {}

TField::~TField() {
  Destroying();
  if (FDataSet) {
    TDataSet* ds = FDataSet;
    FDataSet = nullptr;
    ds->RemoveField(this);
  }
}

void TField::CheckInactive() const {
  if (FDataSet) FDataSet->CheckInactive();
}

void TField::SetDataSet(TDataSet* ADataSet) {
  if (ADataSet == FDataSet) return;
  if (FDataSet) FDataSet->CheckInactive();
  if (ADataSet) {
    ADataSet->CheckInactive();
    ADataSet->GetFields()->CheckFieldName(FFieldName);
  }
  if (FDataSet) FDataSet->RemoveField(this);
  FDataSet = ADataSet;
  if (FDataSet) FDataSet->AddField(this);
}

void TField::SetFieldName(const String& Value) {
  if (Value == FFieldName) return;
  CheckInactive();
  if (FDataSet && !SameText(Value, FFieldName)) FDataSet->GetFields()->CheckFieldName(Value);
  FFieldName = Value;
  if (FDataSet) FDataSet->DataEvent(deFieldListChange, 0);
}

void TField::SetDisplayLabel(const String& Value) {
  String v = Value == FFieldName ? String() : Value;
  if (v == FDisplayLabel) return;
  FDisplayLabel = v;
  PropertyChanged(true);
}

Integer TField::GetIndex() const { return FDataSet ? FDataSet->GetFields()->IndexOf(this) : -1; }

void TField::SetIndex(Integer Value) {
  if (FDataSet) FDataSet->GetFields()->SetFieldIndex(this, Value);
}

void TField::SetFieldKind(TFieldKind Value) {
  if (FFieldKind == Value) return;
  CheckInactive();
  FFieldKind = Value;
}

void TField::SetSize(Integer Value) {
  CheckInactive();
  FSize = Value;
}

Integer TField::GetDataSize() const { return FSize; }

void TField::SetAlignment(TAlignment Value) {
  if (FAlignment == Value) return;
  FAlignment = Value;
  PropertyChanged(false);
}

Integer TField::GetDisplayWidth() const { return FDisplayWidth > 0 ? FDisplayWidth : DefaultDisplayWidth(); }

void TField::SetDisplayWidth(Integer Value) {
  if (FDisplayWidth == Value) return;
  FDisplayWidth = Value;
  PropertyChanged(true);
}

void TField::SetVisible(bool Value) {
  if (FVisible == Value) return;
  FVisible = Value;
  PropertyChanged(true);
}

void TField::SetReadOnly(bool Value) {
  if (FReadOnly == Value) return;
  FReadOnly = Value;
  PropertyChanged(true);
}

void TField::SetEditMask(const String& Value) {
  FEditMask = Value;
  PropertyChanged(false);
}

bool TField::GetCanModify() const {
  // Only bound data fields take values from controls; calculated and lookup
  // values come from the dataset's own pass.
  if (FReadOnly || !FDataSet || FFieldNo <= 0) return false;
  if (FDataSet->GetState() == dsSetKey) return FIsIndexField;
  return FDataSet->CanModify();
}

void TField::SetLookupDataSet(TDataSet* Value) {
  if (FLookupDataSet == Value) return;
  CheckInactive();
  if (FLookupDataSet) FLookupDataSet->RemoveFreeNotification(this);
  FLookupDataSet = Value;
  if (FLookupDataSet) FLookupDataSet->FreeNotification(this);
}

void TField::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FLookupDataSet) FLookupDataSet = nullptr;
}

void TField::PropertyChanged(bool LayoutAffected) {
  if (FDataSet && FDataSet->GetActive()) FDataSet->DataEvent(LayoutAffected ? deLayoutChange : deDataSetChange, 0);
}

TComponent* TField::GetParentComponent() const { return FDataSet; }

void TField::SetParentComponent(TComponent* AParent) {
  if (!GetComponentState().Contains(csLoading)) SetDataSet(dynamic_cast<TDataSet*>(AParent));
}

// ---- values ----

bool TField::GetData(Variant& Value) const {
  if (FValidating) {
    Value = FValidateValue;
    return !VarIsNullOrEmpty(Value);
  }
  if (!FDataSet) DatabaseErrorFmt(SDataSetMissing, {GetDisplayName()});
  bool has;
  if (FFieldKind == fkAggregate) {
    Value = FDataSet->GetAggregateValue(const_cast<TField*>(this));
    has = !VarIsNullOrEmpty(Value);
  } else {
    has = FDataSet->GetFieldData(const_cast<TField*>(this), Value);
  }
  if (!has) Value = Variant::Null();
  return has;
}

void TField::SetData(const Variant& Value) {
  if (!FDataSet) DatabaseErrorFmt(SDataSetMissing, {GetDisplayName()});
  FDataSet->SetFieldData(this, Value);
}

Variant TField::GetValue() const {
  Variant v;
  GetData(v);
  return v;
}

Variant TField::ConvertValue(const Variant& Value) const {
  TVarType t = FieldTypeVarType(FDataType);
  if (t == varError || t == varVariant || Value.VarType() == t) return Value;
  return VarAsType(Value, t);
}

void TField::SetValue(const Variant& Value) {
  if (VarIsNullOrEmpty(Value)) Clear();
  else SetData(ConvertValue(Value));
}

void TField::Clear() { SetData(Variant::Null()); }

bool TField::GetIsNull() const {
  Variant v;
  return !GetData(v);
}

String TField::GetAsString() const {
  Variant v;
  return GetData(v) ? VarToStr(v) : String();
}
void TField::SetAsString(const String& Value) { SetValue(Variant(Value)); }

Integer TField::GetAsInteger() const {
  Variant v;
  return GetData(v) ? v.AsInteger() : 0;
}
void TField::SetAsInteger(Integer Value) { SetValue(Variant(Value)); }

Int64 TField::GetAsLargeInt() const {
  Variant v;
  return GetData(v) ? v.AsInt64() : 0;
}
void TField::SetAsLargeInt(Int64 Value) { SetValue(Variant(Value)); }

double TField::GetAsFloat() const {
  Variant v;
  return GetData(v) ? v.AsDouble() : 0.0;
}
void TField::SetAsFloat(double Value) { SetValue(Variant(Value)); }

Currency TField::GetAsCurrency() const {
  Variant v;
  return GetData(v) ? v.AsCurrency() : Currency();
}
void TField::SetAsCurrency(Currency Value) { SetValue(Variant(Value)); }

bool TField::GetAsBoolean() const {
  Variant v;
  return GetData(v) ? v.AsBoolean() : false;
}
void TField::SetAsBoolean(bool Value) { SetValue(Variant(Value)); }

TDateTime TField::GetAsDateTime() const {
  Variant v;
  return GetData(v) ? v.AsDateTime() : 0.0;
}
void TField::SetAsDateTime(TDateTime Value) { SetValue(Variant::FromDate(Value)); }

Variant TField::GetOldValue() const {
  if (!FDataSet) DatabaseErrorFmt(SDataSetMissing, {GetDisplayName()});
  return FDataSet->GetStateFieldValue(dsOldValue, const_cast<TField*>(this));
}
Variant TField::GetCurValue() const {
  if (!FDataSet) DatabaseErrorFmt(SDataSetMissing, {GetDisplayName()});
  return FDataSet->GetStateFieldValue(dsCurValue, const_cast<TField*>(this));
}
Variant TField::GetNewValue() const {
  if (!FDataSet) DatabaseErrorFmt(SDataSetMissing, {GetDisplayName()});
  return FDataSet->GetStateFieldValue(dsNewValue, const_cast<TField*>(this));
}
void TField::SetNewValue(const Variant& Value) {
  if (!FDataSet) DatabaseErrorFmt(SDataSetMissing, {GetDisplayName()});
  FDataSet->SetStateFieldValue(dsNewValue, this, Value);
}

void TField::Validate(const Variant& Value) {
  if (!OnValidate) return;
  // While the handler runs, the field shows the value being stored.
  FValidateValue = Value;
  FValidating = true;
  TScopeExit Done([&] {
    FValidating = false;
    FValidateValue = Variant();
  });
  OnValidate(this);
}

void TField::Change() {
  if (OnChange) OnChange(this);
}

void TField::DataChanged() {
  if (FDataSet) FDataSet->DataEvent(deFieldChange, reinterpret_cast<TDataEventInfo>(this));
}

void TField::FocusControl() {
  if (!FDataSet || !FDataSet->GetActive()) return;
  TField* field = this;
  FDataSet->DataEvent(deFocusControl, reinterpret_cast<TDataEventInfo>(&field));
}

void TField::CalcLookupValue() {
  Variant v = Variant::Null();
  if (FLookupDataSet && FLookupDataSet->GetActive() && !FKeyFields.empty() && !FLookupKeyFields.empty() &&
      !FLookupResultField.empty()) {
    Variant key = FDataSet->GetFieldValues(FKeyFields);
    if (!VarIsNullOrEmpty(key)) v = FLookupDataSet->Lookup(FLookupKeyFields, key, FLookupResultField);
  }
  SetValue(v);
}

// ---- text ----

void TField::GetTextValue(String& Text, bool) const { Text = GetAsString(); }

String TField::GetText() const {
  String t;
  if (OnGetText) OnGetText(const_cast<TField*>(this), t, false);
  else GetTextValue(t, false);
  return t;
}

String TField::GetDisplayText() const {
  String t;
  if (OnGetText) OnGetText(const_cast<TField*>(this), t, true);
  else GetTextValue(t, true);
  return t;
}

void TField::SetText(const String& Value) {
  if (OnSetText) OnSetText(this, Value);
  else SetTextValue(Value);
}

bool TField::IsValidChar(Char InputChar) const {
  return DefaultValidChars.empty() || DefaultValidChars.find(InputChar) != String::npos;
}

void TField::AccessError(const String& TypeName) const {
  DatabaseErrorFmt(SFieldAccessError, {GetDisplayName(), TypeName});
}

void TField::RangeError(double Value, double Min, double Max) const {
  DatabaseErrorFmt(SFieldRangeError, {FloatToStr(Value), GetDisplayName(), FloatToStr(Min), FloatToStr(Max)});
}

void TField::Assign(TPersistent* Source) {
  if (!Source) {
    Clear();
    return;
  }
  if (auto* f = dynamic_cast<TField*>(Source)) {
    SetValue(f->GetValue());
    return;
  }
  TComponent::Assign(Source);
}

// ---- TFields -------------------------------------------------------------------

TField* TFields::GetField(Integer Index) const {
  if (Index < 0 || Index >= GetCount()) DatabaseError(SFieldIndexError, FDataSet);
  return FList[Index];
}

void TFields::Changed() {
  if (OnChange) OnChange();
}

void TFields::Add(TField* Field) {
  FList.push_back(Field);
  Changed();
}

void TFields::Remove(TField* Field) {
  auto it = std::find(FList.begin(), FList.end(), Field);
  if (it == FList.end()) return;
  FList.erase(it);
  Changed();
}

Integer TFields::IndexOf(const TField* Field) const {
  auto it = std::find(FList.begin(), FList.end(), Field);
  return it == FList.end() ? -1 : static_cast<Integer>(it - FList.begin());
}

TField* TFields::FindField(const String& FieldName) const {
  // Names are matched as the locale matches them, without regard to case
  // (Cyrillic names included); names are unique so, and a name given as it was
  // declared, then an ASCII pass, keep the common cases cheap.
  for (TField* f : FList)
    if (SameChars(f->GetFieldName(), FieldName)) return f;
  for (TField* f : FList)
    if (SameText(f->GetFieldName(), FieldName)) return f;
  for (TField* f : FList)
    if (CompareStringLocale(f->GetFieldName(), FieldName, true) == 0) return f;
  return nullptr;
}

TField* TFields::FieldByName(const String& FieldName) const {
  TField* f = FindField(FieldName);
  if (!f) DatabaseErrorFmt(SFieldNotFound, {FieldName}, FDataSet);
  return f;
}

TField* TFields::FieldByNumber(Integer FieldNo) const {
  for (TField* f : FList)
    if (f->GetFieldNo() == FieldNo) return f;
  return nullptr;
}

void TFields::CheckFieldName(const String& FieldName) const {
  if (FieldName.empty()) return;
  if (FindField(FieldName)) DatabaseErrorFmt(SDuplicateFieldName, {FieldName}, FDataSet);
}

void TFields::GetFieldNames(std::vector<String>& List) const {
  for (TField* f : FList) List.push_back(f->GetFieldName());
}

void TFields::SetFieldIndex(TField* Field, Integer Value) {
  Integer cur = IndexOf(Field);
  if (cur < 0) return;
  Value = std::clamp(Value, 0, GetCount() - 1);
  if (Value == cur) return;
  FList.erase(FList.begin() + cur);
  FList.insert(FList.begin() + Value, Field);
  Changed();
  if (FDataSet) FDataSet->DataEvent(deFieldListChange, 0);
}
