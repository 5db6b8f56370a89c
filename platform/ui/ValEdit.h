#pragma once
// The value-list editor: a two-column grid over Name=Value lines, the names in a
// fixed column, the values edited in place. Row 0 holds the column titles; data
// row R is line R - 1 of Strings. Typing, F2 or Enter opens the value editor;
// Enter or leaving the row stores it, Esc drops it.

#include <memory>
#include <utility>
#include <vector>

#include "platform/ui/Grids.h"
#include "platform/ui/StdCtrls.h"

using TSelectCellEvent = std::function<void(TObject* Sender, Integer ACol, Integer ARow, bool& CanSelect)>;

class TValueListEditor : public TCustomControl {
public:
  BORROW_COMPONENT(TValueListEditor, TCustomControl)
  explicit TValueListEditor(TComponent* AOwner);
  ~TValueListEditor() override;

  TStrings* GetStrings() const { return FStrings.get(); }
  void SetStrings(const TStrings* Value);
  // The caption of the key and the value column.
  TStrings* GetTitleCaptions() const { return FTitleCaptions.get(); }
  TGridOptions GetOptions() const { return FOptions; }
  void SetOptions(TGridOptions Value);
  TColor GetFixedColor() const { return FFixedColor; }
  void SetFixedColor(TColor Value);
  Integer GetColWidths(Integer Col) const { return FColWidths[Col == 0 ? 0 : 1]; }
  void SetColWidths(Integer Col, Integer Value);
  Integer GetDefaultRowHeight() const;

  Integer GetRowCount() const;
  Integer GetRow() const { return FRow; }
  void SetRow(Integer Value);
  Integer GetCol() const { return FCol; }
  void SetCol(Integer Value);
  // Key (Col 0) or value (Col 1) of a data row; row 0 gives the titles.
  String GetCells(Integer ACol, Integer ARow) const;
  void SetCells(Integer ACol, Integer ARow, const String& Value);
  String GetKeys(Integer ARow) const { return GetCells(0, ARow); }
  // The value of the first row with that key (without regard to case); setting an
  // absent key appends a row. An empty value keeps its row.
  String GetValues(const String& Key) const;
  void SetValues(const String& Key, const String& Value);
  // Adds (Append) or inserts before the current row; gives the new row.
  Integer InsertRow(const String& KeyName, const String& Value, bool Append);
  void DeleteRow(Integer ARow);
  bool FindRow(const String& KeyName, Integer& Row) const;
  // The most characters the in-place editor takes for the value of KeyName
  // (without regard to case); 0, the default, sets no limit.
  Integer GetItemMaxLength(const String& KeyName) const;
  void SetItemMaxLength(const String& KeyName, Integer MaxLength);

  bool GetEditorMode() const { return FEditor != nullptr && FEditing; }
  void SetEditorMode(bool Value);
  // The in-place editor (null until first used).
  TEdit* GetInplaceEditor() const { return FEditor.get(); }
  TRect CellRect(Integer ACol, Integer ARow) const;
  void MouseToCell(Integer X, Integer Y, Integer& ACol, Integer& ARow) const;

  TSelectCellEvent OnSelectCell;
  TNotifyEvent OnStringsChange;

  void Dispatch(TMessage& Message) override;
  void DefaultHandler(TMessage& Message) override;

protected:
  void CreateParams(TCreateParams& Params) override;
  void Paint() override;
  virtual bool SelectCell(Integer ACol, Integer ARow);
  bool MoveTo(Integer ACol, Integer ARow);
  void ShowEditor(const String* Initial);
  void HideEditor(bool Store);
  void UpdateScrollBar();
  void MakeRowVisible(Integer ARow);
  Integer VisibleDataRows() const;

  std::unique_ptr<TStringList> FStrings;
  std::unique_ptr<TStringList> FTitleCaptions;
  std::unique_ptr<TEdit> FEditor;
  std::vector<std::pair<String, Integer>> FItemMaxLengths;
  TGridOptions FOptions;
  TColor FFixedColor = clBtnFace;
  Integer FColWidths[2] = {150, 150};
  Integer FRow = 1, FCol = 1;
  Integer FTopRow = 1;
  bool FEditing = false;
  bool FSizingCol = false;
};
