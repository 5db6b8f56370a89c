#pragma once
// The open and save dialogs: a modal form of our own with the folder list, the
// files of the chosen type, the file-name edit and the type box.
//
// Filter: "Name|Patterns|Name|Patterns" (patterns separated by ";"). A name typed
// without an extension gets DefaultExt; a relative name is taken in the folder
// shown. ofFileMustExist refuses a name that is not an existing file, and
// ofOverwritePrompt asks before an existing file is replaced, both with a
// message box, and the dialog stays open.

#include "platform/ui/FileCtrl.h"

enum TOpenOption {
  ofReadOnly,
  ofOverwritePrompt,
  ofHideReadOnly,
  ofNoChangeDir,
  ofShowHelp,
  ofNoValidate,
  ofAllowMultiSelect,
  ofExtensionDifferent,
  ofPathMustExist,
  ofFileMustExist,
  ofCreatePrompt,
  ofShareAware,
  ofNoReadOnlyReturn,
  ofNoTestFileCreate,
  ofNoNetworkButton,
  ofNoLongNames,
  ofOldStyleDialog,
  ofNoDereferenceLinks,
  ofEnableIncludeNotify,
  ofEnableSizing,
  ofDontAddToRecent,
  ofForceShowHidden
};
using TOpenOptions = TEnumSet<TOpenOption>;

class TFileDialogForm;

class TOpenDialog : public TComponent {
public:
  BORROW_COMPONENT(TOpenDialog, TComponent)
  explicit TOpenDialog(TComponent* AOwner);
  ~TOpenDialog() override;

  String GetFileName() const { return FFileName; }
  void SetFileName(const String& Value) { FFileName = Value; }
  String GetFilter() const { return FFilter; }
  void SetFilter(const String& Value) { FFilter = Value; }
  // 1-based, as the platform counts it.
  Integer GetFilterIndex() const { return FFilterIndex; }
  void SetFilterIndex(Integer Value) { FFilterIndex = Value; }
  String GetDefaultExt() const { return FDefaultExt; }
  void SetDefaultExt(const String& Value);
  String GetInitialDir() const { return FInitialDir; }
  void SetInitialDir(const String& Value) { FInitialDir = Value; }
  String GetTitle() const { return FTitle; }
  void SetTitle(const String& Value) { FTitle = Value; }
  TOpenOptions GetOptions() const { return FOptions; }
  void SetOptions(TOpenOptions Value) { FOptions = Value; }

  // Shows the dialog modally; true when a file was chosen (FileName holds it).
  virtual bool Execute();

  // The dialog's form while it is shown (tests drive it through its controls).
  TFileDialogForm* GetForm() const { return FForm; }

  TNotifyEvent OnShow;
  TNotifyEvent OnClose;

protected:
  virtual bool IsSaveDialog() const { return false; }
  // Checks the name the user typed (made absolute); false keeps the dialog open.
  bool Accept(const String& Path);
  friend class TFileDialogForm;

  String FFileName;
  String FFilter;
  Integer FFilterIndex = 1;
  String FDefaultExt;
  String FInitialDir;
  String FTitle;
  TOpenOptions FOptions{ofHideReadOnly, ofEnableSizing};
  TFileDialogForm* FForm = nullptr;
};

class TSaveDialog : public TOpenDialog {
public:
  BORROW_COMPONENT(TSaveDialog, TOpenDialog)
  explicit TSaveDialog(TComponent* AOwner) : TOpenDialog(AOwner) {}

protected:
  bool IsSaveDialog() const override { return true; }
};

// The form an open or save dialog shows.
class TFileDialogForm final : public TForm {
public:
  BORROW_COMPONENT(TFileDialogForm, TForm)
  TFileDialogForm(TComponent* AOwner, TOpenDialog* Dialog);
  TLabel* Label_Dir = nullptr;
  TDirectoryListBox* DirList = nullptr;
  TFileListBox* FileList = nullptr;
  TLabel* Label_Name = nullptr;
  TEdit* Edit_Name = nullptr;
  TLabel* Label_Type = nullptr;
  TComboBox* cb_Type = nullptr;
  TButton* Button_OK = nullptr;
  TButton* Button_Cancel = nullptr;
  // The patterns of each filter entry, in order.
  const std::vector<String>& Masks() const { return FMasks; }

private:
  void CreateControls();
  void OKClick();
  TOpenDialog* FDialog;
  std::vector<String> FMasks;
};
