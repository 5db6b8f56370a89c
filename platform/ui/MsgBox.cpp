#include "platform/ui/MsgBox.h"

#include <algorithm>

#include "platform/core/ScopeGuard.h"
#include "platform/core/Strings.h"
#include "platform/ui/ControlPaint.h"

namespace {

String ButtonCaption(Integer Id) {
  switch (Id) {
    case IDOK: return u"ОК";
    case IDCANCEL: return u"Отмена";
    case IDABORT: return u"Прервать";
    case IDRETRY: return u"Повтор";
    case IDIGNORE: return u"Пропустить";
    case IDYES: return u"Да";
    case IDNO: return u"Нет";
    case IDALL: return u"Все";
    default: return IntToStr(Id);
  }
}

}  // namespace

Integer TitleBarClientWidth(const String& Caption) {
  // Window managers draw titles bold and often larger than a dialog's text: ten
  // points of the UI face in bold measure at least as wide as the common ones.
  TFont font;
  font.SetName(u"Tahoma");
  font.SetSize(10);
  font.SetStyle({fsBold});
  TSize text;
  GetTextExtentPoint32(TMeasureDC(&font), Caption, Integer(Caption.size()), text);
  // The bar's icon (16) with its margins (2 x 6), the space left and right of
  // the text (2 x 8), and three buttons of 26 (many window managers show
  // minimize and maximize on a dialog too).
  constexpr Integer kTitleBarAllowance = 16 + 2 * 6 + 2 * 8 + 3 * 26;
  return text.cx + kTitleBarAllowance;
}

TMessageForm::TMessageForm(TComponent* AOwner, const TMessageBoxRequest& Request) : TForm(AOwner) {
  SetBorderStyle(bsDialog);
  SetPosition(poScreenCenter);
  SetCaption(Request.Caption);
  SetKeyPreview(false);
  Label_Text = new TLabel(this);
  Label_Text->SetParent(this);
  Label_Text->SetShowAccelChar(false);
  Label_Text->SetWordWrap(true);
  Label_Text->SetAutoSize(false);
  // The text decides the width (within limits), then its height.
  TRect calc(0, 0, 420, 0);
  DrawText(TMeasureDC(GetFont()), Request.Text, -1, calc, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS);
  const std::vector<Integer> ids = MessageBoxButtons(Request.Flags);
  const Integer bw = 80, bh = 25, gap = 8;
  const Integer buttonsWidth = Integer(ids.size()) * bw + (Integer(ids.size()) - 1) * gap;
  const Integer width =
      std::max(std::max({calc.Width(), buttonsWidth, 160}) + 32, TitleBarClientWidth(Request.Caption));
  Label_Text->SetBounds(16, 16, width - 32, calc.Height());
  Label_Text->SetCaption(Request.Text);
  const Integer top = 16 + calc.Height() + 16;
  SetClientWidth(width);
  SetClientHeight(top + bh + 12);
  const Integer def = MessageBoxDefaultButton(Request.Flags);
  const bool hasCancel = std::find(ids.begin(), ids.end(), IDCANCEL) != ids.end();
  Integer x = (width - buttonsWidth) / 2;
  for (Integer id : ids) {
    auto* b = new TButton(this);
    b->SetParent(this);
    b->SetBounds(x, top, bw, bh);
    b->SetCaption(ButtonCaption(id));
    b->SetModalResult(id);
    b->SetDefault(id == def);
    b->SetCancel(id == IDCANCEL || (!hasCancel && ids.size() == 1));
    if (id == def) SetActiveControl(b);
    Buttons.push_back(b);
    x += bw + gap;
  }
  DoCreate();
}

Integer ShowMessageForm(const TMessageBoxRequest& Request) {
  InitializeForms();
  Integer result = 0;
  {
    auto* form = new TMessageForm(Application, Request);
    TScopeExit Free([&] { delete form; });
    result = form->ShowModal();
  }
  // Closed from the title bar: Cancel when the box has it, else its default button.
  const std::vector<Integer> ids = MessageBoxButtons(Request.Flags);
  if (std::find(ids.begin(), ids.end(), result) == ids.end()) {
    const bool hasCancel = std::find(ids.begin(), ids.end(), IDCANCEL) != ids.end();
    result = hasCancel ? IDCANCEL : MessageBoxDefaultButton(Request.Flags);
  }
  return result;
}
