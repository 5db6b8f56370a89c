// A column's filter cell: the condition typed or ticked, written back as
// filter-row text, translated between shown texts and stored keys, and the
// grid's filter-row switches.

#include "DBGridTestSupport.h"

namespace {

class ColumnFilter : public GridFixture {
protected:
  // A list data set of resource types: ID 0 "Группа", 1 "Ресурс".
  TMemTableEh Types{nullptr};
  TDataSource TypesSource{nullptr};

  void SetUp() override {
    GridFixture::SetUp();
    AddTableColumn(Types.GetMemTableData(), TMTNumericDataFieldEh::StaticComponentClass(), ftInteger, u"ID");
    AddTableColumn(Types.GetMemTableData(), TMTStringDataFieldEh::StaticComponentClass(), ftWideString, u"NAME")
        ->SetSize(20);
    AddType(0, u"Группа");
    AddType(1, u"Ресурс");
    Types.Open();
    TypesSource.SetDataSet(&Types);
    ShowResources();
    Grid->GetSTFilter()->SetLocal(true);
  }
  void AddType(Integer Id, const String& Name) {
    TMemoryRecordEh* R = Types.GetRecordsData()->GetRecordsList()->NewRecord();
    R->SetDataValues(u"ID;NAME", rvvValueEh, VarArrayOf({Variant(Id), Variant(Name)}));
    R->Post();
  }
  TSTColumnFilterEh* FilterOf(const String& FieldName) { return Grid->FindColumnByFieldName(FieldName)->GetSTFilter(); }
  String WrittenBack(const String& FieldName, const String& Text) {
    FilterOf(FieldName)->SetExpressionStr(Text);
    return FilterOf(FieldName)->GetExpressionAsText();
  }
  // The type column's filter takes its texts from the types list.
  TSTColumnFilterEh* TypeFilterOverList() {
    TSTColumnFilterEh* F = FilterOf(u"ID_TYPE");
    F->SetListSource(&TypesSource);
    F->SetKeyField(u"ID");
    F->SetListField(u"NAME");
    return F;
  }
  // Drop-down items: the values with data items, then one command.
  static void FillItems(TStringList& Items, std::initializer_list<const char16_t*> Values) {
    for (const char16_t* V : Values) Items.AddObject(V, PopupListboxItemEhData());
    Items.AddObject(u"(Все)", PopupListboxItemEhSpec(ptFilterSpecItemSelectAll));
  }
};

}  // namespace

// ---- The condition and its text ----------------------------------------------------------------------

TEST_F(ColumnFilter, AConditionIsWrittenBackWithItsOperatorsAndFormattedOperands) {
  EXPECT_EQ(WrittenBack(u"NPP", u">=1 and <5"), u">= 1 AND < 5");
  EXPECT_EQ(WrittenBack(u"NPP", u"in (1,2)"), u"In (1,2)");
  EXPECT_EQ(WrittenBack(u"NPP", u"!in (3)"), u"!In (3)");
  EXPECT_EQ(WrittenBack(u"NAME_THIS", u"=Архив"), u"= 'Архив'");
  EXPECT_EQ(WrittenBack(u"NAME_THIS", u"~'Ар%' OR =Фонд"), u"~ 'Ар%' OR = 'Фонд'");
}

TEST_F(ColumnFilter, NullConditionsAreWrittenAsTheOperatorAlone) {
  EXPECT_EQ(WrittenBack(u"NAME_THIS", u"=Null"), u"=Null");
  EXPECT_EQ(WrittenBack(u"NAME_THIS", u"<>null"), u"<>Null");
}

TEST_F(ColumnFilter, AQuoteInsideAValueIsDoubledSoTheTextReadsBack) {
  const String Text = WrittenBack(u"NAME_THIS", u"='it''s'");
  EXPECT_EQ(Text, u"= 'it''s'");
  EXPECT_EQ(WrittenBack(u"NAME_THIS", Text), Text);
  EXPECT_EQ(VarToStr(FilterOf(u"NAME_THIS")->GetExpression().Operand1), u"it's");
}

TEST_F(ColumnFilter, AnEmptyTextClearsTheConditionAndTheTextIsKeptAsTyped) {
  TSTColumnFilterEh* F = FilterOf(u"NPP");
  F->SetExpressionStr(u" >  2 ");
  EXPECT_EQ(F->GetExpressionStr(), u" >  2 ");
  EXPECT_EQ(F->GetExpression().Operator1, foGreaterEh);
  EXPECT_EQ(F->GetExpression().ExpressionType, stvtNumberEh);
  F->SetExpressionStr(String());
  EXPECT_EQ(F->GetExpression().Operator1, foNoneEh);
  EXPECT_EQ(F->GetExpressionAsText(), u"");
}

TEST_F(ColumnFilter, AMalformedTextRaisesAndKeepsTheTextBefore) {
  TSTColumnFilterEh* F = FilterOf(u"NPP");
  F->SetExpressionStr(u"=1");
  EXPECT_THROW(F->SetExpressionStr(u"in (1,2"), Exception);
  EXPECT_EQ(F->GetExpressionStr(), u"=1");
}

TEST_F(ColumnFilter, AValueTypedAloneTakesTheCentersDefaultOperatorForItsType) {
  Grid->GetCenter()->SetDefaultOperator(stvtStringEh, fdoContainsEh);
  TSTColumnFilterEh* F = FilterOf(u"NAME_THIS");
  F->SetExpressionStr(u"рхив");
  EXPECT_EQ(F->GetExpression().Operator1, foLikeEh);
  EXPECT_EQ(VarToStr(F->GetExpression().Operand1), u"%рхив%");
  FilterOf(u"NPP")->SetExpressionStr(u"2");
  EXPECT_EQ(FilterOf(u"NPP")->GetExpression().Operator1, foEqualEh);
}

TEST_F(ColumnFilter, ClearingForgetsTheConditionAndThePickedKey) {
  TSTColumnFilterEh* F = FilterOf(u"NPP");
  F->SetExpressionStr(u"=2");
  F->SetKeyValue(Variant(7));
  F->Clear();
  EXPECT_EQ(F->GetExpressionStr(), u"");
  EXPECT_EQ(F->GetExpression().Operator1, foNoneEh);
  EXPECT_TRUE(F->GetKeyValue().IsEmpty());
}

// ---- Pick lists and list data sets ---------------------------------------------------------------------

TEST_F(ColumnFilter, AShownPickListTextIsFilteredByItsKey) {
  TColumnEh* Type = Grid->FindColumnByFieldName(u"ID_TYPE");
  Type->GetPickList()->SetText(u"Группа\nРесурс");
  Type->GetKeyList()->SetText(u"0\n1");
  TSTColumnFilterEh* F = Type->GetSTFilter();
  F->SetExpressionStr(u"=Ресурс");
  EXPECT_EQ(F->GetExpression().ExpressionType, stvtStringEh);
  EXPECT_EQ(VarToStr(F->GetExpression().Operand1), u"1");
  F->SetExpressionStr(u"in (Группа,Неизвестно)");
  EXPECT_EQ(VarToStr(VarArrayGet(F->GetExpression().Operand1, 0)), u"0");
  EXPECT_EQ(VarToStr(VarArrayGet(F->GetExpression().Operand1, 1)), u"Неизвестно");
}

TEST_F(ColumnFilter, AShownListTextIsStoredAsItsKeyAndShownAgainAsText) {
  TSTColumnFilterEh* F = TypeFilterOverList();
  EXPECT_EQ(F->GetKeyField(), u"ID");
  EXPECT_EQ(F->GetListDataSet(), &Types);
  F->SetExpressionStr(u"=Ресурс");
  EXPECT_EQ(F->GetExpression().Operand1.AsInteger(), 1);
  EXPECT_EQ(F->ValueToDisplayText(F->GetExpression().Operand1, foEqualEh), u"Ресурс");
  Grid->ApplyFilterRow();
  EXPECT_EQ(Ids(Table), (std::vector<Integer>{11, 12, 22}));
}

TEST_F(ColumnFilter, TheListsOfTextsAndKeysAreRefilledNotAppendedWhenTheListDataChanges) {
  TSTColumnFilterEh* F = TypeFilterOverList();
  EXPECT_EQ(F->GetListValues()->GetCount(), 2);
  AddType(2, u"Архив");
  Types.Refresh();
  EXPECT_EQ(F->GetListValues()->GetCount(), 3);
  EXPECT_EQ(F->GetKeyValues()->GetCount(), 3);
  Types.Refresh();
  EXPECT_EQ(F->GetListValues()->GetCount(), 3);
  EXPECT_EQ(F->GetListValues()->Get(2), u"Архив");
  EXPECT_EQ(F->GetKeyValues()->Get(2), u"2");
}

TEST_F(ColumnFilter, WithAListSourceTheTextIsTheQuotedValuesAlone) {
  TSTColumnFilterEh* F = FilterOf(u"NAME_THIS");
  F->SetListSource(&TypesSource);
  F->SetExpressionStr(u"in ('Архив','Фонд')");
  EXPECT_EQ(F->GetExpressionAsText(), u"'Архив','Фонд'");
  F->SetExpressionStr(u"=Фонд");
  EXPECT_EQ(F->GetExpressionAsText(), u"Фонд");
}

TEST_F(ColumnFilter, AShownValueIsQuotedWhereItWouldOtherwiseReadAsSomethingElse) {
  TSTColumnFilterEh* F = FilterOf(u"NAME_THIS");
  F->SetExpressionStr(u"in ('a,b',c)");
  EXPECT_EQ(F->ValueToDisplayText(Variant(u"a,b"), foInEh), u"'a,b'");
  EXPECT_EQ(F->ValueToDisplayText(Variant(u"a,b"), foNotInEh), u"'a,b'");
  EXPECT_EQ(F->ValueToDisplayText(F->GetExpression().Operand1, foInEh), u"'a,b',c");
  EXPECT_EQ(F->ValueToDisplayText(Variant(u"a,b"), foEqualEh), u"a,b");
  EXPECT_EQ(F->ValueToDisplayText(Variant(u"Архив or"), foEqualEh), u"'Архив or'");
  EXPECT_EQ(F->ValueToDisplayText(Variant(u"and"), foEqualEh), u"'and'");
  EXPECT_EQ(F->ValueToDisplayText(Variant(u" Фонд"), foEqualEh), u"' Фонд'");
  EXPECT_EQ(F->ValueToDisplayText(Variant(u"'x"), foEqualEh), u"'''x'");
  EXPECT_EQ(F->ValueToDisplayText(Variant(u"Корова"), foEqualEh), u"Корова");
}

// ---- Ticked drop-down items ---------------------------------------------------------------------------

TEST_F(ColumnFilter, TheConditionTicksTheDataItemsItNames) {
  TSTColumnFilterEh* F = FilterOf(u"NAME_THIS");
  TStringList Items;
  FillItems(Items, {u"Архив", u"Фонд", u"архив"});
  F->GetItemCheckStates().assign(4, 0);
  F->SetExpressionStr(u"in ('Архив','(Все)')");
  F->SetCheckStatesFromExpression(&Items);
  EXPECT_EQ(F->GetItemCheckStates(), (std::vector<Byte>{1, 0, 0, 0}));
  F->SetExpressionStr(u"=Фонд OR =архив");
  F->SetCheckStatesFromExpression(&Items);
  EXPECT_EQ(F->GetItemCheckStates(), (std::vector<Byte>{1, 1, 1, 0}));
}

TEST_F(ColumnFilter, TickedItemsBecomeAnEqualsOrAnInConditionAndApplyAtOnceWhenInstant) {
  TSTColumnFilterEh* F = FilterOf(u"NAME_THIS");
  TStringList Items;
  FillItems(Items, {u"Архив", u"Фонд", u"it's"});
  F->GetItemCheckStates() = {1, 0, 0, 1};
  F->ApplyCheckedItems(&Items);
  EXPECT_EQ(F->GetExpressionStr(), u"='Архив'");
  EXPECT_EQ(Ids(Table), (std::vector<Integer>{21}));
  F->GetItemCheckStates() = {1, 1, 1, 0};
  F->ApplyCheckedItems(&Items);
  EXPECT_EQ(F->GetExpressionStr(), u"in ('Архив','Фонд','it''s')");
  EXPECT_EQ(Ids(Table), (std::vector<Integer>{21, 22}));
  F->GetItemCheckStates() = {0, 0, 0, 1};
  F->ApplyCheckedItems(&Items);
  EXPECT_EQ(F->GetExpressionStr(), u"");
  EXPECT_EQ(Ids(Table).size(), 6u);
}

TEST_F(ColumnFilter, TickedItemsWaitForApplyingWhenTheFilterRowIsNotInstant) {
  Grid->GetSTFilter()->SetInstantApply(false);
  TSTColumnFilterEh* F = FilterOf(u"NAME_THIS");
  TStringList Items;
  FillItems(Items, {u"Фонд"});
  F->GetItemCheckStates() = {1, 0};
  F->ApplyCheckedItems(&Items);
  EXPECT_EQ(F->GetExpressionStr(), u"='Фонд'");
  EXPECT_FALSE(Table.GetFiltered());
}

// ---- The grid's filter-row switches --------------------------------------------------------------------

TEST_F(ColumnFilter, InstantApplyFollowsLocalUntilItIsSetAndOnlyThenIsStored) {
  TSTDBGridEhFilter* S = Grid->GetSTFilter();
  S->SetLocal(false);
  EXPECT_FALSE(S->GetInstantApply());
  S->SetLocal(true);
  EXPECT_TRUE(S->GetInstantApply());
  EXPECT_FALSE(S->IsInstantApplyStored());
  S->SetInstantApply(false);
  S->SetLocal(true);
  EXPECT_FALSE(S->GetInstantApply());
  EXPECT_TRUE(S->IsInstantApplyStored());
}

TEST_F(ColumnFilter, AssigningTheSwitchesCopiesVisibleAndLocalOnly) {
  TSTDBGridEhFilter Other(Grid);
  Other.SetVisible(true);
  Other.SetLocal(false);
  Other.SetInstantApply(true);
  Other.SetLocation(stflInTitleFilterEh);
  Grid->GetSTFilter()->Assign(&Other);
  EXPECT_TRUE(Grid->GetSTFilter()->GetVisible());
  EXPECT_FALSE(Grid->GetSTFilter()->GetLocal());
  EXPECT_FALSE(Grid->GetSTFilter()->IsInstantApplyStored());
  EXPECT_EQ(Grid->GetSTFilter()->GetLocation(), stflUnderTitleFilterEh);
}

TEST_F(ColumnFilter, AssigningAColumnFilterCopiesItsSettingsButNotItsCondition) {
  TSTColumnFilterEh* From = TypeFilterOverList();
  From->SetDataField(u"ID_TYPE");
  From->SetVisible(false);
  From->SetExpressionStr(u"=Ресурс");
  TSTColumnFilterEh* To = FilterOf(u"NPP");
  To->Assign(From);
  EXPECT_EQ(To->GetDataFieldProp(), u"ID_TYPE");
  EXPECT_FALSE(To->GetVisible());
  EXPECT_EQ(To->GetKeyFieldProp(), u"ID");
  EXPECT_EQ(To->GetListFieldProp(), u"NAME");
  EXPECT_EQ(To->GetListSource(), &TypesSource);
  EXPECT_EQ(To->GetExpressionStr(), u"");
}
