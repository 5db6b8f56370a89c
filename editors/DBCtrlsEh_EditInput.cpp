// TCustomDBEditEh: the messages, the keys, the mouse, the focus, the edit buttons'
// presses and clicks, and the most-recently-used drop-down.
//
// Index of this file:
//   window procedure   the holder first (in place), the keys an open MRU drop-down takes
//   dispatch           one line per message, handled by the routines below
//   keys               KeyDown / KeyPress / KeyUp: the holder first, then the editor
//   focus              entering and leaving (the record is written on leaving)
//   buttons            press, click and shortcut of the edit buttons
//   MRU drop-down      opening, placing, closing
//
// A key's road: the application asks CN_KEYDOWN whether the dialog takes it (Tab,
// Enter and Esc, unless WM_GETDLGCODE or CM_WANTSPECIALKEY claim it); otherwise
// WM_KEYDOWN reaches WndProc (an open MRU drop-down takes its navigation keys),
// then KeyDown (holder, OnKeyDown, button shortcuts), then the mask edit. WM_CHAR
// follows the same way through KeyPress.

#include <algorithm>

#include "editors/DBCtrlsEh.h"
#include "editors/DBCtrlsEh_Internal.h"
#include "editors/DaVirVCL.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Menus.h"
#include "platform/ui/MessageQueue.h"

using namespace dbctrlseh_detail;

namespace {

bool OnlyCtrl(TShiftState Shift) {
  return Shift.Contains(ssCtrl) && !Shift.Contains(ssAlt) && !Shift.Contains(ssShift);
}

}  // namespace

// ---- window procedure ------------------------------------------------------------------------------------

void TCustomDBEditEh::WndProc(TMessage& Message) {
  if (IInplaceEditHolderEh* holder = HolderIntf()) {
    holder->InplaceEditWndProc(this, Message);
    if (Message.Result != 0) return;
  }
  if (FInplaceMode && Message.Msg == WM_SETFOCUS) {
    // The holder stays the form's focused control while its editor has the keys.
    TCustomForm* form = GetParentForm(this);
    if (form && FInplaceEditHolder && !form->SetFocusedControl(FInplaceEditHolder)) return;
    Dispatch(Message);
    return;
  }
  if (FInplaceMode && Message.Msg == WM_LBUTTONDOWN && HolderIntf()) {
    // The press that showed the editor and this one make a double click.
    TPoint pos;
    Integer time = 0;
    HolderIntf()->GetMouseDownInfo(pos, time);
    const TPoint here = ClientToScreen(TPoint(GetXLParam(Message.LParam), GetYLParam(Message.LParam)));
    if (time != 0 && CheckDoubleClickEh(pos, here, DWORD(GetMessageTime()) - DWORD(time)))
      Message.Msg = WM_LBUTTONDBLCLK;
  }
  if (MRUDroppedDown() && (Message.Msg == WM_KEYDOWN || Message.Msg == WM_SYSKEYDOWN)) {
    const Word key = Word(Message.WParam);
    const bool ctrl = GetKeyState(VK_CONTROL) < 0, alt = GetKeyState(VK_MENU) < 0;
    switch (key) {
      case VK_PRIOR:
      case VK_NEXT:
      case VK_UP:
      case VK_DOWN:
        if (!alt) {
          FMRUListbox->Perform(Message.Msg, Message.WParam, Message.LParam);
          return;
        }
        break;
      case VK_HOME:
      case VK_END:
        if (ctrl) {
          FMRUListbox->Perform(Message.Msg, Message.WParam, Message.LParam);
          return;
        }
        break;
      case VK_RETURN:
      case VK_ESCAPE:
        FMRUList->CloseUp(key == VK_RETURN);
        RemovePendingChar(Char(key));
        return;
      default: break;
    }
  }
  TCustomMaskEdit::WndProc(Message);
  if (FTextChanged) {
    FTextChanged = false;
    MRUTextChanged();
  }
}

// ---- dispatch ---------------------------------------------------------------------------------------------

void TCustomDBEditEh::Dispatch(TMessage& Message) {
  if (IsMouseButtonMessage(Message.Msg)) {
    MouseButtonMessage(Message);
    return;
  }
  switch (Message.Msg) {
    case WM_CHAR: WMChar(Message); return;
    case WM_GETDLGCODE: WMGetDlgCode(Message); return;
    case CM_WANTSPECIALKEY: CMWantSpecialKey(Message); return;
    case WM_PASTE:
    case WM_CUT:
    case WM_UNDO: FDataLink->Edit(); break;
    case WM_KILLFOCUS: WMKillFocus(Message); return;
    case CM_CANCELMODE: CMCancelMode(Message); return;
    case CM_MOUSEWHEEL: CMMouseWheel(Message); return;
    case CM_SYSCOLORCHANGE: ClearButtonsBitmapCacheEh(); break;
    case CM_SHOWINGCHANGED:
      if (FInplaceMode) return;  // the host shows and hides the window
      break;
    case CM_GETDATALINK: Message.Result = reinterpret_cast<LRESULT>(FDataLink.get()); return;
    case CM_ENTER: CMEnter(Message); return;
    case CM_EXIT: CMExit(Message); return;
    case CN_COMMAND:
      if (HiWord(Message.WParam) == EN_CHANGE && !FSettingText) FTextChanged = true;
      break;
    case CM_MOUSEENTER:
    case CM_MOUSELEAVE:
      FMouseInside = Message.Msg == CM_MOUSEENTER;
      UpdateBorderState();
      break;
    case WM_SIZE:
      TCustomMaskEdit::Dispatch(Message);
      LayoutEditButtonControls();
      SetEditRect();
      return;
    case CM_FONTCHANGED:
      TCustomMaskEdit::Dispatch(Message);
      if (FControlStyle.Contains(csFixedHeight)) AdjustHeight();
      SetEditRect();
      return;
    case CM_ENABLEDCHANGED:
      TCustomMaskEdit::Dispatch(Message);
      UpdateEditButtonControlsState();
      return;
    case WM_SETCURSOR: WMSetCursor(Message); return;
    case CM_HINTSHOW: CMHintShow(Message); return;
    case CM_PARENTSHOWHINTCHANGED:
      if (GetParentShowHint() && GetParent()) {
        FShowHint = GetParent()->GetShowHint();
        UpdateShowHint();
      }
      return;
    case WM_NCPAINT:
      if (FFlat && GetCtl3D() && GetBorderStyle() == bsSingle) {
        PaintFlatBorder();
        return;
      }
      break;
    case WM_EDITIMAGECHANGED:
      if (HandleAllocated()) RecreateWnd();
      return;
    default: break;
  }
  TCustomMaskEdit::Dispatch(Message);
}

void TCustomDBEditEh::DefaultHandler(TMessage& Message) {
  if (Message.Msg == WM_CHAR) {
    // Enter and Tab the editor does not want, and line feeds, are not text.
    const Char c = Char(Message.WParam);
    if ((c == u'\r' && !FWantReturnsEh) || (c == u'\t' && !FWantTabsEh) || c == u'\n') return;
  }
  TCustomMaskEdit::DefaultHandler(Message);
}

void TCustomDBEditEh::WMChar(TMessage& Message) {
  FKeyText = String(1, Char(Message.WParam));
  TCustomMaskEdit::Dispatch(Message);
  FKeyText.clear();
}

void TCustomDBEditEh::WMGetDlgCode(TMessage& Message) {
  LRESULT code = DLGC_WANTARROWS | DLGC_HASSETSEL | DLGC_WANTCHARS;
  if (FWantTabsEh) code |= DLGC_WANTTAB;
  if (FWantReturnsEh) code |= DLGC_WANTALLKEYS;
  if (FInplaceMode && FInplaceEditHolder && (FInplaceEditHolder->Perform(WM_GETDLGCODE) & DLGC_WANTTAB))
    code |= DLGC_WANTTAB;
  Message.Result = code;
}

void TCustomDBEditEh::CMWantSpecialKey(TMessage& Message) {
  const Word key = Word(Message.WParam);
  if ((key == VK_RETURN || key == VK_ESCAPE) && MRUDroppedDown() && FMRUListbox->GetItemIndex() >= 0)
    Message.Result = 1;
  else if (key == VK_ESCAPE && GetModified()) Message.Result = 1;
  else if (key == VK_RETURN && FInplaceMode) Message.Result = 1;
  else TCustomMaskEdit::Dispatch(Message);
}

void TCustomDBEditEh::MouseButtonMessage(TMessage& Message) {
  const TPoint p(GetXLParam(Message.LParam), GetYLParam(Message.LParam));
  if (InButtonsOrImageArea(p) && !GetMouseCapture()) {
    // The control hears the press; the text under it does not move its caret.
    TWinControl::Dispatch(Message);
    return;
  }
  TCustomMaskEdit::Dispatch(Message);
  if (Message.Msg == WM_LBUTTONDOWN && GetMouseCapture() && GetFocus() != FHandle) SetMouseCapture(false);
}

bool TCustomDBEditEh::InButtonsOrImageArea(TPoint P) {
  const TRect client = GetClientRect();
  if (!client.Contains(P)) return false;
  const bool rtl = UseRightToLeftAlignment();
  if (FButtonWidth > 0 && (rtl ? P.X < client.Left + FButtonWidth : P.X >= client.Right - FButtonWidth)) return true;
  if (FImageWidth > 0 && (rtl ? P.X >= client.Right - FImageWidth : P.X < client.Left + FImageWidth)) return true;
  return false;
}

void TCustomDBEditEh::WMSetCursor(TMessage& Message) {
  if (Integer(std::int16_t(LoWord(std::uintptr_t(Message.LParam)))) == HTCLIENT &&
      InButtonsOrImageArea(ScreenToClient(GetCursorPos()))) {
    ::SetCursor(LoadCursor(IDC_ARROW));
    Message.Result = 1;
    return;
  }
  TCustomMaskEdit::Dispatch(Message);
}

void TCustomDBEditEh::CancelChildCapture() {
  if (TControl* captor = GetCaptureControl(); captor && captor != this && captor->GetParent() == this)
    captor->Perform(WM_CANCELMODE);
}

void TCustomDBEditEh::WMKillFocus(TMessage& Message) {
  if (GetComponentState().Contains(csDestroying)) {
    TCustomMaskEdit::Dispatch(Message);
    return;
  }
  if (MRUDroppedDown() && HwndFromParam(Message.WParam) != FMRUListbox->GetHandle()) FMRUList->CloseUp(false);
  TCustomMaskEdit::Dispatch(Message);
  UpdateBorderState();
  Invalidate();
  CancelChildCapture();
}

void TCustomDBEditEh::CMCancelMode(TMessage& Message) {
  CancelChildCapture();
  auto* sender = reinterpret_cast<TControl*>(Message.LParam);
  const bool fromHere = sender == this || sender == FMRUListbox || (sender && sender->GetParent() == this);
  if (MRUDroppedDown() && !fromHere) FMRUList->CloseUp(false);
  TCustomMaskEdit::Dispatch(Message);
}

void TCustomDBEditEh::CMMouseWheel(TMessage& Message) {
  if (MRUDroppedDown()) {
    const LRESULT handled = FMRUListbox->Perform(CM_MOUSEWHEEL, Message.WParam, Message.LParam);
    if (handled) {
      Message.Result = handled;
      return;
    }
  }
  TCustomMaskEdit::Dispatch(Message);
}

void TCustomDBEditEh::RemovePendingChar(Char Key) {
  if (!FHandle) return;
  TMsg msg;
  if (PeekMessage(msg, FHandle, WM_CHAR, WM_CHAR, PM_NOREMOVE) && Char(msg.wParam) == Key)
    PeekMessage(msg, FHandle, WM_CHAR, WM_CHAR, PM_REMOVE);
}

// ---- keys --------------------------------------------------------------------------------------------------

void TCustomDBEditEh::KeyDown(Word& Key, TShiftState Shift) {
  if (IInplaceEditHolderEh* holder = HolderIntf()) {
    holder->InplaceEditKeyDown(this, Key, Shift);
    if (Key == 0) return;
  }
  TCustomMaskEdit::KeyDown(Key, Shift);
  if (Key == 0) return;
  if (PressButtonByShortCut(Key, Shift)) {
    Key = 0;
    return;
  }
  if (Key == u'A' && OnlyCtrl(Shift)) SelectAll();
  const bool editingKey = Key == VK_DELETE || (Key == VK_INSERT && Shift.Contains(ssShift)) ||
                          (Key == VK_RETURN && FWantReturnsEh) || (Key == VK_TAB && FWantTabsEh);
  if (editingKey && !FReadOnly) FDataLink->Edit();
}

void TCustomDBEditEh::KeyPress(Char& Key) {
  if (IInplaceEditHolderEh* holder = HolderIntf()) {
    holder->InplaceEditKeyPress(this, Key);
    if (Key == 0) return;
  }
  TCustomMaskEdit::KeyPress(Key);
  if (Key == 0) return;
  if (Key >= 32 && !DataIndependent() && !IsValidChar(Key)) {
    MessageBeep(0);
    Key = 0;
    return;
  }
  if (Key == VK_BACK || Key == 0x16 || Key == 0x18 || Key >= 32) {
    if (!FReadOnly) FDataLink->Edit();
    if (Key == VK_BACK && GetText().empty() && FMRUList->GetActive() && GetShowing() && !FDroppedDown)
      FMRUList->DropDown();
  } else if (Key == VK_ESCAPE) {
    FDataLink->Reset();
    SelectAll();
    Key = 0;
  }
}

void TCustomDBEditEh::KeyUp(Word& Key, TShiftState Shift) {
  if (IInplaceEditHolderEh* holder = HolderIntf()) {
    holder->InplaceEditKeyUp(this, Key, Shift);
    if (Key == 0) return;
  }
  TCustomMaskEdit::KeyUp(Key, Shift);
}

// ---- focus -------------------------------------------------------------------------------------------------

void TCustomDBEditEh::CMEnter(TMessage& Message) {
  SetFocused(true);
  TCustomMaskEdit::Dispatch(Message);
  UpdateBorderState();
}

void TCustomDBEditEh::CMExit(TMessage&) {
  try {
    if (IsMasked()) {
      ValidateEdit();
      CheckCursor();
    }
    DoExit();
    FDataLink->UpdateRecord();
  } catch (...) {
    // The value stays for the user to put right.
    SelectAll();
    SetFocus();
    throw;
  }
  SetFocused(false);
  CheckCursor();
  UpdateBorderState();
}

// ---- buttons -----------------------------------------------------------------------------------------------

TEditButtonControlEh* TCustomDBEditEh::MainButtonControl() const {
  return FButtonControls.empty() ? nullptr : FButtonControls.front().Control;
}

TEditButtonControlEh* TCustomDBEditEh::GetEditButtonControl(Integer Index) const {
  if (Index < 0 || Index >= Integer(FButtonControls.size())) return nullptr;
  return FButtonControls[size_t(Index)].Control;
}

void TCustomDBEditEh::ButtonDown(bool) {
  const TEditButtonStyleEh style = FEditButton->GetStyle();
  if (style == ebsUpDownEh || style == ebsAltUpDownEh || FDroppedDown) return;
  DropDown();
  FDroppedDownByPress = true;
}

void TCustomDBEditEh::DropDown() {
  if (TEditButtonControlEh* main = MainButtonControl()) main->SetAlwaysDown(true);
  if (MRUDroppedDown()) FMRUList->CloseUp(false);
}

void TCustomDBEditEh::CloseUp(bool) {
  if (TEditButtonControlEh* main = MainButtonControl()) main->SetAlwaysDown(false);
}

void TCustomDBEditEh::EditButtonClick(TObject* Sender) {
  const bool isMain = Sender && Sender == MainButtonControl();
  bool handled = false;
  if (isMain) {
    FEditButton->Click(Sender, handled);
    if (!handled && OnButtonClick) OnButtonClick(Sender, handled);
  } else {
    for (const TButtonControlEntry& e : FButtonControls)
      if (e.Control == Sender && e.Button) e.Button->Click(Sender, handled);
  }
  if (!handled && isMain && FDroppedDown && !FDroppedDownByPress) CloseUp(false);
  // A press that opened nothing leaves the button up.
  if (isMain && !FDroppedDown)
    if (TEditButtonControlEh* main = MainButtonControl(); main && main->GetAlwaysDown()) main->SetAlwaysDown(false);
  FDroppedDownByPress = false;
}

void TCustomDBEditEh::EditButtonMouseDown(TObject* Sender, bool TopButton, bool& AutoRepeat, bool& Handled) {
  if (!FFocused && CanFocus()) SetFocus();
  TEditButtonEh* button = nullptr;
  for (const TButtonControlEntry& e : FButtonControls)
    if (e.Control == Sender) button = e.Button;
  if (!button) return;
  const bool isMain = button == FEditButton.get();
  if (isMain) {
    if (OnButtonDown) OnButtonDown(Sender, TopButton, AutoRepeat, Handled);
  } else if (button->OnDown) {
    button->OnDown(Sender, TopButton, AutoRepeat, Handled);
  }
  if (Handled) return;
  if (TPopupMenu* menu = button->GetDropdownMenu()) {
    auto* control = dynamic_cast<TControl*>(Sender);
    // The button's lower-left corner, or its lower-right for a right-aligned menu.
    const Integer x = control && menu->GetAlignment() == paRight ? control->GetWidth() : 0;
    const TPoint at = control ? control->ClientToScreen(TPoint(x, control->GetHeight())) : GetCursorPos();
    menu->SetPopupComponent(this);
    menu->Popup(at.X, at.Y);
    if (control) {
      // The menu took the release: the button comes up without a click.
      RemovePendingClickOnControlEh(control);
      control->Perform(WM_LBUTTONUP, 0, MakeLParam(-1, -1));
    }
    return;
  }
  // A button with an action runs it on its click instead.
  if (isMain && !button->GetAction()) ButtonDown(TopButton);
}

void TCustomDBEditEh::EditButtonMouseMove(TObject*, TShiftState, Integer, Integer) {}

void TCustomDBEditEh::EditButtonMouseUp(TObject* Sender, TMouseButton, TShiftState, Integer X, Integer Y) {
  auto* control = dynamic_cast<TControl*>(Sender);
  if (control && !control->GetClientRect().Contains(TPoint(X, Y))) FDroppedDownByPress = false;
}

bool TCustomDBEditEh::PressButtonByShortCut(Word Key, TShiftState Shift) {
  const TShortCut shortCut = ShortCut(Key, Shift);
  for (const TButtonControlEntry& e : FButtonControls) {
    if (!e.Button || !e.Button->GetVisible() || e.Button->GetShortCut() == 0 || e.Button->GetShortCut() != shortCut)
      continue;
    bool autoRepeat = false, handled = false;
    EditButtonMouseDown(e.Control, false, autoRepeat, handled);
    EditButtonClick(e.Control);
    return true;
  }
  return false;
}

void TCustomDBEditEh::EditButtonChanged(TObject*) {
  if (!HandleAllocated()) return;
  UpdateEditButtonControlList();
  SetEditRect();
  Invalidate();
}

// ---- MRU drop-down ------------------------------------------------------------------------------------------

bool TCustomDBEditEh::MRUDroppedDown() const { return FMRUListbox && FMRUList->GetDroppedDown(); }

void TCustomDBEditEh::FilterMRUItem(const String& AText, bool& Accept) {
  const String text = GetText();
  const StringView head = StringView(AText).substr(0, text.size());
  Accept =
      (FMRUList->GetCaseSensitive() ? CompareStrUserLocaleEh(head, text) : CompareTextUserLocaleEh(head, text)) == 0;
  if (FMRUList->OnFilterItem) FMRUList->OnFilterItem(this, Accept);
}

void TCustomDBEditEh::MRUListDropDown(TObject*) {
  if (!FMRUListbox) FMRUListbox = CreateMRUListbox();
  TMRUListboxEh* list = FMRUListbox;
  const bool wasDown = FMRUList->GetDroppedDown();
  FMRUList->FilterItemsTo(list->GetItems(), GetText(),
                          [this](const String& Item, bool& Accept) { FilterMRUItem(Item, Accept); });
  if (list->GetCount() == 0) {
    if (wasDown) FMRUList->CloseUp(false);
    return;
  }
  if (!wasDown) {
    list->SetColor(GetColor());
    list->SetFont(GetFont());
    list->SetItemHeight(list->GetTextHeight());
    list->SetItemIndex(-1);
    list->GetSizeGrip()->OnParentResized = [this](TObject*) { UpdateMRUListSize(); };
  }
  PlaceMRUListbox();
  FMRUList->SetDroppedDown(true);
}

void TCustomDBEditEh::PlaceMRUListbox() {
  TMRUListboxEh* list = FMRUListbox;
  list->SetRowCount(std::min(list->GetCount(), std::max<Integer>(1, FMRUList->GetRows())));
  list->SetWidth(FMRUListboxWidth > 0 ? FMRUListboxWidth : GetWidth());
  TRect text;
  Perform(EM_GETRECT, 0, reinterpret_cast<LPARAM>(&text));
  const TRect screen(ClientToScreen(text.TopLeft()), ClientToScreen(text.BottomRight()));
  TPoint at;
  AlignDropDownWindowRectEh(screen, list, UseRightToLeftAlignment() ? daRight : daLeft, at);
  SetWindowPos(list->GetHandle(), HWND_TOP, at.X, at.Y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  list->GetSizeGrip()->ShowGrip(true);
  list->UpdateScrollBar();
  list->SetSizeChanged(false);
}

void TCustomDBEditEh::MRUListCloseUp(TObject*, bool Accept) {
  if (!MRUDroppedDown()) return;
  TMRUListboxEh* list = FMRUListbox;
  if (HWND captor = GetCapture()) SendMessage(captor, WM_CANCELMODE, 0, 0);
  SetWindowPos(list->GetHandle(), nullptr, 0, 0, 0, 0,
               SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_HIDEWINDOW);
  FMRUList->SetDroppedDown(false);
  if (GetFocus() == list->GetHandle()) SetFocus();
  if (Accept && !FReadOnly && FDataLink->Edit()) {
    const Integer index = list->GetItemIndex();
    if (index >= 0) InternalSetText(list->GetItemText(index));
    if (FFocused) SelectAll();
  }
}

void TCustomDBEditEh::MRUListboxMouseUp(TObject*, TMouseButton Button, TShiftState, Integer X, Integer Y) {
  if (Button != mbLeft || !FMRUListbox) return;
  FMRUList->CloseUp(FMRUListbox->GetMouseCloseUp() && FMRUListbox->GetClientRect().Contains(TPoint(X, Y)));
}

void TCustomDBEditEh::UpdateMRUListSize() {
  if (!MRUDroppedDown()) return;
  FMRUList->SetRows(FMRUListbox->GetRowCount());
  FMRUListboxWidth = FMRUListbox->GetWidth();
}

void TCustomDBEditEh::MRUTextChanged() {
  const String text = GetText();
  const String empty = IsMasked() ? GetMask().ExtractText(EmptyMaskText()) : String();
  if (MRUDroppedDown() && text == empty) {
    FMRUList->CloseUp(false);
    return;
  }
  if (FMRUList->GetActive() && GetShowing() && !FDroppedDown && text != empty && FFocused) FMRUList->DropDown();
}

void HandOverPressToPopupEh(TWinControl* Popup, TPoint ScreenPoint) {
  if (!Popup || !Popup->HandleAllocated()) return;
  const TPoint p = Popup->ScreenToClient(ScreenPoint);
  if (!Popup->GetClientRect().Contains(p)) return;
  if (HWND captor = GetCapture()) {
    SendMessage(captor, WM_CANCELMODE, 0, 0);
    if (GetCapture() == captor) ReleaseCapture();
  }
  SendMessage(Popup->GetHandle(), WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(p.X, p.Y));
}

bool ForwardToDroppedPopupEh(TControl* Popup, TMessage& Message) {
  switch (Message.Msg) {
    case CM_WANTSPECIALKEY:
      if (Message.WParam != VK_RETURN && Message.WParam != VK_ESCAPE) return false;
      Message.Result = 1;
      return true;
    case CM_MOUSEWHEEL:
      if (!Popup) return false;
      if (const LRESULT handled = Popup->Perform(CM_MOUSEWHEEL, Message.WParam, Message.LParam)) {
        Message.Result = handled;
        return true;
      }
      return false;
    default: return false;
  }
}
