// The records view: sort-order texts, sorting, filtering, the record-by-record
// upkeep and its events, flat and as a parent/child tree.

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "memtable/MemTableDataEh.h"
#include "platform/core/Strings.h"
#include "tests/memtable/MemTestUtil.h"

namespace {

constexpr unsigned kRandomStart = 7122026;

enum { ID_THIS, ID_PARENT, NPP, NAME_THIS, MY_FIELD, KEY_S, PARENT_S };

void BuildTreeColumns(TMemTableDataEh& Store) {
  AddColumn(Store, TMTNumericDataFieldEh::StaticComponentClass(), ftInteger, u"ID_THIS");
  AddColumn(Store, TMTNumericDataFieldEh::StaticComponentClass(), ftInteger, u"ID_PARENT");
  AddColumn(Store, TMTNumericDataFieldEh::StaticComponentClass(), ftInteger, u"NPP");
  AddColumn(Store, TMTStringDataFieldEh::StaticComponentClass(), ftWideString, u"NAME_THIS")->SetSize(50);
  AddColumn(Store, TMTStringDataFieldEh::StaticComponentClass(), ftWideString, u"MY FIELD")->SetSize(50);
  // The same keys as text, for trees whose keys are not whole numbers.
  AddColumn(Store, TMTStringDataFieldEh::StaticComponentClass(), ftWideString, u"KEY_S")->SetSize(10);
  AddColumn(Store, TMTStringDataFieldEh::StaticComponentClass(), ftWideString, u"PARENT_S")->SetSize(10);
}

Variant TextOrNull(Integer V) { return V < 0 ? Null() : Variant(u"k" + IntToStr(V)); }

Variant IntOrNull(Integer V) { return V < 0 ? Null() : Variant(V); }

struct ViewFixture : ::testing::Test {
  TMemTableDataEh Store{nullptr};
  std::unique_ptr<TRecordsViewEh> View;
  std::vector<std::string> Events;

  void SetUp() override {
    BuildTreeColumns(Store);
    View = std::make_unique<TRecordsViewEh>(nullptr);
    View->SetMemTableData(&Store);
    View->OnViewDataEvent = [this](TObject*, TMemoryRecordEh*, Integer Index, TRecordsListNotificationEh Action) {
      Events.push_back("event " + std::to_string(Action) + " at " + std::to_string(Index));
    };
    View->OnViewRecordMoved = [this](TObject*, TMemoryRecordEh*, Integer Old, Integer New) {
      Events.push_back("moved " + std::to_string(Old) + ">" + std::to_string(New));
    };
  }
  void TearDown() override { View.reset(); }

  TRecordsListEh* List() { return Store.GetRecordsList(); }

  TMemoryRecordEh* Add(Integer Id, Integer Parent, Integer Npp, const String& Name) {
    TMemoryRecordEh* r = List()->NewRecord();
    r->SetValue(ID_THIS, rvvValueEh, Variant(Id));
    r->SetValue(ID_PARENT, rvvValueEh, IntOrNull(Parent));
    r->SetValue(NPP, rvvValueEh, Variant(Npp));
    r->SetValue(NAME_THIS, rvvValueEh, Variant(Name));
    r->Post();
    return r;
  }

  void Load(Integer Id, Integer Parent, Integer Npp = 0, const String& Name = u"") {
    TMemoryRecordEh* r = List()->NewRecord();
    r->SetValue(ID_THIS, rvvValueEh, Variant(Id));
    r->SetValue(ID_PARENT, rvvValueEh, IntOrNull(Parent));
    r->SetValue(NPP, rvvValueEh, Variant(Npp));
    r->SetValue(NAME_THIS, rvvValueEh, Variant(Name));
    List()->LoadRecord(r);
  }

  void Edit(TMemoryRecordEh* R, Integer Column, const Variant& Value) {
    R->Edit();
    R->SetValue(Column, rvvValueEh, Value);
    R->Post();
  }

  static Integer Id(TMemoryRecordEh* R) { return R->GetValue(ID_THIS, rvvValueEh).AsInteger(); }

  std::vector<Integer> Shown() {
    std::vector<Integer> ids;
    for (Integer i = 0; i < View->ViewCount(); ++i) ids.push_back(Id(View->ViewRecord(i)));
    return ids;
  }

  // The shown tree as "id:level" in display order.
  std::string Tree() {
    std::string s;
    TMemoryTreeListEh* t = View->GetTreeList();
    for (Integer i = 0; i < t->DisplayedCount(); ++i) {
      TMemRecViewEh* n = t->GetDisplayedNode(i);
      if (!s.empty()) s += " ";
      s += std::to_string(Id(n->GetRec())) + ":" + std::to_string(n->GetLevel());
    }
    return s;
  }

  void TreeMode(bool FullBuildCheck = false) {
    View->SetKeyFieldName(u"ID_THIS");
    View->SetRefParentFieldName(u"ID_PARENT");
    View->GetTreeList()->SetDefaultNodeExpanded(true);
    View->GetTreeList()->SetFullBuildCheck(FullBuildCheck);
    View->SetTreeMode(true);
  }
};

// ---- sort-order texts -------------------------------------------------------------

TEST_F(ViewFixture, SortOrderTextsParseIntoItems) {
  TOrderByList* order = View->GetOrderByList();
  order->ParseOrderBy(u"NPP,NAME_THIS");
  ASSERT_EQ(order->Count(), 2);
  EXPECT_EQ(order->GetItem(0)->FieldIndex, NPP);
  EXPECT_EQ(order->GetItem(1)->FieldIndex, NAME_THIS);
  EXPECT_FALSE(order->GetItem(0)->Desc || order->GetItem(1)->Desc);
  order->ParseOrderBy(u"NPP DESC ; [MY FIELD] ASC");
  ASSERT_EQ(order->Count(), 2);
  EXPECT_TRUE(order->GetItem(0)->Desc);
  EXPECT_EQ(order->GetItem(1)->FieldIndex, MY_FIELD);
  EXPECT_FALSE(order->GetItem(1)->Desc);
  order->ParseOrderBy(u"NPP DESC ASC");
  ASSERT_EQ(order->Count(), 1);
  EXPECT_FALSE(order->GetItem(0)->Desc);
  order->ParseOrderBy(u"   npp    desc   ,name_this  ");
  ASSERT_EQ(order->Count(), 2);
  EXPECT_TRUE(order->GetItem(0)->Desc);
  order->ParseOrderBy(u"NPP,");
  EXPECT_EQ(order->Count(), 1);
  order->ParseOrderBy(u"");
  EXPECT_EQ(order->Count(), 0);
}

TEST_F(ViewFixture, BadSortOrderTextsSayWhatIsWrongAndChangeNothing) {
  View->SetSortOrder(u"NPP");
  auto message = [this](const String& Text) {
    try {
      View->SetSortOrder(Text);
    } catch (const Exception& e) {
      return e.Message();
    }
    return String(u"no error");
  };
  EXPECT_EQ(message(u"NPP,,NAME_THIS"), u" Field - \",\" not found.");
  EXPECT_EQ(message(u"NPP X"), u" Invalid token - \"X\"");
  EXPECT_EQ(message(u"NPP, NOPE DESC"), u" Field - \"NOPE\" not found.");
  EXPECT_EQ(View->GetSortOrder(), u"NPP");
  ASSERT_EQ(View->GetOrderByList()->Count(), 1);
  EXPECT_EQ(View->GetOrderByList()->GetItem(0)->FieldIndex, NPP);
}

// ---- sorting and filtering --------------------------------------------------------

TEST_F(ViewFixture, WithoutASortOrderTheViewKeepsRecordsListOrder) {
  for (Integer id : {3, 1, 2}) Add(id, -1, 0, u"x");
  EXPECT_EQ(Shown(), (std::vector<Integer>{3, 1, 2}));
}

TEST_F(ViewFixture, SortsByFieldsAndDirections) {
  Add(1, -1, 2, u"Борис");
  Add(2, -1, 1, u"анна");
  Add(3, -1, 2, u"Анна");
  Add(4, -1, 1, u"Яков");
  View->SetSortOrder(u"NPP, NAME_THIS");
  EXPECT_EQ(Shown(), (std::vector<Integer>{2, 4, 3, 1}));  // the collator puts "анна" before "Анна"
  View->SetSortOrder(u"NPP DESC, ID_THIS DESC");
  EXPECT_EQ(Shown(), (std::vector<Integer>{3, 1, 4, 2}));
  View->SetSortOrder(u"");
  View->RebuildView();
  EXPECT_EQ(Shown(), (std::vector<Integer>{1, 2, 3, 4}));
}

TEST_F(ViewFixture, NullsSortFirst) {
  TMemoryRecordEh* r = Add(1, -1, 5, u"a");
  Add(2, -1, 3, u"b");
  Edit(r, NPP, Null());
  View->SetSortOrder(u"NPP");
  EXPECT_EQ(Shown(), (std::vector<Integer>{1, 2}));
}

TEST_F(ViewFixture, AHookComparesWhenItIsConnected) {
  for (Integer id : {1, 2, 3}) Add(id, -1, 0, u"x");
  View->OnCompareRecords = [](TObject*, TMemoryRecordEh* a, TMemoryRecordEh* b, TOrderByList*) {
    return Id(b) - Id(a);
  };
  View->SetSortOrder(u"NPP");
  EXPECT_EQ(Shown(), (std::vector<Integer>{3, 2, 1}));
}

TEST_F(ViewFixture, APostedChangeMovesTheRecordAndSaysSo) {
  Add(1, -1, 10, u"a");
  TMemoryRecordEh* b = Add(2, -1, 20, u"b");
  Add(3, -1, 30, u"c");
  View->SetSortOrder(u"NPP");
  Events.clear();
  Edit(b, NPP, Variant(40));
  EXPECT_EQ(Shown(), (std::vector<Integer>{1, 3, 2}));
  EXPECT_EQ(Events, (std::vector<std::string>{"moved 1>2", "event 3 at 2"}));
}

TEST_F(ViewFixture, AChangeTheFilterRefusesRemovesTheRecord) {
  View->OnFilterRecord = [](TObject*, TMemoryRecordEh* R) { return R->GetValue(NPP, rvvValueEh).AsInteger() < 100; };
  Add(1, -1, 10, u"a");
  TMemoryRecordEh* b = Add(2, -1, 20, u"b");
  Add(3, -1, 500, u"c");
  EXPECT_EQ(Shown(), (std::vector<Integer>{1, 2}));
  Events.clear();
  Edit(b, NPP, Variant(200));
  EXPECT_EQ(Shown(), (std::vector<Integer>{1}));
  EXPECT_EQ(Events, (std::vector<std::string>{"event 5 at 1"}));
  Events.clear();
  Edit(b, NPP, Variant(5));
  EXPECT_EQ(Shown(), (std::vector<Integer>{1, 2}));
  EXPECT_EQ(Events, (std::vector<std::string>{"event 1 at 1"}));
}

TEST_F(ViewFixture, RecordsMarkedDeletedHideUnlessTheStatusFilterShowsThem) {
  List()->SetCachedUpdates(true);
  Add(1, -1, 0, u"a");
  Add(2, -1, 0, u"b");
  List()->MergeChangeLog();
  List()->DeleteRecord(0);
  EXPECT_EQ(Shown(), (std::vector<Integer>{2}));
  View->SetStatusFilter({rusUnmodifiedEh, rusModifiedEh, rusInsertedEh, rusDeletedEh});
  View->RebuildView();
  EXPECT_EQ(Shown(), (std::vector<Integer>{1, 2}));
  View->SetStatusFilter({rusUnmodifiedEh, rusModifiedEh, rusInsertedEh});
  List()->CancelUpdates();
  EXPECT_EQ(Shown(), (std::vector<Integer>{1, 2}));  // the deletion is undone
}

TEST_F(ViewFixture, MovingARecordInTheListMovesItInTheView) {
  for (Integer id : {1, 2, 3, 4, 5}) Add(id, -1, 0, u"x");
  List()->MoveRecord(4, 1);
  EXPECT_EQ(Shown(), (std::vector<Integer>{1, 5, 2, 3, 4}));
  List()->MoveRecord(0, 3);
  EXPECT_EQ(Shown(), (std::vector<Integer>{5, 2, 3, 1, 4}));
}

TEST_F(ViewFixture, EditingThroughTheViewGoesToTheRecordsList) {
  Add(1, -1, 3, u"a");
  Add(2, -1, 1, u"b");
  View->SetSortOrder(u"NPP");
  TMemoryRecordEh* r = View->NewRecord();
  r->SetValue(ID_THIS, rvvValueEh, Variant(9));
  r->SetValue(NPP, rvvValueEh, Variant(2));
  View->InsertRecordAt(0, r);  // before the record shown first (ID 2)
  EXPECT_EQ(List()->GetRecord(1), r);
  EXPECT_EQ(Shown(), (std::vector<Integer>{2, 9, 1}));
  View->DeleteRecord(0);
  EXPECT_EQ(Shown(), (std::vector<Integer>{9, 1}));
  EXPECT_EQ(List()->GetCount(), 2);
}

TEST_F(ViewFixture, DependentViewsHearTheViewsEvents) {
  TRecordsViewEh second(nullptr);
  second.SetMemTableData(View.get());
  View->OnFilterRecord = [](TObject*, TMemoryRecordEh* R) { return R->GetValue(NPP, rvvValueEh).AsInteger() > 0; };
  Add(1, -1, 1, u"a");
  Add(2, -1, 0, u"b");
  Add(3, -1, 2, u"c");
  std::vector<Integer> ids;
  for (Integer i = 0; i < second.ViewCount(); ++i) ids.push_back(Id(second.ViewRecord(i)));
  EXPECT_EQ(ids, (std::vector<Integer>{1, 3}));
  EXPECT_EQ(View->GetDependentViews().size(), 1u);
  View.reset();  // leaving, it lets its dependent go
  EXPECT_EQ(second.GetSource(), nullptr);
}

TEST_F(ViewFixture, AggregatesCountTheShownRows) {
  View->OnFilterRecord = [](TObject*, TMemoryRecordEh* R) { return R->GetValue(NPP, rvvValueEh).AsInteger() > 0; };
  Add(1, -1, 1, u"a");
  Add(2, -1, 0, u"b");
  Add(3, -1, 2, u"c");
  EXPECT_EQ(View->GetAggregateRowCount(), 2);
  EXPECT_EQ(Id(View->GetAggregateRow(1)), 3);
}

// ---- the parent/child tree ------------------------------------------------------------

TEST_F(ViewFixture, ParentsFirstBuildTheTreeThroughThePathCache) {
  Load(1, -1);
  Load(2, 1);
  Load(3, 2);
  Load(4, 2);
  Load(5, 1);
  Load(6, -1);
  Load(7, 6);
  TreeMode();
  const std::string viaCache = Tree();
  EXPECT_EQ(viaCache, "1:1 2:2 3:3 4:3 5:2 6:1 7:2");
  // The same tree when parents are found through an index on the key.
  View->SetTreeMode(false);
  TMTIndexEh* index = List()->GetIndexes()->Add();
  index->SetFields(u"ID_THIS");
  index->SetActive(true);
  View->SetTreeMode(true);
  EXPECT_EQ(Tree(), viaCache);
}

TEST_F(ViewFixture, AChildBeforeItsParentWaitsAtTheTopUnlessTheFullCheckIsOn) {
  Load(2, 1);
  Load(1, -1);
  TreeMode(false);
  EXPECT_EQ(Tree(), "2:1 1:1");
  View->SetTreeMode(false);
  View->GetTreeList()->SetFullBuildCheck(true);
  View->SetTreeMode(true);
  EXPECT_EQ(Tree(), "1:1 2:2");
}

TEST_F(ViewFixture, LoopsInParentKeysAreRefusedBeforeTheyAreStored) {
  TreeMode();
  Add(1, -1, 0, u"a");
  TMemoryRecordEh* b = Add(2, 1, 0, u"b");
  Add(3, 2, 0, u"c");
  TMemoryRecordEh* self = List()->NewRecord();
  self->SetValue(ID_THIS, rvvValueEh, Variant(9));
  self->SetValue(ID_PARENT, rvvValueEh, Variant(9));
  try {
    self->Post();
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), u"Reference-loop found");
  }
  self->Cancel();
  EXPECT_EQ(List()->GetCount(), 3);
  TMemoryRecordEh* a = List()->GetRecord(0);
  a->Edit();
  a->SetValue(ID_PARENT, rvvValueEh, Variant(3));  // under its own grandchild
  EXPECT_THROW(a->Post(), Exception);
  a->Cancel();
  EXPECT_TRUE(a->GetValue(ID_PARENT, rvvValueEh).IsNull());
  EXPECT_EQ(Tree(), "1:1 2:2 3:3");
  Edit(b, ID_PARENT, Null());  // a legal move
  EXPECT_EQ(Tree(), "1:1 2:1 3:2");
}

TEST_F(ViewFixture, OrphansCyclesAndDeepChainsLoadWithoutHanging) {
  List()->BeginUpdate();
  Load(1, 2);  // 1 and 2 name each other
  Load(2, 1);
  Load(3, 3);                                                                 // names itself
  Load(4, 99);                                                                // names nobody
  for (Integer id = 100; id < 1600; ++id) Load(id, id == 100 ? -1 : id - 1);  // 1500 deep
  List()->EndUpdate();
  for (bool full : {false, true}) {
    View->SetTreeMode(false);
    TreeMode(full);
    TMemoryTreeListEh* t = View->GetTreeList();
    EXPECT_EQ(t->DisplayedCount(), List()->GetCount());
    Integer deepest = 0;
    for (Integer i = 0; i < t->DisplayedCount(); ++i) deepest = std::max(deepest, t->GetDisplayedNode(i)->GetLevel());
    EXPECT_EQ(deepest, t->GetMaxLevel());
    EXPECT_EQ(t->NodeOfRecord(List()->GetRecord(2))->GetLevel(), 1);  // the self-parent is at the top
    EXPECT_EQ(t->NodeOfRecord(List()->GetRecord(3))->GetLevel(), 1);  // so is the orphan
    // The pair: one of them sits under the other, never both.
    const Integer l1 = t->NodeOfRecord(List()->GetRecord(0))->GetLevel();
    const Integer l2 = t->NodeOfRecord(List()->GetRecord(1))->GetLevel();
    EXPECT_EQ(l1 + l2, 3);
  }
}

TEST_F(ViewFixture, DeletingAGroupMovesItsChildrenToTheTop) {
  TreeMode();
  Add(1, -1, 0, u"g");
  Add(2, 1, 0, u"a");
  Add(3, 2, 0, u"b");
  Add(4, 1, 0, u"c");
  List()->DeleteRecord(0);
  EXPECT_EQ(Tree(), "2:1 3:2 4:1");
}

TEST_F(ViewFixture, AMatchingLeafKeepsItsAncestorsVisible) {
  View->OnFilterRecord = [](TObject*, TMemoryRecordEh* R) {
    return R->GetValue(NAME_THIS, rvvValueEh).AsString() == u"hit";
  };
  Load(1, -1, 0, u"g");
  Load(2, 1, 0, u"sub");
  Load(3, 2, 0, u"hit");
  Load(4, 2, 0, u"miss");
  Load(5, -1, 0, u"hit");
  Load(6, 5, 0, u"miss");
  TreeMode();
  EXPECT_EQ(Tree(), "1:1 2:2 3:3 5:1");
  View->GetTreeList()->SetFilterNodeIfParentVisible(false);
  View->RebuildView();
  EXPECT_EQ(Tree(), "1:1 2:2 3:3 5:1 6:2");
  EXPECT_EQ(View->GetAggregateRowCount(), 5);
}

TEST_F(ViewFixture, SiblingsFollowRecordsListOrderOrTheSortOrder) {
  Load(1, -1, 2, u"b");
  Load(2, 1, 2, u"x");
  Load(3, 1, 1, u"z");
  Load(4, 1, 1, u"y");
  Load(5, -1, 1, u"a");
  TreeMode();
  EXPECT_EQ(Tree(), "1:1 2:2 3:2 4:2 5:1");
  View->SetSortOrder(u"NPP,NAME_THIS");
  EXPECT_EQ(Tree(), "5:1 1:1 4:2 3:2 2:2");
  EXPECT_EQ(Shown(), (std::vector<Integer>{5, 1, 4, 3, 2}));
}

TEST_F(ViewFixture, CollapsedNodesHideTheirChildrenFromTheRows) {
  Load(1, -1);
  Load(2, 1);
  Load(3, -1);
  TreeMode();
  View->GetTreeList()->NodeOfRecord(List()->GetRecord(0))->SetExpanded(false);
  EXPECT_EQ(Shown(), (std::vector<Integer>{1, 3}));
  EXPECT_EQ(View->IndexOfRecord(List()->GetRecord(2)), 1);
  EXPECT_EQ(View->GetAggregateRowCount(), 3);
}

// ---- kept in step: random changes against a view built from scratch ----------------------

struct StepCase {
  bool Tree;
  bool Sorted;
  bool Filtered;
  bool TextKeys = false;
};

class ViewInStep : public ViewFixture, public ::testing::WithParamInterface<StepCase> {
protected:
  static bool Accept(TMemoryRecordEh* R) { return R->GetValue(NPP, rvvValueEh).AsInteger() % 3 != 0; }

  void Configure(TRecordsViewEh& V) {
    const StepCase c = GetParam();
    if (c.Filtered) V.OnFilterRecord = [](TObject*, TMemoryRecordEh* R) { return Accept(R); };
    V.SetKeyFieldName(c.TextKeys ? u"KEY_S" : u"ID_THIS");
    V.SetRefParentFieldName(c.TextKeys ? u"PARENT_S" : u"ID_PARENT");
    V.GetTreeList()->SetDefaultNodeExpanded(true);
    V.GetTreeList()->SetFullBuildCheck(true);
    if (c.Sorted) V.SetSortOrder(u"NPP DESC, ID_THIS");
    if (c.Tree) V.SetTreeMode(true);
    else V.RebuildView();
  }

  // Records with their levels, as shown, and the rows the aggregates see.
  static std::string Picture(TRecordsViewEh& V) {
    std::string s;
    for (Integer i = 0; i < V.ViewCount(); ++i) {
      TMemoryRecordEh* r = V.ViewRecord(i);
      s += std::to_string(Id(r));
      if (V.GetTreeMode()) s += ":" + std::to_string(V.GetTreeList()->GetDisplayedNode(i)->GetLevel());
      s += " ";
    }
    s += "| " + std::to_string(V.GetAggregateRowCount());
    return s;
  }

  // The tree's rows against a walk of its shown nodes: read backwards, in a
  // scattered order and found again by their records.
  static void ExpectRowsAsWalked(TRecordsViewEh& V) {
    TMemoryTreeListEh* t = V.GetTreeList();
    std::vector<TBaseTreeNodeEh*> walked;
    for (TBaseTreeNodeEh* n = t->GetFirstVisible(); n; n = t->GetNextVisible(n, true)) walked.push_back(n);
    const auto count = static_cast<Integer>(walked.size());
    ASSERT_EQ(V.ViewCount(), count);
    for (Integer i = count - 1; i >= 0; --i) ASSERT_EQ(t->GetDisplayedNode(i), walked[static_cast<size_t>(i)]);
    for (Integer k = 0; k < count; ++k) {
      const Integer i = (k * 7919) % count;
      ASSERT_EQ(t->GetDisplayedNode(i), walked[static_cast<size_t>(i)]);
    }
    for (Integer i = 0; i < count; ++i)
      ASSERT_EQ(V.IndexOfRecord(static_cast<TMemRecViewEh*>(walked[static_cast<size_t>(i)])->GetRec()), i);
  }
};

TEST_P(ViewInStep, RandomChangesKeepTheViewEqualToARebuiltOne) {
  Configure(*View);
  std::mt19937 rng(kRandomStart);
  Integer nextId = 1;
  std::vector<Integer> ids;
  auto randomExisting = [&]() { return ids.empty() ? -1 : ids[rng() % ids.size()]; };
  for (int step = 0; step < 400; ++step) {
    const int op = static_cast<int>(rng() % 12);
    const Integer n = List()->GetCount();
    if (op < 4 || n < 3) {
      TMemoryRecordEh* r = List()->NewRecord();
      const Integer parent = rng() % 3 ? randomExisting() : -1;
      r->SetValue(ID_THIS, rvvValueEh, Variant(nextId));
      r->SetValue(ID_PARENT, rvvValueEh, IntOrNull(parent));
      r->SetValue(KEY_S, rvvValueEh, TextOrNull(nextId));
      r->SetValue(PARENT_S, rvvValueEh, TextOrNull(parent));
      r->SetValue(NPP, rvvValueEh, Variant(static_cast<Integer>(rng() % 20)));
      r->SetValue(NAME_THIS, rvvValueEh, Variant(u"n"));
      if (n > 0 && rng() % 2) List()->InsertRecordAt(static_cast<Integer>(rng() % static_cast<unsigned>(n)), r);
      else List()->AddRecord(r);
      ids.push_back(nextId++);
    } else if (op < 7) {
      TMemoryRecordEh* r = List()->GetRecord(static_cast<Integer>(rng() % static_cast<unsigned>(n)));
      r->Edit();
      if (rng() % 2) {
        r->SetValue(NPP, rvvValueEh, Variant(static_cast<Integer>(rng() % 20)));
      } else {
        const Integer parent = randomExisting();
        r->SetValue(ID_PARENT, rvvValueEh, IntOrNull(parent));
        r->SetValue(PARENT_S, rvvValueEh, TextOrNull(parent));
      }
      try {
        r->Post();
      } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), u"Reference-loop found");
        r->Cancel();
      }
    } else if (op < 9) {
      const Integer at = static_cast<Integer>(rng() % static_cast<unsigned>(n));
      const Integer id = Id(List()->GetRecord(at));
      List()->DeleteRecord(at);
      ids.erase(std::find(ids.begin(), ids.end(), id));
    } else if (op < 10) {
      if (!GetParam().Sorted)
        // A sorted view follows a list move as well, leaving its order: only unsorted views.
        List()->MoveRecord(static_cast<Integer>(rng() % static_cast<unsigned>(n)),
                           static_cast<Integer>(rng() % static_cast<unsigned>(n)));
    } else if (GetParam().Tree) {
      // A node opened or closed, its rows read at once or after more changes.
      TBaseTreeNodeEh* node = View->GetTreeList()->NodeOfRecord(List()->GetRecord(static_cast<Integer>(rng() % n)));
      node->SetExpanded(!node->GetExpanded());
      if (rng() % 2) View->ViewRecord(static_cast<Integer>(rng() % static_cast<unsigned>(View->ViewCount())));
    }
    if (GetParam().Tree) {
      ExpectRowsAsWalked(*View);
      if (HasFatalFailure()) FAIL() << "after step " << step;
    }
    if (step % 20 == 19 || step == 399) {
      TRecordsViewEh fresh(nullptr);
      fresh.SetMemTableData(&Store);
      Configure(fresh);
      // The fresh tree opens and closes its nodes as this one has.
      if (GetParam().Tree)
        for (Integer i = 0; i < List()->GetCount(); ++i) {
          TMemoryRecordEh* r = List()->GetRecord(i);
          fresh.GetTreeList()->NodeOfRecord(r)->SetExpanded(View->GetTreeList()->NodeOfRecord(r)->GetExpanded());
        }
      ASSERT_EQ(Picture(*View), Picture(fresh)) << "after step " << step;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Views, ViewInStep,
                         ::testing::Values(StepCase{false, false, false}, StepCase{false, true, true},
                                           StepCase{true, false, false}, StepCase{true, false, true},
                                           StepCase{true, true, true}, StepCase{false, false, true},
                                           StepCase{true, false, true, true}, StepCase{true, true, false, true}),
                         [](const ::testing::TestParamInfo<StepCase>& info) {
                           return std::string(info.param.Tree ? "Tree" : "Flat") +
                                  (info.param.Sorted ? "Sorted" : "Unsorted") +
                                  (info.param.Filtered ? "Filtered" : "All") + (info.param.TextKeys ? "TextKeys" : "");
                         });

}  // namespace
