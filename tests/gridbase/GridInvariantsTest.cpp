// The invariants the base grid's geometry keeps, checked in debug builds: a
// grid that breaks one on purpose stops where the geometry is computed.

#include "GridTestSupport.h"

#ifndef NDEBUG

namespace {

// A grid whose first (fixed) row claims less than no room.
class TShrunkRowGrid : public TTestGrid {
public:
  using TTestGrid::TTestGrid;
  Integer GetRowHeights(Integer Index) const override { return Index == 0 ? -30 : TTestGrid::GetRowHeights(Index); }
};

using GridInvariantsDeathTest = GridFixture;

TEST_F(GridInvariantsDeathTest, AFixedRowOfNegativeHeightStopsTheBandGeometry) {
  MakeGrid(300, 200);
  EXPECT_GT(Grid->DrawInfo().Vert.FixedBoundary, 0);  // a sound grid passes
  auto* Shrunk = new TShrunkRowGrid(Form);
  EXPECT_DEATH(Shrunk->DrawInfo(), "assertion failed: BandsInOrder\\(DrawInfo.Vert\\)");
}

}  // namespace

#endif
