// TCustomDBDateTimeEditEh: the data-aware date-time editor on the edit-format
// engine (DBCtrlsEh_DateTimeFormat.cpp).
//
// Index of this file:
//   construction   the visible main button, the kind and the edit format
//   value model    InternalSetValue / InternalSetText, the change of the text,
//                  completing the text (ValidateEdit), DataChanged, UpdateData
//   stepping       the element at the caret; typing a separator
//   keys, wheel    Up/Down, Left/Right over a selection, the keys of the open calendar
//   calendar       DropDown, CloseUp, handing a press over, messages
//
// Value flow: typing changes the text, and every change reads the value back from
// it without normalising (an incomplete date is Null). Leaving or committing first
// completes the text (ValidateEdit: missing date parts from today, values cut to
// their range); UpdateData then puts the parts the format shows into the field's
// current value, so a date editor keeps the time of a date-time field.

#include <algorithm>

#include "editors/DBCtrlsEh.h"
#include "editors/DBCtrlsEh_Internal.h"
#include "editors/DaVirVCL.h"
#include "platform/core/DateTime.h"
#include "platform/core/Strings.h"

using namespace dbctrlseh_detail;

namespace {

const String STimeEditFormat = u"HH:NN:SS";

bool NoShiftKey(TShiftState Shift) {
  return !Shift.Contains(ssShift) && !Shift.Contains(ssCtrl) && !Shift.Contains(ssAlt);
}

bool IsTemplateSeparator(Char C) { return C == u'/' || C == u':'; }

// The range an element steps through, by its template letter.
struct TElementRange {
  Integer Min, Max;
};

TElementRange RangeOf(Char Letter) {
  switch (Letter) {
    case u'Y': return {1, 9999};
    case u'M': return {1, 12};
    case u'D': return {1, 31};
    case u'H': return {0, 23};
    default: return {0, 59};
  }
}

// The run of Letter in the template from its first place: start (0-based) and length.
std::pair<size_t, size_t> RunOf(const String& Template, Char Letter) {
  const size_t first = Template.find(Letter);
  if (first == String::npos) return {String::npos, 0};
  size_t end = first;
  while (end < Template.size() && Template[end] == Letter) ++end;
  return {first, end - first};
}

// The number an element's text reads as: 0 when it holds no number.
Integer ElementNumber(StringView Text) {
  const String trimmed = Trim(Text);
  if (trimmed.empty()) return 0;
  Integer n = 0;
  for (const Char c : trimmed) {
    if (c < u'0' || c > u'9') return 0;
    n = n * 10 + (c - u'0');
  }
  return n;
}

// Value as element values, -1 for the elements the table lacks.
TDateTimeElementValuesEh ElementValuesOf(TDateTime Value, const TDateTimeElementsInfoEh& Elements) {
  Word parts[7];
  DecodeDateTime(Value, parts[0], parts[1], parts[2], parts[3], parts[4], parts[5], parts[6]);
  TDateTimeElementValuesEh values;
  for (size_t k = 0; k < values.size(); ++k) values[k] = Elements[k].Present ? Integer(parts[k]) : -1;
  return values;
}

// Whether the key with its shift keys presses one of the editor's buttons.
bool IsButtonShortCut(TCustomDBEditEh* Edit, Word Key, TShiftState Shift) {
  const TShortCut shortCut = ShortCut(Key, Shift);
  if (Edit->GetEditButton()->GetShortCut() == shortCut) return true;
  for (Integer i = 0; i < Edit->GetEditButtons()->GetCount(); ++i)
    if (Edit->GetEditButtons()->Items(i)->GetShortCut() == shortCut) return true;
  return false;
}

}  // namespace

// ---- construction ------------------------------------------------------------------------------------------

TCustomDBDateTimeEditEh::TCustomDBDateTimeEditEh(TComponent* AOwner) : TCustomDBEditEh(AOwner) {
  FControlStyle.Exclude(csSetCaption);
  // The main button is a visible drop-down button.
  CreateParts();
  UpdateFourDigitYear();
  UpdateEditFormat();
}

TCustomDBDateTimeEditEh::~TCustomDBDateTimeEditEh() = default;

std::unique_ptr<TEditButtonEh> TCustomDBDateTimeEditEh::CreateEditButton() {
  return std::make_unique<TVisibleEditButtonEh>(this);
}

void TCustomDBDateTimeEditEh::Notification(TComponent* AComponent, TOperation Operation) {
  TCustomDBEditEh::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FCalendar) {
    FCalendar = nullptr;
    FCalendarDropped = false;
  }
}

void TCustomDBDateTimeEditEh::SetKind(TDateTimeKindEh Value) {
  if (FKind == Value) return;
  FKind = Value;
  UpdateEditFormat();
  DataChanged();
}

void TCustomDBDateTimeEditEh::SetEditFormat(const String& Value) {
  FKind = dtkCustomEh;
  if (FEditFormat == Value) return;
  FEditFormat = Value;
  UpdateEditFormat();
  DataChanged();
}

void TCustomDBDateTimeEditEh::UpdateFourDigitYear() {
  const bool fourDigits = AnsiUpperCase(FormatSettings.ShortDateFormat).find(u"YYY") != String::npos;
  if (fourDigits == FFourDigitYear) return;
  FFourDigitYear = fourDigits;
  // A format of the user's own does not follow the locale.
  if (FKind != dtkCustomEh) UpdateEditFormat();
}

void TCustomDBDateTimeEditEh::UpdateEditFormat() {
  switch (FKind) {
    case dtkDateEh: FEditFormat = DefaultDateEditFormatEh(FFourDigitYear); break;
    case dtkTimeEh: FEditFormat = STimeEditFormat; break;
    case dtkDateTimeEh: FEditFormat = DefaultDateEditFormatEh(FFourDigitYear) + u" " + STimeEditFormat; break;
    case dtkCustomEh: break;
  }
  String mask, display;
  TDateTimeElementsInfoEh elements{};
  if (!FEditFormat.empty()) {
    // Parsed whole before anything changes: a bad format leaves the editor as it was.
    ParseEditFormat(FEditFormat, mask, elements);
    display = EditFormatToDisplayFormat(FEditFormat);
  }
  FDisplayFormat = display;
  FElements = elements;
  {
    TFlagScope writing(FTextUpdating);
    SetEditMaskQuiet(mask);
  }
  // The value is shown again in the new format.
  SetOwnText(ValueText(FValue));
}

// ---- value model -------------------------------------------------------------------------------------------

String TCustomDBDateTimeEditEh::ValueText(const Variant& AValue) const {
  if (AValue.IsNull() || AValue.IsEmpty()) return String();
  return FormatDateTime(FEditFormat.empty() ? String() : FDisplayFormat, VarToDateTime(AValue));
}

void TCustomDBDateTimeEditEh::SetOwnText(const String& AText) {
  TFlagScope writing(FTextUpdating);
  SetEditTextDirect(AText);
}

void TCustomDBDateTimeEditEh::InternalSetValue(const Variant& AValue) {
  if (AValue.IsNull() || AValue.IsEmpty()) {
    FValue = Null();
    SetOwnText(String());
    return;
  }
  FValue = VarAsType(AValue, varDate);
  SetOwnText(ValueText(FValue));
}

void TCustomDBDateTimeEditEh::InternalSetText(const String& AText) {
  Variant value = FValue;
  if (!FEditFormat.empty()) {
    bool valid = false;
    try {
      valid = ElementValuesToValue(TextToElementValues(AText, FElements), FElements, value, false);
    } catch (const Exception&) {
      valid = false;
    }
    if (!valid) throw Exception(u"Invalid datetime: \"" + AText + u"\"");
  } else {
    value = Trim(AText).empty() ? Null() : Variant::FromDate(StrToDateTime(AText));
  }
  FValue = value;
  SetOwnText(AText);
}

void TCustomDBDateTimeEditEh::Change() {
  if (!FTextUpdating) {
    // Each edit reads the value back; a text that is no whole date yet is Null.
    Variant value = FValue;
    if (!FEditFormat.empty()) {
      try {
        ElementValuesToValue(TextToElementValues(GetText(), FElements), FElements, value, false);
      } catch (const Exception&) {
        value = Null();
      }
    } else {
      TDateTime d = 0;
      value = TryStrToDateTime(GetText(), d) ? Variant::FromDate(d) : Null();
    }
    FValue = value;
  }
  TCustomDBEditEh::Change();
}

void TCustomDBDateTimeEditEh::ValidateEdit() {
  if (FValidating) return;
  TFlagScope validating(FValidating);
  TCustomDBEditEh::ValidateEdit();
  if (FEditFormat.empty()) return;
  Variant value = FValue;
  try {
    ElementValuesToValue(TextToElementValues(GetText(), FElements), FElements, value, true);
  } catch (const Exception&) {
    value = Null();
  }
  FValue = value;
  const String text = ValueText(value);
  if (GetMask().FormatText(text) != GetEditText()) SetOwnText(text);
}

void TCustomDBDateTimeEditEh::DataChanged() {
  TField* field = GetField();
  if (field) {
    if (!GetAlignmentAssigned()) Invalidate();  // the editor follows the field's alignment
    InternalSetValue(field->GetValue());
  } else if (DataIndependent()) {
    InternalSetValue(GetDataLink()->GetDataValue());
  } else {
    InternalSetValue(Null());
  }
  UpdateControlReadOnly();
  SetModified(false);
}

void TCustomDBDateTimeEditEh::UpdateData() {
  TField* field = GetField();
  Variant value = DataIndependent() ? GetDataLink()->GetDataValue() : field ? field->GetValue() : Null();
  if (!FEditFormat.empty()) {
    TDateTimeElementValuesEh values;
    values.fill(-1);
    if (!FValue.IsNull()) values = ElementValuesOf(VarToDateTime(FValue), FElements);
    ElementValuesToValue(values, FElements, value, true);
  } else {
    value = Trim(GetText()).empty() ? Null() : Variant::FromDate(StrToDateTime(GetText()));
  }
  GetDataLink()->SetValue(value);
}

String TCustomDBDateTimeEditEh::GetDisplayText() {
  if (!FControlState.Contains(csPaintCopy)) return TCustomDBEditEh::GetDisplayText();
  TField* field = GetField();
  if (!field || field->GetIsNull()) return String();
  return ValueText(Variant::FromDate(field->GetAsDateTime()));
}

void TCustomDBDateTimeEditEh::FilterMRUItem(const String& AText, bool& Accept) {
  // What was typed: the text without the blanks and separators of the places still empty.
  const String text = GetText();
  size_t length = text.size();
  while (length > 0 && (text[length - 1] == u' ' || text[length - 1] == FormatSettings.DateSeparator)) --length;
  Accept = CompareTextUserLocaleEh(StringView(AText).substr(0, length), StringView(text).substr(0, length)) == 0;
  if (GetMRUList()->OnFilterItem) GetMRUList()->OnFilterItem(this, Accept);
}

// ---- stepping ------------------------------------------------------------------------------------------------

bool TCustomDBDateTimeEditEh::CanStep() { return !FEditFormat.empty() && CanModifyText(); }

void TCustomDBDateTimeEditEh::IncrementElementAtCaret(bool Increase) {
  const String tmpl = EditFormatTemplateEh(FEditFormat);
  size_t place = size_t(std::max(0, GetSelStart()));  // 0-based
  // On a separator the element after it steps.
  if (place < tmpl.size() && IsTemplateSeparator(tmpl[place])) ++place;
  if (place >= tmpl.size()) return;
  const Char letter = tmpl[place];
  const auto [first, length] = RunOf(tmpl, letter);
  if (first == String::npos || IsTemplateSeparator(letter) || letter == u' ') return;

  String text = GetEditText();
  if (first + length > text.size()) return;
  const TElementRange range = RangeOf(letter);
  Integer n = ElementNumber(StringView(text).substr(first, length));
  if (Increase) n = n >= range.Max ? range.Min : n + 1;
  else n = n <= range.Min ? range.Max : n - 1;
  String digits = IntToStr(n);
  if (digits.size() < length) digits.insert(0, length - digits.size(), u'0');
  // A two-digit year past 99 keeps its last two digits.
  if (digits.size() > length) digits.erase(0, digits.size() - length);
  text.replace(first, length, digits);
  SetEditTextDirect(text);  // the change reads the value back
  SetSelStart(Integer(first));
  SetSelLength(Integer(length));
}

void TCustomDBDateTimeEditEh::SelectElementAfterSeparator(Char Separator) {
  const String tmpl = EditFormatTemplateEh(FEditFormat);
  const String text = GetEditText();
  // A caret without a selection may stand just past a separator the mask stepped over
  // after the element's last digit: the search takes in the character before it.
  const Integer caret = GetSelStart();
  const size_t from = size_t(std::max(0, GetSelLength() > 0 ? caret : caret - 1));
  const size_t found = text.find(Separator, from);
  size_t place = found == String::npos ? 0 : found + 1;
  if (place < tmpl.size() && IsTemplateSeparator(tmpl[place])) ++place;
  if (place >= tmpl.size()) return;
  const auto [first, length] = RunOf(tmpl, tmpl[place]);
  if (first == String::npos || IsTemplateSeparator(tmpl[place]) || tmpl[place] == u' ') return;
  SetSelStart(Integer(first));
  SetSelLength(Integer(length));
}

// ---- keys, wheel -----------------------------------------------------------------------------------------------

void TCustomDBDateTimeEditEh::KeyDown(Word& Key, TShiftState Shift) {
  if (FCalendarDropped) {
    switch (Key) {
      case VK_RETURN:
      case VK_ESCAPE:
        CloseUp(Key == VK_RETURN);
        RemovePendingChar(Char(Key));
        Key = 0;
        return;
      case VK_HOME:
      case VK_END:
        if (!Shift.Contains(ssCtrl)) break;
        [[fallthrough]];
      case VK_PRIOR:
      case VK_NEXT:
      case VK_UP:
      case VK_DOWN:
      case VK_LEFT:
      case VK_RIGHT:
        if (IsButtonShortCut(this, Key, Shift)) break;  // Alt+Down closes it again
        GetCalendar()->Perform(WM_KEYDOWN, Key, 0);
        Key = 0;
        return;
      default: break;
    }
  }
  const bool withFormat = !FEditFormat.empty() && NoShiftKey(Shift);
  const bool step = withFormat && (Key == VK_UP || Key == VK_DOWN) && !GetReadOnly();
  const bool leaveSelection = withFormat && (Key == VK_LEFT || Key == VK_RIGHT) && GetSelLength() > 1;
  if (!step && !leaveSelection) {
    TCustomDBEditEh::KeyDown(Key, Shift);
    return;
  }
  if (OnKeyDown) OnKeyDown(this, Key, Shift);
  if (Key != 0)
    if (IInplaceEditHolderEh* holder = GetInplaceEditHolderIntf()) holder->InplaceEditKeyDown(this, Key, Shift);
  if (Key == 0) return;
  if (step) {
    if (CanModifyText()) IncrementElementAtCaret(Key == VK_UP);
  } else {
    // The caret stays inside the selected element, where the next step acts.
    const Integer start = GetSelStart(), length = GetSelLength();
    SetSelStart(Key == VK_LEFT ? start : start + length - 1);
  }
  Key = 0;
}

void TCustomDBDateTimeEditEh::KeyPress(Char& Key) {
  TCustomDBEditEh::KeyPress(Key);
  if (Key == 0 || FEditFormat.empty()) return;
  if (Key == FormatSettings.DateSeparator || Key == FormatSettings.TimeSeparator) {
    SelectElementAfterSeparator(Key);
    Key = 0;
  }
}

bool TCustomDBDateTimeEditEh::DoMouseWheelDown(TShiftState Shift, TPoint MousePos) {
  if (TCustomDBEditEh::DoMouseWheelDown(Shift, MousePos)) return true;
  if (!NoShiftKey(Shift) || !CanStep()) return false;
  IncrementElementAtCaret(false);
  return true;
}

bool TCustomDBDateTimeEditEh::DoMouseWheelUp(TShiftState Shift, TPoint MousePos) {
  if (TCustomDBEditEh::DoMouseWheelUp(Shift, MousePos)) return true;
  if (!NoShiftKey(Shift) || !CanStep()) return false;
  IncrementElementAtCaret(true);
  return true;
}

void TCustomDBDateTimeEditEh::ButtonDown(bool TopButton) {
  const TEditButtonStyleEh style = GetEditButton()->GetStyle();
  if (style == ebsUpDownEh || style == ebsAltUpDownEh) {
    if (CanStep()) IncrementElementAtCaret(TopButton);
    return;
  }
  TCustomDBEditEh::ButtonDown(TopButton);
}

// ---- calendar -----------------------------------------------------------------------------------------------------

TPopupMonthCalendarEh* TCustomDBDateTimeEditEh::GetCalendar() {
  if (FCalendar) return FCalendar;
  FCalendar = new TPopupMonthCalendarEh(this);
  FCalendar->SetParent(this);
  FCalendar->FreeNotification(this);
  return FCalendar;
}

void TCustomDBDateTimeEditEh::DropDown() {
  TCustomDBEditEh::DropDown();
  if (FCalendarDropped) return;
  if (OnDropDown) OnDropDown(this);
  TPopupMonthCalendarEh* calendar = GetCalendar();
  calendar->SetDate(FValue.IsNull() ? Date() : VarToDateTime(FValue));
  TPoint at;
  AlignDropDownWindowEh(this, calendar, UseRightToLeftAlignment() ? daRight : daLeft, at);
  SetWindowPos(calendar->GetHandle(), HWND_TOP, at.X, at.Y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  FCalendarDropped = true;
  FDroppedDown = true;
}

void TCustomDBDateTimeEditEh::CloseUp(bool Accept) {
  if (!FCalendarDropped || !FCalendar) return;
  TPopupMonthCalendarEh* calendar = FCalendar;
  if (HWND captor = GetCapture()) SendMessage(captor, WM_CANCELMODE, 0, 0);
  if (HWND focus = GetFocus(); focus && (focus == calendar->GetHandle() || IsChild(calendar->GetHandle(), focus)))
    SetFocus();
  SetWindowPos(calendar->GetHandle(), nullptr, 0, 0, 0, 0,
               SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_HIDEWINDOW);
  FCalendarDropped = false;
  FDroppedDown = false;
  TCustomDBEditEh::CloseUp(Accept);
  if (Accept && CanModifyText()) {
    // The picked day, at the time of day the value had.
    Word y, m, d, h = 0, n = 0, s = 0, ms = 0;
    DecodeDate(calendar->GetDate(), y, m, d);
    if (!FValue.IsNull()) DecodeTime(VarToDateTime(FValue), h, n, s, ms);
    Variant value = FValue;
    if (FEditFormat.empty()) {
      TDateTime picked = 0;
      if (TryEncodeDateTime(y, m, d, h, n, s, ms, picked)) value = Variant::FromDate(picked);
    } else {
      ElementValuesToValue({y, m, d, h, n, s}, FElements, value, true);
    }
    InternalSetValue(value);
    if (FFocused) SelectAll();
  }
  if (OnCloseUp) OnCloseUp(this, Accept);
}

void TCustomDBDateTimeEditEh::HandOverPressToCalendar(TPoint ScreenPoint) {
  if (FCalendarDropped) HandOverPressToPopupEh(FCalendar, ScreenPoint);
}

void TCustomDBDateTimeEditEh::EditButtonMouseMove(TObject* Sender, TShiftState Shift, Integer X, Integer Y) {
  TCustomDBEditEh::EditButtonMouseMove(Sender, Shift, X, Y);
  auto* control = dynamic_cast<TControl*>(Sender);
  if (control && control == MainButtonControl() && FCalendarDropped && Shift.Contains(ssLeft))
    HandOverPressToCalendar(control->ClientToScreen(TPoint(X, Y)));
}

void TCustomDBDateTimeEditEh::Dispatch(TMessage& Message) {
  if (FCalendarDropped && ForwardToDroppedPopupEh(FCalendar, Message)) return;
  switch (Message.Msg) {
    case CM_ENTER: UpdateFourDigitYear(); break;  // the locale may have changed meanwhile
    case WM_KILLFOCUS:
      if (FCalendarDropped && FCalendar) {
        const HWND to = HwndFromParam(Message.WParam);
        if (!to || (to != FCalendar->GetHandle() && !IsChild(FCalendar->GetHandle(), to))) CloseUp(false);
      }
      break;
    case CM_CANCELMODE:
      if (FCalendarDropped && !IsControlWithin(reinterpret_cast<TControl*>(Message.LParam), this)) CloseUp(false);
      break;
    case WM_MOUSEMOVE:
      TCustomDBEditEh::Dispatch(Message);
      if (FCalendarDropped && GetMouseCapture() && (Message.WParam & MK_LBUTTON))
        HandOverPressToCalendar(ClientToScreen(TPoint(GetXLParam(Message.LParam), GetYLParam(Message.LParam))));
      return;
    default: break;
  }
  TCustomDBEditEh::Dispatch(Message);
}
