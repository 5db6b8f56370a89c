#pragma once
// Helpers shared by the DbUtilsEh implementation files; not for other units.

#include <exception>

#include "platform/data/DataSet.h"

// Holds a dataset's controls disabled for a scope, and enables them again on
// the way out, also when the work in between throws (a fault of the enabling
// itself is then dropped, so it cannot hide the first one).
class TControlsDisabledScopeEh {
public:
  explicit TControlsDisabledScopeEh(TDataSet* DataSet)
      : FDataSet(DataSet), FExceptions(std::uncaught_exceptions()) {
    FDataSet->DisableControls();
  }
  ~TControlsDisabledScopeEh() noexcept(false) {
    if (std::uncaught_exceptions() == FExceptions) {
      FDataSet->EnableControls();
      return;
    }
    try {
      FDataSet->EnableControls();
    } catch (...) {
    }
  }
  TControlsDisabledScopeEh(const TControlsDisabledScopeEh&) = delete;
  TControlsDisabledScopeEh& operator=(const TControlsDisabledScopeEh&) = delete;

private:
  TDataSet* FDataSet;
  int FExceptions;
};

// The dataset the grid shows, or null.
class IDataGridEh;
TDataSet* GridDataSetEh(IDataGridEh* Grid);
