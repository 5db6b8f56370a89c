#pragma once
// The calculator the number editors drop down.
//
//   TCalculatorEh       a small calculator control: a display and 23 buttons laid out
//                       as its layout table says, driven by one key state machine
//                       (CalcKey) that the buttons, typed characters, Delete and the
//                       mouse wheel all feed. Arithmetic errors show "Error" and block
//                       every key but C until cleared.
//   TPopupCalculatorEh  the calculator as a drop-down: Enter or "=" while the equals
//                       button reads "Ok" closes it accepting, Esc without, through
//                       its owner's IPopupOwnerEh; its owner reaches the value through
//                       IPopupEditBoxEh.
//   IPopupEditBoxEh     what an editor asks of a drop-down that edits its value.
//
// Implementation: CalculatorEh.cpp (layout, key state machine, popup).
//
// An editor drops the calculator down like this:
//   auto* box = dynamic_cast<IPopupEditBoxEh*>(Calculator);
//   box->SetValue(Value); box->SetFlat(Flat);
//   AlignDropDownWindowEh(this, Calculator, daRight, P);
//   SetWindowPos(Calculator->GetHandle(), HWND_TOP, P.X, P.Y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
// passes it the keys it wants (WM_KEYDOWN and WM_CHAR) while it is down, and reads
// box->GetValue() in its CloseUp(true).

#include "editors/ToolCtrlsEh.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/StdCtrls.h"

// A drop-down that edits a value for its owner.
class IPopupEditBoxEh {
public:
  virtual ~IPopupEditBoxEh() = default;
  // Whether an accepting close may take the value now.
  virtual bool CanClose() = 0;
  virtual bool GetFlat() = 0;
  virtual Variant GetValue() = 0;
  virtual void SetFlat(bool Value) = 0;
  virtual void SetValue(const Variant& Value) = 0;
};

// 0: a result is shown (the next digit starts a new number); 1: a number is being
// entered; 2: an arithmetic error is shown.
enum TCalculatorStatusEh { cstResultEh, cstEnteringEh, cstErrorEh };

class TCalculatorEh : public TCustomControl {
public:
  BORROW_COMPONENT(TCalculatorEh, TCustomControl)
  explicit TCalculatorEh(TComponent* AOwner);
  ~TCalculatorEh() override;

  // The key state machine: digits, the decimal separator ("." and "," too), Backspace,
  // C and Esc (clear), I (negate), R (reciprocal), S (square root), + - * / % = and
  // Enter, Ctrl+C (3) copies the display, Ctrl+V (22) pastes a number. Letters count
  // in either case.
  virtual void CalcKey(Char Key);
  // A button's click: CalcKey with the key of its Tag.
  void SpeedButtonClick(TObject* Sender);

  // The display's text and the number it shows (0 in the error state).
  String GetDisplayText() const;
  Extended GetDisplayValue() const;
  TCalculatorStatusEh GetStatus() const { return FStatus; }
  Extended GetOperand() const { return FOperand; }
  // "=" after clearing.
  Char GetOperator() const { return FOperator; }

  TPanel* GetPanel1() const { return FPanel1; }
  TLabel* GetTextBox() const { return FTextBox; }
  // The equals button: "=" while an operation waits for its second number, else "Ok".
  TSpeedButtonEh* GetEqualButton() const { return FEqualButton; }
  // The button whose Tag is Tag (1 to 23), or null.
  TSpeedButtonEh* ButtonByTag(Integer Tag) const;
  // The key a button's Tag sends (0 for a Tag outside the layout).
  static Char KeyOfTag(Integer Tag);

  TBorderStyle GetBorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TBorderStyle Value);
  // Kept with the layout; accepted and ignored.
  bool GetOldCreateOrder() const { return FOldCreateOrder; }
  void SetOldCreateOrder(bool Value) { FOldCreateOrder = Value; }
  // The density the layout was designed at.
  Integer GetPixelsPerInch() const { return FPixelsPerInch; }
  void SetPixelsPerInch(Integer Value) { FPixelsPerInch = Value; }
  // The height of "0" in the font the layout was designed with.
  Integer GetTextHeight() const { return FTextHeight; }
  // The client size of the layout (after scaling to the font); the control's size
  // follows it.
  Integer GetLayoutClientWidth() const { return FLayoutClientWidth; }
  Integer GetLayoutClientHeight() const { return FLayoutClientHeight; }
  // The 3-D border a popup draws inside its window; none for the plain control.
  virtual Integer GetBorderMargin() const { return 0; }

protected:
  void CreateParams(TCreateParams& Params) override;
  void KeyDown(Word& Key, TShiftState Shift) override;
  void KeyPress(Char& Key) override;
  bool DoMouseWheelDown(TShiftState Shift, TPoint MousePos) override;
  bool DoMouseWheelUp(TShiftState Shift, TPoint MousePos) override;
  // Width and height: the layout's client size plus the window style's frame and
  // twice the border margin.
  void UpdateAutoSize();

  // Shows Value in the display, or the error when it is no finite number.
  void SetDisplay(Extended Value);
  void Error();
  void Clear();
  void UpdateEqualButton();

private:
  void CreateControls();
  // Fits the layout to the screen's density and to the height of the font's text.
  void ScaleLayout();
  void EnterNumber();
  void DecimalKey();
  void DigitKey(Char Key);
  void BackspaceKey();
  void OperatorKey(Char Key);
  void CopyDisplay();
  void PasteNumber();
  bool WheelStep(Extended Delta);

  TPanel* FPanel1 = nullptr;  // children, owned as components
  TLabel* FTextBox = nullptr;
  TSpeedButtonEh* FEqualButton = nullptr;
  Extended FOperand = 0;
  Char FOperator = u'=';
  TCalculatorStatusEh FStatus = cstResultEh;
  TBorderStyle FBorderStyle = bsNone;
  bool FOldCreateOrder = false;
  Integer FPixelsPerInch;
  Integer FTextHeight;
  Integer FLayoutClientWidth;
  Integer FLayoutClientHeight;
};

class TPopupCalculatorEh : public TCalculatorEh, public IPopupEditBoxEh {
public:
  BORROW_COMPONENT(TPopupCalculatorEh, TCalculatorEh)
  explicit TPopupCalculatorEh(TComponent* AOwner);

  // Enter or "=" while the equals button reads "Ok" closes accepting; every other
  // key goes to the calculator.
  void CalcKey(Char Key) override;
  // A popup never takes the focus from its owner.
  bool CanFocus() override { return false; }
  Integer GetBorderMargin() const override { return GetCtl3D() ? 2 : 0; }

  // IPopupEditBoxEh
  bool CanClose() override;
  bool GetFlat() override { return FFlat; }
  // An error Variant in the error state, else the shown number as a double.
  Variant GetValue() override;
  void SetFlat(bool Value) override;
  // Clears, then shows the value (Null and Empty as 0).
  void SetValue(const Variant& Value) override;

  void Dispatch(TMessage& Message) override;

protected:
  void CreateParams(TCreateParams& Params) override;
  void KeyDown(Word& Key, TShiftState Shift) override;
  void DrawBorder();
  void CloseUp(bool Accept);

private:
  bool FFlat = true;
};
