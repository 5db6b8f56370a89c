// The grid as a whole: its defaults, its layout bracket, the delete prompt and
// how it forgets components that go away.

#include "DBGridTestSupport.h"

using GridModel = GridFixture;

TEST_F(GridModel, ANewGridHasTheDocumentedDefaults) {
  TDBGridEh Fresh(nullptr);
  EXPECT_EQ(Fresh.GetOptions().Bits(), 3325u);
  EXPECT_EQ(Fresh.GetOptionsEh().Bits(), 10027105u);
  EXPECT_EQ(static_cast<const TCustomGridEh&>(Fresh).GetOptions().Bits(), 36495u);
  EXPECT_EQ(Fresh.GetAllowedOperations(), AllAllowedOperationsEh);
  EXPECT_EQ(Fresh.GetAllowedSelections(), DefaultAllowedSelectionsEh);
  EXPECT_EQ(Fresh.GetVTitleMargin(), 10);
  EXPECT_TRUE(Fresh.GetDefaultDrawing());
  EXPECT_EQ(Fresh.GetColor(), clWindow);
  EXPECT_EQ(Fresh.GetFooterColor(), clWindow);
  EXPECT_FALSE(Fresh.GetParentColor());
  EXPECT_EQ(Fresh.GetScrollBars(), ssHorizontal);
  EXPECT_EQ(Fresh.GetIndicatorWidth(), 11);
  EXPECT_TRUE(GetDBGridEhStyle()->IsGridRegistered(&Fresh));
  EXPECT_TRUE(GetDBGridEhCenter()->IsGridAttached(&Fresh));
  ASSERT_NE(Fresh.GetRowDetailPanelControl(), nullptr);
  EXPECT_EQ(Fresh.GetRowDetailPanelControl()->GetName(), u"RowDetailData");
  EXPECT_FALSE(Fresh.GetRowDetailPanelControl()->GetVisible());
}
