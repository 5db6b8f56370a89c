#pragma once
// The option set shared by the platform's grids (the value-list editor) and the
// grids built on them, so one program can include both.

#include "platform/ui/Controls.h"

enum TGridOption : int {
  goFixedVertLine,
  goFixedHorzLine,
  goVertLine,
  goHorzLine,
  goRangeSelect,
  goDrawFocusSelected,
  goRowSizing,
  goColSizing,
  goRowMoving,
  goColMoving,
  goEditing,
  goTabs,
  goRowSelect,
  goAlwaysShowEditor,
  goThumbTracking
};
using TGridOptions = TEnumSet<TGridOption>;
