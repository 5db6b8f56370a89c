#pragma once
// A form on the headless display with an edit that drops down a popup list the
// way the library's editors do: it keeps the focus, passes the keys the list wants
// to it, closes it on Enter, Esc, a click beside it or the loss of the focus, and
// closes it accepting when a click inside the list leaves the close-up flag set.

#include <gtest/gtest.h>

#include <vector>

#include "editors/ToolCtrlsEh.h"
#include "platform/backend/Headless.h"
#include "platform/ui/Forms.h"
#include "platform/ui/StdCtrls.h"

class TDropDownEdit : public TEdit, public IPopupOwnerEh {
public:
  // The list is made by the caller's factory so a test can drop down any kind of popup list.
  template <class L = TPopupListboxEh>
  static TDropDownEdit* Create(TComponent* AOwner) {
    auto* e = new TDropDownEdit(AOwner);
    e->List = new L(e);
    e->Bind();
    return e;
  }

  TPopupListboxEh* List = nullptr;
  TDropDownAlign Align = daLeft;
  Integer Rows = 7;
  // Each close, accepted or not, in order.
  std::vector<bool> Closes;

  bool DroppedDown() const { return FDropped; }

  void DropDown() {
    List->SetRowCount(std::min(Rows, std::max<Integer>(1, List->GetCount())));
    List->SetWidth(GetWidth());
    TPoint p;
    AlignDropDownWindowEh(this, List, Align, p);
    SetWindowPos(List->GetHandle(), HWND_TOP, p.X, p.Y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    List->SetSizeChanged(false);
    FDropped = true;
  }

  void CloseUp(bool Accept) override {
    if (!FDropped) return;
    FDropped = false;
    SetWindowPos(List->GetHandle(), nullptr, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_HIDEWINDOW);
    if (Accept && List->GetItemIndex() >= 0) SetText(List->GetItemText(List->GetItemIndex()));
    Closes.push_back(Accept);
  }

  void Dispatch(TMessage& Message) override {
    switch (Message.Msg) {
      case CM_WANTSPECIALKEY:
        if (FDropped && (Message.WParam == VK_RETURN || Message.WParam == VK_ESCAPE)) {
          Message.Result = 1;
          return;
        }
        break;
      case WM_KILLFOCUS:
        if (HwndFromParam(Message.WParam) != List->GetHandle()) CloseUp(false);
        break;
      case CM_CANCELMODE: {
        auto* sender = reinterpret_cast<TControl*>(Message.LParam);
        if (sender != this && sender != List) CloseUp(false);
        break;
      }
      default: break;
    }
    TEdit::Dispatch(Message);
  }

protected:
  explicit TDropDownEdit(TComponent* AOwner) : TEdit(AOwner) {}

  void KeyDown(Word& Key, TShiftState Shift) override {
    if (FDropped) {
      switch (Key) {
        case VK_RETURN:
          CloseUp(true);
          Key = 0;
          return;
        case VK_ESCAPE:
          CloseUp(false);
          Key = 0;
          return;
        case VK_UP:
        case VK_DOWN:
        case VK_PRIOR:
        case VK_NEXT:
          List->Perform(WM_KEYDOWN, Key, 0);
          Key = 0;
          return;
        default: break;
      }
    }
    TEdit::KeyDown(Key, Shift);
  }

  void KeyPress(Char& Key) override {
    if (FDropped) {
      List->Perform(WM_CHAR, Key, 0);
      Key = 0;
      return;
    }
    TEdit::KeyPress(Key);
  }

private:
  void Bind() {
    List->OnMouseUp = [this](TObject*, TMouseButton Button, TShiftState, Integer X, Integer Y) {
      if (Button == mbLeft && List->GetMouseCloseUp() && List->GetClientRect().Contains(TPoint(X, Y))) CloseUp(true);
    };
  }
  bool FDropped = false;
};

class DropDownFixture : public ::testing::Test {
protected:
  THeadlessDisplay Display;
  TForm* Form = nullptr;
  TDropDownEdit* Edit = nullptr;
  TButton* Other = nullptr;

  // A form at (100, 100) with the edit at (20, EditTop) and a button beside it.
  template <class L = TPopupListboxEh>
  void MakeForm(Integer EditTop = 20, Integer FormHeight = 300) {
    Form = new TForm(Application);
    Form->SetBounds(100, 100, 400, FormHeight);
    Edit = TDropDownEdit::Create<L>(Form);
    Edit->SetParent(Form);
    Edit->SetBounds(20, EditTop, 150, 21);
    Other = new TButton(Form);
    Other->SetParent(Form);
    Other->SetBounds(250, 20, 75, 25);
    Form->Show();
    Form->SetActiveControl(Edit);
    Display.ProcessMessages();
  }

  void AddItems(std::initializer_list<const char16_t*> Texts) {
    for (const char16_t* t : Texts) Edit->List->GetItems()->Add(t);
  }

  TRect ListScreenRect() const { return GetWindowRect(Edit->List->GetHandle()); }
  TRect EditScreenRect() const { return GetWindowRect(Edit->GetHandle()); }
  bool ListShown() const { return Edit->List->HandleAllocated() && IsWindowVisible(Edit->List->GetHandle()); }
  // The middle of item Index in the list's client coordinates.
  TPoint ItemCentre(Integer Index) const {
    const TRect r = Edit->List->ItemRect(Index);
    return TPoint((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
  }
};
