// SortByFields reorders the stored records by the same rule as a SortOrder:
// Nulls first, numbers by value, texts by the collation, DESC inverted; a
// descendant that compares records in its own way is still asked to.

#include <gtest/gtest.h>

#include "MemTableTestUtil.h"

namespace {

// Compares by NPP only, in reverse.
class TReversingTable : public TMemTableEh {
public:
  BORROW_COMPONENT(TReversingTable, TMemTableEh)
  explicit TReversingTable(TComponent* AOwner) : TMemTableEh(AOwner) {}
  Integer Compared = 0;
  Integer CompareRecords(TMemoryRecordEh* Rec1, TMemoryRecordEh* Rec2, TOrderByList*) override {
    ++Compared;
    return Rec2->GetValue(3, rvvValueEh).AsInteger() - Rec1->GetValue(3, rvvValueEh).AsInteger();
  }
};

void AddMixed(TCustomMemTableEh& Table) {
  AddResource(Table, 1, 0, 1, 3, u"Фонд");
  AddResource(Table, 2, 0, 0, 1, u"архив");
  AddResource(Table, 3, 0, 1, 2, u"Архивы");
  AddResource(Table, 4, 0, 0, 5, u"библиотеки");
  TMemoryRecordEh* r = AddResource(Table, 5, 0, 2, 4, u"Вторая");
  r->Edit();
  r->SetDataValues(u"ID_TYPE", rvvValueEh, Variant::Null());
  r->Post();
}

// The order a SortOrder of the same text gives.
std::vector<Integer> IdsBySortOrder(const String& Order) {
  TMemTableEh Table(nullptr);
  BuildResourceColumns(Table.GetMemTableData());
  AddMixed(Table);
  Table.Open();
  Table.SetSortOrder(Order);
  return Ids(Table);
}

}  // namespace

TEST(SortByFieldsKeys, StoredRecordsAreReorderedAsASortOrderWouldShowThem) {
  for (const char16_t* Order : {u"NAME_THIS", u"NAME_THIS DESC", u"ID_TYPE, NPP DESC", u"ID_TYPE DESC, NAME_THIS"}) {
    TMemTableEh Table(nullptr);
    BuildResourceColumns(Table.GetMemTableData());
    AddMixed(Table);
    Table.Open();
    Table.SortByFields(Order);
    EXPECT_EQ(Ids(Table), IdsBySortOrder(Order)) << ToUtf8(Order);
    EXPECT_EQ(Table.GetSortOrder(), u"");
    // The store itself is in the new order.
    std::vector<Integer> stored;
    for (TMemoryRecordEh* rec : Table.GetRecordsData()->GetRecordsList()->GetActiveList())
      stored.push_back(rec->GetValue(0, rvvValueEh).AsInteger());
    EXPECT_EQ(stored, Ids(Table));
  }
}

TEST(SortByFieldsKeys, ADescendantsOwnRecordComparisonIsStillUsed) {
  TReversingTable Table(nullptr);
  BuildResourceColumns(Table.GetMemTableData());
  AddMixed(Table);
  Table.Open();
  Table.SortByFields(u"NAME_THIS");
  EXPECT_GT(Table.Compared, 0);
  EXPECT_EQ(Ids(Table), (std::vector<Integer>{4, 5, 1, 3, 2}));
}
