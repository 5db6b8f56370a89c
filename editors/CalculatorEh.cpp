// The calculator control and its popup.
//
// Index of this file:
//   layout       the button table, building the children, fitting to the font
//   keys         CalcKey: one routine per kind of key, then the equals caption
//   input        typed characters, Delete, the mouse wheel, button clicks
//   popup        TPopupCalculatorEh: window, closing keys, IPopupEditBoxEh
//
// The display holds the number as text ("general" format, 15 significant digits)
// and is read back from there; the state says whether the text is a result (the
// next digit starts a new number), a number being typed, or "Error".

#include "editors/CalculatorEh.h"

#include <cmath>
#include <limits>

#include "platform/core/Format.h"
#include "platform/core/Strings.h"
#include "platform/ui/Clipbrd.h"
#include "platform/ui/ControlPaint.h"
#include "platform/ui/Forms.h"
#include "platform/ui/GDI.h"

namespace {

// ---- layout --------------------------------------------------------------------------------------------

// The layout was designed at this density, with this font and text height.
constexpr Integer LayoutPixelsPerInch = 96;
constexpr Integer LayoutTextHeight = 13;
constexpr Integer LayoutFontHeight = -11;
constexpr Integer LayoutClientWidth = 184;
constexpr Integer LayoutClientHeight = 127;

constexpr Integer DisplayDigits = 15;
const String ErrorText = u"Error";
const String EqualsCaption = u"=";
const String OkCaption = u"Ok";

enum class TCaptionColor { Blue, Red };

struct TCalcButtonDef {
  Integer Tag;
  const char16_t* Caption;
  Char Key;
  Integer X, Y, W, H;
  TCaptionColor Color;
};

constexpr Integer ColX[] = {6, 35, 64, 93, 122, 151};
constexpr Integer RowY[] = {29, 53, 77, 101};
constexpr Integer BtnW = 27, BtnH = 22;
constexpr TCaptionColor Blue = TCaptionColor::Blue, Red = TCaptionColor::Red;

constexpr TCalcButtonDef CalcButtons[] = {
    {1, u"7", u'7', ColX[0], RowY[0], BtnW, BtnH, Blue},
    {2, u"8", u'8', ColX[1], RowY[0], BtnW, BtnH, Blue},
    {3, u"9", u'9', ColX[2], RowY[0], BtnW, BtnH, Blue},
    {4, u"/", u'/', ColX[3], RowY[0], BtnW, BtnH, Red},
    {5, u"sqrt", u'S', ColX[4], RowY[0], BtnW, BtnH, Blue},
    {6, u"C", u'C', ColX[5], RowY[0], BtnW, 46, Red},
    {7, u"4", u'4', ColX[0], RowY[1], BtnW, BtnH, Blue},
    {8, u"5", u'5', ColX[1], RowY[1], BtnW, BtnH, Blue},
    {9, u"6", u'6', ColX[2], RowY[1], BtnW, BtnH, Blue},
    {10, u"*", u'*', ColX[3], RowY[1], BtnW, BtnH, Red},
    {11, u"%", u'%', ColX[4], RowY[1], BtnW, BtnH, Blue},
    {12, u"Cancel", u'A', ColX[5], 52, BtnW, 23, Red},
    {13, u"1", u'1', ColX[0], RowY[2], BtnW, BtnH, Blue},
    {14, u"2", u'2', ColX[1], RowY[2], BtnW, BtnH, Blue},
    {15, u"3", u'3', ColX[2], RowY[2], BtnW, BtnH, Blue},
    {16, u"-", u'-', ColX[3], RowY[2], BtnW, BtnH, Red},
    {17, u"1/x", u'R', ColX[4], RowY[2], BtnW, BtnH, Blue},
    {18, u"<-", Char(VK_BACK), ColX[5], RowY[2], BtnW, BtnH, Red},
    {19, u"0", u'0', ColX[0], RowY[3], BtnW, BtnH, Blue},
    {20, u"+/-", u'I', ColX[1], RowY[3], BtnW, BtnH, Blue},
    {21, u".", u'.', ColX[2], RowY[3], BtnW, BtnH, Blue},
    {22, u"+", u'+', ColX[3], RowY[3], BtnW, BtnH, Red},
    {23, u"Ok", u'=', ColX[4], RowY[3], 56, BtnH, Red},
};

constexpr bool TagsRunInOrder() {
  for (size_t i = 0; i < std::size(CalcButtons); ++i)
    if (CalcButtons[i].Tag != Integer(i) + 1) return false;
  return true;
}
static_assert(std::size(CalcButtons) == 23 && TagsRunInOrder(), "one entry per Tag 1..23, in order");
constexpr Integer EqualTag = 23;
constexpr Integer CancelTag = 12;

bool IsOperatorKey(Char Key) {
  switch (Key) {
    case u'+':
    case u'-':
    case u'*':
    case u'/':
    case u'%':
    case u'=':
    case Char(VK_RETURN): return true;
    default: return false;
  }
}

bool IsArithmetic(Char Op) { return Op == u'+' || Op == u'-' || Op == u'*' || Op == u'/'; }

}  // namespace

TCalculatorEh::TCalculatorEh(TComponent* AOwner)
    : TCustomControl(AOwner),
      FPixelsPerInch(LayoutPixelsPerInch),
      FTextHeight(LayoutTextHeight),
      FLayoutClientWidth(LayoutClientWidth),
      FLayoutClientHeight(LayoutClientHeight) {
  FParentColor = false;
  FColor = clBtnFace;
  FBrush->SetColor(clBtnFace);
  FParentFont = false;
  FFont->SetHeight(LayoutFontHeight);
  CreateControls();
  ScaleLayout();
  // The buttons take the calculator's font only now, so scaling moved them without
  // enlarging their captions.
  for (const TCalcButtonDef& def : CalcButtons) {
    TSpeedButtonEh* b = ButtonByTag(def.Tag);
    b->GetFont()->Assign(GetFont());
    b->GetFont()->SetColor(def.Color == TCaptionColor::Blue ? clBlue : clRed);
    b->SetStyle(ebsGlyphEh);
    b->SetActive(true);
  }
  Clear();
  UpdateEqualButton();
  UpdateAutoSize();
}

TCalculatorEh::~TCalculatorEh() = default;

void TCalculatorEh::CreateControls() {
  FPanel1 = new TPanel(this);
  FPanel1->SetName(u"Panel1");
  FPanel1->SetParent(this);
  FPanel1->SetBounds(6, 4, 171, 19);
  FPanel1->SetColor(clWindow);
  FPanel1->SetBorderWidth(2);
  FPanel1->SetCaption(String());

  FTextBox = new TLabel(this);
  FTextBox->SetName(u"TextBox");
  FTextBox->SetParent(FPanel1);
  FTextBox->SetAutoSize(false);
  FTextBox->SetBounds(2, 1, 166, 17);
  FTextBox->SetAlignment(taRightJustify);
  FTextBox->SetLayout(tlCenter);
  FTextBox->SetShowAccelChar(false);
  FTextBox->SetCaption(u"0");

  for (const TCalcButtonDef& def : CalcButtons) {
    auto* b = new TSpeedButtonEh(this);
    b->SetParent(this);
    b->SetTag(def.Tag);
    b->SetBounds(def.X, def.Y, def.W, def.H);
    b->SetCaption(def.Caption);
    b->OnClick = [this](TObject* Sender) { SpeedButtonClick(Sender); };
    if (def.Tag == EqualTag) {
      b->SetName(u"spEqual");
      FEqualButton = b;
    }
  }
  // "Cancel" lies under "C", which spans two rows over it.
  ButtonByTag(CancelTag)->SendToBack();
}

void TCalculatorEh::ScaleLayout() {
  const Integer screenPpi = Screen ? Screen->GetPixelsPerInch() : LayoutPixelsPerInch;
  if (screenPpi != FPixelsPerInch) FFont->SetHeight(MulDiv(FFont->GetHeight(), screenPpi, FPixelsPerInch));
  TSize extent{0, 0};
  {
    TMeasureDC dc(GetFont());
    GetTextExtentPoint32(dc, u"0", 1, extent);
  }
  const Integer textHeight = extent.cy;
  if (textHeight <= 0 || textHeight == FTextHeight) return;
  for (Integer i = 0; i < GetControlCount(); ++i) GetControl(i)->ChangeScale(textHeight, FTextHeight);
  FLayoutClientWidth = MulDiv(FLayoutClientWidth, textHeight, FTextHeight);
  FLayoutClientHeight = MulDiv(FLayoutClientHeight, textHeight, FTextHeight);
}

void TCalculatorEh::UpdateAutoSize() {
  TCreateParams params;
  CreateParams(params);
  TRect r(0, 0, FLayoutClientWidth, FLayoutClientHeight);
  AdjustWindowRectEx(r, params.Style, false, params.ExStyle);
  SetBounds(FLeft, FTop, r.Width() + 2 * GetBorderMargin(), r.Height() + 2 * GetBorderMargin());
}

void TCalculatorEh::CreateParams(TCreateParams& Params) {
  TCustomControl::CreateParams(Params);
  if (FBorderStyle == bsSingle) Params.Style |= WS_BORDER;
}

void TCalculatorEh::SetBorderStyle(TBorderStyle Value) {
  if (FBorderStyle == Value) return;
  FBorderStyle = Value;
  if (HandleAllocated()) RecreateWnd();
  UpdateAutoSize();
}

TSpeedButtonEh* TCalculatorEh::ButtonByTag(Integer Tag) const {
  for (Integer i = 0; i < GetControlCount(); ++i)
    if (auto* b = dynamic_cast<TSpeedButtonEh*>(GetControl(i)); b && b->GetTag() == Tag) return b;
  return nullptr;
}

Char TCalculatorEh::KeyOfTag(Integer Tag) {
  return Tag >= 1 && Tag <= Integer(std::size(CalcButtons)) ? CalcButtons[size_t(Tag - 1)].Key : Char(0);
}

// ---- keys ------------------------------------------------------------------------------------------------

String TCalculatorEh::GetDisplayText() const { return FTextBox->GetCaption(); }

Extended TCalculatorEh::GetDisplayValue() const {
  if (FStatus == cstErrorEh) return 0;
  Extended value = 0;
  return TryStrToFloat(Trim(GetDisplayText()), value) ? value : 0;
}

void TCalculatorEh::SetDisplay(Extended Value) {
  // The value leaves as a double: anything beyond a double's range is an error.
  if (!std::isfinite(Value) || std::fabs(Value) > std::numeric_limits<double>::max()) {
    Error();
    return;
  }
  if (Value == 0) Value = 0;  // no "-0"
  FTextBox->SetCaption(FloatToStrF(Value, ffGeneral, DisplayDigits, 0));
}

void TCalculatorEh::Error() {
  FStatus = cstErrorEh;
  FTextBox->SetCaption(ErrorText);
}

void TCalculatorEh::Clear() {
  FStatus = cstResultEh;
  FTextBox->SetCaption(u"0");
  FOperator = u'=';
  FOperand = 0;
}

void TCalculatorEh::UpdateEqualButton() {
  const bool pending = FOperand != 0 && FStatus == cstEnteringEh && IsArithmetic(FOperator);
  FEqualButton->SetCaption(pending ? EqualsCaption : OkCaption);
}

void TCalculatorEh::EnterNumber() {
  if (FStatus == cstEnteringEh) return;
  FTextBox->SetCaption(u"0");
  FStatus = cstEnteringEh;
}

void TCalculatorEh::DecimalKey() {
  EnterNumber();
  const Char sep = FormatSettings.DecimalSeparator;
  const String text = GetDisplayText();
  if (text.find(sep) == String::npos) FTextBox->SetCaption(text + sep);
}

void TCalculatorEh::DigitKey(Char Key) {
  EnterNumber();
  String text = GetDisplayText();
  if (text == u"0") text.clear();
  if (text.find(u'E') != String::npos) return;
  const size_t limit = !text.empty() && text[0] == u'-' ? DisplayDigits + 1 : DisplayDigits;
  if (text.size() < limit) text += Key;
  FTextBox->SetCaption(text.empty() ? String(u"0") : text);
}

void TCalculatorEh::BackspaceKey() {
  EnterNumber();
  String text = GetDisplayText();
  if (text.size() == 1 || (text.size() == 2 && text[0] == u'-')) text = u"0";
  else text.pop_back();
  FTextBox->SetCaption(text);
}

void TCalculatorEh::OperatorKey(Char Key) {
  if (Key == Char(VK_RETURN)) Key = u'=';
  if (FStatus == cstEnteringEh) {
    FStatus = cstResultEh;
    Extended x = GetDisplayValue();
    if (Key == u'%') {
      if (FOperator == u'*' || FOperator == u'/') x = x / 100;
      else if (FOperator == u'+' || FOperator == u'-') x = FOperand * x / 100;
    }
    switch (FOperator) {
      case u'+': SetDisplay(FOperand + x); break;
      case u'-': SetDisplay(FOperand - x); break;
      case u'*': SetDisplay(FOperand * x); break;
      case u'/':
        if (x == 0) Error();
        else SetDisplay(FOperand / x);
        break;
      default: SetDisplay(x); break;
    }
  }
  FOperator = Key;
  FOperand = GetDisplayValue();
}

void TCalculatorEh::CopyDisplay() { Clipboard()->SetAsText(GetDisplayText()); }

void TCalculatorEh::PasteNumber() {
  TClipboard* clip = Clipboard();
  if (!clip->HasFormat(CF_UNICODETEXT) && !clip->HasFormat(CF_TEXT)) return;
  Extended value = 0;
  // Text that is no number is refused: the display stays as it was.
  if (!TryStrToFloat(Trim(clip->GetAsText()), value) || !std::isfinite(value) ||
      std::fabs(value) > std::numeric_limits<double>::max()) {
    MessageBeep(0);
    return;
  }
  SetDisplay(value);
  // A pasted number stands for one typed: the pending operation takes it.
  FStatus = cstEnteringEh;
}

void TCalculatorEh::CalcKey(Char Key) {
  if (Key >= u'a' && Key <= u'z') Key = Char(Key - u'a' + u'A');
  if (FStatus == cstErrorEh && Key != u'C' && Key != Char(VK_ESCAPE)) return;
  if (Key == FormatSettings.DecimalSeparator || Key == u'.' || Key == u',') {
    DecimalKey();
    return;  // the equals button stays as it is
  }
  if (Key >= u'0' && Key <= u'9') {
    DigitKey(Key);
  } else if (IsOperatorKey(Key)) {
    OperatorKey(Key);
  } else {
    switch (Key) {
      case Char(VK_BACK): BackspaceKey(); break;
      case u'C':
      case Char(VK_ESCAPE): Clear(); break;
      case u'I': SetDisplay(-GetDisplayValue()); break;
      case u'R': {
        FStatus = cstResultEh;
        const Extended x = GetDisplayValue();
        if (x == 0) Error();
        else SetDisplay(1 / x);
        break;
      }
      case u'S': {
        FStatus = cstResultEh;
        const Extended x = GetDisplayValue();
        if (x < 0) Error();
        else SetDisplay(std::sqrt(x));
        break;
      }
      case Char(3): CopyDisplay(); break;
      case Char(22): PasteNumber(); break;
      default: break;
    }
  }
  UpdateEqualButton();
}

// ---- input ------------------------------------------------------------------------------------------------

void TCalculatorEh::SpeedButtonClick(TObject* Sender) {
  if (auto* c = dynamic_cast<TComponent*>(Sender))
    if (const Char key = KeyOfTag(Integer(c->GetTag()))) CalcKey(key);
}

void TCalculatorEh::KeyPress(Char& Key) {
  TCustomControl::KeyPress(Key);
  if (Key) CalcKey(Key);
}

void TCalculatorEh::KeyDown(Word& Key, TShiftState Shift) {
  TCustomControl::KeyDown(Key, Shift);
  if (Key == VK_DELETE) CalcKey(u'C');
}

bool TCalculatorEh::WheelStep(Extended Delta) {
  if (FStatus != cstErrorEh) SetDisplay(GetDisplayValue() + Delta);
  return true;
}

bool TCalculatorEh::DoMouseWheelDown(TShiftState Shift, TPoint MousePos) {
  return TCustomControl::DoMouseWheelDown(Shift, MousePos) || WheelStep(-1);
}

bool TCalculatorEh::DoMouseWheelUp(TShiftState Shift, TPoint MousePos) {
  return TCustomControl::DoMouseWheelUp(Shift, MousePos) || WheelStep(1);
}

// ---- popup ------------------------------------------------------------------------------------------------

TPopupCalculatorEh::TPopupCalculatorEh(TComponent* AOwner) : TCalculatorEh(AOwner) {
  FVisible = false;
  FTabStop = false;
  FCtl3D = true;
  FParentCtl3D = false;
  UpdateAutoSize();
}

void TPopupCalculatorEh::CreateParams(TCreateParams& Params) {
  TCalculatorEh::CreateParams(Params);
  SetPopupWindowParamsEh(Params, GetCtl3D(), PopupOwnerWindowEh(this));
}

void TPopupCalculatorEh::CloseUp(bool Accept) {
  if (IPopupOwnerEh* owner = PopupOwnerOfEh(this)) owner->CloseUp(Accept);
}

void TPopupCalculatorEh::CalcKey(Char Key) {
  if ((Key == Char(VK_RETURN) || Key == u'=') && CanClose()) {
    CloseUp(true);
    return;
  }
  TCalculatorEh::CalcKey(Key);
}

void TPopupCalculatorEh::KeyDown(Word& Key, TShiftState Shift) {
  TCalculatorEh::KeyDown(Key, Shift);
  if (Key == VK_ESCAPE) {
    Key = 0;
    CloseUp(false);
  }
}

bool TPopupCalculatorEh::CanClose() { return GetEqualButton()->GetCaption() == OkCaption; }

Variant TPopupCalculatorEh::GetValue() {
  if (GetStatus() == cstErrorEh) return Variant::FromError(0);
  return Variant(double(GetDisplayValue()));
}

void TPopupCalculatorEh::SetValue(const Variant& Value) {
  Clear();
  SetDisplay(Value.IsNull() || Value.IsEmpty() ? 0.0 : Value.AsDouble());
  UpdateEqualButton();
}

void TPopupCalculatorEh::SetFlat(bool Value) {
  if (FFlat == Value) return;
  FFlat = Value;
  for (Integer i = 0; i < GetControlCount(); ++i)
    if (auto* b = dynamic_cast<TSpeedButtonEh*>(GetControl(i))) b->SetFlat(false);
}

void TPopupCalculatorEh::DrawBorder() {
  if (!FHandle || GetBorderMargin() == 0) return;
  HDC dc = GetWindowDC(FHandle);
  TRect r = GetClientRectInWindow(FHandle);
  InflateRect(r, GetBorderMargin(), GetBorderMargin());
  HBRUSH frame = CreateSolidBrush(ColorToRGB(cl3DDkShadow));
  FrameRect(dc, r, frame);
  DeleteObject(frame);
  InflateRect(r, -1, -1);
  DrawEdge(dc, r, BDR_RAISEDINNER, BF_RECT);
  ReleaseDC(FHandle, dc);
}

void TPopupCalculatorEh::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_MOUSEACTIVATE: Message.Result = MA_NOACTIVATE; return;
    case CM_WANTSPECIALKEY: Message.Result = Message.WParam == VK_RETURN || Message.WParam == VK_ESCAPE ? 1 : 0; return;
    case WM_CLOSEUPNOACCEPT: CloseUp(false); return;
    case WM_NCCALCSIZE:
      TCalculatorEh::Dispatch(Message);
      ShrinkPopupClientEh(Message, GetBorderMargin());
      return;
    case WM_NCPAINT:
      TCalculatorEh::Dispatch(Message);
      DrawBorder();
      return;
    case WM_WINDOWPOSCHANGED: FVisible = PopupVisibleAfterPosChangeEh(Message, FVisible); break;
    case CM_CTL3DCHANGED:
      TCalculatorEh::Dispatch(Message);
      if (HandleAllocated()) RecreateWnd();
      UpdateAutoSize();
      return;
    default: break;
  }
  TCalculatorEh::Dispatch(Message);
}
