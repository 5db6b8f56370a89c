// A small form on the SDL2 display, to see the controls on a real screen.
//   sdl_demo [--exit-after MS]
// Prints "ready X Y" (the client area's screen position) once the form is shown;
// without a display it says so on stderr and exits with 1.

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/backend/SdlDisplay.h"
#include "platform/ui/Buttons.h"
#include "platform/ui/CheckLst.h"
#include "platform/ui/ComCtrls.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/Gauges.h"
#include "platform/ui/Mask.h"
#include "platform/ui/ValEdit.h"

namespace {

class TDemoForm final : public TForm {
public:
  explicit TDemoForm(TComponent* AOwner) : TForm(AOwner) {
    SetCaption(u"Демонстрация элементов");
    SetBounds(40, 30, 720, 470);
    SetColor(TColor(0xF0CAA6));
    GetFont()->SetColor(TColor(0x800000));
    CreateControls();
    DoCreate();
  }

  TPanel* Panel_Top = nullptr;
  TSpeedButton* SB_Close = nullptr;
  TLabel* Label_Title = nullptr;
  TEdit* Edit_Title = nullptr;
  TMaskEdit* Edit_Count = nullptr;
  TCheckListBox* clb_Names = nullptr;
  TComboBox* cb_Mode = nullptr;
  TButton* Button_OK = nullptr;
  TTimer* Timer_Ready = nullptr;

private:
  void CreateControls() {
    Panel_Top = new TPanel(this);
    Panel_Top->SetParent(this);
    Panel_Top->SetAlign(alTop);
    Panel_Top->SetHeight(36);
    Panel_Top->SetColor(TColor(0xF0CAA6));
    SB_Close = new TSpeedButton(this);
    SB_Close->SetParent(Panel_Top);
    SB_Close->SetBounds(6, 5, 90, 26);
    SB_Close->SetCaption(u"Выход");
    SB_Close->SetFlat(true);
    SB_Close->OnClick = [this](TObject*) { Close(); };

    Label_Title = new TLabel(this);
    Label_Title->SetParent(this);
    Label_Title->SetBounds(12, 52, 100, 16);
    Label_Title->SetCaption(u"Заголовок:");
    Edit_Title = new TEdit(this);
    Edit_Title->SetParent(this);
    Edit_Title->SetBounds(110, 48, 200, 21);
    Edit_Title->SetText(u"Война и мир");
    Edit_Count = new TMaskEdit(this);
    Edit_Count->SetParent(this);
    Edit_Count->SetBounds(320, 48, 60, 21);
    Edit_Count->SetEditMask(u"999;0; ");
    Edit_Count->SetText(u"10");

    clb_Names = new TCheckListBox(this);
    clb_Names->SetParent(this);
    clb_Names->SetBounds(12, 84, 298, 120);
    for (auto* s : {u"Российская государственная библиотека (rusmarc)", u"Library of Congress (marc21)",
                    u"Тестовый сервер (unimarc)"})
      clb_Names->GetItems()->Add(s);
    clb_Names->SetChecked(0, true);
    clb_Names->SetItemIndex(1);

    cb_Mode = new TComboBox(this);
    cb_Mode->SetParent(this);
    cb_Mode->SetBounds(320, 84, 140, 21);
    cb_Mode->SetStyle(csDropDownList);
    cb_Mode->GetItems()->Add(u"Простой");
    cb_Mode->SetItemIndex(0);

    Button_OK = new TButton(this);
    Button_OK->SetParent(this);
    Button_OK->SetBounds(385, 250, 75, 25);
    Button_OK->SetCaption(u"OK");
    Button_OK->SetDefault(true);
    Button_OK->OnClick = [this](TObject*) { Close(); };

    // More controls to the right and below, to look at on a real screen.
    auto* group = new TGroupBox(this);
    group->SetParent(this);
    group->SetBounds(480, 48, 220, 80);
    group->SetCaption(u"Вариант сохранения записей: ");
    for (int i = 0; i < 2; ++i) {
      auto* r = new TRadioButton(this);
      r->SetParent(group);
      r->SetBounds(10, 22 + i * 24, 200, 17);
      r->SetCaption(i == 0 ? u"Для каждого ресурса" : u"Для каждого формата");
      r->SetChecked(i == 0);
    }
    auto* check = new TCheckBox(this);
    check->SetParent(this);
    check->SetBounds(480, 140, 200, 17);
    check->SetCaption(u"с начала списка");
    check->SetChecked(true);
    auto* gauge = new TGauge(this);
    gauge->SetParent(this);
    gauge->SetBounds(480, 170, 220, 20);
    gauge->SetForeColor(TColor(0x800000));
    gauge->SetProgress(50);
    auto* log = new TRichEdit(this);
    log->SetParent(this);
    log->SetBounds(12, 300, 448, 150);
    log->SetReadOnly(true);
    log->GetLines()->Add(u"Начало поиска: 07.12.2026 6:00:00");
    log->SetSelStart(log->GetTextLen());
    log->GetSelAttributes()->SetColor(clRed);
    log->GetLines()->Add(u"Ошибка: нет связи с сервером");
    log->SetSelStart(log->GetTextLen());
    log->GetSelAttributes()->SetColor(TColor(0x008000));
    log->GetLines()->Add(u"(5) Тестовый сервер (unimarc): получено 5 записей, сохранено в файл UNIMARC.iso");
    auto* values = new TValueListEditor(this);
    values->SetParent(this);
    values->SetBounds(480, 210, 220, 120);
    values->GetTitleCaptions()->Clear();
    values->GetTitleCaptions()->Add(u"Параметр");
    values->GetTitleCaptions()->Add(u"Значение");
    values->SetColWidths(0, 90);
    values->SetColWidths(1, 126);
    values->SetFixedColor(TColor(0xF0CAA6));
    values->InsertRow(u"Наименование", u"РГБ", true);
    values->InsertRow(u"Порт", u"210", true);
    values->InsertRow(u"Формат", u"rusmarc", true);
    auto* glyphButton = new TSpeedButton(this);
    glyphButton->SetParent(this);
    glyphButton->SetBounds(480, 345, 110, 28);
    glyphButton->SetCaption(u"Искать !");
    TBitmap glyph;
    glyph.SetSize(16, 16);
    glyph.GetCanvas()->GetBrush()->SetColor(clFuchsia);
    glyph.GetCanvas()->FillRect(TRect(0, 0, 16, 16));
    glyph.GetCanvas()->GetBrush()->SetColor(clGreen);
    glyph.GetCanvas()->Ellipse(2, 2, 14, 14);
    glyphButton->SetGlyph(&glyph);

    Timer_Ready = new TTimer(this);
    Timer_Ready->SetInterval(300);
    Timer_Ready->OnTimer = [this](TObject*) {
      Timer_Ready->SetEnabled(false);
      TPoint p(0, 0);
      ::ClientToScreen(GetHandle(), p);
      std::printf("ready %d %d\n", int(p.X), int(p.Y));
      std::fflush(stdout);
    };
    SetActiveControl(Edit_Title);
  }
};

}  // namespace

int main(int argc, char** argv) {
  int exitAfter = 0;
  for (int i = 1; i + 1 < argc; ++i)
    if (std::strcmp(argv[i], "--exit-after") == 0) exitAfter = std::atoi(argv[i + 1]);
  String error;
  std::unique_ptr<TSdlDisplay> display = TSdlDisplay::Open(error);
  if (!display) {
    std::fprintf(stderr, "%s\n", ToUtf8(error).c_str());
    return 1;
  }
  InitializeForms();
  TDemoForm* form = nullptr;
  Application->CreateForm(form);
  TTimer* quit = nullptr;
  if (exitAfter > 0) {
    quit = new TTimer(form);
    quit->SetInterval(Cardinal(exitAfter));
    quit->OnTimer = [form](TObject*) { form->Close(); };
  }
  Application->Run();
  FinalizeForms();
  display.reset();
  return 0;
}
