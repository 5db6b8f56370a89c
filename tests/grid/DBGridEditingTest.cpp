// Editing cells through real key and mouse messages over an in-memory table:
// opening the editor, typing, Esc and Enter, a value the field refuses,
// pick-list and lookup drop-downs, check boxes, the value from the row above,
// and the editor's buttons.

#include "grid/DBLookupGridsEh.h"
#include "grid/ScopeGuardEh.h"
#include "platform/core/DateTime.h"
#include "platform/ui/Clipbrd.h"
#include "tests/grid/GridInputTestSupport.h"

namespace {

// The grid of GridInput: columns ID_THIS (grid column 1), NPP (2) and NAME_THIS (3).
class GridEditing : public GridInput {
protected:
  TDBGridInplaceEdit* Editor() { return dynamic_cast<TDBGridInplaceEdit*>(Grid->GetInplaceEditor()); }
  bool EditorShown() { return Editor() && Editor()->GetVisible(); }
  String Name() { return Table.FieldByName(u"NAME_THIS")->GetAsString(); }
  // Opens the editor on the current cell with Enter, its text selected.
  void OpenEditor() {
    Key(VK_RETURN);
    ASSERT_TRUE(EditorShown());
  }
};

}  // namespace

// ---- Opening, typing, Esc and Enter ---------------------------------------------------------------------

TEST_F(GridEditing, EnterOpensTheEditorWithTheCellTextSelectedAndTypingReplacesIt) {
  ShowRecords(5);
  Key(VK_END);
  OpenEditor();
  EXPECT_EQ(Editor()->GetText(), u"Запись 1");
  EXPECT_EQ(Editor()->GetSelLength(), Editor()->GetTextLen());
  Display.TypeText(u"Фонд");
  EXPECT_EQ(Editor()->GetText(), u"Фонд");
  EXPECT_EQ(Table.GetState(), dsEdit);
  EXPECT_EQ(Name(), u"Запись 1");  // nothing written while typing
}

TEST_F(GridEditing, F2OpensTheEditorWithTheCaretAfterTheText) {
  ShowRecords(5);
  Key(VK_END);
  Key(VK_F2);
  ASSERT_TRUE(EditorShown());
  EXPECT_EQ(Editor()->GetSelLength(), 0);
  Display.TypeText(u"!");
  EXPECT_EQ(Editor()->GetText(), u"Запись 1!");
}

TEST_F(GridEditing, EscDropsWhatWasTypedAndASecondEscCancelsTheEdit) {
  ShowRecords(5);
  Key(VK_END);
  OpenEditor();
  Display.TypeText(u"Другое");
  Key(VK_ESCAPE);
  EXPECT_FALSE(EditorShown());
  EXPECT_EQ(Name(), u"Запись 1");
  Key(VK_ESCAPE);
  EXPECT_EQ(Table.GetState(), dsBrowse);
  OpenEditor();
  EXPECT_EQ(Editor()->GetText(), u"Запись 1");
  Key(VK_ESCAPE);
  Key(VK_DOWN);
  Table.First();
  EXPECT_EQ(Name(), u"Запись 1");
}

TEST_F(GridEditing, EnterWritesTheTextIntoTheFieldAndMovingOnPostsTheRecord) {
  ShowRecords(5);
  Key(VK_END);
  OpenEditor();
  Display.TypeText(u"Новая");
  Key(VK_RETURN);
  EXPECT_FALSE(EditorShown());
  EXPECT_EQ(Name(), u"Новая");
  Key(VK_DOWN);
  EXPECT_EQ(Table.GetState(), dsBrowse);
  Table.First();
  EXPECT_EQ(Name(), u"Новая");
}

TEST_F(GridEditing, CyrillicTypedIntoACellReachesTheField) {
  ShowRecords(3);
  ClickCell(3, 2);
  ClickCell(3, 2);  // the second click opens the editor
  ASSERT_TRUE(EditorShown());
  Editor()->SelectAll();
  Display.TypeText(u"Ёлка и щётка");
  Key(VK_RETURN);
  EXPECT_EQ(Name(), u"Ёлка и щётка");
}

TEST_F(GridEditing, TypingOnACellOpensTheEditorWithTheCharacter) {
  ShowRecords(3);
  Key(VK_END);
  Display.TypeText(u"Я");
  ASSERT_TRUE(EditorShown());
  EXPECT_EQ(Editor()->GetText(), u"Я");
  Key(VK_RETURN);
  EXPECT_EQ(Name(), u"Я");
}

TEST_F(GridEditing, AValueTheFieldRefusesKeepsTheEditorOpenWithTheFieldsMessage) {
  ShowRecords(3);
  Key(VK_RIGHT);  // NPP, an integer field
  OpenEditor();
  Display.TypeText(u"1-2");
  Key(VK_RETURN);
  ASSERT_EQ(Display.MessageBoxes().size(), 1u);
  EXPECT_NE(Display.MessageBoxes()[0].Text.find(u"1-2"), String::npos);
  EXPECT_TRUE(EditorShown());
  EXPECT_EQ(Editor()->GetText(), u"1-2");
  EXPECT_EQ(Table.FieldByName(u"NPP")->GetAsInteger(), 3);
  // Mended, the same Enter writes it.
  Editor()->SelectAll();
  Display.TypeText(u"12");
  Key(VK_RETURN);
  EXPECT_EQ(Table.FieldByName(u"NPP")->GetAsInteger(), 12);
  EXPECT_EQ(Display.MessageBoxes().size(), 1u);
}

TEST_F(GridEditing, CharactersTheFieldDoesNotTakeAreNotTyped) {
  ShowRecords(3);
  Key(VK_RIGHT);
  OpenEditor();
  Display.TypeText(u"4x2");
  EXPECT_EQ(Editor()->GetText(), u"42");
}

TEST_F(GridEditing, CtrlQuoteCopiesTheValueOfTheRowAbove) {
  ShowRecords(3);
  Key(VK_END);
  Key(VK_DOWN);
  Key(222, THeadlessShift::Ctrl);
  EXPECT_EQ(Name(), u"Запись 1");
  EXPECT_EQ(Table.GetState(), dsEdit);
  ASSERT_TRUE(EditorShown());
  EXPECT_EQ(Editor()->GetText(), u"Запись 1");
  Key(VK_UP);  // on the first row nothing is copied
  Key(222, THeadlessShift::Ctrl);
  EXPECT_EQ(Name(), u"Запись 1");
  Table.Next();
  EXPECT_EQ(Name(), u"Запись 1");
}

// ---- Paste and the most-recently-used texts --------------------------------------------------------------------

TEST_F(GridEditing, APasteReplacesTheSelectionWithTheCharactersTheFieldTakes) {
  ShowRecords(3);
  Key(VK_END);
  OpenEditor();
  Display.TypeText(u"xyz");
  Editor()->SetSelStart(1);
  Editor()->SetSelLength(1);
  Clipboard()->SetAsText(u"ab");
  Key('V', THeadlessShift::Ctrl);
  EXPECT_EQ(Editor()->GetText(), u"xabz");
  EXPECT_EQ(Editor()->GetSelStart(), 3);
  EXPECT_EQ(Editor()->GetSelLength(), 0);
  Key(VK_ESCAPE);
  Key(VK_ESCAPE);
  Key(VK_LEFT);  // NPP, an integer field
  OpenEditor();
  Clipboard()->SetAsText(u"1a2");
  Key('V', THeadlessShift::Ctrl);
  EXPECT_EQ(Editor()->GetText(), u"12");
  Key(VK_RETURN);
  EXPECT_EQ(Table.FieldByName(u"NPP")->GetAsInteger(), 12);
  Clipboard()->Clear();
}

TEST_F(GridEditing, TypedTextsAreOfferedAgainByTheMostRecentlyUsedList) {
  ShowRecords(3);
  TMRUListEh* Recent = Column(2)->GetMRUList();
  Recent->SetActive(true);
  Key(VK_END);
  OpenEditor();
  Display.TypeText(u"Фонд редкой книги");
  Key(VK_RETURN);
  ASSERT_EQ(Recent->GetItems()->GetCount(), 1);
  EXPECT_EQ(Recent->GetItems()->Get(0), u"Фонд редкой книги");
  Key(VK_DOWN);
  OpenEditor();
  Display.TypeText(u"ф");
  EXPECT_TRUE(Recent->GetDroppedDown());
  TMRUListboxEh* Box = Editor()->GetMRUListBox();
  ASSERT_EQ(Box->GetItems()->GetCount(), 1);
  Key(VK_DOWN);
  Key(VK_RETURN);
  EXPECT_FALSE(Recent->GetDroppedDown());
  EXPECT_EQ(Editor()->GetText(), u"Фонд редкой книги");
  Display.TypeText(u"ж");  // nothing begins so: the list stays closed
  EXPECT_FALSE(Recent->GetDroppedDown());
}

// ---- Pick lists -------------------------------------------------------------------------------------------------

TEST_F(GridEditing, APickListDropsDownAndTheChosenItemIsPosted) {
  ShowRecords(3);
  TStrings* Picks = Column(2)->GetPickList();
  for (const char16_t* Item : {u"Альфа", u"Бета", u"Гамма"}) Picks->Add(Item);
  Key(VK_END);
  OpenEditor();
  EXPECT_EQ(Editor()->GetEditStyle(), esPickListEh);
  ASSERT_GE(Editor()->GetEditButtonCount(), 1);
  EXPECT_TRUE(Editor()->GetEditButtonControl(0)->GetVisible());
  Key(VK_DOWN, THeadlessShift::Alt);
  ASSERT_TRUE(Editor()->GetListVisible());
  TPopupListboxEh* List = Editor()->GetPickListBox();
  EXPECT_EQ(List->GetItems()->GetCount(), 3);
  EXPECT_EQ(List->GetItemIndex(), -1);  // "Запись 1" is no item
  Key(VK_DOWN);
  Key(VK_DOWN);
  EXPECT_EQ(Editor()->GetText(), u"Бета");
  Key(VK_RETURN);
  EXPECT_FALSE(Editor()->GetListVisible());
  EXPECT_TRUE(EditorShown());
  Key(VK_RETURN);
  EXPECT_EQ(Name(), u"Бета");
}

TEST_F(GridEditing, APressOnTheMainButtonDropsThePickListDownAndAClickInItChooses) {
  ShowRecords(3);
  for (const char16_t* Item : {u"Альфа", u"Бета"}) Column(2)->GetPickList()->Add(Item);
  Key(VK_END);
  OpenEditor();
  TEditButtonControlEh* Main = Editor()->GetEditButtonControl(0);
  const TRect Bounds = Main->GetBoundsRect();
  const TPoint At((Bounds.Left + Bounds.Right) / 2, (Bounds.Top + Bounds.Bottom) / 2);
  Display.Click(Editor()->GetHandle(), At.X, At.Y);
  ASSERT_TRUE(Editor()->GetListVisible());
  EXPECT_TRUE(Editor()->GetButtonHeld());
  TPopupListboxEh* List = Editor()->GetPickListBox();
  const TRect Second = List->ItemRect(1);
  Display.Click(List->GetHandle(), Second.Left + 5, (Second.Top + Second.Bottom) / 2);
  EXPECT_FALSE(Editor()->GetListVisible());
  EXPECT_FALSE(Editor()->GetButtonHeld());
  EXPECT_EQ(Editor()->GetText(), u"Бета");
  Key(VK_RETURN);
  EXPECT_EQ(Name(), u"Бета");
}

TEST_F(GridEditing, TypingInAPickListColumnCompletesTheItem) {
  ShowRecords(3);
  TStrings* Picks = Column(2)->GetPickList();
  for (const char16_t* Item : {u"Альфа", u"Бета", u"Гамма"}) Picks->Add(Item);
  Key(VK_END);
  OpenEditor();
  Display.TypeText(u"г");
  EXPECT_EQ(Editor()->GetText(), u"Гамма");
  EXPECT_EQ(Editor()->GetSelStart(), 1);
  EXPECT_EQ(Editor()->GetSelLength(), 4);
  Display.TypeText(u"q");  // matches nothing: typed as it is
  EXPECT_EQ(Editor()->GetText(), u"Гq");
  Key(VK_RETURN);
  EXPECT_EQ(Name(), u"Гq");
}

TEST_F(GridEditing, EscOnAnOpenPickListRestoresTheTextOfBeforeTheList) {
  ShowRecords(3);
  for (const char16_t* Item : {u"Альфа", u"Бета"}) Column(2)->GetPickList()->Add(Item);
  Key(VK_END);
  OpenEditor();
  Key(VK_DOWN, THeadlessShift::Alt);
  Key(VK_DOWN);
  EXPECT_EQ(Editor()->GetText(), u"Альфа");
  Key(VK_ESCAPE);
  EXPECT_FALSE(Editor()->GetListVisible());
  EXPECT_TRUE(EditorShown());
  EXPECT_EQ(Editor()->GetText(), u"Запись 1");
}

TEST_F(GridEditing, APickListOfManyItemsIsDropDownRowsHigh) {
  ShowRecords(3);
  for (Integer I = 1; I <= 12; ++I) Column(2)->GetPickList()->Add(u"Пункт " + IntToStr(I));
  Key(VK_END);
  OpenEditor();
  Key(VK_DOWN, THeadlessShift::Alt);
  TPopupListboxEh* List = Editor()->GetPickListBox();
  EXPECT_EQ(List->GetRowCount(), 7);
  Key(VK_UP, THeadlessShift::Alt);  // closes accepting: nothing was chosen
  EXPECT_FALSE(Editor()->GetListVisible());
  EXPECT_EQ(Editor()->GetText(), u"Запись 1");
}

TEST_F(GridEditing, AKeyListColumnPostsTheKeyOfTheChosenItem) {
  ShowRecords(3);
  TColumnEh* Npp = Column(1);
  Npp->GetKeyList()->Add(u"3");
  Npp->GetKeyList()->Add(u"7");
  Npp->GetPickList()->Add(u"Три");
  Npp->GetPickList()->Add(u"Семь");
  Key(VK_RIGHT);
  OpenEditor();
  EXPECT_EQ(Editor()->GetText(), u"Три");
  Display.TypeText(u"с");
  EXPECT_EQ(Editor()->GetText(), u"Семь");
  Display.TypeText(u"x");  // a key list takes nothing outside it
  EXPECT_EQ(Editor()->GetText(), u"Семь");
  Key(VK_RETURN);
  EXPECT_EQ(Table.FieldByName(u"NPP")->GetAsInteger(), 7);
}

// ---- A read-only column -------------------------------------------------------------------------------------------

TEST_F(GridEditing, AReadOnlyColumnOpensAReadOnlyEditorWithoutItsPickList) {
  ShowRecords(3);
  Column(2)->GetPickList()->Add(u"Альфа");
  Column(2)->SetReadOnly(true);
  Key(VK_END);
  OpenEditor();
  EXPECT_TRUE(Editor()->GetReadOnly());
  EXPECT_EQ(Editor()->GetEditStyle(), esSimpleEh);
  Display.TypeText(u"x");
  EXPECT_EQ(Editor()->GetText(), u"Запись 1");
  EXPECT_EQ(Table.GetState(), dsBrowse);
}

// ---- Check boxes ---------------------------------------------------------------------------------------------------

TEST_F(GridEditing, ACheckBoxTogglesByClickAndBySpace) {
  ShowRecords(3);
  TColumnEh* Npp = Column(1);  // NPP counts down: 3, 2, 1
  Npp->SetCheckboxes(true);
  Key(VK_DOWN);
  Key(VK_DOWN);  // NPP 1: checked
  Key(VK_RIGHT);
  EXPECT_EQ(Npp->GetCheckboxState(), 1);
  Display.TypeText(u" ");
  EXPECT_EQ(Npp->GetCheckboxState(), 0);
  EXPECT_EQ(Table.FieldByName(u"NPP")->GetAsInteger(), 0);
  EXPECT_FALSE(EditorShown());
  ClickCell(2, 3);
  EXPECT_EQ(Npp->GetCheckboxState(), 1);
  EXPECT_EQ(Table.FieldByName(u"NPP")->GetAsInteger(), 1);
  ClickCell(2, 1);  // another record: the click moves there and toggles it
  EXPECT_EQ(Table.FieldByName(u"NPP")->GetAsInteger(), 1);
  Table.First();
  EXPECT_EQ(Table.FieldByName(u"NPP")->GetAsInteger(), 1);
}

// ---- Edit buttons ---------------------------------------------------------------------------------------------------

TEST_F(GridEditing, ExtraButtonsLieRightOfTheMainButtonAndADisabledOneStaysDisabled) {
  ShowRecords(3);
  Grid->SetFlat(true);
  TColumnEh* Name = Column(2);
  Name->SetButtonStyle(cbsEllipsis);
  TEditButtonEh* First = Name->GetEditButtons()->Add();
  First->SetVisible(true);
  TEditButtonEh* Second = Name->GetEditButtons()->Add();
  Second->SetVisible(true);
  Second->SetEnabled(false);
  Integer Clicks = 0;
  Grid->OnEditButtonClick = [&](TObject*) { ++Clicks; };
  Key(VK_END);
  OpenEditor();
  ASSERT_EQ(Editor()->GetEditButtonCount(), 3);
  const Integer Right = Editor()->GetClientWidth();
  TEditButtonControlEh* Main = Editor()->GetEditButtonControl(0);
  TEditButtonControlEh* Extra1 = Editor()->GetEditButtonControl(1);
  TEditButtonControlEh* Extra2 = Editor()->GetEditButtonControl(2);
  EXPECT_EQ(Extra2->GetLeft() + Extra2->GetWidth(), Right);
  EXPECT_EQ(Editor()->GetEditButtonDivider(2)->GetLeft() + 1, Extra2->GetLeft());
  EXPECT_EQ(Extra1->GetLeft() + Extra1->GetWidth() + 1, Extra2->GetLeft());
  EXPECT_EQ(Main->GetLeft() + Main->GetWidth() + 1, Extra1->GetLeft());
  const Integer LastDivider = Editor()->GetEditButtonDivider(0)->GetLeft();
  EXPECT_EQ(Editor()->GetButtonsWidth(), Right - LastDivider);
  EXPECT_EQ(Editor()->GetFormatRect().Right, LastDivider - 2);
  EXPECT_TRUE(Extra1->GetEnabled());
  EXPECT_FALSE(Extra2->GetEnabled());
  // Ctrl+Enter in an ellipsis cell is the main button's click.
  Key(VK_RETURN, THeadlessShift::Ctrl);
  EXPECT_EQ(Clicks, 1);
}

TEST_F(GridEditing, UpDownButtonsStepANumber) {
  ShowRecords(3);
  Column(1)->SetButtonStyle(cbsUpDown);
  Column(1)->SetIncrement(5);
  Key(VK_RIGHT);
  OpenEditor();
  EXPECT_EQ(Editor()->GetEditStyle(), esUpDownEh);
  Editor()->StepValue(false);
  EXPECT_EQ(Table.FieldByName(u"NPP")->GetAsInteger(), 8);
  Editor()->StepValue(true);
  Editor()->StepValue(true);
  EXPECT_EQ(Table.FieldByName(u"NPP")->GetAsInteger(), -2);
  EXPECT_EQ(Editor()->GetText(), u"-2");
}

TEST_F(GridEditing, ADropDownNumberCellTakesTheCalculatorsResult) {
  ShowRecords(3);
  Column(1)->SetButtonStyle(cbsDropDown);
  Key(VK_RIGHT);
  OpenEditor();
  EXPECT_EQ(Editor()->GetEditStyle(), esDropDownEh);
  Key(VK_DOWN, THeadlessShift::Alt);
  ASSERT_TRUE(Editor()->GetListVisible());
  TPopupCalculatorEh* Calculator = Editor()->GetCalculator();
  EXPECT_EQ(Editor()->GetActiveList(), Calculator);
  EXPECT_DOUBLE_EQ(Calculator->GetValue().AsDouble(), 3);  // the editor's number
  Display.TypeText(u"*4");                                 // the keys go to the calculator
  Display.TypeText(u"=");
  EXPECT_EQ(Editor()->GetText(), u"3");
  Key(VK_UP, THeadlessShift::Alt);
  EXPECT_FALSE(Editor()->GetListVisible());
  EXPECT_EQ(Editor()->GetText(), u"12");
  Key(VK_RETURN);
  EXPECT_EQ(Table.FieldByName(u"NPP")->GetAsInteger(), 12);
}

TEST_F(GridEditing, ADropDownTextCellHasNoWindowToOpen) {
  ShowRecords(3);
  Column(2)->SetButtonStyle(cbsAltDropDown);
  Key(VK_END);
  OpenEditor();
  EXPECT_EQ(Editor()->GetEditStyle(), esAltDropDownEh);
  EXPECT_EQ(Editor()->GetActiveList(), nullptr);
  Key(VK_DOWN, THeadlessShift::Alt);
  EXPECT_FALSE(Editor()->GetListVisible());
}

// ---- Lookups -------------------------------------------------------------------------------------------------------

namespace {

// Resources whose type (ID_TYPE) is chosen by name from a table of types.
class GridLookupEditing : public GridEditing {
protected:
  TMemTableEh Types{nullptr};
  TComponent Owner{nullptr};
  TColumnEh* Kind = nullptr;

  void SetUp() override {
    GridEditing::SetUp();
    AddTableColumn(Types.GetMemTableData(), TMTNumericDataFieldEh::StaticComponentClass(), ftInteger, u"CODE");
    AddTableColumn(Types.GetMemTableData(), TMTStringDataFieldEh::StaticComponentClass(), ftWideString, u"TYPE_NAME")
        ->SetSize(20);
    AddType(0, u"Группа");
    AddType(1, u"Ресурс");
    AddType(2, u"Архив");
    Types.Open();
    for (const char16_t* FieldName : {u"ID_THIS", u"ID_TYPE"}) {
      auto* F = new TIntegerField(&Owner);
      F->SetFieldName(FieldName);
      F->SetDataSet(&Table);
    }
    auto* Lookup = new TWideStringField(&Owner);
    Lookup->SetFieldName(u"KIND");
    Lookup->SetFieldKind(fkLookup);
    Lookup->SetKeyFields(u"ID_TYPE");
    Lookup->SetLookupDataSet(&Types);
    Lookup->SetLookupKeyFields(u"CODE");
    Lookup->SetLookupResultField(u"TYPE_NAME");
    Lookup->SetDataSet(&Table);
    for (Integer I = 1; I <= 3; ++I) AddResource(Table, I, 0, 1, I, u"Запись " + IntToStr(I));
    Table.Open();
    MakeGrid(400, 200);
    for (const char16_t* FieldName : {u"ID_THIS", u"KIND"}) {
      TColumnEh* Col = Grid->GetColumns()->Add();
      Col->SetFieldName(FieldName);
      Col->SetWidth(100);
    }
    Kind = Column(1);
    Grid->SetDataSource(&Source);
    Display.ProcessMessages();
    Grid->SetFocus();
    Display.ProcessMessages();
    Key(VK_RIGHT);
  }
  void TearDown() override {
    GridEditing::TearDown();
    Table.Close();
  }
  void AddType(Integer Code, const String& Name) {
    TMemoryRecordEh* R = Types.GetRecordsData()->GetRecordsList()->NewRecord();
    R->SetDataValues(u"CODE;TYPE_NAME", rvvValueEh, VarArrayOf({Variant(Code), Variant(Name)}));
    R->Post();
  }
  Integer TypeOf() { return Table.FieldByName(u"ID_TYPE")->GetAsInteger(); }
};

}  // namespace

TEST_F(GridLookupEditing, ALookupDropDownChoosesANameAndPostsItsKey) {
  OpenEditor();
  EXPECT_EQ(Editor()->GetEditStyle(), esDataListEh);
  EXPECT_EQ(Editor()->GetText(), u"Ресурс");
  Key(VK_DOWN, THeadlessShift::Alt);
  ASSERT_TRUE(Editor()->GetListVisible());
  TPopupDataGridEh* List = Editor()->GetDataList();
  ASSERT_TRUE(List);
  EXPECT_EQ(List, Kind->GetDropDownGrid());  // the column's "DataList"
  EXPECT_EQ(List->GetName(), u"DataList");
  EXPECT_TRUE(List->GetVisible());
  EXPECT_EQ(List->GetListRowCount(), 3);  // fewer records than DropDownRows
  EXPECT_TRUE(VarEqualsEh(List->GetKeyValue(), Variant(1)));
  Key(VK_DOWN);
  EXPECT_EQ(Editor()->GetText(), u"Архив");
  Key(VK_RETURN);
  EXPECT_FALSE(Editor()->GetListVisible());
  Key(VK_RETURN);
  EXPECT_EQ(TypeOf(), 2);
  Key(VK_DOWN);
  Table.First();
  EXPECT_EQ(TypeOf(), 2);
  EXPECT_EQ(Table.FieldByName(u"KIND")->GetAsString(), u"Архив");
}

TEST_F(GridLookupEditing, AClickInTheLookupListChoosesTheName) {
  OpenEditor();
  Key(VK_DOWN, THeadlessShift::Alt);
  TPopupDataGridEh* List = Editor()->GetDataList();
  ASSERT_TRUE(List);
  const TRect Rows = List->DataRect();
  Display.Click(List->GetHandle(), Rows.Left + 5, Rows.Top + 4);  // the first record
  EXPECT_FALSE(Editor()->GetListVisible());
  EXPECT_EQ(Editor()->GetText(), u"Группа");
  Key(VK_RETURN);
  EXPECT_EQ(TypeOf(), 0);
}

TEST_F(GridLookupEditing, TypingCompletesTheNameAndPostsItsKey) {
  OpenEditor();
  Display.TypeText(u"а");
  EXPECT_EQ(Editor()->GetText(), u"Архив");
  EXPECT_EQ(Editor()->GetSelStart(), 1);
  EXPECT_EQ(Editor()->GetSelLength(), 4);
  Display.TypeText(u"z");  // matches nothing: the text stays
  EXPECT_EQ(Editor()->GetText(), u"Архив");
  Key(VK_RETURN);
  EXPECT_EQ(TypeOf(), 2);
}

TEST_F(GridLookupEditing, BackspaceMovesTheCaretAndDeletesNothing) {
  OpenEditor();
  Key(VK_END);
  Key(VK_BACK);
  EXPECT_EQ(Editor()->GetText(), u"Ресурс");
  EXPECT_EQ(Editor()->GetSelStart(), 5);
}

TEST_F(GridLookupEditing, DeleteOverTheWholeNameClearsTheValueAndTheListsChosenKey) {
  OpenEditor();
  Key(VK_DOWN, THeadlessShift::Alt);
  TPopupDataGridEh* List = Editor()->GetDataList();
  ASSERT_TRUE(List);
  ASSERT_TRUE(VarEqualsEh(List->GetKeyValue(), Variant(1)));
  Key(VK_ESCAPE);
  Key(VK_HOME);
  Key(VK_END, THeadlessShift::Shift);
  Key(VK_DELETE);
  EXPECT_EQ(Editor()->GetText(), u"");
  // The list chooses nothing, open or closed.
  EXPECT_TRUE(List->GetKeyValue().IsNull());
  Key(VK_RETURN);
  EXPECT_TRUE(Table.FieldByName(u"ID_TYPE")->GetIsNull());
}

TEST_F(GridLookupEditing, SteppingALookupCellMovesThroughTheLookupRecords) {
  Kind->SetNextFieldValue(1);
  EXPECT_EQ(TypeOf(), 2);
  Kind->SetNextFieldValue(1);
  EXPECT_EQ(TypeOf(), 0);  // after the last, the first
  Kind->SetNextFieldValue(-1);
  EXPECT_EQ(TypeOf(), 2);
}

TEST_F(GridLookupEditing, EscClosesTheLookupListAndKeepsTheName) {
  OpenEditor();
  Key(VK_DOWN, THeadlessShift::Alt);
  Key(VK_UP);
  EXPECT_EQ(Editor()->GetText(), u"Группа");
  Key(VK_ESCAPE);
  EXPECT_FALSE(Editor()->GetListVisible());
  EXPECT_TRUE(EditorShown());
  EXPECT_EQ(Editor()->GetText(), u"Ресурс");
  Key(VK_RETURN);
  EXPECT_EQ(TypeOf(), 1);
}

TEST_F(GridLookupEditing, SpecialRowTextsChangedWhileTheListIsOpenStayWithTheColumn) {
  TSpecRowEh* Special = Kind->GetDropDownSpecRow();
  Special->SetCellsText(u"(нет)");
  Special->SetValue(Variant(-1));
  Special->SetVisible(true);
  // The program names the special row after the record the user passes.
  TPopupDataGridEh* List = Kind->GetDropDownGrid();
  List->OnUserKeyValueChange = [&](TObject*) {
    List->GetSpecRow()->SetCellsText(u"(не " + List->GetDisplayText() + u")");
  };
  OpenEditor();
  Key(VK_DOWN, THeadlessShift::Alt);
  ASSERT_TRUE(Editor()->GetListVisible());
  EXPECT_EQ(List->GetSpecRow()->GetCellsText(), u"(нет)");
  Key(VK_DOWN);
  Key(VK_ESCAPE);
  EXPECT_EQ(Special->GetCellsText(), u"(не Архив)");

  // Opened again, the list starts from the column's texts; unchanged, nothing is taken back.
  List->OnUserKeyValueChange = nullptr;
  Key(VK_DOWN, THeadlessShift::Alt);
  EXPECT_EQ(List->GetSpecRow()->GetCellsText(), u"(не Архив)");
  Special->SetCellsText(u"(пусто)");
  Key(VK_RETURN);
  EXPECT_EQ(Special->GetCellsText(), u"(пусто)");
}

TEST_F(GridLookupEditing, TheDropDownBoxReachesTheColumnsDropDownGrid) {
  TColumnDropDownBoxEh* Box = Kind->GetDropDownBox();
  EXPECT_EQ(Kind->GetDropDownGridIfMade(), nullptr);
  TDBGridColumnsEh* Columns = Box->GetColumns();  // made on first read
  ASSERT_TRUE(Kind->GetDropDownGridIfMade());
  EXPECT_EQ(Box->GetColumns(), Columns);
  EXPECT_EQ(Columns, Kind->GetDropDownGrid()->GetColumns());
  EXPECT_TRUE(Box->GetOptions() == TDBLookupGridEhOptions{dlgColLinesEh});
  Box->SetOptions(TDBLookupGridEhOptions{dlgRowLinesEh});
  EXPECT_TRUE(Kind->GetDropDownGrid()->GetLookupGridOptions() == TDBLookupGridEhOptions{dlgRowLinesEh});
  Box->SetSortLocal(true);
  EXPECT_TRUE(Kind->GetDropDownGrid()->GetSortLocal());
}

TEST_F(GridLookupEditing, TheDropDownGridTakesTheColumnsEventsDisplayFieldsAndSpecialRow) {
  Integer ParamsAsked = 0;
  Kind->SetOnDropDownBoxGetCellParams([&](TObject*, TColumnEh*, TFont*, TColor&, TGridDrawState) { ++ParamsAsked; });
  bool Sorted = false;
  Kind->SetOnDropDownBoxSortMarkingChanged([&](TObject*) { Sorted = true; });
  EXPECT_TRUE(Kind->GetOnDropDownBoxGetCellParams());
  EXPECT_FALSE(Kind->GetOnDropDownBoxTitleBtnClick());
  OpenEditor();
  Key(VK_DOWN, THeadlessShift::Alt);
  TPopupDataGridEh* List = Editor()->GetDataList();
  ASSERT_TRUE(List && List->GetVisible());
  Display.ProcessMessages();
  EXPECT_GT(ParamsAsked, 0);  // the list's cells are painted through the column's handler
  List->OnSortMarkingChanged(List);
  EXPECT_TRUE(Sorted);
  // Changed while the list exists, the column's display fields and special row reach it.
  Kind->SetLookupDisplayFields(u"TYPE_NAME;CODE");
  EXPECT_EQ(List->GetListField(), u"TYPE_NAME;CODE");
  Kind->GetDropDownSpecRow()->SetCellsText(u"(нет)");
  Kind->GetDropDownSpecRow()->SetVisible(true);
  EXPECT_TRUE(List->GetSpecRow()->GetVisible());
  EXPECT_EQ(List->GetSpecRow()->GetCellsText(), u"(нет)");
  Key(VK_ESCAPE);
}

TEST_F(GridLookupEditing, OptimizeWidthFitsTheColumnToItsLongestName) {
  Kind->SetWidth(10);
  Kind->OptimizeWidth();
  const Integer Fitted = Kind->GetWidth();
  EXPECT_GT(Fitted, 10);
  Kind->SetWidth(300);
  Kind->OptimizeWidth();
  EXPECT_EQ(Kind->GetWidth(), Fitted);
  EXPECT_EQ(Column(0)->GetWidth(), 100);  // the other column keeps its width
}

// ---- Dates ----------------------------------------------------------------------------------------------------------

namespace {

// The grid of GridEditing with a fourth column over a date-time field ISSUED.
class GridDateEditing : public GridEditing {
protected:
  void SetUp() override {
    GridEditing::SetUp();
    AddTableColumn(Table.GetMemTableData(), TMTDateTimeDataFieldEh::StaticComponentClass(), ftDateTime, u"ISSUED")
        ->SetVisible(true);
    ShowRecords(2);
    TColumnEh* Issued = Grid->GetColumns()->Add();
    Issued->SetFieldName(u"ISSUED");
    Issued->SetWidth(100);
    Display.ProcessMessages();
  }
};

}  // namespace

TEST_F(GridDateEditing, TheCalendarPicksTheDayAndTheTimeOfDayStays) {
  Table.Edit();
  Table.FieldByName(u"ISSUED")->SetAsDateTime(EncodeDate(2025, 11, 3) + EncodeTime(10, 30, 0, 0));
  Table.Post();
  Key(VK_END);
  OpenEditor();
  EXPECT_EQ(Editor()->GetEditStyle(), esDateCalendarEh);
  Key(VK_DOWN, THeadlessShift::Alt);
  ASSERT_TRUE(Editor()->GetListVisible());
  TPopupMonthCalendarEh* Calendar = Editor()->GetCalendar();
  EXPECT_EQ(Integer(Calendar->GetDate()), Integer(EncodeDate(2025, 11, 3)));
  Calendar->SetDate(EncodeDate(2026, 3, 15));
  Key(VK_UP, THeadlessShift::Alt);
  EXPECT_FALSE(Editor()->GetListVisible());
  EXPECT_DOUBLE_EQ(Table.FieldByName(u"ISSUED")->GetAsDateTime(), EncodeDate(2026, 3, 15) + EncodeTime(10, 30, 0, 0));
}
