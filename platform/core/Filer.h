#pragma once
// Component streaming: TWriter writes values, properties and component trees to a
// TStream in this library's own binary encoding, and TReader reads them back.
//
// Encoding: every value starts with a TValueType tag byte; numbers are little-endian.
//   vaNull       end of a list (no payload)
//   vaList       values up to a vaNull
//   vaInt8/16/32/64   the integer, in the smallest width that holds it
//   vaExtended, vaDouble, vaDate   an IEEE double; vaSingle an IEEE float
//   vaCurrency   the int64 scaled by 10000
//   vaWString    int32 count of UTF-16 code units, then the units
//   vaUTF8String int32 byte count, then UTF-8 bytes
//   vaIdent      one byte count, then UTF-8 bytes (names, enumeration idents)
//   vaBinary     int32 byte count, then the bytes
//   vaFalse, vaTrue, vaNil   no payload
//   vaCollection items, each an optional integer then a property list, up to a vaNull
// A component is: its class name and name (each a count byte and UTF-8 bytes), its
// properties (each a name in that form and a value) up to a vaNull, its children
// (components) up to a vaNull. A root stream starts with the four bytes "BRF1".

#include <functional>
#include <memory>
#include <vector>

#include "platform/core/Component.h"
#include "platform/core/Variant.h"

class TStream;
class TCollection;
struct TTypeInfo;

enum TValueType : Byte {
  vaNull = 0,
  vaList = 1,
  vaInt8 = 2,
  vaInt16 = 3,
  vaInt32 = 4,
  vaExtended = 5,
  vaIdent = 7,
  vaFalse = 8,
  vaTrue = 9,
  vaBinary = 10,
  vaNil = 13,
  vaCollection = 14,
  vaSingle = 15,
  vaCurrency = 16,
  vaDate = 17,
  vaWString = 18,
  vaInt64 = 19,
  vaUTF8String = 20,
  vaDouble = 21
};

using TReaderProc = std::function<void(TReader* Reader)>;
using TWriterProc = std::function<void(TWriter* Writer)>;
using TStreamProc = std::function<void(TStream* Stream)>;

// What streaming needs of a published property: how to write and read its value,
// and whether it is stored (a null Stored means always). Its type record (TypInfo.h;
// null when the table does not say) and, for a class-typed property, the object it
// holds, let callers look at a property without streaming it.
struct TPropInfo {
  String Name;
  std::function<void(TWriter* Writer)> Write;
  std::function<void(TReader* Reader)> Read;
  std::function<bool()> Stored;
  const TTypeInfo* PropType = nullptr;
  std::function<TObject*()> GetObject = nullptr;
};

class TFiler : public TObject {
public:
  BORROW_CLASS(TFiler, TObject)
  explicit TFiler(TStream* Stream) : FStream(Stream) {}
  ~TFiler() override = default;

  // Called from a class's DefineProperties: a writer writes the data when HasData,
  // a reader reads it when the property being read has this name.
  virtual void DefineProperty(const String& Name, const TReaderProc& ReadData, const TWriterProc& WriteData,
                              bool HasData) = 0;
  virtual void DefineBinaryProperty(const String& Name, const TStreamProc& ReadData, const TStreamProc& WriteData,
                                    bool HasData) = 0;

  TStream* GetStream() const { return FStream; }
  TComponent* GetRoot() const { return FRoot; }
  void SetRoot(TComponent* Value) { FRoot = Value; }
  TComponent* GetLookupRoot() const { return FLookupRoot ? FLookupRoot : FRoot; }
  void SetLookupRoot(TComponent* Value) { FLookupRoot = Value; }
  // The object written before, for "stored only when it differs" decisions; null here.
  TPersistent* GetAncestor() const { return FAncestor; }
  void SetAncestor(TPersistent* Value) { FAncestor = Value; }
  bool GetIgnoreChildren() const { return FIgnoreChildren; }
  void SetIgnoreChildren(bool Value) { FIgnoreChildren = Value; }

  // The published properties of an instance (its class's property table).
  static std::vector<TPropInfo> PropertiesOf(TPersistent* Instance);
  // How a component reference names Component: its name when it belongs to the
  // lookup root (or is the root), else its owner's name, a dot and its name.
  String ComponentRefName(const TComponent* Component) const;

protected:
  static void CallDefineProperties(TPersistent* Instance, TFiler* Filer) { Instance->DefineProperties(Filer); }

  TStream* FStream;
  TComponent* FRoot = nullptr;
  TComponent* FLookupRoot = nullptr;
  TPersistent* FAncestor = nullptr;
  bool FIgnoreChildren = false;
};

class TWriter : public TFiler {
public:
  BORROW_CLASS(TWriter, TFiler)
  explicit TWriter(TStream* Stream) : TFiler(Stream) {}

  void DefineProperty(const String& Name, const TReaderProc& ReadData, const TWriterProc& WriteData,
                      bool HasData) override;
  void DefineBinaryProperty(const String& Name, const TStreamProc& ReadData, const TStreamProc& WriteData,
                            bool HasData) override;

  void WriteValue(TValueType Value);
  void WriteListBegin() { WriteValue(vaList); }
  void WriteListEnd() { WriteValue(vaNull); }
  void WriteInteger(Int64 Value);
  void WriteBoolean(bool Value) { WriteValue(Value ? vaTrue : vaFalse); }
  void WriteFloat(Extended Value);
  void WriteDouble(double Value);
  void WriteSingle(float Value);
  void WriteDate(TDateTime Value);
  void WriteCurrency(Currency Value);
  void WriteString(const String& Value);
  void WriteUTF8String(const std::string& Value);
  void WriteIdent(const String& Ident);
  void WriteBinary(const std::string& Bytes);
  // Null is written as nil; Empty (and any type with no encoding) raises EWriteError.
  void WriteVariant(const Variant& Value);
  void WriteCollection(TCollection* Value);
  // A reference to a component, by name (ComponentRefName); null, or a component
  // without a name, is written as nil.
  void WriteComponentRef(const TComponent* Value);

  // A property name followed, by the caller, by its value.
  void WritePropName(const String& PropName);
  // Published properties, then defined ones.
  void WriteProperties(TPersistent* Instance);
  // A component (class, name, properties, children).
  void WriteComponent(TComponent* Component);
  void WriteRootComponent(TComponent* Root);
  void WriteDescendent(TComponent* Root, TComponent* AAncestor);
  // What TComponent::WriteState calls: properties, end, children, end.
  void WriteData(TComponent* Instance);
  // A short name: count byte and UTF-8 bytes, without a tag.
  void WriteStr(const String& Value);

private:
  void Raw(const void* Buffer, Integer Count);
  void Raw(const std::string& Bytes) { Raw(Bytes.data(), static_cast<Integer>(Bytes.size())); }
};

class TReader : public TFiler {
public:
  BORROW_CLASS(TReader, TFiler)
  explicit TReader(TStream* Stream);
  ~TReader() override;

  void DefineProperty(const String& Name, const TReaderProc& ReadData, const TWriterProc& WriteData,
                      bool HasData) override;
  void DefineBinaryProperty(const String& Name, const TStreamProc& ReadData, const TStreamProc& WriteData,
                            bool HasData) override;

  TValueType ReadValue();
  TValueType NextValue();
  bool EndOfList() { return NextValue() == vaNull; }
  void CheckValue(TValueType Value);
  void ReadListBegin() { CheckValue(vaList); }
  void ReadListEnd() { CheckValue(vaNull); }
  // Any integer width; ReadInteger raises EReadError when the value does not fit 32 bits.
  Integer ReadInteger();
  Int64 ReadInt64();
  bool ReadBoolean();
  Extended ReadFloat();
  float ReadSingle();
  TDateTime ReadDate();
  Currency ReadCurrency();
  // vaWString, vaUTF8String or an identifier.
  String ReadString();
  String ReadIdent();
  std::string ReadBinary();
  // nil reads as Null; a list reads as a Variant array.
  Variant ReadVariant();
  void ReadCollection(TCollection* Collection);
  // A component reference: nil sets null at once; a name is looked up among the
  // lookup root's components when the outermost component has been read, before
  // any Loaded, and set when found (a name nothing answers to leaves it unset).
  void ReadComponentRef(std::function<void(TComponent* Component)> Set);
  void SkipValue();

  String ReadStr();
  // Reads one property of Instance: its name, then its value through the property
  // table or DefineProperties. An unknown property raises EReadError.
  void ReadProperty(TPersistent* Instance);
  // Reads a child component; Component non-null reads into that instance. Class
  // and name are resolved through the hooks first, then the class registry.
  TComponent* ReadComponent(TComponent* Component);
  TComponent* ReadRootComponent(TComponent* Root);
  // What TComponent::ReadState calls: properties, end, children (with this
  // component as Parent), end.
  void ReadData(TComponent* Instance);

  TComponent* GetOwner() const { return FOwner; }
  void SetOwner(TComponent* Value) { FOwner = Value; }
  TComponent* GetParent() const { return FParent; }
  void SetParent(TComponent* Value) { FParent = Value; }

  // Hooks. Callers that install one keep the previous value and put it back.
  std::function<void(TReader* Reader, const String& ClassName, TComponentClass& ComponentClass)> OnFindComponentClass;
  std::function<void(TReader* Reader, TComponentClass ComponentClass, TComponent*& Component)> OnCreateComponent;
  std::function<void(TReader* Reader, const String& ComponentName, TComponentClass ComponentClass,
                     TComponent*& Component)>
      OnAncestorNotFound;

private:
  void Raw(void* Buffer, Integer Count);
  // A little-endian value of T's size, and a run of Count bytes.
  template <class T>
  T ReadLE();
  std::string ReadBytes(Integer Count);
  Integer ReadCount(Int64 Limit);
  [[noreturn]] void PropValueError();
  TComponentClass FindComponentClass(const String& ClassName);
  void BeginOuter();
  void EndOuter(bool Ok);
  void EndOuterAfterFault();
  Variant ReadVariantAt(int Depth);
  void SkipValueAt(int Depth);

  // A component reference waiting for the end of the read; dropped when the
  // component whose property it is goes first.
  struct TFixup {
    TComponent* Instance;
    String Name;
    std::function<void(TComponent*)> Set;
  };
  void ResolveFixups();
  TComponent* FindComponentRef(const String& Name) const;
  // A component read so far was freed: it waits for nothing any more.
  void Forget(TComponent* Component);

  TComponent* FOwner = nullptr;
  TComponent* FParent = nullptr;
  TComponent* FCurrent = nullptr;  // the component whose properties are being read
  std::vector<TFixup> FFixups;
  String FPropName;
  bool FPropHandled = false;
  int FDepth = 0;  // nesting of ReadComponent calls
  // Components read so far, waiting for Loaded at the end of the outermost read.
  // A watcher hears of any freed meanwhile (a hook may hand out a scratch child).
  std::vector<TComponent*> FLoaded;
  std::unique_ptr<TComponent> FLoadedWatch;
  void AddLoaded(TComponent* Component);
};
