#pragma once
// A form on the headless display with edits that drop down a popup month calendar
// or a popup calculator the way the library's editors do: the edit keeps the focus,
// passes the keys, characters and wheel turns to the open popup, asks it which
// special keys it takes, closes it when the focus leaves, and on an accepting close
// posts the popup's value into its text (a date in the short date format, a number
// as the locale writes it).
//
//   MakeForm();
//   Calendar->DropDown();  Display.Key(VK_RIGHT);  Display.Key(VK_RETURN);
//   EXPECT_EQ(Calendar->GetText(), u"16.03.2024");

#include <cairo.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "editors/CalculatorEh.h"
#include "editors/ToolCtrlsEh.h"
#include "platform/backend/Headless.h"
#include "platform/core/DateTime.h"
#include "platform/core/Format.h"
#include "platform/ui/Forms.h"
#include "platform/ui/StdCtrls.h"
#include "platform/ui/Windows.h"

class TPopupOwnerEdit : public TEdit, public IPopupOwnerEh {
public:
  template <class P>
  static TPopupOwnerEdit* Create(TComponent* AOwner) {
    auto* e = new TPopupOwnerEdit(AOwner);
    e->Popup = new P(e);
    return e;
  }

  TWinControl* Popup = nullptr;
  TDropDownAlign Align = daLeft;
  // Each close, accepted or not, in order.
  std::vector<bool> Closes;

  bool DroppedDown() const { return FDropped; }
  TPopupMonthCalendarEh* Calendar() const { return dynamic_cast<TPopupMonthCalendarEh*>(Popup); }
  TPopupCalculatorEh* Calculator() const { return dynamic_cast<TPopupCalculatorEh*>(Popup); }

  void DropDown() {
    if (TPopupMonthCalendarEh* c = Calendar()) {
      TDateTime d = 0;
      c->SetDate(TryStrToDate(GetText(), d) ? d : Date());
    } else if (auto* box = dynamic_cast<IPopupEditBoxEh*>(Popup)) {
      Extended v = 0;
      box->SetValue(TryStrToFloat(GetText(), v) ? Variant(double(v)) : Variant(0.0));
    }
    TPoint p;
    AlignDropDownWindowEh(this, Popup, Align, p);
    SetWindowPos(Popup->GetHandle(), HWND_TOP, p.X, p.Y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    FDropped = true;
  }

  void CloseUp(bool Accept) override {
    if (!FDropped) return;
    FDropped = false;
    SetWindowPos(Popup->GetHandle(), nullptr, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_HIDEWINDOW);
    Closes.push_back(Accept);
    if (!Accept) return;
    if (TPopupMonthCalendarEh* c = Calendar()) {
      SetText(DateToStr(c->GetDate()));
    } else if (auto* box = dynamic_cast<IPopupEditBoxEh*>(Popup)) {
      const Variant v = box->GetValue();
      if (v.VarType() == varDouble) SetText(FloatToStr(v.AsDouble()));
    }
  }

  void Dispatch(TMessage& Message) override {
    switch (Message.Msg) {
      case CM_WANTSPECIALKEY:
        if (FDropped && Popup->Perform(CM_WANTSPECIALKEY, Message.WParam, Message.LParam)) {
          Message.Result = 1;
          return;
        }
        break;
      case CM_MOUSEWHEEL:
        if (FDropped) {
          Message.Result = Popup->Perform(CM_MOUSEWHEEL, Message.WParam, Message.LParam);
          return;
        }
        break;
      case WM_KILLFOCUS:
        if (HwndFromParam(Message.WParam) != Popup->GetHandle()) CloseUp(false);
        break;
      case CM_CANCELMODE: {
        auto* sender = reinterpret_cast<TControl*>(Message.LParam);
        if (sender != this && sender != Popup) CloseUp(false);
        break;
      }
      default: break;
    }
    TEdit::Dispatch(Message);
  }

protected:
  explicit TPopupOwnerEdit(TComponent* AOwner) : TEdit(AOwner) {}

  void KeyDown(Word& Key, TShiftState Shift) override {
    if (FDropped && Key != VK_SHIFT && Key != VK_CONTROL && Key != VK_MENU) {
      Popup->Perform(WM_KEYDOWN, Key, 0);
      Key = 0;
      return;
    }
    TEdit::KeyDown(Key, Shift);
  }

  void KeyPress(Char& Key) override {
    if (FDropped) {
      Popup->Perform(WM_CHAR, Key, 0);
      Key = 0;
      return;
    }
    TEdit::KeyPress(Key);
  }

private:
  bool FDropped = false;
};

class PopupOwnerFixture : public ::testing::Test {
protected:
  THeadlessDisplay Display;
  TFormatSettings SavedSettings = FormatSettings;
  TForm* Form = nullptr;
  TPopupOwnerEdit* DateEdit = nullptr;
  TPopupOwnerEdit* NumberEdit = nullptr;
  TButton* Other = nullptr;

  PopupOwnerFixture() {
    // The Russian settings, whatever the machine's.
    FormatSettings = TFormatSettings();
    FormatSettings.DecimalSeparator = u',';
    FormatSettings.DateSeparator = u'.';
    FormatSettings.ShortDateFormat = u"dd.MM.yyyy";
  }
  ~PopupOwnerFixture() override { FormatSettings = SavedSettings; }

  // A form at (100, 100): a date edit at (20, 20), a number edit at (270, 20), a button below.
  void MakeForm() {
    Form = new TForm(Application);
    Form->SetBounds(100, 100, 480, 320);
    DateEdit = TPopupOwnerEdit::Create<TPopupMonthCalendarEh>(Form);
    DateEdit->SetParent(Form);
    DateEdit->SetBounds(20, 20, 150, 21);
    NumberEdit = TPopupOwnerEdit::Create<TPopupCalculatorEh>(Form);
    NumberEdit->SetParent(Form);
    NumberEdit->SetBounds(270, 20, 150, 21);
    NumberEdit->Align = daRight;
    Other = new TButton(Form);
    Other->SetParent(Form);
    Other->SetBounds(20, 250, 75, 25);
    Form->Show();
    Display.ProcessMessages();
  }

  void Focus(TWinControl* Control) {
    Form->SetActiveControl(Control);
    Display.ProcessMessages();
  }

  TPopupMonthCalendarEh* Calendar() const { return DateEdit->Calendar(); }
  TPopupCalculatorEh* Calculator() const { return NumberEdit->Calculator(); }
  bool Shown(TWinControl* Popup) const { return Popup->HandleAllocated() && IsWindowVisible(Popup->GetHandle()); }

  static bool IsDate(UINT Hit) { return (Hit & MCHT_CALENDARDATE) == MCHT_CALENDARDATE && (Hit & 0xFFFF) == 1; }
  // The centre of the calendar's cell for Day (in the month shown), client coordinates.
  TPoint DayPoint(TDateTime Day) const {
    const TRect client = Calendar()->GetClientRect();
    for (Integer y = 0; y < client.Bottom; y += 2)
      for (Integer x = 0; x < client.Right; x += 2) {
        TMCHitTestInfo info;
        info.pt = TPoint(x, y);
        if (IsDate(Calendar()->HitTest(info)) && info.st == Day) {
          // Walk to the middle of the cell.
          Integer right = x, bottom = y;
          TMCHitTestInfo probe;
          for (probe.pt = TPoint(right + 1, y); IsDate(Calendar()->HitTest(probe)) && probe.st == Day;
               probe.pt.X = ++right + 1) {
          }
          for (probe.pt = TPoint(x, bottom + 1); IsDate(Calendar()->HitTest(probe)) && probe.st == Day;
               probe.pt.Y = ++bottom + 1) {
          }
          return TPoint((x + right) / 2, (y + bottom) / 2);
        }
      }
    ADD_FAILURE() << "no cell for the day";
    return TPoint(-1, -1);
  }

  // The first point (client coordinates) whose hit-test answer is Hit.
  TPoint PointOfHit(UINT Hit) const {
    const TRect client = Calendar()->GetClientRect();
    for (Integer y = 0; y < client.Bottom; ++y)
      for (Integer x = 0; x < client.Right; ++x) {
        TMCHitTestInfo info;
        info.pt = TPoint(x, y);
        if (Calendar()->HitTest(info) == Hit) return TPoint(x, y);
      }
    ADD_FAILURE() << "no point with hit " << Hit;
    return TPoint(-1, -1);
  }

  // A rectangle of the calculator's design as the calculator scales it to its font:
  // by the height of "0" in that font against the 13 pixels it was designed for.
  TRect ScaledToFont(TCalculatorEh* Calc, TRect Design) const {
    TSize extent{0, 0};
    HDC dc = CreateCompatibleDC(nullptr);
    SelectObject(dc, Calc->GetFont()->GetHandle());
    GetTextExtentPoint32(dc, u"0", 1, extent);
    DeleteDC(dc);
    const Integer m = extent.cy, d = Calc->GetTextHeight();
    const Integer l = MulDiv(Design.Left, m, d), t = MulDiv(Design.Top, m, d);
    return TRect(l, t, MulDiv(Design.Right, m, d), MulDiv(Design.Bottom, m, d));
  }

  // The middle of the calculator's button with that Tag, client coordinates.
  TPoint ButtonPoint(Integer Tag) const {
    const TRect r = Calculator()->ButtonByTag(Tag)->GetBoundsRect();
    return TPoint((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
  }

  void ClickButton(Integer Tag) {
    const TPoint p = ButtonPoint(Tag);
    Display.Click(Calculator()->GetHandle(), p.X, p.Y);
  }
};

// The top-level windows as the screen shows them, over a desktop colour, in one PNG.
inline void SaveScreenAreaPNG(const std::vector<HWND>& Windows, const TRect& Area, const std::string& Path) {
  cairo_surface_t* out = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, Area.Width(), Area.Height());
  cairo_t* cr = cairo_create(out);
  cairo_set_source_rgb(cr, 0.23, 0.43, 0.65);
  cairo_paint(cr);
  for (HWND w : Windows) {
    cairo_surface_t* image = RenderWindow(w);
    const TRect r = GetWindowRect(w);
    cairo_set_source_surface(cr, image, r.Left - Area.Left, r.Top - Area.Top);
    cairo_paint(cr);
  }
  cairo_destroy(cr);
  cairo_surface_write_to_png(out, Path.c_str());
  cairo_surface_destroy(out);
}
