// A table's tree switched on every way it can be (closed or open with its
// controls enabled, with or without an expansion event, from whole-number or
// text keys, with and without the full build check) compared with a plain model
// of the tree the keys describe: each record below the record its parent key
// names, children and the top level in records-list order, and a record whose
// parent would lie deeper than MaxLevel at the top level with its subtree.
// Keys that repeat or loop have no such single answer: there every build must
// still give each record one node, keep the levels within MaxLevel, put a
// record below a record bearing its parent key or at the top level, and show
// the rows a walk of the tree shows.

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "MemTableTestUtil.h"
#include "platform/data/DataSource.h"

namespace {

constexpr unsigned kRandomStart = 20261208;
constexpr Integer kNull = -1;

struct TRow {
  Integer Key, Parent;
};

// The tree of unique keys that make no loop, as a list of (record, level) in
// tree order.
std::vector<std::pair<Integer, Integer>> ModelTree(const std::vector<TRow>& Rows, bool FullCheck, Integer MaxLevel) {
  const Integer n = static_cast<Integer>(Rows.size());
  std::vector<Integer> parent(Rows.size(), -1);
  for (Integer i = 0; i < n; ++i) {
    if (Rows[static_cast<size_t>(i)].Parent == kNull) continue;
    for (Integer j = 0; j < n; ++j)
      // Without the full check only a parent met before the child is found.
      if (Rows[static_cast<size_t>(j)].Key == Rows[static_cast<size_t>(i)].Parent && (FullCheck || j < i))
        parent[static_cast<size_t>(i)] = j;
  }
  std::vector<std::vector<Integer>> children(Rows.size());
  std::vector<Integer> top;
  for (Integer i = 0; i < n; ++i)
    (parent[static_cast<size_t>(i)] < 0 ? top : children[static_cast<size_t>(parent[static_cast<size_t>(i)])])
        .push_back(i);
  // Top-down: a node that would lie too deep starts a top-level branch of its own.
  std::vector<Integer> level(Rows.size(), 0);
  std::vector<Integer> todo = top;
  while (!todo.empty()) {
    const Integer i = todo.back();
    todo.pop_back();
    const Integer p = parent[static_cast<size_t>(i)];
    Integer l = p < 0 ? 1 : level[static_cast<size_t>(p)] + 1;
    if (l > MaxLevel) {
      l = 1;
      top.push_back(i);
      auto& siblings = children[static_cast<size_t>(p)];
      siblings.erase(std::find(siblings.begin(), siblings.end(), i));
    }
    level[static_cast<size_t>(i)] = l;
    for (Integer c : children[static_cast<size_t>(i)]) todo.push_back(c);
  }
  std::sort(top.begin(), top.end());
  std::vector<std::pair<Integer, Integer>> out;
  std::vector<Integer> stack(top.rbegin(), top.rend());
  while (!stack.empty()) {
    const Integer i = stack.back();
    stack.pop_back();
    out.push_back({i, level[static_cast<size_t>(i)]});
    const auto& c = children[static_cast<size_t>(i)];
    stack.insert(stack.end(), c.rbegin(), c.rend());
  }
  return out;
}

// Whether the keys are unique and every chain of parent keys ends.
bool PlainForest(const std::vector<TRow>& Rows) {
  std::vector<Integer> keys;
  for (const TRow& r : Rows)
    if (r.Key != kNull) keys.push_back(r.Key);
  std::sort(keys.begin(), keys.end());
  if (std::adjacent_find(keys.begin(), keys.end()) != keys.end()) return false;
  for (const TRow& r : Rows) {
    Integer p = r.Parent;
    for (size_t steps = 0; p != kNull; ++steps) {
      if (steps > Rows.size()) return false;
      auto it = std::find_if(Rows.begin(), Rows.end(), [p](const TRow& x) { return x.Key == p; });
      if (it == Rows.end()) break;
      p = it->Parent;
    }
  }
  return true;
}

// Counts the times a linked control is told to show the dataset afresh.
class TShowCounter : public TDataLink {
public:
  Integer Shown = 0;

protected:
  void DataSetChanged() override { ++Shown; }
};

enum TWay { kClosed, kClosedWithEvent, kOpenControlsEnabled, kOpenWithEvent, kWays };

class TreeModel : public ::testing::Test {
protected:
  void SetUp() override {
    TMemTableDataEh* store = Table.GetMemTableData();
    AddTableColumn(store, TMTNumericDataFieldEh::StaticComponentClass(), ftInteger, u"N");
    AddTableColumn(store, TMTNumericDataFieldEh::StaticComponentClass(), ftInteger, u"ID");
    AddTableColumn(store, TMTNumericDataFieldEh::StaticComponentClass(), ftInteger, u"PID");
    AddTableColumn(store, TMTStringDataFieldEh::StaticComponentClass(), ftWideString, u"KS")->SetSize(10);
    AddTableColumn(store, TMTStringDataFieldEh::StaticComponentClass(), ftWideString, u"PS")->SetSize(10);
  }

  void Load(const std::vector<TRow>& Rows) {
    // Records with looping keys are refused while a tree is on.
    if (Table.GetActive()) Table.Close();
    Table.GetTreeList()->SetActive(false);
    TRecordsListEh* list = Table.GetRecordsData()->GetRecordsList();
    list->Clear();
    for (size_t i = 0; i < Rows.size(); ++i) {
      auto key = [](Integer v, bool Text) {
        return v == kNull ? Null() : Text ? Variant(u"k" + IntToStr(v)) : Variant(v);
      };
      TMemoryRecordEh* r = list->NewRecord();
      r->SetDataValues(u"N;ID;PID;KS;PS", rvvValueEh,
                       VarArrayOf({Variant(static_cast<Integer>(i)), key(Rows[i].Key, false),
                                   key(Rows[i].Parent, false), key(Rows[i].Key, true), key(Rows[i].Parent, true)}));
      r->Post();
    }
  }

  // Switches the tree on one way, and gives its nodes in tree order as
  // "record@level", checking on the way what holds for any keys.
  std::vector<std::pair<Integer, Integer>> Build(const std::vector<TRow>& Rows, TWay Way, bool TextKeys, bool FullCheck,
                                                 bool Expanded, Integer MaxLevel) {
    if (Table.GetActive()) Table.Close();
    Table.GetTreeList()->SetActive(false);
    Table.OnTreeNodeExpanding = nullptr;
    Table.GetTreeList()->SetKeyFieldName(TextKeys ? u"KS" : u"ID");
    Table.GetTreeList()->SetRefParentFieldName(TextKeys ? u"PS" : u"PID");
    Table.GetTreeList()->SetFullBuildCheck(FullCheck);
    Table.GetTreeList()->SetDefaultNodeExpanded(Expanded);
    Table.GetRecordsView()->GetTreeList()->SetMaxLevel(MaxLevel);
    Integer asked = 0;
    if (Way == kClosedWithEvent || Way == kOpenWithEvent)
      Table.OnTreeNodeExpanding = [&asked](TObject*, Integer, bool&) { ++asked; };
    if (Way == kOpenControlsEnabled || Way == kOpenWithEvent) Table.Open();
    Table.GetTreeList()->SetActive(true);
    if (!Table.GetActive()) Table.Open();

    TMemoryTreeListEh* tree = Table.GetRecordsView()->GetTreeList();
    std::vector<std::pair<Integer, Integer>> nodes;
    std::vector<Integer> shown;
    std::vector<Integer> seen(Rows.size(), 0);
    for (TBaseTreeNodeEh* n = tree->GetFirst(); n; n = tree->GetNext(n)) {
      const Integer rec = static_cast<TMemRecViewEh*>(n)->GetRec()->GetIndex();
      nodes.push_back({rec, n->GetLevel()});
      ++seen[static_cast<size_t>(rec)];
      EXPECT_LE(n->GetLevel(), MaxLevel) << "record " << rec;
      TBaseTreeNodeEh* p = n->GetParent();
      if (p != tree->GetRoot()) {
        const Integer parentRec = static_cast<TMemRecViewEh*>(p)->GetRec()->GetIndex();
        EXPECT_EQ(Rows[static_cast<size_t>(parentRec)].Key, Rows[static_cast<size_t>(rec)].Parent) << "record " << rec;
        EXPECT_EQ(n->GetLevel(), p->GetLevel() + 1);
      } else {
        EXPECT_EQ(n->GetLevel(), 1);
      }
      if (tree->AreAncestorsVisible(n, true)) shown.push_back(rec);
    }
    for (size_t i = 0; i < Rows.size(); ++i) EXPECT_EQ(seen[i], 1) << "record " << i;
    // The table's rows are the nodes a walk shows, each answering its own row.
    std::vector<Integer> rows;
    for (Table.First(); !Table.Eof(); Table.Next()) {
      rows.push_back(Table.FieldByName(u"N")->GetAsInteger());
      EXPECT_EQ(Table.GetRecNo(), static_cast<Integer>(rows.size()));
    }
    EXPECT_EQ(rows, shown);
    // Every record is found through the index on the row a scan finds it on,
    // its groups opened when they were closed.
    if (Table.GetIndexDefs()->Count() > 0)
      for (Integer i = 0; i < static_cast<Integer>(Rows.size()); ++i) {
        EXPECT_TRUE(Table.Locate(u"N", Variant(i), {})) << "record " << i;
        EXPECT_EQ(Table.FieldByName(u"N")->GetAsInteger(), i);
        const Integer row = Table.GetRecNo();
        Table.First();
        EXPECT_TRUE(Table.Locate(u"N", Variant(i), {loCaseInsensitive})) << "record " << i;
        EXPECT_EQ(Table.GetRecNo(), row) << "record " << i;
      }
    if ((Way == kClosedWithEvent || Way == kOpenWithEvent) && Expanded && !Rows.empty()) {
      EXPECT_GT(asked, 0);
    }
    return nodes;
  }

  TMemTableEh Table{nullptr};
};

}  // namespace

// A record whose parent waited for its own, then a key met twice: the builds
// that give up on the repeated key must not free the waiting nodes twice.
TEST_F(TreeModel, ARepeatedKeyAfterARecordThatWaitedForItsParent) {
  const std::vector<TRow> rows{{2, 1}, {1, kNull}, {1, kNull}};
  Load(rows);
  for (int way = 0; way < kWays; ++way) {
    const auto nodes = Build(rows, static_cast<TWay>(way), false, true, true, 1000);
    // The later record with the key takes the child.
    EXPECT_EQ(nodes, (std::vector<std::pair<Integer, Integer>>{{1, 1}, {2, 1}, {0, 2}})) << "way " << way;
  }
}

TEST_F(TreeModel, AChainDeeperThanMaxLevelBreaksOnlyWhereAParentLiesTooDeep) {
  std::vector<TRow> rows;
  for (Integer k = 1; k <= 9; ++k) rows.push_back({k, k == 1 ? kNull : k - 1});
  Load(rows);
  const std::vector<std::pair<Integer, Integer>> expected{{0, 1}, {1, 2}, {2, 3}, {3, 1}, {4, 2},
                                                          {5, 3}, {6, 1}, {7, 2}, {8, 3}};
  for (bool full : {true, false})
    for (bool text : {false, true})
      for (int way = 0; way < kWays; ++way)
        EXPECT_EQ(Build(rows, static_cast<TWay>(way), text, full, true, 3), expected)
            << "full " << full << " text " << text << " way " << way;
  // The same chain arriving deepest first, and with its head last.
  std::reverse(rows.begin(), rows.end());
  Load(rows);
  EXPECT_EQ(Build(rows, kOpenControlsEnabled, false, true, true, 3), ModelTree(rows, true, 3));
  std::rotate(rows.rbegin(), rows.rbegin() + 1, rows.rend());
  Load(rows);
  EXPECT_EQ(Build(rows, kOpenControlsEnabled, false, true, true, 3), ModelTree(rows, true, 3));
}

TEST_F(TreeModel, RandomTreesMatchThePlainModel) {
  Table.GetIndexDefs()->Add(u"BY_N", u"N", {ixUnique});
  std::mt19937 rng(kRandomStart);
  for (int round = 0; round < 48; ++round) {
    const Integer n = static_cast<Integer>(rng() % 40);
    std::vector<Integer> keys(static_cast<size_t>(n));
    for (Integer i = 0; i < n; ++i) keys[static_cast<size_t>(i)] = i + 1;
    std::shuffle(keys.begin(), keys.end(), rng);
    // A third of the rounds keep to trees the keys describe plainly.
    const bool plain = round % 3 == 0;
    std::vector<TRow> rows;
    for (Integer i = 0; i < n; ++i) {
      TRow r{keys[static_cast<size_t>(i)], kNull};
      if (!plain && rng() % 8 == 0) r.Key = 1 + static_cast<Integer>(rng() % static_cast<unsigned>(n));  // again
      if (rng() % 20 == 0) r.Key = kNull;
      const unsigned kind = rng() % 10;
      if (kind == 0) r.Parent = n + 5;  // nobody
      else if (kind < 3) r.Parent = kNull;
      // In plain rounds a smaller key, so the keys make a forest.
      else if (plain && r.Key > 1) r.Parent = 1 + static_cast<Integer>(rng() % static_cast<unsigned>(r.Key - 1));
      else if (plain) r.Parent = kNull;
      else r.Parent = 1 + static_cast<Integer>(rng() % static_cast<unsigned>(n));  // parents after children, loops
      rows.push_back(r);
    }
    Load(rows);
    const bool forest = PlainForest(rows);
    const Integer maxLevel = rng() % 2 ? 2 + static_cast<Integer>(rng() % 4) : 1000;
    const bool expanded = rng() % 4 != 0;
    for (bool full : {true, false}) {
      std::vector<std::pair<Integer, Integer>> first;
      for (int way = 0; way < kWays; ++way)
        for (bool text : {false, true}) {
          const auto nodes = Build(rows, static_cast<TWay>(way), text, full, expanded, maxLevel);
          const std::string what = "round " + std::to_string(round) + " full " + std::to_string(full) + " way " +
                                   std::to_string(way) + " text " + std::to_string(text);
          if (forest) {
            EXPECT_EQ(nodes, ModelTree(rows, full, maxLevel)) << what;
          }
          // Every way gives the tree the first gave.
          if (way == 0 && !text) {
            first = nodes;
          } else {
            EXPECT_EQ(nodes, first) << what;
          }
        }
    }
    if (HasFailure()) break;
  }
}

// A control showing the open table hears of the tree once it is built, not
// once per node expanded while it grows (each of which read every row again).
TEST_F(TreeModel, SwitchingATreeOnOverAnOpenTableShowsItOnce) {
  auto showings = [this](Integer Count) {
    std::vector<TRow> rows;
    for (Integer k = 1; k <= Count; ++k) rows.push_back({k, k <= 2 ? kNull : k / 2});
    Load(rows);
    Table.GetTreeList()->SetKeyFieldName(u"ID");
    Table.GetTreeList()->SetRefParentFieldName(u"PID");
    Table.GetTreeList()->SetDefaultNodeExpanded(true);
    TDataSource source(nullptr);
    source.SetDataSet(&Table);
    TShowCounter link;
    link.SetDataSource(&source);
    Table.Open();
    link.Shown = 0;
    Table.GetTreeList()->SetActive(true);
    EXPECT_EQ(Table.RecordCount(), Count);
    const Integer shown = link.Shown;
    link.SetDataSource(nullptr);
    return shown;
  };
  const Integer few = showings(4);
  EXPECT_GE(few, 1);
  EXPECT_EQ(showings(40), few);
}
