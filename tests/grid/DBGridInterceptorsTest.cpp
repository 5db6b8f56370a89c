// The property-storage interceptors of a grid's columns: the order of the
// columns as a quoted comma list of field names, and a column's width.

#include "tests/grid/DBGridTestSupport.h"

namespace {

class ColumnInterceptors : public GridFixture {
protected:
  void ShowColumns(std::initializer_list<const char16_t*> Fields) {
    MakeGrid();
    for (const char16_t* Field : Fields) Grid->GetColumns()->Add()->SetFieldName(Field);
    ShowResources();
  }
  std::unique_ptr<TStoragePropertyInterceptor> InterceptorOf(TPersistent* Target) {
    TStoragePropertyInterceptorClass Class = GetClassPropertyInterceptorEh(Target->ClassType());
    return std::unique_ptr<TStoragePropertyInterceptor>(Class ? Class->Create(Target) : nullptr);
  }
};

}  // namespace

TEST_F(ColumnInterceptors, ColumnsAndTheirCollectionHaveTheirInterceptorsOnceTheGridUnitRuns) {
  ShowColumns({u"ID_THIS"});
  auto Column = InterceptorOf(Grid->GetColumns()->Items(0));
  auto Columns = InterceptorOf(Grid->GetColumns());
  EXPECT_NE(dynamic_cast<TColumnEhPropertyInterceptor*>(Column.get()), nullptr);
  EXPECT_NE(dynamic_cast<TColumnsEhPropertyInterceptor*>(Columns.get()), nullptr);
}

TEST_F(ColumnInterceptors, TheColumnOrderReadsAsQuotedFieldNamesAndIsRestoredByName) {
  ShowColumns({u"ID_THIS", u"NPP", u"NAME_THIS"});
  TColumnsEhPropertyInterceptor Order(Grid->GetColumns());
  EXPECT_EQ(Order.GetColumnsIndex(), u"\"ID_THIS\",\"NPP\",\"NAME_THIS\"");
  Order.SetColumnsIndex(u"\"name_this\",\"ID_THIS\",\"NPP\"");
  EXPECT_EQ(FieldNamesOf(Grid), (std::vector<String>{u"NAME_THIS", u"ID_THIS", u"NPP"}));
}

TEST_F(ColumnInterceptors, AFieldThatNoLongerExistsIsSkippedAndItsColumnStaysWhereItIs) {
  ShowColumns({u"ID_THIS", u"NPP", u"NAME_THIS"});
  TColumnsEhPropertyInterceptor Order(Grid->GetColumns());
  Order.SetColumnsIndex(u"\"NAME_THIS\",\"GONE\",\"ID_THIS\"");
  EXPECT_EQ(FieldNamesOf(Grid), (std::vector<String>{u"NAME_THIS", u"NPP", u"ID_THIS"}));
}

TEST_F(ColumnInterceptors, OfTwoColumnsOnOneFieldOnlyTheFirstMoves) {
  ShowColumns({u"ID_THIS", u"NPP", u"NPP"});
  TColumnEh* First = Grid->GetColumns()->Items(1);
  TColumnEh* Second = Grid->GetColumns()->Items(2);
  TColumnsEhPropertyInterceptor Order(Grid->GetColumns());
  Order.SetColumnsIndex(u"\"NPP\"");
  EXPECT_EQ(First->GetIndex(), 0);
  EXPECT_EQ(Second->GetIndex(), 2);
}

TEST_F(ColumnInterceptors, ARestoredWidthIsTheAutoFitBaseWhileTheGridFitsItsColumnsElseTheWidth) {
  ShowColumns({u"ID_THIS", u"NPP"});
  TColumnEh* Column = Grid->GetColumns()->Items(0);
  TColumnEhPropertyInterceptor Width(Column);
  Grid->SetAutoFitColWidths(true);
  const Integer Before = Column->GetWidth();
  Width.SetWidth(77);
  EXPECT_EQ(Column->GetInitWidth(), 77);
  EXPECT_EQ(Column->GetWidth(), Before);
  Grid->SetAutoFitColWidths(false);
  Width.SetWidth(91);
  EXPECT_EQ(Column->GetWidth(), 91);
}
