#pragma once
// The mask edit: an edit whose text follows an edit mask (MaskUtils.h). Typing
// overwrites the input positions one by one, skipping literals; a character a
// position does not accept is refused with a beep; Backspace and Delete blank
// positions instead of closing the gap. Without a mask it is a plain edit.

#include "platform/ui/MaskUtils.h"
#include "platform/ui/StdCtrls.h"

class TCustomMaskEdit : public TCustomEdit {
public:
  BORROW_COMPONENT(TCustomMaskEdit, TCustomEdit)
  explicit TCustomMaskEdit(TComponent* AOwner);

  String GetEditMask() const { return FEditMask; }
  void SetEditMask(const String& Value);
  bool IsMasked() const { return !FMask.IsEmpty(); }
  const TEditMask& GetMask() const { return FMask; }
  // Every position of the mask: literals, typed characters and blank characters.
  String GetEditText() const { return FBuffer.GetText(); }
  void SetEditText(const String& Value);
  // Raises EDBEditError, with the caret at the first position still missing, when a
  // required position is blank.
  virtual void ValidateEdit();
  // Puts the caret on an input position.
  void CheckCursor();

  void Dispatch(TMessage& Message) override;
  void DefaultHandler(TMessage& Message) override;

protected:
  // Asked before every change the user makes to a masked text.
  virtual bool EditCanModify() { return true; }
  // Esc: the text of when the control got the focus comes back.
  virtual void Reset();
  virtual void ValidateError();
  String GetTextValue() const override;
  void SetTextValue(const String& Value) override;
  void EditKeyDown(TMessage& Message) override;
  void EditChar(TMessage& Message) override;
  void EditPaste() override;
  void EditCut() override;
  void EditClear() override;

private:
  // Blanks the input positions of [From, To).
  String Blanked(Integer From, Integer To) const;
  void PutMaskedText(const String& Text, Integer Caret);
  // Blanks the selected input positions; the caret goes to the selection's start.
  void BlankSelection();
  // The text that input goes into, its selection blanked, and where the input starts.
  String TextForInput(Integer& From) const;
  // The caret, without a selection, at Pos.
  void MoveCaret(Integer Pos);
  String FromEditText(const String& Value) const;

  String FEditMask;
  TEditMask FMask;
  String FOldValue;
};

class TMaskEdit : public TCustomMaskEdit {
public:
  BORROW_COMPONENT(TMaskEdit, TCustomMaskEdit)
  explicit TMaskEdit(TComponent* AOwner) : TCustomMaskEdit(AOwner) {}
};
