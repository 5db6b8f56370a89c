#pragma once
// The lookup grids: a data grid that serves as a list of choices.
//
// Classes of this unit:
//   TLookupGridDataLinkEh       the lookup grid's link to its data side (the dataset
//                               whose key field receives the choice)
//   TGridColumnSpecCellEh       the look of a column's cell in the special row
//   TDBLookupGridColumnEh       a lookup grid's column, with its special cell
//   TDBLookupGridColumnDefValuesEh  the column defaults of a lookup grid
//   TDBLookupGridEh             the lookup grid: it shows the records of its list
//                               dataset (the grid's own data source), marks the
//                               record whose key equals KeyValue, and lets the user
//                               choose another by mouse, keyboard or typed text
//   TPopupDataGridEh            the lookup grid as a drop-down window: never
//                               activated, never focused, tracks the mouse without a
//                               button held and tells its host when a click closes it
//
// The list side: the grid's DataSource (also ListSource), KeyField and ListField
// (";"-separated field names) and ListFieldIndex. The data side: KeyDataSource and
// DataField; without them the choice is only kept in KeyValue. With one lookup
// field as DataField the list comes from that field's lookup dataset (LookupMode).
//
// A special row above the records (SpecRow, shown under the titles) stands for
// one extra value, such as a value meaning none.
//
// Implementation files, by concern:
//   DBLookupGridsEh.cpp         columns, the data and list sides, the key, choosing,
//                               the size and the special row's painting
//   DBLookupGridsEh_Input.cpp   keys, incremental search, the mouse and the wheel
//   DBLookupGridsEh_Popup.cpp   TPopupDataGridEh

#include <memory>
#include <vector>

#include "grid/DBGridEh.h"

class TDBLookupGridEh;

// ===========================================================================
// The data side's link

class TLookupGridDataLinkEh : public TDataLink {
public:
  BORROW_CLASS(TLookupGridDataLinkEh, TDataLink)
  explicit TLookupGridDataLinkEh(TDBLookupGridEh* Grid) : FDBLookupGrid(Grid) {}
  TDBLookupGridEh* GetDBLookupGrid() const { return FDBLookupGrid; }
  // The grid clears itself before it frees the link.
  void ClearDBLookupGrid() { FDBLookupGrid = nullptr; }

protected:
  void ActiveChanged() override;
  void LayoutChanged() override;
  void RecordChanged(TField* Field) override;
  void FocusControl(TField** Field) override;

private:
  TDBLookupGridEh* FDBLookupGrid;
};

// ===========================================================================
// Columns

class TDBLookupGridColumnEh;

// The look of one column's cell in the special row. Unassigned, colour and font
// follow the grid's SpecRow and the text its CellsText part for the column.
class TGridColumnSpecCellEh : public TPersistent {
public:
  BORROW_CLASS(TGridColumnSpecCellEh, TPersistent)
  explicit TGridColumnSpecCellEh(TColumnEh* Column);
  ~TGridColumnSpecCellEh() override;
  void Assign(TPersistent* Source) override;

  TColor GetColor() const;
  void SetColor(TColor Value);
  TFont* GetFont();
  void SetFont(const TFont* Value);
  String GetText() const;
  void SetText(const String& Value);
  bool IsColorStored() const { return FColorAssigned; }
  bool IsFontStored() const { return FFontAssigned; }
  bool IsTextStored() const { return FTextAssigned; }

protected:
  TPersistent* GetOwner() const override;

private:
  // The grid's special row, when the column is a lookup grid's column on a grid.
  TSpecRowEh* GridSpecRow() const;
  void FontChanged(TObject* Sender);

  TColumnEh* FColumn;
  std::unique_ptr<TFont> FFont;
  TColor FColor = clWindow;
  String FText;
  bool FColorAssigned = false;
  bool FFontAssigned = false;
  bool FTextAssigned = false;
  bool FFontCopying = false;
};

class TDBLookupGridColumnEh : public TColumnEh {
public:
  BORROW_COLLECTION_ITEM(TDBLookupGridColumnEh, TColumnEh)
  explicit TDBLookupGridColumnEh(TCollection* Collection);
  ~TDBLookupGridColumnEh() override;
  void Assign(TPersistent* Source) override;
  // A move by the user (not one the grid makes itself) takes the special row's
  // cell texts and the list fields along.
  void SetIndex(Integer Value) override;

  TGridColumnSpecCellEh* GetSpecCell() const { return FSpecCell.get(); }
  void SetSpecCell(TGridColumnSpecCellEh* Value) { FSpecCell->Assign(Value); }
  TDBLookupGridEh* GetLookupGrid() const;

private:
  std::unique_ptr<TGridColumnSpecCellEh> FSpecCell;
};

class TDBLookupGridColumnDefValuesEh : public TDBGridEhColumnDefValuesEh {
public:
  BORROW_CLASS(TDBLookupGridColumnDefValuesEh, TDBGridEhColumnDefValuesEh)
  using TDBGridEhColumnDefValuesEh::TDBGridEhColumnDefValuesEh;
};

// ===========================================================================
// The lookup grid

class TDBLookupGridEh : public TCustomDBGridEh {
public:
  BORROW_COMPONENT(TDBLookupGridEh, TCustomDBGridEh)
  explicit TDBLookupGridEh(TComponent* AOwner);
  ~TDBLookupGridEh() override;

  // -- The list side
  TDataSource* GetListSource() const { return GetDataSource(); }
  // Refused in LookupMode, and while the data side's source is fixed by its owner.
  void SetListSource(TDataSource* Value);
  TDataSet* GetListDataSet() const;
  // Empty in LookupMode.
  String GetKeyField() const;
  void SetKeyField(const String& Value);
  const String& GetListField() const { return FListField; }
  void SetListField(const String& Value);
  Integer GetListFieldIndex() const { return FListFieldIndex; }
  void SetListFieldIndex(Integer Value);
  bool GetListActive() const { return FListActive; }
  // The list fields shown (not owned), and the one giving the display text.
  const std::vector<TField*>& GetListFields() const { return FListFields; }
  TField* GetListFieldObject() const { return FListFieldObj; }

  // -- The data side
  TDataSource* GetKeyDataSource() const { return FDataLinkEh->GetDataSource(); }
  void SetKeyDataSource(TDataSource* Value);
  const String& GetDataField() const { return FDataFieldName; }
  void SetDataField(const String& Value);
  TLookupGridDataLinkEh* GetKeyDataLink() const { return FDataLinkEh.get(); }
  bool GetLookupMode() const { return FLookupMode; }

  // -- The key and the choice
  const Variant& GetKeyValue() const { return FKeyValue; }
  // Nothing when equal to the current key; else stored and shown (KeyValueChanged).
  void SetKeyValue(const Variant& Value);
  const String& GetDisplayText() const { return FDisplayText; }
  const String& GetSearchText() const { return FSearchText; }
  TSpecRowEh* GetSpecRow() const { return FSpecRow.get(); }
  void SetSpecRow(TSpecRowEh* Value) { FSpecRow->Assign(Value); }
  bool GetSpecRowSelected() const { return FSpecRowSelected; }
  // The grid row of the special row; -1 while it is not shown.
  Integer SpecRowGridRow() const;
  // Chooses the key of the current list record, the special row's value.
  void SelectCurrent();
  void SelectSpecRow();

  // -- Size and look
  // The record rows the height is made for, within 1 and 100 (the grid's own
  // RowCount counts all its rows).
  Integer GetListRowCount() const { return FRowCount; }
  void SetListRowCount(Integer Value);
  bool GetShowTitles() const { return GetOptions().Contains(dgTitles); }
  void SetShowTitles(bool Value);
  void SetLookupUseMultiTitle(bool Value);
  TDBLookupGridEhOptions GetLookupGridOptions() const { return FLookupGridOptions; }
  void SetLookupGridOptions(TDBLookupGridEhOptions Value);
  // The width the visible columns need, lines included.
  Integer GetColumnsWidthToFit();
  // The rectangle of the data rows, in client coordinates.
  TRect DataRect();
  void SetBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight) override;

  // -- Virtual operations of the lookup grid, in slot order
  virtual bool CanModifyKey();
  virtual bool LocateKeyAllowed() { return true; }
  virtual Integer NonClientHeight();
  virtual Integer SpecRowHeight();
  virtual Integer DataRowHeight();
  virtual void KeyValueChanged();
  virtual void UpdateListPosition();
  virtual void ProcessSearchKey(Char Key);
  virtual void SelectKeyValue(const Variant& Value);
  virtual void SpecRowChanged(TObject* Sender);
  virtual void UpdateColumnsWidths(bool AutoFit);
  // The data side became active or inactive, or its layout changed.
  virtual void DataLinkActiveChanged();
  using TCustomDBGridEh::DataLinkActiveChanged;
  virtual void ListLinkActiveChanged();
  virtual bool LocateKey();
  // The data side's record changed (Field null: the whole record).
  virtual void DataLinkRecordChanged(TField* Field);

  // -- Overrides of the data grid
  void DataLinkActiveChanged(bool Active) override;
  void GetDatasetFieldList(std::vector<TField*>& FieldList) override;
  Integer GetSubTitleRowCount() const override;
  bool GetHighlightColors(Integer ACol, Integer ARow, Integer DataCol, Integer DataRow, TGridDrawState State,
                          bool IsSelected, TFont* AFont, TColor& Background) override;
  void DrawSubTitleCell(Integer ACol, Integer ARow, Integer DataCol, Integer DataRow, const TRect& ARect,
                        TGridDrawState State, TCellTypeEh CellType) override;
  bool CanCellHotTrack(Integer ACol, Integer ARow) override;
  // Without instant reading the bar shows the window's place among the records.
  TGridScrollBarParamsEh GetVertScrollBarParams() override;
  void KeyDown(Word& Key, TShiftState Shift) override;
  void KeyPress(Char& Key) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  void MouseMove(TShiftState Shift, Integer X, Integer Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  void Dispatch(TMessage& Message) override;

  // Whether the mouse is choosing rows while held.
  bool GetTracking() const { return FTracking; }

protected:
  std::unique_ptr<TDBGridEhColumnDefValuesEh> CreateColumnDefValues() override;
  std::unique_ptr<TDBGridColumnsEh> CreateColumns() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void CreateWnd() override;
  void Paint() override;
  // False in the drop-down: a press never takes the focus there.
  virtual bool FocusOnPress() const { return true; }
  // Whether (X, Y) lies on a data cell or on the shown special row.
  bool IsDataOrSpecRowPoint(Integer X, Integer Y);
  // Chooses the row under the client point (the special row when on it).
  void SelectRowAt(Integer X, Integer Y);
  // Moves the list by Distance records; answers the distance moved.
  Integer MoveList(Integer Distance);
  // Without instant reading: the list moves to the record before (Direction < 0)
  // or after the window, which scrolls by one record.
  void MoveListPastWindow(Integer Direction);
  // Without instant reading: the data row of the window that holds the key.
  bool KeyRecordInWindow(Integer& DataRow);
  // The vertical bar's requests without instant reading.
  void VScrollList(Integer Code);
  bool DoMouseWheelDown(TShiftState Shift, TPoint MousePos) override;
  bool DoMouseWheelUp(TShiftState Shift, TPoint MousePos) override;
  // The tracking timer's step while the mouse is above or below the rows.
  void TrackingTimerStep();
  void StopTracking();
  void ClearSearchText() { FSearchText.clear(); }

private:
  friend class TLookupGridDataLinkEh;
  friend class TDBLookupGridColumnEh;
  void CheckNotCircular();
  void CheckNotLookup();
  void SetLookupModeEh(bool Value);
  // The key value of the current list record.
  Variant ListKeyValue() const;
  bool ListAtFirst() const;
  void ApplyRowCount();
  Integer HeightForRows(Integer Rows);
  bool InInstantReadMode() const { return RowScrollMode(); }
  void UpdateTrackingTimer(Integer Y);

  std::unique_ptr<TLookupGridDataLinkEh> FDataLinkEh;
  std::unique_ptr<TDataSource> FInternalSource;  // the lookup field's list in LookupMode
  std::unique_ptr<TSpecRowEh> FSpecRow;
  String FDataFieldName;
  std::vector<TField*> FDataFields;  // not owned
  std::vector<TField*> FKeyFields;   // the data side's key fields, not owned
  String FKeyFieldNames;
  String FKeyField;
  String FListField;
  Integer FListFieldIndex = 0;
  std::vector<TField*> FListFields;  // not owned
  TField* FListFieldObj = nullptr;
  bool FListActive = false;
  bool FLookupMode = false;
  Variant FKeyValue = Null();
  String FDisplayText;
  String FSearchText;
  bool FInSelect = false;
  bool FSpecRowSelected = false;
  bool FTracking = false;
  Integer FTrackDirection = 0;  // the tracking timer's direction: -1 up, 1 down
  Integer FRowCount = 7;
  TDBLookupGridEhOptions FLookupGridOptions{dlgColLinesEh};
  bool FInListLinkChange = false;
  bool FColumnMoveByGrid = false;
  bool FSettingBounds = false;
};

// ===========================================================================
// The drop-down data grid

using TPopupDataGridCloseUpEventEh = std::function<void(TObject* Sender, bool Accept)>;

class TPopupDataGridEh : public TDBLookupGridEh {
public:
  BORROW_COMPONENT(TPopupDataGridEh, TDBLookupGridEh)
  explicit TPopupDataGridEh(TComponent* AOwner);
  ~TPopupDataGridEh() override;

  // A popup never takes the focus from its owner.
  bool CanFocus() override { return false; }
  TSizeGripEh* GetSizeGrip() const { return FSizeGrip.get(); }
  // Never narrower than a vertical scroll bar nor lower than its arrow.
  void SetBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight) override;
  void KeyValueChanged() override;
  void SpecRowChanged(TObject* Sender) override;
  void KeyDown(Word& Key, TShiftState Shift) override;
  void KeyPress(Char& Key) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  void MouseMove(TShiftState Shift, Integer X, Integer Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  void Dispatch(TMessage& Message) override;
  void PaintNonClientArea() override;

  // A mouse release asks the drop-down to close; Accept: the release chose a row.
  TPopupDataGridCloseUpEventEh OnMouseCloseUp;
  // The key changed by the user's mouse or keys (never by the program).
  TNotifyEvent OnUserKeyValueChange;
  // The special row changed (its texts, its value, its look).
  TNotifyEvent OnSpecRowChanged;

protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  bool FocusOnPress() const override { return false; }

private:
  HWND OwnerWindow();

  std::unique_ptr<TSizeGripEh> FSizeGrip;
  bool FUserAction = false;
  bool FPressedInside = false;
};
