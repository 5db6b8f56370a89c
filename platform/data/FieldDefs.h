#pragma once
// Field and index definitions: what a dataset's columns and indexes are, before
// (and apart from) the TField objects that show them.

#include "platform/core/Collection.h"
#include "platform/core/Filer.h"
#include "platform/data/Fields.h"

class TFieldDefs;

class TFieldDef : public TCollectionItem {
public:
  BORROW_COLLECTION_ITEM(TFieldDef, TCollectionItem)
  explicit TFieldDef(TCollection* Collection);
  TFieldDef(TFieldDefs* Owner, const String& Name, TFieldType DataType, Integer Size, bool Required, Integer FieldNo);

  const String& GetName() const { return FName; }
  void SetName(const String& Value);
  String GetDisplayName() const override { return FName; }
  TFieldType GetDataType() const { return FDataType; }
  void SetDataType(TFieldType Value);
  Integer GetSize() const { return FSize; }
  void SetSize(Integer Value);
  Integer GetPrecision() const { return FPrecision; }
  void SetPrecision(Integer Value);
  TFieldAttributes GetAttributes() const { return FAttributes; }
  void SetAttributes(TFieldAttributes Value);
  bool GetRequired() const { return FAttributes.Contains(faRequired); }
  void SetRequired(bool Value);
  // The 1-based column number; a definition added to a collection gets its position + 1.
  Integer GetFieldNo() const { return FFieldNo; }
  void SetFieldNo(Integer Value) { FFieldNo = Value; }
  bool GetInternalCalcField() const { return FInternalCalcField; }
  void SetInternalCalcField(bool Value) { FInternalCalcField = Value; }
  TFieldDefs* GetFieldDefs() const;

  // The field class for the data type (through the dataset's GetFieldClass).
  TFieldClass GetFieldClass() const;
  // Makes a TField of that class for the definition, owned by Owner and shown
  // in the definitions' dataset.
  TField* CreateField(TComponent* Owner, const String& FieldName = String(), bool Unused = false);
  void Assign(TPersistent* Source) override;

protected:
  void GetPropInfos(std::vector<TPropInfo>& Props) override;

private:
  void Changed() { TCollectionItem::Changed(false); }
  friend class TFieldDefs;
  String FName;
  TFieldType FDataType = ftUnknown;
  Integer FSize = 0;
  Integer FPrecision = 0;
  TFieldAttributes FAttributes;
  Integer FFieldNo = 0;
  bool FInternalCalcField = false;
};

class TFieldDefs : public TOwnedCollection {
public:
  BORROW_CLASS(TFieldDefs, TOwnedCollection)
  explicit TFieldDefs(TPersistent* AOwner);

  TDataSet* GetDataSet() const { return FDataSet; }
  Integer Count() const { return GetCount(); }
  TFieldDef* GetItem(Integer Index) const;
  TFieldDef* operator[](Integer Index) const { return GetItem(Index); }
  TFieldDef* AddFieldDef();
  // Raises "Duplicate field name '%s'" when a definition of that name exists.
  TFieldDef* Add(const String& Name, TFieldType DataType, Integer Size = 0, bool Required = false);
  Integer IndexOf(const String& Name) const;
  TFieldDef* Find(const String& Name) const;  // raises "Field definition '%s' not found"
  // True when the definitions are those of the dataset's current structure.
  bool GetUpdated() const { return FUpdated; }
  void SetUpdated(bool Value) { FUpdated = Value; }
  bool GetHiddenFields() const { return FHiddenFields; }
  void SetHiddenFields(bool Value) { FHiddenFields = Value; }
  // Fills the definitions from the dataset (its InternalInitFieldDefs) when
  // they are not up to date.
  void Update();

protected:
  void Update(TCollectionItem* Item) override;

private:
  TDataSet* FDataSet = nullptr;
  bool FUpdated = false;
  bool FHiddenFields = false;
};

class TIndexDef : public TCollectionItem {
public:
  BORROW_COLLECTION_ITEM(TIndexDef, TCollectionItem)
  explicit TIndexDef(TCollection* Collection);
  const String& GetName() const { return FName; }
  void SetName(const String& Value) {
    FName = Value;
    Changed(false);
  }
  String GetDisplayName() const override { return FName; }
  // Field names separated by ';'.
  const String& GetFields() const { return FFields; }
  void SetFields(const String& Value) {
    FFields = Value;
    Changed(false);
  }
  TIndexOptions GetOptions() const { return FOptions; }
  void SetOptions(TIndexOptions Value) {
    FOptions = Value;
    Changed(false);
  }
  const String& GetDescFields() const { return FDescFields; }
  void SetDescFields(const String& Value) {
    FDescFields = Value;
    Changed(false);
  }
  const String& GetCaseInsFields() const { return FCaseInsFields; }
  void SetCaseInsFields(const String& Value) {
    FCaseInsFields = Value;
    Changed(false);
  }
  const String& GetExpression() const { return FExpression; }
  void SetExpression(const String& Value) {
    FExpression = Value;
    Changed(false);
  }
  const String& GetSource() const { return FSource; }
  void SetSource(const String& Value) { FSource = Value; }
  void Assign(TPersistent* Source) override;

protected:
  void GetPropInfos(std::vector<TPropInfo>& Props) override;

private:
  String FName, FFields, FDescFields, FCaseInsFields, FExpression, FSource;
  TIndexOptions FOptions;
};

class TIndexDefs : public TOwnedCollection {
public:
  BORROW_CLASS(TIndexDefs, TOwnedCollection)
  explicit TIndexDefs(TPersistent* AOwner);
  TDataSet* GetDataSet() const { return FDataSet; }
  Integer Count() const { return GetCount(); }
  TIndexDef* GetItem(Integer Index) const;
  TIndexDef* operator[](Integer Index) const { return GetItem(Index); }
  TIndexDef* AddIndexDef();
  TIndexDef* Add(const String& Name, const String& Fields, TIndexOptions Options);
  Integer IndexOf(const String& Name) const;
  TIndexDef* Find(const String& Name) const;  // raises "Index '%s' not found"
  TIndexDef* FindIndexForFields(const String& Fields) const;
  // The first index whose leading fields are Fields (case-insensitive ones only
  // when CaseInsensitive), or null.
  TIndexDef* GetIndexForFields(const String& Fields, bool CaseInsensitive) const;
  bool GetUpdated() const { return FUpdated; }
  void SetUpdated(bool Value) { FUpdated = Value; }
  void Update();

protected:
  void Update(TCollectionItem* Item) override { TOwnedCollection::Update(Item); }

private:
  TDataSet* FDataSet = nullptr;
  bool FUpdated = false;
};
