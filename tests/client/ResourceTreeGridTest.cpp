// The resource tree editor's grid: its columns and filter row, a title click
// that sorts in memory, the filter row narrowing the tree, the colour scheme,
// and the cells as they are painted (unused resources greyed, a group's
// other cells blank).

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "client/z39_02_ListDB.h"
#include "grid/DBGridEh.h"
#include "platform/core/Files.h"
#include "tests/client/ProgramDriver.h"
#include "tests/client/ResourceListText.h"

namespace {

// Group 1 holds resource 2 (used) and resource 4 (unused); resource 7 at the
// top level.
const std::string kTree = std::string(kResourceListHead) +
                          "1\t0\t0\t1\t+\t+\tLibraries\t \t \t0\t \t \t \t \t \t\r\n"
                          "2\t1\t1\t5\t+\t+\tBeta\tBooks\thost-b\t210\tUSMARC\t???\t \t \t \t\r\n"
                          "4\t1\t1\t3\t+\t \tAlpha\tDefault\thost-a\t7090\tRUSMARC\t???\t \t \t \t\r\n"
                          "7\t0\t1\t4\t+\t+\tGamma\tDefault\thost-g\t210\tUSMARC\t???\t \t \t \t\r\n";

class ResourceTreeGrid : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(Drv.StartWithResourceList(kTree));
    Grid = Dlg_ListDB->DBGridEh_TreeDB;
    Table = Dlg_ListDB->MemTableEh_Tree;
  }
  std::vector<Integer> Shown() {
    std::vector<Integer> ids;
    for (Table->First(); !Table->GetEof(); Table->Next()) ids.push_back(Table->FieldByName(u"ID_THIS")->GetAsInteger());
    return ids;
  }
  // The cell of record Id in the column of Field, inside its lines.
  TRect CellOf(Integer Id, const String& Field) {
    EXPECT_TRUE(Table->Locate(u"ID_THIS", Variant(Id), {}));
    const Integer row = Grid->DataRowsOffset() + Table->GetRecNo() - 1;
    const Integer col =
        Grid->GetIndicatorOffset() + Grid->GetVisibleColumns()->IndexOf(Grid->FindColumnByFieldName(Field));
    TRect r = Grid->CellRect(col, row);
    return TRect(r.Left + 2, r.Top + 2, r.Right - 2, r.Bottom - 2);
  }
  // The pixels of a cell as painted now.
  std::vector<TColor> PixelsOf(const TRect& R) {
    std::vector<TColor> out;
    for (Integer y = R.Top; y < R.Bottom; ++y)
      for (Integer x = R.Left; x < R.Right; ++x) out.push_back(Drv.Display().PixelAt(Grid->GetHandle(), x, y));
    return out;
  }

  TProgramDriver Drv;
  TDBGridEh* Grid = nullptr;
  TMemTableEh* Table = nullptr;
};

Byte Red(TColor C) { return C & 0xFF; }
Byte Green(TColor C) { return (C >> 8) & 0xFF; }
Byte Blue(TColor C) { return (C >> 16) & 0xFF; }

}  // namespace

TEST_F(ResourceTreeGrid, ShowsTheResourceColumnsWithAFilterRowUnderTheTitles) {
  std::vector<std::string> titles, hidden, unfiltered;
  for (Integer i = 0; i < Grid->GetColumns()->GetCount(); ++i) {
    TColumnEh* c = Grid->GetColumns()->Items(i);
    titles.push_back(ToUtf8(c->GetFieldName() + u":" + c->GetTitle()->GetCaption()));
    if (!c->GetVisible()) hidden.push_back(ToUtf8(c->GetFieldName()));
    if (!c->GetSTFilter()->GetVisible()) unfiltered.push_back(ToUtf8(c->GetFieldName()));
  }
  EXPECT_EQ(titles, (std::vector<std::string>{"NAME_THIS:Наименование", "ItsActual:Актуальность", "ItsUse:Использ.",
                                              "Database:База данных", "URL:URL", "PORT:Порт", "Syntax:Формат",
                                              "Encoding:Кодировка", "Note:Примечание", "Username:Пользователь",
                                              "PSW:Пароль", "ID_TYPE:ID-типа", "Name_Type:Тип", "NPP:Nп/п",
                                              "ID_THIS:ID", "ID_PARENT:ID-родителя"}));
  EXPECT_EQ(hidden, (std::vector<std::string>{"NPP", "ID_PARENT"}));
  EXPECT_EQ(unfiltered, (std::vector<std::string>{"Name_Type"}));
  EXPECT_EQ(Grid->FindColumnByFieldName(u"NAME_THIS")->GetWidth(), 300);
  EXPECT_EQ(Grid->FindColumnByFieldName(u"ItsUse")->GetAlignment(), taCenter);
  EXPECT_TRUE(Grid->GetSTFilter()->GetVisible());
  EXPECT_TRUE(Grid->GetSTFilter()->GetLocal());
  EXPECT_TRUE(Grid->GetSTFilter()->GetInstantApply());
  EXPECT_EQ(Grid->GetFrozenCols(), 1);
  EXPECT_EQ(Grid->GetColor(), clWhite);
  EXPECT_EQ(Grid->GetDataSource()->GetDataSet(), Table);
  EXPECT_TRUE(GetDBGridEhCenter()->GetFilterEditCloseUpApplyFilter()) << "the program switched it on at its start";
}

TEST_F(ResourceTreeGrid, AFilterRowValueNarrowsTheTreeToMatchesAndTheirGroups) {
  Table->SetFiltered(true);
  Grid->FindColumnByFieldName(u"NAME_THIS")->GetSTFilter()->SetExpressionStr(u"Alpha");
  Grid->ApplyFilterRow();
  EXPECT_EQ(Shown(), (std::vector<Integer>{0, 1, 4}));
  Grid->FindColumnByFieldName(u"NAME_THIS")->GetSTFilter()->SetExpressionStr(String());
  Grid->ApplyFilterRow();
  EXPECT_EQ(Shown().size(), 5u);
}

TEST_F(ResourceTreeGrid, ATitleClickSortsInMemoryWithoutAnError) {
  bool clicked = false;
  Drv.WhenModal<TDlg_ListDB>([&](TDlg_ListDB* w) {
    TColumnEh* name = Grid->FindColumnByFieldName(u"NAME_THIS");
    const TRect title = Grid->CellRect(Grid->GetIndicatorOffset(), 0);
    Drv.Display().Click(Grid->GetHandle(), title.Left + name->GetWidth() / 2, (title.Top + title.Bottom) / 2);
    EXPECT_EQ(name->GetTitle()->GetSortMarker(), smDownEh);
    EXPECT_EQ(Shown(), (std::vector<Integer>{0, 7, 1, 4, 2}));
    clicked = true;
    w->SB_CancelClick(w->SB_Cancel);
  });
  Dlg_ListDB->EditResourceList();
  EXPECT_TRUE(clicked);
  EXPECT_TRUE(Drv.Boxes().empty()) << "no error box";
}

TEST_F(ResourceTreeGrid, TheColourSchemeRecoloursTheGridsFixedCellsAndText) {
  SchemeIndex = 1;
  ApplySchemeToAllForms();
  EXPECT_EQ(Grid->GetFixedColor(), DesertBackColor);
  EXPECT_EQ(Grid->GetTitleFont()->GetColor(), DesertFontColor);
  EXPECT_EQ(Grid->GetFont()->GetColor(), DesertFontColor);
  SchemeIndex = 0;
  ApplySchemeToAllForms();
  EXPECT_EQ(Grid->GetFixedColor(), SkyBlueBackColor);
}

TEST_F(ResourceTreeGrid, UnusedResourcesAreGreyedAndAGroupsOtherCellsStayBlank) {
  bool painted = false;
  Drv.WhenModal<TDlg_ListDB>([&](TDlg_ListDB* w) {
    // The type column moved next to the names, where the window shows it.
    Grid->FindColumnByFieldName(u"Name_Type")->SetIndex(1);
    const TRect unusedName = CellOf(4, u"NAME_THIS"), usedName = CellOf(2, u"NAME_THIS");
    const TRect groupTypeCell = CellOf(1, u"Name_Type"), resourceTypeCell = CellOf(2, u"Name_Type");
    // The current record is elsewhere: no cell measured is the focused one.
    Table->Locate(u"ID_THIS", Variant(Integer(0)), {});
    Grid->Invalidate();
    Drv.Display().ProcessMessages();
    const std::vector<TColor> unused = PixelsOf(unusedName);
    const std::vector<TColor> used = PixelsOf(usedName);
    const std::vector<TColor> groupType = PixelsOf(groupTypeCell);
    const std::vector<TColor> resourceType = PixelsOf(resourceTypeCell);
    // Navy ink is far bluer than red; the money green is greener than both.
    auto navy = [](TColor c) { return Blue(c) > Red(c) + 0x40; };
    auto green = [](TColor c) { return Green(c) > Red(c) + 0x08 && Green(c) > Blue(c) + 0x08; };
    EXPECT_TRUE(std::any_of(unused.begin(), unused.end(), green)) << "the unused resource's name is written green";
    EXPECT_FALSE(std::any_of(unused.begin(), unused.end(), navy)) << "and not in navy";
    EXPECT_TRUE(std::any_of(used.begin(), used.end(), navy)) << "a used resource's name is written in navy";
    EXPECT_FALSE(std::any_of(used.begin(), used.end(), green));
    EXPECT_EQ(std::count(groupType.begin(), groupType.end(), clWhite), static_cast<long>(groupType.size()))
        << "a group's type cell reads as empty";
    EXPECT_LT(std::count(resourceType.begin(), resourceType.end(), clWhite), static_cast<long>(resourceType.size()));
    const std::string artifacts = std::string(BORROW_BINARY_DIR) + "/test-artifacts";
    std::filesystem::create_directories(artifacts);
    Drv.Display().SnapshotPNG(w->GetHandle(), artifacts + "/client-resource-tree-editor.png");
    painted = true;
    w->SB_CancelClick(w->SB_Cancel);
  });
  Dlg_ListDB->EditResourceList();
  EXPECT_TRUE(painted);
}

TEST_F(ResourceTreeGrid, ANameTypedIntoTheFilterRowNarrowsTheTreeWhileTheWindowIsOpen) {
  std::vector<Integer> filtered;
  Drv.WhenModal<TDlg_ListDB>([&](TDlg_ListDB* w) {
    const TRect cell = Grid->CellRect(Grid->GetIndicatorOffset(), 1);
    Drv.Display().AdvanceClock(GetDoubleClickTime() + 1);
    Drv.Display().Click(Grid->GetHandle(), cell.Left + 40, (cell.Top + cell.Bottom) / 2);
    Drv.Display().TypeText(u"Beta");
    Drv.Display().Key(VK_RETURN);
    filtered = Shown();
    w->SB_CancelClick(w->SB_Cancel);
  });
  Dlg_ListDB->EditResourceList();
  EXPECT_EQ(filtered, (std::vector<Integer>{0, 1, 2}));
  EXPECT_EQ(Shown().size(), 5u) << "after the window closes the table is whole again";
}

TEST_F(ResourceTreeGrid, AFilterRowConditionStaysInForceWhileTheViewSwitchesBetweenListAndTree) {
  std::vector<std::vector<Integer>> views;
  std::vector<String> cells;
  Drv.WhenModal<TDlg_ListDB>([&](TDlg_ListDB* w) {
    TSTColumnFilterEh* names = Grid->FindColumnByFieldName(u"NAME_THIS")->GetSTFilter();
    auto look = [&] {
      Drv.Display().ProcessMessages();
      views.push_back(Shown());
      cells.push_back(names->GetExpressionStr());
    };
    auto switchView = [&] {
      Drv.Display().AdvanceClock(GetDoubleClickTime() + 1);
      Drv.Click(w->SB_TreeOrList);
      look();
    };
    switchView();  // the list: resources only
    const TRect cell = Grid->CellRect(Grid->GetIndicatorOffset(), 1);
    Drv.Display().AdvanceClock(GetDoubleClickTime() + 1);
    Drv.Display().Click(Grid->GetHandle(), cell.Left + 40, (cell.Top + cell.Bottom) / 2);
    Drv.Display().TypeText(u"~ %et%");
    Drv.Display().Key(VK_RETURN);
    look();
    switchView();  // the tree
    switchView();  // the list again
    switchView();  // and the tree
    w->SB_CancelClick(w->SB_Cancel);
  });
  Dlg_ListDB->EditResourceList();
  const std::vector<std::vector<Integer>> expected = {{4, 2, 7}, {2}, {0, 1, 2}, {2}, {0, 1, 2}};
  EXPECT_EQ(views, expected);
  EXPECT_EQ(cells, (std::vector<String>{String(), u"~ %et%", u"~ %et%", u"~ %et%", u"~ %et%"}));
}

TEST_F(ResourceTreeGrid, ARefusedFilterCellIsToldAndClearedAtTheSwitchWhileTheOtherCellsStayInForce) {
  std::vector<std::vector<Integer>> views;
  std::vector<std::vector<String>> cells;  // "Наименование" and the open "ID" cell as they read
  std::vector<size_t> boxes;
  Drv.WhenModal<TDlg_ListDB>([&](TDlg_ListDB* w) {
    auto look = [&] {
      Drv.Display().ProcessMessages();
      views.push_back(Shown());
      cells.push_back({Grid->FindColumnByFieldName(u"NAME_THIS")->GetSTFilter()->GetExpressionStr(),
                       Grid->GetFilterEditor()->GetText()});
      boxes.push_back(Drv.Boxes().size());
    };
    Drv.Click(w->SB_TreeOrList);  // the list
    const TRect cell = Grid->CellRect(Grid->GetIndicatorOffset(), 1);
    Drv.Display().Click(Grid->GetHandle(), cell.Left + 40, (cell.Top + cell.Bottom) / 2);
    Drv.Display().TypeText(u"~ %et%");
    Drv.Display().Key(VK_RETURN);
    Drv.Display().Key(VK_END, THeadlessShift::Ctrl);  // on to the last cell, "ID"
    Drv.Display().TypeText(u"abc");
    Drv.Display().Key(VK_RETURN);
    look();
    for (int i = 0; i < 3; ++i) {  // tree, list, tree
      Drv.Display().AdvanceClock(GetDoubleClickTime() + 1);
      Drv.Click(w->SB_TreeOrList);
      look();
    }
    w->SB_CancelClick(w->SB_Cancel);
  });
  Dlg_ListDB->EditResourceList();
  EXPECT_EQ(views, (std::vector<std::vector<Integer>>{{2}, {0, 1, 2}, {2}, {0, 1, 2}}));
  const String name = u"~ %et%";
  EXPECT_EQ(cells,
            (std::vector<std::vector<String>>{{name, u"abc"}, {name, String()}, {name, String()}, {name, String()}}));
  EXPECT_EQ(boxes, (std::vector<size_t>{1, 2, 2, 2})) << "told at Return, and again as the text leaves";
  for (const TShownBox& b : Drv.Boxes()) EXPECT_EQ(b.Text, u"'abc' is not a valid floating point value.");
}

TEST_F(ResourceTreeGrid, WhileChoosingTheSidePanelFollowsTheRecordTheGridMovesTo) {
  TStringList ids;
  ids.Add(u"7");
  ids.Add(u"2");
  Integer atBeta = -2, atAlpha = -2;
  Drv.WhenModal<TDlg_ListDB>([&](TDlg_ListDB* w) {
    Grid->SetFocus();
    Table->Locate(u"ID_THIS", Variant(Integer(2)), {});
    atBeta = w->lb_ListDB_ID->GetItemIndex();
    EXPECT_EQ(w->clb_ListDB_Names->GetItemIndex(), atBeta);
    Table->Locate(u"ID_THIS", Variant(Integer(4)), {});
    atAlpha = w->lb_ListDB_ID->GetItemIndex();
    w->SB_CancelClick(w->SB_Cancel);
  });
  EXPECT_FALSE(Dlg_ListDB->ChooseResources(&ids));
  EXPECT_EQ(atBeta, 1);
  EXPECT_EQ(atAlpha, -1) << "a resource not in the panel selects nothing there";
  EXPECT_EQ(ids.GetText(), u"7\r\n2\r\n") << "Cancel leaves the search list as it was";
}

TEST_F(ResourceTreeGrid, ATitleClickSortsTheShownRecordsKeepsTheCurrentOneAndTheMarkerTellsTheOrder) {
  bool clicked = false;
  Drv.WhenModal<TDlg_ListDB>([&](TDlg_ListDB* w) {
    TColumnEh* id = Grid->FindColumnByFieldName(u"ID_THIS");
    auto clickTitle = [&] {
      const Integer col = Grid->GetIndicatorOffset() + Grid->GetVisibleColumns()->IndexOf(id);
      const TRect title = Grid->CellRect(col, 0);
      Drv.Display().AdvanceClock(GetDoubleClickTime() + 1);
      Drv.Display().Click(Grid->GetHandle(), (title.Left + title.Right) / 2, (title.Top + title.Bottom) / 2);
    };
    auto current = [&] { return Table->FieldByName(u"ID_THIS")->GetAsInteger(); };
    id->SetIndex(1);  // next to the names, in view
    // The tree: siblings in the marked order.
    ASSERT_TRUE(Table->Locate(u"ID_THIS", Variant(Integer(4)), {}));
    clickTitle();
    EXPECT_EQ(id->GetTitle()->GetSortMarker(), smDownEh);
    EXPECT_EQ(current(), 4) << "the current record stays";
    EXPECT_EQ(Shown(), (std::vector<Integer>{0, 1, 2, 4, 7}));
    ASSERT_TRUE(Table->Locate(u"ID_THIS", Variant(Integer(4)), {}));
    clickTitle();
    EXPECT_EQ(id->GetTitle()->GetSortMarker(), smUpEh);
    EXPECT_EQ(current(), 4);
    EXPECT_EQ(Shown(), (std::vector<Integer>{0, 7, 1, 4, 2}));

    // The flat list starts in its own order, by name, with no marker left over.
    w->SB_TreeOrListClick(w->SB_TreeOrList);
    EXPECT_EQ(id->GetTitle()->GetSortMarker(), smNoneEh);
    EXPECT_EQ(Shown(), (std::vector<Integer>{4, 2, 7}));
    ASSERT_TRUE(Table->Locate(u"ID_THIS", Variant(Integer(2)), {}));
    clickTitle();
    EXPECT_EQ(current(), 2);
    EXPECT_EQ(Shown(), (std::vector<Integer>{2, 4, 7}));
    clickTitle();
    EXPECT_EQ(Shown(), (std::vector<Integer>{7, 4, 2}));
    w->SB_TreeOrListClick(w->SB_TreeOrList);
    EXPECT_EQ(id->GetTitle()->GetSortMarker(), smNoneEh);
    EXPECT_EQ(Shown(), (std::vector<Integer>{0, 1, 4, 2, 7}));
    clicked = true;
    w->SB_CancelClick(w->SB_Cancel);
  });
  Dlg_ListDB->EditResourceList();
  EXPECT_TRUE(clicked);
  EXPECT_TRUE(Drv.Boxes().empty()) << "no error box";
}
