// TCustomDBComboBoxEh: the data-aware edit with a list of items.
//
// Index of this file:
//   construction     the drop-down box settings, the lists, the popup list
//   items            the usable count, key mode, ItemIndex following the text
//   value model      InternalSetItemIndex / InternalSetText / InternalSetValue,
//                    DataChanged, UpdateData, CommitValue
//   typing           completion in text mode, search in key mode, Up and Down,
//                    the wheel, Delete in key mode
//   drop-down        DropDown and CloseUp, the list's mouse, handing a press over
//   messages         Dispatch: one line per message
//
// ItemIndex follows the text after every change of it, except while the text is
// being set from an item (the item's own index holds then, duplicates included).

#include <algorithm>

#include "editors/DBCtrlsEh.h"
#include "editors/DBCtrlsEh_Internal.h"
#include "editors/DaVirVCL.h"
#include "platform/core/Strings.h"
#include "platform/ui/Clipbrd.h"
#include "platform/ui/ControlPaint.h"
#include "platform/ui/MessageQueue.h"

using namespace dbctrlseh_detail;

namespace {

bool NoShiftKey(TShiftState Shift) {
  return !Shift.Contains(ssShift) && !Shift.Contains(ssCtrl) && !Shift.Contains(ssAlt);
}

}  // namespace

// ---- TDropDownBoxEh ----------------------------------------------------------------------------------------

void TDropDownBoxEh::Assign(TPersistent* Source) {
  auto* src = dynamic_cast<TDropDownBoxEh*>(Source);
  if (!src) {
    TPersistent::Assign(Source);
    return;
  }
  FAlign = src->FAlign;
  FAutoDrop = src->FAutoDrop;
  FRows = src->FRows;
  FSizable = src->FSizable;
  FWidth = src->FWidth;
}

// ---- construction -------------------------------------------------------------------------------------------

TCustomDBComboBoxEh::TCustomDBComboBoxEh(TComponent* AOwner)
    : TCustomDBEditEh(AOwner), FItems(std::make_unique<TStringList>()), FKeyItems(std::make_unique<TStringList>()) {
  FDropDownBox = CreateDropDownBox();
  FItems->OnChange = [this](TObject*) { ItemsChanged(false); };
  FKeyItems->OnChange = [this](TObject*) { ItemsChanged(true); };
  // The main button is a visible drop-down button.
  CreateParts();
}

TCustomDBComboBoxEh::~TCustomDBComboBoxEh() {
  FItems->OnChange = nullptr;
  FKeyItems->OnChange = nullptr;
}

std::unique_ptr<TDropDownBoxEh> TCustomDBComboBoxEh::CreateDropDownBox() {
  auto box = std::make_unique<TDropDownBoxEh>(this);
  box->SetRows(7);
  return box;
}

std::unique_ptr<TEditButtonEh> TCustomDBComboBoxEh::CreateEditButton() {
  return std::make_unique<TVisibleEditButtonEh>(this);
}

void TCustomDBComboBoxEh::SetItems(const TStrings* Value) { FItems->Assign(const_cast<TStrings*>(Value)); }

void TCustomDBComboBoxEh::SetKeyItems(const TStrings* Value) { FKeyItems->Assign(const_cast<TStrings*>(Value)); }

TPopupListboxEh* TCustomDBComboBoxEh::GetPopupListbox() {
  if (FPopupListbox) return FPopupListbox;
  if (FPopupListboxClass && FPopupListboxClass->Create)
    FPopupListbox = dynamic_cast<TPopupListboxEh*>(FPopupListboxClass->Create(this));
  if (!FPopupListbox) FPopupListbox = new TPopupListboxEh(this);
  FPopupListbox->SetVisible(false);
  FPopupListbox->SetCtl3D(true);
  FPopupListbox->OnMouseUp = [this](TObject* Sender, TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
    ListMouseUp(Sender, Button, Shift, X, Y);
  };
  FPopupListbox->OnGetImageIndex = [this](TObject*, Integer ItemIndex, Integer& ImageIndex) {
    if (OnGetItemImageIndex) OnGetItemImageIndex(this, ItemIndex, ImageIndex);
  };
  FPopupListbox->FreeNotification(this);
  return FPopupListbox;
}

void TCustomDBComboBoxEh::Notification(TComponent* AComponent, TOperation Operation) {
  TCustomDBEditEh::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FPopupListbox) {
    FPopupListbox = nullptr;
    FListVisible = false;
  }
}

// ---- items ----------------------------------------------------------------------------------------------------

void TCustomDBComboBoxEh::ItemsChanged(bool KeyItemsChanged) {
  FVisibleItemsCount = FItems->GetCount();
  FKeyBased = FKeyItems->GetCount() > 0;
  if (FKeyBased) {
    FVisibleItemsCount = std::min(FItems->GetCount(), FKeyItems->GetCount());
    SetEditTextDirect(String());
  }
  UpdateControlReadOnly();
  UpdateItemIndexByText();
  ResetMaxLength();
  // The field's key is looked up again among the new keys.
  if (KeyItemsChanged) GetDataLink()->Reset();
}

void TCustomDBComboBoxEh::UpdateItemIndexByText() {
  if (FSettingItem) return;
  FItemIndex = FItems->IndexOf(GetText());
  SetListSelection();
  UpdateImageIndex();
}

void TCustomDBComboBoxEh::SetListSelection() {
  if (FPopupListbox && FListVisible) FPopupListbox->SetItemIndex(FItemIndex);
}

void TCustomDBComboBoxEh::RequestItems() {
  if (FItems->GetCount() == 0 && OnRequestItems) OnRequestItems(this);
}

void TCustomDBComboBoxEh::UpdateImageIndex() {
  FItemImageIndex = FItemIndex;
  if (OnGetItemImageIndex) OnGetItemImageIndex(this, FItemIndex, FItemImageIndex);
  TCustomDBEditEh::UpdateImageIndex();
}

void TCustomDBComboBoxEh::Change() {
  TCustomDBEditEh::Change();
  UpdateItemIndexByText();
}

// ---- value model ----------------------------------------------------------------------------------------------

void TCustomDBComboBoxEh::SetItemIndex(Integer Value) {
  if (!DataIndependent())
    if (TDataSet* ds = GetDataLink()->GetDataSet()) ds->Edit();
  InternalSetItemIndex(Value);
  CommitValue();
}

void TCustomDBComboBoxEh::InternalSetItemIndex(Integer Value) {
  if (Value == FItemIndex) return;
  RequestItems();
  if (Value < 0 || Value >= FVisibleItemsCount) {
    FItemIndex = -1;
    FVarValue = Null();
  } else {
    FItemIndex = Value;
    if (FKeyBased) FVarValue = Variant(FKeyItems->Get(Value));
  }
  UpdateImageIndex();
  SetListSelection();
  TFlagScope setting(FSettingItem);
  SetEditTextDirect(FItemIndex >= 0 ? FItems->Get(FItemIndex) : String());
}

void TCustomDBComboBoxEh::InternalSetText(const String& AText) {
  if (!FKeyBased) {
    TCustomDBEditEh::InternalSetText(AText);
    return;
  }
  // In key mode only an item is a text; anything else changes nothing.
  const Integer index = FItems->IndexOf(AText);
  if (index < 0 || index >= FVisibleItemsCount) return;
  FItemIndex = index;
  FVarValue = Variant(FKeyItems->Get(index));
  UpdateImageIndex();
  SetListSelection();
  TFlagScope setting(FSettingItem);
  SetEditTextDirect(AText);
}

void TCustomDBComboBoxEh::InternalSetValue(const Variant& AValue) {
  if (!FKeyBased) {
    TCustomDBEditEh::InternalSetValue(AValue);
    return;
  }
  FVarValue = AValue;
  String text;
  if (AValue.IsNull()) {
    FItemIndex = -1;
  } else {
    FItemIndex = FKeyItems->IndexOf(VarToStr(AValue));
    if (FItemIndex >= FVisibleItemsCount) FItemIndex = -1;
    if (FItemIndex >= 0) text = FItems->Get(FItemIndex);
  }
  UpdateImageIndex();
  SetListSelection();
  TFlagScope setting(FSettingItem);
  SetEditTextDirect(text);
}

Variant TCustomDBComboBoxEh::GetVariantValue() { return FKeyBased ? FVarValue : TCustomDBEditEh::GetVariantValue(); }

TAlignment TCustomDBComboBoxEh::DefaultAlignment() {
  return FKeyBased ? taLeftJustify : TCustomDBEditEh::DefaultAlignment();
}

bool TCustomDBComboBoxEh::IsValidChar(Char InputChar) { return FKeyBased || TCustomDBEditEh::IsValidChar(InputChar); }

String TCustomDBComboBoxEh::GetDisplayText() {
  if (!FControlState.Contains(csPaintCopy)) return TCustomDBEditEh::GetDisplayText();
  TField* field = GetField();
  String text;
  if (field && FKeyBased) {
    const Integer index = FKeyItems->IndexOf(field->GetText());
    if (index >= 0 && index < FItems->GetCount()) text = FItems->Get(index);
  } else if (field) {
    text = field->GetDisplayText();
  }
  if (GetCharCase() == ecUpperCase) text = AnsiUpperCase(text);
  else if (GetCharCase() == ecLowerCase) text = AnsiLowerCase(text);
  return text;
}

void TCustomDBComboBoxEh::DataChanged() {
  TField* field = GetField();
  if (field) {
    Invalidate();
    if (!GetEditMaskAssigned()) SetEditMaskQuiet(field->GetEditMask());
    if (!FKeyBased && IsStringField(field) && GetMaxLength() == 0) SetMaxLength(field->GetSize());
    if (!FKeyBased && (!FFocused || !GetDataLink()->CanModify())) SetEditTextDirect(field->GetDisplayText());
    else InternalSetValue(field->GetIsNull() ? Null() : Variant(field->GetText()));
  } else if (DataIndependent()) {
    if (!GetEditMaskAssigned()) SetEditMaskQuiet(String());
    if (FKeyBased) InternalSetValue(GetDataLink()->GetDataValue());
    else InternalSetText(ValueText(GetDataLink()->GetDataValue()));
  } else {
    if (!GetEditMaskAssigned()) SetEditMaskQuiet(String());
    SetEditTextDirect(String());
  }
  UpdateControlReadOnly();
  SetModified(false);
}

void TCustomDBComboBoxEh::UpdateControlReadOnly() {
  TCustomMaskEdit::SetReadOnly(!(GetDataLink()->GetEditing() && !GetReadOnly() && !FKeyBased));
}

void TCustomDBComboBoxEh::ResetMaxLength() {
  if (FKeyBased) SetMaxLength(0);
  else TCustomDBEditEh::ResetMaxLength();
}

void TCustomDBComboBoxEh::UpdateData() {
  if (DataIndependent() && !FKeyBased) {
    TCustomDBEditEh::UpdateData();
    return;
  }
  // A key that is Null stays Null in the field, not an empty text.
  if (FKeyBased && FVarValue.IsNull()) {
    GetDataLink()->SetValue(Null());
    return;
  }
  GetDataLink()->SetText(VarToStr(GetVariantValue()));
}

void TCustomDBComboBoxEh::CommitValue() {
  if (OnNotInList && FItemIndex == -1) {
    bool recheck = false;
    OnNotInList(this, GetEditText(), recheck);
  }
  TCustomDBEditEh::CommitValue();
}

void TCustomDBComboBoxEh::Clear() {
  if (FKeyBased) SetValue(Null());
  else TCustomDBEditEh::Clear();
}

// ---- typing ------------------------------------------------------------------------------------------------------

bool TCustomDBComboBoxEh::LocateItemByText(const String& AText, bool Prefix) {
  if (!CanModifyText()) return false;
  const Integer old = FItemIndex;
  for (Integer i = 0; i < FItems->GetCount(); ++i) {
    const String item = FItems->Get(i);
    const StringView compared = Prefix ? StringView(item).substr(0, AText.size()) : StringView(item);
    if (CompareTextUserLocaleEh(compared, AText) != 0) continue;
    InternalSetItemIndex(i);
    // The completed tail is selected, the caret where the search text ends.
    if (HandleAllocated()) SendMessage(GetHandle(), EM_SETSEL, WPARAM(GetText().size()), LPARAM(AText.size()));
    return FItemIndex != old;
  }
  if (!FKeyBased) {
    FItemIndex = -1;
    SetListSelection();
    UpdateImageIndex();
  }
  return FItemIndex != old;
}

void TCustomDBComboBoxEh::SearchTypedText(const String& AText) {
  if (!DataIndependent() && !GetField()) return;
  if (!CanModifyText()) return;
  if (AText == u"\b") {
    const Integer length = Integer(GetText().size());
    const Integer selected = GetSelLength();
    const Integer grown = selected >= length ? std::min(1, length) : std::min(length, selected + 1);
    SendMessage(GetHandle(), EM_SETSEL, WPARAM(length - grown), LPARAM(length));
    return;
  }
  const String search = GetText().substr(0, size_t(std::max(0, GetSelStart()))) + AText;
  RequestItems();
  LocateItemByText(search, true);
}

void TCustomDBComboBoxEh::CompleteTypedText(Char Key) {
  if (FKeyBased || Key == u'.' || GetKeyState(VK_CONTROL) < 0) return;
  if (Key < 32 && Key != VK_BACK) return;
  const Integer length = Integer(GetText().size());
  const Integer caret = GetSelStart();
  if (caret == length && GetSelLength() == 0 && Key != VK_BACK) {
    SearchTypedText(String());
    return;
  }
  RequestItems();
  if (LocateItemByText(GetText(), false) && HandleAllocated())
    SendMessage(GetHandle(), EM_SETSEL, WPARAM(caret), LPARAM(GetText().size()));
}

void TCustomDBComboBoxEh::SelectNextItem() {
  Integer next = FItemIndex;
  if (FItemIndex < FVisibleItemsCount - 1) next = FItemIndex + 1;
  if (next == FItemIndex) return;
  InternalSetItemIndex(next);
  SelectAll();
}

void TCustomDBComboBoxEh::SelectPriorItem() {
  Integer prior = FItemIndex;
  if (FItemIndex >= 1) prior = FItemIndex - 1;
  else if (FItemIndex == -1) prior = FVisibleItemsCount - 1;
  if (prior == FItemIndex || prior < 0) return;
  InternalSetItemIndex(prior);
  SelectAll();
}

void TCustomDBComboBoxEh::ButtonDown(bool TopButton) {
  const TEditButtonStyleEh style = GetEditButton()->GetStyle();
  if (style == ebsUpDownEh || style == ebsAltUpDownEh) {
    if (CanModifyText()) {
      if (TopButton) SelectPriorItem();
      else SelectNextItem();
    }
    return;
  }
  TCustomDBEditEh::ButtonDown(TopButton);
}

void TCustomDBComboBoxEh::KeyDown(Word& Key, TShiftState Shift) {
  if (FListVisible) {
    switch (Key) {
      case VK_RETURN:
      case VK_ESCAPE:
        CloseUp(Key == VK_RETURN);
        RemovePendingChar(Char(Key));
        Key = 0;
        return;
      case VK_PRIOR:
      case VK_NEXT:
      case VK_UP:
      case VK_DOWN:
      case VK_HOME:
      case VK_END: {
        if ((Key == VK_HOME || Key == VK_END) && !Shift.Contains(ssCtrl)) break;
        const TShortCut shortCut = ShortCut(Key, Shift);
        bool isButtonKey = GetEditButton()->GetShortCut() == shortCut;
        for (Integer i = 0; i < GetEditButtons()->GetCount(); ++i)
          if (GetEditButtons()->Items(i)->GetShortCut() == shortCut) isButtonKey = true;
        if (isButtonKey) break;
        GetPopupListbox()->Perform(WM_KEYDOWN, Key, 0);
        Key = 0;
        return;
      }
      default: break;
    }
  }
  TCustomDBEditEh::KeyDown(Key, Shift);
  if (Key == 0) return;
  if ((Key == VK_UP || Key == VK_DOWN) && !GetReadOnly() && !FListVisible &&
      (!GetWordWrap() || GetSelLength() == Integer(GetText().size()))) {
    if (CanModifyText()) {
      if (Key == VK_UP) SelectPriorItem();
      else SelectNextItem();
    }
    Key = 0;
    return;
  }
  if (Key == VK_DELETE && FKeyBased) {
    TField* field = GetField();
    const bool mayBeEmpty = DataIndependent() || (field && !field->GetRequired());
    if (mayBeEmpty && !GetReadOnly() && CanModifyText()) InternalSetValue(Null());
  }
}

void TCustomDBComboBoxEh::KeyPress(Char& Key) {
  TCustomDBEditEh::KeyPress(Key);
  if (Key == 0) return;
  if (Key >= 32 && FDropDownBox->GetAutoDrop() && !FListVisible) DropDown();
  if (!FKeyBased || GetReadOnly()) return;
  if (Key >= 32 || Key == VK_BACK) {
    SearchTypedText(Key == VK_BACK ? String(u"\b") : String(1, Key));
    Key = 0;
  } else if (Key == 0x16) {
    if (Clipboard()->HasFormat(CF_UNICODETEXT)) SearchTypedText(Clipboard()->GetAsText());
    Key = 0;
  }
}

bool TCustomDBComboBoxEh::DoMouseWheelDown(TShiftState Shift, TPoint MousePos) {
  if (TCustomDBEditEh::DoMouseWheelDown(Shift, MousePos)) return true;
  if (!NoShiftKey(Shift) || GetReadOnly() || !GetDataLink()->Edit()) return false;
  SelectNextItem();
  return true;
}

bool TCustomDBComboBoxEh::DoMouseWheelUp(TShiftState Shift, TPoint MousePos) {
  if (TCustomDBEditEh::DoMouseWheelUp(Shift, MousePos)) return true;
  if (!NoShiftKey(Shift) || GetReadOnly() || !GetDataLink()->Edit()) return false;
  SelectPriorItem();
  return true;
}

// ---- drop-down ----------------------------------------------------------------------------------------------------

void TCustomDBComboBoxEh::DropDown() {
  if (FListVisible) return;
  TCustomDBEditEh::DropDown();
  if (OnDropDown) OnDropDown(this);
  RequestItems();
  TPopupListboxEh* list = GetPopupListbox();
  TCustomImageList* images = GetImages();
  list->SetColor(GetColor());
  list->SetFont(GetFont());
  list->SetImageList(images);
  Integer itemHeight = list->GetTextHeight();
  if (images && GetEditImage()->GetUseImageHeight() && itemHeight <= images->GetHeight())
    itemHeight = images->GetHeight();
  list->SetItemHeight(itemHeight);
  list->SetItemsStrings(FItems.get());
  list->SetItemIndex(FItemIndex);
  const Integer rows = std::max<Integer>(1, std::min(FDropDownBox->GetRows(), FItems->GetCount()));
  list->SetRowCount(rows);
  Integer width = GetWidth();
  if (FDropDownBox->GetWidth() == -1) {
    Integer widest = 0;
    TMeasureDC dc(GetFont());
    for (Integer i = 0; i < FItems->GetCount(); ++i) {
      const String item = FItems->Get(i);
      TSize size{0, 0};
      if (!item.empty()) GetTextExtentPoint32(dc, item, Integer(item.size()), size);
      widest = std::max<Integer>(widest, size.cx);
    }
    widest += 5;
    if (images) widest += images->GetWidth() + 4;
    width = std::max(width, widest);
  } else if (FDropDownBox->GetWidth() > 0) {
    width = std::max(width, FDropDownBox->GetWidth());
  }
  list->SetWidth(width);
  TDropDownAlign align = FDropDownBox->GetAlign();
  if (UseRightToLeftAlignment() && align != daCenter) align = align == daLeft ? daRight : daLeft;
  TPoint at;
  AlignDropDownWindowEh(this, list, align, at);
  SetWindowPos(list->GetHandle(), HWND_TOP, at.X, at.Y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  list->GetSizeGrip()->ShowGrip(FDropDownBox->GetSizable());
  list->SetSizeChanged(false);
  FListVisible = true;
  FDroppedDown = true;
}

void TCustomDBComboBoxEh::CloseUp(bool Accept) {
  if (!FListVisible || !FPopupListbox) return;
  TPopupListboxEh* list = FPopupListbox;
  if (HWND captor = GetCapture()) SendMessage(captor, WM_CANCELMODE, 0, 0);
  SetWindowPos(list->GetHandle(), nullptr, 0, 0, 0, 0,
               SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_HIDEWINDOW);
  if (list->GetSizeChanged()) {
    FDropDownBox->SetRows(list->GetRowCount());
    FDropDownBox->SetWidth(list->GetWidth());
  }
  if (GetFocus() == list->GetHandle()) SetFocus();
  TCustomDBEditEh::CloseUp(Accept);
  FListVisible = false;
  FDroppedDown = false;
  if (OnBeforeCloseUp) OnBeforeCloseUp(this, Accept);
  if (Accept && !GetReadOnly() && GetDataLink()->Edit()) {
    InternalSetItemIndex(list->GetItemIndex());
    if (FFocused) SelectAll();
  }
  if (OnCloseUp) OnCloseUp(this, Accept);
}

void TCustomDBComboBoxEh::ListMouseUp(TObject*, TMouseButton Button, TShiftState, Integer X, Integer Y) {
  if (Button != mbLeft || !FPopupListbox) return;
  if (FPopupListbox->GetMouseCloseUp() && FPopupListbox->GetClientRect().Contains(TPoint(X, Y))) CloseUp(true);
}

void TCustomDBComboBoxEh::HandOverPressToList(TPoint ScreenPoint) {
  if (FListVisible) HandOverPressToPopupEh(FPopupListbox, ScreenPoint);
}

void TCustomDBComboBoxEh::EditButtonMouseMove(TObject* Sender, TShiftState Shift, Integer X, Integer Y) {
  TCustomDBEditEh::EditButtonMouseMove(Sender, Shift, X, Y);
  auto* control = dynamic_cast<TControl*>(Sender);
  if (control && control == MainButtonControl() && FListVisible && Shift.Contains(ssLeft))
    HandOverPressToList(control->ClientToScreen(TPoint(X, Y)));
}

bool TCustomDBComboBoxEh::KeyModeMouseMessage(TMessage& Message) {
  if (!FKeyBased || !IsMouseButtonMessage(Message.Msg)) return false;
  const TPoint p(GetXLParam(Message.LParam), GetYLParam(Message.LParam));
  if (InButtonsOrImageArea(p) && !GetMouseCapture()) {
    TWinControl::Dispatch(Message);
    return true;
  }
  if (Message.Msg == WM_LBUTTONDOWN && !FListVisible) {
    if (IsDataActive()) {
      if (CanFocus() && !FFocused) SetFocus();
      DropDown();
      SetDroppedDownByPress(true);
    }
  } else if ((Message.Msg == WM_LBUTTONDOWN || Message.Msg == WM_LBUTTONDBLCLK) && FListVisible) {
    if (!GetDroppedDownByPress()) CloseUp(false);
  } else if (Message.Msg == WM_LBUTTONUP) {
    SetDroppedDownByPress(false);
  }
  // The control's own mouse handling runs; the edit window never sees the press.
  TWinControl::Dispatch(Message);
  if (Message.Msg == WM_RBUTTONUP && HandleAllocated()) {
    const TPoint screen = ClientToScreen(p);
    SendMessage(GetHandle(), WM_CONTEXTMENU, HwndToParam(GetHandle()), MakeLParam(screen.X, screen.Y));
  }
  return true;
}

// ---- messages -------------------------------------------------------------------------------------------------------

void TCustomDBComboBoxEh::Dispatch(TMessage& Message) {
  if (KeyModeMouseMessage(Message)) return;
  if (FListVisible && ForwardToDroppedPopupEh(FPopupListbox, Message)) return;
  switch (Message.Msg) {
    case WM_CHAR: {
      const Char key = Char(Message.WParam);
      TCustomDBEditEh::Dispatch(Message);
      if (Message.WParam != 0) CompleteTypedText(key);
      return;
    }
    case WM_KILLFOCUS:
      if (FListVisible && FPopupListbox && HwndFromParam(Message.WParam) != FPopupListbox->GetHandle()) CloseUp(false);
      break;
    case CM_CANCELMODE: {
      auto* sender = reinterpret_cast<TControl*>(Message.LParam);
      const bool fromHere = sender == this || sender == FPopupListbox || (sender && sender->GetParent() == this);
      if (FListVisible && !fromHere) CloseUp(false);
      break;
    }
    case WM_SETCURSOR:
      if (FKeyBased && Integer(std::int16_t(LoWord(std::uintptr_t(Message.LParam)))) == HTCLIENT) {
        ::SetCursor(LoadCursor(IDC_ARROW));
        Message.Result = 1;
        return;
      }
      break;
    case WM_PASTE:
      if (FKeyBased) {
        if (!GetReadOnly() && Clipboard()->HasFormat(CF_UNICODETEXT)) SearchTypedText(Clipboard()->GetAsText());
        return;
      }
      break;
    case WM_MOUSEMOVE:
      TCustomDBEditEh::Dispatch(Message);
      if (FListVisible && GetMouseCapture() && (Message.WParam & MK_LBUTTON))
        HandOverPressToList(ClientToScreen(TPoint(GetXLParam(Message.LParam), GetYLParam(Message.LParam))));
      return;
    default: break;
  }
  TCustomDBEditEh::Dispatch(Message);
}
