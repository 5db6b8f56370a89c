// Opening a records view in tree mode at once: whole-number keys take the fast
// builds, text keys the record-by-record one, and both must give the same tree
// (shape, order, levels, flags, rows) whatever the keys hold: orphans, loops,
// repeated keys, chains deeper than MaxLevel, siblings sorted in the build or after it. Also the node storage and the
// record map under deletions and reopening, and a tree large enough for a mapped node block,
// whose keys are read in two halves at once, the second on a helper thread.

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "memtable/MemTableDataEh.h"
#include "platform/core/Strings.h"
#include "tests/memtable/MemTestUtil.h"

namespace {

constexpr unsigned kRandomStart = 20261207;

enum { ID, PARENT, KEY_S, PARENT_S };

struct TreeBuild : ::testing::Test {
  TMemTableDataEh Store{nullptr};

  void SetUp() override {
    AddColumn(Store, TMTNumericDataFieldEh::StaticComponentClass(), ftInteger, u"ID");
    AddColumn(Store, TMTNumericDataFieldEh::StaticComponentClass(), ftInteger, u"PARENT");
    AddColumn(Store, TMTStringDataFieldEh::StaticComponentClass(), ftWideString, u"KEY_S")->SetSize(10);
    AddColumn(Store, TMTStringDataFieldEh::StaticComponentClass(), ftWideString, u"PARENT_S")->SetSize(10);
  }

  // View over the store, keyed by ID and PARENT, nodes opened as they come.
  void BindExpandedTree(TRecordsViewEh& View) {
    View.SetMemTableData(&Store);
    View.SetKeyFieldName(u"ID");
    View.SetRefParentFieldName(u"PARENT");
    View.GetTreeList()->SetDefaultNodeExpanded(true);
  }
  void OpenExpandedTree(TRecordsViewEh& View) {
    BindExpandedTree(View);
    View.SetTreeMode(true);
  }

  // Key -1 is Null.
  void Load(Integer Key, Integer Parent) {
    TMemoryRecordEh* r = Store.GetRecordsList()->NewRecord();
    auto put = [r](Integer Col, Integer V, bool Text) {
      if (V < 0) r->SetValue(Col, rvvValueEh, Null());
      else r->SetValue(Col, rvvValueEh, Text ? Variant(u"k" + IntToStr(V)) : Variant(V));
    };
    put(ID, Key, false);
    put(PARENT, Parent, false);
    put(KEY_S, Key, true);
    put(PARENT_S, Parent, true);
    Store.GetRecordsList()->LoadRecord(r);
  }

  struct Options {
    bool FullCheck = true;
    bool Expanded = true;
    bool HasChildren = false;
    Integer MaxLevel = 1000;
    bool Hooks = false;
    TComponent* Source = nullptr;  // the store when null
    // Records whose position is a multiple of this are filtered out (0: none).
    Integer FilterEvery = 0;
    bool FilterNodeIfParentVisible = true;
    String SortOrder;
  };

  // Every node in tree order as "record:level:index:expanded:has-children", how
  // many records show, how many times the expansion hooks ran, and each node's
  // visibility and visible position.
  static std::string Picture(TRecordsViewEh& View, Integer HookCalls) {
    TMemoryTreeListEh* tree = View.GetTreeList();
    std::string s;
    for (TBaseTreeNodeEh* n = tree->GetFirst(); n; n = tree->GetNext(n)) {
      auto* node = static_cast<TMemRecViewEh*>(n);
      s += std::to_string(node->GetRec()->GetIndex()) + ":" + std::to_string(n->GetLevel()) + ":" +
           std::to_string(n->GetIndex()) + ":" + (n->GetExpanded() ? "e" : "c") + (n->GetHasChildren() ? "h" : "l") +
           " ";
    }
    s += "| shown " + std::to_string(View.ViewCount()) + " | hooks " + std::to_string(HookCalls) + " | visible";
    for (TBaseTreeNodeEh* n = tree->GetFirst(); n; n = tree->GetNext(n))
      s += std::string(" ") + (n->GetVisible() ? "v" : "i") + std::to_string(n->GetVisibleIndex());
    // The rows as the dataset reads them, and each record's row back.
    s += " | rows";
    for (Integer row = 0; row < View.ViewCount(); ++row) {
      TMemoryRecordEh* rec = View.ViewRecord(row);
      s += " " + std::to_string(rec->GetIndex());
      if (View.IndexOfRecord(rec) != row) s += "(row " + std::to_string(View.IndexOfRecord(rec)) + ")";
    }
    return s;
  }

  // Visible below visible expanded ancestors, in the tree (not waiting outside it).
  static bool Shown(TMemoryTreeListEh* Tree, TBaseTreeNodeEh* Node) {
    if (!Node->GetVisible()) return false;
    TBaseTreeNodeEh* p = Node->GetParent();
    for (; p && p != Tree->GetRoot(); p = p->GetParent())
      if (!p->GetVisible() || !p->GetExpanded()) return false;
    return p != nullptr;
  }

  std::string Open(bool TextKeys, const Options& O) {
    TRecordsViewEh view(nullptr);
    view.SetMemTableData(O.Source ? O.Source : &Store);
    view.SetKeyFieldName(TextKeys ? u"KEY_S" : u"ID");
    view.SetRefParentFieldName(TextKeys ? u"PARENT_S" : u"PARENT");
    TMemoryTreeListEh* tree = view.GetTreeList();
    tree->SetFullBuildCheck(O.FullCheck);
    tree->SetDefaultNodeExpanded(O.Expanded);
    tree->SetDefaultNodeHasChildren(O.HasChildren);
    tree->SetMaxLevel(O.MaxLevel);
    tree->SetFilterNodeIfParentVisible(O.FilterNodeIfParentVisible);
    if (O.FilterEvery > 0)
      view.OnFilterRecord = [every = O.FilterEvery](TObject*, TMemoryRecordEh* Rec) {
        return Rec->GetIndex() % every != 0;
      };
    view.SetSortOrder(O.SortOrder);
    Integer hookCalls = 0;
    if (O.Hooks) {
      // A node that shows while the tree grows answers the row a walk of the
      // tree built so far counts.
      tree->OnExpandedChanging = [&hookCalls, &view, tree](TObject*, TBaseTreeNodeEh* Node, bool&) {
        ++hookCalls;
        if (!Shown(tree, Node)) return;
        Integer row = 0;
        for (TBaseTreeNodeEh* n = tree->GetFirst(); n && n != Node; n = tree->GetNext(n)) row += Shown(tree, n);
        EXPECT_EQ(view.IndexOfRecord(static_cast<TMemRecViewEh*>(Node)->GetRec()), row);
      };
      tree->OnExpandedChanged = [&hookCalls](TObject*, TBaseTreeNodeEh*) { ++hookCalls; };
    }
    view.SetTreeMode(true);
    // Every record finds its own node.
    TRecordsListEh* list = Store.GetRecordsList();
    for (Integer i = 0; i < list->GetCount(); ++i) {
      TMemRecViewEh* node = tree->NodeOfRecord(list->GetRecord(i));
      EXPECT_TRUE(node && node->GetRec() == list->GetRecord(i)) << "record " << i;
    }
    return Picture(view, hookCalls);
  }

  void ExpectSameTree(const Options& O, const std::string& What) {
    const std::string byText = Open(true, O);
    EXPECT_EQ(Open(false, O), byText) << What;
  }
};

TEST_F(TreeBuild, ChildrenBeforeParentsGiveTheTreeOfTheRecordByRecordBuild) {
  Load(5, 1);
  Load(6, 1);
  Load(1, -1);
  Load(7, 5);
  Load(2, -1);
  Load(8, 2);
  for (bool full : {true, false}) {
    Options o;
    o.FullCheck = full;
    ExpectSameTree(o, full ? "full check" : "no full check");
  }
  Options o;
  EXPECT_EQ(Open(false, o).substr(0, 40), "2:1:0:eh 0:2:0:eh 3:3:0:el 1:2:1:el 4:1:");
}

TEST_F(TreeBuild, OrphansPutTheTopLevelInRecordsListOrder) {
  Load(3, 99);  // its parent never comes
  Load(1, -1);
  Load(4, 2);
  Load(2, -1);
  Options o;
  ExpectSameTree(o, "orphan");
  EXPECT_EQ(Open(false, o).substr(0, 32), "0:1:0:el 1:1:1:el 3:1:2:eh 2:2:0");
}

TEST_F(TreeBuild, LoopsAndSelfParentsLoadAsTheRecordByRecordBuildPlacesThem) {
  Load(1, 2);
  Load(2, 3);
  Load(3, 1);  // a loop of three
  Load(4, 4);  // its own parent
  Load(5, 6);
  Load(6, 5);  // a loop of two
  Load(7, 5);
  // Siblings sorted too: the build that gives up on a loop leaves the sort to the one after it.
  for (const char16_t* order : {u"", u"ID DESC"})
    for (bool full : {true, false}) {
      Options o;
      o.FullCheck = full;
      o.SortOrder = order;
      ExpectSameTree(o, full ? "full check" : "no full check");
    }
}

TEST_F(TreeBuild, ChainsDeeperThanMaxLevelBreakAsTheRecordByRecordBuildBreaksThem) {
  // A chain of 12 arriving deepest first, another in order, and a bush.
  for (Integer k = 12; k >= 1; --k) Load(100 + k, k == 1 ? -1 : 100 + k - 1);
  for (Integer k = 1; k <= 12; ++k) Load(200 + k, k == 1 ? -1 : 200 + k - 1);
  for (Integer k = 1; k <= 6; ++k) Load(300 + k, k <= 2 ? -1 : 300 + k / 2);
  for (bool full : {true, false})
    for (Integer maxLevel : {3, 5, 12, 1000}) {
      Options o;
      o.FullCheck = full;
      o.MaxLevel = maxLevel;
      o.SortOrder = maxLevel == 5 ? u"ID DESC" : u"";
      ExpectSameTree(o, "max level " + std::to_string(maxLevel) + (full ? " full" : ""));
    }
}

TEST_F(TreeBuild, ExpansionHooksRunOncePerNodeAndDefaultFlagsHold) {
  Load(1, -1);
  Load(2, 1);
  Load(3, 2);
  Load(4, -1);
  for (bool expanded : {true, false})
    for (bool hasChildren : {true, false}) {
      Options o;
      o.Hooks = true;
      o.Expanded = expanded;
      o.HasChildren = hasChildren;
      ExpectSameTree(o, "hooks");
    }
  Options o;
  o.Hooks = true;
  EXPECT_NE(Open(false, o).find("| hooks 8"), std::string::npos);
}

TEST_F(TreeBuild, RepeatedKeysLeaveTheTreeToTheRecordByRecordBuild) {
  // Numbered keys (a plain table) and scattered ones (a hash) alike.
  for (Integer scale : {1, 100000}) {
    Store.GetRecordsList()->Clear();
    Load(2 * scale, -1);
    Load(1 * scale, -1);
    Load(2 * scale, 1 * scale);  // the same key again, deeper
    Load(6 * scale, 1 * scale);
    Load(3 * scale, 2 * scale);  // goes under the first one met in tree order
    for (bool full : {true, false}) {
      Options o;
      o.FullCheck = full;
      ExpectSameTree(o, "scale " + std::to_string(scale));
      EXPECT_EQ(Open(false, o).substr(0, 18), "0:1:0:eh 4:2:0:el ") << scale;
    }
  }
}

TEST_F(TreeBuild, RandomForestsBuildTheSameTreeEveryWay) {
  std::mt19937 rng(kRandomStart);
  for (int round = 0; round < 60; ++round) {
    Store.GetRecordsList()->Clear();
    const Integer n = 1 + static_cast<Integer>(rng() % 120);
    std::vector<Integer> keys(static_cast<size_t>(n));
    for (Integer i = 0; i < n; ++i) keys[static_cast<size_t>(i)] = i + 1;
    std::shuffle(keys.begin(), keys.end(), rng);
    const bool repeats = round % 7 == 3;
    Store.GetRecordsList()->BeginUpdate();
    for (Integer i = 0; i < n; ++i) {
      Integer key = keys[static_cast<size_t>(i)];
      if (rng() % 25 == 0) key = -1;  // no key
      else if (repeats && rng() % 10 == 0) key = 1 + static_cast<Integer>(rng() % static_cast<unsigned>(n));
      const unsigned kind = rng() % 20;
      Integer parent;
      if (kind < 4) parent = -1;                                                 // top level
      else if (kind == 4) parent = n + 1 + static_cast<Integer>(rng() % 5);      // nobody
      else if (kind == 5 && key > 0) parent = key;                               // itself
      else parent = 1 + static_cast<Integer>(rng() % static_cast<unsigned>(n));  // anybody: loops happen
      Load(key, parent);
    }
    Store.GetRecordsList()->EndUpdate();
    Options o;
    o.FullCheck = rng() % 4 != 0;
    o.Expanded = rng() % 3 != 0;
    o.MaxLevel = rng() % 3 == 0 ? 2 + static_cast<Integer>(rng() % 6) : 1000;
    // Some rounds hide records, leaving their nodes to show for their descendants.
    o.FilterEvery = round % 3 == 0 ? 0 : 2 + static_cast<Integer>(rng() % 4);
    o.FilterNodeIfParentVisible = rng() % 2 == 0;
    // Siblings sorted: by whole numbers with ties and Nulls, by texts, by both.
    const char16_t* orders[] = {u"", u"PARENT", u"KEY_S DESC", u"PARENT DESC, KEY_S", u"PARENT_S, ID DESC"};
    o.SortOrder = orders[round % 5];
    // Expansion hooks leave the whole tree to the builds that go record by record.
    o.Hooks = round % 4 == 1;
    // Every other round over a view that gives the records in another order.
    TRecordsViewEh source(nullptr);
    if (round % 2) {
      source.SetMemTableData(&Store);
      source.SetSortOrder(u"PARENT_S DESC");
      source.RebuildView();
      o.Source = &source;
    }
    ExpectSameTree(o, "round " + std::to_string(round));
    if (HasFailure()) break;
  }
}

// A view that notes, for each record of the list, the thread other than its
// maker's that asked whether the record is in view, if any: a build asks once
// for every record as it reads the record's keys.
class TThreadNotingView : public TRecordsViewEh {
public:
  explicit TThreadNotingView(size_t RecordCount) : TRecordsViewEh(nullptr), FAskedElsewhere(RecordCount) {}
  bool IsRecordInView(TMemoryRecordEh* Rec) override {
    // Each record is read by one thread: no two threads write one element.
    if (std::this_thread::get_id() != FMaker)
      FAskedElsewhere[static_cast<size_t>(Rec->GetIndex())] = std::this_thread::get_id();
    return TRecordsViewEh::IsRecordInView(Rec);
  }
  // Not asked about on another thread: the default id.
  const std::vector<std::thread::id>& AskedElsewhere() const { return FAskedElsewhere; }

private:
  const std::thread::id FMaker = std::this_thread::get_id();
  std::vector<std::thread::id> FAskedElsewhere;
};

// A forest of several hundred thousand records, children before and after
// their parents, orphans and records without a key spread all through the
// list.
void LoadLargeForest(TreeBuild& Fixture, Integer Count) {
  std::mt19937 rng(kRandomStart);
  std::vector<Integer> keys(static_cast<size_t>(Count));
  for (Integer i = 0; i < Count; ++i) keys[static_cast<size_t>(i)] = i + 1;
  std::shuffle(keys.begin(), keys.end(), rng);
  TRecordsListEh* list = Fixture.Store.GetRecordsList();
  list->BeginUpdate();
  for (Integer key : keys) {
    const unsigned kind = rng() % 50;
    const Integer parent = kind == 0   ? -1                                           // top level
                           : kind == 1 ? Count + 1 + static_cast<Integer>(rng() % 5)  // nobody
                                       : key / 8;                                     // a tree eight wide
    Fixture.Load(kind == 2 ? -1 : key, parent);
  }
  list->EndUpdate();
}

// Each record of the large forest lies under the record its parent key names,
// or at the top level when none does, siblings in records-list order.
void ExpectLargeForest(TreeBuild& Fixture, TRecordsViewEh& View, Integer Count) {
  TRecordsListEh* list = Fixture.Store.GetRecordsList();
  TMemoryTreeListEh* tree = View.GetTreeList();
  std::vector<TMemoryRecordEh*> byKey(static_cast<size_t>(Count) + 1, nullptr);
  for (Integer i = 0; i < list->GetCount(); ++i)
    if (!list->GetRecord(i)->GetValue(ID, rvvValueEh).IsNull())
      byKey[static_cast<size_t>(list->GetRecord(i)->GetValue(ID, rvvValueEh).AsInteger())] = list->GetRecord(i);
  for (Integer i = 0; i < list->GetCount(); ++i) {
    TMemoryRecordEh* rec = list->GetRecord(i);
    TMemRecViewEh* node = tree->NodeOfRecord(rec);
    ASSERT_TRUE(node && node->GetRec() == rec) << "record " << i;
    const Variant parentKey = rec->GetValue(PARENT, rvvValueEh);
    TMemoryRecordEh* parent = parentKey.IsNull() || parentKey.AsInteger() > Count
                                  ? nullptr
                                  : byKey[static_cast<size_t>(parentKey.AsInteger())];
    ASSERT_EQ(node->GetParent(), parent ? tree->NodeOfRecord(parent) : tree->GetRoot()) << "record " << i;
    if (node->GetIndex() > 0) {
      ASSERT_LT(static_cast<TMemRecViewEh*>(node->GetParent()->GetItem(node->GetIndex() - 1))->GetRec()->GetIndex(), i)
          << "record " << i;
    }
  }
  EXPECT_EQ(View.ViewCount(), Count);
}

// The forest's keys are read in two halves at once: the first by the
// build's caller, the second by one thread, a helper, or the caller too when
// the helper is late to start.
TEST_F(TreeBuild, ALargeForestIsReadInTwoHalvesAtOnceAndPutsEveryRecordUnderItsParent) {
  constexpr Integer kCount = 300000;
  LoadLargeForest(*this, kCount);
  TThreadNotingView view(kCount);
  BindExpandedTree(view);
  view.GetTreeList()->SetFullBuildCheck(true);
  view.SetTreeMode(true);
  ExpectLargeForest(*this, view, kCount);
  const std::vector<std::thread::id>& elsewhere = view.AskedElsewhere();
  const size_t half = static_cast<size_t>(kCount) / 2;
  for (size_t i = 0; i < half; ++i) ASSERT_EQ(elsewhere[i], std::thread::id()) << "record " << i;
  for (size_t i = half; i < elsewhere.size(); ++i) ASSERT_EQ(elsewhere[i], elsewhere[half]) << "record " << i;
}

// While a filter event decides what the view shows, the whole list is read by
// the caller, whose thread alone runs the program's handler; the tree is the same.
TEST_F(TreeBuild, ALargeForestUnderAFilterEventIsReadByTheCallerAloneAndPutsEveryRecordUnderItsParent) {
  constexpr Integer kCount = 300000;
  LoadLargeForest(*this, kCount);
  TThreadNotingView view(kCount);
  BindExpandedTree(view);
  std::atomic<size_t> filtered = 0, filteredElsewhere = 0;
  const std::thread::id caller = std::this_thread::get_id();
  view.OnFilterRecord = [&](TObject*, TMemoryRecordEh*) {
    ++(std::this_thread::get_id() == caller ? filtered : filteredElsewhere);
    return true;
  };
  view.GetTreeList()->SetFullBuildCheck(true);
  view.SetTreeMode(true);
  ExpectLargeForest(*this, view, kCount);
  EXPECT_GE(filtered.load(), static_cast<size_t>(kCount));
  EXPECT_EQ(filteredElsewhere.load(), 0u);
  for (size_t i = 0; i < view.AskedElsewhere().size(); ++i)
    ASSERT_EQ(view.AskedElsewhere()[i], std::thread::id()) << "record " << i;
}

TEST_F(TreeBuild, ThroughAnIndexOnTheTextKeysTheTreeIsTheSame) {
  for (Integer k = 1; k <= 40; ++k) Load(k, k <= 4 ? -1 : (k * 7) % (k - 1) + 1);
  for (const char16_t* fields : {u"KEY_S", u"PARENT_S"}) {
    TMTIndexEh* index = Store.GetRecordsList()->GetIndexes()->Add();
    index->SetFields(fields);
    index->SetActive(true);
  }
  ExpectSameTree(Options{}, "indexed");
}

TEST_F(TreeBuild, OverAnotherViewOrphansPutTheTopLevelInRecordsListOrder) {
  for (Integer k = 1; k <= 30; ++k) Load(k, k % 4 == 0 ? 100 + k : k <= 3 ? -1 : k / 3);
  TRecordsViewEh source(nullptr);
  source.SetMemTableData(&Store);
  source.SetSortOrder(u"ID DESC");
  source.RebuildView();
  auto open = [&](bool TextKeys) {
    TRecordsViewEh view(nullptr);
    view.SetMemTableData(&source);
    view.SetKeyFieldName(TextKeys ? u"KEY_S" : u"ID");
    view.SetRefParentFieldName(TextKeys ? u"PARENT_S" : u"PARENT");
    view.GetTreeList()->SetFullBuildCheck(true);
    view.GetTreeList()->SetDefaultNodeExpanded(true);
    view.SetTreeMode(true);
    return Picture(view, 0);
  };
  const std::string byText = open(true);
  EXPECT_EQ(open(false), byText);
  EXPECT_EQ(byText.substr(0, 9), "0:1:0:eh ");
}

// ---- the nodes and the record map over a tree's life ---------------------------------

TEST_F(TreeBuild, DeletingManyRecordsKeepsEveryOtherRecordsNode) {
  for (Integer k = 1; k <= 1200; ++k) Load(k, k <= 30 ? -1 : (k - 1) / 10);
  TRecordsViewEh view(nullptr);
  OpenExpandedTree(view);
  TRecordsListEh* list = Store.GetRecordsList();
  std::mt19937 rng(kRandomStart);
  for (int k = 0; k < 600; ++k)
    list->DeleteRecord(static_cast<Integer>(rng() % static_cast<unsigned>(list->GetCount())));
  TMemoryTreeListEh* tree = view.GetTreeList();
  for (Integer i = 0; i < list->GetCount(); ++i) {
    TMemRecViewEh* node = tree->NodeOfRecord(list->GetRecord(i));
    ASSERT_TRUE(node && node->GetRec() == list->GetRecord(i)) << "record " << i;
  }
  EXPECT_EQ(view.ViewCount(), list->GetCount());
  // Records added now take freed node places and are found as well.
  for (Integer k = 5000; k < 5300; ++k) {
    TMemoryRecordEh* r = list->NewRecord();
    r->SetValue(ID, rvvValueEh, Variant(k));
    r->SetValue(PARENT, rvvValueEh, Variant(k % 40 + 1));
    r->Post();
    ASSERT_EQ(tree->NodeOfRecord(r)->GetRec(), r);
  }
  EXPECT_EQ(view.ViewCount(), list->GetCount());
}

// Record IDs that a record of another store repeats, or that spread thinly
// (most records between them deleted), still lead each record to its own node
// alone.
TEST_F(TreeBuild, RecordsFindTheirNodesWhateverTheirIds) {
  TRecordsListEh* list = Store.GetRecordsList();
  for (Integer k = 1; k <= 40; ++k) Load(k, k <= 4 ? -1 : k / 4);
  TRecordsViewEh view(nullptr);
  OpenExpandedTree(view);
  TMemoryTreeListEh* tree = view.GetTreeList();
  TMemTableDataEh other{nullptr};
  AddColumn(other, TMTNumericDataFieldEh::StaticComponentClass(), ftInteger, u"ID");
  std::vector<TMemoryRecordEh*> strangers;
  for (Integer k = 0; k < 5; ++k) {
    strangers.push_back(other.GetRecordsList()->NewRecord());
    other.GetRecordsList()->LoadRecord(strangers.back());
  }
  auto expectEveryNode = [&](const char* When) {
    for (Integer i = 0; i < list->GetCount(); ++i) {
      TMemRecViewEh* node = tree->NodeOfRecord(list->GetRecord(i));
      ASSERT_TRUE(node && node->GetRec() == list->GetRecord(i)) << When << ": record " << i;
      EXPECT_EQ(view.ViewRecord(view.IndexOfRecord(list->GetRecord(i))), list->GetRecord(i)) << When;
    }
    EXPECT_EQ(view.ViewCount(), list->GetCount()) << When;
    // The other store's records bear shown records' IDs, and have no node here.
    for (TMemoryRecordEh* r : strangers) {
      EXPECT_EQ(tree->NodeOfRecord(r), nullptr) << When;
      EXPECT_EQ(view.IndexOfRecord(r), -1) << When;
    }
  };
  ASSERT_EQ(strangers[4]->GetID(), list->GetRecord(4)->GetID());
  expectEveryNode("built");
  auto add = [&](Integer Key, Integer Parent) {
    TMemoryRecordEh* r = list->NewRecord();
    r->SetValue(ID, rvvValueEh, Variant(Key));
    r->SetValue(PARENT, rvvValueEh, Variant(Parent));
    r->Post();
  };
  for (Integer k = 0; k < 1500; ++k) add(1000 + k, k % 7 + 1);
  while (list->GetCount() > 40) list->DeleteRecord(40);
  for (Integer k = 41; k <= 60; ++k) add(k, k / 4);
  for (Integer i = 0; i < 20; ++i) {
    TMemoryRecordEh* r = list->GetRecord(list->GetCount() - 1 - i);
    r->Edit();
    r->SetValue(PARENT, rvvValueEh, Variant(3));
    r->Post();
  }
  expectEveryNode("edited");
  view.BuildTree();
  view.RebuildView();
  expectEveryNode("rebuilt");
}

TEST_F(TreeBuild, ReopeningAndClosingTreeModeLeavesNothingBehind) {
  for (Integer k = 1; k <= 500; ++k) Load(k, k <= 5 ? -1 : k / 3);
  TRecordsViewEh view(nullptr);
  BindExpandedTree(view);
  for (int k = 0; k < 5; ++k) {
    view.SetTreeMode(true);
    EXPECT_EQ(view.ViewCount(), 500);
    view.BuildTree();  // over the tree that is there
    view.RebuildView();
    EXPECT_EQ(view.ViewCount(), 500);
    view.SetTreeMode(false);
    EXPECT_EQ(view.GetTreeList()->NodeOfRecord(Store.GetRecordsList()->GetRecord(0)), nullptr);
  }
}

// A tree large enough for its nodes to take a mapped block lends its parents'
// row counts from one block of its own: the rows stay those of a plain walk
// through closing nodes, a parent given a new child and a parent deleted, and
// the nodes go without freeing what was lent.
TEST_F(TreeBuild, ALargeTreeKeepsItsRowsThroughChangesAfterItsBuild) {
  constexpr Integer kCount = 400000;  // 400,000 nodes take more than 32 MB
  TRecordsListEh* list = Store.GetRecordsList();
  auto add = [list](Integer Key) {
    TMemoryRecordEh* r = list->NewRecord();
    r->SetValue(ID, rvvValueEh, Variant(Key));
    r->SetValue(PARENT, rvvValueEh, Key < 10 ? Null() : Variant(Key / 10));
    return r;
  };
  for (Integer k = 0; k < kCount; ++k) list->LoadRecord(add(k));
  // Records added or left without a parent find their parents through it.
  TMTIndexEh* index = list->GetIndexes()->Add();
  index->SetFields(u"ID");
  index->SetActive(true);
  TRecordsViewEh view(nullptr);
  OpenExpandedTree(view);
  TMemoryTreeListEh* tree = view.GetTreeList();
  // The keys in tree order below the open nodes. Records stand in key order,
  // so a family's records-list order is its key order; key kCount, added
  // last, goes below key 4.
  std::vector<bool> present(static_cast<size_t>(kCount) + 1, true), closed(present.size(), false);
  present.back() = false;
  auto parentOf = [](Integer Key) { return Key == kCount ? 4 : Key < 10 ? -1 : Key / 10; };
  auto expectRows = [&](const char* When) {
    std::vector<Integer> rows, stack;
    for (Integer k = kCount; k >= 0; --k)
      if (present[static_cast<size_t>(k)] && (parentOf(k) < 0 || !present[static_cast<size_t>(parentOf(k))]))
        stack.push_back(k);
    while (!stack.empty()) {
      const Integer k = stack.back();
      stack.pop_back();
      rows.push_back(k);
      if (closed[static_cast<size_t>(k)] || k == 0) continue;
      if (k == 4 && present.back()) stack.push_back(kCount);
      for (Integer c = std::min(10 * k + 9, kCount - 1); c >= 10 * k; --c)
        if (present[static_cast<size_t>(c)]) stack.push_back(c);
    }
    ASSERT_EQ(view.ViewCount(), static_cast<Integer>(rows.size())) << When;
    for (Integer row = 0; row < view.ViewCount(); ++row) {
      TMemoryRecordEh* rec = view.ViewRecord(row);
      ASSERT_EQ(rec->GetData()[ID].AsInteger(), rows[static_cast<size_t>(row)]) << When << ": row " << row;
      if (row % 997 == 0) {
        ASSERT_EQ(view.IndexOfRecord(rec), row) << When;
      }
    }
  };
  expectRows("built");
  for (Integer k : {2, 35, 1234}) {
    tree->NodeOfRecord(list->GetRecord(k))->SetExpanded(false);
    closed[static_cast<size_t>(k)] = true;
  }
  expectRows("closed");
  tree->NodeOfRecord(list->GetRecord(35))->SetExpanded(true);
  closed[35] = false;
  expectRows("opened again");
  TMemoryRecordEh* late = list->NewRecord();
  late->SetValue(ID, rvvValueEh, Variant(kCount));
  late->SetValue(PARENT, rvvValueEh, Variant(4));
  late->Post();
  present.back() = true;
  expectRows("a child added");
  list->DeleteRecord(39);  // its children go to the top level, their subtrees with them
  present[39] = false;
  expectRows("a parent deleted");
}

// This process's memory in RAM, in bytes.
size_t ResidentBytes() {
  std::ifstream statm("/proc/self/statm");
  size_t mapped = 0, resident = 0;
  statm >> mapped >> resident;
  return resident * static_cast<size_t>(sysconf(_SC_PAGESIZE));
}

// The address ranges of this process's memory that can be written.
using TRanges = std::vector<std::pair<uintptr_t, uintptr_t>>;
TRanges WritableRanges() {
  std::ifstream maps("/proc/self/maps");
  TRanges ranges;
  for (std::string line; std::getline(maps, line);) {
    std::istringstream in(line);
    uintptr_t from = 0, to = 0;
    char dash = 0;
    std::string perms;
    in >> std::hex >> from >> dash >> to >> perms;
    if (perms.size() > 1 && perms[1] == 'w') ranges.emplace_back(from, to);
  }
  return ranges;
}

// The bytes of After's ranges that none of Before's covered.
size_t BytesAdded(const TRanges& Before, const TRanges& After) {
  size_t added = 0;
  for (const auto& [from, to] : After) {
    size_t covered = 0;
    for (const auto& [bFrom, bTo] : Before)
      if (bFrom < to && from < bTo) covered += std::min(to, bTo) - std::max(from, bFrom);
    added += (to - from) - covered;
  }
  return added;
}

// A large tree's nodes take memory mapped for them alone, which the leak
// checker does not see: the tree gives it back to the system when it closes.
TEST_F(TreeBuild, ALargeTreeGivesItsNodeMemoryBackWhenItCloses) {
  constexpr Integer kCount = 400000;
  for (Integer k = 0; k < kCount; ++k) Load(k, k < 10 ? -1 : k / 10);
  TRecordsViewEh view(nullptr);
  OpenExpandedTree(view);
  ASSERT_EQ(view.ViewCount(), kCount);
  const size_t nodeBytes = static_cast<size_t>(kCount) * sizeof(TMemRecViewEh);
  const size_t open = ResidentBytes();
  view.SetTreeMode(false);
  const size_t closed = ResidentBytes();
  // The flat view made on closing takes some back.
  EXPECT_GE(open, closed + nodeBytes * 3 / 4) << "resident with the tree open " << open << ", closed " << closed;
}

// The memory a large tree's build maps for its nodes before it reads the keys
// goes back when the build fails before it makes a node: nothing holds it
// until the next build. Writable memory is what counts: the address space the
// C library keeps for a thread that has come and gone (its stack, its heap's
// reserve) is no part of the nodes.
TEST_F(TreeBuild, ALargeTreeBuildThatFailsGivesBackTheNodeMemoryItMapped) {
  constexpr Integer kCount = 400000;
  for (Integer k = 0; k < kCount; ++k) Load(k, k < 10 ? -1 : k / 10);
  TRecordsViewEh view(nullptr);
  BindExpandedTree(view);
  view.OnFilterRecord = [](TObject*, TMemoryRecordEh*) -> bool { throw Exception(u"no filter today"); };
  const TRanges before = WritableRanges();
  EXPECT_THROW(view.SetTreeMode(true), Exception);
  const size_t added = BytesAdded(before, WritableRanges());
  const size_t nodeBytes = static_cast<size_t>(kCount) * sizeof(TMemRecViewEh);
  EXPECT_LT(added, nodeBytes * 3 / 4) << "writable bytes mapped by the failed build and kept: " << added;
}

TEST_F(TreeBuild, ANodeFromCreateNodeBelongsToItsCaller) {
  TRecordsViewEh view(nullptr);
  view.SetMemTableData(&Store);
  TMemoryTreeListEh* tree = view.GetTreeList();
  TBaseTreeNodeEh* loose = tree->CreateNode(u"x", nullptr);
  delete loose;  // made on the heap: the caller may free it
  TBaseTreeNodeEh* kept = tree->CreateNode(u"y", nullptr);
  tree->AttachNode(kept, nullptr, false, naAddChildEh);
  EXPECT_EQ(tree->GetFirst(), kept);
  tree->DeleteNode(kept, true);
  EXPECT_EQ(tree->GetFirst(), nullptr);
}

}  // namespace
