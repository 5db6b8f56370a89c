// Creating objects by ProgID and calling their members by name.
#include "platform/automation/Automation.h"

#include <gtest/gtest.h>

namespace {

// A small server: a counter with a read-write value, a read-only name and a
// method taking one argument.
class TCounter final : public TLateBoundObject {
public:
  explicit TCounter(int* alive) : FAlive(alive) {
    ++*FAlive;
    DefineProperty(
        u"Value", [this] { return Variant(FValue); }, [this](const Variant& v) { FValue = v.AsInteger(); });
    DefineProperty(
        u"Name", [] { return Variant(u"counter"); }, nullptr);
    DefineProperty(u"Secret", nullptr, [this](const Variant& v) { FValue = v.AsInteger() * 2; });
    DefineMethod(u"Add", 1, [this](const std::vector<Variant>& a) { return Variant(FValue += a[0].AsInteger()); });
    DefineMethod(u"Reset", 0, [this](const std::vector<Variant>&) {
      FValue = 0;
      return Variant();
    });
  }
  ~TCounter() override { --*FAlive; }

private:
  int* FAlive;
  Integer FValue = 0;
};

class AutomationTest : public ::testing::Test {
protected:
  void SetUp() override {
    RegisterOleClass(u"Test.Counter", [this] { return std::make_shared<TCounter>(&Alive); });
  }
  int Alive = 0;
};

TEST_F(AutomationTest, ProgIdMatchesWithoutRegardToCase) {
  const Variant v = CreateOleObject(u"TEST.counter");
  EXPECT_EQ(v.VarType(), varDispatch);
  EXPECT_EQ(Alive, 1);
}

TEST(AutomationRegistry, UnknownProgIdRaises) {
  EXPECT_THROW(CreateOleObject(u"No.Such.Server"), EOleError);
  EXPECT_THROW(CreateOleObject(u""), EOleError);
}

TEST(AutomationRegistry, AFactoryThatMakesNothingRaises) {
  RegisterOleClass(u"Test.Broken", [] { return std::shared_ptr<IVarDispatch>(); });
  EXPECT_THROW(CreateOleObject(u"Test.Broken"), EOleError);
}

TEST_F(AutomationTest, RegisteringAgainReplacesTheFactory) {
  int other = 0;
  RegisterOleClass(u"test.COUNTER", [&other] { return std::make_shared<TCounter>(&other); });
  const Variant v = CreateOleObject(u"Test.Counter");
  EXPECT_EQ(other, 1);
  EXPECT_EQ(Alive, 0);
}

TEST_F(AutomationTest, EachCreationIsANewObjectReleasedWithItsLastVariant) {
  Variant a = CreateOleObject(u"Test.Counter");
  Variant b = CreateOleObject(u"Test.Counter");
  OlePropertySet(a, u"Value", 5);
  EXPECT_EQ(OlePropertyGet(b, u"Value").AsInteger(), 0);
  EXPECT_EQ(Alive, 2);
  Variant copy = a;
  a = Variant();
  EXPECT_EQ(Alive, 2);
  copy = Variant();
  EXPECT_EQ(Alive, 1);
}

TEST_F(AutomationTest, MembersMatchWithoutRegardToCase) {
  const Variant v = CreateOleObject(u"Test.Counter");
  OlePropertySet(v, u"VALUE", 3);
  EXPECT_EQ(OlePropertyGet(v, u"value").AsInteger(), 3);
  EXPECT_EQ(OleFunction(v, u"add", 4).AsInteger(), 7);
  EXPECT_EQ(OlePropertyGet(v, u"Value").AsInteger(), 7);
}

TEST_F(AutomationTest, ArgumentsArriveAsVariantsAndAreConverted) {
  const Variant v = CreateOleObject(u"Test.Counter");
  EXPECT_EQ(OleFunction(v, u"Add", u"12").AsInteger(), 12);
  EXPECT_EQ(OleFunction(v, u"Add", std::vector<Variant>{Variant(Int64(3))}).AsInteger(), 15);
  EXPECT_THROW(OleFunction(v, u"Add", u"twelve"), EVariantError);
}

TEST_F(AutomationTest, ParameterlessMembersServeBothCallKinds) {
  const Variant v = CreateOleObject(u"Test.Counter");
  OlePropertySet(v, u"Value", 9);
  EXPECT_EQ(OleFunction(v, u"Value").AsInteger(), 9);  // property read by a method call
  OlePropertyGet(v, u"Reset");                         // method run by a property read
  EXPECT_EQ(OlePropertyGet(v, u"Value").AsInteger(), 0);
}

TEST_F(AutomationTest, UnknownMemberRaisesForEveryCallKind) {
  const Variant v = CreateOleObject(u"Test.Counter");
  EXPECT_THROW(OlePropertyGet(v, u"Colour"), EOleError);
  EXPECT_THROW(OlePropertySet(v, u"Colour", 1), EOleError);
  EXPECT_THROW(OleFunction(v, u"Colour"), EOleError);
  EXPECT_THROW(v.GetProperty(u"Colour"), EOleError);  // the Variant's own late-bound call
}

TEST_F(AutomationTest, WrongCallKindOrArgumentCountRaises) {
  const Variant v = CreateOleObject(u"Test.Counter");
  EXPECT_THROW(OlePropertySet(v, u"Name", u"x"), EOleError);
  EXPECT_THROW(OlePropertyGet(v, u"Secret"), EOleError);
  EXPECT_THROW(OlePropertySet(v, u"Add", 1), EOleError);
  EXPECT_THROW(OleFunction(v, u"Add"), EOleError);
  EXPECT_THROW(OleFunction(v, u"Add", 1, 2), EOleError);
  EXPECT_THROW(OleFunction(v, u"Name", 1), EOleError);
  EXPECT_EQ(OlePropertyGet(v, u"Name").AsString(), u"counter");
}

TEST(AutomationCalls, AVariantWithoutAnObjectRaises) {
  EXPECT_THROW(OlePropertyGet(Variant(), u"Value"), EOleError);
  EXPECT_THROW(OlePropertySet(Variant(5), u"Value", 1), EOleError);
  EXPECT_THROW(OleFunction(Variant(u"Test.Counter"), u"Add", 1), EOleError);
}

}  // namespace
