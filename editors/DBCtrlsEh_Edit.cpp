// TCustomDBEditEh: construction, the value and text model, the properties and the
// in-place mode.
//
// Index of this file:
//   construction   the parts the factories make, destruction
//   value model    Text and Value setters, DataChanged (field to text),
//                  UpdateData and CommitValue (text to field)
//   properties     alignment, mask, flags that re-create the window
//   binding        data source, data field, the maximum length
//   in-place       the holder, MoveToRect, showing and hiding in place
//
// Call flow of a commit: the Text setter (or the link's update-data notification,
// when the dataset writes its record) -> CommitValue -> OnUpdateData, or
// UpdateData -> the link's SetText -> the field.

#include <algorithm>
#include <cmath>
#include <utility>

#include "editors/DBCtrlsEh.h"
#include "editors/DBCtrlsEh_Internal.h"
#include "platform/core/Strings.h"
#include "platform/ui/ControlPaint.h"
#include "platform/ui/Menus.h"
#include "platform/ui/Forms.h"
#include "platform/ui/WindowSystem.h"

using namespace dbctrlseh_detail;

namespace {

const String SInplaceHolderWithoutInterface = u"InplaceEditHolder have to support IInplaceEditHolderEh interface";

Integer LibraryButtonWidth = 0;

}  // namespace

void InitDBCtrlsEhUnit() { LibraryButtonWidth = GetDefaultEditButtonWidthEh(); }

Integer DefaultEditButtonWidthEh() {
  if (LibraryButtonWidth <= 0) InitDBCtrlsEhUnit();
  return LibraryButtonWidth;
}

void SetInplaceEditOnKeyUpEh(IInplaceEditEh* Edit, const TKeyEvent& Value) {
  if (auto* control = dynamic_cast<TWinControl*>(Edit)) control->OnKeyUp = Value;
}

// ---- construction --------------------------------------------------------------------------------------

TCustomDBEditEh::TCustomDBEditEh(TComponent* AOwner)
    : TCustomMaskEdit(AOwner), FMRUList(std::make_unique<TMRUListEh>(this)) {
  FControlStyle.Include(csCaptureMouse);
  FControlStyle.Include(csReplicatable);
  // Enter and Tab belong to the dialog unless WantReturns and WantTabs say otherwise.
  FWantReturns = false;
  FWantTabs = false;
  FMRUList->OnSetDropDownEvent = [this](TObject* Sender) { MRUListDropDown(Sender); };
  FMRUList->OnSetCloseUpEvent = [this](TObject* Sender, bool Accept) { MRUListCloseUp(Sender, Accept); };
  CreateParts();
}

TCustomDBEditEh::~TCustomDBEditEh() {
  Destroying();
  if (FDataLink) {
    FDataLink->OnDataChange = nullptr;
    FDataLink->OnEditingChange = nullptr;
    FDataLink->OnUpdateData = nullptr;
    FDataLink->OnActiveChange = nullptr;
  }
}

void TCustomDBEditEh::CreateParts() {
  FDataLink = CreateDataLink();
  FDataLink->SetControl(this);
  FDataLink->OnDataChange = [this](TObject*) { DataChanged(); };
  FDataLink->OnEditingChange = [this](TObject* Sender) { EditingChange(Sender); };
  FDataLink->OnUpdateData = [this](TObject*) { CommitValue(); };
  FDataLink->OnActiveChange = [this](TObject* Sender) { ActiveChange(Sender); };
  FEditButton = CreateEditButton();
  FEditButton->OnChanged = [this](TObject* Sender) { EditButtonChanged(Sender); };
  FEditButtons = CreateEditButtons();
  FEditButtons->OnChanged = [this](TObject* Sender) { EditButtonChanged(Sender); };
  FEditImage = CreateEditImage();
  UpdateControlReadOnly();
  UpdateImageIndex();
}

bool TCustomDBEditEh::IsDataActive() { return GetEnabled() && FDataLink->LinkActive(); }

std::unique_ptr<TFieldDataLinkEh> TCustomDBEditEh::CreateDataLink() { return std::make_unique<TFieldDataLinkEh>(); }

std::unique_ptr<TEditButtonEh> TCustomDBEditEh::CreateEditButton() { return std::make_unique<TEditButtonEh>(this); }

TEditButtonControlEh* TCustomDBEditEh::CreateEditButtonControl() {
  auto* control = new TEditButtonControlEh(this);
  control->SetParent(this);
  control->SetBounds(0, 0, 10, 17);
  control->SetVisible(true);
  control->SetTransparent(false);
  control->SetControlStyle(control->GetControlStyle() + csReplicatable);
  return control;
}

std::unique_ptr<TEditButtonsEh> TCustomDBEditEh::CreateEditButtons() {
  return std::make_unique<TEditButtonsEh>(this, TVisibleEditButtonEh::StaticItemClass());
}

std::unique_ptr<TEditImageEh> TCustomDBEditEh::CreateEditImage() { return std::make_unique<TEditImageEh>(this); }

TMRUListboxEh* TCustomDBEditEh::CreateMRUListbox() {
  auto* list = new TMRUListboxEh(this);
  list->SetVisible(false);
  list->SetCtl3D(false);
  list->SetSorted(true);
  list->OnMouseUp = [this](TObject* Sender, TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
    MRUListboxMouseUp(Sender, Button, Shift, X, Y);
  };
  return list;
}

// ---- value model ------------------------------------------------------------------------------------------

void TCustomDBEditEh::SetText(const String& Value) {
  if (!DataIndependent())
    if (TDataSet* ds = FDataLink->GetDataSet()) ds->Edit();
  InternalSetText(Value);
  if (!FInUpdateData) CommitValue();
}

void TCustomDBEditEh::SetVarValue(const Variant& Value) {
  if (!DataIndependent())
    if (TDataSet* ds = FDataLink->GetDataSet()) ds->Edit();
  InternalSetValue(Value);
  if (!FInUpdateData) CommitValue();
}

void TCustomDBEditEh::Clear() { SetText(String()); }

Variant TCustomDBEditEh::GetVariantValue() { return Variant(GetText()); }

void TCustomDBEditEh::InternalSetText(const String& AText) { SetEditTextDirect(AText); }

void TCustomDBEditEh::SetEditTextDirect(const String& AText) {
  TFlagScope setting(FSettingText);
  TCustomMaskEdit::SetText(AText);
}

void TCustomDBEditEh::InternalSetValue(const Variant& AValue) { InternalSetText(VarToStr(AValue)); }

void TCustomDBEditEh::DataChanged() {
  TField* field = GetField();
  if (field) {
    if (!FAlignmentAssigned) Invalidate();  // the editor follows the field's alignment
    if (!FEditMaskAssigned) SetEditMaskQuiet(field->GetEditMask());
    if (IsStringField(field) && GetMaxLength() == 0) SetMaxLength(field->GetSize());
    if (FFocused && FDataLink->CanModify())
      InternalSetText(IsMemoField(field) ? field->GetAsString() : field->GetText());
    else SetEditTextDirect(IsMemoField(field) ? field->GetAsString() : field->GetDisplayText());
  } else if (DataIndependent()) {
    if (!FEditMaskAssigned) SetEditMaskQuiet(String());
    InternalSetText(ValueText(FDataLink->GetDataValue()));
  } else {
    if (!FEditMaskAssigned) SetEditMaskQuiet(String());
    SetEditTextDirect(String());
  }
  UpdateControlReadOnly();
  SetModified(false);
}

// An editor bound to nothing keeps in its value the input positions only: the
// literals are the mask's, not the value's (callers read the value so). The
// mask puts them back when the value is shown again (DataChanged).
void TCustomDBEditEh::UpdateData() {
  if (!DataIndependent() || !IsMasked()) {
    FDataLink->SetText(GetText());
    return;
  }
  const String edit = GetEditText();
  String text;
  for (Integer p = 0; p < GetMask().Length() && p < Integer(edit.size()); ++p) {
    if (GetMask().IsLiteral(p)) continue;
    const Char c = edit[size_t(p)];
    text += c == GetMask().BlankChar() ? u' ' : c;
  }
  FDataLink->SetText(text);
}

String TCustomDBEditEh::ValueText(const Variant& AValue) const {
  const String value = VarToStr(AValue);
  const TEditMask& mask = GetMask();
  if (mask.IsEmpty() || !mask.SaveLiterals()) return value;
  Integer inputs = 0;
  for (Integer p = 0; p < mask.Length(); ++p) inputs += mask.IsLiteral(p) ? 0 : 1;
  // Any other text is the mask's to read, with its literals or without them.
  if (Integer(value.size()) != inputs) return value;
  String text;
  size_t v = 0;
  for (Integer p = 0; p < mask.Length(); ++p) text += mask.IsLiteral(p) ? mask.Cell(p).Literal : value[v++];
  return text;
}

void TCustomDBEditEh::CommitValue() {
  if (FFocused) ValidateEdit();
  bool handled = false;
  {
    TFlagScope running(FInUpdateData);
    if (OnUpdateData) OnUpdateData(this, handled);
  }
  if (!handled) UpdateData();
  SetModified(false);
  if (FMRUList->GetActive() && FMRUList->GetAutoAdd() && GetShowing()) FMRUList->Add(GetText());
}

void TCustomDBEditEh::Change() {
  FDataLink->Modified();
  SetModified(true);
  TCustomMaskEdit::Change();
  UpdateImageIndex();
}

void TCustomDBEditEh::Reset() {
  FDataLink->Reset();
  SelectAll();
}

void TCustomDBEditEh::EditingChange(TObject*) { UpdateControlReadOnly(); }

void TCustomDBEditEh::InitiateAction() {
  TCustomMaskEdit::InitiateAction();
  if (FEditButton) FEditButton->InitiateAction();
  if (FEditButtons)
    for (Integer i = 0; i < FEditButtons->GetCount(); ++i) FEditButtons->Items(i)->InitiateAction();
}

bool TCustomDBEditEh::ExecuteAction(TBasicAction* Action) {
  return TCustomMaskEdit::ExecuteAction(Action) || FDataLink->ExecuteAction(Action);
}

bool TCustomDBEditEh::UpdateAction(TBasicAction* Action) {
  return TCustomMaskEdit::UpdateAction(Action) || FDataLink->UpdateAction(Action);
}

void TCustomDBEditEh::ActiveChange(TObject*) {
  SetMaxLength(GetMaxLength());
  UpdateEditButtonControlsState();
}

void TCustomDBEditEh::UpdateControlReadOnly() {
  TDataSet* ds = FDataLink->GetDataSet();
  bool readOnly = FReadOnly;
  if (!readOnly && !FDataLink->GetEditing()) readOnly = !(OnUpdateData && ds && ds->GetState() == dsEdit);
  if (!readOnly && FInplaceMode && HolderIntf() && !HolderIntf()->InplaceEditCanModify(this)) readOnly = true;
  TCustomMaskEdit::SetReadOnly(readOnly);
}

void TCustomDBEditEh::SetFocused(bool Value) {
  if (FFocused == Value) return;
  FFocused = Value;
  if (!WindowPaintsText() && !IsMasked()) Invalidate();
  FDataLink->Reset();
}

void TCustomDBEditEh::UpdateImageIndex() {
  if (!FEditImage || !FEditImage->GetVisible() || !FEditImage->GetImages()) return;
  Integer index = DefaultImageIndex();
  const Variant value = GetVariantValue();
  switch (value.VarType()) {
    case varSmallint:
    case varInteger:
    case varSingle:
    case varDouble:
    case varCurrency: index = Integer(std::lround(value.AsDouble())); break;
    default: break;
  }
  if (FOnGetImageIndex) FOnGetImageIndex(this, index);
  FEditImage->SetImageIndex(index);
}

void TCustomDBEditEh::SetOnGetImageIndex(const TGetImageIndexEventEh& Value) {
  FOnGetImageIndex = Value;
  UpdateImageIndex();
}

// ---- properties --------------------------------------------------------------------------------------------

TAlignment TCustomDBEditEh::DefaultAlignment() {
  TField* field = GetField();
  return field ? field->GetAlignment() : taLeftJustify;
}

String TCustomDBEditEh::DefaultEditMask() {
  TField* field = GetField();
  return field ? field->GetEditMask() : String();
}

TAlignment TCustomDBEditEh::GetAlignment() { return FAlignmentAssigned ? FAlignmentEh : DefaultAlignment(); }

TAlignment TCustomDBEditEh::GetEffectiveAlignment() {
  const TAlignment alignment = GetAlignment();
  if (!DBUseRightToLeftAlignment(this, GetField()) || alignment == taCenter) return alignment;
  return alignment == taLeftJustify ? taRightJustify : taLeftJustify;
}

void TCustomDBEditEh::SetAlignment(TAlignment Value) {
  FAlignmentEh = Value;
  FAlignmentAssigned = true;
  if (!GetComponentState().Contains(csLoading)) RecreateWnd();
}

void TCustomDBEditEh::SetEditMask(const String& Value) {
  if (FEditMaskAssigned && GetEditMask() == Value) return;
  const bool keepText = GetComponentState().Contains(csLoading) && DataIndependent();
  const String text = GetText();
  TCustomMaskEdit::SetEditMask(Value);
  FEditMaskAssigned = true;
  if (keepText) SetEditTextDirect(text);
  if (DataIndependent()) UpdateData();
  else DataChanged();
}

String TCustomDBEditEh::EmptyMaskText() const { return GetMask().EmptyEditText(); }

void TCustomDBEditEh::SetAlwaysShowBorder(bool Value) {
  FAlwaysShowBorder = Value;
  UpdateBorderState();
}

void TCustomDBEditEh::SetAutoSize(bool Value) {
  if (GetAutoSize() == Value) return;
  TCustomMaskEdit::SetAutoSize(Value);
  UpdateHeight();
}

void TCustomDBEditEh::SetFlat(bool Value) {
  if (FFlat == Value) return;
  FFlat = Value;
  RecreateWnd();
}

void TCustomDBEditEh::SetHighlightRequired(bool Value) {
  if (FHighlightRequired == Value) return;
  FHighlightRequired = Value;
  Invalidate();
}

void TCustomDBEditEh::SetImages(TCustomImageList* Value) {
  FEditImage->SetImages(Value);
  FEditImage->SetVisible(true);
}

void TCustomDBEditEh::SetReadOnly(bool Value) {
  FReadOnly = Value;
  UpdateControlReadOnly();
}

void TCustomDBEditEh::SetShowHint(bool Value) {
  FShowHint = Value;
  UpdateShowHint();
}

void TCustomDBEditEh::SetTooltips(bool Value) {
  FTooltips = Value;
  UpdateShowHint();
}

void TCustomDBEditEh::UpdateShowHint() { TCustomMaskEdit::SetShowHint(FTooltips || FShowHint); }

void TCustomDBEditEh::SetWordWrap(bool Value) {
  if (FWordWrapEh == Value) return;
  FWordWrapEh = Value;
  RecreateWnd();
}

void TCustomDBEditEh::SetPasswordChar(Char Value) {
  TCustomMaskEdit::SetPasswordChar(Value);
  RecreateWnd();
}

void TCustomDBEditEh::UpdateHeight() {
  if (GetAutoSize() && GetBorderStyle() == bsSingle) {
    FControlStyle.Include(csFixedHeight);
    AdjustHeight();
  } else {
    FControlStyle.Exclude(csFixedHeight);
  }
}

void TCustomDBEditEh::AdjustHeight() {
  if (!GetAutoSize() || GetBorderStyle() != bsSingle) return;
  const Integer margin = ((GetCtl3D() ? 8 : 6) - (FFlat ? 2 : 0)) * GetSystemMetrics(SM_CYBORDER);
  Integer height = FontTextHeight(GetFont());
  if (FEditImage && FEditImage->GetImages() && FEditImage->GetUseImageHeight())
    height = std::max(height, FEditImage->GetImages()->GetHeight());
  SetHeight(margin + height);
}

void TCustomDBEditEh::Loaded() {
  TCustomMaskEdit::Loaded();
  ResetMaxLength();
  UpdateBorderState();
  if (FValueLoaded) {
    FValueLoaded = false;
    SetValue(std::exchange(FLoadedValue, Null()));
  }
}

void TCustomDBEditEh::Notification(TComponent* AComponent, TOperation Operation) {
  TCustomMaskEdit::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (FDataLink && AComponent == FDataLink->GetDataSource()) SetDataSource(nullptr);
  if (FEditImage && AComponent == FEditImage->GetImages()) FEditImage->SetImages(nullptr);
  if (AComponent == FInplaceEditHolder) {
    FInplaceEditHolder = nullptr;
    FInplaceMode = false;
  }
  if (AComponent == FMRUListbox) FMRUListbox = nullptr;
  auto clearMenu = [AComponent](TEditButtonEh* Button) {
    if (Button && Button->GetDropdownMenu() == AComponent) Button->SetDropdownMenu(nullptr);
  };
  clearMenu(FEditButton.get());
  if (FEditButtons)
    for (Integer i = 0; i < FEditButtons->GetCount(); ++i) clearMenu(FEditButtons->Items(i));
}

// ---- binding ------------------------------------------------------------------------------------------------

String TCustomDBEditEh::GetDataField() { return FDataLink->GetFieldName(); }

TDataSource* TCustomDBEditEh::GetDataSource() { return FDataLink->GetDataSource(); }

bool TCustomDBEditEh::IsValidChar(Char InputChar) {
  TField* field = GetField();
  return !field || field->IsValidChar(InputChar);
}

void TCustomDBEditEh::ResetMaxLength() {
  if (GetMaxLength() <= 0) return;
  TDataSet* ds = FDataLink->GetDataSet();
  TField* field = ds ? ds->FindField(GetDataField()) : nullptr;
  if (IsStringField(field) && field->GetSize() == GetMaxLength()) SetMaxLength(0);
}

void TCustomDBEditEh::SetDataField(const String& Value) {
  if (!GetComponentState().Contains(csLoading)) ResetMaxLength();
  FDataLink->SetFieldName(Value);
  UpdateEditButtonControlsState();
  Invalidate();
}

void TCustomDBEditEh::SetDataSource(TDataSource* Value) {
  if (!(FDataLink->GetDataSourceFixed() && GetComponentState().Contains(csLoading))) FDataLink->SetDataSource(Value);
  if (Value) Value->FreeNotification(this);
  DataChanged();
  UpdateEditButtonControlsState();
  Invalidate();
}

String TCustomDBEditEh::GetDisplayText() {
  if (FControlState.Contains(csPaintCopy)) {
    TField* field = GetField();
    String text = field ? field->GetDisplayText() : String();
    if (GetCharCase() == ecUpperCase) text = AnsiUpperCase(text);
    else if (GetCharCase() == ecLowerCase) text = AnsiLowerCase(text);
    return text;
  }
  return GetEditText();
}

// ---- in-place ------------------------------------------------------------------------------------------------

void TCustomDBEditEh::SetInplaceEditHolder(TWinControl* Value) {
  if (Value == FInplaceEditHolder) return;
  if (FInplaceEditHolder) FInplaceEditHolder->RemoveFreeNotification(this);
  FInplaceEditHolder = Value;
  FInplaceMode = Value != nullptr;
  if (!Value) return;
  Value->FreeNotification(this);
  if (!HolderIntf()) throw Exception(SInplaceHolderWithoutInterface);
}

IInplaceEditHolderEh* TCustomDBEditEh::HolderIntf() const {
  return FInplaceMode && FInplaceEditHolder ? dynamic_cast<IInplaceEditHolderEh*>(FInplaceEditHolder) : nullptr;
}

bool TCustomDBEditEh::GetVisible() const {
  if (FInplaceMode) return FHandle && IsWindowVisible(FHandle);
  return TCustomMaskEdit::GetVisible();
}

void TCustomDBEditEh::SetVisible(bool Value) {
  if (FInplaceMode && !Value) {
    InplaceHide();
    return;
  }
  TCustomMaskEdit::SetVisible(Value);
}

void TCustomDBEditEh::MoveToRect(const TRect& Rect) {
  if (!FInplaceMode) {
    SetBoundsRect(Rect);
    return;
  }
  InplaceShow(Rect, true);
}

void TCustomDBEditEh::InplaceShow(const TRect& Rect, bool ForceInvalidate) {
  if (Rect.IsEmpty()) {
    InplaceHide();
    return;
  }
  HandleNeeded();
  Invalidate();
  const bool wasHidden = !IsWindowVisible(FHandle);
  // An open MRU drop-down belongs to the old place.
  Perform(CM_CANCELMODE, 0, reinterpret_cast<LPARAM>(FInplaceEditHolder));
  // The host shows and hides the window; Visible follows it without a showing change.
  FVisible = true;
  SetWindowPos(FHandle, HWND_TOP, Rect.Left, Rect.Top, Rect.Width(), Rect.Height(), SWP_SHOWWINDOW);
  UpdateBounds();
  if (ForceInvalidate || wasHidden) Invalidate();
  if (FInplaceEditHolder && FInplaceEditHolder->Focused()) ::SetFocus(FHandle);
}

void TCustomDBEditEh::InplaceHide() {
  if (!FInplaceMode) {
    TCustomMaskEdit::SetVisible(false);
    return;
  }
  if (!FHandle || !IsWindowVisible(FHandle)) return;
  Invalidate();
  const bool hadFocus = GetFocus() == FHandle;
  FVisible = false;
  SetWindowPos(FHandle, nullptr, 0, 0, 0, 0, SWP_HIDEWINDOW | SWP_NOZORDER | SWP_NOMOVE | SWP_NOSIZE);
  if (hadFocus && FInplaceEditHolder) ::SetFocus(FInplaceEditHolder->GetHandle());
}

void TCustomDBEditEh::SetFocus() {
  if (FInplaceMode) {
    if (FHandle && IsWindowVisible(FHandle)) ::SetFocus(FHandle);
    return;
  }
  TCustomMaskEdit::SetFocus();
}
