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
//
// The unit's other parts, each declared in its own section below:
//   drop-down windows   the popup list box, its size grip and placement, special
//                       rows, most-recently-used lists (ToolCtrlsEh_PopupList.cpp,
//                       ToolCtrlsEh_SizeGrip.cpp, ToolCtrlsEh_MRU.cpp);
//   non-visual tools    Variant comparison, bookmark lists, field lists, the
//                       input tools (ToolCtrlsEh_Tools.cpp).

#include <functional>
#include <memory>
#include <vector>

#include "platform/core/Collection.h"
#include "platform/core/StringList.h"
#include "platform/core/Variant.h"
#include "platform/data/DataSet.h"
#include "platform/data/DataSource.h"
#include "platform/ui/ActnList.h"
#include "platform/ui/Buttons.h"
#include "platform/ui/ComCtrls.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/Graphics.h"
#include "platform/ui/ScrollBarCtrl.h"
#include "platform/ui/StdCtrls.h"

class TPopupMenu;

// ---- Drawing routines -----------------------------------------------------------------------
// Whether visual styles are in use: never here, so the classic faces are drawn.
bool ThemesEnabledEh();

// Size * 3 / 2, rounded half to even as the platform rounds, when Flag is set; else Size.
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
void DrawTreeElementEh(TCanvas* Canvas, const TRect& ARect, Integer Kind, bool DotPhase, double ScaleX, double ScaleY,
                       bool BoxShift);

// ---- Button faces ---------------------------------------------------------------------------
enum TEditButtonStyleEh {
  ebsDropDownEh,
  ebsEllipsisEh,
  ebsGlyphEh,
  ebsUpDownEh,
  ebsPlusEh,
  ebsMinusEh,
  ebsAltDropDownEh,
  ebsAltUpDownEh
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
// From the text height of the screen device context's default font: two thirds
// of it, rounded half to even, made odd (classic look), at most the width of a
// vertical scroll bar. Computes afresh; the unit keeps its own result below.
Integer GetDefaultEditButtonWidthEh();
// The size of one system check box (the check-box bitmap holds 4 x 3 of them),
// stored with the metrics below.
void InitCheckBoxSizeEh();
TSize GetCheckBoxSizeEh();

// The unit's metrics, computed once by its initialization (at the first look)
// and kept: the default edit-button width and one check box's size, the sizes
// also less one (the inclusive right and bottom of a box drawn at 0, 0).
struct TToolCtrlsMetricsEh {
  Integer DefaultEditButtonWidth = 0;
  TSize CheckBoxSize;
  TSize CheckBoxSizeLessOne;
};
const TToolCtrlsMetricsEh& ToolCtrlsMetricsEh();

enum TCheckBoxLayoutEh { cblTopEh, cblCenterEh, cblBottomEh };
enum TCheckBoxAlignmentEh { cbaLeftEh, cbaRightEh, cbaCenterEh };
// The check-box-sized rectangle inside a cell.
TRect CheckBoxRectEh(const TRect& Cell, TCheckBoxAlignmentEh Alignment, TCheckBoxLayoutEh Layout);

// ---- Edit buttons ----------------------------------------------------------------------------------
using TButtonClickEventEh = std::function<void(TObject* Sender, bool& Handled)>;
using TButtonDownEventEh = std::function<void(TObject* Sender, bool TopButton, bool& AutoRepeat, bool& Handled)>;

class TEditButtonControlEh;
class TEditButtonActionLinkEh;

class TEditButtonEh : public TCollectionItem {
public:
  BORROW_COLLECTION_ITEM(TEditButtonEh, TCollectionItem)
  explicit TEditButtonEh(TCollection* Collection);
  // A button owned by an edit control, outside any collection.
  explicit TEditButtonEh(TWinControl* AEditControl);
  ~TEditButtonEh() override;

  void Assign(TPersistent* Source) override;
  virtual TEditButtonControlEh* CreateEditButtonControl();
  // OnClick; without one, the linked action runs for the owning edit control (or
  // the collection's owner when that is a component) and the click is handled.
  virtual void Click(TObject* Sender, bool& Handled);
  // Brings the linked action up to date (the owning editor calls it at idle time).
  virtual void InitiateAction();

  // The button shows the action's Enabled, Hint, ShortCut and Visible and follows
  // each change of them; nil lets the action go.
  TBasicAction* GetAction() const;
  void SetAction(TBasicAction* Value);
  TEditButtonActionLinkEh* GetActionLink() const { return FActionLink.get(); }
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
  // The action changed; CheckDefaults (the action is being loaded): only values
  // still at their defaults give way.
  virtual void ActionChange(TObject* Sender, bool CheckDefaults);
  void GetPropInfos(std::vector<TPropInfo>& Props) override;
  // A value is written unless a linked action supplies it, and only when it differs from the default.
  bool IsEnabledStored() const;
  bool IsHintStored() const;
  bool IsShortCutStored() const;
  bool IsVisibleStored() const;

  std::unique_ptr<TEditButtonActionLinkEh> FActionLink;
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
  // The class's defaults of ShortCut and Visible, which are not written.
  TShortCut FDefaultShortCut = 0;
  bool FDefaultVisible = false;
};

// An edit button's link to its action: the button follows a value of the action
// while it shows the action's value.
class TEditButtonActionLinkEh : public TActionLink {
public:
  BORROW_CLASS(TEditButtonActionLinkEh, TActionLink)
  explicit TEditButtonActionLinkEh(TEditButtonEh* AClient) : TActionLink(AClient), FClient(AClient) {}

  bool IsEnabledLinked() override;
  bool IsHintLinked() override;
  bool IsShortCutLinked() override;
  bool IsVisibleLinked() override;
  void SetEnabled(bool Value) override;
  void SetHint(const String& Value) override;
  void SetShortCut(TShortCut Value) override;
  void SetVisible(bool Value) override;

private:
  TEditButtonEh* FClient;
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
  // A new button is announced again once it is whole (its constructor announced it half made).
  void Added(TCollectionItem* Item) override { Update(Item); }

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

// ===========================================================================
// Drop-down windows (ToolCtrlsEh_PopupList.cpp, ToolCtrlsEh_SizeGrip.cpp,
// ToolCtrlsEh_MRU.cpp):
//
//   TPopupListboxEh       the drop-down list box; an item's object, when it is a
//                         TPopupListboxItemEh, gives the item its own look and action.
//   TSizeGripEh           the grip in a drop-down's corner that resizes it.
//   AlignDropDownWindowEh places a drop-down below or above its host, inside the
//                         work area of the host's monitor.
//   TSpecRowEh            the settings of a drop-down's special row.
//   TMRUListEh            the most-recently-used texts of an edit, and
//   TMRUListboxEh         their drop-down list, with a scroll bar of its own.
//
// Every drop-down follows the same conventions: it is a top-level window that is
// never activated and never takes the focus (its owner keeps the keys and passes
// on those the list wants); it closes only through its owner's
// IPopupOwnerEh::CloseUp; WM_CLOSEUPNOACCEPT (1125) asks it to close without
// accepting; after placement it hears WM_DROPDOWNPLACED (1124) telling which way
// it extends (0 left, 1 right, 2 upward, 3 downward).
//
// A typical owner (an editor) drops a list down like this:
//   List->SetRowCount(7); List->SetWidth(Width);
//   AlignDropDownWindowEh(this, List, daLeft, P);
//   SetWindowPos(List->GetHandle(), HWND_TOP, P.X, P.Y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
// and reads the list's mouse close-up flag in its OnMouseUp handler.

class TCustomImageList;
class TPopupListboxEh;

// Draws an image of the list centred in ARect, clipped to it when larger, on the
// list's background colour; a selected image is blended half with the highlight.
void DrawImageCenteredEh(TCanvas* Canvas, const TRect& ARect, TCustomImageList* Images, Integer ImageIndex,
                         bool Selected);

// The owner of a popup: the one way every popup closes.
class IPopupOwnerEh {
public:
  virtual ~IPopupOwnerEh() = default;
  virtual void CloseUp(bool Accept) = 0;
};

// The popup owner interface of a popup's owner component, or null.
IPopupOwnerEh* PopupOwnerOfEh(const TComponent* Popup);

// ---- Items ------------------------------------------------------------------------------------
// The behaviour of one item of a popup list. The base draws the item the list's
// default way, closes the list after a click and does nothing else. Mouse points
// are in the list's client coordinates.
class TPopupListboxItemEh : public TObject {
public:
  BORROW_CLASS(TPopupListboxItemEh, TObject)
  // False: the item is drawn without the focus rectangle.
  virtual bool CanFocus(TPopupListboxEh* Sender, Integer ItemIndex);
  virtual void DrawItem(TPopupListboxEh* Sender, Integer ItemIndex, TRect ARect, TOwnerDrawState State);
  virtual void MouseDown(TPopupListboxEh* Sender, Integer ItemIndex, TPoint MousePos, TMouseButton Button,
                         TShiftState Shift);
  virtual void MouseMove(TPopupListboxEh* Sender, Integer ItemIndex, TPoint MousePos, TShiftState Shift);
  // Sets IsCloseListbox to CloseOnExecute.
  virtual void MouseUp(TPopupListboxEh* Sender, Integer ItemIndex, TPoint MousePos, TMouseButton Button,
                       TShiftState Shift, bool& IsCloseListbox);
  virtual void KeyPress(TPopupListboxEh* Sender, Integer ItemIndex, Char& Key, TShiftState Shift, bool& IsCloseListbox);
  // False keeps the list open after a click on the item.
  virtual bool CloseOnExecute(TPopupListboxEh* Sender, Integer ItemIndex);
  virtual void Execute(TPopupListboxEh* Sender, Integer ItemIndex, TPoint MousePos, TShiftState Shift);
};

// The one shared item for lists whose items need no behaviour of their own.
TPopupListboxItemEh* DefaultPopupListboxItemEh();

// ---- Size grip ------------------------------------------------------------------------------------
enum TSizeGripPosition { sgpTopLeft, sgpTopRight, sgpBottomRight, sgpBottomLeft };
// The way a drop-down extends, as WM_DROPDOWNPLACED tells it.
enum TSizeGripChangePosition { sgcpToLeft, sgcpToRight, sgcpToTop, sgcpToBottom };

// A grip in one corner of its parent's client area; dragging it resizes the
// parent (a top-level drop-down) within the work area of its monitor.
class TSizeGripEh : public TCustomControl {
public:
  BORROW_COMPONENT(TSizeGripEh, TCustomControl)
  explicit TSizeGripEh(TComponent* AOwner);

  TSizeGripPosition GetPosition() const { return FPosition; }
  // Re-creates the shape and the cursor and moves the grip into its corner.
  void SetPosition(TSizeGripPosition Value);
  bool GetTriangle() const { return FTriangle; }
  void SetTriangle(bool Value);
  // Moves the grip into its corner of the parent's client area.
  void UpdatePosition();
  // Moves the grip to the corner the drop-down's new way of extending calls for.
  void ChangePosition(TSizeGripChangePosition NewPosition);
  void ShowGrip(bool Value) { SetVisible(Value); }

  // After the user changed the parent's client size.
  TNotifyEvent OnParentResized;

  void Dispatch(TMessage& Message) override;

protected:
  void CreateWnd() override;
  void Paint() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  void MouseMove(TShiftState Shift, Integer X, Integer Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;

private:
  bool AtRight() const { return FPosition == sgpTopRight || FPosition == sgpBottomRight; }
  bool AtBottom() const { return FPosition == sgpBottomLeft || FPosition == sgpBottomRight; }
  void UpdateShape();
  void DragTo(TPoint ScreenPoint);

  TSizeGripPosition FPosition = sgpBottomRight;
  bool FTriangle = true;
  bool FDragging = false;
  TPoint FInitScreenMousePos;
  TRect FParentBoundsAtPress;  // the parent's bounds in its own coordinate system
  TRect FParentScreenAtPress;  // and on the screen
  TPoint FOldMouseMovePos;
  bool FInternalMove = false;
};

// ---- Popup list box ---------------------------------------------------------------------------------
using TListGetImageIndexEventEh = std::function<void(TObject* Sender, Integer ItemIndex, Integer& ImageIndex)>;

class TPopupListboxEh : public TCustomListBox {
public:
  BORROW_COMPONENT(TPopupListboxEh, TCustomListBox)
  explicit TPopupListboxEh(TComponent* AOwner);
  ~TPopupListboxEh() override;

  // Keeps the height to a whole number of rows, at least one.
  void SetBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight) override;
  // A popup never takes the focus from its owner.
  bool CanFocus() override { return false; }

  // An outside list the items are read from (a virtual list); null: the list's own Items.
  TStrings* GetItemsStrings() const { return FItemsStrings; }
  void SetItemsStrings(TStrings* Value);
  // Images drawn before the item texts.
  TCustomImageList* GetImageList() const { return FImageList; }
  void SetImageList(TCustomImageList* Value);
  // When set, an item whose object is a TPopupListboxItemEh takes its behaviour from it.
  bool GetUseItemObjects() const { return FUseItemObjects; }
  void SetUseItemObjects(bool Value) { FUseItemObjects = Value; }
  // The rows the height was last set to; writing it sets the height.
  Integer GetRowCount() const { return FRowCount; }
  void SetRowCount(Integer Value);
  Integer GetTextHeight() const;
  // The frame the rows sit in: the style's non-client height plus twice the border margin.
  Integer GetBorderHeight();
  // The 3-D border taken from the client area: 2 with the 3-D look, else 0.
  Integer GetBorderMargin() const { return GetCtl3D() ? 2 : 0; }
  void InvalidateItem(Integer Index);
  TSizeGripEh* GetSizeGrip() const { return FSizeGrip.get(); }
  // Set by a press and a release (an item may clear it): whether the owner should
  // close the list after this click.
  bool GetMouseCloseUp() const { return FMouseCloseUp; }
  void SetMouseCloseUp(bool Value) { FMouseCloseUp = Value; }
  Integer GetHotItemIndex() const { return FHotItemIndex; }
  // Set by every change of size (the grip's too); owners clear it before they show the list.
  bool GetSizeChanged() const { return FSizeChanged; }
  void SetSizeChanged(bool Value) { FSizeChanged = Value; }
  // Marks the list of the data grid's filter-row editor.
  bool GetBelongsToFilterEditor() const { return FBelongsToFilterEditor; }
  void SetBelongsToFilterEditor(bool Value) { FBelongsToFilterEditor = Value; }
  // The text typed so far for the incremental search.
  const String& GetSearchText() const { return FSearchText; }

  // An item's text and object from the outside list (nothing when none is set).
  using TCustomListBox::GetItemObject;
  using TCustomListBox::GetItemText;
  virtual void GetItemText(Integer Index, String& Text);
  virtual void GetItemObject(Integer Index, TObject*& Object);
  // The item's behaviour object, or null (no item objects, or another kind of object).
  TPopupListboxItemEh* ItemBehaviour(Integer Index) const;

  // Paints the item: the item's own drawing when it has a behaviour object, else
  // DefaultDrawItem.
  void DrawItem(Integer Index, TRect Rect, TOwnerDrawState State) override;
  // The list's own drawing: the platform's, or the image and the text.
  virtual void DefaultDrawItem(Integer Index, TRect Rect, TOwnerDrawState State);
  virtual void DrawBorder();

  // Sender: the list's owner.
  TListGetImageIndexEventEh OnGetImageIndex;

  void Dispatch(TMessage& Message) override;

protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void PaintItems(HDC DC) override;
  String DoGetData(Integer Index) const override;
  TObject* DoGetDataObject(Integer Index) const override;
  void MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  void MouseMove(TShiftState Shift, Integer X, Integer Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  void KeyPress(Char& Key) override;
  bool DoMouseWheelDown(TShiftState Shift, TPoint MousePos) override;
  bool DoMouseWheelUp(TShiftState Shift, TPoint MousePos) override;
  // The width of the image area before the texts: the image width + 4, or 0.
  Integer ImageAreaWidth() const;
  // The window the popup is owned by: the top-level window of its parent or owner.
  HWND OwnerWindow();

private:
  void SetHotItem(Integer Index);

  std::unique_ptr<TSizeGripEh> FSizeGrip;
  TCustomImageList* FImageList = nullptr;
  TStrings* FItemsStrings = nullptr;
  bool FUseItemObjects = false;
  bool FMouseCloseUp = false;
  Integer FHotItemIndex = -1;
  TPoint FLastMousePos{-1, -1};
  String FSearchText;
  DWORD FSearchTime = 0;
  Integer FRowCount = 0;
  bool FSizeChanged = false;
  bool FBelongsToFilterEditor = false;
};

// ---- Placement --------------------------------------------------------------------------------------
enum TDropDownAlign { daLeft, daRight, daCenter };

// Places DropDownWin against a host rectangle (screen coordinates) inside the work
// area of the monitor nearest to it: below when it fits, else above when it fits
// there, else on the side with more room (below on a tie), its height cut to the
// room; its width cut to the work area; the horizontal place by Align, pushed back
// inside the work area. The window hears WM_DROPDOWNPLACED twice (the side, then
// the horizontal way); Point is where its top-left corner goes.
void AlignDropDownWindowRectEh(const TRect& MasterAbsRect, TWinControl* DropDownWin, TDropDownAlign Align,
                               TPoint& Point);
// The same against a control: its bounds converted to the screen through its parent.
void AlignDropDownWindowEh(TControl* MasterWinControl, TWinControl* DropDownWin, TDropDownAlign Align, TPoint& Point);

// ---- Special row ------------------------------------------------------------------------------------
// The special row of a drop-down list or lookup: a row of cell texts shown before
// the data, standing for Value.
class TSpecRowEh : public TPersistent {
public:
  BORROW_CLASS(TSpecRowEh, TPersistent)
  // Owner: the control whose colour and font the row follows while its own are not set.
  explicit TSpecRowEh(TControl* Owner);
  ~TSpecRowEh() override;

  void Assign(TPersistent* Source) override;
  void BeginUpdate() { ++FUpdateCount; }
  // The changed event fires after the last EndUpdate.
  void EndUpdate();

  const String& GetCellsText() const { return FCellsText; }
  // Cell texts separated by ';', a cell optionally in double quotes (quotes doubled inside).
  void SetCellsText(const String& Value);
  // The Index-th cell text; empty outside the list.
  String CellText(Integer Index) const;
  Integer CellCount() const { return FCellsStrings->GetCount(); }
  // The owner's colour while not assigned.
  TColor GetColor() const;
  void SetColor(TColor Value);
  bool GetColorAssigned() const { return FColorAssigned; }
  // Follows the owner's font while not assigned.
  TFont* GetFont();
  void SetFont(const TFont* Value);
  bool GetFontAssigned() const { return FFontAssigned; }
  TShortCut GetShortCut() const { return FShortCut; }
  void SetShortCut(TShortCut Value);
  bool GetShowIfNotInKeyList() const { return FShowIfNotInKeyList; }
  void SetShowIfNotInKeyList(bool Value);
  const Variant& GetValue() const { return FValue; }
  void SetValue(const Variant& Value);
  bool GetVisible() const { return FVisible; }
  void SetVisible(bool Value);

  TNotifyEvent OnChanged;

protected:
  TPersistent* GetOwner() const override { return FOwner; }
  void GetPropInfos(std::vector<TPropInfo>& Props) override;
  void Changed();

private:
  void FontChanged(TObject* Sender);

  TControl* FOwner;
  String FCellsText;
  std::unique_ptr<TStringList> FCellsStrings;
  TColor FColor = clWindow;
  bool FColorAssigned = false;
  std::unique_ptr<TFont> FFont;
  bool FFontAssigned = false;
  bool FFontFollowing = false;  // copying the owner's font in, not the user's change
  TShortCut FShortCut = 32814;  // Alt+Del
  bool FShowIfNotInKeyList = true;
  Variant FValue = Null();
  bool FVisible = false;
  Integer FUpdateCount = 0;
  bool FChangedPending = false;
};

// ---- Most-recently-used lists -----------------------------------------------------------------------
using TFilterMRUItemEventEh = std::function<void(TObject* Sender, bool& Accept)>;
using TMRUListCloseUpEventEh = std::function<void(TObject* Sender, bool Accept)>;
// An owner's verdict on one item of the list (its own rule and OnFilterItem both).
using TMRUItemFilterEh = std::function<void(const String& Item, bool& Accept)>;

// The most-recently-used texts of an edit, the newest last.
class TMRUListEh : public TPersistent {
public:
  BORROW_CLASS(TMRUListEh, TPersistent)
  // Owner: the editor (or grid column) the list belongs to.
  explicit TMRUListEh(TPersistent* Owner);
  ~TMRUListEh() override;

  void Assign(TPersistent* Source) override;
  // Adds a text (trimmed; an empty one adds nothing); an equal entry moves to the end.
  void Add(const String& AText);
  // Copies the items that begin with AText into Items, in list order; false when a
  // waiting key press stopped the filtering. With ItemFilter, that decides instead.
  bool FilterItemsTo(TStrings* FilteredItems, const String& AText, const TMRUItemFilterEh& ItemFilter = nullptr);
  virtual void CloseUp(bool Accept);
  virtual void DropDown();

  bool GetActive() const { return FActive; }
  void SetActive(bool Value);
  bool GetAutoAdd() const { return FAutoAdd; }
  void SetAutoAdd(bool Value) { FAutoAdd = Value; }
  bool GetCaseSensitive() const { return FCaseSensitive; }
  void SetCaseSensitive(bool Value) { FCaseSensitive = Value; }
  TStrings* GetItems() const { return FItems.get(); }
  void SetItems(const TStrings* Value);
  // Lowering the limit drops the oldest entries beyond it.
  Integer GetLimit() const { return FLimit; }
  void SetLimit(Integer Value);
  Integer GetRows() const { return FRows; }
  void SetRows(Integer Value) { FRows = Value; }
  bool GetDroppedDown() const { return FDroppedDown; }
  void SetDroppedDown(bool Value) { FDroppedDown = Value; }
  // Whether a waiting key press stops FilterItemsTo (on by default).
  bool GetCancelFilterOnKey() const { return FCancelFilterOnKey; }
  void SetCancelFilterOnKey(bool Value) { FCancelFilterOnKey = Value; }

  // The owning editor's handlers. OnFilterItem gets the list's owner as Sender (a
  // grid column for a column's list) and may change the verdict on each item.
  TNotifyEvent OnActiveChanged;
  TFilterMRUItemEventEh OnFilterItem;
  TMRUListCloseUpEventEh OnSetCloseUpEvent;
  TNotifyEvent OnSetDropDownEvent;

protected:
  TPersistent* GetOwner() const override { return FOwner; }
  void GetPropInfos(std::vector<TPropInfo>& Props) override;

private:
  void Trim();

  TPersistent* FOwner;
  bool FActive = false;
  bool FAutoAdd = true;
  bool FCaseSensitive = false;
  std::unique_ptr<TStringList> FItems;
  Integer FLimit = 100;
  Integer FRows = 7;
  bool FDroppedDown = false;
  bool FCancelFilterOnKey = true;
};

// The drop-down of an MRU list: a popup list whose scroll bar is a control of its
// own along its right edge, kept clear of the size grip.
class TMRUListboxEh : public TPopupListboxEh {
public:
  BORROW_COMPONENT(TMRUListboxEh, TPopupListboxEh)
  explicit TMRUListboxEh(TComponent* AOwner);
  ~TMRUListboxEh() override;

  TScrollBar* GetScrollBar() const { return FScrollBar.get(); }
  // Places the bar and shapes the grip for the current size and item count.
  void UpdateScrollBar() override;

  void Dispatch(TMessage& Message) override;

protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  bool DoMouseWheelDown(TShiftState Shift, TPoint MousePos) override;
  bool DoMouseWheelUp(TShiftState Shift, TPoint MousePos) override;

private:
  void ScrollBarScroll(TObject* Sender, TScrollCode ScrollCode, Integer& ScrollPos);

  std::unique_ptr<TScrollBar> FScrollBar;
  bool FUpdatingBar = false;
};

// ---- Input tools --------------------------------------------------------------------------------------
// The current shift state from the key states: Shift, Alt, Ctrl.
TShiftState GetShiftStateEh();
// Removes the next pending left press or double click aimed at Control, so that
// the click that closed a drop-down does not also act on the control below it.
bool RemovePendingClickOnControlEh(TControl* Control);
// The same, only for a press inside the control's client rectangle.
bool RemovePendingClickInClientRectEh(TControl* Control);
// Whether two presses ElapsedMs apart at P1 and P2 make a double click.
bool CheckDoubleClickEh(TPoint P1, TPoint P2, DWORD ElapsedMs);

// ---- Popup windows' common settings (ToolCtrlsEh_Calendar.cpp) -------------------------------------
// What the calendar and the calculator popups share with the conventions above: a
// top-level window owned by the host's form, never activated, with its 3-D border
// (BorderMargin pixels on every side) taken from the client area.

// The window a popup is owned by: the top-level window of its parent, else of its
// owner when that is a control, else of its parent window.
HWND PopupOwnerWindowEh(TWinControl* Popup);
// Turns a control's window parameters into a popup's: popup style (a plain border
// only without the 3-D look), tool window, saving the bits under it, owned by Owner.
void SetPopupWindowParamsEh(TCreateParams& Params, bool Ctl3D, HWND Owner);
// Takes BorderMargin pixels from every side of the proposed client area (WM_NCCALCSIZE).
void ShrinkPopupClientEh(TMessage& Message, Integer BorderMargin);
// Owners show and hide a popup through its window: the popup's Visible follows it
// (WM_WINDOWPOSCHANGED); answers the new visibility.
bool PopupVisibleAfterPosChangeEh(const TMessage& Message, bool Visible);

// ---- Popup month calendar (ToolCtrlsEh_Calendar.cpp) ---------------------------------------------
// The month calendar as a drop-down: Enter, a click on a date (or the today link,
// the month title, a week number) close it accepting its Date, Esc, a press
// outside it and the loss of the focus without; the wheel moves the date by a day.
// Its owner passes on the keys it wants (WM_KEYDOWN) and reads Date on an
// accepting IPopupOwnerEh::CloseUp.
class TPopupMonthCalendarEh : public TMonthCalendar {
public:
  BORROW_COMPONENT(TPopupMonthCalendarEh, TMonthCalendar)
  explicit TPopupMonthCalendarEh(TComponent* AOwner);

  // A popup never takes the focus from its owner.
  bool CanFocus() override { return false; }
  // The 3-D border taken from the client area: 2 with the 3-D look, else 0.
  Integer GetBorderMargin() const { return GetCtl3D() ? 2 : 0; }
  // The calendar's view when the mouse was last pressed on it.
  Integer GetMouseDownView() const { return FMouseDownView; }

  void Dispatch(TMessage& Message) override;

protected:
  void CreateParams(TCreateParams& Params) override;
  void KeyDown(Word& Key, TShiftState Shift) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  bool DoMouseWheelDown(TShiftState Shift, TPoint MousePos) override;
  bool DoMouseWheelUp(TShiftState Shift, TPoint MousePos) override;
  void DrawBorder();
  void CloseUp(bool Accept);

private:
  // A press: the view is remembered; outside the client area it closes the popup.
  bool HandleMouseDown(const TMessage& Message);
  // Whether a release on this part of the calendar picks the date.
  static bool HitPicks(UINT Hit);

  Integer FMouseDownView = MCMV_MONTH;
};
