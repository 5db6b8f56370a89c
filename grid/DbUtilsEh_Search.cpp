// LocateGridText: the plain text search of a grid's dataset.
//
// The search walks the dataset record by record from the current one (or from
// the first, for the direction "all"), comparing the text of one column's
// cell, or of every visible column's cell in display order, with the search
// text. The first match becomes the current record and the grid's selected
// column. The controls stay disabled meanwhile, and without a match the grid
// returns to the record it started from.

#include "editors/DaVirVCL.h"
#include "grid/DataGridIntfEh.h"
#include "grid/DbUtilsEh.h"
#include "grid/DbUtilsEh_Internal.h"
#include "platform/core/Strings.h"
#include "platform/data/Fields.h"
#include "platform/ui/Controls.h"
#include "platform/ui/Input.h"
#include "platform/ui/MessageQueue.h"
#include "platform/ui/Timers.h"

bool LocateTextMatchesEh(const String& Cell, const String& Text, TLocateTextMatchingEh Matching) {
  switch (Matching) {
    case ltmWholeEh: return Cell == Text;
    case ltmBeginningEh: return Copy(Cell, 1, Length(Text)) == Text;
    default: return Pos(Text, Cell) > 0;
  }
}

String LocateCellTextEh(IDataGridColumnEh* Column, TLocateTextOptionsEh Options) {
  if (Options & ltoDisplayTextEh) return Column->GetDisplayText();
  TField* field = Column->GetField();
  return field ? field->GetAsString() : String();
}

// The column the search starts in: the field's, or the grid's current one.
IDataGridColumnEh* LocateStartColumnEh(IDataGridEh* Grid, const String& FieldName,
                                       const std::vector<IDataGridColumnEh*>& Visible) {
  if (!FieldName.empty()) return Grid->GetColumnByFieldName(FieldName);
  if (Grid->GetRowSelect()) {
    const Integer pos = Grid->GetCurrentColumnPosition();
    return pos >= 0 && pos < static_cast<Integer>(Visible.size()) ? Visible[static_cast<size_t>(pos)] : nullptr;
  }
  const std::vector<IDataGridColumnEh*> all = Grid->GetGridColumns();
  const Integer index = Grid->GetSelectedIndex();
  return index >= 0 && index < static_cast<Integer>(all.size()) ? all[static_cast<size_t>(index)] : nullptr;
}

namespace {

bool EscapeWaitsFor(HWND Wnd) {
  TMsg msg;
  return Wnd && PeekMessage(msg, Wnd, WM_KEYDOWN, WM_KEYDOWN, PM_NOREMOVE) && msg.wParam == VK_ESCAPE;
}

}  // namespace

TEscapeWatchEh::TEscapeWatchEh(IDataGridEh* Grid) {
  auto* control = dynamic_cast<TWinControl*>(Grid);
  if (control && control->HandleAllocated()) FGridWnd = control->GetHandle();
}

bool TEscapeWatchEh::Pressed() {
  const DWORD now = GetTickCount();
  if (FLooked && now - FLastLook < LookInterval) return false;
  FLooked = true;
  FLastLook = now;
  if (EscapeWaitsFor(FGridWnd)) return true;
  const HWND focus = GetFocus();
  return focus != FGridWnd && EscapeWaitsFor(focus);
}

namespace {

// The search position: the record is the dataset's, the column an index into
// the visible columns (used when every column is searched).
class TGridTextWalk {
public:
  TGridTextWalk(TDataSet* DataSet, Integer ColumnCount, Integer Column, bool AllColumns, bool Up)
      : FDataSet(DataSet), FCount(ColumnCount), FColumn(Column), FAllColumns(AllColumns), FUp(Up) {}

  Integer Column() const { return FColumn; }
  bool Done() const { return FUp ? FDataSet->Bof() : FDataSet->Eof(); }

  void Step() {
    if (!FAllColumns) {
      Move();
      return;
    }
    if (FUp) {
      if (FColumn <= 0) {
        FDataSet->Prior();
        FColumn = FCount - 1;
      } else {
        --FColumn;
      }
    } else if (FColumn >= FCount - 1) {
      FDataSet->Next();
      FColumn = 0;
    } else {
      ++FColumn;
    }
  }

private:
  void Move() {
    if (FUp) FDataSet->Prior();
    else FDataSet->Next();
  }

  TDataSet* FDataSet;
  Integer FCount;
  Integer FColumn;
  bool FAllColumns;
  bool FUp;
};

Integer IndexOf(const std::vector<IDataGridColumnEh*>& Columns, IDataGridColumnEh* Column) {
  for (size_t i = 0; i < Columns.size(); ++i)
    if (Columns[i] == Column) return static_cast<Integer>(i);
  return -1;
}

}  // namespace

bool LocateGridText(IDataGridEh* Grid, const String& FieldName, const String& Text, TLocateTextMatchingEh Matching,
                    TLocateTextDirectionEh Direction, TLocateTextOptionsEh Options) {
  TDataSet* dataSet = GridDataSetEh(Grid);
  if (!dataSet || !dataSet->GetActive()) return false;
  const std::vector<IDataGridColumnEh*> visible = Grid->GetVisibleGridColumns();
  IDataGridColumnEh* start = LocateStartColumnEh(Grid, FieldName, visible);
  if (visible.empty()) return false;
  const bool allColumns = (Options & ltoAllColumnsEh) != 0;
  Integer column = IndexOf(visible, start);
  // Searching all columns from the first record starts at its first column, so
  // no cell of that record is passed over.
  if (allColumns && (column < 0 || Direction == ltdAllEh)) column = 0;
  if (!allColumns && !start) return false;

  const bool ignoreCase = (Options & ltoIgnoreCaseEh) != 0;
  const String text = ignoreCase ? WideUpperCaseEh(Text) : Text;
  bool found = false;
  {
    TControlsDisabledScopeEh controls(dataSet);
    Grid->SaveBookmark();
    TEscapeWatchEh escape(Grid);
    TGridTextWalk walk(dataSet, static_cast<Integer>(visible.size()), column, allColumns, Direction == ltdUpEh);
    if (Direction == ltdAllEh) dataSet->First();
    else walk.Step();
    while (!walk.Done()) {
      IDataGridColumnEh* cellColumn = allColumns ? visible[static_cast<size_t>(walk.Column())] : start;
      const String cell =
          ignoreCase ? WideUpperCaseEh(LocateCellTextEh(cellColumn, Options)) : LocateCellTextEh(cellColumn, Options);
      if (LocateTextMatchesEh(cell, text, Matching)) {
        found = true;
        const Integer index = IndexOf(Grid->GetGridColumns(), cellColumn);
        if (index >= 0) Grid->SetSelectedIndex(index);
        break;
      }
      if ((Options & ltoEscapeStopsEh) && escape.Pressed()) break;
      walk.Step();
    }
    if (!found) Grid->RestoreBookmark();
  }
  return found;
}
