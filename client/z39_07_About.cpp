#include "client/z39_07_About.h"

#include "client/__forms.h"
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
  SetUpDialogFrame(this, u"AboutBox", 330, 206);
  SetCaption(u"About");
  SetSkyBlueColors(this);
  SetKeyPreview(true);

  Panel1 = NewControl<TPanel>(this, this, u"Panel1", Bounds(8, 8, 314, 160));
  Panel1->SetBevelOuter(bvLowered);
  Panel1->SetCaption(String());

  ProgramIcon = NewControl<TImage>(this, Panel1, u"ProgramIcon", Bounds(8, 8, 112, 112));
  TJPEGImage picture;
  const std::string_view bytes = AboutPictureJpeg();
  picture.LoadFromBytes(std::string(bytes));
  ProgramIcon->GetPicture()->SetGraphic(picture.GetBitmap());

  auto addLabel = [this](TLabel*& Label, const Char* Name, Integer Top, const String& Caption) {
    Label = NewControl<TLabel>(this, Panel1, Name, Bounds(128, Top, 180, 16));
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

  SB_OK = NewOkButton(this, this, Bounds(127, 176, 76, 24), [this](TObject* Sender) { SB_OKClick(Sender); });

  OnKeyDown = [this](TObject* Sender, Word& Key, TShiftState Shift) { FormKeyDown(Sender, Key, Shift); };
}

void TAboutBox::SB_OKClick(TObject*) { SetModalResult(mrOk); }

void TAboutBox::FormKeyDown(TObject*, Word& Key, TShiftState) {
  DialogKeyDown(
      Key, [this] { SB_OKClick(SB_OK); }, nullptr);
}

bool ShowAbout(TAboutBox* Box) {
  Box->Version->SetCaption(AboutVersionText);
  Box->OwnerLine->SetCaption(String());
  Box->OwnerLine->SetCaption(kOwnerLine);
  return Box->ShowModal() == mrOk;
}
