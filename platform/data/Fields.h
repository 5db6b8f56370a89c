#pragma once
// TField and its descendants: the typed view of one column of a dataset's
// current record. Values travel as Variants: a field reads and writes through
// its dataset's GetFieldData/SetFieldData, converting to the Variant type its
// data type is stored as (FieldTypeVarType). A field that holds nothing is Null.
//
// Fields.cpp holds the fields' values and settings; FieldsStreaming.cpp their
// published properties, their reading as a dataset's children and the
// registration of every field class for streaming.

#include <functional>
#include <memory>
#include <vector>

#include "platform/core/Component.h"
#include "platform/core/Streams.h"
#include "platform/core/Variant.h"
#include "platform/data/DBTypes.h"

class TDataSet;
class TField;
class TFields;

using TFieldClass = TComponentClass;
using TFieldNotifyEvent = std::function<void(TField* Sender)>;
using TFieldGetTextEvent = std::function<void(TField* Sender, String& Text, bool DisplayText)>;
using TFieldSetTextEvent = std::function<void(TField* Sender, const String& Text)>;

// The Variant type a value of the field type is stored as: varString for 8-bit
// text, varOleStr for wide text, the integer, float, currency, date and Boolean
// types, a byte array (varArray | varByte) for binary data, varVariant for
// ftVariant, varError for types that hold no value.
TVarType FieldTypeVarType(TFieldType t);

// The field class created for a field type (TStringField for ftString, ...),
// or null for a type without a field class.
TFieldClass DefaultFieldClass(TFieldType t);

// Splits a ';'-separated list of field names: the name at Pos (1-based), with
// Pos moved past its separator. Blanks around a name are dropped.
String ExtractFieldName(const String& Fields, Integer& Pos);
// Whether Fields is one name with no blanks to drop: the name as it stands.
bool IsSingleFieldName(const String& Fields);

class TField : public TComponent {
public:
  BORROW_COMPONENT(TField, TComponent)
  explicit TField(TComponent* AOwner);
  ~TField() override;

  // Identity and place.
  TDataSet* GetDataSet() const { return FDataSet; }
  void SetDataSet(TDataSet* ADataSet);
  const String& GetFieldName() const { return FFieldName; }
  void SetFieldName(const String& Value);
  String GetFullName() const { return FFieldName; }
  String GetDisplayName() const { return FDisplayLabel.empty() ? FFieldName : FDisplayLabel; }
  String GetDisplayLabel() const { return GetDisplayName(); }
  void SetDisplayLabel(const String& Value);
  Integer GetFieldNo() const { return FFieldNo; }
  void SetFieldNo(Integer Value) { FFieldNo = Value; }  // the dataset binds it
  Integer GetIndex() const;
  void SetIndex(Integer Value);
  TFieldKind GetFieldKind() const { return FFieldKind; }
  void SetFieldKind(TFieldKind Value);
  TFieldType GetDataType() const { return FDataType; }
  Integer GetSize() const { return FSize; }
  virtual void SetSize(Integer Value);
  Integer GetDataSize() const;
  bool GetCalculated() const { return FFieldKind == fkCalculated; }
  void SetCalculated(bool Value) { SetFieldKind(Value ? fkCalculated : fkData); }
  bool GetLookup() const { return FFieldKind == fkLookup; }
  void SetLookup(bool Value) { SetFieldKind(Value ? fkLookup : fkData); }
  virtual bool IsBlob() const { return false; }

  // Values.
  Variant GetValue() const;
  void SetValue(const Variant& Value);
  Variant GetAsVariant() const { return GetValue(); }
  void SetAsVariant(const Variant& Value) { SetValue(Value); }
  virtual String GetAsString() const;
  virtual void SetAsString(const String& Value);
  virtual Integer GetAsInteger() const;
  virtual void SetAsInteger(Integer Value);
  virtual Int64 GetAsLargeInt() const;
  virtual void SetAsLargeInt(Int64 Value);
  virtual double GetAsFloat() const;
  virtual void SetAsFloat(double Value);
  virtual Currency GetAsCurrency() const;
  virtual void SetAsCurrency(Currency Value);
  virtual bool GetAsBoolean() const;
  virtual void SetAsBoolean(bool Value);
  virtual TDateTime GetAsDateTime() const;
  virtual void SetAsDateTime(TDateTime Value);
  String GetAsWideString() const { return GetAsString(); }
  void SetAsWideString(const String& Value) { SetAsString(Value); }
  bool GetIsNull() const;
  virtual void Clear();
  // The value as it was before editing, as stored now, and as being written.
  Variant GetOldValue() const;
  Variant GetCurValue() const;
  Variant GetNewValue() const;
  void SetNewValue(const Variant& Value);
  void AssignValue(const Variant& Value) { SetValue(Value); }

  // Text: the edit text and the display text (OnGetText may replace both).
  String GetText() const;
  void SetText(const String& Value);
  String GetDisplayText() const;
  virtual bool IsValidChar(Char InputChar) const;

  // Presentation and rules.
  TAlignment GetAlignment() const { return FAlignment; }
  void SetAlignment(TAlignment Value);
  Integer GetDisplayWidth() const;
  void SetDisplayWidth(Integer Value);
  bool GetVisible() const { return FVisible; }
  void SetVisible(bool Value);
  bool GetRequired() const { return FRequired; }
  void SetRequired(bool Value) { FRequired = Value; }
  bool GetReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool Value);
  bool GetCanModify() const;
  const String& GetEditMask() const { return FEditMask; }
  void SetEditMask(const String& Value);
  const String& GetDefaultExpression() const { return FDefaultExpression; }
  void SetDefaultExpression(const String& Value) { FDefaultExpression = Value; }
  const String& GetOrigin() const { return FOrigin; }
  void SetOrigin(const String& Value) { FOrigin = Value; }
  const String& GetConstraintErrorMessage() const { return FConstraintErrorMessage; }
  void SetConstraintErrorMessage(const String& Value) { FConstraintErrorMessage = Value; }
  TAutoRefreshFlag GetAutoGenerateValue() const { return FAutoGenerateValue; }
  void SetAutoGenerateValue(TAutoRefreshFlag Value) { FAutoGenerateValue = Value; }
  TProviderFlags GetProviderFlags() const { return FProviderFlags; }
  void SetProviderFlags(TProviderFlags Value) { FProviderFlags = Value; }
  bool GetIsIndexField() const { return FIsIndexField; }
  void SetIsIndexField(bool Value) { FIsIndexField = Value; }

  // Lookup fields: the value of LookupResultField in LookupDataSet at the
  // record whose LookupKeyFields equal this dataset's KeyFields.
  TDataSet* GetLookupDataSet() const { return FLookupDataSet; }
  void SetLookupDataSet(TDataSet* Value);
  const String& GetLookupKeyFields() const { return FLookupKeyFields; }
  void SetLookupKeyFields(const String& Value) { FLookupKeyFields = Value; }
  const String& GetLookupResultField() const { return FLookupResultField; }
  void SetLookupResultField(const String& Value) { FLookupResultField = Value; }
  const String& GetKeyFields() const { return FKeyFields; }
  void SetKeyFields(const String& Value) { FKeyFields = Value; }
  bool GetLookupCache() const { return FLookupCache; }
  void SetLookupCache(bool Value) { FLookupCache = Value; }

  // Raises OnValidate with the field; called before a value is stored.
  void Validate(const Variant& Value);
  // Asks the controls linked to the dataset to focus the one that edits this field.
  void FocusControl();
  // Blob-like fields: set when the value was written since the record was read.
  bool GetModified() const { return FModified; }
  void SetModified(bool Value) { FModified = Value; }

  void Assign(TPersistent* Source) override;

  TFieldNotifyEvent OnChange;
  TFieldNotifyEvent OnValidate;
  TFieldGetTextEvent OnGetText;
  TFieldSetTextEvent OnSetText;

  // Called by the dataset.
  virtual void Change();
  void DataChanged();
  void CalcLookupValue();
  bool HasParent() const override { return true; }
  TComponent* GetParentComponent() const override;
  void SetParentComponent(TComponent* AParent) override;
  void GetPropInfos(std::vector<TPropInfo>& Props) override;
  // A field read as a dataset's child joins that dataset.
  void ReadState(TReader* Reader) override;

protected:
  // The stored value; false when there is none (then Value is Null).
  bool GetData(Variant& Value) const;
  // Stores the value as it is (already of the field's Variant type).
  void SetData(const Variant& Value);
  // Converts a value to the field's stored type; raises for values that cannot be.
  virtual Variant ConvertValue(const Variant& Value) const;
  virtual void GetTextValue(String& Text, bool DisplayText) const;
  virtual void SetTextValue(const String& Text) { SetAsString(Text); }
  virtual Integer DefaultDisplayWidth() const { return 10; }
  void SetDataType(TFieldType Value) { FDataType = Value; }
  void CheckInactive() const;
  void PropertyChanged(bool LayoutAffected);
  [[noreturn]] void AccessError(const String& TypeName) const;
  [[noreturn]] void RangeError(double Value, double Min, double Max) const;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  String DefaultValidChars;  // empty: every character is valid

private:
  TDataSet* FDataSet = nullptr;
  String FFieldName;
  String FDisplayLabel;
  Integer FFieldNo = 0;
  TFieldKind FFieldKind = fkData;
  TFieldType FDataType = ftUnknown;
  Integer FSize = 0;
  TAlignment FAlignment = taLeftJustify;
  Integer FDisplayWidth = 0;  // 0: the type's default
  bool FVisible = true;
  bool FRequired = false;
  bool FReadOnly = false;
  bool FModified = false;
  bool FIsIndexField = false;
  bool FLookupCache = false;
  String FEditMask;
  String FDefaultExpression;
  String FOrigin;
  String FConstraintErrorMessage;
  TAutoRefreshFlag FAutoGenerateValue = arNone;
  TProviderFlags FProviderFlags{pfInUpdate, pfInWhere};
  TDataSet* FLookupDataSet = nullptr;
  String FLookupKeyFields;
  String FLookupResultField;
  String FKeyFields;
  bool FValidating = false;
  Variant FValidateValue;  // the value being validated, shown while OnValidate runs
  friend class TDataSet;
  friend class TFieldDef;
};

// ---- text ---------------------------------------------------------------

class TStringField : public TField {
public:
  BORROW_COMPONENT(TStringField, TField)
  explicit TStringField(TComponent* AOwner);
  bool GetFixedChar() const { return FFixedChar; }
  void SetFixedChar(bool Value) { FFixedChar = Value; }
  bool GetTransliterate() const { return FTransliterate; }
  void SetTransliterate(bool Value) { FTransliterate = Value; }
  String GetAsString() const override;

protected:
  Variant ConvertValue(const Variant& Value) const override;
  Integer DefaultDisplayWidth() const override { return GetSize(); }

private:
  bool FFixedChar = false;
  bool FTransliterate = true;
};

class TWideStringField : public TStringField {
public:
  BORROW_COMPONENT(TWideStringField, TStringField)
  explicit TWideStringField(TComponent* AOwner);
};

class TGuidField : public TStringField {
public:
  BORROW_COMPONENT(TGuidField, TStringField)
  explicit TGuidField(TComponent* AOwner);
};

// ---- numbers --------------------------------------------------------------

class TNumericField : public TField {
public:
  BORROW_COMPONENT(TNumericField, TField)
  explicit TNumericField(TComponent* AOwner);
  const String& GetDisplayFormat() const { return FDisplayFormat; }
  void SetDisplayFormat(const String& Value);
  const String& GetEditFormat() const { return FEditFormat; }
  void SetEditFormat(const String& Value);
  bool IsValidChar(Char InputChar) const override;
  // An empty text clears the value.
  void SetAsString(const String& Value) override;

protected:
  Integer DefaultDisplayWidth() const override { return 10; }
  // The edit format when editing and one is set, else the display format.
  const String& TextFormat(bool DisplayText) const;
  void CheckRange(Int64 Value, Int64 Min, Int64 Max) const;

private:
  String FDisplayFormat;
  String FEditFormat;
};

class TIntegerField : public TNumericField {
public:
  BORROW_COMPONENT(TIntegerField, TNumericField)
  explicit TIntegerField(TComponent* AOwner);
  Integer GetMinValue() const { return FMinValue; }
  void SetMinValue(Integer Value) { FMinValue = Value; }
  Integer GetMaxValue() const { return FMaxValue; }
  void SetMaxValue(Integer Value) { FMaxValue = Value; }

protected:
  Variant ConvertValue(const Variant& Value) const override;
  void GetTextValue(String& Text, bool DisplayText) const override;
  Int64 FLowLimit, FHighLimit;  // the type's own range

private:
  Integer FMinValue = 0;
  Integer FMaxValue = 0;
};

class TSmallintField : public TIntegerField {
public:
  BORROW_COMPONENT(TSmallintField, TIntegerField)
  explicit TSmallintField(TComponent* AOwner);
};
class TShortintField : public TIntegerField {
public:
  BORROW_COMPONENT(TShortintField, TIntegerField)
  explicit TShortintField(TComponent* AOwner);
};
class TByteField : public TIntegerField {
public:
  BORROW_COMPONENT(TByteField, TIntegerField)
  explicit TByteField(TComponent* AOwner);
};
class TWordField : public TIntegerField {
public:
  BORROW_COMPONENT(TWordField, TIntegerField)
  explicit TWordField(TComponent* AOwner);
};
class TLongWordField : public TIntegerField {
public:
  BORROW_COMPONENT(TLongWordField, TIntegerField)
  explicit TLongWordField(TComponent* AOwner);
};
class TAutoIncField : public TIntegerField {
public:
  BORROW_COMPONENT(TAutoIncField, TIntegerField)
  explicit TAutoIncField(TComponent* AOwner);
};

class TLargeintField : public TNumericField {
public:
  BORROW_COMPONENT(TLargeintField, TNumericField)
  explicit TLargeintField(TComponent* AOwner);
  Int64 GetMinValue() const { return FMinValue; }
  void SetMinValue(Int64 Value) { FMinValue = Value; }
  Int64 GetMaxValue() const { return FMaxValue; }
  void SetMaxValue(Int64 Value) { FMaxValue = Value; }

protected:
  Variant ConvertValue(const Variant& Value) const override;
  void GetTextValue(String& Text, bool DisplayText) const override;

private:
  Int64 FMinValue = 0;
  Int64 FMaxValue = 0;
};

class TFloatField : public TNumericField {
public:
  BORROW_COMPONENT(TFloatField, TNumericField)
  explicit TFloatField(TComponent* AOwner);
  bool GetCurrency() const { return FCurrency; }
  void SetCurrency(bool Value);
  Integer GetPrecision() const { return FPrecision; }
  void SetPrecision(Integer Value);
  double GetMinValue() const { return FMinValue; }
  void SetMinValue(double Value) { FMinValue = Value; }
  double GetMaxValue() const { return FMaxValue; }
  void SetMaxValue(double Value) { FMaxValue = Value; }
  bool IsValidChar(Char InputChar) const override;

protected:
  Variant ConvertValue(const Variant& Value) const override;
  void GetTextValue(String& Text, bool DisplayText) const override;

private:
  bool FCurrency = false;
  Integer FPrecision = 15;
  double FMinValue = 0;
  double FMaxValue = 0;
};

class TCurrencyField : public TFloatField {
public:
  BORROW_COMPONENT(TCurrencyField, TFloatField)
  explicit TCurrencyField(TComponent* AOwner);
};
class TExtendedField : public TFloatField {
public:
  BORROW_COMPONENT(TExtendedField, TFloatField)
  explicit TExtendedField(TComponent* AOwner);
};

// Fixed-point numbers kept as Currency (four decimals).
class TBCDField : public TNumericField {
public:
  BORROW_COMPONENT(TBCDField, TNumericField)
  explicit TBCDField(TComponent* AOwner);
  bool GetCurrency() const { return FCurrency; }
  void SetCurrency(bool Value);
  Integer GetPrecision() const { return FPrecision; }
  void SetPrecision(Integer Value) { FPrecision = Value; }
  Currency GetMinValue() const { return FMinValue; }
  void SetMinValue(Currency Value) { FMinValue = Value; }
  Currency GetMaxValue() const { return FMaxValue; }
  void SetMaxValue(Currency Value) { FMaxValue = Value; }
  bool IsValidChar(Char InputChar) const override;

protected:
  Variant ConvertValue(const Variant& Value) const override;
  void GetTextValue(String& Text, bool DisplayText) const override;

private:
  bool FCurrency = false;
  Integer FPrecision = 0;
  Currency FMinValue;
  Currency FMaxValue;
};

// Wide fixed-point numbers; kept as a double here.
class TFMTBCDField : public TNumericField {
public:
  BORROW_COMPONENT(TFMTBCDField, TNumericField)
  explicit TFMTBCDField(TComponent* AOwner);
  bool GetCurrency() const { return FCurrency; }
  void SetCurrency(bool Value);
  Integer GetPrecision() const { return FPrecision; }
  void SetPrecision(Integer Value) { FPrecision = Value; }
  String GetMinValue() const { return FMinValue; }
  void SetMinValue(const String& Value) { FMinValue = Value; }
  String GetMaxValue() const { return FMaxValue; }
  void SetMaxValue(const String& Value) { FMaxValue = Value; }
  bool IsValidChar(Char InputChar) const override;

protected:
  Variant ConvertValue(const Variant& Value) const override;
  void GetTextValue(String& Text, bool DisplayText) const override;

private:
  bool FCurrency = false;
  Integer FPrecision = 15;
  String FMinValue, FMaxValue;
};

// ---- Boolean --------------------------------------------------------------

class TBooleanField : public TField {
public:
  BORROW_COMPONENT(TBooleanField, TField)
  explicit TBooleanField(TComponent* AOwner);
  // "True text;False text"; either part may be empty.
  const String& GetDisplayValues() const { return FDisplayValues; }
  void SetDisplayValues(const String& Value);
  void SetAsString(const String& Value) override;

protected:
  Variant ConvertValue(const Variant& Value) const override;
  void GetTextValue(String& Text, bool DisplayText) const override;
  Integer DefaultDisplayWidth() const override;

private:
  String FDisplayValues;
  String FTextValues[2];  // False, True
};

// ---- dates and times ------------------------------------------------------

class TDateTimeField : public TField {
public:
  BORROW_COMPONENT(TDateTimeField, TField)
  explicit TDateTimeField(TComponent* AOwner);
  const String& GetDisplayFormat() const { return FDisplayFormat; }
  void SetDisplayFormat(const String& Value);
  void SetAsString(const String& Value) override;

protected:
  Variant ConvertValue(const Variant& Value) const override;
  void GetTextValue(String& Text, bool DisplayText) const override;
  Integer DefaultDisplayWidth() const override { return 18; }

private:
  String FDisplayFormat;
};

class TDateField : public TDateTimeField {
public:
  BORROW_COMPONENT(TDateField, TDateTimeField)
  explicit TDateField(TComponent* AOwner);

protected:
  Integer DefaultDisplayWidth() const override { return 10; }
};

class TTimeField : public TDateTimeField {
public:
  BORROW_COMPONENT(TTimeField, TDateTimeField)
  explicit TTimeField(TComponent* AOwner);

protected:
  Integer DefaultDisplayWidth() const override { return 10; }
};

// SQL time stamps; kept as a date-time value here.
class TSQLTimeStampField : public TDateTimeField {
public:
  BORROW_COMPONENT(TSQLTimeStampField, TDateTimeField)
  explicit TSQLTimeStampField(TComponent* AOwner);
};

// ---- binary -----------------------------------------------------------------

// Fixed- and variable-length byte strings, kept as byte arrays.
class TBytesField : public TField {
public:
  BORROW_COMPONENT(TBytesField, TField)
  explicit TBytesField(TComponent* AOwner);
  String GetAsString() const override;
  void SetAsString(const String& Value) override;

protected:
  Variant ConvertValue(const Variant& Value) const override;
  void GetTextValue(String& Text, bool DisplayText) const override;
};

class TVarBytesField : public TBytesField {
public:
  BORROW_COMPONENT(TVarBytesField, TBytesField)
  explicit TVarBytesField(TComponent* AOwner);
};

class TBlobField : public TField {
public:
  BORROW_COMPONENT(TBlobField, TField)
  explicit TBlobField(TComponent* AOwner);
  bool IsBlob() const override { return true; }
  TFieldType GetBlobType() const { return GetDataType(); }
  void SetBlobType(TFieldType Value);
  bool GetGraphicHeader() const { return FGraphicHeader; }
  void SetGraphicHeader(bool Value) { FGraphicHeader = Value; }
  bool GetTransliterate() const { return FTransliterate; }
  void SetTransliterate(bool Value) { FTransliterate = Value; }
  Integer GetBlobSize() const;
  String GetAsString() const override;
  void SetAsString(const String& Value) override;
  void LoadFromStream(TStream* Stream);
  void SaveToStream(TStream* Stream) const;
  void Clear() override;

protected:
  Variant ConvertValue(const Variant& Value) const override;
  void GetTextValue(String& Text, bool DisplayText) const override;
  bool IsTextBlob() const;

private:
  bool FGraphicHeader = true;
  bool FTransliterate = true;
};

class TMemoField : public TBlobField {
public:
  BORROW_COMPONENT(TMemoField, TBlobField)
  explicit TMemoField(TComponent* AOwner);
};
class TWideMemoField : public TBlobField {
public:
  BORROW_COMPONENT(TWideMemoField, TBlobField)
  explicit TWideMemoField(TComponent* AOwner);
};
class TGraphicField : public TBlobField {
public:
  BORROW_COMPONENT(TGraphicField, TBlobField)
  explicit TGraphicField(TComponent* AOwner);
};

// ---- anything else ------------------------------------------------------------

class TVariantField : public TField {
public:
  BORROW_COMPONENT(TVariantField, TField)
  explicit TVariantField(TComponent* AOwner);

protected:
  Variant ConvertValue(const Variant& Value) const override { return Value; }
};

// An interface reference; kept as the Variant it came in.
class TInterfaceField : public TField {
public:
  BORROW_COMPONENT(TInterfaceField, TField)
  explicit TInterfaceField(TComponent* AOwner);

protected:
  Variant ConvertValue(const Variant& Value) const override { return Value; }
};
class TIDispatchField : public TInterfaceField {
public:
  BORROW_COMPONENT(TIDispatchField, TInterfaceField)
  explicit TIDispatchField(TComponent* AOwner);
};

// The value of an aggregate expression over the dataset's records; the
// dataset computes it (GetAggregateValue).
class TAggregateField : public TField {
public:
  BORROW_COMPONENT(TAggregateField, TField)
  explicit TAggregateField(TComponent* AOwner);
  bool GetActive() const { return FActive; }
  void SetActive(bool Value);
  const String& GetExpression() const { return FExpression; }
  void SetExpression(const String& Value);
  // The dataset's own object behind the aggregate (not owned by the field).
  void* GetHandle() const { return FHandle; }
  void SetHandle(void* Value) { FHandle = Value; }
  TFieldType GetResultType() const { return FResultType; }
  void SetResultType(TFieldType Value) { FResultType = Value; }
  const String& GetDisplayFormat() const { return FDisplayFormat; }
  void SetDisplayFormat(const String& Value);
  bool GetCurrency() const { return FCurrency; }
  void SetCurrency(bool Value);
  Integer GetPrecision() const { return FPrecision; }
  void SetPrecision(Integer Value) { FPrecision = Value; }
  void GetPropInfos(std::vector<TPropInfo>& Props) override;

protected:
  Variant ConvertValue(const Variant& Value) const override { return Value; }
  void GetTextValue(String& Text, bool DisplayText) const override;

private:
  bool FActive = false;
  String FExpression;
  void* FHandle = nullptr;
  TFieldType FResultType = ftUnknown;
  String FDisplayFormat;
  bool FCurrency = false;
  Integer FPrecision = 15;
};

// ---- the field list -----------------------------------------------------------

// The fields of a dataset in order. It does not own them: a field belongs to
// its owner component; a field the dataset made for itself is owned by it.
class TFields {
public:
  explicit TFields(TDataSet* ADataSet) : FDataSet(ADataSet) {}
  TFields(const TFields&) = delete;
  TFields& operator=(const TFields&) = delete;

  Integer GetCount() const { return static_cast<Integer>(FList.size()); }
  Integer Count() const { return GetCount(); }
  TField* GetField(Integer Index) const;
  TField* operator[](Integer Index) const { return GetField(Index); }
  TDataSet* GetDataSet() const { return FDataSet; }
  void Add(TField* Field);
  void Remove(TField* Field);
  void Clear() {
    FList.clear();
    Changed();
  }
  Integer IndexOf(const TField* Field) const;
  TField* FindField(const String& FieldName) const;
  TField* FieldByName(const String& FieldName) const;
  TField* FieldByNumber(Integer FieldNo) const;
  void CheckFieldName(const String& FieldName) const;
  void GetFieldNames(std::vector<String>& List) const;
  void SetFieldIndex(TField* Field, Integer Value);
  std::vector<TField*>::const_iterator begin() const { return FList.begin(); }
  std::vector<TField*>::const_iterator end() const { return FList.end(); }
  std::function<void()> OnChange;

private:
  void Changed();
  TDataSet* FDataSet;
  std::vector<TField*> FList;
};
