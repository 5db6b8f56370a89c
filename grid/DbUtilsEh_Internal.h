#pragma once
// Helpers shared by the grid services' implementation files (DbUtilsEh and the
// dataset features built on it); not for the grid's users.

#include <exception>
#include <vector>

#include "grid/DbUtilsEh.h"
#include "platform/data/DataSet.h"
#include "platform/ui/Windows.h"

// Holds a dataset's controls disabled for a scope, and enables them again on
// the way out, also when the work in between throws (a fault of the enabling
// itself is then dropped, so it cannot hide the first one).
class TControlsDisabledScopeEh {
public:
  explicit TControlsDisabledScopeEh(TDataSet* DataSet) : FDataSet(DataSet), FExceptions(std::uncaught_exceptions()) {
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

// Whether a cell's text matches the searched text (both upper-cased before
// when the case is ignored): any part, the whole, or the beginning of the cell.
bool LocateTextMatchesEh(const String& Cell, const String& Text, TLocateTextMatchingEh Matching);

// The text of a column's cell as the search sees it: the display text with
// ltoDisplayTextEh, else the field's text.
class IDataGridColumnEh;
String LocateCellTextEh(IDataGridColumnEh* Column, TLocateTextOptionsEh Options);

// The column a search starts in: the field's, or the grid's current one (in
// row-select mode the one at the grid's column position).
IDataGridColumnEh* LocateStartColumnEh(IDataGridEh* Grid, const String& FieldName,
                                       const std::vector<IDataGridColumnEh*>& Visible);

// Watches for an Esc key press waiting in the queue (left there) for the
// grid's window or for the window the keyboard is in, such as the find
// dialog's. Looking means polling the display, so after the first step it
// looks at most every few milliseconds.
class TEscapeWatchEh {
public:
  explicit TEscapeWatchEh(IDataGridEh* Grid);
  bool Pressed();

private:
  static constexpr DWORD LookInterval = 20;
  HWND FGridWnd = nullptr;
  bool FLooked = false;
  DWORD FLastLook = 0;
};
