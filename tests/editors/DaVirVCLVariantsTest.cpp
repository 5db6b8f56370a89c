#include <gtest/gtest.h>

#include "editors/DaVirVCL.h"

TEST(CastVariant, NullStaysNullWhateverTheType) {
  Variant d = Variant(5);
  CastVariantEh(d, Null(), varInteger);
  EXPECT_TRUE(d.IsNull());
  CastVariantEh(d, Null(), varOleStr);
  EXPECT_TRUE(d.IsNull());
}

TEST(CastVariant, VariantTypeCopiesAndOtherTypesCast) {
  Variant d;
  CastVariantEh(d, Variant(u"12"), varVariant);
  EXPECT_EQ(VarType(d), varOleStr);
  CastVariantEh(d, Variant(u"12"), varInteger);
  EXPECT_EQ(VarType(d), varInteger);
  EXPECT_EQ(d.AsInteger(), 12);
  CopyVariantEh(d, Variant(2.5));
  EXPECT_EQ(VarType(d), varDouble);
  EXPECT_THROW(CastVariantEh(d, Variant(u"abc"), varInteger), EVariantTypeCastError);
}

TEST(RefObjectVariant, ReferencesSurviveTheRoundTrip) {
  TObject obj;
  Variant v = RefObjectToVariantEh(&obj);
  EXPECT_EQ(VariantToRefObjectEh(v), &obj);
  EXPECT_EQ(VariantToRefObjectEh(RefObjectToVariantEh(nullptr)), nullptr);
  EXPECT_EQ(VariantToRefObjectEh(Null()), nullptr);
}

TEST(VarToAnsiStr, GivesCodePageBytes) {
  EXPECT_EQ(VarToAnsiStrEh(Variant(u"Щи")), std::string("\xD9\xE8"));
  EXPECT_EQ(VarToAnsiStrEh(Null()), "");
  EXPECT_EQ(VarToAnsiStrEh(Variant(42)), "42");
}

TEST(VarArrayRedim, ChangesTheHighBound) {
  Variant a = VarArrayOf({Variant(1), Variant(2)});
  VarArrayRedimEh(a, 3);
  EXPECT_EQ(VarArrayHighBound(a), 3);
  EXPECT_EQ(VarArrayGet(a, 1).AsInteger(), 2);
}

TEST(MemoryStreamEh, GrowsInStepsOfTwiceTheGrowStep) {
  TMemoryStreamEh one;
  const char b = 'x';
  one.WriteBuffer(&b, 1);
  EXPECT_EQ(one.GetCapacity(), 8192);
  std::string big(8193, 'y');
  TMemoryStreamEh more;
  more.WriteBuffer(big.data(), static_cast<Integer>(big.size()));
  EXPECT_EQ(more.GetCapacity(), 16384);
  // The contents survive growth.
  more.WriteBuffer(big.data(), static_cast<Integer>(big.size()));
  EXPECT_EQ(more.GetCapacity(), 16384 + 8192);
  std::string back(static_cast<size_t>(more.GetSize()), '\0');
  more.SetPosition(0);
  more.ReadBuffer(back.data(), static_cast<Integer>(back.size()));
  EXPECT_EQ(back, big + big);
}

TEST(MemoryStreamEh, ClearReleasesTheBlock) {
  TMemoryStreamEh s;
  s.SetSize(100);
  EXPECT_EQ(s.GetCapacity(), 8192);
  s.Clear();
  EXPECT_EQ(s.GetCapacity(), 0);
  EXPECT_EQ(s.GetMemory(), nullptr);
}

TEST(MemoryStreamEh, AnImpossibleSizeRaisesTheStreamError) {
  TMemoryStreamEh s;
  s.WriteBuffer("abc", 3);
  try {
    s.SetSize(std::numeric_limits<Int64>::max() - 10);
    ADD_FAILURE() << "no error";
  } catch (const EStreamError& e) {
    EXPECT_EQ(e.Message(), u"Out of memory while expanding memory stream");
  }
  // The stream keeps its former block and contents.
  EXPECT_EQ(s.GetSize(), 3);
  EXPECT_EQ(std::memcmp(s.GetMemory(), "abc", 3), 0);
}
