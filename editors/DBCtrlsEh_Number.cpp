// TCustomDBNumberEditEh: the data-aware number editor and its popup calculator.
//
// Index of this file:
//   number text    normalising a typed text, telling a number, regrouping digits,
//                  the edit format of a display format
//   construction   the drop-down main button, the settings that follow the field
//   value model    CheckValue, the display text, InternalSetValue / InternalSetText,
//                  the change of the text, DataChanged, UpdateData
//   typing         IsValidChar, separators, Backspace over a group separator, paste
//   stepping       Up/Down, the wheel, the up-down button
//   calculator     DropDown, CloseUp, the keys and messages of the open calculator
//
// The value is kept beside the text: every change of the text reads it back
// (normalised, within the bounds, rounded), while the text itself stays as typed
// apart from the group separators. Focused, the value is written in the edit
// format (the number part of the display format); otherwise in the display format.

#include <algorithm>
#include <cmath>

#include "editors/DBCtrlsEh.h"
#include "editors/DBCtrlsEh_Internal.h"
#include "platform/core/Format.h"
#include "platform/core/Strings.h"
#include "platform/ui/Clipbrd.h"

using namespace dbctrlseh_detail;

namespace {

// ---- number text ---------------------------------------------------------------------------------------------

// The largest magnitude Currency holds; a value past it is shown without going through Currency.
constexpr Extended kCurrencyLimit = 922337203685477.5807L;
// Scaled values from here on cannot be rounded to a 64-bit integer.
constexpr Extended kRoundLimit = 9223372036854775807.0L;

bool NoShiftKey(TShiftState Shift) {
  return !Shift.Contains(ssShift) && !Shift.Contains(ssCtrl) && !Shift.Contains(ssAlt);
}

// A typed number as the conversion reads it: no blanks around, no group separators,
// "." and "," (when they are not the group separator) as the decimal separator.
String NormalizeNumberText(const String& Text) {
  const TFormatSettings& fs = FormatSettings;
  size_t begin = 0, end = Text.size();
  while (begin < end && Text[begin] <= u' ') ++begin;
  while (end > begin && Text[end - 1] <= u' ') --end;
  String s = Text.substr(begin, end - begin);
  if (fs.DecimalSeparator != fs.ThousandSeparator) std::erase(s, fs.ThousandSeparator);
  for (const Char point : {u'.', u','})
    if (fs.DecimalSeparator != point && fs.ThousandSeparator != point)
      std::replace(s.begin(), s.end(), point, fs.DecimalSeparator);
  return s;
}

// Whether a normalised text is a number: a lone sign is 0.
bool TextIsNumber(const String& Text, Extended& Value) {
  for (const Char c : Text)
    if (c != FormatSettings.DecimalSeparator && StringView(u"+-0123456789Ee").find(c) == StringView::npos) return false;
  if (Text == u"+" || Text == u"-") {
    Value = 0;
    return true;
  }
  return TryStrToFloat(Text, Value);
}

// The integer digits grouped by threes when the edit format groups them.
String RegroupNumberText(const String& Text, const String& EditFormat) {
  if (EditFormat.find(u',') == String::npos) return Text;
  size_t digits = 0;
  if (digits < Text.size() && (Text[0] == u'+' || Text[0] == u'-')) ++digits;
  size_t end = digits;
  while (end < Text.size() && Text[end] != FormatSettings.DecimalSeparator && Text[end] != u'E' && Text[end] != u'e')
    ++end;
  const String whole = Text.substr(digits, end - digits);
  String grouped;
  for (size_t i = 0; i < whole.size(); ++i) {
    grouped += whole[i];
    const size_t left = whole.size() - 1 - i;
    if (left > 0 && left % 3 == 0) grouped += FormatSettings.ThousandSeparator;
  }
  return Text.substr(0, digits) + grouped + Text.substr(end);
}

// A number text as it would have been typed: normalised and regrouped.
String TypedNumberText(const String& Text, const String& EditFormat) {
  if (Text.empty() || Text == u"-") return Text;
  return RegroupNumberText(NormalizeNumberText(Text), EditFormat);
}

// The number part of a display format's first section: its digit places, group
// and decimal marks, without literals, quoted text or exponent.
String DisplayFormatToEditFormat(const String& DisplayFormat) {
  String out;
  Char quote = 0;
  bool exponent = false;  // inside the digits of an exponent
  Integer exponentZeros = 0;
  for (size_t i = 0; i < DisplayFormat.size(); ++i) {
    const Char c = DisplayFormat[i];
    if (quote) {
      if (c == quote) quote = 0;
      continue;
    }
    if (c == u'\'' || c == u'"') {
      quote = c;
      continue;
    }
    if (c == u';') break;
    if (c == u'E' || c == u'e') {
      exponent = i + 1 < DisplayFormat.size() && (DisplayFormat[i + 1] == u'+' || DisplayFormat[i + 1] == u'-');
      if (exponent) ++i;
      continue;
    }
    if (c == u'0' && exponent) {
      if (++exponentZeros == 5) break;
      continue;
    }
    exponent = false;
    if (c == u'#' || c == u',' || c == u'.' || c == u'0') out += c;
  }
  return out;
}

}  // namespace

// ---- construction --------------------------------------------------------------------------------------------

TCustomDBNumberEditEh::TCustomDBNumberEditEh(TComponent* AOwner) : TCustomDBEditEh(AOwner) {
  // The main button is a drop-down button, hidden until asked for.
  CreateParts();
}

TCustomDBNumberEditEh::~TCustomDBNumberEditEh() = default;

std::unique_ptr<TEditButtonEh> TCustomDBNumberEditEh::CreateEditButton() {
  return std::make_unique<TDropDownEditButtonEh>(this);
}

void TCustomDBNumberEditEh::Notification(TComponent* AComponent, TOperation Operation) {
  TCustomDBEditEh::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FCalculator) {
    FCalculator = nullptr;
    FCalculatorDropped = false;
  }
}

String TCustomDBNumberEditEh::GetDisplayFormat() {
  if (Assigned(avDisplayFormat)) return FDisplayFormat;
  TField* field = GetField();
  if (auto* f = dynamic_cast<TDateTimeField*>(field)) return f->GetDisplayFormat();
  if (auto* f = dynamic_cast<TNumericField*>(field)) return f->GetDisplayFormat();
  if (auto* f = dynamic_cast<TAggregateField*>(field)) return f->GetDisplayFormat();
  return String();
}

void TCustomDBNumberEditEh::SetDisplayFormat(const String& Value) {
  FDisplayFormat = Value;
  FAssignedValues |= avDisplayFormat;
  DataChanged();
}

bool TCustomDBNumberEditEh::GetCurrency() {
  if (Assigned(avCurrency)) return FCurrencyEh;
  TField* field = GetField();
  if (auto* f = dynamic_cast<TFloatField*>(field)) return f->GetCurrency();
  if (auto* f = dynamic_cast<TBCDField*>(field)) return f->GetCurrency();
  if (auto* f = dynamic_cast<TFMTBCDField*>(field)) return f->GetCurrency();
  if (auto* f = dynamic_cast<TAggregateField*>(field)) return f->GetCurrency();
  return false;
}

void TCustomDBNumberEditEh::SetCurrency(bool Value) {
  FCurrencyEh = Value;
  FAssignedValues |= avCurrency;
  DataChanged();
}

Extended TCustomDBNumberEditEh::GetMaxValue() {
  if (Assigned(avMaxValue)) return FMaxValue;
  TField* field = GetField();
  if (auto* f = dynamic_cast<TIntegerField*>(field)) return f->GetMaxValue();
  if (auto* f = dynamic_cast<TBCDField*>(field)) return CurrToFloat(f->GetMaxValue());
  if (auto* f = dynamic_cast<TFloatField*>(field)) return f->GetMaxValue();
  return 0;
}

Extended TCustomDBNumberEditEh::GetMinValue() {
  if (Assigned(avMinValue)) return FMinValue;
  TField* field = GetField();
  if (auto* f = dynamic_cast<TIntegerField*>(field)) return f->GetMinValue();
  if (auto* f = dynamic_cast<TBCDField*>(field)) return CurrToFloat(f->GetMinValue());
  if (auto* f = dynamic_cast<TFloatField*>(field)) return f->GetMinValue();
  return 0;
}

void TCustomDBNumberEditEh::SetMaxValue(Extended Value) {
  const bool changed = !Assigned(avMaxValue) || FMaxValue != Value;
  FMaxValue = Value;
  FAssignedValues |= avMaxValue;
  if (changed) BoundsChanged();
}

void TCustomDBNumberEditEh::SetMinValue(Extended Value) {
  const bool changed = !Assigned(avMinValue) || FMinValue != Value;
  FMinValue = Value;
  FAssignedValues |= avMinValue;
  if (changed) BoundsChanged();
}

void TCustomDBNumberEditEh::BoundsChanged() {
  if (GetComponentState().Contains(csLoading) || !DataIndependent() || FValue.IsNull()) return;
  SetValue(Variant(double(CheckValue(FValue.AsDouble()))));
}

void TCustomDBNumberEditEh::SetDecimalPlaces(Cardinal Value) {
  FDecimalPlaces = Value;
  DataChanged();
  Invalidate();
}

// ---- value model ---------------------------------------------------------------------------------------------

Extended TCustomDBNumberEditEh::CheckValue(Extended Value) {
  const Extended lowest = GetMinValue(), highest = GetMaxValue();
  if (lowest != highest) {
    if (lowest < highest) Value = std::clamp(Value, lowest, highest);
    else if (highest == 0) Value = std::max(Value, lowest);  // a lower bound alone
    else if (lowest == 0) Value = std::min(Value, highest);  // an upper bound alone
  }
  if (FDecimalPlaces < 38 && std::isfinite(Value)) {
    const Extended scale = std::pow(10.0L, Extended(FDecimalPlaces));
    const Extended scaled = Value * scale;
    // A value too large to round has no decimals left to lose: it stays as it is.
    if (std::fabs(scaled) < kRoundLimit) Value = Extended(Round(scaled)) / scale;
  }
  return Value;
}

String TCustomDBNumberEditEh::GetValueDisplayText() {
  if (FValue.IsNull() || FValue.IsEmpty()) return String();
  const Extended value = FValue.AsDouble();
  const String displayFormat = GetDisplayFormat();
  if (!displayFormat.empty()) return FormatFloat(displayFormat, value);
  if (GetCurrency()) {
    if (std::isfinite(value) && std::fabs(value) <= kCurrencyLimit)
      return CurrToStrF(FloatToCurr(value), ffCurrency, FormatSettings.CurrencyDecimals);
    return FloatToStrF(value, ffCurrency, 15, FormatSettings.CurrencyDecimals);
  }
  return FloatToStr(value);
}

void TCustomDBNumberEditEh::SetOwnText(const String& AText) {
  TFlagScope writing(FTextUpdating);
  SetEditTextDirect(AText);
}

void TCustomDBNumberEditEh::InternalSetValue(const Variant& AValue) {
  if (AValue.IsNull() || AValue.IsEmpty()) {
    FValue = Null();
    SetOwnText(String());
    return;
  }
  FValue = VarAsType(AValue, varDouble);
  GetDataLink()->Modified();
  if (FFocused && GetDataLink()->CanModify())
    SetOwnText(TypedNumberText(FormatFloat(FEditFormat, FValue.AsDouble()), FEditFormat));
  else SetOwnText(GetValueDisplayText());
}

void TCustomDBNumberEditEh::InternalSetText(const String& AText) {
  const String text = NormalizeNumberText(AText);
  if (text.empty()) {
    InternalSetValue(Null());
    return;
  }
  InternalSetValue(Variant(double(CheckValue(StrToFloat(text)))));
}

void TCustomDBNumberEditEh::ReformatTypedText() {
  const String text = GetText();
  const String typed = TypedNumberText(text, FEditFormat);
  if (typed == text) return;
  const Integer caret = GetSelStart();
  SetOwnText(typed);
  if (FFocused) SetSelStart(std::max(0, caret + Integer(typed.size()) - Integer(text.size())));
}

void TCustomDBNumberEditEh::Change() {
  if (!FTextUpdating) {
    ReformatTypedText();
    const String text = NormalizeNumberText(GetText());
    Extended value = 0;
    if (text.empty()) {
      FValue = Null();
      if (!GetText().empty()) SetOwnText(String());
    } else if (TextIsNumber(text, value)) {
      FValue = Variant(double(CheckValue(value)));
    } else {
      // Only a number can be typed or pasted; a text that still is none has no value.
      FValue = Null();
    }
  }
  TCustomDBEditEh::Change();
}

void TCustomDBNumberEditEh::DataChanged() {
  const String displayFormat = GetDisplayFormat();
  if (!displayFormat.empty()) FEditFormat = DisplayFormatToEditFormat(displayFormat);
  else if (GetCurrency()) FEditFormat = u",#." + String(FormatSettings.CurrencyDecimals, u'0');
  else FEditFormat.clear();
  TField* field = GetField();
  if (field) {
    if (!GetAlignmentAssigned() && field->GetAlignment() != FAlignment && HandleAllocated()) RecreateWnd();
    InternalSetValue(field->GetValue());
  } else if (DataIndependent()) {
    InternalSetValue(GetDataLink()->GetDataValue());
  } else {
    InternalSetValue(Null());
  }
  UpdateControlReadOnly();
  SetModified(false);
}

void TCustomDBNumberEditEh::UpdateData() { GetDataLink()->SetValue(FValue); }

TAlignment TCustomDBNumberEditEh::DefaultAlignment() {
  TField* field = GetField();
  return field ? field->GetAlignment() : taRightJustify;
}

void TCustomDBNumberEditEh::CreateParams(TCreateParams& Params) {
  TCustomDBEditEh::CreateParams(Params);
  // A number stands where its alignment says, in the edit window itself too.
  const TAlignment alignment = GetEffectiveAlignment();
  FAlignment = alignment;
  Params.Style &= ~DWORD(ES_LEFT | ES_RIGHT | ES_CENTER);
  Params.Style |= alignment == taRightJustify ? ES_RIGHT : alignment == taCenter ? ES_CENTER : ES_LEFT;
}

// ---- typing ----------------------------------------------------------------------------------------------------

bool TCustomDBNumberEditEh::IsValidChar(Char InputChar) {
  const String text = GetText();
  const size_t start = std::min(text.size(), size_t(std::max(0, GetSelStart())));
  const size_t length = std::min(text.size() - start, size_t(std::max(0, GetSelLength())));
  const String typed = NormalizeNumberText(text.substr(0, start) + InputChar + text.substr(start + length));
  if (const size_t point = typed.find(FormatSettings.DecimalSeparator); point != String::npos) {
    size_t end = typed.find_first_of(u"Ee", point);
    if (end == String::npos) end = typed.size();
    if (end - point - 1 > FDecimalPlaces) return false;
  }
  if (typed.empty()) return true;
  Extended value = 0;
  if (!TextIsNumber(typed, value)) return false;
  return !(value < 0 && GetMinValue() >= 0 && GetMaxValue() > 0);
}

void TCustomDBNumberEditEh::KeyPress(Char& Key) {
  if (Key == u'.' || Key == u',') Key = FormatSettings.DecimalSeparator;
  TCustomDBEditEh::KeyPress(Key);
  if (Key == VK_BACK && GetSelLength() == 0) {
    // Backspace steps over a group separator instead of deleting it.
    const Integer caret = GetSelStart();
    const String text = GetText();
    if (caret > 0 && caret <= Integer(text.size()) && text[size_t(caret - 1)] == FormatSettings.ThousandSeparator) {
      SetSelStart(caret - 1);
      Key = 0;
    }
    return;
  }
  if (Key >= 32 && !IsValidChar(Key)) {
    MessageBeep(0);
    Key = 0;
  }
}

bool TCustomDBNumberEditEh::PasteIsNumber() {
  if (!Clipboard()->HasFormat(CF_UNICODETEXT)) return true;
  const String text = GetText();
  const size_t start = std::min(text.size(), size_t(std::max(0, GetSelStart())));
  const size_t length = std::min(text.size() - start, size_t(std::max(0, GetSelLength())));
  const String pasted =
      NormalizeNumberText(text.substr(0, start) + Clipboard()->GetAsText() + text.substr(start + length));
  Extended value = 0;
  return pasted.empty() || TextIsNumber(pasted, value);
}

void TCustomDBNumberEditEh::EditPaste() {
  if (!PasteIsNumber()) {
    MessageBeep(0);
    return;
  }
  TCustomDBEditEh::EditPaste();
}

// ---- stepping ----------------------------------------------------------------------------------------------------

void TCustomDBNumberEditEh::StepValue(bool Up) {
  if (FIncrement == 0 || !CanModifyText()) return;
  const Extended value = FValue.IsNull() ? FIncrement : FValue.AsDouble() + (Up ? FIncrement : -FIncrement);
  InternalSetValue(Variant(double(CheckValue(value))));
  if (FFocused) SelectAll();
}

void TCustomDBNumberEditEh::KeyDown(Word& Key, TShiftState Shift) {
  if (FCalculatorDropped && Key == VK_ESCAPE) {
    CloseUp(false);
    RemovePendingChar(Char(Key));
    Key = 0;
    return;
  }
  TCustomDBEditEh::KeyDown(Key, Shift);
  if ((Key == VK_UP || Key == VK_DOWN) && !GetReadOnly()) {
    StepValue(Key == VK_UP);
    Key = 0;
  }
}

bool TCustomDBNumberEditEh::DoMouseWheelDown(TShiftState Shift, TPoint MousePos) {
  if (TCustomDBEditEh::DoMouseWheelDown(Shift, MousePos)) return true;
  if (!NoShiftKey(Shift) || GetReadOnly() || !GetDataLink()->Edit()) return false;
  StepValue(false);
  return true;
}

bool TCustomDBNumberEditEh::DoMouseWheelUp(TShiftState Shift, TPoint MousePos) {
  if (TCustomDBEditEh::DoMouseWheelUp(Shift, MousePos)) return true;
  if (!NoShiftKey(Shift) || GetReadOnly() || !GetDataLink()->Edit()) return false;
  StepValue(true);
  return true;
}

void TCustomDBNumberEditEh::ButtonDown(bool TopButton) {
  const TEditButtonStyleEh style = GetEditButton()->GetStyle();
  if (style == ebsUpDownEh || style == ebsAltUpDownEh) {
    if (!GetReadOnly()) StepValue(TopButton);
    return;
  }
  TCustomDBEditEh::ButtonDown(TopButton);
}

// ---- calculator --------------------------------------------------------------------------------------------------

TPopupCalculatorEh* TCustomDBNumberEditEh::GetCalculator() {
  if (FCalculator) return FCalculator;
  FCalculator = new TPopupCalculatorEh(this);
  FCalculator->SetParent(this);
  FCalculator->FreeNotification(this);
  return FCalculator;
}

void TCustomDBNumberEditEh::DropDown() {
  TCustomDBEditEh::DropDown();
  if (FCalculatorDropped) return;
  if (OnDropDown) OnDropDown(this);
  TPopupCalculatorEh* calculator = GetCalculator();
  IPopupEditBoxEh* box = calculator;
  box->SetValue(FValue.IsNull() ? Variant(0.0) : FValue);
  box->SetFlat(GetFlat());
  TPoint at;
  AlignDropDownWindowEh(this, calculator, UseRightToLeftAlignment() ? daLeft : daRight, at);
  SetWindowPos(calculator->GetHandle(), HWND_TOP, at.X, at.Y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  FCalculatorDropped = true;
  FDroppedDown = true;
  // The keys go to the calculator now; the edit shows no caret meanwhile.
  if (HandleAllocated()) FCaretHidden = HideCaret(GetHandle());
  SetSelLength(0);
}

void TCustomDBNumberEditEh::CloseUp(bool Accept) {
  if (!FCalculatorDropped || !FCalculator) return;
  TPopupCalculatorEh* calculator = FCalculator;
  if (HWND captor = GetCapture()) SendMessage(captor, WM_CANCELMODE, 0, 0);
  SetWindowPos(calculator->GetHandle(), nullptr, 0, 0, 0, 0,
               SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_HIDEWINDOW);
  FCalculatorDropped = false;
  if (FCaretHidden && HandleAllocated()) ShowCaret(GetHandle());
  FCaretHidden = false;
  FDroppedDown = false;
  TCustomDBEditEh::CloseUp(Accept);
  if (Accept && CanModifyText()) {
    const Variant value = static_cast<IPopupEditBoxEh*>(calculator)->GetValue();
    switch (value.VarType()) {
      case varSmallint:
      case varInteger:
      case varSingle:
      case varDouble:
      case varCurrency:
        // The result is held to the bounds like any other value the editor takes.
        InternalSetValue(Variant(double(CheckValue(value.AsDouble()))));
        break;
      default: break;  // the calculator shows an error
    }
    if (FFocused) SelectAll();
  }
  if (OnCloseUp) OnCloseUp(this, Accept);
}

void TCustomDBNumberEditEh::WndProc(TMessage& Message) {
  if (FCalculatorDropped && FCalculator &&
      (Message.Msg == WM_KEYDOWN || Message.Msg == WM_CHAR || Message.Msg == WM_SYSKEYDOWN)) {
    const WPARAM key = Message.WParam;
    if (key == VK_BACK || key == VK_RETURN || (key >= 32 && key <= 126)) {
      FCalculator->Perform(Message.Msg, Message.WParam, Message.LParam);
      return;
    }
  }
  TCustomDBEditEh::WndProc(Message);
}

void TCustomDBNumberEditEh::Dispatch(TMessage& Message) {
  if (FCalculatorDropped && ForwardToDroppedPopupEh(FCalculator, Message)) return;
  switch (Message.Msg) {
    case WM_KILLFOCUS:
      if (FCalculatorDropped && FCalculator) {
        const HWND to = HwndFromParam(Message.WParam);
        if (!to || (to != FCalculator->GetHandle() && !IsChild(FCalculator->GetHandle(), to))) CloseUp(false);
      }
      break;
    case CM_CANCELMODE:
      if (FCalculatorDropped && !IsControlWithin(reinterpret_cast<TControl*>(Message.LParam), this)) CloseUp(false);
      break;
    default: break;
  }
  TCustomDBEditEh::Dispatch(Message);
}
