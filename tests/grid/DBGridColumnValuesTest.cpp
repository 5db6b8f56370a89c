// What a column shows and allows: display texts through key and pick lists and
// display formats, check states, image indexes, and whether a cell may change.

#include "DBGridTestSupport.h"
#include "grid/ScopeGuardEh.h"
#include "platform/core/FormatSettings.h"

namespace {

class ColumnValues : public GridFixture {
protected:
  TColumnEh* Column = nullptr;
  void SetUp() override {
    GridFixture::SetUp();
    ShowResources();
  }
  TColumnEh* Over(const String& FieldName) {
    Column = Grid->GetColumns()->Add();
    Column->SetFieldName(FieldName);
    return Column;
  }
  void SetName(const String& Name) {
    Table.Edit();
    Table.FieldByName(u"NAME_THIS")->SetAsString(Name);
    Table.Post();
  }
};

}  // namespace

TEST_F(ColumnValues, AKeyListShowsThePickListItemOfTheKey) {
  Over(u"ID_TYPE");
  Column->GetKeyList()->Add(u"0");
  Column->GetKeyList()->Add(u"1");
  Column->GetPickList()->Add(u"Группа");
  Column->GetPickList()->Add(u"Ресурс");
  EXPECT_EQ(Column->GetDisplayText(), u"Группа");  // the first record is a group
  Table.Next();
  EXPECT_EQ(Column->GetDisplayText(), u"Ресурс");
  EXPECT_EQ(Column->GetImageIndex(), 1);
  EXPECT_EQ(Column->GetDataText(), u"Ресурс");
  Column->GetKeyList()->Delete(1);
  EXPECT_EQ(Column->GetDisplayText(), u"");
  Column->SetNotInKeyListIndex(0);
  EXPECT_EQ(Column->GetDisplayText(), u"Группа");
  EXPECT_EQ(Column->GetImageIndex(), 0);
}

TEST_F(ColumnValues, ADisplayFormatFormatsNumbersAndEmptiesStrings) {
  TTemporaryChangeEh<Char> Comma(FormatSettings.DecimalSeparator, u',');
  Over(u"NPP")->SetDisplayFormat(u"0.00");
  EXPECT_EQ(Column->GetDisplayText(), u"1,00");
  EXPECT_EQ(Column->GetDataText(), u"1");
  Over(u"NAME_THIS")->SetDisplayFormat(u"0.00");
  EXPECT_EQ(Column->GetDisplayText(), u"");
  Column->SetDisplayFormat(String());
  EXPECT_EQ(Column->GetDisplayText(), u"Библиотеки");
}

TEST_F(ColumnValues, CheckStatesOfATextFieldComeFromTheKeyListLines) {
  Over(u"NAME_THIS");
  Column->GetKeyList()->Add(u"Y;YES");
  Column->GetKeyList()->Add(u"N");
  SetName(u"yes");
  EXPECT_EQ(Column->GetCheckboxState(), 1);
  SetName(u"n");
  EXPECT_EQ(Column->GetCheckboxState(), 0);
  SetName(u"x");
  EXPECT_EQ(Column->GetCheckboxState(), 2);
  SetName(u"");
  EXPECT_EQ(Column->GetCheckboxState(), 2);
  Column->GetKeyList()->Put(1, u"N;");  // a trailing separator holds the empty text
  EXPECT_EQ(Column->GetCheckboxState(), 0);
}

TEST_F(ColumnValues, CheckStatesOfANumberFieldAreOneNoughtOrNull) {
  Over(u"ID_TYPE");
  EXPECT_EQ(Column->GetCheckboxState(), 0);  // a group: 0
  Table.Next();
  EXPECT_EQ(Column->GetCheckboxState(), 1);
  Table.Edit();
  Table.FieldByName(u"ID_TYPE")->Clear();
  EXPECT_EQ(Column->GetCheckboxState(), 2);
  Table.Cancel();
}

TEST_F(ColumnValues, ANumberFieldsValueIsItsImageIndex) {
  Over(u"NPP");
  EXPECT_EQ(Column->GetImageIndex(), 1);
  Table.Edit();
  Table.FieldByName(u"NPP")->Clear();
  EXPECT_EQ(Column->GetImageIndex(), 0);  // a null number field reads as 0
  Table.Cancel();
  EXPECT_EQ(Over(u"NAME_THIS")->GetImageIndex(), -1);
}

TEST_F(ColumnValues, ACellMayChangeOnlyWhenGridColumnFieldAndDatasetAllow) {
  TColumnEh* Npp = Over(u"NPP");
  Over(u"NAME_THIS");
  EXPECT_TRUE(Column->CanModify(false));
  EXPECT_EQ(Table.State(), dsBrowse);
  Column->SetReadOnly(true);
  EXPECT_FALSE(Column->CanModify(false));
  Column->SetReadOnly(false);
  Grid->SetReadOnly(true);
  EXPECT_FALSE(Column->CanModify(false));
  EXPECT_TRUE(Npp->GetReadOnly());  // an unassigned ReadOnly follows the grid's
  EXPECT_FALSE(Column->GetReadOnly());
  Grid->SetReadOnly(false);
  Grid->SetAllowedOperations({alopInsertEh, alopDeleteEh, alopAppendEh});
  EXPECT_FALSE(Column->CanModify(false));
  Grid->SetAllowedOperations(AllAllowedOperationsEh);
  Column->SetOnGetCellParams([](TObject*, bool EditMode, TColCellParamsEh* Params) {
    if (EditMode) Params->SetReadOnly(true);
  });
  EXPECT_FALSE(Column->CanModify(false));
  Column->SetOnGetCellParams(nullptr);
  EXPECT_TRUE(Column->CanModify(true));
  EXPECT_EQ(Table.State(), dsEdit);
  EXPECT_TRUE(Grid->GetDataLink()->GetModified());
  Table.Cancel();
  EXPECT_FALSE(Over(u"NO_SUCH_FIELD")->CanModify(false));
}

TEST_F(ColumnValues, OnlyAVisibleWritableBoundColumnCanBeEdited) {
  Over(u"NPP");
  EXPECT_TRUE(Column->CanEditColumn());
  Column->SetVisible(false);
  EXPECT_FALSE(Column->CanEditColumn());
  Column->SetVisible(true);
  Table.FieldByName(u"NPP")->SetReadOnly(true);
  EXPECT_FALSE(Column->CanEditColumn());
  EXPECT_EQ(Grid->GetColumns()->FindNextEditableColumn(Column, true), Column);
}

TEST_F(ColumnValues, CharactersAreThoseTheFieldTakes) {
  Over(u"NPP");
  EXPECT_EQ(Column->FilterValidChars(u"1a2-b"), u"12-");
  Column->GetKeyList()->Add(u"x");
  EXPECT_TRUE(Column->IsValidChar(u'a'));  // a key-list column takes any text
}

namespace {

// Resources whose type is looked up in a table of type names.
class LookupColumn : public GridFixture {
protected:
  TMemTableEh Types{nullptr};
  TComponent Owner{nullptr};
  void SetUp() override {
    GridFixture::SetUp();
    AddTableColumn(Types.GetMemTableData(), TMTNumericDataFieldEh::StaticComponentClass(), ftInteger, u"CODE");
    AddTableColumn(Types.GetMemTableData(), TMTStringDataFieldEh::StaticComponentClass(), ftWideString, u"TYPE_NAME")
        ->SetSize(20);
    TMemoryRecordEh* R = Types.GetRecordsData()->GetRecordsList()->NewRecord();
    R->SetDataValues(u"CODE;TYPE_NAME", rvvValueEh, VarArrayOf({Variant(1), Variant(u"Ресурс")}));
    R->Post();
    Types.Open();
    for (const char16_t* Name : {u"ID_THIS", u"ID_TYPE"}) {
      auto* F = new TIntegerField(&Owner);
      F->SetFieldName(Name);
      F->SetDataSet(&Table);
    }
    auto* Kind = new TWideStringField(&Owner);
    Kind->SetFieldName(u"KIND");
    Kind->SetFieldKind(fkLookup);
    Kind->SetKeyFields(u"ID_TYPE");
    Kind->SetLookupDataSet(&Types);
    Kind->SetLookupKeyFields(u"CODE");
    Kind->SetLookupResultField(u"TYPE_NAME");
    Kind->SetDataSet(&Table);
  }
  void TearDown() override {
    GridFixture::TearDown();
    Table.Close();
  }
};

}  // namespace

TEST_F(LookupColumn, ALookupCellShowsTheSpecialRowForItsValue) {
  ShowResources();
  TColumnEh* Kind = Grid->FindColumnByFieldName(u"KIND");
  ASSERT_NE(Kind, nullptr);
  EXPECT_EQ(Kind->GetColumnKind(), ckLookup);
  Table.Next();  // a resource: type 1
  EXPECT_EQ(Kind->GetDisplayText(), u"Ресурс");
  Table.First();  // a group: type 0, not in the type table
  EXPECT_EQ(Kind->GetDisplayText(), u"");
  TSpecRowEh* Special = Kind->GetDropDownSpecRow();
  Special->SetCellsText(u"(нет)");
  Special->SetVisible(true);
  EXPECT_EQ(Kind->GetDisplayText(), u"(нет)");  // nothing looked up
  Special->SetShowIfNotInKeyList(false);
  EXPECT_EQ(Kind->GetDisplayText(), u"");
  Special->SetValue(Variant(0));
  EXPECT_EQ(Kind->GetDisplayText(), u"(нет)");  // the keys are the row's value
}

// ---- Writing and stepping values ----------------------------------------------------------------------------------

TEST_F(ColumnValues, SettingACheckStateWritesTheFirstValueOfItsKeyListLine) {
  Over(u"NAME_THIS");
  Column->GetKeyList()->Add(u"Да;YES");
  Column->GetKeyList()->Add(u"Нет");
  Table.Edit();
  Column->SetCheckboxState(1);
  EXPECT_EQ(Table.FieldByName(u"NAME_THIS")->GetAsString(), u"Да");
  Column->SetCheckboxState(0);
  EXPECT_EQ(Table.FieldByName(u"NAME_THIS")->GetAsString(), u"Нет");
  Column->SetCheckboxState(2);
  EXPECT_TRUE(Table.FieldByName(u"NAME_THIS")->GetIsNull());
  Over(u"ID_TYPE")->SetCheckboxState(1);
  EXPECT_EQ(Table.FieldByName(u"ID_TYPE")->GetAsInteger(), 1);
}

TEST_F(ColumnValues, OnUpdateDataMayWriteTheValueItself) {
  Over(u"NAME_THIS");
  String Seen;
  Column->OnUpdateData = [&](TObject*, String& Text, Variant&, bool& UseText, bool& Handled) {
    Seen = Text;
    Handled = UseText && Text == u"свой";
  };
  Table.Edit();
  Column->UpdateDataValues(u"свой", Variant(u"свой"), true);
  EXPECT_EQ(Seen, u"свой");
  EXPECT_EQ(Table.FieldByName(u"NAME_THIS")->GetAsString(), u"Библиотеки");
  Column->UpdateDataValues(u"чужой", Variant(u"чужой"), true);
  EXPECT_EQ(Table.FieldByName(u"NAME_THIS")->GetAsString(), u"чужой");
}

TEST_F(ColumnValues, SteppingAPickListWrapsAndATextOutsideItGoesToAnEnd) {
  Over(u"NAME_THIS");
  for (const char16_t* Item : {u"Альфа", u"Бета", u"Гамма"}) Column->GetPickList()->Add(Item);
  Column->SetNextFieldValue(1);  // "Библиотеки" is no item: the first
  EXPECT_EQ(Table.FieldByName(u"NAME_THIS")->GetAsString(), u"Альфа");
  Column->SetNextFieldValue(1);
  EXPECT_EQ(Table.FieldByName(u"NAME_THIS")->GetAsString(), u"Бета");
  Column->SetNextFieldValue(-1);
  Column->SetNextFieldValue(-1);
  EXPECT_EQ(Table.FieldByName(u"NAME_THIS")->GetAsString(), u"Гамма");
  SetName(u"Другое");
  Column->SetNextFieldValue(-1);
  EXPECT_EQ(Table.FieldByName(u"NAME_THIS")->GetAsString(), u"Гамма");
}

TEST_F(ColumnValues, ANullNumberSteppedByFiveBecomesNoughtThenFive) {
  Over(u"NPP");
  Table.Edit();
  Table.FieldByName(u"NPP")->Clear();
  Column->SetNextFieldValue(5);
  EXPECT_EQ(Table.FieldByName(u"NPP")->GetAsInteger(), 0);
  Column->SetNextFieldValue(5);
  EXPECT_EQ(Table.FieldByName(u"NPP")->GetAsInteger(), 5);
}

TEST_F(ColumnValues, AReadOnlyGridStepsNothing) {
  Over(u"NPP");
  Grid->SetReadOnly(true);
  Column->SetNextFieldValue(1);
  EXPECT_EQ(Table.GetState(), dsBrowse);
  EXPECT_EQ(Table.FieldByName(u"NPP")->GetAsInteger(), 1);
}

TEST_F(ColumnValues, AKeyListCellStepsToTheNextKey) {
  Over(u"ID_TYPE");
  Column->GetKeyList()->Add(u"0");
  Column->GetKeyList()->Add(u"1");
  Column->GetKeyList()->Add(u"5");
  Column->GetPickList()->Add(u"Группа");
  Column->GetPickList()->Add(u"Ресурс");
  Column->GetPickList()->Add(u"Прочее");
  Column->SetNextFieldValue(1);
  EXPECT_EQ(Table.FieldByName(u"ID_TYPE")->GetAsInteger(), 1);
  Column->SetNextFieldValue(-1);
  Column->SetNextFieldValue(-1);
  EXPECT_EQ(Table.FieldByName(u"ID_TYPE")->GetAsInteger(), 5);
}
