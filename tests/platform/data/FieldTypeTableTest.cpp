// The field-type table: every type has its row, names lead back to their
// types, and a dataset opens default fields for every type that has a class.

#include <gtest/gtest.h>

#include "TestDataSet.h"
#include "platform/core/EnumTable.h"

namespace {

enum TShade { shLight, shMiddle, shDark, ShadeCount };
struct TShadeRow {
  TShade Value;
  const char* Name;
};
constexpr TShadeRow AllShades[] = {{shLight, "light"}, {shMiddle, "middle"}, {shDark, "dark"}};
constexpr TShadeRow ShadeMissing[] = {{shLight, "light"}, {shDark, "dark"}};
constexpr TShadeRow ShadesSwapped[] = {{shLight, "light"}, {shDark, "dark"}, {shMiddle, "middle"}};

TEST(EnumTable, TheCoverageCheckRefusesAMissingRowAndRowsOutOfOrder) {
  static_assert(CoversEveryValue(AllShades, ShadeCount));
  static_assert(!CoversEveryValue(ShadeMissing, ShadeCount));
  static_assert(!CoversEveryValue(ShadesSwapped, ShadeCount));
  // A value added to an enumeration without its row is a missing row.
  static_assert(!CoversEveryValue(AllShades, ShadeCount + 1));
}

TEST(FieldTypeTable, EveryTypeIsFoundAgainByItsOwnName) {
  for (int i = 0; i < FieldTypeCount; ++i) {
    const auto t = static_cast<TFieldType>(i);
    TFieldType found = ftUnknown;
    ASSERT_TRUE(FieldTypeFromName(FieldTypeName(t), found)) << i;
    EXPECT_EQ(found, t);
    EXPECT_NE(String(FieldTypeDisplayName(t)), u"");
  }
  TFieldType found = ftUnknown;
  EXPECT_TRUE(FieldTypeFromName(u"FTWIDEMEMO", found));
  EXPECT_EQ(found, ftWideMemo);
  EXPECT_FALSE(FieldTypeFromName(u"ftNothing", found));
  EXPECT_EQ(String(FieldTypeName(FieldTypeCount)), u"");
}

TEST(FieldTypeTable, ADataSetWithAColumnOfEveryTypeOpensAFieldForEachTypeWithAFieldClass) {
  TTestDataSet ds;
  Integer withClass = 0;
  for (int i = 0; i < FieldTypeCount; ++i) {
    const auto t = static_cast<TFieldType>(i);
    ds.GetFieldDefs()->Add(String(u"C") + FieldTypeDisplayName(t), t);
    if (DefaultFieldClass(t)) ++withClass;
  }
  ds.Open();  // a field class of another family than its column would refuse to bind
  EXPECT_EQ(ds.GetFieldCount(), withClass);
  for (TField* f : *ds.GetFields()) {
    const TFieldDef* def = ds.GetFieldDefs()->Find(f->GetFieldName());
    EXPECT_EQ(FieldTypeVarType(f->GetDataType()), FieldTypeVarType(def->GetDataType())) << ToUtf8(f->GetFieldName());
  }
  EXPECT_EQ(ds.FieldByName(u"CWideMemo")->GetDataType(), ftWideMemo);
  EXPECT_TRUE(IsBlobFieldType(ftOraClob));
  EXPECT_FALSE(IsStringFieldType(ftOraInterval));
  EXPECT_TRUE(IsDateTimeFieldType(ftOraTimeStamp));
}

}  // namespace
