#pragma once
// Type information of published properties, and the builders of their entries in a
// class's property table (TPropInfo, Filer.h).
//
//   TTypeKind        the kind byte of a type record (tkClass is 7)
//   TTypeInfo        a type record: kind, name and, for a class, the class
//   ...PropInfo      table entries for Boolean, integer, floating-point, character,
//                    string, Variant, enumeration, string-list and component-reference
//                    properties; each writes and reads its value and carries its type
//
// A component-reference property writes the name of the component it holds (owner
// and name when the component belongs to another owner than the stream's root) and
// is read back once the whole stream is read, so it may name a component that comes
// later in the stream (TReader::ReadComponentRef).

#include <array>
#include <functional>

#include "platform/core/Collection.h"
#include "platform/core/Filer.h"
#include "platform/core/StringList.h"
#include "platform/core/Strings.h"

enum TTypeKind : Byte {
  tkUnknown,
  tkInteger,
  tkChar,
  tkEnumeration,
  tkFloat,
  tkString,
  tkSet,
  tkClass,
  tkMethod,
  tkWChar,
  tkLString,
  tkWString,
  tkVariant,
  tkArray,
  tkRecord,
  tkInterface,
  tkInt64,
  tkDynArray,
  tkUString
};
static_assert(tkClass == 7 && tkUString == 18, "the kind bytes keep their numbers");

struct TTypeInfo {
  TTypeKind Kind = tkUnknown;
  const char16_t* Name = u"";
  // The class of a class-typed property.
  TClass ClassType = nullptr;
};

// The type records of the value types the builders use.
extern const TTypeInfo TypeInfoBoolean;      // tkEnumeration
extern const TTypeInfo TypeInfoInteger;      // tkInteger
extern const TTypeInfo TypeInfoInt64;        // tkInt64
extern const TTypeInfo TypeInfoExtended;     // tkFloat
extern const TTypeInfo TypeInfoWideChar;     // tkWChar
extern const TTypeInfo TypeInfoString;       // tkUString
extern const TTypeInfo TypeInfoVariant;      // tkVariant
extern const TTypeInfo TypeInfoEnumeration;  // tkEnumeration, for the enumerations of the builder below

// The type record of class T, one per class.
template <class T>
const TTypeInfo* ClassTypeInfo() {
  static const TTypeInfo Info{tkClass, T::StaticClass()->Name, T::StaticClass()};
  return &Info;
}

using TPropStoredFn = std::function<bool()>;

TPropInfo BooleanPropInfo(const String& Name, std::function<bool()> Get, std::function<void(bool)> Set,
                          TPropStoredFn Stored = nullptr);
TPropInfo IntegerPropInfo(const String& Name, std::function<Int64()> Get, std::function<void(Int64)> Set,
                          TPropStoredFn Stored = nullptr);
TPropInfo FloatPropInfo(const String& Name, std::function<Extended()> Get, std::function<void(Extended)> Set,
                        TPropStoredFn Stored = nullptr);
// A character, written as a one-character string.
TPropInfo CharPropInfo(const String& Name, std::function<Char()> Get, std::function<void(Char)> Set,
                       TPropStoredFn Stored = nullptr);
TPropInfo StringPropInfo(const String& Name, std::function<String()> Get, std::function<void(const String&)> Set,
                         TPropStoredFn Stored = nullptr);
TPropInfo VariantPropInfo(const String& Name, std::function<Variant()> Get, std::function<void(const Variant&)> Set,
                          TPropStoredFn Stored = nullptr);
// The strings of a list the object owns, read back into that list.
TPropInfo StringsPropInfo(const String& Name, std::function<TStrings*()> Get, TPropStoredFn Stored = nullptr);

// An enumeration written as the identifier of its value: Names[value].
template <class E, size_t N>
TPropInfo EnumPropInfo(const String& Name, const std::array<const char16_t*, N>& Names, std::function<E()> Get,
                       std::function<void(E)> Set, TPropStoredFn Stored = nullptr) {
  TPropInfo P;
  P.Name = Name;
  P.Write = [&Names, Get](TWriter* W) { W->WriteIdent(Names[size_t(Get())]); };
  P.Read = [&Names, Name, Set](TReader* R) {
    const String Ident = R->ReadIdent();
    for (size_t I = 0; I < N; ++I)
      if (SameText(Ident, Names[I])) return Set(static_cast<E>(I));
    throw EReadError(u"Invalid property value: " + Ident);
  };
  P.Stored = std::move(Stored);
  P.PropType = &TypeInfoEnumeration;
  return P;
}

// A collection the object owns, written item by item and read back into it.
TPropInfo CollectionPropInfo(const String& Name, std::function<TCollection*()> Get, TPropStoredFn Stored = nullptr);
// The published properties of an object the instance owns (a font, a drop-down's
// settings), each under Prefix followed by its own name ("DropDownBox.Rows").
void AddSubObjectPropInfos(std::vector<TPropInfo>& Props, TPersistent* Object, const String& Prefix);

// A reference to a component of type T (stored, unless said otherwise, while it
// holds a named component); read back after the stream, by name.
template <class T>
TPropInfo ComponentPropInfo(const String& Name, std::function<T*()> Get, std::function<void(T*)> Set,
                            TPropStoredFn Stored = nullptr) {
  TPropInfo P;
  P.Name = Name;
  P.Write = [Get](TWriter* W) { W->WriteComponentRef(Get()); };
  P.Read = [Set](TReader* R) { R->ReadComponentRef([Set](TComponent* C) { Set(dynamic_cast<T*>(C)); }); };
  if (!Stored) Stored = [Get] { return Get() && !Get()->GetName().empty(); };
  P.Stored = std::move(Stored);
  P.PropType = ClassTypeInfo<T>();
  P.GetObject = [Get]() -> TObject* { return Get(); };
  return P;
}

// A property's type record (null when the table does not say) and a type record's kind.
const TTypeInfo* PropInfoType(const TPropInfo& PropInfo);
TTypeKind TypeInfoKind(const TTypeInfo* TypeInfo);
// The entry named Name in a property table (TFiler::PropertiesOf); null when there
// is none. The entries' closures are bound to their instance.
const TPropInfo* FindPropInfo(const std::vector<TPropInfo>& Props, const String& Name);
