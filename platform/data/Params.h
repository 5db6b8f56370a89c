#pragma once
// Named parameters of a dataset's query: name, type, direction and value.

#include "platform/core/Collection.h"
#include "platform/core/Filer.h"
#include "platform/core/Variant.h"
#include "platform/data/DBTypes.h"

class TParams;

class TParam : public TCollectionItem {
public:
  BORROW_COLLECTION_ITEM(TParam, TCollectionItem)
  explicit TParam(TCollection* Collection);
  TParam(TParams* AParams, TParamType AParamType);

  const String& GetName() const { return FName; }
  void SetName(const String& Value) { FName = Value; }
  String GetDisplayName() const override { return FName; }
  TFieldType GetDataType() const { return FDataType; }
  void SetDataType(TFieldType Value) { FDataType = Value; }
  TParamType GetParamType() const { return FParamType; }
  void SetParamType(TParamType Value) { FParamType = Value; }
  Integer GetSize() const { return FSize; }
  void SetSize(Integer Value) { FSize = Value; }
  // Set once a value has been given.
  bool GetBound() const { return FBound; }
  void SetBound(bool Value) { FBound = Value; }

  const Variant& GetValue() const { return FValue; }
  // Takes the value; a parameter without a data type takes the type of the value.
  void SetValue(const Variant& Value);
  bool GetIsNull() const { return FValue.IsNull() || FValue.IsEmpty(); }
  void Clear();
  String GetAsString() const { return VarToStr(FValue); }
  void SetAsString(const String& Value);
  Integer GetAsInteger() const { return GetIsNull() ? 0 : FValue.AsInteger(); }
  void SetAsInteger(Integer Value);
  double GetAsFloat() const { return GetIsNull() ? 0.0 : FValue.AsDouble(); }
  void SetAsFloat(double Value);
  bool GetAsBoolean() const { return !GetIsNull() && FValue.AsBoolean(); }
  void SetAsBoolean(bool Value);
  TDateTime GetAsDateTime() const { return GetIsNull() ? 0.0 : FValue.AsDateTime(); }
  void SetAsDateTime(TDateTime Value);
  void Assign(TPersistent* Source) override;

protected:
  void GetPropInfos(std::vector<TPropInfo>& Props) override;

private:
  String FName;
  TFieldType FDataType = ftUnknown;
  TParamType FParamType = ptUnknown;
  Integer FSize = 0;
  bool FBound = false;
  Variant FValue;
};

class TParams : public TOwnedCollection {
public:
  BORROW_CLASS(TParams, TOwnedCollection)
  explicit TParams(TPersistent* AOwner = nullptr);
  Integer Count() const { return GetCount(); }
  TParam* GetItem(Integer Index) const;
  TParam* operator[](Integer Index) const { return GetItem(Index); }
  TParam* AddParam(TParam* Value);
  TParam* CreateParam(TFieldType FldType, const String& ParamName, TParamType ParamType);
  TParam* FindParam(const String& Value) const;    // without regard to case; null when absent
  TParam* ParamByName(const String& Value) const;  // raises "Parameter '%s' not found"
  // Values of the parameters named in a ';'-separated list: one value, or an array.
  Variant GetParamValues(const String& ParamName) const;
  void SetParamValues(const String& ParamName, const Variant& Value);
  // Copies the values of the parameters of the same names.
  void AssignValues(const TParams* Value);
  bool IsEqual(const TParams* Value) const;
};
