// The in-memory table as a dataset: opening, navigation, bookmarks, editing,
// posting and deleting through the framework.

#include <gtest/gtest.h>

#include "MemTableTestUtil.h"
#include "platform/data/DBConsts.h"

namespace {

class MemTableCursor : public ::testing::Test {
protected:
  void SetUp() override {
    BuildResourceColumns(Table.GetMemTableData());
    AddResource(Table, 1, 0, 1, 3, u"Первый");
    AddResource(Table, 2, 0, 1, 1, u"Второй");
    AddResource(Table, 3, 0, 0, 2, u"Третий");
  }
  // A calculated field made before opening, as the client's Name_Type.
  void AddNameTypeField() {
    Table.GetFieldDefs()->Update();
    for (Integer i = 0; i < Table.GetFieldDefs()->Count(); ++i) Table.GetFieldDefs()->GetItem(i)->CreateField(&Table);
    auto* calc = static_cast<TField*>(DefaultFieldClass(ftWideString)->Create(&Table));
    calc->SetFieldName(u"Name_Type");
    calc->SetFieldKind(fkCalculated);
    calc->SetDataSet(&Table);
    Table.OnCalcFields = [](TDataSet* D) {
      D->FieldByName(u"Name_Type")
          ->SetAsString(D->FieldByName(u"ID_TYPE")->GetAsInteger() >= 1 ? u"Ресурс" : u"Группа");
    };
  }
  TMemTableEh Table{nullptr};
};

TBookmark RowBookmark(Integer Row1) { return TBookmark(&Row1, sizeof(Row1)); }

}  // namespace

TEST(MemTableOpen, WithoutColumnsRaisesNoData) {
  TMemTableEh t(nullptr);
  try {
    t.Open();
    FAIL() << "opened without columns";
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), u"MemTable don't have data.");
  }
  EXPECT_FALSE(t.GetActive());
}

TEST(MemTableOpen, EmptyTableHasNoRowsAndLocatesNothing) {
  TMemTableEh t(nullptr);
  BuildResourceColumns(t.GetMemTableData());
  t.Open();
  EXPECT_TRUE(t.Bof());
  EXPECT_TRUE(t.Eof());
  EXPECT_EQ(t.RecordCount(), 0);
  EXPECT_EQ(t.RecNo(), -1);
  EXPECT_FALSE(t.Locate(u"ID_THIS", Variant(1), {}));
  EXPECT_EQ(t.GetFieldCount(), 5);
  EXPECT_TRUE(t.FieldByName(u"NAME_THIS")->GetIsNull());
}

TEST_F(MemTableCursor, WalksTheRowsInStoredOrder) {
  Table.Open();
  EXPECT_EQ(Table.RecordCount(), 3);
  EXPECT_EQ(Ids(Table), (std::vector<Integer>{1, 2, 3}));
  EXPECT_TRUE(Table.Eof());
  Table.Last();
  EXPECT_EQ(IdOf(Table), 3);
  EXPECT_EQ(Table.RecNo(), 3);
  Table.Prior();
  EXPECT_EQ(Table.FieldByName(u"NAME_THIS")->GetAsString(), u"Второй");
  EXPECT_EQ(Table.RecNo(), 2);
}

TEST_F(MemTableCursor, RecNoOutsideTheRowsIsIgnored) {
  Table.Open();
  Table.SetRecNo(2);
  EXPECT_EQ(IdOf(Table), 2);
  Table.SetRecNo(0);
  EXPECT_EQ(Table.RecNo(), 2);
  Table.SetRecNo(4);
  EXPECT_EQ(Table.RecNo(), 2);
}

TEST_F(MemTableCursor, BookmarkNamesAViewPositionNotARecord) {
  Table.Open();
  Table.SetRecNo(1);
  TBookmark first = Table.GetBookmark();
  ASSERT_TRUE(Table.BookmarkValid(first));
  Table.SetSortOrder(u"ID_THIS DESC");
  Table.GotoBookmark(first);
  EXPECT_EQ(IdOf(Table), 3);  // the record now at the first row
}

TEST_F(MemTableCursor, BookmarkOutsideTheRowsRaisesRecordNotFound) {
  Table.Open();
  EXPECT_FALSE(Table.BookmarkValid(RowBookmark(0)));
  EXPECT_FALSE(Table.BookmarkValid(RowBookmark(4)));
  try {
    Table.GotoBookmark(RowBookmark(4));
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_NE(e.Message().find(u"Record not found"), String::npos);
  }
}

TEST_F(MemTableCursor, CompareBookmarksPutsNilFirst) {
  Table.Open();
  EXPECT_EQ(Table.CompareBookmarks(TBookmark(), TBookmark()), 0);
  EXPECT_EQ(Table.CompareBookmarks(TBookmark(), RowBookmark(1)), -1);
  EXPECT_EQ(Table.CompareBookmarks(RowBookmark(1), TBookmark()), 1);
  EXPECT_EQ(Table.CompareBookmarks(RowBookmark(3), RowBookmark(2)), 1);
}

TEST_F(MemTableCursor, AppendGoesToTheEndAndInsertBeforeTheCursor) {
  Table.Open();
  Table.Append();
  Table.FieldByName(u"ID_THIS")->SetAsInteger(4);
  Table.Post();
  EXPECT_EQ(IdOf(Table), 4);
  EXPECT_EQ(Table.RecNo(), 4);
  Table.SetRecNo(2);
  Table.Insert();
  Table.FieldByName(u"ID_THIS")->SetAsInteger(5);
  Table.Post();
  EXPECT_EQ(IdOf(Table), 5);
  EXPECT_EQ(Ids(Table), (std::vector<Integer>{1, 5, 2, 3, 4}));
}

TEST_F(MemTableCursor, UnassignedFieldsOfANewRecordStayNull) {
  Table.Open();
  Table.Append();
  Table.FieldByName(u"ID_THIS")->SetAsInteger(9);
  Table.Post();
  EXPECT_TRUE(Table.FieldByName(u"NPP")->GetIsNull());
  EXPECT_TRUE(Table.FieldByName(u"NAME_THIS")->GetIsNull());
  TMemoryRecordEh* rec = Table.GetCurrentRecord();
  ASSERT_NE(rec, nullptr);
  EXPECT_TRUE(rec->GetDataValues(u"NPP", rvvValueEh).IsNull());
}

TEST_F(MemTableCursor, EditPostsIntoTheRecordAndCancelKeepsIt) {
  Table.Open();
  Table.SetRecNo(2);
  Table.Edit();
  Table.FieldByName(u"NAME_THIS")->SetAsString(u"Изменён");
  Table.Post();
  EXPECT_EQ(Table.GetCurrentRecord()->GetDataValues(u"NAME_THIS", rvvValueEh).AsString(), u"Изменён");
  Table.Edit();
  Table.FieldByName(u"NAME_THIS")->SetAsString(u"Отменён");
  Table.Cancel();
  EXPECT_EQ(Table.FieldByName(u"NAME_THIS")->GetAsString(), u"Изменён");
}

TEST_F(MemTableCursor, DeleteOfTheLastRowMovesTheCursorBack) {
  Table.Open();
  Table.Last();
  Table.Delete();
  EXPECT_EQ(Table.RecordCount(), 2);
  EXPECT_EQ(IdOf(Table), 2);
  Table.First();
  Table.Delete();
  EXPECT_EQ(IdOf(Table), 2);
}

TEST_F(MemTableCursor, ReadOnlyRefusesChanges) {
  Table.Open();
  Table.SetReadOnly(true);
  EXPECT_FALSE(Table.GetCanModify());
  EXPECT_THROW(Table.Edit(), EDatabaseError);
  EXPECT_THROW(Table.Append(), EDatabaseError);
  EXPECT_THROW(Table.Delete(), EDatabaseError);
  EXPECT_TRUE(Table.GetActive());
  Table.SetReadOnly(false);
  Table.Edit();
  Table.Cancel();
}

TEST_F(MemTableCursor, WritingOutsideEditModeRaises) {
  Table.Open();
  try {
    Table.FieldByName(u"NPP")->SetAsInteger(1);
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_NE(e.Message().find(u"Dataset not in edit or insert mode"), String::npos);
  }
}

TEST_F(MemTableCursor, RefusedPostLeavesTheRecordAsItWas) {
  Table.GetIndexDefs()->Add(u"PK", u"ID_THIS", {ixUnique});
  Table.Open();
  Table.SetRecNo(2);
  Table.Edit();
  Table.FieldByName(u"ID_THIS")->SetAsInteger(1);
  EXPECT_THROW(Table.Post(), Exception);
  EXPECT_EQ(Table.GetState(), dsEdit);
  TMemoryRecordEh* rec = Table.GetRecordsData()->GetRecordsList()->GetRecord(1);
  EXPECT_EQ(rec->GetDataValues(u"ID_THIS", rvvValueEh).AsInteger(), 2);
  EXPECT_EQ(rec->GetEditState(), resBrowseEh);
  Table.Cancel();
  EXPECT_EQ(IdOf(Table), 2);
}

TEST_F(MemTableCursor, CachedDeletesWaitForApplyUpdates) {
  Table.SetCachedUpdates(true);
  Table.Open();
  Table.First();
  Table.Delete();
  EXPECT_EQ(Table.RecordCount(), 2);
  EXPECT_EQ(Table.GetRecordsData()->GetRecordsList()->GetCount(), 3);
  EXPECT_EQ(Table.ApplyUpdates(-1), 0);
  EXPECT_EQ(Table.GetRecordsData()->GetRecordsList()->GetCount(), 2);
}

TEST_F(MemTableCursor, CancelUpdatesRestoresCachedChanges) {
  Table.SetCachedUpdates(true);
  Table.Open();
  Table.First();
  Table.Edit();
  Table.FieldByName(u"NPP")->SetAsInteger(100);
  Table.Post();
  Table.CancelUpdates();
  Table.First();
  EXPECT_EQ(Table.FieldByName(u"NPP")->GetAsInteger(), 3);
}

TEST_F(MemTableCursor, EmptyTableRemovesEveryRecord) {
  Table.Open();
  Table.EmptyTable();
  EXPECT_EQ(Table.RecordCount(), 0);
  EXPECT_TRUE(Table.Eof());
  EXPECT_EQ(Table.GetRecordsData()->GetRecordsList()->GetCount(), 0);
}

TEST_F(MemTableCursor, CalculatedFieldsAreFilledForEveryRow) {
  AddNameTypeField();
  Table.Open();
  std::vector<String> kinds;
  Table.First();
  while (!Table.Eof()) {
    kinds.push_back(Table.FieldByName(u"Name_Type")->GetAsString());
    Table.Next();
  }
  EXPECT_EQ(kinds, (std::vector<String>{u"Ресурс", u"Ресурс", u"Группа"}));
}

TEST_F(MemTableCursor, SortingByACalculatedFieldReadsItsValuePerRecord) {
  AddNameTypeField();
  Table.Open();
  Table.SortByFields(u"Name_Type,NPP");
  EXPECT_EQ(Ids(Table), (std::vector<Integer>{3, 2, 1}));
  Table.SortByFields(u"Name_Type DESC,NPP DESC");
  EXPECT_EQ(Ids(Table), (std::vector<Integer>{1, 2, 3}));
}

TEST_F(MemTableCursor, AggregateFieldsFollowTheRows) {
  auto* total = static_cast<TAggregateField*>(TAggregateField::StaticComponentClass()->Create(&Table));
  total->SetFieldName(u"TOTAL");
  total->SetExpression(u"SUM(NPP)");
  total->SetActive(true);
  total->SetDataSet(&Table);
  Table.SetAggregatesActive(true);
  Table.Open();
  EXPECT_EQ(total->GetValue().AsInteger(), 6);
  Table.Append();
  Table.FieldByName(u"NPP")->SetAsInteger(4);
  Table.Post();
  EXPECT_EQ(total->GetValue().AsInteger(), 10);
  Table.SetAggregatesActive(false);
  EXPECT_TRUE(total->GetIsNull());
}
