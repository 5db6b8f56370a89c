// The buffered cursor through a small vector-backed dataset: navigation,
// editing, bookmarks, events, and what data links hear.

#include <gtest/gtest.h>

#include <memory>

#include "TestDataSet.h"

namespace {

struct DataSetFixture : ::testing::Test {
  std::unique_ptr<TComponent> Owner = std::make_unique<TComponent>(nullptr);
  TTestDataSet* DS = new TTestDataSet(Owner.get());
  TDataSource* Source = new TDataSource(Owner.get());
  TRecordingLink Link;

  void SetUp() override {
    DS->SetName(u"People");
    DS->GetFieldDefs()->Add(u"ID", ftInteger);
    DS->GetFieldDefs()->Add(u"NAME", ftString, 30);
    for (int i = 1; i <= 10; ++i) DS->AddRow({Variant(i), Variant(u"Name" + IntText(i))});
    Source->SetDataSet(DS);
  }
  void TearDown() override { Link.SetDataSource(nullptr); }

  static String IntText(int i) { return AsciiToString(std::to_string(i)); }
  Integer Id() { return DS->FieldByName(u"ID")->GetAsInteger(); }
};

TEST_F(DataSetFixture, OpeningMakesDefaultFieldsNumberedByColumn) {
  DS->Open();
  ASSERT_EQ(DS->GetFieldCount(), 2);
  EXPECT_EQ(DS->FieldByName(u"id")->GetFieldNo(), 1);
  EXPECT_EQ(DS->FieldByName(u"NAME")->GetFieldNo(), 2);
  EXPECT_EQ(DS->FieldByName(u"NAME")->GetSize(), 30);
  EXPECT_TRUE(DS->GetDefaultFields());
  EXPECT_EQ(DS->GetState(), dsBrowse);
  EXPECT_EQ(Id(), 1);
  DS->Close();
  EXPECT_EQ(DS->GetFieldCount(), 0);  // default fields go with the cursor
}

TEST_F(DataSetFixture, OpeningWithoutFieldsRaises) {
  TTestDataSet empty;
  try {
    empty.Open();
    FAIL();
  } catch (EDatabaseError& e) {
    EXPECT_EQ(e.Message(), u"No fields defined. Cannot create dataset.");
  }
  EXPECT_FALSE(empty.GetActive());
}

TEST_F(DataSetFixture, ClosedDataSetRefusesToMove) {
  try {
    DS->Next();
    FAIL();
  } catch (EDatabaseError& e) {
    EXPECT_EQ(e.Message(), u"People: Cannot perform this operation on a closed dataset");
  }
  EXPECT_THROW(DS->Edit(), EDatabaseError);
  EXPECT_THROW(DS->RecordCount(), EDatabaseError);
}

TEST_F(DataSetFixture, NavigationWalksForwardAndBack) {
  DS->Open();
  EXPECT_TRUE(DS->Bof());
  int seen = 0;
  while (!DS->Eof()) {
    ++seen;
    EXPECT_EQ(Id(), seen);
    DS->Next();
  }
  EXPECT_EQ(seen, 10);
  EXPECT_EQ(Id(), 10);  // Eof leaves the last record current
  DS->Last();
  EXPECT_TRUE(DS->Eof());
  EXPECT_EQ(DS->RecNo(), 10);
  DS->Prior();
  EXPECT_EQ(Id(), 9);
  EXPECT_EQ(DS->MoveBy(-20), -8);
  EXPECT_TRUE(DS->Bof());
  EXPECT_EQ(Id(), 1);
  EXPECT_EQ(DS->MoveBy(4), 4);
  EXPECT_EQ(DS->RecNo(), 5);
  DS->SetRecNo(8);
  EXPECT_EQ(Id(), 8);
  DS->SetRecNo(0);  // out of range: ignored
  EXPECT_EQ(Id(), 8);
  EXPECT_EQ(DS->RecordCount(), 10);
}

TEST_F(DataSetFixture, EmptyDataSetIsBofAndEof) {
  TTestDataSet empty;
  empty.GetFieldDefs()->Add(u"ID", ftInteger);
  empty.Open();
  EXPECT_TRUE(empty.Bof());
  EXPECT_TRUE(empty.Eof());
  EXPECT_TRUE(empty.IsEmpty());
  EXPECT_TRUE(empty.FieldByName(u"ID")->GetIsNull());
  EXPECT_EQ(empty.MoveBy(3), 0);
  EXPECT_FALSE(empty.Locate(u"ID", Variant(1), {}));
  EXPECT_THROW(empty.Delete(), EDatabaseError);
}

TEST_F(DataSetFixture, ScrollEventsSurroundEveryMove) {
  std::vector<std::string> log;
  DS->BeforeScroll = [&](TDataSet*) { log.push_back("before"); };
  DS->AfterScroll = [&](TDataSet*) { log.push_back("after"); };
  DS->Open();
  EXPECT_EQ(log, (std::vector<std::string>{"after"}));  // opening shows the first record
  log.clear();
  DS->Next();
  DS->Last();
  EXPECT_EQ(log, (std::vector<std::string>{"before", "after", "before", "after"}));
}

TEST_F(DataSetFixture, LinkWindowFollowsTheCursor) {
  Link.SetBufferCount(3);
  Link.SetDataSource(Source);
  DS->Open();
  EXPECT_EQ(Link.Log.front(), "active");
  EXPECT_EQ(DS->GetBufferCount(), 3);
  EXPECT_EQ(Link.GetRecordCount(), 3);
  EXPECT_EQ(Link.GetActiveRecord(), 0);
  Link.Clear();
  DS->Next();
  DS->Next();
  EXPECT_EQ(Link.GetActiveRecord(), 2);
  DS->Next();  // past the window: the buffers shift by one
  EXPECT_EQ(Link.GetActiveRecord(), 2);
  EXPECT_EQ(Link.Log, (std::vector<std::string>{"check browse", "scrolled 0", "check browse", "scrolled 0",
                                                "check browse", "scrolled 1"}));
  // The link can read any row of its window without moving the cursor.
  Link.SetActiveRecord(0);
  EXPECT_EQ(Id(), 2);
  Link.SetActiveRecord(2);
  EXPECT_EQ(Id(), 4);
  Link.Clear();
  DS->First();
  EXPECT_EQ(Link.Log, (std::vector<std::string>{"check browse", "changed"}));
  EXPECT_EQ(Link.GetActiveRecord(), 0);
}

TEST_F(DataSetFixture, LinkWindowScrollsBackFromTheEnd) {
  Link.SetBufferCount(3);
  Link.SetDataSource(Source);
  DS->Open();
  DS->Last();
  EXPECT_EQ(Link.GetActiveRecord(), 2);
  Link.Clear();
  DS->Prior();
  DS->Prior();
  DS->Prior();  // before the window: the buffers shift the other way
  EXPECT_EQ(Id(), 7);
  EXPECT_EQ(Link.GetActiveRecord(), 0);
  EXPECT_EQ(Link.Log, (std::vector<std::string>{"check browse", "scrolled 0", "check browse", "scrolled 0",
                                                "check browse", "scrolled -1"}));
  Link.SetActiveRecord(2);
  EXPECT_EQ(Id(), 9);
  Link.SetActiveRecord(0);
}

TEST_F(DataSetFixture, InsertingInAFullWindowShowsTheNewRowInPlace) {
  Link.SetBufferCount(3);
  Link.SetDataSource(Source);
  DS->Open();
  DS->Next();
  DS->Insert();
  EXPECT_EQ(Link.GetRecordCount(), 3);
  auto row = [&](Integer i) {
    Link.SetActiveRecord(i);
    TField* f = DS->FieldByName(u"ID");
    return f->GetIsNull() ? -1 : f->GetAsInteger();
  };
  EXPECT_EQ(row(0), 1);
  EXPECT_EQ(row(1), -1);  // the new record, before the one that was current
  EXPECT_EQ(row(2), 2);
  Link.SetActiveRecord(1);
  DS->FieldByName(u"ID")->SetAsInteger(15);
  DS->Post();
  EXPECT_EQ(Id(), 15);
  EXPECT_EQ(DS->Cell(1, 0).AsInteger(), 15);
  EXPECT_EQ(row(0), 1);
  EXPECT_EQ(row(2), 2);
}

TEST_F(DataSetFixture, ShrinkingTheWindowKeepsTheActiveRecord) {
  Link.SetBufferCount(5);
  Link.SetDataSource(Source);
  DS->Open();
  DS->MoveBy(4);
  EXPECT_EQ(Id(), 5);
  Link.SetBufferCount(2);
  EXPECT_EQ(DS->GetBufferCount(), 2);
  EXPECT_EQ(Id(), 5);
  EXPECT_EQ(Link.GetActiveRecord(), 1);
  Link.SetActiveRecord(0);
  EXPECT_EQ(Id(), 4);
}

TEST_F(DataSetFixture, EditAndPostStoreTheValue) {
  Link.SetDataSource(Source);
  DS->Open();
  DS->Next();
  Link.Clear();
  DS->Edit();
  EXPECT_EQ(DS->GetState(), dsEdit);
  DS->FieldByName(u"NAME")->SetAsString(u"Пётр");
  DS->Post();
  EXPECT_EQ(DS->GetState(), dsBrowse);
  EXPECT_EQ(DS->Cell(1, 1).AsString(), u"Пётр");
  // Edit leaves browse mode checked, then posting collects the controls'
  // pending values before the dataset leaves edit state.
  EXPECT_EQ(Link.Log, (std::vector<std::string>{"check browse", "editing", "record", "record NAME", "update data",
                                                "check browse", "not editing", "changed"}));
}

TEST_F(DataSetFixture, CancelRestoresTheRecord) {
  DS->Open();
  DS->Edit();
  DS->FieldByName(u"NAME")->SetAsString(u"changed");
  EXPECT_TRUE(DS->GetModified());
  DS->Cancel();
  EXPECT_EQ(DS->FieldByName(u"NAME")->GetAsString(), u"Name1");
  EXPECT_EQ(DS->Cell(0, 1).AsString(), u"Name1");
}

TEST_F(DataSetFixture, OldValueShowsTheStoredRecordWhileEditing) {
  DS->Open();
  DS->Edit();
  TField* name = DS->FieldByName(u"NAME");
  name->SetAsString(u"new");
  EXPECT_EQ(name->GetOldValue().AsString(), u"Name1");
  EXPECT_EQ(name->GetAsString(), u"new");
  DS->Cancel();
}

TEST_F(DataSetFixture, InsertGoesBeforeTheCurrentRecordAppendAtTheEnd) {
  DS->Open();
  DS->MoveBy(2);
  DS->Insert();
  EXPECT_EQ(DS->GetState(), dsInsert);
  EXPECT_TRUE(DS->FieldByName(u"ID")->GetIsNull());  // a new record holds Nulls
  DS->FieldByName(u"ID")->SetAsInteger(100);
  DS->Post();
  EXPECT_EQ(DS->Cell(2, 0).AsInteger(), 100);
  EXPECT_EQ(Id(), 100);
  DS->Append();
  DS->FieldByName(u"ID")->SetAsInteger(200);
  DS->Post();
  EXPECT_EQ(DS->Cell(DS->RowCount() - 1, 0).AsInteger(), 200);
  EXPECT_EQ(Id(), 200);
  EXPECT_EQ(DS->RecordCount(), 12);
}

TEST_F(DataSetFixture, InsertRecordAndNewRecordEvent) {
  DS->OnNewRecord = [](TDataSet* d) { d->FieldByName(u"NAME")->SetAsString(u"default"); };
  DS->Open();
  DS->AppendRecord({Variant(50)});
  EXPECT_EQ(Id(), 50);
  EXPECT_EQ(DS->FieldByName(u"NAME")->GetAsString(), u"default");
}

TEST_F(DataSetFixture, DeleteRemovesTheCurrentRecord) {
  std::vector<std::string> log;
  DS->BeforeDelete = [&](TDataSet*) { log.push_back("before delete"); };
  DS->AfterDelete = [&](TDataSet*) { log.push_back("after delete"); };
  DS->Open();
  DS->Next();
  DS->Delete();
  EXPECT_EQ(Id(), 3);
  EXPECT_EQ(DS->RecordCount(), 9);
  DS->Last();
  DS->Delete();
  EXPECT_EQ(Id(), 9);
  EXPECT_EQ(log, (std::vector<std::string>{"before delete", "after delete", "before delete", "after delete"}));
}

TEST_F(DataSetFixture, CancellingAnInsertRemovesNothing) {
  DS->Open();
  DS->Insert();
  DS->Delete();  // in insert state this cancels
  EXPECT_EQ(DS->GetState(), dsBrowse);
  EXPECT_EQ(DS->RecordCount(), 10);
  EXPECT_EQ(Id(), 1);
}

TEST_F(DataSetFixture, PostOutsideEditingRaises) {
  DS->Open();
  try {
    DS->Post();
    FAIL();
  } catch (EDatabaseError& e) {
    EXPECT_EQ(e.Message(), u"People: Dataset not in edit or insert mode");
  }
  EXPECT_THROW(DS->FieldByName(u"ID")->SetAsInteger(5), EDatabaseError);
}

TEST_F(DataSetFixture, ReadOnlyDataSetRefusesChanges) {
  DS->SetReadOnly(true);
  DS->Open();
  EXPECT_THROW(DS->Edit(), EDatabaseError);
  EXPECT_THROW(DS->Insert(), EDatabaseError);
  EXPECT_THROW(DS->Delete(), EDatabaseError);
  EXPECT_EQ(DS->GetState(), dsBrowse);
  EXPECT_FALSE(DS->FieldByName(u"ID")->GetCanModify());
}

TEST_F(DataSetFixture, RequiredFieldMustHaveAValue) {
  DS->GetFieldDefs()->Find(u"NAME")->SetRequired(true);
  DS->Open();
  Link.SetDataSource(Source);
  DS->Append();
  DS->FieldByName(u"ID")->SetAsInteger(1);
  Link.Clear();
  try {
    DS->Post();
    FAIL();
  } catch (EDatabaseError& e) {
    EXPECT_EQ(e.Message(), u"Field 'NAME' must have a value");
  }
  EXPECT_EQ(DS->GetState(), dsInsert);  // the edit is kept for correction
  EXPECT_EQ(Link.Log.back(), "focus NAME");
  DS->Cancel();
}

TEST_F(DataSetFixture, PostErrorEventDecidesFailAbortOrRetry) {
  DS->GetFieldDefs()->Find(u"NAME")->SetRequired(true);
  DS->Open();
  DS->Append();
  int calls = 0;
  DS->OnPostError = [&](TDataSet* d, EDatabaseError&, TDataAction& action) {
    ++calls;
    d->FieldByName(u"NAME")->SetAsString(u"fixed");
    action = daRetry;
  };
  DS->Post();
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(DS->FieldByName(u"NAME")->GetAsString(), u"fixed");
  DS->Append();
  DS->OnPostError = [&](TDataSet*, EDatabaseError&, TDataAction& action) { action = daAbort; };
  EXPECT_THROW(DS->Post(), EAbort);
  DS->Cancel();
}

TEST_F(DataSetFixture, EditEventsAndStatesInOrder) {
  std::vector<std::string> log;
  DS->BeforeEdit = [&](TDataSet* d) { log.push_back("before edit " + std::to_string(d->GetState())); };
  DS->AfterEdit = [&](TDataSet* d) { log.push_back("after edit " + std::to_string(d->GetState())); };
  DS->BeforePost = [&](TDataSet* d) { log.push_back("before post " + std::to_string(d->GetState())); };
  DS->AfterPost = [&](TDataSet* d) { log.push_back("after post " + std::to_string(d->GetState())); };
  DS->Open();
  DS->Edit();
  DS->FieldByName(u"ID")->SetAsInteger(7);
  DS->Post();
  EXPECT_EQ(log, (std::vector<std::string>{"before edit 1", "after edit 2", "before post 2", "after post 1"}));
}

TEST_F(DataSetFixture, BrowseModeCheckPostsAModifiedRecord) {
  DS->Open();
  DS->Edit();
  DS->FieldByName(u"ID")->SetAsInteger(77);
  DS->Next();  // leaving the record posts it
  EXPECT_EQ(DS->Cell(0, 0).AsInteger(), 77);
  DS->Edit();
  DS->Next();  // nothing changed: cancelled
  EXPECT_EQ(DS->GetState(), dsBrowse);
}

TEST_F(DataSetFixture, BookmarksReturnToTheirRecord) {
  DS->Open();
  DS->MoveBy(3);
  TBookmark b = DS->GetBookmark();
  ASSERT_EQ(b.size(), 4);
  DS->Last();
  DS->GotoBookmark(b);
  EXPECT_EQ(Id(), 4);
  DS->First();
  TBookmark first = DS->GetBookmark();
  EXPECT_EQ(DS->CompareBookmarks(first, b), -1);
  EXPECT_EQ(DS->CompareBookmarks(b, b), 0);
  EXPECT_EQ(DS->CompareBookmarks(TBookmark(), b), -1);
  EXPECT_TRUE(DS->BookmarkValid(b));
  Integer bogus = 999;
  TBookmark bad(&bogus, 4);
  EXPECT_FALSE(DS->BookmarkValid(bad));
  try {
    DS->GotoBookmark(bad);
    FAIL();
  } catch (EDatabaseError& e) {
    EXPECT_EQ(e.Message(), u"People: Record not found");
  }
  TBookmarkStr s = DS->GetBookmarkStr();
  DS->Last();
  DS->SetBookmarkStr(s);
  EXPECT_EQ(Id(), 1);
}

TEST_F(DataSetFixture, NoBookmarkWhileInsertingOrEmpty) {
  DS->Open();
  DS->Insert();
  EXPECT_TRUE(DS->GetBookmark().IsNil());
  DS->Cancel();
}

TEST_F(DataSetFixture, DisabledControlsHearOneChangeAtTheEnd) {
  Link.SetDataSource(Source);
  DS->Open();
  Link.Clear();
  DS->DisableControls();
  DS->Next();
  DS->Next();
  DS->Edit();
  DS->FieldByName(u"ID")->SetAsInteger(3);
  DS->Post();
  EXPECT_TRUE(Link.Log.empty());
  DS->EnableControls();
  EXPECT_EQ(Link.Log, (std::vector<std::string>{"changed"}));
}

TEST_F(DataSetFixture, ClosingWhileDisabledReachesTheLinks) {
  Link.SetDataSource(Source);
  DS->Open();
  Link.Clear();
  DS->DisableControls();
  DS->Close();
  DS->EnableControls();
  EXPECT_FALSE(Link.GetActive());
  EXPECT_EQ(Link.Log.back(), "inactive");
}

TEST_F(DataSetFixture, DataSourceEventsAndAutoEdit) {
  int changes = 0, states = 0;
  Source->OnDataChange = [&](TObject*, TField*) { ++changes; };
  Source->OnStateChange = [&](TObject*) { ++states; };
  Link.SetDataSource(Source);
  DS->Open();
  EXPECT_EQ(states, 1);
  EXPECT_GE(changes, 1);
  EXPECT_TRUE(Link.Edit());  // AutoEdit puts the dataset in edit state
  EXPECT_EQ(DS->GetState(), dsEdit);
  DS->Cancel();
  Source->SetAutoEdit(false);
  EXPECT_FALSE(Link.Edit());
  Link.SetReadOnly(true);
  Source->SetAutoEdit(true);
  EXPECT_FALSE(Link.Edit());
  EXPECT_EQ(DS->GetState(), dsBrowse);
}

TEST_F(DataSetFixture, DisabledDataSourceSilencesItsLinks) {
  Link.SetDataSource(Source);
  DS->Open();
  Source->SetEnabled(false);
  EXPECT_FALSE(Link.GetActive());
  Link.Clear();
  DS->Next();
  EXPECT_TRUE(Link.Log.empty());
  Source->SetEnabled(true);
  EXPECT_TRUE(Link.GetActive());
}

TEST_F(DataSetFixture, CircularDataLinkIsRefused) {
  TTestDataSet detail;
  TMasterDataLink masterLink(&detail);
  masterLink.SetDataSource(Source);  // detail follows DS
  TDataSource detailSource(nullptr);
  detailSource.SetDataSet(&detail);
  // DS cannot in turn follow its own detail through a data source of the detail.
  EXPECT_FALSE(detailSource.IsLinkedTo(DS));
  EXPECT_TRUE(Source->IsLinkedTo(&detail));
  masterLink.SetDataSource(nullptr);
}

TEST_F(DataSetFixture, FreeingTheDataSetLeavesLinksSafe) {
  Link.SetDataSource(Source);
  DS->Open();
  delete DS;
  DS = nullptr;
  EXPECT_EQ(Source->GetDataSet(), nullptr);
  EXPECT_FALSE(Link.GetActive());
}

TEST_F(DataSetFixture, FieldValuesReadAndWriteSeveralFields) {
  DS->Open();
  Variant v = DS->GetFieldValues(u"ID;NAME");
  ASSERT_TRUE(VarIsArray(v));
  EXPECT_EQ(VarArrayGet(v, 0).AsInteger(), 1);
  EXPECT_EQ(VarArrayGet(v, 1).AsString(), u"Name1");
  DS->Edit();
  DS->SetFieldValues(u"ID; NAME", VarArrayOf({Variant(9), Variant(u"nine")}));
  DS->Post();
  EXPECT_EQ(DS->Cell(0, 0).AsInteger(), 9);
  EXPECT_EQ(DS->Cell(0, 1).AsString(), u"nine");
  std::vector<TField*> list;
  DS->GetFieldList(list, u"NAME;ID");
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0]->GetFieldName(), u"NAME");
  try {
    DS->GetFieldList(list, u"ID;NOPE");
    FAIL();
  } catch (EDatabaseError& e) {
    EXPECT_EQ(e.Message(), u"People: Field 'NOPE' not found");
  }
}

TEST_F(DataSetFixture, LocateFindsAndMovesLookupDoesNotMove) {
  DS->Open();
  EXPECT_TRUE(DS->Locate(u"ID", Variant(Smallint(6)), {}));  // any integer width matches
  EXPECT_EQ(Id(), 6);
  EXPECT_FALSE(DS->Locate(u"ID", Variant(60), {}));
  EXPECT_EQ(Id(), 6);  // a miss leaves the cursor
  EXPECT_TRUE(DS->Locate(u"NAME", Variant(u"name1"), {loCaseInsensitive}));
  EXPECT_EQ(Id(), 1);
  EXPECT_FALSE(DS->Locate(u"NAME", Variant(u"name1"), {}));
  EXPECT_TRUE(DS->Locate(u"NAME", Variant(u"NAME"), {loCaseInsensitive, loPartialKey}));
  EXPECT_FALSE(DS->Locate(u"NAME", Variant(u"NAME"), {loCaseInsensitive}));
  EXPECT_TRUE(DS->Locate(u"ID;NAME", VarArrayOf({Variant(3), Variant(u"Name3")}), {}));
  EXPECT_EQ(Id(), 3);
  DS->Last();
  EXPECT_EQ(DS->Lookup(u"ID", Variant(4), u"NAME").AsString(), u"Name4");
  EXPECT_TRUE(DS->Lookup(u"ID", Variant(44), u"NAME").IsNull());
  EXPECT_EQ(Id(), 10);
}

struct CalcFixture : DataSetFixture {
  TTestDataSet* Cities = new TTestDataSet(Owner.get());
  TDataSource* CitySource = nullptr;
  void SetUp() override {
    DataSetFixture::SetUp();
    Cities->GetFieldDefs()->Add(u"CODE", ftInteger);
    Cities->GetFieldDefs()->Add(u"CITY", ftWideString, 40);
    Cities->AddRow({Variant(1), Variant(u"Москва")});
    Cities->AddRow({Variant(2), Variant(u"Казань")});
    Cities->Open();
    // Persistent fields: two data fields, a calculated one and a lookup.
    auto* id = new TIntegerField(Owner.get());
    id->SetFieldName(u"ID");
    id->SetDataSet(DS);
    auto* name = new TStringField(Owner.get());
    name->SetFieldName(u"NAME");
    name->SetSize(30);
    name->SetDataSet(DS);
    auto* twice = new TIntegerField(Owner.get());
    twice->SetFieldName(u"TWICE");
    twice->SetFieldKind(fkCalculated);
    twice->SetDataSet(DS);
    auto* city = new TWideStringField(Owner.get());
    city->SetFieldName(u"CITY");
    city->SetFieldKind(fkLookup);
    city->SetKeyFields(u"ID");
    city->SetLookupDataSet(Cities);
    city->SetLookupKeyFields(u"CODE");
    city->SetLookupResultField(u"CITY");
    city->SetDataSet(DS);
    DS->OnCalcFields = [](TDataSet* d) {
      TField* id = d->FieldByName(u"ID");
      if (!id->GetIsNull()) d->FieldByName(u"TWICE")->SetAsInteger(id->GetAsInteger() * 2);
    };
  }
};

TEST_F(CalcFixture, CalculatedAndLookupFieldsFollowTheRecord) {
  DS->Open();
  EXPECT_FALSE(DS->GetDefaultFields());
  EXPECT_EQ(DS->FieldByName(u"TWICE")->GetFieldNo(), -1);
  EXPECT_EQ(DS->FieldByName(u"TWICE")->GetAsInteger(), 2);
  EXPECT_EQ(DS->FieldByName(u"CITY")->GetAsString(), u"Москва");
  DS->Next();
  EXPECT_EQ(DS->FieldByName(u"TWICE")->GetAsInteger(), 4);
  EXPECT_EQ(DS->FieldByName(u"CITY")->GetAsString(), u"Казань");
  DS->Next();
  EXPECT_TRUE(DS->FieldByName(u"CITY")->GetIsNull());
  // Editing a key field recalculates at once.
  DS->Edit();
  DS->FieldByName(u"ID")->SetAsInteger(1);
  EXPECT_EQ(DS->FieldByName(u"TWICE")->GetAsInteger(), 2);
  EXPECT_EQ(DS->FieldByName(u"CITY")->GetAsString(), u"Москва");
  DS->Cancel();
  // Persistent fields stay when the dataset closes.
  DS->Close();
  EXPECT_EQ(DS->GetFieldCount(), 4);
}

TEST_F(CalcFixture, FreeingTheLookupDataSetClearsTheLink) {
  TField* city = DS->FindField(u"CITY");
  delete Cities;
  Cities = nullptr;
  EXPECT_EQ(city->GetLookupDataSet(), nullptr);
  DS->Open();
  EXPECT_TRUE(city->GetIsNull());
}

TEST_F(CalcFixture, FieldOfTheWrongTypeForItsColumnIsRefused) {
  auto* wrong = new TBooleanField(Owner.get());
  DS->FieldByName(u"NAME")->SetDataSet(nullptr);
  wrong->SetFieldName(u"NAME");
  wrong->SetDataSet(DS);
  EXPECT_THROW(DS->Open(), EDatabaseError);
  EXPECT_FALSE(DS->GetActive());
}

TEST_F(CalcFixture, FieldChangeEventsAndValidation) {
  DS->Open();
  std::vector<String> seen;
  TField* name = DS->FieldByName(u"NAME");
  name->OnValidate = [&](TField* f) {
    seen.push_back(u"validate " + f->GetAsString());
    if (f->GetAsString() == u"bad") throw EDatabaseError(u"bad name");
  };
  name->OnChange = [&](TField* f) { seen.push_back(u"change " + f->GetAsString()); };
  DS->Edit();
  name->SetAsString(u"good");
  EXPECT_THROW(name->SetAsString(u"bad"), EDatabaseError);
  EXPECT_EQ(name->GetAsString(), u"good");
  EXPECT_EQ(seen, (std::vector<String>{u"validate good", u"change good", u"validate bad"}));
  DS->Cancel();
}

TEST_F(DataSetFixture, FieldNamesAreUniqueWithinADataSet) {
  auto* a = new TIntegerField(Owner.get());
  a->SetFieldName(u"X");
  a->SetDataSet(DS);
  auto* b = new TIntegerField(Owner.get());
  b->SetFieldName(u"x");
  try {
    b->SetDataSet(DS);
    FAIL();
  } catch (EDatabaseError& e) {
    EXPECT_EQ(e.Message(), u"People: Duplicate field name 'x'");
  }
  EXPECT_EQ(b->GetDataSet(), nullptr);
  delete a;  // a freed field leaves its dataset's list
  EXPECT_EQ(DS->FindField(u"X"), nullptr);
}

TEST_F(DataSetFixture, ChangingFieldsOfAnOpenDataSetIsRefused) {
  DS->Open();
  auto* f = new TIntegerField(Owner.get());
  EXPECT_THROW(f->SetDataSet(DS), EDatabaseError);
  EXPECT_THROW(DS->FieldByName(u"ID")->SetFieldName(u"OTHER"), EDatabaseError);
}

TEST_F(DataSetFixture, RefreshKeepsThePosition) {
  DS->Open();
  DS->MoveBy(5);
  DS->Refresh();
  EXPECT_EQ(Id(), 6);
}

TEST_F(DataSetFixture, ScrollingEveryRecordReusesTheSameBuffers) {
  TTestDataSet big;
  big.GetFieldDefs()->Add(u"N", ftInteger);
  for (int i = 0; i < 20000; ++i) big.AddRow({Variant(i)});
  TDataSource src(nullptr);
  src.SetDataSet(&big);
  TRecordingLink link;
  link.SetBufferCount(40);
  link.SetDataSource(&src);
  big.Open();
  Integer pool = big.AllocatedBuffers();
  EXPECT_EQ(pool, 41);
  Integer n = 0;
  while (!big.Eof()) {
    big.Next();
    ++n;
  }
  EXPECT_EQ(n, 20000);
  EXPECT_EQ(big.AllocatedBuffers(), pool);
  EXPECT_EQ(big.FieldByName(u"N")->GetAsInteger(), 19999);
  EXPECT_EQ(link.GetActiveRecord(), 39);
  link.SetDataSource(nullptr);
}

}  // namespace

namespace {

TEST(FieldTypeOrdinals, KeepThePlatformsOrder) {
  EXPECT_EQ(ftUnknown, 0);
  EXPECT_EQ(ftString, 1);
  EXPECT_EQ(ftAutoInc, 14);
  EXPECT_EQ(ftWideString, 24);
  EXPECT_EQ(ftGuid, 35);
  EXPECT_EQ(ftFMTBcd, 37);
  EXPECT_EQ(ftFixedWideChar, 38);
  EXPECT_EQ(ftWideMemo, 39);
  EXPECT_EQ(ftOraInterval, 41);
  EXPECT_EQ(ftExtended, 45);
  EXPECT_EQ(ftStream, 48);
  EXPECT_EQ(String(FieldTypeName(ftWideMemo)), u"ftWideMemo");
  TFieldType t;
  ASSERT_TRUE(FieldTypeFromName(u"FTLARGEINT", t));
  EXPECT_EQ(t, ftLargeint);
  EXPECT_FALSE(FieldTypeFromName(u"ftNothing", t));
}

struct MasterDetail : ::testing::Test {
  TTestDataSet Master, Detail;
  TDataSource MasterSource{nullptr};
  TMasterDataLink Link{&Detail};
  int Changes = 0, Disables = 0;
  void SetUp() override {
    Master.GetFieldDefs()->Add(u"ID", ftInteger);
    for (int i = 1; i <= 3; ++i) Master.AddRow({Variant(i)});
    Detail.GetFieldDefs()->Add(u"MASTER_ID", ftInteger);
    Detail.GetFieldDefs()->Add(u"TEXT", ftString, 10);
    Detail.AddRow({Variant(1), Variant(u"a")});
    MasterSource.SetDataSet(&Master);
    Link.SetFieldNames(u"ID");
    Link.OnMasterChange = [this](TObject*) { ++Changes; };
    Link.OnMasterDisable = [this](TObject*) { ++Disables; };
    Link.SetDataSource(&MasterSource);
    Detail.Open();
  }
  void TearDown() override { Link.SetDataSource(nullptr); }
};

TEST_F(MasterDetail, DetailHearsMasterMovesAndFollowsItsBrowseMode) {
  Master.Open();
  ASSERT_EQ(Link.GetFields().size(), 1u);
  EXPECT_EQ(Changes, 1);
  Master.Next();
  EXPECT_EQ(Changes, 2);
  Detail.Edit();
  Detail.FieldByName(u"TEXT")->SetAsString(u"b");
  Master.Next();  // the master's move posts the detail's edit first
  EXPECT_EQ(Detail.GetState(), dsBrowse);
  EXPECT_EQ(Detail.Cell(0, 1).AsString(), u"b");
  Master.Close();
  EXPECT_EQ(Disables, 1);
  EXPECT_TRUE(Link.GetFields().empty());
  EXPECT_TRUE(MasterSource.IsLinkedTo(&Detail));
}

TEST_F(MasterDetail, ADataSourceCannotShowItsOwnDetail) {
  // MasterSource already drives Detail; showing Detail through it would loop.
  try {
    MasterSource.SetDataSet(&Detail);
    FAIL();
  } catch (EDatabaseError& e) {
    EXPECT_EQ(e.Message(), u"Circular datalinks are not allowed");
  }
  EXPECT_EQ(MasterSource.GetDataSet(), &Master);
}

struct DetailDataSet : TTestDataSet {
  TDataSource* Master = nullptr;
  TDataSource* GetDataSource() const override { return Master; }
};

TEST(MasterChain, IsLinkedToWalksTheMasters) {
  DetailDataSet a, b;
  TDataSource sa(nullptr), sb(nullptr);
  sa.SetDataSet(&a);
  sb.SetDataSet(&b);
  a.Master = &sb;                  // a follows b
  EXPECT_TRUE(b.IsLinkedTo(&sa));  // b following a would close the circle
  EXPECT_FALSE(a.IsLinkedTo(&sb));
  EXPECT_TRUE(a.IsLinkedTo(&sa));
}

}  // namespace
