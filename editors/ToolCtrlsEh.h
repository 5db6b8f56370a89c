#pragma once
// Edit buttons and the shared button-drawing routines of the editors and grids.
//
// An editor shows small buttons at its right edge (drop-down arrow, ellipsis,
// spin arrows, plus, minus, a glyph). A button is a collection item
// (TEditButtonEh in a TEditButtonsEh) shown by a speed-button control
// (TEditButtonControlEh); every face is painted by one painter,
// PaintButtonControlEh, which the grid uses too for its cell buttons and check
// boxes. Faces are drawn once per distinct look into a process-wide cache and
// copied from there. There is no theme engine here, so the classic faces are
// drawn throughout.

#include <functional>
#include <memory>
#include <vector>

#include "platform/core/Collection.h"
#include "platform/core/StringList.h"
#include "platform/core/Variant.h"
#include "platform/data/DataSet.h"
#include "platform/data/DataSource.h"
#include "platform/ui/Buttons.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/Graphics.h"

class TPopupMenu;

// ---- Drawing routines -----------------------------------------------------------------------
// Whether visual styles are in use: never here, so the classic faces are drawn.
bool ThemesEnabledEh();

// Size * 3 / 2, rounded, when Flag is set; else Size.
Integer EnlargeByHalfEh(Integer Size, bool Flag);

// System colours resolved first; each channel Color1 + (Color2 - Color1) * Percent / 100,
// rounded and clamped to 0..255.
TColor MixColorsEh(TColor Color1, TColor Color2, Integer Percent);

// Fills ARect row by row from Color1 at the top to Color2 at the bottom; a rectangle
// less than 2 pixels high draws nothing.
void DrawShadedRectEh(TCanvas* Canvas, const TRect& ARect, TColor Color1, TColor Color2);

// Draws each segment (two points each), offset by Origin, with the pen colour
// moving evenly from Color1 to Color2 over the segments.
void DrawGradientLinesEh(TCanvas* Canvas, TPoint Origin, const std::vector<TPoint>& Segments, Integer Count,
                         TColor Color1, TColor Color2);

// One-pixel dots every second pixel along a line; when the parities of the start's x
// and y differ (inverted by Phase) the line starts one pixel later and is one pixel
// shorter, so that the dots of crossing lines share one checkerboard.
void DrawDottedLineEh(TCanvas* Canvas, TPoint Start, Integer Length, bool Horizontal, bool Phase);

// One cell of a tree's connector lines and expand/collapse box (kinds 0..11).
void DrawTreeElementEh(TCanvas* Canvas, const TRect& ARect, Integer Kind, bool DotPhase, double ScaleX,
                       double ScaleY, bool BoxShift);

// ---- Button faces ---------------------------------------------------------------------------
enum TEditButtonStyleEh {
  ebsDropDownEh, ebsEllipsisEh, ebsGlyphEh, ebsUpDownEh, ebsPlusEh, ebsMinusEh, ebsAltDropDownEh, ebsAltUpDownEh
};

// Painter kinds: 0 drop-down arrow, 1 ellipsis, 2 spin, 3 check box, 4 plus, 5 minus,
// 6 alternative drop-down arrow, 7 alternative spin.
using TDrawButtonControlStyleEh = Integer;
constexpr TDrawButtonControlStyleEh bcsDropDownEh = 0, bcsEllipsisEh = 1, bcsUpDownEh = 2, bcsCheckboxEh = 3,
                                    bcsPlusEh = 4, bcsMinusEh = 5, bcsAltDropDownEh = 6, bcsAltUpDownEh = 7;
TDrawButtonControlStyleEh ButtonStyleToPainterKindEh(TEditButtonStyleEh Style);

enum TCheckBoxStateEh { cbsUncheckedEh, cbsCheckedEh, cbsGrayedEh };

// Paints a button face into ARect. PressedPart: 0 none, 1 the upper half or the
// whole button, 2 the lower half.
void PaintButtonControlEh(TCanvas* Canvas, TRect ARect, TColor ParentColor, TDrawButtonControlStyleEh Style,
                          Integer PressedPart, bool Flat, bool Active, bool Enabled, TCheckBoxStateEh State);

// The cache of painted faces, one entry per distinct look, never evicted.
struct TButtonBitmapInfoEh {
  Integer Width = 0, Height = 0;
  Byte Kind = 0, Flat = 0, Pressed = 0, Active = 0, Enabled = 0, Half = 0, CheckState = 0;
  friend bool operator==(const TButtonBitmapInfoEh&, const TButtonBitmapInfoEh&) = default;
};

class TButtonBitmapInfoBitmapEh : public TObject {
public:
  BORROW_CLASS(TButtonBitmapInfoBitmapEh, TObject)
  TButtonBitmapInfoEh Key;
  std::unique_ptr<TBitmap> Bitmap;
};

class TButtonsBitmapCache : public TObject {
public:
  BORROW_CLASS(TButtonsBitmapCache, TObject)
  // The entry of that key, drawn by Draw (at the origin of a key-sized bitmap) on a miss.
  TBitmap* GetButtonBitmap(const TButtonBitmapInfoEh& Key, const std::function<void(TCanvas*)>& Draw);
  Integer Count() const { return Integer(FItems.size()); }
  void Clear() { FItems.clear(); }

private:
  std::vector<std::unique_ptr<TButtonBitmapInfoBitmapEh>> FItems;
};

TButtonsBitmapCache* ButtonsBitmapCache();
// Whether the painter draws through the cache (on by default).
bool GetUseButtonsBitmapCacheEh();
void SetUseButtonsBitmapCacheEh(bool Value);
void ClearButtonsBitmapCacheEh();

// ---- Metrics ----------------------------------------------------------------------------------------
// From the screen font's height: two thirds of it, odd (classic look), at most the
// width of a vertical scroll bar.
Integer GetDefaultEditButtonWidthEh();
// The size of one system check box (the check-box bitmap holds 4 x 3 of them).
void InitCheckBoxSizeEh();
TSize GetCheckBoxSizeEh();

enum TCheckBoxLayoutEh { cblTopEh, cblCenterEh, cblBottomEh };
enum TCheckBoxAlignmentEh { cbaLeftEh, cbaRightEh, cbaCenterEh };
// The check-box-sized rectangle inside a cell.
TRect CheckBoxRectEh(const TRect& Cell, TCheckBoxAlignmentEh Alignment, TCheckBoxLayoutEh Layout);

// ---- Edit buttons ----------------------------------------------------------------------------------
using TButtonClickEventEh = std::function<void(TObject* Sender, bool& Handled)>;
using TButtonDownEventEh = std::function<void(TObject* Sender, bool TopButton, bool& AutoRepeat, bool& Handled)>;

class TEditButtonControlEh;

class TEditButtonEh : public TCollectionItem {
public:
  BORROW_COLLECTION_ITEM(TEditButtonEh, TCollectionItem)
  explicit TEditButtonEh(TCollection* Collection);
  // A button owned by an edit control, outside any collection.
  explicit TEditButtonEh(TWinControl* AEditControl);
  ~TEditButtonEh() override;

  void Assign(TPersistent* Source) override;
  virtual TEditButtonControlEh* CreateEditButtonControl();
  virtual void Click(TObject* Sender, bool& Handled);

  TPopupMenu* GetDropdownMenu() const { return FDropdownMenu; }
  void SetDropdownMenu(TPopupMenu* Value);
  bool GetEnabled() const { return FEnabled; }
  void SetEnabled(bool Value);
  TBitmap* GetGlyph() const { return FGlyph.get(); }
  void SetGlyph(const TBitmap* Value);
  String GetHint() const { return FHint; }
  void SetHint(const String& Value);
  Integer GetNumGlyphs() const { return FNumGlyphs; }
  void SetNumGlyphs(Integer Value);
  TShortCut GetShortCut() const { return FShortCut; }
  void SetShortCut(TShortCut Value);
  TEditButtonStyleEh GetStyle() const { return FStyle; }
  void SetStyle(TEditButtonStyleEh Value);
  bool GetVisible() const { return FVisible; }
  void SetVisible(bool Value);
  Integer GetWidth() const { return FWidth; }
  void SetWidth(Integer Value);
  TWinControl* GetEditControl() const { return FEditControl; }

  TButtonClickEventEh OnClick;
  TButtonDownEventEh OnDown;
  // The owner's change handler; the collection is told when it is not set.
  TNotifyEvent OnChanged;

protected:
  void ButtonChanged();
  TPopupMenu* FDropdownMenu = nullptr;
  bool FEnabled = true;
  std::unique_ptr<TBitmap> FGlyph;
  String FHint;
  Integer FNumGlyphs = 1;
  TShortCut FShortCut = 0;
  TEditButtonStyleEh FStyle = ebsDropDownEh;
  bool FVisible = false;
  Integer FWidth = 0;
  TWinControl* FEditControl = nullptr;
};

// Buttons whose shortcut defaults to Alt+Down; the visible kind is shown by default.
class TDropDownEditButtonEh : public TEditButtonEh {
public:
  BORROW_COLLECTION_ITEM(TDropDownEditButtonEh, TEditButtonEh)
  explicit TDropDownEditButtonEh(TCollection* Collection);
  explicit TDropDownEditButtonEh(TWinControl* AEditControl);
};

class TVisibleEditButtonEh : public TEditButtonEh {
public:
  BORROW_COLLECTION_ITEM(TVisibleEditButtonEh, TEditButtonEh)
  explicit TVisibleEditButtonEh(TCollection* Collection);
  explicit TVisibleEditButtonEh(TWinControl* AEditControl);
};

constexpr TShortCut DefaultDropDownShortCutEh = 32808;  // Alt+Down

class TEditButtonsEh : public TCollection {
public:
  BORROW_CLASS(TEditButtonsEh, TCollection)
  TEditButtonsEh(TWinControl* AEditControl, TCollectionItemClass ItemClass);
  TEditButtonEh* Items(Integer Index) const { return dynamic_cast<TEditButtonEh*>(GetItem(Index)); }
  TEditButtonEh* Add() { return dynamic_cast<TEditButtonEh*>(TCollection::Add()); }
  TWinControl* GetEditControl() const { return FEditControl; }
  TPersistent* GetOwner() const override { return FEditControl; }
  TNotifyEvent OnChanged;

protected:
  void Update(TCollectionItem* Item) override;

private:
  TWinControl* FEditControl;
};

// ---- The button control ---------------------------------------------------------------------------
class TEditButtonControlEh : public TSpeedButton {
public:
  BORROW_COMPONENT(TEditButtonControlEh, TSpeedButton)
  explicit TEditButtonControlEh(TComponent* AOwner);
  ~TEditButtonControlEh() override;

  TEditButtonStyleEh GetStyle() const { return FStyle; }
  void SetStyle(TEditButtonStyleEh Value);
  bool GetActive() const { return FActive; }
  void SetActive(bool Value);
  // While a drop-down is open the button stays shown pressed.
  void SetAlwaysDown(bool Value);
  bool GetAlwaysDown() const { return FAlwaysDown; }
  // 0 none, 1 the upper half or the whole button, 2 the lower half.
  Integer GetPressedPart() const { return FPressedPart; }
  TTimer* GetRepeatTimer() const { return FTimer.get(); }

  TButtonDownEventEh OnDown;

  void Click() override;

protected:
  void Paint() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  void MouseMove(TShiftState Shift, Integer X, Integer Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;

private:
  bool IsSpin() const { return FStyle == ebsUpDownEh || FStyle == ebsAltUpDownEh; }
  bool IsPressed() const { return GetState() == bsDown || GetDown(); }
  Integer PartAt(Integer Y) const;
  // Raises OnDown for the pressed part; true when auto-repeat is to go on.
  bool DoDown();
  void TimerTick(TObject* Sender);
  void StopTimer();

  TEditButtonStyleEh FStyle = ebsDropDownEh;
  bool FActive = false;
  bool FAlwaysDown = false;
  Integer FPressedPart = 0;
  bool FNoClick = false;
  std::unique_ptr<TTimer> FTimer;
};

class TSpeedButtonEh : public TEditButtonControlEh {
public:
  BORROW_COMPONENT(TSpeedButtonEh, TEditButtonControlEh)
  using TEditButtonControlEh::TEditButtonControlEh;
};

// ===========================================================================
// The non-visual tools the editors, the in-memory dataset and the grids share:
//
//   VarEqualsEh / VarCompareEh   equality and four-way comparison of Variants
//                                (0 equal, 1 less, 2 greater, 3 not comparable;
//                                Null sorts first); keys of several fields are
//                                one-dimensional arrays compared element by element.
//   TBMListEh                    a list of dataset bookmarks kept in the dataset's
//                                bookmark order (selected rows, footer bookmarks).
//   TDataLinkEh                  a data link that hands every data event on.
//   TDatasetFieldValueListEh     the distinct texts of one field, for filter lists.
//   GetFieldListEh & co.         ';'-separated field lists resolved against a dataset.

// ---------------------------------------------------------------------------
// Variant comparison.

bool VarEqualsEh(const Variant& A, const Variant& B);
// 0 equal, 1 A less than B, 2 A greater than B, 3 not comparable. Never raises.
Integer VarCompareEh(const Variant& A, const Variant& B);

// ---------------------------------------------------------------------------
// Bookmark list.

class TBMListEh;
// Compares the entries at two indexes: below 0, 0 or above 0.
using TBMListSortCompareEh = std::function<Integer(TBMListEh* List, void* Param, Integer Index1, Integer Index2)>;

class TBMListEh : public TObject {
public:
  BORROW_CLASS(TBMListEh, TObject)
  TBMListEh() = default;
  ~TBMListEh() override;
  TBMListEh(const TBMListEh&) = delete;
  TBMListEh& operator=(const TBMListEh&) = delete;

  virtual TDataSet* GetDataSet() const { return nullptr; }
  virtual void Invalidate() {}
  [[noreturn]] virtual void RaiseError(const String& Msg);
  virtual void SetCurrentRowSelected(bool Value);
  // After each insert and delete; forgets the search cache.
  virtual void ItemsChanged(const TBookmark& Item);
  virtual void Changed() {}
  virtual void Clear();
  virtual void CustomSort(void* Param, const TBMListSortCompareEh& Compare);

  Integer GetCount() const { return static_cast<Integer>(FItems.size()); }
  Integer Count() const { return GetCount(); }
  // EListError "List index out of bounds (%d)" outside 0 .. Count - 1.
  const TBookmark& GetItem(Integer Index) const;
  // Replaces the entry without re-sorting.
  void SetItem(Integer Index, const TBookmark& Item);
  const TBookmark& operator[](Integer Index) const { return GetItem(Index); }

  TBookmark GetCurrentBookmark() const;
  Integer Compare(const TBookmark& Item1, const TBookmark& Item2) const;
  // Index is the bookmark's position, or where it would be inserted.
  bool Find(const TBookmark& Item, Integer& Index) const;
  Integer IndexOf(const TBookmark& Item) const;
  bool GetCurrentRowSelected() const;
  void Insert(Integer Index, const TBookmark& Item);
  void Append(const TBookmark& Item) { Insert(GetCount(), Item); }
  void Delete(Integer Index);
  void DeleteRecords();
  bool GetLinkActive() const { return FLinkActive; }
  void SetLinkActive(bool Value);

private:
  void ForgetCache() const { FCacheIndex = -1; }

  std::vector<TBookmark> FItems;
  bool FLinkActive = false;
  // The last search: equal bytes and an unchanged list give the same answer.
  mutable TBookmark FCacheItem;
  mutable Integer FCacheIndex = -1;
  mutable bool FCacheFound = false;
};

// ---------------------------------------------------------------------------
// Data link that forwards its events.

using TDataLinkEventEh = std::function<void(TObject* Sender, TDataEvent Event, TDataEventInfo Info)>;

class TDataLinkEh : public TDataLink {
public:
  BORROW_CLASS(TDataLinkEh, TDataLink)
  TDataLinkEh() = default;
  void DataEvent(TDataEvent Event, TDataEventInfo Info) override;
  TDataLinkEventEh OnDataEvent;
};

// ---------------------------------------------------------------------------
// Distinct field values for filter drop-downs.

class IMemTableDataFieldValueListEh {
public:
  virtual ~IMemTableDataFieldValueListEh() = default;
  virtual TStringList* GetValues() = 0;
  // Restricts the records whose values are listed (dataset filter syntax).
  virtual void SetFilter(const String& Filter) = 0;
};

class TDatasetFieldValueListEh : public TObject, public IMemTableDataFieldValueListEh {
public:
  BORROW_CLASS(TDatasetFieldValueListEh, TObject)
  TDatasetFieldValueListEh();
  ~TDatasetFieldValueListEh() override;

  TDataSet* GetDataSet() const { return FDataLink->GetDataSet(); }
  void SetDataSet(TDataSet* Value);
  TDataSource* GetDataSource() const { return FDataLink->GetDataSource(); }
  void SetDataSource(TDataSource* Value);
  const String& GetFieldName() const { return FFieldName; }
  void SetFieldName(const String& Value);

  TStringList* GetValues() override;
  // The list always holds the values of every record.
  void SetFilter(const String&) override {}

private:
  void RefreshValues();

  std::unique_ptr<TStringList> FValues;
  bool FNeedRefresh = true;
  String FFieldName;
  std::unique_ptr<TDataSource> FDataSource;
  std::unique_ptr<TDataLinkEh> FDataLink;
};

// ---------------------------------------------------------------------------
// Field lists and small tests.

using TFieldsArrEh = std::vector<TField*>;

// Resolves ';'-separated names; an unknown one raises "Field '%s' not found"
// naming Component. List may be null (check only).
void GetFieldListEh(std::vector<TField*>* List, TDataSet* DataSet, TComponent* Component, const String& FieldNames);
void GetFieldsArrEh(TDataSet* DataSet, TComponent* Component, const String& FieldNames, TFieldsArrEh& Fields);
// Null clears every named field; else one value for one field, an array for several.
void AssignFieldsValuesEh(TDataSet* DataSet, const String& FieldNames, const Variant& Value);
bool IsNumberFieldTypeEh(TFieldType DataType);

class TMemoryRecordEh;

// ---------------------------------------------------------------------------
// The grid's interface to an in-memory table: record, tree and grouping
// services asked without moving the table's cursor. Only the in-memory table
// implements it; a dataset without it gets no grouping.

class IMemTableEh {
public:
  virtual ~IMemTableEh() = default;
  // Asks the data driver for up to Count further records; answers how many arrived.
  virtual Integer FetchRecords(Integer Count) = 0;
  virtual Integer GetCurrentRowIndex() = 0;
  virtual bool GetTreeNodeExpanded() = 0;
  virtual bool GetTreeNodeHasChildren() = 0;
  virtual Integer GetTreeNodeLevel() = 0;
  virtual Integer GetPrevVisibleTreeNodeLevel() = 0;
  virtual Integer GetNextVisibleTreeNodeLevel() = 0;
  virtual TMemoryRecordEh* GetCurrentRecord() = 0;
  virtual Integer InstantReadIndexOfBookmark(const TBookmark& Bookmark) = 0;
  virtual Integer InstantReadRowCount() = 0;
  virtual bool IsTreeList() = 0;
  virtual bool ParentHasNextSibling(Integer Level) = 0;
  virtual bool GotoRecord(TMemoryRecordEh* Rec) = 0;
  // Answers the row to make current when the current record became hidden, else -1.
  virtual Integer SetTreeNodeExpanded(Integer RowNum, bool Value) = 0;
  // The distinct values of a field; null when the table has no such field.
  virtual std::shared_ptr<IMemTableDataFieldValueListEh> GetFieldValueList(const String& FieldName) = 0;
  virtual bool MoveRecords(TBMListEh* BookmarkList, Integer ToRecNo, Integer TreeLevel, bool CheckOnly) = 0;
  virtual void InstantReadEnter(Integer RowNum) = 0;
  virtual void InstantReadLeave() = 0;
  virtual void AddLinkedComponent(TComponent* Component) = 0;
  virtual void RemoveLinkedComponent(TComponent* Component) = 0;
};
