#pragma once
// The settings dialog: the save folder, the save mode and the colour scheme.
// Its controls are the program's live settings: the settings file is read
// into them at start-up and written from them at exit.

#include "platform/ui/Forms.h"

class TLabel;
class TEdit;
class TGroupBox;
class TRadioGroup;
class TComboBox;
class TSpeedButton;

class TDlg_Settings final : public TForm {
public:
  BORROW_COMPONENT(TDlg_Settings, TForm)
  explicit TDlg_Settings(TComponent* AOwner);
  ~TDlg_Settings() override;

  TGroupBox* GroupBox1 = nullptr;  // "Сохранение библиографических записей: "
  TLabel* Label1 = nullptr;
  TEdit* Edit_DirForBR = nullptr;
  TSpeedButton* SpeedButton1 = nullptr;
  TRadioGroup* rg_BR_SaveMode = nullptr;
  TGroupBox* GroupBox2 = nullptr;  // "Цветовая гамма : "
  TLabel* Label2 = nullptr;
  TComboBox* cb_ShemeColor = nullptr;
  TSpeedButton* SpeedButton2 = nullptr;
  TSpeedButton* SB_OK = nullptr;
  TSpeedButton* SB_Cancel = nullptr;

  void cb_ShemeColorChange(TObject* Sender);
  void SpeedButton1Click(TObject* Sender);
  void SpeedButton2Click(TObject* Sender);
  void SB_OKClick(TObject* Sender);
  void SB_CancelClick(TObject* Sender);
  void FormKeyDown(TObject* Sender, Word& Key, TShiftState Shift);

private:
  void CreateControls();
};

// Shows the dialog modally; True on OK.
bool ShowSettings(TDlg_Settings* Dialog);
