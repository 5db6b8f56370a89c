#pragma once
// The folder chooser: drive, folder and file lists, created for one choice
// without an owner and freed after it.

#include "platform/ui/Forms.h"

class TLabel;
class TGroupBox;
class TSpeedButton;
class TDriveComboBox;
class TDirectoryListBox;
class TFileListBox;

class TDlg_DirSelect final : public TForm {
public:
  BORROW_COMPONENT(TDlg_DirSelect, TForm)
  explicit TDlg_DirSelect(TComponent* AOwner);

  TLabel* Label_Head = nullptr;
  TGroupBox* GroupBox1 = nullptr;  // "Папки : "
  TDriveComboBox* DriveComboBox1 = nullptr;
  TDirectoryListBox* DirectoryListBox1 = nullptr;
  TGroupBox* GroupBox2 = nullptr;  // "Файлы : "
  TLabel* Label_Dir = nullptr;
  TFileListBox* FileListBox1 = nullptr;
  TSpeedButton* SB_OK = nullptr;
  TSpeedButton* SB_Cancel = nullptr;

  void SB_OKClick(TObject* Sender);
  void SB_CancelClick(TObject* Sender);
  void FileListBox1DblClick(TObject* Sender);
  void FormKeyDown(TObject* Sender, Word& Key, TShiftState Shift);

  const String& GetChosenFolder() const { return FChosenFolder; }
  void SetChosenFolder(const String& Value) { FChosenFolder = Value; }

private:
  void CreateControls();
  String FChosenFolder;
};

// Shows the chooser. Folder is the chosen folder ending in "/", or empty when
// the user cancelled or the choice is not an existing folder. A start folder
// that exists is opened first; a FontColor below 0 leaves the colours alone,
// else the controls take the pair and the file list the background.
void SelectFolder(const String& Caption, const String& Head, const String& StartFolder, TColor FontColor,
                  TColor BackColor, String& Folder);
