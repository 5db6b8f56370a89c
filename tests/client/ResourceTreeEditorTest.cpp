// The resource tree editor's editing as the user drives it: records added
// under a group or at the top level through the resource editor dialog,
// records edited and deleted (a group with everything below it), the switch
// between the tree and the flat list, a resource tested against its server
// (its wait window kept above the editor), and resources chosen for the
// search list.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "client/z39_02_ListDB.h"
#include "client/z39_03_EditDB.h"
#include "client/z39_08_Wait.h"
#include "lendsrv/LendServer.h"
#include "platform/core/Files.h"
#include "platform/ui/ValEdit.h"
#include "platform/ui/Windows.h"
#include "tests/client/ProgramDriver.h"
#include "tests/client/ResourceListText.h"
#include "tests/support/FaultServer.h"

namespace {

// Root 0; group 1 "Libraries" (order 1) holding resource 2 "Beta" (order 5)
// and group 3 "Regional" (order 2) holding resource 4 "Alpha" (order 3,
// unused); resource 7 "Gamma" at the top level (order 4), port 0.
const std::string kTree = std::string(kResourceListHead) +
                          "1\t0\t0\t1\t+\t+\tLibraries\t \t \t0\t \t \t \t \t \t\r\n"
                          "2\t1\t1\t5\t+\t+\tBeta\tBooks\thost-b\t210\tUSMARC\t???\t \t \t \t\r\n"
                          "3\t1\t0\t2\t+\t+\tRegional\t \t \t0\t \t \t \t \t \t\r\n"
                          "4\t3\t1\t3\t+\t \tAlpha\tDefault\thost-a\t7090\tRUSMARC\t???\tuser\tsecret\tnote\t\r\n"
                          "7\t0\t1\t4\t+\t+\tGamma\tDefault\thost-g\t0\tUSMARC\t???\t \t \t \t\r\n";

class ResourceTreeEditing : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(Drv.StartWithResourceList(kTree));
    W = Dlg_ListDB;
    ASSERT_EQ(W->MemTableEh_Tree->RecordCount(), 6);
  }
  String Settings() const { return Drv.Folder() + u"Settings/"; }
  TMemTableEh* Table() const { return W->MemTableEh_Tree; }
  void Go(Integer Id) { ASSERT_TRUE(Table()->Locate(u"ID_THIS", Variant(Id), {})) << Id; }
  Integer Current(const Char* Field) const { return Table()->FieldByName(Field)->GetAsInteger(); }
  String CurrentText(const Char* Field) const { return Table()->FieldByName(Field)->GetAsString(); }
  // The identifiers as the table shows them now, in order.
  std::vector<Integer> Shown() {
    std::vector<Integer> ids;
    Table()->First();
    for (; !Table()->GetEof(); Table()->Next()) ids.push_back(Current(u"ID_THIS"));
    return ids;
  }
  std::vector<Integer> Stored() {
    std::vector<Integer> ids;
    for (const TResourceRecord& r : W->GetResourceTable().AllRecords()) ids.push_back(r.ID_THIS);
    std::sort(ids.begin(), ids.end());
    return ids;
  }
  // The next resource editor is answered by Action, which sees its rows.
  void InEditor(std::function<void(TDlg_EditDB*)> Action) { Drv.WhenModal<TDlg_EditDB>(std::move(Action)); }

  TProgramDriver Drv;
  TDlg_ListDB* W = nullptr;
};

std::vector<std::string> Rows(TDlg_EditDB* D) {
  std::vector<std::string> rows;
  TStrings* lines = D->ValueListEditor1->GetStrings();
  for (Integer i = 0; i < lines->GetCount(); ++i) rows.push_back(ToUtf8(lines->Get(i)));
  return rows;
}

}  // namespace

TEST_F(ResourceTreeEditing, AddingUnderNoGroupIsRefusedWithItsMessage) {
  Go(0);
  Drv.AnswerBox(true);
  W->SB_N_AddClick(W->SB_N_Add);
  ASSERT_EQ(Drv.Boxes().size(), 1u);
  EXPECT_EQ(Drv.Boxes()[0].Caption, u"Новая строка");
  EXPECT_EQ(Drv.Boxes()[0].Head, u"Ошибка");
  EXPECT_EQ(Drv.Boxes()[0].Text, u"Не выбрана группа !");
  EXPECT_EQ(Table()->RecordCount(), 6);
  EXPECT_FALSE(W->Label_YesModify->GetVisible());
}

TEST_F(ResourceTreeEditing, ANewRecordGetsIdentifierAndOrderNumberOneAboveTheMaximaAndGoesUnderTheCurrentRecord) {
  Go(2);  // a resource: the new record becomes its child all the same
  std::vector<std::string> rows;
  String id, parent;
  InEditor([&](TDlg_EditDB* d) {
    rows = Rows(d);
    id = d->Edit_ID->GetText();
    parent = d->Edit_Parents->GetText();
    EXPECT_EQ(d->CB_Type->GetItemIndex(), 0) << "a new record opens as a group";
    d->ValueListEditor1->SetValues(u"Наименование", u"  Новая группа ");
    Drv.Click(d->SB_OK);
  });
  W->SB_N_AddClick(W->SB_N_Add);
  EXPECT_EQ(id, u"8");
  EXPECT_EQ(parent, u"2");
  EXPECT_EQ(rows, (std::vector<std::string>{"Наименование=???", "Актуальность=+", "Использовать=+",
                                            "Примечание=", "Nп/п=6"}));
  EXPECT_EQ(Table()->RecordCount(), 7);
  EXPECT_EQ(Current(u"ID_THIS"), 8) << "the new record is current";
  EXPECT_EQ(Current(u"ID_PARENT"), 2);
  EXPECT_EQ(Current(u"ID_TYPE"), 0);
  EXPECT_EQ(Current(u"NPP"), 6);
  EXPECT_EQ(CurrentText(u"NAME_THIS"), u"Новая группа");
  EXPECT_EQ(CurrentText(u"Database"), u"???");
  EXPECT_TRUE(W->Label_YesModify->GetVisible());
  EXPECT_TRUE(Table()->GetReadOnly()) << "the table is read-only again";

  InEditor([&](TDlg_EditDB* d) {
    id = d->Edit_ID->GetText();
    parent = d->Edit_Parents->GetText();
    rows = Rows(d);
    Drv.Click(d->SB_OK);
  });
  W->SB_N_Add_0Click(W->SB_N_Add_0);
  EXPECT_EQ(id, u"9");
  EXPECT_EQ(parent, u"0");
  EXPECT_EQ(rows.back(), "Nп/п=7");
  EXPECT_EQ(Current(u"ID_THIS"), 9);
  EXPECT_EQ(Current(u"ID_PARENT"), 0);
}

TEST_F(ResourceTreeEditing, ANewResourceTypedInTheEditorIsStoredAndSavedWithTheList) {
  Go(1);
  InEditor([&](TDlg_EditDB* d) {
    d->CB_Type->SetFocus();
    d->CB_Type->SetItemIndex(1);
    d->CB_TypeChange(d->CB_Type);
    EXPECT_EQ(Rows(d), (std::vector<std::string>{"Наименование=???", "Актуальность=+", "Использовать=+",
                                                 "База данных=???", "URL=???", "Порт=0", "Формат=???", "Кодировка=???",
                                                 "Пользователь=", "Пароль=", "Примечание=", "Nп/п=6"}));
    TValueListEditor* v = d->ValueListEditor1;
    v->SetValues(u"Наименование", u"Local");
    v->SetValues(u"База данных", u"Default");
    v->SetValues(u"URL", u"127.0.0.1");
    v->SetValues(u"Порт", u"9999");
    v->SetValues(u"Формат", u"usmarc");
    Drv.Display().Key(VK_RETURN, THeadlessShift::Alt);
  });
  W->SB_N_AddClick(W->SB_N_Add);
  ASSERT_EQ(Current(u"ID_THIS"), 8);
  EXPECT_EQ(Current(u"ID_TYPE"), 1);
  EXPECT_EQ(Current(u"PORT"), 9999);
  EXPECT_EQ(CurrentText(u"URL"), u"127.0.0.1");
  EXPECT_EQ(CurrentText(u"Encoding"), u"???");
  W->SB_SaveClick(W->SB_Save);
  const std::string saved = ReadFileBytes(Settings() + u"ListDB.txt");
  EXPECT_NE(saved.find("8\t1\t1\t6\t+\t+\tLocal\tDefault\t127.0.0.1\t9999\tusmarc\t???\t \t \t \t\r\n"),
            std::string::npos)
      << saved;
  EXPECT_FALSE(W->Label_YesModify->GetVisible());
}

TEST_F(ResourceTreeEditing, ACancelledNewRecordChangesNothing) {
  Go(1);
  InEditor([&](TDlg_EditDB*) { Drv.Display().Key(VK_ESCAPE); });
  W->SB_N_AddClick(W->SB_N_Add);
  EXPECT_EQ(Table()->RecordCount(), 6);
  EXPECT_EQ(Current(u"ID_THIS"), 1);
  EXPECT_FALSE(W->Label_YesModify->GetVisible());
}

TEST_F(ResourceTreeEditing, EditingWritesTheReturnedValuesIntoTheCurrentRecord) {
  Go(4);
  std::vector<std::string> rows;
  InEditor([&](TDlg_EditDB* d) {
    rows = Rows(d);
    EXPECT_EQ(d->Edit_ID->GetText(), u"4");
    EXPECT_EQ(d->Edit_Parents->GetText(), u"3");
    d->ValueListEditor1->SetValues(u"Наименование", u"Alpha II");
    d->ValueListEditor1->SetValues(u"Порт", u" 8080 ");
    d->ValueListEditor1->SetValues(u"Использовать", u"yes");
    Drv.Click(d->SB_OK);
  });
  W->SB_N_EditClick(W->SB_N_Edit);
  EXPECT_EQ(rows,
            (std::vector<std::string>{"Наименование=Alpha", "Актуальность=+", "Использовать= ", "База данных=Default",
                                      "URL=host-a", "Порт=7090", "Формат=RUSMARC", "Кодировка=???", "Пользователь=user",
                                      "Пароль=secret", "Примечание=note", "Nп/п=3"}));
  EXPECT_EQ(Current(u"ID_THIS"), 4);
  EXPECT_EQ(CurrentText(u"NAME_THIS"), u"Alpha II");
  EXPECT_EQ(Current(u"PORT"), 8080);
  EXPECT_EQ(CurrentText(u"ItsUse"), u"+");
  EXPECT_EQ(CurrentText(u"Username"), u"user");
  EXPECT_EQ(Current(u"ID_PARENT"), 3);
  EXPECT_TRUE(W->Label_YesModify->GetVisible());
}

TEST_F(ResourceTreeEditing, AResourceTurnedIntoAGroupLosesItsConnectionFields) {
  Go(2);
  InEditor([&](TDlg_EditDB* d) {
    d->CB_Type->SetFocus();
    d->CB_Type->SetItemIndex(0);
    d->CB_TypeChange(d->CB_Type);
    EXPECT_EQ(Rows(d).size(), 5u);
    Drv.Click(d->SB_OK);
  });
  W->SB_N_EditClick(W->SB_N_Edit);
  EXPECT_EQ(Current(u"ID_TYPE"), 0);
  EXPECT_EQ(CurrentText(u"Database"), u"");
  EXPECT_EQ(CurrentText(u"URL"), u"");
  EXPECT_TRUE(Table()->FieldByName(u"PORT")->GetIsNull());
  EXPECT_EQ(CurrentText(u"NAME_THIS"), u"Beta");
}

TEST_F(ResourceTreeEditing, TheRootGroupIsNeitherEditedNorDeleted) {
  Go(0);
  W->SB_N_EditClick(W->SB_N_Edit);
  W->SB_N_DelClick(W->SB_N_Del);
  EXPECT_TRUE(Drv.Boxes().empty());
  EXPECT_EQ(Table()->RecordCount(), 6);
}

TEST_F(ResourceTreeEditing, ADeletedGroupTakesItsSubtreeAndTheSavedListNoLongerHoldsIt) {
  Go(1);
  Drv.AnswerBox(false);
  W->SB_N_DelClick(W->SB_N_Del);
  ASSERT_EQ(Drv.Boxes().size(), 1u);
  EXPECT_EQ(Drv.Boxes()[0].Caption, u"База данных Z39.50-ресурсов");
  EXPECT_EQ(Drv.Boxes()[0].Head, u"УДАЛЕНИЕ строки");
  EXPECT_EQ(Drv.Boxes()[0].Text, u"Желаете удалить эту строку и все, что с ней связано ?");
  EXPECT_TRUE(Drv.Boxes()[0].WithCancel);
  EXPECT_EQ(Stored(), (std::vector<Integer>{0, 1, 2, 3, 4, 7})) << "Cancel keeps everything";

  Go(1);
  Drv.AnswerBox(true);
  W->SB_N_DelClick(W->SB_N_Del);
  EXPECT_EQ(Stored(), (std::vector<Integer>{0, 7}));
  EXPECT_EQ(Shown(), (std::vector<Integer>{0, 7}));
  EXPECT_TRUE(W->Label_YesModify->GetVisible());
  EXPECT_TRUE(Table()->GetReadOnly());
  EXPECT_FALSE(W->GetResourceTable().LocateInBuf(4)) << "a look-up finds nothing of the subtree";

  W->SB_SaveClick(W->SB_Save);
  const std::string saved = ReadFileBytes(Settings() + u"ListDB.txt");
  for (const char* gone : {"Libraries", "Beta", "Regional", "Alpha"})
    EXPECT_EQ(saved.find(gone), std::string::npos) << gone;
  EXPECT_NE(saved.find("Gamma"), std::string::npos);
  W->SB_LoadClick(W->SB_Load);
  EXPECT_EQ(Stored(), (std::vector<Integer>{0, 7}));
}

TEST_F(ResourceTreeEditing, DeletingAResourceLeavesItsSiblings) {
  Go(4);
  Drv.AnswerBox(true);
  W->SB_N_DelClick(W->SB_N_Del);
  EXPECT_EQ(Stored(), (std::vector<Integer>{0, 1, 2, 3, 7}));
}

TEST_F(ResourceTreeEditing, TheListShowsResourcesOnlySortedByNameAndTheTreeComesBack) {
  Go(2);
  W->SB_TreeOrListClick(W->SB_TreeOrList);
  EXPECT_FALSE(Table()->GetTreeList()->GetActive());
  EXPECT_TRUE(Table()->GetFiltered());
  EXPECT_EQ(Table()->GetFilter(), u"ID_TYPE>0");
  EXPECT_EQ(Table()->GetSortOrder(), u"NAME_THIS");
  EXPECT_EQ(Current(u"ID_THIS"), 2) << "the record stays current";
  EXPECT_EQ(Shown(), (std::vector<Integer>{4, 2, 7}));

  Go(4);
  W->SB_TreeOrListClick(W->SB_TreeOrList);
  EXPECT_TRUE(Table()->GetTreeList()->GetActive());
  EXPECT_EQ(Table()->GetSortOrder(), u"NPP,NAME_THIS");
  EXPECT_EQ(Table()->GetFilter(), String()) << "the list's filter leaves with the list";
  EXPECT_EQ(Current(u"ID_THIS"), 4);
  EXPECT_EQ(Shown(), (std::vector<Integer>{0, 1, 3, 4, 2, 7}));
}

TEST(ResourceTreeGroups, GroupsWithoutResourcesStayInTheTreeAfterTheListWasShown) {
  // Groups 10, 11 and 12 are each other's parents, a ring no record leads into
  // from the root, and hold no resource; group 20 is empty; resources 30 and 31
  // sit at the top level.
  const std::string ring = std::string(kResourceListHead) +
                           "10\t12\t0\t1\t+\t+\tRing A\t \t \t0\t \t \t \t \t \t\r\n"
                           "11\t10\t0\t2\t+\t+\tRing B\t \t \t0\t \t \t \t \t \t\r\n"
                           "12\t11\t0\t3\t+\t+\tRing C\t \t \t0\t \t \t \t \t \t\r\n"
                           "20\t0\t0\t4\t+\t+\tEmpty\t \t \t0\t \t \t \t \t \t\r\n"
                           "30\t0\t1\t5\t+\t+\tDelta\tDb\thost\t210\tUSMARC\t???\t \t \t \t\r\n"
                           "31\t0\t1\t6\t+\t+\tEpsilon\tDb\thost\t210\tUSMARC\t???\t \t \t \t\r\n";
  TProgramDriver drv;
  ASSERT_TRUE(drv.StartWithResourceList(ring));
  TDlg_ListDB* w = Dlg_ListDB;
  TMemTableEh* t = w->MemTableEh_Tree;
  auto shown = [t] {
    std::vector<Integer> ids;
    for (t->First(); !t->GetEof(); t->Next()) ids.push_back(t->FieldByName(u"ID_THIS")->GetAsInteger());
    return ids;
  };
  const std::vector<Integer> loaded = shown();
  ASSERT_EQ(loaded.size(), 7u) << "every stored record is in the tree";

  w->SB_TreeOrListClick(w->SB_TreeOrList);
  EXPECT_EQ(shown(), (std::vector<Integer>{30, 31}));
  w->SB_TreeOrListClick(w->SB_TreeOrList);
  EXPECT_EQ(shown(), loaded) << "the tree as it was loaded";
  EXPECT_EQ(t->GetFilter(), String());

  // The same after the editor was closed in the list and opened again.
  w->SB_TreeOrListClick(w->SB_TreeOrList);
  drv.WhenModal<TDlg_ListDB>([&](TDlg_ListDB* d) {
    std::vector<Integer> ids = shown(), all = loaded;
    std::sort(ids.begin(), ids.end());
    std::sort(all.begin(), all.end());
    EXPECT_EQ(ids, all);
    d->SB_CancelClick(d->SB_Cancel);
  });
  w->EditResourceList();

  // And after the list was loaded again from the list view.
  w->SB_TreeOrListClick(w->SB_TreeOrList);
  w->SB_LoadClick(w->SB_Load);
  EXPECT_TRUE(t->GetTreeList()->GetActive());
  EXPECT_EQ(shown(), loaded);

  // A filter the tree had before the list comes back with the tree.
  t->SetFilter(u"ID_THIS<>20");
  w->SB_TreeOrListClick(w->SB_TreeOrList);
  w->SB_TreeOrListClick(w->SB_TreeOrList);
  EXPECT_EQ(t->GetFilter(), u"ID_THIS<>20");
  const std::vector<Integer> filtered = shown();
  EXPECT_EQ(filtered.size(), 6u);
  EXPECT_EQ(std::count(filtered.begin(), filtered.end(), 20), 0);
}

TEST_F(ResourceTreeEditing, TestingAResourceWithPortZeroShowsTheConnectionMessage) {
  Go(7);
  Drv.AnswerBox(true);
  W->SB_TestClick(W->SB_Test);
  ASSERT_EQ(Drv.Boxes().size(), 1u);
  EXPECT_EQ(Drv.Boxes()[0].Caption, u"Z39.50 тест");
  EXPECT_EQ(Drv.Boxes()[0].Head, u"Ошибка");
  EXPECT_EQ(Drv.Boxes()[0].Text, u"Некорректная информация для подключения. Проверьте!");
}

TEST_F(ResourceTreeEditing, AGroupIsNoResourceToChooseAndAChosenResourceIsListedOnce) {
  TStringList ids;
  ids.Add(u"7");
  ids.Add(u"x");
  ids.Add(u"99");
  ids.Add(u"2");
  std::vector<std::string> captions;
  Drv.WhenModal<TDlg_ListDB>([&](TDlg_ListDB* w) {
    EXPECT_EQ(w->GetMode(), 1);
    EXPECT_EQ(w->lb_ListDB_ID->GetItems()->GetText(), u"7\r\n2\r\n") << "what names no record goes";
    Go(1);
    Drv.AnswerBox(true);
    w->SB_N_EditClick(w->SB_N_Edit);
    Go(4);
    w->SB_N_EditClick(w->SB_N_Edit);
    w->SB_N_EditClick(w->SB_N_Edit);
    Go(7);
    w->SB_N_EditClick(w->SB_N_Edit);
    EXPECT_EQ(w->clb_ListDB_Names->GetItemIndex(), 0) << "an entry already listed is selected";
    w->clb_ListDB_Names->SetChecked(1, false);  // "Beta" stays, unticked
    for (Integer i = 0; i < w->clb_ListDB_Names->GetCount(); ++i)
      captions.push_back(ToUtf8(w->clb_ListDB_Names->GetItems()->Get(i)));
    Drv.Display().Key(VK_RETURN, THeadlessShift::Alt);
  });
  EXPECT_TRUE(W->ChooseResources(&ids));
  ASSERT_EQ(Drv.Boxes().size(), 1u);
  EXPECT_EQ(Drv.Boxes()[0].Caption, u"Выбор Z39.50-ресурса для поиска");
  EXPECT_EQ(Drv.Boxes()[0].Text, u"Это НЕ ресурс!");
  EXPECT_EQ(captions, (std::vector<std::string>{"Gamma (USMARC)", "Beta (USMARC)", "Alpha (RUSMARC)"}));
  EXPECT_EQ(ids.GetText(), u"7\r\n4\r\n");
  EXPECT_FALSE(Table()->GetFiltered());
}

TEST_F(ResourceTreeEditing, EditingIsOffWhileChoosingAndOnAgainInTheEditor) {
  TStringList ids;
  Drv.WhenModal<TDlg_ListDB>([&](TDlg_ListDB* w) {
    EXPECT_FALSE(w->SB_N_Add->GetEnabled());
    EXPECT_FALSE(w->SB_N_Del->GetEnabled());
    EXPECT_TRUE(w->SB_TreeOrList->GetEnabled());
    Drv.Display().Key(VK_ESCAPE);
  });
  EXPECT_FALSE(W->ChooseResources(&ids));
  Drv.WhenModal<TDlg_ListDB>([&](TDlg_ListDB* w) {
    EXPECT_EQ(w->GetMode(), 0);
    EXPECT_TRUE(w->SB_N_Add->GetEnabled());
    EXPECT_TRUE(Table()->GetFiltered()) << "the filter row narrows the table while the window is open";
    Drv.Display().Key(VK_ESCAPE);
  });
  EXPECT_FALSE(W->EditResourceList());
  EXPECT_FALSE(Table()->GetFiltered());
}

TEST_F(ResourceTreeEditing, ChangesSavedOnOkOnlyWhenTheTableWasChanged) {
  const String file = Settings() + u"ListDB.txt";
  WriteFileAtomic(file, "* untouched\r\n");
  Drv.WhenModal<TDlg_ListDB>([&](TDlg_ListDB*) { Drv.Display().Key(VK_RETURN, THeadlessShift::Alt); });
  EXPECT_TRUE(W->EditResourceList());
  EXPECT_EQ(ReadFileBytes(file), "* untouched\r\n");

  Drv.WhenModal<TDlg_ListDB>([&](TDlg_ListDB* w) {
    Go(4);
    Drv.AnswerBox(true);
    w->SB_N_DelClick(w->SB_N_Del);
    Drv.Display().Key(VK_RETURN, THeadlessShift::Alt);
  });
  EXPECT_TRUE(W->EditResourceList());
  EXPECT_EQ(ReadFileBytes(file).find("Alpha"), std::string::npos);
  EXPECT_NE(ReadFileBytes(file).find("Gamma"), std::string::npos);
  EXPECT_FALSE(W->Label_YesModify->GetVisible());
}

TEST_F(ResourceTreeEditing, AnEditLeftInTheTableIsWrittenByTheNextOkThoughTheChooserHidItsLabel) {
  const String file = Settings() + u"ListDB.txt";
  // Renamed, then the editor left by its close box: the edit stays in the table.
  Drv.WhenModal<TDlg_ListDB>([&](TDlg_ListDB* w) {
    Go(4);
    InEditor([&](TDlg_EditDB* d) {
      d->ValueListEditor1->SetValues(u"Наименование", u"Alpha II");
      Drv.Click(d->SB_OK);
    });
    Drv.Click(w->SB_N_Edit);
    EXPECT_TRUE(w->Label_YesModify->GetVisible());
    PostMessage(w->GetHandle(), WM_CLOSE);
  });
  Drv.Press(Form_Main, u"SB_Menu_Res");
  EXPECT_EQ(ReadFileBytes(file).find("Alpha II"), std::string::npos);

  // The chooser hides the label.
  Drv.WhenModal<TDlg_ListDB>([&](TDlg_ListDB* w) { PostMessage(w->GetHandle(), WM_CLOSE); });
  Drv.Press(Form_Main, u"SB_N_Add");

  Drv.WhenModal<TDlg_ListDB>([&](TDlg_ListDB* w) {
    EXPECT_FALSE(w->Label_YesModify->GetVisible());
    Go(4);
    EXPECT_EQ(CurrentText(u"NAME_THIS"), u"Alpha II");
    Drv.Click(w->SB_OK);
  });
  Drv.Press(Form_Main, u"SB_Menu_Res");
  EXPECT_NE(ReadFileBytes(file).find("\tAlpha II\t"), std::string::npos);
  EXPECT_TRUE(Drv.Boxes().empty());
}

// ---- The resource editor dialog on its own ----------------------------------------------------

namespace {

class ResourceValuesDialog : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(Drv.Start());
    D = Dlg_EditDB;
  }
  TProgramDriver Drv;
  TDlg_EditDB* D = nullptr;
};

}  // namespace

TEST_F(ResourceValuesDialog, WithoutAListItReturnsFalseAndShowsNothing) {
  EXPECT_FALSE(D->EditResourceValues(nullptr));
  EXPECT_FALSE(D->GetVisible());
}

TEST_F(ResourceValuesDialog, ATypeOtherThanGroupOrResourceOpensAsAResource) {
  TStringList values;
  values.Add(u"id_this=5");
  values.Add(u"ID_TYPE=2");
  values.Add(u"NAME_THIS=  Far ");
  values.Add(u"port=abc");
  Drv.WhenModal<TDlg_EditDB>([&](TDlg_EditDB* d) {
    EXPECT_EQ(d->CB_Type->GetItemIndex(), 1);
    EXPECT_EQ(d->Edit_ID->GetText(), u"5");
    EXPECT_EQ(d->ValueListEditor1->GetValues(u"Наименование"), u"Far");
    EXPECT_EQ(d->ValueListEditor1->GetValues(u"Порт"), u"abc");
    d->ValueListEditor1->SetValues(u"Актуальность", u"да");
    d->ValueListEditor1->SetValues(u"Порт", u"");  // empty: the placeholder, 0
    Drv.Click(d->SB_OK);
  });
  ASSERT_TRUE(D->EditResourceValues(&values));
  EXPECT_EQ(values.GetValue(u"ID_Type"), u"1");
  EXPECT_EQ(values.GetValue(u"PORT"), u"0");
  EXPECT_EQ(values.GetValue(u"ItsActual"), u"+") << "any flag text comes back as +";
  EXPECT_EQ(values.GetValue(u"ItsUse"), u" ");
  EXPECT_EQ(values.GetValue(u"UserName"), u" ");
  EXPECT_EQ(values.GetValue(u"Database"), u"???");
  EXPECT_EQ(D->ValueListEditor1->GetStrings()->GetCount(), 0) << "nothing is kept after the close";
}

TEST_F(ResourceValuesDialog, AGroupsOutputHasNoConnectionNames) {
  TStringList values;
  values.Add(u"ID_THIS=3");
  values.Add(u"ID_TYPE=0");
  values.Add(u"Database=Books");
  Drv.WhenModal<TDlg_EditDB>([&](TDlg_EditDB* d) {
    EXPECT_EQ(d->ValueListEditor1->GetStrings()->GetCount(), 5);
    Drv.Click(d->SB_OK);
  });
  ASSERT_TRUE(D->EditResourceValues(&values));
  for (const Char* name : {u"Database", u"URL", u"PORT", u"Syntax", u"Encoding", u"UserName", u"PSW"})
    EXPECT_LT(values.IndexOfName(name), 0) << ToUtf8(name);
  EXPECT_EQ(values.GetValue(u"NAME_THIS"), u"???");
  EXPECT_EQ(values.GetValue(u"Note"), u" ");
  EXPECT_EQ(values.GetValue(u"NPP"), u"0");
}

TEST_F(ResourceValuesDialog, ADoubleClickTogglesAFlagRowAndLeavesOtherRows) {
  TStringList values;
  values.Add(u"ID_TYPE=0");
  values.Add(u"ItsActual=+");
  values.Add(u"NAME_THIS=Group");
  Drv.WhenModal<TDlg_EditDB>([&](TDlg_EditDB* d) {
    TValueListEditor* v = d->ValueListEditor1;
    auto doubleClickRow = [&](Integer Row) {
      const TRect r = v->CellRect(1, Row);
      Drv.Display().AdvanceClock(GetDoubleClickTime() + 1);
      Drv.Display().DoubleClick(v->GetHandle(), (r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
    };
    doubleClickRow(2);  // "Актуальность"
    EXPECT_EQ(v->GetCells(1, 2), u"");
    doubleClickRow(2);
    EXPECT_EQ(v->GetCells(1, 2), u"+");
    doubleClickRow(3);  // "Использовать", a blank
    EXPECT_EQ(v->GetCells(1, 3), u"+");
    if (v->GetEditorMode()) v->SetEditorMode(false);
    EXPECT_EQ(v->GetCells(1, 1), u"Group") << "the name is no flag";
    Drv.Display().Key(VK_ESCAPE);
  });
  EXPECT_FALSE(D->EditResourceValues(&values));
  EXPECT_EQ(values.GetValue(u"ItsActual"), u"+") << "Cancel leaves the list as it was";
}

TEST_F(ResourceTreeEditing, ClickingFromValueToValueKeepsEveryTypedValueAndEditsTheClickedRow) {
  Go(4);
  Integer row = -1;
  InEditor([&](TDlg_EditDB* d) {
    TValueListEditor* v = d->ValueListEditor1;
    auto clickValue = [&](const String& Caption) {
      Integer r = 0;
      ASSERT_TRUE(v->FindRow(Caption, r));
      const TRect cell = v->CellRect(1, r);
      Drv.Display().AdvanceClock(GetDoubleClickTime() + 1);
      // Well right of the text: a click in the open editor puts the caret after it.
      Drv.Display().Click(v->GetHandle(), cell.Left + 200, (cell.Top + cell.Bottom) / 2);
    };
    clickValue(u"Примечание");
    Drv.Display().TypeText(u" first");
    clickValue(u"База данных");
    EXPECT_TRUE(v->Focused()) << "the value list keeps the keyboard";
    Drv.Display().TypeText(u"Second");
    clickValue(u"База данных");
    Drv.Display().TypeText(u"Third");
    row = v->GetRow();
    Drv.Click(d->SB_OK);
  });
  W->SB_N_EditClick(W->SB_N_Edit);
  EXPECT_EQ(row, 4) << "the clicked row is the one being edited";
  EXPECT_EQ(CurrentText(u"Note"), u"first") << "typing into a cell that is not being edited replaces its value";
  EXPECT_EQ(CurrentText(u"Database"), u"SecondThird");
}

TEST(ResourceTreeDeletion, AGroupTakesItsOwnRecordsAndLeavesTwinsOfTheirIdentifiersElsewhere) {
  // Group 1 holds resource 2 and group 3, which holds resource 4; group 5
  // holds "Last" and then "Twin", which bears 2 too (the file's reader keeps
  // the first of repeated identifiers: the twin comes into the table itself).
  const std::string list = std::string(kResourceListHead) +
                           "1\t0\t0\t1\t+\t+\tLibraries\t \t \t0\t \t \t \t \t \t\r\n"
                           "2\t1\t1\t2\t+\t+\tBeta\tBooks\thost-b\t210\tUSMARC\t???\t \t \t \t\r\n"
                           "3\t1\t0\t3\t+\t+\tRegional\t \t \t0\t \t \t \t \t \t\r\n"
                           "4\t3\t1\t4\t+\t+\tAlpha\tBooks\thost-a\t210\tUSMARC\t???\t \t \t \t\r\n"
                           "5\t0\t0\t5\t+\t+\tOther\t \t \t0\t \t \t \t \t \t\r\n"
                           "9\t5\t1\t7\t+\t+\tLast\tBooks\thost-l\t210\tUSMARC\t???\t \t \t \t\r\n";
  // In the tree, and in the flat list with resource 2 "Beta" current, whose
  // deletion must spare "Twin".
  for (const bool flat : {false, true}) {
    SCOPED_TRACE(flat ? "list view" : "tree view");
    TProgramDriver drv;
    ASSERT_TRUE(drv.StartWithResourceList(list));
    TDlg_ListDB* w = Dlg_ListDB;
    TMemTableEh* t = w->MemTableEh_Tree;
    t->SetReadOnly(false);
    t->Append();
    t->FieldByName(u"ID_THIS")->SetAsInteger(2);
    t->FieldByName(u"ID_PARENT")->SetAsInteger(5);
    t->FieldByName(u"ID_TYPE")->SetAsInteger(1);
    t->FieldByName(u"NPP")->SetAsInteger(6);
    t->FieldByName(u"NAME_THIS")->SetAsString(u"Twin");
    t->Post();
    t->SetReadOnly(true);
    if (flat) w->SB_TreeOrListClick(w->SB_TreeOrList);
    ASSERT_TRUE(t->Locate(u"NAME_THIS", Variant(String(flat ? u"Beta" : u"Libraries")), {}));
    drv.AnswerBox(true);
    w->SB_N_DelClick(w->SB_N_Del);
    std::vector<std::string> names;
    for (const TResourceRecord& r : w->GetResourceTable().AllRecords()) names.push_back(ToUtf8(r.NAME_THIS));
    std::sort(names.begin(), names.end());
    if (flat)
      EXPECT_EQ(names, (std::vector<std::string>{"Alpha", "Last", "Libraries", "Other", "Regional", "Root", "Twin"}));
    else EXPECT_EQ(names, (std::vector<std::string>{"Last", "Other", "Root", "Twin"}));
    // The cursor is on the row that followed what went.
    EXPECT_EQ(t->FieldByName(u"NAME_THIS")->GetAsString(), flat ? u"Last" : u"Other");
  }
}

TEST_F(ResourceValuesDialog, APortThatIsNoNumberIsRefusedAtOkAndTheDialogKeepsWhatWasTyped) {
  TStringList values;
  values.Add(u"ID_THIS=5");
  values.Add(u"ID_TYPE=1");
  values.Add(u"PORT=210");
  bool stillOpen = false;
  String kept;
  Integer row = 0;
  Drv.WhenModal<TDlg_EditDB>([&](TDlg_EditDB* d) {
    TValueListEditor* v = d->ValueListEditor1;
    Integer port = 0;
    ASSERT_TRUE(v->FindRow(u"Порт", port));
    const TRect cell = v->CellRect(1, port);
    Drv.Display().Click(v->GetHandle(), cell.Left + 200, (cell.Top + cell.Bottom) / 2);
    Drv.Display().TypeText(u"abc");
    v->SetRow(1);
    Drv.AnswerBox(true);
    Drv.Click(d->SB_OK);  // refused: the box, and the dialog stays
    stillOpen = TProgramDriver::OpenModal<TDlg_EditDB>() == d;
    kept = v->GetValues(u"Порт");
    row = v->GetRow();
    v->SetValues(u"Порт", u"70000");
    Drv.AnswerBox(true);
    Drv.Click(d->SB_OK);  // out of range: refused too
    v->SetValues(u"Порт", u"7090");
    Drv.Click(d->SB_OK);
  });
  ASSERT_TRUE(D->EditResourceValues(&values));
  EXPECT_TRUE(stillOpen);
  EXPECT_EQ(kept, u"abc");
  EXPECT_EQ(row, 6) << "the port's row is selected";
  ASSERT_EQ(Drv.Boxes().size(), 2u);
  EXPECT_EQ(Drv.Boxes()[0].Caption, u"Редактировать информацию");
  EXPECT_EQ(Drv.Boxes()[0].Head, u"Ошибка");
  EXPECT_EQ(Drv.Boxes()[0].Text, u"Порт - это целое число от 0 до 65535. Исправьте!");
  EXPECT_EQ(values.GetValue(u"PORT"), u"7090");
}

TEST_F(ResourceValuesDialog, TypedValuesKeepToTheSizeOfTheirFields) {
  TStringList values;
  values.Add(u"ID_THIS=5");
  values.Add(u"ID_TYPE=1");
  values.Add(u"Note=" + String(300, u'n'));  // longer than its field already
  Drv.WhenModal<TDlg_EditDB>([&](TDlg_EditDB* d) {
    TValueListEditor* v = d->ValueListEditor1;
    const TRect cell = v->CellRect(1, 1);  // the name
    Drv.Display().Click(v->GetHandle(), cell.Left + 20, (cell.Top + cell.Bottom) / 2);
    Drv.Display().TypeText(String(250, u'Я'));
    Drv.Click(d->SB_OK);
  });
  ASSERT_TRUE(D->EditResourceValues(&values));
  EXPECT_EQ(values.GetValue(u"NAME_THIS"), String(200, u'Я'));
  EXPECT_EQ(values.GetValue(u"Note"), String(100, u'n'));
}

// ---- The wait window of a test -----------------------------------------------------------------

namespace {

// What a window manager makes of what the display is told: a window shown or
// brought forward goes on top, and the windows it owned when they were shown
// go back above it. Stay-on-top never reaches it.
class TManagedStack final : public TDisplayBackend {
public:
  explicit TManagedStack(THeadlessDisplay& Display) : FDisplay(Display) { SetDisplayBackend(this); }
  ~TManagedStack() override { SetDisplayBackend(&FDisplay); }
  UInt64 Now() override { return FDisplay.Now(); }
  std::vector<TDisplayMonitor> Monitors() override { return FDisplay.Monitors(); }
  void Wait(UInt64 TimeoutMs) override { FDisplay.Wait(TimeoutMs); }
  void WindowShown(HWND Wnd, bool Visible) override {
    std::erase(FStack, Wnd);
    if (!Visible) return;
    FOwner[Wnd] = GetWindowOwner(Wnd);
    Raise(Wnd);
  }
  void WindowActivated(HWND Wnd) override {
    if (std::count(FStack.begin(), FStack.end(), Wnd)) Raise(Wnd);
  }
  bool Above(HWND Upper, HWND Lower) const {
    const auto u = std::find(FStack.begin(), FStack.end(), Upper), l = std::find(FStack.begin(), FStack.end(), Lower);
    return u != FStack.end() && l != FStack.end() && u > l;
  }
  std::map<HWND, HWND> FOwner;  // as each window was last shown

private:
  void Raise(HWND Wnd) {
    std::erase(FStack, Wnd);
    FStack.push_back(Wnd);
    for (HWND h : std::vector<HWND>(FStack))
      if (FOwner[h] == Wnd) Raise(h);
  }
  THeadlessDisplay& FDisplay;
  std::vector<HWND> FStack;  // the top last
};

// The search server; the first time a search waits for its answer, Action runs.
class TActingServer final : public TLateBoundObject {
public:
  explicit TActingServer(std::function<void()>* Action) : FAction(Action) { FInner->SetTimeoutSeconds(1); }
  Variant GetProperty(const String& Name) override { return FInner->GetProperty(Name); }
  void SetProperty(const String& Name, const Variant& Value) override { FInner->SetProperty(Name, Value); }
  Variant CallMethod(const String& Name, const std::vector<Variant>& Args) override {
    FInner->SetCallWaitHandler([this] {
      if (*FAction) std::exchange(*FAction, nullptr)();
      return CallWaiting();
    });
    return FInner->CallMethod(Name, Args);
  }

private:
  std::function<void()>* FAction;
  std::shared_ptr<TLendServer> FInner = std::make_shared<TLendServer>();
};

}  // namespace

TEST(WaitWindowStacking, TheWaitWindowStaysAboveTheEditorThatShowedItAlsoWhenTheEditorIsClicked) {
  auto silent = TZFaultServer::Trickle(std::chrono::milliseconds(100));
  TProgramDriver drv;
  const std::string list = ResourceListLine(1, "Silent", "Default", "127.0.0.1", silent->Port(), "usmarc");
  ASSERT_TRUE(drv.StartWithResourceList(std::string(kResourceListHead) + list));
  TManagedStack stack(drv.Display());
  const HWND wait = Form_Wait_Load->GetHandle(), editor = Dlg_ListDB->GetHandle();
  std::vector<bool> above;  // as the test's wait shows, and after a click on the editor
  std::function<void()> click = [&] {
    above.push_back(stack.Above(wait, editor));
    drv.Click(Dlg_ListDB->Panel_Top);
    above.push_back(stack.Above(wait, editor));
  };
  RegisterOleClass(LendServerProgID, [&] { return std::make_shared<TActingServer>(&click); });
  drv.WhenModal<TDlg_ListDB>([&](TDlg_ListDB* w) {
    drv.Press(w, u"SB_N_Last");
    drv.AnswerBox(true);  // the server's silence, told
    drv.Press(w, u"SB_Test");
    stack.FOwner.clear();
    drv.Press(w, u"SB_Load");
    EXPECT_EQ(stack.FOwner[wait], editor) << "the load's wait was the editor's too";
    drv.Press(w, u"SB_Cancel");
  });
  drv.Press(Form_Main, u"SB_Menu_Res");
  RegisterOleClass(LendServerProgID, [] { return std::make_shared<TLendServer>(); });
  EXPECT_EQ(above, (std::vector<bool>{true, true}));
  ASSERT_EQ(drv.Boxes().size(), 1u);
  EXPECT_EQ(drv.Boxes()[0].Caption, u"Z39.50 тест");
  EXPECT_FALSE(Form_Wait_Load->GetVisible());
  EXPECT_EQ(GetWindowOwner(wait), Form_Main->GetHandle()) << "hidden, it is the main window's again";
}
