// The in-place editor placed over the current cell, and the grid's upkeep of it:
// creating, loading, moving, hiding and writing its text back.

#include "gridbase/GridsEh.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Timers.h"

// ---- TInplaceEdit ------------------------------------------------------------------------------
TInplaceEdit::TInplaceEdit(TComponent* AOwner) : TInplaceEditBase(AOwner) {
  SetParentCtl3D(false);
  SetCtl3D(false);
  SetTabStop(false);
  SetBorderStyle(bsNone);
  SetDoubleBuffered(false);
}

void TInplaceEdit::CreateParams(TCreateParams& Params) {
  TInplaceEditBase::CreateParams(Params);
  // Multi-line only so that a formatting rectangle can be set.
  Params.Style |= ES_MULTILINE;
  // The window is shown only by Move and UpdateLoc.
  Params.Style &= ~WS_VISIBLE;
}

bool TInplaceEdit::EditCanModify() { return FGrid ? FGrid->CanEditModify() : true; }

void TInplaceEdit::BoundsChanged() {
  if (!HandleAllocated()) return;
  TRect R(2, 2, GetWidth() - 2, GetHeight());
  SendMessage(GetHandle(), EM_SETRECTNP, 0, LPARAM(&R));
  SendMessage(GetHandle(), EM_SCROLLCARET, 0, 0);
}

void TInplaceEdit::UpdateContents() {
  if (!FGrid) return;
  // The edit control reports each text set here as a change; the grid must not
  // write the emptied text back into the cell.
  FUpdatingContents = true;
  struct TReset {
    bool& Flag;
    ~TReset() { Flag = false; }
  } Reset{FUpdatingContents};
  SetText(String());
  // The mask first, so that the text is formatted by it.
  SetEditMask(FGrid->GetEditMask(FGrid->GetCol(), FGrid->GetRow()));
  SetText(FGrid->GetEditText(FGrid->GetCol(), FGrid->GetRow()));
  SetMaxLength(FGrid->GetEditLimit());
}

void TInplaceEdit::InternalMove(const TRect& Loc, bool Redraw) {
  if (Loc.IsEmpty()) {
    Hide();
    return;
  }
  HWND Wnd = GetHandle();
  if (!IsWindowVisible(Wnd)) Redraw = true;
  Invalidate();
  SetBounds(Loc.Left, Loc.Top, Loc.Width(), Loc.Height());
  SetWindowPos(Wnd, HWND_TOP, Loc.Left, Loc.Top, Loc.Width(), Loc.Height(), SWP_SHOWWINDOW | SWP_NOREDRAW);
  BoundsChanged();
  if (Redraw) Invalidate();
  if (FGrid && FGrid->HandleAllocated() && GetFocus() == FGrid->GetHandle()) ::SetFocus(Wnd);
}

void TInplaceEdit::Move(const TRect& Loc) { InternalMove(Loc, true); }

void TInplaceEdit::UpdateLoc(const TRect& Loc) { InternalMove(Loc, false); }

void TInplaceEdit::Hide() {
  if (!HandleAllocated() || !IsWindowVisible(GetHandle())) return;
  HWND Wnd = GetHandle();
  const bool HadFocus = GetFocus() == Wnd;
  Invalidate();
  SetWindowPos(Wnd, nullptr, 0, 0, 0, 0, SWP_HIDEWINDOW | SWP_NOZORDER | SWP_NOREDRAW | SWP_NOMOVE | SWP_NOSIZE);
  if (HadFocus && FGrid && FGrid->HandleAllocated()) ::SetFocus(FGrid->GetHandle());
}

bool TInplaceEdit::GetVisible() { return HandleAllocated() && IsWindowVisible(GetHandle()); }

void TInplaceEdit::SetFocus() {
  if (GetVisible()) ::SetFocus(GetHandle());
}

void TInplaceEdit::Deselect() {
  if (HandleAllocated()) SendMessage(GetHandle(), EM_SETSEL, WPARAM(0x7FFFFFFF), LPARAM(-1));
}

void TInplaceEdit::Invalidate() {
  if (!HandleAllocated()) return;
  HWND Wnd = GetHandle();
  ValidateRect(Wnd, nullptr);
  ::InvalidateRect(Wnd, nullptr, true);
  if (FGrid && FGrid->HandleAllocated()) {
    TRect R = GetClientRect();
    MapWindowPoints(Wnd, FGrid->GetHandle(), R);
    ValidateRect(FGrid->GetHandle(), &R);
    ::InvalidateRect(FGrid->GetHandle(), &R, false);
  }
}

bool TInplaceEdit::CaretAtStart() const {
  const Integer Start = FBuffer.GetSelStart(), End = Start + FBuffer.GetSelLength();
  return FBuffer.GetCaret() == 0 && Start == 0 && (End == 0 || End == FBuffer.Length());
}

bool TInplaceEdit::CaretAtEnd() const {
  const Integer Len = FBuffer.Length();
  const Integer Start = FBuffer.GetSelStart(), End = Start + FBuffer.GetSelLength();
  return FBuffer.GetCaret() == Len && (Start == 0 || FBuffer.GetSelLength() == 0) && End == Len;
}

void TInplaceEdit::WndProc(TMessage& Message) {
  switch (Message.Msg) {
    case WM_SETFOCUS: {
      TCustomForm* Form = GetParentForm(this);
      if (Form && FGrid && !Form->SetFocusedControl(FGrid)) return;
      Dispatch(Message);
      return;
    }
    case WM_LBUTTONDOWN:
      // A quick second click after the grid's click on the cell is a double click.
      if (DWORD(GetMessageTime() - FClickTime) < GetDoubleClickTime()) Message.Msg = WM_LBUTTONDBLCLK;
      FClickTime = 0;
      break;
    default: break;
  }
  TInplaceEditBase::WndProc(Message);
}

void TInplaceEdit::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CM_SHOWINGCHANGED: return;  // shown and hidden only through SetWindowPos
    case WM_GETDLGCODE:
      TInplaceEditBase::Dispatch(Message);
      if (FGrid && FGrid->GetOptions().Contains(goTabs)) Message.Result |= DLGC_WANTTAB;
      return;
    case WM_PASTE:
    case WM_CUT:
    case WM_CLEAR:
      if (EditCanModify()) TInplaceEditBase::Dispatch(Message);
      return;
    default: TInplaceEditBase::Dispatch(Message); return;
  }
}

bool TInplaceEdit::DoMouseWheelDown(TShiftState Shift, TPoint MousePos) {
  return FGrid ? FGrid->DoMouseWheelDown(Shift, MousePos) : TInplaceEditBase::DoMouseWheelDown(Shift, MousePos);
}

bool TInplaceEdit::DoMouseWheelUp(TShiftState Shift, TPoint MousePos) {
  return FGrid ? FGrid->DoMouseWheelUp(Shift, MousePos) : TInplaceEditBase::DoMouseWheelUp(Shift, MousePos);
}

void TInplaceEdit::KeyDown(Word& Key, TShiftState Shift) {
  if (!FGrid) {
    TInplaceEditBase::KeyDown(Key, Shift);
    return;
  }
  auto SendToGrid = [&] {
    FGrid->KeyDown(Key, Shift);
    Key = 0;
  };
  auto GridEvent = [&] {
    if (FGrid->OnKeyDown) FGrid->OnKeyDown(FGrid, Key, Shift);
  };
  const bool ForwardMovement = FGrid->GetOptions().Contains(goAlwaysShowEditor);
  const bool Ctrl = Shift.Contains(ssCtrl);
  const bool NoShifts = !Shift.Contains(ssShift) && !Shift.Contains(ssCtrl) && !Shift.Contains(ssAlt);
  switch (Key) {
    case VK_UP:
    case VK_DOWN:
    case VK_PRIOR:
    case VK_NEXT:
    case VK_ESCAPE: SendToGrid(); break;
    case VK_INSERT:
      if (NoShifts) SendToGrid();
      else if (Shift.Contains(ssShift) && !Ctrl && !Shift.Contains(ssAlt) && !FGrid->CanEditModify()) Key = 0;
      break;
    case VK_LEFT:
    case VK_HOME:
      if (ForwardMovement && (Ctrl || CaretAtStart())) SendToGrid();
      break;
    case VK_RIGHT:
    case VK_END:
      if (ForwardMovement && (Ctrl || CaretAtEnd())) SendToGrid();
      break;
    case VK_DELETE:
      if (Ctrl) SendToGrid();
      else if (!FGrid->CanEditModify()) Key = 0;
      break;
    case VK_TAB:
      if (!Shift.Contains(ssAlt)) SendToGrid();
      break;
    case VK_F2:
      GridEvent();
      if (Key == VK_F2) {
        Deselect();
        return;
      }
      break;
    default: break;
  }
  if (Key != 0) {
    GridEvent();
    TInplaceEditBase::KeyDown(Key, Shift);
  }
}

void TInplaceEdit::KeyPress(Char& Key) {
  if (FGrid) {
    FGrid->KeyPress(Key);
    if (Key >= 32 && !FGrid->CanEditAcceptKey(Key)) {
      Key = 0;
      MessageBeep(0);
    }
    switch (Key) {
      case 9:
      case 27: Key = 0; break;
      case 13:
        if (GetSelStart() == 0 && GetSelLength() == GetTextLen()) Deselect();
        else SelectAll();
        Key = 0;
        break;
      case 8:
      case 22:
      case 24:
        if (!FGrid->CanEditModify()) Key = 0;
        break;
      default:
        if (Key >= 32 && !FGrid->CanEditModify()) Key = 0;
        break;
    }
  }
  if (Key != 0) TInplaceEditBase::KeyPress(Key);
}

void TInplaceEdit::KeyUp(Word& Key, TShiftState Shift) {
  if (FGrid) FGrid->KeyUp(Key, Shift);
  else TInplaceEditBase::KeyUp(Key, Shift);
}

// ---- The grid's editor upkeep ----------------------------------------------------------------------
std::unique_ptr<TInplaceEdit> TCustomGridEh::CreateEditor() { return std::make_unique<TInplaceEdit>(nullptr); }

bool TCustomGridEh::EnsureInplaceEdit() {
  if (FInplaceEdit) return false;
  FInplaceEdit = CreateEditor();
  FInplaceEdit->SetGrid(this);
  FInplaceEdit->SetFont(GetFont());
  FInplaceEdit->SetParent(this);
  return true;
}

bool TCustomGridEh::CanEditShow() {
  return FOptions.Contains(goEditing) && !FOptions.Contains(goRowSelect) && FEditorMode &&
         !GetComponentState().Contains(csDesigning) && HandleAllocated() &&
         (FOptions.Contains(goAlwaysShowEditor) || IsActiveControl());
}

void TCustomGridEh::UpdateEdit() {
  if (!CanEditShow()) return;
  auto Load = [&] {
    FInplaceCol = FCurrent.X;
    FInplaceRow = FCurrent.Y;
    FInplaceEdit->UpdateContents();
    FCanEditModify = FInplaceEdit->GetMaxLength() != -1;
    FInplaceEdit->SelectAll();
  };
  if (EnsureInplaceEdit()) {
    Load();
  } else if (FCurrent.X != FInplaceCol || FCurrent.Y != FInplaceRow) {
    HideEdit();
    Load();
  }
  if (CanEditShow()) FInplaceEdit->Move(CellEditRect(FCurrent.X, FCurrent.Y));
}

void TCustomGridEh::UpdateText() {
  if (FInplaceCol != -1 && FInplaceRow != -1 && FInplaceEdit)
    SetEditText(FInplaceCol, FInplaceRow, FInplaceEdit->GetText());
}

void TCustomGridEh::HideEdit() {
  if (!FInplaceEdit) return;
  UpdateText();
  FInplaceCol = -1;
  FInplaceRow = -1;
  FInplaceEdit->Hide();
}

void TCustomGridEh::ShowEditor() {
  FEditorMode = true;
  UpdateEdit();
}

void TCustomGridEh::HideEditor() {
  FEditorMode = false;
  HideEdit();
}

void TCustomGridEh::ShowEditorChar(Char Ch) {
  ShowEditor();
  if (FInplaceEdit && FInplaceEdit->HandleAllocated()) PostMessage(FInplaceEdit->GetHandle(), WM_CHAR, WPARAM(Ch), 0);
}

void TCustomGridEh::InvalidateEditor() {
  FInplaceCol = -1;
  FInplaceRow = -1;
  UpdateEdit();
}

void TCustomGridEh::SetEditorMode(bool Value) {
  if (!Value) {
    HideEditor();
    return;
  }
  ShowEditor();
  if (FInplaceEdit) FInplaceEdit->Deselect();
}
