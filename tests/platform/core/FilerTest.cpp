#include "platform/core/Filer.h"

#include <gtest/gtest.h>

#include <limits>

#include "platform/core/Collection.h"
#include "platform/core/Streams.h"
#include "platform/core/TypInfo.h"
#include "tests/support/ExpectedBytes.h"

namespace {

std::string BytesOf(TMemoryStream& ms) {
  return std::string(static_cast<const char*>(ms.GetMemory()), static_cast<size_t>(ms.GetSize()));
}

// Writes with Fill, then reads the same bytes back with Check; the bytes written.
template <class Fill, class Check>
std::string RoundTrip(Fill fill, Check check) {
  TMemoryStream ms;
  {
    TWriter w(&ms);
    fill(w);
  }
  ms.SetPosition(0);
  TReader r(&ms);
  check(r);
  EXPECT_EQ(ms.GetPosition(), ms.GetSize()) << "everything written was read";
  return BytesOf(ms);
}

TEST(FilerValues, NestedListsStringsAndIntegersOfEachWidth) {
  const Int64 values[] = {0,
                          -128,
                          127,
                          128,
                          -32768,
                          32767,
                          40000,
                          std::numeric_limits<Integer>::min(),
                          std::numeric_limits<Integer>::max(),
                          Int64(1) << 40,
                          std::numeric_limits<Int64>::min()};
  const std::string bytes = RoundTrip(
      [&](TWriter& w) {
        w.WriteListBegin();
        for (Int64 v : values) w.WriteInteger(v);
        w.WriteListBegin();
        w.WriteString(u"Заглавие «книги»");
        w.WriteString(u"");
        w.WriteListBegin();
        w.WriteBoolean(true);
        w.WriteListEnd();
        w.WriteListEnd();
        w.WriteIdent(u"dtkCustomEh");
        w.WriteFloat(2.5L);
        w.WriteDate(45000.25);
        w.WriteCurrency(Currency::FromRaw(-123456789));
        w.WriteListEnd();
      },
      [&](TReader& r) {
        r.ReadListBegin();
        for (Int64 v : values) EXPECT_EQ(r.ReadInt64(), v);
        r.ReadListBegin();
        EXPECT_EQ(r.ReadString(), u"Заглавие «книги»");
        EXPECT_EQ(r.ReadString(), u"");
        r.ReadListBegin();
        EXPECT_TRUE(r.ReadBoolean());
        EXPECT_TRUE(r.EndOfList());
        r.ReadListEnd();
        r.ReadListEnd();
        EXPECT_EQ(r.ReadIdent(), u"dtkCustomEh");
        EXPECT_EQ(r.ReadFloat(), 2.5L);
        EXPECT_EQ(r.ReadDate(), 45000.25);
        EXPECT_EQ(r.ReadCurrency(), Currency::FromRaw(-123456789));
        r.ReadListEnd();
      });
  EXPECT_TRUE(MatchesExpectedFile(bytes, "tests/platform/core/expected/values.bin"));
}

TEST(FilerValues, IntegerWidthFollowsTheValue) {
  TMemoryStream ms;
  TWriter w(&ms);
  w.WriteInteger(5);
  EXPECT_EQ(ms.GetSize(), 2);
  w.WriteInteger(1000);
  EXPECT_EQ(ms.GetSize(), 5);
  w.WriteInteger(100000);
  EXPECT_EQ(ms.GetSize(), 10);
  w.WriteInteger(Int64(1) << 33);
  EXPECT_EQ(ms.GetSize(), 19);
  ms.SetPosition(10);
  TReader r(&ms);
  EXPECT_THROW(r.ReadInteger(), EReadError) << "does not fit 32 bits";
}

TEST(FilerVariants, NullArraysAndScalarsRoundTrip) {
  const Variant values[] = {
      Variant::Null(),
      Variant(Integer(42)),
      Variant(Int64(-1) << 50),
      Variant(3.25),
      Variant(true),
      Variant(u"Автор"),
      Variant::FromAnsiStr(u"ansi"),
      Variant::FromDate(40000.5),
      Variant(Currency::FromRaw(15000)),
      VarArrayOf({Variant(1), Variant::Null(), VarArrayOf({Variant(u"вложенный"), Variant(2.0)})}),
  };
  const std::string bytes = RoundTrip(
      [&](TWriter& w) {
        for (const Variant& v : values) w.WriteVariant(v);
      },
      [&](TReader& r) {
        for (const Variant& v : values) {
          const Variant back = r.ReadVariant();
          // Integers come back in the smallest width that holds them; other types keep theirs.
          if (VarIsOrdinal(v) && v.VarType() != varBoolean) EXPECT_TRUE(VarIsOrdinal(back));
          else EXPECT_EQ(back.VarType() & varTypeMask, v.VarType() & varTypeMask);
          if (v.IsArray()) {
            ASSERT_TRUE(back.IsArray());
            ASSERT_EQ(VarArrayHighBound(back), 2);
            EXPECT_TRUE(VarArrayGet(back, 1).IsNull());
            const Variant inner = VarArrayGet(back, 2);
            EXPECT_EQ(VarArrayGet(inner, 0).AsString(), u"вложенный");
          } else if (v.IsNull()) {
            EXPECT_TRUE(back.IsNull());
          } else {
            EXPECT_TRUE(VarSameValue(back, v)) << ToUtf8(VarToStr(v));
          }
        }
      });
  EXPECT_TRUE(MatchesExpectedFile(bytes, "tests/platform/core/expected/variants.bin"));
}

TEST(FilerVariants, ByteArrayStaysAByteArray) {
  Variant bytes = VarArrayCreate(0, 2, varByte);
  VarArrayPut(bytes, Variant(Byte(7)), 0);
  VarArrayPut(bytes, Variant(Byte(0)), 1);
  VarArrayPut(bytes, Variant(Byte(255)), 2);
  RoundTrip([&](TWriter& w) { w.WriteVariant(bytes); },
            [&](TReader& r) {
              const Variant back = r.ReadVariant();
              EXPECT_EQ(back.VarType(), varArray | varByte);
              EXPECT_EQ(VarArrayGet(back, 2).AsInteger(), 255);
            });
}

TEST(FilerVariants, WritingEmptyRaises) {
  TMemoryStream ms;
  TWriter w(&ms);
  EXPECT_THROW(w.WriteVariant(Variant()), EWriteError);
  EXPECT_THROW(w.WriteVariant(VarArrayOf({Variant(1), Variant()})), EWriteError);
}

TEST(FilerCorruption, TruncatedStreamRaisesReadError) {
  TMemoryStream ms;
  {
    TWriter w(&ms);
    w.WriteListBegin();
    w.WriteString(u"Длинная строка для обрезки");
    w.WriteVariant(VarArrayOf({Variant(1), Variant(u"x")}));
    w.WriteListEnd();
  }
  const Int64 full = ms.GetSize();
  for (Int64 cut = 0; cut < full; ++cut) {
    TMemoryStream part;
    part.WriteBuffer(ms.GetMemory(), static_cast<Integer>(cut));
    part.SetPosition(0);
    TReader r(&part);
    EXPECT_THROW(
        {
          r.ReadListBegin();
          r.ReadString();
          r.ReadVariant();
          r.ReadListEnd();
        },
        EReadError)
        << "cut at " << cut;
  }
}

TEST(FilerCorruption, HugeLengthAndDeepNestingAreRefused) {
  TMemoryStream ms;
  const unsigned char huge[] = {vaWString, 0xFF, 0xFF, 0xFF, 0x7F, 'a', 0};
  ms.WriteBuffer(huge, sizeof huge);
  ms.SetPosition(0);
  TReader r(&ms);
  EXPECT_THROW(r.ReadString(), EReadError);

  TMemoryStream deep;
  const std::string lists(100000, static_cast<char>(vaList));
  deep.WriteBuffer(lists.data(), static_cast<Integer>(lists.size()));
  deep.SetPosition(0);
  TReader r2(&deep);
  EXPECT_THROW(r2.ReadVariant(), EReadError);

  TMemoryStream wrong;
  TWriter(&wrong).WriteString(u"text");
  wrong.SetPosition(0);
  TReader r3(&wrong);
  EXPECT_THROW(r3.ReadInteger(), EReadError);
}

// ---- Components

class TNode : public TComponent {
public:
  BORROW_COMPONENT(TNode, TComponent)
  explicit TNode(TComponent* AOwner) : TComponent(AOwner) {}
  Integer CurValue = 0;
  Integer InitValue = 0;
  String Caption;
  TComponent* Link = nullptr;          // a reference to another component
  TComponent* LinkAtLoaded = nullptr;  // what Link held when Loaded ran
  std::vector<TComponent*> Kids;       // streamed children, owned by the root
  TComponent* ReadParent = nullptr;
  int LoadedCalls = 0;

  void GetChildren(const TGetChildProc& Proc, TComponent* Root) override {
    TComponent::GetChildren(Proc, Root);
    for (TComponent* k : Kids) Proc(k);
  }
  void ReadState(TReader* Reader) override {
    TComponent::ReadState(Reader);
    ReadParent = Reader->GetParent();
    if (auto* p = dynamic_cast<TNode*>(ReadParent)) p->Kids.push_back(this);
  }
  void Loaded() override {
    TComponent::Loaded();
    ++LoadedCalls;
    LinkAtLoaded = Link;
  }

protected:
  void DefineProperties(TFiler* Filer) override {
    TComponent::DefineProperties(Filer);
    Filer->DefineProperty(
        u"AutoIncCurValue", [this](TReader* R) { CurValue = R->ReadInteger(); },
        [this](TWriter* W) { W->WriteInteger(CurValue); }, CurValue != InitValue);
  }
  void GetPropInfos(std::vector<TPropInfo>& Props) override {
    TComponent::GetPropInfos(Props);
    Props.push_back({u"Caption", [this](TWriter* W) { W->WriteString(Caption); },
                     [this](TReader* R) { Caption = R->ReadString(); }, [this] { return !Caption.empty(); }});
    Props.push_back(ComponentPropInfo<TComponent>(
        u"Link", [this] { return Link; }, [this](TComponent* C) { Link = C; }));
  }
};

class TLeaf : public TNode {
public:
  BORROW_COMPONENT(TLeaf, TNode)
  using TNode::TNode;
};

struct Registered {
  Registered() { RegisterClasses({TNode::StaticComponentClass(), TLeaf::StaticComponentClass()}); }
  ~Registered() { UnRegisterClasses({TNode::StaticComponentClass(), TLeaf::StaticComponentClass()}); }
};

TNode* AddKid(TNode* root, TNode* parent, TNode* kid, const char16_t* name) {
  kid->SetName(name);
  parent->Kids.push_back(kid);
  (void)root;
  return kid;
}

TEST(FilerComponents, DefinedPropertyAndChildrenRoundTrip) {
  Registered reg;
  TMemoryStream ms;
  {
    TNode root(nullptr);
    root.SetName(u"Form1");
    root.CurValue = 17;
    root.SetTag(-5);
    auto* a = AddKid(&root, &root, new TNode(&root), u"DataStruct");
    a->Caption = u"Структура";
    a->CurValue = 3;
    auto* leaf = AddKid(&root, a, new TLeaf(&root), u"Field1");
    leaf->Caption = u"Автор";
    TWriter w(&ms);
    w.WriteRootComponent(&root);
  }
  EXPECT_TRUE(MatchesExpectedFile(BytesOf(ms), "tests/platform/core/expected/components.bin"));
  ms.SetPosition(0);
  TNode back(nullptr);
  TReader r(&ms);
  r.ReadRootComponent(&back);
  EXPECT_EQ(back.GetName(), u"Form1");
  EXPECT_EQ(back.CurValue, 17);
  EXPECT_EQ(back.GetTag(), -5);
  ASSERT_EQ(back.Kids.size(), 1u);
  auto* a = dynamic_cast<TNode*>(back.Kids[0]);
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->GetName(), u"DataStruct");
  EXPECT_EQ(a->Caption, u"Структура");
  EXPECT_EQ(a->CurValue, 3);
  EXPECT_EQ(a->GetOwner(), &back);
  EXPECT_EQ(a->ReadParent, &back);
  ASSERT_EQ(a->Kids.size(), 1u);
  auto* leaf = a->Kids[0];
  EXPECT_EQ(leaf->ClassName(), u"TLeaf");
  EXPECT_EQ(static_cast<TNode*>(leaf)->ReadParent, a) << "the reader's parent is the component being read";
  EXPECT_EQ(static_cast<TNode*>(leaf)->Caption, u"Автор");
  EXPECT_EQ(back.LoadedCalls, 1);
  EXPECT_EQ(static_cast<TNode*>(leaf)->LoadedCalls, 1);
  EXPECT_FALSE(leaf->GetComponentState().Contains(csLoading));
}

TEST(FilerComponents, ReferencesComeBackByNameBeforeLoadedThoseNothingAnswersStayUnset) {
  Registered reg;
  TMemoryStream ms;
  {
    TNode root(nullptr);
    root.SetName(u"Form1");
    TNode module(nullptr);  // another owner's component: named with its owner
    module.SetName(u"Module1");
    auto* elsewhere = new TNode(&module);
    elsewhere->SetName(u"Source1");
    auto* a = AddKid(&root, &root, new TNode(&root), u"DataStruct");
    auto* leaf = AddKid(&root, a, new TLeaf(&root), u"Field1");
    a->Link = leaf;  // read before the component it names
    leaf->Link = &root;
    root.Link = elsewhere;
    auto* unnamed = new TNode(&root);
    AddKid(&root, &root, new TNode(&root), u"Loose")->Link = unnamed;
    TWriter w(&ms);
    w.WriteRootComponent(&root);
  }
  const std::string bytes = BytesOf(ms);
  EXPECT_NE(bytes.find("Module1.Source1"), std::string::npos);
  ms.SetPosition(0);
  TNode back(nullptr);
  TReader r(&ms);
  r.ReadRootComponent(&back);
  ASSERT_EQ(back.Kids.size(), 2u);
  auto* a = static_cast<TNode*>(back.Kids[0]);
  ASSERT_EQ(a->Kids.size(), 1u);
  auto* leaf = static_cast<TNode*>(a->Kids[0]);
  EXPECT_EQ(a->Link, leaf);
  EXPECT_EQ(a->LinkAtLoaded, leaf);
  EXPECT_EQ(leaf->Link, &back);
  EXPECT_EQ(back.Link, nullptr);                                // Module1 is not this stream's
  EXPECT_EQ(static_cast<TNode*>(back.Kids[1])->Link, nullptr);  // an unnamed component cannot be named
}

TEST(FilerProperties, ATableEntryCarriesItsTypeAndAClassTypedOneItsObject) {
  TNode node(nullptr), other(nullptr);
  node.Link = &other;
  const std::vector<TPropInfo> props = TFiler::PropertiesOf(&node);
  const TPropInfo* link = FindPropInfo(props, u"link");
  ASSERT_NE(link, nullptr);
  EXPECT_EQ(TypeInfoKind(PropInfoType(*link)), tkClass);
  EXPECT_EQ(PropInfoType(*link)->ClassType, TComponent::StaticClass());
  EXPECT_EQ(link->GetObject(), &other);
  const TPropInfo text = StringPropInfo(
      u"Text", [] { return String(u"x"); }, [](const String&) {});
  EXPECT_EQ(TypeInfoKind(PropInfoType(text)), tkUString);
  EXPECT_EQ(TypeInfoKind(PropInfoType(*FindPropInfo(props, u"Caption"))), tkUnknown);  // the table does not say
  EXPECT_EQ(FindPropInfo(props, u"Missing"), nullptr);
}

TEST(FilerComponents, HooksResolveChildrenToExistingInstances) {
  Registered reg;
  TMemoryStream ms;
  {
    TNode root(nullptr);
    auto* a = AddKid(&root, &root, new TNode(&root), u"DataStruct");
    a->CurValue = 9;
    auto* b = AddKid(&root, &root, new TLeaf(&root), u"RecordsList");
    b->CurValue = 11;
    TWriter(&ms).WriteRootComponent(&root);
  }
  TNode target(nullptr);
  auto* existingStruct = new TNode(&target);
  existingStruct->SetName(u"DataStruct");
  auto* existingList = new TLeaf(&target);
  existingList->SetName(u"RecordsList");

  ms.SetPosition(0);
  TReader r(&ms);
  r.OnCreateComponent = [&](TReader*, TComponentClass cls, TComponent*& c) {
    if (TObject::ClassInheritsFrom(cls->Class, TLeaf::StaticClass())) c = existingList;
  };
  r.OnAncestorNotFound = [&](TReader*, const String& name, TComponentClass, TComponent*& c) {
    if (name == u"DataStruct") c = existingStruct;
  };
  r.ReadRootComponent(&target);
  EXPECT_EQ(target.GetComponentCount(), 2) << "no new components were made";
  EXPECT_EQ(existingStruct->CurValue, 9);
  EXPECT_EQ(existingList->CurValue, 11);
}

// Reads its children into a scratch component that is gone before the read ends.
class TScratchReader : public TNode {
public:
  BORROW_COMPONENT(TScratchReader, TNode)
  using TNode::TNode;
  Integer ScratchValue = 0;
  void ReadState(TReader* Reader) override {
    TNode scratch(nullptr);
    auto saved = Reader->OnAncestorNotFound;
    Reader->OnAncestorNotFound = [&](TReader*, const String&, TComponentClass, TComponent*& c) { c = &scratch; };
    try {
      TComponent::ReadState(Reader);
    } catch (...) {
      Reader->OnAncestorNotFound = saved;
      throw;
    }
    Reader->OnAncestorNotFound = saved;
    ScratchValue = scratch.CurValue;
  }
};

TEST(FilerComponents, ComponentFreedDuringTheReadIsNotLoadedAfterwards) {
  TMemoryStream ms;
  {
    TNode root(nullptr);
    AddKid(&root, &root, new TNode(&root), u"Temp")->CurValue = 5;
    TWriter(&ms).WriteRootComponent(&root);
  }
  ms.SetPosition(0);
  TScratchReader back(nullptr);
  TReader r(&ms);
  r.ReadRootComponent(&back);  // ASan reports a Loaded call on the freed scratch
  EXPECT_EQ(back.ScratchValue, 5);
  EXPECT_EQ(back.LoadedCalls, 1);
}

TEST(FilerComponents, UnknownClassAndPropertyRaise) {
  TMemoryStream ms;
  {
    TNode root(nullptr);
    AddKid(&root, &root, new TNode(&root), u"Child");
    TWriter(&ms).WriteRootComponent(&root);
  }
  {
    // Not registered: the child's class cannot be found; the half-read child is not leaked.
    ms.SetPosition(0);
    TNode back(nullptr);
    TReader r(&ms);
    EXPECT_THROW(r.ReadRootComponent(&back), EClassNotFound);
    EXPECT_EQ(back.GetComponentCount(), 0);
    EXPECT_FALSE(back.GetComponentState().Contains(csLoading));
  }
  TMemoryStream bad;
  {
    TWriter w(&bad);
    w.WritePropName(u"NoSuchProperty");
    w.WriteInteger(1);
  }
  bad.SetPosition(0);
  TNode n(nullptr);
  TReader r(&bad);
  try {
    r.ReadProperty(&n);
    FAIL();
  } catch (const EReadError& e) {
    EXPECT_EQ(e.Message(), u"Property NoSuchProperty does not exist");
  }
}

TEST(FilerComponents, DeepNestingAndClashingNamesAreReadErrors) {
  Registered reg;
  TMemoryStream deep;
  {
    TWriter w(&deep);
    const char sig[4] = {'B', 'R', 'F', '1'};
    deep.WriteBuffer(sig, 4);
    for (int i = 0; i < 5000; ++i) {
      w.WriteStr(u"TNode");
      w.WriteStr(u"");
      w.WriteListEnd();  // no properties; children follow
    }
  }
  deep.SetPosition(0);
  {
    TNode back(nullptr);
    TReader r(&deep);
    EXPECT_THROW(r.ReadRootComponent(&back), EReadError);
  }

  TMemoryStream twins;
  {
    TNode root(nullptr);
    auto* a = AddKid(&root, &root, new TNode(&root), u"Twin");
    TNode elsewhere(nullptr);
    auto* b = AddKid(&root, &root, new TNode(&elsewhere), u"Twin");
    TWriter(&twins).WriteRootComponent(&root);
    root.Kids = {a};
    (void)b;
  }
  twins.SetPosition(0);
  TNode back(nullptr);
  TReader r(&twins);
  EXPECT_THROW(r.ReadRootComponent(&back), EReadError);
  EXPECT_EQ(back.GetComponentCount(), 1) << "the clashing child was not kept";
}

TEST(FilerComponents, TruncatedComponentStreamRaisesReadError) {
  Registered reg;
  TMemoryStream ms;
  {
    TNode root(nullptr);
    root.CurValue = 1;
    AddKid(&root, &root, new TLeaf(&root), u"Leaf")->Caption = u"Текст";
    TWriter(&ms).WriteRootComponent(&root);
  }
  for (Int64 cut = 0; cut < ms.GetSize(); ++cut) {
    TMemoryStream part;
    part.WriteBuffer(ms.GetMemory(), static_cast<Integer>(cut));
    part.SetPosition(0);
    TNode back(nullptr);
    TReader r(&part);
    EXPECT_THROW(r.ReadRootComponent(&back), EReadError) << "cut at " << cut;
  }
}

// ---- Collections and binary properties

class TCol : public TCollectionItem {
public:
  BORROW_COLLECTION_ITEM(TCol, TCollectionItem)
  using TCollectionItem::TCollectionItem;
  Integer Width = 64;

protected:
  void GetPropInfos(std::vector<TPropInfo>& Props) override {
    Props.push_back({u"Width", [this](TWriter* W) { W->WriteInteger(Width); },
                     [this](TReader* R) { Width = R->ReadInteger(); }, [this] { return Width != 64; }});
  }
};

TEST(FilerCollections, ItemsAndTheirPropertiesRoundTrip) {
  TCollection cols(TCol::StaticItemClass());
  static_cast<TCol*>(cols.Add())->Width = 100;
  cols.Add();
  static_cast<TCol*>(cols.Add())->Width = 7;
  TCollection back(TCol::StaticItemClass());
  back.Add();
  RoundTrip([&](TWriter& w) { w.WriteCollection(&cols); }, [&](TReader& r) { r.ReadCollection(&back); });
  ASSERT_EQ(back.GetCount(), 3);
  EXPECT_EQ(static_cast<TCol*>(back.Items(0))->Width, 100);
  EXPECT_EQ(static_cast<TCol*>(back.Items(1))->Width, 64);
  EXPECT_EQ(static_cast<TCol*>(back.Items(2))->Width, 7);
}

class TBlobHolder : public TPersistent {
public:
  BORROW_CLASS(TBlobHolder, TPersistent)
  std::string Bytes;

protected:
  void DefineProperties(TFiler* Filer) override {
    Filer->DefineBinaryProperty(
        u"Data",
        [this](TStream* S) {
          Bytes.resize(static_cast<size_t>(S->GetSize()));
          S->ReadBuffer(Bytes.data(), static_cast<Integer>(Bytes.size()));
        },
        [this](TStream* S) { S->WriteBuffer(Bytes.data(), static_cast<Integer>(Bytes.size())); }, !Bytes.empty());
  }
};

TEST(FilerProperties, BinaryPropertyRoundTrip) {
  TBlobHolder a, b;
  a.Bytes = std::string("\x00\x01\xFF\x1E\x1D", 5);
  RoundTrip(
      [&](TWriter& w) {
        w.WriteProperties(&a);
        w.WriteListEnd();
      },
      [&](TReader& r) {
        while (!r.EndOfList()) r.ReadProperty(&b);
        r.ReadListEnd();
      });
  EXPECT_EQ(b.Bytes, a.Bytes);
}

}  // namespace
