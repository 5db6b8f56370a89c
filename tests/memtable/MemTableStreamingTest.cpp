// The table's state through component streaming: its published settings, its
// data store with the records as a child, and the definitions kept only when
// StoreDefs is set.

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "MemTableTestUtil.h"
#include "platform/core/Filer.h"
#include "platform/core/Files.h"
#include "platform/core/Streams.h"
#include "platform/data/Fields.h"
#include "tests/support/ComponentStream.h"

namespace {

class UnitScope {
public:
  UnitScope() { InitMemTableEhUnit(); }
  ~UnitScope() { FinalMemTableEhUnit(); }
};

void RoundTrip(TMemTableEh& From, TMemTableEh& To) { ReadInto(StreamOf(&From), &To); }

// The bytes a table is expected to stream to, kept beside the tests so that a
// writer and a reader that drift together still fail.
std::string Expected(const char* Name) {
  std::ifstream in(std::string(BORROW_SOURCE_DIR "/tests/memtable/expected/") + Name, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

// One persistent field of every field class, named after its class.
void AddFieldOfEveryClass(TMemTableEh& Table) {
  for (TFieldType t : {ftString,   ftWideString, ftGuid,     ftSmallint, ftShortint,  ftByte,     ftInteger,  ftWord,
                       ftLongWord, ftAutoInc,    ftLargeint, ftFloat,    ftCurrency,  ftExtended, ftBCD,      ftFMTBcd,
                       ftBoolean,  ftDate,       ftTime,     ftDateTime, ftTimeStamp, ftBytes,    ftVarBytes, ftBlob,
                       ftMemo,     ftWideMemo,   ftGraphic,  ftVariant,  ftInterface, ftIDispatch}) {
    TFieldClass cls = DefaultFieldClass(t);
    auto* f = static_cast<TField*>(cls->Create(&Table));
    f->SetName(String(u"F_") + cls->Class->Name);
    f->SetFieldName(cls->Class->Name);
    f->SetDataSet(&Table);
  }
  auto* agg = new TAggregateField(&Table);
  agg->SetName(u"F_TAggregateField");
  agg->SetFieldName(u"TAggregateField");
  agg->SetExpression(u"SUM(ID_THIS)");
  agg->SetDataSet(&Table);
}

std::vector<String> FieldClasses(TDataSet& T) {
  std::vector<String> out;
  for (Integer i = 0; i < T.GetFields()->Count(); ++i)
    out.push_back(T.GetFields()->GetField(i)->ClassName() + u" " + T.GetFields()->GetField(i)->GetFieldName());
  for (Integer i = 0; i < T.GetAggFields()->Count(); ++i)
    out.push_back(T.GetAggFields()->GetField(i)->ClassName() + u" " + T.GetAggFields()->GetField(i)->GetFieldName());
  return out;
}

}  // namespace

TEST(MemTableStreaming, AClosedTableWithAFieldOfEveryClassReadsBack) {
  UnitScope unit;
  TMemTableEh from(nullptr);
  from.SetName(u"Closed");
  AddFieldOfEveryClass(from);
  const std::string bytes = StreamOf(&from);
  EXPECT_EQ(bytes, Expected("closed_table_fields.bin"));
  TMemTableEh to(nullptr);
  ReadInto(bytes, &to);
  EXPECT_EQ(FieldClasses(to), FieldClasses(from));
  EXPECT_EQ(to.GetFields()->Count(), 30);
  EXPECT_EQ(StreamOf(&to), bytes);
}

TEST(MemTableStreaming, AnOpenTableWithPersistentFieldsReadsBackWithItsRecords) {
  UnitScope unit;
  TMemTableEh from(nullptr);
  from.SetName(u"Open");
  BuildResourceColumns(from.GetMemTableData());
  from.GetFieldDefs()->Update();
  for (Integer i = 0; i < from.GetFieldDefs()->Count(); ++i) from.GetFieldDefs()->GetItem(i)->CreateField(&from);
  auto* calc = new TWideStringField(&from);
  calc->SetFieldName(u"Name_Type");
  calc->SetSize(20);
  calc->SetFieldKind(fkCalculated);
  calc->SetDataSet(&from);
  from.Open();
  AddResource(from, 1, 0, 0, 2, u"Группа");
  AddResource(from, 2, 1, 1, 1, u"Ресурс");
  const std::string bytes = StreamOf(&from);
  EXPECT_EQ(bytes, Expected("open_table_fields.bin"));
  TMemTableEh to(nullptr);
  ReadInto(bytes, &to);
  EXPECT_EQ(FieldClasses(to), FieldClasses(from));
  to.Open();
  EXPECT_EQ(Ids(to), (std::vector<Integer>{1, 2}));
  to.First();
  EXPECT_EQ(to.FieldByName(u"NAME_THIS")->GetAsString(), u"Группа");
  EXPECT_EQ(StreamOf(&to), bytes);
}

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
