// Locate and Lookup, sort orders, filters and instant reading.

#include <gtest/gtest.h>

#include "MemTableTestUtil.h"
#include "platform/data/DataSource.h"
#include "platform/ui/Forms.h"

namespace {

class MemTableSearch : public ::testing::Test {
protected:
  void SetUp() override {
    BuildResourceColumns(Table.GetMemTableData());
    AddResource(Table, 1, 0, 1, 3, u"ABCDEF");
    AddResource(Table, 2, 0, 1, 1, u"Каталог");
    AddResource(Table, 3, 0, 0, 2, u"Группа");
    TMemoryRecordEh* r = AddResource(Table, 4, 0, 2, 2, u"Без номера");
    r->Edit();
    r->SetDataValues(u"NPP;ID_TYPE", rvvValueEh, VarArrayOf({Variant::Null(), Variant::Null()}));
    r->Post();
  }
  TMemTableEh Table{nullptr};
};

}  // namespace

TEST_F(MemTableSearch, LocateMovesToTheFirstMatch) {
  Table.Open();
  EXPECT_TRUE(Table.Locate(u"ID_THIS", Variant(3), {}));
  EXPECT_EQ(Table.FieldByName(u"NAME_THIS")->GetAsString(), u"Группа");
  EXPECT_FALSE(Table.Locate(u"ID_THIS", Variant(99), {}));
  EXPECT_EQ(IdOf(Table), 3);  // a miss leaves the cursor
}

// A search that raises (a field the table does not have) lets its hold on the
// cursor go: the next search moves the cursor and shows the record it found.
TEST_F(MemTableSearch, ALocateThatRaisesLeavesTheNextOneToShowWhatItFinds) {
  Table.GetIndexDefs()->Add(u"PK", u"ID_THIS", {ixUnique});
  Table.Open();
  EXPECT_TRUE(Table.Locate(u"ID_THIS", Variant(2), {}));
  EXPECT_ANY_THROW(Table.Locate(u"NO_SUCH_FIELD", Variant(1), {}));
  EXPECT_ANY_THROW(Table.Locate(u"ID_THIS;NO_SUCH_FIELD", VarArrayOf({Variant(1), Variant(1)}), {}));
  EXPECT_EQ(IdOf(Table), 2);
  EXPECT_TRUE(Table.Locate(u"ID_THIS", Variant(3), {}));
  EXPECT_EQ(Table.FieldByName(u"NAME_THIS")->GetAsString(), u"Группа");
  EXPECT_TRUE(Table.Locate(u"NAME_THIS", Variant(u"Каталог"), {}));
  EXPECT_EQ(IdOf(Table), 2);
}

TEST_F(MemTableSearch, IntegerKeysMatchWhateverTheirWidth) {
  Table.Open();
  EXPECT_TRUE(Table.Locate(u"ID_THIS", Variant(static_cast<Int64>(2)), {}));
  EXPECT_EQ(IdOf(Table), 2);
}

TEST_F(MemTableSearch, PartialAndCaseInsensitiveTextKeys) {
  Table.Open();
  EXPECT_TRUE(Table.Locate(u"NAME_THIS", Variant(u"abc"), {loPartialKey, loCaseInsensitive}));
  EXPECT_EQ(IdOf(Table), 1);
  Table.Last();
  EXPECT_FALSE(Table.Locate(u"NAME_THIS", Variant(u"abc"), {loCaseInsensitive}));
  EXPECT_FALSE(Table.Locate(u"NAME_THIS", Variant(u"abc"), {loPartialKey}));
  EXPECT_TRUE(Table.Locate(u"NAME_THIS", Variant(u"каталог"), {loCaseInsensitive}));
  EXPECT_EQ(IdOf(Table), 2);
}

TEST_F(MemTableSearch, SeveralKeyFieldsMatchTogether) {
  Table.Open();
  EXPECT_TRUE(Table.Locate(u"ID_TYPE;NPP", VarArrayOf({Variant(0), Variant(2)}), {}));
  EXPECT_EQ(IdOf(Table), 3);
  EXPECT_FALSE(Table.Locate(u"ID_TYPE;NPP", VarArrayOf({Variant(1), Variant(2)}), {}));
}

TEST_F(MemTableSearch, LocateThroughAnIndexFindsTheRecordsRow) {
  Table.GetIndexDefs()->Add(u"PK", u"ID_THIS", {ixUnique});
  Table.Open();
  Table.SetSortOrder(u"NAME_THIS");
  EXPECT_TRUE(Table.Locate(u"ID_THIS", Variant(2), {}));
  EXPECT_EQ(Table.FieldByName(u"NAME_THIS")->GetAsString(), u"Каталог");
  // A key of another kind than the index's is compared row by row.
  EXPECT_FALSE(Table.Locate(u"ID_THIS", Variant(u"два"), {}));
}

TEST_F(MemTableSearch, LookupLeavesTheCursorAndAnswersNullForAMiss) {
  Table.Open();
  Table.SetRecNo(2);
  Variant v = Table.Lookup(u"ID_THIS", Variant(3), u"NAME_THIS;NPP");
  ASSERT_TRUE(VarIsArray(v));
  EXPECT_EQ(VarArrayGet(v, 0).AsString(), u"Группа");
  EXPECT_EQ(VarArrayGet(v, 1).AsInteger(), 2);
  EXPECT_EQ(Table.RecNo(), 2);
  EXPECT_TRUE(Table.Lookup(u"ID_THIS", Variant(42), u"NAME_THIS").IsNull());
}

TEST_F(MemTableSearch, SortOrderSortsByEveryNamedField) {
  Table.Open();
  Table.SetSortOrder(u"NPP,NAME_THIS");
  EXPECT_EQ(Ids(Table), (std::vector<Integer>{4, 2, 3, 1}));  // Null first
  Table.SetSortOrder(u"NPP DESC");
  EXPECT_EQ(Ids(Table).back(), 4);  // Null last
  Table.SetSortOrder(String());
  EXPECT_EQ(Table.GetSortOrder(), String());
}

TEST_F(MemTableSearch, SortOrderThatDoesNotParseKeepsTheOldOne) {
  Table.Open();
  Table.SetSortOrder(u"NPP");
  EXPECT_THROW(Table.SetSortOrder(u"NOSUCH"), Exception);
  EXPECT_EQ(Table.GetSortOrder(), u"NPP");
}

TEST_F(MemTableSearch, SortByFieldsParsesTheTablesOrderText) {
  Table.Open();
  Table.SortByFields(u"name_this desc;");
  std::vector<Integer> ids = Ids(Table);
  std::erase(ids, 1);  // the Latin name's place depends on the script order
  EXPECT_EQ(ids, (std::vector<Integer>{2, 3, 4}));
  EXPECT_EQ(Table.GetSortOrder(), String());
  Table.SortByFields(u"NPP DESC ASC");
  EXPECT_EQ(Ids(Table).front(), 1);
  try {
    Table.SortByFields(u"NAME_THIS DOWN");
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), u" Invalid token - \"DOWN\"");
  }
  try {
    Table.SortByFields(u"MISSING");
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), u" Field - \"MISSING\" not found.");
  }
}

TEST_F(MemTableSearch, FilterKeepsRecordsThatPassAndRefusesNull) {
  Table.SetFilter(u"ID_TYPE>0");
  Table.SetFiltered(true);
  Table.Open();
  EXPECT_EQ(Ids(Table), (std::vector<Integer>{1, 2}));
  Table.SetFilter(u"ID_TYPE=0");
  EXPECT_EQ(Ids(Table), (std::vector<Integer>{3}));
  Table.SetFiltered(false);
  EXPECT_EQ(Table.RecordCount(), 4);
}

TEST_F(MemTableSearch, WholeNumberConditionsFilterAsTheSameConditionsOnComputedValues) {
  // More records: negative and zero numbers, Nulls in either column.
  const Integer more[][2] = {{-5, 0}, {0, -1}, {7, 100}, {2, 101}, {-1, 3}, {3, 1}};
  Integer id = 5;
  for (const auto& m : more) AddResource(Table, id++, 0, m[0], m[1], u"Ещё");
  TMemoryRecordEh* r = AddResource(Table, id, 0, 2, 1, u"Без типа");
  r->Edit();
  r->SetDataValues(u"ID_TYPE", rvvValueEh, Variant::Null());
  r->Post();
  Table.Open();
  Table.SetFiltered(true);
  // Each condition beside the same one on "field + 0", which is computed
  // rather than read: Null stays unknown, AND, OR and NOT are three-valued.
  auto computed = [](String Text) {
    for (const char16_t* field : {u"ID_TYPE", u"NPP"}) {
      const String name = field;
      for (size_t at = Text.find(name); at != String::npos; at = Text.find(name, at + name.size() + 4)) {
        Text.replace(at, name.size(), u"(" + name + u"+0)");
      }
    }
    return Text;
  };
  for (const char16_t* text :
       {u"ID_TYPE>0", u"0<ID_TYPE", u"ID_TYPE<>1", u"ID_TYPE<=-1", u"NOT (ID_TYPE>=1)", u"ID_TYPE>0 AND NPP<3",
        u"ID_TYPE=7 OR NPP>100", u"NOT (ID_TYPE=2 OR NPP=1)", u"ID_TYPE>=0 AND NOT (NPP>2)", u"NPP>ID_TYPE",
        u"ID_TYPE=2 OR ID_TYPE IS NULL", u"ID_TYPE<3000000000"}) {
    Table.SetFilter(computed(text));
    const std::vector<Integer> expected = Ids(Table);
    Table.SetFilter(text);
    EXPECT_EQ(Ids(Table), expected) << ToUtf8(text);
  }
  Table.SetFilter(u"ID_TYPE>0 OR NPP=1");
  EXPECT_EQ(Ids(Table), (std::vector<Integer>{1, 2, 7, 8, 10, 11}));
}

TEST_F(MemTableSearch, BadFilterTextLeavesTheTableAsItWas) {
  Table.SetFilter(u"ID_TYPE>0");
  Table.SetFiltered(true);
  Table.Open();
  EXPECT_ANY_THROW(Table.SetFilter(u"ID_TYPE >> ("));
  EXPECT_EQ(Table.GetFilter(), u"ID_TYPE>0");
  EXPECT_EQ(Table.RecordCount(), 2);
}

TEST_F(MemTableSearch, OnFilterRecordReadsTheRecordsFields) {
  Table.SetOnFilterRecord(
      [](TDataSet* D, bool& Accept) { Accept = D->FieldByName(u"ID_THIS")->GetAsInteger() % 2 == 0; });
  Table.SetFiltered(true);
  Table.Open();
  EXPECT_EQ(Ids(Table), (std::vector<Integer>{2, 4}));
}

TEST_F(MemTableSearch, RecordsAddedToAFilteredTableShowOnlyWhenTheyPass) {
  Table.SetFilter(u"ID_TYPE>0");
  Table.SetFiltered(true);
  Table.Open();
  AddResource(Table, 5, 0, 0, 9, u"Скрыт");
  AddResource(Table, 6, 0, 3, 9, u"Виден");
  EXPECT_EQ(Ids(Table), (std::vector<Integer>{1, 2, 6}));
}

TEST_F(MemTableSearch, InstantReadingShowsAnotherRowAndItsNumberAndNestsWhileTheCursorStays) {
  Table.Open();
  Table.SetRecNo(1);
  Table.InstantReadEnter(2);
  EXPECT_EQ(IdOf(Table), 3);
  Table.InstantReadEnter(1);
  EXPECT_EQ(IdOf(Table), 2);
  // RecNo answers for the row being read (a grid numbering its rows reads it
  // so); the cursor itself does not move.
  EXPECT_EQ(Table.RecNo(), 2);
  EXPECT_EQ(Table.GetCurrentRowIndex(), 0);
  Table.InstantReadLeave();
  EXPECT_EQ(IdOf(Table), 3);
  Table.InstantReadLeave();
  EXPECT_EQ(IdOf(Table), 1);
  EXPECT_EQ(Table.RecNo(), 1);
  try {
    Table.InstantReadLeave();
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), u"TCustomMemTableEh not in instant read mode.");
  }
}

TEST_F(MemTableSearch, SortingWhileInstantReadingIsRefused) {
  Table.Open();
  Table.InstantReadEnter(0);
  try {
    Table.SortByFields(u"NPP");
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), u"Sort data in InstantReadMode is not allowed.");
  }
  Table.InstantReadLeave();
}

TEST_F(MemTableSearch, InstantReadOfTheInsertedRowShowsTheNewValues) {
  Table.Open();
  Table.SetRecNo(2);
  Table.Insert();
  Table.FieldByName(u"ID_THIS")->SetAsInteger(77);
  Table.InstantReadEnter(Table.GetCurrentRowIndex());
  EXPECT_EQ(IdOf(Table), 77);
  Table.InstantReadLeave();
  EXPECT_EQ(Table.InstantReadRowCount(), 5);
  Table.Cancel();
  EXPECT_EQ(Table.InstantReadRowCount(), 4);
}

TEST_F(MemTableSearch, DistinctValuesOfAFieldForFilterLists) {
  Table.Open();
  AddResource(Table, 5, 0, 1, 3, u"Каталог");
  auto npp = Table.GetFieldValueList(u"NPP");
  ASSERT_TRUE(npp);
  TStringList* values = npp->GetValues();
  ASSERT_EQ(values->GetCount(), 4);
  EXPECT_EQ(values->Get(0), u"");  // Null sorts first
  EXPECT_EQ(values->Get(1), u"1");
  EXPECT_EQ(values->Get(3), u"3");
  auto names = Table.GetFieldValueList(u"NAME_THIS");
  EXPECT_EQ(names->GetValues()->GetCount(), 4);
  names->SetFilter(u"ID_TYPE>0");
  EXPECT_EQ(names->GetValues()->GetCount(), 2);
  AddResource(Table, 6, 0, 1, 3, u"Новый");
  EXPECT_EQ(names->GetValues()->GetCount(), 3);
  EXPECT_EQ(Table.GetFieldValueList(u"NOSUCH"), nullptr);
}

namespace {

// A window of rows over the table, as a grid keeps one.
class TWindowLink : public TDataLink {
public:
  using TDataLink::SetBufferCount;
  // The ID_THIS of every row of the window, from its first.
  std::vector<Integer> Shown() {
    std::vector<Integer> ids;
    const Integer active = GetActiveRecord();
    for (Integer i = 0; i < GetRecordCount(); ++i) {
      SetActiveRecord(i);
      ids.push_back(IdOf(*GetDataSet()));
    }
    SetActiveRecord(active);
    return ids;
  }
};

// 30 records with keys 1..30 (every fifth a group of the four after it), and a
// window of five rows over them.
class MemTableLocateWindow : public ::testing::Test {
protected:
  void SetUp() override {
    BuildResourceColumns(Table.GetMemTableData());
    for (Integer id = 1; id <= 30; ++id)
      AddResource(Table, id, id % 5 == 1 ? 0 : id - (id - 1) % 5, 1, id, u"Ресурс " + IntToStr(id));
    Source.SetDataSet(&Table);
    Link.SetBufferCount(5);
    Link.SetDataSource(&Source);
  }
  TMemTableEh Table{nullptr};
  TDataSource Source{nullptr};
  TWindowLink Link;
};

}  // namespace

TEST_F(MemTableLocateWindow, TheFoundRecordComesToTheMiddleOfTheWindow) {
  for (bool indexed : {false, true}) {
    SCOPED_TRACE(indexed ? "through an index" : "by a scan");
    Table.Close();
    Table.GetIndexDefs()->Clear();
    if (indexed) Table.GetIndexDefs()->Add(u"PK", u"ID_THIS", {ixUnique});
    Table.Open();
    ASSERT_TRUE(Table.Locate(u"ID_THIS", Variant(20), {}));
    EXPECT_EQ(IdOf(Table), 20);
    EXPECT_EQ(Link.GetActiveRecord(), 2);
    EXPECT_EQ(Link.Shown(), (std::vector<Integer>{18, 19, 20, 21, 22}));
    // Near an end the window is filled from the other side.
    ASSERT_TRUE(Table.Locate(u"ID_THIS", Variant(29), {}));
    EXPECT_EQ(Link.Shown(), (std::vector<Integer>{26, 27, 28, 29, 30}));
    EXPECT_EQ(Link.GetActiveRecord(), 3);
    ASSERT_TRUE(Table.Locate(u"ID_THIS", Variant(2), {}));
    EXPECT_EQ(Link.Shown(), (std::vector<Integer>{1, 2, 3, 4, 5}));
    EXPECT_EQ(Link.GetActiveRecord(), 1);
    // A miss leaves the window as it was.
    EXPECT_FALSE(Table.Locate(u"ID_THIS", Variant(99), {}));
    EXPECT_EQ(Link.GetActiveRecord(), 1);
    EXPECT_EQ(IdOf(Table), 2);
  }
}

TEST_F(MemTableLocateWindow, ARecordInsideACollapsedGroupComesToTheMiddleWithItsGroupOpen) {
  Table.GetIndexDefs()->Add(u"PK", u"ID_THIS", {ixUnique});
  Table.GetTreeList()->SetKeyFieldName(u"ID_THIS");
  Table.GetTreeList()->SetRefParentFieldName(u"ID_PARENT");
  Table.GetTreeList()->SetDefaultNodeExpanded(false);
  Table.GetTreeList()->SetActive(true);
  Table.Open();
  ASSERT_EQ(Table.RecordCount(), 6);  // the groups alone
  ASSERT_TRUE(Table.Locate(u"ID_THIS", Variant(18), {}));
  EXPECT_EQ(IdOf(Table), 18);
  EXPECT_EQ(Table.RecordCount(), 10);
  EXPECT_EQ(Link.GetActiveRecord(), 2);
  EXPECT_EQ(Link.Shown(), (std::vector<Integer>{16, 17, 18, 19, 20}));
  ASSERT_TRUE(Table.Locate(u"ID_THIS", Variant(27), {}));
  EXPECT_EQ(Table.RecordCount(), 14);
  EXPECT_EQ(Link.Shown(), (std::vector<Integer>{21, 26, 27, 28, 29}));
}

namespace {

// Integer ID and K, a record each from the pairs, in this order.
class MemTableIdKey : public ::testing::Test {
protected:
  void Fill(const std::vector<std::pair<Integer, Integer>>& Pairs) {
    AddTableColumn(Table.GetMemTableData(), TMTNumericDataFieldEh::StaticComponentClass(), ftInteger, u"ID");
    AddTableColumn(Table.GetMemTableData(), TMTNumericDataFieldEh::StaticComponentClass(), ftInteger, u"K");
    for (const auto& [id, k] : Pairs) {
      TMemoryRecordEh* r = Table.GetRecordsData()->GetRecordsList()->NewRecord();
      r->SetDataValues(u"ID;K", rvvValueEh, VarArrayOf({Variant(id), Variant(k)}));
      r->Post();
    }
  }
  std::vector<Integer> Rows() {
    std::vector<Integer> ids;
    for (Integer i = 0; i < Table.GetRecordsView()->ViewCount(); ++i)
      ids.push_back(Table.GetRecordsView()->ViewRecord(i)->GetDataValues(u"ID", rvvValueEh).AsInteger());
    return ids;
  }
  Integer IdNow() { return Table.FieldByName(u"ID")->GetAsInteger(); }
  TMemTableEh Table{nullptr};
};

}  // namespace

TEST_F(MemTableIdKey, AClearedSortOrderLeavesTheRowsWhereTheyAreAndTheyAreFoundThere) {
  Fill({{1, 9}, {2, 8}, {3, 7}, {4, 6}, {5, 5}});
  Table.GetIndexDefs()->Add(u"PK", u"ID", {ixUnique});
  Table.Open();
  Table.SetSortOrder(u"K");
  Table.SetSortOrder(String());
  ASSERT_EQ(Rows(), (std::vector<Integer>{5, 4, 3, 2, 1}));
  for (Integer id : {2, 4, 1, 5}) {
    ASSERT_TRUE(Table.Locate(u"ID", Variant(id), {}));
    EXPECT_EQ(IdNow(), id);
    EXPECT_EQ(Table.RecNo(), 6 - id);
  }
  // An edit leaves its row in place, unchanged or not.
  Table.First();
  Table.Edit();
  Table.Post();
  EXPECT_EQ(Rows(), (std::vector<Integer>{5, 4, 3, 2, 1}));
  ASSERT_TRUE(Table.Locate(u"ID", Variant(3), {}));
  Table.Edit();
  Table.FieldByName(u"K")->SetAsInteger(0);
  Table.Post();
  EXPECT_EQ(Rows(), (std::vector<Integer>{5, 4, 3, 2, 1}));
  EXPECT_EQ(IdNow(), 3);
  // A record inserted at a row shows there; one appended, last.
  Table.Insert();
  Table.FieldByName(u"ID")->SetAsInteger(6);
  Table.Post();
  Table.Append();
  Table.FieldByName(u"ID")->SetAsInteger(7);
  Table.Post();
  EXPECT_EQ(Rows(), (std::vector<Integer>{5, 4, 6, 3, 2, 1, 7}));
  ASSERT_TRUE(Table.Locate(u"ID", Variant(6), {}));
  EXPECT_EQ(Table.RecNo(), 3);
}

TEST_F(MemTableIdKey, AnIndexFindsTheRecordAScanFindsWhateverTheFilterAndOrder) {
  Fill({{1, 5}, {2, 5}, {3, 4}});
  for (bool indexed : {false, true}) {
    SCOPED_TRACE(indexed ? "through an index" : "by a scan");
    Table.Close();
    Table.GetIndexDefs()->Clear();
    if (indexed) Table.GetIndexDefs()->Add(u"BY_K", u"K", {});
    Table.SetFiltered(false);
    Table.SetSortOrder(String());
    Table.Open();
    // The first entry with the key filtered out: the next one is shown.
    Table.SetFilter(u"ID = 2");
    Table.SetFiltered(true);
    EXPECT_TRUE(Table.Locate(u"K", Variant(5), {}));
    EXPECT_EQ(IdNow(), 2);
    EXPECT_EQ(Table.Lookup(u"K", Variant(5), u"ID").AsInteger(), 2);
    // Both shown: the first row holding the key.
    Table.SetFiltered(false);
    Table.SetSortOrder(u"ID DESC");
    Table.Last();
    EXPECT_TRUE(Table.Locate(u"K", Variant(5), {}));
    EXPECT_EQ(IdNow(), 2);
    EXPECT_EQ(Table.Lookup(u"K", Variant(5), u"ID").AsInteger(), 2);
    Table.SetFilter(u"ID = 3");
    Table.SetFiltered(true);
    EXPECT_FALSE(Table.Locate(u"K", Variant(5), {}));
    EXPECT_TRUE(Table.Lookup(u"K", Variant(5), u"ID").IsNull());
  }
}

namespace {

class TExposedTable : public TMemTableEh {
public:
  TExposedTable() : TMemTableEh(nullptr) {}
  using TMemTableEh::InternalHandleException;
};

}  // namespace

TEST(MemTableErrors, AnErrorBeingHandledGoesToTheApplicationsHandler) {
  TExposedTable Table;
  InitializeForms();
  TObject* sender = nullptr;
  std::string text;
  Application->OnException = [&](TObject* Sender, const std::exception& E) {
    sender = Sender;
    text = E.what();
  };
  try {
    throw EDatabaseError(u"Ошибка набора данных");
  } catch (...) {
    EXPECT_NO_THROW(Table.InternalHandleException());
  }
  Application->OnException = nullptr;
  EXPECT_EQ(sender, &Table);
  EXPECT_EQ(text, "Ошибка набора данных");
}
