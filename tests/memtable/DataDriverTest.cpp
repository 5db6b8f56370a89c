// The data driver with a second in-memory table as its provider: reading on
// demand, applying updates (and reporting the ones that fail), SQL update
// texts, and master-detail tables.

#include <gtest/gtest.h>

#include "MemTableTestUtil.h"
#include "memtable/DataDriverEh.h"
#include "platform/data/DataSource.h"

namespace {

class DriverRoundTrip : public ::testing::Test {
protected:
  void SetUp() override {
    BuildResourceColumns(Provider.GetMemTableData());
    for (Integer i = 1; i <= 5; ++i) AddResource(Provider, i, 0, 1, i, u"P" + IntToStr(i));
    Provider.Open();
    Driver.SetProviderDataSet(&Provider);
    Driver.SetKeyFields(u"ID_THIS");
    Table.SetDataDriver(&Driver);
  }
  Variant ProviderName(Integer Id) { return Provider.Lookup(u"ID_THIS", Variant(Id), u"NAME_THIS"); }
  // The provider loses a row behind the table's back.
  void DropFromProvider(Integer Id) {
    Provider.Locate(u"ID_THIS", Variant(Id), {});
    Provider.Delete();
  }
  // Puts the table's row in edit with a new name, not yet posted.
  void EditName(Integer Id, const String& Name) {
    Table.Locate(u"ID_THIS", Variant(Id), {});
    Table.Edit();
    Table.FieldByName(u"NAME_THIS")->SetAsString(Name);
  }

  TMemTableEh Provider{nullptr};
  TDataDriverEh Driver{nullptr};
  TMemTableEh Table{nullptr};
};

}  // namespace

TEST_F(DriverRoundTrip, OpeningBuildsTheStructureAndReadsOnDemand) {
  Table.Open();
  EXPECT_EQ(Table.GetFieldCount(), 5);
  EXPECT_LT(Table.GetRecordsData()->GetRecordsList()->GetCount(), 5);
  Table.Last();
  EXPECT_EQ(Table.RecordCount(), 5);
  EXPECT_EQ(IdOf(Table), 5);
  EXPECT_TRUE(Driver.GetProviderEOF());
}

TEST_F(DriverRoundTrip, FetchAllOnOpenReadsEverything) {
  Table.SetFetchAllOnOpen(true);
  Table.Open();
  EXPECT_EQ(Table.RecordCount(), 5);
  Table.Close();
  Table.Open();  // a second opening reads the provider again
  EXPECT_EQ(Table.RecordCount(), 5);
}

TEST_F(DriverRoundTrip, LocateReadsUntilTheKeyArrives) {
  Table.Open();
  EXPECT_TRUE(Table.Locate(u"ID_THIS", Variant(4), {}));
  EXPECT_EQ(Table.FieldByName(u"NAME_THIS")->GetAsString(), u"P4");
  EXPECT_FALSE(Table.Locate(u"ID_THIS", Variant(40), {}));
}

TEST_F(DriverRoundTrip, CachedChangesAreWrittenBackOnApplyUpdates) {
  Table.SetCachedUpdates(true);
  Table.SetFetchAllOnOpen(true);
  Table.Open();
  EditName(2, u"Изменён");
  Table.Post();
  Table.Locate(u"ID_THIS", Variant(3), {});
  Table.Delete();
  Table.Append();
  Table.FieldByName(u"ID_THIS")->SetAsInteger(6);
  Table.FieldByName(u"NAME_THIS")->SetAsString(u"Новый");
  Table.Post();
  EXPECT_EQ(ProviderName(2).AsString(), u"P2");  // nothing written yet
  EXPECT_EQ(Table.ApplyUpdates(-1), 3);
  EXPECT_EQ(ProviderName(2).AsString(), u"Изменён");
  EXPECT_TRUE(ProviderName(3).IsNull());
  EXPECT_EQ(ProviderName(6).AsString(), u"Новый");
  EXPECT_EQ(Provider.RecordCount(), 5);
  EXPECT_FALSE(Table.GetRecordsData()->GetRecordsList()->HasCachedChanges());
}

TEST_F(DriverRoundTrip, AFailedWriteBackIsReportedNotCountedAsDone) {
  Table.SetCachedUpdates(true);
  Table.SetFetchAllOnOpen(true);
  Table.Open();
  // The provider loses row 4 behind the table's back.
  DropFromProvider(4);
  EditName(4, u"Потерян");
  Table.Post();
  EditName(1, u"Найден");
  Table.Post();
  EXPECT_EQ(Table.ApplyUpdates(-1), 1);
  EXPECT_EQ(ProviderName(1).AsString(), u"Найден");
  TRecordsListEh* list = Table.GetRecordsData()->GetRecordsList();
  ASSERT_TRUE(list->HasCachedChanges());
  Table.Locate(u"ID_THIS", Variant(4), {});
  TMemoryRecordEh* lost = Table.GetCurrentRecord();
  EXPECT_EQ(lost->GetUpdateStatus(), rusModifiedEh);
  ASSERT_NE(lost->GetUpdateError(), nullptr);
  EXPECT_EQ(Table.UpdateStatus(), usModified);
}

TEST_F(DriverRoundTrip, WithoutCachedUpdatesEveryPostIsWrittenAtOnce) {
  Table.SetFetchAllOnOpen(true);
  Table.Open();
  Table.Append();
  Table.FieldByName(u"ID_THIS")->SetAsInteger(7);
  Table.FieldByName(u"NAME_THIS")->SetAsString(u"Сразу");
  Table.Post();
  EXPECT_EQ(ProviderName(7).AsString(), u"Сразу");
  Table.Locate(u"ID_THIS", Variant(1), {});
  Table.Delete();
  EXPECT_TRUE(ProviderName(1).IsNull());
}

TEST_F(DriverRoundTrip, APostTheProviderCannotTakeIsRefused) {
  Table.SetFetchAllOnOpen(true);
  Table.Open();
  DropFromProvider(2);
  EditName(2, u"Некуда");
  EXPECT_THROW(Table.Post(), Exception);
  Table.Cancel();
  EXPECT_EQ(Table.FieldByName(u"NAME_THIS")->GetAsString(), u"P2");
}

TEST_F(DriverRoundTrip, RefreshRecordReadsTheProvidersValues) {
  Table.SetFetchAllOnOpen(true);
  Table.Open();
  Provider.Locate(u"ID_THIS", Variant(3), {});
  Provider.Edit();
  Provider.FieldByName(u"NAME_THIS")->SetAsString(u"Свежий");
  Provider.Post();
  Table.Locate(u"ID_THIS", Variant(3), {});
  TMemoryRecordEh* rec = Table.GetCurrentRecord();
  Driver.RefreshRecord(rec);
  EXPECT_EQ(rec->GetDataValues(u"NAME_THIS", rvvValueEh).AsString(), u"Свежий");
  DropFromProvider(3);
  try {
    Driver.RefreshRecord(rec);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), u"Key is not found in ProviderDataSet");
  }
}

TEST_F(DriverRoundTrip, DestroyingTheDriverDetachesIt) {
  auto driver = std::make_unique<TDataDriverEh>(nullptr);
  TMemTableEh t(nullptr);
  t.SetDataDriver(driver.get());
  EXPECT_EQ(driver->GetMemTable(), &t);
  driver.reset();
  EXPECT_EQ(t.GetDataDriver(), nullptr);
}

// ---- SQL update texts -------------------------------------------------------------

namespace {

class SQLTexts : public ::testing::Test {
protected:
  void SetUp() override {
    BuildResourceColumns(&Store);
    Store.GetRecordsList()->SetCachedUpdates(true);
    Command.SetTableName(u"RESOURCES");
    Command.GetUpdateFields()->SetText(u"ID_THIS\nNAME_THIS\nNPP");
    Command.GetKeyFields()->SetText(u"ID_THIS\nID_PARENT");
  }
  TMemoryRecordEh* Loaded() {
    TMemoryRecordEh* r = Store.GetRecordsList()->NewRecord();
    r->SetDataValues(u"ID_THIS;NAME_THIS;NPP", rvvValueEh, VarArrayOf({Variant(1), Variant(u"A"), Variant(1)}));
    Store.GetRecordsList()->LoadRecord(r);
    return r;
  }
  String Text() { return Command.GetCommandText()->GetText(); }

  TMemTableDataEh Store{nullptr};
  TSQLUpdateCommandEh Command;
  TServerSpecOperationsEh Ops;
};

}  // namespace

TEST_F(SQLTexts, InsertListsEveryUpdateField) {
  TMemoryRecordEh* r = Store.GetRecordsList()->NewRecord();
  r->Post();
  Ops.GenerateUpdateSQL(r, &Command);
  EXPECT_EQ(Text(),
            u"insert into RESOURCES\r\n  (ID_THIS, NAME_THIS, NPP)\r\nvalues\r\n  (:ID_THIS, :NAME_THIS, :NPP)\r\n");
}

TEST_F(SQLTexts, UpdateAndDeleteNameTheOldKeys) {
  TMemoryRecordEh* r = Loaded();
  r->Edit();
  r->SetDataValues(u"NAME_THIS", rvvValueEh, Variant(u"B"));
  r->Post();
  Ops.GenerateUpdateSQL(r, &Command);
  EXPECT_EQ(Text(),
            u"update RESOURCES\r\nset\r\n ID_THIS = :ID_THIS,\r\n NAME_THIS = :NAME_THIS,\r\n NPP = :NPP\r\n"
            u"where\r\n ID_THIS = :OLD_ID_THIS and\r\n ID_PARENT = :OLD_ID_PARENT\r\n");
  Ops.SetChangedFieldsOnly(true);
  Ops.GenerateUpdateSQL(r, &Command);
  EXPECT_EQ(Text(),
            u"update RESOURCES\r\nset\r\n NAME_THIS = :NAME_THIS\r\nwhere\r\n ID_THIS = :OLD_ID_THIS and\r\n"
            u" ID_PARENT = :OLD_ID_PARENT\r\n");
  Store.GetRecordsList()->DeleteRecord(r->GetIndex());
  Ops.GenerateUpdateSQL(r, &Command);
  EXPECT_EQ(Text(),
            u"delete from RESOURCES\r\nwhere\r\n ID_THIS = :OLD_ID_THIS and\r\n ID_PARENT = :OLD_ID_PARENT\r\n");
}

TEST_F(SQLTexts, NothingChangedGivesNoUpdateText) {
  TMemoryRecordEh* r = Loaded();
  r->Edit();
  r->Post();
  Ops.SetChangedFieldsOnly(true);
  Ops.GenerateUpdateSQL(r, &Command);
  EXPECT_EQ(Command.GetCommandText()->GetCount(), 0);
}

TEST_F(SQLTexts, AnUnknownUpdateFieldIsNamedInTheError) {
  TMemoryRecordEh* r = Loaded();
  r->Edit();
  r->SetDataValues(u"NPP", rvvValueEh, Variant(2));
  r->Post();
  Command.GetUpdateFields()->SetText(u"NPP\nNOPE");
  Ops.SetChangedFieldsOnly(true);
  try {
    Ops.GenerateUpdateSQL(r, &Command);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message().rfind(u"Invalid field name \"NOPE\" in field list \"", 0), 0u);
  }
}

TEST_F(SQLTexts, LongFieldListsWrapAfterSeventyCharacters) {
  TMemoryRecordEh* r = Store.GetRecordsList()->NewRecord();
  r->Post();
  String names;
  for (int i = 0; i < 8; ++i) names += u"A_RATHER_LONG_FIELD_" + IntToStr(i) + u"\n";
  Command.GetUpdateFields()->SetText(names);
  Ops.GenerateUpdateSQL(r, &Command);
  TStringList* text = Command.GetCommandText();
  ASSERT_GE(text->GetCount(), 5);
  EXPECT_EQ(text->Get(1).rfind(u"  (A_RATHER_LONG_FIELD_0, ", 0), 0u);
  EXPECT_EQ(text->Get(2).rfind(u"   A_RATHER_LONG_FIELD_", 0), 0u);
  for (Integer i = 0; i < text->GetCount(); ++i) EXPECT_LE(text->Get(i).size(), 100u);
}

// ---- master-detail ------------------------------------------------------------------

TEST(MemTableMasterDetail, TheDetailShowsTheMastersRecordsOnly) {
  TMemTableEh master(nullptr), detail(nullptr);
  BuildResourceColumns(master.GetMemTableData());
  BuildResourceColumns(detail.GetMemTableData());
  AddResource(master, 10, 0, 0, 1, u"G10");
  AddResource(master, 20, 0, 0, 2, u"G20");
  AddResource(detail, 1, 10, 1, 1, u"a");
  AddResource(detail, 2, 20, 1, 1, u"b");
  AddResource(detail, 3, 10, 1, 2, u"c");
  TDataSource source(nullptr);
  source.SetDataSet(&master);
  master.Open();
  detail.SetDetailFields(u"ID_PARENT");
  detail.SetMasterFields(u"ID_THIS");
  detail.SetMasterSource(&source);
  detail.Open();
  EXPECT_TRUE(detail.GetMasterDetailActive());
  EXPECT_EQ(Ids(detail), (std::vector<Integer>{1, 3}));
  master.Next();
  EXPECT_EQ(Ids(detail), (std::vector<Integer>{2}));
  detail.Append();
  detail.FieldByName(u"ID_THIS")->SetAsInteger(4);
  detail.Post();
  EXPECT_EQ(detail.FieldByName(u"ID_PARENT")->GetAsInteger(), 20);
  EXPECT_EQ(Ids(detail), (std::vector<Integer>{2, 4}));
}

TEST(MemTableMasterDetail, AnIndexOnTheDetailFieldsGivesTheSameRows) {
  TMemTableEh master(nullptr), detail(nullptr);
  BuildResourceColumns(master.GetMemTableData());
  BuildResourceColumns(detail.GetMemTableData());
  AddResource(master, 10, 0, 0, 1, u"G10");
  AddResource(master, 20, 0, 0, 2, u"G20");
  for (Integer i = 1; i <= 6; ++i) AddResource(detail, i, i % 2 ? 10 : 20, 1, i, u"d");
  detail.GetIndexDefs()->Add(u"BYPARENT", u"ID_PARENT", {});
  TDataSource source(nullptr);
  source.SetDataSet(&master);
  master.Open();
  detail.SetDetailFields(u"ID_PARENT");
  detail.SetMasterFields(u"ID_THIS");
  detail.SetMasterSource(&source);
  detail.Open();
  EXPECT_EQ(Ids(detail), (std::vector<Integer>{1, 3, 5}));
  master.Last();
  EXPECT_EQ(Ids(detail), (std::vector<Integer>{2, 4, 6}));
}
