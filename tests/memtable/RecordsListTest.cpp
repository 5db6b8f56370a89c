#include <gtest/gtest.h>

#include "MemTestUtil.h"
#include "editors/DaVirVCL.h"
#include "platform/core/Exceptions.h"

namespace {

class RecordsList : public ::testing::Test {
protected:
  RecordsList() : store(nullptr) { BuildTestColumns(store); }
  TRecordsListEh* List() { return store.GetRecordsList(); }
  String NameAt(Integer i) { return List()->GetRecord(i)->GetValue(TestColumns::NAME, rvvValueEh).AsString(); }
  void Rename(Integer i, const String& name) {
    TMemoryRecordEh* r = List()->GetRecord(i);
    r->Edit();
    r->SetValue(TestColumns::NAME, rvvValueEh, Variant(name));
    r->Post();
  }
  void CheckPositions() {
    for (Integer i = 0; i < List()->GetCount(); ++i) ASSERT_EQ(List()->GetRecord(i)->GetIndex(), i);
  }
  TMemTableDataEh store;
};

}  // namespace

// ---- cached updates ---------------------------------------------------------

TEST_F(RecordsList, CachedEditsKeepTheValuesFromBeforeTheFirstPost) {
  AppendRecord(store, 1, u"исходное");
  List()->SetCachedUpdates(true);
  Rename(0, u"первое");
  Rename(0, u"второе");
  TMemoryRecordEh* r = List()->GetRecord(0);
  EXPECT_EQ(r->GetUpdateStatus(), rusModifiedEh);
  EXPECT_EQ(r->GetValue(TestColumns::NAME, rvvOldValueEh).AsString(), u"исходное");
  EXPECT_EQ(List()->GetPendingList().size(), 1u);
  EXPECT_TRUE(List()->HasCachedChanges());

  List()->CancelUpdates();
  EXPECT_EQ(NameAt(0), u"исходное");
  EXPECT_EQ(r->GetUpdateStatus(), rusUnmodifiedEh);
  EXPECT_FALSE(r->HasOldValues());
  EXPECT_FALSE(List()->HasCachedChanges());
}

TEST_F(RecordsList, CachedInsertsAreDroppedByCancelUpdates) {
  AppendRecord(store, 1, u"a");
  AppendRecord(store, 2, u"b");
  List()->SetCachedUpdates(true);
  TMemoryRecordEh* r = List()->NewRecord();
  r->SetValue(TestColumns::NAME, rvvValueEh, Variant(u"new"));
  List()->InsertRecordAt(1, r);
  EXPECT_EQ(r->GetUpdateStatus(), rusInsertedEh);
  EXPECT_EQ(NameAt(1), u"new");
  CheckPositions();
  List()->CancelUpdates();
  ASSERT_EQ(List()->GetCount(), 2);
  EXPECT_EQ(NameAt(0), u"a");
  EXPECT_EQ(NameAt(1), u"b");
  CheckPositions();
}

TEST_F(RecordsList, CachedDeleteMarksTheRecordAndKeepsIt) {
  AppendRecord(store, 1, u"a");
  AppendRecord(store, 2, u"b");
  List()->SetCachedUpdates(true);
  NotificationLog log(store);
  List()->DeleteRecord(0);
  EXPECT_EQ(List()->GetCount(), 2);
  EXPECT_EQ(List()->GetRecord(0)->GetUpdateStatus(), rusDeletedEh);
  EXPECT_EQ(log.Take(), std::vector<std::string>{"9:0"});
  EXPECT_EQ(MessageOf<Exception>([&] { List()->DeleteRecord(0); }), u"Can not MarkDel Deleted record");

  List()->CancelUpdates();
  EXPECT_EQ(List()->GetRecord(0)->GetUpdateStatus(), rusUnmodifiedEh);
  EXPECT_EQ(List()->GetCount(), 2);
}

TEST_F(RecordsList, DeletingARecordInsertedSinceTheMergeFreesItAtOnce) {
  List()->SetCachedUpdates(true);
  AppendRecord(store, 1, u"a");
  EXPECT_EQ(List()->GetRecord(0)->GetUpdateStatus(), rusInsertedEh);
  List()->DeleteRecord(0);
  EXPECT_EQ(List()->GetCount(), 0);
  EXPECT_FALSE(List()->HasCachedChanges());
}

TEST_F(RecordsList, DeletingManyAtOnceTakesEachAsDeleteRecordAndTellsOneChangeOfTheList) {
  for (int i = 0; i < 5; ++i) AppendRecord(store, i, String(1, static_cast<Char>(u'a' + i)));
  List()->SetCachedUpdates(true);
  AppendRecord(store, 5, u"f");  // inserted since: it leaves the list
  std::vector<TMemoryRecordEh*> doomed{List()->GetRecord(5), List()->GetRecord(1), List()->GetRecord(3)};
  NotificationLog log(store);
  List()->DeleteRecords(doomed);
  EXPECT_EQ(log.Take(), std::vector<std::string>{"7:-1"});
  ASSERT_EQ(List()->GetCount(), 5);
  CheckPositions();
  EXPECT_EQ(NameAt(4), u"e");
  EXPECT_EQ(List()->GetRecord(1)->GetUpdateStatus(), rusDeletedEh);
  EXPECT_EQ(List()->GetRecord(3)->GetUpdateStatus(), rusDeletedEh);
  EXPECT_EQ(List()->GetRecord(2)->GetUpdateStatus(), rusUnmodifiedEh);
  // A record already marked: refused before anything changes.
  doomed = {List()->GetRecord(0), List()->GetRecord(1)};
  EXPECT_EQ(MessageOf<Exception>([&] { List()->DeleteRecords(doomed); }), u"Can not MarkDel Deleted record");
  EXPECT_EQ(List()->GetRecord(0)->GetUpdateStatus(), rusUnmodifiedEh);
  List()->CancelUpdates();
  EXPECT_EQ(List()->GetCount(), 5);

  // Without cached updates every one leaves, the rest closing up in order.
  List()->SetCachedUpdates(false);
  doomed = {List()->GetRecord(0), List()->GetRecord(2), List()->GetRecord(4)};
  List()->DeleteRecords(doomed);
  ASSERT_EQ(List()->GetCount(), 2);
  CheckPositions();
  EXPECT_EQ(NameAt(0), u"b");
  EXPECT_EQ(NameAt(1), u"d");
}

TEST_F(RecordsList, CancelUpdatesRevertsAnEditedThenDeletedRecord) {
  AppendRecord(store, 1, u"исходное");
  List()->SetCachedUpdates(true);
  Rename(0, u"изменённое");
  List()->DeleteRecord(0);
  TMemoryRecordEh* r = List()->GetRecord(0);
  EXPECT_EQ(r->GetUpdateStatus(), rusDeletedEh);
  // What the record was before any change is still known to the log.
  EXPECT_EQ(r->GetValue(TestColumns::NAME, rvvOldestValueEh).AsString(), u"исходное");
  List()->CancelUpdates();
  EXPECT_EQ(NameAt(0), u"исходное");
  EXPECT_EQ(r->GetUpdateStatus(), rusUnmodifiedEh);
}

TEST_F(RecordsList, MergeChangeLogMakesChangesFinal) {
  AppendRecord(store, 1, u"a");
  AppendRecord(store, 2, u"b");
  AppendRecord(store, 3, u"c");
  List()->SetCachedUpdates(true);
  Rename(0, u"a2");
  List()->DeleteRecord(1);
  AppendRecord(store, 4, u"d");
  NotificationLog log(store);
  List()->MergeChangeLog();
  EXPECT_EQ(log.Take(), (std::vector<std::string>{"4:1", "5:1"}));
  ASSERT_EQ(List()->GetCount(), 3);
  EXPECT_EQ(NameAt(0), u"a2");
  EXPECT_EQ(NameAt(1), u"c");
  EXPECT_EQ(NameAt(2), u"d");
  CheckPositions();
  for (Integer i = 0; i < 3; ++i) {
    EXPECT_EQ(List()->GetRecord(i)->GetUpdateStatus(), rusUnmodifiedEh);
    EXPECT_EQ(List()->GetRecord(i)->GetPendingIndex(), -1);
  }
  EXPECT_FALSE(List()->HasCachedChanges());
  EXPECT_TRUE(List()->GetDeletedList().empty());
  // Merged changes do not come back.
  List()->CancelUpdates();
  EXPECT_EQ(List()->GetCount(), 3);
  EXPECT_EQ(NameAt(0), u"a2");
}

TEST_F(RecordsList, MergingOneRecordLeavesItsDeletionPendingFreeing) {
  AppendRecord(store, 1, u"a");
  AppendRecord(store, 2, u"b");
  List()->SetCachedUpdates(true);
  List()->DeleteRecord(0);
  TMemoryRecordEh* r = List()->GetRecord(0);
  r->MergeChangeLog();
  EXPECT_EQ(List()->GetCount(), 1);
  EXPECT_EQ(List()->GetDeletedList().size(), 1u);
  EXPECT_FALSE(List()->HasCachedChanges());
  List()->CleanupChangeLog();
  EXPECT_TRUE(List()->GetDeletedList().empty());
  EXPECT_TRUE(List()->GetPendingList().empty());
  EXPECT_EQ(NameAt(0), u"b");
}

// ---- positions and moves ------------------------------------------------------

TEST_F(RecordsList, InsertMoveExtractRenumber) {
  for (int i = 0; i < 5; ++i) AppendRecord(store, i, String(1, static_cast<Char>(u'a' + i)));
  NotificationLog log(store);
  List()->MoveRecord(0, 3);
  EXPECT_EQ(log.Take(), std::vector<std::string>{"moved:0>3"});
  EXPECT_EQ(NameAt(3), u"a");
  EXPECT_EQ(NameAt(0), u"b");
  CheckPositions();
  List()->MoveRecord(2, 2);
  EXPECT_TRUE(log.Take().empty());

  TMemoryRecordEh* x = List()->ExtractRecord(1);
  EXPECT_EQ(List()->GetCount(), 4);
  CheckPositions();
  List()->LoadRecord(x);  // an extracted record may come back
  EXPECT_EQ(List()->GetRecord(4), x);
  EXPECT_EQ(MessageOf<Exception>([&] { List()->LoadRecord(x); }), u"The record already attached to RecordsList.");

  TMemTableDataEh other(nullptr);
  BuildTestColumns(other);
  TMemoryRecordEh* foreign = other.GetRecordsList()->NewRecord();
  EXPECT_EQ(MessageOf<Exception>([&] { List()->AddRecord(foreign); }), u"Record.RecordsList is not the same.");
  foreign->Cancel();
  TMemoryRecordEh* stray = List()->NewRecord();
  EXPECT_THROW(List()->InsertRecordAt(99, stray), EListError);
  EXPECT_EQ(stray->GetEditState(), resNewEh);
  stray->Cancel();
}

TEST_F(RecordsList, SortDataOrdersAndRenumbers) {
  const char16_t* names[] = {u"Щука", u"арбуз", u"Яблоко", u"ёж", u"Баня", u"вода"};
  for (int i = 0; i < 6; ++i) AppendRecord(store, i, names[i]);
  NotificationLog log(store);
  List()->SortData(
      [](TMemoryRecordEh* a, TMemoryRecordEh* b, TObject*) {
        return CompareTextUserLocaleEh(a->GetValue(TestColumns::NAME, rvvValueEh).AsString(),
                                       b->GetValue(TestColumns::NAME, rvvValueEh).AsString());
      },
      nullptr);
  std::vector<String> got;
  for (Integer i = 0; i < List()->GetCount(); ++i) got.push_back(NameAt(i));
  EXPECT_EQ(got, (std::vector<String>{u"арбуз", u"Баня", u"вода", u"ёж", u"Щука", u"Яблоко"}));
  CheckPositions();
  EXPECT_EQ(log.Take(), std::vector<std::string>{"7:-1"});
}

TEST(QuickSort, SortsAndToleratesAnInconsistentComparison) {
  std::vector<int> v{5, 3, 9, 1, 1, 8, 2, 7, 0, 6};
  QuickSortEh(v, 0, static_cast<Integer>(v.size()) - 1, [](int a, int b) { return a - b; });
  EXPECT_TRUE(std::is_sorted(v.begin(), v.end()));
  // A comparison that never answers "equal" cannot run the scans off the list.
  std::vector<int> w(50, 1);
  QuickSortEh(w, 0, 49, [](int, int) { return -1; });
  EXPECT_EQ(w.size(), 50u);
}

// ---- notifications --------------------------------------------------------------

TEST_F(RecordsList, NotificationsComeInOrder) {
  NotificationLog log(store);
  AppendRecord(store, 1, u"a");
  EXPECT_EQ(log.Take(), (std::vector<std::string>{"0:0", "1:0"}));
  TMemoryRecordEh* r = List()->NewRecord();
  List()->InsertRecordAt(0, r);
  EXPECT_EQ(log.Take(), (std::vector<std::string>{"0:0", "1:0"}));
  Rename(1, u"b");
  EXPECT_EQ(log.Take(), (std::vector<std::string>{"2:1", "3:1"}));
  List()->DeleteRecord(0);
  EXPECT_EQ(log.Take(), (std::vector<std::string>{"4:0", "5:0"}));
  List()->Clear();
  EXPECT_EQ(log.Take(), (std::vector<std::string>{"7:-1"}));
}

TEST_F(RecordsList, UpdateBracketHoldsNotificationsBack) {
  NotificationLog log(store);
  List()->BeginUpdate();
  List()->BeginUpdate();
  AppendRecord(store, 1, u"a");
  AppendRecord(store, 2, u"b");
  List()->EndUpdate();
  EXPECT_TRUE(log.Take().empty());
  List()->EndUpdate();
  EXPECT_EQ(log.Take(), (std::vector<std::string>{"7:-1"}));
  List()->EndUpdate();  // unmatched: nothing happens
  EXPECT_TRUE(log.Take().empty());
}

TEST_F(RecordsList, AttachingANotificatorTellsItTheListChanged) {
  TRecordsListNotificatorEh n(nullptr);
  std::vector<int> codes;
  std::vector<std::string> calls;
  n.OnNotification = [&](TObject* Sender, TMemoryRecordEh*, Integer, TRecordsListNotificationEh a) {
    EXPECT_EQ(Sender, &n);
    codes.push_back(a);
  };
  n.SetMemTableData(&store);
  EXPECT_EQ(codes, (std::vector<int>{6, 7}));
  EXPECT_EQ(n.GetMemTableData(), &store);
  EXPECT_EQ(store.GetNotificators().size(), 1u);
  codes.clear();
  n.SetMemTableData(nullptr);
  EXPECT_EQ(codes, (std::vector<int>{6, 7}));
  EXPECT_TRUE(store.GetNotificators().empty());
}

TEST(RecordsListLifetime, NotificatorsDetachWhenTheStoreGoesFirst) {
  TRecordsListNotificatorEh n(nullptr);
  {
    TMemTableDataEh store(nullptr);
    BuildTestColumns(store);
    n.SetMemTableData(&store);
    AppendRecord(store, 1, u"a");
  }
  EXPECT_EQ(n.GetMemTableData(), nullptr);
  EXPECT_EQ(n.GetMemTableDataSource(), nullptr);
}

TEST(RecordsListLifetime, FetchAsksEveryNotificator) {
  TMemTableDataEh store(nullptr);
  TRecordsListNotificatorEh a(nullptr), b(nullptr), c(nullptr);
  a.OnFetchRecords = [](TObject*, Integer Count) { return Count; };
  b.OnFetchRecords = [](TObject*, Integer) { return 2; };
  a.SetMemTableData(&store);
  b.SetMemTableData(&store);
  c.SetMemTableData(&store);
  EXPECT_EQ(store.FetchRecords(10), 12);
}

// ---- the apply hook ----------------------------------------------------------------

namespace {

struct ApplyRecorder {
  struct Entry {
    TRecUpdateStatusEh Status;
    String Name;
    String OldName;
    bool HasOld;
  };
  std::vector<Entry> Entries;
  void Hook(TMemTableDataEh* ChangeSet) {
    TRecordsListEh* rl = ChangeSet->GetRecordsList();
    ASSERT_EQ(rl->GetCount(), 1);
    TMemoryRecordEh* r = rl->GetRecord(0);
    Entry e{r->GetUpdateStatus(), VarToStr(r->GetValue(TestColumns::NAME, rvvValueEh)), u"", r->HasOldValues()};
    if (e.HasOld) e.OldName = VarToStr(r->GetValue(TestColumns::NAME, rvvOldValueEh));
    Entries.push_back(e);
  }
};

}  // namespace

TEST_F(RecordsList, WithoutCachedUpdatesEveryChangeReachesTheApplyHook) {
  TRecordsListNotificatorEh n(nullptr);
  ApplyRecorder rec;
  n.OnApplyUpdates = [&](TObject*, TMemTableDataEh* cs) { rec.Hook(cs); };
  n.SetMemTableData(&store);

  AppendRecord(store, 1, u"a");
  Rename(0, u"b");
  List()->DeleteRecord(0);
  ASSERT_EQ(rec.Entries.size(), 3u);
  EXPECT_EQ(rec.Entries[0].Status, rusInsertedEh);
  EXPECT_EQ(rec.Entries[0].Name, u"a");
  EXPECT_EQ(rec.Entries[1].Status, rusModifiedEh);
  EXPECT_EQ(rec.Entries[1].Name, u"b");
  EXPECT_TRUE(rec.Entries[1].HasOld);
  EXPECT_EQ(rec.Entries[1].OldName, u"a");
  EXPECT_EQ(rec.Entries[2].Status, rusDeletedEh);
  EXPECT_EQ(rec.Entries[2].Name, u"b");
  EXPECT_EQ(List()->GetCount(), 0);
}

TEST_F(RecordsList, ValuesSetByTheApplyHookArriveInTheRecord) {
  TRecordsListNotificatorEh n(nullptr);
  n.OnApplyUpdates = [](TObject*, TMemTableDataEh* cs) {
    cs->GetRecordsList()->GetRecord(0)->SetValue(TestColumns::ID, rvvValueEh, Variant(1000));
  };
  n.SetMemTableData(&store);
  TMemoryRecordEh* r = AppendRecord(store, 1, u"a");
  EXPECT_EQ(r->GetValue(TestColumns::ID, rvvValueEh).AsInteger(), 1000);
}

TEST_F(RecordsList, ARefusedApplyLeavesEverythingAsItWas) {
  AppendRecord(store, 1, u"a");
  TRecordsListNotificatorEh n(nullptr);
  n.OnApplyUpdates = [](TObject*, TMemTableDataEh*) { throw EDatabaseError(u"refused"); };
  n.SetMemTableData(&store);

  TMemoryRecordEh* fresh = List()->NewRecord();
  fresh->SetValue(TestColumns::NAME, rvvValueEh, Variant(u"x"));
  EXPECT_THROW(fresh->Post(), EDatabaseError);
  EXPECT_EQ(List()->GetCount(), 1);
  EXPECT_EQ(fresh->GetEditState(), resNewEh);
  fresh->Cancel();

  TMemoryRecordEh* r = List()->GetRecord(0);
  r->Edit();
  r->SetValue(TestColumns::NAME, rvvValueEh, Variant(u"b"));
  EXPECT_THROW(r->Post(), EDatabaseError);
  EXPECT_EQ(r->GetEditState(), resEditEh);
  r->Cancel();
  EXPECT_EQ(NameAt(0), u"a");

  EXPECT_THROW(List()->DeleteRecord(0), EDatabaseError);
  EXPECT_EQ(List()->GetCount(), 1);
  CheckPositions();
}

TEST_F(RecordsList, CachedChangesDoNotReachTheApplyHook) {
  TRecordsListNotificatorEh n(nullptr);
  int calls = 0;
  n.OnApplyUpdates = [&](TObject*, TMemTableDataEh*) { ++calls; };
  n.SetMemTableData(&store);
  List()->SetCachedUpdates(true);
  AppendRecord(store, 1, u"a");
  Rename(0, u"b");
  List()->DeleteRecord(0);
  EXPECT_EQ(calls, 0);
}

TEST_F(RecordsList, LoadRecordArrivesUnchangedEvenInCachedMode) {
  AddColumn(store, TMTNumericDataFieldEh::StaticComponentClass(), ftAutoInc, u"AI");
  TRecordsListNotificatorEh n(nullptr);
  int calls = 0;
  n.OnApplyUpdates = [&](TObject*, TMemTableDataEh*) { ++calls; };
  n.SetMemTableData(&store);
  List()->SetCachedUpdates(true);
  TMemoryRecordEh* r = List()->NewRecord();
  List()->LoadRecord(r);
  EXPECT_EQ(r->GetUpdateStatus(), rusUnmodifiedEh);
  EXPECT_TRUE(r->GetValue(TestColumns::COUNT, rvvValueEh).IsNull());
  EXPECT_TRUE(List()->GetCachedUpdates());
  EXPECT_EQ(calls, 0);
}
