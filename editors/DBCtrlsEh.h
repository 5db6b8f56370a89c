#pragma once
// The data-aware editors: a text edit, a combo box, a date-time editor, a number
// editor and a check box that show and change one field of a dataset, or keep a
// value of their own when they are bound to nothing.
//
//   TFieldDataLinkEh      the link to one field (several with MultiFields, or none:
//                         then it holds the editor's value itself)
//   TEditImageEh          the small picture at the left of an edit's text
//   TCustomDBEditEh       the text editor on the mask edit: value and text, edit
//                         buttons, a most-recently-used drop-down, flat borders,
//                         tool tips and an in-place mode for a host such as a grid
//   TCustomDBComboBoxEh   adds a list of items (and of stored keys) dropped down in
//   TDBComboBoxEh         a popup list box
//   TCustomDBDateTimeEditEh  a date, a time or both typed into the mask of an edit
//   TDBDateTimeEditEh        format, stepped element by element, picked from a calendar
//   TCustomDBNumberEditEh    a number in the locale's notation, held to bounds and
//   TDBNumberEditEh          decimal places, stepped, worked out in a calculator
//   TCustomDBCheckBoxEh   a three-state check box mapped to a field by value lists
//   TDBCheckBoxEh
//
// Files, by concern:
//   DBCtrlsEh_DataLink.cpp   the field link and the edit image
//   DBCtrlsEh_Edit.cpp       the edit's value and text model, properties, in-place mode
//   DBCtrlsEh_EditInput.cpp  the edit's messages: keys, mouse, focus, the MRU drop-down
//   DBCtrlsEh_EditPaint.cpp  the edit's buttons, borders, painting and tool tips
//   DBCtrlsEh_Combo.cpp      the combo box
//   DBCtrlsEh_DateTimeFormat.cpp  the edit-format engine of the date-time editor
//   DBCtrlsEh_DateTime.cpp   the date-time editor and its calendar
//   DBCtrlsEh_Number.cpp     the number editor and its calculator
//   DBCtrlsEh_CheckBox.cpp   the check box
//   DBCtrlsEh_Streaming.cpp  the editors' published properties and the stored
//                            "EditMask" and "EditFormat"; their classes registered
//
// Value flow of a bound editor: the dataset's record changes reach DataChanged,
// which puts the field's text into the edit (its edit text while focused, its
// display text otherwise). Typing marks the link modified; when the dataset writes
// the record (leaving the editor, Post) the link's update-data notification calls
// CommitValue, which writes the text back into the field through UpdateData.
// Assigning Text or Value in code commits at once.
//
// An editor hosted in place (InplaceEditHolder set) hands every message to its
// holder's IInplaceEditHolderEh first, and its keys too; the host drives the editor
// through IInplaceEditEh and MoveToRect.

#include <array>
#include <functional>
#include <memory>
#include <vector>

#include "editors/CalculatorEh.h"
#include "editors/ToolCtrlsEh.h"
#include "platform/ui/HintWnd.h"
#include "platform/ui/ImgList.h"
#include "platform/ui/Mask.h"

class TCustomDBEditEh;

// A press the editor holds while a popup is down moves into the popup when
// ScreenPoint lies in it: whoever holds the mouse lets go, and the popup gets the
// press at that point (a drag from the drop-down button onto the list, say).
void HandOverPressToPopupEh(TWinControl* Popup, TPoint ScreenPoint);
// What an editor with its popup down passes on: Enter and Esc are wanted (they
// close the popup), the wheel goes to the popup. True when the message was
// answered here.
bool ForwardToDroppedPopupEh(TControl* Popup, TMessage& Message);

// ---- The field link ---------------------------------------------------------------------------

// The link of an editor to one field of a dataset (or several, ';'-separated, with
// MultiFields). With neither a data source nor a field name it is data-independent:
// it keeps the editor's value in DataValue and never refuses to edit for lack of a
// field.
class TFieldDataLinkEh : public TDataLink {
public:
  BORROW_CLASS(TFieldDataLinkEh, TDataLink)
  TFieldDataLinkEh();

  // Bound: puts the dataset into edit state when the field can be modified.
  // Data-independent: starts editing unless the link is read-only. Answers Editing.
  bool Edit();
  // Data-independent, or active with its field resolved.
  bool LinkActive() const;
  // The field can be modified, or the link is data-independent.
  bool CanModify() const;
  // Marks the editor's value as changed and not yet written.
  void Modified() { FModified = true; }
  bool GetModified() const { return FModified; }
  // The editor reads its value again.
  void Reset();
  // Writes a text: into DataValue, or into the field (its text conversion applies;
  // a memo takes the text as it is).
  void SetText(const String& Text);
  // Writes a value: into DataValue, or into the field; with several fields Null
  // clears each and an array gives field i element i.
  void SetValue(const Variant& Value);

  const String& GetFieldName() const { return FFieldName; }
  void SetFieldName(const String& Value);
  void SetDataSource(TDataSource* Value);
  TField* GetField() const { return FFields.empty() ? nullptr : FFields.front(); }
  const TFieldsArrEh& GetFields() const { return FFields; }
  Integer GetFieldsCount() const { return Integer(FFields.size()); }
  TComponent* GetControl() const { return FControl; }
  void SetControl(TComponent* Value) { FControl = Value; }
  bool GetMultiFields() const { return FMultiFields; }
  void SetMultiFields(bool Value);
  bool GetDataIndependent() const { return FDataIndependent; }
  bool GetEditing() const { return FEditing; }
  const Variant& GetDataValue() const { return FDataValue; }

  TNotifyEvent OnDataChange;
  TNotifyEvent OnEditingChange;
  TNotifyEvent OnUpdateData;
  TNotifyEvent OnActiveChange;

  void DataEvent(TDataEvent Event, TDataEventInfo Info) override;

protected:
  void ActiveChanged() override;
  void EditingChanged() override;
  void FocusControl(TField** Field) override;
  void LayoutChanged() override;
  void RecordChanged(TField* Field) override;
  void UpdateData() override;

private:
  // Resolves FieldName against the dataset, then re-reads the editing state and the value.
  void UpdateField();
  void UpdateDataIndependent();
  bool HasField(TField* Field) const;

  TFieldsArrEh FFields;
  String FFieldName;
  TComponent* FControl = nullptr;
  bool FMultiFields = false;
  bool FDataIndependent = true;
  bool FEditing = false;
  bool FModified = false;
  Variant FDataValue = Null();
};

// ---- The edit image ----------------------------------------------------------------------------

class TEditImageEh : public TPersistent {
public:
  BORROW_CLASS(TEditImageEh, TPersistent)
  explicit TEditImageEh(TWinControl* EditControl);

  // Copies Images, ImageIndex, Visible and Width.
  void Assign(TPersistent* Source) override;

  Integer GetImageIndex() const { return FImageIndex; }
  void SetImageIndex(Integer Value);
  TCustomImageList* GetImages() const { return FImages; }
  void SetImages(TCustomImageList* Value);
  // The edit grows to the image height when that exceeds the font's.
  bool GetUseImageHeight() const { return FUseImageHeight; }
  void SetUseImageHeight(bool Value);
  bool GetVisible() const { return FVisible; }
  void SetVisible(bool Value);
  // 0: the image list's width.
  Integer GetWidth() const { return FWidth; }
  void SetWidth(Integer Value);

protected:
  TPersistent* GetOwner() const override { return FEditControl; }

private:
  // The owner re-creates its window for the new layout.
  void LayoutChanged();

  TWinControl* FEditControl;
  Integer FImageIndex = -1;
  TCustomImageList* FImages = nullptr;
  bool FUseImageHeight = true;
  bool FVisible = false;
  Integer FWidth = 0;
};

// ---- In-place hosting ------------------------------------------------------------------------------

// What a control that hosts an editor in place (a grid) offers the editor. The
// editor hands every message and key to it first.
class IInplaceEditHolderEh {
public:
  virtual ~IInplaceEditHolderEh() = default;
  virtual bool InplaceEditCanModify(TControl* Control) = 0;
  // The screen position and message time of the holder's last mouse press.
  virtual void GetMouseDownInfo(TPoint& Pos, Integer& Time) = 0;
  // Sees every message of the editor first; a non-zero Result ends its processing.
  virtual void InplaceEditWndProc(TControl* Control, TMessage& Message) = 0;
  virtual void InplaceEditKeyDown(TControl* Control, Word& Key, TShiftState Shift) = 0;
  virtual void InplaceEditKeyPress(TControl* Control, Char& Key) = 0;
  virtual void InplaceEditKeyUp(TControl* Control, Word& Key, TShiftState Shift) = 0;
};

// What a host uses of an editor it holds in place.
class IInplaceEditEh {
public:
  virtual ~IInplaceEditEh() = default;
  virtual TFont* GetFont() const = 0;
  virtual void SetInplaceEditHolder(TWinControl* Value) = 0;
  virtual void SetBorderStyle(TBorderStyle Value) = 0;
  virtual void SetFont(const TFont* Value) = 0;
  virtual void SetColor(TColor Value) = 0;
  virtual void SetOnKeyPress(const TKeyPressEvent& Value) = 0;
  virtual void SetOnExit(const TNotifyEvent& Value) = 0;
};

// The data grid sets its editors' key-up handler; the editor's own interface has
// the exit handler in that place, so the grid reaches the key-up handler here.
void SetInplaceEditOnKeyUpEh(IInplaceEditEh* Edit, const TKeyEvent& Value);

// ---- Tool tips -------------------------------------------------------------------------------------

// The hint window of the editors' and the data grid's tool tips: it shows the text
// in the font passed with the hint.
class TToolTipsWindow : public THintWindow {
public:
  BORROW_COMPONENT(TToolTipsWindow, THintWindow)
  explicit TToolTipsWindow(TComponent* AOwner) : THintWindow(AOwner) {}
  // AData, when given, is the TFont to show the hint in.
  TRect CalcHintRect(Integer MaxWidth, const String& AHint, void* AData) override;
};

// ---- The text editor ---------------------------------------------------------------------------------

using TOnCheckDrawRequiredStateEventEh = std::function<void(TObject* Sender, bool& DrawState)>;
using TGetImageIndexEventEh = std::function<void(TObject* Sender, Integer& ImageIndex)>;
using TUpdateDataEventEh = std::function<void(TObject* Sender, bool& Handled)>;

class TCustomDBEditEh : public TCustomMaskEdit, public IPopupOwnerEh, public IInplaceEditEh {
public:
  BORROW_COMPONENT(TCustomDBEditEh, TCustomMaskEdit)
  explicit TCustomDBEditEh(TComponent* AOwner);
  ~TCustomDBEditEh() override;

  // ---- value and text
  // Design time aside: a bound editor first puts its dataset into edit state; the
  // text is set and, unless OnUpdateData is running, written at once.
  void SetText(const String& Value);
  String GetText() const { return TCustomMaskEdit::GetText(); }
  Variant GetValue() { return GetVariantValue(); }
  void SetValue(const Variant& Value) { SetVarValue(Value); }
  // The text set to empty through the Text setter.
  void Clear() override;

  // ---- binding
  virtual String GetDataField();
  virtual TDataSource* GetDataSource();
  virtual void SetDataField(const String& Value);
  virtual void SetDataSource(TDataSource* Value);
  TField* GetField() const { return FDataLink->GetField(); }
  TFieldDataLinkEh* GetDataLink() const { return FDataLink.get(); }
  // Mask assigned in code; without one the field's mask applies.
  void SetEditMask(const String& Value);

  // ---- properties
  TAlignment GetAlignment();
  void SetAlignment(TAlignment Value);
  // The alignment the text shows with: right-to-left mirrors left and right.
  TAlignment GetEffectiveAlignment();
  bool GetAlignmentAssigned() const { return FAlignmentAssigned; }
  bool GetAlwaysShowBorder() const { return FAlwaysShowBorder; }
  void SetAlwaysShowBorder(bool Value);
  void SetAutoSize(bool Value) override;
  TEditButtonEh* GetEditButton() const { return FEditButton.get(); }
  void SetEditButton(TEditButtonEh* Value) { FEditButton->Assign(Value); }
  TEditButtonsEh* GetEditButtons() const { return FEditButtons.get(); }
  void SetEditButtons(TEditButtonsEh* Value) { FEditButtons->Assign(Value); }
  TEditImageEh* GetEditImage() const { return FEditImage.get(); }
  bool GetFlat() const { return FFlat; }
  void SetFlat(bool Value);
  bool GetHighlightRequired() const { return FHighlightRequired; }
  void SetHighlightRequired(bool Value);
  // Sets the edit image's list and makes the image visible.
  TCustomImageList* GetImages() const { return FEditImage->GetImages(); }
  void SetImages(TCustomImageList* Value);
  TMRUListEh* GetMRUList() const { return FMRUList.get(); }
  void SetMRUList(TMRUListEh* Value) { FMRUList->Assign(Value); }
  // The editor's own flag; the edit window is read-only also while the link is not editing.
  bool GetReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool Value);
  bool GetShowHint() const { return FShowHint; }
  void SetShowHint(bool Value);
  bool GetTooltips() const { return FTooltips; }
  void SetTooltips(bool Value);
  bool GetWantReturns() const { return FWantReturnsEh; }
  void SetWantReturns(bool Value) { FWantReturnsEh = Value; }
  bool GetWantTabs() const { return FWantTabsEh; }
  void SetWantTabs(bool Value) { FWantTabsEh = Value; }
  bool GetWordWrap() const { return FWordWrapEh; }
  void SetWordWrap(bool Value);
  void SetPasswordChar(Char Value);
  bool GetDroppedDown() const { return FDroppedDown; }
  // The editor's own notion of having the focus (from entering to leaving it).
  bool GetFocused() const { return FFocused; }
  const TGetImageIndexEventEh& GetOnGetImageIndex() const { return FOnGetImageIndex; }
  void SetOnGetImageIndex(const TGetImageIndexEventEh& Value);
  // The drop-down of the MRU list, once it was first shown.
  TMRUListboxEh* GetMRUListbox() const { return FMRUListbox; }
  // The button controls, the main button's first.
  Integer GetEditButtonControlCount() const { return Integer(FButtonControls.size()); }
  TEditButtonControlEh* GetEditButtonControl(Integer Index) const;
  // The width of the buttons area, and of the image area.
  Integer GetButtonsWidth() const { return FButtonWidth; }
  Integer GetImageWidth() const { return FImageWidth; }
  // Whether the flat border is drawn active.
  bool GetBorderActive() const { return FBorderActive; }

  // ---- in-place mode
  TWinControl* GetInplaceEditHolder() const { return FInplaceEditHolder; }
  bool GetInplaceMode() const { return FInplaceMode; }
  // In place, whether the window is shown; hiding in place hides the window only.
  bool GetVisible() const;
  void SetVisible(bool Value);
  // Outside in-place mode the bounds; in place shows the editor there (an empty
  // rectangle hides it).
  void MoveToRect(const TRect& Rect);

  // ---- IInplaceEditEh
  TFont* GetFont() const override { return TCustomMaskEdit::GetFont(); }
  // A holder must offer IInplaceEditHolderEh.
  void SetInplaceEditHolder(TWinControl* Value) override;
  void SetBorderStyle(TBorderStyle Value) override { TCustomMaskEdit::SetBorderStyle(Value); }
  void SetFont(const TFont* Value) override { TCustomMaskEdit::SetFont(Value); }
  void SetColor(TColor Value) override { TCustomMaskEdit::SetColor(Value); }
  void SetOnKeyPress(const TKeyPressEvent& Value) override { OnKeyPress = Value; }
  void SetOnExit(const TNotifyEvent& Value) override { OnExit = Value; }

  // ---- IPopupOwnerEh, and the drop-down
  // Releases the main button (no longer shown pressed).
  void CloseUp(bool Accept) override;
  // Shows the main button pressed and closes an open MRU drop-down.
  virtual void DropDown();

  void SetFocus() override;
  void WndProc(TMessage& Message) override;
  void Dispatch(TMessage& Message) override;
  void DefaultHandler(TMessage& Message) override;

  // The editor's own action, then those of its edit buttons.
  void InitiateAction() override;
  // An action the editor itself does not take goes on to its data link.
  bool ExecuteAction(TBasicAction* Action) override;
  bool UpdateAction(TBasicAction* Action) override;

  TButtonClickEventEh OnButtonClick;
  TButtonDownEventEh OnButtonDown;
  TOnCheckDrawRequiredStateEventEh OnCheckDrawRequiredState;
  TUpdateDataEventEh OnUpdateData;

protected:
  // ---- virtual operations, in the order the derived editors know them
  virtual bool IsDataActive();
  virtual std::unique_ptr<TFieldDataLinkEh> CreateDataLink();
  virtual std::unique_ptr<TEditButtonEh> CreateEditButton();
  virtual TEditButtonControlEh* CreateEditButtonControl();
  virtual std::unique_ptr<TEditButtonsEh> CreateEditButtons();
  virtual std::unique_ptr<TEditImageEh> CreateEditImage();
  virtual TMRUListboxEh* CreateMRUListbox();
  virtual bool DataIndependent() { return FDataLink->GetDataIndependent(); }
  virtual TAlignment DefaultAlignment();
  virtual String DefaultEditMask();
  virtual Integer DefaultImageIndex() { return -1; }
  virtual String GetDisplayText();
  virtual Variant GetVariantValue();
  virtual bool IsValidChar(Char InputChar);
  virtual void ActiveChange(TObject* Sender);
  void AdjustHeight() override;
  // The main button pressed (TopButton: the upper half of a spin button).
  virtual void ButtonDown(bool TopButton);

public:
  // The text area: the client area less the buttons and the image.
  virtual TRect GetEditRect();

protected:
  virtual void DataChanged();
  virtual void EditButtonClick(TObject* Sender);
  virtual void EditButtonMouseDown(TObject* Sender, bool TopButton, bool& AutoRepeat, bool& Handled);
  virtual void EditButtonMouseMove(TObject* Sender, TShiftState Shift, Integer X, Integer Y);
  virtual void EditButtonMouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, Integer X, Integer Y);
  virtual void EditingChange(TObject* Sender);
  virtual void FilterMRUItem(const String& AText, bool& Accept);
  virtual void InternalSetText(const String& AText);
  virtual void InternalSetValue(const Variant& AValue);
  virtual void UpdateData();
  virtual void UpdateMRUListSize();
  virtual void PaintRequiredState(TCanvas* ACanvas);
  virtual void ResetMaxLength();
  virtual void SetFocused(bool Value);
  virtual void SetVarValue(const Variant& Value);
  virtual void UpdateControlReadOnly();
  virtual void UpdateHeight();
  virtual void UpdateShowHint();
  virtual void UpdateImageIndex();
  virtual void MRUTextChanged();
  virtual void CommitValue();

  // ---- overrides of the mask edit
  void Loaded() override;
  // "EditMask", written when the mask was assigned (not the field's).
  void DefineProperties(TFiler* Filer) override;
  void GetPropInfos(std::vector<TPropInfo>& Props) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void PaintWindow(HDC DC) override;
  bool EditCanModify() override { return FDataLink->Edit(); }
  void Reset() override;
  void Change() override;
  void KeyDown(Word& Key, TShiftState Shift) override;
  void KeyPress(Char& Key) override;
  void KeyUp(Word& Key, TShiftState Shift) override;

  // ---- helpers shared with the derived editors
  // The holder's interface in in-place mode, else null.
  IInplaceEditHolderEh* GetInplaceEditHolderIntf() const { return HolderIntf(); }
  // Creates (again) the parts the factories make: the data link, the buttons and
  // the edit image. A constructor's virtual calls stay at the constructing class's
  // level, so an editor that overrides a factory calls this again in its constructor.
  void CreateParts();
  // Whether the editor takes a change from the user now: not read-only and the link
  // editing (which a bound link starts on the dataset).
  bool CanModifyText() { return !FReadOnly && FDataLink->Edit(); }
  // Sets the edit's text as it is, without edit-mode handling.
  void SetEditTextDirect(const String& AText);
  // The text of the mask with no input in it (empty without a mask).
  String EmptyMaskText() const;
  // The text that shows a data-independent value: a value as UpdateData writes
  // it (one character per input position) gets the saved literals back in place.
  String ValueText(const Variant& AValue) const;
  bool GetEditMaskAssigned() const { return FEditMaskAssigned; }
  // Sets the mask without marking it assigned (the field's mask, or none).
  void SetEditMaskQuiet(const String& Value) { TCustomMaskEdit::SetEditMask(Value); }
  // The button control of the main button, or null before the window's controls exist.
  TEditButtonControlEh* MainButtonControl() const;
  bool GetDroppedDownByPress() const { return FDroppedDownByPress; }
  void SetDroppedDownByPress(bool Value) { FDroppedDownByPress = Value; }
  // Removes a WM_CHAR of Key already queued for the editor (a key a drop-down took
  // at its key-down, whose character must not act on the edit as well).
  void RemovePendingChar(Char Key);
  // The client point of a mouse message lies in the buttons area or the image area.
  bool InButtonsOrImageArea(TPoint P);
  void UpdateBorderState();
  // Rebuilds the button controls to match the buttons and lays them out.
  void UpdateEditButtonControlList();
  void UpdateEditButtonControlsState();
  void LayoutEditButtonControls();
  // Sets the text rectangle to GetEditRect.
  void SetEditRect();
  void EditButtonChanged(TObject* Sender);

  bool FDroppedDown = false;
  bool FFocused = false;

private:
  struct TButtonControlEntry {
    Integer SeparatorWidth = 0;  // the line drawn before the button in flat mode
    TEditButtonControlEh* Control = nullptr;
    TEditButtonEh* Button = nullptr;
  };

  // ---- DBCtrlsEh_EditInput.cpp
  void WMChar(TMessage& Message);
  void WMGetDlgCode(TMessage& Message);
  void CMWantSpecialKey(TMessage& Message);
  void CMEnter(TMessage& Message);
  void CMExit(TMessage& Message);
  void WMKillFocus(TMessage& Message);
  void CMCancelMode(TMessage& Message);
  void CMMouseWheel(TMessage& Message);
  void WMSetCursor(TMessage& Message);
  void MouseButtonMessage(TMessage& Message);
  void CancelChildCapture();
  // Looks for the button whose ShortCut the key makes; presses and clicks it.
  bool PressButtonByShortCut(Word Key, TShiftState Shift);
  bool MRUDroppedDown() const;
  void MRUListDropDown(TObject* Sender);
  void MRUListCloseUp(TObject* Sender, bool Accept);
  void MRUListboxMouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, Integer X, Integer Y);
  void PlaceMRUListbox();
  // The holder's interface, asked afresh each time: a holder being destroyed no
  // longer offers it, so its editor's last messages do not reach a half-gone object.
  IInplaceEditHolderEh* HolderIntf() const;
  // In-place show and hide.
  void InplaceShow(const TRect& Rect, bool ForceInvalidate);
  void InplaceHide();

  // ---- DBCtrlsEh_EditPaint.cpp
  void PaintFlatBorder();
  void CMHintShow(TMessage& Message);
  Integer ButtonWidthOf(const TEditButtonEh* Button) const;
  void PaintSeparators(HDC DC);
  // One line of text is laid out by the edit window from the side it reads from;
  // unfocused, the editor paints a text aligned otherwise.
  TAlignment LineAlignment() const { return UseRightToLeftAlignment() ? taRightJustify : taLeftJustify; }
  bool WindowPaintsText();

  std::unique_ptr<TControlCanvas> FControlCanvas;
  String FKeyText;  // the text of the key being processed
  std::unique_ptr<TEditButtonEh> FEditButton;
  std::unique_ptr<TEditButtonsEh> FEditButtons;
  std::unique_ptr<TEditImageEh> FEditImage;
  bool FFlat = false;
  bool FHighlightRequired = false;
  std::unique_ptr<TMRUListEh> FMRUList;
  TMRUListboxEh* FMRUListbox = nullptr;  // owned as a component
  Integer FMRUListboxWidth = 0;          // the width the user gave the drop-down
  TGetImageIndexEventEh FOnGetImageIndex;
  bool FReadOnly = false;
  bool FShowHint = false;
  bool FTooltips = false;
  bool FWantReturnsEh = false;
  bool FWantTabsEh = false;
  bool FWordWrapEh = false;
  TAlignment FAlignmentEh = taLeftJustify;
  bool FAlignmentAssigned = false;
  bool FEditMaskAssigned = false;
  bool FAlwaysShowBorder = false;
  bool FBorderActive = false;
  Integer FButtonWidth = 0;
  std::unique_ptr<TFieldDataLinkEh> FDataLink;
  bool FInUpdateData = false;
  std::vector<TButtonControlEntry> FButtonControls;
  Integer FImageWidth = 0;
  TWinControl* FInplaceEditHolder = nullptr;
  bool FInplaceMode = false;
  bool FMouseInside = false;
  bool FDroppedDownByPress = false;
  bool FTextChanged = false;
  bool FSettingText = false;  // the program sets the text: the MRU drop-down stays as it is
  bool FUpdatingButtons = false;
  // A Value read from a stream waits for Loaded, when the mask, format, bounds and
  // lists it depends on are all in place.
  Variant FLoadedValue = Null();
  bool FValueLoaded = false;
};

// ---- The combo box ------------------------------------------------------------------------------------

// The settings of a combo box's drop-down list.
class TDropDownBoxEh : public TPersistent {
public:
  BORROW_CLASS(TDropDownBoxEh, TPersistent)
  explicit TDropDownBoxEh(TPersistent* Owner = nullptr) : FOwner(Owner) {}
  void Assign(TPersistent* Source) override;

  TDropDownAlign GetAlign() const { return FAlign; }
  void SetAlign(TDropDownAlign Value) { FAlign = Value; }
  // A typed character drops the list down.
  bool GetAutoDrop() const { return FAutoDrop; }
  void SetAutoDrop(bool Value) { FAutoDrop = Value; }
  Integer GetRows() const { return FRows; }
  void SetRows(Integer Value) { FRows = Value; }
  // The list shows a size grip.
  bool GetSizable() const { return FSizable; }
  void SetSizable(bool Value) { FSizable = Value; }
  // 0: the editor's width; -1: the widest item's; above 0: that width. Never
  // narrower than the editor.
  Integer GetWidth() const { return FWidth; }
  void SetWidth(Integer Value) { FWidth = Value; }

protected:
  TPersistent* GetOwner() const override { return FOwner; }
  void GetPropInfos(std::vector<TPropInfo>& Props) override;

private:
  TPersistent* FOwner;
  TDropDownAlign FAlign = daLeft;
  bool FAutoDrop = false;
  Integer FRows = 7;
  bool FSizable = false;
  Integer FWidth = 0;
};

using TNotInListEventEh = std::function<void(TObject* Sender, const String& NewText, bool& RecheckInList)>;
using TCloseUpEventEh = std::function<void(TObject* Sender, bool Accept)>;
using TAcceptEventEh = std::function<void(TObject* Sender, bool& Accept)>;

// A data-aware edit with a list of items. Without KeyItems (text mode) the text is
// free and Value is the text. With KeyItems (key mode) the text is always one of
// Items or empty, and Value is the KeyItems entry at the chosen index (or Null):
// the items show what the field stores as keys.
class TCustomDBComboBoxEh : public TCustomDBEditEh {
public:
  BORROW_COMPONENT(TCustomDBComboBoxEh, TCustomDBEditEh)
  explicit TCustomDBComboBoxEh(TComponent* AOwner);
  ~TCustomDBComboBoxEh() override;

  TStrings* GetItems() const { return FItems.get(); }
  void SetItems(const TStrings* Value);
  TStrings* GetKeyItems() const { return FKeyItems.get(); }
  void SetKeyItems(const TStrings* Value);
  TDropDownBoxEh* GetDropDownBox() const { return FDropDownBox.get(); }
  void SetDropDownBox(TDropDownBoxEh* Value) { FDropDownBox->Assign(Value); }
  Integer GetItemIndex() const { return FItemIndex; }
  // A bound editor first puts its dataset into edit state; the choice is written at once.
  void SetItemIndex(Integer Value);
  bool GetKeyMode() const { return FKeyBased; }
  // The items a choice can fall on: Items, or in key mode the shorter of the two lists.
  Integer GetUsableCount() const { return FVisibleItemsCount; }
  bool GetListVisible() const { return FListVisible; }
  // The drop-down list, created hidden on first use.
  TPopupListboxEh* GetPopupListbox();
  // The class of list GetPopupListbox creates (null: TPopupListboxEh).
  void SetPopupListboxClass(TComponentClass Value) { FPopupListboxClass = Value; }
  void Clear() override;

  void CloseUp(bool Accept) override;
  void DropDown() override;

  TCloseUpEventEh OnCloseUp;
  // Runs before the choice is applied and may refuse it.
  TAcceptEventEh OnBeforeCloseUp;
  TNotifyEvent OnDropDown;
  TListGetImageIndexEventEh OnGetItemImageIndex;
  TNotInListEventEh OnNotInList;
  // Fired when Items is empty and about to be used.
  TNotifyEvent OnRequestItems;

  void Dispatch(TMessage& Message) override;

protected:
  // ---- virtual operations added to the edit's
  virtual std::unique_ptr<TDropDownBoxEh> CreateDropDownBox();
  // Chooses the first item equal to AText (with Prefix: beginning with it), without
  // regard to case; answers whether ItemIndex changed.
  virtual bool LocateItemByText(const String& AText, bool Prefix);
  virtual void SearchTypedText(const String& AText);
  virtual void RequestItems();
  virtual void InternalSetItemIndex(Integer Value);

  // ---- overrides of the edit's
  std::unique_ptr<TEditButtonEh> CreateEditButton() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void GetPropInfos(std::vector<TPropInfo>& Props) override;
  TAlignment DefaultAlignment() override;
  Variant GetVariantValue() override;
  bool IsValidChar(Char InputChar) override;
  Integer DefaultImageIndex() override { return FItemImageIndex; }
  String GetDisplayText() override;
  void ButtonDown(bool TopButton) override;
  void DataChanged() override;
  void UpdateControlReadOnly() override;
  void InternalSetText(const String& AText) override;
  void InternalSetValue(const Variant& AValue) override;
  void ResetMaxLength() override;
  void UpdateData() override;
  void CommitValue() override;
  void UpdateImageIndex() override;
  void EditButtonMouseMove(TObject* Sender, TShiftState Shift, Integer X, Integer Y) override;
  void Change() override;
  void KeyDown(Word& Key, TShiftState Shift) override;
  void KeyPress(Char& Key) override;
  bool DoMouseWheelDown(TShiftState Shift, TPoint MousePos) override;
  bool DoMouseWheelUp(TShiftState Shift, TPoint MousePos) override;

private:
  void ItemsChanged(bool KeyItemsChanged);
  // ItemIndex := the index of the text in Items; the open list follows.
  void UpdateItemIndexByText();
  void SelectNextItem();
  void SelectPriorItem();
  // The text just typed in text mode is completed from the items.
  void CompleteTypedText(Char Key);
  void ListMouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, Integer X, Integer Y);
  // Mouse messages of key mode: none reach the edit window.
  bool KeyModeMouseMessage(TMessage& Message);
  // While the list is down, a press held by the editor moves into the list.
  void HandOverPressToList(TPoint ScreenPoint);
  void SetListSelection();

  std::unique_ptr<TDropDownBoxEh> FDropDownBox;
  Integer FItemIndex = -1;
  std::unique_ptr<TStringList> FItems;
  std::unique_ptr<TStringList> FKeyItems;
  bool FListVisible = false;
  TPopupListboxEh* FPopupListbox = nullptr;  // owned as a component
  TComponentClass FPopupListboxClass = nullptr;
  Integer FVisibleItemsCount = 0;
  bool FKeyBased = false;
  Variant FVarValue = Null();
  Integer FItemImageIndex = -1;
  bool FSettingItem = false;  // the text is being set from an item: ItemIndex stays
  Char FTypedKey = 0;         // the character WM_CHAR is inserting
};

class TDBComboBoxEh : public TCustomDBComboBoxEh {
public:
  BORROW_COMPONENT(TDBComboBoxEh, TCustomDBComboBoxEh)
  explicit TDBComboBoxEh(TComponent* AOwner) : TCustomDBComboBoxEh(AOwner) {}
};

// ---- The date-time edit format ----------------------------------------------------------------------------
// An edit format is a string of element letters (D day, M month, Y year, H hour,
// N minute, S second, in either case: two of each, two or four Y) and literals; "/"
// and ":" stand for the locale's date and time separators, and a backslash makes
// the next character a literal. From it come the edit mask, the display format for
// DateTimeToString and the places of the elements in the edit text.

// What a date-time editor edits: a date, a time, both, or what its EditFormat says.
enum TDateTimeKindEh { dtkDateEh, dtkTimeEh, dtkDateTimeEh, dtkCustomEh };

// The elements, in the order of the element table and of the element values.
enum TDateTimeElementEh { dteYearEh, dteMonthEh, dteDayEh, dteHourEh, dteMinuteEh, dteSecondEh };

// Where an element stands in the edit text (Pos 1-based); -1, -1 and not Present
// when the format lacks it.
struct TDateTimeElementInfoEh {
  Integer Pos = -1;
  Integer Length = -1;
  bool Present = false;
};
using TDateTimeElementsInfoEh = std::array<TDateTimeElementInfoEh, 6>;
// One number per element, -1 where the text gives none.
using TDateTimeElementValuesEh = std::array<Integer, 6>;

// The mask ("!" picture ";1; ": literals kept, a blank for an empty place) and the
// element table of a format. An element too long, of a wrong length or given twice
// raises Exception naming it.
void ParseEditFormat(const String& EditFormat, String& EditMask, TDateTimeElementsInfoEh& Elements);
// The format DateTimeToString shows a value with: elements and separators upper-cased,
// every literal quoted.
String EditFormatToDisplayFormat(const String& EditFormat);
// One character per edit-text place: the element letters and the separators "/" and
// ":" (upper-cased), a blank for every literal.
String EditFormatTemplateEh(const String& EditFormat);
// "DD/MM/YYYY", "MM/DD/YYYY" or "YYYY/MM/DD" in the order of the locale's short date
// format; two-digit years without FourDigitYear.
String DefaultDateEditFormatEh(bool FourDigitYear);
// The numbers at the elements' places in an edit text: -1 for a blank or a
// non-numeric element; a year below 100 is put in the locale's century window
// ("24" and "0024" alike).
TDateTimeElementValuesEh TextToElementValues(const String& Text, const TDateTimeElementsInfoEh& Elements);
// Puts the values of the format's elements into Value, whose other parts (and
// milliseconds) stay; a Null Value starts from 1900-01-01 00:00. All values -1 give
// Null. Without Normalize an incomplete or impossible date or time fails (false,
// Value Null); with it missing date parts come from today and values past their
// range are cut to it (31 February becomes the month's last day).
bool ElementValuesToValue(TDateTimeElementValuesEh Values, const TDateTimeElementsInfoEh& Elements, Variant& Value,
                          bool Normalize);

// ---- The date-time editor --------------------------------------------------------------------------------

// A data-aware editor of a date, a time or both, typed into the mask of its edit
// format. Up, Down, the wheel and an up-down main button step the element at the
// caret (wrapping at its range); typing the date or time separator selects the next
// element; the main button drops a month calendar down. Value is Null or a date; it
// is Null while the text is incomplete, and leaving the editor completes the text
// (a missing year is this year). Only the parts the format shows are written to the
// field: a date editor keeps the time of a date-time field.
class TCustomDBDateTimeEditEh : public TCustomDBEditEh {
public:
  BORROW_COMPONENT(TCustomDBDateTimeEditEh, TCustomDBEditEh)
  explicit TCustomDBDateTimeEditEh(TComponent* AOwner);
  ~TCustomDBDateTimeEditEh() override;

  TDateTimeKindEh GetKind() const { return FKind; }
  // The edit format follows the kind: the locale's date order, "HH:NN:SS", or both.
  void SetKind(TDateTimeKindEh Value);
  const String& GetEditFormat() const { return FEditFormat; }
  // Makes the kind dtkCustomEh; a bad format raises and stays stored.
  void SetEditFormat(const String& Value);
  const String& GetDisplayFormat() const { return FDisplayFormat; }
  const TDateTimeElementsInfoEh& GetElements() const { return FElements; }
  // The locale's short date format shows four-digit years.
  bool GetFourDigitYear() const { return FFourDigitYear; }
  // The popup calendar, created hidden on first use.
  TPopupMonthCalendarEh* GetCalendar();
  bool GetCalendarVisible() const { return FCalendarDropped; }

  // Completes a partly typed text (the mask's own check first).
  void ValidateEdit() override;
  void CloseUp(bool Accept) override;
  void DropDown() override;

  TCloseUpEventEh OnCloseUp;
  TNotifyEvent OnDropDown;

  void Dispatch(TMessage& Message) override;

protected:
  // ---- virtual operations added to the edit's
  // Reads the locale's four-digit-year setting again; a change re-derives the format.
  virtual void UpdateFourDigitYear();
  // Derives the edit format from the kind, then the display format, the elements and the mask.
  virtual void UpdateEditFormat();

  // ---- overrides of the edit's
  std::unique_ptr<TEditButtonEh> CreateEditButton() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  // "EditFormat", written for a custom kind only (the other kinds derive it).
  void DefineProperties(TFiler* Filer) override;
  void GetPropInfos(std::vector<TPropInfo>& Props) override;
  String GetDisplayText() override;
  Variant GetVariantValue() override { return FValue; }
  void ButtonDown(bool TopButton) override;
  void DataChanged() override;
  void EditButtonMouseMove(TObject* Sender, TShiftState Shift, Integer X, Integer Y) override;
  void FilterMRUItem(const String& AText, bool& Accept) override;
  void InternalSetText(const String& AText) override;
  void InternalSetValue(const Variant& AValue) override;
  void UpdateData() override;
  void Change() override;
  void KeyDown(Word& Key, TShiftState Shift) override;
  void KeyPress(Char& Key) override;
  bool DoMouseWheelDown(TShiftState Shift, TPoint MousePos) override;
  bool DoMouseWheelUp(TShiftState Shift, TPoint MousePos) override;

  // Steps the element at the caret (or right after a separator there) up or down,
  // wrapping at its range, and selects it.
  void IncrementElementAtCaret(bool Increase);

private:
  // Typing a separator: selects the element after the next such separator (from the
  // first element when there is none).
  void SelectElementAfterSeparator(Char Separator);
  // Writes the editor's own text, which the value already stands for.
  void SetOwnText(const String& AText);
  String ValueText(const Variant& AValue) const;
  bool CanStep();
  void HandOverPressToCalendar(TPoint ScreenPoint);

  bool FCalendarDropped = false;
  TPopupMonthCalendarEh* FCalendar = nullptr;  // owned as a component, parented by the editor
  bool FValidating = false;
  bool FTextUpdating = false;  // the editor writes its text: the value stays
  TDateTimeKindEh FKind = dtkDateEh;
  Variant FValue = Null();
  String FEditFormat;
  String FDisplayFormat;
  TDateTimeElementsInfoEh FElements{};
  bool FFourDigitYear = false;
};

class TDBDateTimeEditEh : public TCustomDBDateTimeEditEh {
public:
  BORROW_COMPONENT(TDBDateTimeEditEh, TCustomDBDateTimeEditEh)
  explicit TDBDateTimeEditEh(TComponent* AOwner) : TCustomDBDateTimeEditEh(AOwner) {}
};

// ---- The number editor -----------------------------------------------------------------------------------

// A data-aware editor of a floating-point number. It takes "." and "," as the
// locale's decimal separator, groups the integer digits as they are typed when its
// edit format groups them, refuses more decimals than DecimalPlaces and a minus sign
// where MinValue and MaxValue allow no negative number, and keeps every value it
// computes within MinValue and MaxValue, rounded to DecimalPlaces. Focused it shows
// the value in its edit format (the number part of the display format), otherwise in
// the display format. Up, Down, the wheel and an up-down main button step it by
// Increment; the main button drops a calculator down.
class TCustomDBNumberEditEh : public TCustomDBEditEh {
public:
  BORROW_COMPONENT(TCustomDBNumberEditEh, TCustomDBEditEh)
  explicit TCustomDBNumberEditEh(TComponent* AOwner);
  ~TCustomDBNumberEditEh() override;

  // Unassigned, these four follow the field: its display format, currency flag,
  // minimum and maximum.
  String GetDisplayFormat();
  void SetDisplayFormat(const String& Value);
  bool GetCurrency();
  void SetCurrency(bool Value);
  Extended GetMaxValue();
  void SetMaxValue(Extended Value);
  Extended GetMinValue();
  void SetMinValue(Extended Value);
  Cardinal GetDecimalPlaces() const { return FDecimalPlaces; }
  void SetDecimalPlaces(Cardinal Value);
  Extended GetIncrement() const { return FIncrement; }
  void SetIncrement(Extended Value) { FIncrement = Value; }
  // The number format shown while focused, derived from the display format.
  const String& GetEditFormat() const { return FEditFormat; }
  bool GetCalculatorVisible() const { return FCalculatorDropped; }

  // Value within MinValue and MaxValue (equal bounds: none; a zero bound of a
  // reversed pair: the other one alone), rounded to DecimalPlaces, halves to even.
  // A value too large to round stays as it is.
  Extended CheckValue(Extended Value);
  // The text of the value when not focused.
  virtual String GetValueDisplayText();
  // The popup calculator, created hidden on first use.
  virtual TPopupCalculatorEh* GetCalculator();

  void CloseUp(bool Accept) override;
  void DropDown() override;

  TCloseUpEventEh OnCloseUp;
  TNotifyEvent OnDropDown;

  void WndProc(TMessage& Message) override;
  void Dispatch(TMessage& Message) override;

protected:
  std::unique_ptr<TEditButtonEh> CreateEditButton() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void GetPropInfos(std::vector<TPropInfo>& Props) override;
  void CreateParams(TCreateParams& Params) override;
  TAlignment DefaultAlignment() override;
  Variant GetVariantValue() override { return FValue; }
  bool IsValidChar(Char InputChar) override;
  void ButtonDown(bool TopButton) override;
  void DataChanged() override;
  void InternalSetText(const String& AText) override;
  void InternalSetValue(const Variant& AValue) override;
  void UpdateData() override;
  void Change() override;
  void KeyDown(Word& Key, TShiftState Shift) override;
  void KeyPress(Char& Key) override;
  bool DoMouseWheelDown(TShiftState Shift, TPoint MousePos) override;
  bool DoMouseWheelUp(TShiftState Shift, TPoint MousePos) override;
  // A paste that would leave no number in the text is refused with a beep.
  void EditPaste() override;

  // Adds Increment (Up) or takes it off; an empty editor starts at Increment.
  void StepValue(bool Up);

private:
  enum TAssignedValue : Byte { avDisplayFormat = 1, avCurrency = 2, avMaxValue = 4, avMinValue = 8 };
  bool Assigned(TAssignedValue Flag) const { return (FAssignedValues & Flag) != 0; }
  // The text regrouped as the edit format groups it; the caret keeps its place.
  void ReformatTypedText();
  // Whether pasting the clipboard's text would leave a number (or nothing) in the text.
  bool PasteIsNumber();
  void SetOwnText(const String& AText);
  // A data-independent editor's value is put within new bounds at once.
  void BoundsChanged();

  Byte FAssignedValues = 0;
  bool FCalculatorDropped = false;
  bool FCurrencyEh = false;
  Cardinal FDecimalPlaces = 2;
  String FDisplayFormat;
  TPopupCalculatorEh* FCalculator = nullptr;  // owned as a component, parented by the editor
  String FEditFormat;
  Extended FIncrement = 1.0;
  Extended FMaxValue = 0;
  Extended FMinValue = 0;
  bool FTextUpdating = false;  // the editor writes its text: the value stays
  bool FCaretHidden = false;
  Variant FValue = Null();
};

class TDBNumberEditEh : public TCustomDBNumberEditEh {
public:
  BORROW_COMPONENT(TDBNumberEditEh, TCustomDBNumberEditEh)
  explicit TDBNumberEditEh(TComponent* AOwner) : TCustomDBNumberEditEh(AOwner) {}
};

// ---- The check box -------------------------------------------------------------------------------------

// A three-state check box that paints itself (optionally flat) and maps its state
// to a field: a Boolean field directly, any other through ValueChecked and
// ValueUnchecked, ';'-separated lists of the texts that mean checked and
// unchecked (a list ending with ';' takes an empty text too). Bound to nothing it
// keeps True, False or Null in its link.
class TCustomDBCheckBoxEh : public TButtonControl {
public:
  BORROW_COMPONENT(TCustomDBCheckBoxEh, TButtonControl)
  explicit TCustomDBCheckBoxEh(TComponent* AOwner);
  ~TCustomDBCheckBoxEh() override;

  bool GetChecked() const override { return FState == cbChecked; }
  void SetChecked(bool Value) override { SetState(Value ? cbChecked : cbUnchecked); }
  TCheckBoxState GetState() const { return FState; }
  // A bound box first puts its dataset into edit state; the state is written at once.
  void SetState(TCheckBoxState Value);

  // taRightJustify: the caption to the right of the box.
  TAlignment GetAlignment() const { return FAlignment; }
  void SetAlignment(TAlignment Value);
  bool GetAllowGrayed() const { return FAllowGrayed; }
  void SetAllowGrayed(bool Value) { FAllowGrayed = Value; }
  bool GetAlwaysShowBorder() const { return FAlwaysShowBorder; }
  void SetAlwaysShowBorder(bool Value);
  bool GetFlat() const { return FFlat; }
  void SetFlat(bool Value);
  const String& GetValueChecked() const { return FValueChecked; }
  void SetValueChecked(const String& Value);
  const String& GetValueUnchecked() const { return FValueUnchecked; }
  void SetValueUnchecked(const String& Value);
  String GetDataField() const { return FDataLink->GetFieldName(); }
  void SetDataField(const String& Value);
  TDataSource* GetDataSource() const { return FDataLink->GetDataSource(); }
  void SetDataSource(TDataSource* Value);
  bool GetReadOnly() const { return FDataLink->GetReadOnly(); }
  void SetReadOnly(bool Value) { FDataLink->SetReadOnly(Value); }
  TField* GetField() const { return FDataLink->GetField(); }
  TFieldDataLinkEh* GetDataLink() const { return FDataLink.get(); }
  bool GetModified() const { return FModified; }
  // The value of a box bound to nothing: True, False or Null.
  Variant GetValue() const { return FDataLink->GetDataValue(); }

  void Click() override;
  // An action the box itself does not take goes on to its data link.
  bool ExecuteAction(TBasicAction* Action) override;
  bool UpdateAction(TBasicAction* Action) override;

  TUpdateDataEventEh OnUpdateData;

  void Dispatch(TMessage& Message) override;
  void DefaultHandler(TMessage& Message) override;
  // The box's own WriteState() below writes its state into the field; the
  // streaming one, written to a writer, stays callable beside it.
  using TButtonControl::WriteState;

protected:
  virtual void Paint();
  virtual bool DataIndependent() { return FDataLink->GetDataIndependent(); }
  virtual void DrawCaption(TRect ARect, bool IsFocused);
  virtual void DrawCheck(TRect ARect, TCheckBoxState AState, bool Pressed, bool Active);
  virtual void PaintCheckBox();
  // Stores a new state, sends it to the window as BM_SETCHECK, runs the click
  // notification (unless clicks are disabled), repaints and marks the box modified.
  virtual void InternalSetState(TCheckBoxState Value);
  virtual void WriteState();
  virtual void Toggle();
  virtual void CommitState();

  void CreateParams(TCreateParams& Params) override;
  // A new window hears the box's state, as it hears every later change.
  void CreateWnd() override;
  void PaintButton(TCanvas* Canvas) override;
  void Pressed() override;
  void KeyPress(Char& Key) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void GetPropInfos(std::vector<TPropInfo>& Props) override;

private:
  void DataChange(TObject* Sender);
  void UpdateData(TObject* Sender);
  // The state the field (or the link's own value) stands for.
  TCheckBoxState FieldState() const;
  bool ValueMatch(const String& ValueList, const String& Value) const;

  TAlignment FAlignment = taRightJustify;
  bool FAllowGrayed = false;
  bool FAlwaysShowBorder = false;
  std::unique_ptr<TFieldDataLinkEh> FDataLink;
  bool FFlat = false;
  bool FModified = false;
  bool FMouseInControl = false;
  TCheckBoxState FState = cbUnchecked;
  String FValueChecked;
  String FValueUnchecked;
  bool FUpdatingData = false;
};

class TDBCheckBoxEh : public TCustomDBCheckBoxEh {
public:
  BORROW_COMPONENT(TDBCheckBoxEh, TCustomDBCheckBoxEh)
  explicit TDBCheckBoxEh(TComponent* AOwner) : TCustomDBCheckBoxEh(AOwner) {}
};

// ---- Unit start-up -------------------------------------------------------------------------------------

// Computes the default edit-button width once, for the button layout of every editor.
void InitDBCtrlsEhUnit();
// The width InitDBCtrlsEhUnit computed (computed on first use when the unit was not started).
Integer DefaultEditButtonWidthEh();
