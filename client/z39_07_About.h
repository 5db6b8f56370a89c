#pragma once
// The about box: product name, version, free-use status, the owner's line and
// a picture decoded from JPEG.

#include <string_view>

#include "platform/ui/Forms.h"

class TLabel;
class TImage;
class TPanel;
class TSpeedButton;

inline constexpr Char AboutVersionText[] = u"Версия  1.05  (19.01.2011)";

class TAboutBox final : public TForm {
public:
  BORROW_COMPONENT(TAboutBox, TForm)
  explicit TAboutBox(TComponent* AOwner);
  ~TAboutBox() override;

  TPanel* Panel1 = nullptr;
  TImage* ProgramIcon = nullptr;
  TLabel* ProductName = nullptr;
  TLabel* Version = nullptr;
  TLabel* Copyright = nullptr;
  TLabel* Comments = nullptr;
  TLabel* OwnerLine = nullptr;
  TSpeedButton* SB_OK = nullptr;

  void SB_OKClick(TObject* Sender);
  // Enter presses OK; the key is consumed.
  void FormKeyDown(TObject* Sender, Word& Key, TShiftState Shift);

private:
  void CreateControls();
};

// Sets the version and the owner's line, shows the box modally; True on OK.
bool ShowAbout(TAboutBox* Box);

// The picture's JPEG bytes, built into the program.
std::string_view AboutPictureJpeg();
