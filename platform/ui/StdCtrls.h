#pragma once
// The standard controls: edit and memo, label, push button, check box, radio
// button, group box, list box and combo box, drawn in the classic look.
//
// There is no native control library underneath: each windowed control does in
// its DefaultHandler what the system's control class would do (keys, EM_/LB_
// messages, painting), so the control's own handlers and the OnKeyDown /
// OnKeyPress events still see a key first and can swallow it.

#include <memory>
#include <vector>

#include "platform/core/StringList.h"
#include "platform/data/DBTypes.h"  // TAlignment, shared with fields
#include "platform/ui/Forms.h"
#include "platform/ui/EditBuffer.h"
#include "platform/ui/TextPieces.h"

enum TTextLayout { tlTop, tlCenter, tlBottom };
enum TEditCharCase { ecNormal, ecUpperCase, ecLowerCase };
enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

// Draws Text with its '&' accelerator underlined (unless NoPrefix), as labels,
// buttons and group boxes show captions.
void DrawCaption(TCanvas* Canvas, TRect R, const String& Text, UINT Format, bool Enabled);

// ---- Edit --------------------------------------------------------------------------------
class TCustomEdit : public TWinControl {
public:
  BORROW_COMPONENT(TCustomEdit, TWinControl)
  explicit TCustomEdit(TComponent* AOwner);
  ~TCustomEdit() override;

  Integer GetMaxLength() const { return FBuffer.GetMaxLength(); }
  void SetMaxLength(Integer Value);
  bool GetReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool Value);
  Char GetPasswordChar() const { return FPasswordChar; }
  void SetPasswordChar(Char Value);
  TEditCharCase GetCharCase() const { return FCharCase; }
  void SetCharCase(TEditCharCase Value);
  bool GetAutoSelect() const { return FAutoSelect; }
  void SetAutoSelect(bool Value) { FAutoSelect = Value; }
  bool GetHideSelection() const { return FHideSelection; }
  void SetHideSelection(bool Value);
  TBorderStyle GetBorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TBorderStyle Value);
  TAlignment GetAlignment() const { return FAlignment; }
  void SetAlignment(TAlignment Value);
  // A bordered single-line edit keeps the height its font needs.
  bool GetAutoSize() const { return FAutoSize; }
  void SetAutoSize(bool Value) override;
  bool GetModified() const { return FBuffer.GetModified(); }
  void SetModified(bool Value) { FBuffer.SetModified(Value); }

  // Selection, 0-based character positions.
  Integer GetSelStart() const { return FBuffer.GetSelStart(); }
  void SetSelStart(Integer Value);
  Integer GetSelLength() const { return FBuffer.GetSelLength(); }
  void SetSelLength(Integer Value);
  virtual String GetSelText() const { return FBuffer.GetSelText(); }
  void SetSelText(const String& Value);
  void SelectAll();
  void ClearSelection();
  void CopyToClipboard();
  void CutToClipboard();
  void PasteFromClipboard();
  void Undo();
  bool CanUndo() const { return FBuffer.CanUndo(); }
  void ClearUndo() { FBuffer.EmptyUndoBuffer(); }
  virtual void Clear();
  Integer GetTextLen() const { return FBuffer.Length(); }

  // The formatting rectangle (client coordinates) the text is laid out in.
  TRect GetFormatRect() const;
  // The character nearest a client point, and a character's top-left corner.
  Integer CharFromPos(TPoint P) const;
  TPoint PosFromChar(Integer Index) const;

  TNotifyEvent OnChange;

  void Dispatch(TMessage& Message) override;
  void DefaultHandler(TMessage& Message) override;

protected:
  virtual void Change();
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  // Keeps a bordered single line at the height its font needs; editors with their own rule override it.
  virtual void AdjustHeight();
  String GetTextValue() const override;
  void SetTextValue(const String& Value) override;
  bool IsMultiLine() const { return FMultiLine; }
  // Typing and editing keys, as the system edit handles them. Descendants (the
  // mask edit) replace parts.
  virtual void EditKeyDown(TMessage& Message);
  virtual void EditChar(TMessage& Message);
  virtual void EditPaste();
  virtual void EditCut();
  virtual void EditClear();
  // Replaces the selection as typing does, with the char-case rule and limit; tells
  // the parent when the text changed.
  bool InsertText(const String& S, bool Merge);
  // After every change of the text (typed or set).
  virtual void TextChanged();
  void UpdateCaret();
  void ScrollCaretIntoView();
  // Scrolls the caret into view and places it, now when the edit is on screen;
  // a hidden edit puts this off until it is shown, painted or asked.
  void UpdateView();
  // Does what UpdateView put off, before anything reads the view.
  void SettleView() const;
  bool OnScreen() const;
  virtual void Paint(HDC DC);
  // Draws the characters [Start, Start + Length) of one line at (X, Y); a rich
  // edit draws its runs here. A long line comes in pieces, each drawn at its x.
  virtual void PaintLine(HDC DC, Integer Start, Integer Length, Integer X, Integer Y);
  // Draws Text (its first character at index Base) with the selection shown; gives its width.
  Integer DrawSegment(HDC DC, const String& Text, Integer Base, Integer X, Integer Y, COLORREF Color);
  // The width of [Start, Start + Count) of one line as painted.
  virtual Integer LineTextWidth(Integer Start, Integer Count) const;
  // [Start, Start + Count) of the text as shown: a single line shows control
  // characters as blanks and a password character for each character.
  String ShownText(Integer Start, Integer Count) const;

  // The lines as shown: the text's lines, cut at blanks when WordWrap is on (a
  // single-line edit has one). They are laid out as far as a question needs,
  // and a change of the text lays out again only the lines it touched.
  struct TVisualLine {
    Integer Start = 0, Length = 0;
    Integer Reach = 0;                  // laying the line out read the text before this index
    Integer Width = -1;                 // once measured
    Integer Widest = 0;                 // the widest of the lines up to this one, once measured
    std::unique_ptr<TLineRuler> Ruler;  // the pieces of a long line, once asked
  };
  // Every line, laid out to the end of the text.
  const std::vector<TVisualLine>& VisualLines() const;
  // The line holding character Index, laid out as far as it.
  Integer VisualLineOf(Integer Index) const;
  // Lays out lines until Line exists (or the text ends); gives the line, clamped.
  Integer LayOutLine(Integer Line) const;
  // The number of lines: exact once all are laid out, else an estimate from
  // those that are.
  Integer VisualLineCount() const;
  // The x of the boundary before column Col of a laid-out line; a long line is
  // measured only until it passes Limit.
  Integer LineX(Integer Line, Integer Col, Integer Limit = TLineRuler::kNoLimit) const;
  Integer LineWidth(Integer Line, Integer Limit = TLineRuler::kNoLimit) const {
    return LineX(Line, FLines[size_t(Line)].Length, Limit);
  }
  // How far right of the format rectangle's left edge (before scrolling) the
  // alignment puts a laid-out line: 0 when left-aligned or as wide as the rectangle.
  Integer AlignedLineOffset(Integer Line, Integer Width) const;
  // The column of a laid-out line nearest to x.
  Integer LineColumnAt(Integer Line, Integer X) const;
  // Paints the part of a laid-out line that meets [ClipLeft, ClipRight), the line starting at X.
  void PaintVisualLine(HDC DC, Integer Line, Integer X, Integer Y, Integer ClipLeft, Integer ClipRight);
  // The width of the widest laid-out line (unwrapped text), measuring only lines not measured before.
  Integer WidestLine() const;
  Integer LineHeight() const;
  HDC MeasureDC() const;

private:
  bool WrapsLines() const;
  // Brings the laid-out lines up to the text and the width.
  void SyncLines() const;
  void Relayout(const TEditBuffer::TChange& Change) const;
  // Lays out the line that begins at At and moves At to where the next begins.
  void LayOutNext(Integer& At, std::vector<TVisualLine>& Out) const;
  // How many characters from At fit Width, at least one; Reach is where the
  // measuring read up to.
  Integer FitFrom(Integer At, Integer End, Integer Width, Integer& Reach) const;
  // Lays out until the line holding character Index and line number Line exist.
  void LayOutUntil(Integer Index, Integer Line) const;
  // The ruler of a long laid-out line; nullptr for a short one.
  TLineRuler* RulerOf(Integer Line) const;
  TLineRuler::TMeasure MeasureFrom(Integer Start) const;

protected:
  TEditBuffer FBuffer;
  bool FMultiLine = false;
  bool FWantReturns = true;
  bool FWantTabs = false;
  bool FWordWrap = false;
  TScrollStyle FScrollBars = ssNone;
  bool FReadOnly = false;
  Char FPasswordChar = 0;
  TEditCharCase FCharCase = ecNormal;
  bool FAutoSelect = true;
  bool FHideSelection = true;
  TBorderStyle FBorderStyle = bsSingle;
  TAlignment FAlignment = taLeftJustify;
  bool FAutoSize = true;
  bool FHasFormatRect = false;
  TRect FFormatRect;
  Integer FLeftMargin = 1, FRightMargin = 1;
  Integer FScrollX = 0;  // single line: pixels scrolled left
  Integer FTopLine = 0;  // multi-line: first line shown
  bool FSelecting = false;
  std::unique_ptr<TControlCanvas> FCanvas;
  mutable HDC FMeasureDC = nullptr;
  mutable std::vector<TVisualLine> FLines;
  mutable bool FLinesValid = false;
  mutable Integer FLaidTo = 0;        // where the next line to lay out begins; past the text when all are
  mutable Integer FLongestReach = 0;  // the largest Reach - Start of the laid-out lines
  mutable size_t FMeasuredLines = 0;  // FLines whose Widest is known
  Integer FTextVersion = 0;           // counts the changes of the text
  Integer FWidest = 0;                // the widest line, for the horizontal scroll bar
  mutable Integer FLinesWidth = -1;
  mutable bool FViewDeferred = false;  // UpdateView waits for the edit to be shown
  bool FSettling = false;
  bool FShowSel = false;
  Integer FSel0 = 0, FSel1 = 0;
};

class TEdit : public TCustomEdit {
public:
  BORROW_COMPONENT(TEdit, TCustomEdit)
  explicit TEdit(TComponent* AOwner) : TCustomEdit(AOwner) {}
};

// ---- Memo --------------------------------------------------------------------------------
class TCustomMemo : public TCustomEdit {
public:
  BORROW_COMPONENT(TCustomMemo, TCustomEdit)
  explicit TCustomMemo(TComponent* AOwner);
  ~TCustomMemo() override;
  // The lines of the text (CR LF between them).
  TStrings* GetLines() const { return FLines.get(); }
  // The text as GetText gives it, without a copy: for a long text read again
  // and again, as a log saved after every line is.
  const String& GetTextRef() const { return FBuffer.GetText(); }
  void SetLines(const TStrings* Value);
  bool GetWantReturns() const { return FWantReturns; }
  void SetWantReturns(bool Value) { FWantReturns = Value; }
  bool GetWantTabs() const { return FWantTabs; }
  void SetWantTabs(bool Value) { FWantTabs = Value; }
  bool GetWordWrap() const { return FWordWrap; }
  void SetWordWrap(bool Value);
  TScrollStyle GetScrollBars() const { return FScrollBars; }
  void SetScrollBars(TScrollStyle Value);
  Integer GetTopLine() const {
    SettleView();
    return FTopLine;
  }
  // The caret as (column, line).
  TPoint GetCaretPos() const;

protected:
  friend class TMemoStrings;
  std::unique_ptr<TStrings> FLines;
};

class TMemo : public TCustomMemo {
public:
  BORROW_COMPONENT(TMemo, TCustomMemo)
  explicit TMemo(TComponent* AOwner) : TCustomMemo(AOwner) {}
};

// ---- Label -------------------------------------------------------------------------------
class TCustomLabel : public TGraphicControl {
public:
  BORROW_COMPONENT(TCustomLabel, TGraphicControl)
  explicit TCustomLabel(TComponent* AOwner);
  TAlignment GetAlignment() const { return FAlignment; }
  void SetAlignment(TAlignment Value);
  bool GetAutoSize() const { return FAutoSize; }
  void SetAutoSize(bool Value) override;
  TTextLayout GetLayout() const { return FLayout; }
  void SetLayout(TTextLayout Value);
  bool GetWordWrap() const { return FWordWrap; }
  void SetWordWrap(bool Value);
  bool GetTransparent() const { return FTransparent; }
  void SetTransparent(bool Value);
  bool GetShowAccelChar() const { return FShowAccelChar; }
  void SetShowAccelChar(bool Value);
  TWinControl* GetFocusControl() const { return FFocusControl; }
  void SetFocusControl(TWinControl* Value);

  TNotifyEvent OnMouseEnter;
  TNotifyEvent OnMouseLeave;

  void Dispatch(TMessage& Message) override;

protected:
  void Paint() override;
  void AdjustBounds();
  void Notification(TComponent* AComponent, TOperation Operation) override;
  UINT TextFormat() const;

  TAlignment FAlignment = taLeftJustify;
  bool FAutoSize = true;
  TTextLayout FLayout = tlTop;
  bool FWordWrap = false;
  bool FTransparent = false;
  bool FShowAccelChar = true;
  TWinControl* FFocusControl = nullptr;
};

class TLabel : public TCustomLabel {
public:
  BORROW_COMPONENT(TLabel, TCustomLabel)
  explicit TLabel(TComponent* AOwner) : TCustomLabel(AOwner) {}
};

// ---- Buttons -----------------------------------------------------------------------------
// What push buttons, check boxes and radio buttons share: a caption with an
// accelerator, a click that programmatic changes must not repeat.
class TButtonControl : public TWinControl {
public:
  BORROW_COMPONENT(TButtonControl, TWinControl)
  explicit TButtonControl(TComponent* AOwner);
  bool GetClicksDisabled() const { return FClicksDisabled; }
  void SetClicksDisabled(bool Value) { FClicksDisabled = Value; }
  bool GetWordWrap() const { return FWordWrap; }
  void SetWordWrap(bool Value);
  void Dispatch(TMessage& Message) override;
  void DefaultHandler(TMessage& Message) override;

protected:
  virtual bool GetChecked() const { return false; }
  virtual void SetChecked(bool) {}
  // The button was pressed by mouse or key.
  virtual void Pressed() { Click(); }
  virtual void PaintButton(TCanvas* Canvas) = 0;
  // A mnemonic in the caption (Alt+letter, or the letter alone outside edits).
  bool IsAccel(Char C) const;

  bool FClicksDisabled = false;
  bool FWordWrap = false;
  bool FPressedDown = false;  // the mouse or space is holding it down
  bool FMouseInside = false;
  std::unique_ptr<TControlCanvas> FCanvas;
};

class TButton : public TButtonControl {
public:
  BORROW_COMPONENT(TButton, TButtonControl)
  explicit TButton(TComponent* AOwner);
  bool GetDefault() const { return FDefault; }
  void SetDefault(bool Value);
  bool GetCancel() const { return FCancel; }
  void SetCancel(bool Value) { FCancel = Value; }
  TModalResult GetModalResult() const { return FModalResult; }
  void SetModalResult(TModalResult Value) { FModalResult = Value; }
  void Click() override;
  void Dispatch(TMessage& Message) override;

protected:
  void PaintButton(TCanvas* Canvas) override;
  bool FDefault = false;
  bool FCancel = false;
  bool FActive = false;  // the default button while no other button has the focus
  TModalResult FModalResult = 0;
};

enum TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };

class TCustomCheckBox : public TButtonControl {
public:
  BORROW_COMPONENT(TCustomCheckBox, TButtonControl)
  explicit TCustomCheckBox(TComponent* AOwner);
  TCheckBoxState GetState() const { return FState; }
  // A change made here runs OnClick, as the platform does (handlers that react
  // only to the user test for the focus).
  void SetState(TCheckBoxState Value);
  bool GetChecked() const override { return FState == cbChecked; }
  void SetChecked(bool Value) override { SetState(Value ? cbChecked : cbUnchecked); }
  bool GetAllowGrayed() const { return FAllowGrayed; }
  void SetAllowGrayed(bool Value) { FAllowGrayed = Value; }
  TAlignment GetAlignment() const { return FAlignment; }
  void SetAlignment(TAlignment Value);
  void DefaultHandler(TMessage& Message) override;

protected:
  virtual void Toggle();
  void Pressed() override;
  void PaintButton(TCanvas* Canvas) override;
  TCheckBoxState FState = cbUnchecked;
  bool FAllowGrayed = false;
  TAlignment FAlignment = taRightJustify;
};

class TCheckBox : public TCustomCheckBox {
public:
  BORROW_COMPONENT(TCheckBox, TCustomCheckBox)
  explicit TCheckBox(TComponent* AOwner) : TCustomCheckBox(AOwner) {}
};

class TRadioButton : public TButtonControl {
public:
  BORROW_COMPONENT(TRadioButton, TButtonControl)
  explicit TRadioButton(TComponent* AOwner);
  bool GetChecked() const override { return FChecked; }
  // Checking one unchecks the other radio buttons of the same parent.
  void SetChecked(bool Value) override;
  TAlignment GetAlignment() const { return FAlignment; }
  void SetAlignment(TAlignment Value);
  void DefaultHandler(TMessage& Message) override;

protected:
  void Pressed() override;
  void PaintButton(TCanvas* Canvas) override;
  bool FChecked = false;
  TAlignment FAlignment = taRightJustify;
};

// ---- Group box ---------------------------------------------------------------------------
class TCustomGroupBox : public TCustomControl {
public:
  BORROW_COMPONENT(TCustomGroupBox, TCustomControl)
  explicit TCustomGroupBox(TComponent* AOwner);
  void Dispatch(TMessage& Message) override;

protected:
  void AdjustClientRect(TRect& Rect) override;
  void Paint() override;
};

class TGroupBox : public TCustomGroupBox {
public:
  BORROW_COMPONENT(TGroupBox, TCustomGroupBox)
  explicit TGroupBox(TComponent* AOwner) : TCustomGroupBox(AOwner) {}
};

// ---- List box ----------------------------------------------------------------------------
enum TListBoxStyle { lbStandard, lbOwnerDrawFixed, lbOwnerDrawVariable, lbVirtual, lbVirtualOwnerDraw };
enum TOwnerDrawStateItem { odSelected, odGrayed, odDisabled, odChecked, odFocused, odDefault, odComboBoxEdit };
using TOwnerDrawState = TEnumSet<TOwnerDrawStateItem>;
using TDrawItemEvent = std::function<void(TWinControl* Control, Integer Index, TRect Rect, TOwnerDrawState State)>;
// Virtual list boxes ask for each item's text and object.
using TLBGetDataEvent = std::function<void(TWinControl* Control, Integer Index, String& Data)>;
using TLBGetDataObjectEvent = std::function<void(TWinControl* Control, Integer Index, TObject*& DataObject)>;

// Items and their objects, shared by list and combo boxes.
class TListItems;

class TCustomListBox : public TWinControl {
public:
  BORROW_COMPONENT(TCustomListBox, TWinControl)
  explicit TCustomListBox(TComponent* AOwner);
  ~TCustomListBox() override;

  TStrings* GetItems() const;
  void SetItems(const TStrings* Value);
  // The items' count; a virtual list box (lbVirtual, lbVirtualOwnerDraw) keeps no
  // items and is told its count.
  Integer GetCount() const;
  void SetCount(Integer Value);
  bool IsVirtual() const;
  // An item's text and object, from Items or, when virtual, from DoGetData.
  String GetItemText(Integer Index) const;
  TObject* GetItemObject(Integer Index) const;
  // -1: none. Setting it scrolls the item into view; it does not run OnClick.
  Integer GetItemIndex() const { return FItemIndex; }
  virtual void SetItemIndex(Integer Value);
  Integer GetTopIndex() const { return FTopIndex; }
  void SetTopIndex(Integer Value);
  Integer GetItemHeight() const;
  void SetItemHeight(Integer Value);
  TListBoxStyle GetStyle() const { return FStyle; }
  void SetStyle(TListBoxStyle Value);
  bool GetSorted() const { return FSorted; }
  void SetSorted(bool Value);
  TBorderStyle GetBorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TBorderStyle Value);
  TCanvas* GetCanvas() const { return FCanvas.get(); }
  void Clear();
  Integer ItemAtPos(TPoint Pos, bool Existing) const;
  TRect ItemRect(Integer Index) const;
  // Rows that fit the client area.
  Integer VisibleRows() const;

  TDrawItemEvent OnDrawItem;
  TLBGetDataEvent OnData;
  TLBGetDataObjectEvent OnDataObject;

  void Dispatch(TMessage& Message) override;
  void DefaultHandler(TMessage& Message) override;

protected:
  friend class TListItems;
  virtual String DoGetData(Integer Index) const;
  virtual TObject* DoGetDataObject(Integer Index) const;
  void CreateParams(TCreateParams& Params) override;
  // The items changed (added, removed, renamed).
  virtual void ItemsChanged();
  virtual void DrawItem(Integer Index, TRect Rect, TOwnerDrawState State);
  virtual void PaintItems(HDC DC);
  // The user moved the selection (click or key): OnClick.
  virtual void SelectionChangedByUser();
  virtual void ListKeyDown(Word Key);
  virtual void ListMouseDown(TPoint P, bool Double);
  void IncrementalSearch(Char C);
  virtual void UpdateScrollBar();
  void MakeVisible(Integer Index);
  // Left part of each row that owner drawing and check boxes may take.
  virtual Integer ItemTextIndent() const { return 2; }

  std::unique_ptr<TListItems> FItems;
  Integer FItemIndex = -1;
  Integer FTopIndex = 0;
  Integer FVirtualCount = 0;
  Integer FItemHeight = 0;  // 0: from the font
  // The font's line height, measured once for the font it was measured in.
  mutable TFontData FMeasuredFont;
  mutable Integer FFontHeight = 0;
  TListBoxStyle FStyle = lbStandard;
  bool FSorted = false;
  TBorderStyle FBorderStyle = bsSingle;
  String FSearchText;
  UInt64 FSearchTime = 0;
  bool FTracking = false;
  std::unique_ptr<TControlCanvas> FCanvas;
};

class TListBox : public TCustomListBox {
public:
  BORROW_COMPONENT(TListBox, TCustomListBox)
  explicit TListBox(TComponent* AOwner) : TCustomListBox(AOwner) {}
};

// ---- Combo box ---------------------------------------------------------------------------
enum TComboBoxStyle { csDropDown, csSimple, csDropDownList, csOwnerDrawFixed, csOwnerDrawVariable };

class TComboDropList;

class TCustomComboBox : public TWinControl {
public:
  BORROW_COMPONENT(TCustomComboBox, TWinControl)
  explicit TCustomComboBox(TComponent* AOwner);
  ~TCustomComboBox() override;

  TStrings* GetItems() const;
  void SetItems(const TStrings* Value);
  Integer GetItemIndex() const { return FItemIndex; }
  // Selects an item and shows its text; -1 clears the selection (and the text of a
  // drop-down list). Does not run OnChange.
  void SetItemIndex(Integer Value);
  TComboBoxStyle GetStyle() const { return FStyle; }
  void SetStyle(TComboBoxStyle Value);
  Integer GetDropDownCount() const { return FDropDownCount; }
  void SetDropDownCount(Integer Value) { FDropDownCount = Value < 1 ? 1 : Value; }
  bool GetDroppedDown() const;
  void SetDroppedDown(bool Value);
  bool GetSorted() const { return FSorted; }
  void SetSorted(bool Value);
  Integer GetMaxLength() const { return FMaxLength; }
  void SetMaxLength(Integer Value);
  Integer GetItemHeight() const;
  TCanvas* GetCanvas() const { return FCanvas.get(); }
  // The edit part (csDropDown, csSimple) or null.
  TCustomEdit* GetEditControl() const { return FEdit.get(); }
  // The list part (shown below a csSimple box, else while dropped down).
  TCustomListBox* GetListControl() const;
  void Clear();
  void SelectAll();

  TNotifyEvent OnChange;
  TNotifyEvent OnSelect;
  TNotifyEvent OnDropDown;
  TNotifyEvent OnCloseUp;
  TDrawItemEvent OnDrawItem;

  void Dispatch(TMessage& Message) override;
  void DefaultHandler(TMessage& Message) override;
  void SetBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight) override;
  // The box has the focus when its edit has it.
  bool Focused() override;

protected:
  friend class TComboDropList;
  friend class TComboEdit;
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  String GetTextValue() const override;
  void SetTextValue(const String& Value) override;
  virtual void Change();
  virtual void Select();
  virtual void DropDown();
  virtual void CloseUp();
  // The user picked an item (keys, the list): select, then OnSelect, OnChange, OnClick.
  void UserSelect(Integer Index);
  void ComboKeyDown(Word Key, TShiftState Shift, bool& Handled);
  void LayoutParts();
  TRect ButtonRect() const;
  Integer EditHeight() const;
  void Paint(HDC DC);
  void ItemsChanged();

  TComboBoxStyle FStyle = csDropDown;
  Integer FItemIndex = -1;
  Integer FDropDownCount = 8;
  bool FSorted = false;
  Integer FMaxLength = 0;
  String FListText;  // the shown text of a drop-down list
  std::unique_ptr<TCustomEdit> FEdit;
  std::unique_ptr<TComboDropList> FList;
  std::unique_ptr<TControlCanvas> FCanvas;
  bool FButtonDown = false;
  bool FIgnoreNextClick = false;
};

class TComboBox : public TCustomComboBox {
public:
  BORROW_COMPONENT(TComboBox, TCustomComboBox)
  explicit TComboBox(TComponent* AOwner) : TCustomComboBox(AOwner) {}
};
