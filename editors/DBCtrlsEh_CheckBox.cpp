// TCustomDBCheckBoxEh: the data-aware three-state check box.
//
// Index of this file:
//   construction   the link with its own value False
//   state          the State setter, reading the state from the field, writing it
//   input          toggling by mouse, space and accelerator; Esc restores
//   painting       the box by the button painter, the caption, the focus rectangle
//
// A user's toggle changes the state and marks the link modified; the state is
// written when the dataset writes its record (leaving the box, Post). Setting State
// in code writes it at once.

#include <algorithm>

#include "editors/DBCtrlsEh.h"
#include "editors/DBCtrlsEh_Internal.h"
#include "editors/DaVirVCL.h"
#include "platform/ui/Forms.h"

using namespace dbctrlseh_detail;

namespace {

// The platform's texts of the two Boolean values, the default value lists.
const String& STextTrue = CheckBoxDefaultValueChecked();
const String& STextFalse = CheckBoxDefaultValueUnchecked();

// The first item of a ';'-separated value list.
String FirstItem(const String& List) {
  Integer pos = 1;
  return ExtractFieldName(List, pos);
}

}  // namespace

// ---- construction --------------------------------------------------------------------------------------

TCustomDBCheckBoxEh::TCustomDBCheckBoxEh(TComponent* AOwner)
    : TButtonControl(AOwner), FValueChecked(STextTrue), FValueUnchecked(STextFalse) {
  SetBounds(0, 0, 97, 17);
  FTabStop = true;
  FControlStyle.Include(csReplicatable);
  FControlStyle.Exclude(csDoubleClicks);
  FDataLink = std::make_unique<TFieldDataLinkEh>();
  FDataLink->SetControl(this);
  FDataLink->OnDataChange = [this](TObject* Sender) { DataChange(Sender); };
  FDataLink->OnUpdateData = [this](TObject* Sender) { UpdateData(Sender); };
  FDataLink->SetValue(Variant(false));
}

TCustomDBCheckBoxEh::~TCustomDBCheckBoxEh() {
  Destroying();
  FDataLink->OnDataChange = nullptr;
  FDataLink->OnUpdateData = nullptr;
}

// ---- state ------------------------------------------------------------------------------------------------

void TCustomDBCheckBoxEh::SetState(TCheckBoxState Value) {
  if (!DataIndependent())
    if (TDataSet* ds = FDataLink->GetDataSet()) ds->Edit();
  InternalSetState(Value);
  if (!FUpdatingData) CommitState();
}

void TCustomDBCheckBoxEh::InternalSetState(TCheckBoxState Value) {
  if (FState == Value) return;
  FState = Value;
  // The window hears of each new state, so a hook on it sees the box change.
  if (HandleAllocated()) SendMessage(GetHandle(), BM_SETCHECK, WPARAM(FState), 0);
  if (!GetClicksDisabled()) TButtonControl::Click();
  Invalidate();
  FModified = true;
}

bool TCustomDBCheckBoxEh::ValueMatch(const String& ValueList, const String& Value) const {
  Integer pos = 1;
  while (pos <= Integer(ValueList.size())) {
    if (CompareTextUserLocaleEh(ExtractFieldName(ValueList, pos), Value) == 0) return true;
  }
  return !ValueList.empty() && ValueList.back() == u';' && Value.empty();
}

TCheckBoxState TCustomDBCheckBoxEh::FieldState() const {
  if (FDataLink->GetDataIndependent()) {
    const Variant& value = FDataLink->GetDataValue();
    if (value.VarType() != varBoolean) return cbGrayed;
    return value.AsBoolean() ? cbChecked : cbUnchecked;
  }
  TField* field = GetField();
  if (!field) return cbUnchecked;
  if (field->GetDataType() == ftBoolean && FValueChecked == STextTrue && FValueUnchecked == STextFalse) {
    if (field->GetIsNull()) return cbGrayed;
    return field->GetAsBoolean() ? cbChecked : cbUnchecked;
  }
  const String text = field->GetText();
  if (ValueMatch(FValueChecked, text)) return cbChecked;
  if (ValueMatch(FValueUnchecked, text)) return cbUnchecked;
  return cbGrayed;
}

void TCustomDBCheckBoxEh::DataChange(TObject*) {
  InternalSetState(FieldState());
  FModified = false;
}

void TCustomDBCheckBoxEh::UpdateData(TObject*) { CommitState(); }

void TCustomDBCheckBoxEh::CommitState() {
  bool handled = false;
  {
    TFlagScope running(FUpdatingData);
    if (OnUpdateData) OnUpdateData(this, handled);
  }
  if (!handled) WriteState();
}

void TCustomDBCheckBoxEh::WriteState() {
  if (DataIndependent()) {
    FDataLink->SetValue(FState == cbGrayed ? Null() : Variant(GetChecked()));
    return;
  }
  TField* field = GetField();
  if (!field) return;
  if (FState == cbGrayed) field->Clear();
  else if (field->GetDataType() == ftBoolean) field->SetAsBoolean(GetChecked());
  else field->SetText(FirstItem(GetChecked() ? FValueChecked : FValueUnchecked));
}

void TCustomDBCheckBoxEh::Toggle() {
  if (!FDataLink->Edit()) return;
  switch (FState) {
    case cbUnchecked: InternalSetState(FAllowGrayed ? cbGrayed : cbChecked); break;
    case cbChecked: InternalSetState(cbUnchecked); break;
    case cbGrayed: InternalSetState(cbChecked); break;
  }
  FDataLink->Modified();
  Invalidate();
}

void TCustomDBCheckBoxEh::SetValueChecked(const String& Value) {
  FValueChecked = Value;
  DataChange(this);
}

void TCustomDBCheckBoxEh::SetValueUnchecked(const String& Value) {
  FValueUnchecked = Value;
  DataChange(this);
}

void TCustomDBCheckBoxEh::SetAlignment(TAlignment Value) {
  if (FAlignment == Value) return;
  FAlignment = Value;
  RecreateWnd();
}

void TCustomDBCheckBoxEh::SetAlwaysShowBorder(bool Value) {
  if (FAlwaysShowBorder == Value) return;
  FAlwaysShowBorder = Value;
  Invalidate();
}

void TCustomDBCheckBoxEh::SetFlat(bool Value) {
  if (FFlat == Value) return;
  FFlat = Value;
  RecreateWnd();
}

void TCustomDBCheckBoxEh::SetDataField(const String& Value) { FDataLink->SetFieldName(Value); }

void TCustomDBCheckBoxEh::SetDataSource(TDataSource* Value) {
  if (!(FDataLink->GetDataSourceFixed() && GetComponentState().Contains(csLoading))) FDataLink->SetDataSource(Value);
  if (Value) Value->FreeNotification(this);
}

void TCustomDBCheckBoxEh::Notification(TComponent* AComponent, TOperation Operation) {
  TButtonControl::Notification(AComponent, Operation);
  if (Operation == opRemove && FDataLink && AComponent == FDataLink->GetDataSource()) SetDataSource(nullptr);
}

// ---- input -----------------------------------------------------------------------------------------------

void TCustomDBCheckBoxEh::Click() {
  Toggle();
  TButtonControl::Click();
}

bool TCustomDBCheckBoxEh::ExecuteAction(TBasicAction* Action) {
  return TButtonControl::ExecuteAction(Action) || FDataLink->ExecuteAction(Action);
}

bool TCustomDBCheckBoxEh::UpdateAction(TBasicAction* Action) {
  return TButtonControl::UpdateAction(Action) || FDataLink->UpdateAction(Action);
}

void TCustomDBCheckBoxEh::Pressed() {
  if (!GetClicksDisabled()) Toggle();
}

void TCustomDBCheckBoxEh::KeyPress(Char& Key) {
  TButtonControl::KeyPress(Key);
  if (Key == VK_BACK || Key == u' ') {
    FDataLink->Edit();
  } else if (Key == VK_ESCAPE) {
    FDataLink->Reset();
  }
}

void TCustomDBCheckBoxEh::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      if (!Focused() && CanFocus()) {
        // Focusing may read the field again: that is no click of the user's.
        SetClicksDisabled(true);
        SetFocus();
        SetClicksDisabled(false);
        if (!Focused()) return;
      }
      break;
    case CM_DIALOGCHAR:
      if (IsAccel(Char(Message.WParam)) && CanFocus()) {
        SetFocus();
        if (Focused()) Toggle();
        Message.Result = 1;
      }
      return;
    case CM_EXIT: FDataLink->UpdateRecord(); break;
    case CM_GETDATALINK: Message.Result = reinterpret_cast<LRESULT>(FDataLink.get()); return;
    case CM_WANTSPECIALKEY:
      if (Message.WParam == VK_ESCAPE && FModified) {
        Message.Result = 1;
        return;
      }
      break;
    case WM_CANCELMODE:
      if (HandleAllocated() && GetCapture() == GetHandle()) {
        ReleaseCapture();
        Perform(WM_LBUTTONUP, 0, MakeLParam(-1, -1));
      }
      break;
    case CM_MOUSEENTER:
    case CM_MOUSELEAVE:
      FMouseInControl = Message.Msg == CM_MOUSEENTER;
      Invalidate();
      break;
    case WM_LBUTTONUP:
    case WM_SIZE: Invalidate(); break;
    default: break;
  }
  TButtonControl::Dispatch(Message);
}

void TCustomDBCheckBoxEh::DefaultHandler(TMessage& Message) {
  switch (Message.Msg) {
    // The box is its own check: the window keeps no state of its own.
    case BM_SETCHECK: return;
    case BM_GETCHECK: Message.Result = FState; return;
    default: TButtonControl::DefaultHandler(Message);
  }
}

// ---- painting ---------------------------------------------------------------------------------------------

void TCustomDBCheckBoxEh::CreateParams(TCreateParams& Params) {
  TButtonControl::CreateParams(Params);
  // The link compares this style with its field's (and re-creates the window).
  if (DBUseRightToLeftAlignment(this, FDataLink ? FDataLink->GetField() : nullptr)) Params.ExStyle |= WS_EX_RIGHT;
  else Params.ExStyle &= ~DWORD(WS_EX_RIGHT);
}

void TCustomDBCheckBoxEh::CreateWnd() {
  TButtonControl::CreateWnd();
  SendMessage(GetHandle(), BM_SETCHECK, WPARAM(FState), 0);
}

void TCustomDBCheckBoxEh::PaintButton(TCanvas*) { Paint(); }

void TCustomDBCheckBoxEh::Paint() { PaintCheckBox(); }

void TCustomDBCheckBoxEh::PaintCheckBox() {
  TCanvas* canvas = FCanvas.get();
  const TRect client = GetClientRect();
  canvas->GetBrush()->SetStyle(bsSolid);
  canvas->GetBrush()->SetColor(GetColor());
  canvas->FillRect(client);
  const TSize box = GetCheckBoxSizeEh();
  const Integer top = client.Top + (client.Height() - box.cy) / 2;
  const bool boxAtLeft = (FAlignment == taRightJustify) != UseRightToLeftAlignment();
  TRect boxRect, captionRect;
  if (boxAtLeft) {
    boxRect = Bounds(client.Left, top, box.cx, box.cy);
    captionRect = TRect(boxRect.Right + 5, client.Top, client.Right, client.Bottom);
  } else {
    boxRect = Bounds(client.Right - box.cx, top, box.cx, box.cy);
    captionRect = TRect(client.Left, client.Top, boxRect.Left - 5, client.Bottom);
  }
  if (FControlState.Contains(csPaintCopy)) {
    DrawCheck(boxRect, FieldState(), false, FAlwaysShowBorder);
    DrawCaption(captionRect, false);
    return;
  }
  const bool focused = Focused();
  const bool pressed = FPressedDown && FMouseInside;
  const bool active = FMouseInControl || focused || FAlwaysShowBorder;
  DrawCheck(boxRect, FState, pressed, active);
  DrawCaption(captionRect, focused);
}

void TCustomDBCheckBoxEh::DrawCheck(TRect ARect, TCheckBoxState AState, bool Pressed, bool Active) {
  PaintButtonControlEh(FCanvas.get(), ARect, GetColor(), bcsCheckboxEh, Pressed ? 1 : 0, FFlat, Active, GetEnabled(),
                       TCheckBoxStateEh(AState));
}

void TCustomDBCheckBoxEh::DrawCaption(TRect ARect, bool IsFocused) {
  TCanvas* canvas = FCanvas.get();
  canvas->SetFont(GetFont());
  const String text = GetCaption();
  HDC dc = canvas->GetHandle();
  SetBkMode(dc, TRANSPARENT);
  const UINT format = DT_SINGLELINE | DT_VCENTER | (UseRightToLeftReading() ? DT_RIGHT | DT_RTLREADING : DT_LEFT);
  if (!GetEnabled()) {
    TRect shifted = ARect;
    OffsetRect(shifted, 1, 1);
    SetTextColor(dc, ColorToRGB(clBtnHighlight));
    DrawText(dc, text, -1, shifted, format);
    SetTextColor(dc, ColorToRGB(clGrayText));
  } else {
    SetTextColor(dc, ColorToRGB(GetFont()->GetColor()));
  }
  DrawText(dc, text, -1, ARect, format);
  if (!IsFocused || text.empty()) return;
  TRect need = ARect;
  DrawText(dc, text, -1, need, (format & ~DT_VCENTER) | DT_CALCRECT);
  // Measuring keeps the left edge; right-aligned text ends at the right one.
  if (format & DT_RIGHT) OffsetRect(need, ARect.Right - need.Right, 0);
  const Integer height = need.Height();
  need.Top = ARect.Top + (ARect.Height() - height) / 2;
  need.Bottom = need.Top + height;
  InflateRect(need, 1, 1);
  TRect focus;
  IntersectRect(focus, need, GetClientRect());
  DrawFocusRect(dc, focus);
}
