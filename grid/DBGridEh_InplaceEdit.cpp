// The cell editor of the grid, as far as plain text goes: it takes the current
// column's font and text and is read-only where the column cannot change the
// cell (a read-only table, a read-only column or field), so F2, Enter or a
// second click on a cell show its whole text, ready to be selected and copied.

#include "grid/DBGridEh.h"

void TDBGridInplaceEdit::UpdateContents() {
  TInplaceEdit::UpdateContents();
  auto* Grid = dynamic_cast<TCustomDBGridEh*>(GetGrid());
  TColumnEh* Column = Grid ? Grid->GetCurrentColumn() : nullptr;
  if (!Column) return;
  SetFont(Column->GetFont());
  SetReadOnly(!Column->CanModify(false));
}

std::unique_ptr<TInplaceEdit> TCustomDBGridEh::CreateEditor() { return std::make_unique<TDBGridInplaceEdit>(nullptr); }
