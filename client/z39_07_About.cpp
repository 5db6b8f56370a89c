#include "client/z39_07_About.h"

#include "client/z39_00_func.h"
#include "platform/ui/Buttons.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/Jpeg.h"
#include "platform/ui/StdCtrls.h"

namespace {
constexpr Char kOwnerLine[] = u"Для каталогизаторов библиотек, которым нужны готовые записи";
}

TAboutBox::TAboutBox(TComponent* AOwner) : TForm(AOwner) {
  CreateControls();
  DoCreate();
}

TAboutBox::~TAboutBox() {
  if (AboutBox == this) AboutBox = nullptr;
}

void TAboutBox::CreateControls() {
  SetName(u"AboutBox");
  SetCaption(u"About");
  SetBorderStyle(bsDialog);
  SetPosition(poScreenCenter);
  SetClientWidth(330);
  SetClientHeight(206);
  SetColor(SkyBlueBackColor);
  GetFont()->SetName(u"Tahoma");
  GetFont()->SetColor(SkyBlueFontColor);
  SetKeyPreview(true);

  Panel1 = new TPanel(this);
  Panel1->SetName(u"Panel1");
  Panel1->SetParent(this);
  Panel1->SetBounds(8, 8, 314, 160);
  Panel1->SetBevelOuter(bvLowered);
  Panel1->SetCaption(String());

  ProgramIcon = new TImage(this);
  ProgramIcon->SetName(u"ProgramIcon");
  ProgramIcon->SetParent(Panel1);
  ProgramIcon->SetBounds(8, 8, 112, 112);
  TJPEGImage picture;
  const std::string_view bytes = AboutPictureJpeg();
  picture.LoadFromBytes(std::string(bytes));
  ProgramIcon->GetPicture()->SetGraphic(picture.GetBitmap());

  auto addLabel = [this](TLabel*& Label, const Char* Name, Integer Top, const String& Caption) {
    Label = new TLabel(this);
    Label->SetName(Name);
    Label->SetParent(Panel1);
    Label->SetBounds(128, Top, 180, 16);
    Label->SetAutoSize(false);
    Label->SetWordWrap(true);
    Label->SetCaption(Caption);
  };
  addLabel(ProductName, u"ProductName", 12, u"Borrowline  (Z39.50)");
  ProductName->GetFont()->SetStyle({fsBold});
  addLabel(Version, u"Version", 34, String());
  addLabel(Copyright, u"Copyright", 56, u"Заимствование библиографических записей");
  Copyright->SetHeight(30);
  addLabel(Comments, u"Comments", 90, u"Программа бесплатная: используйте свободно");
  Comments->SetHeight(30);
  addLabel(OwnerLine, u"OwnerLine", 126, String());
  OwnerLine->SetBounds(8, 126, 300, 30);

  SB_OK = new TSpeedButton(this);
  SB_OK->SetName(u"SB_OK");
  SB_OK->SetParent(this);
  SB_OK->SetBounds(127, 176, 76, 24);
  SB_OK->SetCaption(u"OK");
  SB_OK->GetFont()->SetStyle({fsBold});
  SB_OK->OnClick = [this](TObject* Sender) { SB_OKClick(Sender); };

  OnKeyDown = [this](TObject* Sender, Word& Key, TShiftState Shift) { FormKeyDown(Sender, Key, Shift); };
}

void TAboutBox::SB_OKClick(TObject*) { SetModalResult(mrOk); }

void TAboutBox::FormKeyDown(TObject*, Word& Key, TShiftState) {
  if (Key == VK_RETURN) {
    Key = 0;
    SB_OKClick(SB_OK);
  }
}

bool ShowAbout(TAboutBox* Box) {
  Box->Version->SetCaption(AboutVersionText);
  Box->OwnerLine->SetCaption(String());
  Box->OwnerLine->SetCaption(kOwnerLine);
  return Box->ShowModal() == mrOk;
}
