#pragma once
// The check list box: a list box whose items carry a check box. A click on the
// box (or Space) toggles it and runs OnClickCheck; a click on the text selects.

#include "platform/ui/StdCtrls.h"

class TCheckListBox : public TCustomListBox {
public:
  BORROW_COMPONENT(TCheckListBox, TCustomListBox)
  explicit TCheckListBox(TComponent* AOwner);

  bool GetChecked(Integer Index) const { return GetState(Index) == cbChecked; }
  void SetChecked(Integer Index, bool Value) { SetState(Index, Value ? cbChecked : cbUnchecked); }
  TCheckBoxState GetState(Integer Index) const;
  void SetState(Integer Index, TCheckBoxState Value);
  bool GetItemEnabled(Integer Index) const;
  void SetItemEnabled(Integer Index, bool Value);
  bool GetAllowGrayed() const { return FAllowGrayed; }
  void SetAllowGrayed(bool Value) { FAllowGrayed = Value; }
  bool GetFlat() const { return FFlat; }
  void SetFlat(bool Value);

  TNotifyEvent OnClickCheck;

  void DefaultHandler(TMessage& Message) override;

protected:
  void DrawItem(Integer Index, TRect Rect, TOwnerDrawState State) override;
  void ListMouseDown(TPoint P, bool Double) override;
  Integer ItemTextIndent() const override { return 2; }
  // The user toggled an item: next state, then OnClickCheck.
  void ToggleClickCheck(Integer Index);
  virtual void ClickCheck();
  Integer CheckWidth() const { return 15; }

  bool FAllowGrayed = false;
  bool FFlat = true;
};
