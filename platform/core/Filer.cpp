#include "platform/core/Filer.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>

#include "platform/core/Collection.h"
#include "platform/core/ScopeGuard.h"
#include "platform/core/Streams.h"
#include "platform/core/Strings.h"
#include "platform/core/WithUpdate.h"

namespace {

constexpr char kSignature[4] = {'B', 'R', 'F', '1'};
// Deeper nesting than this in a Variant is taken for a corrupt stream, not recursed into.
constexpr int kMaxVariantDepth = 64;
constexpr int kMaxComponentDepth = 256;

String Fill(String text, const String& a) {
  const auto at = text.find(u"%s");
  if (at != String::npos) text.replace(at, 2, a);
  return text;
}

template <class T>
void PutLE(std::string& out, T value) {
  using U = std::make_unsigned_t<T>;
  U u;
  std::memcpy(&u, &value, sizeof u);
  for (size_t i = 0; i < sizeof u; ++i) out.push_back(static_cast<char>((u >> (8 * i)) & 0xFF));
}

template <class T>
T GetLE(const unsigned char* p) {
  using U = std::make_unsigned_t<T>;
  U u = 0;
  for (size_t i = 0; i < sizeof u; ++i) u |= static_cast<U>(static_cast<U>(p[i]) << (8 * i));
  T value;
  std::memcpy(&value, &u, sizeof value);
  return value;
}

// A value tag followed by a little-endian value.
template <class T>
std::string Tagged(TValueType Tag, T value) {
  std::string out(1, static_cast<char>(Tag));
  PutLE(out, value);
  return out;
}

// A value tag, a 32-bit length and the bytes.
std::string Counted(TValueType Tag, const std::string& Bytes) {
  if (Bytes.size() > static_cast<size_t>(std::numeric_limits<Integer>::max() - 8))
    throw EWriteError(u"Stream write error");
  return Tagged(Tag, static_cast<Integer>(Bytes.size())) + Bytes;
}

Int64 DoubleBits(double d) { return std::bit_cast<Int64>(d); }
double BitsDouble(Int64 b) { return std::bit_cast<double>(b); }
Integer FloatBits(float f) { return std::bit_cast<Integer>(f); }
float BitsFloat(Integer b) { return std::bit_cast<float>(b); }

// Tells the reader of a freed component among those awaiting Loaded.
class TLoadedWatch final : public TComponent {
public:
  explicit TLoadedWatch(std::function<void(TComponent*)> Freed) : TComponent(nullptr), FFreed(std::move(Freed)) {}

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override {
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove) FFreed(AComponent);
  }

private:
  std::function<void(TComponent*)> FFreed;
};

}  // namespace

std::vector<TPropInfo> TFiler::PropertiesOf(TPersistent* Instance) {
  std::vector<TPropInfo> props;
  if (Instance) Instance->GetPropInfos(props);
  return props;
}

String TFiler::ComponentRefName(const TComponent* Component) const {
  const TComponent* root = GetLookupRoot();
  const TComponent* owner = Component->GetOwner();
  if (!root || Component == root || owner == root || !owner || owner->GetName().empty()) return Component->GetName();
  return owner->GetName() + u"." + Component->GetName();
}

// ---- TWriter

void TWriter::Raw(const void* Buffer, Integer Count) { FStream->WriteBuffer(Buffer, Count); }

void TWriter::WriteValue(TValueType Value) {
  const Byte b = Value;
  Raw(&b, 1);
}

void TWriter::WriteInteger(Int64 Value) {
  if (Value >= std::numeric_limits<std::int8_t>::min() && Value <= std::numeric_limits<std::int8_t>::max())
    Raw(Tagged(vaInt8, static_cast<std::int8_t>(Value)));
  else if (Value >= std::numeric_limits<Smallint>::min() && Value <= std::numeric_limits<Smallint>::max())
    Raw(Tagged(vaInt16, static_cast<Smallint>(Value)));
  else if (Value >= std::numeric_limits<Integer>::min() && Value <= std::numeric_limits<Integer>::max())
    Raw(Tagged(vaInt32, static_cast<Integer>(Value)));
  else Raw(Tagged(vaInt64, Value));
}

void TWriter::WriteFloat(Extended Value) { Raw(Tagged(vaExtended, DoubleBits(static_cast<double>(Value)))); }

void TWriter::WriteDouble(double Value) { Raw(Tagged(vaDouble, DoubleBits(Value))); }

void TWriter::WriteSingle(float Value) { Raw(Tagged(vaSingle, FloatBits(Value))); }

void TWriter::WriteDate(TDateTime Value) { Raw(Tagged(vaDate, DoubleBits(Value))); }

void TWriter::WriteCurrency(Currency Value) { Raw(Tagged(vaCurrency, Value.Raw)); }

void TWriter::WriteString(const String& Value) {
  if (Value.size() > static_cast<size_t>(std::numeric_limits<Integer>::max() / 2))
    throw EWriteError(u"Stream write error");
  std::string out = Tagged(vaWString, static_cast<Integer>(Value.size()));
  out.reserve(5 + Value.size() * 2);
  for (Char c : Value) PutLE(out, static_cast<Word>(c));
  Raw(out);
}

void TWriter::WriteUTF8String(const std::string& Value) { Raw(Counted(vaUTF8String, Value)); }

void TWriter::WriteStr(const String& Value) {
  const std::string utf8 = ToUtf8(Value);
  if (utf8.size() > 255) throw EWriteError(Fill(u"Name too long to stream: %s", Value));
  Raw(std::string(1, static_cast<char>(utf8.size())) + utf8);
}

void TWriter::WriteIdent(const String& Ident) {
  if (SameText(Ident, u"False")) return WriteValue(vaFalse);
  if (SameText(Ident, u"True")) return WriteValue(vaTrue);
  if (SameText(Ident, u"nil")) return WriteValue(vaNil);
  WriteValue(vaIdent);
  WriteStr(Ident);
}

void TWriter::WriteBinary(const std::string& Bytes) { Raw(Counted(vaBinary, Bytes)); }

void TWriter::WriteVariant(const Variant& Value) {
  if (Value.IsArray()) {
    const Integer lo = VarArrayLowBound(Value), hi = VarArrayHighBound(Value);
    if ((Value.VarType() & varTypeMask) == varByte) {
      // A byte array keeps its bytes together, and reads back as a byte array.
      const auto* p = static_cast<const char*>(VarArrayLock(Value));
      WriteBinary(std::string(p, p + (hi >= lo ? hi - lo + 1 : 0)));
      return;
    }
    WriteListBegin();
    for (Integer i = lo; i <= hi; ++i) WriteVariant(VarArrayGet(Value, i));
    WriteListEnd();
    return;
  }
  switch (Value.VarType() & varTypeMask) {
    case varEmpty: throw EWriteError(u"Cannot write an unassigned Variant");
    case varNull: WriteValue(vaNil); return;
    case varShortInt:
    case varSmallint:
    case varInteger:
    case varByte:
    case varWord:
    case varLongWord:
    case varInt64: WriteInteger(Value.AsInt64()); return;
    case varSingle: WriteSingle(static_cast<float>(Value.AsDouble())); return;
    case varDouble: WriteDouble(Value.AsDouble()); return;
    case varCurrency: WriteCurrency(Value.AsCurrency()); return;
    case varDate: WriteDate(Value.AsDateTime()); return;
    case varBoolean: WriteBoolean(Value.AsBoolean()); return;
    case varOleStr: WriteString(Value.AsString()); return;
    // 8-bit text keeps its type tag: it travels as UTF-8.
    case varString: WriteUTF8String(ToUtf8(Value.AsString())); return;
    default: throw EWriteError(u"Variant of this type cannot be written to a stream");
  }
}

void TWriter::WriteCollection(TCollection* Value) {
  WriteValue(vaCollection);
  if (Value)
    for (Integer i = 0; i < Value->GetCount(); ++i) {
      WriteListBegin();
      WriteProperties(Value->GetItem(i));
      WriteListEnd();
    }
  WriteListEnd();
}

void TWriter::WriteComponentRef(const TComponent* Value) {
  if (!Value || Value->GetName().empty()) {
    WriteValue(vaNil);
    return;
  }
  WriteIdent(ComponentRefName(Value));
}

void TWriter::WritePropName(const String& PropName) { WriteStr(PropName); }

void TWriter::WriteProperties(TPersistent* Instance) {
  for (const TPropInfo& p : PropertiesOf(Instance))
    if (p.Write && (!p.Stored || p.Stored())) {
      WritePropName(p.Name);
      p.Write(this);
    }
  CallDefineProperties(Instance, this);
}

void TWriter::DefineProperty(const String& Name, const TReaderProc&, const TWriterProc& WriteData, bool HasData) {
  if (HasData && WriteData) {
    WritePropName(Name);
    WriteData(this);
  }
}

void TWriter::DefineBinaryProperty(const String& Name, const TStreamProc&, const TStreamProc& WriteData, bool HasData) {
  if (!HasData || !WriteData) return;
  TMemoryStream ms;
  WriteData(&ms);
  WritePropName(Name);
  const auto* p = static_cast<const char*>(ms.GetMemory());
  WriteBinary(std::string(p, p + ms.GetSize()));
}

void TWriter::WriteData(TComponent* Instance) {
  WriteProperties(Instance);
  WriteListEnd();
  if (!FIgnoreChildren) Instance->GetChildren([this](TComponent* Child) { WriteComponent(Child); }, FRoot);
  WriteListEnd();
}

void TWriter::WriteComponent(TComponent* Component) {
  Component->SetWriting(true);
  TScopeExit Done([&] { Component->SetWriting(false); });
  WriteStr(Component->ClassName());
  WriteStr(Component->GetName());
  Component->WriteState(this);
}

void TWriter::WriteDescendent(TComponent* Root, TComponent* AAncestor) {
  FRoot = Root;
  FAncestor = AAncestor;
  Raw(kSignature, sizeof kSignature);
  WriteComponent(Root);
}

void TWriter::WriteRootComponent(TComponent* Root) { WriteDescendent(Root, nullptr); }

// ---- TReader

TReader::TReader(TStream* Stream)
    : TFiler(Stream), FLoadedWatch(std::make_unique<TLoadedWatch>([this](TComponent* C) { Forget(C); })) {}

void TReader::Forget(TComponent* Component) {
  std::erase(FLoaded, Component);
  std::erase_if(FFixups, [Component](const TFixup& F) { return F.Instance == Component; });
  if (FCurrent == Component) FCurrent = nullptr;
}

TReader::~TReader() {
  // Unlink before the list goes: the watcher's own destruction tells the watched ones.
  for (TComponent* c : FLoaded) FLoadedWatch->RemoveFreeNotification(c);
  FLoaded.clear();
}

void TReader::AddLoaded(TComponent* Component) {
  if (std::find(FLoaded.begin(), FLoaded.end(), Component) != FLoaded.end()) return;
  FLoaded.push_back(Component);
  FLoadedWatch->FreeNotification(Component);
}

void TReader::Raw(void* Buffer, Integer Count) {
  if (Count > 0 && FStream->Read(Buffer, Count) != Count) throw EReadError(u"Stream read error");
}

template <class T>
T TReader::ReadLE() {
  unsigned char b[sizeof(T)];
  Raw(b, sizeof b);
  return GetLE<T>(b);
}

std::string TReader::ReadBytes(Integer Count) {
  std::string bytes(static_cast<size_t>(Count), '\0');
  Raw(bytes.data(), Count);
  return bytes;
}

void TReader::PropValueError() { throw EReadError(u"Invalid property value"); }

Integer TReader::ReadCount(Int64 UnitSize) {
  const Integer n = ReadLE<Integer>();
  const Int64 left = FStream->GetSize() - FStream->GetPosition();
  // A length the stream cannot hold is corruption: refuse it before allocating.
  if (n < 0 || static_cast<Int64>(n) * UnitSize > left) throw EReadError(u"Invalid stream format: bad length");
  return n;
}

TValueType TReader::ReadValue() {
  Byte b = 0;
  Raw(&b, 1);
  return static_cast<TValueType>(b);
}

TValueType TReader::NextValue() {
  const TValueType v = ReadValue();
  FStream->Seek(-1, soFromCurrent);
  return v;
}

void TReader::CheckValue(TValueType Value) {
  if (ReadValue() != Value) {
    FStream->Seek(-1, soFromCurrent);
    PropValueError();
  }
}

Int64 TReader::ReadInt64() {
  switch (ReadValue()) {
    case vaInt8: return ReadLE<std::int8_t>();
    case vaInt16: return ReadLE<Smallint>();
    case vaInt32: return ReadLE<Integer>();
    case vaInt64: return ReadLE<Int64>();
    default: PropValueError();
  }
}

Integer TReader::ReadInteger() {
  const Int64 v = ReadInt64();
  if (v < std::numeric_limits<Integer>::min() || v > std::numeric_limits<Integer>::max()) PropValueError();
  return static_cast<Integer>(v);
}

bool TReader::ReadBoolean() {
  const TValueType v = ReadValue();
  if (v == vaTrue) return true;
  if (v == vaFalse) return false;
  PropValueError();
}

Extended TReader::ReadFloat() {
  switch (NextValue()) {
    case vaExtended:
    case vaDouble:
    case vaDate: ReadValue(); return BitsDouble(ReadLE<Int64>());
    case vaSingle: ReadValue(); return BitsFloat(ReadLE<Integer>());
    case vaInt8:
    case vaInt16:
    case vaInt32:
    case vaInt64: return static_cast<Extended>(ReadInt64());
    default: ReadValue(); PropValueError();
  }
}

float TReader::ReadSingle() { return static_cast<float>(ReadFloat()); }

TDateTime TReader::ReadDate() { return static_cast<TDateTime>(ReadFloat()); }

Currency TReader::ReadCurrency() {
  if (NextValue() == vaCurrency) {
    ReadValue();
    return Currency::FromRaw(ReadLE<Int64>());
  }
  const Extended v = ReadFloat();
  const Extended raw = v * Currency::Scale;
  if (!(raw >= -9.2e18L && raw <= 9.2e18L)) PropValueError();
  return Currency::FromRaw(static_cast<Int64>(raw < 0 ? raw - 0.5L : raw + 0.5L));
}

String TReader::ReadString() {
  switch (ReadValue()) {
    case vaWString: {
      const Integer n = ReadCount(2);
      std::string bytes(static_cast<size_t>(n) * 2, '\0');
      Raw(bytes.data(), static_cast<Integer>(bytes.size()));
      String s(static_cast<size_t>(n), u'\0');
      const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
      for (Integer i = 0; i < n; ++i) s[static_cast<size_t>(i)] = static_cast<Char>(GetLE<Word>(p + 2 * i));
      return s;
    }
    case vaUTF8String: {
      return FromUtf8(ReadBytes(ReadCount(1)));
    }
    case vaIdent: return ReadStr();
    default: PropValueError();
  }
}

String TReader::ReadStr() { return FromUtf8(ReadBytes(ReadLE<Byte>())); }

String TReader::ReadIdent() {
  switch (ReadValue()) {
    case vaIdent: return ReadStr();
    case vaFalse: return u"False";
    case vaTrue: return u"True";
    case vaNil: return u"nil";
    case vaNull: return u"Null";
    default: PropValueError();
  }
}

std::string TReader::ReadBinary() {
  CheckValue(vaBinary);
  return ReadBytes(ReadCount(1));
}

Variant TReader::ReadVariant() { return ReadVariantAt(0); }

Variant TReader::ReadVariantAt(int Depth) {
  if (Depth > kMaxVariantDepth) throw EReadError(u"Invalid stream format: Variant nested too deeply");
  switch (NextValue()) {
    case vaNil: ReadValue(); return Variant::Null();
    case vaFalse: ReadValue(); return Variant(false);
    case vaTrue: ReadValue(); return Variant(true);
    case vaInt8: ReadValue(); return Variant(ReadLE<std::int8_t>());
    case vaInt16: ReadValue(); return Variant(ReadLE<Smallint>());
    case vaInt32: ReadValue(); return Variant(ReadLE<Integer>());
    case vaInt64: ReadValue(); return Variant(ReadLE<Int64>());
    case vaExtended:
    case vaDouble: ReadValue(); return Variant(BitsDouble(ReadLE<Int64>()));
    case vaSingle: ReadValue(); return Variant(BitsFloat(ReadLE<Integer>()));
    case vaDate: ReadValue(); return Variant::FromDate(BitsDouble(ReadLE<Int64>()));
    case vaCurrency: return Variant(ReadCurrency());
    case vaWString: return Variant(ReadString());
    case vaUTF8String: return Variant::FromAnsiStr(ReadString());
    case vaBinary: {
      const std::string bytes = ReadBinary();
      Variant v = VarArrayCreate(0, static_cast<Integer>(bytes.size()) - 1, varByte);
      if (!bytes.empty()) std::memcpy(VarArrayLock(v), bytes.data(), bytes.size());
      return v;
    }
    case vaList: {
      ReadValue();
      std::vector<Variant> items;
      while (!EndOfList()) items.push_back(ReadVariantAt(Depth + 1));
      ReadListEnd();
      return VarArrayOf(items);
    }
    default: ReadValue(); PropValueError();
  }
}

void TReader::SkipValue() { SkipValueAt(0); }

void TReader::SkipValueAt(int Depth) {
  if (Depth > kMaxVariantDepth) throw EReadError(u"Invalid stream format: values nested too deeply");
  switch (NextValue()) {
    case vaIdent:
      ReadValue();
      ReadStr();
      return;
    case vaCollection:
      ReadValue();
      while (!EndOfList()) {
        if (NextValue() != vaList) ReadInt64();
        ReadListBegin();
        while (!EndOfList()) {
          ReadStr();
          SkipValueAt(Depth + 1);
        }
        ReadListEnd();
      }
      ReadListEnd();
      return;
    default: ReadVariantAt(Depth); return;
  }
}

void TReader::ReadCollection(TCollection* Collection) {
  CheckValue(vaCollection);
  WithUpdate(*Collection, [&] {
    Collection->Clear();
    while (!EndOfList()) {
      if (NextValue() != vaList) ReadInt64();  // an item order, as some writers put it
      TCollectionItem* item = Collection->Add();
      ReadListBegin();
      while (!EndOfList()) ReadProperty(item);
      ReadListEnd();
    }
    ReadListEnd();
  });
}

void TReader::ReadComponentRef(std::function<void(TComponent* Component)> Set) {
  if (NextValue() == vaNil) {
    ReadValue();
    Set(nullptr);
    return;
  }
  const String name = ReadIdent();
  if (FDepth == 0) {  // outside a component read: nothing more is coming
    if (TComponent* found = FindComponentRef(name)) Set(found);
    return;
  }
  FFixups.push_back({FCurrent, name, std::move(Set)});
}

TComponent* TReader::FindComponentRef(const String& Name) const {
  TComponent* root = GetLookupRoot();
  if (!root) root = FOwner;
  if (!root || Name.empty()) return nullptr;
  const size_t dot = Name.find(u'.');
  const String head = Name.substr(0, dot);
  TComponent* first = SameText(root->GetName(), head) ? root : root->FindComponent(head);
  if (dot == String::npos || !first) return first;
  return first->FindComponent(Name.substr(dot + 1));
}

void TReader::ResolveFixups() {
  // One at a time off the list: a setter may free a component whose fixups follow.
  while (!FFixups.empty()) {
    TFixup fixup = std::move(FFixups.front());
    FFixups.erase(FFixups.begin());
    if (TComponent* found = FindComponentRef(fixup.Name)) fixup.Set(found);
  }
}

void TReader::ReadProperty(TPersistent* Instance) {
  const String name = ReadStr();
  for (const TPropInfo& p : PropertiesOf(Instance))
    if (p.Read && SameText(p.Name, name)) {
      p.Read(this);
      return;
    }
  bool handled = false;
  {
    TTemporaryChange<String> Name(FPropName, name);
    TTemporaryChange<bool> Handled(FPropHandled, false);
    CallDefineProperties(Instance, this);
    handled = FPropHandled;
  }
  if (!handled) throw EReadError(Fill(u"Property %s does not exist", name));
}

void TReader::DefineProperty(const String& Name, const TReaderProc& ReadData, const TWriterProc&, bool) {
  if (FPropHandled || FPropName.empty() || !ReadData || !SameText(Name, FPropName)) return;
  FPropHandled = true;
  ReadData(this);
}

void TReader::DefineBinaryProperty(const String& Name, const TStreamProc& ReadData, const TStreamProc&, bool) {
  if (FPropHandled || FPropName.empty() || !ReadData || !SameText(Name, FPropName)) return;
  FPropHandled = true;
  const std::string bytes = ReadBinary();
  TMemoryStream ms;
  if (!bytes.empty()) ms.WriteBuffer(bytes.data(), static_cast<Integer>(bytes.size()));
  ms.SetPosition(0);
  ReadData(&ms);
}

TComponentClass TReader::FindComponentClass(const String& ClassName) {
  TComponentClass cls = nullptr;
  if (OnFindComponentClass) OnFindComponentClass(this, ClassName, cls);
  if (!cls) cls = GetClass(ClassName);
  return cls;
}

void TReader::BeginOuter() { ++FDepth; }

void TReader::EndOuter(bool Ok) {
  if (--FDepth > 0) return;
  if (Ok) {
    try {
      ResolveFixups();
    } catch (...) {
      FFixups.clear();
      EndOuterAfterFault();
      throw;
    }
  }
  FFixups.clear();
  // One at a time, still watched until its turn: a Loaded may free components further on.
  while (!FLoaded.empty()) {
    TComponent* c = FLoaded.front();
    FLoaded.erase(FLoaded.begin());
    FLoadedWatch->RemoveFreeNotification(c);
    if (!Ok) {
      c->FComponentState.Exclude(csLoading);
      c->FComponentState.Exclude(csReading);
      continue;
    }
    try {
      c->Loaded();
    } catch (...) {
      EndOuterAfterFault();
      throw;
    }
  }
}

void TReader::EndOuterAfterFault() {
  ++FDepth;
  EndOuter(false);
}

TComponent* TReader::ReadComponent(TComponent* Component) {
  BeginOuter();
  TComponent* result = Component;
  bool created = false;
  try {
    if (FDepth > kMaxComponentDepth) throw EReadError(u"Invalid stream format: components nested too deeply");
    const String className = ReadStr();
    const String name = ReadStr();
    if (!result) {
      const TComponentClass cls = FindComponentClass(className);
      if (cls && OnCreateComponent) OnCreateComponent(this, cls, result);
      if (!result && OnAncestorNotFound) OnAncestorNotFound(this, name, cls, result);
      if (!result) {
        if (!cls) throw EClassNotFound(Fill(u"Class %s not found", className));
        if (!cls->Create) throw EReadError(Fill(u"Cannot create an instance of class %s", className));
        result = cls->Create(FOwner);
        created = true;
      }
    }
    result->FComponentState.Include(csLoading);
    result->FComponentState.Include(csReading);
    AddLoaded(result);
    if (!name.empty() && result->GetName().empty()) {
      try {
        result->SetName(name);
      } catch (const EComponentError& e) {
        throw EReadError(e.Message());  // a bad or clashing name in the stream is a read fault
      }
    }
    {
      TTemporaryChange<TComponent*> Current(FCurrent, result);
      result->ReadState(this);
    }
    result->FComponentState.Exclude(csReading);
  } catch (...) {
    if (created) delete result;  // the watcher takes it off the list
    EndOuter(false);
    throw;
  }
  EndOuter(true);
  return result;
}

void TReader::ReadData(TComponent* Instance) {
  while (!EndOfList()) ReadProperty(Instance);
  ReadListEnd();
  TTemporaryChange<TComponent*> Parent(FParent, Instance);
  while (!EndOfList()) ReadComponent(nullptr);
  ReadListEnd();
}

TComponent* TReader::ReadRootComponent(TComponent* Root) {
  char sig[sizeof kSignature];
  Raw(sig, sizeof sig);
  if (std::memcmp(sig, kSignature, sizeof sig) != 0) throw EReadError(u"Invalid stream format");
  bool created = false;
  if (!Root) {
    const Int64 at = FStream->GetPosition();
    const TComponentClass cls = FindClass(ReadStr());
    FStream->SetPosition(at);
    if (!cls->Create) throw EReadError(Fill(u"Cannot create an instance of class %s", cls->Class->Name));
    Root = cls->Create(nullptr);
    created = true;
  }
  FRoot = Root;
  FOwner = Root;
  FParent = nullptr;
  try {
    ReadComponent(Root);
  } catch (...) {
    if (created) delete Root;
    throw;
  }
  return Root;
}
