// The table's state through component streaming: its published settings, its
// data store with the records as a child, and the definitions kept only when
// StoreDefs is set.

#include <gtest/gtest.h>

#include "MemTableTestUtil.h"
#include "platform/core/Filer.h"
#include "platform/core/Streams.h"

namespace {

class UnitScope {
public:
  UnitScope() { InitMemTableEhUnit(); }
  ~UnitScope() { FinalMemTableEhUnit(); }
};

void RoundTrip(TMemTableEh& From, TMemTableEh& To) {
  TMemoryStream ms;
  {
    TWriter w(&ms);
    w.WriteRootComponent(&From);
  }
  ms.SetPosition(0);
  TReader r(&ms);
  r.ReadRootComponent(&To);
}

}  // namespace

TEST(MemTableStreaming, SettingsAndRecordsComeBack) {
  UnitScope unit;
  TMemTableEh from(nullptr);
  BuildResourceColumns(from.GetMemTableData());
  AddResource(from, 1, 0, 0, 2, u"Группа");
  AddResource(from, 2, 1, 1, 1, u"Ресурс");
  from.SetCachedUpdates(true);
  from.SetReadOnly(true);
  from.SetFetchAllOnOpen(true);
  from.SetSortOrder(u"NPP,NAME_THIS");
  from.SetFilter(u"ID_TYPE>0");
  ShowAsExpandedTree(from);

  TMemTableEh to(nullptr);
  RoundTrip(from, to);
  EXPECT_TRUE(to.GetCachedUpdates());
  EXPECT_TRUE(to.GetReadOnly());
  EXPECT_TRUE(to.GetFetchAllOnOpen());
  EXPECT_EQ(to.GetSortOrder(), u"NPP,NAME_THIS");
  EXPECT_EQ(to.GetFilter(), u"ID_TYPE>0");
  EXPECT_EQ(to.GetTreeList()->GetKeyFieldName(), u"ID_THIS");
  EXPECT_TRUE(to.GetTreeList()->GetDefaultNodeExpanded());
  EXPECT_TRUE(to.GetTreeList()->GetActive());
  EXPECT_EQ(to.GetMemTableData()->GetRecordsList()->GetCount(), 2);
  to.Open();
  EXPECT_EQ(Ids(to), (std::vector<Integer>{1, 2}));
  EXPECT_EQ(to.GetTreeNodeLevel(), 2);
}

TEST(MemTableStreaming, DefinitionsAreKeptOnlyWithStoreDefs) {
  UnitScope unit;
  TMemTableEh from(nullptr);
  BuildResourceColumns(from.GetMemTableData());
  from.GetIndexDefs()->Add(u"PK", u"ID_THIS", {ixPrimary});
  from.GetFieldDefs()->Update();
  EXPECT_TRUE(from.GetStoreDefs());  // changing the definitions asks for them to be kept
  from.SetStoreDefs(false);
  TMemTableEh plain(nullptr);
  RoundTrip(from, plain);
  EXPECT_EQ(plain.GetIndexDefs()->Count(), 0);
  from.SetStoreDefs(true);
  TMemTableEh kept(nullptr);
  RoundTrip(from, kept);
  EXPECT_TRUE(kept.GetStoreDefs());
  EXPECT_EQ(kept.GetIndexDefs()->Count(), 1);
  EXPECT_EQ(kept.GetFieldDefs()->Count(), 5);
}

TEST(MemTableStreaming, ATableOverSharedDataDoesNotWriteTheRecords) {
  UnitScope unit;
  TMemTableEh owner(nullptr);
  BuildResourceColumns(owner.GetMemTableData());
  AddResource(owner, 1, 0, 0, 1, u"A");
  TMemTableEh second(nullptr);
  second.SetExternalMemData(&owner);
  TMemTableEh to(nullptr);
  RoundTrip(second, to);
  EXPECT_EQ(to.GetMemTableData()->GetDataStruct()->GetCount(), 0);
}
